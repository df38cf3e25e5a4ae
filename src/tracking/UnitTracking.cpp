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
    // Pixel indexes to relative coordinates: the centre of pixel i lies at (i + 0.5) / W.
    const QPointF rel((pixel.x() + 0.5) / size.width(), (pixel.y() + 0.5) / size.height());
    LastOp[k] = loTrack;
    LastPositionRel[k] = rel;
    TrackedPositionRel[k][frame] = rel;
    TrackedFrame[k][frame] = VideoFrameOf ? VideoFrameOf(frame) : frame;
    TrackedConfidence[k][frame] = confidence;
}

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
    QImage image = FrameAt ? FrameAt(first) : QImage();
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
        }
    }
    if (EndReason == teNone) {
        const QSize size = image.size();
        Record(first, MeanShift.TargetCentre(), 1.0, size);
        MeanShift.SetBinCount(BinCount);
        MeanShift.BuildTargetModel();

        struct THeld
        {
            int Frame;
            QPointF Position;
            double Confidence;
        };
        std::vector<THeld> held; // frames of a streak of near-zero confidence, kept back
        QPoint previous = start;
        QPointF lastGood = MeanShift.TargetCentre();
        QPointF lastStep(0.0, 0.0);
        const int step = std::max(FrameStep, 1);
        const int span = std::max(LastFrame - first, 1);
        EndReason = teLastFrame;
        for (int f = first + step; f <= LastFrame; f += step) {
            progress(f, std::clamp((f - first) * 100 / span, 0, 100));
            if (!Running) {
                EndReason = teStopped;
                EndFrame = f;
                break;
            }
            image = FrameAt(f);
            if (image.isNull()) {
                EndReason = teNoFrame;
                EndFrame = f;
                break;
            }
            TLocateResult found = MeanShift.Locate(image, previous, MaxIterations);
            double confidence = found.NoMatch ? 0.0 : MeanShift.Similarity(image, found.Pixel);
            if (confidence < RetryLevel) {
                // The target's colours may have just crossed into neighbouring bins (a change of shade
                // or lighting): a second search with the tolerant model, kept when it matches better.
                const TLocateResult second = MeanShift.Locate(image, previous, MaxIterations, true);
                const double other = second.NoMatch ? 0.0 : MeanShift.Similarity(image, second.Pixel);
                if (other > confidence) {
                    found = second;
                    confidence = other;
                }
            }
            previous = found.Pixel;
            if (confidence < LostLevel) {
                held.push_back({f, found.Position, confidence});
                if (static_cast<int>(held.size()) >= LostFrames) {
                    // Where the target would be now: a box of its size there that crosses the frame's
                    // edge means it went out of the picture, anything else that it was hidden or changed.
                    const QPointF expected = lastGood + lastStep * held.size();
                    const double hw = MeanShift.TargetRect.width() / 2.0;
                    const double hh = MeanShift.TargetRect.height() / 2.0;
                    const bool outside = expected.x() - hw < 0 || expected.y() - hh < 0 ||
                                         expected.x() + hw > size.width() - 1 ||
                                         expected.y() + hh > size.height() - 1;
                    EndReason = outside ? teLeftFrame : teLost;
                    EndFrame = held.front().Frame;
                    held.clear();
                    break;
                }
                continue;
            }
            for (const THeld& h : held)
                Record(h.Frame, h.Position, h.Confidence, size);
            held.clear();
            Record(f, found.Position, confidence, size);
            if (confidence >= AdaptLevel)
                MeanShift.AdaptModel(image, found.Pixel, AdaptRate);
            lastStep = found.Position - lastGood;
            lastGood = found.Position;
        }
        // A short streak at the very end is kept; its frames are listed as doubtful.
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
    case teNoFrame:
        return QStringLiteral("Frame %1 could not be read: tracking stopped").arg(EndFrame + firstNumber);
    default:
        return {};
    }
}
