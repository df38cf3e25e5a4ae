// The time, trajectory and vector pages of the results window.
#include "results/UnitGraphPages.h"

#include "common/UnitDialogs.h"
#include "common/UnitGraphUtils.h"
#include "common/UnitUserDlg.h"
#include "graph/UnitGModele.h"
#include "results/UnitResForm.h"
#include "results/UnitResGrid.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
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
        graph.SetCurveVisible(curve, TCourbe::kPoints, true, 3);
        graph.SetCurveProperty(curve, TCourbe::kNumbers, QVariant(context.TrajectoryNumbering), 3, 4);
        graph.SetCurveVisible(curve, TCourbe::kNumbers, context.TrajectoryNumbering != npNone, 3);
        graph.SetCurveVisible(curve, TCourbe::kSegments, context.TrajectoryPolyline, 3);
    }
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
        graph.SetCurveVisible(curve, TCourbe::kSegments, true, 1);
        graph.SetCurveVisible(curve, TCourbe::kSplines, context.VectorSpline, 2);
        graph.SetCurveVisible(curve, TCourbe::kSplines, true, 1);
        graph.SetCurveVisible(curve, TCourbe::kVecteurs, context.VectorDraw, 2);
        graph.SetCurveVisible(curve, TCourbe::kVecteurs, true, 1);
    }
    // The user's own elements stay visible.
    graph.SetCurveVisible(-1, -1, true, 3);
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
    bool Time, Trajectory, Vectors;
};

constexpr TToolDef Tools[] = {
    {gtZoom, "ButtonZoom",
     "Make graph bigger or smaller|Hover over the area you wish to make bigger or smaller",
     "|Left-click = make bigger; right-click = make smaller; press CTRL simultaneously to slow down", true,
     true, true},
    {gtPan, "ButtonPan", "Pan figure", "|Drag an drop the figure with the mouse", true, true, true},
    {gtReticule, "ButtonReticule",
     "Mouse pointer coordinates|X and Y values of the mouse pointer within the graphical area.",
     "|Mouse pointer coordinates :", true, true, true},
    {gtModifierModele, "ButtonModifierModele",
     "Modify model curve|Position of the cursor over the curve determines which parameter is modified",
     "|The mouse pointer position over the curve determines the parameter which will be modified; press "
     "CTRL or ALT at the same time to slow down alteration",
     true, false, false},
    {gtSelection, "ButtonSelection",
     "Select, move or change an object|Select an object, move or change it with the mouse when cursor "
     "changes to a "
     "cross",
     "|To select more than 1 objects, keep SHIFT pressed and click each object", false, true, true},
    {gtSens, "ButtonSens",
     "Change vectors direction|Change direction of the vector under the mouse pointer; change direction of "
     "the "
     "vectors in a rectangular zone",
     "|Click on the object or draw round the objects to select them (only the objects entirely contained in "
     "your "
     "selection zone will be selected)",
     false, false, true},
    {gtSupprimer, "ButtonSupprimer",
     "Delete objects|Delete the object under the mouse pointer; delete the objects in a rectangular zone",
     "|Click on the object or draw round the objects to select them (only the objects entirely contained in "
     "your "
     "selection zone will be selected)",
     false, true, true},
};

// The model buttons of the time page, in the order of its tool bar.
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

