// Small byte builders for table-layer tests: DBF, DBT and MDX files laid out as dBASE IV stores
// them, with every part open to damage. (Larger fixtures come from the project's dBASE writer.)
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace table_builder {

inline void putU16(std::string& b, std::size_t at, unsigned v) {
    if (b.size() < at + 2) b.resize(at + 2, '\0');
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

inline void putU32(std::string& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 4) b.resize(at + 4, '\0');
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

struct Field {
    std::string name;
    char type = 'C';
    unsigned length = 10;
    unsigned decimals = 0;
};

struct Dbf {
    std::vector<Field> fields;
    std::vector<std::string> records; // field values concatenated, without the deletion flag
    std::vector<bool> deleted;
    unsigned char version = 0x03;
    unsigned char flags = 0x01; // production index
    long countOverride = -1;

    // Adds a record from one text per field: numbers right-aligned, everything else left-aligned.
    Dbf& add(const std::vector<std::string>& values) {
        std::string r;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string v = i < values.size() ? values[i] : std::string();
            const std::size_t w = fields[i].length;
            if (v.size() > w) v.resize(w);
            if (fields[i].type == 'N' || fields[i].type == 'F')
                r += std::string(w - v.size(), ' ') + v;
            else
                r += v + std::string(w - v.size(), ' ');
        }
        records.push_back(r);
        return *this;
    }

    unsigned recordLength() const {
        unsigned n = 1;
        for (const Field& f : fields)
            n += f.length;
        return n;
    }
    unsigned headerLength() const { return unsigned(32 + 32 * fields.size() + 1); }

    std::string bytes() const {
        std::string b(32, '\0');
        b[0] = char(version);
        b[1] = 99;
        b[2] = 6;
        b[3] = 15;
        putU32(b, 4, std::uint32_t(countOverride >= 0 ? countOverride : long(records.size())));
        putU16(b, 8, headerLength());
        putU16(b, 10, recordLength());
        b[28] = char(flags);
        for (const Field& f : fields) {
            std::string d(32, '\0');
            d.replace(0, f.name.size(), f.name);
            d[11] = f.type;
            if (f.type == 'C') {
                putU16(d, 16, f.length);
            } else {
                d[16] = char(f.length);
                d[17] = char(f.decimals);
            }
            b += d;
        }
        b += '\r';
        for (std::size_t i = 0; i < records.size(); ++i) {
            std::string r = records[i];
            r.resize(recordLength() - 1, ' ');
            b += (i < deleted.size() && deleted[i]) ? '*' : ' ';
            b += r;
        }
        b += '\x1A';
        return b;
    }
};

// A memo file with 512-byte blocks; returns each text's block number through blocks.
inline std::string dbt(const std::vector<std::string>& texts, std::vector<long>* blocks = nullptr) {
    std::string b(512, '\0');
    putU16(b, 20, 512);
    for (const std::string& t : texts) {
        if (blocks) blocks->push_back(long(b.size() / 512));
        std::string entry("\xFF\xFF\x08\x00", 4);
        putU32(entry, 4, std::uint32_t(t.size() + 8));
        entry += t;
        entry.resize((entry.size() + 511) / 512 * 512, '\0');
        b += entry;
    }
    return b;
}

// The 12-byte numeric key of a decimal text such as "-12.5" (digit-count byte as the text gives).
inline std::string numericKey(const std::string& text) {
    std::string digits;
    int before = 0;
    bool negative = false, point = false;
    for (char c : text) {
        if (c == '-') negative = true;
        if (c == '.') point = true;
        if (c >= '0' && c <= '9') {
            if (digits.empty() && c == '0') {
                if (point) --before;
                continue;
            }
            digits += c;
            if (!point) ++before;
        }
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    std::string key(12, '\0');
    if (digits.empty()) {
        key[0] = 0x34;
        key[1] = 0x01;
        return key;
    }
    key[0] = char(0x34 + before);
    key[1] = char((negative ? 0x80 : 0) | (int(digits.size()) << 2) | 1);
    for (std::size_t i = 0; i < digits.size() && i < 20; ++i) {
        const int d = digits[i] - '0';
        key[2 + i / 2] = char(key[2 + i / 2] | (i % 2 ? d : d << 4));
    }
    return key;
}

inline std::string dateKey(double julian) {
    std::string key(8, '\0');
    std::memcpy(key.data(), &julian, 8);
    return key;
}

struct Tag {
    std::string name;
    char type = 'C';
    unsigned keyLength = 10;
    std::string expression;
    std::vector<std::pair<std::string, std::uint32_t>> entries; // key, record, in stored order
    bool descending = false;
    bool unique = false;
    unsigned maxKeys = 0; // keys per node; 0: as many as fit

    unsigned itemLength() const { return (4 + keyLength + 3) / 4 * 4; }
};

// Where a tag's blocks went.
struct TagPages {
    std::uint32_t header = 0;
    std::uint32_t root = 0;
    std::vector<std::uint32_t> leaves;
    std::vector<std::uint32_t> interior;
};

inline std::string mdx(const std::vector<Tag>& tags, unsigned blockSize = 1024,
                       std::vector<TagPages>* layout = nullptr) {
    const unsigned pagesPerBlock = blockSize / 512;
    std::string b(2048, '\0');
    b[0] = 2;
    putU16(b, 20, pagesPerBlock);
    putU16(b, 22, blockSize);
    putU16(b, 28, unsigned(tags.size()));
    std::uint32_t next = 4;
    auto newBlock = [&]() {
        const std::uint32_t page = next;
        next += pagesPerBlock;
        b.resize(std::size_t(next) * 512, '\0');
        return page;
    };
    for (std::size_t t = 0; t < tags.size(); ++t) {
        const Tag& tag = tags[t];
        TagPages pages;
        const unsigned item = tag.itemLength();
        const unsigned fit = (blockSize - 12) / item;
        const unsigned maxKeys = tag.maxKeys ? tag.maxKeys : fit;
        pages.header = newBlock();
        // Leaves, then interior levels up to a single root.
        struct Node {
            std::uint32_t page;
            std::string lastKey;
        };
        std::vector<Node> level;
        std::size_t i = 0;
        do {
            const std::uint32_t page = newBlock();
            const std::size_t at = std::size_t(page) * 512;
            unsigned count = 0;
            std::string last;
            for (; i < tag.entries.size() && count < maxKeys; ++i, ++count) {
                const std::size_t it = at + 8 + count * item;
                putU32(b, it, tag.entries[i].second);
                b.replace(it + 4, tag.keyLength, tag.entries[i].first);
                last = tag.entries[i].first;
            }
            putU32(b, at, count);
            pages.leaves.push_back(page);
            level.push_back({page, last});
        } while (i < tag.entries.size());
        while (level.size() > 1) {
            std::vector<Node> up;
            for (std::size_t c = 0; c < level.size();) {
                const std::uint32_t page = newBlock();
                const std::size_t at = std::size_t(page) * 512;
                const std::size_t children = std::min<std::size_t>(maxKeys + 1, level.size() - c);
                for (std::size_t k = 0; k + 1 < children; ++k) {
                    const std::size_t it = at + 8 + k * item;
                    putU32(b, it, level[c + k].page);
                    b.replace(it + 4, tag.keyLength, level[c + k].lastKey);
                }
                putU32(b, at, std::uint32_t(children - 1));
                putU32(b, at + 8 + (children - 1) * item, level[c + children - 1].page);
                pages.interior.push_back(page);
                up.push_back({page, level[c + children - 1].lastKey});
                c += children;
            }
            level = std::move(up);
        }
        pages.root = level[0].page;
        const std::size_t h = std::size_t(pages.header) * 512;
        putU32(b, h, pages.root);
        b[h + 8] = char(0x10 | (tag.descending ? 0x08 : 0) | (tag.unique ? 0x40 : 0));
        b[h + 9] = tag.type;
        putU16(b, h + 12, tag.keyLength);
        putU16(b, h + 14, fit);
        putU16(b, h + 18, item);
        b.replace(h + 24, tag.expression.size(), tag.expression);
        const std::size_t e = 544 + 32 * t;
        putU32(b, e, pages.header);
        b.replace(e + 4, tag.name.size(), tag.name);
        b[e + 20] = tag.type;
        if (layout) layout->push_back(pages);
    }
    putU32(b, 32, next);
    return b;
}

} // namespace table_builder
