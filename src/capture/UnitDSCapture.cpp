// Capture framework 1: a GStreamer pipeline source -> (decoder) -> videoconvert -> appsink in BGRx.
//
// The appsink hands every picture to its callback on the pipeline's streaming thread, which records it and
// publishes it as preview; nothing waits for the user-interface thread there. The end of the stream (a
// camera unplugged, the test picture's frame limit) and errors are caught on the streaming thread as well
// (appsink end-of-stream callback, synchronous bus handler) and told once to the user-interface thread.
#include "capture/UnitDSCapture.h"

#include "video/UnitDSPlay.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cmath>

namespace {

// GStreamer caps of a V4L2 pixel format, and whether a decoder must follow the source.
QString CapsOf(std::uint32_t fourcc, bool& decode)
{
    decode = false;
    const QString code = FourCCText(fourcc);
    if (code == QLatin1String("MJPG") || code == QLatin1String("JPEG")) {
        decode = true;
        return QStringLiteral("image/jpeg");
    }
    static const std::pair<const char*, const char*> raw[] = {
        {"YUYV", "YUY2"}, {"UYVY", "UYVY"}, {"NV12", "NV12"}, {"YU12", "I420"},
        {"RGB3", "RGB"},  {"BGR3", "BGR"},  {"GREY", "GRAY8"}};
    for (const auto& entry : raw)
        if (code == QLatin1String(entry.first))
            return QStringLiteral("video/x-raw,format=%1").arg(QLatin1String(entry.second));
    return QString();
}

// A rate as a fraction GStreamer accepts ("30/1", "30000/1001").
QString Fraction(int num, int den)
{
    return QStringLiteral("%1/%2").arg(num).arg(den);
}

void RateFraction(double rate, int& num, int& den)
{
    if (std::abs(rate - std::round(rate)) < 1e-6) {
        num = int(std::lround(rate));
        den = 1;
    } else {
        num = int(std::lround(rate * 1001.0));
        den = 1001;
    }
}

} // namespace

struct TDSCapture::TPipeline
{
    TDSCapture* Owner = nullptr;
    GstElement* Pipeline = nullptr;
    GstElement* Sink = nullptr;
    GstClockTime First = GST_CLOCK_TIME_NONE;
    double Rate = 30.0;
    std::int64_t Count = 0;

    ~TPipeline()
    {
        if (Pipeline != nullptr) {
            gst_element_set_state(Pipeline, GST_STATE_NULL); // joins the streaming threads
            if (GstBus* bus = gst_element_get_bus(Pipeline)) {
                gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
                gst_object_unref(bus);
            }
        }
        if (Sink != nullptr)
            gst_object_unref(Sink);
        if (Pipeline != nullptr)
            gst_object_unref(Pipeline);
    }

    static GstFlowReturn OnSample(GstAppSink* sink, gpointer data)
    {
        auto* self = static_cast<TPipeline*>(data);
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (sample == nullptr)
            return GST_FLOW_EOS;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstCaps* caps = gst_sample_get_caps(sample);
        GstVideoInfo info;
        GstVideoFrame frame;
        if (buffer != nullptr && caps != nullptr && gst_video_info_from_caps(&info, caps) &&
            gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
            const int width = GST_VIDEO_FRAME_WIDTH(&frame);
            const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
            const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
            const auto* pixels = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
            // BGRx in memory is RGB32 on a little-endian machine; copied, since the buffer goes back.
            const QImage image = QImage(pixels, width, height, stride, QImage::Format_RGB32).copy();
            gst_video_frame_unmap(&frame);
            // The slot from the timestamp, so that frames the source skipped count as lost.
            std::int64_t slot = self->Count;
            const GstClockTime pts = GST_BUFFER_PTS(buffer);
            if (GST_CLOCK_TIME_IS_VALID(pts) && self->Rate > 0.0) {
                if (!GST_CLOCK_TIME_IS_VALID(self->First))
                    self->First = pts;
                if (pts >= self->First)
                    slot = std::llround(double(pts - self->First) * self->Rate / double(GST_SECOND));
            }
            ++self->Count;
            if (!image.isNull())
                self->Owner->Deliver(image, slot);
        }
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }

    static void OnEos(GstAppSink*, gpointer data)
    {
        static_cast<TPipeline*>(data)->Owner->SourceEnded(
            QStringLiteral("The device stopped sending pictures."));
    }

    static GstBusSyncReply OnBus(GstBus*, GstMessage* message, gpointer data)
    {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            const QString text = error != nullptr ? QString::fromUtf8(error->message) : QString();
            if (error != nullptr)
                g_error_free(error);
            static_cast<TPipeline*>(data)->Owner->SourceEnded(text);
        }
        return GST_BUS_PASS;
    }
};

TDSCapture::TDSCapture() = default;

TDSCapture::~TDSCapture()
{
    Release();
}

bool TDSCapture::Available()
{
    return InitGstreamer();
}

std::vector<TCaptureFormat> TDSCapture::TestPictureFormats()
{
    static const struct
    {
        int Width, Height, Rate;
    } table[] = {{320, 240, 30}, {640, 480, 30}, {640, 480, 60}, {1280, 720, 25}, {1280, 720, 30}};
    std::vector<TCaptureFormat> formats;
    for (const auto& entry : table) {
        TCaptureFormat format;
        format.Width = entry.Width;
        format.Height = entry.Height;
        format.RateNum = entry.Rate;
        format.RateDen = 1;
        format.Name = QStringLiteral("%1 x %2, %3 fps").arg(entry.Width).arg(entry.Height).arg(entry.Rate);
        formats.push_back(format);
    }
    return formats;
}

