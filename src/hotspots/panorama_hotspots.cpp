// The panorama window's hotspots: loading of the hotspot and media tables and the menus, hit
// testing, hover, frames, marking and flashing, and the Features menu.
#include "hotspots/panorama_hotspots.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>
#include <utility>

#include "hotspots/slide_popup_menu.h"
#include "platform/core/palette_message_box.h"
#include "platform/qt/cursor.h"

namespace {

// SVHOTSPO's fields and tag, in the order they are looked up.
enum HotspotField { kHsId, kHotspotLink, kX, kY, kWidth, kHeight, kPoi, kCamp };
// SVMMINFO's fields and tag, in the order they are looked up.
enum MediaField { kMediaLink, kMediaLinkPlus, kMediaName, kMediaType, kSite, kCaption, kCredits };

// The sequence of the first media record of a link.
constexpr const char* kFirstSequence = "00";

std::string fullText(Field4* field) {
    return Str4large(*field).str();
}

std::string trimmedText(Field4* field) {
    Str4large text(*field);
    text.trim();
    return text.str();
}

std::string trimmedBlanks(const std::string& text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// A hotspot's edges: a table may hold any number, so the sums are made wide and kept in range.
std::int32_t edge(int start, int extent) {
    return std::int32_t(
        std::clamp<std::int64_t>(std::int64_t(start) + extent, INT32_MIN, INT32_MAX));
}

// Whether every handle the reader uses was found (a missing one has been reported by the table
// layer, whose error then stays in the context).
bool allFound(const OpenTable& table) {
    return std::none_of(table.fields.begin(), table.fields.end(),
                        [](const Field4* f) { return f == nullptr; }) &&
           std::none_of(table.tags.begin(), table.tags.end(),
                        [](const Tag4* t) { return t == nullptr; });
}

} // namespace

std::string MakeMediaKey(const std::string& link, const std::string& sequence, unsigned linkWidth,
                         unsigned sequenceWidth) {
    std::string key = link;
    if (key.size() < linkWidth) key.append(linkWidth - key.size(), ' ');
    std::string padded = sequence;
    if (padded.size() < sequenceWidth) padded.append(sequenceWidth - padded.size(), ' ');
    return key + padded;
}

PanoramaHotspots::PanoramaHotspots(HotspotHost host, HotspotConstants constants)
    : m_host(std::move(host)), m_constants(constants) {}

PanoramaHotspots::~PanoramaHotspots() {
    closeTablesQuietly();
}

void PanoramaHotspots::showMessage(const char* text) const {
    MessageBoxWithPalette(m_host.window ? m_host.window->GetSafeHwnd() : nullptr, m_host.palette,
                          text, m_host.title ? m_host.title->c_str() : "", MB_ICONEXCLAMATION);
}

void PanoramaHotspots::fail(const char* text) const {
    showMessage(text);
    throw CPanDlgException();
}

// ---- Loading -----------------------------------------------------------------------------------

void PanoramaHotspots::LoadHotspotsAndMenus() {
    platform::WaitCursor wait;
    m_hasFeatures = 0;
    m_hovered = -1;
    const int expected = m_hotspotCount;
    try {
        loadMenus();
        openTables();

        bool arrays = true;
        try {
            m_hotspots = std::make_unique<HotspotInfo[]>(kMaxHotspots);
            m_media = std::make_unique<MediaInfo[]>(kMaxMedia);
        } catch (const std::bad_alloc&) {
            m_hotspots.reset();
            m_media.reset();
            arrays = false;
            showMessage("Out of memory for hotspot or multimedia info array");
        }
        m_hotspotCount = 0;
        m_mediaCount = 0;
        if (arrays) {
            // The viewpoint's own records come first and belong to no hotspot.
            CollectMedia(trimmedBlanks(*m_host.linkText), *m_host.linkText, nullptr);
            readHotspots();
            BuildPointsOfInterestMenu();
        }

        if (m_hotspotCount != expected) {
            char text[96];
            std::snprintf(text, sizeof text, "Actual number of hotspots, %d, not as expected, %d",
                          m_hotspotCount, expected);
            showMessage(text);
        }

        Data4* media = std::exchange(m_mediaTable.data, nullptr);
        if (d4close(media) != 0) showMessage("Could not properly close mminfo table");
        Data4* hotspots = std::exchange(m_hotspotTable.data, nullptr);
        if (d4close(hotspots) != 0) showMessage("Could not properly close hotspot table");

        m_hasFeatures = (m_hotspotCount >= 1 || m_mediaCount >= 1) ? 1 : 0;
    } catch (const CPanDlgException&) {
        // The message has been shown: the window runs on as a plain panorama.
        closeTablesQuietly();
        m_hotspotCount = 0;
        m_mediaCount = 0;
    } catch (const std::exception&) {
        closeTablesQuietly();
        m_hotspotCount = 0;
        m_mediaCount = 0;
        throw;
    }
}

void PanoramaHotspots::loadMenus() {
    m_pointsOfInterest = nullptr;
    m_featuresPopup = nullptr;
    m_featuresMenu = platform::LoadMenu(kFeaturesMenu);
    if (!m_featuresMenu) fail("Could not load features menu");
    m_featuresPopup = m_featuresMenu->GetSubMenu(0);
    if (!m_featuresPopup) fail("Could not load features menu");
    m_pointsOfInterest = m_featuresPopup->GetSubMenu(0);
    if (!m_pointsOfInterest || !m_pointsOfInterest->DeleteMenu(kPlaceholderItem, MF_BYCOMMAND))
        fail("Could not load points of interest menu");
}

void PanoramaHotspots::openTables() {
    const std::string& database = *m_host.databasePath;
    // A field or tag the table lacks leaves its handle null and the table layer's error in the
    // context: the table cannot be read, which counts as not opening it.
    if (openTableSequence(*m_host.context, database + "\\SVHOTSPO",
                          {"HSID", "MSLINK", "X", "Y", "WIDTH", "HEIGHT", "POI", "CAMP"}, {"HSID"},
                          m_hotspotTable) != 0 ||
        !allFound(m_hotspotTable))
        fail("Could not open hotspot table");
    d4tagSelect(m_hotspotTable.data, m_hotspotTable.tags[0]);

    if (openTableSequence(
            *m_host.context, database + "\\SVMMINFO",
            {"MSLINK", "MSLINKPLUS", "MEDIANAME", "MEDIATYPE", "SITE", "CAPTION", "CREDITS"},
            {"MSLINKPLUS"}, m_mediaTable) != 0 ||
        !allFound(m_mediaTable))
        fail("Could not open mminfo table");
    d4tagSelect(m_mediaTable.data, m_mediaTable.tags[0]);
}

void PanoramaHotspots::closeTablesQuietly() {
    // An open table whose handles were not all found is closed here too.
    if (Data4* media = std::exchange(m_mediaTable.data, nullptr)) d4close(media);
    if (Data4* hotspots = std::exchange(m_hotspotTable.data, nullptr)) d4close(hotspots);
}

std::string PanoramaHotspots::mediaKey(const std::string& link, const char* sequence) const {
    return MakeMediaKey(link, sequence, f4len(m_mediaTable.fields[kMediaLink]),
                        f4len(m_mediaTable.fields[kMediaLinkPlus]));
}

void PanoramaHotspots::readHotspots() {
    Data4* table = m_hotspotTable.data;
    const auto& fields = m_hotspotTable.fields;
    const char* code = m_host.panCode->c_str();
    // Exactly the records whose HSID begins with the panorama code, in HSID order.
    for (int rc = d4seek(table, code); rc == 0 && m_hotspotCount < kMaxHotspots;
         rc = d4seekNext(table, code)) {
        const int x = int(*fields[kX]);
        const int y = int(*fields[kY]);
        const int width = int(*fields[kWidth]);
        const int height = int(*fields[kHeight]);
        const std::string link = fullText(fields[kHotspotLink]);
        const int poi = int(*fields[kPoi]) != 0 ? 1 : 0;
        // A hotspot without its first media record is skipped.
        if (d4seek(m_mediaTable.data, mediaKey(link, kFirstSequence).c_str()) != 0) continue;
        HotspotInfo& hotspot = m_hotspots[std::size_t(m_hotspotCount)];
        hotspot = HotspotInfo{};
        hotspot.rect = Rect{x, y, edge(x, width), edge(y, height)};
        hotspot.mslink = link;
        hotspot.poi = poi;
        CollectMedia(link, link, &hotspot);
        ++m_hotspotCount;
    }
}

void PanoramaHotspots::CollectMedia(const std::string& seekText, const std::string& compareText,
                                    HotspotInfo* owner) {
    Data4* table = m_mediaTable.data;
    const auto& fields = m_mediaTable.fields;
    if (d4seek(table, mediaKey(seekText, kFirstSequence).c_str()) != 0) return;
    std::string link = fullText(fields[kMediaLink]);
    // Links are compared on full field texts, trailing blanks included.
    while (link == compareText && m_mediaCount < kMaxMedia) {
        MediaInfo& record = m_media[std::size_t(m_mediaCount)];
        record = MediaInfo{};
        record.media_name = trimmedText(fields[kMediaName]);
        record.media_type = int(*fields[kMediaType]);
        record.site = trimmedText(fields[kSite]);
        record.caption = trimmedText(fields[kCaption]);
        record.credits = CDlgBar::ConvertCopyright(trimmedText(fields[kCredits]));
        record.mslinkplus = fullText(fields[kMediaLinkPlus]);
        record.mslink = link;
        if (owner && owner->first_media == -1) owner->first_media = m_mediaCount;
        ++m_mediaCount;
        if (d4seekNext(table, seekText.c_str()) != 0) break;
        link = fullText(fields[kMediaLink]);
    }
}

// ---- Points of Interest menu -------------------------------------------------------------------

int PanoramaHotspots::menuItemHeight(const TEXTMETRIC& metrics) {
    return (4 * (metrics.tmHeight + metrics.tmExternalLeading)) / 3 - 1;
}

void PanoramaHotspots::BuildPointsOfInterestMenu() {
    m_menuFont.DeleteObject();
    NONCLIENTMETRICS metrics{};
    metrics.cbSize = sizeof metrics;
    const bool haveFont =
        SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) &&
        m_menuFont.CreateFontIndirect(&metrics.lfMenuFont);
    std::unique_ptr<platform::ClientDC> dc;
    if (m_host.window && m_host.window->exists()) dc = m_host.window->GetDC();
    if (!haveFont || !dc) {
        dc.reset();
        fail("Could not format menus");
    }

