// The time, trajectory and vector pages of the results window.
#include "results/UnitGraphPages.h"

#include "common/UnitDialogs.h"
#include "common/UnitGraphUtils.h"
#include "common/UnitUserDlg.h"
#include "formula/UnitFormules.h"
#include "graph/UnitGModele.h"
#include "results/UnitResForm.h"
#include "results/UnitResGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

constexpr TColor Rgb(int r, int g, int b)
{
    return TColor(r | (g << 8) | (b << 16));
}

bool IsVelocityKind(TColumnKind k)
{
    return k == ckVx || k == ckVy || k == ckV || k == ckOmega;
}

bool IsAccelerationKind(TColumnKind k)
{
    return k == ckAx || k == ckAy || k == ckA;
}

// The other component of the same vector (x for y...), or the kind itself.
TColumnKind OtherComponent(TColumnKind k)
{
    switch (k) {
    case ckX:
        return ckY;
    case ckY:
        return ckX;
    case ckVx:
        return ckVy;
    case ckVy:
        return ckVx;
    case ckAx:
        return ckAy;
    case ckAy:
        return ckAx;
    default:
        return k;
    }
}

QString SymbolOf(TColumnKind k)
{
    switch (k) {
    case ckX:
        return QStringLiteral("X");
    case ckY:
        return QStringLiteral("Y");
    default:
        return TResCalc::KindSymbol(k);
    }
}

// The bounding box of points, grown; empty boxes have XMin > XMax.
struct TBox
{
    TWorld W{1e300, -1e300, 1e300, -1e300};
    void Add(double x, double y)
    {
        if (!std::isfinite(x) || !std::isfinite(y))
            return;
        W.XMin = std::min(W.XMin, x);
        W.XMax = std::max(W.XMax, x);
        W.YMin = std::min(W.YMin, y);
        W.YMax = std::max(W.YMax, y);
    }
    bool Empty() const { return W.XMin > W.XMax; }
};

void StyleCurve(TGraph& graph, int curve, int object, const TGraphPageContext& context)
{
    const TColor colour = context.ColorOf(object);
    graph.SetCurveProperty(curve, TCourbe::kPoints, QVariant(int(colour)), 3, 0);
    graph.SetCurveProperty(curve, TCourbe::kNumbers, QVariant(int(colour)), 3, 0);
    graph.SetCurveProperty(curve, TCourbe::kSegments, QVariant(int(colour)), 2, 0);
    graph.SetCurveProperty(curve, TCourbe::kSplines, QVariant(int(colour)), 2, 0);
    graph.SetCurveProperty(curve, TCourbe::kPoints,
                           QVariant(int(TGraphUtils::Instance().ObjectShape(object))), 3, 6);
}

