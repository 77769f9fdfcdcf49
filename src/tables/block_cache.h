// Whole blocks of a data file kept in memory, so that reading records one after another in any
// order costs a copy instead of a system call each.
#pragma once

#include "platform/core/file.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class FileBlockCache {
public:
    static constexpr std::size_t kBlockSize = 8192;
    // The most memory one file's cache takes; a larger file shares the slots among its blocks.
    static constexpr std::size_t kMaxBytes = std::size_t(64) << 20;

    // Reads up to count bytes at offset, through the cache. Returns the number of bytes read
    // (fewer at the end of the file) or -1 on an error or a negative offset, as File::readAt.
    // Only whole blocks are kept: the part of the file that a later append may still change,
    // its last partial block, is read from the file each time.
    std::int64_t read(const platform::File& file, std::int64_t offset, void* buffer,
                      std::size_t count);
    // Forgets every block (the file may have changed).
    void clear();

private:
    bool prepare(const platform::File& file);

    std::vector<unsigned char> m_bytes;
    std::vector<std::int64_t> m_blocks; // the block each slot holds, or -1
    std::size_t m_slotMask = 0;
    bool m_unavailable = false; // no memory for it: every read goes to the file
};
