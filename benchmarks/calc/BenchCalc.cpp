// Times the result table of 32 objects (positions, velocities, accelerations, polar quantities) at 1,000
// and 10,000 marks per object, with and without smoothing, and prints the growth between the two sizes.
#include "calc/UnitResultats.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr int Objects = 32;

class TBenchSource : public TCalcSource
{
public:
    TMesures Table;

    explicit TBenchSource(int marks)
    {
        // Projectiles and circles with a pointing noise of about a thousandth of the image, the way
        // hand-placed marks look; every object is marked on every frame.
        const double period = 1.0 / 1000;
        unsigned state = 12345;
        auto noise = [&] {
            state = state * 1103515245u + 12345u;
            return ((state >> 16) % 2001 - 1000) * 1e-6;
        };
        for (int k = 0; k < marks; ++k)
            Table.Temps.push_back(k * period);
        for (int p = 0; p < Objects; ++p) {
            Table.Images.emplace_back(marks);
            Table.X.emplace_back(marks);
            Table.Y.emplace_back(marks);
            for (int k = 0; k < marks; ++k) {
                const double t = k * period * 10000.0 / marks; // the same motion whatever the count
                Table.Images[p][k] = k;
                if (p % 2 == 0) {
                    Table.X[p][k] = -0.4 + 0.08 * t + noise();
                    Table.Y[p][k] = 0.3 * t - 0.049 * t * t + noise();
                } else {
                    Table.X[p][k] = 0.3 * std::cos(0.5 * t + p) + noise();
                    Table.Y[p][k] = 0.3 * std::sin(0.5 * t + p) + noise();
                }
            }
        }
    }

    bool VideoOpen() const override { return true; }
    TMesures Mesures(bool) const override { return Table; }
    std::pair<double, double> FacteursEchelle() const override { return {1.2, 0.9}; }
    double GridAngle() const override { return 0.1; }
    bool DirectXAxisDirection(bool) const override { return true; }
    bool DirectYAxisDirection(bool) const override { return true; }
    double Period() const override { return 1.0 / 1000; }
};

// Best of a few runs of a full recomputation (positions, then derivatives), in milliseconds.
double Measure(int marks, std::uint8_t smoothing, int runs)
{
    TBenchSource source(marks);
    TResCalc res;
    res.SetSource(&source);
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        res.Invalidate(kindGrid);
        const int built = res.BuildPositions(kindGrid);
        const bool derived = res.ComputeDerivatives(kindGrid, smoothing);
        const auto stop = std::chrono::steady_clock::now();
        if (built != calcOk || !derived)
            std::printf("  computation failed: code %d, derivatives %d\n", built, derived ? 1 : 0);
        best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    return best;
}

} // namespace

int main()
{
    std::printf("Result table of %d objects: best of 5 full recomputations\n", Objects);
    std::printf("%-28s %14s %14s %8s\n", "smoothing", "1,000 marks", "10,000 marks", "growth");
    const struct
    {
        const char* Name;
        std::uint8_t Flags;
    } modes[] = {
        {"none", 0},
        {"velocity and acceleration", smoothVelocity | smoothAcceleration},
    };
    for (const auto& mode : modes) {
        const double small = Measure(1000, mode.Flags, 5);
        const double large = Measure(10000, mode.Flags, 5);
        std::printf("%-28s %11.2f ms %11.2f ms %7.2fx\n", mode.Name, small, large, large / small);
    }
    std::printf("A growth near 10 means the time is linear in the number of marks.\n");
    return 0;
}
