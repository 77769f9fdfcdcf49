// The visitor center window: initialisation, layout, the media list, selection, the narrative
// text, closing, and the palette and non-client messages.
#include "visitor/mmvc_dlg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/core/palette_message_box.h"
#include "platform/core/system_metrics.h"
#include "platform/core/window_services.h"
#include "platform/qt/cursor.h"
#include "platform/qt/dc.h"
#include "platform/qt/menu.h"
#include "platform/qt/resources.h"
#include "platform/qt/video_window.h"
#include "printing/print_job.h"
#include "printing/print_layout.h"
#include "viewer/view_layout.h"
#include "visitor/narrative_text.h"

namespace {

unsigned g_realizePauseMs = 100;

// Rounds to the nearest integer, halves away from zero.
int roundHalfAway(double value) {
    return int(std::lround(value));
}

bool allFound(const OpenTable& table) {
    return std::none_of(table.fields.begin(), table.fields.end(),
                        [](const Field4* f) { return f == nullptr; }) &&
           std::none_of(table.tags.begin(), table.tags.end(),
                        [](const Tag4* t) { return t == nullptr; });
}

enum NarrativeField { kLinkField, kTextField };

} // namespace

void CMMVCDlg::setRealizePause(unsigned milliseconds) {
    g_realizePauseMs = milliseconds;
}

CMMVCDlg::CMMVCDlg(const VisitorCenterSetup& setup)
    : platform::Dialog(kTemplateId, setup.parent), m_setup(setup),
      m_dlgBar(CDlgBar::kVisitorCenterMode, setup.palette, setup.background,
               setup.useWindowsBackground, FALSE) {
    m_listItemHeight = std::max(m_listHeights[0], m_listHeights[1]) / 6;
    // Edge scrolling of the picture works as the panorama window's, on a timer of this window.
    m_gutterScroll = setup.gutterScroll
                         ? std::make_unique<CGutterScroll>(this, setup.palette, kGutterTimerId,
                                                           *setup.gutterScroll)
                         : std::make_unique<CGutterScroll>(this, setup.palette, kGutterTimerId);
}

CMMVCDlg::~CMMVCDlg() {
    // The controls and the bar are members: take the window down while they still exist.
    if (exists()) DestroyWindow();
    // A window that was never made still closes its table, without a message.
    if (m_narrative.data) d4close(std::exchange(m_narrative.data, nullptr));
}

void CMMVCDlg::fail(const char* text, const char* caption) {
    MessageBoxWithPalette(GetSafeHwnd(), m_setup.palette, text, caption, MB_ICONEXCLAMATION);
    throw CMMVCDlgException();
}

void CMMVCDlg::warn(const char* text, UINT type) {
    MessageBoxWithPalette(GetSafeHwnd(), m_setup.palette, text, m_title.c_str(), type);
}

MediaInfo* CMMVCDlg::selectedRecord() const {
    const int selection = m_listBox.exists() ? m_listBox.GetCurSel() : LB_ERR;
    return selection == LB_ERR ? nullptr : m_listBox.recordAt(selection);
}

// ---- Initialisation ----------------------------------------------------------------------------

