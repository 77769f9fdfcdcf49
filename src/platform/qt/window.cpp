// Windows: the registry of live windows, message dispatch and default handling, the posted
// message queue, timers, capture, focus, geometry and painting requests.
#include "platform/qt/window.h"

#include "platform/qt/application.h"
#include "platform/qt/controls.h"
#include "platform/qt/cursor.h"
#include "platform/qt/dc.h"
#include "platform/qt/menu.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QElapsedTimer>
#include <QWindow>

namespace platform {
namespace {

std::vector<Window*> g_windows; // live windows, creation order
QHash<const QWidget*, Window*> g_widgets;
std::vector<Window*> g_stack; // top-level windows, topmost first
std::uint64_t g_serial = 0;
Window* g_mainWindow = nullptr;
Window* g_capture = nullptr;
bool g_failNextTimer = false;
MessageHook g_messageHook;
std::function<void(Window&)> g_modalHook;

// ---- The posted-message queue ------------------------------------------------------------------
std::deque<MSG> g_posted;
bool g_pumpScheduled = false;
// While a window waits for the window system to expose it, posted messages and timer ticks wait.
int g_holdMessages = 0;

QObject* pumpContext() {
    static QPointer<QObject> context;
    if (!context && QCoreApplication::instance())
        context = new QObject(QCoreApplication::instance());
    return context;
}

void deliverOnePosted();

void schedulePump() {
    if (g_pumpScheduled || g_posted.empty()) return;
    QObject* context = pumpContext();
    if (!context) return;
    g_pumpScheduled = true;
    QMetaObject::invokeMethod(
        context,
        [] {
            g_pumpScheduled = false;
            deliverOnePosted();
        },
        Qt::QueuedConnection);
}

// One message per turn of the event loop, so that a handler that runs a nested loop lets the
// later messages through in order.
void deliverOnePosted() {
    if (g_posted.empty() || g_holdMessages > 0) return;
    const MSG message = g_posted.front();
    g_posted.pop_front();
    schedulePump();
    if (Window* window = Window::FromHandle(message.hwnd))
        dispatchMessage(*window, message.message, message.wParam, message.lParam);
}

bool isTopLevelStyle(DWORD style) {
    return (style & WS_CHILD) == 0;
}

void fixStackingBands() {
    // Popups and topmost windows stay above the others.
    std::stable_partition(g_stack.begin(), g_stack.end(), [](Window* w) {
        return w->data().popup || (w->data().exStyle & WS_EX_TOPMOST);
    });
}

void destroyPhaseOne(Window& window) {
    WindowData& d = window.data();
    d.destroying = true;
    if (g_capture == &window) ReleaseCapture();
    if (layerFocus() == &window) setLayerFocus(nullptr);
    dispatchMessage(window, WM_DESTROY, 0, 0);
    for (Window* child : childrenOf(&window))
        if (!child->data().destroying) destroyPhaseOne(*child);
}

void destroyPhaseTwo(Window& window) {
    for (Window* child : childrenOf(&window))
        destroyPhaseTwo(*child);
    WindowData* d = &window.data();
    const std::shared_ptr<bool> alive = d->alive;
    for (auto& [id, timer] : d->timers) {
        timer->stop();
        timer.release()->deleteLater();
    }
    d->timers.clear();
    if (d->modalLoop) {
        d->modalEnded = true;
        d->modalLoop->exit(0);
    }
    if (QWidget* host = d->host()) host->hide();
    dispatchMessage(window, WM_NCDESTROY, 0, 0);
    // A handler that did not call the base OnNcDestroy still loses its window.
    if (*alive && d->created) d->detach();
}

// Shows happen at once on the platform: a window can be painted and drawn on right after
// ShowWindow. The window system exposes a toolkit window a little later, so wait for that (at
// most 200 ms), handling only what is not input, with posted messages and timer ticks held.
void waitUntilExposed(QWidget* widget) {
    // Whatever runs meanwhile may destroy the window: hold it by guarded pointers.
    const QPointer<QWidget> host(widget);
    const QPointer<QWindow> handle(widget ? widget->windowHandle() : nullptr);
    if (!handle || handle->isExposed() || !host->isVisible()) return;
    ++g_holdMessages;
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(20);
    QObject::connect(&wake, &QTimer::timeout, &wake, [&wake] { wake.start(20); });
    while (host && handle && !handle->isExposed() && host->isVisible() && clock.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    --g_holdMessages;
    schedulePump();
}

Point toPoint(const QPoint& p) {
    return {p.x(), p.y()};
}

} // namespace

// ---- WindowData --------------------------------------------------------------------------------

WindowData::WindowData(Window* owner) : self(owner) {}

WindowData::~WindowData() {
    *alive = false;
    // A timer may be the one whose timeout is being handled: the event loop deletes it.
    for (auto& [id, timer] : timers) {
        timer->stop();
        if (QCoreApplication::instance()) timer.release()->deleteLater();
    }
}

void WindowData::detach() {
    if (!created) return;
    created = false;
    forgetLayerFocus(*self);
    // Messages still queued for the window die with it: a later window at the same address
    // must not get them.
    const HWND handle = reinterpret_cast<HWND>(self);
    std::erase_if(g_posted, [handle](const MSG& m) { return m.hwnd == handle; });
    unregisterWindow(*self);
    ownedControls.clear();
    QWidget* widget = host();
    if (widget) {
        widget->hide();
        widget->deleteLater();
    }
    frame = nullptr;
    client = nullptr;
    invalid = QRegion();
    erasePending = true;
    activePaint = nullptr;
    destroying = false;
    modalBlocks = 0;
    disabled = false;
    trackedButton = 0;
    dragging = false;
}

// ---- Registry ----------------------------------------------------------------------------------

void registerWindow(Window& window) {
    WindowData& d = window.data();
    d.created = true;
    d.serial = ++g_serial;
    g_windows.push_back(&window);
    if (d.frame) mapWidget(d.frame, &window);
    if (d.client) mapWidget(d.client, &window);
    if (d.topLevel) {
        g_stack.insert(g_stack.begin(), &window);
        fixStackingBands();
    }
}

void unregisterWindow(Window& window) {
    WindowData& d = window.data();
    g_windows.erase(std::remove(g_windows.begin(), g_windows.end(), &window), g_windows.end());
    g_stack.erase(std::remove(g_stack.begin(), g_stack.end(), &window), g_stack.end());
    for (auto it = g_widgets.begin(); it != g_widgets.end();) {
        if (it.value() == &window)
            it = g_widgets.erase(it);
        else
            ++it;
    }
    if (g_capture == &window) g_capture = nullptr;
    (void)d;
}

void mapWidget(const QWidget* widget, Window* window) {
    if (widget) g_widgets.insert(widget, window);
}

void unmapWidget(const QWidget* widget) {
    g_widgets.remove(widget);
}

Window* windowOfWidget(const QWidget* widget, bool searchParents) {
    while (widget) {
        if (auto it = g_widgets.constFind(widget); it != g_widgets.constEnd()) return it.value();
        if (!searchParents) return nullptr;
        widget = widget->parentWidget();
    }
    return nullptr;
}

std::vector<Window*> liveWindows() {
    return g_windows;
}

std::vector<Window*> childrenOf(const Window* window) {
    std::vector<Window*> out;
    for (Window* w : g_windows)
        if (w->data().parent == window && !w->data().topLevel) out.push_back(w);
    return out;
}

std::vector<Window*> ownedWindowsOf(const Window* window) {
    std::vector<Window*> out;
    for (Window* w : g_windows)
        if (w->data().parent == window && w->data().topLevel) out.push_back(w);
    return out;
}

std::vector<Window*> stackingOrder() {
    return g_stack;
}

void raiseInStackingOrder(Window* window) {
    auto it = std::find(g_stack.begin(), g_stack.end(), window);
    if (it == g_stack.end()) return;
    g_stack.erase(it);
    g_stack.insert(g_stack.begin(), window);
    fixStackingBands();
}

LRESULT dispatchMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_messageHook) g_messageHook(window, message, wParam, lParam);
    WindowData* d = &window.data();
    const std::shared_ptr<bool> alive = d->alive;
    d->current.push_back({message, wParam, lParam});
    const LRESULT result = window.WindowProc(message, wParam, lParam);
    if (*alive && !d->current.empty()) d->current.pop_back();
    return result;
}

