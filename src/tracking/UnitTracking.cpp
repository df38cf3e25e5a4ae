// The tracking driver: outlines, zones to ignore and the frame-by-frame tracking run.
#include "tracking/UnitTracking.h"

#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"

#include <algorithm>
#include <cmath>

namespace {

const QString TextNoVideo = QStringLiteral("First open a video file");
const QString TextNoOutline = QStringLiteral("First draw the outline of the target object");
const QString TextLastFrame =
    QStringLiteral("The sequence starts with the last frame of the video (tracking not necessary)");
const QString TextBadFirst = QStringLiteral("Number of the first frame is incorrect");

struct TCircle
{
    QPointF Centre;
    double Radius2 = -1.0;
    bool Contains(const QPointF& p) const
    {
        const double dx = p.x() - Centre.x(), dy = p.y() - Centre.y();
        return dx * dx + dy * dy <= Radius2 * (1.0 + 1e-12) + 1e-18;
    }
};

TCircle CircleOf(const QPointF& a, const QPointF& b)
{
    const QPointF c = (a + b) / 2.0;
    const double dx = a.x() - c.x(), dy = a.y() - c.y();
    return {c, dx * dx + dy * dy};
}

TCircle CircleOf(const QPointF& a, const QPointF& b, const QPointF& c)
{
    const double d = 2.0 * (a.x() * (b.y() - c.y()) + b.x() * (c.y() - a.y()) + c.x() * (a.y() - b.y()));
    if (std::abs(d) < 1e-300) {
        // Collinear: the circle on the two points farthest apart.
        TCircle best = CircleOf(a, b);
        for (const TCircle& other : {CircleOf(a, c), CircleOf(b, c)})
            if (other.Radius2 > best.Radius2)
                best = other;
        return best;
    }
    const double a2 = a.x() * a.x() + a.y() * a.y();
    const double b2 = b.x() * b.x() + b.y() * b.y();
    const double c2 = c.x() * c.x() + c.y() * c.y();
    const QPointF centre((a2 * (b.y() - c.y()) + b2 * (c.y() - a.y()) + c2 * (a.y() - b.y())) / d,
                         (a2 * (c.x() - b.x()) + b2 * (a.x() - c.x()) + c2 * (b.x() - a.x())) / d);
    const double dx = a.x() - centre.x(), dy = a.y() - centre.y();
    return {centre, dx * dx + dy * dy};
}

} // namespace

QPointF SmallestCircleCentre(const TPointDDynArray& points)
{
    if (points.empty())
        return {};
    if (points.size() == 1)
        return points[0];
    // Incremental construction (Welzl): expected linear time.
    TCircle circle{points[0], 0.0};
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (circle.Contains(points[i]))
            continue;
        circle = {points[i], 0.0};
        for (std::size_t j = 0; j < i; ++j) {
            if (circle.Contains(points[j]))
                continue;
            circle = CircleOf(points[i], points[j]);
            for (std::size_t k = 0; k < j; ++k)
                if (!circle.Contains(points[k]))
                    circle = CircleOf(points[i], points[j], points[k]);
        }
    }
    return circle.Centre;
}

TTracking::TTracking()
{
    Reset(0, 0);
}

void TTracking::ApplyOptions(const TOptions& options, bool withRadius)
{
    Shape = options.ShapeNumber == 1 ? 1 : options.ShapeNumber == 2 ? 0 : 2;
    ShowSearchZone = options.CheckBox52ShowRadiusSearch;
    if (withRadius)
        SetSearchRadius(options.TrackingRadius);
}

void TTracking::ClearObject(int object)
{
    OutlineValid[object] = false;
    OutlineCount[object] = 0;
    ZoneCount[object] = 0;
    OutlineFrame[object] = 0;
    LastOp[object] = loNone;
    OutlineCentre[object] = QPointF();
    LastPositionRel[object] = QPointF();
    OutlineRel[object].clear();
    ZonesRel[object].clear();
    TrackedFrame[object].assign(Frames, -1);
    TrackedPositionRel[object].assign(Frames, QPointF());
    TrackedConfidence[object].assign(Frames, 0.0);
}

