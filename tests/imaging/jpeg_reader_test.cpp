// JPEG reading: the messages of every failure, and decoded pixels against the library's own
// decoder program in both depths.
#include "imaging/cmemdib.h"

#include "imaging_fixtures.h"
#include "platform/core/message_box.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

using imaging_test::pattern;
using imaging_test::photo;
using testing_support::TempDir;

namespace {

// Sets the display depth for one test.
class Depth {
public:
    explicit Depth(int depth) : m_before(Cmemdib::display_depth) {
        Cmemdib::SetDisplayDepth(depth);
    }
    ~Depth() { Cmemdib::SetDisplayDepth(m_before); }

private:
    int m_before;
};

BOOL readJpeg(Cmemdib& bitmap, const std::string& path, platform::Palette* palette,
              BOOL report = TRUE) {
    return bitmap.ReadImageFile(path.c_str(), "Photo", report, nullptr, palette, TRUE, "Cap");
}

std::vector<std::string> prefixed(std::initializer_list<const char*> messages) {
    std::vector<std::string> out;
    for (const char* m : messages)
        out.push_back(std::string("Photo\n") + m);
    return out;
}

// The pixel rows of a BMP file as stored (bottom row first, padded), and its bit count.
struct BmpRows {
    int bitCount = 0;
    int width = 0;
    int height = 0;
    std::string rows;
    std::string table;
};

BmpRows readBmpRows(const std::string& path) {
    const std::string file = testing_support::readFile(path);
    BmpRows out;
    if (file.size() < 54) return out;
    BITMAPINFOHEADER h;
    std::memcpy(&h, file.data() + 14, sizeof h);
    DWORD offBits;
    std::memcpy(&offBits, file.data() + 10, 4);
    out.bitCount = h.biBitCount;
    out.width = h.biWidth;
    out.height = h.biHeight;
    out.table = file.substr(14 + h.biSize, offBits - 14 - h.biSize);
    out.rows = file.substr(offBits);
    return out;
}

std::string blockRows(const Cmemdib& bitmap) {
    return std::string(reinterpret_cast<const char*>(bitmap.bits()),
                       bitmap.stride() * std::size_t(bitmap.height()));
}

#ifdef DJPEG_PROGRAM
bool runDjpeg(const std::string& arguments) {
    const std::string command = std::string(DJPEG_PROGRAM) + " " + arguments + " 2>/dev/null";
    return std::system(command.c_str()) == 0;
}
#endif

// A palette of 256 distinct colours (a 6-7-6 colour cube less two, then greys) that djpeg can
// read back as a map from a PPM file in the same order.
void cubePalette(platform::Palette& palette, tools::IndexedImage& colours) {
    int n = 0;
    for (int r = 0; r < 6 && n < 256; ++r)
        for (int g = 0; g < 7 && n < 256; ++g)
            for (int b = 0; b < 6 && n < 256; ++b)
                colours.colours[std::size_t(n++)] = {std::uint8_t(r * 51), std::uint8_t(g * 42),
                                                     std::uint8_t(b * 51)};
    for (int i = 0; n < 256; ++i)
        colours.colours[std::size_t(n++)] = {std::uint8_t(10 + i * 5), std::uint8_t(12 + i * 5),
                                             std::uint8_t(11 + i * 5)};
    imaging_test::makePalette(palette, colours);
}

} // namespace

TEST(ReadJpeg, APaletteIsRequiredInEveryDepth) {
    TempDir dir;
    const std::string path = dir.file("photo.jpg");
    ASSERT_TRUE(tools::writeJpeg(path, photo(16, 16)));
    platform::Palette empty;
    for (int depth : {8, 24}) {
        Depth d(depth);
        for (platform::Palette* palette : {static_cast<platform::Palette*>(nullptr), &empty}) {
            platform::RecordedMessageBoxes boxes;
            Cmemdib bitmap;
            EXPECT_FALSE(readJpeg(bitmap, path, palette));
            EXPECT_EQ(boxes.texts(),
                      prefixed({"attempt to read JPEG file without providing palette"}))
                << "only this message: no exception, no second message";
            EXPECT_FALSE(bitmap.loaded);
        }
    }
}

