// Drawing the media list's entries.
#include "visitor/media_list_box.h"

#include "platform/qt/resources.h"

BOOL CMediaListBox::LoadIcons() {
    m_mapIcon = LoadIcon(kMapIcon);
    m_photoIcon = LoadIcon(kPhotoIcon);
    m_videoIcon = LoadIcon(kVideoIcon);
    m_iconsLoaded = m_mapIcon && m_photoIcon && m_videoIcon;
    return m_iconsLoaded;
}

HICON CMediaListBox::iconOf(int mediaType) const {
    switch (mediaType) {
    case 1:
        return m_mapIcon;
    case 2:
        return m_photoIcon;
    case 5:
        return m_videoIcon;
    default:
        return nullptr;
    }
}

MediaInfo* CMediaListBox::recordAt(int index) const {
    return static_cast<MediaInfo*>(GetItemDataPtr(index));
}

void CMediaListBox::DrawItem(platform::DRAWITEMSTRUCT* item) {
    if (!item || !item->hDC) return;
    platform::DC* dc = item->hDC;
    const Rect rect = item->rcItem;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    dc->FillSolidRect(rect, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    Rect edge = rect;
    dc->DrawEdge(&edge, EDGE_BUMP, BF_RECT);

    const auto* record = reinterpret_cast<const MediaInfo*>(item->itemData);
    if (!record || UINT_PTR(item->itemData) == UINT_PTR(LB_ERR)) return;
    // Nothing of the entry is drawn over its edge.
    dc->IntersectClipRect(edge);
    const int entryHeight = rect.height();
    if (m_iconsLoaded)
        if (HICON icon = iconOf(record->media_type))
            dc->DrawIconEx(rect.left + kIconLeft, rect.top + (entryHeight - kIconSize) / 2, icon,
                           kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
    const int x = rect.left + kIconSize + kTextGap;

    if (!m_font.hasHandle())
        m_font.CreateFont((entryHeight + 2) / 4, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    platform::Font* previous = m_font.hasHandle() ? dc->SelectObject(&m_font) : nullptr;
    TEXTMETRIC metrics;
    int gap = (entryHeight + 2) / 16;
    int lineHeight = (entryHeight + 2) / 4;
    if (dc->GetTextMetrics(&metrics)) {
        gap = int(metrics.tmExternalLeading);
        lineHeight = int(metrics.tmHeight);
    }
    const int block = 3 * lineHeight + 2 * gap;
    const int y0 = block <= entryHeight ? rect.top + (entryHeight - block) / 2 : rect.top;
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    dc->TextOut(x, y0, record->site);
    dc->TextOut(x, y0 + lineHeight + 2 * gap, record->caption);
    dc->TextOut(x, y0 + 2 * lineHeight + 4 * gap, record->credits);
    if (previous) dc->SelectObject(previous);
}
