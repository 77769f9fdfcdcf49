// The command bar: button creation from the bitmap resources, layout for both modes, the text
// line, background, command forwarding and tooltips.
#include "hotspots/dlg_bar.h"

#include "platform/core/system_metrics.h"
#include "platform/qt/dc.h"

namespace {

constexpr char kCopyrightSign = '\xA9'; // Windows-1252

bool wideScreen() {
    return GetSystemMetrics(SM_CXSCREEN) >= CDlgBar::kWideScreen;
}

// A rectangle of a button's size with its top-left corner at (left, top).
Rect placedAt(const CPaletteBitmapButton& button, int left, int top) {
    return Rect{left, top, left + button.bitmapWidth(), top + button.bitmapHeight()};
}

} // namespace

int CDlgBar::visitorCenterHeight() {
    return wideScreen() ? kVisitorCenterHeightWide : kVisitorCenterHeightNarrow;
}

CDlgBar::CDlgBar(int mode, platform::Palette* palette, COLORREF background,
                 BOOL useSystemBackground, BOOL margins)
    : m_mode(mode), m_palette(palette), m_background(background),
      m_useSystemBackground(useSystemBackground), m_margins(margins), m_locator(palette),
      m_features(palette), m_printMap(palette), m_printText(palette), m_close(palette) {}

CDlgBar::~CDlgBar() {
    // The buttons are members: take the window down while they and the handlers still exist.
    if (exists()) DestroyWindow();
}

BOOL CDlgBar::Create(UINT templateId, platform::Window* parent) {
    return Dialog::Create(templateId, parent);
}

std::string CDlgBar::ConvertCopyright(const std::string& text) {
    // Only the start is looked at: "c1999 ..." and even "courtesy ..." get the sign for their
    // "c"; "(C) ..." and "(c) ..." for the three characters. "c" and "(C)" alone stay as they are.
    if (text.size() > 1 && text[0] == 'c') return kCopyrightSign + text.substr(1);
    if (text.size() > 3 && text[0] == '(' && (text[1] == 'C' || text[1] == 'c') && text[2] == ')')
        return kCopyrightSign + text.substr(3);
    return text;
}

void CDlgBar::SetBarText(const std::string& text, BOOL convert) {
    if (text == m_text) return;
    m_text = convert ? ConvertCopyright(text) : text;
    if (exists()) Invalidate(TRUE);
}

CPaletteBitmapButton* CDlgBar::button(UINT id) {
    switch (id) {
    case kLocatorId:
        return &m_locator;
    case kFeaturesId:
        return &m_features;
    case kPrintMapId:
        return &m_printMap;
    case kPrintTextId:
        return &m_printText;
    case kCloseId:
        return &m_close;
    default:
        return nullptr;
    }
}

Rect CDlgBar::buttonRect(UINT id) const {
    switch (id) {
    case kLocatorId:
        return m_locatorRect;
    case kFeaturesId:
        return m_featuresRect;
    case kPrintMapId:
        return m_printMapRect;
    case kPrintTextId:
        return m_printTextRect;
    case kCloseId:
        return m_closeRect;
    default:
        return Rect{};
    }
}

Rect CDlgBar::buttonScreenRect(UINT id) const {
    Rect rect;
    if (const platform::Window* control = GetDlgItem(int(id))) control->GetWindowRect(&rect);
    return rect;
}

BOOL CDlgBar::enableButton(UINT id, BOOL enable) {
    platform::Window* control = GetDlgItem(int(id));
    if (!control) return FALSE;
    control->EnableWindow(enable);
    return TRUE;
}

BOOL CDlgBar::CreateButton(CPaletteBitmapButton& button, UINT id, BOOL withDisabled,
                           BOOL plainBox) {
    if (!button.SubclassDlgItem(id, this)) return FALSE;
    const std::string name = button.GetWindowText();
    const std::string up = name + "U";
    const std::string down = name + "D";
    const std::string disabled = withDisabled ? name + "X" : std::string();
    platform::Window* parent = GetParent();
    if (!button.LoadBitmaps(up.c_str(), down.c_str(), nullptr, disabled.c_str(),
                            parent ? parent->GetSafeHwnd() : nullptr, plainBox, m_caption.c_str()))
        return FALSE;
    return button.SizeToContent();
}

void CDlgBar::DestroyControl(UINT id) {
    if (platform::Window* control = GetDlgItem(int(id))) control->DestroyWindow();
}

