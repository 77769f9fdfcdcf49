// DOS-style file names (backslashes, upper case, as the data on a CD-ROM names its files) on a
// case-sensitive file system.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The process's working directory in native form ("/home/user"), or "/" if it cannot be read.
std::string currentDirectory();

// Completes a name to a full path: '\' and '/' both separate; a leading drive ("C:") is dropped,
// since this file system has none; a name that starts with a separator is absolute, any other is
// taken relative to workingDir; "." and ".." parts are resolved (".." never climbs above the root).
// The result uses '/' and keeps the name's case.
std::string completePath(std::string_view name, std::string_view workingDir);

// Resolves a name (either separator, any case) to an existing path of this file system. Each
// component is matched against its directory's entries, an exact match first, else the first
// entry that equals it without regard to ASCII case. When a component matches nothing, it and
// everything after it are kept as given, so the result names the file that would be meant.
std::string resolveDosPath(std::string_view name);

// ASCII upper case of a name.
std::string toUpperAscii(std::string_view text);

} // namespace platform
