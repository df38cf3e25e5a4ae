// The table exports: the text form, the clipboard and the text file with its dialog and messages.
#include "export/UnitServeur.h"

#include "common/UnitOptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

struct TServeurFixture
{
    QTemporaryDir Dir;
    TOptions Options{Dir.filePath(QStringLiteral("Kinotra.ini"))};
    TServeur Serveur{Options};
    QString Folder; // the recent-files folder as the main window keeps it

    TServeurFixture()
    {
        Serveur.AddLine(QStringLiteral("t\tx\ty"));
        Serveur.AddLine(QStringLiteral("s\tm\tm/s²"));
        Serveur.AddLine(QStringLiteral("0\t#Number!\t"));
        Serveur.VideoFileName = [] { return QStringLiteral("/videos/free.fall.avi"); };
        Serveur.LastDirectory = [this] { return Folder; };
        Serveur.OnDirectoryChange = [this](const QString& folder) { Folder = folder; };
    }
};

TFileDialogResult Chosen(const QString& fileName)
{
    TFileDialogResult result;
    result.Accepted = true;
    result.FileName = fileName;
    return result;
}

} // namespace

TEST(Serveur, TextFormEndsEveryLineWithCrLf)
{
    TServeurFixture f;
    EXPECT_EQ(f.Serveur.Text(), QStringLiteral("t\tx\ty\r\ns\tm\tm/s²\r\n0\t#Number!\t\r\n"));
    f.Serveur.Clear();
    EXPECT_TRUE(f.Serveur.Lines.isEmpty());
    EXPECT_EQ(f.Serveur.Text(), QString());
}

TEST(Serveur, CopyToClipboardWithAndWithoutMessage)
{
    TScriptedUserDlgScope dlg;
    TServeurFixture f;
    dlg->Answer(0);
    ASSERT_TRUE(f.Serveur.CopyToClipboard(true));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), f.Serveur.Text());
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Icon, icInformation);
    EXPECT_EQ(dlg->Shown[0].Text(),
              QStringLiteral("Copy to clipboard complete. /  / After closing this window, open a "
                             "window and press Ctrl + V (or click Edit > Paste). /  / Columns "
                             "are separated by tabulations."));
    EXPECT_EQ(dlg->Shown[0].ButtonCaptions(), QStringList{QStringLiteral("Ok")});

    f.Serveur.Clear();
    f.Serveur.AddLine(QStringLiteral("again"));
    ASSERT_TRUE(f.Serveur.CopyToClipboard(false));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("again\r\n"));
    EXPECT_EQ(dlg->Shown.size(), 1u);
}

TEST(Serveur, ForcedTxtExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/data/run.dat", "/data/run.txt"}, {"/data/run", "/data/run.txt"},
        {"/data/run.TXT", "/data/run.txt"}, {"/data/my.run.dat", "/data/my.run.txt"},
        {"/data.d/run", "/data.d/run.txt"}, {"/data/.hidden", "/data/.hidden.txt"},
    };
    for (const auto& [given, forced] : cases)
        EXPECT_EQ(TServeur::ForceTxtExtension(QString::fromUtf8(given)).toStdString(), forced);
}

TEST(Serveur, SaveToTextFileAsksWritesAndReports)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    TServeurFixture f;
    const QString folder = f.Dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    f.Folder = QStringLiteral("/last/used");

    // A name typed with another extension is saved as .txt; the folder becomes the recent one.
    dialogs->FileAnswers.push_back(Chosen(folder + QStringLiteral("/table.dat")));
    dlg->Answer(0);
    ASSERT_TRUE(f.Serveur.SaveToTextFile());
    ASSERT_EQ(dialogs->FileRequests.size(), 1u);
    const TFileDialogRequest& request = dialogs->FileRequests[0];
    EXPECT_EQ(request.Kind, TFileDialogKind::Save);
    EXPECT_EQ(request.Title, QStringLiteral("Export to text file"));
    EXPECT_EQ(request.FileName, QStringLiteral("Datasheet_free.fall.txt"));
    EXPECT_EQ(request.DefaultExt, QStringLiteral("txt"));
    EXPECT_EQ(request.Filter, QStringLiteral("Tab separated values (*.txt)|*.txt"));
    EXPECT_EQ(request.InitialDir, QStringLiteral("/last/used"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/table.dat")));
    QFile file(folder + QStringLiteral("/table.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), f.Serveur.Text().toUtf8());
    EXPECT_EQ(f.Folder, folder);
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Icon, icInformation);
    EXPECT_EQ(dlg->Shown[0].Text(),
              QStringLiteral("Save to text file complete. /  / File has TXT extension."));

    // The default folder of the options wins when it exists; cancelling writes nothing and says nothing.
    f.Options.DefaultDirectory = f.Dir.path();
    dialogs->FileAnswers.push_back(TFileDialogResult{});
    EXPECT_FALSE(f.Serveur.SaveToTextFile());
    EXPECT_EQ(dialogs->FileRequests[1].InitialDir, f.Dir.path());
    f.Options.DefaultDirectory = f.Dir.filePath(QStringLiteral("gone"));
    dialogs->FileAnswers.push_back(TFileDialogResult{});
    EXPECT_FALSE(f.Serveur.SaveToTextFile());
    EXPECT_EQ(dialogs->FileRequests[2].InitialDir, folder);
    EXPECT_EQ(dlg->Shown.size(), 1u);

    // A folder that cannot be written: a warning, the recent folder unchanged.
    dialogs->FileAnswers.push_back(Chosen(f.Dir.filePath(QStringLiteral("missing/table.txt"))));
    dlg->Answer(0);
    EXPECT_FALSE(f.Serveur.SaveToTextFile());
    ASSERT_EQ(dlg->Shown.size(), 2u);
    EXPECT_EQ(dlg->Shown[1].Icon, icWarning);
    EXPECT_EQ(dlg->Shown[1].Text(),
              QStringLiteral("The file creation in the selected directory has failed. /  / "
                             "Check your access rights to this directory."));
    EXPECT_EQ(f.Folder, folder);
}

TEST(Serveur, WriteTextFileWithoutDialog)
{
    TServeurFixture f;
    const QString name = f.Dir.filePath(QStringLiteral("kept.txt"));
    ASSERT_TRUE(f.Serveur.WriteTextFile(name));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), f.Serveur.Text());
    EXPECT_FALSE(f.Serveur.WriteTextFile(f.Dir.filePath(QStringLiteral("no/such/folder.txt"))));
}
