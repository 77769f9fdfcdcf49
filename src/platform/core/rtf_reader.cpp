// Reads rich text into rtf::Document in one pass over the bytes, with an explicit stack of group
// states instead of recursion, so nesting costs memory only up to Limits::maxDepth.
#include "platform/core/rtf_reader.h"

#include "platform/core/code_pages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <unordered_map>

namespace rtf {
namespace {

using platform::CodePage;
using platform::findCodePage;

// Where the text of a group goes.
enum class Destination : std::uint8_t {
    Text,        // the document's paragraphs
    Skipped,     // nowhere: a group that is not shown ({\* }, \info, \pict...), nested ones too
    FontTable,   // the name of the font entry being read; ';' ends the entry
    ColourTable, // nowhere; ';' ends the colour entry being read
};

// What a group saves at '{' and its '}' restores.
struct GroupState {
    CharFormat chr;
    ParagraphFormat para;
    Destination destination = Destination::Text;
    int unicodeSkip = 1; // \ucN: fallback units to skip after each \uN
};

// What a known control word does.
enum class Word : std::uint8_t {
    // document
    Ansi,
    AnsiCodePage,
    DefaultFont,
    Mac,
    Pc,
    Pca,
    UnicodeSkip,
    Unicode,
    Binary,
    // destinations
    FontTable,
    ColourTable,
    SkipDestination,
    // font table entries and colour table entries
    Font,
    FamilyNil,
    FamilyRoman,
    FamilySwiss,
    FamilyModern,
    FamilyScript,
    FamilyDecor,
    FamilyTech,
    FamilyBidi,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    // character format
    Plain,
    FontSize,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Foreground,
    Background,
    Highlight,
    Super,
    Sub,
    NoSuperSub,
    // paragraph format
    ParagraphDefault,
    AlignLeft,
    AlignCentre,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    LineSpacing,
    LineSpacingMultiple,
    // text
    Paragraph,
    Character,
};

struct WordEntry {
    std::string_view name;
    Word word;
    char32_t character = 0; // for Word::Character
};

constexpr WordEntry kWords[] = {
    {"aftncn", Word::SkipDestination},
    {"aftnsep", Word::SkipDestination},
    {"aftnsepc", Word::SkipDestination},
    {"annotation", Word::SkipDestination},
    {"ansi", Word::Ansi},
    {"ansicpg", Word::AnsiCodePage},
    {"atnauthor", Word::SkipDestination},
    {"atndate", Word::SkipDestination},
    {"atnid", Word::SkipDestination},
    {"atnparent", Word::SkipDestination},
    {"atnref", Word::SkipDestination},
    {"atntime", Word::SkipDestination},
    {"b", Word::Bold},
    {"background", Word::SkipDestination},
    {"bin", Word::Binary},
    {"bkmkend", Word::SkipDestination},
    {"bkmkstart", Word::SkipDestination},
    {"blue", Word::Blue},
    {"bullet", Word::Character, 0x2022},
    {"cb", Word::Background},
    {"cell", Word::Character, '\t'},
    {"cf", Word::Foreground},
    {"chcbpat", Word::Background},
    {"colorschememapping", Word::SkipDestination},
    {"colortbl", Word::ColourTable},
    {"cpg", Word::FontCodePage},
    {"datafield", Word::SkipDestination},
    {"datastore", Word::SkipDestination},
    {"deff", Word::DefaultFont},
    {"do", Word::SkipDestination},
    {"docvar", Word::SkipDestination},
    {"emdash", Word::Character, 0x2014},
    {"emspace", Word::Character, 0x2003},
    {"endash", Word::Character, 0x2013},
    {"enspace", Word::Character, 0x2002},
    {"f", Word::Font},
    {"falt", Word::SkipDestination},
    {"fbidi", Word::FamilyBidi},
    {"fcharset", Word::FontCharset},
    {"fdecor", Word::FamilyDecor},
    {"fi", Word::FirstIndent},
    {"filetbl", Word::SkipDestination},
    {"fldinst", Word::SkipDestination},
    {"fmodern", Word::FamilyModern},
    {"fnil", Word::FamilyNil},
    {"fonttbl", Word::FontTable},
    {"footer", Word::SkipDestination},
    {"footerf", Word::SkipDestination},
    {"footerl", Word::SkipDestination},
    {"footerr", Word::SkipDestination},
    {"footnote", Word::SkipDestination},
    {"formfield", Word::SkipDestination},
    {"froman", Word::FamilyRoman},
    {"fs", Word::FontSize},
    {"fscript", Word::FamilyScript},
    {"fswiss", Word::FamilySwiss},
    {"ftech", Word::FamilyTech},
    {"ftncn", Word::SkipDestination},
    {"ftnsep", Word::SkipDestination},
    {"ftnsepc", Word::SkipDestination},
    {"generator", Word::SkipDestination},
    {"green", Word::Green},
    {"header", Word::SkipDestination},
    {"headerf", Word::SkipDestination},
    {"headerl", Word::SkipDestination},
    {"headerr", Word::SkipDestination},
    {"highlight", Word::Highlight},
    {"i", Word::Italic},
    {"info", Word::SkipDestination},
    {"latentstyles", Word::SkipDestination},
    {"ldblquote", Word::Character, 0x201C},
    {"li", Word::LeftIndent},
    {"lin", Word::LeftIndent},
    {"line", Word::Character, 0x2028},
    {"listoverridetable", Word::SkipDestination},
    {"listtable", Word::SkipDestination},
    {"lquote", Word::Character, 0x2018},
    {"ltrmark", Word::Character, 0x200E},
    {"mac", Word::Mac},
    {"nestcell", Word::Character, '\t'},
    {"nestrow", Word::Paragraph},
    {"nonshppict", Word::SkipDestination},
    {"nosupersub", Word::NoSuperSub},
    {"objdata", Word::SkipDestination},
    {"object", Word::SkipDestination},
    {"panose", Word::SkipDestination},
    {"par", Word::Paragraph},
    {"pard", Word::ParagraphDefault},
    {"pc", Word::Pc},
    {"pca", Word::Pca},
    {"pgdsctbl", Word::SkipDestination},
    {"pict", Word::SkipDestination},
    {"plain", Word::Plain},
    {"pn", Word::SkipDestination},
    {"pntxta", Word::SkipDestination},
    {"pntxtb", Word::SkipDestination},
    {"private", Word::SkipDestination},
    {"protusertbl", Word::SkipDestination},
    {"qc", Word::AlignCentre},
    {"qd", Word::AlignJustify},
    {"qj", Word::AlignJustify},
    {"ql", Word::AlignLeft},
    {"qmspace", Word::Character, 0x2005},
    {"qr", Word::AlignRight},
    {"rdblquote", Word::Character, 0x201D},
    {"red", Word::Red},
    {"revtbl", Word::SkipDestination},
    {"ri", Word::RightIndent},
    {"rin", Word::RightIndent},
    {"row", Word::Paragraph},
    {"rquote", Word::Character, 0x2019},
    {"rsidtbl", Word::SkipDestination},
    {"rtlmark", Word::Character, 0x200F},
    {"rxe", Word::SkipDestination},
    {"sa", Word::SpaceAfter},
    {"sb", Word::SpaceBefore},
    {"shp", Word::SkipDestination},
    {"shpinst", Word::SkipDestination},
    {"shppict", Word::SkipDestination},
    {"sl", Word::LineSpacing},
    {"slmult", Word::LineSpacingMultiple},
    {"strike", Word::Strike},
    {"striked", Word::Strike},
    {"stylesheet", Word::SkipDestination},
    {"sub", Word::Sub},
    {"super", Word::Super},
    {"tab", Word::Character, '\t'},
    {"tc", Word::SkipDestination},
    {"template", Word::SkipDestination},
    {"themedata", Word::SkipDestination},
    {"txe", Word::SkipDestination},
    {"u", Word::Unicode},
    {"uc", Word::UnicodeSkip},
    {"ul", Word::Underline},
    {"uld", Word::Underline},
    {"uldash", Word::Underline},
    {"uldashd", Word::Underline},
    {"uldashdd", Word::Underline},
    {"uldb", Word::Underline},
    {"ulhwave", Word::Underline},
    {"ulldash", Word::Underline},
    {"ulnone", Word::UnderlineNone},
    {"ulth", Word::Underline},
    {"ulthd", Word::Underline},
    {"ulthdash", Word::Underline},
    {"ulthdashd", Word::Underline},
    {"ulthdashdd", Word::Underline},
    {"ulthldash", Word::Underline},
    {"ululdbwave", Word::Underline},
    {"ulw", Word::Underline},
    {"ulwave", Word::Underline},
    {"userprops", Word::SkipDestination},
    {"v", Word::Hidden},
    {"xe", Word::SkipDestination},
    {"xmlnstbl", Word::SkipDestination},
    {"zwj", Word::Character, 0x200D},
    {"zwnj", Word::Character, 0x200C},
};

// An open-addressing hash table over kWords: most bytes of a typical narrative belong to control
// words, so finding one costs a hash and usually one comparison.
constexpr std::uint32_t hashWord(std::string_view name) {
    std::uint32_t h = 2166136261u;
    for (const char c : name)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}
constexpr std::size_t kWordSlots = 512;
static_assert(std::size(kWords) < kWordSlots / 2 && std::size(kWords) < 0x7FFF);
constexpr auto kWordTable = [] {
    std::array<std::int16_t, kWordSlots> slots{};
    slots.fill(-1);
    for (std::size_t i = 0; i < std::size(kWords); ++i) {
        std::size_t slot = hashWord(kWords[i].name) % kWordSlots;
        while (slots[slot] >= 0)
            slot = (slot + 1) % kWordSlots;
        slots[slot] = std::int16_t(i);
    }
    return slots;
}();

const WordEntry* findWord(std::string_view name) {
    for (std::size_t slot = hashWord(name) % kWordSlots;; slot = (slot + 1) % kWordSlots) {
        const int index = kWordTable[slot];
        if (index < 0) return nullptr;
        if (kWords[index].name == name) return &kWords[index];
    }
}

constexpr std::size_t kMaxWordLetters = 32;
constexpr std::int64_t kParameterCap = std::int64_t(1) << 32; // digits beyond this only saturate

// The code page of a \fcharsetN, or 0 when the font's text uses the document's code page
// (ANSI, default, symbol and unknown charsets).
int charsetCodePage(int charset) {
    struct Pair {
        int charset, codePage;
    };
    static constexpr Pair kPairs[] = {
        {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},  {136, 950},
        {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
        {204, 1251}, {222, 874},  {238, 1250}, {255, 437},
    };
    for (const Pair& pair : kPairs)
        if (pair.charset == charset) return pair.codePage;
    return 0;
}

// The bytes that end a piece of plain text.
constexpr auto kEndsText = [] {
    std::array<bool, 256> ends{};
    for (const unsigned char c : {'\\', '{', '}', '\r', '\n', '\0'})
        ends[c] = true;
    return ends;
}();

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Appends the UTF-8 form of a Unicode scalar value (surrogates never reach here).
void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

int clampInt(int value, int low, int high) {
    return std::min(std::max(value, low), high);
}

class Reader {
public:
    Reader(std::string_view bytes, const Limits& limits)
        : m_bytes(bytes), m_limits(limits), m_maxDepth(std::max<std::size_t>(limits.maxDepth, 1)),
          m_maxParagraphs(std::max<std::size_t>(limits.maxParagraphs, 1)) {}

    Document read();

private:
    // The lexer's tokens, one at a time from m_pos.
    enum class Token : std::uint8_t {
        OpenGroup,   // '{'
        CloseGroup,  // '}'
        ControlWord, // backslash, letters, optional signed number, optional space: m_word, m_param
        Symbol,      // backslash and one other character: m_symbol
        HexByte,     // \'hh: m_hexByte
        Text,        // bytes without backslash, braces, CR, LF or NUL: m_textBegin..m_pos
        LineEnd,     // raw CR or LF, ignored
        Nul,         // a raw NUL byte
        Nothing,     // a malformed or truncated escape, already noted
    };

    Token next();
    Token controlToken();
    void dispatch(Token token);
    void overflowToken(Token token);

    void openGroup();
    bool closeGroup();
    void controlWord();
    void symbol(char c);
    void text(std::size_t begin, std::size_t end);
    void skipBinary();

    GroupState& state() { return m_stack.back(); }
    void note(std::string_view problem);
    const CodePage& codePageForText();
    char32_t decodeByte(unsigned char byte) {
        return byte < 0x80 ? char32_t(byte) : codePageForText().decode(byte);
    }

    void emitCodePoint(char32_t cp);
    void emitUnicode(int value);
    void flushSurrogate();
    void appendToRun(std::string_view utf8, bool divisible);
    void appendAscii(std::string_view ascii);
    void breakParagraph();

    void appendFontName(char32_t cp);
    void commitFont();
    void commitColour();
    void setColourIndex(int& index);

    std::string_view m_bytes;
    Limits m_limits;
    std::size_t m_maxDepth;
    std::size_t m_maxParagraphs;
    std::size_t m_pos = 0;

    // The current token's values.
    std::string_view m_word;
    bool m_hasParam = false;
    int m_param = 0;
    char m_symbol = 0;
    unsigned char m_hexByte = 0;
    std::size_t m_textBegin = 0;

    Document m_doc;
    std::vector<GroupState> m_stack; // [0] is the state outside every group
    bool m_hasRoot = false;          // the input starts with '{': its group is the document
    std::size_t m_overflow = 0;      // groups open beyond m_maxDepth, being skipped
    std::int64_t m_skip = 0;         // \uN fallback units still to skip
    char32_t m_highSurrogate = 0;    // a \uN high surrogate waiting for its low half
    bool m_afterCr = false;          // the last thing in the text was a CR break (CR LF is one)
    std::size_t m_textBytes = 0;

    // The font entry being read.
    Font m_font;
    int m_fontCodePage = 0;      // \cpgN of the entry
    bool m_fontOpen = false;     // the entry has a \fN or name text
    bool m_fontNumbered = false; // the entry has a \fN
    std::size_t m_fontDepth = 0; // the group depth at which the entry began
    struct FontInfo {
        std::size_t index;
        int codePage; // 0: the document's
    };
    std::unordered_map<int, FontInfo> m_fontIndex;

    // The colour entry being read.
    Colour m_colour;
    bool m_colourHasComponent = false;

    // The code page last used for text, for the font it was looked up for.
    const CodePage* m_textPage = nullptr;
    int m_textPageFont = 0;
};

void Reader::note(std::string_view problem) {
    auto& problems = m_doc.problems;
    if (std::find(problems.begin(), problems.end(), problem) == problems.end())
        problems.emplace_back(problem);
}

Document Reader::read() {
    if (!m_bytes.starts_with("{\\rtf")) note(problem::kNotRichText);
    m_hasRoot = !m_bytes.empty() && m_bytes.front() == '{';
    m_stack.reserve(std::min<std::size_t>(m_maxDepth + 1, 64));
    m_stack.emplace_back();
    m_doc.paragraphs.emplace_back();

    bool ended = false;
    while (m_pos < m_bytes.size() && !ended) {
        const Token token = next();
        if (m_overflow > 0) {
            overflowToken(token);
        } else if (token == Token::CloseGroup) {
            ended = closeGroup();
        } else {
            dispatch(token);
        }
    }
    flushSurrogate();

    auto& paragraphs = m_doc.paragraphs;
    if (ended) {
        m_doc.consumed = m_pos;
        const std::string_view rest = m_bytes.substr(m_pos);
        if (rest.find_first_not_of(std::string_view(" \t\r\n\0", 5)) != std::string_view::npos)
            note(problem::kTextBeyondDocument);
    } else {
        m_doc.consumed = m_bytes.size();
        if (m_stack.size() > 1 || m_overflow > 0) note(problem::kMissingClosingBrace);
        paragraphs.back().format = state().para;
    }
    if (paragraphs.size() > 1 && paragraphs.back().runs.empty()) paragraphs.pop_back();
    return std::move(m_doc);
}

Reader::Token Reader::next() {
    const unsigned char c = static_cast<unsigned char>(m_bytes[m_pos]);
    switch (c) {
    case '{':
        ++m_pos;
        return Token::OpenGroup;
    case '}':
        ++m_pos;
        return Token::CloseGroup;
    case '\\':
        return controlToken();
    case '\r':
    case '\n':
        ++m_pos;
        return Token::LineEnd;
    case '\0':
        ++m_pos;
        return Token::Nul;
    default:
        break;
    }
    m_textBegin = m_pos;
    const std::size_t n = m_bytes.size();
    std::size_t p = m_pos + 1;
    while (p < n && !kEndsText[static_cast<unsigned char>(m_bytes[p])])
        ++p;
    m_pos = p;
    return Token::Text;
}

Reader::Token Reader::controlToken() {
    const std::size_t n = m_bytes.size();
    const std::size_t start = m_pos; // at the backslash
    if (start + 1 >= n) {
        m_pos = n;
        note(problem::kTruncatedControlWord);
        return Token::Nothing;
    }
    const unsigned char c = static_cast<unsigned char>(m_bytes[start + 1]);
    if (c == '\'') {
        const int high =
            start + 2 < n ? hexValue(static_cast<unsigned char>(m_bytes[start + 2])) : -2;
        const int low =
            start + 3 < n ? hexValue(static_cast<unsigned char>(m_bytes[start + 3])) : -2;
        if (high == -2 || (high >= 0 && low == -2)) {
            m_pos = n;
            note(problem::kTruncatedControlWord);
            return Token::Nothing;
        }
        if (high < 0 || low < 0) {
            m_pos = start + (high < 0 ? 2 : 3);
            note(problem::kBadHexEscape);
            return Token::Nothing;
        }
        m_pos = start + 4;
        m_hexByte = static_cast<unsigned char>(high * 16 + low);
        return Token::HexByte;
    }
    if (!isLetter(c)) {
        m_pos = start + 2;
        m_symbol = char(c);
        return Token::Symbol;
    }

    std::size_t p = start + 1;
    while (p < n && isLetter(static_cast<unsigned char>(m_bytes[p])))
        ++p;
    m_word = m_bytes.substr(start + 1, p - start - 1);
    m_hasParam = false;
    m_param = 0;
    bool negative = false;
    if (p + 1 < n && m_bytes[p] == '-' && isDigit(static_cast<unsigned char>(m_bytes[p + 1]))) {
        negative = true;
        ++p;
    }
    if (p < n && isDigit(static_cast<unsigned char>(m_bytes[p]))) {
        std::int64_t value = 0;
        while (p < n && isDigit(static_cast<unsigned char>(m_bytes[p]))) {
            value = std::min(value * 10 + (m_bytes[p] - '0'), kParameterCap);
            ++p;
        }
        if (negative) value = -value;
        if (value > INT32_MAX || value < INT32_MIN) {
            note(problem::kNumberTooLarge);
            value = std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX);
        }
        m_hasParam = true;
        m_param = int(value);
    }
    if (p >= n) {
        // The word may have been cut off ("\pa" of "\par"): it is not acted on.
        m_pos = n;
        note(problem::kTruncatedControlWord);
        return Token::Nothing;
    }
    if (m_bytes[p] == ' ') ++p;
    m_pos = p;
    if (m_word.size() > kMaxWordLetters) {
        note(problem::kControlWordTooLong);
        m_word = {};
    }
    return Token::ControlWord;
}

// Inside groups deeper than the limit only braces count, and \binN data, which may hold braces.
void Reader::overflowToken(Token token) {
    if (token == Token::OpenGroup) {
        ++m_overflow;
    } else if (token == Token::CloseGroup) {
        --m_overflow;
    } else if (token == Token::ControlWord && m_word == "bin") {
        skipBinary();
    }
}

void Reader::dispatch(Token token) {
    switch (token) {
    case Token::OpenGroup:
        openGroup();
        return;
    case Token::CloseGroup:
        return; // handled by read()
    case Token::LineEnd:
        return;
    case Token::Text:
        text(m_textBegin, m_pos);
        return;
    case Token::Nothing:
        if (m_skip > 0) --m_skip;
        return;
    default:
        break;
    }
    // The remaining tokens are each one unit of a \uN fallback; \binN data goes with its word.
    if (m_skip > 0) {
        --m_skip;
        if (token == Token::ControlWord && m_word == "bin") skipBinary();
        return;
    }
    switch (token) {
    case Token::ControlWord:
        controlWord();
        return;
    case Token::Symbol:
        symbol(m_symbol);
        return;
    case Token::HexByte:
        if (state().destination != Destination::Skipped) emitCodePoint(decodeByte(m_hexByte));
        return;
    case Token::Nul:
        if (state().destination == Destination::Text ||
            state().destination == Destination::FontTable)
            note(problem::kNulByte);
        return;
    default:
        return;
    }
}

void Reader::openGroup() {
    m_skip = 0;
    flushSurrogate();
    if (m_stack.size() > m_maxDepth) {
        note(problem::kNestingTooDeep);
        m_overflow = 1;
        return;
    }
    m_stack.push_back(m_stack.back());
}

// Returns true when the brace closed the document's outermost group.
bool Reader::closeGroup() {
    m_skip = 0;
    flushSurrogate();
    if (m_stack.size() == 1) {
        note(problem::kUnbalancedBraces);
        return false;
    }
    const GroupState& closing = m_stack.back();
    if (closing.destination == Destination::FontTable && m_fontOpen &&
        m_stack.size() <= m_fontDepth)
        commitFont();
    if (closing.destination == Destination::ColourTable && m_colourHasComponent) commitColour();
    const bool root = m_hasRoot && m_stack.size() == 2;
    if (root) m_doc.paragraphs.back().format = closing.para;
    m_stack.pop_back();
    return root;
}

void Reader::skipBinary() {
    if (!m_hasParam || m_param <= 0) return;
    const std::size_t length = std::size_t(m_param);
    if (length > m_bytes.size() - m_pos) {
        note(problem::kTruncatedBinary);
        m_pos = m_bytes.size();
    } else {
        m_pos += length;
    }
}

void Reader::text(std::size_t begin, std::size_t end) {
    if (m_skip > 0) {
        const std::size_t skipped =
            std::size_t(std::min<std::int64_t>(m_skip, std::int64_t(end - begin)));
        begin += skipped;
        m_skip -= std::int64_t(skipped);
    }
    GroupState& s = state();
    switch (s.destination) {
    case Destination::Skipped:
        return;
    case Destination::ColourTable:
        for (std::size_t i = begin; i < end; ++i)
            if (m_bytes[i] == ';') commitColour();
        return;
    case Destination::FontTable:
        for (std::size_t i = begin; i < end; ++i)
            emitCodePoint(decodeByte(static_cast<unsigned char>(m_bytes[i])));
        return;
    case Destination::Text:
        break;
    }
    if (s.chr.hidden) return;
    // ASCII spans go in whole; bytes above 0x7F go through the code page.
    std::size_t i = begin;
    while (i < end) {
        std::size_t j = i;
        while (j < end && static_cast<unsigned char>(m_bytes[j]) < 0x80)
            ++j;
        if (j > i) appendAscii(m_bytes.substr(i, j - i));
        if (j < end) {
            emitCodePoint(decodeByte(static_cast<unsigned char>(m_bytes[j])));
            ++j;
        }
        i = j;
    }
}

void Reader::symbol(char c) {
    const Destination destination = state().destination;
    if (destination == Destination::Skipped) return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        emitCodePoint(char32_t(c));
        return;
    case '~':
        emitCodePoint(0x00A0);
        return;
    case '-':
        emitCodePoint(0x00AD);
        return;
    case '_':
        emitCodePoint(0x2011);
        return;
    case '*':
        state().destination = Destination::Skipped;
        return;
    case '\r':
    case '\n':
        breakParagraph();
        return;
    default:
        return; // \| \: and the rest are not shown
    }
}

const CodePage& Reader::codePageForText() {
    int codePage = m_doc.codePage;
    if (state().destination == Destination::FontTable) {
        if (m_fontCodePage != 0)
            codePage = m_fontCodePage;
        else if (const int fromCharset = charsetCodePage(m_font.charset); fromCharset != 0)
            codePage = fromCharset;
    } else {
        const int font = state().chr.font >= 0 ? state().chr.font : m_doc.defaultFont;
        if (m_textPage && m_textPageFont == font) return *m_textPage;
        if (const auto it = m_fontIndex.find(font); it != m_fontIndex.end() && it->second.codePage)
            codePage = it->second.codePage;
        m_textPageFont = font;
    }
    const CodePage* page = findCodePage(codePage);
    if (!page) {
        note(problem::kUnknownCodePage);
        page = findCodePage(1252);
    }
    if (state().destination != Destination::FontTable) m_textPage = page;
    return *page;
}

void Reader::flushSurrogate() {
    if (m_highSurrogate == 0) return;
    m_highSurrogate = 0;
    note(problem::kInvalidUnicode);
    emitCodePoint(0xFFFD);
}

// \uN: a UTF-16 unit, negative values written as their 16-bit two's complement. Larger values are
// taken as code points.
void Reader::emitUnicode(int value) {
    std::int64_t v = value;
    if (v < 0) v += 65536;
    if (v < 0 || v > 0x10FFFF) {
        flushSurrogate();
        note(problem::kInvalidUnicode);
        emitCodePoint(0xFFFD);
        return;
    }
    const char32_t cp = char32_t(v);
    if (cp >= 0xD800 && cp <= 0xDBFF) {
        flushSurrogate();
        m_highSurrogate = cp;
        return;
    }
    if (cp >= 0xDC00 && cp <= 0xDFFF) {
        if (m_highSurrogate == 0) {
            note(problem::kInvalidUnicode);
            emitCodePoint(0xFFFD);
            return;
        }
        const char32_t combined = 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (cp - 0xDC00);
        m_highSurrogate = 0;
        emitCodePoint(combined);
        return;
    }
    emitCodePoint(cp);
}

void Reader::emitCodePoint(char32_t cp) {
    flushSurrogate();
    switch (state().destination) {
    case Destination::Skipped:
        return;
    case Destination::ColourTable:
        if (cp == ';') commitColour();
        return;
    case Destination::FontTable:
        if (cp == ';')
            commitFont();
        else if (cp == 0)
            note(problem::kNulByte);
        else
            appendFontName(cp);
        return;
    case Destination::Text:
        break;
    }
    if (cp == 0) {
        note(problem::kNulByte);
    } else if (cp == '\r') {
        breakParagraph();
        m_afterCr = true;
    } else if (cp == '\n') {
        if (!m_afterCr) breakParagraph();
        m_afterCr = false;
    } else if (cp < 0x80) {
        const char c = char(cp);
        appendAscii(std::string_view(&c, 1));
    } else {
        std::string utf8;
        appendUtf8(utf8, cp);
        m_afterCr = false;
        appendToRun(utf8, false);
    }
}

void Reader::appendAscii(std::string_view ascii) {
    flushSurrogate();
    m_afterCr = false;
    appendToRun(ascii, true);
}

// Appends text in the current format, joining the last run when its format is the same. Text
// past the limit is dropped; a divisible (ASCII) piece is cut at the limit.
void Reader::appendToRun(std::string_view utf8, bool divisible) {
    const CharFormat& format = state().chr;
    if (format.hidden || utf8.empty()) return;
    const std::size_t room = m_limits.maxTextBytes - std::min(m_textBytes, m_limits.maxTextBytes);
    if (utf8.size() > room) {
        // Nothing after this is kept, not even a shorter piece.
        note(problem::kTextTooLong);
        m_textBytes = m_limits.maxTextBytes;
        if (!divisible || room == 0) return;
        utf8 = utf8.substr(0, room);
    }
    auto& runs = m_doc.paragraphs.back().runs;
    if (runs.empty() || !(runs.back().format == format)) runs.push_back(Run{{}, format});
    runs.back().text.append(utf8);
    m_textBytes = std::min(m_textBytes + utf8.size(), m_limits.maxTextBytes);
}

void Reader::breakParagraph() {
    if (state().destination != Destination::Text) return;
    flushSurrogate();
    m_afterCr = false;
    auto& paragraphs = m_doc.paragraphs;
    paragraphs.back().format = state().para;
    if (paragraphs.size() >= m_maxParagraphs) {
        note(problem::kTooManyParagraphs);
        return;
    }
    paragraphs.emplace_back();
}

void Reader::appendFontName(char32_t cp) {
    if (!m_fontOpen) {
        m_fontOpen = true;
        m_fontDepth = m_stack.size();
    }
    if (cp < 0x20) return;
    std::string utf8;
    appendUtf8(utf8, cp);
    if (m_font.name.size() + utf8.size() > kMaxFontName) {
        note(problem::kFontNameTooLong);
        return;
    }
    m_font.name += utf8;
}

void Reader::commitFont() {
    Font font = std::move(m_font);
    const int codePage = m_fontCodePage;
    const bool numbered = m_fontNumbered;
    m_font = Font{};
    m_fontCodePage = 0;
    m_fontOpen = false;
    m_fontNumbered = false;
    m_fontDepth = 0;
    if (!numbered) return; // a name without \fN cannot be referred to
    const auto first = font.name.find_first_not_of(' ');
    font.name.erase(0, first == std::string::npos ? font.name.size() : first);
    font.name.erase(font.name.find_last_not_of(' ') + 1);
    m_textPage = nullptr;

    const int pageOfFont = codePage != 0 ? codePage : charsetCodePage(font.charset);
    if (const auto it = m_fontIndex.find(font.number); it != m_fontIndex.end()) {
        it->second.codePage = pageOfFont;
        m_doc.fonts[it->second.index] = std::move(font);
        return;
    }
    if (m_doc.fonts.size() >= m_limits.maxTableEntries) {
        note(problem::kTableTooLong);
        return;
    }
    m_fontIndex.emplace(font.number, FontInfo{m_doc.fonts.size(), pageOfFont});
    m_doc.fonts.push_back(std::move(font));
}

void Reader::commitColour() {
    Colour colour = m_colour;
    colour.automatic = !m_colourHasComponent;
    m_colour = Colour{};
    m_colourHasComponent = false;
    if (m_doc.colours.size() >= m_limits.maxTableEntries) {
        note(problem::kTableTooLong);
        return;
    }
    m_doc.colours.push_back(colour);
}

void Reader::setColourIndex(int& index) {
    index = m_hasParam ? std::max(m_param, 0) : 0;
    if (index != 0 && std::size_t(index) >= m_doc.colours.size()) note(problem::kUnknownColour);
}

void Reader::controlWord() {
    GroupState& s = state();
    const WordEntry* entry = findWord(m_word);
    if (!entry) return;
    // \binN data is skipped in every destination: it may hold braces and backslashes.
    if (entry->word == Word::Binary) {
        skipBinary();
        return;
    }
    if (s.destination == Destination::Skipped) return;
    const bool on = !m_hasParam || m_param != 0;
    const int param = m_param;

    // Words that act in every destination that is read.
    switch (entry->word) {
    case Word::SkipDestination:
        s.destination = Destination::Skipped;
        return;
    case Word::UnicodeSkip:
        s.unicodeSkip = m_hasParam ? std::max(param, 0) : 1;
        return;
    case Word::Unicode:
        if (!m_hasParam) return;
        emitUnicode(param);
        m_skip = s.unicodeSkip;
        return;
    case Word::Ansi:
        m_doc.codePage = 1252;
        m_textPage = nullptr;
        return;
    case Word::Mac:
        m_doc.codePage = 10000;
        m_textPage = nullptr;
        return;
    case Word::Pc:
        m_doc.codePage = 437;
        m_textPage = nullptr;
        return;
    case Word::Pca:
        m_doc.codePage = 850;
        m_textPage = nullptr;
        return;
    case Word::AnsiCodePage:
        m_textPage = nullptr;
        if (findCodePage(param)) {
            m_doc.codePage = param;
        } else {
            note(problem::kUnknownCodePage);
            m_doc.codePage = 1252;
        }
        return;
    case Word::DefaultFont:
        m_doc.defaultFont = param;
        m_textPage = nullptr;
        return;
    case Word::FontTable:
        s.destination = Destination::FontTable;
        return;
    case Word::ColourTable:
        s.destination = Destination::ColourTable;
        return;
    default:
        break;
    }

    if (s.destination == Destination::FontTable) {
        const auto family = [&](FontFamily f) { m_font.family = f; };
        switch (entry->word) {
        case Word::Font:
            if (!m_fontOpen) {
                m_fontOpen = true;
                m_fontDepth = m_stack.size();
            }
            m_font.number = param;
            m_fontNumbered = true;
            return;
        case Word::FamilyNil:
            family(FontFamily::Nil);
            return;
        case Word::FamilyRoman:
            family(FontFamily::Roman);
            return;
        case Word::FamilySwiss:
            family(FontFamily::Swiss);
            return;
        case Word::FamilyModern:
            family(FontFamily::Modern);
            return;
        case Word::FamilyScript:
            family(FontFamily::Script);
            return;
        case Word::FamilyDecor:
            family(FontFamily::Decor);
            return;
        case Word::FamilyTech:
            family(FontFamily::Tech);
            return;
        case Word::FamilyBidi:
            family(FontFamily::Bidi);
            return;
        case Word::FontCharset:
            m_font.charset = param;
            return;
        case Word::FontCodePage:
            m_fontCodePage = param;
            return;
        default:
            return;
        }
    }
    if (s.destination == Destination::ColourTable) {
        const auto component = [&] {
            m_colourHasComponent = true;
            return std::uint8_t(clampInt(param, 0, 255));
        };
        switch (entry->word) {
        case Word::Red:
            m_colour.red = component();
            return;
        case Word::Green:
            m_colour.green = component();
            return;
        case Word::Blue:
            m_colour.blue = component();
            return;
        default:
            return;
        }
    }

    CharFormat& chr = s.chr;
    ParagraphFormat& para = s.para;
    switch (entry->word) {
    case Word::Plain:
        chr = CharFormat{};
        chr.font = m_doc.defaultFont;
        return;
    case Word::Font:
        chr.font = param;
        if (!m_fontIndex.contains(param)) note(problem::kUnknownFont);
        return;
    case Word::FontSize:
        chr.halfPoints = m_hasParam ? clampInt(param, 1, kMaxHalfPoints) : 24;
        return;
    case Word::Bold:
        chr.bold = on;
        return;
    case Word::Italic:
        chr.italic = on;
        return;
    case Word::Underline:
        chr.underline = on;
        return;
    case Word::UnderlineNone:
        chr.underline = false;
        return;
    case Word::Strike:
        chr.strike = on;
        return;
    case Word::Hidden:
        chr.hidden = on;
        return;
    case Word::Foreground:
        setColourIndex(chr.foreground);
        return;
    case Word::Background:
        setColourIndex(chr.background);
        return;
    case Word::Highlight:
        setColourIndex(chr.highlight);
        return;
    case Word::Super:
        chr.superSub = 1;
        return;
    case Word::Sub:
        chr.superSub = -1;
        return;
    case Word::NoSuperSub:
        chr.superSub = 0;
        return;

    case Word::ParagraphDefault:
        para = ParagraphFormat{};
        return;
    case Word::AlignLeft:
        para.alignment = Alignment::Left;
        return;
    case Word::AlignCentre:
        para.alignment = Alignment::Centre;
        return;
    case Word::AlignRight:
        para.alignment = Alignment::Right;
        return;
    case Word::AlignJustify:
        para.alignment = Alignment::Justify;
        return;
    case Word::LeftIndent:
        para.leftIndent = clampInt(param, -kMaxTwips, kMaxTwips);
        return;
    case Word::RightIndent:
        para.rightIndent = clampInt(param, -kMaxTwips, kMaxTwips);
        return;
    case Word::FirstIndent:
        para.firstIndent = clampInt(param, -kMaxTwips, kMaxTwips);
        return;
    case Word::SpaceBefore:
        para.spaceBefore = clampInt(param, 0, kMaxTwips);
        return;
    case Word::SpaceAfter:
        para.spaceAfter = clampInt(param, 0, kMaxTwips);
        return;
    case Word::LineSpacing:
        para.lineSpacing = clampInt(param, -kMaxTwips, kMaxTwips);
        return;
    case Word::LineSpacingMultiple:
        para.lineSpacingMultiple = on;
        return;

    case Word::Paragraph:
        breakParagraph();
        return;
    case Word::Character:
        emitCodePoint(entry->character);
        return;
    default:
        return;
    }
}

} // namespace

std::string Document::plainText() const {
    std::string out;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) out += '\n';
        for (const Run& run : paragraphs[i].runs)
            out += run.text;
    }
    return out;
}

const Font* Document::findFont(int number) const {
    const auto it = std::find_if(fonts.begin(), fonts.end(),
                                 [number](const Font& font) { return font.number == number; });
    return it == fonts.end() ? nullptr : &*it;
}

Document parse(std::string_view bytes, const Limits& limits) {
    return Reader(bytes, limits).read();
}

} // namespace rtf
