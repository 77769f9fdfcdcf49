#include "platform/core/rtf_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// How the narratives are stored: this header, the body, this trailer.
constexpr std::string_view kHeader =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n{\\colortbl\\red0\\green0\\blue0;}"
    "\r\n\\deflang1033\\pard\\plain\\f0\\fs20 ";
constexpr std::string_view kTrailer = "\r\n\\par }";

std::string wrap(std::string_view body) {
    return std::string(kHeader) + std::string(body) + std::string(kTrailer);
}

std::string rich(std::string_view body) {
    return "{\\rtf1 " + std::string(body) + "}";
}

std::vector<std::string> paragraphTexts(const rtf::Document& doc) {
    std::vector<std::string> texts;
    for (const auto& paragraph : doc.paragraphs) {
        std::string text;
        for (const auto& run : paragraph.runs)
            text += run.text;
        texts.push_back(text);
    }
    return texts;
}

using Problems = std::vector<std::string>;

// A character format changed from the default by f.
template <typename F> rtf::CharFormat format(F f) {
    rtf::CharFormat format;
    f(format);
    return format;
}

} // namespace

TEST(RtfReader, BreaksTextIntoParagraphsAsTheControlShowsThem) {
    struct Case {
        const char* label;
        std::string body;
        std::vector<std::string> expected;
    } cases[] = {
        {"one paragraph", "a", {"a"}},
        {"text after the last par", R"(a\par b)", {"a", "b"}},
        {"par at the end adds none", R"(a\par)", {"a"}},
        {"empty document", "", {""}},
        {"only a par", R"(\par)", {""}},
        {"empty paragraph in between", R"(a\par\par b)", {"a", "", "b"}},
        {"empty paragraph at the end", R"(a\par\par)", {"a", ""}},
        {"backslash CR and backslash LF", "a\\\rb\\\nc", {"a", "b", "c"}},
        {"backslash CR LF is one break", "a\\\r\nb", {"a", "b"}},
        {"raw CR and LF ignored", "a\r\nb\rc\nd", {"abcd"}},
        {"hex CR, LF, CR LF", R"(a\'0db\'0ac\'0d\'0ad)", {"a", "b", "c", "d"}},
        {"hex LF CR is two", R"(a\'0a\'0db)", {"a", "", "b"}},
        {"unicode CR", R"(a\u13?b)", {"a", "b"}},
        {"par inside a group", R"(a{\b b\par c}d)", {"ab", "cd"}},
        {"space after a word is its delimiter", R"(\b  x\b0 y)", {" xy"}},
        {"tab, line, cell and row", R"(a\tab b\line c\cell d\row e)", {"a\tb\u2028c\td", "e"}},
        {"escaped characters", R"(\\ \{ \})", {"\\ { }"}},
        {"hyphens and spaces", R"(a\~b\-c\_d)", {"a\u00A0b\u00ADc\u2011d"}},
        {"punctuation words",
         R"(\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\enspace\emspace)",
         {"\u2014\u2013\u2022\u2018\u2019\u201C\u201D\u2002\u2003"}},
        {"unknown words and symbols ignored", R"(a\foo b\|\:c\deflang1033\lang1031 d)", {"abcd"}},
    };
    for (const auto& c : cases) {
        const rtf::Document doc = rtf::parse(rich(c.body));
        EXPECT_EQ(paragraphTexts(doc), c.expected) << c.label;
        EXPECT_EQ(doc.problems, Problems{}) << c.label;
    }
    EXPECT_EQ(rtf::parse(rich(R"(a\par b\par\par)")).plainText(), "a\nb\n");
}

