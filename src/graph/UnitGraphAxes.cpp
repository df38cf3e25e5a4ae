// Axes of a graph: graduation, label formats, axis drawing, automatic ranges, zoom levels.
#include "graph/UnitGraphAxes.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr double Near = 1e-100;

bool NearZero(double x)
{
    return std::fabs(x) < Near;
}

// Scientific text with `digits` significant digits and an exponent of at least one digit: "1.20E+4".
QString Scientific(double value, int digits)
{
    QString text = QString::number(value, 'e', std::max(0, digits - 1));
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e < 0)
        return text;
    const QString mantissa = text.left(e);
    const QChar sign = text.at(e + 1);
    QString exponent = text.mid(e + 2);
    while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0')))
        exponent.remove(0, 1);
    return mantissa + QLatin1Char('E') + (sign == QLatin1Char('-') ? QLatin1Char('-') : QLatin1Char('+')) +
           exponent;
}

QColor Rgb(int r, int g, int b)
{
    return QColor(r, g, b);
}

} // namespace

TGraduation Graduate(double min, double max)
{
    TGraduation g;
    if (!std::isfinite(min) || !std::isfinite(max))
        return g;
    // A reversed range is graduated as the ordered one: the ticks are the same values.
    if (max < min)
        std::swap(min, max);
    const double range = max - min;
    if (!std::isfinite(range))
        return g;
    const double e = NearZero(range) ? 0.0 : std::floor(std::log10(range));
    const double p = std::pow(10.0, e);
    const double l = range / p;
    const double multiplier = l <= 1.2   ? 0.2
                              : l <= 2.4 ? 0.4
                              : l <= 3.6 ? 0.6
                              : l < 4    ? 0.8
                              : l <= 6   ? 1.0
                                         : 2.0;
    const double step = multiplier * p;
    if (!(step > 0.0) || !std::isfinite(step))
        return g;
    double first = std::trunc(min / step);
    if (first < 0)
        first -= 1;
    first *= step;
    g.Step = step;
    g.Count = int(std::trunc(range / step)) + 1;
    // Each loop below moves by one step at most a few times; the bounds stop it where the step is too
    // small to change the value (|min| huge against the range).
    if (!NearZero(first - min))
        for (int i = 0; i < 4 && first < min; ++i)
            first += step;
    double last = first;
    for (int i = 0; i <= g.Count + 2 && last < max; ++i)
        last += step;
    if (!NearZero(max - last))
        last -= step;
    g.First = first;
    g.Last = last;
    return g;
}

QString AxisLabel(double value, double min, double max)
{
    const double f = std::max(std::fabs(max), std::fabs(min));
    if (f >= 10000 || f <= 0.1)
        return Scientific(value, 3);
    const int decimals = f >= 1000 ? 0 : f >= 100 ? 1 : f >= 10 ? 2 : 3;
    return QString::number(value, 'f', decimals);
}

QStringList TickLabels(double min, double max)
{
    QStringList labels;
    const TGraduation g = Graduate(min, max);
    for (int i = 0; i < g.Count; ++i) {
        double value = g.First + i * g.Step;
        if (i > 0 && std::fabs(value) * 1048576.0 < g.Step)
            value = 0.0;
        labels << AxisLabel(value, min, max);
    }
    return labels;
}

QString GeneralText(double value, int significant)
{
    if (!std::isfinite(value))
        return NonDefiniText;
    if (value == 0.0)
        return QStringLiteral("0");
    const double a = std::fabs(value);
    if (a >= 1e-4 && a < std::pow(10.0, significant)) {
        QString text = QString::number(value, 'g', significant);
        if (!text.contains(QLatin1Char('e')))
            return text;
    }
    // Scientific without trailing zeros in the mantissa.
    QString text = Scientific(value, significant);
    const qsizetype e = text.indexOf(QLatin1Char('E'));
    QString mantissa = text.left(e);
    if (mantissa.contains(QLatin1Char('.'))) {
        while (mantissa.endsWith(QLatin1Char('0')))
            mantissa.chop(1);
        if (mantissa.endsWith(QLatin1Char('.')))
            mantissa.chop(1);
    }
    return mantissa + text.mid(e);
}

