// The target's look as it was outlined, matched by normalised cross-correlation.
#include "tracking/UnitAppearance.h"

#include "tracking/UnitMeanShift.h"

#include <algorithm>
#include <cmath>

namespace {

// Subtracts each plane's mean over the pixels of the spans and zeroes the others; returns the root of the
// sum of squares left.
double Centre(std::vector<float>& planes, int width, const std::vector<std::pair<int, int>>& spans, int count)
{
    const int perPlane = width * static_cast<int>(spans.size());
    double total = 0.0;
    for (int c = 0; c < 3; ++c) {
        float* plane = planes.data() + static_cast<std::size_t>(c) * perPlane;
        double sum = 0.0;
        for (std::size_t y = 0; y < spans.size(); ++y)
            for (int x = spans[y].first; x < spans[y].second; ++x)
                sum += plane[y * width + x];
        const auto mean = static_cast<float>(count > 0 ? sum / count : 0.0);
        for (std::size_t y = 0; y < spans.size(); ++y)
            for (int x = 0; x < width; ++x) {
                float& value = plane[y * width + x];
                if (x >= spans[y].first && x < spans[y].second) {
                    value -= mean;
                    total += double(value) * value;
                } else {
                    value = 0.0f;
                }
            }
    }
    return std::sqrt(total);
}

// Vertex of the parabola through (-1, a), (0, b), (1, c), within half a pixel.
double Vertex(double a, double b, double c)
{
    const double d = a - 2.0 * b + c;
    if (!(d < -1e-12))
        return 0.0;
    return std::clamp(0.5 * (a - c) / d, -0.5, 0.5);
}

} // namespace

void TAppearance::Clear()
{
    FTemplate.clear();
    FSpans.clear();
    FCoarseSpans.clear();
    FCount = FCoarseCount = 0;
    FCoarse.clear();
    FWidth = FHeight = 0;
    FNorm = FCoarseNorm = FContrast = 0.0;
}

void TAppearance::Patch(const QImage& frame, const QPoint& corner, int width, int height, int scale,
                        std::vector<float>& out)
{
    const int perPlane = width * height;
    out.assign(static_cast<std::size_t>(perPlane) * 3, 0.0f);
    const int fw = frame.width(), fh = frame.height();
    const float inverse = 1.0f / float(scale * scale);
    float* r = out.data();
    float* g = r + perPlane;
    float* b = g + perPlane;
    for (int y = 0; y < height * scale; ++y) {
        const auto* line =
            reinterpret_cast<const QRgb*>(frame.constScanLine(std::clamp(corner.y() + y, 0, fh - 1)));
        const int row = (y / scale) * width;
        for (int x = 0; x < width * scale; ++x) {
            const QRgb p = line[std::clamp(corner.x() + x, 0, fw - 1)];
            const int k = row + x / scale;
            r[k] += float(qRed(p));
            g[k] += float(qGreen(p));
            b[k] += float(qBlue(p));
        }
    }
    if (scale > 1)
        for (float& value : out)
            value *= inverse;
}

bool TAppearance::SetAnchor(const QImage& frameIn, const QRect& box, const QPointF& centre,
                            const TMatriceI* mask)
{
    Clear();
    if (box.isEmpty() || frameIn.isNull())
        return false;
    const QImage frame = AsRgb32(frameIn);
    FWidth = box.width();
    FHeight = box.height();
    FOffset = QPointF(box.topLeft()) - centre;
    // The rows' spans: the outline's shape, so that the background in the box's corners, which changes
    // as the target moves, does not count.
    const bool masked = mask && static_cast<int>(mask->size()) == FHeight;
    FSpans.assign(FHeight, {0, FWidth});
    FCount = 0;
    for (int y = 0; y < FHeight; ++y) {
        if (masked) {
            const auto& row = (*mask)[y];
            int first = FWidth, last = -1;
            for (int x = 0; x < std::min(FWidth, static_cast<int>(row.size())); ++x)
                if (row[x] != 0) {
                    first = std::min(first, x);
                    last = x;
                }
            FSpans[y] = last >= first ? std::make_pair(first, last + 1) : std::make_pair(0, 0);
        }
    }
    for (const auto& span : FSpans)
        FCount += span.second - span.first;
    if (FCount == 0) {
        Clear();
        return false;
    }
    Patch(frame, box.topLeft(), FWidth, FHeight, 1, FTemplate);
    // The grey levels' deviation tells a uniform area from an object.
    {
        const int n = FWidth * FHeight;
        double sum = 0.0, sum2 = 0.0;
        for (int y = 0; y < FHeight; ++y)
            for (int x = FSpans[y].first; x < FSpans[y].second; ++x) {
                const int k = y * FWidth + x;
                const double grey = (FTemplate[k] + FTemplate[k + n] + FTemplate[k + 2 * n]) / 3.0;
                sum += grey;
                sum2 += grey * grey;
            }
        FContrast = std::sqrt(std::max(0.0, sum2 / FCount - (sum / FCount) * (sum / FCount)));
    }
    FNorm = Centre(FTemplate, FWidth, FSpans, FCount);
    // The coarse anchor keeps about 8 cells on its smaller side: enough for the shape, cheap to slide. A
    // cell counts when its middle pixel does.
    FScale = std::max(1, std::min(FWidth, FHeight) / 8);
    FCoarseWidth = FWidth / FScale;
    FCoarseHeight = FHeight / FScale;
    FCoarseSpans.assign(FCoarseHeight, {0, 0});
    FCoarseCount = 0;
    for (int y = 0; y < FCoarseHeight; ++y) {
        const auto& span = FSpans[y * FScale + FScale / 2];
        int first = FCoarseWidth, last = -1;
        for (int x = 0; x < FCoarseWidth; ++x) {
            const int middle = x * FScale + FScale / 2;
            if (middle >= span.first && middle < span.second) {
                first = std::min(first, x);
                last = x;
            }
        }
        if (last >= first)
            FCoarseSpans[y] = {first, last + 1};
        FCoarseCount += FCoarseSpans[y].second - FCoarseSpans[y].first;
    }
    Patch(frame, box.topLeft(), FCoarseWidth, FCoarseHeight, FScale, FCoarse);
    FCoarseNorm = FCoarseCount > 0 ? Centre(FCoarse, FCoarseWidth, FCoarseSpans, FCoarseCount) : 0.0;
    if (FNorm < 1e-6)
        FNorm = 0.0;
    return true;
}

