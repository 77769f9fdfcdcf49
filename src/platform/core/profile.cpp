// INI files read line by line and rewritten with only the touched lines changed.
#include "platform/core/profile.h"

#include "platform/core/dos_path.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// One physical line: its text without the line end, and the line end itself ("", "\n", "\r\n").
struct Line {
    std::string_view text;
    std::string_view end;
};

// What a line is. A line is read in these states, one per kind:
enum class LineKind {
    Blank,   // only blanks
    Comment, // first non-blank character ';'
    Section, // "[name]" (a missing ']' takes the rest of the line as the name)
    Entry,   // "key=value", or a bare word (a key without a value)
};

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    std::string_view name;  // section name or key, trimmed
    std::string_view value; // entry value, trimmed
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            lines.push_back({text.substr(start), {}});
            break;
        }
        std::size_t endStart = (nl > start && text[nl - 1] == '\r') ? nl - 1 : nl;
        lines.push_back({text.substr(start, endStart - start), text.substr(endStart, nl + 1 - endStart)});
        start = nl + 1;
    }
    return lines;
}

ParsedLine parseLine(std::string_view raw) {
    ParsedLine p;
    std::string_view t = trim(raw);
    if (t.empty()) return p;
    if (t.front() == ';') {
        p.kind = LineKind::Comment;
        return p;
    }
    if (t.front() == '[') {
        p.kind = LineKind::Section;
        std::string_view inner = t.substr(1);
        std::size_t close = inner.find(']');
        p.name = trim(close == std::string_view::npos ? inner : inner.substr(0, close));
        return p;
    }
    p.kind = LineKind::Entry;
    std::size_t eq = t.find('=');
    p.name = trim(eq == std::string_view::npos ? t : t.substr(0, eq));
    if (eq != std::string_view::npos) {
        std::string_view v = trim(t.substr(eq + 1));
        // One pair of surrounding quotes is not part of the value.
        if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') ||
                              (v.front() == '\'' && v.back() == '\'')))
            v = v.substr(1, v.size() - 2);
        p.value = v;
    }
    return p;
}

std::optional<std::string> readWholeFile(const std::string& path, bool& exists) {
    exists = false;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    exists = true;
    if (!S_ISREG(st.st_mode) || std::uint64_t(st.st_size) > kMaxProfileBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > kMaxProfileBytes) return std::nullopt;
    return text;
}

bool writeAtomically(const std::string& path, const std::string& contents) {
    // Write the real file behind a link, so the link stays a link.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    std::string temp = target + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    mode_t mode = 0644;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
    ::fchmod(fd, mode);
    std::size_t done = 0;
    bool ok = true;
    while (done < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += std::size_t(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    if (int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void makeParentDirectories(const std::string& path) {
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (path[i] != '/') continue;
        std::string dir = path.substr(0, i);
        ::mkdir(dir.c_str(), 0700);
    }
}

} // namespace

std::string profilePath(std::string_view fileName) {
    if (fileName.find('/') != std::string_view::npos || fileName.find('\\') != std::string_view::npos)
        return resolveDosPath(fileName);
    std::string dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        dir = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        dir = std::string(home) + "/.config";
    } else {
        dir = currentDirectory();
    }
    return resolveDosPath(dir + "/" + std::string(fileName));
}

bool readProfileString(std::string_view fileContents, std::string_view section,
                       std::string_view key, std::string& value) {
    bool inSection = false;
    bool seenSection = false;
    for (const Line& line : splitLines(fileContents)) {
        ParsedLine p = parseLine(line.text);
        if (p.kind == LineKind::Section) {
            // The first section of that name is the one that counts.
            if (inSection) return false;
            inSection = !seenSection && equalNoCase(p.name, section);
            seenSection = seenSection || inSection;
        } else if (inSection && p.kind == LineKind::Entry && equalNoCase(p.name, key)) {
            value = std::string(p.value);
            return true;
        }
    }
    return false;
}

std::string applyProfileWrite(std::string_view fileContents, std::string_view section,
                              const char* key, const char* value) {
    const std::vector<Line> lines = splitLines(fileContents);
    std::string_view eol = "\n";
    for (const Line& line : lines)
        if (!line.end.empty()) {
            eol = line.end;
            break;
        }

    // Find the section: its header line and the line after its last entry.
    std::optional<std::size_t> header;
    std::size_t sectionEnd = lines.size(); // first line of the next section
    std::size_t lastEntry = 0;
    std::optional<std::size_t> keyLine;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ParsedLine p = parseLine(lines[i].text);
        if (p.kind == LineKind::Section) {
            if (header) {
                sectionEnd = i;
                break;
            }
            if (equalNoCase(p.name, section)) {
                header = i;
                lastEntry = i;
            }
        } else if (header && p.kind == LineKind::Entry) {
            lastEntry = i;
            if (key && !keyLine && equalNoCase(p.name, key)) keyLine = i;
        }
    }

    auto emit = [&](std::string& out, std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            out += lines[i].text;
            out += lines[i].end;
        }
    };
    // A line that ends without a line end gets one before anything is put after it.
    auto ensureEnded = [&](std::string& out) {
        if (!out.empty() && out.back() != '\n') out += eol;
    };

    std::string out;
    out.reserve(fileContents.size() + 64);
    if (!key) { // remove the whole section
        if (!header) return std::string(fileContents);
        emit(out, 0, *header);
        emit(out, sectionEnd, lines.size());
        return out;
    }
    if (!value) { // remove the key
        if (!keyLine) return std::string(fileContents);
        emit(out, 0, *keyLine);
        emit(out, *keyLine + 1, lines.size());
        return out;
    }
    const std::string entry = std::string(key) + "=" + value;
    if (keyLine) {
        emit(out, 0, *keyLine);
        out += entry;
        out += lines[*keyLine].end.empty() && *keyLine + 1 < lines.size() ? eol : lines[*keyLine].end;
        emit(out, *keyLine + 1, lines.size());
        return out;
    }
    if (header) {
        emit(out, 0, lastEntry + 1);
        ensureEnded(out);
        out += entry;
        out += eol;
        emit(out, lastEntry + 1, lines.size());
        return out;
    }
    emit(out, 0, lines.size());
    ensureEnded(out);
    if (!out.empty()) out += eol;
    out += "[";
    out += section;
    out += "]";
    out += eol;
    out += entry;
    out += eol;
    return out;
}

} // namespace platform

UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                           const char* fileName) {
    if (!section || !key || !fileName) return UINT(defaultValue);
    bool exists = false;
    auto text = platform::readWholeFile(platform::profilePath(fileName), exists);
    std::string value;
    if (!text || !platform::readProfileString(*text, section, key, value) || value.empty())
        return UINT(defaultValue);
    std::size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    std::uint64_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        n = n * 10 + std::uint64_t(value[i] - '0');
        if (n > UINT_MAX) n = UINT_MAX; // saturate rather than wrap
    }
    return negative ? 0 : UINT(n);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
    if (!section || !fileName) return FALSE;
    const std::string path = platform::profilePath(fileName);
    bool exists = false;
    auto text = platform::readWholeFile(path, exists);
    if (exists && !text) return FALSE; // unreadable or too large: never replace it
    std::string updated = platform::applyProfileWrite(text ? *text : std::string(), section, key, value);
    if (text && updated == *text) return TRUE;
    if (!exists) platform::makeParentDirectories(path);
    return platform::writeAtomically(path, updated) ? TRUE : FALSE;
}
