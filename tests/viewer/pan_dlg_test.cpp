// The panorama window: loading and its failures (with the table layer's and the image reader's
// boxes before the window's own), the geometry on several screens, the system menu and caption,
// painting, keyboard and wheel scrolling, edge scrolling, the About box and the settings file.
#include <QImage>
#include <QTest>

#include "platform/core/palette.h"
#include "platform/core/profile.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/menu.h"
#include "platform/qt/resources.h"
#include "printing/print_job.h"
#include "viewer_fixtures.h"

using namespace viewer_test;
using platform::MessageBoxCall;

namespace {

class PanDlgTest : public ViewerTest {};

} // namespace

// Every loading failure: the boxes in order, creation fails, and the settings are still written.
// A table-layer error stays in the context, so closing it reports the database as not closed.
TEST_F(PanDlgTest, LoadingFailuresShowTheirMessagesInOrder) {
    const std::string cdrom = "Could not read skyvista;\nperhaps try again after inserting CD-ROM.";
    struct Case {
        const char* label;
        std::function<void(ViewerTest&, const std::filesystem::path&)> prepare;
        std::vector<ExpectedBox> boxes;
    };
    const std::vector<Case> cases = {
        {"no panorama table",
         [](ViewerTest&, const std::filesystem::path&) {},
         {{"Error #:   -64", "TABLE LAYER ERROR"},
          {"Could not open panorama table", "panorama"},
          {"Could not properly close database", "Skyvista"}}},
        {"no record for the code",
         [](ViewerTest&, const std::filesystem::path& dir) {
             ParkRecord other;
             other.code = "OTHER1";
             writeParkTable(dir, {other});
         },
         {{"Could not read panorama info from table", "panorama"}}},
        {"table without a PARKNAME field",
         [](ViewerTest&, const std::filesystem::path& dir) {
             auto fields = parkFields();
             fields[1].name = "SITENAME";
             writeParkTable(dir, {ParkRecord{}}, fields);
         },
         {{"Error #:  -210", "TABLE LAYER ERROR"},
          {"Could not read panorama info from table", "panorama"},
          {"Could not properly close database", "Skyvista"}}},
        {"image missing from both folders",
         [](ViewerTest&, const std::filesystem::path& dir) { writeParkTable(dir, {ParkRecord{}}); },
         {{"Skyvista\ncould not open image file to read", kTitle}, {cdrom, kTitle}}},
        {"image damaged",
         [](ViewerTest&, const std::filesystem::path& dir) {
             writeParkTable(dir, {ParkRecord{}});
             std::string bytes = tools::makeBmp(panoramaImage(300, 200));
             bytes.resize(1500);
             tools::writeFile((dir / "TEST01.GZ").string(), bytes, true);
         },
         {{"Skyvista\ncould not read image", kTitle}, {cdrom, kTitle}}},
        {"palette file cannot be written",
         [](ViewerTest&, const std::filesystem::path& dir) {
             writeParkTable(dir, {ParkRecord{}});
             writePanorama((dir / "TEST01.GZ").string(), 300, 200);
             std::filesystem::create_directory(dir / "work" / "memdib.pal");
         },
         {{"Could not create panorama palette", kTitle}}},
    };
    for (const Case& c : cases) {
        testing_support::TempDir dir;
        std::filesystem::create_directories(dir.path() / "work");
        std::filesystem::current_path(dir.path() / "work");
        c.prepare(*this, dir.path());
        boxes->clear();
        std::filesystem::remove(settingsPath());
        {
            CPanDlg dialog("TEST01", dir.str(), dir.str());
            EXPECT_FALSE(dialog.Create(IDD_PANORAMA_DIALOG, nullptr)) << c.label;
            EXPECT_FALSE(dialog.exists()) << c.label;
        }
        expectBoxes(boxes->calls(), c.boxes, c.label);
        for (const MessageBoxCall& box : boxes->calls())
            EXPECT_EQ(box.type & MB_ICONMASK,
                      box.caption == "TABLE LAYER ERROR" ? MB_ICONSTOP : MB_ICONEXCLAMATION)
                << c.label;
        EXPECT_NE(testing_support::readFile(settingsPath()).find("use_standard_scroll=1"),
                  std::string::npos)
            << c.label;
        std::filesystem::current_path(data.path() / "work");
    }
}

