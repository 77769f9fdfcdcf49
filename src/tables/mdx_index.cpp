// MDX reading: header and tag checks at open, and the B-tree walk behind the seeks.
#include "tables/mdx_index.h"

#include "tables/data4.h"
#include "tables/error4.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::int64_t kPage = 512;
constexpr std::int64_t kTagTable = 544;
constexpr unsigned kNodeHeader = 8; // key count and a word the walk does not use
constexpr std::uint32_t kMaxCacheSlots = 2048;

std::uint32_t u32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t u16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
std::int16_t s16(const unsigned char* p) {
    return std::int16_t(u16(p));
}

void normalise(Decimal& d) {
    int first = 0;
    while (first < d.count && d.digits[first] == 0)
        ++first;
    if (first == d.count) {
        d = Decimal{};
        return;
    }
    if (first > 0) {
        std::memmove(d.digits, d.digits + first, std::size_t(d.count - first));
        d.count = std::uint8_t(d.count - first);
        d.exponent -= first;
    }
    while (d.count > 0 && d.digits[d.count - 1] == 0)
        --d.count;
}

double dateFromKey(const unsigned char* key) {
    double value;
    std::memcpy(&value, key, sizeof(value)); // little-endian IEEE double, as on this machine
    return value;
}

// Checks a node: count within what the block holds. Returns the count or -1.
int nodeCount(const Tag4& tag, const unsigned char* node) {
    const std::uint32_t count = u32(node);
    const unsigned capacity = (tag.index->blockSize - kNodeHeader) / tag.itemLength;
    return count > capacity ? -1 : int(count);
}

// The pointer of item i (i == count: the one after the last key). A pointer that would lie past
// the block reads as 0.
std::uint32_t itemPointer(const Tag4& tag, const unsigned char* node, int i) {
    const std::size_t at = kNodeHeader + std::size_t(i) * tag.itemLength;
    if (at + 4 > tag.index->blockSize) return 0;
    return u32(node + at);
}

const unsigned char* itemKey(const Tag4& tag, const unsigned char* node, int i) {
    return node + kNodeHeader + std::size_t(i) * tag.itemLength + 4;
}

bool isInterior(const Tag4& tag, const unsigned char* node, int count) {
    return itemPointer(tag, node, count) != 0;
}