// The picture of the vector-scale panel: an arrow 64 pixels wide.
QPixmap ArrowPicture()
{
    QPixmap pixmap(64, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(0, 8, 63, 8);
    p.drawLine(63, 8, 56, 4);
    p.drawLine(63, 8, 56, 12);
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
        auto* arrow = new QLabel(FScalePanel);
        arrow->setPixmap(ArrowPicture());
        row->addWidget(arrow);
        FGraph->SetLEchelleEnPixels(64 - 1);
        row->addWidget(new QLabel(QStringLiteral("vector norm"), FScalePanel));
        FNorm = new QLineEdit(FScalePanel);
        FNorm->setReadOnly(true);
        FNorm->setMaximumWidth(90);
        FNorm->setToolTip(QStringLiteral(
            "Norm of the vector which screen representation has the length of the opposite arrow"));
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
    } else {
        row->addWidget(new QLabel(QStringLiteral("Vector representation of"), panel));
        FQuantity = new QComboBox(panel);
        row->addWidget(FQuantity);
        row->addWidget(FObjects);
    }
    row->addStretch(1);
    column->addWidget(panel);
    const auto changed = [this] {
        if (OnChoiceChange)
            OnChoiceChange();
    };
    if (FQuantity)
        connect(FQuantity, &QComboBox::activated, this, changed);
    if (FReference)
        connect(FReference, &QComboBox::activated, this, changed);
    connect(FObjects, &QListWidget::itemChanged, this, changed);

    for (const TToolDef& t : Tools) {
        const bool onPage = (page == rpTemps && t.Time) || (page == rpReferentiel && t.Trajectory) ||
                            (page == rpVecteur && t.Vectors);
        if (onPage)
            AddTool(t.Tool, t.Name, t.Hint, t.GraphHint);
    }
    if (page == rpTemps) {
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
    // The modifier's picture is drawn: the resources have none.
    b->setIcon(tool == gtModifierModele ? ModifierPicture()
                                        : QIcon(QStringLiteral(":/icons/%1.svg").arg(picture)));
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
    // Keep the checked objects; the first object when none was checked yet.
    std::vector<int> checked = SelectedObjects();
    if (FObjects->count() == 0)
        checked = {0};
    FObjects->clear();
    const int count = calc.Current().ObjectCount;
    for (int i = 0; i < count; ++i) {
        auto* item =
            new QListWidgetItem(i < objectNames.size() ? objectNames[i] : QString::number(i + 1), FObjects);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Contains(checked, i) || FPage != rpTemps ? Qt::Checked : Qt::Unchecked);
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

std::vector<int> TGraphPage::SelectedObjects() const
{
    std::vector<int> selected;
    for (int i = 0; i < FObjects->count(); ++i)
        if (FObjects->item(i)->checkState() == Qt::Checked)
            selected.push_back(i);
    return selected;
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
    } else {
        const int quantity = FQuantity->count() > 0 ? FQuantity->currentData().toInt() : -1;
        BuildVectorGraph(*FGraph, calc, quantity, objects, context, fit);
        FGraph->VectorValues = context.VectorValues;
        const bool vectors = context.VelocityComputed || context.AccelerationComputed;
        SetToolShown(gtSens, vectors && !Contains(FHiddenTools, gtSens));
        FVideoButton->setChecked(context.VideoImage);
        FVideoAction->setVisible(!context.LayerMode && !Contains(FHiddenTools, -1));
        UpdateNormBox();
    }
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
    UpdateNormBox();
    return accepted;
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
    const std::vector<std::pair<int, bool>> hidden =
        FPage == rpTemps ? std::vector<std::pair<int, bool>>{{gtReticule, o.ToolButtonTempsReticule},
                                                             {gtModifierModele,
                                                              o.ModelModifierHidden(TOptionsPage::Temps)}}
        : FPage == rpReferentiel
            ? std::vector<std::pair<int, bool>>{{gtReticule, o.ToolButtonReferentielReticule},
                                                {gtSelection, o.ToolButtonReferentielSelection},
                                                {gtSupprimer, o.ToolButtonReferentielSupprimer}}
            : std::vector<std::pair<int, bool>>{{gtReticule, o.ToolButtonVecteurReticule},
                                                {gtSelection, o.ToolButtonVecteurSelection},
                                                {gtSens, o.ToolButtonVecteurSens},
                                                {gtSupprimer, o.ToolButtonVecteurSupprimer},
                                                {-1, o.ToolButtonVecteurVideo}};
    FHiddenTools.clear();
    for (const auto& [tool, hide] : hidden) {
        if (hide)
            FHiddenTools.push_back(tool);
        SetToolShown(tool, !hide);
    }
    if (FPage != rpTemps)
        return;
    const std::pair<int, bool> models[] = {
        {mkConstant, o.ToolButtonTempsModeleConstant},
        {mkProportionnel, o.ToolButtonTempsModeleProportionnel},
        {mkAffine, o.ToolButtonTempsModeleAffine},
        {mkParabole, o.ToolButtonTempsModeleParabole},
        {mkSinus, o.ToolButtonTempsModeleSinus},
        {mkSinusAe, o.ToolButtonTempsModeleSinusAe},
        {mkSinusAl, o.ToolButtonTempsModeleSinusAl},
        {mkExponentiel, o.ToolButtonTempsModeleExponentiel},
    };
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
    add(gtSelection, "Select an object");
    add(gtSens, "Change direction");
    add(gtSupprimer, "Delete");
    if (!menu->isEmpty())
        menu->addSeparator();
    add(gtZoom, "Zoom");
    add(gtPan, "Pan image");
    add(gtReticule, "Mouse pointer coordinates");
    add(gtModifierModele, "Modify model curve");
    return menu;
}
