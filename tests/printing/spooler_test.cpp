// A printout through a real print spooler: a private cupsd (tests/printing/private_cups.sh) with
// one queue, chosen in the print dialog; the job arrives as the PDF the program drew.
#include "platform/core/message_box.h"
#include "platform/qt/controls.h"
#include "platform/qt/print_dialog.h"
#include "platform/qt/rich_edit.h"
#include "platform/qt/test_support.h"
#include "printing/print_job.h"
#include "printing/print_layout.h"
#include "resources/panorama_resources.h"
#include "tests/support/temp_dir.h"
#include "tests/support/command_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

using testing_support::commandOutput;

class SpoolerTest : public platform::test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        script = std::string(PANORAMA_SOURCE_DIR) + "/tests/printing/private_cups.sh";
        int status = 0;
        const std::string started =
            commandOutput("'" + script + "' start '" + spool.path().string() + "' 2>&1", &status);
        if (status != 0) GTEST_SKIP() << "no print spooler here: " << started;
        running = true;
        ::setenv("CUPS_SERVER", (spool.path() / "run" / "cups.sock").c_str(), 1);
        registerPanoramaResources();
        std::vector<BYTE> entries(4 + 4 * 256);
        auto* log = reinterpret_cast<LOGPALETTE*>(entries.data());
        log->palVersion = 0x0300;
        log->palNumEntries = 256;
        ASSERT_TRUE(palette.CreatePalette(log));
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                   Rect{50, 50, 650, 500}, nullptr));
        ASSERT_TRUE(text.Create(WS_VISIBLE | ES_MULTILINE | ES_READONLY, Rect{10, 10, 400, 300},
                                &owner, 1100));
    }
    void TearDown() override {
        if (running) commandOutput("'" + script + "' stop '" + spool.path().string() + "'");
        if (owner.exists()) owner.DestroyWindow();
        GuiTest::TearDown();
    }

    // The job files the queue has written, waiting up to `seconds` for `count` of them.
    std::vector<fs::path> jobs(std::size_t count, int seconds) {
        std::vector<fs::path> found;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        do {
            found.clear();
            for (const auto& entry : fs::directory_iterator(spool.path() / "out"))
                if (entry.path().extension() == ".pdf") found.push_back(entry.path());
            if (found.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < end);
        return found;
    }

    testing_support::TempDir spool;
    std::string script;
    bool running = false;
    platform::Palette palette;
    platform::Window owner;
    platform::RichEditCtrl text;
};

constexpr const char* kParagraph =
    "A paragraph long enough to take a few lines of the page, printed through the spooler.";

TEST_F(SpoolerTest, ANarrativeChosenForTheQueueArrivesAsItsPages) {
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs28 ";
    for (int p = 0; p < 90; ++p)
        rtf += std::string(kParagraph) + " \\par ";
    rtf += "}";
    struct Source {
        const std::string* bytes;
        std::size_t at = 0;
    } source{&rtf};
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = [](DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* count) -> DWORD {
        auto* s = reinterpret_cast<Source*>(cookie);
        const std::size_t n = std::min<std::size_t>(std::size_t(size), s->bytes->size() - s->at);
        std::copy_n(s->bytes->data() + s->at, n, buffer);
        s->at += n;
        *count = LONG(n);
        return 0;
    };
    text.StreamIn(SF_RTF, stream);

    CPrintJob job("", nullptr, &owner, TRUE, TRUE, TRUE, CPrintJob::kFullSize, CPrintJob::kPortrait,
                  CPrintJob::kHighestQuality);
    platform::test::whenModal([](platform::Window& dialog) {
        auto& print = dynamic_cast<platform::Dialog&>(dialog);
        auto* list = dynamic_cast<platform::ComboBox*>(print.GetDlgItem(platform::kPrintName));
        ASSERT_NE(list, nullptr);
        // The spooler's default queue is chosen at first, and shows what the spooler says of it.
        EXPECT_EQ(list->GetLBText(list->GetCurSel()), "PanoramaPDF");
        EXPECT_EQ(print.GetDlgItemText(platform::kPrintWhere), "Test folder");
        EXPECT_EQ(print.GetDlgItemText(platform::kPrintComment), "PDF files for tests");
        print.SendMessage(WM_COMMAND, IDOK);
    });
    ASSERT_TRUE(PrintText(&text, &palette, "Text: Spooled", &owner, "Caption", &job))
        << (boxes->calls().empty() ? std::string() : boxes->calls()[0].text);
    EXPECT_TRUE(boxes->calls().empty());
    const std::vector<fs::path> arrived = jobs(1, 20);
    ASSERT_EQ(arrived.size(), 1u) << "the job did not arrive";
    const std::string info = commandOutput("pdfinfo '" + arrived[0].string() + "'");
    const auto pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_GE(std::atoi(info.c_str() + pages + 6), 2);
    // Every paragraph arrived, once: the text read back with its line and page breaks as spaces.
    std::string printed = commandOutput("pdftotext '" + arrived[0].string() + "' -");
    std::replace_if(
        printed.begin(), printed.end(), [](char c) { return std::isspace(unsigned(c)); }, ' ');
    printed.erase(std::unique(printed.begin(), printed.end(),
                              [](char a, char b) { return a == ' ' && b == ' '; }),
                  printed.end());
    int paragraphs = 0;
    for (auto at = printed.find(kParagraph); at != std::string::npos;
         at = printed.find(kParagraph, at + 1))
        ++paragraphs;
    EXPECT_EQ(paragraphs, 90);
    fs::path titleFile = arrived[0];
    titleFile.replace_extension(".title");
    std::ifstream title(titleFile);
    std::string line;
    std::getline(title, line);
    EXPECT_EQ(line, "Text: Spooled") << "the document's name is the job's title";

    // A printout given up at its end sends nothing to the queue.
    platform::failNextPrinterCall(platform::PrinterCall::EndDoc);
    platform::test::whenModal(
        [](platform::Window& dialog) { dialog.SendMessage(WM_COMMAND, IDOK); });
    EXPECT_FALSE(PrintText(&text, &palette, "Text: Given up", &owner, "Caption", &job));
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].text, "Unable to print: could not end document");
    EXPECT_EQ(jobs(2, 2).size(), 1u);
}

} // namespace
