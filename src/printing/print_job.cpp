// The print job object: its construction values and its dialog's lifetime.
#include "printing/print_job.h"

#include <utility>

CPrintJob::CPrintJob(std::string doc_name_, platform::DC* dc_, platform::Window* owner_,
                     BOOL offer_size_, BOOL set_orientation_, BOOL set_quality_, int size_,
                     short orientation_, short quality_)
    : doc_name(std::move(doc_name_)), dc(dc_), owner(owner_), offer_size(offer_size_),
      set_orientation(set_orientation_), set_quality(set_quality_), size(size_),
      orientation(orientation_), quality(quality_) {}

CPrintJob::~CPrintJob() {
    DiscardDialog();
}

void CPrintJob::DiscardDialog() {
    // The dialog owns its printer-settings and printer-name records; they go with it.
    dialog.reset();
}
