// The narrative text of a media record: the fixed Rich Text Format header and trailer a narrative
// body is wrapped in, and the one document being streamed into the visitor center's text control
// with the callback the control reads it through.
#pragma once

#include <cstddef>
#include <string>

#include "platform/core/palette.h"
#include "platform/qt/rich_edit.h"

namespace narrative {

// One font (Arial, of the Swiss family) as font 0, one colour (black), language 1033, and a plain
// paragraph in font 0 at 10 points; the trailer ends the last paragraph and the document.
extern const std::string kHeader;
extern const std::string kTrailer;
// The cookie every stream-in passes; a callback that sees another one refuses to deliver.
constexpr DWORD_PTR kStreamCookie = 0x12345678;

// The process-wide document being streamed: the bytes, how many were handed to the control, and
// what the callback's own message box needs (it has no owner window).
struct Stream {
    std::string document;
    std::size_t position = 0;
    platform::Palette* palette = nullptr;
    std::string caption; // the product caption, "Skyvistas"
};
Stream& stream();

// Starts a new document: header + body + trailer, read from the start.
void beginDocument(const std::string& body);

// The control's stream callback: copies the next part of the document into the buffer (at most
// size bytes), reports the count and returns 0, or returns 1 once everything was delivered before
// the call. A foreign cookie gets a message and 1; so does an exception inside the copy (with a
// count of 0).
DWORD StreamCallback(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* count);

} // namespace narrative
