// Formulas and constants: preset names, checks and their messages, iterative formulas, evaluation
// order, circular definitions, curves, options and the project keys.
#include "formula/UnitFormules.h"

#include "calc/UnitResultats.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double Deg = 180.0 / std::numbers::pi;

class FormulesTest : public ::testing::Test
{
protected:
    TResCalc Res;
    TFormules F;
    TScriptedUserDlgScope Dlg;

    void SetUp() override
    {
        F.SetResults(&Res);
        F.SetDecimalSeparator(QLatin1Char('.'));
        Table(5, 1);
    }

    // A grid table of `rows` rows at 0.1 s steps. Object p in row r: x = 1 + r + 10 p, y = 2 r, vx = 3,
    // vy = 4, v = 5 + r, ax = 6, ay = 7, a = 8 + r, angle pi/4, radius 2, angular velocity 0.5; the
    // (object, row) pairs of `missing` have no mark.
    void Table(int rows, int objects, const std::vector<std::pair<int, int>>& missing = {})
    {
        TCalcul& c = Res.Grid();
        c.ObjectCount = objects;
        c.Times.clear();
        c.RowNumbers.clear();
        for (int r = 0; r < rows; ++r) {
            c.Times.push_back(0.1 * r);
            c.RowNumbers.push_back(r);
        }
        const auto fill = [&](TMatriceD& m, auto value) {
            m.assign(objects, std::vector<double>(rows, 0.0));
            for (int p = 0; p < objects; ++p)
                for (int r = 0; r < rows; ++r)
                    m[p][r] = value(p, r);
        };
        c.Keys.assign(objects, TIntegerDynArray(rows, 0));
        for (int p = 0; p < objects; ++p)
            for (int r = 0; r < rows; ++r)
                c.Keys[p][r] = r;
        for (const auto& [p, r] : missing)
            c.Keys[p][r] = -1;
        for (int variant = 0; variant < 2; ++variant) {
            fill(c.PosX[variant], [](int p, int r) { return 1.0 + r + 10 * p; });
            fill(c.PosY[variant], [](int, int r) { return 2.0 * r; });
            fill(c.VelX[variant], [](int, int) { return 3.0; });
            fill(c.VelY[variant], [](int, int) { return 4.0; });
            fill(c.AccX[variant], [](int, int) { return 6.0; });
            fill(c.AccY[variant], [](int, int) { return 7.0; });
        }
        fill(c.Speed, [](int, int r) { return 5.0 + r; });
        fill(c.AccNorm, [](int, int r) { return 8.0 + r; });
        fill(c.Angle, [](int, int) { return std::numbers::pi / 4; });
        fill(c.Radius, [](int, int) { return 2.0; });
        fill(c.AngularVelocity, [](int, int) { return 0.5; });
    }

    // Checks a record and returns its code; `message` gets the lines shown (empty when none was).
    int CheckShown(TRec* rec, QString& message)
    {
        Dlg->Answer(0);
        const std::size_t before = Dlg->Shown.size();
        const int code = F.Check(rec);
        message = Dlg->Shown.size() > before ? Dlg->Shown.back().Text() : QString();
        Dlg->Answers.clear();
        return code;
    }

    int Check(TRec* rec)
    {
        QString message;
        return CheckShown(rec, message);
    }

    // The formula's values, the non-defined value where a row is not defined.
    static std::vector<double> Values(const TRec* rec)
    {
        std::vector<double> v = rec->Curve.Values;
        for (std::size_t r = 0; r < v.size(); ++r)
            if (rec->Curve.Defined[r] != 0)
                v[r] = NonDefini();
        return v;
    }
};

void ExpectSeries(const std::vector<double>& actual, const std::vector<double>& expected,
                  double tolerance = 1e-12)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t r = 0; r < expected.size(); ++r) {
        if (std::isnan(expected[r]))
            EXPECT_TRUE(std::isnan(actual[r])) << "row " << r << ": " << actual[r];
        else
            EXPECT_NEAR(actual[r], expected[r], tolerance) << "row " << r;
    }
}

const double U = NonDefini();

