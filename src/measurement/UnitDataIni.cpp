// Typed, bounded access to the "Data" section of a project file.
#include "measurement/UnitDataIni.h"

#include "common/UnitIni.h"

#include <algorithm>

QString DataKey(const QString& name, const QString& suffix)
{
    return suffix.isEmpty() ? name : name + QLatin1Char('_') + suffix;
}

QString IndexedSuffix(const QString& suffix, int index)
{
    return suffix + QLatin1Char('_') + QString::number(index);
}

TDataReader::TDataReader(const TIniFile& ini, const QString& section)
    : FIni(ini), FSection(section), FKeyCount(int(ini.ReadSection(section).size()))
{
}

bool TDataReader::Exists(const QString& key) const
{
    return FIni.ValueExists(FSection, key);
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
    if (!FIni.ValueExists(FSection, key))
        return def;
    double value = def;
    if (!TextToFloat(FIni.ReadString(FSection, key, QString()), value)) {
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