// The first item of the node not before the search key (count when there is none).
int lowerBound(const Tag4& tag, const unsigned char* node, int count, const SearchKey& search) {
    int low = 0, high = count;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (tag4compare(tag, itemKey(tag, node, mid), search) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

void resetSteps(Tag4& tag) {
    tag.stepsLeft = tag.index->fileSize / std::int64_t(tag.index->blockSize) + 1;
}

// Descends from the child at path[depth - 1] to the leftmost leaf below it.
int descendLeftmost(Tag4& tag, std::uint32_t page) {
    for (;;) {
        if (tag.depth >= Tag4::kMaxDepth) return kTreeCorrupt;
        const unsigned char* node = tag.index->block(page);
        if (!node) return kTreeCorrupt;
        const int count = nodeCount(tag, node);
        if (count < 0) return kTreeCorrupt;
        tag.path[tag.depth++] = {page, 0};
        if (!isInterior(tag, node, count)) return 0;
        page = itemPointer(tag, node, 0);
    }
}

// From a leaf whose items are used up, on to the first item of the next non-empty leaf. The keys
// of a sound tree never go back in the tag's order from one leaf to the next; a tree whose
// pointers lead back to earlier leaves is caught by that, or by the bound on leaf moves.
int nextLeaf(Tag4& tag) {
    bool haveLast = false;
    {
        const Tag4::Level& leaf = tag.path[tag.depth - 1];
        const unsigned char* node = tag.index->block(leaf.page);
        const int count = node ? nodeCount(tag, node) : -1;
        if (count > 0) {
            std::memcpy(tag.lastKey, itemKey(tag, node, count - 1), tag.keyLength);
            haveLast = true;
        }
    }
    for (;;) {
        if (--tag.stepsLeft < 0) return kTreeCorrupt;
        // Climb to the nearest level with a further child.
        int level = tag.depth - 2;
        for (; level >= 0; --level) {
            const unsigned char* node = tag.index->block(tag.path[level].page);
            if (!node) return kTreeCorrupt;
            const int count = nodeCount(tag, node);
            if (count < 0) return kTreeCorrupt;
            if (tag.path[level].item < count) break;
        }
        if (level < 0) return kTreeEnd;
        Tag4::Level& parent = tag.path[level];
        ++parent.item;
        const unsigned char* node = tag.index->block(parent.page);
        if (!node) return kTreeCorrupt;
        const std::uint32_t child = itemPointer(tag, node, parent.item);
        tag.depth = level + 1;
        const int rc = descendLeftmost(tag, child);
        if (rc != 0) return rc;
        const unsigned char* leaf = tag.index->block(tag.path[tag.depth - 1].page);
        if (!leaf) return kTreeCorrupt;
        const int count = nodeCount(tag, leaf);
        if (count < 0) return kTreeCorrupt;
        if (count > 0) {
            if (haveLast && tag4compareKeys(tag, itemKey(tag, leaf, 0), tag.lastKey) < 0)
                return kTreeCorrupt;
            return 0;
        }
    }
}

int finishInLeaf(Tag4& tag, int item, int count) {
    tag.path[tag.depth - 1].item = item;
    if (item < count) return 0;
    const int rc = nextLeaf(tag);
    if (rc != 0) tag.depth = 0;
    return rc;
}

int reportIndex(Index4& index, long location) {
    return error4report(index.data->code, e4index, location, index.name.c_str());
}

} // namespace

Decimal decimalFromKey(const unsigned char* key) {
    Decimal d;
    d.negative = (key[1] & 0x80) != 0;
    d.exponent = int(key[0]) - 0x34;
    d.count = 20;
    for (int i = 0; i < 10; ++i) {
        d.digits[2 * i] = std::uint8_t(key[2 + i] >> 4);
        d.digits[2 * i + 1] = std::uint8_t(key[2 + i] & 0x0F);
    }
    normalise(d);
    return d;
}

Decimal decimalFromText(const char* text, std::size_t length) {
    Decimal d;
    std::size_t i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < length && (text[i] == '-' || text[i] == '+')) d.negative = text[i++] == '-';
    bool point = false;
    for (; i < length; ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        if (d.count == 0 && c == '0') {
            // A leading zero holds no digit, only a place after the point: however many there
            // are, the digits after them are kept.
            if (point && d.exponent > -1000) --d.exponent;
            continue;
        }
        if (d.count < sizeof(d.digits)) d.digits[d.count++] = std::uint8_t(c - '0');
        if (!point && d.exponent < 1000) ++d.exponent;
    }
    const bool negative = d.negative;
    normalise(d);
    if (d.count > 0) d.negative = negative;
    return d;
}

Decimal decimalFromDouble(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.15e", value);
    // d.ddddddddddddddde[+-]XX
    Decimal d;
    const char* p = buffer;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    if (*p < '0' || *p > '9') return Decimal{}; // inf or nan
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9' && d.count < sizeof(d.digits))
            d.digits[d.count++] = std::uint8_t(*p - '0');
    d.exponent = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
    const bool negative = d.negative;
    normalise(d);
    if (d.count > 0) d.negative = negative;
    return d;
}

int decimalCompare(const Decimal& a, const Decimal& b) {
    const bool aZero = a.count == 0, bZero = b.count == 0;
    if (aZero && bZero) return 0;
    const int aSign = aZero ? 0 : (a.negative ? -1 : 1);
    const int bSign = bZero ? 0 : (b.negative ? -1 : 1);
    if (aSign != bSign) return aSign < bSign ? -1 : 1;
    // Same sign, both non-zero: compare magnitudes, then apply the sign.
    int magnitude = 0;
    if (a.exponent != b.exponent) {
        magnitude = a.exponent < b.exponent ? -1 : 1;
    } else {
        const int n = std::max(a.count, b.count);
        for (int i = 0; i < n && magnitude == 0; ++i) {
            const int da = i < a.count ? a.digits[i] : 0;
            const int db = i < b.count ? b.digits[i] : 0;
            if (da != db) magnitude = da < db ? -1 : 1;
        }
    }
    return aSign < 0 ? -magnitude : magnitude;
}

