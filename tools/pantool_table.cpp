// pantool table: lists, dumps, seeks and walks a dBASE table through the table open sequence.
#include "tools/pantool_table.h"

#include "platform/core/message_box.h"
#include "tables/mdx_index.h"
#include "tables/table_layer.h"

#include <cstdlib>

namespace pantool {

namespace {

// Field text for a terminal: Windows-1252 as UTF-8, with tabs, line breaks and NULs escaped.
std::string printable(const char* bytes, std::size_t length) {
    std::string raw;
    for (std::size_t i = 0; i < length; ++i) {
        switch (bytes[i]) {
        case '\t':
            raw += "\\t";
            break;
        case '\r':
            raw += "\\r";
            break;
        case '\n':
            raw += "\\n";
            break;
        case '\0':
            raw += "\\0";
            break;
        default:
            raw += bytes[i];
        }
    }
    return platform::windows1252ToUtf8(raw);
}

std::string recordLine(Data4* data) {
    std::string line;
    const int count = d4numFields(data);
    for (int j = 1; j <= count; ++j) {
        Field4* field = d4fieldJ(data, j);
        if (j > 1) line += '\t';
        if (field->isMemo()) {
            const char* memo = f4memoStr(field);
            if (memo) line += printable(memo, f4memoLen(field));
        } else {
            line += printable(f4ptr(field), f4len(field));
        }
    }
    return line;
}

void printStructure(std::FILE* out, Data4* data) {
    std::fprintf(out, "table\t%s\nrecords\t%ld\n", d4alias(data), d4recCount(data));
    for (int j = 1; j <= d4numFields(data); ++j) {
        Field4* field = d4fieldJ(data, j);
        std::fprintf(out, "field\t%s\t%c\t%u\t%d\n", f4name(field), f4type(field), f4len(field),
                     f4decimals(field));
    }
    for (int j = 1; j <= d4numTags(data); ++j) {
        Tag4* tag = d4tagJ(data, j);
        std::string flags;
        if (t4unique(tag)) flags += "unique";
        if (t4descending(tag)) flags += flags.empty() ? "descending" : " descending";
        std::fprintf(out, "tag\t%s\t%c\t%d\t%s\t%s\n", t4alias(tag), t4type(tag), t4keyLength(tag),
                     t4expr(tag), flags.c_str());
    }
}

bool parseCount(const std::string& text, long& out) {
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && out >= 0;
}

} // namespace

int runTable(const std::vector<std::string>& args, std::FILE* out) {
    std::string path, tagName, seekText;
    bool dump = false, walk = false, seek = false, nextGiven = false;
    long next = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--dump") {
            dump = true;
        } else if (a == "--walk") {
            walk = true;
        } else if (a == "--tag" && hasValue) {
            tagName = args[++i];
        } else if (a == "--seek" && hasValue) {
            seek = true;
            seekText = args[++i];
        } else if (a == "--next" && hasValue) {
            nextGiven = true;
            if (!parseCount(args[++i], next)) {
                std::fprintf(stderr, "pantool: --next needs a count\n");
                return 2;
            }
        } else if (!a.empty() && a[0] != '-' && path.empty()) {
            path = a;
        } else {
            std::fprintf(stderr, "pantool: unexpected argument '%s'\n", a.c_str());
            return 2;
        }
    }
    // A tag goes with exactly one of --seek and --walk, --next only with --seek, --dump alone.
    const bool tagged = !tagName.empty();
    if (path.empty() || (seek && walk) || tagged != (seek || walk) || (dump && tagged) ||
        (nextGiven && !seek)) {
        std::fprintf(stderr, "usage: pantool %s\n", kTableUsage);
        return 2;
    }
    Code4 code;
    code4init(&code);
    OpenTable table;
    if (openTableSequence(code, path, {}, {}, table) != 0) {
        std::fprintf(stderr, "pantool: could not open table %s\n", path.c_str());
        code4initUndo(&code);
        return 1;
    }
    Data4* data = table.data;
    int status = 0;
    if (!tagName.empty()) {
        Tag4* tag = d4tag(data, tagName.c_str());
        if (!tag) {
            status = 1; // the table layer has reported the unknown tag
        } else if (seek) {
            d4tagSelect(data, tag);
            int rc = d4seek(data, seekText.c_str());
            std::fprintf(out, "%d\t%ld\t%s\n", rc, d4recNo(data), recordLine(data).c_str());
            for (long n = 0; n < next && rc == 0; ++n) {
                rc = d4seekNext(data, seekText.c_str());
                std::fprintf(out, "%d\t%ld\t%s\n", rc, d4recNo(data), recordLine(data).c_str());
            }
        } else {
            // An entry for a record the table does not have is listed by its number alone and
            // the walk goes on (reported, it would stop every later read).
            code.reportBadRecord = 0;
            int rc = tag4top(*tag);
            for (; rc == 0; rc = tag4skip(*tag)) {
                const long recNo = long(tag4recNo(*tag));
                std::string line = std::to_string(recNo);
                if (d4go(data, recNo) == 0) {
                    line += '\t' + recordLine(data);
                } else {
                    std::fprintf(stderr, "pantool: tag %s: no record %ld in the table\n",
                                 tagName.c_str(), recNo);
                    status = 1;
                }
                std::fprintf(out, "%s\n", line.c_str());
            }
            if (rc != kTreeEnd) {
                std::fprintf(stderr, "pantool: tag %s: corrupt B-tree\n", tagName.c_str());
                status = 1;
            }
        }
    } else if (dump) {
        const long count = d4recCount(data);
        for (long n = 1; n <= count; ++n) {
            if (d4go(data, n) != 0) {
                status = 1;
                break;
            }
            std::fprintf(out, "%ld\t%s\n", n, recordLine(data).c_str());
        }
    } else {
        printStructure(out, data);
    }
    d4close(data);
    if (code4initUndo(&code) < 0) status = 1;
    return status;
}

} // namespace pantool
