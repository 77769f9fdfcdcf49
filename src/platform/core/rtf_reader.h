// Reads Rich Text Format bytes (the narratives and other formatted texts) into a small document
// model of paragraphs and formatted runs, for the rich-edit control and for tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rtf {

enum class Alignment { Left, Centre, Right, Justify };
enum class FontFamily { Nil, Roman, Swiss, Modern, Script, Decor, Tech, Bidi };

// One entry of the font table. Font numbers are unique: a later entry with a number already in
// the table replaces the earlier one in place.
struct Font {
    int number = 0;
    std::string name; // UTF-8, trailing ';' and surrounding spaces removed, at most kMaxFontName
    FontFamily family = FontFamily::Nil;
    int charset = 0; // \fcharsetN: 0 ANSI, 2 symbol, 204 Cyrillic, 238 Central European...
};

// One entry of the colour table; index 0 is the first entry.
struct Colour {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool automatic = false; // an empty entry ';' (the text's default colour)
};

struct CharFormat {
    int font = -1;       // \fN font NUMBER as written (look it up in Document::fonts by number);
                         // -1 until the first \f or \plain: the \deff default applies
    int halfPoints = 24; // \fsN, kept within 1..kMaxHalfPoints
    bool bold = false, italic = false, underline = false, strike = false; // \b \i \ul \strike
    bool hidden = false; // \v: hidden text is dropped, so no run in a Document has it set
    int foreground = 0;  // \cfN colour-table index (0 = first entry / auto)
    int background = 0;  // \cbN (also \chcbpatN)
    int highlight = 0;   // \highlightN
    int superSub = 0;    // \super = 1, \sub = -1, \nosupersub = 0
    bool operator==(const CharFormat&) const = default;
};

struct ParagraphFormat {
    Alignment alignment = Alignment::Left;                // \ql \qc \qr \qj (\qd is Justify)
    int leftIndent = 0, rightIndent = 0, firstIndent = 0; // twips: \li \ri \fi, within ±kMaxTwips
    int spaceBefore = 0, spaceAfter = 0;                  // twips: \sb \sa, within 0..kMaxTwips
    int lineSpacing = 0;              // twips: \sl (0 = auto; negative = exact), within ±kMaxTwips
    bool lineSpacingMultiple = false; // \slmult1
    bool operator==(const ParagraphFormat&) const = default;
};

// Text of one format, never empty. '\t' stands for \tab (and \cell), U+2028 LINE SEPARATOR for
// \line, U+00A0 for \~, U+00AD for \-, U+2011 for \_.
struct Run {
    std::string text; // UTF-8
    CharFormat format;
};

struct Paragraph {
    ParagraphFormat format; // the format in effect at the paragraph's end (its \par)
    std::vector<Run> runs;  // adjacent runs never have equal formats
};

struct Limits {
    std::size_t maxDepth = 256;             // open groups, the outermost included (0 counts as 1)
    std::size_t maxTextBytes = 16u << 20;   // UTF-8 bytes in all runs together
    std::size_t maxParagraphs = 1u << 20;   // 0 counts as 1
    std::size_t maxTableEntries = 1u << 14; // fonts, and colours, each
};

constexpr int kMaxHalfPoints = 3276; // 1638 points
constexpr int kMaxTwips = 31680;     // 22 inches
constexpr std::size_t kMaxFontName = 255;