QPoint TAppearance::CornerOf(const QPointF& position) const
{
    const QPointF corner = position + FOffset;
    return {static_cast<int>(std::lround(corner.x())), static_cast<int>(std::lround(corner.y()))};
}

double TAppearance::Score(const QImage& frameIn, const QPointF& position) const
{
    if (FTemplate.empty() || frameIn.isNull())
        return -1.0;
    return ScoreAt(AsRgb32(frameIn), CornerOf(position));
}

double TAppearance::ScoreAt(const QImage& frame, const QPoint& corner) const
{
    if (FNorm <= 0.0)
        return 0.0;
    const int fw = frame.width(), fh = frame.height();
    const bool inside =
        corner.x() >= 0 && corner.y() >= 0 && corner.x() + FWidth <= fw && corner.y() + FHeight <= fh;
    const int n = FWidth * FHeight;
    const int counted = FCount;
    const float* tr = FTemplate.data();
    const float* tg = tr + n;
    const float* tb = tg + n;
    double dot = 0.0;
    double sr = 0.0, sg = 0.0, sb = 0.0, s2 = 0.0;
    for (int y = 0; y < FHeight; ++y) {
        const int row = inside ? corner.y() + y : std::clamp(corner.y() + y, 0, fh - 1);
        const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(row));
        const int k0 = y * FWidth;
        float rowDot = 0.0f, rowR = 0.0f, rowG = 0.0f, rowB = 0.0f, row2 = 0.0f;
        for (int x = FSpans[y].first; x < FSpans[y].second; ++x) {
            const QRgb p = line[inside ? corner.x() + x : std::clamp(corner.x() + x, 0, fw - 1)];
            const float r = float(qRed(p)), g = float(qGreen(p)), b = float(qBlue(p));
            const int k = k0 + x;
            rowDot += tr[k] * r + tg[k] * g + tb[k] * b;
            rowR += r;
            rowG += g;
            rowB += b;
            row2 += r * r + g * g + b * b;
        }
        dot += rowDot;
        sr += rowR;
        sg += rowG;
        sb += rowB;
        s2 += row2;
    }
    const double variance = s2 - (sr * sr + sg * sg + sb * sb) / counted;
    if (variance < 1e-6 * counted)
        return 0.0;
    return std::clamp(dot / (FNorm * std::sqrt(variance)), -1.0, 1.0);
}

TAppearanceMatch TAppearance::Refine(const QImage& frameIn, const QPointF& start, int step) const
{
    TAppearanceMatch match;
    match.Position = start;
    if (FTemplate.empty() || frameIn.isNull())
        return match;
    const QImage frame = AsRgb32(frameIn);
    QPoint p = CornerOf(start);
    double best = ScoreAt(frame, p);
    for (int s = std::max(1, step / 2);; s /= 2) {
        for (int moves = 0; moves < 32; ++moves) {
            QPoint bestPoint = p;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    if (dx == 0 && dy == 0)
                        continue;
                    const QPoint q = p + QPoint(dx * s, dy * s);
                    const double value = ScoreAt(frame, q);
                    if (value > best) {
                        best = value;
                        bestPoint = q;
                    }
                }
            if (bestPoint == p)
                break;
            p = bestPoint;
        }
        if (s <= 1)
            break;
    }
    const double left = ScoreAt(frame, p - QPoint(1, 0)), right = ScoreAt(frame, p + QPoint(1, 0));
    const double up = ScoreAt(frame, p - QPoint(0, 1)), down = ScoreAt(frame, p + QPoint(0, 1));
    match.Position = QPointF(p) - FOffset + QPointF(Vertex(left, best, right), Vertex(up, best, down));
    match.Score = best;
    return match;
}

