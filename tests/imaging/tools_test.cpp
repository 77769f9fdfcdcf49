// The tools built on the imaging library: pantool's image and palette commands, and the demo
// panorama, whose hotspot rectangles must show the features they name.
#include "imaging/cmemdib.h"

#include "imaging_fixtures.h"
#include "platform/core/message_box.h"
#include "tests/support/temp_dir.h"
#include "tools/demo_images.h"
#include "tools/demo_layout.h"
#include "tools/pantool_image.h"

#include <cstring>

#include <gtest/gtest.h>

using testing_support::TempDir;

TEST(PantoolImage, ReportsConvertsAndFails) {
    TempDir dir;
    imaging_test::WorkingDirectory cwd(dir.path());
    const auto image = imaging_test::pattern(7, 5);
    ASSERT_TRUE(tools::writeFile(dir.file("PANO.GZ"), tools::makeBmp(image), true));
    ASSERT_TRUE(tools::writeJpeg(dir.file("photo.jpg"), imaging_test::photo(9, 4)));
    platform::RecordedMessageBoxes boxes;

    // The palette file equals the one MakePalette saves.
    EXPECT_EQ(pantool::runPalette({"PANO.GZ", "--out", "copy.pal"}), 0);
    Cmemdib bitmap;
    ASSERT_TRUE(bitmap.ReadImageFile("PANO.GZ", "p", FALSE, nullptr, nullptr, TRUE, "c"));
    platform::Palette palette;
    ASSERT_TRUE(
        bitmap.MakePalette(&palette, PaletteFromBitmapAndSave, FALSE, nullptr, nullptr, TRUE, "c"));
    EXPECT_EQ(testing_support::readFile(dir.file("copy.pal")),
              testing_support::readFile(dir.file("memdib.pal")));

    // The BMP written from the block reads back to the same block.
    EXPECT_EQ(pantool::runImage({"PANO.GZ", "--out", "out.bmp"}), 0);
    Cmemdib again;
    ASSERT_TRUE(again.ReadImageFile("out.bmp", "p", FALSE, nullptr, nullptr, TRUE, "c"));
    ASSERT_EQ(again.blockSize(), bitmap.blockSize());
    EXPECT_EQ(std::memcmp(again.dib, bitmap.dib, bitmap.blockSize()), 0);

    EXPECT_EQ(pantool::runImage(
                  {"photo.jpg", "--depth", "24", "--palette", "memdib.pal", "--out", "photo.bmp"}),
              0);
    EXPECT_EQ(testing_support::readFile(dir.file("photo.bmp")).size(), 14u + 40u + 28u * 4u);
    EXPECT_TRUE(boxes.calls().empty());

    // A failed read shows the reader's message and fails; bad arguments are usage errors.
    EXPECT_EQ(pantool::runImage({"photo.jpg"}), 1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{
                                 "photo.jpg\nattempt to read JPEG file without providing palette"});
    EXPECT_EQ(pantool::runImage({"photo.jpg", "--depth", "16"}), 2);
    EXPECT_EQ(pantool::runImage({"photo.jpg", "--palette", "PANO.GZ"}), 1);
    EXPECT_EQ(pantool::runPalette({"photo.jpg"}), 2);
}

TEST(DemoImages, HotspotsShowTheirFeatures) {
    // Half size keeps the test quick; the features scale with the picture.
    const int w = demo::kPanoramaWidth / 2, h = demo::kPanoramaHeight / 2;
    const tools::RgbImage rgb = demo::renderPanorama(w, h);
    auto colourAt = [&](int designX, int designY) {
        const std::uint8_t* p =
            rgb.pixels.data() + (std::size_t(designY / 2) * std::size_t(w) + designX / 2) * 3;
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    auto centreOf = [&](const char* name) {
        for (const auto& spot : demo::kHotspots)
            if (std::string(spot.name) == name)
                return std::pair<int, int>{spot.x + spot.width / 2, spot.y + spot.height / 2};
        ADD_FAILURE() << name;
        return std::pair<int, int>{0, 0};
    };
    const auto lake = centreOf("Lake Mirrowen");
    auto c = colourAt(lake.first, lake.second);
    EXPECT_GT(c[2], c[0] + 30) << "the lake is blue";
    const auto forest = centreOf("Wrenfield Forest");
    c = colourAt(forest.first, forest.second + 40);
    EXPECT_GT(c[1], c[0]) << "the forest is green";
    EXPECT_LT(c[1], 130) << "and dark";
    c = colourAt(5700, 300); // the glacier's tongue
    EXPECT_GT(c[0] + c[1] + c[2], 3 * 170) << "the glacier is pale";
    c = colourAt(3840, 420); // the falls
    EXPECT_GT(c[0] + c[1] + c[2], 3 * 200) << "the waterfall is white";
    c = colourAt(4000, 40);
    EXPECT_GT(c[2], c[0] + 40) << "the sky is blue";
    c = colourAt(830, 175);
    EXPECT_GT(c[0] + c[1] + c[2], 3 * 180) << "Greyhollow's summit is snow";

    // The 8-bit panorama is deterministic and uses its own palette.
    const tools::IndexedImage a = demo::makePanorama(400, 55);
    const tools::IndexedImage b = demo::makePanorama(400, 55);
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_EQ(a.colours, b.colours);
}
