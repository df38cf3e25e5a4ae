// INI files with the semantics of Windows profiles (the settings file and project files), their section
// names and the typed key readers and writers of project files.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// Sections of a project file and of the settings file.
inline const QString SectionMain = QStringLiteral("Main");
inline const QString SectionData = QStringLiteral("Data");
inline const QString SectionVideo = QStringLiteral("Video");
inline const QString SectionMontage = QStringLiteral("Montage");
inline const QString SectionFormules = QStringLiteral("Formules");
inline const QString SectionRecord = QStringLiteral("Record");
inline const QString SectionOptions = QStringLiteral("Options");

// The whole file is held in memory. Sections and keys are found case-insensitively through hash indexes,
// so reading, writing or deleting n keys costs O(n) whatever the size of the file; sections, keys,
// comments and lines that this program does not know are kept in their place and written back.
// The first line of a repeated key wins; a repeated section continues the first one. A changed key keeps
// its place; a new key goes after the last line of its section that is not blank; new sections go to the
// end; a deleted key loses every line it has in its section.
// Values are text; the typed readers give the caller's default for a missing or unreadable value.
// Nothing reaches the disk before UpdateFile, which writes the whole file to a temporary file in the
// same folder and renames it over the old one, so a crash during a save leaves the previous file intact.
class TIniFile
{
public:
    // Reads the file when it exists; a missing or unreadable file gives an empty profile.
    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return FFileName; }
    // False when the file existed but could not be read (or exceeds MaxFileSize).
    bool ReadOk() const { return FReadOk; }

    // Larger files are refused rather than read into memory: no settings or project file comes near it.
    static constexpr qint64 MaxFileSize = 256LL * 1024 * 1024;

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const; // the keys of a section, in file order
    // Number of key lines of the section, repeated keys included.
    int KeyCount(const QString& section) const;

    // The value, or null when the key is missing; valid until the next change of the profile.
    const QString* Find(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Decimal integers with an optional sign (and "0x"/"$" hexadecimal); anything else gives def.
    long long ReadInt64(const QString& section, const QString& key, long long def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Any non-zero integer is true; a value that is not an integer gives def.
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    // Both "," and "." are read as the decimal separator, "e" or "E" as the exponent; non-finite or
    // unreadable values give def.
    double ReadFloat(const QString& section, const QString& key, double def) const;

    // Line breaks inside a value are written as spaces (they would split it into lines of their own).
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, long long value);
    void WriteBool(const QString& section, const QString& key, bool value); // "1" or "0"
    // Shortest text that reads back to the same double, with "." as the decimal separator.
    void WriteFloat(const QString& section, const QString& key, double value);

    void DeleteKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);

    bool Modified() const { return FModified; }
    // Writes the whole profile atomically; false (and the old file untouched) on any failure.
    bool UpdateFile();

    // The text the profile would be written as (also used by tests).
    QString ToText() const;

    // Parses text in place of a file's content.
    void SetText(const QString& text);

