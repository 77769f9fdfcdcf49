// The demo images of DEMO01, generated from a fixed seed: a landscape panorama whose hotspot
// rectangles hold the features they name, maps drawn from the same layout, and photographs and
// videos cut from the panorama's direct-colour rendering.
#include "tools/demo_images.h"

#include "tools/avi_writer.h"
#include "tools/demo_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace demo {
namespace {

constexpr std::uint32_t kSeed = 0x5EED0199u;

// ---- Noise -------------------------------------------------------------------------------------

std::uint32_t hash(std::int64_t x, std::int64_t y, std::uint32_t seed) {
    std::uint64_t h = std::uint64_t(x) * 0x9E3779B97F4A7C15ull ^
                      std::uint64_t(y) * 0xC2B2AE3D27D4EB4Full ^ (std::uint64_t(seed) << 17);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return std::uint32_t(h >> 16);
}

double unit(std::int64_t x, std::int64_t y, std::uint32_t seed) {
    return (hash(x, y, seed) & 0xFFFFFF) / double(0xFFFFFF);
}

double smooth(double t) {
    return t * t * (3 - 2 * t);
}

double noise1(double x, std::uint32_t seed) {
    const double f = std::floor(x);
    const double t = smooth(x - f);
    const auto i = std::int64_t(f);
    return unit(i, 0, seed) * (1 - t) + unit(i + 1, 0, seed) * t;
}

double noise2(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const double tx = smooth(x - fx), ty = smooth(y - fy);
    const auto ix = std::int64_t(fx), iy = std::int64_t(fy);
    const double a = unit(ix, iy, seed), b = unit(ix + 1, iy, seed);
    const double c = unit(ix, iy + 1, seed), d = unit(ix + 1, iy + 1, seed);
    return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty;
}

// Fractal noise in [-1, 1].
double fbm1(double x, std::uint32_t seed, int octaves = 5) {
    double sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * (noise1(x, seed + std::uint32_t(o) * 101u) * 2 - 1);
        total += amplitude;
        amplitude *= 0.5;
        x *= 2.03;
    }
    return sum / total;
}

double fbm2(double x, double y, std::uint32_t seed, int octaves = 4) {
    double sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * noise2(x, y, seed + std::uint32_t(o) * 131u);
        total += amplitude;
        amplitude *= 0.5;
        x *= 2.01;
        y *= 2.01;
    }
    return sum / total;
}

// ---- Colours and canvas ------------------------------------------------------------------------

struct Colour {
    double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(Colour c, double f) {
    return {c.r * f, c.g * f, c.b * f};
}

class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height) {
        m_image.width = width;
        m_image.height = height;
        m_image.components = 3;
        m_image.pixels.assign(std::size_t(width) * std::size_t(height) * 3, 0);
    }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void set(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
        std::uint8_t* p = m_image.at(x, y);
        p[0] = std::uint8_t(std::clamp(c.r, 0.0, 255.0));
        p[1] = std::uint8_t(std::clamp(c.g, 0.0, 255.0));
        p[2] = std::uint8_t(std::clamp(c.b, 0.0, 255.0));
    }
    Colour get(int x, int y) const {
        x = std::clamp(x, 0, m_width - 1);
        y = std::clamp(y, 0, m_height - 1);
        const std::uint8_t* p = const_cast<tools::RgbImage&>(m_image).at(x, y);
        return {double(p[0]), double(p[1]), double(p[2])};
    }
    void blend(int x, int y, Colour c, double alpha) { set(x, y, mix(get(x, y), c, alpha)); }
    void fillRect(int x0, int y0, int x1, int y1, Colour c) {
        for (int y = std::max(0, y0); y < std::min(m_height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(m_width, x1); ++x)
                set(x, y, c);
    }
    void disc(double cx, double cy, double r, Colour c, double alpha = 1) {
        for (int y = int(cy - r) - 1; y <= int(cy + r) + 1; ++y)
            for (int x = int(cx - r) - 1; x <= int(cx + r) + 1; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) blend(x, y, c, alpha);
    }
    void line(double x0, double y0, double x1, double y1, double thickness, Colour c,
              double dash = 0) {
        const double length = std::hypot(x1 - x0, y1 - y0);
        const int steps = std::max(1, int(length * 2));
        for (int i = 0; i <= steps; ++i) {
            const double t = double(i) / steps;
            if (dash > 0 && std::fmod(t * length, dash * 2) > dash) continue;
            disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, thickness / 2, c);
        }
    }
    // A filled triangle with its apex at (ax, ay) and its base from (ax - half, by) to (ax + half).
    void triangle(double ax, double ay, double half, double by, Colour c) {
        for (int y = int(ay); y <= int(by); ++y) {
            const double w = half * (y - ay) / std::max(1.0, by - ay);
            for (int x = int(ax - w); x <= int(ax + w); ++x)
                set(x, y, c);
        }
    }
    tools::RgbImage& image() { return m_image; }

private:
    int m_width, m_height;
    tools::RgbImage m_image;
};

// ---- The landscape -----------------------------------------------------------------------------

// A pointed bump: height at the centre, nothing beyond half the width.
double spike(double x, double centre, double half, double height, double power = 1.4) {
    const double d = std::abs(x - centre) / half;
    return d >= 1 ? 0 : height * std::pow(1 - d, power);
}

double plateau(double x, double left, double right, double edge, double height) {
    if (x < left - edge || x > right + edge) return 0;
    if (x < left) return height * smooth((x - left + edge) / edge);
    if (x > right) return height * smooth((right + edge - x) / edge);
    return height;
}

// Ridge lines: the y of each range's crest at design column x (the design is 8000 x 1100).
double farRidge(double x) {
    double y = 335 + 45 * fbm1(x / 700, kSeed) + 10 * fbm1(x / 55, kSeed + 7);
    y -= spike(x, 830, 300, 185); // Greyhollow Peak
    const double secondary[][3] = {{180, 170, 80},  {1520, 200, 70},  {2080, 260, 110},
                                   {3350, 220, 75}, {7050, 280, 120}, {7750, 200, 60}};
    for (const auto& s : secondary)
        y -= spike(x, s[0], s[1], s[2]);
    y -= plateau(x, 4180, 5120, 120, 95); // The Sawtooth Ridge
    for (int i = 0; i < 7; ++i)
        y -= spike(x, 4260 + i * 130, 48, 70 + 25 * unit(i, 1, kSeed), 1.0);
    y -= spike(x, 5710, 360, 165, 1.1);                       // Hallam Glacier
    y -= spike(x, 6010, 170, 110) + spike(x, 6640, 220, 125); // Ember Pass shoulders
    y += spike(x, 6290, 140, 20, 2.0);                        // the saddle
    return y;
}

