// The art of the program's direction cursors and icons (see make_resources.cpp for the files).
#include "tools/resource_art.h"

#include <array>
#include <cstdint>
#include <iostream>
#include <utility>

#include <QBuffer>
#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

namespace resource_art {
namespace {

struct Vertex {
    int x;
    int y;
};

// Twice the signed area of (a, b, p): which side of the edge a-b the point p is on.
std::int64_t cross(Vertex a, Vertex b, Vertex p) {
    return std::int64_t(b.x - a.x) * (p.y - a.y) - std::int64_t(b.y - a.y) * (p.x - a.x);
}

// Whether the pixel is inside the triangle or on its edges.
bool inside(const std::array<Vertex, 3>& t, int x, int y) {
    const Vertex p{x, y};
    const std::int64_t d1 = cross(t[0], t[1], p), d2 = cross(t[1], t[2], p),
                       d3 = cross(t[2], t[0], p);
    const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
    const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

// Tip first; the tip is the cursor's hot spot.
constexpr std::array<std::array<Vertex, 3>, 8> kTriangles = {{
    {{{16, 0}, {4, 24}, {28, 24}}}, // up
    {{{31, 0}, {8, 8}, {23, 23}}},  // up-right
    {{{31, 15}, {7, 3}, {7, 27}}},  // right
    {{{31, 31}, {8, 23}, {23, 8}}}, // down-right
    {{{16, 31}, {4, 7}, {28, 7}}},  // down
    {{{0, 31}, {8, 8}, {23, 23}}},  // down-left
    {{{0, 16}, {24, 4}, {24, 28}}}, // left
    {{{0, 0}, {23, 8}, {8, 23}}},   // up-left
}};

constexpr std::uint8_t kTransparent = 0;
constexpr std::uint8_t kOutline = 1;
constexpr std::uint8_t kFill = 2;

// The list icons share the command bar's colours: brown ink on parchment, with its red, blue and
// green for the glyphs.
const QColor kInk(62, 40, 18);
const QColor kPaper(252, 248, 228);
const QColor kPaperShade(226, 212, 160);
const QColor kRed(186, 48, 36);
const QColor kBlue(60, 110, 150);
const QColor kGreen(90, 130, 70);

QImage blankIcon() {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

tools::IndexedImage directionCursor(int index) {
    tools::IndexedImage image;
    image.width = kCursorSize;
    image.height = kCursorSize;
    image.colours[kTransparent] = {255, 0, 255};
    image.colours[kOutline] = {32, 24, 16};
    image.colours[kFill] = {255, 250, 228};
    image.pixels.assign(std::size_t(kCursorSize) * kCursorSize, kTransparent);
    const auto& triangle = kTriangles[std::size_t(index) % kTriangles.size()];
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < kCursorSize && y < kCursorSize && inside(triangle, x, y);
    };
    for (int y = 0; y < kCursorSize; ++y) {
        for (int x = 0; x < kCursorSize; ++x) {
            if (!in(x, y)) continue;
            const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            image.at(x, y) = edge ? kOutline : kFill;
        }
    }
    return image;
}

QImage programIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / double(kIconSize), size / double(kIconSize));
    // A framed picture of a sky over a mountain range and a lake.
    const QRectF frame(1.5, 3.5, 29, 25);
    QPainterPath clip;
    clip.addRoundedRect(frame, 3, 3);
    p.setClipPath(clip);
    QLinearGradient sky(0, 4, 0, 20);
    sky.setColorAt(0, QColor(70, 130, 200));
    sky.setColorAt(1, QColor(250, 220, 150));
    p.fillRect(frame, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 236, 120));
    p.drawEllipse(QPointF(22, 10), 3.2, 3.2);
    p.setBrush(QColor(96, 104, 128));
    p.drawPolygon(QPolygonF({QPointF(1, 22), QPointF(8, 11), QPointF(12, 15), QPointF(17, 8),
                             QPointF(24, 17), QPointF(31, 13), QPointF(31, 22)}));
    p.setBrush(QColor(245, 248, 252));
    p.drawPolygon(
        QPolygonF({QPointF(17, 8), QPointF(14.5, 11.5), QPointF(17, 10.5), QPointF(19.5, 11.5)}));
    p.setBrush(QColor(62, 120, 70));
    p.drawRect(QRectF(0, 21, 32, 4));
    p.setBrush(QColor(60, 110, 170));
    p.drawRect(QRectF(0, 24, 32, 6));
    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(92, 64, 36), 2));
    p.drawRoundedRect(frame, 3, 3);
    p.end();
    return image;
}

