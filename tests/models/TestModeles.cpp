// The model family: linear fits and their statistics, description lines, standard errors against a
// Monte Carlo estimate, the modifier's zones and drags, and the headless fit.
#include "ModelsFixture.h"
#include "common/UnitFormat.h"
#include "models/UnitModeles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <string>

namespace {

std::unique_ptr<TMdl> Fitted(int kind, const std::vector<double>& x, const std::vector<double>& y)
{
    std::unique_ptr<TMdl> m = CreateModel(kind);
    m->Fit(x, y);
    return m;
}

TEST(Models, StraightLinesAndParabolaOnSmallExamples)
{
    const std::vector<double> x = {0, 1, 2}, y = {1, 3, 5};
    auto affine = Fitted(mkAffine, x, y);
    EXPECT_EQ(affine->FitCode, 0);
    EXPECT_NEAR(affine->Parameter(0), 1, 1e-12);
    EXPECT_NEAR(affine->Parameter(1), 2, 1e-12);
    EXPECT_NEAR(affine->RelativePrecision, 0, 1e-12);
    EXPECT_NEAR(affine->QuadraticVariation, 0, 1e-12);
    EXPECT_NEAR(affine->Correlation, 1, 1e-12);

    auto prop = Fitted(mkProportionnel, x, y);
    EXPECT_EQ(prop->Parameter(0), 0.0);
    EXPECT_DOUBLE_EQ(prop->Parameter(1), 3.0); // mean y 3 over mean x 1

    auto constant = Fitted(mkConstant, x, y);
    EXPECT_DOUBLE_EQ(constant->Parameter(0), 3.0);
    for (const QString& line : constant->Lines)
        EXPECT_FALSE(line.contains(QStringLiteral("correlation")));

    auto parabola = Fitted(mkParabole, {0, 1, 3}, {2, -1, 4});
    for (double v : {0.0, 1.0, 3.0})
        EXPECT_NEAR(parabola->Value(v), v == 0 ? 2 : v == 1 ? -1 : 4, 1e-12);

    // A vertical set of points still has a constant (its mean); the proportional model refuses
    // abscissae that average to zero and keeps its parameters.
    auto vertical = Fitted(mkConstant, {2, 2, 2}, {1, 2, 6});
    EXPECT_DOUBLE_EQ(vertical->Parameter(0), 3.0);
    auto centred = Fitted(mkProportionnel, {-1, 1}, {4, 5});
    EXPECT_NE(centred->FitCode, 0);
    EXPECT_EQ(centred->Parameter(1), 0.0);
}

TEST(Models, DescriptionLines)
{
    auto affine = Fitted(mkAffine, {0, 1, 2}, {1, 3, 5});
    const QStringList lines = affine->Describe(QStringLiteral("x"), QStringLiteral("t"));
    const QStringList expected = {
        QStringLiteral("Model: x = r + b.t"),
        QStringLiteral("r = 1.000 ± 0"),
        QStringLiteral("b = 2.000 ± 0"),
        QStringLiteral("slope b = 2.000 ± 0"),
        QStringLiteral("Margin of error on y-axis: "),
        QStringLiteral("- relative precision = 0%"),
        QStringLiteral("- average quadratic variation = 0"),
        QStringLiteral("- correlation coefficient = 1"),
    };
    EXPECT_EQ(lines, expected);

    // Equations with the abscissa's name in place of t, letters in the model's order.
    const struct
    {
        int Kind;
        const char* Line0;
    } equations[] = {
        {mkConstant, "Model: vy = r"},
        {mkProportionnel, "Model: vy = b.x"},
        {mkParabole, "Model: vy = r + b.x + c.x²"},
        {mkExponentiel, "Model: vy = r + b.exp(c.x)"},
        {mkSinus, "Model: vy = r + b.sin(c.x + d)"},
        {mkSinusAe, "Model: vy = r + b.sin(c.x + d).exp(k.x)"},
        {mkSinusAl, "Model: vy\" + r.vy + b.Sign(vy') = c"},
    };
    for (const auto& e : equations) {
        auto m = CreateModel(e.Kind);
        EXPECT_EQ(m->Describe(QStringLiteral("vy"), QStringLiteral("x")).front(), QString::fromUtf8(e.Line0));
    }

    // The linearly damped sine as an oscillator with dry friction: r = w², b = -(pi/2).A.w.k, c = w².r0,
    // y(0) and y'(0); with k = 0 the friction term is 0.
    auto lin = CreateModel(mkSinusAl);
    const double values[] = {1, 2, 3, 0.5, -0.1};
    for (int i = 0; i < 5; ++i)
        lin->SetParameter(i, values[i]);
    const QStringList l = lin->Describe(QStringLiteral("y"), QStringLiteral("t"));
    ASSERT_GE(l.size(), 6);
    EXPECT_EQ(l[1], QStringLiteral("r = 9.000"));
    EXPECT_EQ(l[2], QStringLiteral("b = ") + FormatSignificant(0, -(TestPi / 2) * 2 * 3 * -0.1));
    EXPECT_EQ(l[3], QStringLiteral("c = 9.000"));
    EXPECT_EQ(l[4], QStringLiteral("y(0) = ") + FormatSignificant(0, 2 * std::sin(0.5) + 1));
    EXPECT_EQ(l[5], QStringLiteral("y'(0) = ") +
                        FormatSignificant(0, 2 * (3 * std::cos(0.5) - 0.1 * std::sin(0.5))));
    lin->SetParameter(4, 0.0);
    EXPECT_EQ(lin->Lines[2], QStringLiteral("b = 0"));

    // Standard errors stand beside their parameters after a fit that gives them, and disappear once the
    // parameters are moved by hand; the reading follows the parameter lines.
    TCurve fall{Abscissae(0, 0.02, 40), {}};
    for (double t : fall.X)
        fall.Y.push_back(1 + 2 * t - 4.905 * t * t + 0.01 * std::sin(37 * t));
    auto parabola = Fitted(mkParabole, fall.X, fall.Y);
    ASSERT_EQ(parabola->StdErrors.size(), 3u);
    const QStringList fitted = parabola->Describe(QStringLiteral("y"), QStringLiteral("t"));
    EXPECT_TRUE(fitted[3].contains(QRegularExpression(QStringLiteral("^c = -4\\.\\d+ ± 0\\.0\\d+$"))))
        << fitted[3].toStdString();
    EXPECT_TRUE(
        fitted[4].contains(QRegularExpression(QStringLiteral("^acceleration 2c = -9\\.\\d+ ± 0\\.\\d+$"))))
        << fitted[4].toStdString();
    EXPECT_EQ(fitted[5], QStringLiteral("Margin of error on y-axis: "));
    parabola->SetParameter(2, -5.0);
    EXPECT_TRUE(parabola->StdErrors.empty());
    EXPECT_FALSE(parabola->Lines.join(QLatin1Char('\n')).contains(QStringLiteral(" ± ")));
    EXPECT_EQ(parabola->Lines[4], QStringLiteral("acceleration 2c = ") + FormatSignificant(0, -10.0));
}

// The physical reading after the parameter lines: what the parameters mean, with its uncertainty from the
// standard errors and its unit from the curve's units; an abscissa other than the time is named.
TEST(Models, PhysicalReadingLines)
{
    const double periodC = 2 * TestPi / 2.6287, periodSe = 0.0004 * periodC * periodC / (2 * TestPi);
    const struct
    {
        int Kind;
        std::vector<double> Params, Errors; // errors of every parameter; empty: after a drag
        const char *Y, *X, *YUnit, *XUnit;
        const char* Expected; // empty: no reading line
    } cases[] = {
        {mkParabole,
         {1, 2, -4.905},
         {0.01, 0.01, 0.0098},
         "x",
         "t",
         "m",
         "s",
         "acceleration 2c = -9.81 ± 0.02 m/s²"},
        {mkParabole,
         {1, 2, 0.5},
         {0.01, 0.01, 0.05},
         "vx",
         "t",
         "m/s",
         "s",
         "second derivative 2c = d²vx/dt² = 1.00 ± 0.10 m/s³"},
        {mkParabole,
         {0, 0, 3},
         {0.1, 0.1, 0.2},
         "θ",
         "t",
         "rad",
         "s",
         "angular acceleration 2c = 6.0 ± 0.4 rad/s²"},
        {mkParabole,
         {1, 2, 0.5},
         {0.01, 0.01, 0.05},
         "E",
         "x",
         "J",
         "m",
         "second derivative 2c = d²E/dx² = 1.00 ± 0.10 J/m²"},
        {mkAffine, {0.1, 1.25}, {0.01, 0.003}, "x", "t", "m", "s", "slope b = 1.250 ± 0.003 m/s"},
        {mkAffine, {0.1, -9.8}, {0.01, 0.04}, "vy", "t", "m/s", "s", "slope b = -9.80 ± 0.04 m/s²"},
        {mkProportionnel, {0, 25}, {1.5}, "F", "x", "N", "m", "slope b against x = 25.0 ± 1.5 N/m"},
        {mkAffine, {0, 2}, {}, "y", "t", "", "", "slope b = 2.000"},
        {mkExponentiel,
         {20, 60, -0.1},
         {0.1, 0.1, 0.001},
         "T",
         "t",
         "°C",
         "s",
         "time constant τ = -1/c = 10.00 ± 0.10 s"},
        {mkExponentiel,
         {0, 1, 0.5},
         {0.1, 0.1, 0.01},
         "N",
         "t",
         "",
         "s",
         "doubling time ln2/c = 1.39 ± 0.03 s"},
        {mkExponentiel, {0, 1, -2}, {0.1, 0.1, 0.2}, "I", "d", "", "", "d constant τ = -1/c = 0.50 ± 0.05"},
        {mkExponentiel, {1, 1, 0}, {}, "y", "t", "", "", ""},
        {mkSinus,
         {0, 1, periodC, 0},
         {0.1, 0.1, periodSe, 0.1},
         "x",
         "t",
         "m",
         "s",
         "period T = 2π/c = 2.6287 ± 0.0004 s, frequency f = c/2π = 0.38042 ± 0.00006 Hz"},
        {mkSinusAe,
         {0, 1, periodC, 0, -0.03},
         {},
         "x",
         "t",
         "m",
         "s",
         "period T = 2π/c = 2.629 s, frequency f = c/2π = 0.380 Hz"},
        {mkSinusAl,
         {0, 1, TestPi, 0, -0.03},
         {0.1, 0.1, 0.01 * TestPi, 0.1, 0.01},
         "y",
         "x",
         "V",
         "m",
         "period in x T = 2π/c = 2.00 ± 0.02 m, frequency in x f = c/2π = 0.500 ± 0.005 1/m"},
        {mkConstant, {2.5, 0}, {0.1}, "y", "t", "m", "s", ""},
    };
    for (const auto& c : cases) {
        auto m = CreateModel(c.Kind);
        m->Params = c.Params;
        m->StdErrors = c.Errors;
        m->SetUnits(QString::fromUtf8(c.XUnit), QString::fromUtf8(c.YUnit));
        const QStringList equation = m->Describe(QString::fromUtf8(c.Y), QString::fromUtf8(c.X));
        SCOPED_TRACE(equation.join(QLatin1Char('\n')).toStdString());
        const QString expected = QString::fromUtf8(c.Expected);
        EXPECT_EQ(m->ReadingLine(), expected);
        // It stands right after the parameter lines.
        const QStringList lines = m->EquationLines();
        if (!expected.isEmpty())
            EXPECT_EQ(lines.last(), expected);
        else
            EXPECT_EQ(lines.size(), m->Letters().size() + 1);
    }
}

TEST(Models, ChangesAreNotifiedOnce)
{
    auto m = CreateModel(mkAffine);
    int calls = 0;
    m->OnChange = [&](TMdl&) { ++calls; };
    m->Fit({0, 1, 2}, {1, 3, 5});
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(m->Changed);
    m->Fit({0, 1, 2}, {1, 3, 5}); // the same parameters: nothing new
    EXPECT_EQ(calls, 1);
    m->SetParameter(1, 2.5);
    EXPECT_EQ(calls, 2);
    EXPECT_DOUBLE_EQ(m->SavedParams[1], 2.5);
}

TEST(Models, SineLimitsWithinTheDrawableRange)
{
    auto m = CreateModel(mkSinus);
    m->SetArea(0, 0, 400, 300);
    m->SetWorld(0, 10, -2, 2); // 40 pixels per unit along x
    m->SetParameter(1, -3.0);  // a negative amplitude becomes 0
    EXPECT_EQ(m->Parameter(1), 0.0);
    m->SetParameter(2, 1e6); // at most a quarter radian per pixel
    EXPECT_DOUBLE_EQ(m->Parameter(2), 0.25 * 40);
    m->SetParameter(2, 1e-12);
    EXPECT_DOUBLE_EQ(m->Parameter(2), 1e-6 * 40);
    m->SetParameter(0, 1e9);
    EXPECT_DOUBLE_EQ(m->Parameter(0), -2 + 1e4 * 4 / 300.0);
    // With no area nothing is limited.
    auto free = CreateModel(mkSinus);
    free->SetParameter(2, 1e6);
    EXPECT_EQ(free->Parameter(2), 1e6);
}

// ---------------------------------------------------------------------------------------------------
// Standard errors against the spread of the fitted parameters over many noisy copies of one curve.

TEST(Models, StandardErrorsAgreeWithMonteCarlo)
{
    const struct
    {
        const char* Name;
        int Kind;
        std::vector<double> Params; // r, b, c, d, k as the kind uses them
        double From, Step;
        int N;
        double Sigma;
    } cases[] = {
        {"affine", mkAffine, {0.3, -1.2}, 0, 0.1, 40, 0.05},
        {"proportional", mkProportionnel, {0, 0.8}, 0.5, 0.1, 40, 0.05},
        {"constant", mkConstant, {2.5, 0}, 0, 0.1, 30, 0.05},
        {"parabola", mkParabole, {1, 2, -4.905}, 0, 0.02, 50, 0.01},
        {"exponential", mkExponentiel, {20, 60, -0.1}, 0, 0.5, 60, 0.5},
        // The sines with their offset fitted, on records where it is not the mean of y.
        {"sine", mkSinus, {0.4, 1, 4, 1}, 0, 0.05, 150, 0.03},
        {"sine, less than one period", mkSinus, {0.4, 1, 1.2, 1}, 0, 0.02, 200, 0.03},
        {"damped sine (exponential)", mkSinusAe, {0.4, 1, 4, 1, -0.2}, 0, 0.05, 150, 0.03},
        {"damped sine (exponential), starting late", mkSinusAe, {-2, 3, 4, 1, -0.2}, 5, 0.05, 150, 0.03},
        {"damped sine (linear)", mkSinusAl, {0.4, 1, 4, 1, -0.05}, 0, 0.05, 150, 0.03},
        // It stops half-way between two zeros of the sine: the frozen value jumps where the envelope
        // vanishes on a zero, and a fit there has no errors.
        {"damped sine (linear), stops inside", mkSinusAl, {0.4, 1, 4, 1, -0.125}, 0, 0.05, 200, 0.03},
    };
    // Enough copies that the spread itself is known to about 2 %: 10 % is then a real disagreement.
    const int replicas = 1000;
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.Name);
        const std::vector<double> x = Abscissae(tc.From, tc.Step, tc.N);
        auto truth = CreateModel(tc.Kind);
        for (std::size_t i = 0; i < tc.Params.size(); ++i)
            truth->Params[i] = tc.Params[i];
        std::vector<double> clean;
        for (double v : x)
            clean.push_back(truth->Value(v));
        const int p = static_cast<int>(truth->FittedLetters().size());
        std::vector<double> sum(p, 0.0), sum2(p, 0.0), se(p, 0.0);
        int counted = 0;
        for (int k = 0; k < replicas; ++k) {
            std::vector<double> y = clean;
            AddNoise(y, tc.Sigma, 1000 + k);
            auto m = Fitted(tc.Kind, x, y);
            if (m->FitCode != 0 || static_cast<int>(m->StdErrors.size()) != p)
                continue;
            ++counted;
            const QString letters = m->FittedLetters();
            for (int j = 0; j < p; ++j) {
                const int index = static_cast<int>(QStringLiteral("rbcdk").indexOf(letters[j]));
                const double v = m->Parameter(index);
                sum[j] += v;
                sum2[j] += v * v;
                se[j] += m->StdErrors[j];
            }
        }
        ASSERT_GE(counted, replicas * 0.98);
        for (int j = 0; j < p; ++j) {
            const double mean = sum[j] / counted;
            const double spread = std::sqrt((sum2[j] - counted * mean * mean) / (counted - 1));
            const double reported = se[j] / counted;
            EXPECT_NEAR(reported / spread, 1.0, 0.10)
                << "parameter " << j << ": reported " << reported << ", Monte Carlo " << spread;
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Model modifier: the zone under the pointer names the parameter a drag changes, and the description
// line of that parameter follows.

struct TDragCase
{
    const char* Name;
    int Kind;
    std::vector<double> Params;
    double XMin, XMax, YMin, YMax;
    double PointerX; // world abscissa of the press
    double Offset;   // pixels above the curve where the press happens
    int Zone;
    int Mode;
    int Dx, Dy;          // displacement of the drag, pixels
    const char* Changes; // letters of the parameters that must change; the others must not
};

QString ParameterLine(const TMdl& m, QChar letter)
{
    for (const QString& line : m.Lines)
        if (line.startsWith(QString(letter) + QStringLiteral(" = ")))
            return line;
    return QString();
}

TEST(Models, DragZonesNameTheParameterThatChanges)
{
    const double pi = TestPi;
    // Sines: c = 2, d = 0; phase theta = 2x. Top at theta = pi/2 (x = 0.785), bottom at 3 pi/2. With no
    // data the period and damping drags keep the phase and the envelope at the left of the window (x = 0),
    // so they change c and k only.
    auto at = [&](double theta) { return theta / 2.0 + pi; }; // one period later, inside the window
    const std::vector<TDragCase> cases = {
        {"affine, left handle", mkAffine, {1, 2}, 0, 10, 0, 30, 1.0, 0, 0, dmReshape, 0, -20, "rb"},
        {"affine, middle", mkAffine, {1, 2}, 0, 10, 0, 30, 5.0, 0, 2, dmTranslate, 0, -20, "r"},
        {"affine, off the line", mkAffine, {1, 2}, 0, 10, 0, 30, 5.0, 40, NoZone, dmTranslate, 0, -20, "r"},
        {"constant", mkConstant, {5, 0}, 0, 10, 0, 10, 3.0, 0, 0, dmTranslate, 7, 15, "r"},
        {"proportional", mkProportionnel, {0, 2}, 0, 10, 0, 30, 7.0, 0, 1, dmReshape, 0, -30, "b"},
        {"parabola, vertex", mkParabole, {1, 0, 0.5}, -5, 5, 0, 15, 0.2, 0, 0, dmTranslate, 0, -10, "r"},
        {"parabola, branch", mkParabole, {1, 0, 0.5}, -5, 5, 0, 15, 3.0, 0, 2, dmReshape, 0, -10, "c"},
        {"exponential, on the curve",
         mkExponentiel,
         {1, 2, 0.3},
         0,
         5,
         0,
         12,
         2.0,
         0,
         0,
         dmTranslate,
         10,
         0,
         "b"},
        {"exponential, beside it",
         mkExponentiel,
         {1, 2, 0.3},
         0,
         5,
         0,
         12,
         4.0,
         30,
         1,
         dmReshape,
         0,
         0,
         "bc"},
        {"sine, top left flank",
         mkSinus,
         {0, 1, 2, 0},
         0,
         10,
         -2,
         2,
         at(pi / 2 - 0.5),
         0,
         3,
         dmPeriod,
         12,
         0,
         "c"},
        {"sine, top", mkSinus, {0, 1, 2, 0}, 0, 10, -2, 2, at(pi / 2 + 0.1), 0, 2, dmAmplitude, 0, -15, "b"},
        {"sine, bottom right flank",
         mkSinus,
         {0, 1, 2, 0},
         0,
         10,
         -2,
         2,
         at(3 * pi / 2 + 0.5),
         0,
         4,
         dmPeriod,
         -8,
         0,
         "c"},
        {"sine, bottom",
         mkSinus,
         {0, 1, 2, 0},
         0,
         10,
         -2,
         2,
         at(3 * pi / 2 - 0.1),
         0,
         5,
         dmAmplitude,
         0,
         15,
         "b"},
        {"sine, crossing", mkSinus, {0, 1, 2, 0}, 0, 10, -2, 2, at(0.05), 0, 8, dmTranslate, 0, 20, "r"},
        {"sine, off the curve",
         mkSinus,
         {0, 1, 2, 0},
         0,
         10,
         -2,
         2,
         at(0.05),
         30,
         NoZone,
         dmTranslate,
         10,
         0,
         "d"},
        {"damped sine (exp), top",
         mkSinusAe,
         {0, 1, 2, 0, -0.1},
         0,
         10,
         -2,
         2,
         at(pi / 2 - 0.1),
         0,
         1,
         dmDamping,
         0,
         10,
         "k"},
        {"damped sine (exp), top right",
         mkSinusAe,
         {0, 1, 2, 0, -0.1},
         0,
         10,
         -2,
         2,
         at(pi / 2 + 0.1),
         0,
         2,
         dmAmplitude,
         0,
         10,
         "b"},
        {"damped sine (lin), bottom",
         mkSinusAl,
         {0, 1, 2, 0, -0.05},
         0,
         10,
         -2,
         2,
         at(3 * pi / 2 - 0.1),
         0,
         5,
         dmDamping,
         0,
         10,
         "k"},
        {"damped sine (lin), bottom left flank",
         mkSinusAl,
         {0, 1, 2, 0, -0.05},
         0,
         10,
         -2,
         2,
         at(5 * pi / 4 + 0.05),
         0,
         7,
         dmPeriod,
         10,
         0,
         "c"},
    };
    for (const TDragCase& tc : cases) {
        SCOPED_TRACE(tc.Name);
        auto m = CreateModel(tc.Kind);
        m->SetArea(75, 20, 400, 300);
        m->SetWorld(tc.XMin, tc.XMax, tc.YMin, tc.YMax);
        m->Visible = true;
        for (std::size_t i = 0; i < tc.Params.size(); ++i)
            m->Params[i] = tc.Params[i];
        m->Describe(QStringLiteral("y"), QStringLiteral("t"));
        QPoint pixel;
        ASSERT_TRUE(m->WorldToPixel(tc.PointerX, m->Value(tc.PointerX), pixel));
        pixel.ry() -= static_cast<int>(tc.Offset);
        EXPECT_EQ(m->Zone(pixel.x(), pixel.y()), tc.Zone);
        EXPECT_EQ(m->BeginDrag(pixel.x(), pixel.y()), tc.Mode);
        const std::vector<double> before = m->Params;
        const QStringList linesBefore = m->Lines;
        switch (tc.Mode) {
        case dmReshape:
            m->Reshape(pixel.x() + tc.Dx, pixel.y() + tc.Dy);
            break;
        case dmDamping:
            m->ChangeDamping(tc.Dy, 0);
            break;
        case dmAmplitude:
            m->ChangeAmplitude(tc.Dy);
            break;
        case dmPeriod:
            m->ChangePeriod(tc.Dx, 0);
            break;
        default:
            m->Translate(tc.Dx, tc.Dy);
            break;
        }
        m->EndDrag();
        EXPECT_EQ(m->DragMode(), dmNone);
        const QString letters = m->Letters();
        const QString changes = QString::fromLatin1(tc.Changes);
        for (int i = 0; i < static_cast<int>(tc.Params.size()); ++i) {
            const QChar letter = QStringLiteral("rbcdk")[i];
            const bool changed =
                std::fabs(m->Params[i] - before[i]) > 1e-12 * std::max(1.0, std::fabs(before[i]));
            EXPECT_EQ(changed, changes.contains(letter)) << "parameter " << letter.toLatin1();
            if (changed && letters.contains(letter) && tc.Kind != mkSinusAl) {
                EXPECT_NE(ParameterLine(*m, letter),
                          linesBefore.filter(QString(letter) + QStringLiteral(" = ")).value(0));
                EXPECT_EQ(ParameterLine(*m, letter),
                          QString(letter) + QStringLiteral(" = ") + FormatSignificant(0, m->Params[i]));
            }
        }
        if (tc.Kind == mkSinusAl) {
            EXPECT_NE(m->Lines, linesBefore);
        }
    }
}

TEST(Models, PeriodDragSlowsDownWithCtrlAndAlt)
{
    auto make = [] {
        auto m = CreateModel(mkSinus);
        m->SetArea(0, 0, 400, 300);
        m->SetWorld(0, 10, -2, 2);
        m->Params = {0, 1, 2, 0};
        QPoint pixel;
        const double x = (TestPi / 2 + 0.6) / 2 + TestPi; // zone 0, right flank of a top
        m->WorldToPixel(x, m->Value(x), pixel);
        EXPECT_EQ(m->BeginDrag(pixel.x(), pixel.y()), dmPeriod);
        return m;
    };
    auto plain = make(), ctrl = make(), alt = make();
    plain->ChangePeriod(3, 0);
    ctrl->ChangePeriod(3, ssCtrl);
    alt->ChangePeriod(3, ssAlt);
    // The period grows in proportion to the grabbed point's displacement.
    const double dPlain = 1 / plain->Params[2] - 0.5, dCtrl = 1 / ctrl->Params[2] - 0.5;
    const double dAlt = 1 / alt->Params[2] - 0.5;
    EXPECT_GT(dPlain, 0.0); // the grabbed point moves right: a longer period
    EXPECT_NEAR(dPlain / dCtrl, 10.0, 1e-6);
    EXPECT_NEAR(dPlain / dAlt, 100.0, 1e-4);
}

TEST(Models, DragsStopAtTheDrawableLimits)
{
    // Pushing every drag far beyond the window leaves finite parameters within the limits.
    for (int kind :
         {mkAffine, mkConstant, mkProportionnel, mkParabole, mkExponentiel, mkSinus, mkSinusAe, mkSinusAl}) {
        SCOPED_TRACE(kind);
        auto m = CreateModel(kind);
        m->SetArea(0, 0, 200, 100);
        m->SetWorld(0, 1, 0, 1);
        m->Fit(Abscissae(0, 0.05, 21), Sample(nlkSinus, {0.5, 0.3, 12, 0}, Abscissae(0, 0.05, 21)).Y);
        for (int py = 0; py <= 100; py += 25)
            for (int px = 0; px <= 200; px += 25) {
                const int mode = m->BeginDrag(px, py);
                for (int step = 0; step < 20; ++step) {
                    const int big = step % 2 ? 100000 : -100000;
                    if (mode == dmReshape)
                        m->Reshape(big, -big);
                    m->ChangeDamping(big, 0);
                    m->ChangeAmplitude(big);
                    m->ChangePeriod(big, 0);
                    m->Translate(big, big);
                }
                m->EndDrag();
                for (double v : m->Params)
                    ASSERT_TRUE(std::isfinite(v));
            }
    }
}

TEST(Models, HostileCurvesGiveAModelOrACode)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        const char* Name;
        std::vector<double> X, Y;
    } curves[] = {
        {"no point", {}, {}},
        {"one point", {1}, {2}},
        {"two points", {0, 1}, {1, 3}},
        {"constant", Abscissae(0, 0.1, 30), std::vector<double>(30, -4.0)},
        {"NaN and infinities", {0, 1, nan, 3, 4, inf, 6}, {1, nan, 2, 4, 3, 1, -inf}},
        {"tiny abscissae", Abscissae(0, 1e-9, 30),
         Sample(nlkSinus, {0, 1, 5e8, 1}, Abscissae(0, 1e-9, 30)).Y},
        {"huge abscissae", Abscissae(1e9, 1, 30), Sample(nlkExponentiel, {1, 1, 0}, Abscissae(1e9, 1, 30)).Y},
        {"oscillation recorded at 1e9 s", Abscissae(1e9, 1, 30),
         Sample(nlkSinus, {2, 1, 0.3, 0}, Abscissae(0, 1, 30)).Y},
        {"decay recorded at 1e9 s", Abscissae(1e9, 1, 30),
         Sample(nlkExponentiel, {2, 5, -0.2}, Abscissae(0, 1, 30)).Y},
    };
    for (int kind :
         {mkAffine, mkConstant, mkProportionnel, mkParabole, mkExponentiel, mkSinus, mkSinusAe, mkSinusAl})
        for (const auto& c : curves) {
            SCOPED_TRACE(::testing::Message() << c.Name << ", kind " << kind);
            auto m = CreateModel(kind);
            m->SetArea(0, 0, 300, 200);
            m->SetWorld(c.X.empty() ? 0 : c.X.front(), c.X.empty() ? 1 : c.X.back() + 1, -10, 10);
            m->Fit(c.X, c.Y);
            for (double v : m->Params)
                EXPECT_TRUE(std::isfinite(v));
            EXPECT_TRUE(std::isfinite(m->QuadraticVariation));
            EXPECT_FALSE(m->Lines.isEmpty());
            for (double e : m->StdErrors)
                EXPECT_TRUE(std::isfinite(e) && e >= 0);
            EXPECT_NO_FATAL_FAILURE(m->CurvePoints());
            // r + b.exp(c.t) cannot be written for that decay: b would be exp(2e8). The fit says so.
            if (kind == mkExponentiel && std::string(c.Name) == "decay recorded at 1e9 s") {
                EXPECT_EQ(m->FitCode, nlNumericFault);
            }
        }
}

