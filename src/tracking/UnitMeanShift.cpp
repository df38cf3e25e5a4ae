// Mean-shift search of a target's colour model over the frames of a video.
#include "tracking/UnitMeanShift.h"

#include "tracking/UnitEspaceCouleur.h"
#include "tracking/UnitOutlineMask.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int RoundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

QImage AsRgb32(const QImage& frame)
{
    if (frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32)
        return frame;
    return frame.convertToFormat(QImage::Format_RGB32);
}

TMeanShift::TMeanShift()
    : TargetBitmap(0, 0, QImage::Format_RGB32), CandidateBitmap(0, 0, QImage::Format_RGB32)
{
}

int TMeanShift::WindowSize() const
{
    const int side = std::max(TargetBitmap.width(), TargetBitmap.height());
    return std::max(static_cast<int>(std::trunc(1.2 * side)), 2 * SearchRadius + 1);
}

void TMeanShift::SetIgnoreZones(const TMatricePointD& zones, int frameHeight, int frameWidth)
{
    IgnorePolygons.clear();
    for (const auto& zone : zones) {
        TPointDynArray polygon;
        polygon.reserve(zone.size());
        for (const QPointF& p : zone)
            polygon.emplace_back(RoundHalfEven(frameWidth * p.x()), RoundHalfEven(frameHeight * p.y()));
        IgnorePolygons.push_back(std::move(polygon));
    }
}

void TMeanShift::SetBinCount(int n)
{
    ::SetBinCount(n);
}

bool TMeanShift::SetTarget(const QImage& frame, int count, const TPointDDynArray& outline, QPoint& start)
{
    const int w = frame.width();
    const int h = frame.height();
    std::vector<QPoint> points;
    count = std::clamp(count, 0, static_cast<int>(outline.size()));
    for (int k = 0; k < count; ++k) {
        const QPoint p(RoundHalfEven(w * outline[k].x()), RoundHalfEven(h * outline[k].y()));
        if (points.empty() || points.back() != p)
            points.push_back(p);
    }
    QRect box;
    TMatriceI mask;
    int crossings = 0, contour = 0;
    if (!RasteriseOutline(points, box, mask, &crossings, &contour) || (crossings < 2 && contour < 2))
        return false;
    const int left = box.left(), top = box.top(), rows = box.height(), columns = box.width();

    double sumX = 0.0, sumY = 0.0;
    int set = 0;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j)
            if (mask[i][j] != 0) {
                sumX += j;
                sumY += i;
                ++set;
            }
    if (set > 0) {
        FTargetCentre = QPointF(sumX / set + left, sumY / set + top);
        start = QPoint(RoundHalfEven(FTargetCentre.x()), RoundHalfEven(FTargetCentre.y()));
    } else {
        FTargetCentre = QPointF(0, 0);
        start = QPoint(0, 0);
    }

    TargetMask = std::move(mask);
    TargetRect = QRect(left, top, columns, rows);
    FTargetFrame = AsRgb32(frame);
    // Pixels of the box outside the frame are black; they lie outside the outline.
    const TColor saved = NeutralColour;
    NeutralColour = clBlack;
    TMatricePoint zones = std::move(IgnorePolygons);
    IgnorePolygons.clear();
    Extract(FTargetFrame, TargetRect, TargetBitmap);
    IgnorePolygons = std::move(zones);
    NeutralColour = saved;
    return true;
}

