// Rich-edit controls of the Qt layer: stream-in through the program's callback in buffer-sized
// pieces with the count of characters read, the formats shown, text length and selection, the
// font, the parent's colours, and copying selected text.
#include "platform/qt/rich_edit.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cstring>

using namespace platform;
using platform::test::GuiTest;

namespace {

class RichEditTest : public GuiTest {};

// The stream the callback reads from, and the sizes it was asked for.
struct Source {
    std::string bytes;
    std::size_t position = 0;
    std::vector<LONG> asked;
    std::vector<LONG> delivered;
};

// Delivers the next piece and 0, or 1 once everything went out before the call.
DWORD readSource(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* count) {
    auto* s = reinterpret_cast<Source*>(cookie);
    s->asked.push_back(size);
    const std::size_t left = s->bytes.size() - s->position;
    if (left == 0) {
        *count = 0;
        return 1;
    }
    const std::size_t n = std::min(left, std::size_t(size));
    std::memcpy(buffer, s->bytes.data() + s->position, n);
    s->position += n;
    *count = LONG(n);
    s->delivered.push_back(*count);
    return 0;
}

struct Fixture {
    RecordingWindow parent;
    RichEditCtrl edit;
    Fixture() {
        parent.createTopLevel({50, 50, 550, 450});
        edit.Create(WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                        ES_NOHIDESEL,
                    Rect{10, 10, 410, 310}, &parent, 1015);
    }
    long stream(const std::string& bytes, int format = SF_RTF, Source* out = nullptr) {
        Source local;
        Source& s = out ? *out : local;
        s.bytes = bytes;
        EDITSTREAM es;
        es.dwCookie = reinterpret_cast<DWORD_PTR>(&s);
        es.pfnCallback = readSource;
        const long n = edit.StreamIn(format, es);
        lastError = es.dwError;
        return n;
    }
    QTextEdit* view() { return qobject_cast<QTextEdit*>(edit.clientWidget()); }
    DWORD lastError = 0;
};

} // namespace

// A document longer than one buffer arrives in several pieces, in order, until the callback
// returns nonzero; the count is the bytes up to the brace that closes the document, so text after
// an early closing brace is not counted (and not shown).
TEST_F(RichEditTest, StreamInReadsPiecesUntilTheCallbackStops) {
    Fixture f;
    std::string body;
    for (int i = 0; i < 900; ++i)
        body += "word" + std::to_string(i) + " ";
    const std::string document = "{\\rtf1\\ansi " + body + "\\par }";
    Source s;
    EXPECT_EQ(f.stream(document, SF_RTF, &s), long(document.size()));
    EXPECT_EQ(f.lastError, 1u);
    ASSERT_GE(s.delivered.size(), 2u);
    EXPECT_TRUE(std::all_of(s.asked.begin(), s.asked.end(),
                            [](LONG n) { return n == RichEditCtrl::kStreamBufferSize; }));
    EXPECT_EQ(s.asked.size(), s.delivered.size() + 1) << "one last call that ends the stream";
    EXPECT_EQ(f.edit.GetText(), body) << "no character lost at the pieces' seams";

    const std::string early = "{\\rtf1 shown}not shown}";
    EXPECT_EQ(f.stream(early), 13);
    EXPECT_EQ(f.edit.GetText(), "shown");

    // Plain text counts every byte and is Windows-1252.
    EXPECT_EQ(f.stream("caf\xE9\r\nnext", SF_TEXT), 10);
    EXPECT_EQ(f.edit.GetText(), "caf\xE9\r\nnext");
    EXPECT_TRUE(f.edit.richText().paragraphs.empty());
    EXPECT_EQ(f.edit.richText().consumed, 0u);

    // A callback that refuses at once leaves an empty text.
    EDITSTREAM refused;
    refused.pfnCallback = [](DWORD_PTR, BYTE*, LONG, LONG*) -> DWORD { return 7; };
    EXPECT_EQ(f.edit.StreamIn(SF_RTF, refused), 0);
    EXPECT_EQ(refused.dwError, 7u);
    EXPECT_EQ(f.edit.GetTextLength(), 0);
}

