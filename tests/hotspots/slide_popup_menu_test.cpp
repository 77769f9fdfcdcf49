// Tests of the slide popup menu on the offscreen platform: geometry, the slide (driven by the
// test's tick source), painting, and the modal loop's mouse, key and submenu handling.
#include "hotspots/slide_popup_menu.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QTest>

#include "platform/core/system_metrics.h"
#include "platform/qt/test_support.h"

namespace {

using namespace platform;

constexpr UINT kVisitorCenter = 32773;
constexpr UINT kPrint = 33000;
enum Row { kPoints, kSeparator, kVisitor, kDisabled, kNoCommand, kPrintRow };

// The owner: records commands, menu initialisations and left-button presses.
class OwnerWindow : public Window {
public:
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    std::vector<Menu*> initialised;
    std::vector<Point> presses;
    std::function<void(Menu*)> initMenu;

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.emplace_back(wParam, lParam);
        return TRUE;
    }
    void OnInitMenuPopup(Menu* popup, UINT, BOOL) override {
        initialised.push_back(popup);
        if (initMenu) initMenu(popup);
    }
    void OnLButtonDown(UINT, Point point) override { presses.push_back(point); }
};

// Records the slide's block copies.
class RecordingMenu : public CSlidePopupMenu {
public:
    using CSlidePopupMenu::CSlidePopupMenu;
    std::vector<SlideFrame> frames;

protected:
    void copySlideFrame(DC& screen, DC& image, const Rect& part, Point source) override {
        CSlidePopupMenu::copySlideFrame(screen, image, part, source);
        frames.push_back(SlideFrame{part, source});
    }
};

// A menu shaped like the Features menu, with one item of each kind.
std::unique_ptr<Menu> featuresMenu() {
    auto points = CreatePopupMenu();
    points->AppendMenu(MF_STRING, 20000, "Lookout &Point");
    points->AppendMenu(MF_STRING | MF_CHECKED, 20001, "Cascade &Falls");
    auto menu = CreatePopupMenu();
    menu->AppendPopup(MF_STRING, std::move(points), "&Points of Interest");
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, kVisitorCenter, "&Multimedia Visitor Center");
    menu->AppendMenu(MF_STRING | MF_DISABLED, 32774, "&Disabled");
    menu->AppendMenu(MF_STRING, 0, "No &command");
    menu->AppendMenu(MF_STRING, kPrint, "&Print\tCtrl+P");
    return menu;
}

QPoint centreOf(const Rect& r) {
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}
void press(Window& window, QPoint at) {
    QTest::mousePress(test::clientWidget(window), Qt::LeftButton, {}, at);
}
void release(Window& window, QPoint at) {
    QTest::mouseRelease(test::clientWidget(window), Qt::LeftButton, {}, at);
}
void moveTo(Window& window, QPoint at) {
    QTest::mouseMove(test::clientWidget(window), at);
}
// Moves onto a row from the menu's top band (the toolkit drops moves that do not move).
void hover(CSlidePopupMenu& menu, int row) {
    moveTo(menu, QPoint(1, 0));
    moveTo(menu, centreOf(menu.itemRect(row)));
}
bool isOpen(CSlidePopupMenu& menu) {
    return menu.inModalLoop() && menu.IsWindowVisible();
}