    TEXTMETRIC text{};
    const int mapMode = dc->SetMapMode(MM_TEXT);
    platform::Font* previous = dc->SelectObject(&m_menuFont);
    const BOOL measured = dc->GetTextMetrics(&text);
    dc->SelectObject(previous);
    dc->SetMapMode(mapMode);
    dc.reset();
    if (!measured) fail("Could not format menus");

    // The window covers the screen: a column ends at its client area's bottom.
    AppendPointsOfInterest(menuItemHeight(text), m_host.clientRect->height());
}

void PanoramaHotspots::AppendPointsOfInterest(int itemHeight, int columnLimit) {
    if (!m_pointsOfInterest || !m_hotspots || !m_media) return;
    int y = 0;
    for (int i = 0; i < m_hotspotCount; ++i) {
        const HotspotInfo& hotspot = m_hotspots[std::size_t(i)];
        if (hotspot.first_media < 0 || hotspot.first_media >= m_mediaCount) continue;
        const MediaInfo& first = m_media[std::size_t(hotspot.first_media)];
        std::string label = first.site;
        if (label == "Overview Map" || (label == "Video" && !trimmedBlanks(first.caption).empty()))
            label = first.caption;
        if (hotspot.poi != 1) continue;
        UINT flags = MF_STRING;
        if (columnLimit < y + itemHeight) {
            flags |= MF_MENUBARBREAK;
            y = 0;
        }
        if (!m_pointsOfInterest->AppendMenu(flags, kFirstPointOfInterest + UINT(i), label.c_str()))
            fail("Could not build points of interest menu");
        y += itemHeight;
    }
}

