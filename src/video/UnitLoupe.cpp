// The magnifier: geometry, painting with its cross-hair, and its mouse handling.
#include "video/UnitLoupe.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

void TLoupe::PlaceIn(const QSize& view)
{
    const int w = view.width() / 5;
    const int h = view.height() / 5;
    Bounds = QRect(view.width() - w - 2, 2, w, h);
}

QSize TLoupe::SourceSize() const
{
    return QSize(int(std::lround(Bounds.width() * 100.0 / Magnification)),
                 int(std::lround(Bounds.height() * 100.0 / Magnification)));
}

QRect TLoupe::SourceRect() const
{
    const QSize s = SourceSize();
    return QRect(Centre.x() - s.width() / 2, Centre.y() - s.height() / 2, s.width(), s.height());
}

void TLoupe::Paint(QPainter& painter, const QImage& backBuffer) const
{
    if (!Visible || Bounds.isEmpty())
        return;
    const int w = Bounds.width(), h = Bounds.height();
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
        QPainter p(&picture);
        // Only the part of the source region that lies on the back buffer is copied; the rest stays black.
        const QRect source = SourceRect();
        const QRect inside = source.intersected(backBuffer.rect());
        if (!inside.isEmpty()) {
            const double sx = double(w) / source.width(), sy = double(h) / source.height();
            const QRectF target((inside.left() - source.left()) * sx, (inside.top() - source.top()) * sy,
                                inside.width() * sx, inside.height() * sy);
            p.drawImage(target, backBuffer, inside);
        }
        const int cx = w / 2, cy = h / 2;
        auto vertical = [&](int x) {
            p.drawLine(x, 0, x, cy - 2);
            p.drawLine(x, cy + 3, x, h - 1);
        };
        auto horizontal = [&](int y) {
            p.drawLine(0, y, cx - 2, y);
            p.drawLine(cx + 3, y, w - 1, y);
        };
        p.setPen(Qt::black);
        vertical(cx - 1);
        vertical(cx + 1);
        horizontal(cy - 1);
        horizontal(cy + 1);
        p.setPen(Qt::white);
        vertical(cx);
        horizontal(cy);
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, w - 1, h - 1);
    }
    painter.drawImage(Bounds.topLeft(), picture);
}

bool TLoupe::MouseDown(int button, const QPoint& p)
{
    if (!Contains(p))
        return false;
    if (InDragBand(p)) {
        FDragging = true;
        FAnchor = p;
        return true;
    }
    if (button == 0)
        Magnification = std::min(MaxMagnification, Magnification + 100);
    else if (button == 1)
        Magnification = std::max(MinMagnification, Magnification - 100);
    return true;
}

bool TLoupe::MouseMove(const QPoint& p, const QSize& view)
{
    if (!FDragging)
        return false;
    QRect moved = Bounds.translated(p - FAnchor);
    moved.moveLeft(std::clamp(moved.left(), 0, std::max(0, view.width() - moved.width())));
    moved.moveTop(std::clamp(moved.top(), 0, std::max(0, view.height() - moved.height())));
    FAnchor += moved.topLeft() - Bounds.topLeft();
    Bounds = moved;
    return true;
}
