// The edge-scroll controller: gutter geometry, directions, the repeat gate and its timer.
#include "viewer/gutter_scroll.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/core/palette_message_box.h"
#include "platform/qt/window.h"

namespace {

int clampToInt(std::int64_t value) {
    return int(std::max<std::int64_t>(INT32_MIN, std::min<std::int64_t>(INT32_MAX, value)));
}

} // namespace

CGutterScroll::CGutterScroll(platform::Window* window, platform::Palette* palette, UINT timerId)
    : m_timerId(timerId), m_window(window), m_palette(palette) {
    // Straight steps are one step length; diagonal ones have both components at 0.707 of it.
    const int s = m_stepLength;
    const int d = (s * 707 + 500) / 1000;
    const Point steps[kDirections] = {{0, -s}, {d, -d}, {s, 0},  {d, d},
                                      {0, s},  {-d, d}, {-s, 0}, {-d, -d}};
    for (int i = 0; i < kDirections; ++i)
        m_steps[i] = steps[i];
}

CGutterScroll::CGutterScroll(platform::Window* window, platform::Palette* palette, UINT timerId,
                             const CGutterScroll& source)
    : m_timerId(timerId), m_gutterWidth(source.m_gutterWidth),
      m_gutterHeight(source.m_gutterHeight), m_stepLength(source.m_stepLength),
      m_clickFactor(source.m_clickFactor), m_timerPeriod(source.m_timerPeriod),
      m_delayTicks(source.m_delayTicks), m_directionCount(source.m_directionCount),
      m_window(window), m_palette(palette), m_cursorsLoaded(source.m_cursorsLoaded),
      m_arrow(LoadCursor(IDC_ARROW)), m_repeatStarted(source.m_repeatStarted),
      m_delayCountdown(source.m_delayCountdown) {
    for (int i = 0; i < kDirections; ++i) {
        m_directionTable[i] = source.m_directionTable[i];
        m_cursors[i] = source.m_cursors[i];
        m_steps[i] = source.m_steps[i];
    }
}

CGutterScroll::~CGutterScroll() {
    SetArrowCursor();
    stop_timing();
}

BOOL CGutterScroll::LoadCursors() {
    BOOL all = TRUE;
    for (int i = 0; i < m_directionCount && i < kDirections; ++i) {
        m_cursors[i] = LoadCursor(kFirstCursor + i);
        if (!m_cursors[i]) all = FALSE;
    }
    m_arrow = LoadCursor(IDC_ARROW);
    if (!m_arrow) all = FALSE;
    m_cursorsLoaded = all;
    return m_cursorsLoaded;
}

void CGutterScroll::SetArrowCursor() {
    if (m_arrow) SetCursor(m_arrow);
}

void CGutterScroll::setDirectionCursor(int index) {
    if (index >= 0 && index < kDirections && m_cursors[index]) SetCursor(m_cursors[index]);
}

bool CGutterScroll::windowExists() const {
    return m_window && m_window->exists();
}

bool CGutterScroll::holdsImage(const Cmemdib* view) {
    return view && view->loaded && view->dib;
}

void CGutterScroll::start_timing() {
    if (!windowExists()) {
        MessageBoxWithPalette(nullptr, m_palette, "gutter scroll start_timing null window handle",
                              "Rangerline", MB_ICONEXCLAMATION);
        stop_timing();
        return;
    }
    m_window->KillTimer(m_timerId);
    if (m_window->SetTimer(m_timerId, UINT(m_timerPeriod)) == m_timerId) {
        m_delayCountdown = m_delayTicks;
    } else {
        const std::string caption = m_window->GetWindowText();
        MessageBoxWithPalette(m_window->GetSafeHwnd(), m_palette,
                              "gutter scroll unable to create timer", caption.c_str(),
                              MB_ICONEXCLAMATION);
        m_delayCountdown = -1;
    }
    m_repeatStarted = FALSE;
}

void CGutterScroll::stop_timing() {
    if (windowExists()) m_window->KillTimer(m_timerId);
    m_delayCountdown = -1;
    m_repeatStarted = FALSE;
}

BOOL CGutterScroll::RepeatGate() {
    if (m_repeatStarted) return TRUE;
    if (m_delayCountdown > 0) {
        --m_delayCountdown;
        if (m_delayCountdown != 0) return FALSE;
        m_repeatStarted = TRUE;
        return TRUE;
    }
    return FALSE;
}

