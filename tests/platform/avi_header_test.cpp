// The frame size of an AVI header: the video stream's format, the main header as the fallback,
// and headers that are cut short, malformed or out of range.
#include "platform/core/avi_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using platform::aviFrameSize;
using platform::VideoFrameSize;

namespace {

std::string le32(std::uint32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
    return out;
}

std::string chunk(const std::string& id, const std::string& body) {
    std::string out = id + le32(std::uint32_t(body.size())) + body;
    if (body.size() & 1) out.push_back('\0');
    return out;
}

std::string list(const std::string& type, const std::string& body) {
    return chunk("LIST", type + body);
}

std::string riff(const std::string& body) {
    return chunk("RIFF", "AVI " + body);
}

// The 56-byte main header with the frame size at offsets 32 and 36.
std::string avih(std::uint32_t width, std::uint32_t height, std::size_t size = 56) {
    std::string body(32, '\0');
    body += le32(width) + le32(height);
    body.resize(size, '\0');
    return chunk("avih", body);
}

// A stream list: its header says the kind, its format a BITMAPINFOHEADER's first fields.
std::string strl(const std::string& kind, std::int32_t width, std::int32_t height,
                 std::size_t formatSize = 40) {
    std::string header = kind + std::string(52, '\0');
    std::string format = le32(40) + le32(std::uint32_t(width)) + le32(std::uint32_t(height));
    format.resize(formatSize, '\0');
    return list("strl", chunk("strh", header) + chunk("strf", format));
}

std::string hdrl(const std::string& body) {
    return list("hdrl", body);
}

std::string movi() {
    return list("movi", chunk("00dc", std::string(100, 'x')));
}

} // namespace

TEST(AviHeader, FrameSizes) {
    const std::string good = riff(hdrl(avih(320, 240) + strl("vids", 320, 240)) + movi());
    const struct {
        const char* label;
        std::string bytes;
        bool found;
        int width, height;
    } cases[] = {
        {"stream format", riff(hdrl(avih(100, 50) + strl("vids", 320, 240)) + movi()), true, 320,
         240},
        {"main header when the stream format is 0 x 0",
         riff(hdrl(avih(176, 144) + strl("vids", 0, 0))), true, 176, 144},
        {"main header without a video stream", riff(hdrl(avih(160, 120) + strl("auds", 1, 1))),
         true, 160, 120},
        {"video stream after a sound stream",
         riff(hdrl(avih(0, 0) + strl("auds", 1, 1) + strl("vids", 64, 48))), true, 64, 48},
        {"stream size when the main header is 0 x 0", riff(hdrl(avih(0, 0) + strl("vids", 8, 6))),
         true, 8, 6},
        {"top-down frame", riff(hdrl(avih(0, 0) + strl("vids", 320, -240))), true, 320, 240},
        {"junk before the header list",
         riff(chunk("JUNK", std::string(7, '\0')) + hdrl(avih(2, 2))), true, 2, 2},
        {"largest side", riff(hdrl(avih(32767, 32767))), true, 32767, 32767},
        {"smallest side", riff(hdrl(avih(1, 1))), true, 1, 1},
        {"main header of 40 bytes", riff(hdrl(avih(30, 20, 40))), true, 30, 20},
        {"stream format of 12 bytes", riff(hdrl(strl("vids", 30, 20, 12))), true, 30, 20},
        {"cut short after the header list", good.substr(0, good.size() - 50), true, 320, 240},
        {"empty", std::string(), false, 0, 0},
        {"not RIFF", "RIFX" + good.substr(4), false, 0, 0},
        {"RIFF but not AVI", "RIFF" + le32(4) + "WAVE", false, 0, 0},
        {"no header list", riff(movi()), false, 0, 0},
        {"header list without sizes", riff(hdrl(chunk("JUNK", "ab"))), false, 0, 0},
        {"main header of 39 bytes", riff(hdrl(avih(30, 20, 39))), false, 0, 0},
        {"stream format of 11 bytes", riff(hdrl(strl("vids", 30, 20, 11))), false, 0, 0},
        {"side 32768", riff(hdrl(avih(32768, 240))), false, 0, 0},
        {"height 32768", riff(hdrl(avih(320, 32768))), false, 0, 0},
        {"side 0", riff(hdrl(avih(0, 240))), false, 0, 0},
        {"top-down height at the 32-bit limit", riff(hdrl(strl("vids", 320, INT32_MIN))), false, 0,
         0},
        {"cut short inside the main header", good.substr(0, 12 + 12 + 8 + 30), false, 0, 0},
        {"chunk size past the end", "RIFF" + le32(4) + "AVI " + "LIST" + le32(0xFFFFFFF0u) + "hdrl",
         false, 0, 0},
    };
    for (const auto& c : cases) {
        VideoFrameSize size{-1, -1};
        EXPECT_EQ(aviFrameSize(c.bytes, &size), c.found) << c.label;
        if (c.found) {
            EXPECT_EQ(size.width, c.width) << c.label;
            EXPECT_EQ(size.height, c.height) << c.label;
        } else {
            EXPECT_EQ(size.width, -1) << c.label << ": untouched";
        }
    }
}

TEST(AviHeader, EveryCutOfAHeaderIsSafe) {
    // Each prefix either finds the real size or nothing: never a size read from beyond the cut.
    const std::string bytes = riff(hdrl(avih(0, 0) + strl("vids", 320, 240)) + movi());
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        VideoFrameSize size;
        if (aviFrameSize(std::string_view(bytes).substr(0, n), &size)) {
            EXPECT_EQ(size.width, 320) << n;
            EXPECT_EQ(size.height, 240) << n;
        }
    }
}
