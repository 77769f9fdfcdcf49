// The panorama window: construction, loading on creation, initialisation, view layout, painting,
// scrolling by scroll bars, edge, keys and wheel, the hotspots' messages and commands, the locator
// map, palette handling, the About box and tear-down.
#include "viewer/pan_dlg.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

#include "app/about_dlg.h"
#include "app/settings.h"
#include "platform/core/dos_path.h"
#include "platform/core/file.h"
#include "platform/core/palette_message_box.h"
#include "platform/core/system_metrics.h"
#include "platform/core/window_services.h"
#include "platform/qt/application.h"
#include "platform/qt/dc.h"
#include "platform/qt/menu.h"
#include "platform/qt/resources.h"
#include "printing/print_job.h"
#include "resources/resource_ids.h"
#include "viewer/view_layout.h"
#include "visitor/mmvc_dlg.h"

namespace {

unsigned g_realizePauseMs = 100;

// Lets the window system settle before the shared palette is realised again. Only a palette
// display shares one system palette between windows; on a true-colour display there is nothing to
// wait for.
void pauseBeforeRealizing() {
    if (platform::displayUsesPalette()) platform::windowServices()->Sleep(g_realizePauseMs);
}
bool g_exitAfterFirstPaint = false;

// The fields of SVNPARK the viewer reads, and its two tags, in the order they are looked up.
enum ParkField { kParkNo, kParkName, kNumHotspot, kCopyright, kMsLink, kParkFieldCount };
enum ParkTag { kNumHotspotTag, kParkNoTag };

void trimTrailingBlanks(std::string& text) {
    const std::size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
}

// The key of a character field: the text left-aligned and padded with blanks to the field's
// width; a longer text is kept whole.
std::string paddedKey(const std::string& text, unsigned width) {
    std::string key = text;
    if (key.size() < width) key.append(width - key.size(), ' ');
    return key;
}

// When the program started: taken while its static objects are made, before main() runs (only the
// loading of its libraries comes earlier). An exec'd program's process may be far older.
const std::chrono::steady_clock::time_point g_programStart = std::chrono::steady_clock::now();

double millisecondsSinceProgramStart() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                     g_programStart)
        .count();
}

} // namespace

void CPanDlg::setRealizePause(unsigned milliseconds) {
    g_realizePauseMs = milliseconds;
}

void CPanDlg::setExitAfterFirstPaint(bool exit) {
    g_exitAfterFirstPaint = exit;
}

// ---- Construction and tear-down ----------------------------------------------------------------

CPanDlg::CPanDlg(const std::string& panCode, const std::string& panPath,
                 const std::string& databasePath, platform::Window* parent)
    : platform::Dialog(IDD_PANORAMA_DIALOG, parent), m_panCode(panCode), m_panPath(panPath),
      m_databasePath(databasePath), m_gutterScroll(this, &m_palette, kGutterTimerId),
      m_hotspots(HotspotHost{this, &m_panorama, &m_displayRect, &m_clientRect, &m_palette, &m_title,
                             &m_dlgBar, &m_databasePath, &m_panCode, &m_code, &m_linkText,
                             &m_copyrightText, &use_slide_menus,
                             [this] {
                                 SyncScrollBars(m_bHorzShown, m_bVertShown, &m_horzBar, &m_vertBar,
                                                &m_panorama);
                             }},
                 HotspotConstants{kFlashTickCount, kFlashPeriod, kFramePenWidth, kFrameMarginX,
                                  kFrameMarginY}),
      m_dlgBar(CDlgBar::kPanoramaMode, &m_palette, kCommandBarColour, FALSE, TRUE),
      m_hIcon(LoadIcon(IDR_MAINFRAME)) {
    // A palette file from an earlier run fixes the palette; without one it stays empty until the
    // panorama makes it.
    m_panorama.MakePalette(&m_palette, PaletteFromFile, TRUE, nullptr, &m_palette, TRUE,
                           "Skyvista");
}

