// File opening with the table layer's failure codes, and positioned reads.
#include "platform/core/file.h"

#include "platform/core/dos_path.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

int codeForErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return kOpenNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
        return kOpenPermission;
    case EMFILE:
    case ENFILE:
        return kOpenTooManyFiles;
    default:
        return kOpenOther;
    }
}

} // namespace

File::~File() {
    close();
}

File::File(File&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_readOnly(other.m_readOnly),
      m_path(std::move(other.m_path)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_readOnly = other.m_readOnly;
        m_path = std::move(other.m_path);
    }
    return *this;
}

int File::open(std::string_view name, bool readOnly) {
    close();
    std::string path = resolveDosPath(name);
    int fd = -1;
    bool opensReadOnly = readOnly;
    // Not blocking while opening: a named pipe would otherwise wait for a writer for ever. Only a
    // regular file is kept, and then it blocks as usual.
    constexpr int kFlags = O_CLOEXEC | O_NONBLOCK;
    if (!readOnly) {
        fd = ::open(path.c_str(), O_RDWR | kFlags);
        // A file that may not be written (or lies on a read-only medium) is opened for reading.
        if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY)) {
            opensReadOnly = true;
        } else if (fd < 0) {
            return codeForErrno(errno);
        }
    }
    if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | kFlags);
    if (fd < 0) return codeForErrno(errno);
    struct stat st;
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        const bool directory = statted && S_ISDIR(st.st_mode);
        ::close(fd);
        return directory ? kOpenPermission : kOpenOther;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_readOnly = opensReadOnly;
    m_path = std::move(path);
    return 0;
}

bool File::close() {
    if (m_fd < 0) return true;
    const bool ok = ::close(std::exchange(m_fd, -1)) == 0;
    m_path.clear();
    return ok;
}

std::int64_t File::size() const {
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
    return st.st_size;
}

std::int64_t File::readAt(std::int64_t offset, void* buffer, std::size_t count) const {
    if (m_fd < 0 || offset < 0) return -1;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(m_fd, out + done, count - done, off_t(offset + std::int64_t(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += std::size_t(n);
    }
    return std::int64_t(done);
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool usableImageFile(const std::string& dosPath) {
    const std::filesystem::path path = resolveDosPath(dosPath);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
        return false;
    const std::string name = path.filename().string();
    return name.empty() || name[0] != '.';
}

} // namespace platform