class SlideMenuTest : public test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_VISIBLE,
                                   Rect{0, 0, 1024, 768}, nullptr));
        const LOGFONT logFont = menuLogFont();
        ASSERT_TRUE(font.CreateFontIndirect(&logFont));
        // Each reading of the clock is a second later, so a slide ends at once.
        setTickCountSource([this] { return clock += 1000; });
    }
    void TearDown() override {
        setTickCountSource({});
        GuiTest::TearDown();
    }

    // Runs Track; whileOpen runs inside the menu's loop, which is then ended if it still runs.
    BOOL track(CSlidePopupMenu& menu, UINT flags, int x, int y, BOOL vertical,
               std::function<void(CSlidePopupMenu&)> whileOpen) {
        test::whenModal([&](Window& w) {
            auto& shown = static_cast<CSlidePopupMenu&>(w);
            if (whileOpen) whileOpen(shown);
            if (shown.inModalLoop()) shown.SendMessage(WM_CANCELMODE);
        });
        const BOOL result = menu.Track(flags, x, y, &owner, vertical);
        test::processEvents();
        return result;
    }
    int textWidth(const std::string& text) {
        ClientDC dc(nullptr);
        dc.SelectObject(&font);
        return dc.GetTextExtent(text).cx;
    }
    int textHeight() {
        ClientDC dc(nullptr);
        dc.SelectObject(&font);
        return dc.GetTextExtent("X").cy;
    }
    std::vector<WPARAM> commandIds() const {
        std::vector<WPARAM> ids;
        for (const auto& [id, lParam] : owner.commands) {
            EXPECT_EQ(lParam, 0);
            ids.push_back(id);
        }
        return ids;
    }

    OwnerWindow owner;
    Font font;
    DWORD clock = 0;
};

TEST_F(SlideMenuTest, SizeAndPlaceFollowTheTextsAndStayInsideTheWorkArea) {
    const int row = std::max(textHeight(), 13) + 2;
    const int plainMenuWidth = textWidth("&Multimedia Visitor Center") + 2 * 13 + 3 * 3;
    const int accelMenuWidth = plainMenuWidth + 3 * 3 + textWidth("Ctrl+P");
    struct Case {
        const char* label;
        bool accelerator;
        UINT flags;
        Point at;
        Rect work;
        Point expected; // top-left; -1 stands for the edge the case names
    } cases[] = {
        {"top edge at y", false, 0, {100, 100}, {0, 0, 1024, 768}, {100, 100}},
        {"bottom edge at y", true, TPM_BOTTOMALIGN, {100, 500}, {0, 0, 1024, 768}, {100, -1}},
        {"past the right edge", true, 0, {1000, 100}, {0, 0, 1024, 768}, {-1, 100}},
        {"one pixel past the right edge",
         true,
         0,
         {1025 - accelMenuWidth, 100},
         {0, 0, 1024, 768},
         {-1, 100}},
        {"at the right edge",
         true,
         0,
         {1024 - accelMenuWidth, 100},
         {0, 0, 1024, 768},
         {1024 - accelMenuWidth, 100}},
        {"left of the work area", false, 0, {10, 100}, {50, 40, 900, 700}, {50, 100}},
        {"above the work area", false, TPM_BOTTOMALIGN, {100, 10}, {50, 40, 900, 700}, {100, 40}},
        {"below the work area", false, 0, {100, 690}, {50, 40, 900, 700}, {100, -1}},
    };
    for (const Case& c : cases) {
        setWorkArea(c.work);
        auto menu = featuresMenu();
        menu->DeleteMenu(kPrintRow, MF_BYPOSITION);
        if (c.accelerator) menu->AppendMenu(MF_STRING, kPrint, "&Print\tCtrl+P");
        const int width = c.accelerator ? accelMenuWidth : plainMenuWidth;
        const int height = 4 + (c.accelerator ? 5 : 4) * row + 3;
        CSlidePopupMenu slide(menu.get(), &font, nullptr);
        Rect shown;
        track(slide, c.flags, c.at.x, c.at.y, TRUE,
              [&](CSlidePopupMenu& m) { m.GetWindowRect(&shown); });
        Point expected = c.expected;
        if (expected.x == -1) expected.x = c.work.right - width;
        if (expected.y == -1)
            expected.y = (c.flags & TPM_BOTTOMALIGN) ? c.at.y - height : c.work.bottom - height;
        EXPECT_EQ(shown, (Rect{expected.x, expected.y, expected.x + width, expected.y + height}))
            << c.label;
        EXPECT_EQ(slide.accel_width, c.accelerator ? textWidth("Ctrl+P") : 0) << c.label;
    }

    // An empty menu is 0 wide and 4 high, and closes like any other.
    setWorkArea(Rect{0, 0, 1024, 768});
    auto empty = CreatePopupMenu();
    CSlidePopupMenu slide(empty.get(), &font, nullptr);
    Rect shown;
    EXPECT_TRUE(track(slide, 0, 20, 30, FALSE, [&](CSlidePopupMenu& m) {
        m.GetWindowRect(&shown);
        QTest::keyClick(test::clientWidget(m), Qt::Key_Escape);
    }));
    EXPECT_EQ(shown, (Rect{20, 30, 20, 34}));
}

