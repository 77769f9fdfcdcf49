// The About box: the program's icon, name, copyright and credits, and the three settings as check
// boxes. Opened from the panorama window's system menu.
#pragma once

#include "platform/core/palette.h"
#include "platform/qt/dialog.h"

class CAboutDlg : public platform::Dialog {
public:
    CAboutDlg(platform::Palette* palette, BOOL useSlideMenus, BOOL useWindowsBkgColor,
              BOOL useStandardScroll, platform::Window* parent = nullptr);

    // Fields, in the order of the design; the settings are exchanged with the check boxes.
    platform::Palette* m_pPalette; // the panorama window's shared palette, not owned
    BOOL use_slide_menus;
    BOOL use_windows_bkg_color;
    BOOL use_standard_scroll;

    void DoDataExchange(platform::DataExchange* dx) override;
    // Realises the shared palette when the box gains the palette focus; repaints (without
    // erasing) when that changed the system palette.
    BOOL OnQueryNewPalette() override;
    // Realises it again when another window changed the system palette.
    void OnPaletteChanged(platform::Window* focusWindow) override;
};
