// keyboard_session CODE PAN_DIR DB_DIR, run on an X server: starts the viewer as the program does
// and plays a script of real key presses (xdotool, through the X server's test extension) against
// its windows, checking after each where the focus is and what the keys did:
//   - the arrow keys scroll the panorama, also with the focus on a command-bar button;
//   - Tab and Shift+Tab go round the tab stops of the panorama window and of its command bar (a
//     child dialog), and of the visitor center and its own command bar;
//   - Enter on the Locator button opens the locator map, Escape closes it;
//   - in the About box Space ticks a check box and Enter on it acts on OK; Escape cancels;
//   - Escape on a button inside the visitor center's command bar closes the visitor center, Enter
//     on its list does what OK does (it closes too);
//   - Escape on a command-bar button ends the program.
// Exit status 0 when every check passed.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <QApplication>

#include "app/about_dlg.h"
#include "app/pan_app.h"
#include "hotspots/bitmap_dlg.h"
#include "hotspots/dlg_bar.h"
#include "platform/qt/application.h"
#include "platform/qt/window_host.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "tests/support/x_session.h"
#include "viewer/pan_dlg.h"
#include "visitor/mmvc_dlg.h"

namespace {

using x_session::check;
using x_session::Step;

// Real key presses: the X server delivers them to the window that has the keyboard focus.
void press(const char* keys) {
    x_session::keys(keys);
}

platform::Window* focusWindow() {
    return platform::Window::FromHandle(::GetFocus());
}

class KeyboardApp : public CPanApp {
protected:
    void RunPanoramaWindow() override {
        buildScript();
        x_session::play(
            m_steps, [this] { return panorama() != nullptr; },
            [this] { CPanApp::RunPanoramaWindow(); });
    }

private:
    CPanDlg* panorama() const { return dynamic_cast<CPanDlg*>(m_pMainWnd); }

    platform::Window* topOfFocus() const {
        platform::Window* f = focusWindow();
        return f ? f->GetTopLevelParent() : nullptr;
    }

    // Whether the focus is on a control of the command bar (a child dialog) of the window.
    static bool inBar(platform::Window* focus, CDlgBar& bar) {
        return focus && focus->GetParent() == &bar;
    }

    // A step that presses Tab until the focus is where `at` wants it, then presses `key` (none:
    // the step is done there) and waits for `done`.
    Step tabTo(std::string what, std::function<bool(platform::Window*)> at, const char* key,
               std::function<bool()> done) {
        return {std::move(what),
                [this] {
                    m_tries = 0;
                    m_keyPressed = false;
                },
                [this, at, key, done] {
                    if (m_keyPressed) return done();
                    if (!panorama() || !at(focusWindow())) {
                        if (panorama() && m_tries++ % 10 == 0) press("Tab");
                        return false;
                    }
                    if (!key) return !done || done();
                    m_keyPressed = true;
                    press(key);
                    return false;
                }};
    }

    // Steps that press Tab `presses` times, each waiting for the focus to move on inside the
    // window `top` names; the tab stops visited go to `ring`.
    void tabRound(int presses, const char* what, std::vector<HWND>* ring,
                  std::function<platform::Window*()> top) {
        for (int i = 0; i < presses; ++i)
            m_steps.push_back({what,
                               [this] {
                                   m_before = ::GetFocus();
                                   press("Tab");
                               },
                               [this, ring, top] {
                                   platform::Window* f = focusWindow();
                                   if (!f || f->GetSafeHwnd() == m_before) return false;
                                   ring->push_back(f->GetSafeHwnd());
                                   return f->GetTopLevelParent() == top();
                               }});
    }

    static bool onSlideMenus(platform::Window* f) {
        return f && f->GetDlgCtrlID() == IDC_USE_SLIDE_MENUS;
    }

    bool slideMenusTicked() const {
        auto* about = dynamic_cast<platform::Dialog*>(platform::Window::FromHandle(m_dialog));
        return about &&
               (about->IsDlgButtonChecked(IDC_USE_SLIDE_MENUS) == BST_CHECKED) != (m_slide != 0);
    }