double midRidge(double x) {
    double y = 520 + 35 * fbm1(x / 480, kSeed + 20) + 8 * fbm1(x / 40, kSeed + 21);
    y += spike(x, 2750, 420, 175, 1.2);   // Kestrel Valley
    y -= plateau(x, 3760, 3930, 60, 185); // the falls' cliff
    y -= spike(x, 5260, 160, 75, 1.6);    // the lookout knoll
    y -= spike(x, 1000, 380, 60);
    return y;
}

double nearRidge(double x) {
    double y = 655 + 30 * fbm1(x / 380, kSeed + 40) + 6 * fbm1(x / 30, kSeed + 41);
    y += spike(x, 2750, 480, 70, 1.0);  // the valley floor
    y -= spike(x, 6900, 480, 115, 0.9); // Wrenfield hill
    y += spike(x, 1800, 600, 20);       // the lake basin
    return y;
}

const Colour kSkyTop{38, 78, 158}, kSkyHorizon{196, 218, 236};
const Colour kRock{112, 120, 142}, kSnow{244, 247, 252}, kShadowSnow{178, 192, 220};
const Colour kMidRock{92, 100, 96}, kGrass{86, 128, 62}, kDarkGrass{52, 92, 46};
const Colour kWater{54, 98, 146};

Colour skyAt(double y, double x) {
    Colour c = mix(kSkyTop, kSkyHorizon, std::pow(std::clamp(y / 470, 0.0, 1.0), 1.3));
    const double cloud = fbm2(x / 320, y / 70, kSeed + 60);
    if (y < 330 && cloud > 0.56) c = mix(c, Colour{250, 250, 252}, (cloud - 0.56) * 3.2);
    return c;
}

// Paints the panorama in design coordinates scaled to the canvas.
void paintLandscape(Canvas& canvas) {
    const int w = canvas.width(), h = canvas.height();
    const double sx = 8000.0 / w, sy = 1100.0 / h;
    const std::size_t columns = std::size_t(w);
    std::vector<double> far(columns), mid(columns), near(columns);
    for (int x = 0; x < w; ++x) {
        far[std::size_t(x)] = farRidge(x * sx) / sy;
        mid[std::size_t(x)] = midRidge(x * sx) / sy;
        near[std::size_t(x)] = nearRidge(x * sx) / sy;
    }
    for (int x = 0; x < w; ++x) {
        const double dx = x * sx;
        const double slopeFar =
            (far[std::size_t(std::min(x + 1, w - 1))] - far[std::size_t(std::max(x - 1, 0))]) * sy;
        for (int y = 0; y < h; ++y) {
            const double dy = y * sy;
            Colour c;
            if (y < far[std::size_t(x)]) {
                c = skyAt(dy, dx);
            } else if (y < mid[std::size_t(x)]) {
                // The high range: lit from the left near the crest, with gullies running down
                // the faces, snow above a ragged snow line, and haze that thickens downwards.
                const double depth = dy - far[std::size_t(x)] * sy;
                const double crest = std::exp(-depth / 70);
                // Rock faces: the slope of a rough surface, lit from the upper left.
                auto face = [&](double fx, double fy) {
                    return fbm2(fx / 70, fy / 45, kSeed + 83) +
                           0.3 * fbm2(fx / 17, fy / 13, kSeed + 84);
                };
                const double gx = face(dx + 1.5, dy) - face(dx - 1.5, dy);
                const double gy = face(dx, dy + 1.5) - face(dx, dy - 1.5);
                const double light =
                    std::clamp(0.9 - slopeFar * 0.45 * crest, 0.5, 1.2) - 6 * gx - 3 * gy;
                const double texture = fbm2(dx / 25, dy / 18, kSeed + 80);
                c = scale(kRock, light * (0.85 + 0.3 * texture));
                const double snowLine = 255 + 40 * fbm1(dx / 90, kSeed + 81);
                if (dy < snowLine && depth < 120 && texture > 0.32)
                    c = mix(kShadowSnow, kSnow, light - 0.35);
                // Hallam Glacier: an ice tongue down the massif.
                const double axis = 5700 + 35 * std::sin((dy - 150) / 55);
                if (dy > 160 && dy < 368 && std::abs(dx - axis) < 55 + (dy - 160) * 0.55) {
                    c = mix(Colour{200, 225, 238}, kSnow, texture);
                    if (noise2(dx / 6, dy / 40, kSeed + 82) > 0.78) c = Colour{120, 150, 185};
                }
                c = mix(c, kSkyHorizon, 0.2 + 0.35 * std::clamp((dy - 330) / 250, 0.0, 1.0));
            } else if (y < near[std::size_t(x)]) {
                // The middle range: rock at the top, then scrub and grass, in folds.
                const double texture = fbm2(dx / 20, dy / 14, kSeed + 90);
                const double folds = fbm2(dx / 40 + dy / 70, dy / 90, kSeed + 91);
                const double down = (dy - mid[std::size_t(x)] * sy) / 120;
                c = mix(scale(kMidRock, 0.8 + 0.4 * texture), kDarkGrass, down * 1.4 + folds - 0.5);
                c = scale(c, 0.8 + 0.45 * folds);
                c = mix(c, kSkyHorizon, 0.15);
            } else {
                // Valley floor and meadows: fields in strips, brighter in the foreground.
                const double field = noise2(dx / 160, dy / 30, kSeed + 100);
                const double texture = fbm2(dx / 8, dy / 5, kSeed + 101);
                c = mix(kDarkGrass, kGrass, field * 0.8 + 0.2 * texture);
                if (field > 0.78) c = mix(c, Colour{140, 150, 80}, 0.35); // hay fields
                c = scale(c, 0.85 + 0.25 * (dy - 650) / 450);
                if (dy > 1000 && hash(std::int64_t(dx), std::int64_t(dy), kSeed) % 97 == 0)
                    c = Colour{230, 210, 90}; // flowers
            }
            canvas.set(x, y, c);
        }
    }
}

// The features of the hotspots, painted over the landscape in design coordinates.
class Painter {
public:
    explicit Painter(Canvas& canvas)
        : m_canvas(canvas), m_sx(canvas.width() / 8000.0), m_sy(canvas.height() / 1100.0) {}

