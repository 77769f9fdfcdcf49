// Drawing objects that a device context selects: pens, brushes, fonts, bitmaps and icons, their
// Windows records (LOGFONT, TEXTMETRIC, BITMAP), the system colours and the system parameters
// (work area, non-client metrics with the menu font). Qt-free interface; the objects hold their
// toolkit data privately.
#pragma once

#include "platform/core/device_context.h"
#include "platform/qt/win_constants.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QFont;
class QImage;

#pragma pack(push, 1)
// The font record, laid out as the platform's ANSI form (60 bytes).
struct LOGFONT {
    LONG lfHeight; // < 0: character height in pixels; > 0: cell height; 0: default size
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[32];
};
// The non-client metrics record of SPI_GETNONCLIENTMETRICS, in its 340-byte form.
struct NONCLIENTMETRICS {
    UINT cbSize;
    int iBorderWidth;
    int iScrollWidth;
    int iScrollHeight;
    int iCaptionWidth;
    int iCaptionHeight;
    LOGFONT lfCaptionFont;
    int iSmCaptionWidth;
    int iSmCaptionHeight;
    LOGFONT lfSmCaptionFont;
    int iMenuWidth;
    int iMenuHeight;
    LOGFONT lfMenuFont;
    LOGFONT lfStatusFont;
    LOGFONT lfMessageFont;
};
#pragma pack(pop)
static_assert(sizeof(LOGFONT) == 60);
static_assert(sizeof(NONCLIENTMETRICS) == 340);

struct TEXTMETRIC {
    LONG tmHeight = 0; // ascent + descent
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0; // tmHeight less the character height
    LONG tmExternalLeading = 0; // extra space the font asks for between lines
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 1;
    WORD bmBitsPixel = 32;
    void* bmBits = nullptr;
};

namespace platform {

// What SelectObject swaps: one kind of object per slot of a device context.
enum class GdiKind { Pen, Brush, Font, Bitmap };

class GdiObject {
public:
    virtual ~GdiObject() = default;
    virtual GdiKind kind() const = 0;
    // TRUE while the object holds something (after a successful Create..., before DeleteObject).
    virtual bool hasHandle() const = 0;
};

// A pen: style (PS_SOLID, PS_DASH, PS_DOT, PS_NULL, PS_INSIDEFRAME), width in pixels (0 and 1
// both mean one pixel) and colour (palette-relative colours map on a palette display).
class Pen : public GdiObject {
public:
    Pen() = default;
    Pen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }
    BOOL CreatePen(int style, int width, COLORREF colour);
    BOOL DeleteObject();
    GdiKind kind() const override { return GdiKind::Pen; }
    bool hasHandle() const override { return m_created; }
    int style() const { return m_style; }
    int width() const { return m_width; }
    COLORREF colour() const { return m_colour; }

private:
    bool m_created = false;
    int m_style = PS_SOLID;
    int m_width = 1;
    COLORREF m_colour = 0;
};

// A solid brush, or the hollow brush (no fill) that the stock NULL_BRUSH is.
class Brush : public GdiObject {
public:
    Brush() = default;
    explicit Brush(COLORREF colour) { CreateSolidBrush(colour); }
    BOOL CreateSolidBrush(COLORREF colour);
    BOOL CreateHollowBrush();
    BOOL DeleteObject();
    GdiKind kind() const override { return GdiKind::Brush; }
    bool hasHandle() const override { return m_created; }
    bool isHollow() const { return m_hollow; }
    COLORREF colour() const { return m_colour; }

private:
    bool m_created = false;
    bool m_hollow = false;
    COLORREF m_colour = 0;
};

