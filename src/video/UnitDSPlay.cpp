// Frame source of framework 1: GStreamer, with frames reached by time.
//
// A pipeline uridecodebin -> videoconvert -> appsink (packed RGB) decodes the first video stream into
// memory; nothing is ever shown in a window. The pipeline runs without clock synchronisation, so the
// appsink receives frames as fast as they decode and holds the stream back when its small queue is
// full. A frame is fetched by pulling frames forward when it lies a little ahead of the last one, and
// otherwise by a flushing, accurate seek to its time followed by pulls. Buffer timestamps are turned
// into stream time (the time that seeks use) before being compared with the time asked for.
#include "video/UnitDSPlay.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

struct TObjectUnref
{
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct TSampleUnref
{
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
};
struct TCapsUnref
{
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
struct TMessageUnref
{
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};
struct TGFree
{
    void operator()(gpointer memory) const { g_free(memory); }
};
struct TErrorFree
{
    void operator()(GError* error) const { g_error_free(error); }
};

using TElementPtr = std::unique_ptr<GstElement, TObjectUnref>;
using TBusPtr = std::unique_ptr<GstBus, TObjectUnref>;
using TPadPtr = std::unique_ptr<GstPad, TObjectUnref>;
using TSamplePtr = std::unique_ptr<GstSample, TSampleUnref>;
using TCapsPtr = std::unique_ptr<GstCaps, TCapsUnref>;
using TMessagePtr = std::unique_ptr<GstMessage, TMessageUnref>;
using TStringPtr = std::unique_ptr<gchar, TGFree>;
using TErrorPtr = std::unique_ptr<GError, TErrorFree>;

// Longest wait for the pipeline to start or for one frame, in nanoseconds.
constexpr GstClockTime StartTimeout = 20 * GST_SECOND;
constexpr GstClockTime FrameTimeout = 10 * GST_SECOND;
constexpr GstClockTime PollInterval = 50 * GST_MSECOND;
// Frames ahead of the last one that are reached by decoding on rather than by seeking.
constexpr int ForwardFrames = 32;
// Frames before the one wanted at which a seek lands (at least the deepest reordering of frames).
constexpr int SeekMargin = 16;

// GStreamer is initialised once per process; false when it cannot be.
bool InitGstreamer()
{
    static const bool ok = [] {
        GError* error = nullptr;
        const bool done = gst_init_check(nullptr, nullptr, &error) != FALSE;
        if (error != nullptr)
            g_error_free(error);
        return done;
    }();
    return ok;
}

GstClockTime Nanoseconds(double seconds)
{
    return seconds <= 0.0 ? 0 : GstClockTime(std::llround(seconds * double(GST_SECOND)));
}

} // namespace

struct TDSPlay::TPipeline
{
    // Shared with the streaming thread that reports the decoder's pads.
    struct TPads
    {
        GstElement* Convert = nullptr; // owned by the pipeline
        std::atomic<bool> Linked{false};
        std::atomic<bool> NoMorePads{false};
    };

    TPads Pads;           // declared before the pipeline, which refers to it until it is freed
    TElementPtr Pipeline; // owns every element added to it
    GstElement* Sink = nullptr;
    TBusPtr Bus;
    TSamplePtr Sample;      // the frame fetched last
    gint64 SampleStart = 0; // its stream time and end, nanoseconds
    gint64 SampleEnd = 0;
    bool AtEnd = false; // the stream has ended since the last seek
    gint64 Origin = 0;  // stream time of the first frame: frame times count from it

    ~TPipeline()
    {
        Sample.reset();
        if (Pipeline)
            gst_element_set_state(Pipeline.get(), GST_STATE_NULL);
    }

    // Streams of sound, subtitles or captions are not decoded.
    static gboolean OnAutoplugContinue(GstElement*, GstPad*, GstCaps* caps, gpointer)
    {
        if (caps == nullptr || gst_caps_get_size(caps) == 0)
            return TRUE;
        const gchar* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
        for (const char* skipped : {"audio/", "text/", "subpicture/", "closedcaption/"})
            if (g_str_has_prefix(name, skipped))
                return FALSE;
        return TRUE;
    }

