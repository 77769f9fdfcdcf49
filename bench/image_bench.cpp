// Imaging speed, side by side with the libraries alone: reading a 16384 x 2048 gzip 8-bit BMP
// against inflating the same file with zlib; decoding a 4000 x 3000 photograph (24-bit and 8-bit)
// against a bare libjpeg decode loop; drawing a 1920 x 1080 region and a 30-pixel edge strip of
// an 8-bit panorama into an off-screen device context.
#include "imaging/cmemdib.h"
#include "platform/core/message_box.h"
#include "tools/bmp_writer.h"
#include "tools/jpeg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <zlib.h>

namespace {

constexpr int kPanoramaWidth = 16384;
constexpr int kPanoramaHeight = 2048;
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;

// The fixtures, made once per run in a temporary folder.
struct Fixtures {
    std::filesystem::path dir;
    std::string panorama; // gzip BMP
    std::size_t panoramaBytes = 0;
    std::string photo; // JPEG
    platform::Palette palette;

    Fixtures() {
        platform::setMessageBoxSink([](const platform::MessageBoxCall& call) {
            std::fprintf(stderr, "%s\n", call.text.c_str());
            return IDOK;
        });
        dir = std::filesystem::temp_directory_path() / "panorama-image-bench";
        std::filesystem::create_directories(dir);

        // A landscape-like 8-bit image: bands of slowly changing indices with fine texture, so
        // that it compresses about as well as a real panorama.
        tools::IndexedImage image;
        image.width = kPanoramaWidth;
        image.height = kPanoramaHeight;
        for (int i = 0; i < 256; ++i)
            image.colours[std::size_t(i)] = {std::uint8_t(i), std::uint8_t((i * 3) & 0xFF),
                                             std::uint8_t(255 - i)};
        image.pixels.resize(std::size_t(kPanoramaWidth) * kPanoramaHeight);
        std::uint32_t noise = 12345;
        for (int y = 0; y < kPanoramaHeight; ++y)
            for (int x = 0; x < kPanoramaWidth; ++x) {
                noise = noise * 1664525u + 1013904223u;
                const double ridge = 700 + 300 * std::sin(x / 900.0) + 80 * std::sin(x / 97.0);
                const int band = y < ridge ? y / 16 : 128 + (y - int(ridge)) / 24;
                image.at(x, y) = std::uint8_t(band + ((noise >> 28) & 3));
            }
        panorama = (dir / "PANO.GZ").string();
        tools::writeFile(panorama, tools::makeBmp(image), true);
        panoramaBytes = 14 + 40 + 1024 + std::size_t(kPanoramaWidth) * kPanoramaHeight;
        makePalette(image);

        tools::RgbImage rgb;
        rgb.width = kPhotoWidth;
        rgb.height = kPhotoHeight;
        rgb.pixels.resize(std::size_t(kPhotoWidth) * kPhotoHeight * 3);
        for (int y = 0; y < kPhotoHeight; ++y)
            for (int x = 0; x < kPhotoWidth; ++x) {
                noise = noise * 1664525u + 1013904223u;
                std::uint8_t* p = rgb.at(x, y);
                const int grain = int((noise >> 27) & 15);
                p[0] = std::uint8_t(
                    std::clamp(int(120 + 100 * std::sin(x / 300.0 + y / 500.0)) + grain, 0, 255));
                p[1] =
                    std::uint8_t(std::clamp(int(140 + 90 * std::sin(y / 200.0)) + grain, 0, 255));
                p[2] =
                    std::uint8_t(std::clamp(int(128 + 110 * std::cos(x / 170.0)) + grain, 0, 255));
            }
        photo = (dir / "PHOTO.JPG").string();
        tools::writeJpeg(photo, rgb, {85, false});
    }
    ~Fixtures() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    void makePalette(const tools::IndexedImage& image) {
        std::vector<BYTE> record(4 + 1024);
        auto* log = reinterpret_cast<LOGPALETTE*>(record.data());
        log->palVersion = 0x0300;
        log->palNumEntries = 256;
        for (int i = 0; i < 256; ++i)
            log->palPalEntry[i] =
                PALETTEENTRY{image.colours[std::size_t(i)][0], image.colours[std::size_t(i)][1],
                             image.colours[std::size_t(i)][2], 0};
        palette.CreatePalette(log);
    }
};

Fixtures& fixtures() {
    static Fixtures f;
    return f;
}

// ---- Reading the gzip panorama ----------------------------------------------------------------

void BM_ReadImageFile_GzipBmp(benchmark::State& state) {
    auto& f = fixtures();
    for (auto _ : state) {
        Cmemdib image;
        if (!image.ReadImageFile(f.panorama.c_str(), "Bench", TRUE, nullptr, nullptr, TRUE, "b"))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(image.dib);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.panoramaBytes));
}

