// The two printouts to PDF files at 300 dpi, each beside the toolkit doing the same page work
// alone, in the same run:
//
//   BM_PrintText_Narrative            PrintText of a narrative of 20 Letter pages (portrait,
//                                     half-inch margins) from a rich-edit control: the job, the
//                                     scripted dialog, laying the text out at the printer's
//                                     resolution, the pages drawn line by line, the file written
//   BM_Reference_QTextDocumentPrint   the same parsed document built into a QTextDocument for the
//                                     printer (the same builder, fonts and half-inch margins,
//                                     paginated to the page) and QTextDocument::print into a PDF
//                                     QPrinter at 300 dpi Letter
//   BM_PrintMap_Photo2000x1500        PrintMap of a 2000 x 1500 photograph read from a JPEG at
//                                     display depth 24, on Letter landscape (what a wide picture
//                                     asks for), the file written
//   BM_Reference_DrawImage            QPainter::drawImage of a QImage of the same pixels into the
//                                     same fitted rectangle of the same kind of PDF QPrinter
//
// Each iteration is one printout including writing its file (wall time). The printouts go to the
// PDF printer through PANORAMA_PRINT_TO_PDF and its companions; any message box fails the
// benchmark. The offscreen platform is used. Goal: each printout within 1.3 times its reference.
// PANORAMA_BENCH_KEEP=DIR keeps the last file of each benchmark in DIR, for reading it back.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QWidget>
#include <benchmark/benchmark.h>

#include "imaging/cmemdib.h"
#include "platform/core/message_box.h"
#include "platform/core/rtf_reader.h"
#include "platform/qt/gdi.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/rich_edit.h"
#include "platform/qt/rich_text_document.h"
#include "platform/qt/window.h"
#include "printing/print_job.h"
#include "printing/print_layout.h"
#include "tests/support/command_output.h"
#include "tools/jpeg_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDpi = 300;
// Sections of the narrative: 20 Letter pages at 300 dpi with half-inch margins.
constexpr int kSections = 104;

// A narrative in three fonts (sans-serif body, serif headings and quotations, a monospaced
// table of walking times) at 9 to 16 points, with bold, italics, indents and centred lines.
std::string narrativeRtf() {
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New "
                      "Roman;}{\\f2\\fmodern Courier New;}}";
    rtf += "\\pard\\qc\\f1\\fs32\\b The Elderfell Range\\b0\\par\n";
    for (int i = 0; i < kSections; ++i) {
        const std::string n = std::to_string(i + 1);
        rtf += "\\pard\\sb120\\f1\\fs28\\b " + n + ". Viewpoint " + n + "\\b0\\par\n";
        rtf += "\\pard\\f0\\fs20 From viewpoint " + n +
               " the path climbs through {\\i larch woods} and over two streams to a shoulder of "
               "the ridge, where the whole range comes into view: {\\b Greyhollow Peak} to the "
               "north, the seven towers of the Sawtooth Ridge, and far below the mirror of Lake "
               "Mirrowen. The Caf\\'e9 Edelweiss keeps a terrace open from May to October; "
               "marmots whistle from the boulder fields, and on quiet evenings chamois cross the "
               "screes under the peak. Allow two hours there and back, and carry warm clothing "
               "even on a fine day.\\par\n";
        rtf += "\\pard\\li720\\ri720\\f1\\fs24\\i The weather changes quickly at this height; "
               "turn back in good time when clouds come down over the ridge.\\i0\\par\n";
        rtf += "\\pard\\li360\\fi-240\\f0\\fs18 \\bullet\\tab Water at the shelter\\par "
               "\\bullet\\tab A relief map of the range\\par\n";
        if (i % 4 == 3)
            rtf += "\\pard\\f2\\fs18 Aldenbrook  0:00   Lake Path  1:10   Shore  2:05\\par\n";
    }
    return rtf + "}";
}

using testing_support::commandOutput;

