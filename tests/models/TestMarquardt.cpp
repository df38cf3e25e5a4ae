// Non-linear fitting: exact curves fitted back, starting values, the optimum reached on noisy data
// (checked against an independent search written here), and inputs that must not break the fit.
#include "ModelsFixture.h"
#include "models/UnitMarquardt.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>

namespace {

double SumSquares(int kind, const std::vector<double>& params, const TCurve& c)
{
    double s = 0.0;
    for (std::size_t i = 0; i < c.X.size(); ++i) {
        const double r = c.Y[i] - NonLinearValue(kind, params, c.X[i]);
        s += r * r;
    }
    return s;
}

// Phases compared modulo a whole turn.
double PhaseGap(double a, double b)
{
    const double d = std::remainder(a - b, 2 * TestPi);
    return std::fabs(d);
}

struct TExactCase
{
    const char* Name;
    int Kind;
    std::vector<double> Params;
    double From, Step;
    int N;
};

TEST(NonLinearFit, ExactCurvesAreFittedBackToTheirParameters)
{
    // Sines sampled so that the maximum and minimum fall on samples (their fixed offset is then r).
    auto phaseGrid = [](double c, double d, int first, int n) {
        std::vector<double> x;
        for (int i = first; i < first + n; ++i)
            x.push_back((i * TestPi / 20 - d) / c);
        return x;
    };
    const std::vector<TExactCase> cases = {
        {"exponential, rising and faster at the end", nlkExponentiel, {2, 3, 0.5}, 0, 1, 5},
        {"exponential, cooling", nlkExponentiel, {20, 60, -0.1}, 0, 1, 61},
        {"exponential, approach from below", nlkExponentiel, {10, -8, -0.3}, 0, 0.25, 80},
        {"exponential, decay recorded late", nlkExponentiel, {1, 50 * std::exp(20.0), -0.2}, 100, 0.5, 60},
        {"exponential, growth before t = 0", nlkExponentiel, {-1, 0.5, 0.8}, -3, 0.1, 50},
        // The sines' offset is fitted: on these records the mean of y, or the middle of its range, is
        // not the centre of the swing.
        {"sine, less than one period", nlkSinus, {1, 2, 1.2, 0.5}, 0, 0.02, 200},
        {"damped sine (exponential)", nlkSinusAe, {1, 0.3, 4, 0.3, -0.2}, 0, 0.02, 500},
        {"damped sine (exponential), recorded late",
         nlkSinusAe,
         {-2, 0.5, 2 * TestPi, 1.1, -0.1},
         40,
         0.01,
         800},
        {"damped sine (exponential), less than one period", nlkSinusAe, {1, 2, 1.3, 0.4, -0.2}, 0, 0.02, 200},
        {"damped sine (linear), stops inside the record",
         nlkSinusAl,
         {0.2, 1, 2 * TestPi, 0.7, -0.1},
         0,
         0.02,
         750},
        {"damped sine (linear), starts late and stops inside",
         nlkSinusAl,
         {-0.4, 1, 5, 2.0, -0.1},
         5,
         0.02,
         400},
        {"damped sine (linear), still moving at the end", nlkSinusAl, {0, 0.05, 5, 1.0, -0.02}, 0, 0.02, 500},
        {"damped sine (linear), less than one period", nlkSinusAl, {0.3, 1, 1.5, 0.3, -0.05}, 0, 0.02, 180},
    };
    for (const TExactCase& tc : cases) {
        SCOPED_TRACE(tc.Name);
        const std::vector<double> truth = tc.Params;
        const std::vector<double> x = Abscissae(tc.From, tc.Step, tc.N);
        const TCurve curve = Sample(tc.Kind, truth, x);
        std::vector<double> p;
        TNonLinearInfo info;
        EXPECT_EQ(NonLinearFit(curve.X, curve.Y, tc.Kind, p, &info), nlOk);
        ASSERT_EQ(p.size(), truth.size());
        for (std::size_t j = 0; j < p.size(); ++j) {
            if (j == 3)
                EXPECT_LT(PhaseGap(p[j], truth[j]), 1e-6) << "phase";
            else
                EXPECT_NEAR(p[j], truth[j], 1e-6 * std::max(1.0, std::fabs(truth[j]))) << "parameter " << j;
        }
    }

    // The plain sine, starting on a rising side, on a falling side, and late in time.
    const struct
    {
        const char* Name;
        double R, B, C, D;
        int First;
    } sines[] = {
        {"rising at the start", 5, 2, 3, 1, 7},
        {"falling at the start", 1, 0.5, 2, 2.5, 16},
        {"late in time", 0, 3, 1.5, 1500.7, 30000},
    };
    for (const auto& s : sines) {
        SCOPED_TRACE(s.Name);
        const std::vector<double> x = phaseGrid(s.C, s.D, s.First, 200);
        const TCurve curve = Sample(nlkSinus, {s.R, s.B, s.C, s.D}, x);
        std::vector<double> p;
        EXPECT_EQ(NonLinearFit(curve.X, curve.Y, nlkSinus, p), nlOk);
        ASSERT_EQ(p.size(), 4u);
        EXPECT_NEAR(p[0], s.R, 1e-9);
        EXPECT_NEAR(p[1], s.B, 1e-6);
        EXPECT_NEAR(p[2], s.C, 1e-6);
        EXPECT_LT(PhaseGap(p[3], s.D), 1e-5);
        EXPECT_GE(p[3], 0.0);
        EXPECT_LT(p[3], 2 * TestPi);
    }
}

TEST(NonLinearFit, StartingValues)
{
    std::vector<double> p;
    // A finely sampled 5 + 2.sin(3x + 1): the offset, amplitude and frequency start close to the truth.
    const TCurve sine = Sample(nlkSinus, {5, 2, 3, 1}, Abscissae(0, 0.01, 1000));
    ASSERT_EQ(NonLinearStart(sine.X, sine.Y, nlkSinus, p), nlOk);
    EXPECT_NEAR(p[0], 5, 1e-3);
    EXPECT_NEAR(p[1], 2, 1e-3);
    EXPECT_NEAR(p[2], 3, 0.02);
    EXPECT_LT(PhaseGap(p[3], 1), 0.02);

    // Data that starts falling starts on the falling branch (cos d < 0), not on the mirrored curve.
    const TCurve falling = Sample(nlkSinus, {0, 1, 2, 2.5}, Abscissae(0, 0.01, 1000));
    ASSERT_EQ(NonLinearStart(falling.X, falling.Y, nlkSinus, p), nlOk);
    EXPECT_LT(std::cos(p[3]), 0.0);
    EXPECT_LT(PhaseGap(p[3], 2.5), 0.02);

    // Fewer than two sign changes: the frequency starts at 2 pi / max x.
    const TCurve part = Sample(nlkSinus, {0, 1, 1, 0.2}, Abscissae(0, 0.04, 30));
    ASSERT_EQ(NonLinearStart(part.X, part.Y, nlkSinus, p), nlOk);
    EXPECT_DOUBLE_EQ(p[2], 2 * TestPi / part.X.back());

    // A sample exactly on the axis counts as one sign change, not two a step apart.
    EXPECT_NEAR(FrequencyEstimate({0, 1, 2, 3, 4, 5, 6}, {1, 1, 0, -1, -1, 0, 1}, 99), TestPi / 3, 1e-12);

    // Damped kinds start with k = -0.05.
    ASSERT_EQ(NonLinearStart(sine.X, sine.Y, nlkSinusAe, p), nlOk);
    EXPECT_EQ(p[4], -0.05);

    // The exponential's starting rate follows the data's shape: a cooling curve starts as a decay
    // (c < 0, b > 0), a levelling rise as an approach (c < 0, b < 0), growth as growth.
    const struct
    {
        const char* Name;
        std::vector<double> Params;
    } shapes[] = {
        {"cooling", {20, 60, -0.1}},
        {"approach", {10, -8, -0.3}},
        {"growth", {2, 3, 0.5}},
    };
    for (const auto& s : shapes) {
        SCOPED_TRACE(s.Name);
        const TCurve c = Sample(nlkExponentiel, s.Params, Abscissae(0, 0.1, 100));
        ASSERT_EQ(NonLinearStart(c.X, c.Y, nlkExponentiel, p), nlOk);
        EXPECT_EQ(p[2] > 0, s.Params[2] > 0);
        EXPECT_EQ(p[1] > 0, s.Params[1] > 0);
    }
}

TEST(NonLinearFit, LinearlyDampedSineFreezesAtItsLastExtremum)
{
    // k = -0.1: the envelope vanishes at t = 10; the last extremum lies within half a period before it,
    // where the time derivative vanishes, and the model keeps its value from there on.
    const double c = 2 * TestPi, d = 0.3, k = -0.1;
    const double stop = SinusAlStopTime(c, d, k);
    EXPECT_LT(stop, 10.0);
    EXPECT_GT(stop, 10.0 - 0.5);
    const double slope = (1 + k * stop) * c * std::cos(c * stop + d) + k * std::sin(c * stop + d);
    EXPECT_NEAR(slope, 0.0, 1e-7);
    const std::vector<double> params = {1, 2, c, d, k};
    EXPECT_EQ(NonLinearValue(nlkSinusAl, params, 11.0), NonLinearValue(nlkSinusAl, params, stop));
    EXPECT_EQ(NonLinearValue(nlkSinusAl, params, 50.0), NonLinearValue(nlkSinusAl, params, stop));
    // k >= 0 or |k| below 1e-100: a plain sine that never stops.
    EXPECT_TRUE(std::isinf(SinusAlStopTime(c, d, 0.0)));
    EXPECT_TRUE(std::isinf(SinusAlStopTime(c, d, -1e-120)));
    EXPECT_DOUBLE_EQ(NonLinearValue(nlkSinusAl, {1, 2, c, d, 0.0}, 3.3), 1 + 2 * std::sin(c * 3.3 + d));
}

// ---------------------------------------------------------------------------------------------------
// An independent optimiser: the parameters that enter linearly (the offset, and the amplitude and phase
// as a sine and a cosine term) are solved by least squares for each value of the others, which a
// multi-start Nelder-Mead search explores.

// Least squares of y on the given columns; the sum of squares left (infinity when they are dependent).
double ProfileLeastSquares(const std::vector<std::vector<double>>& cols, const std::vector<double>& y)
{
    const std::size_t m = cols.size(), n = y.size();
    std::vector<std::vector<double>> a(m, std::vector<double>(m + 1, 0.0));
    for (std::size_t u = 0; u < m; ++u) {
        for (std::size_t v = 0; v < m; ++v)
            for (std::size_t i = 0; i < n; ++i)
                a[u][v] += cols[u][i] * cols[v][i];
        for (std::size_t i = 0; i < n; ++i)
            a[u][m] += cols[u][i] * y[i];
    }
    for (std::size_t k = 0; k < m; ++k) {
        std::size_t pivot = k;
        for (std::size_t r = k + 1; r < m; ++r)
            if (std::fabs(a[r][k]) > std::fabs(a[pivot][k]))
                pivot = r;
        std::swap(a[k], a[pivot]);
        if (!(std::fabs(a[k][k]) > 1e-300))
            return std::numeric_limits<double>::infinity();
        for (std::size_t r = 0; r < m; ++r)
            if (r != k) {
                const double f = a[r][k] / a[k][k];
                for (std::size_t c = k; c <= m; ++c)
                    a[r][c] -= f * a[k][c];
            }
    }
    double s = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double r = y[i];
        for (std::size_t u = 0; u < m; ++u)
            r -= a[u][m] / a[u][u] * cols[u][i];
        s += r * r;
    }
    return s;
}

