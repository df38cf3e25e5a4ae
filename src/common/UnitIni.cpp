// INI reader and writer with hashed case-insensitive look-up and atomic replacement of the file; the typed
// key readers and writers of project files.
#include "common/UnitIni.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool IsBlank(const QString& raw)
{
    return raw.trimmed().isEmpty();
}

} // namespace

QString DecodeIniText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) // files written by older programs are in a single-byte code page
        text = QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

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
    if (file.size() > MaxFileSize || !file.open(QIODevice::ReadOnly)) {
        FReadOk = false;
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        FReadOk = false;
        return;
    }
    SetText(DecodeIniText(bytes));
}

// Names equal without regard to case hash alike: the hash takes the case-folded ASCII characters only (a
// character that folds to one, like the Kelvin sign, counts as it), so it agrees with
// QString::compare(..., Qt::CaseInsensitive) whatever the other characters are.
size_t TIniFile::TNoCase::Hash(const QString& name) noexcept
{
    size_t h = 0x9e3779b97f4a7c15ULL;
    for (const QChar c : name) {
        char32_t u = c.unicode();
        if (u >= 0x80)
            u = QChar::toCaseFolded(u);
        if (u >= 0x80)
            continue;
        if (u >= 'A' && u <= 'Z')
            u += 'a' - 'A';
        h = (h ^ u) * 0x100000001b3ULL;
    }
    // The index takes the low bits: names that differ only in their last digits must differ there too.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

void TIniFile::SetText(const QString& text)
{
    FHead.clear();
    FSections.clear();
    FSectionIndex.clear();
    // Lines are read through views of the text: only the parts kept are copied.
    const QStringView all(text);
    auto forEachLine = [all](auto&& take) {
        qsizetype start = 0;
        while (start < all.size()) {
            qsizetype end = all.indexOf(QLatin1Char('\n'), start);
            if (end < 0)
                end = all.size();
            QStringView raw = all.mid(start, end - start);
            start = end + 1;
            if (raw.endsWith(QLatin1Char('\r')))
                raw.chop(1);
            if (end == all.size() && raw.isEmpty())
                break; // after the final line break
            take(raw);
        }
    };
    auto sectionName = [](QStringView trimmed, QString& name) {
        if (!trimmed.startsWith(QLatin1Char('[')))
            return false;
        const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
        if (close <= 0)
            return false;
        name = trimmed.mid(1, close - 1).trimmed().toString();
        return true;
    };
    // First the sections and their sizes, so that each section's lines and index are allocated once: a
    // large section is neither copied at every doubling nor rehashed.
    int current = -1;
    std::vector<std::size_t> counts;
    QString name;
    forEachLine([&](QStringView raw) {
        if (sectionName(raw.trimmed(), name)) {
            const TNoCase key(name);
            auto it = FSectionIndex.constFind(key);
            if (it == FSectionIndex.constEnd()) { // a repeated section continues the first one
                it = FSectionIndex.insert(key, int(FSections.size()));
                FSections.push_back(TSection{name, {}, {}, {}, 0});
                counts.push_back(0);
            }
            current = *it;
        } else if (current >= 0) {
            ++counts[std::size_t(current)];
        }
    });
    for (std::size_t i = 0; i < FSections.size(); ++i) {
        FSections[i].Lines.reserve(counts[i]);
        FSections[i].Index.reserve(qsizetype(counts[i]));
    }
    current = -1;
    forEachLine([&](QStringView raw) {
        const QStringView trimmed = raw.trimmed();
        if (sectionName(trimmed, name)) {
            current = FSectionIndex.value(TNoCase(name), -1);
            return;
        }
        TLine line;
        const qsizetype eq = raw.indexOf(QLatin1Char('='));
        if (eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            line.Key = raw.left(eq).trimmed().toString();
            if (!line.Key.isEmpty())
                line.Value = raw.mid(eq + 1).trimmed().toString();
        }
        if (line.Key.isEmpty())
            line.Raw = raw.toString();
        if (current < 0) {
            FHead.push_back(std::move(line));
            return;
        }
        TSection& s = FSections[std::size_t(current)];
        const int index = int(s.Lines.size());
        if (!line.Key.isEmpty()) {
            const TNoCase key(line.Key);
            if (const auto first = s.Index.constFind(key); first == s.Index.constEnd()) {
                s.Index.insert(key, index);
            } else { // a repeated key: chained after the last line of that key
                TLine& head = s.Lines[std::size_t(*first)];
                s.Lines[std::size_t(head.Last)].Next = index;
                head.Last = index;
                line.Repeat = true;
            }
            line.Last = index;
            ++s.Keys;
        }
        s.Lines.push_back(std::move(line));
    });
    FModified = false;
}

void TIniFile::RebuildSectionIndex()
{
    FSectionIndex.clear();
    for (int i = int(FSections.size()) - 1; i >= 0; --i) // the first of equal names wins
        FSectionIndex.insert(TNoCase(FSections[std::size_t(i)].Name), i);
}

const TIniFile::TSection* TIniFile::FindSection(const QString& name) const
{
    const auto it = FSectionIndex.constFind(TNoCase(name));
    return it == FSectionIndex.constEnd() ? nullptr : &FSections[std::size_t(*it)];
}

TIniFile::TSection* TIniFile::FindSection(const QString& name)
{
    return const_cast<TSection*>(std::as_const(*this).FindSection(name));
}

TIniFile::TSection& TIniFile::SectionOrNew(const QString& name)
{
    const TNoCase folded(name);
    auto it = FSectionIndex.constFind(folded);
    if (it == FSectionIndex.constEnd()) {
        it = FSectionIndex.insert(folded, int(FSections.size()));
        FSections.push_back(TSection{name, {}, {}, {}, 0});
        FModified = true;
    }
    return FSections[std::size_t(*it)];
}

const TIniFile::TLine* TIniFile::FindLine(const QString& section, const QString& key) const
{
    const TSection* s = FindSection(section);
    if (!s)
        return nullptr;
    // A live line that holds the key and is not a repeat is the one the index gives.
    const std::size_t at = std::size_t(s - FSections.data());
    const std::size_t next = FCursorLine + 1;
    if (at == FCursorSection && next < s->Lines.size()) {
        const TLine& line = s->Lines[next];
        if (!line.Dead && !line.Repeat && line.Key == key) {
            FCursorLine = next;
            return &line;
        }
    }
    const auto it = s->Index.constFind(TNoCase(key));
    if (it == s->Index.constEnd())
        return nullptr;
    FCursorSection = at;
    FCursorLine = std::size_t(*it);
    return &s->Lines[std::size_t(*it)];
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
            if (!line.Key.isEmpty() && !line.Dead)
                keys << line.Key;
    return keys;
}

int TIniFile::KeyCount(const QString& section) const
{
    const TSection* s = FindSection(section);
    return s ? s->Keys : 0;
}

const QString* TIniFile::Find(const QString& section, const QString& key) const
{
    const TLine* line = FindLine(section, key);
    return line ? &line->Value : nullptr;
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
    if (key.isEmpty())
        return; // a line without a key name would read back as no key at all
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    TSection& s = SectionOrNew(section);
    const TNoCase folded(key);
    if (const auto it = s.Index.constFind(folded); it != s.Index.constEnd()) {
        TLine& line = s.Lines[std::size_t(*it)];
        if (line.Value != clean) {
            line.Value = clean;
            FModified = true;
        }
        return;
    }
    // New keys go after the last line that is not blank: the blank lines after it move to the trailing
    // lines and deleted lines there are dropped. Each line moves at most once, so adding n keys stays O(n);
    // no live line moves, so the index stays right.
    while (!s.Lines.empty()) {
        TLine& last = s.Lines.back();
        if (!last.Dead && (!last.Key.isEmpty() || !IsBlank(last.Raw)))
            break;
        if (!last.Dead)
            s.Trailing.push_front(std::move(last.Raw));
        s.Lines.pop_back();
    }
    const int index = int(s.Lines.size());
    s.Index.insert(folded, index);
    s.Lines.push_back(TLine{key, clean, {}, -1, index, false});
    ++s.Keys;
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
    const auto it = s->Index.find(TNoCase(key));
    if (it == s->Index.end())
        return;
    for (int i = *it; i >= 0; i = s->Lines[std::size_t(i)].Next) {
        s->Lines[std::size_t(i)].Dead = true;
        --s->Keys;
    }
    s->Index.erase(it);
    FModified = true;
}

void TIniFile::EraseSection(const QString& section)
{
    const auto before = FSections.size();
    const QString folded = section.toCaseFolded();
    std::erase_if(FSections, [&](const TSection& s) { return s.Name.toCaseFolded() == folded; });
    if (before != FSections.size()) {
        RebuildSectionIndex();
        FModified = true;
    }
}

QString TIniFile::ToText() const
{
    QString text;
    auto writeLines = [&text](const std::vector<TLine>& lines) {
        for (const TLine& line : lines) {
            if (line.Dead)
                continue;
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
        for (const QString& raw : s.Trailing)
            text += raw + QLatin1Char('\n');
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

// ====================================================================================================
// Keys and typed access

QString DataKey(const QString& name, const QString& suffix)
{
    return suffix.isEmpty() ? name : name + QLatin1Char('_') + suffix;
}

QString IndexedKey(const QString& name, long long index)
{
    return name + QLatin1Char('_') + QString::number(index);
}

TDataReader::TDataReader(const TIniFile& ini, const QString& section)
    : FIni(ini), FSection(section), FKeyCount(ini.KeyCount(section))
{
}

bool TDataReader::Exists(const QString& key) const
{
    return FIni.ValueExists(FSection, key);
}

long long TDataReader::Int64(const QString& key, long long def) const
{
    return FIni.ReadInt64(FSection, key, def);
}

int TDataReader::Int(const QString& key, int def) const
{
    return FIni.ReadInteger(FSection, key, def);
}

int TDataReader::Int(const QString& key, int def, int low, int high) const
{
    return std::clamp(Int(key, def), low, high);
}

bool TDataReader::Bool(const QString& key, bool def) const
{
    return FIni.ReadBool(FSection, key, def);
}

double TDataReader::Float(const QString& key, double def)
{
    const QString* text = FIni.Find(FSection, key);
    if (!text)
        return def;
    double value = def;
    if (!TextToFloat(*text, value)) {
        FOk = false;
        return def;
    }
    return value;
}

double TDataReader::Float(const QString& key, double def, double low, double high)
{
    return std::clamp(Float(key, def), low, high);
}

QString TDataReader::String(const QString& key, const QString& def) const
{
    return FIni.ReadString(FSection, key, def);
}

int TDataReader::Count(const QString& key) const
{
    return std::clamp(Int(key, 0), 0, FKeyCount);
}

TDataWriter::TDataWriter(TIniFile& ini, const QString& section) : FIni(ini), FSection(section) {}

void TDataWriter::Int(const QString& key, long long value)
{
    FIni.WriteInteger(FSection, key, value);
}

void TDataWriter::Bool(const QString& key, bool value)
{
    FIni.WriteBool(FSection, key, value);
}

void TDataWriter::Float(const QString& key, double value)
{
    FIni.WriteFloat(FSection, key, value);
}

void TDataWriter::String(const QString& key, const QString& value)
{
    FIni.WriteString(FSection, key, value);
}

void TDataWriter::Delete(const QString& key)
{
    FIni.DeleteKey(FSection, key);
}