std::string decimalToText(const Decimal& value) {
    if (value.count == 0) return "0";
    std::string out = value.negative ? "-" : "";
    auto digit = [&](int i) {
        return char('0' + std::min<int>(i < value.count ? value.digits[i] : 0, 9));
    };
    if (value.exponent <= 0) {
        out += "0.";
        out.append(std::size_t(-value.exponent), '0');
        for (int i = 0; i < value.count; ++i)
            out += digit(i);
        return out;
    }
    for (int i = 0; i < value.exponent; ++i)
        out += digit(i);
    if (value.count > value.exponent) {
        out += '.';
        for (int i = value.exponent; i < value.count; ++i)
            out += digit(i);
    }
    return out;
}

const unsigned char* Index4::block(std::uint32_t page) {
    if (page == 0) return nullptr;
    const std::int64_t offset = std::int64_t(page) * kPage;
    if (offset > fileSize - std::int64_t(blockSize)) return nullptr;
    if (cachePages.empty()) {
        const std::int64_t blocks = fileSize / std::int64_t(blockSize) + 1;
        std::uint32_t slots = 16;
        while (slots < kMaxCacheSlots && std::int64_t(slots) < blocks)
            slots *= 2;
        cachePages.assign(slots, 0);
        cacheData.resize(std::size_t(slots) * blockSize);
        cacheMask = slots - 1;
    }
    const std::uint32_t slot = (page / (blockSize / kPage)) & cacheMask;
    unsigned char* data = cacheData.data() + std::size_t(slot) * blockSize;
    if (cachePages[slot] == page) return data;
    cachePages[slot] = 0;
    if (file.readAt(offset, data, blockSize) != std::int64_t(blockSize)) return nullptr;
    cachePages[slot] = page;
    return data;
}

int index4read(Index4& index) {
    Code4* code = index.data->code;
    const std::string& name = index.name;
    index.fileSize = index.file.size();
    // A file too short for the header fails the checks like any other that is no index file.
    unsigned char header[48];
    if (index.file.readAt(0, header, sizeof(header)) != std::int64_t(sizeof(header)))
        return reportIndex(index, l4indexChecks);
    const int pages = s16(header + 20);
    const int tagCount = s16(header + 28);
    const std::int32_t word32 = std::int32_t(u32(header + 32));
    if (pages < 1 || pages > 63 || pages * 512 != u16(header + 22) || tagCount < 0 ||
        tagCount > 47 || word32 <= 0)
        return reportIndex(index, l4indexChecks);
    index.blockSize = u16(header + 22);

    std::vector<unsigned char> table(std::size_t(tagCount) * 32);
    if (tagCount > 0 &&
        index.file.readAt(kTagTable, table.data(), table.size()) != std::int64_t(table.size()))
        return reportIndex(index, l4indexChecks);

    for (int t = 0; t < tagCount; ++t) {
        const unsigned char* entry = table.data() + 32 * t;
        auto tag = std::make_unique<Tag4>();
        tag->index = &index;
        for (int i = 0; i < 10 && entry[4 + i] != 0; ++i)
            tag->name += char(std::toupper(entry[4 + i]));
        // The tag header: fixed fields, then the key expression from 24 (at most 220 characters).
        unsigned char th[24 + 221];
        const std::int64_t at = std::int64_t(u32(entry)) * kPage;
        const std::int64_t got = u32(entry) == 0 ? -1 : index.file.readAt(at, th, sizeof(th));
        if (got < 25) return reportIndex(index, l4indexChecks);
        tag->root = u32(th);
        tag->descending = (th[8] & 0x08) != 0;
        tag->unique = (th[8] & 0x40) != 0;
        tag->keyType = char(std::toupper(th[9]));
        if (tag->keyType == 'F') tag->keyType = 'N';
        tag->keyLength = u16(th + 12);
        tag->itemLength = u16(th + 18);
        for (std::int64_t i = 24; i < got && i < 24 + 220 && th[i] != 0; ++i)
            tag->expression += char(th[i]);
        const bool keyOk = (tag->keyType == 'C' && tag->keyLength >= 1 && tag->keyLength <= 255) ||
                           (tag->keyType == 'N' && tag->keyLength == 12) ||
                           (tag->keyType == 'D' && tag->keyLength == 8);
        if (!keyOk || tag->itemLength < tag->keyLength + 4 ||
            tag->itemLength > index.blockSize - kNodeHeader || tag->root == 0 ||
            std::int64_t(tag->root) * kPage > index.fileSize - std::int64_t(index.blockSize))
            return reportIndex(index, l4indexChecks);

        const int rc = tag->expr.parse(tag->expression, *index.data);
        if (rc != 0) return error4report(code, rc, l4i4open, name.c_str(), tag->expression.c_str());
        const ExprType type = tag->expr.type();
        const bool typeOk =
            (tag->keyType == 'C' && (type == ExprType::Character || type == ExprType::Logical)) ||
            (tag->keyType == 'N' && type == ExprType::Numeric) ||
            (tag->keyType == 'D' && type == ExprType::Date);
        if (!typeOk)
            return error4report(code, e4tagExpr, l4i4open, name.c_str(), tag->expression.c_str());
        if (tag->expr.keyLength() != tag->keyLength)
            return error4report(code, e4index, l4exprLength, name.c_str(), tag->name.c_str());
        index.tags.push_back(std::move(tag));
    }
    return 0;
}

