#include "tables/block_cache.h"

#include <algorithm>
#include <cstring>
#include <new>

bool FileBlockCache::prepare(const platform::File& file) {
    if (m_unavailable) return false;
    if (!m_blocks.empty()) return true;
    // As many slots as the file has blocks (a power of two), within the memory limit.
    const std::int64_t size = std::max<std::int64_t>(file.size(), 0);
    const std::uint64_t blocks = std::uint64_t(size) / kBlockSize + 1;
    std::size_t slots = 4;
    while (slots < kMaxBytes / kBlockSize && slots < blocks)
        slots *= 2;
    try {
        m_bytes.resize(slots * kBlockSize);
        m_blocks.assign(slots, -1);
    } catch (const std::bad_alloc&) {
        m_bytes = {};
        m_blocks = {};
        m_unavailable = true;
        return false;
    }
    m_slotMask = slots - 1;
    return true;
}

std::int64_t FileBlockCache::read(const platform::File& file, std::int64_t offset, void* buffer,
                                  std::size_t count) {
    if (offset < 0) return -1;
    if (!prepare(file)) return file.readAt(offset, buffer, count);
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t at = offset + std::int64_t(done);
        const std::int64_t block = at / std::int64_t(kBlockSize);
        const std::size_t within = std::size_t(at % std::int64_t(kBlockSize));
        const std::size_t slot = std::size_t(block) & m_slotMask;
        unsigned char* bytes = m_bytes.data() + slot * kBlockSize;
        std::size_t available = kBlockSize;
        if (m_blocks[slot] != block) {
            m_blocks[slot] = -1;
            const std::int64_t got =
                file.readAt(block * std::int64_t(kBlockSize), bytes, kBlockSize);
            if (got < 0) return done > 0 ? std::int64_t(done) : -1;
            available = std::size_t(got);
            if (available == kBlockSize) m_blocks[slot] = block;
        }
        if (within >= available) break; // the end of the file
        const std::size_t piece = std::min(count - done, available - within);
        std::memcpy(out + done, bytes + within, piece);
        done += piece;
        if (available < kBlockSize) break;
    }
    return std::int64_t(done);
}

void FileBlockCache::clear() {
    std::fill(m_blocks.begin(), m_blocks.end(), -1);
}
