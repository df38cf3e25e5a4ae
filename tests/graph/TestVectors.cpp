// Curves, vectors and their scales on a graph: building a curve, vector geometry, the scale's bounds,
// zoom and resize, editing and deleting.
#include "graph/GraphFixtures.h"
#include "graph/UnitGraph.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int Width = 600;
constexpr int Height = 400;

std::vector<TGVecteur*> VectorsOf(const TGraph& graph)
{
    std::vector<TGVecteur*> vectors;
    for (const auto& e : graph.Elements())
        if (auto* v = dynamic_cast<TGVecteur*>(e.get()))
            vectors.push_back(v);
    return vectors;
}

double Length(const TGVecteur& v)
{
    const QPoint d = v.Tip - v.Points[0].Pixel;
    return std::hypot(d.x(), d.y());
}

TEST(Vectors, AngleAndNormOfComponents)
{
    struct TCase
    {
        double X, Y, Angle, Norm;
    };
    const TCase cases[] = {
        {0, 2, 90, 2},
        {0, -2, 270, 2},
        {-1, 0, 180, 1},
        {1, 1, 45, std::sqrt(2.0)},
        {1, -1, 315, std::sqrt(2.0)},
        {3, 4, std::atan2(4, 3) * 180 / M_PI, 5},
        {1e-120, -5, 270, 5},
        {0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Angle);
        TGVecteur v;
        v.SetComponents(c.X, c.Y);
        EXPECT_NEAR(v.VectorAngle, c.Angle, 1e-12);
        EXPECT_NEAR(v.VectorNorm, c.Norm, 1e-12);
    }
}

TEST(Vectors, LengthFollowsTheScale)
{
    TVectorGraph g;
    TParamCom& scale = g.Scale();
    // The largest vector is one tenth of the plot width.
    EXPECT_DOUBLE_EQ(scale.Factor, 0.1 / 5);
    EXPECT_DOUBLE_EQ(scale.Norm, 64 / (0.02 * 400));
    auto vectors = VectorsOf(g.Graph);
    ASSERT_EQ(vectors.size(), 3u);
    EXPECT_NEAR(Length(*vectors[0]), 40, 1);
    EXPECT_EQ(vectors[0]->Tip, QPoint(80 + 24, 320 - 32));
    // A norm of 5 m/s for the 64-pixel arrow: the 5 m/s vector is 64 pixels long.
    ASSERT_TRUE(g.Graph.SetVectorNorm(5));
    EXPECT_NEAR(Length(*vectors[0]), 64, 1);
    EXPECT_NEAR(Length(*vectors[1]), 64 * 2 / 5.0, 1);
    // Read back from the rendering: the tip pixel is drawn in the vector colour, a pixel beyond is not.
    const QImage image = g.Graph.RenderImage();
    const QPoint tip = vectors[2]->Tip; // (-1, 0): pointing left, 12.8 pixels long
    EXPECT_EQ(tip, vectors[2]->Points[0].Pixel - QPoint(13, 0));
    EXPECT_EQ(image.pixelColor(tip + QPoint(1, 0)), QColor(148, 0, 211));
    EXPECT_NE(image.pixelColor(tip - QPoint(3, 0)), QColor(148, 0, 211));
}

TEST(Vectors, ScaleAskedBeforeThePlotHasAWidthStartsOnTheFirstSize)
{
    TGraph graph;
    graph.SetBounds(0, 0);
    graph.SetWorldAndScales({0, 10, 0, 10}, true);
    graph.AddCurve({{2, 2}}, 0, {}, {0}, {"m/s"}, {0}, {{{3, 4}}});
    graph.InitCurrentScale();
    EXPECT_EQ(graph.CurrentScale()->Factor, 0);
    graph.SetBounds(400, 300);
    EXPECT_DOUBLE_EQ(graph.CurrentScale()->Factor, 0.1 / 5);
    EXPECT_DOUBLE_EQ(graph.CurrentScale()->Norm, 64 / (0.02 * graph.PlotWidth()));
    EXPECT_TRUE(graph.SetVectorNorm(graph.CurrentScale()->Norm * 1.1));
}