void tag4searchKey(const Tag4& tag, const char* text, SearchKey& key) {
    const std::size_t length = std::strlen(text);
    switch (tag.keyType) {
    case 'N':
        key.number = decimalFromText(text, length);
        break;
    case 'D':
        key.date = length >= 8 ? double(date4long(text)) : 0.0;
        break;
    default:
        key.text = text;
        key.length = unsigned(std::min<std::size_t>(length, tag.keyLength));
        break;
    }
}

void tag4exprKey(const Tag4& tag, const ExprValue& value, std::string& storage, SearchKey& key) {
    switch (tag.keyType) {
    case 'N':
        key.number = decimalFromDouble(value.number);
        break;
    case 'D':
        key.date = value.number;
        break;
    default:
        storage = value.text;
        storage.resize(tag.keyLength, ' ');
        key.text = storage.data();
        key.length = tag.keyLength;
        break;
    }
}

int tag4compareKeys(const Tag4& tag, const unsigned char* a, const unsigned char* b) {
    int rc;
    switch (tag.keyType) {
    case 'N':
        rc = decimalCompare(decimalFromKey(a), decimalFromKey(b));
        break;
    case 'D': {
        const double x = dateFromKey(a), y = dateFromKey(b);
        rc = x < y ? -1 : (x > y ? 1 : 0);
        break;
    }
    default:
        rc = std::memcmp(a, b, tag.keyLength);
        break;
    }
    return tag.descending ? -rc : rc;
}

int tag4compare(const Tag4& tag, const unsigned char* key, const SearchKey& search) {
    int rc;
    switch (tag.keyType) {
    case 'N':
        rc = decimalCompare(decimalFromKey(key), search.number);
        break;
    case 'D': {
        const double stored = dateFromKey(key);
        rc = stored < search.date ? -1 : (stored > search.date ? 1 : 0);
        break;
    }
    default:
        rc = std::memcmp(key, search.text, search.length);
        break;
    }
    return tag.descending ? -rc : rc;
}

int tag4seek(Tag4& tag, const SearchKey& search) {
    tag.depth = 0;
    tag.positionRecNo = -1;
    resetSteps(tag);
    std::uint32_t page = tag.root;
    for (;;) {
        if (tag.depth >= Tag4::kMaxDepth) break;
        const unsigned char* node = tag.index->block(page);
        if (!node) break;
        const int count = nodeCount(tag, node);
        if (count < 0) break;
        const int item = lowerBound(tag, node, count, search);
        tag.path[tag.depth++] = {page, item};
        if (!isInterior(tag, node, count)) return finishInLeaf(tag, item, count);
        page = itemPointer(tag, node, item);
    }
    tag.depth = 0;
    return kTreeCorrupt;
}

