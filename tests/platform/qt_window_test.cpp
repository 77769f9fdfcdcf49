// Windows of the Qt layer: input translated into messages, the caption row and the system menu,
// the posted-message queue, timers, capture, keys, destruction and window lookup.
#include "platform/core/system_metrics.h"
#include "platform/qt/cursor.h"
#include "platform/qt/menu.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>

using namespace platform;
using platform::test::GuiTest;
using platform::test::LoggedMessage;
using platform::test::MessageLog;

namespace {

class WindowTest : public GuiTest {};

bool isMouseMessage(UINT m) {
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || m == WM_SETCURSOR || m == WM_NCHITTEST ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCRBUTTONUP);
}

std::vector<LoggedMessage> mouseMessages(const MessageLog& log, HWND window) {
    std::vector<LoggedMessage> out;
    for (const auto& m : log.messages())
        if (m.window == window && isMouseMessage(m.message)) out.push_back(m);
    return out;
}

} // namespace

TEST_F(WindowTest, MouseInputIsHitTestedThenSetsTheCursorThenArrivesWithFlagsAndClientPoint) {
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel());
    QWidget* client = test::clientWidget(window);
    struct Case {
        const char* label;
        std::function<void()> act;
        UINT message;
        UINT flags;
        Point point;
    } cases[] = {
        {"move", [&] { QTest::mouseMove(client, QPoint(10, 20)); }, WM_MOUSEMOVE, 0, {10, 20}},
        {"shift press",
         [&] { QTest::mousePress(client, Qt::LeftButton, Qt::ShiftModifier, QPoint(11, 21)); },
         WM_LBUTTONDOWN,
         MK_LBUTTON | MK_SHIFT,
         {11, 21}},
        {"shift release",
         [&] { QTest::mouseRelease(client, Qt::LeftButton, Qt::ShiftModifier, QPoint(11, 21)); },
         WM_LBUTTONUP,
         MK_SHIFT,
         {11, 21}},
        {"control right press",
         [&] { QTest::mousePress(client, Qt::RightButton, Qt::ControlModifier, QPoint(3, 4)); },
         WM_RBUTTONDOWN,
         MK_RBUTTON | MK_CONTROL,
         {3, 4}},
        {"right release",
         [&] { QTest::mouseRelease(client, Qt::RightButton, {}, QPoint(3, 4)); },
         WM_RBUTTONUP,
         0,
         {3, 4}},
    };
    for (const Case& c : cases) {
        MessageLog log;
        c.act();
        const auto got = mouseMessages(log, window.GetSafeHwnd());
        ASSERT_EQ(got.size(), 3u) << c.label;
        EXPECT_EQ(got[0].message, WM_NCHITTEST) << c.label;
        Point screen{c.point.x, c.point.y};
        window.ClientToScreen(&screen);
        EXPECT_EQ(lParamToPoint(got[0].lParam), screen) << c.label;
        EXPECT_EQ(got[1].message, WM_SETCURSOR) << c.label;
        EXPECT_EQ(got[1].wParam, reinterpret_cast<WPARAM>(window.GetSafeHwnd())) << c.label;
        EXPECT_EQ(got[1].lParam, MAKELPARAM(HTCLIENT, int(c.message))) << c.label;
        EXPECT_EQ(got[2].message, c.message) << c.label;
        EXPECT_EQ(got[2].wParam, c.flags) << c.label;
        EXPECT_EQ(lParamToPoint(got[2].lParam), c.point) << c.label;
    }
}

TEST_F(WindowTest, ADoubleClickArrivesAsDownUpDoubleClickUp) {
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel());
    MessageLog log;
    test::doubleClick(test::clientWidget(window), QPoint(30, 40));
    std::vector<UINT> clicks;
    for (UINT m : log.numbers(window.GetSafeHwnd()))
        if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_LBUTTONDBLCLK) clicks.push_back(m);
    EXPECT_EQ(clicks,
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
}

