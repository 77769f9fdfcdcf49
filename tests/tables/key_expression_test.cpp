// Key expressions: what parses (type and key length), the error code of what does not, and the
// values computed for a record.
#include "tables/key_expression.h"

#include "tables/data4.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A table with NAME C10, CODE C4, NUM N6.2, DAY D8, OK L1, NOTES M10 and one record.
struct Table {
    Data4 data;
    Table() {
        data.alias = "PEOPLE";
        struct F {
            const char* name;
            char type;
            unsigned length;
            int decimals;
        } fields[] = {{"NAME", 'C', 10, 0}, {"CODE", 'C', 4, 0}, {"NUM", 'N', 6, 2},
                      {"DAY", 'D', 8, 0},   {"OK", 'L', 1, 0},   {"NOTES", 'M', 10, 0}};
        unsigned offset = 1;
        for (const F& f : fields) {
            data.fields.push_back(
                std::make_unique<Field4>(&data, f.name, f.type, f.length, f.decimals, offset));
            offset += f.length;
        }
        data.recordLength = offset;
        const std::string record =
            std::string(" ") + "  al Ice  " + "ab  " + " 12.75" + "20000229" + "T" + "         1";
        data.record.assign(record.begin(), record.end());
        data.record.push_back('\0');
        data.recNo = 7;
    }
};