TEST_F(FormulesTest, KineticEnergyOverEveryMarkedRow)
{
    Table(5, 1, {{0, 2}});
    ASSERT_EQ(Check(F.AddConstant(QStringLiteral("m"), QString(), QStringLiteral("kg"), QStringLiteral("2"))),
              0);
    TRec* ec = F.AddFormula(QStringLiteral("Ec = m*v^2/2"), QString(), QStringLiteral("J"));
    ASSERT_EQ(Check(ec), 0);
    // m v^2 / 2 with v = 5 + r; the unmarked row stays undefined, first and last rows included.
    ExpectSeries(Values(ec), {25, 36, U, 64, 81});
    EXPECT_EQ(ec->Curve.FirstRow, 0);
    EXPECT_EQ(ec->Curve.LastRow, 4);
    EXPECT_TRUE(ec->Curve.UsesVelocity);
    EXPECT_FALSE(ec->Curve.UsesAcceleration);
    EXPECT_TRUE(ec->Curve.InGraph);
    EXPECT_EQ(ec->Comment, QStringLiteral("no comment"));
    EXPECT_EQ(F.FormulaText(0), QStringLiteral("Ec=m*v^2/2"));
    EXPECT_EQ(ec->UsedNames, QStringList({QStringLiteral("m"), QStringLiteral("v")}));
}

TEST_F(FormulesTest, PresetVariables)
{
    Table(3, 2, {{1, 0}});
    struct
    {
        const char* Line;
        std::vector<double> Expected;
    } cases[] = {
        {"q1 = t", {0, 0.1, 0.2}},
        {"q2 = x", {1, 2, 3}},
        {"q3 = X1 - x", {0, 0, 0}},              // x1 and x are the same, names without case
        {"q4 = x2", {U, 12, 13}},                // object 2 has no mark in row 0
        {"q5 = x[i+1]", {2, 3, U}},              // no row after the last
        {"q6 = x[i-1]+y[2]", {U, 1 + 2, 2 + 2}}, // y[2] is row 1 when numbering starts at one
        {"q7 = O", {45, 45, 45}},                // degrees
        {"q8 = w + R", {2.5, 2.5, 2.5}},         // rad/s, never converted
        {"q9 = vx*vy2 + ay - ax + a", {U, 12 + 1 + 9, 12 + 1 + 10}},
    };
    for (const auto& c : cases) {
        TRec* rec = F.AddFormula(QString::fromUtf8(c.Line), QString(), QString());
        EXPECT_EQ(Check(rec), 0) << c.Line;
        ExpectSeries(Values(rec), c.Expected);
    }
    // In radian mode O stays in radians; w is unchanged.
    F.SetAngleMode(true);
    ExpectSeries(Values(F.Formulas[6].get()),
                 {std::numbers::pi / 4, std::numbers::pi / 4, std::numbers::pi / 4});
    ExpectSeries(Values(F.Formulas[7].get()), {2.5, 2.5, 2.5});
}

TEST_F(FormulesTest, GridAngleFollowsTheAngleMode)
{
    class TSource : public TCalcSource
    {
    public:
        bool VideoOpen() const override { return true; }
        TMesures Mesures(bool) const override { return {}; }
        std::pair<double, double> FacteursEchelle() const override { return {1, 1}; }
        double GridAngle() const override { return std::numbers::pi / 6; }
        bool DirectXAxisDirection(bool) const override { return true; }
        bool DirectYAxisDirection(bool) const override { return true; }
        double Period() const override { return 0.1; }
    } source;
    F.SetSource(&source);
    TRec* rec = F.AddFormula(QStringLiteral("s = b*2 + 0*t"), QString(), QString());
    ASSERT_EQ(Check(rec), 0);
    EXPECT_NEAR(rec->Curve.Values[0], 60, 1e-12);
    TRec* sine = F.AddFormula(QStringLiteral("x_theo = 0.5*9.81*Sin(B)*t^2"), QString(), QString());
    ASSERT_EQ(Check(sine), 0);
    EXPECT_NEAR(sine->Curve.Values[2], 0.5 * 9.81 * 0.5 * 0.04, 1e-12);
    F.SetAngleMode(true);
    EXPECT_NEAR(rec->Curve.Values[0], std::numbers::pi / 3, 1e-12);
    EXPECT_NEAR(sine->Curve.Values[2], 0.5 * 9.81 * 0.5 * 0.04, 1e-12);
}

