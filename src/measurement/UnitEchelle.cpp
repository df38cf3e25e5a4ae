// The scale: defining, dragging and erasing its points, the metres-per-unit factors, drawing, keys.
#include "measurement/UnitEchelle.h"

#include "common/UnitIni.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

TPointRel Clamp01(const TPointRel& p)
{
    return {std::clamp(p.X, 0.0, 1.0), std::clamp(p.Y, 0.0, 1.0)};
}

bool InBox(const QPoint& p, int x, int y, int half)
{
    return std::abs(x - p.x()) <= half && std::abs(y - p.y()) <= half;
}

bool NearSegment(const QPoint& from, const QPoint& to, int x, int y, int half)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0)
        return InBox(from, x, y, half);
    for (int i = 0; i <= steps; ++i) {
        const QPoint p(from.x() + int(std::lround(double(dx) * i / steps)),
                       from.y() + int(std::lround(double(dy) * i / steps)));
        if (InBox(p, x, y, half))
            return true;
    }
    return false;
}

// Open arrowhead (two wings through the tip) pointing away from `from` at `tip`.
void DrawOpenArrow(QPainter& painter, const QPoint& tip, const QPoint& from, double segmentLength)
{
    if (segmentLength <= 0)
        return;
    const double length = std::clamp(0.1 * segmentLength, 10.0, 20.0);
    const double ux = (from.x() - tip.x()) / segmentLength; // towards the other end
    const double uy = (from.y() - tip.y()) / segmentLength;
    const double bx = tip.x() + ux * length;
    const double by = tip.y() + uy * length;
    const double h = length / 2;
    QPolygon wings;
    wings << QPoint(int(std::lround(bx - uy * h)), int(std::lround(by + ux * h))) << tip
          << QPoint(int(std::lround(bx + uy * h)), int(std::lround(by - ux * h)));
    painter.drawPolyline(wings);
}

const QString KeyPrefix[3] = {QStringLiteral("Scale"), QStringLiteral("ScaleHoriz"),
                              QStringLiteral("ScaleVert")};

} // namespace

TEchelle::TEchelle(TData& data) : FData(data)
{
    Kind = hkEchelle;
    Reset();
}

void TEchelle::Reset()
{
    ScalePointsNumber = ScaleHorizPointsNumber = ScaleVertPointsNumber = 0;
    HitResult = -2;
    ScaleLength = ScaleHorizLength = ScaleVertLength = 0.0;
    Points = {};
    Pixels = {};
    TypeEchelle = FData.OptionHorizAndVertScale() ? teVert : teNormale;
}

void TEchelle::Assign(const THistObject& source)
{
    THistObject::Assign(source);
    const auto* e = dynamic_cast<const TEchelle*>(&source);
    if (!e)
        return;
    ScalePointsNumber = e->ScalePointsNumber;
    ScaleHorizPointsNumber = e->ScaleHorizPointsNumber;
    ScaleVertPointsNumber = e->ScaleVertPointsNumber;
    ScaleLength = e->ScaleLength;
    ScaleHorizLength = e->ScaleHorizLength;
    ScaleVertLength = e->ScaleVertLength;
    Points = e->Points;
    TypeEchelle = e->TypeEchelle;
}

bool TEchelle::Equals(const THistObject& other) const
{
    const auto* e = dynamic_cast<const TEchelle*>(&other);
    if (!e || !THistObject::Equals(other) || ScalePointsNumber != e->ScalePointsNumber ||
        ScaleHorizPointsNumber != e->ScaleHorizPointsNumber ||
        ScaleVertPointsNumber != e->ScaleVertPointsNumber)
        return false;
    for (std::size_t k = 0; k < 3; ++k)
        for (std::size_t j = 0; j < 2; ++j)
            if (!SamePoint(Points[k][j], e->Points[k][j]))
                return false;
    return true;
}

std::unique_ptr<THistObject> TEchelle::NewSame() const
{
    return std::make_unique<TEchelle>(FData);
}

int& TEchelle::PointsNumber(int kind)
{
    return kind == teHoriz  ? ScaleHorizPointsNumber
           : kind == teVert ? ScaleVertPointsNumber
                            : ScalePointsNumber;
}

int TEchelle::PointsNumber(int kind) const
{
    return kind == teHoriz  ? ScaleHorizPointsNumber
           : kind == teVert ? ScaleVertPointsNumber
                            : ScalePointsNumber;
}

double TEchelle::Length(int kind) const
{
    return kind == teHoriz ? ScaleHorizLength : kind == teVert ? ScaleVertLength : ScaleLength;
}

void TEchelle::Refresh()
{
    const TDataView& view = FData.View();
    for (std::size_t k = 0; k < 3; ++k)
        for (std::size_t j = 0; j < 2; ++j)
            Pixels[k][j] = view.ToView(Points[k][j]);
}

