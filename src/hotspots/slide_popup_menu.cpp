// The slide popup menu: reading the menu, geometry, the sliding animation, painting, and the
// modal loop with its mouse, key and submenu handling.
#include "hotspots/slide_popup_menu.h"

#include <algorithm>

#include "platform/core/system_metrics.h"

using platform::Bitmap;
using platform::ClientDC;
using platform::DC;
using platform::MemoryDC;
using platform::PaintDC;
using platform::Window;

namespace {

// Item texts are read into a buffer of this size, so at most 255 characters are kept.
constexpr int kTextBuffer = 256;

// Where an item text is split into the name and the accelerator part: at its first tab. A text
// whose first character is a tab has an empty name and is all accelerator, for measuring as for
// drawing, so the accelerator column is wide enough for it (the standard popup menu shows such a
// text in its shortcut column too).
std::size_t acceleratorTab(const std::string& text) {
    return text.find('\t');
}

// Copies a system menu picture (check mark, submenu arrow) onto a row.
void drawMenuPicture(DC& dc, UINT picture, int x, int y, int cx, int cy) {
    Bitmap bitmap;
    if (!bitmap.LoadOEMBitmap(picture)) return;
    MemoryDC source(&dc);
    source.SelectObject(&bitmap);
    dc.BitBlt(x, y, cx, cy, &source, 0, 0, SRCCOPY);
}

} // namespace

CSlidePopupMenu::CSlidePopupMenu(platform::Menu* menu_, platform::Font* font_,
                                 platform::Palette* palette_, CSlidePopupMenu* parentMenu)
    : palette(palette_), item_count(0), menu(menu_), selected(-1), parent_menu(parentMenu),
      open_submenu(-1), font(font_), accel_width(0), hpad(3), vpad(2),
      check_cx(GetSystemMetrics(SM_CXMENUCHECK)), check_cy(GetSystemMetrics(SM_CYMENUCHECK)) {}

CSlidePopupMenu::~CSlidePopupMenu() {
    for (SlideMenuItem& item : items)
        item.text.clear();
    items.clear();
    item_count = 0;
    DestroyWindow();
}

// ---- Tracking ----------------------------------------------------------------------------------

BOOL CSlidePopupMenu::Track(UINT flags, int x, int y, Window* owner, BOOL vertical) {
    if (!menu || !owner || !owner->exists() || exists()) return FALSE;
    const HWND ownerHandle = owner->GetSafeHwnd();

    // While the menu runs it is the thread's tracked menu, as during a standard popup menu.
    struct TrackingScope {
        platform::MenuTracking previous;
        ~TrackingScope() { platform::setTrackingMenu(previous); }
    } scope{platform::setTrackingMenu(platform::MenuTracking{menu, owner})};

    // The owner enables, disables and checks the items before they are read.
    owner->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    if (!IsWindow(ownerHandle)) return FALSE;
    readItems();
    const Size size = measureItems();

    // Left edge at x; top or bottom edge at y; then kept inside the work area (computed wide, so
    // that no point overflows).
    Rect work{};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    long long left = x;
    long long top = (flags & TPM_BOTTOMALIGN) ? (long long)y - size.cy : (long long)y;
    if (left < work.left)
        left = work.left;
    else if (left + size.cx > work.right)
        left = (long long)work.right - size.cx;
    if (top < work.top)
        top = work.top;
    else if (top + size.cy > work.bottom)
        top = (long long)work.bottom - size.cy;
    const Rect rect{int(left), int(top), int(left + size.cx), int(top + size.cy)};

    platform::WindowClass windowClass;
    windowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNCLIENT;
    windowClass.cursor = nullptr; // the arrow
    windowClass.hasBackground = false;
    if (!CreateEx(0, &windowClass, "", WS_POPUP | WS_CLIPSIBLINGS, rect, owner)) return FALSE;

    m_sliding = true;
    ShowWindow(SW_SHOWNA);
    if (Window* topLevel = owner->GetTopLevelParent()) topLevel->SetForegroundWindow();
    const bool slid = exists() && slideOpen(flags, vertical);
    m_sliding = false;
    if (!exists()) return TRUE;
    if (!slid) {
        // Nothing was copied to the screen: the window paints itself.
        Invalidate(FALSE);
        UpdateWindow();
    }

    SetFocus();
    SetCapture();
    RunModalLoop(MLF_NOIDLEMSG | MLF_NOKICKIDLE);
    if (GetCapture() == GetSafeHwnd()) ReleaseCapture();
    DestroyWindow();
    return TRUE;
}

