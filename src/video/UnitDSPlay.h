// Frame source of framework 1: GStreamer.
#pragma once

#include "video/UnitFrameSource.h"

class TDSPlay : public TFrameSource
{
public:
    TDSPlay();
    ~TDSPlay() override;
    bool Open(const QString& path) override;
    void Close() override;
    void Seek(int frame) override;
    bool Draw(QImage& target, const QRect& source, int rasterOp) override;
    QString DisplayName() const override { return QStringLiteral("GStreamer"); }
};
