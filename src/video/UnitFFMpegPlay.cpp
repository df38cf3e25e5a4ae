// Frame source of framework 2: the program's own reader over FFmpeg, with frame-exact access and a frame
// cache.
#include "video/UnitFFMpegPlay.h"

#include "video/UnitVideoSources.h"

#include "common/UnitFFMpegPtr.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <sys/mman.h>

#include <QFile>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <deque>
#include <limits>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

const QString FFMpegTooOldText =
    QStringLiteral("The « FFmpeg » libraries installed on the hard disk are too old.\n"
                   "Please install a newer version of the « FFmpeg » libraries (libavformat, libavcodec, "
                   "libswscale, libavutil).");
const QString FFMpegUnknownErrorText = QStringLiteral("Unknown error");

namespace {

using TFormatPtr = TAVInputPtr;
using TCodecPtr = TAVCodecPtr;
using TFramePtr = TAVFramePtr;
using TPacketPtr = TAVPacketPtr;

constexpr std::int64_t NoTime = AV_NOPTS_VALUE;

// The most a forward jump keeps of the frames decoded on its way (about 15 frames of 1080p): enough to step
// back a little from where it lands without decoding again, while showing one frame far into a long GOP stays
// light.
constexpr std::int64_t JumpKeepBytes = 48LL * 1024 * 1024;

// The libraries' messages are not printed (the program keeps no log); the last error is kept so that a
// failed open can name the reason the demuxer gave ("moov atom not found").
std::mutex LogMutex;
QString LastLogLine;

void LogToMemory(void* avcl, int level, const char* fmt, va_list vl)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[1024];
    int printPrefix = 0;
    va_list copy;
    va_copy(copy, vl);
    av_log_format_line2(avcl, level, fmt, copy, line, sizeof line, &printPrefix);
    va_end(copy);
    const std::lock_guard<std::mutex> lock(LogMutex);
    LastLogLine = QString::fromUtf8(line).trimmed();
}

void InstallLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(LogToMemory); });
}

void ClearLastLog()
{
    const std::lock_guard<std::mutex> lock(LogMutex);
    LastLogLine.clear();
}

QString LastLog()
{
    const std::lock_guard<std::mutex> lock(LogMutex);
    return LastLogLine;
}

QString ErrorString(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// "what (library text; last message)" for a failed call.
QString Reason(const QString& what, int code)
{
    QString detail = ErrorString(code);
    const QString log = LastLog();
    if (!log.isEmpty() && !detail.contains(log))
        detail += QStringLiteral("; ") + log;
    return what + QStringLiteral(" (") + detail + QStringLiteral(")");
}

TFormatPtr OpenInput(const QString& path, int& code)
{
    AVFormatContext* raw = nullptr;
    code = avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr);
    return TFormatPtr(code < 0 ? nullptr : raw);
}

// Full-range ("J") formats are mapped to their plain twins with the range given explicitly, as the scaler
// asks.
AVPixelFormat PlainFormat(AVPixelFormat format, bool& fullRange)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        fullRange = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        fullRange = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        fullRange = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        fullRange = true;
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        fullRange = true;
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

// Every packet sent to the decoder carries a number that comes back with the frame decoded from it: through
// the packet's opaque field where the decoder copies it to the frame (libavcodec 60, FFmpeg 6.0), else
// through the context's reordered_opaque (removed in libavcodec 61).
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 0, 0)
void EnableTags(AVCodecContext* codec)
{
    codec->flags |= AV_CODEC_FLAG_COPY_OPAQUE;
}
void TagPacket(AVCodecContext*, AVPacket* packet, std::int64_t tag)
{
    packet->opaque = reinterpret_cast<void*>(static_cast<std::intptr_t>(tag));
}
std::int64_t PacketTag(const AVFrame* frame)
{
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(frame->opaque));
}
#else
void EnableTags(AVCodecContext*) {}
void TagPacket(AVCodecContext* codec, AVPacket*, std::int64_t tag)
{
    codec->reordered_opaque = tag;
}
std::int64_t PacketTag(const AVFrame* frame)
{
    return frame->reordered_opaque;
}
#endif

std::int64_t FrameBytes(const AVFrame* frame)
{
    std::int64_t bytes = sizeof(AVFrame);
    for (const AVBufferRef* buffer : frame->buf)
        if (buffer)
            bytes += static_cast<std::int64_t>(buffer->size);
    for (int i = 0; i < frame->nb_extended_buf; ++i)
        bytes += static_cast<std::int64_t>(frame->extended_buf[i]->size);
    return bytes;
}

// The scaler's vector code writes whole groups of pixels: a row it converts must have room up to the next
// multiple of 16 pixels, or the last pixels of an odd width stay unwritten.
int PaddedWidth(int width)
{
    return (width + 15) & ~15;
}

// A target that the scaler can write into directly.
bool DirectTarget(const QImage& target, int width)
{
    const QImage::Format format = target.format();
    return (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
            format == QImage::Format_ARGB32_Premultiplied) &&
           target.bytesPerLine() >= static_cast<qsizetype>(PaddedWidth(width)) * 4;
}

// Picture buffers of the decoder. libavcodec's own pool zeroes every new buffer and the system then maps
// its pages one fault at a time; while the cache fills, every decoded frame needs a new buffer, and on some
// machines that cost more than decoding the frame. These buffers come whole from the system with their pages
// mapped at once (zeroed by the system), one buffer for all the planes of a picture, and go back to the pool
// when the cache evicts their frame.
class TFramePool
{
public:
    ~TFramePool()
    {
        if (FPool)
            av_buffer_pool_uninit(&FPool); // freed when the last frame using it lets go
    }

