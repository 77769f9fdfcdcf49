// The command bar's button faces: the committed files are what the generator makes, every face
// is an 8-bit bitmap resource of its button's size, and the pressed and disabled faces look it.
#include "tools/resource_art_buttons.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "imaging/cmemdib.h"
#include "platform/core/resources.h"
#include "platform/qt/test_support.h"
#include "resources/command_bar_resources.h"

namespace {

using platform::test::GuiTest;

struct FaceSize {
    const char* name;
    int width;
};
// Every face the bar loads, with its width; all are 26 pixels high.
const FaceSize kFaces[] = {
    {"IDB_LOCATORU", 30},   {"IDB_LOCATORD", 30},   {"IDB_FEATURESU", 155}, {"IDB_FEATURESD", 155},
    {"IDB_PRINTMAPU", 92},  {"IDB_PRINTMAPD", 92},  {"IDB_PRINTMAPX", 92},  {"IDB_PRINTTEXTU", 92},
    {"IDB_PRINTTEXTD", 92}, {"IDB_PRINTTEXTX", 92}, {"IDB_CLOSECMDU", 92},  {"IDB_CLOSECMDD", 92},
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int brightness(const std::array<std::uint8_t, 3>& c) {
    return (c[0] * 30 + c[1] * 59 + c[2] * 11) / 100;
}

using ButtonFacesTest = GuiTest;

TEST_F(ButtonFacesTest, TheGeneratorMakesEveryFaceAtItsSizeAndTheCommittedBytes) {
    const std::vector<tools::ButtonFace> faces = tools::makeButtonFaces();
    ASSERT_EQ(faces.size(), std::size(kFaces));
    for (std::size_t i = 0; i < faces.size(); ++i) {
        SCOPED_TRACE(kFaces[i].name);
        EXPECT_EQ(faces[i].name, kFaces[i].name);
        EXPECT_EQ(faces[i].image.width, kFaces[i].width);
        EXPECT_EQ(faces[i].image.height, 26);
        const std::string bytes = tools::makeBitmapResource(faces[i].image);
        // Remake with make_resources src/resources when the art changes.
        EXPECT_TRUE(bytes == readFile(std::string(PANORAMA_SOURCE_DIR) + "/src/resources/bitmaps/" +
                                      kFaces[i].name + ".dib"))
            << "the committed face differs from the generator's";
    }
    // The same bytes on every run.
    const std::vector<tools::ButtonFace> again = tools::makeButtonFaces();
    for (std::size_t i = 0; i < faces.size(); ++i)
        EXPECT_TRUE(again[i].image.pixels == faces[i].image.pixels) << kFaces[i].name;
}

TEST_F(ButtonFacesTest, TheEmbeddedFacesLoadAsEightBitBitmapResources) {
    resources::registerCommandBarResources();
    for (const FaceSize& face : kFaces) {
        SCOPED_TRACE(face.name);
        Cmemdib dib;
        ASSERT_TRUE(
            dib.LoadBitmapResource(face.name, face.name, FALSE, nullptr, nullptr, TRUE, ""));
        EXPECT_EQ(dib.width(), face.width);
        EXPECT_EQ(dib.height(), 26);
        EXPECT_EQ(dib.bitCount(), 8);
        EXPECT_TRUE(dib.external) << "used in place";
    }
}

TEST_F(ButtonFacesTest, PressedFacesDifferAndDisabledFacesAreGreyWithALabel) {
    const std::vector<tools::ButtonFace> faces = tools::makeButtonFaces();
    const auto& palette = tools::buttonFacePalette();
    auto find = [&](const std::string& name) -> const tools::IndexedImage& {
        for (const tools::ButtonFace& face : faces)
            if (face.name == name) return face.image;
        ADD_FAILURE() << name;
        return faces.front().image;
    };
    for (const char* button :
         {"IDB_LOCATOR", "IDB_FEATURES", "IDB_PRINTMAP", "IDB_PRINTTEXT", "IDB_CLOSECMD"}) {
        SCOPED_TRACE(button);
        const tools::IndexedImage& up = find(std::string(button) + "U");
        const tools::IndexedImage& down = find(std::string(button) + "D");
        int changed = 0;
        for (std::size_t i = 0; i < up.pixels.size(); ++i)
            changed += up.pixels[i] != down.pixels[i];
        EXPECT_GT(changed, int(up.pixels.size()) / 4) << "the pressed face looks pressed";
        // Dark ink (label or glyph) on a light face.
        int ink = 0;
        for (std::uint8_t index : up.pixels)
            ink += brightness(palette[index]) < 90;
        EXPECT_GT(ink, 40);
    }
    for (const char* name : {"IDB_PRINTMAPX", "IDB_PRINTTEXTX"}) {
        SCOPED_TRACE(name);
        const tools::IndexedImage& disabled = find(name);
        std::set<int> shades;
        for (int y = 4; y < 22; ++y)
            for (int x = 3; x < disabled.width - 3; ++x) {
                const auto& c = palette[disabled.at(x, y)];
                EXPECT_LE(std::abs(int(c[0]) - int(c[2])), 16) << x << "," << y << " is grey";
                shades.insert(brightness(c) / 16);
            }
        EXPECT_GE(shades.size(), 3u) << "a label is drawn on the grey face";
    }
}

TEST_F(ButtonFacesTest, NearestIndexPicksTheClosestPaletteColour) {
    const auto& palette = tools::buttonFacePalette();
    for (int i : {0, 1, 40, 80, 130, 170, 180, 200, 255}) {
        const auto& c = palette[std::size_t(i)];
        const std::uint8_t found = tools::nearestButtonFaceIndex(c[0], c[1], c[2]);
        EXPECT_EQ(palette[found], c) << i;
    }
    // The bar's own colour is in the palette, so the faces' corners match the bar.
    const auto bar = palette[tools::nearestButtonFaceIndex(238, 232, 180)];
    EXPECT_EQ(bar, (std::array<std::uint8_t, 3>{238, 232, 180}));
}

} // namespace
