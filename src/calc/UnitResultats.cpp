// The result tables of the grid and of the layer and the queries on them.
#include "calc/UnitResultats.h"

#include "calc/UnitDeriv.h"

#include <cmath>
#include <numbers>

std::uint8_t SmoothingFlags(const TOptions& options)
{
    return static_cast<std::uint8_t>((options.CheckBox54SmoothSpeed ? smoothVelocity : 0) |
                                     (options.CheckBox7SmoothAcceleration ? smoothAcceleration : 0));
}

QString TCalcSource::ObjectName(bool, int object) const
{
    return QStringLiteral("of point n°") + QString::number(object + 1);
}

// ---------------------------------------------------------------------------------------------------
// TCalcul

namespace {

// Sizes a matrix to objects x rows filled with 0, reusing its storage when the size is unchanged.
void Zeros(TMatriceD& m, int objects, int rows)
{
    m.resize(objects);
    for (std::vector<double>& row : m)
        row.assign(rows, 0.0);
}

} // namespace

int TCalcul::BuildPositions()
{
    // Rows, times, keys and raw positions come from the measurement table as it stands.
    TMesures table = FSource ? FSource->Mesures(FLayer) : TMesures{};
    const int objects = static_cast<int>(table.Images.size());
    const int rows = static_cast<int>(table.Temps.size());
    ObjectCount = objects;
    Times = std::move(table.Temps);
    RowNumbers.resize(rows);
    for (int r = 0; r < rows; ++r)
        RowNumbers[r] = r;
    Keys.assign(objects, TIntegerDynArray(rows, -1));
    Zeros(RawX, objects, rows);
    Zeros(RawY, objects, rows);
    for (int p = 0; p < objects; ++p) {
        const TIntegerDynArray& images = table.Images[p];
        for (int r = 0; r < rows && r < static_cast<int>(images.size()); ++r) {
            if (images[r] < 0)
                continue;
            Keys[p][r] = images[r];
            // A table shorter than its keys leaves the position at 0 rather than reading past it.
            if (p < static_cast<int>(table.X.size()) && r < static_cast<int>(table.X[p].size()))
                RawX[p][r] = table.X[p][r];
            if (p < static_cast<int>(table.Y.size()) && r < static_cast<int>(table.Y[p].size()))
                RawY[p][r] = table.Y[p][r];
        }
    }
    for (int v = 0; v < 2; ++v) {
        Zeros(PosX[v], objects, rows);
        Zeros(PosY[v], objects, rows);
        Zeros(VelX[v], objects, rows);
        Zeros(VelY[v], objects, rows);
        Zeros(AccX[v], objects, rows);
        Zeros(AccY[v], objects, rows);
    }
    Zeros(Speed, objects, rows);
    Zeros(AccNorm, objects, rows);
    Zeros(Angle, objects, rows);
    Zeros(Radius, objects, rows);
    Zeros(AngularVelocity, objects, rows);
    MarkCounts.assign(objects, 0);
    Compact.assign(objects, TCompactSeries{});

    if (!FSource || !FSource->VideoOpen()) {
        FBuildCode = calcNoVideo;
        return FBuildCode;
    }
    const auto [fx, fy] = FSource->FacteursEchelle();
    ScaleX = fx;
    ScaleY = fy;
    if (!(fx > 0.0) || !(fy > 0.0)) {
        FBuildCode = calcNoScale;
        return FBuildCode;
    }
    FAngle = FLayer ? 0.0 : FSource->GridAngle();
    FDirectX = FSource->DirectXAxisDirection(FLayer);
    FDirectY = FSource->DirectYAxisDirection(FLayer);
    FPeriod = FSource->Period();

    const double c = std::cos(FAngle);
    const double s = std::sin(FAngle);
    for (int p = 0; p < objects; ++p) {
        TCompactSeries& series = Compact[p];
        for (int r = 0; r < rows; ++r) {
            if (Keys[p][r] < 0)
                continue;
            const double rx = RawX[p][r];
            const double ry = RawY[p][r];
            double x = rx * fx * c + ry * fy * s;
            double y = ry * fy * c - rx * fx * s;
            if (!FDirectX)
                x = -x;
            if (!FDirectY)
                y = -y;
            PosX[0][p][r] = x;
            PosY[0][p][r] = y;
            PosX[1][p][r] = rx * fx;
            PosY[1][p][r] = ry * fy;
            ++MarkCounts[p];
            series.Key.push_back(Keys[p][r]);
            series.RawX.push_back(rx);
            series.RawY.push_back(ry);
            series.X.push_back(x);
            series.Y.push_back(y);
        }
    }
    Dirty = false;
    FBuildCode = calcOk;
    return FBuildCode;
}

