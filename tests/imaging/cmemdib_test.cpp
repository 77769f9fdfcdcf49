// The memory bitmap: construction and reset, messages, display depth, the shared palette and its
// cache file, device bitmaps, rectangles, scrolling, coordinate mapping and drawing.
#include "imaging/cmemdib.h"

#include "imaging_fixtures.h"
#include "platform/core/message_box.h"
#include "platform/core/palette_message_box.h"
#include "tests/support/temp_dir.h"

#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

using imaging_test::pattern;
using testing_support::TempDir;

namespace {

// Reads an 8-bit pattern image into a bitmap through a BMP file.
void loadPattern(Cmemdib& bitmap, const TempDir& dir, int width, int height) {
    const std::string path = dir.write("image.bmp", tools::makeBmp(pattern(width, height)));
    ASSERT_TRUE(bitmap.ReadImageFile(path.c_str(), "Pano", FALSE, nullptr, nullptr, TRUE, "c"));
}

// Reads a 24-bit image (a JPEG at depth 24).
void loadDirectColour(Cmemdib& bitmap, const TempDir& dir) {
    const std::string path = dir.file("photo.jpg");
    ASSERT_TRUE(tools::writeJpeg(path, imaging_test::photo(8, 6)));
    platform::Palette palette;
    imaging_test::makePalette(palette, pattern(1, 1));
    const int depth = Cmemdib::display_depth;
    Cmemdib::SetDisplayDepth(24);
    ASSERT_TRUE(bitmap.ReadImageFile(path.c_str(), "Photo", FALSE, nullptr, &palette, TRUE, "c"));
    Cmemdib::SetDisplayDepth(depth);
}

std::uint32_t rgbPixel(const std::array<std::uint8_t, 3>& c) {
    return (std::uint32_t(c[0]) << 16) | (std::uint32_t(c[1]) << 8) | c[2];
}

} // namespace

TEST(Cmemdib, ConstructionAndReset) {
    Cmemdib bitmap;
    EXPECT_EQ(bitmap.entries, 256);
    EXPECT_EQ(bitmap.header_size, 40);
    EXPECT_FALSE(bitmap.external);
    EXPECT_TRUE(bitmap.name.empty());
    EXPECT_FALSE(bitmap.memory);
    EXPECT_EQ(bitmap.dib, nullptr);
    EXPECT_FALSE(bitmap.loaded);

    TempDir dir;
    loadPattern(bitmap, dir, 4, 4);
    EXPECT_TRUE(bitmap.memory);
    bitmap.Reset();
    EXPECT_TRUE(bitmap.name.empty());
    EXPECT_FALSE(bitmap.memory);
    EXPECT_EQ(bitmap.dib, nullptr);
    EXPECT_FALSE(bitmap.loaded);
}

TEST(Cmemdib, ShowMessageUsesThePlainOrThePaletteAwareBox) {
    Cmemdib bitmap;
    bitmap.name = "Skyvista";
    imaging_test::RecordingWindows windows;
    platform::setPaletteBoxPause(0);
    platform::RecordedMessageBoxes boxes;
    bitmap.ShowMessage("could not read image", imaging_test::fakeWindow(), nullptr, TRUE, "Cap");
    bitmap.ShowMessage("could not read image", imaging_test::fakeWindow(), nullptr, FALSE, "Cap");
    ASSERT_EQ(boxes.calls().size(), 2u);
    for (const auto& call : boxes.calls()) {
        EXPECT_EQ(call.text, "Skyvista\ncould not read image");
        EXPECT_EQ(call.caption, "Cap");
        EXPECT_EQ(call.type, MB_ICONWARNING);
    }
    EXPECT_EQ(boxes.calls()[0].owner, nullptr) << "the plain box has no owner";
    EXPECT_EQ(boxes.calls()[1].owner, imaging_test::fakeWindow());
    platform::setPaletteBoxPause(100);
}

