// First and second time derivatives of one sampled series, with optional smoothing.
#include "calc/UnitDeriv.h"

#include <algorithm>
#include <cmath>

namespace {

// A quotient by a zero key step or a zero period is not a number: such places get the non-defined
// value instead of an infinity.
double Defined(double value)
{
    return std::isfinite(value) ? value : NonDefini();
}

double Mean(const std::vector<double>& y)
{
    double s = 0.0;
    for (double v : y)
        s += v;
    return s / static_cast<double>(y.size());
}

std::vector<double> Centred(const std::vector<double>& y, double mean)
{
    std::vector<double> c(y.size());
    for (std::size_t i = 0; i < y.size(); ++i)
        c[i] = y[i] - mean;
    return c;
}

double RootMeanSquare(const std::vector<double>& c)
{
    double s = 0.0;
    for (double v : c)
        s += v * v;
    return std::sqrt(s / static_cast<double>(c.size()));
}

// Smoothing thresholds in the units of the series: a series whose RMS about its mean stays below the
// first hardly moves; a first derivative whose RMS stays below the second is taken as constant.
constexpr double StillLimit = 0.01;
constexpr double ConstantRateLimit = 0.1;
constexpr double ExplainedLimit = 0.99;
constexpr double BlendWeight = 0.02;
constexpr int HighestDegree = 4;

// The derivative (sum over k >= 1 of k*c_k*x^(k-1)) / period, by Horner's rule from the top degree down.
double DerivativeAt(const std::vector<double>& c, double x, double period)
{
    double s = 0.0;
    for (int k = static_cast<int>(c.size()) - 1; k >= 1; --k)
        s = s * x + k * c[k];
    return Defined(s / period);
}

// Slopes at the ends of a series of the parabola through its three end points, for their real spacing:
// exact for any quadratic, whatever the two steps. With the first steps h1 = x1 - x0, h2 = x2 - x1,
//   y'(x0) = -(2 h1 + h2) / (h1 (h1 + h2)) y0 + (h1 + h2) / (h1 h2) y1 - h1 / (h2 (h1 + h2)) y2,
// and mirrored at the last point. Both are written as weights over the outer span, so that equal steps
// give the weights (-3, 4, -1) and (1, -4, 3) exactly and the same digits as the textbook formulas.
// A zero step gives a non-finite value.
double FirstEndSlope(const std::vector<double>& x, const std::vector<double>& y)
{
    const double h1 = x[1] - x[0];
    const double h2 = x[2] - x[1];
    const double w0 = -(2.0 * h1 + h2) / h1;
    const double w1 = (h1 + h2) * (h1 + h2) / (h1 * h2);
    const double w2 = -h1 / h2;
    return (w0 * y[0] + w1 * y[1] + w2 * y[2]) / (x[2] - x[0]);
}

double LastEndSlope(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t n = y.size();
    const double h1 = x[n - 2] - x[n - 3];
    const double h2 = x[n - 1] - x[n - 2];
    const double w0 = h2 / h1;
    const double w1 = -(h1 + h2) * (h1 + h2) / (h1 * h2);
    const double w2 = (2.0 * h2 + h1) / h2;
    return (w0 * y[n - 3] + w1 * y[n - 2] + w2 * y[n - 1]) / (x[n - 1] - x[n - 3]);
}

} // namespace

void TDeriv::Prepare(const std::vector<double>& abscissa, const std::vector<double>& ordinate, double period)
{
    const std::size_t n = std::min(abscissa.size(), ordinate.size());
    Abscissa.assign(abscissa.begin(), abscissa.begin() + static_cast<std::ptrdiff_t>(n));
    Ordinate.assign(ordinate.begin(), ordinate.begin() + static_cast<std::ptrdiff_t>(n));
    Period = period;
    FirstDerivative.assign(n, 0.0);
    SecondDerivative.assign(n, 0.0);
}

std::vector<double> TDeriv::FiniteDifferences(const std::vector<double>& y) const
{
    // Centred differences with the real spacing inside. At each end, the slope of the parabola through
    // the three end points for their real spacing: after a hidden frame or a time shift the two end
    // steps differ, and the textbook form (-3 y0 + 4 y1 - y2) / 2h, which assumes equal steps, would be
    // wrong even on a parabola.
    const std::vector<double>& x = Abscissa;
    const std::size_t n = y.size();
    std::vector<double> d(n);
    d[0] = Defined(FirstEndSlope(x, y) / Period);
    for (std::size_t i = 1; i + 1 < n; ++i)
        d[i] = Defined((y[i + 1] - y[i - 1]) / (x[i + 1] - x[i - 1]) / Period);
    d[n - 1] = Defined(LastEndSlope(x, y) / Period);
    return d;
}

