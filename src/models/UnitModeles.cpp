// The model family: fits, limits, statistics, description lines, zones and drags of the model modifier.
#include "models/UnitModeles.h"

#include "calc/UnitMoindresCarres.h"
#include "common/UnitFormat.h"
#include "common/UnitTypes.h"
#include "models/UnitMarquardt.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Infinity = std::numeric_limits<double>::infinity();
// A pointer within this many pixels of the curve is on it.
constexpr double CurveTolerance = 5.0;
// Window pixels per pointer pixel of the period and damping drags, before the slow-down.
constexpr double PeriodRate = 2.0;
constexpr double DampingRate = 1.0;

const QString AllLetters = QStringLiteral("rbcdk");

bool IsFinite(double v)
{
    return std::isfinite(v);
}

bool UsableRange(double range)
{
    const double a = std::fabs(range);
    return a >= 1e-100 && a <= 1e100;
}

// Standard errors of polynomial coefficients (power basis in x, p of them) from the usual least-squares
// covariance, computed on the centred and scaled abscissa and carried over to x.
bool PolyStdErrors(const std::vector<double>& x, double sumSquares, int p, std::vector<double>& se)
{
    const int n = static_cast<int>(x.size());
    if (n <= p || p < 1)
        return false;
    const double m = std::accumulate(x.begin(), x.end(), 0.0) / n;
    double h = 0.0;
    for (double v : x)
        h = std::max(h, std::fabs(v - m));
    if (p > 1 && !(h > 0.0))
        return false;
    if (!(h > 0.0))
        h = 1.0;
    TMatriceD a(p, std::vector<double>(p, 0.0));
    for (double v : x) {
        const double u = (v - m) / h;
        double pi = 1.0;
        std::vector<double> phi(p);
        for (int j = 0; j < p; ++j) {
            phi[j] = pi;
            pi *= u;
        }
        for (int i = 0; i < p; ++i)
            for (int j = 0; j < p; ++j)
                a[i][j] += phi[i] * phi[j];
    }
    TMatriceD inv(p, std::vector<double>(p));
    for (int j = 0; j < p; ++j) {
        std::vector<double> e(p, 0.0), col;
        e[j] = 1.0;
        if (SolveLinear(a, e, col) != 0)
            return false;
        for (int i = 0; i < p; ++i)
            inv[i][j] = col[i];
    }
    // Coefficient of x^k in ((x - m) / h)^j: C(j, k).(-m)^(j - k) / h^j.
    TMatriceD t(p, std::vector<double>(p, 0.0));
    for (int j = 0; j < p; ++j)
        for (int k = 0; k <= j; ++k) {
            double binom = 1.0;
            for (int i = 0; i < k; ++i)
                binom = binom * (j - i) / (i + 1);
            t[k][j] = binom * std::pow(-m, j - k) / std::pow(h, j);
        }
    const double sigma2 = sumSquares / (n - p);
    se.assign(p, 0.0);
    for (int k = 0; k < p; ++k) {
        double var = 0.0;
        for (int i = 0; i < p; ++i)
            for (int j = 0; j < p; ++j)
                var += t[k][i] * inv[i][j] * t[k][j];
        var *= sigma2;
        if (!(var >= 0.0) || !IsFinite(var))
            return false;
        se[k] = std::sqrt(var);
    }
    return true;
}

// A value with its uncertainty, both to the decimal place of the uncertainty's last significant digit:
// two digits when it begins with 1, one otherwise ("-4.905 ± 0.012", "2.6287 ± 0.0004"). Scientific
// notation with one exponent for both when the place is far from the units. An uncertainty of 0 leaves
// the value in the number rule of the datasheet ("2.000 ± 0").
QString ValueWithError(double value, double error)
{
    if (!IsFinite(value) || !IsFinite(error) || error < 0.0)
        return FormatSignificant(0, value);
    // An error below the precision of the value itself is none (exact data).
    if (error <= 1e-12 * std::fabs(value))
        return FormatSignificant(0, value) + QStringLiteral(" ± 0");
    int place = static_cast<int>(std::floor(std::log10(error)));
    const double lead = error / std::pow(10.0, place);
    int digits = lead < 1.95 ? 2 : 1;
    // Rounding may carry into the next digit (0.096 -> 0.1).
    const double rounded =
        std::round(error / std::pow(10.0, place - digits + 1)) * std::pow(10.0, place - digits + 1);
    if (rounded >= std::pow(10.0, place + 1)) {
        ++place;
        digits = 2; // it now begins with 1
    }
    const int last = place - digits + 1; // power of ten of the last digit shown
    const QString point = QLocale().decimalPoint();
    auto tidy = [&](QString text) {
        if (text.startsWith(QLatin1Char('-')) && !text.contains(QRegularExpression(QStringLiteral("[1-9]"))))
            text.remove(0, 1); // no "-0.00"
        return text.replace(QLatin1Char('.'), point);
    };
    const double magnitude = std::max(std::fabs(value), error);
    const int top = static_cast<int>(std::floor(std::log10(magnitude)));
    if (last <= 0 && last >= -9 && top < 6)
        return tidy(QString::number(value, 'f', -last)) + QStringLiteral(" ± ") +
               tidy(QString::number(error, 'f', -last));
    if (last > 0 && top < 9)
        return tidy(
                   QString::number(std::round(value / std::pow(10.0, last)) * std::pow(10.0, last), 'f', 0)) +
               QStringLiteral(" ± ") +
               tidy(QString::number(std::round(error / std::pow(10.0, last)) * std::pow(10.0, last), 'f', 0));
    // Mantissas on the exponent of the larger of the two.
    const double scale = std::pow(10.0, top);
    const int decimals = std::max(0, top - last);
    return QStringLiteral("(") + tidy(QString::number(value / scale, 'f', decimals)) + QStringLiteral(" ± ") +
           tidy(QString::number(error / scale, 'f', decimals)) + QStringLiteral(")E") +
           (top >= 0 ? QStringLiteral("+") : QString()) + QString::number(top);
}