TEST_F(WindowTest, TheCaptionRowAnswersItsHitCodesAndTheClientAreaExcludesIt) {
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel(Rect{100, 100, 420, 340}));
    const int frame = GetSystemMetrics(SM_CXDLGFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    Rect client;
    window.GetClientRect(&client);
    EXPECT_EQ(client, (Rect{0, 0, 320 - 2 * frame, 240 - 2 * frame - caption}));
    Point origin{0, 0};
    window.ClientToScreen(&origin);
    EXPECT_EQ(origin, (Point{100 + frame, 100 + frame + caption}));

    const Rect close = window.nonClientPart(HTCLOSE);
    const Rect minimise = window.nonClientPart(HTMINBUTTON);
    const Rect icon = window.nonClientPart(HTSYSMENU);
    ASSERT_FALSE(close.isEmpty());
    ASSERT_FALSE(minimise.isEmpty());
    EXPECT_LT(minimise.right, close.left);
    EXPECT_EQ(icon.left, frame);
    struct Case {
        const char* label;
        Point local; // window coordinates
        int hit;
    } cases[] = {
        {"icon", {icon.left + 2, icon.top + 2}, HTSYSMENU},
        {"title", {120, frame + caption / 2}, HTCAPTION},
        {"minimise button", {minimise.left + 1, minimise.top + 1}, HTMINBUTTON},
        {"close button", {close.right - 1, close.bottom - 1}, HTCLOSE},
        {"between the buttons", {minimise.right, close.top + 2}, HTCAPTION},
        {"first client row", {50, frame + caption}, HTCLIENT},
        {"frame", {1, 150}, HTBORDER},
        {"outside", {-1, 150}, HTNOWHERE},
    };
    for (const Case& c : cases) {
        const Point screen{100 + c.local.x, 100 + c.local.y};
        EXPECT_EQ(window.SendMessage(WM_NCHITTEST, 0, pointToLParam(screen)), c.hit) << c.label;
    }
}

TEST_F(WindowTest, DraggingTheCaptionMovesTheWindowUnlessItAnswersClientThere) {
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel(Rect{100, 100, 420, 340}));
    QWidget* frame = test::frameWidget(window);
    const int y = GetSystemMetrics(SM_CXDLGFRAME) + 5;
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(150, y));
    QTest::mouseMove(frame, QPoint(170, y + 30));
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(170, y + 30));
    Rect moved;
    window.GetWindowRect(&moved);
    EXPECT_EQ(moved.topLeft(), (Point{120, 130}));

    // The panorama's rule: the caption counts as client, so it gets client messages there.
    RecordingWindow fixed;
    fixed.hitTest = [&fixed](Point p) {
        const LRESULT hit = fixed.DefWindowProc(WM_NCHITTEST, 0, pointToLParam(p));
        return hit == HTCAPTION ? LRESULT(HTCLIENT) : hit;
    };
    ASSERT_TRUE(fixed.createTopLevel(Rect{500, 100, 800, 300}));
    MessageLog log;
    QWidget* fixedFrame = test::frameWidget(fixed);
    QTest::mousePress(fixedFrame, Qt::LeftButton, {}, QPoint(150, y));
    QTest::mouseMove(fixedFrame, QPoint(170, y + 30));
    QTest::mouseRelease(fixedFrame, Qt::LeftButton, {}, QPoint(170, y + 30));
    Rect still;
    fixed.GetWindowRect(&still);
    EXPECT_EQ(still.topLeft(), (Point{500, 100}));
    const auto got = mouseMessages(log, fixed.GetSafeHwnd());
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got[2].message, WM_LBUTTONDOWN);
    const Point point = lParamToPoint(got[2].lParam);
    EXPECT_EQ(point.x, 150 - GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_LT(point.y, 0) << "the caption lies above the client area";
}

