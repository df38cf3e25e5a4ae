// The options dialog: every option through OK, a new showing and a restart; the defaults; the ranges of
// the controls; the password lock; the association; the default directory; the invalidation of results.
#include "shell/UnitBoiteOptions.h"

#include "common/UnitIni.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>

namespace {

struct OptionsDlgFixture : ::testing::Test
{
    TScriptedUserDlgScope Messages;
    TScriptedDialogs* Dialogs = nullptr;
    TScriptedDialogsScope DialogsScope;
    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("Kinotra.ini"));
    std::unique_ptr<TOptions> Options;
    std::unique_ptr<TBoiteOptions> Box;
    int Changes = 0;
    int Invalidations = 0;
    std::optional<QString> Typed; // the answer of the password prompt

    void SetUp() override { Restart(); }

    // A new run of the program: the options read from the settings file, a new dialog.
    void Restart()
    {
        Box.reset();
        Options = std::make_unique<TOptions>(Path);
        Options->AskPassword = [this] { return Typed; };
        Options->OnOptionsChange = [this](TOptions&) { ++Changes; };
        Box = std::make_unique<TBoiteOptions>(*Options);
        Box->AssociationSetup.DataHome = Dir.filePath(QStringLiteral("data"));
        Box->AssociationSetup.RunTools = false;
        Box->OnInvalidateResults = [this] { ++Invalidations; };
    }

    void Ok() { Box->ButtonOk()->click(); }
};

// Every field of the key tables and tools, for comparing two option objects.
void ExpectSameValues(const TOptions& a, const TOptions& b, const char* where)
{
    for (const auto& o : TOptions::BoolOptions())
        EXPECT_EQ(a.*o.Field, b.*o.Field) << where << " " << o.Key;
    for (const auto& o : TOptions::IntOptions())
        EXPECT_EQ(a.*o.Field, b.*o.Field) << where << " " << o.Key;
    for (const auto& o : TOptions::ToolOptions())
        EXPECT_EQ(a.*o.Field, b.*o.Field) << where << " " << o.Name;
}

} // namespace

TEST_F(OptionsDlgFixture, EveryCheckBoxOptionSurvivesOkReopenAndRestart)
{
    for (const auto& o : TOptions::BoolOptions()) {
        QCheckBox* box = Box->CheckBox(o.Field);
        ASSERT_NE(box, nullptr) << o.Key;
        Box->show();
        EXPECT_EQ(box->isChecked(), o.Default) << o.Key;
        TOptions expected = *Options;
        expected.*o.Field = !o.Default;
        box->click();
        Changes = 0;
        Ok();
        EXPECT_EQ(Changes, 1) << o.Key;
        ExpectSameValues(*Options, expected, o.Key); // only this option moved
        Box->show();
        EXPECT_EQ(box->isChecked(), !o.Default) << o.Key;
        Box->close();
        Restart();
        EXPECT_EQ((*Options).*o.Field, !o.Default) << o.Key;
        EXPECT_EQ(TIniFile(Path).ReadString(SectionOptions, QString::fromLatin1(o.Key), {}),
                  o.Default ? QStringLiteral("0") : QStringLiteral("1"));
        (*Options).*o.Field = o.Default; // back, for the next case
    }
}

