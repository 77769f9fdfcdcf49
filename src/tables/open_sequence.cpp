// The one way every table reader opens its table: data file first without its index, then the
// production index of the same base name, then the fields and tags it reads.
#include "tables/table_layer.h"

#include "tables/data4.h"

#include <string>

int openTableSequence(Code4& code, std::string_view path,
                      std::initializer_list<const char*> fieldNames,
                      std::initializer_list<const char*> tagNames, OpenTable& out) {
    out = OpenTable{};
    const std::string name(path);
    const int autoOpen = code.autoOpen;
    const int createSafety = code.createSafety;
    code.autoOpen = 0;
    Data4* data = d4open(&code, name.c_str());
    int rc = code.lastError;
    if (code.reportOpenFailure && rc >= 0) rc = 0;
    code.createSafety = 0;
    if (rc == 0 && data) {
        // The index of the same base name, also when the path was given with the data file's
        // extension.
        std::string indexName = name;
        u4nameExt(indexName, "MDX", true);
        i4open(data, indexName.c_str());
    }
    code.createSafety = createSafety;
    code.autoOpen = autoOpen;
    if (code.lastError != 0 || !data) {
        if (data) d4close(data);
        return code.lastError != 0 ? code.lastError : -1;
    }
    out.data = data;
    for (const char* field : fieldNames)
        out.fields.push_back(d4field(data, field));
    for (const char* tag : tagNames)
        out.tags.push_back(d4tag(data, tag));
    return 0;
}
