// The result tables: columns, coordinates in metres, closed-form motions, reference-frame changes,
// failure codes and the queries of the result set.
#include "calc/UnitResultats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>

namespace {

constexpr double pi = std::numbers::pi;

// One object's mark in a row: relative units about the origin, y upwards.
using TMark = std::optional<QPointF>;

// A measurement table as the measurement data builds it: keys already relative to the earliest frame.
TMesures Table(double period, const std::vector<int>& keys, const std::vector<std::vector<TMark>>& objects)
{
    TMesures m;
    for (int key : keys)
        m.Temps.push_back(key * period);
    for (const std::vector<TMark>& marks : objects) {
        m.Images.emplace_back();
        m.X.emplace_back();
        m.Y.emplace_back();
        for (std::size_t r = 0; r < keys.size(); ++r) {
            const bool marked = r < marks.size() && marks[r].has_value();
            m.Images.back().push_back(marked ? keys[r] : -1);
            m.X.back().push_back(marked ? marks[r]->x() : 0.0);
            m.Y.back().push_back(marked ? marks[r]->y() : 0.0);
        }
    }
    return m;
}

// A motion sampled on consecutive keys 0 .. n-1 at times key * period.
std::vector<TMark> Motion(int n, double period, const std::function<QPointF(double)>& at)
{
    std::vector<TMark> marks;
    for (int k = 0; k < n; ++k)
        marks.emplace_back(at(k * period));
    return marks;
}

std::vector<int> Consecutive(int n)
{
    std::vector<int> keys(n);
    for (int k = 0; k < n; ++k)
        keys[k] = k;
    return keys;
}

class TFakeSource : public TCalcSource
{
public:
    bool Open = true;
    TMesures GridTable, LayerTable;
    std::pair<double, double> Scale{2.0, 2.0};
    double Angle = 0.0;
    bool DirX = true, DirY = true;
    double T = 0.04;
    bool ZeroBased = false;
    QStringList Names;

    bool VideoOpen() const override { return Open; }
    TMesures Mesures(bool layer) const override { return layer ? LayerTable : GridTable; }
    std::pair<double, double> FacteursEchelle() const override { return Scale; }
    double GridAngle() const override { return Angle; }
    bool DirectXAxisDirection(bool layer) const override { return layer || DirX; }
    bool DirectYAxisDirection(bool layer) const override { return layer || DirY; }
    double Period() const override { return T; }
    QString ObjectName(bool layer, int object) const override
    {
        return object < Names.size() ? Names[object] : TCalcSource::ObjectName(layer, object);
    }
    bool StartByZero() const override { return ZeroBased; }
};

struct TFixture
{
    TFakeSource Source;
    TResCalc Res;
    bool LayerMode = false;

    TFixture()
    {
        Res.SetSource(&Source);
        Res.IsLayerMode = [this] { return LayerMode; };
    }
    // Builds and derives the grid table; the codes of both steps.
    std::pair<int, bool> Run(std::uint8_t smoothing)
    {
        const int build = Res.BuildPositions(kindGrid);
        return {build, Res.ComputeDerivatives(kindGrid, smoothing)};
    }
};

} // namespace

