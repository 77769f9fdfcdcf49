// The application object and the function that runs it from main().
//
// runApplication creates the toolkit application, fills the system metrics (screen size, work
// area) from the primary screen, reads the system colours, installs the font substitutions, the
// message-box sink that shows real boxes and the window services, and then calls InitInstance.
// When InitInstance answers FALSE the program ends at once (no message loop of its own), with
// ExitInstance's result; when it answers TRUE the event loop runs until PostQuitMessage or until
// the main window is destroyed.
#pragma once

#include "platform/qt/window.h"

#include <functional>
#include <string>

namespace platform {

class Application {
public:
    // appName null: the program file's base name (without directory and extension).
    explicit Application(const char* appName = nullptr);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Switches on the three-dimensional control look (the toolkit's controls always have it).
    void Enable3dControls() { m_3dControls = true; }
    bool has3dControls() const { return m_3dControls; }

    // The command line: the program's arguments after its name, joined by one blank each, with
    // leading blanks and tabs removed.
    std::string m_lpCmdLine;
    // The application's name: the program file's base name unless one was given.
    std::string m_pszAppName;
    // The main window; message boxes without a live owner use it.
    Window* m_pMainWnd = nullptr;

    // Fills m_lpCmdLine and m_pszAppName from main's arguments (runApplication does it; tests
    // may).
    void setArguments(int argc, char** argv);
    // Whether runApplication's event loop runs (InitInstance answered TRUE); destroying the main
    // window then ends it.
    bool runsMessageLoop() const { return m_running; }

private:
    friend int runApplication(Application& app, int& argc, char** argv,
                              const std::function<void()>& registerResources);
    bool m_running = false;
    bool m_3dControls = false;
    bool m_nameGiven = false;
};

// The command line of main's arguments: argv[1..] joined by single blanks, leading blanks and
// tabs removed.
std::string commandLineFromArguments(int argc, char** argv);
// The base name of a program path, without its directory and extension.
std::string applicationNameFromPath(const std::string& path);

// Runs the application (see the file comment); returns the process's exit code. registerResources
// runs once the toolkit application exists, before InitInstance (register strings, templates,
// menus, cursors, icons and bitmaps there).
int runApplication(Application& app, int& argc, char** argv,
                   const std::function<void()>& registerResources = {});

} // namespace platform

platform::Application* AfxGetApp();
const char* AfxGetAppName();
platform::Window* AfxGetMainWnd();
// A message box owned by the main window with the application's name as caption.
int AfxMessageBox(const char* text, UINT type = MB_OK);
