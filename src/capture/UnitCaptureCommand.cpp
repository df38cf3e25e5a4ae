// The headless capture command.
#include "capture/UnitCaptureCommand.h"

#include "capture/UnitCapture.h"
#include "capture/UnitDSCapture.h"
#include "capture/UnitVfwCapture.h"
#include "common/UnitUserDlg.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace {

// Index of the source in a framework's device list; -1 when it is not there.
int FindSource(TCaptureFramework& framework, const QString& source, const QString& deviceFolder)
{
    const QStringList& names = framework.Devices();
    const int byName = TCaptureFramework::IndexOfName(names, source);
    if (byName >= 0)
        return byName;
    // A device node: the nodes are listed in the order of the enumeration, under their card names.
    const QString wanted = QFileInfo(source).canonicalFilePath();
    if (wanted.isEmpty())
        return -1;
    const std::vector<TV4l2Device> nodes = EnumerateV4l2Devices(deviceFolder);
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (QFileInfo(nodes[i].Path).canonicalFilePath() == wanted)
            return TCaptureFramework::IndexOfName(names, nodes[i].Name);
    return -1;
}

} // namespace

int RunCaptureCommand(const TCaptureRequest& request, TCaptureResult& result, QString& message,
                      const std::function<void(const QString&)>& progress)
{
    result = TCaptureResult();
    const bool test = request.Source.compare(QLatin1String("test"), Qt::CaseInsensitive) == 0;
    if (request.Seconds < 1 || request.Seconds > 3600) {
        message = QStringLiteral("the duration must be 1 to 3600 seconds");
        return 2;
    }
    const int frameworkIndex = request.Framework >= 0 ? request.Framework : (test ? 1 : 0);
    if (frameworkIndex != 0 && frameworkIndex != 1) {
        message = QStringLiteral("the capture framework must be 0 (V4L2) or 1 (GStreamer)");
        return 2;
    }
    if (test && frameworkIndex != 1) {
        message = QStringLiteral("the test picture is a source of framework 1 (GStreamer)");
        return 2;
    }
    const QFileInfo output(request.Output);
    if (request.Output.isEmpty() || output.isDir()) {
        message = QStringLiteral("cannot write %1: not a file name").arg(request.Output);
        return 1;
    }
    const QFileInfo folder(output.absolutePath());
    if (!folder.isDir() || !folder.isWritable()) {
        message =
            QStringLiteral("cannot write %1: the folder %2 %3")
                .arg(request.Output, folder.filePath(),
                     folder.isDir() ? QStringLiteral("is not writable") : QStringLiteral("does not exist"));
        return 1;
    }

    auto v4l2 = std::make_unique<TVfwCapture>();
    auto gst = std::make_unique<TDSCapture>();
    v4l2->DeviceFolder = request.DeviceFolder;
    gst->DeviceFolder = request.DeviceFolder;
    TCapture capture(std::move(v4l2), std::move(gst));
    capture.SettingsPending = false; // the window's capture settings stay as they are
    capture.ShowPreview(false);
    capture.Framework = frameworkIndex;
    capture.RefreshDevices();
    TCaptureFramework& framework = capture.Current();
    const int local = test
                          ? TCaptureFramework::IndexOfName(framework.Devices(), TDSCapture::TestPictureName())
                          : FindSource(framework, request.Source, request.DeviceFolder);
    if (local < 0) {
        message = QStringLiteral("cannot open %1: no such capture device").arg(request.Source);
        return 1;
    }
    capture.SelectDevice(local + (frameworkIndex == 1 ? int(capture.FrameworkAt(0).Devices().size()) : 0));
    // The test picture at 640 x 480 and 30 fps; a camera in its first format.
    const int format =
        test ? TCaptureFramework::IndexOfName(framework.FormatNames(), QStringLiteral("640 x 480, 30 fps"))
             : 0;
    capture.SelectFormat(std::max(format, 0));
    capture.SelectCodec(0); // Motion JPEG

    // No window: messages are not shown, the reasons come from the frameworks.
    TUserDlg& dlg = TUserDlg::Instance();
    const bool muted = dlg.Muted();
    dlg.SetMute(true);
    struct TUnmute
    {
        TUserDlg& Dlg;
        bool Was;
        ~TUnmute() { Dlg.SetMute(Was); }
    } unmute{dlg, muted};

    if (!framework.Connect()) {
        message = QStringLiteral("cannot open %1: %2").arg(request.Source, framework.ErrorText);
        return 1;
    }
    result.FramesPerSecond = framework.FramesPerSecond();
    capture.DurationOn = true;
    capture.DurationSeconds = request.Seconds;
    capture.SaveFileName = request.Output;

    bool lost = false;
    bool done = false;
    QEventLoop loop;
    capture.OnTick = [&] {
        if (progress)
            progress(QStringLiteral("%1 s: %2 frames, %3 lost")
                         .arg(capture.Seconds)
                         .arg(capture.CapturedCount())
                         .arg(capture.LostCount()));
    };
    // Every end of the recording (time over, device gone, write failure) passes here, before the saving;
    // the loop ends once the saving is over.
    capture.OnRecordingChanged = [&] {
        if (!capture.IsCapturing()) {
            result.Frames = capture.CapturedCount();
            result.Lost = capture.LostCount();
            done = true;
            loop.quit();
        }
    };
    QString lostReason;
    const auto sessionHandler = framework.OnEvent;
    framework.OnEvent = [&, sessionHandler](TCaptureEvent event) {
        if (event == TCaptureEvent::SourceLost && capture.IsCapturing()) {
            lost = true;
            lostReason = framework.ErrorText;
        }
        sessionHandler(event);
    };

    capture.StartStop();
    if (!capture.IsCapturing()) {
        capture.Timer.stop();
        message = QStringLiteral("cannot record from %1: %2").arg(request.Source, capture.StartError);
        return 1;
    }
    // A safety net far beyond the duration, should the timer never stop the recording.
    QTimer::singleShot((request.Seconds + 60) * 1000, &loop, [&] {
        if (!done)
            capture.Stop();
        loop.quit();
    });
    if (!done)
        loop.exec();
    if (!done && capture.IsCapturing())
        capture.Stop();

    if (capture.SavedFile.isEmpty()) {
        const QString reason =
            capture.SaveError.isEmpty() ? QStringLiteral("the recording failed") : capture.SaveError;
        message = lost ? QStringLiteral("%1 stopped: %2; nothing was saved").arg(request.Source, lostReason)
                       : QStringLiteral("cannot write %1: %2").arg(request.Output, reason);
        return 1;
    }
    if (lost) {
        result.EndedEarly = true;
        message = QStringLiteral("%1 stopped after %2 frames (%3); they were saved to %4")
                      .arg(request.Source)
                      .arg(result.Frames)
                      .arg(lostReason, request.Output);
        return 1;
    }
    return 0;
}