QString VectorValueText(double value)
{
    if (!std::isfinite(value))
        return NonDefiniText;
    if (value == 0.0)
        return QStringLiteral("0");
    const double a = std::fabs(value);
    if (a > 10000.0 || a < 0.01)
        return Scientific(value, 2);
    // Three significant digits, with at most 2 decimals below 10, 1 below 100 and none above.
    const int decimals = a > 1000 ? 0 : a > 100 ? 0 : a > 10 ? 1 : 2;
    const double unit = std::pow(10.0, std::floor(std::log10(a)) - 2);
    const double rounded = std::round(value / unit) * unit;
    if (std::fabs(rounded) >= 1000.0)
        return Scientific(value, 2);
    return QString::number(rounded, 'f', decimals);
}

void TAxe::Draw(QPainter& painter, const QRect& plot, const QSize& control)
{
    if (!Visible || TickCount == 0 || MinorDivisions == 0 || NearZero(Max - Min) || !std::isfinite(Max - Min))
        return;
    painter.save();
    painter.fillRect(Band, ToQColor(BandColor));

    const TGraduation g = Graduate(Min, Max);
    TickCount = g.Count;
    if (g.Count <= 0) {
        painter.restore();
        return;
    }
    const int length = Vertical ? plot.height() : plot.width();
    // Pixels from the axis start (left end of x, bottom end of y) of a world value.
    const auto offset = [&](double value) { return (value - Min) * length / (Max - Min); };
    const double r = std::fabs(length * g.Step / (Max - Min)); // pixels per step
    const int plotRight = plot.left() + plot.width();
    const int plotBottom = plot.top() + plot.height();

    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setPointSize(10);
    painter.setFont(labelFont);
    const QFontMetrics metrics(labelFont, painter.device());
    painter.setPen(Rgb(20, 20, 100));
    std::vector<int> ticks; // pixels from the axis start of the labelled ticks inside the plot
    const QStringList labels = TickLabels(Min, Max);
    for (int i = 0; i < g.Count; ++i) {
        const int k = int(std::lround(offset(g.First + i * g.Step)));
        if (k >= 0 && k <= length)
            ticks.push_back(k);
        const QString& text = labels.at(i);
        const int w = metrics.horizontalAdvance(text);
        const int h = metrics.height();
        if (Vertical) {
            const int centre = plotBottom - k - 1;
            if (centre - h / 2 < plot.top() - h / 2 || k < 0)
                continue;
            painter.drawText(QRect(plot.left() - 6 - w, centre - h / 2, w, h),
                             Qt::AlignRight | Qt::AlignVCenter, text);
        } else {
            const int centre = plot.left() + k;
            if (centre > plotRight - w / 2 || k < 0)
                continue;
            painter.drawText(QRect(centre - w / 2, Band.top() + 6, w, h), Qt::AlignHCenter | Qt::AlignTop,
                             text);
        }
    }

    // Title: first line 14 points bold, the others 12 points, 2 pixels apart.
    painter.setPen(Qt::blue);
    int distance = TitleFromEdge;
    for (int line = 0; line < Title.size(); ++line) {
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(line == 0 ? 14 : 12);
        font.setBold(line == 0);
        painter.setFont(font);
        const QFontMetrics fm(font, painter.device());
        const int h = fm.height();
        if (Vertical) {
            // Reading bottom to top, the first line nearest the left edge.
            const int room = std::max(0, plot.height() - 28);
            const QString text = fm.elidedText(Title.at(line), Qt::ElideRight, room);
            painter.save();
            painter.translate(distance, plot.top() + plot.height() / 2);
            painter.rotate(-90);
            painter.drawText(QRect(-room / 2, 0, room, h), Qt::AlignHCenter | Qt::AlignTop, text);
            painter.restore();
        } else {
            const int room = std::max(0, plot.width() - 24);
            const QString text = fm.elidedText(Title.at(line), Qt::ElideRight, room);
            painter.drawText(QRect(plot.left() + 12, control.height() - distance - h, room, h),
                             Qt::AlignHCenter | Qt::AlignBottom, text);
        }
        distance += h + 2;
    }

    painter.setClipRect(QRect(0, 0, control.width(), control.height()));
    // Grid lines at every labelled tick inside the plot.
    QPen dotted(Rgb(128, 128, 128), 1, Qt::DotLine);
    painter.setPen(dotted);
    for (const int k : ticks) {
        if (Vertical)
            painter.drawLine(plot.left(), plotBottom - k, plotRight, plotBottom - k);
        else
            painter.drawLine(plot.left() + k, plot.top(), plot.left() + k, plotBottom);
    }
    // Zero line.
    if (Max > 0 && Min < 0) {
        painter.setPen(QPen(Rgb(128, 128, 128), 3, Qt::SolidLine));
        const int k = int(std::lround(offset(0.0)));
        if (Vertical)
            painter.drawLine(plot.left(), plotBottom - k, plotRight, plotBottom - k);
        else
            painter.drawLine(plot.left() + k, plot.top(), plot.left() + k, plotBottom);
    }
    // Major ticks, outside the plot.
    painter.setPen(QPen(Qt::black, 1));
    for (const int k : ticks) {
        if (Vertical)
            painter.drawLine(plot.left() - 4, plotBottom - k, plot.left() - 1, plotBottom - k);
        else
            painter.drawLine(plot.left() + k, plotBottom + 1, plot.left() + k, plotBottom + 4);
    }
    // Minor ticks: every fifth of a step, from one step before the first tick.
    painter.setPen(QPen(Rgb(128, 128, 128), 1));
    const double o = offset(g.First);
    const double sign = (Max - Min) > 0 ? 1.0 : -1.0;
    for (int i = -1; i < g.Count; ++i)
        for (int j = 0; j < MinorDivisions; ++j) {
            const int k = int(std::lround(o + sign * (i * r + j * r / MinorDivisions)));
            if (k < 0 || k > length)
                continue;
            if (Vertical)
                painter.drawLine(plot.left() - 3, plotBottom - k, plot.left() - 1, plotBottom - k);
            else
                painter.drawLine(plot.left() + k, plotBottom + 1, plot.left() + k, plotBottom + 3);
        }
    painter.restore();
}

