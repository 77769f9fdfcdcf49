// The video window of the Qt layer: the version query, making it on live and dead parents,
// files that are missing or cannot be played, loading, playing (frames read through the video
// sink), stopping, the play bar, the caption, the layout, error boxes and every way of going away.
#include "platform/qt/video_window.h"

#include "platform/core/system_metrics.h"
#include "platform/qt/gdi.h"
#include "platform/qt/test_support.h"
#include "platform/qt/window_host.h"
#include "qt_test_windows.h"
#include "tests/support/temp_dir.h"
#include "tools/avi_writer.h"
#include "tools/jpeg_writer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

#include <cctype>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>

using namespace platform;
using platform::test::GuiTest;
using testing_support::TempDir;

namespace {

// What the visitor center makes its video window with.
constexpr DWORD kVisitorStyle =
    WS_CHILD | WS_CAPTION | MCIWNDF_NOMENU | MCIWNDF_NOTIFYERROR | MCIWNDF_NOERRORDLG;
static_assert(kVisitorStyle == 0x40C05008);

// Frame i of every clip: a warm colour that changes a little from frame to frame.
QRgb frameColour(int i) {
    return qRgb(200, 60 + (i % 20) * 3, 40);
}

tools::AviVideo clip(int width, int height, int seconds, bool sound) {
    tools::AviVideo video;
    video.width = width;
    video.height = height;
    video.framesPerSecond = 15;
    for (int i = 0; i < seconds * video.framesPerSecond; ++i) {
        tools::RgbImage image{width, height, 3, {}};
        image.pixels.resize(std::size_t(width) * std::size_t(height) * 3);
        const QRgb c = frameColour(i);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = image.at(x, y);
                p[0] = std::uint8_t(qRed(c)), p[1] = std::uint8_t(qGreen(c));
                p[2] = std::uint8_t(qBlue(c));
            }
        video.jpegFrames.push_back(tools::encodeJpeg(image));
    }
    if (sound) {
        video.audioSampleRate = 22050;
        video.audioChannels = 1;
        video.audioBitsPerSample = 16;
        // A quiet square wave.
        video.audioPcm.resize(std::size_t(video.audioSampleRate) * 2 * std::size_t(seconds));
        for (std::size_t i = 0; i + 1 < video.audioPcm.size(); i += 2)
            video.audioPcm[i + 1] = (i / 100) % 2 ? 0x10 : 0xF0;
    }
    return video;
}

// Overwrites a 32-bit little-endian field `offset` bytes into the body of the first chunk `id`.
void patch32(std::string& bytes, const std::string& id, std::size_t offset, std::uint32_t value) {
    const std::size_t at = bytes.find(id);
    ASSERT_NE(at, std::string::npos) << id;
    for (int i = 0; i < 4; ++i)
        bytes[at + 8 + offset + std::size_t(i)] = char((value >> (8 * i)) & 0xFF);
}

// The clips of every test, written once.
struct Clips {
    TempDir dir;
    std::string pictures; // 2 s, 320 x 240, no sound
    std::string sound;    // the same with a PCM track
    std::string small;    // 1 s, 160 x 120
    std::string lying;    // 160 x 120 frames in a file whose headers say 200 x 150
    std::string truncated;
    std::string noise;
    std::string text;
    Clips() {
        std::filesystem::create_directories(dir.path() / "Clips");
        const std::string pictureBytes = tools::makeAvi(clip(320, 240, 2, false));
        pictures = dir.write("Clips/Harbour.avi", pictureBytes);
        sound = dir.write("Clips/harbour_sound.avi", tools::makeAvi(clip(320, 240, 2, true)));
        small = dir.write("Clips/small.avi", tools::makeAvi(clip(160, 120, 1, false)));
        std::string lie = tools::makeAvi(clip(160, 120, 1, false));
        patch32(lie, "avih", 32, 200);
        patch32(lie, "avih", 36, 150);
        patch32(lie, "strf", 4, 200);
        patch32(lie, "strf", 8, 150);
        lying = dir.write("Clips/lying.avi", lie);
        truncated =
            dir.write("Clips/truncated.avi", pictureBytes.substr(0, pictureBytes.size() / 2));
        std::mt19937 random(1234);
        std::string bytes(50000, '\0');
        for (char& b : bytes)
            b = char(random());
        noise = dir.write("Clips/NOISE.AVI", bytes);
        text = dir.write("Clips/readme.avi", "This is not a video, only some words.\n");
    }
};

