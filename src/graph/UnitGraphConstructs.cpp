// The figures a user draws over a graph and the text form of every user's element.
#include "graph/UnitGraphConstructs.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double Pi = std::numbers::pi;
// Samples of a full turn when an outline is drawn.
constexpr int TurnSamples = 96;

void SetWorldPoint(TMappedPoint& p, QPointF world, const QRect& plot, const TWorld& window)
{
    p.X = world.x();
    p.Y = world.y();
    p.FromWorld(plot, window);
}

QPointF WorldPoint(const TMappedPoint& p)
{
    return QPointF(p.X, p.Y);
}

QString DegreesText(double degrees)
{
    return QString::number(degrees, 'f', 1) + QStringLiteral("°");
}

} // namespace

// ----------------------------------------------------------------------------------------------------
// TGConstruct

QPointF TGConstruct::WorldOf(QPoint pixel) const
{
    TMappedPoint m;
    m.FromPixel(pixel, PlotRect, World);
    return QPointF(m.X, m.Y);
}

bool TGConstruct::PixelOf(QPointF world, QPointF& pixel) const
{
    const double w = World.XMax - World.XMin;
    const double h = World.YMax - World.YMin;
    if (!(std::fabs(w) > 1e-100) || !(std::fabs(h) > 1e-100) || !std::isfinite(w) || !std::isfinite(h))
        return false;
    pixel = QPointF(PlotRect.left() + PlotRect.width() * (world.x() - World.XMin) / w,
                    PlotRect.top() + (1 - (world.y() - World.YMin) / h) * PlotRect.height());
    // Far outside the plot: kept within what a painter handles; it is clipped anyway.
    constexpr double Limit = 1e7;
    pixel = QPointF(std::clamp(pixel.x(), -Limit, Limit), std::clamp(pixel.y(), -Limit, Limit));
    return std::isfinite(pixel.x()) && std::isfinite(pixel.y());
}

QPainterPath TGConstruct::PathThrough(const std::vector<QPointF>& world, bool closed) const
{
    QPainterPath path;
    bool first = true;
    for (const QPointF& w : world) {
        QPointF p;
        if (!PixelOf(w, p))
            return QPainterPath();
        if (first)
            path.moveTo(p);
        else
            path.lineTo(p);
        first = false;
    }
    if (closed && !first)
        path.closeSubpath();
    return path;
}

QString TGConstruct::WithUnit(double length) const
{
    return GeneralText(length, 3) + (LengthUnit.isEmpty() ? QString() : QLatin1Char(' ') + LengthUnit);
}

int TGConstruct::BendGrip(QPoint pixel, int elementSize) const
{
    return HitTest(pixel, elementSize) ? 0 : -1;
}

void TGConstruct::Bend(int, QPoint) {}

bool TGConstruct::HitTest(QPoint pixel, int elementSize) const
{
    if (!IsShown() || PlotRect.width() <= 0 || PlotRect.height() <= 0)
        return false;
    const QPainterPath path = PixelPath();
    if (path.isEmpty())
        return false;
    QPainterPathStroker stroker;
    stroker.setWidth(2 * ElementHitTolerance(elementSize) + 1);
    return stroker.createStroke(path).contains(QPointF(pixel));
}

bool TGConstruct::InsideRect(const QRect& band) const
{
    const QPainterPath path = PixelPath();
    return !path.isEmpty() && QRectF(band).contains(path.boundingRect());
}

