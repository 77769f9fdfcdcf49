#include "tools/dbase_writer.h"

#include "platform/core/message_box.h"
#include "tables/mdx_index.h"
#include "tables/table_layer.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>

#include <gtest/gtest.h>

#include <unistd.h>

using testing_support::TempDir;

namespace {

// ---------------------------------------------------------------------------------------------
// The independent reader: Debian's libdbd-xbase-perl (index_dump and the XBase module).

std::optional<std::string> findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return std::nullopt;
}

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell command and returns its standard output; fails the test on a non-zero status.
std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << command << "\n" << output;
    return output;
}

#define REQUIRE_PERL_READER()                                                                      \
    if (!findProgram("index_dump"))                                                                \
    GTEST_SKIP() << "index_dump (libdbd-xbase-perl) is not installed"

struct IndexItem {
    std::string key;
    long record = 0;
};

// index_dump prints each key's raw bytes, a blank and the record number; keys have a fixed
// length, so even binary keys with newlines in them are split correctly.
std::vector<IndexItem> indexDump(const std::string& mdx, const std::string& tag,
                                 unsigned keyLength) {
    const std::string out = run("index_dump " + quote(mdx) + " " + quote(tag));
    std::vector<IndexItem> items;
    std::size_t pos = 0;
    while (pos < out.size()) {
        IndexItem item;
        item.key = out.substr(pos, keyLength);
        pos += keyLength;
        if (pos >= out.size() || out[pos] != ' ') {
            ADD_FAILURE() << "index_dump output not understood at byte " << pos;
            break;
        }
        const std::size_t end = out.find('\n', pos);
        item.record = std::stol(out.substr(pos + 1, end - pos - 1));
        items.push_back(item);
        pos = end + 1;
    }
    return items;
}

// Every record as the XBase module reads it: the deleted flag, then each field's value (texts
// trimmed, memo texts from the memo file; hex-encoded to survive any bytes).
std::vector<std::vector<std::string>> perlRecords(const std::string& dbf) {
    const std::string script =
        "my $t = new XBase(name => $ARGV[0]) or die XBase->errstr;"
        "for my $i (0 .. $t->last_record) { my @r = $t->get_record($i) or die $t->errstr;"
        "print join(' ', map { defined $_ ? unpack('H*', $_) . '.' : '-' } @r), \"\\n\" }";
    std::stringstream lines(run("perl -MXBase -e " + quote(script) + " " + quote(dbf)));
    std::vector<std::vector<std::string>> records;
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> values;
        std::stringstream words(line);
        std::string word;
        while (words >> word) {
            std::string value;
            if (word != "-") {
                for (std::size_t i = 0; i + 1 < word.size(); i += 2)
                    value += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
            }
            values.push_back(value);
        }
        records.push_back(values);
    }
    return records;
}

// ---------------------------------------------------------------------------------------------
// Expected keys, computed without the writer's own code.

