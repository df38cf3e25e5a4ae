// The graph pages of the results window: how the time, trajectory, vector and formula graphs are built
// from the current result table (usable without a window), and the page widget with its tools, choice
// panel, vector-scale panel and printing.
#pragma once

#include "calc/UnitResultats.h"
#include "common/UnitOptions.h"
#include "graph/UnitGraph.h"
#include "models/UnitModeles.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPainter;
class QPrinter;
class QToolBar;
class QToolButton;
class TFormules;

// The current video frame and where it lies: the reference origin's relative position in it (x from
// the left, y from the top), its size in metres, the axis directions and the grid's angle (radians).
struct TVideoImage
{
    QImage Frame;
    QPointF Origin;
    QSizeF Size;
    bool FlipX = false;
    bool FlipY = false;
    double Angle = 0.0;
};

// What a graph page reads besides the result table.
struct TGraphPageContext
{
    bool VelocityComputed = true;
    bool AccelerationComputed = true;
    bool PolarComputed = true;
    bool HideEdgeV = false;   // hide one point at each end of velocity curves
    bool HideEdgeA = false;   // two points of acceleration curves
    bool TimePolyline = true; // broken lines on the time page
    bool TrajectoryPolyline = true;
    int TrajectoryNumbering = npBelow;
    int VectorNumbering = npBelow;
    bool VectorTilted = true; // vector page "same as the video": image axes instead of the reference frame
    bool VectorDraw = true;   // "defaults" of the vector page's check list: vectors, curves, segments
    bool VectorSpline = false;
    bool VectorPolyline = false;
    bool VectorDrawAdded = true; // "added" of the check list: the vectors, curves, segments of the user
    bool VectorSplineAdded = true;
    bool VectorPolylineAdded = true;
    bool GraphOrigin = false;
    bool VectorValues = false; // write each vector's value next to it
    bool VideoImage = false;   // the video image behind the vector page
    bool LayerMode = false;    // measuring on the layer: no video image
    // Fills the current frame; false when there is none.
    std::function<bool(TVideoImage&)> VideoSource;
    int ElementSize = 0;
    bool TimeZoomX = false; // zoom of the time graph acts on x, on y
    bool TimeZoomY = true;
    // The formula page: broken lines, zero inside the range of each axis, zoom axes, and what its model
    // panel shows.
    bool FormulaPolyline = true;
    bool FormulaOriginX = false;
    bool FormulaOriginY = true;
    bool FormulaZoomX = false;
    bool FormulaZoomY = true;
    bool FormulaModelEquation = true;
    bool FormulaModelStatistics = false;
    // Colour and glyph of an object; unassigned: the palette and the glyph cycle.
    std::function<TColor(int)> ObjectColor;
    // The model laid over the single curve of the time or formula page (mkNone: none), and what the time
    // page's panel shows.
    int ModelKind = mkNone;
    bool ModelEquation = true;
    bool ModelStatistics = false;
    // Where the value bubble shows on the trajectory and vector pages (bpNone: not used).
    TBullePlace BubblePlace = bpUpRight;

    static TGraphPageContext FromOptions(const TOptions& options);
    TColor ColorOf(int object) const;
};

// The quantities the time page offers, in the order of its list: x and y, then the velocity, the
// acceleration and the polar quantities when they are computed.
std::vector<TColumnKind> TimeQuantities(const TGraphPageContext& context);
// The list entry of a quantity ("Abscissa", "x-component of velocity"...).
QString TimeQuantityCaption(TColumnKind kind);

// Builds the time graph of `quantity` for the objects; `fit` computes a fresh window (a rebuild after a
// recomputation or a change of choice), otherwise the user's window stays.
void BuildTimeGraph(TGraph& graph, const TResCalc& calc, TColumnKind quantity,
                    const std::vector<int>& objects, const TGraphPageContext& context, bool fit);
// The trajectory of every object relative to `reference` (-1 the camera's frame); only `objects` are
// shown.
void BuildTrajectoryGraph(TGraph& graph, const TResCalc& calc, int reference, const std::vector<int>& objects,
                          const TGraphPageContext& context, bool fit);
// Positions of every object with their velocity (key 0) and acceleration (key 1) vectors, as computed;
// `quantity` 0 shows the velocity scale, 1 the acceleration scale. Only `objects` are shown.
void BuildVectorGraph(TGraph& graph, const TResCalc& calc, int quantity, const std::vector<int>& objects,
                      const TGraphPageContext& context, bool fit);
