// Outlines of the studio, their painting and editing with the mouse, and the studio's commands.
#include "studio/UnitStudio.h"

#include "common/UnitDialogs.h"
#include "common/UnitFolders.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"
#include "measurement/UnitDataView.h"
#include "studio/UnitStudioImages.h"
#include "video/UnitVideoSources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

namespace {

constexpr TColor clOutlineLink = 0xFF0000; // blue: file names in the messages

// Cursor numbers of the program's cursor set.
constexpr int CursorDefault = 0;
constexpr int CursorGomme = 14;
constexpr int CursorPen = 31;
constexpr int CursorSelGomme = 47;

// The image format that a chosen name asks for: "bmp" for a .bmp name, else "png" (a name without one of
// the two extensions gets ".png").
QString ImageKind(QString& path, int filterIndex)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("bmp") || suffix == QLatin1String("png"))
        return suffix;
    const QString kind = filterIndex == 2 ? QStringLiteral("bmp") : QStringLiteral("png");
    path += QLatin1Char('.') + kind;
    return kind;
}

bool SavePicture(const QImage& image, const QString& path, const QString& kind, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !image.save(&file, kind == QLatin1String("bmp") ? "BMP" : "PNG") || !file.commit()) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

void WriteFailed(const QString& path, const QString& reason)
{
    TUserDlg::Instance()
        .Begin(icWarning)
        .Line(QStringLiteral("The file could not be written:"))
        .Blank()
        .Line(path, true, clOutlineLink)
        .Line(reason)
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
}

double Distance(const QPoint& a, const QPoint& b)
{
    return std::hypot(double(a.x() - b.x()), double(a.y() - b.y()));
}

} // namespace

QString StudioImageFilter()
{
    return QStringLiteral("PNG image (*.png)|*.png|Bitmap file (*.bmp)|*.bmp");
}

// ---------------------------------------------------------------------------------------------- TModele

void TModele::AddPoint(const QPointF& rel, const QPoint& screen)
{
    PointsRel.push_back(rel);
    Points.push_back(screen);
    Count = static_cast<int>(PointsRel.size());
}

bool TModele::BuildCutOut(const QImage& frame)
{
    if (frame.isNull())
        return false;
    const int w = frame.width();
    const int h = frame.height();
    TPointDynArray polygon;
    if (Shape == ssCircle) {
        const QPoint centre = ToFramePixels({QPointF(CircleCentreRel.X, CircleCentreRel.Y)}, w, h).front();
        const double dx = w * (CircleEdgeRel.X - CircleCentreRel.X);
        const double dy = h * (CircleEdgeRel.Y - CircleCentreRel.Y);
        polygon = CirclePolygon(centre, static_cast<int>(std::lround(std::hypot(dx, dy))));
        // The outline becomes the circumference, so painting and erasing see what was cut.
        PointsRel.clear();
        for (const QPoint& p : polygon)
            PointsRel.emplace_back(double(p.x()) / w, double(p.y()) / h);
        Count = static_cast<int>(PointsRel.size());
    } else {
        polygon = ToFramePixels(PointsRel, w, h);
    }
    if (!RasteriseOutline(polygon, Box, Mask))
        return false;
    Picture = CutPicture(frame, Box);
    Finished = !Picture.isNull();
    return Finished;
}

// ---------------------------------------------------------------------------------------------- TStudio

TStudio::TStudio(TDataView& view, TVideoSources& sources) : FView(view), FSources(sources)
{
    Models.reserve(32);
}

TStudio::~TStudio() = default;

void TStudio::SetTool(std::uint8_t tool)
{
    Tool = tool;
    if (tool != stNone && OnToolChange)
        OnToolChange();
}

void TStudio::SetShape(std::uint8_t shape)
{
    RemoveModelAt(FView.CurrentPosition());
    Drawing = false;
    Shape = shape;
}

std::uint8_t TStudio::ShapeOfOption(int value)
{
    return value == 1 ? ssBrokenLine : value == 2 ? ssFree : ssCircle;
}

void TStudio::ApplyOptions(const TOptions& options)
{
    const std::uint8_t shape = ShapeOfOption(options.StudioShapeNumber);
    if (shape != Shape)
        SetShape(shape);
    FDefaultDirectory = options.DefaultDirectory;
}

