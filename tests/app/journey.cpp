// journey CODE PAN_DIR DB_DIR, run on an X server in the demo data's folder: one user's whole
// visit, with real mouse moves, clicks and key presses (xdotool): the viewer starts; the mouse
// rests on the waterfall (its frame, its name on the bar); Features, Points of Interest and a place
// chosen (marked, flashing, in view); the locator map opened and closed with a click; a click on
// the marked place opens the visitor center, where the viewpoint picture, a map, a photograph and a
// video are chosen; the map and the narrative are printed to PDF files; the visitor center is
// closed; in the About box (from the system menu of the window's icon) the standard scroll bars
// are switched off;
// Escape ends the program. Then the settings file holds the change, and nothing was left behind.
// Any message box fails the journey. Screenshots and the printouts go to $PANORAMA_SHOT_DIR.
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <QApplication>

#include "app/pan_app.h"
#include "hotspots/bitmap_dlg.h"
#include "hotspots/dlg_bar.h"
#include "hotspots/slide_popup_menu.h"
#include "platform/core/message_box.h"
#include "platform/qt/application.h"
#include "platform/qt/menu.h"
#include "platform/qt/video_window.h"
#include "platform/qt/window_host.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "tests/support/command_output.h"
#include "tests/support/x_session.h"
#include "viewer/pan_dlg.h"
#include "visitor/mmvc_dlg.h"