TEST_F(FormulesTest, ChecksAndTheirMessages)
{
    Table(5, 2);
    F.AddConstant(QStringLiteral("g"), QString(), QString(), QStringLiteral("9.81"));
    TRec* hidden = F.AddFormula(QStringLiteral("h = t*3"), QString(), QString());
    ASSERT_EQ(Check(hidden), 0);
    hidden->Curve.ColumnShown = false;
    ASSERT_EQ(Check(F.AddFormula(QStringLiteral("E1 = v^2"), QString(), QString())), 0);

    const struct
    {
        bool Constant;
        const char* Left; // a formula's line, or a constant's identifier
        const char* Value;
        int Code;
        const char* Message;
    } cases[] = {
        {false, "y2 = t", "", 9,
         "Name identical to that of a preset variable (comparison is not case-sensitive). Variable: y2"},
        {false, "E2 = V^2", "", 4, "Identical formulas detected (comparison is not case sensitive): V^2."},
        {false, "G = t", "", 3,
         "Name already in use (comparison is not case-sensitive). Repeated variable or constant: G"},
        {false, "H = t*4", "", 1, "Variable name already in use in a hidden column: H"},
        {false, "2x = t", "", 2,
         "A name cannot start with a number and can contain only letters of numbers. Incorrect variable or "
         "constant: 2x"},
        {false, "p[3] = t", "", 6,
         "The index of a variable or a constant is usually placed into brackets. Unknown index into "
         "brackets. "
         "Faulty variable or constant: p"},
        {false, "p[i1] = t", "", 6,
         "The index of a variable or a constant is usually placed into brackets. Unknown index into "
         "brackets. "
         "Faulty variable or constant: p"},
        {false, "q = x3", "", 5, "Formula with unknown variable or constant: x3"},
        {false, "q = t/0", "", 5, "Division by zero."},
        {false, "z[i+10] = t", "", 11,
         "No value can be computed (index may be too big). This variable cannot be calculated: z"},
        {false, "Ep = g*y", "", 0, ""},
        {false, "g*y*2", "", 0, ""}, // anonymous
        {true, "h", "1", 3,
         "Name already in use (comparison is not case-sensitive). Repeated variable or constant: h"},
        {true, "G", "1", 3,
         "Name already in use (comparison is not case-sensitive). Repeated variable or constant: G"},
        {true, "c[i+1]", "1", 6,
         "The index of a variable or a constant is usually placed into brackets. Unknown index into "
         "brackets. "
         "Faulty variable or constant: c"},
        {true, "k", "abc", 8,
         "String must contain a sign (optional), numerals, a decimal separator (optional), then a mantissa "
         "(optional). / Mantissa contains « E » or « e » followed by a sign (facultative) and an integer."},
        {true, "t", "1", 9,
         "Name identical to that of a preset variable (comparison is not case-sensitive). Variable: t"},
        {true, "k2", "=v^2", 4, "Identical formulas detected (comparison is not case sensitive): v^2."},
        {true, "k3", "=x", 5, "Formula with unknown variable or constant: x"},
        {true, "v_[1]", "-1,6E-19", 0, ""},
        {true, "k4", "=2*g", 0, ""},
    };
    for (const auto& c : cases) {
        const QString value = QString::fromUtf8(c.Value);
        TRec* rec = c.Constant
                        ? (value.startsWith(QLatin1Char('='))
                               ? F.AddConstant(QString::fromUtf8(c.Left), value.mid(1), QString(), QString())
                               : F.AddConstant(QString::fromUtf8(c.Left), QString(), QString(), value))
                        : F.AddFormula(QString::fromUtf8(c.Left), QString(), QString());
        QString message;
        EXPECT_EQ(CheckShown(rec, message), c.Code) << c.Left;
        EXPECT_EQ(message, QString::fromUtf8(c.Message)) << c.Left;
        if (c.Code != 0) { // the dialog takes a rejected record out again
            if (c.Constant)
                F.RemoveConstant(F.ConstantCount() - 1);
            else
                F.RemoveFormula(F.FormulaCount() - 1);
        }
    }
    EXPECT_DOUBLE_EQ(F.Constants[1]->Value, -1.6e-19);
    EXPECT_DOUBLE_EQ(F.Constants[2]->Value, 2 * 9.81);
    EXPECT_EQ(F.Check(nullptr), fcNoRecord); // nothing shown
}

