// Painting of one datasheet cell.
#include "results/UnitGridPaint.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QPolygon>
#include <algorithm>
#include <cmath>

TGridColors TGridColors::System()
{
    const QPalette palette = QGuiApplication::palette();
    TGridColors colors;
    colors.ButtonText = palette.color(QPalette::ButtonText);
    colors.ButtonShadow = palette.color(QPalette::Dark);
    colors.Light3D = palette.color(QPalette::Midlight);
    colors.Face = palette.color(QPalette::Button);
    return colors;
}

namespace {

// One arrow: a filled triangle, its lower edge (bottom corner to apex) in the shadow colour and its
// upper edge (apex to top corner) in the light colour.
void DrawArrow(QPainter& painter, QPoint apex, QPoint top, QPoint bottom, const TGridColors& colors)
{
    painter.setPen(QPen(ArrowColor, 1));
    painter.setBrush(ArrowColor);
    painter.drawPolygon(QPolygon({apex, top, bottom}));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colors.ButtonShadow, 1));
    painter.drawLine(bottom, apex);
    painter.setPen(QPen(colors.Light3D, 1));
    painter.drawLine(apex, top);
}

} // namespace

void DrawGridCell(QPainter& painter, const QRect& rect, const QColor& background, const QString& text,
                  int flags, bool bold, const QColor& fontColor, const TGridColors& colors)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Edges as exclusive coordinates: the cell covers [left, right) x [top, bottom).
    const int left = rect.left();
    const int top = rect.top();
    const int width = rect.width();
    const int height = rect.height();
    const int right = left + width;
    const int bottom = top + height;

    painter.fillRect(rect, background);

    if (flags & dgFrame) {
        // Covers the grid lines around the cell: columns left - 1 and right, rows top - 1 and bottom.
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(left - 1, top - 1, width + 1, height + 1));
    }

    const bool arrows = (flags & dgArrows) && width > ArrowMinWidth;
    if (arrows) {
        const int middle = (top + bottom) / 2;
        DrawArrow(painter, QPoint(left + 1, middle), QPoint(left + ArrowZone, top),
                  QPoint(left + ArrowZone, bottom - 1), colors);
        DrawArrow(painter, QPoint(right - 2, middle), QPoint(right - 1 - ArrowZone, top),
                  QPoint(right - 1 - ArrowZone, bottom - 1), colors);
    }

    const bool cross = (flags & dgCross) && width > height + CrossMargin;
    if (cross) {
        const int cx = (left + right) / 2;
        const int cy = (top + bottom) / 2;
        const int r = height / 2;
        const QRect circle(cx - r, cy - r, 2 * r, 2 * r);
        painter.setBrush(Qt::NoBrush);
        // A sunken rim: shadow on the upper left half, light on the lower right one (angles in 1/16°).
        painter.setPen(QPen(colors.ButtonShadow, 1));
        painter.drawArc(circle, 45 * 16, 180 * 16);
        painter.setPen(QPen(colors.Light3D, 1));
        painter.drawArc(circle, 225 * 16, 180 * 16);
        const int f = static_cast<int>(std::lround(0.12 * height));
        painter.setPen(QPen(CrossColor, 3));
        painter.drawLine(cx - f, cy - f - 1, cx + f, cy + f);
        painter.drawLine(cx + f, cy - f - 1, cx - f, cy + f);
    }

    if (!arrows && !cross && !text.isEmpty()) {
        QFont font = painter.font();
        font.setBold(bold);
        painter.setFont(font);
        painter.setPen(fontColor);
        painter.setClipRect(rect);
        const QFontMetrics metrics = painter.fontMetrics();
        const int x =
            (flags & dgCentre) ? left + std::max(2, (width - metrics.horizontalAdvance(text)) / 2) : left + 2;
        painter.drawText(QPoint(x, top + 1 + metrics.ascent()), text);
    }
    painter.restore();
}
