// Pens, brushes, fonts, bitmaps and icons; the system colours, the system parameters and the
// tick count.
#include "platform/qt/gdi.h"

#include "platform/core/system_metrics.h"
#include "platform/qt/text_codec.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

namespace platform {
namespace {

// Largest bitmap CreateCompatibleBitmap makes: 2^28 pixels (1 GiB). Font sizes are limited to
// 4096 pixels (and point sizes to 3000 points).
constexpr std::int64_t kMaxBitmapPixels = std::int64_t(1) << 28;

std::function<DWORD()> g_tickSource;

// Classic desktop colours, used until the toolkit's palette is read.
std::array<COLORREF, kSysColorCount> classicColours() {
    std::array<COLORREF, kSysColorCount> c{};
    c[COLOR_SCROLLBAR] = RGB(212, 208, 200);
    c[COLOR_ACTIVECAPTION] = RGB(10, 36, 106);
    c[COLOR_INACTIVECAPTION] = RGB(128, 128, 128);
    c[COLOR_MENU] = RGB(212, 208, 200);
    c[COLOR_WINDOW] = RGB(255, 255, 255);
    c[COLOR_WINDOWFRAME] = RGB(0, 0, 0);
    c[COLOR_MENUTEXT] = RGB(0, 0, 0);
    c[COLOR_WINDOWTEXT] = RGB(0, 0, 0);
    c[COLOR_CAPTIONTEXT] = RGB(255, 255, 255);
    c[COLOR_HIGHLIGHT] = RGB(10, 36, 106);
    c[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 255);
    c[COLOR_3DFACE] = RGB(212, 208, 200);
    c[COLOR_3DSHADOW] = RGB(128, 128, 128);
    c[COLOR_GRAYTEXT] = RGB(128, 128, 128);
    c[COLOR_BTNTEXT] = RGB(0, 0, 0);
    c[COLOR_INACTIVECAPTIONTEXT] = RGB(212, 208, 200);
    c[COLOR_3DHIGHLIGHT] = RGB(255, 255, 255);
    c[COLOR_3DDKSHADOW] = RGB(64, 64, 64);
    c[COLOR_3DLIGHT] = RGB(212, 208, 200);
    c[COLOR_INFOTEXT] = RGB(0, 0, 0);
    c[COLOR_INFOBK] = RGB(255, 255, 225);
    c[COLOR_GRADIENTACTIVECAPTION] = RGB(166, 202, 240);
    c[COLOR_GRADIENTINACTIVECAPTION] = RGB(192, 192, 192);
    return c;
}

std::array<COLORREF, kSysColorCount>& sysColours() {
    static std::array<COLORREF, kSysColorCount> colours = classicColours();
    return colours;
}

void setFace(LOGFONT& lf, const char* face) {
    std::memset(lf.lfFaceName, 0, sizeof(lf.lfFaceName));
    if (face) std::strncpy(lf.lfFaceName, face, sizeof(lf.lfFaceName) - 1);
}

LOGFONT makeLogFont(int height, int weight, const char* face) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    setFace(lf, face);
    return lf;
}

} // namespace

// ---- Pens and brushes --------------------------------------------------------------------------

BOOL Pen::CreatePen(int style, int width, COLORREF colour) {
    if (style < PS_SOLID || style > PS_INSIDEFRAME) return FALSE;
    m_style = style;
    m_width = std::max(width, 1);
    m_colour = colour;
    m_created = true;
    return TRUE;
}

BOOL Pen::DeleteObject() {
    const BOOL had = m_created ? TRUE : FALSE;
    m_created = false;
    return had;
}

BOOL Brush::CreateSolidBrush(COLORREF colour) {
    m_colour = colour;
    m_hollow = false;
    m_created = true;
    return TRUE;
}

BOOL Brush::CreateHollowBrush() {
    m_hollow = true;
    m_created = true;
    return TRUE;
}

BOOL Brush::DeleteObject() {
    const BOOL had = m_created ? TRUE : FALSE;
    m_created = false;
    return had;
}

// ---- Fonts -------------------------------------------------------------------------------------

Font::Font() = default;
Font::~Font() = default;

