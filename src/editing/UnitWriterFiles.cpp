// The temporary file a video writer fills beside its destination, and the rename that finishes it.
#include "editing/UnitWriterFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

QString CreateTempBeside(const QString& destination, QString& error)
{
    const QFileInfo info(destination);
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("%1 is not a file.").arg(destination);
        return {};
    }
    const QDir folder(info.absolutePath());
    for (int n = 0; n < 100; ++n) {
        const QString name = folder.filePath(
            QStringLiteral("~%1%2.part").arg(info.fileName(), n == 0 ? QString() : QString::number(n)));
        QFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return name;
        if (!QFileInfo::exists(name)) {
            error = file.errorString();
            return {};
        }
    }
    error = QStringLiteral("No temporary file can be made in %1.").arg(folder.path());
    return {};
}

bool ReplaceWithTemp(const QString& temp, const QString& destination, QString& error)
{
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(temp).toStdString()),
                            std::filesystem::path(QFile::encodeName(destination).toStdString()), code);
    if (code) {
        error = QString::fromLocal8Bit(code.message().c_str());
        return false;
    }
    return true;
}