void setMessageHook(MessageHook hook) {
    g_messageHook = std::move(hook);
}

void setModalLoopHook(std::function<void(Window&)> hook) {
    g_modalHook = std::move(hook);
}

void runModalLoopHook(Window& window) {
    if (!g_modalHook) return;
    auto hook = std::move(g_modalHook);
    g_modalHook = nullptr;
    const HWND handle = window.GetSafeHwnd();
    QObject* context = pumpContext();
    if (!context) return;
    QMetaObject::invokeMethod(
        context,
        [hook = std::move(hook), handle] {
            if (Window* w = Window::FromHandle(handle)) hook(*w);
        },
        Qt::QueuedConnection);
}

void postToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam) {
    for (Window* w : g_windows)
        if (w->data().topLevel) ::PostMessage(w->GetSafeHwnd(), message, wParam, lParam);
}

Window* captureWindow() {
    return g_capture;
}

void resetLayerState() {
    g_failNextTimer = false;
    g_messageHook = nullptr;
    g_modalHook = nullptr;
    setPopupMenuHook(nullptr);
    g_posted.clear();
    if (g_capture) ReleaseCapture();
    setLayerFocus(nullptr);
    g_mainWindow = nullptr;
}

std::size_t postedMessageCount() {
    return g_posted.size();
}

int timerIntervalOf(Window& window, UINT_PTR id) {
    const auto& timers = window.data().timers;
    const auto it = timers.find(id);
    return it != timers.end() && it->second->isActive() ? it->second->interval() : -1;
}

Window* mainWindow() {
    if (Application* app = AfxGetApp(); app && app->m_pMainWnd) return app->m_pMainWnd;
    return g_mainWindow;
}
void setMainWindow(Window* window) {
    g_mainWindow = window;
}
void failNextSetTimer() {
    g_failNextTimer = true;
}

// ---- Window ------------------------------------------------------------------------------------

Window::Window() : m_data(std::make_unique<WindowData>(this)) {}

