// The spreadsheet exports: the cell rule, .xlsx and .ods files read back by an independent reader
// (Python's zipfile and XML parser), failures that leave no file, large tables, and the Excel and
// OpenOffice commands with their messages.
#include "export/UnitOoUtils.h"
#include "export/UnitServeur.h"
#include "export/UnitSpreadsheet.h"

#include "common/UnitOptions.h"
#include "export/SheetReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cmath>

namespace {

// A datasheet as the results give it: the rotation cells, symbols, units, captions (with characters
// that XML must escape and spaces that it would collapse), numbers in several magnitudes, a
// non-defined value, empty cells and a text that is not a number.
TMatriceStr SmallMatrix()
{
    return {
        {QStringLiteral("Grid rotation in the trigonometric direction (rad) : "), QStringLiteral("0.5")},
        {QStringLiteral("t"), QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("v")},
        {QStringLiteral("s"), QStringLiteral("m"), QStringLiteral("m"), QStringLiteral("m/s")},
        {QStringLiteral("time"), QStringLiteral("Abscissa  of <the> ball & co"), QStringLiteral(" y\t\"2\" "),
         QStringLiteral("Value of velocity é")},
        {QStringLiteral("0"), QStringLiteral("0.25"), QStringLiteral("#Number!"), QString()},
        {QStringLiteral("0.125"), QStringLiteral("-1.5E-7"), QStringLiteral("3.14159265358979"),
         QStringLiteral("12345678901234.5")},
        {QStringLiteral("0.25"), QStringLiteral("9.99999999999999E+299"), QStringLiteral("not a number"),
         QStringLiteral("-0.000123456789012345")},
        {QStringLiteral("0.375"), QString(), QString(), QStringLiteral("1.1")},
    };
}

// Every cell read back is the matrix's cell under the cell rule: numbers equal to the text's value,
// text as it stands, empty cells absent.
void ExpectSameCells(const TMatriceStr& matrix, const QJsonObject& book)
{
    const QJsonArray rows = book.value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), qsizetype(matrix.size()));
    for (std::size_t r = 0; r < matrix.size(); ++r) {
        const QJsonArray cells = rows[qsizetype(r)].toArray();
        ASSERT_LE(cells.size(), qsizetype(matrix[r].size())) << "row " << r;
        for (std::size_t c = 0; c < matrix[r].size(); ++c) {
            const QJsonValue cell = qsizetype(c) < cells.size() ? cells[qsizetype(c)] : QJsonValue();
            const TSheetCell expected = SheetCell(matrix[r][c], int(r));
            const std::string where = "row " + std::to_string(r) + " column " + std::to_string(c);
            switch (expected.Kind) {
            case TSheetCellKind::Empty:
                EXPECT_TRUE(cell.isNull()) << where;
                break;
            case TSheetCellKind::Text:
                EXPECT_EQ(cell.toArray().at(0).toString(), QStringLiteral("s")) << where;
                EXPECT_EQ(cell.toArray().at(1).toString().toStdString(), matrix[r][c].toStdString()) << where;
                break;
            case TSheetCellKind::Number:
                EXPECT_EQ(cell.toArray().at(0).toString(), QStringLiteral("n")) << where;
                EXPECT_EQ(QLocale::c().toDouble(cell.toArray().at(1).toString()),
                          QLocale::c().toDouble(matrix[r][c]))
                    << where;
                break;
            }
        }
    }
}

class TLocaleDefault
{
public:
    explicit TLocaleDefault(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleDefault() { QLocale::setDefault(FSaved); }

private:
    QLocale FSaved;
};

const QLocale English(QLocale::English, QLocale::UnitedStates);

} // namespace

