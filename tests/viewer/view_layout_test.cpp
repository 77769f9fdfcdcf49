// The scroll-bar helpers: where the bars go and how the display grows for them, what each scroll
// code does to the view, and the bars' refresh after a scroll made by the program.
#include "platform/qt/controls.h"
#include "viewer/view_layout.h"
#include "viewer_fixtures.h"

using namespace viewer_test;

namespace {

// A window with a horizontal and a vertical scroll-bar control and a loaded picture.
class ViewLayoutTest : public platform::test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(window.CreateEx(0, nullptr, "View", WS_POPUP | WS_VISIBLE,
                                    Rect{0, 0, 1000, 700}, nullptr));
        ASSERT_TRUE(hbar.Create(SBS_HORZ, Rect{0, 0, 10, 10}, &window, 1035));
        ASSERT_TRUE(vbar.Create(SBS_VERT, Rect{0, 0, 10, 10}, &window, 1036));
    }
    void load(int width, int height) {
        const std::string path = dir.file("PICTURE.BMP");
        ASSERT_TRUE(tools::writeFile(path, tools::makeBmp(panoramaImage(width, height))));
        ASSERT_TRUE(
            picture.ReadImageFile(path.c_str(), "Picture", TRUE, nullptr, nullptr, TRUE, "test"));
    }
    Rect barRect(platform::ScrollBar& bar) {
        Rect r;
        bar.GetWindowRect(&r);
        window.ScreenToClient(&r);
        return r;
    }

    testing_support::TempDir dir;
    platform::Window window;
    platform::ScrollBar hbar;
    platform::ScrollBar vbar;
    Cmemdib picture;
};

} // namespace

// Bars are 16 pixels thick (the default metrics). Each case: the display rectangle as centred in
// the view, and what the layout makes of it.
TEST_F(ViewLayoutTest, LayoutCases) {
    const Rect view{0, 0, 1000, 700};
    struct Case {
        const char* label;
        Rect display, image;
        BOOL centre, enabled;
        Rect expected, grown;
        BOOL hshown, vshown;
        Rect hrect, vrect;
        int hlimit, vlimit, hpos, vpos;
    } cases[] = {
        {"neither: image fits",
         {300, 200, 700, 500},
         {0, 0, 400, 300},
         TRUE,
         TRUE,
         {300, 200, 700, 500},
         {300, 200, 700, 500},
         FALSE,
         FALSE,
         {},
         {},
         -7,
         -7,
         0,
         0},
        {"neither: setting off",
         {0, 0, 1000, 700},
         {0, 0, 3000, 2000},
         TRUE,
         FALSE,
         {0, 0, 1000, 700},
         {0, 0, 1000, 700},
         FALSE,
         FALSE,
         {},
         {},
         -7,
         -7,
         0,
         0},
        {"only horizontal: half a bar above, the rest below",
         {0, 100, 1000, 600},
         {0, 0, 3000, 500},
         TRUE,
         TRUE,
         {0, 92, 1000, 592},
         {0, 92, 1000, 608},
         TRUE,
         FALSE,
         {0, 592, 1000, 608},
         {},
         2000,
         -7,
         1000,
         0},
        {"only horizontal: moved down to stay in the view",
         {0, 0, 1000, 500},
         {0, 0, 3000, 500},
         TRUE,
         TRUE,
         {0, 0, 1000, 500},
         {0, 0, 1000, 516},
         TRUE,
         FALSE,
         {0, 500, 1000, 516},
         {},
         2000,
         -7,
         1000,
         0},
        {"only horizontal, not centred: grows down",
         {0, 100, 1000, 600},
         {0, 0, 3000, 500},
         FALSE,
         TRUE,
         {0, 100, 1000, 600},
         {0, 100, 1000, 616},
         TRUE,
         FALSE,
         {0, 600, 1000, 616},
         {},
         2000,
         -7,
         1000,
         0},
        {"the horizontal bar makes the image too tall: both",
         {0, 5, 1000, 695},
         {0, 0, 3000, 690},
         TRUE,
         TRUE,
         {0, 0, 984, 684},
         {0, 0, 1000, 700},
         TRUE,
         TRUE,
         {0, 684, 984, 700},
         {984, 0, 1000, 700},
         2016,
         6,
         1008,
         3},
        {"only vertical",
         {100, 0, 900, 700},
         {0, 0, 800, 2000},
         TRUE,
         TRUE,
         {92, 0, 892, 700},
         {92, 0, 908, 700},
         FALSE,
         TRUE,
         {},
         {892, 0, 908, 700},
         -7,
         1300,
         0,
         650},
        {"both from the start",
         {0, 0, 1000, 700},
         {0, 0, 3000, 2000},
         TRUE,
         TRUE,
         {0, 0, 984, 684},
         {0, 0, 1000, 700},
         TRUE,
         TRUE,
         {0, 684, 984, 700},
         {984, 0, 1000, 700},
         2016,
         1316,
         1008,
         658},
    };
    for (const Case& c : cases) {
        Rect display = c.display, grown;
        BOOL hshown = -1, vshown = -1;
        int hlimit = -7, vlimit = -7;
        hbar.ShowScrollBar(TRUE);
        vbar.ShowScrollBar(TRUE);
        LayoutScrollBars(display, grown, view, c.image, c.centre, c.centre, c.enabled, hshown,
                         vshown, &hbar, &vbar, hlimit, vlimit);
        EXPECT_EQ(display, c.expected) << c.label;
        EXPECT_EQ(grown, c.grown) << c.label;
        EXPECT_EQ(hshown, c.hshown) << c.label;
        EXPECT_EQ(vshown, c.vshown) << c.label;
        EXPECT_EQ(hbar.IsWindowVisible(), c.hshown) << c.label;
        EXPECT_EQ(vbar.IsWindowVisible(), c.vshown) << c.label;
        EXPECT_EQ(hlimit, c.hlimit) << c.label;
        EXPECT_EQ(vlimit, c.vlimit) << c.label;
        if (c.hshown) {
            EXPECT_EQ(barRect(hbar), c.hrect) << c.label;
            SCROLLINFO info;
            hbar.GetScrollInfo(&info);
            EXPECT_EQ(info.nMin, c.image.left) << c.label;
            EXPECT_EQ(info.nMax, c.image.right) << c.label;
            EXPECT_EQ(int(info.nPage), display.width()) << c.label;
            EXPECT_EQ(info.nPos, c.hpos) << c.label;
        }
        if (c.vshown) {
            EXPECT_EQ(barRect(vbar), c.vrect) << c.label;
            SCROLLINFO info;
            vbar.GetScrollInfo(&info);
            EXPECT_EQ(int(info.nPage), display.height()) << c.label;
            EXPECT_EQ(info.nPos, c.vpos) << c.label;
        }
    }
}

