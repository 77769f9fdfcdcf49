// The application object of the panorama viewer: takes the panorama code, the image directory and
// the table directory from the command line (or from the parameters dialog when the command line
// is empty), checks them, and runs the panorama window; when that window closes the program ends.
#pragma once

#include <string>

#include "platform/qt/application.h"

class CPanApp : public platform::Application {
public:
    // Constructed without a name of its own: the program file's base name names the application.
    CPanApp();

    // Start-up: parameters, checks, the panorama window. Always FALSE: the program ends when it
    // returns, without a message loop of its own.
    BOOL InitInstance() override;

    // The usage and example lines that follow each command-line message.
    static const char* const kUsageLines;

    const int kPanCodeLength;   // required length of the panorama code, 6
    std::string m_panCode;      // upper-cased once it passed the length check
    std::string m_panPath;      // directory of the panorama images, upper-cased
    std::string m_databasePath; // directory of the tables, upper-cased

protected:
    // Runs the panorama window modally as the main window, then destroys it.
    virtual void RunPanoramaWindow();
};
