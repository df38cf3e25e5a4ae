// Polynomial least squares and the linear solver: exact small cases, failure codes, NIST certified sets.
#include "calc/UnitMoindresCarres.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

TEST(MoindresCarres, ExactSmallFits)
{
    struct Case
    {
        const char* Name;
        int M;
        std::vector<double> X, Y, Expected;
    };
    const Case cases[] = {
        {"line through three points", 2, {0, 1, 2}, {1, 3, 5}, {1, 2}},
        {"parabola far from zero", 3, {10, 11, 12}, {0, 1, 4}, {100, -20, 1}},
        {"fewer points than coefficients keeps one degree of freedom", 3, {0, 1}, {2, 5}, {3.5}},
        {"more coefficients than points", 5, {1, 2, 3}, {1, 4, 9}, {-10.0 / 3.0, 4.0}},
        {"frame keys in the thousands", 3, {4000, 4001, 4002, 4003}, {0, 1, 4, 9}, {16000000, -8000, 1}},
    };
    for (const Case& c : cases) {
        TMoindresCarres fit;
        std::vector<double> coefficients;
        ASSERT_EQ(fit.PolyFit(c.M, c.X, c.Y, coefficients), pfOk) << c.Name;
        ASSERT_EQ(coefficients.size(), c.Expected.size()) << c.Name;
        for (std::size_t k = 0; k < coefficients.size(); ++k)
            EXPECT_NEAR(coefficients[k], c.Expected[k], 1e-9 * std::max(1.0, std::fabs(c.Expected[k])))
                << c.Name << " c" << k;
    }
}

TEST(MoindresCarres, DeterminationIsTheExplainedShareOfTheSquares)
{
    TMoindresCarres fit;
    std::vector<double> c;
    // An exact line explains everything.
    ASSERT_EQ(fit.PolyFit(2, {0, 1, 2}, {1, 3, 5}, c), pfOk);
    EXPECT_NEAR(fit.Determination(), 1.0, 1e-14);
    // A centred series that a line cannot follow: y = x² - 2/3 over -1, 0, 1 has no linear part.
    ASSERT_EQ(fit.PolyFit(2, {-1, 0, 1}, {1.0 / 3, -2.0 / 3, 1.0 / 3}, c), pfOk);
    EXPECT_NEAR(fit.Determination(), 0.0, 1e-14);
    // Ordinates that are all zero give 0, not a division by zero.
    ASSERT_EQ(fit.PolyFit(2, {0, 1, 2}, {0, 0, 0}, c), pfOk);
    EXPECT_EQ(fit.Determination(), 0.0);
    // A failed fit leaves no fitted values behind: R² reads 0, not the previous fit's value.
    ASSERT_EQ(fit.PolyFit(2, {0, 1, 2}, {1, 3, 5}, c), pfOk);
    ASSERT_EQ(fit.PolyFit(2, {1, 1, 1}, {1, 3, 5}, c), pfSameAbscissae);
    EXPECT_EQ(fit.Determination(), 0.0);
    EXPECT_TRUE(c.empty());
    // The shared instance behind the free functions behaves the same.
    ASSERT_EQ(PolyFit(2, {0, 1, 2}, {1, 3, 5}, c), pfOk);
    EXPECT_NEAR(Determination(), 1.0, 1e-14);
}

TEST(MoindresCarres, FailureCodes)
{
    struct Case
    {
        const char* Name;
        int M;
        std::vector<double> X, Y;
        int Code;
    };
    const Case cases[] = {
        {"no point", 2, {}, {}, pfTooFewPoints},
        {"one point", 1, {1}, {2}, pfTooFewPoints},
        {"one point of two arrays of different lengths", 2, {1, 2}, {2}, pfTooFewPoints},
        {"no coefficient", 0, {1, 2, 3}, {1, 2, 3}, pfTooFewCoefficients},
        {"negative count", -2, {1, 2, 3}, {1, 2, 3}, pfTooFewCoefficients},
        {"all abscissae equal", 2, {5, 5, 5}, {1, 2, 3}, pfSameAbscissae},
        {"abscissae equal within 1e-100", 2, {1e-101, 0, 0}, {1, 2, 3}, pfSameAbscissae},
        {"two distinct abscissae cannot carry a parabola", 3, {0, 0, 1, 1}, {1, 2, 3, 4}, pfSingular},
    };
    for (const Case& c : cases) {
        TMoindresCarres fit;
        std::vector<double> coefficients{99};
        EXPECT_EQ(fit.PolyFit(c.M, c.X, c.Y, coefficients), c.Code) << c.Name;
        EXPECT_TRUE(coefficients.empty()) << c.Name;
    }
}

