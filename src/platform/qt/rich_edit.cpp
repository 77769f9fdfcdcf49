// The rich-edit control on the toolkit's text view, filled from the Rich Text Format reader.
#include "platform/qt/rich_edit.h"

#include "platform/qt/dc.h"
#include "platform/qt/print_device.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include "platform/qt/rich_text_document.h"

namespace platform {
namespace {

bool g_failNextCreate = false;

// The text laid out for a printer: its lines in order with their place in the document.
struct PageLayout {
    QPaintDevice* device = nullptr;
    int width = 0;
    std::unique_ptr<QTextDocument> document;
    struct Line {
        int position; // the first character's text position
        qreal top;    // document coordinates
        qreal bottom;
        QTextBlock block;
        int index; // in the block's layout
    };
    std::vector<Line> lines;
    int length = 0;
};

class RichEditWidget : public QTextEdit {
public:
    explicit RichEditWidget(DWORD style) : m_style(style) {
        setUndoRedoEnabled(false);
        setAcceptRichText(false);
        setTabChangesFocus(true);
        setLineWrapMode(QTextEdit::WidgetWidth);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded
                                                        : Qt::ScrollBarAlwaysOff);
        document()->setDocumentMargin(2);
        setReadOnly((style & ES_READONLY) != 0);
        if (style & ES_READONLY)
            setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        QPalette p = palette();
        p.setColor(QPalette::Base, toQColor(GetSysColor(COLOR_WINDOW)));
        p.setColor(QPalette::Text, toQColor(GetSysColor(COLOR_WINDOWTEXT)));
        if (style & ES_NOHIDESEL) {
            p.setColor(QPalette::Inactive, QPalette::Highlight,
                       p.color(QPalette::Active, QPalette::Highlight));
            p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                       p.color(QPalette::Active, QPalette::HighlightedText));
        }
        setPalette(p);
    }

    DWORD m_style;
    rtf::Document m_richText;
    bool m_isRichText = false;
    Font* m_font = nullptr;
    std::unique_ptr<PageLayout> m_pages;

    RichTextDefaults defaults() const {
        RichTextDefaults d;
        d.font = m_font ? m_font->qfont() : font();
        d.dpiX = logicalDpiX();
        d.dpiY = logicalDpiY();
        return d;
    }
    // The text is built in a document of its own, away from the view, which then takes it
    // whole: the view lays it out once instead of following every insertion.
    void showRichText() {
        auto* built = new QTextDocument(this);
        built->setUndoRedoEnabled(false);
        built->setDocumentMargin(document()->documentMargin());
        buildTextDocument(m_richText, defaults(), built);
        // The view deletes its first document itself; later ones are this widget's.
        const QPointer<QTextDocument> previous = document();
        setDocument(built);
        if (previous && previous->parent() == this) delete previous.data();
        moveCursor(QTextCursor::Start);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        applyParentColours(event);
        QTextEdit::paintEvent(event);
    }

private:
    // The parent chooses the colours before every paint, as controls ask on the platform.
    void applyParentColours(QPaintEvent* event) {
        Window* w = windowOfWidget(this);
        Window* parent = w ? w->GetParent() : nullptr;
        if (!parent || !parent->exists()) return;
        constexpr COLORREF kUnset = 0xFFFFFFFFu;
        ClientDC dc(w);
        dc.SetTextColor(kUnset);
        const LRESULT result = dispatchMessage(*parent, WM_CTLCOLOREDIT,
                                               reinterpret_cast<WPARAM>(static_cast<DC*>(&dc)),
                                               reinterpret_cast<LPARAM>(w->GetSafeHwnd()));
        auto* brush = reinterpret_cast<Brush*>(result);
        QPalette p = palette();
        bool changed = false;
        if (brush && brush->hasHandle() && !brush->isHollow()) {
            const QColor background = toQColor(brush->colour());
            if (p.color(QPalette::Base) != background) {
                p.setColor(QPalette::Base, background);
                changed = true;
            }
            // The viewport was filled before this paint: fill it in the new colour now.
            QPainter painter(viewport());
            painter.fillRect(event->rect(), background);
        }
        if (dc.GetTextColor() != kUnset) {
            const QColor text = toQColor(dc.GetTextColor());
            if (p.color(QPalette::Text) != text) {
                p.setColor(QPalette::Text, text);
                changed = true;
            }
        }
        if (changed) setPalette(p);
    }
};

RichEditWidget* editOf(const Window* w) {
    return w ? dynamic_cast<RichEditWidget*>(w->clientWidget()) : nullptr;
}

} // namespace

void failNextRichEditCreate() {
    g_failNextCreate = true;
}