TEST_F(FormulesTest, IterativeFormulaStartsFromItsInitialValue)
{
    const struct
    {
        bool ZeroBased;
        const char* Constant; // initial value, or none
        const char* Line;
        std::vector<double> Expected;
    } cases[] = {
        {false, "v_lam[1]", "v_lam[i+1] = v_lam[i] + 1", {5, 6, 7, 8, 9}},
        {true, "v_lam[0]", "v_lam[i+1] = v_lam[i] + 1", {5, 6, 7, 8, 9}},
        // Numbering from one with v_lam[0]: row 0 is computed from it, one step later.
        {false, "v_lam[0]", "v_lam[i+1] = v_lam[i] + 1", {6, 7, 8, 9, 10}},
        {false, "v_tur[1]", "v_tur[i] = v_tur[i-1] * 2", {5, 10, 20, 40, 80}},
        {false, "s[1]", "s[i+2] = s[i] + s[i+1]", {5, U, U, U, U}}, // s[2] missing: every later row fails
    };
    for (const auto& c : cases) {
        F.Clear();
        F.StartByZero = c.ZeroBased;
        ASSERT_EQ(
            Check(F.AddConstant(QString::fromUtf8(c.Constant), QString(), QString(), QStringLiteral("5"))),
            0);
        TRec* rec = F.AddFormula(QString::fromUtf8(c.Line), QString(), QString());
        Check(rec);
        ExpectSeries(Values(rec), c.Expected);
    }
    // Without the initial value every row fails and the message names the two possible constants.
    F.Clear();
    F.StartByZero = false;
    QString message;
    EXPECT_EQ(
        CheckShown(F.AddFormula(QStringLiteral("v_lam[i+1] = v_lam[i] + 1"), QString(), QString()), message),
        fcParser);
    EXPECT_EQ(message,
              QStringLiteral("Variable with unknown value: v_lam. Check to see if initial value (v_lam[0] "
                             "or v_lam[1]) is registered in the constants datasheet."));
    EXPECT_TRUE(F.Formulas[0]->Curve.Empty);
    EXPECT_FALSE(F.Formulas[0]->Curve.InGraph);
}

// A body falling with a drag proportional to v^2, integrated by Euler's method with Dt = 0.04 s:
// v1 = 0 + 0.04 (9.81 - 0.5 * 0^2) = 0.3924; v2 = 0.3924 + 0.04 (9.81 - 0.5 * 0.3924^2) = 0.7817204448;
// and so on; the height follows from the velocity of the previous row.
TEST_F(FormulesTest, EulerIntegrationOfAFallWithDrag)
{
    Table(6, 1);
    const char* constants[][2] = {{"g", "9,81"},  {"k", "0,05"},  {"m", "0,1"},
                                  {"Dt", "0,04"}, {"v_[1]", "0"}, {"h_[1]", "0"}};
    for (const auto& c : constants)
        ASSERT_EQ(Check(F.AddConstant(QLatin1String(c[0]), QString(), QString(), QLatin1String(c[1]))), 0);
    // The height is listed first: the evaluation order still computes the velocity before it.
    TRec* h = F.AddFormula(QStringLiteral("h_[i+1] = h_[i] + v_[i]*Dt"), QString(), QStringLiteral("m"));
    TRec* v = F.AddFormula(QStringLiteral("v_[i+1] = v_[i] + Dt*(g - (k÷m)*v_[i]^2)"), QString(), QString());
    F.ComputeConstants();
    F.ComputeFormulas();
    ExpectSeries(Values(v),
                 {0, 0.3924, 0.7817204448, 1.161898707723634, 1.527298535583437, 1.8730457192475307});
    ExpectSeries(Values(h), {0, 0, 0.015696, 0.046964817792, 0.09344076610094537, 0.15453270752428286});
    EXPECT_FALSE(v->Curve.UsesVelocity); // v_ is not the preset v
}