bool Contains(const std::vector<int>& list, int value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace

TGraphPageContext TGraphPageContext::FromOptions(const TOptions& o)
{
    TGraphPageContext c;
    c.VelocityComputed = o.CheckBox9Speed;
    c.AccelerationComputed = o.CheckBox8Acceleration;
    c.PolarComputed = o.CheckBox53PolarQuantities;
    c.HideEdgeV = o.CheckBox30HideEdgeV;
    c.HideEdgeA = o.CheckBox31HideEdgeA;
    c.TimePolyline = o.CheckBox14TimePolyline;
    c.TrajectoryPolyline = o.CheckBox17TrajectoryPolyline;
    c.TrajectoryNumbering = o.CheckBox16TrajectoryNumber ? npBelow : npNone;
    c.VectorNumbering = o.CheckBox19VectorNumber ? npBelow : npNone;
    c.VectorTilted = o.CheckBox35VectorTilted;
    c.VectorDraw = o.CheckBox20VectorDraw;
    c.VectorSpline = o.CheckBox50VectorSpline;
    c.VectorPolyline = o.CheckBox21VectorPolyline;
    c.GraphOrigin = o.CheckBox33VectorOrigin;
    c.ElementSize = std::clamp(int(o.PenSize4Graph), 0, 2);
    c.VideoImage = o.CheckBox46VectorVideoImage;
    c.TimeZoomX = o.CheckBox12TimeZoomX;
    c.TimeZoomY = o.CheckBox13TimeZoomY;
    c.ModelEquation = o.CheckBox42TempsEquation;
    c.ModelStatistics = o.CheckBox43TempsStatistics;
    c.FormulaPolyline = o.CheckBox26FormulaPolyline;
    c.FormulaOriginX = o.CheckBox34FormulaOriginX;
    c.FormulaOriginY = o.CheckBox25FormulaOriginY;
    c.FormulaZoomX = o.CheckBox23FormulaZoomX;
    c.FormulaZoomY = o.CheckBox24FormulaZoomY;
    c.FormulaModelEquation = o.CheckBox44FormulaEquation;
    c.FormulaModelStatistics = o.CheckBox45FormulaStatistics;
    c.BubblePlace = o.CheckBox51DeformationBubble ? bpUpRight : bpNone;
    return c;
}

TColor TGraphPageContext::ColorOf(int object) const
{
    return ObjectColor ? ObjectColor(object) : TGraphUtils::Instance().ObjectColor(object);
}

std::vector<TColumnKind> TimeQuantities(const TGraphPageContext& c)
{
    std::vector<TColumnKind> kinds{ckX, ckY};
    if (c.VelocityComputed)
        kinds.insert(kinds.end(), {ckVx, ckVy, ckV});
    if (c.AccelerationComputed)
        kinds.insert(kinds.end(), {ckAx, ckAy, ckA});
    if (c.PolarComputed)
        kinds.insert(kinds.end(), {ckTheta, ckR, ckOmega});
    return kinds;
}

QString TimeQuantityCaption(TColumnKind kind)
{
    // The quantities of the time page are named as the result table names them; time is the abscissa.
    return kind == ckTime ? QString() : TResCalc::KindTitle(kind);
}

void ApplyPageLook(TGraph& graph, int page)
{
    switch (page) {
    case rpTemps:
        graph.SetGradient(Rgb(228, 229, 214), Rgb(209, 255, 198));
        graph.SetMargins(15, 30, 140, 100);
        break;
    case rpReferentiel:
        graph.SetGradient(Rgb(255, 243, 220), Rgb(252, 225, 195));
        graph.SetMargins(15, 30, 140, 100);
        break;
    case rpVecteur:
        graph.SetGradient(Rgb(235, 241, 243), Rgb(202, 229, 245));
        graph.SetMargins(0, 0, 0, 0);
        graph.IsAxeXVisible = false;
        graph.IsAxeYVisible = false;
        break;
    default:
        graph.SetGradient(Rgb(255, 255, 225), Rgb(245, 245, 198));
        graph.SetMargins(15, 30, 140, 100);
        break;
    }
}

void BuildTimeGraph(TGraph& graph, const TResCalc& calc, TColumnKind quantity,
                    const std::vector<int>& objects, const TGraphPageContext& context, bool fit)
{
    graph.SuspendLayout();
    const TWorld kept = graph.World();
    graph.Clear();
    graph.ElementSize = context.ElementSize;
    const int edge = IsVelocityKind(quantity) && context.HideEdgeV       ? 1
                     : IsAccelerationKind(quantity) && context.HideEdgeA ? 2
                                                                         : 0;
    TBox box;
    for (const int object : objects) {
        const TLabelledPoints series = calc.PointSeries(0, object, quantity, ckTime);
        const int curve = graph.AddCurve(series.Points, edge, series.Labels, {}, {}, {}, {});
        for (std::size_t i = 0; i < series.Points.size(); ++i)
            if (int(i) >= edge && int(i) + edge < int(series.Points.size()))
                box.Add(series.Points[i].x(), series.Points[i].y());
        // x(t) and y(t), and the two components of a vector, share one scale.
        if (OtherComponent(quantity) != quantity)
            for (const QPointF& p : calc.PointSeries(0, object, OtherComponent(quantity), ckTime).Points)
                box.Add(p.x(), p.y());
        StyleCurve(graph, curve, object, context);
        graph.SetCurveVisible(curve, TCourbe::kNumbers, false, 3);
        graph.SetCurveVisible(curve, TCourbe::kSplines, false, 3);
        graph.SetCurveVisible(curve, TCourbe::kSegments, context.TimePolyline, 3);
    }
    if (fit || box.Empty()) {
        const TWorld world =
            box.Empty() ? TWorld{}
                        : FitRange(box.W, false, quantity == ckTheta || quantity == ckOmega,
                                   quantity == ckV || quantity == ckA || quantity == ckR, true, 0.05);
        graph.SetWorldAndScales(world, false);
    } else {
        graph.SetWorld(kept);
    }
    graph.TitreAxeX = QStringList{QStringLiteral("t"), QStringLiteral("time") + QStringLiteral(" (") +
                                                           QStringLiteral("s") + QStringLiteral(")")};
    graph.TitreAxeY = QStringList{SymbolOf(quantity), TimeQuantityCaption(quantity) + QStringLiteral(" (") +
                                                          TResCalc::KindUnit(quantity) + QStringLiteral(")")};
    // The model of the single curve, fitted in the window just set.
    graph.IsShowModeleurEqua = context.ModelEquation;
    graph.IsShowModeleurStat = context.ModelStatistics;
    if (objects.size() == 1 && context.ModelKind != mkNone && graph.Curves().size() == 1) {
        graph.SetCurveProperty(0, TCourbe::kModele, QStringLiteral("t"), 3, 1);
        graph.SetCurveProperty(0, TCourbe::kModele, SymbolOf(quantity), 3, 2);
        for (TGModele* model : graph.Models())
            model->SetUnits(QStringLiteral("s"), TResCalc::KindUnit(quantity));
        graph.SetCurveVisible(0, TCourbe::kModele, true, 3);
        graph.SetCurveProperty(0, TCourbe::kModele, context.ModelKind, 3, 6);
    } else {
        graph.SetAllCurvesVisible(TCourbe::kModele, false, 3);
    }
    graph.UpdateModelPanels();
    graph.ResumeLayout();
}

void BuildTrajectoryGraph(TGraph& graph, const TResCalc& calc, int reference, const std::vector<int>& objects,
                          const TGraphPageContext& context, bool fit)
{
    graph.SuspendLayout();
    const TWorld kept = graph.World();
    graph.Clear();
    graph.ElementSize = context.ElementSize;
    TBox box;
    const int count = calc.Current().ObjectCount;
    for (int object = 0; object < count; ++object) {
        const TLabelledPoints series = calc.RelativeTrajectory(object, reference);
        const int curve = graph.AddCurve(series.Points, 0, series.Labels, {}, {}, {}, {});
        StyleCurve(graph, curve, object, context);
        const bool shown = Contains(objects, object);
        if (shown)
            for (const QPointF& p : series.Points)
                box.Add(p.x(), p.y());
        graph.SetCurveVisible(curve, -1, false, 3);
        if (!shown)
            continue;
        // The user's figures drawn on a shown object's curve show with it; data segments make the broken
        // line.
        for (const int kind : {int(TCourbe::kAngles), int(TCourbe::kArcs), int(TCourbe::kCercles),
                               int(TCourbe::kEllipses), int(TCourbe::kPoints)})
            graph.SetCurveVisible(curve, kind, true, 3);
        graph.SetCurveVisible(curve, TCourbe::kSplines, true, 1);
        graph.SetCurveVisible(curve, TCourbe::kSegments, true, 1);
        graph.SetCurveProperty(curve, TCourbe::kNumbers, QVariant(context.TrajectoryNumbering), 3, 4);
        graph.SetCurveVisible(curve, TCourbe::kNumbers, context.TrajectoryNumbering != npNone, 3);
        graph.SetCurveVisible(curve, TCourbe::kSegments, context.TrajectoryPolyline, 2);
    }
    graph.SetCurveVisible(-1, -1, true, 3); // the figures that belong to no object
    if (fit || box.Empty()) {
        TWorld w = box.Empty() ? TWorld{0, 1, 0, 1} : box.W;
        // At least a quarter of the frame's extent on each axis.
        const double minX = calc.Current().ScaleX / 4;
        const double minY = calc.Current().ScaleY / 4;
        if (w.XMax - w.XMin < minX) {
            const double c = (w.XMin + w.XMax) / 2;
            w.XMin = c - minX / 2;
            w.XMax = c + minX / 2;
        }
        if (w.YMax - w.YMin < minY) {
            const double c = (w.YMin + w.YMax) / 2;
            w.YMin = c - minY / 2;
            w.YMax = c + minY / 2;
        }
        w = FitRange(w, false, false, false, false, 0.1);
        graph.SetWorldAndScales(EqualizeScales(w, graph.PlotHeight(), graph.PlotWidth()), true);
    } else {
        graph.SetWorld(kept);
    }
    graph.BullePlace = context.BubblePlace;
    graph.TitreAxeX = QStringList{QStringLiteral("X"), QStringLiteral("Abscissa (m)")};
    graph.TitreAxeY = QStringList{QStringLiteral("Y"), QStringLiteral("Ordinates (m)")};
    graph.ResumeLayout();
}

void BuildVectorGraph(TGraph& graph, const TResCalc& calc, int quantity, const std::vector<int>& objects,
                      const TGraphPageContext& context, bool fit)
{
    graph.SuspendLayout();
    const TWorld kept = graph.World();
    graph.Clear();
    graph.ElementSize = context.ElementSize;
    graph.BullePlace = context.BubblePlace;
    const int variant = context.VectorTilted ? 1 : 0;
    TBox box;
    const int count = calc.Current().ObjectCount;
    for (int object = 0; object < count; ++object) {
        const TLabelledPoints positions = calc.PointSeries(variant, object, ckY, ckX);
        TIntegerDynArray edges, keys;
        QStringList units;
        std::vector<TPointDDynArray> families;
        if (context.VelocityComputed) {
            families.push_back(calc.PointSeries(variant, object, ckVy, ckVx).Points);
            edges.push_back(context.HideEdgeV ? 1 : 0);
            keys.push_back(0);
            units << QStringLiteral("m/s");
        }
        if (context.AccelerationComputed) {
            families.push_back(calc.PointSeries(variant, object, ckAy, ckAx).Points);
            edges.push_back(context.HideEdgeA ? 2 : 0);
            keys.push_back(1);
            units << QStringLiteral("m/s²");
        }
        const int curve = graph.AddCurve(positions.Points, 0, positions.Labels, edges, units, keys, families);
        StyleCurve(graph, curve, object, context);
        graph.SetCurveProperty(curve, TCourbe::kVecteurs, QVariant(int(context.ColorOf(object))), 3, 0);
        for (const QPointF& p : positions.Points)
            box.Add(p.x(), p.y());
    }
    if (fit || box.Empty()) {
        const TWorld w = FitRange(box.Empty() ? TWorld{0, 1, 0, 1} : box.W, false, false, false, false, 0.15);
        graph.SetWorldAndScales(EqualizeScales(w, graph.PlotHeight(), graph.PlotWidth()), true);
    } else {
        graph.SetWorld(kept);
    }
    for (const int key : {0, 1}) {
        const int index = graph.ScaleIndexOfKey(key);
        if (index >= 0) {
            graph.SelectScale(index);
            graph.InitCurrentScale();
        }
    }
    graph.ResumeLayout();
    ShowVectorChoices(graph, quantity, objects, context);
    // The frame behind the vectors: as the camera sees it when the page shows the image axes, turned
    // and mirrored into the reference frame otherwise.
    TVideoImage image;
    if (context.VideoImage && !context.LayerMode && context.VideoSource && context.VideoSource(image) &&
        !image.Frame.isNull()) {
        if (context.VectorTilted)
            graph.SetVideoImage(image.Origin, image.Size, image.Frame, false, false, 0.0);
        else
            graph.SetVideoImage(image.Origin, image.Size, image.Frame, image.FlipX, image.FlipY, image.Angle);
        graph.SetSourceImgVisible(true);
    } else {
        graph.SetSourceImgVisible(false);
    }
}

namespace {

const QString NoUnit = QStringLiteral("no unit");

bool HasUnit(const QString& unit)
{
    return !unit.isEmpty() && unit != NoUnit;
}

// "name (unit)", or the name alone for a quantity without unit.
QString NameWithUnit(const QString& name, const QString& unit)
{
    return HasUnit(unit) ? name + QStringLiteral(" (") + unit + QLatin1Char(')') : name;
}

// How a formula is named on the axes and in the abscissa list: an anonymous formula by its expression.
QString FormulaLabel(const TFormules& formules, int formula)
{
    const QString name = formules.FormulaName(formula);
    return name.isEmpty() ? formules.FormulaText(formula) : name;
}

} // namespace

QString FormulaChoiceText(const TFormules& formules, int formula)
{
    if (formula < 0 || formula >= formules.FormulaCount())
        return QString();
    const TRec& rec = *formules.Formulas[std::size_t(formula)];
    const QString text = rec.Name.isEmpty() ? rec.Phrase : rec.Name + QStringLiteral("  ") + rec.Phrase;
    return HasUnit(rec.Unit) ? text + QStringLiteral(" (") + rec.Unit + QLatin1Char(')') : text;
}

void BuildFormulaGraph(TGraph& graph, TFormules& formules, const std::vector<int>& ordinates, int abscissa,
                       const TGraphPageContext& context, bool fit)
{
    graph.SuspendLayout();
    const TWorld kept = graph.World();
    graph.Clear();
    graph.ElementSize = context.ElementSize;
    formules.SetAbscissa(abscissa);
    const int x = formules.AbscissaFormula;
    const TCurve* xCurve = x >= 0 ? &formules.Formulas[std::size_t(x)]->Curve : nullptr;
    // The ends of a series are left out as the velocity and acceleration themselves are, for the
    // abscissa's formula as for the ordinate's.
    const auto edgeOf = [&context](const TCurve& c) {
        return c.UsesAcceleration && context.HideEdgeA ? 2 : c.UsesVelocity && context.HideEdgeV ? 1 : 0;
    };
    TBox box;
    std::vector<int> drawn;
    for (const int formula : ordinates) {
        if (formula < 0 || formula >= formules.FormulaCount())
            continue;
        const TCurve& curve = formules.Formulas[std::size_t(formula)]->Curve;
        if (curve.Empty)
            continue;
        const TPointDDynArray points = formules.CurvePoints(formula);
        const int edge = std::max(edgeOf(curve), xCurve ? edgeOf(*xCurve) : 0);
        const int index = graph.AddCurve(points, edge, {}, {}, {}, {}, {});
        for (std::size_t i = 0; i < points.size(); ++i)
            if (int(i) >= edge && int(i) + edge < int(points.size()))
                box.Add(points[i].x(), points[i].y());
        // Formulas belong to no object: each takes the colour and glyph of its place in the list.
        StyleCurve(graph, index, formula, TGraphPageContext{});
        graph.SetCurveVisible(index, TCourbe::kNumbers, false, 3);
        graph.SetCurveVisible(index, TCourbe::kSplines, false, 3);
        graph.SetCurveVisible(index, TCourbe::kSegments, context.FormulaPolyline, 3);
        drawn.push_back(formula);
    }
    if (fit || box.Empty()) {
        const TWorld world = box.Empty() ? TWorld{}
                                         : FitRange(box.W, x >= 0 && context.FormulaOriginX,
                                                    context.FormulaOriginY, false, x < 0, 0.05);
        graph.SetWorldAndScales(world, false);
    } else {
        graph.SetWorld(kept);
    }
    graph.TitreAxeX = x < 0 ? QStringList{QStringLiteral("t"), QStringLiteral("time (s)")}
                            : QStringList{NameWithUnit(FormulaLabel(formules, x), formules.FormulaUnit(x))};
    if (drawn.size() == 1) {
        graph.TitreAxeY =
            QStringList{NameWithUnit(FormulaLabel(formules, drawn[0]), formules.FormulaUnit(drawn[0]))};
    } else if (drawn.empty()) {
        graph.TitreAxeY.clear();
    } else {
        const QString unit = formules.FormulaUnit(drawn[0]);
        const bool same =
            std::all_of(drawn.begin(), drawn.end(), [&](int f) { return formules.FormulaUnit(f) == unit; });
        graph.TitreAxeY = QStringList{QStringLiteral("Representation of several curves")};
        if (!same)
            graph.TitreAxeY << QStringLiteral("Unit problem!");
        else if (HasUnit(unit))
            graph.TitreAxeY << QLatin1Char('(') + unit + QLatin1Char(')');
    }
    graph.IsShowModeleurEqua = context.FormulaModelEquation;
    graph.IsShowModeleurStat = context.FormulaModelStatistics;
    if (drawn.size() == 1 && context.ModelKind != mkNone && graph.Curves().size() == 1) {
        graph.SetCurveProperty(0, TCourbe::kModele, x < 0 ? QStringLiteral("t") : FormulaLabel(formules, x),
                               3, 1);
        graph.SetCurveProperty(0, TCourbe::kModele, FormulaLabel(formules, drawn[0]), 3, 2);
        for (TGModele* model : graph.Models())
            model->SetUnits(x < 0 ? QStringLiteral("s") : formules.FormulaUnit(x),
                            formules.FormulaUnit(drawn[0]));
        graph.SetCurveVisible(0, TCourbe::kModele, true, 3);
        graph.SetCurveProperty(0, TCourbe::kModele, context.ModelKind, 3, 6);
    } else {
        graph.SetAllCurvesVisible(TCourbe::kModele, false, 3);
    }
    graph.UpdateModelPanels();
    graph.ResumeLayout();
}

void ShowVectorChoices(TGraph& graph, int quantity, const std::vector<int>& objects,
                       const TGraphPageContext& context)
{
    graph.IsOrigineVisible = context.GraphOrigin;
    graph.SetAllCurvesVisible(-1, false, 3);
    for (int curve = 0; curve < int(graph.Curves().size()); ++curve) {
        TCourbe& c = *graph.Curves()[std::size_t(curve)];
        c.Active = Contains(objects, curve);
        if (!c.Active)
            continue;
        for (const int kind : {int(TCourbe::kAngles), int(TCourbe::kArcs), int(TCourbe::kCercles),
                               int(TCourbe::kEllipses), int(TCourbe::kPoints)})
            graph.SetCurveVisible(curve, kind, true, 3);
        graph.SetCurveProperty(curve, TCourbe::kNumbers, QVariant(context.VectorNumbering), 3, 4);
        graph.SetCurveVisible(curve, TCourbe::kNumbers, context.VectorNumbering != npNone, 3);
        graph.SetCurveVisible(curve, TCourbe::kSegments, context.VectorPolyline, 2);
        graph.SetCurveVisible(curve, TCourbe::kSegments, context.VectorPolylineAdded, 1);
        graph.SetCurveVisible(curve, TCourbe::kSplines, context.VectorSpline, 2);
        graph.SetCurveVisible(curve, TCourbe::kSplines, context.VectorSplineAdded, 1);
        graph.SetCurveVisible(curve, TCourbe::kVecteurs, context.VectorDraw, 2);
        graph.SetCurveVisible(curve, TCourbe::kVecteurs, context.VectorDrawAdded, 1);
    }
    // The user's own elements that belong to no object: the figures show, the segments, curves and
    // vectors as the check list says.
    graph.SetCurveVisible(-1, -1, true, 3);
    graph.SetCurveVisible(-1, TCourbe::kSegments, context.VectorPolylineAdded, 1);
    graph.SetCurveVisible(-1, TCourbe::kSplines, context.VectorSplineAdded, 1);
    graph.SetCurveVisible(-1, TCourbe::kVecteurs, context.VectorDrawAdded, 1);
    const int index = graph.ScaleIndexOfKey(quantity);
    if (index >= 0)
        graph.SelectScale(index);
    else
        for (const auto& e : graph.Elements())
            if (e->ObjectType() == obVecteur)
                e->SetVisible(false);
}

// ----------------------------------------------------------------------------------------------------
// TGraphPage

namespace {

struct TToolDef
{
    int Tool;
    const char* Name;
    const char* Hint;
    const char* GraphHint;
    bool Time, Trajectory, Vectors, Formulas;
};

// The instruction of the tools that pick elements by a click or a zone.
constexpr const char* ZoneHint = "|Click on the object or draw round the objects to select them (only the "
                                 "objects entirely contained in your selection zone will be selected)";

// In the order of the tool bar; the model buttons of the time and formula pages come after them.
constexpr TToolDef Tools[] = {
    {gtZoom, "ButtonZoom",
     "Make graph bigger or smaller|Hover over the area you wish to make bigger or smaller",
     "|Left-click = make bigger; right-click = make smaller; press CTRL simultaneously to slow down", true,
     true, true, true},
    {gtPan, "ButtonPan", "Pan figure", "|Drag an drop the figure with the mouse", true, true, true, true},
    {gtReticule, "ButtonReticule",
     "Mouse pointer coordinates|X and Y values of the mouse pointer within the graphical area.",
     "|Mouse pointer coordinates :", true, true, true, true},
    {gtModifierModele, "ButtonModifierModele",
     "Modify model curve|Position of the cursor over the curve determines which parameter is modified",
     "|The mouse pointer position over the curve determines the parameter which will be modified; press "
     "CTRL or ALT at the same time to slow down alteration",
     true, false, false, true},
    {gtSelection, "ButtonSelection",
     "Select, move or change an object|Select an object, move or change it with the mouse when cursor "
     "changes to a cross",
     "|To select more than 1 objects, keep SHIFT pressed and click each object", false, true, true, false},
    {gtMesurer, "ButtonMesurer",
     "Measure an angle or an object value|Measure an angle or an object value under mouse cursor",
     "|Measure an angle or a value with mouse when cursor changes to a cross", false, true, true, false},
    {gtVecteur, "ButtonVecteur", "New vector|Draw a new vector with the mouse",
     "|Draw a vector with the mouse", false, false, true, false},
    {gtSegment, "ButtonSegment", "New segment|Draw a new segment", "|Draw a segment with the mouse", false,
     true, true, false},
    {gtSpline, "ButtonSpline", "New curve|Draw a curve by setting control points with the mouse.",
     "|Left-click = add a control point; double left-click = finish", false, true, true, false},
    {gtAngle, "ButtonAngle", "New angle|Draw an angle defined by two straight lines with mouse",
     "|Draw an acute angle defined by 2 straight lines with the mouse", false, true, true, false},
    {gtArc, "ButtonArc", "New arc|Draw an arc defined by two points", "|Draw an arc with the mouse", false,
     true, true, false},
    {gtCercle, "ButtonCercle", "New circle|Draw a new circle from the center",
     "Draw a circle with the mouse from its center", false, true, true, false},
    {gtEllipse, "ButtonEllipse", "New ellipse|Draw a new ellipse from its center",
     "|Draw an ellipse from its center with the mouse", false, true, true, false},
    {gtCurveArc, "ButtonCurveArc",
     "Bend an arc, a circle or an ellipse|Catch a point on the circumference or radius using the mouse",
     "|Curve an arc by grabbing its circumference or its radiuses with the mouse", false, true, true, false},
    {gtSens, "ButtonSens",
     "Change vectors direction|Change direction of the vector under the mouse pointer; change direction of "
     "the vectors in a rectangular zone",
     ZoneHint, false, false, true, false},
    {gtDupliquer, "ButtonDupliquer",
     "Duplicate objects|Duplicate the object under the mouse pointer; duplicate the objects in a rectangular "
     "zone",
     ZoneHint, false, true, true, false},
    {gtSupprimer, "ButtonSupprimer",
     "Delete objects|Delete the object under the mouse pointer; delete the objects in a rectangular zone",
     ZoneHint, false, true, true, false},
};

// The tools that draw on the vectors: offered only when velocity or acceleration is computed.
bool NeedsVectors(int tool)
{
    return tool == gtVecteur || tool == gtSens;
}

// The model buttons of the time and formula pages, in the order of their tool bar.
struct TModelButtonDef
{
    int Kind;
    const char* Name;
    const char* Hint;
};

constexpr TModelButtonDef ModelButtons[] = {
    {mkConstant, "ButtonModeleConstant",
     "Fit using a constant value|Model parameters available by hovering over the curve"},
    {mkProportionnel, "ButtonModeleProportionnel",
     "Fit using a line going through the origin|Model parameters available by hovering over the curve"},
    {mkAffine, "ButtonModeleAffine", "Linear fit|Hover mouse over curve to set parameters"},
    {mkParabole, "ButtonModeleParabole", "Parabolic fit|Hover mouse over curve to set parameters"},
    {mkSinus, "ButtonModeleSinus", "Sine fit|Hover mouse over curve to set parameters"},
    {mkSinusAe, "ButtonModeleSinusAe",
     "Dampened sine fit (exponential dampening)|Hover mouse over curve to set parameters"},
    {mkSinusAl, "ButtonModeleSinusAl",
     "Dampened sine fit (linear dampening)|Hover mouse over curve to set parameters"},
    {mkExponentiel, "ButtonModeleExponentiel",
     "Fit using an exponential| Model parameters available by hovering over the curve "},
};

const QString ModelInfoHint = QStringLiteral("|Hover the mouse over the curve to see parameters");

QString ToolInstruction(int tool)
{
    for (const TToolDef& t : Tools)
        if (t.Tool == tool)
            return QString::fromUtf8(t.GraphHint);
    return QString();
}

// The picture of a model button: the model's curve in a small square.
QIcon ModelPicture(int kind)
{
    constexpr double Pi = 3.14159265358979323846;
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 150, 150), 2));
    QPainterPath path;
    for (int i = 0; i <= 20; ++i) {
        const double u = i / 20.0; // 0..1 across
        double v = 0.5;            // 0..1 upwards
        switch (kind) {
        case mkConstant:
            v = 0.5;
            break;
        case mkProportionnel:
        case mkAffine:
            v = (kind == mkAffine ? 0.25 : 0.0) + 0.7 * u;
            break;
        case mkParabole:
            v = 0.9 - 3.2 * (u - 0.5) * (u - 0.5);
            break;
        case mkExponentiel:
            v = 0.1 + 0.8 * (std::exp(3 * u) - 1) / (std::exp(3.0) - 1);
            break;
        case mkSinus:
            v = 0.5 + 0.4 * std::sin(4 * Pi * u);
            break;
        case mkSinusAe:
            v = 0.5 + 0.4 * std::exp(-2 * u) * std::sin(4 * Pi * u);
            break;
        case mkSinusAl:
            v = 0.5 + 0.4 * (1 - 0.8 * u) * std::sin(4 * Pi * u);
            break;
        default:
            break;
        }
        const QPointF at(2 + 20 * u, 22 - 20 * v);
        if (i == 0)
            path.moveTo(at);
        else
            path.lineTo(at);
    }
    p.drawPath(path);
    return QIcon(pixmap);
}

