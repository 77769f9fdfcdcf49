// panorama CODE PAN_DIR DB_DIR: the viewer's entry point.
//
// With PANORAMA_EXIT_AFTER_FIRST_PAINT=1 in the environment the program prints the time from its
// start to the first complete paint of the panorama and closes (the start-up benchmark uses it).
#include <cstdlib>
#include <cstring>

#include "app/pan_app.h"
#include "resources/panorama_resources.h"
#include "viewer/pan_dlg.h"

namespace {
CPanApp theApp;
} // namespace

int main(int argc, char** argv) {
    const char* exitAfterPaint = std::getenv("PANORAMA_EXIT_AFTER_FIRST_PAINT");
    if (exitAfterPaint && std::strcmp(exitAfterPaint, "1") == 0)
        CPanDlg::setExitAfterFirstPaint(true);
    return platform::runApplication(theApp, argc, argv, registerPanoramaResources);
}