TEST(Cmemdib, DisplayDepth) {
    const int before = Cmemdib::display_depth;
    Cmemdib::SetDisplayDepth(24);
    EXPECT_EQ(Cmemdib::display_depth, 24);
    Cmemdib::SetDisplayDepth(16);
    EXPECT_EQ(Cmemdib::display_depth, 24) << "16 leaves the depth unchanged";
    Cmemdib::SetDisplayDepth(8);
    EXPECT_EQ(Cmemdib::display_depth, 8);

    Cmemdib::SetDisplayDepthFromWindow(imaging_test::fakeWindow()); // no windows: unchanged
    EXPECT_EQ(Cmemdib::display_depth, 8);
    {
        imaging_test::RecordingWindows windows;
        Cmemdib::SetDisplayDepthFromWindow(imaging_test::fakeWindow());
        EXPECT_EQ(Cmemdib::display_depth, 24) << "a true-colour display";
        platform::setDisplayUsesPalette(true);
        Cmemdib::SetDisplayDepthFromWindow(imaging_test::fakeWindow());
        EXPECT_EQ(Cmemdib::display_depth, 8) << "a palette display";
        Cmemdib::SetDisplayDepth(24);
        Cmemdib::SetDisplayDepthFromWindow(nullptr);
        EXPECT_EQ(Cmemdib::display_depth, 24) << "no window leaves the depth unchanged";
        platform::setDisplayUsesPalette(false);
    }
    Cmemdib::SetDisplayDepth(before);
}

TEST(MakePalette, FromTheBitmapSavedAndReadBack) {
    TempDir dir;
    imaging_test::WorkingDirectory cwd(dir.path());
    Cmemdib bitmap;
    loadPattern(bitmap, dir, 4, 4);
    const auto image = pattern(1, 1);
    platform::RecordedMessageBoxes boxes;

    platform::Palette palette;
    ASSERT_TRUE(
        bitmap.MakePalette(&palette, PaletteFromBitmapAndSave, TRUE, nullptr, nullptr, TRUE, "c"));
    ASSERT_EQ(palette.GetEntryCount(), 256u);
    for (int i = 0; i < 256; ++i) {
        const auto& e = palette.entries()[std::size_t(i)];
        EXPECT_EQ(e.peRed, image.colours[std::size_t(i)][0]);
        EXPECT_EQ(e.peGreen, image.colours[std::size_t(i)][1]);
        EXPECT_EQ(e.peBlue, image.colours[std::size_t(i)][2]);
        EXPECT_EQ(e.peFlags, 0);
    }
    const std::string file = testing_support::readFile(dir.file("memdib.pal"));
    ASSERT_EQ(file.size(), 1028u);
    EXPECT_EQ(file.substr(0, 4), std::string("\x00\x03\x00\x01", 4));
    EXPECT_EQ(file.substr(4, 4), std::string({char(image.colours[0][0]), char(image.colours[0][1]),
                                              char(image.colours[0][2]), '\0'}));
    EXPECT_EQ(file.substr(8, 4), std::string({char(image.colours[1][0]), char(image.colours[1][1]),
                                              char(image.colours[1][2]), '\0'}));

    Cmemdib empty;
    platform::Palette fromFile;
    ASSERT_TRUE(empty.MakePalette(&fromFile, PaletteFromFile, TRUE, nullptr, nullptr, TRUE, "c"));
    EXPECT_EQ(std::memcmp(fromFile.entries().data(), palette.entries().data(), 1024), 0);

    // The palette held before is replaced by a new one.
    const auto before = fromFile.handleId();
    ASSERT_TRUE(
        bitmap.MakePalette(&fromFile, PaletteFromBitmap, TRUE, nullptr, nullptr, TRUE, "c"));
    EXPECT_NE(fromFile.handleId(), before);
    EXPECT_TRUE(boxes.calls().empty());
}

TEST(MakePalette, SilentFailuresKeepThePaletteHeld) {
    TempDir dir;
    imaging_test::WorkingDirectory cwd(dir.path());
    platform::Palette held;
    imaging_test::makePalette(held, pattern(1, 1), 16);
    const auto heldId = held.handleId();

    std::string record(1028, '\0');
    record[0] = 0x00, record[1] = 0x03;
    auto withCount = [&](int count) {
        std::string r = record;
        r[2] = char(count & 0xFF), r[3] = char(count >> 8);
        return r;
    };
    struct Case {
        const char* name;
        std::string bytes; // empty: no file
    } cases[] = {
        {"absent", ""},
        {"one_byte_short", withCount(256).substr(0, 1027)},
        {"count_257", withCount(257)},
        {"count_65535", withCount(65535)},
        {"count_0", withCount(0)},
    };
    platform::RecordedMessageBoxes boxes;
    for (const auto& c : cases) {
        std::filesystem::remove(dir.file("memdib.pal"));
        if (!c.bytes.empty()) dir.write("memdib.pal", c.bytes);
        Cmemdib bitmap;
        EXPECT_FALSE(bitmap.MakePalette(&held, PaletteFromFile, TRUE, nullptr, nullptr, TRUE, "c"))
            << c.name;
        EXPECT_EQ(held.handleId(), heldId) << c.name;
    }
    // A stored count below 256 is taken as read.
    dir.write("memdib.pal", withCount(200));
    Cmemdib bitmap;
    EXPECT_TRUE(bitmap.MakePalette(&held, PaletteFromFile, TRUE, nullptr, nullptr, TRUE, "c"));
    EXPECT_EQ(held.GetEntryCount(), 200u);

    // Preconditions: no image, no palette object, a 24-bit image in every mode.
    EXPECT_FALSE(bitmap.MakePalette(&held, PaletteFromBitmap, TRUE, nullptr, nullptr, TRUE, "c"));
    EXPECT_FALSE(bitmap.MakePalette(nullptr, PaletteFromFile, TRUE, nullptr, nullptr, TRUE, "c"));
    Cmemdib direct;
    loadDirectColour(direct, dir);
    for (int mode : {PaletteFromBitmap, PaletteFromFile, PaletteFromBitmapAndSave})
        EXPECT_FALSE(direct.MakePalette(&held, mode, TRUE, nullptr, nullptr, TRUE, "c")) << mode;
    EXPECT_TRUE(boxes.calls().empty());
}

