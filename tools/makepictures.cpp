// Draws the demo's pictures into a directory: the group logo, the title, a dust speck, three
// ornament layers for the panels, and the black capture template.
//
//   makepictures <datadir>
//
// Everything is drawn from geometry in this file: strokes are rendered from their exact
// distance to each pixel (anti-aliased, with bevel and glow), so the output is the same on
// every build. The panels add these pictures at one tenth of their brightness over dark
// backgrounds, which is why the ornaments are bright, fine lines on black.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;

struct Vec2 {
    double x, y;
};
Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
Vec2 operator*(Vec2 a, double s) { return {a.x * s, a.y * s}; }
double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
double length(Vec2 a) { return std::sqrt(dot(a, a)); }
Vec2 rotate(Vec2 a, double degrees) {
    const double r = degrees * PI / 180.0, c = std::cos(r), s = std::sin(r);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}
Vec2 polar(double radius, double degrees) {
    return {radius * std::cos(degrees * PI / 180.0), radius * std::sin(degrees * PI / 180.0)};
}

struct Colour {
    double r, g, b;
};
Colour operator*(Colour c, double s) { return {c.r * s, c.g * s, c.b * s}; }
Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour mix(Colour a, Colour b, double t) { return a * (1 - t) + b * t; }

// A polyline; closed ones repeat their first point at the end.
using Path = std::vector<Vec2>;

// ---------------------------------------------------------------------------------------------
// Geometry

Path arc(Vec2 centre, double radius, double fromDeg, double toDeg) {
    // About one point every 1.5 pixels of arc, and at least 96 per turn for the small arcs of
    // the glyphs, which are scaled up afterwards.
    const double turn = std::abs(toDeg - fromDeg);
    const int steps = std::max(static_cast<int>(turn / 360.0 * 96) + 2, static_cast<int>(turn * PI / 180.0 * radius / 1.5));
    Path p;
    for (int i = 0; i <= steps; ++i) p.push_back(centre + polar(radius, fromDeg + (toDeg - fromDeg) * i / steps));
    return p;
}

Path circle(Vec2 centre, double radius) { return arc(centre, radius, 0, 360); }

Path cubic(Vec2 a, Vec2 b, Vec2 c, Vec2 d, int steps = 48) {
    Path p;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps, u = 1 - t;
        p.push_back(a * (u * u * u) + b * (3 * u * u * t) + c * (3 * u * t * t) + d * (t * t * t));
    }
    return p;
}

Path line(Vec2 a, Vec2 b) { return {a, b}; }

// The same polyline with no segment longer than `step`, so that values kept per point (the
// interlace depth) can change along long straight edges.
Path resampled(const Path& p, double step) {
    Path out;
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        const int pieces = std::max(1, static_cast<int>(std::ceil(length(p[i + 1] - p[i]) / step)));
        for (int k = 0; k < pieces; ++k) out.push_back(p[i] + (p[i + 1] - p[i]) * (static_cast<double>(k) / pieces));
    }
    if (!p.empty()) out.push_back(p.back());
    return out;
}

// Appends q to p, dropping q's first point when it continues p.
void extend(Path& p, const Path& q) {
    const bool joined = !p.empty() && length(p.back() - q.front()) < 1e-9;
    p.insert(p.end(), q.begin() + (joined ? 1 : 0), q.end());
}

// Mirrors a path about the vertical axis x = 0.
Path mirrored(const Path& p) {
    Path out;
    for (Vec2 v : p) out.push_back({-v.x, v.y});
    return out;
}

