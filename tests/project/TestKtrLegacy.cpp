// Files of the first layout (one value per line): their conversion, converting twice, stops, and a video
// that was found again after it had moved.
#include "project/KtrFixture.h"

#include "formula/UnitFormules.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"
#include "project/UnitKtrLegacy.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <map>

namespace {

using TProfileMap = std::map<QString, std::map<QString, QString>>;

// Every key of every section, case-folded, with its value: what a reader can see of a profile.
TProfileMap Contents(const TIniFile& ini)
{
    TProfileMap map;
    for (const QString& section : ini.ReadSections())
        for (const QString& key : ini.ReadSection(section))
            map[section.toCaseFolded()][key.toCaseFolded()] = ini.ReadString(section, key, QString());
    return map;
}

class LegacyTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;
    QString Legacy = Dir.filePath(QStringLiteral("legacy.ktr"));

    void SetUp() override
    {
        ASSERT_TRUE(WriteFile(Legacy, ReadFile(DataFile(QStringLiteral("legacy_334000.ktr")))));
    }
};

} // namespace

TEST_F(LegacyTest, EveryLineGoesToItsKey)
{
    TWork w;
    w.View.Frames = 10;
    w.Montage.Init(10);
    ASSERT_TRUE(w.LoadFrom(Legacy));
    EXPECT_EQ(w.Ktr.Version, TKtr::VersionLegacy);

    const TData& d = w.Data;
    EXPECT_EQ(d.RequiredDuration, 0.04);
    EXPECT_EQ(d.MarquesRep->MarksNumberPerFrame, 2);
    EXPECT_EQ(d.MarquesRep->CurrentMarkOrderNumber, 1);
    EXPECT_EQ(d.MarquesRep->Name(1), QStringLiteral("cube"));
    EXPECT_EQ(d.ElementColor, TColor(65535));
    EXPECT_EQ(d.MarkColors, (std::vector<TColor>{255, 16711680}));
    EXPECT_FALSE(d.RepereFixe->DirectYAxisDirection);
    EXPECT_TRUE(d.RepereFixe->DirectXAxisDirection);
    EXPECT_EQ(d.RepereFixe->OrigineCurrent.Y, 0.75);
    EXPECT_EQ(d.RepereFixe->XAxisAngle, 0.5);
    EXPECT_EQ(d.Transparent->LayerWidth, 0.3);
    EXPECT_EQ(d.Transparent->LayerStage, 2); // "Pointer"
    ASSERT_EQ(d.Transparent->Origines.size(), 2u);
    // Each layer position takes the frame of the layer container of its index.
    EXPECT_EQ(d.Transparent->Origines[0]->OrigineImageNumber, 4);
    EXPECT_EQ(d.Transparent->Origines[1]->OrigineImageNumber, 6);
    EXPECT_EQ(d.Transparent->Origines[1]->Position.Y, 0.55);
    EXPECT_EQ(d.Echelle->ScaleLength, 1.5);
    EXPECT_EQ(d.Echelle->ScaleHorizLength, 0.5);
    EXPECT_EQ(d.Echelle->Points[teVert][1].Y, 0.9);
    EXPECT_EQ(d.MarquesRep->MarksCount(), 3);
    EXPECT_EQ(d.MarquesRep->MarksNumberToDraw, 3);
    EXPECT_EQ(d.MarquesRep->ContainerOf(4)->MarkOf(1)->GetPosition().X, 0.6);
    EXPECT_EQ(d.MarquesTsp->ContainerOf(6)->MarkOf(0)->GetOffset().Y, -0.01);
    EXPECT_EQ(w.View.FrameShown, 3);
    EXPECT_EQ(w.View.ModeValue, mvRepereFixe);
    EXPECT_EQ(w.Montage.Visible,
              (TBooleanDynArray{true, true, true, false, false, true, true, true, true, true}));
    EXPECT_EQ(w.Montage.TimeShift, (TIntegerDynArray{0, 0, 0, 0, -1, -2, -2, -2, -2, -2}));
    ASSERT_EQ(w.Ktr.Formulas.Formules.size(), 1u);
    EXPECT_EQ(w.Ktr.Formulas.Formules[0].Phrase, QStringLiteral("0,5*m*v^2"));
    ASSERT_EQ(w.Ktr.Formulas.Constantes.size(), 1u);
    EXPECT_EQ(w.Ktr.Formulas.Constantes[0].Unit, QStringLiteral("kg"));

    TKtr ktr;
    ASSERT_TRUE(ktr.Prepare(Legacy));
    ktr.Upgrade();
    EXPECT_EQ(ktr.VideoFileName(), QStringLiteral("C:\\Videos\\Physics\\ball.avi"));
    EXPECT_EQ(ktr.Ini()->ReadInteger(QStringLiteral("Main"), QStringLiteral("Version"), 0),
              TKtr::VersionLegacy);
    EXPECT_EQ(BareFileName(ktr.VideoFileName()), QStringLiteral("ball.avi"));
}