const QString NoUnit = QStringLiteral("no unit");

bool HasUnit(const QString& unit)
{
    return !unit.isEmpty() && unit != NoUnit;
}

QString PowerSuffix(int power)
{
    switch (power) {
    case 1:
        return QString();
    case 2:
        return QStringLiteral("²");
    case 3:
        return QStringLiteral("³");
    default:
        return QStringLiteral("^") + QString::number(power);
    }
}

// The unit of a quantity in `unit` divided by `per` to the power p: "m" per "s"² is "m/s²", "m/s" per "s"
// is "m/s²", "m" per "m" has none. Empty when the numerator's unit is not known.
QString UnitPer(const QString& unit, const QString& per, int power)
{
    if (!HasUnit(unit))
        return QString();
    if (!HasUnit(per))
        return unit;
    if (unit == per)
        return power == 1 ? QString() : QStringLiteral("1/") + per + PowerSuffix(power - 1);
    const qsizetype slash = unit.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        const QString numerator = unit.left(slash), denominator = unit.mid(slash + 1);
        for (int q = 1; q <= 3; ++q)
            if (denominator == per + PowerSuffix(q))
                return numerator + QLatin1Char('/') + per + PowerSuffix(q + power);
        return QLatin1Char('(') + unit + QStringLiteral(")/") + per + PowerSuffix(power);
    }
    return unit + QLatin1Char('/') + per + PowerSuffix(power);
}

// The unit of one over a quantity in `unit`: "Hz" for seconds.
QString InverseUnit(const QString& unit)
{
    if (!HasUnit(unit))
        return QString();
    return unit == QStringLiteral("s") ? QStringLiteral("Hz") : QStringLiteral("1/") + unit;
}

bool IsLengthUnit(const QString& unit)
{
    static const QStringList lengths = {QStringLiteral("m"),  QStringLiteral("cm"),   QStringLiteral("mm"),
                                        QStringLiteral("km"), QStringLiteral("dm"),   QStringLiteral("µm"),
                                        QStringLiteral("px"), QStringLiteral("pixel")};
    return lengths.contains(unit);
}

bool IsAngleUnit(const QString& unit)
{
    return unit == QStringLiteral("rad") || unit == QStringLiteral("°") || unit == QStringLiteral("deg");
}

int ParameterCountOf(int kind)
{
    switch (kind) {
    case mkAffine:
    case mkConstant:
    case mkProportionnel:
        return 2;
    case mkExponentiel:
    case mkParabole:
        return 3;
    case mkSinus:
        return 4;
    default:
        return 5;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TMdl

TMdl::TMdl(int kind) : Params(ParameterCountOf(kind), 0.0), FKind(kind) {}

double TMdl::Parameter(int index) const
{
    return index >= 0 && index < static_cast<int>(Params.size()) ? Params[index] : NonDefini();
}

void TMdl::FinitePoints(std::vector<double>& x, std::vector<double>& y) const
{
    x.clear();
    y.clear();
    const std::size_t n = std::min(DataX.size(), DataY.size());
    for (std::size_t i = 0; i < n; ++i)
        if (IsFinite(DataX[i]) && IsFinite(DataY[i])) {
            x.push_back(DataX[i]);
            y.push_back(DataY[i]);
        }
}

void TMdl::Fit(const std::vector<double>& x, const std::vector<double>& y)
{
    DataX = x;
    DataY = y;
    std::vector<double> fx, fy;
    FinitePoints(fx, fy);
    StdErrors.clear();
    Iterations = 0;
    DoFit(fx, fy);
    const std::vector<double> fitted = Params;
    Constrain(true);
    if (Params != fitted)
        StdErrors.clear(); // the limits moved the parameters away from the optimum
    Statistics();
    Describe(FYName, FXName);
    ParamsChanged = true;
    Notify();
}

void TMdl::SetArea(int left, int top, int width, int height)
{
    Left = left;
    Top = top;
    Width = width;
    Height = height;
}

void TMdl::SetParameter(int index, double value)
{
    if (index < 0 || index >= static_cast<int>(Params.size()) || !IsFinite(value))
        return;
    if (Params[index] == value)
        return;
    Params[index] = value;
    ParamsChanged = true;
    ParametersChanged();
}

void TMdl::SetWorld(double xmin, double xmax, double ymin, double ymax)
{
    XMin = xmin;
    XMax = xmax;
    YMin = ymin;
    YMax = ymax;
}

void TMdl::Constrain(bool) {}

void TMdl::ParametersChanged()
{
    StdErrors.clear(); // they belong to the fitted optimum only
    Constrain(false);
    Statistics();
    Describe(FYName, FXName);
    Notify();
}

void TMdl::Notify()
{
    bool differs = false;
    for (std::size_t i = 0; i < 5; ++i) {
        const double v = i < Params.size() ? Params[i] : 0.0;
        if (v != SavedParams[i]) {
            differs = true;
            SavedParams[i] = v;
        }
    }
    if (!differs)
        return;
    Changed = true;
    if (OnChange)
        OnChange(*this);
}

void TMdl::Statistics()
{
    std::vector<double> x, y;
    FinitePoints(x, y);
    const std::size_t n = x.size();
    Correlation = 0.0;
    if (n == 0) {
        QuadraticVariation = 0.0;
        RelativePrecision = 0.0;
        return;
    }
    std::vector<double> f(n);
    double ss = 0.0, sy2 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        f[i] = Value(x[i]);
        const double r = y[i] - f[i];
        ss += r * r;
        sy2 += y[i] * y[i];
    }
    if (!IsFinite(ss) || !IsFinite(sy2)) {
        QuadraticVariation = -1.0;
        RelativePrecision = -1.0;
        return;
    }
    QuadraticVariation = std::sqrt(ss / static_cast<double>(n));
    RelativePrecision = sy2 < 1e-100 ? 0.0 : std::sqrt(ss / sy2);
    if (HasCorrelation()) {
        const double my = std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(n);
        const double mf = std::accumulate(f.begin(), f.end(), 0.0) / static_cast<double>(n);
        double syy = 0.0, sff = 0.0, syf = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            syy += (y[i] - my) * (y[i] - my);
            sff += (f[i] - mf) * (f[i] - mf);
            syf += (y[i] - my) * (f[i] - mf);
        }
        if (syy >= 1e-100 && sff >= 1e-100 && IsFinite(syf))
            Correlation = syf / (std::sqrt(syy) * std::sqrt(sff));
    }
}

