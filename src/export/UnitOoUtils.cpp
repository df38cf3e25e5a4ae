// The .ods writer (a zip archive written with libzip) and the OpenDocument export with its messages.
#include "export/UnitOoUtils.h"

#include "common/UnitUserDlg.h"
#include "export/UnitSpreadsheet.h"

#include <QByteArray>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <ctime>
#include <zip.h>

namespace {

const QByteArray MimeType = QByteArrayLiteral("application/vnd.oasis.opendocument.spreadsheet");

const QByteArray Manifest = QByteArrayLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
    "manifest:version=\"1.2\">\n"
    " <manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" "
    "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>\n"
    " <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>\n"
    " <manifest:file-entry manifest:full-path=\"styles.xml\" manifest:media-type=\"text/xml\"/>\n"
    " <manifest:file-entry manifest:full-path=\"meta.xml\" manifest:media-type=\"text/xml\"/>\n"
    "</manifest:manifest>\n");

const QByteArray Styles = QByteArrayLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<office:document-styles xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "office:version=\"1.2\"><office:styles/></office:document-styles>\n");

const QByteArray Meta = QByteArrayLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<office:document-meta xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\" office:version=\"1.2\">"
    "<office:meta><meta:generator>Kinotra</meta:generator></office:meta></office:document-meta>\n");

const QByteArray ContentHead = QByteArrayLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
    "<office:body><office:spreadsheet><table:table table:name=\"Kinotra\">");

const QByteArray ContentTail =
    QByteArrayLiteral("</table:table></office:spreadsheet></office:body></office:document-content>\n");

// The paragraph of a text cell. XML collapses runs of spaces and drops leading and trailing ones, so
// those are written as <text:s/>; tabs and line breaks have elements of their own; characters that
// XML 1.0 cannot hold are left out.
void AppendText(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const qsizetype n = utf8.size();
    out += "<text:p>";
    for (qsizetype i = 0; i < n; ++i) {
        const char ch = utf8[i];
        if (ch == ' ') {
            qsizetype end = i;
            while (end < n && utf8[end] == ' ')
                ++end;
            const qsizetype run = end - i;
            if (run == 1 && i > 0 && end < n) {
                out += ' ';
            } else {
                out += "<text:s text:c=\"";
                out += QByteArray::number(run);
                out += "\"/>";
            }
            i = end - 1;
        } else if (ch == '\t') {
            out += "<text:tab/>";
        } else if (ch == '\n') {
            out += "<text:line-break/>";
        } else if (ch == '&') {
            out += "&amp;";
        } else if (ch == '<') {
            out += "&lt;";
        } else if (ch == '>') {
            out += "&gt;";
        } else if (static_cast<unsigned char>(ch) >= 0x20) {
            out += ch;
        }
    }
    out += "</text:p>";
}

void AppendEmpty(QByteArray& out, int count)
{
    if (count == 1)
        out += "<table:table-cell/>";
    else if (count > 1)
        out += "<table:table-cell table:number-columns-repeated=\"" + QByteArray::number(count) + "\"/>";
}

// content.xml, produced a few rows at a time so that no table, however long, is held as text in memory.
class TOdsContent
{
public:
    explicit TOdsContent(const TMatriceStr& matrix) : FMatrix(matrix), FPoint(QLocale().decimalPoint())
    {
        for (const std::vector<QString>& row : matrix)
            FCols = std::max(FCols, row.size());
    }

    void Restart()
    {
        FStage = 0;
        FRow = 0;
    }

    // The next piece of the text; empty at the end.
    QByteArray Next()
    {
        QByteArray out;
        if (FStage == 0) {
            out = ContentHead;
            out += "<table:table-column table:number-columns-repeated=\"" +
                   QByteArray::number(qulonglong(std::max<std::size_t>(1, FCols))) + "\"/>";
            FStage = 1;
            return out;
        }
        if (FStage == 1) {
            constexpr std::size_t RowsPerPiece = 256;
            const std::size_t end = std::min(FMatrix.size(), FRow + RowsPerPiece);
            for (; FRow < end; ++FRow)
                AppendRow(out, FRow);
            if (FRow >= FMatrix.size())
                FStage = 2;
            if (!out.isEmpty())
                return out;
        }
        if (FStage == 2) {
            FStage = 3;
            return ContentTail;
        }
        return out;
    }

private:
    void AppendRow(QByteArray& out, std::size_t r) const
    {
        const std::vector<QString>& row = FMatrix[r];
        out += "<table:table-row>";
        int empties = 0;
        bool any = false;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const TSheetCell cell = SheetCell(row[c], int(r), FPoint);
            if (cell.Kind == TSheetCellKind::Empty) {
                ++empties;
                continue;
            }
            AppendEmpty(out, empties);
            empties = 0;
            any = true;
            if (cell.Kind == TSheetCellKind::Number) {
                // The shortest text that reads back as the same double, whatever the locale.
                char digits[32];
                const auto result = std::to_chars(digits, digits + sizeof digits, cell.Value);
                out += "<table:table-cell office:value-type=\"float\" office:value=\"";
                out.append(digits, result.ptr - digits);
                out += "\"/>";
            } else {
                out += "<table:table-cell office:value-type=\"string\">";
                AppendText(out, row[c]);
                out += "</table:table-cell>";
            }
        }
        // A row holds at least one cell; empty cells at its end need no mention.
        if (!any)
            out += "<table:table-cell/>";
        out += "</table:table-row>";
    }

    const TMatriceStr& FMatrix;
    const QString FPoint; // the locale's decimal separator
    std::size_t FCols = 0;
    int FStage = 0;
    std::size_t FRow = 0;
};