TEST_F(LegacyTest, ConvertingAConvertedFileAgainGivesTheSameResult)
{
    // As a program that writes every converted key straight into the file would leave it.
    TKtr first;
    ASSERT_TRUE(first.Prepare(Legacy));
    first.Upgrade();
    const QString converted = Dir.filePath(QStringLiteral("converted.ktr"));
    ASSERT_TRUE(WriteFile(converted, first.Ini()->ToText().toUtf8()));

    TKtr second;
    ASSERT_TRUE(second.Prepare(converted));
    second.Upgrade();
    EXPECT_EQ(second.Version, TKtr::VersionLegacy);
    EXPECT_EQ(Contents(*second.Ini()), Contents(*first.Ini()));

    TWork a, b;
    for (TWork* w : {&a, &b}) {
        w->View.Frames = 10;
        w->Montage.Init(10);
    }
    ASSERT_TRUE(a.LoadFrom(Legacy));
    ASSERT_TRUE(b.LoadFrom(converted));
    EXPECT_EQ(b.State().toStdString(), a.State().toStdString());
}

TEST_F(LegacyTest, AConversionThatStopsKeepsWhatItRead)
{
    const QStringList lines = SplitTextLines(QString::fromUtf8(ReadFile(Legacy)));
    ASSERT_EQ(lines.size(), 138);
    struct Case
    {
        const char* Name;
        QStringList Lines;
        QStringList Present, Absent;
    };
    QStringList badCount = lines;
    badCount[2] = QStringLiteral("one");
    const Case cases[] = {
        {"count that is not a number", badCount, {"RequiredDuration"}, {"ElementColor"}},
        {"lines that end early", lines.mid(0, 40), {"RequiredDuration", "XAxisAngle_Grid"}, {"LayerWidth"}},
        {"layout complete", lines, {"RequiredDuration", "MarkYCoordinate_Layer_1_0"}, {}},
    };
    for (const Case& c : cases) {
        TIniFile ini{QString()};
        const bool complete = ConvertLegacyLayout(c.Lines, ini);
        EXPECT_EQ(complete, c.Absent.isEmpty()) << c.Name;
        for (const QString& key : c.Present)
            EXPECT_TRUE(ini.ValueExists(QStringLiteral("Data"), key)) << c.Name << ' ' << key.toStdString();
        for (const QString& key : c.Absent)
            EXPECT_FALSE(ini.ValueExists(QStringLiteral("Data"), key)) << c.Name << ' ' << key.toStdString();
    }
    // The line ends of other systems split alike.
    EXPECT_EQ(SplitTextLines(QStringLiteral("a\r\nb\rc\n\nd")), (QStringList{"a", "b", "c", "", "d"}));
}

TEST_F(LegacyTest, AVideoFoundElsewhereIsKeptOverTheFirstLine)
{
    // What a relocation writes into a file of the first layout: the video's key and nothing else, so the
    // lines of the layout stay exactly as they were; a second relocation changes that same line.
    const QByteArray original = ReadFile(Legacy);
    ASSERT_TRUE(TKtr::RecordVideoFileName(Legacy, QStringLiteral("/media/usb/ball.avi")));
    EXPECT_EQ(ReadFile(Legacy), original + "[Main]\r\nVideoFileName=/media/usb/ball.avi\r\n");
    ASSERT_TRUE(TKtr::RecordVideoFileName(Legacy, QStringLiteral("/home/student/ball.avi")));
    EXPECT_EQ(ReadFile(Legacy), original + "[Main]\r\nVideoFileName=/home/student/ball.avi\r\n");

    TKtr ktr;
    ASSERT_TRUE(ktr.Prepare(Legacy));
    ktr.Upgrade();
    EXPECT_EQ(ktr.VideoFileName(), QStringLiteral("/home/student/ball.avi"));
    EXPECT_EQ(ktr.Ini()->ReadFloat(QStringLiteral("Data"), QStringLiteral("RequiredDuration"), 0.0), 0.04);
}

TEST_F(LegacyTest, FormulasOfTheFirstLayoutReachTheFormulas)
{
    TWork w;
    w.View.Frames = 10;
    w.Montage.Init(10);
    TFormules formules;
    w.Ktr.Host.Formules = &formules;
    ASSERT_TRUE(w.LoadFrom(Legacy));
    ASSERT_EQ(formules.FormulaCount(), 1);
    const QChar sep = formules.DecimalSeparator();
    EXPECT_EQ(formules.FormulaText(0), QStringLiteral("Ec=0") + sep + QStringLiteral("5*m*v^2"));
    EXPECT_EQ(formules.FormulaComment(0), QStringLiteral("kinetic energy"));
    ASSERT_EQ(formules.ConstantCount(), 1);
    EXPECT_EQ(formules.Constants[0]->Identifier, QStringLiteral("m"));
    EXPECT_EQ(formules.Constants[0]->ValueText, QStringLiteral("0") + sep + QStringLiteral("25"));
    EXPECT_DOUBLE_EQ(formules.Constants[0]->Value, 0.25);
    EXPECT_EQ(formules.Constants[0]->Unit, QStringLiteral("kg"));
}
