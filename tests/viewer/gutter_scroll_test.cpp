// Edge scrolling: the gutter's boundaries, the sectors, blocked diagonals, the jumps of a press
// (Shift, double-click), the repeat gate, the cursors and the timer's failures.
#include "viewer/gutter_scroll.h"
#include "viewer_fixtures.h"

using namespace viewer_test;

namespace {

constexpr UINT kTimer = 20100;

// A window showing a 4000 x 3000 picture in a 1000 x 600 display at (10, 20).
class GutterScrollTest : public platform::test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        resources::registerCursorsAndIcon();
        ASSERT_TRUE(window.CreateEx(0, nullptr, "Gutter window", WS_POPUP | WS_VISIBLE,
                                    Rect{0, 0, 1100, 700}, nullptr));
        const std::string path = dir.file("PICTURE.BMP");
        ASSERT_TRUE(tools::writeFile(path, tools::makeBmp(panoramaImage(4000, 3000))));
        ASSERT_TRUE(
            picture.ReadImageFile(path.c_str(), "Picture", TRUE, nullptr, nullptr, TRUE, "test"));
        picture.dest_rect = kDisplay;
        moveTo(1500, 1200);
        ASSERT_TRUE(gutter.LoadCursors());
    }
    void moveTo(int x, int y) {
        Rect source{x, y, x + kDisplay.width(), y + kDisplay.height()};
        picture.ClipToImage(source);
    }
    Point origin() const { return picture.clip_rect.topLeft(); }

    static constexpr Rect kDisplay{10, 20, 1010, 620};
    testing_support::TempDir dir;
    platform::Window window;
    platform::Palette palette;
    Cmemdib picture;
    CGutterScroll gutter{&window, &palette, kTimer};
};

} // namespace

TEST_F(GutterScrollTest, ConstructionValues) {
    const Point steps[] = {{0, -10}, {7, -7}, {10, 0},  {7, 7},
                           {0, 10},  {-7, 7}, {-10, 0}, {-7, -7}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(gutter.stepVector(i), steps[i]) << i;
        EXPECT_EQ(gutter.directionCursor(i), LoadCursor(101 + i)) << i;
    }
    EXPECT_EQ(gutter.arrowCursor(), LoadCursor(IDC_ARROW));
    EXPECT_EQ(gutter.delayCountdown(), -1);
    EXPECT_FALSE(gutter.repeatStarted());
}

