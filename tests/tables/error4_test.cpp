// The error box: code table, location groups, the byte-exact box text, and the exit rules.
#include "tables/error4.h"

#include "platform/core/message_box.h"
#include "tables/table_layer.h"

#include <gtest/gtest.h>

namespace {

std::string crlf(std::initializer_list<std::string> lines) {
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

TEST(Error4Table, HasNinetyNineCodesInOrderAndAZeroEnd) {
    EXPECT_EQ(error4tableSize(), 100);
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {-10, "Closing File"},
        {-64, "File Find Error Opening File"},
        {-250, "Seeking to File Position"},
        {-1430, "Authorization Error (access denied)"},
        {-425, "SUBSTR() and STR() need Constant Parameters"},
        {-1040, "Function unsupported: library compiled with S4OFF_WRITE"},
        {-1410, "Table Layer in an Unacknowledged Error State"},
        {-970, "Data Structure Corrupt or not Initialized"},
        {-1, "Invalid or Unknown Error Code"},
        {-65, "Invalid or Unknown Error Code"},
        {5, "Invalid or Unknown Error Code"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(error4text(c.code), c.text) << c.code;
}

TEST(Error4Locations, GroupsHoldTheReportedLocations) {
    struct Case {
        long number;
        const char* text;
    } cases[] = {
        {61003, "Str4::operator int"},
        {61035, "Str4::trim"},
        {83805, "database corruption detected"},
        {84306, "data file shorter than required header length (corrupt or invalid)"},
        {84901, "expression length doesn't match tag length"},
        {81409, "field function not supported for given field type"},
        {94301, "d4open"},
        {91102, "dfile4...()"},
        {90615, "file4open"},
        {94509, "u4nameCurrent"},
        {95210, "memo4fileRead"},
        {96302, "code4dateFormatSet"},
        {-64, "File Find Error Opening File"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(error4locationText(c.number), c.text) << c.number;
    for (long missing : {0L, 70000L, 94302L, 123456L, 61004L})
        EXPECT_EQ(error4locationText(missing), nullptr) << missing;
}

TEST(Error4Box, TextIsLaidOutByteExactly) {
    struct Case {
        const char* label;
        int code;
        long location;
        const char* t1;
        const char* t2;
        const char* t3;
        std::string expected;
    } cases[] = {
        {"missing narrative table", -64, 90615, "C:\\DATA\\SVNARRAT.DBF", nullptr, nullptr,
         crlf({"Error #:   -64                 ", "Error #:  90615 ",
               "File Find Error Opening File", "file4open", "C:\\DATA\\SVNARRAT.DBF"})},
        {"five-character code fills its field", -1095, 94301, nullptr, nullptr, nullptr,
         crlf({"Error #: -1095                 ", "Error #:  94301 ",
               "Application/Library version mismatch", "d4open"})},
        {"a code too wide becomes asterisks", -10950, 94301, nullptr, nullptr, nullptr,
         crlf({"Error #: *****                 ", "Error #:  94301 ",
               "Invalid or Unknown Error Code", "d4open"})},
        {"unknown location shows 0", -70, 12345, nullptr, nullptr, nullptr,
         crlf({"Error #:   -70                 ", "Error #:      0 ", "Reading File",
               "Invalid or Unknown Error Code"})},
        {"negative location shows that code's message", -70, -64, nullptr, nullptr, nullptr,
         crlf({"Error #:   -70                 ", "Error #:    -64 ", "Reading File",
               "File Find Error Opening File"})},
        {"location too wide", -70, -1234567, nullptr, nullptr, nullptr,
         crlf({"Error #:   -70                 ", "Error #: ****** ", "Reading File",
               "Invalid or Unknown Error Code"})},
        {"code 0 leaves out the four parts", 0, 90615, "one", "two", nullptr, crlf({"one", "two"})},
        {"an absent text ends the list", -69, 91102, "A.DBF", nullptr, "never",
         crlf({"Error #:   -69                 ", "Error #:  91102 ",
               "Duplicate Instance Found Error Opening File", "dfile4...()", "A.DBF"})},
        {"three texts", -70, 90621, "F", "offset 0, length 32", "d4open",
         crlf({"Error #:   -70                 ", "Error #:  90621 ", "Reading File",
               "file4readError", "F", "offset 0, length 32", "d4open"})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(error4boxText(c.code, c.location, c.t1, c.t2, c.t3), c.expected) << c.label;
}

TEST(Error4Box, DescriptionsStopAtTheFirstThatDoesNotFit) {
    // Header 51 + "Reading File\r\n" 14 + "file4readError\r\n" 16 = 81 characters.
    const std::size_t used = 81;
    const std::string fits(256 - used - 3, 'x'); // used + len + 3 == 256
    const std::string tooLong(256 - used - 2, 'y');
    EXPECT_EQ(error4boxText(-70, 90621, fits.c_str()).size(), 255u);
    EXPECT_EQ(error4boxText(-70, 90621, tooLong.c_str(), "short").size(), used)
        << "a text that does not fit ends the list, the ones after it too";
    EXPECT_EQ(error4boxText(-70, 90621, "ab", tooLong.c_str()).size(), used + 4);
}

TEST(Error4Report, ShowsTheConvertedTextWithTitleAndFlags) {
    platform::RecordedMessageBoxes boxes;
    Code4 code;
    code4init(&code);
    EXPECT_EQ(error4report(&code, -64, 90615, "\x81.DBF"), -64);
    ASSERT_EQ(boxes.calls().size(), 1u);
    const auto& box = boxes.calls()[0];
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, "TABLE LAYER ERROR");
    EXPECT_EQ(box.type, MB_OK | MB_ICONSTOP);
    EXPECT_NE(box.text.find("\xFC.DBF\r\n"), std::string::npos) << "OEM 0x81 is 1252 0xFC";
    EXPECT_EQ(code.lastError, -64);
    EXPECT_EQ(code.lastErrorLocation, 90615);
}

TEST(Error4Report, SilentErrorsShowNothingButRecordTheCode) {
    platform::RecordedMessageBoxes boxes;
    Code4 code;
    code4init(&code);
    code.silentErrors = 1;
    EXPECT_EQ(error4report(&code, -210, 94003, "NAME"), -210);
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(code.lastError, -210);
    EXPECT_EQ(code.lastErrorLocation, 94003);
}

TEST(Error4ReportDeathTest, FatalCodesEndTheProcessAfterTheBox) {
    for (int fatal : {-970, -950, -935, -930, -920, -910}) {
        EXPECT_EXIT(
            {
                Code4 code;
                code4init(&code);
                error4report(&code, fatal, 91001);
            },
            testing::ExitedWithCode(3), "TABLE LAYER ERROR(.|\n)*EXITING APPLICATION")
            << fatal;
    }
    EXPECT_FALSE(error4isFatal(-960));
    EXPECT_FALSE(error4isFatal(-64));
}

TEST(Error4ReportDeathTest, AReportWithoutContextEndsTheProcess) {
    EXPECT_EXIT(error4report(nullptr, -64, 90615), testing::ExitedWithCode(3),
                "File Find Error(.|\n)*EXITING APPLICATION");
    EXPECT_EXIT(f4len(nullptr), testing::ExitedWithCode(3),
                "Null Input Parameter unexpected\nf4len(.|\n)*EXITING APPLICATION");
}

TEST(Error4ReportDeathTest, SilentErrorsStillEndTheProcessOnFatalCodes) {
    EXPECT_EXIT(
        {
            Code4 code;
            code4init(&code);
            code.silentErrors = 1;
            error4report(&code, -910, 95210);
        },
        testing::ExitedWithCode(3), "EXITING APPLICATION");
}

TEST(Error4ReportDeathTest, OutOfMemoryIsSystemModal) {
    EXPECT_EXIT(
        {
            platform::setMessageBoxSink([](const platform::MessageBoxCall& call) {
                if (call.caption == "TABLE LAYER ERROR" && call.type & MB_SYSTEMMODAL)
                    std::fputs("system-modal box\n", stderr);
                return IDOK;
            });
            Code4 code;
            code4init(&code);
            error4report(&code, -920, 91102);
        },
        testing::ExitedWithCode(3), "system-modal box");
}

TEST(Error4ReportDeathTest, ABoxThatCannotBeShownEndsWithMemoryError) {
    EXPECT_EXIT(
        {
            platform::setMessageBoxSink([](const platform::MessageBoxCall& call) {
                if (call.caption == "TABLE LAYER ERROR") return 0;
                std::fprintf(stderr, "%s\n", call.text.c_str());
                return IDOK;
            });
            Code4 code;
            code4init(&code);
            error4report(&code, -64, 90615);
        },
        testing::ExitedWithCode(3), "^Memory Error\n$");
}

TEST(Error4ReportDeathTest, TheExitReleasesTheContextFirst) {
    EXPECT_EXIT(
        {
            Code4 code;
            code4init(&code);
            platform::setMessageBoxSink([&code](const platform::MessageBoxCall& call) {
                if (call.caption != "TABLE LAYER ERROR")
                    std::fprintf(stderr, "initialised=%d %s\n", int(code.initialised),
                                 call.text.c_str());
                return IDOK;
            });
            error4report(&code, -930, 94509);
        },
        testing::ExitedWithCode(3), "initialised=0 EXITING APPLICATION");
}

} // namespace