Path transformed(const Path& p, Vec2 offset, double scale, double degrees = 0) {
    Path out;
    for (Vec2 v : p) out.push_back(rotate(v * scale, degrees) + offset);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Pictures in floating point, written as 24-bit BMP

struct Picture {
    int width, height;
    std::vector<Colour> pixels;  // rows top first
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, Colour{0, 0, 0}) {}
    Colour& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

bool writeBmp(const Picture& picture, const std::string& fileName) {
    const int rowBytes = (picture.width * 3 + 3) / 4 * 4;
    const uint32_t dataSize = static_cast<uint32_t>(rowBytes) * picture.height;
    std::vector<uint8_t> file(54, 0);
    auto put32 = [&file](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, 54 + dataSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(picture.width));
    put32(22, static_cast<uint32_t>(picture.height));
    file[26] = 1;   // planes
    file[28] = 24;  // bits per pixel
    put32(34, dataSize);
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    for (int y = picture.height - 1; y >= 0; --y) {  // bottom row first
        size_t rowStart = file.size();
        for (int x = 0; x < picture.width; ++x) {
            const Colour& c = picture.pixels[static_cast<size_t>(y) * picture.width + x];
            file.push_back(toByte(c.b));
            file.push_back(toByte(c.g));
            file.push_back(toByte(c.r));
        }
        file.resize(rowStart + rowBytes, 0);
    }
    std::ofstream out(fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// The capture template: an uncompressed 24-bit true-colour TGA, all black.
bool writeBlackTga(const std::string& fileName, int width, int height) {
    std::vector<uint8_t> file(18, 0);
    file[2] = 2;
    file[12] = static_cast<uint8_t>(width & 0xFF);
    file[13] = static_cast<uint8_t>(width >> 8);
    file[14] = static_cast<uint8_t>(height & 0xFF);
    file[15] = static_cast<uint8_t>(height >> 8);
    file[16] = 24;
    file.resize(file.size() + static_cast<size_t>(width) * height * 3, 0);
    std::ofstream out(fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// Adds a soft copy of the picture to itself (three box blurs approximate a Gaussian).
void addGlow(Picture& picture, int radius, double strength) {
    std::vector<Colour> blurred = picture.pixels;
    const int w = picture.width, h = picture.height;
    std::vector<Colour> tmp(blurred.size());
    for (int pass = 0; pass < 3; ++pass) {
        for (int axis = 0; axis < 2; ++axis) {
            const int n = axis == 0 ? w : h, lines = axis == 0 ? h : w;
            for (int l = 0; l < lines; ++l) {
                auto index = [&](int i) { return axis == 0 ? static_cast<size_t>(l) * w + i : static_cast<size_t>(i) * w + l; };
                Colour sum{0, 0, 0};
                for (int i = -radius; i <= radius; ++i) sum = sum + blurred[index(std::clamp(i, 0, n - 1))];
                for (int i = 0; i < n; ++i) {
                    tmp[index(i)] = sum * (1.0 / (2 * radius + 1));
                    sum = sum + blurred[index(std::min(i + radius + 1, n - 1))] + blurred[index(std::max(i - radius, 0))] * -1.0;
                }
            }
            blurred.swap(tmp);
        }
    }
    for (size_t i = 0; i < blurred.size(); ++i) picture.pixels[i] = picture.pixels[i] + blurred[i] * strength;
}

// ---------------------------------------------------------------------------------------------
// Stroke fields: for every pixel, the nearest stroke centreline within reach

struct Nearest {
    double distance = 1e9;  // to the centreline, in pixels
    Vec2 away{0, 0};        // unit vector from the centreline towards the pixel
    double depth = -1e9;    // interlace height of the winning strand at that point
    double halfWidth = 0;   // of the winning stroke
    int strand = -1;
};

struct Field {
    int width, height;
    std::vector<Nearest> cells;
    Field(int w, int h) : width(w), height(h), cells(static_cast<size_t>(w) * h) {}
};

// Rasterises a polyline of the given half width into the field. Depths (one per point) decide
// which strand passes over at crossings; without them strokes simply merge.
void drawStroke(Field& field, const Path& path, double halfWidth, double reach, int strand,
                const std::vector<double>* depths = nullptr) {
    for (size_t s = 0; s + 1 < path.size(); ++s) {
        const Vec2 a = path[s], b = path[s + 1], ab = b - a;
        const double len2 = std::max(dot(ab, ab), 1e-12);
        const double margin = halfWidth + reach + 1;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x) - margin)));
        const int x1 = std::min(field.width - 1, static_cast<int>(std::ceil(std::max(a.x, b.x) + margin)));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.y, b.y) - margin)));
        const int y1 = std::min(field.height - 1, static_cast<int>(std::ceil(std::max(a.y, b.y) + margin)));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const Vec2 p{x + 0.5, y + 0.5};
                const double t = std::clamp(dot(p - a, ab) / len2, 0.0, 1.0);
                const Vec2 q = a + ab * t;
                const double d = length(p - q);
                if (d > halfWidth + reach) continue;
                const double z = depths ? (*depths)[s] * (1 - t) + (*depths)[s + 1] * t : 0.0;
                Nearest& n = field.cells[static_cast<size_t>(y) * field.width + x];
                // Clearly higher strands win; otherwise the nearer centreline does (neighbouring
                // points of one strand differ a little in height and must not cut each other).
                const bool higher = z > n.depth + 0.5;
                const bool level = std::abs(z - n.depth) <= 0.5;
                if (higher || (level && d - halfWidth < n.distance - n.halfWidth)) {
                    n.distance = d;
                    n.away = d > 1e-9 ? (p - q) * (1 / d) : Vec2{0, 0};
                    n.depth = z;
                    n.halfWidth = halfWidth;
                    n.strand = strand;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Interlace: strands alternate over and under at their crossings, like a woven ribbon

struct Crossing {
    size_t strandA, segA, strandB, segB;
    double tA, tB;
    int aOver = 0;  // +1: strand A passes over, -1: under, 0: not decided yet
};

bool intersect(Vec2 p, Vec2 p2, Vec2 q, Vec2 q2, double& t, double& u) {
    const Vec2 r = p2 - p, s = q2 - q;
    const double denom = r.x * s.y - r.y * s.x;
    if (std::abs(denom) < 1e-12) return false;
    const Vec2 qp = q - p;
    t = (qp.x * s.y - qp.y * s.x) / denom;
    u = (qp.x * r.y - qp.y * r.x) / denom;
    return t >= 0 && t < 1 && u >= 0 && u < 1;
}

// Cumulative length along a path at each point.
std::vector<double> arcLengths(const Path& p) {
    std::vector<double> s(p.size(), 0.0);
    for (size_t i = 1; i < p.size(); ++i) s[i] = s[i - 1] + length(p[i] - p[i - 1]);
    return s;
}

// Depth profiles for every strand: a smooth bump up (over) or down (under) at each crossing.
std::vector<std::vector<double>> weave(const std::vector<Path>& strands, double bumpLength) {
    std::vector<Crossing> crossings;
    for (size_t a = 0; a < strands.size(); ++a) {
        for (size_t b = a; b < strands.size(); ++b) {
            const Path& pa = strands[a];
            const Path& pb = strands[b];
            for (size_t i = 0; i + 1 < pa.size(); ++i) {
                for (size_t j = (a == b ? i + 2 : 0); j + 1 < pb.size(); ++j) {
                    if (a == b && i == 0 && j + 2 == pb.size()) continue;  // closing joint
                    double t, u;
                    if (intersect(pa[i], pa[i + 1], pb[j], pb[j + 1], t, u))
                        crossings.push_back({a, i, b, j, t, u});
                }
            }
        }
    }
    // Along each strand in order: over, under, over ... taking over the parity of crossings
    // that an earlier strand already decided.
    struct Event {
        double s;
        size_t crossing;
        bool isA;
    };
    std::vector<std::vector<Event>> events(strands.size());
    std::vector<std::vector<double>> lengths;
    for (const Path& p : strands) lengths.push_back(arcLengths(p));
    for (size_t c = 0; c < crossings.size(); ++c) {
        const Crossing& x = crossings[c];
        const auto& la = lengths[x.strandA];
        const auto& lb = lengths[x.strandB];
        events[x.strandA].push_back({la[x.segA] + (la[x.segA + 1] - la[x.segA]) * x.tA, c, true});
        events[x.strandB].push_back({lb[x.segB] + (lb[x.segB + 1] - lb[x.segB]) * x.tB, c, false});
    }
    for (auto& list : events) {
        std::sort(list.begin(), list.end(), [](const Event& l, const Event& r) { return l.s < r.s; });
        int over = 1;
        for (const Event& e : list) {
            Crossing& x = crossings[e.crossing];
            if (x.aOver != 0) over = e.isA ? x.aOver : -x.aOver;
            else x.aOver = e.isA ? over : -over;
            over = -over;
        }
    }
    std::vector<std::vector<double>> depths;
    for (size_t k = 0; k < strands.size(); ++k) {
        std::vector<double> z(strands[k].size(), 0.0);
        for (const Event& e : events[k]) {
            const Crossing& x = crossings[e.crossing];
            const double sign = e.isA ? x.aOver : -x.aOver;
            for (size_t i = 0; i < z.size(); ++i) {
                const double d = std::abs(lengths[k][i] - e.s);
                if (d < bumpLength) z[i] += sign * (1 - d / bumpLength);
            }
        }
        depths.push_back(z);
    }
    return depths;
}

// Ornament strokes: woven ribbons (double-edged with a fine centre thread) and plain lines.
struct Ornament {
    std::vector<Path> ribbons;
    std::vector<Path> lines;      // fine lines and beads, drawn under the ribbons
    double ribbonHalfWidth = 4.0;
    double lineHalfWidth = 0.8;
};

// Renders an ornament in the given colour: bright ribbon edges, a gap of black around every
// ribbon where it passes over another, fine lines, and a faint glow.
Picture renderOrnament(const Ornament& o, int size, Colour colour, Colour glow) {
    Picture picture(size, size);
    const double gap = 1.6;

    Field lines(size, size);
    for (size_t i = 0; i < o.lines.size(); ++i) drawStroke(lines, o.lines[i], o.lineHalfWidth, 1.5, static_cast<int>(i));

    Field ribbons(size, size);
    std::vector<Path> strands;
    for (const Path& p : o.ribbons) strands.push_back(resampled(p, 2.0));
    const auto depths = weave(strands, o.ribbonHalfWidth * 6);
    for (size_t i = 0; i < strands.size(); ++i)
        drawStroke(ribbons, strands[i], o.ribbonHalfWidth, gap + 1.5, static_cast<int>(i), &depths[i]);

    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const Nearest& l = lines.cells[i];
        const Nearest& r = ribbons.cells[i];
        double v = 0;
        if (l.strand >= 0) v = std::clamp(l.halfWidth - l.distance + 0.5, 0.0, 1.0) * 0.85;
        if (r.strand >= 0) {
            const double w = r.halfWidth;
            if (r.distance < w + gap) v = 0;  // the ribbon and its shadow cover what lies below
            // Two edge threads and a dimmer centre thread, each about a pixel wide.
            const double edge = std::exp(-std::pow((r.distance - (w - 0.9)) / 0.75, 2));
            const double centre = std::exp(-std::pow(r.distance / 0.6, 2)) * 0.55;
            const double fill = r.distance < w ? 0.10 : 0.0;
            v = std::max(v, std::min(1.0, edge + centre + fill));
        }
        picture.pixels[i] = colour * v;
    }
    addGlow(picture, 3, 0.35);
    for (Colour& c : picture.pixels) c = c + glow * (0.25 * (c.r + c.g + c.b) / 3);
    return picture;
}

