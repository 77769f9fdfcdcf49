// Inside the layer: the state every window carries (WindowData), the registry of live windows,
// and the widgets that host product windows (FrameWidget for a top-level window's frame and
// caption, ClientWidget for a client area). Not for product code.
#pragma once

#include "platform/qt/window.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QEventLoop;
class QMenu;
class QPainter;
class QTimer;

namespace platform {

class Menu;

// A WM_PAINT in progress: the painter on the widget and the update region.
struct PaintContext {
    QPainter* painter = nullptr;
    QRegion region;
    Rect rcPaint;
    bool erase = false;
};

struct WindowData {
    explicit WindowData(Window* self);
    ~WindowData();

    Window* self;
    QPointer<QWidget> frame;  // top-level windows: the toolkit window with frame and caption
    QPointer<QWidget> client; // the client area (a ClientWidget, or a control's widget)
    Window* parent = nullptr; // WS_CHILD: the parent; top-level: the owner
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string text;
    WindowClass windowClass;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    bool topLevel = false;
    bool popup = false;  // a never-activated popup
    bool dialog = false; // made by Dialog (never a popup)
    bool modal = false;  // a dialog running DoModal
    bool destroying = false;
    bool disabled = false;    // EnableWindow(FALSE) of a top-level window
    int modalBlocks = 0;      // modal loops of owned windows blocking input
    std::uint64_t serial = 0; // creation order

    // Painting.
    QRegion invalid;
    bool erasePending = true;
    PaintContext* activePaint = nullptr;
    // What the screen showed under a popup without a background when it was shown on a display:
    // its first paint starts from it, as the window shows what was there until it paints.
    QImage underneath;
    const std::function<void(QPainter&)>* pendingOperation = nullptr;

    // Timers by id.
    std::map<UINT_PTR, std::unique_ptr<QTimer>> timers;

    // The system menu, made on first use.
    std::unique_ptr<Menu> systemMenu;

    // Modal loop.
    QEventLoop* modalLoop = nullptr;
    int modalResult = -1;
    bool modalEnded = false;

    // Caption interaction: a pressed caption button being tracked, or a drag by the caption.
    int trackedButton = 0;
    bool trackedInside = false;
    bool dragging = false;
    QPoint dragOffset;

    // Controls a dialog made from its template (it owns them).
    std::vector<std::unique_ptr<Window>> ownedControls;

    // Messages being handled (for Default()).
    struct Current {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Current> current;

    // Shared with WindowData's users that must notice when it goes away.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);

    // True from registration until the window is gone.
    bool created = false;

    HWND hwnd() const { return reinterpret_cast<HWND>(self); }
    // The widget that stands for the whole window (the frame of a top-level window).
    QWidget* host() const { return topLevel ? frame.data() : client.data(); }
    // Forgets the window's hosts after WM_NCDESTROY: unregisters it and hands its widgets to the
    // toolkit for deletion.
    void detach();
};

// ---- Registry ----------------------------------------------------------------------------------
// Registers a newly made window (its hosts set in data) and maps its widgets to it.
void registerWindow(Window& window);
// Forgets a window; its widgets no longer map to it.
void unregisterWindow(Window& window);
// The live window whose host is the widget (or, with searchParents, the nearest ancestor
// widget that hosts one).
Window* windowOfWidget(const QWidget* widget, bool searchParents = false);
void mapWidget(const QWidget* widget, Window* window);
void unmapWidget(const QWidget* widget);
// Live windows in creation order.
std::vector<Window*> liveWindows();
std::vector<Window*> childrenOf(const Window* window);     // WS_CHILD windows with this parent
std::vector<Window*> ownedWindowsOf(const Window* window); // top-level windows it owns
// Top-level windows from the top of the stacking order down.
std::vector<Window*> stackingOrder();
void raiseInStackingOrder(Window* window);

// Makes a control window out of a toolkit widget: the widget becomes a child of parent's client
// area at rect, the window is registered (style WS_VISIBLE shows it, WS_DISABLED disables it,
// WS_TABSTOP lets Tab reach it) and gets the parent's font.
void attachControlWidget(Window& window, QWidget* widget, Window* parent, UINT id, DWORD style,
                         DWORD exStyle, const Rect& rect, const char* text);

// Dispatches a message through the window's WindowProc (logging it for tests).
LRESULT dispatchMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam);

// In a widget's paint event: runs the client drawing operation that asked for this repaint, if
// one did, and tells whether it did (the event then draws nothing else).
bool paintPendingOperation(QWidget* widget, const WindowData& data);

// Runs a client drawing operation on the window (see dc.h).
void runClientOperation(Window& window, const Rect& bounds,
                        const std::function<void(QPainter&)>& operation);

// Posts a message to every top-level window.
void postToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam);