TEST(Vectors, NormClicksStopAtTheFactorBounds)
{
    TVectorGraph g;
    const double initial = g.Scale().Norm;
    int up = 0;
    for (double norm = initial; g.Graph.SetVectorNorm(norm * 1.1); norm *= 1.1)
        ++up;
    EXPECT_EQ(up, 16);
    g.Graph.SetVectorNorm(initial);
    int down = 0;
    for (double norm = initial; g.Graph.SetVectorNorm(norm * 0.9); norm *= 0.9)
        ++down;
    EXPECT_EQ(down, 21);
    EXPECT_FALSE(g.Graph.SetVectorNorm(0));
    EXPECT_FALSE(g.Graph.SetVectorNorm(NAN));
}

TEST(Vectors, ResizeKeepsTheNormUntilTheFactorLeavesItsBounds)
{
    TVectorGraph g;
    const double norm = g.Scale().Norm;
    auto vectors = VectorsOf(g.Graph);
    const double before = Length(*vectors[0]);
    // Twice the plot width: the norm stays, so the scale arrow and the vectors keep their pixels while
    // the plot shows twice the world.
    g.Graph.SetBounds(800, 400);
    EXPECT_DOUBLE_EQ(g.Scale().Norm, norm);
    EXPECT_DOUBLE_EQ(g.Scale().Factor, 0.1 / 5 / 2);
    EXPECT_NEAR(Length(*vectors[0]), before, 1.5);
    // Twenty times wider: the factor would fall below its bound, so it stops there and the norm changes.
    g.Graph.SetBounds(8000, 400);
    EXPECT_DOUBLE_EQ(g.Scale().Factor, g.Scale().FactorMin);
    EXPECT_DOUBLE_EQ(g.Scale().Norm, 64 / (g.Scale().FactorMin * 8000));
    EXPECT_LT(g.Scale().Norm, norm);
}

TEST(Vectors, ZoomMovesOriginsButKeepsLengths)
{
    TVectorGraph g;
    auto vectors = VectorsOf(g.Graph);
    const QPoint origin = vectors[0]->Points[0].Pixel;
    const QPoint d = vectors[0]->Tip - origin;
    g.Graph.SetTool(gtZoom, true);
    g.Graph.MouseDown(Qt::LeftButton, Qt::NoModifier, 300, 100);
    g.Graph.MouseUp(Qt::LeftButton, Qt::NoModifier, 300, 100);
    EXPECT_NE(vectors[0]->Points[0].Pixel, origin);
    EXPECT_EQ(vectors[0]->Tip - vectors[0]->Points[0].Pixel, d);
}

TEST(Vectors, HiddenEdgesOfPointsSegmentsAndVectors)
{
    TGraph graph;
    graph.SetBounds(Width, Height);
    graph.SetWorldAndScales({0, 10, 0, 10}, false);
    const TPointDDynArray points{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}};
    const TPointDDynArray v{{1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}};
    graph.AddCurve(points, 2, {}, {1}, {"m/s"}, {0}, {v});
    std::vector<int> shownPoints, shownVectors;
    int shownSegments = 0;
    for (const auto& e : graph.Elements()) {
        if (!e->IsShown())
            continue;
        if (auto* p = dynamic_cast<TGPoint*>(e.get()))
            shownPoints.push_back(p->Number);
        else if (e->ObjectType() == obSegment)
            ++shownSegments;
    }
    int index = 0;
    for (TGVecteur* vector : VectorsOf(graph)) {
        if (vector->IsShown())
            shownVectors.push_back(index);
        ++index;
    }
    EXPECT_EQ(shownPoints, std::vector<int>{3}); // numbered index + 1 beyond the given numbers
    EXPECT_EQ(shownSegments, 0);
    EXPECT_EQ(shownVectors, (std::vector<int>{1, 2, 3}));
}

