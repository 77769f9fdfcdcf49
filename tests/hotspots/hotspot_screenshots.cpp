// hotspot_screenshots CODE PAN_DIR DB_DIR, run on an X server: starts the viewer as the program
// does and plays a short script in the real windows, taking the whole screen with ImageMagick's
// import at two moments:
//   hotspot_features_menu.png  a hotspot framed under the mouse, its site on the command bar, and
//                              the Features menu slid open above the Features button with its
//                              Points of Interest submenu;
//   locator_map.png            the locator map window over the panorama.
// The pictures go to $PANORAMA_SHOT_DIR (default: the working folder). Each is checked: the frame's
// red outline, the menu's background colour above the button, the locator window's picture.
// Exit status 0 when both pictures were taken and passed their checks.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QCursor>
#include <QImage>
#include <QString>
#include <QTimer>

#include "app/pan_app.h"
#include "hotspots/slide_popup_menu.h"
#include "platform/qt/application.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "viewer/pan_dlg.h"

namespace {

std::string g_outDir = ".";
int g_failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    if (!ok) ++g_failures;
}

// The whole X screen as a PNG; the picture, or a null image when import failed.
QImage takeScreen(const std::string& name) {
    const std::string path = g_outDir + "/" + name;
    const std::string command = "import -window root '" + path + "'";
    if (std::system(command.c_str()) != 0) return QImage();
    std::printf("screenshot: %s\n", path.c_str());
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

bool colourAt(const QImage& image, Point p, QRgb colour) {
    return image.valid(p.x, p.y) && (image.pixel(p.x, p.y) & 0xFFFFFF) == (colour & 0xFFFFFF);
}

// The slide menu that holds the mouse now (the innermost open one), or null.
CSlidePopupMenu* openSlideMenu() {
    return dynamic_cast<CSlidePopupMenu*>(platform::Window::FromHandle(GetCapture()));
}

class ScreenshotApp : public CPanApp {
protected:
    void RunPanoramaWindow() override {
        // The script runs from a timer of its own; the windows' modal loops keep it ticking.
        QTimer timer;
        std::size_t step = 0;
        std::vector<std::function<void()>> steps = {
            [] {}, // the window settles
            [&] { hoverHotspot(); },
            [&] { panorama()->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_FEATURES, 0)); },
            [&] { openPointsOfInterest(); },
            [] {},
            [&] { shootFeaturesMenu(); },
            [&] {
                if (CSlidePopupMenu* menu = openSlideMenu())
                    menu->SendMessage(WM_KEYDOWN, VK_ESCAPE);
            },
            [&] { panorama()->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_LOCATOR, 0)); },
            [] {},
            [&] { shootLocatorMap(); },
            [&] {
                if (CBitmapDlg* locator = panorama()->locatorWindow())
                    locator->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BMPBUTTON, BN_CLICKED));
            },
            [&] { panorama()->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_CLOSECMD, 0)); },
        };
        QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
            if (!panorama() || step >= steps.size()) return;
            steps[step++]();
        });
        timer.start(500);
        CPanApp::RunPanoramaWindow();
        check(step == steps.size(), "the script ran to its end");
    }

private:
    CPanDlg* panorama() const { return dynamic_cast<CPanDlg*>(m_pMainWnd); }

    // The hotspot whose first record's site is the name, or -1.
    int hotspotNamed(const char* site) const {
        PanoramaHotspots& h = panorama()->hotspots();
        for (int i = 0; i < h.hotspotCount(); ++i) {
            const int first = h.hotspots()[i].first_media;
            if (first >= 0 && h.media()[first].site == site) return i;
        }
        return -1;
    }

    // Points the mouse at the middle of the waterfall, which the first view shows.
    void hoverHotspot() {
        m_hotspot = hotspotNamed("Thornmere Falls");
        if (m_hotspot < 0) return;
        const Rect frame = panorama()->hotspots().frameRect(m_hotspot);
        Point centre{(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
        panorama()->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
        panorama()->ClientToScreen(&centre);
        QCursor::setPos(centre.x, centre.y);
    }

    // Rests the mouse on the Features menu's first row, which opens its submenu.
    void openPointsOfInterest() {
        CSlidePopupMenu* menu = openSlideMenu();
        if (!menu) return;
        menu->GetWindowRect(&m_menuRect);
        const Rect row = menu->itemRect(0);
        Point p{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
        menu->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        // A press on a submenu's row opens it (in a modal loop of its own: posted).
        menu->PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }

    void shootFeaturesMenu() {
        const QImage screen = takeScreen("hotspot_features_menu.png");
        check(!screen.isNull(), "screen taken with the Features menu open");
        check(m_hotspot >= 0 && panorama()->hotspots().hovered() == m_hotspot,
              "the waterfall is hovered");
        check(panorama()->commandBar().barText() == "Thornmere Falls",
              "the command bar names the waterfall");
        Rect frame = panorama()->hotspots().frameRect(m_hotspot);
        panorama()->ClientToScreen(&frame);
        const Point left{frame.left, (frame.top + frame.bottom) / 2};
        check(colourAt(screen, left, qRgb(255, 0, 0)), "the frame's left edge is red");
        check(!m_menuRect.isEmpty(), "the Features menu is open");
        const Rect button = panorama()->commandBar().buttonScreenRect(IDC_FEATURES);
        check(m_menuRect.bottom == button.top && m_menuRect.left == button.left,
              "the menu stands on the Features button");
        const Point inMenu{m_menuRect.right - 4, m_menuRect.bottom - 6};
        check(colourAt(screen, inMenu, qRgb(255, 255, 217)), "the menu's background shows");
        check(openSlideMenu() && openSlideMenu()->parent_menu != nullptr,
              "the Points of Interest submenu is open");
    }

    void shootLocatorMap() {
        CBitmapDlg* locator = panorama()->locatorWindow();
        check(locator != nullptr, "the locator map is open");
        const QImage screen = takeScreen("locator_map.png");
        check(!screen.isNull(), "screen taken with the locator map open");
        if (!locator) return;
        Rect client;
        locator->GetClientRect(&client);
        locator->ClientToScreen(&client);
        check(client.width() == 640 && client.height() == 480,
              "the window's client area is the map's size");
        // The screen shows the map file's picture (both decoded by libjpeg; the viewer's to the
        // display's colours, so allow a little).
        const QImage map(QStringLiteral("DEMO01I.JPG"));
        int same = 0, tried = 0;
        for (int y = 20; y < map.height(); y += 60)
            for (int x = 20; x < map.width(); x += 60) {
                const QRgb a = map.pixel(x, y), b = screen.pixel(client.left + x, client.top + y);
                ++tried;
                same += qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 &&
                        qAbs(qBlue(a) - qBlue(b)) < 24;
            }
        check(!map.isNull() && same == tried, "the window shows the map (" + std::to_string(same) +
                                                  " of " + std::to_string(tried) + " points)");
    }

    int m_hotspot = -1;
    Rect m_menuRect;
};

ScreenshotApp theApp;

} // namespace

int main(int argc, char** argv) {
    if (const char* dir = std::getenv("PANORAMA_SHOT_DIR")) g_outDir = dir;
    platform::runApplication(theApp, argc, argv, registerPanoramaResources);
    return g_failures == 0 ? 0 : 1;
}
