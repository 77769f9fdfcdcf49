// Printouts of a picture and of rich text, read back from the PDF files they make: pages,
// rectangles (rendered with pdftoppm), text and fonts (pdftotext, pdffonts), and the print job's
// dialog and failures.
#include "imaging/cmemdib.h"
#include "platform/core/message_box.h"
#include "platform/qt/controls.h"
#include "platform/qt/dc.h"
#include "platform/qt/print_dialog.h"
#include "platform/qt/rich_edit.h"
#include "platform/qt/test_support.h"
#include "printing/print_job.h"
#include "printing/print_layout.h"
#include "printing/size_print_dialog.h"
#include "resources/panorama_resources.h"
#include "tests/support/temp_dir.h"
#include "tests/support/command_output.h"
#include "tools/jpeg_writer.h"

#include <QImage>
#include <QTest>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::test::whenModal;

using testing_support::commandOutput;

int pageCount(const fs::path& pdf) {
    const std::string info = commandOutput("pdfinfo '" + pdf.string() + "' 2>/dev/null");
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string infoLine(const fs::path& pdf, const std::string& key) {
    const std::string info = commandOutput("pdfinfo '" + pdf.string() + "' 2>/dev/null");
    const auto at = info.find(key + ":");
    if (at == std::string::npos) return {};
    auto start = info.find_first_not_of(' ', at + key.size() + 1);
    return info.substr(start, info.find('\n', start) - start);
}

// The bounding box of the page's non-white pixels, rendered at dpi.
QRect inkOf(const fs::path& pdf, int page, int dpi) {
    const fs::path out = pdf.parent_path() / "render";
    commandOutput("pdftoppm -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " +
                  std::to_string(page) + " -singlefile -png '" + pdf.string() + "' '" +
                  out.string() + "'");
    const QImage image(QString::fromStdString(out.string() + ".png"));
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) + qGreen(p) + qBlue(p) < 600) box |= QRect(x, y, 1, 1);
        }
    return box;
}

// Where the printout goes when the dialog is not shown.
class ScriptedPrinter {
public:
    ScriptedPrinter(const fs::path& file, const char* page = "Letter", int dpi = 300,
                    const char* orientation = "portrait") {
        ::setenv("PANORAMA_PRINT_TO_PDF", file.c_str(), 1);
        ::setenv("PANORAMA_PRINT_PAGE", page, 1);
        ::setenv("PANORAMA_PRINT_DPI", std::to_string(dpi).c_str(), 1);
        if (orientation)
            ::setenv("PANORAMA_PRINT_ORIENTATION", orientation, 1);
        else
            ::unsetenv("PANORAMA_PRINT_ORIENTATION");
    }
    ~ScriptedPrinter() {
        for (const char* name : {"PANORAMA_PRINT_TO_PDF", "PANORAMA_PRINT_PAGE",
                                 "PANORAMA_PRINT_DPI", "PANORAMA_PRINT_ORIENTATION"})
            ::unsetenv(name);
    }
};

