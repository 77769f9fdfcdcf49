// The page layouts of a picture and of rich text.
#include "printing/print_layout.h"

#include "imaging/cmemdib.h"
#include "platform/core/palette_message_box.h"
#include "platform/qt/dc.h"
#include "platform/qt/rich_edit.h"
#include "printing/print_job.h"
#include "printing/size_print_dialog.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace {

bool g_failTemporaryJob = false;

void warn(platform::Window* owner, platform::Palette* palette, const char* text,
          const std::string& caption) {
    MessageBoxWithPalette(owner ? owner->GetSafeHwnd() : nullptr, palette, text, caption.c_str(),
                          MB_ICONWARNING);
}

// The job a printout runs with: the given one, re-filled, or one of its own for this printout,
// which goes (dialog first) when the printout ends.
class JobInUse {
public:
    JobInUse(CPrintJob* given, platform::PrinterDC* dc, const std::string& doc_name,
             platform::Window* owner, BOOL offer_size, int size, short orientation)
        : m_job(given) {
        if (!m_job) {
            try {
                if (std::exchange(g_failTemporaryJob, false)) throw std::bad_alloc();
                m_own = std::make_unique<CPrintJob>(doc_name, dc, owner, offer_size, TRUE, TRUE,
                                                    size, orientation, CPrintJob::kHighestQuality);
            } catch (const std::bad_alloc&) {
                return;
            }
            m_job = m_own.get();
            return;
        }
        m_job->doc_name = doc_name;
        m_job->dc = dc;
        m_job->owner = owner;
        m_job->offer_size = offer_size;
        m_job->set_orientation = TRUE;
        m_job->set_quality = TRUE;
        m_job->quality = CPrintJob::kHighestQuality;
        m_job->orientation = orientation;
    }
    ~JobInUse() {
        if (m_job) m_job->dc = nullptr; // the context is the printout's own and goes with it
        if (m_own) m_own->DiscardDialog();
    }
    JobInUse(const JobInUse&) = delete;
    JobInUse& operator=(const JobInUse&) = delete;

    CPrintJob* get() const { return m_job; }
    bool temporary() const { return m_own != nullptr; }

private:
    CPrintJob* m_job;
    std::unique_ptr<CPrintJob> m_own;
};

// Starts the job; on failure shows its reason (nothing after a cancel) and ends it. Returns
// whether printing goes on, and in *result what the printout answers when it does not.
bool startJob(CPrintJob& job, platform::Palette* palette, platform::Window* owner,
              const std::string& caption, BOOL* result) {
    if (job.StartJob(palette)) return true;
    if (!job.error.empty()) warn(owner, palette, job.error.c_str(), caption);
    *result = job.error.empty();
    job.EndJob();
    return false;
}

// Ends a printout that went well so far. The spooler refusing the job, or its file not taking
// its place, is reported: the printout did not happen.
BOOL endPrintout(CPrintJob& job, platform::Palette* palette, platform::Window* owner,
                 const std::string& caption) {
    job.EndJob();
    if (job.delivered()) return TRUE;
    warn(owner, palette, "Unable to print: could not end document", caption);
    return FALSE;
}

} // namespace

namespace printing_test {
void failNextTemporaryJob() {
    g_failTemporaryJob = true;
}
} // namespace printing_test

BOOL PrintMap(Cmemdib* image, platform::Palette* palette, const std::string& doc_name,
              platform::Window* owner, const std::string& caption, CPrintJob* job, BOOL offer_size,
              int initial_size, double scale) {
    if (!image || !image->loaded || !image->dib || !palette || !palette->hasHandle() || !owner ||
        !owner->exists()) {
        warn(owner, palette, "Unable to print: internal error 1", caption);
        return FALSE;
    }
    const Rect source = image->image_rect;
    const double aspect =
        source.width() != 0 ? double(source.height()) / double(source.width()) : 1.0;
    const short orientation = aspect < 1.0 ? CPrintJob::kLandscape : CPrintJob::kPortrait;

    platform::PrinterDC dc;
    int size = initial_size;
    if (job) size = job->dialog ? job->dialog->size : job->size;
    JobInUse use(job, &dc, doc_name, owner, offer_size, size, orientation);
    if (!use.get()) {
        warn(owner, palette, "Unable to print: internal error 2", caption);
        return FALSE;
    }
    CPrintJob& j = *use.get();
    j.size = size;
    BOOL result = FALSE;
    if (!startJob(j, palette, owner, caption, &result)) return result;

    dc.SetMapMode(MM_TEXT);
    const int W = dc.GetDeviceCaps(HORZRES);
    const int H = dc.GetDeviceCaps(VERTRES);
    int dpiX = dc.GetDeviceCaps(LOGPIXELSX);
    int dpiY = dc.GetDeviceCaps(LOGPIXELSY);
    if (dpiX == 0) dpiX = W / 10;
    if (dpiY == 0) dpiY = H / 10;
    int mx = dpiX / 2;
    int my = dpiY / 2;

    // Less than four inches of paper either way, nothing to print, or a printer that cannot
    // stretch pictures: the page is given up without a word.
    if (8LL * mx > W || 8LL * my > H || dpiX <= 0 || dpiY <= 0 || source.width() <= 0 ||
        source.height() <= 0 || !(dc.GetDeviceCaps(RASTERCAPS) & RC_STRETCHDIB)) {
        dc.AbortDoc();
        j.EndJob();
        return FALSE;
    }

    if (offer_size) scale = j.dialog && j.dialog->size == CPrintJob::kHalfSize ? 0.5 : 1.0;
    if (scale > 0.0 && scale < 1.0) {
        mx = std::max(mx, int(W * (1.0 - scale) * 0.5));
        my = std::max(my, int(H * (1.0 - scale) * 0.5));
    }
    Rect area{mx, my, W - mx, H - my};
    const int aw = W - 2 * mx;
    const int ah = H - 2 * my;

    // Fitted in inches, so that unequal resolutions keep the picture's shape.
    const double pageRatio = (double(ah) / dpiY) / (double(aw) / dpiX);
    if (pageRatio > aspect) {
        const int nh = int(aspect * (double(aw) / dpiX) * dpiY);
        if (nh < ah) {
            area.top += (ah - nh) / 2;
            area.bottom -= (ah - nh) / 2;
        }
    } else if (pageRatio < aspect) {
        const int nw = int((double(ah) / dpiY) / aspect * dpiX);
        if (nw < aw) {
            area.left += (aw - nw) / 2;
            area.right -= (aw - nw) / 2;
        }
    }

    if (!image->Draw(&dc, palette, nullptr, &area, &source)) {
        warn(owner, palette, "Unable to print: could not draw", caption);
        dc.AbortDoc();
        j.EndJob();
        return FALSE;
    }
    return endPrintout(j, palette, owner, caption);
}

