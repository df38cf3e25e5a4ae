// Closed outlines turned into pixel masks: the target of the tracking and the cut-outs of the studio.
#include "tracking/UnitOutlineMask.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Sets the pixels of the segment a-b (Bresenham) in the mask whose top-left pixel is origin.
void TraceSegment(const QPoint& a, const QPoint& b, const QPoint& origin, TMatriceI& mask, int& count)
{
    int x = a.x();
    int y = a.y();
    const int dx = std::abs(b.x() - a.x());
    const int dy = -std::abs(b.y() - a.y());
    const int sx = a.x() < b.x() ? 1 : -1;
    const int sy = a.y() < b.y() ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        int& entry = mask[y - origin.y()][x - origin.x()];
        if (entry == 0)
            ++count;
        entry = 1;
        if (x == b.x() && y == b.y())
            break;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

} // namespace

bool RasteriseOutline(const TPointDynArray& polygon, QRect& box, TMatriceI& mask, int* crossings,
                      int* contour)
{
    std::vector<QPoint> points;
    for (const QPoint& p : polygon)
        if (points.empty() || points.back() != p)
            points.push_back(p);
    while (points.size() > 1 && points.back() == points.front())
        points.pop_back();
    if (points.size() < 2)
        return false;
    points.push_back(points.front());

    int left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    for (const QPoint& p : points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    --left;
    --top;
    ++right;
    ++bottom;
    const int rows = bottom - top + 1;
    const int columns = right - left + 1;
    TMatriceI result(rows, std::vector<int>(columns, 0));

    // Inside: non-zero winding of the crossings of each pixel row with the edges, counted to the right of
    // the pixel; an edge covers its lower end and not its upper one, so a vertex on the row counts once.
    int crossingCount = 0;
    std::vector<std::pair<double, int>> row;
    for (int i = 0; i < rows; ++i) {
        const double yRow = top + i;
        row.clear();
        for (std::size_t k = 0; k + 1 < points.size(); ++k) {
            const QPoint& a = points[k];
            const QPoint& b = points[k + 1];
            if (a.y() == b.y())
                continue;
            if ((a.y() <= yRow && yRow < b.y()) || (b.y() <= yRow && yRow < a.y())) {
                const double xCross = a.x() + (yRow - a.y()) * (b.x() - a.x()) / double(b.y() - a.y());
                row.emplace_back(xCross, a.y() < b.y() ? 1 : -1);
            }
        }
        crossingCount += static_cast<int>(row.size());
        if (row.empty())
            continue;
        for (int j = 0; j < columns; ++j) {
            int winding = 0;
            for (const auto& [xCross, direction] : row)
                if (xCross > left + j)
                    winding += direction;
            if (winding != 0)
                result[i][j] = 1;
        }
    }
    int contourCount = 0;
    for (std::size_t k = 0; k + 1 < points.size(); ++k)
        TraceSegment(points[k], points[k + 1], QPoint(left, top), result, contourCount);
    if (crossings)
        *crossings = crossingCount;
    if (contour)
        *contour = contourCount;

    box = QRect(left, top, columns, rows);
    mask = std::move(result);
    return true;
}
