// The widgets that host windows and the translation of toolkit input into messages: the frame
// and caption of top-level windows, client areas, mouse and key delivery, the layer's focus and
// the application-wide filter that sends keys to a never-activated popup.
#include "platform/qt/window_host.h"

#include "platform/core/system_metrics.h"
#include "platform/qt/cursor.h"
#include "platform/qt/dc.h"
#include "platform/qt/resources.h"
#include "platform/qt/text_codec.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace platform {
namespace {

QPointer<QWidget> g_lastMouseWidget;
QPointer<QWidget> g_dispatchMouseWidget;
bool g_haveCursorPosition = false;
QPoint g_cursorPosition;
bool g_keyUnhandled = false;
Window* g_focus = nullptr;

// Input reaches a window only when it and its top-level window are enabled and not blocked by a
// modal loop of a window they own.
bool acceptsInput(Window& window) {
    Window* top = window.GetTopLevelParent();
    if (top && (top->data().disabled || top->data().modalBlocks > 0)) return false;
    return true;
}

UINT mouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    UINT flags = 0;
    if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
    return flags;
}

// The client and non-client messages of a mouse event (0 when there is none).
void mouseMessages(MouseKind kind, Qt::MouseButton button, UINT* client, UINT* nonClient) {
    *client = 0;
    *nonClient = 0;
    switch (kind) {
    case MouseKind::Move:
        *client = WM_MOUSEMOVE;
        *nonClient = WM_NCMOUSEMOVE;
        return;
    case MouseKind::Press:
        if (button == Qt::LeftButton) *client = WM_LBUTTONDOWN, *nonClient = WM_NCLBUTTONDOWN;
        if (button == Qt::RightButton) *client = WM_RBUTTONDOWN, *nonClient = WM_NCRBUTTONDOWN;
        if (button == Qt::MiddleButton) *client = WM_MBUTTONDOWN;
        return;
    case MouseKind::Release:
        if (button == Qt::LeftButton) *client = WM_LBUTTONUP, *nonClient = WM_NCLBUTTONUP;
        if (button == Qt::RightButton) *client = WM_RBUTTONUP, *nonClient = WM_NCRBUTTONUP;
        if (button == Qt::MiddleButton) *client = WM_MBUTTONUP;
        return;
    case MouseKind::DoubleClick:
        if (button == Qt::LeftButton) *client = WM_LBUTTONDBLCLK, *nonClient = WM_NCLBUTTONDBLCLK;
        if (button == Qt::RightButton) *client = WM_RBUTTONDBLCLK;
        if (button == Qt::MiddleButton) *client = WM_MBUTTONDBLCLK;
        return;
    }
}

LPARAM pointParam(const QPoint& p) {
    return MAKELPARAM(p.x(), p.y());
}

// The parts of a top-level window's non-client area, in window coordinates.
struct NonClientLayout {
    int frame = 0;
    int caption = 0;
    QRect captionRow, sysMenu, minButton, closeButton, client;
};

NonClientLayout layoutOf(const WindowData& d, const QSize& size) {
    NonClientLayout l;
    l.frame = frameWidthOf(d.style, d.exStyle);
    l.caption = captionHeightOf(d.style);
    const int f = l.frame, c = l.caption, w = size.width(), h = size.height();
    l.client = QRect(f, f + c, std::max(w - 2 * f, 0), std::max(h - 2 * f - c, 0));
    if (c > 0) {
        l.captionRow = QRect(f, f, std::max(w - 2 * f, 0), c);
        if (d.style & WS_SYSMENU) {
            l.sysMenu = QRect(f, f, c, c);
            const int bw = std::max(GetSystemMetrics(SM_CXSIZE) - 2, 4);
            const int bh = std::max(GetSystemMetrics(SM_CYSIZE) - 4, 4);
            const int top = f + (c - bh) / 2;
            l.closeButton = QRect(w - f - 2 - bw, top, bw, bh);
            if (d.style & WS_MINIMIZEBOX)
                l.minButton = QRect(l.closeButton.left() - 2 - bw, top, bw, bh);
        }
    }
    return l;
}

QColor sysColour(int index) {
    return toQColor(GetSysColor(index));
}