Window::~Window() {
    if (m_data->created) DestroyWindow();
    // Nothing may point at a window object that is gone.
    if (g_mainWindow == this) g_mainWindow = nullptr;
    if (Application* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

HWND Window::GetSafeHwnd() const {
    return m_data->created ? reinterpret_cast<HWND>(const_cast<Window*>(this)) : nullptr;
}

Window* Window::FromHandle(HWND window) {
    if (!window) return nullptr;
    auto* candidate = reinterpret_cast<Window*>(window);
    return std::find(g_windows.begin(), g_windows.end(), candidate) != g_windows.end() ? candidate
                                                                                       : nullptr;
}

QWidget* Window::clientWidget() const {
    return m_data->client;
}
QWidget* Window::frameWidget() const {
    return m_data->frame;
}

BOOL Window::CreateEx(DWORD exStyle, const WindowClass* windowClass, const char* title, DWORD style,
                      const Rect& rect, Window* parent, UINT id) {
    if (m_data->created || !QCoreApplication::instance()) return FALSE;
    ensureLayerInstalled();
    WindowData& d = *m_data;
    d.style = style;
    d.exStyle = exStyle;
    d.id = id;
    d.parent = parent;
    d.text = title ? title : "";
    d.windowClass = windowClass ? *windowClass : WindowClass{};
    d.erasePending = true;
    if (!isTopLevelStyle(style)) {
        if (!parent || !parent->exists() || !parent->clientWidget()) return FALSE;
        d.topLevel = false;
        auto* widget = new ClientWidget(*this, parent->clientWidget());
        d.client = widget;
        widget->setGeometry(toQRect(rect));
        widget->setFont(parent->clientWidget()->font());
        widget->setVisible(false);
    } else {
        d.topLevel = true;
        d.popup =
            !d.dialog && ((exStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE)) ||
                          ((style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION && parent));
        QWidget* ownerWidget = nullptr;
        if (parent && parent->exists()) {
            Window* top = parent->GetTopLevelParent();
            ownerWidget = top ? top->frameWidget() : nullptr;
        }
        Qt::WindowFlags flags = d.popup ? (Qt::ToolTip | Qt::FramelessWindowHint)
                                        : (Qt::Window | Qt::FramelessWindowHint);
        if (exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
        auto* frame = new FrameWidget(*this, ownerWidget, flags);
        d.frame = frame;
        d.client = new ClientWidget(*this, frame);
        frame->setWindowTitle(fromWindows1252(d.text));
        frame->setGeometry(toQRect(rect));
        layoutFrame(d);
    }
    registerWindow(*this);
    CREATESTRUCT create{parent, id, rect, style, exStyle, d.text};
    const std::shared_ptr<bool> alive = d.alive;
    if (dispatchMessage(*this, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        if (*alive && m_data->created) DestroyWindow();
        return FALSE;
    }
    if (!*alive || !m_data->created) return FALSE;
    if (style & WS_DISABLED) EnableWindow(FALSE);
    if (style & WS_VISIBLE) ShowWindow(d.popup ? SW_SHOWNA : SW_SHOW);
    return TRUE;
}

BOOL Window::DestroyWindow() {
    if (!m_data->created || m_data->destroying) return FALSE;
    for (Window* owned : ownedWindowsOf(this))
        owned->DestroyWindow();
    if (!m_data->created || m_data->destroying) return FALSE;
    destroyPhaseOne(*this);
    destroyPhaseTwo(*this);
    return TRUE;
}

BOOL Window::SubclassDlgItem(UINT id, Window* parent) {
    if (m_data->created || !parent) return FALSE;
    Window* old = parent->GetDlgItem(int(id));
    if (!old || old == this) return FALSE;
    unregisterWindow(*old);
    std::swap(m_data, old->m_data);
    m_data->self = this;
    old->m_data->self = old;
    WindowData& d = *m_data;
    // Registry: the control keeps its place in the creation order under its new object.
    d.created = true;
    g_windows.push_back(this);
    std::stable_sort(g_windows.begin(), g_windows.end(),
                     [](Window* a, Window* b) { return a->data().serial < b->data().serial; });
    if (d.frame) mapWidget(d.frame, this);
    if (d.client) mapWidget(d.client, this);
    // The previous object, if the parent owns it, is discarded.
    auto& owned = parent->data().ownedControls;
    owned.erase(std::remove_if(owned.begin(), owned.end(),
                               [old](const std::unique_ptr<Window>& w) { return w.get() == old; }),
                owned.end());
    PreSubclassWindow();
    return TRUE;
}

void Window::PreSubclassWindow() {}
void Window::PostNcDestroy() {}

LRESULT Window::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_data->created) return 0;
    return dispatchMessage(*this, message, wParam, lParam);
}

BOOL Window::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(GetSafeHwnd(), message, wParam, lParam);
}

LRESULT Window::Default() {
    if (m_data->current.empty()) return 0;
    const auto c = m_data->current.back();
    return DefWindowProc(c.message, c.wParam, c.lParam);
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const Point point = lParamToPoint(lParam);
    const UINT flags = UINT(wParam);
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCT*>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<DC*>(wParam));
    case WM_SIZE:
        OnSize(flags, LOWORD(std::uintptr_t(lParam)), HIWORD(std::uintptr_t(lParam)));
        return 0;
    case WM_MOVE:
        OnMove(point.x, point.y);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(flags, point);
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(flags, point);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(flags, point);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(flags, point);
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(flags, point);
        return 0;
    case WM_RBUTTONUP:
        OnRButtonUp(flags, point);
        return 0;
    case WM_MOUSEWHEEL:
        return OnMouseWheel(UINT(GET_KEYSTATE_WPARAM(wParam)),
                            short(GET_WHEEL_DELTA_WPARAM(wParam)), point);
    case WM_MOUSEHWHEEL:
        return OnMouseHWheel(UINT(GET_KEYSTATE_WPARAM(wParam)),
                             short(GET_WHEEL_DELTA_WPARAM(wParam)), point);
    case WM_SETCURSOR:
        return OnSetCursor(FromHandle(reinterpret_cast<HWND>(wParam)),
                           LOWORD(std::uintptr_t(lParam)), HIWORD(std::uintptr_t(lParam)));
    case WM_NCHITTEST:
        return OnNcHitTest(point);
    case WM_NCMOUSEMOVE:
        OnNcMouseMove(flags, point);
        return 0;
    case WM_NCLBUTTONDOWN:
        OnNcLButtonDown(flags, point);
        return 0;
    case WM_NCLBUTTONUP:
        OnNcLButtonUp(flags, point);
        return 0;
    case WM_NCLBUTTONDBLCLK:
        OnNcLButtonDblClk(flags, point);
        return 0;
    case WM_TIMER:
        OnTimer(UINT_PTR(wParam));
        return 0;
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case WM_SYSCOMMAND:
        OnSysCommand(flags, lParam);
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        auto* bar = dynamic_cast<ScrollBar*>(FromHandle(reinterpret_cast<HWND>(lParam)));
        if (message == WM_HSCROLL)
            OnHScroll(LOWORD(wParam), HIWORD(wParam), bar);
        else
            OnVScroll(LOWORD(wParam), HIWORD(wParam), bar);
        return 0;
    }
    case WM_KEYDOWN:
        OnKeyDown(flags, LOWORD(std::uintptr_t(lParam)), HIWORD(std::uintptr_t(lParam)));
        return 0;
    case WM_KEYUP:
        OnKeyUp(flags, LOWORD(std::uintptr_t(lParam)), HIWORD(std::uintptr_t(lParam)));
        return 0;
    case WM_SYSKEYDOWN:
        OnSysKeyDown(flags, LOWORD(std::uintptr_t(lParam)), HIWORD(std::uintptr_t(lParam)));
        return 0;
    case WM_SYSKEYUP:
        OnSysKeyUp(flags, LOWORD(std::uintptr_t(lParam)), HIWORD(std::uintptr_t(lParam)));
        return 0;
    case WM_CHAR:
        OnChar(flags, LOWORD(std::uintptr_t(lParam)), HIWORD(std::uintptr_t(lParam)));
        return 0;
    case WM_SETFOCUS:
        OnSetFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
        return 0;
    case WM_ACTIVATEAPP:
        OnActivateApp(BOOL(wParam), DWORD(lParam));
        return 0;
    case WM_QUERYNEWPALETTE:
        return OnQueryNewPalette();
    case WM_PALETTECHANGED:
        OnPaletteChanged(FromHandle(reinterpret_cast<HWND>(wParam)));
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<Menu*>(wParam), LOWORD(std::uintptr_t(lParam)),
                        HIWORD(std::uintptr_t(lParam)));
        return 0;
    case WM_CANCELMODE:
        OnCancelMode();
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(FromHandle(reinterpret_cast<HWND>(lParam)));
        return 0;
    case WM_DRAWITEM:
        OnDrawItem(int(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    default:
        return DefWindowProc(message, wParam, lParam);
    }
}

