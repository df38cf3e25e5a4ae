// The elements drawn on a graph and the curves that group them.
#include "graph/UnitGraphElems.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPathStroker>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double Near = 1e-100;

bool NearZero(double x)
{
    return std::fabs(x) < Near;
}

int PenWidthOf(int elementSize)
{
    return ElementPenWidth(elementSize);
}

int HitTolerance(int elementSize)
{
    return ElementHitTolerance(elementSize);
}

// The point of a Catmull-Rom piece from p1 to p2 at t in 0..1 (p0 and p3 the neighbours).
QPointF CatmullRom(QPointF p0, QPointF p1, QPointF p2, QPointF p3, double t)
{
    // The Bezier form used when drawing: control points p1 + (p2 - p0) / 6 and p2 - (p3 - p1) / 6.
    const QPointF c1 = p1 + (p2 - p0) / 6.0;
    const QPointF c2 = p2 - (p3 - p1) / 6.0;
    const double s = 1 - t;
    return s * s * s * p1 + 3 * s * s * t * c1 + 3 * s * t * t * c2 + t * t * t * p2;
}

double DistanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF d = b - a;
    const double len2 = d.x() * d.x() + d.y() * d.y();
    double t = len2 > 0 ? ((p.x() - a.x()) * d.x() + (p.y() - a.y()) * d.y()) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF q = a + t * d;
    return std::hypot(p.x() - q.x(), p.y() - q.y());
}

// Pixel position (not rounded) of a world point; false for a degenerate window or plot.
bool WorldToPixelF(double x, double y, const QRect& plot, const TWorld& world, QPointF& pixel)
{
    const double w = world.XMax - world.XMin;
    const double h = world.YMax - world.YMin;
    if (NearZero(w) || NearZero(h) || !std::isfinite(w) || !std::isfinite(h))
        return false;
    const double u = (x - world.XMin) / w;
    const double v = (y - world.YMin) / h;
    pixel = QPointF(plot.left() + plot.width() * u, plot.top() + (1 - v) * plot.height());
    return true;
}

} // namespace

int ElementPenWidth(int elementSize)
{
    return std::clamp(elementSize, 0, 2) + 1;
}

int ElementHitTolerance(int elementSize)
{
    return elementSize == 1 ? 5 : 3;
}

QPen ElementPen(TColor color, int elementSize, bool selected)
{
    const QColor c = ToQColor(color);
    if (selected)
        return QPen(QColor(c.red() * 3 / 4, c.green() * 3 / 4, c.blue() * 3 / 4), 1, Qt::DotLine);
    return QPen(c, ElementPenWidth(elementSize));
}

void DrawHandles(QPainter& painter, const std::vector<QPoint>& handles, TColor color)
{
    painter.save();
    painter.setPen(QPen(ToQColor(color), 1));
    painter.setBrush(Qt::white);
    for (const QPoint& h : handles)
        painter.drawRect(QRect(h - QPoint(2, 2), QSize(5, 5)));
    painter.restore();
}

double CurveLength(const std::vector<QPointF>& p)
{
    constexpr int Steps = 32;
    double length = 0.0;
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const QPointF p0 = i > 0 ? p[i - 1] : p[i];
        const QPointF p3 = i + 2 < p.size() ? p[i + 2] : p[i + 1];
        QPointF previous = p[i];
        for (int k = 1; k <= Steps; ++k) {
            const QPointF q = CatmullRom(p0, p[i], p[i + 1], p3, double(k) / Steps);
            length += std::hypot(q.x() - previous.x(), q.y() - previous.y());
            previous = q;
        }
    }
    return length;
}

// ----------------------------------------------------------------------------------------------------
// TMappedPoint

void TMappedPoint::FromWorld(const QRect& plot, const TWorld& world)
{
    const double w = world.XMax - world.XMin;
    const double h = world.YMax - world.YMin;
    if (NearZero(w) || NearZero(h) || !std::isfinite(w) || !std::isfinite(h)) {
        Mapped = false;
        return;
    }
    U = (X - world.XMin) / w;
    V = (Y - world.YMin) / h;
    FromRelative(plot);
}

