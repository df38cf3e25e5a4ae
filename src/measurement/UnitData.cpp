// The measurement data: grid, input dispatch, keyboard, measurement table, undo services, persistence.
#include "measurement/UnitData.h"

#include "common/UnitGraphUtils.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace {

constexpr double Pi = std::numbers::pi;
// Pixels around a point or along a segment that count as a hit.
constexpr int NearTolerance = 3;
// Angles this close to a multiple of pi/2 give exact horizontal or vertical axes.
constexpr double AlignedTolerance = 0.001;

// Stands in for the view while none is set: no video, nothing shown.
class TNullDataView : public TDataView
{
public:
    TPointRel ToRelative(int, int) const override { return {}; }
    QPoint ToView(const TPointRel&) const override { return {}; }
    QSize FrameSize() const override { return {}; }
    QSize ClientSize() const override { return {}; }
    int FrameCount() const override { return 0; }
    int CurrentFrame() const override { return 0; }
    int CurrentPosition() const override { return 0; }
    int PositionCount() const override { return 0; }
    void GoToPosition(int) override {}
    int ShiftOf(int) const override { return 0; }
    int PositionOf(int) const override { return -1; }
    int FrameAt(int) const override { return -1; }
    TModeVideo Mode() const override { return mvNone; }
    bool ViewToolActive() const override { return false; }
    QPoint MousePosition() const override { return {}; }
    void SetCursorNumber(int) override {}
    void CursorRefresh() override {}
    void Repaint() override {}
};

TPointRel Clamp01(const TPointRel& p)
{
    return {std::clamp(p.X, 0.0, 1.0), std::clamp(p.Y, 0.0, 1.0)};
}

bool NearPoint(const QPoint& p, int x, int y)
{
    return std::abs(x - p.x()) <= NearTolerance && std::abs(y - p.y()) <= NearTolerance;
}

// Near one of the integer points stepped along the segment.
bool NearSegment(const QPoint& from, const QPoint& to, int x, int y)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0)
        return NearPoint(from, x, y);
    for (int i = 0; i <= steps; ++i) {
        const QPoint p(from.x() + int(std::lround(double(dx) * i / steps)),
                       from.y() + int(std::lround(double(dy) * i / steps)));
        if (NearPoint(p, x, y))
            return true;
    }
    return false;
}

// Clips the parameter range [t0, t1] of the line o + t d to low <= coordinate <= high on one axis.
bool ClipAxis(double o, double d, double low, double high, double& t0, double& t1)
{
    if (std::fabs(d) < 1e-12)
        return o >= low && o <= high;
    double a = (low - o) / d;
    double b = (high - o) / d;
    if (a > b)
        std::swap(a, b);
    t0 = std::max(t0, a);
    t1 = std::min(t1, b);
    return t0 <= t1;
}

QPoint RoundPoint(double x, double y)
{
    return {int(std::lround(x)), int(std::lround(y))};
}

// Ends of an axis through o at an angle (radians, counter-clockwise on the screen): first the end opposite
// to the angle's direction, then the end in its direction. The line runs across the displayed frame and is
// clipped to the client area; near-aligned angles run from edge to edge of the client area.
void AxisEnds(const QPoint& o, double angle, const QPoint& frame0, const QPoint& frame1, const QSize& client,
              QPoint& first, QPoint& second)
{
    const int right = std::max(0, client.width() - 1);
    const int bottom = std::max(0, client.height() - 1);
    if (std::fabs(angle) < AlignedTolerance) {
        first = {0, o.y()};
        second = {right, o.y()};
        return;
    }
    if (std::fabs(std::fabs(angle) - Pi) < AlignedTolerance) {
        first = {right, o.y()};
        second = {0, o.y()};
        return;
    }
    if (std::fabs(angle - Pi / 2) < AlignedTolerance) {
        first = {o.x(), bottom};
        second = {o.x(), 0};
        return;
    }
    if (std::fabs(angle + Pi / 2) < AlignedTolerance) {
        first = {o.x(), 0};
        second = {o.x(), bottom};
        return;
    }
    const double dx = std::cos(angle);
    const double dy = -std::sin(angle); // screen y grows downwards
    double t0 = -1e9;
    double t1 = 1e9;
    const bool inside =
        ClipAxis(o.x(), dx, std::min(frame0.x(), frame1.x()), std::max(frame0.x(), frame1.x()), t0, t1) &&
        ClipAxis(o.y(), dy, std::min(frame0.y(), frame1.y()), std::max(frame0.y(), frame1.y()), t0, t1) &&
        ClipAxis(o.x(), dx, 0, right, t0, t1) && ClipAxis(o.y(), dy, 0, bottom, t0, t1);
    if (!inside) {
        first = second = o;
        return;
    }
    first = RoundPoint(o.x() + t0 * dx, o.y() + t0 * dy);
    second = RoundPoint(o.x() + t1 * dx, o.y() + t1 * dy);
}

// Draws an axis label centred on a point, rotated by an angle (radians, counter-clockwise).
void DrawRotatedLabel(QPainter& painter, const QPointF& centre, double angle, const QString& text)
{
    painter.save();
    painter.translate(centre);
    painter.rotate(-angle * 180.0 / Pi);
    const QFontMetrics metrics(painter.font());
    const QRect box(-metrics.horizontalAdvance(text) / 2 - 1, -metrics.height() / 2,
                    metrics.horizontalAdvance(text) + 2, metrics.height());
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}

} // namespace

int PenWidthOf(int elementSize)
{
    return 1 + 2 * std::clamp(elementSize, 0, 2);
}

int ArrowLengthOf(int elementSize)
{
    return 10 + 5 * std::clamp(elementSize, 0, 2);
}