    // Runs f(designX, designY, x, y) for every canvas pixel of a design rectangle.
    template <typename F> void each(double x0, double y0, double x1, double y1, F f) {
        for (int y = int(y0 * m_sy); y < int(y1 * m_sy); ++y)
            for (int x = int(x0 * m_sx); x < int(x1 * m_sx); ++x)
                f(x / m_sx, y / m_sy, x, y);
    }
    void set(int x, int y, Colour c) { m_canvas.set(x, y, c); }
    Colour get(int x, int y) { return m_canvas.get(x, y); }
    void rect(double x0, double y0, double x1, double y1, Colour c) {
        m_canvas.fillRect(int(x0 * m_sx), int(y0 * m_sy), int(std::ceil(x1 * m_sx)),
                          int(std::ceil(y1 * m_sy)), c);
    }
    void line(double x0, double y0, double x1, double y1, double t, Colour c) {
        m_canvas.line(x0 * m_sx, y0 * m_sy, x1 * m_sx, y1 * m_sy, std::max(1.0, t * m_sx), c);
    }
    void triangle(double ax, double ay, double half, double by, Colour c) {
        m_canvas.triangle(ax * m_sx, ay * m_sy, half * m_sx, by * m_sy, c);
    }

private:
    Canvas& m_canvas;
    double m_sx, m_sy;
};

void paintLake(Painter& p) {
    // Lake Mirrowen: an irregular ellipse that mirrors the mountains above it.
    p.each(1350, 660, 2250, 850, [&](double dx, double dy, int x, int y) {
        const double shore = 1 + 0.08 * fbm1(std::atan2(dy - 757, dx - 1800) * 3, kSeed + 200);
        const double e = std::pow((dx - 1800) / 440, 2) + std::pow((dy - 757) / 86, 2);
        if (e > shore) return;
        const double mirrored = 662 - (dy - 672) * 2.6;
        Colour c = kWater;
        if (mirrored > 120) c = mix(p.get(x, int(mirrored * y / dy)), kWater, 0.55);
        if (noise2(dx / 90, dy / 1.6, kSeed + 201) > 0.72) c = mix(c, Colour{220, 232, 240}, 0.45);
        if (e > shore - 0.06) c = Colour{170, 160, 120}; // the shingle shore
        p.set(x, y, c);
    });
}

void paintRiver(Painter& p, double x0, double x1, double centre, double swing, double width0,
                double width1) {
    p.each(x0, centre - swing - width1, x1, centre + swing + width1,
           [&](double dx, double dy, int x, int y) {
               const double t = (dx - x0) / (x1 - x0);
               const double mid =
                   centre + swing * std::sin(t * 7.0) + 12 * fbm1(dx / 150, kSeed + 210);
               const double half = (width0 + (width1 - width0) * t) / 2;
               const double d = std::abs(dy - mid);
               if (d > half) return;
               Colour c = mix(Colour{70, 120, 165}, Colour{40, 80, 125}, d / half);
               if (noise2(dx / 14, dy / 3, kSeed + 211) > 0.8) c = Colour{225, 235, 245};
               if (d > half - 3) c = Colour{150, 140, 110};
               p.set(x, y, c);
           });
}

void paintWaterfall(Painter& p) {
    // Thornmere Falls: a white fall down the dark cliff, two steps, spray at the foot.
    p.each(3780, 340, 3900, 660, [&](double dx, double dy, int x, int y) {
        Colour rock = scale(Colour{120, 112, 100}, 0.6 + 0.4 * fbm2(dx / 10, dy / 10, kSeed + 220));
        const double axis = 3840 + (dy < 480 ? 0 : 14) + 4 * std::sin(dy / 20);
        const double half = dy < 480 ? 9 : 12;
        const double d = std::abs(dx - axis);
        Colour c = rock;
        if (d < half)
            c = mix(Colour{250, 252, 255}, Colour{190, 215, 235},
                    noise2(dx / 3, dy / 12, kSeed + 221));
        if (dy > 470 && dy < 492 && d < 22) c = Colour{240, 246, 250}; // the ledge
        p.set(x, y, c);
    });
    p.each(3770, 620, 3920, 670, [&](double dx, double dy, int x, int y) {
        const double e = std::pow((dx - 3855) / 70, 2) + std::pow((dy - 648) / 18, 2);
        if (e < 1) p.set(x, y, mix(Colour{245, 248, 252}, kWater, e));
    });
}

void paintVillage(Painter& p) {
    // Aldenbrook: houses with red roofs around a green, and a church with a spire.
    p.each(3200, 690, 3560, 760, [&](double dx, double dy, int x, int y) {
        if (std::abs(dy - 735 - 10 * std::sin(dx / 40)) < 3)
            p.set(x, y, Colour{180, 165, 130}); // road
    });
    for (int i = 0; i < 16; ++i) {
        const double hx = 3215 + (i % 8) * 42 + 12 * unit(i, 2, kSeed);
        const double hy = 660 + (i / 8) * 55 + 14 * unit(i, 3, kSeed);
        const double w = 22 + 8 * unit(i, 4, kSeed);
        const Colour wall = mix(Colour{232, 224, 205}, Colour{205, 190, 160}, unit(i, 5, kSeed));
        const Colour roof = mix(Colour{160, 52, 38}, Colour{120, 60, 45}, unit(i, 6, kSeed));
        p.rect(hx, hy, hx + w, hy + 16, wall);
        p.triangle(hx + w / 2, hy - 12, w / 2 + 3, hy, roof);
        p.rect(hx + w / 2 - 3, hy + 8, hx + w / 2 + 2, hy + 16, Colour{70, 50, 40}); // door
    }
    p.rect(3372, 622, 3388, 700, Colour{236, 232, 222}); // church tower
    p.triangle(3380, 585, 10, 622, Colour{60, 70, 80});  // spire
    p.rect(3388, 662, 3430, 700, Colour{236, 232, 222}); // nave
    p.triangle(3409, 648, 24, 662, Colour{140, 60, 45});
}

void paintForest(Painter& p) {
    // Wrenfield Forest: rows of conifers on the hill, nearer rows over farther ones.
    for (int row = 0; row < 12; ++row)
        for (int i = 0; i < 52; ++i) {
            const double tx = 6560 + i * 13.5 + 6 * unit(i, row, kSeed + 300);
            const double base = std::max(nearRidge(tx) + 18, 560.0) + row * 21;
            if (base > 800 || tx > 7240) continue;
            const double height = 34 + 12 * unit(i, row, kSeed + 301);
            const Colour c = mix(Colour{24, 62, 36}, Colour{46, 92, 50}, unit(i, row, kSeed + 302));
            p.triangle(tx, base - height, 8 + 3 * unit(i, row, kSeed + 303), base, c);
            p.rect(tx - 1, base, tx + 2, base + 5, Colour{70, 50, 35});
        }
}