// ---- Hit testing, hover and frames -------------------------------------------------------------

int PanoramaHotspots::HitTestHotspot(int x, int y) const {
    if (!m_hasFeatures || !m_hotspots || !m_host.displayRect->contains(Point{x, y})) return -1;
    const Point p = m_host.panorama->WindowToImage(x, y);
    for (int i = 0; i < m_hotspotCount; ++i)
        if (m_hotspots[std::size_t(i)].rect.contains(p)) return i;
    return -1;
}

void PanoramaHotspots::HoverStep(Point point) {
    const int current = HitTestHotspot(point.x, point.y);
    if (current == -1 && m_hovered != -1) {
        InvalidateHotspotFrame(std::exchange(m_hovered, -1));
        ShowHotspotStatus(-1);
    }
    if (current != -1 && current != m_hovered) {
        if (m_hovered != -1) InvalidateHotspotFrame(m_hovered);
        m_hovered = current;
        InvalidateHotspotFrame(current);
        ShowHotspotStatus(current);
    }
}

void PanoramaHotspots::ClearHover() {
    if (m_hovered == -1) return;
    InvalidateHotspotFrame(std::exchange(m_hovered, -1));
    ShowHotspotStatus(-1);
}

void PanoramaHotspots::ShowHotspotStatus(int index) {
    if (!m_host.commandBar) return;
    if (validIndex(index) && m_media) {
        const int first = m_hotspots[std::size_t(index)].first_media;
        if (first >= 0 && first < m_mediaCount && !m_media[std::size_t(first)].site.empty()) {
            m_host.commandBar->SetBarText(m_media[std::size_t(first)].site, FALSE);
            return;
        }
    }
    m_host.commandBar->SetBarText(*m_host.copyrightText, TRUE);
}

