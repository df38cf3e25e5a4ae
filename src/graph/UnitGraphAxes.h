// Axes of a graph: automatic graduation, number formats of the labels, drawing of an axis band with its
// ticks, grid and title, the automatic ranges and the zoom levels.
#pragma once

#include "common/UnitTypes.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <array>

class QPainter;

// A world window: the ranges shown on the two axes, world units.
struct TWorld
{
    double XMin = 0.0;
    double XMax = 100.0;
    double YMin = 0.0;
    double YMax = 100.0;

    friend bool operator==(const TWorld&, const TWorld&) = default;
};

// Ticks of a range: the first and last labelled values, the step between them and the tick count.
struct TGraduation
{
    double First = 0.0;
    double Last = 0.0;
    double Step = 0.0;
    int Count = 0;
};

// Graduation of [min, max] (max below min graduates the reversed range as it comes). A range near zero
// takes the power of ten 1 and so a step of 0.2; a non-finite range gives Count 0.
TGraduation Graduate(double min, double max);

// Text of an axis label: scientific with 3 significant digits when f = max(|min|, |max|) >= 10000 or
// <= 0.1, otherwise fixed with 0 to 3 decimals as f shrinks (f >= 1000: 0, >= 100: 1, >= 10: 2, else 3).
QString AxisLabel(double value, double min, double max);
// The labels of the ticks of [min, max] in order; a tick meant to be 0 that arithmetic left a little off
// (|value| * 2^20 below the step) is written as 0.
QStringList TickLabels(double min, double max);
// General format with `significant` significant digits and no trailing zeros ("12.3", "0.0012", "1.5E+07").
QString GeneralText(double value, int significant);
// A vector's value: 3 significant digits in fixed notation for 0.01 <= |x| <= 10000, 2 in scientific
// notation otherwise.
QString VectorValueText(double value);

// One axis of a graph. The band is the strip outside the plot that holds the labels and the title.
class TAxe
{
public:
    explicit TAxe(bool vertical) : Vertical(vertical) {}

    QStringList Title;
    QRect Band;        // pixels, in control coordinates
    int TickCount = 5; // rewritten by every graduation
    int MinorDivisions = 5;
    int TitleFromEdge = 10; // pixels from the outer edge of the control
    double Min = 0.0;
    double Max = 100.0;
    bool Vertical = false;
    bool Visible = true;
    TColor BandColor = 0xF0F0F0;

    // Draws the band, labels, title, grid lines, zero line and ticks when the axis is visible and its
    // range is not near zero. `plot` is the plot area and `control` the whole control, pixels.
    void Draw(QPainter& painter, const QRect& plot, const QSize& control);
};

// Automatic world window around `rect`: widen a degenerate range, include zero, add the margin m (a
// fraction of the range), start from zero. Any non-finite result gives 0..100 on both axes.
TWorld FitRange(const TWorld& rect, bool xIncludeZero, bool yIncludeZero, bool yFromZero, bool xFromZero,
                double margin);
// Widens one range so that both axes show the same world units per pixel on a plot of W x H pixels.
TWorld EqualizeScales(const TWorld& rect, int plotHeight, int plotWidth);

// The zoom factors of the two axes, relative to the last fresh window, and the rubber band.
struct TZoom
{
    static constexpr std::array<double, 17> Levels = {
        0.0625, 0.0833, 0.125, 0.167, 0.25, 0.333, 0.5, 0.667, 1, 1.5, 2, 2.5, 3, 3.5, 4, 6, 10};
    double ZoomX = 1.0;
    double ZoomY = 1.0;
    bool Active = false;
    QRect Band; // rubber band, pixels (normalised when used)

    // The next factor when zooming in (or, with `fine`, one tenth of the way to it), at most 10.
    static double ZoomIn(double factor, bool fine);
    // The mirror: the next smaller level, or one tenth of the way down with `fine`, at least 0.0625.
    static double ZoomOut(double factor, bool fine);
};
