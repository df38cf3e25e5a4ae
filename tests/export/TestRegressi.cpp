// The Regressi export: finding Regressi through the settings file, the questions about the number of
// variables and the non-defined values, the launch through wine, and the text put on the clipboard.
#include "export/UnitServeur.h"

#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

const QStringList Header = {QStringLiteral("/opt/kinotra/kinotra"),
                            QStringLiteral("3/5/24 2:07:09 PM"),
                            QStringLiteral("Grid rotation in the trigonometric direction : 0 rad"),
                            QStringLiteral("t\tx\ty"),
                            QStringLiteral("s\tm\tm"),
                            QStringLiteral("time\tAbscissa\tOrdinates")};

struct TRegressiFixture
{
    QTemporaryDir Dir;
    TOptions Options{Dir.filePath(QStringLiteral("Kinotra.ini"))};
    TServeur Serveur{Options};
    QString Regressi = Dir.filePath(QStringLiteral("Regressi.exe"));
    QString Wine = QStringLiteral("/usr/bin/wine");
    bool Starts = true;
    struct TStart
    {
        QString Program;
        QStringList Arguments;
        QString Folder;
    };
    std::vector<TStart> Started;

    TRegressiFixture()
    {
        QFile exe(Regressi);
        EXPECT_TRUE(exe.open(QIODevice::WriteOnly));
        Serveur.FindExecutable = [this](const QString& name) {
            return name == QStringLiteral("wine") ? Wine : QString();
        };
        Serveur.StartProgram = [this](const QString& program, const QStringList& arguments,
                                      const QString& folder) {
            Started.push_back({program, arguments, folder});
            return Starts;
        };
        Serveur.SearchFile = [](const QString&, const std::function<void(const QString&)>&) {
            ADD_FAILURE() << "unexpected file search";
        };
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    }
};

QString FirstLines(const TScriptedUserDlg& dlg)
{
    QStringList firsts;
    for (const TUserMessage& message : dlg.Shown)
        firsts << message.Lines.at(0).Text;
    return firsts.join(QLatin1Char('|'));
}

} // namespace