// The formula graph: one curve per formula of `ordinates` (empty formulas left out) against the time
// (`abscissa` -1) or against the formula `abscissa`, from the values the formulas hold (computed by the
// caller); the abscissa is also set on `formules`. `fit` as for the time graph.
void BuildFormulaGraph(TGraph& graph, TFormules& formules, const std::vector<int>& ordinates, int abscissa,
                       const TGraphPageContext& context, bool fit);
// The entry of a formula in the ordinate list: its name, two spaces, its expression and " (unit)" unless
// it has no unit.
QString FormulaChoiceText(const TFormules& formules, int formula);
// Shows the vector page's elements for the chosen objects and quantity without rebuilding.
void ShowVectorChoices(TGraph& graph, int quantity, const std::vector<int>& objects,
                       const TGraphPageContext& context);

// The plot colours, margins of one page (time, trajectory, vectors, formulas: the page codes of the
// window).
void ApplyPageLook(TGraph& graph, int page);

// File > Print: shows the preview of `printer`, whose pages `paint` draws (as often as the preview needs);
// true when the user printed. Tests replace it to print straight into a PDF file.
using TPrintPreview = std::function<bool(QPrinter& printer, const std::function<void(QPrinter&)>& paint)>;
TPrintPreview& PrintPreview();
// A printed page of `page` device pixels: the header lines centred on top (the first in bold), then the
// graph through its vector rendering, scaled to the room left with its proportions kept.
void PaintForPrint(QPainter& painter, const QSizeF& page, const TGraph& graph, const QStringList& header);

// One graph page: the tool bar on the left, the graph, the vector-scale panel above it (vector page) and
// the choice panel below. The window routes its results and options here.
class TGraphPage : public QWidget
{
public:
    TGraphPage(int page, QWidget* parent = nullptr);

    // The formula page's formulas (not owned; null: the page stays empty).
    TFormules* Formules = nullptr;

    int PageCode() const { return FPage; }
    TGraph& Graph() { return *FGraph; }
    QToolButton* ToolButton(int tool) const;
    // Whether the page offers the tool now (its button is on the tool bar and not hidden).
    bool ToolShown(int tool) const;
    QComboBox* QuantityBox() const { return FQuantity; }
    QComboBox* ReferenceBox() const { return FReference; }
    // The formula page's abscissa ("t", then each formula) and ordinates (the formulas); the same
    // controls as the reference and the objects of the trajectory page.
    QComboBox* AbscissaBox() const { return FReference; }
    QListWidget* OrdinateList() const { return FObjects; }
    QListWidget* ObjectList() const { return FObjects; }
    QLineEdit* NormBox() const { return FNorm; }
    QLabel* ScaleArrow() const { return FArrow; }
    // Time and formula pages: the button of a model kind (null for other kinds and pages), and the kind
    // whose button is down (mkNone when none is).
    QToolButton* ModelButton(int kind) const;
    int ModelKind() const;
    QLabel* UnitLabel() const { return FUnit; }
    // The window's status panels of the coordinates readout (x and y); not owned.
    QLabel* ReadoutX = nullptr;
    QLabel* ReadoutY = nullptr;

    // Fills the choice panel from the table and keeps the remembered choices where they still exist.
    void FillChoices(const TResCalc& calc, const QStringList& objectNames, const QString& cameraName,
                     const TGraphPageContext& context);
    // The formula page: the ordinates checked as the formulas' "in graph" flags say (an empty formula
    // cannot be checked), the abscissa that the formulas remember.
    void FillFormulaChoices();
    // Rebuilds the graph from the choices; `fit` as for the builders.
    void Rebuild(const TResCalc& calc, const TGraphPageContext& context, bool fit);
    // Norm box up-down: multiplies the norm by 1.1 or 0.9; false when the scale refuses it.
    bool StepNorm(bool up);
    // A norm typed in the norm box (Enter): the number, with "." or "," as separator, becomes the norm of
    // the current scale. False when it is not a number or the scale refuses it (vectors between a fifth
    // and ten times their first length); the box then shows the norm in force and the status panel
    // why. The norms chosen by the user stay through every rebuild of the page.
    bool ApplyTypedNorm();
    std::vector<int> SelectedObjects() const;
    void UpdateNormBox();

