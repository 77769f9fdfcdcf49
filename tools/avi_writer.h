// Writes Motion-JPEG AVI files (RIFF), with an optional PCM audio track, for the demo's videos
// and for the tests of the video display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct AviVideo {
    int width = 0, height = 0;
    int framesPerSecond = 15;
    std::vector<std::string> jpegFrames; // each a complete JPEG file (encodeJpeg of jpeg_writer.h)
    // Optional PCM audio (none when audioPcm is empty): little-endian interleaved samples.
    int audioSampleRate = 0;
    int audioChannels = 1;
    int audioBitsPerSample = 16;
    std::vector<std::uint8_t> audioPcm;
};

// RIFF sizes are 32-bit: no file is larger than this.
inline constexpr std::uint64_t kMaxAviBytes = 0xFFFFFFFFull;
// Frames are 1..kMaxAviSide pixels wide and high (the stream header's frame rectangle is 16-bit),
// at 1..kMaxAviFramesPerSecond.
inline constexpr int kMaxAviSide = 32767;
inline constexpr int kMaxAviFramesPerSecond = 1000;

// The file's bytes; empty when the video is not valid: no frames, sizes or rates out of range,
// frames that are not JPEG files of the video's size, audio that is not whole sample frames, or a
// file that would be larger than maxFileBytes (at most kMaxAviBytes).
std::string makeAvi(const AviVideo& video);
std::string makeAvi(const AviVideo& video, std::uint64_t maxFileBytes);
bool writeAvi(const std::string& path, const AviVideo& video);

// The size in pixels of a baseline or progressive JPEG file, read from its frame header; false
// when the bytes are not a JPEG file up to that header.
bool jpegFrameSize(const std::string& jpeg, int& width, int& height);

} // namespace tools
