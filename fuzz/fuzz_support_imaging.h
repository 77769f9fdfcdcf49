// What the imaging fuzz targets share: a scratch folder for input files, a silent message sink,
// a small block limit, and exercising a loaded image the way the viewer does (drawing it).
#pragma once

#include "imaging/cmemdib.h"
#include "platform/core/message_box.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzz_imaging {

inline void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    // Images larger than this are refused with the allocation message; it keeps each run quick.
    imaging::setMaxBlockSize(std::size_t(16) << 20);
    platform::setMessageBoxSink([](const platform::MessageBoxCall&) { return IDOK; });
}

// The per-process scratch folder, removed with its files when the process ends. The name lives in
// a plain array: the handler runs at exit, after static strings may already be gone.
inline char g_scratchDir[] = "/tmp/panorama-fuzz-XXXXXX";

inline const char* scratchDir() {
    static const bool made = [] {
        if (!::mkdtemp(g_scratchDir)) return false;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(g_scratchDir, ignored);
        });
        return true;
    }();
    return made ? g_scratchDir : "/tmp"; // /tmp is shared: never removed
}

// A file in the scratch folder; written anew for every input.
inline std::string scratchFile(const char* name) {
    return std::string(scratchDir()) + "/" + name;
}

inline bool writeScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// Draws the image one-to-one and scaled, so that every row the header promises is touched.
inline void exercise(Cmemdib& image) {
    if (!image.loaded) return;
    platform::BitmapDeviceContext dc(64, 64);
    platform::Palette* none = nullptr;
    image.Draw(&dc, none);
    const Rect whole = image.image_rect;
    const Rect target{0, 0, 64, 64};
    image.Draw(&dc, none, nullptr, &target, &whole);
    Rect flipped = whole;
    image.FlipRectVertically(flipped);
    platform::Palette palette;
    image.MakePalette(&palette, PaletteFromBitmap, TRUE, nullptr, nullptr, TRUE, "fuzz");
}

} // namespace fuzz_imaging