void TMeanShift::BuildTargetModel()
{
    BitmapToLuv(TargetBitmap, TargetLuv);
    ColourHistogram(TargetLuv, TargetMask, false, TargetModel);

    FTargetMaskWeights.clear();
    for (const auto& maskRow : TargetMask)
        for (int entry : maskRow)
            FTargetMaskWeights.push_back(entry != 0 ? 1.0 : 0.0);
    BitmapToBins(TargetBitmap, FBins);
    std::vector<double> whole;
    FlatHistogram(FBins, FTargetMaskWeights, whole);
    FTargetFlat = whole;
    FBackgroundBin.assign(whole.size(), 0);

    // The outline always takes in some background. Colours that are not clearly more frequent inside the
    // outline than in a ring around it, on the same frame, are background: left in the model they pull
    // the window toward the background and bias every position (a rare background colour weighs as
    // much as the target's own, since weights grow as a colour gets rarer in the window). A colour
    // stays when its share inside is more than twice its share around, shares below half a percent
    // counting as half a percent, so that stray pixels of noise decide nothing. When that leaves
    // nothing, colours merely more frequent inside stay; when even that leaves nothing, the whole model.
    if (!FTargetFrame.isNull() && !whole.empty()) {
        const int margin = std::max(TargetRect.width(), TargetRect.height());
        const QRect ring =
            TargetRect.adjusted(-margin, -margin, margin, margin).intersected(FTargetFrame.rect());
        std::vector<double> around(whole.size(), 0.0);
        double total = 0.0;
        for (int y = ring.top(); y <= ring.bottom(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(FTargetFrame.constScanLine(y));
            for (int x = ring.left(); x <= ring.right(); ++x)
                if (!TargetRect.contains(x, y)) {
                    around[FlatBinOf(line[x])] += 1.0;
                    total += 1.0;
                }
        }
        if (total > 0.0) {
            constexpr double Floor = 0.01;
            for (const bool strict : {true, false}) {
                std::vector<double> kept(whole.size(), 0.0);
                double sum = 0.0;
                for (std::size_t u = 0; u < whole.size(); ++u) {
                    const double inside = whole[u];
                    const double outside = around[u] / total;
                    const bool keep =
                        strict ? std::max(inside, Floor) > 2.0 * std::max(outside, Floor) : inside > outside;
                    if (keep) {
                        kept[u] = inside;
                        sum += inside;
                    }
                }
                if (sum > 0.0) {
                    for (double& value : kept)
                        value /= sum;
                    FTargetFlat = std::move(kept);
                    break;
                }
            }
            for (std::size_t u = 0; u < whole.size(); ++u)
                FBackgroundBin[u] = around[u] > 0.0 && FTargetFlat[u] == 0.0 ? 1 : 0;
        }
    }
    const int n = BinCount();
    for (int l = 0; l < n; ++l)
        for (int u = 0; u < n; ++u)
            for (int v = 0; v < n; ++v)
                TargetModel[l][u][v] = FTargetFlat[(static_cast<std::size_t>(l) * n + u) * n + v];
    NeutralColour = ::NeutralColour(TargetModel);
    BuildTolerantModel();
    FTolerantOriginal = FTolerant;
    // The similarity of a perfect match: the masked pixels of the outline frame against the model. It
    // stays the reference when the model adapts, so that the confidence keeps one scale over a run.
    FConfidenceNorm = 0.0;
    for (std::size_t u = 0; u < whole.size(); ++u)
        FConfidenceNorm += std::sqrt(whole[u] * FTolerant[u]);
    FTargetFrame = QImage();
}

void TMeanShift::BuildTolerantModel()
{
    // A bin boundary is a hard edge: a uniform target whose colour drifts by a fraction of a bin can
    // leave every bin of its model at once. Spreading the model over the neighbouring bins (a separable
    // [w, 1, w] filter along L*, u* and v*, bins past the ends dropped) keeps such a target in view while
    // the model adapts.
    const int n = BinCount();
    const std::size_t bins = static_cast<std::size_t>(std::max(n, 0)) * n * n;
    if (n <= 0 || FTargetFlat.size() != bins) {
        FTolerant = FTargetFlat;
        return;
    }
    // The model holds a few dozen colours: each spreads to its 26 neighbours, weight w^(steps).
    FTolerant.assign(bins, 0.0);
    const double weights[] = {1.0, NeighbourWeight, NeighbourWeight * NeighbourWeight,
                              NeighbourWeight * NeighbourWeight * NeighbourWeight};
    for (std::size_t k = 0; k < bins; ++k) {
        const double value = FTargetFlat[k];
        if (value == 0.0)
            continue;
        const int l = static_cast<int>(k / (static_cast<std::size_t>(n) * n));
        const int u = static_cast<int>(k / n % n);
        const int v = static_cast<int>(k % n);
        for (int dl = -1; dl <= 1; ++dl)
            for (int du = -1; du <= 1; ++du)
                for (int dv = -1; dv <= 1; ++dv) {
                    const int nl = l + dl, nu = u + du, nv = v + dv;
                    if (nl < 0 || nl >= n || nu < 0 || nu >= n || nv < 0 || nv >= n)
                        continue;
                    FTolerant[(static_cast<std::size_t>(nl) * n + nu) * n + nv] +=
                        weights[std::abs(dl) + std::abs(du) + std::abs(dv)] * value;
                }
    }
    double total = 0.0;
    for (std::size_t k = 0; k < FTolerant.size(); ++k) {
        // Colours of the surroundings stay out, as in the model itself; the model's own colours stay in.
        if (k < FBackgroundBin.size() && FBackgroundBin[k] != 0 && FTargetFlat[k] == 0.0)
            FTolerant[k] = 0.0;
        total += FTolerant[k];
    }
    if (total > 0.0)
        for (double& value : FTolerant)
            value /= total;
    // Zones to ignore and the outside of the frame take the neutral colour: it must stay outside the
    // colours the search accepts.
    const auto bgr = static_cast<std::uint32_t>(NeutralColour);
    if (FTolerant[FlatBinOf(qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF))] > 0.0) {
        TMatrice3D tolerant(n, std::vector<std::vector<double>>(n, std::vector<double>(n)));
        for (int l = 0; l < n; ++l)
            for (int u = 0; u < n; ++u)
                for (int v = 0; v < n; ++v)
                    tolerant[l][u][v] = FTolerant[(static_cast<std::size_t>(l) * n + u) * n + v];
        NeutralColour = ::NeutralColour(tolerant);
    }
}

