// The hotspots of the panorama window: the viewpoint's hotspot and media records read from
// SVHOTSPO and SVMMINFO into arrays of fixed size, the Features and Points of Interest menus, hit
// testing and hover, marking and flashing, and the red frames drawn over the panorama. The
// panorama window owns one PanoramaHotspots and forwards its messages to it; what the hotspots
// need of that window comes in through HotspotHost.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "hotspots/dlg_bar.h"
#include "imaging/cmemdib.h"
#include "platform/core/palette.h"
#include "platform/core/win_types.h"
#include "platform/qt/dc.h"
#include "platform/qt/gdi.h"
#include "platform/qt/menu.h"
#include "platform/qt/window.h"
#include "tables/table_layer.h"

// One hotspot: a rectangle of the panorama linked to media records.
struct HotspotInfo {
    int marked = 0;       // chosen from the Points of Interest menu
    int flash_ticks = 0;  // flash timer ticks still to come
    int first_media = -1; // index of the hotspot's first media record, -1 while none is stored
    Rect rect;            // panorama pixels; right and bottom exclusive
    std::string mslink;   // MSLINK as read, full field width
    int poi = 0;          // 1: listed in the Points of Interest menu
};

// One media record (a photograph, video or map) of the viewpoint or of a hotspot.
struct MediaInfo {
    int list_index = -1; // where the visitor center lists the record; -1 when loaded
    std::string media_name;
    int media_type = 0;
    std::string site;
    std::string caption;
    std::string credits; // with the copyright sign in place of a leading "(c)" or "c"
    std::string mslinkplus;
    std::string mslink;
};

// Thrown inside the hotspot and menu loading right after its message was shown, and caught there:
// the window then runs without hotspots.
class CPanDlgException : public std::exception {
public:
    const char* what() const noexcept override { return "CPanDlgException"; }
};

// What the hotspots need of the window that shows them: pointers to the window's own fields, set
// once when the window is constructed. The window outlives its hotspots.
struct HotspotHost {
    platform::Window* window = nullptr; // messages, timers, invalidation, menu owner
    Cmemdib* panorama = nullptr;        // the view: clip_rect, dest_rect, image_rect
    const Rect* displayRect = nullptr;  // where the panorama is shown in the client area
    const Rect* clientRect = nullptr;
    platform::Palette* palette = nullptr;
    const std::string* title = nullptr; // caption of the messages
    CDlgBar* commandBar = nullptr;
    const std::string* databasePath = nullptr;
    const std::string* panCode = nullptr;
    Code4* context = nullptr;
    const std::string* linkText = nullptr;      // the viewpoint's MSLINK, full field text
    const std::string* copyrightText = nullptr; // COPYRIGHT, trailing blanks removed
    const BOOL* useSlideMenus = nullptr;
    // Moves the scroll bars' thumbs after the view was moved by program.
    std::function<void()> syncScrollBars;
};

// The constants the panorama window gives its hotspots when it is constructed.
struct HotspotConstants {
    int flashTickCount = 6;
    int flashPeriod = 167; // milliseconds
    int framePenWidth = 2;
    int frameMarginX = 1; // how far a frame's repaint area reaches beyond its rectangle
    int frameMarginY = 1;
};

// The key of the media table's MSLINKPLUS tag: the link left-aligned and blank-padded to the
// width of the MSLINK field, then the sequence padded to the width of MSLINKPLUS. Longer texts
// are kept whole.
std::string MakeMediaKey(const std::string& link, const std::string& sequence, unsigned linkWidth,
                         unsigned sequenceWidth);

class PanoramaHotspots {
public:
    static constexpr int kMaxHotspots = 100;
    static constexpr int kMaxMedia = 125;
    static constexpr UINT kFeaturesMenu = 156;
    static constexpr UINT kPlaceholderItem = 32777;
    static constexpr UINT kVisitorCenterCommand = 32773;
    // Points of Interest items: this + the hotspot's index.
    static constexpr UINT kFirstPointOfInterest = 20000;
    static constexpr COLORREF kFrameColour = RGB(255, 0, 0);

    PanoramaHotspots(HotspotHost host, HotspotConstants constants);
    ~PanoramaHotspots();
    PanoramaHotspots(const PanoramaHotspots&) = delete;
    PanoramaHotspots& operator=(const PanoramaHotspots&) = delete;

