// The options: defaults without a settings file, values kept as stored, the whole section written back,
// a hand-edited file, the password kept as a salted hash.
#include "common/UnitOptions.h"

#include "common/UnitIni.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

TEST(Options, WithoutSettingsFileEveryKeyHasItsDefault)
{
    QTemporaryDir dir;
    const TOptions o(dir.filePath(QStringLiteral("Kinotra.ini")));
    EXPECT_TRUE(o.CheckBox38ChangeDefaultObjectsName);
    EXPECT_TRUE(o.CheckBox3ConfirmationQuit);
    EXPECT_EQ(o.EditMRU, 8);
    EXPECT_FALSE(o.CheckBox6FreezeMRU);
    EXPECT_EQ(o.PenSize, 0);
    EXPECT_FALSE(o.CheckBox36StartByZero);
    EXPECT_TRUE(o.CheckBox54SmoothSpeed);
    EXPECT_TRUE(o.CheckBox7SmoothAcceleration);
    EXPECT_EQ(o.TrackingRadius, 40);
    EXPECT_FALSE(o.CheckBox12TimeZoomX);
    EXPECT_TRUE(o.CheckBox13TimeZoomY);
    EXPECT_FALSE(o.CheckBox46VectorVideoImage);
    EXPECT_TRUE(o.CheckBox27ProfShowItem);
    EXPECT_TRUE(o.CheckBox5ChangeFormulae);
    EXPECT_FALSE(o.CheckBox32AngleRadian);
    EXPECT_EQ(o.PenSize4Graph, 0);
    EXPECT_FALSE(o.ToolButtonVecteurVideo);
    EXPECT_TRUE(o.Password.isEmpty());
    EXPECT_FALSE(o.PasswordLock);
}

TEST(Options, StoredValuesAreUsedAsTheyStandAndTheSectionIsWrittenBackWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kinotra.ini"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[RecentFiles]\nFile1=/x.avi\n[options]\ntrackingradius_value=5\nEditMRU_Value=50\n"
                "Numerotation_Value=7\nCheckBox3ConfirmationQuit_Checked=-3\nCheckBox9Speed_Checked=no\n"
                "Password=Secret\nToolButtonTempsReticule_Down=1\n");
    }
    TOptions o(path);
    EXPECT_EQ(o.TrackingRadius, 5); // no range is enforced when reading
    EXPECT_EQ(o.EditMRU, 50);
    EXPECT_EQ(o.Numerotation, 7);
    EXPECT_TRUE(o.CheckBox3ConfirmationQuit);
    EXPECT_TRUE(o.CheckBox9Speed); // not an integer: the default
    EXPECT_TRUE(o.PasswordLock);
    EXPECT_TRUE(o.PasswordMatches(QStringLiteral("Secret")));
    // The keyless tools of the time page start from its cross-hair tool; the formula page's do not.
    EXPECT_TRUE(o.ToolButtonTempsModifierModele);
    EXPECT_TRUE(o.ToolButtonTempsModeleSinusAe);
    EXPECT_FALSE(o.ToolButtonFormuleModifierModele);

    o.PenSize = 2;
    ASSERT_TRUE(o.Save());
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("File1"), {}),
              QStringLiteral("/x.avi"));
    // 61 option keys, DefaultDirectory, Password and 43 tool keys.
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Options")).size(), 61 + 2 + 43);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Options"), QStringLiteral("PenSize_Value"), {}),
              QStringLiteral("2"));
    EXPECT_EQ(
        ini.ReadString(QStringLiteral("Options"), QStringLiteral("CheckBox3ConfirmationQuit_Checked"), {}),
        QStringLiteral("1"));
    EXPECT_FALSE(
        ini.ValueExists(QStringLiteral("Options"), QStringLiteral("ToolButtonTempsModifierModele_Down")));
    EXPECT_EQ(TOptions(path).TrackingRadius, 5);
}

TEST(Options, EachToolKeyComesBackFromItsOwnButton)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kinotra.ini"));
    TOptions o(path);
    o.ToolButtonTempsModeleSinus = true;
    ASSERT_TRUE(o.Save());
    const TOptions again(path);
    EXPECT_TRUE(again.ToolButtonTempsModeleSinus);
    EXPECT_FALSE(again.ToolButtonTempsReticule);
}

TEST(Options, DerivedToolRules)
{
    QTemporaryDir dir;
    TOptions o(dir.filePath(QStringLiteral("Kinotra.ini")));
    EXPECT_FALSE(o.ModelModifierHidden(TOptionsPage::Temps));
    o.ToolButtonTempsModeleConstant = o.ToolButtonTempsModeleAffine = o.ToolButtonTempsModeleProportionnel =
        o.ToolButtonTempsModeleParabole = o.ToolButtonTempsModeleSinus = o.ToolButtonTempsModeleSinusAl =
            o.ToolButtonTempsModeleExponentiel = true;
    EXPECT_FALSE(o.ModelModifierHidden(TOptionsPage::Temps)); // the damped sine is still shown
    o.ToolButtonTempsModeleSinusAe = true;
    EXPECT_TRUE(o.ModelModifierHidden(TOptionsPage::Temps));
    EXPECT_FALSE(o.ModelModifierHidden(TOptionsPage::Formule));

    o.ToolButtonVecteurArc = o.ToolButtonVecteurCercle = true;
    EXPECT_FALSE(o.CurveArcHidden(TOptionsPage::Vecteur));
    o.ToolButtonVecteurEllipse = true;
    EXPECT_TRUE(o.CurveArcHidden(TOptionsPage::Vecteur));
    o.ToolButtonReferentielCurveArc = true;
    EXPECT_TRUE(o.CurveArcHidden(TOptionsPage::Referentiel));
}