void CSlidePopupMenu::readItems() {
    items.clear();
    const int count = std::max(menu->GetMenuItemCount(), 0);
    items.resize(std::size_t(count));
    char buffer[kTextBuffer];
    for (int i = 0; i < count; ++i) {
        SlideMenuItem& item = items[std::size_t(i)];
        item.id = menu->GetMenuItemID(i);
        menu->GetMenuString(UINT(i), buffer, kTextBuffer, MF_BYPOSITION);
        item.text = buffer;
        item.state = menu->GetMenuState(UINT(i), MF_BYPOSITION) & ~MF_HILITE;
    }
    item_count = count;
    selected = -1;
    open_submenu = -1;
}

Size CSlidePopupMenu::measureItems() {
    ClientDC screen(nullptr);
    platform::Font* previous = font ? screen.SelectObject(font) : nullptr;
    int maxLeft = 0;
    accel_width = 0;
    for (SlideMenuItem& item : items) {
        const std::size_t tab = acceleratorTab(item.text);
        int left = 0;
        if (tab == std::string::npos) {
            left = screen.GetTextExtent(item.text).cx;
        } else {
            left = screen.GetTextExtent(std::string_view(item.text).substr(0, tab)).cx;
            accel_width = std::max(
                accel_width, screen.GetTextExtent(std::string_view(item.text).substr(tab + 1)).cx);
        }
        item.text_cy = screen.GetTextExtent(item.text).cy;
        maxLeft = std::max(maxLeft, left);
    }
    if (previous) screen.SelectObject(previous);

    Size size{0, 2 * kBand};
    if (item_count > 0) {
        size.cx = maxLeft + 2 * check_cx + 3 * hpad;
        if (accel_width > 0) size.cx += 3 * hpad + accel_width;
    }
    for (int i = 0; i < item_count; ++i)
        size.cy += rowHeight(i) + vpad;
    return size;
}

int CSlidePopupMenu::rowHeight(int index) const {
    if (isSeparator(index)) return 1;
    return std::max(items[std::size_t(index)].text_cy, check_cy);
}

// ---- Geometry ----------------------------------------------------------------------------------

bool CSlidePopupMenu::isSeparator(int index) const {
    if (index < 0 || index >= item_count) return false;
    const UINT state = items[std::size_t(index)].state;
    return !(state & MF_POPUP) && (state & MF_SEPARATOR);
}

Rect CSlidePopupMenu::itemRect(int index) const {
    if (index < 0 || index >= item_count) return Rect{};
    Rect client;
    GetClientRect(&client);
    int top = kBand;
    for (int i = 0; i < index; ++i)
        top += rowHeight(i) + vpad;
    return Rect{client.left, top, client.right, top + rowHeight(index) + vpad};
}

int CSlidePopupMenu::itemAt(Point point) const {
    Rect inner;
    GetClientRect(&inner);
    inner.top += kBand;
    inner.bottom -= kBand;
    if (!inner.contains(point)) return -1;
    int bottom = kBand;
    for (int i = 0; i < item_count; ++i) {
        bottom += rowHeight(i) + vpad;
        if (bottom >= point.y) return i;
    }
    return -1;
}

// ---- Sliding -----------------------------------------------------------------------------------

DWORD CSlidePopupMenu::slideDuration(int width) {
    return std::min<DWORD>(2 * DWORD(std::max(width, 0)), kMaxSlideMilliseconds);
}

CSlidePopupMenu::SlideFrame CSlidePopupMenu::slideFrame(const Rect& start, const Rect& final,
                                                        DWORD c, DWORD duration) {
    if (duration == 0) return SlideFrame{final, Point{0, 0}};
    // Each term moves linearly from the start to the final rectangle, truncated.
    const auto step = [c, duration](int from, int to) {
        return from + int((long long)(to - from) * (long long)c / (long long)duration);
    };
    const int x = step(start.left, final.left);
    const int y = step(start.top, final.top);
    const int cx = step(start.width(), final.width());
    const int cy = step(start.height(), final.height());
    return SlideFrame{Rect{x, y, x + cx, y + cy},
                      Point{final.right - x - cx, final.bottom - cy - y}};
}

