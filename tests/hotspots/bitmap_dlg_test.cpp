// The bitmap window CBitmapDlg and the panorama window's locator map: size and place for small and
// large pictures, with and without a parent, the picture on the screen, the results of a click
// and of Escape, and the messages when the picture cannot be read.
#include "hotspots/bitmap_dlg.h"

#include <cstdlib>

#include "hotspot_fixtures.h"
#include "platform/core/system_metrics.h"
#include "tools/jpeg_writer.h"

using namespace hotspot_test;

namespace {

// A picture whose left half is dark red and right half light blue, with a green square in its
// bottom-right corner.
void writePicture(const std::string& path, int width, int height) {
    tools::RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(std::size_t(width) * std::size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.at(x, y);
            const bool corner = x >= width - 16 && y >= height - 16;
            const bool left = x < width / 2;
            p[0] = corner ? 40 : left ? 160 : 60;
            p[1] = corner ? 200 : left ? 30 : 140;
            p[2] = corner ? 40 : left ? 30 : 230;
        }
    ASSERT_TRUE(tools::writeJpeg(path, image, tools::JpegOptions{95, false}));
}

bool near(unsigned pixel, int r, int g, int b) {
    return std::abs(int(pixel >> 16 & 0xFF) - r) < 12 &&
           std::abs(int(pixel >> 8 & 0xFF) - g) < 12 && std::abs(int(pixel & 0xFF) - b) < 12;
}

class BitmapDlgTest : public HotspotTest {
protected:
    void SetUp() override {
        HotspotTest::SetUp();
        ASSERT_TRUE(parent.CreateEx(0, nullptr, "Skyvista: Test Overlook", WS_POPUP | WS_VISIBLE,
                                    Rect{0, 0, 1024, 768}, nullptr));
        // Photographs in their own colours, as on a true-colour display.
        Cmemdib::SetDisplayDepth(24);
        // The shared palette: the test panorama's colour table.
        const tools::IndexedImage colours = panoramaImage(1, 1);
        std::vector<BYTE> record(4 + 4 * 256);
        auto* log = reinterpret_cast<LOGPALETTE*>(record.data());
        log->palVersion = 0x0300;
        log->palNumEntries = 256;
        for (std::size_t i = 0; i < 256; ++i)
            log->palPalEntry[i] = PALETTEENTRY{colours.colours[i][0], colours.colours[i][1],
                                               colours.colours[i][2], 0};
        ASSERT_TRUE(palette.CreatePalette(log));
    }
    platform::Window parent;
    platform::Palette palette;
};

} // namespace

