// The narrative stream's callback: pieces of the buffer's size in order, the end, a foreign
// cookie, and the fixed header and trailer.
#include "visitor/narrative_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/message_box.h"

namespace {

struct Call {
    DWORD result;
    LONG count;
    std::string bytes;
};

Call callOnce(LONG size, DWORD_PTR cookie = narrative::kStreamCookie) {
    std::string buffer(std::size_t(std::max<LONG>(size, 0)), '\0');
    LONG count = -1;
    const DWORD result =
        narrative::StreamCallback(cookie, reinterpret_cast<BYTE*>(buffer.data()), size, &count);
    return {result, count, buffer.substr(0, std::size_t(std::max<LONG>(count, 0)))};
}

} // namespace

TEST(NarrativeStream, HeaderAndTrailerAreFixed) {
    EXPECT_EQ(narrative::kHeader, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
                                  "{\\colortbl\\red0\\green0\\blue0;}\r\n"
                                  "\\deflang1033\\pard\\plain\\f0\\fs20 ");
    EXPECT_EQ(narrative::kTrailer, "\r\n\\par }");
    narrative::beginDocument("a\\par b");
    EXPECT_EQ(narrative::stream().document, narrative::kHeader + "a\\par b" + narrative::kTrailer);
    EXPECT_EQ(narrative::stream().position, 0u);
}

// The document goes out in pieces of at most the buffer's size, each with 0, until a call that
// finds nothing left returns 1 with no bytes. A new document starts from its beginning.
TEST(NarrativeStream, PiecesInOrderThenTheEnd) {
    narrative::Stream& s = narrative::stream();
    s.document = "0123456789";
    s.position = 0;
    struct Expected {
        LONG size;
        DWORD result;
        LONG count;
        const char* bytes;
    };
    for (const Expected& e : std::vector<Expected>{
             {4, 0, 4, "0123"}, {4, 0, 4, "4567"}, {4, 0, 2, "89"}, {4, 1, 0, ""}, {4, 1, 0, ""}}) {
        const Call c = callOnce(e.size);
        EXPECT_EQ(c.result, e.result) << e.bytes;
        EXPECT_EQ(c.count, e.count) << e.bytes;
        EXPECT_EQ(c.bytes, e.bytes);
    }
    // A buffer of no size takes nothing and the stream goes on.
    s.position = 0;
    const Call empty = callOnce(0);
    EXPECT_EQ(empty.result, 0u);
    EXPECT_EQ(empty.count, 0);
    EXPECT_EQ(s.position, 0u);
}

// Another cookie gets the message in a box without owner, with the product caption, and stops
// the stream without delivering anything.
TEST(NarrativeStream, AForeignCookieIsRefused) {
    platform::RecordedMessageBoxes boxes;
    narrative::Stream& s = narrative::stream();
    s.document = "text";
    s.position = 0;
    s.caption = "Skyvistas";
    const Call c = callOnce(16, 0x87654321);
    EXPECT_EQ(c.result, 1u);
    EXPECT_EQ(s.position, 0u);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text,
              "Rich Edit callback:\nWindows is stealing cookies; no text now");
    EXPECT_EQ(boxes.calls()[0].caption, "Skyvistas");
    EXPECT_EQ(boxes.calls()[0].owner, nullptr);
    EXPECT_EQ(boxes.calls()[0].type, UINT(MB_ICONEXCLAMATION));
}
