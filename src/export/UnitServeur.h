// The way out of the program for tables: the clipboard and tab-separated text files.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class TOptions;

// One instance for the whole run, owned by the main window. A caller fills Lines (one line per table
// row, cells separated by a single TAB, no trailing TAB) and then hands them to one of the exports.
class TServeur
{
public:
    explicit TServeur(const TOptions& options);

    QStringList Lines;

    // Empties Lines.
    void Clear();
    void AddLine(const QString& text);
    // The text form of Lines: every line, the last included, ends with CR LF.
    QString Text() const;

    // Puts the text form on the clipboard. A failure shows a warning; a success shows the information
    // about pasting when showMessage is set. True on success.
    bool CopyToClipboard(bool showMessage);
    // Asks for a file name through the save dialog and writes the text form there with the extension
    // ".txt". Shows the outcome. False when cancelled or when the file could not be written.
    bool SaveToTextFile();
    // Writes the text form to fileName as it stands, without any dialog or message: the file is
    // replaced only once it is complete. Encoding: the system's 8-bit encoding (UTF-8 on Linux).
    bool WriteTextFile(const QString& fileName) const;

    // The file name with its extension replaced by (or, without one, extended with) ".txt".
    static QString ForceTxtExtension(const QString& fileName);
    // Where the save dialog starts: the options' default folder when it exists, else lastFolder when
    // set, else the user's desktop.
    static QString InitialFolder(const QString& defaultDirectory, const QString& lastFolder);

    // Path of the open video: its name proposes the name of the exported file. Unassigned: no video.
    std::function<QString()> VideoFileName;
    // The folder of the recent-files list, where the save dialog starts when the options name none.
    std::function<QString()> LastDirectory;
    // Called with the folder of every file written, which becomes the recent-files list's folder.
    std::function<void(const QString& folder)> OnDirectoryChange;

private:
    const TOptions& FOptions;
};
