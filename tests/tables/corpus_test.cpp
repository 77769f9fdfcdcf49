// Compatibility with dBASE IV files written by other programs (the shared corpus): every tag
// walks in the order an independent reader lists, every record and memo reads without a box, and
// character tags give the same order through seek and seek-next on the empty prefix.
#include "table_test_support.h"
#include "tables/data4.h"
#include "tables/mdx_index.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

fs::path corpusDir() {
    return fs::path(PANORAMA_CORPUS_DIR) / "dbase";
}

std::vector<fs::path> dataSets() {
    std::vector<fs::path> sets;
    for (const auto& entry : fs::directory_iterator(corpusDir()))
        if (entry.is_directory()) sets.push_back(entry.path());
    std::sort(sets.begin(), sets.end());
    return sets;
}

std::vector<long> readOrder(const fs::path& file) {
    std::vector<long> order;
    std::ifstream in(file);
    for (long n; in >> n;)
        order.push_back(n);
    return order;
}

fs::path tableIn(const fs::path& set) {
    for (const auto& entry : fs::directory_iterator(set)) {
        std::string ext = entry.path().extension().string();
        for (char& c : ext)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        if (ext == ".DBF") return entry.path();
    }
    return {};
}

TEST(Corpus, TagsWalkInTheOrderOfAnIndependentReader) {
    if (!fs::is_directory(corpusDir()))
        GTEST_SKIP() << "corpus folder " << corpusDir() << " is absent: nothing compared";
    platform::RecordedMessageBoxes boxes;
    int tagsCompared = 0;
    for (const fs::path& set : dataSets()) {
        SCOPED_TRACE(set.filename().string());
        const fs::path dbf = tableIn(set);
        ASSERT_FALSE(dbf.empty());
        std::string base = dbf.string();
        base.resize(base.size() - 4);
        Code4 code;
        code4init(&code);
        std::vector<fs::path> orders;
        for (const auto& entry : fs::directory_iterator(set))
            if (entry.path().extension() == ".order") orders.push_back(entry.path());
        Data4* data = nullptr;
        if (orders.empty()) {
            code.autoOpen = 0; // a table without a production index
            data = d4open(&code, base.c_str());
        } else {
            OpenTable table;
            ASSERT_EQ(openTableSequence(code, base, {}, {}, table), 0);
            data = table.data;
        }
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(d4numTags(data), int(orders.size()));

        // Every record and memo.
        for (long n = 1; n <= d4recCount(data); ++n) {
            ASSERT_EQ(d4go(data, n), 0) << n;
            for (int j = 1; j <= d4numFields(data); ++j) {
                Field4* field = d4fieldJ(data, j);
                if (!field->isMemo()) continue;
                EXPECT_NE(f4memoStr(field), nullptr) << n;
            }
        }

        for (const fs::path& orderFile : orders) {
            const std::string name = orderFile.stem().string();
            SCOPED_TRACE(name);
            const std::vector<long> expected = readOrder(orderFile);
            Tag4* tag = d4tag(data, name.c_str());
            ASSERT_NE(tag, nullptr);
            std::vector<long> walked;
            int rc = tag4top(*tag);
            for (; rc == 0; rc = tag4skip(*tag))
                walked.push_back(long(tag4recNo(*tag)));
            EXPECT_EQ(rc, kTreeEnd);
            EXPECT_EQ(walked, expected);
            ++tagsCompared;

            if (t4type(tag) != 'C') continue;
            d4tagSelect(data, tag);
            std::vector<long> sought;
            rc = d4seek(data, "");
            for (; rc == 0; rc = d4seekNext(data, ""))
                sought.push_back(d4recNo(data));
            EXPECT_EQ(rc, expected.empty() ? r4eof : r4entry);
            EXPECT_EQ(sought, expected);
        }
        EXPECT_EQ(code4initUndo(&code), 0);
    }
    EXPECT_EQ(tagsCompared, 23);
    EXPECT_TRUE(boxes.calls().empty()) << boxes.texts()[0];
}

// Seeks for every key of every character tag land on the first record of that key.
TEST(Corpus, EveryStoredKeyIsFoundBySeek) {
    if (!fs::is_directory(corpusDir()))
        GTEST_SKIP() << "corpus folder " << corpusDir() << " is absent: nothing compared";
    platform::RecordedMessageBoxes boxes;
    for (const fs::path& set : dataSets()) {
        SCOPED_TRACE(set.filename().string());
        const fs::path dbf = tableIn(set);
        std::string base = dbf.string();
        base.resize(base.size() - 4);
        Code4 code;
        code4init(&code);
        OpenTable table;
        if (openTableSequence(code, base, {}, {}, table) != 0) {
            code4initUndo(&code);
            boxes.clear();
            continue; // no production index
        }
        for (int t = 1; t <= d4numTags(table.data); ++t) {
            Tag4* tag = d4tagJ(table.data, t);
            SCOPED_TRACE(t4alias(tag));
            std::vector<std::pair<std::string, long>> entries;
            for (int rc = tag4top(*tag); rc == 0; rc = tag4skip(*tag))
                entries.push_back({tag4keyText(*tag, tag4key(*tag)), long(tag4recNo(*tag))});
            d4tagSelect(table.data, tag);
            for (std::size_t i = 0; i < entries.size(); ++i) {
                if (i > 0 && entries[i].first == entries[i - 1].first) continue;
                ASSERT_EQ(d4seek(table.data, entries[i].first.c_str()), 0) << entries[i].first;
                EXPECT_EQ(d4recNo(table.data), entries[i].second) << entries[i].first;
            }
        }
        code4initUndo(&code);
    }
    EXPECT_TRUE(boxes.calls().empty());
}

} // namespace