QString TStudio::StartFolder(const QString& otherwise) const
{
    if (!FDefaultDirectory.isEmpty() && QFileInfo(FDefaultDirectory).isDir())
        return FDefaultDirectory;
    return otherwise;
}

int TStudio::CursorFor(int x, int y) const
{
    switch (Tool) {
    case stDraw:
        return CursorPen;
    case stErase:
        return !Erasing && NearOutline(QPoint(x, y), 5) ? CursorSelGomme : CursorGomme;
    default:
        return CursorDefault;
    }
}

TModele* TStudio::ModelAt(int position) const
{
    for (const auto& model : Models)
        if (model->Position == position)
            return model.get();
    return nullptr;
}

void TStudio::RemoveModelAt(int position)
{
    std::erase_if(Models, [position](const auto& model) { return model->Position == position; });
}

TModele& TStudio::CurrentModel()
{
    const int position = FView.CurrentPosition();
    if (TModele* model = ModelAt(position))
        return *model;
    auto model = std::make_unique<TModele>();
    model->Position = position;
    model->Shape = Shape;
    model->PointsRel.reserve(256);
    model->Points.reserve(256);
    Models.push_back(std::move(model));
    return *Models.back();
}

void TStudio::MouseDown(int button, int x, int y)
{
    const QPoint p(x, y);
    if (Tool == stErase) {
        if (button != 1)
            return;
        const int index = ModelNear(p, 5);
        if (index >= 0) {
            Models.erase(Models.begin() + index);
        } else {
            Erasing = true;
            FEraseStart = p;
            EraseRect = QRect(p, p);
        }
        FView.Repaint();
        return;
    }
    if (Tool != stDraw)
        return;
    if (button == 2) {
        Drawing = false;
        const int position = FView.CurrentPosition();
        if (!ModelAt(position) && !Models.empty()) {
            const int last = Models.back()->Position;
            FView.GoToPosition(last);
            RemoveModelAt(last);
        } else {
            RemoveModelAt(position);
        }
        FView.Repaint();
        return;
    }
    if (button != 1)
        return;
    // A new outline replaces the finished one of this position.
    if (TModele* existing = ModelAt(FView.CurrentPosition()); existing && existing->Finished)
        RemoveModelAt(existing->Position);
    TModele& model = CurrentModel();
    const TPointRel rel = FView.ToRelative(x, y);
    switch (model.Shape) {
    case ssBrokenLine:
        if (p != LastPoint)
            model.AddPoint(QPointF(rel.X, rel.Y), p);
        RubberPoint = p;
        break;
    case ssCircle:
        model.CircleCentreRel = rel;
        model.CircleEdgeRel = rel;
        model.CircleCentre = FView.ToView(rel);
        model.Radius = 0;
        break;
    default:
        model.AddPoint(QPointF(rel.X, rel.Y), p);
        break;
    }
    LastPoint = p;
    Drawing = true;
    FView.Repaint();
}

void TStudio::MouseMove(int x, int y)
{
    const QPoint p(x, y);
    if (Erasing) {
        EraseRect = QRect(FEraseStart, p).normalized();
        FView.Repaint();
        return;
    }
    if (!Drawing || Tool != stDraw || p == LastPoint)
        return;
    TModele* model = ModelAt(FView.CurrentPosition());
    if (!model) {
        Drawing = false;
        return;
    }
    const TPointRel rel = FView.ToRelative(x, y);
    switch (model->Shape) {
    case ssBrokenLine:
        RubberPoint = FView.ToView(rel);
        break;
    case ssCircle:
        model->CircleEdgeRel = rel;
        model->Radius = static_cast<int>(std::lround(Distance(model->CircleCentre, FView.ToView(rel))));
        LastPoint = p;
        break;
    default:
        model->AddPoint(QPointF(rel.X, rel.Y), p);
        LastPoint = p;
        break;
    }
    FView.Repaint();
}

void TStudio::MouseUp(int button, int x, int y)
{
    if (Erasing) {
        Erasing = false;
        const QRect area = EraseRect;
        std::erase_if(Models, [&area](const auto& model) {
            if (model->ScreenOutline.empty())
                return false;
            for (const auto& line : model->ScreenOutline)
                for (const QPoint& q : line)
                    if (!area.contains(q))
                        return false;
            return true;
        });
        EraseRect = QRect();
        FView.Repaint();
        return;
    }
    if (button != 1 || !Drawing || Tool != stDraw)
        return;
    TModele* model = ModelAt(FView.CurrentPosition());
    if (!model || model->Shape == ssBrokenLine)
        return;
    MouseMove(x, y);
    Finish();
}

