// The About box and its palette handling.
#include "app/about_dlg.h"

#include "platform/core/palette_message_box.h"
#include "resources/resource_ids.h"

CAboutDlg::CAboutDlg(platform::Palette* palette, BOOL useSlideMenus, BOOL useWindowsBkgColor,
                     BOOL useStandardScroll, platform::Window* parent)
    : platform::Dialog(IDD_ABOUTBOX, parent), m_pPalette(palette), use_slide_menus(useSlideMenus),
      use_windows_bkg_color(useWindowsBkgColor), use_standard_scroll(useStandardScroll) {}

void CAboutDlg::DoDataExchange(platform::DataExchange* dx) {
    platform::Dialog::DoDataExchange(dx);
    platform::DDX_Check(dx, IDC_USE_SLIDE_MENUS, use_slide_menus);
    platform::DDX_Check(dx, IDC_USE_WINDOWS_BKG, use_windows_bkg_color);
    platform::DDX_Check(dx, IDC_USE_STANDARD_SCROLL, use_standard_scroll);
}

BOOL CAboutDlg::OnQueryNewPalette() {
    const BOOL changed = RealizeWindowPalette(GetSafeHwnd(), m_pPalette);
    if (changed) Invalidate(FALSE);
    return changed;
}

void CAboutDlg::OnPaletteChanged(platform::Window* focusWindow) {
    if (focusWindow != this) RealizeWindowPalette(GetSafeHwnd(), m_pPalette);
}
