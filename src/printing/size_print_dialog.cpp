// The print dialog with its Print Size group.
#include "printing/size_print_dialog.h"

#include "platform/core/palette_message_box.h"
#include "platform/core/resources.h"

CSizePrintDialog::CSizePrintDialog(platform::Palette* palette_, BOOL offer_size_,
                                   platform::Window* owner)
    : platform::PrintDialog(FALSE, kFlags, owner), palette(palette_), offer_size(offer_size_) {}

INT_PTR CSizePrintDialog::DoModal() {
    HINSTANCE instance = AfxGetInstanceHandle();
    if (offer_size && instance) {
        m_pd.Flags |= platform::PD_ENABLEPRINTTEMPLATE;
        m_pd.hInstance = instance;
        m_pd.lpPrintTemplateName = MAKEINTRESOURCEA(kTemplateId);
    } else {
        m_pd.Flags &= ~platform::PD_ENABLEPRINTTEMPLATE;
    }
    return platform::PrintDialog::DoModal();
}

void CSizePrintDialog::DoDataExchange(platform::DataExchange* dx) {
    platform::PrintDialog::DoDataExchange(dx);
    if (offer_size) platform::DDX_Radio(dx, kFullSizeId, size);
}

BOOL CSizePrintDialog::OnQueryNewPalette() {
    const BOOL changed = RealizeWindowPalette(GetSafeHwnd(), palette);
    if (changed) Invalidate(FALSE);
    return changed;
}

void CSizePrintDialog::OnPaletteChanged(platform::Window* focusWindow) {
    if (focusWindow != this) RealizeWindowPalette(GetSafeHwnd(), palette);
}
