// Drawing over the frame: grid axes with their arrows, the scale, mark glyphs and numbers.
#include "measurement/DataFixture.h"

#include "common/UnitGraphUtils.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <numbers>

namespace {

QColor PaletteColour(int i)
{
    return ToQColor(TGraphUtils::Instance().ObjectColor(i));
}

const QColor Yellow(255, 255, 0);
const QColor Black(0, 0, 0);

// True when some pixel of the rectangle has the colour.
bool AnyPixel(const QImage& image, const QRect& rect, const QColor& colour)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.rect().contains(x, y) && image.pixelColor(x, y) == colour)
                return true;
    return false;
}

} // namespace

class PaintTest : public DataTest
{
protected:
    QImage Render()
    {
        QImage image(View.Display, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        Data.Paint(painter);
        return image;
    }
    // The pixel `back` pixels from an axis end towards the origin.
    static QPoint Back(const QPoint& end, double arrowAngle, int back)
    {
        return {int(std::lround(end.x() - std::cos(arrowAngle) * back)),
                int(std::lround(end.y() + std::sin(arrowAngle) * back))};
    }
};

TEST_F(PaintTest, GridArrowsAndMarkGlyphsAtTheirPixels)
{
    Data.SetNbObjets(2);
    DefineGrid(320, 240);
    Point(100, 100);
    Point(200, 300);
    const QImage image = Render();
    // Axes across the view, arrowheads filled at the arrow ends (B on the right, D at the top).
    EXPECT_EQ(image.pixelColor(500, 240), Yellow);
    EXPECT_EQ(image.pixelColor(320, 400), Yellow);
    EXPECT_EQ(image.pixelColor(633, 242), Yellow); // beside the x axis, inside its arrowhead
    EXPECT_EQ(image.pixelColor(633, 247), Black);  // beyond the arrowhead's half-width
    EXPECT_EQ(image.pixelColor(321, 6), Yellow);
    EXPECT_EQ(image.pixelColor(2, 238), Black); // no arrow at the other end
    // Glyphs in the objects' colours at the marks' pixels, and nothing around them.
    EXPECT_EQ(image.pixelColor(100, 100), PaletteColour(0));
    EXPECT_EQ(image.pixelColor(200, 300), PaletteColour(1));
    EXPECT_EQ(image.pixelColor(110, 100), Black);
    // The number of the frame (1) below the first mark, in its colour, when a font is there to draw it.
    if (!QFontDatabase::families().isEmpty()) {
        EXPECT_TRUE(AnyPixel(image, QRect(98, 104, 12, 18), PaletteColour(0)));
    }
}

TEST_F(PaintTest, RotatedAndReversedArrowsFollowTheAxes)
{
    DefineGrid(320, 240);
    Data.SetGridAngle(std::numbers::pi / 6);
    Data.InverserAxeY();
    Data.ElementSize = 2;
    const TRepereFixe& grid = *Data.RepereFixe;
    const QImage image = Render();
    const double xArrow = std::numbers::pi / 6;
    const double yArrow = grid.YAxisAngle + std::numbers::pi; // reversed: the arrow sits at C
    EXPECT_EQ(grid.YArrowEnd(), grid.PixC);
    EXPECT_EQ(image.pixelColor(Back(grid.XArrowEnd(), xArrow, 6)), Yellow);
    EXPECT_EQ(image.pixelColor(Back(grid.YArrowEnd(), yArrow, 6)), Yellow);
    // A wide arrowhead (20 pixels long at the large size) beside the axis near its arrow end.
    const QPoint beside =
        Back(grid.XArrowEnd(), xArrow, 15) +
        QPoint(int(std::lround(-std::sin(xArrow) * 4)), int(std::lround(-std::cos(xArrow) * 4)));
    EXPECT_EQ(image.pixelColor(beside), Yellow);
}

TEST_F(PaintTest, TheScaleToolDrawsOnlyTheScale)
{
    DefineGrid(320, 240);
    Point(100, 100);
    Data.SetOutil(otEchelle);
    Click(100, 400);
    Click(300, 400);
    QImage image = Render();
    EXPECT_EQ(image.pixelColor(200, 400), Yellow);
    EXPECT_EQ(image.pixelColor(500, 240), Black); // the grid is not drawn
    EXPECT_EQ(image.pixelColor(100, 100), Black); // nor the marks
    // Open arrowheads at both ends: wings behind each end, nothing beyond them.
    EXPECT_TRUE(AnyPixel(image, QRect(105, 394, 8, 4), Yellow));
    EXPECT_TRUE(AnyPixel(image, QRect(287, 402, 8, 4), Yellow));
    EXPECT_EQ(image.pixelColor(96, 400), Black);

    // With one point the free end follows the mouse.
    Click(5, 5, mbRight);
    Move(100, 200);
    image = Render();
    EXPECT_EQ(image.pixelColor(100, 300), Yellow);
}

TEST_F(PaintTest, HiddenObjectsAndOnlyTheLastMarks)
{
    Data.SetNbObjets(2);
    Point(100, 100);
    Point(200, 100);
    Point(300, 100); // object 0 on the next frame
    Data.SetObjectVisible(1, false);
    QImage image = Render();
    EXPECT_EQ(image.pixelColor(100, 100), PaletteColour(0));
    EXPECT_EQ(image.pixelColor(200, 100), Black);
    EXPECT_EQ(image.pixelColor(300, 100), PaletteColour(0));

    Data.SetObjectVisible(1, true);
    Data.SetMarksIsAllDrawn(false);
    Data.SetMarksNumberToDraw(2);
    image = Render();
    EXPECT_EQ(image.pixelColor(100, 100), Black);
    EXPECT_EQ(image.pixelColor(200, 100), PaletteColour(1));
    EXPECT_EQ(image.pixelColor(300, 100), PaletteColour(0));
}
