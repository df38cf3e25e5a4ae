// The way out of the program for tables: the clipboard, tab-separated text files, spreadsheet files
// opened by the desktop, and the outside program Regressi.
#include "export/UnitServeur.h"

#include "common/UnitDialogs.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"
#include "export/UnitSpreadsheet.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace {
// Lines of a datasheet are usually a few hundred; the list starts large enough for most.
constexpr int InitialCapacity = 1024;

// Where the settings file keeps Regressi's path.
const QString SectionResultsForm = QStringLiteral("ResultsForm");
const QString KeyRegressi = QStringLiteral("Regressi");
const QString RegressiFilter = QStringLiteral("Regressi.exe|Regressi.exe");
} // namespace

TServeur::TServeur(const TOptions& options) : FOptions(options)
{
    Lines.reserve(InitialCapacity);
    OpenDocument = [](const QString& fileName) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
    };
    StartProgram = [](const QString& program, const QStringList& arguments, const QString& folder) {
        return QProcess::startDetached(program, arguments, folder);
    };
    FindExecutable = [](const QString& name) { return QStandardPaths::findExecutable(name); };
    ApplicationName = [](const QString& fileName) { return DesktopApplicationName(fileName); };
}

void TServeur::Clear()
{
    Lines.clear();
    Lines.reserve(InitialCapacity);
}

void TServeur::AddLine(const QString& text)
{
    Lines.append(text);
}

