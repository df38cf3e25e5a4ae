// The project file's sections: save and reopen, decimal separators, surplus keys, defaults and clamps,
// damaged and hostile files, and the re-encoding of older edited sequences.
#include "project/KtrFixture.h"

#include "common/UnitGraphUtils.h"
#include "formula/UnitFormules.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <map>

namespace {

// Fills the work with something of every kind the project keeps.
void Build(TWork& w)
{
    TData& d = w.Data;
    d.SetRequiredDuration(1.0 / 30.0);
    d.SetFramesBetweenMarks(2);
    d.SetNbObjets(3);
    d.SetObjectName(0, QStringLiteral("ball"));
    d.SetObjectName(2, QStringLiteral("cube; red = 1"));
    d.SetObjectColour(1, clBlue);
    d.SetObjectVisible(2, false);
    d.ElementColor = clLime;
    d.ElementSize = 2;

    TEchelle& e = *d.Echelle;
    e.ScalePointsNumber = 2;
    e.Points[teNormale] = {TPointRel{0.1, 0.2}, TPointRel{0.7, 0.3}};
    e.ScaleLength = 0.75;
    e.ScaleHorizPointsNumber = 2;
    e.Points[teHoriz] = {TPointRel{0.2, 0.8}, TPointRel{0.6, 0.8}};
    e.ScaleHorizLength = 1.25;
    e.ScaleVertPointsNumber = 1;
    e.Points[teVert] = {TPointRel{0.05, 0.9}, TPointRel{}};

    // A rotated grid with a reversed x axis.
    d.RepereFixe->OriginePointsNumber = 1;
    d.RepereFixe->OrigineCurrent = {0.3, 0.6};
    d.SetGridAngle(0.4);
    d.InverserAxeX();

    for (int frame : {3, 5, 8, 40})
        for (int object = 0; object < 3; ++object)
            if (frame != 8 || object != 1)
                d.MarquesRep->SetMarkAt(object, frame,
                                        {0.1 + 0.01 * frame + 0.2 * object, 0.5 - 0.003 * frame + 1e-13});
    d.MarquesRep->MarksIsAllDrawn = false;
    d.MarquesRep->MarksNumberToDraw = 4;
    d.MarquesRep->MarksNumberPosition = 2;
    d.MarquesRep->SetCurrentObject(1);

    TTransparent& layer = *d.Transparent;
    layer.LayerStage = 2;
    layer.LayerWidth = 0.3;
    layer.LayerHeight = 0.25;
    layer.OrigineCurrent = {0.45, 0.55};
    layer.DirectYAxisDirection = false;
    for (int frame : {3, 5}) {
        auto o = std::make_unique<TOrigine>(d);
        o->OrigineImageNumber = frame;
        o->Position = {0.4 + 0.01 * frame, 0.5};
        layer.AddOrigine(std::move(o), haAddOrigine);
    }
    d.MarquesTsp->SetName(0, QStringLiteral("point"));
    d.MarquesTsp->SetMarkAt(0, 3, {0.5, 0.52});
    d.MarquesTsp->SetMarkAt(0, 5, {0.47, 0.61});
    d.MarquesRep->Renumber(); // as pointing leaves them
    d.MarquesTsp->Renumber();

    // Frames 10 to 14 hidden (later frames come earlier), and frame 30 on one interval later.
    TMontage& m = w.Montage;
    for (int f = 10; f <= 14; ++f)
        m.Visible[std::size_t(f)] = false;
    for (int f = 11; f < m.FrameCount; ++f)
        m.TimeShift[std::size_t(f)] = -std::min(f - 10, 5) + (f >= 30 ? 1 : 0);
    m.RebuildMaps();

    w.View.FrameShown = 8;
    w.View.ModeValue = mvTransparent;
    w.Ktr.Formulas.Formules = {
        {QStringLiteral("Ec"), QStringLiteral("0,5*m*v^2"), QStringLiteral("kinetic"), QStringLiteral("J")}};
    w.Ktr.Formulas.Constantes = {
        {QStringLiteral("m"), QStringLiteral("0"), QStringLiteral("0,25"), QStringLiteral("kg")},
        {QStringLiteral("g"), QStringLiteral("0"), QStringLiteral("=9.81"), QStringLiteral("m/s²")}};
    w.Ktr.ProjectVideo = w.Video;
}

QString Minimal(const QString& dataLines)
{
    return QStringLiteral("[Main]\nVersion=351000\nVideoFileName=/videos/ball.avi\n[Data]\n") + dataLines;
}

// Key -> value of every key line of a section, case-folded keys.
std::map<QString, QString> SectionMap(const TIniFile& ini, const QString& section)
{
    std::map<QString, QString> map;
    for (const QString& key : ini.ReadSection(section))
        map[key.toCaseFolded()] = ini.ReadString(section, key, QString());
    return map;
}

class ProjectFileTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;
    QString Path(const QString& name) const { return Dir.filePath(name); }

