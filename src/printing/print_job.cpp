// The print job: the dialog, the printer context it hands out, and the start and end of the
// document.
#include "printing/print_job.h"

#include "platform/qt/cursor.h"
#include "platform/qt/dc.h"
#include "printing/size_print_dialog.h"

#include <new>
#include <utility>

namespace {
bool g_failDialogCreate = false;
} // namespace

namespace printing_test {
void failNextDialogCreate() {
    g_failDialogCreate = true;
}
} // namespace printing_test

CPrintJob::CPrintJob(std::string doc_name_, platform::PrinterDC* dc_, platform::Window* owner_,
                     BOOL offer_size_, BOOL set_orientation_, BOOL set_quality_, int size_,
                     short orientation_, short quality_)
    : doc_name(std::move(doc_name_)), dc(dc_), owner(owner_), offer_size(offer_size_),
      set_orientation(set_orientation_), set_quality(set_quality_), size(size_),
      orientation(orientation_), quality(quality_),
      defaults_dialog(std::make_shared<platform::PrintDialog>(TRUE, CSizePrintDialog::kFlags)) {}

CPrintJob::~CPrintJob() {
    DiscardDialog();
    if (m_waitCursor) platform::EndWaitCursor();
}

void CPrintJob::DiscardDialog() {
    // The dialog owns its printer-settings and printer-name records; they go with it.
    if (dialog) {
        dialog->m_pd.hDevMode.reset();
        dialog->m_pd.hDevNames.reset();
    }
    dialog.reset();
}

BOOL CPrintJob::StartJob(platform::Palette* palette) {
    error.clear();
    const bool hadDialog = dialog != nullptr;

    got_defaults = FALSE;
    if ((set_orientation || set_quality) && !hadDialog && defaults_dialog) {
        // Records left from a job that never ended are released first.
        defaults_dialog->m_pd.hDevMode.reset();
        defaults_dialog->m_pd.hDevNames.reset();
        got_defaults = defaults_dialog->GetDefaults();
    }

    if (!dialog) {
        try {
            if (std::exchange(g_failDialogCreate, false)) throw std::bad_alloc();
            dialog = std::make_shared<CSizePrintDialog>(palette, offer_size, owner);
        } catch (const std::bad_alloc&) {
            error = "Unable to print: could not create print dialog";
            return FALSE;
        }
    } else {
        dialog->setParentWindow(owner);
        dialog->m_pd.hwndOwner = owner;
        dialog->offer_size = offer_size;
        dialog->palette = palette;
    }

    if (got_defaults) dialog->m_pd.hDevMode = std::move(defaults_dialog->m_pd.hDevMode);
    dialog->size = size;
    if (platform::DEVMODE* mode = dialog->m_pd.hDevMode.get()) {
        mode->dmFields |= platform::DM_ORIENTATION | platform::DM_PRINTQUALITY;
        mode->dmOrientation = orientation;
        mode->dmPrintQuality = quality;
    }

    dialog_ok = dialog->DoModal() == IDOK;
    if (dialog_ok) {
        dc_attached = dc ? dc->Attach(dialog->GetPrinterDC()) : FALSE;
    } else if (!hadDialog) {
        DiscardDialog();
    }
    if (!dialog_ok) return FALSE;
    if (!dc_attached) {
        error = "Unable to print: could not attach device context";
        return FALSE;
    }

    platform::BeginWaitCursor();
    m_waitCursor = true;

    platform::DOCINFO info;
    info.cbSize = platform::kDocInfoSize;
    info.lpszDocName = doc_name.c_str();
    doc_started = dc->StartDocA(&info);
    if (doc_started <= 0) {
        error = "Unable to print: could not start document";
        return FALSE;
    }
    page_open = dc->StartPage() >= 0;
    if (!page_open) {
        error = "Unable to print: could not start page";
        return FALSE;
    }
    return TRUE;
}

void CPrintJob::EndJob() {
    m_delivered = false;
    if (dialog && dialog_ok && dc_attached) {
        if (doc_started > 0 && dc) {
            const bool pageEnded = !page_open || dc->EndPage() > 0;
            if (pageEnded) m_delivered = dc->EndDoc() > 0;
        }
        if (m_waitCursor) {
            platform::EndWaitCursor();
            m_waitCursor = false;
        }
    }
    if (got_defaults && defaults_dialog) {
        defaults_dialog->m_pd.hDevMode.reset();
        defaults_dialog->m_pd.hDevNames.reset();
    }
}
