// The print dialog, the printer-settings records and the printers they give.
#include "platform/qt/print_dialog.h"

#include "platform/core/message_box.h"
#include "platform/qt/controls.h"
#include "platform/qt/print_device.h"
#include "platform/qt/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace platform {

namespace {

// The layer's own print dialog template (the standard controls with OK and Cancel below them).
constexpr UINT kStandardPrintTemplate = 0xF538;

int g_printoutNumber = 0;
bool g_failContext = false;
// For each kind of call, how many more succeed before one fails; -1 when none is to fail.
int g_failAfter[kPrinterCallKinds] = {-1, -1, -1, -1, -1, -1, -1};
std::function<std::string(Window*, const std::string&)> g_fileChooser;

// ---- Printing without the dialog -----------------------------------------------------------

struct ScriptedPrinter {
    std::string file;
    QPageSize page{QPageSize::Letter};
    int dpi = 0;           // 0: from the quality
    short orientation = 0; // 0: the settings' orientation
};

std::optional<QPageSize> parsePage(const std::string& text) {
    const QString page = QString::fromStdString(text).trimmed();
    if (page.isEmpty() || page.compare(QLatin1String("letter"), Qt::CaseInsensitive) == 0)
        return QPageSize(QPageSize::Letter);
    if (page.compare(QLatin1String("legal"), Qt::CaseInsensitive) == 0)
        return QPageSize(QPageSize::Legal);
    if (page.compare(QLatin1String("a4"), Qt::CaseInsensitive) == 0)
        return QPageSize(QPageSize::A4);
    if (page.compare(QLatin1String("a5"), Qt::CaseInsensitive) == 0)
        return QPageSize(QPageSize::A5);
    double width = 0, height = 0;
    char unit[3] = {};
    if (std::sscanf(text.c_str(), "%lfx%lf%2s", &width, &height, unit) == 3 && width > 0 &&
        height > 0 && width < 1000 && height < 1000) {
        if (std::strcmp(unit, "in") == 0)
            return QPageSize(QSizeF(width, height), QPageSize::Inch, QString(),
                             QPageSize::ExactMatch);
        if (std::strcmp(unit, "mm") == 0)
            return QPageSize(QSizeF(width, height), QPageSize::Millimeter, QString(),
                             QPageSize::ExactMatch);
    }
    return std::nullopt;
}

std::optional<ScriptedPrinter> scriptedPrinter() {
    const QByteArray file = qgetenv("PANORAMA_PRINT_TO_PDF");
    if (file.isEmpty()) return std::nullopt;
    ScriptedPrinter printer;
    printer.file = file.toStdString();
    const std::string page = qgetenv("PANORAMA_PRINT_PAGE").toStdString();
    if (auto size = parsePage(page))
        printer.page = *size;
    else
        std::fprintf(stderr, "PANORAMA_PRINT_PAGE \"%s\" is not a paper size; printing on Letter\n",
                     page.c_str());
    const int dpi = qEnvironmentVariableIntValue("PANORAMA_PRINT_DPI");
    if (dpi > 0 && dpi <= 4800) printer.dpi = dpi;
    const QByteArray orientation = qgetenv("PANORAMA_PRINT_ORIENTATION").toLower();
    if (orientation == "portrait") printer.orientation = DMORIENT_PORTRAIT;
    if (orientation == "landscape") printer.orientation = DMORIENT_LANDSCAPE;
    return printer;
}

std::string numbered(const std::string& file, int number) {
    std::string out = file;
    for (std::size_t at = out.find("%n"); at != std::string::npos; at = out.find("%n", at))
        out.replace(at, 2, std::to_string(number));
    return out;
}

// ---- Settings and pages ----------------------------------------------------------------------

QPageSize pageOf(const DEVMODE& mode) {
    switch (mode.dmPaperSize) {
    case DMPAPER_LEGAL:
        return QPageSize(QPageSize::Legal);
    case DMPAPER_A4:
        return QPageSize(QPageSize::A4);
    case DMPAPER_A5:
        return QPageSize(QPageSize::A5);
    case DMPAPER_USER:
        if (mode.dmPaperWidth > 0 && mode.dmPaperLength > 0)
            return QPageSize(QSizeF(mode.dmPaperWidth / 10.0, mode.dmPaperLength / 10.0),
                             QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
        return QPageSize(QPageSize::Letter);
    default:
        return QPageSize(QPageSize::Letter);
    }
}

void setPage(DEVMODE& mode, const QPageSize& page) {
    mode.dmFields |= DM_PAPERSIZE;
    mode.dmPaperWidth = mode.dmPaperLength = 0;
    switch (page.id()) {
    case QPageSize::Letter:
        mode.dmPaperSize = DMPAPER_LETTER;
        return;
    case QPageSize::Legal:
        mode.dmPaperSize = DMPAPER_LEGAL;
        return;
    case QPageSize::A4:
        mode.dmPaperSize = DMPAPER_A4;
        return;
    case QPageSize::A5:
        mode.dmPaperSize = DMPAPER_A5;
        return;
    default: {
        const QSizeF mm = page.size(QPageSize::Millimeter);
        mode.dmPaperSize = DMPAPER_USER;
        mode.dmPaperWidth = short(std::clamp(mm.width() * 10 + 0.5, 1.0, 32767.0));
        mode.dmPaperLength = short(std::clamp(mm.height() * 10 + 0.5, 1.0, 32767.0));
        mode.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    }
    }
}

QPageLayout layoutOf(const QPageSize& page, short orientation) {
    return QPageLayout(
        page, orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(0, 0, 0, 0));
}

std::unique_ptr<DEVMODE> defaultSettings(const std::string& printer, const QPageSize& page) {
    auto mode = std::make_unique<DEVMODE>();
    mode->dmDeviceName = printer;
    // A queue that names no paper (one without a driver) prints on Letter.
    setPage(*mode, page.isValid() ? page : QPageSize(QPageSize::Letter));
    mode->dmFields |= DM_ORIENTATION | DM_COPIES | DM_COLLATE;
    return mode;
}

bool isQueue(const std::string& name) {
    return !name.empty() && !QPrinterInfo::printerInfo(QString::fromStdString(name)).isNull();
}

std::string stateText(const QPrinterInfo& info) {
    switch (info.state()) {
    case QPrinter::Idle:
        return "Ready";
    case QPrinter::Active:
        return "Printing";
    case QPrinter::Aborted:
        return "Stopped";
    case QPrinter::Error:
        return "Error";
    }
    return "";
}

std::string suggestedFile(const PRINTDLG& pd) {
    if (pd.hDevNames && pd.hDevNames->driver == "pdf" && !pd.hDevNames->output.empty())
        return pd.hDevNames->output;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("printout.pdf")).toStdString();
}

} // namespace

