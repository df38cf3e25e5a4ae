// Reading and writing the keys of a project file's sections ("Data" and the others) in linear time.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TIniFile;

// Key names: the name, then "_" and the suffix when there is one ("MarksIsAllDrawn" + "Grid" gives
// "MarksIsAllDrawn_Grid"); indexed suffixes append "_" and the 0-based index ("Grid" + 5 gives "Grid_5").
QString DataKey(const QString& name, const QString& suffix);
QString IndexedSuffix(const QString& suffix, int index);

// An editing session on a whole profile with hashed look-up, so that reading or writing n keys costs O(n)
// instead of O(n^2) (the profile itself searches each section line by line). The session parses the
// profile's text once; reads see the session's own changes; Commit hands the whole text back to the
// profile in one piece (also done by the destructor of a writable session). While a session is open
// nobody else may change the profile.
//
// Look-up follows the profile: sections and keys match case-insensitively and the first line of a key
// wins. A changed key keeps its place; a new key goes after the last non-blank line of its section, new
// sections go to the end; a deleted key loses every line it has in its section.
class TIniEditor
{
public:
    explicit TIniEditor(const TIniFile& ini); // read-only
    explicit TIniEditor(TIniFile& ini);
    ~TIniEditor();
    TIniEditor(const TIniEditor&) = delete;
    TIniEditor& operator=(const TIniEditor&) = delete;

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    // The value, or null when the key is missing.
    const QString* Find(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Number of key lines of the section, duplicates included.
    int KeyCount(const QString& section) const;
    // The keys of the section in file order (a key with several lines once).
    QStringList Keys(const QString& section) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void DeleteKey(const QString& section, const QString& key);

    // Writes the session's text into the profile when something changed. False for a read-only session.
    bool Commit();

private:
    struct TLine
    {
        QString Key; // empty for a line that is not key=value
        QString Value;
        QString Raw;
        bool Dead = false;
        bool Added = false;
    };
    struct TSection
    {
        QString Name;
        std::vector<TLine> Lines;
        QHash<QString, std::vector<int>> Index; // case-folded key -> its live lines, in file order
        int Keys = 0;                           // live key lines
    };

    void Parse(const QString& text);
    const TSection* FindSection(const QString& name) const;
    QString Text() const;

    TIniFile* FTarget = nullptr;
    bool FChanged = false;
    QString FHead; // lines before the first section, as text
    std::vector<TSection> FSections;
    QHash<QString, int> FSectionIndex; // case-folded name -> index in FSections
};

// Reads with the caller's defaults. An integer or boolean that is missing or unreadable gives the
// default; a number that is present but does not read as a finite float makes the whole read fail
// (Ok() false) and gives the default. Counts are bounded by the number of keys the section holds, so a
// damaged count never makes the reader allocate or loop beyond what the file contains.
class TDataReader
{
public:
    // Reads from its own snapshot of the profile.
    explicit TDataReader(const TIniFile& ini, const QString& section = QStringLiteral("Data"));
    // Reads from the caller's session (which must outlive the reader).
    TDataReader(const TIniEditor& editor, const QString& section);
    ~TDataReader();

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
    std::unique_ptr<TIniEditor> FOwn;
    const TIniEditor& FEditor;
    QString FSection;
    int FKeyCount = 0;
    bool FOk = true;
};

// Writes typed values: integers in decimal, booleans "1"/"0", floats as the shortest text that reads back
// to the same double (with "." as the decimal separator).
class TDataWriter
{
public:
    // Writes through its own session, handed to the profile when the writer is destroyed.
    explicit TDataWriter(TIniFile& ini, const QString& section = QStringLiteral("Data"));
    // Writes through the caller's session (which must outlive the writer).
    TDataWriter(TIniEditor& editor, const QString& section);
    ~TDataWriter();
    TDataWriter(const TDataWriter&) = delete;
    TDataWriter& operator=(const TDataWriter&) = delete;

    void Int(const QString& key, long long value);
    void Bool(const QString& key, bool value);
    void Float(const QString& key, double value);
    void String(const QString& key, const QString& value);
    void Delete(const QString& key);

private:
    std::unique_ptr<TIniEditor> FOwn;
    TIniEditor& FEditor;
    QString FSection;
};
