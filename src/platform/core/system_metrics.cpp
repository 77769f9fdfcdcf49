// The table of system metrics and the work area.
#include "platform/core/system_metrics.h"

#include <array>

namespace platform {
namespace {

struct Metrics {
    std::array<int, kSystemMetricCount> values{};
    Rect workArea;
};

// Classic sizes of a desktop at 96 dots per inch.
Metrics defaults() {
    Metrics m;
    auto& v = m.values;
    v[SM_CXSCREEN] = 1024;
    v[SM_CYSCREEN] = 768;
    v[SM_CXVSCROLL] = 16;
    v[SM_CYHSCROLL] = 16;
    v[SM_CYCAPTION] = 19;
    v[SM_CXBORDER] = 1;
    v[SM_CYBORDER] = 1;
    v[SM_CXDLGFRAME] = 3;
    v[SM_CYDLGFRAME] = 3;
    v[SM_CXICON] = 32;
    v[SM_CYICON] = 32;
    v[SM_CXCURSOR] = 32;
    v[SM_CYCURSOR] = 32;
    v[SM_CYMENU] = 19;
    v[SM_CXFRAME] = 4;
    v[SM_CYFRAME] = 4;
    v[SM_CXSIZE] = 18;
    v[SM_CYSIZE] = 18;
    v[SM_CXSMICON] = 16;
    v[SM_CYSMICON] = 16;
    v[SM_CXEDGE] = 2;
    v[SM_CYEDGE] = 2;
    v[SM_CXMENUCHECK] = 13;
    v[SM_CYMENUCHECK] = 13;
    v[SM_CXDOUBLECLK] = 4;
    v[SM_CYDOUBLECLK] = 4;
    m.workArea = {0, 0, 1024, 768};
    return m;
}

Metrics& metrics() {
    static Metrics m = defaults();
    return m;
}

} // namespace

void setSystemMetric(int index, int value) {
    if (index >= 0 && index < kSystemMetricCount) metrics().values[std::size_t(index)] = value;
}

void setScreenSize(int width, int height) {
    setSystemMetric(SM_CXSCREEN, width);
    setSystemMetric(SM_CYSCREEN, height);
    metrics().workArea = {0, 0, width, height};
}

Rect workArea() { return metrics().workArea; }
void setWorkArea(const Rect& area) { metrics().workArea = area; }
void resetSystemMetrics() { metrics() = defaults(); }
int systemMetric(int index) { return metrics().values[std::size_t(index)]; }

} // namespace platform

int GetSystemMetrics(int index) {
    if (index < 0 || index >= kSystemMetricCount) return 0;
    return platform::systemMetric(index);
}