LRESULT Window::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    WindowData& d = *m_data;
    switch (message) {
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    case WM_PAINT:
        d.invalid = QRegion();
        return 0;
    case WM_ERASEBKGND: {
        auto* dc = reinterpret_cast<DC*>(wParam);
        if (!dc || !d.windowClass.hasBackground) return 0;
        const COLORREF colour = d.windowClass.background == 0xFFFFFFFFu ? GetSysColor(COLOR_3DFACE)
                                                                        : d.windowClass.background;
        Rect client;
        GetClientRect(&client);
        dc->FillSolidRect(client, colour);
        return 1;
    }
    case WM_SETCURSOR: {
        if (!d.topLevel && d.parent && d.parent->exists() &&
            dispatchMessage(*d.parent, WM_SETCURSOR, wParam, lParam))
            return TRUE;
        const int hit = SHORT(LOWORD(std::uintptr_t(lParam)));
        if (hit == HTCLIENT)
            SetCursor(d.windowClass.cursor ? d.windowClass.cursor : LoadCursor(IDC_ARROW));
        else
            SetCursor(LoadCursor(IDC_ARROW));
        return TRUE;
    }
    case WM_NCHITTEST: {
        if (!d.created) return HTNOWHERE;
        Rect window;
        GetWindowRect(&window);
        const Point p = lParamToPoint(lParam);
        if (!window.contains(p)) return HTNOWHERE;
        const Point local{p.x - window.left, p.y - window.top};
        for (int part : {HTCLOSE, HTMINBUTTON, HTSYSMENU, HTCAPTION, HTCLIENT})
            if (nonClientPart(part).contains(local)) return part;
        return HTBORDER;
    }
    case WM_NCLBUTTONDOWN:
        beginNonClientPress(*this, int(wParam), lParamToPoint(lParam));
        return 0;
    case WM_NCLBUTTONDBLCLK:
        if (int(wParam) == HTSYSMENU) SendMessage(WM_SYSCOMMAND, SC_CLOSE, lParam);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(WM_CLOSE);
            break;
        case SC_MINIMIZE:
            ShowWindow(SW_MINIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(SW_RESTORE);
            break;
        case SC_MAXIMIZE:
            ShowWindow(SW_MAXIMIZE);
            break;
        case SC_KEYMENU:
            if (lParam == ' ') showSystemMenu();
            break;
        default:
            break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (Window* top = GetTopLevelParent(); top && (wParam == VK_SPACE || wParam == VK_F4)) {
            top->SendMessage(WM_SYSCOMMAND, wParam == VK_SPACE ? SC_KEYMENU : SC_CLOSE,
                             wParam == VK_SPACE ? ' ' : 0);
            return 0;
        }
        markKeyUnhandled();
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
        markKeyUnhandled();
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        if (!d.topLevel && d.parent && d.parent->exists())
            return dispatchMessage(*d.parent, message, wParam, lParam);
        return 0;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (!item) return FALSE;
        if (Window* control = FromHandle(item->hwndItem)) {
            control->DrawItem(item);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return 0;
    }
}

// ---- Default handlers --------------------------------------------------------------------------

int Window::OnCreate(CREATESTRUCT*) {
    return 0;
}
void Window::OnDestroy() {}
void Window::OnNcDestroy() {
    m_data->detach();
    if (Application* app = AfxGetApp(); app && app->m_pMainWnd == this && app->runsMessageLoop())
        PostQuitMessage(0);
    PostNcDestroy();
}
void Window::OnClose() {
    DefWindowProc(WM_CLOSE, 0, 0);
}
void Window::OnPaint() {
    DefWindowProc(WM_PAINT, 0, 0);
}
BOOL Window::OnEraseBkgnd(DC* dc) {
    return BOOL(DefWindowProc(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0));
}
void Window::OnSize(UINT, int, int) {}
void Window::OnMove(int, int) {}
void Window::OnMouseMove(UINT, Point) {}
void Window::OnLButtonDown(UINT, Point) {}
void Window::OnLButtonUp(UINT, Point) {}
void Window::OnLButtonDblClk(UINT, Point) {}
void Window::OnRButtonDown(UINT, Point) {}
void Window::OnRButtonUp(UINT, Point) {}
BOOL Window::OnMouseWheel(UINT flags, short delta, Point screenPoint) {
    return BOOL(DefWindowProc(WM_MOUSEWHEEL, MAKEWPARAM(WORD(flags), WORD(delta)),
                              pointToLParam(screenPoint)));
}
BOOL Window::OnMouseHWheel(UINT flags, short delta, Point screenPoint) {
    return BOOL(DefWindowProc(WM_MOUSEHWHEEL, MAKEWPARAM(WORD(flags), WORD(delta)),
                              pointToLParam(screenPoint)));
}
BOOL Window::OnSetCursor(Window* window, UINT hitTest, UINT message) {
    return BOOL(DefWindowProc(WM_SETCURSOR,
                              reinterpret_cast<WPARAM>(window ? window->GetSafeHwnd() : nullptr),
                              MAKELPARAM(int(hitTest), int(message))));
}
LRESULT Window::OnNcHitTest(Point screenPoint) {
    return DefWindowProc(WM_NCHITTEST, 0, pointToLParam(screenPoint));
}
void Window::OnNcMouseMove(UINT, Point) {}
void Window::OnNcLButtonDown(UINT hitTest, Point screenPoint) {
    DefWindowProc(WM_NCLBUTTONDOWN, hitTest, pointToLParam(screenPoint));
}
void Window::OnNcLButtonUp(UINT, Point) {}
void Window::OnNcLButtonDblClk(UINT hitTest, Point screenPoint) {
    DefWindowProc(WM_NCLBUTTONDBLCLK, hitTest, pointToLParam(screenPoint));
}
void Window::OnTimer(UINT_PTR) {}
BOOL Window::OnCommand(WPARAM, LPARAM) {
    return FALSE;
}
void Window::OnSysCommand(UINT id, LPARAM lParam) {
    DefWindowProc(WM_SYSCOMMAND, id, lParam);
}
void Window::OnHScroll(UINT, UINT, ScrollBar*) {}
void Window::OnVScroll(UINT, UINT, ScrollBar*) {}
void Window::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    DefWindowProc(WM_KEYDOWN, key, LPARAM(MAKELONG(WORD(repeat), WORD(flags))));
}
void Window::OnKeyUp(UINT key, UINT repeat, UINT flags) {
    DefWindowProc(WM_KEYUP, key, LPARAM(MAKELONG(WORD(repeat), WORD(flags))));
}
void Window::OnSysKeyDown(UINT key, UINT repeat, UINT flags) {
    DefWindowProc(WM_SYSKEYDOWN, key, LPARAM(MAKELONG(WORD(repeat), WORD(flags))));
}
void Window::OnSysKeyUp(UINT key, UINT repeat, UINT flags) {
    DefWindowProc(WM_SYSKEYUP, key, LPARAM(MAKELONG(WORD(repeat), WORD(flags))));
}
void Window::OnChar(UINT character, UINT repeat, UINT flags) {
    DefWindowProc(WM_CHAR, character, LPARAM(MAKELONG(WORD(repeat), WORD(flags))));
}
void Window::OnSetFocus(Window*) {}
void Window::OnKillFocus(Window*) {}
void Window::OnActivate(UINT, Window*, BOOL) {}
void Window::OnActivateApp(BOOL, DWORD) {}
BOOL Window::OnQueryNewPalette() {
    return FALSE;
}
void Window::OnPaletteChanged(Window*) {}
HICON Window::OnQueryDragIcon() {
    return nullptr;
}
void Window::OnInitMenuPopup(Menu*, UINT, BOOL) {}
void Window::OnCancelMode() {
    // Whatever this window was doing with the mouse ends: it lets the mouse go.
    if (captureWindow() == this) ReleaseCapture();
}
void Window::OnCaptureChanged(Window*) {}
void Window::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
    DefWindowProc(WM_DRAWITEM, WPARAM(id), reinterpret_cast<LPARAM>(item));
}
void Window::DrawItem(DRAWITEMSTRUCT*) {}