CPanDlg::~CPanDlg() {
    // A window still open (one made without the modal run) is closed while its handlers exist.
    if (exists()) DestroyWindow();
    m_pAboutDlg.reset();
    m_pLocatorWnd.reset();
    m_pVisitorWnd.reset();
    m_pPrintJob.reset();
    if (m_palette.hasHandle()) m_palette.DeleteObject();
    if (m_contextReady && code4initUndo(&m_code) != 0)
        MessageBoxWithPalette(nullptr, nullptr, "Could not properly close database",
                              m_title.c_str(), MB_ICONEXCLAMATION);
}

void CPanDlg::OnNcDestroy() {
    m_gutterScroll.SetArrowCursor();
    m_gutterScroll.stop_timing();
    platform::Dialog::OnNcDestroy();
    WriteSettings();
}

void CPanDlg::ReadSettings() {
    UserSettings settings{use_slide_menus, use_windows_bkg_color, use_standard_scroll};
    ReadSettingsFile(settings);
    use_slide_menus = settings.use_slide_menus;
    use_windows_bkg_color = settings.use_windows_bkg_color;
    use_standard_scroll = settings.use_standard_scroll;
}

void CPanDlg::WriteSettings() {
    WriteSettingsFile(UserSettings{use_slide_menus, use_windows_bkg_color, use_standard_scroll});
}

// ---- Loading -----------------------------------------------------------------------------------

int CPanDlg::failLoad(const char* text, const char* caption) {
    MessageBoxWithPalette(GetSafeHwnd(), &m_palette, text, caption, MB_ICONEXCLAMATION);
    return -1;
}

int CPanDlg::OnCreate(platform::CREATESTRUCT* create) {
    {
        platform::WaitCursor wait;
        ReadSettings();

        platform::Application* app = AfxGetApp();
        if (!app) return failLoad("Could not get application pointer", "Skyvistas");
        const std::string appName = app->m_pszAppName;
        const char* appCaption = appName.c_str();
        if (!LoadString(IDS_PANORAMA_TITLE, m_title))
            return failLoad("Could not load dialog window title", appCaption);
        if (platform::Dialog::OnCreate(create) == -1)
            return failLoad("Could not create main dialog window", appCaption);

        // The viewpoint's record.
        const std::string tablePath = m_databasePath + "\\SVNPARK";
        m_contextReady = code4init(&m_code) == 0 ? TRUE : FALSE;
        OpenTable table;
        if (!m_contextReady ||
            openTableSequence(m_code, tablePath,
                              {"PARKNO", "PARKNAME", "NUMHOTSPOT", "COPYRIGHT", "MSLINK"},
                              {"NUMHOTSPOT", "PARKNO"}, table) != 0)
            return failLoad("Could not open panorama table", appCaption);
        d4tagSelect(table.data, table.tags[kParkNoTag]);
        // A field the table lacks was reported by the table layer; the record cannot be read.
        const bool allFields = std::all_of(table.fields.begin(), table.fields.end(),
                                           [](Field4* field) { return field != nullptr; });
        if (!allFields ||
            d4seek(table.data, paddedKey(m_panCode, f4len(table.fields[kParkNo])).c_str()) != 0) {
            failLoad("Could not read panorama info from table", appCaption);
            d4close(table.data);
            return -1;
        }
        m_linkText = Str4large(*table.fields[kMsLink]).str();
        Str4large name(*table.fields[kParkName]);
        name.trim();
        m_viewpointName = name.str();
        Str4large copyright(*table.fields[kCopyright]);
        copyright.trim();
        m_copyrightText = copyright.str();
        m_hotspots.setExpectedCount(int(*table.fields[kNumHotspot]));
        if (d4close(table.data) != 0)
            return failLoad("Could not properly close panorama table", appCaption);

        trimTrailingBlanks(m_viewpointName);
        m_title += ": " + m_viewpointName;
        SetWindowText(m_title.c_str());

        // The panorama: from the image directory, else from the table directory.
        m_imagePath = m_panPath + "\\" + m_panCode + ".GZ";
        if (!platform::usableImageFile(m_imagePath))
            m_imagePath = m_databasePath + "\\" + m_panCode + ".GZ";
        const HWND self = GetSafeHwnd();
        Cmemdib::SetDisplayDepthFromWindow(self);
        if (!m_panorama.ReadImageFile(m_imagePath.c_str(), "Skyvista", TRUE, self, &m_palette,
                                      FALSE, m_title.c_str()))
            return failLoad("Could not read skyvista;\nperhaps try again after inserting CD-ROM.",
                            m_title.c_str());
        if (!m_palette.hasHandle() &&
            !m_panorama.MakePalette(&m_palette, PaletteFromBitmapAndSave, TRUE, self, &m_palette,
                                    FALSE, m_title.c_str()))
            return failLoad("Could not create panorama palette", m_title.c_str());
        pauseBeforeRealizing();
        RealizeWindowPalette(self, &m_palette);
        if (!m_gutterScroll.LoadCursors())
            return failLoad("Could not load arrow and scrolling cursors", m_title.c_str());
    }
    m_gutterScroll.SetArrowCursor();
    return 0;
}