TEST(MakePalette, AnUnwritableCacheFailsButKeepsTheNewPalette) {
    TempDir dir;
    imaging_test::WorkingDirectory cwd(dir.path());
    std::filesystem::create_directory(dir.file("memdib.pal"));
    Cmemdib bitmap;
    loadPattern(bitmap, dir, 3, 3);
    platform::Palette palette;
    platform::RecordedMessageBoxes boxes;
    EXPECT_FALSE(
        bitmap.MakePalette(&palette, PaletteFromBitmapAndSave, TRUE, nullptr, nullptr, TRUE, "c"));
    EXPECT_TRUE(palette.hasHandle());
    EXPECT_TRUE(boxes.calls().empty());
}

TEST(MakePalette, MemoryFailuresAreReported) {
    TempDir dir;
    Cmemdib bitmap;
    loadPattern(bitmap, dir, 3, 3);
    bitmap.name = "Pano";
    struct Case {
        imaging::MemoryFailure failure;
        const char* message;
    } cases[] = {{imaging::MemoryFailure::Allocate, "could not allocate memory for palette"},
                 {imaging::MemoryFailure::Lock, "could not lock memory for palette"}};
    for (const auto& c : cases) {
        imaging_test::MemoryFailureGuard guard(c.failure);
        platform::RecordedMessageBoxes boxes;
        platform::Palette palette;
        EXPECT_FALSE(
            bitmap.MakePalette(&palette, PaletteFromBitmap, TRUE, nullptr, nullptr, TRUE, "c"));
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{std::string("Pano\n") + c.message});
    }
}

