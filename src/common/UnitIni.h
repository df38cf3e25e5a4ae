// INI files with the semantics of Windows profiles: used for the settings file and for project files.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// The whole file is held in memory. Sections and keys are found case-insensitively; sections, keys,
// comments and lines that this program does not know are kept in their place and written back.
// Values are text; the typed readers give the caller's default for a missing or unreadable value.
// Nothing reaches the disk before UpdateFile, which writes the whole file to a temporary file in the
// same folder and renames it over the old one, so a crash during a save leaves the previous file intact.
class TIniFile
{
public:
    // Reads the file when it exists; a missing or unreadable file gives an empty profile.
    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return FFileName; }
    // False when the file existed but could not be read.
    bool ReadOk() const { return FReadOk; }

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const; // the keys of a section, in file order

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Decimal integers with an optional sign (and "0x"/"$" hexadecimal); anything else gives def.
    long long ReadInt64(const QString& section, const QString& key, long long def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Any non-zero integer is true; a value that is not an integer gives def.
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    // Both "," and "." are read as the decimal separator, "e" or "E" as the exponent; non-finite or
    // unreadable values give def.
    double ReadFloat(const QString& section, const QString& key, double def) const;

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
    struct TLine
    {
        QString Key; // empty for a comment or a line that is not key=value
        QString Value;
        QString Raw; // the line as read, for lines that are not key=value
    };
    struct TSection
    {
        QString Name;
        std::vector<TLine> Lines;
        // Case-folded key -> index of its first line; rebuilt on demand after lines move.
        mutable QHash<QString, int> KeyIndex;
        mutable bool Indexed = false;
    };

    const TSection* FindSection(const QString& name) const;
    TSection* FindSection(const QString& name);
    TSection& AddSection(const QString& name);
    // Index of the key's first line in the section, -1 when absent.
    int FindKey(const TSection& section, const QString& key) const;
    const TLine* FindLine(const QString& section, const QString& key) const;

    QString FFileName;
    bool FReadOk = true;
    bool FModified = false;
    std::vector<TLine> FHead; // lines before the first section
    std::vector<TSection> FSections;
    // Case-folded section name -> index of its section; rebuilt on demand after sections go.
    mutable QHash<QString, int> FSectionIndex;
    mutable bool FSectionsIndexed = false;
};

// Reads a number typed or stored with "," or "." as the decimal separator; false when it is not one.
bool TextToFloat(const QString& text, double& value);
// Reads a decimal integer with an optional sign (or "0x"/"$" hexadecimal); false when it is not one.
bool TextToInt64(const QString& text, long long& value);
// Shortest round-trip text of a double with "." as the decimal separator.
QString FloatToText(double value);