class PrintTest : public platform::test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        static bool registered = false;
        if (!registered) {
            registerPanoramaResources();
            registered = true;
        }
        platform::resetPrintingForTests();
        platform::setPrintFileChooser(nullptr);
        Cmemdib::SetDisplayDepth(24);
        std::vector<BYTE> entries(4 + 4 * 256);
        auto* log = reinterpret_cast<LOGPALETTE*>(entries.data());
        log->palVersion = 0x0300;
        log->palNumEntries = 256;
        for (int i = 0; i < 256; ++i)
            log->palPalEntry[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
        ASSERT_TRUE(palette.CreatePalette(log));
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                   Rect{50, 50, 650, 500}, nullptr));
        ASSERT_TRUE(text.Create(WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL,
                                Rect{10, 10, 400, 300}, &owner, 1100));
    }
    void TearDown() override {
        platform::setPrintFileChooser(nullptr);
        if (owner.exists()) owner.DestroyWindow();
        GuiTest::TearDown();
    }

    // A JPEG of the size read into a memory bitmap: a dark colour ramp, nowhere near white.
    void loadImage(Cmemdib& image, int width, int height) {
        tools::RgbImage rgb;
        rgb.width = width;
        rgb.height = height;
        rgb.pixels.resize(std::size_t(width) * height * 3);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = rgb.at(x, y);
                p[0] = std::uint8_t(x * 150 / width);
                p[1] = std::uint8_t(y * 150 / height);
                p[2] = 90;
            }
        const fs::path file = dir.path() / "image.jpg";
        ASSERT_TRUE(tools::writeJpeg(file.string(), rgb));
        ASSERT_TRUE(
            image.ReadImageFile(file.c_str(), "image", FALSE, nullptr, &palette, TRUE, "Test"));
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

    // The panorama window's kind of job.
    std::unique_ptr<CPrintJob> panoramaJob() {
        return std::make_unique<CPrintJob>("", nullptr, &owner, TRUE, TRUE, TRUE,
                                           CPrintJob::kFullSize, CPrintJob::kPortrait,
                                           CPrintJob::kHighestQuality);
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& call : boxes->calls())
            texts.push_back(call.text);
        return texts;
    }

    testing_support::TempDir dir;
    platform::Palette palette;
    platform::Window owner;
    platform::RichEditCtrl text;
};

using Strings = std::vector<std::string>;

TEST_F(PrintTest, AWideMapFillsTheWidthAtFullSizeAndTheMiddleHalfAtHalfSize) {
    Cmemdib image;
    loadImage(image, 2000, 500);
    auto job = panoramaJob();
    const fs::path full = dir.path() / "full.pdf";
    {
        ScriptedPrinter printer(full);
        ASSERT_TRUE(PrintMap(&image, &palette, "Falls", &owner, "Caption", job.get(), TRUE,
                             CPrintJob::kFullSize, 1.0));
    }
    EXPECT_TRUE(boxes->calls().empty());
    EXPECT_EQ(pageCount(full), 1);
    EXPECT_EQ(infoLine(full, "Title"), "Falls");
    EXPECT_EQ(infoLine(full, "Page size"), "612 x 792 pts (letter)");
    // Read back at the printer's own resolution: (150, 1369, 2400, 1931).
    QRect ink = inkOf(full, 1, 300);
    EXPECT_NEAR(ink.left(), 150, 1);
    EXPECT_NEAR(ink.top(), 1369, 1);
    EXPECT_NEAR(ink.right() + 1, 2400, 1);
    EXPECT_NEAR(ink.bottom() + 1, 1931, 1);
    ASSERT_TRUE(job->dialog);
    EXPECT_EQ(job->orientation, CPrintJob::kLandscape) << "a wide picture asks for landscape";
    EXPECT_EQ(job->dialog->m_pd.hDevMode->dmOrientation, CPrintJob::kLandscape);
    EXPECT_EQ(job->dialog->m_pd.hDevMode->dmPrintQuality, CPrintJob::kHighestQuality);
    EXPECT_EQ(job->dc, nullptr) << "the printout's context is gone with it";

    // Half Size, kept in the dialog: margins 637 and 825, area 1276 x 1650, fitted to 1276 x 319:
    // nh = trunc(0.25 * 1276 / 300 * 300) = 319, top and bottom in by (1650 - 319) / 2 = 665.
    job->dialog->size = CPrintJob::kHalfSize;
    const fs::path half = dir.path() / "half.pdf";
    {
        ScriptedPrinter printer(half);
        ASSERT_TRUE(PrintMap(&image, &palette, "Falls", &owner, "Caption", job.get(), TRUE,
                             CPrintJob::kFullSize, 1.0));
    }
    EXPECT_EQ(job->size, CPrintJob::kHalfSize);
    ink = inkOf(half, 1, 300);
    EXPECT_NEAR(ink.left(), 637, 1);
    EXPECT_NEAR(ink.top(), 825 + 665, 1);
    EXPECT_NEAR(ink.right() + 1, 2550 - 637, 1);
    EXPECT_NEAR(ink.bottom() + 1, 3300 - 825 - 665, 1);

    // A printer that follows the settings turns the page for the wide picture.
    const fs::path turned = dir.path() / "turned.pdf";
    job->dialog->size = CPrintJob::kFullSize;
    {
        ScriptedPrinter printer(turned, "Letter", 300, nullptr);
        ASSERT_TRUE(PrintMap(&image, &palette, "Falls", &owner, "Caption", job.get(), TRUE,
                             CPrintJob::kFullSize, 1.0));
    }
    EXPECT_EQ(infoLine(turned, "Page size"), "792 x 612 pts (letter)");
}

