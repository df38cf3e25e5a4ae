// The value bubble of the graph.
#include "graph/UnitBulle.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <algorithm>

TBulle::TBulle(QWidget* parent) : QWidget(parent)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    setFont(font);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

int TBulle::TextWidth() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& line : FLines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

int TBulle::TextHeight() const
{
    return QFontMetrics(font()).height() * int(FLines.size());
}

QRect TBulle::LayoutRect(QSize parent) const
{
    const int w = TextWidth() + 20;
    const int h = TextHeight() + 4;
    const int right = parent.width() - w - 2;
    const int bottom = parent.height() - TextHeight() - 6;
    QPoint at(1, 1);
    if (right >= 1) {
        switch (FPlace) {
        case bpUpRight:
            at = QPoint(right, 1);
            break;
        case bpDownLeft:
            at = QPoint(1, std::max(1, bottom));
            break;
        case bpDownRight:
            at = QPoint(right, std::max(1, bottom));
            break;
        default:
            break;
        }
    }
    return QRect(at, QSize(w, h));
}

void TBulle::Relayout()
{
    const QSize parent = parentWidget() ? parentWidget()->size() : QSize();
    setGeometry(LayoutRect(parent));
}

void TBulle::SetPlace(TBullePlace place)
{
    FPlace = place;
    if (place == bpNone) {
        hide();
        return;
    }
    Relayout();
}

void TBulle::ShowValues(const QStringList& lines)
{
    const bool sameCount = lines.size() == FLines.size();
    FLines = lines;
    if (!sameCount || isHidden() || width() - TextWidth() < 8)
        Relayout();
    if (FPlace == bpNone) {
        hide();
        return;
    }
    show();
    raise();
    update();
}

void TBulle::DrawBubble(QPainter& painter) const
{
    const QRect box(0, 0, width(), height());
    if (box.isEmpty())
        return;
    painter.save();
    painter.fillRect(box, palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::Button));
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomRight());
    painter.setFont(font());
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font());
    int y = 2;
    for (const QString& line : FLines) {
        painter.drawText(QRect(4, y, box.width() - 4, metrics.height()), Qt::AlignLeft | Qt::AlignTop, line);
        y += metrics.height();
    }
    painter.restore();
}

void TBulle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawBubble(painter);
}
