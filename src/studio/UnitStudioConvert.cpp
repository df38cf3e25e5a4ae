// Video to numbered images and images to video, frame by frame, with progress and cancel.
#include "studio/UnitStudioConvert.h"

#include "common/UnitIni.h"
#include "editing/UnitFFMpegRecord.h"
#include "editing/UnitVfwRecord.h"
#include "studio/UnitStudioImages.h"
#include "video/UnitVideoSources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <cmath>
#include <cstdio>

namespace {

int Percent(qsizetype done, qsizetype total)
{
    return total > 0 ? static_cast<int>(std::lround(100.0 * double(done) / double(total))) : 100;
}

bool GoOn(const TStudioProgress& progress, int percent)
{
    return !progress || progress(percent);
}

// Writes the image under a temporary name beside path and renames it over path when complete.
bool SaveImage(const QImage& image, const QString& path, const char* format, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    if (!image.save(&file, format)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

// A hidden name in the folder of path with the same extension (the FFmpeg writer chooses its container
// by the extension).
QString TemporaryNameFor(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.absoluteDir().absoluteFilePath(QStringLiteral(".~%1.%2.partial%3")
                                                   .arg(info.completeBaseName())
                                                   .arg(QCoreApplication::applicationPid())
                                                   .arg(suffix));
}

} // namespace

QImage GrabFrame(TVideoSources& sources, int frame)
{
    if (!sources.IsOpen() || frame < 0 || frame >= sources.FrameCount())
        return {};
    bool readError = false;
    auto saved = sources.OnError;
    sources.OnError = [&readError](const QString&) { readError = true; };
    sources.ShowFrame(frame);
    sources.OnError = saved;
    QImage image(sources.FrameWidth(), sources.FrameHeight(), QImage::Format_RGB32);
    if (readError || image.isNull() || sources.CurrentFrame() != frame ||
        !sources.Draw(image, image.rect(), SRCCOPY))
        return {};
    return image;
}

QImage ApplyGeometry(const QImage& frame, const TImageGeometry& geometry)
{
    const QSize output = geometry.Output;
    if (output.isEmpty() || output == frame.size() || (!geometry.Resizing && !geometry.Cropping))
        return frame;
    if (geometry.Resizing) {
        QImage resized(output, QImage::Format_RGB32);
        if (!StretchFrame(frame, resized, frame.rect(), SRCCOPY))
            return {};
        return resized;
    }
    // Cropping: the region of the output size that starts at the crop offsets; beyond the frame stays black.
    return CutPicture(frame, QRect(geometry.CropOffset, output));
}

int VideoToImages(TVideoSources& sources, const std::vector<int>& frames, const QString& base,
                  const QString& extension, const TImageGeometry& geometry, const TStudioProgress& progress,
                  QString& error, QStringList* written)
{
    if (!sources.IsOpen()) {
        error = QStringLiteral("no video is open");
        return cvBadRequest;
    }
    if (frames.empty()) {
        error = QStringLiteral("the video has no frame to write");
        return cvBadRequest;
    }
    const QString kind = extension.toLower();
    const char* format = kind == QLatin1String("bmp") ? "BMP" : "PNG";
    const int count = static_cast<int>(frames.size());
    for (int i = 0; i < count; ++i) {
        const QImage frame = GrabFrame(sources, frames[i]);
        if (frame.isNull()) {
            error = QStringLiteral("cannot read frame %1 of %2").arg(frames[i]).arg(sources.VideoFileName());
            return cvReadFailed;
        }
        const QImage image = ApplyGeometry(frame, geometry);
        const QString path = NumberedImageName(base, i, count, kind);
        if (image.isNull() || !SaveImage(image, path, format, error)) {
            if (image.isNull())
                error = QStringLiteral("cannot make the image of frame %1").arg(frames[i]);
            return cvWriteFailed;
        }
        if (written)
            written->push_back(path);
        if (!GoOn(progress, Percent(i + 1, count))) {
            error = QStringLiteral("cancelled");
            return cvCancelled;
        }
    }
    return cvOk;
}

int ImagesToVideo(const TImagesToVideoRequest& request, const TStudioProgress& progress, QString& error)
{
    if (request.Images.isEmpty()) {
        error = QStringLiteral("there is no image to write");
        return cvBadRequest;
    }
    if (!(request.FramesPerSecond > 0.0) || !std::isfinite(request.FramesPerSecond) ||
        request.FramesPerSecond > 1000.0) {
        error = QStringLiteral("the frame rate must be a number above 0 and at most 1000");
        return cvBadRequest;
    }
    if (request.FileName.isEmpty()) {
        error = QStringLiteral("no output file");
        return cvBadRequest;
    }
    const auto readImage = [](const QString& path, QString& why) {
        QImageReader reader(path);
        QImage image = reader.read();
        if (image.isNull())
            why = QStringLiteral("cannot read the image %1: %2").arg(path, reader.errorString());
        return image;
    };
    const QImage first = readImage(request.Images.first(), error);
    if (first.isNull())
        return cvReadFailed;
    const QSize size = first.size();
    const qsizetype count = request.Images.size();

    // One of the two writers behind the same few steps.
    const bool ffmpeg = request.Framework == 2;
    TVfwRecord avi;
    TFFMpegRecord mpeg;
    const QString temporary = ffmpeg ? TemporaryNameFor(request.FileName) : QString();
    const auto writerError = [&]() {
        if (ffmpeg)
            return mpeg.ErrorText() +
                   (mpeg.Detail.isEmpty() ? QString() : QStringLiteral(" (") + mpeg.Detail + ')');
        return avi.ErrorText() + (avi.Detail.isEmpty() ? QString() : QStringLiteral(" (") + avi.Detail + ')');
    };
    const auto abandon = [&]() {
        if (ffmpeg) {
            mpeg.Close(); // a failed writer does nothing; an open one finishes the temporary file
            QFile::remove(temporary);
        } else {
            avi.Cancel();
        }
    };

    bool opened = false;
    if (ffmpeg) {
        mpeg.Width = size.width();
        mpeg.Height = size.height();
        mpeg.FramesPerSecond = request.FramesPerSecond;
        mpeg.FileName = temporary;
        mpeg.CodecIndex = request.Codec.isEmpty() ? -1 : 0;
        opened = mpeg.Open();
    } else {
        avi.Width = size.width();
        avi.Height = size.height();
        // The rate the user asked for is stored exactly (25 as 25/1, 29.97 as 30000/1001).
        avi.MsPerFrame = static_cast<int>(std::lround(1000.0 / request.FramesPerSecond));
        avi.FramesPerSecond = request.FramesPerSecond;
        avi.Quality = std::clamp(request.Quality, 0, 10000);
        avi.FileName = request.FileName;
        if (!avi.SetCodecName(request.Codec)) {
            error = QStringLiteral("the AVI writer has no codec named %1").arg(request.Codec);
            return cvBadRequest;
        }
        opened = !avi.Failed && avi.Open();
    }
    if (!opened) {
        error = QStringLiteral("cannot write %1: %2").arg(request.FileName, writerError());
        abandon();
        return cvWriteFailed;
    }

    for (qsizetype i = 0; i < count; ++i) {
        QImage image = i == 0 ? first : readImage(request.Images[i], error);
        if (image.isNull()) {
            abandon();
            return cvReadFailed;
        }
        if (image.size() != size) {
            error = QStringLiteral("the image %1 is %2 x %3 pixels, but the first image (%4) is %5 x %6")
                        .arg(QFileInfo(request.Images[i]).fileName())
                        .arg(image.width())
                        .arg(image.height())
                        .arg(QFileInfo(request.Images.first()).fileName())
                        .arg(size.width())
                        .arg(size.height());
            abandon();
            return cvSizeDiffers;
        }
        if (image.format() != QImage::Format_RGB32)
            image = image.convertToFormat(QImage::Format_RGB32);
        const bool added = ffmpeg ? mpeg.AddFrame(image) : avi.AddFrame(image);
        if (!added) {
            error = QStringLiteral("cannot write %1: %2").arg(request.FileName, writerError());
            abandon();
            return cvWriteFailed;
        }
        if (!GoOn(progress, Percent(i + 1, count))) {
            error = QStringLiteral("cancelled");
            abandon();
            return cvCancelled;
        }
    }

    if (ffmpeg) {
        if (!mpeg.Close()) {
            error = QStringLiteral("cannot write %1: %2").arg(request.FileName, writerError());
            QFile::remove(temporary);
            return cvWriteFailed;
        }
        // rename() replaces an older file of the name in one step.
        if (std::rename(QFile::encodeName(temporary).constData(),
                        QFile::encodeName(request.FileName).constData()) != 0) {
            error = QStringLiteral("cannot write %1: %2")
                        .arg(request.FileName,
                             TVfwRecord::ErrorText(7)); // the same reason as the AVI writer gives
            QFile::remove(temporary);
            return cvWriteFailed;
        }
        return cvOk;
    }
    if (!avi.Close()) {
        error = QStringLiteral("cannot write %1: %2").arg(request.FileName, writerError());
        return cvWriteFailed;
    }
    return cvOk;
}

void ReadWriterSettings(const QString& settingsFile, TImagesToVideoRequest& request)
{
    if (settingsFile.isEmpty())
        return;
    const TIniFile ini(settingsFile);
    const QString framework = ini.ReadString(SectionMontage, QStringLiteral("Framework"), QString());
    const QString codec = ini.ReadString(SectionMontage, QStringLiteral("Codec"), QString());
    const auto is = [&framework](const char* name) {
        return framework.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    request.Framework = is("FFMpeg") ? 2 : 0;
    // A codec of another writer means nothing to the AVI writer: it then writes without compression.
    const bool aviWriter = framework.isEmpty() || is("Video for Windows") || is("AVI (built-in)");
    request.Codec = request.Framework == 2 || aviWriter ? codec : QString();
}
