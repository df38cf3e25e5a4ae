// INI reader and writer with case-insensitive look-up and atomic replacement of the file.
#include "common/UnitIni.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <charconv>
#include <cmath>

namespace {

// Larger files are refused rather than read into memory: no settings or project file comes near it.
constexpr qint64 MaxIniFileSize = 256LL * 1024 * 1024;

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString DecodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) // files written by older programs are in a single-byte code page
        text = QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace

bool TextToFloat(const QString& text, double& value)
{
    QByteArray bytes = text.trimmed().toLatin1();
    bytes.replace(',', '.');
    if (bytes.isEmpty())
        return false;
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    if (*first == '+')
        ++first;
    double result = 0.0;
    const auto [ptr, ec] = std::from_chars(first, last, result);
    if (ec != std::errc() || ptr != last || !std::isfinite(result))
        return false;
    value = result;
    return true;
}

QString FloatToText(double value)
{
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc())
        return QStringLiteral("0");
    return QString::fromLatin1(buffer, int(ptr - buffer));
}

TIniFile::TIniFile(const QString& fileName) : FFileName(fileName)
{
    QFile file(fileName);
    if (!file.exists())
        return;
    if (file.size() > MaxIniFileSize || !file.open(QIODevice::ReadOnly)) {
        FReadOk = false;
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        FReadOk = false;
        return;
    }
    SetText(DecodeText(bytes));
}

void TIniFile::SetText(const QString& text)
{
    FHead.clear();
    FSections.clear();
    FSectionIndex.clear();
    FSectionsIndexed = false;
    TSection* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString raw = lines[i];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (i == lines.size() - 1 && raw.isEmpty())
            break; // the final line break
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            if (close > 0) {
                const QString name = trimmed.mid(1, close - 1).trimmed();
                current = FindSection(name);
                if (!current) // a repeated section continues the first one
                    current = &AddSection(name);
                continue;
            }
        }
        TLine line;
        const qsizetype eq = raw.indexOf(QLatin1Char('='));
        if (eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            line.Key = raw.left(eq).trimmed();
            line.Value = raw.mid(eq + 1).trimmed();
        }
        if (line.Key.isEmpty())
            line.Raw = raw;
        if (current) {
            current->Lines.push_back(std::move(line));
            current->Indexed = false;
        } else {
            FHead.push_back(std::move(line));
        }
    }
    FModified = false;
}

const TIniFile::TSection* TIniFile::FindSection(const QString& name) const
{
    if (!FSectionsIndexed) {
        FSectionIndex.clear();
        for (int i = int(FSections.size()) - 1; i >= 0; --i) // the first of equal names wins
            FSectionIndex.insert(FSections[size_t(i)].Name.toCaseFolded(), i);
        FSectionsIndexed = true;
    }
    const auto it = FSectionIndex.constFind(name.toCaseFolded());
    return it == FSectionIndex.constEnd() ? nullptr : &FSections[size_t(*it)];
}

TIniFile::TSection* TIniFile::FindSection(const QString& name)
{
    return const_cast<TSection*>(std::as_const(*this).FindSection(name));
}

TIniFile::TSection& TIniFile::AddSection(const QString& name)
{
    FSections.push_back(TSection{name, {}, {}, false});
    if (FSectionsIndexed)
        FSectionIndex.insert(name.toCaseFolded(), int(FSections.size()) - 1);
    return FSections.back();
}

int TIniFile::FindKey(const TSection& section, const QString& key) const
{
    if (!section.Indexed) {
        section.KeyIndex.clear();
        for (int i = int(section.Lines.size()) - 1; i >= 0; --i) // the first line of a key wins
            if (!section.Lines[size_t(i)].Key.isEmpty())
                section.KeyIndex.insert(section.Lines[size_t(i)].Key.toCaseFolded(), i);
        section.Indexed = true;
    }
    return section.KeyIndex.value(key.toCaseFolded(), -1);
}

const TIniFile::TLine* TIniFile::FindLine(const QString& section, const QString& key) const
{
    const TSection* s = FindSection(section);
    if (!s)
        return nullptr;
    const int i = FindKey(*s, key);
    return i < 0 ? nullptr : &s->Lines[size_t(i)];
}