    // The first decoded video stream goes to the converter; every other stream to a sink that drops it,
    // so that the demuxer never finds an unlinked stream.
    static void OnPadAdded(GstElement* decoder, GstPad* pad, gpointer data)
    {
        auto* pads = static_cast<TPads*>(data);
        TCapsPtr caps(gst_pad_get_current_caps(pad));
        if (!caps)
            caps.reset(gst_pad_query_caps(pad, nullptr));
        if (!pads->Linked && caps && gst_caps_get_size(caps.get()) > 0 &&
            g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)), "video/x-raw")) {
            TPadPtr sinkPad(gst_element_get_static_pad(pads->Convert, "sink"));
            if (sinkPad && !gst_pad_is_linked(sinkPad.get()) &&
                gst_pad_link(pad, sinkPad.get()) == GST_PAD_LINK_OK) {
                pads->Linked = true;
                return;
            }
        }
        GstObject* parent = gst_element_get_parent(decoder);
        GstElement* drop = gst_element_factory_make("fakesink", nullptr);
        if (parent != nullptr && drop != nullptr) {
            g_object_set(drop, "sync", FALSE, "async", FALSE, nullptr);
            gst_bin_add(GST_BIN(parent), drop);
            TPadPtr dropPad(gst_element_get_static_pad(drop, "sink"));
            if (dropPad)
                gst_pad_link(pad, dropPad.get());
            gst_element_sync_state_with_parent(drop);
        } else if (drop != nullptr) {
            gst_object_unref(gst_object_ref_sink(drop));
        }
        if (parent != nullptr)
            gst_object_unref(parent);
    }

    static void OnNoMorePads(GstElement*, gpointer data) { static_cast<TPads*>(data)->NoMorePads = true; }

    // Text of the first error that the pipeline reported, empty when none.
    QString PopError()
    {
        TMessagePtr message(gst_bus_pop_filtered(Bus.get(), GST_MESSAGE_ERROR));
        if (!message)
            return {};
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message.get(), &error, &debug);
        TErrorPtr owned(error);
        TStringPtr debugText(debug);
        return owned ? QString::fromUtf8(owned->message) : QStringLiteral("GStreamer error");
    }

    // Waits until the pipeline has reached the state asked for; the reason on failure.
    QString WaitForState()
    {
        for (GstClockTime waited = 0; waited < StartTimeout; waited += PollInterval) {
            const GstStateChangeReturn r =
                gst_element_get_state(Pipeline.get(), nullptr, nullptr, PollInterval);
            if (r == GST_STATE_CHANGE_SUCCESS || r == GST_STATE_CHANGE_NO_PREROLL)
                return {};
            QString error = PopError();
            if (r == GST_STATE_CHANGE_FAILURE)
                return error.isEmpty() ? QStringLiteral("The file cannot be decoded.") : error;
            if (!error.isEmpty())
                return error;
            if (Pads.NoMorePads && !Pads.Linked)
                return QStringLiteral("The file has no video stream that can be decoded.");
        }
        return QStringLiteral("The file took too long to open.");
    }

    bool SeekTo(GstClockTime time)
    {
        Sample.reset();
        AtEnd = false;
        return gst_element_seek_simple(Pipeline.get(), GST_FORMAT_TIME,
                                       GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                       gint64(time)) != FALSE;
    }

    // Stream time of a frame and of its end (nanoseconds); `start` is kept when the buffer has no time.
    static void TimesOf(GstSample* sample, GstClockTime period, gint64& start, gint64& end)
    {
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        const GstSegment* segment = gst_sample_get_segment(sample);
        const GstClockTime pts = buffer != nullptr ? GST_BUFFER_PTS(buffer) : GST_CLOCK_TIME_NONE;
        if (GST_CLOCK_TIME_IS_VALID(pts) && segment != nullptr) {
            guint64 streamTime = 0;
            const gint sign = gst_segment_to_stream_time_full(segment, GST_FORMAT_TIME, pts, &streamTime);
            if (sign != 0)
                start = sign > 0 ? gint64(streamTime) : -gint64(streamTime);
        }
        const GstClockTime duration = buffer != nullptr ? GST_BUFFER_DURATION(buffer) : GST_CLOCK_TIME_NONE;
        end = start + gint64(GST_CLOCK_TIME_IS_VALID(duration) && duration > 0 ? duration : period);
    }

    // Pulls the next frame into Sample; false at the end of the stream, on an error or after a timeout.
    bool PullNext(GstClockTime period)
    {
        TSamplePtr sample(gst_app_sink_try_pull_sample(GST_APP_SINK(Sink), FrameTimeout));
        if (!sample) {
            AtEnd = gst_app_sink_is_eos(GST_APP_SINK(Sink)) != FALSE;
            return false;
        }
        if (gst_sample_get_buffer(sample.get()) == nullptr)
            return false;
        gint64 start = Sample ? SampleEnd : Origin;
        gint64 end = 0;
        TimesOf(sample.get(), period, start, end);
        SampleStart = start;
        SampleEnd = end;
        Sample = std::move(sample);
        return true;
    }

    // Stream time at which the last frame ends, found by decoding the stream's last stretch (from
    // `from`, nanoseconds); -1 when no frame comes.
    gint64 EndOfFrames(GstClockTime from, GstClockTime period)
    {
        if (!SeekTo(from))
            return -1;
        while (PullNext(period)) {
        }
        return AtEnd && Sample ? SampleEnd : -1;
    }

    // Makes Sample the frame shown at `time` after the first frame: the one whose time span holds it, or
    // the last frame when the stream ends before.
    bool Fetch(GstClockTime offset, GstClockTime period)
    {
        const gint64 t = Origin + gint64(offset);
        const GstClockTime time = GstClockTime(std::max<gint64>(t, 0));
        if (Sample && SampleStart <= t && t < SampleEnd)
            return true;
        const bool ahead =
            Sample && !AtEnd && t >= SampleEnd && t - SampleEnd < ForwardFrames * gint64(period);
        // A seek lands some frames early: a demuxer may start decoding at a key frame that is shown
        // after `time` but decoded before it, and then the frames reordered around it (B-frames) would
        // miss a reference and decode wrongly.
        const gint64 early = SeekMargin * gint64(period);
        if (!ahead && !SeekTo(time > GstClockTime(early) ? time - GstClockTime(early) : 0))
            return false;
        while (PullNext(period))
            if (SampleEnd > t)
                return true;
        if (!AtEnd)
            return false; // an error or a timeout
        if (Sample && SampleStart <= t)
            return true; // past the last frame: it stays shown
        // A seek beyond the last frame gives none: decode the last stretch of the stream again.
        const GstClockTime back = std::max<GstClockTime>(GST_SECOND, 4 * period);
        if (!SeekTo(time > back ? time - back : 0))
            return false;
        TSamplePtr last;
        gint64 lastStart = 0, lastEnd = 0;
        while (PullNext(period)) {
            if (SampleStart > t)
                break;
            last.reset(gst_sample_ref(Sample.get()));
            lastStart = SampleStart;
            lastEnd = SampleEnd;
        }
        if (!last)
            return false;
        Sample = std::move(last);
        SampleStart = lastStart;
        SampleEnd = lastEnd;
        AtEnd = true; // the pipeline position is no longer just after Sample: seek next time
        return true;
    }

    // Draws Sample (packed RGB rows) onto target.
    bool DrawSample(QImage& target, const QRect& source, int rasterOp)
    {
        if (!Sample)
            return false;
        GstCaps* caps = gst_sample_get_caps(Sample.get());
        GstBuffer* buffer = gst_sample_get_buffer(Sample.get());
        GstVideoInfo info;
        gst_video_info_init(&info);
        if (caps == nullptr || buffer == nullptr || !gst_video_info_from_caps(&info, caps))
            return false;
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
            return false;
        const int w = GST_VIDEO_INFO_WIDTH(&info);
        const int h = GST_VIDEO_INFO_HEIGHT(&info);
        const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
        bool done = false;
        if (w > 0 && h > 0 && stride >= 3 * w && gsize(stride) * gsize(h - 1) + gsize(3 * w) <= map.size) {
            const QImage frame(map.data + GST_VIDEO_INFO_PLANE_OFFSET(&info, 0), w, h, stride,
                               QImage::Format_RGB888);
            done = StretchFrame(frame, target, source, rasterOp);
        }
        gst_buffer_unmap(buffer, &map);
        return done;
    }
};