// ---- Geometry ----------------------------------------------------------------------------------

void Window::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    QWidget* host = m_data->host();
    if (!host) return;
    host->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
    // A hidden window gets its resize event only when shown: place the client area now.
    if (m_data->topLevel) layoutFrame(*m_data);
    if (repaint) Invalidate(TRUE);
}

BOOL Window::SetWindowPos(const Window*, int x, int y, int width, int height, UINT flags) {
    QWidget* host = m_data->host();
    if (!host) return FALSE;
    QRect g = host->geometry();
    if (!(flags & SWP_NOMOVE)) g.moveTo(x, y);
    if (!(flags & SWP_NOSIZE)) g.setSize(QSize(std::max(width, 0), std::max(height, 0)));
    host->setGeometry(g);
    if (m_data->topLevel) layoutFrame(*m_data);
    if (flags & SWP_SHOWWINDOW)
        ShowWindow((flags & SWP_NOACTIVATE) || m_data->popup ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
    if (!(flags & SWP_NOZORDER) && m_data->topLevel) raiseInStackingOrder(this);
    return TRUE;
}

void Window::GetWindowRect(Rect* out) const {
    if (!out) return;
    *out = Rect{};
    QWidget* host = m_data->host();
    if (!host) return;
    const QPoint topLeft = m_data->topLevel ? host->pos() : host->mapToGlobal(QPoint(0, 0));
    *out =
        Rect{topLeft.x(), topLeft.y(), topLeft.x() + host->width(), topLeft.y() + host->height()};
}

void Window::GetClientRect(Rect* out) const {
    if (!out) return;
    QWidget* client = m_data->client;
    *out = client ? Rect{0, 0, client->width(), client->height()} : Rect{};
}

void Window::ClientToScreen(Point* point) const {
    if (!point || !m_data->client) return;
    *point = toPoint(m_data->client->mapToGlobal(QPoint(point->x, point->y)));
}

void Window::ClientToScreen(Rect* rect) const {
    if (!rect) return;
    Point a = rect->topLeft(), b = rect->bottomRight();
    ClientToScreen(&a);
    ClientToScreen(&b);
    *rect = Rect{a.x, a.y, b.x, b.y};
}

void Window::ScreenToClient(Point* point) const {
    if (!point || !m_data->client) return;
    *point = toPoint(m_data->client->mapFromGlobal(QPoint(point->x, point->y)));
}

void Window::ScreenToClient(Rect* rect) const {
    if (!rect) return;
    Point a = rect->topLeft(), b = rect->bottomRight();
    ScreenToClient(&a);
    ScreenToClient(&b);
    *rect = Rect{a.x, a.y, b.x, b.y};
}

// ---- State -------------------------------------------------------------------------------------

namespace {

// Raises a top-level window on the display, then the windows the layer keeps above it (popups and
// topmost windows), lowest first: raising a window never covers a menu it owns.
void raiseOnDisplay(Window& window) {
    if (isHeadlessPlatform() || !window.frameWidget()) return;
    window.frameWidget()->raise();
    const std::vector<Window*> order = stackingOrder();
    const auto self = std::find(order.begin(), order.end(), &window);
    if (self == order.end()) return;
    for (auto above = std::make_reverse_iterator(self); above != order.rend(); ++above)
        if (QWidget* frame = (*above)->frameWidget(); frame && frame->isVisible()) frame->raise();
}

// A popup whose class has no background shows the screen under it until it paints itself; keep
// what is there before it appears (on a display; offscreen there is no screen to show).
void keepScreenUnderneath(WindowData& d) {
    d.underneath = QImage();
    if (!d.topLevel || !d.popup || d.windowClass.hasBackground || isHeadlessPlatform()) return;
    if (!d.frame || !d.client || d.frame->isVisible()) return;
    QScreen* screen = d.frame->screen();
    if (!screen) return;
    const QPoint at = d.frame->geometry().topLeft() + d.client->pos();
    d.underneath =
        screen->grabWindow(0, at.x(), at.y(), d.client->width(), d.client->height()).toImage();
}

} // namespace

BOOL Window::ShowWindow(int command) {
    WindowData& d = *m_data;
    QWidget* host = d.host();
    if (!host) return FALSE;
    const BOOL wasVisible = host->isVisible() ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE:
        host->hide();
        return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        if (d.topLevel)
            host->showMinimized();
        else
            host->show();
        return wasVisible;
    case SW_MAXIMIZE:
        if (d.topLevel)
            host->showMaximized();
        else
            host->show();
        return wasVisible;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
        keepScreenUnderneath(d);
        host->setAttribute(Qt::WA_ShowWithoutActivating, true);
        host->show();
        if (d.topLevel) {
            raiseInStackingOrder(this);
            raiseOnDisplay(*this);
            waitUntilExposed(host);
        }
        return wasVisible;
    default:
        keepScreenUnderneath(d);
        host->setAttribute(Qt::WA_ShowWithoutActivating, d.popup);
        if (command == SW_RESTORE && d.topLevel)
            host->showNormal();
        else
            host->show();
        if (d.topLevel) {
            raiseInStackingOrder(this);
            if (!d.popup) {
                raiseOnDisplay(*this);
                host->activateWindow();
            }
            waitUntilExposed(host);
        }
        return wasVisible;
    }
}

