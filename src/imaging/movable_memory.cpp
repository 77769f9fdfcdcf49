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
    if (size >= kHugeFrom) {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        bytes = static_cast<std::byte*>(std::aligned_alloc(kHugePage, rounded));
        if (bytes) ::madvise(bytes, rounded, MADV_HUGEPAGE);
    } else {
        bytes = static_cast<std::byte*>(std::malloc(size));
    }
    if (!bytes) return false;
    if (zeroFill) std::memset(bytes, 0, size);
    m_bytes.reset(bytes);
    m_size = size;
    return true;
}

std::byte* MovableBlock::lock() {
    if (g_failure == MemoryFailure::Lock) return nullptr;
    return m_bytes.get();
}

void MovableBlock::free() {
    m_bytes.reset();
    m_size = 0;
}

} // namespace imaging
