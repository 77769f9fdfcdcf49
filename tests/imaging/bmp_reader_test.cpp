// BMP files (plain and gzip), the name routing of ReadImageFile, and bitmap resources: every check
// with the exact message it shows.
#include "imaging/cmemdib.h"

#include "imaging_fixtures.h"
#include "platform/core/dos_path.h"
#include "platform/core/message_box.h"
#include "platform/core/resources.h"
#include "tests/support/temp_dir.h"

#include <cstring>

#include <gtest/gtest.h>

using imaging_test::pattern;
using testing_support::TempDir;

namespace {

constexpr const char* kInfo = "could not read, or anomalous values in, info header";

BOOL readQuietly(Cmemdib& image, const std::string& path, BOOL report = TRUE) {
    return image.ReadImageFile(path.c_str(), "Skyvista", report, nullptr, nullptr, TRUE, "Caption");
}

void expectEmpty(const Cmemdib& image) {
    EXPECT_FALSE(image.loaded);
    EXPECT_EQ(image.dib, nullptr);
    EXPECT_TRUE(image.name.empty());
}

// The rows of the block, top row first, as the writer's indices.
std::vector<std::uint8_t> topDownIndices(const Cmemdib& image) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < image.height(); ++y) {
        const BYTE* row = image.bits() + std::size_t(image.height() - 1 - y) * image.stride();
        out.insert(out.end(), row, row + image.width());
    }
    return out;
}

} // namespace

TEST(ReadBmp, MalformedFilesGetTheirMessagePlainAndGzip) {
    const auto image = pattern(5, 3); // stride 8: 24 pixel bytes
    const std::size_t full = 14 + 40 + 1024 + 24;
    struct Case {
        const char* name;
        tools::BmpDefects defects;
        const char* message;
    };
    auto d = [](auto setter) {
        tools::BmpDefects defects;
        setter(defects);
        return defects;
    };
    using D = tools::BmpDefects;
    const Case cases[] = {
        {"empty_file", d([](D& x) { x.truncateTo = 0; }), "could not read file header"},
        {"short_file_header", d([](D& x) { x.truncateTo = 13; }), "could not read file header"},
        {"type_not_bm", d([](D& x) { x.bfType = 0x4D43; }), "could not read file header"},
        {"short_info_header", d([](D& x) { x.truncateTo = 14 + 39; }), kInfo},
        {"info_size_12", d([](D& x) { x.biSize = 12; }), kInfo},
        {"info_size_108", d([](D& x) { x.biSize = 108; }), kInfo},
        {"zero_width", d([](D& x) { x.biWidth = 0; }), kInfo},
        {"negative_width", d([](D& x) { x.biWidth = -5; }), kInfo},
        {"zero_height", d([](D& x) { x.biHeight = 0; }), kInfo},
        {"top_down_negative_height", d([](D& x) { x.biHeight = -3; }), kInfo},
        {"two_planes", d([](D& x) { x.biPlanes = 2; }), kInfo},
        {"bit_count_24", d([](D& x) { x.biBitCount = 24; }), kInfo},
        {"bit_count_4", d([](D& x) { x.biBitCount = 4; }), kInfo},
        {"rle8_compressed", d([](D& x) { x.biCompression = 1; }), kInfo},
        {"clr_used_255", d([](D& x) { x.biClrUsed = 255; }), kInfo},
        {"clr_used_257", d([](D& x) { x.biClrUsed = 257; }), kInfo},
        {"clr_important_255", d([](D& x) { x.biClrImportant = 255; }), kInfo},
        {"dimensions_overflow", d([](D& x) { x.biWidth = 0x7FFFFFFF, x.biHeight = 0x7FFFFFFF; }),
         kInfo},
        // 65536 x 32768 pixels are 2^31 bytes, and the header and table go beyond 2^31.
        {"block_above_2_gib", d([](D& x) { x.biWidth = 65536, x.biHeight = 32768; }), kInfo},
        {"short_palette", d([](D& x) { x.truncateTo = 14 + 40 + 1023; }), "could not read palette"},
        {"off_bits_1077", d([](D& x) { x.bfOffBits = 1077; }), "could not read palette"},
        {"off_bits_54", d([](D& x) { x.bfOffBits = 54; }), "could not read palette"},
        {"image_one_byte_short", d([](D& x) { x.truncateTo = full - 1; }), "could not read image"},
        {"image_rows_missing", d([](D& x) { x.truncateTo = 14 + 40 + 1024; }),
         "could not read image"},
    };
    TempDir dir;
    for (const bool gzip : {false, true}) {
        for (const auto& c : cases) {
            const std::string path = dir.file(std::string(c.name) + (gzip ? ".gz" : ".bmp"));
            ASSERT_TRUE(tools::writeFile(path, tools::makeBmp(image, c.defects), gzip));
            platform::RecordedMessageBoxes boxes;
            Cmemdib bitmap;
            EXPECT_FALSE(readQuietly(bitmap, path)) << c.name;
            ASSERT_EQ(boxes.calls().size(), 1u) << c.name;
            EXPECT_EQ(boxes.calls()[0].text, std::string("Skyvista\n") + c.message)
                << c.name << (gzip ? " (gzip)" : "");
            EXPECT_EQ(boxes.calls()[0].caption, "Caption");
            EXPECT_EQ(boxes.calls()[0].type, MB_ICONWARNING);
            EXPECT_EQ(boxes.calls()[0].owner, nullptr);
            expectEmpty(bitmap);

            boxes.clear();
            EXPECT_FALSE(readQuietly(bitmap, path, FALSE)) << c.name;
            EXPECT_TRUE(boxes.calls().empty()) << "report off shows nothing: " << c.name;
        }
    }
}