TEST(Vectors, CurveVisibilityAndColourBySource)
{
    TVectorGraph g;
    TGraph& graph = g.Graph;
    // A vector the user drew on the same curve.
    auto drawn = std::make_unique<TGVecteur>();
    drawn->UserMade = true;
    drawn->Scale = graph.CurrentScale();
    auto* user = static_cast<TGVecteur*>(graph.AddElement(std::move(drawn), 0));
    user->SetOrigin(1, 1);
    user->SetComponents(1, 1);
    auto data = VectorsOf(graph);
    // Hide the data's vectors only ("defaults"), then colour the user's.
    graph.SetCurveVisible(0, TCourbe::kVecteurs, false, 2);
    EXPECT_FALSE(data[0]->IsShown());
    EXPECT_TRUE(user->IsShown());
    graph.SetCurveProperty(0, TCourbe::kVecteurs, QVariant(int(clBlue)), 1, 0);
    EXPECT_EQ(user->Color, clBlue);
    EXPECT_EQ(data[0]->Color, TColor(0xD30094));
    graph.SetAllCurvesVisible(-1, false, 3);
    for (const auto& e : graph.Elements())
        EXPECT_FALSE(e->IsShown());
}

TEST(Vectors, EditingReversingAndChains)
{
    TVectorGraph g;
    auto vectors = VectorsOf(g.Graph);
    TGVecteur& first = *vectors[0];
    TGVecteur& second = *vectors[1];
    // Dragging the tip recomputes the components from the scale's pixels.
    const QPoint origin = first.Points[0].Pixel;
    first.SetTipPixel(origin + QPoint(64, 0));
    EXPECT_NEAR(first.ComponentX, g.Scale().Norm, 1e-12);
    EXPECT_NEAR(first.ComponentY, 0, 1e-12);
    EXPECT_DOUBLE_EQ(first.VectorAngle, 0);
    // Head to tail: an attached vector's origin follows the tip.
    first.Attached.push_back(&second);
    second.AttachedTo = &first;
    first.SetTipPixel(origin + QPoint(30, -40));
    EXPECT_EQ(second.Points[0].Pixel, origin + QPoint(30, -40));
    // Moving detaches it.
    second.MoveBy(5, 5);
    EXPECT_EQ(second.AttachedTo, nullptr);
    EXPECT_TRUE(first.Attached.empty());
    // Reversing swaps origin and tip and turns the components round.
    const QPoint tip = first.Tip;
    first.Reverse();
    EXPECT_EQ(first.Points[0].Pixel, tip);
    EXPECT_EQ(first.Tip, origin);
    EXPECT_NEAR(first.VectorAngle, 180 + std::atan2(4, 3) * 180 / M_PI - 180 + 180 - 180 + 180, 1e-9);
    const QStringList infos = first.GetInfos();
    ASSERT_EQ(infos.size(), 2);
    EXPECT_TRUE(infos[0].startsWith("Vector norm : ")) << infos[0].toStdString();
    EXPECT_TRUE(infos[0].endsWith(" m/s"));
    EXPECT_TRUE(infos[1].startsWith("Angle with the horizontal axis : ")) << infos[1].toStdString();
    EXPECT_TRUE(infos[1].endsWith(" rad)"));
}