void paintBridge(Painter& p) {
    // Copperstone Bridge: one stone arch over the river.
    paintRiver(p, 7240, 7620, 805, 4, 30, 34);
    p.each(7310, 735, 7550, 830, [&](double dx, double dy, int x, int y) {
        const double r = std::hypot(dx - 7430, (dy - 822) * 1.1);
        if (dy > 752 && r < 78) return;                   // the arch opening
        if (dy > 822 && (dx > 7340 && dx < 7520)) return; // the river below
        Colour c =
            mix(Colour{150, 138, 118}, Colour{182, 170, 150}, noise2(dx / 9, dy / 5, kSeed + 310));
        if (std::fmod(dy - 735, 9) < 1 || std::fmod(dx + (int((dy - 735) / 9) % 2) * 8, 16) < 1)
            c = scale(c, 0.75);                 // joints between the stones
        if (dy < 740) c = Colour{120, 110, 95}; // parapet
        p.set(x, y, c);
    });
}

void paintTower(Painter& p) {
    // The old fire lookout: a timber tower on the knoll.
    const double ground = midRidge(5260) + 6;
    const Colour timber{72, 52, 38};
    p.line(5240, ground, 5252, 310, 3, timber);
    p.line(5282, ground, 5270, 310, 3, timber);
    for (double y = 330; y < ground - 10; y += 28) {
        p.line(5243, y + 28, 5279, y, 1.5, timber);
        p.line(5243, y, 5279, y + 28, 1.5, timber);
    }
    p.rect(5244, 288, 5278, 312, Colour{120, 84, 56});
    p.rect(5249, 294, 5273, 302, Colour{190, 210, 225}); // windows
    p.triangle(5261, 272, 22, 288, Colour{90, 40, 32});
}

void paintPassTrack(Painter& p) {
    // Ember Pass: the old mule track zig-zags up to the saddle.
    double x = 6200, y = 455;
    for (int i = 0; i < 6; ++i) {
        const double nx = (i % 2) ? 6200 : 6380;
        const double ny = y - 22;
        p.line(x, y, nx, ny, 1.5, Colour{196, 176, 140});
        x = nx, y = ny;
    }
    p.line(x, y, 6290, farRidge(6290) + 3, 1.5, Colour{196, 176, 140});
}

} // namespace

tools::RgbImage renderPanorama(int width, int height) {
    Canvas canvas(width, height);
    paintLandscape(canvas);
    Painter painter(canvas);
    paintLake(painter);
    paintRiver(painter, 380, 1620, 950, 45, 24, 52);
    paintWaterfall(painter);
    paintVillage(painter);
    paintForest(painter);
    paintBridge(painter);
    paintTower(painter);
    paintPassTrack(painter);
    return std::move(canvas.image());
}

namespace {

// ---- The panorama's palette: median cut over a 15-bit histogram ------------------------------

struct Box {
    std::vector<std::uint16_t> bins;
    std::uint64_t count = 0;
    int range = 0;
    int axis = 0;
};

int channel(std::uint16_t bin, int axis) {
    return (bin >> (10 - axis * 5)) & 31;
}

void measure(Box& box, const std::vector<std::uint32_t>& histogram) {
    int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
    box.count = 0;
    for (std::uint16_t bin : box.bins) {
        box.count += histogram[bin];
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], channel(bin, a));
            hi[a] = std::max(hi[a], channel(bin, a));
        }
    }
    box.range = 0;
    for (int a = 0; a < 3; ++a)
        if (hi[a] - lo[a] > box.range) box.range = hi[a] - lo[a], box.axis = a;
}

std::array<std::array<std::uint8_t, 3>, 256> medianCut(const tools::RgbImage& image,
                                                       std::vector<std::uint8_t>& lookup) {
    std::vector<std::uint32_t> histogram(32768, 0);
    std::vector<std::array<double, 3>> sums(32768, {0, 0, 0});
    for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
        const auto* p = image.pixels.data() + i;
        const std::uint16_t bin =
            std::uint16_t(((p[0] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[2] >> 3));
        ++histogram[bin];
        for (int a = 0; a < 3; ++a)
            sums[bin][std::size_t(a)] += p[a];
    }
    std::vector<Box> boxes(1);
    for (std::uint16_t bin = 0; bin < 32768; ++bin)
        if (histogram[bin]) boxes[0].bins.push_back(bin);
    measure(boxes[0], histogram);
    while (boxes.size() < 256) {
        // Split the box with the most pixels times colour range along its longest axis.
        std::size_t best = boxes.size();
        double bestScore = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const double score = double(boxes[i].count) * boxes[i].range;
            if (boxes[i].bins.size() > 1 && score > bestScore) bestScore = score, best = i;
        }
        if (best == boxes.size()) break;
        Box& box = boxes[best];
        const int axis = box.axis;
        std::sort(box.bins.begin(), box.bins.end(), [&](std::uint16_t a, std::uint16_t b) {
            return channel(a, axis) != channel(b, axis) ? channel(a, axis) < channel(b, axis)
                                                        : a < b;
        });
        std::uint64_t half = 0;
        std::size_t cut = 0;
        while (cut + 1 < box.bins.size() && half + histogram[box.bins[cut]] <= box.count / 2)
            half += histogram[box.bins[cut++]];
        cut = std::max<std::size_t>(cut, 1);
        Box upper;
        upper.bins.assign(box.bins.begin() + std::ptrdiff_t(cut), box.bins.end());
        box.bins.resize(cut);
        measure(box, histogram);
        measure(upper, histogram);
        boxes.push_back(std::move(upper));
    }
    std::array<std::array<std::uint8_t, 3>, 256> palette{};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        double s[3] = {0, 0, 0};
        std::uint64_t n = 0;
        for (std::uint16_t bin : boxes[i].bins) {
            for (int a = 0; a < 3; ++a)
                s[a] += sums[bin][std::size_t(a)];
            n += histogram[bin];
        }
        for (int a = 0; a < 3; ++a)
            palette[i][std::size_t(a)] = std::uint8_t(n ? std::lround(s[a] / double(n)) : 0);
    }
    // Unused entries (a picture with fewer than 256 colours) are a grey ramp.
    for (std::size_t i = boxes.size(); i < 256; ++i)
        palette[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    // The nearest entry for every 15-bit colour.
    lookup.assign(32768, 0);
    for (std::uint32_t bin = 0; bin < 32768; ++bin) {
        const int r = int(channel(std::uint16_t(bin), 0) * 8 + 4);
        const int g = int(channel(std::uint16_t(bin), 1) * 8 + 4);
        const int b = int(channel(std::uint16_t(bin), 2) * 8 + 4);
        int bestDistance = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const int dr = palette[std::size_t(i)][0] - r, dg = palette[std::size_t(i)][1] - g,
                      db = palette[std::size_t(i)][2] - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) bestDistance = d, lookup[bin] = std::uint8_t(i);
        }
    }
    return palette;
}

} // namespace

tools::IndexedImage makePanorama(int width, int height) {
    return makePanorama(renderPanorama(width, height));
}

