// The installation rules: `cmake --install` of this build tree into a temporary prefix, directly and
// staged (DESTDIR), gives the program, its help, icon, desktop entry and MIME type in their places.
#include "platform/AssociationChecks.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Runs cmake --install; DESTDIR is set only when destDir is not empty.
void InstallInto(const QString& prefix, const QString& destDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DESTDIR"));
    if (!destDir.isEmpty())
        env.insert(QStringLiteral("DESTDIR"), destDir);
    QProcess cmake;
    cmake.setProcessEnvironment(env);
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start(QStringLiteral(KINOTRA_CMAKE_COMMAND),
                {QStringLiteral("--install"), QStringLiteral(KINOTRA_BINARY_DIR), QStringLiteral("--prefix"),
                 prefix});
    ASSERT_TRUE(cmake.waitForFinished(120000));
    ASSERT_EQ(cmake.exitCode(), 0) << cmake.readAll().toStdString();
}

void CheckInstalledTree(const QString& root)
{
    const QFileInfo program(root + QStringLiteral("/bin/kinotra"));
    EXPECT_TRUE(program.isFile() && program.isExecutable());
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/share/kinotra/help/Help_en.html")).isFile());
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/share/icons/hicolor/scalable/apps/kinotra.svg")).isFile());

    const QString desktop = root + QStringLiteral("/share/applications/kinotra.desktop");
    const QMap<QString, QString> entry = ReadDesktopEntry(desktop);
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("kinotra %f"));
    EXPECT_EQ(entry.value(QStringLiteral("Icon")), QStringLiteral("kinotra"));
    EXPECT_EQ(entry.value(QStringLiteral("MimeType")),
              QStringLiteral("video/x-msvideo;video/mpeg;video/x-ms-wmv;video/quicktime;video/mp4;"
                             "application/x-kinotra-project;"));
    const QString mime = root + QStringLiteral("/share/mime/packages/kinotra.xml");
    EXPECT_EQ(ReadMimeGlobs(mime),
              (QList<QPair<QString, QString>>{
                  {QStringLiteral("application/x-kinotra-project"), QStringLiteral("*.ktr")}}));
    ValidateWith(QStringLiteral("desktop-file-validate"), {desktop});
    ValidateWith(QStringLiteral("xmllint"), {QStringLiteral("--noout"), mime});
}

} // namespace

TEST(Install, CmakeInstallPutsEveryFileInItsPlace)
{
    if (!QFileInfo(QStringLiteral(KINOTRA_PROGRAM_FILE)).isFile())
        GTEST_SKIP() << "the kinotra program is not built in " << KINOTRA_BINARY_DIR;
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const bool mimeTool = !QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty();

    // Direct: the MIME database of the prefix is brought up to date.
    const QString prefix = temp.filePath(QStringLiteral("direct"));
    InstallInto(prefix, {});
    CheckInstalledTree(prefix);
    if (mimeTool) {
        EXPECT_TRUE(
            QFileInfo::exists(prefix + QStringLiteral("/share/mime/application/x-kinotra-project.xml")));
    }

    // Staged, as a package build does: everything under DESTDIR, and no database is generated there.
    const QString stage = temp.filePath(QStringLiteral("stage"));
    InstallInto(QStringLiteral("/usr"), stage);
    CheckInstalledTree(stage + QStringLiteral("/usr"));
    EXPECT_FALSE(QFileInfo::exists(stage + QStringLiteral("/usr/share/mime/mime.cache")));
}
