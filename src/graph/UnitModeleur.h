// The model modifier's floating panel: the model's equation with four stepping buttons per parameter
// and, on request, the fit statistics. A child of the graph, moved by dragging its grab image.
#pragma once

#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QPainter;
class QToolButton;

class TModeleur : public QWidget
{
public:
    explicit TModeleur(QWidget* parent);

    // The four buttons of a parameter, left to right.
    enum TStep : int
    {
        stFastDecrease = 0,
        stDecrease = 1,
        stIncrease = 2,
        stFastIncrease = 3,
    };
    static constexpr int MaxParameters = 5;
    static constexpr int ButtonSize = 15; // pixels, square

    // The value a button makes of v: v times 1.1 for a fast increase, 1.02 (1.002 with Ctrl) for an increase
    // and the inverses for the decreases; a value at or below zero takes the inverse factor, so that an
    // increase always moves the value up.
    static double StepValue(double v, int step, bool ctrl);

    // The panel's content. `parameters` gives, for each parameter line (the equation lines after the first),
    // the index of the model parameter it shows and its value.
    void SetContent(const QStringList& equation, const QStringList& statistics,
                    const std::vector<int>& parameters, const std::vector<double>& values);
    bool ShowEquation = true;
    bool ShowStatistics = false;
    // False for a model whose lines are not its parameters: no buttons.
    bool ButtonsEnabled = true;

    const QStringList& EquationLines() const { return FEquation; }
    const QStringList& StatisticsLines() const { return FStatistics; }
    const std::vector<double>& Values() const { return FValues; }
    QToolButton* Button(int parameterLine, int step) const;
    // Steps the value of a parameter line; nothing for a value of 0 or a line without parameter.
    void Step(int parameterLine, int step, bool ctrl);

    // Lays the buttons out, shows those in use and takes the size of the content.
    void Relayout();
    // The size of the content: the widest line (a parameter line with its buttons and 28 pixels) + 44,
    // the bottom of the content + 28.
    QSize ContentSize() const;
    // Draws the panel (frame, grab image, texts, buttons) with its top-left corner at the painter's origin,
    // as the graph's own rendering includes it.
    void DrawPanel(QPainter& painter) const;
    QRect GrabRect() const { return QRect(4, 4, 12, 12); }

    // To the model element: a parameter's new value; the start and end of a drag of the panel.
    std::function<void(int, double)> OnParameterChange;
    std::function<void()> OnDragBegin;
    std::function<void()> OnDragEnd;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Top of each drawn line and where the buttons of each parameter line go.
    struct TLayout
    {
        std::vector<std::pair<int, QString>> Lines; // top, text
        std::vector<int> ButtonRows;                // top of each parameter line's buttons
        int ButtonLeft = 0;
        QSize Size;
    };
    TLayout ComputeLayout() const;
    int ShownParameterLines() const;

    QStringList FEquation, FStatistics;
    std::vector<int> FParameters;
    std::vector<double> FValues;
    QToolButton* FButtons[MaxParameters * 4] = {};
    bool FDragging = false;
    QPoint FDragFrom;
};