TEST(KeyExpression, ParsesTheFormsRealFilesUse) {
    Table t;
    struct Case {
        const char* text;
        ExprType type;
        unsigned keyLength;
        const char* value; // character value, or the number as text
    } cases[] = {
        {"NAME", ExprType::Character, 10, "  al Ice  "},
        {"name", ExprType::Character, 10, "  al Ice  "},
        {"people->NAME", ExprType::Character, 10, "  al Ice  "},
        {"NAME + CODE", ExprType::Character, 14, "  al Ice  ab  "},
        {"NAME-CODE", ExprType::Character, 14, "  al Iceab    "},
        {"UPPER(NAME)", ExprType::Character, 10, "  AL ICE  "},
        {"TRIM(NAME)+CODE", ExprType::Character, 14, "  al Iceab    "},
        {"RIGHT(TRIM(NAME), 3)+'|'", ExprType::Character, 4, "Ice|"},
        {"SUBSTR(TRIM(NAME), 6)+CODE", ExprType::Character, 9, "Iceab    "},
        {"LTRIM(NAME)-CODE+'|'", ExprType::Character, 15, "al Iceab    |  "},
        {"DESCEND(TRIM(CODE))", ExprType::Character, 4, "\x9E\x9D\xDF\xDF"},
        {"LTRIM(NAME)", ExprType::Character, 10, "al Ice    "},
        {"UPPER(LTRIM(TRIM(NAME)))", ExprType::Character, 10, "AL ICE    "},
        {"STR(NUM,11)", ExprType::Character, 11, "         13"},
        {"STR(NUM, 8, 2)", ExprType::Character, 8, "   12.75"},
        {"STR(NUM)", ExprType::Character, 10, "        13"},
        {"STR(NUM,1)", ExprType::Character, 1, "*"},
        {"STR(NUM,11)+STR(NUM,11)", ExprType::Character, 22, "         13         13"},
        {"SUBSTR(NAME,3,4)", ExprType::Character, 4, "al I"},
        {"SUBSTR(NAME,8)", ExprType::Character, 3, "e  "},
        {"DTOS(DAY)", ExprType::Character, 8, "20000229"},
        {"DTOC(DAY)", ExprType::Character, 8, "02/29/00"},
        {"DTOS(DAY+1)", ExprType::Character, 8, "20000301"},
        {"'x' + CODE", ExprType::Character, 5, "xab  "},
        {"(CODE)", ExprType::Character, 4, "ab  "},
        {"OK", ExprType::Logical, 1, "T"},
        {"NUM", ExprType::Numeric, 12, "12.75"},
        {"VAL(CODE)", ExprType::Numeric, 12, "0"},
        {"NUM + 2 - 0.5", ExprType::Numeric, 12, "14.25"},
        {"DAY", ExprType::Date, 8, "2451604"},
        {"LEFT(NAME,25)+STR(NUM,11,0)", ExprType::Character, 21, "  al Ice           13"},
        {"LEFT(NAME, 4)", ExprType::Character, 4, "  al"},
        {"RIGHT(NAME, 4)", ExprType::Character, 4, "ce  "},
        {"RIGHT(CODE, 9)", ExprType::Character, 4, "ab  "},
        {"RTRIM(CODE)+'|'", ExprType::Character, 5, "ab|  "},
        {"LTRIM(RIGHT(NAME, 9))", ExprType::Character, 9, "al Ice   "},
        {"IIF(OK, CODE, 'none')", ExprType::Character, 4, "ab  "},
        {"IIF(.NOT. OK, 'yes', 'no ')", ExprType::Character, 3, "no "},
        {"IIF(DELETED(), '*', ' ') + CODE", ExprType::Character, 5, " ab  "},
        {"IIF(OK, OK, NAME = CODE)", ExprType::Logical, 1, "T"},
        {"IIF(NUM > 12.5 .AND. CODE = 'ab', NUM, NUM + 1)", ExprType::Numeric, 12, "12.75"},
        {"IIF(NUM > 13 .OR. NAME = 'al', DAY, DAY + 1)", ExprType::Date, 8, "2451605"},
        {"DELETED()", ExprType::Logical, 1, "F"},
        {".NOT. DELETED()", ExprType::Logical, 1, "T"},
        {"RECNO()", ExprType::Numeric, 12, "7"},
        {"STR(RECNO(), 6)", ExprType::Character, 6, "     7"},
        {"DTOS(CTOD('12/31/1999'))", ExprType::Character, 8, "19991231"},
        {"DTOS(CTOD(' 2/3/04'))", ExprType::Character, 8, "19040203"},
        {"CTOD(DTOC(DAY))", ExprType::Date, 8, "0"}, // 02/29/00 is in 1900, no leap year
        {"DESCEND(CODE)", ExprType::Character, 4, "\x9E\x9D\xDF\xDF"},
        {"DESCEND(OK)", ExprType::Character, 1, "\xAB"},
        {"DESCEND(NUM)", ExprType::Numeric, 12, "-12.75"},
        {"DESCEND(DAY)", ExprType::Date, 8, "-2451604"},
        {"DESCEND(DESCEND(CODE))", ExprType::Character, 4, "ab  "},
        {"LTRIM(NAME) = 'al'", ExprType::Logical, 1, "T"},
        {"NAME = 'al'", ExprType::Logical, 1, "F"},
        {"CODE = 'ab    '", ExprType::Logical, 1, "T"},
        {"CODE <> 'ab'", ExprType::Logical, 1, "F"},
        {"CODE # 'ac'", ExprType::Logical, 1, "T"},
        {"NAME < 'a'", ExprType::Logical, 1, "T"},
        {"NUM <= 12.75 .AND. NUM >= 12.75", ExprType::Logical, 1, "T"},
        {"NUM>1.AND.DAY<DAY-1", ExprType::Logical, 1, "F"},
        {".t. .and. .NOT. .F.", ExprType::Logical, 1, "T"},
    };
    for (const Case& c : cases) {
        KeyExpression e;
        ASSERT_EQ(e.parse(c.text, t.data), 0) << c.text;
        EXPECT_EQ(e.type(), c.type) << c.text;
        EXPECT_EQ(e.keyLength(), c.keyLength) << c.text;
        const ExprValue v = e.evaluate();
        if (c.type == ExprType::Numeric || c.type == ExprType::Date) {
            EXPECT_DOUBLE_EQ(v.number, std::stod(c.value)) << c.text;
        } else {
            EXPECT_EQ(v.text, c.value) << c.text;
            EXPECT_EQ(v.text.size(), e.keyLength()) << c.text;
        }
    }
}

