// The measurement data of the open video: grid, layer, scale, the two mark lists, undo, and their
// mouse, keyboard and drawing. Chief header of the measurement library.
#pragma once

#include "common/UnitMesures.h"
#include "common/UnitTypes.h"
#include "measurement/UnitDataView.h"
#include "measurement/UnitHistorique.h"

#include <QPoint>
#include <QPointF>
#include <QString>
#include <Qt>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class TIniFile;
class TOptions;
class TDataReader;
class TDataWriter;
class TData;
class TEchelle;
class TTransparent;
class TPolyContainer;
class TPolyMarqueImgRep;
class TPolyMarqueImgTsp;
class TMarque;

// Pointing tool of the video overlay.
enum TOutil : std::uint8_t
{
    otNone = 0,
    otEchelle = 1,  // define or drag the scale
    otMarque = 2,   // put a mark
    otDeplacer = 3, // drag a mark
    otOrigine = 4,  // define, move or rotate the grid
    otEffacer = 5,  // erase marks
    otTsp = 6,      // place the layer and point on it
};

// Which result sets an edit makes out of date (argument of TData::OnInvalidateResults).
enum : int
{
    irBoth = 0,
    irCurrent = 1, // the set of the current mode: layer in mvTransparent, grid otherwise
    irLayer = 2,
    irGrid = 3,
};

// Mouse buttons as the view passes them.
enum : int
{
    mbLeft = 0,
    mbRight = 1,
};

// Metres per relative unit along x and along y; -1 when the scale cannot give it.
struct TScaleFactors
{
    double X = -1.0;
    double Y = -1.0;
};

// Pen width in pixels for an element size 0, 1, 2 (1, 3, 5).
int PenWidthOf(int elementSize);
// Arrowhead length in pixels (10, 15, 20) of the drawn axes for an element size 0..2.
int ArrowLengthOf(int elementSize);
// The look of the drawn axes (grid and layer): pen of the element size's width in the colour, the colour
// as brush, a bold font of the size's label point size (the painter's own, 18, 24). The caller saves and
// restores the painter.
void SetAxesStyle(QPainter& painter, int elementSize, TColor colour);
// Filled triangle with its tip at `tip`, its base `length` back along the direction (radians,
// counter-clockwise, y up), half-width half the length.
void DrawArrowHead(QPainter& painter, const QPoint& tip, double angle, int length);

// Metres in a reference frame from a position relative to its origin: X, Y in relative units with Y
// upwards, the scale factors, the x axis angle (radians) and the axis directions. Rotates, scales, and
// negates a reversed axis. The factors are not checked: the caller refuses factors that are not > 0.
QPointF ToMetres(double X, double Y, const TScaleFactors& factors, double angle, bool directX, bool directY);

// A recorded position of the layer's centre on one frame.
class TOrigine : public THistObject
{
public:
    explicit TOrigine(TData& data);

    int OrigineImageNumber = -1; // frame
    TPointRel Position;          // OrigineXCoordinate, OrigineYCoordinate (relative units)

    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    std::unique_ptr<THistObject> NewSame() const override;

private:
    TData& FData;
};

// A reference frame: an origin and two perpendicular axes that may be reversed. Base of the grid and
// of the layer.
class TRepere : public THistObject
{
public:
    explicit TRepere(TData& data);

    bool DirectXAxisDirection = true; // false: the x axis is reversed
    bool DirectYAxisDirection = true;
    TPointRel OrigineCurrent;                        // relative units
    std::vector<std::unique_ptr<TOrigine>> Origines; // layer positions per frame (the layer only)

    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    // Puts a removed position back (at its former index when valid, else at the end) and records it as
    // added. False for null or a position already listed (then it is freed).
    virtual bool AddOrigine(std::unique_ptr<TOrigine> origine, int action);
    // Reads the reference-frame keys with the suffix (a number that does not read fails the reader).
    virtual void Load(TDataReader& reader, const QString& suffix);
    virtual void Save(TDataWriter& writer, const QString& suffix) const;
    // Records the position with the action, then removes and frees it. False when it is not listed.
    virtual bool RemoveOrigine(TOrigine* origine, int action);
    virtual void SetDirectX(bool direct);
    virtual void SetDirectY(bool direct);
    virtual void SetOrigine(const TPointRel& point);
    // Recomputes the cached view pixels.
    virtual void Refresh() {}

    TOrigine* FindOrigine(int id) const;
    TOrigine* OrigineOfFrame(int frame) const;
    // Removes the position of a frame (recorded as "Move" deletion); false when there is none.
    bool RemoveFrameOrigine(int frame);
    void SetLastOrigineFrame(int frame);

protected:
    TData& FData;
};

// The grid: the fixed reference frame of the grid mode.
class TRepereFixe : public TRepere
{
public:
    explicit TRepereFixe(TData& data);

