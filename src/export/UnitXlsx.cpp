// The .xlsx writer: a string matrix as one worksheet through libxlsxwriter.
#include "export/UnitSpreadsheet.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <clocale>
#include <locale.h>
#include <xlsxwriter.h>

namespace {

// Excel's longest cell text, in characters.
constexpr int XlsxMaxText = 32767;

// libxlsxwriter prints numbers with printf, which follows LC_NUMERIC; the application's locale may write
// "1,5", which no reader takes for a number. The thread uses the C numeric conventions while writing.
class TCNumericScope
{
public:
    TCNumericScope()
        : FLocale(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr))),
          FSaved(FLocale ? uselocale(FLocale) : nullptr)
    {
    }
    ~TCNumericScope()
    {
        if (FLocale) {
            uselocale(FSaved);
            freelocale(FLocale);
        }
    }
    TCNumericScope(const TCNumericScope&) = delete;
    TCNumericScope& operator=(const TCNumericScope&) = delete;

private:
    locale_t FLocale;
    locale_t FSaved;
};

} // namespace

int WriteXlsxFile(const TMatriceStr& matrix, const QString& fileName)
{
    std::size_t cols = 0;
    for (const std::vector<QString>& row : matrix)
        cols = std::max(cols, row.size());
    if (matrix.size() > std::size_t(XlsxMaxRows) || cols > std::size_t(XlsxMaxCols))
        return swTooLarge;

    const QString part = CreatePartFile(fileName);
    if (part.isEmpty())
        return swCreateFailed;

    TCNumericScope numeric;
    const QByteArray partName = QFile::encodeName(part);
    // The temporary files of the worksheet go beside the result, where writing is known to work.
    QByteArray folder = QFile::encodeName(QFileInfo(part).absolutePath());
    lxw_workbook_options options{};
    // One row is held in memory at a time: a table of a million rows costs no more memory than a small
    // one. Rows are written in order, as this mode needs.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(partName.constData(), &options);
    if (!workbook) {
        QFile::remove(part);
        return swCreateFailed;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Kinotra");
    if (!sheet) {
        workbook_close(workbook);
        QFile::remove(part);
        return swCreateFailed;
    }

    const QString point = QLocale().decimalPoint();
    bool written = true;
    for (std::size_t r = 0; r < matrix.size() && written; ++r) {
        const std::vector<QString>& row = matrix[r];
        for (std::size_t c = 0; c < row.size(); ++c) {
            const TSheetCell cell = SheetCell(row[c], int(r), point);
            lxw_error error = LXW_NO_ERROR;
            if (cell.Kind == TSheetCellKind::Number)
                error = worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), cell.Value, nullptr);
            else if (cell.Kind == TSheetCellKind::Text)
                error = worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                               row[c].left(XlsxMaxText).toUtf8().constData(), nullptr);
            if (error != LXW_NO_ERROR) {
                written = false;
                break;
            }
        }
    }

    // Closing assembles the file; it frees the workbook whatever happens.
    const lxw_error closed = workbook_close(workbook);
    if (!written || closed != LXW_NO_ERROR) {
        QFile::remove(part);
        return closed == LXW_ERROR_CREATING_XLSX_FILE || closed == LXW_ERROR_CREATING_TMPFILE ? swCreateFailed
                                                                                              : swWriteFailed;
    }
    return CommitPartFile(part, fileName) ? swOk : swWriteFailed;
}
