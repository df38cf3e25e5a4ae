// The graph control: a world window shown in a plot area with two graduated axes, the elements drawn
// over it, zoom, pan, the mouse-coordinate readout and the current tool. The scene paints on any
// QPainter (the widget's back buffer, an image, an SVG or PDF target); mouse and keys arrive as plain
// arguments, so everything but event routing works without a visible window.
#pragma once

#include "graph/UnitBulle.h"
#include "graph/UnitGraphAxes.h"
#include "graph/UnitGraphElems.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QPaintDevice;
class TGModele;

// Tool codes.
enum TGraphTool : int
{
    gtNone = 0,
    gtAngle = 1,
    gtArc = 2,
    gtCercle = 3,
    gtEllipse = 4,
    gtSegment = 5,
    gtSpline = 6,
    gtVecteur = 7,
    gtCurveArc = 8,
    gtDupliquer = 9,
    gtSens = 10,
    gtModifierModele = 11,
    gtPan = 12,
    gtReticule = 13,
    gtSelection = 14,
    gtModeleInfo = 15,
    gtMesurer = 16,
    gtSupprimer = 17,
    gtZoom = 18,
};

// Drag states.
enum TGraphDrag : int
{
    dgNone = 0,
    dgHandle = 1, // one handle of a selected element
    dgBend = 2,   // bending an arc, a circle or an ellipse
    dgPan = 3,
    dgMoveSelection = 4,
    dgRubber = 7,
};

class TGraph : public QWidget
{
    Q_OBJECT

public:
    // Resolution at which vector targets (SVG, PDF, the printer) are written: the graph's fonts are in
    // points, so at this resolution they take the same pixels as on the screen's images.
    static constexpr int VectorDpi = 96;

    explicit TGraph(QWidget* parent = nullptr);
    ~TGraph() override;

    // ---- Properties read when painting
    TColor ColorAxe; // margins and axis bands; the window's button face at creation
    bool IsAxeXVisible = true;
    bool IsAxeYVisible = true;
    bool IsOrigineVisible = false; // grey origin mark at world (0, 0)
    bool IsZoomX = false;          // click and rectangle zoom act on x
    bool IsZoomY = false;
    bool IsDessinerEchelleDistances = false; // distance scale bar
    bool IsDessinerEchelleVecteurs = false;  // vector scale legend
    bool IsShowModeleurEqua = false;         // the model panel shows the equation, the statistics
    bool IsShowModeleurStat = false;         // (applied to the panels by UpdateModelPanels)
    QStringList TitreAxeX, TitreAxeY;
    int TitreAxeXFromEdge = 10;
    int TitreAxeYFromEdge = 10;
    TBullePlace BullePlace = bpNone; // where the value bubble shows; bpNone: never
    int ElementSize = 0;             // 0 small, 1 average, 2 large
    bool VectorValues = false;       // write each vector's value next to it

    int AxeXFromTop() const { return FTop; }
    int AxeXFromBottom() const { return FBottom; }
    int AxeYFromLeft() const { return FLeft; }
    int AxeYFromRight() const { return FRight; }
    // Margins of the plot area, pixels; the plot and every element are laid out again.
    void SetMargins(int top, int right, int left, int bottom);
    TColor ColorBegin() const { return FColorBegin; }
    TColor ColorEnd() const { return FColorEnd; }
    void SetGradient(TColor begin, TColor end);
    int LEchelleEnPixels() const { return FArrowPixels; }
    void SetLEchelleEnPixels(int pixels);
    bool IsSourceImgVisible() const { return FSourceImg.Visible; }
    void SetSourceImgVisible(bool visible) { FSourceImg.Visible = visible && !FSourceImg.Bitmap.isNull(); }

    // ---- Notifications, called only when assigned, after the control's own handling
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseDown;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseUp;
    std::function<void(Qt::KeyboardModifiers, int, int)> OnMouseMove;
    std::function<void(Qt::MouseButton, TGObjectType)> OnObjectClick;
    std::function<void()> OnOptionChange; // the current tool changed
    std::function<void()> OnResize;       // the control took a new size (scales may have changed)
    // The pointer shape of a cursor number of the program's cursor set; unassigned: Qt's shapes.
    std::function<QCursor(int)> CursorOf;
    // The measuring tool clicked an element: its information lines, one per line.
    std::function<void(const QString&)> OnMeasure;
    // Receives the pop-up menu of the selection instead of it being shown at the pointer (a caller that
    // shows it itself, tests that trigger its items).
    std::function<void(QMenu&)> OnSelectionMenu;