void TCalcul::Scatter(int object, const std::vector<double>& values, TMatriceD& target) const
{
    std::vector<double>& row = target[object];
    std::size_t k = 0;
    for (std::size_t r = 0; r < row.size(); ++r)
        row[r] = (Keys[object][r] >= 0 && k < values.size()) ? values[k++] : 0.0;
}

void TCalcul::ToReferenceFrame(double x1, double y1, double& x, double& y) const
{
    const double c = std::cos(FAngle);
    const double s = std::sin(FAngle);
    x = x1 * c + y1 * s;
    y = y1 * c - x1 * s;
    if (!FDirectX)
        x = -x;
    if (!FDirectY)
        y = -y;
}

int TCalcul::DeriveRaw(int object, bool smooth, std::vector<double>& dx, std::vector<double>& dy, bool second)
{
    const TCompactSeries& series = Compact[object];
    TDeriv deriv;
    deriv.Prepare(series.Key, series.RawX, FPeriod);
    int code = deriv.Derive(smooth);
    if (code != 0)
        return code;
    dx = second ? deriv.SecondDerivative : deriv.FirstDerivative;
    deriv.Prepare(series.Key, series.RawY, FPeriod);
    code = deriv.Derive(smooth);
    if (code != 0)
        return code;
    dy = second ? deriv.SecondDerivative : deriv.FirstDerivative;
    return 0;
}

int TCalcul::ComputeVector(int object, bool smooth, bool second, TCompactMember x, TCompactMember y,
                           TCompactMember norm, std::array<TMatriceD, 2>& targetX,
                           std::array<TMatriceD, 2>& targetY, TMatriceD& targetNorm)
{
    if (object < 0 || object >= ObjectCount || object >= static_cast<int>(Compact.size()))
        return calcNoObject;
    std::vector<double> dx, dy;
    const int code = DeriveRaw(object, smooth, dx, dy, second);
    if (code != 0)
        return code;
    TCompactSeries& series = Compact[object];
    std::vector<double>& frameX = series.*x;
    std::vector<double>& frameY = series.*y;
    std::vector<double>& magnitude = series.*norm;
    const std::size_t n = dx.size();
    std::vector<double> x1(n), y1(n);
    frameX.assign(n, 0.0);
    frameY.assign(n, 0.0);
    magnitude.assign(n, 0.0);
    for (std::size_t k = 0; k < n; ++k) {
        // Derivatives of relative units, scaled to metres afterwards.
        x1[k] = dx[k] * ScaleX;
        y1[k] = dy[k] * ScaleY;
        magnitude[k] = std::sqrt(x1[k] * x1[k] + y1[k] * y1[k]);
        ToReferenceFrame(x1[k], y1[k], frameX[k], frameY[k]);
    }
    Scatter(object, frameX, targetX[0]);
    Scatter(object, frameY, targetY[0]);
    Scatter(object, x1, targetX[1]);
    Scatter(object, y1, targetY[1]);
    Scatter(object, magnitude, targetNorm);
    return 0;
}