BOOL CMMVCDlg::OnInitDialog() {
    platform::WaitCursor wait;
    try {
        platform::Dialog::OnInitDialog();
        // The picture's scroll bars are this window's bar objects from now on.
        m_horzBar.SubclassDlgItem(kHorzBarId, this);
        m_vertBar.SubclassDlgItem(kVertBarId, this);
        if (!m_gutterScroll->cursorsLoaded()) m_gutterScroll->LoadCursors();
        if (platform::Menu* system = GetSystemMenu(FALSE))
            for (UINT command : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MAXIMIZE})
                system->DeleteMenu(command, MF_BYCOMMAND);
        m_hIcon = LoadIcon(kIconId);
        SetIcon(m_hIcon, TRUE);
        SetIcon(m_hIcon, FALSE);

        std::string title;
        if (!LoadString(kTitleStringId, title))
            fail("Could not load multimedia vistor center window title",
                 m_setup.productCaption.c_str());
        m_title = title + ": " + m_setup.viewpointName;
        SetWindowText(m_title.c_str());

        MoveWindow(m_setup.placement, TRUE);
        GetClientRect(&m_clientRect);
        ComputeLayout();

        m_dlgBar.setPlacement(m_barRect);
        if (!m_dlgBar.Create(CDlgBar::kTemplateId, this))
            fail("Could not create dialog bar", m_title.c_str());

        CreateTextControl();

        if (!m_listBox.SubclassDlgItem(kListId, this))
            fail("Could not subclass list box", m_title.c_str());
        // The list's border lies outside its rectangle, so that the rectangle holds exactly six
        // entries.
        const int border = (m_listBox.GetStyle() & WS_BORDER) ? GetSystemMetrics(SM_CXBORDER) : 0;
        m_listBox.MoveWindow(Rect{m_listRect.left - border, m_listRect.top - border,
                                  m_listRect.right + border, m_listRect.bottom + border},
                             TRUE);
        if (m_listBox.SetItemHeight(0, UINT(m_listItemHeight)) == LB_ERR)
            fail("Could not set list box item height", m_title.c_str());
        m_listBox.LoadIcons();

        if (!FillListBox()) fail("Could not initialize list box", m_title.c_str());

        OpenNarrativeTable();

        const std::string viewpoint = m_setup.mapPath + "\\" + m_setup.panCode + "LC.JPG";
        m_viewpointRead = m_viewpointPicture.ReadImageFile(
            viewpoint.c_str(), m_setup.viewpointName.c_str(), FALSE, GetSafeHwnd(), m_setup.palette,
            FALSE, m_title.c_str());

        OnSelChange();
    } catch (const CMMVCDlgException&) {
        EndDialog(kCancelled);
    } catch (const std::exception&) {
        // The toolkit's event loop cannot carry an exception to a caller that could handle it:
        // the window closes as after its own failures.
        EndDialog(kCancelled);
    }
    return TRUE;
}

void CMMVCDlg::ComputeLayout() {
    const Rect& c = m_clientRect;
    const int width = c.width();
    const int height = c.height();
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    const int mx = roundHalfAway(m_marginFraction * width);
    const int my = roundHalfAway(m_marginFraction * height);

    const int barWidth = CDlgBar::kVisitorCenterWidth;
    const int barHeight = screen < m_smallScreenLimit ? CDlgBar::kVisitorCenterHeightNarrow
                                                      : CDlgBar::kVisitorCenterHeightWide;
    m_barRect =
        Rect{c.right - mx - barWidth, c.bottom - my - barHeight, c.right - mx, c.bottom - my};

    const int pictureHeight = std::max(m_listHeights[0], m_listHeights[1]);
    const int pictureWidth =
        width <= m_narrowClientLimit
            ? m_narrowPictureWidth
            : roundHalfAway(m_wideScreenPictureFraction * width) - (3 * mx) / 2;
    m_pictureArea.left = c.left + mx;
    m_pictureArea.top = c.top + my;
    m_pictureArea.right = m_pictureArea.left + std::max(pictureWidth, m_minPictureWidth);
    m_pictureArea.bottom = m_pictureArea.top + pictureHeight;

    m_listRect = Rect{m_pictureArea.right + mx, m_pictureArea.top, c.right - mx,
                      m_pictureArea.top + m_listItemHeight * 6};

    const int edge = GetSystemMetrics(SM_CXEDGE);
    m_textRect = Rect{c.left + mx - edge, c.top + my + pictureHeight + my,
                      m_barRect.left - mx - edge, c.bottom - my + 2};
}

void CMMVCDlg::CreateTextControl() {
    if (platform::Window* placeholder = GetDlgItem(kTextId)) placeholder->DestroyWindow();
    const DWORD style = WS_VISIBLE | WS_CHILD | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE |
                        ES_READONLY | ES_SUNKEN | ES_NOHIDESEL;
    if (!m_richEdit.Create(style, m_textRect, this, kTextId))
        fail("Could not create edit control", m_title.c_str());

    int pixelsPerInch = 0;
    if (auto dc = GetDC()) pixelsPerInch = dc->GetDeviceCaps(LOGPIXELSY);
    const int height = pixelsPerInch > 0 ? -(9 * pixelsPerInch / 72) : -12;
    m_textFont.CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                          OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS, PROOF_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, "Arial");
    m_richEdit.SetFont(&m_textFont, TRUE);
    m_richEdit.MoveWindow(m_textRect, TRUE);
}