TEST_F(SlideMenuTest, TheSlideLastsTwiceTheWidthInMillisecondsAtMost250) {
    EXPECT_EQ(CSlidePopupMenu::slideDuration(150), 250u);
    EXPECT_EQ(CSlidePopupMenu::slideDuration(100), 200u);
    EXPECT_EQ(CSlidePopupMenu::slideDuration(124), 248u);
    EXPECT_EQ(CSlidePopupMenu::slideDuration(0), 0u);

    // Menus of exactly 100 and 150 pixels (the check-mark width fills the rest), with a clock
    // that moves one millisecond per reading: one frame for each millisecond after the start.
    std::string text;
    for (const char* candidate : {"Menu", "Menu.", "Menus", "Item", "Items", "A", "AB", "ABC"})
        if (text.empty() && (textWidth(candidate) + 9) % 2 == 0) text = candidate;
    ASSERT_FALSE(text.empty());
    struct Case {
        int width;
        DWORD firstTick;
        std::size_t frames;
    } cases[] = {{150, 5000, 249}, {100, 5000, 199}, {150, 0xFFFFFF80u, 249}};
    for (const Case& c : cases) {
        setSystemMetric(SM_CXMENUCHECK, (c.width - textWidth(text) - 9) / 2);
        auto menu = CreatePopupMenu();
        menu->AppendMenu(MF_STRING, 1, text.c_str());
        RecordingMenu slide(menu.get(), &font, nullptr);
        clock = c.firstTick - 1;
        setTickCountSource([this] { return ++clock; });
        Rect shown;
        track(slide, TPM_BOTTOMALIGN, 100, 400, TRUE,
              [&](CSlidePopupMenu& m) { m.GetClientRect(&shown); });
        EXPECT_EQ(shown.width(), c.width);
        EXPECT_EQ(slide.frames.size(), c.frames) << c.width << " from " << c.firstTick;
    }

    // A clock that goes backwards ends the slide at once; the menu is drawn all the same.
    auto menu = featuresMenu();
    RecordingMenu slide(menu.get(), &font, nullptr);
    DWORD readings[] = {1000, 990};
    int reading = 0;
    setTickCountSource([&] { return readings[std::min(reading++, 1)]; });
    QImage drawn;
    track(slide, 0, 100, 100, TRUE, [&](CSlidePopupMenu& m) { drawn = test::grabClient(m); });
    EXPECT_TRUE(slide.frames.empty());
    EXPECT_EQ(test::pixelAt(drawn, 5, 0), 0x000000u);
    EXPECT_EQ(test::pixelAt(drawn, drawn.width() - 2, 5), 0xFFFFD9u);
}