std::string hex(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02x ", c);
        out += buffer;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

double decodeBcd(std::string_view key) {
    const auto byte1 = static_cast<unsigned char>(key[1]);
    const int count = (byte1 >> 2) & 0x1F;
    double value = 0;
    for (int i = 0; i < count; ++i) {
        const auto packed = static_cast<unsigned char>(key[2 + i / 2]);
        value = value * 10 + (i % 2 == 0 ? packed >> 4 : packed & 0x0F);
    }
    value *= std::pow(10.0, (static_cast<unsigned char>(key[0]) - 0x34) - count);
    return (byte1 & 0x80) ? -value : value;
}

double decodeDouble(std::string_view key) {
    double value = 0;
    std::memcpy(&value, key.data(), sizeof value);
    return value;
}

std::string doubleKey(double value) {
    std::string key(8, '\0');
    std::memcpy(key.data(), &value, sizeof value);
    return key;
}

double julianOf(const std::string& yyyymmdd) {
    using namespace std::chrono;
    const year_month_day date{year{std::stoi(yyyymmdd.substr(0, 4))},
                              month{static_cast<unsigned>(std::stoi(yyyymmdd.substr(4, 2)))},
                              day{static_cast<unsigned>(std::stoi(yyyymmdd.substr(6, 2)))}};
    return sys_days(date).time_since_epoch().count() + 2440588.0;
}

std::string upperText(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

// ---------------------------------------------------------------------------------------------

TEST(DbaseWriterKeys, NumbersBecomeTwelveByteBcd) {
    // The first rows are keys copied from real dBASE IV files.
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"2", "35 05 20 00 00 00 00 00 00 00 00 00"},
        {"48", "36 09 48 00 00 00 00 00 00 00 00 00"},
        {"116", "37 0d 11 60 00 00 00 00 00 00 00 00"},
        {"10", "36 05 10 00 00 00 00 00 00 00 00 00"},
        {"0", "34 01 00 00 00 00 00 00 00 00 00 00"},
        {"  -0.00", "34 01 00 00 00 00 00 00 00 00 00 00"},
        {"", "34 01 00 00 00 00 00 00 00 00 00 00"},
        {"-3.5", "35 89 35 00 00 00 00 00 00 00 00 00"},
        {"0.05", "33 05 50 00 00 00 00 00 00 00 00 00"},
        {"  12.50", "36 0d 12 50 00 00 00 00 00 00 00 00"},
        {"123456789012345678901234", "4c 51 12 34 56 78 90 12 34 56 78 90"},
        {"7abc", "35 05 70 00 00 00 00 00 00 00 00 00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hex(dbase::numericKey(c.text)), c.expected) << c.text;
}

TEST(DbaseWriterKeys, DatesBecomeJulianDayDoubles) {
    EXPECT_EQ(decodeDouble(dbase::dateKey("20000101")), 2451545.0);
    EXPECT_EQ(decodeDouble(dbase::dateKey("19700101")), 2440588.0);
    EXPECT_EQ(decodeDouble(dbase::dateKey("18991231")), julianOf("18991231"));
    EXPECT_EQ(decodeDouble(dbase::dateKey("        ")), 0.0) << "a blank date sorts first";
}

TEST(DbaseWriterKeys, ExpressionsGiveTheirKeyTypeAndLength) {
    const std::vector<dbase::FieldDef> fields = {
        {"NAME", 'C', 8}, {"CITY", 'C', 12}, {"AMOUNT", 'N', 9, 2}, {"BORN", 'D'}};
    const std::vector<std::string> record = {"smith", "  Oslo", "-12.345", "19991231"};
    const struct {
        const char* expression;
        char type;
        unsigned length;
        std::string key;
    } cases[] = {
        {"NAME", 'C', 8, "smith   "},
        {"name+City", 'C', 20, "smith     Oslo      "},
        {"UPPER(NAME) + CITY", 'C', 20, "SMITH     Oslo      "},
        {"TRIM(NAME)+CITY", 'C', 20, padded("smith  Oslo", 20)},
        {"LTRIM(CITY)", 'C', 12, padded("Oslo", 12)},
        {"SUBSTR(CITY, 3, 2)", 'C', 2, "Os"},
        {"STR(AMOUNT,8,2)", 'C', 8, "  -12.35"},
        {"STR(AMOUNT)", 'C', 10, "       -12"},
        {"STR(AMOUNT,2)", 'C', 2, "**"},
        {"DTOS(BORN)", 'C', 8, "19991231"},
        {"AMOUNT", 'N', 12, dbase::numericKey("-12.345")},
        {"VAL(SUBSTR(NAME,1,3))", 'N', 12, dbase::numericKey("0")},
        {"BORN", 'D', 8, dbase::dateKey("19991231")},
        {"LEFT(CITY, 4)", 'C', 4, "  Os"},
        {"LEFT(NAME, 20)", 'C', 8, "smith   "},
        {"RIGHT(NAME, 4)", 'C', 4, "h   "},
        {"RIGHT(TRIM(CITY), 3)", 'C', 3, "slo"},
        {"'<' + NAME + \">\"", 'C', 10, "<smith   >"},
        {"IIF(DELETED(), '-----', LEFT(NAME, 5))", 'C', 5, "smith"},
        {"IIF(DELETED(), AMOUNT, VAL(NAME))", 'N', 12, dbase::numericKey("0")},
        {"DTOC(BORN)", 'C', 8, "12/31/99"},
        {"CTOD(' 2/3/04')", 'D', 8, dbase::dateKey("19040203")},
        {"CTOD(DTOC(BORN))", 'D', 8, dbase::dateKey("19991231")},
        {"CTOD('02/29/00')", 'D', 8, dbase::dateKey("")},
        {"DELETED()", 'C', 1, "F"},
        {"RECNO()", 'N', 12, dbase::numericKey("1")},
        {"DESCEND(NAME)", 'C', 8, "\x8C\x92\x96\x8B\x97\xDF\xDF\xDF"},
        {"DESCEND(AMOUNT)", 'N', 12, dbase::numericKey("12.345")},
        {"DESCEND(BORN)", 'D', 8, doubleKey(-julianOf("19991231"))},
    };
    for (const auto& c : cases) {
        const dbase::KeyExpression expression(fields, c.expression);
        EXPECT_EQ(expression.keyType(), c.type) << c.expression;
        EXPECT_EQ(expression.keyLength(), c.length) << c.expression;
        EXPECT_EQ(expression.key(record), c.key) << c.expression;
    }
    const dbase::KeyExpression mark(fields, "IIF(DELETED(), STR(RECNO(), 4), '    ')");
    EXPECT_EQ(mark.key(record, 12, true), "  12");
    EXPECT_EQ(mark.key(record, 12, false), "    ");
}

TEST(DbaseWriterErrors, RefusesWhatItCannotWrite) {
    const auto table = [] {
        dbase::TableDef def;
        def.fields = {{"NAME", 'C', 4}, {"AMOUNT", 'N', 5}, {"NOTE", 'M'}};
        def.records = {{"ab", "1", ""}};
        return def;
    };
    const struct {
        const char* label;
        void (*breakIt)(dbase::TableDef&);
        const char* message;
    } cases[] = {
        {"value too long", [](dbase::TableDef& s) { s.records[0][0] = "abcde"; },
         "record 1: 'abcde' does not fit field NAME"},
        {"too few values", [](dbase::TableDef& s) { s.records[0].pop_back(); },
         "record 1 has 2 values for 3 fields"},
        {"unknown type", [](dbase::TableDef& s) { s.fields[0].type = 'X'; },
         "field NAME: the writer has no type 'X'"},
        {"long field name", [](dbase::TableDef& s) { s.fields[0].name = "ELEVENCHARS"; },
         "field name 'ELEVENCHARS' must have 1 to 10 characters"},
        {"unknown field in a key",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "NAME+CITY"}};
         },
         "key expression 'NAME+CITY': no field CITY at 10"},
        {"numbers joined",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "NAME+AMOUNT"}};
         },
         "key expression 'NAME+AMOUNT': only character values can be joined at 12"},
        {"memo in a key",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "NOTE"}};
         },
         "key expression 'NOTE': field NOTE cannot be part of a key at 5"},
        {"function unknown",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "SOUNDEX(NAME)"}};
         },
         "key expression 'SOUNDEX(NAME)': the writer cannot compute SOUNDEX() at 13"},
        {"IIF branches of two widths",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "IIF(DELETED(), NAME, 'ab')"}};
         },
         "key expression 'IIF(DELETED(), NAME, 'ab')': IIF() needs branches of one type and width "
         "at 26"},
        {"IIF on a character condition",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "IIF(NAME, NAME, NAME)"}};
         },
         "key expression 'IIF(NAME, NAME, NAME)': logical condition expected at 9"},
        {"LEFT of nothing",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "LEFT(NAME, 0)"}};
         },
         "key expression 'LEFT(NAME, 0)': a length of at least 1 expected at 13"},
        {"text not ended",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "NAME + 'ab"}};
         },
         "key expression 'NAME + 'ab': unterminated text at 9"},
        {"key too long",
         [](dbase::TableDef& s) {
             s.fields[0].length = 101;
             s.tags = {{"T", "NAME"}};
         },
         "key expression 'NAME' gives a key of 101 characters; keys have 1 to 100"},
        {"tag twice",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "NAME"}, {"t", "NAME"}};
         },
         "tag T appears twice"},
        {"48 tags",
         [](dbase::TableDef& s) {
             for (int i = 0; i < 48; ++i)
                 s.tags.push_back({"T" + std::to_string(i), "NAME"});
         },
         "an index holds at most 47 tags"},
        {"block size",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "NAME"}};
             s.options.indexBlockSize = 1000;
         },
         "index block size must be a multiple of 512 up to 32256"},
        {"one key per node",
         [](dbase::TableDef& s) {
             s.tags = {{"T", "NAME"}};
             s.options.maxKeysPerNode = 1;
         },
         "B-tree nodes need room for at least 2 keys"},
        {"deleted record missing", [](dbase::TableDef& s) { s.deleted = {2}; },
         "deleted record 2 does not exist"},
    };
    for (const auto& c : cases) {
        dbase::TableDef def = table();
        c.breakIt(def);
        try {
            dbase::buildTable("T", def);
            ADD_FAILURE() << c.label << ": accepted";
        } catch (const dbase::WriterError& error) {
            EXPECT_STREQ(error.what(), c.message) << c.label;
        }
    }
    EXPECT_NO_THROW(dbase::buildTable("T", table()));
}

