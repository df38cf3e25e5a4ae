// Zoom steps, the visible source region and the conversions of the video view.
#include "video/UnitVideoGeometry.h"

#include <algorithm>
#include <cmath>

int TVideoGeometry::ZoomInStep(int zoom, bool fine)
{
    int z;
    if (fine)
        z = zoom + 10;
    else if (zoom < 200)
        z = 200;
    else if (zoom < 300)
        z = 300;
    else if (zoom < 400)
        z = 400;
    else if (zoom < 500)
        z = 500;
    else if (zoom < 600)
        z = 600;
    else
        z = 800;
    return std::clamp(z, MinZoom, MaxZoom);
}

int TVideoGeometry::ZoomOutStep(int zoom, bool fine)
{
    int z;
    if (fine)
        z = zoom - 10;
    else if (zoom <= 200)
        z = 100;
    else if (zoom <= 300)
        z = 200;
    else if (zoom <= 400)
        z = 300;
    else if (zoom <= 500)
        z = 400;
    else if (zoom <= 600)
        z = 500;
    else if (zoom > 800)
        z = 800;
    else
        z = 600;
    return std::clamp(z, MinZoom, MaxZoom);
}

int TVideoGeometry::ZoomByFactor(int zoom, double factor)
{
    if (!std::isfinite(factor))
        return zoom;
    const double scaled = std::round(zoom * factor);
    const double z = 10.0 * std::trunc(scaled / 10.0);
    return int(std::clamp(z, double(MinZoom), double(MaxZoom)));
}

void TVideoGeometry::SetFrameSize(int width, int height)
{
    FFrame = QSize(std::max(0, width), std::max(0, height));
    FZoom = 100;
    FSource = QRect(0, 0, FFrame.width(), FFrame.height());
    Recompute();
}

void TVideoGeometry::SetClientSize(int width, int height, int scrollBarExtent)
{
    FClient = QSize(std::max(0, width), std::max(0, height));
    FScrollExtent = std::max(0, scrollBarExtent);
    Recompute();
}

void TVideoGeometry::Recompute()
{
    if (FZoom <= 100)
        FBuffer = FClient;
    else
        FBuffer = QSize(std::max(0, FClient.width() - FScrollExtent),
                        std::max(0, FClient.height() - FScrollExtent));
    FDisplayW = FBuffer.width() * FZoom / 100.0;
    FDisplayH = FBuffer.height() * FZoom / 100.0;
    FOrigin.X = FFrame.width() > 0 ? double(FSource.left()) / FFrame.width() : 0.0;
    FOrigin.Y = FFrame.height() > 0 ? double(FSource.top()) / FFrame.height() : 0.0;
}

TPointRel TVideoGeometry::ToRelative(double x, double y) const
{
    TPointRel p;
    p.X = FDisplayW > 0 ? std::clamp(x / FDisplayW + FOrigin.X, 0.0, 1.0) : 0.0;
    p.Y = FDisplayH > 0 ? std::clamp(y / FDisplayH + FOrigin.Y, 0.0, 1.0) : 0.0;
    return p;
}

QPoint TVideoGeometry::ToView(const TPointRel& p) const
{
    return QPoint(int(std::lround((p.X - FOrigin.X) * FDisplayW)),
                  int(std::lround((p.Y - FOrigin.Y) * FDisplayH)));
}

void TVideoGeometry::ClampSource()
{
    const int w = std::clamp(FSource.width(), 1, std::max(1, FFrame.width()));
    const int h = std::clamp(FSource.height(), 1, std::max(1, FFrame.height()));
    const int left = std::clamp(FSource.left(), 0, std::max(0, FFrame.width() - w));
    const int top = std::clamp(FSource.top(), 0, std::max(0, FFrame.height() - h));
    FSource = QRect(left, top, w, h);
}

void TVideoGeometry::ZoomAt(int x, int y, int z1)
{
    if (FFrame.isEmpty() || FClient.isEmpty())
        return;
    z1 = std::clamp(z1, MinZoom, MaxZoom);
    const int z0 = FZoom;
    const double w = FFrame.width(), h = FFrame.height();
    const double cw = FClient.width(), ch = FClient.height();
    int left = FSource.left() + int(std::lround(w * (x * 100.0 / cw / z0 - 50.0 / z1)));
    int top = FSource.top() + int(std::lround(h * (y * 100.0 / ch / z0 - 50.0 / z1)));
    const int sw = int(std::lround(w * 100.0 / z1));
    const int sh = int(std::lround(h * 100.0 / z1));
    FSource = QRect(left, top, sw, sh);
    ClampSource();
    FZoom = z1;
    Recompute();
}

void TVideoGeometry::ZoomReset()
{
    FZoom = 100;
    FSource = QRect(0, 0, FFrame.width(), FFrame.height());
    Recompute();
}

bool TVideoGeometry::ZoomRectangle(const QRect& rect)
{
    const QRect r = rect.normalized();
    if (r.width() < 10 || r.height() < 10)
        return false;
    const double factor =
        std::min(double(FBuffer.width()) / r.width(), double(FBuffer.height()) / r.height());
    const int z1 = ZoomByFactor(FZoom, factor);
    ZoomAt(r.center().x(), r.center().y(), z1);
    return true;
}

void TVideoGeometry::ScrollTo(int horizontal, int vertical)
{
    if (FDisplayW <= 0 || FDisplayH <= 0)
        return;
    FSource.moveLeft(int(std::lround(FFrame.width() * horizontal / FDisplayW)));
    FSource.moveTop(int(std::lround(FFrame.height() * vertical / FDisplayH)));
    ClampSource();
    Recompute();
}

bool TVideoGeometry::Pan(int dx, int dy)
{
    if (FClient.isEmpty())
        return false;
    const QRect before = FSource;
    FSource.moveLeft(FSource.left() - int(std::lround(double(dx) * FSource.width() / FClient.width())));
    FSource.moveTop(FSource.top() - int(std::lround(double(dy) * FSource.height() / FClient.height())));
    ClampSource();
    Recompute();
    return FSource != before;
}

QPoint TVideoGeometry::ScrollPosition() const
{
    if (FFrame.isEmpty())
        return {};
    return QPoint(int(std::lround(double(FSource.left()) / FFrame.width() * FDisplayW)),
                  int(std::lround(double(FSource.top()) / FFrame.height() * FDisplayH)));
}
