// One image in memory as a device-independent bitmap (info header, colour table, bottom-up rows in
// one block), the shared palette made from it and cached in memdib.pal, its view rectangles and
// drawing, and the readers that fill it: BMP files (plain or gzip), bitmap resources and JPEG.
#pragma once

#include "imaging/movable_memory.h"
#include "platform/core/device_context.h"
#include "platform/core/dib.h"
#include "platform/core/palette.h"
#include "platform/core/resources.h"
#include "platform/core/win_types.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

struct jpeg_decompress_struct;
class CImageFile;

// Thrown inside JPEG reading after its message was shown; caught by ReadImageFile.
class CmemdibException : public std::exception {
public:
    const char* what() const noexcept override { return "CmemdibException"; }
};

// Modes of MakePalette.
enum PaletteMode {
    PaletteFromBitmap = 0,        // from the loaded 8-bit image's colour table
    PaletteFromFile = 1,          // from memdib.pal in the working directory
    PaletteFromBitmapAndSave = 2, // as PaletteFromBitmap, then written to memdib.pal
};

// The palette cache file, opened by its bare name in the working directory.
inline constexpr const char* kPaletteFileName = "memdib.pal";

// The block of an image: an owned movable block, or a loaded bitmap resource used in place.
struct DibMemory {
    imaging::MovableBlock block;
    HGLOBAL resource = nullptr;
    explicit operator bool() const { return block.allocated() || resource != nullptr; }
};

class Cmemdib {
public:
    Cmemdib();
    virtual ~Cmemdib();
    Cmemdib(const Cmemdib&) = delete;
    Cmemdib& operator=(const Cmemdib&) = delete;

    // Releases the image; a resource's bytes are never freed.
    void Reset();
    // Shows "name\nmessage" in a warning box: a plain box with no owner, or the palette-aware one.
    void ShowMessage(const char* message, HWND parent, platform::Palette* palette, BOOL plain_box,
                     const char* caption) const;

    // The kind of image JPEG files are decoded to: 8 (reduced to the shared palette) or 24.
    static void SetDisplayDepth(int depth);
    // 8 when the window's display works with a palette, else 24; no window changes nothing.
    static void SetDisplayDepthFromWindow(HWND window);
    static int display_depth;

    // Reads a BMP file (through the gzip decompressor for names ending ".GZ") or, for names
    // ending ".JPG", a JPEG file. Every failure is reported (with report on) and leaves the image
    // empty.
    BOOL ReadImageFile(const char* path, const char* display_name, BOOL report, HWND parent,
                       platform::Palette* palette, BOOL plain_box, const char* caption);
    BOOL ReadBmp(CImageFile& file, BOOL report, HWND parent, platform::Palette* palette,
                 BOOL plain_box, const char* caption);
    // Decodes an open JPEG stream with a decompression object that lives in the caller's frame
    // (zero-filled before the call). FALSE without throwing only when no usable palette is given;
    // every other failure throws CmemdibException after its message. The stream is closed on
    // success and on FALSE; after a throw the caller closes it and destroys the object.
    BOOL ReadJpeg(FILE* stream, jpeg_decompress_struct* cinfo, BOOL report, HWND parent,
                  platform::Palette* palette, BOOL plain_box, const char* caption);

    BOOL LoadBitmapResource(const char* resource_name, const char* display_name, BOOL report,
                            HWND parent, platform::Palette* palette, BOOL plain_box,
                            const char* caption);
    BOOL LoadBitmapResource(UINT resource_number, const char* display_name, BOOL report,
                            HWND parent, platform::Palette* palette, BOOL plain_box,
                            const char* caption);
    BOOL LoadBitmapResource(HRSRC resource, const char* display_name, BOOL report, HWND parent,
                            platform::Palette* palette, BOOL plain_box, const char* caption);

    BOOL MakePalette(platform::Palette* palette_object, int mode, BOOL report, HWND parent,
                     platform::Palette* palette, BOOL plain_box, const char* caption);
    // A device bitmap of the image drawn with the given palette (or a temporary one made from
    // the image); null on failure. The caller owns it.
    std::unique_ptr<platform::DeviceBitmap> CreateDeviceBitmap(platform::Palette* palette_object,
                                                               BOOL report, HWND parent,
                                                               platform::Palette* palette,
                                                               BOOL plain_box, const char* caption);

    // clip_rect = rect ∩ image_rect, and rect becomes clip_rect.
    void ClipToImage(Rect& rect);
    // Top-down image rows to the block's bottom-up rows (height 0 when nothing is loaded).
    void FlipRectVertically(Rect& rect) const;

    // View operations on clip_rect (S), dest_rect (D) and image_rect (I).
    BOOL TestScrollTo(int x, int y, Point* offset = nullptr) const;
    BOOL TestScrollBy(int dx, int dy, Point* offset = nullptr) const;
    void ScrollTo(int x, int y, HWND window = nullptr, Point* offset = nullptr);
    void ScrollBy(int dx, int dy, HWND window = nullptr, Point* offset = nullptr);
    void ScrollWindowBy(int dx, int dy, HWND window);
    Point WindowToImage(int x, int y) const;
    Point ImageToWindow(int x, int y) const;
    Rect ImageRectToWindow(const Rect& rect) const;
    BOOL Draw(platform::DeviceContext* dc, platform::Palette* palette, const Rect* clip = nullptr,
              const Rect* destination = nullptr, const Rect* source = nullptr);

    // Readers of the block.
    int width() const { return dib ? dib->biWidth : 0; }
    int height() const { return dib ? dib->biHeight : 0; }
    int bitCount() const { return dib ? dib->biBitCount : 0; }
    const RGBQUAD* colourTable() const;
    std::size_t stride() const;
    // The pixel rows, at header_size + (8-bit ? entries : 0) x 4 from the block's start.
    const BYTE* bits() const;
    // Header, colour table and rows: the bytes a BMP file carries after its file header.
    std::size_t blockSize() const;

    // Fields, in the order of the design.
    LONG entries;
    LONG header_size;
    BOOL external;
    std::string name;
    DibMemory memory;
    const BITMAPINFOHEADER* dib;
    BOOL loaded;
    Rect image_rect;
    Rect clip_rect;
    Rect dest_rect;

private:
    BOOL failLoad(const char* message, BOOL report, HWND parent, platform::Palette* palette,
                  BOOL plain_box, const char* caption);
    BOOL checkResourceHeader(std::size_t available) const;
    void setRectangles(LONG width, LONG height);
};
