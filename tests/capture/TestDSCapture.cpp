// Real recordings of the GStreamer test picture, checked with ffprobe: the headless command's frame count
// and rate, a source that ends during the recording, and destinations that cannot be written.
#include "capture/UnitCapture.h"
#include "capture/UnitCaptureCommand.h"
#include "capture/UnitDSCapture.h"
#include "capture/UnitVfwCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

namespace {

struct TProbe
{
    int Frames = -1;
    QString Rate; // "30/1"
    int Width = 0;
    int Height = 0;
    QString Codec;
};

// What ffprobe finds in the first video stream, frames counted by decoding.
TProbe Probe(const QString& file)
{
    TProbe probe;
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("ffprobe")),
            {"-v", "error", "-select_streams", "v:0", "-count_frames", "-show_entries",
             "stream=nb_read_frames,r_frame_rate,width,height,codec_name", "-of",
             "default=noprint_wrappers=1", file});
    if (!p.waitForFinished(60000))
        return probe;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        const QString key = line.section('=', 0, 0);
        const QString value = line.section('=', 1).trimmed();
        if (key == "nb_read_frames")
            probe.Frames = value.toInt();
        else if (key == "r_frame_rate")
            probe.Rate = value;
        else if (key == "width")
            probe.Width = value.toInt();
        else if (key == "height")
            probe.Height = value.toInt();
        else if (key == "codec_name")
            probe.Codec = value;
    }
    return probe;
}

bool CanRecord()
{
    return TDSCapture::Available() && !QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty();
}

} // namespace

TEST(DSCapture, ThreeSecondsOfTheTestPictureHaveTheirFramesAndRate)
{
    if (!CanRecord())
        GTEST_SKIP() << "GStreamer or ffprobe is missing";
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("three.avi"));
    TCaptureRequest request;
    request.Source = QStringLiteral("test");
    request.Output = out;
    request.Seconds = 3;
    request.DeviceFolder = folder.path(); // no camera
    TCaptureResult result;
    QString message;
    QStringList progress;
    const int code =
        RunCaptureCommand(request, result, message, [&progress](const QString& line) { progress << line; });
    ASSERT_EQ(code, 0) << message.toStdString();
    EXPECT_EQ(progress.size(), 3);
    EXPECT_NEAR(result.Frames, 90, 1);
    EXPECT_EQ(result.Lost, 0);
    const TProbe probe = Probe(out);
    EXPECT_EQ(probe.Frames, result.Frames);
    EXPECT_EQ(probe.Rate, QStringLiteral("30/1"));
    EXPECT_EQ(probe.Width, 640);
    EXPECT_EQ(probe.Height, 480);
    EXPECT_EQ(probe.Codec, QStringLiteral("mjpeg"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("three.avi")});
}

// The source stops after 40 frames of a ten-second recording, as an unplugged camera would: the message,
// and the frames recorded until then saved as a complete file.
TEST(DSCapture, SourceEndingEarlyKeepsWhatWasRecorded)
{
    if (!CanRecord())
        GTEST_SKIP() << "GStreamer or ffprobe is missing";
    QTemporaryDir folder;
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    dlg->Answer(0);
    const QString out = folder.filePath(QStringLiteral("early.avi"));
    dialogs->FileAnswers.push_back({true, out, 1});
    auto v4l2 = std::make_unique<TVfwCapture>();
    auto gst = std::make_unique<TDSCapture>();
    v4l2->DeviceFolder = folder.path();
    gst->DeviceFolder = folder.path();
    gst->TestFrameLimit = 40;
    TCapture capture(std::move(v4l2), std::move(gst));
    capture.RefreshDevices();
    capture.SelectDevice(0);
    capture.SelectFormat(0); // 320 x 240, 30 fps
    capture.SelectCodec(-1); // uncompressed
    ASSERT_TRUE(capture.Connect());
    capture.DurationOn = true;
    capture.DurationSeconds = 10;
    QEventLoop loop;
    capture.OnFileSaved = [&loop] { loop.quit(); };
    capture.OnFileNotSaved = [&loop] { loop.quit(); };
    QElapsedTimer clock;
    clock.start();
    capture.StartStop();
    ASSERT_TRUE(capture.IsCapturing());
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_LT(clock.elapsed(), 5000);
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("A Plug and Play device was disconnected."));
    EXPECT_FALSE(capture.IsConnected());
    ASSERT_EQ(capture.SavedFile, out);
    const TProbe probe = Probe(out);
    EXPECT_EQ(probe.Frames, capture.CapturedCount());
    EXPECT_GT(probe.Frames, 10);
    EXPECT_LE(probe.Frames, 40);
    EXPECT_EQ(probe.Codec, QStringLiteral("rawvideo"));
    EXPECT_EQ(probe.Width, 320);
}

// What cannot work is refused before recording, with the reason; nothing is left behind.
TEST(DSCapture, CommandRefusesMissingDevicesAndUnwritableDestinations)
{
    QTemporaryDir folder;
    struct TCase
    {
        QString Source;
        QString Output;
        int Seconds;
        int Framework;
        int Code;
        QString Message;
    };
    const TCase cases[] = {
        {"/dev/video0", "a.avi", 2, -1, 1, "cannot open /dev/video0: no such capture device"},
        {"Some camera", "a.avi", 2, 1, 1, "cannot open Some camera: no such capture device"},
        {"test", "missing/a.avi", 2, -1, 1, "cannot write"},
        {"test", "", 2, -1, 1, "cannot write"},
        {"test", "a.avi", 0, -1, 2, "the duration must be 1 to 3600 seconds"},
        {"test", "a.avi", 2, 0, 2, "the test picture is a source of framework 1 (GStreamer)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Source.toStdString() + " -> " + c.Output.toStdString());
        TCaptureRequest request;
        request.Source = c.Source;
        request.Output = c.Output.isEmpty() ? QString() : folder.filePath(c.Output);
        request.Seconds = c.Seconds;
        request.Framework = c.Framework;
        request.DeviceFolder = folder.path();
        TCaptureResult result;
        QString message;
        EXPECT_EQ(RunCaptureCommand(request, result, message), c.Code);
        EXPECT_TRUE(message.startsWith(c.Message)) << message.toStdString();
    }
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}