    // ---- World window and mapping
    TWorld World() const { return FWorld; }
    double XMin() const { return FWorld.XMin; }
    double XMax() const { return FWorld.XMax; }
    double YMin() const { return FWorld.YMin; }
    double YMax() const { return FWorld.YMax; }
    bool EqualScales() const { return FEqualScales; }
    void SetWorld(const TWorld& world);
    // A fresh window: both zoom factors back to 1.
    void SetWorldAndScales(const TWorld& world, bool equalScales);
    QPointF PixelToWorld(double px, double py) const;
    // Pixel of a world point, rounded as the elements round it.
    QPoint WorldToPixel(double x, double y) const;
    int PlotWidth() const;
    int PlotHeight() const;
    QRect PlotRect() const;
    bool InPlot(int x, int y) const;
    const TZoom& Zoom() const { return FZoom; }
    QPointF MouseWorld() const { return FMouseWorld; }

    // ---- Size and layout (pixels). Ignored while the layout is suspended.
    void SetBounds(int width, int height);
    QSize ControlSize() const { return QSize(FWidth, FHeight); }
    void SuspendLayout() { ++FSuspended; }
    void ResumeLayout();
    // Applies the size, the world window and the scale arrow length again.
    void Refresh();

    // ---- Tools
    int Tool() const { return FTool; }
    // `down` true selects the tool, false selects none. Selecting the model modifier is refused when the
    // graph holds no model; the answer says whether the tool is now the one asked for.
    bool SetTool(int tool, bool down);
    int Drag() const { return FDrag; }
    // The hint shown over the graph (a tool's instruction); empty hides it.
    void SetHint(const QString& hint);
    QString Hint() const { return FHint; }
    // The points of a figure being drawn, pixels (empty when none is under way).
    const std::vector<QPoint>& Construction() const { return FConstruction; }
    // Drops a figure being drawn; false when none was under way.
    bool CancelConstruction();
    // Cursor number of a tool (0 the arrow) for the zoom axes given.
    static int ToolCursor(int tool, bool zoomX, bool zoomY);
    // The pointer shape in force: a number of the program's cursor set, or a Qt shape as its negated value.
    int CursorNumber() const { return FCursorNumber; }
    // Sets the pointer of the tool again, after a change of CursorOf or of the zoom axes.
    void UpdateCursor();

    // ---- Models and the value bubble
    // The model elements, one per curve, in list order.
    std::vector<TGModele*> Models() const;
    // Every model element shows or hides its panel for the current tool and the equation and statistics
    // flags.
    void UpdateModelPanels();
    // The text of the hint window of the model-information tool; empty while it is hidden.
    QString ModelHintText() const { return FModelHint; }
    TBulle& Bulle() { return *FBulle; }
    // Shows lines in the value bubble at BullePlace (nothing for bpNone or no lines).
    void ShowBubble(const QStringList& lines);