// The smallest sum of squares of the kind's full model for the non-linear parameters theta:
//   exponential (c), sine (c), exponentially damped sine (c, k), linearly damped sine (c, d, k).
double Profile(int kind, const std::vector<double>& theta, const TCurve& data)
{
    const std::size_t n = data.X.size();
    std::vector<std::vector<double>> cols(kind == nlkSinusAl || kind == nlkExponentiel ? 2 : 3,
                                          std::vector<double>(n));
    const double x0 = data.X.front();
    const double stop = kind == nlkSinusAl ? SinusAlStopTime(theta[0], theta[1], theta[2]) : 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double s = data.X[i] - x0;
        cols[0][i] = 1;
        switch (kind) {
        case nlkExponentiel:
            if (std::fabs(theta[0] * s) > 700)
                return std::numeric_limits<double>::infinity();
            cols[1][i] = std::exp(theta[0] * s);
            break;
        case nlkSinus:
            cols[1][i] = std::sin(theta[0] * s);
            cols[2][i] = std::cos(theta[0] * s);
            break;
        case nlkSinusAe:
            if (std::fabs(theta[1] * s) > 700)
                return std::numeric_limits<double>::infinity();
            cols[1][i] = std::sin(theta[0] * s) * std::exp(theta[1] * s);
            cols[2][i] = std::cos(theta[0] * s) * std::exp(theta[1] * s);
            break;
        default: {
            // Unshifted: the stop time belongs to the model in x.
            const double t = std::min(data.X[i], stop); // frozen from the last extremum on
            cols[1][i] = (1 + theta[2] * t) * std::sin(theta[0] * t + theta[1]);
            break;
        }
        }
    }
    return ProfileLeastSquares(cols, data.Y);
}

