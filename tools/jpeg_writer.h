// Writes JPEG files with the library's compressor: RGB, greyscale or CMYK, at a chosen quality.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

// An image to compress: components 3 (red, green, blue), 1 (grey) or 4 (CMYK), top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    int components = 3;
    std::vector<std::uint8_t> pixels;

    std::uint8_t* at(int x, int y) {
        return pixels.data() + (std::size_t(y) * std::size_t(width) + x) * components;
    }
};

struct JpegOptions {
    int quality = 85;
    bool progressive = false;
};

// The compressed bytes; empty on failure.
std::string encodeJpeg(const RgbImage& image, const JpegOptions& options = {});
bool writeJpeg(const std::string& path, const RgbImage& image, const JpegOptions& options = {});

} // namespace tools
