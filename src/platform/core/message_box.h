// Every message box of the program goes through one replaceable sink: the GUI shows a real box,
// command-line tools print it to standard error, tests record it and answer at once.
#pragma once

#include "platform/core/win_types.h"

#include <functional>
#include <string>
#include <vector>

namespace platform {

// One box as asked for. Texts are Windows-1252 bytes, as the data and the program's messages are.
struct MessageBoxCall {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
};

// Shows the box and returns the button pressed, or 0 when no box could be shown.
using MessageBoxSink = std::function<int(const MessageBoxCall&)>;

// Installs a sink and returns the previous one. An empty sink restores the default, which prints
// the box to standard error and answers IDOK.
MessageBoxSink setMessageBoxSink(MessageBoxSink sink);

// The sink that prints "caption: text" to standard error (text converted to UTF-8).
int printMessageBoxToStderr(const MessageBoxCall& call);

// Records every box and answers with a chosen result; installs itself for its lifetime and puts
// the previous sink back when destroyed.
class RecordedMessageBoxes {
public:
    explicit RecordedMessageBoxes(int answer = IDOK);
    ~RecordedMessageBoxes();
    RecordedMessageBoxes(const RecordedMessageBoxes&) = delete;
    RecordedMessageBoxes& operator=(const RecordedMessageBoxes&) = delete;

    const std::vector<MessageBoxCall>& calls() const { return m_calls; }
    std::vector<std::string> texts() const;
    void clear() { m_calls.clear(); }
    void setAnswer(int answer) { m_answer = answer; }
    // Called for each box before it is answered; lets a test act while the box is "up".
    void setHook(std::function<void(const MessageBoxCall&)> hook) { m_hook = std::move(hook); }

private:
    std::vector<MessageBoxCall> m_calls;
    int m_answer;
    std::function<void(const MessageBoxCall&)> m_hook;
    MessageBoxSink m_previous;
};

// Converts Windows-1252 bytes to UTF-8 (for terminals and Qt strings).
std::string windows1252ToUtf8(const std::string& text);

} // namespace platform

// Shows a message box through the sink; owner may be null.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// Shows the text through the sink and ends the process at once with a non-zero status.
[[noreturn]] void FatalAppExitA(UINT action, const char* text);