void TMeanShift::BinsUnderOutline(const QImage& frame, const QPoint& position)
{
    const QPoint start(RoundHalfEven(FTargetCentre.x()), RoundHalfEven(FTargetCentre.y()));
    Extract(AsRgb32(frame), TargetRect.translated(position - start), FRegion);
    BitmapToBins(FRegion, FBins);
}

void TMeanShift::AdaptModel(const QImage& frame, const QPoint& position, double rate)
{
    const std::size_t bins = static_cast<std::size_t>(BinCount()) * BinCount() * BinCount();
    if (FTargetFlat.size() != bins || FTolerant.size() != bins || bins == 0 || frame.isNull() ||
        !(rate > 0.0))
        return;
    rate = std::min(rate, 1.0);
    BinsUnderOutline(frame, position);
    // The masked pixels whose colour the tolerant model admits; the others are background or foreign.
    FCandidate.assign(bins, 0.0);
    double total = 0.0;
    for (std::size_t k = 0; k < FBins.size() && k < FTargetMaskWeights.size(); ++k) {
        const int bin = FBins[k];
        if (FTargetMaskWeights[k] > 0.0 && FTolerant[bin] > 0.0) {
            FCandidate[bin] += FTargetMaskWeights[k];
            total += FTargetMaskWeights[k];
        }
    }
    if (IsZero(total))
        return;
    // Blend, then drop the dust that noise would otherwise spread bin by bin over a long run.
    constexpr double Dust = 1e-4;
    double sum = 0.0;
    for (std::size_t u = 0; u < bins; ++u) {
        double value = (1.0 - rate) * FTargetFlat[u] + rate * FCandidate[u] / total;
        if (value < Dust)
            value = 0.0;
        FTargetFlat[u] = value;
        sum += value;
    }
    if (IsZero(sum))
        return;
    for (double& value : FTargetFlat)
        value /= sum;
    BuildTolerantModel();
}

void TMeanShift::Extract(const QImage& frame, const QRect& rect, QImage& target) const
{
    if (target.size() != rect.size() || target.format() != QImage::Format_RGB32)
        target = QImage(rect.size(), QImage::Format_RGB32);
    const QRect inside = rect.intersected(frame.rect());
    if (inside != rect) {
        const TColor c = NeutralColour;
        target.fill(qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    }
    if (!inside.isEmpty()) {
        const int dx = inside.left() - rect.left();
        const std::size_t bytes = static_cast<std::size_t>(inside.width()) * sizeof(QRgb);
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            const auto* source = reinterpret_cast<const QRgb*>(frame.constScanLine(y)) + inside.left();
            auto* destination = reinterpret_cast<QRgb*>(target.scanLine(y - rect.top())) + dx;
            std::memcpy(destination, source, bytes);
        }
    }
    // Zones to ignore take the neutral colour, filled and outlined, as if painted on the frame.
    bool painterStarted = false;
    QPainter painter;
    for (const auto& zone : IgnorePolygons) {
        if (zone.empty())
            continue;
        const QPolygon polygon(QList<QPoint>(zone.begin(), zone.end()));
        if (!polygon.boundingRect().intersects(rect))
            continue;
        if (!painterStarted) {
            painter.begin(&target);
            painter.translate(-rect.left(), -rect.top());
            painter.setPen(ToQColor(NeutralColour));
            painter.setBrush(ToQColor(NeutralColour));
            painterStarted = true;
        }
        painter.drawPolygon(polygon);
    }
}

