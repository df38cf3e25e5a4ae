// A capture framework without a device: its devices, formats and frames are whatever the test says.
#pragma once

#include "capture/UnitCaptureFramework.h"

#include <QColor>

class TFakeFramework : public TCaptureFramework
{
public:
    explicit TFakeFramework(QStringList names, QString ending = QStringLiteral(" (Fake)"))
        : Names(std::move(names)), FEnding(std::move(ending))
    {
        for (const char* name : {"A 64 x 48", "B 32 x 24"}) {
            TCaptureFormat format;
            format.Name = QString::fromLatin1(name);
            format.Width = format.Name.startsWith('A') ? 64 : 32;
            format.Height = format.Name.startsWith('A') ? 48 : 24;
            format.RateNum = 25;
            Formats.push_back(format);
        }
    }
    ~TFakeFramework() override { Release(); }

    QString Ending() const override { return FEnding; }

    // n frames at the next slots; skip slots are left out before them (lost frames).
    void Push(int n, int skip = 0)
    {
        FSlot += skip;
        QImage image(FSize.isValid() ? FSize : QSize(64, 48), QImage::Format_RGB32);
        for (int i = 0; i < n; ++i) {
            image.fill(QColor::fromHsv((FSlot * 10) % 360, 255, 255));
            Deliver(image, FSlot++);
        }
    }
    void End(const QString& reason) { SourceEnded(reason); }
    // A picture the writer refuses, as a full disk would refuse its data.
    void PushUnwritable() { Deliver(QImage(), FSlot++); }

    QStringList Names;
    std::vector<TCaptureFormat> Formats;
    bool OpenOk = true;
    int Opened = 0;

protected:
    QStringList ListDevices() override { return Names; }
    std::vector<TCaptureFormat> ListFormats(int) override { return Formats; }
    bool OpenDevice() override
    {
        if (!OpenOk) {
            ErrorText = QStringLiteral("busy");
            return false;
        }
        ++Opened;
        FRate = 25.0;
        FSize = Format() ? QSize(Format()->Width, Format()->Height) : QSize(64, 48);
        Push(1); // the first frame, which Connect waits for
        return true;
    }
    void CloseDevice() override {}

private:
    QString FEnding;
    std::int64_t FSlot = 0;
};
