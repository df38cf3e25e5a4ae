// The figures a user draws over a graph: drawing them with the mouse, measuring, selecting, moving,
// bending, duplicating, reversing, deleting and undoing, the pop-up menu, keeping them across a
// rebuilding of the page and in their text form.
#include "graph/GraphFixtures.h"
#include "graph/UnitGraph.h"
#include "graph/UnitGraphConstructs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <cmath>

namespace {

constexpr int Width = 600;
constexpr int Height = 400;
// Default margins: left 75, right 20, top 20, bottom 45.
constexpr int PlotLeft = 75;
constexpr int PlotBottom = Height - 45;

void Click(TGraph& g, QPoint p, Qt::KeyboardModifiers shift = Qt::NoModifier,
           Qt::MouseButton button = Qt::LeftButton)
{
    g.MouseDown(button, shift, p.x(), p.y());
    g.MouseUp(button, shift, p.x(), p.y());
}

void Drag(TGraph& g, QPoint from, QPoint to)
{
    g.MouseDown(Qt::LeftButton, Qt::NoModifier, from.x(), from.y());
    g.MouseMove(Qt::NoModifier, (from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
    g.MouseMove(Qt::NoModifier, to.x(), to.y());
    g.MouseUp(Qt::LeftButton, Qt::NoModifier, to.x(), to.y());
}

std::vector<TGElem*> UserElements(const TGraph& g)
{
    std::vector<TGElem*> elements;
    for (const auto& e : g.Elements())
        if (e->UserMade)
            elements.push_back(e.get());
    return elements;
}

template <class T> T* Only(const TGraph& g)
{
    const auto elements = UserElements(g);
    return elements.size() == 1 ? dynamic_cast<T*>(elements[0]) : nullptr;
}

std::vector<QPointF> WorldPoints(const TGElem& e)
{
    std::vector<QPointF> points;
    for (const TMappedPoint& p : dynamic_cast<const TGPolyPoint&>(e).Points)
        points.emplace_back(p.X, p.Y);
    return points;
}

// A plot of 505 x 335 pixels at 50 pixels per metre on both axes: whole pixels are exact world
// values, so that the pixels of (3, 4) are 150 and 200 pixels from those of the origin.
struct TPlot
{
    TGraph Graph;
    TPlot()
    {
        Graph.SetBounds(Width, Height);
        Graph.SetWorldAndScales({-1, -1 + 505 / 50.0, -2, -2 + 335 / 50.0}, true);
    }
    QPoint At(double x, double y) const { return Graph.WorldToPixel(x, y); }
};

TEST(Constructs, EachToolDrawsItsFigureAtTheWorldPointsOfThePointer)
{
    // Pixels of the pointer; the figure's world points are those of the pixels under a window that is
    // neither square nor at the origin.
    struct TCase
    {
        const char* Name;
        int Tool;
        TGObjectType Type;
        bool Drags; // press-drag-release for each pair, else clicks
        std::vector<QPoint> Pointer;
        std::vector<int> Expected; // indexes into Pointer of the figure's points, in order
    };
    const std::vector<TCase> cases = {
        {"segment dragged", gtSegment, obSegment, true, {{100, 300}, {400, 80}}, {0, 1}},
        {"segment by two clicks", gtSegment, obSegment, false, {{100, 300}, {400, 80}}, {0, 1}},
        {"circle from its centre", gtCercle, obCercle, true, {{300, 200}, {360, 240}}, {0, 1}},
        {"ellipse from its centre", gtEllipse, obEllipse, true, {{300, 200}, {400, 240}}, {0, 1}},
        {"angle by three clicks", gtAngle, obAngle, false, {{200, 250}, {400, 250}, {300, 100}}, {0, 1, 2}},
        {"curve by clicks",
         gtSpline,
         obSpline,
         false,
         {{100, 300}, {200, 150}, {300, 250}, {420, 90}},
         {0, 1, 2, 3}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TGraph g;
        g.SetBounds(Width, Height);
        g.SetWorldAndScales({-3.5, 12.25, 100, 140}, false);
        ASSERT_TRUE(g.SetTool(c.Tool, true));
        if (c.Drags) {
            Drag(g, c.Pointer[0], c.Pointer[1]);
        } else {
            for (const QPoint& p : c.Pointer)
                Click(g, p);
            if (c.Tool == gtSpline)
                g.MouseDoubleClick(Qt::LeftButton, Qt::NoModifier, c.Pointer.back().x(),
                                   c.Pointer.back().y());
        }
        EXPECT_TRUE(g.Construction().empty());
        const auto elements = UserElements(g);
        ASSERT_EQ(elements.size(), 1u);
        EXPECT_EQ(elements[0]->ObjectType(), c.Type);
        const std::vector<QPointF> world = WorldPoints(*elements[0]);
        ASSERT_EQ(world.size(), c.Expected.size());
        for (std::size_t i = 0; i < world.size(); ++i) {
            const QPoint p = c.Pointer[std::size_t(c.Expected[i])];
            const QPointF w = g.PixelToWorld(p.x(), p.y());
            EXPECT_NEAR(world[i].x(), w.x(), 1e-9);
            EXPECT_NEAR(world[i].y(), w.y(), 1e-9);
        }
        EXPECT_EQ(g.UndoCaption(), "Cancel drawing");
        g.Undo();
        EXPECT_TRUE(UserElements(g).empty());
    }
}

TEST(Constructs, AngleByTwoDragsArcByTwoPointsAndSlips)
{
    TPlot plot;
    TGraph& g = plot.Graph;
    g.SetTool(gtAngle, true);
    // First arm dragged from the vertex, second arm dragged from anywhere.
    Drag(g, plot.At(1, 1), plot.At(4, 1));
    EXPECT_EQ(g.Construction().size(), 2u);
    Drag(g, plot.At(1, 1), plot.At(1, 3));
    auto* angle = Only<TGAngle>(g);
    ASSERT_NE(angle, nullptr);
    EXPECT_NEAR(angle->Degrees(), 90.0, 1e-9);

    // An arc from two points is the half circle over them, on their left.
    g.ClearConstructs();
    g.SetTool(gtArc, true);
    Drag(g, plot.At(0, 0), plot.At(4, 0));
    auto* arc = Only<TGArc>(g);
    ASSERT_NE(arc, nullptr);
    QPointF centre;
    double radius = 0, start = 0, sweep = 0;
    ASSERT_TRUE(arc->Circle(centre, radius, start, sweep));
    EXPECT_NEAR(centre.x(), 2, 1e-9);
    EXPECT_NEAR(centre.y(), 0, 1e-9);
    EXPECT_NEAR(radius, 2, 1e-9);
    EXPECT_NEAR(std::fabs(sweep), M_PI, 1e-9);
    EXPECT_NEAR(arc->Points[2].Y, 2, 1e-9); // passes over the chord

    // A click at one place, a figure smaller than a click and Escape draw nothing.
    g.ClearConstructs();
    g.SetTool(gtCercle, true);
    Click(g, plot.At(2, 2));
    Click(g, plot.At(2, 2) + QPoint(1, 1));
    EXPECT_TRUE(UserElements(g).empty());
    Click(g, plot.At(2, 2));
    EXPECT_FALSE(g.Construction().empty());
    EXPECT_TRUE(g.KeyDown(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_TRUE(g.Construction().empty());
    EXPECT_FALSE(g.KeyDown(Qt::Key_Escape, Qt::NoModifier));
    // A curve needs two points; a tool change drops one under way.
    g.SetTool(gtSpline, true);
    Click(g, plot.At(1, 1));
    g.MouseDoubleClick(Qt::LeftButton, Qt::NoModifier, plot.At(1, 1).x(), plot.At(1, 1).y());
    EXPECT_EQ(g.Construction().size(), 1u);
    g.SetTool(gtSelection, true);
    EXPECT_TRUE(g.Construction().empty());
    EXPECT_TRUE(UserElements(g).empty());
}

TEST(Constructs, MeasureShowsValuesInThePageUnits)
{
    TPlot plot;
    TGraph& g = plot.Graph;
    g.TitreAxeX = QStringList{"X", "Abscissa (m)"};
    g.TitreAxeY = QStringList{"Y", "Ordinates (m)"};
    // A 3-4-5 segment and a circle drawn with the mouse.
    g.SetTool(gtSegment, true);
    Drag(g, plot.At(0, 0), plot.At(3, 4));
    g.SetTool(gtCercle, true);
    Drag(g, plot.At(7, 1), plot.At(7, 2.5));
    ASSERT_TRUE(g.LoadConstructs(g.SaveConstructs() << "Angle;0;-1;5;-1;8;-1;5;2"
                                                    << "Curve;0;-1;-0.5;3;2;3"
                                                    << "Ellipse;0;-1;3;-1;4;-0.5"
                                                    << "Arc;0;-1;0;-1.5;2;-1.5;1;-0.5"));
    QString measured;
    g.OnMeasure = [&](const QString& text) { measured = text; };
    g.SetTool(gtMesurer, true);
    const struct
    {
        QPoint At;
        const char* Text;
    } cases[] = {
        {plot.At(1.5, 2), "Length : 5 m"},
        {plot.At(8.5, 1), "Radius : 1.5 m\nCircumference : 9.42 m"},
        {plot.At(6, -1), "Angle : 90.0° (1.571 rad)"},
        {plot.At(0.5, 3), "Length : 2.5 m"},
        {plot.At(4, -1), "Semi-axis along x : 1 m\nSemi-axis along y : 0.5 m"},
        {plot.At(1, -0.5), "Radius : 1 m\nAngle : 180.0°\nArc length : 3.14 m"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        measured.clear();
        g.MouseMove(Qt::NoModifier, c.At.x(), c.At.y());
        EXPECT_EQ(g.CursorNumber(), -int(Qt::CrossCursor));
        Click(g, c.At);
        EXPECT_EQ(measured, QString::fromUtf8(c.Text));
        EXPECT_EQ(g.MeasureText(), QString::fromUtf8(c.Text));
    }
    // Off every figure: the arrow and no measure.
    g.MouseMove(Qt::NoModifier, plot.At(9, 4).x(), plot.At(9, 4).y());
    EXPECT_EQ(g.CursorNumber(), 0);
    Click(g, plot.At(9, 4));
    EXPECT_TRUE(g.MeasureText().isEmpty());
    // The unit: set, from the titles, none when the axes differ.
    g.SetLengthUnit("cm");
    Click(g, plot.At(1.5, 2));
    EXPECT_EQ(measured, "Length : 5 cm");
    g.SetLengthUnit(QString());
    g.TitreAxeY = QStringList{"v", "Value of velocity (m/s)"};
    Click(g, plot.At(1.5, 2));
    EXPECT_EQ(measured, "Length : 5");
}

TEST(Constructs, DrawnVectorTakesItsNormFromTheScaleAndChainsOnData)
{
    TVectorGraph plot;
    TGraph& g = plot.Graph;
    ASSERT_NEAR(g.CurrentScale()->Norm, 8.0, 1e-12);
    g.SetTool(gtVecteur, true);
    // 48 pixels right and 64 up, away from the data: 80 pixels stand for 10 m/s.
    const QPoint free = g.WorldToPixel(1, 8);
    Drag(g, free, free + QPoint(48, -64));
    auto* drawn = Only<TGVecteur>(g);
    ASSERT_NE(drawn, nullptr);
    EXPECT_NEAR(drawn->VectorNorm, 10.0, 1e-9);
    EXPECT_NEAR(drawn->ComponentX, 6.0, 1e-9);
    EXPECT_NEAR(drawn->ComponentY, 8.0, 1e-9);
    EXPECT_EQ(drawn->Tip, free + QPoint(48, -64));
    EXPECT_FALSE(TGraph::IsAttached(*drawn));
    QString measured;
    g.OnMeasure = [&](const QString& text) { measured = text; };
    g.SetTool(gtMesurer, true);
    Click(g, free + QPoint(24, -32));
    EXPECT_TRUE(measured.startsWith("Vector norm : 10 m/s\n")) << measured.toStdString();
    // The scale does not follow the user's vectors.
    g.InitCurrentScale();
    EXPECT_NEAR(g.CurrentScale()->Norm, 8.0, 1e-12);

    // From a data point: starts exactly there and belongs to its curve. From a vector's tip: chained.
    g.SetTool(gtVecteur, true);
    const QPoint mark = g.WorldToPixel(5, 5);
    Drag(g, mark + QPoint(1, -1), mark + QPoint(40, 0));
    TGVecteur* fromMark = dynamic_cast<TGVecteur*>(UserElements(g).back());
    ASSERT_NE(fromMark, nullptr);
    EXPECT_DOUBLE_EQ(fromMark->Points[0].X, 5.0);
    EXPECT_DOUBLE_EQ(fromMark->Points[0].Y, 5.0);
    EXPECT_TRUE(TGraph::IsAttached(*fromMark));
    EXPECT_EQ(fromMark->CurveIndex, 0);
    Drag(g, fromMark->Tip, fromMark->Tip + QPoint(0, -30));
    TGVecteur* chained = dynamic_cast<TGVecteur*>(UserElements(g).back());
    ASSERT_NE(chained, nullptr);
    EXPECT_EQ(chained->AttachedTo, fromMark);
    fromMark->SetTipPixel(fromMark->Tip + QPoint(0, 10));
    EXPECT_EQ(chained->Points[0].Pixel, fromMark->Tip);
}

TEST(Constructs, SelectMoveEditDuplicateDeleteAndUndo)
{
    TPlot plot;
    TGraph& g = plot.Graph;
    ASSERT_TRUE(g.LoadConstructs({"Circle;0;-1;2;1;3;1", "Segment;0;-1;5;0;5;3"}));
    TGElem* circle = UserElements(g)[0];
    TGElem* segment = UserElements(g)[1];
    g.SetTool(gtSelection, true);
    // Click on the circumference selects; Shift adds; a click on nothing clears.
    Click(g, plot.At(3, 1));
    EXPECT_EQ(g.Selection(), std::vector<TGElem*>{circle});
    Click(g, plot.At(5, 2), Qt::ShiftModifier);
    EXPECT_EQ(g.Selection().size(), 2u);
    Click(g, plot.At(8, 4));
    EXPECT_TRUE(g.Selection().empty());
    // Dragging the body moves it, one undo step.
    Drag(g, plot.At(1, 1), plot.At(1, 1) + QPoint(50, -100));
    EXPECT_NEAR(WorldPoints(*circle)[0].x(), 3, 1e-9);
    EXPECT_NEAR(WorldPoints(*circle)[0].y(), 3, 1e-9);
    EXPECT_EQ(g.UndoCaption(), "Cancel move");
    g.Undo();
    EXPECT_NEAR(WorldPoints(*circle)[0].x(), 2, 1e-9);
    EXPECT_NEAR(WorldPoints(*circle)[0].y(), 1, 1e-9);
    // Dragging the radius handle of the selected circle changes the radius.
    Click(g, plot.At(3, 1));
    Drag(g, plot.At(3, 1), plot.At(4, 1));
    EXPECT_NEAR(static_cast<TGCercle*>(circle)->Radius(), 2, 1e-9);
    EXPECT_EQ(g.UndoCaption(), "Cancel change");
    g.Undo();
    EXPECT_NEAR(static_cast<TGCercle*>(circle)->Radius(), 1, 1e-9);
    // A click without a drag keeps no undo step.
    const QString caption = g.UndoCaption();
    Click(g, plot.At(5, 2));
    EXPECT_EQ(g.UndoCaption(), caption);

    // Duplicate: an offset copy, selected.
    g.SetTool(gtDupliquer, true);
    Click(g, plot.At(5, 2));
    ASSERT_EQ(UserElements(g).size(), 3u);
    TGElem* copy = UserElements(g).back();
    EXPECT_EQ(copy->ObjectType(), obSegment);
    EXPECT_EQ(g.Selection(), std::vector<TGElem*>{copy});
    EXPECT_GT(WorldPoints(*copy)[0].x(), 5);
    EXPECT_LT(WorldPoints(*copy)[0].y(), 0);
    EXPECT_NEAR(WorldPoints(*copy)[1].y() - WorldPoints(*copy)[0].y(), 3, 1e-9);
    EXPECT_EQ(g.UndoCaption(), "Cancel duplication");
    g.Undo();
    EXPECT_EQ(UserElements(g).size(), 2u);
    EXPECT_TRUE(g.Selection().empty());

    // Delete the figures entirely inside a rectangle: the circle, not the segment that leaves it.
    g.SetTool(gtSupprimer, true);
    Drag(g, plot.At(0.5, 2.5), plot.At(5.5, -0.5));
    EXPECT_EQ(UserElements(g), std::vector<TGElem*>{segment});
    g.Undo();
    ASSERT_EQ(UserElements(g).size(), 2u);
    // The Delete key removes the selection.
    g.SetTool(gtSelection, true);
    Click(g, plot.At(5, 2));
    g.KeyDown(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(UserElements(g).size(), 1u);
    g.Undo();
    EXPECT_EQ(UserElements(g).size(), 2u);
    EXPECT_FALSE(g.CanUndo());

    // Undo in the middle of a drag undoes the drag so far, then the drawing of the dragged figure.
    g.SetTool(gtCercle, true);
    Drag(g, plot.At(7, 3), plot.At(8, 3));
    g.SetTool(gtSelection, true);
    Click(g, plot.At(8, 3));
    g.MouseDown(Qt::LeftButton, Qt::NoModifier, plot.At(8, 3).x(), plot.At(8, 3).y());
    g.MouseMove(Qt::NoModifier, plot.At(8.5, 3).x(), plot.At(8.5, 3).y());
    ASSERT_TRUE(g.KeyDown(Qt::Key_A, Qt::ControlModifier));
    EXPECT_NEAR(static_cast<TGCercle*>(UserElements(g).back())->Radius(), 1, 1e-9);
    g.KeyDown(Qt::Key_A, Qt::ControlModifier);
    g.MouseMove(Qt::NoModifier, plot.At(9, 3).x(), plot.At(9, 3).y());
    g.MouseUp(Qt::LeftButton, Qt::NoModifier, plot.At(9, 3).x(), plot.At(9, 3).y());
    EXPECT_EQ(UserElements(g).size(), 2u);
    EXPECT_FALSE(g.CanUndo());
}

TEST(Constructs, BendChangesArcsCirclesAndEllipses)
{
    TPlot plot;
    TGraph& g = plot.Graph;
    ASSERT_TRUE(g.LoadConstructs(
        {"Arc;0;-1;0;0;4;0;2;2", "Circle;0;-1;7;1;8;1", "Ellipse;0;-1;2;-1;3;-1.5", "Segment;0;-1;5;2;5;3"}));
    const auto elements = UserElements(g);
    auto* arc = static_cast<TGArc*>(elements[0]);
    g.SetTool(gtCurveArc, true);
    // Grabbing the middle of the arc flattens it through the pointer.
    Drag(g, plot.At(2, 2), plot.At(2, 1));
    QPointF centre;
    double radius = 0, start = 0, sweep = 0;
    ASSERT_TRUE(arc->Circle(centre, radius, start, sweep));
    EXPECT_NEAR(radius, 2.5, 1e-9); // chord 4, height 1
    EXPECT_EQ(g.UndoCaption(), "Cancel bending");
    // Grabbing an end moves that end.
    Drag(g, plot.At(4, 0), plot.At(4, -1));
    EXPECT_NEAR(arc->Points[1].Y, -1, 1e-9);
    g.Undo();
    g.Undo();
    EXPECT_NEAR(arc->Points[2].Y, 2, 1e-9);
    EXPECT_NEAR(arc->Points[1].Y, 0, 1e-9);
    // The circle's radius follows the pointer; the ellipse's axis along the grab.
    Drag(g, plot.At(7, 2), plot.At(7, 3));
    EXPECT_NEAR(static_cast<TGCercle*>(elements[1])->Radius(), 2, 1e-9);
    auto* ellipse = static_cast<TGEllipse*>(elements[2]);
    Drag(g, plot.At(3, -1), plot.At(3.5, -1));
    EXPECT_NEAR(ellipse->SemiAxisX(), 1.5, 1e-9);
    EXPECT_NEAR(ellipse->SemiAxisY(), 0.5, 1e-9);
    Drag(g, plot.At(2, -1.5), plot.At(2, -2));
    EXPECT_NEAR(ellipse->SemiAxisY(), 1, 1e-9);
    // A segment cannot be bent: the press starts nothing.
    const QString caption = g.UndoCaption();
    Drag(g, plot.At(5, 2.5), plot.At(6, 2.5));
    EXPECT_EQ(g.UndoCaption(), caption);
    EXPECT_NEAR(WorldPoints(*elements[3])[0].x(), 5, 1e-9);
}

TEST(Constructs, ChangeDirectionOfUserAndDataVectors)
{
    TVectorGraph plot;
    TGraph& g = plot.Graph;
    ASSERT_TRUE(g.LoadConstructs({"Vector;0;-1;0;1;8;4;0"}));
    auto* user = Only<TGVecteur>(g);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->Tip - user->Points[0].Pixel, QPoint(32, 0)); // 4 m/s of 8 per 64 pixels
    g.SetTool(gtSens, true);
    Click(g, user->Points[0].Pixel + QPoint(16, 0));
    EXPECT_DOUBLE_EQ(user->ComponentX, -4);
    EXPECT_NEAR(user->Points[0].X, 1.8, 1e-9);
    EXPECT_EQ(g.UndoCaption(), "Cancel change of direction");
    g.Undo();
    EXPECT_DOUBLE_EQ(user->ComponentX, 4);
    EXPECT_NEAR(user->Points[0].X, 1, 1e-9);
    // A rectangle round the data's first vector (at (2, 2), (3, 4) m/s) and the user's.
    TGVecteur* data = nullptr;
    for (const auto& e : g.Elements())
        if (auto* v = dynamic_cast<TGVecteur*>(e.get()); v && !v->UserMade && v->Points[0].X == 2)
            data = v;
    ASSERT_NE(data, nullptr);
    Drag(g, g.WorldToPixel(0.5, 8.5), g.WorldToPixel(4.5, 0.5));
    EXPECT_DOUBLE_EQ(user->ComponentX, -4);
    EXPECT_DOUBLE_EQ(data->ComponentX, -3);
    EXPECT_DOUBLE_EQ(data->ComponentY, -4);
    g.Undo();
    EXPECT_DOUBLE_EQ(data->ComponentX, 3);
    EXPECT_DOUBLE_EQ(user->ComponentX, 4);
}

TEST(Constructs, PopupMenuOfTheSelection)
{
    TScriptedDialogsScope dialogs;
    TPlot plot;
    TGraph& g = plot.Graph;
    ASSERT_TRUE(g.LoadConstructs({"Circle;0;-1;2;1;3;1", "Segment;0;-1;5;0;5;3", "Segment;0;-1;6;0;6;3"}));
    const auto elements = UserElements(g);
    QStringList items;
    std::function<void(QMenu&)> choose;
    g.OnSelectionMenu = [&](QMenu& menu) {
        items.clear();
        for (QAction* a : menu.actions())
            items << a->text();
        if (choose)
            choose(menu);
    };
    const auto trigger = [](QMenu& menu, const QString& item, const QString& sub) {
        for (QAction* a : menu.actions())
            if (a->text() == item) {
                if (!a->menu()) {
                    a->trigger();
                    return;
                }
                for (QAction* s : a->menu()->actions())
                    if (s->text() == sub)
                        s->trigger();
            }
    };
    g.SetTool(gtSelection, true);
    // One type selected: plain items; right click on a selected figure opens the menu.
    Click(g, plot.At(5, 1));
    Click(g, plot.At(6, 1), Qt::ShiftModifier);
    dialogs->ColorAnswers.push_back(clBlue);
    choose = [&](QMenu& menu) { trigger(menu, "Colour", {}); };
    Click(g, plot.At(6, 1), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(items, (QStringList{"Colour", "Duplicate", "Delete"}));
    EXPECT_EQ(elements[1]->Color, clBlue);
    EXPECT_EQ(elements[2]->Color, clBlue);
    EXPECT_EQ(g.UndoCaption(), "Cancel colour change");
    g.Undo();
    EXPECT_EQ(elements[1]->Color, 0);
    // Two types: submenus by type, bending for the one circle.
    Click(g, plot.At(3, 1), Qt::ShiftModifier);
    ASSERT_EQ(g.Selection().size(), 3u);
    dialogs->ColorAnswers.push_back(clRed);
    choose = [&](QMenu& menu) { trigger(menu, "Colour", "Circle"); };
    Click(g, plot.At(3, 1), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(items,
              (QStringList{"Colour", "Duplicate", "Delete", "Bend the arc, the circle or the ellipse"}));
    EXPECT_EQ(elements[0]->Color, clRed);
    EXPECT_EQ(elements[1]->Color, 0);
    // Cancelling the colour dialog changes nothing.
    dialogs->ColorAnswers.push_back(clNone);
    choose = [&](QMenu& menu) { trigger(menu, "Colour", "All"); };
    Click(g, plot.At(3, 1), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(elements[0]->Color, clRed);
    // Delete the segments only, then bend from the menu.
    Click(g, plot.At(8, 4));
    Click(g, plot.At(3, 1));
    Click(g, plot.At(5, 1), Qt::ShiftModifier);
    Click(g, plot.At(6, 1), Qt::ShiftModifier);
    choose = [&](QMenu& menu) { trigger(menu, "Delete", "Segment"); };
    Click(g, plot.At(3, 1), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(UserElements(g), std::vector<TGElem*>{elements[0]});
    choose = [&](QMenu& menu) { trigger(menu, "Bend the arc, the circle or the ellipse", {}); };
    Click(g, plot.At(3, 1), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(g.Tool(), gtCurveArc);
    // A right click on nothing is left to the page's own menu.
    int menus = 0;
    g.OnSelectionMenu = [&](QMenu&) { ++menus; };
    TGObjectType clicked = obAngle;
    g.OnObjectClick = [&](Qt::MouseButton, TGObjectType type) { clicked = type; };
    Click(g, plot.At(8, 4), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(menus, 0);
    EXPECT_EQ(clicked, obNone);
}

TEST(Constructs, VectorMenuChangesDirection)
{
    TVectorGraph plot;
    TGraph& g = plot.Graph;
    ASSERT_TRUE(g.LoadConstructs({"Vector;0;-1;0;1;8;4;0"}));
    auto* user = Only<TGVecteur>(g);
    QStringList items;
    g.OnSelectionMenu = [&](QMenu& menu) {
        for (QAction* a : menu.actions()) {
            items << a->text();
            if (a->text() == "Change direction")
                a->trigger();
        }
    };
    g.SetTool(gtSelection, true);
    const QPoint middle = user->Points[0].Pixel + QPoint(16, 0);
    Click(g, middle, Qt::NoModifier, Qt::RightButton);
    EXPECT_TRUE(items.contains("Change direction"));
    EXPECT_DOUBLE_EQ(user->ComponentX, -4);
}

TEST(Constructs, SavedLinesComeBackAndDamagedOnesAreSkipped)
{
    TPlot plot;
    TGraph& g = plot.Graph;
    g.SetTool(gtSegment, true);
    Drag(g, plot.At(0, 0), plot.At(3, 4));
    g.SetTool(gtSpline, true);
    for (const QPoint& p : {plot.At(1, 1), plot.At(2, 0.5), plot.At(3, 1.2)})
        Click(g, p);
    g.MouseDoubleClick(Qt::LeftButton, Qt::NoModifier, plot.At(3, 1.2).x(), plot.At(3, 1.2).y());
    ASSERT_TRUE(g.LoadConstructs(g.SaveConstructs() << "Angle;255;-1;0.1;0.2;0.30000000000000004;0.4;0.5;0.6"
                                                    << "Vector;0;2;1;0;0;1.5;-2"));
    const QStringList saved = g.SaveConstructs();
    ASSERT_EQ(saved.size(), 4);
    // The world points of pixels, to the last bits of the doubles.
    const QStringList segment = saved[0].split(';');
    ASSERT_EQ(segment.size(), 7);
    EXPECT_EQ(segment.mid(0, 3), (QStringList{"Segment", "25600", "-1"}));
    const double ends[] = {0, 0, 3, 4};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(segment[3 + i].toDouble(), ends[i], 1e-12);
    EXPECT_TRUE(saved[1].startsWith("Curve;14772545;-1;")) << saved[1].toStdString();
    EXPECT_EQ(saved[2], "Angle;255;-1;0.10000000000000001;0.20000000000000001;0.30000000000000004;"
                        "0.40000000000000002;0.5;0.59999999999999998");
    EXPECT_EQ(saved[3], "Vector;0;2;1;0;0;1.5;-2");

    // Into another graph: the same lines and figures; a vector waits for its scale.
    TGraph other;
    ASSERT_TRUE(other.LoadConstructs(saved));
    EXPECT_EQ(other.SaveConstructs(), saved);
    EXPECT_EQ(UserElements(other)[2]->ObjectType(), obAngle);
    EXPECT_EQ(static_cast<TGVecteur*>(UserElements(other)[3])->Scale, nullptr);

    const QStringList damaged = {
        "",
        "Triangle;0;-1;0;0;1;1;2;0",
        "Segment;0;-1;0;0;1",
        "Segment;0;-1;0;0;1;x",
        "Segment;0;-1;0;0;1;nan",
        "Segment;0;-1;0;0;1;inf",
        "Segment;-5;-1;0;0;1;1",
        "Segment;0;-7;0;0;1;1",
        "Segment;0;-1;0;0;1;1;2;2",
        "Segment;0,5;-1;0;0;1;1",
        "Segment;0;-1;0,5;0;1;1",
        "Curve;0;-1;0;0",
        "Circle;0;-1;0;0;1e400;1",
        "Vector;0;-1;-1;0;0;1;1",
        "Vector;0;-1;0;0;0;1",
    };
    for (const QString& line : damaged) {
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(ConstructFromLine(line), nullptr);
    }
    EXPECT_FALSE(other.LoadConstructs(QStringList(damaged) << saved[0]));
    EXPECT_EQ(other.SaveConstructs(), QStringList{saved[0]});
}

TEST(Constructs, RebuildingThePageKeepsThemInTheirCurves)
{
    TVectorGraph plot;
    TGraph& g = plot.Graph;
    // A segment drawn from a data point belongs to its curve; a circle and a vector drawn in free
    // space belong to none.
    g.SetTool(gtSegment, true);
    Drag(g, g.WorldToPixel(8, 3), g.WorldToPixel(9, 9));
    g.SetTool(gtCercle, true);
    Drag(g, g.WorldToPixel(1, 8), g.WorldToPixel(2, 8));
    g.SetTool(gtVecteur, true);
    Drag(g, g.WorldToPixel(1, 1), g.WorldToPixel(1, 1) + QPoint(64, 0));
    g.SetTool(gtSelection, true);
    Drag(g, g.WorldToPixel(2, 8), g.WorldToPixel(2.5, 9)); // moves the circle by 0.5, 1
    const QStringList before = g.SaveConstructs();
    ASSERT_EQ(before.size(), 3);
    EXPECT_TRUE(before[0].startsWith("Segment;25600;0;8;3;"));

    // The page rebuilds: data go, the figures stay, the segment rejoins its curve, the vector its
    // scale; undo steps on the figures survive.
    g.Clear();
    EXPECT_EQ(g.SaveConstructs(), before);
    EXPECT_EQ(g.UndoCaption(), "Cancel move");
    g.AddCurve({{2, 2}, {5, 5}, {8, 3}}, 0, {1, 2, 3}, {0}, {"m/s"}, {0}, {{{3, 4}, {0, 2}, {-1, 0}}});
    g.InitCurrentScale();
    // The moved circle came last.
    const auto elements = UserElements(g);
    ASSERT_EQ(elements.size(), 3u);
    ASSERT_EQ(elements[0]->ObjectType(), obSegment);
    ASSERT_EQ(elements[1]->ObjectType(), obVecteur);
    ASSERT_EQ(elements[2]->ObjectType(), obCercle);
    EXPECT_EQ(g.Elements().back().get(), elements.back()); // still drawn over the data
    EXPECT_TRUE(TGraph::IsAttached(*elements[0]));
    const auto& segments = g.Curves()[0]->Lists[TCourbe::kSegments];
    EXPECT_NE(std::find(segments.begin(), segments.end(), elements[0]), segments.end());
    auto* vector = static_cast<TGVecteur*>(elements[1]);
    EXPECT_EQ(vector->Scale, g.CurrentScale());
    EXPECT_EQ(vector->Tip - vector->Points[0].Pixel, QPoint(64, 0));
    // Hiding the curve hides its figure, not the free ones.
    g.SetCurveVisible(0, -1, false, 3);
    EXPECT_FALSE(elements[0]->IsShown());
    EXPECT_TRUE(elements[2]->IsShown());
    g.Undo();
    EXPECT_NEAR(WorldPoints(*elements[2])[0].x(), 1, 1e-9);

    // Changing the objects of the vector page: the free figures go, and come back with undo.
    g.DeleteFreeConstructs();
    EXPECT_EQ(UserElements(g), std::vector<TGElem*>{elements[0]});
    EXPECT_EQ(g.UndoCaption(), "Cancel deletion");
    g.Undo();
    EXPECT_EQ(UserElements(g), elements);
    EXPECT_EQ(g.SaveConstructs().size(), 3);
    g.ClearConstructs();
    EXPECT_TRUE(UserElements(g).empty());
}

TEST(Constructs, DrawnOnTheScreenAndInTheVectorTarget)
{
    TPlot plot;
    TGraph& g = plot.Graph;
    const QImage empty = g.RenderImage();
    const QByteArray emptySvg = g.ToSvg();
    // A dark blue circle and a red angle.
    ASSERT_TRUE(g.LoadConstructs({"Circle;9109504;-1;4;2;5.5;2", "Angle;255;-1;0;0;2;0;0;2"}));
    const QImage image = g.RenderImage();
    const QPoint right = plot.At(5.5, 2);
    // The line is smoothed over two pixels: bluer than the background, which is not blue there.
    const QColor drawn = image.pixelColor(right);
    EXPECT_GT(drawn.blue() - drawn.red(), 50) << drawn.name().toStdString();
    EXPECT_LT(empty.pixelColor(right).blue() - empty.pixelColor(right).red(), 50);
    const QByteArray svg = g.ToSvg();
    EXPECT_FALSE(emptySvg.contains("#00008b"));
    EXPECT_TRUE(svg.contains("#00008b"));
    EXPECT_TRUE(svg.contains("#ff0000"));
    // A figure being drawn shows too.
    g.SetTool(gtSegment, true);
    g.MouseDown(Qt::LeftButton, Qt::NoModifier, plot.At(0, 3).x(), plot.At(0, 3).y());
    g.MouseMove(Qt::NoModifier, plot.At(2, 3).x(), plot.At(2, 3).y());
    const QImage drawing = g.RenderImage();
    int changed = 0;
    for (int x = plot.At(0.2, 3).x(); x <= plot.At(1.8, 3).x(); ++x)
        changed += drawing.pixelColor(x, plot.At(0, 3).y()) != image.pixelColor(x, plot.At(0, 3).y());
    EXPECT_GT(changed, 20);
}

} // namespace