    // get_buffer2 of the decoder (its opaque is the pool); called from one decoder thread at a time.
    static int GetBuffer(AVCodecContext* codec, AVFrame* frame, int flags)
    {
        auto* pool = static_cast<TFramePool*>(codec->opaque);
        const auto format = static_cast<AVPixelFormat>(frame->format);
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
        if (!pool || !codec->codec || !(codec->codec->capabilities & AV_CODEC_CAP_DR1) || !desc ||
            (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL)) || frame->width <= 0 ||
            frame->height <= 0)
            return avcodec_default_get_buffer2(codec, frame, flags);
        int width = frame->width, height = frame->height;
        int align[AV_NUM_DATA_POINTERS] = {};
        avcodec_align_dimensions2(codec, &width, &height, align);
        // Rows as the decoder wants them: each line size a multiple of its alignment.
        int lines[4] = {};
        for (int attempt = 0;; ++attempt) {
            if (attempt > 16 || av_image_fill_linesizes(lines, format, width) < 0)
                return avcodec_default_get_buffer2(codec, frame, flags);
            bool aligned = true;
            for (int i = 0; i < 4; ++i)
                if (align[i] > 0 && lines[i] % align[i] != 0)
                    aligned = false;
            if (aligned)
                break;
            width += width & ~(width - 1);
        }
        const ptrdiff_t strides[4] = {lines[0], lines[1], lines[2], lines[3]};
        std::size_t sizes[4] = {};
        if (av_image_fill_plane_sizes(sizes, format, height, strides) < 0)
            return avcodec_default_get_buffer2(codec, frame, flags);
        // Planes on 64-byte boundaries, each followed by the padding that libavcodec's own buffers have.
        constexpr std::size_t Align = 64, Padding = 16 + Align - 1;
        std::size_t offsets[4] = {}, total = 0;
        for (int i = 0; i < 4; ++i) {
            if (!sizes[i])
                continue;
            offsets[i] = total;
            total = (total + sizes[i] + Padding + Align - 1) & ~(Align - 1);
        }
        AVBufferRef* buffer = pool->Get(total);
        if (!buffer)
            return AVERROR(ENOMEM);
        frame->buf[0] = buffer;
        for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) {
            const bool plane = i < 4 && sizes[i];
            frame->data[i] = plane ? buffer->data + offsets[i] : nullptr;
            frame->linesize[i] = plane ? lines[i] : 0;
        }
        frame->extended_data = frame->data;
        return 0;
    }

private:
    AVBufferRef* Get(std::size_t size)
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        if (FPool && size != FSize)
            av_buffer_pool_uninit(&FPool); // the picture size changed
        if (!FPool) {
            FPool = av_buffer_pool_init2(size, nullptr, Map, nullptr);
            FSize = size;
        }
        return FPool ? av_buffer_pool_get(FPool) : nullptr;
    }

    static AVBufferRef* Map(void*, std::size_t size)
    {
        void* data =
            mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (data == MAP_FAILED)
            return nullptr;
        AVBufferRef* buffer = av_buffer_create(static_cast<uint8_t*>(data), size, Unmap,
                                               reinterpret_cast<void*>(static_cast<std::uintptr_t>(size)), 0);
        if (!buffer)
            munmap(data, size);
        return buffer;
    }

    static void Unmap(void* size, uint8_t* data)
    {
        munmap(data, static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(size)));
    }

    std::mutex FMutex;
    AVBufferPool* FPool = nullptr;
    std::size_t FSize = 0;
};

} // namespace

// One packet of the video stream, in decode order. Timestamps are in the stream's time base.
struct TPacketInfo
{
    std::int64_t Pts = NoTime; // presentation time; guessed when the container gave none
    std::int64_t Dts = NoTime;
    std::int64_t Pos = -1; // byte position in the file, -1 when unknown
    int Size = 0;
    bool Key = false;
    bool Discard = false; // needed for decoding but not shown (before the start of an edit list)
    bool Corrupt = false; // flagged damaged or incomplete by the demuxer
};

// One shown frame, in presentation order.
struct TFrameInfo
{
    std::int64_t Pts = 0;
    int Packet = 0;   // its packet
    int StartKey = 0; // the key packet from which decoding reaches it
};

struct TCacheEntry
{
    TFramePtr Frame;
    std::int64_t Bytes = 0;
    std::list<int>::iterator Use;
};

struct TFFMpegPlay::TImpl
{
    QString Path;
    TFormatPtr Format;
    std::unique_ptr<TFramePool> FramePool; // outlives the decoder that allocates from it
    TCodecPtr Codec;
    int Stream = -1;
    std::vector<TPacketInfo> Packets;
    std::vector<TFrameInfo> Frames;
    std::vector<int> Keys;          // indexes of the key packets, ascending
    std::vector<int> FrameOfPacket; // shown frame of each packet, -1 for none
    // Packets by (byte position, decode time), sorted, to recognise what the demuxer returns after a seek;
    // by decode time alone for packets without position.
    struct TPlace
    {
        std::int64_t Pos;
        std::int64_t Dts;
        int Packet;
        bool operator<(const TPlace& o) const { return Pos != o.Pos ? Pos < o.Pos : Dts < o.Dts; }
    };
    std::vector<TPlace> ByPosDts;
    std::unordered_map<std::int64_t, int> ByDts;
    std::int64_t FrameStep = 0; // usual distance of two frames, time base units
    std::int64_t Tolerance = 0; // largest distance for matching a decoded frame

    // State of the running decode.
    bool Live = false;        // the decoder runs forward from a known start
    bool Drained = false;     // the end of the file was sent to the decoder
    int NextPacket = 0;       // packet that the demuxer returns next
    int LastOutput = -1;      // last frame that came out of the decoder since the start
    std::int64_t SafePts = 0; // frames before this time (leading frames of an open GOP) are not trusted
    TPacketPtr Pending;       // a packet read but not yet taken by the decoder
    bool HasPending = false;
    int PendingId = -1; // its index, -1 when it is not recognised
    TFramePtr Scratch;

    // Decoded frames, most recently used first.
    std::unordered_map<int, TCacheEntry> Cache;
    std::list<int> Use;
    std::int64_t CacheBytes = 0;
    std::int64_t CacheLimit = TFFMpegPlay::DefaultCacheLimit;

    TFramePtr Current; // the frame that Draw renders (shares the buffers of its cache entry)
    int CurrentIndex = -1;

    // Conversion to 32-bit RGB.
    TSwsPtr Sws;
    int SwsColorspace = -1;
    bool SwsFullRange = false;
    AVPixelFormat SwsFormat = AV_PIX_FMT_NONE;
    int SwsWidth = 0;
    int SwsHeight = 0;
    QImage Image; // the current frame converted (and turned upright), for drawing regions
    int ImageIndex = -1;
    int Rotation = 0; // degrees clockwise that turn the coded picture upright: 0, 90, 180 or 270

