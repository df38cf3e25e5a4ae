// Frame source of framework 1: GStreamer, with frames reached by time.
#pragma once

#include "video/UnitFrameSource.h"

#include <memory>

class TDSPlay : public TFrameSource
{
public:
    TDSPlay();
    ~TDSPlay() override;
    // Decodes the file with GStreamer (no window: the frames go to memory). Fails, leaving the source
    // closed with the reason in ErrorText, when the file has no decodable video stream, no frame rate, no
    // duration, or a frame period above 65.535 s. FrameCount = round(Duration x FramesPerSecond).
    bool Open(const QString& path) override;
    void Close() override;
    // Stores the frame and its seek time (SeekTimeOf); Draw fetches the picture shown at that time.
    void Seek(int frame) override;
    bool Draw(QImage& target, const QRect& source, int rasterOp) override;
    QString DisplayName() const override { return QStringLiteral("GStreamer"); }

    // Seconds into the stream at which Draw takes the current frame.
    double SeekTime() const { return FSeekTime; }
    // Seek time of a frame: frame x 1.0001 x secondsPerFrame, limited to [0, duration]. The small excess
    // over the frame's start keeps the time inside the frame despite rounded timestamps; from frame 5000
    // on it is held at half a frame, where the excess would otherwise grow into the next frame (at frame
    // 10000 it is a whole frame).
    static double SeekTimeOf(int frame, double secondsPerFrame, double duration);

private:
    struct TPipeline;
    bool Fail(const QString& reason);

    std::unique_ptr<TPipeline> FPipeline;
    double FSeekTime = 0.0; // seconds
};
