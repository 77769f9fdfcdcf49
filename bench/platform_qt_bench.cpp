// The Qt layer's drawing speed, side by side with the pixel work it cannot avoid: a full paint of
// a 1920 x 1080 window with StretchDIBits of an 8-bit panorama (against the bare stretch into a
// plain buffer and the off-screen device context of platform/core), a 10-pixel scroll with the
// repaint of the uncovered strip (against moving the same pixels with memmove), and one frame of
// a sliding menu: a client-context BitBlt of a 200 x 400 bitmap (against QPainter::drawImage into
// an image). Runs on the offscreen platform.
#include "platform/core/device_context.h"
#include "platform/core/dib.h"
#include "platform/qt/dc.h"
#include "platform/qt/gdi.h"
#include "platform/qt/window.h"

#include <cstring>
#include <memory>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using namespace platform;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kPanoramaWidth = 16384;
constexpr int kPanoramaHeight = 2048;

// An 8-bit bottom-up panorama with a colour table, as the viewer holds it.
struct Panorama {
    std::vector<unsigned char> block;
    Panorama() {
        const std::size_t stride = kPanoramaWidth;
        block.assign(40 + 1024 + stride * kPanoramaHeight, 0);
        BITMAPINFOHEADER h{};
        h.biSize = 40;
        h.biWidth = kPanoramaWidth;
        h.biHeight = kPanoramaHeight;
        h.biPlanes = 1;
        h.biBitCount = 8;
        std::memcpy(block.data(), &h, sizeof h);
        auto* table = reinterpret_cast<RGBQUAD*>(block.data() + 40);
        for (int i = 0; i < 256; ++i)
            table[i] = RGBQUAD{BYTE(i), BYTE(i * 3), BYTE(255 - i), 0};
        std::uint32_t noise = 1;
        for (std::size_t i = 40 + 1024; i < block.size(); ++i) {
            noise = noise * 1664525u + 1013904223u;
            block[i] = BYTE(noise >> 24);
        }
    }
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(block.data()); }
    const void* bits() const { return block.data() + 40 + 1024; }
};

const Panorama& panorama() {
    static const Panorama p;
    return p;
}

// A frameless window whose client area shows the panorama one-to-one from a scroll offset.
class PanoramaWindow : public Window {
public:
    int offset = 4000;
    void OnPaint() override {
        PaintDC dc(this);
        const Rect& r = dc.m_ps.rcPaint;
        dc.StretchDIBits(r.left, r.top, r.width(), r.height(), offset + r.left,
                         kPanoramaHeight - 100 - r.bottom, r.width(), r.height(), panorama().bits(),
                         panorama().info(), DIB_RGB_COLORS, SRCCOPY);
    }
    BOOL OnEraseBkgnd(DC*) override { return TRUE; }
};

PanoramaWindow& window() {
    static PanoramaWindow* w = [] {
        auto* created = new PanoramaWindow;
        created->CreateEx(0, nullptr, "bench", WS_POPUP | WS_VISIBLE, Rect{0, 0, kWidth, kHeight},
                          nullptr);
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        return created;
    }();
    return *w;
}

void BM_WindowPaint_1920x1080(benchmark::State& state) {
    PanoramaWindow& w = window();
    for (auto _ : state) {
        w.InvalidateRect(nullptr, FALSE);
        w.UpdateWindow();
    }
}
BENCHMARK(BM_WindowPaint_1920x1080)->Unit(benchmark::kMillisecond);

void BM_Reference_StretchIntoBuffer_1920x1080(benchmark::State& state) {
    std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight);
    const PixelSurface surface{pixels.data(), kWidth, kHeight, kWidth};
    for (auto _ : state) {
        stretchDibToSurface(surface, Rect{0, 0, kWidth, kHeight}, 0, 0, kWidth, kHeight, 4000,
                            kPanoramaHeight - 100 - kHeight, kWidth, kHeight, panorama().bits(),
                            panorama().info(), nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_Reference_StretchIntoBuffer_1920x1080)->Unit(benchmark::kMillisecond);

void BM_Reference_BitmapDeviceContext_1920x1080(benchmark::State& state) {
    BitmapDeviceContext dc(kWidth, kHeight);
    for (auto _ : state)
        dc.StretchDIBits(0, 0, kWidth, kHeight, 4000, kPanoramaHeight - 100 - kHeight, kWidth,
                         kHeight, panorama().bits(), panorama().info(), DIB_RGB_COLORS, SRCCOPY);
}
BENCHMARK(BM_Reference_BitmapDeviceContext_1920x1080)->Unit(benchmark::kMillisecond);

void BM_ScrollAndStripRepaint_1920x1080(benchmark::State& state) {
    PanoramaWindow& w = window();
    const Rect view{0, 0, kWidth, kHeight};
    int step = -10;
    for (auto _ : state) {
        // Back and forth so the offset stays inside the panorama.
        w.offset -= step;
        w.ScrollWindow(step, 0, &view, &view);
        w.UpdateWindow();
        step = -step;
    }
}
BENCHMARK(BM_ScrollAndStripRepaint_1920x1080)->Unit(benchmark::kMillisecond);

void BM_Reference_MoveThePixels_1920x1080(benchmark::State& state) {
    std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight, 7);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            std::uint32_t* row = pixels.data() + std::size_t(y) * kWidth;
            std::memmove(row, row + 10, (kWidth - 10) * sizeof(std::uint32_t));
        }
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_Reference_MoveThePixels_1920x1080)->Unit(benchmark::kMillisecond);

void BM_SlideFrame_ClientBitBlt_200x400(benchmark::State& state) {
    PanoramaWindow& w = window();
    Bitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, 200, 400);
    MemoryDC memory;
    memory.SelectObject(&bitmap);
    memory.FillSolidRect(Rect{0, 0, 200, 400}, RGB(255, 255, 217));
    ClientDC dc(&w);
    for (auto _ : state)
        dc.BitBlt(300, 300, 200, 400, &memory, 0, 0, SRCCOPY);
}
BENCHMARK(BM_SlideFrame_ClientBitBlt_200x400)->Unit(benchmark::kMicrosecond);

void BM_Reference_DrawImage_200x400(benchmark::State& state) {
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    QImage source(200, 400, QImage::Format_RGB32);
    source.fill(QColor(255, 255, 217));
    for (auto _ : state) {
        QPainter painter(&target);
        painter.drawImage(QPoint(300, 300), source);
    }
}
BENCHMARK(BM_Reference_DrawImage_200x400)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
