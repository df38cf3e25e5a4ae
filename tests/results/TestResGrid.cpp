// The datasheet's data side: number formats, the column model, cell texts and colours over real result
// tables, the preparation of the results, and the datasheet text against a table worked out by hand.
#include "ResultsFixture.h"

#include "export/UnitServeur.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace {

const QLocale English(QLocale::English, QLocale::UnitedStates);

} // namespace

TEST(FormatSignificant, ExamplesAndEdges)
{
    TLocaleScope locale(English);
    struct Case
    {
        int Digits;
        double Value;
        const char* Text;
    };
    const Case cases[] = {
        // The five magnitudes of fixed notation with no extra digit.
        {0, 3.14159, "3.142"},
        {0, 12.3456, "12.35"},
        {0, 123.456, "123.5"},
        {0, 1234.56, "1235"},
        {0, 0.05, "0.050"},
        // Scientific notation below 0.01 and above 10000.
        {0, 0.001234, "1.23E-3"},
        {0, 123456, "1.23E+5"},
        {0, -0.005, "-5.00E-3"},
        {8, std::numbers::pi, "3.14159265359"},
        // Extra digits: more decimals, longer mantissa and exponent (at most 4 exponent digits).
        {2, 12.3456, "12.3456"},
        {2, 0.001234, "1.2340E-003"},
        {8, 123456, "1.2345600000E+0005"},
        {12, std::numbers::pi, "3.14159265359"}, // capped at 8
        {-3, 3.14159, "3.142"},
        // Boundaries: 10000 needs a fifth integer digit; 0.01 is still fixed.
        {0, 10000, "1.00E+4"},
        {0, 9999.7, "1.00E+4"},
        {0, -10000, "-1.00E+4"},
        {1, 10000, "10000.0"},
        {0, 10001, "1.00E+4"},
        {0, 0.01, "0.010"},
        {0, 0.0099999, "1.00E-2"},
        // One rounding only, at the last decimal when it comes before the last significant digit.
        {0, 0.012345, "0.012"},
        // Halves go away from zero, on the value as written.
        {0, 1234.5, "1235"},
        {0, -1234.5, "-1235"},
        {0, 2.0005, "2.001"},
        {0, 0.0, "0"},
        {3, -0.0, "0"},
        {0, NonDefini(), "#Number!"},
        {0, INFINITY, "#Number!"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatSignificant(c.Digits, c.Value).toStdString(), c.Text)
            << "digits " << c.Digits << " value " << c.Value;
}

TEST(FormatSignificant, UsesTheLocaleDecimalSeparator)
{
    TLocaleScope locale{QLocale(QLocale::French, QLocale::France)};
    EXPECT_EQ(FormatSignificant(0, 3.14159), QStringLiteral("3,142"));
    EXPECT_EQ(FormatSignificant(0, 0.001234), QStringLiteral("1,23E-3"));
    EXPECT_EQ(FormatGeneral(12345.678), QStringLiteral("12345,678"));
    EXPECT_EQ(GridRotationLine(0.5),
              QStringLiteral("Grid rotation in the trigonometric direction : 0,5 rad"));
}

TEST(FormatGeneral, FifteenDigitsAndShortest)
{
    TLocaleScope locale(English);
    struct Case
    {
        double Value;
        const char* Text;
    };
    const Case cases[] = {
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {-2.5, "-2.5"},
        {12345.678, "12345.678"}, // never grouped
        {123456789012345678.0, "1.23456789012346E+17"},
        {999999999999999.9, "1E+15"},
        {0.0001234, "0.0001234"},
        {0.00001234, "1.234E-5"},
        {0.0, "0"},
        {NonDefini(), "#Number!"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatGeneral(c.Value).toStdString(), c.Text) << c.Value;
    EXPECT_EQ(FormatShortest(std::numbers::pi), QStringLiteral("3.141592653589793"));
    EXPECT_EQ(GridRotationLine(0.5),
              QStringLiteral("Grid rotation in the trigonometric direction : 0.5 rad"));
    EXPECT_EQ(GridRotationLine(-0.1),
              QStringLiteral("Grid rotation in the trigonometric direction : -0.1 rad"));
}

TEST(GridModel, ResizeMappingDigitsAndVisibility)
{
    TGrid g;
    g.Resize(1);
    ASSERT_EQ(g.Columns.size(), 12u);
    // Nothing is visible after creation: the data column shows nothing.
    EXPECT_EQ(g.FullIndex(1), -1);
    g.Columns[0] = {true, 3};
    g.Columns[4].Visible = true;
    g.Columns[9].Visible = true;
    EXPECT_EQ(g.FullIndex(0), -1); // the row-number column
    EXPECT_EQ(g.FullIndex(1), 0);
    EXPECT_EQ(g.FullIndex(2), 4);
    EXPECT_EQ(g.FullIndex(3), 9);
    EXPECT_EQ(g.FullIndex(4), -1);

    // Existing entries survive a resize; new ones come hidden with no extra digit.
    g.Resize(2);
    ASSERT_EQ(g.Columns.size(), 23u);
    EXPECT_TRUE(g.Columns[0].Visible);
    EXPECT_EQ(g.Columns[0].Digits, 3);
    EXPECT_FALSE(g.Columns[22].Visible);
    EXPECT_EQ(g.Columns[22].Digits, 0);

    // Digits stay within 0 .. 8.
    for (int i = 0; i < 12; ++i)
        g.MoreDigits(1);
    EXPECT_EQ(g.Columns[0].Digits, 8);
    for (int i = 0; i < 12; ++i)
        g.FewerDigits(1);
    EXPECT_EQ(g.Columns[0].Digits, 0);
    g.MoreDigits(7); // no column there
    g.ResetDigits();

    // The time column cannot be hidden; hiding every other column leaves row numbers and time.
    g.SetKindsVisible(true, KindsCoordinates() | KindsVelocity() | KindsAcceleration() | KindsPolar());
    g.Recount(10);
    EXPECT_EQ(g.ColCount, 24);
    EXPECT_EQ(g.RowCount, 14);
    g.SetColumnVisible(false, 1);
    EXPECT_TRUE(g.Columns[0].Visible);
    while (g.FullIndex(2) >= 0)
        g.SetColumnVisible(false, 2);
    g.Recount(10);
    EXPECT_EQ(g.ColCount, 2);

    // Groups by kind: velocity of two objects is columns 5 .. 10.
    g.SetKindsVisible(true, KindsVelocity());
    g.Recount(0);
    EXPECT_EQ(g.ColCount, 8);
    EXPECT_EQ(g.FullIndex(2), 5);
    EXPECT_EQ(g.FullIndex(7), 10);
}

TEST(ResGrid, HeaderRowsSymbolsAndRowNumbers)
{
    TResultsFixture f;
    ASSERT_EQ(f.Prepare(), calcOk);
    // Two objects: numbered symbols, pairs of coordinates, then triples per object.
    const QStringList symbols = {"t",   "x1",  "y1", "x2",  "y2",  "vx1", "vy1", "v1",
                                 "vx2", "vy2", "v2", "ax1", "ay1", "a1",  "ax2", "ay2",
                                 "a2",  "O1",  "R1", "w1",  "O2",  "R2",  "w2"};
    ASSERT_EQ(f.Grid.ColCount(), 24);
    for (int col = 1; col < 24; ++col) {
        EXPECT_EQ(f.Grid.CellText(col, 0, true), QString()) << col;
        EXPECT_EQ(f.Grid.CellText(col, 1, true), symbols[col - 1]) << col;
    }
    EXPECT_EQ(f.Grid.CellText(1, 2, true), QStringLiteral("s"));
    EXPECT_EQ(f.Grid.CellText(1, 3, true), QStringLiteral("time"));
    EXPECT_EQ(f.Grid.CellText(12, 2, true), QStringLiteral("m/s²"));
    EXPECT_EQ(f.Grid.CellText(21, 3, true), QStringLiteral("Angular coordinate of the cart"));

    // One object: bare symbols.
    f.Source.GridTable = Table(0.125, {0, 1, 2}, {{QPointF(0, 0), QPointF(0.1, 0), QPointF(0.2, 0)}});
    f.Calc.Invalidate(kindCurrent);
    ASSERT_EQ(f.Prepare(), calcOk);
    EXPECT_EQ(f.Grid.CellText(2, 1, true), QStringLiteral("x"));
    EXPECT_EQ(f.Grid.CellText(4, 1, true), QStringLiteral("vx"));
    EXPECT_EQ(f.Grid.CellText(12, 1, true), QStringLiteral("w"));

    // Row numbers from 1, or from 0 with the option; none in the header rows.
    EXPECT_EQ(f.Grid.CellText(0, 3, true), QString());
    EXPECT_EQ(f.Grid.CellText(0, 4, true), QStringLiteral("1"));
    f.Options.CheckBox36StartByZero = true;
    EXPECT_EQ(f.Grid.CellText(0, 4, true), QStringLiteral("0"));
    EXPECT_EQ(f.Grid.CellText(0, 6, true), QStringLiteral("2"));
    // Outside the model: nothing.
    EXPECT_EQ(f.Grid.CellText(0, 7, true), QString());
    EXPECT_EQ(f.Grid.CellText(13, 4, true), QString());
    EXPECT_EQ(f.Grid.CellText(-1, 4, true), QString());
}

TEST(ResGrid, DataCellsFormattedEmptyAndUndefined)
{
    TLocaleScope locale(English);
    TResultsFixture f;
    ASSERT_EQ(f.Prepare(), calcOk);
    // Row 5 is result row 1: the ball at (0.5, 0.125) m with v = 2.83 m/s.
    EXPECT_EQ(f.Grid.CellText(1, 5, true), QStringLiteral("0.125"));
    EXPECT_EQ(f.Grid.CellText(2, 5, true), QStringLiteral("0.500"));
    EXPECT_EQ(f.Grid.CellText(8, 5, true), QStringLiteral("2.828"));
    EXPECT_EQ(f.Grid.CellText(8, 5, false), QStringLiteral("2.82842712474619"));
    // Extra digits of one column.
    f.Grid.MoreDigits(8);
    f.Grid.MoreDigits(8);
    EXPECT_EQ(f.Grid.CellText(8, 5, true), QStringLiteral("2.82843"));
    // The cart has no mark on rows 0 and 4: empty coordinates and velocities there, also while the
    // ball is marked.
    for (int col : {4, 5, 9, 10, 11, 21})
        for (int row : {4, 8})
            EXPECT_EQ(f.Grid.CellText(col, row, true), QString()) << col << " " << row;
    EXPECT_EQ(f.Grid.CellText(9, 6, true), QStringLiteral("-2.000"));
    // A value that cannot be computed reads "#Number!" on screen and in the exports.
    f.Calc.Grid().Speed[0][2] = NonDefini();
    EXPECT_EQ(f.Grid.CellText(8, 6, true), QStringLiteral("#Number!"));
    EXPECT_EQ(f.Grid.CellText(8, 6, false), QStringLiteral("#Number!"));
}

TEST(ResGrid, HiddenEdgesOfVelocityAndAcceleration)
{
    TLocaleScope locale(English);
    TResultsFixture f;
    // The ball marked on rows 1 .. 4 of six rows, the cart on all six.
    std::vector<TMark> ball(6), cart(6);
    for (int r = 0; r < 6; ++r) {
        if (r >= 1 && r <= 4)
            ball[r] = QPointF(0.1 * r, 0.05 * r * r);
        cart[r] = QPointF(-0.1 * r, 0.1);
    }
    f.Source.GridTable = Table(0.125, {0, 1, 2, 3, 4, 5}, {ball, cart});
    ASSERT_EQ(f.Prepare(), calcOk);
    f.Options.CheckBox30HideEdgeV = true;
    f.Options.CheckBox31HideEdgeA = true;
    const auto shown = [&](int col) {
        QString pattern;
        for (int row = 4; row < 10; ++row)
            pattern += f.Grid.CellText(col, row, true).isEmpty() ? QLatin1Char('.') : QLatin1Char('#');
        return pattern;
    };
    // Ball: velocities lose its first and last marked rows; four marks leave no acceleration at all.
    EXPECT_EQ(shown(2), QStringLiteral(".####."));  // x1
    EXPECT_EQ(shown(6), QStringLiteral("..##.."));  // vx1
    EXPECT_EQ(shown(8), QStringLiteral("..##.."));  // v1
    EXPECT_EQ(shown(12), QStringLiteral("......")); // ax1
    EXPECT_EQ(shown(14), QStringLiteral("......")); // a1
    EXPECT_EQ(shown(18), QStringLiteral(".####.")); // angle1: not an edge quantity
    EXPECT_EQ(shown(20), QStringLiteral(".####.")); // angular velocity1
    // Cart: six marks.
    EXPECT_EQ(shown(9), QStringLiteral(".####."));  // vx2
    EXPECT_EQ(shown(15), QStringLiteral("..##..")); // ax2
    f.Options.CheckBox30HideEdgeV = false;
    f.Options.CheckBox31HideEdgeA = false;
    EXPECT_EQ(shown(6), QStringLiteral(".####."));
    EXPECT_EQ(shown(12), QStringLiteral(".####."));
}

TEST(ResGrid, CellColoursByGroup)
{
    TResultsFixture f;
    ASSERT_EQ(f.Prepare(), calcOk);
    const auto rgb = [](int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); };
    EXPECT_EQ(f.Grid.CellColor(1), clWhite);
    EXPECT_EQ(f.Grid.CellColor(2), rgb(248, 248, 255));
    EXPECT_EQ(f.Grid.CellColor(8), rgb(255, 250, 250));
    EXPECT_EQ(f.Grid.CellColor(14), rgb(255, 250, 240));
    EXPECT_EQ(f.Grid.CellColor(23), rgb(245, 245, 245));
    EXPECT_EQ(f.Grid.CellColor(30), clWhite);
    // The colour follows the quantity shown, not the grid column.
    f.Grid.SetKindsVisible(false, KindsCoordinates() | KindsVelocity());
    EXPECT_EQ(f.Grid.CellColor(2), rgb(255, 250, 240));
}

TEST(ResGrid, LayerModeHasItsOwnColumnsAndDigits)
{
    TResultsFixture f;
    f.Source.LayerTable = TwoObjectsTable();
    ASSERT_EQ(f.Prepare(), calcOk);
    f.Grid.SetColumnVisible(false, 2);
    f.Grid.MoreDigits(2); // now y1
    f.Grid.Recount();
    EXPECT_EQ(f.Grid.ColCount(), 23);

    f.LayerMode = true;
    ASSERT_EQ(f.Prepare(), calcOk);
    EXPECT_EQ(&f.Grid.Active(), &f.Grid.LayerModel());
    EXPECT_EQ(f.Grid.ColCount(), 24);
    EXPECT_EQ(f.Grid.CellText(2, 1, true), QStringLiteral("x1"));
    EXPECT_EQ(f.Grid.Active().Columns[2].Digits, 0);

    f.LayerMode = false;
    f.Grid.Recount();
    EXPECT_EQ(f.Grid.ColCount(), 23);
    EXPECT_EQ(f.Grid.CellText(2, 1, true), QStringLiteral("y1"));
    EXPECT_EQ(f.Grid.Active().Columns[2].Digits, 1);
    // Digits of both models go back to 0 when another video is opened; hidden columns stay hidden until
    // the datasheet shows its groups again.
    f.Grid.LayerModel().Columns[4].Digits = 3;
    f.Grid.ResetForNewVideo();
    for (const TGrid* g : {&f.Grid.GridModel(), &f.Grid.LayerModel()})
        for (const TColumn& c : g->Columns)
            EXPECT_EQ(c.Digits, 0);
    EXPECT_FALSE(f.Grid.GridModel().Columns[1].Visible);
}

TEST(PrepareResults, RebuildsOnlyWhenOutOfDate)
{
    TResultsFixture f;
    bool recomputed = false;
    ASSERT_EQ(PrepareResults(f.Calc, f.Grid, f.Flags, true, &recomputed), calcOk);
    EXPECT_TRUE(recomputed);
    EXPECT_EQ(f.Grid.Active().Columns.size(), 23u);
    EXPECT_FALSE(f.Calc.IsDirty(kindCurrent));
    EXPECT_DOUBLE_EQ(f.Calc.Value(0, 0, ckVy, 2), 4.0);

    // Up to date: nothing is recomputed, even when the data changed behind its back.
    f.Source.GridTable = Table(0.125, {0, 1, 2}, {{QPointF(0, 0), QPointF(0.1, 0), QPointF(0.2, 0)}});
    ASSERT_EQ(PrepareResults(f.Calc, f.Grid, f.Flags, true, &recomputed), calcOk);
    EXPECT_FALSE(recomputed);
    EXPECT_EQ(f.Calc.Current().ObjectCount, 2);

    // Without a video nothing is prepared.
    f.Calc.Invalidate(kindCurrent);
    EXPECT_EQ(PrepareResults(f.Calc, f.Grid, f.Flags, false, &recomputed), calcNoVideo);
    EXPECT_FALSE(recomputed);
}

TEST(PrepareResults, DerivationFailureTurnsTheFamiliesOffAndStaysOutOfDate)
{
    TResultsFixture f;
    // The cart has only two marks: its derivatives cannot be computed.
    f.Source.GridTable =
        Table(0.125, {0, 1, 2},
              {{QPointF(0, 0), QPointF(0.1, 0), QPointF(0.2, 0)}, {QPointF(0, 0), QPointF(0.1, 0)}});
    EXPECT_EQ(PrepareResults(f.Calc, f.Grid, f.Flags, true), calcTooFewMarks);
    EXPECT_FALSE(f.Flags.VelocityComputed);
    EXPECT_FALSE(f.Flags.AccelerationComputed);
    EXPECT_FALSE(f.Flags.PolarComputed);
    // The half-computed table is not taken for a good one next time.
    EXPECT_TRUE(f.Calc.IsDirty(kindCurrent));
    TResultsFlags again = TResultsFlags::FromOptions(f.Options);
    EXPECT_EQ(PrepareResults(f.Calc, f.Grid, again, true), calcTooFewMarks);

    // With no derivative wanted, positions alone succeed.
    TResultsFlags none{false, false, false, 0};
    EXPECT_EQ(PrepareResults(f.Calc, f.Grid, none, true), calcOk);
    // A failed build (no scale) is reported too, even with no derivative wanted.
    f.Source.Scale = {-1.0, -1.0};
    f.Calc.Invalidate(kindCurrent);
    EXPECT_EQ(PrepareResults(f.Calc, f.Grid, none, true), calcNoScale);
    EXPECT_TRUE(f.Calc.IsDirty(kindCurrent));
}

TEST(DatasheetText, MatchesTheTableWorkedOutByHand)
{
    TLocaleScope locale(English);
    TResultsFixture f;
    TServeur serveur(f.Options);
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
    ASSERT_EQ(ExportDatasheetText(f.Calc, f.Grid, f.Options, true, 0.0,
                                  QStringLiteral("/opt/kinotra/kinotra"), when, serveur),
              calcOk);

    QFile file(QStringLiteral(KINOTRA_SOURCE_DIR "/tests/data/datasheet_two_objects.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // The fixture's own line ends do not matter (a checkout may change them); the text's are CR LF.
    QString expectedText = QString::fromUtf8(file.readAll());
    expectedText.remove(QLatin1Char('\r'));
    QStringList expected = expectedText.split(QLatin1Char('\n'));
    ASSERT_EQ(expected.takeLast(), QString());
    const QStringList& lines = serveur.Lines;
    ASSERT_EQ(lines.size(), expected.size() + 2);
    EXPECT_EQ(lines[0], QStringLiteral("/opt/kinotra/kinotra"));
    EXPECT_EQ(lines[1], English.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                            English.toString(when.time(), QLocale::LongFormat));
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i + 2].toStdString(), expected[i].toStdString()) << "line " << i + 3;
    EXPECT_EQ(serveur.Text().mid(serveur.Text().indexOf(QStringLiteral("Grid"))),
              expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

TEST(DatasheetText, FollowsTheShownColumnsAndCountsThem)
{
    TLocaleScope locale(English);
    TResultsFixture f;
    ASSERT_EQ(f.Prepare(), calcOk);
    f.Grid.SetKindsVisible(false, KindsVelocity() | KindsAcceleration() | KindsPolar());
    f.Grid.SetColumnVisible(false, 5); // y2
    f.Grid.MoreDigits(2);              // formatting digits do not reach the text
    TServeur serveur(f.Options);
    EXPECT_EQ(BuildDatasheetText(f.Grid, serveur, QStringLiteral("k"), 0.5, QDateTime::currentDateTime()), 4);
    ASSERT_EQ(serveur.Lines.size(), 3 + 3 + 5);
    EXPECT_EQ(serveur.Lines[2], QStringLiteral("Grid rotation in the trigonometric direction : 0.5 rad"));
    EXPECT_EQ(serveur.Lines[3], QStringLiteral("t\tx1\ty1\tx2"));
    EXPECT_EQ(serveur.Lines[6], QStringLiteral("0\t0.25\t0\t"));
    EXPECT_EQ(serveur.Lines[7], QStringLiteral("0.125\t0.5\t0.125\t-0.25"));
}

TEST(DatasheetText, RotationLineStatesTheRotationOfTheExportedFrame)
{
    // The grid's rotation belongs to the grid's table; the layer's axes are not rotated.
    TLocaleScope locale(English);
    for (const bool layer : {false, true}) {
        TResultsFixture f;
        f.Source.LayerTable = TwoObjectsTable();
        f.Source.Angle = 0.5;
        f.LayerMode = layer;
        TServeur serveur(f.Options);
        ASSERT_EQ(ExportDatasheetText(f.Calc, f.Grid, f.Options, true, f.Source.Angle, QStringLiteral("k"),
                                      QDateTime::currentDateTime(), serveur),
                  calcOk);
        ASSERT_GE(serveur.Lines.size(), 3);
        EXPECT_EQ(serveur.Lines[2],
                  layer ? QStringLiteral("Grid rotation in the trigonometric direction : 0 rad")
                        : QStringLiteral("Grid rotation in the trigonometric direction : 0.5 rad"));
    }
}

TEST(DatasheetText, ReproducesTheEngineToFifteenDigits)
{
    TLocaleScope locale(English);
    TResultsFixture f;
    // A projectile in a rotated grid, smoothed, with hidden frames and a second object starting late.
    f.Options.CheckBox54SmoothSpeed = true;
    f.Options.CheckBox7SmoothAcceleration = true;
    f.Source.Angle = 0.37;
    f.Source.T = 0.04;
    f.Source.Scale = {1.7, 1.3};
    std::vector<int> keys;
    std::vector<TMark> ball, swing;
    for (int r = 0; r < 40; ++r) {
        keys.push_back(r + r / 7);
        const double t = keys.back() * 0.04;
        ball.emplace_back(QPointF(0.05 + 0.31 * t, 0.6 + 0.9 * t - 2.45 * t * t));
        swing.push_back(r < 5 ? TMark()
                              : TMark(QPointF(0.3 * std::sin(3.1 * t), -0.2 - 0.05 * std::cos(3.1 * t))));
    }
    f.Source.GridTable = Table(0.04, keys, {ball, swing});
    TServeur serveur(f.Options);
    ASSERT_EQ(ExportDatasheetText(f.Calc, f.Grid, f.Options, true, f.Source.Angle, QStringLiteral("k"),
                                  QDateTime::currentDateTime(), serveur),
              calcOk);
    ASSERT_EQ(serveur.Lines.size(), 6 + 40);
    const int n = f.Calc.Current().ObjectCount;
    int compared = 0;
    for (int m = 0; m < 40; ++m) {
        const QStringList cells = serveur.Lines[6 + m].split(QLatin1Char('\t'));
        ASSERT_EQ(cells.size(), 23);
        for (int c = 0; c < 23; ++c) {
            const TColumnKind kind = TResCalc::ColumnKindOf(c, n);
            const int object = TResCalc::ColumnObjectOf(c, n);
            if (object >= 0 && f.Calc.Current().Keys[object][m] < 0) {
                EXPECT_EQ(cells[c], QString());
                continue;
            }
            const double value = f.Calc.Value(0, object, kind, m);
            // The C library's correctly rounded 15 digits, written with "E" and an unpadded exponent.
            char reference[64];
            std::snprintf(reference, sizeof reference, "%.15G", value);
            QString expected = QString::fromLatin1(reference);
            expected.replace(QRegularExpression(QStringLiteral("E([+-])0*(\\d)")), QStringLiteral("E\\1\\2"));
            EXPECT_EQ(cells[c], expected) << c << " " << m;
            // Read back, the text is the engine's value within half a unit of its 15th digit (and the
            // rounding of the reading).
            bool ok = false;
            const double read = cells[c].toDouble(&ok);
            ASSERT_TRUE(ok) << cells[c].toStdString();
            const double unit =
                value == 0.0 ? 0.0 : std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 14);
            EXPECT_LE(std::fabs(read - value),
                      0.5 * unit + 2 * std::numeric_limits<double>::epsilon() * std::fabs(value));
            ++compared;
        }
    }
    EXPECT_GT(compared, 40 * 20);
}

TEST(DatasheetText, FailedCalculationLeavesTheTextAlone)
{
    TResultsFixture f;
    f.Source.GridTable = Table(0.125, {0, 1}, {{QPointF(0, 0), QPointF(0.1, 0)}});
    TServeur serveur(f.Options);
    serveur.AddLine(QStringLiteral("before"));
    EXPECT_EQ(ExportDatasheetText(f.Calc, f.Grid, f.Options, true, 0, QString(), QDateTime(), serveur),
              calcTooFewMarks);
    EXPECT_EQ(serveur.Lines, QStringList{QStringLiteral("before")});
    EXPECT_EQ(CalcErrorText(calcTooFewMarks), QStringLiteral("an object has fewer than 3 marks"));
}
