// Builds toolkit text documents from read Rich Text Format documents.
#include "platform/qt/rich_text_document.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace platform {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kDefaultTabTwips = 720.0;

QFont::StyleHint styleHintOf(rtf::FontFamily family) {
    switch (family) {
    case rtf::FontFamily::Roman:
        return QFont::Serif;
    case rtf::FontFamily::Swiss:
        return QFont::SansSerif;
    case rtf::FontFamily::Modern:
        return QFont::TypeWriter;
    case rtf::FontFamily::Script:
        return QFont::Cursive;
    case rtf::FontFamily::Decor:
        return QFont::Decorative;
    default:
        return QFont::AnyStyle;
    }
}

class Builder {
public:
    Builder(const rtf::Document& document, const RichTextDefaults& defaults)
        : m_document(document), m_defaults(defaults) {
        for (const rtf::Font& font : document.fonts)
            m_fonts.emplace(font.number, &font);
    }

    QTextBlockFormat blockFormat(const rtf::ParagraphFormat& p) const {
        QTextBlockFormat f;
        switch (p.alignment) {
        case rtf::Alignment::Centre:
            f.setAlignment(Qt::AlignHCenter);
            break;
        case rtf::Alignment::Right:
            f.setAlignment(Qt::AlignRight);
            break;
        case rtf::Alignment::Justify:
            f.setAlignment(Qt::AlignJustify);
            break;
        default:
            f.setAlignment(Qt::AlignLeft);
            break;
        }
        // A negative first-line indent hangs the first line into the left indent; the left edge
        // never goes below the page's.
        const double left = x(p.leftIndent);
        const double first = x(p.firstIndent);
        f.setLeftMargin(std::max(0.0, left));
        f.setRightMargin(std::max(0.0, x(p.rightIndent)));
        const double indent = std::max(first, -std::max(0.0, left));
        f.setTextIndent(indent);
        // A hanging first line has a tab stop at the paragraph's indent, so that a bullet and a
        // tab line up with the lines below. The toolkit measures tab stops from where the line
        // begins, the hanging indent's width before the paragraph's indent.
        if (indent < 0)
            f.setTabPositions({QTextOption::Tab(-indent / scale(), QTextOption::LeftTab)});
        f.setTopMargin(std::max(0.0, y(p.spaceBefore) / scale()));
        f.setBottomMargin(std::max(0.0, y(p.spaceAfter) / scale()));
        if (p.lineSpacing != 0) {
            if (p.lineSpacingMultiple && p.lineSpacing > 0)
                f.setLineHeight(100.0 * p.lineSpacing / 240.0,
                                QTextBlockFormat::ProportionalHeight);
            else if (p.lineSpacing < 0)
                f.setLineHeight(y(-p.lineSpacing) / scale(), QTextBlockFormat::FixedHeight);
            else
                f.setLineHeight(y(p.lineSpacing) / scale(), QTextBlockFormat::MinimumHeight);
        }
        return f;
    }

    QTextCharFormat charFormat(const rtf::CharFormat& c) const {
        QTextCharFormat f;
        const int number = c.font >= 0 ? c.font : m_document.defaultFont;
        const auto it = m_fonts.find(number);
        if (it != m_fonts.end() && !it->second->name.empty()) {
            f.setFontFamilies({QString::fromUtf8(it->second->name)});
            f.setFontStyleHint(styleHintOf(it->second->family));
        } else {
            f.setFontFamilies(m_defaults.font.families());
        }
        f.setFontPointSize(std::clamp(c.halfPoints, 2, 3276) / 2.0);
        f.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(c.italic);
        f.setFontUnderline(c.underline);
        f.setFontStrikeOut(c.strike);
        // Text in the automatic colour takes the view's text colour unless a colour is given.
        const QColor foreground = colour(c.foreground, m_defaults.text);
        if (foreground.isValid()) f.setForeground(foreground);
        if (c.highlight > 0 && validColour(c.highlight))
            f.setBackground(colour(c.highlight, QColor()));
        else if (c.background > 0 && validColour(c.background))
            f.setBackground(colour(c.background, QColor()));
        if (c.superSub > 0)
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (c.superSub < 0)
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        return f;
    }

private:
    double x(int twips) const { return twips * m_defaults.dpiX / kTwipsPerInch; }
    double y(int twips) const { return twips * m_defaults.dpiY / kTwipsPerInch; }
    double scale() const { return m_defaults.layoutScale > 0 ? m_defaults.layoutScale : 1.0; }
    bool validColour(int index) const {
        return index >= 0 && std::size_t(index) < m_document.colours.size();
    }
    QColor colour(int index, const QColor& automatic) const {
        if (!validColour(index)) return automatic;
        const rtf::Colour& c = m_document.colours[std::size_t(index)];
        if (c.automatic) return automatic;
        return QColor(c.red, c.green, c.blue);
    }

    const rtf::Document& m_document;
    const RichTextDefaults& m_defaults;
    std::unordered_map<int, const rtf::Font*> m_fonts;
};

} // namespace

void buildTextDocument(const rtf::Document& document, const RichTextDefaults& defaults,
                       QTextDocument* target) {
    if (!target) return;
    target->clear();
    target->setDefaultFont(defaults.font);
    // Tab stops every half inch where a paragraph sets none.
    QTextOption option = target->defaultTextOption();
    const double scale = defaults.layoutScale > 0 ? defaults.layoutScale : 1.0;
    option.setTabStopDistance(kDefaultTabTwips * defaults.dpiX / kTwipsPerInch / scale);
    target->setDefaultTextOption(option);
    const Builder builder(document, defaults);
    QTextCursor cursor(target);
    cursor.beginEditBlock();
    bool first = true;
    // Runs in a row often share a format: make each format once.
    const rtf::CharFormat* lastFormat = nullptr;
    QTextCharFormat lastCharFormat;
    for (const rtf::Paragraph& paragraph : document.paragraphs) {
        const QTextBlockFormat blockFormat = builder.blockFormat(paragraph.format);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            first = false;
        } else {
            cursor.insertBlock(blockFormat);
        }
        for (const rtf::Run& run : paragraph.runs) {
            if (run.format.hidden || run.text.empty()) continue;
            if (!lastFormat || !(*lastFormat == run.format)) {
                lastCharFormat = builder.charFormat(run.format);
                lastFormat = &run.format;
            }
            cursor.insertText(QString::fromUtf8(run.text.data(), qsizetype(run.text.size())),
                              lastCharFormat);
        }
        // An empty paragraph still takes the height of its font.
        if (paragraph.runs.empty() || cursor.block().length() <= 1) {
            const rtf::CharFormat plain;
            const rtf::CharFormat& format =
                paragraph.runs.empty() ? plain : paragraph.runs.back().format;
            cursor.setBlockCharFormat(builder.charFormat(format));
        }
    }
    cursor.endEditBlock();
}

} // namespace platform
