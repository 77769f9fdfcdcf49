// Fuzzes JPEG reading through ReadImageFile; the first byte chooses the display depth (8: reduced
// to a fixed 256-colour palette, 24: direct colour).
#include "fuzz/fuzz_support_imaging.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_imaging::setUpOnce();
    if (size < 1) return 0;
    static platform::Palette palette;
    static const bool made = [] {
        alignas(LOGPALETTE) BYTE record[4 + 256 * 4];
        auto* log = reinterpret_cast<LOGPALETTE*>(record);
        log->palVersion = 0x0300;
        log->palNumEntries = 256;
        for (int i = 0; i < 256; ++i)
            log->palPalEntry[i] =
                PALETTEENTRY{BYTE((i & 7) * 36), BYTE(((i >> 3) & 7) * 36), BYTE((i >> 6) * 85), 0};
        return palette.CreatePalette(log) == TRUE;
    }();
    (void)made;
    Cmemdib::SetDisplayDepth((data[0] & 1) ? 24 : 8);
    const std::string path = fuzz_imaging::scratchFile("photo.jpg");
    if (!fuzz_imaging::writeScratch(path, data + 1, size - 1)) return 0;
    Cmemdib image;
    image.ReadImageFile(path.c_str(), "Fuzz", TRUE, nullptr, &palette, TRUE, "fuzz");
    fuzz_imaging::exercise(image);
    return 0;
}