TEST(ReadJpeg, FailuresShowTheirMessageThenTheReadingMessage) {
    TempDir dir;
    const std::string good = tools::encodeJpeg(photo(32, 24));
    const std::string notJpeg = dir.write("not_a_jpeg.jpg", tools::makeBmp(pattern(4, 4)));
    const std::string empty = dir.write("empty_file.jpg", "");
    const std::string goodPath = dir.write("good.jpg", good);
    tools::RgbImage cmyk = photo(16, 16);
    cmyk.components = 4;
    cmyk.pixels.assign(16 * 16 * 4, 100);
    const std::string cmykPath = dir.file("cmyk_colour_space.jpg");
    ASSERT_TRUE(tools::writeJpeg(cmykPath, cmyk));

    platform::Palette full;
    imaging_test::makePalette(full, pattern(1, 1));
    platform::Palette short255;
    imaging_test::makePalette(short255, pattern(1, 1), 255);

    struct Case {
        const char* label;
        std::string path;
        int depth;
        platform::Palette* palette;
        imaging::MemoryFailure failure;
        std::size_t limit;
        std::vector<std::string> messages;
    } cases[] = {
        {"not a JPEG", notJpeg, 8, &full, imaging::MemoryFailure::None, 0,
         prefixed({"Not a JPEG file: starts with 0x42 0x4d", "error reading JPEG image file"})},
        {"empty file", empty, 24, &full, imaging::MemoryFailure::None, 0,
         prefixed({"Empty input file", "error reading JPEG image file"})},
        {"palette of 255 entries", goodPath, 8, &short255, imaging::MemoryFailure::None, 0,
         prefixed({"Could not use palette to read JPEG image", "error reading JPEG image file"})},
        {"CMYK colour space", cmykPath, 24, &full, imaging::MemoryFailure::None, 0,
         prefixed({"Unsupported color conversion request", "error reading JPEG image file"})},
        {"CMYK colour space, 8-bit", cmykPath, 8, &full, imaging::MemoryFailure::None, 0,
         prefixed({"Unsupported color conversion request", "error reading JPEG image file"})},
        {"allocation fails", goodPath, 24, &full, imaging::MemoryFailure::Allocate, 0,
         prefixed({"could not allocate memory for bitmap", "error reading JPEG image file"})},
        {"lock fails", goodPath, 8, &full, imaging::MemoryFailure::Lock, 0,
         prefixed({"could not lock memory for bitmap", "error reading JPEG image file"})},
        // 32 x 24 at 24 bits: 96 x 24 + 40 bytes.
        {"block above the limit", goodPath, 24, &full, imaging::MemoryFailure::None,
         96 * 24 + 40 - 1,
         prefixed({"could not allocate memory for bitmap", "error reading JPEG image file"})},
    };
    for (const auto& c : cases) {
        Depth d(c.depth);
        imaging_test::MemoryFailureGuard guard(c.failure);
        if (c.limit) imaging::setMaxBlockSize(c.limit);
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_FALSE(readJpeg(bitmap, c.path, c.palette)) << c.label;
        EXPECT_EQ(boxes.texts(), c.messages) << c.label;
        EXPECT_FALSE(bitmap.loaded) << c.label;
        EXPECT_EQ(bitmap.dib, nullptr) << c.label;
        EXPECT_FALSE(bitmap.memory) << c.label << ": the block of a failed read is freed";

        boxes.clear();
        EXPECT_FALSE(readJpeg(bitmap, c.path, c.palette, FALSE)) << c.label;
        EXPECT_TRUE(boxes.calls().empty()) << c.label << ": report off";
        imaging::setMaxBlockSize(std::size_t(1) << 31);
    }
    // The limit exactly: accepted.
    imaging::setMaxBlockSize(96 * 24 + 40);
    Depth d(24);
    Cmemdib bitmap;
    EXPECT_TRUE(readJpeg(bitmap, goodPath, &full));
    imaging::setMaxBlockSize(std::size_t(1) << 31);
}

TEST(ReadJpeg, ATruncatedFileWarnsOnceAndStillReads) {
    TempDir dir;
    const std::string whole = tools::encodeJpeg(photo(64, 64));
    const std::string path = dir.write("truncated.jpg", whole.substr(0, whole.size() / 2));
    platform::Palette palette;
    imaging_test::makePalette(palette, pattern(1, 1));
    for (int depth : {8, 24}) {
        Depth d(depth);
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_TRUE(readJpeg(bitmap, path, &palette));
        EXPECT_EQ(boxes.texts(), prefixed({"Premature end of JPEG file"}));
        EXPECT_EQ(bitmap.width(), 64);
        EXPECT_EQ(bitmap.height(), 64);
    }
}

TEST(ReadJpeg, TwentyFourBitBlocks) {
    TempDir dir;
    tools::RgbImage red = photo(5, 3);
    for (std::size_t i = 0; i < red.pixels.size(); i += 3)
        red.pixels[i] = 255, red.pixels[i + 1] = 0, red.pixels[i + 2] = 0;
    const std::string path = dir.file("red.jpg");
    tools::JpegOptions best;
    best.quality = 100;
    ASSERT_TRUE(tools::writeJpeg(path, red, best));
    platform::Palette palette;
    imaging_test::makePalette(palette, pattern(1, 1));
    Depth d(24);
    Cmemdib bitmap;
    ASSERT_TRUE(readJpeg(bitmap, path, &palette));
    const BITMAPINFOHEADER& h = *bitmap.dib;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(h.biXPelsPerMeter, 0);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    EXPECT_EQ(bitmap.stride(), 16u);
    EXPECT_EQ(bitmap.blockSize(), 40u + 16u * 3u);
    EXPECT_EQ(bitmap.bits(), reinterpret_cast<const BYTE*>(bitmap.dib) + 40) << "no colour table";
    EXPECT_EQ(bitmap.image_rect, (Rect{0, 0, 5, 3}));
    const BYTE* p = bitmap.bits();
    EXPECT_LE(p[0], 2); // blue
    EXPECT_LE(p[1], 2); // green
    EXPECT_GE(p[2], 253) << "a pure red pixel is stored as 00 00 FF";
}

