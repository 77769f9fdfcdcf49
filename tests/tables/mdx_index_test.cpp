// The production index: header and tag checks at open, seeks and seek-nexts on character,
// numeric, date and descending tags over trees of one to three levels, and corrupt trees.
#include "tables/mdx_index.h"

#include "table_test_support.h"
#include "tables/data4.h"
#include "tools/dbase_writer.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

using table_builder::Dbf;
using table_builder::putU16;
using table_builder::putU32;
using table_builder::Tag;
using table_builder::TagPages;
using table_test::Fixture;
using table_test::summary;
using Boxes = std::vector<std::string>;

// A table of one C field KEY (width 4) and one N field VAL (width 6) with the given keys.
Dbf keyed(const std::vector<std::string>& keys) {
    Dbf dbf;
    dbf.fields = {{"KEY", 'C', 4}, {"VAL", 'N', 6, 1}, {"DAY", 'D', 8}};
    for (std::size_t i = 0; i < keys.size(); ++i)
        dbf.add({keys[i], std::to_string(i + 1) + ".5", "20000101"});
    return dbf;
}

// Entries of a character tag over KEY, in ascending key order, equal keys by record number.
Tag keyTag(const std::vector<std::string>& keys, unsigned maxKeys = 0) {
    Tag tag{"BYKEY", 'C', 4, "KEY", {}};
    tag.maxKeys = maxKeys;
    std::vector<std::pair<std::string, std::uint32_t>> entries;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::string k = keys[i];
        k.resize(4, ' ');
        entries.push_back({k, std::uint32_t(i + 1)});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    tag.entries = entries;
    return tag;
}

struct Opened {
    Fixture f;
    Data4* data = nullptr;

    Opened(const Dbf& dbf, const std::vector<Tag>& tags, unsigned blockSize = 1024,
           std::function<void(std::string&)> damage = {}) {
        f.write("T.DBF", dbf.bytes());
        std::string mdx = table_builder::mdx(tags, blockSize, &layout);
        if (damage) damage(mdx);
        f.write("T.MDX", mdx);
        OpenTable table;
        if (openTableSequence(f.code, f.path("t"), {}, {}, table) == 0) data = table.data;
    }
    void select(const char* tag) { d4tagSelect(data, d4tag(data, tag)); }
    std::string key() { return std::string(f4ptr(d4field(data, "KEY")), 4); }

    std::vector<TagPages> layout;
};