TWorld FitRange(const TWorld& rect, bool xIncludeZero, bool yIncludeZero, bool yFromZero, bool xFromZero,
                double m)
{
    const auto fit = [m](double& min, double& max, bool includeZero, bool fromZero) {
        if (NearZero(min) && NearZero(max)) {
            min -= 1e-50;
            max += 1e-50;
        } else if (NearZero(max - min)) {
            const double d = std::fabs(m * max);
            min -= d;
            max += d;
        }
        if (includeZero || fromZero) {
            if (min > 0)
                min = 0;
            else if (max < 0)
                max = 0;
        }
        const double d = m * (max - min);
        min -= d;
        max += d;
        if (fromZero)
            min = 0;
    };
    TWorld w = rect;
    fit(w.YMin, w.YMax, yIncludeZero || yFromZero, yFromZero);
    fit(w.XMin, w.XMax, xIncludeZero || xFromZero, xFromZero);
    // An arithmetic failure, or a range that is still empty (m = 0 on a single value), falls back.
    for (const double v : {w.XMin, w.XMax, w.YMin, w.YMax})
        if (!std::isfinite(v))
            return TWorld{};
    if (!(w.XMax > w.XMin) || !(w.YMax > w.YMin))
        return TWorld{};
    return w;
}

TWorld EqualizeScales(const TWorld& rect, int plotHeight, int plotWidth)
{
    if (plotHeight <= 0 || plotWidth <= 0)
        return rect;
    TWorld w = rect;
    const double H = plotHeight;
    const double W = plotWidth;
    if (W * (w.YMax - w.YMin) > H * (w.XMax - w.XMin)) {
        const double c = (w.XMin + w.XMax) / 2;
        const double half = W * (w.YMax - w.YMin) / H / 2;
        w.XMin = c - half;
        w.XMax = c + half;
    } else {
        const double c = (w.YMin + w.YMax) / 2;
        const double half = H * (w.XMax - w.XMin) / W / 2;
        w.YMin = c - half;
        w.YMax = c + half;
    }
    return w;
}

double TZoom::ZoomIn(double factor, bool fine)
{
    double next = Levels.back();
    for (const double level : Levels)
        if (level > factor + 0.00001) {
            next = level;
            break;
        }
    const double result = fine ? factor + (next - factor) / 10 : next;
    return std::min(result, Levels.back());
}

double TZoom::ZoomOut(double factor, bool fine)
{
    double previous = Levels.front();
    for (auto it = Levels.rbegin(); it != Levels.rend(); ++it)
        if (*it < factor - 0.00001) {
            previous = *it;
            break;
        }
    const double result = fine ? factor - (factor - previous) / 10 : previous;
    return std::max(result, Levels.front());
}