void TStudio::DoubleClick(int x, int y)
{
    if (Tool != stDraw || !Drawing)
        return;
    TModele* model = ModelAt(FView.CurrentPosition());
    if (!model || model->Shape != ssBrokenLine)
        return;
    const QPoint p(x, y);
    if (p != LastPoint) {
        const TPointRel rel = FView.ToRelative(x, y);
        model->AddPoint(QPointF(rel.X, rel.Y), p);
    }
    Finish();
}

void TStudio::Finish()
{
    Drawing = false;
    LastPoint = QPoint(-1, -1);
    TModele* model = ModelAt(FView.CurrentPosition());
    if (!model)
        return;
    const QImage frame = GrabFrame(FSources, FView.FrameAt(model->Position));
    if (!model->BuildCutOut(frame)) {
        // Nothing to cut (a single pixel, or the frame could not be read): the outline goes.
        RemoveModelAt(model->Position);
        FView.Repaint();
        return;
    }
    ScreenOutlineOf(*model);
    Advance();
    FView.Repaint();
}

void TStudio::Advance()
{
    const int step = StepBetweenMarks ? std::max(1, StepBetweenMarks()) : 1;
    const int next = FView.CurrentPosition() + step;
    if (next < FView.PositionCount())
        FView.GoToPosition(next);
}

void TStudio::ScreenOutlineOf(TModele& model) const
{
    model.Points.clear();
    for (const QPointF& p : model.PointsRel)
        model.Points.push_back(FView.ToView(TPointRel{p.x(), p.y()}));
    model.CircleCentre = FView.ToView(model.CircleCentreRel);
    model.Radius =
        static_cast<int>(std::lround(Distance(model.CircleCentre, FView.ToView(model.CircleEdgeRel))));
    model.ScreenOutline.clear();
    if (model.Finished && !model.Points.empty()) {
        TPointDynArray closed = model.Points;
        closed.push_back(model.Points.front());
        model.ScreenOutline.push_back(std::move(closed));
    }
}

void TStudio::Rescale()
{
    for (const auto& model : Models)
        ScreenOutlineOf(*model);
}

void TStudio::Clear()
{
    Models.clear();
    Drawing = false;
    Erasing = false;
    LastPoint = QPoint(-1, -1);
}

void TStudio::CancelDrags()
{
    std::erase_if(Models, [](const auto& model) { return !model->Finished; });
    Drawing = false;
    Erasing = false;
    EraseRect = QRect();
    LastPoint = QPoint(-1, -1);
}

int TStudio::ModelNear(const QPoint& p, int tolerance) const
{
    for (std::size_t k = 0; k < Models.size(); ++k)
        for (const auto& line : Models[k]->ScreenOutline)
            for (const QPoint& q : line)
                if (std::abs(q.x() - p.x()) <= tolerance && std::abs(q.y() - p.y()) <= tolerance)
                    return static_cast<int>(k);
    return -1;
}

bool TStudio::NearOutline(const QPoint& p, int tolerance) const
{
    return ModelNear(p, tolerance) >= 0;
}

void TStudio::Paint(QPainter& painter) const
{
    painter.save();
    const QColor colour = ToQColor(ElementColor ? ElementColor() : clYellow);
    painter.setPen(QPen(colour, 1));
    painter.setBrush(Qt::NoBrush);
    const int current = FView.CurrentPosition();
    for (const auto& model : Models) {
        if (model->Finished) {
            for (const auto& line : model->ScreenOutline)
                painter.drawPolyline(line.data(), static_cast<int>(line.size()));
            continue;
        }
        if (model->Shape == ssCircle) {
            painter.drawEllipse(model->CircleCentre, model->Radius, model->Radius);
            continue;
        }
        painter.drawPolyline(model->Points.data(), static_cast<int>(model->Points.size()));
        if (model->Shape == ssBrokenLine && Drawing && model->Position == current && !model->Points.empty())
            painter.drawLine(model->Points.back(), RubberPoint);
    }
    if (Erasing) {
        painter.setPen(QPen(colour, 1, Qt::DotLine));
        painter.drawRect(EraseRect);
    }
    painter.restore();
}

