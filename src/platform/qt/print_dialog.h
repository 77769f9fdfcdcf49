// Printing: the printer-settings records, the print dialog, and the printer a confirmed dialog
// hands out for a printer context (PrinterDC in dc.h).
//
// Printers are the print queues of the system's spooler, and "Print to File (PDF)", which is
// always there: a user without a printer saves the printout as a PDF file. A printout is first
// drawn into a PDF file; EndDoc gives it its final name, or hands it to the queue with the
// document name as the job's title; AbortDoc throws it away, so nothing is printed and no partial
// file is left.
//
// The dialog is made from a template: the layer's own (the standard controls below), or with
// PD_ENABLEPRINTTEMPLATE the template lpPrintTemplateName of the application (hInstance), which
// holds the standard controls with their ids and may add controls of its own for a derived
// class's data exchange. "&Properties" opens the page set-up (paper and orientation) of the chosen
// printer. Confirming the PDF printer asks for the file to write.
//
// Printing without the dialog (scripts and tests). With the environment variable
// PANORAMA_PRINT_TO_PDF set to a file name, DoModal shows nothing and answers IDOK with that file
// as the printer ("%n" in the name becomes the number of the printout in the process, 1, 2, ...);
// GetDefaults answers the same printer. PANORAMA_PRINT_PAGE gives the paper: "Letter", "Legal",
// "A4", "A5", or "<width>x<height>in" / "<width>x<height>mm" (default Letter).
// PANORAMA_PRINT_DPI gives the resolution (default: from the print quality).
// PANORAMA_PRINT_ORIENTATION "portrait" or "landscape" fixes the orientation whatever the
// settings ask for (a printer that ignores orientation requests); unset, the settings' orientation
// is used.
#pragma once

#include "platform/core/resources.h"
#include "platform/qt/dialog.h"
#include "platform/qt/dialog_template.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class PrintDevice;
using HPRINTER = std::shared_ptr<PrintDevice>;

// ---- Printer settings
// ----------------------------------------------------------------------------

constexpr DWORD DM_ORIENTATION = 0x00000001;
constexpr DWORD DM_PAPERSIZE = 0x00000002;
constexpr DWORD DM_PAPERLENGTH = 0x00000004;
constexpr DWORD DM_PAPERWIDTH = 0x00000008;
constexpr DWORD DM_COPIES = 0x00000100;
constexpr DWORD DM_PRINTQUALITY = 0x00000400;
constexpr DWORD DM_COLLATE = 0x00008000;

constexpr short DMORIENT_PORTRAIT = 1;
constexpr short DMORIENT_LANDSCAPE = 2;
constexpr short DMPAPER_LETTER = 1;
constexpr short DMPAPER_LEGAL = 5;
constexpr short DMPAPER_A4 = 9;
constexpr short DMPAPER_A5 = 11;
constexpr short DMPAPER_USER = 256;
// Print qualities; a positive quality is a resolution in dots per inch.
constexpr short DMRES_DRAFT = -1;
constexpr short DMRES_LOW = -2;
constexpr short DMRES_MEDIUM = -3;
constexpr short DMRES_HIGH = -4;
constexpr short DMCOLLATE_FALSE = 0;
constexpr short DMCOLLATE_TRUE = 1;

// The printer-settings record. dmFields says which of the values are set; the others are the
// printer's defaults.
struct DEVMODE {
    std::string dmDeviceName;
    DWORD dmFields = 0;
    short dmOrientation = DMORIENT_PORTRAIT;
    short dmPaperSize = DMPAPER_LETTER;
    short dmPaperLength = 0; // DMPAPER_USER: tenths of a millimetre
    short dmPaperWidth = 0;
    short dmCopies = 1;
    short dmPrintQuality = DMRES_HIGH;
    short dmCollate = DMCOLLATE_FALSE;
};

// The printer-name record: the driver ("spooler" or "pdf"), the printer, and the output (the PDF
// printer's file; empty for a queue).
struct DEVNAMES {
    std::string driver;
    std::string device;
    std::string output;
};

// The resolution a print quality asks for: 600, 300, 150 and 75 dpi for high to draft, the value
// itself when positive.
int resolutionOfQuality(short quality);

// ---- The print dialog --------------------------------------------------------------------------

constexpr DWORD PD_ALLPAGES = 0x00000000;
constexpr DWORD PD_SELECTION = 0x00000001;
constexpr DWORD PD_PAGENUMS = 0x00000002;
constexpr DWORD PD_NOSELECTION = 0x00000004;
constexpr DWORD PD_NOPAGENUMS = 0x00000008;
constexpr DWORD PD_COLLATE = 0x00000010;
constexpr DWORD PD_PRINTTOFILE = 0x00000020;
constexpr DWORD PD_PRINTSETUP = 0x00000040;
constexpr DWORD PD_NOWARNING = 0x00000080;
constexpr DWORD PD_RETURNDC = 0x00000100;
constexpr DWORD PD_RETURNDEFAULT = 0x00000400;
constexpr DWORD PD_ENABLEPRINTTEMPLATE = 0x00004000;
constexpr DWORD PD_USEDEVMODECOPIES = 0x00040000;
constexpr DWORD PD_DISABLEPRINTTOFILE = 0x00080000;
constexpr DWORD PD_HIDEPRINTTOFILE = 0x00100000;

