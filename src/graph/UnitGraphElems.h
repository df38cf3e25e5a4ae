// The elements drawn on a graph: the element base class, points, segments, data curves, vectors with
// their scales, the video image behind a graph, and the curve that groups the elements of one series.
#pragma once

#include "common/UnitGraphUtils.h"
#include "common/UnitTypes.h"
#include "graph/UnitGraphAxes.h"

#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QPolygonF>
#include <QRect>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

class QPainter;
class QPen;
class TParamCom;
class TGVecteur;

// Element types, codes 0 to 9.
enum TGObjectType : std::uint8_t
{
    obNone = 0,
    obAngle = 1,
    obArc = 2,
    obCercle = 3,
    obEllipse = 4,
    obModele = 5,
    obPoint = 6,
    obSegment = 7,
    obSpline = 8,
    obVecteur = 9,
};

// Where a point's number is written: below it, right of it, or not at all.
enum TNumberPlace : int
{
    npBelow = 0,
    npRight = 1,
    npNone = 2,
};

// What the graph hands an element when it paints.
struct TPaintContext
{
    int ElementSize = 0;       // 0 small, 1 average, 2 large
    bool VectorValues = false; // write the value next to each vector
    bool VectorTarget = false; // painting into a vector target (SVG, PDF)
};

// Pen width in pixels of lines at an element size (0 small, 1 average, 2 large).
int ElementPenWidth(int elementSize);
// Half-size in pixels of the square in which a click hits a point or a line.
int ElementHitTolerance(int elementSize);
// The pen of a line element: its colour at the size's width, or dotted at 75 % of the colour when it is
// selected.
QPen ElementPen(TColor color, int elementSize, bool selected);
// Small squares on the handles of a selected element.
void DrawHandles(QPainter& painter, const std::vector<QPoint>& handles, TColor color);
// Length of the smooth curve (Catmull-Rom pieces, as drawn) through world points.
double CurveLength(const std::vector<QPointF>& points);

// A point that exists in three forms: world coordinates, relative position in the plot (u to the right,
// v upwards, 0..1 across the world window) and pixels. A new world window recomputes (u, v) and the pixel
// from the world position; a new plot rectangle recomputes the pixel from (u, v).
struct TMappedPoint
{
    double X = 0.0, Y = 0.0; // world
    double U = 0.0, V = 0.0; // relative
    QPoint Pixel;
    bool Mapped = false; // false while the plot or the window is degenerate

    void FromWorld(const QRect& plot, const TWorld& world);
    void FromRelative(const QRect& plot);
    // Sets the pixel and computes (u, v) and the world position from it; nothing for an empty plot.
    void FromPixel(QPoint pixel, const QRect& plot, const TWorld& world);
};

// The base class of every element: plot rectangle, world window, colour, visibility, selection, and
// the identity the graph's history keeps. Elements paint on the painter they are handed.
class TGElem
{
public:
    explicit TGElem(TGObjectType type) : FType(type) {}
    virtual ~TGElem() = default;
    TGElem(const TGElem&) = default;
    TGElem& operator=(const TGElem&) = default;

    TGObjectType ObjectType() const { return FType; }

    // History data: identifier, group and action code.
    int Id = 0;
    int Group = 0;
    int Action = 0;

    QRect PlotRect;
    int CurveIndex = -1;  // index of the owning curve, -1 for none
    bool Created = false; // made by a tool or from data
    bool Selected = false;
    bool Visible = true;
    bool Hidden = false;
    bool UserMade = false; // drawn by the user (false: made from data)
    // A user's element drawn from a data point: the index of that point's curve; -1 for none. It lives
    // in that curve (shown and hidden with it) whenever the curve exists.
    int Anchor = -1;
    TColor Color = clBlack;
    QStringList Infos;
    TWorld World;
    QString LengthUnit; // unit of world lengths in the information lines ("m"); empty: none

    bool IsShown() const { return Visible && !Hidden; }

    virtual void Assign(const TGElem& source);
    virtual bool Equals(const TGElem& other) const;
    virtual bool HitTest(QPoint pixel, int elementSize) const;
    virtual QString GetText();
    virtual QStringList GetInfos();
    virtual void SetPlotRect(const QRect& plot);
    virtual void SetColor(TColor color) { Color = color; }
    virtual void SetHidden(bool hidden);
    virtual void SetVisible(bool visible) { Visible = visible; }
    virtual void SetWorld(const TWorld& world);
    virtual void Draw(QPainter& painter, const TPaintContext& context) const;
    // A copy of the element (null for the kinds that cannot be copied); the copy keeps the pointers to
    // scales and chained vectors of the original.
    virtual std::unique_ptr<TGElem> Clone() const { return nullptr; }
    // Takes the colour and the world geometry of an element of the same kind and maps them again.
    virtual void CopyShape(const TGElem& from) { Color = from.Color; }
    // Moves the element by a pixel offset (nothing for the kinds that cannot move).
    virtual void MoveBy(int, int) {}
    // True when the whole element lies inside the pixel rectangle.
    virtual bool InsideRect(const QRect&) const { return false; }
    // The pixels of the points that change the element's shape when dragged.
    virtual std::vector<QPoint> HandlePixels() const { return {}; }
    virtual void MoveHandle(int, QPoint) {}

private:
    TGObjectType FType;
};