// The picture of the modifier: a curve with a four-way arrow.
QIcon ModifierPicture()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 150, 150), 2));
    p.drawArc(QRectF(2, 6, 20, 28), 30 * 16, 120 * 16);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(12, 9, 12, 21);
    p.drawLine(6, 15, 18, 15);
    return QIcon(pixmap);
}

// The picture of a construct tool whose picture the resources do not have: the element it draws.
QIcon ConstructPicture(int tool)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen pen(QColor(0, 100, 0), 2);
    p.setPen(pen);
    const auto dot = [&p](double x, double y) {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(x, y), 2, 2);
        p.restore();
    };
    switch (tool) {
    case gtMesurer:
        p.drawLine(3, 17, 21, 17);
        for (int x = 3; x <= 21; x += 3)
            p.drawLine(x, 17, x, x % 6 == 3 ? 11 : 14);
        break;
    case gtVecteur:
        p.setPen(QPen(QColor(148, 0, 211), 2));
        p.drawLine(3, 20, 20, 4);
        p.drawLine(20, 4, 13, 6);
        p.drawLine(20, 4, 18, 11);
        break;
    case gtSegment:
        p.drawLine(4, 19, 20, 5);
        dot(4, 19);
        dot(20, 5);
        break;
    case gtSpline: {
        QPainterPath path(QPointF(3, 18));
        path.cubicTo(QPointF(8, 0), QPointF(15, 26), QPointF(21, 6));
        p.drawPath(path);
        dot(3, 18);
        dot(21, 6);
        break;
    }
    case gtAngle:
        p.drawLine(3, 20, 21, 20);
        p.drawLine(3, 20, 18, 4);
        p.drawArc(QRectF(-7, 10, 20, 20), 0, 47 * 16);
        break;
    case gtArc:
        p.drawArc(QRectF(3, 5, 18, 18), 20 * 16, 140 * 16);
        dot(20, 11);
        dot(4, 11);
        break;
    case gtCercle:
        p.drawEllipse(QRectF(3, 3, 18, 18));
        dot(12, 12);
        break;
    case gtEllipse:
        p.drawEllipse(QRectF(2, 6, 20, 12));
        dot(12, 12);
        break;
    case gtCurveArc:
        p.drawArc(QRectF(3, 8, 18, 18), 20 * 16, 140 * 16);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(12, 1, 12, 8);
        p.drawLine(12, 8, 9, 5);
        p.drawLine(12, 8, 15, 5);
        break;
    case gtDupliquer:
        p.drawRect(QRectF(3, 3, 11, 11));
        p.setPen(QPen(QColor(0, 100, 0), 2, Qt::DotLine));
        p.drawRect(QRectF(10, 10, 11, 11));
        break;
    default:
        break;
    }
    return QIcon(pixmap);
}

