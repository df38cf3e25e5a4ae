// Video writer over GStreamer: images pushed into appsrc, then an encoder of the installation, the AVI
// multiplexer and a file.
#include "editing/UnitGstRecord.h"

#include "editing/UnitWriterFiles.h"

#include <QFile>
#include <QPainter>

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <cmath>

namespace {

bool GstReady()
{
    static const bool ready = gst_init_check(nullptr, nullptr, nullptr) != FALSE;
    return ready;
}

// The caps of the AVI multiplexer's video pads; null when the multiplexer is not installed.
GstCaps* MuxerVideoCaps()
{
    GstElementFactory* mux = gst_element_factory_find("avimux");
    if (!mux)
        return nullptr;
    GstCaps* caps = nullptr;
    for (const GList* l = gst_element_factory_get_static_pad_templates(mux); l && !caps; l = l->next) {
        const auto* pad = static_cast<const GstStaticPadTemplate*>(l->data);
        if (pad->direction == GST_PAD_SINK && g_str_has_prefix(pad->name_template, "video"))
            caps = gst_static_pad_template_get_caps(const_cast<GstStaticPadTemplate*>(pad));
    }
    gst_object_unref(mux);
    return caps;
}

QString MessageText(GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("GStreamer error");
    if (error)
        g_error_free(error);
    g_free(debug);
    return text;
}

// Frame i's time in nanoseconds at rate num/den.
GstClockTime FrameTime(guint64 i, int num, int den)
{
    return gst_util_uint64_scale(i, GST_SECOND * guint64(den), guint64(num));
}

} // namespace

struct TGstRecord::TImpl
{
    GstElement* Pipeline = nullptr;
    GstElement* Source = nullptr; // the appsrc, owned by Pipeline (a reference of our own is kept)
    GstBus* Bus = nullptr;
    TWriterSetup Setup;
    QString Temp;
    int Num = 25, Den = 1;
    guint64 Index = 0;
    bool Started = false;
    QImage Canvas;

    // The first error the pipeline posted, if any, without waiting.
    bool PendingError(QString& text)
    {
        GstMessage* m = gst_bus_pop_filtered(Bus, GST_MESSAGE_ERROR);
        if (!m)
            return false;
        text = MessageText(m);
        gst_message_unref(m);
        return true;
    }
};

TGstRecord::TGstRecord() : F(std::make_unique<TImpl>()) {}

TGstRecord::~TGstRecord()
{
    Abort();
}

void TGstRecord::ListEncoders()
{
    FListed = true;
    FNames.clear();
    FFactories.clear();
    if (!GstReady())
        return;
    GstCaps* muxCaps = MuxerVideoCaps();
    if (!muxCaps)
        return;
    GstCaps* raw = gst_caps_from_string("video/x-raw");
    GList* list =
        gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER, GST_RANK_MARGINAL);
    list = g_list_sort(list, gst_plugin_feature_rank_compare_func);
    for (GList* l = list; l; l = l->next) {
        auto* factory = static_cast<GstElementFactory*>(l->data);
        if (!gst_element_factory_can_sink_any_caps(factory, raw) ||
            !gst_element_factory_can_src_any_caps(factory, muxCaps))
            continue;
        const QString name =
            QString::fromUtf8(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME));
        if (name.isEmpty() || FNames.contains(name))
            continue;
        FNames << name;
        FFactories << QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)));
    }
    gst_plugin_feature_list_free(list);
    gst_caps_unref(raw);
    gst_caps_unref(muxCaps);
}

QStringList TGstRecord::Codecs()
{
    if (!FListed)
        ListEncoders();
    return FNames;
}

void TGstRecord::SetCodecIndex(int index)
{
    Codecs();
    FCodecIndex = index >= 0 && index < FNames.size() ? index : -1;
}

QString TGstRecord::CodecName() const
{
    return FCodecIndex >= 0 && FCodecIndex < FNames.size() ? FNames[FCodecIndex] : QString();
}

bool TGstRecord::UsesQuality() const
{
    if (FCodecIndex < 0 || FCodecIndex >= FFactories.size())
        return false;
    const QString& factory = FFactories[FCodecIndex];
    // The lossless ones among the libav encoders have nothing to trade.
    static const QStringList lossless = {QStringLiteral("avenc_huffyuv"), QStringLiteral("avenc_ffvhuff"),
                                         QStringLiteral("avenc_ljpeg"),   QStringLiteral("avenc_png"),
                                         QStringLiteral("avenc_ffv1"),    QStringLiteral("avenc_zmbv"),
                                         QStringLiteral("avenc_dvvideo")};
    return factory == QLatin1String("jpegenc") || factory == QLatin1String("x264enc") ||
           (factory.startsWith(QLatin1String("avenc_")) && !lossless.contains(factory));
}