TEST_F(PanDlgTest, WithoutAnApplicationObjectLoadingFails) {
    writeViewpoint(300, 200);
    app.reset();
    CPanDlg dialog("TEST01", data.str(), data.str());
    EXPECT_FALSE(dialog.Create(IDD_PANORAMA_DIALOG, nullptr));
    expectBoxes(boxes->calls(), {{"Could not get application pointer", "Skyvistas"}}, "no app");
}

// The record's texts, the title, the image folder fallback and the palette file.
TEST_F(PanDlgTest, LoadsTheViewpointRecordAndTheImage) {
    ParkRecord record;
    record.name = "Test Overlook   ";
    record.numHotspot = "12";
    record.copyright = "(c) 1999 Test Works   ";
    record.link = "10000";
    writeParkTable(data.path(), {record});
    // Only the table folder holds the image; the image folder has a directory of its name.
    std::filesystem::create_directories(data.path() / "images" / "TEST01.GZ");
    writePanorama(data.file("TEST01.GZ"), 640, 400);
    CPanDlg dialog("TEST01", data.file("images"), data.str());
    ASSERT_TRUE(dialog.Create(IDD_PANORAMA_DIALOG, nullptr));
    EXPECT_TRUE(boxes->calls().empty()) << boxes->calls()[0].text;
    EXPECT_EQ(dialog.title(), kTitle);
    EXPECT_EQ(dialog.GetWindowText(), kTitle);
    EXPECT_EQ(dialog.viewpointName(), "Test Overlook");
    EXPECT_EQ(dialog.copyrightText(), "(c) 1999 Test Works");
    EXPECT_EQ(dialog.linkText(), "10000     ");
    EXPECT_EQ(dialog.hotspotCount(), 12);
    EXPECT_EQ(dialog.imagePath(), data.str() + "\\TEST01.GZ");
    EXPECT_EQ(dialog.panorama().width(), 640);
    EXPECT_TRUE(dialog.palette().hasHandle());
    EXPECT_EQ(dialog.commandBar().barText(), "\xA9 1999 Test Works");
    // The palette was made from the panorama and written for the next run.
    const std::string file = testing_support::readFile(data.file("work/memdib.pal"));
    ASSERT_EQ(file.size(), 4u + 256 * 4);
    EXPECT_EQ(std::uint8_t(file[4 + 10 * 4]), 10); // entry 10 is (10, 245, 70)
    EXPECT_EQ(std::uint8_t(file[4 + 10 * 4 + 1]), 245);
    ASSERT_NE(dialog.printJob(), nullptr);
    EXPECT_EQ(dialog.printJob()->owner, &dialog);
    EXPECT_TRUE(dialog.printJob()->offer_size);
    EXPECT_EQ(dialog.printJob()->quality, -4);
    EXPECT_EQ(dialog.printJob()->doc_started, -1);
}

TEST_F(PanDlgTest, RecordEdgeCases) {
    struct Case {
        const char* name;
        const char* numHotspot;
        const char* title;
        int hotspots;
    } cases[] = {
        {"", "7", "Skyvista: ", 7},
        {"Ridge", "abc", "Skyvista: Ridge", 0},
    };
    for (const Case& c : cases) {
        ParkRecord record;
        record.name = c.name;
        record.numHotspot = c.numHotspot;
        writeViewpoint(200, 100, record);
        auto dialog = open();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->title(), c.title);
        EXPECT_EQ(dialog->hotspotCount(), c.hotspots);
    }
}

// A palette file in the working directory decides the palette, whatever the panorama's table.
TEST_F(PanDlgTest, APaletteFileDecidesThePalette) {
    std::string record(4 + 256 * 4, '\0');
    record[0] = 0x00;
    record[1] = 0x03;
    record[2] = 0x00;
    record[3] = 0x01;
    for (int i = 0; i < 256; ++i)
        record[std::size_t(4 + i * 4)] = char(200); // every entry red 200
    data.write("work/memdib.pal", record);
    writeViewpoint(200, 100);
    auto dialog = open();
    ASSERT_NE(dialog, nullptr);
    PALETTEENTRY entry{};
    ASSERT_EQ(dialog->palette().GetPaletteEntries(10, 1, &entry), 1u);
    EXPECT_EQ(entry.peRed, 200);
    EXPECT_EQ(entry.peGreen, 0);
}