BOOL CDlgBar::OnInitDialog() {
    Dialog::OnInitDialog();
    platform::Window* parent = GetParent();
    m_caption = parent ? parent->GetWindowText() : std::string();
    try {
        if (m_mode == kVisitorCenterMode) {
            DestroyControl(kLocatorId);
            DestroyControl(kFeaturesId);
            if (!CreateButton(m_printMap, kPrintMapId, TRUE, FALSE)) throw CDlgBarException();
            if (!CreateButton(m_printText, kPrintTextId, TRUE, FALSE)) throw CDlgBarException();
        } else {
            if (!CreateButton(m_locator, kLocatorId, FALSE, TRUE)) throw CDlgBarException();
            if (!CreateButton(m_features, kFeaturesId, FALSE, TRUE)) throw CDlgBarException();
            DestroyControl(kPrintMapId);
            DestroyControl(kPrintTextId);
        }
        if (!CreateButton(m_close, kCloseId, FALSE, m_mode == kVisitorCenterMode ? FALSE : TRUE))
            throw CDlgBarException();
    } catch (const CDlgBarException&) {
        // The picture's own message has been shown; the owner cannot run without its bar.
        if (parent) parent->PostMessage(WM_CLOSE);
        DestroyWindow();
        return FALSE;
    }
    MoveWindow(m_placement);
    GetClientRect(&m_clientRect);
    LayoutButtons();
    AddToolTips();
    return TRUE;
}

void CDlgBar::LayoutButtons() {
    const bool wide = wideScreen();
    const int h = m_margins ? (wide ? kMarginWide : kMarginNarrow) : 0;
    const int v = m_margins ? kVerticalMargin : 0;
    const int g = wide ? kGapWide : kGapNarrow;
    const Rect& r = m_clientRect;
    m_locatorRect = m_featuresRect = m_printMapRect = m_printTextRect = m_textRect = Rect{};

    const int closeWidth = m_close.bitmapWidth();
    const int closeHeight = m_close.bitmapHeight();
    if (m_mode == kVisitorCenterMode) {
        // A right-aligned column from the bottom up: Close, Print text, Print map.
        m_closeRect = placedAt(m_close, r.right - h - closeWidth, r.bottom - v - closeHeight);
        m_printTextRect = placedAt(m_printText, r.right - h - m_printText.bitmapWidth(),
                                   m_closeRect.top - g - m_printText.bitmapHeight());
        m_printMapRect = placedAt(m_printMap, r.right - h - m_printMap.bitmapWidth(),
                                  m_printTextRect.top - g - m_printMap.bitmapHeight());
        m_printMap.MoveWindow(m_printMapRect);
        m_printText.MoveWindow(m_printTextRect);
    } else {
        m_locatorRect = placedAt(m_locator, r.left + h, r.top + v);
        m_featuresRect = placedAt(m_features, m_locatorRect.right + g, r.top + v);
        m_closeRect = placedAt(m_close, r.right - h - closeWidth, r.top + v);
        m_textRect = Rect{m_featuresRect.right + h, m_featuresRect.top, m_closeRect.left - h,
                          m_closeRect.bottom};
        m_locator.MoveWindow(m_locatorRect);
        m_features.MoveWindow(m_featuresRect);
    }
    m_close.MoveWindow(m_closeRect);
}

void CDlgBar::AddToolTips() {
    // Without the tooltip control the bar works without tips.
    if (!m_toolTips.Create(this, TTS_ALWAYSTIP)) return;
    if (m_mode == kVisitorCenterMode) {
        m_toolTips.AddTool(&m_printMap, kPrintMapTipId);
        m_toolTips.AddTool(&m_printText, kPrintTextTipId);
        m_toolTips.AddTool(&m_close, kVisitorCenterCloseTipId);
    } else {
        m_toolTips.AddTool(&m_locator, kLocatorTipId);
        m_toolTips.AddTool(&m_features, kFeaturesTipId);
        m_toolTips.AddTool(&m_close, kPanoramaCloseTipId);
    }
}

BOOL CDlgBar::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Button clicks (notification 0) belong to the owner; other notifications stay here.
    if (HIWORD(wParam) == 0) {
        if (platform::Window* parent = GetParent()) parent->SendMessage(WM_COMMAND, wParam, lParam);
        return TRUE;
    }
    return Dialog::OnCommand(wParam, lParam);
}

void CDlgBar::OnPaint() {
    platform::PaintDC dc(this);
    // Only the panorama bar has a text line.
    if (m_mode != kPanoramaMode || m_textRect.isEmpty()) return;
    const int height = m_textRect.height();
    if (!m_textFont.hasHandle() &&
        !m_textFont.CreateFont(height / 2, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                               OUT_STRING_PRECIS, CLIP_CHARACTER_PRECIS, PROOF_QUALITY,
                               DEFAULT_PITCH, "MS Sans Serif"))
        return;
    platform::Font* previous = dc.SelectObject(&m_textFont);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
    // Centred on the middle of the text rectangle, a quarter of its height down.
    const Size extent = dc.GetTextExtent(m_text);
    dc.TextOut((m_textRect.left + m_textRect.right) / 2 - extent.cx / 2,
               m_textRect.top + height / 4, m_text);
    dc.SelectObject(previous);
}

BOOL CDlgBar::OnEraseBkgnd(platform::DC* dc) {
    if (m_useSystemBackground || !dc) return Dialog::OnEraseBkgnd(dc);
    platform::Palette* previous = dc->SelectPalette(m_palette, FALSE);
    Rect client;
    GetClientRect(&client);
    dc->FillSolidRect(client, m_background);
    dc->SelectPalette(previous, FALSE);
    return TRUE;
}

void CDlgBar::OnClose() {
    DestroyWindow();
}
