// The hotspots at work in the panorama window: hit testing, hover and the command bar's text, the
// frames on the screen while hovered, marked and flashing, the flash timers, centring, the click
// path with edge scrolling first, the hover resets and the Features menu of both kinds.
#include <QMenu>

#include "hotspot_fixtures.h"
#include "hotspots/slide_popup_menu.h"
#include "platform/qt/menu.h"

using namespace hotspot_test;

namespace {

constexpr unsigned kRed = 0xFF0000;

// Two overlapping hotspots and one apart; the viewpoint has a record of its own.
class HotspotWindowTest : public HotspotTest {
protected:
    void SetUp() override {
        HotspotTest::SetUp();
        writeData(
            {
                {"TEST0101", "A1", 900, 400, 100, 80, 1},
                {"TEST0102", "A2", 950, 440, 100, 80, 1},
                {"TEST0103", "A3", 1200, 600, 60, 50, 0},
            },
            {
                {"10000", "00", "Overlook"},
                {"A1", "00", "Greyhollow Peak"},
                {"A1", "01", "Greyhollow Peak"},
                {"A2", "00", "Lake Mirrowen"},
                {"A3", "00", ""},
            });
    }
    std::unique_ptr<CPanDlg> openShown() {
        auto dialog = open("TEST01", true);
        if (dialog) platform::test::grabClient(*dialog);
        return dialog;
    }
    // The window point of an image point.
    static Point at(CPanDlg& dialog, int x, int y) { return dialog.panorama().ImageToWindow(x, y); }
    static void toggle(CPanDlg& dialog, int index) {
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(20000 + index, 0));
    }
};

} // namespace

// Left and top edges are inside, right and bottom edges outside; where hotspots overlap the lower
// index wins; nothing outside the display rectangle is hit.
TEST_F(HotspotWindowTest, HitTestingOnEdgesAndOverlaps) {
    auto dialog = openShown();
    ASSERT_NE(dialog, nullptr);
    struct Case {
        int x, y; // image pixels
        int hotspot;
    } cases[] = {
        {900, 400, 0},   {899, 400, -1}, {900, 399, -1}, {999, 479, 0},   {1000, 420, -1},
        {960, 450, 0},   {999, 450, 0},  {1000, 450, 1}, {1049, 519, 1},  {1050, 519, -1},
        {1049, 520, -1}, {1200, 600, 2}, {1259, 649, 2}, {1260, 649, -1},
    };
    for (const Case& c : cases) {
        const Point p = at(*dialog, c.x, c.y);
        EXPECT_EQ(dialog->HitTestHotspot(p.x, p.y), c.hotspot) << c.x << "," << c.y;
    }
    // A hotspot partly scrolled out of the display is hit only inside it.
    dialog->panorama().ScrollTo(950, 300, dialog->GetSafeHwnd());
    const Rect& d = dialog->displayRect();
    EXPECT_EQ(dialog->HitTestHotspot(d.left, at(*dialog, 0, 450).y), 0);
    EXPECT_EQ(dialog->HitTestHotspot(d.left - 1, at(*dialog, 0, 450).y), -1);
}