// ---------------------------------------------------------------------------------------------------
// Headless fit

class FitCommandTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;

    QString Write(const QString& name, const QByteArray& text)
    {
        const QString path = Dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }

    // The "key: value" lines before the empty line, and the description after it.
    static void Split(const QString& out, QStringList& keys, QMap<QString, double>& values,
                      QStringList& description)
    {
        const QStringList lines = out.split(QLatin1Char('\n'));
        keys.clear();
        values.clear();
        int i = 0;
        for (; i < lines.size() && !lines[i].isEmpty(); ++i) {
            const qsizetype colon = lines[i].indexOf(QStringLiteral(": "));
            keys << lines[i].left(colon);
            values[lines[i].left(colon)] = lines[i].mid(colon + 2).toDouble();
        }
        description = lines.mid(i + 1);
        if (!description.isEmpty() && description.last().isEmpty())
            description.removeLast();
    }
};

TEST_F(FitCommandTest, WritesTheParametersStatisticsErrorsAndDescription)
{
    const QString path =
        Write(QStringLiteral("fall.txt"), "# t y\n\n0;1\n0,1;1,15095\n 0,2 ; 1,2038 \n0.3\t1.15855\n"
                                          "0.4 1.0152\n");
    QString out, err;
    ASSERT_EQ(FitCommand(QStringLiteral("parabola"), path, out, err), 0) << err.toStdString();
    EXPECT_TRUE(err.isEmpty());
    QStringList keys, description;
    QMap<QString, double> v;
    Split(out, keys, v, description);
    EXPECT_EQ(keys, (QStringList{"code", "r", "b", "c", "QuadraticVariation", "RelativePrecision", "se_r",
                                 "se_b", "se_c"}));
    EXPECT_EQ(v["code"], 0);
    EXPECT_NEAR(v["r"], 1, 1e-4);
    EXPECT_NEAR(v["b"], 2, 1e-3);
    EXPECT_NEAR(v["c"], -4.905, 1e-3);
    EXPECT_GE(v["se_c"], 0);
    ASSERT_FALSE(description.isEmpty());
    EXPECT_EQ(description.front(), QStringLiteral("Model: y = r + b.t + c.t²"));
    // Each parameter with its error, then the reading.
    ASSERT_GE(description.size(), 5);
    EXPECT_TRUE(description[3].contains(QRegularExpression(QStringLiteral("^c = -4\\.9\\d* ± 0(\\.\\d+)?$"))))
        << description[3].toStdString();
    EXPECT_TRUE(description[4].startsWith(QStringLiteral("acceleration 2c = -9.8")))
        << description[4].toStdString();
    // Values are printed with "%.15G".
    EXPECT_TRUE(
        out.contains(QStringLiteral("\nr: ") + QString::asprintf("%.15G", v["r"]) + QLatin1Char('\n')));

    // The straight lines add the correlation; the proportional model has b only.
    const QString line = Write(QStringLiteral("line.txt"), "0 1\n1 3\n2 5\n3 7.1\n");
    ASSERT_EQ(FitCommand(QStringLiteral("proportional"), line, out, err), 0);
    Split(out, keys, v, description);
    EXPECT_EQ(keys,
              (QStringList{"code", "b", "QuadraticVariation", "RelativePrecision", "Correlation", "se_b"}));

    // A sine through four points of a line succeeds as a command, with no errors for as many points as
    // parameters.
    ASSERT_EQ(FitCommand(QStringLiteral("sine"), line, out, err), 0);
    Split(out, keys, v, description);
    EXPECT_EQ(keys, (QStringList{"code", "r", "b", "c", "d", "QuadraticVariation", "RelativePrecision"}));

    // The sines fit their offset: se_r is among the errors, and the description reads the period.
    QByteArray swing = "# t x\n";
    for (int i = 0; i < 120; ++i) {
        const double t = 0.05 * i;
        swing += QByteArray::number(t) + ' ' +
                 QByteArray::number(0.3 + 2 * std::exp(-0.2 * t) * std::sin(4 * t + 1) +
                                    0.01 * std::sin(37.0 * i)) +
                 '\n';
    }
    ASSERT_EQ(FitCommand(QStringLiteral("sine-exp"), Write(QStringLiteral("swing.txt"), swing), out, err), 0);
    Split(out, keys, v, description);
    EXPECT_EQ(keys, (QStringList{"code", "r", "b", "c", "d", "k", "QuadraticVariation", "RelativePrecision",
                                 "se_r", "se_b", "se_c", "se_d", "se_k"}));
    EXPECT_EQ(v["code"], 0);
    EXPECT_NEAR(v["r"], 0.3, 0.01);
    EXPECT_NEAR(v["c"], 4, 0.01);
    ASSERT_GE(description.size(), 8);
    EXPECT_TRUE(
        description[2].contains(QRegularExpression(QStringLiteral("^b = (1\\.99|2\\.00)\\d* ± 0\\.0"))))
        << description[2].toStdString();
    EXPECT_TRUE(description[6].startsWith(QStringLiteral("period T = 2π/c = 1.57")))
        << description[6].toStdString();
    EXPECT_EQ(description[7], QStringLiteral("Margin of error on y-axis: "));
}

TEST_F(FitCommandTest, RefusesWithAReason)
{
    const QString ok = Write(QStringLiteral("ok.txt"), "0 1\n1 2\n");
    const struct
    {
        const char* Model;
        QString Path;
        const char* Reason;
    } cases[] = {
        {"cubic", ok, "unknown model"},
        {"affine", Dir.filePath(QStringLiteral("missing.txt")), "cannot read"},
        {"sine", ok, "2 usable points; the sine model fits 4 parameters"},
        {"exponential", Write(QStringLiteral("nan.txt"), "0 1\n1 nan\n2 3\n3 inf\n"), "2 usable points"},
        {"affine", Write(QStringLiteral("three.txt"), "0 1 2\n"),
         "line 1: expected an abscissa and an ordinate"},
        {"affine", Write(QStringLiteral("word.txt"), "# header\n0 1\nx 2\n"),
         "line 3: \"x\" is not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Reason);
        QString out, err;
        EXPECT_EQ(FitCommand(QString::fromLatin1(c.Model), c.Path, out, err), 1);
        EXPECT_TRUE(err.startsWith(QStringLiteral("kinotra: "))) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromLatin1(c.Reason))) << err.toStdString();
        EXPECT_TRUE(out.isEmpty());
    }
}

} // namespace
