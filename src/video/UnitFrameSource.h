// The contract of a frame source: one video file opened through one framework, frame by frame.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// Raster operations of Draw: a plain copy, or the inverted image (frames hidden while editing).
inline constexpr int SRCCOPY = 0x00CC0020;
inline constexpr int NOTSRCCOPY = 0x00330008;

// Draws the region source (frame pixels) of frame stretched onto the whole target without smoothing,
// then inverts the target for NOTSRCCOPY. False when either image is empty or the region is.
bool StretchFrame(const QImage& frame, QImage& target, const QRect& source, int rasterOp);

class TFrameSource
{
public:
    virtual ~TFrameSource() = default;

    // Closes any open file, then opens path. On success Opened is true, CurrentFrame is the framework's
    // start frame and OnOpen has been called; on failure the source stays closed.
    virtual bool Open(const QString& path) = 0;
    // Releases everything; Opened := false, FrameCount := 0; then OnClose.
    virtual void Close() = 0;
    // Ignored when closed; frame is clamped into [0, FrameCount - 1] and becomes CurrentFrame.
    virtual void Seek(int frame) = 0;
    // Renders the region source (frame pixels) of the current frame stretched onto the whole target,
    // with the raster operation (SRCCOPY or NOTSRCCOPY). False when closed, already drawing, or when the
    // framework fails.
    virtual bool Draw(QImage& target, const QRect& source, int rasterOp) = 0;
    // The framework's display name.
    virtual QString DisplayName() const = 0;
    // Presentation time of every frame of the file in seconds, frame 0 at 0, ascending: where the file
    // gives each frame its own time, those times (a dropped frame leaves a gap of two periods or more),
    // else frame x SecondsPerFrame. Empty when closed.
    virtual std::vector<double> FrameTimes() const;

    int FrameCount = 0;
    int FrameWidth = 0; // pixels
    int FrameHeight = 0;
    int CurrentFrame = 0; // 0-based frame of the file
    int RasterOp = SRCCOPY;
    std::uint16_t DelayMs = 0; // playback period: round(1000 * SecondsPerFrame)
    double SecondsPerFrame = 0.0;
    double FramesPerSecond = 0.0;
    double Duration = 0.0; // seconds
    bool Opened = false;
    bool Drawing = false;
    QString FileName;
    QString ErrorText; // why the file did not open (when the framework can tell)

    std::function<void()> OnOpen;
    std::function<void()> OnClose;
    std::function<void(const QString&)> OnError; // a reading error while moving to a frame
};
