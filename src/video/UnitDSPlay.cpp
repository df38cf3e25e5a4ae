// Frame source of framework 1: GStreamer, with frames reached by time.
//
// Opening reads the file once through the demuxer and parser without decoding (about half a second for a
// minute of 720p video) and builds the frame table from the packets' timestamps; a file whose
// frames cannot be known exactly that way is refused, so that the next framework takes it. Then a pipeline
// uridecodebin -> videoconvert -> appsink (packed RGB) decodes the first video stream into memory; nothing
// is ever shown in a window. The pipeline runs without clock synchronisation, so the appsink receives
// frames as fast as they decode and holds the stream back when its small queue is full. A frame is fetched
// by pulling frames forward when it lies a little ahead of the last one, and otherwise by a flushing,
// accurate seek to a little before its time followed by pulls, until the frame whose time is the table's
// time of that frame. Buffer timestamps are turned into stream time (the time that seeks use) before being
// compared.
#include "video/UnitDSPlay.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <mutex>

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

// Longest wait for the pass over a file's packets, in nanoseconds.
constexpr GstClockTime DemuxTimeout = 120 * GST_SECOND;

// The state of one pass over a file's packets, shared with the streaming threads.
struct TDemuxPass
{
    std::mutex Lock;
    TDemuxedVideo Video;    // under Lock
    bool HaveVideo = false; // a video stream was found (under Lock)
    bool HaveCaps = false;
    bool HaveSegment = false;
    GstSegment Segment{}; // the last segment announced

    static bool IsVideo(GstPad* pad)
    {
        TCapsPtr caps(gst_pad_get_current_caps(pad));
        if (!caps)
            caps.reset(gst_pad_query_caps(pad, nullptr));
        if (!caps || gst_caps_get_size(caps.get()) == 0)
            return false;
        const gchar* name = gst_structure_get_name(gst_caps_get_structure(caps.get(), 0));
        return g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/");
    }

    static gint64 TimeOf(GstClockTime time) { return GST_CLOCK_TIME_IS_VALID(time) ? gint64(time) : -1; }

    static GstPadProbeReturn OnData(GstPad*, GstPadProbeInfo* info, gpointer data)
    {
        auto* pass = static_cast<TDemuxPass*>(data);
        std::lock_guard<std::mutex> lock(pass->Lock);
        TDemuxedVideo& video = pass->Video;
        if ((info->type & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            video.Packets.push_back({TimeOf(GST_BUFFER_PTS(buffer)), TimeOf(GST_BUFFER_DTS(buffer))});
            return GST_PAD_PROBE_OK;
        }
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (event == nullptr)
            return GST_PAD_PROBE_OK;
        if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            gint num = 0, den = 0;
            if (caps == nullptr || gst_caps_get_size(caps) == 0 ||
                !gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den))
                num = den = 0;
            if (pass->HaveCaps && (num != video.RateNum || den != video.RateDen))
                video.RateChanged = true;
            if (!pass->HaveCaps) {
                video.RateNum = num;
                video.RateDen = den;
            }
            pass->HaveCaps = true;
        } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            if (segment == nullptr)
                return GST_PAD_PROBE_OK;
            if (!pass->HaveSegment || !gst_segment_is_equal(segment, &pass->Segment)) {
                ++video.Segments;
                gst_segment_copy_into(segment, &pass->Segment);
                pass->HaveSegment = true;
                video.SegmentRate =
                    segment->format == GST_FORMAT_TIME ? segment->rate * segment->applied_rate : 0.0;
                video.SegmentStart = TimeOf(segment->start);
                video.SegmentStop = TimeOf(segment->stop);
                video.SegmentTime = TimeOf(segment->time);
            }
        }
        return GST_PAD_PROBE_OK;
    }

    // The first video stream goes to a sink that records its packets, every other stream to one that
    // drops them.
    static void OnPadAdded(GstElement* parser, GstPad* pad, gpointer data)
    {
        auto* pass = static_cast<TDemuxPass*>(data);
        bool record = false;
        if (IsVideo(pad)) {
            std::lock_guard<std::mutex> lock(pass->Lock);
            record = !pass->HaveVideo;
            pass->HaveVideo = true;
        }
        GstObject* parent = gst_element_get_parent(parser);
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        if (parent != nullptr && sink != nullptr) {
            g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
            gst_bin_add(GST_BIN(parent), sink);
            TPadPtr sinkPad(gst_element_get_static_pad(sink, "sink"));
            if (sinkPad) {
                if (record)
                    gst_pad_add_probe(
                        sinkPad.get(),
                        GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                        &TDemuxPass::OnData, pass, nullptr);
                gst_pad_link(pad, sinkPad.get());
            }
            gst_element_sync_state_with_parent(sink);
        } else if (sink != nullptr) {
            gst_object_unref(gst_object_ref_sink(sink));
        }
        if (parent != nullptr)
            gst_object_unref(parent);
    }
};