class VideoWindowTest : public GuiTest {
protected:
    static void SetUpTestSuite() { clips = std::make_unique<Clips>(); }
    static void TearDownTestSuite() { clips.reset(); }
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(parent.createTopLevel({40, 40, 640, 520}));
    }
    // The DOS-style name of a clip: backslashes, upper case below the temporary folder.
    static std::string dosName(const std::string& path) {
        const std::string base = clips->dir.str();
        std::string rest = path.substr(base.size());
        for (char& c : rest)
            c = c == '/' ? '\\' : char(std::toupper(static_cast<unsigned char>(c)));
        return base + rest;
    }
    VideoWindow* create(const std::string& path, DWORD style = kVisitorStyle) {
        const HWND handle = MCIWndCreateA(parent.GetSafeHwnd(), nullptr, style, path.c_str());
        return dynamic_cast<VideoWindow*>(Window::FromHandle(handle));
    }
    static std::unique_ptr<Clips> clips;
    RecordingWindow parent;
};

std::unique_ptr<Clips> VideoWindowTest::clips;

// Keeps the first decoded frame the sink shows.
class FrameWatch {
public:
    explicit FrameWatch(QVideoSink* sink) {
        QObject::connect(sink, &QVideoSink::videoFrameChanged, &m_context,
                         [this](const QVideoFrame& frame) {
                             if (!frame.isValid()) return;
                             ++m_frames;
                             if (m_first.isNull()) m_first = frame.toImage();
                         });
    }
    bool waitForFrame(int milliseconds = 3000) {
        return QTest::qWaitFor([this] { return !m_first.isNull(); }, milliseconds);
    }
    const QImage& first() const { return m_first; }
    int frames() const { return m_frames; }

private:
    QObject m_context;
    QImage m_first;
    int m_frames = 0;
};

// A COLORREF (0x00BBGGRR) as pixelAt answers colours (0x00RRGGBB).
unsigned rgbOf(COLORREF colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

long long elapsedSince(const QElapsedTimer& clock) {
    return clock.elapsed();
}

} // namespace

TEST_F(VideoWindowTest, VersionIsRecentEnoughAndTestsCanLowerIt) {
    EXPECT_GE(VideoForWindowsVersion(), DWORD(0x010A0000));
    setVideoLibraryVersion(0x01000000);
    EXPECT_EQ(VideoForWindowsVersion(), DWORD(0x01000000));
    resetVideoLibraryVersion();
    EXPECT_EQ(VideoForWindowsVersion(), kVideoLibraryVersion);
}

TEST_F(VideoWindowTest, NeedsALiveParent) {
    RecordingWindow gone;
    ASSERT_TRUE(gone.createTopLevel());
    const HWND dead = gone.GetSafeHwnd();
    gone.DestroyWindow();
    int notAWindow = 0;
    const struct {
        const char* label;
        HWND parent;
    } cases[] = {
        {"no parent", nullptr},
        {"a destroyed parent", dead},
        {"not a window", reinterpret_cast<HWND>(&notAWindow)},
    };
    const std::size_t windows = liveWindows().size();
    for (const auto& c : cases) {
        EXPECT_EQ(MCIWndCreateA(c.parent, nullptr, kVisitorStyle, clips->pictures.c_str()), nullptr)
            << c.label;
        EXPECT_EQ(liveWindows().size(), windows) << c.label;
    }

    const HWND video =
        MCIWndCreateA(parent.GetSafeHwnd(), nullptr, kVisitorStyle, clips->pictures.c_str());
    ASSERT_TRUE(IsWindow(video));
    Window* window = Window::FromHandle(video);
    EXPECT_EQ(window->GetParent(), &parent);
    EXPECT_EQ(window->GetStyle() & ~WS_VISIBLE, kVisitorStyle);
    EXPECT_FALSE(window->IsWindowVisible()) << "no WS_VISIBLE: the program shows it";
}

