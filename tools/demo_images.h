// The demo images of DEMO01: the panorama DEMO01.GZ (a generated landscape with the hotspots'
// features painted inside their rectangles), the locator map, the viewpoint picture, one JPEG
// for every picture media record and one Motion-JPEG AVI for every video record. Deterministic:
// every run writes the same bytes.
#pragma once

#include "tools/bmp_writer.h"
#include "tools/jpeg_writer.h"

#include <string>

namespace demo {

// The panorama in direct colour (top row first), before it is reduced to its palette.
tools::RgbImage renderPanorama(int width, int height);
// The panorama reduced to a 256-colour palette made for it (median cut, ordered dither).
tools::IndexedImage makePanorama(int width, int height);
tools::IndexedImage makePanorama(const tools::RgbImage& rendered);

// Writes DEMO01.GZ, the JPEG files and the videos into dir; false (with a line on standard error)
// on failure.
bool writeDemoImages(const std::string& dir);

} // namespace demo
