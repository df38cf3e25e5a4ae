// The INI layer: case-insensitive look-up, preserved unknown content, decimal separators, defaults and
// atomic replacement of the file.
#include "common/UnitIni.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(Ini, SectionsAndKeysAreFoundWhateverTheirCase)
{
    TIniFile ini(QString{});
    ini.SetText(QStringLiteral("[Options]\r\nPenSize_Value=2\r\n[MainForm]\r\nDirectory=/home/a b\r\n"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("OPTIONS"), QStringLiteral("pensize_value"), 0), 2);
    EXPECT_EQ(ini.ReadString(QStringLiteral("mainform"), QStringLiteral("DIRECTORY"), {}),
              QStringLiteral("/home/a b"));
    ini.WriteInteger(QStringLiteral("options"), QStringLiteral("PENSIZE_VALUE"), 1);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Options")), QStringList{QStringLiteral("PenSize_Value")});
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Options"), QStringLiteral("PenSize_Value"), 0), 1);

    // Beyond ASCII too, a character that folds to an ASCII letter (the Kelvin sign) included.
    ini.SetText(QStringLiteral("[Données]\nÉchelle_Größe=4\nKelvin=5\n"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("DONNÉES"), QStringLiteral("échelle_GRÖßE"), 0), 4);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("données"), QString(QChar(0x212A)) + QStringLiteral("ELVIN"), 0),
              5);
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Données"), QStringLiteral("Echelle_Größe")));
}

TEST(Ini, UnknownSectionsKeysAndCommentsAreKeptInPlace)
{
    const QString text = QStringLiteral("; written by hand\n[Other]\nSomething=else\n\n[Options]\n"
                                        "Unknown=7\nEditMRU_Value=8\n\n[Capture]\nDevice=cam\n");
    TIniFile ini(QString{});
    ini.SetText(text);
    ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("EditMRU_Value"), 12);
    ini.WriteBool(QStringLiteral("Options"), QStringLiteral("CheckBox6FreezeMRU_Checked"), true);
    EXPECT_EQ(ini.ToText(), QStringLiteral("; written by hand\n[Other]\nSomething=else\n\n[Options]\n"
                                           "Unknown=7\nEditMRU_Value=12\nCheckBox6FreezeMRU_Checked=1\n\n"
                                           "[Capture]\nDevice=cam\n"));
}

TEST(Ini, TypedReadersGiveTheDefaultForMissingOrBadValues)
{
    TIniFile ini(QString{});
    ini.SetText(QStringLiteral("[S]\nComma=1,5\nPoint=-2.25e3\nInt= 42 \nNeg=-7\nHex=0x1F\nWord=abc\n"
                               "Half=12abc\nEmpty=\nFloatInt=3.0\nNan=nan\nHuge=99999999999999999999\n"));
    const QString s = QStringLiteral("S");
    struct FloatCase
    {
        const char* Key;
        double Expected;
    };
    for (const FloatCase& c : {FloatCase{"Comma", 1.5},
                               {"Point", -2250.0},
                               {"Int", 42.0},
                               {"Word", -1.0},
                               {"Empty", -1.0},
                               {"Nan", -1.0},
                               {"Missing", -1.0}})
        EXPECT_DOUBLE_EQ(ini.ReadFloat(s, QString::fromLatin1(c.Key), -1.0), c.Expected) << c.Key;
    struct IntCase
    {
        const char* Key;
        int Expected;
    };
    for (const IntCase& c : {IntCase{"Int", 42},
                             {"Neg", -7},
                             {"Hex", 31},
                             {"Word", -1},
                             {"Half", -1},
                             {"Empty", -1},
                             {"FloatInt", -1},
                             {"Huge", -1},
                             {"Comma", -1}})
        EXPECT_EQ(ini.ReadInteger(s, QString::fromLatin1(c.Key), -1), c.Expected) << c.Key;
    EXPECT_TRUE(ini.ReadBool(s, QStringLiteral("Neg"), false)); // any non-zero integer is true
    EXPECT_TRUE(ini.ReadBool(s, QStringLiteral("Word"), true));
    EXPECT_FALSE(ini.ReadBool(s, QStringLiteral("Word"), false));
}

TEST(Ini, FloatsRoundTripExactly)
{
    TIniFile ini(QString{});
    for (double v : {0.1, 1.0 / 3.0, -2.5e-300, 6.02214076e23, 0.0}) {
        ini.WriteFloat(QStringLiteral("F"), QStringLiteral("V"), v);
        EXPECT_EQ(ini.ReadFloat(QStringLiteral("F"), QStringLiteral("V"), 99.0), v);
    }
    ini.WriteFloat(QStringLiteral("F"), QStringLiteral("V"), 0.5);
    EXPECT_EQ(ini.ReadString(QStringLiteral("F"), QStringLiteral("V"), {}), QStringLiteral("0.5"));
}

