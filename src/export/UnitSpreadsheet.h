// Tables written as spreadsheet files: the rule that turns a string matrix into typed cells, and the
// writers of .xlsx and .ods files chosen by the file's extension.
#pragma once

#include "common/UnitTypes.h"

#include <QString>

// Rows 0 to 3 of a matrix (the rotation line, symbols, units, captions) are text; from row 4 on a cell
// is a number, or empty.
inline constexpr int SheetTextRows = 4;

enum class TSheetCellKind
{
    Empty,
    Text,
    Number,
};

struct TSheetCell
{
    TSheetCellKind Kind = TSheetCellKind::Empty;
    double Value = 0.0; // for Number
};

// The cell rule: an empty text is an empty cell in every row. In rows 0 to 3 any other text is text.
// From row 4 on "#Number!" is an empty cell, a text that reads as a finite number (with the locale's
// decimal separator, or "." whatever the locale) is that number, and anything else stays text so that
// nothing of the table is lost.
TSheetCell SheetCell(const QString& text, int row);
// The same with the locale's decimal separator given, for writers that classify many cells.
TSheetCell SheetCell(const QString& text, int row, const QString& decimalPoint);
// Reads a number written with the locale's decimal separator or with "." (no group separators, no
// spaces inside); false for anything else, infinities and NaN included.
bool ReadSheetNumber(const QString& text, double& value);
bool ReadSheetNumber(const QString& text, const QString& decimalPoint, double& value);

// Outcome of writing a spreadsheet file.
enum : int
{
    swOk = 0,
    swCreateFailed = 1,  // no file can be created in the folder
    swWriteFailed = 2,   // the file could not be written completely or put under its name
    swTooLarge = 3,      // more rows or columns than the format holds
    swUnknownFormat = 4, // the extension is neither .xlsx nor .ods
};

// Sizes an .xlsx worksheet holds.
inline constexpr int XlsxMaxRows = 1048576;
inline constexpr int XlsxMaxCols = 16384;

// Every writer writes the whole file under a temporary name in the target folder and renames it only
// once it is complete, so the final name never holds a partial file; an older file of that name is
// replaced. Rows of the matrix may have different lengths. Row r and column c of the matrix are row
// r + 1 and column c + 1 of the sheet, which is named "Kinotra".

// An Office Open XML workbook (.xlsx).
int WriteXlsxFile(const TMatriceStr& matrix, const QString& fileName);
// An OpenDocument spreadsheet (.ods).
int WriteOdsFile(const TMatriceStr& matrix, const QString& fileName);
// By the extension of fileName, compared without regard to case: ".xlsx" or ".ods".
int WriteSpreadsheetFile(const TMatriceStr& matrix, const QString& fileName);
// A short English reason for a code above, for messages on the command line.
QString SpreadsheetErrorText(int code);

// A name for the temporary file beside fileName that no file has yet: ".<name>.<random>.part". The file
// is created empty (so that the folder is known to be writable); empty when that fails.
QString CreatePartFile(const QString& fileName);
// Puts the complete file part under the name fileName, replacing any file of that name; removes part
// and answers false when that fails.
bool CommitPartFile(const QString& part, const QString& fileName);