QString TMdl::EquationLine(const QString& yName, const QString& xName) const
{
    QString format = EquationFormat();
    format.replace(QLatin1Char('t'), xName);
    const QString letters = Letters();
    QString text;
    int used = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('%') && i + 1 < format.size() && format[i + 1] == QLatin1Char('s')) {
            text += used < letters.size() ? QString(letters[used]) : QString();
            ++used;
            ++i;
        } else {
            text += format[i];
        }
    }
    return yName + QStringLiteral(" = ") + text;
}

double TMdl::StdErrorOf(QChar letter) const
{
    const QString letters = FittedLetters();
    const qsizetype i = letters.indexOf(letter);
    if (i < 0 || static_cast<qsizetype>(StdErrors.size()) != letters.size())
        return std::numeric_limits<double>::quiet_NaN();
    return StdErrors[std::size_t(i)];
}

QString TMdl::ParameterText(QChar letter) const
{
    const double value = Parameter(static_cast<int>(AllLetters.indexOf(letter)));
    const double error = StdErrorOf(letter);
    return QString(letter) + QStringLiteral(" = ") +
           (std::isnan(error) ? FormatSignificant(0, value) : ValueWithError(value, error));
}

QString TMdl::ReadingText(const QString& label, double value, double error, const QString& unit)
{
    return label + QStringLiteral(" = ") +
           (std::isnan(error) ? FormatSignificant(0, value) : ValueWithError(value, error)) +
           (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
}

QStringList TMdl::ParameterLines(const QString&, const QString&) const
{
    QStringList lines;
    for (QChar letter : Letters())
        lines << ParameterText(letter);
    return lines;
}

QStringList TMdl::EquationLines() const
{
    QStringList lines;
    lines << QStringLiteral("Model") + QStringLiteral(": ") + EquationLine(FYName, FXName);
    lines << ParameterLines(FYName, FXName);
    const QString reading = ReadingLine();
    if (!reading.isEmpty())
        lines << reading;
    return lines;
}

void TMdl::SetUnits(const QString& xUnit, const QString& yUnit)
{
    FXUnit = HasUnit(xUnit) ? xUnit : QString();
    FYUnit = HasUnit(yUnit) ? yUnit : QString();
    Describe(FYName, FXName);
}

QStringList TMdl::StatisticsLines() const
{
    QStringList lines;
    lines << QStringLiteral("Margin of error on y-axis") + QStringLiteral(": ");
    lines << QStringLiteral("- ") + QStringLiteral("relative precision") + QStringLiteral(" = ") +
                 FormatGeneral(100.0 * RelativePrecision, 3) + QStringLiteral("%");
    lines << QStringLiteral("- ") + QStringLiteral("average quadratic variation") + QStringLiteral(" = ") +
                 FormatGeneral(QuadraticVariation, 3);
    if (HasCorrelation())
        lines << QStringLiteral("- ") + QStringLiteral("correlation coefficient") + QStringLiteral(" = ") +
                     FormatGeneral(Correlation, 2);
    return lines;
}

const QStringList& TMdl::Describe(const QString& yName, const QString& xName)
{
    FYName = yName;
    FXName = xName;
    Lines = EquationLines() + StatisticsLines();
    return Lines;
}

bool TMdl::WorldToPixel(double x, double y, QPoint& pixel) const
{
    const double xr = XMax - XMin, yr = YMax - YMin;
    if (!UsableRange(xr) || !UsableRange(yr) || Width <= 0 || Height <= 0 || !IsFinite(x) || !IsFinite(y))
        return false;
    const double limit = 2147483647.0;
    const double px = std::clamp(std::round(Left + (x - XMin) * Width / xr), -limit, limit);
    const double py = std::clamp(std::round(Top + Height - (y - YMin) * Height / yr), -limit, limit);
    pixel = QPoint(static_cast<int>(px), static_cast<int>(py));
    return true;
}

bool TMdl::PixelToWorld(double px, double py, double& x, double& y) const
{
    const double xr = XMax - XMin, yr = YMax - YMin;
    if (!UsableRange(xr) || !UsableRange(yr) || Width <= 0 || Height <= 0)
        return false;
    x = XMin + (px - Left) * xr / Width;
    y = YMin + (Top + Height - py) * yr / Height;
    return true;
}

double TMdl::UnitsPerPixelX() const
{
    const double xr = XMax - XMin;
    return UsableRange(xr) && Width > 0 ? std::fabs(xr) / Width : 0.0;
}

double TMdl::UnitsPerPixelY() const
{
    const double yr = YMax - YMin;
    return UsableRange(yr) && Height > 0 ? std::fabs(yr) / Height : 0.0;
}

std::vector<QPointF> TMdl::CurvePoints() const
{
    std::vector<QPointF> points;
    const double xr = XMax - XMin;
    if (!UsableRange(xr) || Width <= 0)
        return points;
    points.reserve(Width + 1);
    for (int i = 0; i <= Width; ++i) {
        const double x = XMin + xr * i / Width;
        const double y = Value(x);
        if (IsFinite(y))
            points.emplace_back(x, y);
    }
    return points;
}

double TMdl::PixelDistance(double x, double y, double sx, double sy) const
{
    const double f = Value(x);
    if (!IsFinite(f) || !(sx > 0.0) || !(sy > 0.0))
        return Infinity;
    const double fl = Value(x - sx), fr = Value(x + sx);
    double slope = 0.0; // pixels per pixel
    if (IsFinite(fl) && IsFinite(fr))
        slope = (fr - fl) / (2.0 * sy);
    return std::fabs(y - f) / sy / std::sqrt(1.0 + slope * slope);
}

int TMdl::Zone(int px, int py) const
{
    double x = 0.0, y = 0.0;
    if (!PixelToWorld(px, py, x, y))
        return NoZone;
    return ZoneAt(x, y, UnitsPerPixelX(), UnitsPerPixelY());
}

int TMdl::BeginDrag(int px, int py)
{
    FDragZone = Zone(px, py);
    FDragMode = DragModeFor(FDragZone);
    if (!PixelToWorld(px, py, FGrabX, FGrabY))
        FDragMode = dmNone;
    FPivotSet = false;
    return FDragMode;
}

void TMdl::EndDrag()
{
    FDragMode = dmNone;
    FDragZone = NoZone;
    Statistics();
    Describe(FYName, FXName);
}

void TMdl::Reshape(int, int) {}
void TMdl::ChangeDamping(int, int) {}
void TMdl::ChangeAmplitude(int) {}
void TMdl::ChangePeriod(int, int) {}
void TMdl::Translate(int, int) {}

bool TMdl::ApplyDrag(const std::vector<double>& params)
{
    for (double v : params)
        if (!IsFinite(v) || std::fabs(v) > 1e100)
            return false;
    if (params == Params)
        return true;
    Params = params;
    ParamsChanged = true;
    ParametersChanged();
    return true;
}

double TMdl::SlowDown(int shift)
{
    if (shift & ssAlt)
        return 0.01;
    if (shift & ssCtrl)
        return 0.1;
    return 1.0;
}

// ---------------------------------------------------------------------------------------------------
// Straight lines

TMdlLineaire::TMdlLineaire(int kind) : TMdl(kind) {}

double TMdlLineaire::Value(double x) const
{
    return Params[0] + Params[1] * x;
}

QString TMdlLineaire::Letters() const
{
    switch (Kind()) {
    case mkConstant:
        return QStringLiteral("r");
    case mkProportionnel:
        return QStringLiteral("b");
    default:
        return QStringLiteral("rb");
    }
}

QString TMdlLineaire::FittedLetters() const
{
    return Letters();
}

QString TMdlLineaire::ReadingLine() const
{
    if (Kind() == mkConstant)
        return QString(); // its one parameter is the reading
    const QString label =
        TimeAbscissa() ? QStringLiteral("slope b") : QStringLiteral("slope b against ") + FXName;
    return ReadingText(label, Params[1], StdErrorOf(QLatin1Char('b')), UnitPer(FYUnit, FXUnit, 1));
}

QString TMdlLineaire::EquationFormat() const
{
    switch (Kind()) {
    case mkConstant:
        return QStringLiteral("%s");
    case mkProportionnel:
        return QStringLiteral("%s.t");
    default:
        return QStringLiteral("%s + %s.t");
    }
}

bool TMdlLineaire::HasCorrelation() const
{
    return Kind() != mkConstant;
}

void TMdlLineaire::DoFit(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t n = x.size();
    double ss = 0.0;
    auto sumSquares = [&] {
        ss = 0.0;
        for (std::size_t i = 0; i < n; ++i)
            ss += (y[i] - Value(x[i])) * (y[i] - Value(x[i]));
    };
    std::vector<double> se;
    if (Kind() == mkProportionnel) {
        if (n == 0) {
            FitCode = pfTooFewPoints;
            return;
        }
        const double mx = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(n);
        const double my = std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(n);
        if (std::fabs(mx) < 1e-100 || std::fabs(my) > 1e100) {
            FitCode = pfSingular;
            return;
        }
        Params = {0.0, my / mx};
        FitCode = pfOk;
        // b = sum y / sum x: var(b) = n.sigma^2 / (sum x)^2.
        sumSquares();
        if (n > 1)
            StdErrors = {std::sqrt(ss / static_cast<double>(n - 1) / static_cast<double>(n)) / std::fabs(mx)};
        return;
    }
    TMoindresCarres lsq;
    std::vector<double> c;
    const int m = Kind() == mkConstant ? 1 : 2;
    FitCode = lsq.PolyFit(m, x, y, c);
    if (FitCode == pfOk) {
        Params = {c[0], c.size() > 1 ? c[1] : 0.0};
    } else if (Kind() == mkConstant && n >= 1) {
        // One point or a vertical set of points: the constant is still the mean of y.
        Params = {std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(n), 0.0};
        FitCode = pfOk;
    } else {
        return;
    }
    sumSquares();
    if (PolyStdErrors(x, ss, m, se))
        StdErrors = se;
}

void TMdlLineaire::Constrain(bool)
{
    // The line must stay drawable: the slope within 1e10 pixels per pixel, the offset within 1e4
    // heights of the window.
    const double xr = XMax - XMin, yr = YMax - YMin;
    if (!UsableRange(xr) || !UsableRange(yr) || Width <= 0 || Height <= 0)
        return;
    const double maxSlope = std::fabs(1e10 * yr / Height * Width / xr);
    Params[1] = std::clamp(Params[1], -maxSlope, maxSlope);
    if (Kind() != mkProportionnel) {
        const double limit = std::fabs(1e4 * yr / Height - Params[1] * XMin + YMin);
        Params[0] = std::clamp(Params[0], -limit, limit);
    } else {
        Params[0] = 0.0;
    }
}

int TMdlLineaire::ZoneAt(double x, double y, double sx, double sy) const
{
    if (PixelDistance(x, y, sx, sy) > CurveTolerance)
        return NoZone;
    const double mid = (XMin + XMax) / 2.0, third = (XMax - XMin) / 3.0;
    switch (Kind()) {
    case mkConstant:
        return 0;
    case mkProportionnel:
        return x < mid ? 0 : 1;
    default:
        return x < XMin + third ? 0 : x > XMax - third ? 1 : 2;
    }
}

int TMdlLineaire::DragModeFor(int zone) const
{
    switch (Kind()) {
    case mkConstant:
        return dmTranslate;
    case mkProportionnel:
        return zone >= 0 ? dmReshape : dmNone;
    default:
        return zone == 0 || zone == 1 ? dmReshape : dmTranslate;
    }
}

void TMdlLineaire::Reshape(int px, int py)
{
    double x = 0.0, y = 0.0;
    if (!PixelToWorld(px, py, x, y))
        return;
    const double sx = UnitsPerPixelX();
    if (Kind() == mkProportionnel) {
        // The line turns about the origin.
        if (std::fabs(x) < sx)
            return;
        ApplyDrag({0.0, y / x});
        return;
    }
    if (Kind() != mkAffine)
        return;
    // The grabbed handle follows the pointer; the line turns about the middle of the other third.
    if (!FPivotSet) {
        const double sixth = (XMax - XMin) / 6.0;
        FPivotX = FDragZone == 0 ? XMax - sixth : XMin + sixth;
        FPivotY = Value(FPivotX);
        FPivotSet = true;
    }
    if (std::fabs(x - FPivotX) < sx)
        return;
    const double b = (y - FPivotY) / (x - FPivotX);
    ApplyDrag({FPivotY - b * FPivotX, b});
}

void TMdlLineaire::Translate(int dx, int dy)
{
    const double ddx = dx * UnitsPerPixelX(), ddy = -dy * UnitsPerPixelY();
    if (Kind() == mkProportionnel)
        return; // the line stays through the origin
    if (Kind() == mkConstant)
        ApplyDrag({Params[0] + ddy, 0.0});
    else
        ApplyDrag({Params[0] - Params[1] * ddx + ddy, Params[1]});
}

// ---------------------------------------------------------------------------------------------------
// Parabola

TMdlParaboleAv::TMdlParaboleAv() : TMdl(mkParabole) {}

double TMdlParaboleAv::Value(double x) const
{
    return Params[0] + Params[1] * x + Params[2] * x * x;
}

void TMdlParaboleAv::DoFit(const std::vector<double>& x, const std::vector<double>& y)
{
    TMoindresCarres lsq;
    std::vector<double> c;
    FitCode = lsq.PolyFit(3, x, y, c);
    if (FitCode != pfOk)
        return;
    Params = {c[0], c.size() > 1 ? c[1] : 0.0, c.size() > 2 ? c[2] : 0.0};
    double ss = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i)
        ss += (y[i] - Value(x[i])) * (y[i] - Value(x[i]));
    std::vector<double> se;
    if (c.size() == 3 && PolyStdErrors(x, ss, 3, se))
        StdErrors = se;
}

