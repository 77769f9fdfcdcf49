// Owned image blocks with the allocate-then-lock shape and their failure switch.
#include "imaging/movable_memory.h"

#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

namespace imaging {
namespace {

std::size_t g_maxBlockSize = std::size_t(1) << 31;
MemoryFailure g_failure = MemoryFailure::None;

// Blocks of a few megabytes and more (panoramas, photographs) are aligned to 2 MiB and asked to be
// backed by huge pages: a fresh block is then written with a few hundred times fewer page faults,
// which otherwise cost more than decoding the image.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kHugeFrom = std::size_t(4) << 20;

// The last large block freed (up to 256 MiB) is kept for the next large request it can serve
// without wasting more than half of it: reading one photograph after another then reuses pages
// that are already there, instead of having the system fault in and clear a fresh block each time.
constexpr std::size_t kKeepUpTo = std::size_t(256) << 20;
struct KeptBlock {
    std::byte* bytes = nullptr;
    std::size_t capacity = 0;
    ~KeptBlock() {
        std::free(bytes);
        bytes = nullptr; // a block freed later, during the end of the process, finds it empty
        capacity = 0;
    }
};
KeptBlock g_kept;

} // namespace

void MovableBlock::Release::operator()(std::byte* bytes) const {
    std::free(bytes);
}

std::size_t maxBlockSize() {
    return g_maxBlockSize;
}
void setMaxBlockSize(std::size_t bytes) {
    g_maxBlockSize = bytes;
}
void setMemoryFailure(MemoryFailure failure) {
    g_failure = failure;
}

bool MovableBlock::allocate(std::size_t size, bool zeroFill) {
    free();
    if (g_failure == MemoryFailure::Allocate || size == 0 || size > g_maxBlockSize) return false;
    std::byte* bytes = nullptr;
    std::size_t capacity = 0;
    if (size >= kHugeFrom) {
        capacity = (size + kHugePage - 1) / kHugePage * kHugePage;
        if (g_kept.bytes && g_kept.capacity >= capacity && g_kept.capacity / 2 <= capacity) {
            bytes = g_kept.bytes;
            capacity = g_kept.capacity;
            g_kept = KeptBlock{};
        } else {
            bytes = static_cast<std::byte*>(std::aligned_alloc(kHugePage, capacity));
            if (!bytes && g_kept.bytes) { // the kept block gives way to the one needed now
                std::free(g_kept.bytes);
                g_kept = KeptBlock{};
                bytes = static_cast<std::byte*>(std::aligned_alloc(kHugePage, capacity));
            }
            if (bytes) ::madvise(bytes, capacity, MADV_HUGEPAGE);
        }
    } else {
        bytes = static_cast<std::byte*>(std::malloc(size));
    }
    if (!bytes) return false;
    if (zeroFill) std::memset(bytes, 0, size);
    m_bytes.reset(bytes);
    m_size = size;
    m_capacity = capacity;
    return true;
}

std::byte* MovableBlock::lock() {
    if (g_failure == MemoryFailure::Lock) return nullptr;
    return m_bytes.get();
}

void MovableBlock::free() {
    if (m_bytes && m_capacity >= kHugeFrom && m_capacity <= kKeepUpTo) {
        std::free(g_kept.bytes);
        g_kept.bytes = m_bytes.release();
        g_kept.capacity = m_capacity;
    }
    m_bytes.reset();
    m_size = 0;
    m_capacity = 0;
}

} // namespace imaging