bool TIniFile::SectionExists(const QString& section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    return FindLine(section, key) != nullptr;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (const TSection& s : FSections)
        names << s.Name;
    return names;
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    QStringList keys;
    if (const TSection* s = FindSection(section))
        for (const TLine& line : s->Lines)
            if (!line.Key.isEmpty())
                keys << line.Key;
    return keys;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const TLine* line = FindLine(section, key);
    return line ? line->Value : def;
}

bool TextToInt64(const QString& value, long long& result)
{
    QString text = value.trimmed();
    bool negative = false;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) {
        negative = text.startsWith(QLatin1Char('-'));
        text.remove(0, 1);
    }
    int base = 10;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        text.remove(0, 2);
    } else if (text.startsWith(QLatin1Char('$'))) {
        base = 16;
        text.remove(0, 1);
    }
    if (text.isEmpty() || !text.at(0).isLetterOrNumber())
        return false;
    bool ok = false;
    const qulonglong magnitude = text.toULongLong(&ok, base);
    if (!ok || magnitude > qulonglong(std::numeric_limits<long long>::max()))
        return false;
    result = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

long long TIniFile::ReadInt64(const QString& section, const QString& key, long long def) const
{
    const TLine* line = FindLine(section, key);
    long long value = def;
    return line && TextToInt64(line->Value, value) ? value : def;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const long long value = ReadInt64(section, key, def);
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return def;
    return int(value);
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    const long long value = ReadInt64(section, key, def ? 1 : 0);
    return value != 0;
}

double TIniFile::ReadFloat(const QString& section, const QString& key, double def) const
{
    const TLine* line = FindLine(section, key);
    double value = def;
    if (!line || !TextToFloat(line->Value, value))
        return def;
    return value;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    // Line breaks inside a value would split it into lines of their own when read back.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    TSection* s = FindSection(section);
    if (!s)
        s = &AddSection(section);
    if (const int i = FindKey(*s, key); i >= 0) {
        TLine& line = s->Lines[size_t(i)];
        if (line.Value != clean) {
            line.Value = clean;
            FModified = true;
        }
        return;
    }
    // New keys go after the last key of the section, before trailing blank lines; only blank lines move,
    // so the index of every key stays right.
    auto at = s->Lines.end();
    while (at != s->Lines.begin() && std::prev(at)->Key.isEmpty() && std::prev(at)->Raw.trimmed().isEmpty())
        --at;
    const int index = int(at - s->Lines.begin());
    s->Lines.insert(at, TLine{key, clean, {}});
    if (s->Indexed)
        s->KeyIndex.insert(key.toCaseFolded(), index);
    FModified = true;
}

void TIniFile::WriteInteger(const QString& section, const QString& key, long long value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::WriteFloat(const QString& section, const QString& key, double value)
{
    WriteString(section, key, FloatToText(value));
}

void TIniFile::DeleteKey(const QString& section, const QString& key)
{
    TSection* s = FindSection(section);
    if (!s)
        return;
    const auto before = s->Lines.size();
    s->Indexed = false;
    std::erase_if(s->Lines,
                  [&](const TLine& line) { return !line.Key.isEmpty() && SameName(line.Key, key); });
    FModified = FModified || before != s->Lines.size();
}

void TIniFile::EraseSection(const QString& section)
{
    FSectionsIndexed = false;
    const auto before = FSections.size();
    std::erase_if(FSections, [&](const TSection& s) { return SameName(s.Name, section); });
    FModified = FModified || before != FSections.size();
}

QString TIniFile::ToText() const
{
    QString text;
    auto writeLines = [&text](const std::vector<TLine>& lines) {
        for (const TLine& line : lines) {
            if (line.Key.isEmpty())
                text += line.Raw;
            else
                text += line.Key + QLatin1Char('=') + line.Value;
            text += QLatin1Char('\n');
        }
    };
    writeLines(FHead);
    for (const TSection& s : FSections) {
        text += QLatin1Char('[') + s.Name + QLatin1String("]\n");
        writeLines(s.Lines);
    }
    return text;
}

bool TIniFile::UpdateFile()
{
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = ToText().toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    FModified = false;
    return true;
}