// The zip source that reads content.xml from TOdsContent. Its size is counted beforehand, so that
// the archive records it and needs no 64-bit extension for any table that fits in 4 GiB of text.
struct TContentSource
{
    TOdsContent Content;
    zip_uint64_t Size = 0;
    QByteArray Piece;
    qsizetype Offset = 0;
    zip_error_t Error;

    explicit TContentSource(const TMatriceStr& matrix) : Content(matrix)
    {
        zip_error_init(&Error);
        for (QByteArray piece = Content.Next(); !piece.isEmpty(); piece = Content.Next())
            Size += zip_uint64_t(piece.size());
        Content.Restart();
    }
    ~TContentSource() { zip_error_fini(&Error); }
    TContentSource(const TContentSource&) = delete;
    TContentSource& operator=(const TContentSource&) = delete;

    static zip_int64_t Callback(void* user, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto* self = static_cast<TContentSource*>(user);
        switch (command) {
        case ZIP_SOURCE_OPEN:
            self->Content.Restart();
            self->Piece.clear();
            self->Offset = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            auto* out = static_cast<char*>(data);
            zip_uint64_t done = 0;
            while (done < length) {
                if (self->Offset >= self->Piece.size()) {
                    self->Piece = self->Content.Next();
                    self->Offset = 0;
                    if (self->Piece.isEmpty())
                        break;
                }
                const zip_uint64_t take =
                    std::min<zip_uint64_t>(length - done, zip_uint64_t(self->Piece.size() - self->Offset));
                std::copy_n(self->Piece.constData() + self->Offset, take, out + done);
                self->Offset += qsizetype(take);
                done += take;
            }
            return zip_int64_t(done);
        }
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = self->Size;
            st->mtime = std::time(nullptr);
            st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&self->Error, data, length);
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&self->Error, ZIP_ER_INVAL, 0);
            return -1;
        }
    }
};

// Adds a member from bytes that outlive the archive; its index, or -1.
zip_int64_t AddBuffer(zip_t* archive, const char* name, const QByteArray& bytes)
{
    zip_source_t* source = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    if (!source)
        return -1;
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0)
        zip_source_free(source);
    return index;
}

} // namespace

int WriteOdsFile(const TMatriceStr& matrix, const QString& fileName)
{
    const QString part = CreatePartFile(fileName);
    if (part.isEmpty())
        return swCreateFailed;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(part).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        QFile::remove(part);
        return swCreateFailed;
    }
    // Counting the text first walks the whole table once more; it is cheap beside compressing it.
    TContentSource content(matrix);
    bool added = false;
    // "mimetype" comes first and is stored as it is, so that a reader recognises the file by its first
    // bytes.
    const zip_int64_t mime = AddBuffer(archive, "mimetype", MimeType);
    if (mime >= 0 && zip_set_file_compression(archive, zip_uint64_t(mime), ZIP_CM_STORE, 0) == 0 &&
        AddBuffer(archive, "META-INF/manifest.xml", Manifest) >= 0 &&
        AddBuffer(archive, "styles.xml", Styles) >= 0 && AddBuffer(archive, "meta.xml", Meta) >= 0) {
        zip_source_t* source = zip_source_function(archive, &TContentSource::Callback, &content);
        if (source) {
            const zip_int64_t index =
                zip_file_add(archive, "content.xml", source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
            if (index < 0)
                zip_source_free(source);
            // The fastest deflate: the repetitive XML of a long table still shrinks about twentyfold, and
            // a million rows compress in a fraction of the time the default level takes.
            added =
                index >= 0 && zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 1) == 0;
        }
    }
    if (!added) {
        zip_discard(archive);
        QFile::remove(part);
        return swWriteFailed;
    }
    // Closing writes the archive (through a temporary file of libzip's own beside it).
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        QFile::remove(part);
        return swWriteFailed;
    }
    return CommitPartFile(part, fileName) ? swOk : swWriteFailed;
}

bool TOoUtils::Export(const TMatriceStr& matrix, const QString& fileName,
                      const std::function<bool(const QString& fileName)>& open)
{
    ErrorCode = ooOk;
    const int written = WriteOdsFile(matrix, fileName);
    if (written == swCreateFailed) {
        ErrorCode = ooCannotCreate;
        return false;
    }
    if (written != swOk) {
        ErrorCode = ooWriteCell;
        return false;
    }
    if (!open || !open(fileName)) {
        ErrorCode = ooNoConnection;
        return false;
    }
    return true;
}

QStringList TOoUtils::ErrorLines(int code)
{
    switch (code) {
    case ooOk:
        return {};
    case ooNoConnection:
        return {QStringLiteral("An error occurred while processing the connection with OpenOffice."),
                QString()};
    case ooNoServiceManager:
        return {QStringLiteral("An error occurred while activating the system manager.")};
    case ooCannotOpen:
        return {QStringLiteral("Unable to open the spreadsheet.")};
    case ooCannotCreate:
        return {QStringLiteral("Unable to create a new sheet.")};
    case ooNoSheet:
        return {QStringLiteral("Unable to find the datasheet.")};
    default:
        return {QStringLiteral("An error occurred while writing in a cell.")};
    }
}

void TOoUtils::ShowError() const
{
    if (ErrorCode == ooOk)
        return;
    TUserDlg& dlg = TUserDlg::Instance();
    dlg.Begin(icWarning);
    for (const QString& line : ErrorLines(ErrorCode))
        dlg.Line(line);
    dlg.Button(QStringLiteral("Ok"), btOk).Execute();
}
