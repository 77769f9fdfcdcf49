// The application object, its command line and name, and running it from main().
#include "platform/qt/application.h"

#include "platform/core/message_box.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/gdi.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/video_window.h"

#include <QApplication>
#include <QScreen>

namespace platform {
namespace {
Application* g_application = nullptr;
} // namespace

Application::Application(const char* appName) {
    if (appName) {
        m_pszAppName = appName;
        m_nameGiven = true;
    }
    g_application = this;
}

Application::~Application() {
    if (g_application == this) g_application = nullptr;
}

BOOL Application::InitInstance() {
    return FALSE;
}
int Application::ExitInstance() {
    return 0;
}

void Application::setArguments(int argc, char** argv) {
    m_lpCmdLine = commandLineFromArguments(argc, argv);
    if (!m_nameGiven) m_pszAppName = applicationNameFromPath(argc > 0 && argv[0] ? argv[0] : "");
}

std::string commandLineFromArguments(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i]) continue;
        if (i > 1) line += ' ';
        line += argv[i];
    }
    const std::size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : line.substr(first);
}

std::string applicationNameFromPath(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return base.empty() ? std::string("application") : base;
}

int runApplication(Application& app, int& argc, char** argv,
                   const std::function<void()>& registerResources) {
    // Before anything can make a media object.
    selectMediaBackend();
    QApplication qtApplication(argc, argv);
    installFontSubstitutions();
    loadSystemColours();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect geometry = screen->geometry();
        const QRect available = screen->availableGeometry();
        setScreenSize(geometry.width(), geometry.height());
        setWorkArea(Rect{available.left(), available.top(), available.left() + available.width(),
                         available.top() + available.height()});
    }
    app.setArguments(argc, argv);
    installQtServices(false);
    if (registerResources) registerResources();
    if (app.InitInstance()) {
        app.m_running = true;
        QApplication::exec();
        app.m_running = false;
    }
    const int result = app.ExitInstance();
    setMessageBoxSink(nullptr);
    return result;
}

} // namespace platform

platform::Application* AfxGetApp() {
    return platform::g_application;
}

const char* AfxGetAppName() {
    return platform::g_application ? platform::g_application->m_pszAppName.c_str() : "";
}

platform::Window* AfxGetMainWnd() {
    return platform::mainWindow();
}

int AfxMessageBox(const char* text, UINT type) {
    platform::Window* main = platform::mainWindow();
    return MessageBoxA(main ? main->GetSafeHwnd() : nullptr, text, AfxGetAppName(), type);
}
