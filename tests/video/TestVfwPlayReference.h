// Helpers of the frame-source tests: drawing one frame, ffmpeg's decoding with exact colour conversion, and
// mean differences of images.
#pragma once

#include "video/UnitFrameSource.h"

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <vector>

// Frame `frame` of the source, drawn whole at its own size; null when Draw fails.
inline QImage FrameAt(TFrameSource& source, int frame)
{
    source.Seek(frame);
    QImage image(source.FrameWidth, source.FrameHeight, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    if (!source.Draw(image, QRect(0, 0, source.FrameWidth, source.FrameHeight), SRCCOPY))
        return {};
    return image;
}

// The first frames as ffmpeg decodes them in sequence, converted to RGB with interpolated chroma and
// exact rounding (the plain conversion takes the nearest chroma sample and differs by up to 100 at
// colour edges from a JPEG decoder). Empty on failure.
inline std::vector<QImage> PreciseFfmpegFrames(const QString& path, QSize size, int maxFrames)
{
    std::vector<QImage> frames;
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    if (ffmpeg.isEmpty() || size.isEmpty())
        return frames;
    QProcess p;
    p.start(ffmpeg,
            {"-v", "error", "-i", path, "-sws_flags", "bilinear+accurate_rnd+full_chroma_int+full_chroma_inp",
             "-frames:v", QString::number(maxFrames), "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    if (!p.waitForFinished(300000) || p.exitCode() != 0)
        return frames;
    const QByteArray bytes = p.readAllStandardOutput();
    const qsizetype frameBytes = qsizetype(size.width()) * size.height() * 3;
    for (qsizetype at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        QImage rgb(reinterpret_cast<const uchar*>(bytes.constData() + at), size.width(), size.height(),
                   size.width() * 3, QImage::Format_RGB888);
        frames.push_back(rgb.convertToFormat(QImage::Format_RGB32));
    }
    return frames;
}

// Mean over pixels and channels of the absolute difference; 255 when the sizes differ.
inline double MeanChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 255.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0.0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return sum / (3.0 * x.width() * x.height());
}

// Mean over pixels of the absolute difference of grey levels (qGray), or of its square; 255 when the sizes
// differ. Decoders that differ only in how they interpolate colour at edges agree closely in grey.
inline double MeanGreyDifference(const QImage& a, const QImage& b, bool squared = false)
{
    if (a.size() != b.size() || a.isNull())
        return 255.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0.0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d = qGray(p[col]) - qGray(q[col]);
            sum += squared ? double(d) * d : std::abs(d);
        }
    }
    return sum / (double(x.width()) * x.height());
}