BOOL Window::IsWindowVisible() const {
    QWidget* host = m_data->host();
    return host && host->isVisible() ? TRUE : FALSE;
}

BOOL Window::EnableWindow(BOOL enable) {
    WindowData& d = *m_data;
    const BOOL wasDisabled = IsWindowEnabled() ? FALSE : TRUE;
    if (!d.created) return wasDisabled;
    if (d.topLevel)
        d.disabled = !enable;
    else if (d.client)
        d.client->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL Window::IsWindowEnabled() const {
    const WindowData& d = *m_data;
    if (!d.created) return FALSE;
    if (d.topLevel) return !d.disabled && d.modalBlocks == 0 ? TRUE : FALSE;
    return d.client && d.client->isEnabled() ? TRUE : FALSE;
}

BOOL Window::IsIconic() const {
    return m_data->topLevel && m_data->frame && m_data->frame->isMinimized() ? TRUE : FALSE;
}

void Window::SetWindowText(const char* text) {
    WindowData& d = *m_data;
    d.text = text ? text : "";
    if (d.frame) {
        d.frame->setWindowTitle(fromWindows1252(d.text));
        d.frame->update();
    } else if (d.client && !setControlText(d.client, d.text, d.style)) {
        // A child window that draws its own text (a caption row) shows the new one.
        d.client->update();
    }
}

std::string Window::GetWindowText() const {
    std::string text;
    if (m_data->client && !m_data->topLevel && controlText(m_data->client, &text)) return text;
    return m_data->text;
}

int Window::GetWindowText(char* buffer, int size) const {
    if (!buffer || size <= 0) return 0;
    const std::string text = GetWindowText();
    const int count = std::min<int>(int(text.size()), size - 1);
    std::memcpy(buffer, text.data(), std::size_t(count));
    buffer[count] = 0;
    return count;
}

int Window::GetWindowTextLength() const {
    return int(GetWindowText().size());
}

HICON Window::SetIcon(HICON icon, BOOL big) {
    WindowData& d = *m_data;
    HICON& slot = big ? d.bigIcon : d.smallIcon;
    HICON previous = slot;
    slot = icon;
    if (d.frame) {
        HICON shown = d.bigIcon ? d.bigIcon : d.smallIcon;
        if (shown) d.frame->setWindowIcon(QIcon(QPixmap::fromImage(shown->image(32, 32))));
        d.frame->update();
    }
    return previous;
}

HICON Window::GetIcon(BOOL big) const {
    return big ? m_data->bigIcon : m_data->smallIcon;
}

Window* Window::SetFocus() {
    Window* previous = layerFocus();
    if (!m_data->created) return previous;
    setLayerFocus(this);
    if (QWidget* w = m_data->client) {
        if (w->focusPolicy() == Qt::NoFocus) w->setFocusPolicy(Qt::ClickFocus);
        w->setFocus(Qt::OtherFocusReason);
    }
    return previous;
}

int Window::GetDlgCtrlID() const {
    return int(m_data->id);
}
Window* Window::GetParent() const {
    return m_data->parent;
}

Window* Window::GetTopLevelParent() const {
    const Window* w = this;
    while (w && !w->m_data->topLevel)
        w = w->m_data->parent;
    return const_cast<Window*>(w);
}

DWORD Window::GetStyle() const {
    DWORD style = m_data->style & ~(WS_VISIBLE | WS_DISABLED | WS_MINIMIZE);
    if (IsWindowVisible()) style |= WS_VISIBLE;
    if (m_data->created && !IsWindowEnabled()) style |= WS_DISABLED;
    if (IsIconic()) style |= WS_MINIMIZE;
    return style;
}

DWORD Window::GetExStyle() const {
    return m_data->exStyle;
}

Window* Window::GetDlgItem(int id) const {
    for (Window* child : childrenOf(this))
        if (int(child->m_data->id) == id) return child;
    return nullptr;
}

Menu* Window::GetSystemMenu(BOOL revert) {
    WindowData& d = *m_data;
    if (revert || !d.systemMenu) {
        d.systemMenu = std::make_unique<Menu>();
        Menu& m = *d.systemMenu;
        m.AppendMenu(MF_STRING, SC_RESTORE, "&Restore");
        m.AppendMenu(MF_STRING, SC_MOVE, "&Move");
        m.AppendMenu(MF_STRING, SC_SIZE, "&Size");
        m.AppendMenu(MF_STRING, SC_MINIMIZE, "Mi&nimize");
        m.AppendMenu(MF_STRING, SC_MAXIMIZE, "Ma&ximize");
        m.AppendMenu(MF_SEPARATOR);
        m.AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
        if (revert) return nullptr;
    }
    return d.systemMenu.get();
}

void Window::BringWindowToTop() {
    Window* top = GetTopLevelParent();
    if (!top || !top->m_data->frame) return;
    raiseInStackingOrder(top);
    raiseOnDisplay(*top);
}

void Window::SetForegroundWindow() {
    Window* top = GetTopLevelParent();
    if (!top || !top->m_data->frame) return;
    BringWindowToTop();
    if (!top->m_data->popup) top->m_data->frame->activateWindow();
}

// ---- Painting ----------------------------------------------------------------------------------

void Window::InvalidateRect(const Rect* rect, BOOL erase) {
    WindowData& d = *m_data;
    QWidget* w = d.client;
    if (!w) return;
    const QRect r = rect ? toQRect(*rect) & w->rect() : w->rect();
    if (r.isEmpty()) return;
    d.invalid += r;
    if (erase) d.erasePending = true;
    w->update(r);
}

void Window::ValidateRect(const Rect* rect) {
    if (rect)
        m_data->invalid -= toQRect(*rect);
    else
        m_data->invalid = QRegion();
}

void Window::UpdateWindow() {
    WindowData& d = *m_data;
    QWidget* w = d.client;
    if (!w || d.invalid.isEmpty() || d.activePaint || !w->isVisible()) return;
    w->repaint(d.invalid);
}

BOOL Window::RedrawWindow(const Rect* rect, UINT flags) {
    WindowData& d = *m_data;
    if (!d.created) return FALSE;
    if (flags & RDW_INVALIDATE) InvalidateRect(rect, (flags & RDW_ERASE) ? TRUE : FALSE);
    const bool frame = (flags & RDW_FRAME) && d.frame;
    if (frame) {
        QRegion nonClient(d.frame->rect());
        if (d.client) nonClient -= d.client->geometry();
        if ((flags & RDW_UPDATENOW) && d.frame->isVisible() && !d.activePaint)
            d.frame->repaint(nonClient);
        else
            d.frame->update(nonClient);
    }
    if (flags & RDW_UPDATENOW) UpdateWindow();
    return TRUE;
}

void Window::ScrollWindow(int dx, int dy, const Rect* scrollRect, const Rect* clipRect) {
    WindowData& d = *m_data;
    QWidget* w = d.client;
    if (!w || (dx == 0 && dy == 0)) return;
    QRect r = scrollRect ? toQRect(*scrollRect) & w->rect() : w->rect();
    if (clipRect) r &= toQRect(*clipRect);
    if (r.isEmpty()) return;
    // What was already invalid moves with the pixels.
    const QRegion inside = d.invalid & r;
    d.invalid -= inside;
    d.invalid += inside.translated(dx, dy) & r;
    const QRegion uncovered = QRegion(r) - QRegion(r.translated(dx, dy) & r);
    if (!scrollRect && !clipRect)
        w->scroll(dx, dy);
    else
        w->scroll(dx, dy, r);
    if (!uncovered.isEmpty()) {
        d.invalid += uncovered;
        d.erasePending = true;
    }
}

BOOL Window::GetUpdateRect(Rect* out) const {
    const QRect r = m_data->invalid.boundingRect();
    if (out) *out = fromQRect(r);
    return r.isEmpty() ? FALSE : TRUE;
}

std::unique_ptr<ClientDC> Window::GetDC() {
    return std::make_unique<ClientDC>(this);
}

// ---- Timers ------------------------------------------------------------------------------------

UINT_PTR Window::SetTimer(UINT_PTR id, UINT elapse, void*) {
    if (g_failNextTimer) {
        g_failNextTimer = false;
        return 0;
    }
    WindowData* d = m_data.get();
    if (!d->created) return 0;
    auto& timer = d->timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [d, id] {
            if (d->created && g_holdMessages == 0) dispatchMessage(*d->self, WM_TIMER, id, 0);
        });
    }
    timer->start(int(std::clamp<UINT>(elapse, 1, 0x7FFFFFFFu)));
    return id ? id : 1;
}