    // Writes text as a project file and reads it into a fresh work; the reading's outcome.
    bool Read(const QByteArray& bytes, TWork& w)
    {
        const QString path = Path(QStringLiteral("read.ktr"));
        EXPECT_TRUE(WriteFile(path, bytes));
        return w.LoadFrom(path);
    }
};

} // namespace

TEST_F(ProjectFileTest, SaveAndReopenGiveTheSameWork)
{
    TWork saved;
    Build(saved);
    const QString path = Path(QStringLiteral("work.ktr"));
    ASSERT_TRUE(saved.SaveTo(path));

    TWork opened;
    ASSERT_TRUE(opened.LoadFrom(path));
    EXPECT_EQ(opened.State().toStdString(), saved.State().toStdString());
    EXPECT_EQ(opened.Ktr.Version, TKtr::VersionCurrent);
    EXPECT_EQ(opened.View.FrameShown, 8);
    EXPECT_EQ(opened.View.ModeValue, mvTransparent);
    EXPECT_TRUE(opened.Ktr.Formulas == saved.Ktr.Formulas);
    EXPECT_EQ(opened.Ktr.ProjectVideo, saved.Video);

    // A few values checked for themselves: full precision, the rotated and reversed grid, both lists.
    const TData& d = opened.Data;
    EXPECT_EQ(d.RequiredDuration, 1.0 / 30.0);
    EXPECT_EQ(d.RepereFixe->XAxisAngle, saved.Data.RepereFixe->XAxisAngle);
    EXPECT_EQ(d.RepereFixe->YAxisAngle, saved.Data.RepereFixe->YAxisAngle);
    EXPECT_FALSE(d.RepereFixe->DirectXAxisDirection);
    EXPECT_EQ(d.Echelle->ScaleHorizLength, 1.25);
    EXPECT_EQ(d.Echelle->ScaleVertPointsNumber, 1);
    EXPECT_EQ(d.MarquesRep->MarksCount(), 11);
    EXPECT_EQ(d.MarquesRep->ContainerOf(40)->MarkOf(2)->GetPosition().Y, 0.5 - 0.003 * 40 + 1e-13);
    EXPECT_EQ(d.MarquesRep->Name(2), QStringLiteral("cube; red = 1"));
    EXPECT_EQ(d.MarquesTsp->MarksCount(), 2);
    EXPECT_EQ(d.Transparent->Origines.size(), 2u);
    EXPECT_EQ(opened.Montage.TimeShift, saved.Montage.TimeShift);
    EXPECT_EQ(opened.Montage.VisibleCount, 95);

    const TIniFile file(path);
    EXPECT_EQ(file.ReadSections(), (QStringList{"Main", "Data", "Video", "Montage", "Formules", "Record"}));
    EXPECT_EQ(file.ReadString(QStringLiteral("Main"), QStringLiteral("VideoFileName"), {}), saved.Video);
    EXPECT_EQ(file.ReadString(QStringLiteral("Record"), QStringLiteral("RecordConstValue_1"), {}),
              QStringLiteral("=9.81"));
}