int TCalcul::ComputeVelocity(int object, std::uint8_t smoothing)
{
    return ComputeVector(object, (smoothing & smoothVelocity) != 0, false, &TCompactSeries::Vx,
                         &TCompactSeries::Vy, &TCompactSeries::V, VelX, VelY, Speed);
}

int TCalcul::ComputeAcceleration(int object, std::uint8_t smoothing)
{
    return ComputeVector(object, (smoothing & smoothAcceleration) != 0, true, &TCompactSeries::Ax,
                         &TCompactSeries::Ay, &TCompactSeries::A, AccX, AccY, AccNorm);
}

int TCalcul::ComputePolar(int object, std::uint8_t smoothing)
{
    if (object < 0 || object >= ObjectCount || object >= static_cast<int>(Compact.size()))
        return calcNoObject;
    constexpr double pi = std::numbers::pi;
    TCompactSeries& series = Compact[object];
    const std::size_t n = series.X.size();
    series.Angle.assign(n, 0.0);
    series.Radius.assign(n, 0.0);
    // The angle follows the object across the negative x axis: each crossing of the cut adds or removes
    // a whole turn, so the series stays continuous and starts within (-pi, pi].
    double offset = 0.0;
    double previous = n > 0 ? std::atan2(series.Y[0], series.X[0]) : 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const double phi = std::atan2(series.Y[k], series.X[k]);
        const double d = phi - previous;
        if (d >= pi)
            offset -= 2.0 * pi;
        if (d <= -pi)
            offset += 2.0 * pi;
        series.Angle[k] = phi + offset;
        previous = phi;
        series.Radius[k] = std::sqrt(series.X[k] * series.X[k] + series.Y[k] * series.Y[k]);
    }
    TDeriv deriv;
    deriv.Prepare(series.Key, series.Angle, FPeriod);
    const int code = deriv.Derive((smoothing & smoothVelocity) != 0);
    // Without an angular velocity the angle and radius, which need no derivation, are still written;
    // the angular velocity of the marked rows becomes non-defined rather than keeping older values.
    series.AngularVelocity = code == 0 ? deriv.FirstDerivative : std::vector<double>(n, NonDefini());
    Scatter(object, series.Angle, Angle);
    Scatter(object, series.Radius, Radius);
    Scatter(object, series.AngularVelocity, AngularVelocity);
    return code;
}

int TCalcul::ComputeDerivatives(std::uint8_t smoothing)
{
    // A table whose positions could not be built has nothing to derive.
    if (FBuildCode != calcOk)
        return FBuildCode;
    if (ObjectCount == 0)
        return calcNoObject;
    int r = 0;
    for (int p = 0; p < ObjectCount; ++p) {
        const int velocity = ComputeVelocity(p, smoothing);
        const int acceleration = ComputeAcceleration(p, smoothing);
        // The first failure stops the computation, whichever of the two it comes from.
        r = velocity != 0 ? velocity : acceleration;
        if (r != 0)
            return r;
        ComputePolar(p, smoothing);
    }
    return r;
}

// ---------------------------------------------------------------------------------------------------
// TResCalc

TResCalc::TResCalc() = default;

void TResCalc::SetSource(const TCalcSource* source)
{
    FSource = source;
    FLayer.SetSource(source);
    FGrid.SetSource(source);
}

TCalcul& TResCalc::Current()
{
    return (IsLayerMode && IsLayerMode()) ? FLayer : FGrid;
}

const TCalcul& TResCalc::Current() const
{
    return (IsLayerMode && IsLayerMode()) ? FLayer : FGrid;
}

TCalcul* TResCalc::Selected(int kind)
{
    switch (kind) {
    case kindCurrent:
        return &Current();
    case kindLayer:
        return &FLayer;
    case kindGrid:
        return &FGrid;
    default:
        return nullptr;
    }
}

const TCalcul* TResCalc::Selected(int kind) const
{
    switch (kind) {
    case kindCurrent:
        return &Current();
    case kindLayer:
        return &FLayer;
    case kindGrid:
        return &FGrid;
    default:
        return nullptr;
    }
}

