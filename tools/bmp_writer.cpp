// 8-bit BMP files for tests, fuzz seeds, benchmarks and the demo panorama.
#include "tools/bmp_writer.h"

#include <cstring>
#include <fstream>

#include <zlib.h>

namespace tools {
namespace {

template <typename T> void put(std::string& out, std::size_t offset, T value) {
    std::memcpy(out.data() + offset, &value, sizeof value);
}

// File header (when asked), info header, table and rows, with the defects applied.
std::string layout(const IndexedImage& image, const BmpDefects& d, bool withFileHeader) {
    const std::size_t stride = (std::size_t(image.width) + 3) / 4 * 4;
    const std::size_t rows = stride * std::size_t(image.height);
    const std::size_t head = withFileHeader ? 14 : 0;
    std::string out(head + 40 + 1024 + rows, '\0');
    if (withFileHeader) {
        put<std::uint16_t>(out, 0, d.bfType.value_or(0x4D42));
        put<std::uint32_t>(out, 2, std::uint32_t(out.size()));
        put<std::uint32_t>(out, 10, d.bfOffBits.value_or(14 + 40 + 1024));
    }
    BITMAPINFOHEADER h{};
    h.biSize = d.biSize.value_or(40);
    h.biWidth = d.biWidth.value_or(image.width);
    h.biHeight = d.biHeight.value_or(image.height);
    h.biPlanes = d.biPlanes.value_or(1);
    h.biBitCount = d.biBitCount.value_or(8);
    h.biCompression = d.biCompression.value_or(0);
    h.biSizeImage = std::uint32_t(rows);
    h.biXPelsPerMeter = h.biYPelsPerMeter = 2835;
    h.biClrUsed = d.biClrUsed.value_or(256);
    h.biClrImportant = d.biClrImportant.value_or(0);
    std::memcpy(out.data() + head, &h, sizeof h);
    for (std::size_t i = 0; i < 256; ++i) {
        char* q = out.data() + head + 40 + i * 4;
        q[0] = char(image.colours[i][2]);
        q[1] = char(image.colours[i][1]);
        q[2] = char(image.colours[i][0]);
    }
    // Bottom row first.
    char* pixels = out.data() + head + 40 + 1024;
    for (int y = 0; y < image.height; ++y) {
        const std::size_t stored = std::size_t(image.height - 1 - y);
        std::memcpy(pixels + stored * stride, image.pixels.data() + std::size_t(y) * image.width,
                    std::size_t(image.width));
    }
    if (d.truncateTo < out.size()) out.resize(d.truncateTo);
    return out;
}

} // namespace

std::string makeBmp(const IndexedImage& image, const BmpDefects& defects) {
    return layout(image, defects, true);
}

std::string makeBitmapResource(const IndexedImage& image, const BmpDefects& defects) {
    return layout(image, defects, false);
}

std::string bmpFromDib(const BITMAPINFOHEADER* dib, std::size_t blockSize, std::size_t bitsOffset) {
    std::string out(14 + blockSize, '\0');
    put<std::uint16_t>(out, 0, 0x4D42);
    put<std::uint32_t>(out, 2, std::uint32_t(out.size()));
    put<std::uint32_t>(out, 10, std::uint32_t(14 + bitsOffset));
    std::memcpy(out.data() + 14, dib, blockSize);
    return out;
}

std::string gzipBytes(const std::string& bytes, int level) {
    z_stream z{};
    // windowBits 15 + 16: a gzip wrapper.
    if (deflateInit2(&z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&z, uLong(bytes.size())) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = uInt(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return status == Z_STREAM_END ? out : std::string();
}

bool writeFile(const std::string& path, const std::string& bytes, bool gzip) {
    const std::string data = gzip ? gzipBytes(bytes) : bytes;
    if (gzip && data.empty()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
    return bool(out.flush());
}

} // namespace tools
