// The frame size an AVI file declares in its header list, read before the file is played: the
// video window sizes itself to it while the backend is still loading.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// How many bytes from the start of a file aviFrameSize needs at most: the header list ("hdrl")
// comes first in every AVI file; a file whose header list is longer is read up to here.
inline constexpr std::size_t kAviHeaderProbeBytes = 64 * 1024;
// Frame sides above this are refused (the stream header's frame rectangle is 16-bit).
inline constexpr int kAviMaxFrameSide = 32767;

struct VideoFrameSize {
    int width = 0;
    int height = 0;
};

// The frame size of the first video stream (its BITMAPINFOHEADER in "strf"; a negative height,
// a top-down frame, counts by its magnitude), else the main header's ("avih"). False, with *out
// untouched, when the bytes do not start an AVI file, its header list is missing or truncated
// before a size, or the size is outside 1..kAviMaxFrameSide. `head` is the file's start; a file
// cut short inside a chunk is read as far as it goes.
bool aviFrameSize(std::string_view head, VideoFrameSize* out);

} // namespace platform