TEST(ReadBmp, AValidFileFillsTheBlockExactly) {
    TempDir dir;
    const auto image = pattern(5, 3);
    tools::BmpDefects keepZero;
    keepZero.biClrUsed = 0; // with bfOffBits 54 + 1024 the file is accepted and keeps the 0
    for (const bool gzip : {false, true}) {
        const std::string path = dir.file(gzip ? "pano.gz" : "pano.bmp");
        const std::string bytes = tools::makeBmp(image, keepZero);
        ASSERT_TRUE(tools::writeFile(path, bytes, gzip));
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        ASSERT_TRUE(readQuietly(bitmap, path));
        EXPECT_TRUE(boxes.calls().empty());
        EXPECT_TRUE(bitmap.loaded);
        EXPECT_FALSE(bitmap.external);
        EXPECT_EQ(bitmap.name, "Skyvista");
        EXPECT_EQ(bitmap.image_rect, (Rect{0, 0, 5, 3}));
        EXPECT_EQ(bitmap.clip_rect, (Rect{0, 0, 5, 3}));
        EXPECT_EQ(bitmap.dest_rect, (Rect{0, 0, 5, 3}));
        EXPECT_EQ(bitmap.dib->biClrUsed, 0u);
        EXPECT_EQ(bitmap.blockSize(), 40u + 1024u + 24u);
        // Header, table and rows are the file's bytes after the file header, unchanged.
        EXPECT_EQ(std::memcmp(bitmap.dib, bytes.data() + 14, bitmap.blockSize()), 0);
        EXPECT_EQ(topDownIndices(bitmap), image.pixels);
    }
}

TEST(ReadBmp, ClrImportant256IsAcceptedInAFile) {
    TempDir dir;
    tools::BmpDefects defects;
    defects.biClrImportant = 256;
    const std::string path = dir.write("important.bmp", tools::makeBmp(pattern(4, 2), defects));
    Cmemdib bitmap;
    EXPECT_TRUE(readQuietly(bitmap, path));
}

TEST(ReadBmp, TheBlockLimitIsExact) {
    TempDir dir;
    const std::string path = dir.write("limit.bmp", tools::makeBmp(pattern(5, 3)));
    const std::size_t block = 40 + 1024 + 24;
    struct Case {
        std::size_t limit;
        bool accepted;
    } cases[] = {{block - 1, false}, {block, true}, {block + 1, true}};
    for (const auto& c : cases) {
        imaging::setMaxBlockSize(c.limit);
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_EQ(bool(readQuietly(bitmap, path)), c.accepted) << c.limit;
        if (!c.accepted) {
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{std::string("Skyvista\n") + kInfo});
        }
    }
    imaging::setMaxBlockSize(std::size_t(1) << 31);
}