TEST(RtfReader, ReadsTheNarrativeWrapping) {
    const std::string empty = wrap("");
    const rtf::Document doc = rtf::parse(empty);
    EXPECT_EQ(paragraphTexts(doc), std::vector<std::string>{""});
    EXPECT_EQ(doc.consumed, empty.size());
    EXPECT_EQ(doc.problems, Problems{});
    EXPECT_EQ(doc.defaultFont, 0);
    EXPECT_EQ(doc.codePage, 1252);
    ASSERT_EQ(doc.fonts.size(), 1u);
    EXPECT_EQ(doc.fonts[0].number, 0);
    EXPECT_EQ(doc.fonts[0].name, "Arial");
    EXPECT_EQ(doc.fonts[0].family, rtf::FontFamily::Swiss);
    ASSERT_EQ(doc.colours.size(), 1u);
    EXPECT_FALSE(doc.colours[0].automatic) << "the first entry is real black";
    EXPECT_EQ(doc.colours[0].red + doc.colours[0].green + doc.colours[0].blue, 0);

    const std::string text = wrap(R"(The {\b park}\par opened in 1872.\cf0 )");
    const rtf::Document narrative = rtf::parse(text);
    EXPECT_EQ(narrative.plainText(), "The park\nopened in 1872.");
    EXPECT_EQ(narrative.consumed, text.size());
    EXPECT_EQ(narrative.problems, Problems{});
    const auto arial10 = format([](auto& f) { f.font = 0, f.halfPoints = 20; });
    ASSERT_EQ(narrative.paragraphs[0].runs.size(), 2u);
    EXPECT_EQ(narrative.paragraphs[0].runs[0].format, arial10);
    EXPECT_EQ(narrative.paragraphs[0].runs[1].format,
              format([](auto& f) { f.font = 0, f.halfPoints = 20, f.bold = true; }));
    ASSERT_EQ(narrative.paragraphs[1].runs.size(), 1u);
    EXPECT_EQ(narrative.paragraphs[1].runs[0].format, arial10) << "\\cf0 is the black entry";
}

TEST(RtfReader, ScopesCharacterFormatsByGroupAndPlain) {
    struct Expected {
        std::string text;
        rtf::CharFormat format;
    };
    struct Case {
        const char* label;
        std::string body;
        std::vector<Expected> runs;
    } cases[] = {
        {"bold on and off",
         R"(a\b b\b0 c)",
         {{"a", {}}, {"b", format([](auto& f) { f.bold = true; })}, {"c", {}}}},
        {"a group restores",
         R"({\i\ul a}b)",
         {{"a", format([](auto& f) { f.italic = f.underline = true; })}, {"b", {}}}},
        {"equal formats merge across groups", R"(a{\b0 b}{\i0 c})", {{"abc", {}}}},
        {"hidden text dropped, neighbours merged", R"(a{\v hidden}b\v c\v0 d)", {{"abd", {}}}},
        {"underline off three ways",
         R"(\ul a\ulnone b\ul c\ul0 d\uldb e)",
         {{"a", format([](auto& f) { f.underline = true; })},
          {"b", {}},
          {"c", format([](auto& f) { f.underline = true; })},
          {"d", {}},
          {"e", format([](auto& f) { f.underline = true; })}}},
        {"plain resets to the default font and 12 points",
         R"(\f1\fs40\b\strike a\plain b)",
         {{"a", format([](auto& f) { f.font = 1, f.halfPoints = 40, f.bold = f.strike = true; })},
          {"b", format([](auto& f) { f.font = 2; })}}},
        {"colours",
         R"(\cf1\cb2\highlight1 a)",
         {{"a", format([](auto& f) { f.foreground = 1, f.background = 2, f.highlight = 1; })}}},
        {"super and sub",
         R"(\super a\sub b\nosupersub c)",
         {{"a", format([](auto& f) { f.superSub = 1; })},
          {"b", format([](auto& f) { f.superSub = -1; })},
          {"c", {}}}},
        {"size clamped, missing size is 12 points",
         R"(\fs0 a\fs5000 b\fs c)",
         {{"a", format([](auto& f) { f.halfPoints = 1; })},
          {"b", format([](auto& f) { f.halfPoints = rtf::kMaxHalfPoints; })},
          {"c", {}}}},
    };
    const std::string tables =
        R"({\fonttbl{\f1 A;}{\f2 B;}}{\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
        R"(\deff2 )";
    for (const auto& c : cases) {
        const rtf::Document doc = rtf::parse(rich(tables + c.body));
        ASSERT_EQ(doc.paragraphs.size(), 1u) << c.label;
        const auto& runs = doc.paragraphs[0].runs;
        ASSERT_EQ(runs.size(), c.runs.size()) << c.label;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].text, c.runs[i].text) << c.label << " run " << i;
            EXPECT_EQ(runs[i].format, c.runs[i].format) << c.label << " run " << i;
        }
        EXPECT_EQ(doc.problems, Problems{}) << c.label;
    }
}

