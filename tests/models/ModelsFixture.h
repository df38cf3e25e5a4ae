// Synthetic curves for the model tests: exact samples of each model and a reproducible noise.
#pragma once

#include "models/UnitMarquardt.h"

#include <cmath>
#include <random>
#include <vector>

inline constexpr double TestPi = 3.14159265358979323846;

struct TCurve
{
    std::vector<double> X, Y;
};

// n abscissae from `from` in steps of `step`.
inline std::vector<double> Abscissae(double from, double step, int n)
{
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = from + step * i;
    return x;
}

// Exact samples of a kind's model (whole parameter array).
inline TCurve Sample(int kind, const std::vector<double>& params, const std::vector<double>& x)
{
    TCurve c{x, {}};
    for (double v : x)
        c.Y.push_back(NonLinearValue(kind, params, v));
    return c;
}

// The phase d that makes the samples of the damped sines average to the offset r exactly, so that the
// fit's fixed offset (the mean of y) is the true one: a root of the mean residual in d, by scanning and
// bisection.
inline double PhaseWithZeroMean(int kind, std::vector<double> params, const std::vector<double>& x)
{
    auto mean = [&](double d) {
        params[3] = d;
        double s = 0.0;
        for (double v : x)
            s += NonLinearValue(kind, params, v) - params[0];
        return s / x.size();
    };
    const int steps = 720;
    double lo = 0.0, flo = mean(lo);
    for (int i = 1; i <= steps; ++i) {
        const double hi = 2 * TestPi * i / steps, fhi = mean(hi);
        if ((flo <= 0) != (fhi <= 0) &&
            std::fabs(fhi - flo) < 0.5 * (std::fabs(flo) + std::fabs(fhi)) + 1e-3) {
            double a = lo, b = hi, fa = flo;
            for (int k = 0; k < 200; ++k) {
                const double m = 0.5 * (a + b), fm = mean(m);
                if ((fm <= 0) == (fa <= 0)) {
                    a = m;
                    fa = fm;
                } else {
                    b = m;
                }
            }
            return 0.5 * (a + b);
        }
        lo = hi;
        flo = fhi;
    }
    return -1.0;
}

// Gaussian noise of standard deviation sigma, reproducible from the seed.
inline void AddNoise(std::vector<double>& y, double sigma, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> normal(0.0, sigma);
    for (double& v : y)
        v += normal(rng);
}
