// Frame source of framework 2: the program's own reader over FFmpeg, with frame-exact access and a frame
// cache.
#pragma once

#include "video/UnitFrameSource.h"

#include <cstdint>
#include <memory>

// Texts of a failed open.
extern const QString FFMpegTooOldText;
extern const QString FFMpegUnknownErrorText;

// Reads any file that libavformat/libavcodec understand. Opening demuxes the whole video stream once, without
// decoding, to index every packet: the frames are the packets the container shows (edit lists honoured), in
// presentation order. Seek(n) then decodes exactly frame n whatever the order of requests: it continues the
// running decode when n lies ahead of it, otherwise it moves the demuxer back to the key frame that n depends
// on, flushes the decoder and decodes forward to n (recognised by the packet it comes from). Decoded frames
// are kept in a cache bounded in bytes, in the decoder's own format (4:2:0 video takes 1.5 bytes a pixel, not
// the 4 of RGB) and converted to RGB, with each frame's own colour matrix and range, only when drawn; their
// buffers come from the source's own pool (each mapped whole once, reused as the cache evicts). Every
// frame decoded while moving backwards is kept, so stepping backwards costs about as much as stepping
// forwards; a forward jump keeps the frames just before its target, up to a quarter of the cache and 48 MiB.
// Pictures stored sideways (phone videos with a rotation) are shown upright.
//
// Seek, Draw and Close run on the caller's thread (the user-interface thread). The decoder's own threads work
// during Seek and, after it, on the one packet handed over for the next frame; the source starts no thread.
class TFFMpegPlay : public TFrameSource
{
public:
    TFFMpegPlay();
    ~TFFMpegPlay() override;

    bool Open(const QString& path) override;
    void Close() override;
    // Decodes the frame; a reading or decoding failure calls OnError with the reason (the frame then shows
    // the nearest earlier frame decoded on the way, or nothing).
    void Seek(int frame) override;
    bool Draw(QImage& target, const QRect& source, int rasterOp) override;
    QString DisplayName() const override { return QStringLiteral("FFMpeg"); }
    // The times of the index: each shown frame's presentation time less the first one's.
    std::vector<double> FrameTimes() const override;

    // The "comment" tag of a file's metadata (container or video stream); empty when there is none or the
    // file cannot be read. Opens only the header.
    static QString Comment(const QString& path);

    // Bytes of decoded frames the cache may hold (default DefaultCacheLimit). Smaller limits evict at once.
    static constexpr std::int64_t DefaultCacheLimit = 320LL * 1024 * 1024;
    void SetCacheLimit(std::int64_t bytes);
    std::int64_t CacheLimit() const;
    std::int64_t CacheBytes() const;
    int CachedFrameCount() const;

    // Counters since the last open: frames that came out of the decoder, and repositionings of the demuxer.
    std::int64_t DecodedFrames() const;
    std::int64_t Repositionings() const;
    // Number of key frames in the index (random access points).
    int KeyFrameCount() const;

protected:
    // True when the FFmpeg libraries found at run time are older than those the program was built with.
    virtual bool RuntimeTooOld() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> F;
};