// Reads every packet of the file's first video stream through the demuxer and its parser (no decoding).
// The reason on failure, empty on success.
QString DemuxVideo(const QString& path, TDemuxedVideo& video)
{
    TDemuxPass pass;
    gst_segment_init(&pass.Segment, GST_FORMAT_UNDEFINED);
    TElementPtr pipeline(gst_pipeline_new("kinotra-packets"));
    if (!pipeline)
        return QStringLiteral("GStreamer cannot create a pipeline.");
    gst_object_ref_sink(pipeline.get());
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* parser = gst_element_factory_make("parsebin", nullptr);
    for (GstElement* element : {source, parser})
        if (element != nullptr)
            gst_bin_add(GST_BIN(pipeline.get()), element); // the pipeline takes ownership
    if (source == nullptr || parser == nullptr || !gst_element_link(source, parser))
        return QStringLiteral("The GStreamer parsing elements are not installed.");
    g_object_set(source, "location", QFile::encodeName(path).constData(), "blocksize", guint(1 << 18),
                 nullptr);
    g_signal_connect(parser, "pad-added", G_CALLBACK(&TDemuxPass::OnPadAdded), &pass);
    TBusPtr bus(gst_element_get_bus(pipeline.get()));
    QString reason;
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        reason = QStringLiteral("The file cannot be read.");
    if (reason.isEmpty()) {
        TMessagePtr message(gst_bus_timed_pop_filtered(bus.get(), DemuxTimeout,
                                                       GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        if (!message) {
            reason = QStringLiteral("The file took too long to read.");
        } else if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gchar* debug = nullptr;
            gst_message_parse_error(message.get(), &error, &debug);
            TErrorPtr owned(error);
            TStringPtr debugText(debug);
            reason = owned ? QString::fromUtf8(owned->message) : QStringLiteral("GStreamer error");
        }
    }
    // Stopping joins the streaming threads: nothing touches the pass after this.
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (!reason.isEmpty())
        return reason;
    if (!pass.HaveVideo)
        return QStringLiteral("The file has no video stream that can be decoded.");
    video = std::move(pass.Video);
    return {};
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
    gint64 Origin = 0;  // stream time of the first frame: a frame without time after a seek gets it

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

    // Makes Sample the frame of the table's time `time` (stream time, nanoseconds). A frame is taken for
    // that time when its own time lies within a quarter period of it; false when the decoded stream has no
    // such frame, on an error or after a timeout.
    bool Fetch(gint64 time, double period)
    {
        const gint64 tolerance = std::llround(period / 4.0);
        if (Sample && std::llabs(SampleStart - time) <= tolerance)
            return true;
        const auto step = GstClockTime(std::llround(period));
        const bool ahead = Sample && !AtEnd && SampleStart < time &&
                           time - SampleStart < std::llround(ForwardFrames * period);
        // A seek lands some frames early: a demuxer may start decoding at a key frame that is shown
        // after `time` but decoded before it, and then the frames reordered around it (B-frames) would
        // miss a reference and decode wrongly. A demuxer that seeks by byte position (MPEG program
        // streams) may land after the time asked for: the seek is then made again from further back.
        for (gint64 early = std::llround(SeekMargin * period);; early = 4 * early + gint64(GST_SECOND)) {
            const gint64 from = std::max<gint64>(time - early, 0);
            if (!ahead && !SeekTo(GstClockTime(from)))
                return false;
            bool firstSample = true;
            bool again = false;
            while (PullNext(step)) {
                if (SampleStart >= time - tolerance) {
                    if (SampleStart <= time + tolerance)
                        return true;
                    again = !ahead && firstSample && from > 0;
                    break;
                }
                firstSample = false;
            }
            if (!again)
                return false;
        }
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

QString TDSPlay::FrameTableOf(const TDemuxedVideo& stream, TVideoFrameTable& table)
{
    table = {};
    if (stream.RateNum <= 0 || stream.RateDen <= 0)
        return QStringLiteral("The video stream states no frame rate.");
    if (stream.RateChanged)
        return QStringLiteral("The frame rate of the video stream changes.");
    if (stream.Segments > 1)
        return QStringLiteral("The video stream has several edits.");
    if (stream.SegmentRate != 1.0 || stream.SegmentStart < 0)
        return QStringLiteral("The video stream does not play at its own pace.");
    const double period = double(GST_SECOND) * stream.RateDen / stream.RateNum; // nanoseconds
    const double tolerance = period / 4.0;
    // Times converted from the container's time scale may be a little off the segment's limits.
    constexpr std::int64_t Rounding = 1000;
    const std::int64_t start = stream.SegmentStart;
    const std::int64_t stop = stream.SegmentStop;
    std::vector<std::int64_t> times; // presentation times of the frames shown
    std::int64_t untimed = 0;        // frames shown whose packet has no presentation time
    for (const TDemuxedVideo::TPacket& packet : stream.Packets) {
        if (packet.Pts >= 0) {
            if (packet.Pts >= start - Rounding && (stop < 0 || packet.Pts < stop - Rounding))
                times.push_back(packet.Pts);
            continue;
        }
        // A frame is never shown before it is decoded: one decoded inside the segment is shown in it, or
        // after its end.
        if (packet.Dts < start - Rounding)
            return QStringLiteral("Some frames of the video stream have no time.");
        if (stop < 0 || packet.Dts < stop - Rounding)
            ++untimed;
    }
    if (times.empty())
        return QStringLiteral("The video stream has no frames with a time.");
    const std::int64_t count = std::int64_t(times.size()) + untimed;
    if (count > INT_MAX)
        return QStringLiteral("The video has too many frames.");
    // Every timed frame in its own slot of the rate's grid, counted from the first one.
    std::sort(times.begin(), times.end());
    const std::int64_t first = times.front();
    std::vector<bool> taken(std::size_t(count), false);
    std::int64_t lastSlot = 0;
    for (std::int64_t time : times) {
        const std::int64_t slot = std::llround(double(time - first) / period);
        if (slot >= count || std::abs(double(time - first) - slot * period) > tolerance ||
            taken[std::size_t(slot)])
            return QStringLiteral("The frame times of the video stream do not follow its frame rate.");
        taken[std::size_t(slot)] = true;
        lastSlot = slot;
    }
    // Untimed frames fill the free slots; they could also lie before the first timed frame, unless that
    // one starts the segment or the timed frames already reach the last slot.
    if (untimed > 0 && lastSlot < count - 1 && double(first - start) > tolerance)
        return QStringLiteral("Some frames of the video stream have no time.");
    // A stream that ends well before its segment shows fewer frames than the file holds.
    const double last = double(first) + double(count - 1) * period;
    if (stop >= 0 && double(stop) - last > period + tolerance)
        return QStringLiteral("The video stream ends before its stated length.");
    table.Count = int(count);
    table.RateNum = stream.RateNum;
    table.RateDen = stream.RateDen;
    table.Period = period;
    table.Origin = first - start + std::max<std::int64_t>(stream.SegmentTime, 0);
    return {};
}

bool TDSPlay::Fail(const QString& reason)
{
    FPipeline.reset();
    FTable = {};
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

    // The frame table first: a file whose frames are not known exactly is refused before any decoding.
    TDemuxedVideo demuxed;
    QString reason = DemuxVideo(path, demuxed);
    if (reason.isEmpty())
        reason = FrameTableOf(demuxed, FTable);
    if (!reason.isEmpty())
        return Fail(reason);
    FramesPerSecond = double(FTable.RateNum) / FTable.RateDen;
    SecondsPerFrame = double(FTable.RateDen) / FTable.RateNum;
    const double delay = std::round(1000.0 * SecondsPerFrame);
    if (delay > 65535.0)
        return Fail(QStringLiteral("The frame period is longer than 65.535 s."));
    DelayMs = static_cast<std::uint16_t>(delay);

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
    first.reset();
    p.Origin = FTable.Origin;

    FrameCount = FTable.Count;
    Duration = FTable.Count * SecondsPerFrame;
    CurrentFrame = 0;
    FSeekTime = 0.0;
    // The decoder must give the last frame and the first one where the table has them.
    if (!p.Fetch(FrameTime(FrameCount - 1), FTable.Period) || !p.Fetch(FrameTime(0), FTable.Period)) {
        const QString error = p.PopError();
        return Fail(error.isEmpty() ? QStringLiteral("The decoded frames differ from the frames of the file.")
                                    : error);
    }
    Opened = true;
    if (OnOpen)
        OnOpen();
    return true;
}

void TDSPlay::Close()
{
    FPipeline.reset();
    FTable = {};
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

std::int64_t TDSPlay::FrameTime(int frame) const
{
    return FTable.Origin + std::llround(frame * FTable.Period);
}

bool TDSPlay::Draw(QImage& target, const QRect& source, int rasterOp)
{
    if (!Opened || Drawing || !FPipeline)
        return false;
    Drawing = true;
    // The frame whose slot of the table holds the seek time (the seek time lies within its frame).
    const int frame = std::clamp(int(std::floor(FSeekTime / SecondsPerFrame)), 0, FrameCount - 1);
    const bool done =
        FPipeline->Fetch(FrameTime(frame), FTable.Period) && FPipeline->DrawSample(target, source, rasterOp);
    Drawing = false;
    return done;
}

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
