// The multimedia visitor center: a modal window over the panorama window that lists the media
// records of the viewpoint and its hotspots, shows the selected record's photo or video in the
// picture area on the left, its narrative text below, and has the command bar's Print map, Print
// text and Close buttons in its lower right corner. Any failure while it initialises shows its
// message and closes it again.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "hotspots/dlg_bar.h"
#include "hotspots/panorama_hotspots.h"
#include "imaging/cmemdib.h"
#include "platform/core/palette.h"
#include "platform/qt/controls.h"
#include "platform/qt/dialog.h"
#include "platform/qt/gdi.h"
#include "platform/qt/rich_edit.h"
#include "tables/table_layer.h"
#include "viewer/gutter_scroll.h"
#include "visitor/media_list_box.h"

class CPrintJob;

// Thrown inside the visitor center's initialisation right after its message was shown, and
// caught there: the window then closes.
class CMMVCDlgException : public std::exception {
public:
    const char* what() const noexcept override { return "CMMVCDlgException"; }
};

// What the panorama window hands the visitor center; nothing of it is owned.
struct VisitorCenterSetup {
    Rect placement; // the panorama window's rectangle, screen coordinates
    std::string panCode;
    std::string mapPath;      // the media files' folder
    std::string databasePath; // the tables' folder
    Code4* context = nullptr; // the table context SVNARRAT is opened in
    std::string viewpointName;
    std::string productCaption = "Skyvistas";
    platform::Palette* palette = nullptr;
    MediaInfo* media = nullptr;
    int mediaCount = 0;
    int startIndex = -1;
    COLORREF background = 0;
    BOOL useWindowsBackground = FALSE;
    BOOL useStandardScroll = TRUE;
    CGutterScroll* gutterScroll = nullptr;
    CPrintJob* printJob = nullptr;
    platform::Window* parent = nullptr;
};

class CMMVCDlg : public platform::Dialog {
public:
    static constexpr UINT kTemplateId = 157;
    static constexpr int kListId = 1014;
    static constexpr int kTextId = 1015;
    static constexpr int kHorzBarId = 1035;
    static constexpr int kVertBarId = 1036;
    static constexpr UINT kTitleStringId = 32775;
    // The edge-scroll repeat timer of the picture area.
    static constexpr UINT kGutterTimerId = 20100;
    // Posted by a paint whose drawing of the photo failed: the message box runs after the paint.
    static constexpr UINT kDrawFailedMessage = WM_APP + 1;
    // The style the video window is made with: a child with a caption, no menu, errors told to
    // this window and no error boxes of its own.
    static constexpr DWORD kVideoStyle = 0x40C05008;
    static constexpr int kIconId = 128;
    // DoModal's results: the Close button or Enter, and the close box, Esc or a failed start.
    static constexpr int kClosed = 1;
    static constexpr int kCancelled = 2;

    explicit CMMVCDlg(const VisitorCenterSetup& setup);
    ~CMMVCDlg() override;

    // The text of the selected record's narrative into the text control: the number of
    // characters the control read.
    int ShowNarrative(const std::string& mslink);

    // ---- The picture area ----
    // The selected record's picture: the viewpoint picture for type 0, else the file read as a
    // photo (a message and FALSE when it cannot be read). A picture larger than the area opens
    // at its centre; a smaller one sits at the area's top-left corner.
    BOOL ShowPicture(const std::string& path);
    // Hiding releases the photo and its scroll bars; showing repaints the area.
    void SetPictureVisible(BOOL visible);
    // Makes the video window for the file, at the area's top-left corner, titled with the
    // record's caption; FALSE (after its message) when there is no video to play.
    BOOL PlayVideo(const std::string& path, const std::string& title);
    // Showing starts the video; hiding stops and closes it.
    void SetVideoVisible(BOOL visible);
    // Command 1018: the shown photo (not the viewpoint picture) to the printer.
    void PrintPicture();
    // Command 1019: the narrative text to the printer, named "Text: " and the record's caption.
    void PrintNarrative();
    // The selected entry's picture or video and its narrative (also the first selection).
    void OnSelChange();

