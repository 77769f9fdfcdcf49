// Logical palettes, the one emulated system palette and the display mode.
#include "platform/core/palette.h"

#include <cstdlib>
#include <cstring>
#include <optional>

namespace platform {
namespace {

std::uint64_t nextPaletteId() {
    static std::uint64_t counter = 0;
    return ++counter;
}

// The 20 static colours a display with a palette reserves: the first ten and the last ten entries.
constexpr PALETTEENTRY kStaticColours[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};

std::vector<PALETTEENTRY>& systemEntries() {
    static std::vector<PALETTEENTRY> entries;
    return entries;
}

bool sameEntry(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue &&
           a.peFlags == b.peFlags;
}

std::optional<bool>& displayMode() {
    static std::optional<bool> mode;
    return mode;
}

} // namespace

BOOL Palette::CreatePalette(const LOGPALETTE* record) {
    if (!record || record->palNumEntries < 1 || record->palNumEntries > 256) return FALSE;
    const WORD count = record->palNumEntries;
    std::vector<PALETTEENTRY> entries(count);
    std::memcpy(entries.data(), record->palPalEntry, count * sizeof(PALETTEENTRY));
    m_entries = std::move(entries);
    m_id = nextPaletteId();
    return TRUE;
}

BOOL Palette::DeleteObject() {
    if (!hasHandle()) return FALSE;
    m_entries.clear();
    m_id = 0;
    return TRUE;
}

UINT Palette::GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* out) const {
    if (!hasHandle() || !out || start >= m_entries.size()) return 0;
    const UINT n = std::min<UINT>(count, UINT(m_entries.size()) - start);
    std::memcpy(out, m_entries.data() + start, n * sizeof(PALETTEENTRY));
    return n;
}

UINT Palette::GetNearestPaletteIndex(COLORREF colour) const {
    if (m_entries.empty()) return GDI_ERROR_UINT;
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    UINT best = 0;
    int bestDistance = 1 << 30;
    for (UINT i = 0; i < m_entries.size(); ++i) {
        const int dr = m_entries[i].peRed - r;
        const int dg = m_entries[i].peGreen - g;
        const int db = m_entries[i].peBlue - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) break;
        }
    }
    return best;
}

Palette* defaultPalette() {
    static Palette* palette = [] {
        static Palette p;
        alignas(LOGPALETTE) BYTE record[4 + sizeof(kStaticColours)];
        auto* log = reinterpret_cast<LOGPALETTE*>(record);
        log->palVersion = 0x0300;
        log->palNumEntries = 20;
        std::memcpy(record + 4, kStaticColours, sizeof(kStaticColours));
        p.CreatePalette(log);
        return &p;
    }();
    return palette;
}

UINT SystemPalette::realize(const Palette& palette, bool background) {
    if (!palette.hasHandle()) return GDI_ERROR_UINT;
    if (background) return 0;
    auto& system = systemEntries();
    const auto& entries = palette.entries();
    if (system.size() < entries.size()) system.resize(entries.size(), PALETTEENTRY{0, 0, 0, 0xFF});
    UINT changed = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // A fresh slot is marked with flags 0xFF, which no realised entry carries, so it counts as
        // changed the first time.
        if (!sameEntry(system[i], entries[i])) {
            system[i] = entries[i];
            ++changed;
        }
    }
    return changed;
}

const std::vector<PALETTEENTRY>& SystemPalette::entries() {
    return systemEntries();
}

void SystemPalette::reset() {
    systemEntries().clear();
}

bool displayUsesPalette() {
    auto& mode = displayMode();
    if (!mode) {
        const char* value = std::getenv("PANORAMA_DISPLAY");
        mode = value && std::strcmp(value, "palette") == 0;
    }
    return *mode;
}

void setDisplayUsesPalette(bool usesPalette) {
    displayMode() = usesPalette;
}

std::uint32_t resolveColour(COLORREF colour, const Palette* selected) {
    const auto rgbOf = [](const PALETTEENTRY& e) {
        return (std::uint32_t(e.peRed) << 16) | (std::uint32_t(e.peGreen) << 8) | e.peBlue;
    };
    const std::uint32_t kind = colour >> 24;
    if (kind == 0x01) {
        // A palette index: that entry of the selected palette, black when there is none.
        const UINT index = colour & 0xFFFF;
        if (selected && index < selected->entries().size())
            return rgbOf(selected->entries()[index]);
        return 0;
    }
    if (displayUsesPalette() && selected && selected->hasHandle())
        return rgbOf(selected->entries()[selected->GetNearestPaletteIndex(colour & 0xFFFFFF)]);
    return (std::uint32_t(GetRValue(colour)) << 16) | (std::uint32_t(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

} // namespace platform
