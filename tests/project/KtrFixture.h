// A project's objects without a window: measurement data on a fake view, an edited sequence, the view
// state and the project file wired to them.
#pragma once

#include "common/UnitIni.h"
#include "editing/UnitMontage.h"
#include "measurement/FakeDataView.h"
#include "measurement/UnitData.h"
#include "project/UnitKtr.h"

#include <QFile>
#include <QString>

struct TWork
{
    TFakeView View;
    TData Data{nullptr, &View};
    TMontage Montage;
    QString Video = QStringLiteral("/videos/ball.avi");
    TKtr Ktr;

    TWork()
    {
        Montage.Init(View.Frames);
        TKtrHost& h = Ktr.Host;
        h.Data = &Data;
        h.Montage = &Montage;
        h.VideoOpen = [] { return true; };
        h.VideoFileName = [this] { return Video; };
        h.SaveViewState = [this](TIniFile& ini) {
            ini.WriteInteger(QStringLiteral("Video"), QStringLiteral("ImageNumber"), View.FrameShown);
            ini.WriteInteger(QStringLiteral("Video"), QStringLiteral("MarkingMode"),
                             View.ModeValue == mvTransparent ? 1 : 0);
        };
        h.LoadViewState = [this](const TIniFile& ini) {
            View.FrameShown = ini.ReadInteger(QStringLiteral("Video"), QStringLiteral("ImageNumber"), 1);
            View.ModeValue = ini.ReadInteger(QStringLiteral("Video"), QStringLiteral("MarkingMode"), 0) == 1
                                 ? mvTransparent
                                 : mvRepereFixe;
        };
    }

    // Writes the work to path as a save does (without dialogs).
    bool SaveTo(const QString& path)
    {
        Ktr.Release();
        const bool ok = Ktr.Prepare(path) && Ktr.WriteContent();
        Ktr.Release();
        return ok;
    }
    // Reads path as an opening does once the video is open.
    bool LoadFrom(const QString& path)
    {
        Ktr.Release();
        bool ok = Ktr.Prepare(path);
        if (ok) {
            Ktr.Upgrade();
            ok = Ktr.CheckContent() && Ktr.ReadContent();
        }
        Ktr.Release();
        return ok;
    }
    // Everything of the measurement data and the edited sequence that a project keeps, as text.
    QString State() const
    {
        TIniFile ini{QString()};
        Data.Save(ini);
        Montage.Save(ini);
        return ini.ToText();
    }
};

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString DataFile(const QString& name)
{
    return QStringLiteral(KINOTRA_SOURCE_DIR "/tests/data/") + name;
}
