// The model modifier's floating panel.
#include "graph/UnitModeleur.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {

constexpr int ContentLeft = 22; // right of the grab image
constexpr int ContentTop = 20;  // below the grab image
constexpr int StatisticsGap = 14;

const char* const StepHints[4] = {
    "Decrease value rapidly",
    "Decrease value; press CTRL at the same time to slow down the progression",
    "Increase value; press CTRL at the same time to slow down the progression",
    "Increase value rapidly",
};
const char* const StepTexts[4] = {"<<", "<", ">", ">>"};

} // namespace

TModeleur::TModeleur(QWidget* parent) : QWidget(parent)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    setFont(font);
    setAutoFillBackground(false);
    for (int i = 0; i < MaxParameters * 4; ++i) {
        auto* b = new QToolButton(this);
        b->setAutoRaise(true);
        b->setFixedSize(ButtonSize, ButtonSize);
        b->setText(QString::fromLatin1(StepTexts[i % 4]));
        b->setToolTip(QString::fromLatin1(StepHints[i % 4]));
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
        const int line = i / 4, step = i % 4;
        connect(b, &QToolButton::clicked, this, [this, line, step] {
            Step(line, step, QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier));
        });
        FButtons[i] = b;
    }
    hide();
}

double TModeleur::StepValue(double v, int step, bool ctrl)
{
    const double slow = ctrl ? 1.002 : 1.02;
    double factor = 1.0;
    switch (step) {
    case stFastDecrease:
        factor = 1.0 / 1.1;
        break;
    case stDecrease:
        factor = 1.0 / slow;
        break;
    case stIncrease:
        factor = slow;
        break;
    case stFastIncrease:
        factor = 1.1;
        break;
    default:
        return v;
    }
    return v > 0 ? v * factor : v / factor;
}

QToolButton* TModeleur::Button(int parameterLine, int step) const
{
    if (parameterLine < 0 || parameterLine >= MaxParameters || step < 0 || step > 3)
        return nullptr;
    return FButtons[parameterLine * 4 + step];
}

void TModeleur::SetContent(const QStringList& equation, const QStringList& statistics,
                           const std::vector<int>& parameters, const std::vector<double>& values)
{
    FEquation = equation;
    FStatistics = statistics;
    FParameters = parameters;
    FValues = values;
    Relayout();
    update();
}

void TModeleur::Step(int parameterLine, int step, bool ctrl)
{
    if (parameterLine < 0 || parameterLine >= int(FParameters.size()) || parameterLine >= int(FValues.size()))
        return;
    const double v = FValues[std::size_t(parameterLine)];
    if (v == 0.0 || !std::isfinite(v))
        return; // a factor cannot move a zero
    const double stepped = StepValue(v, step, ctrl);
    FValues[std::size_t(parameterLine)] = stepped;
    if (OnParameterChange)
        OnParameterChange(FParameters[std::size_t(parameterLine)], stepped);
}

int TModeleur::ShownParameterLines() const
{
    if (!ShowEquation || !ButtonsEnabled)
        return 0;
    return std::min({int(FParameters.size()), int(FEquation.size()) - 1, int(MaxParameters)});
}

TModeleur::TLayout TModeleur::ComputeLayout() const
{
    TLayout l;
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    const int rowHeight = std::max(lineHeight, ButtonSize + 1);
    const int buttons = ShownParameterLines();
    int y = ContentTop;
    int widest = 0, widestParameter = 0;
    if (ShowEquation) {
        for (qsizetype i = 0; i < FEquation.size(); ++i) {
            const bool parameter = i >= 1 && i - 1 < buttons;
            l.Lines.emplace_back(y + (parameter ? (rowHeight - lineHeight) / 2 : 0), FEquation[i]);
            const int w = metrics.horizontalAdvance(FEquation[i]);
            if (parameter) {
                widestParameter = std::max(widestParameter, w);
                l.ButtonRows.push_back(y);
            } else {
                widest = std::max(widest, w);
            }
            y += parameter ? rowHeight : lineHeight;
        }
    }
    if (ShowStatistics) {
        if (ShowEquation && !FEquation.isEmpty())
            y += StatisticsGap;
        for (const QString& line : FStatistics) {
            l.Lines.emplace_back(y, line);
            widest = std::max(widest, metrics.horizontalAdvance(line));
            y += lineHeight;
        }
    }
    l.ButtonLeft = ContentLeft + widestParameter + 8;
    if (buttons > 0)
        widest = std::max(widest, widestParameter + 28 + 4 * ButtonSize);
    l.Size = QSize(widest + 44, y - ContentTop + 28);
    return l;
}

QSize TModeleur::ContentSize() const
{
    return ComputeLayout().Size;
}

void TModeleur::Relayout()
{
    const TLayout l = ComputeLayout();
    const int shown = ShownParameterLines();
    for (int i = 0; i < MaxParameters * 4; ++i) {
        const int line = i / 4;
        if (line < shown) {
            FButtons[i]->move(l.ButtonLeft + (i % 4) * ButtonSize, l.ButtonRows[std::size_t(line)]);
            FButtons[i]->show();
        } else {
            FButtons[i]->hide();
        }
    }
    resize(l.Size);
}

void TModeleur::DrawPanel(QPainter& painter) const
{
    const TLayout l = ComputeLayout();
    const QRect box(QPoint(0, 0), l.Size);
    painter.save();
    painter.fillRect(box, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomRight());
    // The grab image: a small four-way arrow.
    const QRect g = GrabRect();
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.drawLine(g.left(), g.center().y(), g.right(), g.center().y());
    painter.drawLine(g.center().x(), g.top(), g.center().x(), g.bottom());
    painter.drawRect(g.adjusted(2, 2, -2, -2));
    painter.setFont(font());
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font());
    for (const auto& [top, text] : l.Lines)
        painter.drawText(QRect(ContentLeft, top, box.width(), metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                         text);
    // The buttons, as they look on the screen, for renderings made without the child widgets.
    for (std::size_t line = 0; line < l.ButtonRows.size(); ++line)
        for (int s = 0; s < 4; ++s) {
            const QRect b(l.ButtonLeft + s * ButtonSize, l.ButtonRows[line], ButtonSize - 1, ButtonSize - 1);
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(b);
            painter.setPen(Qt::black);
            painter.drawText(b, Qt::AlignCenter, QString::fromLatin1(StepTexts[s]));
        }
    painter.restore();
}

void TModeleur::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawPanel(painter);
}

void TModeleur::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !GrabRect().adjusted(-2, -2, 2, 2).contains(p))
        return;
    FDragging = true;
    FDragFrom = event->globalPosition().toPoint();
    setCursor(Qt::SizeAllCursor);
    if (OnDragBegin)
        OnDragBegin();
}

void TModeleur::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (!FDragging) {
        setCursor(GrabRect().adjusted(-2, -2, 2, 2).contains(p) ? Qt::SizeAllCursor : Qt::ArrowCursor);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    QPoint to = pos() + global - FDragFrom;
    FDragFrom = global;
    // The panel stays within the graph.
    if (const QWidget* parent = parentWidget()) {
        to.setX(std::clamp(to.x(), 0, std::max(0, parent->width() - width())));
        to.setY(std::clamp(to.y(), 0, std::max(0, parent->height() - height())));
    }
    move(to);
}

void TModeleur::mouseReleaseEvent(QMouseEvent*)
{
    if (!FDragging)
        return;
    FDragging = false;
    if (OnDragEnd)
        OnDragEnd();
}