// Hover follows the mouse: the bar names the first media record's site, or shows the copyright
// when the mouse leaves the hotspots or the site is empty.
TEST_F(HotspotWindowTest, HoverNamesTheSiteOnTheCommandBar) {
    auto dialog = openShown();
    ASSERT_NE(dialog, nullptr);
    const std::string copyright = "\xA9 1999 Test Works";
    struct Case {
        Point image;
        int hovered;
        std::string text;
    } cases[] = {
        {{920, 420}, 0, "Greyhollow Peak"}, {{990, 470}, 0, "Greyhollow Peak"},
        {{1040, 500}, 1, "Lake Mirrowen"},  {{500, 500}, -1, copyright},
        {{1210, 610}, 2, copyright},        {{980, 460}, 0, "Greyhollow Peak"},
    };
    for (const Case& c : cases) {
        moveMouse(*dialog, at(*dialog, c.image.x, c.image.y));
        EXPECT_EQ(dialog->hotspots().hovered(), c.hovered) << c.image.x;
        EXPECT_EQ(dialog->commandBar().barText(), c.text) << c.image.x;
    }

    // The view scrolled by a key or a scroll bar under a still mouse: the hover follows.
    const std::pair<UINT, WPARAM> scrolls[] = {{WM_KEYDOWN, VK_END}, {WM_HSCROLL, SB_PAGELEFT}};
    for (const auto& [message, wParam] : scrolls) {
        dialog->panorama().ScrollTo(500, dialog->panorama().clip_rect.top, dialog->GetSafeHwnd());
        const Point still = at(*dialog, 920, 420);
        moveMouse(*dialog, still);
        ASSERT_EQ(dialog->hotspots().hovered(), 0);
        const int left = dialog->panorama().clip_rect.left;
        dialog->SendMessage(message, wParam, 0);
        ASSERT_NE(dialog->panorama().clip_rect.left, left) << message;
        EXPECT_EQ(dialog->hotspots().hovered(), dialog->HitTestHotspot(still.x, still.y))
            << message;
        EXPECT_NE(dialog->hotspots().hovered(), 0) << message;
    }

    // Leaving the client area ends the hover: a non-client move or press whose hit code is not
    // the client's, a set-cursor for another window, a hit test outside the client area.
    struct Reset {
        const char* label;
        std::function<void(CPanDlg&)> act;
        bool cleared;
    } resets[] = {
        {"non-client move over the close button",
         [](CPanDlg& d) { d.SendMessage(WM_NCMOUSEMOVE, HTCLOSE, 0); }, true},
        {"non-client move reported as client",
         [](CPanDlg& d) { d.SendMessage(WM_NCMOUSEMOVE, HTCLIENT, 0); }, false},
        {"non-client press on the minimise button",
         [](CPanDlg& d) { d.SendMessage(WM_NCLBUTTONDOWN, HTMINBUTTON, 0); }, true},
        {"cursor set for the command bar",
         [](CPanDlg& d) {
             d.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(d.commandBar().GetSafeHwnd()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
         },
         true},
        {"hit test on the close button",
         [](CPanDlg& d) {
             Rect window;
             d.GetWindowRect(&window);
             const Rect close = d.nonClientPart(HTCLOSE);
             const Point p{window.left + close.left + 2, window.top + close.top + 2};
             d.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
         },
         true},
    };
    for (const Reset& r : resets) {
        moveMouse(*dialog, at(*dialog, 920, 420));
        ASSERT_EQ(dialog->hotspots().hovered(), 0) << r.label;
        dialog->ValidateRect(nullptr);
        r.act(*dialog);
        EXPECT_EQ(dialog->hotspots().hovered(), r.cleared ? -1 : 0) << r.label;
        EXPECT_EQ(dialog->commandBar().barText(), r.cleared ? copyright : "Greyhollow Peak")
            << r.label;
        Rect update;
        EXPECT_EQ(dialog->GetUpdateRect(&update) != FALSE, r.cleared) << r.label;
    }
}

// A frame is drawn while its hotspot is hovered, or while it is marked and its flash count is
// even; it is a 2-pixel red outline reaching one pixel out at the left and top.
TEST_F(HotspotWindowTest, FramesOnTheScreenWhileHoveredMarkedAndFlashing) {
    auto dialog = openShown();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->hotspots().frameRect(2),
              (Rect{at(*dialog, 1200, 600).x, at(*dialog, 1200, 600).y, at(*dialog, 1260, 650).x,
                    at(*dialog, 1260, 650).y}));
    // Marking moves the view: the frame is looked up afresh each time.
    const auto framed = [&] {
        const Rect f = dialog->hotspots().frameRect(2);
        const int midY = (f.top + f.bottom) / 2, midX = (f.left + f.right) / 2;
        const QImage image = platform::test::grabClient(*dialog);
        const std::vector<Point> outline = {{f.left - 1, midY},  {f.left, midY},
                                            {f.right - 2, midY}, {f.right - 1, midY},
                                            {midX, f.top - 1},   {midX, f.bottom - 1}};
        int red = 0;
        for (Point p : outline)
            red += platform::test::pixelAt(image, p.x, p.y) == kRed;
        // Nothing beyond the outline: the brush is hollow and the pen two pixels wide.
        for (Point p : std::vector<Point>{{f.left + 1, midY}, {f.right, midY}, {midX, midY}})
            EXPECT_NE(platform::test::pixelAt(image, p.x, p.y), kRed) << p.x << "," << p.y;
        EXPECT_TRUE(red == 0 || red == int(outline.size())) << red;
        return red == int(outline.size());
    };
    const auto inside = [&] { return at(*dialog, 1230, 625); };
    const auto outside = [&] { return at(*dialog, 1500, 300); };

    EXPECT_FALSE(framed());
    moveMouse(*dialog, inside());
    EXPECT_TRUE(framed());
    moveMouse(*dialog, outside());
    EXPECT_FALSE(framed());

    // Marked: flashing through six ticks, visible at even counts and then steadily.
    toggle(*dialog, 2);
    EXPECT_EQ(dialog->hotspots().hotspots()[2].flash_ticks, 6);
    EXPECT_TRUE(framed());
    for (int tick = 5; tick >= 0; --tick) {
        ASSERT_TRUE(platform::test::fireTimer(*dialog, 2)) << tick;
        EXPECT_EQ(dialog->hotspots().hotspots()[2].flash_ticks, tick);
        EXPECT_EQ(framed(), tick % 2 == 0) << tick;
        if (tick == 3) {
            // Hovered, the frame shows whatever the count.
            moveMouse(*dialog, inside());
            EXPECT_TRUE(framed()) << tick;
            moveMouse(*dialog, outside());
        }
    }
    EXPECT_FALSE(platform::test::timerActive(*dialog, 2));
    EXPECT_TRUE(framed());
    // Unmarked, it goes.
    toggle(*dialog, 2);
    EXPECT_FALSE(framed());
}