    int OriginePointsNumber = 0; // 0 undefined, 1 defined
    double XAxisAngle = 0.0;     // radians, counter-clockwise on the screen from the horizontal
    double YAxisAngle = 0.0;     // XAxisAngle + pi/2, normalised
    int DragMode = 0;            // 0 none, 1 moving the origin, 2 rotating by x, 3 rotating by y

    // Cached view pixels: A, B the ends of the x axis (B in the direction of XAxisAngle), C, D those of
    // the y axis (D in the direction of YAxisAngle), O the origin; the anchor of an origin drag.
    QPoint PixA, PixB, PixC, PixD, PixO, Anchor;

    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    std::unique_ptr<THistObject> NewSame() const override;
    void Load(TDataReader& reader, const QString& suffix) override;
    void Save(TDataWriter& writer, const QString& suffix) const override;
    void Refresh() override;

    void Reset();
    bool Defined() const { return OriginePointsNumber > 0; }
    void SetXAxisAngle(double angle);
    void SetYAxisAngle(double angle);
    // Erases the grid (recorded as "Erase").
    void Erase();

    // The end of an axis that carries the arrow: B (or D) when the axis is direct, A (or C) reversed.
    QPoint XArrowEnd() const { return DirectXAxisDirection ? PixB : PixA; }
    QPoint YArrowEnd() const { return DirectYAxisDirection ? PixD : PixC; }

    void MouseDown(int button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(int button, Qt::KeyboardModifiers shift, int x, int y);
    void KeyEnter(int x, int y);
    void Paint(QPainter& painter) const;

    // Hit tests in view pixels: within 3 pixels of the origin, of the half axis from the origin to the
    // arrow end of x or of y.
    bool NearOrigin(int x, int y) const;
    bool NearXArrowHalf(int x, int y) const;
    bool NearYArrowHalf(int x, int y) const;

private:
    void ComputeAxisEnds();
};

// The single measurement-data object. Owns the grid, the layer, the scale, the two mark lists and the
// four undo histories; turns the view's mouse and key input into edits; draws over the frame.
//
// Input: buttons are mbLeft / mbRight, positions view pixels, the shift state the Qt keyboard modifiers;
// KeyDown takes Qt::Key values (the digits of the numeric keypad come as Qt::Key_0..Key_9 with
// Qt::KeypadModifier, Enter as Qt::Key_Return or Qt::Key_Enter).
class TData : public THistServices
{
    // Declared first: the owned objects below read the options while they are built.
    const TOptions* FOptions = nullptr;
    std::unique_ptr<TDataView> FNullView;
    TDataView* FView = nullptr;

public:
    // Neither pointer is owned; both may be null (default options, no view) and be set later.
    explicit TData(const TOptions* options = nullptr, TDataView* view = nullptr);
    ~TData() override;
    TData(const TData&) = delete;
    TData& operator=(const TData&) = delete;

    void SetView(TDataView* view);
    TDataView& View() const { return *FView; }
    void SetOptions(const TOptions* options) { FOptions = options; }

    int FramesNumberBetweenTwoMarks = 1;
    double RequiredDuration = 0.0; // seconds between two consecutive frames of the source
    TOutil Outil = otMarque;
    int ElementSize = 0; // 0..2: pen width 1, 3, 5
    TColor ElementColor = clYellow;
    std::vector<TColor> MarkColors;
    TBooleanDynArray MarkVisibilities;

    // The reference frames come first: the mark lists refer to them.
    const std::unique_ptr<TRepereFixe> RepereFixe;
    const std::unique_ptr<TTransparent> Transparent;
    const std::unique_ptr<TEchelle> Echelle;
    const std::unique_ptr<TPolyMarqueImgRep> MarquesRep;
    const std::unique_ptr<TPolyMarqueImgTsp> MarquesTsp;
    THistorique HistMarques;
    THistorique HistCalque;
    THistorique HistEchelle;
    THistorique HistRepere;

    std::function<void(TData&)> OnMarquesChange;
    std::function<void(TData&)> OnRepereChange;
    std::function<void(TData&)> OnEchelleChange;
    std::function<void(TData&)> OnNbObjetsChange;
    std::function<void(TData&)> OnOutilChange;
    std::function<void(TData&)> OnTypeEchelleChange;
    std::function<void(TData&)> OnCouleurChange;
    std::function<void(TData&)> OnVisibiliteChange;
    // Marks result sets out of date: irCurrent, irLayer, irGrid or irBoth.
    std::function<void(int kind)> OnInvalidateResults;