TEST(Ini, SaveReplacesTheFileAtomicallyAndKeepsItOnFailure)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, QStringLiteral("Kinotra.ini"), "[Options]\nEditMRU_Value=8\n");
    {
        TIniFile ini(path);
        ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("EditMRU_Value"), 5);
        // Until the profile is written, the file on disk is the previous one.
        EXPECT_EQ(ReadFile(path), QByteArray("[Options]\nEditMRU_Value=8\n"));
        ASSERT_TRUE(ini.UpdateFile());
    }
    EXPECT_EQ(ReadFile(path), QByteArray("[Options]\nEditMRU_Value=5\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Kinotra.ini")});

    // A save that cannot complete (here the name is taken by a folder) reports failure and leaves
    // no half-written file behind.
    const QString blocked = dir.filePath(QStringLiteral("blocked.ini"));
    QDir().mkpath(blocked + QStringLiteral("/inside"));
    TIniFile ini(blocked);
    ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("EditMRU_Value"), 3);
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_TRUE(QFileInfo(blocked + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Kinotra.ini")});
}

TEST(Ini, MissingOrForeignFilesGiveAnEmptyProfile)
{
    QTemporaryDir dir;
    TIniFile missing(dir.filePath(QStringLiteral("none.ini")));
    EXPECT_TRUE(missing.ReadOk());
    EXPECT_TRUE(missing.ReadSections().isEmpty());

    // Bytes that are not UTF-8 (an older single-byte file) and binary noise never stop the reader.
    const QString path = WriteFile(dir, QStringLiteral("latin.ini"),
                                   QByteArray("[Data]\nName=Caf\xe9\n\x00\x01garbage\xff\n=novalue\n", 33));
    TIniFile latin(path);
    EXPECT_EQ(latin.ReadString(QStringLiteral("Data"), QStringLiteral("Name"), {}),
              QString::fromUtf8("Café"));
    EXPECT_EQ(latin.ReadSection(QStringLiteral("Data")).size(), 1);
}

TEST(Ini, ManyKeysStayFoundAfterEveryKindOfEdit)
{
    // Large projects hold tens of thousands of keys: look-ups go through an index that every edit keeps
    // right (first line of a repeated key wins, new keys before trailing blank lines, deletions).
    TIniFile ini{QString()};
    ini.SetText(QStringLiteral("[A]\nk=1\nK=2\n\n\n[B]\nx=0\n[a]\nlate=3\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("a"), QStringLiteral("K"), {}), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("late"), {}), QStringLiteral("3"));
    for (int i = 0; i < 20000; ++i)
        ini.WriteInteger(QStringLiteral("A"), QStringLiteral("Key_%1").arg(i), i);
    for (int i = 0; i < 20000; i += 997)
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("a"), QStringLiteral("KEY_%1").arg(i), -1), i);
    ini.DeleteKey(QStringLiteral("A"), QStringLiteral("k"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("gone")),
              QStringLiteral("gone"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("Key_19999"), -1), 19999);
    ini.EraseSection(QStringLiteral("B"));
    ini.WriteString(QStringLiteral("C"), QStringLiteral("y"), QStringLiteral("new"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("c"), QStringLiteral("Y"), {}), QStringLiteral("new"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("Key_5"), {}), QStringLiteral("5"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("B")));
    // The repeated section continued the first one; new keys follow its last key; both lines of "k" went.
    EXPECT_TRUE(ini.ToText().startsWith(QStringLiteral("[A]\n\n\nlate=3\nKey_0=0\nKey_1=1\n")));
}

TEST(Ini, EditsKeepTheLayoutOfTheFile)
{
    // A changed key keeps its place (the first of a repeated key is the one read and changed), a new key
    // follows the last line of its section that is not blank, a deleted key loses all its lines, and new
    // sections go to the end.
    TIniFile ini{QString()};
    ini.SetText(QStringLiteral("; head comment\nloose=1\n[Data]\nA=1\na=duplicate\n; comment\nB = 2 \n\n"
                               "[Other]\nX=9\n\n\n[Empty]\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("data"), QStringLiteral("a"), {}), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Data"), QStringLiteral("b"), {}), QStringLiteral("2"));
    EXPECT_EQ(ini.KeyCount(QStringLiteral("DATA")), 3);
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Data"), QStringLiteral("loose")));

    ini.WriteString(QStringLiteral("data"), QStringLiteral("b"), QStringLiteral("3"));
    ini.WriteString(QStringLiteral("Other"), QStringLiteral("New"), QStringLiteral("two\nlines"));
    ini.WriteString(QStringLiteral("Fresh"), QStringLiteral("K"), QStringLiteral("v"));
    ini.DeleteKey(QStringLiteral("Data"), QStringLiteral("A"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Data"), QStringLiteral("a")));
    ini.WriteString(QStringLiteral("Data"), QStringLiteral("A"), QStringLiteral("back"));
    ini.WriteString(QStringLiteral("Empty"), QStringLiteral("E"), QStringLiteral("e"));
    ini.DeleteKey(QStringLiteral("Fresh"), QStringLiteral("k"));
    EXPECT_EQ(ini.KeyCount(QStringLiteral("Data")), 2);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Data")), (QStringList{"B", "A"}));
    EXPECT_EQ(ini.ToText(), QStringLiteral("; head comment\nloose=1\n[Data]\n; comment\nB=3\nA=back\n\n"
                                           "[Other]\nX=9\nNew=two lines\n\n\n[Empty]\nE=e\n[Fresh]\n"));

    // Deleted lines at the end of a section do not hold new keys back behind the blank lines before them.
    ini.SetText(QStringLiteral("[S]\nA=1\n\nB=2\n\n[T]\n"));
    ini.DeleteKey(QStringLiteral("S"), QStringLiteral("B"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("C"), QStringLiteral("3"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("D"), QStringLiteral("4"));
    EXPECT_EQ(ini.ToText(), QStringLiteral("[S]\nA=1\nC=3\nD=4\n\n\n[T]\n"));
    // Reading the text again gives the same profile.
    TIniFile again{QString()};
    again.SetText(ini.ToText());
    EXPECT_EQ(again.ToText(), ini.ToText());
}

TEST(Ini, KeyNamesOfProjectFiles)
{
    EXPECT_EQ(DataKey(QStringLiteral("MarksIsAllDrawn"), QStringLiteral("Grid")),
              QStringLiteral("MarksIsAllDrawn_Grid"));
    EXPECT_EQ(DataKey(QStringLiteral("LayerStage"), QString()), QStringLiteral("LayerStage"));
    EXPECT_EQ(IndexedKey(QStringLiteral("MarkColor"), 5), QStringLiteral("MarkColor_5"));
    EXPECT_EQ(
        DataKey(QStringLiteral("MarkYCoordinate"), IndexedKey(IndexedKey(QStringLiteral("Layer"), 5), 2)),
        QStringLiteral("MarkYCoordinate_Layer_5_2"));
}

TEST(Ini, TypedKeyReadsAreBoundedByTheSection)
{
    TIniFile ini{QString()};
    ini.SetText(QStringLiteral("[Data]\nHuge=2000000000\nNegative=-5\nSmall=2\nAngle=0,5\nBad=1,2,3\n"
                               "Wide=7\nFlag=3\n[Other]\nOne=1\n"));
    TDataReader reader(ini);
    EXPECT_EQ(reader.KeyCount(), 7);
    struct CountCase
    {
        const char* Key;
        int Expected;
    };
    for (const CountCase& c : {CountCase{"Huge", 7}, {"Negative", 0}, {"Small", 2}, {"Missing", 0}})
        EXPECT_EQ(reader.Count(QString::fromLatin1(c.Key)), c.Expected) << c.Key;
    EXPECT_EQ(reader.Int(QStringLiteral("Wide"), 0, 0, 2), 2);
    EXPECT_TRUE(reader.Bool(QStringLiteral("Flag"), false));
    EXPECT_EQ(reader.Float(QStringLiteral("Angle"), 0.0), 0.5);
    EXPECT_EQ(reader.Float(QStringLiteral("Missing"), 0.25), 0.25);
    EXPECT_TRUE(reader.Ok()); // a missing number is no failure
    EXPECT_EQ(reader.Float(QStringLiteral("Bad"), 0.25), 0.25);
    EXPECT_FALSE(reader.Ok()); // an unreadable one is
    EXPECT_EQ(TDataReader(ini, QStringLiteral("other")).Count(QStringLiteral("Huge")), 0);

    // Tens of thousands of keys are written, read and deleted through the indexes.
    TIniFile many{QString()};
    TDataWriter writer(many, QStringLiteral("Data"));
    for (int i = 0; i < 60000; ++i)
        writer.Float(IndexedKey(QStringLiteral("MarkXCoordinate_Grid"), i), i / 7.0);
    for (int i = 0; i < 60000; i += 2)
        writer.Delete(IndexedKey(QStringLiteral("MarkXCoordinate_Grid"), i));
    writer.Int(QStringLiteral("MarksContainersNumber_Grid"), 1);
    TDataReader all(many);
    EXPECT_EQ(all.KeyCount(), 30001);
    EXPECT_EQ(all.Float(QStringLiteral("markxcoordinate_grid_59999"), 0.0), 59999 / 7.0);
    EXPECT_FALSE(all.Exists(QStringLiteral("MarkXCoordinate_Grid_59998")));
    EXPECT_TRUE(many.ToText().endsWith(QStringLiteral("MarkXCoordinate_Grid_59999=") +
                                       FloatToText(59999 / 7.0) +
                                       QStringLiteral("\nMarksContainersNumber_Grid=1\n")));
}