TEST(Resultats, ColumnOrderSymbolsAndTitles)
{
    struct Case
    {
        int Objects;
        int Column;
        const char* Symbol;
        const char* Title;
    };
    const Case cases[] = {
        {1, 0, "t", "time"},
        {1, 1, "x", "Abscissa of point n°1"},
        {1, 2, "y", "Ordinates of point n°1"},
        {1, 3, "vx", "x-component of velocity of point n°1"},
        {1, 5, "v", "Value of velocity of point n°1"},
        {1, 6, "ax", "x-component of acceleration of point n°1"},
        {1, 8, "a", "Value of acceleration of point n°1"},
        {1, 9, "O", "Angular coordinate of point n°1"},
        {1, 10, "R", "Radial coordinate of point n°1"},
        {1, 11, "w", "Angular velocity value of point n°1"},
        {1, 12, "", ""},
        {2, 1, "x1", "Abscissa of point n°1"},
        {2, 2, "y1", "Ordinates of point n°1"},
        {2, 3, "x2", "Abscissa of a ball"},
        {2, 4, "y2", "Ordinates of a ball"},
        {2, 5, "vx1", "x-component of velocity of point n°1"},
        {2, 7, "v1", "Value of velocity of point n°1"},
        {2, 8, "vx2", "x-component of velocity of a ball"},
        {2, 10, "v2", "Value of velocity of a ball"},
        {2, 11, "ax1", "x-component of acceleration of point n°1"},
        {2, 16, "a2", "Value of acceleration of a ball"},
        {2, 17, "O1", "Angular coordinate of point n°1"},
        {2, 22, "w2", "Angular velocity value of a ball"},
        {3, 33, "w3", "Angular velocity value of point n°3"},
        {3, 34, "", ""},
        {3, -1, "", ""},
    };
    for (const Case& c : cases) {
        TFixture f;
        f.Source.Names = {QStringLiteral("of point n°1"), QStringLiteral("of a ball")};
        f.Source.GridTable =
            Table(0.04, {0}, std::vector<std::vector<TMark>>(c.Objects, {QPointF(0.1, 0.1)}));
        f.Res.BuildPositions(kindGrid);
        EXPECT_EQ(f.Res.ColumnCount(), 1 + 11 * c.Objects);
        EXPECT_EQ(f.Res.ColumnSymbol(c.Column), QString::fromUtf8(c.Symbol)) << c.Objects << " " << c.Column;
        EXPECT_EQ(f.Res.ColumnTitle(c.Column), QString::fromUtf8(c.Title)) << c.Objects << " " << c.Column;
    }
    EXPECT_EQ(TResCalc::KindUnit(ckA), QStringLiteral("m/s²"));
    EXPECT_EQ(TResCalc::KindUnit(ckOmega), QStringLiteral("rad/s"));
    EXPECT_TRUE(TResCalc::KindSymbol(9).isEmpty());
    EXPECT_TRUE(TResCalc::KindSymbol(10).isEmpty());
    // Three objects: time, 6 coordinates, 9 velocities, 9 accelerations, 9 polar quantities.
    int counts[14] = {};
    for (int c = 0; c < 34; ++c)
        ++counts[TResCalc::ColumnKindOf(c, 3)];
    EXPECT_EQ(counts[ckTime], 1);
    for (TColumnKind k : {ckX, ckY, ckVx, ckVy, ckV, ckAx, ckAy, ckA, ckTheta, ckR, ckOmega})
        EXPECT_EQ(counts[k], 3) << int(k);
}

