// visitor_screenshots CODE PAN_DIR DB_DIR, run on an X server: starts the viewer as the program
// does, clicks a hotspot of the demo's panorama and takes the whole screen with ImageMagick's
// import while the visitor center is open:
//   visitor_center.png        opened by the click on the waterfall: the list with its first six
//                             entries and the waterfall's formatted narrative;
//   visitor_center_long.png   after Home in the list: the viewpoint's own record, whose long
//                             narrative (bold, italics, a bulleted list, accented names) needs the
//                             text's scroll bar;
//   visitor_center_photo.png  the terrace photograph, larger than the picture area, with its
//                             scroll bars;
//   visitor_center_video.png  the overlook's video playing in its window.
// The pictures go to $PANORAMA_SHOT_DIR (default: the working folder). Each is checked against the
// window's state and the screen's pixels. Exit status 0 when both were taken and passed.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QString>
#include <QTextEdit>
#include <QTimer>

#include "app/pan_app.h"
#include "platform/qt/application.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "viewer/pan_dlg.h"
#include "platform/qt/video_window.h"
#include "visitor/mmvc_dlg.h"

namespace {

std::string g_outDir = ".";
int g_failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    if (!ok) ++g_failures;
}

QImage takeScreen(const std::string& name) {
    const std::string path = g_outDir + "/" + name;
    const std::string command = "import -window root '" + path + "'";
    if (std::system(command.c_str()) != 0) return QImage();
    std::printf("screenshot: %s\n", path.c_str());
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

// A colour reference (0x00bbggrr) as the screen's 0xrrggbb.
unsigned rgbOf(COLORREF colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

unsigned rgbAt(const QImage& image, Point p) {
    return image.valid(p.x, p.y) ? (image.pixel(p.x, p.y) & 0xFFFFFF) : 0xFFFFFFFFu;
}

class ScreenshotApp : public CPanApp {
protected:
    void RunPanoramaWindow() override {
        QTimer timer;
        std::size_t step = 0;
        std::vector<std::function<void()>> steps = {
            [] {}, // the window settles
            [&] { clickWaterfall(); },
            [] {},
            [&] { shootFirst(); },
            [&] { pressInList(Qt::Key_Home); },
            [] {},
            [&] { shootLong(); },
            [&] { selectNamed("DEMO01P1.JPG"); },
            [] {},
            [&] { shootPhoto(); },
            [&] { selectNamed("DEMO01V1.AVI"); },
            [] {},
            [] {},
            [&] { shootVideo(); },
            [&] {
                if (CMMVCDlg* v = visitor())
                    v->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_CLOSECMD, BN_CLICKED));
            },
            [&] { check(!visitor(), "Close ends the visitor center"); },
            [&] { panorama()->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_CLOSECMD, 0)); },
        };
        QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
            if (!panorama() || step >= steps.size()) return;
            steps[step++]();
        });
        timer.start(700);
        CPanApp::RunPanoramaWindow();
        check(step == steps.size(), "the script ran to its end");
    }