TEST(RtfReader, GivesEachParagraphTheFormatAtItsEnd) {
    const auto centred = [] {
        rtf::ParagraphFormat f;
        f.alignment = rtf::Alignment::Centre;
        return f;
    }();
    rtf::ParagraphFormat indented;
    indented.leftIndent = 720, indented.rightIndent = 360, indented.firstIndent = -360;
    indented.spaceBefore = 120, indented.spaceAfter = 240;
    indented.lineSpacing = -280, indented.lineSpacingMultiple = true;
    rtf::ParagraphFormat clamped;
    clamped.leftIndent = rtf::kMaxTwips, clamped.firstIndent = -rtf::kMaxTwips;

    struct Case {
        const char* label;
        std::string body;
        std::vector<rtf::ParagraphFormat> expected;
    } cases[] = {
        {"format given before par", R"(a\qc\par b)", {centred, centred}},
        {"pard resets", R"(\qc a\par\pard b\par)", {centred, {}}},
        {"group ended before par", R"({\qc a}\par)", {{}}},
        {"par inside the group", R"({\qc a\par}b)", {centred, {}}},
        {"last paragraph takes the end's format", R"(a\par\qc b)", {{}, centred}},
        {"all the spacing words",
         R"(\li720\ri360\fi-360\sb120\sa240\sl-280\slmult1 a\par)",
         {indented}},
        {"lin and rin", R"(\lin720\rin360\fi-360\sb120\sa240\sl-280\slmult a)", {indented}},
        {"clamped", R"(\li99999\fi-99999\sb-5 a)", {clamped}},
    };
    for (const auto& c : cases) {
        const rtf::Document doc = rtf::parse(rich(c.body));
        ASSERT_EQ(doc.paragraphs.size(), c.expected.size()) << c.label;
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(doc.paragraphs[i].format, c.expected[i]) << c.label << " paragraph " << i;
    }
    rtf::Document doc = rtf::parse(rich(R"(\qr a\par\qj b\par\ql c)"));
    ASSERT_EQ(doc.paragraphs.size(), 3u);
    EXPECT_EQ(doc.paragraphs[0].format.alignment, rtf::Alignment::Right);
    EXPECT_EQ(doc.paragraphs[1].format.alignment, rtf::Alignment::Justify);
    EXPECT_EQ(doc.paragraphs[2].format.alignment, rtf::Alignment::Left);
}

