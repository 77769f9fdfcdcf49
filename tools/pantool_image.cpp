// pantool image and pantool palette: the imaging readers on the command line. Messages the
// readers show go to standard error as "caption: text", and a failed read fails the command.
#include "tools/pantool_image.h"

#include "imaging/cmemdib.h"
#include "tools/bmp_writer.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace pantool {
namespace {

constexpr const char* kCaption = "pantool";

// Reads a palette cache file by path, with the checks MakePalette makes of memdib.pal.
bool readPaletteFile(const std::string& path, platform::Palette& palette) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 4 + 256 * 4) return false;
    const auto* record = reinterpret_cast<const LOGPALETTE*>(bytes.data());
    if (record->palNumEntries < 1 || record->palNumEntries > 256) return false;
    return palette.CreatePalette(record) == TRUE;
}

} // namespace

int runImage(const std::vector<std::string>& args) {
    std::string file, palettePath, out;
    int depth = 8;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--depth" && hasValue) {
            depth = std::atoi(args[++i].c_str());
            if (depth != 8 && depth != 24) {
                std::fprintf(stderr, "pantool image: --depth takes 8 or 24\n");
                return 2;
            }
        } else if (a == "--palette" && hasValue) {
            palettePath = args[++i];
        } else if (a == "--out" && hasValue) {
            out = args[++i];
        } else if (file.empty() && !a.empty() && a[0] != '-') {
            file = a;
        } else {
            std::fprintf(stderr, "pantool image: unexpected argument %s\n", a.c_str());
            return 2;
        }
    }
    if (file.empty()) {
        std::fprintf(stderr, "usage: pantool image FILE [--depth 8|24] [--palette memdib.pal] "
                             "[--out OUT.bmp]\n");
        return 2;
    }
    platform::Palette palette;
    if (!palettePath.empty() && !readPaletteFile(palettePath, palette)) {
        std::fprintf(stderr, "pantool image: %s is not a palette file\n", palettePath.c_str());
        return 1;
    }
    Cmemdib::SetDisplayDepth(depth);
    Cmemdib image;
    if (!image.ReadImageFile(file.c_str(), file.c_str(), TRUE, nullptr,
                             palette.hasHandle() ? &palette : nullptr, TRUE, kCaption))
        return 1;
    std::printf("width %d\nheight %d\nbits %d\n", image.width(), image.height(), image.bitCount());
    if (!out.empty()) {
        const std::size_t bitsOffset =
            std::size_t(image.bits() - reinterpret_cast<const BYTE*>(image.dib));
        if (!tools::writeFile(out, tools::bmpFromDib(image.dib, image.blockSize(), bitsOffset))) {
            std::fprintf(stderr, "pantool image: could not write %s\n", out.c_str());
            return 1;
        }
    }
    return 0;
}

int runPalette(const std::vector<std::string>& args) {
    if (args.size() != 3 || args[1] != "--out") {
        std::fprintf(stderr, "usage: pantool palette IMAGE.GZ --out memdib.pal\n");
        return 2;
    }
    Cmemdib image;
    if (!image.ReadImageFile(args[0].c_str(), args[0].c_str(), TRUE, nullptr, nullptr, TRUE,
                             kCaption))
        return 1;
    platform::Palette palette;
    if (!image.MakePalette(&palette, PaletteFromBitmap, TRUE, nullptr, nullptr, TRUE, kCaption)) {
        std::fprintf(stderr, "pantool palette: %s is not an 8-bit image\n", args[0].c_str());
        return 1;
    }
    // The record as MakePalette saves it: version, count, then red, green, blue, 0 per entry.
    std::string record(4 + palette.entries().size() * 4, '\0');
    const WORD version = 0x0300, count = WORD(palette.entries().size());
    std::memcpy(record.data(), &version, 2);
    std::memcpy(record.data() + 2, &count, 2);
    std::memcpy(record.data() + 4, palette.entries().data(), palette.entries().size() * 4);
    if (!tools::writeFile(args[2], record)) {
        std::fprintf(stderr, "pantool palette: could not write %s\n", args[2].c_str());
        return 1;
    }
    std::printf("palette of %u entries written to %s\n", unsigned(count), args[2].c_str());
    return 0;
}

} // namespace pantool