BOOL Font::CreateFont(int height, int width, int escapement, int orientation, int weight,
                      BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                      BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char* faceName) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    lf.lfCharSet = charSet;
    lf.lfOutPrecision = outPrecision;
    lf.lfClipPrecision = clipPrecision;
    lf.lfQuality = quality;
    lf.lfPitchAndFamily = pitchAndFamily;
    setFace(lf, faceName);
    return CreateFontIndirect(&lf);
}

BOOL Font::CreateFontIndirect(const LOGFONT* logFont) {
    if (!logFont) return FALSE;
    m_logFont = *logFont;
    m_logFont.lfFaceName[sizeof(m_logFont.lfFaceName) - 1] = 0;
    const std::string face(m_logFont.lfFaceName);
    auto font = std::make_unique<QFont>(fromWindows1252(face.empty() ? "MS Sans Serif" : face));
    const int height = m_logFont.lfHeight;
    if (height < 0) {
        font->setPixelSize(height < -4096 ? 4096 : -height);
    } else if (height == 0) {
        font->setPixelSize(11);
    } else {
        // A cell height: the largest pixel size whose ascent + descent fits (binary search).
        const int cell = std::min(height, 4096);
        int size = cell;
        if (QGuiApplication::instance()) {
            int low = 1, high = cell;
            while (low < high) {
                const int mid = (low + high + 1) / 2;
                font->setPixelSize(mid);
                const QFontMetrics metrics(*font);
                if (metrics.ascent() + metrics.descent() <= cell)
                    low = mid;
                else
                    high = mid - 1;
            }
            size = low;
        }
        font->setPixelSize(size);
    }
    const int weight =
        m_logFont.lfWeight <= 0 ? FW_NORMAL : std::min<int>(m_logFont.lfWeight, 1000);
    font->setWeight(QFont::Weight(weight));
    font->setItalic(m_logFont.lfItalic != 0);
    font->setUnderline(m_logFont.lfUnderline != 0);
    font->setStrikeOut(m_logFont.lfStrikeOut != 0);
    m_font = std::move(font);
    return TRUE;
}

BOOL Font::CreatePointFont(int pointSizeTenths, const char* faceName) {
    // Points to pixels at 96 dots per inch, rounded: 8 points are 11 pixels.
    const int tenths = std::clamp(pointSizeTenths, 1, 30000);
    const int pixels = (tenths * 96 + 360) / 720;
    LOGFONT lf = makeLogFont(-std::max(pixels, 1), FW_NORMAL, faceName);
    return CreateFontIndirect(&lf);
}

BOOL Font::DeleteObject() {
    const BOOL had = m_font ? TRUE : FALSE;
    m_font.reset();
    return had;
}

BOOL Font::GetLogFont(LOGFONT* out) const {
    if (!out || !m_font) return FALSE;
    *out = m_logFont;
    return TRUE;
}

const QFont& Font::qfont() const {
    if (m_font) return *m_font;
    static const QFont fallback = defaultGuiFont();
    return fallback;
}

// ---- Bitmaps and icons -------------------------------------------------------------------------

Bitmap::Bitmap() = default;
Bitmap::~Bitmap() = default;

BOOL Bitmap::CreateCompatibleBitmap(DC*, int width, int height) {
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxBitmapPixels) return FALSE;
    auto image = std::make_unique<QImage>(width, height, QImage::Format_RGB32);
    if (image->isNull()) return FALSE;
    image->fill(QColor(0, 0, 0));
    m_image = std::move(image);
    return TRUE;
}

BOOL Bitmap::CreateFromDeviceBitmap(const DeviceBitmap* bitmap) {
    if (!bitmap || bitmap->width <= 0 || bitmap->height <= 0 ||
        std::int64_t(bitmap->width) * bitmap->height > kMaxBitmapPixels ||
        bitmap->pixels.size() != std::size_t(bitmap->width) * std::size_t(bitmap->height))
        return FALSE;
    auto image = std::make_unique<QImage>(bitmap->width, bitmap->height, QImage::Format_RGB32);
    if (image->isNull()) return FALSE;
    for (int y = 0; y < bitmap->height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image->scanLine(y));
        const std::uint32_t* src = bitmap->pixels.data() + std::size_t(y) * bitmap->width;
        for (int x = 0; x < bitmap->width; ++x)
            row[x] = src[x] | 0xFF000000u;
    }
    m_image = std::move(image);
    return TRUE;
}