TEST_F(PrintTest, ATallPictureFitsTheHeightAndScaleAppliesWithoutTheSizeChoice) {
    Cmemdib image;
    loadImage(image, 300, 900);
    const fs::path file = dir.path() / "tall.pdf";
    ScriptedPrinter printer(file);
    // No job: a temporary one. Scale 0.5 without the size choice: the middle half of the page,
    // 1275 x 1650 from (637, 825), fitted to 550 x 1650 (inches 1.833 x 5.5).
    ASSERT_TRUE(PrintMap(&image, &palette, "Tall", &owner, "Caption", nullptr, FALSE,
                         CPrintJob::kFullSize, 0.5));
    const QRect ink = inkOf(file, 1, 60);
    EXPECT_NEAR(ink.top(), 165, 1);
    EXPECT_NEAR(ink.bottom() + 1, 495, 1);
    EXPECT_NEAR(ink.width(), 110, 2);
    EXPECT_NEAR(ink.center().x(), 255, 1);
}

TEST_F(PrintTest, SmallPagesRefuseTheMapSilentlyAndTextBelowTwoInches) {
    Cmemdib image;
    loadImage(image, 400, 300);
    streamText("{\\rtf1\\ansi Short text.\\par}");
    const fs::path narrow = dir.path() / "narrow.pdf";
    {
        ScriptedPrinter printer(narrow, "3.9x11in");
        EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", nullptr, TRUE,
                              CPrintJob::kFullSize, 1.0));
        EXPECT_TRUE(boxes->calls().empty()) << "refused without a word";
        EXPECT_FALSE(fs::exists(narrow)) << "an aborted document leaves no file";
        EXPECT_TRUE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
        EXPECT_EQ(pageCount(narrow), 1);
    }
    const fs::path tiny = dir.path() / "tiny.pdf";
    {
        ScriptedPrinter printer(tiny, "1.9x11in");
        EXPECT_FALSE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
    }
    EXPECT_EQ(boxTexts(), Strings{"Page size too small to print reasonably"});
    EXPECT_EQ(boxes->calls()[0].caption, "Caption");
    EXPECT_EQ(boxes->calls()[0].type & MB_ICONMASK, UINT(MB_ICONWARNING));
    EXPECT_FALSE(fs::exists(tiny));
    // An image that was never loaded is the caller's mistake.
    Cmemdib empty;
    EXPECT_FALSE(PrintMap(&empty, &palette, "Map", &owner, "Caption", nullptr, TRUE, 0, 1.0));
    EXPECT_EQ(boxTexts().back(), "Unable to print: internal error 1");
}

TEST_F(PrintTest, AnEmptyTextPrintsOneBlankPage) {
    streamText("{\\rtf1\\ansi }");
    ASSERT_EQ(text.GetTextLength(), 0);
    const fs::path file = dir.path() / "empty.pdf";
    ScriptedPrinter printer(file);
    ASSERT_TRUE(PrintText(&text, &palette, "Text: Nothing", &owner, "Caption", nullptr));
    EXPECT_EQ(pageCount(file), 1);
    EXPECT_TRUE(inkOf(file, 1, 30).isEmpty());
    EXPECT_EQ(infoLine(file, "Title"), "Text: Nothing");
}