tools::IndexedImage makePanorama(const tools::RgbImage& rgb) {
    const int width = rgb.width, height = rgb.height;
    std::vector<std::uint8_t> lookup;
    tools::IndexedImage out;
    out.width = width;
    out.height = height;
    out.colours = medianCut(rgb, lookup);
    out.pixels.resize(std::size_t(width) * std::size_t(height));
    // A 4 x 4 ordered dither keeps the sky's gradient from banding.
    static constexpr int kBayer[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p =
                rgb.pixels.data() + (std::size_t(y) * std::size_t(width) + x) * 3;
            const int d = kBayer[y & 3][x & 3] / 2 - 4;
            const int r = std::clamp(p[0] + d, 0, 255), g = std::clamp(p[1] + d, 0, 255),
                      b = std::clamp(p[2] + d, 0, 255);
            out.at(x, y) = lookup[std::size_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))];
        }
    return out;
}

namespace {

// ---- Pictures ----------------------------------------------------------------------------------

// The design rectangle a picture shows (the panorama is rendered at its design size).
struct View {
    double x0, y0, width, height;
};

// width design pixels around (cx, cy) at the picture's aspect, moved inside the panorama.
View viewAround(const tools::RgbImage& pano, double cx, double cy, double width, int outW,
                int outH) {
    // No wider than the panorama's height allows at this aspect.
    width = std::min({width, double(pano.width), double(pano.height) * outW / outH});
    const double height = width * outH / outW;
    return {std::clamp(cx - width / 2, 0.0, pano.width - width),
            std::clamp(cy - height / 2, 0.0, pano.height - height), width, height};
}

// A view scaled to a picture, bilinear, each pixel the mean of samples x samples points (a video
// frame that shrinks the panorama several times would otherwise shimmer as it pans).
tools::RgbImage render(const tools::RgbImage& pano, const View& view, int outW, int outH,
                       int samples = 1) {
    // Where each sample column and row falls: the left or upper source pixel and the weight of
    // the next one.
    struct Tap {
        std::size_t index;
        double weight;
    };
    auto taps = [&](double origin, double extent, int out, int last) {
        std::vector<Tap> t;
        for (int o = 0; o < out; ++o)
            for (int k = 0; k < samples; ++k) {
                const double s = origin + (o + (k + 0.5) / samples) * extent / out - 0.5;
                const int i = std::clamp(int(s), 0, last - 1);
                t.push_back({std::size_t(i), std::clamp(s - i, 0.0, 1.0)});
            }
        return t;
    };
    const std::vector<Tap> columns = taps(view.x0, view.width, outW, pano.width - 1);
    const std::vector<Tap> rows = taps(view.y0, view.height, outH, pano.height - 1);
    const std::size_t stride = std::size_t(pano.width) * 3;
    Canvas out(outW, outH);
    for (int y = 0; y < outH; ++y)
        for (int x = 0; x < outW; ++x) {
            double sum[3] = {0, 0, 0};
            for (int j = 0; j < samples; ++j) {
                const Tap& row = rows[std::size_t(y * samples + j)];
                const std::uint8_t* top = pano.pixels.data() + row.index * stride;
                for (int i = 0; i < samples; ++i) {
                    const Tap& col = columns[std::size_t(x * samples + i)];
                    const std::uint8_t* p = top + col.index * 3;
                    for (int a = 0; a < 3; ++a) {
                        const double upper = p[a] + (p[a + 3] - p[a]) * col.weight;
                        const double lower =
                            p[stride + a] + (p[stride + a + 3] - p[stride + a]) * col.weight;
                        sum[a] += upper + (lower - upper) * row.weight;
                    }
                }
            }
            const double n = samples * samples;
            out.set(x, y, {sum[0] / n, sum[1] / n, sum[2] / n});
        }
    return std::move(out.image());
}

// A part of the panorama (design rectangle widened to the picture's aspect) scaled to a picture.
tools::RgbImage crop(const tools::RgbImage& pano, double cx, double cy, double width, int outW,
                     int outH) {
    return render(pano, viewAround(pano, cx, cy, width, outW, outH), outW, outH);
}

// The light of a caption: dusk, winter, mist, sunrise or plain day.
void tint(tools::RgbImage& picture, const std::string& caption) {
    auto has = [&](const char* word) { return caption.find(word) != std::string::npos; };
    for (std::size_t i = 0; i + 2 < picture.pixels.size(); i += 3) {
        Colour c{double(picture.pixels[i]), double(picture.pixels[i + 1]),
                 double(picture.pixels[i + 2])};
        if (has("dusk")) c = {c.r * 0.95 + 30, c.g * 0.62 + 10, c.b * 0.55 + 20};
        if (has("winter")) {
            const double grey = (c.r + c.g + c.b) / 3;
            c = mix(c, Colour{grey + 40, grey + 45, grey + 60}, 0.7);
        }
        if (has("mist") || has("Morning")) c = mix(c, Colour{222, 226, 232}, 0.38);
        if (has("sunrise")) c = {c.r * 0.9 + 40, c.g * 0.8 + 18, c.b * 0.7};
        picture.pixels[i] = std::uint8_t(std::clamp(c.r, 0.0, 255.0));
        picture.pixels[i + 1] = std::uint8_t(std::clamp(c.g, 0.0, 255.0));
        picture.pixels[i + 2] = std::uint8_t(std::clamp(c.b, 0.0, 255.0));
    }
}

// The viewing terrace in the foreground: a railing and a few visitors, drawn to the scale of a
// 360-line picture.
void terrace(tools::RgbImage& picture, bool visitors) {
    Canvas canvas(picture.width, picture.height);
    canvas.image() = picture;
    const int w = picture.width, h = picture.height;
    const double s = h / 360.0;
    canvas.fillRect(0, h * 82 / 100, w, h, Colour{150, 140, 125});
    for (int x = 0; x < w; x += std::max(1, int(9 * s)))
        canvas.fillRect(x, h * 82 / 100, x + std::max(1, int(s)), h, Colour{120, 112, 100});
    canvas.fillRect(0, h * 66 / 100, w, h * 68 / 100, Colour{60, 45, 35});
    for (int x = int(10 * s); x < w; x += std::max(1, int(40 * s)))
        canvas.fillRect(x, h * 66 / 100, x + int(4 * s), h * 82 / 100, Colour{60, 45, 35});
    if (visitors)
        for (int i = 0; i < 5; ++i) {
            const double px = w * (0.15 + 0.17 * i), base = h * 0.9;
            const Colour coat = mix(Colour{180, 40, 40}, Colour{40, 60, 140}, unit(i, 9, kSeed));
            canvas.fillRect(int(px - 9 * s), int(base - 60 * s), int(px + 9 * s), int(base), coat);
            canvas.disc(px, base - 70 * s, 9 * s, Colour{225, 190, 160});
        }
    picture = std::move(canvas.image());
}

// A map in the style of the park's leaflets: parchment, contour lines, water, forest, trails and
// a red mark. (u, v) span the whole range: u west to east 0..1, v north to south 0..1.
struct MapView {
    double u0, v0, u1, v1;
};

struct MapFeature {
    double u, v;
};

MapFeature mapPosition(const Hotspot& h) {
    // The panorama looks north: east-west follows the column, distance follows the height in
    // the picture (higher on the panorama means farther away).
    const double cx = h.x + h.width / 2.0, cy = h.y + h.height / 2.0;
    return {0.05 + 0.9 * cx / kPanoramaWidth, 0.08 + 0.78 * std::clamp((cy - 100) / 900, 0.0, 1.0)};
}

double elevation(double u, double v) {
    double e = 0.25 * fbm2(u * 6, v * 6, kSeed + 400);
    for (const Hotspot& h : kHotspots) {
        const MapFeature f = mapPosition(h);
        double height = 0;
        switch (h.feature) {
        case Feature::Peak:
            height = 1.0;
            break;
        case Feature::Ridge:
            height = 0.8;
            break;
        case Feature::Glacier:
            height = 0.9;
            break;
        case Feature::Pass:
            height = 0.5;
            break;
        case Feature::Tower:
            height = 0.35;
            break;
        case Feature::Valley:
            height = -0.3;
            break;
        case Feature::Lake:
            height = -0.4;
            break;
        default:
            height = 0;
            break;
        }
        const double spread = h.feature == Feature::Ridge ? 0.09 : 0.06;
        e +=
            height * std::exp(-((u - f.u) * (u - f.u) + (v - f.v) * (v - f.v)) / (spread * spread));
    }
    return e + 0.6 * (1 - v);
}

tools::RgbImage drawMap(int width, int height, MapView view, int highlight, bool viewpoint) {
    Canvas c(width, height);
    auto toPixel = [&](double u, double v) {
        return std::pair<double, double>{(u - view.u0) / (view.u1 - view.u0) * width,
                                         (v - view.v0) / (view.v1 - view.v0) * height};
    };
    const MapFeature lake = mapPosition(kHotspots[1]);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = view.u0 + (x + 0.5) / width * (view.u1 - view.u0);
            const double v = view.v0 + (y + 0.5) / height * (view.v1 - view.v0);
            const double e = elevation(u, v);
            Colour col = mix(Colour{226, 232, 196}, Colour{236, 222, 188}, std::clamp(e, 0.0, 1.0));
            if (e > 1.05) col = Colour{246, 246, 250};
            const double band = e * 12 - std::floor(e * 12);
            if (band < 0.07) col = scale(col, 0.78);
            if (std::pow((u - lake.u) / 0.07, 2) + std::pow((v - lake.v) / 0.03, 2) < 1)
                col = Colour{150, 190, 225};
            const double river = 0.93 + 0.03 * std::sin(u * 25);
            if (std::abs(v - river) < 0.006) col = Colour{110, 160, 210};
            if (std::abs(u - 0.83) < 0.07 && std::abs(v - 0.55) < 0.08 &&
                noise2(u * 300, v * 300, kSeed + 401) > 0.45)
                col = Colour{120, 170, 110}; // forest
            c.set(x, y, col);
        }
    // Trails from the viewpoint to every feature, dashed red.
    const auto vp = toPixel(0.5, 1.0);
    for (const Hotspot& h : kHotspots) {
        const MapFeature f = mapPosition(h);
        const auto p = toPixel(f.u, f.v);
        c.line(vp.first, vp.second, p.first, p.second, 1.6, Colour{190, 60, 50}, 6);
    }
    for (std::size_t i = 0; i < std::size(kHotspots); ++i) {
        const MapFeature f = mapPosition(kHotspots[i]);
        const auto p = toPixel(f.u, f.v);
        const bool mark = int(i) == highlight;
        c.disc(p.first, p.second, mark ? 9 : 4, mark ? Colour{210, 30, 30} : Colour{90, 70, 60});
        if (mark) c.disc(p.first, p.second, 4, Colour{255, 255, 255});
    }
    if (viewpoint) {
        // The viewpoint: a red star, and its field of view.
        const double fx = vp.first, fy = std::min(vp.second, height - 14.0);
        c.line(fx, fy, fx - width * 0.45, fy - height * 0.8, 1.2, Colour{200, 40, 40});
        c.line(fx, fy, fx + width * 0.45, fy - height * 0.8, 1.2, Colour{200, 40, 40});
        for (int i = 0; i < 5; ++i) {
            const double a = -M_PI / 2 + i * 2 * M_PI / 5;
            c.line(fx, fy, fx + 12 * std::cos(a), fy + 12 * std::sin(a), 3, Colour{210, 20, 20});
        }
        c.disc(fx, fy, 5, Colour{210, 20, 20});
    }
    // North arrow and scale bar.
    c.triangle(width - 30, 14, 9, 40, Colour{40, 40, 40});
    c.line(width - 36, 58, width - 36, 46, 2, Colour{40, 40, 40});
    c.line(width - 36, 46, width - 24, 58, 2, Colour{40, 40, 40});
    c.line(width - 24, 58, width - 24, 46, 2, Colour{40, 40, 40});
    for (int i = 0; i < 4; ++i)
        c.fillRect(20 + i * 30, height - 22, 50 + i * 30, height - 14,
                   i % 2 ? Colour{250, 250, 250} : Colour{40, 40, 40});
    // A frame.
    c.fillRect(0, 0, width, 3, Colour{90, 70, 50});
    c.fillRect(0, height - 3, width, height, Colour{90, 70, 50});
    c.fillRect(0, 0, 3, height, Colour{90, 70, 50});
    c.fillRect(width - 3, 0, width, height, Colour{90, 70, 50});
    return std::move(c.image());
}

