// The art of the program's cursors and icons, drawn by make_resources and by the test that checks
// the committed files against a fresh drawing.
#pragma once

#include <filesystem>
#include <string>

#include <QImage>

#include "tools/bmp_writer.h"

namespace resource_art {

constexpr int kCursorSize = 32;
constexpr int kIconSize = 32;
constexpr int kFirstCursor = 101;
// The visitor center list's icons, one a media type: photograph, map, video.
constexpr int kListIconPhoto = 190;
constexpr int kListIconMap = 191;
constexpr int kListIconVideo = 192;

// Direction cursor 101 + index (0 up, then clockwise to 7 up-left) as an 8-bit image whose colour
// 0 is the transparent magenta.
tools::IndexedImage directionCursor(int index);
// The program's icon (icon 128), drawn at size x size pixels (the art is made for 32).
QImage programIcon(int size = kIconSize);
// The visitor center list's icons, 32 x 32 with transparency: a camera (photographs), a folded map
// with a route to a pin (maps) and a film strip with a play mark (videos).
QImage photoListIcon();
QImage mapListIcon();
QImage videoListIcon();
// The list icon kListIconPhoto, kListIconMap or kListIconVideo; a null image for any other id.
QImage listIcon(int id);
std::string pngBytes(const QImage& image);
// Writes cursors/101.bmp ... 108.bmp and icons/128.png, 190.png, 191.png and 192.png below dir;
// false on any failure.
bool writeCursorsAndIcon(const std::filesystem::path& dir);

} // namespace resource_art