TEST_F(WindowTest, CaptionButtonsSendTheirSystemCommandOnlyWhenReleasedOverThem) {
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel());
    QWidget* frame = test::frameWidget(window);
    const QPoint minimise = QPoint(window.nonClientPart(HTMINBUTTON).left + 3,
                                   window.nonClientPart(HTMINBUTTON).top + 3);
    const QPoint close =
        QPoint(window.nonClientPart(HTCLOSE).left + 3, window.nonClientPart(HTCLOSE).top + 3);

    QTest::mousePress(frame, Qt::LeftButton, {}, minimise);
    QTest::mouseMove(frame, QPoint(150, 8));
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(150, 8));
    EXPECT_TRUE(window.sysCommands.empty()) << "released away from the button";

    QTest::mousePress(frame, Qt::LeftButton, {}, minimise);
    QTest::mouseRelease(frame, Qt::LeftButton, {}, minimise);
    EXPECT_EQ(window.sysCommands, (std::vector<UINT>{SC_MINIMIZE}));
    EXPECT_TRUE(window.IsIconic());
    window.ShowWindow(SW_RESTORE);
    EXPECT_FALSE(window.IsIconic());

    QTest::mousePress(frame, Qt::LeftButton, {}, close);
    QTest::mouseRelease(frame, Qt::LeftButton, {}, close);
    EXPECT_EQ(window.sysCommands, (std::vector<UINT>{SC_MINIMIZE, SC_CLOSE}));
    EXPECT_FALSE(window.exists()) << "SC_CLOSE sends WM_CLOSE, which destroys the window";
}

TEST_F(WindowTest, TheSystemMenuIsEditedByCodeAndItsChoiceArrivesAsSystemCommand) {
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel());
    Menu* menu = window.GetSystemMenu(FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetMenuItemCount(), 7);
    for (UINT command : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MAXIMIZE})
        EXPECT_TRUE(menu->DeleteMenu(command, MF_BYCOMMAND));
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, 16, "&About Skyvistas...");
    ASSERT_EQ(menu->GetMenuItemCount(), 5);
    EXPECT_EQ(menu->GetMenuItemID(0), SC_MINIMIZE);
    EXPECT_EQ(menu->GetMenuItemID(4), 16u);
    EXPECT_EQ(menu->GetMenuString(4, MF_BYPOSITION), "&About Skyvistas...");

    QStringList shown;
    test::whenPopupMenu([&](QMenu& popup) {
        for (QAction* action : popup.actions())
            if (!action->isSeparator()) shown << action->text();
        test::choosePopupMenuItem(popup, "&About Skyvistas...");
    });
    MessageLog log;
    const Rect icon = window.nonClientPart(HTSYSMENU);
    QTest::mouseClick(test::frameWidget(window), Qt::LeftButton, {},
                      QPoint(icon.left + 3, icon.top + 3));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Mi&nimize"), QStringLiteral("&Close\tAlt+F4"),
                                  QStringLiteral("&About Skyvistas...")}));
    const auto numbers = log.numbers(window.GetSafeHwnd());
    const auto init = std::find(numbers.begin(), numbers.end(), WM_INITMENUPOPUP);
    ASSERT_NE(init, numbers.end());
    EXPECT_EQ(log.messages()[std::size_t(init - numbers.begin())].lParam, MAKELPARAM(0, 1))
        << "the system menu flag";
    EXPECT_TRUE(window.sysCommands.empty()) << "the choice is posted";
    test::processEvents();
    EXPECT_EQ(window.sysCommands, (std::vector<UINT>{16u}));

    // Alt+Space opens the same menu from the keyboard; its Close closes the window.
    test::whenPopupMenu([](QMenu& popup) { test::choosePopupMenuItem(popup, "&Close\tAlt+F4"); });
    window.SetFocus();
    QTest::keyClick(test::clientWidget(window), Qt::Key_Space, Qt::AltModifier);
    test::processEvents();
    EXPECT_EQ(window.sysCommands, (std::vector<UINT>{16u, SC_KEYMENU, SC_CLOSE}));
    EXPECT_FALSE(window.exists());
}

