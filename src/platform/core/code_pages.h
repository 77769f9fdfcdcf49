// Single-byte Windows, DOS and Macintosh code pages to Unicode, for readers of old text formats.
#pragma once

#include <cstdint>

namespace platform {

// One code page: bytes 0x00-0x7F are ASCII in every page here, bytes 0x80-0xFF come from a table.
struct CodePage {
    int number = 0;
    const std::uint16_t* high = nullptr; // 128 characters for 0x80..0xFF; U+FFFD where undefined

    char32_t decode(unsigned char byte) const { return byte < 0x80 ? byte : high[byte - 0x80]; }
};

// The page with that number (437, 850, 852, 866, 874, 1250-1258, 10000 Mac Roman), or null.
const CodePage* findCodePage(int number);

} // namespace platform