// The texts of Document::problems, each listed at most once, in the order first met.
namespace problem {
// The input does not start with "{\rtf"; it is still read as rich text.
inline constexpr std::string_view kNotRichText = "not rich text";
// The input ended inside a group: everything up to the end is kept.
inline constexpr std::string_view kMissingClosingBrace = "missing closing brace";
// A '}' outside every group (only in input that does not start with '{'): ignored.
inline constexpr std::string_view kUnbalancedBraces = "unbalanced braces";
// Something other than spaces, tabs, CR, LF or NUL follows the brace that closes the outermost
// group (an extra '}' closes the document early): ignored.
inline constexpr std::string_view kTextBeyondDocument = "text beyond the document";
// The input ends with a backslash, or in a control word or hex escape, which is dropped.
inline constexpr std::string_view kTruncatedControlWord = "truncated control word";
// "\'" not followed by two hex digits: the escape (and a single hex digit) is dropped.
inline constexpr std::string_view kBadHexEscape = "bad hex escape";
// A control word of more than 32 letters: ignored.
inline constexpr std::string_view kControlWordTooLong = "control word too long";
// A numeric parameter beyond the 32-bit signed range: clamped to it.
inline constexpr std::string_view kNumberTooLarge = "number too large";
// Groups deeper than Limits::maxDepth: skipped whole.
inline constexpr std::string_view kNestingTooDeep = "nesting too deep";
// Text beyond Limits::maxTextBytes: dropped.
inline constexpr std::string_view kTextTooLong = "text too long";
// Paragraph breaks beyond Limits::maxParagraphs: the text goes on in the last paragraph.
inline constexpr std::string_view kTooManyParagraphs = "too many paragraphs";
// Font or colour entries beyond Limits::maxTableEntries: ignored.
inline constexpr std::string_view kTableTooLong = "table too long";
// A font name longer than kMaxFontName bytes: cut there.
inline constexpr std::string_view kFontNameTooLong = "font name too long";
// \ansicpg, \cpg or \fcharset names a code page that is not read (multi-byte ones among them):
// its bytes are decoded as Windows-1252.
inline constexpr std::string_view kUnknownCodePage = "unknown code page";
// \fN in the text names no font of the table (the number is kept in the format).
inline constexpr std::string_view kUnknownFont = "unknown font";
// \cfN, \cbN or \highlightN beyond the colour table (the index is kept in the format).
inline constexpr std::string_view kUnknownColour = "unknown colour";
// A NUL character (raw, \'00 or \u0) in the text: dropped.
inline constexpr std::string_view kNulByte = "nul byte";
// \binN longer than the rest of the input.
inline constexpr std::string_view kTruncatedBinary = "truncated binary data";
// \uN that is no character (an unpaired surrogate, or out of range): U+FFFD instead.
inline constexpr std::string_view kInvalidUnicode = "invalid unicode character";
} // namespace problem

struct Document {
    std::vector<Font> fonts;
    std::vector<Colour> colours;
    int defaultFont = 0; // \deffN
    int codePage = 1252; // \ansicpgN (\mac 10000, \pc 437, \pca 850) as used: 1252 when unknown
    // At least one (possibly empty) paragraph. \par ends a paragraph, and so do a backslash before
    // CR or LF, a CR or LF written as \'0d, \'0a or \uN (CR then LF is one break), and \row.
    // Text after the last paragraph break forms a last paragraph only when it has any characters,
    // as the control shows it: "a\par b" is two paragraphs, "a\par" one, "" one empty one,
    // "a\par\par" "a" and an empty one.
    std::vector<Paragraph> paragraphs;
    // Bytes read: up to and including the brace that closes the outermost group, or the whole
    // input when it never closes (or does not start with '{').
    std::size_t consumed = 0;
    // What had to be repaired or ignored (texts from rtf::problem); empty for well-formed input.
    std::vector<std::string> problems;

    // The plain text: paragraphs joined by '\n', as UTF-8.
    std::string plainText() const;
    // The font with that number, or null.
    const Font* findFont(int number) const;
};

// Reads RTF bytes. Never throws for bad input (std::bad_alloc may pass); always returns what
// could be read, in time linear in the input and without recursion.
//
// What is read: groups with their character and paragraph formats, \ucN and the destination;
// \fonttbl, \colortbl, \deff, \ansi \ansicpg \mac \pc \pca; text decoded through the code page
// of the current font's \fcharset (or \cpg), else the document's; \uN with its fallback skipped;
// \fldrslt, \listtext and \pntext text. Skipped whole: every {\* } group and the destinations
// that are not shown (\info, \stylesheet, \pict, \object, headers, footers, footnotes, \fldinst,
// list and revision tables...). \binN data is skipped. Unknown control words are ignored.
Document parse(std::string_view bytes, const Limits& limits = {});

} // namespace rtf
