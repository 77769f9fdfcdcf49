// Fuzz target for the table layer: arbitrary DBF, MDX and DBT bytes are opened with the table
// open sequence, every tag is walked and sought, and every record, field and memo is read.
//
// Input: bytes 0-3 the DBF length, 4-7 the MDX length (both little-endian, cut to what is there),
// then the DBF, the MDX and the rest as the DBT.
#include "platform/core/message_box.h"
#include "tables/error4.h"
#include "tables/mdx_index.h"
#include "tables/table_layer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

// Thrown by the exit handler instead of ending the process.
struct LayerExit {};

void throwOnExit(const char*) {
    throw LayerExit{};
}

// The folder the three files are written to, removed when the process ends.
class Folder {
public:
    Folder() {
        char pattern[] = "/tmp/fuzz_tables-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        m_path = pattern;
    }
    ~Folder() {
        for (const char* ext : {".DBF", ".MDX", ".DBT"})
            std::remove((m_path + "/T" + ext).c_str());
        ::rmdir(m_path.c_str());
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

const std::string& folder() {
    static const Folder folder;
    return folder.path();
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

std::uint32_t u32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void readRecord(Data4* data) {
    const int fields = d4numFields(data);
    for (int j = 1; j <= fields; ++j) {
        Field4* field = d4fieldJ(data, j);
        Str4large copy(*field);
        copy.trim();
        (void)int(*field);
        (void)f4decimals(field);
        if (f4type(field) != 'L') (void)f4long(field);
        const char* text = f4memoStr(field);
        const unsigned length = f4memoLen(field);
        if (text && length) {
            volatile char last = text[length - 1];
            (void)last;
        }
    }
}

void exercise(Code4& code, const std::string& path) {
    OpenTable table;
    if (openTableSequence(code, path, {}, {}, table) != 0) return;
    Data4* data = table.data;
    // A reported error blocks every later call; the harness clears it so that one damaged record
    // or tag does not hide the rest of the input.
    const long count = d4recCount(data);
    for (long n = 1; n <= count + 1 && n <= 200; ++n) {
        code.lastError = 0;
        d4go(data, n);
        readRecord(data);
    }
    for (int t = 1; t <= d4numTags(data); ++t) {
        Tag4* tag = d4tagJ(data, t);
        code.lastError = 0;
        int steps = 0;
        for (int rc = tag4top(*tag); rc == 0 && steps < 5000; rc = tag4skip(*tag), ++steps) {
            (void)tag4recNo(*tag);
            (void)tag4keyText(*tag, tag4key(*tag));
        }
        d4tagSelect(data, tag);
        for (const char* text : {"", "A", "1", "20000101", "-5.5"}) {
            code.lastError = 0;
            int rc = d4seek(data, text);
            for (int n = 0; rc == 0 && n < 300; ++n) {
                readRecord(data);
                rc = d4seekNext(data, text);
            }
        }
        d4tagSelect(data, nullptr);
    }
    code.lastError = 0;
    d4tag(data, "NO TAG");
    d4field(data, "NO FIELD");
    d4changed(data, 0);
    d4close(data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    static const bool once = [] {
        platform::setMessageBoxSink([](const platform::MessageBoxCall&) { return IDOK; });
        error4setExitHandler(&throwOnExit);
        return true;
    }();
    (void)once;
    if (size < 8) return 0;
    std::size_t dbf = u32(input), mdx = u32(input + 4);
    const std::uint8_t* p = input + 8;
    std::size_t left = size - 8;
    if (dbf > left) dbf = left;
    left -= dbf;
    if (mdx > left) mdx = left;
    left -= mdx;
    const std::string base = folder() + "/T";
    writeFile(base + ".DBF", p, dbf);
    writeFile(base + ".MDX", p + dbf, mdx);
    writeFile(base + ".DBT", p + dbf + mdx, left);

    Code4 code;
    code4init(&code);
    try {
        exercise(code, base);
        code4initUndo(&code);
    } catch (const LayerExit&) {
        // The layer released the context before it asked to end the process.
    }
    return 0;
}