QString TServeur::Text() const
{
    QString text;
    for (const QString& line : Lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return text;
}

bool TServeur::CopyToClipboard(bool showMessage)
{
    const QString text = Text();
    QClipboard* clipboard =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    bool done = false;
    if (clipboard) {
        clipboard->setText(text);
        // A clipboard that refused the text (no owner on the display) answers something else.
        done = clipboard->text() == text;
    }
    TUserDlg& dlg = TUserDlg::Instance();
    if (!done) {
        dlg.Begin(icWarning)
            .Line(QStringLiteral("The file copy to the clipboard has failed."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    if (showMessage)
        dlg.Begin(icInformation)
            .Line(QStringLiteral("Copy to clipboard complete."))
            .Blank()
            .Line(
                QStringLiteral("After closing this window, open a window and press Ctrl + V (or click Edit > "
                               "Paste)."))
            .Blank()
            .Line(QStringLiteral("Columns are separated by tabulations."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
    return true;
}

QString TServeur::ForceTxtExtension(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString name = info.fileName();
    // Only a dot in the file's own name starts an extension; a leading dot names a hidden file.
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const int cut = fileName.size() - name.size();
    return fileName.left(cut) + base + QStringLiteral(".txt");
}

QString TServeur::InitialFolder(const QString& defaultDirectory, const QString& lastFolder)
{
    if (!defaultDirectory.isEmpty() && QFileInfo(defaultDirectory).isDir())
        return defaultDirectory;
    if (!lastFolder.isEmpty())
        return lastFolder;
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

bool TServeur::WriteTextFile(const QString& fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = Text().toLocal8Bit();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool TServeur::SaveToTextFile()
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Save;
    request.Title = QStringLiteral("Export to text file");
    request.FileName = ProposedFileName(QStringLiteral("txt"));
    request.DefaultExt = QStringLiteral("txt");
    request.Filter = QStringLiteral("Tab separated values (*.txt)|*.txt");
    request.FilterIndex = 1;
    request.InitialDir =
        InitialFolder(FOptions.DefaultDirectory, LastDirectory ? LastDirectory() : QString());
    const TFileDialogResult answer = TDialogService::Instance().FileDialog(request);
    if (!answer.Accepted || answer.FileName.isEmpty())
        return false;

    const QString fileName = ForceTxtExtension(answer.FileName);
    TUserDlg& dlg = TUserDlg::Instance();
    if (!WriteTextFile(fileName)) {
        dlg.Begin(icWarning)
            .Line(QStringLiteral("The file creation in the selected directory has failed."))
            .Blank()
            .Line(QStringLiteral("Check your access rights to this directory."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    if (OnDirectoryChange)
        OnDirectoryChange(QFileInfo(fileName).absolutePath());
    dlg.Begin(icInformation)
        .Line(QStringLiteral("Save to text file complete."))
        .Blank()
        .Line(QStringLiteral("File has TXT extension."))
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
    return true;
}

QString TServeur::ProposedFileName(const QString& extension) const
{
    const QString video = VideoFileName ? VideoFileName() : QString();
    return QStringLiteral("Datasheet_") + QFileInfo(video).completeBaseName() + QLatin1Char('.') + extension;
}

// ---------------------------------------------------------------------------------------------------
// Spreadsheets

QString TServeur::SpreadsheetFolder() const
{
    if (!ExportFolder.isEmpty())
        return ExportFolder;
    const QString last = LastDirectory ? LastDirectory() : QString();
    const QString folder =
        InitialFolder(FOptions.DefaultDirectory, QFileInfo(last).isDir() ? last : QString());
    if (QFileInfo(folder).isDir())
        return folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString TServeur::SpreadsheetFileName(const QString& extension) const
{
    const QDir folder(SpreadsheetFolder());
    const QString proposed = ProposedFileName(extension);
    const QString base = proposed.left(proposed.size() - extension.size() - 1);
    QString name = folder.filePath(proposed);
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = folder.filePath(base + QStringLiteral("_%1.").arg(n) + extension);
    return name;
}

bool TServeur::ExportSpreadsheet(const TMatriceStr& matrix, const QString& extension,
                                 int (*write)(const TMatriceStr&, const QString&))
{
    const QString fileName = SpreadsheetFileName(extension);
    TUserDlg& dlg = TUserDlg::Instance();
    const int written = write(matrix, fileName);
    if (written != swOk) {
        QString reason = SpreadsheetErrorText(written);
        reason[0] = reason[0].toUpper();
        dlg.Begin(icWarning)
            .Line(QStringLiteral("The datasheet could not be written to the file:"))
            .Blank()
            .Line(QDir::toNativeSeparators(fileName), true, clBlue)
            .Blank()
            .Line(reason + QLatin1Char('.'))
            .Line(QStringLiteral("Check your access rights to this directory, or choose another default "
                                 "directory in the options."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    if (OnDirectoryChange)
        OnDirectoryChange(QFileInfo(fileName).absolutePath());
    const bool opened = OpenDocument && OpenDocument(fileName);
    const QString application = opened && ApplicationName ? ApplicationName(fileName) : QString();
    dlg.Begin(opened ? icInformation : icWarning)
        .Line(QStringLiteral("The datasheet was saved to the file:"))
        .Blank()
        .Line(QDir::toNativeSeparators(fileName), true, clBlue)
        .Blank();
    if (!opened)
        dlg.Line(QStringLiteral("No application could open it: open it from your spreadsheet program."));
    else if (application.isEmpty())
        dlg.Line(QStringLiteral("It was handed to the application that opens .%1 files.").arg(extension));
    else
        dlg.Line(QStringLiteral("It was opened with %1.").arg(application));
    dlg.Button(QStringLiteral("Ok"), btOk).Execute();
    return opened;
}

bool TServeur::ExportToExcel(const TMatriceStr& matrix)
{
    return ExportSpreadsheet(matrix, QStringLiteral("xlsx"), &WriteXlsxFile);
}

bool TServeur::ExportToOpenOffice(const TMatriceStr& matrix)
{
    return ExportSpreadsheet(matrix, QStringLiteral("ods"), &WriteOdsFile);
}

QString DesktopApplicationName(const QString& fileName)
{
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    const QString mime = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension).name();
    if (query.isEmpty() || mime.isEmpty())
        return QString();
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), mime});
    // A desktop that does not answer within two seconds leaves the name out, not the message.
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(500);
        return QString();
    }
    const QString entry = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    const QString path =
        entry.isEmpty() ? QString() : QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    // The untranslated "Name" key of the "[Desktop Entry]" group.
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Name=")))
            return line.mid(5).trimmed();
    }
    return QString();
}

// ---------------------------------------------------------------------------------------------------
// Regressi

bool TServeur::SetRegressiPath(const QString& path)
{
    TIniFile ini(FOptions.SettingsFile());
    ini.WriteString(SectionResultsForm, KeyRegressi, path);
    return ini.UpdateFile();
}

QString TServeur::RegressiPath() const
{
    return TIniFile(FOptions.SettingsFile()).ReadString(SectionResultsForm, KeyRegressi, QString());
}

bool TServeur::IsRegressiPath(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() &&
           info.fileName().compare(QLatin1String("Regressi.exe"), Qt::CaseInsensitive) == 0;
}

int TServeur::LineWithEmptyCell(const QStringList& lines, int first)
{
    const QChar tab(QLatin1Char('\t'));
    for (int i = std::max(0, first); i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty() || line.startsWith(tab) || line.endsWith(tab) ||
            line.contains(QStringLiteral("\t\t")))
            return i;
    }
    return -1;
}

void TServeur::FillEmptyCells(QStringList& lines, int first)
{
    for (int i = std::max(0, first); i < lines.size(); ++i) {
        if (LineWithEmptyCell(lines, i) != i)
            continue;
        QStringList cells = lines[i].split(QLatin1Char('\t'));
        for (QString& cell : cells)
            if (cell.isEmpty())
                cell = QStringLiteral("0");
        lines[i] = cells.join(QLatin1Char('\t'));
    }
}

void TServeur::RegressiLaunchFailed()
{
    TUserDlg::Instance()
        .Begin(icWarning)
        .Line(QStringLiteral("An error occurred while launching Regressi."))
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
}

bool TServeur::ExportToRegressi(int variableCount)
{
    TUserDlg& dlg = TUserDlg::Instance();
    const QString path = RegressiPath();
    if (!IsRegressiPath(path)) {
        SetRegressiPath(QString());
        const int answer =
            dlg.Begin(icInformation)
                .Line(QStringLiteral("The copy was canceled because Regressi is not found."))
                .Line(QStringLiteral("Please follow the procedure:"))
                .Line(QStringLiteral("    use the \u00AB Search \u00BB button in the next window"))
                .Line(QStringLiteral("    if search is successful, use the button \u00AB Open \u00BB"))
                .Line(
                    QStringLiteral("Finally, restart the canceled copy (Edit > Copy and launch > Regressi)."))
                .Button(QStringLiteral("Ok"), btOk)
                .Button(QStringLiteral("Cancel"), btAnnuler)
                .Execute();
        if (answer != 0)
            return false;
        const auto found = [this](const QString& foundPath) { SetRegressiPath(foundPath); };
        if (SearchFile) {
            SearchFile(RegressiFilter, found);
        } else {
            TFileDialogRequest request;
            request.Kind = TFileDialogKind::Open;
            request.Title = QStringLiteral("Regressi");
            request.Filter = RegressiFilter;
            const TFileDialogResult result = TDialogService::Instance().FileDialog(request);
            if (result.Accepted && !result.FileName.isEmpty())
                found(result.FileName);
        }
        return false;
    }

    if (variableCount > RegressiMaxVariables) {
        const int answer = dlg.Begin(icInformation)
                               .Line(QStringLiteral("Regressi does not accept more than 16 variables."))
                               .Line(QStringLiteral("This could produce random results."))
                               .Button(QStringLiteral("Cancel"), btAnnuler)
                               .Button(QStringLiteral("Ok"), btOk)
                               .Execute();
        if (answer == 0)
            return false;
    }

    // Regressi is a Windows program: wine runs it. A program of this system would run as it is.
    const QFileInfo info(path);
    QString program = info.absoluteFilePath();
    QStringList arguments;
    if (info.suffix().compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0) {
        const QString wine = FindExecutable ? FindExecutable(QStringLiteral("wine")) : QString();
        if (wine.isEmpty()) {
            RegressiLaunchFailed();
            return false;
        }
        arguments << program;
        program = wine;
    }
    if (!StartProgram || !StartProgram(program, arguments, info.absolutePath())) {
        RegressiLaunchFailed();
        return false;
    }

    // An empty cell is a non-defined value, which an old Regressi reads wrongly. The question comes
    // back for every line with one until the user substitutes zeros from there to the end.
    for (int line = LineWithEmptyCell(Lines, FirstDataLine); line >= 0;
         line = LineWithEmptyCell(Lines, line + 1)) {
        // "Continue" changes nothing, so it is also the answer of a box closed without a button.
        const int answer =
            dlg.Begin(icWarning)
                .Line(QStringLiteral("The datasheet contains non defined values."))
                .Line(QStringLiteral("An old version of Regressi could misinterpret these data."))
                .Line(QStringLiteral("Substitute non defined values by zeros?"))
                .Button(QStringLiteral("Continue"), btCustom)
                .Escape()
                .Button(QStringLiteral("Substitute"), btCustom)
                .Execute();
        if (answer == 1) {
            FillEmptyCells(Lines, line);
            break;
        }
    }

    // Regressi takes the table from the clipboard (the user pastes it there); the date would only be
    // in its way.
    if (Lines.size() > 1)
        Lines[1].clear();
    if (!CopyToClipboard(false))
        dlg.Begin(icWarning)
            .Line(QStringLiteral("An error occurred. Regressi will be launch without data."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
    else
        // Regressi opens with an empty document: nothing reaches it until the user pastes.
        dlg.Begin(icInformation)
            .Line(QStringLiteral("Regressi opens with an empty document."))
            .Line(QStringLiteral("The datasheet is on the clipboard: paste it into Regressi (Ctrl+V)."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
    return true;
}
