// Row strides and the stretch blit: one-to-one, scaled, clipped, outside the bitmap, 24-bit and
// mapped to a palette; device bitmaps made from a DIB.
#include "platform/core/dib.h"

#include "platform/core/device_context.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A bottom-up 8-bit DIB whose pixel (x, y) (y from the top) has index x + 16 y, and whose colour
// for index i is (i, 255 - i, 7).
struct TestDib {
    int width, height;
    std::vector<BYTE> block;
    TestDib(int w, int h, int bitCount = 8) : width(w), height(h) {
        const std::size_t stride = *platform::dibStride(w, bitCount);
        const std::size_t table = bitCount == 8 ? 1024 : 0;
        block.assign(40 + table + stride * std::size_t(h), 0);
        BITMAPINFOHEADER hdr{};
        hdr.biSize = 40;
        hdr.biWidth = w;
        hdr.biHeight = h;
        hdr.biPlanes = 1;
        hdr.biBitCount = WORD(bitCount);
        std::memcpy(block.data(), &hdr, 40);
        for (int i = 0; i < 256 && table; ++i) {
            block[40 + 4 * std::size_t(i)] = 7;
            block[40 + 4 * std::size_t(i) + 1] = BYTE(255 - i);
            block[40 + 4 * std::size_t(i) + 2] = BYTE(i);
        }
        BYTE* rows = block.data() + 40 + table;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                BYTE* p = rows + std::size_t(h - 1 - y) * stride + std::size_t(x) * (bitCount / 8);
                if (bitCount == 8) {
                    *p = BYTE(x + 16 * y);
                } else {
                    p[0] = BYTE(y); // blue
                    p[1] = BYTE(x); // green
                    p[2] = 200;     // red
                }
            }
    }
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(block.data()); }
    const void* bits() const {
        return block.data() + 40 + (info()->bmiHeader.biBitCount == 8 ? 1024 : 0);
    }
    static std::uint32_t colour(int x, int y) {
        const int i = (x + 16 * y) & 0xFF;
        return (std::uint32_t(i) << 16) | (std::uint32_t(255 - i) << 8) | 7;
    }
};

constexpr std::uint32_t kBackground = 0xABCDEF;

} // namespace

TEST(Dib, Stride) {
    struct Case {
        std::int64_t width;
        int bits;
        std::optional<std::size_t> stride;
    } cases[] = {{1, 8, 4},
                 {4, 8, 4},
                 {5, 8, 8},
                 {1, 24, 4},
                 {5, 24, 16},
                 {0, 8, 0},
                 {-1, 8, std::nullopt},
                 {INT64_MAX, 24, std::nullopt},
                 {2, 0, std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(platform::dibStride(c.width, c.bits), c.stride) << c.width;
}

TEST(StretchDib, OneToOneSourceRowsAreCountedFromTheBottom) {
    const TestDib dib(10, 8);
    platform::BitmapDeviceContext dc(12, 12, RGB(0xAB, 0xCD, 0xEF));
    // Image rows 2..5 (top-down) are stored rows 2..5 from the bottom of 8: ySrc = 8 - 6 = 2.
    EXPECT_EQ(
        dc.StretchDIBits(1, 3, 4, 4, 3, 2, 4, 4, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY),
        4);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 1 && x < 5 && y >= 3 && y < 7;
            ASSERT_EQ(dc.pixel(x, y), inside ? TestDib::colour(x - 1 + 3, y - 3 + 2) : kBackground)
                << x << "," << y;
        }
}

TEST(StretchDib, ClippingAndSourceOutsideTheBitmap) {
    const TestDib dib(6, 6);
    platform::BitmapDeviceContext dc(10, 10, RGB(0xAB, 0xCD, 0xEF));
    dc.setClip(Rect{2, 2, 8, 8});
    // The destination reaches past the clip and the surface; the source starts left of column 0.
    dc.StretchDIBits(-3, -3, 20, 20, -2, 0, 20, 20, dib.bits(), dib.info(), DIB_RGB_COLORS,
                     SRCCOPY);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            // Destination (x, y) shows source column x + 1 and stored row 19 - (y + 3).
            const int sx = x + 1;
            const int stored = 19 - (y + 3);
            const bool inClip = x >= 2 && x < 8 && y >= 2 && y < 8;
            const bool inImage = sx >= 0 && sx < 6 && stored >= 0 && stored < 6;
            const std::uint32_t expected =
                inClip && inImage ? TestDib::colour(sx, 5 - stored) : kBackground;
            ASSERT_EQ(dc.pixel(x, y), expected) << x << "," << y;
        }
}