void TMappedPoint::FromRelative(const QRect& plot)
{
    const double px = plot.left() + plot.width() * U;
    const double py = plot.top() + (1 - V) * plot.height();
    // A point far outside the window keeps a pixel that QPoint can hold; it is clipped anyway.
    constexpr double Limit = 1e8;
    if (!std::isfinite(px) || !std::isfinite(py)) {
        Mapped = false;
        return;
    }
    Pixel = QPoint(int(std::lround(std::clamp(px, -Limit, Limit))),
                   int(std::lround(std::clamp(py, -Limit, Limit))));
    Mapped = plot.width() > 0 && plot.height() > 0;
}

void TMappedPoint::FromPixel(QPoint pixel, const QRect& plot, const TWorld& world)
{
    Pixel = pixel;
    if (plot.width() <= 0 || plot.height() <= 0)
        return;
    U = double(pixel.x() - plot.left()) / plot.width();
    V = double(plot.top() - pixel.y()) / plot.height() + 1;
    X = world.XMin + U * (world.XMax - world.XMin);
    Y = world.YMin + V * (world.YMax - world.YMin);
    Mapped = true;
}

// ----------------------------------------------------------------------------------------------------
// TGElem

void TGElem::Assign(const TGElem& source)
{
    Id = source.Id;
    Group = source.Group;
    Action = source.Action;
    FType = source.FType;
    PlotRect = source.PlotRect;
    CurveIndex = source.CurveIndex;
    Created = source.Created;
    Selected = source.Selected;
    Visible = source.Visible;
    Hidden = source.Hidden;
    UserMade = source.UserMade;
    Anchor = source.Anchor;
    LengthUnit = source.LengthUnit;
    Color = source.Color;
    Infos = source.Infos;
    World = source.World;
}

bool TGElem::Equals(const TGElem& other) const
{
    return Color == other.Color && Id == other.Id && Group == other.Group && Action == other.Action &&
           FType == other.FType;
}

bool TGElem::HitTest(QPoint, int) const
{
    return IsShown();
}

QString TGElem::GetText()
{
    return GetInfos().join(QStringLiteral("\r\n"));
}

QStringList TGElem::GetInfos()
{
    return Infos;
}

void TGElem::SetPlotRect(const QRect& plot)
{
    PlotRect = plot;
}

void TGElem::SetHidden(bool hidden)
{
    Hidden = hidden;
    if (hidden)
        Visible = false;
}

void TGElem::SetWorld(const TWorld& world)
{
    World = world;
}

void TGElem::Draw(QPainter&, const TPaintContext&) const {}

// ----------------------------------------------------------------------------------------------------
// TGPoint

TGPoint::TGPoint(double x, double y, const QRect& plot, const TWorld& world) : TGPoint()
{
    Created = true;
    P.X = x;
    P.Y = y;
    PlotRect = plot;
    World = world;
    P.FromWorld(plot, world);
}

bool TGPoint::HitTest(QPoint pixel, int elementSize) const
{
    const int d = HitTolerance(elementSize);
    return IsShown() && P.Mapped && std::abs(pixel.x() - P.Pixel.x()) <= d &&
           std::abs(pixel.y() - P.Pixel.y()) <= d;
}

void TGPoint::SetPlotRect(const QRect& plot)
{
    TGElem::SetPlotRect(plot);
    P.FromRelative(plot);
}

void TGPoint::SetWorld(const TWorld& world)
{
    TGElem::SetWorld(world);
    P.FromWorld(PlotRect, world);
}

void TGPoint::MoveBy(int dx, int dy)
{
    P.FromPixel(P.Pixel + QPoint(dx, dy), PlotRect, World);
}

void TGPoint::Rotate(QPointF centre, double sin, double cos)
{
    const QPointF d = QPointF(P.Pixel) - centre;
    const QPointF r(centre.x() + d.x() * cos - d.y() * sin, centre.y() + d.x() * sin + d.y() * cos);
    P.FromPixel(r.toPoint(), PlotRect, World);
}

