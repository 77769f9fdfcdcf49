// Device-independent bitmap headers (the Windows in-memory layout, little-endian) and the pixel
// conversions every device context shares.
#pragma once

#include "platform/core/palette.h"
#include "platform/core/win_types.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#pragma pack(push, 1)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD CBM_INIT = 0x04;

namespace platform {

// Bytes in one stored row: padded to a multiple of four. Nullopt when it would overflow.
std::optional<std::size_t> dibStride(std::int64_t width, int bitCount);

// A 32-bit pixel surface (0x00RRGGBB per pixel, top row first) that drawing writes into.
struct PixelSurface {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0; // in pixels
};

// Copies the source rectangle of a bottom-up 8- or 24-bit DIB to the destination rectangle of a
// surface, nearest-neighbour when the sizes differ, clipped to clip (surface coordinates) and to
// the surface. The source rectangle is in stored-row coordinates: ySrc counts rows from the first
// stored (bottom) row, so the destination's top row shows row ySrc + srcHeight - 1. 8-bit colours
// come from the colour table; with a palette given they map to its nearest entries, as on a
// palette display. Source pixels outside the bitmap are not drawn. Returns srcHeight (the rows the
// blit covers, also when clipping leaves nothing to draw), or 0 for an unusable header, bits or
// rectangles (a non-positive size).
int stretchDibToSurface(const PixelSurface& target, const Rect& clip, int xDest, int yDest,
                        int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                        int srcHeight, const void* bits, const BITMAPINFO* info,
                        const Palette* mapTo);

} // namespace platform
