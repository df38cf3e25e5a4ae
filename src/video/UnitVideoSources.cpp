// The three frame sources, the choice of framework for a file, frame navigation and playback.
#include "video/UnitVideoSources.h"

#include "common/UnitWriterComment.h"
#include "video/UnitDSPlay.h"
#include "video/UnitFFMpegPlay.h"
#include "video/UnitVfwPlay.h"

#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>

const QStringList& VideoExtensions()
{
    static const QStringList extensions = {QStringLiteral(".avi"),  QStringLiteral(".mpg"),
                                           QStringLiteral(".mpeg"), QStringLiteral(".wmv"),
                                           QStringLiteral(".mov"),  QStringLiteral(".mp4")};
    return extensions;
}

int FrameworkOfExtension(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty())
        return -1;
    const int entry = static_cast<int>(VideoExtensions().indexOf(QStringLiteral(".") + suffix.toLower()));
    if (entry < 0)
        return -1;
    return entry == 0 ? 0 : entry <= 3 ? 1 : 2;
}

QString VideoOpenFilter()
{
    QStringList patterns;
    for (const QString& extension : VideoExtensions())
        patterns << QStringLiteral("*") + extension;
    const QString list = patterns.join(QLatin1Char(';'));
    return QStringLiteral("Video file (%1)|%2|Kinotra file (*.ktr)|*.ktr").arg(list, list);
}

bool SetFrameTimes(TFrameSource& source, double framesPerSecond)
{
    if (!std::isfinite(framesPerSecond) || framesPerSecond <= 0.0)
        return false;
    const double period = 1.0 / framesPerSecond;
    const double delay = std::round(1000.0 * period);
    if (!(delay <= 65535.0))
        return false;
    source.FramesPerSecond = framesPerSecond;
    source.SecondsPerFrame = period;
    source.DelayMs = static_cast<std::uint16_t>(delay);
    return true;
}

TVideoSources::TVideoSources()
    : TVideoSources(std::make_unique<TVfwPlay>(), std::make_unique<TDSPlay>(),
                    std::make_unique<TFFMpegPlay>(),
                    [](const QString& path) { return TFFMpegPlay::Comment(path); })
{
}

TVideoSources::TVideoSources(std::unique_ptr<TFrameSource> builtIn, std::unique_ptr<TFrameSource> gstreamer,
                             std::unique_ptr<TFrameSource> ffmpeg, TCommentReader comment)
    : FComment(std::move(comment)), FTimer(std::make_unique<QTimer>())
{
    FSources[0] = std::move(builtIn);
    FSources[1] = std::move(gstreamer);
    FSources[2] = std::move(ffmpeg);
    for (auto& source : FSources)
        Wire(*source);
    FTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(FTimer.get(), &QTimer::timeout, [this] { Tick(); });
}

TVideoSources::~TVideoSources()
{
    FTimer->stop();
    for (auto& source : FSources) {
        source->OnOpen = nullptr;
        source->OnClose = nullptr;
        source->OnError = nullptr;
    }
}

void TVideoSources::ReplaceSource(int framework, std::unique_ptr<TFrameSource> source)
{
    if (framework < 0 || framework > 2 || !source)
        return;
    Stop();
    TFrameSource& old = *FSources[framework];
    old.OnClose = nullptr;
    if (old.Opened)
        old.Close();
    old.OnOpen = nullptr;
    old.OnError = nullptr;
    FSources[framework] = std::move(source);
    Wire(*FSources[framework]);
}

std::vector<double> TVideoSources::FrameTimes() const
{
    return IsOpen() ? Source().FrameTimes() : std::vector<double>();
}

void TVideoSources::Wire(TFrameSource& source)
{
    source.OnOpen = [this] {
        if (OnOpen)
            OnOpen();
    };
    // While a file is being opened the sources close themselves once per attempt; the owner hears of the
    // closing of the previous video once, from OpenVideo.
    source.OnClose = [this] {
        if (!FOpening && OnClose)
            OnClose();
    };
    source.OnError = [this](const QString& text) {
        Stop();
        if (OnError)
            OnError(text);
    };
}

