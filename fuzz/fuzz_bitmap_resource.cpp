// Fuzzes the bitmap-resource checks: the input is registered as a bitmap resource and loaded by
// name, by number and by found resource, then drawn when accepted.
#include "fuzz/fuzz_support_imaging.h"
#include "platform/core/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_imaging::setUpOnce();
    static platform::ResourceModule module;
    platform::setApplicationInstance(&module);
    module.clear();
    module.add("FUZZ", RT_BITMAP, data, size);
    module.add(7u, RT_BITMAP, data, size);
    Cmemdib image;
    image.LoadBitmapResource("fuzz", "Fuzz", TRUE, nullptr, nullptr, TRUE, "fuzz");
    fuzz_imaging::exercise(image);
    image.LoadBitmapResource(7u, "Fuzz", TRUE, nullptr, nullptr, TRUE, "fuzz");
    fuzz_imaging::exercise(image);
    image.LoadBitmapResource(FindResourceA(&module, "FUZZ", RT_BITMAP), "Fuzz", TRUE, nullptr,
                             nullptr, TRUE, "fuzz");
    auto bitmap = image.CreateDeviceBitmap(nullptr, TRUE, nullptr, nullptr, TRUE, "fuzz");
    (void)bitmap;
    image.Reset();
    module.clear();
    return 0;
}
