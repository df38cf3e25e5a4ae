// A string grid control with fixed rows and columns and owner-drawn cells.
#include "results/UnitCellGrid.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

namespace {
// Half-width of the zone around a column's right edge where a press starts resizing it, pixels.
constexpr int SizingZone = 2;
const QColor FixedLineColor(128, 128, 128);
const QColor CellLineColor(192, 192, 192);
} // namespace

TCellGrid::TCellGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    FFixedColor = palette().color(QPalette::Button);
    FColWidths.assign(FColCount, FDefaultColWidth);
    FCells.assign(FRowCount, std::vector<QString>(FColCount));
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    UpdateScrollBars();
}

void TCellGrid::SetColCount(int count)
{
    count = std::max(0, count);
    if (count == FColCount)
        return;
    FColCount = count;
    FColWidths.resize(count, FDefaultColWidth);
    for (std::vector<QString>& row : FCells)
        row.resize(count);
    if (FSelCol >= count)
        SelectCell(count - 1, FSelRow);
    Resized();
}

void TCellGrid::SetRowCount(int count)
{
    count = std::max(0, count);
    if (count == FRowCount)
        return;
    FRowCount = count;
    FCells.resize(count, std::vector<QString>(FColCount));
    if (FSelRow >= count)
        SelectCell(FSelCol, count - 1);
    Resized();
}

void TCellGrid::SetFixedCols(int count)
{
    FFixedCols = std::max(0, count);
    Resized();
}

void TCellGrid::SetFixedRows(int count)
{
    FFixedRows = std::max(0, count);
    Resized();
}

void TCellGrid::SetDefaultColWidth(int width)
{
    FDefaultColWidth = std::max(0, width);
    std::fill(FColWidths.begin(), FColWidths.end(), FDefaultColWidth);
    Resized();
}

void TCellGrid::SetDefaultRowHeight(int height)
{
    FDefaultRowHeight = std::max(1, height);
    Resized();
}

int TCellGrid::ColWidth(int col) const
{
    return (col >= 0 && col < FColCount) ? FColWidths[col] : 0;
}

void TCellGrid::SetColWidth(int col, int width)
{
    if (col < 0 || col >= FColCount)
        return;
    FColWidths[col] = std::max(0, width);
    Resized();
}

QString TCellGrid::Cell(int col, int row) const
{
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount)
        return QString();
    return FCells[row][col];
}

void TCellGrid::SetCell(int col, int row, const QString& text)
{
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount)
        return;
    FCells[row][col] = text;
    viewport()->update();
}

void TCellGrid::SetColor(const QColor& color)
{
    FColor = color;
    viewport()->update();
}

void TCellGrid::SetFixedColor(const QColor& color)
{
    FFixedColor = color;
    viewport()->update();
}

void TCellGrid::SetTopRow(int row)
{
    verticalScrollBar()->setValue(row - FFixedRows);
}

void TCellGrid::SetLeftCol(int col)
{
    horizontalScrollBar()->setValue(col - FFixedCols);
}

int TCellGrid::FixedWidth() const
{
    int width = 0;
    for (int c = 0; c < std::min(FFixedCols, FColCount); ++c)
        width += FColWidths[c] + 1;
    return width;
}

int TCellGrid::FixedHeight() const
{
    return std::min(FFixedRows, FRowCount) * (FDefaultRowHeight + 1);
}

int TCellGrid::ColLeft(int col) const
{
    if (col < 0 || col >= FColCount)
        return -1;
    int x = 0;
    if (col < FFixedCols) {
        for (int c = 0; c < col; ++c)
            x += FColWidths[c] + 1;
        return x;
    }
    if (col < FLeftCol)
        return -1;
    x = FixedWidth();
    for (int c = FLeftCol; c < col; ++c)
        x += FColWidths[c] + 1;
    return x;
}

int TCellGrid::RowTop(int row) const
{
    if (row < 0 || row >= FRowCount)
        return -1;
    if (row < FFixedRows)
        return row * (FDefaultRowHeight + 1);
    if (row < FTopRow)
        return -1;
    return FixedHeight() + (row - FTopRow) * (FDefaultRowHeight + 1);
}

QRect TCellGrid::CellRect(int col, int row) const
{
    const int x = ColLeft(col);
    const int y = RowTop(row);
    const QSize size = viewport()->size();
    if (x < 0 || y < 0 || x >= size.width() || y >= size.height())
        return QRect();
    return QRect(x, y, FColWidths[col], FDefaultRowHeight);
}

bool TCellGrid::MouseToCell(const QPoint& point, int& col, int& row) const
{
    col = -1;
    row = -1;
    for (int c = 0; c < FColCount; ++c) {
        const int x = ColLeft(c);
        if (x >= 0 && point.x() >= x && point.x() <= x + FColWidths[c]) {
            col = c;
            break;
        }
    }
    for (int r = 0; r < FRowCount; ++r) {
        const int y = RowTop(r);
        if (y >= 0 && point.y() >= y && point.y() <= y + FDefaultRowHeight) {
            row = r;
            break;
        }
    }
    return col >= 0 && row >= 0;
}

