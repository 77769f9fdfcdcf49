// The command bar's dialog template 103, its tooltip strings, and the button faces of
// bitmaps.qrc handed to the bitmap registry.
#include "resources/command_bar_resources.h"

#include <QtGlobal>

#include "platform/qt/dialog_template.h"
#include "platform/qt/resources.h"

// The resource collection lives in a static library: its initialiser must be referenced from
// code the program links, from a function outside any namespace (the macro declares it there).
static void initBitmapCollection() {
    Q_INIT_RESOURCE(bitmaps);
}

namespace resources {

void registerCommandBarResources() {
    using namespace platform;
    // The button texts name the button faces: text + "U" (up), "D" (down), "X" (disabled).
    // Each button is sized to its up picture when the bar initialises.
    DialogTemplate bar;
    bar.id = 103;
    bar.style = WS_CHILD | WS_VISIBLE | DS_SETFONT;
    bar.cx = 372;
    bar.cy = 48;
    bar.items = {
        dlg::ownerDrawButton("IDB_LOCATOR", 1006, 7, 7, 24, 16),
        dlg::ownerDrawButton("IDB_FEATURES", 1007, 42, 7, 24, 16),
        dlg::ownerDrawButton("IDB_PRINTMAP", 1018, 77, 7, 24, 16),
        dlg::ownerDrawButton("IDB_PRINTTEXT", 1019, 112, 7, 24, 16),
        dlg::ownerDrawButton("IDB_CLOSECMD", 1009, 341, 7, 24, 16),
    };
    registerDialogTemplate(bar);

    registerStrings({
        {111, "Display the locator map to show where the skyvista is"},
        {112, "Display a menu for further choices"},
        {115, "Close the skyvista"},
        {116, "Close the multimedia visitor center"},
        {32778, "Print the map shown now"},
        {32779, "Print the text shown now"},
    });

    initBitmapCollection();
    registerBitmapResources(":/bitmaps");
}

} // namespace resources