Rect PanoramaHotspots::frameRect(int index) const {
    if (!validIndex(index)) return Rect{};
    return m_host.panorama->ImageRectToWindow(m_hotspots[std::size_t(index)].rect);
}

Rect PanoramaHotspots::repaintArea(int index) const {
    return frameRect(index).inflate(m_constants.frameMarginX, m_constants.frameMarginY);
}

bool PanoramaHotspots::frameVisible(int index) const {
    if (!validIndex(index)) return false;
    const HotspotInfo& hotspot = m_hotspots[std::size_t(index)];
    return index == m_hovered || (hotspot.marked == 1 && hotspot.flash_ticks % 2 == 0);
}

void PanoramaHotspots::DrawHotspotFrames(platform::DC* dc, const Rect& update) {
    if (!m_hasFeatures || !dc || !m_hotspots) return;
    platform::Pen pen(PS_SOLID, m_constants.framePenWidth, kFrameColour);
    platform::Pen* previousPen = dc->SelectObject(&pen);
    platform::GdiObject* previousBrush = dc->SelectStockObject(NULL_BRUSH);
    for (int i = 0; i < m_hotspotCount; ++i) {
        const Rect frame = frameRect(i);
        // A rectangle with no inside (a width or height of zero or less in the table) is never
        // hovered and gets no frame, which its repaints could not keep clean.
        if (!frameVisible(i) || frame.isEmpty()) continue;
        const Rect area = frame.inflate(m_constants.frameMarginX, m_constants.frameMarginY);
        if (!area.intersect(update).isEmpty()) dc->Rectangle(frame);
    }
    dc->SelectObject(previousPen);
    dc->SelectObject(previousBrush);
}

