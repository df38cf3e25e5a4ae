// Object colour palettes and the small filled glyphs that mark points of each object.
#pragma once

#include "common/UnitTypes.h"

#include <QPoint>
#include <QPolygon>
#include <cstdint>

class QPainter;

// Glyph shape codes. 0 to 11 are the object cycle (object i takes shape i mod 12), 12 to 15 a second
// cycle of four, 16 the origin mark of graphs, 17 a white-filled outline.
enum TMotif : std::uint8_t
{
    moCarre = 0,
    moLosange = 1,
    moTriangleHaut = 2,
    moTriangleBas = 3,
    moCroix = 4,
    moCroixDiagonale = 5,
    moHexagone = 6,
    moTriangleDroite = 7,
    moTriangleGauche = 8,
    moEtoile = 9,
    moPentagone = 10,
    moEtincelle = 11,
    moFleche = 12,
    moFlecheBas = 13,
    moCercle = 14,
    moLosangeLarge = 15,
    moOrigine = 16,
    moCreux = 17,
};

// Glyph sizes: 0 small, 1 average, 2 large (the shapes reach about 3, 5 and 7 pixels around the centre).
inline constexpr int GlyphSizeCount = 3;
inline constexpr int MotifCount = 18;
inline constexpr int ObjectShapeCount = 12;
inline constexpr int PaletteCount = 65;
inline constexpr int SecondPaletteCount = 5;

// One shared instance; holds no state that changes after construction.
class TGraphUtils
{
public:
    static TGraphUtils& Instance();

    // Object colour: palette entry i mod 65 (negative indices count from the end: -1 is the last).
    TColor ObjectColor(int i) const;
    // Entry i mod 5 of the short palette (red, blue, green, orange, purple).
    TColor SecondColor(int i) const;
    // Index of a colour in the object palette, -1 when it is not one of its entries.
    int PaletteIndex(TColor color) const;

    TMotif ObjectShape(int i) const; // shape i mod 12
    TMotif SecondShape(int i) const; // shape 12 + (i mod 4)

    // Draws the glyph of the given shape centred on the pixel: filled with the colour (white for moCreux),
    // outlined with a solid one-pixel pen of the colour. A size outside 0..2 is clamped. The painter's pen
    // and brush are restored.
    void DrawGlyph(QPainter& painter, QPoint pixel, TColor color, int size, TMotif shape) const;

    // The outline of a polygonal shape as offsets around (0, 0); empty for the circle.
    static QPolygon GlyphOutline(TMotif shape, int size);
    // Radius in pixels of the circle glyph for a size: 4, 7 or 10.
    static int CircleRadius(int size);

private:
    TGraphUtils() = default;
};