// Words w0000, w0001, ... in paragraphs of changing fonts and sizes.
std::string longNarrative(int paragraphs, std::vector<std::string>* words) {
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New "
                      "Roman;}}";
    int n = 0;
    for (int p = 0; p < paragraphs; ++p) {
        rtf += p % 3 == 0   ? "\\pard\\f0\\fs24 "
               : p % 3 == 1 ? "\\pard\\li720\\f1\\fs32 "
                            : "\\pard\\qc\\f0\\fs20\\b ";
        for (int w = 0; w < 40; ++w) {
            std::string word = std::to_string(n++);
            word = "w" + std::string(4 - std::min<std::size_t>(4, word.size()), '0') + word;
            words->push_back(word);
            rtf += word;
            rtf += ' ';
        }
        rtf += "\\b0\\par\n";
    }
    return rtf + "}";
}

TEST_F(PrintTest, ALongNarrativeRunsOverPagesWithNoWordLostOrRepeated) {
    std::vector<std::string> words;
    streamText(longNarrative(60, &words));
    const fs::path file = dir.path() / "long.pdf";
    {
        ScriptedPrinter printer(file);
        auto job = panoramaJob();
        ASSERT_TRUE(PrintText(&text, &palette, "Text: Long", &owner, "Caption", job.get()));
        EXPECT_EQ(job->offer_size, FALSE);
        EXPECT_EQ(job->orientation, CPrintJob::kPortrait);
    }
    EXPECT_TRUE(boxes->calls().empty());
    const int pages = pageCount(file);
    EXPECT_GE(pages, 4);
    const std::string printed = commandOutput("pdftotext '" + file.string() + "' -");
    std::vector<std::string> found;
    const QRegularExpression word(QStringLiteral("w\\d{4}"));
    for (auto it = word.globalMatch(QString::fromStdString(printed)); it.hasNext();)
        found.push_back(it.next().captured().toStdString());
    EXPECT_EQ(found, words);
    // Every page keeps its half-inch margins (30 pixels at 60 dpi) and has text.
    for (int page = 1; page <= pages; ++page) {
        const QRect ink = inkOf(file, page, 60);
        ASSERT_FALSE(ink.isEmpty()) << "page " << page;
        EXPECT_GE(ink.top(), 29) << "page " << page;
        EXPECT_LE(ink.bottom(), 660 - 29) << "page " << page;
        EXPECT_GE(ink.left(), 29) << "page " << page;
        EXPECT_LE(ink.right(), 510 - 29) << "page " << page;
    }
    const std::string fonts = commandOutput("pdffonts '" + file.string() + "'");
    EXPECT_NE(fonts.find("LiberationSans"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("LiberationSerif"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("Bold"), std::string::npos) << fonts;
}

// The boxes pdftotext finds for the words of the first page, in points, by word.
std::map<std::string, QRectF> wordBoxes(const fs::path& pdf) {
    const std::string html = commandOutput("pdftotext -bbox -l 1 '" + pdf.string() + "' -");
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
        "([^<]*)</word>"));
    std::map<std::string, QRectF> boxes;
    for (auto match = word.globalMatch(QString::fromStdString(html)); match.hasNext();) {
        const auto m = match.next();
        boxes[m.captured(5).toStdString()] =
            QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                   QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    }
    return boxes;
}

// Indents, a hanging bullet and the space before a paragraph are as wide on paper as the text
// says, in inches, whatever the printer's resolution.
TEST_F(PrintTest, IndentsAndSpacingKeepTheirSizesOnPaper) {
    streamText("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs24 "
               "\\pard Top\\par"
               "\\pard\\li1440 Indented\\par"
               "\\pard\\li720\\fi-360 \\bullet\\tab Item\\par"
               "\\pard\\sb1440 Below\\par}");
    for (int dpi : {300, 600}) {
        const fs::path file = dir.path() / ("spacing" + std::to_string(dpi) + ".pdf");
        {
            ScriptedPrinter printer(file, "Letter", dpi);
            ASSERT_TRUE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
        }
        const auto words = wordBoxes(file);
        ASSERT_EQ(words.count("Top") + words.count("Indented") + words.count("Item") +
                      words.count("Below"),
                  4u)
            << dpi;
        // Half an inch of margin is 36 points; the side bearing of a glyph is under 2.
        EXPECT_NEAR(words.at("Top").left(), 36, 2) << dpi;
        EXPECT_NEAR(words.at("Indented").left(), 36 + 72, 2) << dpi;
        EXPECT_NEAR(words.at("Item").left(), 36 + 36, 2) << dpi;
        // An inch before the paragraph, besides the line's own leading.
        const double gap = words.at("Below").top() - words.at("Item").bottom();
        EXPECT_GT(gap, 72) << dpi;
        EXPECT_LT(gap, 72 + 8) << dpi;
    }
}

