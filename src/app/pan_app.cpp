// Start-up: the command line, its three checks and the run of the panorama window.
#include "app/pan_app.h"

#include <string>

#include "app/params_dlg.h"
#include "platform/core/dos_path.h"
#include "viewer/pan_dlg.h"

namespace {

constexpr const char* kBlanks = " \t";

// The text up to, not including, the first blank or tab (all of it when there is none).
std::string spanExcludingBlanks(const std::string& text) {
    return text.substr(0, text.find_first_of(kBlanks));
}

// Removes leading white space.
void trimLeft(std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n\v\f");
    text.erase(0, first == std::string::npos ? text.size() : first);
}

void showUsage(const std::string& firstLine) {
    const std::string text = firstLine + "\n" + CPanApp::kUsageLines;
    AfxMessageBox(text.c_str(), MB_ICONEXCLAMATION);
}

} // namespace

const char* const CPanApp::kUsageLines =
    "Usage:  panorama pan_code pan_path            database_path\n"
    "  e.g.  panorama denve1   r:\\tourdesk\\hlp   e:\\wrk\\maps\\skyvis";

CPanApp::CPanApp() : platform::Application(nullptr), kPanCodeLength(6) {}

BOOL CPanApp::InitInstance() {
    std::string commandLine = m_lpCmdLine;
    if (commandLine.empty()) {
        CParamsDlg params;
        if (params.DoModal() == IDCANCEL) return FALSE;
        // Taken exactly as typed: a leading blank makes the panorama code empty.
        commandLine = params.m_strCommandLine;
    }

    std::string code = spanExcludingBlanks(commandLine);
    if (int(code.size()) != kPanCodeLength) {
        showUsage("Pan code, " + code + ", length not " + std::to_string(kPanCodeLength));
        return FALSE;
    }
    m_panCode = platform::toUpperAscii(code);
    commandLine.erase(0, code.size());
    trimLeft(commandLine);

    const std::string panPath = spanExcludingBlanks(commandLine);
    if (panPath.empty()) {
        showUsage("Pan path must be present (even if only .)");
        return FALSE;
    }
    m_panPath = platform::toUpperAscii(panPath);
    commandLine.erase(0, panPath.size());
    trimLeft(commandLine);

    const std::string databasePath = spanExcludingBlanks(commandLine);
    if (databasePath.empty()) {
        showUsage("Database path must be present (even if only .)");
        return FALSE;
    }
    m_databasePath = platform::toUpperAscii(databasePath);

    Enable3dControls();
    RunPanoramaWindow();
    return FALSE;
}

void CPanApp::RunPanoramaWindow() {
    CPanDlg dialog(m_panCode, m_panPath, m_databasePath, nullptr);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
}