QImage photoListIcon() {
    QImage image = blankIcon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // The body with the viewfinder hump on top and the shutter release on the right.
    QPainterPath body;
    body.addRoundedRect(QRectF(1.5, 9.5, 29, 19), 3, 3);
    body.addRoundedRect(QRectF(9.5, 5.5, 13, 6), 1.5, 1.5);
    body = body.simplified();
    QLinearGradient fill(0, 6, 0, 28);
    fill.setColorAt(0, kPaper);
    fill.setColorAt(1, kPaperShade);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawRoundedRect(QRectF(23.5, 6.5, 5, 4), 1, 1);
    p.setPen(QPen(kInk, 1));
    p.setBrush(fill);
    p.drawPath(body);
    // A dark band round the middle, as on a leather-covered body.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 86, 48));
    p.drawRect(QRectF(2, 14, 28, 9));
    // The flash window.
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 11.5, 4, 2));
    // The lens: a ring of ink round blue glass with a highlight.
    p.setBrush(kInk);
    p.drawEllipse(QPointF(16, 18.5), 7.5, 7.5);
    QRadialGradient glass(QPointF(14.5, 17), 6);
    glass.setColorAt(0, QColor(150, 196, 228));
    glass.setColorAt(1, kBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(QPointF(16, 18.5), 5, 5);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QPointF(14, 16.5), 1.6, 1.6);
    p.end();
    return image;
}

QImage mapListIcon() {
    QImage image = blankIcon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // A sheet folded in three panels, the middle one in the shade of the folds.
    const QPolygonF sheet({{2.5, 8.5},
                           {11.5, 4.5},
                           {20.5, 8.5},
                           {29.5, 4.5},
                           {29.5, 23.5},
                           {20.5, 27.5},
                           {11.5, 23.5},
                           {2.5, 27.5}});
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawPolygon(sheet);
    p.setBrush(kPaperShade);
    p.drawPolygon(QPolygonF({{11.5, 4.5}, {20.5, 8.5}, {20.5, 27.5}, {11.5, 23.5}}));
    // A wood, a river, and a dashed route from the lower left to the pin.
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(7, 13), 3, 2.5);
    QPainterPath river;
    river.moveTo(14.5, 6);
    river.cubicTo(19, 11, 12, 18, 17, 26);
    p.setPen(QPen(kBlue, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(river);
    QPainterPath route;
    route.moveTo(4, 24);
    route.cubicTo(10, 18, 16, 24, 23, 17);
    QPen dashes(kRed, 1.5);
    dashes.setDashPattern({1.4, 1});
    p.setPen(dashes);
    p.drawPath(route);
    p.setPen(QPen(kInk, 1));
    p.drawPolygon(sheet);
    p.drawLine(QPointF(11.5, 4.5), QPointF(11.5, 23.5));
    p.drawLine(QPointF(20.5, 8.5), QPointF(20.5, 27.5));
    // The pin: a red head on a point at the route's end.
    QPainterPath pin;
    pin.moveTo(24, 18);
    pin.lineTo(20.6, 11.5);
    pin.arcTo(QRectF(20, 4.5, 8, 8), 200, -220);
    pin.closeSubpath();
    p.setBrush(kRed);
    p.drawPath(pin);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(24, 8.5), 1.5, 1.5);
    p.end();
    return image;
}

QImage videoListIcon() {
    QImage image = blankIcon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // A strip of film with a row of sprocket holes along each edge and one frame.
    const QRectF strip(0.5, 5.5, 31, 21);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(96, 66, 36));
    p.drawRect(strip);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    for (int x = 2; x < 30; x += 5) {
        p.drawRect(QRectF(x, 7, 3, 2));
        p.drawRect(QRectF(x, 23, 3, 2));
    }
    QLinearGradient sky(0, 11, 0, 21);
    sky.setColorAt(0, QColor(150, 196, 228));
    sky.setColorAt(1, kPaper);
    p.setPen(QPen(kInk, 1));
    p.setBrush(sky);
    p.drawRect(QRectF(5.5, 10.5, 21, 11));
    // The play mark.
    p.setPen(QPen(kInk, 1));
    p.setBrush(kRed);
    p.drawPolygon(QPolygonF({{13.5, 12.5}, {13.5, 19.5}, {20, 16}}));
    p.end();
    return image;
}

QImage listIcon(int id) {
    switch (id) {
    case kListIconPhoto:
        return photoListIcon();
    case kListIconMap:
        return mapListIcon();
    case kListIconVideo:
        return videoListIcon();
    default:
        return QImage();
    }
}

std::string pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

bool writeCursorsAndIcon(const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir / "cursors", error);
    std::filesystem::create_directories(dir / "icons", error);
    for (int i = 0; i < 8; ++i) {
        const auto path = dir / "cursors" / (std::to_string(kFirstCursor + i) + ".bmp");
        if (!tools::writeFile(path.string(), tools::makeBmp(directionCursor(i)))) {
            std::cerr << "make_resources: cannot write " << path.string() << "\n";
            return false;
        }
    }
    const std::pair<int, QImage> icons[] = {
        {128, programIcon()},
        {kListIconPhoto, photoListIcon()},
        {kListIconMap, mapListIcon()},
        {kListIconVideo, videoListIcon()},
    };
    for (const auto& [id, image] : icons) {
        const auto icon = dir / "icons" / (std::to_string(id) + ".png");
        if (!tools::writeFile(icon.string(), pngBytes(image))) {
            std::cerr << "make_resources: cannot write " << icon.string() << "\n";
            return false;
        }
    }
    return true;
}

} // namespace resource_art