TEST(ReadBmp, AllocationAndLockFailuresAreReported) {
    TempDir dir;
    const std::string path = dir.write("memory.bmp", tools::makeBmp(pattern(5, 3)));
    struct Case {
        imaging::MemoryFailure failure;
        const char* message;
    } cases[] = {{imaging::MemoryFailure::Allocate, "could not allocate memory for bitmap"},
                 {imaging::MemoryFailure::Lock, "could not lock memory for bitmap"}};
    for (const auto& c : cases) {
        imaging_test::MemoryFailureGuard guard(c.failure);
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_FALSE(readQuietly(bitmap, path));
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{std::string("Skyvista\n") + c.message});
        expectEmpty(bitmap);
        EXPECT_FALSE(bitmap.memory) << "a block that could not be locked is freed by the reset";
    }
}

TEST(ReadImageFile, NamesChooseTheReader) {
    TempDir dir;
    const std::string bmp = tools::makeBmp(pattern(3, 2));
    struct Case {
        const char* name;
        bool gzipContent;
        const char* message; // null: read successfully
    } cases[] = {
        {"x.gz", true, nullptr},
        {"X.Gz", true, nullptr},
        {"PANO.GZ", true, nullptr},
        {"plain.GZ", false, nullptr}, // the decompressor passes an uncompressed file through
        {".gz", true, "could not read file header"},    // three characters: a plain file
        {"x.gzip", true, "could not read file header"}, // plain
        {"x.bmp", false, nullptr},
        {"anything.dat", false, nullptr},
    };
    // Relative names, so that the rule about a name's length sees the name itself.
    imaging_test::WorkingDirectory cwd(dir.path());
    for (const auto& c : cases) {
        const std::string path = c.name;
        ASSERT_TRUE(tools::writeFile(dir.file(c.name), bmp, c.gzipContent));
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        const BOOL ok = readQuietly(bitmap, path);
        if (c.message) {
            EXPECT_FALSE(ok) << c.name;
            EXPECT_EQ(boxes.texts(),
                      std::vector<std::string>{std::string("Skyvista\n") + c.message})
                << c.name;
        } else {
            EXPECT_TRUE(ok) << c.name;
            EXPECT_TRUE(boxes.calls().empty()) << c.name;
        }
    }
}

TEST(ReadImageFile, JpegNamesAreComparedUpperCased) {
    TempDir dir;
    const std::string jpeg = tools::encodeJpeg(imaging_test::photo(8, 8));
    dir.write("photo.jpg", jpeg);
    dir.write("photo.jpeg", jpeg);
    platform::Palette palette;
    imaging_test::makePalette(palette, pattern(1, 1));
    platform::RecordedMessageBoxes boxes;
    Cmemdib bitmap;
    EXPECT_TRUE(bitmap.ReadImageFile(dir.file("photo.jpg").c_str(), "Photo", TRUE, nullptr,
                                     &palette, TRUE, "c"));
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_FALSE(bitmap.ReadImageFile(dir.file("photo.jpeg").c_str(), "Photo", TRUE, nullptr,
                                      &palette, TRUE, "c"));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Photo\ncould not read file header"});
}

TEST(ReadImageFile, MissingFilesAndFoldersNameTheUpperCasedPath) {
    TempDir dir;
    platform::Palette palette;
    imaging_test::makePalette(palette, pattern(1, 1));
    struct Case {
        const char* name;
        const char* message;
    } cases[] = {{"missing.bmp", "could not open image file to read\r\n"},
                 {"missing.gz", "could not open image file to read\r\n"},
                 {"missing.jpg", "error opening JPEG image file\r\n"},
                 // Folders open for reading on this system, but are no image files.
                 {"folder.bmp", "could not open image file to read\r\n"},
                 {"folder.gz", "could not open image file to read\r\n"},
                 {"folder.jpg", "error opening JPEG image file\r\n"}};
    for (const char* folder : {"folder.bmp", "folder.gz", "folder.jpg"})
        std::filesystem::create_directory(dir.file(folder));
    for (const auto& c : cases) {
        const std::string path = dir.file(c.name);
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_FALSE(bitmap.ReadImageFile(path.c_str(), "Map", TRUE, nullptr, &palette, TRUE, "c"));
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{std::string("Map\n") + c.message +
                                                          platform::toUpperAscii(path)});
        expectEmpty(bitmap);
    }
}

