// Numerical derivation: finite differences, the smoothing classes and their derivative rules.
#include "calc/UnitDeriv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

std::vector<double> Keys(int n, int first = 0)
{
    std::vector<double> k(n);
    for (int i = 0; i < n; ++i)
        k[i] = first + i;
    return k;
}

std::vector<double> Sample(const std::vector<double>& keys, const std::function<double(double)>& f)
{
    std::vector<double> y;
    for (double k : keys)
        y.push_back(f(k));
    return y;
}

// Least-squares slope of three points, per second: the reference for the sliding window.
double ThreePointSlope(const double* x, const double* y, double period)
{
    const double mx = (x[0] + x[1] + x[2]) / 3.0;
    const double my = (y[0] + y[1] + y[2]) / 3.0;
    double sxy = 0.0, sxx = 0.0;
    for (int i = 0; i < 3; ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    return sxy / sxx / period;
}

// The sliding-window derivative written out: the first window serves points 0 and 1, the last one the
// last point, every other point the window centred on it.
std::vector<double> SlidingReference(const std::vector<double>& x, const std::vector<double>& y,
                                     double period)
{
    const std::size_t n = y.size();
    std::vector<double> d(n);
    for (std::size_t j = 1; j + 1 < n; ++j)
        d[j] = ThreePointSlope(&x[j - 1], &y[j - 1], period);
    d[0] = d[1];
    d[n - 1] = d[n - 2];
    return d;
}

// Plain finite differences for equal key steps, written out from their textbook formulas.
std::vector<double> FiniteReference(const std::vector<double>& x, const std::vector<double>& y, double period)
{
    const std::size_t n = y.size();
    std::vector<double> d(n);
    d[0] = (-3 * y[0] + 4 * y[1] - y[2]) / (x[2] - x[0]) / period;
    for (std::size_t i = 1; i + 1 < n; ++i)
        d[i] = (y[i + 1] - y[i - 1]) / (x[i + 1] - x[i - 1]) / period;
    d[n - 1] = (y[n - 3] - 4 * y[n - 2] + 3 * y[n - 1]) / (x[n - 1] - x[n - 3]) / period;
    return d;
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected, double tolerance,
                const char* what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance * std::max(1.0, std::fabs(expected[i])))
            << what << " at " << i;
}

} // namespace