private:
    CPanDlg* panorama() const { return dynamic_cast<CPanDlg*>(m_pMainWnd); }
    CMMVCDlg* visitor() const { return panorama() ? panorama()->visitorCenter() : nullptr; }

    int hotspotNamed(const char* site) const {
        PanoramaHotspots& h = panorama()->hotspots();
        for (int i = 0; i < h.hotspotCount(); ++i) {
            const int first = h.hotspots()[i].first_media;
            if (first >= 0 && h.media()[first].site == site) return i;
        }
        return -1;
    }

    // A press and release on the waterfall's hotspot (posted: the press opens the visitor center
    // in a modal loop of its own).
    void clickWaterfall() {
        m_hotspot = hotspotNamed("Thornmere Falls");
        check(m_hotspot >= 0, "the demo has the waterfall");
        if (m_hotspot < 0) return;
        const Rect frame = panorama()->hotspots().frameRect(m_hotspot);
        const Point centre{(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
        panorama()->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
        panorama()->PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
        panorama()->PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
    }

    void pressInList(Qt::Key key) {
        CMMVCDlg* v = visitor();
        if (!v) return;
        QWidget* list = v->listBox().clientWidget();
        list->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list, &press);
    }

    QTextEdit* textView() const {
        return visitor() ? qobject_cast<QTextEdit*>(visitor()->textControl().clientWidget())
                         : nullptr;
    }

    void shootFirst() {
        CMMVCDlg* v = visitor();
        check(v != nullptr, "a click on the waterfall opens the visitor center");
        const QImage screen = takeScreen("visitor_center.png");
        check(!screen.isNull(), "screen taken with the visitor center open");
        if (!v) return;
        const int first = panorama()->hotspots().hotspots()[m_hotspot].first_media;
        check(v->listBox().GetCurSel() == first, "the waterfall's first record is selected");
        check(v->listBox().visibleItemCount() == 6, "the list shows six entries");
        const std::string text = v->textControl().GetText();
        check(text.find("Thornmere Falls") != std::string::npos, "the narrative is shown");
        // The selected entry is drawn in the highlight colour (inside its bump edge).
        Rect item;
        v->listBox().GetItemRect(first, &item);
        const Rect area = v->listBox().itemArea();
        Point inside{area.left + item.left + 4, area.top + item.top + 4};
        v->listBox().ClientToScreen(&inside);
        check(rgbAt(screen, inside) == rgbOf(GetSysColor(COLOR_HIGHLIGHT)),
              "the selected entry is highlighted");
    }

    void shootLong() {
        CMMVCDlg* v = visitor();
        const QImage screen = takeScreen("visitor_center_long.png");
        check(!screen.isNull(), "screen taken with the long narrative");
        if (!v) return;
        check(v->listBox().GetCurSel() == 0, "Home selects the viewpoint's record");
        const std::string text = v->textControl().GetText();
        check(text.find("Caf\xE9 Edelweiss") != std::string::npos, "the accented name is read");
        QTextEdit* view = textView();
        check(view && view->verticalScrollBar()->isVisible(), "the long text has a scroll bar");
    }

    // Selects the entry whose record names the file, as a click on it does.
    void selectNamed(const char* file) {
        CMMVCDlg* v = visitor();
        if (!v) return;
        for (int i = 0; i < v->listBox().GetCount(); ++i)
            if (v->listBox().recordAt(i)->media_name == file) {
                v->listBox().SetCurSel(i);
                v->SendMessage(WM_COMMAND, MAKEWPARAM(CMMVCDlg::kListId, LBN_SELCHANGE),
                               reinterpret_cast<LPARAM>(v->listBox().GetSafeHwnd()));
                return;
            }
        check(false, std::string("the list has ") + file);
    }

    void shootPhoto() {
        CMMVCDlg* v = visitor();
        const QImage screen = takeScreen("visitor_center_photo.png");
        check(!screen.isNull(), "screen taken with the large photo");
        if (!v) return;
        check(v->photo().loaded && v->photo().width() == 1200, "the terrace photo is shown");
        check(v->horizontalBarShown() && v->verticalBarShown(), "with both scroll bars");
        Point centre{(v->pictureRect().left + v->pictureRect().right) / 2,
                     (v->pictureRect().top + v->pictureRect().bottom) / 2};
        v->ClientToScreen(&centre);
        check(rgbAt(screen, centre) != rgbOf(CPanDlg::kBackgroundColour),
              "the picture area shows the photo");
    }

    void shootVideo() {
        CMMVCDlg* v = visitor();
        const QImage screen = takeScreen("visitor_center_video.png");
        check(!screen.isNull(), "screen taken with the video playing");
        if (!v) return;
        auto* video =
            dynamic_cast<platform::VideoWindow*>(platform::Window::FromHandle(v->videoWindow()));
        check(video && video->state() == platform::VideoState::Playing, "the video plays");
        if (!video) return;
        Rect picture = video->pictureRect();
        video->ClientToScreen(&picture);
        const Point middle{(picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2};
        check(rgbAt(screen, middle) != 0 && rgbAt(screen, middle) != 0xFFFFFFFFu,
              "the video's picture is not black");
    }

    int m_hotspot = -1;
};

ScreenshotApp theApp;

} // namespace

int main(int argc, char** argv) {
    if (const char* dir = std::getenv("PANORAMA_SHOT_DIR")) g_outDir = dir;
    platform::runApplication(theApp, argc, argv, registerPanoramaResources);
    return g_failures == 0 ? 0 : 1;
}
