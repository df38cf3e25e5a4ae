// The program's own AVI writer: uncompressed 24-bit or Motion-JPEG frames, one at a time, continued in
// OpenDML "AVIX" chunks beyond 1 GiB.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

class TIniFile;

// The one codec of the list and its four-character code; "no compression" is CodecIndex -1.
extern const QString VfwMotionJpegName;
extern const QString VfwMotionJpegFourCC;

// Set Width, Height, MsPerFrame (or FramesPerSecond), Quality, the codec and FileName; then Open, AddFrame
// for every image, Close. The file is written under a temporary name in the destination's folder and
// renamed over FileName only when Close succeeds, so a failure or a cancel leaves nothing new under
// FileName (an older file of that name stays as it was) and no temporary file. Every failure records its
// code (ErrorText gives the text) and calls OnError; later AddFrame and Close calls then return false and
// keep the first code, so the user learns the real reason.
//
// Codes: 1 cancelled, 2 not open, 3 null image, 4 the index is full, 5 the JPEG encoder failed, 6 a size or
// rate that cannot be stored, 7 the destination cannot be replaced, 8 a write to disk failed (unwritable
// folder, full disk), 9 out of memory, 10 the chosen codec does not exist.
class TVfwRecord
{
public:
    // Largest RIFF chunk: the first one stays below it for readers without OpenDML, and the file goes on
    // in "AVIX" chunks of at most this size.
    static constexpr std::int64_t DefaultRiffLimit = 1LL << 30;

    // riffLimit in bytes (tests pass a small one to get several "AVIX" chunks quickly).
    explicit TVfwRecord(std::int64_t riffLimit = DefaultRiffLimit);
    // An unfinished file is abandoned: its temporary file is deleted (OnError is not called).
    ~TVfwRecord();
    TVfwRecord(const TVfwRecord&) = delete;
    TVfwRecord& operator=(const TVfwRecord&) = delete;

    int Width = 320; // output size in pixels; images are drawn at (0, 0), cut or padded with black
    int Height = 240;
    int MsPerFrame = 100; // frame period in milliseconds: the stored rate is 1000 / MsPerFrame
    // When > 0, frames per second stored as an exact fraction instead of 1000 / MsPerFrame.
    double FramesPerSecond = 0.0;
    int CodecIndex = -1;    // into the codec list; -1 = no compression
    QString CodecFourCC;    // empty without compression
    int Quality = 5000;     // 0 to 10000; JPEG quality = Quality / 100
    int KeyFrameEvery = 25; // kept for the caller; every frame written is a key frame
    QString FileName;
    QString TempFileName;   // the file being written, in FileName's folder; deleted on every failure
    QStringList FourCCList; // parallel to the codec list
    int ErrorCode = 0;
    QString Detail; // the system's reason for the last failure (for logs and the headless commands)
    bool Failed = false;
    bool Started = false;
    bool Closing = false;
    int FrameIndex = 0; // frames written so far
    std::function<void()> OnError;

    // The codecs that can compress Width x Height images ("Motion JPEG"); refreshes FourCCList.
    QStringList CodecList();
    // The listed name at CodecIndex; empty without compression.
    QString CodecName() const;
    // Index into the list, or any other value for no compression. Records error 10 when the codec cannot
    // be used.
    void SetCodecIndex(int index);
    // Selects the codec of that listed name; an empty or unknown name selects no compression (false for
    // an unknown one).
    bool SetCodecName(const QString& name);
    // No codec of this writer has a configuration dialog: quality comes from Quality.
    bool HasCodecDialog() const { return false; }

    // The key "Codec" of the settings file's section "Montage" (shared by the writers: the caller writes
    // it through the writer in use).
    void ReadSettings(const TIniFile& ini);
    void WriteSettings(TIniFile& ini) const;

    bool Open();
    bool AddFrame(const QImage& image);
    // An empty chunk: a frame slot without a picture (a frame the camera dropped). Readers show the
    // previous picture there, and the following frames keep their true times.
    bool AddDroppedFrame();
    // Finishes the indexes and headers, then renames the temporary file to FileName.
    bool Close();
    // Stops an unfinished file: error 1, nothing left on disk.
    void Cancel();

    QString ErrorText() const { return ErrorText(ErrorCode); }
    static QString ErrorText(int code);

private:
    bool Fail(int code, const QString& detail = QString());
    bool WriteChunk(std::uint32_t size);
    void Release();

    struct TImpl;
    std::unique_ptr<TImpl> F;
};