// ---------------------------------------------------------------------------------------------
// Ornament designs (coordinates in pixels, centre of the picture at the origin until placed)

Path placed(const Path& p, double size) { return transformed(p, {size / 2, size / 2}, 1.0); }

// A vesica (almond) between two points on the x axis, bulging by `bulge`.
Path petal(double from, double to, double bulge) {
    const Vec2 a{from, 0}, b{to, 0};
    Path p = cubic(a, {from + (to - from) * 0.25, bulge}, {from + (to - from) * 0.75, bulge}, b);
    extend(p, cubic(b, {from + (to - from) * 0.75, -bulge}, {from + (to - from) * 0.25, -bulge}, a));
    return p;
}

// A polygon star {n/k} of the given radius, as one closed path per component.
std::vector<Path> starPolygon(int n, int k, double radius, double phaseDeg) {
    std::vector<Path> out;
    const int components = std::gcd(n, k);
    for (int c = 0; c < components; ++c) {
        Path p;
        for (int i = 0; i <= n / components; ++i)
            p.push_back(polar(radius, phaseDeg + 360.0 * (c + i * k) / n));
        out.push_back(p);
    }
    return out;
}

// Beads: small circles along a circle.
void beads(std::vector<Path>& out, double ringRadius, int count, double beadRadius, double phaseDeg) {
    for (int i = 0; i < count; ++i) out.push_back(circle(polar(ringRadius, phaseDeg + 360.0 * i / count), beadRadius));
}

