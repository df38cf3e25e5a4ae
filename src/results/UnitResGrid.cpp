// The datasheet without its window: column models, cell texts and colours, number formats and the
// datasheet text.
#include "results/UnitResGrid.h"

#include "export/UnitServeur.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

// ---------------------------------------------------------------------------------------------------
// Column kinds

namespace {

// Code 9 names nothing: the kind of a column outside the table.
constexpr TColumnKind NoKind = 9;

TColumnKindSet Kinds(std::initializer_list<TColumnKind> kinds)
{
    TColumnKindSet set;
    for (TColumnKind k : kinds)
        set.set(k);
    return set;
}

constexpr TColor Rgb(int r, int g, int b)
{
    return TColor(r | (g << 8) | (b << 16));
}

} // namespace

TColumnKindSet KindsCoordinates()
{
    return Kinds({ckX, ckY});
}

TColumnKindSet KindsVelocity()
{
    return Kinds({ckVx, ckVy, ckV});
}

TColumnKindSet KindsAcceleration()
{
    return Kinds({ckAx, ckAy, ckA});
}

TColumnKindSet KindsPolar()
{
    return Kinds({ckTheta, ckR, ckOmega});
}

// ---------------------------------------------------------------------------------------------------
// TGrid

int TGrid::ObjectCount() const
{
    return Columns.empty() ? 0 : (static_cast<int>(Columns.size()) - 1) / 11;
}

int TGrid::FullIndex(int col) const
{
    const int k = col - FixedCols;
    if (k < 0)
        return -1;
    int seen = 0;
    for (int c = 0; c < static_cast<int>(Columns.size()); ++c)
        if (Columns[c].Visible && seen++ == k)
            return c;
    return -1;
}

void TGrid::FewerDigits(int col)
{
    const int c = FullIndex(col);
    if (c >= 0)
        Columns[c].Digits = std::max(0, Columns[c].Digits - 1);
}

void TGrid::MoreDigits(int col)
{
    const int c = FullIndex(col);
    if (c >= 0)
        Columns[c].Digits = std::min(MaxDigits, Columns[c].Digits + 1);
}

void TGrid::SetColumnVisible(bool visible, int col)
{
    const int c = FullIndex(col);
    if (c >= 0)
        Columns[c].Visible = visible;
    if (!Columns.empty())
        Columns[0].Visible = true;
}

void TGrid::SetKindsVisible(bool visible, TColumnKindSet kinds)
{
    const int n = ObjectCount();
    for (int c = 0; c < static_cast<int>(Columns.size()); ++c) {
        const TColumnKind kind = TResCalc::ColumnKindOf(c, n);
        if (kind < kinds.size() && kinds.test(kind))
            Columns[c].Visible = visible;
    }
    if (!Columns.empty())
        Columns[0].Visible = true;
}

void TGrid::Recount(int resultRows)
{
    const auto visible =
        std::count_if(Columns.begin(), Columns.end(), [](const TColumn& c) { return c.Visible; });
    ColCount = std::max<int>(1, static_cast<int>(visible)) + FixedCols;
    RowCount = std::max(0, resultRows) + FixedRows;
}

void TGrid::Resize(int objectCount)
{
    Columns.resize(11 * std::max(0, objectCount) + 1);
}

void TGrid::ResetDigits()
{
    for (TColumn& c : Columns)
        c.Digits = 0;
}

// ---------------------------------------------------------------------------------------------------
// TResGrid

TResGrid::TResGrid(const TResCalc& calc, const TOptions& options) : FCalc(calc), FOptions(options) {}

TGrid& TResGrid::Active()
{
    return FCalc.Current().IsLayer() ? FLayer : FGrid;
}

const TGrid& TResGrid::Active() const
{
    return FCalc.Current().IsLayer() ? FLayer : FGrid;
}

std::vector<TGrid*> TResGrid::Selected(int which)
{
    switch (which) {
    case kindCurrent:
        return {&Active()};
    case kindLayer:
        return {&FLayer};
    case kindGrid:
        return {&FGrid};
    default:
        return {&FGrid, &FLayer};
    }
}

void TResGrid::Recount()
{
    Active().Recount(FCalc.RowCount());
}

void TResGrid::Resize(int which, int objectCount)
{
    for (TGrid* g : Selected(which))
        g->Resize(objectCount);
}

void TResGrid::ResetDigits(int which)
{
    for (TGrid* g : Selected(which))
        g->ResetDigits();
}

