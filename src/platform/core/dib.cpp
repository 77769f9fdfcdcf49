// Row strides of device-independent bitmaps and the stretch blit every device context draws with.
#include "platform/core/dib.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

namespace platform {
namespace {

// Colour-table entries an 8-bit DIB carries: biClrUsed when set (at most 256), else 256.
std::size_t tableEntries(const BITMAPINFOHEADER& h) {
    return h.biClrUsed == 0 ? 256 : std::min<std::size_t>(h.biClrUsed, 256);
}

std::uint32_t toPixel(BYTE r, BYTE g, BYTE b) {
    return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
}

// The 8-bit lookup from index to surface pixel. Mapping every table entry to the nearest palette
// entry costs 256 searches, so the last mapping is kept and reused while the palette and the table
// are unchanged (a panorama repaints with the same pair every time).
struct LookupCache {
    std::uint64_t paletteId = 0;
    std::array<RGBQUAD, 256> table{};
    std::size_t count = 0;
    std::array<std::uint32_t, 256> lut{};
};

void buildLookup(std::array<std::uint32_t, 256>& lut, const BITMAPINFO* info,
                 const Palette* mapTo) {
    const std::size_t count = tableEntries(info->bmiHeader);
    const RGBQUAD* table = info->bmiColors;
    if (mapTo && mapTo->hasHandle()) {
        static LookupCache cache;
        if (cache.paletteId == mapTo->handleId() && cache.count == count &&
            std::memcmp(cache.table.data(), table, count * sizeof(RGBQUAD)) == 0) {
            lut = cache.lut;
            return;
        }
        const auto& entries = mapTo->entries();
        for (std::size_t i = 0; i < 256; ++i) {
            if (i >= count) {
                lut[i] = 0;
                continue;
            }
            const UINT n = mapTo->GetNearestPaletteIndex(
                RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue));
            lut[i] = toPixel(entries[n].peRed, entries[n].peGreen, entries[n].peBlue);
        }
        cache.paletteId = mapTo->handleId();
        cache.count = count;
        std::memcpy(cache.table.data(), table, count * sizeof(RGBQUAD));
        cache.lut = lut;
        return;
    }
    for (std::size_t i = 0; i < 256; ++i)
        lut[i] = i < count ? toPixel(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue) : 0;
}

// A 24-bit pixel as drawn: as given, or the nearest palette entry on a palette display.
class DirectColour {
public:
    explicit DirectColour(const Palette* mapTo)
        : m_palette(mapTo && mapTo->hasHandle() ? mapTo : nullptr) {}
    std::uint32_t operator()(const BYTE* bgr) {
        const std::uint32_t colour = toPixel(bgr[2], bgr[1], bgr[0]);
        if (!m_palette) return colour;
        if (colour != m_lastIn || !m_haveLast) {
            const auto& e =
                m_palette
                    ->entries()[m_palette->GetNearestPaletteIndex(RGB(bgr[2], bgr[1], bgr[0]))];
            m_lastIn = colour;
            m_lastOut = toPixel(e.peRed, e.peGreen, e.peBlue);
            m_haveLast = true;
        }
        return m_lastOut;
    }
    bool mapped() const { return m_palette != nullptr; }

private:
    const Palette* m_palette;
    std::uint32_t m_lastIn = 0;
    std::uint32_t m_lastOut = 0;
    bool m_haveLast = false;
};

} // namespace

std::optional<std::size_t> dibStride(std::int64_t width, int bitCount) {
    if (width < 0 || bitCount <= 0 || bitCount > 32) return std::nullopt;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (width > (kMax - 31) / bitCount) return std::nullopt;
    const std::int64_t stride = (width * bitCount + 31) / 32 * 4;
    if (std::uint64_t(stride) > std::numeric_limits<std::size_t>::max()) return std::nullopt;
    return std::size_t(stride);
}

