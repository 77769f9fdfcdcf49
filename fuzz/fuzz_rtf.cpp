// Fuzzes the rich text reader with default and with tight limits, and checks what the rich-edit
// control relies on: consumed within the input, valid UTF-8 everywhere, runs never empty and
// never two alike in a row, values inside their ranges, every limit kept.
#include "platform/core/rtf_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t length = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4, cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        const std::uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

const std::set<std::string_view> kProblems = {
    rtf::problem::kNotRichText,
    rtf::problem::kMissingClosingBrace,
    rtf::problem::kUnbalancedBraces,
    rtf::problem::kTextBeyondDocument,
    rtf::problem::kTruncatedControlWord,
    rtf::problem::kBadHexEscape,
    rtf::problem::kControlWordTooLong,
    rtf::problem::kNumberTooLarge,
    rtf::problem::kNestingTooDeep,
    rtf::problem::kTextTooLong,
    rtf::problem::kTooManyParagraphs,
    rtf::problem::kTableTooLong,
    rtf::problem::kFontNameTooLong,
    rtf::problem::kUnknownCodePage,
    rtf::problem::kUnknownFont,
    rtf::problem::kUnknownColour,
    rtf::problem::kNulByte,
    rtf::problem::kTruncatedBinary,
    rtf::problem::kInvalidUnicode,
};

void checkDocument(const rtf::Document& doc, std::string_view input, const rtf::Limits& limits) {
    check(doc.consumed <= input.size());
    check(!doc.paragraphs.empty());
    check(doc.paragraphs.size() <= std::max<std::size_t>(limits.maxParagraphs, 1));
    check(doc.paragraphs.size() <= input.size() + 1);
    check(doc.fonts.size() <= limits.maxTableEntries);
    check(doc.colours.size() <= limits.maxTableEntries);

    std::set<int> numbers;
    for (const rtf::Font& font : doc.fonts) {
        check(numbers.insert(font.number).second);
        check(font.name.size() <= rtf::kMaxFontName && validUtf8(font.name));
    }

    std::size_t textBytes = 0;
    for (const rtf::Paragraph& paragraph : doc.paragraphs) {
        const rtf::ParagraphFormat& p = paragraph.format;
        check(
            std::abs(p.leftIndent) <= rtf::kMaxTwips && std::abs(p.rightIndent) <= rtf::kMaxTwips &&
            std::abs(p.firstIndent) <= rtf::kMaxTwips && std::abs(p.lineSpacing) <= rtf::kMaxTwips);
        check(p.spaceBefore >= 0 && p.spaceBefore <= rtf::kMaxTwips);
        check(p.spaceAfter >= 0 && p.spaceAfter <= rtf::kMaxTwips);
        for (std::size_t i = 0; i < paragraph.runs.size(); ++i) {
            const rtf::Run& run = paragraph.runs[i];
            check(!run.text.empty() && validUtf8(run.text));
            check(!run.format.hidden);
            check(run.format.halfPoints >= 1 && run.format.halfPoints <= rtf::kMaxHalfPoints);
            check(run.format.foreground >= 0 && run.format.background >= 0 &&
                  run.format.highlight >= 0);
            if (i > 0) check(!(paragraph.runs[i - 1].format == run.format));
            textBytes += run.text.size();
        }
    }
    check(textBytes <= limits.maxTextBytes);

    std::set<std::string_view> seen;
    for (const std::string& problem : doc.problems) {
        check(kProblems.contains(problem));
        check(seen.insert(problem).second);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const rtf::Limits defaults;
    const rtf::Document doc = rtf::parse(input, defaults);
    checkDocument(doc, input, defaults);

    // Reading only the bytes the document took gives the same text.
    if (doc.consumed < input.size()) {
        const rtf::Document prefix = rtf::parse(input.substr(0, doc.consumed), defaults);
        check(prefix.consumed == doc.consumed);
        check(prefix.plainText() == doc.plainText());
    }

    rtf::Limits tight;
    tight.maxDepth = 4;
    tight.maxTextBytes = 64;
    tight.maxParagraphs = 3;
    tight.maxTableEntries = 2;
    checkDocument(rtf::parse(input, tight), input, tight);
    return 0;
}
