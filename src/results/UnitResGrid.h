// The datasheet without its window: the column models of the grid and the layer, the text and colour
// of every cell read from the current result table, the number formats, and the datasheet text.
#pragma once

#include "calc/UnitResultats.h"
#include "common/UnitFormat.h"
#include "common/UnitOptions.h"
#include "common/UnitTypes.h"

#include <QDateTime>
#include <QString>
#include <bitset>
#include <vector>

class TServeur;

// One column of the full column list of a result set.
struct TColumn
{
    bool Visible = false;
    int Digits = 0; // extra significant digits, 0 .. 8
};
using TColumnDynArray = std::vector<TColumn>;

// A set of column kinds, indexed by their codes.
using TColumnKindSet = std::bitset<16>;
TColumnKindSet KindsCoordinates();  // x, y
TColumnKindSet KindsVelocity();     // vx, vy, v
TColumnKindSet KindsAcceleration(); // ax, ay, a
TColumnKindSet KindsPolar();        // angle, radius, angular velocity

// Grid column indices count the row-number column as 0; a data column k (from 0) is grid column
// FixedCols + k and shows the full column of the (k + 1)-th visible entry.
// The column model of one result set: which of its 11 N + 1 full columns are shown and their extra
// digits. The full column list is time, x y per object, vx vy v per object, ax ay a per object, then
// angle, radius and angular velocity per object.
class TGrid
{
public:
    int FixedCols = 1; // the row-number column
    int FixedRows = 4; // button row, symbol row, unit row, caption row
    int ColCount = 2;  // max(1, visible entries) + FixedCols, after Recount
    int RowCount = 4;  // result rows + FixedRows, after Recount
    TColumnDynArray Columns;

    // Full index shown by grid column col, or -1 for the row-number column and columns beyond the
    // visible ones.
    int FullIndex(int col) const;
    void FewerDigits(int col);
    void MoreDigits(int col);
    // Sets the column's visibility; the time column is visible afterwards whatever was asked.
    void SetColumnVisible(bool visible, int col);
    void SetKindsVisible(bool visible, TColumnKindSet kinds);
    void Recount(int resultRows);
    // 11 N + 1 entries; entries that existed keep their state, new ones are hidden with no extra digit.
    void Resize(int objectCount);
    void ResetDigits();
    // Objects the model was sized for.
    int ObjectCount() const;
};

// The datasheet's result set: one column model for the grid and one for the layer, the active one
// following the result set that the calculation reads (the layer's while the view measures on the
// layer), so hidden columns and digits are remembered separately for the two frames. One instance for
// the whole run, owned by the main window; it outlives the results window. Every operation applies to
// the active model; `col` and `row` are grid indices.
class TResGrid
{
public:
    TResGrid(const TResCalc& calc, const TOptions& options);

    TGrid& Active();
    const TGrid& Active() const;
    TGrid& GridModel() { return FGrid; }
    TGrid& LayerModel() { return FLayer; }

    // Text of one cell; empty outside the model. `formatted` false gives every value in general format
    // with 15 significant digits, for the exports.
    QString CellText(int col, int row, bool formatted) const;
    // Background of the data cells of a grid column, by the group of its quantity.
    TColor CellColor(int col) const;
    // Kind of the quantity shown by a grid column; code 9 for none.
    TColumnKind ColumnKind(int col) const;
    int FullIndex(int col) const { return Active().FullIndex(col); }

    void FewerDigits(int col) { Active().FewerDigits(col); }
    void MoreDigits(int col) { Active().MoreDigits(col); }
    void SetColumnVisible(bool visible, int col) { Active().SetColumnVisible(visible, col); }
    void SetKindsVisible(bool visible, TColumnKindSet kinds) { Active().SetKindsVisible(visible, kinds); }
    // Recounts the active model against the current result table.
    void Recount();
    // which: kindCurrent the active model, kindGrid, kindLayer, any other value both.
    void Resize(int which, int objectCount);
    void ResetDigits(int which);
    // Another video was opened: the extra digits of both models go back to 0. Their visibility needs
    // no reset, the datasheet rewrites it by group each time it shows.
    void ResetForNewVideo() { ResetDigits(kindBoth); }

    int FixedCols() const { return Active().FixedCols; }
    int FixedRows() const { return Active().FixedRows; }
    int ColCount() const { return Active().ColCount; }
    int RowCount() const { return Active().RowCount; }

    const TResCalc& Calc() const { return FCalc; }

private:
    // The models selected by `which`.
    std::vector<TGrid*> Selected(int which);
    // Whether the object's value at result row m is hidden as an edge of its marked rows.
    bool HiddenEdge(TColumnKind kind, int object, int m) const;

    const TResCalc& FCalc;
    const TOptions& FOptions;
    TGrid FGrid;
    TGrid FLayer;
};

// Fills serveur with the datasheet text of the active model: the program's path, the date and time,
// the rotation line, the symbol, unit and caption rows, then one line per result row; cells in full
// precision separated by TAB. Recounts the model first. Returns the number of data columns.
// gridAngle is the grid's rotation in radians; the layer's axes are never rotated, so while the layer's
// table is active the rotation line states 0 whatever the grid's angle.
int BuildDatasheetText(TResGrid& grid, TServeur& serveur, const QString& programPath, double gridAngle,
                       const QDateTime& now);
// The rotation line of the datasheet text for a grid angle in radians.
QString GridRotationLine(double gridAngle);