struct TMinimum
{
    double Sum = std::numeric_limits<double>::infinity();
    std::vector<double> Theta;
};

TMinimum NelderMead(const std::function<double(const std::vector<double>&)>& f, std::vector<double> start,
                    const std::vector<double>& steps)
{
    const std::size_t n = start.size();
    std::vector<std::vector<double>> pts(n + 1, start);
    std::vector<double> val(n + 1);
    for (std::size_t i = 0; i < n; ++i)
        pts[i + 1][i] += steps[i];
    for (std::size_t i = 0; i <= n; ++i)
        val[i] = f(pts[i]);
    for (int iter = 0; iter < 4000; ++iter) {
        std::vector<std::size_t> order(n + 1);
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return val[a] < val[b]; });
        const std::size_t best = order.front(), worst = order.back(), second = order[n - 1];
        if (std::fabs(val[worst] - val[best]) <= 1e-12 * std::fabs(val[best]) + 1e-300)
            break;
        std::vector<double> centre(n, 0.0);
        for (std::size_t i = 0; i <= n; ++i)
            if (i != worst)
                for (std::size_t j = 0; j < n; ++j)
                    centre[j] += pts[i][j] / n;
        auto along = [&](double t) {
            std::vector<double> p(n);
            for (std::size_t j = 0; j < n; ++j)
                p[j] = centre[j] + t * (pts[worst][j] - centre[j]);
            return p;
        };
        const std::vector<double> refl = along(-1);
        const double fr = f(refl);
        if (fr < val[best]) {
            const std::vector<double> exp = along(-2);
            const double fe = f(exp);
            pts[worst] = fe < fr ? exp : refl;
            val[worst] = std::min(fe, fr);
        } else if (fr < val[second]) {
            pts[worst] = refl;
            val[worst] = fr;
        } else {
            const std::vector<double> con = along(0.5);
            const double fc = f(con);
            if (fc < val[worst]) {
                pts[worst] = con;
                val[worst] = fc;
            } else {
                for (std::size_t i = 0; i <= n; ++i)
                    if (i != best) {
                        for (std::size_t j = 0; j < n; ++j)
                            pts[i][j] = pts[best][j] + 0.5 * (pts[i][j] - pts[best][j]);
                        val[i] = f(pts[i]);
                    }
            }
        }
    }
    const std::size_t best = std::min_element(val.begin(), val.end()) - val.begin();
    return {val[best], pts[best]};
}

