// CSlidePopupMenu: the animated popup menu that replaces the standard popup menu when the
// slide-menu setting is on. It reproduces an ordinary menu's items (text with an optional
// accelerator part after a tab, check marks, disabled items, separators, submenus), slides open
// from an edge of its rectangle, and runs its own modal loop until a command is chosen or the menu
// is dismissed. Submenus open as further slide menus to the right of their item.
#pragma once

#include "platform/core/palette.h"
#include "platform/core/win_types.h"
#include "platform/qt/dc.h"
#include "platform/qt/gdi.h"
#include "platform/qt/menu.h"
#include "platform/qt/window.h"

#include <string>
#include <vector>

// One menu item as the slide menu holds it while it is open.
struct SlideMenuItem {
    UINT id = 0;
    // The item's state flags as read from the menu, without MF_HILITE; the window sets MF_HILITE
    // on the highlighted item itself.
    UINT state = 0;
    // Height of the item's text in pixels, measured when the menu opens.
    int text_cy = 0;
    // The item's text, at most 255 characters.
    std::string text;
};

class CSlidePopupMenu : public platform::Window {
public:
    // Palette-relative, so that on a palette display they map onto the shared palette.
    static constexpr COLORREF kMenuBackground = PALETTERGB(255, 255, 217);
    static constexpr COLORREF kHighlightBackground = PALETTERGB(217, 211, 156);
    static constexpr COLORREF kTextColour = PALETTERGB(0, 0, 0);
    static constexpr COLORREF kDisabledTextColour = PALETTERGB(192, 192, 192);
    static constexpr COLORREF kLineColour = PALETTERGB(0, 0, 0);
    // Height of the line-coloured bands at the top and bottom of the menu.
    static constexpr int kBand = 2;
    // The slide lasts 2 ms per pixel of the menu's width, at most this long.
    static constexpr DWORD kMaxSlideMilliseconds = 250;

    // menu: the menu to show (not owned); font: the item font (not owned; null: the context's
    // default font); palette: selected as a background palette when painting (not owned; may be
    // null); parentMenu: the slide menu that opens this one as a submenu (null at the top level).
    CSlidePopupMenu(platform::Menu* menu, platform::Font* font, platform::Palette* palette,
                    CSlidePopupMenu* parentMenu = nullptr);
    ~CSlidePopupMenu() override;

    // Shows the menu at the screen point (x, y) and returns when it has closed. TPM_BOTTOMALIGN
    // puts the menu's bottom edge at y, else its top edge is there; the left edge is at x. The
    // rectangle is kept inside the work area. vertical TRUE slides the menu open vertically (from
    // behind the bottom edge when bottom-aligned, else from under the top edge), FALSE from behind
    // the left edge. A chosen item with a non-zero id is posted to the owner as WM_COMMAND (wParam
    // the id, lParam 0), exactly once per menu chain. FALSE when there is no menu or no live
    // owner, or the window could not be made.
    BOOL Track(UINT flags, int x, int y, platform::Window* owner, BOOL vertical);

    // The client rectangle of the item's row (full width), or an empty rectangle for an index out
    // of range.
    Rect itemRect(int index) const;
    // The item under a client point: -1 outside the client area less the two bands; otherwise the
    // first row whose bottom is at or below the point.
    int itemAt(Point point) const;
    // Whether an item is a separator (not a popup, and MF_SEPARATOR).
    bool isSeparator(int index) const;

    // The slide's duration for a menu of the width: 2 x width milliseconds, at most 250.
    static DWORD slideDuration(int width);
    // One frame of the slide, c milliseconds into a slide of `duration` from `start` to `final`
    // (client coordinates): where the visible part goes (`part`) and where it is taken from in the
    // menu's image (`source`: the image's far side, so the menu slides out from behind the edge it
    // opens from). A slide of no duration is at its end.
    struct SlideFrame {
        Rect part;
        Point source;
    };
    static SlideFrame slideFrame(const Rect& start, const Rect& final, DWORD c, DWORD duration);

    // ---- Fields ----
    platform::Palette* palette;
    int item_count;
    std::vector<SlideMenuItem> items;
    platform::Menu* menu;
    // Index of the highlighted item, -1 for none.
    int selected;
    CSlidePopupMenu* parent_menu;
    // Index of the item whose submenu is open, -1 for none.
    int open_submenu;
    platform::Font* font;
    // Widest accelerator text (the part after a tab) in pixels; 0 when no item has one.
    int accel_width;
    int hpad;
    int vpad;
    int check_cx;
    int check_cy;

protected:
    // Copies one frame of the slide from the menu's image to the window: the one block copy the
    // slide makes per frame.
    virtual void copySlideFrame(platform::DC& screen, platform::DC& image, const Rect& part,
                                Point source);

    BOOL OnEraseBkgnd(platform::DC* dc) override;
    void OnPaint() override;
    void OnMouseMove(UINT flags, Point point) override;
    void OnLButtonDown(UINT flags, Point point) override;
    void OnLButtonUp(UINT flags, Point point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void OnSysKeyDown(UINT key, UINT repeat, UINT flags) override;
    void OnCancelMode() override;
    void OnClose() override;

private:
    // Reads id, text and state of every item of the menu.
    void readItems();
    // Measures the items (text_cy, accel_width) and answers the menu's size.
    Size measureItems();
    // Height of an item's row without the vertical padding.
    int rowHeight(int index) const;
    // Paints the bands and every row that meets `area` (client coordinates).
    void drawMenu(platform::DC& dc, const Rect& area);
    void drawItem(platform::DC& dc, int index, const Rect& row);
    // Paints the menu into an off-screen bitmap once and slides it open with one block copy per
    // frame; FALSE when nothing was animated.
    bool slideOpen(UINT flags, BOOL vertical);
    // Moves the highlight to `index` (-1: none), repainting the rows whose highlight changes.
    void setHighlight(int index);
    void openSubmenu(int index);
    // Releases the capture, forgets the highlight, ends the modal loop and hides the window.
    void closeMenu();
    // Where commands go: the window's owner (its parent when it has none).
    platform::Window* ownerWindow() const;

    // While the slide runs the window's own painting waits: the window system may ask for a paint
    // as soon as the window is shown, which would put the whole menu on the screen before it
    // slides. The slide's last copy leaves the whole menu drawn.
    bool m_sliding = false;
    // A press that a closing submenu handed on to this menu and that arrived before the
    // submenu's Track returned; it is queued again once the submenu is gone.
    bool m_pressHandedOn = false;
    Point m_handedOnPoint;
};
