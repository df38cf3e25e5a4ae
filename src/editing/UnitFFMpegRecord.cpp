// Video writer over FFmpeg: images, one at a time, encoded with one of the library's encoders (MPEG-4,
// H.264 when the build has it, Motion JPEG, FFV1) or uncompressed, into an AVI or MP4 file.
#include "editing/UnitFFMpegRecord.h"

#include "common/UnitFFMpegPtr.h"
#include "common/UnitWriterComment.h"
#include "editing/UnitWriterFiles.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

const QString FFMpegInternalCodecName = QStringLiteral("FFMpeg internal MPEG4 codec");

namespace {

const QString TooOldText =
    QStringLiteral("The « FFmpeg » libraries installed on the hard disk are too old.\n"
                   "Please install a newer version of the « FFmpeg » libraries (libavformat, libavcodec, "
                   "libswscale, libavutil).");

// One encoder the writer offers: its listed name, the library's encoder name, and the picture format it
// is given (AV_PIX_FMT_NONE: the encoder's best for RGB input).
struct TEncoder
{
    QString Name;
    const char* Library;
    AVPixelFormat Format;
    bool Quantized;          // takes the quantizer as its quality
    bool RateFactor = false; // takes a constant rate factor from the quantizer instead
};

const std::vector<TEncoder>& AllEncoders()
{
    static const std::vector<TEncoder> list = {
        {FFMpegInternalCodecName, "mpeg4", AV_PIX_FMT_YUV420P, true},
        {QStringLiteral("H.264 (libx264)"), "libx264", AV_PIX_FMT_YUV420P, false, true},
        {QStringLiteral("Motion JPEG"), "mjpeg", AV_PIX_FMT_YUVJ420P, true},
        {QStringLiteral("FFV1 lossless"), "ffv1", AV_PIX_FMT_NONE, false},
    };
    return list;
}

// The encoders present in the run-time library; the MPEG-4 one always comes first.
const std::vector<TEncoder>& Encoders()
{
    static const std::vector<TEncoder> present = [] {
        std::vector<TEncoder> list;
        for (const TEncoder& e : AllEncoders())
            if (list.empty() || avcodec_find_encoder_by_name(e.Library))
                list.push_back(e);
        return list;
    }();
    return present;
}

QString ErrorString(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace

struct TFFMpegRecord::TImpl
{
    TAVOutputPtr Output;
    TAVCodecPtr Codec;
    TAVFramePtr Frame;
    TAVPacketPtr Packet;
    TSwsPtr Sws;
    AVStream* Stream = nullptr; // owned by Output
    std::int64_t NextPts = 0;
    bool HeaderWritten = false;

    void Release()
    {
        Sws.reset();
        Packet.reset();
        Frame.reset();
        Codec.reset();
        Output.reset();
        Stream = nullptr;
        NextPts = 0;
        HeaderWritten = false;
    }

    // Sends frame (null: the end) to the encoder and writes every packet it gives back.
    int Encode(const AVFrame* frame)
    {
        int code = avcodec_send_frame(Codec.get(), frame);
        while (code >= 0) {
            code = avcodec_receive_packet(Codec.get(), Packet.get());
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
                return 0;
            if (code < 0)
                return code;
            av_packet_rescale_ts(Packet.get(), Codec->time_base, Stream->time_base);
            Packet->stream_index = Stream->index;
            code = av_interleaved_write_frame(Output.get(), Packet.get());
        }
        return code;
    }
};

TFFMpegRecord::TFFMpegRecord() : F(std::make_unique<TImpl>()) {}

TFFMpegRecord::~TFFMpegRecord()
{
    if (!Failed)
        Fail(QStringLiteral("The writer was destroyed before the file was finished."));
}

QStringList TFFMpegRecord::CodecList()
{
    QStringList names;
    for (const TEncoder& e : Encoders())
        names << e.Name;
    return names;
}

bool TFFMpegRecord::CodecUsesQuality(const QString& name)
{
    for (const TEncoder& e : Encoders())
        if (e.Name == name)
            return e.Quantized || e.RateFactor;
    return false;
}

QString TFFMpegRecord::CodecName() const
{
    const auto& list = Encoders();
    return CodecIndex >= 0 && CodecIndex < static_cast<int>(list.size())
               ? list[static_cast<std::size_t>(CodecIndex)].Name
               : QString();
}

bool TFFMpegRecord::SetCodecName(const QString& name)
{
    CodecIndex = static_cast<int>(CodecList().indexOf(name));
    return name.isEmpty() || CodecIndex >= 0;
}

QString TFFMpegRecord::ErrorText() const
{
    return State == 2 ? TooOldText : QStringLiteral("Unknown error");
}

bool TFFMpegRecord::RuntimeTooOld() const
{
    return avformat_version() < LIBAVFORMAT_VERSION_INT || avcodec_version() < LIBAVCODEC_VERSION_INT ||
           avutil_version() < LIBAVUTIL_VERSION_INT || swscale_version() < LIBSWSCALE_VERSION_INT;
}

bool TFFMpegRecord::Fail(const QString& detail)
{
    Detail = detail;
    Failed = true;
    F->Release();
    if (!TempFileName.isEmpty())
        QFile::remove(TempFileName);
    TempFileName.clear();
    return false;
}

void TFFMpegRecord::Cancel()
{
    if (!Failed)
        Fail(QStringLiteral("Process cancelled"));
}

bool TFFMpegRecord::Open()
{
    F->Release();
    Failed = true;
    State = 1;
    Detail.clear();
    if (RuntimeTooOld()) {
        State = 2;
        return false;
    }
    if (FileName.isEmpty() || Width <= 0 || Height <= 0 || !(FramesPerSecond > 0.0) ||
        !std::isfinite(FramesPerSecond))
        return Fail(QStringLiteral("The file name, the size or the frame rate is missing."));
    const auto& encoders = Encoders();
    if (CodecIndex >= static_cast<int>(encoders.size()))
        return Fail(QStringLiteral("This codec is not available."));
    const bool compressed = CodecIndex >= 0;
    const TEncoder* encoder = compressed ? &encoders[static_cast<std::size_t>(CodecIndex)] : nullptr;
    const AVCodec* codec = compressed ? avcodec_find_encoder_by_name(encoder->Library)
                                      : avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
    if (!codec)
        return Fail(QStringLiteral("The encoder is not available."));
    AVPixelFormat format = compressed ? encoder->Format : AV_PIX_FMT_BGR24;
    if (format == AV_PIX_FMT_NONE && codec->pix_fmts)
        format = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_RGB32, 0, nullptr);
    if (format == AV_PIX_FMT_NONE)
        return Fail(QStringLiteral("The encoder takes no picture format the writer can give."));
    const AVPixFmtDescriptor* layout = av_pix_fmt_desc_get(format);
    if (layout &&
        ((Width & ((1 << layout->log2_chroma_w) - 1)) || (Height & ((1 << layout->log2_chroma_h) - 1))))
        return Fail(QStringLiteral("This codec needs an even width and height."));

    // The container is chosen by the destination's name; the data go to a temporary file beside it.
    const QByteArray destination = QFile::encodeName(FileName);
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, nullptr, destination.constData()) < 0 || !raw) {
        raw = nullptr;
        if (avformat_alloc_output_context2(&raw, nullptr, "avi", destination.constData()) < 0 || !raw)
            return Fail(QStringLiteral("No container can be made for this file."));
    }
    F->Output.reset(raw);
    AVFormatContext* output = F->Output.get();
    QString reason;
    TempFileName = CreateTempBeside(FileName, reason);
    if (TempFileName.isEmpty())
        return Fail(QStringLiteral("The file cannot be created: ") + reason);
    const QByteArray name = QFile::encodeName(TempFileName);
    F->Codec.reset(avcodec_alloc_context3(codec));
    F->Frame.reset(av_frame_alloc());
    F->Packet.reset(av_packet_alloc());
    F->Stream = avformat_new_stream(output, nullptr);
    if (!F->Codec || !F->Frame || !F->Packet || !F->Stream)
        return Fail(QStringLiteral("Out of memory."));
    AVCodecContext* c = F->Codec.get();
    const AVRational rate = av_d2q(FramesPerSecond, 100000);
    c->width = Width;
    c->height = Height;
    c->time_base = av_inv_q(rate);
    c->framerate = rate;
    c->pix_fmt = format;
    c->thread_count = 0; // as many as the machine has: encoding is most of the time of a save
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->color_range = format == AV_PIX_FMT_YUVJ420P ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    if (compressed) {
        c->gop_size = std::clamp(KeyFrameEvery, 1, 250);
        c->max_b_frames = 0;
        if (encoder->Quantized) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = FF_QP2LAMBDA * std::clamp(Quantizer, 1, 31);
        }
        if (encoder->RateFactor)
            av_opt_set_int(c->priv_data, "crf", 16 + std::clamp(Quantizer, 1, 31), 0);
    }
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int code = avcodec_open2(c, codec, nullptr);
    if (code < 0)
        return Fail(QStringLiteral("The encoder cannot be opened: ") + ErrorString(code));
    code = avcodec_parameters_from_context(F->Stream->codecpar, c);
    if (code < 0)
        return Fail(ErrorString(code));
    F->Stream->time_base = c->time_base;
    F->Stream->avg_frame_rate = rate;
    // The comment is how the reader recognises the file later: a file without it is a failure.
    code = av_dict_set(&output->metadata, "comment", OwnWriterComment, 0);
    if (code < 0)
        return Fail(QStringLiteral("The comment cannot be stored: ") + ErrorString(code));

    F->Frame->format = c->pix_fmt;
    F->Frame->width = Width;
    F->Frame->height = Height;
    code = av_frame_get_buffer(F->Frame.get(), 0);
    if (code < 0)
        return Fail(ErrorString(code));
    F->Sws.reset(sws_getContext(Width, Height, AV_PIX_FMT_RGB32, Width, Height, c->pix_fmt, SWS_BICUBIC,
                                nullptr, nullptr, nullptr));
    if (!F->Sws)
        return Fail(QStringLiteral("The image conversion cannot be set up."));

    if (!(output->oformat->flags & AVFMT_NOFILE)) {
        code = avio_open(&output->pb, name.constData(), AVIO_FLAG_WRITE);
        if (code < 0)
            return Fail(QStringLiteral("The file cannot be created: ") + ErrorString(code));
    }
    code = avformat_write_header(output, nullptr);
    if (code < 0)
        return Fail(QStringLiteral("The file header cannot be written: ") + ErrorString(code));
    F->HeaderWritten = true;
    Failed = false;
    return true;
}

