// The expression parser: sign rules, tokens, the tree and its evaluation.
#include "formula/UnitParser.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double DegToRad = std::numbers::pi / 180.0;
constexpr double RadToDeg = 180.0 / std::numbers::pi;
// An index written in square brackets beyond this size is not an index but a typing error; it also
// keeps the row arithmetic of the resolvers far from integer overflow.
constexpr long long MaxIndex = 1000000000LL;

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool IsAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

// Characters that start a word: letters, "_", "²" and "³".
bool IsWordStart(QChar c)
{
    return IsAsciiLetter(c) || c == QLatin1Char('_') || c == QChar(0x00B2) || c == QChar(0x00B3);
}

bool IsOperator(TTokenKind kind)
{
    return kind >= tkSemicolon && kind <= tkPower;
}

bool IsFunction(TTokenKind kind)
{
    return kind >= tkSin && kind <= tkArcTan;
}

TTokenKind FunctionKind(const QString& word)
{
    static const struct
    {
        const char* Name;
        TTokenKind Kind;
    } functions[] = {
        {"SIN", tkSin},       {"COS", tkCos},       {"TAN", tkTan},   {"ARCSIN", tkArcSin},
        {"ARCCOS", tkArcCos}, {"ARCTAN", tkArcTan}, {"LN", tkLn},     {"LOG", tkLog},
        {"EXP", tkExp},       {"ABS", tkAbs},       {"SQRT", tkSqrt},
    };
    for (const auto& f : functions)
        if (word.compare(QLatin1String(f.Name), Qt::CaseInsensitive) == 0)
            return f.Kind;
    return tkNumber; // not a function
}

// Reads a number made of digits, at most one "." and an optional exponent. A value too small for a
// double becomes 0; one too big is not a number.
bool ToDouble(const QString& text, double& value)
{
    const QByteArray bytes = text.toLatin1();
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc() && ptr == last)
        return std::isfinite(value);
    if (ec != std::errc::result_out_of_range)
        return false;
    // Out of range: the decimal exponent of the first significant digit tells underflow from overflow.
    long long magnitude = 0;
    bool seenPoint = false, seenDigit = false;
    int i = 0;
    for (; i < bytes.size() && bytes[i] != 'E' && bytes[i] != 'e'; ++i) {
        const char c = bytes[i];
        if (c == '.') {
            seenPoint = true;
        } else if (!seenDigit && c == '0') {
            if (seenPoint)
                --magnitude;
        } else if (!seenDigit) {
            seenDigit = true;
            if (seenPoint)
                --magnitude;
        } else if (!seenPoint) {
            ++magnitude;
        }
    }
    long long exponent = 0;
    if (i < bytes.size()) {
        int sign = 1;
        ++i;
        if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-'))
            sign = bytes[i++] == '-' ? -1 : 1;
        for (; i < bytes.size(); ++i)
            exponent = std::min(exponent * 10 + (bytes[i] - '0'), 1000000000LL);
        exponent *= sign;
    }
    if (magnitude + exponent < 0) {
        value = 0.0;
        return true;
    }
    return false;
}

// a to the integer power n (n within 32 bits), by repeated multiplication for the exponents that
// formulas use, through pow for the others.
double IntPower(double a, long long n)
{
    const long long count = n < 0 ? -n : n;
    double p = 1.0;
    if (count <= 4096) {
        for (long long k = 0; k < count && std::isfinite(p) && p != 0.0; ++k)
            p *= a;
    } else {
        p = std::pow(a, static_cast<double>(count));
    }
    return n < 0 ? 1.0 / p : p;
}

} // namespace

TParser::TParser()
    : FSeparator(QLocale().decimalPoint().isEmpty() ? QLatin1Char('.') : QLocale().decimalPoint()[0])
{
}