// Marking starts timer <index> at 167 ms with six ticks and checks the menu item; choosing the
// item again while it flashes stops the timer and takes the mark and the check away. A timer
// the platform refuses leaves the frame steadily on.
TEST_F(HotspotWindowTest, FlashTimersAndCheckMarks) {
    auto dialog = openShown();
    ASSERT_NE(dialog, nullptr);
    PanoramaHotspots& h = dialog->hotspots();
    platform::Menu* points = h.pointsOfInterestPopup();
    const auto checked = [&](UINT id) {
        return (points->GetMenuState(id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    };

    toggle(*dialog, 1);
    EXPECT_EQ(h.hotspots()[1].marked, 1);
    EXPECT_EQ(platform::test::timerInterval(*dialog, 1), 167);
    EXPECT_TRUE(checked(20001));
    ASSERT_TRUE(platform::test::fireTimer(*dialog, 1));
    ASSERT_TRUE(platform::test::fireTimer(*dialog, 1));
    toggle(*dialog, 1);
    EXPECT_EQ(h.hotspots()[1].marked, 0);
    EXPECT_EQ(h.hotspots()[1].flash_ticks, 0);
    EXPECT_FALSE(platform::test::timerActive(*dialog, 1));
    EXPECT_FALSE(checked(20001));

    // Six ticks, then the timer is gone.
    toggle(*dialog, 0);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(platform::test::fireTimer(*dialog, 0)) << i;
    EXPECT_FALSE(platform::test::timerActive(*dialog, 0));
    EXPECT_EQ(h.hotspots()[0].marked, 1);
    EXPECT_TRUE(checked(20000));

    // POI 0: marked and flashing, without a menu item to check.
    toggle(*dialog, 2);
    EXPECT_EQ(h.hotspots()[2].marked, 1);
    EXPECT_TRUE(platform::test::timerActive(*dialog, 2));
    EXPECT_EQ(points->GetMenuItemCount(), 2);
    toggle(*dialog, 2);

    // Commands past the hotspot count are ignored.
    toggle(*dialog, 3);
    toggle(*dialog, 99);
    EXPECT_FALSE(platform::test::timerActive(*dialog, 3));

    platform::failNextSetTimer();
    toggle(*dialog, 2);
    EXPECT_EQ(h.hotspots()[2].marked, 1);
    EXPECT_EQ(h.hotspots()[2].flash_ticks, 0);
    EXPECT_TRUE(h.frameVisible(2));
}

// Marking centres the view on the hotspot, clamped at the image's edges, and moves the scroll
// bars' thumbs with it.
TEST_F(HotspotWindowTest, MarkingCentresTheViewWithClamping) {
    writeData(
        {
            {"TEST0101", "A1", 1000, 500, 100, 60, 1},
            {"TEST0102", "A2", 10, 10, 40, 40, 1},
            {"TEST0103", "A3", 1950, 950, 50, 50, 1},
            {"TEST0104", "A4", 1001, 501, 101, 61, 1},
        },
        {{"A1", "00", "Middle"}, {"A2", "00", "Corner"}, {"A3", "00", "Far"}, {"A4", "00", "Odd"}});
    auto dialog = openShown();
    ASSERT_NE(dialog, nullptr);
    const Rect& s = dialog->panorama().clip_rect;
    ASSERT_EQ(s.width(), 1002);
    ASSERT_EQ(s.height(), 691);
    struct Case {
        int hotspot;
        Point topLeft;
    } cases[] = {
        {0, {-501 + 1050, -345 + 530}}, // centred
        {1, {0, 0}},                    // clamped at the top-left
        {2, {2000 - 1002, 1000 - 691}}, // clamped at the bottom-right
        {3, {-501 + 1051, -345 + 531}}, // (1001 + 2102) / 2 = 1551 truncates
    };
    for (const Case& c : cases) {
        dialog->panorama().ScrollTo(300, 100, dialog->GetSafeHwnd());
        toggle(*dialog, c.hotspot);
        EXPECT_EQ(s.topLeft(), c.topLeft) << c.hotspot;
        EXPECT_EQ(dialog->horizontalBar().GetScrollPos(), c.topLeft.x) << c.hotspot;
        EXPECT_EQ(dialog->verticalBar().GetScrollPos(), c.topLeft.y) << c.hotspot;
        // Unmarking leaves the view where it is.
        toggle(*dialog, c.hotspot);
        EXPECT_EQ(s.topLeft(), c.topLeft) << c.hotspot;
    }
}

// A press on a hotspot opens the visitor center at its first media record, unless edge scrolling
// took the press and scrolled; a press that edge scrolling takes without scrolling opens it too.
// Command 32773 opens it at record 0. Opening stops edge scrolling.
TEST_F(HotspotWindowTest, ClickPathWithEdgeScrollingFirst) {
    writeData(
        {
            {"TEST0101", "A1", 900, 400, 100, 80, 1},
            {"TEST0102", "A2", 0, 100, 40, 100, 1},  // at the left end of the image
            {"TEST0103", "A3", 0, 0, 2000, 1000, 1}, // the whole image, last
        },
        {{"10000", "00", "Overlook"},
         {"A1", "00", "Peak"},
         {"A2", "00", "Edge"},
         {"A3", "00", "Everything"}});
    for (const char* standard : {"1", "0"}) {
        writeSettings(std::string("[Corvane Skyvistas]\nuse_standard_scroll=") + standard + "\n");
        auto dialog = openShown();
        ASSERT_NE(dialog, nullptr);
        const bool edge = standard[0] == '0';
        const Rect& d = dialog->displayRect();
        const auto expectOpened = [&](int requests, int start, const char* label) {
            EXPECT_EQ(dialog->visitorCenterRequests(), requests) << label << " " << standard;
            if (requests) {
                EXPECT_EQ(dialog->visitorCenterStart(), start) << label;
            }
        };

        click(*dialog, at(*dialog, 950, 440));
        expectOpened(1, 1, "hotspot away from the gutter");

        // In the left gutter, in the middle of its height: with edge scrolling on the press
        // scrolls left and opens nothing; the hover follows the hotspot now under the mouse.
        dialog->panorama().ScrollTo(500, 300, dialog->GetSafeHwnd());
        const Point gutter{d.left + 5, (d.top + d.bottom) / 2};
        const int before = dialog->panorama().clip_rect.left;
        click(*dialog, gutter);
        if (edge) {
            EXPECT_EQ(dialog->panorama().clip_rect.left, before - 30);
            expectOpened(1, 1, "gutter press that scrolls");
            EXPECT_EQ(dialog->hotspots().hovered(), dialog->HitTestHotspot(gutter.x, gutter.y));
        } else {
            expectOpened(2, 3, "gutter press without edge scrolling");
        }

        // At the left end of the image the press is taken but cannot scroll: it opens.
        dialog->panorama().ScrollTo(0, 0, dialog->GetSafeHwnd());
        const int opened = dialog->visitorCenterRequests();
        click(*dialog, at(*dialog, 5, 150));
        expectOpened(opened + 1, 2, "blocked gutter press");

        // Double clicks go the same way; the visitor center command starts at record 0.
        platform::test::doubleClick(platform::test::clientWidget(*dialog),
                                    qpoint(at(*dialog, 950, 440)));
        EXPECT_EQ(dialog->visitorCenterStart(), 1);
        dialog->gutterScroll().start_timing();
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(32773, 0));
        EXPECT_EQ(dialog->visitorCenterStart(), 0);
        EXPECT_FALSE(platform::test::timerActive(*dialog, CPanDlg::kGutterTimerId));
    }
}

// The Features button opens the Features menu upwards from the button's top-left corner: a slide
// menu with the setting on, the standard popup menu with it off. The chosen command reaches the
// window; the window is painted afterwards.
TEST_F(HotspotWindowTest, FeaturesMenuOfBothKinds) {
    for (const char* slide : {"1", "0"}) {
        writeSettings(std::string("[Corvane Skyvistas]\nuse_slide_menus=") + slide + "\n");
        auto dialog = openShown();
        ASSERT_NE(dialog, nullptr);
        const Rect button = dialog->commandBar().buttonScreenRect(IDC_FEATURES);
        ASSERT_FALSE(button.isEmpty());
        Rect shown;
        std::vector<std::string> texts;
        if (slide[0] == '1') {
            platform::setTickCountSource([clock = DWORD(0)]() mutable { return clock += 1000; });
            platform::test::whenModal([&](platform::Window& w) {
                auto& menu = static_cast<CSlidePopupMenu&>(w);
                menu.GetWindowRect(&shown);
                for (const SlideMenuItem& item : menu.items)
                    texts.push_back(item.text);
                const Rect row = menu.itemRect(1);
                QTest::mouseClick(platform::test::clientWidget(menu), Qt::LeftButton, {},
                                  QPoint((row.left + row.right) / 2, (row.top + row.bottom) / 2));
            });
        } else {
            platform::test::whenPopupMenu([&](QMenu& menu) {
                const QRect g = menu.geometry();
                shown = Rect{g.left(), g.top(), g.right() + 1, g.bottom() + 1};
                for (QAction* action : menu.actions())
                    texts.push_back(action->text().toStdString());
                EXPECT_TRUE(
                    platform::test::choosePopupMenuItem(menu, "&Multimedia Visitor Center"));
            });
        }
        QTest::mouseClick(platform::test::clientWidget(*dialog->commandBar().button(IDC_FEATURES)),
                          Qt::LeftButton, {}, QPoint(5, 5));
        platform::test::processEvents();
        platform::test::whenModal(nullptr);
        platform::test::whenPopupMenu(nullptr);
        platform::setTickCountSource({});

        EXPECT_EQ(texts,
                  (std::vector<std::string>{"&Points of Interest", "&Multimedia Visitor Center"}))
            << slide;
        EXPECT_EQ(shown.left, button.left) << slide;
        EXPECT_EQ(shown.bottom, button.top) << slide;
        EXPECT_EQ(dialog->visitorCenterRequests(), 1) << slide;
        EXPECT_EQ(dialog->visitorCenterStart(), 0) << slide;
        Rect update;
        EXPECT_FALSE(dialog->GetUpdateRect(&update)) << slide;
    }
}