void drawEdgeButton(QPainter& p, const QRect& r, bool pressed) {
    p.fillRect(r, sysColour(COLOR_3DFACE));
    const QColor light = sysColour(COLOR_3DHIGHLIGHT), dark = sysColour(COLOR_3DDKSHADOW),
                 shadow = sysColour(COLOR_3DSHADOW);
    const QColor tl = pressed ? dark : light, br = pressed ? light : dark;
    p.setPen(tl);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(br);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    if (!pressed) {
        p.setPen(shadow);
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
}

class LayerFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            // A never-activated popup with the focus gets the keys of the whole application.
            Window* focus = layerFocus();
            Window* top = focus ? focus->GetTopLevelParent() : nullptr;
            if (!top || !top->data().popup || !top->IsWindowVisible()) break;
            auto* widget = qobject_cast<QWidget*>(object);
            Window* receiver = widget ? windowOfWidget(widget, true) : nullptr;
            if (receiver && receiver->GetTopLevelParent() == top) break;
            deliverKey(*focus, static_cast<QKeyEvent*>(event), event->type() == QEvent::KeyPress);
            return true;
        }
        case QEvent::FocusIn:
            if (auto* widget = qobject_cast<QWidget*>(object)) takeToolkitFocus(widget);
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

// ---- Layer state -------------------------------------------------------------------------------

bool isHeadlessPlatform() {
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

void ensureLayerInstalled() {
    static QPointer<QObject> filter;
    if (filter || !QCoreApplication::instance()) return;
    filter = new LayerFilter(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(filter);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::applicationStateChanged, filter,
                         [](Qt::ApplicationState state) {
                             const WPARAM active = state == Qt::ApplicationActive ? TRUE : FALSE;
                             if (!active) cancelModes();
                             for (Window* w : liveWindows())
                                 if (w->data().topLevel && IsWindow(w->GetSafeHwnd()))
                                     dispatchMessage(*w, WM_ACTIVATEAPP, active, 0);
                         });
        app->setQuitOnLastWindowClosed(false);
    }
}

Window* layerFocus() {
    // The focus window may be gone (and its object deleted): ask the registry, not the object.
    return Window::FromHandle(reinterpret_cast<HWND>(g_focus));
}

void takeToolkitFocus(QWidget* widget) {
    // While a window goes, the toolkit passes the focus along the controls it hides: none of
    // them takes it any more.
    Window* window = windowOfWidget(widget);
    if (window && !window->data().destroying) setLayerFocus(window);
}

void forgetLayerFocus(const Window& window) {
    if (g_focus == &window) g_focus = nullptr;
}

void setLayerFocus(Window* window) {
    Window* previous = layerFocus();
    if (previous == window) return;
    g_focus = window;
    if (previous)
        dispatchMessage(*previous, WM_KILLFOCUS,
                        reinterpret_cast<WPARAM>(window ? window->GetSafeHwnd() : nullptr), 0);
    if (window && IsWindow(window->GetSafeHwnd()))
        dispatchMessage(*window, WM_SETFOCUS,
                        reinterpret_cast<WPARAM>(previous ? previous->GetSafeHwnd() : nullptr), 0);
}

void markKeyUnhandled() {
    g_keyUnhandled = true;
}

void cancelModes() {
    if (Window* capture = captureWindow()) dispatchMessage(*capture, WM_CANCELMODE, 0, 0);
}

void noteCursorPosition(const QPoint& global) {
    g_haveCursorPosition = true;
    g_cursorPosition = global;
}

QWidget* cursorTargetWidget() {
    if (Window* capture = captureWindow()) return capture->clientWidget();
    if (g_dispatchMouseWidget) return g_dispatchMouseWidget;
    return g_lastMouseWidget;
}

int frameWidthOf(DWORD style, DWORD exStyle) {
    if (style & WS_CHILD) return 0;
    if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
    if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_DLGFRAME) || (style & DS_MODALFRAME) ||
        (exStyle & WS_EX_DLGMODALFRAME))
        return GetSystemMetrics(SM_CXDLGFRAME);
    if (style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
    return 0;
}

int captionHeightOf(DWORD style) {
    return (style & WS_CHILD) == 0 && (style & WS_CAPTION) == WS_CAPTION
               ? GetSystemMetrics(SM_CYCAPTION)
               : 0;
}

