// Fuzzes the AVI header walk on arbitrary file starts: a size it finds is always in range.
#include "platform/core/avi_header.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view head(reinterpret_cast<const char*>(data), size);
    platform::VideoFrameSize frame;
    if (platform::aviFrameSize(head, &frame) &&
        (frame.width < 1 || frame.height < 1 || frame.width > platform::kAviMaxFrameSide ||
         frame.height > platform::kAviMaxFrameSide))
        std::abort();
    return 0;
}