// The window is the picture's size plus frame and caption, at most the parent's client area (the
// screen without a parent), centred on the given point; the picture button fills the client area
// and shows the picture's top-left part.
TEST_F(BitmapDlgTest, SizeAndPlaceForSmallAndLargePictures) {
    const int fx = GetSystemMetrics(SM_CXDLGFRAME), fy = GetSystemMetrics(SM_CYDLGFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    struct Case {
        const char* label;
        int width, height;
        Point centre;
        bool withParent;
        Size client;
    } cases[] = {
        {"small", 300, 200, {512, 384}, true, {300, 200}},
        {"odd sizes, off centre", 301, 201, {100, 120}, true, {301, 201}},
        {"wider and taller than the parent",
         1200,
         900,
         {512, 384},
         true,
         {1024 - 2 * fx, 768 - caption - 2 * fy}},
        {"taller only", 400, 900, {512, 384}, true, {400, 768 - caption - 2 * fy}},
        {"no parent: the screen",
         1000,
         700,
         {400, 300},
         false,
         {800 - 2 * fx, 600 - caption - 2 * fy}},
    };
    for (const Case& c : cases) {
        platform::test::setScreenSize(c.withParent ? 1024 : 800, c.withParent ? 768 : 600);
        const std::string path = data.file("MAP.JPG");
        writePicture(path, c.width, c.height);
        CBitmapDlg dialog(path, &palette, "Skyvista Locator Map", c.centre.x, c.centre.y, TRUE,
                          c.withParent ? &parent : nullptr);
        Rect window, client, button;
        unsigned leftColour = 0, rightColour = 0;
        platform::test::whenModal([&](platform::Window& w) {
            w.GetWindowRect(&window);
            w.GetClientRect(&client);
            dialog.pictureButton().GetWindowRect(&button);
            w.ScreenToClient(&button);
            const QImage image = platform::test::grabClient(w);
            leftColour = platform::test::pixelAt(image, 5, 5);
            rightColour = platform::test::pixelAt(image, client.right - 3, client.bottom - 3);
            w.SendMessage(WM_KEYDOWN, VK_ESCAPE);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL) << c.label;
        EXPECT_TRUE(boxes->calls().empty()) << c.label << ": " << boxes->calls()[0].text;
        EXPECT_EQ(client, (Rect{0, 0, c.client.cx, c.client.cy})) << c.label;
        EXPECT_EQ(button, client) << c.label;
        EXPECT_EQ(window.width(), c.client.cx + 2 * fx) << c.label;
        EXPECT_EQ(window.height(), c.client.cy + caption + 2 * fy) << c.label;
        EXPECT_EQ((window.left + window.right) / 2, c.centre.x) << c.label;
        EXPECT_EQ((window.top + window.bottom) / 2, c.centre.y) << c.label;
        EXPECT_FALSE(dialog.exists()) << c.label;
        EXPECT_TRUE(near(leftColour, 160, 30, 30)) << c.label << std::hex << leftColour;
        // The window's bottom-right corner shows the picture's only when all of it fits.
        const bool whole = c.client.cx == c.width && c.client.cy == c.height;
        EXPECT_EQ(near(rightColour, 40, 200, 40), whole) << c.label << std::hex << rightColour;
    }
}

// A click on the picture closes with 1 when the window closes on clicks; Escape closes with the
// cancel result.
TEST_F(BitmapDlgTest, ResultsOfAClickAndOfEscape) {
    const std::string path = data.file("MAP.JPG");
    writePicture(path, 200, 100);
    struct Case {
        const char* label;
        BOOL closeOnClick;
        bool clickFirst;
        INT_PTR result;
    } cases[] = {
        {"click", TRUE, true, CBitmapDlg::kClosedByClick},
        {"Escape", TRUE, false, IDCANCEL},
        {"click on a window that stays", FALSE, true, IDCANCEL},
    };
    for (const Case& c : cases) {
        CBitmapDlg dialog(path, &palette, "Map", 512, 384, c.closeOnClick, &parent);
        platform::test::whenModal([&](platform::Window& w) {
            if (c.clickFirst)
                QTest::mouseClick(platform::test::clientWidget(dialog.pictureButton()),
                                  Qt::LeftButton, {}, QPoint(50, 50));
            if (w.inModalLoop()) w.SendMessage(WM_KEYDOWN, VK_ESCAPE);
        });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.label;
    }
}

// A picture that cannot be read: the reader's own messages under the parent's title, then the
// window's own under its title, all owned by the parent; the window is never shown and answers 2.
TEST_F(BitmapDlgTest, MessagesWhenThePictureCannotBeRead) {
    const std::string cdrom =
        "Could not read bitmap image;\nperhaps try again after inserting CD-ROM.";
    struct Case {
        const char* label;
        std::string bytes; // empty: no file
    } cases[] = {
        {"missing file", ""},
        {"not a JPEG", "garbage that is not a picture"},
        {"cut short", tools::encodeJpeg([] {
                          tools::RgbImage image;
                          image.width = image.height = 64;
                          image.pixels.assign(64 * 64 * 3, 99);
                          return image;
                      }())
                          .substr(0, 300)},
    };
    for (const Case& c : cases) {
        const std::string path = data.file("SHOWN.JPG");
        std::filesystem::remove(path);
        if (!c.bytes.empty()) data.write("SHOWN.JPG", c.bytes);
        boxes->clear();
        CBitmapDlg dialog(path, &palette, "Map Title", 512, 384, TRUE, &parent);
        bool shown = false;
        platform::test::whenModal([&](platform::Window& w) {
            shown = true;
            w.SendMessage(WM_KEYDOWN, VK_ESCAPE);
        });
        EXPECT_EQ(dialog.DoModal(), CBitmapDlg::kInitFailed) << c.label;
        platform::test::whenModal(nullptr);
        EXPECT_FALSE(shown) << c.label;
        const auto& calls = boxes->calls();
        ASSERT_GE(calls.size(), 2u) << c.label;
        for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
            EXPECT_EQ(calls[i].text.substr(0, 10), "Map Title\n") << c.label << calls[i].text;
            EXPECT_EQ(calls[i].caption, "Skyvista: Test Overlook") << c.label;
            EXPECT_EQ(calls[i].owner, parent.GetSafeHwnd()) << c.label;
        }
        const auto& own = calls.back();
        EXPECT_EQ(own.text, cdrom) << c.label;
        EXPECT_EQ(own.caption, "Map Title") << c.label;
        EXPECT_EQ(own.owner, parent.GetSafeHwnd()) << c.label;
        EXPECT_EQ(own.type, UINT(MB_ICONEXCLAMATION)) << c.label;
    }
}

// Command 1006 of the panorama window: the picture is the panorama code's "I.JPG" in the image
// folder (one backslash added, even after one that is there), the title string 107, the centre
// of the panorama window; the window is the panorama window's locator window while it runs.
TEST_F(BitmapDlgTest, LocatorMapOfThePanoramaWindow) {
    writeData({}, {{"10000", "00", "Overlook"}});
    writePicture(data.file("TEST01I.JPG"), 320, 240);
    for (const std::string& folder : {data.str(), data.str() + "\\"}) {
        boxes->clear();
        CPanDlg dialog("TEST01", folder, data.str());
        ASSERT_TRUE(dialog.Create(IDD_PANORAMA_DIALOG, nullptr));
        Rect panorama;
        dialog.GetWindowRect(&panorama);
        std::string path, title;
        Rect window;
        bool current = false;
        platform::test::whenModal([&](platform::Window& w) {
            current = dialog.locatorWindow() == &w;
            path = dialog.locatorWindow()->imagePath();
            title = w.GetWindowText();
            w.GetWindowRect(&window);
            QTest::mouseClick(platform::test::clientWidget(dialog.locatorWindow()->pictureButton()),
                              Qt::LeftButton, {}, QPoint(20, 20));
        });
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_LOCATOR, 0));
        EXPECT_TRUE(current);
        EXPECT_EQ(path, folder + "\\TEST01I.JPG");
        EXPECT_EQ(title, "Skyvista Locator Map");
        EXPECT_EQ(window.width(), 320 + 2 * GetSystemMetrics(SM_CXDLGFRAME));
        EXPECT_EQ((window.left + window.right) / 2, (panorama.left + panorama.right) / 2);
        EXPECT_EQ((window.top + window.bottom) / 2, (panorama.top + panorama.bottom) / 2);
        EXPECT_EQ(dialog.locatorWindow(), nullptr);
        EXPECT_TRUE(boxes->calls().empty()) << boxes->calls()[0].text;
    }

    // Without the picture: both messages, with the locator's title, and the window runs on.
    std::filesystem::remove(data.file("TEST01I.JPG"));
    boxes->clear();
    CPanDlg dialog("TEST01", data.str(), data.str());
    ASSERT_TRUE(dialog.Create(IDD_PANORAMA_DIALOG, nullptr));
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_LOCATOR, 0));
    ASSERT_EQ(boxes->calls().size(), 2u);
    EXPECT_EQ(boxes->calls()[0].caption, "Skyvista: Test Overlook");
    EXPECT_EQ(boxes->calls()[1].caption, "Skyvista Locator Map");
    EXPECT_EQ(boxes->calls()[1].owner, dialog.GetSafeHwnd());
    EXPECT_TRUE(dialog.exists());
    EXPECT_EQ(dialog.locatorWindow(), nullptr);
}