QString TGstRecord::ErrorText() const
{
    return ErrorCode == 2 ? QStringLiteral("Unable to replace a file with the same name (it may be in use in "
                                           "another program)")
                          : QStringLiteral("Unknown error");
}

void TGstRecord::Release()
{
    if (F->Pipeline) {
        gst_element_set_state(F->Pipeline, GST_STATE_NULL);
        gst_object_unref(F->Source);
        gst_object_unref(F->Bus);
        gst_object_unref(F->Pipeline);
    }
    F->Pipeline = nullptr;
    F->Source = nullptr;
    F->Bus = nullptr;
    F->Started = false;
    F->Canvas = QImage();
}

bool TGstRecord::Fail(int code, const QString& detail)
{
    ErrorCode = code;
    FDetail = detail;
    Release();
    if (!F->Temp.isEmpty())
        QFile::remove(F->Temp);
    F->Temp.clear();
    return false;
}

void TGstRecord::Abort()
{
    if (F->Started)
        Fail(1, QStringLiteral("Process cancelled"));
}

bool TGstRecord::Start(const TWriterSetup& setup)
{
    Abort();
    ErrorCode = 0;
    FDetail.clear();
    F->Setup = setup;
    F->Index = 0;
    if (!GstReady())
        return Fail(1, QStringLiteral("GStreamer cannot be initialised."));
    if (setup.FileName.isEmpty() || setup.Width <= 0 || setup.Height <= 0 || setup.Width > 16384 ||
        setup.Height > 16384 || !(setup.FramesPerSecond > 0.0) || !std::isfinite(setup.FramesPerSecond))
        return Fail(1, QStringLiteral("The file name, the size or the frame rate is missing."));
    gst_util_double_to_fraction(setup.FramesPerSecond, &F->Num, &F->Den);
    if (F->Num <= 0 || F->Den <= 0)
        return Fail(1, QStringLiteral("The frame rate cannot be stored."));

    Codecs();
    const QString factory = CodecName().isEmpty() ? QString() : FFactories[FCodecIndex];
    // Without a codec the multiplexer stores 24-bit pictures.
    const QString middle =
        factory.isEmpty() ? QStringLiteral("video/x-raw,format=BGR") : factory + QStringLiteral(" name=enc");
    const QString description =
        QStringLiteral("appsrc name=src ! videoconvert ! %1 ! avimux ! filesink name=sink").arg(middle);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (error) {
        const QString text = QString::fromUtf8(error->message);
        g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return Fail(1, text);
    }
    F->Pipeline = pipeline;
    F->Source = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    F->Bus = gst_element_get_bus(pipeline);

    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT,
                                        setup.Width, "height", G_TYPE_INT, setup.Height, "framerate",
                                        GST_TYPE_FRACTION, F->Num, F->Den, nullptr);
    g_object_set(F->Source, "caps", caps, "format", GST_FORMAT_TIME, "block", FALSE, "max-bytes",
                 guint64(setup.Width) * guint64(setup.Height) * 4 * 4, nullptr);
    gst_caps_unref(caps);
    if (GstElement* encoder = gst_bin_get_by_name(GST_BIN(pipeline), "enc")) {
        // The settings that the common encoders understand; others keep their own defaults.
        GObjectClass* klass = G_OBJECT_GET_CLASS(encoder);
        const int keys = std::clamp(setup.KeyFrameEvery, 1, 250);
        const int quality = std::clamp(setup.QualityPercent, 1, 100);
        if (g_object_class_find_property(klass, "key-int-max"))
            g_object_set(encoder, "key-int-max", guint(keys), nullptr);
        if (g_object_class_find_property(klass, "gop-size"))
            g_object_set(encoder, "gop-size", gint(keys), nullptr);
        if (g_object_class_find_property(klass, "keyframe-max-dist"))
            g_object_set(encoder, "keyframe-max-dist", gint(keys), nullptr);
        if (factory == QLatin1String("jpegenc"))
            g_object_set(encoder, "quality", gint(quality), nullptr);
        if (factory.startsWith(QLatin1String("avenc_")) && g_object_class_find_property(klass, "pass") &&
            g_object_class_find_property(klass, "quantizer")) {
            // A constant quantizer from the quality: 100 % gives 2, 10 % gives 20.
            gst_util_set_object_arg(G_OBJECT(encoder), "pass", "quant");
            const int quantizer = 2 + (100 - quality) / 5;
            g_object_set(encoder, "quantizer", gfloat(quantizer), nullptr);
            // The encoders' own bounds of the quantizer would otherwise keep it near their default.
            if (g_object_class_find_property(klass, "qmin") && g_object_class_find_property(klass, "qmax"))
                g_object_set(encoder, "qmin", gint(quantizer), "qmax", gint(quantizer), nullptr);
        }
        if (factory == QLatin1String("x264enc") && g_object_class_find_property(klass, "pass") &&
            g_object_class_find_property(klass, "quantizer")) {
            // A constant rate factor from the quality: 100 % gives 18, 10 % gives 40.
            gst_util_set_object_arg(G_OBJECT(encoder), "pass", "qual");
            g_object_set(encoder, "quantizer", guint(18 + (100 - quality) / 4), nullptr);
        }
        gst_object_unref(encoder);
    }

    QString reason;
    F->Temp = CreateTempBeside(setup.FileName, reason);
    if (F->Temp.isEmpty())
        return Fail(QFile::exists(setup.FileName) ? 2 : 1, reason);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    g_object_set(sink, "location", QFile::encodeName(F->Temp).constData(), nullptr);
    gst_object_unref(sink);

    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        QString text = QStringLiteral("The pipeline cannot start.");
        F->PendingError(text);
        return Fail(1, text);
    }
    F->Canvas = QImage(setup.Width, setup.Height, QImage::Format_RGB32);
    F->Started = true;
    return true;
}