double TMdlParaboleAv::Centre() const
{
    const double mid = (XMin + XMax) / 2.0, xr = std::fabs(XMax - XMin);
    if (std::fabs(Params[2]) > 0.0) {
        const double vertex = -Params[1] / (2.0 * Params[2]);
        if (IsFinite(vertex) && vertex >= std::min(XMin, XMax) - xr && vertex <= std::max(XMin, XMax) + xr)
            return vertex;
    }
    return mid;
}

QString TMdlParaboleAv::ReadingLine() const
{
    // The second derivative: an acceleration for a position against time.
    QString label;
    if (!TimeAbscissa())
        label = QStringLiteral("second derivative 2c = d²") + FYName + QStringLiteral("/d") + FXName +
                QStringLiteral("²");
    else if (FYUnit.isEmpty() || IsLengthUnit(FYUnit))
        label = QStringLiteral("acceleration 2c");
    else if (IsAngleUnit(FYUnit))
        label = QStringLiteral("angular acceleration 2c");
    else
        label = QStringLiteral("second derivative 2c = d²") + FYName + QStringLiteral("/dt²");
    return ReadingText(label, 2.0 * Params[2], 2.0 * StdErrorOf(QLatin1Char('c')),
                       UnitPer(FYUnit, FXUnit, 2));
}