void PanoramaHotspots::InvalidateHotspotFrame(int index) {
    if (!validIndex(index) || !m_host.window || !m_host.window->exists()) return;
    const Rect area = repaintArea(index).intersect(*m_host.displayRect);
    if (!area.isEmpty()) m_host.window->InvalidateRect(&area, FALSE);
}

// ---- Marking and flashing ----------------------------------------------------------------------

void PanoramaHotspots::ToggleHotspotMark(UINT command) {
    if (!m_hasFeatures || command < kFirstPointOfInterest) return;
    const UINT index = command - kFirstPointOfInterest;
    if (index >= UINT(std::max(m_hotspotCount, 0)) || !m_hotspots) return;
    const int i = int(index);
    HotspotInfo& hotspot = m_hotspots[index];
    platform::Window* window = m_host.window;

    if (hotspot.marked) {
        hotspot.marked = 0;
        if (hotspot.flash_ticks > 0) window->KillTimer(index);
        hotspot.flash_ticks = 0;
        if (hotspot.poi == 1 && m_pointsOfInterest)
            m_pointsOfInterest->CheckMenuItem(command, MF_BYCOMMAND | MF_UNCHECKED);
        InvalidateHotspotFrame(i);
        return;
    }

    hotspot.marked = 1;
    hotspot.flash_ticks = m_constants.flashTickCount;
    // Without a timer the frame simply stays on.
    if (window->SetTimer(index, UINT(m_constants.flashPeriod)) == 0) hotspot.flash_ticks = 0;
    if (hotspot.poi == 1 && m_pointsOfInterest)
        m_pointsOfInterest->CheckMenuItem(command, MF_BYCOMMAND | MF_CHECKED);
    // The frame shows at once, also when the view does not move.
    InvalidateHotspotFrame(i);

    // Centre the view on the hotspot; ScrollTo keeps the view inside the image.
    Cmemdib& view = *m_host.panorama;
    const Rect& clip = view.clip_rect;
    const Rect& r = hotspot.rect;
    const std::int64_t a =
        (std::int64_t(clip.left) - clip.right) / 2 + (std::int64_t(r.left) + r.right) / 2;
    const std::int64_t b =
        (std::int64_t(clip.top) - clip.bottom) / 2 + (std::int64_t(r.top) + r.bottom) / 2;
    view.ScrollTo(int(std::clamp<std::int64_t>(a, INT32_MIN, INT32_MAX)),
                  int(std::clamp<std::int64_t>(b, INT32_MIN, INT32_MAX)), window->GetSafeHwnd());
    if (m_host.syncScrollBars) m_host.syncScrollBars();
}

BOOL PanoramaHotspots::OnFlashTimer(UINT_PTR id) {
    if (id >= UINT_PTR(std::max(m_hotspotCount, 0))) return FALSE;
    if (!m_hasFeatures || !m_hotspots) return TRUE;
    HotspotInfo& hotspot = m_hotspots[id];
    if (hotspot.flash_ticks > 0) --hotspot.flash_ticks;
    if (hotspot.flash_ticks <= 0) m_host.window->KillTimer(id);
    InvalidateHotspotFrame(int(id));
    return TRUE;
}

// ---- Features menu -----------------------------------------------------------------------------

void PanoramaHotspots::ShowFeaturesMenu() {
    platform::Window* window = m_host.window;
    if (m_hasFeatures && m_featuresPopup && m_host.commandBar) {
        // The menu opens upwards from the Features button's top-left corner.
        const Rect button = m_host.commandBar->buttonScreenRect(CDlgBar::kFeaturesId);
        if (m_host.useSlideMenus && *m_host.useSlideMenus) {
            CSlidePopupMenu menu(m_featuresPopup, &m_menuFont, m_host.palette, nullptr);
            menu.Track(TPM_BOTTOMALIGN, button.left, button.top, window, TRUE);
        } else {
            TrackPopupMenu(m_featuresPopup, TPM_BOTTOMALIGN | TPM_LEFTALIGN, button.left,
                           button.top, window);
        }
    }
    if (window && window->exists()) window->UpdateWindow();
}