// The page count pdfinfo reads from the file, -1 when it cannot.
int pageCount(const fs::path& pdf) {
    const std::string info = commandOutput("pdfinfo '" + pdf.string() + "' 2>/dev/null");
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// Every message box is counted and answered at once: a benchmark that raised one has failed.
int g_boxes = 0;
std::string g_lastBox;

struct Scratch {
    fs::path root;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "panorama-print-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        root = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

// A photograph in the demo's landscape colours: a sky over textured ground.
fs::path writePhoto(int width, int height) {
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
    const fs::path file = scratch().root / "photo.jpg";
    if (!tools::writeJpeg(file.string(), image)) std::abort();
    return file;
}

// The owner window, the palette and the text control the printouts are made from.
struct Printouts {
    platform::Palette palette;
    platform::Window owner;
    platform::RichEditCtrl text;
    Cmemdib photo;
    Printouts() {
        std::vector<BYTE> entries(4 + 4 * 256);
        auto* log = reinterpret_cast<LOGPALETTE*>(entries.data());
        log->palVersion = 0x0300;
        log->palNumEntries = 256;
        for (int i = 0; i < 256; ++i)
            log->palPalEntry[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
        if (!palette.CreatePalette(log)) std::abort();
        if (!owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_CAPTION | WS_VISIBLE,
                            Rect{50, 50, 650, 500}, nullptr))
            std::abort();
        if (!text.Create(WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL,
                         Rect{10, 10, 400, 300}, &owner, 1100))
            std::abort();
        streamText(narrativeRtf());
        Cmemdib::SetDisplayDepth(24);
        const fs::path file = writePhoto(2000, 1500);
        if (!photo.ReadImageFile(file.c_str(), "photo", TRUE, nullptr, &palette, TRUE, "Bench"))
            std::abort();
    }
    void streamText(const std::string& rtf) {
        struct Source {
            const std::string* bytes;
            std::size_t at = 0;
        } source{&rtf};
        EDITSTREAM stream;
        stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
        stream.pfnCallback = [](DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* count) -> DWORD {
            auto* s = reinterpret_cast<Source*>(cookie);
            const std::size_t n =
                std::min<std::size_t>(std::size_t(size), s->bytes->size() - s->at);
            std::copy_n(s->bytes->data() + s->at, n, buffer);
            s->at += n;
            *count = LONG(n);
            return 0;
        };
        text.StreamIn(SF_RTF, stream);
    }
};

Printouts& printouts() {
    static Printouts* p = new Printouts;
    return *p;
}

// The scripted PDF printer for the printout's lifetime.
class ScriptedPrinter {
public:
    ScriptedPrinter(const fs::path& file, const char* orientation) {
        ::setenv("PANORAMA_PRINT_TO_PDF", file.c_str(), 1);
        ::setenv("PANORAMA_PRINT_PAGE", "Letter", 1);
        ::setenv("PANORAMA_PRINT_DPI", std::to_string(kDpi).c_str(), 1);
        ::setenv("PANORAMA_PRINT_ORIENTATION", orientation, 1);
    }
    ~ScriptedPrinter() {
        for (const char* name : {"PANORAMA_PRINT_TO_PDF", "PANORAMA_PRINT_PAGE",
                                 "PANORAMA_PRINT_DPI", "PANORAMA_PRINT_ORIENTATION"})
            ::unsetenv(name);
    }
    ScriptedPrinter(const ScriptedPrinter&) = delete;
    ScriptedPrinter& operator=(const ScriptedPrinter&) = delete;
};

// The reference's printer: the same settings the scripted PDF printer gets.
void setUpPdfPrinter(QPrinter& printer, const fs::path& file, QPageLayout::Orientation o) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(kDpi);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), o, QMarginsF(0, 0, 0, 0)));
    printer.setOutputFileName(QString::fromStdString(file.string()));
}

// Fails on a message box, counts the file's pages and keeps it when asked to.
void finish(benchmark::State& state, const fs::path& file) {
    if (g_boxes > 0) state.SkipWithError(("a message box appeared: " + g_lastBox).c_str());
    state.counters["pages"] = pageCount(file);
    std::error_code error;
    state.counters["bytes"] = double(fs::file_size(file, error));
    if (const char* keep = std::getenv("PANORAMA_BENCH_KEEP"))
        fs::copy_file(file, fs::path(keep) / file.filename(), fs::copy_options::overwrite_existing,
                      error);
}

