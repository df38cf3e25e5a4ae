// The video studio: outlines drawn on frames and their cut-outs, and the studio's four commands (still
// image, chronophotography, video to images, images to video) with their dialogs and messages.
#pragma once

#include "common/UnitTypes.h"
#include "studio/UnitStudioConvert.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class TDataView;
class TOptions;
class TVideoSources;

// Shapes of an outline.
enum : std::uint8_t
{
    ssFree = 0,
    ssBrokenLine = 1,
    ssCircle = 2,
};

// Tools of the studio.
enum : std::uint8_t
{
    stNone = 0,
    stDraw = 1,
    stErase = 2,
};

// One outlined object on one frame.
class TModele
{
public:
    int Position = -1; // position in the edited sequence of the frame it was drawn on
    std::uint8_t Shape = ssFree;
    bool Finished = false;     // the outline is closed and the cut-out exists
    TPointDDynArray PointsRel; // outline points, relative coordinates
    TPointDynArray Points;     // the same in view pixels
    int Count = 0;             // number of points
    TPointRel CircleCentreRel, CircleEdgeRel;
    QPoint CircleCentre;         // view pixels
    int Radius = 0;              // view pixels
    QRect Box;                   // frame pixels covered by Mask and Picture
    TMatriceI Mask;              // one entry per pixel of Box: non-zero inside or on the outline
    QImage Picture;              // the frame's pixels over Box
    TMatricePoint ScreenOutline; // the closed outline as view polylines, for painting and hit tests

    void AddPoint(const QPointF& rel, const QPoint& screen);
    // Rasterises the outline on frame (a circle first becomes the polygon of its circumference) and takes
    // the frame's pixels. False when the outline has fewer than two distinct pixels.
    bool BuildCutOut(const QImage& frame);
};

// Holds the outlines, one per position, answers the view's mouse in the studio mode and runs the commands.
// Positions are 0-based positions of the edited sequence; frames are 0-based frames of the file.
class TStudio
{
public:
    // view: coordinates, positions, cursor and repaint of the video view; sources: the frames. Both outlive
    // the studio.
    TStudio(TDataView& view, TVideoSources& sources);
    ~TStudio();
    TStudio(const TStudio&) = delete;
    TStudio& operator=(const TStudio&) = delete;

    std::vector<std::unique_ptr<TModele>> Models; // in the order they were started
    std::uint8_t Tool = stNone;
    std::uint8_t Shape = ssCircle;
    bool Drawing = false;
    QPoint LastPoint{-1, -1}; // view pixels
    QPoint RubberPoint;       // the free end of a broken line
    bool Erasing = false;
    QRect EraseRect;        // view pixels, normalised
    bool Recording = false; // a conversion runs
    bool StopRequested = false;

    // What the studio reads from the rest of the program; each is optional.
    std::function<int()> StepBetweenMarks;  // positions to advance after an outline (1 when unset)
    std::function<TColor()> ElementColor;   // colour of the outlines (yellow when unset)
    std::function<QString()> LastDirectory; // the recent-files folder
    std::function<void(const QString&)> OnDirectoryChange;
    // The writers' dialog in its studio modes (1 video to images, 2 images to video): it may change the
    // geometry (mode 1) or the framework, codec, quality and rate (mode 2); false: cancelled. When unset the
    // defaults stand: the whole frame; the writer of the settings file at the video's rate (25 without).
    std::function<bool(int mode, TImageGeometry& geometry, TImagesToVideoRequest& request)> OnWriterDialog;
    // The settings file whose section "Montage" gives the writer of images to video; empty: the program's.
    QString SettingsFile;
    // Whether the explanation before the choice of images appears (its check box turns it off).
    bool ShowImagesHelp = true;

    std::function<void()> OnToolChange;
    std::function<void(int percent)> OnProgress; // 0..100 during a conversion, 101 at its end
    std::function<void()> OnStart;
    std::function<void()> OnStop;

    void SetTool(std::uint8_t tool);
    // Removes the current position's outline, stops drawing and takes the shape.
    void SetShape(std::uint8_t shape);
    // StudioShapeNumber: 1 broken line, 2 free, anything else circle. DefaultDirectory: where the file
    // dialogs start when it exists.
    void ApplyOptions(const TOptions& options);
    static std::uint8_t ShapeOfOption(int value);
    // Numbers of the program's cursor set: draw 31, erase 14 (47 over an outline), none 0.
    int CursorFor(int x, int y) const;

    // Mouse of the view in view pixels; button 1 left, 2 right.
    void MouseDown(int button, int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(int button, int x, int y);
    void DoubleClick(int x, int y);
    void Paint(QPainter& painter) const;
    // After a zoom or a resize of the view: every view point again from its relative point.
    void Rescale();
    // A new video: no outline.
    void Clear();
    // The zoom or pan tool takes the mouse: an outline being drawn is dropped (finished ones stay) and an
    // erase rectangle ends without erasing.
    void CancelDrags();

    TModele* ModelAt(int position) const;
    void RemoveModelAt(int position);

    // The commands. Each shows its own messages and dialogs; true when a file was written.
    bool SaveStill();
    bool Chronophotography();
    bool VideoToImages();
    bool ImagesToVideo();
    // Asks a running conversion to stop after the current image.
    void Stop() { StopRequested = true; }

    // The page of a chronophotography: every finished outline's cut-out pasted in list order onto
    // background (a copy of it), or onto a white page of the frame size when background is null.
    QImage ComposeChronophotography(const QImage& background, const QSize& frameSize) const;

private:
    TModele& CurrentModel();
    void Finish();
    void Advance();
    void ScreenOutlineOf(TModele& model) const;
    bool NearOutline(const QPoint& p, int tolerance) const;
    int ModelNear(const QPoint& p, int tolerance) const;
    TStudioProgress Progress();
    QString VideoFolder() const;
    // Where the file dialogs start: the default folder of the options when it exists, else otherwise.
    QString StartFolder(const QString& otherwise) const;
    QString VideoBase() const;
    // Asks where to save a picture (PNG or BMP by the name or the filter), saves it and records its
    // folder; the path, or empty when cancelled or failed (the failure told). kind: "png" or "bmp".
    QString SavePictureAs(const QImage& picture, const QString& title, const QString& prefix, QString& kind);

    TDataView& FView;
    TVideoSources& FSources;
    QPoint FEraseStart; // view pixels: where the rubber rectangle started
    QString FDefaultDirectory;
};

// The studio's texts for the headless commands and the window: the file filter of still images and pages.
QString StudioImageFilter();