TEST(RtfReader, DecodesCodePagesAndUnicode) {
    struct Case {
        const char* label;
        std::string input;
        std::string expected;
        Problems problems;
    } cases[] = {
        {"hex in 1252", R"({\rtf1\ansi caf\'e9 \'80\'96\'93\'E9})", "café €–“é", {}},
        {"raw high bytes in 1252", "{\\rtf1 caf\xe9}", "café", {}},
        {"raw UTF-8 is 1252 text", "{\\rtf1 \xc3\xa9}", "Ã©", {}},
        {"undefined 1252 byte", R"({\rtf1 \'81})", "\uFFFD", {}},
        {"ansicpg 1251", R"({\rtf1\ansi\ansicpg1251 \'e9})", "й", {}},
        {"ansicpg 1250", R"({\rtf1\ansi\ansicpg1250 \'b9})", "ą", {}},
        {"mac", R"({\rtf1\mac \'8e})", "é", {}},
        {"pc", R"({\rtf1\pc \'82})", "é", {}},
        {"unknown ansicpg", R"({\rtf1\ansi\ansicpg932 \'e9})", "é", {"unknown code page"}},
        {"font charset",
         R"({\rtf1{\fonttbl{\f1\fcharset204 Arial Cyr;}}\f1\'e9\plain\'e9})",
         "йé",
         {}},
        {"default font charset", R"({\rtf1\deff1{\fonttbl{\f1\fcharset161 G;}}\'e1})", "α", {}},
        {"font cpg", R"({\rtf1{\fonttbl{\f1\cpg1253 G;}}\f1\'e1})", "α", {}},
        {"multi-byte charset",
         R"({\rtf1{\fonttbl{\f1\fcharset128 J;}}\f1\'82})",
         "‚",
         {"unknown code page"}},
        {"unicode with default fallback", R"({\rtf1 \u233?x})", "éx", {}},
        {"uc0", R"({\rtf1\uc0\u233 x})", "éx", {}},
        {"uc2", R"({\rtf1\uc2\u233 abc})", "éc", {}},
        {"hex escape is one unit", R"({\rtf1 \u233\'e9x})", "éx", {}},
        {"control word is one unit", R"({\rtf1 \u233\emdash x})", "éx", {}},
        {"skipping stops at the group's end", R"({\rtf1 {\uc3\u233 a}b})", "éb", {}},
        {"uc is scoped", R"({\rtf1 {\uc0 }\u233?})", "é", {}},
        {"negative adds 65536", R"({\rtf1 \u-32768?\u-1?})", "\u8000\uFFFF", {}},
        {"surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", "😀", {}},
        {"lone high surrogate",
         R"({\rtf1 \uc0\u-10179 x})",
         "\uFFFDx",
         {"invalid unicode character"}},
        {"lone low surrogate", R"({\rtf1 \u-8704?})", "\uFFFD", {"invalid unicode character"}},
        {"beyond unicode", R"({\rtf1 \u1114112?})", "\uFFFD", {"invalid unicode character"}},
        {"unicode in a font name", R"({\rtf1{\fonttbl{\f1 \u23435?\u20307?;}}})", "", {}},
    };
    for (const auto& c : cases) {
        const rtf::Document doc = rtf::parse(c.input);
        EXPECT_EQ(doc.plainText(), c.expected) << c.label;
        EXPECT_EQ(doc.problems, c.problems) << c.label;
    }
    EXPECT_EQ(rtf::parse(R"({\rtf1\ansi\ansicpg1251 })").codePage, 1251);
    EXPECT_EQ(rtf::parse(R"({\rtf1\ansi\ansicpg932 })").codePage, 1252);
    const rtf::Document fonts = rtf::parse(R"({\rtf1{\fonttbl{\f1\fcharset204 \'c0\u23435?;}}})");
    ASSERT_EQ(fonts.fonts.size(), 1u);
    EXPECT_EQ(fonts.fonts[0].name, "А宋");
}

