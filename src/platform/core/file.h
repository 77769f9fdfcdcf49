// A read-oriented file handle that opens DOS-style names and reports failures in the table
// layer's codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Reasons an open fails, as the table layer numbers them.
constexpr int kOpenNotFound = -64;
constexpr int kOpenPermission = -61;
constexpr int kOpenTooManyFiles = -63;
constexpr int kOpenOther = -60;

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file, its name resolved with resolveDosPath. Without readOnly the file is
    // opened for reading and writing, or for reading only when it may not be written. Returns 0,
    // or kOpenNotFound, kOpenPermission, kOpenTooManyFiles or kOpenOther. A directory is refused
    // with kOpenPermission.
    int open(std::string_view name, bool readOnly);
    bool close();

    bool isOpen() const { return m_fd >= 0; }
    bool isReadOnly() const { return m_readOnly; }
    const std::string& path() const { return m_path; }

    // The file's length in bytes, or -1 when it cannot be had.
    std::int64_t size() const;
    // Reads up to count bytes at offset; returns the number read (fewer at the end of the file),
    // or -1 on an error or a negative offset.
    std::int64_t readAt(std::int64_t offset, void* buffer, std::size_t count) const;

private:
    int m_fd = -1;
    bool m_readOnly = false;
    std::string m_path;
};

// Whether a path (already resolved) names a regular file, following links: what may be opened as
// a data file. A directory can be opened for reading on this system, but holds no data.
bool isRegularFile(const std::string& path);

// Whether a panorama may be read from a DOS-style path: the file exists (resolved without regard
// to case) and is neither a directory nor hidden (a name starting with a dot).
bool usableImageFile(const std::string& dosPath);

} // namespace platform
