// What plain C++ code needs of windows without knowing the window system: whether a handle is a
// live window, the application's main window, a window's client device context, repainting and a
// pause. The Qt layer installs the real services; without them there are no windows.
#pragma once

#include "platform/core/device_context.h"
#include "platform/core/win_types.h"

#include <memory>

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_UPDATENOW = 0x0100;

namespace platform {

class WindowServices {
public:
    virtual ~WindowServices() = default;
    virtual bool IsWindow(HWND window) = 0;
    // The application's main window, or null.
    virtual HWND mainWindow() = 0;
    // The window's client-area device context, or null.
    virtual std::unique_ptr<DeviceContext> GetDC(HWND window) = 0;
    virtual void RedrawWindow(HWND window, UINT flags) = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    // Marks a rectangle of the client area (all of it for null) for repainting, erasing the
    // background first when asked. Without windows: nothing.
    virtual void InvalidateRect(HWND window, const Rect* rect, BOOL erase) {
        (void)window, (void)rect, (void)erase;
    }
    // Moves the pixels of the scroll rectangle (the client area for null) by (dx, dy), limited to
    // the clip rectangle, and marks the uncovered part for repainting. Without windows: nothing.
    virtual void ScrollWindow(HWND window, int dx, int dy, const Rect* scroll, const Rect* clip) {
        (void)window, (void)dx, (void)dy, (void)scroll, (void)clip;
    }
    // Paints what is marked for repainting at once. Without windows: nothing.
    virtual void UpdateWindow(HWND window) { (void)window; }
};

// Installs the services and returns the previous ones (null restores "no windows").
WindowServices* setWindowServices(WindowServices* services);
WindowServices* windowServices(); // never null: without installed services, a world of no windows

} // namespace platform