TEST_F(WindowTest, PostedMessagesArriveInOrderAndPeekMessageLooksIntoTheQueue) {
    RecordingWindow a, b;
    ASSERT_TRUE(a.createTopLevel());
    ASSERT_TRUE(b.createTopLevel(Rect{500, 100, 700, 300}));
    ASSERT_TRUE(a.PostMessage(WM_COMMAND, 1));
    ASSERT_TRUE(b.PostMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(5, 6)));
    ASSERT_TRUE(a.PostMessage(WM_COMMAND, 2));
    ASSERT_TRUE(a.PostMessage(WM_COMMAND, 3));

    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_COMMAND);
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessage(&msg, b.GetSafeHwnd(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE));
    EXPECT_EQ(lParamToPoint(msg.lParam), (Point{5, 6}));
    EXPECT_FALSE(PeekMessage(&msg, a.GetSafeHwnd(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessage(&msg, a.GetSafeHwnd(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u) << "the removed message is never delivered";

    test::processEvents();
    EXPECT_EQ(a.commands, (std::vector<WPARAM>{2, 3}));
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));

    // A message to a window that is gone is dropped; a dead handle is refused.
    a.PostMessage(WM_COMMAND, 4);
    const HWND handle = a.GetSafeHwnd();
    a.DestroyWindow();
    EXPECT_FALSE(PeekMessage(&msg, handle, 0, 0, PM_NOREMOVE)) << "gone with the window";
    EXPECT_FALSE(PostMessage(handle, WM_COMMAND, 5, 0));
    ASSERT_TRUE(a.createTopLevel()) << "a new window on the same object";
    test::processEvents();
    EXPECT_EQ(a.commands, (std::vector<WPARAM>{2, 3}));
}

TEST_F(WindowTest, TimersRunByIdAndTheTestHookMakesTheNextOneFail) {
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel());
    EXPECT_EQ(window.SetTimer(20100, 55), 20100u);
    EXPECT_EQ(window.SetTimer(0, 167), 1u) << "a success is never 0, even for id 0";
    EXPECT_EQ(test::timerInterval(window, 20100), 55);
    EXPECT_EQ(test::timerInterval(window, 0), 167);

    failNextSetTimer();
    EXPECT_EQ(window.SetTimer(5, 167), 0u);
    EXPECT_FALSE(test::timerActive(window, 5));
    EXPECT_EQ(window.SetTimer(5, 167), 5u) << "only the next one fails";

    EXPECT_TRUE(test::fireTimer(window, 0));
    EXPECT_FALSE(test::fireTimer(window, 6));
    EXPECT_EQ(window.timers, (std::vector<UINT_PTR>{0}));

    // A handler may kill its own timer.
    window.timer = [&window](UINT_PTR id) { window.KillTimer(id); };
    EXPECT_TRUE(test::fireTimer(window, 5));
    EXPECT_FALSE(test::timerActive(window, 5));
    EXPECT_FALSE(window.KillTimer(5));
    window.timer = nullptr;

    // A real timer reaches the window through the event loop.
    window.timers.clear();
    window.SetTimer(9, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.timers.empty(); }, 5000));
    EXPECT_EQ(window.timers.front(), 9u);

    RecordingWindow none;
    EXPECT_EQ(none.SetTimer(1, 10), 0u) << "no window, no timer";
}