TEST(SheetCell, FollowsTheCellRule)
{
    TLocaleDefault locale(English);
    struct Case
    {
        const char* Text;
        int Row;
        TSheetCellKind Kind;
        double Value;
    };
    const Case cases[] = {
        {"", 0, TSheetCellKind::Empty, 0},
        {"0.5", 0, TSheetCellKind::Text, 0}, // header rows stay text, numbers included
        {"#Number!", 3, TSheetCellKind::Text, 0},
        {"", 4, TSheetCellKind::Empty, 0},
        {"#Number!", 4, TSheetCellKind::Empty, 0},
        {"0.125", 4, TSheetCellKind::Number, 0.125},
        {"-1.5E-7", 9, TSheetCellKind::Number, -1.5e-7},
        {"1e300", 9, TSheetCellKind::Number, 1e300},
        {"abc", 4, TSheetCellKind::Text, 0},
        {"1,5", 4, TSheetCellKind::Text, 0}, // neither the locale's separator nor "."
        {"1,000", 4, TSheetCellKind::Text, 0},
        {"inf", 4, TSheetCellKind::Text, 0},
        {"nan", 4, TSheetCellKind::Text, 0},
    };
    for (const Case& c : cases) {
        const TSheetCell cell = SheetCell(QString::fromUtf8(c.Text), c.Row);
        EXPECT_EQ(cell.Kind, c.Kind) << c.Text << " row " << c.Row;
        if (c.Kind == TSheetCellKind::Number) {
            EXPECT_EQ(cell.Value, c.Value) << c.Text;
        }
    }
    // With a comma locale the datasheet's "0,125" is a number, and "." still reads.
    TLocaleDefault french{QLocale(QLocale::French, QLocale::France)};
    EXPECT_EQ(SheetCell(QStringLiteral("0,125"), 4).Value, 0.125);
    EXPECT_EQ(SheetCell(QStringLiteral("-2.5E-3"), 4).Value, -2.5e-3);
    EXPECT_EQ(SheetCell(QStringLiteral("1 000"), 4).Kind, TSheetCellKind::Text);
}