void TTracking::Reset(int objects, int frames)
{
    Running = false;
    Frames = std::max(frames, 0);
    LastFrame = Frames - 1;
    ObjectIndex = 0;
    Objects = 0;
    ResizeObjects(objects);
    for (int k = 0; k < Objects; ++k)
        ClearObject(k);
}

void TTracking::ResizeObjects(int objects)
{
    const int old = Objects;
    Objects = std::max(objects, 0);
    OutlineValid.resize(Objects);
    OutlineCount.resize(Objects);
    ZoneCount.resize(Objects);
    OutlineFrame.resize(Objects);
    LastOp.resize(Objects);
    OutlineCentre.resize(Objects);
    LastPositionRel.resize(Objects);
    TrackedFrame.resize(Objects);
    TrackedPositionRel.resize(Objects);
    TrackedConfidence.resize(Objects);
    OutlineRel.resize(Objects);
    ZonesRel.resize(Objects);
    for (int k = old; k < Objects; ++k)
        ClearObject(k);
    ObjectIndex = std::clamp(ObjectIndex, 0, std::max(Objects - 1, 0));
}

void TTracking::SetTool(int tool)
{
    Tool = static_cast<std::uint8_t>(std::clamp(tool, 0, 2));
    if (Tool != 0 && OnToolChange)
        OnToolChange();
}

void TTracking::SetShape(int shape)
{
    EraseOutline();
    Shape = static_cast<std::uint8_t>(std::clamp(shape, 0, 2));
}

void TTracking::SetSearchRadius(int radius)
{
    SearchRadius = std::clamp(radius, TMeanShift::MinRadius, TMeanShift::MaxRadius);
    MeanShift.SearchRadius = SearchRadius;
}

void TTracking::SetObjectIndex(int index)
{
    ObjectIndex = std::clamp(index, 0, std::max(Objects - 1, 0));
}

void TTracking::SetLastFrame(int value)
{
    const int first = Objects > 0 ? OutlineFrame[ObjectIndex] : 0;
    LastFrame = std::max(1, std::min(std::max(value, first + 1), Frames - 1));
}

bool TTracking::SetOutline(const TPointDDynArray& outline, int frame, const QImage& image)
{
    if (Running || Objects == 0 || outline.size() < 3)
        return false;
    const int k = ObjectIndex;
    LastOp[k] = loSelect;
    OutlineRel[k] = outline;
    OutlineCount[k] = static_cast<int>(outline.size());
    OutlineFrame[k] = frame;
    SetLastFrame(LastFrame);
    OutlineCentre[k] = SmallestCircleCentre(outline);
    // The test runs on its own search object so that a run's model stays as it is.
    TMeanShift probe;
    QPoint start;
    OutlineValid[k] = !image.isNull() && probe.SetTarget(image, OutlineCount[k], outline, start);
    return OutlineValid[k];
}

bool TTracking::AddZone(const TPointDDynArray& zone)
{
    if (Running || Objects == 0 || zone.size() < 3)
        return false;
    TPointDDynArray closed = zone;
    if (closed.back() != closed.front())
        closed.push_back(closed.front());
    ZonesRel[ObjectIndex].push_back(std::move(closed));
    ZoneCount[ObjectIndex] = static_cast<int>(ZonesRel[ObjectIndex].size());
    return true;
}

void TTracking::EraseOutline()
{
    if (Running || Objects == 0)
        return;
    const int k = ObjectIndex;
    OutlineCount[k] = 0;
    OutlineValid[k] = false;
    OutlineFrame[k] = 0;
    OutlineRel[k].clear();
}

void TTracking::EraseTracks()
{
    if (Running || Objects == 0)
        return;
    std::fill(TrackedFrame[ObjectIndex].begin(), TrackedFrame[ObjectIndex].end(), -1);
}

void TTracking::EraseLastZone()
{
    if (Running || Objects == 0 || ZonesRel[ObjectIndex].empty())
        return;
    ZonesRel[ObjectIndex].pop_back();
    ZoneCount[ObjectIndex] = static_cast<int>(ZonesRel[ObjectIndex].size());
}