// On a 1000-pixel display a line is 62 pixels and a page 1000; steps stop at the range ends,
// where a line or page toward the end does nothing at all.
TEST_F(ViewLayoutTest, ScrollCodes) {
    load(3000, 600);
    Rect display{0, 0, 1000, 600}, grown;
    BOOL hshown = FALSE, vshown = FALSE;
    int hlimit = 0, vlimit = 0;
    LayoutScrollBars(display, grown, Rect{0, 0, 1000, 700}, picture.image_rect, TRUE, TRUE, TRUE,
                     hshown, vshown, &hbar, &vbar, hlimit, vlimit);
    ASSERT_TRUE(hshown);
    ASSERT_FALSE(vshown);
    ASSERT_EQ(display.width(), 1000);
    picture.dest_rect = display;
    Rect source{1000, 0, 2000, display.height()};
    picture.ClipToImage(source);
    hbar.SetScrollPos(1000);

    struct Step {
        const char* label;
        UINT code;
        int thumb; // the bar's position before the step, or -1
        int left;
        bool repaints;
    } steps[] = {
        {"line right", SB_LINERIGHT, -1, 1062, true},
        {"line left", SB_LINELEFT, -1, 1000, true},
        {"page right", SB_PAGERIGHT, -1, 2000, true},
        {"page right at the limit", SB_PAGERIGHT, -1, 2000, false},
        {"line right at the limit", SB_LINERIGHT, -1, 2000, false},
        {"thumb position", SB_THUMBPOSITION, 500, 500, true},
        {"page left, clamped", SB_PAGELEFT, -1, 0, true},
        {"line left at the left edge", SB_LINELEFT, -1, 0, false},
        {"thumb dragged past the end", SB_THUMBTRACK, 5000, 2000, true},
        {"end of scroll", SB_ENDSCROLL, -1, 2000, false},
    };
    for (const Step& step : steps) {
        if (step.thumb >= 0) hbar.SetScrollPos(step.thumb);
        window.ValidateRect(nullptr);
        HandleScrollBar(&hbar, step.code, &picture, &window, picture.image_rect.left, hlimit, TRUE);
        EXPECT_EQ(picture.clip_rect.left, step.left) << step.label;
        EXPECT_EQ(picture.clip_rect.width(), 1000) << step.label;
        EXPECT_EQ(hbar.GetScrollPos(), step.left) << step.label;
        Rect update;
        EXPECT_EQ(window.GetUpdateRect(&update) != FALSE, step.repaints) << step.label;
        if (step.repaints) {
            EXPECT_EQ(update, display) << step.label;
        }
    }
}

TEST_F(ViewLayoutTest, SyncMovesOnlyTheShownBars) {
    load(3000, 2000);
    picture.dest_rect = Rect{0, 0, 984, 684};
    Rect source{0, 0, 984, 684};
    picture.ClipToImage(source);
    picture.ScrollTo(700, 900);
    hbar.SetScrollRange(0, 3000);
    vbar.SetScrollRange(0, 2000);
    hbar.SetScrollPos(5);
    vbar.SetScrollPos(6);
    SyncScrollBars(FALSE, FALSE, &hbar, &vbar, &picture);
    EXPECT_EQ(hbar.GetScrollPos(), 5);
    EXPECT_EQ(vbar.GetScrollPos(), 6);
    SyncScrollBars(FALSE, TRUE, &hbar, &vbar, &picture);
    EXPECT_EQ(hbar.GetScrollPos(), 5);
    EXPECT_EQ(vbar.GetScrollPos(), 900);
    SyncScrollBars(TRUE, TRUE, &hbar, &vbar, &picture);
    EXPECT_EQ(hbar.GetScrollPos(), 700);
}