void TGPoint::Draw(QPainter& painter, const TPaintContext& context) const
{
    if (!IsShown() || !P.Mapped)
        return;
    TGraphUtils::Instance().DrawGlyph(painter, P.Pixel, Color, context.ElementSize, Shape);
    if (!Label || NumberPlace == npNone || Number < 0)
        return;
    const int size = std::clamp(context.ElementSize, 0, 2);
    const int o = size == 0 ? 0 : size == 1 ? 4 : 7;
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(size == 0 ? 10 : size == 1 ? 12 : 15);
    painter.save();
    painter.setFont(font);
    painter.setPen(ToQColor(NumberColor));
    const QFontMetrics metrics(font, painter.device());
    const QPoint topLeft = NumberPlace == npBelow ? QPoint(P.Pixel.x() - o / 2 - 2, P.Pixel.y() + o + 4)
                                                  : QPoint(P.Pixel.x() + o + 8, P.Pixel.y() - o / 2 - 7);
    painter.drawText(topLeft + QPoint(0, metrics.ascent()), QString::number(Number));
    painter.restore();
}

// ----------------------------------------------------------------------------------------------------
// TGPolyPoint

void TGPolyPoint::SetPlotRect(const QRect& plot)
{
    TGElem::SetPlotRect(plot);
    for (TMappedPoint& p : Points)
        p.FromRelative(plot);
}

void TGPolyPoint::SetWorld(const TWorld& world)
{
    TGElem::SetWorld(world);
    for (TMappedPoint& p : Points)
        p.FromWorld(PlotRect, world);
}

void TGPolyPoint::MoveBy(int dx, int dy)
{
    for (TMappedPoint& p : Points)
        p.FromPixel(p.Pixel + QPoint(dx, dy), PlotRect, World);
}

void TGPolyPoint::CopyShape(const TGElem& from)
{
    TGElem::CopyShape(from);
    if (const auto* p = dynamic_cast<const TGPolyPoint*>(&from)) {
        Points = p->Points;
        for (TMappedPoint& m : Points)
            m.FromWorld(PlotRect, World);
    }
}

bool TGPolyPoint::InsideRect(const QRect& band) const
{
    return !Points.empty() && std::all_of(Points.begin(), Points.end(),
                                          [&](const TMappedPoint& m) { return band.contains(m.Pixel); });
}

std::vector<QPoint> TGPolyPoint::HandlePixels() const
{
    std::vector<QPoint> handles;
    for (const TMappedPoint& m : Points)
        handles.push_back(m.Pixel);
    return handles;
}

void TGPolyPoint::MoveHandle(int handle, QPoint pixel)
{
    if (handle >= 0 && handle < int(Points.size()))
        Points[std::size_t(handle)].FromPixel(pixel, PlotRect, World);
}

void TGPolyPoint::AddPoint(double x, double y)
{
    TMappedPoint p;
    p.X = x;
    p.Y = y;
    p.FromWorld(PlotRect, World);
    Points.push_back(p);
}

// ----------------------------------------------------------------------------------------------------
// TGSegment

bool TGSegment::HitTest(QPoint pixel, int elementSize) const
{
    if (!IsShown() || Points.size() < 2 || !Points[0].Mapped || !Points[1].Mapped)
        return false;
    return DistanceToSegment(pixel, Points[0].Pixel, Points[1].Pixel) <= HitTolerance(elementSize);
}

void TGSegment::Draw(QPainter& painter, const TPaintContext& context) const
{
    if (!IsShown() || Points.size() < 2 || !Points[0].Mapped || !Points[1].Mapped)
        return;
    painter.save();
    QPen pen(ToQColor(Color), PenWidthOf(context.ElementSize) + PenWidth - 1);
    if (Selected) {
        const QColor c = ToQColor(Color);
        pen = QPen(QColor(c.red() * 3 / 4, c.green() * 3 / 4, c.blue() * 3 / 4), 1, Qt::DotLine);
    }
    painter.setPen(pen);
    painter.drawLine(Points[0].Pixel, Points[1].Pixel);
    if (Selected && UserMade)
        DrawHandles(painter, HandlePixels(), Color);
    painter.restore();
}

QStringList TGSegment::GetInfos()
{
    Infos.clear();
    if (Points.size() >= 2) {
        const double length = std::hypot(Points[1].X - Points[0].X, Points[1].Y - Points[0].Y);
        Infos << QStringLiteral("Length : ") + GeneralText(length, 3) +
                     (LengthUnit.isEmpty() ? QString() : QLatin1Char(' ') + LengthUnit);
    }
    return Infos;
}

// ----------------------------------------------------------------------------------------------------
// TGSpline