    std::int64_t Decoded = 0;
    std::int64_t Repositions = 0;

    void Reset()
    {
        // Frames and packets first: they hold buffers of the decoder and the demuxer.
        ClearCache();
        Current.reset();
        CurrentIndex = -1;
        Scratch.reset();
        Pending.reset();
        HasPending = false;
        Codec.reset();
        FramePool.reset();
        Format.reset();
        Stream = -1;
        Packets.clear();
        Packets.shrink_to_fit();
        Frames.clear();
        Frames.shrink_to_fit();
        Keys.clear();
        FrameOfPacket.clear();
        ByPosDts.clear();
        ByDts.clear();
        FrameStep = 0;
        Tolerance = 0;
        Live = false;
        Drained = false;
        NextPacket = 0;
        LastOutput = -1;
        SafePts = 0;
        Sws.reset();
        SwsFormat = AV_PIX_FMT_NONE;
        Image = QImage();
        ImageIndex = -1;
        Rotation = 0;
        Decoded = 0;
        Repositions = 0;
    }

    // ---- opening ----

    bool OpenFile(const QString& path, QString& error)
    {
        ClearLastLog();
        int code = 0;
        Format = OpenInput(path, code);
        if (!Format) {
            error = Reason(QStringLiteral("The file cannot be read as a video"), code);
            return false;
        }
        code = avformat_find_stream_info(Format.get(), nullptr);
        if (code < 0) {
            error = Reason(QStringLiteral("The streams of the file cannot be identified"), code);
            return false;
        }
        Stream = FindVideoStream(Format.get());
        if (Stream < 0) {
            error = QStringLiteral("The file holds no video stream.");
            return false;
        }
        DiscardOtherStreams();
        Rotation = RotationOf(VideoStream());
        return true;
    }

    // A phone filming upright stores its picture sideways with a display matrix; players turn it.
    // Quarter turns only (other angles are shown unturned).
    static int RotationOf(const AVStream* stream)
    {
        const int32_t* matrix = DisplayMatrix(stream);
        if (!matrix)
            return 0;
        const double clockwise = -av_display_rotation_get(matrix);
        if (!std::isfinite(clockwise))
            return 0;
        const double quarters = std::round(clockwise / 90.0);
        if (std::fabs(clockwise - 90.0 * quarters) > 1.0)
            return 0;
        return ((static_cast<int>(quarters) % 4 + 4) % 4) * 90;
    }

    // The stream's display matrix (9 numbers), null when it has none. Since libavformat 60.15 (FFmpeg 6.1)
    // the demuxer puts it among the codec parameters' side data; the stream's own side data, deprecated then,
    // is gone from libavformat 62.
    static const int32_t* DisplayMatrix(const AVStream* stream)
    {
#if LIBAVFORMAT_VERSION_INT >= AV_VERSION_INT(60, 15, 100)
        const AVPacketSideData* data =
            av_packet_side_data_get(stream->codecpar->coded_side_data, stream->codecpar->nb_coded_side_data,
                                    AV_PKT_DATA_DISPLAYMATRIX);
        if (!data || data->size < 9 * sizeof(int32_t))
            return nullptr;
        return reinterpret_cast<const int32_t*>(data->data);
#else
        std::size_t size = 0;
        const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
        return data && size >= 9 * sizeof(int32_t) ? reinterpret_cast<const int32_t*>(data) : nullptr;
#endif
    }

    static int FindVideoStream(AVFormatContext* format)
    {
        const int best = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        auto usable = [format](int i) {
            const AVStream* st = format->streams[i];
            return st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                   !(st->disposition & AV_DISPOSITION_ATTACHED_PIC);
        };
        if (best >= 0 && usable(best))
            return best;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            if (usable(static_cast<int>(i)))
                return static_cast<int>(i);
        return -1;
    }

    void DiscardOtherStreams()
    {
        for (unsigned i = 0; i < Format->nb_streams; ++i)
            if (static_cast<int>(i) != Stream)
                Format->streams[i]->discard = AVDISCARD_ALL;
    }

    AVStream* VideoStream() const
    {
        return Format->streams[Stream];
    }

    // Reads every packet of the video stream once. A reading error ends the index where it happens: the file
    // opens with the frames before it.
    bool BuildIndex(QString& error)
    {
        TPacketPtr packet(av_packet_alloc());
        if (!packet) {
            error = FFMpegUnknownErrorText;
            return false;
        }
        int code = 0;
        while ((code = av_read_frame(Format.get(), packet.get())) >= 0) {
            if (packet->stream_index == Stream) {
                TPacketInfo info;
                info.Pts = packet->pts;
                info.Dts = packet->dts;
                info.Pos = packet->pos;
                info.Size = packet->size;
                info.Key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
                info.Discard = (packet->flags & AV_PKT_FLAG_DISCARD) != 0;
                info.Corrupt = (packet->flags & AV_PKT_FLAG_CORRUPT) != 0;
                Packets.push_back(info);
            }
            av_packet_unref(packet.get());
        }
        // Packets cut short by the end of a truncated file cannot be decoded: they are not frames. (A damaged
        // packet inside the file stays: the decoder conceals what it can, as a player does.)
        while (!Packets.empty() && Packets.back().Corrupt)
            Packets.pop_back();
        FillMissingTimes();
        FrameOfPacket.assign(Packets.size(), -1);
        std::vector<std::int64_t> shown;
        for (int i = 0; i < static_cast<int>(Packets.size()); ++i) {
            const TPacketInfo& p = Packets[static_cast<std::size_t>(i)];
            if (p.Key)
                Keys.push_back(i);
            if (p.Pos >= 0)
                ByPosDts.push_back(TPlace{p.Pos, p.Dts, i});
            else if (p.Dts != NoTime)
                ByDts.emplace(p.Dts, i);
            if (!p.Discard && p.Size > 0 && p.Pts != NoTime) {
                Frames.push_back(TFrameInfo{p.Pts, i, 0});
                shown.push_back(p.Pts);
            }
        }
        std::stable_sort(Frames.begin(), Frames.end(),
                         [](const TFrameInfo& a, const TFrameInfo& b) { return a.Pts < b.Pts; });
        if (Frames.empty()) {
            error = code < 0 && code != AVERROR_EOF
                        ? Reason(QStringLiteral("No frame of the video can be read"), code)
                        : QStringLiteral("The video stream holds no frame.");
            return false;
        }
        std::stable_sort(ByPosDts.begin(), ByPosDts.end());
        ByPosDts.shrink_to_fit();
        for (std::size_t d = 0; d < Frames.size(); ++d) {
            Frames[d].StartKey = StartKeyOf(Frames[d]);
            FrameOfPacket[static_cast<std::size_t>(Frames[d].Packet)] = static_cast<int>(d);
        }
        std::sort(shown.begin(), shown.end());
        FrameStep = MedianStep(shown);
        Tolerance = std::max<std::int64_t>(FrameStep / 2, 0);
        return true;
    }