// ---------------------------------------------------------------------------------------------- commands

QImage TStudio::ComposeChronophotography(const QImage& background, const QSize& frameSize) const
{
    QImage page;
    if (background.isNull()) {
        page = QImage(frameSize, QImage::Format_RGB32);
        page.fill(Qt::white);
    } else {
        page = background.convertToFormat(QImage::Format_RGB32);
    }
    for (const auto& model : Models)
        if (model->Finished)
            PasteCutOut(page, model->Box, model->Mask, model->Picture);
    return page;
}

QString TStudio::VideoFolder() const
{
    return QFileInfo(FSources.VideoFileName()).absolutePath();
}

QString TStudio::VideoBase() const
{
    return QFileInfo(FSources.VideoFileName()).completeBaseName();
}

TStudioProgress TStudio::Progress()
{
    return [this](int percent) {
        if (OnProgress)
            OnProgress(percent);
        QCoreApplication::processEvents();
        return !StopRequested;
    };
}

QString TStudio::SavePictureAs(const QImage& picture, const QString& title, const QString& prefix,
                               QString& kind)
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Save;
    request.Title = title;
    request.Filter = StudioImageFilter();
    request.DefaultExt = QStringLiteral("png");
    request.InitialDir = StartFolder(VideoFolder());
    request.FileName =
        prefix +
        QFileInfo(StudioFreeFileName(request.InitialDir, VideoBase(), QStringLiteral("png"))).fileName();
    const TFileDialogResult answer = TDialogService::Instance().FileDialog(request);
    if (!answer.Accepted || answer.FileName.isEmpty())
        return QString();
    QString path = answer.FileName;
    kind = ImageKind(path, answer.FilterIndex);
    QString error;
    if (!SavePicture(picture, path, kind, error)) {
        WriteFailed(path, error);
        return QString();
    }
    if (OnDirectoryChange)
        OnDirectoryChange(QFileInfo(path).absolutePath());
    return path;
}

bool TStudio::SaveStill()
{
    const QImage frame = FSources.IsOpen() ? GrabFrame(FSources, FSources.CurrentFrame()) : QImage();
    if (frame.isNull()) {
        TUserDlg::Instance().Message(
            icWarning,
            {QStringLiteral("Unexpected error detected during image capture."), QStringLiteral("Abort")});
        return false;
    }
    QString kind;
    const QString path = SavePictureAs(frame, QStringLiteral("Save image to file"),
                                       QStringLiteral("Image%1_").arg(FView.CurrentPosition() + 1), kind);
    if (path.isEmpty())
        return false;
    TUserDlg::Instance()
        .Begin(icInformation)
        .Line(QStringLiteral("Saving to an image file complete:"))
        .Blank()
        .Line(QDir::toNativeSeparators(path), true, clOutlineLink)
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
    return true;
}

bool TStudio::Chronophotography()
{
    TUserDlg& dlg = TUserDlg::Instance();
    const QStringList failure = {
        QStringLiteral("Unexpected error detected during the creation of the chronophotography ."),
        QStringLiteral("Abort")};
    if (!FSources.IsOpen()) {
        dlg.Message(icWarning, failure);
        return false;
    }
    const bool anyFinished =
        std::any_of(Models.begin(), Models.end(), [](const auto& model) { return model->Finished; });
    if (!anyFinished) {
        dlg.Message(icWarning, {QStringLiteral("First draw the outline of an object."),
                                QStringLiteral("Use the button « Draw the outline of an object ».")});
        return false;
    }
    dlg.Begin(icInformation)
        .Line(QStringLiteral("Object's images at different positions can be drawn:"))
        .Line(QStringLiteral("- on a blank page"))
        .Line(QStringLiteral("- on a background image"))
        .Line(
            QStringLiteral("The video frame placed in the background corresponding to the first position of "
                           "the object."))
        .Button(QStringLiteral("Ok"), btOk)
        .CheckBox(QStringLiteral("Insert a background image"), true)
        .Execute();
    const bool withBackground = dlg.Checked();

    QImage background;
    if (withBackground) {
        int first = -1;
        for (const auto& model : Models)
            if (model->Finished && (first < 0 || model->Position < first))
                first = model->Position;
        FView.GoToPosition(first);
        background = GrabFrame(FSources, FView.FrameAt(first));
        if (background.isNull()) {
            dlg.Message(icWarning, failure);
            return false;
        }
    }
    const QImage page =
        ComposeChronophotography(background, QSize(FSources.FrameWidth(), FSources.FrameHeight()));

    QString kind;
    const QString path = SavePictureAs(page, QStringLiteral("Save chronophotography to file"),
                                       QStringLiteral("ChronoPhoto_"), kind);
    if (path.isEmpty())
        return false;
    dlg.Begin(icInformation)
        .Line(QStringLiteral("File successfully saved:"))
        .Blank()
        .Line(path, true, clOutlineLink)
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
    return true;
}

