// pantool's image commands: "image" reads a file as the viewer does and reports or converts it,
// "palette" makes the palette cache file from a panorama.
#pragma once

#include <string>
#include <vector>

namespace pantool {

// image FILE [--depth 8|24] [--palette memdib.pal] [--out OUT.bmp]
int runImage(const std::vector<std::string>& args);
// palette IMAGE.GZ --out memdib.pal
int runPalette(const std::vector<std::string>& args);

} // namespace pantool
