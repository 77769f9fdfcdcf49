// Palette realisation for one window, and the message box that puts the shared palette back and
// repaints its owner once the box is gone. Every message of the program's windows goes through it.
#pragma once

#include "platform/core/palette.h"
#include "platform/core/win_types.h"

// TRUE when realising the palette in the window's client context changed at least one entry of
// the system palette. FALSE for a missing window or palette, or when nothing changed.
BOOL RealizeWindowPalette(HWND window, platform::Palette* palette);

// Shows the box owned by owner (or, when that is no live window, by the application's main
// window) and afterwards pauses, realises the palette in the owner and redraws it, frame
// included. With no owner at all the box is a plain system box. Returns the button pressed.
int MessageBoxWithPalette(HWND owner, platform::Palette* palette, const char* text,
                          const char* caption, UINT type);

namespace platform {
// The pause between the box's end and the realisation (100 ms); tests shorten it.
void setPaletteBoxPause(unsigned milliseconds);
} // namespace platform
