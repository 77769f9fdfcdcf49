// Device contexts drawn with the toolkit: the paint context of a window (inside WM_PAINT), the
// client context of a window (outside painting), the memory context of an off-screen bitmap and a
// printer page. All implement platform::DeviceContext, so imaging code draws on any of them.
//
// Coordinates are device pixels with the origin at the top-left of the client area (MM_TEXT).
// Every colour passes through platform::resolveColour with the selected palette, so on the
// emulated 256-colour display palette-relative and plain colours map onto the palette.
//
// How a client context reaches the screen: the toolkit paints a widget only inside its paint
// event. A ClientDC therefore runs each drawing operation as an immediate, synchronous repaint of
// exactly the rectangle the operation touches; that repaint performs the operation on the
// window's backing store (which keeps every other pixel) and does not send WM_PAINT. Drawing is
// visible as soon as the operation returns, as on the platform. Drawing with a client context of a
// hidden window is lost, as it would be there. Inside the window's own WM_PAINT a client context
// draws through the paint context, clipped to the update region.
#pragma once

#include "platform/core/device_context.h"
#include "platform/qt/gdi.h"
#include "platform/qt/win_constants.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QPainter;
class QPrinter;
class QColor;
class QImage;
class QRect;

namespace platform {

class Window;

class DC : public DeviceContext {
public:
    ~DC() override;
    DC(const DC&) = delete;
    DC& operator=(const DC&) = delete;

    // ---- platform::DeviceContext ----
    // Realising a palette that changes the system palette in a window's context posts
    // WM_PALETTECHANGED (wParam: that window) to every top-level window.
    UINT RealizePalette() override;
    // 8- or 24-bit bottom-up DIBs (DIB_RGB_COLORS, SRCCOPY), nearest-neighbour when scaled. On a
    // palette display the colours map to the selected palette's nearest entries.
    int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                      UINT usage, DWORD rop) override;
    void FillSolidRect(const Rect& rect, COLORREF colour) override;
    // RASTERCAPS, HORZRES, VERTRES, LOGPIXELSX/Y, BITSPIXEL, PLANES, NUMCOLORS, SIZEPALETTE.
    int GetDeviceCaps(int index) const override;

    void FillSolidRect(int x, int y, int width, int height, COLORREF colour);

    // ---- Objects and state ----
    // Each returns the object selected before (the context's default the first time).
    Pen* SelectObject(Pen* pen);
    Brush* SelectObject(Brush* brush);
    Font* SelectObject(Font* font);
    // Memory contexts only: the bitmap to draw on; null elsewhere.
    Bitmap* SelectObject(Bitmap* bitmap);
    GdiObject* SelectObject(GdiObject* object);
    GdiObject* SelectStockObject(int index);
    Pen* currentPen() const { return m_pen; }
    Brush* currentBrush() const { return m_brush; }
    Font* currentFont() const { return m_font; }

    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const { return m_textColour; }
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const { return m_bkColour; }
    int SetBkMode(int mode); // TRANSPARENT or OPAQUE; returns the previous mode
    int GetBkMode() const { return m_bkMode; }
    // Only MM_TEXT exists; other modes are refused with 0.
    int SetMapMode(int mode);
    int GetMapMode() const { return MM_TEXT; }
    // Narrows the clip to a rectangle (device pixels); returns SIMPLEREGION (2), or NULLREGION (1)
    // when nothing is left.
    int IntersectClipRect(int left, int top, int right, int bottom);
    int IntersectClipRect(const Rect& rect) {
        return IntersectClipRect(rect.left, rect.top, rect.right, rect.bottom);
    }
    // The current clip (the whole surface when none was set).
    Rect GetClipBox() const;

    // ---- Shapes ----
    // The selected pen draws the outline centred on the rectangle's inner edge pixels (right and
    // bottom exclusive), so a 2-pixel pen covers one pixel outside at the left and top and the
    // last two columns/rows inside at the right and bottom; the selected brush fills inside.
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(const Rect& rect) {
        return Rectangle(rect.left, rect.top, rect.right, rect.bottom);
    }
    Point MoveTo(int x, int y);
    // A line to the point, the point itself excluded.
    BOOL LineTo(int x, int y);
    // A dotted rectangle (focus indicator).
    void DrawFocusRect(const Rect& rect);