TEST_F(PrintTest, TextThatFitsMakesOnePage) {
    streamText("{\\rtf1\\ansi One line.\\par Another.\\par}");
    const fs::path file = dir.path() / "short.pdf";
    ScriptedPrinter printer(file);
    ASSERT_TRUE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
    EXPECT_EQ(pageCount(file), 1);
    EXPECT_NE(commandOutput("pdftotext '" + file.string() + "' -").find("One line."),
              std::string::npos);
}

TEST_F(PrintTest, EveryFailureToStartIsShownOnceAndEndsTheJob) {
    Cmemdib image;
    loadImage(image, 400, 300);
    streamText("{\\rtf1\\ansi Some text.\\par}");
    const fs::path file = dir.path() / "out.pdf";
    auto job = panoramaJob();
    {
        ScriptedPrinter printer(file);
        printing_test::failNextDialogCreate();
        EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1));
        platform::failNextPrinterContext();
        EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1));
        platform::failNextPrinterCall(platform::PrinterCall::StartDoc);
        EXPECT_FALSE(PrintText(&text, &palette, "Text", &owner, "Caption", job.get()));
        EXPECT_FALSE(fs::exists(file));
        // A failed page start still ends the document.
        platform::failNextPrinterCall(platform::PrinterCall::StartPage);
        EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1));
        EXPECT_EQ(pageCount(file), 1);
    }
    {
        // A folder that is not there: the document cannot start.
        ScriptedPrinter printer(dir.path() / "missing" / "out.pdf");
        EXPECT_FALSE(PrintText(&text, &palette, "Text", &owner, "Caption", job.get()));
    }
    EXPECT_EQ(boxTexts(), (Strings{"Unable to print: could not create print dialog",
                                   "Unable to print: could not attach device context",
                                   "Unable to print: could not start document",
                                   "Unable to print: could not start page",
                                   "Unable to print: could not start document"}));
    EXPECT_NE(platform::currentCursorId(), IDC_WAIT) << "every job ended its wait cursor";
}

TEST_F(PrintTest, PageChangeFailuresAndInternalErrorsHaveTheirMessages) {
    std::vector<std::string> words;
    streamText(longNarrative(30, &words));
    const fs::path file = dir.path() / "pages.pdf";
    ScriptedPrinter printer(file);
    platform::failNextPrinterCall(platform::PrinterCall::EndPage);
    EXPECT_FALSE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
    EXPECT_EQ(pageCount(file), 1) << "the job still ends the document";
    // The second page cannot start: the first is printed.
    platform::failNextPrinterCall(platform::PrinterCall::StartPage, 1);
    EXPECT_FALSE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
    EXPECT_EQ(pageCount(file), 1);

    Cmemdib image;
    EXPECT_FALSE(PrintMap(nullptr, &palette, "Map", &owner, "Caption", nullptr, TRUE, 0, 1.0));
    loadImage(image, 40, 30);
    platform::Palette none;
    EXPECT_FALSE(PrintMap(&image, &none, "Map", &owner, "Caption", nullptr, TRUE, 0, 1.0));
    printing_test::failNextTemporaryJob();
    EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", nullptr, TRUE, 0, 1.0));
    EXPECT_FALSE(PrintText(nullptr, &palette, "Text", &owner, "Caption", nullptr));
    printing_test::failNextTemporaryJob();
    EXPECT_FALSE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
    EXPECT_EQ(boxTexts(),
              (Strings{"Unable to print, error #6", "Unable to print, error #6",
                       "Unable to print: internal error 1", "Unable to print: internal error 1",
                       "Unable to print: internal error 2", "Unable to print: internal error 3",
                       "Unable to print: internal error 4"}));
}