bool TVideoSources::OpenVideo(const QString& path)
{
    ErrorText.clear();
    Stop();
    if (path.isEmpty()) {
        Source().Close();
        return false;
    }
    // A new file releases whatever the previous one holds, in whichever framework opened it.
    bool wasOpen = false;
    FOpening = true;
    for (auto& source : FSources) {
        if (source->Opened) {
            wasOpen = true;
            source->Close();
        }
    }
    if (wasOpen && OnClose)
        OnClose();

    const int byExtension = FrameworkOfExtension(path);
    if (byExtension >= 0)
        Framework = static_cast<std::uint8_t>(byExtension);
    if (FComment && FComment(path).compare(QLatin1String(OwnWriterComment), Qt::CaseInsensitive) == 0)
        Framework = 2;
    if (Framework == 0 && !FSources[0]->Open(path))
        Framework = 1;
    if (Framework == 1 && !FSources[1]->Open(path))
        Framework = 2;
    if (Framework == 2) {
        FSources[2]->Open(path);
        ErrorText = FSources[2]->ErrorText;
    }
    FOpening = false;
    return IsOpen();
}

bool TVideoSources::IsOpen() const
{
    return Source().Opened;
}

TFrameSource& TVideoSources::Source()
{
    return *FSources[std::min<int>(Framework, 2)];
}

const TFrameSource& TVideoSources::Source() const
{
    return *FSources[std::min<int>(Framework, 2)];
}

TFrameSource& TVideoSources::SourceOf(int framework)
{
    return *FSources[std::clamp(framework, 0, 2)];
}

int TVideoSources::FrameOf(int position) const
{
    if (EditingMode || !FrameAtPosition)
        return position >= 0 && position < FrameCount() ? position : -1;
    return FrameAtPosition(position);
}

int TVideoSources::PositionOf(int frame) const
{
    if (EditingMode || !PositionOfFrame)
        return frame >= 0 && frame < FrameCount() ? frame : -1;
    return PositionOfFrame(frame);
}

int TVideoSources::FrameCount() const
{
    return IsOpen() ? Source().FrameCount : 0;
}

int TVideoSources::FrameCountVisible() const
{
    if (!IsOpen())
        return 0;
    if (EditingMode || !VisibleCount)
        return Source().FrameCount;
    return VisibleCount();
}

int TVideoSources::CurrentFrame() const
{
    return Source().CurrentFrame;
}

int TVideoSources::CurrentPosition() const
{
    return EditingMode ? CurrentFrame() : PositionOf(CurrentFrame());
}

void TVideoSources::GoToPosition(int position)
{
    Stop();
    if (!IsOpen())
        return;
    const int frame = FrameOf(position);
    if (frame >= 0 && frame != CurrentFrame())
        Source().Seek(frame);
}

void TVideoSources::ShowFrame(int frame)
{
    if (IsOpen())
        Source().Seek(frame);
}

bool TVideoSources::Draw(QImage& target, const QRect& source, int rasterOp)
{
    return IsOpen() && Source().Draw(target, source, rasterOp);
}

int TVideoSources::FrameWidth() const
{
    return Source().FrameWidth;
}

int TVideoSources::FrameHeight() const
{
    return Source().FrameHeight;
}

double TVideoSources::SecondsPerFrame() const
{
    return Source().SecondsPerFrame;
}

double TVideoSources::FramesPerSecond() const
{
    return Source().FramesPerSecond;
}

double TVideoSources::Duration() const
{
    const TFrameSource& source = Source();
    return source.Duration > 0.0 ? source.Duration : source.FrameCount * source.SecondsPerFrame;
}

QString TVideoSources::VideoFileName() const
{
    return Source().FileName;
}

void TVideoSources::Play(int first, int last)
{
    Stop();
    if (!IsOpen())
        return;
    const int firstFrame = FrameOf(first);
    int lastFrame = FrameOf(last);
    if (firstFrame < 0)
        return;
    if (lastFrame < 0)
        lastFrame = FrameOf(FrameCountVisible() - 1);
    FPlayFirst = firstFrame;
    FPlayLast = lastFrame;
    ShowFrame(firstFrame);
    if (OnFrame)
        OnFrame();
    if (!IsOpen()) // a reading error closed the video
        return;
    FTimer->start(std::max<int>(1, Source().DelayMs));
}

void TVideoSources::Stop()
{
    FTimer->stop();
}

bool TVideoSources::Playing() const
{
    return FTimer->isActive();
}

void TVideoSources::Tick()
{
    if (!IsOpen()) {
        Stop();
        return;
    }
    const int current = CurrentFrame();
    int next = current + 1;
    if (!EditingMode) {
        const int position = PositionOf(current);
        next = position >= 0 ? FrameOf(position + 1) : -1;
    }
    if (next < FPlayFirst || next > FPlayLast || next < 0) {
        Stop();
        return;
    }
    Source().Seek(next);
    if (Playing() && !Source().Drawing && OnFrame)
        OnFrame();
}
