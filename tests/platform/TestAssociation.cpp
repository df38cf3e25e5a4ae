// The per-user association: the files written into a private data folder, their contents, removal,
// the check box rule, quoting of the program's path, failures and the database tools.
#include "platform/UnitAssociation.h"

#include "platform/AssociationChecks.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QString ExpectedMimeTypes = QStringLiteral("video/x-msvideo;video/mpeg;video/x-ms-wmv;video/quicktime;"
                                                 "video/mp4;application/x-kinotra-project;");

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Writes an executable shell script.
void WriteScript(const QString& path, const QByteArray& body)
{
    ASSERT_TRUE(WriteAll(path, "#!/bin/sh\n" + body + "\n"));
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

class Association : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FTemp.isValid());
        FSetup.DataHome = FTemp.filePath(QStringLiteral("share"));
        FSetup.ProgramPath = QCoreApplication::applicationFilePath();
        // No outside tool unless a test asks for one: an empty folder to search.
        FSetup.ToolFolders = {FTemp.filePath(QStringLiteral("no-tools"))};
        FFiles = AssociationFiles(FSetup.DataHome);
    }

    QTemporaryDir FTemp;
    TAssociationSetup FSetup;
    TAssociationFiles FFiles;
};

} // namespace

TEST_F(Association, InstallWritesValidFilesAndRemoveTakesThemAway)
{
    FSetup.ToolFolders.clear(); // the real tools of the PATH, when there are any
    ASSERT_FALSE(AssociationInstalled(FSetup));
    const TAssociationResult installed = InstallAssociation(FSetup);
    ASSERT_TRUE(installed.Ok()) << installed.Reason.toStdString();
    EXPECT_TRUE(AssociationInstalled(FSetup));

    const QMap<QString, QString> entry = ReadDesktopEntry(FFiles.Desktop);
    EXPECT_EQ(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(entry.value(QStringLiteral("Name")), QStringLiteral("Kinotra"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")),
              QLatin1Char('"') + QCoreApplication::applicationFilePath() + QStringLiteral("\" %f"));
    EXPECT_EQ(entry.value(QStringLiteral("MimeType")), ExpectedMimeTypes);
    EXPECT_EQ(entry.value(QStringLiteral("Icon")), QStringLiteral("kinotra"));
    const QList<QPair<QString, QString>> globs = ReadMimeGlobs(FFiles.Mime);
    EXPECT_EQ(globs, (QList<QPair<QString, QString>>{{KtrMimeType, QStringLiteral("*.ktr")}}));
    EXPECT_EQ(ReadAll(FFiles.Icon),
              ReadAll(QStringLiteral(KINOTRA_SOURCE_DIR "/resources/icons/Kinotra.svg")));
    ValidateWith(QStringLiteral("desktop-file-validate"), {FFiles.Desktop});
    ValidateWith(QStringLiteral("xmllint"), {QStringLiteral("--noout"), FFiles.Mime});

    // The MIME database of the data folder knows the type once its tool has run.
    const QString typeFile = FSetup.DataHome + QStringLiteral("/mime/application/x-kinotra-project.xml");
    const bool mimeTool = !QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty();
    if (mimeTool) {
        EXPECT_TRUE(QFileInfo::exists(typeFile));
    }

    // Installing again replaces the files by the same ones and leaves nothing else beside them.
    const QByteArray desktopBefore = ReadAll(FFiles.Desktop);
    ASSERT_TRUE(InstallAssociation(FSetup).Ok());
    EXPECT_EQ(ReadAll(FFiles.Desktop), desktopBefore);
    const QStringList apps = QDir(QFileInfo(FFiles.Desktop).absolutePath()).entryList(QDir::Files);
    EXPECT_TRUE(apps.contains(QStringLiteral("kinotra.desktop"))) << apps.join(' ').toStdString();
    for (const QString& name : apps)
        EXPECT_TRUE(name == QStringLiteral("kinotra.desktop") || name == QStringLiteral("mimeinfo.cache"))
            << name.toStdString();

    for (int round = 0; round < 2; ++round) { // removing twice is no error
        const TAssociationResult removed = RemoveAssociation(FSetup);
        ASSERT_TRUE(removed.Ok()) << removed.Reason.toStdString();
        EXPECT_FALSE(AssociationInstalled(FSetup));
        for (const QString& path : {FFiles.Desktop, FFiles.Mime, FFiles.Icon})
            EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    }
    if (mimeTool) {
        EXPECT_FALSE(QFileInfo::exists(typeFile));
    }
}

TEST_F(Association, CheckBoxInstallsOrRemovesOnlyWhenTheStateDiffers)
{
    // Installed and wanted: the files are left as they are (a marker survives).
    ASSERT_TRUE(InstallAssociation(FSetup).Ok());
    ASSERT_TRUE(WriteAll(FFiles.Desktop, "[Desktop Entry]\nName=marker\n"));
    ASSERT_TRUE(SetAssociation(true, FSetup).Ok());
    EXPECT_EQ(ReadAll(FFiles.Desktop), QByteArray("[Desktop Entry]\nName=marker\n"));

    // Absent and not wanted: nothing is created, not even the data folder.
    TAssociationSetup elsewhere = FSetup;
    elsewhere.DataHome = FTemp.filePath(QStringLiteral("untouched"));
    ASSERT_TRUE(SetAssociation(false, elsewhere).Ok());
    EXPECT_FALSE(QFileInfo::exists(elsewhere.DataHome));

    // A half association (the desktop entry lost) counts as absent: wanting it writes it again, and not
    // wanting one removes what was left.
    ASSERT_TRUE(QFile::remove(FFiles.Desktop));
    EXPECT_FALSE(AssociationInstalled(FSetup));
    ASSERT_TRUE(SetAssociation(true, FSetup).Ok());
    EXPECT_TRUE(AssociationInstalled(FSetup));
    ASSERT_TRUE(QFile::remove(FFiles.Desktop));
    ASSERT_TRUE(SetAssociation(false, FSetup).Ok());
    EXPECT_FALSE(QFileInfo::exists(FFiles.Mime));
    EXPECT_FALSE(QFileInfo::exists(FFiles.Icon));
}

TEST(AssociationExec, ProgramPathIsQuotedForTheExecLine)
{
    const struct
    {
        const char* Program;
        const char* Exec;
    } cases[] = {
        {"/usr/bin/kinotra", R"("/usr/bin/kinotra")"},
        {"/home/a b/kinotra", R"("/home/a b/kinotra")"},
        {"/opt/$HOME/kinotra", R"("/opt/\\$HOME/kinotra")"},
        {"/opt/say\"hi\"/kinotra", R"("/opt/say\\"hi\\"/kinotra")"},
        {"/opt/`id`/kinotra", R"("/opt/\\`id\\`/kinotra")"},
        {"/opt/back\\slash/kinotra", R"("/opt/back\\\\slash/kinotra")"},
        {"/opt/100%/kinotra", R"("/opt/100%%/kinotra")"},
        {"/opt/é;&|<>'*?#()~/kinotra", R"("/opt/é;&|<>'*?#()~/kinotra")"},
    };
    for (const auto& c : cases) {
        const QString program = QString::fromUtf8(c.Program);
        EXPECT_EQ(DesktopExecArgument(program), QString::fromUtf8(c.Exec)) << c.Program;
        EXPECT_TRUE(DesktopEntryText(program).contains(QStringLiteral("\nExec=") + QString::fromUtf8(c.Exec) +
                                                       QStringLiteral(" %f\n")))
            << c.Program;
    }
    // A line break or another control character cannot be carried by a desktop entry.
    for (const char* program : {"/opt/a\nb/kinotra", "/opt/a\tb/kinotra", "/opt/a\rb/kinotra"})
        EXPECT_TRUE(DesktopEntryText(QString::fromUtf8(program)).isEmpty());
}

TEST_F(Association, FailuresGiveACodeAndAReason)
{
    // The program file missing: nothing is written.
    {
        TAssociationSetup setup = FSetup;
        setup.ProgramPath = FTemp.filePath(QStringLiteral("gone/kinotra"));
        const TAssociationResult r = InstallAssociation(setup);
        EXPECT_EQ(r.Code, acProgramMissing);
        EXPECT_TRUE(r.Reason.contains(setup.ProgramPath)) << r.Reason.toStdString();
        EXPECT_FALSE(QFileInfo::exists(FSetup.DataHome));
    }
    // A program whose path cannot go into a desktop entry.
    {
        TAssociationSetup setup = FSetup;
        setup.ProgramPath = FTemp.filePath(QStringLiteral("line\nbreak"));
        WriteScript(setup.ProgramPath, "exit 0");
        EXPECT_EQ(InstallAssociation(setup).Code, acBadProgramPath);
        EXPECT_FALSE(QFileInfo::exists(FSetup.DataHome));
    }
    // A data folder that cannot be created (a file stands in its way; permissions would not stop root).
    {
        TAssociationSetup setup = FSetup;
        ASSERT_TRUE(WriteAll(FTemp.filePath(QStringLiteral("plain-file")), "x"));
        setup.DataHome = FTemp.filePath(QStringLiteral("plain-file/share"));
        const TAssociationResult r = InstallAssociation(setup);
        EXPECT_EQ(r.Code, acWriteFailed);
        EXPECT_TRUE(r.Reason.startsWith(QStringLiteral("Cannot create the folder")))
            << r.Reason.toStdString();
        EXPECT_FALSE(AssociationInstalled(setup));
    }
    // A folder in the place of the desktop entry: writing fails, and so does removing it, while the other
    // files are still removed.
    {
        ASSERT_TRUE(QDir().mkpath(FFiles.Desktop));
        const TAssociationResult written = InstallAssociation(FSetup);
        EXPECT_EQ(written.Code, acWriteFailed);
        EXPECT_TRUE(written.Reason.contains(FFiles.Desktop)) << written.Reason.toStdString();
        EXPECT_FALSE(AssociationInstalled(FSetup));
        const TAssociationResult removed = SetAssociation(false, FSetup);
        EXPECT_EQ(removed.Code, acRemoveFailed);
        EXPECT_TRUE(removed.Reason.contains(FFiles.Desktop)) << removed.Reason.toStdString();
        EXPECT_FALSE(QFileInfo::exists(FFiles.Mime));
        EXPECT_FALSE(QFileInfo::exists(FFiles.Icon));
    }
}

TEST_F(Association, DatabaseToolsRunOnTheDataFolder)
{
    // Stand-in tools that log their name and arguments.
    const QString tools = FTemp.filePath(QStringLiteral("tools"));
    const QString log = FTemp.filePath(QStringLiteral("tools.log"));
    for (const char* name : {"update-mime-database", "update-desktop-database", "gtk-update-icon-cache"})
        WriteScript(tools + QLatin1Char('/') + QLatin1String(name),
                    "echo \"$(basename \"$0\") $*\" >> '" + log.toUtf8() + "'");
    FSetup.ToolFolders = {tools};

    ASSERT_TRUE(InstallAssociation(FSetup).Ok());
    const QString home = FSetup.DataHome;
    EXPECT_EQ(QString::fromUtf8(ReadAll(log)),
              QStringLiteral("update-mime-database %1/mime\nupdate-desktop-database -q %1/applications\n")
                  .arg(home));
    // The icon cache is renewed only where one exists already.
    ASSERT_TRUE(WriteAll(home + QStringLiteral("/icons/hicolor/icon-theme.cache"), "cache"));
    ASSERT_TRUE(QFile::remove(log));
    ASSERT_TRUE(RemoveAssociation(FSetup).Ok());
    EXPECT_EQ(QString::fromUtf8(ReadAll(log)),
              QStringLiteral("update-mime-database %1/mime\nupdate-desktop-database -q %1/applications\n"
                             "gtk-update-icon-cache -q -t -f %1/icons/hicolor\n")
                  .arg(home));
}

TEST_F(Association, FailingOrHangingToolIsReportedAndTheFilesStay)
{
    const struct
    {
        const char* Body;
        const char* InReason;
    } cases[] = {
        {"echo 'broken database' >&2; exit 3", "update-mime-database failed (exit code 3): broken database"},
        {"exec sleep 30", "update-mime-database did not finish within 0.3 s"},
    };
    for (const auto& c : cases) {
        const QString tools = FTemp.filePath(QStringLiteral("tools-%1").arg(&c - cases));
        WriteScript(tools + QStringLiteral("/update-mime-database"), c.Body);
        TAssociationSetup setup = FSetup;
        setup.ToolFolders = {tools};
        setup.ToolTimeoutMs = 300;
        QElapsedTimer clock;
        clock.start();
        const TAssociationResult r = InstallAssociation(setup);
        EXPECT_LT(clock.elapsed(), 5000) << c.Body;
        EXPECT_EQ(r.Code, acRefreshFailed) << c.Body;
        EXPECT_TRUE(r.Reason.contains(QString::fromUtf8(c.InReason))) << r.Reason.toStdString();
        EXPECT_TRUE(AssociationInstalled(setup));
    }
}

TEST(AssociationDataHome, XdgDataHomeWhenAbsoluteElseLocalShare)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const struct
    {
        const char* Value;
        QString Expected;
    } cases[] = {
        {"/tmp/data/", QStringLiteral("/tmp/data")},
        {"relative/data", QDir::homePath() + QStringLiteral("/.local/share")},
        {"", QDir::homePath() + QStringLiteral("/.local/share")},
    };
    for (const auto& c : cases) {
        qputenv("XDG_DATA_HOME", c.Value);
        EXPECT_EQ(AssociationDataHome(), c.Expected) << c.Value;
    }
    if (wasSet)
        qputenv("XDG_DATA_HOME", saved);
    else
        qunsetenv("XDG_DATA_HOME");
}