TEST_F(WindowTest, TheCaptureGetsEveryMouseMessageInItsOwnClientCoordinates) {
    RecordingWindow main, popup;
    ASSERT_TRUE(main.createTopLevel(Rect{100, 100, 420, 340}));
    ASSERT_TRUE(popup.createPopup(main, Rect{150, 150, 250, 250}));
    popup.ShowWindow(SW_SHOWNA);
    test::processEvents(); // activation arrives from the window system
    EXPECT_EQ(GetActiveWindow(), main.GetSafeHwnd()) << "the popup was not activated";

    EXPECT_EQ(popup.SetCapture(), nullptr);
    EXPECT_EQ(GetCapture(), popup.GetSafeHwnd());
    MessageLog log;
    QTest::mouseMove(test::clientWidget(main), QPoint(20, 30));
    EXPECT_TRUE(mouseMessages(log, main.GetSafeHwnd()).empty());
    const auto got = mouseMessages(log, popup.GetSafeHwnd());
    ASSERT_EQ(got.size(), 1u) << "no hit test and no WM_SETCURSOR while captured";
    EXPECT_EQ(got[0].message, WM_MOUSEMOVE);
    Point expected{20, 30};
    main.ClientToScreen(&expected);
    popup.ScreenToClient(&expected);
    EXPECT_EQ(lParamToPoint(got[0].lParam), expected);

    log.clear();
    EXPECT_EQ(main.SetCapture(), &popup);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].message, WM_CAPTURECHANGED);
    EXPECT_EQ(log.messages()[0].window, popup.GetSafeHwnd());
    EXPECT_EQ(log.messages()[0].lParam, reinterpret_cast<LPARAM>(main.GetSafeHwnd()));
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);

    log.clear();
    QTest::mouseMove(test::clientWidget(main), QPoint(21, 31));
    EXPECT_EQ(mouseMessages(log, main.GetSafeHwnd()).size(), 3u);
}

TEST_F(WindowTest, KeysBecomeVirtualKeyMessagesAndUnhandledOnesReachTheParent) {
    RecordingWindow parent, child;
    ASSERT_TRUE(parent.createTopLevel());
    ASSERT_TRUE(child.createChild(parent, Rect{10, 10, 110, 60}));
    child.keyDown = [](UINT key) { return key == VK_LEFT; };
    std::vector<UINT> parentKeys;
    parent.keyDown = [&](UINT key) {
        parentKeys.push_back(key);
        return true;
    };
    child.SetFocus();
    EXPECT_EQ(GetFocus(), child.GetSafeHwnd());
    struct Case {
        const char* label;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        UINT message;
        UINT virtualKey;
    } cases[] = {
        {"left arrow", Qt::Key_Left, {}, WM_KEYDOWN, VK_LEFT},
        {"page down", Qt::Key_PageDown, {}, WM_KEYDOWN, VK_NEXT},
        {"home", Qt::Key_Home, {}, WM_KEYDOWN, VK_HOME},
        {"escape", Qt::Key_Escape, {}, WM_KEYDOWN, VK_ESCAPE},
        {"letter", Qt::Key_Q, {}, WM_KEYDOWN, UINT('Q')},
        {"F5 with Alt", Qt::Key_F5, Qt::AltModifier, WM_SYSKEYDOWN, VK_F1 + 4},
    };
    for (const Case& c : cases) {
        MessageLog log;
        QTest::keyPress(test::clientWidget(child), c.key, c.modifiers);
        QTest::keyRelease(test::clientWidget(child), c.key, c.modifiers);
        // Alt itself comes first as WM_SYSKEYDOWN VK_MENU; then the key.
        const auto& all = log.messages();
        const auto m = std::find_if(all.begin(), all.end(), [&](const LoggedMessage& x) {
            return (x.message == WM_KEYDOWN || x.message == WM_SYSKEYDOWN) &&
                   x.wParam == c.virtualKey;
        });
        ASSERT_NE(m, all.end()) << c.label;
        EXPECT_EQ(m->window, child.GetSafeHwnd()) << c.label;
        EXPECT_EQ(m->message, c.message) << c.label;
        if (c.message == WM_SYSKEYDOWN) {
            EXPECT_EQ(all.front().wParam, VK_MENU) << c.label;
            EXPECT_TRUE(m->lParam & KF_ALTDOWN_BIT) << c.label;
        }
    }
    EXPECT_EQ(parentKeys, (std::vector<UINT>{VK_NEXT, VK_HOME, VK_ESCAPE, UINT('Q')}))
        << "the child handled only the left arrow";
}