BOOL CGutterScroll::InGutter(const Cmemdib* view, int x, int y) const {
    if (!view) return FALSE;
    const Rect& d = view->dest_rect;
    const Point p{x, y};
    const Rect inner{d.left + m_gutterWidth, d.top + m_gutterHeight, d.right - m_gutterWidth,
                     d.bottom - m_gutterHeight};
    return d.contains(p) && !inner.contains(p);
}

int CGutterScroll::Sector(const Cmemdib* view, int dx, int dy) const {
    const Rect& d = view->dest_rect;
    const std::int64_t qw = d.width() / 4, qh = d.height() / 4;
    const std::int64_t ax = std::llabs(dx), ay = std::llabs(dy);
    int sector;
    if (ax >= qw && ay >= qh) {
        if (dx > 0)
            sector = dy > 0 ? kDownRight : kUpRight;
        else
            sector = dy > 0 ? kDownLeft : kUpLeft;
    } else if (ay < qh) {
        sector = dx > 0 ? kRight : kLeft;
    } else {
        sector = dy > 0 ? kDown : kUp;
    }
    return m_directionTable[sector];
}

CGutterScroll::DirectionResult CGutterScroll::Direction(const Cmemdib* view, int x, int y) const {
    const Rect& d = view->dest_rect;
    const std::int64_t cx = (std::int64_t(d.left) + d.right) / 2;
    const std::int64_t cy = (std::int64_t(d.top) + d.bottom) / 2;
    const int dx = clampToInt(x - cx), dy = clampToInt(y - cy);
    DirectionResult r;
    r.index = Sector(view, dx, dy);
    r.step = m_steps[r.index];
    Point actual;
    r.canScroll = view->TestScrollBy(r.step.x, r.step.y, &actual);
    if (r.step.x != 0 && actual.x == 0) {
        r.index = Sector(view, 0, dy);
        r.step = m_steps[r.index];
    } else if (r.step.y != 0 && actual.y == 0) {
        r.index = Sector(view, dx, 0);
        r.step = m_steps[r.index];
    }
    return r;
}

BOOL CGutterScroll::OnButtonDown(Cmemdib* view, int x, int y, BOOL enabled, UINT keyFlags,
                                 BOOL doubleClick, int* scrolled) {
    stop_timing();
    if (!enabled || !holdsImage(view) || !windowExists()) {
        SetArrowCursor();
        if (scrolled) *scrolled = 0;
        return FALSE;
    }
    if (!InGutter(view, x, y)) {
        SetArrowCursor();
        return FALSE;
    }
    const DirectionResult direction = Direction(view, x, y);
    if (!direction.canScroll) {
        SetArrowCursor();
        if (scrolled) *scrolled = 0;
        return TRUE;
    }
    Point jump;
    if (keyFlags & MK_SHIFT) {
        // Three quarters of the display along a straight axis; multiply first, then truncate.
        const Rect& d = view->dest_rect;
        const std::int64_t divisor = std::int64_t(m_stepLength) * 4;
        jump.x = clampToInt(std::int64_t(d.width()) * direction.step.x * 3 / divisor);
        jump.y = clampToInt(std::int64_t(d.height()) * direction.step.y * 3 / divisor);
    } else {
        jump = Point{direction.step.x * m_clickFactor, direction.step.y * m_clickFactor};
    }
    setDirectionCursor(direction.index);
    view->ScrollWindowBy(jump.x, jump.y, m_window->GetSafeHwnd());
    if (doubleClick && windowExists())
        view->ScrollWindowBy(jump.x, jump.y, m_window->GetSafeHwnd());
    if (scrolled) *scrolled = 1;
    start_timing();
    return TRUE;
}

void CGutterScroll::OnMouseMove(Cmemdib* view, int x, int y, BOOL enabled) {
    if (enabled && holdsImage(view) && InGutter(view, x, y)) {
        const DirectionResult direction = Direction(view, x, y);
        if (direction.canScroll) {
            setDirectionCursor(direction.index);
            return;
        }
    }
    SetArrowCursor();
    stop_timing();
}

void CGutterScroll::OnTimerTick(Cmemdib* view, int x, int y, BOOL enabled, int* scrolled) {
    if (scrolled) *scrolled = 0;
    if (!enabled || !holdsImage(view) || !windowExists()) {
        SetArrowCursor();
        stop_timing();
        return;
    }
    if (!view->dest_rect.contains(Point{x, y})) return;
    const DirectionResult direction = Direction(view, x, y);
    if (!direction.canScroll) {
        SetArrowCursor();
        stop_timing();
        return;
    }
    setDirectionCursor(direction.index);
    if (RepeatGate()) {
        view->ScrollWindowBy(direction.step.x, direction.step.y, m_window->GetSafeHwnd());
        if (scrolled) *scrolled = 1;
    }
}
