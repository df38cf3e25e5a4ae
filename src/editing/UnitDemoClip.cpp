// The demonstration clip: a ball thrown in front of a 1 m ruler, drawn frame by frame, with its exact motion.
#include "editing/UnitDemoClip.h"

#include "editing/UnitFFMpegRecord.h"

#include <QPainter>

namespace {

constexpr double OriginX = 40.0;  // image x of the ruler's left end, pixels
constexpr double GroundY = 440.0; // image y of the ground line, pixels
constexpr double RulerThickness = 12.0;

} // namespace

QPointF TDemoClip::ToImage(double x, double y)
{
    return {OriginX + x * PixelsPerMetre, GroundY - y * PixelsPerMetre};
}

QPointF TDemoClip::RulerLeft()
{
    return ToImage(0.0, 0.0);
}

QPointF TDemoClip::RulerRight()
{
    return ToImage(1.0, 0.0);
}

QPointF TDemoClip::BallWorld(double t)
{
    return {StartX + SpeedX * t, StartY + SpeedY * t - 0.5 * Gravity * t * t};
}

QPointF TDemoClip::BallCentre(int frame)
{
    const QPointF world = BallWorld(static_cast<double>(frame) / FramesPerSecond);
    return ToImage(world.x(), world.y());
}

QImage TDemoClip::Frame(int frame)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    // Sky and ground.
    painter.fillRect(QRectF(0, 0, Width, GroundY), QColor(190, 215, 235));
    painter.fillRect(QRectF(0, GroundY, Width, Height - GroundY), QColor(110, 130, 80));
    // The ruler lies on the ground: its top edge is the measuring edge, with a tick every 10 cm.
    const QPointF left = RulerLeft();
    painter.fillRect(QRectF(left.x(), GroundY, PixelsPerMetre, RulerThickness), QColor(245, 215, 60));
    painter.setPen(QPen(Qt::black, 1.0));
    for (int tick = 0; tick <= 10; ++tick) {
        const double x = left.x() + tick * PixelsPerMetre / 10.0;
        const double length = tick % 5 == 0 ? RulerThickness : RulerThickness / 2.0;
        painter.drawLine(QLineF(x, GroundY, x, GroundY + length));
    }
    painter.setPen(Qt::white);
    painter.drawText(QRectF(left.x() + PixelsPerMetre + 6.0, GroundY, 60.0, RulerThickness + 8.0),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("1 m"));
    // The ball.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 30, 30));
    painter.drawEllipse(BallCentre(frame), BallRadius, BallRadius);
    return image;
}

bool TDemoClip::Write(const QString& path, QString& error)
{
    TFFMpegRecord writer;
    writer.Width = Width;
    writer.Height = Height;
    writer.FramesPerSecond = FramesPerSecond;
    writer.FileName = path;
    writer.CodecIndex = 0;
    bool ok = writer.Open();
    for (int frame = 0; ok && frame < FrameCount; ++frame)
        ok = writer.AddFrame(Frame(frame));
    ok = ok && writer.Close();
    if (!ok)
        error = writer.Detail.isEmpty() ? writer.ErrorText() : writer.Detail;
    return ok;
}
