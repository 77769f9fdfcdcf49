// The string table, dialog templates 100, 102, 153, 154, 157 and 1538, menu 156, cursors 101-108, the
// program's icon 128 and the visitor center list's icons 190-192.
#include "resources/panorama_resources.h"

#include <string>

#include <QGuiApplication>
#include <QIcon>

#include "platform/qt/cursor.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/menu.h"
#include "platform/qt/print_dialog.h"
#include "platform/qt/resources.h"
#include "resources/resource_ids.h"

#ifdef PANORAMA_COMMAND_BAR_RESOURCES
#include "resources/command_bar_resources.h"
#endif

namespace {

using namespace platform;

void registerStringEntries() {
    registerStrings({
        {IDS_ABOUTBOX, "&About Skyvistas..."},
        {IDS_PANORAMA_TITLE, "Skyvista"},
        {IDS_LOCATOR_TITLE, "Skyvista Locator Map"},
        {IDS_VISITOR_CENTER_PROMPT, "Look at photographs, videos, and maps"},
        {IDS_VISITOR_CENTER, "Multimedia Visitor Center"},
    });
}

// The About box: icon, product line, copyright and credits, and the three settings.
DialogTemplate aboutBox() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.caption = "About Skyvistas";
    t.cx = 217;
    t.cy = 133;
    t.items = {
        dlg::icon(IDR_MAINFRAME, kIdStatic, 11, 17, 18, 20),
        dlg::ltext("Skyvistas 1999", kIdStatic, 40, 10, 119, 8, SS_NOPREFIX),
        dlg::ltext("Copyright \xA9 1999 Highcairn Software\nAll rights reserved", kIdStatic, 40, 24,
                   136, 24),
        dlg::ltext("Photography by Tarnwick Media Works\nMaps by Tarnwick Cartography\n"
                   "Program by Highcairn Software",
                   kIdStatic, 40, 48, 128, 24),
        dlg::defPushButton("OK", IDOK, 178, 7, 32, 14, WS_GROUP | WS_TABSTOP),
        dlg::autoCheckBox("Use &Slide Menus", IDC_USE_SLIDE_MENUS, 40, 80, 72, 8),
        dlg::autoCheckBox("Use &Windows Background Color", IDC_USE_WINDOWS_BKG, 40, 96, 119, 10),
        dlg::autoCheckBox("Use Standard Windows Scroll&bars", IDC_USE_STANDARD_SCROLL, 40, 112, 120,
                          8),
    };
    return t;
}

// The panorama window; it is resized to the screen when it initialises. Both scroll bars start
// hidden.
DialogTemplate panoramaDialog() {
    DialogTemplate t;
    t.id = IDD_PANORAMA_DIALOG;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT;
    t.caption = "Skyvistas";
    t.cx = 248;
    t.cy = 141;
    t.items = {
        dlg::scrollBar(IDC_HORZ_SCROLLBAR, 160, 112, 40, 11, SBS_HORZ),
        dlg::scrollBar(IDC_VERT_SCROLLBAR, 200, 64, 10, 40, SBS_VERT),
    };
    return t;
}

// The bitmap window (the locator map): one owner-drawn picture button that the window makes
// cover its client area once it knows the picture's size.
DialogTemplate bitmapDialog() {
    DialogTemplate t;
    t.id = IDD_BITMAP_DIALOG;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.caption = "Dialog to Display Bitmap";
    t.cx = 184;
    t.cy = 87;
    t.items = {
        dlg::ownerDrawButton("IDB_BMPBUTTON", IDC_BMPBUTTON, 0, 0, 184, 87),
    };
    return t;
}

// The visitor center (template 157). Its layout replaces the controls' positions; the edit field
// is a placeholder the window replaces with its rich-edit control, and the two scroll bars belong
// to the picture area.
DialogTemplate visitorCenterDialog() {
    DialogTemplate t;
    t.id = IDD_VISITOR_CENTER;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_ABSALIGN |
              DS_SETFONT;
    t.caption = "Multimedia Visitor Center";
    t.cx = 186;
    t.cy = 133;
    t.items = {
        dlg::control("", IDC_MEDIA_LIST, kListBoxClass,
                     WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_OWNERDRAWFIXED |
                         LBS_NOTIFY,
                     104, 8, 72, 56),
        dlg::control("", IDC_NARRATIVE_TEXT, kEditClass, WS_VISIBLE, 8, 72, 168, 48),
        dlg::scrollBar(IDC_HORZ_SCROLLBAR, 32, 48, 40, 11, SBS_HORZ),
        dlg::scrollBar(IDC_VERT_SCROLLBAR, 80, 8, 10, 40, SBS_VERT),
    };
    return t;
}

