// The figures a user draws over a graph (angle, arc, circle, ellipse) and the one-line text form in which
// every user's element (those, segments, curves and vectors) is kept in a project.
#pragma once

#include "graph/UnitGraphElems.h"

#include <QPainterPath>
#include <QPointF>
#include <QString>
#include <memory>

// A figure defined by world points, drawn as an outline sampled in world coordinates (so that it stays
// the same figure in the world when the two axes have different scales).
class TGConstruct : public TGPolyPoint
{
public:
    explicit TGConstruct(TGObjectType type) : TGPolyPoint(type) { UserMade = true; }

    // The outline in pixels (open or closed).
    virtual QPainterPath PixelPath() const = 0;
    // Where a press grabs the figure to bend it: a grip code, -1 when the pixel is not on it.
    virtual int BendGrip(QPoint pixel, int elementSize) const;
    // Bends the figure with the grip held at a pixel.
    virtual void Bend(int grip, QPoint pixel);

    bool HitTest(QPoint pixel, int elementSize) const override;
    bool InsideRect(const QRect& band) const override;
    void Draw(QPainter& painter, const TPaintContext& context) const override;

protected:
    // The world point of a pixel, in this element's plot and window.
    QPointF WorldOf(QPoint pixel) const;
    // The pixel (not rounded) of a world point; false for a degenerate window.
    bool PixelOf(QPointF world, QPointF& pixel) const;
    // A polyline through world points, mapped to pixels.
    QPainterPath PathThrough(const std::vector<QPointF>& world, bool closed) const;
    QString WithUnit(double length) const;
};

// Two straight lines from a vertex: points vertex, end of the first arm, end of the second arm.
class TGAngle : public TGConstruct
{
public:
    TGAngle();
    std::unique_ptr<TGElem> Clone() const override { return std::make_unique<TGAngle>(*this); }
    // The angle between the arms in degrees, 0 to 180, measured in world coordinates.
    double Degrees() const;
    QPainterPath PixelPath() const override;
    QStringList GetInfos() override;
    void Draw(QPainter& painter, const TPaintContext& context) const override;
};

// A circular arc: its two ends and a point through which it passes (points start, end, middle). Three
// points in a line give a straight arc.
class TGArc : public TGConstruct
{
public:
    TGArc();
    std::unique_ptr<TGElem> Clone() const override { return std::make_unique<TGArc>(*this); }
    // The half circle over the chord from a to b, on the left of a to b.
    void SetChord(QPointF a, QPointF b);
    // Centre and radius of the circle through the three points, the signed sweep in radians from the
    // start; false when the points are in a line or coincide.
    bool Circle(QPointF& centre, double& radius, double& startAngle, double& sweep) const;
    QPainterPath PixelPath() const override;
    QStringList GetInfos() override;
    // Grips 0 and 1 move an end, 2 passes the arc through the pointer.
    int BendGrip(QPoint pixel, int elementSize) const override;
    void Bend(int grip, QPoint pixel) override;
};

// A circle: points centre and a point of the circumference.
class TGCercle : public TGConstruct
{
public:
    TGCercle();
    std::unique_ptr<TGElem> Clone() const override { return std::make_unique<TGCercle>(*this); }
    double Radius() const;
    QPainterPath PixelPath() const override;
    QStringList GetInfos() override;
    // Dragging the centre moves the circle.
    void MoveHandle(int handle, QPoint pixel) override;
    // The radius follows the pointer.
    void Bend(int grip, QPoint pixel) override;
};

// An ellipse with axes along the graph's axes: points centre and a corner of the bounding box.
class TGEllipse : public TGConstruct
{
public:
    TGEllipse();
    std::unique_ptr<TGElem> Clone() const override { return std::make_unique<TGEllipse>(*this); }
    double SemiAxisX() const;
    double SemiAxisY() const;
    QPainterPath PixelPath() const override;
    QStringList GetInfos() override;
    void MoveHandle(int handle, QPoint pixel) override;
    // Grip 0 changes the semi-axis along x, 1 the one along y (the one nearer the pointer's direction).
    int BendGrip(QPoint pixel, int elementSize) const override;
    void Bend(int grip, QPoint pixel) override;
};

// The text form of a user's element, one line: a type name, the colour (a TColor number), the anchor
// curve (-1 for none), for a vector the key of its scale, then world numbers with '.' decimals
// separated by ';':
//   Segment, Angle, Arc, Circle, Ellipse, Curve: the x;y pairs of their points;
//   Vector: origin x;y and the components x;y.
// Empty for an element that has no text form.
QString ConstructToLine(const TGElem& element);
// The element of a line, not yet on a graph (no plot, window or scale); null for a damaged line or an
// unknown type.
std::unique_ptr<TGElem> ConstructFromLine(const QString& line);