void TResCalc::Invalidate(int kind)
{
    if (TCalcul* one = Selected(kind)) {
        one->Dirty = true;
        return;
    }
    FLayer.Dirty = true;
    FGrid.Dirty = true;
}

bool TResCalc::IsDirty(int kind) const
{
    if (const TCalcul* one = Selected(kind))
        return one->Dirty;
    return FLayer.Dirty || FGrid.Dirty;
}

int TResCalc::BuildPositions(int kind)
{
    if (TCalcul* one = Selected(kind))
        return one->BuildPositions();
    const int layer = FLayer.BuildPositions();
    const int grid = FGrid.BuildPositions();
    return layer != 0 ? layer : grid;
}

bool TResCalc::ComputeDerivatives(int kind, std::uint8_t smoothing)
{
    if (TCalcul* one = Selected(kind))
        return one->ComputeDerivatives(smoothing) == 0;
    const int layer = FLayer.ComputeDerivatives(smoothing);
    const int grid = FGrid.ComputeDerivatives(smoothing);
    return layer == 0 && grid == 0;
}

std::pair<double, double> TResCalc::ScaleFactors() const
{
    return {Current().ScaleX, Current().ScaleY};
}

int TResCalc::RowCount() const
{
    return Current().RowCount();
}

double TResCalc::TimeAt(int row) const
{
    const TCalcul& c = Current();
    return (row >= 0 && row < c.RowCount()) ? c.Times[row] : 0.0;
}

std::vector<double> TResCalc::Times() const
{
    return Current().Times;
}

TIntegerDynArray TResCalc::RowNumbers() const
{
    return Current().RowNumbers;
}

int TResCalc::KeyAt(int object, int row) const
{
    const TCalcul& c = Current();
    if (object < 0 || object >= static_cast<int>(c.Keys.size()) || row < 0 || row >= c.RowCount())
        return 0;
    return c.Keys[object][row];
}

TIntegerDynArray TResCalc::Keys(int object) const
{
    const TCalcul& c = Current();
    if (object < 0 || object >= static_cast<int>(c.Keys.size()))
        return {};
    return c.Keys[object];
}

const TMatriceD* TResCalc::Matrix(int variant, TColumnKind kind) const
{
    const TCalcul& c = Current();
    const int v = variant == 1 ? 1 : 0;
    switch (kind) {
    case ckX:
        return &c.PosX[v];
    case ckY:
        return &c.PosY[v];
    case ckVx:
        return &c.VelX[v];
    case ckVy:
        return &c.VelY[v];
    case ckV:
        return &c.Speed;
    case ckAx:
        return &c.AccX[v];
    case ckAy:
        return &c.AccY[v];
    case ckA:
        return &c.AccNorm;
    case ckTheta:
        return &c.Angle;
    case ckR:
        return &c.Radius;
    case ckOmega:
        return &c.AngularVelocity;
    default:
        return nullptr;
    }
}

double TResCalc::Value(int variant, int object, TColumnKind kind, int row) const
{
    const TCalcul& c = Current();
    if (row < 0 || row >= c.RowCount())
        return 0.0;
    if (kind == ckTime)
        return c.Times[row];
    const TMatriceD* m = Matrix(variant, kind);
    if (!m || object < 0 || object >= static_cast<int>(m->size()))
        return 0.0;
    return (*m)[object][row];
}

TMatriceD TResCalc::Series(int variant, TColumnKind kind) const
{
    const TCalcul& c = Current();
    if (kind == ckTime)
        return TMatriceD(c.ObjectCount, c.Times);
    if (const TMatriceD* m = Matrix(variant, kind))
        return *m;
    return TMatriceD(c.ObjectCount, std::vector<double>(c.RowCount(), 0.0));
}