// ---- Videos ------------------------------------------------------------------------------------

// Each video is a slow camera move over the panorama, from one view to another, with something
// that moves in the scene itself.
enum class Motion {
    DayAtTheOverlook, // a pan along the range from the terrace while the sunrise light fades
    SummitFlight,     // along the ridge of Greyhollow Peak, a bird gliding across
    FallsInFlood,     // down Thornmere Falls, the water falling and the spray billowing
    Meltwater,        // down Hallam Glacier to the stream that runs from under its snout
};

struct Shot {
    const char* name;
    Motion motion;
    double cx0, cy0, width0; // the first frame's view: centre and width, design pixels
    double cx1, cy1, width1; // the last frame's
};

constexpr Shot kShots[] = {
    {"DEMO01V1.AVI", Motion::DayAtTheOverlook, 4300, 560, 1300, 5100, 560, 1300},
    {"DEMO01A3.AVI", Motion::SummitFlight, 480, 300, 560, 1180, 250, 480},
    {"DEMO01E1.AVI", Motion::FallsInFlood, 3845, 470, 460, 3852, 540, 380},
    {"DEMO01H2.AVI", Motion::Meltwater, 5690, 230, 380, 5700, 400, 300},
};

constexpr int kVideoQuality = 70;

// Clouds that drift east over the sky (only above the far range's crest).
void driftingClouds(Canvas& frame, const View& view, double seconds, double speed) {
    for (int x = 0; x < frame.width(); ++x) {
        const double dx = view.x0 + (x + 0.5) * view.width / frame.width();
        const double crest = farRidge(dx) - 10;
        for (int y = 0; y < frame.height(); ++y) {
            const double dy = view.y0 + (y + 0.5) * view.height / frame.height();
            if (dy >= crest || dy >= 330) break;
            const double n = fbm2((dx - speed * seconds) / 260, dy / 55, kSeed + 700, 3);
            if (n > 0.58) frame.blend(x, y, Colour{252, 252, 254}, std::min(0.8, (n - 0.58) * 4));
        }
    }
}