std::vector<TAppearanceMatch> TAppearance::Search(const QImage& frameIn, const QPointF& around, int radius,
                                                  int count) const
{
    std::vector<TAppearanceMatch> matches;
    if (FTemplate.empty() || frameIn.isNull() || count <= 0 || FCoarseNorm <= 0.0)
        return matches;
    const QImage frame = AsRgb32(frameIn);
    const int s = FScale;
    const int cw = FCoarseWidth, ch = FCoarseHeight;
    const int reach = (std::max(radius, 0) + s - 1) / s; // grid steps each way
    const int side = 2 * reach + 1;
    const QPoint corner = CornerOf(around);
    const int rw = side - 1 + cw, rh = side - 1 + ch;
    Patch(frame, corner - QPoint(reach * s, reach * s), rw, rh, s, FWork);
    const int perPlane = rw * rh;
    const int n = cw * ch;
    const int counted = FCoarseCount;
    const float* planes[3] = {FWork.data(), FWork.data() + perPlane, FWork.data() + 2 * perPlane};
    const float* tplanes[3] = {FCoarse.data(), FCoarse.data() + n, FCoarse.data() + 2 * n};
    std::vector<double> map(static_cast<std::size_t>(side) * side, -1.0);
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            double dot = 0.0, sum = 0.0, sum2 = 0.0, means = 0.0;
            for (int c = 0; c < 3; ++c) {
                double planeSum = 0.0;
                for (int y = 0; y < ch; ++y) {
                    const float* row = planes[c] + static_cast<std::size_t>(j + y) * rw + i;
                    const float* t = tplanes[c] + static_cast<std::size_t>(y) * cw;
                    float rowDot = 0.0f, rowSum = 0.0f, row2 = 0.0f;
                    for (int x = FCoarseSpans[y].first; x < FCoarseSpans[y].second; ++x) {
                        rowDot += t[x] * row[x];
                        rowSum += row[x];
                        row2 += row[x] * row[x];
                    }
                    dot += rowDot;
                    planeSum += rowSum;
                    sum2 += row2;
                }
                sum += planeSum;
                means += planeSum * planeSum;
            }
            (void)sum;
            const double variance = sum2 - means / counted;
            map[static_cast<std::size_t>(j) * side + i] =
                variance < 1e-6 * counted ? 0.0 : dot / (FCoarseNorm * std::sqrt(variance));
        }
    // Local maxima of the map, best first.
    struct TPeak
    {
        double Value;
        int I, J;
    };
    std::vector<TPeak> peaks;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const double value = map[static_cast<std::size_t>(j) * side + i];
            if (value <= 0.0)
                continue;
            bool top = true;
            for (int dj = -1; dj <= 1 && top; ++dj)
                for (int di = -1; di <= 1; ++di) {
                    const int ii = i + di, jj = j + dj;
                    if ((di == 0 && dj == 0) || ii < 0 || jj < 0 || ii >= side || jj >= side)
                        continue;
                    const double other = map[static_cast<std::size_t>(jj) * side + ii];
                    // Ties go to the first in scan order, so a plateau gives one peak.
                    if (other > value || (other == value && (jj < j || (jj == j && ii < i)))) {
                        top = false;
                        break;
                    }
                }
            if (top)
                peaks.push_back({value, i, j});
        }
    std::sort(peaks.begin(), peaks.end(), [](const TPeak& a, const TPeak& b) { return a.Value > b.Value; });
    for (const TPeak& peak : peaks) {
        if (static_cast<int>(matches.size()) >= count)
            break;
        const QPointF start = QPointF(corner + QPoint((peak.I - reach) * s, (peak.J - reach) * s)) - FOffset;
        TAppearanceMatch match = Refine(frame, start, s);
        // Two coarse peaks may climb to the same place.
        bool seen = false;
        for (const TAppearanceMatch& other : matches)
            if (std::abs(other.Position.x() - match.Position.x()) < 1.0 &&
                std::abs(other.Position.y() - match.Position.y()) < 1.0)
                seen = true;
        if (!seen)
            matches.push_back(match);
    }
    std::sort(matches.begin(), matches.end(),
              [](const TAppearanceMatch& a, const TAppearanceMatch& b) { return a.Score > b.Score; });
    return matches;
}