TEST_F(ProjectFileTest, AHandWrittenFileReadsAndIsWrittenBackKeyForKey)
{
    TWork w;
    w.View.Frames = 10;
    w.Montage.Init(10);
    ASSERT_TRUE(w.LoadFrom(DataFile(QStringLiteral("project_small.ktr"))));
    EXPECT_EQ(w.Data.MarquesRep->Name(1), QStringLiteral("cube"));
    EXPECT_EQ(w.Data.Transparent->LayerStage, 2);
    EXPECT_EQ(w.Data.MarquesTsp->ContainerOf(4)->MarkOf(0)->GetOffset().Y, -0.02);
    EXPECT_EQ(w.View.FrameShown, 4);
    EXPECT_EQ(w.Montage.TimeShift, (TIntegerDynArray{0, 0, 0, 0, -1, -2, -2, -2, -2, -2}));

    const QString path = Path(QStringLiteral("again.ktr"));
    ASSERT_TRUE(w.SaveTo(path));
    const TIniFile original(DataFile(QStringLiteral("project_small.ktr")));
    const TIniFile written(path);
    EXPECT_EQ(written.ReadSections(), original.ReadSections());
    for (const QString& section : original.ReadSections())
        for (const auto& [key, value] : SectionMap(original, section))
            EXPECT_EQ(SectionMap(written, section)[key].toStdString(), value.toStdString())
                << section.toStdString() << '/' << key.toStdString();
}

TEST_F(ProjectFileTest, DecimalCommaAndPointReadAlike)
{
    TWork saved;
    Build(saved);
    const QString path = Path(QStringLiteral("point.ktr"));
    ASSERT_TRUE(saved.SaveTo(path));
    const QByteArray point = ReadFile(path);

    // The same file as a system with a decimal comma writes it: every float of "Data" with ",".
    QList<QByteArray> lines = point.split('\n');
    bool inData = false;
    int changed = 0;
    for (QByteArray& line : lines) {
        if (line.startsWith('['))
            inData = line == "[Data]";
        const qsizetype eq = line.indexOf('=');
        if (inData && eq > 0 && line.indexOf('.', eq) > eq && !line.startsWith("SystemName")) {
            line = line.left(eq + 1) + line.mid(eq + 1).replace('.', ',');
            ++changed;
        }
    }
    ASSERT_GT(changed, 20);

    // Read on a system whose own separator is a comma, and on one with a point.
    const QLocale previous;
    for (const QLocale::Language language : {QLocale::German, QLocale::English}) {
        QLocale::setDefault(QLocale(language));
        TWork fromComma;
        EXPECT_TRUE(Read(lines.join('\n'), fromComma)) << language;
        EXPECT_EQ(fromComma.State().toStdString(), saved.State().toStdString()) << language;
        TWork fromPoint;
        EXPECT_TRUE(Read(point, fromPoint)) << language;
        EXPECT_EQ(fromPoint.State().toStdString(), saved.State().toStdString()) << language;
    }
    QLocale::setDefault(previous);
}

