// Owned image blocks with the allocate-then-lock shape and their failure switch.
#include "imaging/movable_memory.h"

#include <new>

namespace imaging {
namespace {
std::size_t g_maxBlockSize = std::size_t(1) << 31;
MemoryFailure g_failure = MemoryFailure::None;
} // namespace

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
    std::byte* bytes =
        zeroFill ? new (std::nothrow) std::byte[size]() : new (std::nothrow) std::byte[size];
    if (!bytes) return false;
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