void SetAxesStyle(QPainter& painter, int elementSize, TColor colour)
{
    constexpr int labelPointSizes[3] = {0, 18, 24}; // 0: the painter's font size unchanged
    const int size = std::clamp(elementSize, 0, 2);
    const QColor c = ToQColor(colour);
    painter.setPen(QPen(c, PenWidthOf(size), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(c);
    QFont font = painter.font();
    font.setBold(true);
    if (labelPointSizes[size] > 0)
        font.setPointSize(labelPointSizes[size]);
    painter.setFont(font);
}

// Filled triangle with its tip at the end, its base `length` back along the direction (radians), half-width
// half the length.
void DrawArrowHead(QPainter& painter, const QPoint& tip, double angle, int length)
{
    const double ux = std::cos(angle);
    const double uy = -std::sin(angle);
    const double bx = tip.x() - ux * length;
    const double by = tip.y() - uy * length;
    const double h = length / 2.0;
    QPolygon triangle;
    triangle << tip << RoundPoint(bx - uy * h, by + ux * h) << RoundPoint(bx + uy * h, by - ux * h);
    painter.drawPolygon(triangle);
}


QPointF ToMetres(double X, double Y, const TScaleFactors& factors, double angle, bool directX, bool directY)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    double x = factors.X * X * c + factors.Y * Y * s;
    double y = factors.Y * Y * c - factors.X * X * s;
    if (!directX)
        x = -x;
    if (!directY)
        y = -y;
    return {x, y};
}

// ---------------------------------------------------------------------------------------------------------
// TOrigine

TOrigine::TOrigine(TData& data) : FData(data)
{
    Kind = hkOrigine;
}

void TOrigine::Assign(const THistObject& source)
{
    THistObject::Assign(source);
    if (const auto* o = dynamic_cast<const TOrigine*>(&source)) {
        OrigineImageNumber = o->OrigineImageNumber;
        Position = o->Position;
    }
}

bool TOrigine::Equals(const THistObject& other) const
{
    const auto* o = dynamic_cast<const TOrigine*>(&other);
    return o && THistObject::Equals(other) && OrigineImageNumber == o->OrigineImageNumber &&
           SamePoint(Position, o->Position);
}

std::unique_ptr<THistObject> TOrigine::NewSame() const
{
    return std::make_unique<TOrigine>(FData);
}

// ---------------------------------------------------------------------------------------------------------
// TRepere

TRepere::TRepere(TData& data) : FData(data)
{
    Origines.reserve(128);
}

void TRepere::Assign(const THistObject& source)
{
    THistObject::Assign(source);
    const auto* r = dynamic_cast<const TRepere*>(&source);
    if (!r)
        return;
    DirectXAxisDirection = r->DirectXAxisDirection;
    DirectYAxisDirection = r->DirectYAxisDirection;
    OrigineCurrent = r->OrigineCurrent;
    Origines.clear();
    for (const auto& o : r->Origines) {
        auto copy = std::make_unique<TOrigine>(FData);
        copy->Assign(*o);
        // The copy stands for the same position: the history finds it by this Id.
        copy->Id = o->Id;
        Origines.push_back(std::move(copy));
    }
}

bool TRepere::Equals(const THistObject& other) const
{
    const auto* r = dynamic_cast<const TRepere*>(&other);
    if (!r || !THistObject::Equals(other) || DirectXAxisDirection != r->DirectXAxisDirection ||
        DirectYAxisDirection != r->DirectYAxisDirection || !SamePoint(OrigineCurrent, r->OrigineCurrent) ||
        Origines.size() != r->Origines.size())
        return false;
    for (std::size_t i = 0; i < Origines.size(); ++i)
        if (!Origines[i]->Equals(*r->Origines[i]))
            return false;
    return true;
}

bool TRepere::AddOrigine(std::unique_ptr<TOrigine> origine, int)
{
    if (!origine)
        return false;
    for (const auto& o : Origines)
        if (o.get() == origine.get() || o->Id == origine->Id)
            return false;
    TOrigine* raw = origine.get();
    const int index = raw->IndexInList;
    if (index >= 0 && index <= int(Origines.size())) {
        Origines.insert(Origines.begin() + index, std::move(origine));
    } else {
        Origines.push_back(std::move(origine));
        raw->IndexInList = int(Origines.size()) - 1;
    }
    FData.Record(*raw, haAddOrigine);
    FData.InvalidateResults(irCurrent);
    return true;
}

bool TRepere::RemoveOrigine(TOrigine* origine, int action)
{
    if (!origine)
        return false;
    const auto it = std::find_if(Origines.begin(), Origines.end(),
                                 [origine](const auto& o) { return o.get() == origine; });
    if (it == Origines.end())
        return false;
    origine->IndexInList = int(it - Origines.begin());
    FData.Record(*origine, action);
    Origines.erase(it);
    FData.InvalidateResults(irCurrent);
    return true;
}

void TRepere::Load(TDataReader& reader, const QString& suffix)
{
    DirectYAxisDirection = reader.Bool(DataKey(QStringLiteral("DirectYAxisDirection"), suffix), true);
    DirectXAxisDirection = reader.Bool(DataKey(QStringLiteral("DirectXAxisDirection"), suffix), true);
    // The layer's centre may leave the frame; the bound only keeps pixel conversions finite.
    OrigineCurrent.X =
        reader.Float(DataKey(QStringLiteral("OrigineCurrentXCoordinate"), suffix), 0.5, -1e6, 1e6);
    OrigineCurrent.Y =
        reader.Float(DataKey(QStringLiteral("OrigineCurrentYCoordinate"), suffix), 0.5, -1e6, 1e6);
}

void TRepere::Save(TDataWriter& writer, const QString& suffix) const
{
    writer.Bool(DataKey(QStringLiteral("DirectYAxisDirection"), suffix), DirectYAxisDirection);
    writer.Bool(DataKey(QStringLiteral("DirectXAxisDirection"), suffix), DirectXAxisDirection);
    writer.Float(DataKey(QStringLiteral("OrigineCurrentXCoordinate"), suffix), OrigineCurrent.X);
    writer.Float(DataKey(QStringLiteral("OrigineCurrentYCoordinate"), suffix), OrigineCurrent.Y);
}

void TRepere::SetDirectX(bool direct)
{
    if (direct == DirectXAxisDirection)
        return;
    FData.Record(*this, haChangeDirection);
    DirectXAxisDirection = direct;
    FData.InvalidateResults(irCurrent);
}

void TRepere::SetDirectY(bool direct)
{
    if (direct == DirectYAxisDirection)
        return;
    FData.Record(*this, haChangeDirection);
    DirectYAxisDirection = direct;
    FData.InvalidateResults(irCurrent);
}

void TRepere::SetOrigine(const TPointRel& point)
{
    if (!SamePoint(point, OrigineCurrent))
        FData.InvalidateResults(irCurrent);
    OrigineCurrent = point;
}

TOrigine* TRepere::FindOrigine(int id) const
{
    for (const auto& o : Origines)
        if (o->Id == id)
            return o.get();
    return nullptr;
}

TOrigine* TRepere::OrigineOfFrame(int frame) const
{
    for (const auto& o : Origines)
        if (o->OrigineImageNumber == frame)
            return o.get();
    return nullptr;
}

bool TRepere::RemoveFrameOrigine(int frame)
{
    return RemoveOrigine(OrigineOfFrame(frame), haRemoveOrigine);
}

void TRepere::SetLastOrigineFrame(int frame)
{
    if (!Origines.empty())
        Origines.back()->OrigineImageNumber = frame;
}

// ---------------------------------------------------------------------------------------------------------
// TRepereFixe

TRepereFixe::TRepereFixe(TData& data) : TRepere(data)
{
    Kind = hkRepereFixe;
    YAxisAngle = Pi / 2;
}

void TRepereFixe::Assign(const THistObject& source)
{
    TRepere::Assign(source);
    if (const auto* r = dynamic_cast<const TRepereFixe*>(&source)) {
        OriginePointsNumber = r->OriginePointsNumber;
        XAxisAngle = r->XAxisAngle;
        YAxisAngle = r->YAxisAngle;
    }
}

bool TRepereFixe::Equals(const THistObject& other) const
{
    const auto* r = dynamic_cast<const TRepereFixe*>(&other);
    return r && TRepere::Equals(other) && OriginePointsNumber == r->OriginePointsNumber &&
           SameValue(XAxisAngle, r->XAxisAngle) && SameValue(YAxisAngle, r->YAxisAngle);
}

std::unique_ptr<THistObject> TRepereFixe::NewSame() const
{
    return std::make_unique<TRepereFixe>(FData);
}

void TRepereFixe::Load(TDataReader& reader, const QString& suffix)
{
    TRepere::Load(reader, suffix);
    OrigineCurrent = Clamp01(OrigineCurrent);
    OriginePointsNumber = reader.Int(DataKey(QStringLiteral("OriginePointsNumber"), suffix), 0, 0, 1);
    // Stored angles are already within [-pi, pi]; normalising only tames damaged values.
    XAxisAngle = NormaliseAngle(reader.Float(DataKey(QStringLiteral("XAxisAngle"), suffix), 0.0));
    YAxisAngle = NormaliseAngle(reader.Float(DataKey(QStringLiteral("YAxisAngle"), suffix), 0.0));
    DragMode = 0;
}

void TRepereFixe::Save(TDataWriter& writer, const QString& suffix) const
{
    TRepere::Save(writer, suffix);
    writer.Int(DataKey(QStringLiteral("OriginePointsNumber"), suffix), OriginePointsNumber);
    writer.Float(DataKey(QStringLiteral("XAxisAngle"), suffix), XAxisAngle);
    writer.Float(DataKey(QStringLiteral("YAxisAngle"), suffix), YAxisAngle);
}

void TRepereFixe::Reset()
{
    DirectXAxisDirection = true;
    DirectYAxisDirection = true;
    OrigineCurrent = {};
    Origines.clear();
    OriginePointsNumber = 0;
    XAxisAngle = 0.0;
    YAxisAngle = Pi / 2;
    DragMode = 0;
}

void TRepereFixe::Refresh()
{
    PixO = FData.View().ToView(OrigineCurrent);
    ComputeAxisEnds();
}

void TRepereFixe::ComputeAxisEnds()
{
    const TDataView& view = FData.View();
    const QPoint frame0 = view.ToView({0.0, 0.0});
    const QPoint frame1 = view.ToView({1.0, 1.0});
    AxisEnds(PixO, XAxisAngle, frame0, frame1, view.ClientSize(), PixA, PixB);
    AxisEnds(PixO, YAxisAngle, frame0, frame1, view.ClientSize(), PixC, PixD);
}

void TRepereFixe::SetXAxisAngle(double angle)
{
    if (!std::isfinite(angle) || SameValue(angle, XAxisAngle))
        return;
    XAxisAngle = NormaliseAngle(angle);
    YAxisAngle = NormaliseAngle(XAxisAngle + Pi / 2);
    FData.InvalidateResults(irCurrent);
    ComputeAxisEnds();
    FData.NotifyRepereChange();
}

void TRepereFixe::SetYAxisAngle(double angle)
{
    if (!std::isfinite(angle) || SameValue(angle, YAxisAngle))
        return;
    YAxisAngle = NormaliseAngle(angle);
    XAxisAngle = NormaliseAngle(YAxisAngle - Pi / 2);
    FData.InvalidateResults(irCurrent);
    ComputeAxisEnds();
    FData.NotifyRepereChange();
}

void TRepereFixe::Erase()
{
    FData.Record(*this, haErase);
    OriginePointsNumber = 0;
    XAxisAngle = 0.0;
    YAxisAngle = Pi / 2;
    DragMode = 0;
    FData.NotifyRepereChange();
    FData.InvalidateResults(irCurrent);
    FData.View().CursorRefresh();
    FData.View().Repaint();
}

bool TRepereFixe::NearOrigin(int x, int y) const
{
    return NearPoint(PixO, x, y);
}

bool TRepereFixe::NearXArrowHalf(int x, int y) const
{
    return NearSegment(PixO, XArrowEnd(), x, y);
}

bool TRepereFixe::NearYArrowHalf(int x, int y) const
{
    return NearSegment(PixO, YArrowEnd(), x, y);
}

void TRepereFixe::MouseDown(int button, Qt::KeyboardModifiers, int x, int y)
{
    TDataView& view = FData.View();
    if (button == mbRight) {
        if (Defined())
            Erase();
        return;
    }
    if (button != mbLeft)
        return;
    if (!Defined()) {
        FData.Record(*this, haChoose);
        OriginePointsNumber = 1;
        SetOrigine(Clamp01(view.ToRelative(x, y)));
        FData.InvalidateResults(irCurrent);
        Refresh();
        FData.NotifyRepereChange();
        view.Repaint();
        return;
    }
    if (DragMode != 0)
        return;
    if (NearOrigin(x, y)) {
        FData.Record(*this, haMove);
        DragMode = 1;
        Anchor = {x, y};
    } else if (NearXArrowHalf(x, y)) {
        FData.Record(*this, haRotate);
        DragMode = 2;
    } else if (NearYArrowHalf(x, y)) {
        FData.Record(*this, haRotate);
        DragMode = 3;
    }
}

void TRepereFixe::MouseMove(Qt::KeyboardModifiers, int x, int y)
{
    TDataView& view = FData.View();
    const int ox = PixO.x();
    const int oy = PixO.y();
    switch (DragMode) {
    case 1: {
        const QPoint moved = PixO + (QPoint(x, y) - Anchor);
        SetOrigine(Clamp01(view.ToRelative(moved.x(), moved.y())));
        PixO = view.ToView(OrigineCurrent);
        ComputeAxisEnds();
        Anchor = {x, y};
        view.Repaint();
        break;
    }
    case 2:
        // The arrow end follows the mouse.
        SetXAxisAngle(DirectXAxisDirection ? std::atan2(double(oy - y), double(x - ox))
                                           : std::atan2(double(y - oy), double(ox - x)));
        view.Repaint();
        break;
    case 3:
        SetYAxisAngle(DirectYAxisDirection ? std::atan2(double(oy - y), double(x - ox))
                                           : std::atan2(double(y - oy), double(ox - x)));
        view.Repaint();
        break;
    default:
        if (Defined() && NearOrigin(x, y))
            view.SetCursorNumber(45);
        else if (Defined() && (NearXArrowHalf(x, y) || NearYArrowHalf(x, y)))
            view.SetCursorNumber(46);
        else
            view.CursorRefresh();
        break;
    }
}

void TRepereFixe::MouseUp(int, Qt::KeyboardModifiers, int, int)
{
    DragMode = 0;
}

void TRepereFixe::KeyEnter(int x, int y)
{
    if (DragMode == 0)
        MouseDown(mbLeft, Qt::NoModifier, x, y);
    else
        MouseUp(mbLeft, Qt::NoModifier, x, y);
}

void TRepereFixe::Paint(QPainter& painter) const
{
    if (!Defined())
        return;
    const int length = ArrowLengthOf(FData.ElementSize);
    painter.save();
    SetAxesStyle(painter, FData.ElementSize, FData.ElementColor);
    const QFontMetrics metrics(painter.font());

    const double xArrow = DirectXAxisDirection ? XAxisAngle : XAxisAngle + Pi;
    const double yArrow = DirectYAxisDirection ? YAxisAngle : YAxisAngle + Pi;
    painter.drawLine(PixA, PixB);
    painter.drawLine(PixC, PixD);
    DrawArrowHead(painter, XArrowEnd(), xArrow, length);
    DrawArrowHead(painter, YArrowEnd(), yArrow, length);

    // Labels just behind the arrowheads, on the side away from the other axis's arrow.
    const auto label = [&](const QPoint& tip, double along, double awayFrom, const QString& text) {
        const double back = length + metrics.horizontalAdvance(text) / 2.0 + 4;
        const double aside = length / 2.0 + metrics.height() / 2.0 + 2;
        const QPointF centre(tip.x() - std::cos(along) * back - std::cos(awayFrom) * aside,
                             tip.y() + std::sin(along) * back + std::sin(awayFrom) * aside);
        DrawRotatedLabel(painter, centre, XAxisAngle, text);
    };
    label(XArrowEnd(), xArrow, yArrow, QStringLiteral("x"));
    label(YArrowEnd(), yArrow, xArrow, QStringLiteral("y"));
    painter.restore();
}

// ---------------------------------------------------------------------------------------------------------
// TData

TData::TData(const TOptions* options, TDataView* view)
    : FOptions(options), FNullView(std::make_unique<TNullDataView>()), FView(view ? view : FNullView.get()),
      RepereFixe(std::make_unique<TRepereFixe>(*this)), Transparent(std::make_unique<TTransparent>(*this)),
      Echelle(std::make_unique<TEchelle>(*this)),
      MarquesRep(std::make_unique<TPolyMarqueImgRep>(*this, RepereFixe.get())),
      MarquesTsp(std::make_unique<TPolyMarqueImgTsp>(*this, Transparent.get())), HistMarques(this),
      HistCalque(this), HistEchelle(this), HistRepere(this)
{
    Reset();
}

TData::~TData()
{
    // The histories hold snapshots that refer to the lists' containers: they go first.
    HistMarques.Clear();
    HistCalque.Clear();
    HistEchelle.Clear();
    HistRepere.Clear();
}

void TData::SetView(TDataView* view)
{
    FView = view ? view : FNullView.get();
}

int TData::OptionPenSize() const
{
    return FOptions ? FOptions->PenSize : 0;
}

int TData::OptionNumerotation() const
{
    return FOptions ? FOptions->Numerotation : 0;
}

int TData::OptionNumerotationTsp() const
{
    return FOptions ? FOptions->NumerotationTsp : 0;
}

bool TData::OptionStartByZero() const
{
    return FOptions ? FOptions->CheckBox36StartByZero : false;
}

bool TData::OptionHorizAndVertScale() const
{
    return FOptions ? FOptions->CheckBox41HorizAndVertScale : false;
}

void TData::InvalidateResults(int kind) const
{
    if (OnInvalidateResults)
        OnInvalidateResults(kind);
}

void TData::NotifyMarquesChange()
{
    if (OnMarquesChange)
        OnMarquesChange(*this);
}

void TData::NotifyRepereChange()
{
    if (OnRepereChange)
        OnRepereChange(*this);
}

void TData::NotifyEchelleChange()
{
    if (OnEchelleChange)
        OnEchelleChange(*this);
}

void TData::NotifyNbObjetsChange()
{
    if (OnNbObjetsChange)
        OnNbObjetsChange(*this);
}

void TData::NotifyTypeEchelleChange()
{
    if (OnTypeEchelleChange)
        OnTypeEchelleChange(*this);
}

void TData::Reset()
{
    // The histories refer to containers that the lists are about to free.
    HistMarques.Clear();
    HistCalque.Clear();
    HistEchelle.Clear();
    HistRepere.Clear();
    Outil = otMarque;
    Transparent->Reset();
    RequiredDuration = 0.0;
    FramesNumberBetweenTwoMarks = 1;
    ElementSize = std::clamp(OptionPenSize(), 0, 2);
    ElementColor = clYellow;
    RepereFixe->Reset();
    Echelle->Reset();
    MarquesRep->Defaults();
    MarquesRep->Clear();
    MarquesTsp->Defaults();
    MarquesTsp->Clear();
    MarkColors = {TGraphUtils::Instance().ObjectColor(0)};
    MarkVisibilities = {true};
}

void TData::ApplyOptions()
{
    const bool separate = OptionHorizAndVertScale();
    if (separate && Echelle->TypeEchelle == teNormale)
        SetScaleKind(teVert);
    else if (!separate && Echelle->TypeEchelle != teNormale)
        SetScaleKind(teNormale);
    ElementSize = std::clamp(OptionPenSize(), 0, 2);
    MarquesRep->MarksNumberPosition = std::clamp(OptionNumerotation(), 0, 2);
    MarquesTsp->MarksNumberPosition = std::clamp(OptionNumerotationTsp(), 0, 2);
}

int TData::ScaleKind() const
{
    return Echelle->TypeEchelle;
}

void TData::SetScaleKind(int kind)
{
    kind = std::clamp(kind, 0, 2);
    if (kind == Echelle->TypeEchelle)
        return;
    Echelle->TypeEchelle = TTypeEchelle(kind);
    Echelle->HitResult = -2;
    NotifyTypeEchelleChange();
}

int TData::CurrentScalePointsNumber() const
{
    return Echelle->CurrentPointsNumber();
}

void TData::CancelDrags()
{
    MarquesRep->CancelDrag();
    MarquesTsp->CancelDrag();
    RepereFixe->DragMode = 0;
    Echelle->HitResult = -2;
    if (Transparent->Dragging())
        Transparent->PreviousStage();
}

void TData::SetOutil(TOutil tool)
{
    Outil = tool;
    if (tool == otTsp)
        Transparent->SelectTool();
    CancelDrags();
    if (OnOutilChange)
        OnOutilChange(*this);
}

int TData::CursorForTool() const
{
    switch (Outil) {
    case otEchelle:
        return 13;
    case otMarque: {
        const TPolyContainer& list = ActiveList();
        if (list.MarksNumberPerFrame <= 1)
            return 16;
        const int r = list.CurrentMarkOrderNumber % 10;
        return r == 9 ? 17 : 18 + r;
    }
    case otOrigine:
        return 29;
    case otTsp:
        return Transparent->LayerStage == 2 ? 16 : 30;
    default:
        return 0;
    }
}

void TData::Refresh()
{
    MarquesRep->Refresh();
    MarquesTsp->Refresh();
    Transparent->Refresh();
    RepereFixe->Refresh();
    Echelle->Refresh();
}

void TData::Paint(QPainter& painter) const
{
    if (Outil == otEchelle) {
        Echelle->Paint(painter);
    } else if (LayerActive()) {
        Transparent->Paint(painter);
        MarquesTsp->Paint(painter);
    } else {
        RepereFixe->Paint(painter);
        MarquesRep->Paint(painter);
    }
}

bool TData::MarkDragInProgress() const
{
    return ActiveList().DragState == 1;
}

void TData::MouseDown(int button, Qt::KeyboardModifiers shift, int x, int y)
{
    const TModeVideo mode = FView->Mode();
    if ((mode != mvRepereFixe && mode != mvTransparent) || MarkDragInProgress())
        return;
    switch (Outil) {
    case otEchelle:
        Echelle->MouseDown(button, shift, x, y);
        break;
    case otMarque:
        if (mode != mvRepereFixe)
            break;
        if (button == mbLeft)
            MarquesRep->PointMark(x, y);
        else if (button == mbRight)
            MarquesRep->EraseLastMark();
        FView->Repaint();
        break;
    case otDeplacer:
    case otEffacer:
        ActiveList().MouseDown(Outil, button, shift, x, y);
        break;
    case otOrigine:
        if (mode == mvRepereFixe)
            RepereFixe->MouseDown(button, shift, x, y);
        break;
    case otTsp:
        if (mode == mvTransparent)
            Transparent->MouseDown(button, shift, x, y);
        break;
    default:
        break;
    }
}

void TData::MouseMove(Qt::KeyboardModifiers shift, int x, int y)
{
    const TModeVideo mode = FView->Mode();
    if (mode != mvRepereFixe && mode != mvTransparent)
        return;
    switch (Outil) {
    case otEchelle:
        Echelle->MouseMove(shift, x, y);
        break;
    case otDeplacer:
    case otEffacer:
        ActiveList().MouseMove(Outil, shift, x, y);
        break;
    case otOrigine:
        if (mode == mvRepereFixe)
            RepereFixe->MouseMove(shift, x, y);
        break;
    case otTsp:
        if (mode == mvTransparent)
            Transparent->MouseMove(shift, x, y);
        break;
    default:
        break;
    }
}

void TData::MouseUp(int button, Qt::KeyboardModifiers shift, int x, int y)
{
    const TModeVideo mode = FView->Mode();
    if (mode != mvRepereFixe && mode != mvTransparent)
        return;
    switch (Outil) {
    case otEchelle:
        Echelle->MouseUp();
        break;
    case otDeplacer:
    case otEffacer:
        ActiveList().MouseUp(Outil, button, shift, x, y);
        break;
    case otOrigine:
        if (mode == mvRepereFixe)
            RepereFixe->MouseUp(button, shift, x, y);
        break;
    case otTsp:
        if (mode == mvTransparent)
            Transparent->MouseUp(button, shift, x, y);
        break;
    default:
        break;
    }
}

void TData::StepColour(TColor& colour, bool backwards) const
{
    const TGraphUtils& utils = TGraphUtils::Instance();
    const int index = std::max(0, utils.PaletteIndex(colour));
    colour = utils.ObjectColor((index + (backwards ? PaletteCount - 1 : 1)) % PaletteCount);
}

void TData::KeyDown(int key, Qt::KeyboardModifiers shift)
{
    const TModeVideo mode = FView->Mode();
    if (mode == mvCapture)
        return;
    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        if (key == Qt::Key_0) {
            StepColour(ElementColor, ctrl);
        } else {
            const int object = key - Qt::Key_1;
            TColor colour = ObjectColour(object);
            StepColour(colour, ctrl);
            SetObjectColour(object, colour);
        }
        FView->Repaint();
    }
    if (mode != mvRepereFixe && mode != mvTransparent)
        return;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !FView->ViewToolActive()) {
        const QPoint p = FView->MousePosition();
        if (Outil == otOrigine && mode == mvRepereFixe)
            RepereFixe->KeyEnter(p.x(), p.y());
        else if (MarkDragInProgress() || (Outil == otTsp && Transparent->Dragging()))
            MouseUp(mbLeft, shift, p.x(), p.y());
        else
            MouseDown(mbLeft, shift, p.x(), p.y());
    }
    if (key == Qt::Key_Alt && Outil == otMarque)
        SetCurrentObject(CurrentObject() + 1);
    if (Outil == otTsp && mode == mvTransparent)
        Transparent->KeyDown(key, shift);
    if (key == Qt::Key_A && ctrl) {
        Undo();
        FView->Repaint();
        FView->CursorRefresh();
    }
}

