// The graph rendered offscreen: world-to-pixel mapping, zoom, pan and resizing read back from pixels and
// from the mapping, and the SVG rendering against the screen's.
#include "graph/UnitGraph.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <cmath>

namespace {

constexpr int Width = 600;
constexpr int Height = 400;

// Default margins: left 75, right 20, top 20, bottom 45.
constexpr int PlotLeft = 75;
constexpr int PlotTop = 20;
constexpr int PlotW = Width - 75 - 20;
constexpr int PlotH = Height - 20 - 45;

bool IsColour(const QImage& image, QPoint p, QColor expected, int tolerance = 8)
{
    const QColor c = image.pixelColor(p);
    return std::abs(c.red() - expected.red()) <= tolerance &&
           std::abs(c.green() - expected.green()) <= tolerance &&
           std::abs(c.blue() - expected.blue()) <= tolerance;
}

// A parabola y = x^2 sampled every 0.25 from -1 to 1, drawn as points only.
int AddParabola(TGraph& graph, TPointDDynArray& points)
{
    for (int i = 0; i <= 8; ++i) {
        const double x = -1 + 0.25 * i;
        points.emplace_back(x, x * x);
    }
    const int c = graph.AddCurve(points, 0, {}, {}, {}, {}, {});
    graph.SetCurveVisible(c, TCourbe::kSegments, false, 3);
    graph.SetCurveVisible(c, TCourbe::kSplines, false, 3);
    graph.SetCurveVisible(c, TCourbe::kNumbers, false, 3);
    return c;
}

TEST(GraphPixels, ParabolaPointsLandOnTheirWorldPixels)
{
    TGraph graph;
    graph.SetBounds(Width, Height);
    graph.SetWorldAndScales({-1.2, 1.2, -0.1, 1.1}, false);
    TPointDDynArray points;
    AddParabola(graph, points);
    const QImage image = graph.RenderImage();
    ASSERT_EQ(image.size(), QSize(Width, Height));
    for (const QPointF& p : points) {
        SCOPED_TRACE(p.x());
        // Mapping written out independently of the graph's code.
        const QPoint expected(int(std::lround(PlotLeft + PlotW * (p.x() + 1.2) / 2.4)),
                              int(std::lround(PlotTop + (1 - (p.y() + 0.1) / 1.2) * PlotH)));
        EXPECT_EQ(graph.WorldToPixel(p.x(), p.y()), expected);
        EXPECT_TRUE(IsColour(image, expected, Qt::red));
        // Well outside the 3-pixel glyph: the plot's background.
        EXPECT_FALSE(IsColour(image, expected + QPoint(0, -12), Qt::red, 60));
        const QPointF back = graph.PixelToWorld(expected.x(), expected.y());
        EXPECT_NEAR(back.x(), p.x(), 2.4 / PlotW);
        EXPECT_NEAR(back.y(), p.y(), 1.2 / PlotH);
    }
}

TEST(GraphPixels, WidgetRoutesResizeAndPaintToTheScene)
{
    TGraph graph;
    graph.SetWorldAndScales({-1.2, 1.2, -0.1, 1.1}, false);
    TPointDDynArray points;
    AddParabola(graph, points);
    // Through the widget: the resize reaches the scene (a hidden widget gets it when it is painted).
    graph.resize(Width, Height);
    const QImage painted = graph.grab().toImage();
    EXPECT_EQ(graph.ControlSize(), QSize(Width, Height));
    EXPECT_EQ(graph.PlotWidth(), PlotW);
    const QPoint p = graph.WorldToPixel(points[2].x(), points[2].y());
    EXPECT_TRUE(IsColour(painted, p, Qt::red));
}

TEST(GraphPixels, AxesAndFramesArePainted)
{
    TGraph graph;
    graph.SetBounds(Width, Height);
    graph.SetWorldAndScales({0, 100, -50, 50}, false);
    graph.TitreAxeX = QStringList{"t", "time (s)"};
    const QImage image = graph.RenderImage();
    // The zero line of y (solid grey, 3 pixels) crosses the plot at world y = 0.
    const int zeroY = PlotTop + PlotH - int(std::lround(50.0 * PlotH / 100)) - 0;
    EXPECT_TRUE(IsColour(image, QPoint(PlotLeft + PlotW / 3, zeroY), QColor(128, 128, 128), 20));
    // Black frame around the plot, band colour in the left margin away from the labels.
    EXPECT_TRUE(IsColour(image, QPoint(PlotLeft - 1, PlotTop + 5), Qt::black));
    EXPECT_TRUE(IsColour(image, QPoint(3, 3), ToQColor(graph.ColorAxe), 0) ||
                IsColour(image, QPoint(3, 3), Qt::white, 0));
    // A major tick below the x axis at x = 0 (its last pixel: the minor tick covers the first three).
    EXPECT_TRUE(IsColour(image, QPoint(PlotLeft, PlotTop + PlotH + 4), Qt::black));
}

struct TZoomCase
{
    const char* Name;
    bool ZoomX, ZoomY, Equal;
    Qt::MouseButton Button;
    Qt::KeyboardModifiers Mods;
    double FactorX, FactorY; // expected zoom factors after one click
};

TEST(GraphPixels, ClickZoomKeepsTheWorldPointUnderThePointer)
{
    const TZoomCase cases[] = {
        {"in, both axes", true, true, false, Qt::LeftButton, Qt::NoModifier, 1.5, 1.5},
        {"in, y only", false, true, false, Qt::LeftButton, Qt::NoModifier, 1, 1.5},
        {"out, x only", true, false, false, Qt::RightButton, Qt::NoModifier, 0.667, 1},
        {"in slowly", true, true, false, Qt::LeftButton, Qt::ControlModifier, 1.05, 1.05},
        {"equal scales zoom both", false, false, true, Qt::LeftButton, Qt::NoModifier, 1.5, 1.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TGraph graph;
        graph.SetBounds(Width, Height);
        graph.SetWorldAndScales({-10, 30, 5, 25}, c.Equal);
        graph.IsZoomX = c.ZoomX;
        graph.IsZoomY = c.ZoomY;
        graph.SetTool(gtZoom, true);
        const TWorld before = graph.World();
        const QPointF under = graph.PixelToWorld(212, 131);
        graph.MouseDown(c.Button, c.Mods, 210, 130);
        graph.MouseUp(c.Button, c.Mods, 212, 131); // a little jitter is still a click
        const TWorld after = graph.World();
        EXPECT_DOUBLE_EQ(graph.Zoom().ZoomX, c.FactorX);
        EXPECT_DOUBLE_EQ(graph.Zoom().ZoomY, c.FactorY);
        EXPECT_NEAR((after.XMax - after.XMin) * c.FactorX, before.XMax - before.XMin, 1e-9);
        EXPECT_NEAR((after.YMax - after.YMin) * c.FactorY, before.YMax - before.YMin, 1e-9);
        // The world point where the button went up stays under the pointer.
        const QPointF now = graph.PixelToWorld(212, 131);
        EXPECT_NEAR(now.x(), under.x(), 1e-9);
        EXPECT_NEAR(now.y(), under.y(), 1e-9);
        if (!c.ZoomX && !c.Equal) {
            EXPECT_EQ(after.XMin, before.XMin);
            EXPECT_EQ(after.XMax, before.XMax);
        }
    }
}

TEST(GraphPixels, RectangleZoomAndItsClickThreshold)
{
    TGraph graph;
    graph.SetBounds(Width, Height);
    graph.SetWorldAndScales({0, 100, 0, 100}, false);
    graph.IsZoomY = true;
    graph.SetTool(gtZoom, true);
    // 9 x 50 pixels: a click (zoom in on y by one level).
    graph.MouseDown(Qt::LeftButton, Qt::NoModifier, 200, 100);
    graph.MouseMove(Qt::NoModifier, 209, 150);
    EXPECT_TRUE(graph.Zoom().Active);
    graph.MouseUp(Qt::LeftButton, Qt::NoModifier, 209, 150);
    EXPECT_FALSE(graph.Zoom().Active);
    EXPECT_DOUBLE_EQ(graph.Zoom().ZoomY, 1.5);
    EXPECT_DOUBLE_EQ(graph.Zoom().ZoomX, 1);

    // With equal scales a 100 x 80 band zooms both axes by min(H / 80, W / 100) about its centre.
    graph.SetWorldAndScales({0, 100, 0, 100}, true);
    const QPointF centre = graph.PixelToWorld(250, 140);
    graph.MouseDown(Qt::LeftButton, Qt::NoModifier, 200, 100);
    graph.MouseUp(Qt::LeftButton, Qt::NoModifier, 300, 180);
    const double k = std::min(double(PlotH) / 80, double(PlotW) / 100);
    EXPECT_DOUBLE_EQ(graph.Zoom().ZoomX, k);
    const TWorld w = graph.World();
    EXPECT_NEAR((w.XMin + w.XMax) / 2, centre.x(), 1e-9);
    EXPECT_NEAR((w.YMin + w.YMax) / 2, centre.y(), 1e-9);
    EXPECT_NEAR(w.XMax - w.XMin, 100 / k, 1e-9);
    // Factors stop at the last level.
    for (int i = 0; i < 5; ++i) {
        graph.MouseDown(Qt::LeftButton, Qt::NoModifier, 200, 100);
        graph.MouseUp(Qt::LeftButton, Qt::NoModifier, 220, 120);
    }
    EXPECT_DOUBLE_EQ(graph.Zoom().ZoomX, 10);
}

TEST(GraphPixels, PanMovesTheWorldByThePointerOverTheControlSize)
{
    // Without margins the plot is the control: the world point under the pointer follows it.
    TGraph graph;
    graph.SetBounds(Width, Height);
    graph.SetMargins(0, 0, 0, 0);
    graph.SetWorldAndScales({0, 60, 0, 40}, true);
    graph.SetTool(gtPan, true);
    const QPointF grabbed = graph.PixelToWorld(100, 100);
    graph.MouseDown(Qt::LeftButton, Qt::NoModifier, 100, 100);
    graph.MouseMove(Qt::NoModifier, 130, 120);
    graph.MouseMove(Qt::NoModifier, 160, 130);
    EXPECT_EQ(graph.Drag(), dgPan);
    graph.MouseUp(Qt::LeftButton, Qt::NoModifier, 160, 130);
    EXPECT_EQ(graph.Drag(), dgNone);
    const QPointF now = graph.PixelToWorld(160, 130);
    EXPECT_NEAR(now.x(), grabbed.x(), 1e-9);
    EXPECT_NEAR(now.y(), grabbed.y(), 1e-9);

    // With margins the shift is still scaled by the whole control.
    TGraph framed;
    framed.SetBounds(Width, Height);
    framed.SetWorldAndScales({0, 60, 0, 40}, false);
    framed.SetTool(gtPan, true);
    framed.MouseDown(Qt::LeftButton, Qt::NoModifier, 100, 100);
    framed.MouseMove(Qt::NoModifier, 160, 130);
    EXPECT_DOUBLE_EQ(framed.XMin(), -60.0 * 60 / Width);
    EXPECT_DOUBLE_EQ(framed.YMin(), 40.0 * 30 / Height);
}

TEST(GraphPixels, EqualScalesResizeKeepsUnitsPerPixel)
{
    TGraph graph;
    graph.SetBounds(Width, Height);
    graph.SetWorldAndScales(EqualizeScales({0, 10, 0, 10}, PlotH, PlotW), true);
    const TWorld before = graph.World();
    const double units = (before.XMax - before.XMin) / PlotW;
    graph.SetBounds(Width + 200, Height);
    const TWorld after = graph.World();
    EXPECT_NEAR((after.XMax - after.XMin) / graph.PlotWidth(), units, 1e-12);
    EXPECT_NEAR((after.YMax - after.YMin) / graph.PlotHeight(), units, 1e-12);
    EXPECT_NEAR(after.XMin + after.XMax, before.XMin + before.XMax, 1e-9);
    // A window set while the plot had no size is equalised when the size comes.
    TGraph unsized;
    unsized.SetBounds(0, 0);
    unsized.SetWorldAndScales({0, 10, 0, 10}, true);
    unsized.SetBounds(Width, Height);
    EXPECT_NEAR((unsized.XMax() - unsized.XMin()) / PlotW, (unsized.YMax() - unsized.YMin()) / PlotH, 1e-12);
    EXPECT_DOUBLE_EQ(unsized.YMax() - unsized.YMin(), 10);
    // While the layout is suspended the size does not change.
    graph.SuspendLayout();
    graph.SetBounds(300, 300);
    EXPECT_EQ(graph.ControlSize(), QSize(Width + 200, Height));
    graph.ResumeLayout();
}

TEST(GraphPixels, ZeroSizePlotMapsNothingAndPaintsSafely)
{
    TGraph graph;
    graph.SetBounds(80, 50); // narrower than the margins
    EXPECT_EQ(graph.PlotWidth(), 0);
    EXPECT_EQ(graph.PlotHeight(), 0);
    TPointDDynArray points;
    AddParabola(graph, points);
    const QImage image = graph.RenderImage();
    EXPECT_EQ(image.size(), QSize(80, 50));
    for (const auto& e : graph.Elements()) {
        if (auto* p = dynamic_cast<TGPoint*>(e.get())) {
            EXPECT_FALSE(p->P.Mapped);
        }
    }
}

// Fraction of the pixels of `a` that match no pixel of `b` within one pixel around them by `threshold` on
// every channel: anti-aliasing and half-pixel shifts of the SVG reader do not count, a missing or moved
// line, glyph or text does.
double DifferentFraction(const QImage& a, const QImage& b, int threshold)
{
    const auto close = [&](QColor p, QColor q) {
        return std::abs(p.red() - q.red()) <= threshold && std::abs(p.green() - q.green()) <= threshold &&
               std::abs(p.blue() - q.blue()) <= threshold;
    };
    int different = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            bool matched = false;
            for (int dy = -1; dy <= 1 && !matched; ++dy)
                for (int dx = -1; dx <= 1 && !matched; ++dx)
                    if (b.valid(x + dx, y + dy) && close(p, b.pixelColor(x + dx, y + dy)))
                        matched = true;
            different += matched ? 0 : 1;
        }
    return double(different) / (a.width() * a.height());
}

TEST(GraphPixels, SvgRenderingMatchesTheScreen)
{
    TGraph graph;
    graph.SetBounds(Width, Height);
    graph.SetGradient(0xF3EBEB, 0xF5E5CA);
    TPointDDynArray points, acceleration;
    for (int i = 0; i <= 10; ++i) {
        const double t = i * 0.1;
        points.emplace_back(2 * t, 5 * t - 4.9 * t * t);
        acceleration.emplace_back(0, -9.8);
    }
    graph.SetWorldAndScales(
        EqualizeScales(FitRange({0, 2, 0, 1.3}, false, false, false, false, 0.1), PlotH, PlotW), true);
    graph.TitreAxeX = QStringList{"X", "Abscissa (m)"};
    graph.TitreAxeY = QStringList{"Y", "Ordinates (m)"};
    graph.AddCurve(points, 0, {}, {1}, {"m/s²"}, {1}, {acceleration});
    graph.InitCurrentScale();
    graph.IsDessinerEchelleVecteurs = true;

    const QImage screen = graph.RenderImage();
    const QByteArray svg = graph.ToSvg();
    ASSERT_FALSE(svg.isEmpty());
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    QImage read(screen.size(), QImage::Format_ARGB32_Premultiplied);
    read.fill(Qt::white);
    {
        QPainter painter(&read);
        renderer.render(&painter, QRectF(0, 0, Width, Height));
    }
    // The same scene painted for a vector target straight into an image: the SVG adds nothing and loses
    // nothing but anti-aliasing.
    QImage direct(screen.size(), QImage::Format_ARGB32_Premultiplied);
    direct.fill(Qt::white);
    graph.RenderTo(direct, true);
    EXPECT_LT(DifferentFraction(direct, read, 64), 0.01);
    EXPECT_LT(DifferentFraction(read, direct, 64), 0.01);
    // Against the screen only the frames differ (on the screen only, about 1.5 % of the pixels).
    EXPECT_LT(DifferentFraction(screen, read, 64), 0.02);
    // A vector's middle is purple in both.
    // The vector at the top of the flight points down, away from the curve.
    std::vector<const TGVecteur*> vectors;
    for (const auto& e : graph.Elements())
        if (auto* v = dynamic_cast<const TGVecteur*>(e.get()))
            vectors.push_back(v);
    ASSERT_EQ(vectors.size(), 11u);
    const TGVecteur* vector = vectors[5];
    const QPoint middle = (vector->Points[0].Pixel + vector->Tip) / 2;
    const QColor purple(148, 0, 211);
    EXPECT_TRUE(IsColour(screen, middle, purple, 40));
    // The SVG reader draws a one-pixel line on a pixel boundary: two half-tone pixels of the same hue.
    const auto purplish = [](QColor c) { return c.blue() > c.green() + 80 && c.red() > c.green() + 40; };
    EXPECT_TRUE(purplish(read.pixelColor(middle)) || purplish(read.pixelColor(middle - QPoint(1, 0))));

    // The same picture saved to files of each kind.
    QTemporaryDir dir;
    for (const char* name : {"g.svg", "g.png", "g.bmp", "g.pdf"})
        EXPECT_TRUE(graph.SaveToFile(dir.filePath(name))) << name;
    EXPECT_EQ(QImage(dir.filePath("g.png")).size(), screen.size());
    EXPECT_FALSE(graph.SaveToFile(dir.filePath("g.wmf")));
    EXPECT_FALSE(graph.SaveToFile(dir.filePath("missing/g.svg")));
}

} // namespace
