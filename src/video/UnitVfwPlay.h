// Frame source of framework 0: the built-in AVI reader (uncompressed and Motion-JPEG streams).
#pragma once

#include "video/UnitFrameSource.h"

#include <memory>

class TAviReader;

class TVfwPlay : public TFrameSource
{
public:
    TVfwPlay();
    ~TVfwPlay() override;
    // Fails (the file stays closed, ErrorText says why) for anything but an AVI file whose first video
    // stream is uncompressed or Motion-JPEG, with a positive rate, a frame period of at most 65.535 s and
    // a first frame that decodes: the caller then tries another framework.
    bool Open(const QString& path) override;
    void Close() override;
    // Only stores the frame; Draw decodes it.
    void Seek(int frame) override;
    bool Draw(QImage& target, const QRect& source, int rasterOp) override;
    QString DisplayName() const override { return QStringLiteral("AVI (built-in)"); }

private:
    void Release();
    bool Fail(const QString& reason);

    std::unique_ptr<TAviReader> FReader;
};
