// Types and small numeric helpers shared by every part of the program.
#pragma once

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <vector>

// A position in a source frame as fractions of its size: u = x / W, v = y / H, (0, 0) is the top-left
// corner, x to the right, y downwards. Stored data always uses these units so that zoom, pan and the
// window size never change it.
struct TPointRel
{
    double X = 0.0;
    double Y = 0.0;

    friend bool operator==(const TPointRel&, const TPointRel&) = default;
};

// The main mode of the video view.
enum TModeVideo : std::uint8_t
{
    mvNone = 0,
    mvCapture = 1,
    mvMontage = 2,    // editing the time base
    mvRepereFixe = 3, // measuring in the grid
    mvStudio = 4,
    mvTracking = 5,
    mvTransparent = 6, // measuring on the layer
};

// Codes of the result quantities (9 and 10 name nothing).
using TColumnKind = std::uint8_t;
enum : TColumnKind
{
    ckTime = 0,
    ckX = 1,
    ckY = 2,
    ckVx = 3,
    ckVy = 4,
    ckV = 5,
    ckAx = 6,
    ckAy = 7,
    ckA = 8,
    ckTheta = 11,
    ckR = 12,
    ckOmega = 13,
};

// The non-defined value: a quiet NaN with the bit pattern FFF8000000000000, shown as "#Number!".
inline constexpr std::uint64_t NonDefiniBits = 0xFFF8000000000000ULL;
double NonDefini();
bool IsNonDefini(double value);
inline const QString NonDefiniText = QStringLiteral("#Number!");

// A value counts as zero below 1e-100 in absolute value and as too big above 1e100.
inline constexpr double ZeroLimit = 1e-100;
inline constexpr double TooBigLimit = 1e100;
bool IsZero(double value);
bool IsTooBig(double value);
// Two doubles are the same when their difference is zero in the sense above; points likewise.
bool SameValue(double a, double b);
bool SamePoint(const TPointRel& a, const TPointRel& b);

// Brings an angle in radians into [-pi, pi] by adding or subtracting whole turns; exactly -pi and pi
// stay as they are. Non-finite input gives the non-defined value.
double NormaliseAngle(double angle);

// Dynamic arrays: zero-based, owned by value, copied on assignment.
using TIntegerDynArray = std::vector<int>;
using TBooleanDynArray = std::vector<bool>;
using TPointDynArray = std::vector<QPoint>;
using TPointDDynArray = std::vector<QPointF>;
using TMatriceI = std::vector<std::vector<int>>;
using TMatriceD = std::vector<std::vector<double>>;
using TMatrice3D = std::vector<std::vector<std::vector<double>>>;
using TMatriceStr = std::vector<std::vector<QString>>;
using TMatricePoint = std::vector<TPointDynArray>;
using TMatricePointD = std::vector<TPointDDynArray>;
using TMatrice3Point = std::vector<TMatricePoint>;
using TMatrice3PointD = std::vector<TMatricePointD>;

// A colour kept as the Windows integer 0x00BBGGRR wherever it is stored or compared: 255 is red,
// 0x00FFFF yellow. Converted to QColor only for painting.
using TColor = std::int32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;

QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