// Positions count each character once and each paragraph break once; selections are in them, and
// the selected text can be copied with Ctrl+C from the read-only view.
TEST_F(RichEditTest, LengthSelectionAndCopy) {
    Fixture f;
    f.stream("{\\rtf1 ab\\par cd\\line e\\par }");
    EXPECT_EQ(f.edit.GetTextLength(), 7);
    EXPECT_EQ(f.edit.SendMessage(WM_GETTEXTLENGTH), 7);
    f.edit.SetSel(1, 4);
    EXPECT_EQ(f.edit.GetSelText(), "b\r\nc");
    f.edit.SetSel(3, -1);
    EXPECT_EQ(f.edit.GetSelText(), "cd\r\ne");

    QApplication::clipboard()->clear();
    f.view()->setFocus();
    QTest::keyClick(f.view(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "cd\ne");
    EXPECT_TRUE(f.view()->isReadOnly());
}

// The document's fonts, sizes, styles and colours become the view's; text in no font of the
// table takes the control's font (WM_SETFONT); paragraphs keep alignment and indents.
TEST_F(RichEditTest, FormatsAndTheControlsFont) {
    Fixture f;
    Font font;
    ASSERT_TRUE(font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                "Courier New"));
    f.edit.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(&font), TRUE);
    EXPECT_EQ(f.edit.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(&font));
    f.stream("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
             "{\\colortbl;\\red200\\green0\\blue0;}"
             "\\pard\\qc\\li720\\f0\\fs20 {\\b bold} {\\i\\cf1 red}\\par"
             "\\pard\\f9 other\\par }");
    QTextDocument* doc = f.edit.textDocument();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->blockCount(), 2);
    const QTextBlock first = doc->firstBlock();
    EXPECT_EQ(first.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_NEAR(first.blockFormat().leftMargin(), 720.0 * f.view()->logicalDpiX() / 1440.0, 0.01);
    std::vector<QTextCharFormat> formats;
    for (auto it = first.begin(); !it.atEnd(); ++it)
        formats.push_back(it.fragment().charFormat());
    ASSERT_GE(formats.size(), 3u);
    EXPECT_EQ(formats[0].fontWeight(), QFont::Bold);
    EXPECT_EQ(formats[0].fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(formats[0].fontPointSize(), 10.0);
    EXPECT_TRUE(formats[2].fontItalic());
    EXPECT_EQ(formats[2].foreground().color(), QColor(200, 0, 0));
    EXPECT_FALSE(formats[0].hasProperty(QTextFormat::ForegroundBrush))
        << "the automatic colour is the view's text colour";
    const QTextBlock second = first.next();
    EXPECT_EQ(second.begin().fragment().charFormat().fontFamilies().toStringList().value(0),
              QStringLiteral("Courier New"));
}

// A hanging bullet: the text after the tab starts at the paragraph's indent, where the lines
// below it and an indented paragraph start.
TEST_F(RichEditTest, AHangingBulletsTextLinesUpWithTheIndent) {
    Fixture f;
    f.stream("{\\rtf1\\ansi\\pard\\li720\\fi-360 \\bullet\\tab Item\\par"
             "\\pard\\li720 Plain\\par}");
    QTextDocument* doc = f.edit.textDocument();
    ASSERT_NE(doc, nullptr);
    doc->size(); // lays the text out
    const auto xOf = [](const QTextBlock& block, QChar c) {
        const int at = block.text().indexOf(c);
        return block.layout()->position().x() + block.layout()->lineAt(0).cursorToX(at);
    };
    const QTextBlock item = doc->firstBlock();
    EXPECT_NEAR(xOf(item, QLatin1Char('I')), xOf(item.next(), QLatin1Char('P')), 0.5);
    EXPECT_NEAR(xOf(item.next(), QLatin1Char('P')) - xOf(item, QChar(0x2022)),
                360.0 * f.view()->logicalDpiX() / 1440.0, 0.5);
}

// Before painting the control asks its parent for its colours: the brush answered fills the
// background, the text colour set on the DC colours text in the automatic colour.
TEST_F(RichEditTest, TheParentChoosesTheColours) {
    Brush brush(RGB(10, 200, 30));
    int asked = 0;
    class Parent : public RecordingWindow {
    public:
        Brush* brush = nullptr;
        int* asked = nullptr;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_CTLCOLOREDIT) {
                ++*asked;
                reinterpret_cast<DC*>(wParam)->SetTextColor(RGB(0, 0, 255));
                return reinterpret_cast<LRESULT>(brush);
            }
            return RecordingWindow::WindowProc(message, wParam, lParam);
        }
    } parent;
    parent.brush = &brush;
    parent.asked = &asked;
    parent.createTopLevel({50, 50, 550, 450});
    RichEditCtrl edit;
    ASSERT_TRUE(
        edit.Create(WS_VISIBLE | ES_MULTILINE | ES_READONLY, Rect{0, 0, 200, 100}, &parent, 1015));
    // The view paints its viewport from the event loop.
    platform::test::processEvents();
    const QImage grab = platform::test::grabClient(edit);
    EXPECT_GT(asked, 0);
    EXPECT_EQ(platform::test::pixelAt(grab, 150, 80), 0x0AC81Eu);
    auto* view = qobject_cast<QTextEdit*>(edit.clientWidget());
    EXPECT_EQ(view->palette().color(QPalette::Text), QColor(0, 0, 255));
}