int stretchDibToSurface(const PixelSurface& target, const Rect& clip, int xDest, int yDest,
                        int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                        int srcHeight, const void* bits, const BITMAPINFO* info,
                        const Palette* mapTo) {
    if (!bits || !info || !target.pixels) return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight <= 0 ||
        h.biPlanes != 1 || (h.biBitCount != 8 && h.biBitCount != 24) || h.biCompression != BI_RGB)
        return 0;
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return 0;
    const auto strideOr = dibStride(h.biWidth, h.biBitCount);
    if (!strideOr) return 0;
    const std::size_t stride = *strideOr;
    const int bytesPerPixel = h.biBitCount / 8;
    const auto* rows = static_cast<const BYTE*>(bits);

    // The destination pixels that are drawn: the destination rectangle within clip and surface.
    // Coordinates are 64-bit so that no sum of outside values can overflow.
    const std::int64_t dl = xDest, dt = yDest;
    const std::int64_t dr = dl + destWidth, db = dt + destHeight;
    const std::int64_t cl = std::max<std::int64_t>({dl, clip.left, 0});
    const std::int64_t ct = std::max<std::int64_t>({dt, clip.top, 0});
    const std::int64_t cr = std::min<std::int64_t>({dr, clip.right, target.width});
    const std::int64_t cb = std::min<std::int64_t>({db, clip.bottom, target.height});
    if (cl >= cr || ct >= cb) return srcHeight;

    // Source columns and rows outside the bitmap are not drawn: the destination keeps its pixels.
    const std::int64_t sx0 = xSrc, sy0 = ySrc;
    const std::int64_t imageWidth = h.biWidth, imageHeight = h.biHeight;
    const bool oneToOne = destWidth == srcWidth && destHeight == srcHeight;

    std::array<std::uint32_t, 256> lut;
    if (bytesPerPixel == 1) buildLookup(lut, info, mapTo);
    DirectColour direct(mapTo);

    if (oneToOne) {
        // Destination (x, y) shows source column sx0 + (x - dl) and the stored row counted from
        // the top of the source rectangle: sy0 + srcHeight - 1 - (y - dt).
        std::int64_t x0 = std::max(cl, dl + (0 - sx0));
        std::int64_t x1 = std::min(cr, dl + (imageWidth - sx0));
        if (x0 >= x1) return srcHeight;
        const std::size_t count = std::size_t(x1 - x0);
        const std::int64_t firstColumn = sx0 + (x0 - dl);
        for (std::int64_t y = ct; y < cb; ++y) {
            const std::int64_t stored = sy0 + srcHeight - 1 - (y - dt);
            if (stored < 0 || stored >= imageHeight) continue;
            const BYTE* src =
                rows + std::size_t(stored) * stride + std::size_t(firstColumn) * bytesPerPixel;
            std::uint32_t* dst = target.pixels + std::ptrdiff_t(y) * target.stride + x0;
            if (bytesPerPixel == 1) {
                for (std::size_t i = 0; i < count; ++i)
                    dst[i] = lut[src[i]];
            } else if (!direct.mapped()) {
                for (std::size_t i = 0; i < count; ++i, src += 3)
                    dst[i] = toPixel(src[2], src[1], src[0]);
            } else {
                for (std::size_t i = 0; i < count; ++i, src += 3)
                    dst[i] = direct(src);
            }
        }
        return srcHeight;
    }

    // Scaled: nearest neighbour. The source column of each drawn destination column is computed
    // once; rows are mapped as they are drawn.
    std::vector<std::int64_t> columns(std::size_t(cr - cl));
    for (std::int64_t x = cl; x < cr; ++x)
        columns[std::size_t(x - cl)] = sx0 + (x - dl) * srcWidth / destWidth;
    for (std::int64_t y = ct; y < cb; ++y) {
        const std::int64_t fromTop = (y - dt) * srcHeight / destHeight;
        const std::int64_t stored = sy0 + srcHeight - 1 - fromTop;
        if (stored < 0 || stored >= imageHeight) continue;
        const BYTE* row = rows + std::size_t(stored) * stride;
        std::uint32_t* dst = target.pixels + std::ptrdiff_t(y) * target.stride;
        for (std::int64_t x = cl; x < cr; ++x) {
            const std::int64_t sx = columns[std::size_t(x - cl)];
            if (sx < 0 || sx >= imageWidth) continue;
            const BYTE* p = row + std::size_t(sx) * bytesPerPixel;
            dst[x] = bytesPerPixel == 1 ? lut[*p] : direct(p);
        }
    }
    return srcHeight;
}

} // namespace platform
