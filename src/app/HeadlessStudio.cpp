// The headless studio commands: a video to numbered images and numbered images to a video.
#include "app/CommandLine.h"

#include "common/UnitOptions.h"
#include "studio/UnitStudioConvert.h"
#include "studio/UnitStudioImages.h"
#include "video/UnitVideoSources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cmath>

namespace {

// Progress on standard error: one line each time another tenth is done.
TStudioProgress ProgressTo(QTextStream& err, int& shown)
{
    return [&err, &shown](int percent) {
        if (percent / 10 > shown / 10 || (percent == 100 && shown < 100)) {
            shown = percent;
            err << "kinotra: " << percent << "%\n";
            err.flush();
        }
        return true;
    };
}

} // namespace

int RunToImages(const QStringList& args, const TOptions&, QTextStream& out, QTextStream& err)
{
    const QString path = args.value(0);
    const QString folder = args.value(1);
    if (!QFileInfo(path).isFile()) {
        err << "kinotra: cannot open " << path << ": no such file\n";
        return 1;
    }
    const QFileInfo target(folder);
    if (target.exists() && !target.isDir()) {
        err << "kinotra: cannot write images to " << folder << ": it is a file, not a folder\n";
        return 1;
    }
    if (!target.exists() && !QDir().mkpath(folder)) {
        err << "kinotra: cannot create the folder " << folder << '\n';
        return 1;
    }
    TVideoSources sources;
    if (!sources.OpenVideo(path)) {
        const QString reason = sources.ErrorText.isEmpty()
                                   ? QStringLiteral("no framework can read this video")
                                   : QString(sources.ErrorText).replace('\n', ' ');
        err << "kinotra: cannot open " << path << ": " << reason << '\n';
        return 1;
    }
    std::vector<int> frames(static_cast<std::size_t>(std::max(0, sources.FrameCount())));
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = static_cast<int>(i);
    const QString base = QDir(folder).absoluteFilePath(QFileInfo(path).completeBaseName());
    int shown = -1;
    QString error;
    QStringList written;
    const int code = VideoToImages(sources, frames, base, QStringLiteral("png"), TImageGeometry(),
                                   ProgressTo(err, shown), error, &written);
    if (code != cvOk) {
        // A partial series would pass for a whole video: it goes.
        for (const QString& file : written)
            QFile::remove(file);
        err << "kinotra: " << error << '\n';
        return 1;
    }
    out << "images: " << written.size() << '\n'
        << "first: " << written.first() << '\n'
        << "last: " << written.last() << '\n';
    return 0;
}

int RunFromImages(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err)
{
    QString folder, output;
    double fps = 0.0;
    bool hasFps = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--fps")) {
            if (i + 1 >= args.size()) {
                err << "kinotra: --from-images: --fps needs a value\n";
                return 1;
            }
            QString value = args[++i];
            value.replace(QLatin1Char(','), QLatin1Char('.'));
            fps = value.toDouble(&hasFps);
            if (!hasFps || !std::isfinite(fps) || fps <= 0.0 || fps > 1000.0) {
                err << "kinotra: --from-images: --fps " << args[i]
                    << " is not a frame rate (a number above 0 and at most 1000)\n";
                return 1;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            err << "kinotra: --from-images: unknown option " << arg << '\n';
            return 1;
        } else if (folder.isEmpty()) {
            folder = arg;
        } else if (output.isEmpty()) {
            output = arg;
        } else {
            err << "kinotra: --from-images: unexpected argument " << arg << '\n';
            return 1;
        }
    }
    if (folder.isEmpty() || output.isEmpty() || !hasFps) {
        err << "kinotra: --from-images needs FOLDER, OUT and --fps F; see --help\n";
        return 1;
    }
    TImagesToVideoRequest request;
    QString reason;
    if (ImageSeriesOfFolder(folder, request.Images, reason) != 0) {
        err << "kinotra: cannot make a video from " << folder << ": " << reason << '\n';
        return 1;
    }
    // The writer chosen in the window's settings; a container other than AVI needs the FFmpeg writer.
    ReadWriterSettings(options.SettingsFile(), request);
    if (QFileInfo(output).suffix().compare(QLatin1String("avi"), Qt::CaseInsensitive) != 0 &&
        request.Framework != 2) {
        request.Framework = 2;
        request.Codec = QStringLiteral("internal");
    }
    request.FileName = QFileInfo(output).absoluteFilePath();
    request.FramesPerSecond = fps;
    int shown = -1;
    QString error;
    if (ImagesToVideo(request, ProgressTo(err, shown), error) != cvOk) {
        err << "kinotra: " << error << '\n';
        return 1;
    }
    out << "frames: " << request.Images.size() << '\n' << "file: " << request.FileName << '\n';
    return 0;
}
