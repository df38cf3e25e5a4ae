// Model curves on a graph: the model element fitted to its series, the modifier's drags routed by the
// zone under the pointer, the hover cursors, the information hint, the floating panel and the value
// bubble.
#include "graph/UnitGModele.h"
#include "graph/UnitGraph.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QToolButton>
#include <QToolTip>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>

namespace {

// A graph of 600 x 400 pixels with one series of `n` points of f over [x0, x1], its window fitted to
// the points, and the series' model set to `kind`.
struct TModelGraph
{
    TGraph Graph;
    TGModele* Model = nullptr;

    TModelGraph(int kind, const std::function<double(double)>& f, double x0 = 0, double x1 = 4, int n = 81)
    {
        Graph.SetBounds(600, 400);
        TPointDDynArray points;
        TWorld box{1e300, -1e300, 1e300, -1e300};
        for (int i = 0; i < n; ++i) {
            const double x = x0 + (x1 - x0) * i / (n - 1);
            points.emplace_back(x, f(x));
            box = {std::min(box.XMin, x), std::max(box.XMax, x), std::min(box.YMin, f(x)),
                   std::max(box.YMax, f(x))};
        }
        const int curve = Graph.AddCurve(points, 0, {}, {}, {}, {}, {});
        Graph.SetWorldAndScales(FitRange(box, false, false, false, false, 0.1), false);
        Graph.SetCurveProperty(curve, TCourbe::kModele, QStringLiteral("y"), 3, 2);
        Graph.SetCurveVisible(curve, TCourbe::kModele, true, 3);
        Graph.SetCurveProperty(curve, TCourbe::kModele, kind, 3, 6);
        Model = Graph.Models().front();
    }

    TMdl& Mdl() { return *Model->Model(); }

    // A pixel on the model curve whose zone is `zone`, the first from the left (or from the right).
    std::optional<QPoint> PixelInZone(int zone, bool fromRight = false)
    {
        const QRect plot = Graph.PlotRect();
        for (int i = 2; i < plot.width() - 4; ++i) {
            const int px = fromRight ? plot.right() - 2 - i : plot.left() + i;
            const double x = Graph.PixelToWorld(px, 0).x();
            const QPoint p = Graph.WorldToPixel(x, Mdl().Value(x));
            if (plot.contains(p) && Model->ModelZone(p) == zone)
                return p;
        }
        return std::nullopt;
    }
};

double Parabola(double t)
{
    return 1.2 + 0.8 * t - 4.905 * t * t;
}

} // namespace

TEST(ModelCurves, ChoosingAKindFitsTheSeriesAndDrawsTheCurve)
{
    // A falling ball with a small alternating error on every point.
    TModelGraph g(
        mkNone, [](double t) { return Parabola(t); }, 0, 0.6, 25);
    ASSERT_EQ(g.Model->Kind(), mkNone);
    EXPECT_FALSE(g.Model->ModelShown());
    TPointDDynArray noisy;
    for (int i = 0; i < 25; ++i) {
        const double t = 0.025 * i;
        noisy.emplace_back(t, Parabola(t) + ((i * 7) % 5 - 2) * 0.004);
    }
    g.Graph.Clear();
    const int curve = g.Graph.AddCurve(noisy, 0, {}, {}, {}, {}, {});
    g.Graph.SetCurveProperty(curve, TCourbe::kModele, QStringLiteral("Y"), 3, 2);
    g.Graph.SetCurveVisible(curve, TCourbe::kModele, true, 3);
    g.Graph.SetCurveProperty(curve, TCourbe::kModele, mkParabole, 3, 6);
    TGModele& m = *g.Graph.Models().front();
    ASSERT_EQ(m.Kind(), mkParabole);
    ASSERT_EQ(m.Model()->StdErrors.size(), 3u);
    const double c = m.Model()->Params[2], se = m.Model()->StdErrors[2];
    EXPECT_GT(se, 0.0);
    EXPECT_LT(std::fabs(c + 4.905), 2 * se) << c << " ± " << se;
    EXPECT_EQ(m.Model()->Lines.value(0), QStringLiteral("Model: Y = r + b.t + c.t²"));
    EXPECT_TRUE(m.Model()->Lines.filter(QStringLiteral("c = -4.9")).filter(QStringLiteral(" ± ")).size() == 1)
        << m.Model()->Lines.join(QLatin1Char('\n')).toStdString();

    // The curve is drawn in its colour across the plot.
    const QImage image = g.Graph.RenderImage();
    const QPoint on = g.Graph.WorldToPixel(0.3125, m.Model()->Value(0.3125)); // between two points
    const auto drawn = [&](const QImage& picture) {
        bool found = false;
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor px = picture.pixelColor(on + QPoint(0, dy));
            found =
                found || (px.red() < 90 && std::abs(px.green() - 150) < 40 && std::abs(px.blue() - 150) < 40);
        }
        return found;
    };
    EXPECT_TRUE(drawn(image));
    // A new kind replaces it; kind 9 draws nothing.
    g.Graph.SetCurveProperty(curve, TCourbe::kModele, mkNone, 3, 6);
    EXPECT_FALSE(m.ModelShown());
    EXPECT_FALSE(drawn(g.Graph.RenderImage()));
}

