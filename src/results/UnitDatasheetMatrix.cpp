// The datasheet as a string matrix, the form in which spreadsheet files receive it.
#include "results/UnitDatasheetMatrix.h"

#include "results/UnitResPrepare.h"

TMatriceStr BuildDatasheetMatrix(TResGrid& grid, double gridAngle)
{
    grid.Recount();
    const int rows = grid.RowCount();
    const int cols = grid.ColCount() - grid.FixedCols();
    TMatriceStr matrix(std::size_t(std::max(0, rows)), std::vector<QString>(std::size_t(std::max(0, cols))));
    for (int row = 1; row < rows; ++row)
        for (int c = 0; c < cols; ++c)
            matrix[std::size_t(row)][std::size_t(c)] = grid.CellText(c + grid.FixedCols(), row, false);
    if (rows > 0 && cols >= 2) {
        const double angle = grid.Calc().Current().IsLayer() ? 0.0 : gridAngle;
        matrix[0][0] = QStringLiteral("Grid rotation in the trigonometric direction %1 %2 %3")
                           .arg(QStringLiteral("(") + QStringLiteral("rad") + QStringLiteral(")"),
                                QStringLiteral(":"), QString());
        matrix[0][1] = FormatShortest(angle);
    }
    return matrix;
}

int ExportDatasheetMatrix(TResCalc& calc, TResGrid& grid, const TOptions& options, bool videoOpen,
                          double gridAngle, TMatriceStr& matrix)
{
    const int code = PrepareDatasheetExport(calc, grid, options, videoOpen);
    if (code == calcOk)
        matrix = BuildDatasheetMatrix(grid, gridAngle);
    return code;
}
