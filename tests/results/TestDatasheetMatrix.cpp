// The datasheet matrix that the spreadsheet exports receive: its shape against the datasheet text, the
// rotation cells, and the .xlsx and .ods files of a computed table read back by an outside reader.
#include "ResultsFixture.h"

#include "export/SheetReader.h"
#include "export/UnitServeur.h"
#include "export/UnitSpreadsheet.h"
#include "results/UnitDatasheetMatrix.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QTemporaryDir>

namespace {

const QLocale EnglishUs(QLocale::English, QLocale::UnitedStates);
const QString RotationCaption = QStringLiteral("Grid rotation in the trigonometric direction (rad) : ");

} // namespace

TEST(DatasheetMatrix, HoldsTheCellsOfTheTextExport)
{
    TLocaleScope locale(EnglishUs);
    for (const bool layer : {false, true}) {
        SCOPED_TRACE(layer ? "layer" : "grid");
        TResultsFixture f;
        f.Source.LayerTable = TwoObjectsTable();
        f.Source.Angle = 0.5;
        f.LayerMode = layer;
        TServeur serveur(f.Options);
        ASSERT_EQ(ExportDatasheetText(f.Calc, f.Grid, f.Options, true, f.Source.Angle, QStringLiteral("k"),
                                      QDateTime::currentDateTime(), serveur),
                  calcOk);
        TMatriceStr matrix;
        ASSERT_EQ(ExportDatasheetMatrix(f.Calc, f.Grid, f.Options, true, f.Source.Angle, matrix), calcOk);

        // One row per datasheet row (the button row included), one column per shown column.
        ASSERT_EQ(qsizetype(matrix.size()), serveur.Lines.size() - 2);
        const std::vector<QString> first = {RotationCaption,
                                            layer ? QStringLiteral("0") : QStringLiteral("0.5")};
        EXPECT_EQ(std::vector<QString>(matrix[0].begin(), matrix[0].begin() + 2), first);
        for (std::size_t c = 2; c < matrix[0].size(); ++c)
            EXPECT_EQ(matrix[0][c], QString());
        for (std::size_t r = 1; r < matrix.size(); ++r) {
            QStringList cells(matrix[r].begin(), matrix[r].end());
            EXPECT_EQ(cells.join(QLatin1Char('\t')), serveur.Lines[qsizetype(r) + 2]) << "row " << r;
        }
    }
}

TEST(DatasheetMatrix, AOneColumnTableHasNoRotationCells)
{
    TLocaleScope locale(EnglishUs);
    TResultsFixture f;
    ASSERT_EQ(f.Prepare(), calcOk);
    f.Grid.SetKindsVisible(false, KindsCoordinates() | KindsVelocity() | KindsAcceleration() | KindsPolar());
    const TMatriceStr matrix = BuildDatasheetMatrix(f.Grid, 0.5);
    ASSERT_EQ(matrix.size(), std::size_t(4 + 5));
    EXPECT_EQ(matrix[0], std::vector<QString>{QString()});
    EXPECT_EQ(matrix[1], std::vector<QString>{QStringLiteral("t")});
    EXPECT_EQ(matrix[8], std::vector<QString>{QStringLiteral("0.5")});

    // A failed calculation leaves the caller's matrix alone.
    f.Source.GridTable = Table(0.125, {0, 1}, {{QPointF(0, 0), QPointF(0.1, 0)}});
    TMatriceStr kept = {{QStringLiteral("before")}};
    EXPECT_EQ(ExportDatasheetMatrix(f.Calc, f.Grid, f.Options, true, 0.0, kept), calcTooFewMarks);
    EXPECT_EQ(kept, TMatriceStr{{QStringLiteral("before")}});
}

TEST(DatasheetMatrix, SpreadsheetFilesHoldTheTextExportsNumbers)
{
    // A smoothed projectile in a rotated grid with a second object starting late: values with 15
    // significant digits, empty cells, and a comma as the decimal separator.
    TLocaleScope locale{QLocale(QLocale::French, QLocale::France)};
    TResultsFixture f;
    f.Options.CheckBox54SmoothSpeed = true;
    f.Options.CheckBox7SmoothAcceleration = true;
    f.Source.Angle = 0.37;
    f.Source.T = 0.04;
    std::vector<int> keys;
    std::vector<TMark> ball, swing;
    for (int r = 0; r < 30; ++r) {
        keys.push_back(r);
        const double t = r * 0.04;
        ball.emplace_back(QPointF(0.05 + 0.31 * t, 0.6 + 0.9 * t - 2.45 * t * t));
        swing.push_back(r < 5 ? TMark() : TMark(QPointF(0.3 * std::sin(3.1 * t), -0.2)));
    }
    f.Source.GridTable = Table(0.04, keys, {ball, swing});
    TServeur serveur(f.Options);
    ASSERT_EQ(ExportDatasheetText(f.Calc, f.Grid, f.Options, true, f.Source.Angle, QStringLiteral("k"),
                                  QDateTime::currentDateTime(), serveur),
              calcOk);
    TMatriceStr matrix;
    ASSERT_EQ(ExportDatasheetMatrix(f.Calc, f.Grid, f.Options, true, f.Source.Angle, matrix), calcOk);

    QTemporaryDir dir;
    const QStringList names = {dir.filePath(QStringLiteral("table.xlsx")),
                               dir.filePath(QStringLiteral("table.ods"))};
    for (const QString& fileName : names)
        ASSERT_EQ(WriteSpreadsheetFile(matrix, fileName), swOk);
    const QJsonArray books = ReadBackAll(names);
    ASSERT_EQ(books.size(), 2);
    for (qsizetype i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const QJsonArray rows = books[i].toObject().value(QStringLiteral("rows")).toArray();
        ASSERT_EQ(rows.size(), serveur.Lines.size() - 2);
        int numbers = 0;
        for (qsizetype r = 1; r < rows.size(); ++r) {
            const QStringList text = serveur.Lines[r + 2].split(QLatin1Char('\t'));
            const QJsonArray cells = rows[r].toArray();
            for (qsizetype c = 0; c < text.size(); ++c) {
                const QJsonArray cell = c < cells.size() ? cells[c].toArray() : QJsonArray();
                if (r < SheetTextRows) {
                    EXPECT_EQ(cell.at(1).toString(), text[c]) << r << " " << c;
                } else if (text[c].isEmpty() || text[c] == NonDefiniText) {
                    EXPECT_TRUE(cell.isEmpty()) << r << " " << c;
                } else {
                    ASSERT_EQ(cell.at(0).toString(), QStringLiteral("n")) << r << " " << c;
                    EXPECT_EQ(QLocale::c().toDouble(cell.at(1).toString()), QLocale().toDouble(text[c]))
                        << text[c].toStdString();
                    ++numbers;
                }
            }
        }
        EXPECT_GT(numbers, 30 * 15);
    }
}
