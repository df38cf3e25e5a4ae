// Video writer over FFmpeg: MPEG-4 part 2 (or uncompressed) images, one at a time, into an AVI or MP4 file.
#include "editing/UnitFFMpegRecord.h"

#include "common/UnitFFMpegPtr.h"
#include "common/UnitWriterComment.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cmath>

const QString FFMpegInternalCodecName = QStringLiteral("FFMpeg internal MPEG4 codec");

namespace {

const QString TooOldText =
    QStringLiteral("The « FFmpeg » libraries installed on the hard disk are too old.\n"
                   "Please install a newer version of the « FFmpeg » libraries (libavformat, libavcodec, "
                   "libswscale, libavutil).");

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
    return {FFMpegInternalCodecName};
}

QString TFFMpegRecord::CodecName() const
{
    return CodecIndex == 0 ? FFMpegInternalCodecName : QString();
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
    if (!FileName.isEmpty() && QFile::exists(FileName))
        QFile::remove(FileName);
    return false;
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
    const bool compressed = CodecIndex >= 0;
    if (compressed && (Width % 2 != 0 || Height % 2 != 0))
        return Fail(QStringLiteral("MPEG-4 needs an even width and height."));
    if (QFile::exists(FileName) && !QFile::remove(FileName))
        return Fail(QStringLiteral("The existing file cannot be replaced."));

    const QByteArray name = QFile::encodeName(FileName);
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, nullptr, name.constData()) < 0 || !raw) {
        raw = nullptr;
        if (avformat_alloc_output_context2(&raw, nullptr, "avi", name.constData()) < 0 || !raw)
            return Fail(QStringLiteral("No container can be made for this file."));
    }
    F->Output.reset(raw);
    AVFormatContext* output = F->Output.get();

    const AVCodec* codec = avcodec_find_encoder(compressed ? AV_CODEC_ID_MPEG4 : AV_CODEC_ID_RAWVIDEO);
    if (!codec)
        return Fail(QStringLiteral("The encoder is not available."));
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
    c->pix_fmt = compressed ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_BGR24;
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->color_range = AVCOL_RANGE_MPEG;
    if (compressed) {
        c->gop_size = std::clamp(KeyFrameEvery, 1, 250);
        c->max_b_frames = 0;
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * std::clamp(Quantizer, 1, 31);
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
        if (code < 0) {
            Fail(QStringLiteral("The file cannot be finished: ") + ErrorString(code));
        } else {
            F->Release(); // closes the file
            ok = true;
        }
    }
    Failed = true;
    FileName.clear();
    Width = 0;
    Height = 0;
    FramesPerSecond = 0.0;
    return ok;
}
