// The blocks that hold images and palettes: ordinary owned allocations that behave like the
// platform's movable memory (allocate, then lock to get the address). Allocation never throws, so
// a block too large for memory is an ordinary failure with its own message.
#pragma once

#include <cstddef>
#include <memory>

namespace imaging {

// Largest block any image may take: 2^31 bytes unless changed (fuzzers lower it).
std::size_t maxBlockSize();
void setMaxBlockSize(std::size_t bytes);

// Which step of every following block request fails: lets tests reach the allocation and lock
// failures, which real memory seldom produces.
enum class MemoryFailure { None, Allocate, Lock };
void setMemoryFailure(MemoryFailure failure);

class MovableBlock {
public:
    // Allocates size bytes (zero-filled when asked); false when the allocation fails.
    bool allocate(std::size_t size, bool zeroFill);
    // The block's address, or null when it cannot be locked (or nothing is allocated).
    std::byte* lock();
    void free();
    bool allocated() const { return m_bytes != nullptr; }
    std::size_t size() const { return m_size; }

private:
    struct Release {
        void operator()(std::byte* bytes) const;
    };
    std::unique_ptr<std::byte[], Release> m_bytes;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0; // of a large block (huge-page aligned); 0 for a small one
};

} // namespace imaging