bool CSlidePopupMenu::slideOpen(UINT flags, BOOL vertical) {
    Rect final;
    GetClientRect(&final);
    Rect start = final;
    if (!vertical)
        start.right = start.left;
    else if (flags & TPM_BOTTOMALIGN)
        start.top = start.bottom;
    else
        start.bottom = start.top;
    if (start == final) return false;

    ClientDC screen(this);
    Bitmap picture;
    if (!picture.CreateCompatibleBitmap(&screen, final.width(), final.height())) return false;
    MemoryDC image(&screen);
    image.SelectObject(&picture);
    drawMenu(image, final);

    const DWORD duration = slideDuration(final.width());
    const DWORD t0 = GetTickCount();
    // No pause between frames. The elapsed time is taken modulo 2^32, so the slide runs through a
    // wrap-around of the tick count and ends at once if the count goes backwards.
    for (DWORD c = GetTickCount() - t0; c < duration; c = GetTickCount() - t0) {
        const SlideFrame frame = slideFrame(start, final, c, duration);
        copySlideFrame(screen, image, frame.part, frame.source);
        if (!exists()) return true;
    }
    screen.BitBlt(final.left, final.top, final.width(), final.height(), &image, 0, 0, SRCCOPY);
    return true;
}

void CSlidePopupMenu::copySlideFrame(DC& screen, DC& image, const Rect& part, Point source) {
    screen.BitBlt(part.left, part.top, part.width(), part.height(), &image, source.x, source.y,
                  SRCCOPY);
}

// ---- Painting ----------------------------------------------------------------------------------

BOOL CSlidePopupMenu::OnEraseBkgnd(DC*) {
    return TRUE;
}

void CSlidePopupMenu::OnPaint() {
    PaintDC dc(this);
    if (m_sliding || !IsWindowVisible()) return;
    drawMenu(dc, dc.m_ps.rcPaint);
}

void CSlidePopupMenu::drawMenu(DC& dc, const Rect& area) {
    if (palette && palette->hasHandle()) dc.SelectPalette(palette, TRUE);
    Rect client;
    GetClientRect(&client);
    dc.FillSolidRect(Rect{client.left, client.top, client.right, client.top + kBand}, kLineColour);
    dc.FillSolidRect(Rect{client.left, client.bottom - kBand, client.right, client.bottom},
                     kLineColour);
    platform::Font* previous = font ? dc.SelectObject(font) : nullptr;
    const Rect visible = area.intersect(dc.GetClipBox());
    for (int i = 0; i < item_count; ++i) {
        const Rect row = itemRect(i);
        if (!row.intersect(visible).isEmpty()) drawItem(dc, i, row);
    }
    if (previous) dc.SelectObject(previous);
}

void CSlidePopupMenu::drawItem(DC& dc, int index, const Rect& row) {
    const SlideMenuItem& item = items[std::size_t(index)];
    dc.FillSolidRect(row, (item.state & MF_HILITE) ? kHighlightBackground : kMenuBackground);
    if (isSeparator(index)) {
        const int y = row.top + row.height() / 2;
        dc.FillSolidRect(Rect{row.left + 2, y, row.right - 2, y + 1}, kLineColour);
        return;
    }
    if (item.state & MF_CHECKED)
        drawMenuPicture(dc, OBM_CHECK, row.left + hpad, row.top + (row.height() - check_cy) / 2,
                        check_cx, check_cy);

    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor((item.state & MF_DISABLED) ? kDisabledTextColour : kTextColour);
    constexpr UINT kFormat = DT_LEFT | DT_SINGLELINE | DT_VCENTER;
    const std::size_t tab = acceleratorTab(item.text);
    Rect name{row.left + 2 * hpad + check_cx, row.top, row.right, row.bottom};
    dc.DrawText(std::string_view(item.text).substr(0, tab), &name, kFormat);
    if (tab != std::string::npos) {
        Rect accelerator{row.right - 2 * hpad - accel_width - check_cx, row.top, row.right,
                         row.bottom};
        dc.DrawText(std::string_view(item.text).substr(tab + 1), &accelerator, kFormat);
    }

    if (item.state & MF_POPUP)
        drawMenuPicture(dc, OBM_MNARROW, row.right - hpad - check_cx,
                        row.top + (row.height() - check_cy) / 2, check_cx, check_cy);
}

// ---- Mouse -------------------------------------------------------------------------------------