TLocateResult TMeanShift::Locate(const QImage& frameIn, const QPoint& start, int maxIterations, bool tolerant)
{
    TLocateResult result;
    QPoint p = start;
    result.Pixel = p;
    result.Position = p;
    int n = FWindowOverride > 0 ? FWindowOverride : WindowSize();
    if (n % 2 == 0)
        ++n;
    const int w = TargetBitmap.width();
    const int h = TargetBitmap.height();
    const std::size_t bins = static_cast<std::size_t>(BinCount()) * BinCount() * BinCount();
    const std::vector<double>& model = tolerant ? FTolerant : FTargetFlat;
    if (w == 0 || h == 0 || frameIn.isNull() || bins == 0 || model.size() != bins)
        return result; // no model built with the current bin count
    const QImage frame = AsRgb32(frameIn);
    const double ratio = std::min(double(n) / w, double(n) / h);

    // Only the colours of the model carry weight, so the window histogram p and the background weights
    // b are needed for those bins alone: slot s stands for the model's s-th colour. For each slot one
    // pass gathers the kernel sum, the pixel count and the sums of the offsets; the weight
    // sqrt(q b / p) is the same for every pixel of a slot.
    FSlotOf.assign(bins, -1);
    FSlotBin.clear();
    for (std::size_t u = 0; u < bins; ++u)
        if (model[u] > 0.0) {
            FSlotOf[u] = static_cast<int>(FSlotBin.size());
            FSlotBin.push_back(static_cast<int>(u));
        }
    const std::size_t slots = FSlotBin.size();
    std::vector<double> kernelSum(slots), count(slots), sumI(slots), sumJ(slots), corner(slots);
    std::vector<double> background(slots, 1.0);

    // Bins of a search region a little larger than the window, reused while the window stays inside.
    QRect region;
    QPointF residual(0.0, 0.0);
    for (int k = 1; k <= maxIterations; ++k) {
        result.Iterations = k;
        const int half = n / 2; // the window's pixel at p: its offsets are exact for odd and even sides
        const QRect window(p.x() - half, p.y() - half, n, n);
        if (!region.contains(window)) {
            const int margin = std::max(4, n / 4);
            region = window.adjusted(-margin, -margin, margin, margin);
            Extract(frame, region, CandidateBitmap);
            BitmapToBins(CandidateBitmap, FBins);
        }
        if (FKernelSize != n) {
            KernelWeights(n, n, FKernel);
            FKernelSize = n;
            FKernelTotal = 0.0;
            for (double value : FKernel)
                FKernelTotal += value;
        }
        std::fill(kernelSum.begin(), kernelSum.end(), 0.0);
        std::fill(count.begin(), count.end(), 0.0);
        std::fill(sumI.begin(), sumI.end(), 0.0);
        std::fill(sumJ.begin(), sumJ.end(), 0.0);
        std::fill(corner.begin(), corner.end(), 0.0);
        // The corner zones of BackgroundWeights, counted on the first iteration only.
        const double cx = (n - 1) / 2.0, hx = (w / 2) * BackgroundMargin, hy = (h / 2) * BackgroundMargin;
        const int x0 = static_cast<int>(std::trunc(cx - hx)), x1 = static_cast<int>(std::trunc(cx + hx));
        const int y0 = static_cast<int>(std::trunc(cx - hy)), y1 = static_cast<int>(std::trunc(cx + hy));
        const int regionWidth = region.width();
        const int dx0 = window.left() - region.left();
        const int dy0 = window.top() - region.top();
        std::size_t index = 0;
        for (int i = 0; i < n; ++i) {
            const int* row = FBins.data() + static_cast<std::size_t>(i + dy0) * regionWidth + dx0;
            const bool cornerRow = i < y0 || i > y1;
            for (int j = 0; j < n; ++j, ++index) {
                const int slot = FSlotOf[row[j]];
                if (slot < 0)
                    continue;
                kernelSum[slot] += FKernel[index];
                count[slot] += 1.0;
                sumI[slot] += i;
                sumJ[slot] += j;
                if (cornerRow && (j < x0 || j > x1))
                    corner[slot] += 1.0;
            }
        }
        if (k == 1)
            for (std::size_t s = 0; s < slots; ++s)
                background[s] = corner[s] > 0.0 ? 1.0 / corner[s] : 1.0;
        double s = 0.0, sx = 0.0, sy = 0.0;
        if (!IsZero(FKernelTotal))
            for (std::size_t t = 0; t < slots; ++t) {
                const double pc = kernelSum[t] / FKernelTotal;
                if (pc <= 0.0)
                    continue;
                const double weight = std::sqrt(model[FSlotBin[t]] * background[t] / pc);
                s += weight * count[t];
                sx += weight * (sumJ[t] - half * count[t]);
                sy += weight * (sumI[t] - half * count[t]);
            }
        if (IsZero(s)) {
            result.NoMatch = true;
            residual = QPointF(0.0, 0.0);
            break;
        }
        const double dx = sx / s;
        const double dy = sy / s;
        const double mx = std::nearbyint(dx);
        const double my = std::nearbyint(dy);
        p += QPoint(static_cast<int>(mx), static_cast<int>(my));
        residual = QPointF(dx - mx, dy - my);
        if (ratio > 4) {
            // Small target in a large window: the window shrinks toward the target size at each step.
            if (std::max(w, h) == n)
                break;
            n = std::max(std::max(w, h),
                         static_cast<int>(std::trunc(double(n) * (maxIterations - k) / maxIterations)));
        } else if (std::abs(dx) < 1 && std::abs(dy) < 1) {
            break;
        }
    }
    result.Pixel = p;
    result.Position = QPointF(p) + residual;
    // The search window is as wide as the search radius, so that a target that moved far is found; once
    // found, its position is taken again in a window of the target's own size, so that colours of the
    // model away from the target (compression trails behind a moving object, specks of the same colour)
    // do not pull it.
    const int side = std::max(w, h) | 1;
    if (!result.NoMatch && FWindowOverride == 0 && n > side) {
        FWindowOverride = side;
        TLocateResult fine = Locate(frameIn, p, maxIterations, tolerant);
        FWindowOverride = 0;
        if (!fine.NoMatch) {
            fine.Iterations += result.Iterations;
            return fine;
        }
    }
    return result;
}