    // ---- Read access for tests ----
    const std::string& title() const { return m_title; }
    const Rect& clientRect() const { return m_clientRect; }
    const Rect& pictureArea() const { return m_pictureArea; }
    const Rect& listRect() const { return m_listRect; }
    const Rect& textRect() const { return m_textRect; }
    const Rect& commandBarRect() const { return m_barRect; }
    int listItemHeight() const { return m_listItemHeight; }
    CMediaListBox& listBox() { return m_listBox; }
    platform::RichEditCtrl& textControl() { return m_richEdit; }
    CDlgBar& commandBar() { return m_dlgBar; }
    const platform::Font& textFont() const { return m_textFont; }
    BOOL viewpointPictureRead() const { return m_viewpointRead; }
    BOOL narrativeTableOpen() const { return m_narrative.data != nullptr; }
    // The record of the selected entry, or null.
    MediaInfo* selectedRecord() const;
    const Rect& pictureRect() const { return m_pictureRect; }
    Cmemdib& photo() { return m_photo; }
    Cmemdib& viewpointPicture() { return m_viewpointPicture; }
    // The bitmap the area shows (the viewpoint picture or the photo).
    Cmemdib& shownBitmap() { return m_pictureIsViewpoint ? m_viewpointPicture : m_photo; }
    BOOL pictureIsViewpoint() const { return m_pictureIsViewpoint; }
    BOOL areaPainted() const { return m_areaPainted; }
    platform::ScrollBar& horizontalBar() { return m_horzBar; }
    platform::ScrollBar& verticalBar() { return m_vertBar; }
    BOOL horizontalBarShown() const { return m_bHorzShown; }
    BOOL verticalBarShown() const { return m_bVertShown; }
    CGutterScroll& gutterScroll() { return *m_gutterScroll; }
    // The video window while one is attached, else null.
    HWND videoWindow() const { return m_videoWnd; }

    // The pause before the palette is realised again on activation, 100 ms (tests shorten it).
    static void setRealizePause(unsigned milliseconds);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(platform::DC* dc) override;
    void OnPaint() override;
    void OnHScroll(UINT code, UINT position, platform::ScrollBar* bar) override;
    void OnVScroll(UINT code, UINT position, platform::ScrollBar* bar) override;
    void OnLButtonDown(UINT flags, Point point) override;
    void OnLButtonDblClk(UINT flags, Point point) override;
    void OnLButtonUp(UINT flags, Point point) override;
    void OnMouseMove(UINT flags, Point point) override;
    BOOL OnSetCursor(platform::Window* window, UINT hitTest, UINT message) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT OnNcHitTest(Point screenPoint) override;
    void OnActivateApp(BOOL active, DWORD threadId) override;
    BOOL OnQueryNewPalette() override;
    void OnPaletteChanged(platform::Window* focusWindow) override;

private:
    // Shows the message in the palette-aware box and throws CMMVCDlgException.
    [[noreturn]] void fail(const char* text, const char* caption);
    void warn(const char* text, UINT type = MB_ICONEXCLAMATION);
    void ComputeLayout();
    void CreateTextControl();
    BOOL FillListBox();
    void OpenNarrativeTable();
    // Ends the dialog with the result after hiding the picture and stopping the video.
    void CloseWindow(int result);
    // Places the shown bitmap in the picture area with its scroll bars.
    void PlacePicture();
    // A press in the picture area: edge scrolling.
    void OnClick(UINT flags, Point point, BOOL doubleClick);
    // Whether edge scrolling is in use (the standard scroll bars are off).
    BOOL edgeScrolling() const { return m_setup.useStandardScroll ? FALSE : TRUE; }

    VisitorCenterSetup m_setup;
    // Layout constants.
    const double m_marginFraction = 0.025;
    const double m_wideScreenPictureFraction = 0.5;
    const int m_minPictureWidth = 330;
    const int m_listHeights[2] = {295, 320};
    const int m_narrowPictureWidth = 320;
    const int m_narrowClientLimit = 640;
    const int m_smallScreenLimit = 800;
    int m_listItemHeight = 0;

    std::string m_title;
    CMediaListBox m_listBox;
    platform::RichEditCtrl m_richEdit;
    platform::Font m_textFont;
    platform::Brush m_textBackground;
    CDlgBar m_dlgBar;
    OpenTable m_narrative; // MSLINK, NARRATIVET; tag MSLINK
    Cmemdib m_viewpointPicture;
    Cmemdib m_photo;
    BOOL m_viewpointRead = FALSE;
    BOOL m_pictureIsViewpoint = FALSE;
    BOOL m_areaPainted = FALSE;
    HICON m_hIcon = nullptr;
    platform::ScrollBar m_horzBar; // control 1035
    platform::ScrollBar m_vertBar; // control 1036
    BOOL m_bHorzShown = FALSE;
    BOOL m_bVertShown = FALSE;
    int m_horzLimit = 0;
    int m_vertLimit = 0;
    std::unique_ptr<CGutterScroll> m_gutterScroll;
    HWND m_videoWnd = nullptr;
    // A drawing failure is reported once until drawing succeeds again.
    bool m_drawFailureShown = false;

    Rect m_clientRect;
    Rect m_barRect;
    Rect m_pictureArea;
    Rect m_pictureRect;
    Rect m_listRect;
    Rect m_textRect;
};
