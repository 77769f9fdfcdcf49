// platform::Window: the base of every window and control of the program, written the way window
// classes of a dialog-based desktop framework are written. A product class derives from Window
// (or Dialog, or a control class) and overrides the On... handlers it needs.
//
// Handles. A window's HWND is the address of its Window object; it is valid (IsWindow) from the
// moment the window is created (Create..., DoModal, or a dialog making its controls) until it is
// destroyed. Window::FromHandle answers the object for a live handle and null otherwise.
//
// Messages. Everything reaches a window through its one WindowProc(message, wParam, lParam),
// with the platform's message numbers and parameter packing (win_constants.h). WindowProc
// dispatches to the virtual handlers below; a handler that wants the default behaviour calls the
// base class's handler, which ends in DefWindowProc. Toolkit input is translated into the same
// messages, in the platform's order:
//   - every mouse event first asks WM_NCHITTEST (screen point); unless the mouse is captured,
//     WM_SETCURSOR (wParam: the window under the mouse, lParam: MAKELPARAM(hit code, mouse
//     message)) follows; then the client message (WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
//     WM_LBUTTONDBLCLK, ... with MK_ flags and the client point) when the hit code is HTCLIENT,
//     or the non-client message (WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN, ... with the hit code and the
//     screen point) otherwise. A window that answers HTCLIENT for its caption gets client
//     messages there, with negative y. Every second press within the double-click time arrives
//     as WM_LBUTTONDBLCLK (all windows have double clicks).
//   - while a window holds the capture (SetCapture), every mouse message of the application goes
//     to it as a client message in its client coordinates, without WM_NCHITTEST/WM_SETCURSOR.
//   - wheel events become WM_MOUSEWHEEL / WM_MOUSEHWHEEL (screen point) for the window under the
//     mouse; unhandled, they go on to the parent.
//   - keys become WM_KEYDOWN/WM_KEYUP (WM_SYSKEYDOWN/WM_SYSKEYUP while Alt is held) with VK_
//     codes, then WM_CHAR for text, for the window that has the layer's focus (SetFocus). A key
//     left to DefWindowProc travels on to the parent window, where a dialog turns Esc into
//     IDCANCEL and Enter into its default button. Alt+Space opens the system menu, Alt+F4 closes.
//   - painting: WM_ERASEBKGND (when the update region was invalidated with erasing) and then
//     WM_PAINT, both with the update region; see dc.h for client drawing outside WM_PAINT.
//   - activation: WM_ACTIVATEAPP to every top-level window, WM_QUERYNEWPALETTE and WM_ACTIVATE
//     to the window being activated. When the application is deactivated, and when a modal
//     dialog starts, the window holding the capture gets WM_CANCELMODE.
// SendMessage calls WindowProc directly. PostMessage appends to the layer's own queue, which the
// toolkit's event loop (and every nested modal loop) delivers in order; PeekMessage looks into
// that queue. Input from the toolkit is never in that queue.
//
// Top-level windows (WS_POPUP or WS_OVERLAPPED without WS_CHILD) are frameless toolkit windows
// that draw their own frame and caption row: icon (a click, or Alt+Space, opens the system
// menu), title, minimise button (WS_MINIMIZEBOX) and close button. The caption is SM_CYCAPTION
// high; the frame is SM_CXDLGFRAME wide for captioned and dialog-framed windows, SM_CXFRAME with
// WS_THICKFRAME, SM_CXBORDER with WS_BORDER alone, else 0. Client coordinates start below the
// caption inside the frame. A WS_POPUP window without caption that has an owner, WS_EX_TOOLWINDOW
// or WS_EX_NOACTIVATE is a popup that is never activated (menus and the like).
#pragma once

#include "platform/core/win_types.h"
#include "platform/core/window_services.h"
#include "platform/qt/cursor.h"
#include "platform/qt/gdi.h"
#include "platform/qt/win_constants.h"

#include <memory>
#include <string>

class QWidget;

