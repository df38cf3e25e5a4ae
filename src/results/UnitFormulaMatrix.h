// The formula dialog's table without a window: the text of each cell of its formula grid, and the text
// and matrix that its exports hand to the export server.
#pragma once

#include "common/UnitTypes.h"

#include <QDateTime>
#include <QString>
#include <vector>

class TFormules;
class TOptions;
class TResCalc;
class TServeur;

// Columns: 0 the row labels, 1 the time, 2 .. F + 1 the formulas in list order, F + 2 the column that
// receives a new formula. Rows: 0 the digit controls, 1 the formula texts, 2 the units, 3 the comments,
// 4 + r the result row r. Reads the formulas' computed series as they stand (nothing is recomputed) and
// the current table of calc for the times. Nothing is owned.
class TFormulaTable
{
public:
    static constexpr int FixedRows = 4;
    static constexpr int TimeColumn = 1;
    static constexpr int FirstFormulaColumn = 2;

    TFormulaTable(const TFormules& formules, const TResCalc& calc, const TOptions& options);

    // Extra significant digits of the time column, 0 .. 8.
    int TimeDigits = 0;

    int RowCount() const;
    int ColCount() const;
    int NewFormulaColumn() const;
    // The formula shown in a column, -1 for the other columns.
    int FormulaOf(int column) const;

    // The text of a cell. Formatted: values with the column's digits, as on the screen; unformatted:
    // values in general format with 15 significant digits, as the exports write them. The time column is
    // formatted with TimeDigits in both cases. A hidden formula column keeps only its formula text.
    QString CellText(int column, int row, bool formatted) const;
    // The value cell of a formula: "#Number!" for a formula without any value, empty where it has none
    // or where the options hide the ends of a series that uses velocities or accelerations.
    QString ValueText(int formula, int resultRow, bool formatted) const;

    // The columns the exports write: the time and every shown formula, in grid order.
    std::vector<int> ExportedColumns() const;
    // gridAngle: the grid's rotation in radians; while the layer's table is active the exports state 0.
    // The text form: the program's path, the date, the rotation line, then formula texts (the part after
    // the first "="), units, comments and one line per result row, the exported columns separated by a
    // TAB. Returns the number of time and formula columns, hidden ones included (Regressi's count).
    int BuildText(TServeur& serveur, const QString& programPath, double gridAngle,
                  const QDateTime& now) const;
    // The matrix form: every row from 0, the exported columns, cells unformatted; with two columns or
    // more the rotation caption in [0][0] and the angle in radians in [0][1].
    TMatriceStr BuildMatrix(double gridAngle) const;

private:
    double Angle(double gridAngle) const;

    const TFormules& FFormules;
    const TResCalc& FCalc;
    const TOptions& FOptions;
};
