// The memory bitmap: its block, messages, display depth, the shared palette and its cache file,
// device bitmaps, rectangles, scrolling, coordinate mapping and drawing.
#include "imaging/cmemdib.h"

#include "platform/core/message_box.h"
#include "platform/core/palette_message_box.h"
#include "platform/core/window_services.h"

#include <cmath>
#include <cstring>
#include <limits>

int Cmemdib::display_depth = 8;

namespace {

std::int32_t clampToInt32(double value) {
    if (!(value > double(std::numeric_limits<std::int32_t>::min())))
        return std::numeric_limits<std::int32_t>::min();
    if (value >= double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return std::int32_t(value); // truncates toward zero
}

std::int32_t clampToInt32(std::int64_t value) {
    return std::int32_t(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

} // namespace

Cmemdib::Cmemdib() : entries(256), header_size(40), external(FALSE), dib(nullptr), loaded(FALSE) {}

Cmemdib::~Cmemdib() {
    Reset();
}

void Cmemdib::Reset() {
    name.clear();
    if (external) {
        external = FALSE;
        memory.resource = nullptr;
    } else {
        memory.block.free();
    }
    memory.resource = nullptr;
    dib = nullptr;
    loaded = FALSE;
}

void Cmemdib::ShowMessage(const char* message, HWND parent, platform::Palette* palette,
                          BOOL plain_box, const char* caption) const {
    std::string text = name;
    text += '\n';
    text += message ? message : "";
    if (plain_box)
        MessageBoxA(nullptr, text.c_str(), caption, MB_ICONWARNING);
    else
        MessageBoxWithPalette(parent, palette, text.c_str(), caption, MB_ICONWARNING);
}

BOOL Cmemdib::failLoad(const char* message, BOOL report, HWND parent, platform::Palette* palette,
                       BOOL plain_box, const char* caption) {
    if (report) ShowMessage(message, parent, palette, plain_box, caption);
    Reset();
    return FALSE;
}

void Cmemdib::SetDisplayDepth(int depth) {
    if (depth == 8 || depth == 24) display_depth = depth;
}

void Cmemdib::SetDisplayDepthFromWindow(HWND window) {
    auto* services = platform::windowServices();
    if (!window || !services->IsWindow(window)) return;
    auto dc = services->GetDC(window);
    if (!dc) return;
    display_depth = (dc->GetDeviceCaps(RASTERCAPS) & RC_PALETTE) ? 8 : 24;
}

const RGBQUAD* Cmemdib::colourTable() const {
    if (!dib || dib->biBitCount != 8) return nullptr;
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(dib) + header_size);
}

std::size_t Cmemdib::stride() const {
    if (!dib) return 0;
    return platform::dibStride(dib->biWidth, dib->biBitCount).value_or(0);
}

const BYTE* Cmemdib::bits() const {
    if (!dib) return nullptr;
    return reinterpret_cast<const BYTE*>(dib) + header_size +
           (dib->biBitCount == 8 ? entries : 0) * 4;
}

std::size_t Cmemdib::blockSize() const {
    if (!dib) return 0;
    return std::size_t(header_size) + (dib->biBitCount == 8 ? std::size_t(entries) * 4 : 0) +
           stride() * std::size_t(dib->biHeight);
}

void Cmemdib::setRectangles(LONG width, LONG height) {
    image_rect = clip_rect = dest_rect = Rect{0, 0, width, height};
}

BOOL Cmemdib::MakePalette(platform::Palette* palette_object, int mode, BOOL report, HWND parent,
                          platform::Palette* palette, BOOL plain_box, const char* caption) {
    if (mode != PaletteFromBitmap && mode != PaletteFromFile && mode != PaletteFromBitmapAndSave)
        return FALSE;
    if (!loaded && mode != PaletteFromFile) return FALSE;
    if (!palette_object) return FALSE;
    if (loaded && (!dib || dib->biBitCount != 8)) return FALSE;

    const std::size_t recordSize = std::size_t(entries) * 4 + 4;
    imaging::MovableBlock block;
    if (!block.allocate(recordSize, true)) {
        if (report)
            ShowMessage("could not allocate memory for palette", parent, palette, plain_box,
                        caption);
        return FALSE;
    }
    std::byte* bytes = block.lock();
    if (!bytes) {
        block.free();
        if (report)
            ShowMessage("could not lock memory for palette", parent, palette, plain_box, caption);
        return FALSE;
    }
    auto* record = reinterpret_cast<LOGPALETTE*>(bytes);

    if (mode == PaletteFromFile) {
        std::FILE* file = std::fopen(kPaletteFileName, "rb");
        if (!file) return FALSE;
        const std::size_t got = std::fread(bytes, 1, recordSize, file);
        std::fclose(file);
        // A count of no entries, or of more than the record holds, is refused like a short file:
        // it cannot describe the bytes that were read.
        if (got < recordSize || record->palNumEntries == 0 || record->palNumEntries > WORD(entries))
            return FALSE;
    } else {
        record->palVersion = 0x0300;
        record->palNumEntries = WORD(entries);
        const RGBQUAD* table = colourTable();
        for (LONG i = 0; i < entries; ++i) {
            record->palPalEntry[i] =
                PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
        }
    }

    if (palette_object->hasHandle()) palette_object->DeleteObject();
    BOOL result = palette_object->CreatePalette(record);

    if (mode == PaletteFromBitmapAndSave) {
        std::FILE* file = std::fopen(kPaletteFileName, "wb");
        if (!file) return FALSE;
        const std::size_t written = std::fwrite(bytes, 1, recordSize, file);
        const bool closed = std::fclose(file) == 0;
        if (written != recordSize || !closed) result = FALSE;
    }
    return result;
}

std::unique_ptr<platform::DeviceBitmap>
Cmemdib::CreateDeviceBitmap(platform::Palette* palette_object, BOOL report, HWND parent,
                            platform::Palette* palette, BOOL plain_box, const char* caption) {
    platform::Palette temporary;
    platform::Palette* use = palette_object;
    if (!use) {
        if (!MakePalette(&temporary, PaletteFromBitmap, report, parent, palette, plain_box,
                         caption))
            return nullptr;
        use = &temporary;
    } else if (!use->hasHandle()) {
        return nullptr;
    }
    if (!loaded || !dib) return nullptr;
    auto dc = platform::GetScreenDC();
    if (!dc) return nullptr;
    platform::Palette* previous = dc->SelectPalette(use, FALSE);
    dc->RealizePalette();
    auto bitmap = platform::CreateDIBitmap(
        *dc, dib, CBM_INIT, bits(), reinterpret_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS);
    if (previous) dc->SelectPalette(previous, FALSE);
    return bitmap;
}

void Cmemdib::ClipToImage(Rect& rect) {
    clip_rect = rect.intersect(image_rect);
    rect = clip_rect;
}

void Cmemdib::FlipRectVertically(Rect& rect) const {
    const std::int64_t h = loaded ? height() : 0;
    const std::int64_t top = h - rect.bottom;
    const std::int64_t bottom = h - rect.top;
    rect.top = clampToInt32(top);
    rect.bottom = clampToInt32(bottom);
}

BOOL Cmemdib::TestScrollTo(int x, int y, Point* offset) const {
    const Rect& s = clip_rect;
    const Rect& i = image_rect;
    const std::int64_t xmax = std::int64_t(i.right) - s.right - i.left + s.left;
    const std::int64_t ymax = std::int64_t(i.bottom) - s.bottom - i.top + s.top;
    std::int64_t cx = x, cy = y;
    if (cx < 0) cx = 0;
    if (cx > xmax) cx = xmax;
    if (cy < 0) cy = 0;
    if (cy > ymax) cy = ymax;
    const Point moved{clampToInt32(cx - s.left), clampToInt32(cy - s.top)};
    if (offset) *offset = moved;
    return moved.x != 0 || moved.y != 0;
}

BOOL Cmemdib::TestScrollBy(int dx, int dy, Point* offset) const {
    return TestScrollTo(clampToInt32(std::int64_t(clip_rect.left) + dx),
                        clampToInt32(std::int64_t(clip_rect.top) + dy), offset);
}

void Cmemdib::ScrollTo(int x, int y, HWND window, Point* offset) {
    Point moved;
    const BOOL any = TestScrollTo(x, y, &moved);
    if (offset) *offset = moved;
    if (!any) return;
    clip_rect = clip_rect.offset(moved.x, moved.y);
    if (window) platform::windowServices()->InvalidateRect(window, &dest_rect, FALSE);
}

void Cmemdib::ScrollBy(int dx, int dy, HWND window, Point* offset) {
    ScrollTo(clampToInt32(std::int64_t(clip_rect.left) + dx),
             clampToInt32(std::int64_t(clip_rect.top) + dy), window, offset);
}

void Cmemdib::ScrollWindowBy(int dx, int dy, HWND window) {
    if (!window) return;
    Point moved;
    ScrollBy(dx, dy, nullptr, &moved);
    auto* services = platform::windowServices();
    services->ScrollWindow(window, -moved.x, -moved.y, &dest_rect, &dest_rect);
    services->UpdateWindow(window);
}

Point Cmemdib::WindowToImage(int x, int y) const {
    const Rect& s = clip_rect;
    const Rect& d = dest_rect;
    if (s.width() == d.width() && s.height() == d.height())
        return {clampToInt32(std::int64_t(x) + s.left - d.left),
                clampToInt32(std::int64_t(y) + s.top - d.top)};
    // A destination of no width or height maps everything to the source's corner.
    const double fx = d.width() ? double(s.width()) / d.width() * (double(x) - d.left) : 0.0;
    const double fy = d.height() ? double(s.height()) / d.height() * (double(y) - d.top) : 0.0;
    return {clampToInt32(std::int64_t(clampToInt32(fx)) + s.left),
            clampToInt32(std::int64_t(clampToInt32(fy)) + s.top)};
}

Point Cmemdib::ImageToWindow(int x, int y) const {
    const Rect& s = clip_rect;
    const Rect& d = dest_rect;
    if (s.width() == d.width() && s.height() == d.height())
        return {clampToInt32(std::int64_t(x) + d.left - s.left),
                clampToInt32(std::int64_t(y) + d.top - s.top)};
    const double fx = s.width() ? double(d.width()) / s.width() * (double(x) - s.left) : 0.0;
    const double fy = s.height() ? double(d.height()) / s.height() * (double(y) - s.top) : 0.0;
    return {clampToInt32(std::int64_t(clampToInt32(fx)) + d.left),
            clampToInt32(std::int64_t(clampToInt32(fy)) + d.top)};
}

Rect Cmemdib::ImageRectToWindow(const Rect& rect) const {
    const Point topLeft = ImageToWindow(rect.left, rect.top);
    const Point bottomRight = ImageToWindow(rect.right, rect.bottom);
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

BOOL Cmemdib::Draw(platform::DeviceContext* dc, platform::Palette* palette, const Rect* clip,
                   const Rect* destination, const Rect* source) {
    if (!dc) return FALSE;
    Rect dest = destination ? *destination : dest_rect;
    if (dest.isEmpty()) return TRUE;
    Rect src = source ? source->intersect(image_rect) : clip_rect;
    if (src.isEmpty()) return TRUE;
    if (clip) {
        dest = dest.intersect(*clip);
        src = src.intersect(
            clip->offset(clip_rect.left - dest_rect.left, clip_rect.top - dest_rect.top));
        // An update region that misses the image draws nothing, and that is no failure.
        if (dest.isEmpty() || src.isEmpty()) return TRUE;
    }
    FlipRectVertically(src);
    platform::Palette* previous = dc->SelectPalette(palette, FALSE);
    const bool have = loaded && dib;
    const int drawn = dc->StretchDIBits(dest.left, dest.top, dest.width(), dest.height(), src.left,
                                        src.top, src.width(), src.height(), have ? bits() : nullptr,
                                        have ? reinterpret_cast<const BITMAPINFO*>(dib) : nullptr,
                                        DIB_RGB_COLORS, SRCCOPY);
    dc->SelectPalette(previous, FALSE);
    return drawn != 0 && drawn != int(GDI_ERROR_UINT) ? TRUE : FALSE;
}