// Best sum of squares over a grid of starts around the region of the true parameters (angular
// frequency c, damping k), and the non-linear parameters where it was found.
TMinimum ReferenceMinimum(int kind, double c, double k, const TCurve& data)
{
    auto f = [&](const std::vector<double>& theta) { return Profile(kind, theta, data); };
    TMinimum best;
    auto keep = [&](const TMinimum& m) {
        if (m.Sum < best.Sum)
            best = m;
    };
    const double span = data.X.back() - data.X.front();
    switch (kind) {
    case nlkExponentiel:
        for (double g = -30; g <= 30; g += 1)
            keep(NelderMead(f, {g / span}, {0.05 / span}));
        break;
    case nlkSinus:
        for (double g = 0.3; g <= 3.0; g += 0.05)
            keep(NelderMead(f, {g * c}, {0.01 * c}));
        break;
    case nlkSinusAe:
        for (double g = 0.5; g <= 2.0; g += 0.1)
            for (double h = -3; h <= 1; h += 1)
                keep(NelderMead(f, {g * c, h * std::fabs(k)}, {0.01 * c, 0.05 / span}));
        break;
    default:
        for (double g = 0.9; g <= 1.11; g += 0.1)
            for (double d = 0; d < 2 * TestPi; d += TestPi / 4)
                for (double h : {0.75, 1.25})
                    keep(NelderMead(f, {g * c, d, h * k}, {0.01 * c, 0.1, 0.05 / span}));
        break;
    }
    return best;
}

