// The cost of one mouse move over the panorama window with 100 hotspots (goal: under 20 us
// including the frame invalidation), beside references in the same run:
//   BM_HoverStep_*              the hotspot hover step alone: hit test over the 100 hotspots and,
//                               when the hotspot under the mouse changes, the two frame
//                               invalidations and the command bar's text;
//   BM_HoverStepAndRepaint      a change and the repaint it causes (frames and bar text);
//   BM_MouseMove_*              one mouse-move event as the toolkit delivers it to the window (hit
//                               test, cursor, WM_MOUSEMOVE with the hover step and edge scrolling);
//   BM_Reference_MouseMove_NoHotspots  the same event to the same window loaded without hotspots;
//   BM_Reference_ToolkitUpdates the toolkit's bare part of a change: update() of two frame-sized
//                               rectangles of the window and of the bar.
// Hotspots lie in a 10 x 10 grid over the visible part of a 2000 x 1000 panorama; the worst case
// moves between the last two hotspots of the array, so every move scans all of them. Runs on the
// offscreen platform unless QT_QPA_PLATFORM chooses another.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <benchmark/benchmark.h>

#include "platform/qt/application.h"
#include "platform/qt/gdi.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "tools/bmp_writer.h"
#include "tools/dbase_writer.h"
#include "tools/viewpoint_tables.h"
#include "viewer/pan_dlg.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGrid = 10;

// A viewpoint BENCH1 with `hotspots` hotspots (each with one media record) and its panorama.
void writeViewpoint(const fs::path& dir, int hotspots) {
    dbase::TableDef park = viewpoint_tables::park();
    park.records = {{"BENCH1", "Bench Overlook", std::to_string(hotspots), "(c) 1999", "1"}};
    dbase::writeTable(dir, "SVNPARK", park);

    dbase::TableDef spots = viewpoint_tables::hotspots();
    dbase::TableDef media = viewpoint_tables::media();
    // 80 x 50 rectangles, 90 x 60 apart, from the middle part of the image the window shows.
    for (int i = 0; i < hotspots; ++i) {
        const std::string n = std::to_string(100 + i);
        spots.records.push_back({"BENCH1" + n, "L" + n, std::to_string(560 + (i % kGrid) * 90),
                                 std::to_string(220 + (i / kGrid) * 60), "80", "50", "1", "0"});
        media.records.push_back({"L" + n, "00", "P.JPG", "2", "Site " + n, "", ""});
    }
    dbase::writeTable(dir, "SVHOTSPO", spots);
    dbase::writeTable(dir, "SVMMINFO", media);

    tools::IndexedImage image;
    image.width = 2000;
    image.height = 1000;
    for (int i = 0; i < 256; ++i)
        image.colours[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(255 - i), 128};
    image.pixels.resize(std::size_t(image.width) * std::size_t(image.height));
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = std::uint8_t(i * 7);
    tools::writeFile((dir / "BENCH1.GZ").string(), tools::makeBmp(image), true);
}

// One folder per hotspot count, a window on it, shown; made once.
struct Fixture {
    fs::path dir;
    std::unique_ptr<CPanDlg> window;
};

// Without hotspots, and with 100; closed before the application ends.
std::unique_ptr<Fixture> g_fixtures[2];

Fixture& fixture(int hotspots) {
    std::unique_ptr<Fixture>& f = g_fixtures[hotspots ? 1 : 0];
    if (!f) {
        f = std::make_unique<Fixture>();
        f->dir = fs::temp_directory_path() / ("panorama-hover-bench-" + std::to_string(hotspots) +
                                              "-" + std::to_string(::getpid()));
        fs::create_directories(f->dir);
        writeViewpoint(f->dir, hotspots);
        fs::current_path(f->dir);
        f->window = std::make_unique<CPanDlg>("BENCH1", f->dir.string(), f->dir.string());
        if (!f->window->Create(IDD_PANORAMA_DIALOG, nullptr) ||
            f->window->hotspotCount() != hotspots) {
            std::fprintf(stderr, "hover_bench: the window could not be made\n");
            std::exit(1);
        }
        f->window->ShowWindow(SW_SHOW);
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
    }
    return *f;
}

