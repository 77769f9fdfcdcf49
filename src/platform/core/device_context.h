// The device-context interface the drawing code of images uses. The Qt layer implements it for
// windows and printer pages; platform/core implements it for off-screen pixel buffers and for the
// screen as a whole (no surface: palette work and capabilities only).
#pragma once

#include "platform/core/dib.h"
#include "platform/core/palette.h"
#include "platform/core/win_types.h"

#include <cstdint>
#include <memory>
#include <vector>

// GetDeviceCaps indexes and values.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_STRETCHDIB = 0x2000;

namespace platform {

class DeviceContext {
public:
    virtual ~DeviceContext() = default;

    // Selects a palette (null selects none) and returns the one selected before.
    virtual Palette* SelectPalette(Palette* palette, BOOL forceBackground);
    // Realises the selected palette in the system palette; answers how many entries changed.
    virtual UINT RealizePalette();
    Palette* selectedPalette() const { return m_palette; }

    // Draws a source rectangle of a bottom-up DIB into a destination rectangle (see
    // stretchDibToSurface for the coordinates). Returns the rows drawn, 0 on failure.
    virtual int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                              int ySrc, int srcWidth, int srcHeight, const void* bits,
                              const BITMAPINFO* info, UINT usage, DWORD rop) = 0;
    virtual void FillSolidRect(const Rect& rect, COLORREF colour) = 0;
    virtual int GetDeviceCaps(int index) const = 0;

protected:
    Palette* m_palette = defaultPalette();
    bool m_background = false;
};

// Draws into a 32-bit pixel buffer it owns (an off-screen bitmap).
class BitmapDeviceContext : public DeviceContext {
public:
    BitmapDeviceContext(int width, int height, COLORREF fill = RGB(0, 0, 0));
    int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                      UINT usage, DWORD rop) override;
    void FillSolidRect(const Rect& rect, COLORREF colour) override;
    int GetDeviceCaps(int index) const override;

    // The clip applied to every drawing operation (the whole surface by default).
    void setClip(const Rect& clip) { m_clip = clip; }
    const PixelSurface& surface() const { return m_surface; }
    std::uint32_t pixel(int x, int y) const { return m_pixels[std::size_t(y) * m_width + x]; }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    int m_width;
    int m_height;
    std::vector<std::uint32_t> m_pixels;
    PixelSurface m_surface;
    Rect m_clip;
};

// The screen as a device context without a surface: palette selection and realisation and the
// display's capabilities (GetDC of no window).
std::unique_ptr<DeviceContext> GetScreenDC();

// Caps shared by the window and screen contexts of the display: RASTERCAPS has RC_PALETTE exactly
// on a palette display; HORZRES/VERTRES the screen size; LOGPIXELS 96; BITSPIXEL 8 or 24.
int displayDeviceCaps(int index);

// A device-dependent bitmap made from a DIB (CreateDIBitmap): its pixels as the display shows
// them, colours resolved through the palette that was selected when it was made.
struct DeviceBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB, top row first
};
std::unique_ptr<DeviceBitmap> CreateDIBitmap(DeviceContext& dc, const BITMAPINFOHEADER* header,
                                             DWORD init, const void* bits, const BITMAPINFO* info,
                                             UINT usage);

} // namespace platform