namespace platform {

class ClientDC;
class Cursor;
class Window;
class DC;
class Menu;
class ScrollBar;
struct WindowData;

// The class of a window made with Create: its class styles, cursor and background.
struct WindowClass {
    UINT style = CS_DBLCLKS;
    // The cursor WM_SETCURSOR's default handling shows over the client area (null: the arrow).
    const Cursor* cursor = nullptr;
    // Whether WM_ERASEBKGND's default handling fills the background, and with what colour
    // (COLOR_3DFACE, the dialog colour, by default).
    bool hasBackground = true;
    COLORREF background = 0xFFFFFFFFu; // 0xFFFFFFFF: the dialog colour
};

// What WM_CREATE carries.
struct CREATESTRUCT {
    Window* parent = nullptr;
    UINT id = 0;
    Rect rect;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string title;
};

// What WM_DRAWITEM carries (lParam points at it).
struct DRAWITEMSTRUCT {
    UINT CtlType = 0; // ODT_BUTTON ...
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = ODA_DRAWENTIRE;
    UINT itemState = 0; // ODS_SELECTED, ODS_DISABLED, ODS_FOCUS ...
    HWND hwndItem = nullptr;
    DC* hDC = nullptr; // a paint context of the item, valid during the call
    Rect rcItem;
    UINT_PTR itemData = 0;
};

class Window {
public:
    Window();
    // Destroys the window if it still exists (handlers of derived classes are gone by then, so
    // only the base handling runs).
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // ---- Handles ----
    HWND GetSafeHwnd() const;
    static Window* FromHandle(HWND window);
    bool exists() const { return GetSafeHwnd() != nullptr; }

    // ---- Creation and destruction ----
    // Creates the window: rect is in the parent's client coordinates for WS_CHILD windows, else
    // in screen coordinates (the outer rectangle, frame and caption included). WM_CREATE is sent
    // before the window is shown; OnCreate answering -1 destroys it and Create answers FALSE.
    // A window with WS_VISIBLE is shown (activated unless it is a never-activated popup).
    BOOL CreateEx(DWORD exStyle, const WindowClass* windowClass, const char* title, DWORD style,
                  const Rect& rect, Window* parent, UINT id = 0);
    BOOL Create(const WindowClass* windowClass, const char* title, DWORD style, const Rect& rect,
                Window* parent, UINT id = 0) {
        return CreateEx(0, windowClass, title, style, rect, parent, id);
    }
    // Sends WM_DESTROY to the window and then to its children and owned windows, hides and
    // removes them, sends WM_NCDESTROY (children first) and calls PostNcDestroy last. FALSE when
    // there is no window.
    BOOL DestroyWindow();
    // Takes over the control with the id in parent (a dialog's control made from its template):
    // this object receives the control's messages from now on and the control's previous object
    // is discarded. The control's handle becomes this object's address, so subclass before the
    // handle is handed out. FALSE when this object already has a window or there is no such
    // control.
    BOOL SubclassDlgItem(UINT id, Window* parent);

    // ---- Messages ----
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default behaviour of every message (see the handlers for what it is).
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Calls DefWindowProc with the message being handled (inside a handler).
    LRESULT Default();