TEST_F(VideoWindowTest, FilesThatCannotBeOpenedFailAtOnce) {
    std::filesystem::create_directories(clips->dir.path() / "Folder.avi");
    const struct {
        const char* label;
        std::string name;
    } cases[] = {
        {"missing file", clips->dir.str() + "\\CLIPS\\MISSING.AVI"},
        {"missing folder", clips->dir.str() + "\\NOWHERE\\HARBOUR.AVI"},
        {"a folder", clips->dir.file("Folder.avi")},
        {"empty name", ""},
    };
    for (const auto& c : cases) {
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(MCIWndCreateA(parent.GetSafeHwnd(), nullptr, kVisitorStyle, c.name.c_str()),
                  nullptr)
            << c.label;
        // Answered before the backend is asked (it would give a window that failed).
        EXPECT_LT(elapsedSince(clock), 100) << c.label;
    }
    EXPECT_EQ(MCIWndCreateA(parent.GetSafeHwnd(), nullptr, kVisitorStyle, nullptr), nullptr);
    EXPECT_EQ(childrenOf(&parent).size(), 0u);
}

TEST_F(VideoWindowTest, DosNamesResolveInAnyCase) {
    VideoWindow* video = create(dosName(clips->pictures));
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->path(), clips->pictures);
    EXPECT_EQ(video->state(), VideoState::Stopped);
}

TEST_F(VideoWindowTest, FilesThatAreNotVideosFailQuicklyWithoutABox) {
    const struct {
        const char* label;
        std::string path;
    } cases[] = {
        {"random bytes", clips->noise},
        {"text", clips->text},
    };
    for (const auto& c : cases) {
        QElapsedTimer clock;
        clock.start();
        VideoWindow* video = create(c.path);
        ASSERT_NE(video, nullptr) << c.label << ": a window that tells its failure";
        EXPECT_EQ(video->state(), VideoState::Failed) << c.label;
        EXPECT_FALSE(video->errorText().empty()) << c.label;
        EXPECT_EQ(video->SendMessage(MCIWNDM_GETSTART), 0) << c.label;
        EXPECT_EQ(video->SendMessage(MCIWNDM_GETEND), 0) << c.label << ": start == end";
        EXPECT_EQ(video->SendMessage(MCI_PLAY), 1) << c.label;
        EXPECT_EQ(video->state(), VideoState::Failed) << c.label;
        EXPECT_EQ(video->SendMessage(MCI_STOP), 1) << c.label;
        EXPECT_FALSE(video->playButton()->isEnabled()) << c.label;
        const HWND handle = video->GetSafeHwnd();
        video->SendMessage(WM_CLOSE);
        EXPECT_FALSE(IsWindow(handle)) << c.label;
        EXPECT_LT(elapsedSince(clock), 2000) << c.label;
    }
    platform::test::processEvents();
    EXPECT_TRUE(boxes->calls().empty()) << "MCIWNDF_NOERRORDLG";
}