    // ---- Text (Windows-1252 bytes) ----
    // The text's top-left at (x, y); with OPAQUE the text's cell is filled with the background
    // colour first.
    BOOL TextOut(int x, int y, std::string_view text);
    // Draws in the rectangle as the format asks (DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM with
    // DT_SINGLELINE, DT_WORDBREAK, DT_NOCLIP, DT_CALCRECT, DT_NOPREFIX, DT_END_ELLIPSIS). Without
    // DT_NOPREFIX "&x" shows x underlined and "&&" one ampersand. Returns the text's height;
    // with DT_CALCRECT nothing is drawn and rect is set to the text's extent.
    int DrawText(std::string_view text, Rect* rect, UINT format);
    BOOL GetTextMetrics(TEXTMETRIC* out) const;
    // The text's advance width and the font's height; "&" counts as a character.
    Size GetTextExtent(std::string_view text) const;
    BOOL GetTextExtentPoint32(const char* text, int length, Size* out) const;

    // ---- Pictures ----
    // The icon scaled to SM_CXICON x SM_CYICON with its top-left at (x, y).
    BOOL DrawIcon(int x, int y, HICON icon);
    // The icon scaled to width x height (0 for both, or DI_DEFAULTSIZE: SM_CXICON x SM_CYICON)
    // with its top-left at (x, y); flags DI_NORMAL (DI_IMAGE and DI_MASK alone draw it too). The
    // step and flicker-free brush are not used.
    BOOL DrawIconEx(int x, int y, HICON icon, int width, int height, UINT step = 0,
                    Brush* flickerFree = nullptr, UINT flags = DI_NORMAL);
    // Draws the edges the flags name (BF_LEFT, BF_TOP, BF_RIGHT, BF_BOTTOM; BF_MIDDLE fills the
    // inside with the face colour) of an edge of one or two one-pixel borders (BDR_..., EDGE_...)
    // in the system's 3-D colours: a raised border is light at the top and left and dark at the
    // bottom and right, a sunken one the other way round. BF_ADJUST shrinks rect by the borders.
    BOOL DrawEdge(Rect* rect, UINT edge, UINT flags);
    // Copies from a memory context's bitmap (SRCCOPY; a picture with transparency, such as the
    // system's menu pictures, is drawn over what is there). BLACKNESS and WHITENESS fill.
    // FALSE when the source has no bitmap or the operation is unknown.
    BOOL BitBlt(int x, int y, int width, int height, DC* source, int xSrc, int ySrc, DWORD rop);
    BOOL StretchBlt(int x, int y, int width, int height, DC* source, int xSrc, int ySrc,
                    int srcWidth, int srcHeight, DWORD rop);
    // Draws a device bitmap (CreateDIBitmap's result) with its top-left at (x, y).
    BOOL DrawDeviceBitmap(int x, int y, const DeviceBitmap& bitmap);

    // The window this context draws on, or null.
    Window* window() const { return m_window; }

protected:
    explicit DC(Window* window);
    // Runs a drawing operation that touches at most `bounds` (device pixels) on a painter set up
    // with the context's objects and clip. Each kind of context brings the painter its own way.
    virtual void paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) = 0;
    // Where the context can draw at all: its surface, or the update rectangle of a paint context.
    virtual Rect baseClip() const = 0;
    // The image that StretchDIBits may write straight into, or null.
    virtual QImage* directImage() { return nullptr; }
    // Whether colours map to the selected palette on a palette display (not on a printer).
    virtual bool isDisplay() const { return true; }
    // Applies pen, brush, font and clip to a painter.
    void prepare(QPainter& painter) const;
    // baseClip narrowed by IntersectClipRect.
    Rect clipRect() const;
    Bitmap* selectedBitmap() const { return m_bitmap; }
    // The colour drawn for a COLORREF on this context.
    QColor drawnColour(COLORREF colour) const;

    Window* m_window = nullptr;

private:
    Pen* m_pen;
    Brush* m_brush;
    Font* m_font;
    Bitmap* m_bitmap = nullptr;
    COLORREF m_textColour = RGB(0, 0, 0);
    COLORREF m_bkColour = RGB(255, 255, 255);
    int m_bkMode = OPAQUE;
    Point m_position;
    bool m_hasClip = false;
    Rect m_clip;

    friend class MemoryDC;
};