    void Reset();
    void ApplyOptions();
    void SetOutil(TOutil tool);
    int CursorForTool() const;
    void Refresh();
    void Paint(QPainter& painter) const;
    void MouseDown(int button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(int button, Qt::KeyboardModifiers shift, int x, int y);
    void KeyDown(int key, Qt::KeyboardModifiers shift);

    // Metres per relative unit from the scale; (-1, -1) when not defined.
    TScaleFactors FacteursEchelle() const;
    // The measurement table of the active list, or of the grid-mode list (layer = false) or the layer
    // list (layer = true).
    TMesures BuildMesures() const;
    TMesures BuildMesures(bool layer) const;
    // Rotation of the reference frame in radians: XAxisAngle of the grid, 0 for the layer.
    double GridAngle() const;
    double GridAngle(bool layer) const;
    TPointRel ActiveOrigine() const;
    // Metres in the active reference frame of a position in the frame (grid mode) or of an offset from
    // the sheet's centre (layer mode), relative units in both cases.
    QPointF Metres(const TPointRel& position) const;
    // Axis directions of the active reference frame, or of the grid (layer = false) or the layer.
    bool DirectX() const;
    bool DirectY() const;
    bool DirectX(bool layer) const;
    bool DirectY(bool layer) const;

    void SetObjectColour(int i, TColor colour);
    void SetObjectVisible(int i, bool visible);
    TColor ObjectColour(int i) const; // 255 (red) outside the array
    bool ObjectVisible(int i) const;  // true outside the array and in mvTransparent
    void SetRequiredDuration(double seconds);
    void SetFramesBetweenMarks(int n) { FramesNumberBetweenTwoMarks = n; }
    void SetNbObjets(int n);
    void SetCurrentObject(int i);
    void SetMarksIsAllDrawn(bool all);
    void SetMarksNumberToDraw(int n);
    void SetNumberingPosition(int position);
    void SetObjectName(int i, const QString& name);
    void InverserAxeX();
    void InverserAxeY();
    void SetGridAngle(double angle);
    void EraseGrid();
    // Every mark of the active list (on the layer also every sheet position), in one undo group.
    void EraseMarks();
    void EraseAll();
    void DeleteFrameMarks(int frame);
    // One undo group setting or moving the grid-mode mark of each (object, frame) pair with frame >= 0;
    // points[k][i] and frames[k][i] belong to object k. Objects beyond the object count are ignored.
    void ImportMarks(const std::vector<std::vector<TPointRel>>& points, const TMatriceI& frames);
    THistorique& CurrentHistory();
    void Undo();
    QString UndoCaption();
    bool ScaleDefined() const;

    // Queries on the active list.
    bool LayerActive() const { return FView->Mode() == mvTransparent; }
    TPolyContainer& ActiveList() const;
    TRepere& ActiveRepere() const;
    int MarksCount() const;
    int NbObjets() const;
    int CurrentObject() const;
    QString ObjectName(int i) const;
    // Marks on a frame of the active list; -1 without a container and outside the editing mode.
    int MarksOnFrame(int frame) const;
    int SmallestMarksNumber() const;
    int LastMarkedFrame() const;
    // State the main window reads after OnEchelleChange (it asks the length when the current scale has
    // two points).
    int CurrentScalePointsNumber() const;
    int ScaleKind() const;
    void SetScaleKind(int kind);

    // Persistence in the "Data" section. Load returns false when RequiredDuration is missing or a number
    // does not read; counts and indices are bounded and clamped.
    bool Load(const TIniFile& ini);
    void Save(TIniFile& ini) const;

    // Options with their defaults when no options object is set.
    int OptionPenSize() const;
    int OptionNumerotation() const;
    int OptionNumerotationTsp() const;
    bool OptionStartByZero() const;
    bool OptionHorizAndVertScale() const;

    // Services for the owned objects.
    void Record(const THistObject& object, int action) { CurrentHistory().AddEntry(object, action); }
    void InvalidateResults(int kind) const;
    void NotifyMarquesChange();
    void NotifyRepereChange();
    void NotifyEchelleChange();
    void NotifyNbObjetsChange();
    void NotifyTypeEchelleChange();
    // Palette defaults for objects from..n-1 (colours and visibilities grow to n entries).
    void ExtendObjectArrays(int from, int n);
    // Shows a frame in the view when it has a position in the edited sequence.
    void ShowFrame(int frame);
    // Moves the view FramesNumberBetweenTwoMarks positions on; nothing beyond the end.
    void AdvanceAfterLastObject();
    // Number drawn beside the marks of a container whose order number is rank.
    int MarkNumberText(int rank) const { return OptionStartByZero() ? rank : rank + 1; }

    // Ends every drag of the grid, the scale, the marks and the layer without applying it.
    void CancelDrags();

    // History services.
    THistObject* FindById(int id) override;
    void AfterUndo(THistObject& object, int action) override;
    void AfterUndoPutBack(std::unique_ptr<THistObject> snapshot, int action) override;

private:
    void EnsureObjectArrays(int n);
    void StepColour(TColor& colour, bool backwards) const;
    bool MarkDragInProgress() const;
    TMesures BuildFrom(const TPolyContainer& list) const;
};