bool TGstRecord::Add(const QImage& image)
{
    if (!F->Started)
        return false;
    QString text;
    if (F->PendingError(text))
        return Fail(1, text);
    const TWriterSetup& s = F->Setup;
    QImage picture;
    if (image.size() == QSize(s.Width, s.Height) && image.format() == QImage::Format_RGB32) {
        picture = image;
    } else {
        F->Canvas.fill(Qt::black);
        QPainter painter(&F->Canvas);
        painter.drawImage(0, 0, image);
        painter.end();
        picture = F->Canvas;
    }
    const gsize row = gsize(s.Width) * 4;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, row * gsize(s.Height), nullptr);
    if (!buffer)
        return Fail(1, QStringLiteral("Out of memory."));
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        gst_buffer_unref(buffer);
        return Fail(1, QStringLiteral("Out of memory."));
    }
    for (int y = 0; y < s.Height; ++y)
        std::copy_n(picture.constScanLine(y), row, map.data + gsize(y) * row);
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_PTS(buffer) = FrameTime(F->Index, F->Num, F->Den);
    GST_BUFFER_DURATION(buffer) = FrameTime(F->Index + 1, F->Num, F->Den) - GST_BUFFER_PTS(buffer);
    ++F->Index;
    if (gst_app_src_push_buffer(GST_APP_SRC(F->Source), buffer) != GST_FLOW_OK)
        return Fail(1, F->PendingError(text) ? text : QStringLiteral("The pipeline refused the image."));
    // The queue is bounded: wait while it is full, watching for an error of the pipeline, which would
    // otherwise never drain it.
    const guint64 limit = gst_app_src_get_max_bytes(GST_APP_SRC(F->Source));
    while (gst_app_src_get_current_level_bytes(GST_APP_SRC(F->Source)) >= limit) {
        GstMessage* m = gst_bus_timed_pop_filtered(F->Bus, 5 * GST_MSECOND, GST_MESSAGE_ERROR);
        if (m) {
            text = MessageText(m);
            gst_message_unref(m);
            return Fail(1, text);
        }
    }
    return true;
}

bool TGstRecord::Finish()
{
    if (!F->Started)
        return false;
    gst_app_src_end_of_stream(GST_APP_SRC(F->Source));
    // The end arrives when everything is written; a pipeline that stalls for a minute has failed.
    GstMessage* m = gst_bus_timed_pop_filtered(F->Bus, 60 * GST_SECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (!m)
        return Fail(1, QStringLiteral("The pipeline did not finish."));
    const bool error = GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR;
    const QString text = error ? MessageText(m) : QString();
    gst_message_unref(m);
    if (error)
        return Fail(1, text);
    const QString temp = F->Temp;
    Release(); // closes the file
    QString reason;
    if (!ReplaceWithTemp(temp, F->Setup.FileName, reason))
        return Fail(2, reason);
    F->Temp.clear();
    return true;
}
