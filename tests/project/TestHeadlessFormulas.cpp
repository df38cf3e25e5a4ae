// The headless formula export and formulas kept by the project file: the generated project's formulas give
// the values computed here from the calculation engine's quantities, in text and in spreadsheets, and a
// project saved, reopened and saved again exports the same text.
#include "project/HeadlessFixture.h"

#include "common/UnitFormat.h"
#include "export/SheetReader.h"
#include "formula/UnitFormules.h"

#include <QFile>
#include <functional>

namespace {

struct FormulaExportFixture : HeadlessFixture
{
    TFormules Formules;

    void SetUp() override
    {
        HeadlessFixture::SetUp();
        if (HasFatalFailure())
            return;
        Formules.FormatValue = [](double x) { return FormatSignificant(0, x); };
        // Written with either separator, as older projects have them.
        Formules.AddConstant(QStringLiteral("m"), QString(), QStringLiteral("kg"), QStringLiteral("0,25"));
        Formules.AddConstant(QStringLiteral("g"), QString(), QStringLiteral("m/s²"), QStringLiteral("9.81"));
        Formules.AddConstant(QStringLiteral("w2"), QStringLiteral("2*m"), QString(), QString());
        Formules.AddConstant(QStringLiteral("n[1]"), QString(), QString(), QStringLiteral("5"));
        Formules.AddFormula(QStringLiteral("Ec = 0,5*m*v^2"), QStringLiteral("kinetic"), QStringLiteral("J"));
        Formules.AddFormula(QStringLiteral("Ep=w2*g*y"), QString(), QStringLiteral("J"));
        Formules.AddFormula(QStringLiteral("Em=Ec+Ep"), QStringLiteral("mechanical"), QString());
        Formules.AddFormula(QStringLiteral("n[i+1]=n[i]+1"), QString(), QString());
        Formules.AddFormula(QStringLiteral("x2-x"), QString(), QStringLiteral("m"));
        Formules.AddFormula(QStringLiteral("bad=1/0"), QString(), QString());
        Work.Ktr.Host.Formules = &Formules;
        ASSERT_TRUE(Work.SaveTo(Project));
    }

    QStringList Export(const QString& project, const QString& output, QString& errors)
    {
        EXPECT_EQ(Run({QStringLiteral("--export-formulas"), project, output}, errors), 0)
            << errors.toStdString();
        return ReadLines(output);
    }
};

double Number(const QString& text)
{
    bool ok = false;
    const double value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    EXPECT_TRUE(ok) << text.toStdString();
    return value;
}

} // namespace

TEST_F(FormulaExportFixture, TextExportHoldsTheFormulasValues)
{
    QString errors;
    const QStringList lines = Export(Project, Output, errors);
    // The formula that no row computes is exported as "#Number!" and named on the error stream.
    EXPECT_TRUE(errors.contains(QStringLiteral("bad=1/0"))) << errors.toStdString();

    // The values from the engine's quantities, independently of the parser.
    TResCalc calc;
    TResGrid* grid = nullptr;
    Reference(false, calc, grid);
    const TCalcul& c = calc.Current();
    const int rows = calc.RowCount();
    ASSERT_GT(rows, 20);
    ASSERT_EQ(lines.size(), 3 + 3 + rows);
    EXPECT_EQ(lines[0], QCoreApplication::applicationFilePath());
    EXPECT_EQ(lines[2], GridRotationLine(Work.Data.GridAngle(false)));
    const QChar sep = Formules.DecimalSeparator();
    EXPECT_EQ(lines[3],
              QStringLiteral("t\t0") + sep + QStringLiteral("5*m*v^2\tw2*g*y\tEc+Ep\tn[i]+1\tx2-x\t1/0"));
    EXPECT_EQ(lines[4], QStringLiteral("s\tJ\tJ\tno unit\tno unit\tm\tno unit"));
    EXPECT_EQ(lines[5],
              QStringLiteral("time\tkinetic\tno comment\tmechanical\tno comment\tno comment\tno comment"));

    const auto marked = [&](int object, int r) { return c.Keys[std::size_t(object)][std::size_t(r)] >= 0; };
    const double m = 0.25, g = 9.81;
    const std::function<double(int)> expected[] = {
        [&](int r) { return 0.5 * m * std::pow(calc.Value(0, 0, ckV, r), 2); },
        [&](int r) { return 2 * m * g * calc.Value(0, 0, ckY, r); },
        [&](int r) {
            return 0.5 * m * std::pow(calc.Value(0, 0, ckV, r), 2) + 2 * m * g * calc.Value(0, 0, ckY, r);
        },
        [&](int r) { return 5.0 + r; },
        [&](int r) { return calc.Value(0, 1, ckX, r) - calc.Value(0, 0, ckX, r); },
    };
    const std::function<bool(int)> defined[] = {
        [&](int r) { return marked(0, r); },
        [&](int r) { return marked(0, r); },
        [&](int r) { return marked(0, r); },
        [&](int) { return true; },
        [&](int r) { return marked(0, r) && marked(1, r); },
    };
    int numbers = 0, empty = 0;
    for (int r = 0; r < rows; ++r) {
        const QStringList cells = lines[6 + r].split(QLatin1Char('\t'));
        ASSERT_EQ(cells.size(), 7) << lines[6 + r].toStdString();
        EXPECT_EQ(cells[0], FormatSignificant(0, calc.TimeAt(r)));
        for (int k = 0; k < 5; ++k) {
            if (!defined[k](r)) {
                EXPECT_TRUE(cells[k + 1].isEmpty()) << "row " << r << " formula " << k;
                ++empty;
                continue;
            }
            const double want = expected[k](r);
            EXPECT_NEAR(Number(cells[k + 1]), want, 1e-13 * std::fabs(want) + 1e-15)
                << "row " << r << " formula " << k;
            ++numbers;
        }
        EXPECT_EQ(cells[6], QStringLiteral("#Number!"));
    }
    EXPECT_GT(numbers, 100);
    EXPECT_GT(empty, 5); // the slow ball's missing marks

    // The layer's table: its own rows, and a rotation of 0.
    const QString layerOut = Dir.filePath(QStringLiteral("layer.txt"));
    ASSERT_EQ(
        Run({QStringLiteral("--export-formulas"), Project, layerOut, QStringLiteral("--layer")}, errors), 0);
    const QStringList layer = ReadLines(layerOut);
    EXPECT_EQ(layer[2], GridRotationLine(0.0));
    TResCalc layerCalc;
    Reference(true, layerCalc, grid);
    EXPECT_EQ(layer.size(), 6 + layerCalc.RowCount());
}

