// The demo data set's four videos play headless (offscreen, no sound device) through the real
// media backend: each loads with a length, shows a decoded frame of the landscape (not black),
// stops and closes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <QColor>
#include <QImage>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

#include "platform/qt/test_support.h"
#include "platform/qt/video_window.h"
#include "tests/platform/qt_test_windows.h"
#include "tests/support/temp_dir.h"

namespace {

class DemoVideosTest : public platform::test::GuiTest {};

} // namespace

TEST_F(DemoVideosTest, EveryDemoVideoPlays) {
    testing_support::TempDir dir;
    const std::string command =
        std::string(PANORAMA_MAKE_DEMO) + " '" + dir.str() + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    RecordingWindow parent;
    ASSERT_TRUE(parent.createTopLevel({0, 0, 800, 600}));
    for (const char* name : {"DEMO01V1.AVI", "DEMO01A3.AVI", "DEMO01E1.AVI", "DEMO01H2.AVI"}) {
        const std::string path = dir.str() + "\\" + name;
        const HWND handle = MCIWndCreateA(parent.GetSafeHwnd(), nullptr, 0x40C05008, path.c_str());
        auto* video = dynamic_cast<platform::VideoWindow*>(platform::Window::FromHandle(handle));
        ASSERT_NE(video, nullptr) << name;
        EXPECT_EQ(video->videoWidth(), 320) << name;
        EXPECT_EQ(video->videoHeight(), 240) << name;
        const LRESULT end = video->SendMessage(MCIWNDM_GETEND);
        EXPECT_GE(end, 2900) << name << ": about three seconds";
        EXPECT_LE(end, 3100) << name;

        QImage first;
        QObject context;
        QObject::connect(video->videoSink(), &QVideoSink::videoFrameChanged, &context,
                         [&](const QVideoFrame& frame) {
                             if (frame.isValid() && first.isNull()) first = frame.toImage();
                         });
        video->ShowWindow(SW_SHOW);
        EXPECT_EQ(video->SendMessage(MCI_PLAY), 0) << name;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !first.isNull(); }, 3000)) << name;
        EXPECT_EQ(first.size(), QSize(320, 240)) << name;
        // The landscape: many different colours, and no black picture.
        int bright = 0;
        for (int y = 10; y < 240; y += 20)
            for (int x = 10; x < 320; x += 20)
                bright += qGray(first.pixel(x, y)) > 40;
        EXPECT_GT(bright, 150) << name << ": a picture, not black";

        EXPECT_EQ(video->SendMessage(MCI_STOP), 0) << name;
        EXPECT_EQ(video->state(), platform::VideoState::Stopped) << name;
        video->SendMessage(WM_CLOSE);
        EXPECT_FALSE(IsWindow(handle)) << name;
    }
}