TScaleFactors TData::FacteursEchelle() const
{
    return Echelle->FacteursEchelle();
}

TMesures TData::BuildMesures() const
{
    return BuildFrom(ActiveList());
}

TMesures TData::BuildMesures(bool layer) const
{
    return BuildFrom(layer ? static_cast<const TPolyContainer&>(*MarquesTsp) : *MarquesRep);
}

TMesures TData::BuildFrom(const TPolyContainer& list) const
{
    struct TRow
    {
        int Key;
        const TContainer* Container;
    };
    std::vector<TRow> rows;
    for (const auto& c : list.Containers)
        if (!c->Marks.empty())
            rows.push_back(
                {c->MarksContainerFrameNumber + FView->ShiftOf(c->MarksContainerFrameNumber), c.get()});
    if (!rows.empty()) {
        const int smallest = std::min_element(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) {
                                 return a.Key < b.Key;
                             })->Key;
        for (TRow& row : rows)
            row.Key -= smallest;
        // Frames with the same time key keep their list order.
        std::stable_sort(rows.begin(), rows.end(),
                         [](const TRow& a, const TRow& b) { return a.Key < b.Key; });
    }
    const std::size_t objects = std::size_t(std::max(0, list.MarksNumberPerFrame));
    TMesures m;
    m.Temps.resize(rows.size());
    m.Images.assign(objects, std::vector<int>(rows.size(), -1));
    m.X.assign(objects, std::vector<double>(rows.size(), 0.0));
    m.Y.assign(objects, std::vector<double>(rows.size(), 0.0));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        m.Temps[r] = rows[r].Key * RequiredDuration;
        for (std::size_t k = 0; k < objects; ++k) {
            const TMarque* mark = rows[r].Container->MarkOf(int(k));
            if (!mark)
                continue;
            // Relative to the frame's origin (grid marks) or already relative to the sheet (layer marks);
            // y upwards.
            const TPointRel offset = mark->GetOffset();
            m.Images[k][r] = rows[r].Key;
            m.X[k][r] = offset.X;
            m.Y[k][r] = -offset.Y;
        }
    }
    return m;
}

