// The message-box sink, the recording sink of tests, and the fatal exit.
#include "platform/core/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace platform {
namespace {

MessageBoxSink& currentSink() {
    static MessageBoxSink sink;
    return sink;
}

// Windows-1252 code points for 0x80..0x9F; 0 marks the five bytes the code page leaves undefined,
// which are passed through as the C1 control of the same number.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string windows1252ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        char32_t code = c;
        if (c >= 0x80 && c < 0xA0 && kHighControls[c - 0x80] != 0) code = kHighControls[c - 0x80];
        appendUtf8(out, code);
    }
    return out;
}

MessageBoxSink setMessageBoxSink(MessageBoxSink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

int printMessageBoxToStderr(const MessageBoxCall& call) {
    std::string text = windows1252ToUtf8(call.text);
    // Boxes use CR LF line ends; a terminal wants LF only.
    std::string clean;
    for (char c : text)
        if (c != '\r') clean += c;
    std::fprintf(stderr, "%s:\n%s\n", windows1252ToUtf8(call.caption).c_str(), clean.c_str());
    std::fflush(stderr);
    return IDOK;
}

RecordedMessageBoxes::RecordedMessageBoxes(int answer) : m_answer(answer) {
    m_previous = setMessageBoxSink([this](const MessageBoxCall& call) {
        m_calls.push_back(call);
        if (m_hook) m_hook(call);
        return m_answer;
    });
}

RecordedMessageBoxes::~RecordedMessageBoxes() { setMessageBoxSink(std::move(m_previous)); }

std::vector<std::string> RecordedMessageBoxes::texts() const {
    std::vector<std::string> out;
    for (const auto& call : m_calls) out.push_back(call.text);
    return out;
}

} // namespace platform

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    platform::MessageBoxCall call{owner, text ? text : "", caption ? caption : "Error", type};
    const auto& sink = platform::currentSink();
    return sink ? sink(call) : platform::printMessageBoxToStderr(call);
}

void FatalAppExitA(UINT /*action*/, const char* text) {
    MessageBoxA(nullptr, text, "Fatal Application Exit", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    std::fflush(nullptr);
    std::_Exit(3);
}