TEST(RtfReader, SkipsDestinationsThatAreNotShown) {
    struct Case {
        const char* label;
        std::string body;
        std::string expected;
    } cases[] = {
        {"starred group", R"(a{\*\unknown x{y}}b)", "ab"},
        {"starred known word", R"(a{\*\fldinst x}b)", "ab"},
        {"info", R"({\info{\title T}{\author A}}a)", "a"},
        {"stylesheet", R"({\stylesheet{\s0 Normal;}{\s1\b Heading;}}a)", "a"},
        {"picture", R"(a{\pict\wmetafile8\picw10 0a0b0c}b)", "ab"},
        {"object with its result", R"(a{\object\objemb{\*\objdata 01}{\result{\pict 00}}}b)", "ab"},
        {"headers and footers",
         R"({\header h}{\footer f}{\headerl h}{\headerr h}{\headerf h}{\footerl f}{\footerr f})"
         R"({\footerf f}a)",
         "a"},
        {"tables of a word processor",
         R"({\filetbl x}{\listtable x}{\listoverridetable x}{\revtbl x}{\rsidtbl x})"
         R"({\generator x}{\xmlnstbl x}{\themedata x}{\colorschememapping x})"
         R"({\latentstyles x}{\datastore x}a)",
         "a"},
        {"field shows its result", R"(see {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}.)",
         "see link."},
        {"unstarred field instruction", R"({\field{\fldinst PAGE}{\fldrslt 3}})", "3"},
        {"list and numbering text kept", R"({\listtext \'b7\tab}a{\pntext 1.\tab}b)", "·\ta1.\tb"},
        {"numbering definition skipped", R"({\*\pn\pnlvlblt{\pntxtb\'b7}}a)", "a"},
        {"destination word mid-group", R"({a\info b}c)", "ac"},
        {"nested groups in a skipped one", R"({\info{\b x}{{y}}\par}z)", "z"},
        {"binary data with braces", "{\\pict\\bin3 }}}x}y", "y"},
        {"binary data in text", "a\\bin2 {}b", "ab"},
        {"binary data after a unicode character", "\\u233\\bin2 }}b", "éb"},
        {"empty binary data", R"(a\bin b\bin0 c\bin-5 d)", "abcd"},
        {"tables are no text", R"({\fonttbl{\f0 Arial;}}{\colortbl;\red1;}a)", "a"},
        {"footnote", R"(a{\footnote 1 note}b)", "ab"},
    };
    for (const auto& c : cases) {
        const rtf::Document doc = rtf::parse(rich(c.body));
        EXPECT_EQ(doc.plainText(), c.expected) << c.label;
        EXPECT_EQ(doc.problems, Problems{}) << c.label;
    }
}

TEST(RtfReader, ReadsFontAndColourTables) {
    const rtf::Document doc = rtf::parse(
        R"({\rtf1{\fonttbl{\f0\froman\fcharset0{\*\panose 02020603}Times New Roman ;})"
        R"({\f1\fmodern Courier}\f2\fscript Brush;\f3\fdecor\fcharset2 Wingdings;)"
        R"({Unnumbered;}{\f1\fnil\fcharset238 Courier CE;}{\f4\ftech;}{\f5\fbidi\f6\fswiss X;}})"
        R"({\colortbl;\red300\green1\blue2;\red4;\green5\blue6}})");
    struct Expected {
        int number;
        const char* name;
        rtf::FontFamily family;
        int charset;
    } fonts[] = {
        {0, "Times New Roman", rtf::FontFamily::Roman, 0},
        {1, "Courier CE", rtf::FontFamily::Nil, 238}, // a repeated number replaces the entry
        {2, "Brush", rtf::FontFamily::Script, 0},
        {3, "Wingdings", rtf::FontFamily::Decor, 2},
        {4, "", rtf::FontFamily::Tech, 0},
        {6, "X", rtf::FontFamily::Swiss, 0},
    };
    ASSERT_EQ(doc.fonts.size(), std::size(fonts));
    for (std::size_t i = 0; i < std::size(fonts); ++i) {
        EXPECT_EQ(doc.fonts[i].number, fonts[i].number) << i;
        EXPECT_EQ(doc.fonts[i].name, fonts[i].name) << i;
        EXPECT_EQ(doc.fonts[i].family, fonts[i].family) << i;
        EXPECT_EQ(doc.fonts[i].charset, fonts[i].charset) << i;
    }
    ASSERT_NE(doc.findFont(3), nullptr);
    EXPECT_EQ(doc.findFont(3)->name, "Wingdings");
    EXPECT_EQ(doc.findFont(5), nullptr);

    ASSERT_EQ(doc.colours.size(), 4u);
    EXPECT_TRUE(doc.colours[0].automatic);
    EXPECT_FALSE(doc.colours[1].automatic);
    EXPECT_EQ(doc.colours[1].red, 255);
    EXPECT_EQ(doc.colours[1].green, 1);
    EXPECT_EQ(doc.colours[1].blue, 2);
    EXPECT_EQ(doc.colours[2].red, 4);
    EXPECT_EQ(doc.colours[3].blue, 6) << "an entry without ';' at the table's end";
    EXPECT_EQ(doc.problems, Problems{});
}

