// The way out of the program for tables: the clipboard, tab-separated text files, spreadsheet files
// opened by the desktop, and the outside program Regressi.
#pragma once

#include "common/UnitTypes.h"

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

    // Spreadsheets. The matrix (row 0 first; rows 0 to 3 text, the rest numbers, see UnitSpreadsheet) is
    // written into SpreadsheetFolder under a name no file has yet (SpreadsheetFileName) and handed to
    // OpenDocument. The message that follows names the file and the application that opened it, or says
    // that none did (the file is kept), or gives the reason the file could not be written. True when a
    // file was written and an application took it.
    bool ExportToExcel(const TMatriceStr& matrix);
    bool ExportToOpenOffice(const TMatriceStr& matrix);
    // The folder of the spreadsheet files: ExportFolder when set, else the options' default folder when
    // it exists, else the recent-files folder when it exists, else the user's documents folder.
    QString SpreadsheetFolder() const;
    // "Datasheet_" + the video's base name + "." + extension in SpreadsheetFolder, or, when a file has
    // that name, the first of "Datasheet_<base>_2", "_3"... that is free.
    QString SpreadsheetFileName(const QString& extension) const;

    // Regressi. Lines is expected to hold the datasheet text: the program's path, the date, the rotation
    // line, symbols, units, captions, then the data lines. variableCount is the number of data columns.
    // Finds Regressi through the settings file (else offers the file search and stops), asks before
    // sending more than 16 variables, starts Regressi (through wine for a Windows program), offers to
    // put zeros in place of empty cells, empties the date line and puts Lines on the clipboard, from
    // which the user pastes into Regressi. True when Regressi was started; a failure shows its warning.
    bool ExportToRegressi(int variableCount);
    // Stores Regressi's full path (empty: none) in the settings file, section "ResultsForm", key
    // "Regressi". False when the settings file could not be written.
    bool SetRegressiPath(const QString& path);
    // The stored path, empty when none is stored.
    QString RegressiPath() const;
    // The path names an existing file called "Regressi.exe", compared without regard to case.
    static bool IsRegressiPath(const QString& path);
    // Index of the first line from `first` on that holds an empty cell (a line that starts or ends with
    // a TAB, two TABs in a row, or an empty line); -1 when there is none.
    static int LineWithEmptyCell(const QStringList& lines, int first);
    // Writes "0" into every empty cell of the lines from `first` on.
    static void FillEmptyCells(QStringList& lines, int first);
    // Index of the first data line of the datasheet text (after the six header lines).
    static constexpr int FirstDataLine = 6;
    // Regressi accepts at most this many variables.
    static constexpr int RegressiMaxVariables = 16;

    // Where spreadsheet files are written; empty: see SpreadsheetFolder.
    QString ExportFolder;
    // Opens a document with the desktop's application for its type; true when one took it. Defaults
    // to QDesktopServices::openUrl.
    std::function<bool(const QString& fileName)> OpenDocument;
    // The name of the desktop's application for a document's type, empty when it is not known. Defaults
    // to DesktopApplicationName.
    std::function<QString(const QString& fileName)> ApplicationName;
    // Starts a program detached from this one; true when it started. Defaults to
    // QProcess::startDetached.
    std::function<bool(const QString& program, const QStringList& arguments, const QString& workingFolder)>
        StartProgram;
    // The full path of an executable found on the PATH, empty when there is none. Defaults to
    // QStandardPaths::findExecutable.
    std::function<QString(const QString& name)> FindExecutable;
    // Opens the program's file search with an open-dialog filter; the window calls found with the path
    // of the file the user opens there. Unassigned: the open dialog is shown instead.
    std::function<void(const QString& filter, const std::function<void(const QString& path)>& found)>
        SearchFile;

    // Path of the open video: its name proposes the name of the exported file. Unassigned: no video.
    std::function<QString()> VideoFileName;
    // The folder of the recent-files list, where the save dialog starts when the options name none.
    std::function<QString()> LastDirectory;
    // Called with the folder of every file written, which becomes the recent-files list's folder.
    std::function<void(const QString& folder)> OnDirectoryChange;

private:
    // The message that Regressi could not be started.
    static void RegressiLaunchFailed();
    // The proposed name of an exported file: "Datasheet_" + the video's base name + the extension.
    QString ProposedFileName(const QString& extension) const;
    // Writes the matrix with write under a free name, opens it and tells the user what happened.
    bool ExportSpreadsheet(const TMatriceStr& matrix, const QString& extension,
                           int (*write)(const TMatriceStr&, const QString&));

    const TOptions& FOptions;
};

// The name of the desktop's default application for the type of a file (its MIME type, through
// "xdg-mime query default" and the application's desktop entry); empty when it cannot be told.
QString DesktopApplicationName(const QString& fileName);