// ---- Initialisation ----------------------------------------------------------------------------

void CPanDlg::DoDataExchange(platform::DataExchange* dx) {
    platform::Dialog::DoDataExchange(dx);
    // The scroll-bar controls are this window's bar objects from the first exchange on.
    if (!m_horzBar.exists()) m_horzBar.SubclassDlgItem(IDC_HORZ_SCROLLBAR, this);
    if (!m_vertBar.exists()) m_vertBar.SubclassDlgItem(IDC_VERT_SCROLLBAR, this);
    platform::DDX_Scroll(dx, IDC_HORZ_SCROLLBAR, m_horzPos);
    platform::DDX_Scroll(dx, IDC_VERT_SCROLLBAR, m_vertPos);
}

BOOL CPanDlg::OnInitDialog() {
    platform::WaitCursor wait;
    platform::Dialog::OnInitDialog();

    // The window cannot be restored, moved, sized or maximised; the About box comes last.
    if (platform::Menu* system = GetSystemMenu(FALSE)) {
        for (UINT command : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MAXIMIZE})
            system->DeleteMenu(command, MF_BYCOMMAND);
        std::string about;
        LoadString(IDS_ABOUTBOX, about);
        if (!about.empty()) {
            system->AppendMenu(MF_SEPARATOR);
            system->AppendMenu(MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_windowRect = Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MoveWindow(m_windowRect, TRUE);
    GetClientRect(&m_clientRect);
    LayoutPanoramaView();
    m_barRect = Rect{m_clientRect.left, m_clientRect.bottom - CDlgBar::kPanoramaHeight,
                     m_clientRect.right, m_clientRect.bottom};
    m_dlgBar.setPlacement(m_barRect);

    if (!m_dlgBar.Create(CDlgBar::kTemplateId, this)) {
        MessageBoxWithPalette(GetSafeHwnd(), &m_palette, "Could not create dialog bar",
                              m_title.c_str(), MB_ICONEXCLAMATION);
        EndDialog(IDCANCEL);
        return TRUE;
    }
    m_dlgBar.SetBarText(m_copyrightText, TRUE);
    LoadHotspotsAndMenus();

    try {
        m_pPrintJob =
            std::make_unique<CPrintJob>("", nullptr, this, TRUE, TRUE, TRUE, CPrintJob::kFullSize,
                                        CPrintJob::kPortrait, CPrintJob::kHighestQuality);
    } catch (const std::bad_alloc&) {
        MessageBoxWithPalette(GetSafeHwnd(), &m_palette, "Could not create print object in memory",
                              m_title.c_str(), MB_ICONEXCLAMATION);
        EndDialog(IDCANCEL);
        return TRUE;
    }
    return TRUE;
}

void CPanDlg::LoadHotspotsAndMenus() {
    m_hotspots.LoadHotspotsAndMenus();
}

// ---- View layout -------------------------------------------------------------------------------

void CPanDlg::LayoutPanoramaView() {
    const Rect& image = m_panorama.image_rect;
    m_viewRect = m_clientRect;
    m_viewRect.bottom -= CDlgBar::kPanoramaHeight;
    const Rect& v = m_viewRect;

    // The display rectangle: the view's corner and the smaller of view and image in each
    // direction; an image smaller than the view is centred in it.
    Rect t = v.offset(-v.left, -v.top);
    m_panorama.ClipToImage(t);
    Rect r = t.offset(v.left, v.top);
    m_imageBounds = image;
    if (v.height() > image.height()) {
        r.top += (v.height() - image.height()) / 2;
        r.bottom = r.top + image.height();
    }
    if (v.width() > image.width()) {
        r.left += (v.width() - image.width()) / 2;
        r.right = r.left + image.width();
    }
    Rect grown;
    LayoutScrollBars(r, grown, v, image, TRUE, TRUE, use_standard_scroll, m_bHorzShown,
                     m_bVertShown, &m_horzBar, &m_vertBar, m_horzLimit, m_vertLimit);

    // The shown part starts centred on the image's centre.
    Rect source = r.offset(-r.left, -r.top);
    source = source.offset((image.left + image.right) / 2 + (-r.width()) / 2,
                           (image.top + image.bottom) / 2 + (-r.height()) / 2);
    m_panorama.ClipToImage(source);
    m_displayRect = r;
    m_panorama.dest_rect = r;
}

// ---- Painting ----------------------------------------------------------------------------------

void CPanDlg::OnPaint() {
    platform::PaintDC dc(this);
    if (IsIconic()) {
        platform::Dialog::OnEraseBkgnd(&dc);
        Rect client;
        GetClientRect(&client);
        const int x = (client.width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    const Rect update = dc.m_ps.rcPaint.intersect(m_displayRect);
    if (!m_panorama.Draw(&dc, &m_palette, &update)) {
        // Reported once; a failure that persists would otherwise come back with every repaint
        // the message box itself causes. The box waits until the paint is over.
        if (!m_drawFailureShown) {
            m_drawFailureShown = true;
            PostMessage(kDrawFailedMessage);
        }
    } else {
        m_drawFailureShown = false;
    }
    // Frames stay inside the display: their repaints never reach beyond it.
    dc.IntersectClipRect(m_displayRect);
    DrawHotspotFrames(&dc, update);
    if (update == m_displayRect && !update.isEmpty()) noteFirstPaint();
}

LRESULT CPanDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDrawFailedMessage) {
        MessageBoxWithPalette(GetSafeHwnd(), &m_palette, "Unable to draw map", m_title.c_str(),
                              MB_ICONEXCLAMATION);
        return 0;
    }
    return platform::Dialog::WindowProc(message, wParam, lParam);
}

void CPanDlg::noteFirstPaint() {
    if (!g_exitAfterFirstPaint || m_firstPaintNoted) return;
    m_firstPaintNoted = true;
    std::printf("first paint %.0f ms after the program started\n", millisecondsSinceProgramStart());
    std::fflush(stdout);
    PostMessage(WM_CLOSE);
}

BOOL CPanDlg::OnEraseBkgnd(platform::DC* dc) {
    if (use_windows_bkg_color) return platform::Dialog::OnEraseBkgnd(dc);
    Rect client;
    GetClientRect(&client);
    platform::Palette* previous = dc->SelectPalette(&m_palette, FALSE);
    dc->FillSolidRect(client, kBackgroundColour);
    dc->SelectPalette(previous, FALSE);
    return TRUE;
}

// ---- Scrolling ---------------------------------------------------------------------------------

void CPanDlg::OnHScroll(UINT code, UINT position, platform::ScrollBar* bar) {
    HandleScrollBar(&m_horzBar, code, &m_panorama, this, m_imageBounds.left, m_horzLimit, TRUE);
    hoverAtCursor();
    platform::Dialog::OnHScroll(code, position, bar);
}

void CPanDlg::OnVScroll(UINT code, UINT position, platform::ScrollBar* bar) {
    HandleScrollBar(&m_vertBar, code, &m_panorama, this, m_imageBounds.top, m_vertLimit, FALSE);
    hoverAtCursor();
    platform::Dialog::OnVScroll(code, position, bar);
}

void CPanDlg::ScrollViewTo(int x, int y) {
    m_panorama.ScrollTo(x, y, GetSafeHwnd());
    SyncScrollBars(m_bHorzShown, m_bVertShown, &m_horzBar, &m_vertBar, &m_panorama);
    hoverAtCursor();
}

// The view moved under a mouse that did not: the hotspot under it may have changed.
void CPanDlg::hoverAtCursor() {
    Point point;
    if (cursorInClientArea(&point)) m_hotspots.HoverStep(point);
}

void CPanDlg::ScrollViewBy(int dx, int dy) {
    const Rect& s = m_panorama.clip_rect;
    const auto clamp = [](std::int64_t v) {
        return int(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    ScrollViewTo(clamp(std::int64_t(s.left) + dx), clamp(std::int64_t(s.top) + dy));
}

void CPanDlg::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    // A line is a sixteenth of the display, a page the display.
    const int lineX = m_displayRect.width() / 16, lineY = m_displayRect.height() / 16;
    const Rect& image = m_panorama.image_rect;
    switch (key) {
    case VK_LEFT:
        return ScrollViewBy(-lineX, 0);
    case VK_RIGHT:
        return ScrollViewBy(lineX, 0);
    case VK_UP:
        return ScrollViewBy(0, -lineY);
    case VK_DOWN:
        return ScrollViewBy(0, lineY);
    case VK_PRIOR:
        return ScrollViewBy(0, -m_displayRect.height());
    case VK_NEXT:
        return ScrollViewBy(0, m_displayRect.height());
    case VK_HOME: // the left end of the panorama
        return ScrollViewTo(image.left, m_panorama.clip_rect.top);
    case VK_END: // the right end
        return ScrollViewTo(image.right, m_panorama.clip_rect.top);
    default:
        platform::Dialog::OnKeyDown(key, repeat, flags);
    }
}

BOOL CPanDlg::OnMouseWheel(UINT flags, short delta, Point) {
    // One notch scrolls three lines; up (forward) shows what is above, or with Shift what is to
    // the left.
    const bool horizontal = (flags & MK_SHIFT) != 0;
    const std::int64_t line = horizontal ? m_displayRect.width() / 16 : m_displayRect.height() / 16;
    const int amount = int(-std::int64_t(delta) * 3 * line / WHEEL_DELTA);
    if (horizontal)
        ScrollViewBy(amount, 0);
    else
        ScrollViewBy(0, amount);
    return TRUE;
}

BOOL CPanDlg::OnMouseHWheel(UINT, short delta, Point) {
    const std::int64_t line = m_displayRect.width() / 16;
    ScrollViewBy(int(std::int64_t(delta) * 3 * line / WHEEL_DELTA), 0);
    return TRUE;
}

// ---- Mouse, cursor and timer: edge scrolling and hotspots ------------------------------------

void CPanDlg::OnClick(UINT flags, Point point, BOOL doubleClick) {
    // The hotspot under the press is taken before edge scrolling may move the view.
    const int hotspot = HitTestHotspot(point.x, point.y);
    int scrolled = 0;
    const BOOL taken = m_gutterScroll.OnButtonDown(
        &m_panorama, point.x, point.y, !use_standard_scroll, flags, doubleClick, &scrolled);
    if (taken && scrolled) {
        SyncScrollBars(m_bHorzShown, m_bVertShown, &m_horzBar, &m_vertBar, &m_panorama);
        if (hotspot != -1) m_hotspots.HoverStep(point);
    } else if (hotspot != -1) {
        OpenVisitorCenter(m_hotspots.hotspots()[hotspot].first_media);
    }
}

void CPanDlg::OnLButtonDown(UINT flags, Point point) {
    OnClick(flags, point, FALSE);
    platform::Dialog::OnLButtonDown(flags, point);
}

void CPanDlg::OnLButtonDblClk(UINT flags, Point point) {
    OnClick(flags, point, TRUE);
    platform::Dialog::OnLButtonDblClk(flags, point);
}

void CPanDlg::OnLButtonUp(UINT flags, Point point) {
    m_gutterScroll.stop_timing();
    platform::Dialog::OnLButtonUp(flags, point);
}

void CPanDlg::OnMouseMove(UINT flags, Point point) {
    m_hotspots.HoverStep(point);
    m_gutterScroll.OnMouseMove(&m_panorama, point.x, point.y, !use_standard_scroll);
    platform::Dialog::OnMouseMove(flags, point);
}

BOOL CPanDlg::OnSetCursor(platform::Window* window, UINT hitTest, UINT) {
    if (window == this && hitTest == HTCLIENT) {
        Point point;
        GetCursorPos(&point);
        ScreenToClient(&point);
        m_gutterScroll.OnMouseMove(&m_panorama, point.x, point.y, !use_standard_scroll);
    } else {
        m_hotspots.ClearHover();
        m_gutterScroll.SetArrowCursor();
        m_gutterScroll.stop_timing();
    }
    return TRUE;
}

bool CPanDlg::cursorInClientArea(Point* client) const {
    Point point;
    GetCursorPos(&point);
    if (!m_windowRect.contains(point)) return false;
    ScreenToClient(&point);
    if (!m_clientRect.contains(point)) return false;
    *client = point;
    return true;
}

void CPanDlg::OnTimer(UINT_PTR id) {
    // Hotspot flash timers are the hotspots' indexes.
    if (m_hotspots.OnFlashTimer(id)) return;
    if (id != kGutterTimerId) return platform::Dialog::OnTimer(id);
    Point point;
    if (!cursorInClientArea(&point)) return;
    int scrolled = 0;
    m_gutterScroll.OnTimerTick(&m_panorama, point.x, point.y, !use_standard_scroll, &scrolled);
    if (scrolled) SyncScrollBars(m_bHorzShown, m_bVertShown, &m_horzBar, &m_vertBar, &m_panorama);
    m_hotspots.HoverStep(point);
}

// ---- Hotspots, Features menu, visitor center, locator map ------------------------------------

int CPanDlg::HitTestHotspot(int x, int y) const {
    return m_hotspots.HitTestHotspot(x, y);
}

void CPanDlg::DrawHotspotFrames(platform::DC* dc, const Rect& update) {
    m_hotspots.DrawHotspotFrames(dc, update);
}

void CPanDlg::InvalidateHotspotFrame(int index) {
    m_hotspots.InvalidateHotspotFrame(index);
}

void CPanDlg::ShowHotspotStatus(int index) {
    m_hotspots.ShowHotspotStatus(index);
}

void CPanDlg::ToggleHotspotMark(UINT command) {
    m_hotspots.ToggleHotspotMark(command);
}

void CPanDlg::ShowFeaturesMenu() {
    m_hotspots.ShowFeaturesMenu();
}

void CPanDlg::OpenVisitorCenter(int startIndex) {
    m_gutterScroll.SetArrowCursor();
    m_gutterScroll.stop_timing();
    ++m_visitorCenterRequests;
    m_visitorCenterStart = startIndex;
    VisitorCenterSetup setup;
    GetWindowRect(&setup.placement);
    setup.panCode = m_panCode;
    setup.mapPath = m_panPath;
    setup.databasePath = m_databasePath;
    setup.context = &m_code;
    setup.viewpointName = m_viewpointName;
    setup.palette = &m_palette;
    setup.media = m_hotspots.media();
    setup.mediaCount = m_hotspots.mediaCount();
    setup.startIndex = startIndex;
    setup.background = kBackgroundColour;
    setup.useWindowsBackground = use_windows_bkg_color;
    setup.useStandardScroll = use_standard_scroll;
    setup.gutterScroll = &m_gutterScroll;
    setup.printJob = m_pPrintJob.get();
    setup.parent = this;
    try {
        m_pVisitorWnd = std::make_unique<CMMVCDlg>(setup);
    } catch (const std::bad_alloc&) {
        return;
    }
    m_pVisitorWnd->DoModal();
    m_pVisitorWnd.reset();
}

void CPanDlg::ShowLocatorMap() {
    std::string title;
    Point centre;
    std::string path;
    {
        platform::WaitCursor wait;
        LoadString(IDS_LOCATOR_TITLE, title);
        path = m_panPath + "\\" + m_panCode + "I.JPG";
        Rect window;
        GetWindowRect(&window);
        centre = Point{(window.left + window.right) / 2, (window.top + window.bottom) / 2};
        try {
            m_pLocatorWnd = std::make_unique<CBitmapDlg>(path, &m_palette, title, centre.x,
                                                         centre.y, TRUE, this);
        } catch (const std::bad_alloc&) {
            return;
        }
    }
    m_pLocatorWnd->DoModal();
    m_pLocatorWnd.reset();
}

// ---- Non-client area, commands, system menu ----------------------------------------------------

LRESULT CPanDlg::OnNcHitTest(Point screenPoint) {
    // The caption is client area: the window cannot be dragged.
    const LRESULT hit = platform::Dialog::OnNcHitTest(screenPoint);
    if (hit == HTCAPTION || hit == HTCLIENT) return HTCLIENT;
    m_hotspots.ClearHover();
    return hit;
}

void CPanDlg::OnNcMouseMove(UINT hitTest, Point screenPoint) {
    if (hitTest != HTCLIENT) m_hotspots.ClearHover();
    platform::Dialog::OnNcMouseMove(hitTest, screenPoint);
}

void CPanDlg::OnNcLButtonDown(UINT hitTest, Point screenPoint) {
    if (hitTest != HTCLIENT) m_hotspots.ClearHover();
    platform::Dialog::OnNcLButtonDown(hitTest, screenPoint);
}

BOOL CPanDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id == IDC_CLOSECMD) {
        EndDialog(IDOK);
        return TRUE;
    }
    if (id == IDC_FEATURES) {
        ShowFeaturesMenu();
        return TRUE;
    }
    if (id == IDC_LOCATOR) {
        ShowLocatorMap();
        return TRUE;
    }
    if (id == ID_VISITOR_CENTER) {
        OpenVisitorCenter(0);
        return TRUE;
    }
    if (id >= ID_POINT_OF_INTEREST_FIRST &&
        id < ID_POINT_OF_INTEREST_FIRST + PanoramaHotspots::kMaxHotspots) {
        ToggleHotspotMark(id);
        return TRUE;
    }
    return platform::Dialog::OnCommand(wParam, lParam);
}

void CPanDlg::OnSysCommand(UINT id, LPARAM lParam) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        OpenAboutBox();
        return;
    }
    platform::Dialog::OnSysCommand(id, lParam);
}

