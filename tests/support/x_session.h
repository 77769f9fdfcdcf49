// Scripts played against the viewer's real windows on an X server: real key presses and mouse
// moves and clicks through the X server's test extension (xdotool), and a runner that plays the
// steps from a timer, which the windows' modal loops keep ticking. Each step's action runs once;
// then its condition is waited for, at most a few seconds, and checked.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include "platform/core/win_types.h"

namespace x_session {

inline int g_failures = 0;

inline void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!ok) ++g_failures;
}

inline void xdotool(const std::string& arguments) {
    if (std::system(("xdotool " + arguments).c_str()) != 0) check(false, "xdotool " + arguments);
}

// Keys as xdotool names them ("Escape", "shift+Tab", "alt+space").
inline void keys(const std::string& names) {
    xdotool("key --clearmodifiers " + names);
}

inline void moveTo(Point screen) {
    xdotool("mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y));
}

inline void clickAt(Point screen) {
    moveTo(screen);
    xdotool("click 1");
}

inline Point centreOf(const Rect& r) {
    return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The whole X screen as a PNG in dir; the picture, or a null image when it could not be taken.
inline QImage takeScreen(const std::string& dir, const std::string& name) {
    const std::string path = dir + "/" + name;
    if (std::system(("import -window root '" + path + "'").c_str()) != 0) return QImage();
    std::printf("screenshot: %s\n", path.c_str());
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

struct Step {
    std::string what;
    std::function<void()> action;
    std::function<bool()> done; // null: done at once
    int seconds = 4;
};

// Plays the steps while runWindow runs (it returns when the program's window has closed); a step
// whose action ends the window is checked when runWindow returns. Returns whether every step ran.
inline bool play(std::vector<Step>& steps, const std::function<bool()>& ready,
                 const std::function<void()>& runWindow) {
    QTimer timer;
    std::size_t step = 0;
    bool started = false;
    auto deadline = std::chrono::steady_clock::now();
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        if (!ready() || step >= steps.size()) return;
        Step& s = steps[step];
        if (!started) {
            started = true;
            deadline = std::chrono::steady_clock::now() + std::chrono::seconds(s.seconds);
            if (s.action) s.action();
            return;
        }
        const bool done = !s.done || s.done();
        if (!done && std::chrono::steady_clock::now() < deadline) return;
        check(done, s.what);
        ++step;
        started = false;
    });
    timer.start(50);
    runWindow();
    if (started && step + 1 == steps.size()) {
        check(!steps[step].done || steps[step].done(), steps[step].what);
        ++step;
    }
    check(step == steps.size(), "the script ran to its end");
    return step == steps.size();
}

} // namespace x_session