// The window puts the shared palette back when it gains the palette focus (answering whether that
// changed anything) and when another window changed the system palette, not when it did itself.
TEST_F(BitmapDlgTest, PaletteMessages) {
    platform::setDisplayUsesPalette(true);
    const std::string path = data.file("MAP.JPG");
    writePicture(path, 200, 100);
    std::vector<char> record(4 + 256 * 4);
    auto* grey = reinterpret_cast<LOGPALETTE*>(record.data());
    grey->palVersion = 0x300;
    grey->palNumEntries = 256;
    std::fill(grey->palPalEntry, grey->palPalEntry + 256, PALETTEENTRY{90, 90, 90, 0});
    platform::Palette other;
    ASSERT_TRUE(other.CreatePalette(grey));
    const auto ours = [&] {
        return platform::SystemPalette::entries()[10].peGreen == palette.entries()[10].peGreen;
    };

    CBitmapDlg dialog(path, &palette, "Map", 512, 384, TRUE, &parent);
    std::vector<std::pair<LRESULT, bool>> results;
    platform::test::whenModal([&](platform::Window& w) {
        const auto query = [&] {
            const LRESULT result = w.SendMessage(WM_QUERYNEWPALETTE);
            results.emplace_back(result, ours());
        };
        platform::SystemPalette::realize(other, false);
        query();
        query();
        platform::SystemPalette::realize(other, false);
        w.SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(w.GetSafeHwnd()));
        results.emplace_back(0, ours());
        w.SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(parent.GetSafeHwnd()));
        results.emplace_back(0, ours());
        w.SendMessage(WM_KEYDOWN, VK_ESCAPE);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    const std::vector<std::pair<LRESULT, bool>> expected = {
        {TRUE, true}, {FALSE, true}, {0, false}, {0, true}};
    EXPECT_EQ(results, expected);
}