Rect Window::nonClientPart(int hitTest) const {
    const WindowData& d = *m_data;
    QWidget* host = d.host();
    if (!host) return Rect{};
    if (!d.topLevel)
        return hitTest == HTCLIENT ? Rect{0, 0, host->width(), host->height()} : Rect{};
    const NonClientLayout l = layoutOf(d, host->size());
    switch (hitTest) {
    case HTCAPTION:
        return fromQRect(l.captionRow);
    case HTSYSMENU:
        return fromQRect(l.sysMenu);
    case HTMINBUTTON:
        return fromQRect(l.minButton);
    case HTCLOSE:
        return fromQRect(l.closeButton);
    case HTCLIENT:
        return fromQRect(l.client);
    default:
        return Rect{};
    }
}

void beginNonClientPress(Window& window, int hitTest, Point screenPoint) {
    WindowData& d = window.data();
    QWidget* frame = d.frame;
    if (!frame) return;
    switch (hitTest) {
    case HTCAPTION:
        if (!isHeadlessPlatform() && frame->windowHandle() &&
            frame->windowHandle()->startSystemMove())
            return;
        d.dragging = true;
        d.dragOffset = QPoint(screenPoint.x, screenPoint.y) - frame->pos();
        return;
    case HTSYSMENU:
        window.showSystemMenu();
        return;
    case HTMINBUTTON:
    case HTCLOSE:
        d.trackedButton = hitTest;
        d.trackedInside = true;
        frame->update();
        return;
    default:
        return;
    }
}

// ---- Mouse and keys ----------------------------------------------------------------------------

void deliverMouse(QWidget* receiver, QMouseEvent* event, MouseKind kind) {
    Window* hostWindow = windowOfWidget(receiver);
    if (!hostWindow) return;
    const QPoint global = event->globalPosition().toPoint();
    noteCursorPosition(global);
    g_lastMouseWidget = receiver;
    UINT clientMessage = 0, nonClientMessage = 0;
    mouseMessages(kind, event->button(), &clientMessage, &nonClientMessage);
    if (!clientMessage) return;
    const UINT flags = mouseFlags(event->buttons(), event->modifiers());
    const QPointer<QWidget> previousDispatch = g_dispatchMouseWidget;
    g_dispatchMouseWidget = receiver;
    struct Restore {
        QPointer<QWidget> widget;
        ~Restore() { g_dispatchMouseWidget = widget; }
    } restore{previousDispatch};

    if (Window* capture = captureWindow()) {
        QWidget* client = capture->clientWidget();
        const QPoint local = client ? client->mapFromGlobal(global) : global;
        g_dispatchMouseWidget = client;
        dispatchMessage(*capture, clientMessage, flags, pointParam(local));
        return;
    }
    if (!acceptsInput(*hostWindow)) return;
    const HWND handle = hostWindow->GetSafeHwnd();
    const int hit = int(dispatchMessage(*hostWindow, WM_NCHITTEST, 0, pointParam(global)));
    if (!IsWindow(handle)) return;
    dispatchMessage(*hostWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle),
                    MAKELPARAM(hit, int(clientMessage)));
    if (!IsWindow(handle)) return;
    if (hit == HTCLIENT) {
        QWidget* client = hostWindow->clientWidget();
        const QPoint local = client ? client->mapFromGlobal(global) : global;
        dispatchMessage(*hostWindow, clientMessage, flags, pointParam(local));
    } else if (nonClientMessage) {
        dispatchMessage(*hostWindow, nonClientMessage, WPARAM(hit), pointParam(global));
    }
}

UINT virtualKeyOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return UINT('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return UINT('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + UINT(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return VK_MENU;
    case Qt::Key_Meta:
        return VK_LWIN;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return VK_OEM_PLUS;
    case Qt::Key_Minus:
        return VK_OEM_MINUS;
    case Qt::Key_Comma:
        return VK_OEM_COMMA;
    case Qt::Key_Period:
        return VK_OEM_PERIOD;
    case Qt::Key_Semicolon:
        return VK_OEM_1;
    case Qt::Key_Slash:
        return VK_OEM_2;
    case Qt::Key_QuoteLeft:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
        return VK_OEM_4;
    case Qt::Key_Backslash:
        return VK_OEM_5;
    case Qt::Key_BracketRight:
        return VK_OEM_6;
    case Qt::Key_Apostrophe:
        return VK_OEM_7;
    default:
        return 0;
    }
}

