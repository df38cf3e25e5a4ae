// The per-user association of Kinotra with project files (*.ktr) and videos: a desktop entry, a MIME type
// and the program's icon in the user's XDG data folder, and the refresh of the desktop's databases.
#pragma once

#include <QString>
#include <QStringList>

enum TAssociationCode : int
{
    acOk = 0,
    acProgramMissing = 1, // the program's own file is not an executable file
    acBadProgramPath = 2, // the program's path holds characters a desktop entry cannot carry
    acWriteFailed = 3,    // a folder could not be created or a file could not be written
    acRemoveFailed = 4,   // a file of the association could not be removed
    acRefreshFailed = 5,  // the files are in place but a database tool failed or ran out of time
};

// Code 0 on success; otherwise a code of TAssociationCode and a reason for the user (one or more lines).
struct TAssociationResult
{
    int Code = acOk;
    QString Reason;
    bool Ok() const { return Code == acOk; }
};

// What an association change works on. Every empty field takes its value from the environment.
struct TAssociationSetup
{
    QString DataHome;          // $XDG_DATA_HOME when absolute, else ~/.local/share
    QString ProgramPath;       // QCoreApplication::applicationFilePath()
    QStringList ToolFolders;   // folders searched for the database tools; empty: the PATH
    int ToolTimeoutMs = 10000; // each tool is killed when it runs longer
    bool RunTools = true;
};

// The three files of the association under a data folder.
struct TAssociationFiles
{
    QString Desktop; // applications/kinotra.desktop
    QString Mime;    // mime/packages/kinotra.xml
    QString Icon;    // icons/hicolor/scalable/apps/kinotra.svg
};

inline const QString KtrMimeType = QStringLiteral("application/x-kinotra-project");

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share; without a trailing "/".
QString AssociationDataHome();
TAssociationFiles AssociationFiles(const QString& dataHome);

// The argument of an Exec line that starts the program: always between double quotes, with the
// characters that need it escaped, ready to be written as the value of a desktop entry.
QString DesktopExecArgument(const QString& program);
// The desktop entry that opens files with the program (Exec=<program> %f); empty when the program's
// path holds a control character.
QString DesktopEntryText(const QString& program);
// The shared-mime-info package that defines the project type with its glob *.ktr.
QByteArray MimePackageText();

// True when the desktop entry and the MIME package are both present.
bool AssociationInstalled(const TAssociationSetup& setup = {});
// Writes the three files (replacing older ones), then refreshes the databases. Nothing is written when
// the program's file is missing. A failure leaves the files already written in place.
TAssociationResult InstallAssociation(const TAssociationSetup& setup = {});
// Removes every file of the association that exists, then refreshes the databases; a file that cannot
// be removed does not stop the others.
TAssociationResult RemoveAssociation(const TAssociationSetup& setup = {});
// The check box of the options dialog: installs when wanted and not installed, removes what is there
// when not wanted; otherwise touches nothing.
TAssociationResult SetAssociation(bool wanted, const TAssociationSetup& setup = {});