struct PRINTDLG {
    DWORD Flags = 0;
    Window* hwndOwner = nullptr;
    // The records the dialog starts from and fills in; either may be none.
    std::unique_ptr<DEVMODE> hDevMode;
    std::unique_ptr<DEVNAMES> hDevNames;
    WORD nCopies = 1;
    HINSTANCE hInstance = nullptr;
    // With PD_ENABLEPRINTTEMPLATE: the template's number (MAKEINTRESOURCEA).
    const char* lpPrintTemplateName = nullptr;
};

// Control ids of the print dialog's standard controls.
constexpr int kPrintPrinterGroup = 0x433; // "Printer"
constexpr int kPrintNameLabel = 0x443;    // "&Name:"
constexpr int kPrintName = 0x473;         // the printer (drop-down list)
constexpr int kPrintProperties = 0x401;   // "&Properties"
constexpr int kPrintStatusLabel = 0x445;  // "Status:"
constexpr int kPrintStatus = 0x44B;       // the printer's state
constexpr int kPrintTypeLabel = 0x446;    // "Type:"
constexpr int kPrintType = 0x44A;         // its make and model
constexpr int kPrintWhereLabel = 0x447;   // "Where:"
constexpr int kPrintWhere = 0x44D;        // its location, or the PDF file
constexpr int kPrintCommentLabel = 0x448; // "Comment:"
constexpr int kPrintComment = 0x44C;      // its description
constexpr int kPrintToFile = 0x410;       // "Print to fi&le"
constexpr int kPrintRangeGroup = 0x430;   // "Print range"
constexpr int kPrintAll = 0x420;          // "&All"
constexpr int kPrintPages = 0x421;        // "Pa&ges"
constexpr int kPrintSelection = 0x422;    // "&Selection"
constexpr int kPrintFromLabel = 0x441;    // "&from:"
constexpr int kPrintFrom = 0x480;
constexpr int kPrintToLabel = 0x442; // "&to:"
constexpr int kPrintTo = 0x481;
constexpr int kPrintCopiesGroup = 0x431; // "Copies"
constexpr int kPrintCopiesLabel = 0x449; // "Number of &copies:"
constexpr int kPrintCopies = 0x482;
constexpr int kPrintCollate = 0x411; // "C&ollate"

// The name of the PDF printer in the printer list.
inline constexpr const char* kPdfPrinterName = "Print to File (PDF)";

namespace dlg {
// The standard controls of the print dialog, laid out in 288 dialog units across: the Printer
// group on top, the Print range and Copies groups below it (from y 92 to 156). OK and Cancel are
// not among them: a template places them where its own controls leave room.
std::vector<DialogItemTemplate> printDialogItems();
} // namespace dlg

class PrintDialog : public Dialog {
public:
    // printSetupOnly: a set-up dialog, used here to fetch the default printer's settings.
    explicit PrintDialog(BOOL printSetupOnly,
                         DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS |
                                       PD_HIDEPRINTTOFILE | PD_NOSELECTION,
                         Window* parent = nullptr);
    ~PrintDialog() override;

    // Shows the dialog (see the file comment). IDOK when the user confirmed it; then m_pd holds
    // the chosen printer's records.
    INT_PTR DoModal() override;
    // Fills m_pd's records with the default printer's settings without showing anything. FALSE
    // when a record is already held (free it first).
    BOOL GetDefaults();
    // A printer for the confirmed choice, which a PrinterDC attaches; null when there is no
    // chosen printer.
    HPRINTER GetPrinterDC() const;
    std::string GetDeviceName() const;
    int GetCopies() const;
    BOOL PrintCollate() const;

    PRINTDLG m_pd;

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void showPrinter(int index);
    void showProperties();
    struct State;
    std::unique_ptr<State> m_state;
};

// A printer writing a PDF file with the page and resolution given (paper in inches, portrait),
// for printing without the dialog.
HPRINTER CreatePdfPrinter(const std::string& file, double widthInches, double heightInches, int dpi,
                          short orientation = DMORIENT_PORTRAIT);

// ---- Tests -------------------------------------------------------------------------------------

// Answers the PDF printer's question for the file to write instead of asking the user: the
// function gets the suggested file and returns the file, or "" to go back to the dialog. Null
// puts the question back.
void setPrintFileChooser(std::function<std::string(Window* owner, const std::string& suggested)>);
// Makes the next GetPrinterDC answer none.
void failNextPrinterContext();
// Makes a call of this kind on a printer context fail: the next one, or the one after `after`
// more have succeeded. StretchDIBits draws nothing; FormatRange is the rich-edit control's
// rendering of a page; StretchCaps makes the next RASTERCAPS answer lack RC_STRETCHDIB.
enum class PrinterCall {
    StartDoc,
    StartPage,
    EndPage,
    EndDoc,
    StretchDIBits,
    FormatRange,
    StretchCaps
};
inline constexpr int kPrinterCallKinds = 7;
void failNextPrinterCall(PrinterCall call, int after = 0);
// Puts the printout counter ("%n") back to 0 and forgets the failures asked for.
void resetPrintingForTests();

} // namespace platform