TEST_F(ProjectFileTest, SavingOverALargerProjectKeepsItsSurplusKeysButReadsOnlyTheNewWork)
{
    const QString path = Path(QStringLiteral("work.ktr"));
    TWork large;
    Build(large);
    ASSERT_TRUE(large.SaveTo(path));
    // A comment and a key of a later version survive as well.
    QByteArray bytes = ReadFile(path);
    bytes.replace("[Data]\n", "[Data]\n; written by hand\nFutureKey=7\n");
    ASSERT_TRUE(WriteFile(path, bytes));

    TWork small;
    small.Data.SetRequiredDuration(0.04);
    small.Data.MarquesRep->SetMarkAt(0, 2, {0.25, 0.5});
    ASSERT_TRUE(small.SaveTo(path));

    const TIniFile file(path);
    EXPECT_EQ(file.ReadInteger(QStringLiteral("Data"), QStringLiteral("MarksContainersNumber_Grid"), -1), 1);
    EXPECT_TRUE(file.ValueExists(QStringLiteral("Data"), QStringLiteral("MarksContainerFrameNumber_Grid_3")));
    EXPECT_TRUE(file.ValueExists(QStringLiteral("Record"), QStringLiteral("RecordConstUnit_1")));
    EXPECT_EQ(file.ReadInteger(QStringLiteral("Data"), QStringLiteral("FutureKey"), 0), 7);
    EXPECT_TRUE(file.ToText().contains(QStringLiteral("; written by hand")));

    TWork opened;
    ASSERT_TRUE(opened.LoadFrom(path));
    EXPECT_EQ(opened.State().toStdString(), small.State().toStdString());
    EXPECT_EQ(opened.Data.MarquesRep->MarksCount(), 1);
    EXPECT_TRUE(opened.Ktr.Formulas.Formules.empty());
    EXPECT_TRUE(opened.Ktr.Formulas.Constantes.empty());
}

TEST_F(ProjectFileTest, MissingAndOutOfRangeValuesGiveTheirDefaults)
{
    struct Case
    {
        const char* Lines;
        std::function<void(const TData&)> Check;
    };
    const Case cases[] = {
        {"ElementSize=7\n", [](const TData& d) { EXPECT_EQ(d.ElementSize, 2); }},
        {"ElementSize=-4\n", [](const TData& d) { EXPECT_EQ(d.ElementSize, 0); }},
        // Without YAxisAngle_Grid the y angle is 0 whatever the x angle.
        {"OriginePointsNumber_Grid=1\nXAxisAngle_Grid=0.5\n",
         [](const TData& d) {
             EXPECT_EQ(d.RepereFixe->XAxisAngle, 0.5);
             EXPECT_EQ(d.RepereFixe->YAxisAngle, 0.0);
         }},
        {"",
         [](const TData& d) {
             EXPECT_EQ(d.FramesNumberBetweenTwoMarks, 1);
             EXPECT_EQ(d.ElementColor, TColor(65535));
             EXPECT_TRUE(d.RepereFixe->DirectXAxisDirection);
             EXPECT_EQ(d.RepereFixe->OrigineCurrent.X, 0.5);
             EXPECT_EQ(d.Transparent->LayerWidth, 0.5);
             EXPECT_EQ(d.MarquesRep->MarksNumberPerFrame, 1);
             EXPECT_EQ(d.MarquesRep->MarksNumberToDraw, 1);
         }},
        {"FramesNumberBetweenTwoMarks=two\nOriginePointsNumber_Grid=5\nDirectXAxisDirection_Grid=-1\n",
         [](const TData& d) {
             EXPECT_EQ(d.FramesNumberBetweenTwoMarks, 1);
             EXPECT_EQ(d.RepereFixe->OriginePointsNumber, 1);
             EXPECT_TRUE(d.RepereFixe->DirectXAxisDirection);
         }},
        {"MarksNumberPerFrame_Grid=2\nMarkColorsNumber=1\nMarkColor_0=16711680\n",
         [](const TData& d) {
             EXPECT_EQ(d.ObjectColour(0), clBlue);
             EXPECT_EQ(d.ObjectColour(1), TGraphUtils::Instance().ObjectColor(1));
         }},
    };
    for (const Case& c : cases) {
        TWork w;
        ASSERT_TRUE(
            Read(Minimal(QStringLiteral("RequiredDuration=0.04\n") + QLatin1String(c.Lines)).toUtf8(), w))
            << c.Lines;
        c.Check(w.Data);
    }
}

