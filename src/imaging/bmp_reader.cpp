// Filling a memory bitmap from outside: ReadImageFile chooses the reader by the name, ReadBmp
// reads an uncompressed 8-bit BMP (plain or gzip), LoadBitmapResource uses a bitmap resource's
// bytes in place.
#include "imaging/cmemdib.h"

#include "imaging/image_file.h"
#include "platform/core/dos_path.h"
#include "platform/core/file.h"

#include <cstring>

#include <jpeglib.h>

namespace {

constexpr WORD kBitmapFileType = 0x4D42; // "BM"

// The values of an info header that every reader accepts; the colour-important check differs
// between files (0 or entries) and resources (0 only).
bool plausibleInfoHeader(const BITMAPINFOHEADER& h, LONG header_size, LONG entries,
                         bool importantMayBeEntries) {
    return h.biSize == DWORD(header_size) && h.biWidth > 0 && h.biHeight > 0 && h.biPlanes == 1 &&
           h.biBitCount == 8 && h.biCompression == BI_RGB &&
           (h.biClrUsed == 0 || h.biClrUsed == DWORD(entries)) &&
           (h.biClrImportant == 0 || (importantMayBeEntries && h.biClrImportant == DWORD(entries)));
}

// The block an 8-bit image of this header needs, or 0 when its size overflows or exceeds the
// largest block allowed.
std::size_t eightBitBlockSize(const BITMAPINFOHEADER& h, LONG header_size, LONG entries) {
    const auto stride = platform::dibStride(h.biWidth, 8);
    if (!stride) return 0;
    const std::uint64_t rows = std::uint64_t(*stride) * std::uint64_t(h.biHeight);
    if (*stride != 0 && rows / *stride != std::uint64_t(h.biHeight)) return 0;
    const std::uint64_t total = rows + std::uint64_t(entries) * 4 + std::uint64_t(header_size);
    if (total < rows || total > imaging::maxBlockSize()) return 0;
    return std::size_t(total);
}

// After a failed decode: the error manager lived in the reader's frame, which is gone.
void closeJpeg(jpeg_decompress_struct& cinfo, std::FILE* stream) {
    cinfo.err = nullptr;
    jpeg_destroy_decompress(&cinfo);
    std::fclose(stream);
}

} // namespace

BOOL Cmemdib::ReadImageFile(const char* path, const char* display_name, BOOL report, HWND parent,
                            platform::Palette* palette, BOOL plain_box, const char* caption) {
    Reset();
    external = FALSE;
    name = display_name ? display_name : "";
    const std::string upper = platform::toUpperAscii(path ? path : "");

    if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".JPG") == 0) {
        const std::string resolved = platform::resolveDosPath(upper);
        std::FILE* stream =
            platform::isRegularFile(resolved) ? std::fopen(resolved.c_str(), "rb") : nullptr;
        if (!stream) {
            const std::string message = "error opening JPEG image file\r\n" + upper;
            return failLoad(message.c_str(), report, parent, palette, plain_box, caption);
        }
        jpeg_decompress_struct cinfo;
        std::memset(&cinfo, 0, sizeof cinfo);
        try {
            return ReadJpeg(stream, &cinfo, report, parent, palette, plain_box, caption);
        } catch (const CmemdibException&) {
            closeJpeg(cinfo, stream);
            return failLoad("error reading JPEG image file", report, parent, palette, plain_box,
                            caption);
        } catch (...) {
            closeJpeg(cinfo, stream);
            throw;
        }
    }

    CImageFile file;
    if (!file.Open(upper.c_str())) {
        const std::string message = "could not open image file to read\r\n" + upper;
        return failLoad(message.c_str(), report, parent, palette, plain_box, caption);
    }
    const BOOL result = ReadBmp(file, report, parent, palette, plain_box, caption);
    file.Close();
    return result;
}

