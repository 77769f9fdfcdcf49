// Writes 8-bit BMP files (plain, gzip-compressed, or deliberately malformed for tests) and turns
// a memory bitmap's block into a BMP file.
#pragma once

#include "platform/core/dib.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tools {

// An 8-bit image: a 256-colour table (red, green, blue) and width x height indices, top row first.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::array<std::array<std::uint8_t, 3>, 256> colours{};
    std::vector<std::uint8_t> pixels;

    std::uint8_t& at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + x]; }
    std::uint8_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + x]; }
};

// Field overrides and damage for malformed files; every unset field keeps its correct value.
struct BmpDefects {
    std::optional<std::uint16_t> bfType;
    std::optional<std::uint32_t> bfOffBits;
    std::optional<std::uint32_t> biSize;
    std::optional<std::int32_t> biWidth;
    std::optional<std::int32_t> biHeight;
    std::optional<std::uint16_t> biPlanes;
    std::optional<std::uint16_t> biBitCount;
    std::optional<std::uint32_t> biCompression;
    std::optional<std::uint32_t> biClrUsed;
    std::optional<std::uint32_t> biClrImportant;
    std::size_t truncateTo = SIZE_MAX; // keep at most this many bytes
};

// The bytes of an uncompressed 8-bit BMP file (file header, info header, 256-entry table, rows).
std::string makeBmp(const IndexedImage& image, const BmpDefects& defects = {});
// The same without the 14-byte file header: the layout of a bitmap resource.
std::string makeBitmapResource(const IndexedImage& image, const BmpDefects& defects = {});
// A BMP file of a DIB block (info header, colour table if 8-bit, rows).
std::string bmpFromDib(const BITMAPINFOHEADER* dib, std::size_t blockSize, std::size_t bitsOffset);

// gzip-compresses bytes (level 1 to 9).
std::string gzipBytes(const std::string& bytes, int level = 6);
// Writes bytes to a file, gzip-compressed when asked; false on any failure.
bool writeFile(const std::string& path, const std::string& bytes, bool gzip = false);

} // namespace tools
