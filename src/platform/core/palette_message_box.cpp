// Palette realisation for a window and the palette-aware message box.
#include "platform/core/palette_message_box.h"

#include "platform/core/message_box.h"
#include "platform/core/window_services.h"

namespace {
unsigned g_pauseMs = 100;
} // namespace

namespace platform {
void setPaletteBoxPause(unsigned milliseconds) { g_pauseMs = milliseconds; }
} // namespace platform

BOOL RealizeWindowPalette(HWND window, platform::Palette* palette) {
    auto* services = platform::windowServices();
    if (!window || !services->IsWindow(window) || !palette || !palette->hasHandle()) return FALSE;
    auto dc = services->GetDC(window);
    if (!dc) return FALSE;
    // Selecting into a fresh context answers its default palette, never null; a context that
    // answers null cannot realise.
    platform::Palette* previous = dc->SelectPalette(palette, FALSE);
    if (!previous) return FALSE;
    const UINT changed = dc->RealizePalette();
    const BOOL result = (changed != 0 && changed != GDI_ERROR_UINT) ? TRUE : FALSE;
    dc->SelectPalette(previous, FALSE);
    return result;
}

int MessageBoxWithPalette(HWND owner, platform::Palette* palette, const char* text,
                          const char* caption, UINT type) {
    auto* services = platform::windowServices();
    HWND boxOwner = nullptr;
    if (owner && services->IsWindow(owner))
        boxOwner = owner;
    else if (HWND main = services->mainWindow(); main && services->IsWindow(main))
        boxOwner = main;
    if (!boxOwner) return MessageBoxA(nullptr, text, caption, type);

    const int result = MessageBoxA(boxOwner, text, caption, type);
    services->Sleep(g_pauseMs);
    RealizeWindowPalette(boxOwner, palette);
    services->RedrawWindow(boxOwner, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    return result;
}