TEST(Deriv, FiniteDifferencesWithoutSmoothing)
{
    struct Case
    {
        const char* Name;
        std::vector<double> X, Y;
        double Period;
        std::vector<double> First, Second;
    };
    const Case cases[] = {
        {"parabola on three keys", {0, 1, 2}, {0, 1, 4}, 1.0, {0, 2, 4}, {2, 2, 2}},
        {"the period divides once per derivation", {0, 1, 2}, {0, 1, 4}, 0.5, {0, 4, 8}, {8, 8, 8}},
        // A hidden frame: the inner point takes the chord over three key steps (9 / 3, where y' = 2);
        // the ends take the slopes of the parabola through the three points, exact on y = x². The
        // second derivative is the parabola through (0, 0), (1, 3), (3, 6): y = -x²/2 + 7x/2.
        {"hidden frame", {0, 1, 3}, {0, 1, 9}, 1.0, {0, 3, 6}, {3.5, 2, 0.5}},
        {"keys of late frames", {100, 101, 102, 103}, {3, 2, 1, 0}, 0.04, {-25, -25, -25, -25}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        TDeriv d;
        d.Prepare(c.X, c.Y, c.Period);
        ASSERT_EQ(d.Derive(false), 0) << c.Name;
        ExpectNear(d.FirstDerivative, c.First, 1e-12, c.Name);
        ExpectNear(d.SecondDerivative, c.Second, 1e-12, c.Name);
    }
}

TEST(Deriv, TooFewValuesLeaveTheResultsUntouched)
{
    for (int n : {0, 1, 2}) {
        TDeriv d;
        d.Prepare(Keys(n), std::vector<double>(n, 1.0), 0.04);
        d.FirstDerivative.assign(n, 7.0);
        for (bool smooth : {false, true})
            EXPECT_EQ(d.Derive(smooth), 2) << n;
        EXPECT_EQ(d.FirstDerivative, std::vector<double>(n, 7.0));
    }
    // Arrays of different lengths are derived over their common length.
    TDeriv d;
    d.Prepare({0, 1, 2, 3}, {0, 1, 4}, 1.0);
    ASSERT_EQ(d.Abscissa.size(), 3u);
    EXPECT_EQ(d.Derive(false), 0);
}

TEST(Deriv, SmoothingClassesAndTheirDerivatives)
{
    const double T = 0.04;
    const std::vector<double> x = Keys(21);
    // Expected results are written from the motion itself or from the derivative formulas, not read
    // back from the implementation.
    struct Case
    {
        const char* Name;
        std::function<double(double)> F;
        int Class;
        int Class2;
        std::function<void(const TDeriv&, const std::vector<double>& y)> Check;
    };
    const Case cases[] = {
        {"still: a few thousandths of the image", [](double k) { return 0.5 + 0.003 * std::sin(k); }, 0, -1,
         [&](const TDeriv& d, const std::vector<double>& y) {
             ExpectNear(d.FirstDerivative, SlidingReference(x, y, T), 1e-9, "first");
             std::vector<double> expected = FiniteReference(x, d.FirstDerivative, T);
             for (double& v : expected)
                 v *= -0.02;
             ExpectNear(d.SecondDerivative, expected, 1e-9, "second");
         }},
        {"uniform motion", [](double k) { return 0.1 + 0.02 * k; }, 1, -1,
         [&](const TDeriv& d, const std::vector<double>&) {
             ExpectNear(d.FirstDerivative, std::vector<double>(21, 0.5), 1e-12, "first");
             // The velocity is constant, so its finite difference and the acceleration vanish.
             ExpectNear(d.SecondDerivative, std::vector<double>(21, 0.0), 1e-9, "second");
         }},
        {"nearly uniform with a velocity that changes by more than 0.1 per second",
         [](double k) { return 0.02 * k + 0.0004 * k * k; }, 1, -1,
         [&](const TDeriv& d, const std::vector<double>& y) {
             // The first derivative gives way to the finite differences, the second follows from them.
             const std::vector<double> fd = FiniteReference(x, y, T);
             ExpectNear(d.FirstDerivative, fd, 1e-12, "first");
             ExpectNear(d.SecondDerivative, FiniteReference(x, fd, T), 1e-9, "second");
         }},
        {"uniformly accelerated", [](double k) { return 0.002 * (k - 10) * (k - 10); }, 2, 1,
         [&](const TDeriv& d, const std::vector<double>&) {
             // The parabola's derivative (finite differences are exact on it too), then the three-point
             // slopes of a straight velocity: 2 * 0.002 / T².
             ExpectNear(d.FirstDerivative, Sample(x, [&](double k) { return 0.004 * (k - 10) / T; }), 1e-9,
                        "first");
             ExpectNear(d.SecondDerivative, std::vector<double>(21, 0.004 / (T * T)), 1e-9, "second");
         }},
        {"falling from rest: a straight line explains 94 %, not 99 %", [](double k) { return 0.001 * k * k; },
         2, 1,
         [&](const TDeriv& d, const std::vector<double>&) {
             ExpectNear(d.FirstDerivative, Sample(x, [&](double k) { return 0.002 * k / T; }), 1e-9, "first");
             ExpectNear(d.SecondDerivative, std::vector<double>(21, 0.002 / (T * T)), 1e-9, "second");
         }},
        {"cubic", [](double k) { return 0.0002 * (k - 10) * (k - 10) * (k - 10); }, 3, 2,
         [&](const TDeriv& d, const std::vector<double>& y) {
             // Inside, the centred difference of a k³ adds a: the blend gives (3a(k-10)² - 0.02a) / T.
             const double a = 0.0002;
             for (int i = 1; i < 20; ++i)
                 EXPECT_NEAR(d.FirstDerivative[i], (3 * a * (i - 10) * (i - 10) - 0.02 * a) / T, 1e-10) << i;
             const std::vector<double> fd = FiniteReference(x, y, T);
             EXPECT_NEAR(d.FirstDerivative[0], 1.02 * 3 * a * 100 / T - 0.02 * fd[0], 1e-10);
             // The first derivative is nearly a parabola (the blend bends its two ends a little): the
             // second derivative is the pure derivative of the fitted parabola, a straight line in the
             // keys with no finite-difference ripple, close to 6a(k - 10) / T².
             const double step = d.SecondDerivative[1] - d.SecondDerivative[0];
             for (int i = 1; i < 21; ++i)
                 EXPECT_NEAR(d.SecondDerivative[i] - d.SecondDerivative[i - 1], step, 1e-9) << i;
             EXPECT_NEAR(step, 6 * a / (T * T), 0.01 * 6 * a / (T * T));
             EXPECT_NEAR(d.SecondDerivative[10], 0.0, 1e-9);
         }},
        {"noise that no polynomial explains",
         [](double k) { return 0.3 * std::sin(k * k * 1.7) + 0.2 * std::cos(k * 12.9); }, 4, 4,
         [&](const TDeriv& d, const std::vector<double>& y) {
             // Plain finite differences for the first derivative; its own noise leads to them again.
             const std::vector<double> fd = FiniteReference(x, y, T);
             ExpectNear(d.FirstDerivative, fd, 1e-12, "first");
             ExpectNear(d.SecondDerivative, FiniteReference(x, fd, T), 1e-9, "second");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<double> y = Sample(x, c.F);
        TDeriv d;
        d.Prepare(x, y, T);
        ASSERT_EQ(d.Derive(true), 0);
        EXPECT_EQ(d.SeriesClass(), c.Class);
        EXPECT_EQ(d.DerivativeClass(), c.Class2);
        c.Check(d, y);
    }
}

TEST(Deriv, EndSlopesAreExactOnUnevenKeys)
{
    // A uniformly accelerated series whose first or last key step differs from the others (hidden
    // frames, time shifts): the end derivatives are those of the motion itself, without smoothing and
    // with it (the parabola's class, whose blend leans on the finite differences).
    const double T = 0.04;
    const auto f = [](double k) { return 0.002 * (k - 10) * (k - 10); };
    const auto slope = [&](double k) { return 0.004 * (k - 10) / T; };
    const auto range = [](int first, int last) {
        std::vector<double> k;
        for (int i = first; i <= last; ++i)
            k.push_back(i);
        return k;
    };
    const auto join = [](std::vector<double> a, const std::vector<double>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case
    {
        const char* Name;
        std::vector<double> Keys;
    };
    const Case cases[] = {
        {"two hidden frames after the first", join({0}, range(3, 20))},
        {"a hidden frame before the last", join(range(0, 18), {20})},
        {"the last frame shifted three frames later", join(range(0, 19), {23})},
        {"the first frame shifted two frames earlier", join({-2}, range(1, 20))},
        {"uneven steps at both ends", join(join({0}, range(2, 19)), {22})},
        {"three keys, two steps of different lengths", {0, 1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<double> y = Sample(c.Keys, f);
        const std::size_t last = c.Keys.size() - 1;
        for (bool smooth : {false, true}) {
            if (smooth && c.Keys.size() == 3)
                continue; // three points are too few to tell the parabola from a line
            TDeriv d;
            d.Prepare(c.Keys, y, T);
            ASSERT_EQ(d.Derive(smooth), 0);
            if (smooth) {
                ASSERT_EQ(d.SeriesClass(), 2);
            }
            EXPECT_NEAR(d.FirstDerivative[0], slope(c.Keys[0]), 1e-12) << "smooth " << smooth;
            EXPECT_NEAR(d.FirstDerivative[last], slope(c.Keys[last]), 1e-12) << "smooth " << smooth;
        }
    }
    // With equal steps the ends are the textbook formulas, to the last bit.
    const std::vector<double> x = Keys(6, 40);
    const std::vector<double> y = Sample(x, [](double k) { return std::sin(0.3 * k); });
    TDeriv d;
    d.Prepare(x, y, T);
    ASSERT_EQ(d.Derive(false), 0);
    EXPECT_EQ(d.FirstDerivative, FiniteReference(x, y, T));
}

TEST(Deriv, SlidingWindowFollowsUnevenKeys)
{
    // Uniform motion with a hidden frame: the three-point slopes use the real key spacing.
    const std::vector<double> x = {0, 1, 2, 4, 5, 6, 7};
    const std::vector<double> y = Sample(x, [](double k) { return 0.2 + 0.03 * k; });
    TDeriv d;
    d.Prepare(x, y, 0.1);
    ASSERT_EQ(d.Derive(true), 0);
    ASSERT_EQ(d.SeriesClass(), 1);
    ExpectNear(d.FirstDerivative, std::vector<double>(7, 0.3), 1e-12, "first");
}

TEST(Deriv, EqualKeysNeverGiveInfinities)
{
    // Rows whose keys coincide (time shifts that bring two frames together): quotients by a zero key
    // step are non-defined, never infinite; the smoothing's global fit refuses equal keys with code 4.
    const std::vector<double> same = {3, 3, 3, 3};
    const std::vector<double> y = {0.1, 0.2, 0.4, 0.3};
    TDeriv d;
    d.Prepare(same, y, 0.04);
    EXPECT_EQ(d.Derive(true), 4);
    ASSERT_EQ(d.Derive(false), 0);
    for (double v : d.FirstDerivative)
        EXPECT_TRUE(IsNonDefini(v));

    // Three equal keys inside a longer series: that window cannot be fitted and takes the finite
    // differences, non-defined only where their own step is zero.
    const std::vector<double> keys = {0, 1, 2, 2, 2, 3, 4, 5};
    const std::vector<double> z = Sample(keys, [](double k) { return 0.1 * k; });
    d.Prepare(keys, z, 0.04);
    ASSERT_EQ(d.Derive(true), 0);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_FALSE(std::isinf(d.FirstDerivative[i])) << i;
        EXPECT_FALSE(std::isinf(d.SecondDerivative[i])) << i;
    }
    EXPECT_TRUE(IsNonDefini(d.FirstDerivative[3]));
    EXPECT_NEAR(d.FirstDerivative[0], 2.5, 1e-12);

    // A zero period gives non-defined values, not infinities.
    d.Prepare({0, 1, 2}, {0, 1, 2}, 0.0);
    ASSERT_EQ(d.Derive(false), 0);
    for (double v : d.FirstDerivative)
        EXPECT_TRUE(IsNonDefini(v));
}