// 4s: a Byzantine rosette of fourfold (eightfold) symmetry: an interlaced eight-point star of two
// squares inside a woven chain of loops, petals, beads and corner fans.
Ornament fourfoldRosette(double size) {
    Ornament o;
    o.ribbonHalfWidth = 3.4;
    const double R = size / 2;
    auto add = [&](std::vector<Path>& list, const Path& p) { list.push_back(placed(p, size)); };

    for (const Path& p : starPolygon(8, 3, R * 0.60, 22.5)) add(o.ribbons, p);
    add(o.ribbons, circle({0, 0}, R * 0.30));
    add(o.ribbons, circle({0, 0}, R * 0.74));
    for (int i = 0; i < 8; ++i) add(o.ribbons, circle(polar(R * 0.74, 45.0 * i), R * 0.115));
    add(o.ribbons, circle({0, 0}, R * 0.92));

    for (int i = 0; i < 8; ++i) {
        const double a = 45.0 * i;
        add(o.lines, transformed(petal(R * 0.06, R * 0.26, R * 0.07), {0, 0}, 1.0, a));
        add(o.lines, transformed(petal(R * 0.10, R * 0.21, R * 0.025), {0, 0}, 1.0, a));
        add(o.lines, transformed(petal(R * 0.36, R * 0.54, R * 0.045), {0, 0}, 1.0, a + 22.5));
        add(o.lines, line(polar(R * 0.31, a + 22.5), polar(R * 0.35, a + 22.5)));
        add(o.lines, circle(polar(R * 0.74, a), R * 0.065));
        add(o.lines, circle(polar(R * 0.74, a), R * 0.02));
        add(o.lines, transformed(petal(R * 0.79, R * 0.89, R * 0.035), {0, 0}, 1.0, a + 22.5));
        add(o.lines, transformed(petal(R * 0.60, R * 0.70, R * 0.03), {0, 0}, 1.0, a + 22.5));
    }
    add(o.lines, circle({0, 0}, R * 0.035));
    add(o.lines, circle({0, 0}, R * 0.075));
    add(o.lines, circle({0, 0}, R * 0.965));
    std::vector<Path> bead;
    beads(bead, R * 0.345, 32, R * 0.008, 0);
    beads(bead, R * 0.99, 120, R * 0.006, 0);
    for (const Path& p : bead) add(o.lines, p);
    // Corner fans so the square tile has no empty corners.
    for (int i = 0; i < 4; ++i) {
        const double a = 45.0 + 90.0 * i;
        const Vec2 corner = polar(R * std::sqrt(2.0), a);
        for (int k = 1; k <= 4; ++k) add(o.lines, arc(corner, R * (0.16 + 0.07 * k), a + 180 - 45, a + 180 + 45));
        add(o.lines, transformed(petal(R * 0.04, R * 0.20, R * 0.05), corner, 1.0, a + 180));
        add(o.lines, transformed(petal(R * 0.06, R * 0.18, R * 0.04), corner, 1.0, a + 180 - 25));
        add(o.lines, transformed(petal(R * 0.06, R * 0.18, R * 0.04), corner, 1.0, a + 180 + 25));
    }
    return o;
}

