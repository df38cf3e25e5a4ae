// The magnifier: limits of its magnification, its drag band, and its picture with the cross-hair.
#include "video/UnitLoupe.h"

#include <gtest/gtest.h>

#include <QPainter>

TEST(Loupe, MagnificationLimitsAndDragging)
{
    TLoupe loupe;
    loupe.Visible = true;
    loupe.PlaceIn(QSize(500, 400));
    EXPECT_EQ(loupe.Bounds, QRect(398, 2, 100, 80));
    const QPoint inside(450, 60);
    loupe.Magnification = 600;
    EXPECT_TRUE(loupe.MouseDown(0, inside));
    EXPECT_EQ(loupe.Magnification, 600); // no further left click
    loupe.Magnification = 100;
    EXPECT_TRUE(loupe.MouseDown(1, inside));
    EXPECT_EQ(loupe.Magnification, 100); // no further right click
    EXPECT_TRUE(loupe.MouseDown(0, inside));
    EXPECT_EQ(loupe.Magnification, 200);
    EXPECT_EQ(loupe.SourceSize(), QSize(50, 40));
    EXPECT_FALSE(loupe.MouseDown(0, QPoint(10, 10)));

    // A drag from the top band; the magnifier stays inside the view.
    EXPECT_TRUE(loupe.MouseDown(0, QPoint(420, 5)));
    EXPECT_TRUE(loupe.Dragging());
    loupe.MouseMove(QPoint(120, 105), QSize(500, 400));
    EXPECT_EQ(loupe.Bounds.topLeft(), QPoint(98, 102));
    loupe.MouseMove(QPoint(-1000, -1000), QSize(500, 400));
    EXPECT_EQ(loupe.Bounds.topLeft(), QPoint(0, 0));
    loupe.MouseUp();
    EXPECT_FALSE(loupe.MouseMove(QPoint(300, 300), QSize(500, 400)));
}

TEST(Loupe, PaintsTheEnlargedRegionWithACrossHair)
{
    QImage buffer(200, 200, QImage::Format_RGB32);
    buffer.fill(Qt::blue);
    buffer.setPixel(100, 100, qRgb(255, 0, 0));
    TLoupe loupe;
    loupe.Visible = true;
    loupe.Bounds = QRect(10, 10, 60, 60);
    loupe.Centre = QPoint(100, 100);
    loupe.Magnification = 300; // a 20 x 20 region around the centre, three times larger
    QImage view(200, 200, QImage::Format_RGB32);
    view.fill(Qt::green);
    QPainter p(&view);
    loupe.Paint(p, buffer);
    p.end();
    EXPECT_EQ(view.pixel(40, 10 + 12), qRgb(255, 255, 255));  // white vertical line at width / 2
    EXPECT_EQ(view.pixel(39, 10 + 12), qRgb(0, 0, 0));        // black beside it
    EXPECT_EQ(view.pixel(10 + 15, 10 + 15), qRgb(0, 0, 255)); // enlarged picture
    EXPECT_EQ(view.pixel(10 + 31, 10 + 31), qRgb(255, 0, 0)); // the centre pixel, three pixels wide
    EXPECT_EQ(view.pixel(10, 10), qRgb(0, 0, 0));             // black frame
    EXPECT_EQ(view.pixel(5, 5), qRgb(0, 255, 0));             // nothing outside
}
