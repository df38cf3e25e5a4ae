// Test videos made with the ffmpeg command-line tool, cached in the build tree, and reference decoding.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

enum class TFixtureKind
{
    H264Mp4,  // H.264 in MP4 with B-frames and a long GOP
    MjpegAvi, // Motion-JPEG in AVI
    RawAvi,   // uncompressed 24-bit DIB in AVI
    Mpeg2Mpg, // MPEG-2 program stream
    Mpeg4Mov, // MPEG-4 part 2 in QuickTime
};

// Path of a 320 x 240, 25 frames/s, 2 s clip of the given kind (50 frames; each frame differs from
// the others). Made on first use; empty when ffmpeg is missing or fails.
QString FixtureVideo(TFixtureKind kind);
QString FixtureName(TFixtureKind kind);

// Number of frames that ffmpeg decodes from the file (edit lists honoured); -1 on failure.
int FfmpegFrameCount(const QString& path);
// The first maxFrames frames as ffmpeg decodes them in sequence, in RGB32; empty on failure.
std::vector<QImage> FfmpegDecodeAll(const QString& path, int maxFrames = 1 << 30);
// Largest difference of one colour channel between two images of the same size (255 when sizes differ).
int MaxChannelDifference(const QImage& a, const QImage& b);