void TParser::SetFormula(const QString& text)
{
    FFormula = text;
    FWork.clear();
    FTokens.clear();
    FVariables.clear();
    FNodes.clear();
    FOrder.clear();
    FFunctions.clear();
    FTokenised = false;
    FBuilt = false;
    FSyntaxError = 0;
    FSyntaxArgument.clear();
    FErrorCode = 0;
    FErrorArgument.clear();
    FResult = 0.0;
}

void TParser::Fail(int code, const QString& argument)
{
    FErrorCode = code;
    FErrorArgument = argument;
}

QString TParser::Normalise(const QString& text)
{
    static const QString pairs[][2] = {
        {QStringLiteral(";+"), QStringLiteral(";")},
        {QStringLiteral("+-"), QStringLiteral("-")},
        {QStringLiteral("-+"), QStringLiteral("-")},
        {QStringLiteral("--"), QStringLiteral("+")},
        {QStringLiteral("++"), QStringLiteral("+")},
        {QStringLiteral("*+"), QStringLiteral("*")},
        {QStringLiteral("/+"), QStringLiteral("/")},
        {QString(QChar(0x00F7)) + QLatin1Char('+'), QString(QChar(0x00F7))},
        {QStringLiteral("^+"), QStringLiteral("^")},
    };
    QString s = text;
    for (;;) {
        const qsizetype before = s.size();
        for (const auto& pair : pairs)
            s.replace(pair[0], pair[1]);
        if (s.size() == before)
            break;
    }
    // A leading sign: "+" goes, "-" becomes a subtraction from zero. A minus right after ";" is read the
    // same way, so that it negates the first term of the second argument only.
    QString out;
    out.reserve(s.size() + 8);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        const bool atStart = i == 0 || s[i - 1] == QLatin1Char('(');
        if (c == QLatin1Char('+') && atStart)
            continue;
        if (c == QLatin1Char('-') && (atStart || s[i - 1] == QLatin1Char(';')))
            out += QLatin1Char('0');
        out += c;
    }
    return out;
}

