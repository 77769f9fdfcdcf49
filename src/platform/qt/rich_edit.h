// The rich-edit control: a multi-line text view that shows formatted text (fonts, sizes, styles,
// colours, paragraph alignment, indents and spacing) streamed in as Rich Text Format or plain
// text through a callback of the program's.
//
// Stream-in (EM_STREAMIN, StreamIn): the control calls the callback with the cookie, a buffer of
// kStreamBufferSize bytes and a place for the count of bytes delivered, again and again, until the
// callback returns nonzero (that value goes into dwError) or delivers nothing. It then replaces its
// whole content with what it read and returns the number of characters it read: for Rich Text
// Format the bytes up to the brace that closes the document (all of them when it never closes),
// for plain text (Windows-1252) all of them. At most kMaxStreamBytes are read.
//
// Text positions count every character once and one for every paragraph break;
// WM_GETTEXTLENGTH answers the number of them. WM_SETFONT sets the font of text whose document
// names none. Before it paints, the control asks its parent for its colours with WM_CTLCOLOREDIT:
// the brush answered fills the background and the DC's text colour, when the parent set one,
// colours text in the automatic colour.
//
// Read-only controls (ES_READONLY) let the user select text with the mouse and the keyboard and
// copy it (Ctrl+C); ES_NOHIDESEL keeps the selection shown without the focus. WS_VSCROLL shows a
// vertical scroll bar when the text does not fit; WS_BORDER or WS_EX_CLIENTEDGE a sunken edge.
#pragma once

#include "platform/core/rtf_reader.h"
#include "platform/qt/gdi.h"
#include "platform/qt/window.h"

#include <string>

class QTextDocument;

using DWORD_PTR = std::uintptr_t;
using EDITSTREAMCALLBACK = DWORD (*)(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* count);

struct EDITSTREAM {
    DWORD_PTR dwCookie = 0;
    DWORD dwError = 0;
    EDITSTREAMCALLBACK pfnCallback = nullptr;
};

namespace platform {
class DC;
}

// A range of text positions; cpMax -1 is the end of the text.
struct CHARRANGE {
    LONG cpMin = 0;
    LONG cpMax = -1;
};

// What EM_FORMATRANGE lays out: the text from chrg.cpMin, into rc (twips, on a page of rcPage
// twips) of the context hdc, measured for hdcTarget.
struct FORMATRANGE {
    platform::DC* hdc = nullptr;
    platform::DC* hdcTarget = nullptr;
    Rect rc;
    Rect rcPage;
    CHARRANGE chrg;
};

namespace platform {

class RichEditCtrl : public Window {
public:
    static constexpr LONG kStreamBufferSize = 4096;
    static constexpr std::size_t kMaxStreamBytes = 64u << 20;

    // WS_CHILD is implied; ES_MULTILINE, ES_READONLY, ES_NOHIDESEL, WS_VSCROLL, WS_BORDER.
    BOOL Create(DWORD style, const Rect& rect, Window* parent, UINT id);

    // format: SF_RTF or SF_TEXT (SFF_SELECTION is ignored: the whole content is replaced).
    long StreamIn(int format, EDITSTREAM& stream);
    // The number of text positions (see the file comment).
    int GetTextLength() const;
    // The text as plain Windows-1252 text, paragraphs separated by CR LF.
    std::string GetText() const;
    // Selects positions [start, end) (end -1: to the end); the selected text.
    void SetSel(int start, int end);
    std::string GetSelText() const;
    // The font is not owned: it must live as long as the control uses it.
    void SetFont(Font* font, BOOL redraw = TRUE);
    Font* GetFont() const;

    // The last Rich Text Format document streamed in (empty after plain text), for laying the
    // text out again on another device.
    const rtf::Document& richText() const;
    // The toolkit document shown (layer use).
    QTextDocument* textDocument() const;

    // Lays the text out for a printer context at its resolution, as wide as range->rc, and
    // with render draws on the open page the lines from range->chrg.cpMin down to the last that
    // ends inside rc. Returns the position of the first character that did not fit (the end of
    // the range when all did), or -1 when the context is no printer (or, with render, has no open
    // document). A line taller than rc is placed alone on its page, so every call with text left
    // moves on. The layout is kept for the next call with the same context and width; a null
    // range forgets it. Fonts, sizes and paragraph formats are the control's; text in the
    // automatic colour prints black.
    LONG FormatRange(FORMATRANGE* range, BOOL render = TRUE);

    // EM_STREAMIN, WM_GETTEXTLENGTH, WM_SETFONT, WM_GETFONT, EM_SETSEL, EM_FORMATRANGE (wParam:
    // render; lParam: the range or 0).
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Makes the next RichEditCtrl::Create fail (tests).
void failNextRichEditCreate();

} // namespace platform