// The print dialog (template 1538): the standard print dialog's controls with a "Print Size"
// group below the Print range group.
DialogTemplate printSizeDialog() {
    DialogTemplate t;
    t.id = IDD_PRINT_SIZE;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.caption = "Print";
    t.cx = 288;
    t.cy = 221;
    t.items = dlg::printDialogItems();
    t.items.push_back(dlg::groupBox("Print Size", kIdStatic, 8, 160, 144, 48));
    t.items.push_back(dlg::autoRadioButton("F&ull Size", IDC_FULL_SIZE, 16, 176, 88, 8,
                                           WS_GROUP | WS_TABSTOP));
    t.items.push_back(dlg::autoRadioButton("&Half Size", IDC_HALF_SIZE, 16, 192, 88, 8));
    t.items.push_back(dlg::defPushButton("OK", IDOK, 176, 192, 48, 14, WS_GROUP | WS_TABSTOP));
    t.items.push_back(dlg::pushButton("Cancel", IDCANCEL, 232, 192, 48, 14, WS_TABSTOP));
    return t;
}

DialogTemplate parametersDialog() {
    DialogTemplate t;
    t.id = IDD_PARAMS;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.caption = "Skyvistas Command Line Parameters";
    t.cx = 264;
    t.cy = 61;
    t.items = {
        dlg::ltext("panname map_path database_path; e.g.:\n"
                   " denve1 r:\\tourdesk\\hlp e:\\wrk\\maps\\skyvis",
                   kIdStatic, 8, 8, 192, 16),
        dlg::editText(IDC_COMMAND_LINE, 8, 32, 192, 16),
        dlg::defPushButton("OK", IDOK, 208, 8, 50, 14),
        dlg::pushButton("Cancel", IDCANCEL, 208, 32, 50, 14),
    };
    return t;
}

// Menu 156: the Features popup with the Points of Interest popup, whose placeholder item is
// removed when the hotspots are loaded.
MenuTemplate featuresMenu() {
    MenuTemplateItem placeholder{MF_STRING, ID_PLACEHOLDER_ITEM, "Placeholder Menu Item", {}};
    MenuTemplateItem pointsOfInterest{MF_POPUP, 0, "&Points of Interest", {placeholder}};
    MenuTemplateItem visitorCenter{MF_STRING, ID_VISITOR_CENTER, "&Multimedia Visitor Center", {}};
    MenuTemplateItem features{MF_POPUP, 0, "&Features", {pointsOfInterest, visitorCenter}};
    return MenuTemplate{IDR_FEATURES_MENU, {features}};
}

void registerCursors() {
    for (int i = 0; i < 8; ++i) {
        const std::string path = ":/cursors/" + std::to_string(IDC_CURSOR_UP + i) + ".bmp";
        const auto& hot = resources::kDirectionCursorHotSpots[i];
        registerCursorResource(IDC_CURSOR_UP + i, path.c_str(), Point{hot.x, hot.y},
                               resources::kCursorTransparentColour);
    }
}

void registerIcons() {
    if (registerIconResource(IDR_MAINFRAME, ":/icons/128.png"))
        QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/128.png")));
    registerIconResource(IDI_LIST_PHOTO, ":/icons/190.png");
    registerIconResource(IDI_LIST_MAP, ":/icons/191.png");
    registerIconResource(IDI_LIST_VIDEO, ":/icons/192.png");
}

} // namespace

// Resource collections compiled into a static library are initialised by name, from outside any
// namespace.
static void initialiseResourceCollections() {
    Q_INIT_RESOURCE(cursors_and_icons);
}

namespace resources {

void registerStringTable() {
    registerStringEntries();
}

void registerDialogsAndMenus() {
    registerDialogTemplate(aboutBox());
    registerDialogTemplate(panoramaDialog());
    registerDialogTemplate(bitmapDialog());
    registerDialogTemplate(parametersDialog());
    registerDialogTemplate(visitorCenterDialog());
    registerDialogTemplate(printSizeDialog());
    registerMenuResource(featuresMenu());
    // The command bar's template 103, its tooltip strings and its button faces (bitmaps.qrc).
#ifdef PANORAMA_COMMAND_BAR_RESOURCES
    registerCommandBarResources();
#endif
}

void registerCursorsAndIcon() {
    initialiseResourceCollections();
    registerCursors();
    registerIcons();
}

} // namespace resources

void registerPanoramaResources() {
    resources::registerStringTable();
    resources::registerDialogsAndMenus();
    resources::registerCursorsAndIcon();
}
