// The two printouts: a picture on one page (a map or a photograph, centred with its proportions
// kept, at full size or in the middle half of the page) and the text of a rich-edit control over
// as many pages as it needs, both with half-inch margins. Every failure is shown in a warning box.
#pragma once

#include <string>

#include "platform/core/win_types.h"

class Cmemdib;
class CPrintJob;
namespace platform {
class Palette;
class RichEditCtrl;
class Window;
} // namespace platform

// Prints the whole image. With offer_size the dialog offers Full Size and Half Size and the
// user's choice gives the scale; otherwise scale (0 < scale < 1 shrinks the printed area). With no
// job a job of its own is made for this printout. TRUE when the page went to the printer or the
// user cancelled; FALSE after a failure.
BOOL PrintMap(Cmemdib* image, platform::Palette* palette, const std::string& doc_name,
              platform::Window* owner, const std::string& caption, CPrintJob* job, BOOL offer_size,
              int initial_size, double scale);

// Prints the control's text with its fonts and paragraph formats, page after page.
BOOL PrintText(platform::RichEditCtrl* control, platform::Palette* palette,
               const std::string& doc_name, platform::Window* owner, const std::string& caption,
               CPrintJob* job);

namespace printing_test {
// Makes the next temporary job fail to be made (tests).
void failNextTemporaryJob();
} // namespace printing_test
