// The visitor center's picture area: where photos are placed, their scroll bars and edge
// scrolling, the viewpoint picture, failed reads, painting, and the Print map button.
#include "visitor_fixtures.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/core/system_metrics.h"
#include "platform/qt/controls.h"
#include "platform/qt/print_dialog.h"
#include "platform/qt/video_window.h"
#include "printing/print_job.h"

using namespace visitor_test;

namespace {

const std::string kVisitorTitle = "Multimedia Visitor Center: Test Overlook";

class PictureAreaTest : public VisitorCenterTest {
protected:
    void SetUp() override {
        VisitorCenterTest::SetUp();
        writePhoto(data.path(), "SMALL.JPG", 200, 100);
        writePhoto(data.path(), "LARGE.JPG", 1000, 800);
        writeNarratives(data.path(), {{"L", "Text"}});
    }
    static MediaInfo photo(const std::string& file, int type = 2) {
        MediaInfo m = record("L", type, "Site " + file, "Caption " + file);
        m.media_name = file;
        return m;
    }
    // Selects an entry as the user does (the list tells the window).
    static void select(CMMVCDlg& v, int index) {
        v.listBox().SetCurSel(index);
        v.SendMessage(WM_COMMAND, MAKEWPARAM(CMMVCDlg::kListId, LBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(v.listBox().GetSafeHwnd()));
    }
    static BOOL printMapEnabled(CMMVCDlg& v) {
        return v.commandBar().button(CDlgBar::kPrintMapId)->IsWindowEnabled();
    }
    INT_PTR runWith(int start, const std::function<void(CMMVCDlg&)>& look) {
        return run(start, look,
                   [this](VisitorCenterSetup& s) { s.useStandardScroll = useStandardScroll; });
    }
    BOOL useStandardScroll = TRUE;
};

} // namespace

// A small photo sits at the area's top-left corner at its own size without scroll bars; a large
// one fills the area, opens at its centre and gets both scroll bars, or, with the standard scroll
// bars off, none: then the area's edges scroll it.
TEST_F(PictureAreaTest, PlacementOfSmallAndLargePhotos) {
    setMedia({photo("SMALL.JPG"), photo("LARGE.JPG")});
    runWith(0, [&](CMMVCDlg& v) {
        const Rect area = v.pictureArea();
        EXPECT_EQ(area, (Rect{25, 19, 497, 339}));
        EXPECT_EQ(v.pictureRect(), (Rect{25, 19, 225, 119}));
        EXPECT_EQ(v.photo().clip_rect, (Rect{0, 0, 200, 100}));
        EXPECT_FALSE(v.horizontalBarShown());
        EXPECT_FALSE(v.verticalBarShown());
        EXPECT_FALSE(v.horizontalBar().IsWindowVisible());

        select(v, 1);
        const Rect r = v.pictureRect();
        EXPECT_TRUE(v.horizontalBarShown());
        EXPECT_TRUE(v.verticalBarShown());
        EXPECT_TRUE(v.horizontalBar().IsWindowVisible());
        EXPECT_TRUE(v.verticalBar().IsWindowVisible());
        EXPECT_EQ(r.left, area.left);
        EXPECT_EQ(r.top, area.top);
        EXPECT_EQ(r.right, area.right - GetSystemMetrics(SM_CXVSCROLL));
        EXPECT_EQ(r.bottom, area.bottom - GetSystemMetrics(SM_CYHSCROLL));
        const Rect s = v.photo().clip_rect;
        EXPECT_EQ(s.width(), r.width());
        EXPECT_EQ(s.height(), r.height());
        EXPECT_EQ(s.left, 500 - r.width() / 2) << "opens at the photo's centre";
        EXPECT_EQ(s.top, 400 - r.height() / 2);
        EXPECT_EQ(v.horizontalBar().GetScrollPos(), s.left);
        EXPECT_EQ(v.verticalBar().GetScrollPos(), s.top);
    });

    useStandardScroll = FALSE;
    runWith(1, [&](CMMVCDlg& v) {
        EXPECT_EQ(v.pictureRect(), v.pictureArea());
        EXPECT_FALSE(v.horizontalBarShown());
        EXPECT_FALSE(v.verticalBarShown());
        const Rect s = v.photo().clip_rect;
        EXPECT_EQ(s.left, 500 - 472 / 2);
        // A press on the area's left edge jumps the view to the left.
        const Rect r = v.pictureRect();
        QTest::mouseClick(platform::test::clientWidget(v), Qt::LeftButton, {},
                          QPoint(r.left + 3, (r.top + r.bottom) / 2));
        EXPECT_LT(v.photo().clip_rect.left, s.left);
        EXPECT_EQ(v.photo().clip_rect.top, s.top);
        EXPECT_FALSE(platform::test::timerActive(v, CMMVCDlg::kGutterTimerId))
            << "the release stops the repeat";
    });
    EXPECT_TRUE(boxes->calls().empty());
}

// The scroll bars move the photo's shown part as the panorama's bars move the panorama: pages,
// lines and the thumb, within the photo.
TEST_F(PictureAreaTest, ScrollBarsMoveThePhoto) {
    setMedia({photo("LARGE.JPG")});
    runWith(0, [&](CMMVCDlg& v) {
        const Rect start = v.photo().clip_rect;
        const auto scroll = [&](UINT message, UINT code, platform::ScrollBar& bar, int pos = 0) {
            v.SendMessage(message, MAKEWPARAM(WORD(code), WORD(pos)),
                          reinterpret_cast<LPARAM>(bar.GetSafeHwnd()));
        };
        SCROLLINFO info;
        v.horizontalBar().GetScrollInfo(&info, SIF_ALL);
        scroll(WM_HSCROLL, SB_LINERIGHT, v.horizontalBar());
        EXPECT_EQ(v.photo().clip_rect.left, start.left + int(info.nPage) / 16);
        EXPECT_EQ(v.horizontalBar().GetScrollPos(), v.photo().clip_rect.left);
        scroll(WM_HSCROLL, SB_PAGERIGHT, v.horizontalBar());
        EXPECT_EQ(v.photo().clip_rect.right, 1000) << "a page stops at the photo's right edge";
        EXPECT_EQ(v.horizontalBar().GetScrollPos(), 1000 - int(info.nPage));
        scroll(WM_VSCROLL, SB_LINEUP, v.verticalBar());
        EXPECT_LT(v.photo().clip_rect.top, start.top);
        v.verticalBar().SetScrollPos(0);
        scroll(WM_VSCROLL, SB_THUMBPOSITION, v.verticalBar());
        EXPECT_EQ(v.photo().clip_rect.top, 0);
        // The area shows what the view holds now.
        const QImage grab = platform::test::grabClient(v);
        const Rect r = v.pictureRect();
        const unsigned topLeft = platform::test::pixelAt(grab, r.left + 2, r.top + 2);
        EXPECT_LT((topLeft >> 8) & 0xFF, 30u) << "the photo's top rows are dark in green";
    });
}

// The viewpoint's record shows its picture when the file was there, and nothing (and no message)
// when it was not; Print map stays off for it. Maps (type 1) turn Print map on, photos (type 2)
// leave it off; a photo that cannot be read gives the reader's message and the window's own,
// leaves the area empty and Print map off.
TEST_F(PictureAreaTest, ViewpointPictureFailedReadsAndPrintMap) {
    writePhoto(data.path(), "MAP.JPG", 300, 200);
    setMedia({record("L", 0, "Overlook"), photo("MAP.JPG", 1), photo("SMALL.JPG", 2),
              photo("MISSING.JPG", 1)});
    runWith(0, [&](CMMVCDlg& v) {
        EXPECT_FALSE(v.viewpointPictureRead());
        EXPECT_FALSE(v.pictureIsViewpoint());
        EXPECT_FALSE(v.photo().loaded);
        EXPECT_FALSE(printMapEnabled(v));
        EXPECT_TRUE(boxes->calls().empty());

        select(v, 1);
        EXPECT_TRUE(v.photo().loaded);
        EXPECT_TRUE(printMapEnabled(v));
        select(v, 2);
        EXPECT_FALSE(printMapEnabled(v));
        EXPECT_TRUE(boxes->calls().empty());

        select(v, 3);
        EXPECT_FALSE(v.photo().loaded);
        EXPECT_FALSE(printMapEnabled(v));
        ASSERT_EQ(boxes->calls().size(), 2u);
        EXPECT_EQ(boxes->calls()[0].text.rfind("Site MISSING.JPG\nCaption MISSING.JPG\n", 0), 0u)
            << boxes->calls()[0].text;
        EXPECT_EQ(boxes->calls()[1].text,
                  "Could not read multimedia object;\nperhaps try again after inserting CD-ROM.");
        EXPECT_EQ(boxes->calls()[1].caption, kVisitorTitle);
    });

    boxes->clear();
    writePhoto(data.path(), "TEST01LC.JPG", 120, 90);
    runWith(0, [&](CMMVCDlg& v) {
        EXPECT_TRUE(v.viewpointPictureRead());
        EXPECT_TRUE(v.pictureIsViewpoint());
        EXPECT_EQ(v.pictureRect(), (Rect{25, 19, 145, 109}));
        EXPECT_FALSE(printMapEnabled(v));
        // Another record and back: the viewpoint picture is read once and shown again.
        select(v, 2);
        EXPECT_FALSE(v.pictureIsViewpoint());
        select(v, 0);
        EXPECT_TRUE(v.pictureIsViewpoint());
        EXPECT_EQ(&v.shownBitmap(), &v.viewpointPicture());
    });
    EXPECT_TRUE(boxes->calls().empty());
}

// Hiding the picture releases the photo, hides its bars and repaints the area with its
// background; closing the window hides it too.
TEST_F(PictureAreaTest, HidingReleasesThePhoto) {
    setMedia({photo("LARGE.JPG"), record("L", 0, "Overlook")});
    runWith(0, [&](CMMVCDlg& v) {
        ASSERT_TRUE(v.photo().loaded);
        platform::test::grabClient(v);
        select(v, 1);
        EXPECT_FALSE(v.photo().loaded);
        EXPECT_FALSE(v.horizontalBar().IsWindowVisible());
        EXPECT_FALSE(v.verticalBar().IsWindowVisible());
        const QImage grab = platform::test::grabClient(v);
        const Rect area = v.pictureArea();
        EXPECT_EQ(grabbedColour(grab, area.left + 100, area.top + 100),
                  COLORREF(CPanDlg::kBackgroundColour & 0xFFFFFF));
    });
}

// The video window opens at the picture area's top-left corner, then moves on the screen so that
// x = 1 and y = 2 (mod 4): an area at x = 102 gives 105, at x = 101 the window stays. It has the
// record's caption, plays, and turns Print map off.
TEST_F(PictureAreaTest, TheVideoWindowIsAlignedAndPlays) {
    writeVideo(data.path(), "CLIP.AVI");
    MediaInfo clip = photo("CLIP.AVI", 5);
    clip.caption = "The falls in flood";
    setMedia({clip});
    struct Case {
        int placementLeft;
        int expectedX;
    };
    // The area's screen x is the placement's left + the 3-pixel frame + the 25-pixel margin; its
    // y is 3 + 19 (caption) + 19 (margin) = 41, which moves to 42.
    for (const Case& c : std::vector<Case>{{74, 105}, {73, 101}, {72, 101}, {75, 105}}) {
        run(
            0,
            [&](CMMVCDlg& v) {
                platform::Window* video = platform::Window::FromHandle(v.videoWindow());
                ASSERT_NE(video, nullptr) << c.placementLeft;
                Rect area = v.pictureArea();
                v.ClientToScreen(&area);
                Rect screen;
                video->GetWindowRect(&screen);
                EXPECT_EQ(screen.left, c.expectedX) << "area at x = " << area.left;
                EXPECT_EQ(screen.top, 42);
                EXPECT_EQ(((screen.left % 4) + 4) % 4, 1);
                EXPECT_EQ(video->GetWindowText(), "The falls in flood");
                EXPECT_TRUE(video->IsWindowVisible());
                auto* window = dynamic_cast<platform::VideoWindow*>(video);
                ASSERT_NE(window, nullptr);
                EXPECT_EQ(window->state(), platform::VideoState::Playing);
                EXPECT_GT(video->SendMessage(MCIWNDM_GETEND), 0);
                EXPECT_FALSE(printMapEnabled(v));
            },
            [&](VisitorCenterSetup& s) {
                s.placement = Rect{c.placementLeft, 0, c.placementLeft + 1024, 768};
            });
    }
    EXPECT_TRUE(boxes->calls().empty());
}

// Selecting a photo after a video stops the video and closes its window before the photo shows;
// closing the visitor center stops and closes a video too.
TEST_F(PictureAreaTest, APhotoAfterAVideoStopsAndClosesItFirst) {
    writeVideo(data.path(), "CLIP.AVI");
    setMedia({photo("CLIP.AVI", 5), photo("SMALL.JPG")});
    HWND closedOnClose = nullptr;
    std::vector<UINT> onClose;
    {
        platform::test::MessageLog log;
        run(0, [&](CMMVCDlg& v) {
            const HWND video = v.videoWindow();
            ASSERT_TRUE(IsWindow(video));
            log.clear();
            select(v, 1);
            EXPECT_FALSE(IsWindow(video)) << "the video window is gone";
            EXPECT_EQ(v.videoWindow(), nullptr);
            EXPECT_TRUE(v.photo().loaded);
            std::vector<UINT> received = log.numbers(video);
            const auto stop = std::find(received.begin(), received.end(), MCI_STOP);
            const auto close = std::find(received.begin(), received.end(), UINT(WM_CLOSE));
            EXPECT_NE(stop, received.end());
            EXPECT_NE(close, received.end());
            EXPECT_LT(stop - received.begin(), close - received.begin()) << "stopped, then closed";
            // Back to the video, then Close: the window's close stops it as well.
            select(v, 0);
            closedOnClose = v.videoWindow();
            ASSERT_TRUE(IsWindow(closedOnClose));
            log.clear();
        });
        onClose = log.numbers(closedOnClose);
    }
    EXPECT_FALSE(IsWindow(closedOnClose));
    EXPECT_NE(std::find(onClose.begin(), onClose.end(), MCI_STOP), onClose.end());
    EXPECT_TRUE(boxes->calls().empty());
}

// Every way a video cannot be shown gives its message, and none closes the visitor center: a
// video library below version 1.10, a missing file, a file that is no video.
TEST_F(PictureAreaTest, EveryVideoFailureHasItsMessage) {
    data.write("BAD.AVI", std::string(4000, '\x5A'));
    setMedia({photo("SMALL.JPG"), photo("NOFILE.AVI", 5), photo("BAD.AVI", 6)});
    const std::string unable = "Unable to show video;\nperhaps try again after inserting CD-ROM.";
    run(0, [&](CMMVCDlg& v) {
        platform::setVideoLibraryVersion(0x01090000);
        select(v, 1);
        platform::resetVideoLibraryVersion();
        expectBoxes(boxes->calls(),
                    {{"Video for Windows installed version not recent enough", kVisitorTitle}},
                    "old library", v.GetSafeHwnd());
        EXPECT_EQ(v.videoWindow(), nullptr);

        boxes->clear();
        const auto started = std::chrono::steady_clock::now();
        select(v, 1);
        expectBoxes(boxes->calls(), {{unable, kVisitorTitle}}, "missing file");
        select(v, 2);
        expectBoxes(boxes->calls(), {{unable, kVisitorTitle}, {unable, kVisitorTitle}},
                    "not a video");
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3))
            << "failures are quick";
        EXPECT_FALSE(printMapEnabled(v));
        EXPECT_TRUE(v.IsWindowVisible()) << "the visitor center stays open";
    });
}