private:
    // A section or key name in an index: equal to any name that differs only in case, without making a
    // case-folded copy of each name read or looked up.
    struct TNoCase
    {
        explicit TNoCase(const QString& name) : Name(name), Folded(Hash(name)) {}
        QString Name;
        size_t Folded; // the same for names that differ only in case
        friend bool operator==(const TNoCase& a, const TNoCase& b)
        {
            return a.Folded == b.Folded &&
                   (a.Name == b.Name || a.Name.compare(b.Name, Qt::CaseInsensitive) == 0);
        }
        friend size_t qHash(const TNoCase& key, size_t seed) noexcept { return key.Folded ^ seed; }
        static size_t Hash(const QString& name) noexcept;
    };
    struct TLine
    {
        QString Key; // empty for a comment, a blank line or a line that is not key=value
        QString Value;
        QString Raw;         // the line as read, for lines that are not key=value
        int Next = -1;       // the next line of the same key in the section (repeated keys), -1 for none
        int Last = -1;       // in the first line of a key: the last line of that key
        bool Dead = false;   // deleted: skipped everywhere (dropped when a new key follows it)
        bool Repeat = false; // a later line of a key repeated in its section (the first one wins)
    };
    struct TSection
    {
        QString Name;
        std::vector<TLine> Lines;
        // Blank lines that followed the last other line when a key was added: new keys go before them.
        std::deque<QString> Trailing;
        QHash<TNoCase, int> Index; // key, whatever its case -> its first live line
        int Keys = 0;              // live key lines
    };

    const TSection* FindSection(const QString& name) const;
    TSection* FindSection(const QString& name);
    TSection& SectionOrNew(const QString& name);
    const TLine* FindLine(const QString& section, const QString& key) const;
    void RebuildSectionIndex();

    QString FFileName;
    bool FReadOk = true;
    bool FModified = false;
    std::vector<TLine> FHead; // lines before the first section
    std::vector<TSection> FSections;
    QHash<TNoCase, int> FSectionIndex; // section name, whatever its case -> index of its (first) section
    // The last line found: readers mostly ask for keys in the order of the file, so the line after it is
    // tried before the index (lines stay in the processor's caches when a large section is read). A hint
    // only: the line it gives is checked. Reads are therefore not for two threads at once.
    mutable std::size_t FCursorSection = 0;
    mutable std::size_t FCursorLine = 0;
};

// Reads a number typed or stored with "," or "." as the decimal separator; false when it is not one.
bool TextToFloat(const QString& text, double& value);
// Reads a decimal integer with an optional sign (or "0x"/"$" hexadecimal); false when it is not one.
bool TextToInt64(const QString& text, long long& value);
// Shortest round-trip text of a double with "." as the decimal separator.
QString FloatToText(double value);
// The text of a file's bytes as the profile reads them: UTF-8, or Latin-1 for files written in a
// single-byte code page; a leading byte-order mark is dropped.
QString DecodeIniText(const QByteArray& bytes);

// Key names of project files: the name, then "_" and the suffix when there is one ("MarksIsAllDrawn" +
// "Grid" gives "MarksIsAllDrawn_Grid"); indexed keys append "_" and the 0-based index in decimal
// ("MarkColor" + 5 gives "MarkColor_5", "SystemName_Grid" + 2 gives "SystemName_Grid_2").
QString DataKey(const QString& name, const QString& suffix);
QString IndexedKey(const QString& name, long long index);

// Typed reads of one section with the caller's defaults. An integer or boolean that is missing or
// unreadable gives the default; a number that is present but does not read as a finite float makes the
// whole read fail (Ok() false) and gives the default. Counts are bounded by the number of keys the section
// holds, so a damaged count never makes the reader allocate or loop beyond what the file contains.
// The profile must outlive the reader and stay unchanged while it reads.
class TDataReader
{
public:
    explicit TDataReader(const TIniFile& ini, const QString& section = SectionData);

    bool Exists(const QString& key) const;
    int Int(const QString& key, int def) const;
    int Int(const QString& key, int def, int low, int high) const; // clamped
    long long Int64(const QString& key, long long def) const;
    bool Bool(const QString& key, bool def) const;
    double Float(const QString& key, double def);
    double Float(const QString& key, double def, double low, double high); // clamped
    QString String(const QString& key, const QString& def) const;
    // A count of items: negative values give 0, values beyond the section's key count are cut there.
    int Count(const QString& key) const;
    int KeyCount() const { return FKeyCount; }

    bool Ok() const { return FOk; }
    void Fail() { FOk = false; }

private:
    const TIniFile& FIni;
    QString FSection;
    int FKeyCount = 0;
    bool FOk = true;
};

// Typed writes into one section: integers in decimal, booleans "1"/"0", floats as the shortest text that
// reads back to the same double (with "." as the decimal separator). The profile must outlive the writer.
class TDataWriter
{
public:
    explicit TDataWriter(TIniFile& ini, const QString& section = SectionData);

    void Int(const QString& key, long long value);
    void Bool(const QString& key, bool value);
    void Float(const QString& key, double value);
    void String(const QString& key, const QString& value);
    void Delete(const QString& key);

private:
    TIniFile& FIni;
    QString FSection;
};