int resolutionOfQuality(short quality) {
    switch (quality) {
    case DMRES_DRAFT:
        return 75;
    case DMRES_LOW:
        return 150;
    case DMRES_MEDIUM:
        return 300;
    case DMRES_HIGH:
        return 600;
    default:
        return quality > 0 ? std::min<int>(quality, 4800) : 300;
    }
}

// ---- The printer -------------------------------------------------------------------------------

PrintDevice::PrintDevice(Destination destination, const QPageLayout& layout, int dpi)
    : m_destination(std::move(destination)), m_printer(QPrinter::HighResolution) {
    m_printer.setOutputFormat(QPrinter::PdfFormat);
    m_printer.setResolution(dpi);
    m_printer.setFullPage(true);
    m_printer.setPageLayout(layout);
    m_printer.setCopyCount(1);
}

PrintDevice::~PrintDevice() {
    if (!m_temporary.empty()) QFile::remove(QString::fromStdString(m_temporary));
}

bool PrintDevice::begin(const std::string& documentName, QPainter& painter) {
    if (!m_temporary.empty()) return false;
    // The printout is drawn beside its destination, so that the finished file replaces it in one
    // step and a failed printout leaves the destination as it was.
    QString folder = QDir::tempPath();
    if (!m_destination.file.empty()) {
        folder = QFileInfo(QString::fromStdString(m_destination.file)).absolutePath();
        if (!QFileInfo(folder).isDir()) return false;
    }
    QTemporaryFile file(QDir(folder).filePath(QStringLiteral(".printout-XXXXXX.pdf")));
    file.setAutoRemove(false);
    if (!file.open()) return false;
    m_temporary = file.fileName().toStdString();
    file.close();
    m_documentName = documentName;
    m_printer.setDocName(fromWindows1252(documentName));
    m_printer.setCreator(QStringLiteral("Panorama"));
    m_printer.setOutputFileName(QString::fromStdString(m_temporary));
    if (!painter.begin(&m_printer)) {
        QFile::remove(QString::fromStdString(m_temporary));
        m_temporary.clear();
        return false;
    }
    return true;
}