int TMdlParaboleAv::ZoneAt(double x, double y, double sx, double sy) const
{
    if (PixelDistance(x, y, sx, sy) > CurveTolerance)
        return NoZone;
    const double centre = Centre();
    if (std::fabs(x - centre) <= std::fabs(XMax - XMin) / 6.0)
        return 0;
    return x < centre ? 1 : 2;
}

int TMdlParaboleAv::DragModeFor(int zone) const
{
    return zone < 1 ? dmTranslate : dmReshape;
}

void TMdlParaboleAv::Reshape(int px, int py)
{
    double x = 0.0, y = 0.0;
    if (!PixelToWorld(px, py, x, y))
        return;
    // The value and the slope at the centre stay; the curvature makes the curve pass through the pointer.
    if (!FPivotSet) {
        FPivotX = Centre();
        FPivotSet = true;
    }
    const double xc = FPivotX;
    const double u = x - xc;
    if (std::fabs(u) < UnitsPerPixelX())
        return;
    const double f = Value(xc), slope = Params[1] + 2.0 * Params[2] * xc;
    const double c = (y - f - slope * u) / (u * u);
    ApplyDrag({f - slope * xc + c * xc * xc, slope - 2.0 * c * xc, c});
}

void TMdlParaboleAv::Translate(int dx, int dy)
{
    const double ddx = dx * UnitsPerPixelX(), ddy = -dy * UnitsPerPixelY();
    const double r = Params[0], b = Params[1], c = Params[2];
    ApplyDrag({r - b * ddx + c * ddx * ddx + ddy, b - 2.0 * c * ddx, c});
}

// ---------------------------------------------------------------------------------------------------
// Exponential

TMdlExponentiel::TMdlExponentiel() : TMdl(mkExponentiel) {}

double TMdlExponentiel::Value(double x) const
{
    return Params[0] + ScaledExp(Params[1], Params[2] * x);
}

