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

// Gaussian noise of standard deviation sigma, reproducible from the seed.
inline void AddNoise(std::vector<double>& y, double sigma, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> normal(0.0, sigma);
    for (double& v : y)
        v += normal(rng);
}
