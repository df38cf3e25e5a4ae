// The expression parser: precedence, signs, functions, angle modes, numbers, variables with indexes,
// every error with its text, repeated evaluation, and hostile input; the headless calculator.
#include "formula/UnitParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <ostream>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Deg = 180.0 / std::numbers::pi;

// Names known to the test resolver: x (10 + index, 100 + index when absolute), m = 2, n (defined as
// the non-defined value) and u (known, but without a value).
bool TestResolver(const QString& name, bool hasIndex, bool absolute, int index, double& value, bool& hasValue,
                  int&)
{
    hasValue = true;
    if (name == QLatin1String("x")) {
        value = !hasIndex ? 10.0 : absolute ? 100.0 + index : 10.0 + index;
        return true;
    }
    if (name == QLatin1String("m")) {
        value = 2.0;
        return true;
    }
    if (name == QLatin1String("n")) {
        value = NaN;
        return true;
    }
    if (name == QLatin1String("u")) {
        hasValue = false;
        return true;
    }
    return false;
}

struct TCase
{
    const char* Text;
    double Value; // NaN: the non-defined value is expected
    int Error = 0;
    const char* Argument = "";
    bool Radians = false;
    char Separator = '.';
};

// Test names show the formula rather than the bytes of the case.
void PrintTo(const TCase& c, std::ostream* os)
{
    *os << '"' << c.Text << '"' << (c.Radians ? " radians" : "") << (c.Separator == ',' ? " comma" : "");
}

void Evaluate(TParser& parser, const TCase& c)
{
    parser.SetDecimalSeparator(QLatin1Char(c.Separator));
    parser.SetAngleMode(c.Radians);
    parser.SetResolver(TestResolver);
    parser.SetFormula(QString::fromUtf8(c.Text));
    parser.Evaluate();
}

class ParserCases : public ::testing::TestWithParam<TCase>
{
};

TEST_P(ParserCases, GivesValueOrError)
{
    const TCase& c = GetParam();
    TParser parser;
    Evaluate(parser, c);
    EXPECT_EQ(parser.ErrorCode(), c.Error) << parser.ErrorMessage().toStdString();
    if (c.Error != 0) {
        EXPECT_EQ(parser.ErrorArgument(), QString::fromUtf8(c.Argument));
    } else if (std::isnan(c.Value)) {
        EXPECT_TRUE(std::isnan(parser.Result())) << parser.Result();
    } else {
        EXPECT_NEAR(parser.Result(), c.Value, 1e-12 * std::max(1.0, std::fabs(c.Value)));
    }
}