// The window covers the screen; the view is the client area less the bar's 36 pixels.
TEST_F(PanDlgTest, GeometryOnSeveralScreens) {
    struct Case {
        int screenW, screenH, imageW, imageH;
        Rect client, display;
        BOOL hshown, vshown;
    } cases[] = {
        {640, 480, 8000, 1100, {0, 0, 634, 455}, {0, 0, 618, 403}, TRUE, TRUE},
        {800, 600, 8000, 1100, {0, 0, 794, 575}, {0, 0, 778, 523}, TRUE, TRUE},
        {1024, 768, 8000, 1100, {0, 0, 1018, 743}, {0, 0, 1002, 691}, TRUE, TRUE},
        {1024, 768, 3000, 600, {0, 0, 1018, 743}, {0, 45, 1018, 645}, TRUE, FALSE},
        {1024, 768, 400, 300, {0, 0, 1018, 743}, {309, 203, 709, 503}, FALSE, FALSE},
    };
    for (const Case& c : cases) {
        const std::string label = std::to_string(c.screenW) + "x" + std::to_string(c.screenH) +
                                  " " + std::to_string(c.imageW) + "x" + std::to_string(c.imageH);
        platform::test::setScreenSize(c.screenW, c.screenH);
        writeViewpoint(c.imageW, c.imageH);
        auto dialog = open("TEST01", true);
        ASSERT_NE(dialog, nullptr) << label;
        Rect window;
        dialog->GetWindowRect(&window);
        EXPECT_EQ(window, (Rect{0, 0, c.screenW, c.screenH})) << label;
        EXPECT_EQ(dialog->windowRect(), window) << label;
        EXPECT_EQ(dialog->clientRect(), c.client) << label;
        EXPECT_EQ(dialog->viewRect(), (Rect{0, 0, c.client.right, c.client.bottom - 36})) << label;
        EXPECT_EQ(dialog->commandBarRect(),
                  (Rect{0, c.client.bottom - 36, c.client.right, c.client.bottom}))
            << label;
        Rect bar;
        dialog->commandBar().GetWindowRect(&bar);
        dialog->ScreenToClient(&bar);
        EXPECT_EQ(bar, dialog->commandBarRect()) << label;
        EXPECT_EQ(dialog->displayRect(), c.display) << label;
        EXPECT_EQ(dialog->panorama().dest_rect, c.display) << label;
        EXPECT_EQ(dialog->horizontalBarShown(), c.hshown) << label;
        EXPECT_EQ(dialog->verticalBarShown(), c.vshown) << label;
        EXPECT_EQ(dialog->horizontalBar().IsWindowVisible(), c.hshown) << label;
        EXPECT_EQ(dialog->verticalBar().IsWindowVisible(), c.vshown) << label;
        // The view starts at the image's centre.
        const Rect& s = dialog->panorama().clip_rect;
        EXPECT_EQ(s.width(), c.display.width()) << label;
        EXPECT_EQ(s.left, c.imageW / 2 - c.display.width() / 2) << label;
        EXPECT_EQ(s.top, c.imageH / 2 - c.display.height() / 2) << label;
    }
}

TEST_F(PanDlgTest, SystemMenuCaptionAndIcon) {
    writeViewpoint(2000, 1000);
    auto dialog = open();
    ASSERT_NE(dialog, nullptr);
    platform::Menu* menu = dialog->GetSystemMenu(FALSE);
    std::vector<std::pair<UINT, std::string>> items;
    for (int i = 0; i < menu->GetMenuItemCount(); ++i)
        items.emplace_back(menu->GetMenuItemID(i), menu->GetMenuString(UINT(i), MF_BYPOSITION));
    const std::vector<std::pair<UINT, std::string>> expected = {{SC_MINIMIZE, "Mi&nimize"},
                                                                {0, ""},
                                                                {SC_CLOSE, "&Close\tAlt+F4"},
                                                                {0, ""},
                                                                {16, "&About Skyvistas..."}};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(dialog->GetIcon(TRUE), LoadIcon(IDR_MAINFRAME));
    EXPECT_EQ(dialog->GetIcon(FALSE), LoadIcon(IDR_MAINFRAME));
    EXPECT_EQ(dialog->SendMessage(WM_QUERYDRAGICON),
              reinterpret_cast<LRESULT>(LoadIcon(IDR_MAINFRAME)));

    // The caption answers as client area (no dragging); its buttons keep their parts.
    Rect caption = dialog->nonClientPart(HTCAPTION);
    Rect close = dialog->nonClientPart(HTCLOSE);
    const Point onCaption{caption.left + caption.width() / 2, caption.top + 5};
    const Point onClose{close.left + 2, close.top + 2};
    EXPECT_EQ(dialog->SendMessage(WM_NCHITTEST, 0, pointToLParam(onCaption)), HTCLIENT);
    EXPECT_EQ(dialog->SendMessage(WM_NCHITTEST, 0, pointToLParam(onClose)), HTCLOSE);
}

