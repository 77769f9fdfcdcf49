// The production index (MDX): header and tag checks, tag headers, and the B-tree search and
// in-order walk that seeks use, over a cache of index blocks.
//
// File facts: the header's bytes 22-23 give the block size in bytes; block numbers count 512-byte
// pages. The tag table at 544 has 32-byte entries (page of the tag header at 0, name at 4). A tag
// header holds the root page at 0, flags at 8 (0x08 descending, 0x40 unique), the key type at 9,
// the key length at 12, the item length at 18 and the NUL-terminated key expression from 24. A node
// holds its key count at 0 and items from 8: a 4-byte pointer and the key. In a leaf the pointer
// is a record number; in an interior node it is a child page and one more pointer follows the last
// key; a node is interior when that pointer is non-zero. A separator is the largest key of its left
// child, and equal keys may continue into the next child.
#pragma once

#include "platform/core/file.h"
#include "tables/key_expression.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Data4;
struct Index4;

// A numeric key by value: 0.d1d2d3... x 10^exponent, normalised (no leading or trailing zero
// digits; zero has no digits).
struct Decimal {
    bool negative = false;
    int exponent = 0;
    std::uint8_t count = 0;
    std::uint8_t digits[32] = {};
};

// The 12-byte key of a numeric tag: byte 0 = 0x34 + digits before the point, byte 1 = sign bit
// 0x80 | digit count << 2 | 1 (the count is not relied on: writers differ), then 20 BCD digits.
Decimal decimalFromKey(const unsigned char* key);
// A decimal number in text ("-12.50", blanks allowed around it); what cannot be read ends it.
Decimal decimalFromText(const char* text, std::size_t length);
Decimal decimalFromDouble(double value);
int decimalCompare(const Decimal& a, const Decimal& b);
std::string decimalToText(const Decimal& value);

// A search key in the tag's key form, and how much of each key it compares.
struct SearchKey {
    const char* text = nullptr; // character keys: the first length bytes are compared
    unsigned length = 0;
    Decimal number;  // numeric keys
    double date = 0; // date keys (Julian day)
};

struct Tag4 {
    // One level of the current position: a node and the item index within it.
    struct Level {
        std::uint32_t page = 0;
        int item = 0;
    };
    static constexpr int kMaxDepth = 24;

    Index4* index = nullptr;
    std::string name; // upper case
    char keyType = 'C';
    unsigned keyLength = 0;
    unsigned itemLength = 0;
    std::uint32_t root = 0;
    bool descending = false;
    bool unique = false;
    std::string expression;
    KeyExpression expr;

    // Position: the path from the root to the current leaf item.
    Level path[kMaxDepth];
    int depth = 0;                   // 0: not positioned
    long positionRecNo = -1;         // the record the position was last made current for
    std::int64_t stepsLeft = 0;      // leaf moves allowed before a walk counts as a cycle
    unsigned char lastKey[256] = {}; // last key of the leaf being left, for the order check
};

struct Index4 {
    Data4* data = nullptr;
    std::string name; // full upper-case path
    platform::File file;
    std::int64_t fileSize = 0;
    unsigned blockSize = 0;
    std::vector<std::unique_ptr<Tag4>> tags;

    // Direct-mapped block cache, made on first use.
    std::vector<unsigned char> cacheData;
    std::vector<std::uint32_t> cachePages; // 0: empty slot (page 0 is the file header)
    std::uint32_t cacheMask = 0;

    // The block at page, or null when it lies outside the file or cannot be read.
    const unsigned char* block(std::uint32_t page);
};

// Reads and checks the header and the counted tags, attaching nothing. Reports its failures
// (-310 with "index file verification checks failed" or with "expression length doesn't match
// tag length", an expression error with location i4open, -70 for short reads). Returns 0 or the
// code.
int index4read(Index4& index);

// Results of the tree operations besides 0.
constexpr int kTreeEnd = 3;      // no entry (past the last)
constexpr int kTreeCorrupt = -1; // a block is out of the file, malformed, or the tree cycles

// Converts search text to the tag's key form (a character search compares at most keyLength bytes).
void tag4searchKey(const Tag4& tag, const char* text, SearchKey& key);
// The key of an evaluated expression, for repositioning on a record.
void tag4exprKey(const Tag4& tag, const ExprValue& value, std::string& storage, SearchKey& key);
// Compares two stored keys in the tag's order.
int tag4compareKeys(const Tag4& tag, const unsigned char* a, const unsigned char* b);
// Compares a stored key with a search key on the compared part, in the tag's order: < 0 when the
// stored key comes first, 0 when equal.
int tag4compare(const Tag4& tag, const unsigned char* key, const SearchKey& search);

// Positions on the first entry not before the search key; kTreeEnd when there is none.
int tag4seek(Tag4& tag, const SearchKey& search);
// Positions on the first entry.
int tag4top(Tag4& tag);
// Moves to the next entry; kTreeEnd (position kept) when there is none.
int tag4skip(Tag4& tag);
// Record number and key of the current entry (positioned tags only).
std::uint32_t tag4recNo(Tag4& tag);
const unsigned char* tag4key(Tag4& tag);
// A text form of a stored key: characters as stored, numbers in decimal, dates as YYYYMMDD.
std::string tag4keyText(const Tag4& tag, const unsigned char* key);