void TMdlExponentiel::DoFit(const std::vector<double>& x, const std::vector<double>& y)
{
    TNonLinearInfo info;
    std::vector<double> p;
    FitCode = NonLinearFit(x, y, nlkExponentiel, p, &info);
    if (FitCode == nlTooFewPoints || FitCode == nlUnknownKind)
        return;
    Params = p;
    Iterations = info.Iterations;
    StdErrors = info.StdErrors;
}

QString TMdlExponentiel::ReadingLine() const
{
    // tau = -1/c for a decay (the distance to the asymptote shrinks by e in tau), ln 2 / c for a growth
    // (it doubles in that time); errors se_c / c^2 and ln 2 . se_c / c^2.
    const double c = Params[2], se = StdErrorOf(QLatin1Char('c'));
    if (!(std::fabs(c) > 0.0) || !IsFinite(c))
        return QString();
    const QString what = TimeAbscissa() ? QStringLiteral("time") : FXName;
    if (c < 0.0)
        return ReadingText(what + QStringLiteral(" constant τ = -1/c"), -1.0 / c, se / (c * c), FXUnit);
    const double ln2 = std::log(2.0);
    return ReadingText(QStringLiteral("doubling ") + what + QStringLiteral(" ln2/c"), ln2 / c,
                       ln2 * se / (c * c), FXUnit);
}

int TMdlExponentiel::ZoneAt(double x, double y, double sx, double sy) const
{
    return PixelDistance(x, y, sx, sy) <= CurveTolerance ? 0 : 1;
}

int TMdlExponentiel::DragModeFor(int zone) const
{
    return zone == 0 ? dmTranslate : dmReshape;
}

void TMdlExponentiel::Reshape(int px, int py)
{
    double x = 0.0, y = 0.0;
    if (!PixelToWorld(px, py, x, y))
        return;
    // The asymptote r and the curve's point at the far side of the window stay; the rate makes the
    // curve pass through the pointer.
    if (!FPivotSet) {
        const double tenth = (XMax - XMin) / 10.0;
        const double left = XMin + tenth, right = XMax - tenth;
        FPivotX = std::fabs(FGrabX - left) > std::fabs(FGrabX - right) ? left : right;
        FPivotY = Value(FPivotX);
        FPivotSet = true;
    }
    const double a = FPivotY - Params[0], target = y - Params[0];
    if (std::fabs(x - FPivotX) < UnitsPerPixelX() || !(a * target > 0.0))
        return;
    const double c = std::log(target / a) / (x - FPivotX);
    ApplyDrag({Params[0], ScaledExp(a, -c * FPivotX), c});
}

void TMdlExponentiel::Translate(int dx, int dy)
{
    const double ddx = dx * UnitsPerPixelX(), ddy = -dy * UnitsPerPixelY();
    ApplyDrag({Params[0] + ddy, ScaledExp(Params[1], -Params[2] * ddx), Params[2]});
}

// ---------------------------------------------------------------------------------------------------
// Sines

TMdlSinusPure::TMdlSinusPure(int kind) : TMdl(kind) {}

QString TMdlSinusPure::FittedLetters() const
{
    return Letters();
}

QString TMdlSinusPure::ReadingLine() const
{
    // T = 2 pi / c and f = c / 2 pi; errors 2 pi . se_c / c^2 and se_c / 2 pi.
    const double c = Params[2], se = StdErrorOf(QLatin1Char('c'));
    if (!(c > 0.0) || !IsFinite(c))
        return QString();
    const QString along = TimeAbscissa() ? QString() : QStringLiteral(" in ") + FXName;
    return ReadingText(QStringLiteral("period") + along + QStringLiteral(" T = 2π/c"), 2.0 * Pi / c,
                       2.0 * Pi * se / (c * c), FXUnit) +
           QStringLiteral(", ") +
           ReadingText(QStringLiteral("frequency") + along + QStringLiteral(" f = c/2π"), c / (2.0 * Pi),
                       se / (2.0 * Pi), InverseUnit(FXUnit));
}

double TMdlSinusPure::Value(double x) const
{
    return NonLinearValue(Kind(), Params, x);
}

double TMdlSinusPure::StopTime() const
{
    return Kind() == mkSinusAl ? SinusAlStopTime(Params[2], Params[3], Params[4]) : Infinity;
}

double TMdlSinusPure::Envelope(double x) const
{
    switch (Kind()) {
    case mkSinusAe:
        return std::exp(Params[4] * x);
    case mkSinusAl:
        return 1.0 + Params[4] * std::min(x, StopTime());
    default:
        return 1.0;
    }
}

double TMdlSinusPure::Anchor() const
{
    std::vector<double> x, y;
    FinitePoints(x, y);
    return x.empty() ? XMin : *std::min_element(x.begin(), x.end());
}

void TMdlSinusPure::DoFit(const std::vector<double>& x, const std::vector<double>& y)
{
    TNonLinearInfo info;
    std::vector<double> p;
    FitCode = NonLinearFit(x, y, Kind(), p, &info);
    if (FitCode == nlTooFewPoints || FitCode == nlUnknownKind)
        return;
    Params = p;
    Iterations = info.Iterations;
    StdErrors = info.StdErrors;
}

void TMdlSinusPure::Constrain(bool)
{
    const double xr = XMax - XMin, yr = YMax - YMin;
    if (std::fabs(xr) < 1e-100 || Height <= 0 || Width <= 0 || !UsableRange(yr) || !UsableRange(xr))
        return;
    const double h = std::fabs(1e4 * yr / Height);
    const double u = Width / std::fabs(xr);
    Params[0] = std::clamp(Params[0], YMin - h, YMin + h);
    Params[1] = std::clamp(Params[1], 0.0, h);
    Params[2] = std::clamp(Params[2], 1e-6 * u, 0.25 * u);
    // The half-turn of the phase is kept only when it fits the data better; with no data, or a zero
    // amplitude, the curve is not mirrored back and forth.
    const double previous = Params[3];
    Statistics();
    const double before = QuadraticVariation;
    Params[3] = NormalisedPhase(previous + Pi);
    Statistics();
    if (!(QuadraticVariation >= 0.0 && before >= 0.0 && QuadraticVariation < before))
        Params[3] = previous;
}