TEST(Vectors, DeleteToolAndUndo)
{
    TVectorGraph g;
    TGraph& graph = g.Graph;
    auto vectors = VectorsOf(graph);
    const std::size_t count = graph.Elements().size();
    int clicked = -1;
    graph.OnObjectClick = [&](Qt::MouseButton, TGObjectType type) { clicked = type; };
    graph.SetTool(gtSupprimer, true);
    const QPoint middle = (vectors[0]->Points[0].Pixel + vectors[0]->Tip) / 2;
    graph.MouseDown(Qt::LeftButton, Qt::NoModifier, middle.x(), middle.y());
    graph.MouseUp(Qt::LeftButton, Qt::NoModifier, middle.x(), middle.y());
    EXPECT_EQ(clicked, obVecteur);
    EXPECT_EQ(graph.Elements().size(), count - 1);
    EXPECT_EQ(graph.CurrentScale()->Vectors.size(), 2u);
    EXPECT_FALSE(graph.UndoCaption().isEmpty());
    // A click on nothing reports no element.
    const QPoint point = graph.WorldToPixel(9.5, 9.5);
    graph.MouseDown(Qt::LeftButton, Qt::NoModifier, point.x(), point.y());
    graph.MouseUp(Qt::LeftButton, Qt::NoModifier, point.x(), point.y());
    EXPECT_EQ(clicked, obNone);
    ASSERT_TRUE(graph.KeyDown(Qt::Key_A, Qt::ControlModifier));
    EXPECT_EQ(graph.Elements().size(), count);
    EXPECT_EQ(graph.CurrentScale()->Vectors.size(), 3u);
    EXPECT_TRUE(graph.UndoCaption().isEmpty());
    // Delete key on a selection made with the selection tool.
    graph.SetTool(gtSelection, true);
    graph.MouseDown(Qt::LeftButton, Qt::NoModifier, middle.x(), middle.y());
    graph.MouseUp(Qt::LeftButton, Qt::NoModifier, middle.x(), middle.y());
    ASSERT_EQ(graph.Selection().size(), 1u);
    graph.KeyDown(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(graph.Elements().size(), count - 1);
    EXPECT_TRUE(graph.Selection().empty());
}

TEST(Vectors, ToolsRaiseTheirNotifications)
{
    TGraph graph;
    graph.SetBounds(Width, Height);
    int changes = 0;
    std::vector<std::pair<int, int>> clicks;
    graph.OnOptionChange = [&] { ++changes; };
    graph.OnObjectClick = [&](Qt::MouseButton b, TGObjectType t) { clicks.emplace_back(int(b), int(t)); };
    EXPECT_FALSE(graph.SetTool(gtModifierModele, true)); // no model on the graph
    EXPECT_EQ(graph.Tool(), gtNone);
    EXPECT_TRUE(graph.SetTool(gtReticule, true));
    EXPECT_EQ(changes, 1);
    int moves = 0;
    graph.OnMouseMove = [&](Qt::KeyboardModifiers, int, int) { ++moves; };
    graph.MouseMove(Qt::NoModifier, 300, 200);
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(graph.MouseWorld(), graph.PixelToWorld(300, 200));
    graph.KeyDown(Qt::Key_Right, Qt::ControlModifier); // the pointer moves 10 pixels
    EXPECT_EQ(graph.MouseWorld(), graph.PixelToWorld(310, 200));
    graph.MouseDown(Qt::RightButton, Qt::NoModifier, 300, 200);
    graph.KeyDown(Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(clicks,
              (std::vector<std::pair<int, int>>{{Qt::RightButton, obNone}, {Qt::RightButton, obNone}}));
    graph.SetTool(gtReticule, false);
    EXPECT_EQ(graph.Tool(), gtNone);
    EXPECT_EQ(changes, 2);
}

TEST(Vectors, VideoImageBehindTheGraph)
{
    TGraph graph;
    graph.SetBounds(400, 400);
    graph.SetMargins(0, 0, 0, 0);
    graph.SetWorldAndScales({-1, 1, -1, 1}, true);
    // A 2 m x 2 m frame, left half red and right half blue, origin at its centre.
    QImage frame(20, 20, QImage::Format_RGB32);
    frame.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            frame.setPixelColor(x, y, Qt::blue);
    graph.SetVideoImage({0.5, 0.5}, {2, 2}, frame, false, false, 0);
    EXPECT_TRUE(graph.IsSourceImgVisible());
    // Pixels away from the grid lines (every 80 pixels from 40) and the zero lines.
    QImage image = graph.RenderImage();
    EXPECT_EQ(image.pixelColor(100, 150), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(300, 150), QColor(Qt::blue));
    // Mirrored on x: the halves swap.
    graph.SetVideoImage({0.5, 0.5}, {2, 2}, frame, true, false, 0);
    image = graph.RenderImage();
    EXPECT_EQ(image.pixelColor(100, 150), QColor(Qt::blue));
    // Axes turned by -90 degrees in the picture: the picture turns by +90 degrees in the graph, its left
    // (red) half going to the bottom.
    graph.SetVideoImage({0.5, 0.5}, {2, 2}, frame, false, false, -M_PI / 2);
    image = graph.RenderImage();
    EXPECT_EQ(image.pixelColor(150, 300), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(150, 100), QColor(Qt::blue));
    graph.SetSourceImgVisible(false);
    image = graph.RenderImage();
    EXPECT_NE(image.pixelColor(150, 300), QColor(Qt::red));
}

} // namespace