double TData::GridAngle() const
{
    return GridAngle(LayerActive());
}

double TData::GridAngle(bool layer) const
{
    return layer ? 0.0 : RepereFixe->XAxisAngle;
}

TPointRel TData::ActiveOrigine() const
{
    return LayerActive() ? TPointRel{} : RepereFixe->OrigineCurrent;
}

QPointF TData::Metres(const TPointRel& position) const
{
    const TPointRel o = ActiveOrigine();
    return ToMetres(position.X - o.X, o.Y - position.Y, FacteursEchelle(), GridAngle(), DirectX(), DirectY());
}

bool TData::DirectX() const
{
    return DirectX(LayerActive());
}

bool TData::DirectY() const
{
    return DirectY(LayerActive());
}

bool TData::DirectX(bool layer) const
{
    return layer ? Transparent->DirectXAxisDirection : RepereFixe->DirectXAxisDirection;
}

bool TData::DirectY(bool layer) const
{
    return layer ? Transparent->DirectYAxisDirection : RepereFixe->DirectYAxisDirection;
}

void TData::SetObjectColour(int i, TColor colour)
{
    if (i < 0 || i >= int(MarkColors.size()))
        return;
    MarkColors[std::size_t(i)] = colour;
    if (OnCouleurChange)
        OnCouleurChange(*this);
}