// Command 1009 ends the modal run with 1; Esc with 2.
TEST_F(PanDlgTest, CloseButtonAndEscapeEndTheRun) {
    writeViewpoint(300, 200);
    struct Case {
        std::function<void(platform::Window&)> act;
        INT_PTR result;
    } cases[] = {
        {[](platform::Window& w) { w.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CLOSECMD, 0)); }, 1},
        {[](platform::Window& w) { w.SendMessage(WM_KEYDOWN, VK_ESCAPE); }, 2},
        {[](platform::Window& w) { w.SendMessage(WM_SYSCOMMAND, SC_CLOSE); }, 2},
    };
    for (const auto& c : cases) {
        CPanDlg dialog("TEST01", data.str(), data.str());
        platform::test::whenModal(c.act);
        EXPECT_EQ(dialog.DoModal(), c.result);
    }
}

// The display shows the image one-to-one; the margins around a small image have the window's
// background colour, or the system's when that setting is on.
TEST_F(PanDlgTest, PaintsTheImageAndTheBackground) {
    writeViewpoint(400, 300);
    for (int systemColour : {0, 1}) {
        writeSettings("[Corvane Skyvistas]\nuse_windows_bkg_color=" + std::to_string(systemColour) +
                      "\n");
        auto dialog = open("TEST01", true);
        ASSERT_NE(dialog, nullptr);
        const QImage image = platform::test::grabClient(*dialog);
        const Rect d = dialog->displayRect();
        for (Point p : {Point{d.left, d.top}, Point{d.left + 17, d.top + 40},
                        Point{d.right - 1, d.bottom - 1}}) {
            const Point i = dialog->panorama().WindowToImage(p.x, p.y);
            EXPECT_EQ(grabbedColour(image, p.x, p.y), panoramaColour(i.x, i.y))
                << p.x << "," << p.y;
        }
        const COLORREF margin = grabbedColour(image, d.left - 5, d.top - 5);
        EXPECT_EQ(margin, systemColour ? GetSysColor(COLOR_3DFACE) & 0xFFFFFF : RGB(255, 255, 217));
    }
}

// A failed draw is reported once, after the paint, until a draw succeeds again; the frames are
// drawn all the same.
TEST_F(PanDlgTest, AFailedDrawIsReportedOnceAfterThePaint) {
    writeViewpoint(400, 300);
    auto dialog = open("TEST01", true);
    ASSERT_NE(dialog, nullptr);
    platform::test::processEvents();
    boxes->clear();
    const auto repaint = [&] {
        dialog->InvalidateRect(nullptr, FALSE);
        dialog->UpdateWindow();
    };
    dialog->panorama().loaded = FALSE; // nothing to draw from
    repaint();
    EXPECT_TRUE(boxes->calls().empty()) << "no box inside the paint";
    platform::test::processEvents();
    repaint();
    platform::test::processEvents();
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].text, "Unable to draw map");
    dialog->panorama().loaded = TRUE;
    repaint();
    dialog->panorama().loaded = FALSE;
    repaint();
    platform::test::processEvents();
    EXPECT_EQ(boxes->calls().size(), 2u) << "reported again after a successful draw";
}