QPainterPath TGSpline::Path() const
{
    QPainterPath path;
    std::vector<QPointF> p;
    for (const TMappedPoint& m : Points)
        if (m.Mapped)
            p.emplace_back(m.Pixel);
    if (p.empty())
        return path;
    path.moveTo(p[0]);
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const QPointF p0 = i > 0 ? p[i - 1] : p[i];
        const QPointF p3 = i + 2 < p.size() ? p[i + 2] : p[i + 1];
        const QPointF c1 = p[i] + (p[i + 1] - p0) / 6.0;
        const QPointF c2 = p[i + 1] - (p3 - p[i]) / 6.0;
        path.cubicTo(c1, c2, p[i + 1]);
    }
    return path;
}

bool TGSpline::HitTest(QPoint pixel, int elementSize) const
{
    if (!IsShown() || Points.size() < 2)
        return false;
    QPainterPathStroker stroker;
    stroker.setWidth(2 * HitTolerance(elementSize));
    return stroker.createStroke(Path()).contains(pixel);
}

void TGSpline::Draw(QPainter& painter, const TPaintContext& context) const
{
    if (!IsShown() || Points.size() < 2)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(UserMade ? ElementPen(Color, context.ElementSize, Selected)
                            : QPen(ToQColor(Color), PenWidthOf(context.ElementSize)));
    painter.drawPath(Path());
    if (Selected && UserMade)
        DrawHandles(painter, HandlePixels(), Color);
    painter.restore();
}

bool TGSpline::InsideRect(const QRect& band) const
{
    return TGPolyPoint::InsideRect(band) && QRectF(band).contains(Path().boundingRect());
}

QStringList TGSpline::GetInfos()
{
    Infos.clear();
    std::vector<QPointF> world;
    for (const TMappedPoint& m : Points)
        world.emplace_back(m.X, m.Y);
    Infos << QStringLiteral("Length : ") + GeneralText(CurveLength(world), 3) +
                 (LengthUnit.isEmpty() ? QString() : QLatin1Char(' ') + LengthUnit);
    return Infos;
}

// ----------------------------------------------------------------------------------------------------
// TParamCom

void TParamCom::InitScale(double largestNorm)
{
    if (NearZero(largestNorm) || !std::isfinite(largestNorm))
        return;
    if (PlotWidthPx <= 0) {
        PendingNorm = largestNorm;
        return;
    }
    PendingNorm = 0.0;
    Factor = 0.1 / largestNorm;
    FactorMax = 10 * Factor;
    FactorMin = 0.2 * Factor;
    Norm = ArrowPixels / (Factor * PlotWidthPx);
    UpdateVectors();
}

bool TParamCom::SetNorm(double value)
{
    if (PlotWidthPx < 1 || NearZero(value) || !std::isfinite(value))
        return false;
    const double factor = ArrowPixels / (value * PlotWidthPx);
    if (!std::isfinite(factor) || factor > FactorMax || factor < FactorMin)
        return false;
    Factor = factor;
    UpdateVectors();
    Norm = value;
    return true;
}

void TParamCom::SetArrowLength(int pixels)
{
    ArrowPixels = pixels;
    if (Factor > 0 && PlotWidthPx > 0)
        Norm = ArrowPixels / (Factor * PlotWidthPx);
}

void TParamCom::SetPlotWidth(int pixels)
{
    PlotWidthPx = pixels;
    if (PendingNorm > 0 && pixels > 0) {
        InitScale(PendingNorm);
        return;
    }
    if (pixels > 0 && Norm > 0 && FactorMax > 0) {
        double factor = ArrowPixels / (Norm * pixels);
        if (factor > FactorMax || factor < FactorMin) {
            factor = std::clamp(factor, FactorMin, FactorMax);
            Norm = ArrowPixels / (factor * pixels);
        }
        Factor = factor;
    }
    UpdateVectors();
}

void TParamCom::UpdateVectors()
{
    for (TGVecteur* v : Vectors)
        v->Update();
}

// ----------------------------------------------------------------------------------------------------
// TGVecteur

TGVecteur::TGVecteur() : TGPolyPoint(obVecteur)
{
    Color = 0xD30094; // RGB(148, 0, 211)
    Points.resize(1);
}

