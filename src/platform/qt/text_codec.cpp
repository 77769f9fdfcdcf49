// Windows-1252 texts to and from the toolkit's strings, rectangles and colours.
#include "platform/qt/text_codec.h"

#include "platform/core/message_box.h"
#include "platform/core/palette.h"

#include <array>

namespace platform {
namespace {

// Windows-1252 bytes 0x80..0x9F as Unicode; 0 marks the bytes the code page leaves undefined,
// which stand for the C1 control of the same number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QString fromWindows1252(std::string_view text) {
    QString out;
    out.reserve(qsizetype(text.size()));
    for (unsigned char c : text) {
        char16_t code = c;
        if (c >= 0x80 && c < 0xA0 && kHighControls[c - 0x80] != 0) code = kHighControls[c - 0x80];
        out.append(QChar(code));
    }
    return out;
}

std::string toWindows1252(const QString& text) {
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
            continue;
        }
        char mapped = '?';
        for (std::size_t i = 0; i < kHighControls.size(); ++i) {
            if (kHighControls[i] == u || (kHighControls[i] == 0 && u == 0x80 + i)) {
                mapped = char(0x80 + i);
                break;
            }
        }
        out += mapped;
    }
    return out;
}

QColor toQColor(COLORREF colour, const Palette* selected) {
    const std::uint32_t rgb = resolveColour(colour, selected);
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

COLORREF fromQColor(const QColor& colour) {
    return RGB(BYTE(colour.red()), BYTE(colour.green()), BYTE(colour.blue()));
}

QFont defaultGuiFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

} // namespace platform
