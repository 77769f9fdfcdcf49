// Draws the command bar's button faces: a parchment face with a dark brown rim on the bar's khaki,
// a bevel that is raised when up and sunk when pressed, grey when disabled, a small glyph (compass,
// map, page, cross, menu arrow) and the label in brown ink.
#include "tools/resource_art_buttons.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <map>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tools {
namespace {

using Palette = std::array<std::array<std::uint8_t, 3>, 256>;

constexpr int kFaceHeight = 26;

struct Rgb {
    int r, g, b;
};

// Appends `count` colours along a path of stops, evenly spaced from the first stop to the last.
void addRamp(Palette& palette, int& next, const std::vector<Rgb>& stops, int count) {
    const int segments = int(stops.size()) - 1;
    for (int i = 0; i < count; ++i) {
        const double position = count == 1 ? 0.0 : double(i) * segments / (count - 1);
        const int segment = std::min(int(position), segments - 1);
        const double t = position - segment;
        const Rgb& a = stops[std::size_t(segment)];
        const Rgb& b = stops[std::size_t(segment) + 1];
        auto mix = [t](int from, int to) {
            return std::uint8_t(std::clamp(int(from + (to - from) * t + 0.5), 0, 255));
        };
        palette[std::size_t(next++)] = {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
    }
}

// Black and white; a long warm ramp from brown ink through khaki and the bar's colour to
// parchment (faces, bevels and anti-aliased ink); a grey ramp (disabled faces); short red, blue
// and green ramps (glyphs); and a 4 x 4 x 4 cube for anything else.
Palette makePalette() {
    Palette palette{};
    int next = 0;
    palette[std::size_t(next++)] = {0, 0, 0};
    palette[std::size_t(next++)] = {255, 255, 255};
    addRamp(palette, next,
            {{40, 26, 12},
             {92, 62, 30},
             {150, 112, 62},
             {200, 180, 120},
             {238, 232, 180},
             {252, 248, 228},
             {255, 255, 245}},
            118);
    addRamp(palette, next, {{60, 60, 56}, {250, 249, 244}}, 48);
    addRamp(palette, next, {{90, 18, 12}, {186, 48, 36}, {240, 160, 140}}, 8);
    addRamp(palette, next, {{20, 50, 90}, {60, 110, 150}, {180, 210, 232}}, 8);
    addRamp(palette, next, {{30, 70, 30}, {90, 130, 70}, {190, 220, 170}}, 8);
    for (int r = 0; r < 4; ++r)
        for (int g = 0; g < 4; ++g)
            for (int b = 0; b < 4; ++b)
                palette[std::size_t(next++)] = {std::uint8_t(r * 85), std::uint8_t(g * 85),
                                                std::uint8_t(b * 85)};
    return palette;
}

// Colours of the art.
const QColor kBar(238, 232, 180); // the bar's own background, around the rounded corners
const QColor kRim(92, 62, 30);
const QColor kInk(62, 40, 18);
const QColor kRaisedLight(255, 253, 242);
const QColor kRaisedShadow(176, 152, 96);
const QColor kSunkShadow(150, 122, 72);
const QColor kGreyRim(156, 152, 142);
const QColor kGreyInk(150, 146, 136);
const QColor kGreyLight(255, 255, 255);
const QColor kCompassRed(186, 48, 36);
const QColor kRiverBlue(60, 110, 150);
const QColor kMeadowGreen(90, 130, 70);
const QColor kPaper(252, 248, 228);

// How a glyph or label is coloured in one state.
struct Look {
    FaceState state;
    QColor ink;     // outlines and text
    QColor accent1; // red
    QColor accent2; // blue
    QColor accent3; // green
    QColor paper;   // light fills
};

Look lookOf(FaceState state) {
    if (state == FaceState::Disabled)
        return {state, kGreyInk, kGreyInk, kGreyInk, QColor(200, 198, 190), QColor(244, 243, 238)};
    return {state, kInk, kCompassRed, kRiverBlue, kMeadowGreen, kPaper};
}

void drawBody(QPainter& p, int width, FaceState state) {
    const QRectF outer(0.5, 0.5, width - 1.0, kFaceHeight - 1.0);
    QLinearGradient fill(0, 1, 0, kFaceHeight - 1);
    QColor rim = kRim;
    switch (state) {
    case FaceState::Up:
        fill.setColorAt(0, QColor(252, 248, 228));
        fill.setColorAt(0.55, QColor(238, 229, 186));
        fill.setColorAt(1, QColor(218, 204, 150));
        break;
    case FaceState::Down:
        fill.setColorAt(0, QColor(204, 188, 132));
        fill.setColorAt(1, QColor(234, 225, 178));
        break;
    case FaceState::Disabled:
        fill.setColorAt(0, QColor(240, 238, 230));
        fill.setColorAt(1, QColor(210, 206, 196));
        rim = kGreyRim;
        break;
    }
    p.setPen(QPen(rim, 1));
    p.setBrush(fill);
    p.drawRoundedRect(outer, 4, 4);

    // The bevel: light above and left with shadow below and right when raised; a shadow above
    // and left when pressed.
    const double right = width - 2.5;
    const double bottom = kFaceHeight - 2.5;
    p.setBrush(Qt::NoBrush);
    if (state == FaceState::Down) {
        p.setPen(QPen(kSunkShadow, 1));
        p.drawLine(QPointF(3, 1.5), QPointF(width - 4, 1.5));
        p.drawLine(QPointF(1.5, 3), QPointF(1.5, kFaceHeight - 4));
        p.setPen(QPen(QColor(kSunkShadow.red(), kSunkShadow.green(), kSunkShadow.blue(), 110), 1));
        p.drawLine(QPointF(3, 2.5), QPointF(width - 4, 2.5));
        return;
    }
    p.setPen(QPen(state == FaceState::Up ? kRaisedLight : kGreyLight, 1));
    p.drawLine(QPointF(3, 1.5), QPointF(width - 4, 1.5));
    p.drawLine(QPointF(1.5, 3), QPointF(1.5, kFaceHeight - 4));
    p.setPen(QPen(state == FaceState::Up ? kRaisedShadow : QColor(186, 182, 172), 1));
    p.drawLine(QPointF(3, bottom), QPointF(width - 4, bottom));
    p.drawLine(QPointF(right, 3), QPointF(right, kFaceHeight - 4));
}

// The label font: DejaVu Sans bold (the program's dialog face), 12 pixels, smaller when the text
// would not fit the room it has.
QFont labelFont(const QString& text, int room) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    for (int size = 12; size > 8; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= room) break;
    }
    return font;
}

