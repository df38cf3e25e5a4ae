// Location of the work folder, the settings file and the help pages.
#include "common/UnitFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

QString WorkFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = QDir::cleanPath(base + QStringLiteral("/kinotra"));
    if (!QDir().mkpath(folder))
        return {};
    return folder + QLatin1Char('/');
}

QString SettingsFileName()
{
    const QString folder = WorkFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("Kinotra.ini");
}

QString HelpFolder()
{
    const QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    const QStringList candidates = {exeDir + QStringLiteral("/help/"),
                                    exeDir + QStringLiteral("/../share/kinotra/help/")};
    for (const QString& c : candidates)
        if (QDir(c).exists())
            return QDir::cleanPath(c) + QLatin1Char('/');
    return candidates.first();
}
