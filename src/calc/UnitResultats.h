// The result tables of the grid and of the layer: times, coordinates, velocities, accelerations and
// polar quantities of every object, and the queries through which the rest of the program reads them.
#pragma once

#include "common/UnitMesures.h"
#include "common/UnitOptions.h"
#include "common/UnitTypes.h"

#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// Result codes of BuildPositions and ComputeDerivatives.
enum : int
{
    calcOk = 0,
    calcSingular = 1,    // a fit of the smoothing found a singular system
    calcTooFewMarks = 2, // an object has fewer than 3 marks
    calcNoObject = 3,
    calcNoScale = 4, // a scale factor <= 0; from the derivation: all keys equal
    calcNoVideo = 5,
};

// Kind selector of TResCalc's operations.
enum : int
{
    kindBoth = 0, // any value other than 1, 2, 3
    kindCurrent = 1,
    kindLayer = 2,
    kindGrid = 3,
};

// Bits of the smoothing flags byte.
enum : std::uint8_t
{
    smoothVelocity = 1,     // bit 0: option "Smooth velocity values"
    smoothAcceleration = 2, // bit 1: option "Smooth acceleration values"
};

// The smoothing flags byte from the options "Smooth velocity values" (bit 0) and "Smooth acceleration
// values" (bit 1); the results window keeps its own copy once it has been toggled there.
std::uint8_t SmoothingFlags(const TOptions& options);

// What the calculation reads of the measurement data. The main window implements it over the
// measurement data and the options. `layer` is true for the marks pointed on the layer, false for those
// of the grid. The positions are read when a table is built; names and numbering when columns or
// labelled points are asked for.
class TCalcSource
{
public:
    virtual ~TCalcSource() = default;

    virtual bool VideoOpen() const = 0;
    // The measurement table of the frame kind: rows in time order, keys relative to the earliest
    // marked frame, positions in relative units about the origin with y upwards.
    virtual TMesures Mesures(bool layer) const = 0;
    // Metres per relative unit along x and along y; (-1, -1) when the scale is not defined.
    virtual std::pair<double, double> FacteursEchelle() const = 0;
    // The grid's x-axis angle in radians, counter-clockwise, whatever the current mode. The layer kind
    // does not rotate and does not ask.
    virtual double GridAngle() const = 0;
    // False when the axis of the frame kind is reversed.
    virtual bool DirectXAxisDirection(bool layer) const = 0;
    virtual bool DirectYAxisDirection(bool layer) const = 0;
    // Seconds between two frames (the time of a key is key * period).
    virtual double Period() const = 0;
    // The object's name as column titles show it after the quantity.
    virtual QString ObjectName(bool layer, int object) const;
    // Row labels start at 0 instead of 1 (option "Video mark index start at zero").
    virtual bool StartByZero() const { return false; }
};

// Points of one series with the labels of their rows.
struct TLabelledPoints
{
    TPointDDynArray Points;
    TIntegerDynArray Labels;
};

// The values of one object over its marked rows only, in row order (index k from 0 to its mark
// count - 1). Vector components are those in the reference frame.
struct TCompactSeries
{
    std::vector<double> Key; // time key as a double
    std::vector<double> RawX, RawY;
    std::vector<double> X, Y;
    std::vector<double> Vx, Vy, V;
    std::vector<double> Ax, Ay, A;
    std::vector<double> Angle, Radius, AngularVelocity;
};

// The results of one frame kind. All matrices are [object][row] (and [variant] in front for the vector
// quantities: 0 in the reference frame, rotated and with its axis directions; 1 in the graph basis, image
// axes with x to the right and y upwards, same origin and scale). In a row where an object has no mark
// every value of that object is 0 and its key is -1: readers test the key.
class TCalcul
{
public:
    explicit TCalcul(bool layer) : FLayer(layer) {}

    bool IsLayer() const { return FLayer; }
    void SetSource(const TCalcSource* source) { FSource = source; }

    bool Dirty = false;
    int ObjectCount = 0;
    double ScaleX = 0.0; // metres per relative unit
    double ScaleY = 0.0;
    std::vector<double> Times;   // per row, seconds
    TIntegerDynArray RowNumbers; // 0, 1, 2, ...
    TMatriceI Keys;              // time key of the object's mark in the row, or -1
    TIntegerDynArray MarkCounts;
    TMatriceD RawX, RawY;                // relative units about the origin, y upwards
    std::array<TMatriceD, 2> PosX, PosY; // metres
    std::array<TMatriceD, 2> VelX, VelY; // m/s
    TMatriceD Speed;
    std::array<TMatriceD, 2> AccX, AccY; // m/s²
    TMatriceD AccNorm;
    TMatriceD Angle;                     // rad, continuous across the negative x axis
    TMatriceD Radius;                    // m
    TMatriceD AngularVelocity;           // rad/s
    std::vector<TCompactSeries> Compact; // per object

    // Rebuilds the table from the measurement data: rows, times, keys and raw positions, then the
    // coordinates in metres. 0, 5 without a video, 4 when a scale factor is not > 0 (the table then has
    // its rows and raw positions but every other value is 0). Clears Dirty on success.
    int BuildPositions();
    // Velocities, accelerations and polar quantities of every object with the smoothing flags byte.
    // 0; 3 without objects; the code of the first object whose velocity or acceleration failed; the
    // code of the last BuildPositions when it failed.
    int ComputeDerivatives(std::uint8_t smoothing);
    // One object: derive its raw coordinates and write the results to its marked rows (the other rows
    // get 0). Nothing is written on failure; 3 for an object outside the table.
    int ComputeVelocity(int object, std::uint8_t smoothing);
    int ComputeAcceleration(int object, std::uint8_t smoothing);
    int ComputePolar(int object, std::uint8_t smoothing);

