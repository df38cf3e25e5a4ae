// Typed, bounded access to the sections of a project file, through a hashed editing session.
#include "measurement/UnitDataIni.h"

#include "common/UnitIni.h"

#include <QStringList>
#include <algorithm>
#include <limits>

QString DataKey(const QString& name, const QString& suffix)
{
    return suffix.isEmpty() ? name : name + QLatin1Char('_') + suffix;
}

QString IndexedSuffix(const QString& suffix, int index)
{
    return suffix + QLatin1Char('_') + QString::number(index);
}

// ====================================================================================================
// TIniEditor

TIniEditor::TIniEditor(const TIniFile& ini)
{
    Parse(ini.ToText());
}

TIniEditor::TIniEditor(TIniFile& ini) : FTarget(&ini)
{
    Parse(ini.ToText());
}

TIniEditor::~TIniEditor()
{
    Commit();
}

void TIniEditor::Parse(const QString& text)
{
    // The profile's own text is already normalised (one header per section, "key=value" lines), so the
    // rules of its reader give back exactly the lines it holds.
    TSection* current = nullptr;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = size;
        const QString raw = text.mid(start, end - start);
        start = end + 1;
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            if (close > 0) {
                const QString name = trimmed.mid(1, close - 1).trimmed();
                const QString folded = name.toCaseFolded();
                auto it = FSectionIndex.constFind(folded);
                if (it == FSectionIndex.constEnd()) {
                    it = FSectionIndex.insert(folded, int(FSections.size()));
                    FSections.push_back(TSection{name, {}, {}, 0});
                }
                current = &FSections[std::size_t(*it)];
                continue;
            }
        }
        if (!current) {
            FHead += raw + QLatin1Char('\n');
            continue;
        }
        TLine line;
        const qsizetype eq = raw.indexOf(QLatin1Char('='));
        if (eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            line.Key = raw.left(eq).trimmed();
            line.Value = raw.mid(eq + 1).trimmed();
        }
        if (line.Key.isEmpty()) {
            line.Raw = raw;
            line.Value.clear();
        } else {
            current->Index[line.Key.toCaseFolded()].push_back(int(current->Lines.size()));
            ++current->Keys;
        }
        current->Lines.push_back(std::move(line));
    }
}

const TIniEditor::TSection* TIniEditor::FindSection(const QString& name) const
{
    const auto it = FSectionIndex.constFind(name.toCaseFolded());
    return it == FSectionIndex.constEnd() ? nullptr : &FSections[std::size_t(*it)];
}

bool TIniEditor::SectionExists(const QString& section) const
{
    return FindSection(section) != nullptr;
}

bool TIniEditor::ValueExists(const QString& section, const QString& key) const
{
    return Find(section, key) != nullptr;
}

const QString* TIniEditor::Find(const QString& section, const QString& key) const
{
    const TSection* s = FindSection(section);
    if (!s)
        return nullptr;
    const auto it = s->Index.constFind(key.toCaseFolded());
    if (it == s->Index.constEnd() || it->empty())
        return nullptr;
    return &s->Lines[std::size_t(it->front())].Value;
}

QString TIniEditor::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const QString* value = Find(section, key);
    return value ? *value : def;
}

int TIniEditor::KeyCount(const QString& section) const
{
    const TSection* s = FindSection(section);
    return s ? s->Keys : 0;
}

QStringList TIniEditor::Keys(const QString& section) const
{
    QStringList keys;
    if (const TSection* s = FindSection(section))
        for (std::size_t i = 0; i < s->Lines.size(); ++i) {
            const TLine& line = s->Lines[i];
            if (!line.Key.isEmpty() && !line.Dead &&
                s->Index.value(line.Key.toCaseFolded()).front() == int(i))
                keys << line.Key;
        }
    return keys;
}

void TIniEditor::WriteString(const QString& section, const QString& key, const QString& value)
{
    // Line breaks inside a value would split it into lines of their own when read back.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString folded = section.toCaseFolded();
    auto sit = FSectionIndex.constFind(folded);
    if (sit == FSectionIndex.constEnd()) {
        sit = FSectionIndex.insert(folded, int(FSections.size()));
        FSections.push_back(TSection{section, {}, {}, 0});
        FChanged = true;
    }
    TSection& s = FSections[std::size_t(*sit)];
    std::vector<int>& lines = s.Index[key.toCaseFolded()];
    if (!lines.empty()) {
        QString& stored = s.Lines[std::size_t(lines.front())].Value;
        if (stored != clean) {
            stored = clean;
            FChanged = true;
        }
        return;
    }
    lines.push_back(int(s.Lines.size()));
    s.Lines.push_back(TLine{key, clean, {}, false, true});
    ++s.Keys;
    FChanged = true;
}