TEST(Regressi, ExportCases)
{
    const QString tooMany = QStringLiteral("Regressi does not accept more than 16 variables.");
    const QString undefined = QStringLiteral("The datasheet contains non defined values.");
    const QString launch = QStringLiteral("An error occurred while launching Regressi.");
    constexpr int Close = NoButtonPressed;
    struct Case
    {
        const char* Name;
        int Variables;
        QStringList Data; // the data lines
        std::vector<int> Answers;
        QStringList Messages; // first line of each message, in order
        bool Launched;
        QStringList Sent; // the data lines on the clipboard; empty: the clipboard is untouched
        QString Wine = QStringLiteral("/usr/bin/wine");
        bool Starts = true;
    };
    const QStringList full = {QStringLiteral("0\t1\t2"), QStringLiteral("1\t2\t3")};
    const Case cases[] = {
        {"16 variables go without a question", 16, full, {}, {}, true, full},
        {"17 variables ask, Ok goes on", 17, full, {1}, {tooMany}, true, full},
        {"17 variables ask, Cancel stops", 17, full, {0}, {tooMany}, false, {}},
        {"17 variables, a closed box stops", 17, full, {Close}, {tooMany}, false, {}},
        {"a line ending with a TAB holds an empty cell",
         3,
         {QStringLiteral("0\t1\t"), QStringLiteral("1\t2\t3")},
         {0},
         {undefined},
         true,
         {QStringLiteral("0\t1\t"), QStringLiteral("1\t2\t3")}},
        {"Continue asks again at the next line with an empty cell",
         3,
         {QStringLiteral("0\t\t1"), QStringLiteral("1\t2\t3"), QStringLiteral("2\t3\t")},
         {0, 0},
         {undefined, undefined},
         true,
         {QStringLiteral("0\t\t1"), QStringLiteral("1\t2\t3"), QStringLiteral("2\t3\t")}},
        {"Substitute fills that line and every following one",
         4,
         {QStringLiteral("0\t1\t2\t3"), QStringLiteral("1\t\t\t3"), QStringLiteral("2\t3\t4\t")},
         {1},
         {undefined},
         true,
         {QStringLiteral("0\t1\t2\t3"), QStringLiteral("1\t0\t0\t3"), QStringLiteral("2\t3\t4\t0")}},
        {"Continue, then Substitute from the second line",
         3,
         {QStringLiteral("0\t\t1"), QStringLiteral("1\t\t2"), QStringLiteral("\t\t3")},
         {0, 1},
         {undefined, undefined},
         true,
         {QStringLiteral("0\t\t1"), QStringLiteral("1\t0\t2"), QStringLiteral("0\t0\t3")}},
        {"a closed question continues",
         3,
         {QStringLiteral("0\t\t1")},
         {Close},
         {undefined},
         true,
         {QStringLiteral("0\t\t1")}},
        {"without wine Regressi cannot start", 3, full, {0}, {launch}, false, {}, QString()},
        {"a program that does not start",
         3,
         full,
         {0},
         {launch},
         false,
         {},
         QStringLiteral("/usr/bin/wine"),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRegressiFixture f;
        ASSERT_TRUE(f.Serveur.SetRegressiPath(f.Regressi));
        f.Wine = c.Wine;
        f.Starts = c.Starts;
        f.Serveur.Lines = Header + c.Data;
        TScriptedUserDlgScope dlg;
        for (int answer : c.Answers)
            dlg->Answer(answer);
        QStringList messages = c.Messages;
        if (c.Launched) { // the data wait on the clipboard and the user is told to paste them
            dlg->Answer(0);
            messages << QStringLiteral("Regressi opens with an empty document.");
        }

        EXPECT_EQ(f.Serveur.ExportToRegressi(c.Variables), c.Launched);
        EXPECT_EQ(FirstLines(*dlg), messages.join(QLatin1Char('|')));
        EXPECT_TRUE(dlg->Unexpected.empty());
        EXPECT_TRUE(dlg->Answers.empty());
        if (c.Launched) {
            ASSERT_EQ(f.Started.size(), 1u);
            EXPECT_EQ(f.Started[0].Program, c.Wine);
            EXPECT_EQ(f.Started[0].Arguments, QStringList({f.Regressi}));
            EXPECT_EQ(f.Started[0].Folder, f.Dir.path());
        }
        if (c.Sent.isEmpty()) {
            EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
        } else {
            // The date line is emptied; the rest goes as it stands, CR LF after every line.
            QStringList expected = Header + c.Sent;
            expected[1].clear();
            EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
                      (expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toStdString());
        }
    }
}

TEST(Regressi, TheQuestionsAsShown)
{
    TRegressiFixture f;
    ASSERT_TRUE(f.Serveur.SetRegressiPath(f.Regressi));
    f.Serveur.Lines = Header + QStringList{QStringLiteral("0\t\t1")};
    TScriptedUserDlgScope dlg;
    dlg->Answer(1);
    dlg->Answer(0);
    dlg->Answer(0);
    ASSERT_TRUE(f.Serveur.ExportToRegressi(17));
    ASSERT_EQ(dlg->Shown.size(), 3u);
    EXPECT_EQ(dlg->Shown[0].Icon, icInformation);
    EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("Regressi does not accept more than 16 variables. / "
                                                   "This could produce random results."));
    EXPECT_EQ(dlg->Shown[0].ButtonCaptions(), QStringList({QStringLiteral("Cancel"), QStringLiteral("Ok")}));
    EXPECT_EQ(dlg->Shown[1].Icon, icWarning);
    EXPECT_EQ(dlg->Shown[1].Text(),
              QStringLiteral("The datasheet contains non defined values. / An old version "
                             "of Regressi could misinterpret these data. / Substitute "
                             "non defined values by zeros?"));
    EXPECT_EQ(dlg->Shown[1].ButtonCaptions(),
              QStringList({QStringLiteral("Continue"), QStringLiteral("Substitute")}));
    // Regressi opens empty: the user is told where the data are and how to bring them in.
    EXPECT_EQ(dlg->Shown[2].Icon, icInformation);
    EXPECT_EQ(dlg->Shown[2].Text(),
              QStringLiteral("Regressi opens with an empty document. / The datasheet is on "
                             "the clipboard: paste it into Regressi (Ctrl+V)."));
    EXPECT_EQ(dlg->Shown[2].ButtonCaptions(), QStringList({QStringLiteral("Ok")}));
}