TEST(KeyExpression, ReportsWhatItCannotParse) {
    Table t;
    struct Case {
        const char* text;
        int rc;
    } cases[] = {
        {"", -410},
        {"   ", -410},
        {"NAME +", -410},
        {"UPPER()", -430},
        {"UPPER(NAME", -450},
        {"(NAME", -450},
        {"NAME)", -450},
        {"SUBSTR(NAME 1, 2)", -400},
        {"'abc", -500},
        {"\"abc", -500},
        {"OTHER->NAME", -420},
        {"STR(NUM, NUM)", -425},
        {"SUBSTR(NAME, NUM, 2)", -425},
        {"UPPER(NAME, CODE)", -430},
        {"STR(NUM, 0)", -440},
        {"SUBSTR(NAME, 11)", -440},
        {"NAME + NUM", -460},
        {"UPPER(NUM)", -460},
        {"DTOS(NAME)", -460},
        {"NOTES", -460},
        {"SOUNDEX(NAME)", -470},
        {"IIF(OK, NAME, CODE)", -422},
        {"IIF(OK, NAME, NUM)", -460},
        {"IIF(NAME, CODE, CODE)", -460},
        {"IIF(OK, NAME)", -430},
        {"IIF(OK, NAME, NAME", -450},
        {"LEFT(NAME)", -430},
        {"LEFT(NAME, NUM)", -425},
        {"LEFT(NAME, 0)", -440},
        {"LEFT(NUM, 2)", -460},
        {"RIGHT(NAME, 0)", -440},
        {"RIGHT(DAY, 2)", -460},
        {"DELETED(NAME)", -430},
        {"RECNO(1)", -430},
        {"CTOD(DAY)", -460},
        {"DTOC(NAME)", -460},
        {"DESCEND()", -430},
        {"DESCEND(NOTES)", -460},
        {"NAME = NUM", -460},
        {"OK = OK", -460},
        {"NAME .AND. OK", -460},
        {".NOT. NAME", -460},
        {"OK .XOR. OK", -480},
        {".X.", -480},
        {"NAME =", -410},
        {".NOT.", -410},
        {"NAME = CODE = CODE", -480},
        {"NOFIELD", -490},
        {"NAME CODE", -480},
        {"NAME * CODE", -480},
        {"#", -480},
    };
    for (const Case& c : cases) {
        KeyExpression e;
        EXPECT_EQ(e.parse(c.text, t.data), c.rc) << c.text;
    }
    std::string deep(200, '(');
    KeyExpression e;
    EXPECT_EQ(e.parse(deep + "NAME" + std::string(200, ')'), t.data), -440) << "nesting is bounded";
    std::string negations;
    for (int i = 0; i < 100; ++i)
        negations += ".NOT.";
    EXPECT_EQ(e.parse(negations + "OK", t.data), -440) << "negation is bounded";
}

TEST(KeyExpression, DeletedAndRecnoFollowTheCurrentRecord) {
    Table t;
    KeyExpression deleted, recno;
    ASSERT_EQ(deleted.parse("IIF(DELETED(), 'gone', CODE)", t.data), 0);
    ASSERT_EQ(recno.parse("RECNO()", t.data), 0);
    t.data.record[0] = '*';
    t.data.recNo = 12;
    EXPECT_EQ(deleted.evaluate().text, "gone");
    EXPECT_EQ(recno.evaluate().number, 12);
}

TEST(KeyExpression, DatesConvertBothWays) {
    EXPECT_EQ(date4long("20000101"), 2451545);
    EXPECT_EQ(date4text(2451545), "20000101");
    EXPECT_EQ(date4text(date4long("17520914")), "17520914");
    EXPECT_EQ(date4text(date4long("99991231")), "99991231");
    EXPECT_EQ(date4text(0), "        ");
    EXPECT_EQ(date4long("20001301"), 0);
    EXPECT_EQ(date4long("20010229"), 0);
}

TEST(KeyExpression, CtodReadsMonthDayYear) {
    struct Case {
        const char* text;
        const char* yyyymmdd; // null: no date
    } cases[] = {
        {"12/31/99", "19991231"},   {"12/31/1999", "19991231"},
        {"1/2/2003", "20030102"},   {" 01.02.03  ", "19030102"},
        {"02/29/2000", "20000229"}, {"02/29/00", nullptr},
        {"13/01/99", nullptr},      {"12/31", nullptr},
        {"12/31/999", nullptr},     {"123/1/99", nullptr},
        {"12//99", nullptr},        {"12/31/99x", nullptr},
        {"12 /31/99", nullptr},     {"", nullptr},
        {"        ", nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(date4ctod(c.text), c.yyyymmdd ? date4long(c.yyyymmdd) : 0) << c.text;
}

} // namespace
