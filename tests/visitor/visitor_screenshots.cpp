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
//   visitor_center_video.png  the overlook's video playing in its window;
//   print_dialog.png          Print map on the overview map: the print dialog with its Print Size
//                             group, the PDF printer chosen;
//   printed_map.png           the first page of that printout (printed_map.pdf), at 60 dpi;
//   printed_text.png          the first page of Print text on the same record (printed_text.pdf).
// The pictures go to $PANORAMA_SHOT_DIR (default: the working folder). Each is checked against the
// window's state and the screen's pixels, the printouts against their files. Exit status 0 when
// all were taken and passed.
#include <algorithm>
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
#include "hotspots/dlg_bar.h"
#include "platform/qt/controls.h"
#include "platform/qt/print_dialog.h"
#include "platform/qt/video_window.h"
#include "platform/qt/window_host.h"
#include "printing/size_print_dialog.h"
#include "tests/support/command_output.h"
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
            [&] { selectNamed("DEMO01M1.JPG"); },
            [] {},
            [&] { print(CDlgBar::kPrintMapId, "printed_map.pdf"); },
            [&] { shootPrintDialog(); },
            [&] { confirmPrint(); },
            [&] { checkPrintedMap(); },
            [&] { print(CDlgBar::kPrintTextId, "printed_text.pdf"); },
            [&] { confirmPrint(); },
            [&] { checkPrintedText(); },
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

    // Presses a print button of the visitor center; the print dialog it opens is kept in
    // m_printDialog, and its PDF printer writes `file` in the output folder.
    void print(UINT command, const char* file) {
        CMMVCDlg* v = visitor();
        if (!v) return;
        m_printed = g_outDir + "/" + file;
        std::remove(m_printed.c_str());
        m_printDialog = nullptr;
        platform::setModalLoopHook(
            [this](platform::Window& dialog) { m_printDialog = dialog.GetSafeHwnd(); });
        platform::setPrintFileChooser(
            [this](platform::Window*, const std::string&) { return m_printed; });
        v->PostMessage(WM_COMMAND, MAKEWPARAM(command, BN_CLICKED));
    }

    platform::Dialog* printDialog() const {
        return m_printDialog && ::IsWindow(m_printDialog)
                   ? dynamic_cast<platform::Dialog*>(platform::Window::FromHandle(m_printDialog))
                   : nullptr;
    }

    void shootPrintDialog() {
        platform::Dialog* d = printDialog();
        check(d != nullptr, "Print map opens the print dialog");
        if (!d) return;
        platform::Window* half = d->GetDlgItem(CSizePrintDialog::kHalfSizeId);
        check(half && half->IsWindowVisible(), "the dialog offers Half Size");
        check(d->IsDlgButtonChecked(CSizePrintDialog::kFullSizeId) == BST_CHECKED,
              "Full Size is chosen");
        auto* list = dynamic_cast<platform::ComboBox*>(d->GetDlgItem(platform::kPrintName));
        const int pdf = list ? list->FindStringExact(-1, platform::kPdfPrinterName) : -1;
        check(pdf >= 0, "the dialog offers the PDF printer");
        if (pdf >= 0) {
            list->SetCurSel(pdf);
            d->SendMessage(WM_COMMAND, MAKEWPARAM(platform::kPrintName, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(list->GetSafeHwnd()));
        }
        check(!takeScreen("print_dialog.png").isNull(), "screen taken with the print dialog");
    }

    void confirmPrint() {
        platform::Dialog* d = printDialog();
        check(d != nullptr, "the print dialog is open");
        if (d) d->SendMessage(WM_COMMAND, IDOK);
    }

    // The first page of the last printout as a picture beside its file, or a null image.
    QImage renderPrinted(const std::string& png) {
        const std::string stem = g_outDir + "/" + png.substr(0, png.size() - 4);
        const std::string command =
            "pdftoppm -r 60 -f 1 -l 1 -singlefile -png '" + m_printed + "' '" + stem + "'";
        if (std::system(command.c_str()) != 0) return QImage();
        std::printf("printout: %s.png\n", stem.c_str());
        return QImage(QString::fromStdString(stem + ".png")).convertToFormat(QImage::Format_RGB32);
    }

    void checkPrintedMap() {
        check(printDialog() == nullptr, "the dialog closed");
        const QImage page = renderPrinted("printed_map.png");
        check(!page.isNull(), "the map was printed");
        if (page.isNull()) return;
        // The map is wider than tall: a landscape Letter page, the map in its middle.
        check(page.width() == 660 && page.height() == 510, "on a landscape Letter page");
        check((page.pixel(page.width() / 2, page.height() / 2) & 0xFFFFFF) != 0xFFFFFF,
              "the map fills the middle of the page");
        check((page.pixel(10, 10) & 0xFFFFFF) == 0xFFFFFF, "the margins are blank");
    }

    void checkPrintedText() {
        CMMVCDlg* v = visitor();
        const QImage page = renderPrinted("printed_text.png");
        check(!page.isNull(), "the narrative was printed");
        if (!v || page.isNull()) return;
        check(page.width() == 510 && page.height() == 660, "on a portrait Letter page");
        const std::string printed =
            testing_support::commandOutput("pdftotext -l 1 '" + m_printed + "' -");
        // The narrative's first line is the page's first line.
        const std::string text = v->textControl().GetText();
        const std::string first =
            text.substr(0, std::min(text.find_first_of("\r\n"), std::size_t(30)));
        check(!first.empty() && printed.find(first) != std::string::npos,
              "the page begins with the narrative: " + first);
    }

    int m_hotspot = -1;
    HWND m_printDialog = nullptr;
    std::string m_printed;
};

ScreenshotApp theApp;

} // namespace

int main(int argc, char** argv) {
    if (const char* dir = std::getenv("PANORAMA_SHOT_DIR")) g_outDir = dir;
    platform::runApplication(theApp, argc, argv, registerPanoramaResources);
    return g_failures == 0 ? 0 : 1;
}
