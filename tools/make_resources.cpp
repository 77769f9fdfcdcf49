// make_resources DIR: draws the program's cursors and icons (and, where that art is in the tree,
// the command bar's button faces) into the resource folder DIR (src/resources). Deterministic:
// every run writes the same bytes, so the committed files can be checked against a fresh run.
//
//   DIR/cursors/101.bmp ... 108.bmp  the eight direction cursors, 32 x 32, 8 bits a pixel, a
//                                    solid triangle pointing up, up-right, ... up-left, its tip at
//                                    the hot spot; magenta (255, 0, 255) is transparent
//   DIR/icons/128.png                the program's icon, 32 x 32 with transparency
//   DIR/icons/190.png, 191.png,      the visitor center list's icons for photographs, maps and
//             192.png                videos, 32 x 32 with transparency
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include <QGuiApplication>

#include "tools/resource_art.h"

#ifdef PANORAMA_BUTTON_ART
#include "tools/resource_art_buttons.h"
#endif

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_resources DIR\n"
                     "draws the cursors, the icon and the button faces into DIR (src/resources)\n";
        return 2;
    }
    // Drawing text needs fonts, and fonts need an application; no display is needed.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    const std::filesystem::path dir = argv[1];
    if (!resource_art::writeCursorsAndIcon(dir)) return 1;
        // ---- The command bar's button faces (tools/resource_art_buttons.cpp) ----
#ifdef PANORAMA_BUTTON_ART
    std::error_code ignored;
    std::filesystem::create_directories(dir / "bitmaps", ignored);
    std::string error;
    if (!tools::writeButtonFaces((dir / "bitmaps").string(), &error)) {
        std::cerr << "make_resources: " << error << "\n";
        return 1;
    }
#endif
    std::cout << "make_resources: wrote the resources to " << dir.string() << "\n";
    return 0;
}