int PrintDevice::finish(QPainter& painter) {
    static int jobs = 0;
    const bool written = painter.end();
    const std::string temporary = std::exchange(m_temporary, std::string());
    if (temporary.empty()) return 0;
    if (!written) {
        QFile::remove(QString::fromStdString(temporary));
        return 0;
    }
    if (!m_destination.file.empty()) {
        if (std::rename(temporary.c_str(), m_destination.file.c_str()) != 0) {
            QFile::remove(QString::fromStdString(temporary));
            return 0;
        }
        return ++jobs;
    }
    cups_option_t* options = nullptr;
    int count = 0;
    count = cupsAddOption("copies", std::to_string(m_destination.copies).c_str(), count, &options);
    if (m_destination.copies > 1)
        count = cupsAddOption("collate", m_destination.collate ? "true" : "false", count, &options);
    const std::string title = fromWindows1252(m_documentName).toStdString();
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, m_destination.queue.c_str(),
                                   temporary.c_str(), title.c_str(), count, options);
    cupsFreeOptions(count, options);
    QFile::remove(QString::fromStdString(temporary));
    return job > 0 ? job : 0;
}

void PrintDevice::abort(QPainter& painter) {
    if (painter.isActive()) painter.end();
    if (!m_temporary.empty()) QFile::remove(QString::fromStdString(m_temporary));
    m_temporary.clear();
}

bool takePrinterFailure(PrinterCall call) {
    int& after = g_failAfter[int(call)];
    if (after < 0) return false;
    if (after > 0) {
        --after;
        return false;
    }
    after = -1;
    return true;
}

HPRINTER CreatePdfPrinter(const std::string& file, double widthInches, double heightInches, int dpi,
                          short orientation) {
    if (file.empty() || !(widthInches > 0) || !(heightInches > 0) || dpi <= 0) return nullptr;
    const QPageSize page(QSizeF(widthInches, heightInches), QPageSize::Inch, QString(),
                         QPageSize::ExactMatch);
    PrintDevice::Destination destination;
    destination.file = file;
    return std::make_shared<PrintDevice>(destination, layoutOf(page, orientation), dpi);
}

// ---- Templates
// -----------------------------------------------------------------------------------

namespace dlg {

std::vector<DialogItemTemplate> printDialogItems() {
    const DWORD value = SS_NOPREFIX;
    return {
        groupBox("Printer", kPrintPrinterGroup, 8, 4, 272, 84),
        ltext("&Name:", kPrintNameLabel, 16, 20, 34, 8),
        comboBox(kPrintName, 52, 18, 152, 152,
                 CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP),
        pushButton("&Properties", kPrintProperties, 212, 17, 60, 14, WS_GROUP | WS_TABSTOP),
        ltext("Status:", kPrintStatusLabel, 16, 36, 34, 10),
        ltext("", kPrintStatus, 52, 36, 224, 10, value),
        ltext("Type:", kPrintTypeLabel, 16, 48, 34, 10),
        ltext("", kPrintType, 52, 48, 224, 10, value),
        ltext("Where:", kPrintWhereLabel, 16, 60, 34, 10),
        ltext("", kPrintWhere, 52, 60, 224, 10, value),
        ltext("Comment:", kPrintCommentLabel, 16, 72, 34, 10),
        ltext("", kPrintComment, 52, 72, 152, 10, value),
        autoCheckBox("Print to fi&le", kPrintToFile, 212, 72, 64, 12, WS_GROUP | WS_TABSTOP),
        groupBox("Print range", kPrintRangeGroup, 8, 92, 144, 64),
        autoRadioButton("&All", kPrintAll, 16, 106, 64, 12, WS_GROUP | WS_TABSTOP),
        autoRadioButton("Pa&ges", kPrintPages, 16, 122, 34, 12),
        autoRadioButton("&Selection", kPrintSelection, 16, 138, 64, 12),
        ltext("&from:", kPrintFromLabel, 52, 124, 20, 8),
        editText(kPrintFrom, 74, 122, 26, 12, ES_NUMBER | WS_BORDER | WS_GROUP | WS_TABSTOP),
        ltext("&to:", kPrintToLabel, 104, 124, 14, 8),
        editText(kPrintTo, 120, 122, 26, 12, ES_NUMBER | WS_BORDER | WS_TABSTOP),
        groupBox("Copies", kPrintCopiesGroup, 160, 92, 120, 64),
        ltext("Number of &copies:", kPrintCopiesLabel, 168, 108, 68, 8),
        editText(kPrintCopies, 240, 106, 32, 12, ES_NUMBER | WS_BORDER | WS_GROUP | WS_TABSTOP),
        autoCheckBox("C&ollate", kPrintCollate, 168, 134, 64, 12, WS_GROUP | WS_TABSTOP),
    };
}

} // namespace dlg