void TTracking::EraseZones()
{
    if (Running || Objects == 0)
        return;
    ZonesRel[ObjectIndex].clear();
    ZoneCount[ObjectIndex] = 0;
}

void TTracking::EraseAll()
{
    if (Running)
        return;
    for (int k = 0; k < Objects; ++k) {
        OutlineCount[k] = 0;
        OutlineValid[k] = false;
        OutlineFrame[k] = 0;
        OutlineRel[k].clear();
        std::fill(TrackedFrame[k].begin(), TrackedFrame[k].end(), -1);
        ZonesRel[k].clear();
        ZoneCount[k] = 0;
    }
}

TStartCheck TTracking::StartCheck(bool videoOpen, bool outlineBeingDrawn)
{
    if (!videoOpen)
        return scNoVideo;
    if (Objects == 0 || !OutlineValid[ObjectIndex] || outlineBeingDrawn)
        return scNoOutline;
    const int first = OutlineFrame[ObjectIndex];
    if (first >= Frames - 1)
        return scOutlineOnLastFrame;
    if (first < 0)
        return scBadFirstFrame;
    if (LastFrame < 0 || LastFrame >= Frames || LastFrame <= first)
        LastFrame = Frames - 1;
    return scOk;
}

bool TTracking::CanStart(bool videoOpen, bool outlineBeingDrawn)
{
    const TStartCheck check = StartCheck(videoOpen, outlineBeingDrawn);
    const QString* text = nullptr;
    switch (check) {
    case scOk:
        return true;
    case scNoVideo:
        text = &TextNoVideo;
        break;
    case scNoOutline:
        text = &TextNoOutline;
        break;
    case scOutlineOnLastFrame:
        text = &TextLastFrame;
        break;
    case scBadFirstFrame:
        text = &TextBadFirst;
        break;
    }
    TUserDlg::Instance().Message(icWarning, {*text});
    return false;
}

bool TTracking::CanDefineSequence()
{
    if (Objects == 0 || !OutlineValid[ObjectIndex]) {
        TUserDlg::Instance().Message(icInformation, {TextNoOutline});
        return false;
    }
    if (OutlineFrame[ObjectIndex] >= Frames - 1) {
        TUserDlg::Instance().Message(icWarning, {TextLastFrame});
        return false;
    }
    return true;
}

void TTracking::StartStop()
{
    if (Running) {
        Running = false;
        return;
    }
    if (Objects == 0)
        return;
    Run();
}

void TTracking::Record(int frame, const QPointF& pixel, double confidence, const QSize& size)
{
    const int k = ObjectIndex;
    if (frame < 0 || frame >= Frames || size.isEmpty())
        return;
    // Pixel indexes to relative coordinates: the centre of pixel i lies at (i + 0.5) / W; a position is
    // never outside the frame.
    const double x = std::clamp(pixel.x(), 0.0, size.width() - 1.0);
    const double y = std::clamp(pixel.y(), 0.0, size.height() - 1.0);
    const QPointF rel((x + 0.5) / size.width(), (y + 0.5) / size.height());
    LastOp[k] = loTrack;
    LastPositionRel[k] = rel;
    TrackedPositionRel[k][frame] = rel;
    TrackedFrame[k][frame] = VideoFrameOf ? VideoFrameOf(frame) : frame;
    TrackedConfidence[k][frame] = confidence;
}

int TTracking::LostStreak() const
{
    const double perThird = FramesPerSecond > 0.0 ? FramesPerSecond / 3.0 / std::max(FrameStep, 1) : 0.0;
    return std::max(MinLostFrames, static_cast<int>(std::lround(perThird)));
}