    int RowCount() const { return static_cast<int>(Times.size()); }
    double AxisAngle() const { return FAngle; }
    double PeriodUsed() const { return FPeriod; }

private:
    // The derivatives of one raw coordinate series of an object; returns the derivation's code.
    int DeriveRaw(int object, bool smooth, std::vector<double>& dx, std::vector<double>& dy, bool second);
    // The velocity (first derivative, second false) or the acceleration (second derivative) of one
    // object with one smoothing flag: its compact components in the reference frame and magnitude
    // (members x, y, norm of its TCompactSeries), and the matrices of both variants and of the magnitude.
    using TCompactMember = std::vector<double> TCompactSeries::*;
    int ComputeVector(int object, bool smooth, bool second, TCompactMember x, TCompactMember y,
                      TCompactMember norm, std::array<TMatriceD, 2>& targetX,
                      std::array<TMatriceD, 2>& targetY, TMatriceD& targetNorm);
    // Writes the compact values of an object back to its rows; the other rows get 0.
    void Scatter(int object, const std::vector<double>& values, TMatriceD& target) const;
    // Rotation of the graph-basis components into the reference frame, with its axis directions.
    void ToReferenceFrame(double x1, double y1, double& x, double& y) const;

    const bool FLayer;
    const TCalcSource* FSource = nullptr;
    double FAngle = 0.0;  // rotation used by the last build, radians
    double FPeriod = 0.0; // frame period used by the last build, seconds
    bool FDirectX = true;
    bool FDirectY = true;
    int FBuildCode = calcNoObject; // result of the last BuildPositions
};

// The two result tables (grid and layer) and the queries on the current one. One instance for the
// whole run, owned by the main window. Kind selectors: 1 the current kind, 2 the layer, 3 the grid, any
// other value both. The current kind is the layer while the view is in layer mode.
class TResCalc
{
public:
    TResCalc();

    // The measurement data, set once it exists (the result sets are created before it). Not owned.
    void SetSource(const TCalcSource* source);
    // Whether the view is in layer mode; unassigned means the grid.
    std::function<bool()> IsLayerMode;

    TCalcul& Current();
    const TCalcul& Current() const;
    TCalcul& Layer() { return FLayer; }
    TCalcul& Grid() { return FGrid; }

    void Invalidate(int kind);
    bool IsDirty(int kind) const;
    // For both kinds: the layer first, then the grid; the first non-zero code.
    int BuildPositions(int kind);
    // True when the selected computation returned 0 (for both: when both did).
    bool ComputeDerivatives(int kind, std::uint8_t smoothing);

    // Queries on the current kind. Rows or objects outside the table give 0 (keys included).
    std::pair<double, double> ScaleFactors() const;
    int RowCount() const;
    double TimeAt(int row) const;
    std::vector<double> Times() const;
    TIntegerDynArray RowNumbers() const;
    int KeyAt(int object, int row) const;
    TIntegerDynArray Keys(int object) const;
    // Variant 1 is the graph basis, any other the reference frame; it matters for vector components only.
    // Codes 9, 10 and unknown codes give 0.
    double Value(int variant, int object, TColumnKind kind, int row) const;
    TMatriceD Series(int variant, TColumnKind kind) const;
    // Over the object's marked rows; -1e100 (max) or +1e100 (min) when it has none.
    double MaxValue(int variant, int object, TColumnKind kind) const;
    double MinValue(int variant, int object, TColumnKind kind) const;
    double MaxOverObjects(int variant, TColumnKind kind) const;
    double MinOverObjects(int variant, TColumnKind kind) const;
    // Positions in metres (reference frame) of the object minus the other one (-1 for none) over the rows
    // where both have a mark, labelled with their row labels.
    TLabelledPoints RelativeTrajectory(int object, int other) const;
    // (abscissa value, ordinate value) over the object's marked rows, labelled with their row labels.
    TLabelledPoints PointSeries(int variant, int object, TColumnKind ordinate, TColumnKind abscissa) const;

    // The label of a row: row + 1, or row itself when numbering starts at zero.
    int RowLabel(int row) const;

    // The columns of the current table: 1 + 11 N of them.
    int ColumnCount() const;
    QString ColumnSymbol(int column) const;
    QString ColumnTitle(int column) const;

    // Column layout for N objects: time, then x y per object, then vx vy v per object, ax ay a per object,
    // angle, radius, angular velocity per object. Outside the table: kind 9 and object -1.
    static TColumnKind ColumnKindOf(int column, int objectCount);
    static int ColumnObjectOf(int column, int objectCount);
    // Symbol, unit and title of a quantity; empty for codes that name nothing.
    static QString KindSymbol(TColumnKind kind);
    static QString KindUnit(TColumnKind kind);
    static QString KindTitle(TColumnKind kind);

private:
    // The selected table, or null for "both".
    TCalcul* Selected(int kind);
    const TCalcul* Selected(int kind) const;
    const TMatriceD* Matrix(int variant, TColumnKind kind) const;

    TCalcul FLayer{true};
    TCalcul FGrid{false};
    const TCalcSource* FSource = nullptr;
};
