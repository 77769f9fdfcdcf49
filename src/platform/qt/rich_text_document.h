// Turns a read Rich Text Format document into a toolkit text document: paragraphs become blocks
// with their alignment, indents, spacing and line spacing, runs become text with their font, size,
// style and colours. Used by the rich-edit control to show text and by printing to lay it out at
// the printer's resolution.
#pragma once

#include "platform/core/rtf_reader.h"

#include <QColor>
#include <QFont>

class QTextDocument;

namespace platform {

struct RichTextDefaults {
    // The font of text whose document names none (the control's font).
    QFont font;
    // The colour of text in the colour table's automatic colour; invalid: the view's text colour.
    QColor text;
    // Pixels per inch of the device the document is laid out for: indents and spacing are in
    // twips (1/1440 inch) in Rich Text Format.
    double dpiX = 96;
    double dpiY = 96;
    // How much the toolkit's layout enlarges paragraph spacing, line heights and tab stops (but
    // not indents): on a device of its own, such as a printer, its vertical resolution over 96.
    // The builder divides those lengths by it, so that they come out at dpiX/dpiY.
    double layoutScale = 1;
};

// Replaces the content of target with the document. Hidden text is left out.
void buildTextDocument(const rtf::Document& document, const RichTextDefaults& defaults,
                       QTextDocument* target);

} // namespace platform