// Keys and the wheel scroll through the clamped view and keep the scroll bars in step, shown or
// not.
TEST_F(PanDlgTest, KeyboardAndWheelScrolling) {
    writeViewpoint(8000, 1100);
    for (int standard : {1, 0}) {
        writeSettings("[Corvane Skyvistas]\nuse_standard_scroll=" + std::to_string(standard) +
                      "\n");
        auto dialog = open();
        ASSERT_NE(dialog, nullptr);
        const Rect& s = dialog->panorama().clip_rect;
        const int w = dialog->displayRect().width(), h = dialog->displayRect().height();
        const int left0 = s.left, top0 = s.top;
        struct Step {
            UINT message;
            WPARAM wParam;
            int left, top;
        } steps[] = {
            {WM_KEYDOWN, VK_RIGHT, left0 + w / 16, top0},
            {WM_KEYDOWN, VK_LEFT, left0, top0},
            {WM_KEYDOWN, VK_DOWN, left0, top0 + h / 16},
            {WM_KEYDOWN, VK_UP, left0, top0},
            {WM_KEYDOWN, VK_NEXT, left0, 1100 - h},
            {WM_KEYDOWN, VK_PRIOR, left0, 0},
            {WM_KEYDOWN, VK_END, 8000 - w, 0},
            {WM_KEYDOWN, VK_HOME, 0, 0},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0, 3 * (h / 16)},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0, 0},
            {WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, WORD(-240)), 6 * (w / 16), 0},
            {WM_MOUSEHWHEEL, MAKEWPARAM(0, WORD(-120)), 3 * (w / 16), 0},
        };
        for (const Step& step : steps) {
            dialog->SendMessage(step.message, step.wParam, 0);
            EXPECT_EQ(s.left, step.left) << standard << " " << step.message << " " << step.wParam;
            EXPECT_EQ(s.top, step.top) << standard << " " << step.message << " " << step.wParam;
            if (standard) {
                EXPECT_EQ(dialog->horizontalBar().GetScrollPos(), s.left);
                EXPECT_EQ(dialog->verticalBar().GetScrollPos(), s.top);
            }
        }
        // The bar's buttons take the focus when clicked; arrow keys pressed there still scroll.
        platform::Window* locator = dialog->commandBar().GetDlgItem(int(IDC_LOCATOR));
        ASSERT_NE(locator, nullptr);
        const int left = s.left;
        QTest::keyClick(platform::test::clientWidget(*locator), Qt::Key_Right);
        EXPECT_EQ(s.left, left + w / 16) << standard;
    }
}

// The scroll bars scroll the view: a line is a sixteenth of the display, a page the display.
TEST_F(PanDlgTest, ScrollBarCodesMoveTheView) {
    writeViewpoint(8000, 1100);
    auto dialog = open();
    ASSERT_NE(dialog, nullptr);
    const Rect& s = dialog->panorama().clip_rect;
    const int w = dialog->displayRect().width();
    const int start = s.left;
    dialog->SendMessage(WM_HSCROLL, SB_LINERIGHT,
                        reinterpret_cast<LPARAM>(dialog->horizontalBar().GetSafeHwnd()));
    EXPECT_EQ(s.left, start + w / 16);
    EXPECT_EQ(dialog->horizontalBar().GetScrollPos(), s.left);
    dialog->SendMessage(WM_VSCROLL, SB_PAGEDOWN,
                        reinterpret_cast<LPARAM>(dialog->verticalBar().GetSafeHwnd()));
    EXPECT_EQ(s.top, dialog->verticalLimit());
    EXPECT_EQ(dialog->verticalLimit(), 1100 - dialog->displayRect().height());
}

// With edge scrolling, a press in the gutter jumps, the repeat timer runs, release stops it.
TEST_F(PanDlgTest, EdgeScrollingInTheWindow) {
    writeViewpoint(8000, 1100);
    writeSettings("[Corvane Skyvistas]\nuse_standard_scroll=0\n");
    auto dialog = open("TEST01", true);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->horizontalBarShown());
    EXPECT_EQ(dialog->displayRect(), (Rect{0, 0, 1018, 707}));
    const Rect& s = dialog->panorama().clip_rect;
    const int start = s.left;
    const Point right{1018 - 10, 707 / 2};
    QWidget* client = platform::test::clientWidget(*dialog);
    QTest::mouseMove(client, QPoint(right.x, right.y));
    EXPECT_EQ(platform::test::currentCursorId(), IDC_CURSOR_RIGHT);
    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(right.x, right.y));
    EXPECT_EQ(s.left, start + 30);
    EXPECT_TRUE(platform::test::timerActive(*dialog, CPanDlg::kGutterTimerId));
    EXPECT_EQ(platform::test::timerInterval(*dialog, CPanDlg::kGutterTimerId), 55);
    for (int tick = 1; tick <= 8; ++tick)
        platform::test::fireTimer(*dialog, CPanDlg::kGutterTimerId);
    EXPECT_EQ(s.left, start + 40);
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(right.x, right.y));
    EXPECT_FALSE(platform::test::timerActive(*dialog, CPanDlg::kGutterTimerId));

    // With the scroll bars on, the gutter shows the arrow and a press does not scroll.
    dialog.reset();
    writeSettings("[Corvane Skyvistas]\nuse_standard_scroll=1\n");
    dialog = open("TEST01", true);
    client = platform::test::clientWidget(*dialog);
    const int left = dialog->panorama().clip_rect.left;
    QTest::mouseMove(client, QPoint(5, 300));
    EXPECT_EQ(platform::test::currentCursorId(), IDC_ARROW);
    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(5, 300));
    EXPECT_EQ(dialog->panorama().clip_rect.left, left);
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(5, 300));
}

