// The headless datasheet export: a generated project gives the calculation engine's values, for the grid
// and the layer, and every failure exits with its reason.
#include "project/HeadlessFixture.h"

#include "export/SheetReader.h"

TEST_F(HeadlessFixture, ExportGivesTheCalculationEnginesValues)
{
    for (const bool layer : {false, true}) {
        QStringList args{QStringLiteral("--export-datasheet"), Project, Output};
        if (layer)
            args << QStringLiteral("--layer");
        QString errors;
        ASSERT_EQ(Run(args, errors), 0) << errors.toStdString();
        EXPECT_TRUE(errors.isEmpty());
        const QStringList lines = ReadLines(Output);

        TResCalc calc;
        TResGrid* grid = nullptr;
        const QStringList reference = Reference(layer, calc, grid);
        ASSERT_EQ(lines.size(), reference.size()) << layer;
        ASSERT_GT(lines.size(), 10);
        // The same text line by line, the date line aside.
        for (int i = 0; i < lines.size(); ++i) {
            if (i == 1)
                continue;
            EXPECT_EQ(lines[i].toStdString(), reference[i].toStdString()) << layer << " line " << i;
        }

        // And each number is the engine's value to 15 significant digits.
        const int objects = calc.Current().ObjectCount;
        int numbers = 0;
        for (int row = grid->FixedRows(); row < grid->RowCount(); ++row) {
            const QStringList cells = lines[2 + row].split(QLatin1Char('\t'));
            ASSERT_EQ(cells.size(), grid->ColCount() - 1);
            for (int col = 1; col < grid->ColCount(); ++col) {
                const QString cell = cells[col - 1];
                if (cell.isEmpty())
                    continue;
                const int full = grid->FullIndex(col);
                const double value =
                    calc.Value(0, TResCalc::ColumnObjectOf(full, objects),
                               TResCalc::ColumnKindOf(full, objects), row - grid->FixedRows());
                bool ok = false;
                const double read = QString(cell).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
                ASSERT_TRUE(ok) << cell.toStdString();
                EXPECT_LE(std::fabs(read - value), 5e-15 * std::fabs(value) + 1e-300) << cell.toStdString();
                ++numbers;
            }
        }
        EXPECT_GT(numbers, layer ? 20 : 200);
    }
}

TEST_F(HeadlessFixture, FailuresExitWithTheirReason)
{
    const QString moved = Dir.filePath(QStringLiteral("moved.ktr"));
    QByteArray text = ReadFile(Project);
    ASSERT_TRUE(WriteFile(moved, QByteArray(text).replace(Work.Video.toUtf8(), "/nowhere/clip.mp4")));
    const QString damaged = Dir.filePath(QStringLiteral("damaged.ktr"));
    ASSERT_TRUE(
        WriteFile(damaged, QByteArray(text).replace("RequiredDuration=0.04", "RequiredDuration=fast")));
    // Small works that the window's checks refuse: the slow ball keeps two marks only, or the scale or
    // the grid is missing.
    auto small = [&](const char* name, bool scale, bool grid, int slowMarks) {
        const QString path = Dir.filePath(QString::fromLatin1(name));
        TWork w;
        w.Video = Work.Video;
        w.View.Frames = 50;
        w.Montage.Init(50);
        w.Data.SetRequiredDuration(0.04);
        if (scale) {
            w.Data.Echelle->ScalePointsNumber = 2;
            w.Data.Echelle->Points[teNormale] = {TPointRel{0.1, 0.5}, TPointRel{0.9, 0.5}};
            w.Data.Echelle->ScaleLength = 1.0;
        }
        w.Data.RepereFixe->OriginePointsNumber = grid ? 1 : 0;
        w.Data.SetNbObjets(2);
        for (int f = 0; f < 6; ++f)
            w.Data.MarquesRep->SetMarkAt(0, f, {0.1 * f, 0.5});
        for (int f = 0; f < slowMarks; ++f)
            w.Data.MarquesRep->SetMarkAt(1, f, {0.3, 0.3 + 0.05 * f});
        w.Data.MarquesRep->Renumber();
        EXPECT_TRUE(w.SaveTo(path));
        return path;
    };
    const QString few = small("few.ktr", true, true, 2);
    const QString noScale = small("noscale.ktr", false, true, 6);
    const QString noGrid = small("nogrid.ktr", true, false, 6);
    const QString video = Dir.filePath(QStringLiteral("notvideo.ktr"));
    ASSERT_TRUE(WriteFile(video, QByteArray(text).replace(Work.Video.toUtf8(), Project.toUtf8())));

    struct Case
    {
        QString Project;
        const char* Reason;
    };
    const Case cases[] = {
        {Dir.filePath(QStringLiteral("absent.ktr")), "no such file"},
        {moved, "/nowhere/clip.mp4: no such file"},
        {damaged, "Error reading file."},
        // The window's own messages.
        {few, "You have chosen to point simultaneously the positions of 2 objects. First set at least 3 "
              "marks. Use the Marks button."},
        {noScale, "First calibrate an object of know dimension on the screen. Use the Scale button."},
        {noGrid, "First set the origin of the axes. Use the graph basis button."},
        {video, "cannot open the video"},
    };
    for (const Case& c : cases) {
        QFile::remove(Output);
        QString errors;
        EXPECT_NE(Run({QStringLiteral("--export-datasheet"), c.Project, Output}, errors), 0) << c.Reason;
        EXPECT_TRUE(errors.contains(QLatin1String(c.Reason))) << errors.toStdString();
        EXPECT_TRUE(errors.contains(c.Project)) << errors.toStdString();
        EXPECT_FALSE(QFileInfo::exists(Output)) << c.Reason;
    }
    // An output that cannot be written.
    QString errors;
    EXPECT_NE(
        Run({QStringLiteral("--export-datasheet"), Project, Dir.filePath(QStringLiteral("fall.ktr/out.txt"))},
            errors),
        0);
    EXPECT_TRUE(errors.contains(QStringLiteral("cannot write"))) << errors.toStdString();
}