TEST(MoindresCarres, SolveLinearWithCompletePivoting)
{
    std::vector<double> x;
    // A zero in the first diagonal place and the largest element off the diagonal: both permutations
    // are needed and undone.
    const TMatriceD a = {{0, 2, 1}, {1, 1, 9}, {4, -3, 1}};
    const std::vector<double> expected = {1, -2, 0.5};
    std::vector<double> b(3, 0.0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            b[i] += a[i][j] * expected[j];
    ASSERT_EQ(SolveLinear(a, b, x), 0);
    ASSERT_EQ(x.size(), 3u);
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(x[j], expected[j], 1e-14);

    // The inputs are not modified.
    EXPECT_EQ(a[0][0], 0.0);
    EXPECT_EQ(b.size(), 3u);

    struct Case
    {
        const char* Name;
        TMatriceD A;
        std::vector<double> B;
        int Code;
    };
    const Case failures[] = {
        {"a column of zeros", {{1, 0}, {2, 0}}, {1, 2}, 1},
        {"dependent rows", {{1, 2}, {2, 4}}, {1, 2}, 1},
        {"pivots below 1e-100", {{1e-101, 0}, {0, 1e-101}}, {1, 1}, 1},
        {"not square", {{1, 2}, {3}}, {1, 2}, 1},
        {"right-hand side of another size", {{1, 0}, {0, 1}}, {1}, 1},
        {"not a number everywhere", {{NonDefini()}}, {1}, 1},
        {"empty system", {}, {}, 0},
    };
    for (const Case& c : failures) {
        std::vector<double> solution{42};
        EXPECT_EQ(SolveLinear(c.A, c.B, solution), c.Code) << c.Name;
        EXPECT_TRUE(solution.empty()) << c.Name;
    }
}

// ----------------------------------------------------------------------------------------------------
// NIST StRD linear regression sets, kept with the tests in tests/data/nist.

namespace {

struct TNistSet
{
    std::vector<double> Certified; // B0, B1, ...
    double RSquared = 0.0;
    std::vector<double> Y;
    TMatriceD X; // [point][predictor]
};

bool ReadNist(const QString& name, TNistSet& set)
{
    QFile file(QStringLiteral(KINOTRA_SOURCE_DIR "/tests/data/nist/") + name + QStringLiteral(".dat"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd())
        lines << in.readLine();
    const QRegularExpression range(QStringLiteral("(Certified Values|Data)\\s*\\(lines (\\d+) to (\\d+)\\)"));
    int certFirst = 0, certLast = -1, dataFirst = 0, dataLast = -1;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = range.match(line);
        if (!m.hasMatch())
            continue;
        (m.captured(1) == QLatin1String("Data") ? dataFirst : certFirst) = m.captured(2).toInt();
        (m.captured(1) == QLatin1String("Data") ? dataLast : certLast) = m.captured(3).toInt();
    }
    const QRegularExpression parameter(QStringLiteral("^\\s*B(\\d+)\\s+(\\S+)"));
    const QRegularExpression rSquared(QStringLiteral("R-Squared\\s+(\\S+)"));
    for (int i = certFirst; i <= certLast && i <= lines.size(); ++i) {
        const QString& line = lines[i - 1];
        if (const QRegularExpressionMatch m = parameter.match(line); m.hasMatch()) {
            const int k = m.captured(1).toInt();
            if (static_cast<int>(set.Certified.size()) <= k)
                set.Certified.resize(k + 1);
            set.Certified[k] = m.captured(2).toDouble();
        } else if (const QRegularExpressionMatch r = rSquared.match(line); r.hasMatch()) {
            set.RSquared = r.captured(1).toDouble();
        }
    }
    for (int i = dataFirst; i <= dataLast && i <= lines.size(); ++i) {
        const QStringList fields =
            lines[i - 1].split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (fields.size() < 2)
            continue;
        set.Y.push_back(fields[0].toDouble());
        std::vector<double> row;
        for (int f = 1; f < fields.size(); ++f)
            row.push_back(fields[f].toDouble());
        set.X.push_back(row);
    }
    return !set.Certified.empty() && !set.Y.empty();
}

// Correct significant digits of an estimate: -log10 of the relative error (of the absolute error when
// the certified value is 0), capped at 15.
double Digits(double estimate, double certified)
{
    const double error =
        certified != 0.0 ? std::fabs(estimate - certified) / std::fabs(certified) : std::fabs(estimate);
    if (!std::isfinite(error))
        return 0.0;
    if (error == 0.0)
        return 15.0;
    return std::clamp(-std::log10(error), 0.0, 15.0);
}

} // namespace

TEST(MoindresCarres, NistPolynomialSetsReachTheirCertifiedValues)
{
    // Floors one digit below what the Chebyshev fit with normal equations and the conversion to power
    // coefficients reaches here (Norris 12.3, Pontius 12.5, Wampler1-5 9.3 12.4 9.4 9.4 8.5, Filip 14.4
    // digits on the coefficients; 14.5 to 15 on R²); the figures themselves are printed.
    struct Case
    {
        const char* Name;
        double CoefficientFloor;
        double RSquaredFloor;
    };
    const Case cases[] = {
        {"Norris", 11, 13},  {"Pontius", 11, 13}, {"Wampler1", 8, 13}, {"Wampler2", 11, 13},
        {"Wampler3", 8, 13}, {"Wampler4", 8, 13}, {"Wampler5", 7, 13}, {"Filip", 13, 13},
    };
    std::printf("\n%-10s %6s %12s %10s\n", "dataset", "coeffs", "min digits", "R² digits");
    for (const Case& c : cases) {
        TNistSet set;
        ASSERT_TRUE(ReadNist(QString::fromLatin1(c.Name), set)) << c.Name << " not found in tests/data/nist";
        std::vector<double> x;
        for (const std::vector<double>& row : set.X)
            x.push_back(row[0]);
        const int m = static_cast<int>(set.Certified.size());

        TMoindresCarres fit;
        std::vector<double> coefficients;
        ASSERT_EQ(fit.PolyFit(m, x, set.Y, coefficients), pfOk) << c.Name;
        ASSERT_EQ(static_cast<int>(coefficients.size()), m) << c.Name;
        double digits = 15.0;
        for (int k = 0; k < m; ++k)
            digits = std::min(digits, Digits(coefficients[k], set.Certified[k]));

        // The explained share of the variance: ordinates centred first, as the callers do.
        double mean = 0.0;
        for (double v : set.Y)
            mean += v;
        mean /= static_cast<double>(set.Y.size());
        std::vector<double> centred;
        for (double v : set.Y)
            centred.push_back(v - mean);
        ASSERT_EQ(fit.PolyFit(m, x, centred, coefficients), pfOk) << c.Name;
        const double r2Digits = Digits(fit.Determination(), set.RSquared);

        std::printf("%-10s %6d %12.1f %10.1f\n", c.Name, m, digits, r2Digits);
        EXPECT_GE(digits, c.CoefficientFloor) << c.Name;
        EXPECT_GE(r2Digits, c.RSquaredFloor) << c.Name;
    }
}

TEST(MoindresCarres, NistLongleyNormalEquationsThroughSolveLinear)
{
    // Six predictors do not make a polynomial; the solver alone meets this set, on the normal equations
    // of its design matrix, whose condition number squares that of the data.
    TNistSet set;
    ASSERT_TRUE(ReadNist(QStringLiteral("Longley"), set));
    const std::size_t k = set.Certified.size();
    TMatriceD normal(k, std::vector<double>(k, 0.0));
    std::vector<double> right(k, 0.0);
    for (std::size_t i = 0; i < set.Y.size(); ++i) {
        std::vector<double> row{1.0};
        row.insert(row.end(), set.X[i].begin(), set.X[i].end());
        ASSERT_EQ(row.size(), k);
        for (std::size_t a = 0; a < k; ++a) {
            for (std::size_t b = 0; b < k; ++b)
                normal[a][b] += row[a] * row[b];
            right[a] += row[a] * set.Y[i];
        }
    }
    std::vector<double> solution;
    ASSERT_EQ(SolveLinear(normal, right, solution), 0);
    double digits = 15.0;
    for (std::size_t j = 0; j < k; ++j)
        digits = std::min(digits, Digits(solution[j], set.Certified[j]));
    std::printf("\n%-10s %6zu %12.1f %10s\n", "Longley", k, digits, "-");
    EXPECT_GE(digits, 3.0);
}