BOOL Bitmap::LoadOEMBitmap(UINT id) {
    if (id != OBM_CHECK && id != OBM_MNARROW) return FALSE;
    const int cx = std::max(GetSystemMetrics(SM_CXMENUCHECK), 1);
    const int cy = std::max(GetSystemMetrics(SM_CYMENUCHECK), 1);
    auto image = std::make_unique<QImage>(cx, cy, QImage::Format_ARGB32_Premultiplied);
    image->fill(Qt::transparent);
    QPainter painter(image.get());
    // Drawn on the classic 13 x 13 grid and scaled to the metric's size.
    painter.scale(cx / 13.0, cy / 13.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    if (id == OBM_CHECK) {
        // A check mark three pixels thick: down from (3, 5) to (5, 7), then up to (9, 3).
        constexpr int kTop[7] = {5, 6, 7, 6, 5, 4, 3};
        for (int x = 0; x < 7; ++x)
            painter.drawRect(QRectF(3 + x, kTop[x], 1, 3));
    } else {
        // A solid triangle pointing right.
        const QPointF points[3] = {QPointF(5, 2.5), QPointF(5, 10.5), QPointF(9, 6.5)};
        painter.drawPolygon(points, 3);
    }
    painter.end();
    m_image = std::move(image);
    return TRUE;
}

BOOL Bitmap::DeleteObject() {
    const BOOL had = m_image ? TRUE : FALSE;
    m_image.reset();
    return had;
}

BOOL Bitmap::GetBitmap(BITMAP* out) const {
    if (!out || !m_image) return FALSE;
    out->bmType = 0;
    out->bmWidth = m_image->width();
    out->bmHeight = m_image->height();
    out->bmWidthBytes = LONG(m_image->bytesPerLine());
    out->bmPlanes = 1;
    out->bmBitsPixel = 32;
    out->bmBits = m_image->bits();
    return TRUE;
}

Size Bitmap::size() const {
    return m_image ? Size{m_image->width(), m_image->height()} : Size{};
}

Icon::Icon(int resourceId) : m_resourceId(resourceId) {}
Icon::~Icon() = default;

QImage Icon::image(int width, int height) const {
    if (!m_image || m_image->isNull() || width <= 0 || height <= 0) return QImage();
    if (m_image->width() == width && m_image->height() == height) return *m_image;
    return m_image->scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void Icon::setImage(const QImage& image) {
    m_image = std::make_unique<QImage>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

GdiObject* stockObject(int index) {
    static Brush white(RGB(255, 255, 255)), lightGray(RGB(192, 192, 192)), gray(RGB(128, 128, 128)),
        darkGray(RGB(64, 64, 64)), black(RGB(0, 0, 0));
    static Brush hollow;
    static Pen whitePen(PS_SOLID, 1, RGB(255, 255, 255)), blackPen(PS_SOLID, 1, RGB(0, 0, 0)),
        nullPen(PS_NULL, 1, 0);
    static Font guiFont;
    if (!hollow.hasHandle()) hollow.CreateHollowBrush();
    switch (index) {
    case WHITE_BRUSH:
        return &white;
    case LTGRAY_BRUSH:
        return &lightGray;
    case GRAY_BRUSH:
        return &gray;
    case DKGRAY_BRUSH:
        return &darkGray;
    case BLACK_BRUSH:
        return &black;
    case NULL_BRUSH:
        return &hollow;
    case WHITE_PEN:
        return &whitePen;
    case BLACK_PEN:
        return &blackPen;
    case NULL_PEN:
        return &nullPen;
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT:
        if (!guiFont.hasHandle()) {
            LOGFONT lf = makeLogFont(-11, FW_NORMAL, "MS Sans Serif");
            guiFont.CreateFontIndirect(&lf);
        }
        return &guiFont;
    default:
        return nullptr;
    }
}

void setTickCountSource(std::function<DWORD()> source) {
    g_tickSource = std::move(source);
}

void installFontSubstitutions() {
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

void loadSystemColours() {
    if (!QGuiApplication::instance()) return;
    const QPalette p = QGuiApplication::palette();
    auto& c = sysColours();
    c[COLOR_3DFACE] = fromQColor(p.color(QPalette::Window));
    c[COLOR_SCROLLBAR] = c[COLOR_3DFACE];
    c[COLOR_MENU] = c[COLOR_3DFACE];
    c[COLOR_WINDOW] = fromQColor(p.color(QPalette::Base));
    c[COLOR_WINDOWTEXT] = fromQColor(p.color(QPalette::WindowText));
    c[COLOR_MENUTEXT] = c[COLOR_WINDOWTEXT];
    c[COLOR_BTNTEXT] = fromQColor(p.color(QPalette::ButtonText));
    c[COLOR_HIGHLIGHT] = fromQColor(p.color(QPalette::Highlight));
    c[COLOR_HIGHLIGHTTEXT] = fromQColor(p.color(QPalette::HighlightedText));
    c[COLOR_GRAYTEXT] = fromQColor(p.color(QPalette::Disabled, QPalette::WindowText));
    c[COLOR_3DHIGHLIGHT] = fromQColor(p.color(QPalette::Light));
    c[COLOR_3DLIGHT] = fromQColor(p.color(QPalette::Midlight));
    c[COLOR_3DSHADOW] = fromQColor(p.color(QPalette::Dark));
    c[COLOR_3DDKSHADOW] = fromQColor(p.color(QPalette::Shadow));
    c[COLOR_INFOBK] = fromQColor(p.color(QPalette::ToolTipBase));
    c[COLOR_INFOTEXT] = fromQColor(p.color(QPalette::ToolTipText));
    const QColor highlight = p.color(QPalette::Highlight);
    c[COLOR_ACTIVECAPTION] = fromQColor(highlight.darker(130));
    c[COLOR_GRADIENTACTIVECAPTION] = fromQColor(highlight.lighter(140));
    c[COLOR_CAPTIONTEXT] = fromQColor(p.color(QPalette::HighlightedText));
    c[COLOR_INACTIVECAPTION] = fromQColor(p.color(QPalette::Dark));
    c[COLOR_GRADIENTINACTIVECAPTION] = fromQColor(p.color(QPalette::Midlight));
    c[COLOR_INACTIVECAPTIONTEXT] = fromQColor(p.color(QPalette::Window));
}

LOGFONT menuLogFont() {
    return makeLogFont(-11, FW_NORMAL, "MS Sans Serif");
}

} // namespace platform

COLORREF GetSysColor(int index) {
    if (index < 0 || index >= kSysColorCount) return 0;
    return platform::sysColours()[std::size_t(index)];
}

BOOL SystemParametersInfo(UINT action, UINT, void* pvParam, UINT) {
    if (!pvParam) return FALSE;
    switch (action) {
    case SPI_GETWORKAREA:
        *static_cast<Rect*>(pvParam) = platform::workArea();
        return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
        auto* metrics = static_cast<NONCLIENTMETRICS*>(pvParam);
        if (metrics->cbSize != sizeof(NONCLIENTMETRICS)) return FALSE;
        const LOGFONT menu = platform::menuLogFont();
        LOGFONT caption = menu;
        caption.lfWeight = FW_BOLD;
        metrics->iBorderWidth = 1;
        metrics->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
        metrics->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
        metrics->iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
        metrics->iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
        metrics->lfCaptionFont = caption;
        metrics->iSmCaptionWidth = GetSystemMetrics(SM_CXSMICON);
        metrics->iSmCaptionHeight = GetSystemMetrics(SM_CYSMICON);
        metrics->lfSmCaptionFont = caption;
        metrics->iMenuWidth = GetSystemMetrics(SM_CXSIZE);
        metrics->iMenuHeight = GetSystemMetrics(SM_CYMENU);
        metrics->lfMenuFont = menu;
        metrics->lfStatusFont = menu;
        metrics->lfMessageFont = menu;
        return TRUE;
    }
    default:
        return FALSE;
    }
}

DWORD GetTickCount() {
    if (platform::g_tickSource) return platform::g_tickSource();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