void TGVecteur::ComputeNormAndAngle()
{
    const double x = ComponentX;
    const double y = ComponentY;
    VectorNorm = std::sqrt(x * x + y * y);
    if (NearZero(x) || std::fabs(y / x) > 1.8e19) {
        VectorAngle = y > 0 ? 90.0 : y < 0 ? 270.0 : 0.0;
    } else {
        VectorAngle = std::atan2(y, x) * 180.0 / std::numbers::pi;
        if (VectorAngle < 0)
            VectorAngle += 360.0;
        if (VectorAngle >= 360.0)
            VectorAngle -= 360.0;
    }
}

void TGVecteur::SetOrigin(double x, double y)
{
    Points[0].X = x;
    Points[0].Y = y;
    Points[0].FromWorld(PlotRect, World);
    Update();
}

void TGVecteur::SetComponents(double x, double y)
{
    ComponentX = x;
    ComponentY = y;
    ComputeNormAndAngle();
    Update();
}

void TGVecteur::Update()
{
    const double factor = Scale ? Scale->Factor : 0.0;
    ScaledX = ComponentX * factor;
    ScaledY = ComponentY * factor;
    const TMappedPoint& o = Points[0];
    const double x = (o.U + ScaledX) * PlotRect.width() + PlotRect.left();
    const double y = (1 - o.V) * PlotRect.height() + PlotRect.top() - PlotRect.width() * ScaledY;
    if (std::isfinite(x) && std::isfinite(y) && std::fabs(x) < 1e8 && std::fabs(y) < 1e8)
        Tip = QPoint(int(std::lround(x)), int(std::lround(y)));
    else
        Tip = o.Pixel;
}

void TGVecteur::SetTipPixel(QPoint tip)
{
    Tip = tip;
    if (Scale && Scale->ArrowPixels > 0) {
        const QPoint origin = Points[0].Pixel;
        ComponentX = (tip.x() - origin.x()) * Scale->Norm / Scale->ArrowPixels;
        ComponentY = (origin.y() - tip.y()) * Scale->Norm / Scale->ArrowPixels;
        ScaledX = ComponentX * Scale->Factor;
        ScaledY = ComponentY * Scale->Factor;
        ComputeNormAndAngle();
    }
    for (TGVecteur* v : Attached) {
        v->Points[0].FromPixel(Tip, v->PlotRect, v->World);
        v->Update();
    }
}

void TGVecteur::Reverse()
{
    const QPoint oldOrigin = Points[0].Pixel;
    Points[0].FromPixel(Tip, PlotRect, World);
    Tip = oldOrigin;
    ComponentX = -ComponentX;
    ComponentY = -ComponentY;
    ScaledX = -ScaledX;
    ScaledY = -ScaledY;
    // The opposite direction, kept within 0 .. 360 degrees.
    ComputeNormAndAngle();
}

void TGVecteur::MoveBy(int dx, int dy)
{
    Points[0].FromPixel(Points[0].Pixel + QPoint(dx, dy), PlotRect, World);
    Tip += QPoint(dx, dy);
    Detach();
}

void TGVecteur::Detach()
{
    if (AttachedTo) {
        auto& list = AttachedTo->Attached;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        AttachedTo = nullptr;
    }
    for (TGVecteur* v : Attached)
        v->AttachedTo = nullptr;
    Attached.clear();
}

void TGVecteur::CopyShape(const TGElem& from)
{
    TGElem::CopyShape(from);
    if (const auto* v = dynamic_cast<const TGVecteur*>(&from)) {
        Points = v->Points;
        Points[0].FromWorld(PlotRect, World);
        ComponentX = v->ComponentX;
        ComponentY = v->ComponentY;
        ComputeNormAndAngle();
        Update();
    }
}

bool TGVecteur::InsideRect(const QRect& band) const
{
    return band.contains(Points[0].Pixel) && band.contains(Tip);
}

std::vector<QPoint> TGVecteur::HandlePixels() const
{
    return {Points[0].Pixel, Tip};
}

void TGVecteur::MoveHandle(int handle, QPoint pixel)
{
    if (handle == 0)
        MoveBy(pixel.x() - Points[0].Pixel.x(), pixel.y() - Points[0].Pixel.y());
    else if (handle == 1)
        SetTipPixel(pixel);
}

