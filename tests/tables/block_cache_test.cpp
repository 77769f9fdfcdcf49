// The block cache behind record reads: reads that span blocks, the end of the file, and a file
// that grows while its blocks are kept.
#include "tables/block_cache.h"

#include "tests/support/temp_dir.h"

#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr std::size_t kBlock = FileBlockCache::kBlockSize;

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char('a' + (i * 7 + i / kBlock) % 26);
    return bytes;
}

} // namespace

TEST(FileBlockCache, ReadsAsTheFileDoesAcrossBlocksAndAtItsEnd) {
    testing_support::TempDir dir;
    const std::string bytes = pattern(3 * kBlock + 100);
    dir.write("T.DBF", bytes);
    platform::File file;
    ASSERT_EQ(file.open(dir.file("T.DBF"), true), 0);
    FileBlockCache cache;
    const struct {
        std::int64_t offset;
        std::size_t count;
        std::int64_t expected;
    } cases[] = {
        {0, 10, 10},
        {std::int64_t(kBlock) - 5, 10, 10},      // across two blocks
        {5, 2 * kBlock + 10, 2 * kBlock + 10},   // across three
        {std::int64_t(3 * kBlock) + 90, 20, 10}, // short at the end
        {std::int64_t(3 * kBlock) + 100, 5, 0},  // at the end
        {std::int64_t(9 * kBlock), 5, 0},        // past it
        {-1, 5, -1},
    };
    for (int pass = 0; pass < 2; ++pass) { // the second pass reads from kept blocks
        for (const auto& c : cases) {
            std::string out(c.count, '\0');
            EXPECT_EQ(cache.read(file, c.offset, out.data(), c.count), c.expected) << c.offset;
            if (c.expected > 0) {
                EXPECT_EQ(out.substr(0, std::size_t(c.expected)),
                          bytes.substr(std::size_t(c.offset), std::size_t(c.expected)))
                    << c.offset;
            }
        }
    }

    // The last, partial block is read from the file each time: what is appended shows.
    std::ofstream(dir.file("T.DBF"), std::ios::binary | std::ios::app) << "APPENDED";
    std::string tail(8, '\0');
    EXPECT_EQ(cache.read(file, std::int64_t(bytes.size()), tail.data(), 8), 8);
    EXPECT_EQ(tail, "APPENDED");

    // Kept blocks are what was read; clear forgets them.
    std::fstream(dir.file("T.DBF"), std::ios::binary | std::ios::in | std::ios::out) << "ZZ";
    std::string head(2, '\0');
    cache.read(file, 0, head.data(), 2);
    EXPECT_EQ(head, bytes.substr(0, 2));
    cache.clear();
    cache.read(file, 0, head.data(), 2);
    EXPECT_EQ(head, "ZZ");
}