TEST(SpreadsheetFile, WrittenAndReadBackByAnOutsideReader)
{
    TLocaleDefault locale(English);
    QTemporaryDir dir;
    const TMatriceStr matrix = SmallMatrix();
    const QStringList names = {dir.filePath(QStringLiteral("sheet.xlsx")),
                               dir.filePath(QStringLiteral("sheet.ods")),
                               dir.filePath(QStringLiteral("UPPER.XLSX"))};
    for (const QString& fileName : names)
        ASSERT_EQ(WriteSpreadsheetFile(matrix, fileName), swOk) << fileName.toStdString();
    const QJsonArray books = ReadBackAll(names);
    ASSERT_EQ(books.size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& fileName = names[i];
        SCOPED_TRACE(fileName.toStdString());
        const QJsonObject book = books[i].toObject();
        EXPECT_TRUE(book.value(QStringLiteral("bad")).isNull());
        EXPECT_EQ(book.value(QStringLiteral("sheets")).toArray(), QJsonArray({QStringLiteral("Kinotra")}));
        ExpectSameCells(matrix, book);
        if (fileName.endsWith(QLatin1String(".ods"))) {
            EXPECT_EQ(book.value(QStringLiteral("first")).toString(), QStringLiteral("mimetype"));
            EXPECT_TRUE(book.value(QStringLiteral("firstStored")).toBool());
            EXPECT_EQ(book.value(QStringLiteral("firstExtra")).toInt(), 0);
            EXPECT_EQ(book.value(QStringLiteral("mimetype")).toString(),
                      QStringLiteral("application/vnd.oasis.opendocument.spreadsheet"));
            EXPECT_EQ(book.value(QStringLiteral("manifest")).toArray(),
                      QJsonArray({QStringLiteral("/"), QStringLiteral("content.xml"),
                                  QStringLiteral("meta.xml"), QStringLiteral("styles.xml")}));
        }
    }
    // Nothing but the two files is left in the folder: no temporary file of the writers.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST(SpreadsheetFile, CommaLocaleNumbersAreNumbersInTheFile)
{
    // The datasheet writes numbers with the user's decimal separator; the files hold them as numbers,
    // even when the C library's numeric locale writes commas too.
    struct TNumericLocale
    {
        std::string Saved = std::setlocale(LC_NUMERIC, nullptr);
        ~TNumericLocale() { std::setlocale(LC_NUMERIC, Saved.c_str()); }
    } restore;
    bool comma = false;
    for (const char* name : {"fr_FR.UTF-8", "de_DE.UTF-8", "fr_FR.utf8", "de_DE.utf8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            comma = true;
            break;
        }
    if (!comma)
        GTEST_SKIP() << "no comma locale installed (LOCPATH to a localedef-made fr_FR.UTF-8 runs this)";
    TLocaleDefault french{QLocale(QLocale::French, QLocale::France)};
    QTemporaryDir dir;
    const TMatriceStr matrix = {{},
                                {QStringLiteral("t")},
                                {QStringLiteral("s")},
                                {QStringLiteral("time")},
                                {QStringLiteral("0,125"), QStringLiteral("-3,5E-7")}};
    const QStringList names = {dir.filePath(QStringLiteral("comma.xlsx")),
                               dir.filePath(QStringLiteral("comma.ods"))};
    for (const QString& fileName : names)
        ASSERT_EQ(WriteSpreadsheetFile(matrix, fileName), swOk);
    const QJsonArray books = ReadBackAll(names);
    ASSERT_EQ(books.size(), 2);
    for (const QJsonValue& book : books) {
        const QJsonArray rows = book.toObject().value(QStringLiteral("rows")).toArray();
        ASSERT_EQ(rows.size(), 5);
        EXPECT_EQ(rows[4].toArray().at(0).toArray().at(1).toString().toDouble(), 0.125);
        EXPECT_EQ(rows[4].toArray().at(1).toArray().at(1).toString().toDouble(), -3.5e-7);
    }
}

TEST(SpreadsheetFile, FailuresLeaveNoFileUnderTheName)
{
    QTemporaryDir dir;
    const TMatriceStr matrix = SmallMatrix();
    // A folder that cannot exist: its parent is a file (also refused to the superuser).
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (const char* name : {"file/sheet.xlsx", "file/sheet.ods", "missing/sheet.ods"})
        EXPECT_EQ(WriteSpreadsheetFile(matrix, dir.filePath(QString::fromLatin1(name))), swCreateFailed)
            << name;
    EXPECT_EQ(WriteSpreadsheetFile(matrix, dir.filePath(QStringLiteral("sheet.csv"))), swUnknownFormat);

    // A table wider than a worksheet is refused before anything is written; an older file stays whole.
    const QString old = dir.filePath(QStringLiteral("old.xlsx"));
    ASSERT_EQ(WriteXlsxFile(matrix, old), swOk);
    const qint64 oldSize = QFileInfo(old).size();
    TMatriceStr wide = matrix;
    wide[5].resize(XlsxMaxCols + 1, QStringLiteral("1"));
    EXPECT_EQ(WriteXlsxFile(wide, old), swTooLarge);
    EXPECT_EQ(QFileInfo(old).size(), oldSize);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("file"), QStringLiteral("old.xlsx")}));
}

TEST(SpreadsheetFile, ReplacesAnOlderFileAndKeepsRaggedRows)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("again.ods"));
    ASSERT_EQ(WriteOdsFile(SmallMatrix(), fileName), swOk);
    const TMatriceStr ragged = {{},
                                {QStringLiteral("t"), QStringLiteral("x")},
                                {},
                                {QStringLiteral("time")},
                                {QStringLiteral("1")},
                                {QString(), QString(), QStringLiteral("2")}};
    // An empty table is an empty sheet.
    const QString empty = dir.filePath(QStringLiteral("empty.xlsx"));
    const QStringList names = {fileName, dir.filePath(QStringLiteral("again.xlsx"))};
    for (const QString& name : names)
        ASSERT_EQ(WriteSpreadsheetFile(ragged, name), swOk);
    ASSERT_EQ(WriteSpreadsheetFile({}, empty), swOk);
    const QJsonArray books = ReadBackAll(names + QStringList{empty});
    ASSERT_EQ(books.size(), 3);
    ExpectSameCells(ragged, books[0].toObject());
    ExpectSameCells(ragged, books[1].toObject());
    EXPECT_EQ(books[2].toObject().value(QStringLiteral("rows")).toArray().size(), 0);
}