BOOL PrintText(platform::RichEditCtrl* control, platform::Palette* palette,
               const std::string& doc_name, platform::Window* owner, const std::string& caption,
               CPrintJob* job) {
    if (!control || !control->exists() || !palette || !palette->hasHandle() || !owner ||
        !owner->exists()) {
        warn(owner, palette, "Unable to print: internal error 3", caption);
        return FALSE;
    }
    platform::PrinterDC dc;
    JobInUse use(job, &dc, doc_name, owner, FALSE, CPrintJob::kFullSize, CPrintJob::kPortrait);
    if (!use.get()) {
        warn(owner, palette, "Unable to print: internal error 4", caption);
        return FALSE;
    }
    CPrintJob& j = *use.get();
    j.size = CPrintJob::kFullSize;
    BOOL result = FALSE;
    if (!startJob(j, palette, owner, caption, &result)) return result;

    dc.SetMapMode(MM_TEXT);
    const int W = dc.GetDeviceCaps(HORZRES);
    const int H = dc.GetDeviceCaps(VERTRES);
    int dpiX = dc.GetDeviceCaps(LOGPIXELSX);
    int dpiY = dc.GetDeviceCaps(LOGPIXELSY);
    // A printer that reports no resolution is taken to have a page ten inches across, as the
    // picture's printout takes it.
    if (dpiX <= 0) dpiX = std::max(1, W / 10);
    if (dpiY <= 0) dpiY = std::max(1, H / 10);

    const auto twipsX = int(std::int64_t(W) * 1440 / dpiX);
    const auto twipsY = int(std::int64_t(H) * 1440 / dpiY);
    const auto giveUp = [&](const char* message) {
        warn(owner, palette, message, caption);
        dc.AbortDoc();
        j.EndJob();
        control->FormatRange(nullptr, FALSE);
        return FALSE;
    };
    if (twipsX < 2880 || twipsY < 2880) {
        warn(owner, palette, "Page size too small to print reasonably", caption);
        dc.AbortDoc();
        j.EndJob();
        return FALSE;
    }

    FORMATRANGE range;
    range.hdc = &dc;
    range.hdcTarget = &dc;
    range.rcPage = Rect{0, 0, twipsX, twipsY};
    range.rc = Rect{720, 720, twipsX - 720, twipsY - 720};
    range.chrg.cpMin = 0;
    range.chrg.cpMax = -1;

    const LONG length = LONG(control->SendMessage(WM_GETTEXTLENGTH));
    control->SendMessage(EM_FORMATRANGE, FALSE, 0);
    while (range.chrg.cpMin < length) {
        const LONG next =
            LONG(control->SendMessage(EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
        // A page that took no character would come back for ever: that is a failure too.
        if (next < 0 || next <= range.chrg.cpMin) return giveUp("Unable to print, error #5");
        if (next < length) {
            if (dc.EndPage() <= 0 || dc.StartPage() <= 0) {
                j.page_open = FALSE;
                warn(owner, palette, "Unable to print, error #6", caption);
                j.EndJob();
                control->SendMessage(EM_FORMATRANGE, FALSE, 0);
                return FALSE;
            }
        }
        range.chrg.cpMin = next;
        if (next < length) dc.SetMapMode(MM_TEXT);
    }
    control->SendMessage(EM_FORMATRANGE, FALSE, 0);
    return endPrintout(j, palette, owner, caption);
}
