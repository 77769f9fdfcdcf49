// The viewer's start-up and its edge-scroll step, each beside its reference in the same run.
//
//   BM_StartupToFirstPaint              start `panorama DEMO01 ...` and wait for its first complete
//                                       paint of the demo panorama (the program prints a line then
//                                       and closes: PANORAMA_EXIT_AFTER_FIRST_PAINT=1)
//   BM_Reference_PantoolImageRead       start `pantool image DEMO01.GZ`, which reads the same
//                                       file as the viewer does, and wait for it to end
//   BM_EdgeScrollStep_1920x1080         one repeat tick of edge scrolling in the panorama window
//                                       on a 1920 x 1080 screen: the direction, the scroll of the
//                                       window's pixels and the repaint of the uncovered strip
//   BM_Reference_FullRepaint_1920x1080  repainting the whole display of the same window
//
// The demo data set is made once per run in a temporary folder by make_demo. Child processes use
// the offscreen platform (PANORAMA_BENCH_QPA chooses another, e.g. xcb under Xvfb). Goals: start-up
// at most the read time + 150 ms; an edge-scroll step under 2 ms.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <benchmark/benchmark.h>

#include "platform/core/system_metrics.h"
#include "platform/qt/application.h"
#include "platform/qt/gdi.h"
#include "platform/qt/qt_services.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "viewer/pan_dlg.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The scratch folder with the demo data, the settings folder and the working folder.
struct Scratch {
    fs::path root;
    fs::path demo;
    fs::path config;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "panorama-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        root = pattern;
        demo = root / "demo";
        config = root / "config";
        fs::create_directories(config);
        const std::string command =
            std::string(PANORAMA_MAKE_DEMO) + " '" + demo.string() + "' > /dev/null";
        if (std::system(command.c_str()) != 0) std::abort();
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

struct ChildResult {
    double secondsToLine = 0; // until the awaited line arrived (or the end)
    double cpuSeconds = 0;    // the child's user + system time
    std::string output;
};

// Starts a program in a folder with its standard output on a pipe; returns when `line` appeared
// on it (or, for an empty `line`, when the program ended), then waits for the program's end.
ChildResult runChild(const std::vector<std::string>& arguments, const fs::path& folder,
                     const std::vector<std::string>& environment, const std::string& line) {
    int pipes[2];
    if (pipe(pipes) != 0) std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_adddup2(&actions, pipes[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipes[0]);
    std::vector<char*> argv, envp;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    ChildResult result;
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) std::abort();
    close(pipes[1]);
    char buffer[256];
    bool seen = false;
    for (ssize_t got; (got = read(pipes[0], buffer, sizeof buffer)) > 0;) {
        result.output.append(buffer, std::size_t(got));
        if (!line.empty() && !seen && result.output.find(line) != std::string::npos) {
            result.secondsToLine = std::chrono::duration<double>(Clock::now() - start).count();
            seen = true;
        }
    }
    close(pipes[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (line.empty())
        result.secondsToLine = std::chrono::duration<double>(Clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if ((!line.empty() && !seen) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed: %s\n", arguments[0].c_str(), result.output.c_str());
        std::abort();
    }
    return result;
}

std::vector<std::string> childEnvironment() {
    const char* qpa = std::getenv("PANORAMA_BENCH_QPA");
    std::vector<std::string> env = {
        "QT_QPA_PLATFORM=" + std::string(qpa ? qpa : "offscreen"),
        "XDG_CONFIG_HOME=" + scratch().config.string(),
        "XDG_RUNTIME_DIR=" + scratch().root.string(),
        "PANORAMA_EXIT_AFTER_FIRST_PAINT=1",
        "HOME=" + scratch().root.string(),
    };
    for (const char* name : {"DISPLAY", "XAUTHORITY", "PATH"})
        if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    return env;
}

void BM_StartupToFirstPaint(benchmark::State& state) {
    const std::string demo = scratch().demo.string();
    const auto env = childEnvironment();
    double cpu = 0;
    for (auto _ : state) {
        const ChildResult r =
            runChild({PANORAMA_VIEWER, "DEMO01", demo, demo}, scratch().demo, env, "first paint");
        state.SetIterationTime(r.secondsToLine);
        cpu += r.cpuSeconds;
    }
    state.counters["child_cpu_ms"] = cpu * 1000 / double(state.iterations());
}
BENCHMARK(BM_StartupToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

void BM_Reference_PantoolImageRead(benchmark::State& state) {
    const auto env = childEnvironment();
    double cpu = 0;
    for (auto _ : state) {
        const ChildResult r =
            runChild({PANORAMA_PANTOOL, "image", "DEMO01.GZ"}, scratch().demo, env, "");
        state.SetIterationTime(r.secondsToLine);
        cpu += r.cpuSeconds;
    }
    state.counters["child_cpu_ms"] = cpu * 1000 / double(state.iterations());
}
BENCHMARK(BM_Reference_PantoolImageRead)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

// The panorama window on a 1920 x 1080 screen with edge scrolling (the scroll bars off), shown,
// painted, and with the repeat gate open.
CPanDlg& scrollingWindow() {
    static CPanDlg* dialog = [] {
        platform::setScreenSize(1920, 1080);
        std::ofstream(scratch().config / "skyvist.ini")
            << "[Corvane Skyvistas]\nuse_standard_scroll=0\n";
        setenv("XDG_CONFIG_HOME", scratch().config.c_str(), 1);
        fs::current_path(scratch().demo);
        static platform::Application app("panorama");
        registerPanoramaResources();
        CPanDlg::setRealizePause(0);
        const std::string demo = scratch().demo.string();
        auto* created = new CPanDlg("DEMO01", demo, demo);
        if (!created->Create(IDD_PANORAMA_DIALOG, nullptr)) std::abort();
        created->ShowWindow(SW_SHOW);
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        const Rect d = created->displayRect();
        int scrolled = 0;
        created->gutterScroll().OnButtonDown(&created->panorama(), d.right - 5,
                                             d.top + d.height() / 2, TRUE, 0, FALSE, &scrolled);
        for (int tick = 0; tick < 8; ++tick)
            created->gutterScroll().OnTimerTick(&created->panorama(), d.right - 5,
                                                d.top + d.height() / 2, TRUE, &scrolled);
        if (!created->gutterScroll().repeatStarted()) std::abort();
        return created;
    }();
    return *dialog;
}

void BM_EdgeScrollStep_1920x1080(benchmark::State& state) {
    CPanDlg& w = scrollingWindow();
    const Rect d = w.displayRect();
    // Right and left in turn, so the view stays inside the panorama.
    const int xs[2] = {d.right - 5, d.left + 5};
    const int y = d.top + d.height() / 2;
    int side = 0, scrolled = 0;
    for (auto _ : state) {
        w.gutterScroll().OnTimerTick(&w.panorama(), xs[side], y, TRUE, &scrolled);
        if (!scrolled) state.SkipWithError("the tick did not scroll");
        side ^= 1;
    }
    state.counters["display_w"] = d.width();
    state.counters["display_h"] = d.height();
}
BENCHMARK(BM_EdgeScrollStep_1920x1080)->Unit(benchmark::kMicrosecond);

void BM_Reference_FullRepaint_1920x1080(benchmark::State& state) {
    CPanDlg& w = scrollingWindow();
    const Rect d = w.displayRect();
    for (auto _ : state) {
        w.InvalidateRect(&d, FALSE);
        w.UpdateWindow();
    }
}
BENCHMARK(BM_Reference_FullRepaint_1920x1080)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    platform::installFontSubstitutions();
    platform::loadSystemColours();
    platform::installQtServices(true);
    scratch();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
