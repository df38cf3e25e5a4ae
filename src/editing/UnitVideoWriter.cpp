// The one contract of the three video writers, so that the save pipeline and the headless commands
// drive any of them the same way.
#include "editing/UnitVideoWriter.h"

#include "editing/UnitFFMpegRecord.h"
#include "editing/UnitGstRecord.h"
#include "editing/UnitVfwRecord.h"

#include <algorithm>
#include <cmath>

namespace {

// What the built-in AVI writer and the FFmpeg writer share: frames, end, abort and their texts.
template <class TRecord> class TRecordWriter : public TVideoWriter
{
public:
    bool Add(const QImage& image) override { return FRecord.AddFrame(image); }
    bool Finish() override { return FRecord.Close(); }
    void Abort() override { FRecord.Cancel(); }
    QString ErrorText() const override { return FRecord.ErrorText(); }
    QString Detail() const override { return FRecord.Detail; }

protected:
    TRecord FRecord;
};

// Framework 0: the program's own AVI writer.
class TVfwWriter : public TRecordWriter<TVfwRecord>
{
public:
    QString DisplayName() const override { return FrameworkDisplayName(0); }
    QStringList Codecs() override { return FRecord.CodecList(); }
    int CodecIndex() const override { return FRecord.CodecFourCC.isEmpty() ? -1 : FRecord.CodecIndex; }
    void SetCodecIndex(int index) override
    {
        FRecord.CodecList();
        FRecord.SetCodecIndex(index);
        FRecord.Failed = false; // an unusable codec only means no compression here
        FRecord.ErrorCode = 0;
    }
    QString CodecName() const override { return FRecord.CodecName(); }

    bool Start(const TWriterSetup& s) override
    {
        FRecord.Cancel();
        FRecord.Failed = false;
        FRecord.ErrorCode = 0;
        FRecord.Detail.clear();
        FRecord.Width = s.Width;
        FRecord.Height = s.Height;
        // The stored rate is the exact one; the period is kept for the caller as the window shows it.
        FRecord.FramesPerSecond = s.FramesPerSecond;
        FRecord.MsPerFrame = s.FramesPerSecond > 0.0 && std::isfinite(s.FramesPerSecond)
                                 ? std::max(1, int(std::lround(1000.0 / s.FramesPerSecond)))
                                 : 100;
        FRecord.Quality = std::clamp(s.QualityPercent * 100, 0, 10000);
        FRecord.KeyFrameEvery = std::clamp(s.KeyFrameEvery, 1, 250);
        FRecord.FileName = s.FileName;
        return FRecord.Open();
    }
};

// Framework 2: the FFmpeg libraries.
class TFFMpegWriter : public TRecordWriter<TFFMpegRecord>
{
public:
    QString DisplayName() const override { return FrameworkDisplayName(2); }
    QStringList Codecs() override { return TFFMpegRecord::CodecList(); }
    int CodecIndex() const override { return FCodec; }
    void SetCodecIndex(int index) override
    {
        FCodec = index >= 0 && index < static_cast<int>(TFFMpegRecord::CodecList().size()) ? index : -1;
    }
    QString CodecName() const override
    {
        return FCodec >= 0 ? TFFMpegRecord::CodecList().value(FCodec) : QString();
    }
    bool UsesQuality() const override { return TFFMpegRecord::CodecUsesQuality(CodecName()); }

    bool Start(const TWriterSetup& s) override
    {
        FRecord.Cancel();
        FRecord.Width = s.Width;
        FRecord.Height = s.Height;
        FRecord.FramesPerSecond = s.FramesPerSecond;
        FRecord.FileName = s.FileName;
        FRecord.CodecIndex = FCodec;
        FRecord.KeyFrameEvery = std::clamp(s.KeyFrameEvery, 1, 250);
        // Quality 100 % gives the finest quantizer, 10 % a coarse one.
        FRecord.Quantizer = std::clamp(2 + (100 - std::clamp(s.QualityPercent, 10, 100)) / 5, 1, 31);
        return FRecord.Open();
    }

private:
    int FCodec = 0;
};

} // namespace

bool TVideoWriter::SetCodecName(const QString& name)
{
    const int index = name.isEmpty() ? -1 : static_cast<int>(Codecs().indexOf(name));
    SetCodecIndex(index);
    return name.isEmpty() || index >= 0;
}

std::unique_ptr<TVideoWriter> MakeVideoWriter(int framework)
{
    switch (framework) {
    case 0:
        return std::make_unique<TVfwWriter>();
    case 1:
        return std::make_unique<TGstRecord>();
    case 2:
        return std::make_unique<TFFMpegWriter>();
    default:
        return nullptr;
    }
}

QString FrameworkDisplayName(int framework)
{
    switch (framework) {
    case 0:
        return QStringLiteral("AVI (built-in)");
    case 1:
        return QStringLiteral("GStreamer");
    case 2:
        return QStringLiteral("FFMpeg");
    default:
        return {};
    }
}
