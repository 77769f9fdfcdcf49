// The art of the program's direction cursors and icon (see make_resources.cpp for the files).
#include "tools/resource_art.h"

#include <array>
#include <cstdint>
#include <iostream>

#include <QBuffer>
#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

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

QImage programIcon() {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
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
    const auto icon = dir / "icons" / "128.png";
    if (!tools::writeFile(icon.string(), pngBytes(programIcon()))) {
        std::cerr << "make_resources: cannot write " << icon.string() << "\n";
        return false;
    }
    return true;
}

} // namespace resource_art