TColumnKind TResGrid::ColumnKind(int col) const
{
    const int c = FullIndex(col);
    return c < 0 ? NoKind : TResCalc::ColumnKindOf(c, FCalc.Current().ObjectCount);
}

TColor TResGrid::CellColor(int col) const
{
    const TColumnKind kind = ColumnKind(col);
    if (KindsCoordinates().test(kind))
        return Rgb(248, 248, 255);
    if (KindsVelocity().test(kind))
        return Rgb(255, 250, 250);
    if (KindsAcceleration().test(kind))
        return Rgb(255, 250, 240);
    if (KindsPolar().test(kind))
        return Rgb(245, 245, 245);
    return clWhite;
}

bool TResGrid::HiddenEdge(TColumnKind kind, int object, int m) const
{
    const bool velocity = KindsVelocity().test(kind) && FOptions.CheckBox30HideEdgeV;
    const bool acceleration = KindsAcceleration().test(kind) && FOptions.CheckBox31HideEdgeA;
    if (!velocity && !acceleration)
        return false;
    const TIntegerDynArray& keys = FCalc.Current().Keys[object];
    const int count = static_cast<int>(keys.size());
    int first = 0;
    while (first < count && keys[first] < 0)
        ++first;
    int last = count - 1;
    while (last >= 0 && keys[last] < 0)
        --last;
    if (velocity)
        return m == first || m == last;
    // The two first and the two last marked rows have no acceleration shown.
    return !(first + 1 < m && m < last - 1);
}

QString TResGrid::CellText(int col, int row, bool formatted) const
{
    const TGrid& g = Active();
    if (col < 0 || row < 0 || col >= g.ColCount || row >= g.RowCount)
        return QString();
    if (col < g.FixedCols) {
        if (row < g.FixedRows)
            return QString();
        return QString::number(FOptions.CheckBox36StartByZero ? row - g.FixedRows : row - g.FixedRows + 1);
    }
    const int c = g.FullIndex(col);
    if (c < 0)
        return QString();
    const TCalcul& calc = FCalc.Current();
    const TColumnKind kind = TResCalc::ColumnKindOf(c, calc.ObjectCount);
    if (kind == NoKind)
        return QString();
    switch (row) {
    case 0:
        return QString();
    case 1:
        return FCalc.ColumnSymbol(c);
    case 2:
        return TResCalc::KindUnit(kind);
    case 3:
        return FCalc.ColumnTitle(c);
    default:
        break;
    }
    const int m = row - g.FixedRows;
    if (m >= calc.RowCount())
        return QString();
    const int digits = g.Columns[c].Digits;
    double value = 0.0;
    if (kind == ckTime) {
        value = calc.Times[m];
    } else {
        const int object = TResCalc::ColumnObjectOf(c, calc.ObjectCount);
        if (object < 0 || object >= static_cast<int>(calc.Keys.size()) ||
            m >= static_cast<int>(calc.Keys[object].size()) || calc.Keys[object][m] < 0)
            return QString();
        if (HiddenEdge(kind, object, m))
            return QString();
        value = FCalc.Value(0, object, kind, m);
    }
    return formatted ? FormatSignificant(digits, value) : FormatGeneral(value, 15);
}

// ---------------------------------------------------------------------------------------------------
// Datasheet text

QString GridRotationLine(double gridAngle)
{
    return QStringLiteral("Grid rotation in the trigonometric direction %1 %2 %3")
        .arg(QStringLiteral(":"), FormatShortest(gridAngle), QStringLiteral("rad"));
}

int BuildDatasheetText(TResGrid& grid, TServeur& serveur, const QString& programPath, double gridAngle,
                       const QDateTime& now)
{
    grid.Recount();
    const QLocale locale;
    serveur.Clear();
    serveur.AddLine(programPath);
    serveur.AddLine(locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                    locale.toString(now.time(), QLocale::LongFormat));
    serveur.AddLine(GridRotationLine(grid.Calc().Current().IsLayer() ? 0.0 : gridAngle));
    const int cols = grid.ColCount();
    for (int row = 1; row < grid.RowCount(); ++row) {
        QStringList cells;
        cells.reserve(cols - 1);
        for (int col = 1; col < cols; ++col)
            cells << grid.CellText(col, row, false);
        serveur.AddLine(cells.join(QLatin1Char('\t')));
    }
    return cols - 1;
}
