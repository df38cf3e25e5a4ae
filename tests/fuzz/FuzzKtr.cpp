// Fuzz target for the project reader: any file must be refused or read without a fault, within bounds,
// and what is read must be written and read back to the same state.
#include "common/UnitIni.h"
#include "editing/UnitMontage.h"
#include "measurement/UnitData.h"
#include "project/UnitKtr.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QString Scratch(const char* name)
{
    return QDir::temp().filePath(
        QStringLiteral("fuzz_ktr_%1_%2").arg(QCoreApplication::applicationPid()).arg(QLatin1String(name)));
}

struct TOpened
{
    TData Data;
    TMontage Montage;
    TKtr Ktr;

    TOpened()
    {
        Montage.Init(40); // as with a video of 40 frames
        Ktr.Host.Data = &Data;
        Ktr.Host.Montage = &Montage;
        Ktr.Host.VideoFileName = [] { return QStringLiteral("/v.avi"); };
    }
    bool Read(const QString& path)
    {
        bool ok = Ktr.Prepare(path);
        if (ok) {
            Ktr.Upgrade();
            (void)Ktr.VideoFileName();
            ok = Ktr.CheckContent() && Ktr.ReadContent();
        }
        Ktr.Release();
        return ok;
    }
    QString State() const
    {
        TIniFile ini{QString()};
        Data.Save(ini);
        Montage.Save(ini);
        return ini.ToText();
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString input = Scratch("input.ktr");
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    TOpened first;
    if (!first.Read(input))
        return 0;
    // A file that reads is written, read again and written again: the two readings must agree.
    const QString output = Scratch("output.ktr");
    QFile::remove(output);
    first.Ktr.Release();
    if (!first.Ktr.Prepare(output) || !first.Ktr.WriteContent())
        std::abort();
    first.Ktr.Release();
    TOpened second;
    if (!second.Read(output) || second.State() != first.State())
        std::abort();
    return 0;
}