bool TGVecteur::HitTest(QPoint pixel, int elementSize) const
{
    if (!IsShown() || !Scale || !Points[0].Mapped)
        return false;
    return DistanceToSegment(pixel, Points[0].Pixel, Tip) <= HitTolerance(elementSize);
}

QStringList TGVecteur::GetInfos()
{
    Infos.clear();
    const QString unit = Scale ? Scale->UnitText : QString();
    Infos << QStringLiteral("Vector norm") + QStringLiteral(" : ") + GeneralText(VectorNorm, 3) +
                 QLatin1Char(' ') + unit;
    const double radians = VectorAngle * std::numbers::pi / 180.0;
    Infos << QStringLiteral("Angle with the horizontal axis") + QStringLiteral(" : ") +
                 QString::number(VectorAngle, 'f', 1) + QStringLiteral("°") + QLatin1Char(' ') +
                 QStringLiteral("(") + QString::number(radians, 'f', 3) + QLatin1Char(' ') +
                 QStringLiteral("rad)");
    return Infos;
}

void TGVecteur::SetPlotRect(const QRect& plot)
{
    TGPolyPoint::SetPlotRect(plot);
    Update();
}

void TGVecteur::SetWorld(const TWorld& world)
{
    TGPolyPoint::SetWorld(world);
    Update();
}

void TGVecteur::Draw(QPainter& painter, const TPaintContext& context) const
{
    if (!IsShown() || !Scale || !Points[0].Mapped)
        return;
    painter.save();
    const QColor colour = ToQColor(Color);
    QPen pen(colour, PenWidthOf(context.ElementSize), Qt::SolidLine);
    if (Selected)
        pen =
            QPen(QColor(colour.red() * 3 / 4, colour.green() * 3 / 4, colour.blue() * 3 / 4), 1, Qt::DotLine);
    painter.setPen(pen);
    const QPointF origin = Points[0].Pixel;
    const QPointF tip = Tip;
    painter.drawLine(origin, tip);
    // Open arrowhead: base at 92.5 % of the way, head length kept within 5 .. 10 pixels.
    QPointF d = tip - (origin + 0.925 * (tip - origin));
    const double length = std::hypot(d.x(), d.y());
    if (length > 0) {
        if (length < 5)
            d *= 5 / length;
        else if (length > 10)
            d *= 10 / length;
        const QPointF base = tip - d;
        const QPointF half(-d.y() / 2, d.x() / 2);
        painter.drawLine(tip, base + half);
        painter.drawLine(tip, base - half);
    }
    // Data vectors and the user's alike, as "the value of the vectors" says: a guess drawn by a student
    // shows its value only when asked.
    if (context.VectorValues) {
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(12);
        painter.setFont(font);
        painter.setPen(colour);
        const QFontMetrics metrics(font, painter.device());
        QPointF at = origin + (tip - origin) / 4;
        if ((VectorAngle >= 90 && VectorAngle <= 180) || (VectorAngle >= 270 && VectorAngle < 360))
            at.ry() -= metrics.height();
        const QString unit = Scale->UnitText;
        painter.drawText(at + QPointF(0, metrics.ascent()),
                         VectorValueText(VectorNorm) + QLatin1Char(' ') + unit);
    }
    if (Selected && UserMade)
        DrawHandles(painter, HandlePixels(), Color);
    painter.restore();
}

// ----------------------------------------------------------------------------------------------------
// TSourceImg

void TSourceImg::Load(QPointF origin, QSizeF size, const QImage& bitmap, bool flipX, bool flipY, double angle)
{
    Bitmap = bitmap.mirrored(flipX, flipY);
    WorldWidth = size.width();
    WorldHeight = size.height();
    const double h = flipX ? 1 - origin.x() : origin.x();
    const double l = flipY ? 1 - origin.y() : origin.y();
    OriginX = -h * WorldWidth;
    OriginY = l * WorldHeight;
    double a = -angle;
    if (std::isfinite(a)) {
        a = std::fmod(a, 2 * std::numbers::pi);
        if (a < 0)
            a += 2 * std::numbers::pi;
    } else {
        a = 0;
    }
    if (flipX)
        a = -a;
    if (flipY)
        a = -a;
    Angle = a;
    // The four corners, turned about the world origin: top-left, top-right, bottom-right, bottom-left.
    Points.clear();
    const double c = std::cos(Angle);
    const double s = std::sin(Angle);
    const double xs[4] = {OriginX, OriginX + WorldWidth, OriginX + WorldWidth, OriginX};
    const double ys[4] = {OriginY, OriginY, OriginY - WorldHeight, OriginY - WorldHeight};
    for (int i = 0; i < 4; ++i)
        AddPoint(xs[i] * c - ys[i] * s, xs[i] * s + ys[i] * c);
    Visible = !Bitmap.isNull();
}

