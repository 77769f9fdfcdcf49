// The installed window services, and the services of a world without windows.
#include "platform/core/window_services.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

class NoWindows final : public WindowServices {
public:
    bool IsWindow(HWND) override { return false; }
    HWND mainWindow() override { return nullptr; }
    std::unique_ptr<DeviceContext> GetDC(HWND) override { return nullptr; }
    void RedrawWindow(HWND, UINT) override {}
    void Sleep(unsigned milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

NoWindows g_noWindows;
WindowServices* g_services = nullptr;

} // namespace

WindowServices* setWindowServices(WindowServices* services) {
    WindowServices* previous = g_services;
    g_services = services;
    return previous;
}

WindowServices* windowServices() { return g_services ? g_services : &g_noWindows; }

} // namespace platform