BOOL CMMVCDlg::FillListBox() {
    for (int i = 0; i < m_setup.mediaCount; ++i) {
        MediaInfo& record = m_setup.media[i];
        int position = m_listBox.AddString("");
        if (position >= 0 && m_listBox.SetItemDataPtr(position, &record) == LB_ERR) position = -1;
        record.list_index = position;
        if (position != i) {
            warn("Unable to load list box");
            return FALSE;
        }
    }
    const int start = m_setup.startIndex;
    if (start >= 0 && start < m_setup.mediaCount && m_listBox.SetCurSel(start) != LB_ERR)
        return TRUE;
    warn("Unable to select item in list box");
    return FALSE;
}

void CMMVCDlg::OpenNarrativeTable() {
    if (!m_setup.context ||
        openTableSequence(*m_setup.context, m_setup.databasePath + "\\SVNARRAT",
                          {"MSLINK", "NARRATIVET"}, {"MSLINK"}, m_narrative) != 0 ||
        !allFound(m_narrative)) {
        if (m_narrative.data) d4close(std::exchange(m_narrative.data, nullptr));
        fail("Could not open narrative table", m_title.c_str());
    }
    d4tagSelect(m_narrative.data, m_narrative.tags[0]);
}

// ---- Selection ---------------------------------------------------------------------------------

void CMMVCDlg::OnSelChange() {
    platform::WaitCursor wait;
    MediaInfo* record = selectedRecord();
    if (!record) return;
    const std::string path = m_setup.mapPath + "\\" + record->media_name;
    const int type = record->media_type;
    if (type == 0 || type == 1 || type == 2) {
        SetVideoVisible(FALSE);
        const BOOL shown = ShowPicture(path);
        if (shown) SetPictureVisible(TRUE);
        m_dlgBar.enableButton(CDlgBar::kPrintMapId, shown && type == 1);
    } else {
        SetPictureVisible(FALSE);
        m_dlgBar.enableButton(CDlgBar::kPrintMapId, FALSE);
        if (PlayVideo(path, record->caption)) SetVideoVisible(TRUE);
    }
    const int shown = ShowNarrative(record->mslink);
    m_dlgBar.enableButton(CDlgBar::kPrintTextId, shown > 0);
}

int CMMVCDlg::ShowNarrative(const std::string& mslink) {
    narrative::Stream& stream = narrative::stream();
    stream.palette = m_setup.palette;
    stream.caption = m_setup.productCaption;
    std::string body;
    if (!m_narrative.data || d4seek(m_narrative.data, mslink.c_str()) != 0) {
        warn("Unable to read text from narrative table");
    } else if (const char* text = f4memoPtr(m_narrative.fields[kTextField])) {
        body.assign(text, f4memoLen(m_narrative.fields[kTextField]));
    }
    narrative::beginDocument(body);

    EDITSTREAM editStream;
    editStream.dwCookie = narrative::kStreamCookie;
    editStream.pfnCallback = narrative::StreamCallback;
    const long read = m_richEdit.StreamIn(SF_RTF, editStream);
    const std::size_t length = stream.document.size();
    if (length < std::size_t(std::max(read, 0L))) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Amount of text displayed (%d characters)\nnot as expected (%d characters)",
                      int(read), int(length));
        warn(text, MB_OK);
    }
    return int(read);
}

// ---- The picture area --------------------------------------------------------------------------

BOOL CMMVCDlg::ShowPicture(const std::string& path) {
    platform::WaitCursor wait;
    const MediaInfo* record = selectedRecord();
    if (!record) return FALSE;
    if (record->media_type != 0) {
        m_pictureIsViewpoint = FALSE;
        SetPictureVisible(FALSE);
        const std::string display = record->site + "\n" + record->caption;
        if (!m_photo.ReadImageFile(path.c_str(), display.c_str(), TRUE, GetSafeHwnd(),
                                   m_setup.palette, FALSE, m_title.c_str())) {
            warn("Could not read multimedia object;\nperhaps try again after inserting CD-ROM.");
            return FALSE;
        }
    } else {
        m_pictureIsViewpoint = m_viewpointPicture.loaded;
        if (!m_viewpointPicture.loaded || !m_areaPainted) SetPictureVisible(FALSE);
    }
    PlacePicture();
    return TRUE;
}