namespace {

void registerStandardTemplate() {
    if (findDialogTemplate(kStandardPrintTemplate)) return;
    DialogTemplate t;
    t.id = kStandardPrintTemplate;
    t.cx = 288;
    t.cy = 182;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.caption = "Print";
    t.items = dlg::printDialogItems();
    t.items.push_back(dlg::defPushButton("OK", IDOK, 176, 162, 48, 14, WS_GROUP | WS_TABSTOP));
    t.items.push_back(dlg::pushButton("Cancel", IDCANCEL, 232, 162, 48, 14, WS_TABSTOP));
    registerDialogTemplate(std::move(t));
}

} // namespace

// ---- The dialog --------------------------------------------------------------------------------

struct PrintDialog::State {
    struct Printer {
        std::string name;
        bool pdf = false;
    };
    std::vector<Printer> printers;
};

PrintDialog::PrintDialog(BOOL printSetupOnly, DWORD flags, Window* parent)
    : Dialog(kStandardPrintTemplate, parent), m_state(std::make_unique<State>()) {
    m_pd.Flags = flags | (printSetupOnly ? PD_PRINTSETUP : 0);
    m_pd.hwndOwner = parent;
}

PrintDialog::~PrintDialog() = default;

BOOL PrintDialog::GetDefaults() {
    if (m_pd.hDevMode || m_pd.hDevNames) return FALSE;
    auto names = std::make_unique<DEVNAMES>();
    if (auto scripted = scriptedPrinter()) {
        names->driver = "pdf";
        names->device = kPdfPrinterName;
        names->output = scripted->file;
        m_pd.hDevMode = defaultSettings(names->device, scripted->page);
    } else if (const QPrinterInfo info = QPrinterInfo::defaultPrinter(); !info.isNull()) {
        names->driver = "spooler";
        names->device = toWindows1252(info.printerName());
        m_pd.hDevMode = defaultSettings(names->device, info.defaultPageSize());
    } else {
        names->driver = "pdf";
        names->device = kPdfPrinterName;
        m_pd.hDevMode = defaultSettings(names->device, QPageSize(QPageSize::Letter));
    }
    m_pd.hDevNames = std::move(names);
    return TRUE;
}

INT_PTR PrintDialog::DoModal() {
    if (auto scripted = scriptedPrinter()) {
        if (!m_pd.hDevMode) m_pd.hDevMode = defaultSettings(kPdfPrinterName, scripted->page);
        m_pd.hDevMode->dmDeviceName = kPdfPrinterName;
        m_pd.hDevNames =
            std::make_unique<DEVNAMES>(DEVNAMES{"pdf", kPdfPrinterName, scripted->file});
        return IDOK;
    }
    registerStandardTemplate();
    UINT id = kStandardPrintTemplate;
    if ((m_pd.Flags & PD_ENABLEPRINTTEMPLATE) && m_pd.hInstance && m_pd.lpPrintTemplateName &&
        IS_INTRESOURCE(m_pd.lpPrintTemplateName)) {
        const UINT custom = UINT(reinterpret_cast<std::uintptr_t>(m_pd.lpPrintTemplateName));
        if (findDialogTemplate(custom)) id = custom;
    }
    setTemplateId(id);
    if (m_pd.hwndOwner) setParentWindow(m_pd.hwndOwner);
    return Dialog::DoModal();
}