// Degrees unless the case says radians; "." as separator unless it says ",".
INSTANTIATE_TEST_SUITE_P(
    Language, ParserCases,
    ::testing::Values(
        // Precedence from loosest to tightest ; + - / * ^, each at its rightmost occurrence.
        TCase{"2+3*4", 14}, TCase{"(2+3)*4", 20}, TCase{"8/2*4", 1}, TCase{"8/2/4", 1}, TCase{"2^3^2", 64},
        TCase{"5-3+2", 4}, TCase{"5-3-2", 0}, TCase{"2*3^2", 18}, TCase{"8÷2÷2", 2}, TCase{"12/2*3", 2},
        // Signs.
        TCase{"-2^2", -4}, TCase{"2*-3", -6}, TCase{"2^-1", 0.5}, TCase{"2--3", 5}, TCase{"2+-3", -1},
        TCase{"(-3)^2", 9}, TCase{"+3", 3}, TCase{"(+3)", 3}, TCase{"2*+3", 6}, TCase{"---3", -3},
        TCase{"2*-3+1", -5}, TCase{"2*-(-3)", 6},
        // Powers.
        TCase{"(-8)^(1/3)", 0, 15}, TCase{"0^0", 1}, TCase{"(-2)^3", -8}, TCase{"(-2)^-2", 0.25},
        TCase{"0^2", 0}, TCase{"0^-1", 0, 14}, TCase{"10^400", 0, 17}, TCase{"(-2)^2000", 0, 17},
        TCase{"(-1)^3000000001", 0, 17}, TCase{"(-1)^2147483647", -1},
        // Arithmetic faults.
        TCase{"1/0", 0, 14}, TCase{"1/1E-101", 0, 14}, TCase{"1E300*1E300", 0, 19},
        TCase{"1E308+1E308", 0, 19},
        // Functions, degrees and radians.
        TCase{"SIN(30)", 0.5}, TCase{"ARCTAN(1)", 45}, TCase{"SIN(pi/2)", 1, 0, "", true},
        TCase{"COS(60)", 0.5}, TCase{"TAN(45)", 1}, TCase{"ARCSIN(1)", 90}, TCase{"ARCCOS(0.5)", 60},
        TCase{"ArcCos(0)", std::numbers::pi / 2, 0, "", true}, TCase{"LN(EXP(2))", 2}, TCase{"LOG(1000)", 3},
        TCase{"ABS(-3)", 3}, TCase{"SQRT(16)", 4}, TCase{"sqrt(abs(-16))", 4},
        TCase{"Sin(ArcTan(1;1))", std::sqrt(0.5)}, TCase{"ArcTan(1;-1)", 135}, TCase{"ArcTan(-1;-1)", -135},
        TCase{"ArcTan(0;-1)", 180}, TCase{"ArcTan(1;2)+1", std::atan2(1, 2) * Deg + 1},
        TCase{"ArcTan(1;-1)", 3 * std::numbers::pi / 4, 0, "", true}, TCase{"ARCSIN(2)", 0, 9},
        TCase{"ARCCOS(-2)", 0, 8}, TCase{"LN(0)", 0, 11}, TCase{"LOG(-1)", 0, 11}, TCase{"SQRT(-1)", 0, 13},
        TCase{"EXP(1000)", 0, 16}, TCase{"ArcTan(1;1;1)", 0, 30}, TCase{"Sin(1;2)", 0, 30},
        TCase{"1;2", 0, 30}, TCase{"SIN()", 0, 23},
        // Brackets and functions are taken off as often as they occur.
        TCase{"SIN((30))", 0.5}, TCase{"ArcTan((1;2))", std::atan2(1, 2) * Deg},
        TCase{"((SIN(((30)))))", 0.5},
        // Only the innermost arc tangent of a ";" takes both operands.
        TCase{"ArcTan(ArcTan(1;1))", std::atan(45.0) * Deg},
        // A minus after ";" negates the first term only.
        TCase{"ArcTan(1;-1+2)", 45},
        // pi, words and functions.
        TCase{"PI", std::numbers::pi}, TCase{"Pi", std::numbers::pi}, TCase{"pi", std::numbers::pi},
        TCase{"2pi", 0, 25}, TCase{"sinus(30)", 0, 20, "sinus"}, TCase{"sin", 0, 20, "sin"},
        TCase{"y", 0, 20, "y"},
        // Numbers.
        TCase{"1,5E-3", 0.0015, 0, "", false, ','}, TCase{"1,,5", 0, 4, "1,,", false, ','},
        TCase{"2E", 0, 4, "2E"}, TCase{"2E+", 0, 4, "2E+"}, TCase{"1.5.3", 0, 4, "1.5.3"}, TCase{".5", 0.5},
        TCase{"1E400", 0, 4, "1E400"}, TCase{"1E-400", 0}, TCase{"2,5", 0, 21, ","},
        TCase{"6.02e23", 6.02e23},
        // Syntax errors.
        TCase{"", 0, 26}, TCase{"+", 0, 26}, TCase{"()", 0, 3}, TCase{"(2", 0, 1}, TCase{"2)", 0, 2},
        TCase{"2 3", 0, 21, " "}, TCase{"2(3)", 0, 25}, TCase{"2*", 0, 24, "*"}, TCase{"*2", 0, 24, "*"},
        TCase{"2+é", 0, 21, "é"}, TCase{"2%", 0, 21, "%"}, TCase{"2+😀", 0, 21, "😀"}, TCase{"(1)(2)", 0, 25},
        // Variables and indexes.
        TCase{"x[i+1]", 11}, TCase{"x[i-1]", 9}, TCase{"x[i]", 10}, TCase{"x[0]", 100}, TCase{"x[-1]", 99},
        TCase{"X", 0, 20, "X"}, TCase{"m*x[2]", 204}, TCase{"x[]", 0, 22, "x"}, TCase{"x[a]", 0, 22, "x"},
        TCase{"x[i+1", 0, 29, "x"}, TCase{"x[3", 0, 29, "x"}, TCase{"x[99999999999]", 0, 22, "x"},
        TCase{"u+1", 0, 28, "u"},
        // The non-defined value passes through, without an error.
        TCase{"n+1", NaN}, TCase{"SQRT(n)", NaN}, TCase{"SIN(n)*2", NaN}, TCase{"ArcTan(n;1)", NaN}));