TEST(Resultats, CoordinatesInMetresFollowTheScaleRotationAndAxes)
{
    // A mark on the origin, one straight up and one to the right; scale 3 m per unit across, 2 up.
    const std::vector<std::vector<TMark>> marks = {
        {QPointF(0, 0), QPointF(0, 0.5), QPointF(0.25, 0)},
    };
    struct Case
    {
        const char* Name;
        double Angle;
        bool DirX, DirY;
        double X[3], Y[3];
    };
    const Case cases[] = {
        {"no rotation", 0, true, true, {0, 0, 0.75}, {0, 1, 0}},
        // With the x axis pointing up the screen, a mark above the origin has x > 0 and y = 0.
        {"x axis up", pi / 2, true, true, {0, 1, 0}, {0, 0, -0.75}},
        {"x axis reversed", 0, false, true, {0, 0, -0.75}, {0, 1, 0}},
        {"y axis reversed", 0, true, false, {0, 0, 0.75}, {0, -1, 0}},
        {"rotated by pi/6",
         pi / 6,
         true,
         true,
         {0, 0.5, 0.75 * std::cos(pi / 6)},
         {0, std::cos(pi / 6), -0.375}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TFixture f;
        f.Source.Scale = {3.0, 2.0};
        f.Source.Angle = c.Angle;
        f.Source.DirX = c.DirX;
        f.Source.DirY = c.DirY;
        f.Source.GridTable = Table(0.04, {0, 1, 2}, marks);
        ASSERT_EQ(f.Res.BuildPositions(kindGrid), calcOk);
        for (int r = 0; r < 3; ++r) {
            EXPECT_NEAR(f.Res.Value(0, 0, ckX, r), c.X[r], 1e-12) << r;
            EXPECT_NEAR(f.Res.Value(0, 0, ckY, r), c.Y[r], 1e-12) << r;
            // The graph basis ignores rotation and axis directions.
            EXPECT_NEAR(f.Res.Value(1, 0, ckX, r), 3.0 * marks[0][r]->x(), 1e-12);
            EXPECT_NEAR(f.Res.Value(1, 0, ckY, r), 2.0 * marks[0][r]->y(), 1e-12);
        }
        EXPECT_EQ(f.Res.ScaleFactors(), (std::pair<double, double>(3.0, 2.0)));
    }
}

TEST(Resultats, ClosedFormMotions)
{
    const double T = 0.04;
    const double s = 2.0; // metres per relative unit
    struct Case
    {
        const char* Name;
        int Marks;
        std::function<QPointF(double)> Position;     // relative units
        std::function<QPointF(double)> Velocity;     // m/s
        std::function<QPointF(double)> Acceleration; // m/s²
        double Tolerance;                            // relative to the largest magnitude of the motion
        bool InnerOnly; // end rows of a curved motion carry the one-sided formulas' larger error
    };
    const double R = 0.3, w = 2.0;
    const Case cases[] = {
        {"uniform", 20, [](double t) { return QPointF(0.1 + 0.5 * t, -0.2 + 0.25 * t); },
         [](double) { return QPointF(1.0, 0.5); }, [](double) { return QPointF(0, 0); }, 1e-9, false},
        {"uniformly accelerated", 20, [](double t) { return QPointF(0.1 + 0.5 * t, 0.2 + t - 2 * t * t); },
         [](double t) { return QPointF(1.0, 2 - 8 * t); }, [](double) { return QPointF(0, -8); }, 1e-9,
         false},
        {"circular", 100, [&](double t) { return QPointF(R * std::cos(w * t), R * std::sin(w * t)); },
         [&](double t) { return QPointF(-s * R * w * std::sin(w * t), s * R * w * std::cos(w * t)); },
         [&](double t) {
             return QPointF(-s * R * w * w * std::cos(w * t), -s * R * w * w * std::sin(w * t));
         },
         // Centred differences lose (wT)²/6 of the speed and twice that of the acceleration.
         3e-3, true},
    };
    for (const Case& c : cases) {
        for (std::uint8_t smoothing : {std::uint8_t(0), std::uint8_t(smoothVelocity | smoothAcceleration)}) {
            SCOPED_TRACE(std::string(c.Name) + (smoothing ? " smoothed" : " plain"));
            TFixture f;
            f.Source.Scale = {s, s};
            f.Source.T = T;
            f.Source.GridTable = Table(T, Consecutive(c.Marks), {Motion(c.Marks, T, c.Position)});
            ASSERT_EQ(f.Run(smoothing), (std::pair<int, bool>(calcOk, true)));
            double vMax = 0, aMax = 0;
            for (int r = 0; r < c.Marks; ++r) {
                vMax = std::max(vMax, std::hypot(c.Velocity(r * T).x(), c.Velocity(r * T).y()));
                aMax = std::max(aMax, std::hypot(c.Acceleration(r * T).x(), c.Acceleration(r * T).y()));
            }
            const int first = c.InnerOnly ? 2 : 0;
            for (int r = first; r < c.Marks - first; ++r) {
                const double t = r * T;
                EXPECT_NEAR(f.Res.TimeAt(r), t, 1e-15);
                EXPECT_NEAR(f.Res.Value(0, 0, ckVx, r), c.Velocity(t).x(), c.Tolerance * std::max(1.0, vMax))
                    << r;
                EXPECT_NEAR(f.Res.Value(0, 0, ckVy, r), c.Velocity(t).y(), c.Tolerance * std::max(1.0, vMax))
                    << r;
                EXPECT_NEAR(f.Res.Value(0, 0, ckV, r), std::hypot(c.Velocity(t).x(), c.Velocity(t).y()),
                            c.Tolerance * std::max(1.0, vMax))
                    << r;
                EXPECT_NEAR(f.Res.Value(0, 0, ckAx, r), c.Acceleration(t).x(),
                            2 * c.Tolerance * std::max(1.0, aMax))
                    << r;
                EXPECT_NEAR(f.Res.Value(0, 0, ckAy, r), c.Acceleration(t).y(),
                            2 * c.Tolerance * std::max(1.0, aMax))
                    << r;
            }
        }
    }
}

TEST(Resultats, AngleStaysContinuousAroundTheOrigin)
{
    // Anticlockwise circle of 0.3 units at 2 rad/s for 4 s: the angle runs on past pi (no jump to -pi)
    // and the angular velocity stays 2 rad/s everywhere, ends included; the radius is 0.6 m.
    const double T = 0.04;
    TFixture f;
    f.Source.GridTable = Table(T, Consecutive(100), {Motion(100, T, [](double t) {
                                   return QPointF(0.3 * std::cos(2 * t + 3), 0.3 * std::sin(2 * t + 3));
                               })});
    ASSERT_EQ(f.Run(0), (std::pair<int, bool>(calcOk, true)));
    EXPECT_NEAR(f.Res.Value(0, 0, ckTheta, 0), 3.0, 1e-12);
    for (int r = 0; r < 100; ++r) {
        EXPECT_NEAR(f.Res.Value(0, 0, ckTheta, r), 3.0 + 2 * r * T, 1e-9) << r;
        EXPECT_NEAR(f.Res.Value(0, 0, ckR, r), 0.6, 1e-12) << r;
        EXPECT_NEAR(f.Res.Value(0, 0, ckOmega, r), 2.0, 1e-9) << r;
    }
    // Clockwise: the angle decreases past -pi.
    f.Source.GridTable = Table(T, Consecutive(50), {Motion(50, T, [](double t) {
                                   return QPointF(0.3 * std::cos(-3 * t - 3), 0.3 * std::sin(-3 * t - 3));
                               })});
    ASSERT_EQ(f.Run(0), (std::pair<int, bool>(calcOk, true)));
    EXPECT_NEAR(f.Res.Value(0, 0, ckTheta, 49), -3.0 - 3 * 49 * T, 1e-9);
    EXPECT_NEAR(f.Res.Value(0, 0, ckOmega, 20), -3.0, 1e-9);
}

TEST(Resultats, RotationAndReversalChangeOnlyTheComponentsInTheReferenceFrame)
{
    const double T = 0.04;
    auto run = [&](double angle, bool dirX) {
        auto f = std::make_unique<TFixture>();
        f->Source.Angle = angle;
        f->Source.DirX = dirX;
        f->Source.GridTable = Table(T, Consecutive(15), {Motion(15, T, [](double t) {
                                        return QPointF(0.1 + 0.4 * t, 0.3 + 0.6 * t - 2.5 * t * t);
                                    })});
        EXPECT_EQ(f->Run(smoothVelocity | smoothAcceleration), (std::pair<int, bool>(calcOk, true)));
        return f;
    };
    const auto plain = run(0, true);
    const auto rotated = run(0.7, true);
    const auto reversed = run(0, false);
    const double c = std::cos(0.7), s = std::sin(0.7);
    for (int r = 0; r < 15; ++r) {
        for (TColumnKind k : {ckV, ckA, ckR})
            EXPECT_NEAR(rotated->Res.Value(0, 0, k, r), plain->Res.Value(0, 0, k, r), 1e-12) << int(k);
        for (TColumnKind k : {ckX, ckY, ckVx, ckVy, ckAx, ckAy}) {
            EXPECT_EQ(rotated->Res.Value(1, 0, k, r), plain->Res.Value(1, 0, k, r)) << int(k);
            EXPECT_EQ(reversed->Res.Value(1, 0, k, r), plain->Res.Value(1, 0, k, r)) << int(k);
        }
        for (auto [kx, ky] : {std::pair<TColumnKind, TColumnKind>(ckX, ckY), {ckVx, ckVy}, {ckAx, ckAy}}) {
            const double x1 = plain->Res.Value(0, 0, kx, r), y1 = plain->Res.Value(0, 0, ky, r);
            EXPECT_NEAR(rotated->Res.Value(0, 0, kx, r), x1 * c + y1 * s, 1e-12);
            EXPECT_NEAR(rotated->Res.Value(0, 0, ky, r), y1 * c - x1 * s, 1e-12);
            EXPECT_EQ(reversed->Res.Value(0, 0, kx, r), -x1);
            EXPECT_EQ(reversed->Res.Value(0, 0, ky, r), y1);
        }
    }
}

TEST(Resultats, EachDerivativeUsesItsOwnSmoothingFlag)
{
    // A slow drift around the origin with pointing noise: smoothing changes every derivative, so each
    // result shows which flag produced it. Velocities and the angular velocity follow bit 0,
    // accelerations bit 1.
    const double T = 0.04;
    auto results = [&](std::uint8_t smoothing) {
        auto f = std::make_unique<TFixture>();
        std::vector<TMark> marks;
        for (int k = 0; k < 30; ++k)
            marks.emplace_back(
                QPointF(-0.3 + 0.02 * k + 0.002 * std::sin(7.3 * k), 0.1 + 0.004 * std::cos(5.1 * k)));
        f->Source.GridTable = Table(T, Consecutive(30), {marks});
        EXPECT_EQ(f->Run(smoothing), (std::pair<int, bool>(calcOk, true)));
        return f;
    };
    const auto plain = results(0);
    const auto both = results(smoothVelocity | smoothAcceleration);
    const auto speedOnly = results(smoothVelocity);
    const auto accelerationOnly = results(smoothAcceleration);
    EXPECT_NE(both->Res.Series(0, ckVx), plain->Res.Series(0, ckVx));
    EXPECT_NE(both->Res.Series(0, ckAx), plain->Res.Series(0, ckAx));
    EXPECT_NE(both->Res.Series(0, ckOmega), plain->Res.Series(0, ckOmega));
    for (TColumnKind k : {ckVx, ckVy, ckV, ckOmega}) {
        EXPECT_EQ(speedOnly->Res.Series(0, k), both->Res.Series(0, k)) << int(k);
        EXPECT_EQ(accelerationOnly->Res.Series(0, k), plain->Res.Series(0, k)) << int(k);
    }
    for (TColumnKind k : {ckAx, ckAy, ckA}) {
        EXPECT_EQ(speedOnly->Res.Series(0, k), plain->Res.Series(0, k)) << int(k);
        EXPECT_EQ(accelerationOnly->Res.Series(0, k), both->Res.Series(0, k)) << int(k);
    }
}

TEST(Resultats, SmoothingFlagsFromTheOptions)
{
    TOptions options;
    for (bool speed : {false, true})
        for (bool acceleration : {false, true}) {
            options.CheckBox54SmoothSpeed = speed;
            options.CheckBox7SmoothAcceleration = acceleration;
            EXPECT_EQ(SmoothingFlags(options), (speed ? 1 : 0) | (acceleration ? 2 : 0));
        }
}

TEST(Resultats, GapsAndHiddenFrames)
{
    // Object 1 is marked on every row; object 2 misses row 2. Keys 0 1 2 4 5: the frame between keys 2
    // and 4 was hidden without a time shift, so that step is 2T.
    const double T = 0.1;
    const std::vector<int> keys = {0, 1, 2, 4, 5};
    auto at = [](double k, double v) { return QPointF(v * k, 0.05 * k); };
    std::vector<TMark> one, two;
    for (int k : keys) {
        one.emplace_back(at(k, 0.1));
        two.emplace_back(k == 2 ? TMark() : TMark(at(k, 0.2)));
    }
    TFixture f;
    f.Source.T = T;
    f.Source.GridTable = Table(T, keys, {one, two});
    ASSERT_EQ(f.Run(0), (std::pair<int, bool>(calcOk, true)));
    EXPECT_EQ(f.Res.Times(), (std::vector<double>{0, 0.1, 0.2, 0.4, 0.5}));
    EXPECT_EQ(f.Res.Keys(1), (TIntegerDynArray{0, 1, -1, 4, 5}));
    EXPECT_EQ(f.Res.KeyAt(1, 2), -1);
    // The missing cell is empty: key -1 and every value 0.
    for (TColumnKind k : {ckX, ckY, ckVx, ckVy, ckV, ckAx, ckAy, ckA, ckTheta, ckR, ckOmega})
        EXPECT_EQ(f.Res.Value(0, 1, k, 2), 0.0) << int(k);
    // Uniform motion: every velocity is exact whatever the steps, the ends included; object 2 is derived
    // over its own marks (keys 0 1 4 5), so its first end spans the uneven step.
    for (int r = 0; r < 5; ++r) {
        EXPECT_NEAR(f.Res.Value(0, 0, ckVx, r), 0.1 * 2 / T, 1e-12) << r;
        if (r != 2) {
            EXPECT_NEAR(f.Res.Value(0, 1, ckVx, r), 0.2 * 2 / T, 1e-12) << r;
        }
    }

    // A uniformly accelerated motion, x = 0.01 k² - 0.03 k and y = 0.05 k at 2 m per unit, so that
    // vx = 2 (0.02 k - 0.03) / T and vy = 0.1 / T at every key. The first and last rows, whose three
    // points span an uneven step, get the slope of the motion itself; an inner row gets the chord over
    // its two neighbours, which differs from it next to a gap.
    const auto x = [](double k) { return 0.01 * k * k - 0.03 * k; };
    struct Case
    {
        const char* Name;
        std::vector<int> Keys;
    };
    const Case cases[] = {
        {"hidden frame after the first", {0, 2, 3, 4, 5}},
        {"hidden frame before the last", keys},
        {"last frame shifted two frames later", {0, 1, 2, 3, 6}},
        {"first frame shifted two frames earlier", {0, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<TMark> marks;
        for (int k : c.Keys)
            marks.emplace_back(QPointF(x(k), 0.05 * k));
        f.Source.GridTable = Table(T, c.Keys, {marks});
        ASSERT_EQ(f.Run(0), (std::pair<int, bool>(calcOk, true)));
        const std::vector<int>& k = c.Keys;
        for (int r : {0, 4}) {
            EXPECT_NEAR(f.Res.Value(0, 0, ckVx, r), 2 * (0.02 * k[r] - 0.03) / T, 1e-12) << r;
            EXPECT_NEAR(f.Res.Value(0, 0, ckVy, r), 0.1 / T, 1e-12) << r;
        }
        for (int r = 1; r < 4; ++r)
            EXPECT_NEAR(f.Res.Value(0, 0, ckVx, r),
                        2 * (x(k[r + 1]) - x(k[r - 1])) / ((k[r + 1] - k[r - 1]) * T), 1e-12)
                << r;
    }
}

TEST(Resultats, FailureCodes)
{
    const double T = 0.04;
    const std::vector<TMark> good = Motion(5, T, [](double t) { return QPointF(t, t * t); });
    struct Case
    {
        const char* Name;
        std::function<void(TFakeSource&)> Setup;
        int Build;
        bool Derived;
    };
    const Case cases[] = {
        {"no video", [](TFakeSource& s) { s.Open = false; }, calcNoVideo, false},
        {"scale undefined",
         [](TFakeSource& s) {
             s.Scale = {-1, -1};
         },
         calcNoScale, false},
        {"scale of zero length",
         [](TFakeSource& s) {
             s.Scale = {0, 0};
         },
         calcNoScale, false},
        {"vertical scale missing",
         [](TFakeSource& s) {
             s.Scale = {2, -1};
         },
         calcNoScale, false},
        {"no object", [](TFakeSource& s) { s.GridTable = TMesures{}; }, calcOk, false},
        {"an object with two marks",
         [&](TFakeSource& s) {
             s.GridTable = Table(T, {0, 1}, {{QPointF(0, 0), QPointF(1, 1)}});
         },
         calcOk, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TFixture f;
        f.Source.GridTable = Table(T, Consecutive(5), {good});
        c.Setup(f.Source);
        EXPECT_EQ(f.Run(3), (std::pair<int, bool>(c.Build, c.Derived)));
        // Nothing is computed when the positions could not be built: every value stays 0.
        if (c.Build != calcOk) {
            for (int r = 0; r < f.Res.RowCount(); ++r)
                EXPECT_EQ(f.Res.Value(0, 0, ckX, r), 0.0);
        }
    }
    // The codes themselves.
    TFixture f;
    f.Source.GridTable = Table(T, {0, 1}, {{QPointF(0, 0), QPointF(1, 1)}});
    f.Res.BuildPositions(kindGrid);
    EXPECT_EQ(f.Res.Grid().ComputeDerivatives(0), calcTooFewMarks);
    f.Source.GridTable = TMesures{};
    f.Res.BuildPositions(kindGrid);
    EXPECT_EQ(f.Res.Grid().ComputeDerivatives(0), calcNoObject);
    f.Source.Scale = {0, 1};
    f.Res.BuildPositions(kindGrid);
    EXPECT_EQ(f.Res.Grid().ComputeDerivatives(0), calcNoScale);
}

TEST(Resultats, ComputationStopsAtTheFirstObjectThatCannotBeDerived)
{
    const double T = 0.04;
    const std::vector<int> keys = Consecutive(5);
    std::vector<TMark> full = Motion(5, T, [](double t) { return QPointF(1 + t, 0); });
    std::vector<TMark> two = {QPointF(0.5, 0.5), QPointF(0.6, 0.5)};
    TFixture f;
    f.Source.GridTable = Table(T, keys, {full, two, full});
    f.Res.BuildPositions(kindGrid);
    EXPECT_EQ(f.Res.Grid().ComputeDerivatives(0), calcTooFewMarks);
    EXPECT_NEAR(f.Res.Value(0, 0, ckVx, 2), 2.0, 1e-12); // object 1 was computed
    EXPECT_EQ(f.Res.Value(0, 2, ckVx, 2), 0.0);          // object 3 was not

    // Rows sharing one key (frames brought together by time shifts): smoothed velocities refuse them
    // with code 4 while plain accelerations succeed; the computation reports the failure.
    std::vector<TMark> stacked = {QPointF(0.1, 0.1), QPointF(0.3, 0.2), QPointF(0.2, 0.5)};
    f.Source.GridTable = Table(T, {0, 0, 0}, {stacked});
    f.Res.BuildPositions(kindGrid);
    EXPECT_EQ(f.Res.Grid().ComputeDerivatives(smoothVelocity), calcNoScale);
    EXPECT_FALSE(f.Res.ComputeDerivatives(kindGrid, smoothVelocity));
}

TEST(Resultats, KindSelectorsAndInvalidation)
{
    const double T = 0.04;
    TFixture f;
    f.Source.Angle = pi / 2;
    f.Source.GridTable =
        Table(T, Consecutive(4), {Motion(4, T, [](double t) { return QPointF(0.1 + t, 0); })});
    f.Source.LayerTable =
        Table(T, Consecutive(3), {Motion(3, T, [](double t) { return QPointF(0.2 + t, 0); })});

    f.Res.Invalidate(kindBoth);
    EXPECT_TRUE(f.Res.IsDirty(kindLayer));
    EXPECT_TRUE(f.Res.IsDirty(kindGrid));
    EXPECT_EQ(f.Res.BuildPositions(kindCurrent), calcOk); // the grid: the view is not in layer mode
    EXPECT_FALSE(f.Res.IsDirty(kindGrid));
    EXPECT_TRUE(f.Res.IsDirty(kindLayer));
    EXPECT_TRUE(f.Res.IsDirty(kindBoth));
    EXPECT_TRUE(f.Res.IsDirty(7)); // any other value means both
    EXPECT_EQ(f.Res.RowCount(), 4);
    // The grid is rotated by a quarter turn: a mark to the right of the origin has y < 0.
    EXPECT_NEAR(f.Res.Value(0, 0, ckY, 0), -0.2, 1e-12);

    f.LayerMode = true;
    EXPECT_EQ(&f.Res.Current(), &f.Res.Layer());
    EXPECT_EQ(f.Res.RowCount(), 0); // not built yet
    EXPECT_EQ(f.Res.BuildPositions(kindCurrent), calcOk);
    EXPECT_FALSE(f.Res.IsDirty(kindBoth));
    EXPECT_EQ(f.Res.RowCount(), 3);
    // The layer does not rotate.
    EXPECT_NEAR(f.Res.Value(0, 0, ckX, 0), 0.4, 1e-12);
    EXPECT_NEAR(f.Res.Value(0, 0, ckY, 0), 0.0, 1e-12);

    f.Res.Invalidate(kindGrid);
    EXPECT_TRUE(f.Res.IsDirty(kindGrid));
    EXPECT_FALSE(f.Res.IsDirty(kindCurrent));
    EXPECT_TRUE(f.Res.ComputeDerivatives(kindBoth, 3));

    // Both kinds fail together when one cannot be derived.
    f.Source.LayerTable = Table(T, {0, 1}, {{QPointF(0, 0), QPointF(0.1, 0)}});
    EXPECT_EQ(f.Res.BuildPositions(kindBoth), calcOk);
    EXPECT_TRUE(f.Res.ComputeDerivatives(kindGrid, 3));
    EXPECT_FALSE(f.Res.ComputeDerivatives(kindBoth, 3));

    // Without a source the table is empty and there is no video.
    TResCalc alone;
    EXPECT_EQ(alone.BuildPositions(kindCurrent), calcNoVideo);
    EXPECT_FALSE(alone.ComputeDerivatives(kindCurrent, 0));
    EXPECT_EQ(alone.ColumnCount(), 1);
}

TEST(Resultats, QueriesOnTheCurrentTable)
{
    const double T = 0.04;
    // Object 1 has negative x on rows 0, 1, 3; object 2 only rows 1 and 2; object 3 no mark at all.
    TFixture f;
    f.Source.Scale = {1.0, 1.0};
    f.Source.GridTable = Table(T, {0, 1, 2, 3},
                               {{QPointF(-0.5, 0.1), QPointF(-0.25, 0.2), TMark(), QPointF(-0.75, 0.3)},
                                {TMark(), QPointF(0.5, 0.4), QPointF(0.25, 0.8), TMark()},
                                {}});
    ASSERT_EQ(f.Res.BuildPositions(kindGrid), calcOk);

    // Extremes over marked rows only: the 0 of the empty row does not count.
    EXPECT_EQ(f.Res.MaxValue(0, 0, ckX), -0.25);
    EXPECT_EQ(f.Res.MinValue(0, 0, ckX), -0.75);
    EXPECT_EQ(f.Res.MaxValue(0, 2, ckX), -1e100);
    EXPECT_EQ(f.Res.MinValue(0, 2, ckX), 1e100);
    EXPECT_EQ(f.Res.MaxValue(0, 9, ckX), -1e100);
    EXPECT_EQ(f.Res.MaxOverObjects(0, ckX), 0.5);
    EXPECT_EQ(f.Res.MinOverObjects(0, ckY), 0.1);
    EXPECT_EQ(f.Res.MaxOverObjects(0, ckTime), 3 * T);

    // Out of the table and codes that name nothing.
    EXPECT_EQ(f.Res.TimeAt(4), 0.0);
    EXPECT_EQ(f.Res.TimeAt(-1), 0.0);
    EXPECT_EQ(f.Res.KeyAt(0, 9), 0);
    EXPECT_EQ(f.Res.KeyAt(5, 0), 0);
    EXPECT_EQ(f.Res.Value(0, 0, ckX, 4), 0.0);
    EXPECT_EQ(f.Res.Value(0, 0, 9, 0), 0.0);
    EXPECT_EQ(f.Res.Value(0, 0, 10, 0), 0.0);
    EXPECT_EQ(f.Res.Value(0, 7, ckX, 0), 0.0);
    EXPECT_EQ(f.Res.Value(0, 1, ckTime, 2), 2 * T);
    EXPECT_TRUE(f.Res.Keys(3).empty());
    EXPECT_EQ(f.Res.RowNumbers(), (TIntegerDynArray{0, 1, 2, 3}));
    const TMatriceD ys = f.Res.Series(0, ckY);
    ASSERT_EQ(ys.size(), 3u);
    EXPECT_EQ(ys[1], (std::vector<double>{0, 0.4, 0.8, 0}));
    EXPECT_EQ(f.Res.Series(0, 9), TMatriceD(3, std::vector<double>(4, 0.0)));

    // Trajectories with their row labels.
    TLabelledPoints own = f.Res.RelativeTrajectory(0, -1);
    EXPECT_EQ(own.Points, (TPointDDynArray{QPointF(-0.5, 0.1), QPointF(-0.25, 0.2), QPointF(-0.75, 0.3)}));
    EXPECT_EQ(own.Labels, (TIntegerDynArray{1, 2, 4}));
    TLabelledPoints relative = f.Res.RelativeTrajectory(0, 1);
    EXPECT_EQ(relative.Points, (TPointDDynArray{QPointF(-0.75, -0.2)}));
    EXPECT_EQ(relative.Labels, (TIntegerDynArray{2}));
    TLabelledPoints self = f.Res.RelativeTrajectory(1, 1);
    EXPECT_EQ(self.Points, (TPointDDynArray{QPointF(0, 0)}));
    EXPECT_EQ(self.Labels, (TIntegerDynArray{1}));
    EXPECT_TRUE(f.Res.RelativeTrajectory(0, 5).Points.empty());
    TLabelledPoints series = f.Res.PointSeries(0, 1, ckY, ckX);
    EXPECT_EQ(series.Points, (TPointDDynArray{QPointF(0.5, 0.4), QPointF(0.25, 0.8)}));
    EXPECT_EQ(series.Labels, (TIntegerDynArray{2, 3}));

    // Numbering from zero.
    f.Source.ZeroBased = true;
    EXPECT_EQ(f.Res.PointSeries(0, 1, ckY, ckX).Labels, (TIntegerDynArray{1, 2}));
    EXPECT_EQ(f.Res.RelativeTrajectory(1, 1).Labels, (TIntegerDynArray{0}));
}
