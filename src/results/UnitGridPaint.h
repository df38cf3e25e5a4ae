// Painting of one datasheet cell: background, frame, the digit arrows and the hide cross of the button
// row, and the text.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QString>

// What DrawGridCell draws besides the background.
enum : int
{
    dgFrame = 1,  // a black frame one pixel outside the cell
    dgArrows = 2, // the two digit arrows, when the cell is wider than 24 pixels
    dgCross = 4,  // the hide cross, when the cell is wider than its height + 27 pixels
    dgCentre = 8, // text centred horizontally instead of 2 pixels from the left
};

// The system colours the cells use.
struct TGridColors
{
    QColor ButtonText;
    QColor ButtonShadow; // lower edges of the arrows, upper half of the cross's circle
    QColor Light3D;      // upper edges of the arrows, lower half of the cross's circle
    QColor Face;         // the fixed cells

    // From the application's palette.
    static TGridColors System();
};

// Arrow zones: the pointer less than this many pixels from a header cell's left or right edge.
inline constexpr int ArrowZone = 12;
// A header cell this wide or narrower has no arrows and its edges do not change digits.
inline constexpr int ArrowMinWidth = 24;
// A header cell shows the cross only when it is wider than its height plus this.
inline constexpr int CrossMargin = 27;

inline constexpr QColor ArrowColor{219, 223, 226};
inline constexpr QColor CrossColor{255, 187, 187};

// Paints a cell in rect (view pixels) in this order: background; frame; arrows; cross; then the text,
// only when neither arrows nor cross were drawn, in the painter's font made bold when asked, one pixel
// below the top, clipped to the cell.
void DrawGridCell(QPainter& painter, const QRect& rect, const QColor& background, const QString& text,
                  int flags, bool bold, const QColor& fontColor, const TGridColors& colors);