bool deliverKey(Window& window, QKeyEvent* event, bool press) {
    if (!acceptsInput(window)) return true;
    const UINT key = virtualKeyOf(event->key());
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    const bool system = alt || key == VK_MENU || key == VK_F10;
    LPARAM lParam = 1;
    if (alt) lParam |= KF_ALTDOWN_BIT;
    if (!press || event->isAutoRepeat()) lParam |= KF_REPEAT_BIT;
    if (!press) lParam |= LPARAM(1) << 31;
    const HWND handle = window.GetSafeHwnd();
    bool handled = false;
    if (key) {
        g_keyUnhandled = false;
        const UINT message =
            system ? (press ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (press ? WM_KEYDOWN : WM_KEYUP);
        dispatchMessage(window, message, key, lParam);
        handled = !g_keyUnhandled;
    }
    if (press && !system && !event->text().isEmpty() && IsWindow(handle)) {
        for (char c : toWindows1252(event->text())) {
            g_keyUnhandled = false;
            dispatchMessage(window, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), lParam);
            handled = handled || !g_keyUnhandled;
            if (!IsWindow(handle)) break;
        }
    }
    return handled;
}

// ---- Client drawing ----------------------------------------------------------------------------

bool paintPendingOperation(QWidget* widget, const WindowData& data) {
    if (!data.pendingOperation) return false;
    QPainter painter(widget);
    (*data.pendingOperation)(painter);
    return true;
}

void runClientOperation(Window& window, const Rect& bounds,
                        const std::function<void(QPainter&)>& operation) {
    WindowData& d = window.data();
    QWidget* widget = d.client;
    if (!widget) return;
    if (d.activePaint) {
        operation(*d.activePaint->painter);
        return;
    }
    if (!widget->property("platformPaints").toBool() || !widget->isVisible()) return;
    const QRect r = toQRect(bounds) & widget->rect();
    if (r.isEmpty()) return;
    d.pendingOperation = &operation;
    widget->repaint(r);
    d.pendingOperation = nullptr;
    // The toolkit may have flushed updates asked for before along with this repaint, which ran
    // only the operation: what is still invalid is asked for again.
    if (!d.invalid.isEmpty()) widget->update(d.invalid);
}

void attachControlWidget(Window& window, QWidget* widget, Window* parent, UINT id, DWORD style,
                         DWORD exStyle, const Rect& rect, const char* text) {
    WindowData& d = window.data();
    d.style = style;
    d.exStyle = exStyle;
    d.id = id;
    d.parent = parent;
    d.text = text ? text : "";
    d.topLevel = false;
    d.client = widget;
    QWidget* parentWidget = parent->clientWidget();
    widget->setParent(parentWidget);
    widget->setGeometry(toQRect(rect));
    widget->setFont(parentWidget->font());
    widget->setCursor(Qt::ArrowCursor);
    if (style & WS_TABSTOP)
        widget->setFocusPolicy(Qt::StrongFocus);
    else if (widget->focusPolicy() != Qt::NoFocus)
        widget->setFocusPolicy(Qt::ClickFocus);
    widget->setEnabled(!(style & WS_DISABLED));
    registerWindow(window);
    widget->setVisible((style & WS_VISIBLE) != 0);
}

// ---- FrameWidget -------------------------------------------------------------------------------

FrameWidget::FrameWidget(Window& window, QWidget* ownerWidget, Qt::WindowFlags flags)
    : QWidget(ownerWidget, flags), m_data(&window.data()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setFont(defaultGuiFont());
}

Window* FrameWidget::window() const {
    return windowOfWidget(this);
}

void FrameWidget::paintEvent(QPaintEvent*) {
    Window* w = window();
    if (!w) return;
    QPainter painter(this);
    paintNonClient(*w, painter);
}

void layoutFrame(WindowData& data) {
    QWidget* frame = data.frame;
    QWidget* client = data.client;
    if (!frame || !client) return;
    client->setGeometry(layoutOf(data, frame->size()).client);
}

void FrameWidget::resizeEvent(QResizeEvent*) {
    if (Window* w = window()) layoutFrame(w->data());
}

void FrameWidget::moveEvent(QMoveEvent*) {
    Window* w = window();
    if (!w || !w->data().client) return;
    const QPoint topLeft = w->data().client->mapToGlobal(QPoint(0, 0));
    dispatchMessage(*w, WM_MOVE, 0, pointParam(topLeft));
}

void FrameWidget::mousePressEvent(QMouseEvent* event) {
    deliverMouse(this, event, MouseKind::Press);
}

void FrameWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    deliverMouse(this, event, MouseKind::DoubleClick);
}

void FrameWidget::mouseMoveEvent(QMouseEvent* event) {
    Window* w = window();
    if (w) {
        WindowData& d = w->data();
        const QPoint global = event->globalPosition().toPoint();
        if (d.dragging) {
            move(global - d.dragOffset);
            return;
        }
        if (d.trackedButton) {
            const Rect part = w->nonClientPart(d.trackedButton);
            const bool inside = toQRect(part).contains(event->position().toPoint());
            if (inside != d.trackedInside) {
                d.trackedInside = inside;
                update();
            }
            return;
        }
    }
    deliverMouse(this, event, MouseKind::Move);
}

void FrameWidget::mouseReleaseEvent(QMouseEvent* event) {
    Window* w = window();
    if (w && event->button() == Qt::LeftButton) {
        WindowData& d = w->data();
        if (d.dragging) {
            d.dragging = false;
            return;
        }
        if (d.trackedButton) {
            const int button = d.trackedButton;
            const bool inside =
                toQRect(w->nonClientPart(button)).contains(event->position().toPoint());
            d.trackedButton = 0;
            update();
            if (inside)
                dispatchMessage(*w, WM_SYSCOMMAND, button == HTCLOSE ? SC_CLOSE : SC_MINIMIZE,
                                pointParam(event->globalPosition().toPoint()));
            return;
        }
    }
    deliverMouse(this, event, MouseKind::Release);
}

