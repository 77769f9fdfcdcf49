// The print dialog of the viewer: the platform's print dialog with a "Print Size" choice of Full
// Size or Half Size (template 1538) when the printout offers it, and the shared palette realised
// while it is in front.
#pragma once

#include "platform/qt/print_dialog.h"

class CSizePrintDialog : public platform::PrintDialog {
public:
    static constexpr UINT kTemplateId = 1538;
    static constexpr int kFullSizeId = 1028;
    static constexpr int kHalfSizeId = 1029;
    // The flags of the viewer's print dialogs: no print-to-file box, no page numbers, no
    // selection, and copies made by the printer.
    static constexpr DWORD kFlags = platform::PD_ALLPAGES | platform::PD_HIDEPRINTTOFILE |
                                    platform::PD_NOPAGENUMS | platform::PD_NOSELECTION |
                                    platform::PD_USEDEVMODECOPIES;

    CSizePrintDialog(platform::Palette* palette, BOOL offer_size, platform::Window* owner);

    // With offer_size (and an application to take the template from) the dialog shows the
    // "Print Size" group; otherwise the standard dialog.
    INT_PTR DoModal() override;
    void DoDataExchange(platform::DataExchange* dx) override;
    BOOL OnQueryNewPalette() override;
    void OnPaletteChanged(platform::Window* focusWindow) override;

    // Fields, in the order of the design.
    platform::Palette* palette;
    BOOL offer_size;
    int size = 0; // the radio group: 0 Full Size, 1 Half Size
};