// Runs f(designX, designY, x, y) for every frame pixel inside a design rectangle.
template <typename F>
void eachInView(Canvas& frame, const View& view, double x0, double y0, double x1, double y1, F f) {
    const double sx = frame.width() / view.width, sy = frame.height() / view.height;
    const int px0 = std::max(0, int((x0 - view.x0) * sx)),
              px1 = std::min(frame.width(), int(std::ceil((x1 - view.x0) * sx)));
    const int py0 = std::max(0, int((y0 - view.y0) * sy)),
              py1 = std::min(frame.height(), int(std::ceil((y1 - view.y0) * sy)));
    for (int y = py0; y < py1; ++y)
        for (int x = px0; x < px1; ++x)
            f(view.x0 + (x + 0.5) / sx, view.y0 + (y + 0.5) / sy, x, y);
}

void fallsInFlood(Canvas& frame, const View& view, double seconds) {
    // The falls of the panorama, wider, with their streaks moving down.
    eachInView(frame, view, 3790, 340, 3895, 650, [&](double dx, double dy, int x, int y) {
        const double axis = 3840 + (dy < 480 ? 0 : 14) + 4 * std::sin(dy / 20);
        // On the ledge between the two steps the flood spreads into a churning pool; the ledge's
        // corners outside it are bare rock.
        const double pool = 1 - std::pow((dy - 481) / 16, 2);
        const double half =
            std::max((dy < 480 ? 9 : 12) + 5.0, 26 * std::sqrt(std::max(0.0, pool)));
        const double d = std::abs(dx - axis);
        if (d >= half) {
            if (dy > 470 && dy < 492 && d < 23)
                frame.set(
                    x, y,
                    scale(Colour{120, 112, 100}, 0.6 + 0.4 * fbm2(dx / 10, dy / 10, kSeed + 220)));
            return;
        }
        const Colour water = mix(Colour{252, 253, 255}, Colour{180, 205, 230},
                                 noise2(dx / 3, (dy - 160 * seconds) / 12, kSeed + 221));
        frame.blend(x, y, water, std::min(1.0, (half - d) / 2.5));
    });
    // Spray at the foot, swelling and rolling.
    const double rx = 80 + 8 * std::sin(seconds * 4.1), ry = 22 + 3 * std::sin(seconds * 3.3);
    eachInView(frame, view, 3855 - rx, 648 - ry, 3855 + rx, 648 + ry,
               [&](double dx, double dy, int x, int y) {
                   const double e = std::pow((dx - 3855) / rx, 2) + std::pow((dy - 648) / ry, 2);
                   if (e >= 1) return;
                   const double n = noise2(dx / 9 + seconds * 2.5, dy / 5, kSeed + 710);
                   frame.blend(x, y, Colour{246, 249, 252}, (1 - e) * (0.45 + 0.5 * n));
               });
}

void meltwater(Canvas& frame, const View& view, double seconds) {
    // An ice cave under the snout of the glacier tongue, and the stream running from it.
    constexpr double kSnoutX = 5674, kSnoutY = 368;
    eachInView(frame, view, kSnoutX - 26, kSnoutY - 22, kSnoutX + 26, kSnoutY + 2,
               [&](double dx, double dy, int x, int y) {
                   if (std::pow((dx - kSnoutX) / 26, 2) + std::pow((dy - kSnoutY) / 22, 2) < 1)
                       frame.set(
                           x, y,
                           mix(Colour{30, 60, 95}, Colour{70, 120, 160}, (dy - kSnoutY + 22) / 30));
               });
    eachInView(frame, view, kSnoutX - 60, kSnoutY, kSnoutX + 60, 540,
               [&](double dx, double dy, int x, int y) {
                   const double axis = kSnoutX + 24 * std::sin((dy - kSnoutY) / 32);
                   const double half = 4 + (dy - kSnoutY) * 0.04;
                   const double d = std::abs(dx - axis);
                   if (d >= half) return;
                   const Colour water = mix(Colour{80, 130, 180}, Colour{225, 238, 246},
                                            noise2(dx / 4, (dy - 70 * seconds) / 5, kSeed + 720));
                   frame.blend(x, y, water, std::min(1.0, (half - d) / 1.5));
               });
}

// A bird gliding east along the ridge, its wings beating slowly.
void glidingBird(Canvas& frame, const View& view, double seconds) {
    const double bx = 620 + 120 * seconds, by = 215 + 12 * std::sin(seconds * 1.7);
    const double x = (bx - view.x0) * frame.width() / view.width;
    const double y = (by - view.y0) * frame.height() / view.height;
    const double lift = 3 * std::sin(seconds * 6);
    const Colour dark{40, 36, 34};
    frame.line(x - 7, y - lift, x, y, 1.6, dark);
    frame.line(x, y, x + 7, y - lift, 1.6, dark);
}

// The light of the early morning on a frame: t 0 at sunrise, 1 at full day.
void morningLight(tools::RgbImage& frame, double t) {
    for (std::size_t i = 0; i + 2 < frame.pixels.size(); i += 3) {
        const Colour c{double(frame.pixels[i]), double(frame.pixels[i + 1]),
                       double(frame.pixels[i + 2])};
        const Colour lit = mix(Colour{c.r * 0.9 + 40, c.g * 0.8 + 18, c.b * 0.7}, c, t);
        frame.pixels[i] = std::uint8_t(std::clamp(lit.r, 0.0, 255.0));
        frame.pixels[i + 1] = std::uint8_t(std::clamp(lit.g, 0.0, 255.0));
        frame.pixels[i + 2] = std::uint8_t(std::clamp(lit.b, 0.0, 255.0));
    }
}

