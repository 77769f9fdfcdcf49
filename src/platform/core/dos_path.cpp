// Completion and case-insensitive resolution of DOS-style file names.
#include "platform/core/dos_path.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

std::vector<std::string_view> splitComponents(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && isSeparator(path[i])) ++i;
        std::size_t start = i;
        while (i < path.size() && !isSeparator(path[i])) ++i;
        if (i > start) parts.push_back(path.substr(start, i - start));
    }
    return parts;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The entry of directory dir that equals name without regard to case, or "" if none does.
std::string findNoCase(const std::string& dir, std::string_view name) {
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(dir.empty() ? "/" : dir.c_str()),
                                               &::closedir);
    if (!handle) return {};
    while (dirent* entry = ::readdir(handle.get())) {
        if (equalNoCase(entry->d_name, name)) return entry->d_name;
    }
    return {};
}

} // namespace

std::string toUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperAscii(c);
    return out;
}

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string completePath(std::string_view name, std::string_view workingDir) {
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        name.remove_prefix(2);
    std::vector<std::string_view> parts;
    if (name.empty() || !isSeparator(name.front())) parts = splitComponents(workingDir);
    std::vector<std::string_view> resolved;
    for (auto part : parts) resolved.push_back(part);
    for (auto part : splitComponents(name)) {
        if (part == ".") continue;
        if (part == "..") {
            if (!resolved.empty()) resolved.pop_back();
            continue;
        }
        resolved.push_back(part);
    }
    std::string out;
    for (auto part : resolved) {
        out += '/';
        out += part;
    }
    return out.empty() ? "/" : out;
}

std::string resolveDosPath(std::string_view name) {
    const bool absolute = !name.empty() && isSeparator(name.front());
    std::string out = absolute ? "" : ".";
    bool matching = true;
    for (auto part : splitComponents(name)) {
        std::string candidate = out + "/" + std::string(part);
        if (matching && !exists(candidate) && part != "." && part != "..") {
            std::string found = findNoCase(out.empty() ? "/" : out, part);
            if (found.empty())
                matching = false;
            else
                candidate = out + "/" + found;
        }
        out = std::move(candidate);
    }
    if (out.empty()) return "/";
    if (!absolute) out.erase(0, 2); // drop the "./" that began a relative name
    return out.empty() ? "." : out;
}

} // namespace platform
