// The command bar's button faces: parchment-and-khaki buttons drawn with QPainter, reduced to one
// fixed 256-colour palette and written as 8-bit DIBs (a BMP file without its file header), one
// file per face, named as the program's bitmap resources are (IDB_LOCATORU.dib ...).
//
// Drawing text needs the toolkit's fonts: a QGuiApplication must exist while the faces are made.
// The same program on the same fonts makes the same bytes every time.
#pragma once

#include "tools/bmp_writer.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

// The pictures of a face: up, down (pressed) and disabled.
enum class FaceState { Up, Down, Disabled };

struct ButtonFace {
    std::string name; // the resource name, e.g. "IDB_LOCATORU"
    IndexedImage image;
};

// Every face of the bar, in a fixed order: IDB_LOCATORU/D, IDB_FEATURESU/D, IDB_PRINTMAPU/D/X,
// IDB_PRINTTEXTU/D/X, IDB_CLOSECMDU/D; all 26 pixels high.
std::vector<ButtonFace> makeButtonFaces();

// The fixed palette every face uses (red, green, blue).
const std::array<std::array<std::uint8_t, 3>, 256>& buttonFacePalette();

// The palette index nearest to a colour (squared RGB distance; the lowest index wins ties).
std::uint8_t nearestButtonFaceIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Writes every face as <name>.dib into the folder (which must exist). False with a reason when a
// file cannot be written.
bool writeButtonFaces(const std::string& folder, std::string* error);

} // namespace tools
