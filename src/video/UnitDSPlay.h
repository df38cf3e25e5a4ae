// Frame source of framework 1: GStreamer, with frames reached by time.
#pragma once

#include "video/UnitFrameSource.h"

#include <cstdint>
#include <memory>
#include <vector>

// What one pass of the demuxer and parser (no decoding) tells of the first video stream of a file. Times
// are nanoseconds of the stream's own timeline; -1 stands for a time that the stream does not give.
struct TDemuxedVideo
{
    struct TPacket
    {
        std::int64_t Pts = -1; // presentation time
        std::int64_t Dts = -1; // decoding time
    };
    int RateNum = 0; // the frame rate that the stream states, RateNum / RateDen; 0 when it states none
    int RateDen = 0;
    bool RateChanged = false;      // the stream states another rate later on
    int Segments = 0;              // distinct segments announced: an edit list of several edits gives several
    double SegmentRate = 1.0;      // playback rate of the segment (1 for a plain file)
    std::int64_t SegmentStart = 0; // packets shown are those from start (included) to stop (excluded)
    std::int64_t SegmentStop = -1;
    std::int64_t SegmentTime = 0; // stream time of SegmentStart
    std::vector<TPacket> Packets; // in decoding order
};

// The frames that a decoder shows from a demuxed video stream: Count frames of a constant period, frame k
// at stream time Origin + k x Period.
struct TVideoFrameTable
{
    int Count = 0;
    int RateNum = 0;
    int RateDen = 0;
    double Period = 0.0;     // nanoseconds, RateDen / RateNum seconds
    std::int64_t Origin = 0; // stream time of frame 0, nanoseconds
};

class TDSPlay : public TFrameSource
{
public:
    TDSPlay();
    ~TDSPlay() override;
    // Reads the file's packets once without decoding them (FrameTableOf) and refuses it, leaving the source
    // closed with the reason in ErrorText, unless that gives an exact frame table; then decodes the file with
    // GStreamer (no window: the frames go to memory). Also fails when the file has no decodable video
    // stream or a frame period above 65.535 s. FrameCount = the table's count, Duration = count x period.
    bool Open(const QString& path) override;
    void Close() override;
    // Stores the frame and its seek time (SeekTimeOf); Draw fetches the frame shown at that time.
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

    // Builds the frame table of a demuxed stream, or gives the reason why the frames that a decoder shows
    // cannot be known exactly from it (the text is empty on success). Refused: no stated rate or a rate
    // that changes, several segments (edits), timestamps off the stated rate's grid or twice in one slot,
    // packets without presentation time that could lie before the first frame with one, and a segment
    // whose length differs from count x period by a frame or more. Packets outside the segment are not
    // shown; a packet without presentation time fills a free slot of the grid.
    static QString FrameTableOf(const TDemuxedVideo& stream, TVideoFrameTable& table);

private:
    struct TPipeline;
    bool Fail(const QString& reason);
    std::int64_t FrameTime(int frame) const; // stream time of a frame of the table, nanoseconds

    std::unique_ptr<TPipeline> FPipeline;
    TVideoFrameTable FTable;
    double FSeekTime = 0.0; // seconds
};

// GStreamer is initialised once per process (the capture's pipelines share it); false when it cannot be.
bool InitGstreamer();
