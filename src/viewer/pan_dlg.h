// The panorama window: the program's one main window, a modal dialog that covers the screen and
// shows the panorama of one viewpoint at one-to-one scale. It owns everything of the run: the
// table context, the panorama and the shared palette, the edge-scroll controller, the hotspots
// with their media records and menus, the command bar, the print job and the three user settings.
// It loads the viewpoint when it is created and lays out the view and loads the hotspots when it
// initialises; any loading failure of the viewpoint ends the run.
#pragma once

#include <memory>
#include <string>

#include "hotspots/bitmap_dlg.h"
#include "hotspots/dlg_bar.h"
#include "hotspots/panorama_hotspots.h"
#include "imaging/cmemdib.h"
#include "platform/core/palette.h"
#include "platform/qt/controls.h"
#include "platform/qt/dialog.h"
#include "tables/table_layer.h"
#include "viewer/gutter_scroll.h"

class CAboutDlg;
class CMMVCDlg;
class CPrintJob;

class CPanDlg : public platform::Dialog {
public:
    // The edge-scroll repeat timer; hotspot flash timers use the hotspot indexes 0 to 99.
    static constexpr UINT kGutterTimerId = 20100;
    // Posted by a paint whose drawing failed: the message box runs outside the paint.
    static constexpr UINT kDrawFailedMessage = WM_APP + 1;
    // The window background unless the system's dialog colour is chosen (palette-relative
    // 255, 255, 217), and the command bar's (238, 232, 180).
    static constexpr COLORREF kBackgroundColour = 0x02D9FFFF;
    static constexpr COLORREF kCommandBarColour = 0x02B4E8EE;
    // Hotspot marking: flash ticks of a marked hotspot, the flash timer's period in milliseconds,
    // the frame's pen width and how far a frame's repaint area reaches beyond its rectangle.
    static constexpr int kFlashTickCount = 6;
    static constexpr int kFlashPeriod = 167;
    static constexpr int kFramePenWidth = 2;
    static constexpr int kFrameMarginX = 1;
    static constexpr int kFrameMarginY = 1;

    CPanDlg(const std::string& panCode, const std::string& panPath, const std::string& databasePath,
            platform::Window* parent = nullptr);
    ~CPanDlg() override;

    // Reads the three settings from the settings file into the window's fields.
    void ReadSettings();
    // Writes the three fields to the settings file.
    void WriteSettings();
    // Places the display rectangle in the view, shows or hides the scroll bars and centres the
    // view on the image.
    void LayoutPanoramaView();
    // Reads the viewpoint's hotspots and media records and builds the Features menus; failures
    // leave the window without hotspots.
    void LoadHotspotsAndMenus();

    // ---- Hotspots (the hotspot object does the work) ----
    // The hotspot under a client point, or -1.
    int HitTestHotspot(int x, int y) const;
    void DrawHotspotFrames(platform::DC* dc, const Rect& update);
    void InvalidateHotspotFrame(int index);
    void ShowHotspotStatus(int index);
    // Points of Interest commands 20000 to 20099.
    void ToggleHotspotMark(UINT command);
    // Command 1007: the Features menu above the command bar's Features button.
    void ShowFeaturesMenu();
    // The visitor center with the media records, showing the record at the start index first.
    void OpenVisitorCenter(int startIndex);
    // Command 1006: the locator map, the panorama code's "I.JPG" picture in the image folder.
    void ShowLocatorMap();

    // ---- Read access for the program's other parts and for tests ----
    const std::string& title() const { return m_title; }
    const std::string& imagePath() const { return m_imagePath; }
    const std::string& linkText() const { return m_linkText; }
    const std::string& viewpointName() const { return m_viewpointName; }
    const std::string& copyrightText() const { return m_copyrightText; }
    // NUMHOTSPOT until the hotspots are loaded, then the number loaded.
    int hotspotCount() const { return m_hotspots.hotspotCount(); }
    PanoramaHotspots& hotspots() { return m_hotspots; }
    // How often the visitor center was opened, and the start index it was last opened with.
    int visitorCenterRequests() const { return m_visitorCenterRequests; }
    int visitorCenterStart() const { return m_visitorCenterStart; }
    // The visitor center while it runs, else null.
    CMMVCDlg* visitorCenter() const { return m_pVisitorWnd.get(); }
    // The locator map window while it runs, else null.
    CBitmapDlg* locatorWindow() const { return m_pLocatorWnd.get(); }
    BOOL contextReady() const { return m_contextReady; }
    Code4& context() { return m_code; }
    Cmemdib& panorama() { return m_panorama; }
    platform::Palette& palette() { return m_palette; }
    CGutterScroll& gutterScroll() { return m_gutterScroll; }
    CDlgBar& commandBar() { return m_dlgBar; }
    CPrintJob* printJob() const { return m_pPrintJob.get(); }
    platform::ScrollBar& horizontalBar() { return m_horzBar; }
    platform::ScrollBar& verticalBar() { return m_vertBar; }
    BOOL horizontalBarShown() const { return m_bHorzShown; }
    BOOL verticalBarShown() const { return m_bVertShown; }
    const Rect& windowRect() const { return m_windowRect; }
    const Rect& clientRect() const { return m_clientRect; }
    const Rect& viewRect() const { return m_viewRect; }
    const Rect& displayRect() const { return m_displayRect; }
    const Rect& commandBarRect() const { return m_barRect; }
    int horizontalLimit() const { return m_horzLimit; }
    int verticalLimit() const { return m_vertLimit; }
    HICON icon() const { return m_hIcon; }