QString TDSCapture::CameraPath() const
{
    const int device = DeviceIndex();
    return device >= 0 && device < int(FNodes.size()) ? FNodes[std::size_t(device)].Path : QString();
}

QStringList TDSCapture::ListDevices()
{
    FNodes = EnumerateV4l2Devices(DeviceFolder);
    QStringList names;
    for (const TV4l2Device& device : FNodes)
        names << device.Name;
    names << TestPictureName();
    return names;
}

std::vector<TCaptureFormat> TDSCapture::ListFormats(int device)
{
    if (device == int(FNodes.size()))
        return TestPictureFormats();
    if (device < 0 || device > int(FNodes.size()))
        return {};
    // The camera's formats, one per rate, since the rate belongs to the format here.
    std::vector<TCaptureFormat> formats;
    for (const TCaptureFormat& format : V4l2Formats(FNodes[std::size_t(device)].Path)) {
        bool decode = false;
        if (CapsOf(format.FourCC, decode).isEmpty())
            continue;
        std::vector<double> rates = format.Rates;
        if (rates.empty())
            rates.push_back(30.0);
        for (double rate : rates) {
            TCaptureFormat one = format;
            RateFraction(rate, one.RateNum, one.RateDen);
            one.Rates.clear();
            one.Name = QStringLiteral("%1, %2 fps").arg(format.Name, QString::number(rate, 'g', 5));
            formats.push_back(one);
        }
    }
    return formats;
}

QString TDSCapture::SourceDescription() const
{
    const int device = DeviceIndex();
    const TCaptureFormat* format = Format();
    if (device == int(FNodes.size())) {
        const TCaptureFormat fallback = TestPictureFormats()[1];
        const TCaptureFormat& f = format != nullptr ? *format : fallback;
        QString source = QStringLiteral("videotestsrc is-live=true horizontal-speed=2");
        if (TestFrameLimit > 0)
            source += QStringLiteral(" num-buffers=%1").arg(TestFrameLimit);
        return source + QStringLiteral(" ! video/x-raw,width=%1,height=%2,framerate=%3")
                            .arg(f.Width)
                            .arg(f.Height)
                            .arg(Fraction(f.RateNum, f.RateDen));
    }
    if (device < 0 || device > int(FNodes.size()))
        return QString();
    QString path = FNodes[std::size_t(device)].Path;
    path.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    QString text = QStringLiteral("v4l2src device=\"%1\"").arg(path);
    if (format != nullptr) {
        bool decode = false;
        const QString caps = CapsOf(format->FourCC, decode);
        text += QStringLiteral(" ! %1,width=%2,height=%3").arg(caps).arg(format->Width).arg(format->Height);
        if (format->RateNum > 0)
            text += QStringLiteral(",framerate=%1").arg(Fraction(format->RateNum, format->RateDen));
        if (decode)
            text += QStringLiteral(" ! jpegdec");
    } else {
        text += QStringLiteral(" ! decodebin");
    }
    return text;
}

bool TDSCapture::OpenDevice()
{
    if (!InitGstreamer()) {
        ErrorText = QStringLiteral("GStreamer cannot be initialised.");
        return false;
    }
    const QString source = SourceDescription();
    if (source.isEmpty()) {
        ErrorText = QStringLiteral("No capture device selected.");
        return false;
    }
    const QString description =
        source + QStringLiteral(" ! videoconvert ! video/x-raw,format=BGRx ! appsink name=sink sync=false "
                                "max-buffers=8 drop=false");
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (error != nullptr) {
        ErrorText = QString::fromUtf8(error->message);
        g_error_free(error);
        if (pipeline != nullptr)
            gst_object_unref(pipeline);
        return false;
    }
    if (pipeline == nullptr) {
        ErrorText = QStringLiteral("The capture pipeline cannot be built.");
        return false;
    }
    auto p = std::make_unique<TPipeline>();
    p->Owner = this;
    p->Pipeline = pipeline;
    p->Sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    if (p->Sink == nullptr) {
        ErrorText = QStringLiteral("The capture pipeline cannot be built.");
        return false;
    }
    const TCaptureFormat* format = Format();
    p->Rate = format != nullptr && format->FramesPerSecond() > 0.0 ? format->FramesPerSecond() : 30.0;
    GstAppSinkCallbacks callbacks{};
    callbacks.eos = &TPipeline::OnEos;
    callbacks.new_sample = &TPipeline::OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(p->Sink), &callbacks, p.get(), nullptr);
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, &TPipeline::OnBus, p.get(), nullptr);
    gst_object_unref(bus);

    FRate = p->Rate;
    FSize = format != nullptr ? QSize(format->Width, format->Height) : QSize(640, 480);
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        ErrorText = QStringLiteral("The capture device cannot be started.");
        FPipeline = std::move(p); // released by CloseDevice, with the errors the bus told
        return false;
    }
    FPipeline = std::move(p);
    return true;
}

void TDSCapture::CloseDevice()
{
    FPipeline.reset();
}