// The label centred in [left, right), its baseline placed so that capitals sit in the middle.
void drawLabel(QPainter& p, const QString& text, double left, double right, const Look& look) {
    const QFont font = labelFont(text, int(right - left));
    p.setFont(font);
    const QFontMetrics metrics(font);
    const double width = metrics.horizontalAdvance(text);
    const double x = std::floor(left + (right - left - width) / 2);
    const double baseline = std::floor((kFaceHeight + metrics.capHeight()) / 2.0);
    if (look.state == FaceState::Disabled) {
        // Engraved: a white copy one pixel down and right beneath the grey text.
        p.setPen(kGreyLight);
        p.drawText(QPointF(x + 1, baseline + 1), text);
    }
    p.setPen(look.ink);
    p.drawText(QPointF(x, baseline), text);
}

// A compass rose: a ring, ticks at the four points and a needle whose north half is red.
void drawCompass(QPainter& p, const Look& look) {
    const QPointF centre(15, 13);
    p.setPen(QPen(look.ink, 1));
    p.setBrush(look.paper);
    p.drawEllipse(centre, 9.5, 9.5);
    p.setPen(QPen(look.ink, 1));
    for (const QPointF& d : {QPointF(0, -1), QPointF(1, 0), QPointF(0, 1), QPointF(-1, 0)})
        p.drawLine(centre + d * 7.5, centre + d * 9.5);
    const QPointF north(15, 4.5), south(15, 21.5), east(18, 13), west(12, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(look.accent1);
    p.drawPolygon(QPolygonF({north, east, west}));
    p.setBrush(look.ink);
    p.drawPolygon(QPolygonF({south, east, west}));
    p.setBrush(look.paper);
    p.drawEllipse(centre, 1.2, 1.2);
}

// A folded map of three panels with a river across it and a meadow.
void drawMap(QPainter& p, const Look& look) {
    const QPolygonF outline({{6.5, 8.5},
                             {10.5, 6.5},
                             {14.5, 8.5},
                             {18.5, 6.5},
                             {18.5, 17.5},
                             {14.5, 19.5},
                             {10.5, 17.5},
                             {6.5, 19.5}});
    p.setPen(Qt::NoPen);
    p.setBrush(look.paper);
    p.drawPolygon(outline);
    p.setBrush(look.accent3);
    p.drawPolygon(QPolygonF({{11, 14}, {14, 15.5}, {14, 18.5}, {11, 17}}));
    QPainterPath river;
    river.moveTo(7, 12);
    river.cubicTo(10, 9, 13, 16, 18, 11);
    p.setPen(QPen(look.accent2, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(river);
    p.setPen(QPen(look.ink, 1));
    p.drawPolygon(outline);
    p.drawLine(QPointF(10.5, 6.5), QPointF(10.5, 17.5));
    p.drawLine(QPointF(14.5, 8.5), QPointF(14.5, 19.5));
}

// A page with lines of text and a turned-down corner.
void drawPage(QPainter& p, const Look& look) {
    const QPolygonF outline({{7.5, 5.5}, {14.5, 5.5}, {17.5, 8.5}, {17.5, 20.5}, {7.5, 20.5}});
    p.setPen(QPen(look.ink, 1));
    p.setBrush(look.paper);
    p.drawPolygon(outline);
    p.drawPolyline(QPolygonF({{14.5, 5.5}, {14.5, 8.5}, {17.5, 8.5}}));
    p.setPen(QPen(look.accent2, 1));
    for (int row = 0; row < 4; ++row) {
        const double y = 10.5 + row * 2.5;
        p.drawLine(QPointF(9.5, y), QPointF(row == 3 ? 13.0 : 15.5, y));
    }
}

// A cross, as on a window's close box.
void drawCross(QPainter& p, const Look& look) {
    p.setPen(QPen(look.accent1, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 9), QPointF(17, 17));
    p.drawLine(QPointF(17, 9), QPointF(9, 17));
}

// A four-pointed star, the mark of a point of interest.
void drawStar(QPainter& p, double x, const Look& look) {
    const double y = 13;
    QPolygonF star;
    for (int i = 0; i < 8; ++i) {
        const double radius = i % 2 == 0 ? 6.5 : 2.0;
        const double angle = i * 3.14159265358979 / 4;
        star << QPointF(x + radius * std::sin(angle), y - radius * std::cos(angle));
    }
    p.setPen(QPen(look.ink, 0.8));
    p.setBrush(look.accent1);
    p.drawPolygon(star);
}

// A small triangle pointing up: the menu opens above the bar.
void drawMenuArrow(QPainter& p, double x, const Look& look) {
    p.setPen(Qt::NoPen);
    p.setBrush(look.ink);
    p.drawPolygon(QPolygonF({{x - 4.5, 16}, {x + 4.5, 16}, {x, 10.5}}));
}

using Artwork = std::function<void(QPainter&, int width, const Look&)>;

IndexedImage render(int width, FaceState state, const Artwork& art) {
    QImage canvas(width, kFaceHeight, QImage::Format_RGB32);
    canvas.fill(kBar);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        drawBody(p, width, state);
        // Pressed, the content moves one pixel down and right, as if pushed in.
        if (state == FaceState::Down) p.translate(1, 1);
        art(p, width, lookOf(state));
    }
    IndexedImage image;
    image.width = width;
    image.height = kFaceHeight;
    image.colours = buttonFacePalette();
    image.pixels.resize(std::size_t(width) * kFaceHeight);
    for (int y = 0; y < kFaceHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < width; ++x)
            image.at(x, y) =
                nearestButtonFaceIndex(std::uint8_t(qRed(row[x])), std::uint8_t(qGreen(row[x])),
                                       std::uint8_t(qBlue(row[x])));
    }
    return image;
}

struct FaceKind {
    const char* name;
    int width;
    bool disabledPicture;
    Artwork art;
};

std::vector<FaceKind> faceKinds() {
    return {
        {"IDB_LOCATOR", 30, false,
         [](QPainter& p, int, const Look& look) { drawCompass(p, look); }},
        {"IDB_FEATURES", 155, false,
         [](QPainter& p, int width, const Look& look) {
             drawStar(p, 16, look);
             drawLabel(p, QStringLiteral("Features"), 28, width - 28, look);
             drawMenuArrow(p, width - 16, look);
         }},
        {"IDB_PRINTMAP", 92, true,
         [](QPainter& p, int width, const Look& look) {
             drawMap(p, look);
             drawLabel(p, QStringLiteral("Print Map"), 22, width - 7, look);
         }},
        {"IDB_PRINTTEXT", 92, true,
         [](QPainter& p, int width, const Look& look) {
             drawPage(p, look);
             drawLabel(p, QStringLiteral("Print Text"), 22, width - 7, look);
         }},
        {"IDB_CLOSECMD", 92, false,
         [](QPainter& p, int width, const Look& look) {
             drawCross(p, look);
             drawLabel(p, QStringLiteral("Close"), 22, width - 10, look);
         }},
    };
}

} // namespace