int TMdlSinusPure::ZoneAt(double x, double y, double sx, double sy) const
{
    if (PixelDistance(x, y, sx, sy) > CurveTolerance)
        return NoZone;
    if (x >= StopTime() || !(Params[2] > 0.0) || !(Params[1] > 0.0) || !(Envelope(x) > 0.0))
        return 8;
    const double theta = NormalisedPhase(Params[2] * x + Params[3]);
    const double eighth = Pi / 8.0;
    // Octants of a quarter turn's half: left flank, top, top, right flank around pi/2; the same around
    // 3 pi/2 for the bottom.
    static const int top[4] = {3, 1, 2, 0};
    static const int bottom[4] = {7, 5, 6, 4};
    if (theta >= 2 * eighth && theta < 6 * eighth)
        return top[static_cast<int>((theta - 2 * eighth) / eighth)];
    if (theta >= 10 * eighth && theta < 14 * eighth)
        return bottom[static_cast<int>((theta - 10 * eighth) / eighth)];
    return 8;
}

int TMdlSinusPure::DragModeFor(int zone) const
{
    const bool damped = Kind() != mkSinus;
    switch (zone) {
    case 0:
    case 3:
    case 4:
    case 7:
        return dmPeriod;
    case 1:
    case 5:
        return damped ? dmDamping : dmAmplitude;
    case 2:
    case 6:
        return dmAmplitude;
    default:
        return dmTranslate;
    }
}

void TMdlSinusPure::ChangeAmplitude(int dy)
{
    // The grabbed top (or bottom) follows the pointer.
    const double ddy = -dy * UnitsPerPixelY();
    const double sign = (FDragZone == 5 || FDragZone == 6) ? -1.0 : 1.0;
    double env = Envelope(FGrabX);
    if (!(env > 1e-12) || !IsFinite(env))
        env = 1.0;
    std::vector<double> p = Params;
    p[1] = Params[1] + sign * ddy / env;
    ApplyDrag(p);
}

void TMdlSinusPure::ChangePeriod(int dx, int shift)
{
    // The phase at the anchor stays; the grabbed point of the oscillation moves with the pointer, two
    // pixels per pixel (slowed down by Ctrl or Alt).
    const double delta = PeriodRate * SlowDown(shift) * dx * UnitsPerPixelX();
    const double xa = Anchor(), xg = FGrabX;
    const double sx = UnitsPerPixelX();
    const double moved = xg + delta;
    if (std::fabs(xg - xa) < sx || (moved - xa) * (xg - xa) <= 0.0 || std::fabs(moved - xa) < sx)
        return;
    const double thetaA = Params[2] * xa + Params[3];
    const double thetaG = Params[2] * xg + Params[3];
    std::vector<double> p = Params;
    p[2] = (thetaG - thetaA) / (moved - xa);
    p[3] = NormalisedPhase(thetaA - p[2] * xa);
    if (!(p[2] > 0.0))
        return;
    if (ApplyDrag(p))
        FGrabX = moved;
}

void TMdlSinusPure::ChangeDamping(int dy, int shift)
{
    if (Kind() == mkSinus)
        return;
    // The envelope at the anchor stays; at the grabbed point it follows the vertical displacement.
    const double ddy = -dy * UnitsPerPixelY() * DampingRate * SlowDown(shift);
    const double sign = FDragZone == 5 ? -1.0 : 1.0;
    const double xa = Anchor(), xg = FGrabX;
    if (std::fabs(xg - xa) < UnitsPerPixelX())
        return;
    const double b = Params[1], k = Params[4];
    std::vector<double> p = Params;
    if (Kind() == mkSinusAe) {
        const double aa = ScaledExp(b, k * xa), eg = ScaledExp(b, k * xg) + sign * ddy;
        if (!(aa > 0.0) || !(eg > 0.0))
            return;
        p[4] = std::log(eg / aa) / (xg - xa);
        p[1] = ScaledExp(aa, -p[4] * xa);
    } else {
        const double aa = b * (1.0 + k * xa), eg = b * (1.0 + k * xg) + sign * ddy;
        if (!(eg > 0.0))
            return;
        const double bk = (eg - aa) / (xg - xa);
        const double nb = aa - bk * xa;
        if (nb == 0.0)
            return;
        p[1] = nb;
        p[4] = bk / nb;
    }
    ApplyDrag(p);
}

void TMdlSinusPure::Translate(int dx, int dy)
{
    const double ddx = dx * UnitsPerPixelX(), ddy = -dy * UnitsPerPixelY();
    std::vector<double> p = Params;
    p[0] += ddy;
    p[3] = NormalisedPhase(Params[3] - Params[2] * ddx);
    if (Kind() == mkSinusAe) {
        p[1] = ScaledExp(Params[1], -Params[4] * ddx);
    } else if (Kind() == mkSinusAl) {
        // b.(1 + k.(x - dx)) = b'.(1 + k'.x)
        const double nb = Params[1] * (1.0 - Params[4] * ddx);
        if (nb == 0.0)
            return;
        p[4] = Params[1] * Params[4] / nb;
        p[1] = nb;
    }
    ApplyDrag(p);
}

QString TMdlSinusAl::EquationLine(const QString& yName, const QString&) const
{
    // y'' + r.y + b.Sign(y') = c, the equation of an oscillator with dry friction.
    return yName + QStringLiteral("\" + r.") + yName + QStringLiteral(" + b.Sign(") + yName +
           QStringLiteral("') = c");
}