void CMMVCDlg::PlacePicture() {
    Cmemdib& bitmap = shownBitmap();
    // Nothing to show (a viewpoint record without its picture): no picture, no bars.
    if (!bitmap.loaded) {
        m_pictureRect = Rect{};
        return;
    }
    const Rect& area = m_pictureArea;
    const Rect image = bitmap.image_rect;
    // The area's size cut to the image, at the area's top-left corner; the view placement adds
    // the scroll bars a larger picture needs and sets their ranges.
    Rect size{0, 0, area.width(), area.height()};
    bitmap.ClipToImage(size);
    Rect r = size.offset(area.left, area.top);
    Rect grown;
    LayoutScrollBars(r, grown, area, image, FALSE, FALSE, m_setup.useStandardScroll, m_bHorzShown,
                     m_bVertShown, &m_horzBar, &m_vertBar, m_horzLimit, m_vertLimit);
    // The part shown first is centred on the image's centre.
    Rect source = r.offset(-r.left, -r.top);
    source = source.offset((image.left + image.right) / 2 + (r.left - r.right) / 2,
                           (image.top + image.bottom) / 2 + (r.top - r.bottom) / 2);
    bitmap.ClipToImage(source);
    m_pictureRect = r;
    bitmap.dest_rect = r;
}

void CMMVCDlg::SetPictureVisible(BOOL visible) {
    if (visible) {
        if (m_pictureIsViewpoint && m_areaPainted) return;
        InvalidateRect(&m_pictureArea, FALSE);
        m_areaPainted = m_pictureIsViewpoint;
        return;
    }
    if (m_horzBar.exists()) m_horzBar.ShowScrollBar(FALSE);
    if (m_vertBar.exists()) m_vertBar.ShowScrollBar(FALSE);
    m_bHorzShown = m_bVertShown = FALSE;
    if (m_photo.loaded)
        m_photo.Reset();
    else if (!m_pictureIsViewpoint && !m_areaPainted)
        return;
    InvalidateRect(&m_pictureArea, TRUE);
    m_areaPainted = FALSE;
}

BOOL CMMVCDlg::PlayVideo(const std::string& path, const std::string& title) {
    platform::WaitCursor wait;
    m_pictureIsViewpoint = FALSE;
    if (VideoForWindowsVersion() < 0x010A0000) {
        warn("Video for Windows installed version not recent enough");
        return FALSE;
    }
    if (m_videoWnd) {
        if (IsWindow(m_videoWnd)) ::SendMessage(m_videoWnd, WM_CLOSE);
        m_videoWnd = nullptr;
    }
    m_videoWnd = MCIWndCreateA(GetSafeHwnd(), nullptr, kVideoStyle, path.c_str());
    platform::Window* video = platform::Window::FromHandle(m_videoWnd);
    if (video) {
        // At the area's top-left corner, then moved on the screen to x = 1 and y = 2 (mod 4),
        // where the video library draws its frames best.
        video->SetWindowPos(nullptr, m_pictureArea.left, m_pictureArea.top, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER);
        Rect screen;
        video->GetWindowRect(&screen);
        const int a = ((screen.left % 4) + 4) % 4;
        const int b = ((screen.top % 4) + 4) % 4;
        const int dx = (a > 1 ? 5 : 1) - a;
        const int dy = (b > 2 ? 6 : 2) - b;
        video->SetWindowPos(nullptr, m_pictureArea.left + dx, m_pictureArea.top + dy, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER);
        video->SetWindowText(title.c_str());
        const LRESULT palette =
            video->SendMessage(MCIWNDM_SETPALETTE, reinterpret_cast<WPARAM>(m_setup.palette), 0);
        const LRESULT realized = video->SendMessage(MCIWNDM_REALIZE, 1, 0);
        if (palette == 0 && realized == 0 &&
            video->SendMessage(MCIWNDM_GETSTART) != video->SendMessage(MCIWNDM_GETEND))
            return TRUE;
    }
    warn("Unable to show video;\nperhaps try again after inserting CD-ROM.");
    return FALSE;
}

