// Video to numbered images and images to video, frame by frame, with progress and cancel.
#include "studio/UnitStudioConvert.h"

#include "common/UnitIni.h"
#include "editing/UnitVideoWriter.h"
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

    // Any of the three writers; each fills a temporary file and renames it only when complete.
    const std::unique_ptr<TVideoWriter> writer =
        MakeVideoWriter(request.Framework >= 0 && request.Framework <= 2 ? request.Framework : 0);
    const auto writerError = [&]() {
        const QString detail = writer->Detail();
        return writer->ErrorText() + (detail.isEmpty() || detail == writer->ErrorText()
                                          ? QString()
                                          : QStringLiteral(" (") + detail + ')');
    };
    if (!writer->SetCodecName(request.Codec)) {
        error =
            QStringLiteral("the writer %1 has no codec named %2").arg(writer->DisplayName(), request.Codec);
        return cvBadRequest;
    }
    TWriterSetup setup;
    setup.Width = size.width();
    setup.Height = size.height();
    setup.FramesPerSecond = request.FramesPerSecond;
    setup.FileName = request.FileName;
    setup.QualityPercent = std::clamp(static_cast<int>(std::lround(request.Quality / 100.0)), 10, 100);
    if (!writer->Start(setup)) {
        error = QStringLiteral("cannot write %1: %2").arg(request.FileName, writerError());
        writer->Abort();
        return cvWriteFailed;
    }

    for (qsizetype i = 0; i < count; ++i) {
        QImage image = i == 0 ? first : readImage(request.Images[i], error);
        if (image.isNull()) {
            writer->Abort();
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
            writer->Abort();
            return cvSizeDiffers;
        }
        if (image.format() != QImage::Format_RGB32)
            image = image.convertToFormat(QImage::Format_RGB32);
        if (!writer->Add(image)) {
            error = QStringLiteral("cannot write %1: %2").arg(request.FileName, writerError());
            writer->Abort();
            return cvWriteFailed;
        }
        if (!GoOn(progress, Percent(i + 1, count))) {
            error = QStringLiteral("cancelled");
            writer->Abort();
            return cvCancelled;
        }
    }
    if (!writer->Finish()) {
        error = QStringLiteral("cannot write %1: %2").arg(request.FileName, writerError());
        writer->Abort();
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
    const auto is = [&framework](const QString& name) {
        return framework.compare(name, Qt::CaseInsensitive) == 0;
    };
    request.Framework = 0;
    for (int candidate = 1; candidate <= 2; ++candidate)
        if (is(FrameworkDisplayName(candidate)))
            request.Framework = candidate;
    // A codec of another writer means nothing to the AVI writer: it then writes without compression.
    const bool aviWriter =
        framework.isEmpty() || is(FrameworkDisplayName(0)) || is(QStringLiteral("Video for Windows"));
    request.Codec = request.Framework != 0 || aviWriter ? codec : QString();
}