// 5s: a tenfold star rosette: an interlaced {10/3} star around a woven flower of five rings,
// in a chain of ten loops, with petals, beads and corner scrolls.
Ornament fivefoldRosette(double size) {
    Ornament o;
    o.ribbonHalfWidth = 3.0;
    const double R = size / 2;
    auto add = [&](std::vector<Path>& list, const Path& p) { list.push_back(placed(p, size)); };

    for (const Path& p : starPolygon(10, 3, R * 0.64, -90)) add(o.ribbons, p);
    for (int i = 0; i < 5; ++i) add(o.ribbons, circle(polar(R * 0.19, -90 + 72.0 * i), R * 0.15));
    add(o.ribbons, circle({0, 0}, R * 0.80));
    for (int i = 0; i < 10; ++i) add(o.ribbons, circle(polar(R * 0.80, -90 + 18 + 36.0 * i), R * 0.085));
    add(o.ribbons, circle({0, 0}, R * 0.94));

    for (int i = 0; i < 10; ++i) {
        const double a = -90 + 36.0 * i;
        add(o.lines, transformed(petal(R * 0.40, R * 0.60, R * 0.045), {0, 0}, 1.0, a));
        add(o.lines, transformed(petal(R * 0.44, R * 0.55, R * 0.018), {0, 0}, 1.0, a));
        add(o.lines, circle(polar(R * 0.80, a + 18), R * 0.045));
        add(o.lines, transformed(petal(R * 0.66, R * 0.76, R * 0.03), {0, 0}, 1.0, a));
        add(o.lines, transformed(petal(R * 0.84, R * 0.91, R * 0.025), {0, 0}, 1.0, a));
        add(o.lines, circle(polar(R * 0.31, a + 18), R * 0.018));
    }
    add(o.lines, circle({0, 0}, R * 0.015));
    for (int i = 0; i < 5; ++i) {
        add(o.lines, circle(polar(R * 0.19, -90 + 72.0 * i), R * 0.05));
        add(o.lines, transformed(petal(R * 0.02, R * 0.10, R * 0.025), {0, 0}, 1.0, -54 + 72.0 * i));
    }
    add(o.lines, circle({0, 0}, R * 0.975));
    std::vector<Path> bead;
    beads(bead, R * 0.995, 120, R * 0.006, 0);
    for (const Path& p : bead) add(o.lines, p);
    // Corner scrolls: a spiral curling in from each corner.
    for (int i = 0; i < 4; ++i) {
        const double a = 45.0 + 90.0 * i;
        const Vec2 centre = polar(R * 1.18, a);
        Path spiral;
        for (int k = 0; k <= 160; ++k) {
            const double t = k / 160.0;
            spiral.push_back(centre + polar(R * (0.21 - 0.18 * t), a + 120 + 600 * t));
        }
        add(o.lines, spiral);
        add(o.lines, circle(spiral.back(), R * 0.012));
    }
    return o;
}

// f: an arabesque fleuron: a palmette on a stem, mirrored vine scrolls with leaves, in a frame
// of woven ribbon.
Ornament fleuron(double size) {
    Ornament o;
    o.ribbonHalfWidth = 3.0;
    const double R = size / 2;
    auto add = [&](std::vector<Path>& list, const Path& p) { list.push_back(placed(p, size)); };

    // Frame: a woven ogee arch over a rounded base (y down in the picture).
    Path frame = cubic({0, -R * 0.95}, {R * 0.25, -R * 0.75}, {R * 0.80, -R * 0.70}, {R * 0.82, -R * 0.20});
    extend(frame, cubic({R * 0.82, -R * 0.20}, {R * 0.84, R * 0.40}, {R * 0.60, R * 0.90}, {0, R * 0.92}));
    Path whole = frame;
    Path otherHalf = mirrored(frame);
    std::reverse(otherHalf.begin(), otherHalf.end());
    extend(whole, otherHalf);
    add(o.ribbons, whole);
    add(o.ribbons, transformed(whole, {0, R * 0.03}, 0.86));
    // Beads in the band between the two ribbons.
    const Path band = resampled(transformed(whole, {0, R * 0.015}, 0.93), 1.0);
    for (size_t k = 0; k < band.size(); k += 11) add(o.lines, circle(band[k], R * 0.012));

    // Vine scrolls on each side: a stem that curls inwards, with leaves along it.
    for (bool mirror : {false, true}) {
        Path scroll = cubic({0, R * 0.70}, {R * 0.10, R * 0.30}, {R * 0.60, R * 0.45}, {R * 0.55, R * 0.05});
        extend(scroll, cubic({R * 0.55, R * 0.05}, {R * 0.50, -R * 0.30}, {R * 0.15, -R * 0.25}, {R * 0.22, -R * 0.05}));
        extend(scroll, cubic({R * 0.22, -R * 0.05}, {R * 0.28, R * 0.10}, {R * 0.42, R * 0.02}, {R * 0.38, -R * 0.08}));
        auto side = [&](const Path& p) { add(o.lines, mirror ? mirrored(p) : p); };
        side(scroll);
        const std::vector<std::pair<Vec2, double>> leaves = {
            {{R * 0.30, R * 0.40}, 40}, {{R * 0.58, R * 0.22}, -70}, {{R * 0.45, -R * 0.22}, 200},
            {{R * 0.60, -R * 0.45}, -40}, {{R * 0.30, R * 0.70}, 20}};
        for (const auto& [where, angle] : leaves) {
            side(transformed(petal(0, R * 0.16, R * 0.05), where, 1.0, angle));
            side(transformed(line({R * 0.02, 0}, {R * 0.14, 0}), where, 1.0, angle));
        }
        for (int k = 0; k < 5; ++k)
            side(circle({R * (0.66 + 0.03 * k), R * (0.55 - 0.13 * k)}, R * 0.012));
    }

    // The palmette: a fan of lobes over the stem, with a bud and a drop above it.
    for (int k = -3; k <= 3; ++k) {
        const double angle = -90 + 20.0 * k;
        const double reach = R * (0.42 - 0.025 * std::abs(k));
        add(o.lines, transformed(petal(R * 0.08, reach, R * 0.055), {0, R * 0.10}, 1.0, angle));
    }
    add(o.lines, arc({0, R * 0.10}, R * 0.10, 180, 360));
    add(o.lines, line({0, R * 0.10}, {0, R * 0.75}));
    add(o.lines, transformed(petal(0, R * 0.22, R * 0.09), {0, -R * 0.38}, 1.0, -90));
    add(o.lines, transformed(petal(R * 0.03, R * 0.18, R * 0.04), {0, -R * 0.38}, 1.0, -90));
    add(o.lines, circle({0, -R * 0.66}, R * 0.03));
    add(o.lines, circle({0, R * 0.10}, R * 0.025));
    return o;
}