// The PAINTSTRUCT of a paint context: the update rectangle (bounding box of the update region)
// and whether the background was to be erased.
struct PAINTSTRUCT {
    Rect rcPaint;
    BOOL fErase = FALSE;
};

// The context of a window's WM_PAINT: draws inside the update region. Made outside the
// window's painting it has an empty update rectangle and draws nothing, as on the platform.
class PaintDC : public DC {
public:
    explicit PaintDC(Window* window);
    ~PaintDC() override;
    PAINTSTRUCT m_ps;

protected:
    void paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) override;
    Rect baseClip() const override;

private:
    QPainter* m_painter;
};

// The context of a window's client area outside painting (GetDC). See the file comment for how
// its drawing reaches the screen.
class ClientDC : public DC {
public:
    explicit ClientDC(Window* window);
    ~ClientDC() override;

protected:
    void paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) override;
    Rect baseClip() const override;
};

// A memory context (CreateCompatibleDC): draws on the bitmap selected into it; without one its
// drawing is discarded.
class MemoryDC : public DC {
public:
    MemoryDC();
    // Compatible with another context; the argument is accepted for the familiar call shape.
    explicit MemoryDC(DC* compatibleWith);
    ~MemoryDC() override;
    BOOL CreateCompatibleDC(DC* compatibleWith) {
        (void)compatibleWith;
        return TRUE;
    }

protected:
    void paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) override;
    Rect baseClip() const override;
    QImage* directImage() override;
};

// The document-information record of StartDocA: cbSize is the record's size on the platform the
// program was written for (kDocInfoSize); the output, data type and flags are not used.
struct DOCINFO {
    int cbSize = 0;
    const char* lpszDocName = nullptr;
    const char* lpszOutput = nullptr;
    const char* lpszDatatype = nullptr;
    DWORD fwType = 0;
};
constexpr int kDocInfoSize = 20;
constexpr int SP_ERROR = -1;

class PrintDevice;

// A printer context: draws on the printer attached to it (a confirmed print dialog's
// GetPrinterDC, see print_dialog.h), which it releases when it is destroyed. StartDocA begins the
// document and its first sheet; each StartPage after the first starts a new sheet. Without a
// printer, or outside a document, every call fails. The device caps answer the printer's page:
// HORZRES/VERTRES the whole paper in device pixels (nothing of it is unprintable), LOGPIXELSX/Y
// its resolution, RASTERCAPS without RC_PALETTE, BITSPIXEL 24. A DIB is drawn at its own
// resolution into the destination, so a printed picture keeps every pixel it has.
class PrinterDC : public DC {
public:
    PrinterDC();
    ~PrinterDC() override;
    // FALSE for no printer, or when one is attached already.
    BOOL Attach(std::shared_ptr<PrintDevice> printer);
    std::shared_ptr<PrintDevice> Detach();
    bool hasPrinter() const { return m_printer != nullptr; }

    // The document's name goes to the spooler and into the PDF's title. Returns a positive job
    // number, or SP_ERROR.
    int StartDocA(const DOCINFO* info);
    int StartDoc(const char* documentName);
    // Positive on success, SP_ERROR otherwise.
    int StartPage();
    int EndPage();
    // The document goes to its printer (or file); a document ended without any drawing is one
    // blank sheet.
    int EndDoc();
    // Ends the document without printing anything.
    int AbortDoc();
    bool inDocument() const { return m_painter != nullptr; }
    int GetDeviceCaps(int index) const override;
    int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                      UINT usage, DWORD rop) override;

    // Layer use: the toolkit printer (null without one) and the painter of the open document.
    QPrinter* printer() const;
    QPainter* painter() const { return m_painter.get(); }

protected:
    void paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) override;
    Rect baseClip() const override;
    bool isDisplay() const override { return false; }

private:
    std::shared_ptr<PrintDevice> m_printer;
    std::unique_ptr<QPainter> m_painter;
    int m_pagesStarted = 0;
    bool m_pageOpen = false;
};

constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;

// Extra printer capability indexes.
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;

} // namespace platform

using HDC = platform::DC*;