void CMMVCDlg::SetVideoVisible(BOOL visible) {
    platform::Window* video = platform::Window::FromHandle(m_videoWnd);
    if (!video) {
        m_videoWnd = nullptr;
        return;
    }
    if (visible) {
        video->ShowWindow(SW_SHOW);
        video->RedrawWindow(nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        video->SendMessage(MCI_PLAY);
        return;
    }
    video->SendMessage(MCI_STOP);
    video->SendMessage(WM_CLOSE);
    m_videoWnd = nullptr;
}

void CMMVCDlg::PrintPicture() {
    // Only a photo prints; the viewpoint picture never does (its button stays disabled).
    MediaInfo* record = selectedRecord();
    if (!record || !m_photo.loaded || m_pictureIsViewpoint) return;
    PrintMap(&m_photo, m_setup.palette, record->caption, this, m_title, m_setup.printJob, TRUE,
             CPrintJob::kFullSize, 1.0);
}

void CMMVCDlg::PrintNarrative() {
    MediaInfo* record = selectedRecord();
    if (!record) return;
    PrintText(&m_richEdit, m_setup.palette, "Text: " + record->caption, this, m_title,
              m_setup.printJob);
}

void CMMVCDlg::OnPaint() {
    platform::PaintDC dc(this);
    const Rect update = dc.m_ps.rcPaint.intersect(m_pictureRect);
    if (m_pictureIsViewpoint) {
        m_viewpointPicture.Draw(&dc, m_setup.palette, &update);
        return;
    }
    if (!m_photo.loaded) return;
    if (m_photo.Draw(&dc, m_setup.palette, &update)) {
        m_drawFailureShown = false;
    } else if (!m_drawFailureShown) {
        // Reported once until drawing succeeds again: the box's own repaint of this window would
        // otherwise bring it back at once. It waits until the paint is over.
        m_drawFailureShown = true;
        PostMessage(kDrawFailedMessage);
    }
}

void CMMVCDlg::OnHScroll(UINT code, UINT position, platform::ScrollBar* bar) {
    if (bar == &m_horzBar)
        HandleScrollBar(&m_horzBar, code, &shownBitmap(), this, shownBitmap().image_rect.left,
                        m_horzLimit, TRUE);
    platform::Dialog::OnHScroll(code, position, bar);
}

void CMMVCDlg::OnVScroll(UINT code, UINT position, platform::ScrollBar* bar) {
    if (bar == &m_vertBar)
        HandleScrollBar(&m_vertBar, code, &shownBitmap(), this, shownBitmap().image_rect.top,
                        m_vertLimit, FALSE);
    platform::Dialog::OnVScroll(code, position, bar);
}

void CMMVCDlg::OnClick(UINT flags, Point point, BOOL doubleClick) {
    int scrolled = 0;
    m_gutterScroll->OnButtonDown(&shownBitmap(), point.x, point.y, edgeScrolling(), flags,
                                 doubleClick, &scrolled);
    if (scrolled)
        SyncScrollBars(m_bHorzShown, m_bVertShown, &m_horzBar, &m_vertBar, &shownBitmap());
}

void CMMVCDlg::OnLButtonDown(UINT flags, Point point) {
    OnClick(flags, point, FALSE);
    platform::Dialog::OnLButtonDown(flags, point);
}

void CMMVCDlg::OnLButtonDblClk(UINT flags, Point point) {
    OnClick(flags, point, TRUE);
    platform::Dialog::OnLButtonDblClk(flags, point);
}

void CMMVCDlg::OnLButtonUp(UINT flags, Point point) {
    m_gutterScroll->stop_timing();
    platform::Dialog::OnLButtonUp(flags, point);
}

void CMMVCDlg::OnMouseMove(UINT flags, Point point) {
    m_gutterScroll->OnMouseMove(&shownBitmap(), point.x, point.y, edgeScrolling());
    platform::Dialog::OnMouseMove(flags, point);
}

BOOL CMMVCDlg::OnSetCursor(platform::Window* window, UINT hitTest, UINT) {
    if (window == this && hitTest == HTCLIENT) {
        Point point;
        GetCursorPos(&point);
        ScreenToClient(&point);
        m_gutterScroll->OnMouseMove(&shownBitmap(), point.x, point.y, edgeScrolling());
    } else {
        m_gutterScroll->SetArrowCursor();
        m_gutterScroll->stop_timing();
    }
    return TRUE;
}

void CMMVCDlg::OnTimer(UINT_PTR id) {
    if (id != kGutterTimerId) return platform::Dialog::OnTimer(id);
    // Only while the pointer is over this window's client area.
    Point point;
    GetCursorPos(&point);
    Rect window;
    GetWindowRect(&window);
    if (!window.contains(point)) return;
    ScreenToClient(&point);
    Rect client;
    GetClientRect(&client);
    if (!client.contains(point)) return;
    int scrolled = 0;
    m_gutterScroll->OnTimerTick(&shownBitmap(), point.x, point.y, edgeScrolling(), &scrolled);
    if (scrolled)
        SyncScrollBars(m_bHorzShown, m_bVertShown, &m_horzBar, &m_vertBar, &shownBitmap());
}

// ---- Commands and closing ----------------------------------------------------------------------

BOOL CMMVCDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == UINT(kListId)) {
        if (code == LBN_SELCHANGE) OnSelChange();
        return TRUE;
    }
    if (id == CDlgBar::kCloseId && code == BN_CLICKED) {
        CloseWindow(kClosed);
        return TRUE;
    }
    if (id == CDlgBar::kPrintMapId && code == BN_CLICKED) {
        PrintPicture();
        return TRUE;
    }
    if (id == CDlgBar::kPrintTextId && code == BN_CLICKED) {
        PrintNarrative();
        return TRUE;
    }
    return platform::Dialog::OnCommand(wParam, lParam);
}

