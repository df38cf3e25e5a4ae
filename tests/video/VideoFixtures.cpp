// Test videos made with the ffmpeg command-line tool, and ffmpeg's own decoding as the reference.
#include "video/VideoFixtures.h"

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>

namespace {

// A fixture: its name, and its ffmpeg arguments; those of a derived one start from the file of its base.
struct TFixtureDef
{
    TFixtureKind Kind;
    const char* Name;
    QStringList Args;
    TFixtureKind Base = TFixtureKind::H264Mp4;
    bool Derived = false;
};

const QStringList Clip25 = {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2"};

const std::vector<TFixtureDef>& Fixtures()
{
    static const std::vector<TFixtureDef> fixtures = {
        {TFixtureKind::H264Mp4, "h264_bframes.mp4",
         Clip25 + QStringList{"-c:v", "libx264", "-g", "250", "-bf", "3", "-pix_fmt", "yuv420p"}},
        {TFixtureKind::MjpegAvi, "mjpeg.avi",
         Clip25 + QStringList{"-c:v", "mjpeg", "-q:v", "3", "-pix_fmt", "yuvj420p"}},
        {TFixtureKind::RawAvi, "raw_bgr24.avi",
         Clip25 + QStringList{"-c:v", "rawvideo", "-pix_fmt", "bgr24"}},
        {TFixtureKind::Mpeg2Mpg, "mpeg2.mpg",
         Clip25 + QStringList{"-c:v", "mpeg2video", "-g", "12", "-bf", "2", "-q:v", "3"}},
        {TFixtureKind::Mpeg4Mov, "mpeg4.mov",
         Clip25 + QStringList{"-c:v", "mpeg4", "-g", "12", "-bf", "2", "-q:v", "3"}},
        {TFixtureKind::Wmv30,
         "wmv2_30fps.wmv",
         {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30:duration=3", "-c:v", "wmv2", "-q:v", "3"}},
        {TFixtureKind::Mpeg1Ntsc,
         "mpeg1_29.97fps.mpg",
         {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30000/1001:duration=2", "-c:v", "mpeg1video", "-g",
          "12", "-bf", "2", "-q:v", "3"}},
        {TFixtureKind::EditListMp4AsMpg,
         "h264_edit_list_mp4.mpg",
         {"-ss", "0.5", "-i", "%1", "-c", "copy", "-f", "mp4"},
         TFixtureKind::H264Mp4,
         true},
        {TFixtureKind::PackedMpeg4Avi,
         "mpeg4_bframes_copy.avi",
         {"-i", "%1", "-c", "copy"},
         TFixtureKind::Mpeg4Mov,
         true},
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

// First line of "ffmpeg -version"; empty when the tool does not answer.
QString ToolVersion(const QString& ffmpeg)
{
    static const QString version = [&ffmpeg] {
        QProcess p;
        p.start(ffmpeg, {"-version"});
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return QString();
        return QString::fromUtf8(p.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed();
    }();
    return version;
}

} // namespace

QString FfmpegFixture(const QString& name, const QStringList& args)
{
    const QString ffmpeg = Tool("ffmpeg");
    if (ffmpeg.isEmpty())
        return {};
    const QString version = ToolVersion(ffmpeg);
    if (version.isEmpty())
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(name.toUtf8());
    for (const QString& arg : args) {
        hash.addData(QByteArray(1, '\0'));
        hash.addData(arg.toUtf8());
    }
    hash.addData(QByteArray(1, '\0'));
    hash.addData(version.toUtf8());
    const QFileInfo named(name);
    const QString suffix = named.suffix().isEmpty() ? QString() : QStringLiteral(".") + named.suffix();
    const QString file = named.completeBaseName() + QLatin1Char('-') +
                         QString::fromLatin1(hash.result().toHex().left(16)) + suffix;
    const QString path = QDir(FixtureCacheDir()).filePath(file);
    if (QFileInfo(path).size() > 0)
        return path;
    // Written under a name of this process's own and renamed, so that a test program killed midway leaves
    // no truncated file that later runs would take for a good one, and test programs running at the same
    // time (CTest runs them in parallel) never write into each other's file. The partial name keeps the
    // extension, from which ffmpeg chooses the muxer.
    const QString partial =
        QDir(FixtureCacheDir())
            .filePath(QStringLiteral("partial-%1-").arg(QCoreApplication::applicationPid()) + file);
    QProcess p;
    p.start(ffmpeg, QStringList{"-y", "-v", "error"} << args << partial);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 ||
        QFileInfo(partial).size() <= 0) {
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

QString FixtureName(TFixtureKind kind)
{
    return QString::fromLatin1(FixtureOf(kind).Name);
}

QString FixtureVideo(TFixtureKind kind)
{
    const TFixtureDef& fixture = FixtureOf(kind);
    QStringList args = fixture.Args;
    if (fixture.Derived) {
        const QString base = FixtureVideo(fixture.Base);
        if (base.isEmpty())
            return {};
        args.replaceInStrings(QStringLiteral("%1"), base);
    }
    return FfmpegFixture(QString::fromLatin1(fixture.Name), args);
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

namespace {

// Width and height of the first video stream as ffmpeg decodes it; empty on failure.
QSize FfmpegFrameSize(const QString& path)
{
    const QString ffprobe = Tool("ffprobe");
    if (ffprobe.isEmpty())
        return {};
    QProcess probe;
    probe.start(ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height",
                          "-of", "csv=p=0", path});
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0)
        return {};
    const QStringList wh = QString::fromLatin1(probe.readAllStandardOutput()).trimmed().split(',');
    return wh.size() < 2 ? QSize() : QSize(wh[0].toInt(), wh[1].toInt());
}

// Decodes the file with these filter and output arguments into packed RGB frames of the given size.
std::vector<QImage> DecodeRgb(const QString& path, QSize size, const QStringList& options)
{
    std::vector<QImage> frames;
    const QString ffmpeg = Tool("ffmpeg");
    if (ffmpeg.isEmpty() || size.isEmpty())
        return frames;
    QProcess p;
    // Every decoded frame once: no frame is repeated or dropped to make a constant rate.
    p.start(ffmpeg,
            QStringList{"-v", "error", "-i", path}
                << options
                << QStringList{"-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
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

} // namespace

std::vector<QImage> FfmpegDecodeAll(const QString& path, int maxFrames)
{
    return DecodeRgb(path, FfmpegFrameSize(path), {"-frames:v", QString::number(maxFrames)});
}

std::map<int, QImage> FfmpegFramesAt(const QString& path, const std::set<int>& frames)
{
    std::map<int, QImage> found;
    QStringList terms;
    for (int frame : frames)
        terms << QStringLiteral("eq(n\\,%1)").arg(frame);
    if (terms.isEmpty())
        return found;
    const std::vector<QImage> decoded =
        DecodeRgb(path, FfmpegFrameSize(path), {"-vf", QStringLiteral("select=") + terms.join('+')});
    auto frame = frames.begin();
    for (const QImage& image : decoded)
        found[*frame++] = image;
    return found;
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
