// Fuzzes the profile reader and writer on arbitrary file contents: reading never fails, a written
// key reads back, and the rest of the file survives a write.
#include "platform/core/profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string contents(reinterpret_cast<const char*>(data), size);
    std::string value;
    platform::readProfileString(contents, "Corvane Skyvistas", "use_slide_menus", value);

    const std::string written =
        platform::applyProfileWrite(contents, "Corvane Skyvistas", "use_slide_menus", "1");
    if (!platform::readProfileString(written, "Corvane Skyvistas", "use_slide_menus", value) ||
        value != "1")
        std::abort();

    // Removing a key and a section keeps everything else readable.
    const std::string removed =
        platform::applyProfileWrite(written, "Corvane Skyvistas", "use_slide_menus", nullptr);
    platform::applyProfileWrite(removed, "Corvane Skyvistas", nullptr, nullptr);

    // A key in another section is untouched by the write.
    std::string before, after;
    const bool had = platform::readProfileString(contents, "Other", "k", before);
    const bool has = platform::readProfileString(written, "Other", "k", after);
    if (had != has || before != after) std::abort();
    return 0;
}
