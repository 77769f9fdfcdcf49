// Fuzzes the BMP reader through ReadImageFile: the first byte chooses a plain file, the rest
// gzip-compressed under a ".GZ" name, or the raw bytes under a ".GZ" name.
#include "fuzz/fuzz_support_imaging.h"
#include "tools/bmp_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_imaging::setUpOnce();
    if (size < 1) return 0;
    const int mode = data[0] % 3;
    ++data;
    --size;
    std::string path;
    if (mode == 0) {
        path = fuzz_imaging::scratchFile("image.bmp");
        if (!fuzz_imaging::writeScratch(path, data, size)) return 0;
    } else if (mode == 1) {
        path = fuzz_imaging::scratchFile("image.gz");
        const std::string packed =
            tools::gzipBytes(std::string(reinterpret_cast<const char*>(data), size), 1);
        if (!fuzz_imaging::writeScratch(path, reinterpret_cast<const std::uint8_t*>(packed.data()),
                                        packed.size()))
            return 0;
    } else {
        path = fuzz_imaging::scratchFile("raw.gz");
        if (!fuzz_imaging::writeScratch(path, data, size)) return 0;
    }
    Cmemdib image;
    image.ReadImageFile(path.c_str(), "Fuzz", TRUE, nullptr, nullptr, TRUE, "fuzz");
    fuzz_imaging::exercise(image);
    return 0;
}