// Print map prints the shown photo and Print text the narrative, both with the panorama window's
// job, named by the record's caption; the viewpoint picture and no selection print nothing.
TEST_F(PictureAreaTest, PrintMapAndPrintTextUseThePanoramaWindowsJob) {
    writePhoto(data.path(), "MAP.JPG", 300, 200);
    writePhoto(data.path(), "TEST01LC.JPG", 120, 90);
    setMedia({record("L", 0, "Overlook"), photo("MAP.JPG", 1)});
    const std::filesystem::path out = data.path() / "printout-%n.pdf";
    ::setenv("PANORAMA_PRINT_TO_PDF", out.c_str(), 1);
    platform::resetPrintingForTests();
    CPrintJob job("", nullptr, nullptr, TRUE, TRUE, TRUE, CPrintJob::kFullSize,
                  CPrintJob::kPortrait, CPrintJob::kHighestQuality);
    const auto printed = [&](int n) {
        return data.path() / ("printout-" + std::to_string(n) + ".pdf");
    };
    const auto title = [](const std::filesystem::path& pdf) {
        FILE* pipe = ::popen(("pdfinfo '" + pdf.string() + "' 2>/dev/null").c_str(), "r");
        std::string info;
        char buffer[512];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe))
            info += buffer;
        if (pipe) ::pclose(pipe);
        const auto at = info.find("Title:");
        if (at == std::string::npos) return std::string();
        const auto start = info.find_first_not_of(' ', at + 6);
        return info.substr(start, info.find('\n', start) - start);
    };
    run(
        0,
        [&](CMMVCDlg& v) {
            const auto command = [&](int id) {
                v.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED));
            };
            command(CDlgBar::kPrintMapId);
            EXPECT_FALSE(std::filesystem::exists(printed(1))) << "the viewpoint picture";
            select(v, 1);
            command(CDlgBar::kPrintMapId);
            EXPECT_EQ(title(printed(1)), "Caption MAP.JPG");
            command(CDlgBar::kPrintTextId);
            EXPECT_EQ(title(printed(2)), "Text: Caption MAP.JPG");
            EXPECT_EQ(job.owner, &v) << "the job's messages belong to the visitor center";
            v.listBox().SetCurSel(-1);
            command(CDlgBar::kPrintTextId);
            EXPECT_FALSE(std::filesystem::exists(printed(3))) << "no selection";
        },
        [&](VisitorCenterSetup& s) { s.printJob = &job; });
    ::unsetenv("PANORAMA_PRINT_TO_PDF");
    EXPECT_TRUE(boxes->calls().empty());
    ASSERT_TRUE(job.dialog) << "the dialog stays with the job";
}