TEST(ReadImageFile, AFailedReadLeavesNothingOfTheImageBefore) {
    TempDir dir;
    const std::string good = dir.write("good.bmp", tools::makeBmp(pattern(4, 4)));
    tools::BmpDefects cut;
    cut.truncateTo = 14 + 40 + 1024 + 16 - 1;
    const std::string bad = dir.write("bad.bmp", tools::makeBmp(pattern(4, 4), cut));
    Cmemdib bitmap;
    ASSERT_TRUE(readQuietly(bitmap, good, FALSE));
    EXPECT_FALSE(readQuietly(bitmap, bad, FALSE));
    expectEmpty(bitmap);
    EXPECT_TRUE(readQuietly(bitmap, good, FALSE)) << "the object reads again after a failure";
}

namespace {

// Registers resources in an application instance for one test.
class ResourceInstance {
public:
    ResourceInstance() { m_previous = platform::setApplicationInstance(&module); }
    ~ResourceInstance() { platform::setApplicationInstance(m_previous); }
    platform::ResourceModule module;

private:
    HINSTANCE m_previous;
};

BOOL loadByName(Cmemdib& bitmap, const char* name) {
    return bitmap.LoadBitmapResource(name, "Button", TRUE, nullptr, nullptr, TRUE, "c");
}

} // namespace

TEST(LoadBitmapResource, IsUsedInPlaceAndNeverFreed) {
    ResourceInstance instance;
    const std::string bytes = tools::makeBitmapResource(pattern(6, 4));
    instance.module.add("LOCATOR", RT_BITMAP, bytes.data(), bytes.size());
    instance.module.add(130u, RT_BITMAP, bytes.data(), bytes.size());
    platform::RecordedMessageBoxes boxes;
    Cmemdib bitmap;
    ASSERT_TRUE(loadByName(bitmap, "locator")) << "resource names match in any case";
    EXPECT_TRUE(bitmap.external);
    EXPECT_EQ(static_cast<const void*>(bitmap.dib), static_cast<const void*>(bytes.data()));
    EXPECT_EQ(bitmap.image_rect, (Rect{0, 0, 6, 4}));
    EXPECT_EQ(bitmap.clip_rect, (Rect{0, 0, 6, 4}));
    EXPECT_EQ(bitmap.dest_rect, (Rect{0, 0, 6, 4}));
    EXPECT_EQ(topDownIndices(bitmap), pattern(6, 4).pixels);
    bitmap.Reset();
    EXPECT_FALSE(bitmap.external);
    EXPECT_FALSE(bitmap.memory);

    // Numbers are looked up by their low 16 bits.
    EXPECT_TRUE(bitmap.LoadBitmapResource(UINT(0x10000 + 130), "Button", TRUE, nullptr, nullptr,
                                          TRUE, "c"));
    EXPECT_TRUE(bitmap.LoadBitmapResource(FindResourceA(&instance.module, "LOCATOR", RT_BITMAP),
                                          "Button", TRUE, nullptr, nullptr, TRUE, "c"));
    EXPECT_TRUE(boxes.calls().empty());
}

TEST(LoadBitmapResource, FailuresAndTheirMessages) {
    const std::string good = tools::makeBitmapResource(pattern(6, 4));
    {
        // No application instance: nothing is found.
        const HINSTANCE previous = platform::setApplicationInstance(nullptr);
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_FALSE(loadByName(bitmap, "LOCATOR"));
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Button\ncould not find resource"});
        platform::setApplicationInstance(previous);
    }
    ResourceInstance instance;
    instance.module.add("EMPTY", RT_BITMAP, nullptr, 0);
    instance.module.add("OTHERTYPE", MAKEINTRESOURCEA(14), good.data(), good.size());
    struct Case {
        const char* label;
        std::function<BOOL(Cmemdib&)> load;
        const char* message;
    } cases[] = {
        {"unknown name", [](Cmemdib& b) { return loadByName(b, "NOSUCH"); },
         "could not find resource"},
        {"another type", [](Cmemdib& b) { return loadByName(b, "OTHERTYPE"); },
         "could not find resource"},
        {"unknown number",
         [](Cmemdib& b) {
             return b.LoadBitmapResource(UINT(99), "Button", TRUE, nullptr, nullptr, TRUE, "c");
         },
         "could not find resource"},
        {"null found resource",
         [](Cmemdib& b) {
             return b.LoadBitmapResource(HRSRC(nullptr), "Button", TRUE, nullptr, nullptr, TRUE,
                                         "c");
         },
         "null handle for bitmap resource"},
        {"resource without bytes", [](Cmemdib& b) { return loadByName(b, "EMPTY"); },
         "could not load bitmap resource"},
    };
    for (const auto& c : cases) {
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_FALSE(c.load(bitmap)) << c.label;
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{std::string("Button\n") + c.message})
            << c.label;
        EXPECT_FALSE(bitmap.loaded);
    }
}

