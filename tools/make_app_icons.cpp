// make_app_icons DIR: the program's icon at the sizes desktops look for, as the icon theme's
// folders under DIR: DIR/hicolor/NxN/apps/org.example.Panorama.png for N = 16 ... 256.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include <QGuiApplication>
#include <QImage>
#include <QString>

#include "tools/resource_art.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_app_icons DIR\n"
                     "writes the program's icon at the usual sizes into DIR/hicolor\n";
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    const std::filesystem::path dir = argv[1];
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string edge = std::to_string(size);
        const std::filesystem::path folder = dir / "hicolor" / (edge + "x" + edge) / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::filesystem::path file = folder / "org.example.Panorama.png";
        if (error ||
            !resource_art::programIcon(size).save(QString::fromStdString(file.string()), "PNG")) {
            std::cerr << "make_app_icons: cannot write " << file.string() << "\n";
            return 1;
        }
    }
    return 0;
}
