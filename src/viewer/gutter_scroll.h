// Edge scrolling: a band along the inside of a picture's display rectangle, the gutter, where the
// cursor becomes one of eight direction arrows; a press jumps the view that way and holding it
// scrolls on after a short delay. One controller per scrolling window, with its own timer id.
#pragma once

#include "imaging/cmemdib.h"
#include "platform/core/palette.h"
#include "platform/core/win_types.h"
#include "platform/qt/cursor.h"

namespace platform {
class Window;
}

class CGutterScroll {
public:
    // Direction indexes: up, then clockwise to up-left.
    enum DirectionIndex { kUp, kUpRight, kRight, kDownRight, kDown, kDownLeft, kLeft, kUpLeft };
    static constexpr int kDirections = 8;
    // The first direction cursor resource; direction i uses kFirstCursor + i.
    static constexpr int kFirstCursor = 101;

    CGutterScroll(platform::Window* window, platform::Palette* palette, UINT timerId);
    // A controller for another window that copies the source's settings, cursors, step vectors
    // and timer state, and takes the standard arrow afresh.
    CGutterScroll(platform::Window* window, platform::Palette* palette, UINT timerId,
                  const CGutterScroll& source);
    // Sets the arrow cursor and stops timing.
    ~CGutterScroll();
    CGutterScroll(const CGutterScroll&) = delete;
    CGutterScroll& operator=(const CGutterScroll&) = delete;

    // Loads the eight direction cursors and the standard arrow; TRUE when all nine loaded.
    BOOL LoadCursors();
    // Shows the standard arrow (when it was loaded).
    void SetArrowCursor();
    // (Re)starts the repeat timer with the delay countdown; a timer the platform refuses is
    // reported and leaves the countdown at -1.
    void start_timing();
    void stop_timing();

    // A left press (or double-click) at a client point. Returns TRUE when edge scrolling took the
    // press (it was in the gutter); *scrolled is 1 when the view moved.
    BOOL OnButtonDown(Cmemdib* view, int x, int y, BOOL enabled, UINT keyFlags, BOOL doubleClick,
                      int* scrolled);
    // Sets the direction cursor over a gutter point that can scroll; anything else shows the arrow
    // and stops a held scroll.
    void OnMouseMove(Cmemdib* view, int x, int y, BOOL enabled);
    // One tick of the repeat timer with the pointer at a client point; *scrolled is 1 when the
    // view moved.
    void OnTimerTick(Cmemdib* view, int x, int y, BOOL enabled, int* scrolled);

    // Geometry, for the owner and for tests.
    // Whether a client point lies in the band of the display rectangle (the view's dest_rect).
    BOOL InGutter(const Cmemdib* view, int x, int y) const;
    // The direction of an offset from the display's centre: diagonal when it is at least a quarter
    // of the display's width and height out on both axes.
    int Sector(const Cmemdib* view, int dx, int dy) const;
    struct DirectionResult {
        int index;
        Point step;
        BOOL canScroll;
    };
    // The direction index, its step and whether that step can move the view; a diagonal blocked on
    // one axis turns into the straight direction along the other.
    DirectionResult Direction(const Cmemdib* view, int x, int y) const;

    UINT timerId() const { return m_timerId; }
    Point stepVector(int index) const { return m_steps[index]; }
    HCURSOR directionCursor(int index) const { return m_cursors[index]; }
    HCURSOR arrowCursor() const { return m_arrow; }
    BOOL cursorsLoaded() const { return m_cursorsLoaded; }
    BOOL repeatStarted() const { return m_repeatStarted; }
    int delayCountdown() const { return m_delayCountdown; }

private:
    // The repeat gate, one call per tick: TRUE when this tick scrolls.
    BOOL RepeatGate();
    static bool holdsImage(const Cmemdib* view);
    bool windowExists() const;
    void setDirectionCursor(int index);

    // Fields, in the order of the design.
    UINT m_timerId;
    int m_gutterWidth = 30;
    int m_gutterHeight = 30;
    int m_stepLength = 10;
    int m_clickFactor = 3;
    int m_timerPeriod = 55;
    int m_delayTicks = 8;
    int m_directionCount = kDirections;
    int m_directionTable[kDirections] = {0, 1, 2, 3, 4, 5, 6, 7};
    platform::Window* m_window;
    platform::Palette* m_palette;
    BOOL m_cursorsLoaded = FALSE;
    HCURSOR m_cursors[kDirections] = {};
    HCURSOR m_arrow = nullptr;
    Point m_steps[kDirections];
    BOOL m_repeatStarted = FALSE;
    int m_delayCountdown = -1;
};
