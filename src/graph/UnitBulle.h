// The value bubble: a small framed box in a corner of the graph that shows an element's values while
// the user moves or reshapes it.
#pragma once

#include <QRect>
#include <QSize>
#include <QStringList>
#include <QWidget>

class QPainter;

// Corner of the value bubble.
enum TBullePlace : int
{
    bpNone = 0,
    bpUpLeft = 1,
    bpUpRight = 2,
    bpDownLeft = 3,
    bpDownRight = 4,
};

class TBulle : public QWidget
{
public:
    explicit TBulle(QWidget* parent);

    TBullePlace Place() const { return FPlace; }
    // bpNone hides the bubble; another corner lays it out again there.
    void SetPlace(TBullePlace place);
    const QStringList& Lines() const { return FLines; }
    // Copies the lines and shows them, unless the place is bpNone. The box keeps its size while the new
    // lines leave it at least 8 pixels of margin, so that changing values do not make it jitter.
    void ShowValues(const QStringList& lines);

    // The box the lines need in a parent of the given size: width = widest line + 20, height = the lines'
    // heights + 4, placed in the corner (at (1, 1) when the parent is too narrow for it).
    QRect LayoutRect(QSize parent) const;
    // Lays the bubble out in its parent now.
    void Relayout();
    // Draws the bubble with its top-left corner at the painter's origin.
    void DrawBubble(QPainter& painter) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int TextWidth() const;
    int TextHeight() const;

    TBullePlace FPlace = bpUpRight;
    QStringList FLines;
};
