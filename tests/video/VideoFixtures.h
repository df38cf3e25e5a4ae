// Test videos made with the ffmpeg command-line tool, cached in the build tree, and reference decoding.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <map>
#include <set>
#include <vector>

// The one generator of test videos: the file that ffmpeg writes with these arguments (inputs, filters,
// codec and muxer options; "-y -v error" and the output file are added), cached under FixtureCacheDir().
// The cached file is named after `name` with a hash of the arguments, the name and the tool's version
// inserted before the extension ("clip.avi" -> "clip-<hash>.avi"), so changed arguments or another
// ffmpeg make a new file and never reuse a stale one. The extension of `name` chooses the muxer unless the
// arguments name one ("-f"). Written under a name of this process and renamed, so test programs running
// side by side never see a half-written file. Empty when ffmpeg is missing or fails.
QString FfmpegFixture(const QString& name, const QStringList& args);

enum class TFixtureKind
{
    // 320 x 240, 25 frames/s, 2 s: 50 frames, each differing from the others.
    H264Mp4,  // H.264 in MP4 with B-frames and a long GOP
    MjpegAvi, // Motion-JPEG in AVI
    RawAvi,   // uncompressed 24-bit DIB in AVI
    Mpeg2Mpg, // MPEG-2 program stream
    Mpeg4Mov, // MPEG-4 part 2 in QuickTime
              // Files that reach the second framework (GStreamer) by their extension, 320 x 240:
    Wmv30,            // WMV 8 in ASF at 30 frames/s, 3 s: 90 frames; the container states no rate
    Mpeg1Ntsc,        // MPEG-1 program stream at 30000/1001 frames/s with B-frames, 2 s: 60 frames
    EditListMp4AsMpg, // H264Mp4 cut at 0.5 s by stream copy (an edit list that starts inside a frame
                      // and hides the frames decoded before it), an MP4 named ".mpg"
    PackedMpeg4Avi,   // Mpeg4Mov copied into AVI: B-frames, and most packets without a presentation time
};

// Path of a clip of the given kind. Made on first use; empty when ffmpeg is missing or fails.
QString FixtureVideo(TFixtureKind kind);
QString FixtureName(TFixtureKind kind);

// Number of frames that ffmpeg decodes from the file (edit lists honoured); -1 on failure.
int FfmpegFrameCount(const QString& path);
// The first maxFrames frames as ffmpeg decodes them in sequence, in RGB32; empty on failure.
std::vector<QImage> FfmpegDecodeAll(const QString& path, int maxFrames = 1 << 30);
// The frames of the given numbers as ffmpeg decodes the file in sequence (edit lists honoured, each frame
// once), in RGB32; numbers beyond the last frame give none. Empty on failure.
std::map<int, QImage> FfmpegFramesAt(const QString& path, const std::set<int>& frames);
// Largest difference of one colour channel between two images of the same size (255 when sizes differ).
int MaxChannelDifference(const QImage& a, const QImage& b);
