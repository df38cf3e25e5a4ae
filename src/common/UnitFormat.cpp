// Number texts shared by the datasheet, the formulas and the models: the significant-digit rule, the
// general format and the shortest exact text, all exact decimal roundings of the double.
#include "common/UnitFormat.h"

#include "common/UnitTypes.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

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