    // The usual distance between two sorted times (median of the positive steps); 0 when there is none.
    static std::int64_t MedianStep(const std::vector<std::int64_t>& sortedTimes)
    {
        std::vector<std::int64_t> steps;
        for (std::size_t i = 1; i < sortedTimes.size(); ++i)
            if (sortedTimes[i] > sortedTimes[i - 1])
                steps.push_back(sortedTimes[i] - sortedTimes[i - 1]);
        if (steps.empty())
            return 0;
        std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                         steps.end());
        return steps[steps.size() / 2];
    }

    // Some containers (AVI with B-frames, MPEG program streams) leave the presentation time of reference
    // frames unset. In a stream whose frames are reordered, a reference frame is shown when the next
    // reordered frame is decoded, so it takes that frame's decode time (the decoder's own guess); in a stream
    // without reordering the decode time is the presentation time. Only the order of the frames matters:
    // decoded frames are recognised by their packet, not by their time.
    void FillMissingTimes()
    {
        // Reordering shows in the decoder's delay, in times that differ, or in times given to some frames
        // only (an AVI gives them to the B-frames).
        bool reordered = VideoStream()->codecpar->video_delay > 0;
        bool someKnown = false, someMissing = false;
        std::vector<std::int64_t> decodeTimes;
        for (const TPacketInfo& p : Packets) {
            if (p.Pts != NoTime && p.Dts != NoTime && p.Pts != p.Dts)
                reordered = true;
            if (!p.Discard && p.Size > 0)
                (p.Pts == NoTime ? someMissing : someKnown) = true;
            if (p.Dts != NoTime)
                decodeTimes.push_back(p.Dts);
        }
        reordered = reordered || (someKnown && someMissing);
        std::sort(decodeTimes.begin(), decodeTimes.end());
        const std::int64_t step = std::max<std::int64_t>(MedianStep(decodeTimes), 1);
        std::int64_t nextReordered = NoTime; // decode time of the next reordered packet
        std::int64_t latest = NoTime;        // latest time of the packets after this one
        for (std::size_t i = Packets.size(); i-- > 0;) {
            TPacketInfo& p = Packets[i];
            const bool missing = p.Pts == NoTime;
            if (missing && !p.Discard && p.Size > 0) {
                if (!reordered && p.Dts != NoTime)
                    p.Pts = p.Dts;
                else if (nextReordered != NoTime)
                    p.Pts = nextReordered;
                else if (latest != NoTime || p.Dts != NoTime) // the last reference frame is shown last
                    p.Pts = std::max(latest, p.Dts) + step;
            }
            if (p.Size > 0 && p.Dts != NoTime && (missing || (p.Pts != NoTime && p.Pts > p.Dts)))
                nextReordered = p.Dts;
            for (std::int64_t t : {p.Pts, p.Dts})
                if (t != NoTime && (latest == NoTime || t > latest))
                    latest = t;
        }
        // Without any time at all the packets are numbered in decode order.
        std::int64_t previous = NoTime;
        for (std::size_t i = 0; i < Packets.size(); ++i) {
            TPacketInfo& p = Packets[i];
            if (p.Pts == NoTime && !p.Discard && p.Size > 0)
                p.Pts = previous == NoTime ? static_cast<std::int64_t>(i) : previous + 1;
            if (p.Pts != NoTime)
                previous = p.Pts;
        }
    }

    std::int64_t KeyTime(int packet) const
    {
        const TPacketInfo& p = Packets[static_cast<std::size_t>(packet)];
        return p.Pts != NoTime ? p.Pts : p.Dts;
    }

    // The last key packet, in decode order, at or before the frame's packet and not shown after it (a key
    // frame of an open GOP comes before the frames shown just ahead of it). Without one: the first packet.
    int StartKeyOf(const TFrameInfo& frame) const
    {
        auto it = std::upper_bound(Keys.begin(), Keys.end(), frame.Packet);
        while (it != Keys.begin()) {
            --it;
            const std::int64_t t = KeyTime(*it);
            if (t == NoTime || t <= frame.Pts)
                return *it;
        }
        return 0;
    }

    bool OpenDecoder(QString& error)
    {
        const AVCodecParameters* par = VideoStream()->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (!codec) {
            error = QStringLiteral("No decoder is available for the video codec « %1 ».")
                        .arg(QString::fromUtf8(avcodec_get_name(par->codec_id)));
            return false;
        }
        Codec.reset(avcodec_alloc_context3(codec));
        if (!Codec) {
            error = FFMpegUnknownErrorText;
            return false;
        }
        int code = avcodec_parameters_to_context(Codec.get(), par);
        if (code < 0) {
            error = Reason(QStringLiteral("The decoder cannot be set up"), code);
            return false;
        }
        Codec->pkt_timebase = VideoStream()->time_base;
        Codec->thread_count = 0; // as many as there are cores
        Codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        EnableTags(Codec.get());
        FramePool = std::make_unique<TFramePool>();
        Codec->opaque = FramePool.get();
        Codec->get_buffer2 = TFramePool::GetBuffer;
        ClearLastLog();
        code = avcodec_open2(Codec.get(), codec, nullptr);
        if (code < 0) {
            error = Reason(QStringLiteral("The decoder cannot be opened"), code);
            return false;
        }
        Scratch.reset(av_frame_alloc());
        Pending.reset(av_packet_alloc());
        if (!Scratch || !Pending) {
            error = FFMpegUnknownErrorText;
            return false;
        }
        return true;
    }

    // Frames per second: the container's nominal rate when the frames' own times agree with it (a phone
    // video whose first frame lasts longer is still a 30 frames/s video), else the rate of the frames' times,
    // else the container's average.
    double FrameRate() const
    {
        const AVStream* st = VideoStream();
        auto rate = [](AVRational r) { return r.num > 0 && r.den > 0 ? av_q2d(r) : 0.0; };
        const double nominal = rate(st->r_frame_rate);
        double measured = 0.0;
        const double span =
            static_cast<double>(Frames.back().Pts - Frames.front().Pts) * av_q2d(st->time_base);
        if (Frames.size() >= 2 && span > 0.0)
            measured = static_cast<double>(Frames.size() - 1) / span;
        double fps = nominal;
        if (measured > 0.0 && (fps <= 0.0 || std::fabs(nominal - measured) > 0.05 * measured))
            fps = measured;
        if (fps <= 0.0)
            fps = rate(st->avg_frame_rate);
        return std::isfinite(fps) && fps > 0.0 ? fps : 0.0;
    }

    // Seconds from the first shown frame to the end of the last one.
    double DurationSeconds(double fps) const
    {
        const double tb = av_q2d(VideoStream()->time_base);
        const double last = FrameStep > 0 ? static_cast<double>(FrameStep) * tb : 1.0 / fps;
        const double span = static_cast<double>(Frames.back().Pts - Frames.front().Pts) * tb + last;
        return std::isfinite(span) && span > 0.0 ? span : static_cast<double>(Frames.size()) / fps;
    }

    // ---- moving the demuxer ----

    // The index of a packet that the demuxer returns, -1 when it is not one of the index. The size must agree
    // too: just after a seek, a parser that has lost its place (MPEG program streams) hands out a fragment
    // that bears the position and decode time of the frame after it, then that frame with neither; taking
    // the fragment for the frame would start decoding from a broken picture.
    int Identify(const AVPacket& packet) const
    {
        int id = -1;
        if (packet.pos >= 0) {
            const TPlace wanted{packet.pos, packet.dts, 0};
            const auto it = std::lower_bound(ByPosDts.begin(), ByPosDts.end(), wanted);
            if (it != ByPosDts.end() && it->Pos == packet.pos && it->Dts == packet.dts)
                id = it->Packet;
        } else if (packet.dts != NoTime) {
            const auto it = ByDts.find(packet.dts);
            if (it != ByDts.end())
                id = it->second;
        }
        return id >= 0 && Packets[static_cast<std::size_t>(id)].Size == packet.size ? id : -1;
    }

    void DropPending()
    {
        if (HasPending)
            av_packet_unref(Pending.get());
        HasPending = false;
    }

    // After a demuxer seek: reads on to the key packet and keeps it pending. False when the seek landed after
    // it, or nowhere known.
    bool Land(int key)
    {
        int unknown = 0;
        for (;;) {
            const int code = av_read_frame(Format.get(), Pending.get());
            if (code < 0)
                return false;
            if (Pending->stream_index != Stream) {
                av_packet_unref(Pending.get());
                continue;
            }
            const int id = Identify(*Pending);
            if (id == key) {
                HasPending = true;
                PendingId = key;
                return true;
            }
            av_packet_unref(Pending.get());
            if (id > key)
                return false;
            if (id < 0 && ++unknown > 512)
                return false;
        }
    }

    // Opens the file again: the last resort when seeking does not reach a packet. The demuxer then stands at
    // the start of the file.
    bool Reopen()
    {
        Format.reset();
        int code = 0;
        TFormatPtr format = OpenInput(Path, code);
        if (!format || avformat_find_stream_info(format.get(), nullptr) < 0)
            return false;
        if (Stream >= static_cast<int>(format->nb_streams) ||
            format->streams[Stream]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO ||
            format->streams[Stream]->codecpar->codec_id != Codec->codec_id)
            return false;
        Format = std::move(format);
        DiscardOtherStreams();
        return true;
    }

    // Puts the demuxer on the key packet (held pending) and empties the decoder.
    bool PositionAt(int key, QString& error)
    {
        ++Repositions;
        DropPending();
        Live = false;
        Drained = false;
        LastOutput = -1;
        avcodec_flush_buffers(Codec.get());
        const TPacketInfo& p = Packets[static_cast<std::size_t>(key)];
        bool landed = false;
        // A seek by time lands on a key frame at or before that time; when the demuxer's idea of it is off,
        // the times of up to two earlier key frames are tried (the packets up to the key are then read
        // without decoding).
        auto keyIt = std::lower_bound(Keys.begin(), Keys.end(), key);
        for (int attempt = 0; attempt < 3 && !landed && Format; ++attempt) {
            const TPacketInfo& at =
                attempt == 0 || keyIt == Keys.end() ? p : Packets[static_cast<std::size_t>(*keyIt)];
            const std::int64_t time = at.Dts != NoTime ? at.Dts : at.Pts;
            if (time != NoTime && av_seek_frame(Format.get(), Stream, time, AVSEEK_FLAG_BACKWARD) >= 0)
                landed = Land(key);
            if (keyIt == Keys.begin())
                break;
            --keyIt;
        }
        if (!landed && Format && p.Pos >= 0 && !(Format->iformat->flags & AVFMT_NO_BYTE_SEEK) &&
            av_seek_frame(Format.get(), Stream, p.Pos, AVSEEK_FLAG_BYTE) >= 0)
            landed = Land(key);
        if (!landed && Reopen()) // from the start of the file
            landed = Land(key);
        if (!landed) {
            error = QStringLiteral("The file cannot be read any more at this place.");
            return false;
        }
        NextPacket = key + 1;
        SafePts = key == 0 && !Packets.front().Key ? std::numeric_limits<std::int64_t>::min() : KeyTime(key);
        if (SafePts == NoTime)
            SafePts = std::numeric_limits<std::int64_t>::min();
        Live = true;
        return true;
    }

    // ---- decoding ----

    // The shown frame whose time is nearest to t, within the tolerance; -1 when none.
    int Match(std::int64_t t) const
    {
        if (t == NoTime)
            return -1;
        auto it = std::lower_bound(Frames.begin(), Frames.end(), t,
                                   [](const TFrameInfo& f, std::int64_t v) { return f.Pts < v; });
        int best = -1;
        std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
        auto consider = [&](std::vector<TFrameInfo>::const_iterator c) {
            const std::int64_t d = c->Pts > t ? c->Pts - t : t - c->Pts;
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(c - Frames.begin());
            }
        };
        if (it != Frames.end())
            consider(it);
        if (it != Frames.begin())
            consider(std::prev(it));
        if (best < 0 || bestDistance > Tolerance)
            return -1;
        // Frames sharing one time are told apart by their order of output.
        while (best + 1 < static_cast<int>(Frames.size()) && best <= LastOutput &&
               Frames[static_cast<std::size_t>(best + 1)].Pts == Frames[static_cast<std::size_t>(best)].Pts)
            ++best;
        return best;
    }

    // The shown frame that a decoded frame is: by the packet it was decoded from (the decoder hands back
    // the number given with each packet, reordered with the frames), else by its time.
    int Recognise(const AVFrame* frame) const
    {
        const std::int64_t tag = PacketTag(frame) - 1;
        if (tag >= 0 && tag < static_cast<std::int64_t>(FrameOfPacket.size())) {
            const int d = FrameOfPacket[static_cast<std::size_t>(tag)];
            // A decoder that does not pass the number on would give a packet of another time.
            if (d >= 0 && (frame->pts == NoTime || frame->pts == Frames[static_cast<std::size_t>(d)].Pts))
                return d;
        }
        const std::int64_t time = frame->pts != NoTime ? frame->pts : frame->best_effort_timestamp;
        return Match(time);
    }

    void SetCurrent(const AVFrame* frame, int index)
    {
        Current.reset(av_frame_clone(frame));
        CurrentIndex = Current ? index : -1;
    }

    // Decodes frame t into Current. False with the reason when it cannot be produced; Current then holds the
    // nearest earlier frame decoded on the way, if any.
    bool DecodeTo(int t, QString& error)
    {
        if (auto hit = Cache.find(t); hit != Cache.end()) {
            Use.splice(Use.begin(), Use, hit->second.Use);
            SetCurrent(hit->second.Frame.get(), t);
            return true;
        }
        const int key = Frames[static_cast<std::size_t>(t)].StartKey;
        const bool ahead = Live && key <= NextPacket && t > LastOutput;
        if (!ahead && !PositionAt(key, error)) {
            Current.reset();
            CurrentIndex = -1;
            return false;
        }
        TFramePtr before; // the last frame before t that came out on the way
        int beforeIndex = -1;
        // The frames before t decoded on the way. Moving backwards, each goes into the cache as it comes:
        // they are the frames asked for next. A forward jump keeps only the last of them, up to a quarter of
        // the cache and JumpKeepBytes, and stores them when it ends: it neither evicts the frames around the
        // place it left for frames that may never be asked for, nor fills memory to show one frame.
        const bool forward = CurrentIndex >= 0 && t > CurrentIndex;
        struct TPassed
        {
            int Index;
            TFramePtr Frame;
            std::int64_t Bytes;
        };
        std::deque<TPassed> passed;
        std::int64_t passedBytes = 0;
        auto keepPassed = [&] {
            for (TPassed& p : passed)
                Insert(p.Index, std::move(p.Frame), p.Bytes);
            passed.clear();
        };
        auto fail = [&](const QString& why) {
            keepPassed();
            error = why;
            if (before) {
                Current = std::move(before);
                CurrentIndex = beforeIndex;
            } else {
                Current.reset();
                CurrentIndex = -1;
            }
            return false;
        };
        const auto notDecoded = [t] { return QStringLiteral("The frame %1 cannot be decoded.").arg(t + 1); };
        int errors = 0;
        for (;;) {
            int code = avcodec_receive_frame(Codec.get(), Scratch.get());
            if (code == 0) {
                ++Decoded;
                int d = Recognise(Scratch.get());
                if (d >= 0 && Frames[static_cast<std::size_t>(d)].Pts < SafePts)
                    d = -1;
                if (d > LastOutput) {
                    LastOutput = d;
                    TFramePtr kept(av_frame_clone(Scratch.get()));
                    av_frame_unref(Scratch.get());
                    if (!kept)
                        return fail(FFMpegUnknownErrorText);
                    if (d == t) {
                        SetCurrent(kept.get(), t);
                        keepPassed();
                        Insert(d, std::move(kept));
                        Prime();
                        return true;
                    }
                    if (d > t) {
                        Insert(d, std::move(kept));
                        return fail(notDecoded());
                    }
                    before.reset(av_frame_clone(kept.get()));
                    beforeIndex = d;
                    if (!forward) {
                        Insert(d, std::move(kept));
                        continue;
                    }
                    const std::int64_t bytes = FrameBytes(kept.get());
                    passed.push_back(TPassed{d, std::move(kept), bytes});
                    passedBytes += bytes;
                    while (!passed.empty() && passedBytes > std::min(CacheLimit / 4, JumpKeepBytes)) {
                        passedBytes -= passed.front().Bytes;
                        passed.pop_front();
                    }
                } else {
                    av_frame_unref(Scratch.get());
                }
                continue;
            }
            if (code == AVERROR_EOF) {
                Live = false;
                return fail(notDecoded());
            }
            if (code != AVERROR(EAGAIN)) {
                // A damaged frame: the decoder goes on with the next ones, as a player does.
                if (++errors > 64) {
                    Live = false;
                    return fail(Reason(notDecoded(), code));
                }
                continue;
            }
            if (Drained) {
                Live = false;
                return fail(notDecoded());
            }
            if (!HasPending) {
                code = av_read_frame(Format.get(), Pending.get());
                if (code == AVERROR_EOF) {
                    avcodec_send_packet(Codec.get(), nullptr);
                    Drained = true;
                    continue;
                }
                if (code < 0) {
                    Live = false;
                    return fail(Reason(QStringLiteral("The frame %1 cannot be read").arg(t + 1), code));
                }
                if (Pending->stream_index != Stream || Pending->size <= 0) {
                    av_packet_unref(Pending.get());
                    continue;
                }
                PendingId = Identify(*Pending);
                NextPacket = PendingId >= 0 ? PendingId + 1 : NextPacket + 1;
                HasPending = true;
            }
            TagPacket(Codec.get(), Pending.get(), PendingId + 1);
            code = avcodec_send_packet(Codec.get(), Pending.get());
            if (code == AVERROR(EAGAIN))
                continue; // the decoder first gives out a frame; the packet stays pending
            DropPending();
            if (code < 0 && code != AVERROR_INVALIDDATA && ++errors > 64) {
                Live = false;
                return fail(Reason(notDecoded(), code));
            }
        }
    }

    // With frame threads, hands the decoder the next packet before returning, so that its threads work on
    // the next frame while the caller draws this one (stepping forward then overlaps decoding and drawing).
    // A single-threaded decoder would decode synchronously here: it is left alone.
    void Prime()
    {
        if (Drained || !Live || !(Codec->active_thread_type & FF_THREAD_FRAME))
            return;
        if (!HasPending) {
            for (;;) {
                if (av_read_frame(Format.get(), Pending.get()) < 0)
                    return; // the decode loop meets the end or the error again and handles it
                if (Pending->stream_index == Stream && Pending->size > 0)
                    break;
                av_packet_unref(Pending.get());
            }
            PendingId = Identify(*Pending);
            NextPacket = PendingId >= 0 ? PendingId + 1 : NextPacket + 1;
            HasPending = true;
        }
        TagPacket(Codec.get(), Pending.get(), PendingId + 1);
        const int code = avcodec_send_packet(Codec.get(), Pending.get());
        if (code == AVERROR(EAGAIN))
            return;
        DropPending();
    }

    // The first frames of a stream cut inside an open GOP refer to frames that are not in the file: no
    // decoding produces them and players do not show them. When the first frame that comes out is frame
    // `count`, the frames before it leave the index.
    void DropLeadingFrames(int count)
    {
        ClearCache();
        Current.reset();
        CurrentIndex = -1;
        Live = false;
        Frames.erase(Frames.begin(), Frames.begin() + count);
        FrameOfPacket.assign(Packets.size(), -1);
        for (std::size_t d = 0; d < Frames.size(); ++d)
            FrameOfPacket[static_cast<std::size_t>(Frames[d].Packet)] = static_cast<int>(d);
    }

    // ---- cache ----

    void Insert(int index, TFramePtr frame)
    {
        const std::int64_t bytes = FrameBytes(frame.get());
        Insert(index, std::move(frame), bytes);
    }

    void Insert(int index, TFramePtr frame, std::int64_t bytes)
    {
        if (Cache.count(index))
            return;
        Use.push_front(index);
        Cache.emplace(index, TCacheEntry{std::move(frame), bytes, Use.begin()});
        CacheBytes += bytes;
        Trim();
    }

    void Trim()
    {
        while (CacheBytes > CacheLimit && !Use.empty()) {
            const int victim = Use.back();
            Use.pop_back();
            auto it = Cache.find(victim);
            CacheBytes -= it->second.Bytes;
            Cache.erase(it);
        }
    }

    void ClearCache()
    {
        Cache.clear();
        Use.clear();
        CacheBytes = 0;
    }

    // ---- conversion ----

    // Converts the current frame to 32-bit RGB in dst (frame size). The colour matrix and range are the
    // frame's own, as a player applies them.
    bool Convert(QImage& dst, int width, int height)
    {
        const AVFrame* frame = Current.get();
        if (!frame || frame->width <= 0 || frame->height <= 0)
            return false;
        bool fullRange = frame->color_range == AVCOL_RANGE_JPEG;
        const AVPixelFormat format = PlainFormat(static_cast<AVPixelFormat>(frame->format), fullRange);
        SwsContext* previous = Sws.release();
        SwsContext* context =
            sws_getCachedContext(previous, frame->width, frame->height, format, width, height,
                                 AV_PIX_FMT_RGB32, SWS_BICUBIC, nullptr, nullptr, nullptr);
        Sws.reset(context);
        if (!context)
            return false;
        if (context != previous || format != SwsFormat || frame->colorspace != SwsColorspace ||
            fullRange != SwsFullRange || width != SwsWidth || height != SwsHeight) {
            const int* coefficients = sws_getCoefficients(frame->colorspace);
            sws_setColorspaceDetails(context, coefficients, fullRange ? 1 : 0,
                                     sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
            SwsFormat = format;
            SwsColorspace = frame->colorspace;
            SwsFullRange = fullRange;
            SwsWidth = width;
            SwsHeight = height;
        }
        uint8_t* planes[4] = {dst.bits(), nullptr, nullptr, nullptr};
        int strides[4] = {static_cast<int>(dst.bytesPerLine()), 0, 0, 0};
        return sws_scale(context, frame->data, frame->linesize, 0, frame->height, planes, strides) == height;
    }

    // Image := the current frame, upright, width x height (the frame size as shown; the image may be wider
    // by the scaler's padding).
    bool UpdateImage(int width, int height)
    {
        if (ImageIndex == CurrentIndex && !Image.isNull())
            return true;
        ImageIndex = -1;
        if (Rotation == 0) {
            if (Image.height() != height || Image.width() != PaddedWidth(width))
                Image = QImage(PaddedWidth(width), height, QImage::Format_RGB32);
            if (!Convert(Image, width, height))
                return false;
        } else {
            const bool quarter = Rotation == 90 || Rotation == 270;
            const int codedWidth = quarter ? height : width;
            const int codedHeight = quarter ? width : height;
            QImage coded(PaddedWidth(codedWidth), codedHeight, QImage::Format_RGB32);
            if (!Convert(coded, codedWidth, codedHeight))
                return false;
            Image = coded.copy(0, 0, codedWidth, codedHeight).transformed(QTransform().rotate(Rotation));
        }
        ImageIndex = CurrentIndex;
        return true;
    }
};

