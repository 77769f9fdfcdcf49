// pantool's table command: the fields, tags and record count of a dBASE table, its records, the
// results of a seek and its seek-nexts, or every entry of a tag in key order.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace pantool {

inline constexpr const char* kTableUsage =
    "table PATH [--dump] [--tag NAME (--seek TEXT [--next N] | --walk)]";

// Prints to out (the table layer's boxes and pantool's own complaints go to standard error).
// Returns 0, 1 when the table cannot be opened or read or has no such tag, 2 for bad arguments.
int runTable(const std::vector<std::string>& args, std::FILE* out = stdout);

} // namespace pantool