double TResCalc::MaxValue(int variant, int object, TColumnKind kind) const
{
    const TCalcul& c = Current();
    double best = -TooBigLimit;
    if (object < 0 || object >= static_cast<int>(c.Keys.size()))
        return best;
    for (int r = 0; r < c.RowCount(); ++r)
        if (c.Keys[object][r] >= 0) {
            const double v = Value(variant, object, kind, r);
            if (v > best)
                best = v;
        }
    return best;
}

double TResCalc::MinValue(int variant, int object, TColumnKind kind) const
{
    const TCalcul& c = Current();
    double best = TooBigLimit;
    if (object < 0 || object >= static_cast<int>(c.Keys.size()))
        return best;
    for (int r = 0; r < c.RowCount(); ++r)
        if (c.Keys[object][r] >= 0) {
            const double v = Value(variant, object, kind, r);
            if (v < best)
                best = v;
        }
    return best;
}

double TResCalc::MaxOverObjects(int variant, TColumnKind kind) const
{
    double best = -TooBigLimit;
    for (int p = 0; p < static_cast<int>(Current().Keys.size()); ++p) {
        const double v = MaxValue(variant, p, kind);
        if (v > best)
            best = v;
    }
    return best;
}

double TResCalc::MinOverObjects(int variant, TColumnKind kind) const
{
    double best = TooBigLimit;
    for (int p = 0; p < static_cast<int>(Current().Keys.size()); ++p) {
        const double v = MinValue(variant, p, kind);
        if (v < best)
            best = v;
    }
    return best;
}

int TResCalc::RowLabel(int row) const
{
    return (FSource && FSource->StartByZero()) ? row : row + 1;
}

TLabelledPoints TResCalc::RelativeTrajectory(int object, int other) const
{
    const TCalcul& c = Current();
    TLabelledPoints result;
    const int objects = static_cast<int>(c.Keys.size());
    if (object < 0 || object >= objects || other < -1 || other >= objects)
        return result;
    if (other == object) {
        result.Points.emplace_back(0.0, 0.0);
        result.Labels.push_back(RowLabel(0));
        return result;
    }
    for (int r = 0; r < c.RowCount(); ++r) {
        if (c.Keys[object][r] < 0 || (other >= 0 && c.Keys[other][r] < 0))
            continue;
        double x = c.PosX[0][object][r];
        double y = c.PosY[0][object][r];
        if (other >= 0) {
            x -= c.PosX[0][other][r];
            y -= c.PosY[0][other][r];
        }
        result.Points.emplace_back(x, y);
        result.Labels.push_back(RowLabel(r));
    }
    return result;
}

TLabelledPoints TResCalc::PointSeries(int variant, int object, TColumnKind ordinate,
                                      TColumnKind abscissa) const
{
    const TCalcul& c = Current();
    TLabelledPoints result;
    if (object < 0 || object >= static_cast<int>(c.Keys.size()))
        return result;
    for (int r = 0; r < c.RowCount(); ++r) {
        if (c.Keys[object][r] < 0)
            continue;
        result.Points.emplace_back(Value(variant, object, abscissa, r), Value(variant, object, ordinate, r));
        result.Labels.push_back(RowLabel(r));
    }
    return result;
}

// ---------------------------------------------------------------------------------------------------
// Columns

namespace {
// Code 9 names nothing: it stands for a column outside the table.
constexpr TColumnKind NoKind = 9;
} // namespace

TColumnKind TResCalc::ColumnKindOf(int column, int objectCount)
{
    const int n = objectCount;
    if (column == 0)
        return ckTime;
    if (column < 0 || n <= 0 || column > 11 * n)
        return NoKind;
    if (column <= 2 * n)
        return column % 2 == 1 ? ckX : ckY;
    static constexpr TColumnKind groups[3][3] = {
        {ckV, ckVx, ckVy},
        {ckA, ckAx, ckAy},
        {ckOmega, ckTheta, ckR},
    };
    // Three columns per object from 2N + 1 on: the remainder of d = column - start picks the quantity.
    const int group = column <= 5 * n ? 0 : column <= 8 * n ? 1 : 2;
    const int d = column - (2 + 3 * group) * n;
    return groups[group][d % 3];
}

