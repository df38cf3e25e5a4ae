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
// Number formats

namespace {

// A finite non-zero value as decimal digits: value = 0.d1 d2 d3 ... x 10^(Exp + 1), that is the first
// digit stands for 10^Exp. No digit at all means zero.
struct TDecimal
{
    bool Negative = false;
    std::string Digits;
    int Exp = 0;
};

// Reads "-d.ddde+XX" as written by to_chars or printf.
TDecimal ParseScientific(const std::string& text)
{
    TDecimal d;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        d.Negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i)
        if (text[i] >= '0' && text[i] <= '9')
            d.Digits += text[i];
    if (i < text.size())
        d.Exp = std::atoi(text.c_str() + i + 1);
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    return d;
}

// The shortest decimal digits that read back as x.
TDecimal Shortest(double x)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific);
    return ParseScientific(std::string(buffer, result.ptr));
}

// The first 40 significant digits of the exact binary value of x. A double that is not exactly a
// decimal tie at some digit up to the 17th differs from it before the 18th digit, so rounding these
// digits half away from zero rounds the exact value correctly.
TDecimal Exact(double x)
{
    char buffer[96];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 39);
    return ParseScientific(std::string(buffer, result.ptr));
}

// Rounds to n significant digits, halves away from zero; trailing zeros are dropped. n <= 0 rounds at
// a position above the first digit: the result is zero, or one unit of the next power when n is 0 and
// the first digit is 5 or more.
TDecimal RoundTo(TDecimal d, int n)
{
    if (n >= static_cast<int>(d.Digits.size()))
        return d;
    if (n < 0 || (n == 0 && d.Digits[0] < '5')) {
        d.Digits.clear();
        return d;
    }
    if (n == 0) {
        // assign(count, char) rather than = "1": GCC 12 reports a false overlap for the literal at -O2.
        d.Digits.assign(1, '1');
        ++d.Exp;
        return d;
    }
    const bool up = d.Digits[n] >= '5';
    d.Digits.resize(n);
    if (up) {
        int k = n - 1;
        while (k >= 0 && d.Digits[k] == '9') {
            d.Digits[k] = '0';
            --k;
        }
        if (k >= 0) {
            ++d.Digits[k];
        } else {
            // 9.99 -> 10.0: one digit more in front.
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exp;
        }
    }
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    return d;
}

// The digit that stands for 10^power.
char DigitAt(const TDecimal& d, int power)
{
    const int index = d.Exp - power;
    return (index >= 0 && index < static_cast<int>(d.Digits.size())) ? d.Digits[index] : '0';
}

// The text with the locale's decimal separator instead of '.'.
QString Localised(const std::string& text)
{
    QString result = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    const QString point = QLocale().decimalPoint();
    if (point != QStringLiteral("."))
        result.replace(QLatin1Char('.'), point);
    return result;
}

// Fixed notation with exactly `decimals` decimals.
std::string Fixed(const TDecimal& d, int decimals)
{
    std::string text = (d.Negative && !d.Digits.empty()) ? "-" : "";
    for (int p = std::max(d.Exp, 0); p >= 0; --p)
        text += DigitAt(d, p);
    if (decimals > 0) {
        text += '.';
        for (int p = -1; p >= -decimals; --p)
            text += DigitAt(d, p);
    }
    return text;
}

// Scientific notation: one digit, then at least `mantissaDigits` - 1 more after the separator,
// "E", the exponent's sign and at least `exponentDigits` digits.
std::string Scientific(const TDecimal& d, int mantissaDigits, int exponentDigits)
{
    std::string text = (d.Negative && !d.Digits.empty()) ? "-" : "";
    const int size = static_cast<int>(d.Digits.size());
    const int digits = std::max(mantissaDigits, size);
    text += d.Digits.empty() ? '0' : d.Digits[0];
    if (digits > 1) {
        text += '.';
        for (int k = 1; k < digits; ++k)
            text += k < size ? d.Digits[k] : '0';
    }
    text += 'E';
    text += d.Exp < 0 ? '-' : '+';
    const std::string exponent = std::to_string(std::abs(d.Exp));
    text.append(std::max(0, exponentDigits - static_cast<int>(exponent.size())), '0');
    text += exponent;
    return text;
}

// General layout of already rounded digits: fixed while the exponent lies in [-4, limit), else
// scientific with as many digits as needed.
std::string General(const TDecimal& d, int limit)
{
    if (d.Digits.empty())
        return "0";
    if (d.Exp < -4 || d.Exp >= limit)
        return Scientific(d, 1, 1);
    const int decimals = std::max(0, static_cast<int>(d.Digits.size()) - 1 - d.Exp);
    return Fixed(d, decimals);
}

} // namespace

QString FormatSignificant(int digits, double x)
{
    if (!std::isfinite(x))
        return NonDefiniText;
    const int d = std::clamp(digits, 0, MaxDigits);
    if (x == 0.0)
        return QStringLiteral("0");
    // The value as the exports write it (15 significant digits), so that the screen never rounds a
    // number one way and its 15-digit text the other.
    const TDecimal value = RoundTo(Exact(x), 15);
    const double a = std::fabs(x);
    // Scientific notation: d + 3 significant digits, at least d + 1 exponent digits (4 at most).
    const auto scientific = [&] {
        return Localised(Scientific(RoundTo(value, d + 3), d + 3, std::min(d + 1, 4)));
    };
    if (a > 10000.0 || a < 0.01)
        return scientific();
    const int precision = d + 4;
    const int decimals = d + (a > 1000.0 ? 0 : a > 100.0 ? 1 : a > 10.0 ? 2 : 3);
    // Then one rounding, at whichever comes first: the last significant digit or the last decimal.
    const TDecimal rounded = RoundTo(value, std::min(precision, value.Exp + 1 + decimals));
    if (!rounded.Digits.empty() && rounded.Exp + 1 > precision)
        return scientific();
    return Localised(Fixed(rounded, decimals));
}

QString FormatGeneral(double x, int significant)
{
    if (!std::isfinite(x))
        return NonDefiniText;
    if (x == 0.0)
        return QStringLiteral("0");
    const int n = std::clamp(significant, 1, 17);
    return Localised(General(RoundTo(Exact(x), n), n));
}

QString FormatShortest(double x)
{
    if (!std::isfinite(x))
        return NonDefiniText;
    if (x == 0.0)
        return QStringLiteral("0");
    return Localised(General(Shortest(x), 17));
}

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
    serveur.AddLine(GridRotationLine(gridAngle));
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
