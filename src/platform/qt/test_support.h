// Support for tests of windows built on the layer: the offscreen application, a fixture that
// puts the layer's global state back between tests, and helpers that drive timers, modal loops,
// menus and input without sleeping, and read back pixels and the cursor.
//
// Link platform_qt_test_support. The first use creates one QApplication on the offscreen
// platform (QT_QPA_PLATFORM is set to "offscreen" unless the environment chose another; the media
// backend is GStreamer, see selectMediaBackend in video_window.h). On a
// real display (xcb under Xvfb) QTest's mouse moves arrive asynchronously: wait for their effect
// with QTest::qWaitFor there.
#pragma once

#include "platform/core/message_box.h"
#include "platform/qt/window.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPoint>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QWidget;

namespace platform::test {

// The application (created on first use) with the layer's services installed.
void ensureApplication();

// A test fixture for GUI tests: sets up the application; before each test resets the system
// metrics (1024 x 768 screen), the display mode (true colour), the system palette, the palette
// box pause (0), the tick source and the video library version, and records message boxes in
// `boxes`; after each test destroys windows that are left and delivers pending deletions.
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<RecordedMessageBoxes> boxes;
};

// Sets the screen size metrics (and the work area to the whole screen).
void setScreenSize(int width, int height);

// Delivers the toolkit's pending events and the layer's posted messages until nothing is left
// (deferred deletions included).
void processEvents();

// Sends WM_TIMER(id) to the window at once if the timer is running; false otherwise.
bool fireTimer(Window& window, UINT_PTR id);
bool timerActive(Window& window, UINT_PTR id);
// The interval of a running timer, or 0.
int timerInterval(Window& window, UINT_PTR id);

// Runs the function once from the event loop (a queued call), e.g. inside a modal loop.
void runQueued(std::function<void()> function);
// Runs the function from the next modal loop (DoModal, RunModalLoop) once it is running, with
// the window whose loop it is. The function ends the loop itself (EndDialog, EndModalLoop, a
// click); when a fatal assertion failed inside it, the loop is ended with -1 so no test hangs.
void whenModal(std::function<void(Window&)> function);
// Runs the function with the popup menu once TrackPopupMenu (or the system menu) shows one; the
// menu is closed when a fatal assertion failed inside.
void whenPopupMenu(std::function<void(QMenu&)> function);
// Clicks the item with the text (the "&" marks included) of a shown popup menu; false when there
// is no such enabled item.
bool choosePopupMenuItem(QMenu& menu, const char* text);

// The pixels of the window's client area as they were last flushed (pending updates are painted
// first; a window that was only just shown is first exposed by the event loop).
QImage grabClient(Window& window);
// The colour at a client point of a grabbed image, as 0x00RRGGBB.
unsigned pixelAt(const QImage& image, int x, int y);

// The id of the cursor the layer shows (see cursor.h).
int currentCursorId();

// A double click as the window system delivers it (press, release, double click, release, with
// real time stamps), at a point of the widget. QTest's own double click sends only the second.
void doubleClick(QWidget* widget, QPoint point, Qt::KeyboardModifiers modifiers = {});

// The widgets to send QTest events to (null without a window).
QWidget* clientWidget(Window& window);
QWidget* frameWidget(Window& window);

// Records the messages windows receive, in order, while it lives.
struct LoggedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
class MessageLog {
public:
    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;
    const std::vector<LoggedMessage>& messages() const { return m_messages; }
    // The message numbers received by one window (all windows when null), in order.
    std::vector<UINT> numbers(HWND window = nullptr) const;
    void clear() { m_messages.clear(); }

private:
    std::vector<LoggedMessage> m_messages;
};

} // namespace platform::test
