// Plain and gzip-compressed image files.
#include "imaging/image_file.h"

#include "platform/core/dos_path.h"
#include "platform/core/file.h"

#include <climits>

#include <zlib.h>

bool isGzipName(const std::string& path) {
    const std::size_t n = path.size();
    return n >= 4 && path[n - 3] == '.' && (path[n - 2] == 'G' || path[n - 2] == 'g') &&
           (path[n - 1] == 'Z' || path[n - 1] == 'z');
}

CImageFile::~CImageFile() {
    Close();
}

BOOL CImageFile::Open(const char* path) {
    Close();
    m_path = path ? path : "";
    m_gzip = isGzipName(m_path);
    m_offset = 0;
    if (m_gzip) {
        const std::string resolved = platform::resolveDosPath(m_path);
        m_gz = platform::isRegularFile(resolved) ? gzopen(resolved.c_str(), "rb") : nullptr;
        return m_gz ? TRUE : FALSE;
    }
    return m_file.open(m_path, true) == 0 ? TRUE : FALSE;
}

std::int64_t CImageFile::Read(void* buffer, std::size_t count) {
    if (m_gzip) {
        if (!m_gz) return -1;
        // gzread takes at most INT_MAX bytes a call; larger reads go in pieces.
        auto* out = static_cast<unsigned char*>(buffer);
        std::int64_t total = 0;
        while (count > 0) {
            const unsigned piece = unsigned(std::min<std::size_t>(count, INT_MAX / 2 + 1));
            const int got = gzread(m_gz, out + total, piece);
            if (got < 0) return got;
            total += got;
            count -= std::size_t(got);
            if (unsigned(got) < piece) break;
        }
        return total;
    }
    if (!m_file.isOpen()) return 0;
    const std::int64_t got = m_file.readAt(m_offset, buffer, count);
    if (got <= 0) return 0;
    m_offset += got;
    return got;
}

BOOL CImageFile::Close() {
    BOOL result = TRUE;
    if (m_gzip) {
        if (m_gz) result = gzclose(m_gz) == Z_OK ? TRUE : FALSE;
    } else if (m_file.isOpen()) {
        result = m_file.close() ? TRUE : FALSE;
    }
    m_gz = nullptr;
    if (m_file.isOpen()) m_file.close();
    return result;
}