void CMMVCDlg::OnOK() {
    CloseWindow(kClosed);
}

void CMMVCDlg::OnCancel() {
    CloseWindow(kCancelled);
}

void CMMVCDlg::CloseWindow(int result) {
    SetPictureVisible(FALSE);
    SetVideoVisible(FALSE);
    EndDialog(result);
}

void CMMVCDlg::OnDestroy() {
    if (Data4* table = std::exchange(m_narrative.data, nullptr))
        if (d4close(table) != 0) warn("Could not properly close narrative table");
    platform::Dialog::OnDestroy();
}

// ---- Colours, background, palette, non-client area ---------------------------------------------

LRESULT CMMVCDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDrawFailedMessage) {
        const MediaInfo* record = selectedRecord();
        if (record) {
            const std::string text = "Unable to display " + record->site + "\n" + record->caption;
            warn(text.c_str());
        } else {
            warn("Unable to display multimedia object");
        }
        return 0;
    }
    if (message == WM_CTLCOLOREDIT && m_richEdit.exists() &&
        reinterpret_cast<HWND>(lParam) == m_richEdit.GetSafeHwnd()) {
        const COLORREF window = GetSysColor(COLOR_WINDOW);
        if (auto* dc = reinterpret_cast<platform::DC*>(wParam)) dc->SetBkColor(window);
        if (!m_textBackground.hasHandle() || m_textBackground.colour() != window) {
            m_textBackground.DeleteObject();
            m_textBackground.CreateSolidBrush(window);
        }
        return reinterpret_cast<LRESULT>(&m_textBackground);
    }
    return platform::Dialog::WindowProc(message, wParam, lParam);
}

BOOL CMMVCDlg::OnEraseBkgnd(platform::DC* dc) {
    if (m_setup.useWindowsBackground) return platform::Dialog::OnEraseBkgnd(dc);
    Rect client;
    GetClientRect(&client);
    platform::Palette* previous = dc->SelectPalette(m_setup.palette, FALSE);
    dc->FillSolidRect(client, m_setup.background);
    dc->SelectPalette(previous, FALSE);
    return TRUE;
}

LRESULT CMMVCDlg::OnNcHitTest(Point screenPoint) {
    // The caption counts as client area: the window cannot be dragged.
    const LRESULT hit = platform::Dialog::OnNcHitTest(screenPoint);
    return hit == HTCAPTION ? HTCLIENT : hit;
}

void CMMVCDlg::OnActivateApp(BOOL active, DWORD threadId) {
    platform::Dialog::OnActivateApp(active, threadId);
    if (!active) return;
    if (platform::displayUsesPalette()) platform::windowServices()->Sleep(g_realizePauseMs);
    RealizeWindowPalette(GetSafeHwnd(), m_setup.palette);
}

BOOL CMMVCDlg::OnQueryNewPalette() {
    const BOOL changed = RealizeWindowPalette(GetSafeHwnd(), m_setup.palette);
    if (changed) Invalidate(FALSE);
    return changed;
}

void CMMVCDlg::OnPaletteChanged(platform::Window* focusWindow) {
    if (focusWindow != this) RealizeWindowPalette(GetSafeHwnd(), m_setup.palette);
}