BOOL Window::KillTimer(UINT_PTR id) {
    auto it = m_data->timers.find(id);
    if (it == m_data->timers.end()) return FALSE;
    QTimer* timer = it->second.release();
    m_data->timers.erase(it);
    timer->stop();
    // The timer may be the one whose timeout is being handled: delete it from the event loop.
    timer->deleteLater();
    return TRUE;
}

// ---- Capture and modal loops -------------------------------------------------------------------

Window* Window::SetCapture() {
    Window* previous = g_capture;
    if (previous == this || !m_data->created) return previous;
    g_capture = this;
    if (previous) {
        if (QWidget* w = previous->clientWidget(); w && !isHeadlessPlatform()) w->releaseMouse();
        dispatchMessage(*previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(GetSafeHwnd()));
    }
    if (QWidget* w = m_data->client; w && w->isVisible() && !isHeadlessPlatform()) w->grabMouse();
    return previous;
}

int Window::RunModalLoop(DWORD) {
    WindowData* d = m_data.get();
    if (!d->created) return -1;
    const std::shared_ptr<bool> alive = d->alive;
    d->modalEnded = false;
    d->modalResult = -1;
    QEventLoop loop;
    QEventLoop* previous = d->modalLoop;
    d->modalLoop = &loop;
    runModalLoopHook(*this);
    if (!d->modalEnded) loop.exec(QEventLoop::DialogExec);
    if (!*alive) return -1;
    d->modalLoop = previous;
    return d->modalResult;
}