TEST_F(PrintTest, FailuresToDrawAbortTheDocument) {
    Cmemdib image;
    loadImage(image, 400, 300);
    streamText("{\\rtf1\\ansi Some text.\\par}");
    const fs::path file = dir.path() / "drawn.pdf";
    ScriptedPrinter printer(file);
    platform::failNextPrinterCall(platform::PrinterCall::FormatRange);
    EXPECT_FALSE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
    EXPECT_FALSE(fs::exists(file));
    platform::failNextPrinterCall(platform::PrinterCall::StretchDIBits);
    EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", nullptr, TRUE, 0, 1.0));
    EXPECT_FALSE(fs::exists(file));
    // The document cannot be ended (the file cannot take its place, the spooler refuses it),
    // or its last page cannot: the printout did not happen, and says so.
    platform::failNextPrinterCall(platform::PrinterCall::EndDoc);
    EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", nullptr, TRUE, 0, 1.0));
    platform::failNextPrinterCall(platform::PrinterCall::EndPage);
    EXPECT_FALSE(PrintText(&text, &palette, "Text", &owner, "Caption", nullptr));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(boxTexts(), (Strings{"Unable to print, error #5", "Unable to print: could not draw",
                                   "Unable to print: could not end document",
                                   "Unable to print: could not end document"}));

    // A printer that cannot stretch pictures, and a picture with nothing in its rectangle, are
    // given up without a word.
    platform::failNextPrinterCall(platform::PrinterCall::StretchCaps);
    EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", nullptr, TRUE, 0, 1.0));
    image.image_rect = Rect{0, 0, 0, 300};
    EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", nullptr, TRUE, 0, 1.0));
    EXPECT_EQ(boxes->calls().size(), 4u);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_NE(platform::currentCursorId(), IDC_WAIT);
}

// A source rectangle that reaches beyond the bitmap prints paper white there, whatever the
// printer drew before.
TEST_F(PrintTest, ASourceBeyondTheBitmapPrintsPaperWhite) {
    Cmemdib image;
    loadImage(image, 40, 30);
    const fs::path file = dir.path() / "beyond.pdf";
    {
        platform::PrinterDC dc;
        ASSERT_TRUE(dc.Attach(platform::CreatePdfPrinter(file.string(), 8.5, 11, 300)));
        ASSERT_GT(dc.StartDoc("Beyond"), 0);
        ASSERT_GT(dc.StartPage(), 0);
        const auto* info = reinterpret_cast<const BITMAPINFO*>(image.dib);
        EXPECT_EQ(dc.StretchDIBits(300, 300, 1200, 900, 0, 0, 40, 30, image.bits(), info,
                                   DIB_RGB_COLORS, SRCCOPY),
                  30);
        // On the next page, twice the bitmap's width: its right half lies beyond the bitmap.
        ASSERT_GT(dc.EndPage(), 0);
        ASSERT_GT(dc.StartPage(), 0);
        EXPECT_GT(dc.StretchDIBits(300, 1500, 1200, 900, 0, 0, 80, 30, image.bits(), info,
                                   DIB_RGB_COLORS, SRCCOPY),
                  0);
        ASSERT_GT(dc.EndPage(), 0);
        ASSERT_GT(dc.EndDoc(), 0);
    }
    // At 30 dpi the second picture covers (30, 150)-(150, 240): its left half (30-90) is dark,
    // its right half white.
    const QRect ink = inkOf(file, 2, 30);
    EXPECT_NEAR(ink.left(), 30, 1);
    EXPECT_NEAR(ink.top(), 150, 1);
    EXPECT_NEAR(ink.right() + 1, 90, 1);
    EXPECT_NEAR(ink.bottom() + 1, 240, 1);
}

// ---- The dialog itself ---------------------------------------------------------------------