// The reference: the same file inflated with zlib alone into one buffer of its size, allocated and
// touched once before timing (so no page faults are counted against it).
void BM_ZlibInflateOnly(benchmark::State& state) {
    auto& f = fixtures();
    std::unique_ptr<char[]> buffer(new char[f.panoramaBytes]);
    std::memset(buffer.get(), 0, f.panoramaBytes);
    for (auto _ : state) {
        gzFile gz = gzopen(f.panorama.c_str(), "rb");
        const int got = gzread(gz, buffer.get(), unsigned(f.panoramaBytes));
        gzclose(gz);
        if (got != int(f.panoramaBytes)) state.SkipWithError("short inflate");
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.panoramaBytes));
}

// ---- Decoding the photograph -------------------------------------------------------------------

void BM_ReadImageFile_Jpeg(benchmark::State& state) {
    auto& f = fixtures();
    Cmemdib::SetDisplayDepth(int(state.range(0)));
    for (auto _ : state) {
        Cmemdib image;
        if (!image.ReadImageFile(f.photo.c_str(), "Bench", TRUE, nullptr, &f.palette, TRUE, "b"))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(image.dib);
    }
    Cmemdib::SetDisplayDepth(8);
}

// The reference: libjpeg alone; with quantize, the same colour map and Floyd-Steinberg dithering
// as the 8-bit read.
void BM_LibjpegDecodeLoop(benchmark::State& state) {
    auto& f = fixtures();
    const bool quantize = state.range(0) == 8;
    const bool keep = state.range(1) != 0;
    std::vector<JSAMPLE> kept;
    for (auto _ : state) {
        std::FILE* file = std::fopen(f.photo.c_str(), "rb");
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        if (quantize) {
            JSAMPARRAY map = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                        JPOOL_IMAGE, 256, 3);
            for (int i = 0; i < 256; ++i) {
                map[0][i] = f.palette.entries()[std::size_t(i)].peRed;
                map[1][i] = f.palette.entries()[std::size_t(i)].peGreen;
                map[2][i] = f.palette.entries()[std::size_t(i)].peBlue;
            }
            cinfo.quantize_colors = TRUE;
            cinfo.colormap = map;
            cinfo.actual_number_of_colors = 256;
        }
        jpeg_start_decompress(&cinfo);
        const std::size_t rowBytes =
            (std::size_t(cinfo.output_width) * std::size_t(cinfo.output_components) + 3) / 4 * 4;
        // keep: every row is stored in an image-sized block (allocated and touched once before
        // timing), as a reader that keeps the image must; otherwise one row buffer is reused and
        // the rows are thrown away.
        const std::size_t need = rowBytes * (keep ? cinfo.output_height : 1);
        if (kept.size() < need) kept.assign(need, 0);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[1] = {kept.data() + (keep ? rowBytes * cinfo.output_scanline : 0)};
            jpeg_read_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        benchmark::DoNotOptimize(kept.data());
    }
}

// ---- Drawing -----------------------------------------------------------------------------------

Cmemdib& loadedPanorama() {
    static Cmemdib image;
    if (!image.loaded)
        image.ReadImageFile(fixtures().panorama.c_str(), "Bench", TRUE, nullptr, nullptr, TRUE,
                            "b");
    return image;
}

// Paints a clip of the display as the panorama window does: the view shows a 1920 x 1080
// part of the image one-to-one, and the clip is the update region.
void BM_Draw(benchmark::State& state) {
    Cmemdib& image = loadedPanorama();
    platform::BitmapDeviceContext dc(1920, 1080);
    image.clip_rect = {5000, 400, 5000 + 1920, 400 + 1080};
    image.dest_rect = {0, 0, 1920, 1080};
    const Rect clip{int(state.range(0)), int(state.range(1)), int(state.range(2)),
                    int(state.range(3))};
    for (auto _ : state) {
        if (!image.Draw(&dc, &fixtures().palette, &clip)) state.SkipWithError("draw failed");
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_ReadImageFile_GzipBmp)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ZlibInflateOnly)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ReadImageFile_Jpeg)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_LibjpegDecodeLoop)
    ->ArgNames({"depth", "keep"})
    ->Args({24, 0})
    ->Args({24, 1})
    ->Args({8, 0})
    ->Args({8, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);
// The whole view, then a 30-pixel strip at the right edge (what edge scrolling repaints).
BENCHMARK(BM_Draw)
    ->Args({0, 0, 1920, 1080})
    ->Args({1890, 0, 1920, 1080})
    ->Args({0, 1050, 1920, 1080})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