TEST_F(ProjectFileTest, DamagedAndHostileFilesFailCleanlyOrReadWithinBounds)
{
    struct Case
    {
        const char* Name;
        QByteArray Bytes;
        bool Reads;
        int GridMarks = 0;
    };
    const QByteArray head = "[Main]\nVersion=351000\nVideoFileName=/v.avi\n[Data]\n";
    QByteArray garbage(4096, '\0');
    QRandomGenerator random(7);
    for (char& c : garbage)
        c = char(random.bounded(256));
    garbage.replace(100, 12, "\n[Data]\nk=1\n");
    const Case cases[] = {
        {"no RequiredDuration", head + "FramesNumberBetweenTwoMarks=2\n", false},
        {"float that does not read", head + "RequiredDuration=0.04s\n", false},
        {"damaged mark coordinate",
         head + "RequiredDuration=0.04\nMarksContainersNumber_Grid=1\nMarksContainerMarksNumber_Grid_0=1\n"
                "MarkXCoordinate_Grid_0_0=1.2.3\n",
         false},
        {"huge counts",
         head + "RequiredDuration=0.04\nMarksContainersNumber_Grid=2000000000\nMarkColorsNumber=99999999\n"
                "MarksContainerMarksNumber_Grid_0=2147483647\nMarkXCoordinate_Grid_0_0=0.5\n",
         true, 1},
        {"negative counts and indices",
         head + "RequiredDuration=0.04\nMarksContainersNumber_Grid=-3\nOriginePositionsNumber_Layer=-1\n",
         true, 0},
        {"negative frame and object",
         head + "RequiredDuration=0.04\nMarksContainersNumber_Grid=2\nMarksContainerFrameNumber_Grid_0=-7\n"
                "MarksContainerMarksNumber_Grid_0=1\nMarksContainerMarksNumber_Grid_1=1\nMarkOrderNumber_"
                "Grid_1_0=-1\n",
         true, 1},
        {"number far too large", head + "RequiredDuration=1e400\n", false},
        {"negative run count", head + "RequiredDuration=0.04\n[Montage]\nVisibleScalesNumber=-1\n", false},
        {"binary garbage", garbage, false},
        {"empty file", QByteArray(), false},
    };
    for (const Case& c : cases) {
        TWork w;
        EXPECT_EQ(Read(c.Bytes, w), c.Reads) << c.Name;
        if (c.Reads) {
            EXPECT_EQ(w.Data.MarquesRep->MarksCount(), c.GridMarks) << c.Name;
        }
    }
}

TEST_F(ProjectFileTest, FilesBeyondAProjectsSizeAreRefusedBeforeTheyAreRead)
{
    const QString path = Path(QStringLiteral("big.ktr"));
    // A file of several hundred megabytes (sparse: nothing is written to the disk).
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(300LL * 1024 * 1024));
    }
    TKtr ktr;
    EXPECT_FALSE(ktr.Prepare(path));
    EXPECT_EQ(ktr.Ini(), nullptr);

    // Too many lines, too many sections, too many frame containers.
    QByteArray lines = "[Data]\nRequiredDuration=0.04\n";
    lines += QByteArray(TKtr::MaxLines, '\n');
    QByteArray sections;
    for (int i = 0; i <= TKtr::MaxSections; ++i)
        sections += "[S" + QByteArray::number(i) + "]\n";
    QByteArray containers =
        "[Main]\nVersion=351000\n[Data]\nRequiredDuration=0.04\nMarksContainersNumber_Grid=999999\n";
    for (int i = 0; i <= TKtr::MaxContainers; ++i)
        containers +=
            "MarksContainerFrameNumber_Grid_" + QByteArray::number(i) + '=' + QByteArray::number(i) + '\n';
    for (const QByteArray& bytes : {lines, sections, containers}) {
        TWork w;
        EXPECT_FALSE(Read(bytes, w));
    }
}