// Chooses the PDF printer in a shown print dialog.
void choosePdfPrinter(platform::Window& dialog) {
    auto* list = dynamic_cast<platform::ComboBox*>(dialog.GetDlgItem(platform::kPrintName));
    ASSERT_NE(list, nullptr);
    const int pdf = list->FindStringExact(-1, platform::kPdfPrinterName);
    ASSERT_GE(pdf, 0);
    list->SetCurSel(pdf);
}

TEST_F(PrintTest, TheDialogKeepsThePrinterAndHalfSizeAfterACancelButNotAFirstCancel) {
    Cmemdib image;
    loadImage(image, 2000, 500);
    auto job = panoramaJob();

    // The very first dialog cancelled: no dialog is kept, no message, TRUE.
    whenModal([](platform::Window& dialog) { dialog.SendMessage(WM_COMMAND, IDCANCEL); });
    EXPECT_TRUE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1.0));
    EXPECT_EQ(job->dialog, nullptr);
    EXPECT_TRUE(boxes->calls().empty());

    // Confirmed at Half Size to a PDF file.
    const fs::path file = dir.path() / "chosen.pdf";
    std::string suggested;
    platform::setPrintFileChooser([&](platform::Window*, const std::string& s) {
        suggested = s;
        return file.string();
    });
    whenModal([&](platform::Window& dialog) {
        auto& print = dynamic_cast<platform::Dialog&>(dialog);
        EXPECT_EQ(print.GetWindowText(), "Print");
        ASSERT_NE(print.GetDlgItem(CSizePrintDialog::kHalfSizeId), nullptr);
        EXPECT_EQ(print.IsDlgButtonChecked(CSizePrintDialog::kFullSizeId), UINT(BST_CHECKED));
        EXPECT_FALSE(print.GetDlgItem(platform::kPrintToFile)->IsWindowVisible());
        EXPECT_FALSE(print.GetDlgItem(platform::kPrintPages)->IsWindowEnabled());
        choosePdfPrinter(print);
        QTest::mouseClick(print.GetDlgItem(CSizePrintDialog::kHalfSizeId)->clientWidget(),
                          Qt::LeftButton);
        print.SendMessage(WM_COMMAND, IDOK);
    });
    EXPECT_TRUE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1.0));
    EXPECT_TRUE(boxes->calls().empty());
    ASSERT_TRUE(job->dialog);
    EXPECT_EQ(job->dialog->size, CPrintJob::kHalfSize);
    EXPECT_NE(suggested.find(".pdf"), std::string::npos);
    EXPECT_EQ(pageCount(file), 1);
    EXPECT_EQ(job->dialog->GetDeviceName(), platform::kPdfPrinterName);

    // Cancelled next time: the dialog, its printer and Half Size stay.
    whenModal([&](platform::Window& dialog) {
        auto& print = dynamic_cast<platform::Dialog&>(dialog);
        EXPECT_EQ(print.IsDlgButtonChecked(CSizePrintDialog::kHalfSizeId), UINT(BST_CHECKED));
        auto* list = dynamic_cast<platform::ComboBox*>(print.GetDlgItem(platform::kPrintName));
        EXPECT_EQ(list->GetLBText(list->GetCurSel()), platform::kPdfPrinterName);
        print.SendMessage(WM_COMMAND, IDCANCEL);
    });
    EXPECT_TRUE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1.0));
    ASSERT_TRUE(job->dialog);
    EXPECT_EQ(job->dialog->size, CPrintJob::kHalfSize);

    // A failure, then a cancel: the cancel shows nothing.
    platform::failNextPrinterContext();
    whenModal([](platform::Window& dialog) { dialog.SendMessage(WM_COMMAND, IDOK); });
    EXPECT_FALSE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1.0));
    whenModal([](platform::Window& dialog) { dialog.SendMessage(WM_COMMAND, IDCANCEL); });
    EXPECT_TRUE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1.0));
    EXPECT_TRUE(job->error.empty());
    EXPECT_EQ(boxTexts(), Strings{"Unable to print: could not attach device context"});
}