TEST_F(SlideMenuTest, EachFrameShowsTheFarSideOfTheMenuImage) {
    struct Case {
        const char* label;
        Rect start;
        DWORD c;
        Rect part;
        Point source;
    } cases[] = {
        // A 150 x 100 menu; slides of 250 ms.
        {"upwards, half way", {0, 100, 150, 100}, 125, {0, 50, 150, 100}, {0, 0}},
        {"upwards, 3 ms", {0, 100, 150, 100}, 3, {0, 99, 150, 100}, {0, 0}},
        {"downwards, half way", {0, 0, 150, 0}, 125, {0, 0, 150, 50}, {0, 50}},
        {"downwards, 3 ms", {0, 0, 150, 0}, 3, {0, 0, 150, 1}, {0, 99}},
        {"to the right, half way", {0, 0, 0, 100}, 125, {0, 0, 75, 100}, {75, 0}},
        {"to the right, 249 ms", {0, 0, 0, 100}, 249, {0, 0, 149, 100}, {1, 0}},
    };
    for (const Case& c : cases) {
        const auto frame = CSlidePopupMenu::slideFrame(c.start, Rect{0, 0, 150, 100}, c.c, 250);
        EXPECT_EQ(frame.part, c.part) << c.label;
        EXPECT_EQ(frame.source, c.source) << c.label;
    }
    EXPECT_EQ(CSlidePopupMenu::slideFrame(Rect{0, 0, 0, 100}, Rect{0, 0, 150, 100}, 0, 0).part,
              (Rect{0, 0, 150, 100}));

    // Each opening direction of a real menu.
    struct Opening {
        const char* label;
        UINT flags;
        BOOL vertical;
    } openings[] = {{"up", TPM_BOTTOMALIGN, TRUE}, {"down", 0, TRUE}, {"right", 0, FALSE}};
    for (const Opening& o : openings) {
        auto menu = featuresMenu();
        RecordingMenu slide(menu.get(), &font, nullptr);
        setTickCountSource([this] { return clock += 7; });
        Rect client;
        track(slide, o.flags, 200, 500, o.vertical,
              [&](CSlidePopupMenu& m) { m.GetClientRect(&client); });
        ASSERT_GT(slide.frames.size(), 10u) << o.label;
        for (const auto& f : slide.frames) {
            if (o.vertical && (o.flags & TPM_BOTTOMALIGN)) {
                EXPECT_EQ(f.part.bottom, client.bottom) << o.label;
                EXPECT_EQ(f.source, (Point{0, 0})) << o.label;
            } else if (o.vertical) {
                EXPECT_EQ(f.part.top, 0) << o.label;
                EXPECT_EQ(f.source, (Point{0, client.bottom - f.part.height()})) << o.label;
            } else {
                EXPECT_EQ(f.part.left, 0) << o.label;
                EXPECT_EQ(f.source, (Point{client.right - f.part.width(), 0})) << o.label;
            }
        }
    }
}

TEST_F(SlideMenuTest, HoverHighlightsAnyItemButSeparatorsAndClicksActOnlyOnEnabledItems) {
    auto menu = featuresMenu();
    CSlidePopupMenu slide(menu.get(), &font, nullptr);
    std::vector<int> highlighted;
    unsigned disabledRowColour = 0;
    track(slide, 0, 100, 100, TRUE, [&](CSlidePopupMenu& m) {
        for (int row : {kDisabled, kSeparator, kVisitor}) {
            moveTo(m, centreOf(m.itemRect(row)));
            highlighted.push_back(m.selected);
            if (row == kDisabled)
                disabledRowColour = test::pixelAt(test::grabClient(m), m.itemRect(row).right - 2,
                                                  centreOf(m.itemRect(row)).y());
        }
        moveTo(m, QPoint(5, 1));
        highlighted.push_back(m.selected);
        // A row's bottom edge still hits the row; the two bands and the sides hit nothing.
        Rect client;
        m.GetClientRect(&client);
        const Rect first = m.itemRect(0);
        const struct {
            Point point;
            int item;
        } hits[] = {{{5, first.bottom}, 0},
                    {{5, first.bottom + 1}, 1},
                    {{5, 1}, -1},
                    {{5, 2}, 0},
                    {{5, client.bottom - 2}, -1},
                    {{5, client.bottom - 3}, kPrintRow},
                    {{client.right, first.top}, -1},
                    {{-1, first.top}, -1}};
        for (const auto& hit : hits)
            EXPECT_EQ(m.itemAt(hit.point), hit.item) << hit.point.x << "," << hit.point.y;
    });
    EXPECT_EQ(highlighted, (std::vector<int>{kDisabled, -1, kVisitor, -1}));
    EXPECT_EQ(disabledRowColour, 0xD9D39Cu);

    struct Case {
        const char* label;
        int row;
        bool staysOpen;
        std::vector<WPARAM> commands;
    } cases[] = {
        {"separator", kSeparator, true, {}},
        {"disabled item", kDisabled, true, {}},
        {"item with id 0", kNoCommand, false, {}},
        {"item", kVisitor, false, {kVisitorCenter}},
        {"item with accelerator", kPrintRow, false, {kPrint}},
    };
    for (const Case& c : cases) {
        owner.commands.clear();
        CSlidePopupMenu clicked(menu.get(), &font, nullptr);
        bool open = false;
        track(clicked, 0, 100, 100, TRUE, [&](CSlidePopupMenu& m) {
            QTest::mouseClick(test::clientWidget(m), Qt::LeftButton, {},
                              centreOf(m.itemRect(c.row)));
            open = isOpen(m);
        });
        EXPECT_EQ(open, c.staysOpen) << c.label;
        EXPECT_EQ(commandIds(), c.commands) << c.label;
        EXPECT_FALSE(clicked.exists()) << c.label;
    }
}

