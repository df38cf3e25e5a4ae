// Times the evaluation of a set of 20 formulas (energies, momenta, angles, finite differences, iterative
// Euler integrations, two of them coupled) over 1,000 and 10,000 result rows of two objects, and prints
// the time per evaluation of the whole set and its growth between the two sizes.
#include "calc/UnitResultats.h"
#include "formula/UnitFormules.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

// Two objects on every row: a projectile and a circle, sampled every 4 ms.
void FillTable(TCalcul& c, int rows)
{
    const int objects = 2;
    c.ObjectCount = objects;
    c.Times.resize(rows);
    c.RowNumbers.resize(rows);
    c.Keys.assign(objects, TIntegerDynArray(rows, 0));
    const auto size = [&](TMatriceD& m) { m.assign(objects, std::vector<double>(rows, 0.0)); };
    for (int v = 0; v < 2; ++v) {
        size(c.PosX[v]);
        size(c.PosY[v]);
        size(c.VelX[v]);
        size(c.VelY[v]);
        size(c.AccX[v]);
        size(c.AccY[v]);
    }
    size(c.Speed);
    size(c.AccNorm);
    size(c.Angle);
    size(c.Radius);
    size(c.AngularVelocity);
    for (int r = 0; r < rows; ++r) {
        const double t = 0.004 * r;
        c.Times[r] = t;
        c.RowNumbers[r] = r;
        for (int p = 0; p < objects; ++p) {
            c.Keys[p][r] = r;
            const double x = p == 0 ? 0.1 + 1.2 * t : 0.3 * std::cos(2 * t);
            const double y = p == 0 ? 2.0 * t - 4.905 * t * t : 0.3 * std::sin(2 * t);
            const double vx = p == 0 ? 1.2 : -0.6 * std::sin(2 * t);
            const double vy = p == 0 ? 2.0 - 9.81 * t : 0.6 * std::cos(2 * t);
            for (int v = 0; v < 2; ++v) {
                c.PosX[v][p][r] = x;
                c.PosY[v][p][r] = y;
                c.VelX[v][p][r] = vx;
                c.VelY[v][p][r] = vy;
                c.AccX[v][p][r] = p == 0 ? 0.0 : -1.2 * std::cos(2 * t);
                c.AccY[v][p][r] = p == 0 ? -9.81 : -1.2 * std::sin(2 * t);
            }
            c.Speed[p][r] = std::hypot(vx, vy);
            c.AccNorm[p][r] = p == 0 ? 9.81 : 1.2;
            c.Angle[p][r] = std::atan2(y, x);
            c.Radius[p][r] = std::hypot(x, y);
            c.AngularVelocity[p][r] = p == 0 ? 0.0 : 2.0;
        }
    }
}

void Define(TFormules& f)
{
    const char* constants[][2] = {{"m", "0.2"},    {"g", "9.81"},  {"k", "0.05"},
                                  {"Dt", "0.004"}, {"m2", "0.3"},  {"v_[1]", "0"},
                                  {"h_[1]", "0"},  {"p_[1]", "1"}, {"q_[1]", "0"}};
    for (const auto& c : constants)
        f.AddConstant(QLatin1String(c[0]), QString(), QString(), QLatin1String(c[1]));
    const char* formulas[] = {
        "Ec = 0.5*m*v^2",
        "Ep = m*g*y",
        "Em = Ec+Ep",
        "p1_ = m*v1",
        "ptot = m*v1+m2*v2",
        "Teta = ArcTan(y;x)",
        "Teta2 = ArcTan(y÷x)",
        "r_ = SQRT(x^2+y^2)",
        "vx_ = (x[i+1]-x[i-1])÷(t[i+1]-t[i-1])",
        "ax_ = (vx_[i+1]-vx_[i-1])÷(t[i+1]-t[i-1])",
        "v_[i+1] = v_[i] + Dt*(g-(k÷m)*v_[i]^2)",
        "h_[i+1] = h_[i] + v_[i]*Dt",
        "p_[i+1] = p_[i] + q_[i]*Dt",
        "q_[i+1] = q_[i] - p_[i]*Dt",
        "Ecrel = Ec/Em",
        "s_ = SIN(Teta)*COS(Teta)",
        "e_ = EXP(-t)*LN(1+t)",
        "d_ = ABS(x-x2)",
        "w_ = O*R+w",
        "acc = a*m",
    };
    for (const char* line : formulas)
        f.AddFormula(QString::fromUtf8(line), QString(), QString());
}

// Best of a few evaluations of all constants and formulas, in milliseconds.
double Measure(int rows, int runs)
{
    TResCalc results;
    FillTable(results.Grid(), rows);
    TFormules f;
    f.SetResults(&results);
    f.SetDecimalSeparator(QLatin1Char('.'));
    Define(f);
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f.ComputeConstants();
        f.ComputeFormulas();
        const auto stop = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    int empty = 0;
    for (const auto& rec : f.Formulas)
        empty += rec->Curve.Empty ? 1 : 0;
    if (empty > 0)
        std::printf("  %d formulas could not be computed\n", empty);
    return best;
}

} // namespace

int main()
{
    std::printf("20 formulas (4 iterative, 2 of them coupled) over the rows of two objects: best of 5\n");
    std::printf("%10s %12s %22s\n", "rows", "whole set", "per formula and row");
    double small = 0.0, large = 0.0;
    for (int rows : {1000, 2000, 5000, 10000}) {
        const double ms = Measure(rows, 5);
        std::printf("%10d %9.2f ms %19.3f us\n", rows, ms, 1000.0 * ms / (20.0 * rows));
        if (rows == 1000)
            small = ms;
        if (rows == 10000)
            large = ms;
    }
    std::printf("Growth from 1,000 to 10,000 rows: %.2fx (10 is linear; the smallest table fits the\n"
                "processor's caches, so the larger ones cost more per row).\n",
                large / small);
    return 0;
}