TEST(RtfReader, RepairsMalformedInput) {
    constexpr std::size_t kAll = std::size_t(-1);
    const std::string tooLongWord = "\\" + std::string(33, 'a');
    struct Case {
        const char* label;
        std::string input;
        std::string text;
        Problems problems;
        std::size_t consumed; // kAll: the whole input
    } cases[] = {
        {"extra brace ends the document",
         R"({\rtf1 {\b a}}b})",
         "a",
         {"text beyond the document"},
         14},
        {"white space and NUL after the end", "{\\rtf1 a}\r\n \t\0"s, "a", {}, 9},
        {"second document after the end",
         R"({\rtf1 a}{\rtf1 b})",
         "a",
         {"text beyond the document"},
         9},
        {"missing closing brace", R"({\rtf1 {\b a})", "a", {"missing closing brace"}, kAll},
        {"backslash at the end",
         R"({\rtf1 a\)",
         "a",
         {"truncated control word", "missing closing brace"},
         kAll},
        {"control word at the end",
         R"({\rtf1 a\par)",
         "a",
         {"truncated control word", "missing closing brace"},
         kAll},
        {"number at the end",
         R"({\rtf1 a\u233)",
         "a",
         {"truncated control word", "missing closing brace"},
         kAll},
        {"hex escape at the end",
         R"({\rtf1 a\'e)",
         "a",
         {"truncated control word", "missing closing brace"},
         kAll},
        {"hex escape without digits", R"({\rtf1 a\'zzb})", "azzb", {"bad hex escape"}, kAll},
        {"hex escape with one digit", R"({\rtf1 a\'4zb})", "azb", {"bad hex escape"}, kAll},
        {"control word too long",
         "{\\rtf1 a" + tooLongWord + " b}",
         "ab",
         {"control word too long"},
         kAll},
        {"32 letters are fine", "{\\rtf1 a\\" + std::string(32, 'a') + " b}", "ab", {}, kAll},
        {"huge size", R"({\rtf1\fs99999999999 a})", "a", {"number too large"}, kAll},
        {"huge negative indent",
         R"({\rtf1\li-99999999999999999999 a})",
         "a",
         {"number too large"},
         kAll},
        {"largest 32-bit numbers", R"({\rtf1\li2147483647\fi-2147483648 a})", "a", {}, kAll},
        {"font table without fonts", R"({\rtf1{\fonttbl}\f0 a})", "a", {"unknown font"}, kAll},
        {"font not in the table", R"({\rtf1{\fonttbl{\f0 A;}}\f5 a})", "a", {"unknown font"}, kAll},
        {"colour not in the table",
         R"({\rtf1{\colortbl;}\cf1 a\cb0 b})",
         "ab",
         {"unknown colour"},
         kAll},
        {"not rich text", "plain words", "plain words", {"not rich text"}, kAll},
        {"a group but not rich text",
         "{plain} words",
         "plain",
         {"not rich text", "text beyond the document"},
         7},
        {"empty input", "", "", {"not rich text"}, 0},
        {"brace outside every group", "a}b", "ab", {"not rich text", "unbalanced braces"}, kAll},
        {"NUL bytes", "{\\rtf1 a\0b\\'00c\\u0?d}"s, "abcd", {"nul byte"}, kAll},
        {"NUL in a skipped group", "{\\rtf1 {\\*\\x \0}a}"s, "a", {}, kAll},
        {"binary data beyond the input",
         R"({\rtf1 a\bin99 xyz)",
         "a",
         {"truncated binary data", "missing closing brace"},
         kAll},
        {"unclosed group in a skipped one",
         R"({\rtf1 a{\info{x})",
         "a",
         {"missing closing brace"},
         kAll},
    };
    for (const auto& c : cases) {
        const rtf::Document doc = rtf::parse(c.input);
        EXPECT_EQ(doc.plainText(), c.text) << c.label;
        EXPECT_EQ(doc.problems, c.problems) << c.label;
        EXPECT_EQ(doc.consumed, c.consumed == kAll ? c.input.size() : c.consumed) << c.label;
        EXPECT_GE(doc.paragraphs.size(), 1u) << c.label;
    }
    EXPECT_EQ(rtf::parse(R"({\rtf1\fs99999999999 a})").paragraphs[0].runs[0].format.halfPoints,
              rtf::kMaxHalfPoints);
    EXPECT_EQ(rtf::parse(R"({\rtf1\li-99999999999 a})").paragraphs[0].format.leftIndent,
              -rtf::kMaxTwips);
}