    // Before loading the hotspot count holds the number the viewpoint's record expects.
    void setExpectedCount(int count) { m_hotspotCount = count; }

    // Loads the Features menu, reads the hotspots and media records and builds the Points of
    // Interest menu. Failures are shown and leave the window without hotspots.
    void LoadHotspotsAndMenus();

    // The hotspot under a client point (the lowest index where hotspots overlap), or -1.
    int HitTestHotspot(int x, int y) const;
    // The hover step for a client point: frames and bar text follow the hotspot under it.
    void HoverStep(Point point);
    // Forgets the hovered hotspot (the mouse left the client area).
    void ClearHover();
    // The command bar shows the site of the hotspot's first media record, or (-1, or without a
    // site) the viewpoint's copyright text.
    void ShowHotspotStatus(int index);
    // Draws the frames that are visible and meet the update rectangle (client coordinates).
    void DrawHotspotFrames(platform::DC* dc, const Rect& update);
    // Invalidates the frame's repaint area within the display rectangle, without erasing.
    void InvalidateHotspotFrame(int index);
    // The Points of Interest command: marks the hotspot (check mark, flashing, the view centred
    // on it) or unmarks it.
    void ToggleHotspotMark(UINT command);
    // A timer tick. FALSE when the id is not a hotspot's (it then belongs to someone else).
    BOOL OnFlashTimer(UINT_PTR id);
    // The Features menu, opening upwards from the Features button of the command bar.
    void ShowFeaturesMenu();

    // The height of one Points of Interest item for the menu font's metrics.
    static int menuItemHeight(const TEXTMETRIC& metrics);
    // Appends one item per listed hotspot to the Points of Interest popup, starting a new column
    // before an item that would reach below columnLimit. Throws CPanDlgException (after its
    // message) when an item cannot be appended.
    void AppendPointsOfInterest(int itemHeight, int columnLimit);

    // ---- Read access ----
    int hotspotCount() const { return m_hotspotCount; }
    int mediaCount() const { return m_mediaCount; }
    BOOL hasFeatures() const { return m_hasFeatures; }
    int hovered() const { return m_hovered; }
    // The arrays (null before loading); hotspotCount() and mediaCount() entries are in use.
    HotspotInfo* hotspots() { return m_hotspots.get(); }
    const HotspotInfo* hotspots() const { return m_hotspots.get(); }
    MediaInfo* media() { return m_media.get(); }
    const MediaInfo* media() const { return m_media.get(); }
    platform::Menu* featuresPopup() const { return m_featuresPopup; }
    platform::Menu* pointsOfInterestPopup() const { return m_pointsOfInterest; }
    platform::Font& menuFont() { return m_menuFont; }
    // A hotspot's frame in client coordinates, and the area its 2-pixel pen can reach.
    Rect frameRect(int index) const;
    Rect repaintArea(int index) const;
    bool frameVisible(int index) const;

private:
    bool validIndex(int index) const { return m_hotspots && index >= 0 && index < m_hotspotCount; }
    void showMessage(const char* text) const;
    // Shows the message and throws CPanDlgException.
    [[noreturn]] void fail(const char* text) const;
    void loadMenus();
    void openTables();
    void readHotspots();
    // Stores the media records of one link (the owner is the hotspot being loaded, or none).
    void CollectMedia(const std::string& seekText, const std::string& compareText,
                      HotspotInfo* owner);
    std::string mediaKey(const std::string& link, const char* sequence) const;
    void BuildPointsOfInterestMenu();
    void closeTablesQuietly();

    HotspotHost m_host;
    HotspotConstants m_constants;

    std::unique_ptr<HotspotInfo[]> m_hotspots;
    int m_hotspotCount = 0;
    std::unique_ptr<MediaInfo[]> m_media;
    int m_mediaCount = 0;
    int m_hovered = -1;
    BOOL m_hasFeatures = 0;
    std::unique_ptr<platform::Menu> m_featuresMenu;
    platform::Menu* m_featuresPopup = nullptr;
    platform::Menu* m_pointsOfInterest = nullptr;
    platform::Font m_menuFont;

    // The two tables, open only while loading.
    OpenTable m_hotspotTable;
    OpenTable m_mediaTable;
};
