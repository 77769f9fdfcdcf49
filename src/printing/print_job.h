// One print job: carries a printout from the print dialog to the end of the document. The
// panorama window keeps one job for its whole life, so that the dialog, the chosen printer and
// the Full/Half Size choice survive from one printout to the next.
#pragma once

#include <memory>
#include <string>

#include "platform/core/win_types.h"

namespace platform {
class Palette;
class PrinterDC;
class Window;
class PrintDialog;
} // namespace platform
class CSizePrintDialog;

class CPrintJob {
public:
    CPrintJob(std::string doc_name, platform::PrinterDC* dc, platform::Window* owner,
              BOOL offer_size, BOOL set_orientation, BOOL set_quality, int size, short orientation,
              short quality);
    // Discards the dialog, then the members go.
    ~CPrintJob();
    CPrintJob(const CPrintJob&) = delete;
    CPrintJob& operator=(const CPrintJob&) = delete;

    // Shows the print dialog and starts the document and its first page. FALSE with `error`
    // saying why, or with `error` empty when the user cancelled. EndJob follows in every case.
    BOOL StartJob(platform::Palette* palette);
    // Ends the page and the document that StartJob began and the wait cursor, and releases the
    // default printer's settings fetched for the job.
    void EndJob();
    // Whether the last EndJob ended the page and the document, so that the printout reached its
    // printer or file: a spooler that refuses the job, or a file that cannot be put in its place,
    // is a failure the printout reports, not a success.
    bool delivered() const { return m_delivered; }
    // Frees the dialog with its printer settings and printer name; dialog becomes none.
    void DiscardDialog();

    // Print sizes and the printer-settings values the panorama window's job starts with.
    static constexpr int kFullSize = 0;
    static constexpr int kHalfSize = 1;
    static constexpr short kPortrait = 1;
    static constexpr short kLandscape = 2;
    static constexpr short kHighestQuality = -4;

    // Fields, in the order of the design. The two dialogs are held through shared owners so this
    // header needs only their declarations; each has exactly one owner, this job.
    std::string doc_name;
    platform::PrinterDC* dc; // not owned: receives the printer's device context
    platform::Window* owner; // parent of the dialog and of messages
    BOOL offer_size;         // show the "Print Size" group
    BOOL set_orientation;    // put orientation into the dialog
    BOOL set_quality;        // put quality into the dialog
    int size;                // kFullSize or kHalfSize
    short orientation;       // kPortrait or kLandscape
    short quality;           // kHighestQuality
    std::shared_ptr<platform::PrintDialog>
        defaults_dialog; // fetches the default printer's settings
    BOOL got_defaults = FALSE;
    std::shared_ptr<CSizePrintDialog> dialog; // made on first use, kept between jobs
    BOOL dialog_ok = FALSE;
    BOOL dc_attached = FALSE;
    int doc_started = -1;
    BOOL page_open = FALSE;
    std::string error; // why the last start failed; empty when the user cancelled

private:
    bool m_waitCursor = false; // StartJob showed the wait cursor and EndJob has not ended it
    bool m_delivered = false;  // the last EndJob ended the document
};

namespace printing_test {
// Makes the next print dialog that a job creates fail to be made (tests).
void failNextDialogCreate();
} // namespace printing_test
