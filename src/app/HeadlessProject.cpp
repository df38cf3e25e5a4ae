// A project opened without any window; see HeadlessProject.h.
#include "app/HeadlessProject.h"

#include "common/UnitOptions.h"
#include "measurement/UnitDataView.h"
#include "project/UnitKtr.h"
#include "results/UnitResChecks.h"

#include <QFileInfo>
#include <QTextStream>
#include <algorithm>
#include <cmath>

namespace {

// The view as the measurement data sees it, without a window: the frame size and count of the open
// video, the edited sequence for the time base, and the mode that chooses between grid and layer.
class THeadlessView : public TDataView
{
public:
    THeadlessView(const TVideoSources& sources, const TMontage& montage, TModeVideo mode)
        : FSources(sources), FMontage(montage), FMode(mode)
    {
    }
    TPointRel ToRelative(int x, int y) const override
    {
        const QSize size = FrameSize();
        return {size.width() > 0 ? std::clamp(double(x) / size.width(), 0.0, 1.0) : 0.0,
                size.height() > 0 ? std::clamp(double(y) / size.height(), 0.0, 1.0) : 0.0};
    }
    QPoint ToView(const TPointRel& p) const override
    {
        const QSize size = FrameSize();
        return {int(std::lround(p.X * size.width())), int(std::lround(p.Y * size.height()))};
    }
    QSize FrameSize() const override { return {FSources.FrameWidth(), FSources.FrameHeight()}; }
    QSize ClientSize() const override { return FrameSize(); }
    int FrameCount() const override { return FSources.FrameCount(); }
    int CurrentFrame() const override { return FSources.CurrentFrame(); }
    int CurrentPosition() const override { return FMontage.PositionOf(CurrentFrame()); }
    int PositionCount() const override { return FMontage.VisibleCount; }
    void GoToPosition(int) override {}
    int ShiftOf(int frame) const override { return FMontage.ShiftOf(frame); }
    int PositionOf(int frame) const override { return FMontage.PositionOf(frame); }
    int FrameAt(int position) const override { return FMontage.FrameAt(position); }
    TModeVideo Mode() const override { return FMode; }
    bool ViewToolActive() const override { return false; }
    QPoint MousePosition() const override { return {}; }
    void SetCursorNumber(int) override {}
    void CursorRefresh() override {}
    void Repaint() override {}

private:
    const TVideoSources& FSources;
    const TMontage& FMontage;
    TModeVideo FMode;
};

QString OneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
}

} // namespace

THeadlessProject::THeadlessProject(const TOptions& options, bool layer) : FOptions(options), FLayer(layer)
{
    FView = std::make_unique<THeadlessView>(FSources, FMontage, layer ? mvTransparent : mvRepereFixe);
    FData = std::make_unique<TData>(&options, FView.get());
    FData->ApplyOptions();
    FSource = std::make_unique<TDataCalcSource>(*FData, options);
    FCalc.SetSource(FSource.get());
    FCalc.IsLayerMode = [layer] { return layer; };
    FGrid = std::make_unique<TResGrid>(FCalc, options);
}

THeadlessProject::~THeadlessProject() = default;

bool THeadlessProject::Open(const QString& project, QTextStream& err)
{
    FProject = project;
    if (!QFileInfo(project).isFile()) {
        err << "kinotra: cannot open " << project << ": no such file\n";
        return false;
    }
    TKtrHost host;
    host.Data = FData.get();
    host.Montage = &FMontage;
    host.Options = &FOptions;
    host.VideoOpen = [this] { return FSources.IsOpen(); };
    host.VideoFileName = [this] { return FSources.VideoFileName(); };
    if (OnHost)
        OnHost(host);
    TKtr ktr(std::move(host));

    // The same steps as opening a project in the window; every question there is an error here.
    if (!ktr.Prepare(project)) {
        err << "kinotra: cannot read " << project << ": Error reading file.\n";
        return false;
    }
    ktr.Upgrade();
    if (!ktr.CheckContent()) {
        err << "kinotra: cannot read " << project << ": Error reading file.\n";
        return false;
    }
    const QString video = ktr.VideoFileName();
    if (!QFileInfo(video).isFile()) {
        err << "kinotra: cannot open the video of " << project << ": " << video << ": no such file\n";
        return false;
    }
    if (!FSources.OpenVideo(video)) {
        const QString reason = FSources.ErrorText.isEmpty()
                                   ? QStringLiteral("no framework can read this video")
                                   : OneLine(FSources.ErrorText);
        err << "kinotra: cannot open the video " << video << " of " << project << ": " << reason << '\n';
        return false;
    }
    // What opening a video does to the work before a project's data are read.
    FMontage.Init(FSources.FrameCount());
    FData->Reset();
    FData->SetRequiredDuration(FSources.SecondsPerFrame());
    const bool read = ktr.ReadContent();
    ktr.Release();
    if (!read) {
        err << "kinotra: cannot read " << project << ": Error reading file.\n";
        return false;
    }
    return true;
}

bool THeadlessProject::CheckResults(QTextStream& err)
{
    const TResCheckResult check = ::CheckResults(*FData, FLayer);
    if (check.Refused()) {
        err << "kinotra: cannot compute the results of " << FProject << ": " << check.OneLine() << '\n';
        return false;
    }
    if (check.Code == rcFewMarks)
        err << "kinotra: warning: " << FProject << ": " << check.OneLine() << '\n';
    return true;
}
