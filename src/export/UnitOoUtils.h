// The OpenDocument spreadsheet export: the table written as an .ods file and opened by the desktop, with
// the numbered failures of that export and their messages.
#pragma once

#include "common/UnitTypes.h"

#include <QString>
#include <functional>

// Failures of the export, in the order of its steps. Codes 2 and 5 name steps that a file written here
// does not have (the office suite's service manager, finding the sheet of a new document) and never
// occur; they keep their texts so that every code has one.
enum : int
{
    ooOk = 0,
    ooNoConnection = 1,     // no application opens the document
    ooNoServiceManager = 2, // not used
    ooCannotOpen = 3,       // not used: a new document is a new file
    ooCannotCreate = 4,     // no file can be created in the folder
    ooNoSheet = 5,          // not used
    ooWriteCell = 6,        // the cells could not be written (disk full, too large)
};

// One export of a table. ErrorCode holds the first failure; 0 when all went well.
class TOoUtils
{
public:
    int ErrorCode = ooOk;

    // Writes the table to fileName (an .ods file, complete or not there at all) and, when that succeeded,
    // hands the file to open, which answers whether an application took it. True when both succeeded.
    bool Export(const TMatriceStr& matrix, const QString& fileName,
                const std::function<bool(const QString& fileName)>& open);

    // The message lines of a failure code (an empty string is a blank line); empty for 0.
    static QStringList ErrorLines(int code);
    // Shows the warning of ErrorCode with the button "Ok"; nothing when it is 0.
    void ShowError() const;
};