double TMeanShift::Similarity(const QImage& frame, const QPoint& position)
{
    return SimilarityTo(FTolerant, frame, position);
}

double TMeanShift::OriginalSimilarity(const QImage& frame, const QPoint& position)
{
    return SimilarityTo(FTolerantOriginal, frame, position);
}

double TMeanShift::SimilarityTo(const std::vector<double>& model, const QImage& frameIn,
                                const QPoint& position)
{
    const std::size_t bins = static_cast<std::size_t>(BinCount()) * BinCount() * BinCount();
    if (model.size() != bins || bins == 0 || IsZero(FConfidenceNorm) || frameIn.isNull())
        return 0.0;
    BinsUnderOutline(frameIn, position);
    FlatHistogram(FBins, FTargetMaskWeights, FCandidate);
    double sum = 0.0;
    for (std::size_t u = 0; u < model.size(); ++u)
        if (model[u] > 0.0 && FCandidate[u] > 0.0)
            sum += std::sqrt(model[u] * FCandidate[u]);
    return std::clamp(sum / FConfidenceNorm, 0.0, 1.0);
}

TLocateResult TMeanShift::LocateNear(const QImage& frame, const QPoint& start, int maxIterations)
{
    FWindowOverride = std::max(TargetBitmap.width(), TargetBitmap.height()) | 1;
    TLocateResult result = Locate(frame, start, maxIterations);
    FWindowOverride = 0;
    return result;
}

double TMeanShift::ColourCommonness(const QImage& frameIn) const
{
    const std::size_t bins = static_cast<std::size_t>(BinCount()) * BinCount() * BinCount();
    if (FTolerantOriginal.size() != bins || bins == 0 || frameIn.isNull())
        return 0.0;
    double own = 0.0;
    for (double weight : FTargetMaskWeights)
        own += weight;
    if (own <= 0.0)
        return 0.0;
    const QImage frame = AsRgb32(frameIn);
    // Every second pixel of every second row is enough for a proportion.
    double shared = 0.0;
    for (int y = 0; y < frame.height(); y += 2) {
        const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        for (int x = 0; x < frame.width(); x += 2)
            if (FTolerantOriginal[FlatBinOf(line[x])] > 0.0)
                shared += 4.0;
    }
    return shared / own;
}
