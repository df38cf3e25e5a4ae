// Tables written as spreadsheet files: the cell rule, the choice of writer, the temporary file.
#include "export/UnitSpreadsheet.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <charconv>
#include <cmath>
#include <cstdio>

bool ReadSheetNumber(const QString& text, double& value)
{
    return ReadSheetNumber(text, QLocale().decimalPoint(), value);
}

bool ReadSheetNumber(const QString& text, const QString& decimalPoint, double& value)
{
    // The digits, one sign, one decimal separator and an exponent, as ASCII for from_chars, which reads
    // them exactly and fast (a table may hold millions of cells); anything else is not a number.
    const QString trimmed = text.trimmed();
    const qsizetype n = trimmed.size();
    if (n == 0 || n > 64)
        return false;
    const QChar point = decimalPoint.size() == 1 ? decimalPoint[0] : QLatin1Char('.');
    char buffer[64];
    qsizetype length = 0;
    bool separator = false;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = trimmed[i];
        if ((ch == point || ch == QLatin1Char('.')) && !separator) {
            separator = true;
            buffer[length++] = '.';
        } else if (ch == QLatin1Char('+') && (i == 0 || trimmed[i - 1].toLower() == QLatin1Char('e'))) {
            // from_chars takes no leading plus sign; an exponent's plus is fine.
            if (i > 0)
                buffer[length++] = '+';
        } else if ((ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('-') ||
                   ch == QLatin1Char('e') || ch == QLatin1Char('E')) {
            buffer[length++] = char(ch.unicode());
        } else {
            return false;
        }
    }
    double v = 0.0;
    const auto result = std::from_chars(buffer, buffer + length, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != buffer + length || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

TSheetCell SheetCell(const QString& text, int row)
{
    return SheetCell(text, row, QLocale().decimalPoint());
}

TSheetCell SheetCell(const QString& text, int row, const QString& decimalPoint)
{
    if (text.isEmpty())
        return {};
    if (row < SheetTextRows)
        return {TSheetCellKind::Text, 0.0};
    if (text == NonDefiniText)
        return {};
    double value = 0.0;
    if (ReadSheetNumber(text, decimalPoint, value))
        return {TSheetCellKind::Number, value};
    return {TSheetCellKind::Text, 0.0};
}

int WriteSpreadsheetFile(const TMatriceStr& matrix, const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    if (suffix.compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0)
        return WriteXlsxFile(matrix, fileName);
    if (suffix.compare(QLatin1String("ods"), Qt::CaseInsensitive) == 0)
        return WriteOdsFile(matrix, fileName);
    return swUnknownFormat;
}

QString SpreadsheetErrorText(int code)
{
    switch (code) {
    case swOk:
        return QStringLiteral("no error");
    case swCreateFailed:
        return QStringLiteral("the file cannot be created in its folder");
    case swWriteFailed:
        return QStringLiteral("the file could not be written completely");
    case swTooLarge:
        return QStringLiteral("the table has more rows or columns than the format holds");
    case swUnknownFormat:
        return QStringLiteral("the extension is neither .xlsx nor .ods");
    default:
        return QStringLiteral("error %1").arg(code);
    }
}

QString CreatePartFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString part = info.absolutePath() + QLatin1Char('/') + QLatin1Char('.') + info.fileName() +
                             QLatin1Char('.') + QString::number(QRandomGenerator::global()->generate(), 36) +
                             QStringLiteral(".part");
        QFile file(part);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return part;
        // Only a name taken by chance is worth another attempt.
        if (!QFileInfo::exists(part))
            return QString();
    }
    return QString();
}

bool CommitPartFile(const QString& part, const QString& fileName)
{
    // rename() replaces the target in one step; QFile::rename would refuse an existing target.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(fileName).constData()) == 0)
        return true;
    QFile::remove(part);
    return false;
}
