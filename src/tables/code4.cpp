// The context: settings and their defaults, release of every open table, file names and the
// opening and reading of files in the layer's terms.
#include "tables/data4.h"

#include "platform/core/dos_path.h"
#include "tables/error4.h"
#include "tables/mdx_index.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr std::size_t kMaxPath = 257;
}

Code4::Code4() = default;
Code4::~Code4() = default;

Data4::Data4() = default;
Data4::~Data4() = default;

int code4init(Code4* code) {
    if (!code) return error4report(nullptr, e4parmNull, l4code4init);
    code->lastError = 0;
    code->lastErrorLocation = 0;
    code->autoOpen = 1;
    code->reportOpenFailure = 1;
    code->reportMissingField = 1;
    code->reportMissingTag = 1;
    code->reportBadRecord = 1;
    code->createSafety = 1;
    code->singleInstance = 1;
    code->readOnlyOpen = 0;
    code->silentErrors = 0;
    code->strictRecordCount = 0;
    code->dateFormat = "MM/DD/YY";
    code->initialised = true;
    return 0;
}

int code4initUndo(Code4* code) {
    if (!code) return error4report(nullptr, e4parmNull, l4code4initUndo);
    if (!code->initialised) return 0;
    while (!code->tables.empty()) {
        const std::size_t before = code->tables.size();
        d4close(code->tables.back().get());
        if (code->tables.size() == before) code->tables.pop_back();
    }
    code->initialised = false;
    return code->lastError;
}

int code4dateFormatSet(Code4* code, const char* format) {
    if (!code || !format) return error4report(nullptr, e4parmNull, l4code4dateFormatSet);
    if (std::strlen(format) >= 20) return error4report(code, e4parm, l4code4dateFormatSet);
    code->dateFormat = format;
    return 0;
}

int u4nameCurrent(Code4* code, const char* name, std::string& out) {
    std::string full = platform::completePath(name, platform::currentDirectory());
    if (full.size() > kMaxPath) return error4report(code, e4parm, l4u4nameCurrent);
    while (!full.empty() && full.back() == ' ')
        full.pop_back();
    out = platform::toUpperAscii(full);
    return 0;
}

void u4nameExt(std::string& name, const char* extension, bool replace) {
    const std::size_t separator = name.find_last_of("/\\");
    const std::size_t dot = name.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (separator == std::string::npos || dot > separator);
    if (hasExtension && replace) name.erase(dot);
    if (!hasExtension || replace) {
        name += '.';
        name += extension;
    }
    name = platform::toUpperAscii(name);
}

int file4open(Code4* code, platform::File& file, const std::string& name) {
    if (code->lastError < 0) return e4errorState;
    const int rc = file.open(name, code->readOnlyOpen != 0);
    if (rc == 0) return 0;
    if (code->reportOpenFailure) return error4report(code, rc, l4file4open, name.c_str());
    code->lastError = r4noOpen;
    return r4noOpen;
}

int file4read(Code4* code, const platform::File& file, const std::string& name, std::int64_t offset,
              void* buffer, std::size_t count, const char* operation) {
    if (file.readAt(offset, buffer, count) == std::int64_t(count)) return 0;
    char where[64];
    std::snprintf(where, sizeof(where), "offset %lld, length %zu", static_cast<long long>(offset),
                  count);
    return error4report(code, e4read, l4file4readError, name.c_str(), where, operation);
}
