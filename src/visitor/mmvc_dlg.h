// The multimedia visitor center: a modal window over the panorama window that lists the media
// records of the viewpoint and its hotspots, shows the selected record's photo or video in the
// picture area on the left, its narrative text below, and has the command bar's Print map, Print
// text and Close buttons in its lower right corner. Any failure while it initialises shows its
// message and closes it again.
#pragma once

#include <exception>
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
#include "visitor/media_list_box.h"

class CGutterScroll;
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
    static constexpr int kIconId = 128;
    // DoModal's results: the Close button or Enter, and the close box, Esc or a failed start.
    static constexpr int kClosed = 1;
    static constexpr int kCancelled = 2;

    explicit CMMVCDlg(const VisitorCenterSetup& setup);
    ~CMMVCDlg() override;

    // The text of the selected record's narrative into the text control: the number of
    // characters the control read.
    int ShowNarrative(const std::string& mslink);
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

    // The picture area: what the selected record shows there.
    BOOL ShowPicture(const std::string& path);
    void SetPictureVisible(BOOL visible);
    BOOL PlayVideo(const std::string& path, const std::string& title);
    void SetVideoVisible(BOOL visible);

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

    Rect m_clientRect;
    Rect m_barRect;
    Rect m_pictureArea;
    Rect m_listRect;
    Rect m_textRect;
};