TEST_F(ProjectFileTest, OlderLayoutsGetTheirEditedSequenceAsRuns)
{
    const TBooleanDynArray visible{true, true, false, false, true, true, true, false, true, true, true, true};
    const TIntegerDynArray shifts{0, 0, 0, -1, -2, -2, -2, -2, -3, -3, -2, -1};
    QString text =
        QStringLiteral("[Main]\nVersion=340000\nVideoFileName=/v.avi\n[Data]\nRequiredDuration=0.04\n"
                       "[Montage]\nVisibleImagesNumber=12\nTimeShiftsNumber=12\n");
    for (int i = 0; i < 12; ++i)
        text += QStringLiteral("VisibleImage_%1=%2\nTimeShift_%1=%3\n")
                    .arg(i)
                    .arg(visible[i] ? 1 : 0)
                    .arg(shifts[i]);
    const QString path = Path(QStringLiteral("old.ktr"));
    ASSERT_TRUE(WriteFile(path, text.toUtf8()));

    TKtr ktr;
    ASSERT_TRUE(ktr.Prepare(path));
    ktr.Upgrade();
    EXPECT_EQ(ktr.Version, 340000);
    const TIniFile& ini = *ktr.Ini();
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Main"), QStringLiteral("Version"), 0), 340000);

    // Exactly the keys that the edited sequence writes for these frames, and no per-frame key left.
    TIniFile expected{QString()};
    TMontage::WriteVisibility(expected, visible);
    TMontage::WriteShifts(expected, shifts);
    std::map<QString, QString> want = SectionMap(expected, SectionMontage);
    want[QStringLiteral("visibleimagesnumber")] = QStringLiteral("12");
    want[QStringLiteral("timeshiftsnumber")] = QStringLiteral("12");
    EXPECT_EQ(SectionMap(ini, SectionMontage), want);

    TMontage montage;
    montage.Init(12);
    ASSERT_TRUE(montage.Load(ini));
    EXPECT_EQ(montage.Visible, visible);
    EXPECT_EQ(montage.TimeShift, shifts);

    // Damaged counts far beyond the keys give the same runs as the full arrays, at once.
    struct Sparse
    {
        int Frames;
        std::map<int, int> Keys; // frame -> value of VisibleImage_ and of TimeShift_
    };
    for (const Sparse& c : {Sparse{40, {{2, 0}, {5, 0}}}, Sparse{40, {{2, 0}, {5, 1}}},
                            Sparse{TMontage::MaxLoadedFrames, {{3, 0}, {4, -1}, {5, -2}}}}) {
        QString sparse =
            QStringLiteral("[Main]\nVersion=340000\n[Montage]\nVisibleImagesNumber=%1\nTimeShiftsNumber=%1\n")
                .arg(c.Frames);
        TBooleanDynArray fullVisible(std::size_t(c.Frames), true);
        TIntegerDynArray fullShifts(std::size_t(c.Frames), 0);
        for (const auto& [frame, value] : c.Keys) {
            sparse += QStringLiteral("VisibleImage_%1=%2\nTimeShift_%1=%2\n").arg(frame).arg(value);
            fullVisible[std::size_t(frame)] = value != 0;
            fullShifts[std::size_t(frame)] = value;
        }
        ASSERT_TRUE(WriteFile(path, sparse.toUtf8()));
        TKtr upgraded;
        ASSERT_TRUE(upgraded.Prepare(path));
        upgraded.Upgrade();
        TIniFile full{QString()};
        TMontage::WriteVisibility(full, fullVisible);
        TMontage::WriteShifts(full, fullShifts);
        std::map<QString, QString> wantSparse = SectionMap(full, SectionMontage);
        wantSparse[QStringLiteral("visibleimagesnumber")] = QString::number(c.Frames);
        wantSparse[QStringLiteral("timeshiftsnumber")] = QString::number(c.Frames);
        EXPECT_EQ(SectionMap(*upgraded.Ini(), SectionMontage), wantSparse) << c.Frames;
    }
    ASSERT_TRUE(WriteFile(path, text.toUtf8()));

    // The file itself is not changed by opening it.
    EXPECT_EQ(QString::fromUtf8(ReadFile(path)), text);

    // A current file keeps its keys as they are.
    text.replace(QStringLiteral("Version=340000"), QStringLiteral("Version=351000"));
    ASSERT_TRUE(WriteFile(path, text.toUtf8()));
    TKtr current;
    ASSERT_TRUE(current.Prepare(path));
    current.Upgrade();
    EXPECT_EQ(current.Ini()->ToText(), text);
}