TEST_F(FormulesTest, CoupledIterativeFormulasAdvanceTogether)
{
    F.AddConstant(QStringLiteral("Dt"), QString(), QString(), QStringLiteral("0.1"));
    F.AddConstant(QStringLiteral("p_[1]"), QString(), QString(), QStringLiteral("1"));
    F.AddConstant(QStringLiteral("q_[1]"), QString(), QString(), QStringLiteral("0"));
    TRec* p = F.AddFormula(QStringLiteral("p_[i+1] = p_[i] + q_[i]*Dt"), QString(), QString());
    TRec* q = F.AddFormula(QStringLiteral("q_[i+1] = q_[i] - p_[i]*Dt"), QString(), QString());
    F.ComputeFormulas();
    // p1 = 1 + 0 = 1, q1 = 0 - 0.1 = -0.1, p2 = 1 - 0.01 = 0.99, q2 = -0.1 - 0.1 = -0.2, p3 = 0.99 - 0.02 ...
    ExpectSeries(Values(p), {1, 1, 0.99, 0.97, 0.9401});
    ExpectSeries(Values(q), {0, -0.1, -0.2, -0.299, -0.396});
    // A second computation gives the same values.
    F.ComputeFormulas();
    ExpectSeries(Values(p), {1, 1, 0.99, 0.97, 0.9401});
}

TEST_F(FormulesTest, CircularDefinitionsHaveNoValue)
{
    // Formulas defined through each other, as a project file may hold them.
    F.AddFormula(QStringLiteral("a = b + 1"), QString(), QString());
    F.AddFormula(QStringLiteral("b = a + 1"), QString(), QString());
    F.AddFormula(QStringLiteral("c = t*2"), QString(), QString());
    F.ComputeFormulas();
    F.ComputeFormulas();
    EXPECT_TRUE(F.Formulas[0]->Curve.Empty);
    EXPECT_TRUE(F.Formulas[1]->Curve.Empty);
    EXPECT_FALSE(F.Formulas[2]->Curve.Empty);
    // Changing a definition so that it goes round through another formula is refused with the message
    // of the value that is missing.
    TRec* a2 = F.AddFormula(QStringLiteral("a2 = t + 1"), QString(), QString());
    ASSERT_EQ(Check(a2), 0);
    ASSERT_EQ(Check(F.AddFormula(QStringLiteral("b2 = a2*2"), QString(), QString())), 0);
    a2->Phrase = QStringLiteral("b2+1");
    QString message;
    EXPECT_EQ(CheckShown(a2, message), fcParser);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Variable with unknown value: b2.")))
        << message.toStdString();

    // Constants defined through each other, or through themselves.
    F.AddConstant(QStringLiteral("k1"), QStringLiteral("k2*2"), QString(), QString());
    F.AddConstant(QStringLiteral("k2"), QStringLiteral("k1*2"), QString(), QString());
    F.AddConstant(QStringLiteral("k3"), QStringLiteral("k3*2"), QString(), QString());
    F.AddConstant(QStringLiteral("k4"), QStringLiteral("k1+1"), QString(), QString());
    for (int pass = 0; pass < 2; ++pass) {
        F.ComputeConstants();
        for (const auto& c : F.Constants) {
            EXPECT_TRUE(std::isnan(c->Value)) << c->Name.toStdString();
            EXPECT_EQ(c->ValueText, QStringLiteral("#Number!"));
        }
    }
    EXPECT_EQ(CheckShown(F.Constants[2].get(), message), fcParser);
    EXPECT_EQ(message, QStringLiteral("Formula with unknown variable or constant: k3"));
}

TEST_F(FormulesTest, DependencyOrder)
{
    // Vol uses Ray, which comes after it; bb uses aa, which comes after it.
    TRec* vol = F.AddConstant(QStringLiteral("Vol"), QStringLiteral("4*Ray^3/3"), QString(), QString());
    F.AddConstant(QStringLiteral("Ray"), QString(), QString(), QStringLiteral("0,009"));
    TRec* b = F.AddFormula(QStringLiteral("bb = aa*2"), QString(), QString());
    F.AddFormula(QStringLiteral("aa = t + Vol"), QString(), QString());
    F.AddFormula(QStringLiteral("aa*3"), QString(), QString()); // anonymous, used by nobody
    F.ComputeConstants();
    F.ComputeFormulas();
    EXPECT_DOUBLE_EQ(vol->Value, 4 * std::pow(0.009, 3) / 3); // 4*Ray^3/3: the division splits first
    EXPECT_EQ(vol->ValueText, QStringLiteral("9.72e-07").replace(QStringLiteral("e"), QStringLiteral("E")));
    ExpectSeries(Values(b), {2 * vol->Value, 2 * (0.1 + vol->Value), 2 * (0.2 + vol->Value),
                             2 * (0.3 + vol->Value), 2 * (0.4 + vol->Value)});
    ExpectSeries(Values(F.Formulas[2].get()), {3 * vol->Value, 3 * (0.1 + vol->Value), 3 * (0.2 + vol->Value),
                                               3 * (0.3 + vol->Value), 3 * (0.4 + vol->Value)});
    // The value text of a computed constant goes through the program's number format when given one.
    F.FormatValue = [](double x) { return QStringLiteral("<%1>").arg(x); };
    F.ComputeConstants();
    EXPECT_TRUE(vol->ValueText.startsWith(QLatin1Char('<')));
}