TEST_F(WindowTest, RaisingAWindowOnADisplayKeepsThePopupsAboveIt) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a display that stacks windows (run under Xvfb with xcb)";
    RecordingWindow main, popup;
    ASSERT_TRUE(main.createTopLevel(Rect{100, 100, 420, 340}));
    ASSERT_TRUE(popup.createPopup(main, Rect{150, 150, 250, 250}));
    popup.ShowWindow(SW_SHOWNA);
    const auto popupOnTop = [&] {
        return QGuiApplication::topLevelAt(QPoint(200, 200)) ==
               test::frameWidget(popup)->windowHandle();
    };
    EXPECT_TRUE(QTest::qWaitFor(popupOnTop, 2000));
    main.SetForegroundWindow();
    QTest::qWait(200);
    EXPECT_TRUE(popupOnTop()) << "activating the owner";
    main.ShowWindow(SW_SHOW);
    QTest::qWait(200);
    EXPECT_TRUE(popupOnTop()) << "showing the owner";
}

TEST_F(WindowTest, APopupWithoutBackgroundShowsTheScreenUnderItUntilItPaints) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a display to show what is under a window (run under Xvfb with xcb)";
    RecordingWindow main, popup;
    main.paint = [](PaintDC& dc) { dc.FillSolidRect(Rect{0, 0, 400, 300}, RGB(0, 128, 255)); };
    ASSERT_TRUE(main.createTopLevel(Rect{100, 100, 420, 340}));
    QTest::qWait(300);
    WindowClass noBackground;
    noBackground.hasBackground = false;
    ASSERT_TRUE(popup.CreateEx(0, &noBackground, "", WS_POPUP, Rect{150, 150, 250, 250}, &main));
    popup.ShowWindow(SW_SHOWNA);
    EXPECT_EQ(test::pixelAt(test::grabClient(popup), 50, 50), 0x0080FFu);
}

TEST_F(WindowTest, AKeyATopLevelWindowLeavesUnhandledReachesItOnce) {
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel());
    window.SetFocus();
    MessageLog log;
    QTest::keyClick(test::clientWidget(window), Qt::Key_Q);
    EXPECT_EQ(log.numbers(window.GetSafeHwnd()),
              (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
}

TEST_F(WindowTest, AFocusedPopupThatIsNeverActivatedGetsTheKeys) {
    RecordingWindow main, popup;
    ASSERT_TRUE(main.createTopLevel());
    ASSERT_TRUE(popup.createPopup(main, Rect{150, 150, 250, 250}));
    popup.ShowWindow(SW_SHOWNA);
    std::vector<UINT> popupKeys, mainKeys;
    popup.keyDown = [&](UINT key) {
        popupKeys.push_back(key);
        return true;
    };
    main.keyDown = [&](UINT key) {
        mainKeys.push_back(key);
        return true;
    };
    test::processEvents();
    popup.SetFocus();
    QTest::keyClick(test::clientWidget(main), Qt::Key_Escape);
    EXPECT_EQ(popupKeys, (std::vector<UINT>{VK_ESCAPE}));
    EXPECT_TRUE(mainKeys.empty());
    EXPECT_EQ(GetActiveWindow(), main.GetSafeHwnd());
    popup.ShowWindow(SW_HIDE);
    QTest::keyClick(test::clientWidget(main), Qt::Key_Escape);
    EXPECT_EQ(mainKeys, (std::vector<UINT>{VK_ESCAPE})) << "a hidden popup gets no keys";
}

TEST_F(WindowTest, TheWheelGoesToTheWindowUnderTheMouseAndThenToItsParent) {
    RecordingWindow parent, child;
    ASSERT_TRUE(parent.createTopLevel());
    ASSERT_TRUE(child.createChild(parent, Rect{10, 10, 110, 60}));
    std::vector<short> deltas;
    Point at;
    parent.wheel = [&](short delta, Point p) {
        deltas.push_back(delta);
        at = p;
        return TRUE;
    };
    QWidget* widget = test::clientWidget(child);
    QWheelEvent event(QPointF(5, 6), QPointF(widget->mapToGlobal(QPoint(5, 6))), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &event);
    EXPECT_EQ(deltas, (std::vector<short>{-120}));
    Point expected{15, 16};
    parent.ClientToScreen(&expected);
    EXPECT_EQ(at, expected) << "a wheel message carries the screen point";
}

TEST_F(WindowTest, DestroyingSendsDestroyParentFirstAndNcDestroyChildrenFirst) {
    RecordingWindow parent, child, grandchild, owned;
    ASSERT_TRUE(parent.createTopLevel());
    ASSERT_TRUE(child.createChild(parent, Rect{10, 10, 110, 60}));
    ASSERT_TRUE(grandchild.createChild(child, Rect{1, 1, 20, 20}));
    ASSERT_TRUE(owned.createTopLevel(Rect{0, 0, 50, 50}, RecordingWindow::kCaptioned, &parent));
    const HWND p = parent.GetSafeHwnd(), c = child.GetSafeHwnd(), g = grandchild.GetSafeHwnd(),
               o = owned.GetSafeHwnd();
    MessageLog log;
    ASSERT_TRUE(parent.DestroyWindow());
    std::vector<std::pair<HWND, UINT>> order;
    for (const auto& m : log.messages())
        if (m.message == WM_DESTROY || m.message == WM_NCDESTROY)
            order.emplace_back(m.window, m.message);
    EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{o, WM_DESTROY},
                                                         {o, WM_NCDESTROY},
                                                         {p, WM_DESTROY},
                                                         {c, WM_DESTROY},
                                                         {g, WM_DESTROY},
                                                         {g, WM_NCDESTROY},
                                                         {c, WM_NCDESTROY},
                                                         {p, WM_NCDESTROY}}));
    for (HWND h : {p, c, g, o})
        EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(Window::FromHandle(c), nullptr);
    EXPECT_FALSE(parent.DestroyWindow());
}

