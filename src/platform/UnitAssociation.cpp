// The per-user association with project files and videos: desktop entry, MIME package, icon, refresh.
#include "platform/UnitAssociation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <mutex>

// Q_INIT_RESOURCE declares a function of the global namespace, so it is called from here.
static void InitDesktopResources()
{
    Q_INIT_RESOURCE(kinotra_desktop);
}

namespace {

void EnsureResources()
{
    static std::once_flag once;
    std::call_once(once, InitDesktopResources);
}

QByteArray ReadResource(const QString& name)
{
    EnsureResources();
    QFile file(QStringLiteral(":/desktop/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct TSetup
{
    QString DataHome;
    QString ProgramPath;
    TAssociationFiles Files;
};

TSetup Resolve(const TAssociationSetup& setup)
{
    TSetup s;
    s.DataHome = setup.DataHome.isEmpty() ? AssociationDataHome() : QDir::cleanPath(setup.DataHome);
    s.ProgramPath = setup.ProgramPath;
    if (s.ProgramPath.isEmpty() && QCoreApplication::instance())
        s.ProgramPath = QCoreApplication::applicationFilePath();
    s.Files = AssociationFiles(s.DataHome);
    return s;
}

bool HasControlCharacter(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

// Writes a whole file through a temporary file, so that a failure never leaves half a file behind.
bool WriteWholeFile(const QString& path, const QByteArray& content, QString& reason)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        reason = QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        reason =
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

bool Exists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Runs one tool when it is found; an absent tool is no failure. Appends a line to reason on failure.
bool RunTool(const QString& name, const QStringList& arguments, const TAssociationSetup& setup,
             QString& reason)
{
    const QString program = setup.ToolFolders.isEmpty()
                                ? QStandardPaths::findExecutable(name)
                                : QStandardPaths::findExecutable(name, setup.ToolFolders);
    if (program.isEmpty())
        return true;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    QString failure;
    if (!process.waitForStarted(setup.ToolTimeoutMs)) {
        failure = QStringLiteral("%1 could not be started").arg(name);
    } else if (!process.waitForFinished(setup.ToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        failure = QStringLiteral("%1 did not finish within %2 s").arg(name).arg(setup.ToolTimeoutMs / 1000.0);
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString output = QString::fromLocal8Bit(process.readAll()).trimmed().left(300);
        failure = QStringLiteral("%1 failed (exit code %2)").arg(name).arg(process.exitCode());
        if (!output.isEmpty())
            failure += QStringLiteral(": ") + output;
    }
    if (failure.isEmpty())
        return true;
    if (!reason.isEmpty())
        reason += QLatin1Char('\n');
    reason += failure;
    return false;
}

// Brings the MIME, desktop and icon databases of the data folder up to date.
TAssociationResult Refresh(const TSetup& s, const TAssociationSetup& setup)
{
    TAssociationResult result;
    if (!setup.RunTools)
        return result;
    bool ok = true;
    const QString mimeFolder = s.DataHome + QStringLiteral("/mime");
    if (QDir(mimeFolder + QStringLiteral("/packages")).exists())
        ok &= RunTool(QStringLiteral("update-mime-database"), {mimeFolder}, setup, result.Reason);
    const QString applications = s.DataHome + QStringLiteral("/applications");
    if (QDir(applications).exists())
        ok &= RunTool(QStringLiteral("update-desktop-database"), {QStringLiteral("-q"), applications}, setup,
                      result.Reason);
    // Only a cache that already exists is renewed: a new cache in the user's folder would hide the icons
    // that other programs add later without renewing it.
    const QString hicolor = s.DataHome + QStringLiteral("/icons/hicolor");
    if (QFileInfo::exists(hicolor + QStringLiteral("/icon-theme.cache")))
        ok &= RunTool(QStringLiteral("gtk-update-icon-cache"),
                      {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("-f"), hicolor}, setup,
                      result.Reason);
    if (!ok)
        result.Code = acRefreshFailed;
    return result;
}

} // namespace

QString AssociationDataHome()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base);
}

TAssociationFiles AssociationFiles(const QString& dataHome)
{
    const QString base = QDir::cleanPath(dataHome);
    return {base + QStringLiteral("/applications/kinotra.desktop"),
            base + QStringLiteral("/mime/packages/kinotra.xml"),
            base + QStringLiteral("/icons/hicolor/scalable/apps/kinotra.svg")};
}

QString DesktopExecArgument(const QString& program)
{
    // Inside a quoted argument ", `, $ and \ take a backslash, and a literal % is written %%. The value
    // of the key is unescaped before the quoting is read, so every backslash is then written \\.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return quoted;
}

QString DesktopEntryText(const QString& program)
{
    if (program.isEmpty() || HasControlCharacter(program))
        return {};
    QString text = QString::fromUtf8(ReadResource(QStringLiteral("kinotra.desktop.in")));
    text.replace(QStringLiteral("@KINOTRA_EXEC@"), DesktopExecArgument(program));
    return text;
}

QByteArray MimePackageText()
{
    return ReadResource(QStringLiteral("kinotra-mime.xml"));
}

bool AssociationInstalled(const TAssociationSetup& setup)
{
    const TSetup s = Resolve(setup);
    return QFileInfo(s.Files.Desktop).isFile() && QFileInfo(s.Files.Mime).isFile();
}

TAssociationResult InstallAssociation(const TAssociationSetup& setup)
{
    const TSetup s = Resolve(setup);
    const QFileInfo program(s.ProgramPath);
    if (s.ProgramPath.isEmpty() || !program.isFile() || !program.isExecutable())
        return {
            acProgramMissing,
            QStringLiteral("The program file %1 was not found").arg(QDir::toNativeSeparators(s.ProgramPath))};
    const QString entry = DesktopEntryText(program.absoluteFilePath());
    if (entry.isEmpty())
        return {acBadProgramPath,
                QStringLiteral("The program's path cannot be written in a desktop entry: %1")
                    .arg(QDir::toNativeSeparators(s.ProgramPath))};
    const QByteArray mime = MimePackageText();
    const QByteArray icon = ReadResource(QStringLiteral("kinotra.svg"));
    if (mime.isEmpty() || icon.isEmpty())
        return {acWriteFailed, QStringLiteral("The association's files are missing from the program")};

    // The desktop entry goes last: it is what makes the association visible.
    QString reason;
    if (!WriteWholeFile(s.Files.Icon, icon, reason) || !WriteWholeFile(s.Files.Mime, mime, reason) ||
        !WriteWholeFile(s.Files.Desktop, entry.toUtf8(), reason))
        return {acWriteFailed, reason};
    return Refresh(s, setup);
}

TAssociationResult RemoveAssociation(const TAssociationSetup& setup)
{
    const TSetup s = Resolve(setup);
    QString reason;
    for (const QString& path : {s.Files.Desktop, s.Files.Mime, s.Files.Icon}) {
        if (!Exists(path) || QFile::remove(path))
            continue;
        if (!reason.isEmpty())
            reason += QLatin1Char('\n');
        reason += QStringLiteral("Cannot remove %1").arg(QDir::toNativeSeparators(path));
    }
    const TAssociationResult refreshed = Refresh(s, setup);
    if (!reason.isEmpty()) {
        if (!refreshed.Reason.isEmpty())
            reason += QLatin1Char('\n') + refreshed.Reason;
        return {acRemoveFailed, reason};
    }
    return refreshed;
}

TAssociationResult SetAssociation(bool wanted, const TAssociationSetup& setup)
{
    if (wanted)
        return AssociationInstalled(setup) ? TAssociationResult{} : InstallAssociation(setup);
    const TSetup s = Resolve(setup);
    if (!Exists(s.Files.Desktop) && !Exists(s.Files.Mime) && !Exists(s.Files.Icon))
        return {};
    return RemoveAssociation(setup);
}
