// Shared numeric helpers: the non-defined value, the zero and size limits, angles and colours.
#include "common/UnitTypes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <numbers>

TEST(Types, NonDefinedValueHasItsExactBitPattern)
{
    EXPECT_EQ(std::bit_cast<std::uint64_t>(NonDefini()), 0xFFF8000000000000ULL);
    EXPECT_TRUE(IsNonDefini(NonDefini()));
    EXPECT_FALSE(IsNonDefini(0.0));
    EXPECT_EQ(NonDefiniText, QStringLiteral("#Number!"));
}

TEST(Types, ZeroAndTooBigLimitsAreStrict)
{
    EXPECT_TRUE(IsZero(0.0));
    EXPECT_TRUE(IsZero(-9.9e-101));
    EXPECT_FALSE(IsZero(1e-100));
    EXPECT_FALSE(IsTooBig(1e100));
    EXPECT_TRUE(IsTooBig(-1.0001e100));
    EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3 + 1e-120 * 0.0) == (0.1 + 0.2 == 0.3));
    EXPECT_TRUE(SamePoint({0.5, 0.25}, {0.5, 0.25 + 1e-101}));
    EXPECT_FALSE(SamePoint({0.5, 0.25}, {0.5, 0.25 + 1e-15}));
}

TEST(Types, AnglesAreNormalisedIntoMinusPiPi)
{
    constexpr double pi = std::numbers::pi;
    struct Case
    {
        double In, Out;
    };
    const Case cases[] = {
        {0.0, 0.0},
        {pi, pi},
        {-pi, -pi},
        {pi / 2, pi / 2},
        {3 * pi / 2, -pi / 2},
        {-3 * pi / 2, pi / 2},
        {3 * pi, pi},
        {2 * pi, 0.0},
        {-2 * pi + 0.1, 0.1},
        {1001 * pi + 0.5, 0.5 - pi},
    };
    for (const Case& c : cases) {
        const double r = NormaliseAngle(c.In);
        EXPECT_NEAR(r, c.Out, 1e-9) << "angle " << c.In;
        EXPECT_GE(r, -pi);
        EXPECT_LE(r, pi);
    }
    EXPECT_TRUE(IsNonDefini(NormaliseAngle(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(IsNonDefini(NormaliseAngle(NonDefini())));
}

TEST(Types, ColoursKeepTheWindowsByteOrder)
{
    EXPECT_EQ(ToQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0x00FFFF), QColor(255, 255, 0));
    EXPECT_EQ(ToQColor(0x9BDFC4), QColor(0xC4, 0xDF, 0x9B));
    EXPECT_EQ(FromQColor(QColor(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_EQ(FromQColor(ToQColor(0x00ABCDEF)), 0x00ABCDEF);
}