TEST(CreateDeviceBitmap, DrawsThroughThePalette) {
    TempDir dir;
    Cmemdib bitmap;
    EXPECT_EQ(bitmap.CreateDeviceBitmap(nullptr, FALSE, nullptr, nullptr, TRUE, "c"), nullptr);
    loadPattern(bitmap, dir, 5, 3);
    const auto image = pattern(5, 3);

    auto device = bitmap.CreateDeviceBitmap(nullptr, FALSE, nullptr, nullptr, TRUE, "c");
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->width, 5);
    ASSERT_EQ(device->height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(device->pixels[std::size_t(y * 5 + x)],
                      rgbPixel(image.colours[image.at(x, y)]));

    platform::Palette empty;
    EXPECT_EQ(bitmap.CreateDeviceBitmap(&empty, FALSE, nullptr, nullptr, TRUE, "c"), nullptr);

    // On a palette display the colours become the nearest entries of the palette given.
    platform::setDisplayUsesPalette(true);
    platform::Palette grey;
    tools::IndexedImage greys = pattern(1, 1);
    for (int i = 0; i < 256; ++i)
        greys.colours[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    imaging_test::makePalette(grey, greys);
    device = bitmap.CreateDeviceBitmap(&grey, FALSE, nullptr, nullptr, TRUE, "c");
    platform::setDisplayUsesPalette(false);
    ASSERT_NE(device, nullptr);
    for (std::uint32_t pixel : device->pixels) {
        EXPECT_EQ(pixel & 0xFF, (pixel >> 8) & 0xFF);
        EXPECT_EQ(pixel & 0xFF, (pixel >> 16) & 0xFF);
    }
}

TEST(Rectangles, ClipToImageAndFlip) {
    Cmemdib empty;
    Rect r{3, 10, 7, 20};
    empty.FlipRectVertically(r);
    EXPECT_EQ(r, (Rect{3, -20, 7, -10})) << "an empty bitmap flips with height 0";

    TempDir dir;
    Cmemdib bitmap;
    loadPattern(bitmap, dir, 100, 50);
    Rect whole{0, 0, 100, 50};
    bitmap.FlipRectVertically(whole);
    EXPECT_EQ(whole, (Rect{0, 0, 100, 50}));
    Rect part{10, 0, 20, 5};
    bitmap.FlipRectVertically(part);
    EXPECT_EQ(part, (Rect{10, 45, 20, 50}));

    Rect wide{-10, 20, 200, 30};
    bitmap.ClipToImage(wide);
    EXPECT_EQ(wide, (Rect{0, 20, 100, 30}));
    EXPECT_EQ(bitmap.clip_rect, wide);
    Rect outside{150, 0, 160, 10};
    bitmap.ClipToImage(outside);
    EXPECT_EQ(outside, Rect{}) << "an empty intersection is all zeros";
    EXPECT_EQ(bitmap.clip_rect, Rect{});
}

TEST(ViewOperations, ScrollingClampsAndRepaints) {
    TempDir dir;
    Cmemdib bitmap;
    loadPattern(bitmap, dir, 1000, 400);
    bitmap.clip_rect = {100, 50, 400, 250}; // 300 x 200 shown
    bitmap.dest_rect = {10, 20, 310, 220};
    struct Case {
        int x, y;
        Point offset;
        BOOL moves;
    } cases[] = {
        {100, 50, {0, 0}, FALSE},
        {150, 60, {50, 10}, TRUE},
        {-5, 50, {-100, 0}, TRUE},
        {700, 200, {600, 150}, TRUE},
        {701, 201, {600, 150}, TRUE},
        {5000, -7, {600, -50}, TRUE},
        {INT32_MAX, INT32_MIN, {600, -50}, TRUE},
    };
    for (const auto& c : cases) {
        Point offset{99, 99};
        EXPECT_EQ(bitmap.TestScrollTo(c.x, c.y, &offset), c.moves) << c.x << "," << c.y;
        EXPECT_EQ(offset, c.offset) << c.x << "," << c.y;
    }
    Point by;
    EXPECT_TRUE(bitmap.TestScrollBy(INT32_MAX, 0, &by)) << "no overflow for huge steps";
    EXPECT_EQ(by, (Point{600, 0}));

    imaging_test::RecordingWindows windows;
    bitmap.ScrollTo(100, 50, imaging_test::fakeWindow());
    EXPECT_TRUE(windows.events.empty()) << "no move, no repaint";
    Point offset;
    bitmap.ScrollTo(120, 70, nullptr, &offset);
    EXPECT_EQ(offset, (Point{20, 20}));
    EXPECT_TRUE(windows.events.empty()) << "no window, no repaint";
    bitmap.ScrollBy(10, 0, imaging_test::fakeWindow());
    EXPECT_EQ(bitmap.clip_rect, (Rect{130, 70, 430, 270}));
    ASSERT_EQ(windows.events.size(), 1u);
    EXPECT_EQ(windows.events[0].what, "invalidate");
    EXPECT_EQ(windows.events[0].rect, bitmap.dest_rect);
    EXPECT_FALSE(windows.events[0].erase);

    windows.events.clear();
    bitmap.ScrollWindowBy(-500, 5, imaging_test::fakeWindow());
    EXPECT_EQ(bitmap.clip_rect, (Rect{0, 75, 300, 275}));
    ASSERT_EQ(windows.events.size(), 2u);
    EXPECT_EQ(windows.events[0].what, "scroll");
    EXPECT_EQ(windows.events[0].dx, 130) << "the pixels move opposite to the view";
    EXPECT_EQ(windows.events[0].dy, -5);
    EXPECT_EQ(windows.events[0].rect, bitmap.dest_rect);
    EXPECT_EQ(windows.events[1].what, "update");

    windows.events.clear();
    bitmap.ScrollWindowBy(10, 10, nullptr);
    EXPECT_EQ(bitmap.clip_rect, (Rect{0, 75, 300, 275})) << "no window: nothing moves";
}

TEST(ViewOperations, CoordinateMapping) {
    Cmemdib bitmap;
    bitmap.clip_rect = {100, 50, 400, 250};
    bitmap.dest_rect = {10, 20, 310, 220};
    for (const Point p : {Point{10, 20}, Point{309, 219}, Point{150, 100}}) {
        const Point image = bitmap.WindowToImage(p.x, p.y);
        EXPECT_EQ(image, (Point{p.x + 90, p.y + 30}));
        EXPECT_EQ(bitmap.ImageToWindow(image.x, image.y), p);
    }
    EXPECT_EQ(bitmap.ImageRectToWindow(Rect{100, 50, 110, 60}), (Rect{10, 20, 20, 30}));

    // Scaled: the source is half the destination's size.
    bitmap.clip_rect = {0, 0, 50, 40};
    bitmap.dest_rect = {10, 10, 110, 90};
    EXPECT_EQ(bitmap.WindowToImage(10, 10), (Point{0, 0}));
    EXPECT_EQ(bitmap.WindowToImage(15, 13), (Point{2, 1})) << "truncated toward zero";
    EXPECT_EQ(bitmap.WindowToImage(5, 5), (Point{-2, -2})) << "truncated toward zero, not down";
    EXPECT_EQ(bitmap.ImageToWindow(3, 3), (Point{16, 16}));
    bitmap.dest_rect = {10, 10, 10, 10};
    EXPECT_EQ(bitmap.WindowToImage(50, 50), (Point{0, 0})) << "no destination: no division";
}

TEST(Draw, AClipDrawsExactlyTheUpdateRegionOneToOne) {
    TempDir dir;
    Cmemdib bitmap;
    loadPattern(bitmap, dir, 40, 30);
    const auto image = pattern(40, 30);
    bitmap.clip_rect = {10, 5, 30, 25};
    bitmap.dest_rect = {3, 4, 23, 24};
    constexpr std::uint32_t kMarker = 0x123456;
    struct Case {
        const char* label;
        Rect clip;
    } cases[] = {{"inside", {8, 10, 15, 19}},
                 {"over an edge", {0, 0, 12, 8}},
                 {"whole window", {0, 0, 64, 48}},
                 {"one pixel", {22, 23, 23, 24}}};
    for (const auto& c : cases) {
        platform::BitmapDeviceContext dc(64, 48, RGB(0x12, 0x34, 0x56));
        platform::Palette palette;
        ASSERT_TRUE(bitmap.Draw(&dc, &palette, &c.clip)) << c.label;
        const Rect drawn = bitmap.dest_rect.intersect(c.clip);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const std::uint32_t expected =
                    drawn.contains({x, y})
                        ? rgbPixel(image.colours[image.at(x - 3 + 10, y - 4 + 5)])
                        : kMarker;
                ASSERT_EQ(dc.pixel(x, y), expected) << c.label << " at " << x << "," << y;
            }
        EXPECT_EQ(dc.selectedPalette(), platform::defaultPalette())
            << "the previous palette is selected back";
    }
}

