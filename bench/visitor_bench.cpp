// The visitor center's opening and its narrative text, each beside its reference in the same run.
//
//   BM_VisitorCenterClickToFirstPaint   a click on the waterfall's hotspot of the demo panorama
//                                       until the visitor center has painted itself completely
//                                       (window, list, text and command bar) on a 1024 x 768
//                                       screen: its table, list, text and bar are made in between
//   BM_Reference_ToolkitDialogPaint     the toolkit alone: a dialog of the same size with a list
//                                       of the same entries (icon and three lines each) and a
//                                       text view filled with the narrative as HTML, shown and
//                                       painted completely
//   BM_ShowNarrative_100KB              ShowNarrative of a 100 KB narrative: the seek, the memo,
//                                       the stream into the text control, reading the rich text
//                                       and laying it out
//   BM_SelectPhotoToPaint               selecting a photo's entry (640 x 480 or 2000 x 1500, at
//                                       display depth 24 or 8) until the window has painted it
//   BM_Reference_ReadImageFile          ReadImageFile of the same file alone
//   BM_PlayVideoToFirstFrame            PlayVideo of each demo video and starting it, until its
//                                       first decoded frame arrives
//   BM_Reference_QTextDocumentHtml_100KB  the same text as HTML put into a QTextDocument of the
//                                       same width with setHtml and laid out
//
// The demo data set is made once per run in a temporary folder by make_demo, with one extra
// narrative of 100 KB and two photographs. The offscreen platform is used unless
// PANORAMA_BENCH_QPA names another (xcb under xvfb-run: the window's painting then reaches an X
// server). Goals: the visitor center painted within 150 ms of the click; the narrative within 1.5
// times the reference; a photo within its read time + 20 ms; a video's first frame within 300 ms.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>
#include <benchmark/benchmark.h>

#include "platform/core/system_metrics.h"
#include "platform/qt/application.h"
#include "platform/qt/gdi.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/video_window.h"
#include "platform/qt/window_host.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "tools/dbase_writer.h"
#include "tools/jpeg_writer.h"
#include "tools/viewpoint_tables.h"
#include "viewer/pan_dlg.h"
#include "visitor/mmvc_dlg.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// About 100 KB of narrative in the demo's style: a bold title, paragraphs with italics, and a
// bulleted list now and then; the reference gets the same text as HTML.
constexpr int kSections = 530;

std::string bigNarrativeRtf() {
    std::string text = "{\\fs28\\b The Elderfell range}\\par ";
    for (int i = 0; i < kSections; ++i) {
        text += "Section " + std::to_string(i) +
                " of the walk leads past {\\i larch woods} and scree to the next viewpoint, "
                "where the Caf\\'e9 stands; the path is marked in red and white and takes about "
                "an hour.";
        if (i % 5 == 4)
            text += "\\par\\pard\\li360\\fi-240 \\bullet\\tab Water\\par \\bullet\\tab "
                    "Shelter\\par\\pard ";
        else
            text += "\\par ";
    }
    return text;
}

std::string bigNarrativeHtml() {
    const std::string p = "<p style=\"font-family:Arial; font-size:10pt; margin:0\">";
    std::string html = p + "<b style=\"font-size:14pt\">The Elderfell range</b></p>";
    for (int i = 0; i < kSections; ++i) {
        html += p + "Section " + std::to_string(i) +
                " of the walk leads past <i>larch woods</i> and scree to the next viewpoint, "
                "where the Caf&eacute; stands; the path is marked in red and white and takes "
                "about an hour.</p>";
        if (i % 5 == 4)
            html += "<p style=\"font-family:Arial; font-size:10pt; margin:0 0 0 24px; "
                    "text-indent:-16px\">&bull;\tWater</p>"
                    "<p style=\"font-family:Arial; font-size:10pt; margin:0 0 0 24px; "
                    "text-indent:-16px\">&bull;\tShelter</p>";
    }
    return html;
}

