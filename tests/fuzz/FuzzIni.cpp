// Fuzz target for the INI reader: any bytes must parse, read back and write out without a fault.
#include "common/UnitIni.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TIniFile ini{QString()};
    ini.SetText(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const QString& section : ini.ReadSections()) {
        for (const QString& key : ini.ReadSection(section)) {
            (void)ini.ReadFloat(section, key, 0.0);
            (void)ini.ReadInteger(section, key, 0);
            ini.WriteString(section, key, ini.ReadString(section, key, QString()));
        }
    }
    // Writing and reading again keeps every key readable.
    const QString text = ini.ToText();
    TIniFile again{QString()};
    again.SetText(text);
    (void)again.ReadSections();
    return 0;
}