TEST(I4Open, HeaderAndTagChecks) {
    const std::vector<std::string> keys = {"A", "B"};
    struct Case {
        const char* file;
        std::function<void(std::string&)> damage;
        Boxes expected;
    } cases[] = {
        {"intact.mdx", [](std::string&) {}, {}},
        {"block_pages_0.mdx", [](std::string& b) { putU16(b, 20, 0); }, {"-310 81716"}},
        {"block_pages_64.mdx",
         [](std::string& b) {
             putU16(b, 20, 64);
             putU16(b, 22, 64 * 512 % 65536);
         },
         {"-310 81716"}},
        {"block_pages_63.mdx",
         [](std::string& b) {
             putU16(b, 20, 63);
             putU16(b, 22, 63 * 512);
         },
         {"-310 81716"}}, // valid header, but the tag's nodes are then out of the file
        {"block_size_mismatch.mdx", [](std::string& b) { putU16(b, 22, 512); }, {"-310 81716"}},
        {"tag_count_48.mdx", [](std::string& b) { putU16(b, 28, 48); }, {"-310 81716"}},
        {"tag_count_negative.mdx", [](std::string& b) { putU16(b, 28, 0xFFFF); }, {"-310 81716"}},
        {"tag_count_0.mdx", [](std::string& b) { putU16(b, 28, 0); }, {}},
        {"word_32_zero.mdx", [](std::string& b) { putU32(b, 32, 0); }, {"-310 81716"}},
        {"word_32_negative.mdx",
         [](std::string& b) { putU32(b, 32, 0x80000000u); },
         {"-310 81716"}},
        {"shorter_than_header.mdx", [](std::string& b) { b.resize(40); }, {"-310 81716"}},
        {"garbage_in_unused_slot.mdx",
         [](std::string& b) { b.replace(544 + 32, 32, std::string(32, '\xEE')); },
         {}},
        {"tag_header_out_of_file.mdx",
         [](std::string& b) { putU32(b, 544, 5000); },
         {"-310 81716"}},
        {"root_out_of_file.mdx", [](std::string& b) { putU32(b, 4 * 512, 5000); }, {"-310 81716"}},
        {"item_length_below_key.mdx",
         [](std::string& b) { putU16(b, 4 * 512 + 18, 6); },
         {"-310 81716"}},
        {"key_length_zero.mdx", [](std::string& b) { putU16(b, 4 * 512 + 12, 0); }, {"-310 81716"}},
        {"key_type_unknown.mdx", [](std::string& b) { b[4 * 512 + 9] = 'Q'; }, {"-310 81716"}},
        {"expression_length_mismatch.mdx",
         [](std::string& b) { b.replace(4 * 512 + 24, 8, "KEY+KEY", 8); },
         {"-310 84901"}},
        {"expression_unparsable.mdx",
         [](std::string& b) { b.replace(4 * 512 + 24, 9, "NOPE(KEY)", 10); },
         {"-470 91706"}},
        {"expression_unknown_field.mdx",
         [](std::string& b) { b.replace(4 * 512 + 24, 5, "KEYS", 5); },
         {"-490 91706"}},
        {"expression_wrong_type.mdx",
         [](std::string& b) { b.replace(4 * 512 + 24, 9, "STR(VAL)", 9); },
         {"-310 84901"}}, // STR() is 10 wide: character, but of another length
        {"numeric_tag_character_expression.mdx",
         [](std::string& b) {
             b[4 * 512 + 9] = 'N';
             putU16(b, 4 * 512 + 12, 12);
             putU16(b, 4 * 512 + 18, 16);
         },
         {"-510 91706"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.write("T.DBF", keyed(keys).bytes());
        std::string mdx = table_builder::mdx({keyTag(keys)});
        c.damage(mdx);
        f.write(c.file, mdx);
        f.code.autoOpen = 0;
        Data4* data = d4open(&f.code, f.path("t").c_str());
        ASSERT_NE(data, nullptr) << c.file;
        Index4* index = i4open(data, f.path(c.file).c_str());
        EXPECT_EQ(summary(f.boxes), c.expected) << c.file;
        EXPECT_EQ(index != nullptr, c.expected.empty()) << c.file;
        if (!c.expected.empty()) {
            EXPECT_TRUE(data->indexes.empty()) << c.file;
            EXPECT_NE(f.boxes.texts().back().find(f.shown(c.file)), std::string::npos) << c.file;
        }
    }
}

TEST(I4Open, AnIndexOpensOncePerTable) {
    Opened t(keyed({"A"}), {keyTag({"A"})});
    ASSERT_NE(t.data, nullptr);
    EXPECT_EQ(i4open(t.data, t.f.path("t").c_str()), nullptr);
    EXPECT_EQ(summary(t.f.boxes), (Boxes{"-69 91707"}));
}

TEST(D4Tag, NamesCompareUpperCasedOnTenCharacters) {
    Tag a = keyTag({"A"});
    a.name = "ABCDEFGHIJ";
    Opened t(keyed({"A"}), {a});
    ASSERT_NE(t.data, nullptr);
    EXPECT_NE(d4tag(t.data, "abcdefghij"), nullptr);
    EXPECT_NE(d4tag(t.data, "ABCDEFGHIJKL"), nullptr);
    EXPECT_TRUE(t.f.boxes.calls().empty());
    EXPECT_EQ(d4tag(t.data, "ABCDEFGHI"), nullptr);
    EXPECT_EQ(summary(t.f.boxes), (Boxes{"-330 92401"}));
    t.f.code.reportMissingTag = 0;
    EXPECT_EQ(d4tag(t.data, "X"), nullptr);
    EXPECT_EQ(t.f.boxes.calls().size(), 1u);
}

// Seeks on trees of one, two and three levels give the same results.
TEST(D4Seek, CharacterKeysArePrefixSearches) {
    const std::vector<std::string> keys = {"AB", "ABC", "B", "AB", "CA", "ABD", "BB", "AA", "AB"};
    for (unsigned maxKeys : {0u, 3u, 2u}) {
        Opened t(keyed(keys), {keyTag(keys, maxKeys)});
        ASSERT_NE(t.data, nullptr);
        t.select("BYKEY");
        struct Case {
            const char* text;
            int rc;
            long recNo;
        } cases[] = {
            {"AB", 0, 1}, {"ABC", 0, 2},     {"A", 0, 8},  {"", 0, 8},
            {"AC", 2, 3}, {"B", 0, 3},       {"BA", 2, 7}, {"C", 0, 5},
            {"D", 3, 10}, {"ABCDEFG", 2, 6}, {"0", 2, 8},  {"CB", 3, 10},
        };
        for (const Case& c : cases) {
            EXPECT_EQ(d4seek(t.data, c.text), c.rc) << c.text << " maxKeys " << maxKeys;
            EXPECT_EQ(d4recNo(t.data), c.recNo) << c.text << " maxKeys " << maxKeys;
        }
        EXPECT_EQ(t.key(), "    ") << "end of file leaves a blank record";

        // Seek-next visits the matching records in key order, equal keys by record number.
        std::vector<long> visited;
        int rc = d4seek(t.data, "AB");
        while (rc == 0) {
            visited.push_back(d4recNo(t.data));
            rc = d4seekNext(t.data, "AB");
        }
        EXPECT_EQ(rc, r4entry);
        EXPECT_EQ(visited, (std::vector<long>{1, 4, 9, 2, 6})) << "maxKeys " << maxKeys;
        EXPECT_EQ(d4recNo(t.data), 3) << "the first record after the matches is current";
        EXPECT_TRUE(t.f.boxes.calls().empty());
    }
}

TEST(D4Seek, SeekNextAtTheLastEntryStays) {
    const std::vector<std::string> keys = {"A", "B", "B"};
    Opened t(keyed(keys), {keyTag(keys, 2)});
    ASSERT_NE(t.data, nullptr);
    t.select("BYKEY");
    EXPECT_EQ(d4seek(t.data, "B"), 0);
    EXPECT_EQ(d4seekNext(t.data, "B"), 0);
    EXPECT_EQ(d4recNo(t.data), 3);
    EXPECT_EQ(d4seekNext(t.data, "B"), r4entry);
    EXPECT_EQ(d4recNo(t.data), 3);
    EXPECT_EQ(d4seekNext(t.data, "B"), r4entry);
    EXPECT_EQ(d4seekNext(t.data, "A"), 0) << "another text falls back to a seek";
    EXPECT_EQ(d4recNo(t.data), 1);
}

TEST(D4Seek, WithoutTagReturns80AndKeepsThePosition) {
    Opened t(keyed({"A", "B"}), {keyTag({"A", "B"})});
    ASSERT_NE(t.data, nullptr);
    t.select("BYKEY");
    ASSERT_EQ(d4seek(t.data, "B"), 0);
    d4tagSelect(t.data, nullptr);
    EXPECT_EQ(d4seek(t.data, "A"), r4noTag);
    EXPECT_EQ(d4seekNext(t.data, "A"), r4noTag);
    EXPECT_EQ(d4recNo(t.data), 2);
    EXPECT_EQ(t.key(), "B   ");
    t.f.code.reportMissingTag = 0;
    d4tagSelect(t.data, d4tag(t.data, "NOSUCHTAG")); // a tag not found selects none
    EXPECT_EQ(d4seek(t.data, "A"), r4noTag);
    t.f.code.reportMissingTag = 1;
    d4tagSelect(t.data, d4tag(t.data, "NOSUCHTAG"));
    EXPECT_EQ(d4seek(t.data, "A"), -1) << "the reported -330 leaves the context in error";
}

TEST(D4Seek, EntriesBeyondTheRecordCountAreSkipped) {
    const std::vector<std::string> keys = {"A", "B", "C"};
    Tag tag = keyTag(keys);
    tag.entries = {{"A   ", 1}, {"B   ", 7}, {"B   ", 0}, {"B   ", 2}, {"C   ", 9}};
    Opened t(keyed(keys), {tag});
    ASSERT_NE(t.data, nullptr);
    t.select("BYKEY");
    EXPECT_EQ(d4seek(t.data, "B"), 0);
    EXPECT_EQ(d4recNo(t.data), 2);
    EXPECT_EQ(d4seekNext(t.data, "B"), r4entry) << "record 9 does not exist: none left";
    EXPECT_EQ(d4recNo(t.data), 2);
    EXPECT_EQ(d4seek(t.data, "C"), r4eof);
    EXPECT_TRUE(t.f.boxes.calls().empty());
}

TEST(D4Seek, SeekNextRepositionsAfterAnotherTagMoved) {
    const std::vector<std::string> keys = {"B", "A", "B", "C"};
    Tag byKey = keyTag(keys, 2);
    Tag byVal{"BYVAL", 'N', 12, "VAL", {}};
    for (std::uint32_t r = 4; r >= 1; --r)
        byVal.entries.push_back({table_builder::numericKey(std::to_string(r) + ".5"), r});
    byVal.descending = true;
    Opened t(keyed(keys), {byKey, byVal});
    ASSERT_NE(t.data, nullptr);
    t.select("BYVAL");
    ASSERT_EQ(d4seek(t.data, "1.5"), 0);
    EXPECT_EQ(d4recNo(t.data), 1);
    t.select("BYKEY");
    EXPECT_EQ(d4seekNext(t.data, "B"), 0) << "BYKEY is put on record 1's entry first";
    EXPECT_EQ(d4recNo(t.data), 3);
    EXPECT_EQ(d4seekNext(t.data, "B"), r4entry);
    EXPECT_EQ(d4recNo(t.data), 4);
}

TEST(D4Seek, NumericKeysCompareByValue) {
    Dbf dbf;
    dbf.fields = {{"VAL", 'N', 8, 2}};
    const char* values[] = {"-16", "0", "1", "2.5", "3", "3", "10", "100.25"};
    Tag tag{"BYVAL", 'N', 12, "VAL", {}};
    for (std::uint32_t i = 0; i < std::size(values); ++i) {
        dbf.add({values[i]});
        std::string key = table_builder::numericKey(values[i]);
        if (i == 2) key[1] = 0x29; // a writer's irregular digit-count byte
        tag.entries.push_back({key, i + 1});
    }
    for (unsigned maxKeys : {0u, 2u}) {
        tag.maxKeys = maxKeys;
        Opened t(dbf, {tag});
        ASSERT_NE(t.data, nullptr);
        t.select("BYVAL");
        struct Case {
            const char* text;
            int rc;
            long recNo;
        } cases[] = {
            {"1", 0, 3},      {" 1.00", 0, 3}, {"2", 2, 4}, {"2.5", 0, 4}, {"-16.0", 0, 1},
            {"-20", 2, 1},    {"-1", 2, 2},    {"0", 0, 2}, {"", 0, 2},    {"9", 2, 7},
            {"100.25", 0, 8}, {"100.3", 3, 9}, {"3", 0, 5}, {"abc", 0, 2},
        };
        for (const Case& c : cases) {
            EXPECT_EQ(d4seek(t.data, c.text), c.rc) << c.text;
            EXPECT_EQ(d4recNo(t.data), c.recNo) << c.text;
        }
        ASSERT_EQ(d4seek(t.data, "3"), 0);
        EXPECT_EQ(d4seekNext(t.data, "3.0"), 0);
        EXPECT_EQ(d4recNo(t.data), 6);
        EXPECT_EQ(d4seekNext(t.data, "3"), r4entry);
        EXPECT_EQ(d4recNo(t.data), 7);
    }
}

TEST(D4Seek, DateKeysCompareDayNumbers) {
    Dbf dbf;
    dbf.fields = {{"DAY", 'D', 8}};
    const char* days[] = {"19991231", "20000101", "20000101", "20240229"};
    Tag tag{"BYDAY", 'D', 8, "DAY", {}};
    for (std::uint32_t i = 0; i < std::size(days); ++i) {
        dbf.add({days[i]});
        tag.entries.push_back({table_builder::dateKey(double(date4long(days[i]))), i + 1});
    }
    Opened t(dbf, {tag});
    ASSERT_NE(t.data, nullptr);
    t.select("BYDAY");
    EXPECT_EQ(d4seek(t.data, "20000101"), 0);
    EXPECT_EQ(d4recNo(t.data), 2);
    EXPECT_EQ(d4seekNext(t.data, "20000101"), 0);
    EXPECT_EQ(d4recNo(t.data), 3);
    EXPECT_EQ(d4seek(t.data, "20000102"), r4after);
    EXPECT_EQ(d4recNo(t.data), 4);
    EXPECT_EQ(d4seek(t.data, "20240301"), r4eof);
}

TEST(Tag4, DateKeysOutOfRangeShowAsBlankDates) {
    Tag4 tag{};
    tag.keyType = 'D';
    tag.keyLength = 8;
    struct Case {
        const char* label;
        double day;
        const char* text;
    } cases[] = {
        {"in range", 2451545.0, "20000101"}, {"negative", -1e300, "        "},
        {"huge", 1e300, "        "},         {"not a number", std::nan(""), "        "},
        {"infinite", HUGE_VAL, "        "},
    };
    for (const auto& c : cases) {
        unsigned char key[8];
        std::memcpy(key, &c.day, sizeof key);
        EXPECT_EQ(tag4keyText(tag, key), c.text) << c.label;
    }
}

TEST(D4Seek, DescendingTagsSeekInTheirStoredOrder) {
    const std::vector<std::string> keys = {"A", "BA", "BB", "C", "BB"};
    Tag tag = keyTag(keys, 2);
    tag.descending = true;
    tag.entries = {{"C   ", 4}, {"BB  ", 3}, {"BB  ", 5}, {"BA  ", 2}, {"A   ", 1}};
    Opened t(keyed(keys), {tag});
    ASSERT_NE(t.data, nullptr);
    t.select("BYKEY");
    struct Case {
        const char* text;
        int rc;
        long recNo;
    } cases[] = {{"", 0, 4},   {"D", 2, 4},   {"C", 0, 4}, {"B", 0, 3},
                 {"BC", 2, 3}, {"BAA", 2, 2}, {"A", 0, 1}, {"0", 3, 6}};
    for (const Case& c : cases) {
        EXPECT_EQ(d4seek(t.data, c.text), c.rc) << c.text;
        EXPECT_EQ(d4recNo(t.data), c.recNo) << c.text;
    }
    std::vector<long> visited;
    for (int rc = d4seek(t.data, "B"); rc == 0; rc = d4seekNext(t.data, "B"))
        visited.push_back(d4recNo(t.data));
    EXPECT_EQ(visited, (std::vector<long>{3, 5, 2}));
}

TEST(D4Seek, CorruptTreesEndTheSeekWithAnError) {
    std::vector<std::string> keys;
    for (int i = 0; i < 12; ++i)
        keys.push_back(std::string(1, char('A' + i)));
    struct Case {
        const char* label;
        std::function<void(std::string&, const TagPages&)> damage;
        const char* found = "-310 92903"; // by the seek, or by a seek-next (92905)
    } cases[] = {
        {"child_outside_file",
         [](std::string& b, const TagPages& p) { putU32(b, p.root * 512 + 8, 99999); }},
        {"child_is_page_zero",
         [](std::string& b, const TagPages& p) { putU32(b, p.root * 512 + 8, 0); }},
        {"child_points_to_root",
         [](std::string& b, const TagPages& p) {
             for (int i = 0; i < 4; ++i)
                 putU32(b, p.root * 512 + 8 + 8 * i, p.root);
         }},
        {"key_count_too_large",
         [](std::string& b, const TagPages& p) { putU32(b, p.leaves[0] * 512, 200); }},
        {"negative_key_count",
         [](std::string& b, const TagPages& p) { putU32(b, p.root * 512, 0xFFFFFFF0u); }},
        {"every_child_the_same_subtree",
         [](std::string& b, const TagPages& p) {
             // All interior pointers lead to the first interior node: far more leaves are
             // reached than the file holds.
             for (std::uint32_t page : p.interior)
                 for (int i = 0; i <= 3; ++i)
                     putU32(b, page * 512 + 8 + 8 * i,
                            page == p.root ? p.interior[0] : p.leaves[0]);
         },
         "-310 92905"},
    };
    for (const Case& c : cases) {
        Tag tag = keyTag(keys, 2);
        std::vector<TagPages> pages;
        std::string mdx = table_builder::mdx({tag}, 512, &pages);
        ASSERT_GE(pages[0].interior.size(), 2u);
        Opened t(keyed(keys), {tag}, 512, [&](std::string& b) { c.damage(b, pages[0]); });
        ASSERT_NE(t.data, nullptr) << c.label;
        t.select("BYKEY");
        int rc = d4seek(t.data, "");
        for (int n = 0; rc == 0 && n < 1000; ++n)
            rc = d4seekNext(t.data, "");
        EXPECT_EQ(rc, -310) << c.label;
        ASSERT_EQ(summary(t.f.boxes), (Boxes{c.found})) << c.label;
        EXPECT_EQ(table_test::descriptions(t.f.boxes.texts()[0]),
                  (Boxes{t.f.shown("T.MDX"), "corrupt B-tree"}))
            << c.label;
        EXPECT_EQ(d4seek(t.data, "A"), -1) << "the context is in error now";
    }
}

TEST(Tag4, TheWalkVisitsEveryEntryInStoredOrder) {
    std::vector<std::string> keys;
    for (int i = 0; i < 40; ++i)
        keys.push_back(std::string(1, char('A' + (i * 7) % 13)));
    for (unsigned maxKeys : {0u, 5u, 2u}) {
        Tag tag = keyTag(keys, maxKeys);
        Opened t(keyed(keys), {tag}, 512);
        ASSERT_NE(t.data, nullptr);
        Tag4* tag4 = d4tag(t.data, "BYKEY");
        std::vector<std::uint32_t> walked;
        int rc = tag4top(*tag4);
        for (; rc == 0; rc = tag4skip(*tag4))
            walked.push_back(tag4recNo(*tag4));
        EXPECT_EQ(rc, kTreeEnd);
        std::vector<std::uint32_t> expected;
        for (const auto& e : tag.entries)
            expected.push_back(e.second);
        EXPECT_EQ(walked, expected) << "maxKeys " << maxKeys;
        EXPECT_EQ(tag4skip(*tag4), kTreeEnd) << "the end stays the end";
        if (maxKeys == 2u) {
            EXPECT_GE(t.layout[0].interior.size(), 4u) << "three or more levels";
        }
    }
    // An empty tag has no first entry.
    Opened empty(keyed({"A"}), {keyTag({})});
    ASSERT_NE(empty.data, nullptr);
    EXPECT_EQ(tag4top(*d4tag(empty.data, "BYKEY")), kTreeEnd);
    empty.select("BYKEY");
    EXPECT_EQ(d4seek(empty.data, "A"), r4eof);
    EXPECT_EQ(d4recNo(empty.data), 2);
}

TEST(Decimal, KeysAndTextsCompareByValue) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"1", "1.0", 0},
        {"-1", "1", -1},
        {"0", "-0", 0},
        {"10", "9.99", 1},
        {"0.05", "0.5", -1},
        {"-0.05", "-0.5", 1},
        {"123.456", "123.4560", 0},
        {"", "0", 0},
    };
    for (const Case& c : cases) {
        const Decimal a = decimalFromText(c.a, std::strlen(c.a));
        const Decimal b = decimalFromText(c.b, std::strlen(c.b));
        EXPECT_EQ(decimalCompare(a, b), c.expected) << c.a << " vs " << c.b;
        const Decimal fromKey = decimalFromKey(
            reinterpret_cast<const unsigned char*>(table_builder::numericKey(c.a).data()));
        EXPECT_EQ(decimalCompare(fromKey, a), 0) << c.a;
    }
    EXPECT_EQ(decimalToText(decimalFromText("-0012.500", 9)), "-12.5");
    EXPECT_EQ(decimalToText(decimalFromText("0.05", 4)), "0.05");
    EXPECT_EQ(decimalCompare(decimalFromDouble(0.1), decimalFromText("0.1", 3)), 0);
    // More leading zeros than a key has digits still leave the digits after them.
    const std::string zeros(40, '0');
    EXPECT_EQ(decimalToText(decimalFromText((zeros + "17").c_str(), 42)), "17");
    EXPECT_EQ(decimalToText(decimalFromText(("0." + zeros + "5").c_str(), 43)),
              "0." + zeros + "5");
}

} // namespace

