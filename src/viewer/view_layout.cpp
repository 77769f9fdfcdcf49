// Scroll-bar layout, scroll codes and the bars' refresh for a picture shown one-to-one.
#include "viewer/view_layout.h"

#include <algorithm>
#include <cstdint>

#include "platform/core/system_metrics.h"
#include "platform/qt/controls.h"
#include "platform/qt/window.h"

namespace {

void placeBar(platform::ScrollBar* bar, const Rect& where, int minimum, int maximum, int page,
              int position) {
    if (!bar) return;
    bar->MoveWindow(where, FALSE);
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = minimum;
    info.nMax = maximum;
    info.nPage = UINT(std::max(page, 0));
    info.nPos = position;
    bar->SetScrollInfo(&info, FALSE);
    bar->ShowScrollBar(TRUE);
}

void hideBar(platform::ScrollBar* bar) {
    if (bar) bar->ShowScrollBar(FALSE);
}

} // namespace

void LayoutScrollBars(Rect& r, Rect& out, const Rect& v, const Rect& image, BOOL centreX,
                      BOOL centreY, BOOL enabled, BOOL& hshown, BOOL& vshown,
                      platform::ScrollBar* hbar, platform::ScrollBar* vbar, int& hlimit,
                      int& vlimit) {
    out = r;
    hshown = enabled && r.width() < image.width();
    vshown = enabled && r.height() < image.height();
    if (!hshown && !vshown) {
        hideBar(hbar);
        hideBar(vbar);
        return;
    }
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    const int cx = GetSystemMetrics(SM_CXVSCROLL);

    // One bar's thickness taken from the view may make the other direction too small as well.
    if (hshown && !vshown) {
        vshown = v.height() - cy < image.height();
        if (vshown) {
            r.top = v.top;
            r.bottom = v.bottom;
        } else if (centreY) {
            r.top -= cy / 2;
            r.bottom += cy - cy / 2;
            if (r.top < v.top) r = r.offset(0, v.top - r.top);
        } else {
            r.bottom += cy;
        }
    } else if (vshown && !hshown) {
        hshown = v.width() - cx < image.width();
        if (hshown) {
            r.left = v.left;
            r.right = v.right;
        } else if (centreX) {
            r.left -= cx / 2;
            r.right += cx - cx / 2;
            if (r.left < v.left) r = r.offset(v.left - r.left, 0);
        } else {
            r.right += cx;
        }
    }
    out = r;

    // The bars are cut from the display rectangle; with both, the corner square belongs to the
    // vertical bar.
    Rect hrect, vrect;
    if (hshown && vshown) {
        hrect = Rect{r.left, r.bottom - cy, r.right - cx, r.bottom};
        vrect = Rect{r.right - cx, r.top, r.right, r.bottom};
        r.right -= cx;
        r.bottom -= cy;
    } else if (hshown) {
        hrect = Rect{r.left, r.bottom - cy, r.right, r.bottom};
        r.bottom -= cy;
    } else {
        vrect = Rect{r.right - cx, r.top, r.right, r.bottom};
        r.right -= cx;
    }

    if (hshown) {
        placeBar(hbar, hrect, image.left, image.right, r.width(),
                 (r.left - r.right) / 2 + (image.left + image.right) / 2);
        hlimit = image.right - r.width();
    } else {
        hideBar(hbar);
    }
    if (vshown) {
        placeBar(vbar, vrect, image.top, image.bottom, r.height(),
                 (r.top - r.bottom) / 2 + (image.top + image.bottom) / 2);
        vlimit = image.bottom - r.height();
    } else {
        hideBar(vbar);
    }
}

void HandleScrollBar(platform::ScrollBar* bar, UINT code, Cmemdib* bitmap, platform::Window* window,
                     int minimum, int maximum, BOOL horizontal) {
    if (!bar || !bitmap) return;
    const Rect& s = bitmap->clip_rect;
    // 64 bits: a page added to a position near the end of the range cannot overflow.
    std::int64_t pos = horizontal ? s.left : s.top;
    SCROLLINFO info;
    bar->GetScrollInfo(&info, SIF_ALL);
    const std::int64_t page = info.nPage;
    switch (code) {
    case SB_LINELEFT:
        if (minimum >= pos) return;
        pos -= page / 16;
        break;
    case SB_LINERIGHT:
        if (pos >= maximum) return;
        pos += page / 16;
        break;
    case SB_PAGELEFT:
        if (minimum >= pos) return;
        pos -= page;
        break;
    case SB_PAGERIGHT:
        if (pos >= maximum) return;
        pos += page;
        break;
    case SB_THUMBPOSITION:
        pos = info.nPos;
        break;
    case SB_THUMBTRACK:
        pos = info.nTrackPos;
        break;
    default: // top, bottom, end of scroll
        break;
    }
    pos = std::min<std::int64_t>(std::max<std::int64_t>(pos, minimum), maximum);
    // Clamped into two ints, so it is one.
    const int position = int(pos);
    bar->SetScrollPos(position, TRUE);
    const HWND handle = window ? window->GetSafeHwnd() : nullptr;
    if (horizontal)
        bitmap->ScrollTo(position, s.top, handle);
    else
        bitmap->ScrollTo(s.left, position, handle);
}

void SyncScrollBars(BOOL hshown, BOOL vshown, platform::ScrollBar* hbar, platform::ScrollBar* vbar,
                    const Cmemdib* bitmap) {
    if ((!hshown && !vshown) || !bitmap) return;
    if (hshown && hbar) hbar->SetScrollPos(bitmap->clip_rect.left, TRUE);
    if (vshown && vbar) vbar->SetScrollPos(bitmap->clip_rect.top, TRUE);
}