// The roar of the falls: white noise through two low-pass filters, swelling slowly, faded in
// and out; 16-bit little-endian mono.
std::vector<std::uint8_t> rushingWater(int sampleRate, int samples) {
    std::vector<std::uint8_t> out(std::size_t(samples) * 2);
    std::uint32_t state = kSeed;
    double low = 0, lower = 0;
    const double fade = 0.25 * sampleRate;
    for (int i = 0; i < samples; ++i) {
        state ^= state << 13; // xorshift32
        state ^= state >> 17;
        state ^= state << 5;
        const double white = state / 4294967295.0 * 2 - 1;
        low += 0.35 * (white - low);
        lower += 0.05 * (white - lower);
        const double swell = 0.8 + 0.2 * std::sin(2 * M_PI * 0.7 * i / sampleRate);
        const double edge = std::min({1.0, i / fade, (samples - i) / fade});
        const auto v = std::int16_t(std::lround(
            std::clamp((0.6 * low + 1.6 * lower) * swell * edge * 9000, -32767.0, 32767.0)));
        out[std::size_t(i) * 2] = std::uint8_t(std::uint16_t(v) & 0xFF);
        out[std::size_t(i) * 2 + 1] = std::uint8_t(std::uint16_t(v) >> 8);
    }
    return out;
}

tools::AviVideo makeVideo(const tools::RgbImage& pano, const Shot& shot) {
    tools::AviVideo video;
    video.width = kVideoWidth;
    video.height = kVideoHeight;
    video.framesPerSecond = kVideoFramesPerSecond;
    for (int i = 0; i < kVideoFrames; ++i) {
        const double t = smooth(double(i) / (kVideoFrames - 1));
        const double seconds = double(i) / kVideoFramesPerSecond;
        const View view = viewAround(
            pano, shot.cx0 + (shot.cx1 - shot.cx0) * t, shot.cy0 + (shot.cy1 - shot.cy0) * t,
            shot.width0 + (shot.width1 - shot.width0) * t, kVideoWidth, kVideoHeight);
        const int samples = std::clamp(int(std::ceil(view.width / kVideoWidth)), 1, 2);
        Canvas frame(kVideoWidth, kVideoHeight);
        frame.image() = render(pano, view, kVideoWidth, kVideoHeight, samples);
        switch (shot.motion) {
        case Motion::DayAtTheOverlook:
            driftingClouds(frame, view, seconds, 60);
            morningLight(frame.image(), t);
            terrace(frame.image(), false);
            break;
        case Motion::SummitFlight:
            driftingClouds(frame, view, seconds, 90);
            glidingBird(frame, view, seconds);
            break;
        case Motion::FallsInFlood:
            fallsInFlood(frame, view, seconds);
            break;
        case Motion::Meltwater:
            meltwater(frame, view, seconds);
            break;
        }
        video.jpegFrames.push_back(tools::encodeJpeg(frame.image(), {kVideoQuality, false}));
    }
    if (std::string(shot.name) == kVideoWithSound) {
        video.audioSampleRate = kVideoSampleRate;
        video.audioPcm =
            rushingWater(kVideoSampleRate, kVideoSampleRate * kVideoFrames / kVideoFramesPerSecond);
    }
    return video;
}

bool writeVideoFile(const std::string& dir, const std::string& name, const tools::RgbImage& pano) {
    for (const Shot& shot : kShots)
        if (name == shot.name) {
            if (tools::writeAvi(dir + "/" + name, makeVideo(pano, shot))) return true;
            std::fprintf(stderr, "make_demo: could not write %s/%s\n", dir.c_str(), name.c_str());
            return false;
        }
    std::fprintf(stderr, "make_demo: no camera move for the video %s\n", name.c_str());
    return false;
}

bool writeJpegFile(const std::string& dir, const std::string& name, const tools::RgbImage& image) {
    if (tools::writeJpeg(dir + "/" + name, image, {85, false})) return true;
    std::fprintf(stderr, "make_demo: could not write %s/%s\n", dir.c_str(), name.c_str());
    return false;
}

} // namespace

bool writeDemoImages(const std::string& dir) {
    const tools::RgbImage rgb = renderPanorama(kPanoramaWidth, kPanoramaHeight);
    // The panorama: reduced to its palette and written gzip-compressed.
    {
        const tools::IndexedImage pano = makePanorama(rgb);
        const std::string path = dir + "/" + kPanCode + ".GZ";
        if (!tools::writeFile(path, tools::makeBmp(pano), true)) {
            std::fprintf(stderr, "make_demo: could not write %s\n", path.c_str());
            return false;
        }
    }
    bool ok = writeJpegFile(dir, kLocatorMap, drawMap(640, 480, {0, 0, 1, 1.05}, -1, true));
    for (const Media& m : kMedia) {
        const std::string name = m.mediaName;
        if (m.mediaType == 5) {
            ok = writeVideoFile(dir, name, rgb) && ok;
            continue;
        }
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".JPG") != 0) continue;
        if (m.mediaType != 0 && m.mediaType != 1 && m.mediaType != 2) continue;
        tools::RgbImage picture;
        if (m.mediaType == 1) {
            // Maps: the whole range for the viewpoint's own map, else a closer look.
            if (m.hotspot < 0) {
                picture = drawMap(480, 360, {0, 0, 1, 1.05}, -1, true);
            } else {
                const MapFeature f = mapPosition(kHotspots[m.hotspot]);
                picture = drawMap(480, 360, {f.u - 0.18, f.v - 0.14, f.u + 0.18, f.v + 0.14},
                                  m.hotspot, false);
            }
        } else if (m.hotspot < 0) {
            // The viewpoint: the view from the terrace.
            const bool large = name == kLargePhoto;
            picture = crop(rgb, 4700, 560, 1460, large ? kLargePhotoWidth : 480,
                           large ? kLargePhotoHeight : 360);
            tint(picture, m.caption);
            terrace(picture, m.mediaType == 2);
        } else {
            const Hotspot& h = kHotspots[m.hotspot];
            const double widen = 1.25 + 0.35 * unit(m.hotspot, std::atoi(m.sequence), kSeed);
            picture = crop(rgb, h.x + h.width / 2.0, h.y + h.height / 2.0,
                           std::max(h.width, h.height * 4 / 3) * widen, 480, 360);
            tint(picture, m.caption);
        }
        ok = writeJpegFile(dir, name, picture) && ok;
    }
    return ok;
}

} // namespace demo
