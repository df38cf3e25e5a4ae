// Frame source of framework 0: the built-in AVI reader.
#pragma once

#include "video/UnitFrameSource.h"

class TVfwPlay : public TFrameSource
{
public:
    TVfwPlay();
    ~TVfwPlay() override;
    bool Open(const QString& path) override;
    void Close() override;
    void Seek(int frame) override;
    bool Draw(QImage& target, const QRect& source, int rasterOp) override;
    QString DisplayName() const override { return QStringLiteral("AVI (built-in)"); }
};