TEST_F(WindowTest, WindowFromPointFindsTheTopmostWindowAndItsChildren) {
    RecordingWindow main, child, popup;
    ASSERT_TRUE(main.createTopLevel(Rect{100, 100, 420, 340}));
    ASSERT_TRUE(child.createChild(main, Rect{200, 100, 300, 200}));
    ASSERT_TRUE(popup.createPopup(main, Rect{150, 150, 250, 250}));
    popup.ShowWindow(SW_SHOWNA);
    Point inChild{250, 150};
    main.ClientToScreen(&inChild);
    EXPECT_EQ(WindowFromPoint(Point{160, 160}), popup.GetSafeHwnd());
    EXPECT_EQ(WindowFromPoint(Point{110, 300}), main.GetSafeHwnd());
    EXPECT_EQ(WindowFromPoint(inChild), child.GetSafeHwnd());
    EXPECT_EQ(WindowFromPoint(Point{5, 5}), nullptr);
    popup.ShowWindow(SW_HIDE);
    EXPECT_EQ(WindowFromPoint(Point{160, 160}), main.GetSafeHwnd());
}

TEST_F(WindowTest, CursorsAreSetOnTheWidgetUnderTheMouseAndReadBackById) {
    ASSERT_TRUE(registerCursorResource(101, ":/cursors/up.png", Point{16, 0}));
    HCURSOR up = LoadCursor(101);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->resourceId(), 101);
    EXPECT_EQ(LoadCursor(101), up) << "loaded once";
    EXPECT_EQ(LoadCursor(IDC_ARROW)->resourceId(), IDC_ARROW);
    EXPECT_EQ(LoadCursor(999), nullptr);

    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel());
    window.setCursor = [up](Window*, UINT hit, UINT) {
        if (hit != HTCLIENT) return FALSE;
        SetCursor(up);
        return TRUE;
    };
    QWidget* client = test::clientWidget(window);
    QTest::mouseMove(client, QPoint(10, 10));
    EXPECT_EQ(test::currentCursorId(), 101);
    EXPECT_EQ(client->cursor().hotSpot(), QPoint(16, 0));
    window.setCursor = nullptr;
    QTest::mouseMove(client, QPoint(11, 10));
    EXPECT_EQ(test::currentCursorId(), IDC_ARROW) << "the default WM_SETCURSOR shows the arrow";
    EXPECT_EQ(client->cursor().shape(), Qt::ArrowCursor);

    {
        WaitCursor wait;
        EXPECT_EQ(test::currentCursorId(), IDC_WAIT);
        { WaitCursor nested; }
        EXPECT_EQ(test::currentCursorId(), IDC_WAIT) << "the outer guard still holds";
    }
    EXPECT_EQ(test::currentCursorId(), IDC_ARROW);
}