TEST(Regressi, NotFoundOffersTheSearchAndStoresWhatItFinds)
{
    struct Case
    {
        const char* Name;
        const char* Stored; // relative to the fixture's folder; "" none
        int Answer;         // to the "not found" message
        bool Searched;
    };
    const Case cases[] = {
        {"nothing stored, Ok", "", 0, true},
        {"a missing file, Ok", "gone/Regressi.exe", 0, true},
        {"another program, Cancel", "Kinotra.ini", 1, false},
        {"nothing stored, box closed", "", NoButtonPressed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRegressiFixture f;
        const QString stored = *c.Stored ? f.Dir.filePath(QString::fromLatin1(c.Stored)) : QString();
        ASSERT_TRUE(f.Serveur.SetRegressiPath(stored));
        f.Serveur.Lines = Header;
        QString filter;
        f.Serveur.SearchFile = [&](const QString& mask, const std::function<void(const QString&)>& found) {
            filter = mask;
            found(f.Regressi);
        };
        TScriptedUserDlgScope dlg;
        dlg->Answer(c.Answer);
        EXPECT_FALSE(f.Serveur.ExportToRegressi(3));
        ASSERT_EQ(dlg->Shown.size(), 1u);
        EXPECT_EQ(dlg->Shown[0].Icon, icInformation);
        EXPECT_EQ(
            dlg->Shown[0].Text(),
            QStringLiteral("The copy was canceled because Regressi is not found. / Please follow the "
                           "procedure: /     use the « Search » button in the next window /     if search "
                           "is successful, use the button « Open » / Finally, restart the canceled copy "
                           "(Edit > Copy and launch > Regressi)."));
        EXPECT_EQ(dlg->Shown[0].ButtonCaptions(),
                  QStringList({QStringLiteral("Ok"), QStringLiteral("Cancel")}));
        EXPECT_TRUE(f.Started.empty());
        EXPECT_EQ(filter, c.Searched ? QStringLiteral("Regressi.exe|Regressi.exe") : QString());
        // The key is emptied, then holds what the search found.
        EXPECT_EQ(f.Serveur.RegressiPath(), c.Searched ? f.Regressi : QString());
        EXPECT_TRUE(TIniFile(f.Options.SettingsFile())
                        .ValueExists(QStringLiteral("ResultsForm"), QStringLiteral("Regressi")));
    }
}

TEST(Regressi, WithoutTheSearchWindowTheOpenDialogFindsIt)
{
    TRegressiFixture f;
    f.Serveur.SearchFile = nullptr;
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    dlg->Answer(0);
    TFileDialogResult chosen;
    chosen.Accepted = true;
    chosen.FileName = f.Regressi;
    dialogs->FileAnswers.push_back(chosen);
    EXPECT_FALSE(f.Serveur.ExportToRegressi(3));
    ASSERT_EQ(dialogs->FileRequests.size(), 1u);
    EXPECT_EQ(dialogs->FileRequests[0].Filter, QStringLiteral("Regressi.exe|Regressi.exe"));
    EXPECT_EQ(f.Serveur.RegressiPath(), f.Regressi);

    // Found, the next export goes through; the name is compared without regard to case.
    const QString lower = f.Dir.filePath(QStringLiteral("regressi.EXE"));
    ASSERT_TRUE(QFile::rename(f.Regressi, lower));
    ASSERT_TRUE(f.Serveur.SetRegressiPath(lower));
    f.Serveur.Lines = Header;
    dlg->Answer(0); // the note about pasting
    EXPECT_TRUE(f.Serveur.ExportToRegressi(3));
    EXPECT_EQ(f.Started.size(), 1u);
}

TEST(Regressi, EmptyCellsOfALine)
{
    struct Case
    {
        const char* Line;
        bool Empty;
        const char* Filled;
    };
    const Case cases[] = {
        {"1\t2\t3", false, "1\t2\t3"},         {"1\t\t3", true, "1\t0\t3"},      {"1\t2\t", true, "1\t2\t0"},
        {"\t2\t3", true, "0\t2\t3"},           {"1\t\t\t4", true, "1\t0\t0\t4"}, {"", true, "0"},
        {"#Number!\t2", false, "#Number!\t2"},
    };
    for (const Case& c : cases) {
        QStringList lines = {QString::fromUtf8(c.Line)};
        EXPECT_EQ(TServeur::LineWithEmptyCell(lines, 0), c.Empty ? 0 : -1) << c.Line;
        TServeur::FillEmptyCells(lines, 0);
        EXPECT_EQ(lines[0].toStdString(), c.Filled);
    }
}