const Palette& buttonFacePalette() {
    static const Palette palette = makePalette();
    return palette;
}

std::uint8_t nearestButtonFaceIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    static std::map<std::uint32_t, std::uint8_t> cache;
    const std::uint32_t key = (std::uint32_t(red) << 16) | (std::uint32_t(green) << 8) | blue;
    if (const auto it = cache.find(key); it != cache.end()) return it->second;
    const Palette& palette = buttonFacePalette();
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < 256; ++i) {
        const auto& c = palette[std::size_t(i)];
        const int dr = int(c[0]) - red, dg = int(c[1]) - green, db = int(c[2]) - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    cache.emplace(key, std::uint8_t(best));
    return std::uint8_t(best);
}

std::vector<ButtonFace> makeButtonFaces() {
    std::vector<ButtonFace> faces;
    for (const FaceKind& kind : faceKinds()) {
        faces.push_back(
            {std::string(kind.name) + "U", render(kind.width, FaceState::Up, kind.art)});
        faces.push_back(
            {std::string(kind.name) + "D", render(kind.width, FaceState::Down, kind.art)});
        if (kind.disabledPicture)
            faces.push_back(
                {std::string(kind.name) + "X", render(kind.width, FaceState::Disabled, kind.art)});
    }
    return faces;
}

bool writeButtonFaces(const std::string& folder, std::string* error) {
    for (const ButtonFace& face : makeButtonFaces()) {
        const std::string path = folder + "/" + face.name + ".dib";
        if (!writeFile(path, makeBitmapResource(face.image))) {
            if (error) *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

} // namespace tools
