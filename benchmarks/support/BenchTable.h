// The result table that the benchmarks compute and draw: 32 objects marked on every frame, projectiles
// and circles with a pointing noise of about a thousandth of the image.
#pragma once

#include "calc/UnitResultats.h"

#include <cmath>

namespace bench {

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

} // namespace bench