// The settings: read when the window is created, written when it is destroyed.
TEST_F(PanDlgTest, SettingsFileCases) {
    writeViewpoint(300, 200);
    struct Case {
        const char* label;
        const char* before; // null: no file
        BOOL slide, background, standard;
        const char* after;
    } cases[] = {
        {"no file", nullptr, 1, 0, 1,
         "[Corvane Skyvistas]\nuse_slide_menus=1\nuse_windows_bkg_color=0\n"
         "use_standard_scroll=1\n"},
        {"five and not a number",
         "; viewer settings\n[Other]\nkey=value\n[Corvane Skyvistas]\nuse_slide_menus=abc\n"
         "use_windows_bkg_color=5\nextra=keep\n",
         0, 1, 1,
         "; viewer settings\n[Other]\nkey=value\n[Corvane Skyvistas]\nuse_slide_menus=0\n"
         "use_windows_bkg_color=1\nextra=keep\nuse_standard_scroll=1\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(settingsPath());
        if (c.before) writeSettings(c.before);
        auto dialog = open();
        ASSERT_NE(dialog, nullptr) << c.label;
        EXPECT_EQ(dialog->use_slide_menus, c.slide) << c.label;
        EXPECT_EQ(dialog->use_windows_bkg_color, c.background) << c.label;
        EXPECT_EQ(dialog->use_standard_scroll, c.standard) << c.label;
        EXPECT_EQ(testing_support::readFile(settingsPath()), c.before ? c.before : "") << c.label;
        dialog.reset();
        EXPECT_EQ(testing_support::readFile(settingsPath()), c.after) << c.label;
    }
}

// The About box: the three boxes show the settings; OK copies them, relays out and repaints only
// for a change that needs it; Cancel changes nothing; system commands 16 to 31 open it.
TEST_F(PanDlgTest, AboutBoxToggles) {
    writeViewpoint(8000, 1100);
    struct Case {
        const char* label;
        UINT command;
        int toggle; // check box id, or 0
        int button; // IDOK or IDCANCEL
        bool relayout, repaint;
        BOOL slide, background, standard;
    } cases[] = {
        {"slide menus only", 16, IDC_USE_SLIDE_MENUS, IDOK, false, false, 0, 0, 1},
        {"background colour", 17, IDC_USE_WINDOWS_BKG, IDOK, false, true, 1, 1, 1},
        {"scroll bars", 31, IDC_USE_STANDARD_SCROLL, IDOK, true, true, 1, 0, 0},
        {"cancel after toggling", 16, IDC_USE_STANDARD_SCROLL, IDCANCEL, false, false, 1, 0, 1},
        {"OK without change", 20, 0, IDOK, false, false, 1, 0, 1},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(settingsPath());
        auto dialog = open("TEST01", true);
        ASSERT_NE(dialog, nullptr);
        platform::test::grabClient(*dialog); // painted, nothing pending
        // Scrolled away from the centre, so a relayout shows.
        dialog->SendMessage(WM_KEYDOWN, VK_HOME);
        platform::test::processEvents();
        const Rect displayBefore = dialog->displayRect();
        std::vector<int> shown;
        platform::test::whenModal([&](platform::Window& about) {
            auto& box = static_cast<platform::Dialog&>(about);
            shown = {int(box.IsDlgButtonChecked(IDC_USE_SLIDE_MENUS)),
                     int(box.IsDlgButtonChecked(IDC_USE_WINDOWS_BKG)),
                     int(box.IsDlgButtonChecked(IDC_USE_STANDARD_SCROLL))};
            EXPECT_EQ(about.GetWindowText(), "About Skyvistas");
            if (c.toggle) box.CheckDlgButton(c.toggle, box.IsDlgButtonChecked(c.toggle) ? 0 : 1);
            about.SendMessage(WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED));
        });
        platform::test::MessageLog log;
        dialog->SendMessage(WM_SYSCOMMAND, c.command);
        EXPECT_EQ(shown, (std::vector<int>{1, 0, 1})) << c.label;
        const auto received = log.numbers(dialog->GetSafeHwnd());
        const bool erased = std::count(received.begin(), received.end(), WM_ERASEBKGND) > 0;
        const bool painted = std::count(received.begin(), received.end(), WM_PAINT) > 0;
        EXPECT_EQ(erased, c.repaint) << c.label;
        EXPECT_EQ(painted, c.repaint) << c.label;
        EXPECT_EQ(dialog->displayRect() != displayBefore, c.relayout) << c.label;
        EXPECT_EQ(dialog->panorama().clip_rect.left != 0, c.relayout) << c.label;
        EXPECT_EQ(dialog->use_slide_menus, c.slide) << c.label;
        EXPECT_EQ(dialog->use_windows_bkg_color, c.background) << c.label;
        EXPECT_EQ(dialog->use_standard_scroll, c.standard) << c.label;
        EXPECT_EQ(dialog->horizontalBar().IsWindowVisible(), c.standard) << c.label;
    }
}