std::vector<double> TDeriv::PolynomialDerivative(const std::vector<double>& c) const
{
    std::vector<double> d(Abscissa.size());
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = DerivativeAt(c, Abscissa[i], Period);
    return d;
}

std::vector<double> TDeriv::SlidingWindow(const std::vector<double>& y)
{
    // Half-width 1: each window is the point and its two neighbours.
    const int n = static_cast<int>(y.size());
    std::vector<double> d(n);
    std::vector<double> xs(3), ys(3), c;
    std::vector<double> fd; // finite differences, computed only if a window cannot be fitted
    double window[3];
    auto derive = [&](int centre) {
        const double mean = (y[centre - 1] + y[centre] + y[centre + 1]) / 3.0;
        for (int t = 0; t < 3; ++t) {
            xs[t] = Abscissa[centre - 1 + t];
            ys[t] = y[centre - 1 + t] - mean;
        }
        if (FFit.PolyFit(2, xs, ys, c) == pfOk) {
            for (int t = 0; t < 3; ++t)
                window[t] = DerivativeAt(c, xs[t], Period);
        } else {
            // Three equal keys: no slope exists; the finite differences (non-defined there too when
            // their own step is zero) stand in.
            if (fd.empty())
                fd = FiniteDifferences(y);
            for (int t = 0; t < 3; ++t)
                window[t] = fd[centre - 1 + t];
        }
    };
    derive(1);
    d[0] = window[0];
    d[1] = window[1];
    for (int j = 2; j <= n - 2; ++j) {
        derive(j);
        d[j] = window[1];
    }
    // The last point takes the right end of the last window computed.
    d[n - 1] = window[2];
    return d;
}

std::vector<double> TDeriv::Blend(const std::vector<double>& y, const std::vector<double>& c) const
{
    std::vector<double> d = PolynomialDerivative(c);
    const std::vector<double> fd = FiniteDifferences(y);
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = d[i] + BlendWeight * (d[i] - fd[i]);
    return d;
}

int TDeriv::Classify(const std::vector<double>& centred, std::vector<double>& coefficients, int& code)
{
    code = pfOk;
    int s = 1;
    for (;; ++s) {
        code = FFit.PolyFit(s + 1, Abscissa, centred, coefficients);
        if (code != pfOk)
            return s;
        if (FFit.Determination() > ExplainedLimit || s == HighestDegree)
            return s;
    }
}

int TDeriv::Derive(bool smooth)
{
    const std::size_t n = Abscissa.size();
    if (n < 3)
        return 2;
    FClass = -1;
    FClass2 = -1;
    if (!smooth) {
        FirstDerivative = FiniteDifferences(Ordinate);
        SecondDerivative = FiniteDifferences(FirstDerivative);
        return 0;
    }

    std::vector<double> c;
    int code = pfOk;
    int s = 0;
    const std::vector<double> centred = Centred(Ordinate, Mean(Ordinate));
    if (!(RootMeanSquare(centred) < StillLimit)) {
        s = Classify(centred, c, code);
        if (code != pfOk)
            return code;
    }
    FClass = s;

    if (s <= 1)
        FirstDerivative = SlidingWindow(Ordinate);
    else if (s <= 3)
        FirstDerivative = Blend(Ordinate, c);
    else
        FirstDerivative = FiniteDifferences(Ordinate);

    const std::vector<double> none; // the zero polynomial
    if (s == 0) {
        SecondDerivative = Blend(FirstDerivative, none);
    } else if (s == 1) {
        const std::vector<double> centred1 = Centred(FirstDerivative, Mean(FirstDerivative));
        if (RootMeanSquare(centred1) < ConstantRateLimit) {
            SecondDerivative = Blend(FirstDerivative, none);
        } else {
            FirstDerivative = FiniteDifferences(Ordinate);
            SecondDerivative = FiniteDifferences(FirstDerivative);
        }
    } else {
        const std::vector<double> centred1 = Centred(FirstDerivative, Mean(FirstDerivative));
        std::vector<double> c2;
        const int s2 = Classify(centred1, c2, code);
        if (code != pfOk)
            return code;
        FClass2 = s2;
        if (s2 == 1)
            SecondDerivative = SlidingWindow(FirstDerivative);
        else if (s2 <= 3)
            SecondDerivative = PolynomialDerivative(c2);
        else
            SecondDerivative = FiniteDifferences(FirstDerivative);
    }
    return 0;
}
