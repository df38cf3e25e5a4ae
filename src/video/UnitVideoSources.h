// The three frame sources, the choice of framework for a file, frame navigation and playback.
#pragma once

#include "video/UnitFrameSource.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

// Video extensions in their fixed order: ".avi" (framework 0), ".mpg", ".mpeg", ".wmv" (framework 1),
// ".mov", ".mp4" (framework 2).
const QStringList& VideoExtensions();
// The framework that the extension of path selects; -1 when the extension is not in the list.
int FrameworkOfExtension(const QString& path);
// Filter of the open dialog: "Video file (*.avi;...)|*.avi;...|Kinotra file (*.ktr)|*.ktr".
QString VideoOpenFilter();

// Sets FramesPerSecond, SecondsPerFrame (seconds) and DelayMs (milliseconds, rounded) of a source from its
// frame rate. False, with nothing changed, when the rate is not a positive number or the period would exceed
// 65.535 s: the source must then refuse to open.
bool SetFrameTimes(TFrameSource& source, double framesPerSecond);

// Owns one source per framework for its whole life (0 the built-in AVI reader, 1 GStreamer, 2 FFmpeg),
// chooses the framework of each file and offers navigation and playback on the current one. Frames are
// 0-based frames of the file; positions are 0-based indexes in the edited sequence, which the owner supplies
// through FrameAtPosition / PositionOfFrame / VisibleCount (without them every frame is visible).
// Everything runs on the user-interface thread, the playback timer included.
class TVideoSources
{
public:
    using TCommentReader = std::function<QString(const QString& path)>;

    TVideoSources();
    // With other sources (tests); comment reads a file's comment (empty: no check).
    TVideoSources(std::unique_ptr<TFrameSource> builtIn, std::unique_ptr<TFrameSource> gstreamer,
                  std::unique_ptr<TFrameSource> ffmpeg, TCommentReader comment);
    ~TVideoSources();
    TVideoSources(const TVideoSources&) = delete;
    TVideoSources& operator=(const TVideoSources&) = delete;

    // Framework of the current (or last opened) file: 0 at start, then the one that opened the last file.
    std::uint8_t Framework = 0;
    // Why the last open failed, when the FFmpeg source could tell.
    QString ErrorText;

    // Chooses the framework by the extension (an unknown one keeps the previous framework), then by the
    // comment of files written by the program itself (always FFmpeg), and opens; a framework that fails
    // passes the file on: built-in AVI reader -> GStreamer -> FFmpeg. An empty path closes the video.
    // On success the caller resets what depends on the video (edited sequence, frame period).
    bool OpenVideo(const QString& path);
    bool IsOpen() const;
    TFrameSource& Source();
    const TFrameSource& Source() const;
    TFrameSource& SourceOf(int framework);
    // Puts another source in the place of a framework's (tests: synthetic clips); the old one is closed.
    void ReplaceSource(int framework, std::unique_ptr<TFrameSource> source);

    // Navigation. Outside the editing mode the view navigates by positions of the edited sequence.
    bool EditingMode = false;
    std::function<int(int position)> FrameAtPosition;
    std::function<int(int frame)> PositionOfFrame;
    std::function<int()> VisibleCount;

    int FrameCount() const; // frames of the file, 0 without video
    // Positions outside the editing mode, frames of the file in it; 0 without video.
    int FrameCountVisible() const;
    int CurrentFrame() const;
    int CurrentPosition() const;
    // Stops playback and moves to the frame of the position (the frame itself in the editing mode).
    void GoToPosition(int position);
    void ShowFrame(int frame);
    bool Draw(QImage& target, const QRect& source, int rasterOp);

    int FrameWidth() const;
    int FrameHeight() const;
    double SecondsPerFrame() const;
    double FramesPerSecond() const;
    // Seconds: the source's own length when it knows one, else frames x period.
    double Duration() const;
    QString VideoFileName() const;
    // Presentation times of the frames of the file in seconds, frame 0 at 0; empty without video.
    std::vector<double> FrameTimes() const;

    // Plays the positions first..last (frames in the editing mode) with a timer of DelayMs: shows the
    // first, then one step of the edited sequence per tick until last. OnFrame asks for a repaint.
    void Play(int first, int last);
    void Stop();
    bool Playing() const;

    std::function<void()> OnOpen;
    std::function<void()> OnClose;
    std::function<void(const QString&)> OnError; // a reading error; playback has been stopped
    std::function<void()> OnFrame;               // playback moved to another frame

private:
    void Wire(TFrameSource& source);
    int FrameOf(int position) const;
    int PositionOf(int frame) const;
    void Tick();

    std::unique_ptr<TFrameSource> FSources[3];
    TCommentReader FComment;
    std::unique_ptr<QTimer> FTimer;
    int FPlayFirst = 0; // frames of the file
    int FPlayLast = 0;
    bool FOpening = false;
};