void FrameWidget::closeEvent(QCloseEvent* event) {
    // The window manager's close request: the platform's close command decides.
    event->ignore();
    if (Window* w = window()) dispatchMessage(*w, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void FrameWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    Window* w = window();
    if (!w) return;
    if (event->type() == QEvent::ActivationChange) {
        update();
        if (isActiveWindow()) {
            raiseInStackingOrder(w);
            // A window without a focused control takes the keys itself, as a dialog without
            // controls does.
            if (!focusWidget() && w->data().client) w->data().client->setFocus();
            const HWND handle = w->GetSafeHwnd();
            dispatchMessage(*w, WM_QUERYNEWPALETTE, 0, 0);
            if (IsWindow(handle)) dispatchMessage(*w, WM_ACTIVATE, WA_ACTIVE, 0);
        } else {
            dispatchMessage(*w, WM_ACTIVATE, WA_INACTIVE, 0);
        }
    } else if (event->type() == QEvent::WindowStateChange) {
        const UINT type = isMinimized()   ? SIZE_MINIMIZED
                          : isMaximized() ? SIZE_MAXIMIZED
                                          : SIZE_RESTORED;
        QWidget* client = w->data().client;
        const int cw = client ? client->width() : 0, ch = client ? client->height() : 0;
        dispatchMessage(*w, WM_SIZE, type, MAKELPARAM(cw, ch));
    }
}

// Keys reach the frame when nothing inside the window has the focus: they go to the window.
void FrameWidget::keyPressEvent(QKeyEvent* event) {
    Window* w = window();
    if (!w || !deliverKey(*w, event, true)) event->ignore();
}

void FrameWidget::keyReleaseEvent(QKeyEvent* event) {
    Window* w = window();
    if (!w || !deliverKey(*w, event, false)) event->ignore();
}

void paintNonClient(Window& window, QPainter& painter) {
    const WindowData& d = window.data();
    QWidget* frame = d.frame;
    if (!frame) return;
    const NonClientLayout l = layoutOf(d, frame->size());
    const QRect all = frame->rect();
    const QRegion border = QRegion(all) - QRegion(l.client) - QRegion(l.captionRow);
    for (const QRect& r : border)
        painter.fillRect(r, sysColour(COLOR_3DFACE));
    if (l.frame == 1) {
        painter.setPen(sysColour(COLOR_WINDOWFRAME));
        painter.drawRect(all.adjusted(0, 0, -1, -1));
    } else if (l.frame >= 2) {
        const QRect outer = all.adjusted(0, 0, -1, -1), inner = all.adjusted(1, 1, -2, -2);
        painter.setPen(sysColour(COLOR_3DLIGHT));
        painter.drawLine(outer.topLeft(), outer.topRight());
        painter.drawLine(outer.topLeft(), outer.bottomLeft());
        painter.setPen(sysColour(COLOR_3DDKSHADOW));
        painter.drawLine(outer.bottomLeft(), outer.bottomRight());
        painter.drawLine(outer.topRight(), outer.bottomRight());
        painter.setPen(sysColour(COLOR_3DHIGHLIGHT));
        painter.drawLine(inner.topLeft(), inner.topRight());
        painter.drawLine(inner.topLeft(), inner.bottomLeft());
        painter.setPen(sysColour(COLOR_3DSHADOW));
        painter.drawLine(inner.bottomLeft(), inner.bottomRight());
        painter.drawLine(inner.topRight(), inner.bottomRight());
    }
    if (l.captionRow.isEmpty()) return;

    const bool active = frame->isActiveWindow();
    QLinearGradient gradient(l.captionRow.topLeft(), l.captionRow.topRight());
    gradient.setColorAt(0, sysColour(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    gradient.setColorAt(
        1, sysColour(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION));
    painter.fillRect(l.captionRow, gradient);

    int textLeft = l.captionRow.left() + 4;
    if (!l.sysMenu.isEmpty()) {
        const int size = GetSystemMetrics(SM_CXSMICON);
        const QRect iconRect(l.sysMenu.left() + (l.sysMenu.width() - size) / 2,
                             l.sysMenu.top() + (l.sysMenu.height() - size) / 2, size, size);
        HICON icon = d.smallIcon ? d.smallIcon : d.bigIcon;
        if (!icon) icon = LoadIcon(IDI_APPLICATION);
        if (icon) painter.drawImage(iconRect, icon->image(size, size));
        textLeft = l.sysMenu.right() + 3;
    }
    int textRight = l.captionRow.right() - 2;
    if (!l.minButton.isEmpty())
        textRight = l.minButton.left() - 4;
    else if (!l.closeButton.isEmpty())
        textRight = l.closeButton.left() - 4;

    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(sysColour(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    const QRect textRect(textLeft, l.captionRow.top(), std::max(textRight - textLeft, 0),
                         l.captionRow.height());
    const QString title =
        painter.fontMetrics().elidedText(fromWindows1252(d.text), Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, title);

    const QColor glyph = sysColour(COLOR_BTNTEXT);
    auto buttonPressed = [&](int part) { return d.trackedButton == part && d.trackedInside; };
    if (!l.minButton.isEmpty()) {
        const bool pressed = buttonPressed(HTMINBUTTON);
        drawEdgeButton(painter, l.minButton, pressed);
        const int o = pressed ? 1 : 0;
        const QRect r = l.minButton.adjusted(4 + o, 0, -5 + o, -3 + o);
        painter.fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), glyph);
    }
    if (!l.closeButton.isEmpty()) {
        const bool pressed = buttonPressed(HTCLOSE);
        drawEdgeButton(painter, l.closeButton, pressed);
        const int o = pressed ? 1 : 0;
        const QRect r = l.closeButton.adjusted(4 + o, 3 + o, -5 + o, -4 + o);
        QPen pen(glyph, 1.6);
        painter.setPen(pen);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.drawLine(r.topLeft(), r.bottomRight());
        painter.drawLine(r.bottomLeft(), r.topRight());
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
}

// ---- ClientWidget ------------------------------------------------------------------------------

ClientWidget::ClientWidget(Window&, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setProperty("platformPaints", true);
    setFont(defaultGuiFont());
}

void ClientWidget::paintEvent(QPaintEvent* event) {
    Window* w = windowOfWidget(this);
    if (!w) return;
    WindowData* d = &w->data();
    if (paintPendingOperation(this, *d)) return;
    QPainter painter(this);
    if (!d->underneath.isNull()) {
        painter.drawImage(0, 0, d->underneath);
        d->underneath = QImage();
    }
    PaintContext context;
    context.painter = &painter;
    context.region = event->region();
    context.rcPaint = fromQRect(event->region().boundingRect());
    context.erase = d->erasePending;
    d->erasePending = false;
    // Painting validates the whole update region, as BeginPaint does: the parts under child
    // windows too, which the toolkit leaves out of the parent's paint region.
    d->invalid = QRegion();
    PaintContext* previous = d->activePaint;
    d->activePaint = &context;
    const std::shared_ptr<bool> alive = d->alive;
    const HWND handle = w->GetSafeHwnd();
    if (context.erase) {
        PaintDC dc(w);
        dispatchMessage(*w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<DC*>(&dc)), 0);
    }
    if (*alive && IsWindow(handle)) dispatchMessage(*w, WM_PAINT, 0, 0);
    if (*alive) d->activePaint = previous;
}

void ClientWidget::resizeEvent(QResizeEvent*) {
    Window* w = windowOfWidget(this);
    if (!w) return;
    w->data().erasePending = true;
    dispatchMessage(*w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width(), height()));
}

void ClientWidget::moveEvent(QMoveEvent*) {
    Window* w = windowOfWidget(this);
    if (!w || w->data().topLevel) return;
    dispatchMessage(*w, WM_MOVE, 0, pointParam(pos()));
}

void ClientWidget::showEvent(QShowEvent*) {
    if (Window* w = windowOfWidget(this)) w->data().erasePending = true;
}

void ClientWidget::mousePressEvent(QMouseEvent* event) {
    deliverMouse(this, event, MouseKind::Press);
}

void ClientWidget::mouseReleaseEvent(QMouseEvent* event) {
    deliverMouse(this, event, MouseKind::Release);
}

void ClientWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    deliverMouse(this, event, MouseKind::DoubleClick);
}

void ClientWidget::mouseMoveEvent(QMouseEvent* event) {
    deliverMouse(this, event, MouseKind::Move);
}

void ClientWidget::wheelEvent(QWheelEvent* event) {
    Window* w = windowOfWidget(this);
    event->accept();
    if (!w) return;
    Window* target = captureWindow() ? captureWindow() : w;
    if (!acceptsInput(*target)) return;
    const QPoint global = event->globalPosition().toPoint();
    noteCursorPosition(global);
    const UINT flags = mouseFlags(event->buttons(), event->modifiers());
    const QPoint delta = event->angleDelta();
    const HWND handle = target->GetSafeHwnd();
    if (delta.y() != 0)
        dispatchMessage(*target, WM_MOUSEWHEEL, MAKEWPARAM(WORD(flags), WORD(SHORT(delta.y()))),
                        pointParam(global));
    if (delta.x() != 0 && IsWindow(handle))
        dispatchMessage(*target, WM_MOUSEHWHEEL, MAKEWPARAM(WORD(flags), WORD(SHORT(-delta.x()))),
                        pointParam(global));
}

// A key the window leaves unhandled travels on to the parent window's widget. The client area of a
// top-level window has no parent window: its parent widget is the window's own frame, which would
// deliver the key to the same window a second time.
void ClientWidget::keyPressEvent(QKeyEvent* event) {
    Window* w = windowOfWidget(this);
    if (!w || (!deliverKey(*w, event, true) && !w->data().topLevel)) event->ignore();
}

void ClientWidget::keyReleaseEvent(QKeyEvent* event) {
    Window* w = windowOfWidget(this);
    if (!w || (!deliverKey(*w, event, false) && !w->data().topLevel)) event->ignore();
}

void ClientWidget::focusInEvent(QFocusEvent*) {
    takeToolkitFocus(this);
}

void ClientWidget::focusOutEvent(QFocusEvent*) {}

} // namespace platform