int TEchelle::HitTest(int x, int y) const
{
    const std::size_t k = TypeEchelle;
    if (PointsNumber(TypeEchelle) < 2)
        return -2;
    const QPoint p1 = Pixels[k][0];
    const QPoint p2 = Pixels[k][1];
    const int pen = PenWidthOf(FData.ElementSize);
    const int half = std::max(6, pen) / 2;
    const bool close = std::abs(p1.x() - p2.x()) < pen && std::abs(p1.y() - p2.y()) < pen;
    // Two ends almost on top of each other: grabbing the segment keeps both together.
    if (close && NearSegment(p1, p2, x, y, 3))
        return -1;
    if (InBox(p1, x, y, half))
        return 0;
    if (InBox(p2, x, y, half))
        return 1;
    if (!close && NearSegment(p1, p2, x, y, 3))
        return -1;
    return -2;
}

void TEchelle::MouseDown(int button, Qt::KeyboardModifiers, int x, int y)
{
    if (button == mbRight) {
        EraseLastPoint();
        return;
    }
    if (button != mbLeft)
        return;
    TDataView& view = FData.View();
    const std::size_t k = TypeEchelle;
    int& count = PointsNumber(TypeEchelle);
    FMouse = {x, y};
    if (count >= 2) {
        HitResult = HitTest(x, y);
        if (HitResult == -1)
            FData.Record(*this, haMove);
        else if (HitResult >= 0)
            FData.Record(*this, haModify);
        Anchor = {x, y};
        return;
    }
    const TPointRel click = view.ToRelative(x, y);
    if (count == 0) {
        FData.Record(*this, haDefine);
        Points[k][0] = click;
    } else {
        // A second point must differ from the first on the screen (in x for the horizontal scale, in y
        // for the vertical one), so that two points always make a usable segment.
        const QPoint first = view.ToView(Points[k][0]);
        switch (TypeEchelle) {
        case teHoriz:
            if (x == first.x())
                return;
            Points[k][1] = {click.X, Points[k][0].Y};
            break;
        case teVert:
            if (y == first.y())
                return;
            Points[k][1] = {Points[k][0].X, click.Y};
            break;
        default:
            if (QPoint(x, y) == first)
                return;
            Points[k][1] = click;
            break;
        }
    }
    ++count;
    FData.InvalidateResults(irBoth);
    Refresh();
    view.Repaint();
    FData.NotifyEchelleChange();
}

void TEchelle::MouseMove(Qt::KeyboardModifiers, int x, int y)
{
    TDataView& view = FData.View();
    const std::size_t k = TypeEchelle;
    const int count = CurrentPointsNumber();
    FMouse = {x, y};
    if (count < 2) {
        view.SetCursorNumber(13);
        if (count == 1)
            view.Repaint(); // the rubber band follows the mouse
        return;
    }
    if (HitResult == -1) {
        const QPoint delta = QPoint(x, y) - Anchor;
        for (std::size_t j = 0; j < 2; ++j) {
            const QPoint moved = Pixels[k][j] + delta;
            Points[k][j] = Clamp01(view.ToRelative(moved.x(), moved.y()));
        }
        Anchor = {x, y};
        FData.InvalidateResults(irBoth);
        Refresh();
        view.Repaint();
        return;
    }
    if (HitResult == 0 || HitResult == 1) {
        const std::size_t end = std::size_t(HitResult);
        const std::size_t other = 1 - end;
        const QPoint current = Pixels[k][end];
        TPointRel p = Clamp01(view.ToRelative(x, y));
        switch (TypeEchelle) {
        case teHoriz:
            if (x == current.x())
                return;
            p.Y = Points[k][other].Y;
            break;
        case teVert:
            if (y == current.y())
                return;
            p.X = Points[k][other].X;
            break;
        default:
            if (QPoint(x, y) == current)
                return;
            break;
        }
        Points[k][end] = p;
        FData.InvalidateResults(irBoth);
        Refresh();
        view.Repaint();
        return;
    }
    // Hovering over a scale with two points.
    const int hit = HitTest(x, y);
    if (hit == -2) {
        view.SetCursorNumber(0);
    } else if (hit == -1) {
        view.SetCursorNumber(45);
    } else {
        const QPoint p1 = Pixels[k][0];
        const QPoint p2 = Pixels[k][1];
        const QPoint& lower = p1.y() > p2.y() ? p1 : p2;
        const QPoint& upper = p1.y() > p2.y() ? p2 : p1;
        const bool topLeftToBottomRight = p1.x() != p2.x() && p1.y() != p2.y() && lower.x() > upper.x();
        view.SetCursorNumber(topLeftToBottomRight ? 27 : 28);
    }
}

void TEchelle::MouseUp()
{
    HitResult = -2;
}

void TEchelle::EraseLastPoint()
{
    int& count = PointsNumber(TypeEchelle);
    if (count <= 0)
        return;
    if (count >= 2)
        FData.Record(*this, haErase);
    --count;
    HitResult = -2;
    FData.InvalidateResults(irBoth);
    FData.View().Repaint();
    FData.NotifyEchelleChange();
}

