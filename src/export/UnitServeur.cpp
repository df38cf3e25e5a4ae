// The way out of the program for tables: the clipboard and tab-separated text files.
#include "export/UnitServeur.h"

#include "common/UnitDialogs.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
// Lines of a datasheet are usually a few hundred; the list starts large enough for most.
constexpr int InitialCapacity = 1024;
} // namespace

TServeur::TServeur(const TOptions& options) : FOptions(options)
{
    Lines.reserve(InitialCapacity);
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
    const QString video = VideoFileName ? VideoFileName() : QString();
    request.FileName =
        QStringLiteral("Datasheet_") + QFileInfo(video).completeBaseName() + QStringLiteral(".txt");
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
