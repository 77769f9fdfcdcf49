// Logical palettes, the emulated system palette and the display mode (true colour, or an emulated
// 256-colour display on which drawn colours map to the selected palette).
#pragma once

#include "platform/core/win_types.h"

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
// The logical palette record: version 0x0300, the count, then count entries. It is laid out the
// same in memory and in the palette cache file.
struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};
#pragma pack(pop)

constexpr UINT GDI_ERROR_UINT = 0xFFFFFFFFu;

namespace platform {

// A palette object: empty until CreatePalette succeeds, then it holds a palette ("has a handle").
class Palette {
public:
    Palette() = default;
    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;

    // Creates the palette from a record of 1 to 256 entries, replacing one already held.
    // Returns FALSE (and holds nothing) for a null record or a count outside that range.
    BOOL CreatePalette(const LOGPALETTE* record);
    // Releases the palette; the object is empty afterwards.
    BOOL DeleteObject();
    // TRUE once a palette was created and not deleted.
    bool hasHandle() const { return m_id != 0; }
    // A number that identifies the palette held (0 when empty); a new creation gets a new number.
    std::uint64_t handleId() const { return m_id; }

    // Copies up to count entries from start; returns how many were copied (0 when empty).
    UINT GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* out) const;
    UINT GetEntryCount() const { return UINT(m_entries.size()); }
    // The index of the entry closest to a colour (squared distance in RGB; first wins on ties).
    UINT GetNearestPaletteIndex(COLORREF colour) const;
    const std::vector<PALETTEENTRY>& entries() const { return m_entries; }

private:
    std::vector<PALETTEENTRY> m_entries;
    std::uint64_t m_id = 0;
};

// The stock default palette (the 20 static colours of the display) that a fresh device context
// has selected, so that selecting another palette into it answers this one.
Palette* defaultPalette();

// The one emulated system palette of the display. Realising a palette in the foreground copies its
// entries into it and answers how many entries changed; a second realisation of the same palette
// changes nothing and answers 0. A background realisation changes nothing.
class SystemPalette {
public:
    static UINT realize(const Palette& palette, bool background);
    static const std::vector<PALETTEENTRY>& entries();
    // Forgets every realisation (tests, and the start of a run).
    static void reset();
};

// Whether the display works with a palette. False by default (true colour); the environment
// variable PANORAMA_DISPLAY=palette chooses the emulated 256-colour display; tests may set it.
bool displayUsesPalette();
void setDisplayUsesPalette(bool usesPalette);

// The colour a COLORREF stands for when drawn with a selected palette: a palette-relative colour
// (0x02rrggbb form) or a plain RGB on a palette display maps to the nearest palette entry; a
// palette index (0x01000000 | index) picks that entry; on a true-colour display plain and
// palette-relative colours are drawn as given. Returns 0x00RRGGBB (for 32-bit pixels).
std::uint32_t resolveColour(COLORREF colour, const Palette* selected);

} // namespace platform