TFFMpegPlay::TFFMpegPlay() : F(std::make_unique<TImpl>())
{
    InstallLog();
}

TFFMpegPlay::~TFFMpegPlay()
{
    F->Reset();
}

bool TFFMpegPlay::RuntimeTooOld() const
{
    return avformat_version() < LIBAVFORMAT_VERSION_INT || avcodec_version() < LIBAVCODEC_VERSION_INT ||
           avutil_version() < LIBAVUTIL_VERSION_INT || swscale_version() < LIBSWSCALE_VERSION_INT;
}

bool TFFMpegPlay::Open(const QString& path)
{
    Close();
    FileName = path;
    ErrorText.clear();
    if (RuntimeTooOld()) {
        ErrorText = FFMpegTooOldText;
        return false;
    }
    F->Path = path;
    QString error;
    double fps = 0.0;
    bool ok = F->OpenFile(path, error) && F->BuildIndex(error) && F->OpenDecoder(error);
    if (ok) {
        const AVCodecParameters* par = F->VideoStream()->codecpar;
        fps = F->FrameRate();
        if (par->width <= 0 || par->height <= 0) {
            error = QStringLiteral("The frame size of the video is not defined.");
            ok = false;
        } else if (fps <= 0.0) {
            error = QStringLiteral("The frame rate of the video is not defined.");
            ok = false;
        } else if (!SetFrameTimes(*this, fps)) {
            error = QStringLiteral("The time between two frames is longer than 65.535 s.");
            ok = false;
        }
    }
    if (ok && !F->DecodeTo(0, error)) {
        const int firstShown = F->LastOutput;
        if (firstShown > 0 && firstShown < static_cast<int>(F->Frames.size())) {
            F->DropLeadingFrames(firstShown);
            error.clear();
            ok = F->DecodeTo(0, error);
        } else {
            ok = false;
        }
        if (!ok)
            error = QStringLiteral("The first frame cannot be decoded. ") + error;
    }
    if (!ok) {
        F->Reset();
        ErrorText = error.isEmpty() ? FFMpegUnknownErrorText : error;
        return false;
    }
    const AVCodecParameters* par = F->VideoStream()->codecpar;
    const bool quarter = F->Rotation == 90 || F->Rotation == 270;
    FrameWidth = quarter ? par->height : par->width;
    FrameHeight = quarter ? par->width : par->height;
    FrameCount = static_cast<int>(F->Frames.size());
    Duration = F->DurationSeconds(fps);
    CurrentFrame = 0;
    Opened = true;
    if (OnOpen)
        OnOpen();
    return true;
}

