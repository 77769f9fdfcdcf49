// The rich-edit control on the toolkit's text view, filled from the Rich Text Format reader.
#include "platform/qt/rich_edit.h"

#include "platform/qt/dc.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <vector>

#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "platform/qt/rich_text_document.h"

namespace platform {
namespace {

bool g_failNextCreate = false;

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
        edit->m_richText = rtf::parse(bytes);
        edit->m_isRichText = true;
        edit->showRichText();
        return long(edit->m_richText.consumed);
    }
    edit->m_richText = rtf::Document{};
    edit->m_isRichText = false;
    QString text = fromWindows1252(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    edit->setPlainText(text);
    return long(bytes.size());
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
    default:
        return Window::WindowProc(message, wParam, lParam);
    }
}

} // namespace platform