// The shared palette goes back into the system palette when the window gains the palette focus
// (repainting only when that changed something) and when another window changed it.
TEST_F(PanDlgTest, PaletteNotifications) {
    platform::setDisplayUsesPalette(true);
    writeViewpoint(300, 200);
    auto dialog = open("TEST01", true);
    ASSERT_NE(dialog, nullptr);
    platform::test::grabClient(*dialog);
    const auto ours = dialog->palette().entries();
    EXPECT_EQ(platform::SystemPalette::entries()[10].peGreen, ours[10].peGreen);

    std::vector<PALETTEENTRY> grey(256, PALETTEENTRY{90, 90, 90, 0});
    std::vector<char> record(4 + 256 * 4);
    auto* logical = reinterpret_cast<LOGPALETTE*>(record.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 256;
    std::copy(grey.begin(), grey.end(), logical->palPalEntry);
    platform::Palette other;
    ASSERT_TRUE(other.CreatePalette(logical));

    struct Case {
        const char* label;
        UINT message;
        bool fromThisWindow;
        LRESULT result;
        bool restored, repaint;
    } cases[] = {
        {"palette focus, nothing changed", WM_QUERYNEWPALETTE, false, FALSE, true, false},
        {"palette focus after another palette", WM_QUERYNEWPALETTE, false, TRUE, true, true},
        {"changed by another window", WM_PALETTECHANGED, false, 0, true, false},
        {"changed by this window", WM_PALETTECHANGED, true, 0, false, false},
    };
    for (const Case& c : cases) {
        if (c.repaint || c.message == WM_PALETTECHANGED)
            platform::SystemPalette::realize(other, false);
        dialog->ValidateRect(nullptr);
        const WPARAM changer =
            c.fromThisWindow ? reinterpret_cast<WPARAM>(dialog->GetSafeHwnd()) : 0;
        EXPECT_EQ(dialog->SendMessage(c.message, changer), c.result) << c.label;
        EXPECT_EQ(platform::SystemPalette::entries()[10].peGreen == ours[10].peGreen, c.restored)
            << c.label;
        Rect update;
        EXPECT_EQ(dialog->GetUpdateRect(&update) != FALSE, c.repaint) << c.label;
    }
}

// A command bar that cannot be made (here: a button face that does not exist) ends the run with
// result 2 after "Could not create dialog bar".
TEST_F(PanDlgTest, CommandBarFailureEndsTheRun) {
    writeViewpoint(300, 200);
    platform::DialogTemplate bar = *platform::findDialogTemplate(CDlgBar::kTemplateId);
    bar.items[0].text = "IDB_NOSUCHFACE";
    platform::registerDialogTemplate(bar);
    CPanDlg dialog("TEST01", data.str(), data.str());
    bool ran = false;
    platform::test::whenModal([&](platform::Window& window) {
        ran = true;
        static_cast<platform::Dialog&>(window).EndDialog(77);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_FALSE(ran); // never shown
    platform::test::whenModal(nullptr);
    ASSERT_FALSE(boxes->calls().empty());
    EXPECT_EQ(boxes->calls().back().text, "Could not create dialog bar");
    EXPECT_EQ(boxes->calls().back().caption, kTitle);
    EXPECT_EQ(dialog.printJob(), nullptr);
}