void TIniEditor::DeleteKey(const QString& section, const QString& key)
{
    const auto sit = FSectionIndex.constFind(section.toCaseFolded());
    if (sit == FSectionIndex.constEnd())
        return;
    TSection& s = FSections[std::size_t(*sit)];
    const auto it = s.Index.find(key.toCaseFolded());
    if (it == s.Index.end() || it->empty())
        return;
    for (int index : *it)
        s.Lines[std::size_t(index)].Dead = true;
    s.Keys -= int(it->size());
    it->clear();
    FChanged = true;
}

QString TIniEditor::Text() const
{
    QString text = FHead;
    auto put = [&text](const TLine& line) {
        text += line.Key.isEmpty() ? line.Raw : line.Key + QLatin1Char('=') + line.Value;
        text += QLatin1Char('\n');
    };
    for (const TSection& s : FSections) {
        text += QLatin1Char('[') + s.Name + QLatin1String("]\n");
        // Added keys follow the last line of the section that is not blank, as the profile places them.
        std::size_t insertAt = 0;
        for (std::size_t i = 0; i < s.Lines.size(); ++i) {
            const TLine& line = s.Lines[i];
            if (!line.Added && !line.Dead && (!line.Key.isEmpty() || !line.Raw.trimmed().isEmpty()))
                insertAt = i + 1;
        }
        for (std::size_t i = 0; i < s.Lines.size(); ++i) {
            if (i == insertAt)
                for (const TLine& added : s.Lines)
                    if (added.Added && !added.Dead)
                        put(added);
            if (!s.Lines[i].Added && !s.Lines[i].Dead)
                put(s.Lines[i]);
        }
        if (insertAt == s.Lines.size())
            for (const TLine& added : s.Lines)
                if (added.Added && !added.Dead)
                    put(added);
    }
    return text;
}

bool TIniEditor::Commit()
{
    if (!FTarget)
        return false;
    if (FChanged) {
        FTarget->SetText(Text());
        FChanged = false;
    }
    return true;
}

// ====================================================================================================
// TDataReader

TDataReader::TDataReader(const TIniFile& ini, const QString& section)
    : FOwn(std::make_unique<TIniEditor>(ini)), FEditor(*FOwn), FSection(section),
      FKeyCount(FEditor.KeyCount(section))
{
}

TDataReader::TDataReader(const TIniEditor& editor, const QString& section)
    : FEditor(editor), FSection(section), FKeyCount(editor.KeyCount(section))
{
}

TDataReader::~TDataReader() = default;

bool TDataReader::Exists(const QString& key) const
{
    return FEditor.ValueExists(FSection, key);
}

long long TDataReader::Int64(const QString& key, long long def) const
{
    const QString* text = FEditor.Find(FSection, key);
    long long value = def;
    if (!text || !TextToInt64(*text, value))
        return def;
    return value;
}

int TDataReader::Int(const QString& key, int def) const
{
    const long long value = Int64(key, def);
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return def;
    return int(value);
}

int TDataReader::Int(const QString& key, int def, int low, int high) const
{
    return std::clamp(Int(key, def), low, high);
}

bool TDataReader::Bool(const QString& key, bool def) const
{
    return Int64(key, def ? 1 : 0) != 0;
}

double TDataReader::Float(const QString& key, double def)
{
    const QString* text = FEditor.Find(FSection, key);
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
    return FEditor.ReadString(FSection, key, def);
}

int TDataReader::Count(const QString& key) const
{
    return std::clamp(Int(key, 0), 0, FKeyCount);
}

// ====================================================================================================
// TDataWriter

TDataWriter::TDataWriter(TIniFile& ini, const QString& section)
    : FOwn(std::make_unique<TIniEditor>(ini)), FEditor(*FOwn), FSection(section)
{
}

TDataWriter::TDataWriter(TIniEditor& editor, const QString& section) : FEditor(editor), FSection(section) {}

TDataWriter::~TDataWriter() = default; // an own session commits when it goes

void TDataWriter::Int(const QString& key, long long value)
{
    FEditor.WriteString(FSection, key, QString::number(value));
}

void TDataWriter::Bool(const QString& key, bool value)
{
    FEditor.WriteString(FSection, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TDataWriter::Float(const QString& key, double value)
{
    FEditor.WriteString(FSection, key, FloatToText(value));
}

void TDataWriter::String(const QString& key, const QString& value)
{
    FEditor.WriteString(FSection, key, value);
}

void TDataWriter::Delete(const QString& key)
{
    FEditor.DeleteKey(FSection, key);
}