// The picture of the vector-scale panel: the arrow that a vector of the scale's norm is on the graph,
// drawn as the graph draws vectors (pen of the element size, open head at 92.5 % of the length, 5 to
// 10 pixels long), `length` pixels from its origin to its tip.
QPixmap ArrowPicture(int length, int elementSize)
{
    constexpr int Margin = 6;
    QPixmap pixmap(length + 2 * Margin, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, ElementPenWidth(elementSize), Qt::SolidLine));
    const QPointF origin(Margin, 8), tip(Margin + length, 8);
    p.drawLine(origin, tip);
    const double head = std::clamp(0.075 * length, 5.0, 10.0);
    p.drawLine(tip, tip + QPointF(-head, -head / 2));
    p.drawLine(tip, tip + QPointF(-head, head / 2));
    return pixmap;
}

} // namespace

TGraphPage::TGraphPage(int page, QWidget* parent) : QWidget(parent), FPage(page)
{
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    FTools = new QToolBar(this);
    FTools->setOrientation(Qt::Vertical);
    outer->addWidget(FTools);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(column, 1);

    FGraph = new TGraph(this);
    ApplyPageLook(*FGraph, page);

    if (page == rpVecteur) {
        FScalePanel = new QWidget(this);
        auto* row = new QHBoxLayout(FScalePanel);
        row->addStretch(1);
        row->addWidget(new QLabel(QStringLiteral("Scale:"), FScalePanel));
        FArrow = new QLabel(FScalePanel);
        FGraph->SetLEchelleEnPixels(64 - 1);
        FArrow->setPixmap(ArrowPicture(FGraph->LEchelleEnPixels(), FGraph->ElementSize));
        row->addWidget(FArrow);
        row->addWidget(new QLabel(QStringLiteral("vector norm"), FScalePanel));
        FNorm = new QLineEdit(FScalePanel);
        FNorm->setMaximumWidth(90);
        FNorm->setToolTip(
            QStringLiteral("Norm of the vector which screen representation has the length of the opposite "
                           "arrow: type a value and press Enter, or use the arrows"));
        connect(FNorm, &QLineEdit::returnPressed, this, [this] { ApplyTypedNorm(); });
        // Leaving the box without Enter keeps the norm in force, shown again.
        connect(FNorm, &QLineEdit::editingFinished, this, [this] {
            if (!FNorm->hasFocus())
                UpdateNormBox();
        });
        row->addWidget(FNorm);
        for (const bool up : {true, false}) {
            auto* b = new QToolButton(FScalePanel);
            b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
            b->setToolTip(QStringLiteral("Change scale value to adjust vector length"));
            connect(b, &QToolButton::clicked, this, [this, up] { StepNorm(up); });
            row->addWidget(b);
        }
        FUnit = new QLabel(FScalePanel);
        row->addWidget(FUnit);
        row->addStretch(1);
        column->addWidget(FScalePanel);
    }
    column->addWidget(FGraph, 1);

    // Choice panel.
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->addStretch(1);
    FObjects = new QListWidget(panel);
    FObjects->setMaximumHeight(70);
    FObjects->setMaximumWidth(220);
    if (page == rpTemps) {
        FQuantity = new QComboBox(panel);
        row->addWidget(FQuantity);
        row->addWidget(new QLabel(QStringLiteral("as a function of time"), panel));
        row->addWidget(FObjects);
    } else if (page == rpReferentiel) {
        row->addWidget(new QLabel(QStringLiteral("Trajectory"), panel));
        row->addWidget(FObjects);
        row->addWidget(new QLabel(QStringLiteral("in the reference frame"), panel));
        FReference = new QComboBox(panel);
        row->addWidget(FReference);
    } else if (page == rpVecteur) {
        row->addWidget(new QLabel(QStringLiteral("Vector representation of"), panel));
        FQuantity = new QComboBox(panel);
        row->addWidget(FQuantity);
        row->addWidget(FObjects);
    } else {
        // Formulas: the ordinates (several), "function of", the abscissa.
        FObjects->setMaximumWidth(360);
        row->addWidget(FObjects);
        row->addWidget(new QLabel(QStringLiteral("function of"), panel));
        FReference = new QComboBox(panel);
        row->addWidget(FReference);
    }
    if (page == rpVecteur) {
        FDrawButton = new QToolButton(panel);
        FDrawButton->setObjectName(QStringLiteral("CheckListDessin"));
        FDrawButton->setText(QStringLiteral("Draw"));
        FDrawButton->setToolTip(QStringLiteral("Draw the vectors, curves and segments of the data (defaults) "
                                               "and those drawn with the mouse (added)"));
        FDrawButton->setPopupMode(QToolButton::InstantPopup);
        auto* menu = new QMenu(FDrawButton);
        const char* const groups[] = {"Draw vectors :", "Draw curves :", "Draw segments :"};
        for (int g = 0; g < 3; ++g) {
            menu->addSection(QString::fromUtf8(groups[g]));
            for (const bool added : {false, true}) {
                QAction* a = menu->addAction(added ? QStringLiteral("added") : QStringLiteral("defaults"));
                a->setCheckable(true);
                a->setChecked(added || g == 0);
                connect(a, &QAction::triggered, this, [this] { ShowVectorElements(); });
                FDrawItems[g][added ? 1 : 0] = a;
            }
        }
        FDrawButton->setMenu(menu);
        row->addWidget(FDrawButton);
    }
    row->addStretch(1);
    column->addWidget(panel);
    const auto changed = [this] {
        if (OnChoiceChange)
            OnChoiceChange();
    };
    // The vector page's quantity only chooses the scale shown: the page keeps its window and figures.
    for (QWidget* w : {static_cast<QWidget*>(FObjects), static_cast<QWidget*>(FQuantity),
                       static_cast<QWidget*>(FReference)})
        if (w)
            w->installEventFilter(this);
    if (FQuantity)
        connect(FQuantity, &QComboBox::activated, this, [this, changed] {
            if (FPage == rpVecteur)
                ShowVectorElements();
            else
                changed();
        });
    if (FReference)
        connect(FReference, &QComboBox::activated, this, changed);
    connect(FObjects, &QListWidget::itemChanged, this, [this, changed] {
        // The user's choice of other objects on the vector page takes away the figures drawn for none
        // of them; undo brings them back.
        if (FPage == rpVecteur)
            FGraph->DeleteFreeConstructs();
        changed();
    });

    for (const TToolDef& t : Tools) {
        const bool onPage = (page == rpTemps && t.Time) || (page == rpReferentiel && t.Trajectory) ||
                            (page == rpVecteur && t.Vectors) || (page == rpFormules && t.Formulas);
        if (onPage)
            AddTool(t.Tool, t.Name, t.Hint, t.GraphHint);
    }
    if (page == rpTemps || page == rpFormules) {
        for (const TModelButtonDef& m : ModelButtons)
            AddModelButton(m.Kind, m.Name, m.Hint);
    }
    if (page == rpVecteur) {
        FVideoButton = new QToolButton(FTools);
        FVideoButton->setObjectName(QStringLiteral("ButtonVideo"));
        FVideoButton->setText(QStringLiteral("Draw the current video image"));
        FVideoButton->setToolTip(QStringLiteral("Draw the current video image"));
        FVideoButton->setStatusTip(QStringLiteral("The video image is drawn behind the objects."));
        FVideoButton->setIcon(QIcon(QStringLiteral(":/icons/ButtonVideo.svg")));
        FVideoButton->setCheckable(true);
        FVideoAction = FTools->addWidget(FVideoButton);
        connect(FVideoButton, &QToolButton::clicked, this, [this](bool down) {
            if (OnVideoToggle)
                OnVideoToggle(down);
        });
    }
    FGraph->OnMouseMove = [this](Qt::KeyboardModifiers, int x, int y) { ShowReadout(x, y); };
    FGraph->OnObjectClick = [this](Qt::MouseButton button, TGObjectType type) {
        if (button != Qt::RightButton || type != obNone)
            return;
        QMenu* menu = BuildContextMenu();
        menu->exec(QCursor::pos());
        delete menu;
    };
    FGraph->OnResize = [this] {
        if (FFresh && FCalc)
            Rebuild(*FCalc, FContext, true);
        UpdateNormBox();
    };
    FGraph->OnOptionChange = [this] {
        for (auto& [tool, button] : FToolButtons)
            button->setChecked(tool == FGraph->Tool());
        // The readout panels show only while the coordinates tool is selected.
        const bool readout = FGraph->Tool() == gtReticule;
        for (QLabel* readoutPanel : {ReadoutX, ReadoutY})
            if (readoutPanel) {
                readoutPanel->clear();
                readoutPanel->setVisible(readout);
            }
    };
}