int TCellGrid::SizingColumnAt(const QPoint& point) const
{
    if (point.y() < 0 || point.y() >= FixedHeight())
        return -1;
    for (int c = 0; c < FColCount; ++c) {
        const int x = ColLeft(c);
        if (x < 0)
            continue;
        const int edge = x + FColWidths[c]; // the grid line after the column
        if (std::abs(point.x() - edge) <= SizingZone)
            return c;
    }
    return -1;
}

void TCellGrid::Paint(QPainter& painter, const QRect& area)
{
    painter.save();
    painter.setFont(font());
    painter.fillRect(area, FColor);
    std::vector<int> rows, cols;
    for (int r = 0; r < FRowCount; ++r) {
        const int y = RowTop(r);
        if (y >= 0 && y <= area.bottom() && y + FDefaultRowHeight >= area.top())
            rows.push_back(r);
    }
    for (int c = 0; c < FColCount; ++c) {
        const int x = ColLeft(c);
        if (x >= 0 && x <= area.right() && x + FColWidths[c] >= area.left())
            cols.push_back(c);
    }
    // Grid lines first: owner drawing may paint over the lines around its cell.
    for (int r : rows)
        for (int c : cols) {
            const QRect rect(ColLeft(c), RowTop(r), FColWidths[c], FDefaultRowHeight);
            painter.setPen((c < FFixedCols || r < FFixedRows) ? FixedLineColor : CellLineColor);
            painter.drawLine(rect.right() + 1, rect.top(), rect.right() + 1, rect.bottom() + 1);
            painter.drawLine(rect.left(), rect.bottom() + 1, rect.right() + 1, rect.bottom() + 1);
        }
    for (int r : rows)
        for (int c : cols) {
            const QRect rect(ColLeft(c), RowTop(r), FColWidths[c], FDefaultRowHeight);
            if (rect.width() <= 0)
                continue;
            if (OnDrawCell) {
                OnDrawCell(painter, c, r, rect);
                continue;
            }
            const bool fixed = c < FFixedCols || r < FFixedRows;
            painter.fillRect(rect, fixed ? FFixedColor : FColor);
            painter.setPen(palette().color(QPalette::Text));
            painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, FCells[r][c]);
        }
    // The selected cell: the highlight colour laid over whatever its owner drew, and a frame.
    const int selLeft = ColLeft(FSelCol), selTop = RowTop(FSelRow);
    if (selLeft >= 0 && selTop >= 0) {
        const QRect rect(selLeft, selTop, FColWidths[FSelCol], FDefaultRowHeight);
        QColor highlight = palette().color(QPalette::Highlight);
        painter.setPen(QPen(highlight, 1));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        highlight.setAlpha(hasFocus() ? 90 : 50);
        painter.fillRect(rect, highlight);
    }
    painter.restore();
}

void TCellGrid::SelectCell(int col, int row)
{
    if (FColCount <= FFixedCols || FRowCount <= FFixedRows) {
        FSelCol = FSelRow = -1;
        viewport()->update();
        return;
    }
    FSelCol = std::clamp(col, FFixedCols, FColCount - 1);
    FSelRow = std::clamp(row, FFixedRows, FRowCount - 1);
    ScrollToCell(FSelCol, FSelRow);
    viewport()->update();
}

void TCellGrid::ScrollToCell(int col, int row)
{
    if (row >= FFixedRows && row < FRowCount) {
        const int pageRows = std::max(1, (viewport()->height() - FixedHeight()) / (FDefaultRowHeight + 1));
        if (row < FTopRow)
            SetTopRow(row);
        else if (row >= FTopRow + pageRows)
            SetTopRow(row - pageRows + 1);
    }
    if (col >= FFixedCols && col < FColCount) {
        if (col < FLeftCol) {
            SetLeftCol(col);
        } else {
            // The first left column from which col ends inside the viewport.
            const int room = viewport()->width() - FixedWidth();
            int left = col;
            int used = FColWidths[col] + 1;
            while (left > FFixedCols && used + FColWidths[left - 1] + 1 <= room) {
                used += FColWidths[left - 1] + 1;
                --left;
            }
            if (left > FLeftCol)
                SetLeftCol(left);
        }
    }
}

int TCellGrid::ContentWidth(int col, int minimum, int padding, int boldRow) const
{
    if (col < 0 || col >= FColCount)
        return minimum;
    const QFontMetrics plain(font());
    QFont boldFont = font();
    boldFont.setBold(true);
    const QFontMetrics bold(boldFont);
    int width = minimum;
    const QString* longest = nullptr;
    for (int r = 0; r < FRowCount; ++r) {
        const QString& text = FCells[r][col];
        if (r < FFixedRows)
            width = std::max(width, (r == boldRow ? bold : plain).horizontalAdvance(text) + padding);
        else if (!longest || text.size() > longest->size())
            longest = &text;
    }
    if (longest)
        width = std::max(width, plain.horizontalAdvance(*longest) + padding);
    return width;
}