Point centreOf(CPanDlg& window, int index) {
    const Rect r = window.hotspots().frameRect(index);
    return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Paints what the moves invalidated, outside the timing, every so many moves.
void paintNow(benchmark::State& state, CPanDlg& window) {
    state.PauseTiming();
    window.UpdateWindow();
    window.commandBar().UpdateWindow();
    state.ResumeTiming();
}

// Two points the mouse moves between.
struct Moves {
    Point a, b;
};

Moves moves(CPanDlg& window, int kind) {
    switch (kind) {
    case 0: // between the last two hotspots: every move changes the hovered hotspot
        return {centreOf(window, 99), centreOf(window, 98)};
    case 1: { // inside the last hotspot: nothing changes
        const Point c = centreOf(window, 99);
        return {c, Point{c.x + 3, c.y + 2}};
    }
    default: { // between the hotspots' columns: no hotspot
        const Point c = centreOf(window, 99);
        return {Point{c.x + 43, c.y}, Point{c.x + 44, c.y + 1}};
    }
    }
}

void BM_HoverStep(benchmark::State& state) {
    CPanDlg& window = *fixture(100).window;
    const Moves m = moves(window, int(state.range(0)));
    long n = 0;
    for (auto _ : state) {
        window.hotspots().HoverStep((n & 1) ? m.b : m.a);
        if ((++n & 255) == 0) paintNow(state, window);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HoverStep)->ArgName("kind")->Arg(0)->Arg(1)->Arg(2);

// What follows a change on the screen: the hover step and the repaint of the two frames' areas
// (the panorama under them and the frame) and of the command bar's text.
void BM_HoverStepAndRepaint(benchmark::State& state) {
    CPanDlg& window = *fixture(100).window;
    const Moves m = moves(window, 0);
    long n = 0;
    for (auto _ : state) {
        window.hotspots().HoverStep((n++ & 1) ? m.b : m.a);
        window.UpdateWindow();
        window.commandBar().UpdateWindow();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HoverStepAndRepaint);

// The toolkit's mouse-move event, delivered as the window system does.
void sendMove(QWidget* client, Point p) {
    const QPointF local(p.x, p.y);
    QMouseEvent event(QEvent::MouseMove, local, client->mapToGlobal(local), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(client, &event);
}

void mouseMoves(benchmark::State& state, int hotspots, int kind) {
    CPanDlg& window = *fixture(hotspots).window;
    const Moves m = moves(*fixture(100).window, kind);
    QWidget* client = window.clientWidget();
    long n = 0;
    for (auto _ : state) {
        sendMove(client, (n & 1) ? m.b : m.a);
        if ((++n & 255) == 0) paintNow(state, window);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_MouseMove(benchmark::State& state) {
    mouseMoves(state, 100, int(state.range(0)));
}
BENCHMARK(BM_MouseMove)->ArgName("kind")->Arg(0)->Arg(1)->Arg(2);

void BM_Reference_MouseMove_NoHotspots(benchmark::State& state) {
    mouseMoves(state, 0, 0);
}
BENCHMARK(BM_Reference_MouseMove_NoHotspots);

void BM_Reference_ToolkitUpdates(benchmark::State& state) {
    CPanDlg& window = *fixture(100).window;
    const Rect a = window.hotspots().repaintArea(99), b = window.hotspots().repaintArea(98);
    QWidget* client = window.clientWidget();
    QWidget* bar = window.commandBar().clientWidget();
    long n = 0;
    for (auto _ : state) {
        client->update(QRect(a.left, a.top, a.width(), a.height()));
        client->update(QRect(b.left, b.top, b.width(), b.height()));
        bar->update();
        if ((++n & 255) == 0) paintNow(state, window);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Reference_ToolkitUpdates);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    // The settings file and the palette file go to the bench's folders, not the user's.
    const fs::path config =
        fs::temp_directory_path() / ("panorama-hover-bench-config-" + std::to_string(::getpid()));
    fs::create_directories(config);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const fs::path start = fs::current_path();

    int qtArgc = 1;
    QApplication qt(qtArgc, argv);
    platform::installFontSubstitutions();
    platform::loadSystemColours();
    registerPanoramaResources();
    CPanDlg::setRealizePause(0);
    platform::Application app("hover_bench");

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    fs::current_path(start);
    std::error_code ignored;
    for (std::unique_ptr<Fixture>& f : g_fixtures) {
        if (!f) continue;
        f->window.reset();
        fs::remove_all(f->dir, ignored);
        f.reset();
    }
    fs::remove_all(config, ignored);
    return 0;
}
