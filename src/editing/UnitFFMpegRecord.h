// Video writer over FFmpeg: images, one at a time, encoded with one of the library's encoders (MPEG-4,
// H.264 when the build has it, Motion JPEG, FFV1) or uncompressed, into an AVI or MP4 file.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

// The name of the writer's first codec (MPEG-4 part 2), always present.
extern const QString FFMpegInternalCodecName;

// Open (after Width, Height, FramesPerSecond and FileName are set), AddFrame for every image, Close. Every
// file it writes carries the program's comment, by which the reader later recognises it. The container
// follows the file's extension (AVI when the extension names none). The file is written under a temporary
// name beside FileName and renamed over it by Close, so a failure or Cancel leaves nothing new under
// FileName (an older file of that name stays) and no temporary file; later calls then do nothing until
// the next Open.
class TFFMpegRecord
{
public:
    TFFMpegRecord();
    ~TFFMpegRecord();
    TFFMpegRecord(const TFFMpegRecord&) = delete;
    TFFMpegRecord& operator=(const TFFMpegRecord&) = delete;

    int Height = 0; // pixels
    int Width = 0;
    double FramesPerSecond = 0.0;
    QString FileName;
    int CodecIndex = 0;     // into CodecList(); 0: the internal MPEG-4 codec; -1: no compression (24-bit)
    int KeyFrameEvery = 12; // frames between two key frames, 1 to 250
    int Quantizer = 2;      // quantizer, 1 (best) to 31; H.264 takes 16 + Quantizer as its rate factor
    QString TempFileName;   // the file being written, beside FileName
    bool Failed = true;     // true until a file is open, and after any failure
    int State = 1;          // 1 normal, 2 the run-time FFmpeg libraries are too old

    // The encoders of the run-time library that the writer offers, in a fixed order: the MPEG-4 codec,
    // then "H.264 (libx264)", "Motion JPEG" and "FFV1 lossless" when the library has them.
    static QStringList CodecList();
    // Whether the listed codec of that name takes Quantizer (the lossless one and no compression do not).
    static bool CodecUsesQuality(const QString& name);
    // The name of the chosen codec for the settings; empty without compression.
    QString CodecName() const;
    // Selects the codec of that listed name; empty or unknown selects no compression (false when unknown).
    bool SetCodecName(const QString& name);

    bool Open();
    // Draws image at (0, 0) on a black Width x Height picture and adds it as the next frame.
    bool AddFrame(const QImage& image);
    // Finishes the file. The writer then forgets the file name, size and rate.
    bool Close();
    // Abandons an unfinished file: nothing is left on disk.
    void Cancel();

    // Text for the user: the "too old" text in State 2, else "Unknown error".
    QString ErrorText() const;
    // The library's reason for the last failure (for logs of the headless commands and tests).
    QString Detail;

protected:
    virtual bool RuntimeTooOld() const;

private:
    bool Fail(const QString& detail);
    struct TImpl;
    std::unique_ptr<TImpl> F;
};