namespace {

namespace fs = std::filesystem;
using x_session::centreOf;
using x_session::check;
using x_session::clickAt;
using x_session::Step;

std::string g_outDir = ".";

// The files below a folder, as paths relative to it.
std::set<std::string> filesIn(const fs::path& dir) {
    std::set<std::string> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(dir, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        if (it->is_regular_file()) files.insert(fs::relative(it->path(), dir).string());
    return files;
}

using testing_support::commandOutput;

// The slide menu that holds the mouse now (the innermost open one), or null.
CSlidePopupMenu* openSlideMenu() {
    return dynamic_cast<CSlidePopupMenu*>(platform::Window::FromHandle(GetCapture()));
}

Point screenCentreOf(platform::Window& window, Rect client) {
    window.ClientToScreen(&client);
    return centreOf(client);
}

class JourneyApp : public CPanApp {
protected:
    void RunPanoramaWindow() override {
        m_before = filesIn(fs::current_path());
        m_printout = fs::path(g_outDir) / "journey_printout.pdf";
        // Printouts go to a PDF file without the dialog; the dialog has tests of its own.
        ::setenv("PANORAMA_PRINT_TO_PDF", m_printout.c_str(), 1);
        ::setenv("PANORAMA_PRINT_PAGE", "Letter", 1);
        ::setenv("PANORAMA_PRINT_DPI", "150", 1);
        platform::setMessageBoxSink([this](const platform::MessageBoxCall& call) {
            m_boxes.push_back(call.caption + ": " + call.text);
            check(false, "no message box: " + call.caption + ": " + call.text);
            return IDOK;
        });
        buildScript();
        x_session::play(
            m_steps, [this] { return panorama() != nullptr; },
            [this] { CPanApp::RunPanoramaWindow(); });
        afterwards();
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

    Point hotspotOnScreen(int index) {
        return screenCentreOf(*panorama(), panorama()->hotspots().frameRect(index));
    }

    Point barButton(CDlgBar& bar, UINT id) { return centreOf(bar.buttonScreenRect(id)); }

    // A row of the visitor center's list, clicked where its text is.
    void clickListRow(int index) {
        CMMVCDlg* v = visitor();
        if (!v) return;
        Rect item;
        v->listBox().GetItemRect(index, &item);
        const Rect area = v->listBox().itemArea();
        Point p{area.left + (item.left + item.right) / 2, area.top + (item.top + item.bottom) / 2};
        v->listBox().ClientToScreen(&p);
        clickAt(p);
    }

    bool selected(const char* mediaName) {
        CMMVCDlg* v = visitor();
        if (!v) return false;
        const int at = v->listBox().GetCurSel();
        return at >= 0 && v->listBox().recordAt(at)->media_name == mediaName;
    }

    int rowOf(const char* mediaName) {
        CMMVCDlg* v = visitor();
        for (int i = 0; v && i < v->listBox().GetCount(); ++i)
            if (v->listBox().recordAt(i)->media_name == mediaName) return i;
        return -1;
    }

    // A printout to the PDF file: its page count and text, or -1 pages when there is none yet.
    int printedPages() {
        std::error_code error;
        if (!fs::exists(m_printout, error)) return -1;
        const std::string info = commandOutput("pdfinfo '" + m_printout.string() + "' 2>/dev/null");
        const auto at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }

    void keepPrintout(const std::string& name) {
        std::error_code error;
        fs::rename(m_printout, fs::path(g_outDir) / name, error);
        check(!error, "the printout is kept as " + name);
    }

    void buildScript() {
        m_steps.push_back({"the viewer starts, its window shown with the keyboard focus", nullptr,
                           [this] {
                               CPanDlg* p = panorama();
                               platform::Window* f = platform::Window::FromHandle(::GetFocus());
                               return p && p->IsWindowVisible() && f && f->GetTopLevelParent() == p;
                           },
                           10});
        // ---- Hover ----
        m_steps.push_back({"the mouse on the waterfall frames it and names it on the bar",
                           [this] {
                               m_hotspot = hotspotNamed("Thornmere Falls");
                               if (m_hotspot >= 0) x_session::moveTo(hotspotOnScreen(m_hotspot));
                           },
                           [this] {
                               return m_hotspot >= 0 &&
                                      panorama()->hotspots().hovered() == m_hotspot &&
                                      panorama()->commandBar().barText() == "Thornmere Falls";
                           }});
        m_steps.push_back({"the frame is red on the screen", nullptr, [this] {
                               const QImage screen =
                                   x_session::takeScreen(g_outDir, "journey_hover.png");
                               Rect frame = panorama()->hotspots().frameRect(m_hotspot);
                               panorama()->ClientToScreen(&frame);
                               const int y = (frame.top + frame.bottom) / 2;
                               return screen.valid(frame.left, y) &&
                                      (screen.pixel(frame.left, y) & 0xFFFFFF) == 0xFF0000;
                           }});
        // ---- Features, Points of Interest ----
        m_steps.push_back({"a click on Features slides its menu open",
                           [this] { clickAt(barButton(panorama()->commandBar(), IDC_FEATURES)); },
                           [this] {
                               m_menu = openSlideMenu();
                               return m_menu && m_menu->IsWindowVisible();
                           }});
        m_steps.push_back({"a click on Points of Interest opens its submenu",
                           [this] {
                               if (CSlidePopupMenu* menu = openSlideMenu())
                                   clickAt(screenCentreOf(*menu, menu->itemRect(0)));
                           },
                           [this] {
                               CSlidePopupMenu* sub = openSlideMenu();
                               return sub && sub != m_menu && sub->IsWindowVisible();
                           }});
        m_steps.push_back({"a click on Lake Mirrowen marks it: flashing and in view",
                           [this] {
                               m_marked = hotspotNamed("Lake Mirrowen");
                               CSlidePopupMenu* sub = openSlideMenu();
                               if (!sub || m_marked < 0) return;
                               for (int row = 0; row < sub->item_count; ++row)
                                   if (sub->menu->GetMenuItemID(row) ==
                                       UINT(PanoramaHotspots::kFirstPointOfInterest + m_marked))
                                       clickAt(screenCentreOf(*sub, sub->itemRect(row)));
                           },
                           [this] {
                               if (m_marked < 0 || openSlideMenu()) return false;
                               const HotspotInfo& h = panorama()->hotspots().hotspots()[m_marked];
                               const Rect frame = panorama()->hotspots().frameRect(m_marked);
                               const Rect shown = panorama()->displayRect();
                               return h.marked && h.flash_ticks > 0 &&
                                      shown.intersect(frame) == frame;
                           }});
        m_steps.push_back(
            {"the marked place on the screen", nullptr,
             [] { return !x_session::takeScreen(g_outDir, "journey_marked.png").isNull(); }});
        // ---- Locator ----
        m_steps.push_back({"a click on Locator opens the locator map",
                           [this] { clickAt(barButton(panorama()->commandBar(), IDC_LOCATOR)); },
                           [this] {
                               CBitmapDlg* locator = panorama()->locatorWindow();
                               return locator && locator->IsWindowVisible();
                           }});
        m_steps.push_back({"a click on the map closes it",
                           [this] {
                               x_session::takeScreen(g_outDir, "journey_locator.png");
                               if (CBitmapDlg* locator = panorama()->locatorWindow()) {
                                   Rect r;
                                   locator->GetWindowRect(&r);
                                   clickAt(centreOf(r));
                               }
                           },
                           [this] { return panorama()->locatorWindow() == nullptr; }});
        // ---- The visitor center ----
        m_steps.push_back({"a click on the marked place opens the visitor center at its record",
                           [this] { clickAt(hotspotOnScreen(m_marked)); },
                           [this] {
                               CMMVCDlg* v = visitor();
                               if (!v || !v->IsWindowVisible()) return false;
                               const int first =
                                   panorama()->hotspots().hotspots()[m_marked].first_media;
                               const int at = v->listBox().GetCurSel();
                               return at >= 0 && v->listBox().recordAt(at) ==
                                                     &panorama()->hotspots().media()[first];
                           },
                           8});
        m_steps.push_back({"Home in the list shows the viewpoint picture",
                           [this] {
                               // A click on the list gives it the focus; Home goes to the top.
                               clickListRow(std::max(0, visitor()->listBox().GetTopIndex()));
                               x_session::keys("Home");
                           },
                           [this] {
                               CMMVCDlg* v = visitor();
                               return v && v->listBox().GetCurSel() == 0 &&
                                      v->viewpointPicture().loaded && v->pictureRect().width() > 0;
                           }});
        m_steps.push_back({"a click on the overview map shows it and offers Print Map",
                           [this] { clickListRow(rowOf("DEMO01M1.JPG")); },
                           [this] {
                               CMMVCDlg* v = visitor();
                               platform::Window* print =
                                   v ? v->commandBar().GetDlgItem(IDC_PRINTMAP) : nullptr;
                               return selected("DEMO01M1.JPG") && v->photo().loaded && print &&
                                      print->IsWindowEnabled();
                           }});
        m_steps.push_back({"Print Map prints the map on one page",
                           [this] { clickAt(barButton(visitor()->commandBar(), IDC_PRINTMAP)); },
                           [this] { return printedPages() == 1; }});
        m_steps.push_back(
            {"the printed map is kept", [this] { keepPrintout("journey_map.pdf"); }, nullptr});
        m_steps.push_back({"Print Text prints the map's narrative",
                           [this] { clickAt(barButton(visitor()->commandBar(), IDC_PRINTTEXT)); },
                           [this] {
                               if (printedPages() < 1) return false;
                               const std::string text =
                                   commandOutput("pdftotext -l 1 '" + m_printout.string() + "' -");
                               const std::string shown = visitor()->textControl().GetText();
                               const std::string first = shown.substr(
                                   0, std::min<std::size_t>(shown.find_first_of("\r\n"), 30));
                               return !first.empty() && text.find(first) != std::string::npos;
                           }});
        m_steps.push_back(
            {"the printed text is kept", [this] { keepPrintout("journey_text.pdf"); }, nullptr});
        m_steps.push_back({"a click on the terrace photograph shows it",
                           [this] { clickListRow(rowOf("DEMO01P1.JPG")); },
                           [this] {
                               CMMVCDlg* v = visitor();
                               return selected("DEMO01P1.JPG") && v->photo().loaded &&
                                      v->photo().width() == 1200;
                           }});
        m_steps.push_back({"a click on the overlook's video plays it",
                           [this] { clickListRow(rowOf("DEMO01V1.AVI")); },
                           [this] {
                               CMMVCDlg* v = visitor();
                               auto* video = v ? dynamic_cast<platform::VideoWindow*>(
                                                     platform::Window::FromHandle(v->videoWindow()))
                                               : nullptr;
                               return selected("DEMO01V1.AVI") && video &&
                                      video->state() == platform::VideoState::Playing;
                           },
                           8});
        m_steps.push_back(
            {"the video on the screen", nullptr,
             [] { return !x_session::takeScreen(g_outDir, "journey_video.png").isNull(); }});
        m_steps.push_back({"Close ends the visitor center",
                           [this] { clickAt(barButton(visitor()->commandBar(), IDC_CLOSECMD)); },
                           [this] { return visitor() == nullptr; }});
        // ---- The About box ----
        // A desktop's window manager may keep Alt+Space for its own menu: the window's icon opens
        // the system menu everywhere.
        m_steps.push_back({"a click on the window's icon, Up and Enter open the About box",
                           [this] {
                               m_about = nullptr;
                               platform::setModalLoopHook(
                                   [this](platform::Window& w) { m_about = w.GetSafeHwnd(); });
                               m_scroll = panorama()->use_standard_scroll;
                               Rect r;
                               panorama()->GetWindowRect(&r);
                               clickAt(Point{r.left + 10, r.top + 10});
                           },
                           [this] {
                               if (m_about) return ::IsWindow(m_about) != FALSE;
                               // The system menu is a popup of its own: Up takes its last item.
                               if (QApplication::activePopupWidget() && !m_menuKeys) {
                                   m_menuKeys = true;
                                   x_session::keys("Up Return");
                               }
                               return false;
                           }});
        m_steps.push_back(
            {"a click on the standard scroll bars check box changes it",
             [this] {
                 auto* about =
                     dynamic_cast<platform::Dialog*>(platform::Window::FromHandle(m_about));
                 if (!about) return;
                 Rect r;
                 about->GetDlgItem(IDC_USE_STANDARD_SCROLL)->GetWindowRect(&r);
                 clickAt(Point{r.left + 6, (r.top + r.bottom) / 2});
             },
             [this] {
                 auto* about =
                     dynamic_cast<platform::Dialog*>(platform::Window::FromHandle(m_about));
                 return about && (about->IsDlgButtonChecked(IDC_USE_STANDARD_SCROLL) ==
                                  BST_CHECKED) != (m_scroll != 0);
             }});
        m_steps.push_back(
            {"the About box on the screen", nullptr,
             [] { return !x_session::takeScreen(g_outDir, "journey_about.png").isNull(); }});
        m_steps.push_back(
            {"a click on OK closes it and the panorama takes the setting",
             [this] {
                 auto* about =
                     dynamic_cast<platform::Dialog*>(platform::Window::FromHandle(m_about));
                 Rect r;
                 if (about) about->GetDlgItem(IDOK)->GetWindowRect(&r);
                 clickAt(centreOf(r));
             },
             [this] {
                 return !::IsWindow(m_about) &&
                        (panorama()->use_standard_scroll != 0) != (m_scroll != 0) &&
                        panorama()->horizontalBarShown() == panorama()->use_standard_scroll;
             }});
        // ---- The end ----
        m_steps.push_back({"Escape ends the program", [] { x_session::keys("Escape"); },
                           [this] { return panorama() == nullptr; }});
    }

    // What the visit leaves: the setting in the settings file, nothing else.
    void afterwards() {
        check(m_boxes.empty(), "no message box appeared");
        const char* config = std::getenv("XDG_CONFIG_HOME");
        std::ifstream ini(fs::path(config ? config : ".") / "skyvist.ini");
        std::stringstream text;
        text << ini.rdbuf();
        const std::string expected = std::string("use_standard_scroll=") + (m_scroll ? "0" : "1");
        check(text.str().find(expected) != std::string::npos,
              "the settings file holds the change: " + expected);
        std::set<std::string> after = filesIn(fs::current_path());
        after.erase("memdib.pal"); // the palette cache the viewer keeps in its working folder
        std::set<std::string> before = m_before;
        before.erase("memdib.pal");
        check(after == before, "nothing was left in the working folder");
        bool temporary = false;
        for (const std::string& f : filesIn(g_outDir))
            temporary = temporary || f.find(".printout-") != std::string::npos;
        check(!temporary, "no printout's temporary file was left");
    }

    std::vector<Step> m_steps;
    std::vector<std::string> m_boxes;
    std::set<std::string> m_before;
    fs::path m_printout;
    CSlidePopupMenu* m_menu = nullptr;
    HWND m_about = nullptr;
    int m_hotspot = -1, m_marked = -1;
    BOOL m_scroll = 0;
    bool m_menuKeys = false;
};

JourneyApp theApp;

} // namespace

int main(int argc, char** argv) {
    if (const char* dir = std::getenv("PANORAMA_SHOT_DIR")) g_outDir = dir;
    platform::runApplication(theApp, argc, argv, registerPanoramaResources);
    return x_session::g_failures == 0 ? 0 : 1;
}