// A font chosen by a LOGFONT. Face names resolve through the toolkit's substitutions: "MS Sans
// Serif" and "Arial" are drawn with Liberation Sans (see installFontSubstitutions).
// A negative height is the character height in pixels; a positive height is the cell height
// (ascent + descent) and picks the largest pixel size whose cell fits; 0 is the 8-point default.
class Font : public GdiObject {
public:
    Font();
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                    BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char* faceName);
    BOOL CreateFontIndirect(const LOGFONT* logFont);
    // A face at a size in tenths of a point (80 = 8 point), at 96 dots per inch.
    BOOL CreatePointFont(int pointSizeTenths, const char* faceName);
    BOOL DeleteObject();
    BOOL GetLogFont(LOGFONT* out) const;
    GdiKind kind() const override { return GdiKind::Font; }
    bool hasHandle() const override { return m_font != nullptr; }
    // The toolkit font (layer use); a default font when nothing is held.
    const QFont& qfont() const;

private:
    std::unique_ptr<QFont> m_font;
    LOGFONT m_logFont{};
};

// A picture in device pixels: made compatible with the display (CreateCompatibleBitmap), taken
// from a device bitmap (CreateDIBitmap's result), or one of the system's menu pictures. Selected
// into a memory device context it is drawn on and copied with BitBlt.
class Bitmap : public GdiObject {
public:
    Bitmap();
    ~Bitmap() override;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    // An opaque black bitmap of the size; FALSE for a size that is not positive or too large.
    BOOL CreateCompatibleBitmap(class DC* dc, int width, int height);
    // Copies the pixels of a device bitmap; FALSE for null or empty.
    BOOL CreateFromDeviceBitmap(const DeviceBitmap* bitmap);
    // OBM_CHECK (the menu check mark) or OBM_MNARROW (the submenu arrow), drawn black on a
    // transparent background at SM_CXMENUCHECK x SM_CYMENUCHECK, so that copying one onto a menu
    // row shows only the mark. FALSE for other numbers.
    BOOL LoadOEMBitmap(UINT id);
    BOOL DeleteObject();
    BOOL GetBitmap(BITMAP* out) const;
    Size size() const;
    GdiKind kind() const override { return GdiKind::Bitmap; }
    bool hasHandle() const override { return m_image != nullptr; }
    // The pixels (layer use); null when nothing is held.
    QImage* image() const { return m_image.get(); }

private:
    std::unique_ptr<QImage> m_image;
};

// An icon: a picture with transparency drawn at SM_CXICON x SM_CYICON by DrawIcon.
class Icon {
public:
    explicit Icon(int resourceId);
    ~Icon();
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;
    int resourceId() const { return m_resourceId; }
    // The picture scaled to a size (layer use).
    QImage image(int width, int height) const;
    void setImage(const QImage& image);

private:
    int m_resourceId;
    std::unique_ptr<QImage> m_image;
};

// Stock pens, brushes and fonts (SelectStockObject); null for an unknown index.
GdiObject* stockObject(int index);

} // namespace platform

using HICON = const platform::Icon*;

// The colour of a display element (COLOR_...), taken from the toolkit's palette when the
// application starts (classic values before that). 0 for an unknown index.
COLORREF GetSysColor(int index);

// SPI_GETWORKAREA (pvParam: Rect*) and SPI_GETNONCLIENTMETRICS (pvParam: NONCLIENTMETRICS* whose
// cbSize is 340; uiParam is ignored). FALSE for other actions, a null pointer or a wrong cbSize.
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT winIni);

// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD GetTickCount();

namespace platform {
// Replaces the tick source (tests drive animations with it); an empty function restores the
// clock.
void setTickCountSource(std::function<DWORD()> source);
// Installs the face substitutions of the classic fonts ("MS Sans Serif" and "Arial" ->
// Liberation Sans, "Times New Roman" -> Liberation Serif, "Courier New" -> Liberation Mono).
void installFontSubstitutions();
// Reads the system colours from the toolkit's palette (done at start-up).
void loadSystemColours();
// The menu font of the non-client metrics: "MS Sans Serif", 11 pixels (8 points), normal weight.
LOGFONT menuLogFont();
} // namespace platform
