// Times the result table of 32 objects (positions, velocities, accelerations, polar quantities) at 1,000
// and 10,000 marks per object, with and without smoothing, and prints the growth between the two sizes.
#include "calc/UnitResultats.h"
#include "support/BenchTable.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

using bench::Objects;
using bench::TBenchSource;

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