// ---------------------------------------------------------------------------------------------
// Lettering: a monoline stroke font, drawn as bevelled metal with a glow

struct Glyph {
    double advance;             // in x-heights
    std::vector<Path> strokes;  // x right, y up, baseline at 0, x-height 1
};

Glyph glyph(char c) {
    const double cap = 1.42;
    switch (c) {
    case 'V': return {1.25, {{{0, cap}, {0.62, 0}, {1.24, cap}}}};
    case 'Q': {
        Path tail = line({0.86, 0.34}, {1.36, -0.16});
        return {1.45, {circle({0.71, cap / 2}, cap / 2), tail}};
    }
    case 'D': {
        Path d = {{0.22, cap}, {0, cap}, {0, 0}, {0.22, 0}};
        extend(d, arc({0.22, cap / 2}, cap / 2, -90, 90));
        d.push_back({0.22, cap});
        return {0.98, {d}};
    }
    case 'o': return {1.0, {circle({0.5, 0.5}, 0.5)}};
    case 'e': {
        Path e = line({0.02, 0.5}, {1.0, 0.5});
        extend(e, arc({0.5, 0.5}, 0.5, 0, 318));
        return {1.0, {e}};
    }
    case 'a': return {1.02, {circle({0.5, 0.5}, 0.5), line({1.0, 1.0}, {1.0, 0})}};
    case 'l': return {0.0, {line({0, 1.5}, {0, 0})}};
    case 'u': {
        Path u = line({0, 1}, {0, 0.45});
        extend(u, arc({0.45, 0.45}, 0.45, 180, 360));
        return {0.9, {u, line({0.9, 1}, {0.9, 0})}};
    }
    case 'n': {
        Path n = line({0, 0}, {0, 0.55});
        extend(n, arc({0.45, 0.55}, 0.45, 180, 0));
        n.push_back({0.9, 0});
        return {0.9, {line({0, 1}, {0, 0}), n}};
    }
    case 'm': {
        Path m = line({0, 0}, {0, 0.65});
        extend(m, arc({0.35, 0.65}, 0.35, 180, 0));
        m.push_back({0.7, 0});
        Path m2 = line({0.7, 0.65}, {0.7, 0.65});
        extend(m2, arc({1.05, 0.65}, 0.35, 180, 0));
        m2.push_back({1.4, 0});
        return {1.4, {line({0, 1}, {0, 0}), m, m2}};
    }
    case 'r': {
        Path r = line({0, 0}, {0, 0.55});
        extend(r, arc({0.45, 0.55}, 0.45, 180, 55));
        return {0.62, {line({0, 1}, {0, 0}), r}};
    }
    case 'v': return {1.0, {{{0, 1}, {0.5, 0}, {1.0, 1}}}};
    case '/': return {0.75, {line({0, -0.22}, {0.75, 1.62})}};
    default: return {0.6, {}};
    }
}

// Lays out a word: strokes in picture pixels, x-height `scale` px, baseline at `origin`.
std::vector<Path> word(const std::string& text, Vec2 origin, double scale, double spacing) {
    std::vector<Path> strokes;
    double x = 0;
    for (char c : text) {
        const Glyph g = glyph(c);
        for (const Path& p : g.strokes) {
            Path placedStroke;
            for (Vec2 v : p) placedStroke.push_back({origin.x + (x + v.x) * scale, origin.y - v.y * scale});
            strokes.push_back(placedStroke);
        }
        x += g.advance + spacing;
    }
    return strokes;
}