bool TParser::Tokenise()
{
    FTokenised = true;
    FWork = Normalise(FFormula);
    const QString& w = FWork;
    const qsizetype n = w.size();
    FTokens.reserve(128);
    int depth = 0;
    qsizetype pos = 0;
    while (pos < n) {
        const QChar c = w[pos];
        TElemPile token;
        if (IsDigit(c) || c == FSeparator) {
            const qsizetype start = pos;
            bool previousSeparator = false;
            while (pos < n && (IsDigit(w[pos]) || w[pos] == FSeparator)) {
                const bool separator = w[pos] == FSeparator;
                if (separator && previousSeparator)
                    break;
                previousSeparator = separator;
                ++pos;
            }
            QString text = w.mid(start, pos - start);
            if (pos < n && w[pos] == FSeparator) {
                Fail(peBadNumber, text + FSeparator);
                return false;
            }
            if (pos < n && (w[pos] == QLatin1Char('E') || w[pos] == QLatin1Char('e'))) {
                text += QLatin1Char('E');
                ++pos;
                if (pos < n && (w[pos] == QLatin1Char('+') || w[pos] == QLatin1Char('-')))
                    text += w[pos++];
                if (pos >= n || !IsDigit(w[pos])) {
                    Fail(peBadNumber, text);
                    return false;
                }
                while (pos < n && IsDigit(w[pos]))
                    text += w[pos++];
            }
            double value = 0.0;
            if (!ToDouble(QString(text).replace(FSeparator, QLatin1Char('.')), value)) {
                Fail(peBadNumber, text);
                return false;
            }
            token.Kind = tkNumber;
            token.Value = value;
            token.Text = text;
            token.Level = depth;
        } else if (!IsWordStart(c)) {
            token.Text = QString(c);
            token.Level = depth;
            switch (c.unicode()) {
            case '(':
                ++depth;
                token.Kind = tkOpen;
                token.Level = depth;
                break;
            case ')':
                token.Kind = tkClose;
                --depth;
                break;
            case '*':
                token.Kind = tkMultiply;
                break;
            case '+':
                token.Kind = tkPlus;
                break;
            case '-':
                token.Kind = tkMinus;
                break;
            case '/':
            case 0x00F7: // ÷
                token.Kind = tkDivide;
                break;
            case ';':
                token.Kind = tkSemicolon;
                break;
            case '^':
                token.Kind = tkPower;
                break;
            default: {
                // Name the whole character, not half of a surrogate pair.
                QString bad(c);
                if (c.isHighSurrogate() && pos + 1 < n && w[pos + 1].isLowSurrogate())
                    bad += w[pos + 1];
                Fail(peBadCharacter, bad);
                return false;
            }
            }
            ++pos;
            if ((token.Kind == tkMultiply || token.Kind == tkDivide || token.Kind == tkSemicolon ||
                 token.Kind == tkPower) &&
                pos < n && w[pos] == QLatin1Char('-')) {
                token.NegateRight = true;
                ++pos;
            }
        } else {
            const qsizetype start = pos;
            qsizetype end = pos;
            while (end < n && IsAsciiLetter(w[end]))
                ++end;
            const QString word = w.mid(start, end - start);
            const TTokenKind function = FunctionKind(word);
            token.Level = depth;
            if (word.compare(QLatin1String("pi"), Qt::CaseInsensitive) == 0) {
                token.Kind = tkNumber;
                token.Value = std::numbers::pi;
                token.Text = word;
                pos = end;
            } else if (function != tkNumber && end < n && w[end] == QLatin1Char('(')) {
                token.Kind = function;
                token.Text = word;
                pos = end;
            } else {
                while (pos < n && (IsWordStart(w[pos]) || IsDigit(w[pos])))
                    ++pos;
                const QString name = w.mid(start, pos - start);
                token.Kind = tkVariable;
                token.Text = name;
                if (pos < n && w[pos] == QLatin1Char('[')) {
                    token.HasIndex = true;
                    token.IndexIsAbsolute = true;
                    ++pos;
                    if (pos < n && (w[pos] == QLatin1Char('i') || w[pos] == QLatin1Char('I'))) {
                        token.IndexIsAbsolute = false;
                        ++pos;
                    }
                    int sign = 1;
                    if (pos < n && (w[pos] == QLatin1Char('+') || w[pos] == QLatin1Char('-')))
                        sign = w[pos++] == QLatin1Char('-') ? -1 : 1;
                    long long number = 0;
                    bool digits = false;
                    while (pos < n && IsDigit(w[pos])) {
                        number = std::min(number * 10 + (w[pos++].unicode() - '0'), MaxIndex + 1);
                        digits = true;
                    }
                    if ((token.IndexIsAbsolute && !digits) || number > MaxIndex) {
                        Fail(peBadIndex, name);
                        return false;
                    }
                    if (pos >= n || w[pos] != QLatin1Char(']')) {
                        Fail(peIndexNotClosed, name);
                        return false;
                    }
                    ++pos;
                    token.Index = static_cast<int>(sign * number);
                }
                double value = 0.0;
                bool hasValue = false;
                if (!FResolver || !FResolver(name, token.HasIndex, token.IndexIsAbsolute, token.Index, value,
                                             hasValue, token.Slot)) {
                    Fail(peUnknownName, name);
                    return false;
                }
                token.Value = hasValue ? value : 0.0;
                if (!FVariables.contains(name, Qt::CaseInsensitive))
                    FVariables.append(name);
            }
        }
        FTokens.push_back(std::move(token));
    }
    if (depth > 0) {
        Fail(peNotClosed, QString());
        return false;
    }
    if (depth < 0) {
        Fail(peNotOpened, QString());
        return false;
    }
    if (FTokens.empty()) {
        Fail(peEmpty, QString());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Range queries

bool TParser::Better(int a, int b) const
{
    if (a < 0)
        return false;
    if (b < 0)
        return true;
    const TElemPile& x = FTokens[a];
    const TElemPile& y = FTokens[b];
    if (x.Level != y.Level)
        return x.Level < y.Level;
    if (x.Kind != y.Kind)
        return x.Kind < y.Kind;
    return a > b; // the rightmost occurrence
}

void TParser::PrepareQueries()
{
    const int n = static_cast<int>(FTokens.size());
    FTreeSize = 1;
    while (FTreeSize < n)
        FTreeSize *= 2;
    FLevelTree.assign(2 * FTreeSize, INT_MAX);
    FOperatorTree.assign(2 * FTreeSize, -1);
    for (int k = 0; k < n; ++k) {
        FLevelTree[FTreeSize + k] = FTokens[k].Level;
        FOperatorTree[FTreeSize + k] = IsOperator(FTokens[k].Kind) ? k : -1;
    }
    for (int k = FTreeSize - 1; k >= 1; --k) {
        FLevelTree[k] = std::min(FLevelTree[2 * k], FLevelTree[2 * k + 1]);
        const int a = FOperatorTree[2 * k], b = FOperatorTree[2 * k + 1];
        FOperatorTree[k] = Better(b, a) ? b : a;
    }
}

int TParser::MinLevel(int first, int last) const
{
    int result = INT_MAX;
    for (int l = first + FTreeSize, r = last + FTreeSize + 1; l < r; l /= 2, r /= 2) {
        if (l & 1)
            result = std::min(result, FLevelTree[l++]);
        if (r & 1)
            result = std::min(result, FLevelTree[--r]);
    }
    return result;
}

int TParser::BestOperator(int first, int last) const
{
    int best = -1;
    for (int l = first + FTreeSize, r = last + FTreeSize + 1; l < r; l /= 2, r /= 2) {
        if (l & 1) {
            const int c = FOperatorTree[l++];
            if (Better(c, best))
                best = c;
        }
        if (r & 1) {
            const int c = FOperatorTree[--r];
            if (Better(c, best))
                best = c;
        }
    }
    return best;
}

// ---------------------------------------------------------------------------------------------------
// The tree

bool TParser::Shape(TNoeud& node)
{
    node.FunctionsBegin = static_cast<int>(FFunctions.size());
    // Brackets around the whole slice and functions applied to the whole slice are taken off, in any
    // order and as often as they occur: SIN((30)) and ArcTan((1;2)) are read as written.
    for (;;) {
        const TElemPile& first = FTokens[node.First];
        const TElemPile& last = FTokens[node.Last];
        if (node.First < node.Last && first.Kind == tkOpen && last.Kind == tkClose &&
            first.Level == last.Level &&
            (node.Last - node.First < 2 || MinLevel(node.First + 1, node.Last - 1) >= first.Level)) {
            ++node.First;
            --node.Last;
            if (node.First > node.Last) {
                Fail(peEmptyBrackets, QString());
                return false;
            }
            continue;
        }
        if (node.Last - node.First >= 2 && IsFunction(first.Kind) && FTokens[node.First + 1].Kind == tkOpen &&
            last.Kind == tkClose && last.Level == FTokens[node.First + 1].Level &&
            MinLevel(node.First + 1, node.Last) >= last.Level) {
            FFunctions.push_back(first.Kind);
            node.First += 2;
            --node.Last;
            if (node.First > node.Last) {
                Fail(peNoArgument, QString());
                return false;
            }
            continue;
        }
        break;
    }
    node.FunctionsEnd = static_cast<int>(FFunctions.size());

    node.Split = BestOperator(node.First, node.Last);
    if (node.Split >= 0) {
        const TElemPile& op = FTokens[node.Split];
        if (op.Kind == tkSemicolon &&
            (node.FunctionsEnd == node.FunctionsBegin || FFunctions[node.FunctionsEnd - 1] != tkArcTan)) {
            Fail(peSemicolon, QString());
            return false;
        }
        if (node.Split == node.First || node.Split == node.Last) {
            Fail(peNoOperand, op.Text);
            return false;
        }
        return true;
    }
    if (node.First != node.Last ||
        (FTokens[node.First].Kind != tkNumber && FTokens[node.First].Kind != tkVariable)) {
        Fail(peNoOperator, QString());
        return false;
    }
    node.Split = node.First;
    return true;
}

bool TParser::BuildTree()
{
    FBuilt = true;
    PrepareQueries();
    FNodes.clear();
    FFunctions.clear();
    FNodes.push_back({0, static_cast<int>(FTokens.size()) - 1});
    // Depth first, left child first, without recursion: the depth of a tree follows the length of the
    // text (1+1+1+... nests to the left).
    std::vector<int> stack{0};
    while (!stack.empty()) {
        const int k = stack.back();
        stack.pop_back();
        TNoeud node = FNodes[k];
        if (!Shape(node))
            return false;
        if (IsOperator(FTokens[node.Split].Kind)) {
            node.Left = static_cast<int>(FNodes.size());
            FNodes.push_back({node.First, node.Split - 1});
            node.Right = static_cast<int>(FNodes.size());
            FNodes.push_back({node.Split + 1, node.Last});
            stack.push_back(node.Right);
            stack.push_back(node.Left);
        }
        FNodes[k] = node;
    }
    // Evaluation order: children before their parent, the left subtree before the right one.
    FOrder.clear();
    FOrder.reserve(FNodes.size());
    stack.assign(1, 0);
    while (!stack.empty()) {
        const int k = stack.back();
        stack.pop_back();
        FOrder.push_back(k);
        if (FNodes[k].Left >= 0) {
            stack.push_back(FNodes[k].Left);
            stack.push_back(FNodes[k].Right);
        }
    }
    std::reverse(FOrder.begin(), FOrder.end());
    FLevelTree = {};
    FOperatorTree = {};
    return true;
}

int TParser::Parse()
{
    FErrorCode = 0;
    FErrorArgument.clear();
    if (!FTokenised && !Tokenise()) {
        FSyntaxError = FErrorCode;
        FSyntaxArgument = FErrorArgument;
    }
    if (FSyntaxError == 0 && !FBuilt && !BuildTree()) {
        FSyntaxError = FErrorCode;
        FSyntaxArgument = FErrorArgument;
    }
    if (FSyntaxError != 0)
        Fail(FSyntaxError, FSyntaxArgument);
    return FSyntaxError;
}

void TParser::Evaluate()
{
    FResult = 0.0;
    if (Parse() != 0)
        return;
    Run();
}

// ---------------------------------------------------------------------------------------------------
// Evaluation

bool TParser::ApplyFunctions(const TNoeud& node, double& value, double left, double right)
{
    const bool pair = FTokens[node.Split].Kind == tkSemicolon;
    for (int f = node.FunctionsEnd - 1; f >= node.FunctionsBegin; --f) {
        const bool twoArguments = pair && f == node.FunctionsEnd - 1;
        if (std::isnan(value) && !twoArguments)
            continue; // an undefined value stays undefined, without an error
        const double x = value;
        switch (FFunctions[f]) {
        case tkSin:
            value = std::sin(FAngleInRadians ? x : x * DegToRad);
            if (!std::isfinite(value))
                return Fail(peSin, QString()), false;
            break;
        case tkCos:
            value = std::cos(FAngleInRadians ? x : x * DegToRad);
            if (!std::isfinite(value))
                return Fail(peCos, QString()), false;
            break;
        case tkTan:
            value = std::tan(FAngleInRadians ? x : x * DegToRad);
            if (!std::isfinite(value))
                return Fail(peTan, QString()), false;
            break;
        case tkArcSin:
            if (x < -1.0 || x > 1.0)
                return Fail(peArcSin, QString()), false;
            value = std::asin(x) * (FAngleInRadians ? 1.0 : RadToDeg);
            break;
        case tkArcCos:
            if (x < -1.0 || x > 1.0)
                return Fail(peArcCos, QString()), false;
            value = std::acos(x) * (FAngleInRadians ? 1.0 : RadToDeg);
            break;
        case tkArcTan:
            // ArcTan(y;x): the angle of the point (x, y), in (-pi, pi].
            value = twoArguments ? std::atan2(left, right) : std::atan(x);
            if (!std::isfinite(value))
                return Fail(peArcTan, QString()), false;
            value *= FAngleInRadians ? 1.0 : RadToDeg;
            break;
        case tkLn:
        case tkLog:
            if (x <= 0.0)
                return Fail(peLogarithm, QString()), false;
            value = FFunctions[f] == tkLn ? std::log(x) : std::log10(x);
            break;
        case tkExp:
            value = std::exp(x);
            if (!std::isfinite(value))
                return Fail(peExp, QString()), false;
            break;
        case tkAbs:
            value = std::fabs(x);
            break;
        case tkSqrt:
            if (x < 0.0)
                return Fail(peSqrt, QString()), false;
            value = std::sqrt(x);
            break;
        default:
            return Fail(peInternal, QString()), false;
        }
    }
    return true;
}

void TParser::Run()
{
    const double undefined = std::numeric_limits<double>::quiet_NaN();
    FValues.resize(FNodes.size());
    for (int k : FOrder) {
        const TNoeud& node = FNodes[k];
        TElemPile& token = FTokens[node.Split];
        double value = 0.0, left = 0.0, right = 0.0;
        if (node.Left < 0) {
            if (token.Kind == tkNumber) {
                value = token.Value;
            } else if (token.Kind == tkVariable) {
                bool hasValue = false;
                if (!FResolver ||
                    !FResolver(token.Text, token.HasIndex, token.IndexIsAbsolute, token.Index, value,
                               hasValue, token.Slot) ||
                    !hasValue) {
                    Fail(peNoValue, token.Text);
                    return;
                }
            } else {
                Fail(peInternal, QString());
                return;
            }
        } else {
            left = FValues[node.Left];
            right = FValues[node.Right];
            if (std::isnan(left) || std::isnan(right)) {
                // An undefined operand makes the node undefined; no error, no function applied.
                FValues[k] = undefined;
                continue;
            }
            if (token.NegateRight)
                right = -right;
            switch (token.Kind) {
            case tkPlus:
                value = left + right;
                break;
            case tkMinus:
                value = left - right;
                break;
            case tkMultiply:
                value = left * right;
                break;
            case tkDivide:
                if (std::fabs(right) < 1e-100) {
                    Fail(peDivisionByZero, QString());
                    return;
                }
                value = left / right;
                break;
            case tkPower:
                if (right == 0.0) {
                    value = 1.0;
                } else if (left > 0.0) {
                    value = std::pow(left, right);
                    if (!std::isfinite(value)) {
                        Fail(pePower, QString());
                        return;
                    }
                } else if (left == 0.0) {
                    // 0 to a negative power is a division by zero, not 0.
                    if (right < 0.0) {
                        Fail(peDivisionByZero, QString());
                        return;
                    }
                    value = 0.0;
                } else {
                    const double whole = std::trunc(right);
                    if (std::fabs(right - whole) >= 1e-100) {
                        Fail(peNegativePower, QString());
                        return;
                    }
                    if (whole > INT_MAX || whole < INT_MIN) {
                        Fail(pePower, QString());
                        return;
                    }
                    value = IntPower(left, static_cast<long long>(whole));
                    if (!std::isfinite(value)) {
                        Fail(pePower, QString());
                        return;
                    }
                }
                break;
            case tkSemicolon:
                value = 0.0; // the two operands go to the arc tangent
                break;
            default:
                Fail(peInternal, QString());
                return;
            }
            if (!std::isfinite(value)) {
                Fail(peOverflow, QString());
                return;
            }
        }
        if (!ApplyFunctions(node, value, left, right))
            return;
        FValues[k] = value;
    }
    FResult = FValues[0];
}

// ---------------------------------------------------------------------------------------------------
// Messages

QString TParser::ErrorMessage() const
{
    return ErrorMessage(FErrorCode, FErrorArgument);
}

QString TParser::ErrorMessage(int code, const QString& argument)
{
    const auto with = [&](const char* text) { return QString::fromUtf8(text).arg(argument); };
    switch (code) {
    case peNotClosed:
        return QStringLiteral("Opening bracket has not been closed.");
    case peNotOpened:
        return QStringLiteral("Closing bracket has not been open.");
    case peEmptyBrackets:
        return QStringLiteral("Empty parenthesis.");
    case peBadNumber:
        return with("Incorrect number: %1");
    case peCos:
        return QStringLiteral("Calculation of a cosine has failed.");
    case peSin:
        return QStringLiteral("Calculation of a sine has failed.");
    case peTan:
        return QStringLiteral("Calculation of a tangent has failed.");
    case peArcCos:
        return QStringLiteral("Calculation of an arc-cosine has failed.");
    case peArcSin:
        return QStringLiteral("Calculation of an arc-sine has failed.");
    case peArcTan:
        return QStringLiteral("Calculation of an arc-tangent has failed.");
    case peLogarithm:
        return QStringLiteral("Calculation of the logarithm of a negative or null number.");
    case peSqrt:
        return QStringLiteral("Calculation of the square root of a negative number.");
    case peDivisionByZero:
        return QStringLiteral("Division by zero.");
    case peNegativePower:
        return QStringLiteral("Calculation of a non-integer power of a negative number.");
    case peExp:
        return QStringLiteral("Calculation of an exponential has failed.");
    case pePower:
        return QStringLiteral("Calculation of a power has failed.");
    case peOverflow:
        return QStringLiteral("The result of a calculation is too big or too small.");
    case peUnknownName:
        return with("Formula with unknown variable or constant: %1");
    case peBadCharacter:
        return with("Non authorized or inappropriate character detected in formula: %1");
    case peBadIndex:
        return with("The index of a variable or a constant is usually placed into brackets. Unknown index "
                    "into brackets. Faulty variable or constant: %1");
    case peNoArgument:
        return QStringLiteral("Function without argument.");
    case peNoOperand:
        return with("Operator without operand: %1");
    case peNoOperator:
        return QStringLiteral("Operands without operator.");
    case peEmpty:
        return QStringLiteral("Empty formula.");
    case peNoValue:
        return QStringLiteral("Variable with unknown value: %1. Check to see if initial value (%2 or %3) is "
                              "registered in the constants datasheet.")
            .arg(argument, argument + QStringLiteral("[0]"), argument + QStringLiteral("[1]"));
    case peIndexNotClosed:
        return with(
            "Index of a variable or a constant is usually placed between brackets. Closing bracket is "
            "missing or misplaced. Faulty variable or constant: %1");
    case peSemicolon:
        return QStringLiteral("Use semicolon to separate the 2 variables of a function. Eg : ArcTan(x;y).");
    default:
        return QStringLiteral("Unknown error.");
    }
}

// ---------------------------------------------------------------------------------------------------
// Headless calculator

int CalcCommand(const QString& expr, bool radians, QString& out, QString& err)
{
    QString text;
    text.reserve(expr.size());
    for (QChar c : expr) {
        if (c.isSpace())
            continue;
        text += c == QLatin1Char(',') ? QLatin1Char('.') : c;
    }
    TParser parser;
    parser.SetDecimalSeparator(QLatin1Char('.'));
    parser.SetAngleMode(radians);
    parser.SetFormula(text);
    parser.Evaluate();
    QString message;
    if (parser.ErrorCode() != 0)
        message = parser.ErrorMessage();
    else if (!std::isfinite(parser.Result()))
        message = TParser::ErrorMessage(peOverflow, QString());
    if (!message.isEmpty()) {
        out.clear();
        err = QStringLiteral("kinotra: ") + message;
        return 1;
    }
    err.clear();
    // + 0.0 turns a negative zero into 0.
    out = QString::asprintf("%.15G", parser.Result() + 0.0);
    return 0;
}
