// Times the fit of each non-linear model to 300 noisy points (best of several runs) and prints the
// iterations it took, beside the linear parabola fit of the same points as the reference.
#include "models/UnitMarquardt.h"
#include "models/UnitModeles.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int Points = 300;
constexpr int Runs = 20;

struct TCase
{
    const char* Name;
    int Kind;
    std::vector<double> Params;
    double Step;
    double Sigma;
};

std::vector<double> Noisy(int kind, const std::vector<double>& params, const std::vector<double>& x,
                          double sigma)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> normal(0.0, sigma);
    std::vector<double> y;
    for (double v : x) {
        const double clean = kind == mkParabole ? params[0] + params[1] * v + params[2] * v * v
                                                : NonLinearValue(kind, params, v);
        y.push_back(clean + normal(rng));
    }
    return y;
}

// Best time of a fit of the model to the points, in milliseconds; the model keeps the last fit.
double Time(TMdl& model, const std::vector<double>& x, const std::vector<double>& y)
{
    double best = 1e300;
    for (int i = 0; i < Runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        model.Fit(x, y);
        const auto stop = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    return best;
}

} // namespace

int main()
{
    const double pi = 3.14159265358979323846;
    const TCase cases[] = {
        {"parabola (linear reference)", mkParabole, {1, 2, -4.905}, 0.005, 0.01},
        {"exponential (cooling)", mkExponentiel, {20, 60, -0.05}, 0.3, 0.5},
        {"sine", mkSinus, {0.1, 0.4, 5.5, 4.0}, 0.033, 0.03},
        {"damped sine, exponential", mkSinusAe, {0.5, 1.5, 3.1, 0.4, -0.15}, 0.04, 0.05},
        {"damped sine, linear (stops)", mkSinusAl, {0, 1, 2 * pi, 0.8, -0.08}, 0.05, 0.03},
    };
    std::printf("Fits of %d noisy points: best of %d runs\n", Points, Runs);
    std::printf("%-30s %10s %6s %11s %8s\n", "model", "time", "code", "iterations", "ratio");
    double reference = 0.0;
    for (const TCase& c : cases) {
        std::vector<double> x;
        for (int i = 0; i < Points; ++i)
            x.push_back(c.Step * i);
        const std::vector<double> y = Noisy(c.Kind, c.Params, x, c.Sigma);
        auto model = CreateModel(c.Kind);
        const double ms = Time(*model, x, y);
        if (reference == 0.0)
            reference = ms;
        std::printf("%-30s %7.3f ms %6d %11d %7.1fx\n", c.Name, ms, model->FitCode, model->Iterations,
                    ms / reference);
    }
    std::printf("The ratio compares each fit with the linear parabola fit of the same number of points.\n");
    return 0;
}