void TEchelle::EraseAllPoints()
{
    const bool separate = TypeEchelle != teNormale;
    const bool any =
        separate ? (ScaleHorizPointsNumber > 0 || ScaleVertPointsNumber > 0) : ScalePointsNumber > 0;
    if (!any)
        return;
    FData.Record(*this, haErase);
    if (separate)
        ScaleHorizPointsNumber = ScaleVertPointsNumber = 0;
    else
        ScalePointsNumber = 0;
    HitResult = -2;
    FData.InvalidateResults(irBoth);
    FData.NotifyEchelleChange();
}

void TEchelle::SetLength(double& field, double metres)
{
    if (!std::isfinite(metres) || SameValue(metres, field))
        return;
    field = metres;
    FData.InvalidateResults(irBoth);
}

void TEchelle::SetScaleLength(double metres)
{
    SetLength(ScaleLength, metres);
}

void TEchelle::SetScaleHorizLength(double metres)
{
    SetLength(ScaleHorizLength, metres);
}

void TEchelle::SetScaleVertLength(double metres)
{
    SetLength(ScaleVertLength, metres);
}

TScaleFactors TEchelle::FacteursEchelle() const
{
    TScaleFactors f;
    if (FData.OptionHorizAndVertScale()) {
        const double du = std::fabs(Points[teHoriz][0].X - Points[teHoriz][1].X);
        if (IsZero(du))
            return f;
        f.X = ScaleHorizLength / du;
        const double dv = std::fabs(Points[teVert][0].Y - Points[teVert][1].Y);
        if (!IsZero(dv))
            f.Y = ScaleVertLength / dv;
        return f;
    }
    const QSize frame = FData.View().FrameSize();
    if (frame.width() <= 0 || frame.height() <= 0)
        return f; // no video: no source pixels to measure the segment in
    const double w = frame.width();
    const double h = frame.height();
    const double du = Points[teNormale][0].X - Points[teNormale][1].X;
    const double dv = Points[teNormale][0].Y - Points[teNormale][1].Y;
    const double d2 = (w * du) * (w * du) + (h * dv) * (h * dv);
    if (IsZero(d2))
        return f;
    const double d = std::sqrt(d2); // segment length in source pixels
    f.X = w * ScaleLength / d;
    f.Y = h * ScaleLength / d;
    return f;
}

void TEchelle::Paint(QPainter& painter) const
{
    const int count = CurrentPointsNumber();
    if (count <= 0)
        return;
    const std::size_t k = TypeEchelle;
    const QPoint p1 = Pixels[k][0];
    QPoint p2 = count >= 2 ? Pixels[k][1] : FMouse;
    if (TypeEchelle == teHoriz)
        p2.setY(p1.y());
    else if (TypeEchelle == teVert)
        p2.setX(p1.x());
    const QColor colour = ToQColor(FData.ElementColor);
    painter.save();
    painter.setPen(QPen(colour, PenWidthOf(FData.ElementSize), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(colour);
    painter.drawLine(p1, p2);
    const double length = std::hypot(double(p2.x() - p1.x()), double(p2.y() - p1.y()));
    DrawOpenArrow(painter, p1, p2, length);
    if (count >= 2)
        DrawOpenArrow(painter, p2, p1, length);
    painter.restore();
}

void TEchelle::Load(TDataReader& reader)
{
    for (int k = 0; k < 3; ++k) {
        const QString& prefix = KeyPrefix[k];
        PointsNumber(k) = reader.Int(prefix + QStringLiteral("PointsNumber"), 0, 0, 2);
        for (int j = 0; j < 2; ++j) {
            const QString point = prefix + QStringLiteral("Point") + QString::number(j + 1);
            TPointRel& p = Points[std::size_t(k)][std::size_t(j)];
            p.X = reader.Float(point + QStringLiteral("XCoordinate"), 0.0, 0.0, 1.0);
            p.Y = reader.Float(point + QStringLiteral("YCoordinate"), 0.0, 0.0, 1.0);
        }
        const double length = reader.Float(prefix + QStringLiteral("Length"), 0.0);
        (k == teHoriz ? ScaleHorizLength : k == teVert ? ScaleVertLength : ScaleLength) = length;
    }
    HitResult = -2;
    TypeEchelle = FData.OptionHorizAndVertScale() ? teVert : teNormale;
}

void TEchelle::Save(TDataWriter& writer) const
{
    for (int k = 0; k < 3; ++k) {
        const QString& prefix = KeyPrefix[k];
        writer.Int(prefix + QStringLiteral("PointsNumber"), PointsNumber(k));
        for (int j = 0; j < 2; ++j) {
            const QString point = prefix + QStringLiteral("Point") + QString::number(j + 1);
            const TPointRel& p = Points[std::size_t(k)][std::size_t(j)];
            writer.Float(point + QStringLiteral("XCoordinate"), p.X);
            writer.Float(point + QStringLiteral("YCoordinate"), p.Y);
        }
        writer.Float(prefix + QStringLiteral("Length"), Length(k));
    }
}