TEST_F(OptionsDlgFixture, SpinAndComboOptionsSurviveOkReopenAndRestart)
{
    struct Case
    {
        int TOptions::*Field;
        int Value;
        bool Spin;
    };
    const Case cases[] = {
        {&TOptions::EditMRU, 13, true},           {&TOptions::TrackingRadius, 77, true},
        {&TOptions::PenSize, 2, false},           {&TOptions::Numerotation, 1, false},
        {&TOptions::NumerotationTsp, 2, false},   {&TOptions::ShapeNumber, 1, false},
        {&TOptions::StudioShapeNumber, 2, false}, {&TOptions::PenSize4Graph, 1, false},
    };
    Box->show();
    for (const Case& c : cases) {
        if (c.Spin)
            Box->SpinBox(c.Field)->setValue(c.Value);
        else
            Box->ComboBox(c.Field)->setCurrentIndex(c.Value);
    }
    Ok();
    Box->show();
    for (const Case& c : cases) {
        EXPECT_EQ((*Options).*c.Field, c.Value);
        EXPECT_EQ(c.Spin ? Box->SpinBox(c.Field)->value() : Box->ComboBox(c.Field)->currentIndex(), c.Value);
    }
    Box->close();
    Restart();
    for (const Case& c : cases)
        EXPECT_EQ((*Options).*c.Field, c.Value);
}

TEST_F(OptionsDlgFixture, EachToolButtonComesBackFromItsOwnKey)
{
    for (const auto& t : TOptions::ToolOptions()) {
        if (*t.Key == 0)
            continue; // the keyless tools start from the cross-hair tool of their page, tested below
        QToolButton* button = Box->ToolButton(t.Field);
        ASSERT_NE(button, nullptr) << t.Name;
        Box->show();
        EXPECT_FALSE(button->isChecked()) << t.Name;
        button->click();
        Ok();
        Restart();
        for (const auto& other : TOptions::ToolOptions()) {
            if (*other.Key == 0)
                continue;
            EXPECT_EQ((*Options).*other.Field, other.Field == t.Field) << t.Name << " / " << other.Name;
        }
        (*Options).*t.Field = false;
        ASSERT_TRUE(Options->Save());
        Restart();
    }
}

TEST_F(OptionsDlgFixture, DerivedToolButtonsAndTheKeylessFlags)
{
    // Every model of the time page hidden: the model modifier shows pressed, and OK stores it as pressed.
    Options->ToolButtonTempsModeleConstant = Options->ToolButtonTempsModeleAffine =
        Options->ToolButtonTempsModeleProportionnel = Options->ToolButtonTempsModeleParabole =
            Options->ToolButtonTempsModeleSinus = Options->ToolButtonTempsModeleSinusAe =
                Options->ToolButtonTempsModeleSinusAl = Options->ToolButtonTempsModeleExponentiel = true;
    Options->ToolButtonVecteurArc = Options->ToolButtonVecteurCercle = Options->ToolButtonVecteurEllipse =
        true;
    Box->show();
    EXPECT_TRUE(Box->ToolButton(&TOptions::ToolButtonTempsModifierModele)->isChecked());
    EXPECT_FALSE(Box->ToolButton(&TOptions::ToolButtonFormuleModifierModele)->isChecked());
    EXPECT_TRUE(Box->ToolButton(&TOptions::ToolButtonVecteurCurveArc)->isChecked());
    EXPECT_FALSE(Box->ToolButton(&TOptions::ToolButtonReferentielCurveArc)->isChecked());
    Ok();
    EXPECT_TRUE(Options->ToolButtonTempsModifierModele);
    EXPECT_TRUE(Options->ToolButtonVecteurCurveArc);
    // Hiding only the damped sine of the formula page lasts for the run; a new start takes the keyless
    // flags from the page's cross-hair tool, which stays shown.
    Box->show();
    Box->ToolButton(&TOptions::ToolButtonFormuleModeleSinusAe)->click();
    Ok();
    EXPECT_TRUE(Options->ToolButtonFormuleModeleSinusAe);
    EXPECT_FALSE(Options->ToolButtonFormuleReticule);
    Restart();
    EXPECT_FALSE(Options->ToolButtonFormuleModeleSinusAe);
    EXPECT_TRUE(Options->ToolButtonVecteurCurveArc); // keyed
}