TEST(Draw, ExplicitRectanglesScaleAndEmptyOnesDrawNothing) {
    TempDir dir;
    Cmemdib bitmap;
    platform::BitmapDeviceContext dc(20, 20, RGB(1, 2, 3));
    EXPECT_TRUE(bitmap.Draw(&dc, nullptr)) << "never loaded: empty rectangles draw nothing";
    loadPattern(bitmap, dir, 8, 6);
    bitmap.Reset();
    EXPECT_FALSE(bitmap.Draw(&dc, nullptr)) << "reset: the rectangles remain but no rows";
    EXPECT_EQ(dc.pixel(0, 0), 0x010203u);
    loadPattern(bitmap, dir, 8, 6);
    const auto image = pattern(8, 6);

    const Rect dest{2, 2, 18, 14};
    const Rect src{0, 0, 8, 6};
    ASSERT_TRUE(bitmap.Draw(&dc, nullptr, nullptr, &dest, &src));
    for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 18; ++x)
            ASSERT_EQ(dc.pixel(x, y), rgbPixel(image.colours[image.at((x - 2) / 2, (y - 2) / 2)]))
                << x << "," << y;
    EXPECT_EQ(dc.pixel(1, 1), 0x010203u);

    platform::BitmapDeviceContext untouched(20, 20, RGB(1, 2, 3));
    const Rect emptyDest{5, 5, 5, 9};
    const Rect outside{100, 100, 120, 120};
    const Rect missClip{50, 50, 60, 60};
    EXPECT_TRUE(bitmap.Draw(&untouched, nullptr, nullptr, &emptyDest));
    EXPECT_TRUE(bitmap.Draw(&untouched, nullptr, nullptr, nullptr, &outside));
    EXPECT_TRUE(bitmap.Draw(&untouched, nullptr, &missClip))
        << "an update region that misses the image is no failure";
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(untouched.pixel(x, y), 0x010203u);
}