void TData::SetObjectVisible(int i, bool visible)
{
    if (i < 0 || i >= int(MarkVisibilities.size()))
        return;
    MarkVisibilities[std::size_t(i)] = visible;
    if (OnVisibiliteChange)
        OnVisibiliteChange(*this);
}

TColor TData::ObjectColour(int i) const
{
    if (i < 0 || i >= int(MarkColors.size()))
        return clRed;
    return MarkColors[std::size_t(i)];
}

bool TData::ObjectVisible(int i) const
{
    if (i < 0 || i >= int(MarkVisibilities.size()) || LayerActive())
        return true;
    return MarkVisibilities[std::size_t(i)];
}

void TData::ExtendObjectArrays(int from, int n)
{
    if (n > int(MarkColors.size()))
        MarkColors.resize(std::size_t(n));
    if (n > int(MarkVisibilities.size()))
        MarkVisibilities.resize(std::size_t(n));
    for (int i = std::max(0, from); i < n; ++i) {
        MarkColors[std::size_t(i)] = TGraphUtils::Instance().ObjectColor(i);
        MarkVisibilities[std::size_t(i)] = true;
    }
}

void TData::EnsureObjectArrays(int n)
{
    const int colours = int(MarkColors.size());
    if (colours < n) {
        MarkColors.resize(std::size_t(n));
        for (int i = colours; i < n; ++i)
            MarkColors[std::size_t(i)] = TGraphUtils::Instance().ObjectColor(i);
    }
    if (int(MarkVisibilities.size()) < n)
        MarkVisibilities.resize(std::size_t(n), true);
}