TDSPlay::TDSPlay() = default;
TDSPlay::~TDSPlay() = default;

double TDSPlay::SeekTimeOf(int frame, double secondsPerFrame, double duration)
{
    const double excess = std::min(0.0001 * frame, 0.5);
    const double time = (frame + excess) * secondsPerFrame; // frame x 1.0001 x period below frame 5000
    return std::clamp(time, 0.0, std::max(duration, 0.0));
}

bool TDSPlay::Fail(const QString& reason)
{
    FPipeline.reset();
    Opened = false;
    FrameCount = 0;
    CurrentFrame = 0;
    ErrorText = reason;
    return false;
}

bool TDSPlay::Open(const QString& path)
{
    Close();
    FileName = path;
    ErrorText.clear();
    if (!InitGstreamer())
        return Fail(QStringLiteral("GStreamer cannot be initialised."));
    if (path.isEmpty() || !QFile::exists(path))
        return Fail(QStringLiteral("The file does not exist."));
    GError* uriError = nullptr;
    TStringPtr uri(gst_filename_to_uri(QFile::encodeName(path).constData(), &uriError));
    TErrorPtr ownedUriError(uriError);
    if (!uri)
        return Fail(QStringLiteral("The file name cannot be turned into a URI."));

    FPipeline = std::make_unique<TPipeline>();
    TPipeline& p = *FPipeline;
    p.Pipeline.reset(gst_pipeline_new("kinotra-frames"));
    if (!p.Pipeline)
        return Fail(QStringLiteral("GStreamer cannot create a pipeline."));
    gst_object_ref_sink(p.Pipeline.get());
    GstElement* decode = gst_element_factory_make("uridecodebin", nullptr);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    for (GstElement* element : {decode, convert, sink})
        if (element != nullptr)
            gst_bin_add(GST_BIN(p.Pipeline.get()), element); // the pipeline takes ownership
    if (decode == nullptr || convert == nullptr || sink == nullptr)
        return Fail(QStringLiteral("The GStreamer decoding elements are not installed."));
    p.Sink = sink;
    p.Pads.Convert = convert;

    g_object_set(decode, "uri", uri.get(), nullptr);
    TCapsPtr rgb(gst_caps_from_string("video/x-raw,format=RGB"));
    gst_app_sink_set_caps(GST_APP_SINK(sink), rgb.get());
    g_object_set(sink, "sync", FALSE, "max-buffers", guint(2), "drop", FALSE, "enable-last-sample", FALSE,
                 nullptr);
    if (!gst_element_link(convert, sink))
        return Fail(QStringLiteral("GStreamer cannot convert the frames to RGB."));
    g_signal_connect(decode, "autoplug-continue", G_CALLBACK(&TPipeline::OnAutoplugContinue), nullptr);
    g_signal_connect(decode, "pad-added", G_CALLBACK(&TPipeline::OnPadAdded), &p.Pads);
    g_signal_connect(decode, "no-more-pads", G_CALLBACK(&TPipeline::OnNoMorePads), &p.Pads);
    p.Bus.reset(gst_element_get_bus(p.Pipeline.get()));

    if (gst_element_set_state(p.Pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        const QString error = p.PopError();
        return Fail(error.isEmpty() ? QStringLiteral("The file cannot be decoded.") : error);
    }
    const QString startError = p.WaitForState();
    if (!startError.isEmpty())
        return Fail(startError);

    // From here on frames are pulled as they decode. The first one is taken as a sample, not as the
    // preroll frame: a stream that starts with a gap (an empty edit at the start of an MP4) prerolls
    // without any frame.
    if (gst_element_set_state(p.Pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return Fail(QStringLiteral("The file cannot be decoded."));
    TSamplePtr first(gst_app_sink_try_pull_sample(GST_APP_SINK(sink), FrameTimeout));
    GstVideoInfo info;
    gst_video_info_init(&info);
    if (!first || gst_sample_get_caps(first.get()) == nullptr ||
        !gst_video_info_from_caps(&info, gst_sample_get_caps(first.get()))) {
        const QString error = p.PopError();
        return Fail(error.isEmpty() ? QStringLiteral("The file has no video stream that can be decoded.")
                                    : error);
    }
    FrameWidth = GST_VIDEO_INFO_WIDTH(&info);
    FrameHeight = GST_VIDEO_INFO_HEIGHT(&info);
    if (FrameWidth <= 0 || FrameHeight <= 0)
        return Fail(QStringLiteral("The video stream has no frame size."));
    if (GST_VIDEO_INFO_FPS_N(&info) <= 0 || GST_VIDEO_INFO_FPS_D(&info) <= 0)
        return Fail(QStringLiteral("The video stream has no constant frame rate."));
    FramesPerSecond = double(GST_VIDEO_INFO_FPS_N(&info)) / GST_VIDEO_INFO_FPS_D(&info);
    SecondsPerFrame = 1.0 / FramesPerSecond;
    const double delay = std::round(1000.0 * SecondsPerFrame);
    if (delay > 65535.0)
        return Fail(QStringLiteral("The frame period is longer than 65.535 s."));
    DelayMs = static_cast<std::uint16_t>(delay);

    const GstClockTime period = Nanoseconds(SecondsPerFrame);
    gint64 firstEnd = 0;
    TPipeline::TimesOf(first.get(), period, p.Origin, firstEnd);
    first.reset();

    // The length of the video stream: where its last frame ends. The container's length may be longer
    // (a sound track that runs on) or unknown, so the last stretch of the stream is decoded, or the
    // whole stream when its length is not known.
    gint64 length = 0;
    if (!gst_element_query_duration(p.Pipeline.get(), GST_FORMAT_TIME, &length))
        length = 0;
    const gint64 back = std::max<gint64>(GST_SECOND, 4 * gint64(period));
    gint64 end = length > 0 ? p.EndOfFrames(GstClockTime(std::max<gint64>(length - back, 0)), period) : -1;
    if (end <= p.Origin)
        end = p.EndOfFrames(0, period);
    if (end <= p.Origin) {
        const QString error = p.PopError();
        return Fail(error.isEmpty() ? QStringLiteral("The length of the video is not known.") : error);
    }
    Duration = double(end - p.Origin) / double(GST_SECOND);
    const double frames = std::round(Duration * FramesPerSecond);
    if (frames < 1.0 || frames > 2147483647.0)
        return Fail(QStringLiteral("The video has no frames."));
    FrameCount = int(frames);

    CurrentFrame = 0;
    FSeekTime = 0.0;
    if (!p.Fetch(0, period)) {
        const QString error = p.PopError();
        return Fail(error.isEmpty() ? QStringLiteral("The first frame cannot be decoded.") : error);
    }
    Opened = true;
    if (OnOpen)
        OnOpen();
    return true;
}

void TDSPlay::Close()
{
    FPipeline.reset();
    Opened = false;
    FrameCount = 0;
    CurrentFrame = 0;
    FSeekTime = 0.0;
    if (OnClose)
        OnClose();
}

void TDSPlay::Seek(int frame)
{
    if (!Opened)
        return;
    CurrentFrame = std::clamp(frame, 0, FrameCount - 1);
    FSeekTime = SeekTimeOf(CurrentFrame, SecondsPerFrame, Duration);
}

bool TDSPlay::Draw(QImage& target, const QRect& source, int rasterOp)
{
    if (!Opened || Drawing || !FPipeline)
        return false;
    Drawing = true;
    const bool done = FPipeline->Fetch(Nanoseconds(FSeekTime), Nanoseconds(SecondsPerFrame)) &&
                      FPipeline->DrawSample(target, source, rasterOp);
    Drawing = false;
    return done;
}