TEST(LoadBitmapResource, BadHeadersAreRefusedSilently) {
    using D = tools::BmpDefects;
    auto d = [](auto setter) {
        D defects;
        setter(defects);
        return defects;
    };
    const auto image = pattern(6, 4); // 4 rows of 8 bytes
    struct Case {
        const char* name;
        D defects;
    } cases[] = {
        {"clr_important_256", d([](D& x) { x.biClrImportant = 256; })},
        {"info_size_12", d([](D& x) { x.biSize = 12; })},
        {"zero_width", d([](D& x) { x.biWidth = 0; })},
        {"top_down", d([](D& x) { x.biHeight = -4; })},
        {"two_planes", d([](D& x) { x.biPlanes = 2; })},
        {"bit_count_24", d([](D& x) { x.biBitCount = 24; })},
        {"rle8_compressed", d([](D& x) { x.biCompression = 1; })},
        {"clr_used_16", d([](D& x) { x.biClrUsed = 16; })},
        {"shorter_than_a_header", d([](D& x) { x.truncateTo = 39; })},
        {"rows_one_byte_short", d([](D& x) { x.truncateTo = 40 + 1024 + 32 - 1; })},
        {"height_beyond_the_bytes", d([](D& x) { x.biHeight = 400; })},
        {"dimensions_overflow", d([](D& x) { x.biWidth = 0x7FFFFFFF, x.biHeight = 0x7FFFFFFF; })},
    };
    ResourceInstance instance;
    for (const auto& c : cases) {
        const std::string bytes = tools::makeBitmapResource(image, c.defects);
        instance.module.add("BAD", RT_BITMAP, bytes.data(), bytes.size());
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_FALSE(loadByName(bitmap, "BAD")) << c.name;
        EXPECT_TRUE(boxes.calls().empty()) << c.name;
        EXPECT_FALSE(bitmap.loaded) << c.name;
        EXPECT_FALSE(bitmap.external) << c.name;
        EXPECT_EQ(bitmap.dib, nullptr) << c.name;
    }
}

TEST(ReadBmp, DamagedGzipStreamsFail) {
    TempDir dir;
    // 300 x 300 pixels of varied indices: the pixel rows are most of the compressed stream.
    tools::IndexedImage image = pattern(300, 300);
    std::uint32_t noise = 7;
    for (auto& p : image.pixels) {
        noise = noise * 1664525u + 1013904223u;
        p = std::uint8_t(p ^ (noise >> 29));
    }
    const std::string packed = tools::gzipBytes(tools::makeBmp(image));
    std::string corrupt = packed;
    for (std::size_t i = packed.size() * 9 / 10; i < packed.size() * 9 / 10 + 16; ++i)
        corrupt[i] = char(corrupt[i] ^ 0x5A);
    // Damage near the end of the stream is met while the rows are read, and a stream that ends
    // early delivers what it has: either way the rows are short.
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {{"gzip_stream_truncated.gz", packed.substr(0, packed.size() * 3 / 4)},
                 {"gzip_stream_corrupt.gz", corrupt}};
    for (const auto& c : cases) {
        const std::string path = dir.write(c.name, c.bytes);
        platform::RecordedMessageBoxes boxes;
        Cmemdib bitmap;
        EXPECT_FALSE(readQuietly(bitmap, path)) << c.name;
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Skyvista\ncould not read image"})
            << c.name;
        expectEmpty(bitmap);
    }
}