double TTracking::ConfidenceOf(double look, double colour) const
{
    colour = std::clamp(colour, 0.0, 1.0);
    if (!UseAppearance)
        return colour;
    // A small anchor (a ball of a few pixels) matches bits of other things well by chance: the smaller
    // it is, the closer its match must be.
    const double small = std::clamp((SmallAnchorLarge - Appearance.PixelCount()) /
                                        double(SmallAnchorLarge - SmallAnchorPixels),
                                    0.0, 1.0);
    const double ease = FColourUnique ? UniqueColourEase : 0.0;
    const double low = LookLow + small * (SmallLookLow - LookLow) - ease;
    const double high = LookHigh + small * (SmallLookHigh - LookHigh) - ease;
    const double shape = std::clamp((look - low) / (high - low), 0.0, 1.0);
    // A look matched beyond doubt also stands for colours that changed with the light (a grey target
    // whose shading changes as it moves).
    const double sure = Appearance.PixelCount() >= SureLookPixels
                            ? std::clamp((look - SureLookLow) / (SureLookHigh - SureLookLow), 0.0, 1.0)
                            : 0.0;
    return std::min(shape,
                    std::max(sure, std::clamp((colour - ColourLow) / (ColourHigh - ColourLow), 0.0, 1.0)));
}

namespace {

// A position confirmed by the search: frame (visible) and frame pixels.
struct TFix
{
    int Frame;
    QPointF Position;
};

// Where the motion of the last confirmed positions puts the target on frame `frame`: the positions
// themselves fitted by least squares over their frames, with a constant acceleration when there are at
// least four of them, a constant velocity with two or three, standing still with one.
QPointF Predict(const std::vector<TFix>& fixes, int frame)
{
    if (fixes.empty())
        return {};
    std::size_t n = std::min<std::size_t>(fixes.size(), 8);
    if (n == 1)
        return fixes.back().Position;
    // An acceleration from a few close positions is only good for a short way: farther than the fitted
    // positions span, the last velocity carries on.
    const int span = fixes.back().Frame - fixes[fixes.size() - n].Frame;
    int degree = n >= 4 ? 2 : 1;
    if (degree == 2 && frame - fixes.back().Frame > span) {
        degree = 1;
        n = std::min<std::size_t>(n, 4);
    }
    // Normal equations in tau = fix frame - frame, so that the constant term is the prediction.
    double m[3][3] = {}, bx[3] = {}, by[3] = {};
    for (std::size_t k = fixes.size() - n; k < fixes.size(); ++k) {
        const double tau = fixes[k].Frame - frame;
        const double powers[3] = {1.0, tau, tau * tau};
        for (int i = 0; i <= degree; ++i) {
            for (int j = 0; j <= degree; ++j)
                m[i][j] += powers[i] * powers[j];
            bx[i] += powers[i] * fixes[k].Position.x();
            by[i] += powers[i] * fixes[k].Position.y();
        }
    }
    // Gaussian elimination with partial pivoting on the (degree + 1) system.
    const int size = degree + 1;
    for (int c = 0; c < size; ++c) {
        int pivot = c;
        for (int r = c + 1; r < size; ++r)
            if (std::abs(m[r][c]) > std::abs(m[pivot][c]))
                pivot = r;
        if (std::abs(m[pivot][c]) < 1e-12)
            return fixes.back().Position;
        std::swap(m[c], m[pivot]);
        std::swap(bx[c], bx[pivot]);
        std::swap(by[c], by[pivot]);
        for (int r = c + 1; r < size; ++r) {
            const double f = m[r][c] / m[c][c];
            for (int j = c; j < size; ++j)
                m[r][j] -= f * m[c][j];
            bx[r] -= f * bx[c];
            by[r] -= f * by[c];
        }
    }
    double x[3] = {}, y[3] = {};
    for (int r = size - 1; r >= 0; --r) {
        double sx = bx[r], sy = by[r];
        for (int j = r + 1; j < size; ++j) {
            sx -= m[r][j] * x[j];
            sy -= m[r][j] * y[j];
        }
        x[r] = sx / m[r][r];
        y[r] = sy / m[r][r];
    }
    return {x[0], y[0]};
}

QPoint Rounded(const QPointF& p)
{
    return {static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))};
}

} // namespace