TEST_F(SlideMenuTest, EscapeAltCancelModeAndOutsideClicksCloseWithoutACommand) {
    struct Case {
        const char* label;
        std::function<void(CSlidePopupMenu&)> input;
        std::vector<Point> ownerPresses;
    } cases[] = {
        {"Escape",
         [](CSlidePopupMenu& m) { QTest::keyClick(test::clientWidget(m), Qt::Key_Escape); },
         {}},
        {"Alt",
         [](CSlidePopupMenu& m) { QTest::keyClick(test::clientWidget(m), Qt::Key_Alt); },
         {}},
        {"Alt key down", [](CSlidePopupMenu& m) { m.SendMessage(WM_KEYDOWN, VK_MENU, 1); }, {}},
        {"WM_CANCELMODE", [](CSlidePopupMenu& m) { m.SendMessage(WM_CANCELMODE); }, {}},
        {"click outside",
         [this](CSlidePopupMenu&) { press(owner, QPoint(600, 300)); },
         {{600, 300}}},
    };
    for (const Case& c : cases) {
        owner.presses.clear();
        const MenuTracking before = setTrackingMenu(MenuTracking{nullptr, &owner});
        auto menu = featuresMenu();
        CSlidePopupMenu slide(menu.get(), &font, nullptr);
        bool open = true, focused = false, captured = false, tracked = false;
        EXPECT_TRUE(track(slide, TPM_BOTTOMALIGN, 100, 500, TRUE, [&](CSlidePopupMenu& m) {
            focused = GetFocus() == m.GetSafeHwnd();
            captured = GetCapture() == m.GetSafeHwnd();
            tracked = trackingMenu().menu == menu.get() && trackingMenu().owner == &owner;
            c.input(m);
            open = isOpen(m);
        })) << c.label;
        EXPECT_TRUE(focused && captured && tracked) << c.label;
        EXPECT_FALSE(open) << c.label;
        EXPECT_TRUE(owner.commands.empty()) << c.label;
        EXPECT_EQ(owner.presses, c.ownerPresses) << c.label;
        EXPECT_EQ(GetCapture(), nullptr) << c.label;
        EXPECT_FALSE(slide.exists()) << c.label;
        EXPECT_EQ(trackingMenu().menu, nullptr) << c.label;
        EXPECT_EQ(trackingMenu().owner, &owner) << c.label;
        setTrackingMenu(before);
    }

    CSlidePopupMenu noMenu(nullptr, &font, nullptr);
    EXPECT_FALSE(noMenu.Track(0, 10, 10, &owner, TRUE));
    auto menu = featuresMenu();
    CSlidePopupMenu noOwner(menu.get(), &font, nullptr);
    EXPECT_FALSE(noOwner.Track(0, 10, 10, nullptr, TRUE));
}