// ---- Cursor position and key state -------------------------------------------------------------

BOOL GetCursorPos(Point* out) {
    if (!out) return FALSE;
    const QPoint p = platform::g_haveCursorPosition ? platform::g_cursorPosition : QCursor::pos();
    *out = Point{p.x(), p.y()};
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    platform::noteCursorPosition(QPoint(x, y));
    if (!platform::isHeadlessPlatform()) QCursor::setPos(x, y);
    return TRUE;
}

SHORT GetKeyState(int virtualKey) {
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    bool down = false;
    switch (UINT(virtualKey)) {
    case VK_SHIFT:
        down = modifiers & Qt::ShiftModifier;
        break;
    case VK_CONTROL:
        down = modifiers & Qt::ControlModifier;
        break;
    case VK_MENU:
        down = modifiers & Qt::AltModifier;
        break;
    case VK_LBUTTON:
        down = buttons & Qt::LeftButton;
        break;
    case VK_RBUTTON:
        down = buttons & Qt::RightButton;
        break;
    case VK_MBUTTON:
        down = buttons & Qt::MiddleButton;
        break;
    default:
        break;
    }
    return down ? SHORT(-32768) : SHORT(0);
}

SHORT GetAsyncKeyState(int virtualKey) {
    return GetKeyState(virtualKey);
}
