// The scroll-bar helpers of a scrolled picture, shared by the panorama window and the visitor
// center's photo: where the two scroll-bar controls go and what their ranges are, what a scroll
// code does to the view, and the bars' refresh after the view moved by program.
#pragma once

#include "imaging/cmemdib.h"
#include "platform/core/win_types.h"

namespace platform {
class ScrollBar;
class Window;
} // namespace platform

// Places the bars along the display rectangle `display` (in/out) inside the view rectangle `view`
// for an image of bounds `image`. A bar is shown only when `enabled` and the image is larger than
// the display in its direction; the display then grows by the bar's thickness (centred with the
// centre flags) so that no image row or column is lost, and the bars are cut from it. `out`
// receives the display rectangle before the bars are cut. The limits are the largest left and top
// edges of the shown part (left as they were when no bar is shown).
void LayoutScrollBars(Rect& display, Rect& out, const Rect& view, const Rect& image,
                      BOOL centreHorizontally, BOOL centreVertically, BOOL enabled,
                      BOOL& horizontalShown, BOOL& verticalShown, platform::ScrollBar* horizontal,
                      platform::ScrollBar* vertical, int& horizontalLimit, int& verticalLimit);

// One scroll code of a bar: a line is a sixteenth of the bar's page, a page the page; the
// position is clamped to minimum..maximum, the bar moved and the view scrolled to it (the display
// rectangle of `window` is invalidated). Line and page steps at the end of the range do nothing.
void HandleScrollBar(platform::ScrollBar* bar, UINT code, Cmemdib* bitmap, platform::Window* window,
                     int minimum, int maximum, BOOL horizontal);

// Moves the shown bars' thumbs to the view's position after a scroll made by the program.
void SyncScrollBars(BOOL horizontalShown, BOOL verticalShown, platform::ScrollBar* horizontal,
                    platform::ScrollBar* vertical, const Cmemdib* bitmap);
