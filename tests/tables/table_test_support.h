// Shared pieces of the table-layer tests: a temporary folder with a context and recorded boxes,
// and a short form of each recorded box ("code location").
#pragma once

#include "platform/core/dos_path.h"
#include "platform/core/message_box.h"
#include "tests/support/temp_dir.h"
#include "table_builder.h"
#include "tables/table_layer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace table_test {

// "code location" of every box, read from its first two lines.
inline std::vector<std::string> summary(const platform::RecordedMessageBoxes& boxes) {
    std::vector<std::string> out;
    for (const std::string& text : boxes.texts()) {
        int code = 0;
        long location = 0;
        if (std::sscanf(text.c_str(), "Error #: %d Error #: %ld", &code, &location) == 2)
            out.push_back(std::to_string(code) + " " + std::to_string(location));
        else
            out.push_back("?" + text);
    }
    return out;
}

// The description lines of a box (after the message and location lines).
inline std::vector<std::string> descriptions(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return lines.size() > 4 ? std::vector<std::string>(lines.begin() + 4, lines.end())
                            : std::vector<std::string>{};
}

struct Fixture {
    testing_support::TempDir dir;
    platform::RecordedMessageBoxes boxes;
    Code4 code;

    Fixture() { code4init(&code); }
    ~Fixture() { code4initUndo(&code); }

    // Path of a table without extension.
    std::string path(const std::string& name) const { return dir.file(name); }
    // The name the layer shows for a file in the folder.
    std::string shown(const std::string& file) const {
        return platform::toUpperAscii(dir.file(file));
    }
    void write(const std::string& file, const std::string& bytes) const { dir.write(file, bytes); }
};

// A small table: NAME C10, NUM N5, DAY D8, FLAG L1, NOTES M10 (the memo field only with memos).
inline table_builder::Dbf people(bool memo = false) {
    table_builder::Dbf dbf;
    dbf.fields = {{"NAME", 'C', 10}, {"NUM", 'N', 5}, {"DAY", 'D', 8}, {"FLAG", 'L', 1}};
    if (memo) {
        dbf.fields.push_back({"NOTES", 'M', 10});
        dbf.version = 0x8B;
    }
    dbf.flags = 0;
    dbf.add({"ALICE", "12", "20000101", "T"});
    dbf.add({"BOB", "75", "19991231", "F"});
    dbf.add({"CAROL", "-40", "", "?"});
    return dbf;
}

} // namespace table_test