TEST_F(SlideMenuTest, TheOwnerPreparesTheItemsBeforeTheyAreRead) {
    auto menu = featuresMenu();
    menu->AppendMenu(MF_STRING, 40000, std::string(300, 'x').c_str());
    owner.initMenu = [](Menu* popup) {
        popup->EnableMenuItem(kVisitorCenter, MF_DISABLED);
        popup->CheckMenuItem(kPrint, MF_CHECKED);
    };
    CSlidePopupMenu slide(menu.get(), &font, nullptr);
    track(slide, 0, 100, 100, TRUE, [&](CSlidePopupMenu& m) {
        QTest::mouseClick(test::clientWidget(m), Qt::LeftButton, {},
                          centreOf(m.itemRect(kVisitor)));
    });
    EXPECT_EQ(owner.initialised, (std::vector<Menu*>{menu.get()}));
    ASSERT_EQ(slide.item_count, 7);
    EXPECT_TRUE(slide.items[kVisitor].state & MF_DISABLED);
    EXPECT_TRUE(slide.items[kPrintRow].state & MF_CHECKED);
    EXPECT_TRUE(slide.items[kPoints].state & MF_POPUP);
    EXPECT_EQ(slide.items[6].text, std::string(255, 'x'));
    EXPECT_TRUE(owner.commands.empty()) << "disabled by the owner";
}

TEST_F(SlideMenuTest, SubmenusOpenToTheRightAndTheChainPostsExactlyOneCommand) {
    struct Case {
        const char* label;
        // Runs inside the submenu's loop, with the parent menu.
        std::function<void(CSlidePopupMenu& child, CSlidePopupMenu& parent)> input;
        std::vector<WPARAM> commands;
    } cases[] = {
        {"choice in the submenu",
         [](CSlidePopupMenu& child, CSlidePopupMenu&) {
             QTest::mouseClick(test::clientWidget(child), Qt::LeftButton, {},
                               centreOf(child.itemRect(1)));
         },
         {20001}},
        {"Escape in the submenu",
         [](CSlidePopupMenu& child, CSlidePopupMenu&) {
             QTest::keyClick(test::clientWidget(child), Qt::Key_Escape);
         },
         {}},
        {"click on a row of the parent",
         [](CSlidePopupMenu&, CSlidePopupMenu& parent) {
             press(parent, centreOf(parent.itemRect(kVisitor)));
         },
         {kVisitorCenter}},
        {"press reaching the parent before the submenu has gone",
         [](CSlidePopupMenu& child, CSlidePopupMenu& parent) {
             const Rect row = parent.itemRect(kVisitor);
             parent.SendMessage(WM_LBUTTONDOWN, 0, pointToLParam(Point{row.left + 5, row.top + 5}));
             child.SendMessage(WM_CANCELMODE);
         },
         {kVisitorCenter}},
    };
    for (const Case& c : cases) {
        owner.commands.clear();
        owner.initialised.clear();
        auto menu = featuresMenu();
        CSlidePopupMenu slide(menu.get(), &font, nullptr);
        Rect parentRect, childRect, parentRow;
        bool childTracked = false, parentOpenAfter = false;
        std::vector<int> parentHighlights;
        track(slide, TPM_BOTTOMALIGN, 100, 500, TRUE, [&](CSlidePopupMenu& parent) {
            parent.GetWindowRect(&parentRect);
            parentRow = parent.itemRect(kPoints);
            test::whenModal([&](Window& w) {
                auto& child = static_cast<CSlidePopupMenu&>(w);
                child.GetWindowRect(&childRect);
                childTracked =
                    trackingMenu().menu == menu->GetSubMenu(0) && child.parent_menu == &parent;
                // The parent follows the mouse while the submenu holds it.
                moveTo(parent, centreOf(parent.itemRect(kPrintRow)));
                test::processEvents();
                parentHighlights.push_back(parent.selected);
                moveTo(child, centreOf(child.itemRect(0)));
                test::processEvents();
                parentHighlights.push_back(parent.selected);
                c.input(child, parent);
            });
            press(parent, centreOf(parentRow));
            // A press handed on by the submenu is handled by the parent's loop.
            test::processEvents();
            parentOpenAfter = isOpen(parent);
            if (parentOpenAfter) release(parent, centreOf(parent.itemRect(kVisitor)));
        });
        EXPECT_EQ(childRect.left, parentRect.right) << c.label;
        EXPECT_EQ(childRect.top, parentRect.top + parentRow.top) << c.label;
        EXPECT_TRUE(childTracked) << c.label;
        EXPECT_EQ(parentHighlights, (std::vector<int>{kPrintRow, kPoints})) << c.label;
        EXPECT_EQ(owner.initialised, (std::vector<Menu*>{menu.get(), menu->GetSubMenu(0)}))
            << c.label;
        EXPECT_EQ(parentOpenAfter, !c.commands.empty() && c.commands[0] == kVisitorCenter)
            << c.label;
        EXPECT_EQ(commandIds(), c.commands) << c.label;
        EXPECT_EQ(GetCapture(), nullptr) << c.label;
        EXPECT_EQ(trackingMenu().menu, nullptr) << c.label;
    }
}

