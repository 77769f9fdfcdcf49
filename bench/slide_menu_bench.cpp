// Frames per second of the slide popup menu while it slides open (goal: at least 60), beside the
// same slide done with the toolkit alone: a bare widget repainting the visible part of an image
// in the same loop. Both run on the real clock for the menu's slide duration (250 ms for the
// Features-sized menu); each frame is one block copy. Runs on the offscreen platform unless
// QT_QPA_PLATFORM chooses another (xcb under Xvfb shows the cost of reaching a display).
#include "hotspots/slide_popup_menu.h"

#include <chrono>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <benchmark/benchmark.h>

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

// Counts its block copies and the time from the first to the last; skips the modal loop, so
// Track returns as soon as the menu has slid open.
class CountingMenu : public CSlidePopupMenu {
public:
    using CSlidePopupMenu::CSlidePopupMenu;
    long frames = 0;
    // Frames that showed a different part of the menu than the frame before.
    long changes = 0;
    Clock::time_point first, last;
    Rect client;
    Rect previous;
    int RunModalLoop(DWORD) override { return 0; }

protected:
    void copySlideFrame(DC& screen, DC& image, const Rect& part, Point source) override {
        CSlidePopupMenu::copySlideFrame(screen, image, part, source);
        last = Clock::now();
        if (part != previous) ++changes;
        previous = part;
        if (frames++ == 0) {
            first = last;
            GetClientRect(&client);
        }
    }
};

// The owner: a window covering the screen, as the panorama window does.
Window& owner() {
    static Window* window = [] {
        auto* w = new Window;
        w->CreateEx(0, nullptr, "Owner", WS_POPUP | WS_VISIBLE, Rect{0, 0, 1024, 768}, nullptr);
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        return w;
    }();
    return *window;
}

// The Features menu as the panorama window builds it.
std::unique_ptr<Menu> featuresMenu() {
    auto points = CreatePopupMenu();
    points->AppendMenu(MF_STRING, 20000, "Lookout Point");
    auto menu = CreatePopupMenu();
    menu->AppendPopup(MF_STRING, std::move(points), "&Points of Interest");
    menu->AppendMenu(MF_STRING, 32773, "&Multimedia Visitor Center");
    return menu;
}

// Slides the Features menu open upwards from the Features button's top-left corner on the
// command bar.
void slideFeaturesMenu(CountingMenu& slide) {
    slide.Track(TPM_BOTTOMALIGN, 8, 740, &owner(), TRUE);
}

void reportFrames(benchmark::State& state, long frames, long changes, double seconds,
                  const Rect& size) {
    state.counters["frames_per_slide"] =
        benchmark::Counter(double(frames), benchmark::Counter::kAvgIterations);
    state.counters["frames_per_second"] = seconds > 0 ? double(frames) / seconds : 0.0;
    state.counters["new_parts_per_second"] = seconds > 0 ? double(changes) / seconds : 0.0;
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}

void BM_SlideMenu_FeaturesOpensUpwards(benchmark::State& state) {
    auto menu = featuresMenu();
    Font font;
    const LOGFONT logFont = menuLogFont();
    font.CreateFontIndirect(&logFont);
    long frames = 0, changes = 0;
    double seconds = 0;
    Rect size;
    for (auto _ : state) {
        CountingMenu slide(menu.get(), &font, nullptr);
        slideFeaturesMenu(slide);
        frames += slide.frames;
        changes += slide.changes;
        seconds += std::chrono::duration<double>(slide.last - slide.first).count();
        size = slide.client;
    }
    reportFrames(state, frames, changes, seconds, size);
}
BENCHMARK(BM_SlideMenu_FeaturesOpensUpwards)->Unit(benchmark::kMillisecond)->Iterations(8);

// The same slide with the toolkit alone: a frameless tool window repaints the visible part of
// a prepared image, one repaint per frame, for the same duration.
class SlideWidget : public QWidget {
public:
    explicit SlideWidget(const QImage& image) : QWidget(nullptr, Qt::ToolTip), m_image(image) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        resize(image.size());
    }
    QRect part;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(part.topLeft(), m_image, QRect(QPoint(0, 0), part.size()));
    }

private:
    QImage m_image;
};

void BM_Reference_ToolkitSlide(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(255, 255, 217));
    const DWORD duration = CSlidePopupMenu::slideDuration(width);
    long frames = 0, changes = 0;
    double seconds = 0;
    for (auto _ : state) {
        SlideWidget widget(image);
        widget.move(8, 740 - height);
        widget.show();
        // Exposed first, as the layer's windows are when ShowWindow returns.
        QElapsedTimer exposure;
        exposure.start();
        while (!widget.windowHandle()->isExposed() && exposure.elapsed() < 1000)
            QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        for (qint64 c = clock.elapsed(); c < duration; c = clock.elapsed()) {
            const int cy = int(height * c / duration);
            const QRect part(0, height - cy, width, cy);
            if (part != widget.part) ++changes;
            widget.part = part;
            widget.repaint(widget.part);
            ++frames;
        }
        seconds += double(clock.elapsed()) / 1000.0;
    }
    reportFrames(state, frames, changes, seconds, Rect{0, 0, width, height});
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    installFontSubstitutions();
    loadSystemColours();
    // The reference slides a rectangle of the menu's size.
    {
        auto menu = featuresMenu();
        Font font;
        const LOGFONT logFont = menuLogFont();
        font.CreateFontIndirect(&logFont);
        CountingMenu probe(menu.get(), &font, nullptr);
        slideFeaturesMenu(probe);
        benchmark::RegisterBenchmark("BM_Reference_ToolkitSlide", BM_Reference_ToolkitSlide)
            ->Args({probe.client.width(), probe.client.height()})
            ->Unit(benchmark::kMillisecond)
            ->Iterations(8);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