// The band is 30 pixels wide on each side: 29 in, 30 out.
TEST_F(GutterScrollTest, GutterBoundaries) {
    const int midY = 320, midX = 510;
    const struct {
        int x, y;
        BOOL in;
    } cases[] = {
        {kDisplay.left + 29, midY, TRUE},    {kDisplay.left + 30, midY, FALSE},
        {kDisplay.right - 30, midY, TRUE},   {kDisplay.right - 31, midY, FALSE},
        {midX, kDisplay.top + 29, TRUE},     {midX, kDisplay.top + 30, FALSE},
        {midX, kDisplay.bottom - 30, TRUE},  {midX, kDisplay.bottom - 31, FALSE},
        {kDisplay.left - 1, midY, FALSE},    {kDisplay.right, midY, FALSE},
        {kDisplay.left, kDisplay.top, TRUE}, {midX, kDisplay.bottom, FALSE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gutter.InGutter(&picture, c.x, c.y), c.in) << c.x << "," << c.y;
}

// Offsets from the centre (510, 320); a quarter of the display is 250 across and 150 down.
TEST_F(GutterScrollTest, Sectors) {
    using G = CGutterScroll;
    const struct {
        int dx, dy, sector;
    } cases[] = {
        {0, -300, G::kUp},         {249, -300, G::kUp},       {250, -300, G::kUpRight},
        {-249, -300, G::kUp},      {-250, -300, G::kUpLeft},  {0, 300, G::kDown},
        {250, 150, G::kDownRight}, {-250, 150, G::kDownLeft}, {-500, 149, G::kLeft},
        {-500, -149, G::kLeft},    {-500, -150, G::kUpLeft},  {500, 0, G::kRight},
        {0, 0, G::kLeft},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gutter.Sector(&picture, c.dx, c.dy), c.sector) << c.dx << "," << c.dy;
}

// At an image edge a diagonal that is blocked on one axis turns straight along the other; a
// straight direction that is blocked cannot scroll.
TEST_F(GutterScrollTest, BlockedDirections) {
    using G = CGutterScroll;
    const Point upRightCorner{kDisplay.right - 5, kDisplay.top + 5};
    const Point topMiddle{510, kDisplay.top + 5};
    const struct {
        const char* label;
        Point view; // the top-left of the shown part
        Point at;
        int index;
        Point step;
        BOOL can;
    } cases[] = {
        {"free diagonal", {1500, 1200}, upRightCorner, G::kUpRight, {7, -7}, TRUE},
        {"top edge: up-right turns right", {1500, 0}, upRightCorner, G::kRight, {10, 0}, TRUE},
        {"right edge: up-right turns up", {3000, 1200}, upRightCorner, G::kUp, {0, -10}, TRUE},
        {"top-right corner: nothing", {3000, 0}, upRightCorner, G::kUp, {0, -10}, FALSE},
        {"top edge: up is blocked", {1500, 0}, topMiddle, G::kLeft, {-10, 0}, FALSE},
    };
    for (const auto& c : cases) {
        moveTo(c.view.x, c.view.y);
        const auto r = gutter.Direction(&picture, c.at.x, c.at.y);
        EXPECT_EQ(r.index, c.index) << c.label;
        EXPECT_EQ(r.step, c.step) << c.label;
        EXPECT_EQ(r.canScroll, c.can) << c.label;
    }
}

// A press in the gutter jumps three steps (Shift: three quarters of the display), a double-click
// twice; the direction's cursor shows and the repeat timer starts.
TEST_F(GutterScrollTest, PressJumps) {
    const Point right{kDisplay.right - 5, 320};
    const Point down{510, kDisplay.bottom - 5};
    const Point downLeft{kDisplay.left + 5, kDisplay.bottom - 5};
    const struct {
        const char* label;
        Point at;
        UINT flags;
        BOOL dbl;
        Point moved;
        int cursor;
    } cases[] = {
        {"right", right, 0, FALSE, {30, 0}, 103},
        {"down", down, 0, FALSE, {0, 30}, 105},
        {"down-left", downLeft, 0, FALSE, {-21, 21}, 106},
        {"shift right", right, MK_SHIFT, FALSE, {750, 0}, 103},
        {"shift down", down, MK_SHIFT, FALSE, {0, 450}, 105},
        {"double-click right", right, 0, TRUE, {60, 0}, 103},
    };
    for (const auto& c : cases) {
        moveTo(1500, 1200);
        int scrolled = -1;
        EXPECT_TRUE(gutter.OnButtonDown(&picture, c.at.x, c.at.y, TRUE, c.flags, c.dbl, &scrolled))
            << c.label;
        EXPECT_EQ(scrolled, 1) << c.label;
        EXPECT_EQ(origin(), (Point{1500 + c.moved.x, 1200 + c.moved.y})) << c.label;
        EXPECT_EQ(platform::test::currentCursorId(), c.cursor) << c.label;
        EXPECT_TRUE(platform::test::timerActive(window, kTimer)) << c.label;
        EXPECT_EQ(gutter.delayCountdown(), 8) << c.label;
    }
}

TEST_F(GutterScrollTest, PressesThatDoNotScroll) {
    int scrolled = -1;
    // Disabled (the scroll bars are in use): not taken.
    EXPECT_FALSE(
        gutter.OnButtonDown(&picture, kDisplay.right - 5, 320, FALSE, 0, FALSE, &scrolled));
    EXPECT_EQ(scrolled, 0);
    // Outside the gutter: not taken, scrolled left alone.
    scrolled = -1;
    EXPECT_FALSE(gutter.OnButtonDown(&picture, 510, 320, TRUE, 0, FALSE, &scrolled));
    EXPECT_EQ(scrolled, -1);
    // In the gutter where nothing can move: taken, nothing scrolls, the arrow shows.
    moveTo(1500, 0);
    EXPECT_TRUE(gutter.OnButtonDown(&picture, 510, kDisplay.top + 5, TRUE, 0, FALSE, &scrolled));
    EXPECT_EQ(scrolled, 0);
    EXPECT_EQ(origin(), (Point{1500, 0}));
    EXPECT_EQ(platform::test::currentCursorId(), IDC_ARROW);
    EXPECT_FALSE(platform::test::timerActive(window, kTimer));
}

// After a press the first seven ticks wait, the eighth (440 ms later) scrolls a step and every
// later one too. The direction follows the pointer anywhere in the display; outside it the ticks
// do nothing and the timer runs on.
TEST_F(GutterScrollTest, RepeatGate) {
    const Point right{kDisplay.right - 5, 320};
    int scrolled = 0;
    ASSERT_TRUE(gutter.OnButtonDown(&picture, right.x, right.y, TRUE, 0, FALSE, &scrolled));
    ASSERT_EQ(origin().x, 1530);
    for (int tick = 1; tick <= 7; ++tick) {
        gutter.OnTimerTick(&picture, right.x, right.y, TRUE, &scrolled);
        EXPECT_EQ(scrolled, 0) << tick;
        EXPECT_EQ(origin().x, 1530) << tick;
    }
    gutter.OnTimerTick(&picture, right.x, right.y, TRUE, &scrolled);
    EXPECT_EQ(scrolled, 1);
    EXPECT_EQ(origin().x, 1540);
    EXPECT_TRUE(gutter.repeatStarted());
    gutter.OnTimerTick(&picture, 600, 320, TRUE, &scrolled); // inside, right of centre
    EXPECT_EQ(origin().x, 1550);
    gutter.OnTimerTick(&picture, kDisplay.right + 3, 320, TRUE, &scrolled);
    EXPECT_EQ(scrolled, 0);
    EXPECT_EQ(origin().x, 1550);
    EXPECT_TRUE(platform::test::timerActive(window, kTimer));
    // Moving off the gutter ends the held scroll.
    gutter.OnMouseMove(&picture, 510, 320, TRUE);
    EXPECT_FALSE(platform::test::timerActive(window, kTimer));
    EXPECT_EQ(gutter.delayCountdown(), -1);
    EXPECT_EQ(platform::test::currentCursorId(), IDC_ARROW);
}

TEST_F(GutterScrollTest, MouseMoveCursors) {
    const struct {
        Point at;
        BOOL enabled;
        int cursor;
    } cases[] = {
        {{kDisplay.left + 5, kDisplay.top + 5}, TRUE, 108},
        {{510, kDisplay.top + 5}, TRUE, 101},
        {{kDisplay.right - 5, kDisplay.bottom - 5}, TRUE, 104},
        {{kDisplay.left + 5, 320}, TRUE, 107},
        {{kDisplay.left + 5, 320}, FALSE, IDC_ARROW},
        {{510, 320}, TRUE, IDC_ARROW},
    };
    for (const auto& c : cases) {
        gutter.OnMouseMove(&picture, c.at.x, c.at.y, c.enabled);
        EXPECT_EQ(platform::test::currentCursorId(), c.cursor) << c.at.x << "," << c.at.y;
    }
    // A picture that fits its display never shows a direction cursor.
    Rect whole{0, 0, 4000, 3000};
    picture.ClipToImage(whole);
    picture.dest_rect = Rect{0, 0, 4000, 3000};
    gutter.OnMouseMove(&picture, 5, 5, TRUE);
    EXPECT_EQ(platform::test::currentCursorId(), IDC_ARROW);
}

TEST_F(GutterScrollTest, TimerFailures) {
    // The platform refuses the timer: reported, no repeating; the press's jump has happened.
    platform::failNextSetTimer();
    int scrolled = 0;
    EXPECT_TRUE(gutter.OnButtonDown(&picture, kDisplay.right - 5, 320, TRUE, 0, FALSE, &scrolled));
    EXPECT_EQ(origin().x, 1530);
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].text, "gutter scroll unable to create timer");
    EXPECT_EQ(boxes->calls()[0].caption, "Gutter window");
    EXPECT_EQ(boxes->calls()[0].type, 0x30u);
    EXPECT_EQ(boxes->calls()[0].owner, window.GetSafeHwnd());
    EXPECT_EQ(gutter.delayCountdown(), -1);
    gutter.OnTimerTick(&picture, kDisplay.right - 5, 320, TRUE, &scrolled);
    EXPECT_EQ(scrolled, 0);

    // Timing without a window.
    boxes->clear();
    window.DestroyWindow();
    gutter.start_timing();
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].text, "gutter scroll start_timing null window handle");
    EXPECT_EQ(boxes->calls()[0].caption, "Rangerline");
    EXPECT_EQ(boxes->calls()[0].owner, nullptr);
    EXPECT_EQ(gutter.delayCountdown(), -1);
}

TEST_F(GutterScrollTest, CopyTakesTheSettingsAndState) {
    int scrolled = 0;
    gutter.OnButtonDown(&picture, kDisplay.right - 5, 320, TRUE, 0, FALSE, &scrolled);
    platform::Window other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, "Other", WS_POPUP, Rect{0, 0, 50, 50}, nullptr));
    CGutterScroll copy(&other, &palette, 20200, gutter);
    EXPECT_EQ(copy.timerId(), 20200u);
    EXPECT_EQ(copy.delayCountdown(), 8);
    EXPECT_TRUE(copy.cursorsLoaded());
    EXPECT_EQ(copy.directionCursor(3), gutter.directionCursor(3));
    EXPECT_EQ(copy.stepVector(5), gutter.stepVector(5));
    EXPECT_EQ(copy.arrowCursor(), LoadCursor(IDC_ARROW));
}