// Dark pixels (all channels below 100) of a row between two x positions.
int darkPixels(const QImage& image, const Rect& row, int left, int right) {
    int count = 0;
    for (int y = row.top; y < row.bottom; ++y)
        for (int x = left; x < right; ++x)
            if ((QColor(image.pixel(x, y)).lightness()) < 100) ++count;
    return count;
}
int firstDarkColumn(const QImage& image, const Rect& row, int left) {
    for (int x = left; x < row.right; ++x)
        if (darkPixels(image, row, x, x + 1) > 0) return x;
    return -1;
}

TEST_F(SlideMenuTest, PaintingShowsBandsHighlightCheckMarksTextColoursAndTwoPartTexts) {
    auto more = CreatePopupMenu();
    more->AppendMenu(MF_STRING, 7, "&Seven");
    auto menu = CreatePopupMenu();
    menu->AppendMenu(MF_STRING | MF_CHECKED, 1, "&Checked");      // 0
    menu->AppendMenu(MF_STRING, 2, "&Plain");                     // 1
    menu->AppendMenu(MF_STRING | MF_DISABLED, 3, "&Disabled");    // 2
    menu->AppendMenu(MF_STRING, 4, "&Name\tCtrl+A");              // 3
    menu->AppendMenu(MF_STRING, 5, "&Longer name\tCtrl+Shift+A"); // 4
    menu->AppendMenu(MF_SEPARATOR);                               // 5
    menu->AppendPopup(MF_STRING, std::move(more), "&More");       // 6
    menu->AppendMenu(MF_STRING, 6, "\tCtrl+T");                   // 7
    CSlidePopupMenu slide(menu.get(), &font, nullptr);
    QImage image;
    std::vector<Rect> rows;
    track(slide, 0, 100, 100, TRUE, [&](CSlidePopupMenu& m) {
        hover(m, 1);
        image = test::grabClient(m);
        for (int i = 0; i < 8; ++i)
            rows.push_back(m.itemRect(i));
    });
    const int width = image.width(), height = image.height();
    const int accelWidth = textWidth("Ctrl+Shift+A");
    EXPECT_EQ(slide.accel_width, accelWidth) << "a text that begins with a tab is all accelerator";
    EXPECT_EQ(width, textWidth("&Longer name") + 2 * 13 + 6 * 3 + accelWidth);
    const int nameX = 2 * 3 + 13, accelX = width - 2 * 3 - accelWidth - 13;

    EXPECT_EQ(test::pixelAt(image, 0, 0), 0x000000u) << "top band";
    EXPECT_EQ(test::pixelAt(image, width - 1, 1), 0x000000u) << "top band";
    EXPECT_EQ(test::pixelAt(image, 0, height - 2), 0x000000u) << "bottom band";
    EXPECT_EQ(test::pixelAt(image, width - 1, rows[0].top + 1), 0xFFFFD9u) << "menu background";
    EXPECT_EQ(test::pixelAt(image, width - 1, rows[1].top + 1), 0xD9D39Cu) << "highlighted";
    const int line = rows[5].top + rows[5].height() / 2;
    EXPECT_EQ(test::pixelAt(image, 2, line), 0x000000u) << "separator";
    EXPECT_EQ(test::pixelAt(image, width - 3, line), 0x000000u) << "separator";
    EXPECT_EQ(test::pixelAt(image, width - 2, line), 0xFFFFD9u) << "separator";

    EXPECT_GT(darkPixels(image, rows[0], 3, 3 + 13), 5) << "check mark";
    EXPECT_EQ(darkPixels(image, rows[1], 0, nameX), 0) << "no check mark";
    EXPECT_GT(darkPixels(image, rows[1], nameX, width), 20) << "black text";
    EXPECT_EQ(darkPixels(image, rows[2], 0, width), 0) << "disabled text is grey";
    int grey = 0;
    for (int y = rows[2].top; y < rows[2].bottom; ++y)
        for (int x = nameX; x < width; ++x)
            grey += test::pixelAt(image, x, y) == 0xC0C0C0u;
    EXPECT_GT(grey, 0) << "disabled text";
    EXPECT_GT(darkPixels(image, rows[6], width - 3 - 13, width - 3), 5) << "submenu arrow";
    EXPECT_EQ(darkPixels(image, rows[1], width - 3 - 13, width), 0) << "no arrow";

    // Names after the check-mark column, accelerators aligned in their own column.
    for (int i : {3, 4}) {
        EXPECT_GE(firstDarkColumn(image, rows[i], 0), nameX) << i;
        EXPECT_LT(firstDarkColumn(image, rows[i], 0), nameX + 3) << i;
        EXPECT_EQ(darkPixels(image, rows[i], accelX - 4, accelX), 0) << i;
    }
    EXPECT_GE(firstDarkColumn(image, rows[3], accelX), accelX);
    EXPECT_LT(firstDarkColumn(image, rows[3], accelX), accelX + 3);
    EXPECT_EQ(firstDarkColumn(image, rows[3], accelX), firstDarkColumn(image, rows[4], accelX));
    EXPECT_EQ(firstDarkColumn(image, rows[7], 0), firstDarkColumn(image, rows[3], accelX));

    // On a palette display the colours map to the palette the menu is given.
    setDisplayUsesPalette(true);
    std::vector<BYTE> record(4 + 4 * 4);
    const PALETTEENTRY entries[4] = {
        {0, 0, 0, 0}, {250, 250, 200, 0}, {200, 200, 150, 0}, {180, 180, 180, 0}};
    const WORD header[2] = {0x300, 4};
    std::memcpy(record.data(), header, sizeof header);
    std::memcpy(record.data() + 4, entries, sizeof entries);
    Palette palette;
    ASSERT_TRUE(palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(record.data())));
    CSlidePopupMenu mapped(menu.get(), &font, &palette);
    track(mapped, 0, 100, 100, TRUE, [&](CSlidePopupMenu& m) {
        hover(m, 1);
        image = test::grabClient(m);
    });
    EXPECT_EQ(test::pixelAt(image, width - 1, rows[0].top + 1), 0xFAFAC8u);
    EXPECT_EQ(test::pixelAt(image, width - 1, rows[1].top + 1), 0xC8C896u);
}

} // namespace