// A point of a data series, drawn as a mark glyph with its number.
class TGPoint : public TGElem
{
public:
    TGPoint() : TGElem(obPoint) { Color = clRed; }
    TGPoint(double x, double y, const QRect& plot, const TWorld& world);

    TMappedPoint P;
    double Value1 = 0.0, Value2 = 0.0;
    int Number = -1;   // the mark it stands for
    bool Label = true; // write the number
    TMotif Shape = moCarre;
    TColor NumberColor = clBlack;
    TNumberPlace NumberPlace = npBelow;

    bool HitTest(QPoint pixel, int elementSize) const override;
    void SetPlotRect(const QRect& plot) override;
    void SetWorld(const TWorld& world) override;
    void Draw(QPainter& painter, const TPaintContext& context) const override;
    void MoveBy(int dx, int dy) override;
    // Turns the point about a pixel centre by the angle whose sine and cosine are given.
    virtual void Rotate(QPointF centre, double sin, double cos);
};

// An element made of a list of world points.
class TGPolyPoint : public TGElem
{
public:
    explicit TGPolyPoint(TGObjectType type) : TGElem(type) {}
    std::vector<TMappedPoint> Points;

    void SetPlotRect(const QRect& plot) override;
    void SetWorld(const TWorld& world) override;
    void MoveBy(int dx, int dy) override;
    void CopyShape(const TGElem& from) override;
    bool InsideRect(const QRect& band) const override;
    std::vector<QPoint> HandlePixels() const override;
    void MoveHandle(int handle, QPoint pixel) override;
    // Adds a world point and maps it.
    void AddPoint(double x, double y);
};

// A straight line between two world points (data segment between two marks, or a user's segment).
class TGSegment : public TGPolyPoint
{
public:
    TGSegment() : TGPolyPoint(obSegment) { Color = 0x006400; }
    int PenWidth = 1; // pixels at element size small; the graph's size adds to it
    bool HitTest(QPoint pixel, int elementSize) const override;
    void Draw(QPainter& painter, const TPaintContext& context) const override;
    std::unique_ptr<TGElem> Clone() const override { return std::make_unique<TGSegment>(*this); }
    // Its length in world units.
    QStringList GetInfos() override;
};

// A smooth curve through its world points.
class TGSpline : public TGPolyPoint
{
public:
    TGSpline() : TGPolyPoint(obSpline) { Color = 0xE16941; } // RGB(65, 105, 225)
    bool HitTest(QPoint pixel, int elementSize) const override;
    void Draw(QPainter& painter, const TPaintContext& context) const override;
    std::unique_ptr<TGElem> Clone() const override { return std::make_unique<TGSpline>(*this); }
    bool InsideRect(const QRect& band) const override;
    // Its length in world units, along the same curve drawn through the world points.
    QStringList GetInfos() override;
    // The path through the points' pixels: cubic pieces with Catmull-Rom tangents.
    QPainterPath Path() const;
};

// The scale of one vector quantity on a graph: how many units of the quantity one plot width stands
// for, and the value represented by the scale arrow.
class TParamCom
{
public:
    QString UnitText; // "m/s" or "m/s²"
    int Key = 0;      // 0 velocity, 1 acceleration
    int ArrowPixels = 64;
    int PlotWidthPx = 0;
    double Norm = 0.0;
    double Factor = 0.0; // fraction of the plot width per unit of the quantity
    double FactorMax = 0.0;
    double FactorMin = 0.0;
    // The largest norm asked for while the plot had no width: the scale starts from it on the first
    // resize that gives the plot a width.
    double PendingNorm = 0.0;
    std::vector<TGVecteur*> Vectors; // not owned: the graph's element list owns them

    // The largest vector takes a tenth of the plot width; the bounds become 10 and 0.2 times that
    // factor. Nothing for an empty plot or a norm that is near zero or not finite.
    void InitScale(double largestNorm);
    // False (and nothing changes) for a plot under 1 pixel, a value near zero or not finite, or a factor
    // outside the bounds.
    bool SetNorm(double value);
    void SetArrowLength(int pixels);
    // Keeps the norm on a resize unless the factor would leave its bounds; then the factor is clamped.
    void SetPlotWidth(int pixels);
    void UpdateVectors();
};

