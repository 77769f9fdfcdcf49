// Logical palettes, the emulated system palette, the display mode and colour resolution.
#include "platform/core/palette.h"

#include "platform/core/device_context.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<BYTE> record(std::initializer_list<PALETTEENTRY> entries, int count = -1) {
    std::vector<BYTE> bytes(4 + 4 * std::max<std::size_t>(entries.size(), 1));
    auto* log = reinterpret_cast<LOGPALETTE*>(bytes.data());
    log->palVersion = 0x0300;
    log->palNumEntries = WORD(count < 0 ? int(entries.size()) : count);
    std::size_t i = 0;
    for (const auto& e : entries)
        log->palPalEntry[i++] = e;
    return bytes;
}

const LOGPALETTE* asLog(const std::vector<BYTE>& bytes) {
    return reinterpret_cast<const LOGPALETTE*>(bytes.data());
}

} // namespace

TEST(Palette, CreationEntriesAndHandles) {
    platform::Palette palette;
    EXPECT_FALSE(palette.hasHandle());
    PALETTEENTRY out[4] = {};
    EXPECT_EQ(palette.GetPaletteEntries(0, 4, out), 0u);

    const auto three = record({{10, 20, 30, 0}, {200, 0, 0, 0}, {0, 0, 250, 0}});
    ASSERT_TRUE(palette.CreatePalette(asLog(three)));
    EXPECT_TRUE(palette.hasHandle());
    const auto first = palette.handleId();
    EXPECT_EQ(palette.GetPaletteEntries(0, 4, out), 3u) << "no more than the palette holds";
    EXPECT_EQ(out[1].peRed, 200);
    EXPECT_EQ(palette.GetPaletteEntries(2, 4, out), 1u);
    EXPECT_EQ(out[0].peBlue, 250);
    EXPECT_EQ(palette.GetPaletteEntries(3, 1, out), 0u);

    ASSERT_TRUE(palette.CreatePalette(asLog(three)));
    EXPECT_NE(palette.handleId(), first) << "a new creation is a new palette";

    // Counts outside 1 to 256 are refused; the palette held stays.
    const auto before = palette.handleId();
    EXPECT_FALSE(palette.CreatePalette(asLog(record({{0, 0, 0, 0}}, 0))));
    EXPECT_FALSE(palette.CreatePalette(asLog(record({{0, 0, 0, 0}}, 257))));
    EXPECT_FALSE(palette.CreatePalette(nullptr));
    EXPECT_EQ(palette.handleId(), before);

    EXPECT_TRUE(palette.DeleteObject());
    EXPECT_FALSE(palette.hasHandle());
    EXPECT_FALSE(palette.DeleteObject());
}

TEST(Palette, NearestIndex) {
    platform::Palette palette;
    const auto bytes = record({{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}});
    ASSERT_TRUE(palette.CreatePalette(asLog(bytes)));
    struct Case {
        COLORREF colour;
        UINT index;
    } cases[] = {{RGB(10, 10, 10), 0},  {RGB(250, 3, 0), 1}, {RGB(255, 0, 0), 1} /* first wins */,
                 {RGB(100, 200, 0), 2}, {RGB(127, 0, 0), 0}, {RGB(128, 0, 0), 1}};
    for (const auto& c : cases)
        EXPECT_EQ(palette.GetNearestPaletteIndex(c.colour), c.index);
}

TEST(SystemPalette, ForegroundRealisationCountsChanges) {
    platform::SystemPalette::reset();
    platform::Palette a, b;
    ASSERT_TRUE(a.CreatePalette(asLog(record({{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}}))));
    ASSERT_TRUE(b.CreatePalette(asLog(record({{1, 2, 3, 0}, {40, 5, 6, 0}}))));
    EXPECT_EQ(platform::SystemPalette::realize(a, false), 3u);
    EXPECT_EQ(platform::SystemPalette::realize(a, false), 0u) << "a second realisation";
    EXPECT_EQ(platform::SystemPalette::realize(b, true), 0u) << "background changes nothing";
    EXPECT_EQ(platform::SystemPalette::realize(b, false), 1u);
    EXPECT_EQ(platform::SystemPalette::entries()[1].peRed, 40);
    EXPECT_EQ(platform::SystemPalette::realize(a, false), 1u);

    // Through a device context.
    platform::BitmapDeviceContext dc(2, 2);
    EXPECT_EQ(dc.SelectPalette(&b, FALSE), platform::defaultPalette());
    EXPECT_EQ(dc.RealizePalette(), 1u);
    EXPECT_EQ(dc.RealizePalette(), 0u);
    EXPECT_EQ(dc.SelectPalette(nullptr, FALSE), &b);
    EXPECT_EQ(dc.RealizePalette(), GDI_ERROR_UINT) << "no palette selected";
    platform::SystemPalette::reset();
}

TEST(DisplayMode, CapabilitiesAndColours) {
    platform::Palette palette;
    ASSERT_TRUE(palette.CreatePalette(asLog(record({{0, 0, 0, 0}, {200, 100, 50, 0}}))));

    platform::setDisplayUsesPalette(false);
    EXPECT_EQ(platform::displayDeviceCaps(RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(platform::displayDeviceCaps(BITSPIXEL), 24);
    EXPECT_EQ(platform::resolveColour(PALETTERGB(190, 90, 40), &palette), 0xBE5A28u)
        << "true colour draws palette-relative colours as given";
    EXPECT_EQ(platform::resolveColour(RGB(1, 2, 3), &palette), 0x010203u);
    EXPECT_EQ(platform::resolveColour(0x01000001, &palette), 0xC86432u) << "a palette index";
    EXPECT_EQ(platform::resolveColour(0x01000009, &palette), 0u) << "an index beyond the palette";

    platform::setDisplayUsesPalette(true);
    EXPECT_EQ(platform::displayDeviceCaps(RASTERCAPS) & RC_PALETTE, RC_PALETTE);
    EXPECT_EQ(platform::displayDeviceCaps(BITSPIXEL), 8);
    EXPECT_EQ(platform::displayDeviceCaps(LOGPIXELSX), 96);
    EXPECT_EQ(platform::resolveColour(PALETTERGB(190, 90, 40), &palette), 0xC86432u)
        << "a palette display maps to the nearest entry";
    EXPECT_EQ(platform::resolveColour(RGB(190, 90, 40), &palette), 0xC86432u);
    EXPECT_EQ(platform::resolveColour(RGB(190, 90, 40), nullptr), 0xBE5A28u);

    platform::BitmapDeviceContext dc(4, 4);
    dc.SelectPalette(&palette, FALSE);
    dc.FillSolidRect(Rect{1, 1, 3, 3}, PALETTERGB(255, 255, 217));
    EXPECT_EQ(dc.pixel(1, 1), 0xC86432u);
    EXPECT_EQ(dc.pixel(0, 0), 0u);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 4);
    platform::setDisplayUsesPalette(false);
}