    // ---- Handlers (the default of each is DefWindowProc's behaviour) ----
    virtual int OnCreate(CREATESTRUCT* create); // 0 continue, -1 fail
    virtual void OnDestroy();
    virtual void OnNcDestroy(); // calls PostNcDestroy
    virtual void OnClose();     // DestroyWindow (dialogs: IDCANCEL)
    virtual void OnPaint();     // validates
    // Fills the update region with the class background; TRUE when erased.
    virtual BOOL OnEraseBkgnd(DC* dc);
    virtual void OnSize(UINT type, int width, int height);
    virtual void OnMove(int x, int y);
    virtual void OnMouseMove(UINT flags, Point point);
    virtual void OnLButtonDown(UINT flags, Point point);
    virtual void OnLButtonUp(UINT flags, Point point);
    virtual void OnLButtonDblClk(UINT flags, Point point);
    virtual void OnRButtonDown(UINT flags, Point point);
    virtual void OnRButtonUp(UINT flags, Point point);
    // screenPoint in screen coordinates. Unhandled (FALSE) the wheel goes on to the parent.
    virtual BOOL OnMouseWheel(UINT flags, short delta, Point screenPoint);
    virtual BOOL OnMouseHWheel(UINT flags, short delta, Point screenPoint);
    // Child windows ask their parent first; then the class cursor is set over the client area
    // and the arrow elsewhere. Returns TRUE when a cursor was set.
    virtual BOOL OnSetCursor(Window* window, UINT hitTest, UINT message);
    // The geometric hit test of the screen point: HTCLIENT, HTCAPTION, HTSYSMENU,
    // HTMINBUTTON, HTCLOSE, HTBORDER or HTNOWHERE.
    virtual LRESULT OnNcHitTest(Point screenPoint);
    virtual void OnNcMouseMove(UINT hitTest, Point screenPoint);
    // HTCAPTION drags the window, HTSYSMENU opens the system menu, HTMINBUTTON and HTCLOSE press
    // their button (WM_SYSCOMMAND SC_MINIMIZE / SC_CLOSE when released over it).
    virtual void OnNcLButtonDown(UINT hitTest, Point screenPoint);
    virtual void OnNcLButtonUp(UINT hitTest, Point screenPoint);
    virtual void OnNcLButtonDblClk(UINT hitTest, Point screenPoint); // HTSYSMENU closes
    virtual void OnTimer(UINT_PTR id);
    // wParam: MAKEWPARAM(id, notification code); lParam: the control's HWND or 0. TRUE handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // SC_CLOSE sends WM_CLOSE, SC_MINIMIZE minimises, SC_RESTORE restores, SC_MAXIMIZE
    // maximises, SC_KEYMENU opens the system menu. The low four bits of id are ignored.
    virtual void OnSysCommand(UINT id, LPARAM lParam);
    virtual void OnHScroll(UINT code, UINT position, ScrollBar* bar);
    virtual void OnVScroll(UINT code, UINT position, ScrollBar* bar);
    // flags: HIWORD of the key message's lParam. Unhandled keys travel on to the parent.
    virtual void OnKeyDown(UINT key, UINT repeat, UINT flags);
    virtual void OnKeyUp(UINT key, UINT repeat, UINT flags);
    virtual void OnSysKeyDown(UINT key, UINT repeat, UINT flags);
    virtual void OnSysKeyUp(UINT key, UINT repeat, UINT flags);
    virtual void OnChar(UINT character, UINT repeat, UINT flags);
    virtual void OnSetFocus(Window* oldFocus);
    virtual void OnKillFocus(Window* newFocus);
    virtual void OnActivate(UINT state, Window* other, BOOL minimized);
    virtual void OnActivateApp(BOOL active, DWORD threadId);
    virtual BOOL OnQueryNewPalette();
    virtual void OnPaletteChanged(Window* focusWindow);
    // The icon shown while the minimised window is dragged (null: the default).
    virtual HICON OnQueryDragIcon();
    virtual void OnInitMenuPopup(Menu* popup, UINT index, BOOL sysMenu);
    virtual void OnCancelMode();
    virtual void OnCaptureChanged(Window* newCapture);
    // Reflects the item to the control's DrawItem.
    virtual void OnDrawItem(int id, DRAWITEMSTRUCT* item);
    // Owner-drawn controls draw themselves here (WM_DRAWITEM reflected by the parent).
    virtual void DrawItem(DRAWITEMSTRUCT* item);

    // ---- Geometry ----
    // Child windows: parent client coordinates; top-level windows: screen coordinates of the
    // outer rectangle.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(const Rect& rect, BOOL repaint = TRUE) {
        MoveWindow(rect.left, rect.top, rect.width(), rect.height(), repaint);
    }
    BOOL SetWindowPos(const Window* insertAfter, int x, int y, int width, int height, UINT flags);
    void GetWindowRect(Rect* out) const; // screen coordinates, frame and caption included
    void GetClientRect(Rect* out) const; // (0, 0, client width, client height)
    void ClientToScreen(Point* point) const;
    void ClientToScreen(Rect* rect) const;
    void ScreenToClient(Point* point) const;
    void ScreenToClient(Rect* rect) const;
    // The rectangle of a part of the non-client area, in window coordinates (outer top-left is
    // 0, 0): HTCAPTION (the caption row), HTSYSMENU, HTMINBUTTON, HTCLOSE, HTCLIENT. Empty when
    // the window has no such part.
    Rect nonClientPart(int hitTest) const;

    // ---- State ----
    // Returns whether it was visible before. A top-level window is exposed by the window system
    // before ShowWindow returns (it waits up to 200 ms, handling no input, posted messages or
    // timer ticks meanwhile), so it can be painted and drawn on at once.
    BOOL ShowWindow(int command);
    BOOL IsWindowVisible() const;
    BOOL EnableWindow(BOOL enable); // returns whether it was disabled before
    BOOL IsWindowEnabled() const;
    BOOL IsIconic() const;
    void SetWindowText(const char* text); // Windows-1252
    std::string GetWindowText() const;
    int GetWindowText(char* buffer, int size) const;
    int GetWindowTextLength() const;
    // big: the icon of the task switcher; small: the caption's icon. Returns the previous one.
    HICON SetIcon(HICON icon, BOOL big);
    HICON GetIcon(BOOL big) const;
    // Gives this window the keyboard focus; returns the window that had it.
    Window* SetFocus();
    int GetDlgCtrlID() const;
    Window* GetParent() const; // the parent of a child, the owner of a top-level window
    Window* GetTopLevelParent() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    // The direct child window (control) with the id, or null.
    Window* GetDlgItem(int id) const;
    // The window's system menu (made on first use with Restore, Move, Size, Minimize, Maximize,
    // a separator and Close). revert TRUE puts the default menu back and answers null.
    Menu* GetSystemMenu(BOOL revert);
    // Opens the system menu below the caption's icon as a popup; the choice arrives as
    // WM_SYSCOMMAND (posted).
    void showSystemMenu();
    void BringWindowToTop();
    void SetForegroundWindow();

