// The narrative text stream and its callback.
#include "visitor/narrative_text.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/core/palette_message_box.h"

namespace narrative {

const std::string kHeader = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
                            "{\\colortbl\\red0\\green0\\blue0;}\r\n"
                            "\\deflang1033\\pard\\plain\\f0\\fs20 ";
const std::string kTrailer = "\r\n\\par }";

Stream& stream() {
    static Stream s;
    return s;
}

void beginDocument(const std::string& body) {
    Stream& s = stream();
    s.document.clear();
    s.document.reserve(kHeader.size() + body.size() + kTrailer.size());
    s.document.append(kHeader).append(body).append(kTrailer);
    s.position = 0;
}

DWORD StreamCallback(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* count) {
    Stream& s = stream();
    if (cookie != kStreamCookie) {
        MessageBoxWithPalette(nullptr, s.palette,
                              "Rich Edit callback:\nWindows is stealing cookies; no text now",
                              s.caption.c_str(), MB_ICONEXCLAMATION);
        return 1;
    }
    try {
        const std::size_t length = s.document.size();
        const std::size_t left = s.position < length ? length - s.position : 0;
        const DWORD result = left == 0 ? 1 : 0;
        const std::size_t n = std::min(left, std::size_t(std::max<LONG>(size, 0)));
        if (n > 0 && buffer) {
            std::memcpy(buffer, s.document.data() + s.position, n);
            s.position += n;
        }
        if (count) *count = LONG(buffer ? n : 0);
        return result;
    } catch (const std::exception&) {
        if (count) *count = 0;
        return 1;
    }
}

} // namespace narrative