void Window::EndModalLoop(int result) {
    m_data->modalResult = result;
    m_data->modalEnded = true;
    if (m_data->modalLoop) m_data->modalLoop->exit(0);
}

bool Window::inModalLoop() const {
    return m_data->modalLoop != nullptr && !m_data->modalEnded;
}

} // namespace platform

// ---- Free functions ----------------------------------------------------------------------------

using platform::Window;

BOOL IsWindow(HWND window) {
    return Window::FromHandle(window) ? TRUE : FALSE;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Window::FromHandle(window);
    return w ? platform::dispatchMessage(*w, message, wParam, lParam) : 0;
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Window::FromHandle(window)) return FALSE;
    MSG posted;
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = GetTickCount();
    GetCursorPos(&posted.pt);
    platform::g_posted.push_back(posted);
    platform::schedulePump();
    return TRUE;
}

BOOL PeekMessage(MSG* message, HWND window, UINT first, UINT last, UINT remove) {
    auto& queue = platform::g_posted;
    const bool anyNumber = first == 0 && last == 0;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (window && it->hwnd != window) continue;
        if (!anyNumber && (it->message < first || it->message > last)) continue;
        if (message) *message = *it;
        if (remove & PM_REMOVE) queue.erase(it);
        return TRUE;
    }
    return FALSE;
}

void PostQuitMessage(int exitCode) {
    if (QObject* context = platform::pumpContext())
        QMetaObject::invokeMethod(
            context, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

HWND GetCapture() {
    Window* w = platform::g_capture;
    return w ? w->GetSafeHwnd() : nullptr;
}

BOOL ReleaseCapture() {
    Window* w = platform::g_capture;
    if (!w) return TRUE;
    platform::g_capture = nullptr;
    if (QWidget* widget = w->clientWidget(); widget && !platform::isHeadlessPlatform())
        widget->releaseMouse();
    platform::dispatchMessage(*w, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetFocus() {
    Window* w = platform::layerFocus();
    return w ? w->GetSafeHwnd() : nullptr;
}

HWND GetActiveWindow() {
    Window* w = platform::windowOfWidget(QApplication::activeWindow(), true);
    return w ? w->GetTopLevelParent()->GetSafeHwnd() : nullptr;
}

HWND WindowFromPoint(Point screenPoint) {
    const QPoint global(screenPoint.x, screenPoint.y);
    for (Window* top : platform::stackingOrder()) {
        QWidget* frame = top->frameWidget();
        if (!frame || !frame->isVisible() || frame->isMinimized()) continue;
        if (!frame->geometry().contains(global)) continue;
        QWidget* child = frame->childAt(frame->mapFromGlobal(global));
        if (Window* w = platform::windowOfWidget(child, true)) return w->GetSafeHwnd();
        return top->GetSafeHwnd();
    }
    return nullptr;
}