bool TFFMpegRecord::AddFrame(const QImage& image)
{
    if (Failed)
        return false;
    QImage picture(Width, Height, QImage::Format_RGB32);
    picture.fill(Qt::black);
    if (!image.isNull()) {
        QPainter painter(&picture);
        painter.drawImage(0, 0, image);
    }
    int code = av_frame_make_writable(F->Frame.get());
    if (code < 0)
        return Fail(ErrorString(code));
    const uint8_t* planes[4] = {picture.constBits(), nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(picture.bytesPerLine()), 0, 0, 0};
    // The scaler returns the height of the slice it wrote; anything else leaves the frame partly unwritten.
    code = sws_scale(F->Sws.get(), planes, strides, 0, Height, F->Frame->data, F->Frame->linesize);
    if (code != Height)
        return Fail(QStringLiteral("The image cannot be converted: ") +
                    (code < 0 ? ErrorString(code) : QStringLiteral("%1 of %2 rows").arg(code).arg(Height)));
    F->Frame->pts = F->NextPts++;
    // With a fixed quantizer the encoders take the quality of each picture, not the context's.
    F->Frame->quality = F->Codec->global_quality;
    code = F->Encode(F->Frame.get());
    if (code < 0)
        return Fail(QStringLiteral("The frame cannot be written: ") + ErrorString(code));
    return true;
}

bool TFFMpegRecord::Close()
{
    bool ok = false;
    if (!Failed) {
        int code = F->Encode(nullptr);
        if (code >= 0)
            code = av_write_trailer(F->Output.get());
        // Closing flushes what the muxer still holds: a full disk may only show here.
        AVFormatContext* output = F->Output.get();
        if (code >= 0 && output->pb && !(output->oformat->flags & AVFMT_NOFILE))
            code = avio_closep(&output->pb);
        if (code < 0) {
            Fail(QStringLiteral("The file cannot be finished: ") + ErrorString(code));
        } else {
            F->Release(); // closes the file
            QString reason;
            ok = ReplaceWithTemp(TempFileName, FileName, reason);
            if (!ok)
                Fail(QStringLiteral("The file cannot be renamed: ") + reason);
            TempFileName.clear();
        }
    }
    Failed = true;
    FileName.clear();
    Width = 0;
    Height = 0;
    FramesPerSecond = 0.0;
    return ok;
}
