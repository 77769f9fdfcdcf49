// The bitmap display window: reads its image, makes the picture button from it, sizes itself to
// the picture within its parent's client area and centres itself on the given point.
#include "hotspots/bitmap_dlg.h"

#include <algorithm>

#include "platform/core/palette_message_box.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/cursor.h"

CBitmapDlg::CBitmapDlg(const std::string& imagePath, platform::Palette* palette,
                       const std::string& title, int centreX, int centreY, BOOL closeOnClick,
                       platform::Window* parent)
    : platform::Dialog(kTemplateId, parent), m_imagePath(imagePath), m_palette(palette),
      m_picture(palette), m_centre{centreX, centreY}, m_title(title), m_closeOnClick(closeOnClick),
      m_parentWindow(parent) {}

CBitmapDlg::~CBitmapDlg() {
    // The picture button is a member: take the window down while it still exists.
    if (exists()) DestroyWindow();
}

void CBitmapDlg::failInit(const char* text) {
    MessageBoxWithPalette(m_parentWindow ? m_parentWindow->GetSafeHwnd() : nullptr, m_palette, text,
                          m_title.c_str(), MB_ICONEXCLAMATION);
    m_image.Reset();
    EndDialog(kInitFailed);
}

BOOL CBitmapDlg::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    // The image reader and the picture button report under the parent's title.
    const std::string caption = m_parentWindow ? m_parentWindow->GetWindowText() : m_title;
    const HWND parent = m_parentWindow ? m_parentWindow->GetSafeHwnd() : nullptr;
    {
        platform::WaitCursor wait;
        if (!m_image.ReadImageFile(m_imagePath.c_str(), m_title.c_str(), TRUE, parent, m_palette,
                                   FALSE, caption.c_str())) {
            failInit("Could not read bitmap image;\nperhaps try again after inserting CD-ROM.");
            return TRUE;
        }
    }
    if (!m_picture.SubclassDlgItem(kPictureId, this) ||
        !m_picture.LoadBitmapFromMemory(m_image, parent, FALSE, caption.c_str())) {
        failInit("Could not create bitmap button");
        return TRUE;
    }
    m_picture.SizeToContent();
    SetWindowText(m_title.c_str());
    SizeAndPlace();
    // The button keeps its device bitmap; the image itself is no longer needed.
    m_image.Reset();
    return TRUE;
}

void CBitmapDlg::SizeAndPlace() {
    Rect area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (m_parentWindow && m_parentWindow->exists()) m_parentWindow->GetClientRect(&area);
    const int frameX = GetSystemMetrics(SM_CXDLGFRAME);
    const int frameY = GetSystemMetrics(SM_CYDLGFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    // A picture larger than the area shows its top-left part.
    const int clientWidth =
        std::max(0, std::min(m_picture.bitmapWidth(), area.width() - 2 * frameX));
    const int clientHeight =
        std::max(0, std::min(m_picture.bitmapHeight(), area.height() - caption - 2 * frameY));
    const int width = clientWidth + 2 * frameX;
    const int height = clientHeight + caption + 2 * frameY;
    MoveWindow(m_centre.x - width / 2, m_centre.y - height / 2, width, height, TRUE);
    Rect client;
    GetClientRect(&client);
    m_picture.MoveWindow(client, TRUE);
}

BOOL CBitmapDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == kPictureId && HIWORD(wParam) == BN_CLICKED) {
        if (m_closeOnClick == 1) EndDialog(kClosedByClick);
        return TRUE;
    }
    return platform::Dialog::OnCommand(wParam, lParam);
}

BOOL CBitmapDlg::OnQueryNewPalette() {
    return RealizeWindowPalette(GetSafeHwnd(), m_palette);
}

void CBitmapDlg::OnPaletteChanged(platform::Window* focusWindow) {
    if (focusWindow != this) RealizeWindowPalette(GetSafeHwnd(), m_palette);
}
