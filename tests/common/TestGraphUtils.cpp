// Object palettes, shape cycles and glyph drawing.
#include "common/UnitGraphUtils.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <set>

namespace {

QImage Blank(int size = 40)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// Pixels of the image that are not black, as a text key (to compare shapes).
QByteArray Mask(const QImage& image)
{
    QByteArray mask;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            mask.append(image.pixel(x, y) == qRgb(0, 0, 0) ? '0' : '1');
    return mask;
}

QRect Extent(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(0, 0, 0))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(GraphUtilsPalette, EntriesAndIndices)
{
    const TGraphUtils& utils = TGraphUtils::Instance();
    struct Case
    {
        int index;
        QColor rgb;
    };
    const Case cases[] = {
        {0, QColor(255, 0, 0)},         {1, QColor(5, 209, 233)}, {42, QColor(0, 0, 205)},
        {64, QColor(255, 255, 0)},      {65, QColor(255, 0, 0)},  {-1, QColor(255, 255, 0)},
        {130 + 2, QColor(50, 205, 50)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToQColor(utils.ObjectColor(c.index)), c.rgb) << "index " << c.index;
    // Stored as the Windows integer: red is 255.
    EXPECT_EQ(utils.ObjectColor(0), 255);
    EXPECT_EQ(utils.PaletteIndex(utils.ObjectColor(17)), 17);
    EXPECT_EQ(utils.PaletteIndex(0x123456), -1);
    EXPECT_EQ(ToQColor(utils.SecondColor(1)), QColor(0, 0, 255));
    EXPECT_EQ(utils.SecondColor(5), utils.SecondColor(0));
}

TEST(GraphUtilsShapes, Cycles)
{
    const TGraphUtils& utils = TGraphUtils::Instance();
    EXPECT_EQ(utils.ObjectShape(0), moCarre);
    EXPECT_EQ(utils.ObjectShape(11), moEtincelle);
    EXPECT_EQ(utils.ObjectShape(12), moCarre);
    EXPECT_EQ(utils.SecondShape(0), moFleche);
    EXPECT_EQ(utils.SecondShape(6), moCercle);
}

TEST(GraphUtilsGlyphs, EveryShapeFillsItsCentreAndGrowsWithSize)
{
    const TGraphUtils& utils = TGraphUtils::Instance();
    const QPoint centre(20, 20);
    for (int shape = 0; shape < MotifCount; ++shape) {
        int previousWidth = 0;
        for (int size = 0; size < GlyphSizeCount; ++size) {
            QImage image = Blank();
            {
                QPainter painter(&image);
                utils.DrawGlyph(painter, centre, clLime, size, TMotif(shape));
            }
            const QRgb expected = shape == moCreux ? qRgb(255, 255, 255) : qRgb(0, 255, 0);
            EXPECT_EQ(image.pixel(centre), expected) << "shape " << shape << " size " << size;
            const QRect box = Extent(image);
            EXPECT_GT(box.width(), previousWidth) << "shape " << shape << " size " << size;
            EXPECT_LE(box.width(), 2 * 10 + 2) << "shape " << shape;
            EXPECT_TRUE(QRect(centre, QSize(1, 1)).intersects(box));
            previousWidth = box.width();
        }
    }
    // The first shape of the second cycle is a fixed small triangle.
    EXPECT_EQ(TGraphUtils::GlyphOutline(moFleche, 0), QPolygon({QPoint(0, -4), QPoint(-3, 3), QPoint(3, 3)}));
    EXPECT_EQ(TGraphUtils::CircleRadius(2), 10);
}

TEST(GraphUtilsGlyphs, ObjectShapesAreDistinctAndOutlineIsWhiteFilled)
{
    const TGraphUtils& utils = TGraphUtils::Instance();
    std::set<QByteArray> masks;
    for (int shape = 0; shape < ObjectShapeCount; ++shape) {
        QImage image = Blank();
        {
            QPainter painter(&image);
            utils.DrawGlyph(painter, QPoint(20, 20), clRed, 1, TMotif(shape));
        }
        masks.insert(Mask(image));
    }
    EXPECT_EQ(masks.size(), std::size_t(ObjectShapeCount));

    QImage image = Blank();
    {
        QPainter painter(&image);
        utils.DrawGlyph(painter, QPoint(20, 20), clRed, 2, moCreux);
    }
    EXPECT_EQ(image.pixel(20, 20), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(20 - 7, 20), qRgb(255, 0, 0)); // the outline
}

TEST(GraphUtilsGlyphs, PainterPenAndBrushAreRestored)
{
    QImage image = Blank();
    QPainter painter(&image);
    painter.setPen(QPen(Qt::blue, 4, Qt::DashLine));
    painter.setBrush(Qt::green);
    TGraphUtils::Instance().DrawGlyph(painter, QPoint(20, 20), clRed, 2, moEtoile);
    EXPECT_EQ(painter.pen().color(), QColor(Qt::blue));
    EXPECT_EQ(painter.pen().width(), 4);
    EXPECT_EQ(painter.pen().style(), Qt::DashLine);
    EXPECT_EQ(painter.brush().color(), QColor(Qt::green));
}