void TFFMpegPlay::Close()
{
    F->Reset();
    Opened = false;
    FrameCount = 0;
    CurrentFrame = 0;
    if (OnClose)
        OnClose();
}

void TFFMpegPlay::Seek(int frame)
{
    if (!Opened)
        return;
    frame = std::clamp(frame, 0, FrameCount - 1);
    CurrentFrame = frame;
    if (F->CurrentIndex == frame && F->Current)
        return;
    QString error;
    if (!F->DecodeTo(frame, error) && OnError)
        OnError(error);
}

bool TFFMpegPlay::Draw(QImage& target, const QRect& source, int rasterOp)
{
    if (!Opened || Drawing || !F->Current || target.isNull())
        return false;
    Drawing = true;
    struct TDrawingReset
    {
        bool& Flag;
        ~TDrawingReset() { Flag = false; }
    } reset{Drawing};
    RasterOp = rasterOp;
    const QRect whole(0, 0, FrameWidth, FrameHeight);
    const QRect region = source.intersected(whole);
    if (region.isEmpty())
        return false;
    if (F->Rotation == 0 && region == whole && target.size() == whole.size() &&
        DirectTarget(target, FrameWidth)) {
        const bool ok = F->Convert(target, FrameWidth, FrameHeight);
        if (ok && rasterOp == NOTSRCCOPY)
            target.invertPixels(QImage::InvertRgb);
        return ok;
    }
    // The converted frame is kept for further draws of the same frame (zoomed views repaint often).
    return F->UpdateImage(FrameWidth, FrameHeight) && StretchFrame(F->Image, target, region, rasterOp);
}