TEST_F(VideoWindowTest, WithoutNoErrorDialogAFailureShowsItsReason) {
    VideoWindow* video = create(clips->noise, kVisitorStyle & ~MCIWNDF_NOERRORDLG);
    ASSERT_NE(video, nullptr);
    ASSERT_EQ(video->state(), VideoState::Failed);
    EXPECT_TRUE(boxes->calls().empty()) << "posted: never inside the load";
    platform::test::processEvents();
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].owner, parent.GetSafeHwnd());
    EXPECT_EQ(boxes->calls()[0].text, video->errorText());
    EXPECT_EQ(boxes->calls()[0].caption, "Video");
    EXPECT_EQ(boxes->calls()[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
}

TEST_F(VideoWindowTest, ClipsLoadAndPlayTheirFrames) {
    const struct {
        const char* label;
        std::string path;
        long long minLength, maxLength;
    } cases[] = {
        {"pictures only", clips->pictures, 1900, 2100},
        // There is no sound device on the test machines: the pictures still play.
        {"with PCM sound", clips->sound, 1900, 2100},
        // A file cut in half loads and plays the frames it has.
        {"truncated", clips->truncated, 1, 1999},
    };
    for (const auto& c : cases) {
        QElapsedTimer clock;
        clock.start();
        VideoWindow* video = create(c.path);
        ASSERT_NE(video, nullptr) << c.label;
        EXPECT_EQ(video->state(), VideoState::Stopped) << c.label << ": loaded during create";
        EXPECT_LT(elapsedSince(clock), VideoWindow::kLoadTimeoutMs) << c.label;
        EXPECT_EQ(video->SendMessage(MCIWNDM_GETSTART), 0) << c.label;
        const LRESULT end = video->SendMessage(MCIWNDM_GETEND);
        EXPECT_GE(end, c.minLength) << c.label;
        EXPECT_LE(end, c.maxLength) << c.label;
        EXPECT_EQ(video->positionSlider()->maximum(), int(end)) << c.label;

        video->ShowWindow(SW_SHOW);
        FrameWatch watch(video->videoSink());
        EXPECT_EQ(video->SendMessage(MCI_PLAY), 0) << c.label;
        EXPECT_EQ(video->state(), VideoState::Playing) << c.label;
        ASSERT_TRUE(watch.waitForFrame()) << c.label << ": a decoded frame";
        const QImage& frame = watch.first();
        EXPECT_EQ(frame.size(), QSize(320, 240)) << c.label;
        const QRgb centre = frame.pixel(160, 120);
        EXPECT_GT(qRed(centre), 160) << c.label << ": the frame's colour, not black";
        EXPECT_LT(qGreen(centre), 140) << c.label;
        EXPECT_LT(qBlue(centre), 90) << c.label;

        EXPECT_EQ(video->SendMessage(MCI_STOP), 0) << c.label;
        EXPECT_EQ(video->state(), VideoState::Stopped) << c.label;
        EXPECT_EQ(video->positionMs(), 0) << c.label;
        const HWND handle = video->GetSafeHwnd();
        video->SendMessage(WM_CLOSE);
        EXPECT_FALSE(IsWindow(handle)) << c.label;
    }
}

TEST_F(VideoWindowTest, PlaysToTheEndAndAgainFromTheStart) {
    VideoWindow* video = create(clips->small);
    ASSERT_NE(video, nullptr);
    ASSERT_EQ(video->SendMessage(MCI_PLAY), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return video->state() == VideoState::Stopped; }, 5000))
        << "a 1 s clip ends";
    FrameWatch watch(video->videoSink());
    EXPECT_EQ(video->SendMessage(MCI_PLAY), 0);
    EXPECT_EQ(video->state(), VideoState::Playing);
    EXPECT_TRUE(watch.waitForFrame()) << "played again";
}

TEST_F(VideoWindowTest, ThePlayBarPlaysPausesAndResumes) {
    VideoWindow* video = create(clips->pictures);
    ASSERT_NE(video, nullptr);
    video->ShowWindow(SW_SHOW);
    QToolButton* button = video->playButton();
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(video->state(), VideoState::Playing);
    FrameWatch watch(video->videoSink());
    ASSERT_TRUE(watch.waitForFrame());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(video->state(), VideoState::Paused);
    // MCI_PLAY resumes where the pause left it.
    const long long paused = video->positionMs();
    EXPECT_EQ(video->SendMessage(MCI_PLAY), 0);
    EXPECT_EQ(video->state(), VideoState::Playing);
    EXPECT_GE(video->positionMs(), paused);
    EXPECT_TRUE(QTest::qWaitFor([&] { return video->positionSlider()->value() > 0; }, 3000))
        << "the slider follows the position";
}

TEST_F(VideoWindowTest, ThePlayBarRepaintsCleanlyAsTheSliderMoves) {
    VideoWindow* video = create(clips->pictures);
    ASSERT_NE(video, nullptr);
    video->ShowWindow(SW_SHOW);
    platform::test::processEvents();
    const Rect bar = video->playBarRect();
    const auto grabBar = [&] {
        return platform::test::grabClient(*video).copy(bar.left, bar.top, bar.width(),
                                                       bar.height());
    };
    QSlider* slider = video->positionSlider();
    slider->setValue(slider->minimum());
    grabBar();
    slider->setValue(slider->maximum());
    const QImage moved = grabBar();
    // Painted afresh, background first: the same pixels, no trace of the handle where it was.
    video->Invalidate(TRUE);
    slider->update();
    EXPECT_EQ(moved, grabBar());
}

