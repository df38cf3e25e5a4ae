// The headless tracking command.
#include "tracking/UnitTrackCommand.h"

#include "tracking/UnitTracking.h"

#include <QStringList>
#include <QTextStream>

namespace {

// The corners of the pixels x..x+w-1 by y..y+h-1 as relative points, a closed broken line.
TPointDDynArray RectOutline(const QRect& rect, const QSize& frame)
{
    const double w = frame.width();
    const double h = frame.height();
    const double x0 = rect.left() / w, x1 = rect.right() / w;
    const double y0 = rect.top() / h, y1 = rect.bottom() / h;
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

} // namespace

bool ParseTrackRect(const QString& text, QRect& rect)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    int values[4];
    for (int k = 0; k < 4; ++k) {
        bool ok = false;
        values[k] = parts[k].trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    rect = QRect(values[0], values[1], values[2], values[3]);
    return true;
}

int RunTrackCommand(const TTrackRequest& request, int frameCount, const std::function<QImage(int)>& frameAt,
                    int defaultRadius, QString& csv, QString& message)
{
    csv.clear();
    message.clear();
    if (request.Frame < 0 || request.Frame >= frameCount) {
        message = QStringLiteral("Frame %1 is out of range (0 to %2)").arg(request.Frame).arg(frameCount - 1);
        return 1;
    }
    if (request.Frame == frameCount - 1) {
        message =
            QStringLiteral("The sequence starts with the last frame of the video (tracking not necessary)");
        return 1;
    }
    const int last = request.Last < 0 ? frameCount - 1 : request.Last;
    if (last <= request.Frame || last >= frameCount) {
        message = QStringLiteral("Last frame %1 is out of range (%2 to %3)")
                      .arg(request.Last)
                      .arg(request.Frame + 1)
                      .arg(frameCount - 1);
        return 1;
    }
    const int radius = request.Radius < 0 ? defaultRadius : request.Radius;
    if (radius < TMeanShift::MinRadius || radius > TMeanShift::MaxRadius) {
        message = QStringLiteral("Search radius %1 is out of range (%2 to %3)")
                      .arg(radius)
                      .arg(TMeanShift::MinRadius)
                      .arg(TMeanShift::MaxRadius);
        return 1;
    }
    const QImage first = frameAt ? frameAt(request.Frame) : QImage();
    if (first.isNull()) {
        message = QStringLiteral("Frame %1 could not be read").arg(request.Frame);
        return 1;
    }
    const QRect frameRect = first.rect();
    if (request.Rect.isEmpty() || !frameRect.contains(request.Rect)) {
        message = QStringLiteral("The rectangle must be non-empty and inside the frame (%1 x %2 pixels)")
                      .arg(frameRect.width())
                      .arg(frameRect.height());
        return 1;
    }
    for (const QRect& zone : request.Ignore)
        if (zone.isEmpty()) {
            message = QStringLiteral("A zone to ignore is empty");
            return 1;
        }

    TTracking tracking;
    tracking.Reset(1, frameCount);
    tracking.SetSearchRadius(radius);
    tracking.FramesPerSecond = request.FramesPerSecond;
    tracking.FrameAt = [&](int frame) { return frame == request.Frame ? first : frameAt(frame); };
    for (const QRect& zone : request.Ignore)
        tracking.AddZone(RectOutline(zone, frameRect.size()));
    if (!tracking.SetOutline(RectOutline(request.Rect, frameRect.size()), request.Frame, first)) {
        message = QStringLiteral("The rectangle cannot serve as a target");
        return 1;
    }
    tracking.SetLastFrame(last);
    tracking.StartStop();
    if (tracking.EndReason == teUniform || tracking.EndReason == teNoTarget) {
        message = tracking.EndMessage(0);
        return 1;
    }

    QTextStream out(&csv);
    out << "frame,x,y,confidence\n";
    const double w = frameRect.width();
    const double h = frameRect.height();
    for (int f = request.Frame; f <= last; ++f) {
        if (tracking.TrackedFrame[0][f] < 0)
            continue;
        const QPointF& rel = tracking.TrackedPositionRel[0][f];
        out << f << ',' << QString::number(rel.x() * w, 'f', 3) << ',' << QString::number(rel.y() * h, 'f', 3)
            << ',' << QString::number(tracking.TrackedConfidence[0][f], 'f', 4) << '\n';
    }
    message = tracking.EndMessage(0);
    return 0;
}