QStringList TMdlSinusAl::ParameterLines(const QString& yName, const QString& xName) const
{
    const double r0 = Params[0], a = Params[1], w = Params[2], phi = Params[3], k = Params[4];
    QStringList lines;
    lines << QStringLiteral("r = ") + FormatSignificant(0, w * w);
    lines << QStringLiteral("b = ") + FormatSignificant(0, -(Pi / 2.0) * a * w * k);
    lines << QStringLiteral("c = ") + FormatSignificant(0, w * w * r0);
    lines << yName + QStringLiteral("(0) = ") + FormatSignificant(0, a * std::sin(phi) + r0);
    lines << yName + QStringLiteral("'(0) = ") +
                 FormatSignificant(0, a * (w * std::cos(phi) + k * std::sin(phi)));
    // The letters above name the oscillator's coefficients; the model's own parameters follow under
    // their equation, with their errors while they are the fit's.
    QString model = QStringLiteral("r + b.(1 + k.t).sin(c.t + d)");
    model.replace(QLatin1Char('t'), xName);
    lines << yName + QStringLiteral(" = ") + model;
    for (QChar letter : Letters())
        lines << ParameterText(letter);
    return lines;
}

// ---------------------------------------------------------------------------------------------------

std::unique_ptr<TMdl> CreateModel(int kind)
{
    switch (kind) {
    case mkAffine:
        return std::make_unique<TMdlAffine>();
    case mkConstant:
        return std::make_unique<TMdlConstant>();
    case mkExponentiel:
        return std::make_unique<TMdlExponentiel>();
    case mkParabole:
        return std::make_unique<TMdlParaboleAv>();
    case mkProportionnel:
        return std::make_unique<TMdlProportionnel>();
    case mkSinus:
        return std::make_unique<TMdlSinus>();
    case mkSinusAe:
        return std::make_unique<TMdlSinusAe>();
    case mkSinusAl:
        return std::make_unique<TMdlSinusAl>();
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------------
// Headless fit

namespace {

struct TModelName
{
    const char* Name;
    int Kind;
};

constexpr TModelName ModelNames[] = {
    {"constant", mkConstant}, {"proportional", mkProportionnel}, {"affine", mkAffine},
    {"parabola", mkParabole}, {"exponential", mkExponentiel},    {"sine", mkSinus},
    {"sine-exp", mkSinusAe},  {"sine-lin", mkSinusAl},
};

QString Number(double v)
{
    return QString::asprintf("%.15G", v);
}

} // namespace

int FitCommand(const QString& model, const QString& dataPath, QString& out, QString& err)
{
    out.clear();
    err.clear();
    int kind = mkNone;
    QStringList names;
    for (const TModelName& m : ModelNames) {
        names << QString::fromLatin1(m.Name);
        if (model == QLatin1String(m.Name))
            kind = m.Kind;
    }
    if (kind == mkNone) {
        err = QStringLiteral("kinotra: unknown model \"%1\"; expected one of: %2\n")
                  .arg(model, names.join(QStringLiteral(", ")));
        return 1;
    }
    QFile file(dataPath);
    if (!file.open(QIODevice::ReadOnly)) {
        err = QStringLiteral("kinotra: cannot read %1: %2\n").arg(dataPath, file.errorString());
        return 1;
    }
    // Outside input: bounded like the settings files.
    constexpr qint64 MaxBytes = 256LL * 1024 * 1024;
    if (file.size() > MaxBytes) {
        err = QStringLiteral("kinotra: cannot read %1: the file is larger than 256 MiB\n").arg(dataPath);
        return 1;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    static const QRegularExpression separators(QStringLiteral("[\\s;]+"));
    std::vector<double> x, y;
    int finite = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(separators, Qt::SkipEmptyParts);
        const QString where = QStringLiteral("kinotra: cannot read %1: line %2: ").arg(dataPath).arg(i + 1);
        if (fields.size() != 2) {
            err = where + QStringLiteral("expected an abscissa and an ordinate\n");
            return 1;
        }
        double v[2];
        for (int f = 0; f < 2; ++f) {
            QString text = fields[f];
            text.replace(QLatin1Char(','), QLatin1Char('.'));
            bool ok = false;
            v[f] = text.toDouble(&ok);
            if (!ok) {
                err = where + QStringLiteral("\"%1\" is not a number\n").arg(fields[f]);
                return 1;
            }
        }
        x.push_back(v[0]);
        y.push_back(v[1]);
        if (IsFinite(v[0]) && IsFinite(v[1]))
            ++finite;
    }
    std::unique_ptr<TMdl> mdl = CreateModel(kind);
    const QString fitted = mdl->FittedLetters();
    if (finite < fitted.size()) {
        err = QStringLiteral("kinotra: %1: %2 usable points; the %3 model fits %4 parameters\n")
                  .arg(dataPath)
                  .arg(finite)
                  .arg(model)
                  .arg(fitted.size());
        return 1;
    }
    mdl->Describe(QStringLiteral("y"), QStringLiteral("t"));
    mdl->Fit(x, y);
    out += QStringLiteral("code: %1\n").arg(mdl->FitCode);
    for (QChar letter : mdl->Letters())
        out += QString(letter) + QStringLiteral(": ") +
               Number(mdl->Parameter(static_cast<int>(AllLetters.indexOf(letter)))) + QLatin1Char('\n');
    out += QStringLiteral("QuadraticVariation: ") + Number(mdl->QuadraticVariation) + QLatin1Char('\n');
    out += QStringLiteral("RelativePrecision: ") + Number(mdl->RelativePrecision) + QLatin1Char('\n');
    if (kind == mkAffine || kind == mkProportionnel)
        out += QStringLiteral("Correlation: ") + Number(mdl->Correlation) + QLatin1Char('\n');
    if (static_cast<qsizetype>(mdl->StdErrors.size()) == fitted.size())
        for (qsizetype i = 0; i < fitted.size(); ++i)
            out += QStringLiteral("se_") + fitted[i] + QStringLiteral(": ") + Number(mdl->StdErrors[i]) +
                   QLatin1Char('\n');
    out += QLatin1Char('\n');
    for (const QString& line : mdl->Lines)
        out += line + QLatin1Char('\n');
    return 0;
}