    void buildScript() {
        m_steps.push_back({"the panorama window is shown with the keyboard focus", nullptr, [this] {
                               CPanDlg* pan = panorama();
                               return pan && pan->IsWindowVisible() &&
                                      QApplication::activeWindow() && topOfFocus() == pan;
                           }});
        // ---- The panorama window ----
        m_steps.push_back({"Right scrolls the panorama",
                           [this] {
                               m_left = panorama()->panorama().clip_rect.left;
                               press("Right");
                           },
                           [this] { return panorama()->panorama().clip_rect.left > m_left; }});
        m_steps.push_back({"Left scrolls it back",
                           [this] {
                               m_left = panorama()->panorama().clip_rect.left;
                               press("Left");
                           },
                           [this] { return panorama()->panorama().clip_rect.left < m_left; }});
        // Round the tab stops: the command bar's buttons; four Tabs come round to the start.
        m_steps.push_back(
            {"the focus starts on a tab stop of the panorama window", nullptr, [this] {
                 m_first = ::GetFocus();
                 return m_first != nullptr;
             }});
        tabRound(4, "Tab moves the focus on", &m_panRing, [this] { return panorama(); });
        m_steps.push_back({"Tab goes round the panorama window's tab stops and its command bar's",
                           nullptr, [this] {
                               // The first three presses visit three tab stops and the fourth comes
                               // round.
                               if (m_panRing.size() != 4 || m_panRing[3] != m_panRing[0])
                                   return false;
                               const std::set<HWND> stops(m_panRing.begin(), m_panRing.end());
                               bool bar = false;
                               for (HWND h : stops)
                                   bar = bar || inBar(platform::Window::FromHandle(h),
                                                      panorama()->commandBar());
                               return stops.size() == 3 && bar;
                           }});
        m_steps.push_back({"Shift+Tab goes back to the tab stop before",
                           [this] {
                               m_before = ::GetFocus();
                               press("shift+Tab");
                           },
                           [this] {
                               const HWND now = ::GetFocus();
                               return now != m_before && m_panRing.size() >= 2 &&
                                      now == m_panRing[m_panRing.size() - 2];
                           }});
        m_steps.push_back({"Tab comes forward again", [] { press("Tab"); },
                           [this] { return ::GetFocus() == m_panRing.back(); }});
        m_steps.push_back(tabTo(
            "the arrow keys scroll the panorama with the focus on a command-bar button",
            [this](platform::Window* f) {
                m_left = panorama()->panorama().clip_rect.top;
                return inBar(f, panorama()->commandBar());
            },
            "Down", [this] { return panorama()->panorama().clip_rect.top > m_left; }));
        m_steps.push_back(tabTo(
            "Enter on the Locator button presses it: the locator map opens",
            [](platform::Window* f) { return f && f->GetDlgCtrlID() == int(IDC_LOCATOR); },
            "Return",
            [this] {
                CBitmapDlg* locator = panorama()->locatorWindow();
                return locator && locator->IsWindowVisible();
            }));
        m_steps.push_back(
            {"Escape closes the locator map", [] { press("Escape"); },
             [this] { return !panorama()->locatorWindow() && topOfFocus() == panorama(); }});
        // ---- The About box ----
        m_steps.push_back({"the About box opens with the focus inside it",
                           [this] {
                               m_dialog = nullptr;
                               platform::setModalLoopHook(
                                   [this](platform::Window& w) { m_dialog = w.GetSafeHwnd(); });
                               m_slide = panorama()->use_slide_menus;
                               panorama()->PostMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
                           },
                           [this] {
                               platform::Window* top = topOfFocus();
                               return m_dialog && top && top->GetSafeHwnd() == m_dialog;
                           }});
        m_steps.push_back(
            tabTo("Tab reaches the slide menus check box", onSlideMenus, nullptr, nullptr));
        m_steps.push_back(
            {"Space ticks it", [] { press("space"); }, [this] { return slideMenusTicked(); }});
        m_steps.push_back({"Escape on it cancels the About box: the setting stays",
                           [] { press("Escape"); },
                           [this] {
                               return !::IsWindow(m_dialog) && topOfFocus() == panorama() &&
                                      panorama()->use_slide_menus == m_slide;
                           }});
        m_steps.push_back({"the About box opens again",
                           [this] {
                               m_dialog = nullptr;
                               platform::setModalLoopHook(
                                   [this](platform::Window& w) { m_dialog = w.GetSafeHwnd(); });
                               panorama()->PostMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
                           },
                           [this] {
                               platform::Window* top = topOfFocus();
                               return m_dialog && top && top->GetSafeHwnd() == m_dialog;
                           }});
        m_steps.push_back(tabTo("Tab and Space tick the slide menus check box", onSlideMenus,
                                "space", [this] { return slideMenusTicked(); }));
        m_steps.push_back({"Enter on the check box acts on OK: the setting changes",
                           [] { press("Return"); },
                           [this] {
                               return !::IsWindow(m_dialog) &&
                                      (panorama()->use_slide_menus != 0) != (m_slide != 0);
                           }});
        // ---- The visitor center ----
        m_steps.push_back(
            {"the visitor center opens with the focus inside it",
             [this] { panorama()->PostMessage(WM_COMMAND, MAKEWPARAM(ID_VISITOR_CENTER, 0), 0); },
             [this] {
                 CMMVCDlg* v = panorama()->visitorCenter();
                 return v && v->IsWindowVisible() && topOfFocus() == v;
             }});
        tabRound(6, "Tab moves the focus round the visitor center", &m_visitorRing,
                 [this] { return panorama()->visitorCenter(); });
        m_steps.push_back(
            {"Tab reaches the list and the visitor center's command bar", nullptr, [this] {
                 CMMVCDlg* v = panorama()->visitorCenter();
                 bool bar = false, list = false;
                 for (HWND h : m_visitorRing) {
                     bar = bar || inBar(platform::Window::FromHandle(h), v->commandBar());
                     list = list || h == v->listBox().GetSafeHwnd();
                 }
                 return bar && list;
             }});
        m_steps.push_back(tabTo(
            "Escape on a button of the visitor center's command bar closes it",
            [this](platform::Window* f) {
                CMMVCDlg* v = panorama()->visitorCenter();
                return v && inBar(f, v->commandBar());
            },
            "Escape",
            [this] { return !panorama()->visitorCenter() && topOfFocus() == panorama(); }));
        m_steps.push_back(
            {"the visitor center opens again",
             [this] { panorama()->PostMessage(WM_COMMAND, MAKEWPARAM(ID_VISITOR_CENTER, 0), 0); },
             [this] {
                 CMMVCDlg* v = panorama()->visitorCenter();
                 return v && v->IsWindowVisible() && topOfFocus() == v;
             }});
        m_steps.push_back(tabTo(
            "Enter on the media list does what OK does: the visitor center closes",
            [this](platform::Window* f) {
                CMMVCDlg* v = panorama()->visitorCenter();
                return v && f == &v->listBox();
            },
            "Return",
            [this] { return !panorama()->visitorCenter() && topOfFocus() == panorama(); }));
        // ---- The end ----
        // Checked once more when the window has gone.
        m_steps.push_back(tabTo(
            "Escape on a command-bar button ends the program",
            [this](platform::Window* f) { return inBar(f, panorama()->commandBar()); }, "Escape",
            [this] { return panorama() == nullptr; }));
    }

    std::vector<Step> m_steps;
    std::vector<HWND> m_panRing, m_visitorRing;
    HWND m_before = nullptr, m_first = nullptr, m_dialog = nullptr;
    int m_left = 0, m_tries = 0;
    bool m_keyPressed = false;
    BOOL m_slide = 0;
};

KeyboardApp theApp;

} // namespace

int main(int argc, char** argv) {
    platform::runApplication(theApp, argc, argv, registerPanoramaResources);
    return x_session::g_failures == 0 ? 0 : 1;
}