TEST_F(WindowTest, RunModalLoopRunsUntilEndModalLoopOrUntilTheWindowIsGone) {
    RecordingWindow owner, popup;
    ASSERT_TRUE(owner.createTopLevel());
    ASSERT_TRUE(popup.createPopup(owner, Rect{150, 150, 250, 250}));
    popup.ShowWindow(SW_SHOWNA);
    test::whenModal([](Window& w) {
        EXPECT_TRUE(w.inModalLoop());
        w.EndModalLoop(5);
    });
    EXPECT_EQ(popup.RunModalLoop(MLF_NOIDLEMSG | MLF_NOKICKIDLE), 5);
    EXPECT_FALSE(popup.inModalLoop());
    test::whenModal([](Window& w) { w.DestroyWindow(); });
    EXPECT_EQ(popup.RunModalLoop(MLF_NOIDLEMSG | MLF_NOKICKIDLE), -1);
    EXPECT_FALSE(popup.exists());
}

TEST_F(WindowTest, AWindowWithoutAFocusedControlTakesTheKeysItself) {
    RecordingWindow window;
    std::vector<UINT> keys;
    window.keyDown = [&](UINT key) {
        keys.push_back(key);
        return true;
    };
    ASSERT_TRUE(window.createTopLevel());
    test::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), test::clientWidget(window));
    QTest::keyClick(test::frameWidget(window), Qt::Key_Right);
    QTest::keyClick(test::clientWidget(window), Qt::Key_Down);
    EXPECT_EQ(keys, (std::vector<UINT>{VK_RIGHT, VK_DOWN}));
}

TEST_F(WindowTest, AShownWindowIsExposedAndPaintedWhenShowWindowReturns) {
    RecordingWindow owner, popup;
    ASSERT_TRUE(owner.createTopLevel());
    EXPECT_TRUE(test::frameWidget(owner)->windowHandle()->isExposed());
    EXPECT_EQ(owner.paintRects.size(), 1u) << "painted while being shown";
    ASSERT_TRUE(popup.createPopup(owner, Rect{150, 150, 250, 250}));
    popup.ShowWindow(SW_SHOWNA);
    EXPECT_TRUE(test::frameWidget(popup)->windowHandle()->isExposed());
    // So a client context draws on it at once, as a sliding menu does.
    popup.paintRects.clear();
    ClientDC dc(&popup);
    dc.FillSolidRect(Rect{0, 0, 100, 100}, RGB(1, 2, 3));
    EXPECT_TRUE(popup.paintRects.empty());
    EXPECT_EQ(test::pixelAt(test::grabClient(popup), 50, 50), 0x010203u);
}

TEST_F(WindowTest, AHiddenWindowKnowsItsClientAreaBeforeItIsShown) {
    RecordingWindow window;
    ASSERT_TRUE(
        window.createTopLevel(Rect{0, 0, 300, 200}, RecordingWindow::kCaptioned & ~WS_VISIBLE));
    const int frame = GetSystemMetrics(SM_CXDLGFRAME), caption = GetSystemMetrics(SM_CYCAPTION);
    Rect client;
    window.GetClientRect(&client);
    EXPECT_EQ(client, (Rect{0, 0, 300 - 2 * frame, 200 - 2 * frame - caption}));
    window.MoveWindow(0, 0, 1024, 768);
    window.GetClientRect(&client);
    EXPECT_EQ(client, (Rect{0, 0, 1024 - 2 * frame, 768 - 2 * frame - caption}));
    Point origin{0, 0};
    window.ClientToScreen(&origin);
    EXPECT_EQ(origin, (Point{frame, frame + caption}));
    EXPECT_FALSE(window.IsWindowVisible());
}
