// Reading and writing the measurement keys of a project file's "Data" section.
#pragma once

#include <QString>

class TIniFile;

// Key names: the name, then "_" and the suffix when there is one ("MarksIsAllDrawn" + "Grid" gives
// "MarksIsAllDrawn_Grid"); indexed suffixes append "_" and the 0-based index ("Grid" + 5 gives "Grid_5").
QString DataKey(const QString& name, const QString& suffix);
QString IndexedSuffix(const QString& suffix, int index);

// Reads with the caller's defaults. An integer or boolean that is missing or unreadable gives the
// default; a number that is present but does not read as a finite float makes the whole read fail
// (Ok() false) and gives the default. Counts are bounded by the number of keys the section holds, so a
// damaged count never makes the reader allocate or loop beyond what the file contains.
class TDataReader
{
public:
    explicit TDataReader(const TIniFile& ini, const QString& section = QStringLiteral("Data"));

    bool Exists(const QString& key) const;
    int Int(const QString& key, int def) const;
    int Int(const QString& key, int def, int low, int high) const; // clamped
    bool Bool(const QString& key, bool def) const;
    double Float(const QString& key, double def);
    double Float(const QString& key, double def, double low, double high); // clamped
    QString String(const QString& key, const QString& def) const;
    // A count of items: negative values give 0, values beyond the section's key count are cut there.
    int Count(const QString& key) const;

    bool Ok() const { return FOk; }
    void Fail() { FOk = false; }

private:
    const TIniFile& FIni;
    QString FSection;
    int FKeyCount = 0;
    bool FOk = true;
};

class TDataWriter
{
public:
    explicit TDataWriter(TIniFile& ini, const QString& section = QStringLiteral("Data"));

    void Int(const QString& key, long long value);
    void Bool(const QString& key, bool value);
    void Float(const QString& key, double value);
    void String(const QString& key, const QString& value);

private:
    TIniFile& FIni;
    QString FSection;
};