// A velocity or acceleration arrow at a world point.
class TGVecteur : public TGPolyPoint
{
public:
    TGVecteur();

    double ComponentX = 0.0, ComponentY = 0.0; // units of the quantity
    double ScaledX = 0.0, ScaledY = 0.0;       // components times the scale's factor
    double VectorNorm = 0.0;
    double VectorAngle = 0.0; // degrees, 0 <= angle < 360
    QPoint Tip;
    int ScaleKey = -1;
    TParamCom* Scale = nullptr;      // not owned
    TGVecteur* AttachedTo = nullptr; // the vector whose tip this one starts from
    std::vector<TGVecteur*> Attached;

    // The origin (a world point) and the components; computes norm, angle, scaled components and tip.
    void SetOrigin(double x, double y);
    void SetComponents(double x, double y);
    // Recomputes the scaled components and the tip after a change of scale, plot or window.
    void Update();
    // Moves the tip to a pixel and recomputes the components from the scale; attached vectors follow.
    void SetTipPixel(QPoint tip);
    void Reverse();
    // Moving detaches the vector from the one it starts from and drops the ones attached to it.
    void MoveBy(int dx, int dy) override;
    // Drops both kinds of attachment without moving.
    void Detach();
    std::unique_ptr<TGElem> Clone() const override { return std::make_unique<TGVecteur>(*this); }
    // Origin, components and colour; the tip follows from the current scale.
    void CopyShape(const TGElem& from) override;
    bool InsideRect(const QRect& band) const override;
    // The origin (dragging it moves the vector) and the tip (dragging it changes the components).
    std::vector<QPoint> HandlePixels() const override;
    void MoveHandle(int handle, QPoint pixel) override;

    bool HitTest(QPoint pixel, int elementSize) const override;
    QStringList GetInfos() override;
    void SetPlotRect(const QRect& plot) override;
    void SetWorld(const TWorld& world) override;
    void Draw(QPainter& painter, const TPaintContext& context) const override;

private:
    void ComputeNormAndAngle();
};

// The video frame drawn behind a graph, placed and turned in world units.
class TSourceImg : public TGPolyPoint
{
public:
    TSourceImg() : TGPolyPoint(obNone) { Visible = false; }

    QImage Bitmap;
    double WorldWidth = 0.0, WorldHeight = 0.0; // metres
    double OriginX = 0.0, OriginY = 0.0;        // world position of the image's top-left corner
    double Angle = 0.0;                         // radians, counter-clockwise

    // Copies the frame (mirrored as asked) and places it: `origin` is the reference origin's relative
    // position in the frame (x from the left, y from the top), `size` the frame's size in metres and
    // `angle` the reference frame's angle in radians.
    void Load(QPointF origin, QSizeF size, const QImage& bitmap, bool flipX, bool flipY, double angle);
    void Draw(QPainter& painter, const TPaintContext& context) const override;
};

// The elements of one data series, and those the user draws while it is selected. Non-owning lists.
class TCourbe : public TGElem
{
public:
    TCourbe();

    // Element kinds of the option operations.
    enum TKind : int
    {
        kAngles = 0,
        kArcs = 1,
        kCercles = 2,
        kEllipses = 3,
        kModele = 4,
        kNumbers = 5,
        kPoints = 6,
        kSegments = 7,
        kSplines = 8,
        kVecteurs = 9,
        KindCount = 10,
    };

    std::vector<TGElem*> Lists[KindCount]; // kNumbers stays empty: numbers belong to the points
    TGElem* Modele = nullptr;
    int ScaleKey = -1;
    // Visibility per kind; segments, splines and vectors have one flag for the data's elements
    // ("defaults") and one for the user's ("added").
    bool ShowDefaults[KindCount];
    bool ShowAdded[KindCount];
    bool Active = true;
    TColor DefaultColors[KindCount];
    TColor AddedColors[KindCount];
    QString AbscissaName = QStringLiteral("t");
    QString OrdinateName;
    std::uint8_t ModelOption = 9;
    TMotif PointShape = moCarre;
    TNumberPlace NumberPlace = npBelow;

    // Puts the element in its kind's list (once) and applies that kind's visibility.
    void Add(TGElem* element);
    void Remove(TGElem* element);
    void ApplyVisibility(int kind);
    static int KindOf(const TGElem& element);

private:
    // The elements in the lists, so that adding stays constant time on curves of many marks.
    std::unordered_set<const TGElem*> FMembers;
};
