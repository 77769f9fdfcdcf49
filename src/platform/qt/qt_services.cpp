// The QMessageBox sink and the window services of the layer.
#include "platform/qt/qt_services.h"

#include "platform/qt/cursor.h"
#include "platform/qt/dc.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window.h"

#include <chrono>
#include <thread>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace platform {
namespace {

constexpr UINT kDefaultButtonMask = 0x00000F00;
constexpr UINT kTypeAbortRetryIgnore = 2;
constexpr UINT kTypeYesNoCancel = 3;
constexpr UINT kTypeRetryCancel = 5;

class QtWindowServices final : public WindowServices {
public:
    bool IsWindow(HWND window) override { return ::IsWindow(window) != FALSE; }
    HWND mainWindow() override {
        Window* main = platform::mainWindow();
        return main ? main->GetSafeHwnd() : nullptr;
    }
    std::unique_ptr<DeviceContext> GetDC(HWND window) override {
        Window* w = Window::FromHandle(window);
        if (!w) return nullptr;
        return std::make_unique<ClientDC>(w);
    }
    void RedrawWindow(HWND window, UINT flags) override {
        if (Window* w = Window::FromHandle(window)) w->RedrawWindow(nullptr, flags);
    }
    void Sleep(unsigned milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    void InvalidateRect(HWND window, const Rect* rect, BOOL erase) override {
        if (Window* w = Window::FromHandle(window)) w->InvalidateRect(rect, erase);
    }
    void ScrollWindow(HWND window, int dx, int dy, const Rect* scroll, const Rect* clip) override {
        if (Window* w = Window::FromHandle(window)) w->ScrollWindow(dx, dy, scroll, clip);
    }
    void UpdateWindow(HWND window) override {
        if (Window* w = Window::FromHandle(window)) w->UpdateWindow();
    }
};

} // namespace

int showQtMessageBox(const MessageBoxCall& call) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return printMessageBoxToStderr(call);
    QWidget* parent = nullptr;
    if (Window* owner = Window::FromHandle(call.owner))
        if (Window* top = owner->GetTopLevelParent()) parent = top->frameWidget();
    // On the heap: the owner may be destroyed while the box is open, taking its child widgets
    // with it.
    const QPointer<QMessageBox> guard(new QMessageBox(parent));
    QMessageBox& box = *guard;
    box.setWindowTitle(fromWindows1252(call.caption));
    QString text = fromWindows1252(call.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    switch (call.type & MB_ICONMASK) {
    case MB_ICONSTOP:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int result;
    };
    std::vector<Choice> choices;
    switch (call.type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case kTypeAbortRetryIgnore:
        choices = {{QMessageBox::Abort, IDABORT},
                   {QMessageBox::Retry, IDRETRY},
                   {QMessageBox::Ignore, IDIGNORE}};
        break;
    case kTypeYesNoCancel:
        choices = {
            {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        break;
    case kTypeRetryCancel:
        choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    default:
        choices = {{QMessageBox::Ok, IDOK}};
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& c : choices)
        buttons |= c.button;
    box.setStandardButtons(buttons);
    const std::size_t defaultIndex = ((call.type & kDefaultButtonMask) >> 8);
    if (defaultIndex < choices.size()) box.setDefaultButton(choices[defaultIndex].button);
    for (const Choice& c : choices)
        if (c.result == IDCANCEL) box.setEscapeButton(c.button);
    if (choices.size() == 1) box.setEscapeButton(choices[0].button);
    box.setWindowModality((call.type & MB_SYSTEMMODAL) || !parent ? Qt::ApplicationModal
                                                                  : Qt::WindowModal);
    // A box always shows the arrow, even during a wait cursor.
    const bool waiting = currentCursorId() == IDC_WAIT;
    if (waiting) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (waiting) QGuiApplication::restoreOverrideCursor();
    const auto clicked = guard ? box.standardButton(box.clickedButton()) : QMessageBox::NoButton;
    delete guard.data();
    for (const Choice& c : choices)
        if (c.button == clicked) return c.result;
    // Closed without a button: the cancel answer when there is one, else the only one.
    for (const Choice& c : choices)
        if (c.result == IDCANCEL) return IDCANCEL;
    return choices.size() == 1 ? choices[0].result : 0;
}

WindowServices& qtWindowServices() {
    static QtWindowServices services;
    return services;
}

void installQtServices(bool keepMessageBoxSink) {
    setWindowServices(&qtWindowServices());
    if (!keepMessageBoxSink) setMessageBoxSink(showQtMessageBox);
}

} // namespace platform
