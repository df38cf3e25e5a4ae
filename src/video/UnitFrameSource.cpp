// What every frame source shares: drawing a region of a decoded frame onto the caller's bitmap.
#include "video/UnitFrameSource.h"

#include <QPainter>

bool StretchFrame(const QImage& frame, QImage& target, const QRect& source, int rasterOp)
{
    if (frame.isNull() || target.isNull() || source.isEmpty())
        return false;
    {
        QPainter painter(&target);
        if (!painter.isActive())
            return false;
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target.rect(), frame, source);
    }
    if (rasterOp == NOTSRCCOPY)
        target.invertPixels();
    return true;
}

std::vector<double> TFrameSource::FrameTimes() const
{
    std::vector<double> times;
    if (!Opened || FrameCount <= 0)
        return times;
    times.reserve(static_cast<std::size_t>(FrameCount));
    for (int k = 0; k < FrameCount; ++k)
        times.push_back(k * SecondsPerFrame);
    return times;
}