TEST(RtfReader, KeepsToItsLimits) {
    // Nesting counts the outermost group; a group past the limit is skipped with all it holds.
    const auto nested = [](int depth) {
        return "{\\rtf1 a" + std::string(depth - 1, '{') + "x{y}" + std::string(depth - 1, '}') +
               "b}";
    };
    const auto withLimit = [](std::size_t rtf::Limits::*member, std::size_t value) {
        rtf::Limits limits;
        limits.*member = value;
        return limits;
    };
    const rtf::Limits depth3 = withLimit(&rtf::Limits::maxDepth, 3);
    const rtf::Limits text4 = withLimit(&rtf::Limits::maxTextBytes, 4);
    const rtf::Limits paragraphs2 = withLimit(&rtf::Limits::maxParagraphs, 2);
    const rtf::Limits entries2 = withLimit(&rtf::Limits::maxTableEntries, 2);
    struct Case {
        const char* label;
        std::string input;
        rtf::Limits limits;
        std::string text;
        Problems problems;
    } cases[] = {
        {"y below the depth limit", nested(1), depth3, "axyb", {}},
        {"y at the depth limit", nested(2), depth3, "axyb", {}},
        {"y beyond the depth limit", nested(3), depth3, "axb", {"nesting too deep"}},
        {"x beyond the depth limit", nested(4), depth3, "ab", {"nesting too deep"}},
        {"binary braces beyond the depth limit",
         "{\\rtf1 a{{{\\bin2 }}x}}}b}",
         depth3,
         "ab",
         {"nesting too deep"}},
        {"escaped braces beyond the depth limit",
         R"({\rtf1 a{{{\}x}}}b})",
         depth3,
         "ab",
         {"nesting too deep"}},
        {"default depth limit", nested(255), {}, "axyb", {}},
        {"beyond the default depth limit", nested(256), {}, "axb", {"nesting too deep"}},
        {"text up to the limit", rich("abcd"), text4, "abcd", {}},
        {"text cut at the limit", rich("abcde"), text4, "abcd", {"text too long"}},
        {"no partial character", rich(R"(abc\'e9d)"), text4, "abc", {"text too long"}},
        {"paragraphs up to the limit", rich(R"(a\par b)"), paragraphs2, "a\nb", {}},
        {"paragraphs beyond the limit",
         rich(R"(a\par b\par c)"),
         paragraphs2,
         "a\nbc",
         {"too many paragraphs"}},
        {"no paragraphs at all",
         rich(R"(a\par b)"),
         withLimit(&rtf::Limits::maxParagraphs, 0),
         "ab",
         {"too many paragraphs"}},
        {"table entries up to the limit",
         rich(R"({\colortbl;;}{\fonttbl\f0;\f1;})"),
         entries2,
         "",
         {}},
        {"table entries beyond the limit",
         rich(R"({\colortbl;;;})"),
         entries2,
         "",
         {"table too long"}},
        {"fonts beyond the limit",
         rich(R"({\fonttbl\f0;\f1;\f2;})"),
         entries2,
         "",
         {"table too long"}},
        {"font name at its limit",
         rich(R"({\fonttbl\f0 )" + std::string(255, 'n') + ";}"),
         {},
         "",
         {}},
        {"font name too long",
         rich(R"({\fonttbl\f0 )" + std::string(256, 'n') + ";}"),
         {},
         "",
         {"font name too long"}},
    };
    for (const auto& c : cases) {
        const rtf::Document doc = rtf::parse(c.input, c.limits);
        EXPECT_EQ(doc.plainText(), c.text) << c.label;
        EXPECT_EQ(doc.problems, c.problems) << c.label;
    }
    const rtf::Document fonts = rtf::parse(rich(R"({\fonttbl\f0 )" + std::string(300, 'n') + ";}"));
    ASSERT_EQ(fonts.fonts.size(), 1u);
    EXPECT_EQ(fonts.fonts[0].name, std::string(rtf::kMaxFontName, 'n'));
}