void CSlidePopupMenu::OnMouseMove(UINT flags, Point point) {
    // The parent menu follows along: it highlights the item under the mouse, or else keeps the
    // item whose submenu this is highlighted.
    if (parent_menu && parent_menu->exists()) {
        Point cursor;
        GetCursorPos(&cursor);
        parent_menu->ScreenToClient(&cursor);
        if (parent_menu->itemAt(cursor) < 0 && parent_menu->open_submenu >= 0) {
            const Rect row = parent_menu->itemRect(parent_menu->open_submenu);
            cursor = Point{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
        }
        parent_menu->PostMessage(WM_MOUSEMOVE, flags, pointToLParam(cursor));
    }
    const int index = itemAt(point);
    if (index == selected) return;
    setHighlight(isSeparator(index) ? -1 : index);
}

void CSlidePopupMenu::setHighlight(int index) {
    if (selected >= 0) {
        items[std::size_t(selected)].state &= ~MF_HILITE;
        const Rect row = itemRect(selected);
        InvalidateRect(&row, FALSE);
        selected = -1;
        UpdateWindow();
    }
    if (index >= 0) {
        items[std::size_t(index)].state |= MF_HILITE;
        const Rect row = itemRect(index);
        InvalidateRect(&row, FALSE);
        selected = index;
        UpdateWindow();
    }
}

void CSlidePopupMenu::OnLButtonDown(UINT, Point point) {
    if (open_submenu >= 0) {
        // Handed on by the closing submenu before its Track has returned (the submenu holds the
        // mouse while it is open): handled once the submenu is gone.
        m_pressHandedOn = true;
        m_handedOnPoint = point;
        return;
    }
    const int index = itemAt(point);
    if (index >= 0) {
        const UINT state = items[std::size_t(index)].state;
        if ((state & MF_POPUP) && !(state & MF_DISABLED)) openSubmenu(index);
        return;
    }
    closeMenu();
    // The click also acts on what was clicked: every window under the mouse is one of this
    // thread's windows.
    Point cursor;
    GetCursorPos(&cursor);
    if (Window* under = Window::FromHandle(WindowFromPoint(cursor))) {
        under->ScreenToClient(&cursor);
        under->PostMessage(WM_LBUTTONDOWN, 0, pointToLParam(cursor));
    }
}

void CSlidePopupMenu::OnLButtonUp(UINT, Point point) {
    const int index = itemAt(point);
    if (index < 0 || isSeparator(index)) return;
    const SlideMenuItem& item = items[std::size_t(index)];
    if (item.state & MF_DISABLED) return;
    if (item.state & MF_POPUP) {
        openSubmenu(index);
        return;
    }
    const UINT id = item.id;
    Window* owner = ownerWindow();
    closeMenu();
    if (id != 0 && owner) owner->PostMessage(WM_COMMAND, id, 0);
}

// ---- Keys and closing --------------------------------------------------------------------------

void CSlidePopupMenu::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    if (key == VK_ESCAPE || key == VK_MENU) closeMenu();
    Window::OnKeyDown(key, repeat, flags);
}

void CSlidePopupMenu::OnSysKeyDown(UINT key, UINT repeat, UINT flags) {
    if (key == VK_MENU) closeMenu();
    Window::OnSysKeyDown(key, repeat, flags);
}

void CSlidePopupMenu::OnCancelMode() {
    closeMenu();
}

void CSlidePopupMenu::OnClose() {
    // Track destroys the window once its loop has ended.
    closeMenu();
}

void CSlidePopupMenu::closeMenu() {
    if (GetCapture() == GetSafeHwnd()) ReleaseCapture();
    selected = -1;
    EndModalLoop(0);
    SetWindowPos(nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

Window* CSlidePopupMenu::ownerWindow() const {
    return GetParent();
}

// ---- Submenus ----------------------------------------------------------------------------------

void CSlidePopupMenu::openSubmenu(int index) {
    platform::Menu* submenu = menu->GetSubMenu(index);
    if (!submenu) return;
    const Rect row = itemRect(index);
    Point at{row.right, row.top};
    ClientToScreen(&at);
    open_submenu = index;
    if (GetCapture() == GetSafeHwnd()) ReleaseCapture();
    {
        CSlidePopupMenu child(submenu, font, palette, this);
        child.Track(0, at.x, at.y, ownerWindow(), FALSE);
        open_submenu = -1;
        if (m_pressHandedOn) {
            m_pressHandedOn = false;
            PostMessage(WM_LBUTTONDOWN, 0, pointToLParam(m_handedOnPoint));
        }
        // A press waiting for this window means the click that closed the submenu was on this
        // menu: go on and handle it. Otherwise a command was chosen or the submenu dismissed.
        MSG waiting;
        if (exists() &&
            PeekMessage(&waiting, GetSafeHwnd(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE)) {
            SetFocus();
            SetCapture();
        } else {
            closeMenu();
        }
    }
}