// Tables from the project's dBASE writer, with trees of three and more levels: every record is
// found by a seek on its own key in every tag, character, numeric, date and descending alike.
TEST(WriterTables, EveryRecordIsFoundByItsKeyInEveryTag) {
    dbase::TableDef def;
    def.fields = {{"NAME", 'C', 8, 0}, {"NUM", 'N', 8, 2}, {"DAY", 'D', 8, 0}};
    for (int i = 0; i < 60; ++i) {
        char num[16], day[16];
        std::snprintf(num, sizeof num, "%.2f", (i * 37 % 23) - 7.5);
        std::snprintf(day, sizeof day, "19%02d%02d%02d", 70 + i % 29, 1 + i % 12, 1 + i % 28);
        def.records.push_back(
            {std::string(1, char('A' + i % 26)) + std::to_string(i % 7), num, day});
    }
    def.tags = {{"BYNAME", "UPPER(NAME)", false, false},
                {"BYNUM", "NUM", false, false},
                {"BYDAY", "DAY", true, false},
                {"BYMIX", "NAME+STR(NUM,8,2)+DTOS(DAY)", true, false}};
    def.options.indexBlockSize = 512;
    def.options.maxKeysPerNode = 3;
    Fixture f;
    const dbase::TableFiles files = dbase::writeTable(f.dir.path(), "W", def);
    ASSERT_GE(files.tags[0].levels, 3);
    OpenTable table;
    ASSERT_EQ(openTableSequence(f.code, f.path("w"), {}, {}, table), 0);
    for (const dbase::TagDef& tagDef : def.tags) {
        SCOPED_TRACE(tagDef.name);
        Tag4* tag = d4tag(table.data, tagDef.name.c_str());
        ASSERT_NE(tag, nullptr);
        d4tagSelect(table.data, tag);
        for (long n = 1; n <= long(def.records.size()); ++n) {
            ASSERT_EQ(d4go(table.data, n), 0);
            // The record's own key, as the seeks take it.
            const ExprValue value = tag->expr.evaluate();
            std::string text = value.text;
            if (value.type == ExprType::Numeric) text = def.records[std::size_t(n - 1)][1];
            if (value.type == ExprType::Date) text = def.records[std::size_t(n - 1)][2];
            int rc = d4seek(table.data, text.c_str());
            while (rc == 0 && d4recNo(table.data) != n)
                rc = d4seekNext(table.data, text.c_str());
            EXPECT_EQ(rc, 0) << "record " << n << " key " << text;
        }
    }
    EXPECT_TRUE(f.boxes.calls().empty());
}

