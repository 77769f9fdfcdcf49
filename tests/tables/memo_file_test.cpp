// Memo texts: stored texts, empty memos, damaged entries (never read outside the file), the
// reread after a record change, and the fatal all-ones length.
#include "table_test_support.h"
#include "tables/data4.h"

#include <functional>

namespace {

using table_builder::Dbf;
using table_builder::putU32;
using table_test::Fixture;
using table_test::summary;
using Boxes = std::vector<std::string>;

struct MemoTable {
    Fixture f;
    Data4* data = nullptr;
    Field4* notes = nullptr;

    // One record per block text; dbt is the memo file after damage.
    MemoTable(const std::vector<std::string>& blocks, const std::string& dbt) {
        Dbf dbf;
        dbf.version = 0x8B;
        dbf.flags = 0;
        dbf.fields = {{"NOTES", 'M', 10}, {"TAG", 'C', 2}};
        for (const std::string& b : blocks)
            dbf.add({b, "x"});
        f.write("T.DBF", dbf.bytes());
        f.write("T.DBT", dbt);
        data = d4open(&f.code, f.path("t").c_str());
        if (data) notes = d4field(data, "NOTES");
    }
};

TEST(Memo, TextsAndDamagedEntries) {
    std::vector<long> blocks;
    const std::string good = table_builder::dbt({"first text", "", std::string(600, 'z')}, &blocks);
    ASSERT_EQ(blocks, (std::vector<long>{1, 2, 3}));
    struct Case {
        const char* label;
        std::string block; // the memo field's text
        std::function<void(std::string&)> damage;
        const char* text; // null: the read fails
        Boxes expected;
    } cases[] = {
        {"stored text", "         1", {}, "first text", {}},
        {"block number left-aligned", "1         ", {}, "first text", {}},
        {"long text over blocks", "3", {}, nullptr, {}},
        {"empty entry", "2", {}, "", {}},
        {"blank field", "", {}, "", {}},
        {"block 0", "0", {}, "", {}},
        {"negative block", "-1", {}, "", {}},
        {"no marker", "1", [](std::string& b) { b[512] = 'x'; }, "", {}},
        {"memo_length_below_8.dbt",
         "1",
         [](std::string& b) { putU32(b, 516, 7); },
         "",
         {"-1110 95210"}},
        {"memo_length_beyond_file.dbt",
         "1",
         [](std::string& b) { putU32(b, 516, 100000); },
         "",
         {"-1110 95210"}},
        {"memo_text_offset_beyond_file.dbt",
         "1",
         [](std::string& b) { b[514] = char(0xFF), b[515] = char(0xFF); },
         "",
         {"-1110 95210"}},
        // Every entry would lie on the file's header, which has no entry marker.
        {"memo_block_size_zero.dbt", "1", [](std::string& b) { b[20] = 0, b[21] = 0; }, "", {}},
        {"memo_block_size_negative.dbt",
         "1",
         [](std::string& b) { b[20] = 0, b[21] = char(0x80); },
         "",
         {"-1110 95210"}},
        {"memo_block_beyond_file.dbt", "900", {}, nullptr, {"-70 90621"}},
        {"memo_block_huge.dbt", "9999999999", {}, nullptr, {"-70 90621"}},
    };
    for (const Case& c : cases) {
        std::string dbt = good;
        if (c.damage) c.damage(dbt);
        MemoTable t({c.block}, dbt);
        ASSERT_NE(t.notes, nullptr) << c.label;
        ASSERT_EQ(d4go(t.data, 1), 0) << c.label;
        const char* text = f4memoStr(t.notes);
        if (std::string(c.label) == "long text over blocks") {
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(std::string(text), std::string(600, 'z'));
            EXPECT_EQ(f4memoLen(t.notes), 600u);
            continue;
        }
        if (c.text) {
            ASSERT_NE(text, nullptr) << c.label;
            EXPECT_STREQ(text, c.text) << c.label;
            EXPECT_EQ(f4memoLen(t.notes), c.expected.empty() ? std::strlen(c.text) : 0u) << c.label;
        } else {
            EXPECT_EQ(text, nullptr) << c.label;
            EXPECT_EQ(f4memoLen(t.notes), 0u) << c.label;
        }
        EXPECT_EQ(summary(t.f.boxes), c.expected) << c.label;
        if (!c.expected.empty()) {
            EXPECT_EQ(table_test::descriptions(t.f.boxes.texts()[0])[0], t.f.shown("T.DBT"))
                << c.label;
        }
    }
}

TEST(Memo, TextsFollowTheCurrentRecord) {
    std::vector<long> blocks;
    const std::string dbt = table_builder::dbt({"one", "two"}, &blocks);
    MemoTable t({"1", "2", ""}, dbt);
    ASSERT_NE(t.notes, nullptr);
    EXPECT_STREQ(f4memoStr(t.notes), "") << "no current record";
    ASSERT_EQ(d4go(t.data, 2), 0);
    EXPECT_STREQ(f4memoStr(t.notes), "two");
    ASSERT_EQ(d4go(t.data, 1), 0);
    EXPECT_STREQ(f4memoPtr(t.notes), "one");
    EXPECT_EQ(f4memoLen(t.notes), 3u);
    ASSERT_EQ(d4go(t.data, 3), 0);
    EXPECT_STREQ(f4memoStr(t.notes), "");
    EXPECT_STREQ(f4memoStr(d4field(t.data, "TAG")), "x ") << "a plain field gives its value";
    EXPECT_TRUE(t.f.boxes.calls().empty());
}

TEST(MemoDeathTest, AnAllOnesLengthEndsTheProcess) {
    std::string dbt = table_builder::dbt({"text"});
    putU32(dbt, 516, 0xFFFFFFFFu);
    EXPECT_EXIT(
        {
            MemoTable t({"1"}, dbt);
            d4go(t.data, 1);
            f4memoStr(t.notes);
        },
        testing::ExitedWithCode(3), "");
}

} // namespace