TEST_F(FormulesTest, FlagsPassThroughFormulas)
{
    TRec* e = F.AddFormula(QStringLiteral("e = v2"), QString(), QString());
    F.AddFormula(QStringLiteral("f = a*0 + t"), QString(), QString());
    TRec* g = F.AddFormula(QStringLiteral("g_ = e + f"), QString(), QString());
    Table(5, 2);
    F.ComputeFormulas();
    EXPECT_TRUE(e->Curve.UsesVelocity);
    EXPECT_FALSE(e->Curve.UsesAcceleration);
    EXPECT_TRUE(g->Curve.UsesVelocity);
    EXPECT_TRUE(g->Curve.UsesAcceleration);
}

TEST_F(FormulesTest, OptionsChooseThePresetFamilies)
{
    Table(3, 2);
    TOptions options(QStringLiteral("/nonexistent/Kinotra.ini"));
    options.CheckBox9Speed = false;
    options.CheckBox8Acceleration = true;
    options.CheckBox53PolarQuantities = false;
    options.CheckBox32AngleRadian = true;
    Res.Invalidate(kindGrid);
    Res.Grid().Dirty = false;
    F.ApplyOptions(options);
    EXPECT_TRUE(Res.IsDirty(kindGrid)); // the families changed
    EXPECT_TRUE(F.AngleInRadians());
    const struct
    {
        const char* Name;
        bool Preset;
    } names[] = {{"t", true},    {"x", true},   {"Y2", true}, {"x3", false}, {"x0", false},
                 {"x01", false}, {"vx", false}, {"v", false}, {"AX2", true}, {"a", true},
                 {"O", false},   {"w", false},  {"B", false}, {"xx", false}, {"t2", true}};
    for (const auto& n : names)
        EXPECT_EQ(F.IsPresetName(QLatin1String(n.Name)), n.Preset) << n.Name;
    QString message;
    EXPECT_EQ(CheckShown(F.AddFormula(QStringLiteral("q = vx"), QString(), QString()), message), fcParser);
    EXPECT_EQ(message, QStringLiteral("Formula with unknown variable or constant: vx"));
    // A formula may then take the name of a family that is switched off.
    EXPECT_EQ(Check(F.AddFormula(QStringLiteral("v = x*2"), QString(), QString())), 0);
}

TEST_F(FormulesTest, CurvesAbscissaAndBounds)
{
    TRec* a = F.AddFormula(QStringLiteral("a_ = t*10"), QString(), QString());
    TRec* b = F.AddFormula(QStringLiteral("b_ = 1/(t - 0.2)"), QString(), QString());
    F.ComputeFormulas();
    EXPECT_EQ(b->Curve.Defined[2], -1); // division by zero in that row only
    TPointDDynArray points = F.CurvePoints(1);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_NEAR(points[2].x(), 0.3, 1e-12);
    EXPECT_NEAR(points[2].y(), 10, 1e-9);
    F.SetAbscissa(0);
    points = F.CurvePoints(1);
    EXPECT_NEAR(points[2].x(), 3, 1e-12);
    double xMin, xMax, yMin, yMax;
    F.Bounds(xMin, xMax, yMin, yMax);
    EXPECT_NEAR(xMin, 0, 1e-12);
    EXPECT_NEAR(xMax, 4, 1e-12);
    EXPECT_NEAR(yMin, -10, 1e-9);
    EXPECT_NEAR(yMax, 10, 1e-9);
    // The abscissa goes back to the time when its formula can no longer be computed or is removed.
    a->Phrase = QStringLiteral("t/0");
    F.ComputeFormulas();
    EXPECT_EQ(F.AbscissaFormula, -1);
    F.SetInGraph(0, true);
    EXPECT_FALSE(a->Curve.InGraph); // ignored for an empty formula
    F.SetAbscissa(1);
    F.RemoveFormula(0);
    EXPECT_EQ(F.AbscissaFormula, 0);
    F.Bounds(xMin, xMax, yMin, yMax);
    F.RemoveFormula(0);
    EXPECT_EQ(F.AbscissaFormula, -1);
    F.Bounds(xMin, xMax, yMin, yMax);
    EXPECT_EQ(xMin, 1e100);
    EXPECT_EQ(yMax, -1e100);
}