void TGConstruct::Draw(QPainter& painter, const TPaintContext& context) const
{
    if (!IsShown() || PlotRect.width() <= 0 || PlotRect.height() <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(ElementPen(Color, context.ElementSize, Selected));
    painter.drawPath(PixelPath());
    if (Selected)
        DrawHandles(painter, HandlePixels(), Color);
    painter.restore();
}

// ----------------------------------------------------------------------------------------------------
// TGAngle

TGAngle::TGAngle() : TGConstruct(obAngle)
{
    Color = 0x3C14DC; // RGB(220, 20, 60)
}

double TGAngle::Degrees() const
{
    if (Points.size() < 3)
        return 0.0;
    const QPointF v = WorldPoint(Points[0]);
    const QPointF a = WorldPoint(Points[1]) - v;
    const QPointF b = WorldPoint(Points[2]) - v;
    const double la = std::hypot(a.x(), a.y());
    const double lb = std::hypot(b.x(), b.y());
    if (!(la > 0) || !(lb > 0))
        return 0.0;
    // atan2 of the cross and dot products stays accurate near 0 and 180 degrees.
    const double cross = a.x() * b.y() - a.y() * b.x();
    const double dot = a.x() * b.x() + a.y() * b.y();
    return std::fabs(std::atan2(cross, dot)) * 180.0 / Pi;
}

QPainterPath TGAngle::PixelPath() const
{
    if (Points.size() < 3)
        return QPainterPath();
    // From the end of one arm through the vertex to the end of the other.
    return PathThrough({WorldPoint(Points[1]), WorldPoint(Points[0]), WorldPoint(Points[2])}, false);
}

void TGAngle::Draw(QPainter& painter, const TPaintContext& context) const
{
    TGConstruct::Draw(painter, context);
    if (!IsShown() || Points.size() < 3)
        return;
    // A small arc at the vertex between the arms, the short way round.
    QPointF v, a, b;
    if (!PixelOf(WorldPoint(Points[0]), v) || !PixelOf(WorldPoint(Points[1]), a) ||
        !PixelOf(WorldPoint(Points[2]), b))
        return;
    const QLineF armA(v, a), armB(v, b);
    const double r = std::min({20.0, armA.length() / 2, armB.length() / 2});
    if (r < 2)
        return;
    double sweep = armB.angle() - armA.angle();
    while (sweep > 180)
        sweep -= 360;
    while (sweep <= -180)
        sweep += 360;
    const QRectF box(v.x() - r, v.y() - r, 2 * r, 2 * r);
    QPainterPath arc;
    arc.arcMoveTo(box, armA.angle());
    arc.arcTo(box, armA.angle(), sweep);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(ElementPen(Color, 0, Selected));
    painter.drawPath(arc);
    painter.restore();
}

QStringList TGAngle::GetInfos()
{
    Infos.clear();
    const double degrees = Degrees();
    Infos << QStringLiteral("Angle : ") + DegreesText(degrees) + QStringLiteral(" (") +
                 QString::number(degrees * Pi / 180.0, 'f', 3) + QStringLiteral(" rad)");
    return Infos;
}

// ----------------------------------------------------------------------------------------------------
// TGArc

TGArc::TGArc() : TGConstruct(obArc)
{
    Color = 0x808000; // RGB(0, 128, 128)
}

void TGArc::SetChord(QPointF a, QPointF b)
{
    const QPointF half = (b - a) / 2;
    const QPointF middle = a + half + QPointF(-half.y(), half.x());
    Points.assign(3, TMappedPoint());
    SetWorldPoint(Points[0], a, PlotRect, World);
    SetWorldPoint(Points[1], b, PlotRect, World);
    SetWorldPoint(Points[2], middle, PlotRect, World);
}

bool TGArc::Circle(QPointF& centre, double& radius, double& startAngle, double& sweep) const
{
    if (Points.size() < 3)
        return false;
    const QPointF p = WorldPoint(Points[0]);
    const QPointF q = WorldPoint(Points[1]);
    const QPointF m = WorldPoint(Points[2]);
    const double d = 2 * (p.x() * (m.y() - q.y()) + m.x() * (q.y() - p.y()) + q.x() * (p.y() - m.y()));
    const double size =
        std::max({std::hypot(q.x() - p.x(), q.y() - p.y()), std::hypot(m.x() - p.x(), m.y() - p.y()),
                  std::hypot(q.x() - m.x(), q.y() - m.y())});
    // In a line (twice the triangle's area tiny against its size) or all at one place.
    if (!(size > 0) || !std::isfinite(d) || std::fabs(d) < 1e-9 * size * size)
        return false;
    const double p2 = p.x() * p.x() + p.y() * p.y();
    const double q2 = q.x() * q.x() + q.y() * q.y();
    const double m2 = m.x() * m.x() + m.y() * m.y();
    centre = QPointF((p2 * (m.y() - q.y()) + m2 * (q.y() - p.y()) + q2 * (p.y() - m.y())) / d,
                     (p2 * (q.x() - m.x()) + m2 * (p.x() - q.x()) + q2 * (m.x() - p.x())) / d);
    radius = std::hypot(p.x() - centre.x(), p.y() - centre.y());
    startAngle = std::atan2(p.y() - centre.y(), p.x() - centre.x());
    const double end = std::atan2(q.y() - centre.y(), q.x() - centre.x());
    const double mid = std::atan2(m.y() - centre.y(), m.x() - centre.x());
    const double ccw = std::fmod(end - startAngle + 4 * Pi, 2 * Pi);
    const double toMid = std::fmod(mid - startAngle + 4 * Pi, 2 * Pi);
    sweep = toMid < ccw ? ccw : ccw - 2 * Pi;
    return std::isfinite(radius) && std::isfinite(sweep);
}

QPainterPath TGArc::PixelPath() const
{
    QPointF c;
    double r = 0, start = 0, sweep = 0;
    if (!Circle(c, r, start, sweep))
        return Points.size() >= 2 ? PathThrough({WorldPoint(Points[0]), WorldPoint(Points[1])}, false)
                                  : QPainterPath();
    const int n = std::max(8, int(std::ceil(TurnSamples * std::fabs(sweep) / (2 * Pi))));
    std::vector<QPointF> world;
    for (int i = 0; i <= n; ++i) {
        const double a = start + sweep * i / n;
        world.emplace_back(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    return PathThrough(world, false);
}

QStringList TGArc::GetInfos()
{
    Infos.clear();
    QPointF c;
    double r = 0, start = 0, sweep = 0;
    if (!Circle(c, r, start, sweep)) {
        if (Points.size() >= 2)
            Infos << QStringLiteral("Length : ") +
                         WithUnit(std::hypot(Points[1].X - Points[0].X, Points[1].Y - Points[0].Y));
        return Infos;
    }
    Infos << QStringLiteral("Radius : ") + WithUnit(r);
    Infos << QStringLiteral("Angle : ") + DegreesText(std::fabs(sweep) * 180.0 / Pi);
    Infos << QStringLiteral("Arc length : ") + WithUnit(r * std::fabs(sweep));
    return Infos;
}

int TGArc::BendGrip(QPoint pixel, int elementSize) const
{
    if (!HitTest(pixel, elementSize))
        return -1;
    const int near = ElementHitTolerance(elementSize) + 2;
    for (int end = 0; end < 2; ++end) {
        const QPoint d = pixel - Points[std::size_t(end)].Pixel;
        if (std::abs(d.x()) <= near && std::abs(d.y()) <= near)
            return end;
    }
    return 2;
}

void TGArc::Bend(int grip, QPoint pixel)
{
    // The ends move; elsewhere the arc passes through the pointer.
    if (grip >= 0 && grip <= 2 && Points.size() >= 3)
        Points[std::size_t(grip)].FromPixel(pixel, PlotRect, World);
}

// ----------------------------------------------------------------------------------------------------
// TGCercle

TGCercle::TGCercle() : TGConstruct(obCercle)
{
    Color = 0x8B0000; // RGB(0, 0, 139)
}

double TGCercle::Radius() const
{
    return Points.size() < 2 ? 0.0 : std::hypot(Points[1].X - Points[0].X, Points[1].Y - Points[0].Y);
}

QPainterPath TGCercle::PixelPath() const
{
    if (Points.size() < 2)
        return QPainterPath();
    const double r = Radius();
    std::vector<QPointF> world;
    for (int i = 0; i < TurnSamples; ++i) {
        const double a = 2 * Pi * i / TurnSamples;
        world.emplace_back(Points[0].X + r * std::cos(a), Points[0].Y + r * std::sin(a));
    }
    return PathThrough(world, true);
}

QStringList TGCercle::GetInfos()
{
    Infos.clear();
    const double r = Radius();
    Infos << QStringLiteral("Radius : ") + WithUnit(r);
    Infos << QStringLiteral("Circumference : ") + WithUnit(2 * Pi * r);
    return Infos;
}

void TGCercle::MoveHandle(int handle, QPoint pixel)
{
    if (handle == 0 && !Points.empty())
        MoveBy(pixel.x() - Points[0].Pixel.x(), pixel.y() - Points[0].Pixel.y());
    else
        TGConstruct::MoveHandle(handle, pixel);
}

void TGCercle::Bend(int, QPoint pixel)
{
    if (Points.size() >= 2)
        Points[1].FromPixel(pixel, PlotRect, World);
}

// ----------------------------------------------------------------------------------------------------
// TGEllipse

TGEllipse::TGEllipse() : TGConstruct(obEllipse)
{
    Color = 0x8B008B; // RGB(139, 0, 139)
}

double TGEllipse::SemiAxisX() const
{
    return Points.size() < 2 ? 0.0 : std::fabs(Points[1].X - Points[0].X);
}

double TGEllipse::SemiAxisY() const
{
    return Points.size() < 2 ? 0.0 : std::fabs(Points[1].Y - Points[0].Y);
}

QPainterPath TGEllipse::PixelPath() const
{
    if (Points.size() < 2)
        return QPainterPath();
    const double a = SemiAxisX();
    const double b = SemiAxisY();
    std::vector<QPointF> world;
    for (int i = 0; i < TurnSamples; ++i) {
        const double t = 2 * Pi * i / TurnSamples;
        world.emplace_back(Points[0].X + a * std::cos(t), Points[0].Y + b * std::sin(t));
    }
    return PathThrough(world, true);
}

QStringList TGEllipse::GetInfos()
{
    Infos.clear();
    Infos << QStringLiteral("Semi-axis along x : ") + WithUnit(SemiAxisX());
    Infos << QStringLiteral("Semi-axis along y : ") + WithUnit(SemiAxisY());
    return Infos;
}

void TGEllipse::MoveHandle(int handle, QPoint pixel)
{
    if (handle == 0 && !Points.empty())
        MoveBy(pixel.x() - Points[0].Pixel.x(), pixel.y() - Points[0].Pixel.y());
    else
        TGConstruct::MoveHandle(handle, pixel);
}

int TGEllipse::BendGrip(QPoint pixel, int elementSize) const
{
    if (!HitTest(pixel, elementSize))
        return -1;
    const QPointF p = WorldOf(pixel);
    const double a = SemiAxisX();
    const double b = SemiAxisY();
    const double u = a > 0 ? std::fabs(p.x() - Points[0].X) / a : 0.0;
    const double v = b > 0 ? std::fabs(p.y() - Points[0].Y) / b : 0.0;
    return u >= v ? 0 : 1;
}

void TGEllipse::Bend(int grip, QPoint pixel)
{
    if (Points.size() < 2)
        return;
    const QPointF p = WorldOf(pixel);
    QPointF corner = WorldPoint(Points[1]);
    const QPointF c = WorldPoint(Points[0]);
    // The semi-axis held takes the pointer's distance from the centre along its axis.
    if (grip == 0)
        corner.setX(c.x() + std::fabs(p.x() - c.x()) * (corner.x() < c.x() ? -1 : 1));
    else if (grip == 1)
        corner.setY(c.y() + std::fabs(p.y() - c.y()) * (corner.y() < c.y() ? -1 : 1));
    SetWorldPoint(Points[1], corner, PlotRect, World);
}

// ----------------------------------------------------------------------------------------------------
// Text form

namespace {

struct TTypeName
{
    TGObjectType Type;
    const char* Name;
    int Points; // fixed number of points; 0: two or more
};

constexpr TTypeName TypeNames[] = {
    {obSegment, "Segment", 2}, {obAngle, "Angle", 3},  {obArc, "Arc", 3},        {obCercle, "Circle", 2},
    {obEllipse, "Ellipse", 2}, {obSpline, "Curve", 0}, {obVecteur, "Vector", 2},
};

// Longest curve read back; a longer list is damaged.
constexpr int MaxCurvePoints = 10000;

QString Number(double x)
{
    return QString::number(x, 'g', 17);
}

} // namespace

QString ConstructToLine(const TGElem& element)
{
    const auto* poly = dynamic_cast<const TGPolyPoint*>(&element);
    const TTypeName* type = nullptr;
    for (const TTypeName& t : TypeNames)
        if (t.Type == element.ObjectType())
            type = &t;
    if (!poly || !type || poly->Points.empty())
        return QString();
    QStringList fields{QString::fromLatin1(type->Name), QString::number(element.Color),
                       QString::number(element.Anchor)};
    if (const auto* v = dynamic_cast<const TGVecteur*>(&element)) {
        fields << QString::number(v->ScaleKey) << Number(v->Points[0].X) << Number(v->Points[0].Y)
               << Number(v->ComponentX) << Number(v->ComponentY);
    } else {
        for (const TMappedPoint& p : poly->Points)
            fields << Number(p.X) << Number(p.Y);
    }
    return fields.join(QLatin1Char(';'));
}

std::unique_ptr<TGElem> ConstructFromLine(const QString& line)
{
    const QStringList fields = line.trimmed().split(QLatin1Char(';'));
    if (fields.size() < 3)
        return nullptr;
    const TTypeName* type = nullptr;
    for (const TTypeName& t : TypeNames)
        if (fields[0] == QLatin1String(t.Name))
            type = &t;
    if (!type)
        return nullptr;
    bool ok = false;
    const qlonglong colour = fields[1].toLongLong(&ok);
    if (!ok || colour < 0 || colour > 0xFFFFFF)
        return nullptr;
    const int anchor = fields[2].toInt(&ok);
    if (!ok || anchor < -1)
        return nullptr;
    int first = 3;
    int key = -1;
    if (type->Type == obVecteur) {
        if (fields.size() < 4)
            return nullptr;
        key = fields[3].toInt(&ok);
        if (!ok || key < 0)
            return nullptr;
        first = 4;
    }
    std::vector<double> numbers;
    for (int i = first; i < fields.size(); ++i) {
        const double x = fields[i].toDouble(&ok);
        if (!ok || !std::isfinite(x))
            return nullptr;
        numbers.push_back(x);
    }
    const int count = int(numbers.size()) / 2;
    if (numbers.size() % 2 != 0 || (type->Points > 0 && count != type->Points) ||
        (type->Points == 0 && (count < 2 || count > MaxCurvePoints)))
        return nullptr;

    std::unique_ptr<TGElem> element;
    if (type->Type == obVecteur) {
        auto v = std::make_unique<TGVecteur>();
        v->ScaleKey = key;
        v->SetOrigin(numbers[0], numbers[1]);
        v->SetComponents(numbers[2], numbers[3]);
        element = std::move(v);
    } else {
        std::unique_ptr<TGPolyPoint> poly;
        switch (type->Type) {
        case obSegment:
            poly = std::make_unique<TGSegment>();
            break;
        case obAngle:
            poly = std::make_unique<TGAngle>();
            break;
        case obArc:
            poly = std::make_unique<TGArc>();
            break;
        case obCercle:
            poly = std::make_unique<TGCercle>();
            break;
        case obEllipse:
            poly = std::make_unique<TGEllipse>();
            break;
        default:
            poly = std::make_unique<TGSpline>();
            break;
        }
        for (int i = 0; i < count; ++i)
            poly->AddPoint(numbers[std::size_t(2 * i)], numbers[std::size_t(2 * i + 1)]);
        element = std::move(poly);
    }
    element->Color = TColor(colour);
    element->Anchor = anchor;
    element->UserMade = true;
    element->Created = true;
    return element;
}