TEST_F(PrintTest, ThePrintSizeGroupSitsWhereTheTemplatePutsItAndTheDialogKeepsThePalette) {
    Cmemdib image;
    loadImage(image, 40, 30);
    auto job = panoramaJob();
    platform::Palette other;
    std::vector<BYTE> entries(4 + 4 * 256);
    auto* log = reinterpret_cast<LOGPALETTE*>(entries.data());
    log->palVersion = 0x0300;
    log->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        log->palPalEntry[i] = PALETTEENTRY{7, 7, 7, 0};
    ASSERT_TRUE(other.CreatePalette(log));
    whenModal([&](platform::Window& dialog) {
        auto& print = dynamic_cast<platform::Dialog&>(dialog);
        const std::pair<int, Rect> controls[] = {
            {CSizePrintDialog::kFullSizeId, Rect{16, 176, 16 + 88, 176 + 8}},
            {CSizePrintDialog::kHalfSizeId, Rect{16, 192, 16 + 88, 192 + 8}},
            {IDOK, Rect{176, 192, 176 + 48, 192 + 14}},
            {IDCANCEL, Rect{232, 192, 232 + 48, 192 + 14}}};
        for (auto [id, expected] : controls) {
            platform::Window* control = print.GetDlgItem(id);
            ASSERT_NE(control, nullptr) << id;
            Rect at;
            control->GetWindowRect(&at);
            print.ScreenToClient(&at);
            print.MapDialogRect(&expected);
            EXPECT_EQ(at, expected) << id;
        }
        // Getting the focus realises the shared palette; a second time changes nothing.
        platform::SystemPalette::reset();
        EXPECT_GT(print.SendMessage(WM_QUERYNEWPALETTE), 0);
        EXPECT_EQ(platform::SystemPalette::entries()[1].peGreen, 254);
        EXPECT_EQ(print.SendMessage(WM_QUERYNEWPALETTE), 0);
        // Another window's palette change is answered; the dialog's own is not.
        platform::SystemPalette::realize(other, false);
        print.SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(print.GetSafeHwnd()));
        EXPECT_EQ(platform::SystemPalette::entries()[1].peGreen, 7);
        print.SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(owner.GetSafeHwnd()));
        EXPECT_EQ(platform::SystemPalette::entries()[1].peGreen, 254);
        print.SendMessage(WM_COMMAND, IDCANCEL);
    });
    EXPECT_TRUE(PrintMap(&image, &palette, "Map", &owner, "Caption", job.get(), TRUE, 0, 1.0));
}

TEST_F(PrintTest, TextPrintsWithTheStandardDialogAndItsCopiesAreChecked) {
    streamText("{\\rtf1\\ansi Some text.\\par}");
    auto job = panoramaJob();
    const fs::path file = dir.path() / "text.pdf";
    platform::setPrintFileChooser(
        [&](platform::Window*, const std::string&) { return file.string(); });
    whenModal([&](platform::Window& dialog) {
        auto& print = dynamic_cast<platform::Dialog&>(dialog);
        EXPECT_EQ(print.GetDlgItem(CSizePrintDialog::kFullSizeId), nullptr)
            << "no Print Size group for text";
        choosePdfPrinter(print);
        // Copies must be a number from 1 to 9999: the dialog stays open and says so.
        print.SetDlgItemText(platform::kPrintCopies, "0");
        print.SendMessage(WM_COMMAND, IDOK);
        EXPECT_TRUE(print.exists());
        print.SetDlgItemText(platform::kPrintCopies, "2");
        print.SendMessage(WM_COMMAND, IDOK);
    });
    EXPECT_TRUE(PrintText(&text, &palette, "Text: Some", &owner, "Caption", job.get()));
    EXPECT_EQ(boxTexts(), Strings{"The number of copies must be between 1 and 9999."});
    EXPECT_EQ(pageCount(file), 1);
    ASSERT_TRUE(job->dialog);
    EXPECT_EQ(job->dialog->GetCopies(), 2);
}

} // namespace
