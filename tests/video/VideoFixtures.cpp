// Test videos made with the ffmpeg command-line tool, and ffmpeg's own decoding as the reference.
#include "video/VideoFixtures.h"

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>

namespace {

struct TFixtureDef
{
    TFixtureKind Kind;
    const char* Name;
    QStringList Codec;
};

const std::vector<TFixtureDef>& Fixtures()
{
    static const std::vector<TFixtureDef> fixtures = {
        {TFixtureKind::H264Mp4,
         "h264_bframes.mp4",
         {"-c:v", "libx264", "-g", "250", "-bf", "3", "-pix_fmt", "yuv420p"}},
        {TFixtureKind::MjpegAvi, "mjpeg.avi", {"-c:v", "mjpeg", "-q:v", "3", "-pix_fmt", "yuvj420p"}},
        {TFixtureKind::RawAvi, "raw_bgr24.avi", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}},
        {TFixtureKind::Mpeg2Mpg, "mpeg2.mpg", {"-c:v", "mpeg2video", "-g", "12", "-bf", "2", "-q:v", "3"}},
        {TFixtureKind::Mpeg4Mov, "mpeg4.mov", {"-c:v", "mpeg4", "-g", "12", "-bf", "2", "-q:v", "3"}},
    };
    return fixtures;
}

const TFixtureDef& FixtureOf(TFixtureKind kind)
{
    for (const TFixtureDef& s : Fixtures())
        if (s.Kind == kind)
            return s;
    return Fixtures().front();
}

QString Tool(const char* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

} // namespace

QString FixtureName(TFixtureKind kind)
{
    return QString::fromLatin1(FixtureOf(kind).Name);
}

QString FixtureVideo(TFixtureKind kind)
{
    const TFixtureDef& fixture = FixtureOf(kind);
    const QString path = QDir(FixtureCacheDir()).filePath(QString::fromLatin1(fixture.Name));
    if (QFileInfo(path).size() > 0)
        return path;
    const QString ffmpeg = Tool("ffmpeg");
    if (ffmpeg.isEmpty())
        return {};
    // Written under a name of this process's own and renamed, so that a test program killed midway leaves
    // no truncated file that later runs would take for a good one, and test programs running at the same
    // time (CTest runs them in parallel) never write into each other's file.
    const QString partial = QFileInfo(path).path() +
                            QStringLiteral("/partial-%1-").arg(QCoreApplication::applicationPid()) +
                            QFileInfo(path).fileName();
    QStringList args = {"-y", "-v", "error", "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2"};
    args << fixture.Codec << partial;
    QProcess p;
    p.start(ffmpeg, args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        QFile::remove(partial);
        return {};
    }
    // rename() replaces the file atomically; another process may have put an identical one there first.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(partial);
        return QFileInfo(path).size() > 0 ? path : QString();
    }
    return path;
}

int FfmpegFrameCount(const QString& path)
{
    const QString ffprobe = Tool("ffprobe");
    if (ffprobe.isEmpty())
        return -1;
    QProcess p;
    p.start(ffprobe, {"-v", "error", "-select_streams", "v:0", "-count_frames", "-show_entries",
                      "stream=nb_read_frames", "-of", "default=nokey=1:noprint_wrappers=1", path});
    if (!p.waitForFinished(300000) || p.exitCode() != 0)
        return -1;
    bool ok = false;
    const int n = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt(&ok);
    return ok ? n : -1;
}

std::vector<QImage> FfmpegDecodeAll(const QString& path, int maxFrames)
{
    std::vector<QImage> frames;
    const QString ffprobe = Tool("ffprobe");
    const QString ffmpeg = Tool("ffmpeg");
    if (ffprobe.isEmpty() || ffmpeg.isEmpty())
        return frames;
    QProcess probe;
    probe.start(ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height",
                          "-of", "csv=p=0", path});
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0)
        return frames;
    const QStringList wh = QString::fromLatin1(probe.readAllStandardOutput()).trimmed().split(',');
    if (wh.size() < 2)
        return frames;
    const int w = wh[0].toInt(), h = wh[1].toInt();
    if (w <= 0 || h <= 0)
        return frames;
    QProcess p;
    p.start(ffmpeg, {"-v", "error", "-i", path, "-frames:v", QString::number(maxFrames), "-f", "rawvideo",
                     "-pix_fmt", "rgb24", "-"});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return frames;
    const QByteArray bytes = p.readAllStandardOutput();
    const qsizetype frameBytes = qsizetype(w) * h * 3;
    for (qsizetype at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        QImage rgb(reinterpret_cast<const uchar*>(bytes.constData() + at), w, h, w * 3,
                   QImage::Format_RGB888);
        frames.push_back(rgb.convertToFormat(QImage::Format_RGB32));
    }
    return frames;
}

int MaxChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            worst = std::max({worst, std::abs(qRed(p[col]) - qRed(q[col])),
                              std::abs(qGreen(p[col]) - qGreen(q[col])),
                              std::abs(qBlue(p[col]) - qBlue(q[col]))});
        }
    }
    return worst;
}