TEST(NonLinearFit, NoisyDataReachTheLeastSquaresOptimum)
{
    const struct
    {
        const char* Name;
        int Kind;
        std::vector<double> Params;
        double From, Step;
        int N;
        double Sigma;
    } cases[] = {
        {"cooling", nlkExponentiel, {20, 60, -0.05}, 0, 1, 120, 0.5},
        {"growth recorded late", nlkExponentiel, {3, 1e-3, 0.1}, 50, 0.5, 80, 0.3},
        {"sine, several periods", nlkSinus, {0.1, 0.4, 5.5, 4.0}, 0, 0.033, 200, 0.03},
        {"sine, starting late and falling", nlkSinus, {-1, 2, 1.2, 2.0}, 300, 0.1, 300, 0.2},
        {"sine, less than one period", nlkSinus, {1, 2, 1.2, 0.5}, 0, 0.02, 200, 0.05},
        {"damped sine (exponential)", nlkSinusAe, {0.5, 1.5, 3.1, 0.4, -0.15}, 0, 0.04, 300, 0.05},
        {"damped sine (exponential), starting late",
         nlkSinusAe,
         {-2, 40, 2 * TestPi, 1.1, -0.1},
         40,
         0.01,
         800,
         0.02},
        {"damped sine (exponential), less than one period",
         nlkSinusAe,
         {1, 2, 1.3, 0.4, -0.2},
         0,
         0.02,
         200,
         0.02},
        {"damped sine (linear), stops inside",
         nlkSinusAl,
         {0, 1, 2 * TestPi, 0.8, -0.08},
         0,
         0.03,
         500,
         0.03},
        {"damped sine (linear), starts late and stops inside",
         nlkSinusAl,
         {-0.4, 1, 5, 2.0, -0.1},
         5,
         0.02,
         400,
         0.02},
        {"damped sine (linear), less than one period",
         nlkSinusAl,
         {0.3, 1, 1.5, 0.3, -0.05},
         0,
         0.02,
         180,
         0.02},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.Name);
        TCurve data = Sample(tc.Kind, tc.Params, Abscissae(tc.From, tc.Step, tc.N));
        AddNoise(data.Y, tc.Sigma, 17);
        std::vector<double> p;
        const int code = NonLinearFit(data.X, data.Y, tc.Kind, p);
        EXPECT_EQ(code, nlOk);
        const double reached = SumSquares(tc.Kind, p, data);
        const double k = tc.Params.size() > 4 ? tc.Params[4] : 0.0;
        const double reference = ReferenceMinimum(tc.Kind, tc.Params[2], k, data).Sum;
        EXPECT_LE(std::fabs(reached - reference), 1e-3 * reference)
            << "fit " << reached << ", independent search " << reference;
    }
}