TEST(ModelCurves, TheZoneUnderThePointerDecidesWhatADragChanges)
{
    const auto sine = [](double x) { return 2 * std::sin(3 * x + 1); };
    struct TCase
    {
        const char* Name;
        int Kind;
        std::function<double(double)> F;
        double X1;
        int Zone;
        int Cursor; // hover cursor before the press
        QPoint Move;
        std::vector<int> Changed, Kept; // parameter indices
    };
    const TCase cases[] = {
        {"affine handle",
         mkAffine,
         [](double x) { return 1 + 2 * x; },
         4,
         0,
         mcSelDeformer,
         {0, -20},
         {1},
         {}},
        {"affine middle", mkAffine, [](double x) { return 1 + 2 * x; }, 4, 2, mcSizeAll, {0, -20}, {0}, {1}},
        {"constant",
         mkConstant,
         [](double x) { return 3 + 0.0 * x; },
         4,
         0,
         mcSelDeformer,
         {0, -20},
         {0},
         {}},
        {"proportional",
         mkProportionnel,
         [](double x) { return 2 * x; },
         4,
         1,
         mcSelDeformer,
         {0, -20},
         {1},
         {}},
        {"parabola vertex",
         mkParabole,
         [](double x) { return 1 + x - x * x; },
         2,
         0,
         mcSizeAll,
         {0, -20},
         {0},
         {2}},
        {"parabola branch",
         mkParabole,
         [](double x) { return 1 + x - x * x; },
         2,
         2,
         mcSizeHor,
         {0, 20},
         {2},
         {}},
        {"exponential curve",
         mkExponentiel,
         [](double x) { return 1 + 0.5 * std::exp(0.8 * x); },
         4,
         0,
         mcSizeAll,
         {0, -20},
         {0},
         {2}},
        {"sine flank", mkSinus, sine, 6, 0, mcDeformHautDroit, {10, 0}, {2}, {1}},
        {"sine top", mkSinus, sine, 6, 2, mcSizeVer, {0, -10}, {1}, {2}},
        {"sine bottom flank", mkSinus, sine, 6, 7, mcDeformBasGauche, {-10, 0}, {2}, {1}},
        {"exp-damped envelope",
         mkSinusAe,
         [](double x) { return 2 * std::sin(3 * x + 1) * std::exp(-0.2 * x); },
         6,
         1,
         mcAmortiExpHaut,
         {0, -10},
         {4},
         {2}},
        {"lin-damped envelope",
         mkSinusAl,
         [](double x) { return 2 * (1 - 0.05 * x) * std::sin(3 * x + 1); },
         6,
         5,
         mcAmortiLinBas,
         {0, 10},
         {4},
         {2}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TModelGraph g(c.Kind, c.F, 0, c.X1);
        ASSERT_TRUE(g.Graph.SetTool(gtModifierModele, true));
        const std::optional<QPoint> at = g.PixelInZone(c.Zone);
        ASSERT_TRUE(at.has_value());
        g.Graph.MouseMove(Qt::NoModifier, at->x(), at->y());
        EXPECT_EQ(g.Graph.CursorNumber(), c.Cursor);
        const std::vector<double> before = g.Mdl().Params;
        const QStringList lines = g.Mdl().Lines;
        g.Graph.MouseDown(Qt::LeftButton, Qt::NoModifier, at->x(), at->y());
        EXPECT_NE(g.Model->DragMode(), dmNone);
        const QPoint to = *at + c.Move;
        g.Graph.MouseMove(Qt::NoModifier, at->x() + c.Move.x() / 2, at->y() + c.Move.y() / 2);
        g.Graph.MouseMove(Qt::NoModifier, to.x(), to.y());
        g.Graph.MouseUp(Qt::LeftButton, Qt::NoModifier, to.x(), to.y());
        EXPECT_EQ(g.Model->DragMode(), dmNone);
        for (int i : c.Changed)
            EXPECT_NE(g.Mdl().Params[std::size_t(i)], before[std::size_t(i)]) << "parameter " << i;
        for (int i : c.Kept)
            EXPECT_DOUBLE_EQ(g.Mdl().Params[std::size_t(i)], before[std::size_t(i)]) << "parameter " << i;
        EXPECT_NE(g.Mdl().Lines, lines); // the description follows
    }
}

TEST(ModelCurves, PointerOutsideThePlotOrTheModelGivesTheArrowAndNoDrag)
{
    TModelGraph g(mkAffine, [](double x) { return 1 + 2 * x; });
    ASSERT_TRUE(g.Graph.SetTool(gtModifierModele, true));
    g.Graph.MouseMove(Qt::NoModifier, 3, 3);
    EXPECT_EQ(g.Graph.CursorNumber(), mcArrow);
    // With the model hidden nothing is dragged.
    g.Graph.SetCurveVisible(0, TCourbe::kModele, false, 3);
    const std::optional<QPoint> at = std::optional<QPoint>(g.Graph.WorldToPixel(1, 3));
    const std::vector<double> before = g.Mdl().Params;
    g.Graph.MouseDown(Qt::LeftButton, Qt::NoModifier, at->x(), at->y());
    g.Graph.MouseMove(Qt::NoModifier, at->x(), at->y() - 30);
    g.Graph.MouseUp(Qt::LeftButton, Qt::NoModifier, at->x(), at->y() - 30);
    EXPECT_EQ(g.Mdl().Params, before);
    EXPECT_EQ(g.Model->ModelZone(*at), NoZone);
}

TEST(ModelCurves, InformationToolShowsEquationThenStatistics)
{
    TModelGraph g(
        mkParabole, [](double x) { return 1 + x - x * x; }, 0, 2);
    ASSERT_TRUE(g.Graph.SetTool(gtModeleInfo, true));
    const std::optional<QPoint> at = g.PixelInZone(0);
    ASSERT_TRUE(at.has_value());
    g.Graph.MouseMove(Qt::NoModifier, at->x(), at->y());
    const QStringList equation = g.Mdl().EquationLines();
    const QString expected = equation.first() + QStringLiteral("\n\n") +
                             equation.mid(1).join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
                             g.Mdl().StatisticsLines().join(QLatin1Char('\n'));
    EXPECT_EQ(g.Graph.ModelHintText(), expected);
    EXPECT_TRUE(g.Graph.ModelHintText().startsWith(QStringLiteral("Model: y = r + b.t + c.t²\n\nr = 1")));
    EXPECT_EQ(g.Graph.CursorNumber(), mcDetection);
    g.Graph.MouseMove(Qt::NoModifier, 3, 3);
    EXPECT_TRUE(g.Graph.ModelHintText().isEmpty());
    EXPECT_EQ(g.Graph.CursorNumber(), mcArrow);
}

// Through the widgets: the panel and the information tooltip give each fitted parameter with its standard
// error and the physical reading; a drag by hand takes the errors away until the next fit. The tooltip
// comes when the pointer rests on the curve, where the graph's own tooltip (the tool's instruction) must
// not replace it.
TEST(ModelCurves, PanelAndTooltipShowTheErrorsAfterAFitAndNotAfterADrag)
{
    TModelGraph g(
        mkParabole, [](double t) { return Parabola(t) + 0.004 * std::sin(97 * t); }, 0, 0.6, 25);
    g.Model->SetUnits(QStringLiteral("s"), QStringLiteral("m"));
    g.Graph.IsShowModeleurEqua = true;
    g.Graph.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(g.Graph.isVisible());
    ASSERT_EQ(g.Mdl().StdErrors.size(), 3u);

    const auto withErrors = [](const QStringList& lines) {
        return lines.filter(QStringLiteral(" ± ")).size();
    };
    const auto reading = [](const QStringList& lines) {
        const QStringList found = lines.filter(QRegularExpression(QStringLiteral("^acceleration 2c = ")));
        return found.isEmpty() ? QString() : found.first();
    };
    const auto hover = [&](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(g.Graph.mapToGlobal(at)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&g.Graph, &move);
        // The pointer rests: the application asks the widget for its tooltip.
        QHelpEvent rest(QEvent::ToolTip, at, g.Graph.mapToGlobal(at));
        QCoreApplication::sendEvent(&g.Graph, &rest);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };

    ASSERT_TRUE(g.Graph.SetTool(gtModifierModele, true));
    TModeleur& panel = *g.Model->Panel();
    EXPECT_EQ(withErrors(panel.EquationLines()), 4) << panel.EquationLines().join('\n').toStdString();
    EXPECT_TRUE(panel.EquationLines()[3].startsWith(QStringLiteral("c = -4.9")));
    EXPECT_TRUE(reading(panel.EquationLines()).startsWith(QStringLiteral("acceleration 2c = -9.")));
    EXPECT_TRUE(reading(panel.EquationLines()).contains(QStringLiteral(" ± ")));
    EXPECT_TRUE(reading(panel.EquationLines()).endsWith(QStringLiteral(" m/s²")));

    // The information tool, its instruction as the graph's tooltip, the pointer resting on the curve.
    ASSERT_TRUE(g.Graph.SetTool(gtModeleInfo, true));
    g.Graph.SetHint(QStringLiteral("|Hover the mouse over the curve to see parameters"));
    const std::optional<QPoint> on = g.PixelInZone(0);
    ASSERT_TRUE(on.has_value());
    QString tip = hover(*on);
    EXPECT_EQ(tip, g.Model->ModelHint());
    EXPECT_EQ(withErrors(tip.split('\n')), 4) << tip.toStdString();
    EXPECT_FALSE(reading(tip.split('\n')).isEmpty());
    // Off the curve the instruction is the tooltip.
    EXPECT_EQ(hover(QPoint(3, 3)), QStringLiteral("Hover the mouse over the curve to see parameters"));

    // A drag by hand: the parameters are no longer the fit's.
    ASSERT_TRUE(g.Graph.SetTool(gtModifierModele, true));
    const std::optional<QPoint> side = g.PixelInZone(1);
    ASSERT_TRUE(side.has_value());
    g.Graph.MouseDown(Qt::LeftButton, Qt::NoModifier, side->x(), side->y());
    g.Graph.MouseMove(Qt::NoModifier, side->x(), side->y() - 20);
    g.Graph.MouseUp(Qt::LeftButton, Qt::NoModifier, side->x(), side->y() - 20);
    EXPECT_EQ(withErrors(panel.EquationLines()), 0) << panel.EquationLines().join('\n').toStdString();
    EXPECT_FALSE(reading(panel.EquationLines()).isEmpty());
    ASSERT_TRUE(g.Graph.SetTool(gtModeleInfo, true));
    const std::optional<QPoint> moved = g.PixelInZone(0);
    ASSERT_TRUE(moved.has_value());
    tip = hover(*moved);
    EXPECT_EQ(tip, g.Model->ModelHint());
    EXPECT_EQ(withErrors(tip.split('\n')), 0) << tip.toStdString();

    // The next fit brings them back.
    g.Graph.SetCurveProperty(0, TCourbe::kModele, mkParabole, 3, 6);
    ASSERT_TRUE(g.Graph.SetTool(gtModifierModele, true));
    EXPECT_EQ(withErrors(panel.EquationLines()), 4);
    QToolTip::hideText();
}

TEST(ModelPanel, StepFactors)
{
    struct TCase
    {
        double V;
        int Step;
        bool Ctrl;
        double Expected;
    };
    const TCase cases[] = {
        {2.0, TModeleur::stFastDecrease, false, 2.0 / 1.1},
        {-2.0, TModeleur::stFastDecrease, false, -2.2},
        {2.0, TModeleur::stDecrease, false, 2.0 / 1.02},
        {-2.0, TModeleur::stDecrease, true, -2.0 * 1.002},
        {2.0, TModeleur::stIncrease, true, 2.0 * 1.002},
        {-2.0, TModeleur::stIncrease, false, -2.0 / 1.02},
        {2.0, TModeleur::stFastIncrease, false, 2.2},
        {-2.0, TModeleur::stFastIncrease, false, -2.0 / 1.1},
    };
    for (const TCase& c : cases)
        EXPECT_NEAR(TModeleur::StepValue(c.V, c.Step, c.Ctrl), c.Expected, 1e-12)
            << c.V << " step " << c.Step;
}

TEST(ModelPanel, ShowsWithTheModifierAndItsButtonsStepTheModel)
{
    TModelGraph g(mkAffine, [](double x) { return 1 + 2 * x; });
    g.Graph.IsShowModeleurEqua = true;
    g.Graph.UpdateModelPanels();
    EXPECT_EQ(g.Model->Panel(), nullptr); // not the modifier tool yet
    ASSERT_TRUE(g.Graph.SetTool(gtModifierModele, true));
    ASSERT_NE(g.Model->Panel(), nullptr);
    TModeleur& panel = *g.Model->Panel();
    ASSERT_FALSE(panel.isHidden());
    EXPECT_EQ(panel.parentWidget(), &g.Graph);
    EXPECT_EQ(panel.size(), panel.ContentSize());
    EXPECT_EQ(panel.EquationLines(), g.Mdl().EquationLines());
    // Four buttons for each of r and b.
    EXPECT_FALSE(panel.Button(1, TModeleur::stFastIncrease)->isHidden());
    EXPECT_TRUE(panel.Button(2, TModeleur::stFastDecrease)->isHidden());

    const double b = g.Mdl().Params[1];
    panel.Button(1, TModeleur::stFastIncrease)->click();
    EXPECT_NEAR(g.Mdl().Params[1], b * 1.1, 1e-9);
    EXPECT_EQ(g.Mdl().Lines.filter(QRegularExpression(QStringLiteral("^b = 2\\.2"))).size(), 1)
        << g.Mdl().Lines.join(' ').toStdString();
    EXPECT_EQ(panel.EquationLines(), g.Mdl().EquationLines());
    // A zero parameter stays.
    g.Mdl().SetParameter(0, 0.0);
    g.Graph.UpdateModelPanels();
    panel.Button(0, TModeleur::stFastIncrease)->click();
    EXPECT_EQ(g.Mdl().Params[0], 0.0);

    // The statistics join the panel 14 pixels below the equation; the panel grows.
    const int height = panel.height();
    g.Graph.IsShowModeleurStat = true;
    g.Graph.UpdateModelPanels();
    EXPECT_EQ(panel.StatisticsLines(), g.Mdl().StatisticsLines());
    EXPECT_GT(panel.height(), height + 14);
    // The panel is part of the graph's own rendering.
    const QImage image = g.Graph.RenderImage();
    EXPECT_EQ(image.pixelColor(panel.pos() + QPoint(panel.width() / 2, 2)),
              panel.palette().color(QPalette::Window));

    // Another tool hides it; the linearly damped sine offers no buttons.
    g.Graph.SetTool(gtZoom, true);
    EXPECT_TRUE(panel.isHidden());
    g.Graph.SetCurveProperty(0, TCourbe::kModele, mkSinusAl, 3, 6);
    g.Graph.SetTool(gtModifierModele, true);
    ASSERT_FALSE(panel.isHidden());
    EXPECT_TRUE(panel.Button(0, TModeleur::stFastIncrease)->isHidden());
}

TEST(ValueBubble, CornersAndANarrowParent)
{
    QWidget parent;
    parent.resize(300, 200);
    TBulle bubble(&parent);
    bubble.ShowValues({QStringLiteral("Vector norm : 1.5 m/s"), QStringLiteral("Angle : 30.0°")});
    const int w = bubble.width(), h = bubble.height(), text = h - 4;
    struct TCase
    {
        TBullePlace Place;
        QSize Parent;
        QPoint Expected;
    };
    const TCase cases[] = {
        {bpUpLeft, {300, 200}, {1, 1}},
        {bpUpRight, {300, 200}, {300 - w - 2, 1}},
        {bpDownLeft, {300, 200}, {1, 200 - text - 6}},
        {bpDownRight, {300, 200}, {300 - w - 2, 200 - text - 6}},
        {bpDownRight, {w, 200}, {1, 1}}, // narrower than the bubble
    };
    for (const TCase& c : cases) {
        parent.resize(c.Parent);
        bubble.SetPlace(c.Place);
        EXPECT_EQ(bubble.pos(), c.Expected) << int(c.Place);
        EXPECT_FALSE(bubble.isHidden());
    }
    // A shorter text keeps the box; a longer one widens it.
    bubble.ShowValues({QStringLiteral("Vector norm : 1 m/s"), QStringLiteral("Angle : 3°")});
    EXPECT_EQ(bubble.width(), w);
    bubble.ShowValues({QStringLiteral("Vector norm : 1.5 m/s, a much longer line"), QStringLiteral("x")});
    EXPECT_GT(bubble.width(), w);
    bubble.SetPlace(bpNone);
    EXPECT_TRUE(bubble.isHidden());
    bubble.ShowValues({QStringLiteral("x")});
    EXPECT_TRUE(bubble.isHidden());
}

TEST(ValueBubble, ShowsTheValuesOfAVectorWhileItMoves)
{
    TGraph graph;
    graph.SetBounds(400, 400);
    graph.SetMargins(0, 0, 0, 0);
    graph.SetWorldAndScales({0, 10, 0, 10}, true);
    graph.AddCurve({{2, 2}, {8, 2}}, 0, {1, 2}, {0}, {"m/s"}, {0}, {{{3, 4}, {0, 2}}});
    graph.InitCurrentScale();
    TGVecteur* vector = nullptr;
    for (const auto& e : graph.Elements())
        if (!vector)
            vector = dynamic_cast<TGVecteur*>(e.get());
    ASSERT_TRUE(vector);
    for (const TBullePlace place : {bpNone, bpUpLeft}) {
        const QPoint middle = (vector->Points[0].Pixel + vector->Tip) / 2;
        graph.BullePlace = place;
        graph.SetTool(gtSelection, true);
        graph.MouseDown(Qt::LeftButton, Qt::NoModifier, middle.x(), middle.y());
        ASSERT_EQ(graph.Selection().size(), 1u);
        graph.MouseMove(Qt::NoModifier, middle.x() + 5, middle.y());
        EXPECT_EQ(graph.Bulle().isHidden(), place == bpNone);
        if (place != bpNone) {
            EXPECT_EQ(graph.Bulle().Lines(), vector->GetInfos());
            EXPECT_EQ(graph.Bulle().pos(), QPoint(1, 1));
        }
        graph.MouseUp(Qt::LeftButton, Qt::NoModifier, middle.x() + 5, middle.y());
        EXPECT_TRUE(graph.Bulle().isHidden()); // the move is over
        graph.SetTool(gtSelection, false);
    }
}

TEST(ModelCurves, HostileSeriesGiveAModelOrNothingButNeverAFault)
{
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<const char*, TPointDDynArray>> series = {
        {"constant", {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        {"two points", {{0, 1}, {1, 3}}},
        {"not finite", {{0, 1}, {1, nan}, {2, inf}, {3, 4}, {4, -inf}, {5, 2}}},
        {"tiny abscissae", {{0, 1}, {1e-9, 2}, {2e-9, 0}, {3e-9, 1}, {4e-9, 2}, {5e-9, 0}}},
        {"huge abscissae", {{1e9, 1}, {2e9, 2}, {3e9, 0}, {4e9, 1}, {5e9, 2}, {6e9, 0}}},
        {"huge ordinates", {{0, 1e150}, {1, -1e150}, {2, 1e150}, {3, -1e150}}},
    };
    for (const auto& [name, points] : series) {
        for (const int kind : {mkAffine, mkConstant, mkExponentiel, mkParabole, mkProportionnel, mkSinus,
                               mkSinusAe, mkSinusAl}) {
            SCOPED_TRACE(std::string(name) + " kind " + std::to_string(kind));
            TGraph graph;
            graph.SetBounds(400, 300);
            TWorld box{1e300, -1e300, 1e300, -1e300};
            for (const QPointF& p : points)
                if (std::isfinite(p.x()) && std::isfinite(p.y()))
                    box = {std::min(box.XMin, p.x()), std::max(box.XMax, p.x()), std::min(box.YMin, p.y()),
                           std::max(box.YMax, p.y())};
            graph.AddCurve(points, 0, {}, {}, {}, {}, {});
            graph.SetWorldAndScales(FitRange(box, false, false, false, false, 0.05), false);
            graph.SetCurveVisible(0, TCourbe::kModele, true, 3);
            graph.SetCurveProperty(0, TCourbe::kModele, kind, 3, 6);
            graph.IsShowModeleurEqua = graph.IsShowModeleurStat = true;
            ASSERT_TRUE(graph.SetTool(gtModifierModele, true));
            TGModele& m = *graph.Models().front();
            // Drags from several places, far beyond the plot, then a paint.
            for (const QPoint from : {QPoint(200, 150), QPoint(100, 60), QPoint(300, 240)}) {
                graph.MouseDown(Qt::LeftButton, Qt::NoModifier, from.x(), from.y());
                graph.MouseMove(Qt::NoModifier, from.x() + 3000, from.y() - 5000);
                graph.MouseMove(Qt::AltModifier, from.x() - 9000, from.y() + 9000);
                graph.MouseUp(Qt::LeftButton, Qt::NoModifier, from.x() - 9000, from.y() + 9000);
            }
            for (const double p : m.Model()->Params)
                EXPECT_TRUE(std::isfinite(p));
            EXPECT_FALSE(graph.RenderImage().isNull());
            EXPECT_FALSE(m.ModelHint().isEmpty());
        }
    }
}

TEST(ModelCurves, CtrlAndAltSlowThePeriodDragDown)
{
    const auto change = [](Qt::KeyboardModifiers shift) {
        TModelGraph g(
            mkSinus, [](double x) { return 2 * std::sin(3 * x + 1); }, 0, 6);
        g.Graph.SetTool(gtModifierModele, true);
        // Far from the first abscissa, which the period drag keeps in phase.
        const std::optional<QPoint> at = g.PixelInZone(0, true);
        EXPECT_TRUE(at.has_value());
        const double before = g.Mdl().Params[2];
        g.Graph.MouseDown(Qt::LeftButton, shift, at->x(), at->y());
        g.Graph.MouseMove(shift, at->x() + 4, at->y());
        g.Graph.MouseUp(Qt::LeftButton, shift, at->x() + 4, at->y());
        return std::fabs(g.Mdl().Params[2] - before);
    };
    const double plain = change(Qt::NoModifier);
    ASSERT_GT(plain, 0.0);
    EXPECT_NEAR(change(Qt::ControlModifier) / plain, 0.1, 0.02);
    EXPECT_NEAR(change(Qt::AltModifier) / plain, 0.01, 0.002);
}
