// Fixtures shared by the imaging tests: images, palettes, a working-directory guard and window
// services that record what the view operations ask of a window.
#pragma once

#include "imaging/cmemdib.h"
#include "platform/core/palette.h"
#include "platform/core/window_services.h"
#include "tools/bmp_writer.h"
#include "tools/jpeg_writer.h"

#include <filesystem>
#include <string>
#include <vector>

namespace imaging_test {

// An 8-bit image whose colour table holds 256 distinct colours and whose pixels vary in both
// directions, so that a wrong row or column shows.
inline tools::IndexedImage pattern(int width, int height) {
    tools::IndexedImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < 256; ++i)
        image.colours[i] = {std::uint8_t(i), std::uint8_t((i * 67) & 0xFF),
                            std::uint8_t(255 - (i * 13 & 0xFF))};
    image.pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.at(x, y) = std::uint8_t((x * 7 + y * 31) & 0xFF);
    return image;
}

// The record of a palette from an image's colour table.
inline void makePalette(platform::Palette& palette, const tools::IndexedImage& image,
                        int count = 256) {
    std::vector<BYTE> record(4 + 4 * std::size_t(count));
    auto* log = reinterpret_cast<LOGPALETTE*>(record.data());
    log->palVersion = 0x0300;
    log->palNumEntries = WORD(count);
    for (int i = 0; i < count; ++i)
        log->palPalEntry[i] =
            PALETTEENTRY{image.colours[std::size_t(i)][0], image.colours[std::size_t(i)][1],
                         image.colours[std::size_t(i)][2], 0};
    palette.CreatePalette(log);
}

// A colour photograph-like test image: smooth gradients with some detail.
inline tools::RgbImage photo(int width, int height, int components = 3) {
    tools::RgbImage image;
    image.width = width;
    image.height = height;
    image.components = components;
    image.pixels.resize(std::size_t(width) * std::size_t(height) * std::size_t(components));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.at(x, y);
            const int r = x * 255 / std::max(1, width - 1);
            const int g = y * 255 / std::max(1, height - 1);
            const int b = ((x / 4 + y / 4) % 2) * 120 + 60;
            if (components == 1) {
                p[0] = std::uint8_t((r + g + b) / 3);
            } else {
                p[0] = std::uint8_t(r);
                p[1] = std::uint8_t(g);
                p[2] = std::uint8_t(b);
            }
        }
    return image;
}

// Runs the test's body in another working directory (memdib.pal lives in the working directory).
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& dir)
        : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~WorkingDirectory() { std::filesystem::current_path(m_previous); }

private:
    std::filesystem::path m_previous;
};

// Makes every following block request fail at one step until destroyed.
class MemoryFailureGuard {
public:
    explicit MemoryFailureGuard(imaging::MemoryFailure failure) {
        imaging::setMemoryFailure(failure);
    }
    ~MemoryFailureGuard() { imaging::setMemoryFailure(imaging::MemoryFailure::None); }
};

// Window services with live windows: records invalidations, scrolls and updates, and answers
// GetDC with an off-screen context.
class RecordingWindows : public platform::WindowServices {
public:
    RecordingWindows() { m_previous = platform::setWindowServices(this); }
    ~RecordingWindows() override { platform::setWindowServices(m_previous); }

    bool IsWindow(HWND window) override { return window != nullptr; }
    HWND mainWindow() override { return nullptr; }
    std::unique_ptr<platform::DeviceContext> GetDC(HWND) override {
        return std::make_unique<platform::BitmapDeviceContext>(4, 4);
    }
    void RedrawWindow(HWND, UINT) override {}
    void Sleep(unsigned) override {}
    void InvalidateRect(HWND window, const Rect* rect, BOOL erase) override {
        events.push_back({"invalidate", window, rect ? *rect : Rect{}, 0, 0, erase});
    }
    void ScrollWindow(HWND window, int dx, int dy, const Rect* scroll, const Rect*) override {
        events.push_back({"scroll", window, scroll ? *scroll : Rect{}, dx, dy, FALSE});
    }
    void UpdateWindow(HWND window) override {
        events.push_back({"update", window, Rect{}, 0, 0, FALSE});
    }

    struct Event {
        std::string what;
        HWND window;
        Rect rect;
        int dx;
        int dy;
        BOOL erase;
    };
    std::vector<Event> events;

private:
    platform::WindowServices* m_previous;
};

inline HWND fakeWindow() {
    return reinterpret_cast<HWND>(std::uintptr_t(0x1000));
}

} // namespace imaging_test