// Inputs shaped to make a careless reader quadratic or recursive: each must finish. The bound only
// tells a hang from a pass (2 MB read quadratically takes hours); it is loose enough for a
// sanitizer build, and how fast the reader is belongs to the benchmarks.
TEST(RtfReader, ReadsLargeAndHostileInputInLinearTime) {
    const auto repeat = [](std::string_view piece, std::size_t bytes) {
        std::string out;
        while (out.size() < bytes)
            out += piece;
        return out;
    };
    constexpr std::size_t kSize = 2u << 20;
    struct Case {
        const char* label;
        std::string input;
        std::size_t paragraphs;
    } cases[] = {
        {"deep nesting", std::string(kSize, '{'), 1},
        {"deep nesting, closed", std::string(kSize / 2, '{') + std::string(kSize / 2, '}'), 1},
        {"format changes", rich(repeat(R"(\b a\b0 b)", kSize)), 1},
        {"paragraphs", rich(repeat(R"(a\par )", kSize)), (kSize + 5) / 6},
        {"groups", rich(repeat(R"({\i a})", kSize)), 1},
        {"unicode fallbacks", rich(repeat(R"(\uc9\u233 )", kSize)), 1},
        {"fonts", rich("{\\fonttbl" + repeat(R"(\f1 a;)", kSize) + "}\\f1 x"), 1},
        {"hex escapes", rich(repeat(R"(\'e9)", kSize)), 1},
        {"digits", rich("\\fs" + std::string(kSize, '9')), 1},
        {"letters", rich("\\" + std::string(kSize, 'a')), 1},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const rtf::Document doc = rtf::parse(c.input);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_LT(elapsed, std::chrono::seconds(30)) << c.label;
        EXPECT_EQ(doc.paragraphs.size(), c.paragraphs) << c.label;
    }

    // A narrative of about 100 KB.
    const std::string_view paragraph =
        R"(The valley {\b floor} lies at 1,200 m; caf\'e9s line the \i road\i0 .\par )";
    const std::string narrative = wrap(repeat(paragraph, 100'000));
    const rtf::Document doc = rtf::parse(narrative);
    EXPECT_EQ(doc.problems, Problems{});
    // Every paragraph, and the empty one the trailer's \par ends.
    EXPECT_EQ(doc.paragraphs.size(), (100'000 + paragraph.size() - 1) / paragraph.size() + 1);
}