bool TStudio::VideoToImages()
{
    if (!FSources.IsOpen() || Recording)
        return false;
    std::vector<int> frames;
    const int count = FView.PositionCount();
    for (int position = 0; position < count; ++position) {
        const int frame = FView.FrameAt(position);
        if (frame >= 0)
            frames.push_back(frame);
    }
    TImageGeometry geometry;
    geometry.Output = QSize(FSources.FrameWidth(), FSources.FrameHeight());
    TImagesToVideoRequest unused;
    if (OnWriterDialog && !OnWriterDialog(1, geometry, unused))
        return false;

    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Save;
    request.Title = QStringLiteral("Convert video to images");
    request.Filter = StudioImageFilter();
    request.DefaultExt = QStringLiteral("png");
    request.InitialDir = StartFolder(LastDirectory ? LastDirectory() : VideoFolder());
    request.FileName = VideoBase() + QStringLiteral(".png");
    const TFileDialogResult answer = TDialogService::Instance().FileDialog(request);
    if (!answer.Accepted || answer.FileName.isEmpty())
        return false;
    QString path = answer.FileName;
    const QString kind = ImageKind(path, answer.FilterIndex);
    const QFileInfo chosen(path);
    const QString base = chosen.absoluteDir().absoluteFilePath(chosen.completeBaseName());

    const int position = FView.CurrentPosition();
    Recording = true;
    StopRequested = false;
    if (OnStart)
        OnStart();
    QString error;
    QStringList written;
    const int code = ::VideoToImages(FSources, frames, base, kind, geometry, Progress(), error, &written);
    if (OnProgress)
        OnProgress(101);
    Recording = false;
    StopRequested = false;
    FView.GoToPosition(position);
    FView.Repaint();
    if (OnStop)
        OnStop();
    // The images written before a stop or a failure are kept, and the message says how many and where.
    const QString folder = QDir::toNativeSeparators(chosen.absolutePath());
    const int total = static_cast<int>(frames.size());
    const auto kept = [&written, total] {
        return written.isEmpty() ? QStringLiteral("No image was written.")
                                 : QStringLiteral("%1 of the %2 images were written and kept in the folder:")
                                       .arg(written.size())
                                       .arg(total);
    };
    if (!written.isEmpty() && OnDirectoryChange)
        OnDirectoryChange(chosen.absolutePath());
    TUserDlg& dlg = TUserDlg::Instance();
    if (code == cvCancelled) {
        dlg.Begin(icInformation).Line(QStringLiteral("Conversion cancelled.")).Line(kept());
        if (!written.isEmpty())
            dlg.Blank().Line(folder, true, clOutlineLink);
        dlg.Button(QStringLiteral("Ok"), btOk).Execute();
        return false;
    }
    if (code != cvOk) {
        dlg.Begin(icWarning).Line(QStringLiteral("The conversion stopped:")).Line(error).Blank().Line(kept());
        if (!written.isEmpty())
            dlg.Blank().Line(folder, true, clOutlineLink);
        dlg.Button(QStringLiteral("Ok"), btOk).Execute();
        return false;
    }
    dlg.Begin(icInformation)
        .Line(QStringLiteral("Files were successfully registered: %1 images in the folder:").arg(total))
        .Blank()
        .Line(folder, true, clOutlineLink)
        .Line(QStringLiteral("First image: %1").arg(QFileInfo(written.first()).fileName()))
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
    return true;
}