BOOL PrintDialog::OnInitDialog() {
    auto* list = dynamic_cast<ComboBox*>(GetDlgItem(kPrintName));
    m_state->printers.clear();
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        m_state->printers.push_back({toWindows1252(name), false});
    m_state->printers.push_back({kPdfPrinterName, true});

    std::string chosen;
    if (m_pd.hDevNames)
        chosen = m_pd.hDevNames->device;
    else if (m_pd.hDevMode)
        chosen = m_pd.hDevMode->dmDeviceName;
    int selected = -1;
    for (std::size_t i = 0; i < m_state->printers.size(); ++i) {
        if (list) list->AddString(m_state->printers[i].name.c_str());
        if (selected < 0 && !chosen.empty() && m_state->printers[i].name == chosen)
            selected = int(i);
    }
    if (selected < 0) {
        const std::string fallback = toWindows1252(QPrinterInfo::defaultPrinterName());
        for (std::size_t i = 0; i < m_state->printers.size() && selected < 0; ++i)
            if (m_state->printers[i].name == fallback) selected = int(i);
    }
    if (selected < 0) selected = int(m_state->printers.size()) - 1;
    if (list) list->SetCurSel(selected);
    showPrinter(selected);

    if (Window* toFile = GetDlgItem(kPrintToFile)) {
        if (m_pd.Flags & PD_HIDEPRINTTOFILE) toFile->ShowWindow(SW_HIDE);
        if (m_pd.Flags & PD_DISABLEPRINTTOFILE) toFile->EnableWindow(FALSE);
        CheckDlgButton(kPrintToFile, (m_pd.Flags & PD_PRINTTOFILE) ? BST_CHECKED : BST_UNCHECKED);
    }
    const int range = (m_pd.Flags & PD_PAGENUMS) && !(m_pd.Flags & PD_NOPAGENUMS) ? kPrintPages
                      : (m_pd.Flags & PD_SELECTION) && !(m_pd.Flags & PD_NOSELECTION)
                          ? kPrintSelection
                          : kPrintAll;
    for (int id : {kPrintAll, kPrintPages, kPrintSelection})
        CheckDlgButton(id, id == range ? BST_CHECKED : BST_UNCHECKED);
    for (int id : {kPrintPages, kPrintFromLabel, kPrintFrom, kPrintToLabel, kPrintTo})
        if (Window* item = GetDlgItem(id); item && (m_pd.Flags & PD_NOPAGENUMS))
            item->EnableWindow(FALSE);
    if (Window* item = GetDlgItem(kPrintSelection); item && (m_pd.Flags & PD_NOSELECTION))
        item->EnableWindow(FALSE);

    const bool fromMode = (m_pd.Flags & PD_USEDEVMODECOPIES) && m_pd.hDevMode;
    const int copies = fromMode ? m_pd.hDevMode->dmCopies : m_pd.nCopies;
    const bool collate =
        fromMode ? m_pd.hDevMode->dmCollate == DMCOLLATE_TRUE : (m_pd.Flags & PD_COLLATE) != 0;
    SetDlgItemText(kPrintCopies, std::to_string(std::clamp(copies, 1, 9999)).c_str());
    CheckDlgButton(kPrintCollate, collate ? BST_CHECKED : BST_UNCHECKED);
    return Dialog::OnInitDialog();
}

