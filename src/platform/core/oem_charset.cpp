// Code page 437 to Windows-1252, with a best-fit choice for the characters 1252 lacks.
#include "platform/core/oem_charset.h"

namespace platform {
namespace {

// Windows-1252 bytes for code page 437 bytes 0x80..0xFF.
constexpr unsigned char kOemHigh[128] = {
    // 0x80: Ç ü é â ä à å ç ê ë è ï î ì Ä Å
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,
    // 0x90: É æ Æ ô ö ò û ù ÿ Ö Ü ¢ £ ¥ Pt ƒ
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 'P', 0x83,
    // 0xA0: á í ó ú ñ Ñ ª º ¿ ⌐ ¬ ½ ¼ ¡ « »
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAC, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,
    // 0xB0: shades, then box drawing
    '#', '#', '#', '|', '+', '+', '+', '+', '+', '+', '|', '+', '+', '+', '+', '+',
    // 0xC0
    '+', '+', '+', '+', '-', '+', '+', '+', '+', '+', '+', '+', '+', '=', '+', '+',
    // 0xD0: box drawing, then blocks
    '+', '+', '+', '+', '+', '+', '+', '+', '+', '+', '+', '#', '#', '#', '#', '#',
    // 0xE0: α ß Γ π Σ σ µ τ Φ Θ Ω δ ∞ φ ε ∩
    'a', 0xDF, 'G', 'p', 'S', 's', 0xB5, 't', 'F', 'T', 'O', 'd', '8', 'f', 'e', 'n',
    // 0xF0: ≡ ± ≥ ≤ ⌠ ⌡ ÷ ≈ ° ∙ · √ ⁿ ² ■ nbsp
    '=', 0xB1, '=', '=', '(', ')', 0xF7, '~', 0xB0, 0xB7, 0xB7, 'v', 'n', 0xB2, 0xA6, 0xA0,
};

} // namespace

unsigned char oemToAnsi(unsigned char oem) { return oem < 0x80 ? oem : kOemHigh[oem - 0x80]; }

} // namespace platform

BOOL OemToCharA(const char* src, char* dst) {
    if (!src || !dst) return FALSE;
    do {
        *dst++ = char(platform::oemToAnsi(static_cast<unsigned char>(*src)));
    } while (*src++ != '\0');
    return TRUE;
}
