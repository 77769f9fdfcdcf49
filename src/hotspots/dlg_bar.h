// The command bar: a strip of bitmap buttons with tooltips inside a window, passing the buttons'
// commands on to that window. The panorama window shows it along its bottom edge with Locator,
// Features, Close and a centred text line; the visitor center shows it as a small column in its
// lower right corner with Print map, Print text and Close.
#pragma once

#include "hotspots/palette_bitmap_button.h"
#include "platform/core/palette.h"
#include "platform/qt/controls.h"
#include "platform/qt/dialog.h"
#include "platform/qt/gdi.h"

#include <exception>
#include <string>

// Thrown inside the bar's initialisation when a button cannot be made, and caught there.
class CDlgBarException : public std::exception {
public:
    const char* what() const noexcept override { return "CDlgBarException"; }
};

class CDlgBar : public platform::Dialog {
public:
    // Modes.
    static constexpr int kPanoramaMode = 0;
    static constexpr int kVisitorCenterMode = 1;
    // The bar's dialog template and its controls; a control's id is the command it sends.
    static constexpr UINT kTemplateId = 103;
    static constexpr UINT kLocatorId = 1006;
    static constexpr UINT kFeaturesId = 1007;
    static constexpr UINT kCloseId = 1009;
    static constexpr UINT kPrintMapId = 1018;
    static constexpr UINT kPrintTextId = 1019;
    // Tooltip strings.
    static constexpr UINT kLocatorTipId = 111;
    static constexpr UINT kFeaturesTipId = 112;
    static constexpr UINT kPanoramaCloseTipId = 115;
    static constexpr UINT kVisitorCenterCloseTipId = 116;
    static constexpr UINT kPrintMapTipId = 32778;
    static constexpr UINT kPrintTextTipId = 32779;

    // What the owners read to place the bar. The panorama window gives it its client area's full
    // width and the bottom kPanoramaHeight pixels; the visitor center a column kVisitorCenterWidth
    // wide and visitorCenterHeight() high.
    static constexpr int kPanoramaHeight = 36;
    static constexpr int kVisitorCenterWidth = 92;
    static constexpr int kVisitorCenterHeightNarrow = 112; // screens narrower than 800 pixels
    static constexpr int kVisitorCenterHeightWide = 116;   // screens 800 pixels wide or wider
    static constexpr int kWideScreen = 800;
    // The visitor-center height for the screen width now.
    static int visitorCenterHeight();

    // Layout constants in pixels (margins apply only when the owner asks for them).
    static constexpr int kMarginWide = 18;
    static constexpr int kMarginNarrow = 15;
    static constexpr int kVerticalMargin = 4;
    static constexpr int kGapWide = 12;
    static constexpr int kGapNarrow = 10;

    // mode: kPanoramaMode or kVisitorCenterMode. background: the colour the bar is filled with
    // (palette-relative), unless useSystemBackground leaves it to the dialog colour. margins: keep
    // margins around the buttons.
    CDlgBar(int mode, platform::Palette* palette, COLORREF background, BOOL useSystemBackground,
            BOOL margins);
    ~CDlgBar() override;

    // Where the bar goes in its owner's client area; set before Create.
    void setPlacement(const Rect& placement) { m_placement = placement; }
    const Rect& placement() const { return m_placement; }

    // Creates the bar from its template as a child of parent. FALSE when that failed or the bar
    // destroyed itself while initialising (a button could not be made; its parent has then been
    // posted WM_CLOSE).
    BOOL Create(UINT templateId = kTemplateId, platform::Window* parent = nullptr);

    // Sets the text line when the given text differs from the one held (compared before the
    // conversion), converted with ConvertCopyright when convert is set, and repaints the bar with
    // erasing. A text the conversion changes therefore counts as new every time it is given.
    void SetBarText(const std::string& text, BOOL convert);
    const std::string& barText() const { return m_text; }
    // A text that starts with a lower-case "c" (and has more after it) or with "(C)" in either
    // case (and has more after it) gets the copyright sign (Windows-1252 0xA9) in place of that
    // start; any other text is returned unchanged.
    static std::string ConvertCopyright(const std::string& text);

    // The screen rectangle of a button (empty when the bar has no such button).
    Rect buttonScreenRect(UINT id) const;
    // Enables or disables a button (the owner does this for Print map and Print text); FALSE when
    // the bar has no such button.
    BOOL enableButton(UINT id, BOOL enable);
    // The button object of a control id, or null for an unknown id.
    CPaletteBitmapButton* button(UINT id);

    int mode() const { return m_mode; }
    // Results of the layout, in the bar's client coordinates.
    const Rect& clientRect() const { return m_clientRect; }
    const Rect& textRect() const { return m_textRect; }
    // The rectangle a button was laid out at (empty for a button the mode does not have).
    Rect buttonRect(UINT id) const;
    const platform::ToolTipCtrl& toolTips() const { return m_toolTips; }

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(platform::DC* dc) override;
    // A close request destroys the bar.
    void OnClose() override;

private:
    // Takes over the control, loads its "U", "D" (and "X") pictures named after the control's
    // text and sizes it to its up picture; FALSE when the control or the up picture is missing.
    BOOL CreateButton(CPaletteBitmapButton& button, UINT id, BOOL withDisabled, BOOL plainBox);
    void DestroyControl(UINT id);
    void LayoutButtons();
    void AddToolTips();

    int m_mode;
    platform::Palette* m_palette;
    COLORREF m_background;
    BOOL m_useSystemBackground;
    BOOL m_margins;
    Rect m_placement;
    std::string m_text;
    platform::Font m_textFont;
    CPaletteBitmapButton m_locator;
    CPaletteBitmapButton m_features;
    CPaletteBitmapButton m_printMap;
    CPaletteBitmapButton m_printText;
    CPaletteBitmapButton m_close;
    platform::ToolTipCtrl m_toolTips;
    Rect m_clientRect;
    Rect m_locatorRect;
    Rect m_featuresRect;
    Rect m_printMapRect;
    Rect m_printTextRect;
    Rect m_closeRect;
    Rect m_textRect;
    // The parent's title: the caption of the pictures' messages.
    std::string m_caption;
};