TEST(Options, PasswordComparisonIsExact)
{
    TScriptedUserDlgScope script;
    QTemporaryDir dir;
    TOptions o(dir.filePath(QStringLiteral("Kinotra.ini")));
    EXPECT_TRUE(o.CheckAccess()); // no lock
    o.SetPassword(QStringLiteral("Secret"));
    o.PasswordLock = true;
    std::optional<QString> typed = QStringLiteral("secret");
    o.AskPassword = [&] { return typed; };
    script->Answer(0);
    EXPECT_FALSE(o.CheckAccess());
    EXPECT_EQ(script->Shown.back().Text(), QStringLiteral("Wrong password."));
    typed = QStringLiteral("Secret");
    EXPECT_TRUE(o.CheckAccess());
    typed.reset(); // cancelled: no message
    EXPECT_FALSE(o.CheckAccess());
    typed = QString();
    const QString stored = o.Password;
    EXPECT_FALSE(o.AskNewPassword());
    EXPECT_EQ(o.Password, stored);
    typed = QStringLiteral("Other1");
    EXPECT_TRUE(o.AskNewPassword());
    EXPECT_TRUE(o.PasswordMatches(QStringLiteral("Other1")));
}

TEST(Options, HandEditedFileFallsBackPerKeyAndKeepsWhatItDoesNotKnow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kinotra.ini"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("garbage before any section\n[Options]\n=no key\nnot a key line\n; a comment\n"
                "EditMRU_Value=twelve\nTrackingRadius_Value=99999999999999\nPenSize_Value= 2 \n"
                "CheckBox9Speed_Checked=0\nCheckBox9Speed_Checked=1\nCheckBox8Acceleration_Checked=\n"
                "CheckBox36StartByZero_Checked=0x10\nMyOwnKey=kept\n[Capture]\nDevice=/dev/video0\n");
    }
    TOptions o(path);
    EXPECT_EQ(o.EditMRU, 8);         // not an integer
    EXPECT_EQ(o.TrackingRadius, 40); // beyond an integer
    EXPECT_EQ(o.PenSize, 2);
    EXPECT_FALSE(o.CheckBox9Speed);       // the first of a repeated key
    EXPECT_TRUE(o.CheckBox8Acceleration); // empty
    EXPECT_TRUE(o.CheckBox36StartByZero); // any non-zero integer
    ASSERT_TRUE(o.Save());
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Options"), QStringLiteral("MyOwnKey"), {}),
              QStringLiteral("kept"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Capture"), QStringLiteral("Device"), {}),
              QStringLiteral("/dev/video0"));
    EXPECT_TRUE(ini.ToText().contains(QStringLiteral("not a key line")));
    EXPECT_EQ(TOptions(path).EditMRU, 8);
}

TEST(Options, PasswordIsKeptAsASaltedHash)
{
    const QString a = TOptions::HashPassword(QStringLiteral("Secret"));
    const QString b = TOptions::HashPassword(QStringLiteral("Secret"));
    EXPECT_TRUE(TOptions::IsPasswordHash(a)) << a.toStdString();
    EXPECT_NE(a, b); // a new salt each time
    EXPECT_TRUE(TOptions::HashPassword(QString()).isEmpty());
    for (const char* bad : {"Secret", "sha256:zz:00", "sha256::", "md5:00:00"})
        EXPECT_FALSE(TOptions::IsPasswordHash(QString::fromLatin1(bad))) << bad;

    QTemporaryDir dir;
    TOptions o(dir.filePath(QStringLiteral("Kinotra.ini")));
    o.Password = a;
    EXPECT_TRUE(o.PasswordMatches(QStringLiteral("Secret")));
    EXPECT_FALSE(o.PasswordMatches(QStringLiteral("secret")));
    EXPECT_FALSE(o.PasswordMatches(QString()));
    o.Password.clear();
    EXPECT_FALSE(o.PasswordMatches(QString()));
}

TEST(Options, PlainPasswordInTheFileIsAcceptedAndReplacedByItsHash)
{
    TScriptedUserDlgScope script;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kinotra.ini"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Options]\nPassword=Secret\nPenSize_Value=1\n");
    }
    TOptions o(path);
    EXPECT_TRUE(o.PasswordLock);
    const QString stored =
        TIniFile(path).ReadString(QStringLiteral("Options"), QStringLiteral("Password"), {});
    EXPECT_TRUE(TOptions::IsPasswordHash(stored)) << stored.toStdString();
    EXPECT_EQ(stored, o.Password);
    EXPECT_EQ(TIniFile(path).ReadString(QStringLiteral("Options"), QStringLiteral("PenSize_Value"), {}),
              QStringLiteral("1"));
    // The next start reads the hash as it is, and the same password opens the lock.
    TOptions again(path);
    EXPECT_EQ(again.Password, stored);
    again.AskPassword = [] { return std::optional<QString>(QStringLiteral("Secret")); };
    EXPECT_TRUE(again.CheckAccess());
    EXPECT_TRUE(script->Shown.empty());
}