    // ---- Painting ----
    // Adds the rectangle (null: the client area) to the update region; erase asks for
    // WM_ERASEBKGND before the next WM_PAINT.
    void InvalidateRect(const Rect* rect, BOOL erase = TRUE);
    void Invalidate(BOOL erase = TRUE) { InvalidateRect(nullptr, erase); }
    void ValidateRect(const Rect* rect);
    // Paints the update region now (WM_ERASEBKGND if due, WM_PAINT); nothing when it is empty.
    void UpdateWindow();
    // RDW_INVALIDATE (with RDW_ERASE), RDW_FRAME (the caption and frame too), RDW_UPDATENOW.
    BOOL RedrawWindow(const Rect* rect, UINT flags);
    // Moves the pixels of scrollRect (null: the client area), clipped to clipRect, by (dx, dy)
    // and adds the uncovered part to the update region (with erasing); child windows move too
    // when scrollRect is null. UpdateWindow then paints only the uncovered strip.
    void ScrollWindow(int dx, int dy, const Rect* scrollRect = nullptr,
                      const Rect* clipRect = nullptr);
    // The update region's bounding box; FALSE when it is empty.
    BOOL GetUpdateRect(Rect* out) const;
    std::unique_ptr<ClientDC> GetDC();

    // ---- Timers ----
    // Starts (or restarts) timer id: WM_TIMER(id) every `elapse` milliseconds. Returns id, or 1
    // when id is 0 (a success is never 0), or 0 when the timer could not be made (no window;
    // failNextSetTimer).
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, void* unused = nullptr);
    BOOL KillTimer(UINT_PTR id);

    // ---- Capture ----
    // Takes the mouse capture; returns the window that held it. WM_CAPTURECHANGED goes to the
    // window that loses it.
    Window* SetCapture();

    // ---- Modal loops ----
    // Runs a nested event loop until EndModalLoop; returns its result. The flags
    // (MLF_NOIDLEMSG, MLF_NOKICKIDLE) are accepted: the loop has no idle processing.
    virtual int RunModalLoop(DWORD flags = 0);
    virtual void EndModalLoop(int result);
    bool inModalLoop() const;

    // ---- Layer use ----
    WindowData& data() const { return *m_data; }
    // The widget that shows the client area (null without a window).
    QWidget* clientWidget() const;
    // The top-level widget (frame) of a top-level window, or null.
    QWidget* frameWidget() const;

protected:
    // Called after WM_NCDESTROY, the last thing that happens to a window. The object may delete
    // itself here.
    virtual void PostNcDestroy();
    // Called when the window gets its handle from SubclassDlgItem.
    virtual void PreSubclassWindow();

private:
    std::unique_ptr<WindowData> m_data;
    friend struct WindowData;
    friend class Dialog;
};

// The application's main window (used by message boxes without a live owner); Application sets
// it, tests may.
Window* mainWindow();
void setMainWindow(Window* window);

// Makes the next SetTimer fail (tests).
void failNextSetTimer();

} // namespace platform

// ---- Free functions on handles
// -------------------------------------------------------------------
BOOL IsWindow(HWND window);
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// FALSE for a handle that is not a live window.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Looks into the layer's posted-message queue for the first message of window (null: any) whose
// number is in [first, last] (both 0: any). PM_REMOVE takes it out. FALSE when there is none.
BOOL PeekMessage(MSG* message, HWND window, UINT first, UINT last, UINT remove);
// Ends the application's message loop with the code (posted).
void PostQuitMessage(int exitCode);
HWND GetCapture();
BOOL ReleaseCapture();
HWND GetFocus();
HWND GetActiveWindow();
// The window (control included) under the screen point, topmost first, or null.
HWND WindowFromPoint(Point screenPoint);
// The mouse position in screen coordinates: the last position the layer saw in a mouse event of
// any of its windows, else the toolkit's cursor position.
BOOL GetCursorPos(Point* out);
BOOL SetCursorPos(int x, int y);
// Whether a key or mouse button (VK_SHIFT, VK_CONTROL, VK_MENU, VK_LBUTTON ...) is down: the
// high bit of the result (0x8000) is set when it is.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);
