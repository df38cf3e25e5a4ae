// The model curve of a data series on a graph: one instance of every model, the active one fitted to the
// series and drawn over it, the model modifier's drags and hover cursors, the information text, and the
// floating panel that steps the parameters.
#pragma once

#include "graph/UnitGraphElems.h"
#include "graph/UnitModeleur.h"
#include "models/UnitModeles.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

// Pointer shapes of the model tools: numbers of the program's cursor set, or a Qt shape as its negated
// value (the arrow is 0 either way).
enum TModelCursor : int
{
    mcArrow = 0,
    mcAmortiExpHaut = 1,
    mcAmortiExpBas = 2,
    mcAmortiLinHaut = 3,
    mcAmortiLinBas = 4,
    mcDeformBasDroit = 5,
    mcDeformBasGauche = 6,
    mcDeformHautDroit = 7,
    mcDeformHautGauche = 8,
    mcDetection = 11,
    mcSelDeformer = 44,
    mcSizeAll = -int(Qt::SizeAllCursor),
    mcSizeHor = -int(Qt::SizeHorCursor),
    mcSizeVer = -int(Qt::SizeVerCursor),
};

class TGModele : public TGElem
{
public:
    // `graph` is the parent of the panel (none: the element never shows one).
    explicit TGModele(QWidget* graph);
    ~TGModele() override;
    TGModele(const TGModele&) = delete;
    TGModele& operator=(const TGModele&) = delete;

    // Model kind code, mkNone (9) while no model is chosen.
    int Kind() const { return FKind; }
    // The active model; null for mkNone.
    TMdl* Model() const;
    TMdl* ModelOf(int kind) const;
    const std::vector<double>& DataX() const { return FDataX; }
    const std::vector<double>& DataY() const { return FDataY; }
    QString AbscissaName() const { return FAbscissa; }
    QString OrdinateName() const { return FOrdinate; }

    // The series' points the model is fitted to (the caller leaves out the hidden ends).
    void SetData(std::vector<double> x, std::vector<double> y);
    // The names the description uses for the abscissa and the ordinate.
    void SetNames(const QString& abscissa, const QString& ordinate);
    // Their units ("s", "m"; empty or "no unit": none), for the physical reading of the description.
    void SetUnits(const QString& abscissaUnit, const QString& ordinateUnit);
    // Activates a model (or none) and fits it to the data. The panel's buttons are offered except for the
    // linearly damped sine, whose lines are the coefficients of its equation rather than its parameters.
    void SetModelKind(int kind);
    // Visible, not hidden, with a model chosen.
    bool ModelShown() const;

    // The zone of the active model under a pixel of the graph; NoZone when the model is not shown.
    int ModelZone(QPoint pixel) const;
    // Starts a drag from the zone under the pointer (left button, model shown).
    void ModelDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pixel);
    // Drags when a drag is under way; otherwise answers the hover cursor (inside the plot).
    // The answer is a TModelCursor.
    int ModelMove(Qt::KeyboardModifiers shift, QPoint pixel);
    // Ends the drag: statistics refreshed, drag mode 0, the panel shows the final values.
    void ModelUp();
    int DragMode() const { return FDragMode; }
    // The equation lines (a blank line after the first), a blank line, the statistics lines.
    QString ModelHint() const;
    // Shows the panel when the model is shown, the tool is the model modifier and the equation or the
    // statistics are wanted; refreshes and resizes it; hides it otherwise.
    void UpdatePanel(int tool, bool showEquation, bool showStatistics);
    // The panel; null until it is first shown.
    TModeleur* Panel() const { return FPanel; }

    // Called after any change of the parameters (drag or panel), for the graph to repaint.
    std::function<void()> OnChange;

    bool HitTest(QPoint, int) const override { return false; }
    void SetPlotRect(const QRect& plot) override;
    void SetWorld(const TWorld& world) override;
    void Draw(QPainter& painter, const TPaintContext& context) const override;

private:
    TModeleur* EnsurePanel();
    void RefreshPanel();
    void Changed();
    int HoverCursor(int zone) const;

    std::unique_ptr<TMdl> FModels[mkNone + 1];
    int FKind = mkNone;
    std::vector<double> FDataX, FDataY;
    QString FAbscissa = QStringLiteral("t"), FOrdinate;
    bool FShowEquation = false, FShowStatistics = false;
    int FDragMode = dmNone;
    QPoint FAnchor;
    QWidget* FGraph = nullptr;
    QPointer<TModeleur> FPanel;
    bool FPanelPlaced = false;
};