BOOL RichEditCtrl::Create(DWORD style, const Rect& rect, Window* parent, UINT id) {
    if (g_failNextCreate) {
        g_failNextCreate = false;
        return FALSE;
    }
    if (exists() || !parent || !parent->exists() || !parent->clientWidget()) return FALSE;
    auto* widget = new RichEditWidget(style);
    if ((style & WS_BORDER) || (GetExStyle() & WS_EX_CLIENTEDGE))
        widget->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    else
        widget->setFrameStyle(QFrame::NoFrame);
    attachControlWidget(*this, widget, parent, id, style | WS_CHILD, 0, rect, nullptr);
    return TRUE;
}

long RichEditCtrl::StreamIn(int format, EDITSTREAM& stream) {
    QPointer<RichEditWidget> edit = editOf(this);
    if (!edit) return 0;
    stream.dwError = 0;
    std::string bytes;
    std::vector<BYTE> buffer(static_cast<std::size_t>(kStreamBufferSize));
    while (stream.pfnCallback && bytes.size() < kMaxStreamBytes) {
        LONG count = 0;
        const DWORD result =
            stream.pfnCallback(stream.dwCookie, buffer.data(), kStreamBufferSize, &count);
        // The callback may have shown a message box whose loop took the control away.
        if (!edit) return 0;
        if (result != 0) {
            stream.dwError = result;
            break;
        }
        if (count <= 0) break;
        const std::size_t taken =
            std::min({std::size_t(count), buffer.size(), kMaxStreamBytes - bytes.size()});
        bytes.append(reinterpret_cast<const char*>(buffer.data()), taken);
    }
    if (format & SF_RTF) {
        edit->m_pages.reset();
        edit->m_richText = rtf::parse(bytes);
        edit->m_isRichText = true;
        edit->showRichText();
        return long(edit->m_richText.consumed);
    }
    edit->m_pages.reset();
    edit->m_richText = rtf::Document{};
    edit->m_isRichText = false;
    QString text = fromWindows1252(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    edit->setPlainText(text);
    return long(bytes.size());
}

namespace {

// Pixel-sized fonts are sized for the screen; on paper they keep their size in points.
QFont paperFont(QFont font) {
    if (font.pixelSize() > 0) font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    return font;
}

std::unique_ptr<PageLayout> layOutForPrinter(const RichEditWidget& edit, QPrinter& printer,
                                             int width) {
    auto pages = std::make_unique<PageLayout>();
    pages->device = &printer;
    pages->width = width;
    pages->document = std::make_unique<QTextDocument>();
    QTextDocument& document = *pages->document;
    document.setUndoRedoEnabled(false);
    document.documentLayout()->setPaintDevice(&printer);
    document.setDocumentMargin(0);
    RichTextDefaults defaults;
    defaults.font = paperFont(edit.defaults().font);
    defaults.text = QColor(Qt::black);
    defaults.dpiX = printer.logicalDpiX();
    defaults.dpiY = printer.logicalDpiY();
    defaults.layoutScale = printer.logicalDpiY() / 96.0;
    if (edit.m_isRichText) {
        buildTextDocument(edit.m_richText, defaults, &document);
    } else {
        document.setDefaultFont(defaults.font);
        document.setPlainText(edit.document()->toPlainText());
    }
    document.setTextWidth(width);
    document.documentLayout()->documentSize(); // lays the whole text out
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout) continue;
        const QPointF origin = layout->position();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            pages->lines.push_back({block.position() + line.textStart(), origin.y() + line.y(),
                                    origin.y() + line.y() + line.height(), block, i});
        }
    }
    pages->length = std::max(0, document.characterCount() - 1);
    return pages;
}

} // namespace