void TSourceImg::Draw(QPainter& painter, const TPaintContext&) const
{
    if (!IsShown() || Bitmap.isNull() || Points.size() != 4)
        return;
    QPolygonF polygon;
    for (const TMappedPoint& p : Points) {
        QPointF pixel;
        if (!WorldToPixelF(p.X, p.Y, PlotRect, World, pixel))
            return;
        polygon << pixel;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (NearZero(Angle)) {
        painter.drawImage(QRectF(polygon[0], polygon[2]).normalized(), Bitmap);
    } else {
        const double w = Bitmap.width();
        const double h = Bitmap.height();
        const QPolygonF source{QPointF(0, 0), QPointF(w, 0), QPointF(w, h), QPointF(0, h)};
        QTransform transform;
        if (QTransform::quadToQuad(source, polygon, transform)) {
            QPainterPath clip;
            clip.addPolygon(polygon);
            painter.setClipPath(clip, Qt::IntersectClip);
            painter.setTransform(transform, true);
            painter.drawImage(QPointF(0, 0), Bitmap);
        }
    }
    painter.restore();
}

// ----------------------------------------------------------------------------------------------------
// TCourbe

TCourbe::TCourbe() : TGElem(obNone)
{
    for (int k = 0; k < KindCount; ++k) {
        ShowDefaults[k] = true;
        ShowAdded[k] = true;
        DefaultColors[k] = clBlack;
        AddedColors[k] = clBlack;
    }
    DefaultColors[kPoints] = clRed;
    DefaultColors[kSegments] = AddedColors[kSegments] = 0x006400; // RGB(0, 100, 0)
    DefaultColors[kSplines] = AddedColors[kSplines] = 0xE16941;   // RGB(65, 105, 225)
    DefaultColors[kVecteurs] = AddedColors[kVecteurs] = 0xD30094; // RGB(148, 0, 211)
}

int TCourbe::KindOf(const TGElem& element)
{
    switch (element.ObjectType()) {
    case obAngle:
        return kAngles;
    case obArc:
        return kArcs;
    case obCercle:
        return kCercles;
    case obEllipse:
        return kEllipses;
    case obModele:
        return kModele;
    case obPoint:
        return kPoints;
    case obSegment:
        return kSegments;
    case obSpline:
        return kSplines;
    case obVecteur:
        return kVecteurs;
    default:
        return -1;
    }
}

void TCourbe::Add(TGElem* element)
{
    const int kind = KindOf(*element);
    if (kind < 0)
        return;
    if (FMembers.insert(element).second)
        Lists[kind].push_back(element);
    if (kind == kModele)
        Modele = element;
    const bool split = kind == kSegments || kind == kSplines || kind == kVecteurs;
    const bool shown = split && element->UserMade ? ShowAdded[kind] : ShowDefaults[kind];
    element->SetVisible(shown && Active);
}

void TCourbe::Remove(TGElem* element)
{
    if (FMembers.erase(element) == 0)
        return;
    for (auto& list : Lists)
        list.erase(std::remove(list.begin(), list.end(), element), list.end());
    if (Modele == element)
        Modele = nullptr;
}

void TCourbe::ApplyVisibility(int kind)
{
    if (kind < 0 || kind >= KindCount)
        return;
    if (kind == kNumbers) {
        for (TGElem* e : Lists[kPoints])
            static_cast<TGPoint*>(e)->Label = ShowDefaults[kNumbers];
        return;
    }
    const bool split = kind == kSegments || kind == kSplines || kind == kVecteurs;
    for (TGElem* e : Lists[kind]) {
        const bool shown = split && e->UserMade ? ShowAdded[kind] : ShowDefaults[kind];
        e->SetVisible(shown && Active);
    }
}
