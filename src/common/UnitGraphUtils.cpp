// Object colour palettes and mark glyphs.
#include "common/UnitGraphUtils.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr TColor Rgb(int r, int g, int b)
{
    return TColor(r | (g << 8) | (b << 16));
}

// Entry 0 is red: the first object is drawn in red.
constexpr std::array<TColor, PaletteCount> Palette = {
    Rgb(255, 0, 0),     Rgb(5, 209, 233),   Rgb(50, 205, 50),   Rgb(255, 248, 220), Rgb(255, 215, 0),
    Rgb(0, 139, 139),   Rgb(255, 20, 147),  Rgb(189, 183, 107), Rgb(124, 252, 0),   Rgb(0, 206, 209),
    Rgb(255, 99, 71),   Rgb(32, 178, 170),  Rgb(255, 160, 122), Rgb(220, 220, 220), Rgb(210, 105, 30),
    Rgb(218, 165, 32),  Rgb(255, 105, 180), Rgb(100, 149, 237), Rgb(220, 20, 60),   Rgb(144, 238, 144),
    Rgb(255, 69, 0),    Rgb(233, 150, 122), Rgb(0, 191, 255),   Rgb(255, 127, 80),  Rgb(102, 205, 170),
    Rgb(240, 230, 140), Rgb(255, 140, 0),   Rgb(205, 92, 92),   Rgb(173, 216, 230), Rgb(240, 128, 128),
    Rgb(184, 134, 11),  Rgb(255, 182, 193), Rgb(135, 206, 250), Rgb(176, 196, 222), Rgb(0, 255, 0),
    Rgb(50, 205, 50),   Rgb(199, 21, 133),  Rgb(72, 209, 204),  Rgb(0, 250, 154),   Rgb(123, 104, 238),
    Rgb(60, 179, 113),  Rgb(186, 85, 211),  Rgb(0, 0, 205),     Rgb(34, 178, 34),   Rgb(255, 0, 255),
    Rgb(46, 139, 87),   Rgb(244, 164, 96),  Rgb(250, 128, 114), Rgb(65, 105, 225),  Rgb(188, 143, 143),
    Rgb(221, 160, 221), Rgb(205, 133, 63),  Rgb(219, 112, 147), Rgb(218, 112, 214), Rgb(143, 188, 143),
    Rgb(255, 165, 0),   Rgb(154, 205, 50),  Rgb(238, 130, 238), Rgb(64, 224, 208),  Rgb(95, 158, 160),
    Rgb(216, 191, 216), Rgb(0, 128, 128),   Rgb(106, 90, 205),  Rgb(222, 184, 135), Rgb(255, 255, 0),
};

constexpr std::array<TColor, SecondPaletteCount> SecondPalette = {
    Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(0, 128, 0), Rgb(255, 128, 0), Rgb(128, 0, 128),
};

// Half-extent in pixels of the shapes for each size.
constexpr std::array<int, GlyphSizeCount> HalfSize = {3, 5, 7};

int Modulo(int i, int n)
{
    const int m = i % n;
    return m < 0 ? m + n : m;
}

int ClampSize(int size)
{
    return std::clamp(size, 0, GlyphSizeCount - 1);
}

// A regular star or polygon: `count` vertices alternating between the outer and the inner radius (equal
// radii give a regular polygon), the first one straight up.
QPolygon Star(int count, double outer, double inner)
{
    QPolygon polygon;
    for (int k = 0; k < count; ++k) {
        const double angle = -std::numbers::pi / 2 + 2 * std::numbers::pi * k / count;
        const double radius = (k % 2 == 0) ? outer : inner;
        polygon << QPoint(int(std::lround(radius * std::cos(angle))),
                          int(std::lround(radius * std::sin(angle))));
    }
    return polygon;
}

QPolygon Scaled(std::initializer_list<QPoint> smallShape, int size)
{
    // The second-cycle triangles are given at the small size and grow by 5/3 and 7/3.
    const int factor = HalfSize[std::size_t(size)];
    QPolygon polygon;
    for (const QPoint& p : smallShape)
        polygon << QPoint(int(std::lround(p.x() * factor / 3.0)), int(std::lround(p.y() * factor / 3.0)));
    return polygon;
}

} // namespace

TGraphUtils& TGraphUtils::Instance()
{
    static TGraphUtils instance;
    return instance;
}

TColor TGraphUtils::ObjectColor(int i) const
{
    return Palette[std::size_t(Modulo(i, PaletteCount))];
}

TColor TGraphUtils::SecondColor(int i) const
{
    return SecondPalette[std::size_t(Modulo(i, SecondPaletteCount))];
}

