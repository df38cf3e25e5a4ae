// The program's own mouse pointers: fifty pictures drawn in code and registered once under fixed numbers.
#include "shell/UnitCursors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

#include <array>
#include <cmath>

namespace {

// Every drawing is made in logical pixels of a 32 x 32 square. Lines one pixel wide sit on half
// coordinates so that they fill whole pixels at a ratio of 1; the hot spot (16, 16) is the pixel whose
// centre is (16.5, 16.5).
constexpr qreal C = 16.5;

const QColor Ink(0x1d, 0x27, 0x33);
const QColor Halo(0xff, 0xff, 0xff);
const QColor Accent(0x2f, 0x80, 0xed);
const QColor Danger(0xe5, 0x48, 0x4d);
const QColor Go(0x27, 0xae, 0x60);

QPen RoundPen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A line drawing with a white margin, readable over dark and light frames alike.
void StrokeWithHalo(QPainter& p, const QPainterPath& path, qreal width, const QColor& colour = Ink)
{
    p.strokePath(path, RoundPen(Halo, width + 2.5));
    p.strokePath(path, RoundPen(colour, width));
}

// A solid shape with a white rim of 1.5 pixels outside it.
void FillWithRim(QPainter& p, const QPainterPath& path, const QColor& colour = Ink)
{
    p.strokePath(path, RoundPen(Halo, 3.0));
    p.fillPath(path, colour);
}

// A light shape outlined in ink.
void FillOutlined(QPainter& p, const QPainterPath& path, const QColor& fill, qreal width = 1.5)
{
    p.fillPath(path, fill);
    p.strokePath(path, RoundPen(Ink, width));
}

QPainterPath Segment(QPointF a, QPointF b)
{
    QPainterPath path(a);
    path.lineTo(b);
    return path;
}

// A solid arrow along the x axis, tail at 0 and tip at length; both ends pointed when twoHeads.
QPainterPath ArrowShape(qreal length, bool twoHeads, qreal shaft = 1.3, qreal headLength = 5.5,
                        qreal headHalf = 4.5)
{
    QPolygonF poly;
    if (twoHeads) {
        poly << QPointF(0, 0) << QPointF(headLength, -headHalf) << QPointF(headLength, -shaft);
    } else {
        poly << QPointF(0, -shaft);
    }
    poly << QPointF(length - headLength, -shaft) << QPointF(length - headLength, -headHalf)
         << QPointF(length, 0) << QPointF(length - headLength, headHalf)
         << QPointF(length - headLength, shaft);
    if (twoHeads) {
        poly << QPointF(headLength, shaft) << QPointF(headLength, headHalf);
    } else {
        poly << QPointF(0, shaft);
    }
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

// The arrow shape turned by angle (degrees, counter-clockwise on the screen) and moved so that its
// middle (two heads) or its tail (one head) lies on at.
QPainterPath PlacedArrow(QPointF at, qreal angle, qreal length, bool twoHeads, qreal shaft = 1.3,
                         qreal headLength = 5.5, qreal headHalf = 4.5)
{
    QTransform t;
    t.translate(at.x(), at.y());
    t.rotate(-angle);
    if (twoHeads)
        t.translate(-length / 2, 0);
    return t.map(ArrowShape(length, twoHeads, shaft, headLength, headHalf));
}

// An open arrow head (two strokes) at tip, pointing along angle (degrees, counter-clockwise).
QPainterPath Chevron(QPointF tip, qreal angle, qreal size)
{
    const qreal a = qDegreesToRadians(angle);
    const QPointF back(-std::cos(a) * size, std::sin(a) * size);
    const QPointF side(std::sin(a) * size * 0.8, std::cos(a) * size * 0.8);
    QPainterPath path(tip + back + side);
    path.lineTo(tip);
    path.lineTo(tip + back - side);
    return path;
}

// The ordinary pointer arrow with its tip on the hot spot (2, 2).
void DrawPointer(QPainter& p)
{
    QPainterPath path;
    path.addPolygon(QPolygonF({QPointF(2, 2), QPointF(2, 20.5), QPointF(6.4, 16.4), QPointF(9.6, 23.6),
                               QPointF(12.6, 22.3), QPointF(9.5, 15.2), QPointF(15.2, 15.2)}));
    path.closeSubpath();
    FillWithRim(p, path);
}

// Badges: a coloured disc in the lower right corner carrying a white symbol.
constexpr QPointF BadgeCentre(26.0, 26.0);
constexpr qreal BadgeRadius = 5.8;

void DrawBadgeDisc(QPainter& p, const QColor& colour)
{
    p.setPen(RoundPen(Halo, 1.5));
    p.setBrush(colour);
    p.drawEllipse(BadgeCentre, BadgeRadius, BadgeRadius);
    p.setBrush(Qt::NoBrush);
}

void StrokeOnBadge(QPainter& p, const QPainterPath& path, qreal width = 1.6)
{
    p.strokePath(path, RoundPen(Halo, width));
}

// Digits drawn as strokes in a box 6 wide and 10 high, so that they read the same on every system.
QPainterPath DigitPath(int digit)
{
    QPainterPath d;
    switch (digit) {
    case 0:
        d.addEllipse(QRectF(0, 0, 6, 10));
        break;
    case 1:
        d.moveTo(0.8, 2.4);
        d.lineTo(3.6, 0);
        d.lineTo(3.6, 10);
        break;
    case 2:
        d.moveTo(0.3, 2.6);
        d.cubicTo(0.8, -0.7, 6.0, -0.8, 5.8, 2.8);
        d.cubicTo(5.7, 4.8, 3.0, 6.6, 0.2, 10);
        d.lineTo(6.1, 10);
        break;
    case 3:
        d.moveTo(0.5, 0.3);
        d.lineTo(5.8, 0.3);
        d.lineTo(2.6, 4.2);
        d.cubicTo(5.0, 3.9, 6.2, 5.6, 6.0, 7.3);
        d.cubicTo(5.7, 10.2, 1.8, 10.8, 0.0, 9.0);
        break;
    case 4:
        d.moveTo(4.6, 10);
        d.lineTo(4.6, 0);
        d.lineTo(0, 7);
        d.lineTo(6.2, 7);
        break;
    case 5:
        d.moveTo(5.8, 0.3);
        d.lineTo(1.0, 0.3);
        d.lineTo(0.6, 4.6);
        d.cubicTo(2.6, 3.3, 6.1, 3.7, 6.0, 7.0);
        d.cubicTo(5.9, 10.4, 1.6, 10.8, 0.0, 9.0);
        break;
    case 6:
        d.moveTo(5.4, 0.4);
        d.cubicTo(2.2, 0.2, 0.0, 3.0, 0.0, 7.0);
        d.addEllipse(QRectF(0, 4, 6, 6));
        break;
    case 7:
        d.moveTo(0, 0.3);
        d.lineTo(6, 0.3);
        d.lineTo(2, 10);
        break;
    case 8:
        d.addEllipse(QRectF(0.6, 0, 4.8, 4.6));
        d.addEllipse(QRectF(0, 4.6, 6, 5.4));
        break;
    default:
        d.addEllipse(QRectF(0, 0, 6, 6));
        d.moveTo(6, 3);
        d.cubicTo(6, 7, 3.8, 10, 0.6, 9.6);
        break;
    }
    return d;
}

void DrawDigitBadge(QPainter& p, int digit)
{
    DrawBadgeDisc(p, Accent);
    const qreal scale = 0.8;
    QTransform t;
    t.translate(BadgeCentre.x() - 3 * scale, BadgeCentre.y() - 5 * scale);
    t.scale(scale, scale);
    StrokeOnBadge(p, t.map(DigitPath(digit)), 1.6);
}

// ---- the drawings ----

// The mark cross-hair: four arms that stop short of the centre and a ring, so that the pointed pixel
// stays visible. A digit tells which object the next mark belongs to.
void DrawMarque(QPainter& p, int digit)
{
    QPainterPath arms;
    const qreal gap = 2.5;
    const qreal end = digit < 0 ? 2.0 : 4.0;
    arms.addPath(Segment({C, end}, {C, C - gap}));
    arms.addPath(Segment({C, C + gap}, {C, 32 - end}));
    arms.addPath(Segment({end, C}, {C - gap, C}));
    arms.addPath(Segment({C + gap, C}, {32 - end, C}));
    arms.addEllipse(QPointF(C, C), 5.5, 5.5);
    StrokeWithHalo(p, arms, 1.0);
    if (digit >= 0)
        DrawDigitBadge(p, digit);
}

// The plain cross-hair used to read coordinates.
void DrawReticule(QPainter& p, int)
{
    QPainterPath arms;
    const qreal gap = 3.0;
    arms.addPath(Segment({C, 1.5}, {C, C - gap}));
    arms.addPath(Segment({C, C + gap}, {C, 30.5}));
    arms.addPath(Segment({1.5, C}, {C - gap, C}));
    arms.addPath(Segment({C + gap, C}, {30.5, C}));
    StrokeWithHalo(p, arms, 1.0);
    QPainterPath dot;
    dot.addEllipse(QPointF(C, C), 0.9, 0.9);
    FillWithRim(p, dot);
}

// A cross-hair with a ruler: each end of a scale is placed on a pixel.
void DrawEchelle(QPainter& p, int)
{
    QPainterPath arms;
    const qreal gap = 2.5;
    arms.addPath(Segment({C, 3}, {C, C - gap}));
    arms.addPath(Segment({C, C + gap}, {C, 29}));
    arms.addPath(Segment({3, C}, {C - gap, C}));
    arms.addPath(Segment({C + gap, C}, {29, C}));
    StrokeWithHalo(p, arms, 1.0);
    // the ruler badge sits in the lower right quadrant, clear of the arms
    DrawBadgeDisc(p, Accent);
    QPainterPath ruler;
    const QPointF b = BadgeCentre;
    ruler.addPath(Segment(b + QPointF(-3.4, 0), b + QPointF(3.4, 0)));
    ruler.addPath(Segment(b + QPointF(-3.4, -2.4), b + QPointF(-3.4, 2.4)));
    ruler.addPath(Segment(b + QPointF(3.4, -2.4), b + QPointF(3.4, 2.4)));
    StrokeOnBadge(p, ruler, 1.5);
}

// The origin of the axes: the x axis (red) to the right, the y axis (green) upwards, thin guides the
// other ways.
void DrawOrigine(QPainter& p, int)
{
    QPainterPath guides;
    guides.addPath(Segment({2.5, C}, {C - 2.5, C}));
    guides.addPath(Segment({C, C + 2.5}, {C, 29.5}));
    StrokeWithHalo(p, guides, 1.0);
    FillWithRim(p, PlacedArrow({C + 1.5, C}, 0, 14.0, false, 1.1, 5.0, 3.6), Danger);
    FillWithRim(p, PlacedArrow({C, C - 1.5}, 90, 14.0, false, 1.1, 5.0, 3.6), Go);
    QPainterPath dot;
    dot.addEllipse(QPointF(C, C), 1.6, 1.6);
    FillWithRim(p, dot);
}

// An open hand.
void DrawPan(QPainter& p, int)
{
    QPainterPath fingers;
    fingers.addPath(Segment({10.8, 8.5}, {10.8, 17}));
    fingers.addPath(Segment({14.6, 6.0}, {14.6, 16}));
    fingers.addPath(Segment({18.4, 7.0}, {18.4, 16}));
    fingers.addPath(Segment({22.0, 10.0}, {22.0, 18}));
    fingers.addPath(Segment({6.4, 16.0}, {10.0, 21.5}));
    QPainterPath palm;
    palm.addRoundedRect(QRectF(8.8, 13.5, 15.2, 14.5), 5.5, 5.5);
    // outline pass, then the white fill over it, so that fingers and palm merge into one silhouette
    p.strokePath(fingers, RoundPen(Ink, 4.6));
    p.strokePath(palm, RoundPen(Ink, 2.0));
    p.strokePath(fingers, RoundPen(Halo, 2.6));
    p.fillPath(palm, Halo);
    // creases between the fingers
    QPainterPath creases;
    creases.addPath(Segment({12.7, 13.6}, {12.7, 16.0}));
    creases.addPath(Segment({16.5, 13.6}, {16.5, 16.0}));
    creases.addPath(Segment({20.2, 14.2}, {20.2, 16.5}));
    p.strokePath(creases, RoundPen(Ink, 1.0));
}

// The pencil, tip on the hot spot (2, 29), body going up to the right.
void DrawPen(QPainter& p, int digit)
{
    QTransform t;
    t.translate(2.5, 29.5);
    t.rotate(-45);
    const qreal h = 3.4;
    QPainterPath body;
    body.addRect(QRectF(7.5, -h, 14.5, 2 * h));
    QPainterPath cone;
    cone.addPolygon(QPolygonF({QPointF(0, 0), QPointF(7.5, -h), QPointF(7.5, h)}));
    cone.closeSubpath();
    QPainterPath lead;
    lead.addPolygon(QPolygonF({QPointF(0, 0), QPointF(2.8, -1.27), QPointF(2.8, 1.27)}));
    lead.closeSubpath();
    QPainterPath cap;
    cap.addRoundedRect(QRectF(22, -h, 5.5, 2 * h), 1.5, 1.5);
    QPainterPath whole = t.map(body).united(t.map(cone)).united(t.map(cap));
    p.strokePath(whole, RoundPen(Halo, 4.0));
    FillOutlined(p, t.map(cap), QColor(0xf0, 0x8a, 0x8d), 1.3);
    FillOutlined(p, t.map(body), QColor(0xf2, 0xc9, 0x4c), 1.3);
    FillOutlined(p, t.map(cone), QColor(0xf7, 0xdf, 0xb2), 1.3);
    p.fillPath(t.map(lead), Ink);
    p.strokePath(t.map(Segment({7.5, 0}, {22, 0})), RoundPen(QColor(0xd9, 0xa8, 0x2e), 1.0));
    if (digit >= 0)
        DrawDigitBadge(p, digit);
}

// The eraser, the middle of its working face on the hot spot (6, 26).
void DrawGomme(QPainter& p, bool overObject)
{
    QTransform t;
    t.translate(6.5, 26.5);
    t.rotate(-45);
    QPainterPath rubber;
    rubber.addRoundedRect(QRectF(0, -5, 8, 10), 1.2, 1.2);
    QPainterPath sleeve;
    sleeve.addRoundedRect(QRectF(8, -5, 13, 10), 1.2, 1.2);
    p.strokePath(t.map(rubber).united(t.map(sleeve)), RoundPen(Halo, 4.0));
    FillOutlined(p, t.map(sleeve), QColor(0x5b, 0x8d, 0xef), 1.3);
    FillOutlined(p, t.map(rubber), QColor(0xf4, 0xa3, 0xa6), 1.3);
    if (overObject) {
        DrawBadgeDisc(p, Danger);
        QPainterPath cross;
        cross.addPath(Segment(BadgeCentre + QPointF(-2.6, -2.6), BadgeCentre + QPointF(2.6, 2.6)));
        cross.addPath(Segment(BadgeCentre + QPointF(-2.6, 2.6), BadgeCentre + QPointF(2.6, -2.6)));
        StrokeOnBadge(p, cross, 1.8);
    }
}

void DrawGommeFree(QPainter& p, int)
{
    DrawGomme(p, false);
}

void DrawSelGomme(QPainter& p, int)
{
    DrawGomme(p, true);
}

// The magnifying glass, centre of the lens on the hot spot (12, 12). kind: 0 both axes, 1 x, 2 y.
void DrawZoom(QPainter& p, int kind)
{
    const QPointF lens(12.5, 12.5);
    const qreal r = 8.0;
    QPainterPath handle = Segment(lens + QPointF(6.2, 6.2), QPointF(28, 28));
    p.strokePath(handle, RoundPen(Halo, 7.0));
    p.strokePath(handle, RoundPen(Ink, 4.2));
    QPainterPath ring;
    ring.addEllipse(lens, r, r);
    p.strokePath(ring, RoundPen(Halo, 4.6));
    p.fillPath(ring, QColor(255, 255, 255, 170));
    p.strokePath(ring, RoundPen(Ink, 2.0));
    QPainterPath sign;
    const qreal s = 4.0;
    if (kind != 2)
        sign.addPath(Segment(lens - QPointF(s, 0), lens + QPointF(s, 0)));
    if (kind != 1)
        sign.addPath(Segment(lens - QPointF(0, s), lens + QPointF(0, s)));
    if (kind == 1) {
        sign.addPath(Chevron(lens + QPointF(s, 0), 0, 2.2));
        sign.addPath(Chevron(lens - QPointF(s, 0), 180, 2.2));
    } else if (kind == 2) {
        sign.addPath(Chevron(lens - QPointF(0, s), 90, 2.2));
        sign.addPath(Chevron(lens + QPointF(0, s), 270, 2.2));
    }
    p.strokePath(sign, RoundPen(Accent, 1.8));
}

// Four arrows out of the hot spot: the object under the pointer can be moved.
void DrawSelection(QPainter& p, int)
{
    const QPainterPath shape = PlacedArrow({C, C}, 0, 28, true, 1.3, 5.5, 4.3)
                                   .united(PlacedArrow({C, C}, 90, 28, true, 1.3, 5.5, 4.3));
    FillWithRim(p, shape);
}

// A double arrow on a diagonal through the hot spot.
void DrawDiagonal(QPainter& p, int angle)
{
    FillWithRim(p, PlacedArrow({C, C}, angle, 26, true, 1.4, 6.5, 4.8));
}

// Two curved arrows around the hot spot: the object under the pointer can be turned.
QPainterPath TurningArrows(QPointF centre, qreal r, qreal headSize)
{
    QPainterPath path;
    const QRectF box(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    for (int half = 0; half < 2; ++half) {
        const qreal start = 20 + 180 * half; // degrees, counter-clockwise from the x axis
        const qreal sweep = 130;
        QPainterPath arc;
        arc.arcMoveTo(box, start);
        arc.arcTo(box, start, sweep);
        path.addPath(arc);
        const qreal end = qDegreesToRadians(start + sweep);
        const QPointF tip(centre.x() + r * std::cos(end), centre.y() - r * std::sin(end));
        // the tangent at the end of a counter-clockwise arc points at angle end + 90 degrees
        path.addPath(Chevron(tip, start + sweep + 90, headSize));
    }
    return path;
}

void DrawSelRotation(QPainter& p, int)
{
    StrokeWithHalo(p, TurningArrows({C, C}, 10.0, 3.6), 2.2);
    QPainterPath dot;
    dot.addEllipse(QPointF(C, C), 1.8, 1.8);
    FillWithRim(p, dot);
}

// A solid arrow head with its tip at tip, pointing along angle (degrees, counter-clockwise).
QPainterPath SolidHead(QPointF tip, qreal angle, qreal length, qreal half)
{
    QTransform t;
    t.translate(tip.x(), tip.y());
    t.rotate(-angle);
    QPainterPath head;
    head.addPolygon(QPolygonF({QPointF(0, 0), QPointF(-length, -half), QPointF(-length, half)}));
    head.closeSubpath();
    return t.map(head);
}

// A bent double arrow with a handle on the hot spot: the object under the pointer can be bent.
void DrawSelDeformer(QPainter& p, int)
{
    // a parabola through the hot spot; its ends leave along the tangents (-12.5, 19) and (12.5, 19)
    const QPointF start(4, 26), control(C, 7), end(29, 26);
    const qreal slope = qRadiansToDegrees(std::atan2(19.0, 12.5));
    QPainterPath curve(start);
    curve.quadTo(control, end);
    const QPainterPath heads =
        SolidHead(start, 180 + slope, 6.0, 4.2).united(SolidHead(end, -slope, 6.0, 4.2));
    // flat ends: a round cap would show past the tips of the heads
    p.strokePath(curve, QPen(Halo, 5.0, Qt::SolidLine, Qt::FlatCap));
    p.strokePath(heads, RoundPen(Halo, 3.0));
    p.strokePath(curve, QPen(Ink, 2.4, Qt::SolidLine, Qt::FlatCap));
    p.fillPath(heads, Ink);
    QPainterPath handle;
    handle.addRect(QRectF(C - 2.5, C - 2.5, 5, 5));
    FillWithRim(p, handle, Accent);
    p.strokePath(handle, RoundPen(Ink, 1.0));
}

// A handle on the hot spot pulled toward a corner. corner: angle of the arrow in degrees.
void DrawDeformCorner(QPainter& p, int angle)
{
    FillWithRim(p, PlacedArrow({C, C}, angle, 15.5, false, 1.3, 6.0, 4.6));
    QPainterPath handle;
    handle.addRect(QRectF(C - 3, C - 3, 6, 6));
    FillWithRim(p, handle, Accent);
    p.strokePath(handle, RoundPen(Ink, 1.0));
}

// A vertical double arrow (the hot spot at its middle, (12, 16)) beside a small graph of the damping
// envelope it changes. kind: bit 0 lower envelope, bit 1 linear envelope.
void DrawAmorti(QPainter& p, int kind)
{
    const bool lower = kind & 1;
    const bool linear = kind & 2;
    FillWithRim(p, PlacedArrow({12.5, C}, 90, 24, true, 1.3, 6.0, 4.6));
    QPainterPath axis = Segment({19.5, C}, {30.5, C});
    StrokeWithHalo(p, axis, 1.0);
    const qreal far = lower ? 28.5 : 4.5;   // envelope at the start, far from the axis
    const qreal near = lower ? 19.5 : 13.5; // and at the end, close to it
    QPainterPath envelope(QPointF(19.5, far));
    if (linear)
        envelope.lineTo(30.5, near);
    else
        envelope.cubicTo(QPointF(21.5, near + (far - near) * 0.15), QPointF(25, near), QPointF(30.5, near));
    StrokeWithHalo(p, envelope, 2.0, Accent);
}

// The pointer with a badge telling what a click will do.
enum TBadge
{
    bgMove,
    bgInfo,
    bgPlus,
    bgSwap,
    bgTurn,
    bgBend,
};

void DrawPointerWithBadge(QPainter& p, int badge)
{
    DrawPointer(p);
    const QPointF b = BadgeCentre;
    QPainterPath symbol;
    switch (badge) {
    case bgMove: {
        DrawBadgeDisc(p, Accent);
        const qreal s = 3.8;
        symbol.addPath(Segment(b - QPointF(s, 0), b + QPointF(s, 0)));
        symbol.addPath(Segment(b - QPointF(0, s), b + QPointF(0, s)));
        symbol.addPath(Chevron(b + QPointF(s, 0), 0, 1.6));
        symbol.addPath(Chevron(b - QPointF(s, 0), 180, 1.6));
        symbol.addPath(Chevron(b - QPointF(0, s), 90, 1.6));
        symbol.addPath(Chevron(b + QPointF(0, s), 270, 1.6));
        StrokeOnBadge(p, symbol, 1.4);
        break;
    }
    case bgInfo: {
        DrawBadgeDisc(p, Accent);
        symbol.addPath(Segment(b + QPointF(0, -0.6), b + QPointF(0, 3.6)));
        StrokeOnBadge(p, symbol, 2.0);
        QPainterPath dot;
        dot.addEllipse(b + QPointF(0, -3.4), 1.2, 1.2);
        p.fillPath(dot, Halo);
        break;
    }
    case bgPlus: {
        DrawBadgeDisc(p, Go);
        symbol.addPath(Segment(b - QPointF(3.5, 0), b + QPointF(3.5, 0)));
        symbol.addPath(Segment(b - QPointF(0, 3.5), b + QPointF(0, 3.5)));
        StrokeOnBadge(p, symbol, 2.0);
        break;
    }
    case bgSwap: {
        DrawBadgeDisc(p, Accent);
        symbol.addPath(Segment(b + QPointF(-3.6, -1.8), b + QPointF(3.6, -1.8)));
        symbol.addPath(Chevron(b + QPointF(3.6, -1.8), 0, 1.8));
        symbol.addPath(Segment(b + QPointF(3.6, 1.8), b + QPointF(-3.6, 1.8)));
        symbol.addPath(Chevron(b + QPointF(-3.6, 1.8), 180, 1.8));
        StrokeOnBadge(p, symbol, 1.4);
        break;
    }
    case bgTurn: {
        DrawBadgeDisc(p, Accent);
        const QRectF box(b.x() - 3.6, b.y() - 3.6, 7.2, 7.2);
        symbol.arcMoveTo(box, 90);
        symbol.arcTo(box, 90, 270);
        symbol.addPath(Chevron(QPointF(b.x() + 3.6, b.y()), 90, 1.9));
        StrokeOnBadge(p, symbol, 1.4);
        break;
    }
    default: {
        DrawBadgeDisc(p, Accent);
        QPainterPath curve(b + QPointF(-4, 2.2));
        curve.quadTo(b + QPointF(0, -4.5), b + QPointF(4, 2.2));
        StrokeOnBadge(p, curve, 1.4);
        QPainterPath knob;
        knob.addRect(QRectF(b.x() - 1.5, b.y() - 2.7, 3, 3));
        p.fillPath(knob, Halo);
        break;
    }
    }
}

struct TCursorDef
{
    const char* Name;
    QPoint HotSpot;
    void (*Draw)(QPainter&, int);
    int Arg;
};

const QPoint Centre(16, 16);
const QPoint PointerTip(2, 2);
const QPoint PenTip(2, 29);

// Indexed by number - 1.
const std::array<TCursorDef, CustomCursorCount> Defs = {{
    {"AmortiExpHaut", QPoint(12, 16), DrawAmorti, 0},
    {"AmortiExpBas", QPoint(12, 16), DrawAmorti, 1},
    {"AmortiLinHaut", QPoint(12, 16), DrawAmorti, 2},
    {"AmortiLinBas", QPoint(12, 16), DrawAmorti, 3},
    {"DeformBasDroit", Centre, DrawDeformCorner, -45},
    {"DeformBasGauche", Centre, DrawDeformCorner, -135},
    {"DeformHautDroit", Centre, DrawDeformCorner, 45},
    {"DeformHautGauche", Centre, DrawDeformCorner, 135},
    {"Deformer", PointerTip, DrawPointerWithBadge, bgBend},
    {"Deplacer", PointerTip, DrawPointerWithBadge, bgMove},
    {"Detection", PointerTip, DrawPointerWithBadge, bgInfo},
    {"Dupliquer", PointerTip, DrawPointerWithBadge, bgPlus},
    {"Echelle", Centre, DrawEchelle, 0},
    {"Gomme", QPoint(6, 26), DrawGommeFree, 0},
    {"Inverser", PointerTip, DrawPointerWithBadge, bgSwap},
    {"Marque", Centre, DrawMarque, -1},
    {"Marque0", Centre, DrawMarque, 0},
    {"Marque1", Centre, DrawMarque, 1},
    {"Marque2", Centre, DrawMarque, 2},
    {"Marque3", Centre, DrawMarque, 3},
    {"Marque4", Centre, DrawMarque, 4},
    {"Marque5", Centre, DrawMarque, 5},
    {"Marque6", Centre, DrawMarque, 6},
    {"Marque7", Centre, DrawMarque, 7},
    {"Marque8", Centre, DrawMarque, 8},
    {"Marque9", Centre, DrawMarque, 9},
    {"Nesw", Centre, DrawDiagonal, 45},
    {"Nwse", Centre, DrawDiagonal, -45},
    {"Origine", Centre, DrawOrigine, 0},
    {"Pan", Centre, DrawPan, 0},
    {"Pen", PenTip, DrawPen, -1},
    {"Pen0", PenTip, DrawPen, 0},
    {"Pen1", PenTip, DrawPen, 1},
    {"Pen2", PenTip, DrawPen, 2},
    {"Pen3", PenTip, DrawPen, 3},
    {"Pen4", PenTip, DrawPen, 4},
    {"Pen5", PenTip, DrawPen, 5},
    {"Pen6", PenTip, DrawPen, 6},
    {"Pen7", PenTip, DrawPen, 7},
    {"Pen8", PenTip, DrawPen, 8},
    {"Pen9", PenTip, DrawPen, 9},
    {"Reticule", Centre, DrawReticule, 0},
    {"Rotation", PointerTip, DrawPointerWithBadge, bgTurn},
    {"SelDeformer", Centre, DrawSelDeformer, 0},
    {"Selection", Centre, DrawSelection, 0},
    {"SelRotation", Centre, DrawSelRotation, 0},
    {"SelGomme", QPoint(6, 26), DrawSelGomme, 0},
    {"Zoom", QPoint(12, 12), DrawZoom, 0},
    {"ZoomX", QPoint(12, 12), DrawZoom, 1},
    {"ZoomY", QPoint(12, 12), DrawZoom, 2},
}};

bool InRange(int number)
{
    return number >= 1 && number <= CustomCursorCount;
}

// The registered set; entry 0 is the arrow.
struct TCursorTable
{
    bool Registered = false;
    std::array<QCursor, CustomCursorCount + 1> Cursors;
};

TCursorTable& Table()
{
    static TCursorTable table;
    return table;
}

} // namespace

QImage CursorPicture(int number, qreal devicePixelRatio)
{
    if (!InRange(number) || !(devicePixelRatio > 0))
        return QImage();
    const int side = qCeil(CursorSize * devicePixelRatio);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const TCursorDef& def = Defs[static_cast<size_t>(number - 1)];
    def.Draw(p, def.Arg);
    p.end();
    return image;
}

QPoint CursorHotSpot(int number)
{
    return InRange(number) ? Defs[static_cast<size_t>(number - 1)].HotSpot : QPoint();
}

QString CursorName(int number)
{
    return InRange(number) ? QString::fromLatin1(Defs[static_cast<size_t>(number - 1)].Name) : QString();
}

void RegisterCursors()
{
    TCursorTable& table = Table();
    if (table.Registered || !qGuiApp)
        return;
    // The pictures are drawn at the largest ratio of the screens so that they stay sharp on a high
    // density screen; the hot spot is given in logical pixels, as QCursor expects with such a pixmap.
    const qreal ratio = qMax<qreal>(1.0, qGuiApp->devicePixelRatio());
    table.Cursors[0] = QCursor(Qt::ArrowCursor);
    for (int number = 1; number <= CustomCursorCount; ++number) {
        const QPoint hot = CursorHotSpot(number);
        table.Cursors[static_cast<size_t>(number)] =
            QCursor(QPixmap::fromImage(CursorPicture(number, ratio)), hot.x(), hot.y());
    }
    table.Registered = true;
}

QCursor CustomCursor(int number)
{
    RegisterCursors();
    TCursorTable& table = Table();
    if (!table.Registered || !InRange(number))
        return QCursor(Qt::ArrowCursor);
    return table.Cursors[static_cast<size_t>(number)];
}