int tag4top(Tag4& tag) {
    tag.depth = 0;
    tag.positionRecNo = -1;
    resetSteps(tag);
    int rc = descendLeftmost(tag, tag.root);
    if (rc != 0) {
        tag.depth = 0;
        return rc;
    }
    const unsigned char* leaf = tag.index->block(tag.path[tag.depth - 1].page);
    const int count = leaf ? nodeCount(tag, leaf) : -1;
    if (count < 0) {
        tag.depth = 0;
        return kTreeCorrupt;
    }
    return finishInLeaf(tag, 0, count);
}

int tag4skip(Tag4& tag) {
    if (tag.depth == 0) return kTreeEnd;
    Tag4::Level& leaf = tag.path[tag.depth - 1];
    const unsigned char* node = tag.index->block(leaf.page);
    const int count = node ? nodeCount(tag, node) : -1;
    if (count < 0) {
        tag.depth = 0;
        return kTreeCorrupt;
    }
    if (leaf.item + 1 < count) {
        ++leaf.item;
        return 0;
    }
    Tag4::Level saved[Tag4::kMaxDepth];
    const int savedDepth = tag.depth;
    std::copy(tag.path, tag.path + savedDepth, saved);
    const int rc = nextLeaf(tag);
    if (rc == kTreeEnd) {
        std::copy(saved, saved + savedDepth, tag.path);
        tag.depth = savedDepth;
    } else if (rc != 0) {
        tag.depth = 0;
    }
    return rc;
}

std::uint32_t tag4recNo(Tag4& tag) {
    if (tag.depth == 0) return 0;
    const Tag4::Level& leaf = tag.path[tag.depth - 1];
    const unsigned char* node = tag.index->block(leaf.page);
    return node ? itemPointer(tag, node, leaf.item) : 0;
}

const unsigned char* tag4key(Tag4& tag) {
    static const unsigned char kNoKey[256] = {};
    if (tag.depth == 0) return kNoKey;
    const Tag4::Level& leaf = tag.path[tag.depth - 1];
    const unsigned char* node = tag.index->block(leaf.page);
    return node ? itemKey(tag, node, leaf.item) : kNoKey;
}

std::string tag4keyText(const Tag4& tag, const unsigned char* key) {
    switch (tag.keyType) {
    case 'N':
        return decimalToText(decimalFromKey(key));
    case 'D': {
        // Any eight bytes may stand in a damaged file: only a day number in range converts.
        const double day = dateFromKey(key);
        return date4text(day >= 0.0 && day < 1e9 ? long(day) : 0);
    }
    default:
        return std::string(reinterpret_cast<const char*>(key), tag.keyLength);
    }
}

int d4numTags(Data4* data) {
    if (!data) return error4report(nullptr, e4parmNull, l4d4numTags);
    int count = 0;
    for (const auto& index : data->indexes)
        count += int(index->tags.size());
    return count;
}

Tag4* d4tagJ(Data4* data, int position) {
    if (!data) {
        error4report(nullptr, e4parmNull, l4d4tagJ);
        return nullptr;
    }
    for (const auto& index : data->indexes) {
        if (position >= 1 && std::size_t(position) <= index->tags.size())
            return index->tags[std::size_t(position - 1)].get();
        position -= int(index->tags.size());
    }
    return nullptr;
}

namespace {
Tag4* checkedTag(Tag4* tag) {
    if (!tag) error4report(nullptr, e4parmNull, l4t4info);
    return tag;
}
} // namespace

const char* t4alias(Tag4* tag) {
    return checkedTag(tag) ? tag->name.c_str() : nullptr;
}
char t4type(Tag4* tag) {
    return checkedTag(tag) ? tag->keyType : '\0';
}
int t4keyLength(Tag4* tag) {
    return checkedTag(tag) ? int(tag->keyLength) : 0;
}
const char* t4expr(Tag4* tag) {
    return checkedTag(tag) ? tag->expression.c_str() : nullptr;
}
int t4unique(Tag4* tag) {
    return checkedTag(tag) ? int(tag->unique) : 0;
}
int t4descending(Tag4* tag) {
    return checkedTag(tag) ? int(tag->descending) : 0;
}