    // ---- Mouse and keys: view pixels, routed here by the widget or called by tests
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // Finishes a curve being drawn; for the other tools the second press of a quick double click.
    void MouseDoubleClick(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // The pointer left the control: the hint goes and a drag ends as a mouse up.
    void MouseLeave();
    // True when the key was the graph's.
    bool KeyDown(int key, Qt::KeyboardModifiers shift);

    // ---- Elements, curves and scales
    const std::vector<std::unique_ptr<TGElem>>& Elements() const { return FElements; }
    const std::vector<std::unique_ptr<TCourbe>>& Curves() const { return FCurves; }
    TCourbe& FreeCurve() { return FFreeCurve; }
    const std::vector<std::unique_ptr<TParamCom>>& Scales() const { return FScales; }
    const std::vector<TGElem*>& Selection() const { return FSelection; }
    // Takes ownership; the element gets the plot and the window, and joins its curve (the free curve for
    // an index outside the list).
    TGElem* AddElement(std::unique_ptr<TGElem> element, int curve);
    // Empties curves, data elements, scales and selection, and forgets the undo steps that involve data
    // elements. The user's elements stay: each goes back into its anchor curve when a curve of that index
    // is added again, and a vector to the scale of its key.
    void Clear();
    // Deletes the selected elements as one undo group.
    void DeleteSelection();
    // Copies of the selected elements, offset by a few pixels, become the user's elements and the
    // selection (one undo group).
    void DuplicateSelection();
    // Turns the selected vectors round (one undo group).
    void ReverseSelection();
    // Asks a colour through the colour dialog and gives it to the selected elements of a type (obNone:
    // all of them), one undo group; false when cancelled or nothing is selected.
    bool ColourSelection(TGObjectType type);
    // The pop-up menu of the selection: colour, duplicate, delete (by type when several types are
    // selected), bend, change direction. The graph acts on its items.
    std::unique_ptr<QMenu> SelectionMenu();
    // Undoes the last user action on elements (drawing, moving, bending, colouring, duplicating,
    // reversing, deleting).
    void Undo();
    bool CanUndo() const { return !FHistory.empty(); }
    // "Cancel ..." naming the action undone; empty when there is nothing to undo.
    QString UndoCaption() const;

    // ---- The user's elements (angles, arcs, circles, ellipses, segments, curves, vectors)
    // Unit of world lengths in measures; empty: taken from the axis titles ("m" when there are none).
    void SetLengthUnit(const QString& unit) { FLengthUnit = unit; }
    QString LengthUnit() const;
    // The last measure shown by the measuring tool.
    QString MeasureText() const { return FMeasure; }
    // One line per user's element (see ConstructToLine), in drawing order.
    QStringList SaveConstructs() const;
    // Replaces the user's elements by those of the lines; damaged or unknown lines are skipped and the
    // answer is then false. A vector takes the scale of its key when the graph has one (or gets it when
    // a curve brings it).
    bool LoadConstructs(const QStringList& lines);
    // Deletes every user's element, with no undo.
    void ClearConstructs();
    // Deletes the user's elements attached to no curve, as one undo group.
    void DeleteFreeConstructs();
    // A user's element that lives in a data curve (drawn from one of its points).
    static bool IsAttached(const TGElem& element) { return element.UserMade && element.CurveIndex >= 0; }

    // A curve of N + 1 world points with their mark numbers; points and segments nearer than
    // `hiddenEdge` to either end are hidden. Vector family f has one component pair per point, belongs
    // to scale key scaleKeys[f] (unit unitTexts[f]) and hides vectorEdges[f] vectors at each end.
    // Returns the curve's index.
    int AddCurve(const TPointDDynArray& points, int hiddenEdge, const TIntegerDynArray& numbers,
                 const TIntegerDynArray& vectorEdges, const QStringList& unitTexts,
                 const TIntegerDynArray& scaleKeys, const std::vector<TPointDDynArray>& vectorFamilies);
    // `which`: bit 0 the user's elements, bit 1 the data's (segments, splines, vectors). A curve index
    // outside the list means the free curve. A kind below 0 means every kind.
    void SetCurveVisible(int curve, int kind, bool visible, int which);
    void SetAllCurvesVisible(int kind, bool visible, int which);
    // Property 0 colour (TColor), 1 and 2 the model's abscissa and ordinate names, 4 the number place
    // (kind 5), 6 the model option (kind 4) or point shape (kind 6).
    void SetCurveProperty(int curve, int kind, const QVariant& value, int which, int property);
    // The current vector scale: its vectors visible (as their curve allows), the others hidden.
    void SelectScale(int index);
    int CurrentScaleIndex() const { return FCurrentScale; }
    TParamCom* CurrentScale() const;
    // Index of the scale of a key, -1 when there is none.
    int ScaleIndexOfKey(int key) const;
    void InitCurrentScale();
    bool SetVectorNorm(double value);
    double VectorScaleValue() const;
    // The video frame behind the graph; see TSourceImg::Load.
    void SetVideoImage(QPointF origin, QSizeF size, const QImage& bitmap, bool flipX, bool flipY,
                       double angle);

    // ---- Painting and export
    // The whole scene at the control's size. A vector target paints the gradient as a brush and leaves
    // out the frames that belong to the screen.
    void Paint(QPainter& painter, bool vectorTarget) const;
    QImage RenderImage() const;
    // Renders into a device of the control's size (an SVG generator, a PDF writer, an image).
    void RenderTo(QPaintDevice& device, bool vectorTarget) const;
    // By extension: ".svg" vector, ".pdf" vector, ".png" and ".bmp" bitmap. False when the file cannot be
    // written or the extension is none of these.
    bool SaveToFile(const QString& fileName) const;
    // The rendering as SVG text.
    QByteArray ToSvg() const;
    // Puts a bitmap and the SVG on the clipboard; false when the clipboard is not available.
    bool CopyToClipboard() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Layout();
    void RenderGradient();
    void ApplyCursor();
    void SetCursorNumber(int number);
    void ShowModelHint(const QString& text, QPoint at);
    // The information of the first model curve under a pixel; empty when none.
    QString ModelHintAt(QPoint pixel) const;
    void Repaint();
    void ClickZoom(Qt::MouseButton button, bool ctrl, int x, int y);
    void RectangleZoom(const QRect& band);
    // Hit test from the end of the list, selected elements first; null on a miss.
    TGElem* HitElement(QPoint pixel, bool arcsOnly) const;
    void ClickElement(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    TCourbe& CurveOf(int index);
    const TCourbe& CurveAt(int index) const;
    // Gives an element in the list the plot, the window, its curve and (vectors) its scale.
    void Register(TGElem* element, int curve);
    void DetachElement(TGElem* element);
    void SelectOnly(const std::vector<TGElem*>& elements);
    std::vector<TGElem*> SelectedOfType(TGObjectType type) const;
    void ShowSelectionMenu();
    void Measure(TGElem& element, QPoint at);
    // Drawing a figure with the tools 1 to 7.
    void ConstructDown(int x, int y);
    void ConstructUp(int x, int y);
    void FinishConstruction();
    // The world point of a pixel, snapped to a shown data point (or, for vectors, a vector's tip) near it;
    // the snap's curve and vector are returned.
    QPointF SnapPoint(QPoint pixel, int& curve, TGVecteur** tip) const;
    // The figure of a tool through world points; null when the points do not make one.
    std::unique_ptr<TGElem> MakeConstruct(int tool, const std::vector<QPointF>& world, int anchor) const;
    // Undo steps: snapshots of elements before a change, kept when the change happens.
    void BeginChange(const std::vector<TGElem*>& elements, const QString& caption);
    void EndChange(bool changed);
    void PushAdded(const std::vector<TGElem*>& elements, const QString& caption);
    // Forgets the undo steps that involve an element for which `gone` is true.
    void DropHistory(const std::function<bool(const TGElem*)>& gone);
    void PaintScales(QPainter& painter) const;

    int FWidth = 0, FHeight = 0;
    int FTop = 20, FBottom = 45, FLeft = 75, FRight = 20;
    TColor FColorBegin = clWhite;
    TColor FColorEnd = 0xF0CAA6; // RGB(166, 202, 240)
    int FArrowPixels = 64;
    int FSuspended = 0;

    TWorld FWorld;
    bool FEqualScales = false;
    TAxe FAxeX{false};
    TAxe FAxeY{true};
    TZoom FZoom;
    int FTool = gtNone;
    int FDrag = dgNone;
    QPoint FDragFrom;  // last pointer position of a drag, pixels
    QPoint FMouse;     // last pointer position, pixels
    QRect FSelectBand; // rubber band of the selecting tools
    QPointF FMouseWorld;
    QString FHint;
    std::vector<QPoint> FConstruction;       // points of a construction under way, pixels
    std::vector<QPointF> FConstructionWorld; // the same, world (snapped to data points)
    int FConstructionAnchor = -1;            // curve of the data point the figure starts from
    TGVecteur* FChainTo = nullptr;           // vector whose tip a vector being drawn starts from
    QPoint FPressPixel;                      // where the last press of a construction was
    bool FPressAddedPoint = false;           // that press fixed a point of the figure
    TGElem* FDragElement = nullptr;          // element of a handle or bend drag
    int FGrip = -1;                          // handle index or bend grip of that drag
    bool FDragChanged = false;               // the drag changed something (an undo step is kept)
    QString FLengthUnit;
    QString FMeasure;

    std::vector<std::unique_ptr<TGElem>> FElements;
    std::vector<std::unique_ptr<TCourbe>> FCurves;
    TCourbe FFreeCurve;
    std::vector<std::unique_ptr<TParamCom>> FScales;
    int FCurrentScale = -1;
    std::vector<TGElem*> FSelection;
    // Undo history. An entry undoes one element's change: a removal (the element, owned, goes back to
    // its former list position), an addition (the element is deleted) or a change (the element takes
    // back the shape of its snapshot).
    enum THistoryKind : int
    {
        hkRemoved,
        hkAdded,
        hkChanged,
    };
    struct THistoryEntry
    {
        THistoryKind Kind = hkRemoved;
        TGElem* Target = nullptr;        // the element concerned
        std::unique_ptr<TGElem> Element; // removed: the element itself; changed: its snapshot
        std::size_t Index = 0;
    };
    struct THistoryGroup
    {
        QString Caption;
        std::vector<THistoryEntry> Entries;
    };
    std::vector<THistoryGroup> FHistory;
    THistoryGroup FPending; // snapshots of a drag under way
    TGPoint FOrigine;
    TSourceImg FSourceImg;
    QImage FGradient; // the plot's background, rendered on every resize
    int FCursorNumber = 0;
    QString FModelHint;
    TBulle* FBulle = nullptr; // child widget
};