int TResCalc::ColumnObjectOf(int column, int objectCount)
{
    const int n = objectCount;
    if (column <= 0 || n <= 0 || column > 11 * n)
        return -1;
    if (column <= 2 * n)
        return (column + 1) / 2 - 1;
    const int group = column <= 5 * n ? 0 : column <= 8 * n ? 1 : 2;
    const int d = column - (2 + 3 * group) * n;
    return (d + 2) / 3 - 1;
}

QString TResCalc::KindSymbol(TColumnKind kind)
{
    switch (kind) {
    case ckTime:
        return QStringLiteral("t");
    case ckX:
        return QStringLiteral("x");
    case ckY:
        return QStringLiteral("y");
    case ckVx:
        return QStringLiteral("vx");
    case ckVy:
        return QStringLiteral("vy");
    case ckV:
        return QStringLiteral("v");
    case ckAx:
        return QStringLiteral("ax");
    case ckAy:
        return QStringLiteral("ay");
    case ckA:
        return QStringLiteral("a");
    case ckTheta:
        return QStringLiteral("O");
    case ckR:
        return QStringLiteral("R");
    case ckOmega:
        return QStringLiteral("w");
    default:
        return QString();
    }
}

QString TResCalc::KindUnit(TColumnKind kind)
{
    switch (kind) {
    case ckTime:
        return QStringLiteral("s");
    case ckX:
    case ckY:
    case ckR:
        return QStringLiteral("m");
    case ckVx:
    case ckVy:
    case ckV:
        return QStringLiteral("m/s");
    case ckAx:
    case ckAy:
    case ckA:
        return QStringLiteral("m/s²");
    case ckTheta:
        return QStringLiteral("rad");
    case ckOmega:
        return QStringLiteral("rad/s");
    default:
        return QString();
    }
}

QString TResCalc::KindTitle(TColumnKind kind)
{
    switch (kind) {
    case ckTime:
        return QStringLiteral("time");
    case ckX:
        return QStringLiteral("Abscissa");
    case ckY:
        return QStringLiteral("Ordinates");
    case ckVx:
        return QStringLiteral("x-component of velocity");
    case ckVy:
        return QStringLiteral("y-component of velocity");
    case ckV:
        return QStringLiteral("Value of velocity");
    case ckAx:
        return QStringLiteral("x-component of acceleration");
    case ckAy:
        return QStringLiteral("y-component of acceleration");
    case ckA:
        return QStringLiteral("Value of acceleration");
    case ckTheta:
        return QStringLiteral("Angular coordinate");
    case ckR:
        return QStringLiteral("Radial coordinate");
    case ckOmega:
        return QStringLiteral("Angular velocity value");
    default:
        return QString();
    }
}

int TResCalc::ColumnCount() const
{
    return 1 + 11 * Current().ObjectCount;
}

QString TResCalc::ColumnSymbol(int column) const
{
    const int n = Current().ObjectCount;
    const TColumnKind kind = ColumnKindOf(column, n);
    if (kind == ckTime || kind == NoKind)
        return KindSymbol(kind);
    // With a single object the plain symbol, else the object number after it (x1, vy2, w3).
    if (n <= 1)
        return KindSymbol(kind);
    return KindSymbol(kind) + QString::number(ColumnObjectOf(column, n) + 1);
}

QString TResCalc::ColumnTitle(int column) const
{
    const TCalcul& c = Current();
    const TColumnKind kind = ColumnKindOf(column, c.ObjectCount);
    if (kind == ckTime || kind == NoKind)
        return KindTitle(kind);
    const int object = ColumnObjectOf(column, c.ObjectCount);
    const QString name = FSource ? FSource->ObjectName(c.IsLayer(), object)
                                 : QStringLiteral("of point n°") + QString::number(object + 1);
    return KindTitle(kind) + QLatin1Char(' ') + name;
}