BOOL Cmemdib::ReadBmp(CImageFile& file, BOOL report, HWND parent, platform::Palette* palette,
                      BOOL plain_box, const char* caption) {
    const auto fail = [&](const char* message) {
        file.Close();
        return failLoad(message, report, parent, palette, plain_box, caption);
    };

    BITMAPFILEHEADER fileHeader;
    if (file.Read(&fileHeader, sizeof fileHeader) != std::int64_t(sizeof fileHeader) ||
        fileHeader.bfType != kBitmapFileType)
        return fail("could not read file header");

    BITMAPINFOHEADER info;
    const std::int64_t infoRead = file.Read(&info, sizeof info);
    if (infoRead != header_size || !plausibleInfoHeader(info, header_size, entries, true))
        return fail("could not read, or anomalous values in, info header");
    // An image whose block would overflow, or exceed the largest block allowed, is refused here,
    // before anything is allocated.
    const std::size_t size = eightBitBlockSize(info, header_size, entries);
    if (size == 0) return fail("could not read, or anomalous values in, info header");

    setRectangles(info.biWidth, info.biHeight);

    if (!memory.block.allocate(size, false)) return fail("could not allocate memory for bitmap");
    std::byte* block = memory.block.lock();
    if (!block) return fail("could not lock memory for bitmap");
    dib = reinterpret_cast<const BITMAPINFOHEADER*>(block);

    std::memcpy(block, &info, sizeof info);
    const std::size_t tableBytes = std::size_t(entries) * 4;
    if (file.Read(block + header_size, tableBytes) != std::int64_t(tableBytes) ||
        fileHeader.bfOffBits != DWORD(tableBytes + 54))
        return fail("could not read palette");

    const std::size_t pixelBytes = size - tableBytes - std::size_t(header_size);
    if (file.Read(block + header_size + tableBytes, pixelBytes) != std::int64_t(pixelBytes))
        return fail("could not read image");

    file.Close();
    loaded = TRUE;
    return TRUE;
}

BOOL Cmemdib::LoadBitmapResource(const char* resource_name, const char* display_name, BOOL report,
                                 HWND parent, platform::Palette* palette, BOOL plain_box,
                                 const char* caption) {
    Reset();
    external = TRUE;
    name = display_name ? display_name : "";
    HINSTANCE instance = AfxGetInstanceHandle();
    HRSRC found =
        instance && resource_name ? FindResourceA(instance, resource_name, RT_BITMAP) : nullptr;
    if (!found) {
        if (report) ShowMessage("could not find resource", parent, palette, plain_box, caption);
        return FALSE;
    }
    return LoadBitmapResource(found, display_name, report, parent, palette, plain_box, caption);
}

BOOL Cmemdib::LoadBitmapResource(UINT resource_number, const char* display_name, BOOL report,
                                 HWND parent, platform::Palette* palette, BOOL plain_box,
                                 const char* caption) {
    return LoadBitmapResource(MAKEINTRESOURCEA(resource_number & 0xFFFF), display_name, report,
                              parent, palette, plain_box, caption);
}

BOOL Cmemdib::checkResourceHeader(std::size_t available) const {
    // The resource's size is checked before its header is read, and must hold every row the
    // header promises: the rows are drawn straight from these bytes.
    if (available < sizeof(BITMAPINFOHEADER)) return FALSE;
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, sizeof h);
    if (!plausibleInfoHeader(h, header_size, entries, false)) return FALSE;
    const std::size_t needed = eightBitBlockSize(h, header_size, entries);
    return needed != 0 && needed <= available;
}

BOOL Cmemdib::LoadBitmapResource(HRSRC resource, const char* display_name, BOOL report, HWND parent,
                                 platform::Palette* palette, BOOL plain_box, const char* caption) {
    Reset();
    external = TRUE;
    name = display_name ? display_name : "";
    if (!resource) {
        if (report)
            ShowMessage("null handle for bitmap resource", parent, palette, plain_box, caption);
        return FALSE;
    }
    HINSTANCE instance = AfxGetInstanceHandle();
    memory.resource = LoadResource(instance, resource);
    if (!memory.resource)
        return failLoad("could not load bitmap resource", report, parent, palette, plain_box,
                        caption);
    dib = static_cast<const BITMAPINFOHEADER*>(LockResource(memory.resource));
    if (!dib)
        return failLoad("could not lock bitmap resource", report, parent, palette, plain_box,
                        caption);
    if (!checkResourceHeader(SizeofResource(instance, resource))) {
        Reset();
        return FALSE;
    }
    setRectangles(dib->biWidth, dib->biHeight);
    loaded = TRUE;
    return TRUE;
}