void TData::SetRequiredDuration(double seconds)
{
    if (!std::isfinite(seconds) || SameValue(seconds, RequiredDuration))
        return;
    RequiredDuration = seconds;
    InvalidateResults(irBoth);
}

void TData::SetNbObjets(int n)
{
    if (LayerActive())
        return; // the layer list keeps its single object
    Record(*MarquesRep, haModify);
    MarquesRep->SetNbObjets(n);
}

void TData::SetCurrentObject(int i)
{
    ActiveList().SetCurrentObject(i);
}

void TData::SetMarksIsAllDrawn(bool all)
{
    const TModeVideo mode = FView->Mode();
    if (mode == mvRepereFixe || mode == mvTransparent)
        ActiveList().MarksIsAllDrawn = all;
}

void TData::SetMarksNumberToDraw(int n)
{
    const TModeVideo mode = FView->Mode();
    if (mode == mvRepereFixe || mode == mvTransparent)
        ActiveList().MarksNumberToDraw = std::max(0, n);
}

void TData::SetNumberingPosition(int position)
{
    ActiveList().MarksNumberPosition = std::clamp(position, 0, 2);
}

void TData::SetObjectName(int i, const QString& name)
{
    ActiveList().SetName(i, name);
}

void TData::InverserAxeX()
{
    TRepere& r = ActiveRepere();
    r.SetDirectX(!r.DirectXAxisDirection);
}

