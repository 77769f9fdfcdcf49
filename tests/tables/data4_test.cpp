// Opening tables (header checks, names, memo files, single instance), record reads, fields,
// number conversion, the sticky error state and the table open sequence.
#include "tables/data4.h"

#include "table_test_support.h"
#include "tables/error4.h"
#include "tools/dbase_writer.h"

#include <climits>
#include <filesystem>
#include <functional>

#include <unistd.h>

namespace {

using table_builder::Dbf;
using table_builder::putU16;
using table_builder::putU32;
using table_test::Fixture;
using table_test::people;
using table_test::summary;
using Boxes = std::vector<std::string>;

TEST(D4Open, HeaderChecksRejectCorruptFiles) {
    const std::string good = people().bytes();
    const unsigned header = people().headerLength();
    struct Case {
        const char* file;
        std::function<void(std::string&, Code4&)> damage;
        Boxes expected;
    } cases[] = {
        {"intact.dbf", [](std::string&, Code4&) {}, {}},
        {"record_length_zero.dbf",
         [](std::string& b, Code4&) { putU16(b, 10, 0); },
         {"-200 83805"}},
        {"count_one_beyond.dbf", [](std::string& b, Code4&) { putU32(b, 4, 4); }, {}},
        {"count_two_beyond.dbf", [](std::string& b, Code4&) { putU32(b, 4, 5); }, {"-200 83805"}},
        {"count_one_beyond_strict.dbf",
         [](std::string& b, Code4& c) {
             putU32(b, 4, 4);
             c.strictRecordCount = 1;
         },
         {"-200 83805"}},
        {"count_exact_strict.dbf",
         [](std::string& b, Code4& c) {
             b.pop_back(); // no end-of-file marker: the length holds the records exactly
             c.strictRecordCount = 1;
         },
         {}},
        {"negative_count.dbf",
         [](std::string& b, Code4&) { putU32(b, 4, 0xFFFFFFFFu); },
         {"-200 83805"}},
        {"header_length_32.dbf", [](std::string& b, Code4&) { putU16(b, 8, 32); }, {"-200 83805"}},
        {"header_length_33.dbf",
         [](std::string& b, Code4&) {
             putU16(b, 8, 33);
             b[32] = '\r';
         },
         {}},
        {"descriptors_beyond_file.dbf",
         [&](std::string& b, Code4&) {
             putU32(b, 4, 0);
             b.resize(header + 5);
             putU16(b, 8, header + 20);
         },
         {"-70 90621", "-200 84306"}},
        {"shorter_than_header.dbf", [](std::string& b, Code4&) { b.resize(20); }, {"-200 83805"}},
        {"invalid_field_type.dbf",
         [](std::string& b, Code4&) { b[32 + 32 + 11] = 'X'; },
         {"-200 80501"}},
        {"lower_case_field_type.dbf", [](std::string& b, Code4&) { b[32 + 11] = 'c'; }, {}},
        {"fields_beyond_record_length.dbf",
         [](std::string& b, Code4&) { putU16(b, 10, 20); },
         {"-200 83805"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::string bytes = good;
        c.damage(bytes, f.code);
        f.write(c.file, bytes);
        Data4* data = d4open(&f.code, f.path(c.file).c_str());
        EXPECT_EQ(summary(f.boxes), c.expected) << c.file;
        EXPECT_EQ(data != nullptr, c.expected.empty()) << c.file;
        if (!c.expected.empty()) {
            EXPECT_EQ(f.code.lastError, std::stoi(c.expected.back())) << c.file;
            EXPECT_TRUE(f.code.tables.empty()) << c.file;
            EXPECT_NE(f.boxes.texts().back().find(f.shown(c.file)), std::string::npos) << c.file;
        }
    }
}

// A descriptor of length 0 and no field type that some writers leave behind the fields. It is
// passed over only where it cannot hide anything: last, with the terminator after it, in a record
// that the fields before it fill.
TEST(D4Open, AnEmptyDescriptorBehindTheFieldsIsPassedOver) {
    dbase::TableDef def;
    def.fields = {{"NAME", 'C', 8}, {"NUM", 'N', 4}};
    def.records = {{"ann", "12"}, {"bea", "-7"}, {"cid", "3"}};
    def.options.emptyDescriptorType = 0x88;
    const dbase::TableFiles files = dbase::buildTable("T", def);
    const std::size_t extra = 32 + 2 * 32; // the empty descriptor
    struct Case {
        const char* file;
        std::function<void(std::string&)> damage;
        Boxes expected;
        int fields;
    } cases[] = {
        {"type_0x88.dbf", [](std::string&) {}, {}, 2},
        {"type_0x38.dbf", [&](std::string& b) { b[extra + 11] = 0x38; }, {}, 2},
        {"unknown_letter.dbf", [&](std::string& b) { b[extra + 11] = 'X'; }, {}, 2},
        {"known_type_stays_a_field.dbf", [&](std::string& b) { b[extra + 11] = 'C'; }, {}, 3},
        {"length_1.dbf", [&](std::string& b) { b[extra + 16] = 1; }, {"-200 80501"}, 0},
        {"length_in_byte_17.dbf", [&](std::string& b) { b[extra + 17] = 1; }, {"-200 80501"}, 0},
        {"record_longer_than_fields.dbf",
         [&](std::string& b) { putU16(b, 10, files.recordLength + 1); },
         {"-200 80501"},
         0},
        {"no_terminator_after_it.dbf",
         [&](std::string& b) { b[files.headerLength - 1] = 0; },
         {"-200 80501"},
         0},
        {"a_field_after_it.dbf",
         [&](std::string& b) {
             // The empty descriptor and NUM change places.
             const std::string num = b.substr(32 + 32, 32);
             b.replace(32 + 32, 32, b.substr(extra, 32));
             b.replace(extra, 32, num);
         },
         {"-200 80501"},
         0},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::string bytes = files.dbf;
        c.damage(bytes);
        f.write(c.file, bytes);
        Data4* data = d4open(&f.code, f.path(c.file).c_str());
        EXPECT_EQ(summary(f.boxes), c.expected) << c.file;
        ASSERT_EQ(data != nullptr, c.expected.empty()) << c.file;
        if (!data) continue;
        EXPECT_EQ(d4numFields(data), c.fields) << c.file;
        ASSERT_EQ(d4go(data, 2), 0) << c.file;
        EXPECT_EQ(std::string(f4ptr(d4field(data, "NAME")), 8), "bea     ") << c.file;
        EXPECT_EQ(f4long(d4field(data, "NUM")), -7) << c.file;
    }
}

TEST(D4Open, MemoFilesOpenWithTheTable) {
    struct Case {
        const char* label;
        unsigned char version;
        unsigned char flags;
        const char* dbt; // null: no memo file
        Boxes expected;
    } cases[] = {
        {"bit 7 with memo file", 0x8B, 0, "full", {}},
        {"bit 7 without memo file", 0x8B, 0, nullptr, {"-64 90615"}},
        {"bit 7, memo header short", 0x8B, 0, "short", {"-70 90621"}},
        {"version 0x30 uses flags bit 1", 0x30, 0x02, nullptr, {"-64 90615"}},
        {"version 0x30 without flag", 0x30, 0x00, nullptr, {}},
        {"version 0x03 has none", 0x03, 0x02, nullptr, {}},
    };
    for (const Case& c : cases) {
        Fixture f;
        Dbf dbf = people(true);
        dbf.version = c.version;
        dbf.flags = c.flags;
        f.write("MEMO.DBF", dbf.bytes());
        if (c.dbt) f.write("MEMO.DBT", std::string(c.dbt) == "full" ? table_builder::dbt({}) : "x");
        Data4* data = d4open(&f.code, f.path("memo").c_str());
        EXPECT_EQ(summary(f.boxes), c.expected) << c.label;
        EXPECT_EQ(data != nullptr, c.expected.empty()) << c.label;
        if (c.expected == Boxes{"-64 90615"}) {
            EXPECT_NE(f.boxes.texts()[0].find(f.shown("MEMO.DBT")), std::string::npos);
        }
    }
}

TEST(D4Open, NamesAreCompletedUpperCasedAndGivenTheirExtension) {
    Fixture f;
    f.write("PEOPLE.DBF", people().bytes());
    f.write("OTHER.DAT", people().bytes());
    Data4* data = d4open(&f.code, f.path("people").c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(d4alias(data), "PEOPLE");
    EXPECT_EQ(data->name, f.shown("PEOPLE.DBF"));
    Data4* other = d4open(&f.code, f.path("other.dat").c_str());
    ASSERT_NE(other, nullptr) << "a given extension is kept";
    EXPECT_EQ(other->name, f.shown("OTHER.DAT"));

    // The same file again, by another spelling of its name, is a duplicate instance.
    EXPECT_EQ(d4open(&f.code, (f.path("People.dbf") + "  ").c_str()), nullptr);
    ASSERT_EQ(summary(f.boxes), (Boxes{"-69 91102"}));
    EXPECT_EQ(table_test::descriptions(f.boxes.texts()[0]), (Boxes{f.shown("PEOPLE.DBF")}));

    // Relative names complete against the working directory.
    Fixture g;
    g.write("REL.DBF", people().bytes());
    const std::string before = platform::currentDirectory();
    ASSERT_EQ(::chdir(g.dir.str().c_str()), 0);
    Data4* relative = d4open(&g.code, "sub\\..\\.\\rel");
    EXPECT_EQ(::chdir(before.c_str()), 0);
    ASSERT_NE(relative, nullptr);
    EXPECT_EQ(relative->name, g.shown("REL.DBF"));
}

TEST(D4Open, SingleInstanceCanBeSwitchedOff) {
    Fixture f;
    f.write("T.DBF", people().bytes());
    f.code.singleInstance = 0;
    EXPECT_NE(d4open(&f.code, f.path("t").c_str()), nullptr);
    EXPECT_NE(d4open(&f.code, f.path("t").c_str()), nullptr);
    EXPECT_EQ(f.code.tables.size(), 2u);
    EXPECT_TRUE(f.boxes.calls().empty());
}

TEST(D4Open, ReadOnlyOpenOpensForReadingOnly) {
    for (int readOnly : {0, 1}) {
        Fixture f;
        f.write("T.DBF", people().bytes());
        f.code.readOnlyOpen = readOnly;
        Data4* data = d4open(&f.code, f.path("t").c_str());
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->file.isReadOnly(), readOnly == 1);
    }
}

TEST(D4OpenDeathTest, ANameLongerThan257CharactersEndsTheProcess) {
    const std::string name = "/" + std::string(257, 'A');
    EXPECT_EXIT(
        {
            Code4 code;
            code4init(&code);
            d4open(&code, name.c_str());
        },
        testing::ExitedWithCode(3), "Unexpected Parameter\nu4nameCurrent(.|\n)*EXITING");
    // 257 characters are still a name.
    Fixture f;
    std::string full;
    EXPECT_EQ(u4nameCurrent(&f.code, ("/" + std::string(256, 'a')).c_str(), full), 0);
    EXPECT_EQ(full, "/" + std::string(256, 'A'));
}

TEST(U4Name, ExtensionsAreAddedOrReplacedAfterTheLastSeparator) {
    struct Case {
        const char* name;
        bool replace;
        const char* expected;
    } cases[] = {
        {"/a/b", false, "/A/B.DBF"},     {"/a/b.x", false, "/A/B.X"},
        {"/a.d/b", false, "/A.D/B.DBF"}, {"/a/b.dbf", true, "/A/B.DBF"},
        {"/a/b.x", true, "/A/B.DBF"},    {"c:\\a.d\\b", false, "C:\\A.D\\B.DBF"},
    };
    for (const Case& c : cases) {
        std::string name = c.name;
        u4nameExt(name, "DBF", c.replace);
        EXPECT_EQ(name, c.expected) << c.name;
    }
}

TEST(Records, ReadsFollowTheRecordRules) {
    Fixture f;
    Dbf dbf = people();
    dbf.deleted = {false, true, false};
    std::string bytes = dbf.bytes();
    putU32(bytes, 4, 4); // one record more than present
    f.write("T.DBF", bytes);
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    Field4* name = d4field(data, "name");
    EXPECT_EQ(d4recNo(data), -1);
    EXPECT_EQ(std::string(f4ptr(name), f4len(name)), "          ") << "blank before any read";

    EXPECT_EQ(d4go(data, 2), 0) << "a deleted record reads like any other";
    EXPECT_EQ(std::string(f4ptr(name), f4len(name)), "BOB       ");
    EXPECT_EQ(data->record[0], '*');

    EXPECT_EQ(d4go(data, 4), -70) << "the missing last record";
    EXPECT_EQ(d4recNo(data), -1);
    EXPECT_EQ(std::string(f4ptr(name), f4len(name)), "          ");
    EXPECT_EQ(summary(f.boxes), (Boxes{"-70 91102"}));
    EXPECT_EQ(table_test::descriptions(f.boxes.texts()[0]), (Boxes{"T"}));
}

TEST(Records, BadRecordsAreQuietWhenNotReported) {
    Fixture f;
    f.write("T.DBF", people().bytes());
    f.code.reportBadRecord = 0;
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    for (long n : {0L, -3L, 4L, LONG_MAX}) {
        EXPECT_EQ(d4go(data, n), r4entry) << n;
        EXPECT_EQ(d4recNo(data), -1);
    }
    EXPECT_TRUE(f.boxes.calls().empty());
    EXPECT_EQ(f.code.lastError, 0);
}

TEST(Records, TheCountIsRereadWhenARecordLiesBeyondIt) {
    Fixture f;
    Dbf dbf = people();
    f.write("T.DBF", dbf.bytes());
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    dbf.add({"DAVE", "1", "20200202", "T"});
    f.write("T.DBF", dbf.bytes()); // another writer appended a record
    EXPECT_EQ(d4go(data, 4), 0);
    EXPECT_EQ(d4recCount(data), 4);
    EXPECT_EQ(std::string(f4ptr(d4field(data, "NAME")), 4), "DAVE");

    // A count that cannot be reread (the file was cut short under the open table): the one
    // read failure is reported, and the record read before is not left current.
    ASSERT_EQ(d4go(data, 1), 0);
    std::filesystem::resize_file(f.path("T.DBF"), 6);
    f.boxes.clear();
    EXPECT_EQ(d4go(data, 5), -70);
    EXPECT_EQ(d4recNo(data), -1);
    EXPECT_EQ(std::string(f4ptr(d4field(data, "NAME")), 4), "    ");
    EXPECT_EQ(summary(f.boxes), (Boxes{"-70 93318"}));
}

TEST(Records, ASeekThatCannotRereadTheCountReportsTheReadOnly) {
    Fixture f;
    Dbf dbf = people();
    dbf.flags = 0x01;
    f.write("T.DBF", dbf.bytes());
    // An entry for a fourth record, which the table does not have yet.
    table_builder::Tag tag{"BYNAME", 'C', 10, "NAME", {{"ALICE     ", 1}, {"ZED       ", 4}}};
    f.write("T.MDX", table_builder::mdx({tag}));
    OpenTable table;
    ASSERT_EQ(openTableSequence(f.code, f.path("t.dbf"), {}, {"BYNAME"}, table), 0)
        << "the index of the same base name, also when the path names the data file";
    d4tagSelect(table.data, table.tags[0]);
    std::filesystem::resize_file(f.path("T.DBF"), 6);
    EXPECT_EQ(d4seek(table.data, "ZED"), -70);
    EXPECT_EQ(summary(f.boxes), (Boxes{"-70 93318"})) << "no corrupt-tree box after it";
}

TEST(Fields, LookupAndDescriptions) {
    Fixture f;
    Dbf dbf = people();
    dbf.fields.push_back({"PRICE", 'F', 9, 2});
    dbf.fields.push_back({"LONGTEXT", 'C', 300});
    f.write("T.DBF", dbf.bytes());
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    struct Case {
        const char* name;
        int number;
        char type;
        unsigned length;
        int decimals;
    } cases[] = {
        {"NAME", 1, 'C', 10, 0}, {"num  ", 2, 'N', 5, 0}, {"Day", 3, 'D', 8, 0},
        {"FLAG", 4, 'L', 1, 0},  {"PRICE", 5, 'F', 9, 2}, {"longtext", 6, 'C', 300, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(d4fieldNumber(data, c.name), c.number) << c.name;
        Field4* field = d4field(data, c.name);
        ASSERT_NE(field, nullptr) << c.name;
        EXPECT_EQ(f4type(field), c.type);
        EXPECT_EQ(f4len(field), c.length);
        EXPECT_EQ(f4decimals(field), c.decimals);
    }
    EXPECT_EQ(d4field(data, "PRICE")->offset, 1u + 10 + 5 + 8 + 1);
    EXPECT_TRUE(f.boxes.calls().empty());

    EXPECT_EQ(d4field(data, "NOSUCH"), nullptr);
    ASSERT_EQ(summary(f.boxes), (Boxes{"-210 94003"}));
    EXPECT_EQ(table_test::descriptions(f.boxes.texts()[0]), (Boxes{"NOSUCH"}));
    f.code.reportMissingField = 0;
    EXPECT_EQ(d4fieldNumber(data, "NOSUCH"), -210);
    EXPECT_EQ(f.boxes.calls().size(), 1u);
}

TEST(Fields, NumberConversionReadsLikeAtolAndSaturates) {
    Fixture f;
    Dbf dbf;
    dbf.flags = 0;
    dbf.fields = {{"T", 'C', 30}, {"D", 'D', 8}};
    const char* texts[] = {"  42",
                           "-17abc",
                           "+8",
                           "abc",
                           "",
                           "\t 9 9",
                           "99999999999999999999999",
                           "-99999999999999999999999",
                           "2147483648",
                           "-2147483649"};
    for (const char* t : texts)
        dbf.add({t, "20000101"});
    f.write("T.DBF", dbf.bytes());
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    Field4* text = d4field(data, "T");
    struct Case {
        long asLong;
        int asInt;
    } expected[] = {
        {42, 42},
        {-17, -17},
        {8, 8},
        {0, 0},
        {0, 0},
        {9, 9},
        {LONG_MAX, INT_MAX},
        {LONG_MIN, INT_MIN},
        {2147483648L, INT_MAX},
        {-2147483649L, INT_MIN},
    };
    for (long n = 1; n <= long(std::size(texts)); ++n) {
        ASSERT_EQ(d4go(data, n), 0);
        EXPECT_EQ(f4long(text), expected[n - 1].asLong) << texts[n - 1];
        EXPECT_EQ(int(*text), expected[n - 1].asInt) << texts[n - 1];
    }
    EXPECT_EQ(f4long(d4field(data, "D")), 2451545) << "a date gives its day number";
}

TEST(Fields, DatesGiveDayNumbers) {
    Fixture f;
    Dbf dbf;
    dbf.flags = 0;
    dbf.fields = {{"D", 'D', 8}};
    struct Case {
        const char* text;
        long day;
    } cases[] = {{"20000101", 2451545},
                 {"19991231", 2451544},
                 {"20000229", 2451604},
                 {"19000229", 0},
                 {"", 0},
                 {"2000AB01", 0},
                 {"00010101", 1721426}};
    for (const Case& c : cases)
        dbf.add({c.text});
    f.write("T.DBF", dbf.bytes());
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    for (long n = 1; n <= long(std::size(cases)); ++n) {
        ASSERT_EQ(d4go(data, n), 0);
        EXPECT_EQ(f4long(d4field(data, "D")), cases[n - 1].day) << cases[n - 1].text;
    }
}

TEST(Fields, Str4largeCopiesAtMost255BytesAndTrims) {
    Fixture f;
    Dbf dbf;
    dbf.flags = 0;
    dbf.fields = {{"LONG", 'C', 300}, {"SHORT", 'C', 8}};
    dbf.add({std::string(290, 'x'), "ab  "});
    f.write("T.DBF", dbf.bytes());
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(d4go(data, 1), 0);
    Str4large large(*d4field(data, "LONG"));
    EXPECT_EQ(large.len(), 255u);
    EXPECT_EQ(large.ptr()[255], '\0');
    Str4large small(*d4field(data, "SHORT"));
    EXPECT_EQ(small.str(), "ab      ");
    small.ptr()[7] = '\0';
    small.trim();
    EXPECT_EQ(small.str(), "ab");
    EXPECT_STREQ(small.ptr(), "ab");
    Str4large empty;
    empty.trim();
    EXPECT_EQ(empty.len(), 0u);
}

class NoText : public Str4 {
public:
    char* ptr() override { return nullptr; }
    unsigned len() const override { return 0; }
};

TEST(FieldsDeathTest, MisuseEndsTheProcess) {
    struct Case {
        const char* label;
        std::function<void()> call;
        const char* pattern;
    } cases[] = {
        {"logical f4long",
         [] {
             testing_support::TempDir dir;
             dir.write("T.DBF", people().bytes());
             Code4 code;
             code4init(&code);
             f4long(d4field(d4open(&code, dir.file("t").c_str()), "FLAG"));
         },
         "Unexpected Parameter\nfield function not supported for given field type"},
        {"Str4 without text",
         [] {
             NoText t;
             (void)int(t);
         },
         "Str4::operator int"},
        {"trim without text",
         [] {
             NoText t;
             t.trim();
         },
         "Str4::trim"},
        {"code4init", [] { code4init(nullptr); }, "\ncode4init\n"},
        {"d4open", [] { d4open(nullptr, "x"); }, "\nd4open\n"},
        {"d4close", [] { d4close(nullptr); }, "\nd4close\n"},
        {"d4field", [] { d4field(nullptr, "x"); }, "\nd4field\n"},
        {"d4tagSelect", [] { d4tagSelect(nullptr, nullptr); }, "\nd4tagSelect\n"},
        {"d4seek", [] { d4seek(nullptr, "x"); }, "\nd4seek\n"},
        {"d4seekNext", [] { d4seekNext(nullptr, "x"); }, "\nd4seekNext\n"},
        {"f4ptr", [] { f4ptr(nullptr); }, "\nf4ptr\n"},
        {"f4long", [] { f4long(nullptr); }, "\nf4long\n"},
        {"f4decimals", [] { f4decimals(nullptr); }, "\nf4decimals\n"},
        {"f4memoStr", [] { f4memoStr(nullptr); }, "\nf4memoStr\n"},
        {"f4memoPtr", [] { f4memoPtr(nullptr); }, "\nf4memoPtr\n"},
        {"f4memoLen", [] { f4memoLen(nullptr); }, "\nf4memoLen\n"},
        {"date format of 20 characters",
         [] {
             Code4 code;
             code4init(&code);
             code4dateFormatSet(&code, "YYYYYYYYYYMMMMMMDDDD");
         },
         "Unexpected Parameter\ncode4dateFormatSet"},
    };
    for (const Case& c : cases)
        EXPECT_EXIT(c.call(), testing::ExitedWithCode(3),
                    std::string(c.pattern) + "(.|\n)*EXITING APPLICATION")
            << c.label;
}

TEST(Code4, SettingsDefaultsAndRelease) {
    Code4 code;
    EXPECT_EQ(code4initUndo(&code), 0) << "nothing to undo before code4init";
    EXPECT_EQ(code4init(&code), 0);
    EXPECT_EQ(code.autoOpen, 1);
    EXPECT_EQ(code.reportOpenFailure, 1);
    EXPECT_EQ(code.reportMissingField, 1);
    EXPECT_EQ(code.reportMissingTag, 1);
    EXPECT_EQ(code.reportBadRecord, 1);
    EXPECT_EQ(code.createSafety, 1);
    EXPECT_EQ(code.singleInstance, 1);
    EXPECT_EQ(code.readOnlyOpen, 0);
    EXPECT_EQ(code.silentErrors, 0);
    EXPECT_EQ(code.strictRecordCount, 0);
    EXPECT_EQ(code.dateFormat, "MM/DD/YY");
    EXPECT_EQ(code4dateFormatSet(&code, "DD.MM.CCYY"), 0);
    EXPECT_EQ(code.dateFormat, "DD.MM.CCYY");

    testing_support::TempDir dir;
    dir.write("A.DBF", people().bytes());
    dir.write("B.DBF", people().bytes());
    ASSERT_NE(d4open(&code, dir.file("a").c_str()), nullptr);
    ASSERT_NE(d4open(&code, dir.file("b").c_str()), nullptr);
    EXPECT_EQ(code4initUndo(&code), 0);
    EXPECT_TRUE(code.tables.empty());
    EXPECT_FALSE(code.initialised);
}

TEST(Code4, ANegativeErrorIsStickyUntilTheContextIsInitialisedAgain) {
    Fixture f;
    f.write("T.DBF", people(true).bytes());
    f.write("T.DBT", table_builder::dbt({"memo"}));
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(d4go(data, 1), 0);

    EXPECT_EQ(d4open(&f.code, f.path("missing").c_str()), nullptr);
    EXPECT_EQ(f.code.lastError, -64);
    f.boxes.clear();

    EXPECT_EQ(d4open(&f.code, f.path("t").c_str()), nullptr) << "no open, and no box";
    EXPECT_EQ(d4seek(data, "A"), -1);
    EXPECT_EQ(d4seekNext(data, "A"), -1);
    EXPECT_EQ(d4go(data, 1), -1410);
    EXPECT_EQ(f4memoStr(d4field(data, "NOTES")), nullptr);
    EXPECT_EQ(f4memoLen(d4field(data, "NOTES")), 0u);
    EXPECT_TRUE(f.boxes.calls().empty());

    EXPECT_EQ(d4close(data), -64) << "closes and gives back the put-aside code";
    EXPECT_TRUE(f.code.tables.empty());
    EXPECT_EQ(f.code.lastError, -64);
    EXPECT_EQ(code4initUndo(&f.code), -64);
    EXPECT_EQ(code4init(&f.code), 0);
    EXPECT_NE(d4open(&f.code, f.path("t").c_str()), nullptr);
}

TEST(Code4, QuietOpenFailuresLeaveCode70) {
    Fixture f;
    f.write("T.DBF", people().bytes());
    f.code.reportOpenFailure = 0;
    EXPECT_EQ(d4open(&f.code, f.path("missing").c_str()), nullptr);
    EXPECT_EQ(f.code.lastError, r4noOpen);
    EXPECT_TRUE(f.boxes.calls().empty());
    EXPECT_NE(d4open(&f.code, f.path("t").c_str()), nullptr) << "70 does not block";
    OpenTable table;
    EXPECT_EQ(openTableSequence(f.code, f.path("missing"), {}, {}, table), r4noOpen);
    EXPECT_EQ(table.data, nullptr);
}

TEST(Code4, D4changedReportsThatTheLayerDoesNotWrite) {
    Fixture f;
    f.write("T.DBF", people().bytes());
    Data4* data = d4open(&f.code, f.path("t").c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(d4changed(data, 1), -1040);
    EXPECT_EQ(summary(f.boxes), (Boxes{"-1040 94101"}));
    EXPECT_EQ(f.code.lastError, -1040);
}

TEST(OpenSequence, TheMissingNarrativeTableBoxIsByteExact) {
    Fixture f;
    OpenTable table;
    EXPECT_EQ(openTableSequence(f.code, f.path("svnarrat"), {"TEXT"}, {"CODE"}, table), -64);
    EXPECT_EQ(table.data, nullptr);
    ASSERT_EQ(f.boxes.calls().size(), 1u);
    EXPECT_EQ(f.boxes.calls()[0].text, "Error #:   -64                 \r\n"
                                       "Error #:  90615 \r\n"
                                       "File Find Error Opening File\r\n"
                                       "file4open\r\n" +
                                           f.shown("SVNARRAT.DBF") + "\r\n");
    EXPECT_EQ(f.boxes.calls()[0].caption, "TABLE LAYER ERROR");
}

TEST(OpenSequence, OpensTheIndexLooksUpNamesAndRestoresSettings) {
    Fixture f;
    Dbf dbf = people();
    dbf.flags = 0x01;
    f.write("T.DBF", dbf.bytes());
    table_builder::Tag tag{"BYNAME", 'C', 10, "NAME", {{"ALICE     ", 1}, {"BOB       ", 2}}};
    f.write("T.MDX", table_builder::mdx({tag}));
    f.code.autoOpen = 7;
    f.code.createSafety = 5;
    OpenTable table;
    EXPECT_EQ(
        openTableSequence(f.code, f.path("t"), {"NUM", "NOPE", "NAME"}, {"NOTAG", "byname"}, table),
        0);
    ASSERT_NE(table.data, nullptr);
    EXPECT_EQ(f.code.autoOpen, 7);
    EXPECT_EQ(f.code.createSafety, 5);
    ASSERT_EQ(table.fields.size(), 3u);
    EXPECT_EQ(table.fields[0], d4fieldJ(table.data, 2));
    EXPECT_EQ(table.fields[1], nullptr);
    EXPECT_EQ(table.fields[2], d4fieldJ(table.data, 1));
    ASSERT_EQ(table.tags.size(), 2u);
    EXPECT_EQ(table.tags[0], nullptr);
    ASSERT_NE(table.tags[1], nullptr);
    EXPECT_STREQ(t4alias(table.tags[1]), "BYNAME");
    EXPECT_EQ(summary(f.boxes), (Boxes{"-210 94003", "-330 92401"}));

    // Without the sequence, autoOpen decides whether d4open opens the production index.
    Fixture g;
    g.write("T.DBF", dbf.bytes());
    g.write("T.MDX", table_builder::mdx({tag}));
    Data4* withIndex = d4open(&g.code, g.path("t").c_str());
    ASSERT_NE(withIndex, nullptr);
    EXPECT_EQ(d4numTags(withIndex), 1);
    d4close(withIndex);
    g.code.autoOpen = 0;
    Data4* without = d4open(&g.code, g.path("t").c_str());
    ASSERT_NE(without, nullptr);
    EXPECT_EQ(d4numTags(without), 0);
}

TEST(OpenSequence, AFailedIndexClosesTheTable) {
    Fixture f;
    f.write("T.DBF", people().bytes());
    OpenTable table;
    EXPECT_EQ(openTableSequence(f.code, f.path("t"), {}, {}, table), -64);
    EXPECT_EQ(summary(f.boxes), (Boxes{"-64 90615"}));
    EXPECT_EQ(table_test::descriptions(f.boxes.texts()[0]), (Boxes{f.shown("T.MDX")}));
    EXPECT_TRUE(f.code.tables.empty());
}

} // namespace