TEST(StretchDib, ScaledIsNearestNeighbour) {
    const TestDib dib(4, 4);
    platform::BitmapDeviceContext dc(8, 8);
    dc.StretchDIBits(0, 0, 8, 8, 0, 0, 4, 4, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(dc.pixel(x, y), TestDib::colour(x / 2, y / 2));
    platform::BitmapDeviceContext small(2, 2);
    small.StretchDIBits(0, 0, 2, 2, 0, 0, 4, 4, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(small.pixel(1, 1), TestDib::colour(2, 2));
}

TEST(StretchDib, TwentyFourBitAndPaletteMapping) {
    const TestDib dib(5, 3, 24);
    platform::BitmapDeviceContext dc(5, 3);
    dc.StretchDIBits(0, 0, 5, 3, 0, 0, 5, 3, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(dc.pixel(4, 2), 0xC80402u);

    platform::Palette two;
    BYTE bytes[4 + 8] = {0x00, 0x03, 2, 0, 0, 0, 0, 0, 0, 255, 0, 0}; // black, green
    ASSERT_TRUE(two.CreatePalette(reinterpret_cast<const LOGPALETTE*>(bytes)));
    platform::setDisplayUsesPalette(true);
    platform::BitmapDeviceContext mapped(5, 3);
    mapped.SelectPalette(&two, FALSE);
    mapped.StretchDIBits(0, 0, 5, 3, 0, 0, 5, 3, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    const TestDib indexed(5, 3);
    platform::BitmapDeviceContext mapped8(5, 3);
    mapped8.SelectPalette(&two, FALSE);
    mapped8.StretchDIBits(0, 0, 5, 3, 0, 0, 5, 3, indexed.bits(), indexed.info(), DIB_RGB_COLORS,
                          SRCCOPY);
    platform::setDisplayUsesPalette(false);
    EXPECT_EQ(mapped.pixel(0, 0), 0u) << "(200, 0, 0) is nearer black than green";
    EXPECT_EQ(mapped8.pixel(0, 0), 0x00FF00u) << "(0, 255, 7) is nearer green";
    EXPECT_EQ(mapped8.pixel(1, 2), 0x00FF00u) << "(33, 222, 7)";
}

TEST(StretchDib, UnusableInputsDrawNothing) {
    TestDib dib(4, 4);
    platform::BitmapDeviceContext dc(4, 4, RGB(0xAB, 0xCD, 0xEF));
    auto blit = [&](const BITMAPINFO* info, const void* bits, int w, UINT usage = DIB_RGB_COLORS) {
        return dc.StretchDIBits(0, 0, w, 4, 0, 0, 4, 4, bits, info, usage, SRCCOPY);
    };
    EXPECT_EQ(blit(nullptr, nullptr, 4), 0);
    EXPECT_EQ(blit(dib.info(), dib.bits(), 0), 0);
    EXPECT_EQ(blit(dib.info(), dib.bits(), -4), 0);
    EXPECT_EQ(blit(dib.info(), dib.bits(), 4, DIB_PAL_COLORS), 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.block.data());
    header->biCompression = 1;
    EXPECT_EQ(blit(dib.info(), dib.bits(), 4), 0);
    header->biCompression = 0;
    header->biBitCount = 4;
    EXPECT_EQ(blit(dib.info(), dib.bits(), 4), 0);
    EXPECT_EQ(dc.pixel(0, 0), kBackground);
    header->biBitCount = 8;
    // Fully clipped away: no failure, nothing drawn.
    dc.setClip(Rect{});
    EXPECT_EQ(blit(dib.info(), dib.bits(), 4), 4);
    EXPECT_EQ(dc.pixel(0, 0), kBackground);
}

TEST(CreateDIBitmap, MakesTheImageAsDrawn) {
    const TestDib dib(3, 2);
    auto screen = platform::GetScreenDC();
    auto bitmap = platform::CreateDIBitmap(*screen, &dib.info()->bmiHeader, CBM_INIT, dib.bits(),
                                           dib.info(), DIB_RGB_COLORS);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 3);
    EXPECT_EQ(bitmap->height, 2);
    EXPECT_EQ(bitmap->pixels[0], TestDib::colour(0, 0));
    EXPECT_EQ(bitmap->pixels[5], TestDib::colour(2, 1));
    EXPECT_EQ(platform::CreateDIBitmap(*screen, nullptr, CBM_INIT, dib.bits(), dib.info(),
                                       DIB_RGB_COLORS),
              nullptr);
    EXPECT_EQ(screen->GetDeviceCaps(LOGPIXELSY), 96);
}