struct Scratch {
    fs::path root;
    fs::path demo;
    fs::path config;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "panorama-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        root = pattern;
        demo = root / "demo";
        config = root / "config";
        fs::create_directories(config);
        const std::string command =
            std::string(PANORAMA_MAKE_DEMO) + " '" + demo.string() + "' > /dev/null";
        if (std::system(command.c_str()) != 0) std::abort();
        // The narratives of a folder of their own with the big one among them.
        narratives = root / "narratives";
        fs::create_directories(narratives);
        dbase::TableDef def = viewpoint_tables::narratives();
        def.records.push_back({"BIG", bigNarrativeRtf()});
        def.records.push_back({"PHOTO", "A photograph."});
        dbase::writeTable(narratives, "SVNARRAT", def);
        writePhoto("P640.JPG", 640, 480);
        writePhoto("P2000.JPG", 2000, 1500);
    }
    // A photograph of the size cut from the demo's landscape colours: smooth areas and edges.
    void writePhoto(const char* name, int width, int height) const {
        tools::RgbImage image;
        image.width = width;
        image.height = height;
        image.pixels.resize(std::size_t(width) * std::size_t(height) * 3);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = image.at(x, y);
                const bool sky = y < height / 3 + (x * 7 % 97) * height / 2000;
                p[0] = std::uint8_t(sky ? 120 + y * 100 / height : 60 + (x * 13 + y * 7) % 90);
                p[1] = std::uint8_t(sky ? 160 + y * 80 / height : 90 + (x * 5 + y * 11) % 80);
                p[2] = std::uint8_t(sky ? 230 : 40 + (x + y) % 50);
            }
        if (!tools::writeJpeg((narratives / name).string(), image)) std::abort();
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    fs::path narratives;
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

void setUpApplication() {
    static bool done = [] {
        platform::setScreenSize(1024, 768);
        setenv("XDG_CONFIG_HOME", scratch().config.c_str(), 1);
        fs::current_path(scratch().demo);
        static platform::Application app("panorama");
        registerPanoramaResources();
        CPanDlg::setRealizePause(0);
        CMMVCDlg::setRealizePause(0);
        return true;
    }();
    (void)done;
}

// The panorama window on the demo data, shown and painted.
CPanDlg& panoramaWindow() {
    static CPanDlg* dialog = [] {
        setUpApplication();
        const std::string demo = scratch().demo.string();
        auto* created = new CPanDlg("DEMO01", demo, demo);
        if (!created->Create(IDD_PANORAMA_DIALOG, nullptr)) std::abort();
        created->ShowWindow(SW_SHOW);
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        return created;
    }();
    return *dialog;
}

// The client point of the middle of the waterfall's hotspot.
Point waterfall(CPanDlg& w) {
    PanoramaHotspots& h = w.hotspots();
    for (int i = 0; i < h.hotspotCount(); ++i) {
        const int first = h.hotspots()[i].first_media;
        if (first >= 0 && h.media()[first].site == "Thornmere Falls") {
            const Rect r = h.frameRect(i);
            return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        }
    }
    std::abort();
}