// The window whose mouse message is being handled, and the widget the mouse is over (for
// SetCursor).
QWidget* cursorTargetWidget();

// A hook that sees every dispatched message (tests).
using MessageHook = std::function<void(Window&, UINT, WPARAM, LPARAM)>;
void setMessageHook(MessageHook hook);
// A hook run from the next modal loop once it is running (tests).
void setModalLoopHook(std::function<void(Window&)> hook);
void runModalLoopHook(Window& window);
// A hook run with the next popup menu once it is shown (tests).
void setPopupMenuHook(std::function<void(QMenu&)> hook);
// Forgets every test hook, the posted messages, the capture and the focus (between tests).
void resetLayerState();
// How many posted messages wait for delivery.
std::size_t postedMessageCount();
// The interval of a running timer of a window, or -1 when it is not running.
int timerIntervalOf(Window& window, UINT_PTR id);

// Places a top-level window's client widget inside its frame (at once, also while hidden).
void layoutFrame(WindowData& data);

// Frame geometry of a style: the frame width and caption height.
int frameWidthOf(DWORD style, DWORD exStyle);
int captionHeightOf(DWORD style);

// What DefWindowProc does for a non-client press: drag by the caption, open the system menu, or
// press a caption button (tracked until release).
void beginNonClientPress(Window& window, int hitTest, Point screenPoint);

// Marks the key being delivered as left to the default handling (it travels on to the parent).
void markKeyUnhandled();

// The text a control widget shows (its user may have changed it), and setting it.
bool controlText(const QWidget* widget, std::string* out);
bool setControlText(QWidget* widget, const std::string& text, DWORD style);

// The layer's global state on the toolkit's side (focus tracking, key redirection to a
// never-activated popup, activation messages); installed with the first window.
void ensureLayerInstalled();
bool isHeadlessPlatform();
// The layer's focus window (SetFocus), and changing it with WM_KILLFOCUS / WM_SETFOCUS.
Window* layerFocus();
void setLayerFocus(Window* window);
// The toolkit gave the widget the focus: its window takes the layer's focus, unless it is being
// destroyed.
void takeToolkitFocus(QWidget* widget);
// A window that goes away stops being the focus (without messages: it has had its last ones).
void forgetLayerFocus(const Window& window);
Window* captureWindow();
// Sends WM_CANCELMODE to the window holding the capture (when the application is deactivated,
// and when a modal dialog starts): menus and drags that hold the mouse end.
void cancelModes();

// The host of a top-level window: paints the frame and the caption row and turns mouse input on
// them into messages. Its one child is the window's ClientWidget.
class FrameWidget : public QWidget {
public:
    explicit FrameWidget(Window& window, QWidget* ownerWidget, Qt::WindowFlags flags);
    Window* window() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    WindowData* m_data;
    friend struct WindowData;
};

// The client area of a product window (top-level or child).
class ClientWidget : public QWidget {
public:
    explicit ClientWidget(Window& window, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// Mouse and key translation shared by the hosts.
enum class MouseKind { Press, Release, DoubleClick, Move };
void deliverMouse(QWidget* receiver, QMouseEvent* event, MouseKind kind);
// Sends the key messages for a key event to the window; true when a handler took the key.
bool deliverKey(Window& window, QKeyEvent* event, bool press);
UINT virtualKeyOf(int qtKey);
// Records the mouse position the layer saw last (GetCursorPos).
void noteCursorPosition(const QPoint& global);

// Paints a window's frame and caption (used by FrameWidget).
void paintNonClient(Window& window, QPainter& painter);

} // namespace platform
