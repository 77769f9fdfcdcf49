#include "platform/core/message_box.h"
#include "platform/core/oem_charset.h"

#include <gtest/gtest.h>

TEST(MessageBox, TheRecordingSinkSeesEveryBoxAndAnswers) {
    platform::RecordedMessageBoxes boxes(IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK | MB_ICONSTOP), IDCANCEL);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "text");
    EXPECT_EQ(boxes.calls()[0].caption, "caption");
    EXPECT_EQ(boxes.calls()[0].type, MB_OK | MB_ICONSTOP);
    {
        platform::RecordedMessageBoxes inner;
        MessageBoxA(nullptr, "inner", "c", 0);
        EXPECT_EQ(inner.calls().size(), 1u);
    }
    MessageBoxA(nullptr, "again", "c", 0);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"text", "again"}))
        << "the outer recorder is back once the inner one is gone";
}

TEST(MessageBox, FatalAppExitShowsTheTextAndEndsTheProcess) {
    EXPECT_EXIT(FatalAppExitA(0, "EXITING APPLICATION"), testing::ExitedWithCode(3),
                "EXITING APPLICATION");
}

TEST(MessageBox, Windows1252TextBecomesUtf8) {
    EXPECT_EQ(platform::windows1252ToUtf8("\xA9 1999 \x80"), "\xC2\xA9 1999 \xE2\x82\xAC");
    EXPECT_EQ(platform::windows1252ToUtf8("plain"), "plain");
}

TEST(OemCharset, ConvertsCodePage437ToWindows1252) {
    struct Case {
        unsigned char oem;
        unsigned char ansi;
    } cases[] = {
        {'A', 'A'},   {'\r', '\r'}, {0x81, 0xFC} /* ü */, {0x9C, 0xA3} /* £ */,
        {0xE1, 0xDF} /* ß */, {0xF8, 0xB0} /* ° */,  {0xC4, '-'} /* ─ */,   {0xB3, '|'} /* │ */,
        {0xDA, '+'} /* ┌ */,  {0xFF, 0xA0} /* nbsp */, {0x9F, 0x83} /* ƒ */,
    };
    for (const auto& c : cases) EXPECT_EQ(platform::oemToAnsi(c.oem), c.ansi) << int(c.oem);
    char text[] = "\x8E" "nderung\r\n";
    ASSERT_TRUE(OemToCharA(text, text));
    EXPECT_STREQ(text, "\xC4nderung\r\n");
}
