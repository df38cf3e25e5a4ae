// A string grid control: fixed rows and columns that stay in place while the others scroll, owner-drawn
// cells, columns resized by dragging their right edge in the fixed rows, no editing.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QString>
#include <functional>
#include <vector>

class QPainter;

class TCellGrid : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TCellGrid(QWidget* parent = nullptr);

    int ColCount() const { return FColCount; }
    int RowCount() const { return FRowCount; }
    int FixedCols() const { return FFixedCols; }
    int FixedRows() const { return FFixedRows; }
    // Sizes keep the cells and widths of the columns and rows that remain.
    void SetColCount(int count);
    void SetRowCount(int count);
    void SetFixedCols(int count);
    void SetFixedRows(int count);

    // Pixels; each cell is followed by a one-pixel grid line to its right and below it.
    int DefaultColWidth() const { return FDefaultColWidth; }
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultColWidth(int width);
    void SetDefaultRowHeight(int height);
    int ColWidth(int col) const;
    void SetColWidth(int col, int width);

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

    // Background of the scrolling cells and of the fixed ones (when no owner draws them).
    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);
    QColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(const QColor& color);

    // First scrolling row and column shown.
    int TopRow() const { return FTopRow; }
    int LeftCol() const { return FLeftCol; }
    void SetTopRow(int row);
    void SetLeftCol(int col);

    // The cell's rectangle in viewport pixels, without its grid lines; empty when the cell is scrolled
    // out or outside the viewport.
    QRect CellRect(int col, int row) const;
    // The cell under a viewport point; false when there is none.
    bool MouseToCell(const QPoint& point, int& col, int& row) const;

    // Paints the grid lines and every cell that meets `area` (viewport pixels), the selected cell
    // highlighted over its owner's drawing.
    void Paint(QPainter& painter, const QRect& area);

    // The selected cell, always a scrolling one; -1, -1 while there is none. A click on a scrolling
    // cell selects it; the arrows, Page Up / Page Down, Home / End (the row's ends) and Ctrl + Home /
    // Ctrl + End (the first and the last cell) move the selection and scroll it into view.
    int SelectedCol() const { return FSelCol; }
    int SelectedRow() const { return FSelRow; }
    // Clamped to the scrolling cells; nothing when there are none.
    void SelectCell(int col, int row);
    // Scrolls so that the scrolling cell is shown.
    void ScrollToCell(int col, int row);
    // The width in pixels that the texts of a column need in the grid's font (font for the fixed
    // rows: boldRow, when >= 0, in bold), padding included; at least minimum. Of the scrolling rows
    // only the longest text is measured: their texts are numbers.
    int ContentWidth(int col, int minimum, int padding, int boldRow = -1) const;
    // The whole text of the cell under a viewport point when it does not fit its cell, else empty.
    QString ToolTipAt(const QPoint& point) const;

    // Owner drawing of one cell inside its rectangle; without it the text is drawn on the background.
    std::function<void(QPainter& painter, int col, int row, const QRect& rect)> OnDrawCell;
    // Mouse in viewport pixels; presses that start a column resize are not reported.
    std::function<void(Qt::MouseButton button, int x, int y)> OnMouseDown;
    std::function<void(int x, int y)> OnMouseMove;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // A cell whose text is wider than the cell shows the whole text as a tooltip, unless the viewport
    // has a tooltip of its own.
    bool viewportEvent(QEvent* event) override;

private:
    int FixedWidth() const;
    int FixedHeight() const;
    // Left edge of a column / top edge of a row in viewport pixels, or -1 when scrolled out.
    int ColLeft(int col) const;
    int RowTop(int row) const;
    // The column whose right edge lies within two pixels of x, in the fixed rows; -1 for none.
    int SizingColumnAt(const QPoint& point) const;
    void Resized();
    void UpdateScrollBars();

    int FColCount = 5;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    std::vector<int> FColWidths;
    std::vector<std::vector<QString>> FCells; // [row][col]
    QColor FColor = Qt::white;
    QColor FFixedColor;
    int FTopRow = 1;
    int FLeftCol = 1;
    int FSelCol = -1;
    int FSelRow = -1;
    int FSizingCol = -1; // column being resized by the mouse
    int FSizingLeft = 0; // its left edge when the drag started, viewport pixels
};
