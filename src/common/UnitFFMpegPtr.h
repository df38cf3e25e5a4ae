// Owning pointers for FFmpeg objects, shared by the FFmpeg frame source and the FFmpeg writer (the only
// library units that include FFmpeg headers) and by the frame-source benchmark.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace ffmpeg_ptr {

// A demuxer opened with avformat_open_input.
struct TInputCloser
{
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
// A muxer made with avformat_alloc_output_context2: its file (when it has one) is closed first.
struct TOutputCloser
{
    void operator()(AVFormatContext* c) const
    {
        if (c->pb && !(c->oformat->flags & AVFMT_NOFILE))
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct TCodecFreer
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct TFrameFreer
{
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct TPacketFreer
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct TSwsFreer
{
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};

} // namespace ffmpeg_ptr

using TAVInputPtr = std::unique_ptr<AVFormatContext, ffmpeg_ptr::TInputCloser>;
using TAVOutputPtr = std::unique_ptr<AVFormatContext, ffmpeg_ptr::TOutputCloser>;
using TAVCodecPtr = std::unique_ptr<AVCodecContext, ffmpeg_ptr::TCodecFreer>;
using TAVFramePtr = std::unique_ptr<AVFrame, ffmpeg_ptr::TFrameFreer>;
using TAVPacketPtr = std::unique_ptr<AVPacket, ffmpeg_ptr::TPacketFreer>;
using TSwsPtr = std::unique_ptr<SwsContext, ffmpeg_ptr::TSwsFreer>;