double wordWidth(const std::string& text, double scale, double spacing) {
    double x = 0;
    for (char c : text) x += glyph(c).advance + spacing;
    return (x - spacing) * scale;
}

struct Metal {
    Colour sky, horizon, ground, glow;
};

// Polished tubes: the surface normal of a round stroke reflects a sky-horizon-ground gradient,
// with a specular highlight; a dark rim separates the metal from its glow.
void renderLettering(Picture& picture, const std::vector<Path>& strokes, double halfWidth, const Metal& metal,
                     double glowReach) {
    Field field(picture.width, picture.height);
    for (size_t i = 0; i < strokes.size(); ++i) drawStroke(field, strokes[i], halfWidth, glowReach, static_cast<int>(i));
    const double lx = -0.45, ly = -0.65, lz = 0.62;  // light from the upper left, in front
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const Nearest& n = field.cells[static_cast<size_t>(y) * picture.width + x];
            if (n.strand < 0) continue;
            const double d = n.distance;
            const double coverage = std::clamp(halfWidth - d + 0.5, 0.0, 1.0);
            const double t = std::min(d / halfWidth, 1.0);
            const double nx = n.away.x * t, ny = n.away.y * t, nz = std::sqrt(std::max(0.0, 1 - t * t));
            // Reflection of the view ray (0, 0, -1) about the normal: its y picks the environment.
            const double ry = 2 * nz * ny;
            Colour env = ry < 0 ? mix(metal.horizon, metal.sky, std::min(1.0, -ry * 1.6))
                                : mix(metal.horizon * 0.55, metal.ground, std::min(1.0, ry * 2.2));
            const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
            const double rz = 2 * nz * nz - 1, rx = 2 * nz * nx, ryl = 2 * nz * ny;
            const double shine = std::pow(std::max(0.0, -(rx * lx + ryl * ly) + rz * lz), 24);
            Colour surface = env * (0.55 + 0.45 * diffuse) + Colour{1, 1, 1} * (0.9 * shine);
            const double rim = std::clamp(d - halfWidth, 0.0, 2.5);
            const double glow = std::exp(-std::max(0.0, d - halfWidth - 2.0) / (glowReach * 0.3)) * std::min(1.0, rim / 2.5);
            Colour& out = picture.at(x, y);
            out = out * (1 - coverage) + surface * coverage + metal.glow * (glow * (1 - coverage) * 0.55);
        }
    }
}

// Small four-pointed flares, the glint of polished metal.
void sparkle(Picture& picture, Vec2 at, double radius, Colour colour) {
    for (int y = std::max(0, static_cast<int>(at.y - radius)); y < std::min(picture.height, static_cast<int>(at.y + radius) + 1); ++y) {
        for (int x = std::max(0, static_cast<int>(at.x - radius)); x < std::min(picture.width, static_cast<int>(at.x + radius) + 1); ++x) {
            const double dx = std::abs(x + 0.5 - at.x) / radius, dy = std::abs(y + 0.5 - at.y) / radius;
            const double ray = std::exp(-dy * 40) * (1 - dx) + std::exp(-dx * 40) * (1 - dy);
            const double core = std::exp(-(dx * dx + dy * dy) * 60);
            picture.at(x, y) = picture.at(x, y) + colour * std::clamp(ray * 0.9 + core, 0.0, 1.5);
        }
    }
}

// A thin rule with diamond ends and a centre lozenge, under or over a line of lettering.
std::vector<Path> rule(double y, double from, double to) {
    const double mid = (from + to) / 2, h = 5;
    std::vector<Path> r = {line({from + 12, y}, {mid - 18, y}), line({mid + 18, y}, {to - 12, y})};
    for (double x : {from + 6, to - 6}) r.push_back({{x - 6, y}, {x, y - h}, {x + 6, y}, {x, y + h}, {x - 6, y}});
    r.push_back({{mid - 14, y}, {mid, y - 8}, {mid + 14, y}, {mid, y + 8}, {mid - 14, y}});
    r.push_back(circle({mid, y}, 2.5));
    return r;
}

void drawFineLines(Picture& picture, const std::vector<Path>& paths, double halfWidth, Colour colour) {
    Field field(picture.width, picture.height);
    for (size_t i = 0; i < paths.size(); ++i) drawStroke(field, paths[i], halfWidth, 2.0, static_cast<int>(i));
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const Nearest& n = field.cells[i];
        if (n.strand < 0) continue;
        const double v = std::clamp(halfWidth - n.distance + 0.5, 0.0, 1.0);
        picture.pixels[i] = picture.pixels[i] * (1 - v) + colour * v;
    }
}

const Metal GOLD{{1.0, 0.93, 0.70}, {1.0, 0.72, 0.28}, {0.40, 0.20, 0.05}, {1.0, 0.45, 0.10}};
const Metal SILVER{{0.92, 0.97, 1.0}, {0.55, 0.75, 0.95}, {0.10, 0.16, 0.30}, {0.20, 0.55, 1.0}};