void PrintDialog::showPrinter(int index) {
    if (index < 0 || index >= int(m_state->printers.size())) return;
    const State::Printer& printer = m_state->printers[std::size_t(index)];
    if (printer.pdf) {
        SetDlgItemText(kPrintStatus, "Ready");
        SetDlgItemText(kPrintType, "PDF file");
        const std::string where = m_pd.hDevNames && m_pd.hDevNames->driver == "pdf"
                                      ? m_pd.hDevNames->output
                                      : std::string();
        SetDlgItemText(kPrintWhere, where.empty() ? "A file chosen after OK" : where.c_str());
        SetDlgItemText(kPrintComment, "Saves the printout as a PDF file");
        return;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(fromWindows1252(printer.name));
    SetDlgItemText(kPrintStatus, stateText(info).c_str());
    SetDlgItemText(kPrintType, toWindows1252(info.makeAndModel()).c_str());
    SetDlgItemText(kPrintWhere, toWindows1252(info.location()).c_str());
    SetDlgItemText(kPrintComment, toWindows1252(info.description()).c_str());
}

void PrintDialog::showProperties() {
    auto* list = dynamic_cast<ComboBox*>(GetDlgItem(kPrintName));
    const int index = list ? list->GetCurSel() : -1;
    if (index < 0 || index >= int(m_state->printers.size())) return;
    const State::Printer& chosen = m_state->printers[std::size_t(index)];
    if (!m_pd.hDevMode || m_pd.hDevMode->dmDeviceName != chosen.name) {
        QPageSize page(QPageSize::Letter);
        if (!chosen.pdf)
            page = QPrinterInfo::printerInfo(fromWindows1252(chosen.name)).defaultPageSize();
        auto mode = defaultSettings(chosen.name, page);
        if (m_pd.hDevMode) {
            mode->dmOrientation = m_pd.hDevMode->dmOrientation;
            mode->dmPrintQuality = m_pd.hDevMode->dmPrintQuality;
            mode->dmFields |= m_pd.hDevMode->dmFields & (DM_ORIENTATION | DM_PRINTQUALITY);
        }
        m_pd.hDevMode = std::move(mode);
    }
    QPrinter printer(QPrinter::HighResolution);
    if (chosen.pdf)
        printer.setOutputFormat(QPrinter::PdfFormat);
    else
        printer.setPrinterName(fromWindows1252(chosen.name));
    printer.setPageLayout(layoutOf(pageOf(*m_pd.hDevMode), m_pd.hDevMode->dmOrientation));
    QPageSetupDialog setup(&printer, frameWidget());
    setup.setWindowTitle(fromWindows1252(chosen.name + " Properties"));
    if (setup.exec() != QDialog::Accepted) return;
    const QPageLayout layout = printer.pageLayout();
    setPage(*m_pd.hDevMode, layout.pageSize());
    m_pd.hDevMode->dmOrientation =
        layout.orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    m_pd.hDevMode->dmFields |= DM_ORIENTATION;
}

BOOL PrintDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == kPrintName && code == CBN_SELCHANGE) {
        if (auto* list = dynamic_cast<ComboBox*>(GetDlgItem(kPrintName)))
            showPrinter(list->GetCurSel());
        return TRUE;
    }
    if (id == kPrintProperties && code == BN_CLICKED) {
        showProperties();
        return TRUE;
    }
    return Dialog::OnCommand(wParam, lParam);
}

void PrintDialog::OnOK() {
    auto* list = dynamic_cast<ComboBox*>(GetDlgItem(kPrintName));
    const int index = list ? list->GetCurSel() : -1;
    if (index < 0 || index >= int(m_state->printers.size())) return;
    const State::Printer chosen = m_state->printers[std::size_t(index)];

    const std::string copiesText = GetDlgItemText(kPrintCopies);
    int copies = 0;
    if (copiesText.empty() || copiesText.size() > 4 ||
        copiesText.find_first_not_of("0123456789") != std::string::npos ||
        (copies = std::atoi(copiesText.c_str())) < 1) {
        MessageBoxA(GetSafeHwnd(), "The number of copies must be between 1 and 9999.", "Print",
                    MB_OK | MB_ICONWARNING);
        if (Window* field = GetDlgItem(kPrintCopies)) GotoDlgCtrl(field);
        return;
    }
    const bool collate = IsDlgButtonChecked(kPrintCollate) == BST_CHECKED;
    const bool toFile = IsDlgButtonChecked(kPrintToFile) == BST_CHECKED &&
                        !(m_pd.Flags & (PD_HIDEPRINTTOFILE | PD_DISABLEPRINTTOFILE));

    std::string output;
    if (chosen.pdf || toFile) {
        const std::string suggested = suggestedFile(m_pd);
        if (g_fileChooser) {
            output = g_fileChooser(this, suggested);
        } else {
            QFileDialog chooser(frameWidget(), QStringLiteral("Print to File"),
                                QString::fromStdString(suggested),
                                QStringLiteral("PDF files (*.pdf)"));
            chooser.setAcceptMode(QFileDialog::AcceptSave);
            chooser.setDefaultSuffix(QStringLiteral("pdf"));
            chooser.setOption(QFileDialog::DontUseNativeDialog);
            chooser.selectFile(QString::fromStdString(suggested));
            if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
                output = chooser.selectedFiles().front().toStdString();
        }
        if (output.empty()) return;
    }

    if (!m_pd.hDevMode || m_pd.hDevMode->dmDeviceName != chosen.name) {
        QPageSize page(QPageSize::Letter);
        if (!chosen.pdf)
            page = QPrinterInfo::printerInfo(fromWindows1252(chosen.name)).defaultPageSize();
        auto mode = defaultSettings(chosen.name, page);
        if (m_pd.hDevMode) {
            mode->dmOrientation = m_pd.hDevMode->dmOrientation;
            mode->dmPrintQuality = m_pd.hDevMode->dmPrintQuality;
            mode->dmFields |= m_pd.hDevMode->dmFields & (DM_ORIENTATION | DM_PRINTQUALITY);
        }
        m_pd.hDevMode = std::move(mode);
    }
    if (m_pd.Flags & PD_USEDEVMODECOPIES) {
        m_pd.hDevMode->dmCopies = short(copies);
        m_pd.hDevMode->dmCollate = collate ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
        m_pd.hDevMode->dmFields |= DM_COPIES | DM_COLLATE;
        m_pd.nCopies = 1;
    } else {
        m_pd.nCopies = WORD(copies);
        m_pd.Flags = collate ? (m_pd.Flags | PD_COLLATE) : (m_pd.Flags & ~PD_COLLATE);
    }
    m_pd.Flags = toFile ? (m_pd.Flags | PD_PRINTTOFILE) : (m_pd.Flags & ~PD_PRINTTOFILE);
    m_pd.hDevNames = std::make_unique<DEVNAMES>(
        DEVNAMES{chosen.pdf || toFile ? "pdf" : "spooler", chosen.name, output});
    Dialog::OnOK();
}