TEST_F(VideoWindowTest, PaletteMessagesAreAccepted) {
    VideoWindow* video = create(clips->pictures);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->SendMessage(MCIWNDM_SETPALETTE, 0, 0), 0);
    EXPECT_EQ(video->SendMessage(MCIWNDM_REALIZE, FALSE, 0), 0);
    EXPECT_EQ(video->state(), VideoState::Stopped);
}

TEST_F(VideoWindowTest, SizesItselfToThePictureAndItsParts) {
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const int border = GetSystemMetrics(SM_CXBORDER);
    const int bar = VideoWindow::kPlayBarHeight;
    const struct {
        const char* label;
        std::string path;
        DWORD style;
        Rect window, picture;
    } cases[] = {
        {"the visitor center's",
         clips->pictures,
         kVisitorStyle,
         {0, 0, 320 + 2 * border, caption + 240 + bar + 2 * border},
         {border, border + caption, border + 320, border + caption + 240}},
        {"no play bar",
         clips->pictures,
         kVisitorStyle | MCIWNDF_NOPLAYBAR,
         {0, 0, 320 + 2 * border, caption + 240 + 2 * border},
         {border, border + caption, border + 320, border + caption + 240}},
        {"no caption, no border",
         clips->pictures,
         WS_CHILD | MCIWNDF_NOERRORDLG,
         {0, 0, 320, 240 + bar},
         {0, 0, 320, 240}},
        {"a picture wider than the play bar needs",
         clips->small,
         WS_CHILD,
         {0, 0, 160, 120 + bar},
         {0, 0, 160, 120}},
    };
    for (const auto& c : cases) {
        VideoWindow* video = create(c.path, c.style);
        ASSERT_NE(video, nullptr) << c.label;
        Rect client;
        video->GetClientRect(&client);
        EXPECT_EQ(client, c.window) << c.label;
        EXPECT_EQ(video->pictureRect(), c.picture) << c.label;
        const QRect shown = video->videoWidget()->geometry();
        EXPECT_EQ(shown,
                  QRect(c.picture.left, c.picture.top, c.picture.width(), c.picture.height()))
            << c.label;
        if (c.style & MCIWNDF_NOPLAYBAR) {
            EXPECT_EQ(video->playButton(), nullptr) << c.label;
            EXPECT_EQ(video->playBarRect().height(), 0) << c.label;
        } else {
            EXPECT_EQ(video->playBarRect().top, c.picture.bottom) << c.label;
            EXPECT_EQ(video->playBarRect().height(), bar) << c.label;
            const QPoint slider = video->positionSlider()->geometry().center();
            EXPECT_TRUE(video->playBarRect().contains(Point{slider.x(), slider.y()})) << c.label;
        }
        EXPECT_EQ(video->captionRect().height(), (c.style & WS_CAPTION) ? caption : 0) << c.label;
        video->SendMessage(WM_CLOSE);
    }
}

TEST_F(VideoWindowTest, TheFirstFrameCorrectsASizeTheHeaderGotWrong) {
    VideoWindow* video = create(clips->lying, WS_CHILD | MCIWNDF_NOPLAYBAR);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->videoWidth(), 200);
    EXPECT_EQ(video->videoHeight(), 150);
    FrameWatch watch(video->videoSink());
    ASSERT_EQ(video->SendMessage(MCI_PLAY), 0);
    ASSERT_TRUE(watch.waitForFrame());
    EXPECT_EQ(watch.first().size(), QSize(160, 120));
    Rect client;
    video->GetClientRect(&client);
    EXPECT_EQ(client, (Rect{0, 0, 160, 120}));
}

