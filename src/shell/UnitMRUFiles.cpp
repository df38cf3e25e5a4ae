// The recent-files list and its persistence.
#include "shell/UnitMRUFiles.h"

#include "common/UnitIni.h"

#include <QFileInfo>

void TMRUFiles::SetMaxEntries(int value)
{
    if (value <= 0 || value == FMaxEntries)
        return;
    FMaxEntries = value;
    if (FFiles.size() > value) {
        FFiles = FFiles.mid(0, value);
        Changed();
    }
}

void TMRUFiles::Add(const QString& path)
{
    if (path.isEmpty())
        return;
    for (qsizetype i = FFiles.size() - 1; i >= 0; --i)
        if (FFiles[i].compare(path, Qt::CaseInsensitive) == 0)
            FFiles.removeAt(i);
    while (FFiles.size() >= FMaxEntries && !FFiles.isEmpty())
        FFiles.removeAt(std::min<qsizetype>(FMaxEntries - 1, FFiles.size() - 1));
    FFiles.prepend(path);
    Changed();
}

void TMRUFiles::Load(const TIniFile& ini, const QString& section)
{
    FFiles.clear();
    for (int i = 1; i <= FMaxEntries; ++i) {
        const QString path = ini.ReadString(section, QStringLiteral("File%1").arg(i), QString());
        if (path.isEmpty() || !QFileInfo(path).isFile())
            continue;
        const bool known = std::any_of(FFiles.begin(), FFiles.end(), [&](const QString& f) {
            return f.compare(path, Qt::CaseInsensitive) == 0;
        });
        if (!known)
            FFiles << path;
    }
    Changed();
}

void TMRUFiles::Save(TIniFile& ini, const QString& section) const
{
    ini.EraseSection(section);
    for (qsizetype i = 0; i < FFiles.size(); ++i)
        ini.WriteString(section, QStringLiteral("File%1").arg(i + 1), FFiles[i]);
}

QString TMRUFiles::Caption(int i) const
{
    if (i < 0 || i >= FFiles.size())
        return {};
    const QString shown = Numbered ? QFileInfo(FFiles[i]).fileName() : FFiles[i];
    return QStringLiteral("&%1 %2").arg(i + 1).arg(QStringLiteral(" :  ") + shown);
}

void TMRUFiles::Changed()
{
    if (OnChange)
        OnChange();
}