TEST(SpreadsheetFile, LargeTablesAreWrittenWhole)
{
    // 17 columns (one more than Regressi takes) by 5,000 rows: many pieces of the streamed content.
    // KINOTRA_LARGE_ROWS=100000 or 1000000 times the writers on long tables.
    const int rows = qEnvironmentVariableIsSet("KINOTRA_LARGE_ROWS")
                         ? qEnvironmentVariableIntValue("KINOTRA_LARGE_ROWS")
                         : 5000;
    constexpr int Cols = 17;
    TMatriceStr matrix(std::size_t(rows) + 4, std::vector<QString>(Cols));
    matrix[0][0] = QStringLiteral("Grid rotation in the trigonometric direction (rad) : ");
    matrix[0][1] = QStringLiteral("0");
    for (int c = 0; c < Cols; ++c) {
        matrix[1][c] = QStringLiteral("x%1").arg(c);
        matrix[2][c] = QStringLiteral("m");
        matrix[3][c] = QStringLiteral("Abscissa %1").arg(c);
    }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < Cols; ++c)
            matrix[std::size_t(r) + 4][c] =
                (r + c) % 97 == 0 ? NonDefiniText : QString::number(r * 0.125 + c * 1e-7, 'g', 15);
    QTemporaryDir dir;
    const QStringList names = {dir.filePath(QStringLiteral("large.xlsx")),
                               dir.filePath(QStringLiteral("large.ods"))};
    for (const QString& fileName : names) {
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(WriteSpreadsheetFile(matrix, fileName), swOk);
        std::printf("[ info ] %s: %d rows x %d columns written in %lld ms, %lld bytes\n",
                    qPrintable(QFileInfo(fileName).fileName()), rows, Cols, timer.elapsed(),
                    QFileInfo(fileName).size());
    }
    const QJsonArray books = ReadBackAll(names, true);
    ASSERT_EQ(books.size(), 2);
    for (const QJsonValue& value : books) {
        const QJsonObject book = value.toObject();
        EXPECT_TRUE(book.value(QStringLiteral("bad")).isNull());
        EXPECT_EQ(book.value(QStringLiteral("rows")).toInt(), rows + 4);
        EXPECT_EQ(book.value(QStringLiteral("sheets")).toArray(), QJsonArray({QStringLiteral("Kinotra")}));
    }
}

TEST(Serveur, SpreadsheetsGoUnderAFreeNameInTheUsersFolderAndTheMessageSaysWhere)
{
    TLocaleDefault locale(English);
    QTemporaryDir dir;
    TOptions options(dir.filePath(QStringLiteral("Kinotra.ini")));
    TServeur serveur(options);
    const QString recent = dir.filePath(QStringLiteral("recent"));
    const QString chosen = dir.filePath(QStringLiteral("chosen"));
    ASSERT_TRUE(QDir().mkpath(recent) && QDir().mkpath(chosen));
    QString lastFolder = recent;
    serveur.LastDirectory = [&lastFolder] { return lastFolder; };
    serveur.OnDirectoryChange = [&lastFolder](const QString& folder) { lastFolder = folder; };
    serveur.VideoFileName = [] { return QStringLiteral("/videos/free.fall.avi"); };
    serveur.ApplicationName = [](const QString& file) {
        return file.endsWith(QStringLiteral(".ods")) ? QStringLiteral("Calc") : QString();
    };
    QStringList opened;
    serveur.OpenDocument = [&opened](const QString& fileName) {
        opened << fileName;
        return true;
    };
    const TMatriceStr matrix = SmallMatrix();
    TScriptedUserDlgScope dlg;
    for (int i = 0; i < 3; ++i)
        dlg->Answer(0);
    // No default folder in the options: the recent-files folder; a second export keeps the first file.
    ASSERT_TRUE(serveur.ExportToExcel(matrix));
    ASSERT_TRUE(serveur.ExportToExcel(matrix));
    // The options' default folder comes first.
    options.DefaultDirectory = chosen;
    ASSERT_TRUE(serveur.ExportToOpenOffice(matrix));
    const QStringList expected = {QDir(recent).filePath(QStringLiteral("Datasheet_free.fall.xlsx")),
                                  QDir(recent).filePath(QStringLiteral("Datasheet_free.fall_2.xlsx")),
                                  QDir(chosen).filePath(QStringLiteral("Datasheet_free.fall.ods"))};
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(lastFolder, chosen);
    const QJsonArray books = ReadBackAll(opened);
    ASSERT_EQ(books.size(), 3);
    for (const QJsonValue& book : books)
        ExpectSameCells(matrix, book.toObject());

    // Each export says what happened: the file, and the application when the desktop names it.
    ASSERT_EQ(dlg->Shown.size(), 3u);
    const char* const lastLines[] = {"It was handed to the application that opens .xlsx files.",
                                     "It was handed to the application that opens .xlsx files.",
                                     "It was opened with Calc."};
    for (int i = 0; i < 3; ++i) {
        const TUserMessage& shown = dlg->Shown[std::size_t(i)];
        EXPECT_EQ(shown.Icon, icInformation);
        EXPECT_EQ(shown.Lines.at(0).Text, QStringLiteral("The datasheet was saved to the file:"));
        EXPECT_EQ(shown.Lines.at(2).Text, expected[i]);
        EXPECT_EQ(shown.Lines.back().Text.toStdString(), lastLines[i]);
        EXPECT_FALSE(shown.Text().contains(QStringLiteral("error")));
    }
}

