// Frame source of framework 0: the built-in AVI reader (uncompressed and Motion-JPEG streams).
#include "video/UnitVfwPlay.h"

#include "video/UnitAviReader.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QString StatusText(int status)
{
    switch (status) {
    case asCannotRead:
        return QStringLiteral("The file cannot be read.");
    case asNotAvi:
        return QStringLiteral("The file is not an AVI file.");
    case asNoVideo:
        return QStringLiteral("The file has no readable video stream.");
    case asBadFormat:
        return QStringLiteral("The frame size of the video stream is not valid.");
    default:
        return QStringLiteral("The video stream has no frames.");
    }
}

} // namespace

TVfwPlay::TVfwPlay() = default;
TVfwPlay::~TVfwPlay() = default;

void TVfwPlay::Release()
{
    FReader.reset();
    Opened = false;
    FrameCount = 0;
    CurrentFrame = 0;
}

bool TVfwPlay::Fail(const QString& reason)
{
    Release();
    ErrorText = reason;
    return false;
}

bool TVfwPlay::Open(const QString& path)
{
    Close();
    FileName = path;
    ErrorText.clear();
    FReader = std::make_unique<TAviReader>();
    const int status = FReader->Open(OpenAviFileInput(path));
    if (status != asOk)
        return Fail(StatusText(status));
    const TAviVideoFormat& format = FReader->Format();
    if (format.Codec == TAviCodec::Unsupported) {
        const QByteArray code(reinterpret_cast<const char*>(&format.Compression), 4);
        return Fail(QStringLiteral("The built-in AVI reader does not decode this compression (%1).")
                        .arg(QString::fromLatin1(code).trimmed()));
    }
    if (format.Rate == 0 || format.Scale == 0)
        return Fail(QStringLiteral("The video stream has no frame rate."));
    FramesPerSecond = double(format.Rate) / format.Scale;
    SecondsPerFrame = double(format.Scale) / format.Rate;
    const double delay = std::round(1000.0 * SecondsPerFrame);
    if (delay > 65535.0)
        return Fail(QStringLiteral("The frame period is longer than 65.535 s."));
    DelayMs = static_cast<std::uint16_t>(delay);
    FrameCount = FReader->FrameCount();
    FrameWidth = format.Width;
    FrameHeight = format.Height;
    Duration = FrameCount * SecondsPerFrame;
    // Frames are numbered from 0 in the index; a stream that starts later still opens on its first frame
    // present in the file.
    CurrentFrame = int(std::min<std::int64_t>(format.Start, FrameCount - 1));
    if (!FReader->ReadFrame(CurrentFrame))
        return Fail(QStringLiteral("The first frame of the video cannot be decoded."));
    Opened = true;
    if (OnOpen)
        OnOpen();
    return true;
}

void TVfwPlay::Close()
{
    Release();
    if (OnClose)
        OnClose();
}

void TVfwPlay::Seek(int frame)
{
    if (!Opened)
        return;
    CurrentFrame = std::clamp(frame, 0, FrameCount - 1);
}

bool TVfwPlay::Draw(QImage& target, const QRect& source, int rasterOp)
{
    if (!Opened || Drawing)
        return false;
    Drawing = true;
    const bool done =
        FReader->ReadFrame(CurrentFrame) && StretchFrame(FReader->Picture(), target, source, rasterOp);
    Drawing = false;
    return done;
}