bool TStudio::ImagesToVideo()
{
    if (Recording)
        return false;
    TImagesToVideoRequest job;
    ReadWriterSettings(SettingsFile.isEmpty() ? SettingsFileName() : SettingsFile, job);
    TUserDlg& dlg = TUserDlg::Instance();
    if (ShowImagesHelp) {
        const int button =
            dlg.Begin(icInformation)
                .Line(QStringLiteral("You'll select several image files."))
                .Line(QStringLiteral("Some useful keyboard shortcuts:"))
                .Blank()
                .Line(QStringLiteral("    Ctrl + A: select all"))
                .Line(QStringLiteral("    Shift + arrow key: select several contiguous items"))
                .Line(QStringLiteral("    Ctrl + left-click: select an element independent of other"))
                .Button(QStringLiteral("Ok"), btOk)
                .Button(QStringLiteral("Cancel"), btAnnuler)
                .CheckBox(QStringLiteral("Do not show this dialog again"), false)
                .Execute();
        if (dlg.Checked())
            ShowImagesHelp = false;
        if (button != 0)
            return false;
    }
    TFileDialogRequest open;
    open.Kind = TFileDialogKind::Open;
    open.Title = QStringLiteral("Select image files");
    open.Filter = QStringLiteral("Image file (*.png;*.bmp;*.jpg;*.jpeg)|*.png;*.bmp;*.jpg;*.jpeg|Bitmap file "
                                 "(*.bmp)|*.bmp");
    open.DefaultExt = QStringLiteral("png");
    open.InitialDir = StartFolder(LastDirectory ? LastDirectory() : QString());
    open.Multiple = true;
    const TFileDialogResult chosen = TDialogService::Instance().FileDialog(open);
    if (!chosen.Accepted || chosen.FileName.isEmpty())
        return false;
    // One file: it and the files numbered after it; several: the selection, sorted by name, each existing.
    if (chosen.FileNames.size() > 1) {
        job.Images = chosen.FileNames;
        job.Images.sort();
        for (const QString& file : std::as_const(job.Images))
            if (!QFileInfo::exists(file))
                return false;
    } else {
        job.Images = ImageSeriesFrom(chosen.FileName);
    }
    if (job.Images.isEmpty())
        return false;
    if (FSources.IsOpen() && FSources.FramesPerSecond() > 0.0)
        job.FramesPerSecond = FSources.FramesPerSecond();
    TImageGeometry unused;
    if (OnWriterDialog && !OnWriterDialog(2, unused, job))
        return false;

    const QString folder = StartFolder(QFileInfo(job.Images.first()).absolutePath());
    const QString proposal =
        QFileInfo(StudioFreeFileName(folder, QStringLiteral("Assembly"), QStringLiteral("avi"))).fileName();
    // An existing file is never replaced: the user is told so and chooses again.
    for (;;) {
        const TFileDialogResult output = TDialogService::Instance().FileDialog(
            AviSaveRequest(QStringLiteral("Save a video file"), folder, proposal));
        if (!output.Accepted || output.FileName.isEmpty())
            return false;
        job.FileName = QFileInfo(output.FileName).isAbsolute()
                           ? output.FileName
                           : QDir(folder).absoluteFilePath(output.FileName);
        if (QFileInfo(job.FileName).suffix().compare(QLatin1String("avi"), Qt::CaseInsensitive) != 0)
            job.FileName += QStringLiteral(".avi");
        if (!QFileInfo::exists(job.FileName))
            break;
        dlg.Begin(icWarning)
            .Line(QDir::toNativeSeparators(job.FileName), true, clOutlineLink)
            .Blank()
            .Line(QStringLiteral("A file with this name already exists in the selected directory."))
            .Blank()
            .Line(QStringLiteral("Please choose a different file name or directory."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
    }

    Recording = true;
    StopRequested = false;
    if (OnStart)
        OnStart();
    QString error;
    const int code = ::ImagesToVideo(job, Progress(), error);
    if (OnProgress)
        OnProgress(101);
    Recording = false;
    StopRequested = false;
    if (OnStop)
        OnStop();
    if (code == cvCancelled)
        return false;
    if (code != cvOk) {
        dlg.Begin(icWarning)
            .Line(QStringLiteral("Error detected while creating video file:"))
            .Blank()
            .Line(error)
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    if (OnDirectoryChange)
        OnDirectoryChange(QFileInfo(job.FileName).absolutePath());
    dlg.Begin(icInformation)
        .Line(QStringLiteral("File successfully saved:"))
        .Blank()
        .Line(job.FileName, true, clOutlineLink)
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
    return true;
}
