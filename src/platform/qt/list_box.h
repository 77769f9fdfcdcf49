// The list-box control: a column of items, each with a text and a value of the program's (item
// data), one of them selected, with a vertical scroll bar when they do not all fit. Owner-drawn
// lists (LBS_OWNERDRAWFIXED) have items of one fixed height that the program draws: each visible
// item is painted by sending WM_DRAWITEM (CtlType ODT_LISTBOX, itemID the index, itemState
// ODS_SELECTED for the selection and ODS_FOCUS for it while the list has the focus, rcItem the
// item's rectangle in the list's item area, itemData) to the parent, whose default handling calls
// the list's DrawItem. A class derived from ListBox draws there; the area below the last item is
// filled with the window colour.
//
// The user selects with the mouse, the keys Up, Down, Page Up, Page Down, Home and End, and
// scrolls with the wheel and the scroll bar; a selection the user makes tells the parent with
// WM_COMMAND MAKEWPARAM(id, LBN_SELCHANGE) when the list has LBS_NOTIFY (a double click adds
// LBN_DBLCLK). Selections the program makes are not told. The list's state lives in its control,
// so an object that takes the control over with SubclassDlgItem sees the items already added.
//
// With WS_BORDER the item area is the control less a one-pixel border on every side; the scroll
// bar, when shown, takes SM_CXVSCROLL pixels at the right of it.
#pragma once

#include "platform/qt/window.h"

#include <string>

namespace platform {

class ListBox : public Window {
public:
    BOOL Create(DWORD style, const Rect& rect, Window* parent, UINT id);

    // Appends an item; returns its index, or LB_ERR without a control.
    int AddString(const char* text);
    // LB_ERR for an index out of range.
    int SetItemData(int index, UINT_PTR data);
    int SetItemDataPtr(int index, void* data) {
        return SetItemData(index, reinterpret_cast<UINT_PTR>(data));
    }
    // LB_ERR (as a value) for an index out of range.
    UINT_PTR GetItemData(int index) const;
    void* GetItemDataPtr(int index) const;
    // The text of an item; empty for an index out of range.
    std::string GetText(int index) const;
    int GetCount() const;
    void ResetContent();
    // The height of every item (fixed-height lists have one); LB_ERR for a height of 0 or above
    // 255, as the platform refuses those.
    int SetItemHeight(int index, UINT height);
    int GetItemHeight(int index) const;
    // Selects an item and scrolls it into view; -1 clears the selection. Returns LB_ERR for an
    // index out of range, and for -1 (as the platform does).
    int SetCurSel(int index);
    // The selected item, or LB_ERR.
    int GetCurSel() const;
    // The first visible item; SetTopIndex scrolls (LB_ERR out of range).
    int GetTopIndex() const;
    int SetTopIndex(int index);
    // The item's rectangle in the list's item area (it may lie outside the visible part).
    int GetItemRect(int index, Rect* rect) const;
    // The item at a point of the item area, or LB_ERR.
    int ItemFromPoint(Point point) const;
    // The rectangle items are drawn in, in the control's coordinates.
    Rect itemArea() const;
    // How many whole items the item area shows.
    int visibleItemCount() const;

    // LB_ADDSTRING, LB_SETITEMDATA, LB_GETITEMDATA, LB_GETCOUNT, LB_RESETCONTENT,
    // LB_SETITEMHEIGHT, LB_GETITEMHEIGHT, LB_SETCURSEL, LB_GETCURSEL, LB_GETTOPINDEX,
    // LB_SETTOPINDEX, LB_GETITEMRECT, LB_GETTEXT, LB_GETTEXTLEN.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Makes the next SetItemHeight of any list fail (tests).
void failNextSetItemHeight();

} // namespace platform
