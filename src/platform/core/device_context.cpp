// Palette selection shared by every device context, the off-screen bitmap context, the screen
// context and device-dependent bitmaps.
#include "platform/core/device_context.h"

#include "platform/core/system_metrics.h"

#include <algorithm>

namespace platform {
namespace {

// The screen: palette work and capabilities, but nothing to draw on.
class ScreenDeviceContext final : public DeviceContext {
public:
    int StretchDIBits(int, int, int, int, int, int, int, int, const void*, const BITMAPINFO*, UINT,
                      DWORD) override {
        return 0;
    }
    void FillSolidRect(const Rect&, COLORREF) override {}
    int GetDeviceCaps(int index) const override { return displayDeviceCaps(index); }
};

// Largest device bitmap made from a DIB: 2^28 pixels (1 GiB of 32-bit pixels).
constexpr std::int64_t kMaxDeviceBitmapPixels = std::int64_t(1) << 28;

} // namespace

Palette* DeviceContext::SelectPalette(Palette* palette, BOOL forceBackground) {
    Palette* previous = m_palette;
    m_palette = palette;
    m_background = forceBackground != FALSE;
    return previous;
}

UINT DeviceContext::RealizePalette() {
    if (!m_palette) return GDI_ERROR_UINT;
    return SystemPalette::realize(*m_palette, m_background);
}

BitmapDeviceContext::BitmapDeviceContext(int width, int height, COLORREF fill)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(std::size_t(m_width) * std::size_t(m_height)), m_clip{0, 0, m_width, m_height} {
    m_surface = PixelSurface{m_pixels.data(), m_width, m_height, m_width};
    FillSolidRect(m_clip, fill);
}

int BitmapDeviceContext::StretchDIBits(int xDest, int yDest, int destWidth, int destHeight,
                                       int xSrc, int ySrc, int srcWidth, int srcHeight,
                                       const void* bits, const BITMAPINFO* info, UINT usage,
                                       DWORD rop) {
    if (usage != DIB_RGB_COLORS || rop != SRCCOPY) return 0;
    return stretchDibToSurface(m_surface, m_clip, xDest, yDest, destWidth, destHeight, xSrc, ySrc,
                               srcWidth, srcHeight, bits, info,
                               displayUsesPalette() ? m_palette : nullptr);
}

void BitmapDeviceContext::FillSolidRect(const Rect& rect, COLORREF colour) {
    const Rect r = rect.intersect(m_clip).intersect(Rect{0, 0, m_width, m_height});
    if (r.isEmpty()) return;
    const std::uint32_t pixel = resolveColour(colour, m_palette);
    for (int y = r.top; y < r.bottom; ++y) {
        auto* row = m_pixels.data() + std::size_t(y) * std::size_t(m_width);
        std::fill(row + r.left, row + r.right, pixel);
    }
}

int BitmapDeviceContext::GetDeviceCaps(int index) const {
    switch (index) {
    case HORZRES:
        return m_width;
    case VERTRES:
        return m_height;
    default:
        return displayDeviceCaps(index);
    }
}

std::unique_ptr<DeviceContext> GetScreenDC() {
    return std::make_unique<ScreenDeviceContext>();
}

int displayDeviceCaps(int index) {
    const bool palette = displayUsesPalette();
    switch (index) {
    case HORZRES:
        return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES:
        return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL:
        return palette ? 8 : 24;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return palette ? 20 : -1;
    case RASTERCAPS:
        return RC_BITBLT | RC_DIBTODEV | RC_STRETCHDIB | (palette ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case SIZEPALETTE:
        return palette ? 256 : 0;
    default:
        return 0;
    }
}

std::unique_ptr<DeviceBitmap> CreateDIBitmap(DeviceContext& dc, const BITMAPINFOHEADER* header,
                                             DWORD init, const void* bits, const BITMAPINFO* info,
                                             UINT usage) {
    if (!header || header->biWidth <= 0 || header->biHeight == 0 || usage != DIB_RGB_COLORS)
        return nullptr;
    const std::int64_t width = header->biWidth;
    const std::int64_t height =
        header->biHeight < 0 ? -std::int64_t(header->biHeight) : std::int64_t(header->biHeight);
    if (width * height > kMaxDeviceBitmapPixels) return nullptr;
    auto bitmap = std::make_unique<DeviceBitmap>();
    bitmap->width = int(width);
    bitmap->height = int(height);
    bitmap->pixels.assign(std::size_t(width * height), 0);
    if (init & CBM_INIT) {
        if (!bits || !info) return nullptr;
        const PixelSurface surface{bitmap->pixels.data(), bitmap->width, bitmap->height,
                                   bitmap->width};
        const int drawn =
            stretchDibToSurface(surface, Rect{0, 0, bitmap->width, bitmap->height}, 0, 0,
                                bitmap->width, bitmap->height, 0, 0, bitmap->width, bitmap->height,
                                bits, info, displayUsesPalette() ? dc.selectedPalette() : nullptr);
        if (drawn == 0) return nullptr;
    }
    return bitmap;
}

} // namespace platform
