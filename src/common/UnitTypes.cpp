// Shared numeric helpers and colour conversion.
#include "common/UnitTypes.h"

#include <bit>
#include <cmath>
#include <numbers>

double NonDefini()
{
    return std::bit_cast<double>(NonDefiniBits);
}

bool IsNonDefini(double value)
{
    return std::isnan(value);
}

bool IsZero(double value)
{
    return std::fabs(value) < ZeroLimit;
}

bool IsTooBig(double value)
{
    return std::fabs(value) > TooBigLimit;
}

bool SameValue(double a, double b)
{
    return IsZero(a - b);
}

bool SamePoint(const TPointRel& a, const TPointRel& b)
{
    return SameValue(a.X, b.X) && SameValue(a.Y, b.Y);
}

double NormaliseAngle(double angle)
{
    if (!std::isfinite(angle))
        return NonDefini();
    constexpr double pi = std::numbers::pi;
    constexpr double twoPi = 2.0 * std::numbers::pi;
    // Whole turns are removed at once so that huge angles cost no long loop; exactly -pi and pi stay.
    if (std::fabs(angle) > 4.0 * pi)
        angle = std::fmod(angle, twoPi);
    while (angle > pi)
        angle -= twoPi;
    while (angle < -pi)
        angle += twoPi;
    return angle;
}

QColor ToQColor(TColor color)
{
    const auto c = static_cast<std::uint32_t>(color);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TColor FromQColor(const QColor& color)
{
    return TColor(color.red() | (color.green() << 8) | (color.blue() << 16));
}