TEST_F(FormulaExportFixture, SpreadsheetsHoldTheTextExportsNumbers)
{
    QString errors;
    const QStringList lines = Export(Project, Output, errors);
    QStringList sheets;
    for (const char* suffix : {"xlsx", "ods"}) {
        sheets << Dir.filePath(QStringLiteral("formulas.") + QLatin1String(suffix));
        Export(Project, sheets.back(), errors);
    }
    const QJsonArray read = ReadBackAll(sheets);
    ASSERT_EQ(read.size(), 2);
    for (int f = 0; f < 2; ++f) {
        const QJsonArray rows = read[f].toObject()[QStringLiteral("rows")].toArray();
        ASSERT_EQ(rows.size(), lines.size() - 2) << sheets[f].toStdString();
        const QJsonArray top = rows[0].toArray();
        EXPECT_EQ(top[0].toArray()[1].toString(),
                  QStringLiteral("Grid rotation in the trigonometric direction (rad) : "));
        EXPECT_NEAR(top[1].toArray()[1].toString().toDouble(), 0.25, 1e-15);
        // Row 1 holds the whole formula texts, where the text export keeps the right-hand sides.
        EXPECT_EQ(rows[1].toArray()[1].toArray()[1].toString(), Formules.FormulaText(0));
        int numbers = 0;
        for (int r = 2; r < rows.size(); ++r) {
            const QStringList cells = lines[r + 2].split(QLatin1Char('\t'));
            const QJsonArray row = rows[r].toArray();
            for (int col = 0; col < cells.size(); ++col) {
                const QJsonValue cell = col < row.size() ? row[col] : QJsonValue();
                const QString text = cells[col];
                if (r < 4) {
                    EXPECT_EQ(cell.toArray()[1].toString(), text) << "row " << r << " col " << col;
                } else if (text.isEmpty() || text == QLatin1String("#Number!")) {
                    EXPECT_TRUE(cell.isNull()) << "row " << r << " col " << col;
                } else {
                    ASSERT_EQ(cell.toArray()[0].toString(), QStringLiteral("n")) << text.toStdString();
                    const double want = Number(text);
                    EXPECT_LE(std::fabs(cell.toArray()[1].toString().toDouble() - want),
                              1e-15 * std::fabs(want));
                    ++numbers;
                }
            }
        }
        EXPECT_GT(numbers, 100);
    }
}

TEST_F(FormulaExportFixture, ReopenedAndSavedProjectExportsTheSameText)
{
    QString errors;
    const QStringList first = Export(Project, Output, errors);

    TWork reopened;
    TFormules formules;
    reopened.Ktr.Host.Formules = &formules;
    reopened.Video = Work.Video;
    reopened.View.Frames = 50;
    reopened.Montage.Init(50);
    ASSERT_TRUE(reopened.LoadFrom(Project));
    ASSERT_EQ(formules.FormulaCount(), 6);
    ASSERT_EQ(formules.ConstantCount(), 4);
    const QString again = Dir.filePath(QStringLiteral("again.ktr"));
    ASSERT_TRUE(reopened.SaveTo(again));

    const QString secondOut = Dir.filePath(QStringLiteral("again.txt"));
    const QStringList second = Export(again, secondOut, errors);
    ASSERT_EQ(second.size(), first.size());
    for (int i = 0; i < first.size(); ++i) {
        if (i != 1) { // the date
            EXPECT_EQ(second[i].toStdString(), first[i].toStdString()) << "line " << i;
        }
    }
}

TEST_F(FormulaExportFixture, FailuresExitWithTheirReason)
{
    QString errors;
    EXPECT_NE(Run({QStringLiteral("--export-formulas"), Dir.filePath(QStringLiteral("absent.ktr")), Output},
                  errors),
              0);
    EXPECT_TRUE(errors.contains(QStringLiteral("no such file"))) << errors.toStdString();
    errors.clear();
    EXPECT_NE(
        Run({QStringLiteral("--export-formulas"), Project, Dir.filePath(QStringLiteral("fall.ktr/x.ods"))},
            errors),
        0);
    EXPECT_TRUE(errors.contains(QStringLiteral("cannot write"))) << errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Output));
}