    // File > Export: asks a file name and writes the graph as SVG, BMP or PNG (the vector page with its
    // scales); the result is told through the message box. False when cancelled or failed.
    bool ExportGraph();
    // Edit > Copy frame to clipboard: a bitmap and the SVG; the result is told through the message box.
    bool CopyGraph();
    QString LastFolder; // the folder of the last export, proposed next time
    // File > Print: the graph through its vector rendering, scaled to the page under the header lines
    // (the page title, the project or video name); a failure is told through the message box. False when
    // cancelled or failed.
    bool PrintGraph(const QStringList& header);

    // Hides the tools that the options hide on this page ("ToolButton" + page + tool + "_Down").
    void ApplyToolOptions(const TOptions& options);
    // The pop-up menu of a click on no element (right button or Space): the page's tools, each item
    // pressing its button. The caller owns the menu.
    QMenu* BuildContextMenu();

    // The vector page's check list "Draw vectors :", "Draw curves :", "Draw segments :", each with
    // "defaults" (from the data) and "added" (the user's): its button, and the item of a group (0
    // vectors, 1 curves, 2 segments) and a kind (false defaults, true added). Null on the other pages.
    QToolButton* DrawButton() const { return FDrawButton; }
    QAction* DrawItem(int group, bool added) const;

    // The vector page's "Draw the current video image" button; null on the other pages.
    QToolButton* VideoButton() const { return FVideoButton; }
    std::function<void(bool)> OnVideoToggle;

    // Called when a choice changes: the window rebuilds the page.
    std::function<void()> OnChoiceChange;

protected:
    void showEvent(QShowEvent* event) override;
    // The graph's keys typed in the choice panel's lists go to the graph.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddTool(int tool, const char* name, const char* hint, const char* graphHint);
    void AddModelButton(int kind, const char* name, const char* hint);
    void SetToolShown(int tool, bool shown);
    // A tool button pressed or released. With a model chosen, releasing the zoom, pan, coordinates or
    // modifier button returns to the model information; the modifier needs a model.
    void ToolToggled(int tool, bool down);
    // A model button pressed (one curve only) or released.
    void ModelButtonClicked(int kind, bool down);
    void ReleaseModelButtons();
    // Selects the model-information tool with its instruction over the graph.
    void SelectModelInfo();
    // Selects the zoom, pan or coordinates tool that was in force before the model, or none.
    void RestorePreviousTool();
    void ShowReadout(int x, int y);
    // The vector page: the check list's states over the window's context.
    TGraphPageContext WithDrawChecks(const TGraphPageContext& context) const;
    // The vector page shows another quantity or other elements of its check list: only what shows
    // changes, the window and the scales stay.
    void ShowVectorElements();

    int FPage;
    TGraph* FGraph = nullptr;
    QToolBar* FTools = nullptr;
    QComboBox* FQuantity = nullptr;
    QComboBox* FReference = nullptr;
    QListWidget* FObjects = nullptr;
    QLineEdit* FNorm = nullptr;
    QLabel* FArrow = nullptr; // the vector page's scale arrow, drawn as the graph draws a vector
    QLabel* FUnit = nullptr;
    QWidget* FScalePanel = nullptr;
    std::vector<std::pair<int, QToolButton*>> FToolButtons;
    std::vector<std::pair<int, QAction*>> FToolActions;      // the tool bar's actions of the buttons
    std::vector<int> FHiddenTools;                           // hidden by the options
    std::vector<std::pair<int, QToolButton*>> FModelButtons; // time and formula pages, by model kind
    std::vector<std::pair<int, QAction*>> FModelActions;
    int FPreviousTool = gtNone; // the zoom, pan or coordinates tool before a model was chosen
    QToolButton* FDrawButton = nullptr;
    QAction* FDrawItems[3][2] = {}; // [vectors, curves, segments][defaults, added]
    QToolButton* FVideoButton = nullptr;
    QAction* FVideoAction = nullptr;
    std::vector<TColumnKind> FQuantities; // time page: the kinds of the list's entries
    TGraphPageContext FContext;
    // The norms the user chose (arrows or typed) by scale key: a rebuild gives them back.
    std::map<int, double> FUserNorms;
    void RestoreUserNorms(int quantity);
    const TResCalc* FCalc = nullptr;
    // A graph built with a fresh window before its page first showed was built at a provisional size:
    // it is built again at the size the window gives it, so that ranges and vector scales fit the plot.
    bool FFresh = false;
};
