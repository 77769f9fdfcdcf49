// The JPEG compressor driven into memory; errors leave by a jump back into encodeJpeg.
#include "tools/jpeg_writer.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <jpeglib.h>

namespace tools {
namespace {

struct JumpingError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

extern "C" [[noreturn]] void jumpOut(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JumpingError*>(cinfo->err)->jump, 1);
}

extern "C" void quiet(j_common_ptr) {}

// Compresses into a buffer the library allocates; false when the library failed. Only objects
// without destructors live in this frame.
bool compress(const RgbImage& image, const JpegOptions& options, unsigned char** buffer,
              unsigned long* size) {
    jpeg_compress_struct cinfo;
    JumpingError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jumpOut;
    err.pub.output_message = quiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = JDIMENSION(image.width);
    cinfo.image_height = JDIMENSION(image.height);
    cinfo.input_components = image.components;
    cinfo.in_color_space =
        image.components == 1 ? JCS_GRAYSCALE : (image.components == 4 ? JCS_CMYK : JCS_RGB);
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t rowBytes = std::size_t(image.width) * std::size_t(image.components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPLE*>(image.pixels.data() + std::size_t(cinfo.next_scanline) * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

std::string encodeJpeg(const RgbImage& image, const JpegOptions& options) {
    if (image.width < 1 || image.height < 1 ||
        (image.components != 1 && image.components != 3 && image.components != 4) ||
        image.pixels.size() <
            std::size_t(image.width) * std::size_t(image.height) * std::size_t(image.components))
        return {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = compress(image, options, &buffer, &size);
    std::string out;
    if (ok && buffer) out.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

bool writeJpeg(const std::string& path, const RgbImage& image, const JpegOptions& options) {
    const std::string bytes = encodeJpeg(image, options);
    if (bytes.empty()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out.flush());
}

} // namespace tools
