// The command bar's bitmap button: pictures from bitmap resources or a memory bitmap, drawn by the
// button's state.
#include "hotspots/palette_bitmap_button.h"

#include "imaging/cmemdib.h"
#include "platform/qt/dc.h"

CPaletteBitmapButton::CPaletteBitmapButton(platform::Palette* palette) : m_palette(palette) {}

CPaletteBitmapButton::~CPaletteBitmapButton() = default;

void CPaletteBitmapButton::DeleteBitmaps() {
    m_up.reset();
    m_down.reset();
    m_focus.reset();
    m_disabled.reset();
    m_width = 0;
    m_height = 0;
}

std::unique_ptr<platform::DeviceBitmap> CPaletteBitmapButton::loadPicture(const char* name,
                                                                          HWND parent,
                                                                          BOOL plain_box,
                                                                          const char* caption) {
    if (!name || !*name) return nullptr;
    // The resource's bytes are used in place and released with the memory bitmap; the device
    // bitmap keeps its own pixels.
    Cmemdib image;
    if (!image.LoadBitmapResource(name, name, TRUE, parent, m_palette, plain_box, caption))
        return nullptr;
    return image.CreateDeviceBitmap(m_palette, TRUE, parent, m_palette, plain_box, caption);
}

BOOL CPaletteBitmapButton::LoadBitmaps(const char* up, const char* down, const char* focus,
                                       const char* disabled, HWND parent, BOOL plain_box,
                                       const char* caption) {
    DeleteBitmaps();
    m_up = loadPicture(up, parent, plain_box, caption);
    m_down = loadPicture(down, parent, plain_box, caption);
    m_focus = loadPicture(focus, parent, plain_box, caption);
    m_disabled = loadPicture(disabled, parent, plain_box, caption);
    if (!m_up) return FALSE;
    m_width = m_up->width;
    m_height = m_up->height;
    return TRUE;
}

BOOL CPaletteBitmapButton::LoadBitmapFromMemory(Cmemdib& image, HWND parent, BOOL plain_box,
                                                const char* caption) {
    DeleteBitmaps();
    m_up = image.CreateDeviceBitmap(m_palette, TRUE, parent, m_palette, plain_box, caption);
    if (!m_up) return FALSE;
    m_width = m_up->width;
    m_height = m_up->height;
    return TRUE;
}

BOOL CPaletteBitmapButton::SizeToContent() {
    if (!m_up || !exists()) return FALSE;
    SetWindowPos(nullptr, 0, 0, m_width, m_height, SWP_NOMOVE | SWP_NOZORDER);
    return TRUE;
}

const platform::DeviceBitmap* CPaletteBitmapButton::pictureFor(UINT itemState) const {
    if (!m_up) return nullptr;
    if ((itemState & ODS_SELECTED) && m_down) return m_down.get();
    if ((itemState & ODS_DISABLED) && m_disabled) return m_disabled.get();
    return m_up.get();
}

void CPaletteBitmapButton::DrawItem(platform::DRAWITEMSTRUCT* item) {
    if (!item || !item->hDC) return;
    if (const platform::DeviceBitmap* picture = pictureFor(item->itemState))
        item->hDC->DrawDeviceBitmap(item->rcItem.left, item->rcItem.top, *picture);
}