void TData::InverserAxeY()
{
    TRepere& r = ActiveRepere();
    r.SetDirectY(!r.DirectYAxisDirection);
}

void TData::SetGridAngle(double angle)
{
    if (!std::isfinite(angle))
        return;
    Record(*RepereFixe, haRotate);
    RepereFixe->SetXAxisAngle(angle);
}

void TData::EraseGrid()
{
    if (FView->Mode() == mvRepereFixe)
        RepereFixe->Erase();
}

void TData::EraseMarks()
{
    {
        THistGroup group(CurrentHistory());
        TPolyContainer& list = ActiveList();
        while (!list.AllMarks.empty())
            if (!list.RemoveMark(list.AllMarks.back(), haDelete))
                break;
        if (LayerActive())
            Transparent->EraseAllPositions();
    }
    FView->Repaint();
}

void TData::EraseAll()
{
    {
        THistGroup group(CurrentHistory());
        Echelle->EraseAllPoints();
        EraseMarks();
        if (FView->Mode() == mvRepereFixe && RepereFixe->Defined())
            RepereFixe->Erase();
    }
    FView->Repaint();
}

void TData::DeleteFrameMarks(int frame)
{
    MarquesTsp->RemoveFrameMarks(frame);
    Transparent->RemoveFrameOrigine(frame);
    MarquesRep->RemoveFrameMarks(frame);
    HistMarques.Clear();
    HistCalque.Clear();
}

void TData::ImportMarks(const std::vector<std::vector<TPointRel>>& points, const TMatriceI& frames)
{
    {
        THistGroup group(CurrentHistory());
        const std::size_t objects = std::min(
            {points.size(), frames.size(), std::size_t(std::max(0, MarquesRep->MarksNumberPerFrame))});
        for (std::size_t k = 0; k < objects; ++k) {
            const std::size_t count = std::min(points[k].size(), frames[k].size());
            for (std::size_t i = 0; i < count; ++i) {
                const TPointRel& p = points[k][i];
                if (frames[k][i] < 0 || !std::isfinite(p.X) || !std::isfinite(p.Y))
                    continue;
                MarquesRep->SetMarkAt(int(k), frames[k][i], Clamp01(p));
            }
        }
    }
    MarquesRep->Renumber();
}

THistorique& TData::CurrentHistory()
{
    const TModeVideo mode = FView->Mode();
    if ((mode == mvRepereFixe || mode == mvTransparent) && Outil == otEchelle)
        return HistEchelle;
    if (mode == mvRepereFixe && Outil == otOrigine)
        return HistRepere;
    if (mode == mvTransparent)
        return HistCalque;
    return HistMarques;
}

void TData::Undo()
{
    CurrentHistory().Undo();
}

QString TData::UndoCaption()
{
    return CurrentHistory().UndoCaption();
}

bool TData::ScaleDefined() const
{
    const TEchelle& e = *Echelle;
    if (e.TypeEchelle == teNormale)
        return e.ScalePointsNumber == 2 && e.ScaleLength > 0;
    return e.ScaleHorizPointsNumber == 2 && e.ScaleHorizLength > 0 && e.ScaleVertPointsNumber == 2 &&
           e.ScaleVertLength > 0;
}

TPolyContainer& TData::ActiveList() const
{
    if (LayerActive())
        return *MarquesTsp;
    return *MarquesRep;
}

TRepere& TData::ActiveRepere() const
{
    if (LayerActive())
        return *Transparent;
    return *RepereFixe;
}

int TData::MarksCount() const
{
    return ActiveList().MarksCount();
}

int TData::NbObjets() const
{
    return ActiveList().MarksNumberPerFrame;
}

int TData::CurrentObject() const
{
    return ActiveList().CurrentMarkOrderNumber;
}

QString TData::ObjectName(int i) const
{
    return ActiveList().Name(i);
}

int TData::MarksOnFrame(int frame) const
{
    if (FView->Mode() != mvMontage)
        return -1;
    return ActiveList().MarksOnFrame(frame);
}

int TData::SmallestMarksNumber() const
{
    return ActiveList().SmallestMarksNumber();
}

int TData::LastMarkedFrame() const
{
    return ActiveList().LastMarkedFrame();
}

void TData::ShowFrame(int frame)
{
    const int position = FView->PositionOf(frame);
    if (position >= 0)
        FView->GoToPosition(position);
}

void TData::AdvanceAfterLastObject()
{
    const long long position = (long long)FView->CurrentPosition() + FramesNumberBetweenTwoMarks;
    if (position >= 0 && position < FView->PositionCount())
        FView->GoToPosition(int(position));
}

THistObject* TData::FindById(int id)
{
    if (RepereFixe->Id == id)
        return RepereFixe.get();
    if (Transparent->Id == id)
        return Transparent.get();
    if (Echelle->Id == id)
        return Echelle.get();
    if (MarquesRep->Id == id)
        return MarquesRep.get();
    if (MarquesTsp->Id == id)
        return MarquesTsp.get();
    for (TMarque* m : MarquesRep->AllMarks)
        if (m->Id == id)
            return m;
    for (TMarque* m : MarquesTsp->AllMarks)
        if (m->Id == id)
            return m;
    return Transparent->FindOrigine(id);
}