void BM_PrintText_Narrative(benchmark::State& state) {
    Printouts& p = printouts();
    const fs::path file = scratch().root / "text.pdf";
    ScriptedPrinter printer(file, "portrait");
    g_boxes = 0;
    for (auto _ : state) {
        if (!PrintText(&p.text, &p.palette, "Text: Narrative", &p.owner, "Bench", nullptr)) {
            state.SkipWithError("PrintText failed");
            break;
        }
    }
    finish(state, file);
    state.counters["characters"] = p.text.GetTextLength();
    if (state.counters["pages"] != 20) state.SkipWithError("the narrative is not 20 pages long");
}
BENCHMARK(BM_PrintText_Narrative)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Reference_QTextDocumentPrint(benchmark::State& state) {
    Printouts& p = printouts();
    const fs::path file = scratch().root / "text-reference.pdf";
    const rtf::Document& parsed = p.text.richText();
    // The control's font, in points as on paper (the narrative names its own fonts throughout).
    QFont font = p.text.clientWidget()->font();
    if (font.pixelSize() > 0) font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    g_boxes = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        setUpPdfPrinter(printer, file, QPageLayout::Portrait);
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        document.documentLayout()->setPaintDevice(&printer);
        platform::RichTextDefaults defaults;
        defaults.font = font;
        defaults.text = QColor(Qt::black);
        defaults.dpiX = printer.logicalDpiX();
        defaults.dpiY = printer.logicalDpiY();
        defaults.layoutScale = printer.logicalDpiY() / 96.0;
        platform::buildTextDocument(parsed, defaults, &document);
        // Paginated to the page at the printer's resolution, so print neither rescales nor
        // clones it, with half-inch margins: the layout scales frame margins from 96 dpi to the
        // device.
        document.setDocumentMargin(96 / 2.0);
        document.setPageSize(QSizeF(printer.width(), printer.height()));
        document.print(&printer);
    }
    finish(state, file);
    state.counters["characters"] = p.text.GetTextLength();
}
BENCHMARK(BM_Reference_QTextDocumentPrint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PrintMap_Photo2000x1500(benchmark::State& state) {
    Printouts& p = printouts();
    const fs::path file = scratch().root / "map.pdf";
    ScriptedPrinter printer(file, "landscape");
    g_boxes = 0;
    for (auto _ : state) {
        if (!PrintMap(&p.photo, &p.palette, "Photo", &p.owner, "Bench", nullptr, TRUE,
                      CPrintJob::kFullSize, 1.0)) {
            state.SkipWithError("PrintMap failed");
            break;
        }
    }
    finish(state, file);
}
BENCHMARK(BM_PrintMap_Photo2000x1500)->Unit(benchmark::kMillisecond)->UseRealTime();

// The photo's pixels as a toolkit image: the 24-bit rows are bottom-up blue-green-red.
QImage imageOf(const Cmemdib& photo) {
    QImage image(photo.width(), photo.height(), QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        const BYTE* row = photo.bits() + std::size_t(photo.height() - 1 - y) * photo.stride();
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < photo.width(); ++x)
            out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    return image;
}

void BM_Reference_DrawImage(benchmark::State& state) {
    Printouts& p = printouts();
    const fs::path file = scratch().root / "map-reference.pdf";
    const QImage image = imageOf(p.photo);
    // Letter landscape at 300 dpi is 3300 x 2550 pixels; inside half-inch margins the area is
    // 3000 x 2250, which a 4:3 picture fills exactly.
    const QRect fitted(kDpi / 2, kDpi / 2, 3000, 2250);
    g_boxes = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        setUpPdfPrinter(printer, file, QPageLayout::Landscape);
        QPainter painter(&printer);
        painter.drawImage(fitted, image);
        painter.end();
    }
    finish(state, file);
}
BENCHMARK(BM_Reference_DrawImage)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    platform::installFontSubstitutions();
    platform::loadSystemColours();
    platform::installQtServices(true);
    platform::setMessageBoxSink([](const platform::MessageBoxCall& call) {
        ++g_boxes;
        g_lastBox = call.text;
        std::fprintf(stderr, "message box: %s: %s\n", call.caption.c_str(), call.text.c_str());
        return IDOK;
    });
    scratch();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