void TTracking::Run()
{
    Running = true;
    EndReason = teNone;
    EndFrame = -1;
    if (OnTrackingStart)
        OnTrackingStart();
    const int first = OutlineFrame[ObjectIndex];
    auto progress = [this](int frame, int percent) {
        if (OnTrackingProgress)
            OnTrackingProgress(frame, percent);
    };
    progress(first, 0);
    QImage image = FrameAt ? AsRgb32(FrameAt(first)) : QImage();
    QPoint start;
    if (image.isNull()) {
        EndReason = teNoFrame;
        EndFrame = first;
    } else {
        MeanShift.SearchRadius = SearchRadius;
        MeanShift.SetIgnoreZones(ZonesRel[ObjectIndex], image.height(), image.width());
        if (!MeanShift.SetTarget(image, OutlineCount[ObjectIndex], OutlineRel[ObjectIndex], start)) {
            EndReason = teNoTarget;
            EndFrame = first;
        } else {
            MeanShift.SetBinCount(BinCount);
            MeanShift.BuildTargetModel();
            // The look is attached to the middle of the target's colours on the outline frame, where the
            // search puts it on every other frame, rather than to the middle of the drawn outline, which
            // may be off by a pixel or more.
            QPointF centre = MeanShift.TargetCentre();
            FColourOffset = QPointF(0.0, 0.0);
            FColourUnique = MeanShift.ColourCommonness(image) < UniqueColourRatio;
            const TLocateResult own = MeanShift.LocateNear(image, start, MaxIterations);
            const double apart = std::hypot(own.Position.x() - centre.x(), own.Position.y() - centre.y());
            const double size = std::max(MeanShift.TargetRect.width(), MeanShift.TargetRect.height());
            if (!own.NoMatch && apart <= 0.25 * size)
                centre = own.Position;
            else if (!own.NoMatch && apart <= 0.5 * size)
                FColourOffset = own.Position - centre;
            if (!Appearance.SetAnchor(
                    image, MeanShift.TargetRect.translated(Rounded(centre - MeanShift.TargetCentre())),
                    centre, &MeanShift.TargetMask) ||
                Appearance.Contrast() < TAppearance::MinContrast) {
                EndReason = teUniform;
                EndFrame = first;
            }
        }
    }
    if (EndReason == teNone) {
        const QSize size = image.size();
        const QPointF lowest(0.0, 0.0), highest(size.width() - 1.0, size.height() - 1.0);
        auto inside = [&](const QPointF& p) {
            return QPointF(std::clamp(p.x(), lowest.x(), highest.x()),
                           std::clamp(p.y(), lowest.y(), highest.y()));
        };
        // The run replaces what an earlier one found from its first frame on; the frames before stay.
        for (int f = first; f <= LastFrame && f < static_cast<int>(TrackedFrame[ObjectIndex].size()); ++f)
            TrackedFrame[ObjectIndex][f] = -1;
        Record(first, MeanShift.TargetCentre(), 1.0, size);

        // Frames of a streak of doubtful ones, kept back until the target is found again (or the run
        // ends): a streak that ends the run as lost leaves nothing behind.
        struct THeld
        {
            int Frame;
            QPointF Position;
            double Confidence;
            bool Predicted; // the position is the motion's, not a match's
        };
        std::vector<THeld> held;
        struct TStray
        {
            int Frame;
            QPointF Position;
            double Confidence;
        };
        std::vector<TStray> strays; // the latest frames whose sure match lay off the motion
        std::vector<TFix> fixes{{first, MeanShift.TargetCentre()}};
        const int step = std::max(FrameStep, 1);
        const int span = std::max(LastFrame - first, 1);
        const int lostAfter = LostStreak();
        const double halfWidth = MeanShift.TargetRect.width() / 2.0;
        const double halfHeight = MeanShift.TargetRect.height() / 2.0;
        const double reach = SearchRadius + Appearance.Radius();
        Recent = Appearance;
        EndReason = teLastFrame;
        for (int f = first + step; f <= LastFrame; f += step) {
            progress(f, std::clamp((f - first) * 100 / span, 0, 100));
            if (!Running) {
                EndReason = teStopped;
                EndFrame = f;
                break;
            }
            image = AsRgb32(FrameAt(f)); // once here: every search of the frame reads it as it is
            if (image.isNull()) {
                EndReason = teNoFrame;
                EndFrame = f;
                break;
            }
            const QPointF predicted = inside(Predict(fixes, f));

            // Candidates: the places that look most like the outlined target near the prediction, and
            // where the colours lead from it.
            struct TCandidate
            {
                QPointF Position;
                double Look;   // against the outlined look
                double Recent; // against the last confirmed look
                double Colour;
                double Confidence;
                double Raw; // the confidence without the motion
                double Score;
            };
            std::vector<TCandidate> candidates;
            // How much nearness to the predicted place counts: little while the motion is not known yet.
            const double prior = fixes.size() >= 3 ? 2.0 : fixes.size() == 2 ? 1.0 : 0.25;
            const bool knownMotion = UseAppearance && fixes.size() >= 4;
            const int gap = std::max(1, (f - fixes.back().Frame) / step);
            const double tolerance = std::max(Appearance.Radius(), 4.0) * (1.0 + 0.25 * (gap - 1));
            auto consider = [&](const QPointF& at, double look) {
                const QPointF p = inside(at);
                // The colours as outlined, or as the model followed them on frames whose look matched.
                const double colour = std::max(MeanShift.OriginalSimilarity(image, Rounded(p)),
                                               UseAppearance ? MeanShift.Similarity(image, Rounded(p)) : 0.0);
                if (look < -0.5 && UseAppearance)
                    look = Appearance.Score(image, p);
                const double recent = UseAppearance && Recent.Valid() ? Recent.Score(image, p) : -1.0;
                const double raw = ConfidenceOf(std::max(look, recent), colour);
                // Once the motion is known, a match farther from where it puts the target than the
                // target's size is not sure, however much it looks like it (a gap in a stick, a bar's end).
                const double off = std::hypot(p.x() - predicted.x(), p.y() - predicted.y());
                const double confidence =
                    std::min(raw, knownMotion ? std::clamp(2.0 - off / tolerance, 0.0, 1.0) : 1.0);
                // Nearer the prediction is likelier; the search radius bounds a frame's move.
                const double d = off / reach;
                candidates.push_back({p, look, recent, colour, confidence, raw,
                                      (confidence + 0.05) * std::exp(-prior * d * d)});
            };
            if (UseAppearance) {
                for (const TAppearanceMatch& match : Appearance.Search(image, predicted, SearchRadius, 3))
                    consider(match.Position, match.Score);
            }
            auto sure = [&] {
                double top = 0.0;
                for (const TCandidate& c : candidates)
                    top = std::max(top, c.Confidence);
                return top;
            };
            // The look of the surest candidate: a target whose look has changed (it turns) is placed by
            // its colours as well.
            double surestLook = -1.0, surest = -1.0;
            for (const TCandidate& c : candidates)
                if (c.Confidence > surest) {
                    surest = c.Confidence;
                    surestLook = c.Look;
                }
            // The colours lead the search where the look finds nothing sure; the tolerant model, which
            // also finds a target whose colours just crossed into neighbouring shades, where nothing
            // else found it.
            if (sure() < RetryLevel || surestLook < LookHigh) {
                const TLocateResult found = MeanShift.Locate(image, Rounded(predicted), MaxIterations);
                if (!found.NoMatch)
                    consider(found.Position, -1.0);
            }
            if (sure() < DoubtLevel) {
                const TLocateResult second = MeanShift.Locate(image, Rounded(predicted), MaxIterations, true);
                if (!second.NoMatch)
                    consider(second.Position, -1.0);
            }
            // The search radius bounds a move from the last place the target was seen: a target whose
            // motion turned (a bounce) and that nothing found on the motion is looked for there too.
            if (UseAppearance && sure() < DoubtLevel) {
                const QPointF seen = strays.empty() ? fixes.back().Position : strays.back().Position;
                if (std::hypot(seen.x() - predicted.x(), seen.y() - predicted.y()) > 0.5 * SearchRadius)
                    for (const TAppearanceMatch& match : Appearance.Search(image, seen, SearchRadius, 2))
                        consider(match.Position, match.Score);
            }
            std::size_t chosen = candidates.size();
            for (std::size_t k = 0; k < candidates.size(); ++k)
                if (chosen == candidates.size() || candidates[k].Score > candidates[chosen].Score)
                    chosen = k;
            // A target whose look has changed since the outline (it turned, it is seen from another side)
            // is placed by the middle of its colours around the chosen place, which does not move when it
            // turns, as long as it is judged as well there.
            if (UseAppearance && chosen < candidates.size() && candidates[chosen].Look < LookHigh &&
                candidates[chosen].Colour >= ColourHigh) {
                const QPointF from = candidates[chosen].Position;
                const TLocateResult near =
                    MeanShift.LocateNear(image, Rounded(from + FColourOffset), MaxIterations);
                const QPointF placed = near.Position - FColourOffset;
                const double shift = std::hypot(placed.x() - from.x(), placed.y() - from.y());
                if (!near.NoMatch && shift <= std::max(1.5, 0.3 * Appearance.Radius())) {
                    consider(placed, -1.0);
                    if (candidates.back().Confidence >= candidates[chosen].Confidence - 0.02)
                        chosen = candidates.size() - 1;
                }
            }
            const TCandidate* best = chosen < candidates.size() ? &candidates[chosen] : nullptr;

            // Without a sure match on the motion, the surest match anywhere in reach.
            const TCandidate* stray = nullptr;
            if (!best || best->Confidence < DoubtLevel)
                for (const TCandidate& c : candidates)
                    if (c.Raw >= DoubtLevel && (!stray || c.Raw > stray->Raw))
                        stray = &c;
            if (stray) {
                // Sure but off the motion: three such frames in a row that move steadily together are the
                // target after a change of its motion (a bounce, a push); the motion starts again from them.
                strays.push_back({f, stray->Position, stray->Raw});
                const std::size_t n = strays.size();
                if (n >= 3) {
                    const QPointF& a = strays[n - 3].Position;
                    const QPointF& b = strays[n - 2].Position;
                    const QPointF& c = strays[n - 1].Position;
                    const QPointF expectedC = 2.0 * b - a;
                    if (std::hypot(c.x() - expectedC.x(), c.y() - expectedC.y()) <=
                        std::max(Appearance.Radius(), 4.0)) {
                        fixes.clear();
                        for (std::size_t k = n - 3; k < n; ++k)
                            fixes.push_back({strays[k].Frame, strays[k].Position});
                        for (const THeld& h : held) {
                            const auto it = std::find_if(strays.begin() + static_cast<std::ptrdiff_t>(n - 3),
                                                         strays.end(),
                                                         [&](const TStray& x) { return x.Frame == h.Frame; });
                            if (it != strays.end())
                                Record(h.Frame, it->Position, it->Confidence, size);
                            else
                                Record(h.Frame, h.Position, h.Confidence, size);
                        }
                        held.clear();
                        Record(f, c, stray->Raw, size);
                        strays.clear();
                        continue;
                    }
                }
            } else {
                strays.clear();
            }
            if (best && best->Confidence >= DoubtLevel) {
                // Found: the frames of a streak before it take the motion through both ends.
                fixes.push_back({f, best->Position});
                for (const THeld& h : held)
                    Record(h.Frame, h.Predicted ? inside(Predict(fixes, h.Frame)) : h.Position, h.Confidence,
                           size);
                held.clear();
                Record(f, best->Position, best->Confidence, size);
                if (best->Confidence >= AdaptLevel && (!UseAppearance || best->Look >= AdaptLook))
                    MeanShift.AdaptModel(image, Rounded(best->Position), AdaptRate);
                // The last confirmed look is taken again only on a frame that continues the motion
                // closely, so that it cannot slide onto a neighbour of the target's colours.
                const double offPath =
                    std::hypot(best->Position.x() - predicted.x(), best->Position.y() - predicted.y());
                if (UseAppearance && fixes.size() > 4 && best->Confidence >= AdaptLevel &&
                    best->Recent >= KeepLook && best->Recent < RetakeLook && best->Colour >= ColourHigh &&
                    offPath <= std::max(2.0, 0.2 * Appearance.Radius())) {
                    Recent.SetAnchor(
                        image,
                        MeanShift.TargetRect.translated(Rounded(best->Position - MeanShift.TargetCentre())),
                        best->Position, &MeanShift.TargetMask);
                }
                continue;
            }
            // Doubtful: the position follows the motion. A target whose box reaches past the frame's edge
            // there has gone out of the picture, and the run stops at once.
            const QPointF expected = Predict(fixes, f);
            const bool outside = expected.x() - halfWidth < 0 || expected.y() - halfHeight < 0 ||
                                 expected.x() + halfWidth > size.width() - 1 ||
                                 expected.y() + halfHeight > size.height() - 1;
            if (outside) {
                EndReason = teLeftFrame;
                EndFrame = f;
                break;
            }
            held.push_back({f, predicted, best ? best->Confidence : 0.0, true});
            if (static_cast<int>(held.size()) >= lostAfter) {
                EndReason = teLost;
                EndFrame = held.front().Frame;
                held.clear();
                break;
            }
        }
        // A streak cut short by the end of the sequence, a stop or leaving the picture is kept, listed as
        // doubtful.
        for (const THeld& h : held)
            Record(h.Frame, h.Position, h.Confidence, size);
    }
    progress(-1, 101);
    Running = false;
    if (OnTrackingStop)
        OnTrackingStop();
}

