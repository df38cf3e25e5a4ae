// Geometry of the video view: conversions, zoom steps, zoom at a point, rectangles, scrolling and panning.
#include "video/UnitVideoGeometry.h"

#include <gtest/gtest.h>

namespace {

TVideoGeometry Make(int frameW, int frameH, int clientW, int clientH)
{
    TVideoGeometry g;
    g.SetClientSize(clientW, clientH, 16);
    g.SetFrameSize(frameW, frameH);
    return g;
}

} // namespace

TEST(VideoGeometry, ZoomStepTable)
{
    struct Case
    {
        int Zoom;
        bool In, Fine;
        int Expected;
    };
    const Case cases[] = {
        {100, true, false, 200},  {150, true, false, 200},  {200, true, false, 300},
        {550, true, false, 600},  {600, true, false, 800},  {700, true, false, 800},
        {800, true, false, 800},  {795, true, true, 800},   {100, true, true, 110},
        {800, false, false, 600}, {700, false, false, 600}, {600, false, false, 500},
        {210, false, false, 200}, {200, false, false, 100}, {150, false, false, 100},
        {100, false, true, 100},  {400, false, true, 390},
    };
    for (const Case& c : cases) {
        const int z =
            c.In ? TVideoGeometry::ZoomInStep(c.Zoom, c.Fine) : TVideoGeometry::ZoomOutStep(c.Zoom, c.Fine);
        EXPECT_EQ(z, c.Expected) << c.Zoom << (c.In ? " in" : " out") << (c.Fine ? " fine" : "");
    }
    EXPECT_EQ(TVideoGeometry::ZoomByFactor(100, 2.345), 230);
    EXPECT_EQ(TVideoGeometry::ZoomByFactor(300, 10.0), 800);
    EXPECT_EQ(TVideoGeometry::ZoomByFactor(300, 0.1), 100);
}

TEST(VideoGeometry, ConversionsAtFullViewAndZoomed)
{
    TVideoGeometry g = Make(640, 480, 640, 480);
    const TPointRel corner = g.ToRelative(639, 479);
    EXPECT_NEAR(corner.X, 1.0, 0.002);
    EXPECT_NEAR(corner.Y, 1.0, 0.003);
    EXPECT_EQ(g.ToView({0.5, 0.25}), QPoint(320, 120));
    // Outside the frame clamps to its border.
    EXPECT_EQ(g.ToRelative(-5, 900).X, 0.0);
    EXPECT_EQ(g.ToRelative(-5, 900).Y, 1.0);

    // Zoom 200 at the centre: the buffer loses the scroll bars, the middle quarter of the frame shows.
    g.ZoomAt(320, 240, 200);
    EXPECT_EQ(g.Zoom(), 200);
    EXPECT_EQ(g.BackBufferSize(), QSize(624, 464));
    EXPECT_EQ(g.SourceRect(), QRect(160, 120, 320, 240));
    const TPointRel p{0.4, 0.6};
    const QPoint v = g.ToView(p);
    const TPointRel back = g.ToRelative(v.x(), v.y());
    EXPECT_NEAR(back.X, p.X, 1.0 / g.DisplayWidth());
    EXPECT_NEAR(back.Y, p.Y, 1.0 / g.DisplayHeight());

    g.ZoomReset();
    EXPECT_EQ(g.SourceRect(), QRect(0, 0, 640, 480));
    EXPECT_EQ(g.BackBufferSize(), QSize(640, 480));
}

TEST(VideoGeometry, ZoomAtTheRightEdgeKeepsTheSourceInsideTheFrame)
{
    TVideoGeometry g = Make(640, 480, 640, 480);
    g.ZoomAt(639, 240, 400);
    const QRect s = g.SourceRect();
    EXPECT_EQ(s.width(), 160);
    EXPECT_EQ(s.left(), 640 - s.width());
    g.ZoomAt(0, 0, 800);
    EXPECT_EQ(g.SourceRect().topLeft(), QPoint(440, 150)); // 480 - 640/16 and 180 - 480/16
    EXPECT_GE(g.SourceRect().left(), 0);
}

TEST(VideoGeometry, SmallZoomRectangleActsAsAClick)
{
    TVideoGeometry g = Make(640, 480, 640, 480);
    EXPECT_FALSE(g.ZoomRectangle(QRect(100, 100, 9, 40)));
    EXPECT_EQ(g.Zoom(), 100);
    // A 160 x 120 rectangle: factor 4 on a 640 x 480 buffer, centred on the rectangle.
    EXPECT_TRUE(g.ZoomRectangle(QRect(QPoint(240, 180), QPoint(399, 299))));
    EXPECT_EQ(g.Zoom(), 400);
    EXPECT_EQ(g.SourceRect(), QRect(239, 179, 160, 120)); // centred on the pixel (319, 239)
}

TEST(VideoGeometry, ScrollingAndPanningStayInsideTheFrame)
{
    TVideoGeometry g = Make(640, 480, 640, 480);
    EXPECT_FALSE(g.Pan(50, 50)); // at 100 % the source already covers the frame
    g.ZoomAt(320, 240, 200);
    EXPECT_TRUE(g.Pan(100, 0)); // dragging right shows what lies to the left
    EXPECT_EQ(g.SourceRect().left(), 160 - 50);
    g.Pan(10000, -10000);
    EXPECT_EQ(g.SourceRect().topLeft(), QPoint(0, 240));
    g.ScrollTo(int(g.DisplayWidth()), 0);
    EXPECT_EQ(g.SourceRect().left(), 320);
    EXPECT_EQ(g.ScrollPosition(), QPoint(int(std::lround(0.5 * g.DisplayWidth())), 0));
}