TEST(Serveur, SpreadsheetFailuresSayWhatFailedAndKeepWhatWasWritten)
{
    QTemporaryDir dir;
    TOptions options(dir.filePath(QStringLiteral("Kinotra.ini")));
    TServeur serveur(options);
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Case
    {
        const char* Folder; // relative to dir
        bool Opens;         // an application takes the file
        bool Excel;
        TIconKind Icon;
        const char* First; // the message's first line
        const char* Last;  // and its last
    };
    const Case cases[] = {
        {"file", true, true, icWarning, "The datasheet could not be written to the file:",
         "Check your access rights to this directory, or choose another default directory in the options."},
        {".", false, true, icWarning, "The datasheet was saved to the file:",
         "No application could open it: open it from your spreadsheet program."},
        {"file", true, false, icWarning, "The datasheet could not be written to the file:",
         "Check your access rights to this directory, or choose another default directory in the options."},
        {".", false, false, icWarning, "The datasheet was saved to the file:",
         "No application could open it: open it from your spreadsheet program."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.First);
        TScriptedUserDlgScope dlg;
        dlg->Answer(0);
        serveur.ExportFolder = QDir(dir.path()).filePath(QString::fromLatin1(c.Folder));
        serveur.OpenDocument = [&c](const QString&) { return c.Opens; };
        const bool done =
            c.Excel ? serveur.ExportToExcel(SmallMatrix()) : serveur.ExportToOpenOffice(SmallMatrix());
        EXPECT_FALSE(done);
        ASSERT_EQ(dlg->Shown.size(), 1u);
        EXPECT_EQ(dlg->Shown[0].Icon, c.Icon);
        EXPECT_EQ(dlg->Shown[0].Lines.front().Text.toStdString(), c.First);
        EXPECT_EQ(dlg->Shown[0].Lines.back().Text.toStdString(), c.Last);
        EXPECT_TRUE(dlg->Shown[0].Text().contains(serveur.ExportFolder));
        EXPECT_EQ(dlg->Shown[0].ButtonCaptions(), QStringList({QStringLiteral("Ok")}));
    }
    // Nothing half-written anywhere: the folder holds the blocker and the two files that were written
    // but that no application took.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("Datasheet_.ods"), QStringLiteral("Datasheet_.xlsx"),
                           QStringLiteral("file")}));
}

TEST(OoUtils, EveryCodeHasItsMessage)
{
    const char* const texts[] = {"",
                                 "An error occurred while processing the connection with OpenOffice. / ",
                                 "An error occurred while activating the system manager.",
                                 "Unable to open the spreadsheet.",
                                 "Unable to create a new sheet.",
                                 "Unable to find the datasheet.",
                                 "An error occurred while writing in a cell."};
    for (int code = 0; code < 7; ++code)
        EXPECT_EQ(TOoUtils::ErrorLines(code).join(QStringLiteral(" / ")).toStdString(), texts[code]) << code;
}