// The spreadsheet forms of the headless export, read back by an outside reader: the header rows as text,
// every number equal to the text export's number, empty where the text has no value.
TEST_F(HeadlessFixture, SpreadsheetExportsHoldTheTextExportsNumbers)
{
    QString errors;
    ASSERT_EQ(Run({QStringLiteral("--export-datasheet"), Project, Output}, errors), 0)
        << errors.toStdString();
    const QStringList lines = ReadLines(Output);
    ASSERT_GT(lines.size(), 10);
    QStringList sheets;
    for (const char* suffix : {"xlsx", "ods"}) {
        const QString sheet = Dir.filePath(QStringLiteral("datasheet.") + QLatin1String(suffix));
        ASSERT_EQ(Run({QStringLiteral("--export-datasheet"), Project, sheet}, errors), 0)
            << errors.toStdString();
        sheets << sheet;
    }
    const QJsonArray read = ReadBackAll(sheets);
    ASSERT_EQ(read.size(), 2);
    for (int f = 0; f < 2; ++f) {
        const QJsonArray rows = read[f].toObject()[QStringLiteral("rows")].toArray();
        // The text export has two more lines at its top (the program and the date) than the matrix.
        ASSERT_EQ(rows.size(), lines.size() - 2) << sheets[f].toStdString();
        int numbers = 0;
        for (int r = 0; r < rows.size(); ++r) {
            const QStringList cells = lines[r + 2].split(QLatin1Char('\t'));
            const QJsonArray row = rows[r].toArray();
            for (int c = 0; c < cells.size(); ++c) {
                const QJsonValue cell = c < row.size() ? row[c] : QJsonValue();
                const QString text = cells[c];
                if (r == 0) {
                    // The rotation: one line of text in the text file, caption and angle in the sheet.
                    if (c == 0) {
                        EXPECT_TRUE(cell.toArray()[1].toString().startsWith(QStringLiteral("Grid rotation")));
                    }
                    continue;
                }
                if (r < 4) {
                    if (!text.isEmpty()) {
                        EXPECT_EQ(cell.toArray()[1].toString().toStdString(), text.toStdString())
                            << "row " << r << " col " << c;
                    }
                    continue;
                }
                if (text.isEmpty() || text == QLatin1String("#Number!")) {
                    EXPECT_TRUE(cell.isNull()) << "row " << r << " col " << c;
                    continue;
                }
                ASSERT_TRUE(cell.isArray()) << "row " << r << " col " << c;
                EXPECT_EQ(cell.toArray()[0].toString(), QStringLiteral("n"));
                const double value = cell.toArray()[1].toString().toDouble();
                const double expected = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
                EXPECT_LE(std::fabs(value - expected), 1e-15 * std::fabs(expected)) << text.toStdString();
                ++numbers;
            }
        }
        EXPECT_GT(numbers, 200) << sheets[f].toStdString();
    }
}
