// The formula dialog's table without a window: cell texts and the exports' text and matrix.
#include "results/UnitFormulaMatrix.h"

#include "calc/UnitResultats.h"
#include "common/UnitFormat.h"
#include "common/UnitOptions.h"
#include "export/UnitServeur.h"
#include "formula/UnitFormules.h"
#include "results/UnitResGrid.h"

#include <QLocale>
#include <algorithm>

TFormulaTable::TFormulaTable(const TFormules& formules, const TResCalc& calc, const TOptions& options)
    : FFormules(formules), FCalc(calc), FOptions(options)
{
}

int TFormulaTable::RowCount() const
{
    return FixedRows + std::max(0, FCalc.RowCount());
}

int TFormulaTable::ColCount() const
{
    return FFormules.FormulaCount() + 3;
}

int TFormulaTable::NewFormulaColumn() const
{
    return ColCount() - 1;
}

int TFormulaTable::FormulaOf(int column) const
{
    const int formula = column - FirstFormulaColumn;
    return formula >= 0 && formula < FFormules.FormulaCount() ? formula : -1;
}

double TFormulaTable::Angle(double gridAngle) const
{
    // The layer's axes are never rotated.
    return FCalc.Current().IsLayer() ? 0.0 : gridAngle;
}

QString TFormulaTable::ValueText(int formula, int r, bool formatted) const
{
    if (formula < 0 || formula >= FFormules.FormulaCount())
        return QString();
    const TCurve& curve = FFormules.Formulas[std::size_t(formula)]->Curve;
    if (curve.Empty)
        return QStringLiteral("#Number!");
    if (r < 0 || r >= int(curve.Defined.size()) || r >= int(curve.Values.size()) ||
        curve.Defined[std::size_t(r)] == -1)
        return QString();
    if (FOptions.CheckBox30HideEdgeV && curve.UsesVelocity && (r == curve.FirstRow || r == curve.LastRow))
        return QString();
    if (FOptions.CheckBox31HideEdgeA && curve.UsesAcceleration &&
        (r <= curve.FirstRow + 1 || r >= curve.LastRow - 1))
        return QString();
    const double value = curve.Values[std::size_t(r)];
    return formatted ? FormatSignificant(curve.Digits, value) : FormatGeneral(value, 15);
}

QString TFormulaTable::CellText(int column, int row, bool formatted) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColCount())
        return QString();
    const int r = row - FixedRows;
    if (column == 0)
        return r >= 0 ? QString::number(FOptions.CheckBox36StartByZero ? r : r + 1) : QString();
    if (column == TimeColumn) {
        switch (row) {
        case 0:
            return QString();
        case 1:
            return QStringLiteral("t");
        case 2:
            return QStringLiteral("s");
        case 3:
            return QStringLiteral("time");
        default:
            return FormatSignificant(TimeDigits, FCalc.TimeAt(r));
        }
    }
    const int formula = FormulaOf(column);
    if (formula < 0)
        return row == 0 ? QStringLiteral("Type a formula") : QString();
    if (row == 1)
        return FFormules.FormulaText(formula);
    if (!FFormules.Formulas[std::size_t(formula)]->Curve.ColumnShown)
        return QString();
    switch (row) {
    case 0:
        return QString();
    case 2:
        return FFormules.FormulaUnit(formula);
    case 3:
        return FFormules.FormulaComment(formula);
    default:
        return ValueText(formula, r, formatted);
    }
}

std::vector<int> TFormulaTable::ExportedColumns() const
{
    std::vector<int> columns{TimeColumn};
    for (int k = 0; k < FFormules.FormulaCount(); ++k)
        if (FFormules.Formulas[std::size_t(k)]->Curve.ColumnShown)
            columns.push_back(FirstFormulaColumn + k);
    return columns;
}

int TFormulaTable::BuildText(TServeur& serveur, const QString& programPath, double gridAngle,
                             const QDateTime& now) const
{
    const QLocale locale;
    const std::vector<int> columns = ExportedColumns();
    serveur.Clear();
    serveur.AddLine(programPath);
    serveur.AddLine(locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                    locale.toString(now.time(), QLocale::LongFormat));
    serveur.AddLine(GridRotationLine(Angle(gridAngle)));
    for (int row = 1; row < RowCount(); ++row) {
        QStringList cells;
        cells.reserve(qsizetype(columns.size()));
        for (const int column : columns) {
            QString text = CellText(column, row, false);
            if (row == 1) {
                // The symbol of a formula is what a spreadsheet's header needs: the right-hand side.
                const qsizetype equals = text.indexOf(QLatin1Char('='));
                if (equals >= 0)
                    text = text.mid(equals + 1);
            }
            cells << text;
        }
        serveur.AddLine(cells.join(QLatin1Char('\t')));
    }
    return 1 + FFormules.FormulaCount();
}

TMatriceStr TFormulaTable::BuildMatrix(double gridAngle) const
{
    const std::vector<int> columns = ExportedColumns();
    TMatriceStr matrix(std::size_t(RowCount()), std::vector<QString>(columns.size()));
    for (int row = 1; row < RowCount(); ++row)
        for (std::size_t c = 0; c < columns.size(); ++c)
            matrix[std::size_t(row)][c] = CellText(columns[c], row, false);
    if (columns.size() >= 2) {
        matrix[0][0] = QStringLiteral("Grid rotation in the trigonometric direction %1 %2 %3")
                           .arg(QStringLiteral("(") + QStringLiteral("rad") + QStringLiteral(")"),
                                QStringLiteral(":"), QString());
        matrix[0][1] = FormatShortest(Angle(gridAngle));
    }
    return matrix;
}
