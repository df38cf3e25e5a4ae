// What the results window does to its data before showing it, without the window: the preparation of
// the current result table, the datasheet's column groups, and the datasheet text in one call.
#pragma once

#include "calc/UnitResultats.h"
#include "common/UnitOptions.h"
#include "results/UnitResGrid.h"

#include <QDateTime>
#include <QString>
#include <cstdint>

class TServeur;

// The results window's choices that the calculation and the datasheet read: which derivative families
// are computed, and the smoothing flags byte (bit 0 velocity, bit 1 acceleration).
struct TResultsFlags
{
    bool VelocityComputed = true;
    bool AccelerationComputed = true;
    bool PolarComputed = true;
    std::uint8_t Smoothing = smoothVelocity | smoothAcceleration;

    static TResultsFlags FromOptions(const TOptions& options);
};

// The checked states of the datasheet's Display items "Coordinates", "Velocity", "Acceleration" and
// "Polar quantities".
struct TDatasheetGroups
{
    bool Coordinates = true;
    bool Velocity = true;
    bool Acceleration = true;
    bool Polar = true;

    static TDatasheetGroups FromOptions(const TOptions& options);
};

// Prepares the current result table for showing. 5 (no video) when videoOpen is false. When the table
// is out of date: rebuilds the positions, sizes the active column model to the objects, and computes
// the derivatives with the smoothing flags when any derivative family is wanted. A failed build or
// derivation returns its code and leaves the table out of date, so that the next preparation tries
// again instead of showing what was left of this one; a failed derivation also clears the three
// "computed" flags. 0 on success. `recomputed` (optional) tells whether the table was rebuilt, after
// which the graphs of the frame must be rebuilt too.
int PrepareResults(TResCalc& calc, TResGrid& grid, TResultsFlags& flags, bool videoOpen,
                   bool* recomputed = nullptr);

// Shows each column group of the active model as the Display items and the computed flags say, and the
// time column; columns hidden one by one come back. Digits are kept.
void ShowDatasheetColumns(TResGrid& grid, const TDatasheetGroups& groups, const TResultsFlags& flags);

// Recomputes the current table with the smoothing and computed flags of the options and shows every group
// the options show, as every export of the datasheet does first. 0 or the calculation's code.
int PrepareDatasheetExport(TResCalc& calc, TResGrid& grid, const TOptions& options, bool videoOpen);

// The datasheet text that the Export command writes, built without any window: the current table is
// recomputed with the smoothing and computed flags of the options, every group the options show is
// shown, and serveur receives the text. 0 on success, else the calculation's code (serveur untouched).
int ExportDatasheetText(TResCalc& calc, TResGrid& grid, const TOptions& options, bool videoOpen,
                        double gridAngle, const QString& programPath, const QDateTime& now,
                        TServeur& serveur);

// A short English reason for a calculation code, for messages on the command line.
QString CalcErrorText(int code);