TEST_F(OptionsDlgFixture, RestoreDefaultsGivesTheDocumentedDefaults)
{
    for (const auto& o : TOptions::BoolOptions())
        (*Options).*o.Field = !o.Default;
    for (const auto& o : TOptions::IntOptions())
        (*Options).*o.Field = o.Default + 1;
    for (const auto& t : TOptions::ToolOptions())
        (*Options).*t.Field = true;
    Options->DefaultDirectory = Dir.path();
    ASSERT_TRUE(Options->Save());
    Restart();
    Box->show();
    Box->findChild<QPushButton*>(QStringLiteral("ButtonRestoreDefaults"))->click();
    Ok();
    QTemporaryDir empty;
    const TOptions defaults(empty.filePath(QStringLiteral("Kinotra.ini")));
    ExpectSameValues(*Options, defaults, "after Restore defaults");
    EXPECT_EQ(Options->EditMRU, 8);
    EXPECT_EQ(Options->TrackingRadius, 40);
    EXPECT_TRUE(Options->CheckBox7SmoothAcceleration);
    EXPECT_FALSE(Options->CheckBox46VectorVideoImage);
    EXPECT_EQ(Options->DefaultDirectory, Dir.path()); // a folder, not a preference: kept
    Restart();
    ExpectSameValues(*Options, defaults, "after a restart");
}

TEST_F(OptionsDlgFixture, ValuesOutsideTheControlsAreUsedUntilTheDialogBoundsThem)
{
    const struct
    {
        const char* Stored;
        int TOptions::*Field;
        int Loaded, Bounded;
    } cases[] = {
        {"TrackingRadius_Value=5", &TOptions::TrackingRadius, 5, 10},
        {"EditMRU_Value=50", &TOptions::EditMRU, 50, 20},
        {"Numerotation_Value=7", &TOptions::Numerotation, 7, 2},
        {"PenSize4Graph_Value=-4", &TOptions::PenSize4Graph, -4, -1},
    };
    for (const auto& c : cases) {
        QFile f(Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("[Options]\n") + c.Stored + "\n");
        f.close();
        Restart();
        EXPECT_EQ((*Options).*c.Field, c.Loaded) << c.Stored;
        Box->show();
        Ok();
        EXPECT_EQ((*Options).*c.Field, c.Bounded) << c.Stored;
        EXPECT_EQ(TOptions(Path).*c.Field, c.Bounded) << c.Stored;
    }
    // Zero for the recent files goes to the lower bound.
    Options->EditMRU = 0;
    Box->show();
    Ok();
    EXPECT_EQ(Options->EditMRU, 1);
}

TEST_F(OptionsDlgFixture, PasswordLockFlow)
{
    // Checking the box and cancelling, or confirming an empty text: no lock.
    for (const std::optional<QString>& answer :
         {std::optional<QString>(), std::optional<QString>(QString())}) {
        Box->show();
        Typed = answer;
        Box->CheckBoxPassword()->click();
        EXPECT_FALSE(Box->CheckBoxPassword()->isChecked());
        Ok();
        EXPECT_FALSE(Options->PasswordLock);
    }
    // A new password: kept as a salted hash, the lock holds after a restart.
    Box->show();
    Typed = QStringLiteral("Kin0tra");
    Box->CheckBoxPassword()->click();
    EXPECT_TRUE(Box->CheckBoxPassword()->isChecked());
    Ok();
    const QString stored = TIniFile(Path).ReadString(SectionOptions, QStringLiteral("Password"), {});
    EXPECT_TRUE(TOptions::IsPasswordHash(stored)) << stored.toStdString();
    EXPECT_FALSE(stored.contains(QStringLiteral("Kin0tra")));
    Restart();
    EXPECT_TRUE(Options->PasswordLock);
    Typed = QStringLiteral("kin0tra"); // one letter in another case
    Messages->Answer(0);
    EXPECT_FALSE(Box->Execute());
    ASSERT_EQ(Messages->Shown.size(), 1u);
    EXPECT_EQ(Messages->Shown[0].Text(), QStringLiteral("Wrong password."));
    Typed.reset(); // cancelled: no message
    EXPECT_FALSE(Box->Execute());
    EXPECT_EQ(Messages->Shown.size(), 1u);

    // Unchecking empties the password at once; closing writes it empty and the next start is free.
    Box->show();
    EXPECT_TRUE(Box->CheckBoxPassword()->isChecked());
    Box->CheckBoxPassword()->click();
    EXPECT_TRUE(Options->Password.isEmpty());
    Box->close();
    Restart();
    EXPECT_FALSE(Options->PasswordLock);
    EXPECT_TRUE(Options->CheckAccess());
}