TEST_F(FormulesTest, SavedAndLoadedWithTheProject)
{
    F.AddFormula(QStringLiteral("Ec = 0,5*m*v^2"), QStringLiteral("kinetic energy"), QStringLiteral("J"));
    F.AddFormula(QStringLiteral("m*v"), QString(), QString());
    F.AddFormula(QStringLiteral("v_lam[i+1] = v_lam[i] + 1"), QString(), QString());
    F.AddConstant(QStringLiteral("m"), QString(), QStringLiteral("kg"), QStringLiteral("1,5"));
    F.AddConstant(QStringLiteral("v_lam[1]"), QString(), QString(), QStringLiteral("0"));
    F.AddConstant(QStringLiteral("Vol"), QStringLiteral("4*pi*m^3÷3"), QStringLiteral("m³"), QString());
    TIniFile ini{QString()};
    F.Save(ini);
    const char* expected[][3] = {
        {"Formules", "FormulesNumber", "3"},
        {"Formules", "ConstantesNumber", "3"},
        {"Record", "RecordFormuleIdentifier_0", "Ec"},
        {"Record", "RecordFormulePhrase_0", "0.5*m*v^2"},
        {"Record", "RecordFormuleComment_0", "kinetic energy"},
        {"Record", "RecordFormuleUnit_0", "J"},
        {"Record", "RecordFormuleIdentifier_1", ""},
        {"Record", "RecordFormulePhrase_1", "m*v"},
        {"Record", "RecordFormuleComment_1", "no comment"},
        {"Record", "RecordFormuleUnit_1", "no unit"},
        {"Record", "RecordFormuleIdentifier_2", "v_lam[i+1]"},
        {"Record", "RecordConstIdentifier_0", "m"},
        {"Record", "RecordConstIndex_0", "0"},
        {"Record", "RecordConstValue_0", "1.5"},
        {"Record", "RecordConstUnit_0", "kg"},
        {"Record", "RecordConstIdentifier_1", "v_lam[1]"},
        {"Record", "RecordConstIndex_1", "1"},
        {"Record", "RecordConstValue_2", "=4*pi*m^3÷3"},
        {"Record", "RecordConstUnit_2", "m³"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(ini.ReadString(QLatin1String(e[0]), QLatin1String(e[1]), QStringLiteral("?")),
                  QString::fromUtf8(e[2]))
            << e[1];

    TFormules loaded;
    loaded.SetResults(&Res);
    loaded.SetDecimalSeparator(QLatin1Char('.'));
    loaded.Load(ini);
    TIniFile again{QString()};
    loaded.Save(again);
    EXPECT_EQ(again.ToText(), ini.ToText());
    loaded.ComputeConstants();
    loaded.ComputeFormulas();
    EXPECT_DOUBLE_EQ(loaded.Constants[2]->Value, 4 * std::numbers::pi * 1.5 * 1.5 * 1.5 / 3);
    ExpectSeries(Values(loaded.Formulas[0].get()),
                 {0.5 * 1.5 * 25, 0.5 * 1.5 * 36, 0.5 * 1.5 * 49, 0.5 * 1.5 * 64, 0.5 * 1.5 * 81});
    ExpectSeries(Values(loaded.Formulas[2].get()), {0, 1, 2, 3, 4});
    EXPECT_TRUE(loaded.Formulas[1]->Anonymous());
}

TEST_F(FormulesTest, LoadingOlderAndDamagedFiles)
{
    TIniFile ini{QString()};
    // Values written by hand: blanks around them, commas, and a count far beyond the keys present.
    ini.SetText(QStringLiteral("[Formules]\nFormulesNumber=2000000000\nConstantesNumber=1\n[Record]\n"
                               "RecordFormuleIdentifier_0= Ep \nRecordFormulePhrase_0= m*9,81*y \n"
                               "RecordConstIdentifier_0=m\nRecordConstValue_0= 0,25 \n"));
    F.Load(ini);
    ASSERT_GE(F.FormulaCount(), 1);
    EXPECT_LE(F.FormulaCount(), 4);
    EXPECT_EQ(F.Formulas[0]->Name, QStringLiteral("Ep"));
    EXPECT_EQ(F.Formulas[0]->Phrase, QStringLiteral("m*9.81*y"));
    ASSERT_EQ(F.ConstantCount(), 1);
    EXPECT_DOUBLE_EQ(F.Constants[0]->Value, 0.25);
    // With a comma as the decimal separator, both separators are read as a comma.
    TFormules comma;
    comma.SetDecimalSeparator(QLatin1Char(','));
    comma.SetResults(&Res);
    comma.Load(ini);
    EXPECT_EQ(comma.Formulas[0]->Phrase, QStringLiteral("m*9,81*y"));
    comma.ComputeConstants();
    comma.ComputeFormulas();
    ExpectSeries(Values(comma.Formulas[0].get()),
                 {0, 0.25 * 9.81 * 2, 0.25 * 9.81 * 4, 0.25 * 9.81 * 6, 0.25 * 9.81 * 8});
}

TEST_F(FormulesTest, LeftHandSides)
{
    const struct
    {
        bool Constant;
        const char* Identifier;
        const char* Name;
        bool NameValid, IndexValid, HasIndex;
        int Index;
    } cases[] = {
        {false, "v_lam[i+1]", "v_lam", true, true, true, 1},
        {false, "x_[i-2]", "x_", true, true, true, -2},
        {false, "x_[i+-2]", "x_", true, true, true, -2},
        {false, "v_tur[i]", "v_tur", true, true, false, 0},
        {false, "E c", "Ec", true, true, false, 0},
        {false, "Ec²", "Ec²", true, true, false, 0},
        {false, "p[3]", "p", true, false, true, 3},
        {false, "p[i+1", "p", true, false, true, 1},
        {false, "p[]", "p", false, false, true, 0},
        {false, "p]", "p", false, false, false, 0},
        {false, "_p", "_p", false, true, false, 0},
        {false, "p-q", "p", false, false, false, 0},
        {true, "v_[1]", "v_", true, true, true, 1},
        {true, "v_[-1]", "v_", true, true, true, -1},
        {true, "v_[i]", "v_", true, false, true, 0},
        {true, "g", "g", true, true, false, 0},
    };
    for (const auto& c : cases) {
        TRec* rec =
            c.Constant
                ? F.AddConstant(QString::fromUtf8(c.Identifier), QString(), QString(), QStringLiteral("1"))
                : F.AddFormula(QString::fromUtf8(c.Identifier) + QStringLiteral("=t"), QString(), QString());
        EXPECT_EQ(rec->Name, QString::fromUtf8(c.Name)) << c.Identifier;
        EXPECT_EQ(rec->NameValid, c.NameValid) << c.Identifier;
        EXPECT_EQ(rec->IndexValid, c.IndexValid) << c.Identifier;
        EXPECT_EQ(rec->HasIndex, c.HasIndex) << c.Identifier;
        EXPECT_EQ(rec->IndexNumber, c.Index) << c.Identifier;
    }
}

// A formula without variables gives, in every row, the value that the headless calculator prints.
TEST_F(FormulesTest, FormulaGridAndCalculatorAgree)
{
    const char* expressions[] = {"SIN(30)*2", "8/2*4", "2^-1+ArcTan(1;-1)", "LN(10)/LOG(10)", "-2^2", "1/3"};
    for (bool radians : {false, true}) {
        F.Clear();
        F.SetAngleMode(radians);
        for (const char* e : expressions) {
            TRec* rec = F.AddFormula(QString::fromUtf8(e), QString(), QString());
            ASSERT_EQ(Check(rec), 0) << e;
            QString out, err;
            ASSERT_EQ(CalcCommand(QString::fromUtf8(e), radians, out, err), 0) << e;
            for (double value : rec->Curve.Values)
                EXPECT_EQ(QString::asprintf("%.15G", value + 0.0), out) << e;
        }
    }
}

} // namespace