// With formulas on the host, the project's formulas and constants are read into them and written from
// them; a second round trip writes the same keys, and a file of the first layout opens with its formulas.
TEST_F(ProjectFileTest, FormulasAreReadAndWrittenByTheFormulas)
{
    TWork saved;
    Build(saved);
    TFormules formules;
    saved.Ktr.Host.Formules = &formules;
    formules.AddConstant(QStringLiteral("m"), QString(), QStringLiteral("kg"), QStringLiteral("0,25"));
    formules.AddConstant(QStringLiteral("v_lam[1]"), QString(), QString(), QStringLiteral("0"));
    formules.AddConstant(QStringLiteral("Vol"), QStringLiteral("4*Ray^3/3"), QStringLiteral("m³"), QString());
    formules.AddFormula(QStringLiteral("Ec = 0,5*m*v^2"), QStringLiteral("kinetic energy"),
                        QStringLiteral("J"));
    formules.AddFormula(QStringLiteral("v_lam[i+1]=v_lam[i]+1"), QString(), QString());
    formules.AddFormula(QStringLiteral("x^2+y^2"), QString(), QStringLiteral("m²"));
    const QString path = Path(QStringLiteral("formulas.ktr"));
    ASSERT_TRUE(saved.SaveTo(path));
    const auto formulaKeys = [](const TIniFile& ini) {
        return std::make_pair(SectionMap(ini, QStringLiteral("Formules")),
                              SectionMap(ini, QStringLiteral("Record")));
    };
    const auto written = formulaKeys(TIniFile(path));
    EXPECT_EQ(written.second.at(QStringLiteral("recordconstvalue_2")), QStringLiteral("=4*Ray^3/3"));
    EXPECT_EQ(written.second.at(QStringLiteral("recordformuleidentifier_1")), QStringLiteral("v_lam[i+1]"));
    EXPECT_EQ(written.second.at(QStringLiteral("recordformuleidentifier_2")), QString());

    TWork opened;
    TFormules read;
    opened.Ktr.Host.Formules = &read;
    ASSERT_TRUE(opened.LoadFrom(path));
    ASSERT_EQ(read.FormulaCount(), 3);
    ASSERT_EQ(read.ConstantCount(), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(read.FormulaText(k), formules.FormulaText(k));
        EXPECT_EQ(read.FormulaComment(k), formules.FormulaComment(k));
        EXPECT_EQ(read.FormulaUnit(k), formules.FormulaUnit(k));
        EXPECT_EQ(read.Constants[std::size_t(k)]->Identifier, formules.Constants[std::size_t(k)]->Identifier);
        EXPECT_EQ(read.Constants[std::size_t(k)]->Phrase, formules.Constants[std::size_t(k)]->Phrase);
        EXPECT_EQ(read.Constants[std::size_t(k)]->ValueText, formules.Constants[std::size_t(k)]->ValueText);
    }
    // The text kept for hosts without formulas is not used.
    EXPECT_TRUE(opened.Ktr.Formulas.Formules.empty());
    const QString again = Path(QStringLiteral("again.ktr"));
    ASSERT_TRUE(opened.SaveTo(again));
    EXPECT_EQ(formulaKeys(TIniFile(again)), written);

    // Opening another video empties the formulas (the main window does it); the next save has none.
    read.Clear();
    ASSERT_TRUE(opened.SaveTo(again));
    EXPECT_EQ(TIniFile(again).ReadInteger(QStringLiteral("Formules"), QStringLiteral("FormulesNumber"), -1),
              0);
}