void BM_VisitorCenterClickToFirstPaint(benchmark::State& state) {
    CPanDlg& w = panoramaWindow();
    const Point at = waterfall(w);
    for (auto _ : state) {
        Clock::time_point start, painted;
        bool opened = false;
        platform::setModalLoopHook([&](platform::Window& modal) {
            auto* visitor = dynamic_cast<CMMVCDlg*>(&modal);
            if (!visitor) return;
            // Everything not yet painted is painted now: the window and all its controls.
            visitor->frameWidget()->repaint();
            painted = Clock::now();
            opened =
                visitor->listBox().GetCount() > 0 && visitor->textControl().GetTextLength() > 0;
            visitor->EndDialog(CMMVCDlg::kClosed);
        });
        start = Clock::now();
        w.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        w.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        if (!opened) state.SkipWithError("the visitor center did not open");
        state.SetIterationTime(std::chrono::duration<double>(painted - start).count());
    }
    platform::setModalLoopHook({});
}
BENCHMARK(BM_VisitorCenterClickToFirstPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

void BM_Reference_ToolkitDialogPaint(benchmark::State& state) {
    setUpApplication();
    CPanDlg& w = panoramaWindow();
    const QString html = QString::fromStdString(bigNarrativeHtml().substr(0, 600));
    const QIcon icon(QStringLiteral(":/icons/190.png"));
    for (auto _ : state) {
        const auto start = Clock::now();
        QDialog dialog(w.frameWidget());
        dialog.resize(1018, 743);
        auto* layout = new QVBoxLayout(&dialog);
        auto* list = new QListWidget;
        for (int i = 0; i < w.hotspots().mediaCount(); ++i) {
            const MediaInfo& m = w.hotspots().media()[i];
            list->addItem(new QListWidgetItem(
                icon, QString::fromLatin1((m.site + "\n" + m.caption + "\n" + m.credits).c_str())));
        }
        list->setCurrentRow(0);
        auto* text = new QTextEdit;
        text->setReadOnly(true);
        text->setHtml(html);
        layout->addWidget(list);
        layout->addWidget(text);
        dialog.show();
        dialog.repaint();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["entries"] = w.hotspots().mediaCount();
}
BENCHMARK(BM_Reference_ToolkitDialogPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// A visitor center over the narratives' folder with one record that links to the big text.
struct NarrativeWindow {
    // The big narrative, a record that shows nothing, and the two photographs.
    MediaInfo media[4];
    Code4 code;
    std::unique_ptr<CMMVCDlg> dialog;
    NarrativeWindow() {
        setUpApplication();
        code4init(&code);
        media[0].mslink = "BIG";
        media[0].media_type = 3;
        media[0].site = "Big";
        media[1].mslink = "PHOTO";
        media[1].media_type = 0;
        media[1].site = "Nothing";
        const char* photos[2] = {"P640.JPG", "P2000.JPG"};
        for (int i = 0; i < 2; ++i) {
            MediaInfo& m = media[2 + i];
            m.mslink = "PHOTO";
            m.media_type = 2;
            m.site = photos[i];
            m.caption = "Bench photograph";
            m.media_name = photos[i];
        }
        VisitorCenterSetup s;
        s.placement = Rect{0, 0, 1024, 768};
        s.panCode = "DEMO01";
        s.mapPath = scratch().narratives.string();
        s.databasePath = scratch().narratives.string();
        s.context = &code;
        s.viewpointName = "Bench";
        s.palette = &panoramaWindow().palette();
        s.media = media;
        s.mediaCount = 4;
        s.startIndex = 0;
        dialog = std::make_unique<CMMVCDlg>(s);
        if (!dialog->Create(CMMVCDlg::kTemplateId, nullptr)) std::abort();
        dialog->ShowWindow(SW_SHOW);
    }
};

NarrativeWindow& narrativeWindow() {
    static NarrativeWindow* w = new NarrativeWindow;
    return *w;
}

void BM_ShowNarrative_100KB(benchmark::State& state) {
    NarrativeWindow& w = narrativeWindow();
    std::size_t characters = 0;
    for (auto _ : state) {
        if (w.dialog->ShowNarrative("BIG") <= 0) state.SkipWithError("no text shown");
        characters = std::size_t(w.dialog->textControl().GetTextLength());
        benchmark::DoNotOptimize(
            w.dialog->textControl().textDocument()->documentLayout()->documentSize());
    }
    state.counters["characters"] = double(characters);
    state.counters["rtf_bytes"] = double(bigNarrativeRtf().size());
}
BENCHMARK(BM_ShowNarrative_100KB)->Unit(benchmark::kMillisecond);

void BM_Reference_QTextDocumentHtml_100KB(benchmark::State& state) {
    NarrativeWindow& w = narrativeWindow();
    const QString html = QString::fromStdString(bigNarrativeHtml());
    const qreal width = w.dialog->textControl().textDocument()->textWidth();
    std::size_t characters = 0;
    QTextDocument document;
    for (auto _ : state) {
        document.setHtml(html);
        document.setTextWidth(width);
        benchmark::DoNotOptimize(document.documentLayout()->documentSize());
        characters = std::size_t(document.characterCount());
    }
    state.counters["characters"] = double(characters);
}
BENCHMARK(BM_Reference_QTextDocumentHtml_100KB)->Unit(benchmark::kMillisecond);

// Selecting a photograph's entry until the window has painted it, at a display depth (24: the
// photo in its own colours; 8: reduced to the shared palette). Between iterations the entry of a
// record that shows nothing is selected, outside the timing.
void BM_SelectPhotoToPaint(benchmark::State& state) {
    NarrativeWindow& w = narrativeWindow();
    const int entry = 2 + int(state.range(0));
    Cmemdib::SetDisplayDepth(int(state.range(1)));
    const auto select = [&](int index) {
        w.dialog->listBox().SetCurSel(index);
        w.dialog->SendMessage(WM_COMMAND, MAKEWPARAM(CMMVCDlg::kListId, LBN_SELCHANGE),
                              reinterpret_cast<LPARAM>(w.dialog->listBox().GetSafeHwnd()));
    };
    for (auto _ : state) {
        state.PauseTiming();
        select(1);
        w.dialog->frameWidget()->repaint();
        state.ResumeTiming();
        select(entry);
        w.dialog->frameWidget()->repaint();
        if (!w.dialog->photo().loaded) state.SkipWithError("the photo was not shown");
    }
    state.counters["width"] = w.dialog->photo().width();
    Cmemdib::SetDisplayDepth(24);
}
BENCHMARK(BM_SelectPhotoToPaint)
    ->ArgsProduct({{0, 1}, {24, 8}})
    ->ArgNames({"photo", "depth"})
    ->Unit(benchmark::kMillisecond);

void BM_Reference_ReadImageFile(benchmark::State& state) {
    NarrativeWindow& w = narrativeWindow();
    const std::string path =
        (scratch().narratives / (state.range(0) == 0 ? "P640.JPG" : "P2000.JPG")).string();
    Cmemdib::SetDisplayDepth(int(state.range(1)));
    for (auto _ : state) {
        Cmemdib image;
        if (!image.ReadImageFile(path.c_str(), "photo", TRUE, nullptr, &panoramaWindow().palette(),
                                 FALSE, "bench"))
            state.SkipWithError("the photo could not be read");
        benchmark::DoNotOptimize(image.loaded);
    }
    (void)w;
    Cmemdib::SetDisplayDepth(24);
}
BENCHMARK(BM_Reference_ReadImageFile)
    ->ArgsProduct({{0, 1}, {24, 8}})
    ->ArgNames({"photo", "depth"})
    ->Unit(benchmark::kMillisecond);

// PlayVideo of a demo video (and showing its window, which starts it) until its first decoded
// frame reaches the picture; the video is stopped and closed outside the timing.
void BM_PlayVideoToFirstFrame(benchmark::State& state) {
    NarrativeWindow& w = narrativeWindow();
    static const char* const videos[] = {"DEMO01V1.AVI", "DEMO01A3.AVI", "DEMO01E1.AVI",
                                         "DEMO01H2.AVI"};
    const std::string path = (scratch().demo / videos[state.range(0)]).string();
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!w.dialog->PlayVideo(path, "Bench")) {
            state.SkipWithError("the video did not open");
            break;
        }
        auto* video = dynamic_cast<platform::VideoWindow*>(
            platform::Window::FromHandle(w.dialog->videoWindow()));
        bool framed = false;
        QMetaObject::Connection c =
            QObject::connect(video->videoSink(), &QVideoSink::videoFrameChanged, video->videoSink(),
                             [&](const QVideoFrame& frame) {
                                 if (frame.isValid()) framed = true;
                             });
        w.dialog->SetVideoVisible(TRUE);
        const auto limit = start + std::chrono::seconds(3);
        while (!framed && Clock::now() < limit)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const auto shown = Clock::now();
        QObject::disconnect(c);
        if (!framed) state.SkipWithError("no frame within 3 s");
        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
        w.dialog->SetVideoVisible(FALSE);
    }
    state.SetLabel(videos[state.range(0)]);
}
BENCHMARK(BM_PlayVideoToFirstFrame)
    ->DenseRange(0, 3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    const char* qpa = std::getenv("PANORAMA_BENCH_QPA");
    qputenv("QT_QPA_PLATFORM", qpa ? QByteArray(qpa) : QByteArrayLiteral("offscreen"));
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    platform::installFontSubstitutions();
    platform::loadSystemColours();
    platform::installQtServices(true);
    scratch();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