int TGraphUtils::PaletteIndex(TColor color) const
{
    const auto it = std::find(Palette.begin(), Palette.end(), color);
    return it == Palette.end() ? -1 : int(it - Palette.begin());
}

TMotif TGraphUtils::ObjectShape(int i) const
{
    return TMotif(Modulo(i, ObjectShapeCount));
}

TMotif TGraphUtils::SecondShape(int i) const
{
    return TMotif(moFleche + Modulo(i, 4));
}

int TGraphUtils::CircleRadius(int size)
{
    constexpr std::array<int, GlyphSizeCount> radius = {4, 7, 10};
    return radius[std::size_t(ClampSize(size))];
}

QPolygon TGraphUtils::GlyphOutline(TMotif shape, int size)
{
    size = ClampSize(size);
    const int r = HalfSize[std::size_t(size)];
    const int w = std::max(1, r / 3); // half-thickness of the arms of crosses
    QPolygon p;
    switch (shape) {
    case moCarre:
    case moCreux:
        p << QPoint(-r, -r) << QPoint(r, -r) << QPoint(r, r) << QPoint(-r, r);
        break;
    case moLosange:
        p << QPoint(0, -r) << QPoint(r, 0) << QPoint(0, r) << QPoint(-r, 0);
        break;
    case moTriangleHaut:
        p << QPoint(0, -r) << QPoint(r, r) << QPoint(-r, r);
        break;
    case moTriangleBas:
        p << QPoint(-r, -r) << QPoint(r, -r) << QPoint(0, r);
        break;
    case moCroix:
        p << QPoint(-w, -r) << QPoint(w, -r) << QPoint(w, -w) << QPoint(r, -w) << QPoint(r, w) << QPoint(w, w)
          << QPoint(w, r) << QPoint(-w, r) << QPoint(-w, w) << QPoint(-r, w) << QPoint(-r, -w)
          << QPoint(-w, -w);
        break;
    case moCroixDiagonale:
        p << QPoint(0, -w) << QPoint(r - w, -r) << QPoint(r, -r + w) << QPoint(w, 0) << QPoint(r, r - w)
          << QPoint(r - w, r) << QPoint(0, w) << QPoint(-r + w, r) << QPoint(-r, r - w) << QPoint(-w, 0)
          << QPoint(-r, -r + w) << QPoint(-r + w, -r);
        break;
    case moHexagone:
        p << QPoint(-r / 2, -r) << QPoint(r / 2, -r) << QPoint(r, 0) << QPoint(r / 2, r) << QPoint(-r / 2, r)
          << QPoint(-r, 0);
        break;
    case moTriangleDroite:
        p << QPoint(-r, -r) << QPoint(r, 0) << QPoint(-r, r);
        break;
    case moTriangleGauche:
        p << QPoint(r, -r) << QPoint(r, r) << QPoint(-r, 0);
        break;
    case moEtoile:
        p = Star(10, r + 1, 0.5 * (r + 1));
        break;
    case moPentagone:
        p = Star(5, r, r);
        break;
    case moEtincelle:
        p << QPoint(0, -r - 1) << QPoint(w, -w) << QPoint(r + 1, 0) << QPoint(w, w) << QPoint(0, r + 1)
          << QPoint(-w, w) << QPoint(-r - 1, 0) << QPoint(-w, -w);
        break;
    case moFleche:
        p = Scaled({QPoint(0, -4), QPoint(-3, 3), QPoint(3, 3)}, size);
        break;
    case moFlecheBas:
        p = Scaled({QPoint(0, 4), QPoint(-3, -3), QPoint(3, -3)}, size);
        break;
    case moCercle:
        break;
    case moLosangeLarge:
        p << QPoint(0, -r) << QPoint(r + 2, 0) << QPoint(0, r) << QPoint(-r - 2, 0);
        break;
    case moOrigine:
        p = Star(16, r + 2, 0.5 * (r + 2));
        break;
    }
    return p;
}

void TGraphUtils::DrawGlyph(QPainter& painter, QPoint pixel, TColor color, int size, TMotif shape) const
{
    const QPen oldPen = painter.pen();
    const QBrush oldBrush = painter.brush();
    const QColor c = ToQColor(color);
    painter.setPen(QPen(c, 1, Qt::SolidLine));
    painter.setBrush(shape == moCreux ? QColor(Qt::white) : c);
    if (shape == moCercle) {
        const int radius = CircleRadius(size);
        painter.drawEllipse(pixel, radius, radius);
    } else {
        painter.drawPolygon(GlyphOutline(shape, size).translated(pixel));
    }
    painter.setPen(oldPen);
    painter.setBrush(oldBrush);
}
