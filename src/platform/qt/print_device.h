// Inside the layer: the printer a printer context draws on. It draws every printout into a PDF
// file in a private temporary place and, when the document ends, moves the file to its
// destination or hands it to a spooler queue. Not for product code.
#pragma once

#include "platform/qt/print_dialog.h"

#include <QPageLayout>
#include <QPrinter>

#include <memory>
#include <string>

class QPainter;

namespace platform {

class PrintDevice {
public:
    struct Destination {
        std::string file;  // a PDF file, or
        std::string queue; // a spooler queue
        int copies = 1;
        bool collate = false;
    };
    PrintDevice(Destination destination, const QPageLayout& layout, int dpi);
    ~PrintDevice();
    PrintDevice(const PrintDevice&) = delete;
    PrintDevice& operator=(const PrintDevice&) = delete;

    QPrinter& printer() { return m_printer; }
    const QPrinter& printer() const { return m_printer; }
    const Destination& destination() const { return m_destination; }

    // Starts the document: painting begins on a new temporary file. False when it cannot.
    bool begin(const std::string& documentName, QPainter& painter);
    // Finishes the painting and delivers the file. A positive job number, or 0.
    int finish(QPainter& painter);
    // Finishes the painting and throws the file away.
    void abort(QPainter& painter);

private:
    Destination m_destination;
    QPrinter m_printer;
    std::string m_documentName;
    std::string m_temporary;
};

// A test's request that the next call of the kind fail (consumed by the call).
bool takePrinterFailure(PrinterCall call);

} // namespace platform