LONG RichEditCtrl::FormatRange(FORMATRANGE* range, BOOL render) {
    RichEditWidget* edit = editOf(this);
    if (!edit) return -1;
    if (!range) {
        edit->m_pages.reset();
        return 0;
    }
    auto* target = dynamic_cast<PrinterDC*>(range->hdcTarget ? range->hdcTarget : range->hdc);
    auto* output = dynamic_cast<PrinterDC*>(range->hdc);
    QPrinter* printer = target ? target->printer() : nullptr;
    if (!printer || (render && (!output || !output->painter()))) return -1;
    if (render && takePrinterFailure(PrinterCall::FormatRange)) return -1;
    // A device that reports no resolution has the page the caller measured in twips.
    int dpiX = printer->logicalDpiX();
    int dpiY = printer->logicalDpiY();
    if (dpiX <= 0 && range->rcPage.right > 0)
        dpiX = int(std::int64_t(printer->width()) * 1440 / range->rcPage.right);
    if (dpiY <= 0 && range->rcPage.bottom > 0)
        dpiY = int(std::int64_t(printer->height()) * 1440 / range->rcPage.bottom);
    if (dpiX <= 0 || dpiY <= 0) return -1;
    // Twips to device pixels.
    const auto toX = [&](int twips) { return int(std::int64_t(twips) * dpiX / 1440); };
    const auto toY = [&](int twips) { return int(std::int64_t(twips) * dpiY / 1440); };
    const int left = toX(range->rc.left);
    const int top = toY(range->rc.top);
    const int width = toX(range->rc.right) - left;
    const int height = toY(range->rc.bottom) - top;
    if (width <= 0 || height <= 0) return -1;
    if (!edit->m_pages || edit->m_pages->device != printer || edit->m_pages->width != width)
        edit->m_pages = layOutForPrinter(*edit, *printer, width);
    const PageLayout& pages = *edit->m_pages;

    const int end =
        range->chrg.cpMax < 0 ? pages.length : std::min<int>(range->chrg.cpMax, pages.length);
    const int start = std::clamp<int>(range->chrg.cpMin, 0, end);
    if (start >= end) return end;
    // The line holding the range's first character opens the page.
    auto first = std::upper_bound(
        pages.lines.begin(), pages.lines.end(), start,
        [](int position, const PageLayout::Line& line) { return position < line.position; });
    if (first == pages.lines.begin()) return end;
    --first;
    const qreal pageTop = first->top;
    auto last = first + 1;
    while (last != pages.lines.end() && last->position < end && last->bottom - pageTop <= height)
        ++last;
    const int next = last == pages.lines.end() ? end : std::min(last->position, end);

    if (render) {
        QPainter& painter = *output->painter();
        painter.save();
        painter.setPen(Qt::black);
        painter.setRenderHint(QPainter::TextAntialiasing);
        for (auto line = first; line != last; ++line) {
            const QPointF origin = line->block.layout()->position();
            line->block.layout()
                ->lineAt(line->index)
                .draw(&painter, QPointF(left + origin.x(), top + origin.y() - pageTop));
        }
        painter.restore();
    }
    return next;
}

int RichEditCtrl::GetTextLength() const {
    RichEditWidget* edit = editOf(this);
    return edit ? std::max(0, edit->document()->characterCount() - 1) : 0;
}

std::string RichEditCtrl::GetText() const {
    RichEditWidget* edit = editOf(this);
    if (!edit) return {};
    QString text = edit->document()->toPlainText();
    text.replace(QChar(u'\n'), QStringLiteral("\r\n"));
    return toWindows1252(text);
}

void RichEditCtrl::SetSel(int start, int end) {
    RichEditWidget* edit = editOf(this);
    if (!edit) return;
    const int length = GetTextLength();
    const int last = end < 0 ? length : std::clamp(end, 0, length);
    const int first = std::clamp(start, 0, last);
    QTextCursor cursor(edit->document());
    cursor.setPosition(first);
    cursor.setPosition(last, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

std::string RichEditCtrl::GetSelText() const {
    RichEditWidget* edit = editOf(this);
    if (!edit) return {};
    QString text = edit->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return toWindows1252(text);
}

void RichEditCtrl::SetFont(Font* font, BOOL redraw) {
    RichEditWidget* edit = editOf(this);
    if (!edit) return;
    edit->m_pages.reset();
    edit->m_font = font && font->hasHandle() ? font : nullptr;
    if (edit->m_isRichText)
        edit->showRichText();
    else
        edit->document()->setDefaultFont(edit->defaults().font);
    if (redraw) edit->viewport()->update();
}

Font* RichEditCtrl::GetFont() const {
    RichEditWidget* edit = editOf(this);
    return edit ? edit->m_font : nullptr;
}

const rtf::Document& RichEditCtrl::richText() const {
    static const rtf::Document empty;
    RichEditWidget* edit = editOf(this);
    return edit ? edit->m_richText : empty;
}

QTextDocument* RichEditCtrl::textDocument() const {
    RichEditWidget* edit = editOf(this);
    return edit ? edit->document() : nullptr;
}

LRESULT RichEditCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case EM_STREAMIN:
        if (!lParam) return 0;
        return StreamIn(int(wParam), *reinterpret_cast<EDITSTREAM*>(lParam));
    case WM_GETTEXTLENGTH:
        return GetTextLength();
    case WM_SETFONT:
        SetFont(reinterpret_cast<Font*>(wParam), LOWORD(std::uintptr_t(lParam)) != 0);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(GetFont());
    case EM_SETSEL:
        SetSel(int(wParam), int(lParam));
        return 0;
    case EM_FORMATRANGE:
        return FormatRange(reinterpret_cast<FORMATRANGE*>(lParam), BOOL(wParam));
    default:
        return Window::WindowProc(message, wParam, lParam);
    }
}

} // namespace platform
