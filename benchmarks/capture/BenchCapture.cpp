// Capture without dropped frames: 10 s of the GStreamer test picture at 640x480 and 30 fps recorded while
// a preview callback draws every picture it receives scaled into an 800x600 view, as the main window does,
// once with Motion JPEG and once uncompressed. Prints frames written, frames expected (the seconds recorded
// times the rate), their ratio, the frames the source skipped and the preview pictures drawn.
//
// Target: ratio 1 (within one frame) and no lost frame. Printed, not asserted.
#include "capture/UnitCapture.h"
#include "capture/UnitDSCapture.h"
#include "capture/UnitVfwCapture.h"
#include "common/UnitUserDlg.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int Seconds = 10;

bool RunOnce(int codec, const QString& folder)
{
    auto v4l2 = std::make_unique<TVfwCapture>();
    auto gst = std::make_unique<TDSCapture>();
    v4l2->DeviceFolder = folder; // no camera: only the test picture
    gst->DeviceFolder = folder;
    TCapture capture(std::move(v4l2), std::move(gst));
    capture.RefreshDevices();
    capture.SelectDevice(capture.DeviceCount() - 1);
    capture.SelectFormat(
        TCaptureFramework::IndexOfName(capture.Current().FormatNames(), QStringLiteral("640 x 480, 30 fps")));
    capture.SelectCodec(codec);
    capture.SaveFileName = QStringLiteral("%1/bench%2.avi").arg(folder).arg(codec);
    QImage view(800, 600, QImage::Format_RGB32);
    int drawn = 0;
    capture.OnPreview = [&view, &drawn](const QImage& image) {
        QPainter painter(&view);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(view.rect(), image);
        ++drawn;
    };
    capture.ShowPreview(true);
    if (!capture.Connect()) {
        std::printf("cannot open the test picture: %s\n", qPrintable(capture.Current().ErrorText));
        return false;
    }
    capture.DurationOn = true;
    capture.DurationSeconds = Seconds;
    QEventLoop loop;
    int written = 0, lost = 0;
    qint64 elapsed = 0;
    QElapsedTimer clock;
    capture.OnRecordingChanged = [&] {
        if (capture.IsCapturing())
            return;
        elapsed = clock.elapsed();
        written = capture.CapturedCount();
        lost = capture.LostCount();
        loop.quit();
    };
    clock.start();
    capture.StartStop();
    QTimer::singleShot((Seconds + 20) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double rate = capture.Current().FramesPerSecond();
    const double expected = elapsed / 1000.0 * rate;
    std::printf("%-22s written %4d  expected %6.1f  ratio %.4f  lost %d  preview drawn %d  saved %s\n",
                codec < 0 ? "uncompressed" : "Motion JPEG", written, expected,
                expected > 0 ? written / expected : 0.0, lost, drawn,
                capture.SavedFile.isEmpty() ? "no" : "yes");
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TUserDlg::Instance().SetMute(true);
    if (!TDSCapture::Available()) {
        std::printf("GStreamer is not available\n");
        return 1;
    }
    QTemporaryDir folder;
    std::printf("capture of %d s of the 640x480 30 fps test picture with a preview drawn at 800x600\n",
                Seconds);
    const bool ok = RunOnce(0, folder.path()) && RunOnce(-1, folder.path());
    return ok ? 0 : 1;
}