bool TTracking::OutlineDefined() const
{
    return Objects > 0 && OutlineValid[ObjectIndex];
}

int TTracking::ZoneCountOf() const
{
    return Objects > 0 ? ZoneCount[ObjectIndex] : 0;
}

int TTracking::TrackedCount() const
{
    if (Objects == 0)
        return 0;
    const auto& frames = TrackedFrame[ObjectIndex];
    return static_cast<int>(std::count_if(frames.begin(), frames.end(), [](int f) { return f >= 0; }));
}

int TTracking::OutlineDefinedAll() const
{
    return static_cast<int>(std::count(OutlineValid.begin(), OutlineValid.end(), true));
}

int TTracking::ZoneCountAll() const
{
    int total = 0;
    for (int count : ZoneCount)
        total += count;
    return total;
}

int TTracking::TrackedCountAll() const
{
    int total = 0;
    for (const auto& frames : TrackedFrame)
        total += static_cast<int>(std::count_if(frames.begin(), frames.end(), [](int f) { return f >= 0; }));
    return total;
}

std::vector<int> TTracking::DoubtfulFrames(int object) const
{
    std::vector<int> frames;
    if (object < 0 || object >= Objects)
        return frames;
    for (int f = 0; f < static_cast<int>(TrackedFrame[object].size()); ++f)
        if (TrackedFrame[object][f] >= 0 && TrackedConfidence[object][f] < DoubtLevel)
            frames.push_back(f);
    return frames;
}

QString TTracking::DoubtfulText(int object) const
{
    const std::vector<int> frames = DoubtfulFrames(object);
    if (frames.empty())
        return {};
    QStringList numbers;
    for (int f : frames)
        numbers << QString::number(f + 1);
    return QStringLiteral("Doubtful frames: ") + numbers.join(QStringLiteral(", "));
}

QString TTracking::EndMessage(int firstNumber) const
{
    switch (EndReason) {
    case teLost:
        return QStringLiteral("The target was lost at frame %1 (hidden or changed): tracking stopped")
            .arg(EndFrame + firstNumber);
    case teLeftFrame:
        return QStringLiteral("The target left the picture at frame %1: tracking stopped")
            .arg(EndFrame + firstNumber);
    case teNoTarget:
        return TextNoOutline;
    case teUniform:
        return QStringLiteral(
            "The outline holds a uniform area, with nothing to follow: draw it around the object");
    case teNoFrame:
        return QStringLiteral("Frame %1 could not be read: tracking stopped").arg(EndFrame + firstNumber);
    default:
        return {};
    }
}