TEST(DbaseWriterLayout, HeaderDescriptorsAndRecordsSitWhereDbaseIvPutsThem) {
    dbase::TableDef def;
    def.fields = {{"name", 'c', 300}, {"AMOUNT", 'N', 8, 2}, {"BORN", 'D'}, {"OK", 'L'}};
    def.records = {{"a", "1.50", "19990101", "T"}, {"b", "-2.25", "", ""}};
    def.deleted = {2};
    def.tags = {{"AMOUNT", "amount"}};
    def.options.lastUpdate = {2001, 2, 3};
    const dbase::TableFiles files = dbase::buildTable("t", def);
    const std::string& dbf = files.dbf;
    EXPECT_EQ(hex(dbf.substr(0, 12)), "03 65 02 03 02 00 00 00 a1 00 3e 01");
    EXPECT_EQ(dbf[28], 1) << "production index flag";
    EXPECT_EQ(dbf.substr(32, 11), std::string("NAME\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(hex(dbf.substr(43, 1) + dbf.substr(48, 2)), "43 2c 01") << "C width in 16-17";
    EXPECT_EQ(hex(dbf.substr(64 + 11, 1) + dbf.substr(64 + 16, 2)), "4e 08 02");
    EXPECT_EQ(dbf[64 + 31], 1) << "AMOUNT is indexed by its name";
    EXPECT_EQ(dbf[32 + 31], 0);
    EXPECT_EQ(dbf[files.headerLength - 1], 0x0D);
    EXPECT_EQ(files.fieldOffsets, (std::vector<unsigned>{1, 301, 309, 317}));
    EXPECT_EQ(dbf.substr(files.recordOffset(2), 1), "*");
    EXPECT_EQ(dbf.substr(files.recordOffset(2) + 301, 16), "   -2.25        ");
    EXPECT_EQ(dbf.size(), files.headerLength + 2 * files.recordLength + 1);
    EXPECT_EQ(dbf.back(), 0x1A);
    EXPECT_TRUE(files.dbt.empty());

    // Options that make deliberately wrong files.
    def.options.recordCountOverride = 3;
    def.options.endOfFileMarker = false;
    def.options.productionIndexFlag = false;
    def.options.version = 0x30;
    const dbase::TableFiles broken = dbase::buildTable("t", def);
    EXPECT_EQ(dbase::getU32(broken.dbf, 4), 3u);
    EXPECT_EQ(broken.dbf.size(), files.dbf.size() - 1);
    EXPECT_EQ(broken.dbf[28], 0);
    EXPECT_EQ(broken.dbf[0], 0x30);

    // One more descriptor after the fields: no name, the given type, length 0, and the records
    // exactly as without it.
    def.options = {};
    def.options.emptyDescriptorType = 0x88;
    const dbase::TableFiles extra = dbase::buildTable("t", def);
    ASSERT_EQ(extra.headerLength, files.headerLength + 32);
    EXPECT_EQ(extra.recordLength, files.recordLength);
    const std::string descriptor = extra.dbf.substr(32 + 4 * 32, 32);
    EXPECT_EQ(hex(descriptor), "00 00 00 00 00 00 00 00 00 00 00 88 " + hex(std::string(20, '\0')));
    EXPECT_EQ(extra.dbf[extra.headerLength - 1], 0x0D);
    EXPECT_EQ(extra.dbf.substr(extra.headerLength), files.dbf.substr(files.headerLength));
}

TEST(DbaseWriterLayout, IndexHeaderTagTableAndTagHeaders) {
    dbase::TableDef def;
    def.fields = {{"NAME", 'C', 7}, {"AMOUNT", 'N', 8}};
    def.tags = {{"NAME", "NAME", false, true}, {"AMOUNT", "AMOUNT", true}, {"ZED", "NAME"}};
    def.options.lastUpdate = {2018, 5, 3};
    const dbase::TableFiles files = dbase::buildTable("master", def);
    const std::string& mdx = files.mdx;
    EXPECT_EQ(hex(mdx.substr(0, 4)), "02 76 05 03");
    EXPECT_EQ(mdx.substr(4, 7), std::string("MASTER\0", 7));
    EXPECT_EQ(hex(mdx.substr(20, 10)), "02 00 00 04 01 30 20 00 03 00");
    EXPECT_EQ(dbase::getU32(mdx, 32) * 512, mdx.size()) << "next free page";
    // Slots: NAME is the root of the name tree, AMOUNT its left and ZED its right child.
    EXPECT_EQ(hex(mdx.substr(544 + 15, 6)), "10 02 03 00 02 43");
    EXPECT_EQ(hex(mdx.substr(576 + 15, 6)), "10 00 00 01 02 4e");
    EXPECT_EQ(hex(mdx.substr(608 + 15, 6)), "10 00 00 01 02 43");
    for (const dbase::TagLayout& tag : files.tags) {
        const std::size_t at = tag.headerPage * 512;
        EXPECT_EQ(dbase::getU32(mdx, 544 + 32 * (&tag - files.tags.data())), tag.headerPage);
        EXPECT_EQ(dbase::getU32(mdx, at), tag.rootPage);
        EXPECT_EQ(dbase::getU16(mdx, at + 12), tag.keyLength);
        EXPECT_EQ(dbase::getU16(mdx, at + 18), tag.itemLength);
        EXPECT_EQ(tag.levels, 1);
    }
    const std::size_t name = files.tag("name")->headerPage * 512;
    const std::size_t amount = files.tag("AMOUNT")->headerPage * 512;
    EXPECT_EQ(hex(mdx.substr(name + 8, 2)), "50 43") << "unique";
    EXPECT_EQ(hex(mdx.substr(amount + 8, 2)), "18 4e") << "descending";
    EXPECT_EQ(hex(mdx.substr(name + 12, 12)), "07 00 54 00 00 00 0c 00 00 00 00 40");
    EXPECT_EQ(hex(mdx.substr(amount + 12, 12)), "0c 00 3f 00 00 00 10 00 00 00 00 00");
    EXPECT_EQ(mdx.substr(amount + 24, 7), std::string("AMOUNT\0", 7));
}

// A table with duplicates, negative and fractional numbers, dates across centuries and memo
// texts; its tags cover every key type, both directions and computed keys.
dbase::TableDef mixedTable(int records) {
    dbase::TableDef def;
    def.fields = {{"CODE", 'C', 6},  {"NAME", 'C', 12}, {"AMOUNT", 'N', 9, 2},
                  {"COUNT", 'N', 5}, {"BORN", 'D'},     {"NOTE", 'M'}};
    const char* names[] = {"alder", "Birch", "cedar", "Dogwood", "elm", "Fir", "ginkgo"};
    unsigned seed = 12345;
    const auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int i = 0; i < records; ++i) {
        char amount[16], born[16];
        const int cents = static_cast<int>(next() % 40001) - 20000;
        std::snprintf(amount, sizeof amount, "%s%d.%02d", cents < 0 ? "-" : "",
                      std::abs(cents) / 100, std::abs(cents) % 100);
        std::snprintf(born, sizeof born, "%04u%02u%02u", 1890 + next() % 150, 1 + next() % 12,
                      1 + next() % 28);
        def.records.push_back({"C" + std::to_string(next() % 9),
                               names[next() % 7] + std::to_string(i % 5),
                               i % 11 == 0 ? "0.00" : amount, std::to_string(next() % 300), born,
                               i % 4 == 0 ? "" : "note of record " + std::to_string(i + 1)});
    }
    def.deleted = {2, 5};
    def.tags = {{"CODE", "CODE"},
                {"NAMEUP", "UPPER(NAME)"},
                {"AMOUNT", "AMOUNT"},
                {"AMOUNTD", "AMOUNT", true},
                {"BORN", "BORN"},
                {"BORND", "BORN", true},
                {"CODENAME", "CODE + NAME"},
                {"COUNTSTR", "STR(COUNT,5)"},
                {"UCODE", "CODE", false, true}};
    return def;
}

// Walks a tag's B-tree and checks what a seek relies on but a full walk does not show: every
// separator is the last key below its left pointer, and all leaves lie at the same depth.
// Returns the last key of the subtree.
std::string checkSubtree(const std::string& mdx, const dbase::TagLayout& tag, unsigned blockSize,
                         std::uint32_t page, int depth, int& leafDepth) {
    const std::string node = mdx.substr(std::size_t{page} * 512, blockSize);
    const std::uint32_t keys = dbase::getU32(node, 0);
    const auto pointer = [&](std::uint32_t i) {
        return dbase::getU32(node, 8 + i * tag.itemLength);
    };
    const auto key = [&](std::uint32_t i) {
        return node.substr(8 + i * tag.itemLength + 4, tag.keyLength);
    };
    if (pointer(keys) == 0) {
        if (leafDepth < 0) leafDepth = depth;
        EXPECT_EQ(depth, leafDepth) << "leaf page " << page;
        return keys ? key(keys - 1) : std::string();
    }
    std::string last;
    for (std::uint32_t i = 0; i <= keys; ++i) {
        last = checkSubtree(mdx, tag, blockSize, pointer(i), depth + 1, leafDepth);
        if (i < keys) {
            EXPECT_EQ(hex(key(i)), hex(last)) << "separator " << i << " of page " << page;
        }
    }
    return last;
}

struct Expected {
    std::string charKey; // character tags
    double value = 0;    // numeric and date tags
    long record = 0;
};

// The tag's entries as the test itself orders them: by key, equal keys by record number.
std::vector<Expected> expectedEntries(const dbase::TableDef& def, const dbase::TagDef& tag) {
    std::vector<Expected> out;
    for (std::size_t i = 0; i < def.records.size(); ++i) {
        const auto& r = def.records[i];
        Expected e;
        e.record = static_cast<long>(i + 1);
        const std::string name = tag.name;
        if (name == "CODE" || name == "UCODE") e.charKey = padded(r[0], 6);
        if (name == "NAMEUP") e.charKey = padded(upperText(r[1]), 12);
        if (name == "CODENAME") e.charKey = padded(r[0], 6) + padded(r[1], 12);
        if (name == "COUNTSTR") {
            char text[8];
            std::snprintf(text, sizeof text, "%5d", std::stoi(r[3]));
            e.charKey = text;
        }
        if (name == "AMOUNT" || name == "AMOUNTD") e.value = std::stod(r[2]);
        if (name == "BORN" || name == "BORND") e.value = julianOf(r[4]);
        out.push_back(e);
    }
    const int direction = tag.descending ? -1 : 1;
    const auto less = [&](const Expected& a, const Expected& b) {
        if (a.charKey != b.charKey) return direction * a.charKey.compare(b.charKey) < 0;
        if (a.value != b.value) return direction * (a.value < b.value ? -1 : 1) < 0;
        return false;
    };
    std::stable_sort(out.begin(), out.end(), less);
    if (tag.unique) {
        out.erase(std::unique(out.begin(), out.end(),
                              [&](const Expected& a, const Expected& b) {
                                  return !less(a, b) && !less(b, a);
                              }),
                  out.end());
    }
    return out;
}

TEST(DbaseWriterPerl, MultiLevelTagsOfEveryKindReadBackInOrder) {
    REQUIRE_PERL_READER();
    // The perl reader reads 1024 bytes per node, so it follows trees in blocks of 1024 bytes,
    // and in 2048-byte blocks as long as the nodes stay small.
    for (const unsigned blockSize : {1024u, 2048u}) {
        TempDir dir;
        dbase::TableDef def = mixedTable(150);
        def.options.indexBlockSize = blockSize;
        def.options.maxKeysPerNode = 4;
        const dbase::TableFiles files = dbase::writeTable(dir.path(), "MIXED", def);
        for (const dbase::TagDef& tag : def.tags) {
            SCOPED_TRACE(tag.name + " in blocks of " + std::to_string(blockSize));
            const dbase::TagLayout& layout = *files.tag(tag.name);
            EXPECT_GE(layout.levels, tag.unique ? 2 : 3) << "9 unique keys fill two levels";
            int leafDepth = -1;
            checkSubtree(files.mdx, layout, blockSize, layout.rootPage, 1, leafDepth);
            EXPECT_EQ(leafDepth, layout.levels);
            const std::vector<IndexItem> items =
                indexDump(dir.file("MIXED.MDX"), tag.name, layout.keyLength);
            const std::vector<Expected> expected = expectedEntries(def, tag);
            ASSERT_EQ(items.size(), expected.size());
            for (std::size_t i = 0; i < items.size(); ++i) {
                SCOPED_TRACE("entry " + std::to_string(i));
                EXPECT_EQ(items[i].record, expected[i].record);
                if (!expected[i].charKey.empty()) {
                    EXPECT_EQ(items[i].key, expected[i].charKey);
                } else if (tag.name.starts_with("AMOUNT")) {
                    EXPECT_NEAR(decodeBcd(items[i].key), expected[i].value, 1e-9);
                } else {
                    EXPECT_EQ(decodeDouble(items[i].key), expected[i].value);
                }
            }
        }
    }
}

TEST(DbaseWriterPerl, RecordsAndMemoTextsReadBack) {
    REQUIRE_PERL_READER();
    for (const unsigned blockSize : {512u, 1024u}) {
        SCOPED_TRACE("memo blocks of " + std::to_string(blockSize));
        TempDir dir;
        dbase::TableDef def = mixedTable(40);
        def.options.memoBlockSize = blockSize;
        // Entries that end just before, at and after a block boundary, and long ones.
        const std::size_t lengths[] = {1, blockSize - 9, blockSize - 8, blockSize - 7,
                                       3 * blockSize + 5};
        for (std::size_t i = 0; i < std::size(lengths); ++i) {
            std::string text(lengths[i], static_cast<char>('a' + i));
            text.front() = '{';
            def.records[i][5] = text;
        }
        const dbase::TableFiles files = dbase::writeTable(dir.path(), "MIXED", def);
        EXPECT_EQ(files.dbf[0], static_cast<char>(0x8B));
        EXPECT_EQ(dbase::getU16(files.dbt, 20), blockSize);
        EXPECT_EQ(dbase::getU32(files.dbt, 0) * blockSize, files.dbt.size()) << "next free block";

        const auto records = perlRecords(dir.file("MIXED.DBF"));
        ASSERT_EQ(records.size(), def.records.size());
        for (std::size_t r = 0; r < records.size(); ++r) {
            SCOPED_TRACE("record " + std::to_string(r + 1));
            const auto& expected = def.records[r];
            ASSERT_EQ(records[r].size(), expected.size() + 1);
            EXPECT_EQ(records[r][0], def.deleted.count(static_cast<long>(r + 1)) ? "1" : "0");
            EXPECT_EQ(records[r][1], expected[0]);
            EXPECT_EQ(records[r][2], expected[1]);
            EXPECT_DOUBLE_EQ(std::stod(records[r][3]), std::stod(expected[2]));
            EXPECT_EQ(records[r][4], expected[3]);
            EXPECT_EQ(records[r][5], expected[4]);
            EXPECT_EQ(records[r][6], expected[5]);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Our own table layer reads the same files: every tag walk, prefix seeks, records and memos.

std::string fieldText(Field4* field) {
    return std::string(f4ptr(field), f4len(field));
}

TEST(DbaseWriterTableLayer, ReadsEveryTagRecordAndMemo) {
    // Index blocks of 512 bytes hold nodes that the 1024-byte reads of the perl reader cannot
    // follow; here they are checked with the layer's own tree walk.
    const struct {
        unsigned indexBlock;
        unsigned maxKeys;
        unsigned memoBlock;
    } layouts[] = {{512, 3, 512}, {512, 0, 64}, {1024, 5, 1024}, {4096, 0, 512}};
    for (const auto& l : layouts) {
        SCOPED_TRACE("index blocks " + std::to_string(l.indexBlock) + ", keys per node " +
                     std::to_string(l.maxKeys) + ", memo blocks " + std::to_string(l.memoBlock));
        TempDir dir;
        dbase::TableDef def = mixedTable(230);
        def.options.indexBlockSize = l.indexBlock;
        def.options.maxKeysPerNode = l.maxKeys;
        def.options.memoBlockSize = l.memoBlock;
        def.records[7][5] = std::string(3 * l.memoBlock, 'x') + "{\\b end}";
        const dbase::TableFiles files = dbase::writeTable(dir.path(), "MIXED", def);

        platform::RecordedMessageBoxes boxes;
        Code4 code;
        ASSERT_EQ(code4init(&code), 0);
        OpenTable table;
        ASSERT_EQ(openTableSequence(code, dir.str() + "/MIXED",
                                    {"CODE", "NAME", "AMOUNT", "COUNT", "BORN", "NOTE"},
                                    {"CODE", "NAMEUP", "AMOUNT", "AMOUNTD", "BORN", "BORND",
                                     "CODENAME", "COUNTSTR", "UCODE"},
                                    table),
                  0);
        EXPECT_EQ(d4recCount(table.data), 230);
        for (std::size_t t = 0; t < def.tags.size(); ++t) {
            const dbase::TagDef& tagDef = def.tags[t];
            SCOPED_TRACE(tagDef.name);
            Tag4* tag = table.tags[t];
            ASSERT_NE(tag, nullptr);
            EXPECT_EQ(t4keyLength(tag), static_cast<int>(files.tag(tagDef.name)->keyLength));
            EXPECT_EQ(t4descending(tag), tagDef.descending ? 1 : 0);
            std::vector<long> expected;
            for (const Expected& e : expectedEntries(def, tagDef))
                expected.push_back(e.record);
            std::vector<long> walked;
            for (int r = tag4top(*tag); r == 0 && walked.size() <= expected.size();
                 r = tag4skip(*tag))
                walked.push_back(static_cast<long>(tag4recNo(*tag)));
            EXPECT_EQ(walked, expected);
            if (t4type(tag) == 'C') {
                d4tagSelect(table.data, tag);
                std::vector<long> sought;
                for (int r = d4seek(table.data, ""); r == 0 && sought.size() <= expected.size();
                     r = d4seekNext(table.data, ""))
                    sought.push_back(d4recNo(table.data));
                EXPECT_EQ(sought, expected) << "seek and seek-next on the empty prefix";
            }
        }

        // A prefix seek lands on the first of the equal keys, which continue across nodes.
        d4tagSelect(table.data, table.tags[0]);
        std::vector<long> c3;
        for (const Expected& e : expectedEntries(def, def.tags[0]))
            if (e.charKey.starts_with("C3")) c3.push_back(e.record);
        std::vector<long> sought;
        for (int r = d4seek(table.data, "C3"); r == 0; r = d4seekNext(table.data, "C3"))
            sought.push_back(d4recNo(table.data));
        EXPECT_EQ(sought, c3);
        // Numbers are sought by value.
        d4tagSelect(table.data, table.tags[2]);
        EXPECT_EQ(d4seek(table.data, "0"), 0);
        EXPECT_EQ(std::stod(fieldText(table.fields[2])), 0.0);

        // Every record with its memo, deleted ones included.
        for (long r = 1; r <= 230; ++r) {
            SCOPED_TRACE("record " + std::to_string(r));
            ASSERT_EQ(d4go(table.data, r), 0);
            const auto& values = def.records[static_cast<std::size_t>(r - 1)];
            EXPECT_EQ(fieldText(table.fields[0]), padded(values[0], 6));
            EXPECT_EQ(fieldText(table.fields[4]), values[4]);
            EXPECT_EQ(f4memoStr(table.fields[5]), values[5]);
            EXPECT_EQ(f4memoLen(table.fields[5]), values[5].size());
        }
        EXPECT_EQ(d4close(table.data), 0);
        EXPECT_EQ(code4initUndo(&code), 0);
        EXPECT_EQ(boxes.texts(), std::vector<std::string>());
    }
}

TEST(DbaseWriterTableLayer, AnEmptyTableHasEmptyTags) {
    TempDir dir;
    dbase::TableDef def;
    def.fields = {{"NAME", 'C', 8}, {"NOTE", 'M'}};
    def.tags = {{"NAME", "NAME"}, {"NAMED", "NAME", true}};
    const dbase::TableFiles files = dbase::writeTable(dir.path(), "EMPTY", def);
    EXPECT_EQ(files.dbf.size(), files.headerLength + 1u);
    EXPECT_EQ(files.tag("NAME")->levels, 1);
    EXPECT_EQ(dbase::getU32(files.dbt, 0), 1u) << "the first entry would go to block 1";

    platform::RecordedMessageBoxes boxes;
    Code4 code;
    ASSERT_EQ(code4init(&code), 0);
    OpenTable table;
    ASSERT_EQ(openTableSequence(code, dir.str() + "/EMPTY", {"NAME"}, {"NAME", "NAMED"}, table), 0);
    for (Tag4* tag : table.tags) {
        d4tagSelect(table.data, tag);
        EXPECT_EQ(d4seek(table.data, ""), r4eof);
        EXPECT_EQ(d4recNo(table.data), 1) << "end of file is record count + 1";
    }
    EXPECT_EQ(d4close(table.data), 0);
    EXPECT_EQ(code4initUndo(&code), 0);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>());
}

// ---------------------------------------------------------------------------------------------
// Real files: read a corpus table (with a few lines of parsing here), write it again and let the
// perl reader compare both.

struct CorpusTable {
    dbase::TableDef def;
    std::string dbf;
    std::vector<unsigned char> memoFields; // 1 for each memo field
};

CorpusTable readCorpusTable(const std::filesystem::path& dbfPath) {
    CorpusTable table;
    table.dbf = testing_support::readFile(dbfPath.string());
    const std::string& dbf = table.dbf;
    std::string dbt;
    for (const char* ext : {".DBT", ".dbt"}) {
        std::filesystem::path memo = dbfPath;
        memo.replace_extension(ext);
        if (std::filesystem::exists(memo)) dbt = testing_support::readFile(memo.string());
    }
    const unsigned memoBlock = dbt.empty() ? 512 : dbase::getU16(dbt, 20);
    dbase::TableDef& def = table.def;
    def.options.version = static_cast<std::uint8_t>(dbf[0]);
    def.options.lastUpdate = {1900 + static_cast<unsigned char>(dbf[1]), dbf[2], dbf[3]};
    def.options.memoBlockSize = memoBlock;
    for (std::size_t at = 32; dbf[at] != 0x0D; at += 32) {
        dbase::FieldDef f;
        f.name = dbf.substr(at, 11).c_str();
        f.type = dbf[at + 11];
        f.length = static_cast<unsigned char>(dbf[at + 16]);
        f.decimals = static_cast<unsigned char>(dbf[at + 17]);
        if (f.type == 'C') f.length = dbase::getU16(dbf, at + 16), f.decimals = 0;
        def.fields.push_back(f);
        table.memoFields.push_back(f.type == 'M');
    }
    const long count = static_cast<long>(dbase::getU32(dbf, 4));
    const unsigned header = dbase::getU16(dbf, 8), length = dbase::getU16(dbf, 10);
    for (long r = 0; r < count; ++r) {
        std::size_t at = header + static_cast<std::size_t>(r) * length;
        if (dbf[at] == '*') def.deleted.insert(r + 1);
        ++at;
        std::vector<std::string> values;
        for (const dbase::FieldDef& f : def.fields) {
            std::string value = dbf.substr(at, f.length);
            if (f.type == 'M') {
                const long block = std::atol(value.c_str());
                const std::size_t entry = static_cast<std::size_t>(block) * memoBlock;
                value.clear();
                if (block > 0 && dbt.compare(entry, 2, "\xFF\xFF") == 0)
                    value = dbt.substr(entry + 8, dbase::getU32(dbt, entry + 4) - 8);
            }
            values.push_back(value);
            at += f.length;
        }
        def.records.push_back(values);
    }
    return table;
}

std::vector<dbase::TagDef> readCorpusTags(const std::string& mdx) {
    std::vector<dbase::TagDef> tags;
    for (unsigned t = 0; t < dbase::getU16(mdx, 28); ++t) {
        const std::size_t header = dbase::getU32(mdx, 544 + 32 * t) * 512;
        dbase::TagDef tag;
        tag.name = mdx.substr(544 + 32 * t + 4, 11).c_str();
        tag.expression = mdx.substr(header + 24, 221).c_str();
        tag.descending = (mdx[header + 8] & 0x08) != 0;
        tag.unique = (mdx[header + 8] & 0x40) != 0;
        tags.push_back(tag);
    }
    return tags;
}

// A tag walk as runs of equal keys (numbers compared by value), each run's records sorted:
// real files do not always keep equal keys in record-number order.
std::vector<std::pair<std::string, std::vector<long>>> keyRuns(const std::vector<IndexItem>& items,
                                                               char type) {
    std::vector<std::pair<std::string, std::vector<long>>> runs;
    for (const IndexItem& item : items) {
        std::string key = item.key;
        if (type == 'N') key = std::to_string(decodeBcd(item.key));
        if (runs.empty() || runs.back().first != key) runs.push_back({key, {}});
        runs.back().second.push_back(item.record);
    }
    for (auto& run : runs)
        std::sort(run.second.begin(), run.second.end());
    return runs;
}

TEST(DbaseWriterCorpus, RewrittenRealTablesReadTheSame) {
    REQUIRE_PERL_READER();
    const std::filesystem::path corpus = std::filesystem::path(PANORAMA_CORPUS_DIR) / "dbase";
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "the dBASE corpus is absent: " << corpus;
    // Tags whose real index disagrees with its own table: a unique tag that holds duplicate
    // keys, and a tag with no keys although the field has values.
    const std::set<std::string> inconsistent = {"IND_CODE", "__OPHIST"};
    int tablesCompared = 0;
    for (const auto& set : std::filesystem::directory_iterator(corpus)) {
        if (!set.is_directory()) continue;
        std::filesystem::path dbfPath, mdxPath;
        for (const auto& file : std::filesystem::directory_iterator(set.path())) {
            const std::string ext = upperText(file.path().extension().string());
            if (ext == ".DBF") dbfPath = file.path();
            if (ext == ".MDX") mdxPath = file.path();
        }
        if (dbfPath.empty() || mdxPath.empty()) continue;
        SCOPED_TRACE(set.path().filename().string());
        CorpusTable table = readCorpusTable(dbfPath);
        const std::string mdx = testing_support::readFile(mdxPath.string());
        table.def.tags = readCorpusTags(mdx);
        table.def.options.indexBlockSize = dbase::getU16(mdx, 22);

        TempDir dir;
        const dbase::TableFiles files = dbase::writeTable(dir.path(), "COPY", table.def);
        // Same header facts, descriptors and record bytes (memo fields hold other block numbers).
        EXPECT_EQ(files.dbf.substr(0, 12), table.dbf.substr(0, 12));
        EXPECT_EQ(files.dbf[28], table.dbf[28]);
        ASSERT_EQ(files.headerLength, dbase::getU16(table.dbf, 8));
        for (std::size_t f = 0; f < table.def.fields.size(); ++f) {
            EXPECT_EQ(files.dbf.substr(32 + 32 * f, 18), table.dbf.substr(32 + 32 * f, 18));
        }
        for (long r = 1; r <= static_cast<long>(table.def.records.size()); ++r) {
            for (std::size_t f = 0; f < table.def.fields.size(); ++f) {
                if (table.memoFields[f]) continue;
                const std::size_t at = files.recordOffset(r) + files.fieldOffsets[f];
                const unsigned length = table.def.fields[f].length;
                ASSERT_EQ(files.dbf.substr(at, length), table.dbf.substr(at, length))
                    << "record " << r << " field " << table.def.fields[f].name;
            }
        }
        EXPECT_EQ(files.dbf.size(), table.dbf.size());
        EXPECT_EQ(perlRecords(dir.file("COPY.DBF")), perlRecords(dbfPath.string()));

        for (const dbase::TagDef& tag : table.def.tags) {
            if (inconsistent.count(tag.name)) continue;
            SCOPED_TRACE(tag.name);
            const dbase::TagLayout& layout = *files.tag(tag.name);
            const char type = files.mdx[layout.headerPage * 512 + 9];
            EXPECT_EQ(type,
                      mdx[dbase::getU32(mdx, 544 + 32 * (&tag - table.def.tags.data())) * 512 + 9]);
            const auto written = indexDump(dir.file("COPY.MDX"), tag.name, layout.keyLength);
            const auto original = indexDump(mdxPath.string(), tag.name, layout.keyLength);
            EXPECT_EQ(written.size(), original.size());
            EXPECT_EQ(keyRuns(written, type), keyRuns(original, type));
        }
        ++tablesCompared;
    }
    EXPECT_GE(tablesCompared, 9);
}

} // namespace