void TCellGrid::keyPressEvent(QKeyEvent* event)
{
    if (FColCount <= FFixedCols || FRowCount <= FFixedRows) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const bool none = FSelCol < 0 || FSelRow < 0;
    const int col = none ? FFixedCols : FSelCol;
    const int row = none ? FFixedRows : FSelRow;
    const int page = std::max(1, (viewport()->height() - FixedHeight()) / (FDefaultRowHeight + 1));
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        SelectCell(none ? col : col - 1, row);
        break;
    case Qt::Key_Right:
        SelectCell(none ? col : col + 1, row);
        break;
    case Qt::Key_Up:
        SelectCell(col, none ? row : row - 1);
        break;
    case Qt::Key_Down:
        SelectCell(col, none ? row : row + 1);
        break;
    case Qt::Key_PageUp:
        SelectCell(col, row - page);
        break;
    case Qt::Key_PageDown:
        SelectCell(col, row + page);
        break;
    case Qt::Key_Home:
        SelectCell(FFixedCols, control ? FFixedRows : row);
        break;
    case Qt::Key_End:
        SelectCell(FColCount - 1, control ? FRowCount - 1 : row);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

QString TCellGrid::ToolTipAt(const QPoint& point) const
{
    int col = -1, row = -1;
    if (!MouseToCell(point, col, row))
        return QString();
    const QString& text = FCells[std::size_t(row)][std::size_t(col)];
    const QRect rect = CellRect(col, row);
    return !text.isEmpty() && QFontMetrics(font()).horizontalAdvance(text) + 4 > rect.width() ? text
                                                                                              : QString();
}

bool TCellGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && viewport()->toolTip().isEmpty()) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = ToolTipAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            int col = -1, row = -1;
            MouseToCell(help->pos(), col, row);
            QToolTip::showText(help->globalPos(), text, viewport(), CellRect(col, row));
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

QSize TCellGrid::sizeHint() const
{
    return {400, 300};
}

void TCellGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    Paint(painter, viewport()->rect());
}

void TCellGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TCellGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const int sizing = event->button() == Qt::LeftButton ? SizingColumnAt(point) : -1;
    if (sizing >= 0) {
        FSizingCol = sizing;
        FSizingLeft = ColLeft(sizing);
        return;
    }
    if (OnMouseDown)
        OnMouseDown(event->button(), point.x(), point.y());
    int col = -1, row = -1;
    if (event->button() == Qt::LeftButton && MouseToCell(point, col, row) && col >= FFixedCols &&
        row >= FFixedRows)
        SelectCell(col, row);
}

void TCellGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (FSizingCol >= 0) {
        SetColWidth(FSizingCol, point.x() - FSizingLeft);
        return;
    }
    if (SizingColumnAt(point) >= 0) {
        viewport()->setCursor(Qt::SplitHCursor);
        return;
    }
    if (OnMouseMove)
        OnMouseMove(point.x(), point.y());
    else
        viewport()->unsetCursor();
}

void TCellGrid::mouseReleaseEvent(QMouseEvent*)
{
    FSizingCol = -1;
}

void TCellGrid::scrollContentsBy(int, int)
{
    FTopRow = FFixedRows + verticalScrollBar()->value();
    FLeftCol = FFixedCols + horizontalScrollBar()->value();
    viewport()->update();
}

void TCellGrid::Resized()
{
    UpdateScrollBars();
    viewport()->update();
}

void TCellGrid::UpdateScrollBars()
{
    const QSize size = viewport()->size();
    // Rows: all have the same height, so the last page starts a whole page before the end.
    const int scrollRows = std::max(0, FRowCount - FFixedRows);
    const int pageRows = std::max(1, (size.height() - FixedHeight()) / (FDefaultRowHeight + 1));
    verticalScrollBar()->setRange(0, std::max(0, scrollRows - pageRows));
    verticalScrollBar()->setPageStep(pageRows);
    // Columns: the last page is the largest run of columns that ends with the last one and fits.
    const int room = size.width() - FixedWidth();
    int first = FColCount;
    int used = 0;
    while (first > FFixedCols && used + FColWidths[first - 1] + 1 <= room) {
        used += FColWidths[first - 1] + 1;
        --first;
    }
    if (first == FColCount && first > FFixedCols)
        --first; // a column wider than the room still gets a position of its own
    const int maxLeft = std::max(0, first - FFixedCols);
    horizontalScrollBar()->setRange(0, maxLeft);
    horizontalScrollBar()->setPageStep(std::max(1, FColCount - FFixedCols - maxLeft));
    FTopRow = FFixedRows + verticalScrollBar()->value();
    FLeftCol = FFixedCols + horizontalScrollBar()->value();
}