void CPanDlg::OpenAboutBox() {
    try {
        m_pAboutDlg = std::make_unique<CAboutDlg>(&m_palette, use_slide_menus,
                                                  use_windows_bkg_color, use_standard_scroll, this);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (m_pAboutDlg->DoModal() == IDOK) {
        const bool backgroundChanged =
            (m_pAboutDlg->use_windows_bkg_color != 0) != (use_windows_bkg_color != 0);
        const bool scrollChanged =
            (m_pAboutDlg->use_standard_scroll != 0) != (use_standard_scroll != 0);
        use_slide_menus = m_pAboutDlg->use_slide_menus ? TRUE : FALSE;
        use_windows_bkg_color = m_pAboutDlg->use_windows_bkg_color ? TRUE : FALSE;
        use_standard_scroll = m_pAboutDlg->use_standard_scroll ? TRUE : FALSE;
        if (scrollChanged) LayoutPanoramaView();
        if (backgroundChanged || scrollChanged) {
            Invalidate(TRUE);
            UpdateWindow();
        }
    }
    m_pAboutDlg.reset();
}

HICON CPanDlg::OnQueryDragIcon() {
    return m_hIcon;
}

// ---- Palette -----------------------------------------------------------------------------------

void CPanDlg::OnActivateApp(BOOL active, DWORD threadId) {
    platform::Dialog::OnActivateApp(active, threadId);
    if (!active) return;
    pauseBeforeRealizing();
    RealizeWindowPalette(GetSafeHwnd(), &m_palette);
}

BOOL CPanDlg::OnQueryNewPalette() {
    const BOOL changed = RealizeWindowPalette(GetSafeHwnd(), &m_palette);
    if (changed) Invalidate(FALSE);
    return changed;
}

void CPanDlg::OnPaletteChanged(platform::Window* focusWindow) {
    if (focusWindow != this) RealizeWindowPalette(GetSafeHwnd(), &m_palette);
}