TEST_F(VideoWindowTest, TheCaptionShowsTheTitle) {
    VideoWindow* video = create(clips->pictures);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->GetWindowText(), "");
    video->ShowWindow(SW_SHOW);
    platform::test::processEvents();
    const Rect caption = video->captionRect();
    ASSERT_GT(caption.height(), 0);
    const auto grabCaption = [&] {
        return platform::test::grabClient(*video).copy(caption.left, caption.top, caption.width(),
                                                       caption.height());
    };
    const QImage before = grabCaption();
    // The caption's gradient ends in the second caption colour (of the active or inactive
    // window).
    const unsigned end = platform::test::pixelAt(before, caption.width() - 1, caption.height() / 2);
    EXPECT_TRUE(end == rgbOf(GetSysColor(COLOR_GRADIENTACTIVECAPTION)) ||
                end == rgbOf(GetSysColor(COLOR_GRADIENTINACTIVECAPTION)))
        << std::hex << end;
    video->SetWindowText("Harbour at dawn");
    EXPECT_EQ(video->GetWindowText(), "Harbour at dawn");
    const QImage after = grabCaption();
    EXPECT_NE(before, after) << "the title is drawn at once";
    EXPECT_EQ(platform::test::pixelAt(after, caption.width() - 1, caption.height() / 2), end)
        << "a short title leaves the caption's end alone";

    // MCIWNDF_SHOWNAME titles the window with the file's name.
    VideoWindow* named = create(clips->pictures, kVisitorStyle | MCIWNDF_SHOWNAME);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->GetWindowText(), "Harbour.avi");
}

TEST_F(VideoWindowTest, GoesAwayCleanlyWhilePlaying) {
    const struct {
        const char* label;
        std::function<void(RecordingWindow&, VideoWindow&)> end;
    } cases[] = {
        {"WM_CLOSE", [](RecordingWindow&, VideoWindow& v) { v.SendMessage(WM_CLOSE); }},
        {"DestroyWindow", [](RecordingWindow&, VideoWindow& v) { v.DestroyWindow(); }},
        {"with its parent", [](RecordingWindow& p, VideoWindow&) { p.DestroyWindow(); }},
        {"closed twice",
         [](RecordingWindow&, VideoWindow& v) {
             const HWND handle = v.GetSafeHwnd();
             ::SendMessage(handle, WM_CLOSE);
             EXPECT_EQ(::SendMessage(handle, WM_CLOSE), 0);
         }},
    };
    for (const auto& c : cases) {
        if (!parent.exists()) {
            ASSERT_TRUE(parent.createTopLevel({40, 40, 640, 520}));
        }
        VideoWindow* video = create(clips->sound);
        ASSERT_NE(video, nullptr) << c.label;
        video->ShowWindow(SW_SHOW);
        FrameWatch watch(video->videoSink());
        ASSERT_EQ(video->SendMessage(MCI_PLAY), 0) << c.label;
        ASSERT_TRUE(watch.waitForFrame()) << c.label;
        const HWND handle = video->GetSafeHwnd();
        QElapsedTimer clock;
        clock.start();
        c.end(parent, *video);
        EXPECT_FALSE(IsWindow(handle)) << c.label;
        EXPECT_LT(elapsedSince(clock), 2000) << c.label;
        platform::test::processEvents();
    }
}

TEST_F(VideoWindowTest, AParentDestroyedDuringTheLoadTakesTheWindowAlong) {
    // The load's wait delivers queued calls: this one destroys the parent meanwhile.
    platform::test::runQueued([this] { parent.DestroyWindow(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(MCIWndCreateA(parent.GetSafeHwnd(), nullptr, kVisitorStyle, clips->pictures.c_str()),
              nullptr);
    EXPECT_LT(elapsedSince(clock), 1000) << "the wait ends with the window";
    EXPECT_TRUE(liveWindows().empty());
}

TEST_F(VideoWindowTest, ACallerOwnedWindowGoesWithItsObject) {
    auto video = std::make_unique<VideoWindow>();
    ASSERT_TRUE(video->Create(&parent, kVisitorStyle, clips->pictures.c_str()));
    ASSERT_EQ(video->SendMessage(MCI_PLAY), 0);
    const HWND handle = video->GetSafeHwnd();
    video.reset();
    EXPECT_FALSE(IsWindow(handle));

    VideoWindow kept;
    ASSERT_TRUE(kept.Create(&parent, kVisitorStyle, clips->pictures.c_str()));
    kept.SendMessage(WM_CLOSE);
    EXPECT_FALSE(kept.exists()) << "closed, the object stays the caller's";
    EXPECT_EQ(kept.videoSink(), nullptr);
    EXPECT_EQ(kept.SendMessage(MCIWNDM_GETEND), 0);
}
