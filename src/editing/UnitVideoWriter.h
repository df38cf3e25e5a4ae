// The one contract of the three video writers, so that the save pipeline and the headless commands
// drive any of them the same way.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

// What every write needs: the output size in pixels, the frame rate, the destination, and the two
// settings only some codecs use.
struct TWriterSetup
{
    int Width = 0;
    int Height = 0;
    double FramesPerSecond = 0.0;
    QString FileName;
    int QualityPercent = 50; // 10 to 100
    int KeyFrameEvery = 25;  // 1 to 250
};

// Start, Add for every image (drawn at (0, 0) on a black picture of the output size), Finish. Every
// writer fills a temporary file beside the destination and renames it at Finish: a failure or Abort
// leaves nothing new under the destination's name and no temporary file. After a failure Add and Finish
// answer false until the next Start.
class TVideoWriter
{
public:
    virtual ~TVideoWriter() = default;

    // The framework's display name, also the settings file's "Framework".
    virtual QString DisplayName() const = 0;
    // The codec names the writer offers now (no compression is index -1, not in the list).
    virtual QStringList Codecs() = 0;
    virtual int CodecIndex() const = 0;
    virtual void SetCodecIndex(int index) = 0;
    // The chosen codec's name; empty without compression.
    virtual QString CodecName() const = 0;
    // Selects by listed name; empty or unknown selects no compression (false when unknown).
    bool SetCodecName(const QString& name);
    virtual bool HasCodecDialog() const { return false; }
    // Whether the chosen codec takes the quality and key-frame settings of TWriterSetup.
    virtual bool UsesQuality() const { return CodecIndex() >= 0; }

    virtual bool Start(const TWriterSetup& setup) = 0;
    virtual bool Add(const QImage& image) = 0;
    virtual bool Finish() = 0;
    virtual void Abort() = 0;
    // The text shown to the user for the last failure, and the system's own reason (for logs).
    virtual QString ErrorText() const = 0;
    virtual QString Detail() const = 0;
};

// Framework 0: the program's own AVI writer; 1: GStreamer; 2: FFmpeg. Null for another number.
std::unique_ptr<TVideoWriter> MakeVideoWriter(int framework);
// The display names of the frameworks 0, 1, 2.
QString FrameworkDisplayName(int framework);
