// The offscreen application and the helpers of GUI tests.
#include "platform/qt/test_support.h"

#include "platform/core/palette.h"
#include "platform/core/palette_message_box.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/cursor.h"
#include "platform/qt/gdi.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/video_window.h"
#include "platform/qt/window_host.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace platform::test {
namespace {

int g_argc = 1;
char g_programName[] = "platform_qt_test";
char* g_argv[] = {g_programName, nullptr};

} // namespace

void ensureApplication() {
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        selectMediaBackend();
        // Lives until the process ends: widgets of every test share it.
        new QApplication(g_argc, g_argv);
        installFontSubstitutions();
        loadSystemColours();
    }
    installQtServices(true);
}

void GuiTest::SetUp() {
    ensureApplication();
    resetLayerState();
    resetSystemMetrics();
    setDisplayUsesPalette(false);
    SystemPalette::reset();
    setPaletteBoxPause(0);
    setTickCountSource({});
    resetVideoLibraryVersion();
    boxes = std::make_unique<RecordedMessageBoxes>();
}

void GuiTest::TearDown() {
    // Windows a test left are destroyed, top-level windows (with what they own) first.
    for (int guard = 0; guard < 1000 && !liveWindows().empty(); ++guard) {
        Window* w = liveWindows().front();
        Window* top = w->GetTopLevelParent();
        (top ? top : w)->DestroyWindow();
    }
    resetLayerState();
    processEvents();
    while (currentCursorId() == IDC_WAIT)
        EndWaitCursor();
    SetCursor(nullptr);
    boxes.reset();
}

void setScreenSize(int width, int height) {
    platform::setScreenSize(width, height);
}

void processEvents() {
    for (int round = 0; round < 10000; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (postedMessageCount() == 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            if (postedMessageCount() == 0) return;
        }
    }
}

bool fireTimer(Window& window, UINT_PTR id) {
    if (!timerActive(window, id)) return false;
    window.SendMessage(WM_TIMER, id, 0);
    return true;
}

bool timerActive(Window& window, UINT_PTR id) {
    return timerIntervalOf(window, id) >= 0;
}

int timerInterval(Window& window, UINT_PTR id) {
    const int interval = timerIntervalOf(window, id);
    return interval < 0 ? 0 : interval;
}

void runQueued(std::function<void()> function) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(function),
                              Qt::QueuedConnection);
}

void whenModal(std::function<void(Window&)> function) {
    if (!function) return setModalLoopHook(nullptr);
    setModalLoopHook([function = std::move(function)](Window& window) {
        function(window);
        // A failed assertion inside must not leave the test waiting in the loop forever.
        if (::testing::Test::HasFatalFailure() && window.inModalLoop()) window.EndModalLoop(-1);
    });
}

void whenPopupMenu(std::function<void(QMenu&)> function) {
    if (!function) return setPopupMenuHook(nullptr);
    setPopupMenuHook([function = std::move(function)](QMenu& menu) {
        function(menu);
        if (::testing::Test::HasFatalFailure() && menu.isVisible()) menu.close();
    });
}

bool choosePopupMenuItem(QMenu& menu, const char* text) {
    const QString wanted = fromWindows1252(text ? text : "");
    for (QAction* action : menu.actions()) {
        if (action->text() != wanted) continue;
        if (!action->isEnabled()) return false;
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(action).center());
        return true;
    }
    return false;
}

QImage grabClient(Window& window) {
    QWidget* client = window.clientWidget();
    if (!client) return QImage();
    QWidget* top = client->window();
    // A window shown a moment ago is exposed (and painted) by the event loop.
    QWindow* handle = top->windowHandle();
    for (int round = 0; round < 100 && handle && !handle->isExposed(); ++round)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::sendPostedEvents(top, QEvent::UpdateRequest);
    QScreen* screen = top->screen();
    if (!screen) return QImage();
    // Headless, the window's backing store; on a display, what the screen shows there.
    const bool headless = isHeadlessPlatform();
    const QPoint at =
        headless ? client->mapTo(top, QPoint(0, 0)) : client->mapToGlobal(QPoint(0, 0));
    return screen
        ->grabWindow(headless ? top->winId() : 0, at.x(), at.y(), client->width(), client->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

unsigned pixelAt(const QImage& image, int x, int y) {
    if (!image.valid(x, y)) return 0xFFFFFFFFu;
    return unsigned(image.pixel(x, y)) & 0x00FFFFFFu;
}

int currentCursorId() {
    return platform::currentCursorId();
}

void doubleClick(QWidget* widget, QPoint point, Qt::KeyboardModifiers modifiers) {
    if (!widget) return;
    QWidget* top = widget->window();
    QWindow* window = top->windowHandle();
    if (!window) return;
    // Time stamps well apart from QTest's and from each other's double clicks.
    static int clock = 1 << 29;
    clock += 10000;
    const QPointF local = widget->mapTo(top, point);
    const QPointF global = widget->mapToGlobal(point);
    const struct {
        Qt::MouseButtons state;
        QEvent::Type type;
        int time;
    } steps[] = {{Qt::LeftButton, QEvent::MouseButtonPress, 0},
                 {Qt::NoButton, QEvent::MouseButtonRelease, 10},
                 {Qt::LeftButton, QEvent::MouseButtonPress, 80},
                 {Qt::NoButton, QEvent::MouseButtonRelease, 90}};
    // qt_handleMouseEvent: the toolkit's entry for window-system mouse input (QTest's too).
    for (const auto& step : steps) {
        qt_handleMouseEvent(window, local, global, step.state, Qt::LeftButton, step.type, modifiers,
                            clock + step.time);
        QCoreApplication::processEvents();
    }
}

QWidget* clientWidget(Window& window) {
    return window.clientWidget();
}
QWidget* frameWidget(Window& window) {
    return window.frameWidget();
}

MessageLog::MessageLog() {
    setMessageHook([this](Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
        m_messages.push_back(
            LoggedMessage{reinterpret_cast<HWND>(&window), message, wParam, lParam});
    });
}

MessageLog::~MessageLog() {
    setMessageHook(nullptr);
}

std::vector<UINT> MessageLog::numbers(HWND window) const {
    std::vector<UINT> out;
    for (const LoggedMessage& m : m_messages)
        if (!window || m.window == window) out.push_back(m.message);
    return out;
}

} // namespace platform::test
