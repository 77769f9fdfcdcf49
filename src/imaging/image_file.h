// A file read either directly or through the gzip decompressor, chosen by its name.
#pragma once

#include "platform/core/file.h"
#include "platform/core/win_types.h"

#include <cstdint>
#include <string>

typedef struct gzFile_s* gzFile;

class CImageFile {
public:
    CImageFile() = default;
    ~CImageFile();
    CImageFile(const CImageFile&) = delete;
    CImageFile& operator=(const CImageFile&) = delete;

    // Opens a path; names of at least four characters ending ".GZ" (either case) go through the
    // decompressor, which also passes a file without a gzip header through unchanged.
    BOOL Open(const char* path);
    // The number of bytes read, 0 at the end or on a read error, negative on a decompression
    // error.
    std::int64_t Read(void* buffer, std::size_t count);
    BOOL Close();

    const std::string& path() const { return m_path; }
    bool isGzip() const { return m_gzip; }

private:
    std::string m_path;
    bool m_gzip = false;
    gzFile m_gz = nullptr;
    platform::File m_file;
    std::int64_t m_offset = 0;
};

// Whether a name is read through the decompressor: at least four characters ending ".GZ".
bool isGzipName(const std::string& path);