TEST(ReadJpeg, EightBitBlocksCarryTheSharedPalette) {
    TempDir dir;
    const std::string path = dir.file("photo.jpg");
    ASSERT_TRUE(tools::writeJpeg(path, photo(33, 17)));
    platform::Palette palette;
    tools::IndexedImage colours;
    cubePalette(palette, colours);
    Depth d(8);
    Cmemdib bitmap;
    ASSERT_TRUE(readJpeg(bitmap, path, &palette));
    EXPECT_EQ(bitmap.bitCount(), 8);
    EXPECT_EQ(bitmap.dib->biClrUsed, 256u);
    EXPECT_EQ(bitmap.dib->biClrImportant, 256u);
    EXPECT_EQ(bitmap.stride(), 36u);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD q = bitmap.colourTable()[i];
        const auto& e = palette.entries()[std::size_t(i)];
        EXPECT_EQ((std::array<int, 4>{q.rgbRed, q.rgbGreen, q.rgbBlue, q.rgbReserved}),
                  (std::array<int, 4>{e.peRed, e.peGreen, e.peBlue, 0}));
    }
}

TEST(ReadJpeg, GreyscaleFilesReadAsColourInBothDepths) {
    TempDir dir;
    const std::string path = dir.file("grey.jpg");
    ASSERT_TRUE(tools::writeJpeg(path, photo(20, 10, 1)));
    platform::Palette palette;
    tools::IndexedImage colours;
    cubePalette(palette, colours);
    {
        Depth d(24);
        Cmemdib bitmap;
        ASSERT_TRUE(readJpeg(bitmap, path, &palette));
        ASSERT_EQ(bitmap.bitCount(), 24);
        for (int y = 0; y < 10; ++y) {
            const BYTE* row = bitmap.bits() + std::size_t(y) * bitmap.stride();
            for (int x = 0; x < 20; ++x) {
                EXPECT_EQ(row[3 * x], row[3 * x + 1]);
                EXPECT_EQ(row[3 * x], row[3 * x + 2]);
            }
        }
    }
    Depth d(8);
    Cmemdib bitmap;
    ASSERT_TRUE(readJpeg(bitmap, path, &palette));
    EXPECT_EQ(bitmap.bitCount(), 8);
    EXPECT_EQ(bitmap.dib->biClrUsed, 256u);
}

#ifdef DJPEG_PROGRAM

TEST(ReadJpeg, PixelsEqualTheLibrarysDecoderProgram) {
    TempDir dir;
    platform::Palette palette;
    tools::IndexedImage colours;
    cubePalette(palette, colours);
    // The palette as a 256 x 1 PPM image: djpeg takes its colours, in order, as the colour map.
    std::string ppm = "P6\n256 1\n255\n";
    for (const auto& c : colours.colours)
        ppm.append(reinterpret_cast<const char*>(c.data()), 3);
    const std::string map = dir.write("palette.ppm", ppm);

    struct Case {
        const char* name;
        tools::RgbImage image;
        tools::JpegOptions options;
    } cases[] = {
        {"photo_61x37.jpg", photo(61, 37), {}},
        {"photo_odd_progressive.jpg", photo(45, 23), {90, true}},
        {"photo_low_quality.jpg", photo(128, 96), {30, false}},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(tools::writeJpeg(path, c.image, c.options));
        {
            Depth d(24);
            Cmemdib bitmap;
            ASSERT_TRUE(readJpeg(bitmap, path, &palette));
            const std::string out = dir.file("direct.bmp");
            ASSERT_TRUE(runDjpeg("-bmp -outfile " + out + " " + path));
            const BmpRows reference = readBmpRows(out);
            ASSERT_EQ(reference.bitCount, 24);
            EXPECT_EQ(blockRows(bitmap), reference.rows) << c.name;
        }
        {
            Depth d(8);
            Cmemdib bitmap;
            ASSERT_TRUE(readJpeg(bitmap, path, &palette));
            const std::string out = dir.file("mapped.bmp");
            ASSERT_TRUE(runDjpeg("-bmp -map " + map + " -dither fs -outfile " + out + " " + path));
            const BmpRows reference = readBmpRows(out);
            ASSERT_EQ(reference.bitCount, 8);
            ASSERT_EQ(reference.table.substr(0, 1024),
                      std::string(reinterpret_cast<const char*>(bitmap.colourTable()), 1024))
                << "djpeg kept the palette's order";
            EXPECT_EQ(blockRows(bitmap), reference.rows) << c.name;
        }
    }
}

#else

TEST(ReadJpeg, PixelsEqualTheLibrarysDecoderProgram) {
    GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
}

#endif
