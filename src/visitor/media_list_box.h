// The visitor center's media list: an owner-drawn list box whose entries each point at one media
// record and show the record's type icon and three lines, its site, caption and credits.
#pragma once

#include "hotspots/panorama_hotspots.h"
#include "platform/qt/dc.h"
#include "platform/qt/gdi.h"
#include "platform/qt/list_box.h"

class CMediaListBox : public platform::ListBox {
public:
    // Icons drawn beside the entries, by media type: 1 a map, 2 a photograph, 5 a video.
    static constexpr int kMapIcon = 191;
    static constexpr int kPhotoIcon = 190;
    static constexpr int kVideoIcon = 192;
    static constexpr int kIconSize = 32;
    static constexpr int kIconLeft = 10;
    // The text starts this far right of the icon's width (which counts when no icon is drawn).
    static constexpr int kTextGap = 20;

    // Loads the three icons; TRUE when all of them were loaded (icons are then drawn).
    BOOL LoadIcons();
    BOOL iconsLoaded() const { return m_iconsLoaded; }
    // The icon of a media type, or null for types without one.
    HICON iconOf(int mediaType) const;
    // The record an entry points at, or null.
    MediaInfo* recordAt(int index) const;
    // The entry font once it was made (after the first entry was drawn).
    const platform::Font& entryFont() const { return m_font; }

    void DrawItem(platform::DRAWITEMSTRUCT* item) override;

private:
    BOOL m_iconsLoaded = FALSE;
    HICON m_mapIcon = nullptr;
    HICON m_photoIcon = nullptr;
    HICON m_videoIcon = nullptr;
    platform::Font m_font; // made on first use and kept for the list's life
};