// Tags over the wider function set, written by the project's dBASE writer over trees of several
// levels: each opens without a box, walks in the order its keys give, and the key the layer
// computes for each record is the one stored for it, so seek-next finds its place from any
// record.
TEST(WriterTables, TagsOverEveryFunctionOpenAndMatchTheirRecords) {
    dbase::TableDef def;
    def.fields = {{"NAME", 'C', 30, 0},
                  {"CODE", 'C', 5, 0},
                  {"CNT", 'N', 6, 0},
                  {"DAY", 'D', 8, 0},
                  {"OK", 'L', 1, 0}};
    def.records = {{"Zeta Holdings", "AB009", "12", "19990105", "T"},
                   {"alpha mining", "XY002", "-3", "20010220", "F"},
                   {"Beta", "AB005", "7", "19981231", "T"},
                   {"alpha mining", "CD001", "250", "", "F"},
                   {"Gamma", "XY007", "7", "20000229", "T"}};
    def.deleted = {3};
    const struct {
        const char* expression;
        bool descending;
        std::vector<long> order;
    } cases[] = {
        {"LEFT(NAME,25)+STR(CNT,11,0)", false, {3, 5, 1, 2, 4}},
        {"RIGHT(CODE,3)+LEFT(CODE,2)", false, {4, 2, 3, 5, 1}},
        {"IIF(DELETED(),'1','0')+UPPER(NAME)", false, {2, 4, 5, 1, 3}},
        {"IIF(OK,CODE,'-----')", false, {2, 4, 3, 1, 5}},
        {"TRIM(NAME)+CODE", false, {3, 5, 1, 4, 2}},
        {"DTOC(DAY)", false, {4, 1, 2, 5, 3}},
        {"CTOD(DTOC(DAY))", false, {4, 5, 2, 3, 1}}, // 19YY: 02/29/00 is no date
        {"RECNO()", true, {5, 4, 3, 2, 1}},
        {"DESCEND(UPPER(NAME))", false, {1, 5, 3, 2, 4}},
        {"DESCEND(CNT)", false, {4, 1, 3, 5, 2}},
        {"DESCEND(DAY)", false, {2, 5, 1, 3, 4}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        def.tags.push_back({"T" + std::to_string(i), cases[i].expression, cases[i].descending});
    def.options.indexBlockSize = 512;
    def.options.maxKeysPerNode = 2;
    Fixture f;
    dbase::writeTable(f.dir.path(), "W", def);
    OpenTable table;
    ASSERT_EQ(openTableSequence(f.code, f.path("w"), {}, {}, table), 0);
    EXPECT_TRUE(f.boxes.calls().empty());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].expression);
        Tag4* tag = d4tag(table.data, ("T" + std::to_string(i)).c_str());
        ASSERT_NE(tag, nullptr);
        std::vector<long> walked;
        for (int rc = tag4top(*tag); rc == 0; rc = tag4skip(*tag))
            walked.push_back(long(tag4recNo(*tag)));
        EXPECT_EQ(walked, cases[i].order);

        for (long n = 1; n <= 5; ++n) {
            ASSERT_EQ(d4go(table.data, n), 0);
            SearchKey key;
            std::string storage;
            tag4exprKey(*tag, tag->expr.evaluate(), storage, key);
            int rc = tag4seek(*tag, key);
            while (rc == 0 && tag4compare(*tag, tag4key(*tag), key) == 0 &&
                   long(tag4recNo(*tag)) != n)
                rc = tag4skip(*tag);
            EXPECT_TRUE(rc == 0 && long(tag4recNo(*tag)) == n &&
                        tag4compare(*tag, tag4key(*tag), key) == 0)
                << "record " << n << " key " << tag4keyText(*tag, tag4key(*tag));
        }
        if (tag->keyType != 'C') continue;
        // From each record, seek-next on the empty prefix goes on to the next in the tag's order.
        d4tagSelect(table.data, tag);
        const std::vector<long>& order = cases[i].order;
        for (std::size_t k = 0; k < order.size(); ++k) {
            ASSERT_EQ(d4go(table.data, order[k]), 0);
            const int rc = d4seekNext(table.data, "");
            if (k + 1 < order.size()) {
                EXPECT_EQ(rc, 0) << "after record " << order[k];
                EXPECT_EQ(d4recNo(table.data), order[k + 1]) << "after record " << order[k];
            } else {
                EXPECT_EQ(rc, r4entry);
            }
        }
        d4tagSelect(table.data, nullptr);
    }
    EXPECT_TRUE(f.boxes.calls().empty());
}