TEST(Parser, ErrorMessagesCarryTheirArgument)
{
    const struct
    {
        int Code;
        const char* Argument;
        const char* Message;
    } cases[] = {
        {1, "", "Opening bracket has not been closed."},
        {2, "", "Closing bracket has not been open."},
        {3, "", "Empty parenthesis."},
        {4, "2E", "Incorrect number: 2E"},
        {5, "", "Calculation of a cosine has failed."},
        {6, "", "Calculation of a sine has failed."},
        {7, "", "Calculation of a tangent has failed."},
        {8, "", "Calculation of an arc-cosine has failed."},
        {9, "", "Calculation of an arc-sine has failed."},
        {10, "", "Calculation of an arc-tangent has failed."},
        {11, "", "Calculation of the logarithm of a negative or null number."},
        {13, "", "Calculation of the square root of a negative number."},
        {14, "", "Division by zero."},
        {15, "", "Calculation of a non-integer power of a negative number."},
        {16, "", "Calculation of an exponential has failed."},
        {17, "", "Calculation of a power has failed."},
        {19, "", "The result of a calculation is too big or too small."},
        {20, "sinus", "Formula with unknown variable or constant: sinus"},
        {21, " ", "Non authorized or inappropriate character detected in formula:  "},
        {22, "x",
         "The index of a variable or a constant is usually placed into brackets. Unknown index into "
         "brackets. "
         "Faulty variable or constant: x"},
        {23, "", "Function without argument."},
        {24, "*", "Operator without operand: *"},
        {25, "", "Operands without operator."},
        {26, "", "Empty formula."},
        {27, "", "Unknown error."},
        {28, "v_lam",
         "Variable with unknown value: v_lam. Check to see if initial value (v_lam[0] or v_lam[1]) is "
         "registered "
         "in the constants datasheet."},
        {29, "x",
         "Index of a variable or a constant is usually placed between brackets. Closing bracket is missing "
         "or "
         "misplaced. Faulty variable or constant: x"},
        {30, "", "Use semicolon to separate the 2 variables of a function. Eg : ArcTan(x;y)."},
        {12, "", "Unknown error."},
        {99, "", "Unknown error."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TParser::ErrorMessage(c.Code, QString::fromUtf8(c.Argument)), QString::fromUtf8(c.Message))
            << c.Code;
    // A "%" in the argument is not read as a place holder.
    EXPECT_EQ(TParser::ErrorMessage(21, QStringLiteral("%1")),
              QStringLiteral("Non authorized or inappropriate character detected in formula: %1"));
}

TEST(Parser, NormalisationOfSigns)
{
    const struct
    {
        const char* In;
        const char* Out;
    } cases[] = {
        {"-2^2", "0-2^2"}, {"(-3)", "(0-3)"}, {"+3", "3"},        {"(+3)", "(3)"},   {"2--3", "2+3"},
        {"2+-3", "2-3"},   {"2-+3", "2-3"},   {"2++3", "2+3"},    {"2*+3", "2*3"},   {"2/+3", "2/3"},
        {"2÷+3", "2÷3"},   {"2^+3", "2^3"},   {"1;+2", "1;2"},    {"1;-2", "1;0-2"}, {"1;--2", "1;2"},
        {"---3", "0-3"},   {"2*-3", "2*-3"},  {"2 - 3", "2 - 3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TParser::Normalise(QString::fromUtf8(c.In)), QString::fromUtf8(c.Out)) << c.In;
}

TEST(Parser, TokensCarryLevelsIndexesAndNegation)
{
    TParser parser;
    parser.SetResolver(TestResolver);
    parser.SetFormula(QStringLiteral("(x[i-2]*-m)+SIN(x[3])"));
    ASSERT_EQ(parser.Parse(), 0);
    const std::vector<TElemPile>& t = parser.TokenList();
    ASSERT_EQ(t.size(), 10u);
    EXPECT_EQ(t[0].Kind, tkOpen);
    EXPECT_EQ(t[0].Level, 1);
    EXPECT_EQ(t[1].Kind, tkVariable);
    EXPECT_EQ(t[1].Level, 1);
    EXPECT_TRUE(t[1].HasIndex);
    EXPECT_FALSE(t[1].IndexIsAbsolute);
    EXPECT_EQ(t[1].Index, -2);
    EXPECT_EQ(t[2].Kind, tkMultiply);
    EXPECT_TRUE(t[2].NegateRight);
    EXPECT_EQ(t[4].Kind, tkClose);
    EXPECT_EQ(t[4].Level, 1);
    EXPECT_EQ(t[5].Kind, tkPlus);
    EXPECT_EQ(t[5].Level, 0);
    EXPECT_EQ(t[6].Kind, tkSin);
    EXPECT_TRUE(t[8].IndexIsAbsolute);
    EXPECT_EQ(t[8].Index, 3);
    EXPECT_EQ(t[8].Level, 1);
    // Each name once, whatever its case and index.
    parser.SetFormula(QStringLiteral("x+x[i+1]+m"));
    parser.Parse();
    EXPECT_EQ(parser.Variables(), QStringList({QStringLiteral("x"), QStringLiteral("m")}));
}

TEST(Parser, ParsedOnceEvaluatedWithTheResolversCurrentAnswers)
{
    double current = 1.0;
    int calls = 0;
    TParser parser;
    parser.SetResolver([&](const QString& name, bool, bool, int, double& value, bool& hasValue, int&) {
        ++calls;
        value = current;
        hasValue = true;
        return name == QLatin1String("v");
    });
    parser.SetAngleMode(false);
    parser.SetDecimalSeparator(QLatin1Char('.'));
    parser.SetFormula(QStringLiteral("0.5*v^2"));
    for (int k = 1; k <= 3; ++k) {
        current = k;
        parser.Evaluate();
        ASSERT_EQ(parser.ErrorCode(), 0);
        EXPECT_DOUBLE_EQ(parser.Result(), 0.5 * k * k);
    }
    EXPECT_EQ(calls, 1 + 3); // once while tokenising, then once per evaluation
    // A syntax error found once is given again, and the error stays until the next text.
    parser.SetFormula(QStringLiteral("v*"));
    parser.Evaluate();
    parser.Evaluate();
    EXPECT_EQ(parser.ErrorCode(), peNoOperand);
    EXPECT_EQ(parser.ErrorMessage(), QStringLiteral("Operator without operand: *"));
    parser.SetFormula(QStringLiteral("v"));
    EXPECT_EQ(parser.ErrorCode(), 0);
    // Switching the angle mode needs no new parse.
    parser.SetFormula(QStringLiteral("SIN(v)"));
    current = 90;
    parser.Evaluate();
    EXPECT_DOUBLE_EQ(parser.Result(), 1.0);
    parser.SetAngleMode(true);
    parser.Evaluate();
    EXPECT_DOUBLE_EQ(parser.Result(), std::sin(90.0));
}

// Any text gives a value or an error without exhausting the stack or memory (the tree is built and
// walked without recursion, in O(n log n)).
TEST(Parser, LongAndDeepTextsTerminate)
{
    const int n = 50000;
    const struct
    {
        QString Text;
        double Value;
        int Error;
    } cases[] = {
        {QString(n, QLatin1Char('(')) + QLatin1Char('1') + QString(n, QLatin1Char(')')), 1, 0},
        {QStringLiteral("1+").repeated(n) + QLatin1Char('1'), n + 1.0, 0},
        {QStringLiteral("2^").repeated(n) + QLatin1Char('1'), 0, pePower}, // (((2^2)^2)^2)...
        {QStringLiteral("1+(").repeated(n) + QLatin1Char('1') + QString(n, QLatin1Char(')')), n + 1.0, 0},
        {QStringLiteral("ABS(").repeated(n) + QStringLiteral("-1") + QString(n, QLatin1Char(')')), 1, 0},
        {QStringLiteral("-").repeated(2 * n + 1) + QLatin1Char('1'), -1, 0},
        {QStringLiteral("+-").repeated(n) + QLatin1Char('1'), n % 2 == 0 ? 1.0 : -1.0, 0},
        {QString(n, QLatin1Char('(')) + QLatin1Char('1'), 0, peNotClosed},
        {QString(2 * n, QLatin1Char('1')), 0, peBadNumber}, // too big for a double
        {QStringLiteral("x[i+1]*").repeated(n / 4) + QLatin1Char('1'), 0, peOverflow},
        {QStringLiteral("SIN(").repeated(n) + QString(n, QLatin1Char(')')), 0, peNoArgument},
    };
    for (const auto& c : cases) {
        TParser parser;
        parser.SetResolver(TestResolver);
        parser.SetFormula(c.Text);
        parser.Evaluate();
        EXPECT_EQ(parser.ErrorCode(), c.Error) << c.Text.left(20).toStdString();
        if (c.Error == 0) {
            EXPECT_DOUBLE_EQ(parser.Result(), c.Value) << c.Text.left(20).toStdString();
        }
    }
}

TEST(CalcCommand, PrintsTheValueOrTheMessage)
{
    const struct
    {
        const char* Expr;
        bool Radians;
        int Code;
        const char* Out;
        const char* Err;
    } cases[] = {
        {"2+3", false, 0, "5", ""},
        {"Sin(90)", false, 0, "1", ""},
        {"SIN(30)", false, 0, "0.5", ""},
        {"sin(pi/2)", true, 0, "1", ""},
        {"1/3", false, 0, "0.333333333333333", ""},
        {"2^0.5", false, 0, "1.4142135623731", ""},
        {"1E20*3", false, 0, "3E+20", ""},
        {"1,5 * 2", false, 0, "3", ""},
        {"0*-1", false, 0, "0", ""},
        {"ArcTan(1;-1)", false, 0, "135", ""},
        {"x+1", false, 1, "", "kinotra: Formula with unknown variable or constant: x"},
        {"1/0", false, 1, "", "kinotra: Division by zero."},
        {"", false, 1, "", "kinotra: Empty formula."},
        {"2*", false, 1, "", "kinotra: Operator without operand: *"},
    };
    for (const auto& c : cases) {
        QString out = QStringLiteral("stale"), err = QStringLiteral("stale");
        EXPECT_EQ(CalcCommand(QString::fromUtf8(c.Expr), c.Radians, out, err), c.Code) << c.Expr;
        EXPECT_EQ(out, QString::fromUtf8(c.Out)) << c.Expr;
        EXPECT_EQ(err, QString::fromUtf8(c.Err)) << c.Expr;
    }
}

} // namespace