    // The pause before the palette is realised again after loading and on activation, 100 ms
    // (tests shorten it).
    static void setRealizePause(unsigned milliseconds);
    // A run that measures start-up: after the first paint that drew the whole display rectangle,
    // prints "first paint <ms> ms ..." (milliseconds since the program started) and closes the
    // window.
    static void setExitAfterFirstPaint(bool exit);

protected:
    int OnCreate(platform::CREATESTRUCT* create) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(platform::DataExchange* dx) override;
    void OnNcDestroy() override;

    void OnPaint() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(platform::DC* dc) override;
    void OnHScroll(UINT code, UINT position, platform::ScrollBar* bar) override;
    void OnVScroll(UINT code, UINT position, platform::ScrollBar* bar) override;
    void OnLButtonDown(UINT flags, Point point) override;
    void OnLButtonDblClk(UINT flags, Point point) override;
    void OnLButtonUp(UINT flags, Point point) override;
    void OnMouseMove(UINT flags, Point point) override;
    BOOL OnSetCursor(platform::Window* window, UINT hitTest, UINT message) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT OnNcHitTest(Point screenPoint) override;
    void OnNcMouseMove(UINT hitTest, Point screenPoint) override;
    void OnNcLButtonDown(UINT hitTest, Point screenPoint) override;
    void OnSysCommand(UINT id, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    HICON OnQueryDragIcon() override;
    void OnActivateApp(BOOL active, DWORD threadId) override;
    BOOL OnQueryNewPalette() override;
    void OnPaletteChanged(platform::Window* focusWindow) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    BOOL OnMouseWheel(UINT flags, short delta, Point screenPoint) override;
    BOOL OnMouseHWheel(UINT flags, short delta, Point screenPoint) override;

private:
    // One loading failure: the message owned by this window, then creation fails.
    int failLoad(const char* text, const char* caption);
    // A left press or double-click: edge scrolling first.
    void OnClick(UINT flags, Point point, BOOL doubleClick);
    // The About box from the system menu, and what its settings change.
    void OpenAboutBox();
    // Moves the view to (x, y), clamped to the image, repaints the display rectangle and moves
    // the scroll bars' thumbs, then runs the hover step at the cursor: keyboard and wheel
    // scrolling.
    void ScrollViewTo(int x, int y);
    void ScrollViewBy(int dx, int dy);
    // Whether the cursor's screen position is in the window and in its client area; the client
    // point is stored when it is.
    bool cursorInClientArea(Point* client) const;
    // The hover step at the cursor when it is in the client area.
    void hoverAtCursor();
    void noteFirstPaint();

    // Fields, in the order of the design.
    std::unique_ptr<CAboutDlg> m_pAboutDlg;    // while the About box runs
    std::unique_ptr<CBitmapDlg> m_pLocatorWnd; // while the locator map runs
    std::unique_ptr<CMMVCDlg> m_pVisitorWnd;   // while the visitor center runs
    std::unique_ptr<CPrintJob> m_pPrintJob;    // made at initialisation
    std::string m_panCode;
    std::string m_panPath;
    std::string m_imagePath;
    std::string m_databasePath;
    Code4 m_code;
    BOOL m_contextReady = FALSE;
    std::string m_linkText;      // MSLINK, full field text
    std::string m_viewpointName; // PARKNAME, trailing blanks removed
    std::string m_copyrightText; // COPYRIGHT, trailing blanks removed
    std::string m_title;
    Cmemdib m_panorama;
    platform::Palette m_palette;
    CGutterScroll m_gutterScroll;
    PanoramaHotspots m_hotspots; // arrays, counts, hovered hotspot, menus and menu font

public:
    // The three settings (1 on, 0 off): defaults, then the settings file, then the About box.
    BOOL use_slide_menus = 1;
    BOOL use_windows_bkg_color = 0;
    BOOL use_standard_scroll = 1;

private:
    CDlgBar m_dlgBar;
    // Layout state.
    BOOL m_bHorzShown = FALSE;
    BOOL m_bVertShown = FALSE;
    Rect m_windowRect;
    Rect m_clientRect;
    Rect m_imageBounds;
    Rect m_viewRect;
    Rect m_displayRect;
    int m_horzLimit = 0;
    int m_vertLimit = 0;
    Rect m_barRect;
    platform::ScrollBar m_vertBar; // control 1036
    platform::ScrollBar m_horzBar; // control 1035
    int m_horzPos = 0;
    int m_vertPos = 0;
    HICON m_hIcon;

    // What OpenVisitorCenter was asked for.
    int m_visitorCenterRequests = 0;
    int m_visitorCenterStart = -1;

    // A drawing failure is reported once until drawing succeeds again.
    bool m_drawFailureShown = false;
    bool m_firstPaintNoted = false;
};