void TGraphPage::AddTool(int tool, const char* name, const char* hint, const char* graphHint)
{
    auto* b = new QToolButton(FTools);
    b->setObjectName(QString::fromLatin1(name));
    const QString text = QString::fromUtf8(hint);
    b->setToolTip(text.section(QLatin1Char('|'), 0, 0));
    b->setStatusTip(text.section(QLatin1Char('|'), 1));
    b->setText(text.section(QLatin1Char('|'), 0, 0));
    // The zoom and pan tools of a graph look like those of the video view.
    QString picture = QString::fromLatin1(name);
    if (picture == QLatin1String("ButtonZoom") || picture == QLatin1String("ButtonPan"))
        picture.insert(6, QLatin1String("Outil"));
    // The pictures that the resources do not have are drawn.
    const QString resource = QStringLiteral(":/icons/%1.svg").arg(picture);
    b->setIcon(tool == gtModifierModele  ? ModifierPicture()
               : QFile::exists(resource) ? QIcon(resource)
                                         : ConstructPicture(tool));
    b->setCheckable(true);
    FToolActions.emplace_back(tool, FTools->addWidget(b));
    FToolButtons.emplace_back(tool, b);
    Q_UNUSED(graphHint);
    connect(b, &QToolButton::toggled, this, [this, tool](bool down) { ToolToggled(tool, down); });
}

void TGraphPage::AddModelButton(int kind, const char* name, const char* hint)
{
    auto* b = new QToolButton(FTools);
    b->setObjectName(QString::fromLatin1(name));
    const QString text = QString::fromUtf8(hint);
    b->setToolTip(text.section(QLatin1Char('|'), 0, 0));
    b->setStatusTip(text.section(QLatin1Char('|'), 1).trimmed());
    b->setText(text.section(QLatin1Char('|'), 0, 0));
    b->setIcon(ModelPicture(kind));
    b->setCheckable(true);
    FModelActions.emplace_back(kind, FTools->addWidget(b));
    FModelButtons.emplace_back(kind, b);
    connect(b, &QToolButton::clicked, this, [this, kind](bool down) { ModelButtonClicked(kind, down); });
}

QToolButton* TGraphPage::ModelButton(int kind) const
{
    for (const auto& [k, b] : FModelButtons)
        if (k == kind)
            return b;
    return nullptr;
}

int TGraphPage::ModelKind() const
{
    for (const auto& [k, b] : FModelButtons)
        if (b->isChecked())
            return k;
    return mkNone;
}

void TGraphPage::ToolToggled(int tool, bool down)
{
    if (!down && FGraph->Tool() != tool)
        return;
    QToolButton* button = ToolButton(tool);
    const auto release = [button] {
        const QSignalBlocker block(button);
        button->setChecked(false);
    };
    if (down && tool == gtModifierModele && ModelKind() == mkNone) {
        // The zoom, pan or coordinates button that was down stays down: the tool has not changed.
        release();
        TUserDlg::Instance()
            .Begin(icInformation)
            .Line(QStringLiteral("First select a model (linear, parabolic, sine...)"))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return;
    }
    if (!down && ModelKind() != mkNone) {
        FGraph->SetTool(gtModeleInfo, true);
        FGraph->SetHint(ModelInfoHint);
        return;
    }
    if (!FGraph->SetTool(tool, down)) {
        release();
        return;
    }
    FGraph->SetHint(down ? ToolInstruction(tool) : QString());
}