// The group's logo: "Velmo" in gold between two rules.
Picture logo() {
    Picture picture(512, 512);
    const std::string text = "Velmo";
    const double scale = 70, spacing = 0.32;
    const double width = wordWidth(text, scale, spacing);
    const Vec2 origin{(512 - width) / 2, 292};
    renderLettering(picture, word(text, origin, scale, spacing), 8.5, GOLD, 22);
    std::vector<Path> rules = rule(150, 70, 442);
    for (const Path& p : rule(350, 70, 442)) rules.push_back(p);
    drawFineLines(picture, rules, 1.0, {1.0, 0.80, 0.45});
    sparkle(picture, {origin.x + 0.52 * scale, origin.y - 1.25 * scale}, 30, {1.0, 0.95, 0.8});
    sparkle(picture, {origin.x + width - 0.2 * scale, origin.y - 0.85 * scale}, 18, {1.0, 0.95, 0.8});
    return picture;
}

// The title: "Quorvane" over "/Drell", stepped to the right, in silver.
Picture title() {
    Picture picture(512, 512);
    const double scale = 42, spacing = 0.30;
    const double first = wordWidth("Quorvane", scale, spacing);
    const Vec2 top{(512 - first) / 2 - 12, 236};
    const std::vector<Path> upper = word("Quorvane", top, scale, spacing);
    const double second = wordWidth("/Drell", scale, spacing);
    const Vec2 bottom{top.x + first - second + 24, 346};
    std::vector<Path> strokes = upper;
    for (const Path& p : word("/Drell", bottom, scale, spacing)) strokes.push_back(p);
    renderLettering(picture, strokes, 5.2, SILVER, 18);
    drawFineLines(picture, rule(392, bottom.x - 20, bottom.x + second + 20), 0.9, {0.6, 0.8, 1.0});
    drawFineLines(picture, rule(150, top.x - 20, top.x + first + 20), 0.9, {0.6, 0.8, 1.0});
    sparkle(picture, {top.x + 0.71 * scale, top.y - 1.30 * scale}, 24, {0.9, 0.95, 1.0});
    return picture;
}

// A dust speck: an irregular dark-edged blob with a stray fibre, white on black.
Picture speck() {
    const int size = 64;
    Picture picture(size, size);
    Field fibre(size, size);
    drawStroke(fibre, cubic({10, 50}, {22, 30}, {30, 44}, {54, 14}), 0.9, 2, 0);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - 30, dy = y + 0.5 - 33;
            const double angle = std::atan2(dy, dx);
            // A lumpy outline from a few fixed harmonics.
            const double radius = 9 + 1.8 * std::sin(3 * angle + 0.7) + 1.1 * std::sin(5 * angle + 2.1) +
                                  0.7 * std::sin(9 * angle + 4.0);
            const double d = std::sqrt(dx * dx + dy * dy);
            // Soft edge, denser towards the middle.
            const double edge = std::clamp((radius - d) / 2.5 + 0.5, 0.0, 1.0);
            double v = edge * edge * (3 - 2 * edge) * (0.7 + 0.3 * std::exp(-d * d / 30));
            const Nearest& n = fibre.cells[static_cast<size_t>(y) * size + x];
            if (n.strand >= 0) v = std::max(v, std::clamp(n.halfWidth - n.distance + 0.5, 0.0, 1.0) * 0.9);
            picture.at(x, y) = Colour{1, 1, 1} * v;
        }
    }
    addGlow(picture, 1, 0.3);
    return picture;
}

bool save(const Picture& picture, const std::string& dir, const std::string& name) {
    const std::string path = dir + "/" + name;
    if (writeBmp(picture, path)) return true;
    std::cerr << "makepictures: cannot write " << path << '\n';
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: makepictures <datadir>\n";
        return 2;
    }
    const std::string dir = argv[1];
    const Colour gold{1.0, 0.82, 0.50}, warm{1.0, 0.55, 0.2};
    const Colour pale{0.85, 0.92, 1.0}, blue{0.3, 0.6, 1.0};
    bool ok = save(logo(), dir, "velmo.bmp");
    ok = save(title(), dir, "quor_drell.bmp") && ok;
    ok = save(speck(), dir, "roska.bmp") && ok;
    ok = save(renderOrnament(fourfoldRosette(512), 512, gold, warm), dir, "4s.bmp") && ok;
    ok = save(renderOrnament(fivefoldRosette(512), 512, pale, blue), dir, "5s.bmp") && ok;
    ok = save(renderOrnament(fleuron(256), 256, {1.0, 0.9, 0.75}, warm), dir, "f.bmp") && ok;
    if (!writeBlackTga(dir + "/black_800_340.tga", 800, 340)) {
        std::cerr << "makepictures: cannot write " << dir << "/black_800_340.tga\n";
        ok = false;
    }
    return ok ? 0 : 1;
}