QString TFFMpegPlay::Comment(const QString& path)
{
    InstallLog();
    if (path.isEmpty())
        return {};
    int code = 0;
    const TFormatPtr format = OpenInput(path, code);
    if (!format)
        return {};
    auto comment = [](AVDictionary* metadata) {
        const AVDictionaryEntry* entry = av_dict_get(metadata, "comment", nullptr, 0);
        return entry && entry->value ? QString::fromUtf8(entry->value) : QString();
    };
    QString text = comment(format->metadata);
    for (unsigned i = 0; text.isEmpty() && i < format->nb_streams; ++i)
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            text = comment(format->streams[i]->metadata);
    return text;
}

void TFFMpegPlay::SetCacheLimit(std::int64_t bytes)
{
    F->CacheLimit = std::max<std::int64_t>(bytes, 0);
    F->Trim();
}

std::vector<double> TFFMpegPlay::FrameTimes() const
{
    std::vector<double> times;
    if (!Opened || !F->Format || F->Stream < 0 || F->Frames.empty())
        return times;
    const double base = av_q2d(F->VideoStream()->time_base);
    const std::int64_t first = F->Frames.front().Pts;
    times.reserve(F->Frames.size());
    for (const TFrameInfo& frame : F->Frames)
        times.push_back(static_cast<double>(frame.Pts - first) * base);
    return times;
}

std::int64_t TFFMpegPlay::CacheLimit() const
{
    return F->CacheLimit;
}

std::int64_t TFFMpegPlay::CacheBytes() const
{
    return F->CacheBytes;
}

int TFFMpegPlay::CachedFrameCount() const
{
    return static_cast<int>(F->Cache.size());
}

std::int64_t TFFMpegPlay::DecodedFrames() const
{
    return F->Decoded;
}

std::int64_t TFFMpegPlay::Repositionings() const
{
    return F->Repositions;
}

int TFFMpegPlay::KeyFrameCount() const
{
    return static_cast<int>(F->Keys.size());
}
