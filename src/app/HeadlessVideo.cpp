// Headless commands on videos: --info, --export-frame, --track and --demo-clip.
#include "app/CommandLine.h"

#include "common/UnitOptions.h"
#include "editing/UnitDemoClip.h"
#include "tracking/UnitTrackCommand.h"
#include "video/UnitVideoSources.h"

#include <QFileInfo>
#include <QImage>
#include <QTextStream>

namespace {

// Opens path through the framework choice of the program; on failure writes the reason to err.
bool OpenForCommand(TVideoSources& sources, const QString& path, QTextStream& err)
{
    if (!QFileInfo(path).isFile()) {
        err << "kinotra: cannot open " << path << ": no such file\n";
        return false;
    }
    if (sources.OpenVideo(path))
        return true;
    const QString reason = sources.ErrorText.isEmpty() ? QStringLiteral("no framework can read this video")
                                                       : QString(sources.ErrorText).replace('\n', ' ');
    err << "kinotra: cannot open " << path << ": " << reason << '\n';
    return false;
}

QString Number(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

int RunInfo(const QStringList& args, const TOptions&, QTextStream& out, QTextStream& err)
{
    TVideoSources sources;
    if (!OpenForCommand(sources, args.value(0), err))
        return 1;
    out << "framework: " << sources.Source().DisplayName() << '\n'
        << "frames: " << sources.FrameCount() << '\n'
        << "width: " << sources.FrameWidth() << '\n'
        << "height: " << sources.FrameHeight() << '\n'
        << "fps: " << Number(sources.FramesPerSecond()) << '\n'
        << "duration: " << Number(sources.Duration()) << '\n';
    return 0;
}

int RunExportFrame(const QStringList& args, const TOptions&, QTextStream&, QTextStream& err)
{
    const QString path = args.value(0);
    const QString output = args.value(2);
    bool isNumber = false;
    const int frame = args.value(1).toInt(&isNumber);
    if (!isNumber) {
        err << "kinotra: " << args.value(1) << " is not a frame number\n";
        return 1;
    }
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix != QLatin1String("bmp") && suffix != QLatin1String("png")) {
        err << "kinotra: cannot write " << output << ": the image must be a .bmp or .png file\n";
        return 1;
    }
    TVideoSources sources;
    if (!OpenForCommand(sources, path, err))
        return 1;
    const int count = sources.FrameCount();
    if (frame < 0 || frame >= count) {
        err << "kinotra: frame " << frame << " is out of range: the video has " << count << " frames (0 to "
            << count - 1 << ")\n";
        return 1;
    }
    QString readError;
    sources.OnError = [&readError](const QString& text) { readError = text; };
    sources.ShowFrame(frame);
    if (!readError.isEmpty()) {
        err << "kinotra: cannot read frame " << frame << " of " << path << ": " << readError << '\n';
        return 1;
    }
    QImage image(sources.FrameWidth(), sources.FrameHeight(), QImage::Format_RGB32);
    if (sources.CurrentFrame() != frame ||
        !sources.Draw(image, QRect(0, 0, sources.FrameWidth(), sources.FrameHeight()), SRCCOPY)) {
        err << "kinotra: cannot read frame " << frame << " of " << path << '\n';
        return 1;
    }
    if (!image.save(output, suffix == QLatin1String("bmp") ? "BMP" : "PNG")) {
        err << "kinotra: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}

int RunTrack(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err)
{
    // VIDEO first, then the options in any order; each option takes one value.
    TTrackRequest request;
    QString path;
    bool hasFrame = false, hasRect = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--"))) {
            if (!path.isEmpty()) {
                err << "kinotra: --track: unexpected argument " << arg << '\n';
                return 1;
            }
            path = arg;
            continue;
        }
        if (i + 1 >= args.size()) {
            err << "kinotra: --track: " << arg << " needs a value\n";
            return 1;
        }
        const QString value = args[++i];
        bool ok = true;
        if (arg == QLatin1String("--frame")) {
            request.Frame = value.toInt(&ok);
            hasFrame = ok;
        } else if (arg == QLatin1String("--last")) {
            request.Last = value.toInt(&ok);
        } else if (arg == QLatin1String("--radius")) {
            request.Radius = value.toInt(&ok);
        } else if (arg == QLatin1String("--rect")) {
            ok = ParseTrackRect(value, request.Rect);
            hasRect = ok;
        } else if (arg == QLatin1String("--ignore")) {
            QRect zone;
            ok = ParseTrackRect(value, zone);
            request.Ignore.push_back(zone);
        } else {
            err << "kinotra: --track: unknown option " << arg << '\n';
            return 1;
        }
        if (!ok) {
            err << "kinotra: --track: " << arg << " " << value << " is not valid\n";
            return 1;
        }
    }
    if (path.isEmpty() || !hasFrame || !hasRect) {
        err << "kinotra: --track needs VIDEO, --frame N and --rect X,Y,W,H; see --help\n";
        return 1;
    }
    TVideoSources sources;
    if (!OpenForCommand(sources, path, err))
        return 1;
    QString readError;
    sources.OnError = [&readError](const QString& text) { readError = text; };
    const auto frameAt = [&](int frame) {
        readError.clear();
        sources.ShowFrame(frame);
        QImage image(sources.FrameWidth(), sources.FrameHeight(), QImage::Format_RGB32);
        if (!readError.isEmpty() || sources.CurrentFrame() != frame ||
            !sources.Draw(image, QRect(0, 0, sources.FrameWidth(), sources.FrameHeight()), SRCCOPY))
            return QImage();
        return image;
    };
    request.FramesPerSecond = sources.FramesPerSecond();
    QString csv, message;
    const int code =
        RunTrackCommand(request, sources.FrameCount(), frameAt, options.TrackingRadius, csv, message);
    out << csv;
    if (!message.isEmpty())
        err << "kinotra: " << message << '\n';
    return code;
}

int RunDemoClip(const QStringList& args, QTextStream&, QTextStream& err)
{
    const QString output = args.value(0);
    QString error;
    if (!TDemoClip::Write(output, error)) {
        err << "kinotra: cannot write " << output << ": " << error << '\n';
        return 1;
    }
    return 0;
}
