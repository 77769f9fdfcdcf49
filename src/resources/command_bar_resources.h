// The command bar's resources: dialog template 103, its tooltip strings and the button-face
// bitmaps (bitmaps.qrc).
#pragma once

namespace resources {

// Registers the command bar's template, strings and bitmaps. The program's resource registration
// calls it once the toolkit application exists; tests of the bar call it themselves.
void registerCommandBarResources();

} // namespace resources
