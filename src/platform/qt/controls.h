// The standard controls: static text and icons, edit fields, push buttons, check boxes, radio
// buttons, group boxes, owner-drawn buttons, drop-down list combo boxes, scroll bars, and the
// tooltip control. Dialogs make them from their templates;
// code may make them with Create. Further control classes (list boxes, rich-edit fields)
// register a factory under their class name so templates can hold them.
//
// Every control is a Window whose client widget is a toolkit control, a child of its parent's
// client area. Controls tell their parent what happens with WM_COMMAND (buttons: BN_CLICKED;
// edits: EN_CHANGE; combo boxes: CBN_*) and WM_HSCROLL/WM_VSCROLL (scroll bars), lParam the
// control's handle.
//
// Groups: a control with WS_GROUP starts a group, which holds it and the controls made after it in
// the same parent up to the next one with WS_GROUP (the parent's first controls form a group
// even without it). Radio buttons are exclusive within their group only.
// Texts are Windows-1252.
#pragma once

#include "platform/qt/dialog_template.h"
#include "platform/qt/window.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Static text (SS_LEFT, SS_CENTER, SS_RIGHT with word wrap; SS_LEFTNOWORDWRAP; "&x" underlines x
// unless SS_NOPREFIX; CR LF and LF break lines) or an icon (SS_ICON, drawn at SM_CXICON x
// SM_CYICON at the top-left).
class StaticText : public Window {
public:
    BOOL Create(const char* text, DWORD style, const Rect& rect, Window* parent,
                UINT id = UINT(kIdStatic));
    HICON SetIcon(HICON icon);
};

// A single-line edit field (ES_AUTOHSCROLL scrolls as the user types; ES_READONLY, ES_PASSWORD,
// ES_UPPERCASE, ES_CENTER/ES_RIGHT; ES_NUMBER: the user can type only the digits 0-9, while text
// the program sets is kept whole). Text changes send EN_CHANGE.
class Edit : public Window {
public:
    BOOL Create(DWORD style, const Rect& rect, Window* parent, UINT id);
    // The user can type at most this many characters (0: the maximum, 32767); text the program
    // sets is kept whole, as on the platform.
    void LimitText(int maxChars);
    int GetLimitText() const;
    void SetSel(int start, int end); // -1 end: to the end
    void ReplaceSel(const char* text);
};

// Push buttons (BS_PUSHBUTTON, BS_DEFPUSHBUTTON), automatic check boxes (BS_AUTOCHECKBOX; plain
// BS_CHECKBOX only changes through SetCheck), radio buttons, group boxes (BS_GROUPBOX: a frame
// with a title, always beneath the controls it frames) and owner-drawn buttons (BS_OWNERDRAW). A
// click sends WM_COMMAND MAKEWPARAM(id, BN_CLICKED) to the parent. A click on an automatic radio
// button (BS_AUTORADIOBUTTON) checks it and clears the other automatic radio buttons of its group;
// the arrow keys move the focus to the group's previous or next radio button, and check an
// automatic one as a click would. A plain BS_RADIOBUTTON only changes through SetCheck, which
// never touches the other buttons of the group. An owner-drawn button is painted by
// sending WM_DRAWITEM (CtlType ODT_BUTTON, itemAction ODA_DRAWENTIRE, itemState ODS_SELECTED
// while pressed, ODS_DISABLED when disabled, ODS_FOCUS when focused, rcItem the button's client
// rectangle, hDC a paint context on it) to the parent, whose default handling calls the
// button's DrawItem; a class derived from Button draws there. Nothing is drawn otherwise.
class Button : public Window {
public:
    BOOL Create(const char* text, DWORD style, const Rect& rect, Window* parent, UINT id);
    int GetCheck() const;
    void SetCheck(int check);
    // BST_PUSHED while pressed, BST_FOCUS when focused, plus the check state.
    UINT GetState() const;
    // Sizes the button to its content (its text for standard buttons).
    void SizeToContent();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A drop-down list combo box (CBS_DROPDOWNLIST; the other kinds are made as one too): a closed
// box showing the selected item, whose list of items drops down below it. The rectangle's height
// is the box and its dropped list together; the closed box takes the toolkit's height. With
// CBS_SORT, AddString inserts items in case-insensitive order. The user drops the list with the
// mouse, F4, Alt+Down or Space (CBN_DROPDOWN before it shows, CBN_CLOSEUP when it closes) and
// changes the selection in it, with Up, Down, Page Up, Page Down, Home, End, a typed initial or
// the wheel; each such change sends CBN_SELCHANGE. Selections the program makes are not told.
// The window text is the selected item's text.
class ComboBox : public Window {
public:
    BOOL Create(DWORD style, const Rect& rect, Window* parent, UINT id);
    // Adds an item (Windows-1252) at the end, or in its sorted place with CBS_SORT; returns its
    // index, or CB_ERR without a control.
    int AddString(const char* text);
    int GetCount() const;
    // The selected item, or CB_ERR.
    int GetCurSel() const;
    // Selects an item; returns its index. An index out of range (-1 included) clears the
    // selection and returns CB_ERR, as the platform does.
    int SetCurSel(int index);
    // The text of an item; empty for an index out of range.
    std::string GetLBText(int index) const;
    void ResetContent();
    // The first item after startAfter (-1: from the start; the search wraps round) whose text
    // equals text ignoring case, or CB_ERR.
    int FindStringExact(int startAfter, const char* text) const;
    // CB_ERR (as a value) for an index out of range.
    DWORD_PTR GetItemData(int index) const;
    // CB_ERR for an index out of range.
    int SetItemData(int index, DWORD_PTR data);