HPRINTER PrintDialog::GetPrinterDC() const {
    if (std::exchange(g_failContext, false)) return nullptr;
    const DEVMODE fallback;
    const DEVMODE& mode = m_pd.hDevMode ? *m_pd.hDevMode : fallback;
    const short orientation =
        (mode.dmFields & DM_ORIENTATION) ? mode.dmOrientation : DMORIENT_PORTRAIT;
    const int dpi =
        resolutionOfQuality((mode.dmFields & DM_PRINTQUALITY) ? mode.dmPrintQuality : DMRES_MEDIUM);
    PrintDevice::Destination destination;
    if (auto scripted = scriptedPrinter()) {
        destination.file = numbered(scripted->file, ++g_printoutNumber);
        return std::make_shared<PrintDevice>(
            destination,
            layoutOf(scripted->page, scripted->orientation ? scripted->orientation : orientation),
            scripted->dpi ? scripted->dpi : dpi);
    }
    if (!m_pd.hDevNames) return nullptr;
    const DEVNAMES& names = *m_pd.hDevNames;
    if (names.driver == "pdf") {
        if (names.output.empty()) return nullptr;
        destination.file = names.output;
    } else {
        // A queue that has gone since the dialog was confirmed gives no printer.
        if (!isQueue(names.device)) return nullptr;
        destination.queue = names.device;
        destination.copies = GetCopies();
        destination.collate = PrintCollate() != FALSE;
    }
    return std::make_shared<PrintDevice>(destination, layoutOf(pageOf(mode), orientation), dpi);
}

std::string PrintDialog::GetDeviceName() const {
    if (m_pd.hDevNames) return m_pd.hDevNames->device;
    return m_pd.hDevMode ? m_pd.hDevMode->dmDeviceName : std::string();
}

int PrintDialog::GetCopies() const {
    if ((m_pd.Flags & PD_USEDEVMODECOPIES) && m_pd.hDevMode)
        return std::max<int>(1, m_pd.hDevMode->dmCopies);
    return std::max<int>(1, m_pd.nCopies);
}

BOOL PrintDialog::PrintCollate() const {
    if ((m_pd.Flags & PD_USEDEVMODECOPIES) && m_pd.hDevMode)
        return m_pd.hDevMode->dmCollate == DMCOLLATE_TRUE;
    return (m_pd.Flags & PD_COLLATE) != 0;
}

// ---- Tests -------------------------------------------------------------------------------------

void setPrintFileChooser(std::function<std::string(Window*, const std::string&)> chooser) {
    g_fileChooser = std::move(chooser);
}

void failNextPrinterContext() {
    g_failContext = true;
}

void failNextPrinterCall(PrinterCall call, int after) {
    g_failAfter[int(call)] = std::max(0, after);
}

void resetPrintingForTests() {
    g_printoutNumber = 0;
    g_failContext = false;
    for (int& after : g_failAfter)
        after = -1;
}

} // namespace platform