// The red pendulum of the real videos tracked by its colour over its 305 frames (the points of
// `kinotra --track` kept in tests/data): x(t) in pixels, t = frame / 29.75 s. The damped sine reaches the
// optimum of its full model, as the independent search finds it, and its period.
TEST(NonLinearFit, TrackedPendulumReachesTheOptimumOfTheDampedSine)
{
    QFile file(QStringLiteral(KINOTRA_SOURCE_DIR "/tests/data/pendulum_red_ball_track.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    TCurve data;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        bool ok = false;
        const int frame = fields.value(0).toInt(&ok);
        if (!ok || fields.size() != 4)
            continue; // the header
        data.X.push_back(frame * 4.0 / 119.0);
        data.Y.push_back(fields[1].toDouble());
    }
    ASSERT_GE(data.X.size(), 300u);
    std::vector<double> p;
    TNonLinearInfo info;
    ASSERT_EQ(NonLinearFit(data.X, data.Y, nlkSinusAe, p, &info), nlOk);
    ASSERT_EQ(info.StdErrors.size(), 5u);
    const double reached = SumSquares(nlkSinusAe, p, data);
    // Started from the period and decay a quick look at the record gives, not from the fit.
    const TMinimum reference = ReferenceMinimum(nlkSinusAe, 2 * TestPi / 2.63, -0.03, data);
    EXPECT_LE(std::fabs(reached - reference.Sum), 1e-3 * reference.Sum)
        << "fit " << reached << ", independent search " << reference.Sum;
    const double period = 2 * TestPi / p[2];
    EXPECT_NEAR(period, 2 * TestPi / reference.Theta[0], 0.0005);
    EXPECT_NEAR(period, 2.6287, 0.002);
    // The offset is the centre of the swing, not the mean of x.
    const double mean = std::accumulate(data.Y.begin(), data.Y.end(), 0.0) / data.Y.size();
    EXPECT_GT(std::fabs(p[0] - mean), 3 * info.StdErrors[0]);
}

TEST(NonLinearFit, RefusalsAndDegenerateInputNeverBreakTheFit)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> p;

    // A constant series with the sine kind: amplitude 0, phase 0; every point is on the curve.
    const std::vector<double> flatX = Abscissae(0, 0.1, 50), flatY(50, 3.0);
    TNonLinearInfo info;
    EXPECT_EQ(NonLinearFit(flatX, flatY, nlkSinus, p, &info), nlOk);
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0], 3.0);
    EXPECT_EQ(p[1], 0.0);
    EXPECT_EQ(p[3], 0.0);
    EXPECT_TRUE(info.StdErrors.empty());

    // Unknown kinds and too few points are refused with their codes and a full zero array.
    EXPECT_EQ(NonLinearFit(flatX, flatY, 3, p), nlUnknownKind);
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(NonLinearFit({0, 1}, {1, 2}, nlkExponentiel, p), nlTooFewPoints);
    EXPECT_EQ(p, std::vector<double>(3, 0.0));
    EXPECT_EQ(NonLinearFit({0, 1, nan}, {1, 2, 3}, nlkSinus, p), nlTooFewPoints);

    // Every kind on hostile curves: a code and finite parameters.
    const struct
    {
        const char* Name;
        std::vector<double> X, Y;
    } curves[] = {
        {"constant", flatX, flatY},
        {"three points", {0, 1, 2}, {1, 5, 2}},
        {"four points", {0, 1, 2, 3}, {1, 5, 2, 4}},
        {"all abscissae equal", std::vector<double>(10, 2.0), Abscissae(0, 1, 10)},
        {"NaN and infinities among the points",
         {0, 1, 2, nan, 4, 5, 6, 7, 8},
         {1, 3, inf, 4, -inf, 2, 1, nan, 0}},
        {"tiny abscissae", Abscissae(0, 1e-9, 40),
         Sample(nlkSinus, {0, 1, 3e8, 0.5}, Abscissae(0, 1e-9, 40)).Y},
        {"huge abscissae", Abscissae(1e9, 1, 40),
         Sample(nlkSinus, {0, 1, 0.7, 0.5}, Abscissae(1e9, 1, 40)).Y},
        {"huge ordinates", Abscissae(0, 1, 40), std::vector<double>(40, 1e200)},
        {"a step", Abscissae(0, 1, 40),
         [] {
             std::vector<double> y(40, 0.0);
             std::fill(y.begin() + 20, y.end(), 1.0);
             return y;
         }()},
    };
    for (int kind : {nlkExponentiel, nlkSinus, nlkSinusAe, nlkSinusAl})
        for (const auto& c : curves) {
            SCOPED_TRACE(::testing::Message() << c.Name << ", kind " << kind);
            const int code = NonLinearFit(c.X, c.Y, kind, p, &info);
            EXPECT_TRUE(code == nlOk || code == nlSingular || code == nlNumericFault ||
                        code == nlDampingLimit || code == nlIterationLimit || code == nlTooFewPoints)
                << code;
            ASSERT_EQ(static_cast<int>(p.size()), NonLinearParameterCount(kind));
            for (double v : p)
                EXPECT_TRUE(std::isfinite(v));
        }
}

} // namespace