    // CB_ADDSTRING, CB_GETCOUNT, CB_GETCURSEL, CB_SETCURSEL, CB_GETLBTEXT, CB_GETLBTEXTLEN,
    // CB_RESETCONTENT, CB_FINDSTRINGEXACT, CB_GETITEMDATA, CB_SETITEMDATA.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A scroll-bar control with the platform's semantics. The range is nMin..nMax and the page nPage
// (clamped to 0..nMax - nMin + 1); the position runs from nMin to nMax - max(nPage - 1, 0) and is
// clamped into it. The control never moves by itself: a user action sends WM_HSCROLL (SBS_HORZ)
// or WM_VSCROLL (SBS_VERT) to the parent with SB_LINELEFT/SB_LINERIGHT (arrows), SB_PAGELEFT/
// SB_PAGERIGHT (the track beside the thumb; repeated while held), SB_THUMBTRACK while the thumb
// is dragged (position: the track position, also in nTrackPos), SB_THUMBPOSITION when it is
// released there, and SB_ENDSCROLL when the mouse button goes up; the parent moves the thumb
// with SetScrollPos or SetScrollInfo. (The UP/DOWN codes have the same values.)
class ScrollBar : public Window {
public:
    BOOL Create(DWORD style, const Rect& rect, Window* parent, UINT id);
    // Applies the parts fMask names (SIF_RANGE, SIF_PAGE, SIF_POS); returns the new position.
    int SetScrollInfo(const SCROLLINFO* info, BOOL redraw = TRUE);
    // Fills the parts mask names (SIF_TRACKPOS: the thumb's position while dragged, else the
    // position). FALSE for an empty mask.
    BOOL GetScrollInfo(SCROLLINFO* info, UINT mask = SIF_ALL) const;
    // Returns the previous position.
    int SetScrollPos(int position, BOOL redraw = TRUE);
    int GetScrollPos() const;
    void SetScrollRange(int minimum, int maximum, BOOL redraw = TRUE);
    void GetScrollRange(int* minimum, int* maximum) const;
    void ShowScrollBar(BOOL show = TRUE);
    bool isHorizontal() const;
};

// Tooltips for controls: AddTool gives a control a tip that the toolkit shows when the mouse
// rests on it. TTS_ALWAYSTIP shows tips even while the window is not active.
class ToolTipCtrl {
public:
    ToolTipCtrl();
    ~ToolTipCtrl();
    ToolTipCtrl(const ToolTipCtrl&) = delete;
    ToolTipCtrl& operator=(const ToolTipCtrl&) = delete;
    // FALSE without a parent window.
    BOOL Create(Window* parent, DWORD style = 0);
    // The tip of a tool window; FALSE when the control was not created or the tool has no window.
    BOOL AddTool(Window* tool, const char* text);
    // The text from the string table; FALSE when there is no such string.
    BOOL AddTool(Window* tool, UINT stringId);
    void DelTool(Window* tool);
    void UpdateTipText(const char* text, Window* tool);
    void Activate(BOOL active);
    // The tip text of a tool (empty when it has none).
    std::string GetText(Window* tool) const;
    bool exists() const { return m_parent != nullptr; }

private:
    struct Tool;
    Window* m_parent = nullptr;
    DWORD m_style = 0;
    bool m_active = true;
    std::unique_ptr<std::vector<Tool>> m_tools;
    void apply(Window* tool, const std::string& text) const;
};

// The controls of the group a control belongs to (see the file comment), in creation order.
std::vector<Window*> dialogGroupOf(const Window* control);
bool isRadioButton(const Window* control);

// Makes a control of a class for a dialog template item: the factory creates the object and its
// window in parent at the pixel rectangle, or answers null.
using ControlFactory = std::function<std::unique_ptr<Window>(const DialogItemTemplate& item,
                                                             Window* parent, const Rect& rect)>;
void registerControlClass(const std::string& className, ControlFactory factory);
// Null when the class is unknown (the dialog then fails to be made) or creation failed.
std::unique_ptr<Window> createControl(const DialogItemTemplate& item, Window* parent,
                                      const Rect& rect);

} // namespace platform