void TData::AfterUndo(THistObject& object, int action)
{
    switch (object.Kind) {
    case hkEchelle:
        Echelle->Refresh();
        InvalidateResults(irBoth);
        break;
    case hkMarqueRep:
    case hkMarqueTsp: {
        auto& mark = static_cast<TMarque&>(object);
        TPolyContainer& list =
            object.Kind == hkMarqueRep ? static_cast<TPolyContainer&>(*MarquesRep) : *MarquesTsp;
        if (action == haSetBulk) {
            list.RemoveMark(&mark, haDelete);
        } else if (action == haSet) {
            list.RemoveMark(&mark, haDeleteLast);
        } else {
            mark.RefreshPixel();
        }
        break;
    }
    case hkOrigine: {
        auto* origine = static_cast<TOrigine*>(&object);
        if (action == haAddOrigine)
            Transparent->RemoveOrigine(origine, haDelete);
        else if (action == haDropOrigine)
            Transparent->RemoveOrigine(origine, haDeleteLast);
        Transparent->Refresh();
        MarquesTsp->Refresh();
        FView->CursorRefresh();
        break;
    }
    case hkRepereFixe:
        RepereFixe->Refresh();
        InvalidateResults(irCurrent);
        NotifyRepereChange();
        break;
    case hkTransparent:
        Transparent->Refresh();
        MarquesTsp->Refresh(); // the layer marks are drawn relative to the sheet
        InvalidateResults(irCurrent);
        break;
    case hkPolyRep:
    case hkPolyTsp: {
        // The list took back a former state: its marks need their pixels and numbers, the object arrays
        // must cover its objects, and the owner must hear of the new counts.
        auto& list = static_cast<TPolyContainer&>(object);
        EnsureObjectArrays(list.MarksNumberPerFrame);
        list.Refresh();
        list.Renumber();
        InvalidateResults(irCurrent);
        NotifyMarquesChange();
        NotifyNbObjetsChange();
        FView->CursorRefresh();
        break;
    }
    default:
        break;
    }
}

void TData::AfterUndoPutBack(std::unique_ptr<THistObject> snapshot, int action)
{
    if (!snapshot)
        return;
    switch (snapshot->Kind) {
    case hkMarqueRep:
    case hkMarqueTsp: {
        TPolyContainer& list =
            snapshot->Kind == hkMarqueRep ? static_cast<TPolyContainer&>(*MarquesRep) : *MarquesTsp;
        std::unique_ptr<TMarque> mark(static_cast<TMarque*>(snapshot.release()));
        TMarque* raw = mark.get();
        if (list.AddMark(std::move(mark), action == haDeleteLast ? haSet : haSetBulk))
            raw->RefreshPixel();
        break;
    }
    case hkOrigine: {
        std::unique_ptr<TOrigine> origine(static_cast<TOrigine*>(snapshot.release()));
        Transparent->AddOrigine(std::move(origine), action == haRemoveLastOrigine ? haSet : haAddOrigine);
        Transparent->Refresh();
        MarquesTsp->Refresh();
        FView->CursorRefresh();
        break;
    }
    default:
        break; // other kinds are never recorded as deletions
    }
}

bool TData::Load(const TIniFile& ini)
{
    TDataReader reader(ini);
    // The lists free their containers: no history may keep referring to them.
    HistMarques.Clear();
    HistCalque.Clear();
    HistEchelle.Clear();
    HistRepere.Clear();
    if (!reader.Exists(QStringLiteral("RequiredDuration")))
        reader.Fail();
    RequiredDuration = reader.Float(QStringLiteral("RequiredDuration"), 0.0);
    FramesNumberBetweenTwoMarks = reader.Int(QStringLiteral("FramesNumberBetweenTwoMarks"), 1, 1, INT_MAX);
    ElementColor = TColor(reader.Int(QStringLiteral("ElementColor"), clYellow));
    ElementSize = reader.Int(QStringLiteral("ElementSize"), 0, 0, 2);
    RepereFixe->Load(reader, QStringLiteral("Grid"));
    Transparent->Load(reader, QStringLiteral("Layer"));
    Echelle->Load(reader);
    MarquesRep->Load(reader, QStringLiteral("Grid"));
    MarquesTsp->Load(reader, QStringLiteral("Layer"));

    // Read after the lists: setting their object counts fills the arrays with palette defaults, which must
    // not replace the stored colours.
    const TGraphUtils& utils = TGraphUtils::Instance();
    const int colours = reader.Count(QStringLiteral("MarkColorsNumber"));
    MarkColors.assign(std::size_t(colours), clRed);
    for (int i = 0; i < colours; ++i)
        MarkColors[std::size_t(i)] = TColor(
            reader.Int(DataKey(QStringLiteral("MarkColor"), QString::number(i)), utils.ObjectColor(i)));
    const int visibilities = reader.Count(QStringLiteral("MarkVisibiltiesNumber"));
    MarkVisibilities.assign(std::size_t(visibilities), true);
    for (int i = 0; i < visibilities; ++i)
        MarkVisibilities[std::size_t(i)] =
            reader.Bool(DataKey(QStringLiteral("MarkVisibility"), QString::number(i)), true);
    EnsureObjectArrays(std::max(1, MarquesRep->MarksNumberPerFrame));
    Refresh();
    return reader.Ok();
}

void TData::Save(TIniFile& ini) const
{
    TDataWriter writer(ini);
    writer.Float(QStringLiteral("RequiredDuration"), RequiredDuration);
    writer.Int(QStringLiteral("FramesNumberBetweenTwoMarks"), FramesNumberBetweenTwoMarks);
    writer.Int(QStringLiteral("MarkColorsNumber"), (long long)MarkColors.size());
    for (std::size_t i = 0; i < MarkColors.size(); ++i)
        writer.Int(DataKey(QStringLiteral("MarkColor"), QString::number(i)), MarkColors[i]);
    writer.Int(QStringLiteral("MarkVisibiltiesNumber"), (long long)MarkVisibilities.size());
    for (std::size_t i = 0; i < MarkVisibilities.size(); ++i)
        writer.Bool(DataKey(QStringLiteral("MarkVisibility"), QString::number(i)), MarkVisibilities[i]);
    writer.Int(QStringLiteral("ElementColor"), ElementColor);
    writer.Int(QStringLiteral("ElementSize"), ElementSize);
    RepereFixe->Save(writer, QStringLiteral("Grid"));
    Transparent->Save(writer, QStringLiteral("Layer"));
    Echelle->Save(writer);
    MarquesRep->Save(writer, QStringLiteral("Grid"));
    MarquesTsp->Save(writer, QStringLiteral("Layer"));
}
