// JPEG decoding into a memory bitmap: reduced to the shared palette with the library's
// Floyd-Steinberg quantizer on a palette display, 24-bit blue-green-red otherwise.
#include "imaging/cmemdib.h"

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// The library's error manager, extended by what the two replaced routines need. error_exit
// leaves the library by a jump back into ReadJpeg, which throws: no C++ exception crosses the
// library's C frames.
struct MemdibJpegError {
    jpeg_error_mgr pub;
    Cmemdib* owner;
    BOOL report;
    HWND parent;
    platform::Palette* palette;
    BOOL plain_box;
    const char* caption;
    std::jmp_buf jump;
};

extern "C" void memdibOutputMessage(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<MemdibJpegError*>(cinfo->err);
    if (!err->report) return;
    char buffer[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, buffer);
    try {
        err->owner->ShowMessage(buffer, err->parent, err->palette, err->plain_box, err->caption);
    } catch (...) {
        // Nothing may leave through the library's frames; the message is lost, not the process.
    }
}

extern "C" [[noreturn]] void memdibErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<MemdibJpegError*>(cinfo->err)->jump, 1);
}

} // namespace

// Only objects without destructors live in this frame and the library's below it between the
// setjmp and the end, since a jump back here skips them.
BOOL Cmemdib::ReadJpeg(FILE* stream, jpeg_decompress_struct* cinfo, BOOL report, HWND parent,
                       platform::Palette* palette, BOOL plain_box, const char* caption) {
    if (!palette || !palette->hasHandle()) {
        if (report)
            ShowMessage("attempt to read JPEG file without providing palette", parent, palette,
                        plain_box, caption);
        if (stream) std::fclose(stream);
        Reset();
        return FALSE;
    }

    MemdibJpegError err;
    cinfo->err = jpeg_std_error(&err.pub);
    err.pub.error_exit = memdibErrorExit;
    err.pub.output_message = memdibOutputMessage;
    err.owner = this;
    err.report = report;
    err.parent = parent;
    err.palette = palette;
    err.plain_box = plain_box;
    err.caption = caption;
    // The error manager goes with this frame: the caller drops it from the decompressor on
    // every failure.
    if (setjmp(err.jump)) throw CmemdibException();

    jpeg_create_decompress(cinfo);
    // Multi-scan files are buffered whole by the library; no more memory than one image block
    // may take is allowed for that (the library then fails with its own message).
    cinfo->mem->max_memory_to_use = long(std::min<std::size_t>(imaging::maxBlockSize(), LONG_MAX));
    jpeg_stdio_src(cinfo, stream);
    jpeg_read_header(cinfo, TRUE);

    // Greyscale files are expanded to colour so that both depths treat them as colour files; a
    // colour space the library cannot convert (CMYK, YCCK) fails in jpeg_start_decompress with
    // the library's own message. The colour reduction works on red, green, blue; a 24-bit block
    // stores blue, green, red, which the library writes directly, so no row needs its bytes
    // swapped afterwards.
    const bool reduce = display_depth == 8;
    cinfo->out_color_space = reduce ? JCS_RGB : JCS_EXT_BGR;
    if (reduce) {
        PALETTEENTRY shared[256];
        const UINT want = UINT(entries);
        if (want > 256 || palette->GetPaletteEntries(0, want, shared) < want) {
            if (report)
                ShowMessage("Could not use palette to read JPEG image", parent, palette, plain_box,
                            caption);
            throw CmemdibException();
        }
        JSAMPARRAY colormap = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                          JPOOL_IMAGE, JDIMENSION(want), 3);
        for (UINT i = 0; i < want; ++i) {
            colormap[0][i] = shared[i].peRed;
            colormap[1][i] = shared[i].peGreen;
            colormap[2][i] = shared[i].peBlue;
        }
        cinfo->quantize_colors = TRUE;
        cinfo->colormap = colormap;
        cinfo->actual_number_of_colors = int(want);
    }

    // An image whose block cannot be had is refused before the library buffers anything.
    const int bitCount = reduce ? 8 : 24;
    const auto plannedStride = platform::dibStride(cinfo->image_width, bitCount);
    const std::uint64_t tableBytes = reduce ? std::uint64_t(entries) * 4 : 0;
    if (!plannedStride ||
        std::uint64_t(*plannedStride) * cinfo->image_height + tableBytes + header_size >
            imaging::maxBlockSize()) {
        if (report)
            ShowMessage("could not allocate memory for bitmap", parent, palette, plain_box,
                        caption);
        throw CmemdibException();
    }

    jpeg_start_decompress(cinfo);
    const JDIMENSION width = cinfo->output_width;
    const JDIMENSION height = cinfo->output_height;
    if (width < 1 || height < 1 || width > JDIMENSION(INT32_MAX) ||
        height > JDIMENSION(INT32_MAX)) {
        if (report)
            ShowMessage("invalid JPEG image dimensions", parent, palette, plain_box, caption);
        throw CmemdibException();
    }
    const int components = cinfo->output_components;
    if (components != (reduce ? 1 : 3)) ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);

    BITMAPINFOHEADER header{};
    header.biSize = DWORD(header_size);
    header.biWidth = LONG(width);
    header.biHeight = LONG(height);
    header.biPlanes = 1;
    header.biBitCount = WORD(components == 1 ? 8 : 24);
    header.biCompression = BI_RGB;
    header.biClrUsed = header.biClrImportant = header.biBitCount == 8 ? DWORD(entries) : 0;

    setRectangles(header.biWidth, header.biHeight);

    const std::size_t rowStride = *platform::dibStride(width, header.biBitCount);
    const std::size_t size = std::size_t(header_size) + std::size_t(header.biClrUsed) * 4 +
                             rowStride * std::size_t(height);
    if (!memory.block.allocate(size, false)) {
        if (report)
            ShowMessage("could not allocate memory for bitmap", parent, palette, plain_box,
                        caption);
        throw CmemdibException();
    }
    std::byte* block = memory.block.lock();
    if (!block) {
        if (report)
            ShowMessage("could not lock memory for bitmap", parent, palette, plain_box, caption);
        throw CmemdibException();
    }
    dib = reinterpret_cast<const BITMAPINFOHEADER*>(block);
    std::memcpy(block, &header, sizeof header);
    if (reduce) {
        auto* table = reinterpret_cast<RGBQUAD*>(block + header_size);
        for (LONG i = 0; i < entries; ++i) {
            const PALETTEENTRY& e = palette->entries()[std::size_t(i)];
            table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
    }

    // The file's first row is the image's top row, stored last in the block.
    // The padding at the end of each row is zeroed, so the block holds no stale bytes.
    auto* pixels = reinterpret_cast<JSAMPLE*>(block + header_size + header.biClrUsed * 4);
    const std::size_t rowBytes = std::size_t(width) * std::size_t(components);
    while (cinfo->output_scanline < height) {
        JSAMPROW row = pixels + std::size_t(height - 1 - cinfo->output_scanline) * rowStride;
        std::memset(row + rowBytes, 0, rowStride - rowBytes);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) ERREXIT(cinfo, JERR_CANT_SUSPEND);
    }

    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    std::fclose(stream);
    loaded = TRUE;
    return TRUE;
}
