// Video writer over GStreamer: images pushed into appsrc, then an encoder of the installation, the AVI
// multiplexer and a file.
#pragma once

#include "editing/UnitVideoWriter.h"

#include <QStringList>
#include <memory>

// The codec list holds the long names of the installed video encoders whose output the AVI multiplexer
// takes, best ranked first. Failures: ErrorCode 1 (any failure of the pipeline: unwritable folder, full
// disk, a size the encoder refuses, cancel) or 2 (the destination cannot be replaced).
class TGstRecord : public TVideoWriter
{
public:
    TGstRecord();
    ~TGstRecord() override;

    int ErrorCode = 0;

    QString DisplayName() const override { return QStringLiteral("GStreamer"); }
    QStringList Codecs() override;
    int CodecIndex() const override { return FCodecIndex; }
    void SetCodecIndex(int index) override;
    QString CodecName() const override;
    // The Motion JPEG, libav and x264 encoders take the quality; the others keep their own.
    bool UsesQuality() const override;

    bool Start(const TWriterSetup& setup) override;
    bool Add(const QImage& image) override;
    bool Finish() override;
    void Abort() override;
    QString ErrorText() const override;
    QString Detail() const override { return FDetail; }

private:
    bool Fail(int code, const QString& detail);
    void Release();
    void ListEncoders();

    struct TImpl;
    std::unique_ptr<TImpl> F;
    QStringList FNames;     // long names, the list shown
    QStringList FFactories; // factory names, parallel
    bool FListed = false;
    int FCodecIndex = -1;
    QString FDetail;
};
