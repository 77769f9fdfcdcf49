// The private-profile (INI) functions: read an integer, write a string, keeping every other
// section, key, comment and line of the file as it was.
#pragma once

#include "platform/core/win_types.h"

#include <string>
#include <string_view>

// The value of key in section as an integer: leading blanks, an optional sign and decimal digits
// up to the first other character ("12ab" is 12, "abc" is 0, a negative value is 0). A missing
// file, section or key, or an empty value, gives defaultValue. Section and key names compare
// without regard to ASCII case.
UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                           const char* fileName);

// Sets key=value in section (appending the section at the end when it is missing). A null value
// removes the key; a null key removes the whole section. The file is rewritten through a temporary
// file and a rename, so it is either the old or the new file, never a torn one. Returns FALSE when
// the file cannot be read (but exists) or written.
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

namespace platform {

// Where a profile file lives: a bare name ("skyvist.ini") in the user's configuration directory
// ($XDG_CONFIG_HOME, else ~/.config); any name with a directory as given (resolved like every
// DOS-style name).
std::string profilePath(std::string_view fileName);

// Files above this size are not read (their keys give the defaults) and never rewritten.
constexpr std::size_t kMaxProfileBytes = 16u << 20;

// The value text of a key as the reading functions see it, or nullopt-like false when absent.
bool readProfileString(std::string_view fileContents, std::string_view section,
                       std::string_view key, std::string& value);
// The file contents after setting (or removing) a key or section; the rest is kept byte for byte.
std::string applyProfileWrite(std::string_view fileContents, std::string_view section,
                              const char* key, const char* value);

} // namespace platform