TEST(PasswordDlg, TypingRule)
{
    const struct
    {
        char16_t Typed;
        int Length;
        bool Accept;
        int OkChange;
    } cases[] = {
        {u'a', 0, true, +1}, {u'Z', 3, true, 0},       {u'7', 0, true, +1},  {u'-', 0, false, 0},
        {u' ', 2, false, 0}, {u'\u00e9', 2, false, 0}, {u'\b', 1, true, -1}, {u'\b', 2, true, 0},
        {u'\r', 4, true, 0}, {u'x', 20, true, 0},      {u'x', 21, false, 0}, {u'\b', 21, false, 0},
    };
    for (const auto& c : cases) {
        const TPasswordKey key = PasswordKeyFilter(QChar(c.Typed), c.Length);
        EXPECT_EQ(key.Accept, c.Accept) << int(c.Typed) << " at " << c.Length;
        EXPECT_EQ(key.OkChange, c.OkChange) << int(c.Typed) << " at " << c.Length;
    }
}

TEST(PasswordDlg, WindowAppliesTheRuleToTypedKeys)
{
    const std::unique_ptr<QDialog> window = TPasswordDlg().Build();
    window->show();
    auto* edit = window->findChild<QLineEdit*>(QStringLiteral("EditPassword"));
    auto* ok = window->findChild<QPushButton*>(QStringLiteral("ButtonOk"));
    auto* cancel = window->findChild<QPushButton*>(QStringLiteral("ButtonAnnuler"));
    ASSERT_TRUE(edit && ok && cancel);
    EXPECT_EQ(cancel->text(), QStringLiteral("&Cancel")); // the interface is English throughout
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    const auto type = [&](int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(edit, &press);
    };
    EXPECT_FALSE(ok->isEnabled());
    type(Qt::Key_Minus, QStringLiteral("-"));
    EXPECT_TRUE(edit->text().isEmpty());
    type(Qt::Key_A, QStringLiteral("a"));
    EXPECT_TRUE(ok->isEnabled());
    type(Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_FALSE(ok->isEnabled());
    for (int i = 0; i < 25; ++i)
        type(Qt::Key_7, QStringLiteral("7"));
    EXPECT_EQ(edit->text(), QString(21, QLatin1Char('7')));
    type(Qt::Key_Backspace, QStringLiteral("\b")); // discarded too at 21 characters
    EXPECT_EQ(edit->text().size(), 21);
    EXPECT_TRUE(ok->isEnabled());
    ok->click();
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(OptionsDlgFixture, OnlyOptionsThatChangeResultsInvalidateThem)
{
    Box->show();
    Box->CheckBox(&TOptions::CheckBox12TimeZoomX)->click();
    Ok();
    EXPECT_EQ(Invalidations, 0);
    Box->show();
    Box->CheckBox(&TOptions::CheckBox36StartByZero)->click();
    Ok();
    EXPECT_EQ(Invalidations, 1);
    Box->show();
    Box->close(); // nothing changed
    EXPECT_EQ(Invalidations, 1);
}

TEST_F(OptionsDlgFixture, AssociationCheckBoxInstallsAndRemovesTheFiles)
{
    const TAssociationFiles files = AssociationFiles(Box->AssociationSetup.DataHome);
    Box->show();
    EXPECT_FALSE(Box->CheckBoxAssociation()->isChecked());
    Box->CheckBoxAssociation()->click();
    Ok();
    EXPECT_TRUE(QFile::exists(files.Desktop));
    EXPECT_TRUE(QFile::exists(files.Mime));
    Box->show();
    EXPECT_TRUE(Box->CheckBoxAssociation()->isChecked());
    Box->CheckBoxAssociation()->click();
    Ok();
    EXPECT_FALSE(QFile::exists(files.Desktop));
    EXPECT_FALSE(QFile::exists(files.Mime));
    EXPECT_TRUE(Messages->Shown.empty());
}

TEST_F(OptionsDlgFixture, AssociationFailureIsReportedAndTheClosingGoesOn)
{
    // The data folder is a file: nothing can be written under it.
    QFile blocker(Box->AssociationSetup.DataHome);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Box->show();
    Box->CheckBoxAssociation()->click();
    Box->CheckBox(&TOptions::CheckBox3ConfirmationQuit)->click();
    Messages->Answer(0);
    Ok();
    ASSERT_EQ(Messages->Shown.size(), 1u);
    EXPECT_EQ(Messages->Shown[0].Icon, icWarning);
    EXPECT_FALSE(Options->CheckBox3ConfirmationQuit);
    EXPECT_EQ(Changes, 1);
}

TEST_F(OptionsDlgFixture, DefaultDirectoryChangeAndDeleteActAtOnce)
{
    Box->show();
    Dialogs = &*DialogsScope;
    Dialogs->FileAnswers.push_back({true, Dir.path(), 1});
    Box->ButtonDefaultDirectoryChangeClick();
    ASSERT_EQ(Dialogs->FileRequests.size(), 1u);
    EXPECT_EQ(Dialogs->FileRequests[0].Kind, TFileDialogKind::Folder);
    EXPECT_EQ(Options->DefaultDirectory, QDir::cleanPath(Dir.path()));
    EXPECT_EQ(Box->EditDefaultDirectory()->text(), Options->DefaultDirectory);
    // The chooser starts there next time; cancelling it keeps the folder.
    Dialogs->FileAnswers.push_back({false, {}, 1});
    Box->ButtonDefaultDirectoryChangeClick();
    EXPECT_EQ(Dialogs->FileRequests[1].InitialDir, Options->DefaultDirectory);
    EXPECT_EQ(Options->DefaultDirectory, QDir::cleanPath(Dir.path()));
    // A folder that does not exist gives an empty folder.
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("gone")), 1});
    Box->ButtonDefaultDirectoryChangeClick();
    EXPECT_TRUE(Options->DefaultDirectory.isEmpty());
    Dialogs->FileAnswers.push_back({true, Dir.path(), 1});
    Box->ButtonDefaultDirectoryChangeClick();
    Box->ButtonDefaultDirectorySupprClick();
    EXPECT_TRUE(Options->DefaultDirectory.isEmpty());
    EXPECT_TRUE(Box->EditDefaultDirectory()->text().isEmpty());
    Ok();
    EXPECT_TRUE(TOptions(Path).DefaultDirectory.isEmpty());
}

TEST_F(OptionsDlgFixture, StatusBarShowsTheLongHintOfTheControl)
{
    Box->show();
    QStatusTipEvent tip(Box->CheckBox(&TOptions::CheckBox3ConfirmationQuit)->statusTip());
    QCoreApplication::sendEvent(Box->CheckBox(&TOptions::CheckBox3ConfirmationQuit), &tip);
    EXPECT_EQ(Box->StatusBar()->currentMessage(), QStringLiteral("Avoid an unwanted exit"));
    EXPECT_EQ(Box->SpinBox(&TOptions::EditMRU)->statusTip(), QStringLiteral("Number of files: 1 to 20"));
    EXPECT_EQ(Box->ComboBox(&TOptions::Numerotation)->itemText(0), QStringLiteral("bellow the point"));
    Box->close();
}