void TGraphPage::SelectModelInfo()
{
    const int tool = FGraph->Tool();
    if (tool == gtZoom || tool == gtPan || tool == gtReticule)
        FPreviousTool = tool;
    FGraph->SetTool(gtModeleInfo, true);
    FGraph->SetHint(ModelInfoHint);
}

void TGraphPage::RestorePreviousTool()
{
    const int tool = FGraph->Tool();
    if (tool != gtModeleInfo && tool != gtModifierModele)
        return;
    FGraph->SetTool(FPreviousTool, FPreviousTool != gtNone);
    FGraph->SetHint(ToolInstruction(FPreviousTool));
}

void TGraphPage::ReleaseModelButtons()
{
    for (const auto& [k, b] : FModelButtons)
        b->setChecked(false);
}

void TGraphPage::ModelButtonClicked(int kind, bool down)
{
    if (down && SelectedObjects().size() != 1) {
        ModelButton(kind)->setChecked(false);
        TUserDlg::Instance()
            .Begin(icInformation)
            .Line(QStringLiteral("Fit regression is available for only one curve at a time."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return;
    }
    if (down) {
        // One model at a time.
        for (const auto& [k, b] : FModelButtons)
            if (k != kind)
                b->setChecked(false);
        SelectModelInfo();
    } else {
        RestorePreviousTool();
    }
    if (FCalc)
        Rebuild(*FCalc, FContext, false);
}

bool TGraphPage::ToolShown(int tool) const
{
    for (const auto& [t, a] : FToolActions)
        if (t == tool)
            return a->isVisible();
    return false;
}

void TGraphPage::SetToolShown(int tool, bool shown)
{
    // A widget on a tool bar shows and hides through its action.
    for (const auto& [t, a] : FToolActions)
        if (t == tool)
            a->setVisible(shown);
    // A hidden tool that was selected is released.
    if (!shown && FGraph->Tool() == tool)
        FGraph->SetTool(tool, false);
}

QToolButton* TGraphPage::ToolButton(int tool) const
{
    for (const auto& [t, b] : FToolButtons)
        if (t == tool)
            return b;
    return nullptr;
}

void TGraphPage::ShowReadout(int x, int y)
{
    if (!ReadoutX || !ReadoutY || FGraph->Tool() != gtReticule)
        return;
    if (!FGraph->InPlot(x, y)) {
        ReadoutX->clear();
        ReadoutY->clear();
        return;
    }
    const QPointF w = FGraph->PixelToWorld(x, y);
    const QString vx = FormatSignificant(0, w.x());
    const QString vy = FormatSignificant(0, w.y());
    if (FPage == rpTemps) {
        const int index = FQuantity ? FQuantity->currentIndex() : -1;
        const TColumnKind kind = index >= 0 && index < int(FQuantities.size())
                                     ? FQuantities[std::size_t(index)]
                                     : TColumnKind(ckX);
        ReadoutX->setText(QStringLiteral("t = ") + vx + QStringLiteral(" s"));
        ReadoutY->setText(SymbolOf(kind) + QStringLiteral(" = ") + vy + QLatin1Char(' ') +
                          TResCalc::KindUnit(kind));
    } else if (FPage == rpReferentiel) {
        // On the trajectory and vector pages the unit follows the value without a space.
        ReadoutX->setText(QStringLiteral("X = ") + vx + QStringLiteral("m"));
        ReadoutY->setText(QStringLiteral("Y = ") + vy + QStringLiteral("m"));
    } else if (FPage == rpFormules) {
        // Formulas have units of their own: the values stand alone.
        ReadoutX->setText(QStringLiteral("Abscissa = ") + vx);
        ReadoutY->setText(QStringLiteral("Ordinates = ") + vy);
    } else {
        ReadoutX->setText(QStringLiteral("Abscissa = ") + vx + QStringLiteral("m"));
        ReadoutY->setText(QStringLiteral("Ordinates = ") + vy + QStringLiteral("m"));
    }
}

void TGraphPage::FillChoices(const TResCalc& calc, const QStringList& objectNames, const QString& cameraName,
                             const TGraphPageContext& context)
{
    FContext = context;
    const QSignalBlocker blockList(FObjects);
    // The objects stay checked as the user left them. An object new to the list is shown on the
    // trajectory and vector pages; the time page starts from the first object alone.
    const std::vector<int> checked = SelectedObjects();
    const int known = FObjects->count();
    FObjects->clear();
    const int count = calc.Current().ObjectCount;
    for (int i = 0; i < count; ++i) {
        auto* item =
            new QListWidgetItem(i < objectNames.size() ? objectNames[i] : QString::number(i + 1), FObjects);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool shown = i < known ? Contains(checked, i) : FPage != rpTemps || (known == 0 && i == 0);
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
    if (FQuantity) {
        const QSignalBlocker blockQuantity(FQuantity);
        const int previous = FQuantity->currentIndex();
        const QString previousText = FQuantity->currentText();
        FQuantity->clear();
        if (FPage == rpTemps) {
            FQuantities = TimeQuantities(FContext);
            for (const TColumnKind k : FQuantities)
                FQuantity->addItem(TimeQuantityCaption(k));
        } else {
            if (FContext.VelocityComputed)
                FQuantity->addItem(QStringLiteral("velocity"), 0);
            if (FContext.AccelerationComputed)
                FQuantity->addItem(QStringLiteral("acceleration"), 1);
        }
        const int found = FQuantity->findText(previousText);
        FQuantity->setCurrentIndex(found >= 0                                       ? found
                                   : previous >= 0 && previous < FQuantity->count() ? previous
                                                                                    : 0);
    }
    if (FReference) {
        const QSignalBlocker blockReference(FReference);
        const int previous = FReference->currentIndex();
        FReference->clear();
        FReference->addItem(cameraName, -1);
        for (int i = 0; i < count; ++i)
            FReference->addItem(i < objectNames.size() ? objectNames[i] : QString::number(i + 1), i);
        FReference->setCurrentIndex(previous >= 0 && previous < FReference->count() ? previous : 0);
    }
}

void TGraphPage::FillFormulaChoices()
{
    if (!Formules || FPage != rpFormules)
        return;
    const QSignalBlocker blockList(FObjects);
    const QSignalBlocker blockAbscissa(FReference);
    FObjects->clear();
    for (int i = 0; i < Formules->FormulaCount(); ++i) {
        const TCurve& curve = Formules->Formulas[std::size_t(i)]->Curve;
        auto* item = new QListWidgetItem(FormulaChoiceText(*Formules, i), FObjects);
        Qt::ItemFlags flags = item->flags() | Qt::ItemIsUserCheckable;
        if (curve.Empty)
            flags &= ~Qt::ItemIsEnabled; // nothing to draw
        item->setFlags(flags);
        item->setCheckState(curve.InGraph && !curve.Empty ? Qt::Checked : Qt::Unchecked);
    }
    FReference->clear();
    FReference->addItem(QStringLiteral("t"), -1);
    for (int i = 0; i < Formules->FormulaCount(); ++i)
        if (!Formules->Formulas[std::size_t(i)]->Curve.Empty)
            FReference->addItem(FormulaLabel(*Formules, i), i);
    const int at = FReference->findData(Formules->AbscissaFormula);
    FReference->setCurrentIndex(at >= 0 ? at : 0);
}

std::vector<int> TGraphPage::SelectedObjects() const
{
    std::vector<int> selected;
    for (int i = 0; i < FObjects->count(); ++i)
        if (FObjects->item(i)->checkState() == Qt::Checked)
            selected.push_back(i);
    return selected;
}

bool TGraphPage::eventFilter(QObject* watched, QEvent* event)
{
    const bool choice =
        watched == FObjects || (FQuantity && watched == FQuantity) || (FReference && watched == FReference);
    if (!choice || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const int code = key->key();
    const bool undo = code == Qt::Key_A && key->modifiers().testFlag(Qt::ControlModifier);
    if (code == Qt::Key_Space || code == Qt::Key_Delete || code == Qt::Key_Insert || undo) {
        FGraph->KeyDown(code, key->modifiers());
        return true;
    }
    // Space being the graph's, Enter checks or unchecks the current entry of the list.
    if (watched == FObjects && (code == Qt::Key_Return || code == Qt::Key_Enter)) {
        QListWidgetItem* item = FObjects->currentItem();
        if (item && item->flags().testFlag(Qt::ItemIsEnabled))
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TGraphPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // From now on a resize is the user's: the window and the vector norms stay as they are.
    FFresh = false;
}

void TGraphPage::Rebuild(const TResCalc& calc, const TGraphPageContext& context, bool fit)
{
    FContext = context;
    FCalc = &calc;
    if (fit && !isVisible())
        FFresh = true;
    const std::vector<int> objects = SelectedObjects();
    if (FPage == rpTemps) {
        const int index = FQuantity->currentIndex();
        if (index < 0 || index >= int(FQuantities.size()))
            return;
        // A model belongs to one curve: more objects release the model buttons.
        if (objects.size() > 1 && ModelKind() != mkNone) {
            ReleaseModelButtons();
            RestorePreviousTool();
        }
        TGraphPageContext c = context;
        c.ModelKind = ModelKind();
        BuildTimeGraph(*FGraph, calc, FQuantities[std::size_t(index)], objects, c, fit);
        FGraph->IsZoomX = context.TimeZoomX;
        FGraph->IsZoomY = context.TimeZoomY;
    } else if (FPage == rpReferentiel) {
        BuildTrajectoryGraph(*FGraph, calc, FReference->currentData().toInt(), objects, context, fit);
    } else if (FPage == rpFormules) {
        if (!Formules)
            return;
        // The checks are the formulas' own memory of what the page draws.
        for (int i = 0; i < FObjects->count() && i < Formules->FormulaCount(); ++i)
            Formules->SetInGraph(i, FObjects->item(i)->checkState() == Qt::Checked);
        if (objects.size() > 1 && ModelKind() != mkNone) {
            ReleaseModelButtons();
            RestorePreviousTool();
        }
        TGraphPageContext c = context;
        c.ModelKind = ModelKind();
        const int abscissa = FReference->count() > 0 ? FReference->currentData().toInt() : -1;
        BuildFormulaGraph(*FGraph, *Formules, objects, abscissa, c, fit);
        FGraph->IsZoomX = context.FormulaZoomX;
        FGraph->IsZoomY = context.FormulaZoomY;
    } else {
        const int quantity = FQuantity->count() > 0 ? FQuantity->currentData().toInt() : -1;
        FContext = WithDrawChecks(context);
        BuildVectorGraph(*FGraph, calc, quantity, objects, FContext, fit);
        RestoreUserNorms(quantity);
        FArrow->setPixmap(ArrowPicture(FGraph->LEchelleEnPixels(), FGraph->ElementSize));
        FGraph->VectorValues = context.VectorValues;
        const bool vectors = context.VelocityComputed || context.AccelerationComputed;
        for (const int tool : {int(gtVecteur), int(gtSens)})
            SetToolShown(tool, vectors && !Contains(FHiddenTools, tool));
        FVideoButton->setChecked(context.VideoImage);
        FVideoAction->setVisible(!context.LayerMode && !Contains(FHiddenTools, -1));
        UpdateNormBox();
    }
    FGraph->UpdateCursor(); // the zoom's pointer follows the axes it acts on
    FGraph->update();
}

QAction* TGraphPage::DrawItem(int group, bool added) const
{
    return group >= 0 && group < 3 ? FDrawItems[group][added ? 1 : 0] : nullptr;
}

TGraphPageContext TGraphPage::WithDrawChecks(const TGraphPageContext& context) const
{
    TGraphPageContext c = context;
    if (!FDrawButton)
        return c;
    c.VectorDraw = FDrawItems[0][0]->isChecked();
    c.VectorDrawAdded = FDrawItems[0][1]->isChecked();
    c.VectorSpline = FDrawItems[1][0]->isChecked();
    c.VectorSplineAdded = FDrawItems[1][1]->isChecked();
    c.VectorPolyline = FDrawItems[2][0]->isChecked();
    c.VectorPolylineAdded = FDrawItems[2][1]->isChecked();
    return c;
}

void TGraphPage::ShowVectorElements()
{
    if (FPage != rpVecteur || !FCalc)
        return;
    FContext = WithDrawChecks(FContext);
    const int quantity = FQuantity->count() > 0 ? FQuantity->currentData().toInt() : -1;
    ShowVectorChoices(*FGraph, quantity, SelectedObjects(), FContext);
    UpdateNormBox();
    FGraph->update();
}

void TGraphPage::UpdateNormBox()
{
    if (!FNorm)
        return;
    const TParamCom* scale = FGraph->CurrentScale();
    const bool offered = FQuantity && FQuantity->count() > 0 && scale;
    FNorm->setText(offered ? GeneralText(scale->Norm, 3) : QString());
    FUnit->setText(offered ? scale->UnitText : QString());
}

bool TGraphPage::StepNorm(bool up)
{
    const TParamCom* scale = FGraph->CurrentScale();
    if (!scale)
        return false;
    const bool accepted = FGraph->SetVectorNorm(scale->Norm * (up ? 1.1 : 0.9));
    if (accepted)
        FUserNorms[scale->Key] = scale->Norm;
    UpdateNormBox();
    return accepted;
}

bool TGraphPage::ApplyTypedNorm()
{
    const TParamCom* scale = FGraph->CurrentScale();
    if (!scale || !FNorm)
        return false;
    QString text = FNorm->text().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool number = false;
    const double value = QLocale::c().toDouble(text, &number);
    const bool accepted = number && value > 0 && FGraph->SetVectorNorm(value);
    if (accepted) {
        FUserNorms[scale->Key] = scale->Norm;
    } else if (FGraph->OnMeasure) {
        // Why the typed value did not take, where the window shows its measures.
        const double high = scale->FactorMin > 0 && scale->PlotWidthPx > 0
                                ? scale->ArrowPixels / (scale->FactorMin * scale->PlotWidthPx)
                                : 0.0;
        const double low = scale->FactorMax > 0 && scale->PlotWidthPx > 0
                               ? scale->ArrowPixels / (scale->FactorMax * scale->PlotWidthPx)
                               : 0.0;
        FGraph->OnMeasure(QStringLiteral("The vector norm must be a number between %1 and %2 %3")
                              .arg(GeneralText(low, 3), GeneralText(high, 3), scale->UnitText));
    }
    UpdateNormBox();
    return accepted;
}

void TGraphPage::RestoreUserNorms(int quantity)
{
    // Selecting a scale shows its vectors: only when the page shows the quantity's own scale at the end.
    const int shown = FGraph->ScaleIndexOfKey(quantity);
    if (FUserNorms.empty() || shown < 0)
        return;
    for (const auto& [key, norm] : FUserNorms) {
        const int index = FGraph->ScaleIndexOfKey(key);
        if (index < 0)
            continue;
        FGraph->SelectScale(index);
        FGraph->SetVectorNorm(norm); // refused beyond the new data's bounds: the fitted scale stays
    }
    FGraph->SelectScale(shown);
}

// ----------------------------------------------------------------------------------------------------
// Export and clipboard

namespace {

// The vector page's copies carry the distance and vector scales; the flags come back afterwards.
class TScalesForCopy
{
public:
    TScalesForCopy(TGraph& graph, bool on)
        : FGraph(graph), FDistances(graph.IsDessinerEchelleDistances),
          FVectors(graph.IsDessinerEchelleVecteurs)
    {
        if (on) {
            graph.IsDessinerEchelleDistances = true;
            graph.IsDessinerEchelleVecteurs = graph.CurrentScale() != nullptr;
        }
    }
    ~TScalesForCopy()
    {
        FGraph.IsDessinerEchelleDistances = FDistances;
        FGraph.IsDessinerEchelleVecteurs = FVectors;
    }
    TScalesForCopy(const TScalesForCopy&) = delete;
    TScalesForCopy& operator=(const TScalesForCopy&) = delete;

private:
    TGraph& FGraph;
    bool FDistances, FVectors;
};

} // namespace

bool TGraphPage::ExportGraph()
{
    static const char* const Extensions[] = {"svg", "bmp", "png"};
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Save;
    request.Title = QStringLiteral("Export to an image file");
    request.Filter =
        QStringLiteral("Scalable Vector Graphics (*.svg)|*.svg|Bitmap (*.bmp)|*.bmp|PNG image (*.png)|*.png");
    request.FileName = QStringLiteral("Graph");
    request.DefaultExt = QStringLiteral("svg");
    request.InitialDir = LastFolder;
    const TFileDialogResult answer = TDialogService::Instance().FileDialog(request);
    if (!answer.Accepted || answer.FileName.isEmpty())
        return false;
    // The file takes the extension of the chosen filter.
    const QString extension = QString::fromLatin1(Extensions[std::clamp(answer.FilterIndex, 1, 3) - 1]);
    const QFileInfo info(answer.FileName);
    const QString fileName =
        info.suffix().toLower() == extension
            ? answer.FileName
            : info.dir().filePath(info.completeBaseName() + QLatin1Char('.') + extension);
    LastFolder = info.absolutePath();
    bool saved = false;
    {
        const TScalesForCopy scales(*FGraph, FPage == rpVecteur);
        saved = FGraph->SaveToFile(fileName);
    }
    TUserDlg& dlg = TUserDlg::Instance();
    if (!saved) {
        dlg.Begin(icWarning)
            .Line(QStringLiteral("The file creation in the selected directory has failed."))
            .Line(QStringLiteral("Check your access rights to this directory."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    const bool vector = extension == QLatin1String("svg");
    dlg.Begin(icInformation)
        .Line(vector ? QStringLiteral("Saving to a file complete.")
                     : QStringLiteral("Saving to an image file complete."))
        .Line(QStringLiteral("File extension is ") + extension.toUpper() + QLatin1Char('.'))
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
    return true;
}

TPrintPreview& PrintPreview()
{
    static TPrintPreview preview = [](QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
        QPrintPreviewDialog dialog(&printer, QApplication::activeWindow());
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&paint](QPrinter* target) { paint(*target); });
        return dialog.exec() == QDialog::Accepted;
    };
    return preview;
}

void PaintForPrint(QPainter& painter, const QSizeF& page, const TGraph& graph, const QStringList& header)
{
    painter.save();
    QFont font(QStringLiteral("Arial"), 12);
    painter.setPen(Qt::black);
    double top = 0;
    for (int i = 0; i < header.size(); ++i) {
        if (header[i].isEmpty())
            continue;
        font.setBold(i == 0);
        painter.setFont(font);
        const QFontMetricsF metrics(font, painter.device());
        painter.drawText(QRectF(0, top, page.width(), metrics.height()), Qt::AlignHCenter, header[i]);
        top += metrics.height() * 1.3;
    }
    // The graph as large as the rest of the page allows, centred across, proportions kept.
    const QSize size = graph.ControlSize();
    if (size.width() > 0 && size.height() > 0) {
        const QRectF room(0, top, page.width(), std::max(1.0, page.height() - top));
        const double scale = std::min(room.width() / size.width(), room.height() / size.height());
        painter.translate(room.left() + (room.width() - size.width() * scale) / 2, room.top());
        painter.scale(scale, scale);
        painter.setClipRect(QRect(QPoint(0, 0), size));
        graph.Paint(painter, true);
    }
    painter.restore();
}

bool TGraphPage::PrintGraph(const QStringList& header)
{
    // The page is laid out at the graph's own resolution: its fonts are in points, and at the printer's
    // resolution they would grow with the scale that fits the graph to the page. The output stays vector.
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(TGraph::VectorDpi);
    printer.setDocName(header.value(0));
    const QSize size = FGraph->ControlSize();
    printer.setPageOrientation(size.width() >= size.height() ? QPageLayout::Landscape
                                                             : QPageLayout::Portrait);
    bool failed = false;
    const auto paint = [&](QPrinter& target) {
        if (target.resolution() != TGraph::VectorDpi)
            target.setResolution(TGraph::VectorDpi); // another printer chosen in the dialog
        QPainter painter;
        if (size.width() < 1 || size.height() < 1 || !painter.begin(&target)) {
            failed = true;
            return;
        }
        const TScalesForCopy scales(*FGraph, FPage == rpVecteur);
        PaintForPrint(painter, target.pageLayout().paintRectPixels(target.resolution()).size(), *FGraph,
                      header);
        if (!painter.end())
            failed = true;
    };
    const bool printed = PrintPreview()(printer, paint);
    if (failed) {
        TUserDlg::Instance()
            .Begin(icWarning)
            .Line(QStringLiteral("The printing has failed."))
            .Line(QStringLiteral("Check the printer and its settings."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    return printed;
}

bool TGraphPage::CopyGraph()
{
    bool copied = false;
    {
        const TScalesForCopy scales(*FGraph, FPage == rpVecteur);
        copied = FGraph->CopyToClipboard();
    }
    TUserDlg& dlg = TUserDlg::Instance();
    if (!copied) {
        dlg.Begin(icWarning)
            .Line(QStringLiteral("The file copy to the clipboard has failed."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    dlg.Begin(icInformation)
        .Line(QStringLiteral("Copy to clipboard done."))
        .Line(QStringLiteral("After closing this window, open another program and press Ctrl+V "
                             "simultaneously (or click Edit > Paste)."))
        .Line(QStringLiteral("The pasted image can be disassembled."))
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
    return true;
}

void TGraphPage::ApplyToolOptions(const TOptions& o)
{
    std::vector<std::pair<int, bool>> hidden;
    if (FPage == rpTemps)
        hidden = {{gtReticule, o.ToolButtonTempsReticule},
                  {gtModifierModele, o.ModelModifierHidden(TOptionsPage::Temps)}};
    else if (FPage == rpFormules)
        hidden = {{gtReticule, o.ToolButtonFormuleReticule},
                  {gtModifierModele, o.ModelModifierHidden(TOptionsPage::Formule)}};
    else if (FPage == rpReferentiel)
        hidden = {{gtReticule, o.ToolButtonReferentielReticule},
                  {gtSelection, o.ToolButtonReferentielSelection},
                  {gtMesurer, o.ToolButtonReferentielMesurer},
                  {gtSegment, o.ToolButtonReferentielSegment},
                  {gtSpline, o.ToolButtonReferentielSpline},
                  {gtAngle, o.ToolButtonReferentielAngle},
                  {gtArc, o.ToolButtonReferentielArc},
                  {gtCercle, o.ToolButtonReferentielCercle},
                  {gtEllipse, o.ToolButtonReferentielEllipse},
                  {gtCurveArc, o.CurveArcHidden(TOptionsPage::Referentiel)},
                  {gtDupliquer, o.ToolButtonReferentielDupliquer},
                  {gtSupprimer, o.ToolButtonReferentielSupprimer}};
    else
        hidden = {{gtReticule, o.ToolButtonVecteurReticule},
                  {gtSelection, o.ToolButtonVecteurSelection},
                  {gtMesurer, o.ToolButtonVecteurMesurer},
                  {gtVecteur, o.ToolButtonVecteurVecteur},
                  {gtSegment, o.ToolButtonVecteurSegment},
                  {gtSpline, o.ToolButtonVecteurSpline},
                  {gtAngle, o.ToolButtonVecteurAngle},
                  {gtArc, o.ToolButtonVecteurArc},
                  {gtCercle, o.ToolButtonVecteurCercle},
                  {gtEllipse, o.ToolButtonVecteurEllipse},
                  {gtCurveArc, o.CurveArcHidden(TOptionsPage::Vecteur)},
                  {gtSens, o.ToolButtonVecteurSens},
                  {gtDupliquer, o.ToolButtonVecteurDupliquer},
                  {gtSupprimer, o.ToolButtonVecteurSupprimer},
                  {-1, o.ToolButtonVecteurVideo}};
    // The "defaults" of the check list start from the options, "added" checked.
    if (FDrawButton) {
        const bool defaults[] = {o.CheckBox20VectorDraw, o.CheckBox50VectorSpline,
                                 o.CheckBox21VectorPolyline};
        for (int g = 0; g < 3; ++g) {
            FDrawItems[g][0]->setChecked(defaults[g]);
            FDrawItems[g][1]->setChecked(true);
        }
    }
    FHiddenTools.clear();
    for (const auto& [tool, hide] : hidden) {
        if (hide)
            FHiddenTools.push_back(tool);
        // The vector tools also wait for computed vectors (see Rebuild).
        SetToolShown(tool, !hide && (!NeedsVectors(tool) || FContext.VelocityComputed ||
                                     FContext.AccelerationComputed));
    }
    std::vector<std::pair<int, bool>> models;
    if (FPage == rpTemps)
        models = {{mkConstant, o.ToolButtonTempsModeleConstant},
                  {mkProportionnel, o.ToolButtonTempsModeleProportionnel},
                  {mkAffine, o.ToolButtonTempsModeleAffine},
                  {mkParabole, o.ToolButtonTempsModeleParabole},
                  {mkSinus, o.ToolButtonTempsModeleSinus},
                  {mkSinusAe, o.ToolButtonTempsModeleSinusAe},
                  {mkSinusAl, o.ToolButtonTempsModeleSinusAl},
                  {mkExponentiel, o.ToolButtonTempsModeleExponentiel}};
    else if (FPage == rpFormules)
        models = {{mkConstant, o.ToolButtonFormuleModeleConstant},
                  {mkProportionnel, o.ToolButtonFormuleModeleProportionnel},
                  {mkAffine, o.ToolButtonFormuleModeleAffine},
                  {mkParabole, o.ToolButtonFormuleModeleParabole},
                  {mkSinus, o.ToolButtonFormuleModeleSinus},
                  {mkSinusAe, o.ToolButtonFormuleModeleSinusAe},
                  {mkSinusAl, o.ToolButtonFormuleModeleSinusAl},
                  {mkExponentiel, o.ToolButtonFormuleModeleExponentiel}};
    for (const auto& [kind, hide] : models)
        for (const auto& [k, a] : FModelActions)
            if (k == kind)
                a->setVisible(!hide);
}

QMenu* TGraphPage::BuildContextMenu()
{
    auto* menu = new QMenu(this);
    const auto add = [&](int tool, const char* caption) {
        QToolButton* b = ToolButton(tool);
        if (!b || !ToolShown(tool))
            return;
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setCheckable(true);
        a->setChecked(b->isChecked());
        connect(a, &QAction::triggered, b, [b] { b->toggle(); });
    };
    add(gtAngle, "Draw an angle");
    add(gtArc, "Draw an arc");
    add(gtCercle, "Draw a circle");
    add(gtEllipse, "Draw an ellipse");
    add(gtSegment, "Draw a segment");
    add(gtSpline, "Draw a curve");
    add(gtVecteur, "Draw a vector");
    add(gtSelection, "Select an object");
    add(gtMesurer, "Measure a value or an angle");
    add(gtCurveArc, "Bend the arc, the circle or the ellipse");
    add(gtDupliquer, "Duplicate");
    add(gtSupprimer, "Delete");
    add(gtSens, "Change direction");
    if (!menu->isEmpty())
        menu->addSeparator();
    add(gtZoom, "Zoom");
    add(gtPan, "Pan image");
    add(gtReticule, "Mouse pointer coordinates");
    add(gtModifierModele, "Modify model curve");
    return menu;
}
