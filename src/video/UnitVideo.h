// The video view: shows the current frame with zoom, pan and magnifier, composes the overlay of the
// current mode, converts between view pixels and relative coordinates, and routes mouse and keys.
#pragma once

#include "common/UnitTypes.h"
#include "measurement/UnitDataView.h"
#include "video/UnitLoupe.h"
#include "video/UnitVideoGeometry.h"
#include "video/UnitVideoSources.h"
#include "video/UnitVideoTracking.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

class QScrollBar;
class TData;
class TIniFile;

enum TOutilVue : std::uint8_t
{
    ovNone = 0,
    ovZoom = 1,
    ovPan = 2,
};

// Numbers of the custom cursors that the view itself shows.
inline constexpr int ViewCursorZoom = 48;
inline constexpr int ViewCursorPan = 30;

class TVideo : public QWidget, public TDataView
{
public:
    explicit TVideo(QWidget* parent = nullptr);
    ~TVideo() override;

    // The measurement data that owns the marking modes (not owned).
    void SetData(TData* measurement);
    TVideoSources& Sources() { return FSources; }
    const TVideoSources& Sources() const { return FSources; }
    TVideoGeometry& Geometry() { return FGeometry; }
    const TVideoGeometry& Geometry() const { return FGeometry; }
    TLoupe& Loupe() { return FLoupe; }
    // The tracking mode ("Automatic marking"): its commands, drawing and run.
    TVideoTracking& Tracking() { return *FTracking; }
    const TVideoTracking& Tracking() const { return *FTracking; }

    // --- Frames (views of the sources) ---
    bool OpenVideo(const QString& path); // an empty path closes
    bool IsOpen() const { return FSources.IsOpen(); }
    int FrameCountVisible() const { return FSources.FrameCountVisible(); }
    void ShowFrame(int frame);
    QString ErrorText() const { return FSources.ErrorText; }

    // --- State ---
    TModeVideo Mode() const override { return FMode; }
    // Changes the main mode; a change that a subsystem refuses leaves the mode as it was.
    void SetMode(TModeVideo mode);
    TOutilVue OutilVue() const { return FOutilVue; }
    void SetOutilVue(TOutilVue tool);
    int Zoom() const { return FGeometry.Zoom(); }
    void ZoomReset();
    void Recompute();
    bool HideFrame = false;
    bool Wait() const { return FWait; }
    void SetWait(bool wait);
    // Size of the title picture drawn without a video (set by the main window's layout).
    QSize TitleSize;

    // Project keys of the section "Video".
    void SaveState(TIniFile& ini) const;
    void LoadState(const TIniFile& ini);

    // Entry points of the mouse and keyboard (view pixels; button 0 left, 1 right). The widget's own
    // events come here; tests call them directly.
    void ViewMouseDown(int button, Qt::KeyboardModifiers shift, int x, int y);
    void ViewMouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void ViewMouseUp(int button, Qt::KeyboardModifiers shift, int x, int y);
    // The second press of a double click: ends a polygon in the tracking mode, a plain press elsewhere.
    void ViewMouseDoubleClick(int button, Qt::KeyboardModifiers shift, int x, int y);
    // Keys of the marking and tracking modes: arrows move the pointer (1 pixel, 10 with Ctrl), Enter and
    // Escape act at the pointer. Answers whether the key was one of them.
    bool ViewKeyDown(int key, Qt::KeyboardModifiers shift);
    void WheelStep(int steps); // positive: down
    // Pointer position in view pixels (the virtual pointer when the system pointer cannot be moved).
    QPoint MousePosition() const override;
    bool VirtualPointer() const { return FVirtualPointerOn; }
    // The pointer that Enter acts at (the real one, or the one the arrow keys move) lies on the picture
    // shown: inside the view and off its scroll bars.
    bool PointerInPicture() const;

    // Composes the back buffer (frame, zoom rectangle, overlay, wait text) as it is shown.
    const QImage& BackBuffer() const { return FBuffer; }
    void Compose();

    // --- TDataView ---
    TPointRel ToRelative(int x, int y) const override;
    QPoint ToView(const TPointRel& point) const override;
    QSize FrameSize() const override;
    QSize ClientSize() const override;
    int FrameCount() const override { return FSources.FrameCount(); }
    int CurrentFrame() const override { return FSources.CurrentFrame(); }
    int CurrentPosition() const override { return FSources.CurrentPosition(); }
    int PositionCount() const override { return FSources.FrameCountVisible(); }
    void GoToPosition(int position) override;
    int ShiftOf(int frame) const override { return ShiftOfFrame ? ShiftOfFrame(frame) : 0; }
    int PositionOf(int frame) const override;
    int FrameAt(int position) const override;
    bool ViewToolActive() const override { return FOutilVue != ovNone; }
    void SetCursorNumber(int cursor) override;
    void CursorRefresh() override;
    void Repaint() override { update(); }

    // --- Collaborators wired by the owner ---
    // Edited time base: time shift of a frame (frame intervals); positions through Sources().
    std::function<int(int frame)> ShiftOfFrame;
    // The numbered cursor set; without it every cursor is the default arrow.
    std::function<QCursor(int number)> CursorOf;
    // Owners of the other modes: whether a mode can be entered now (without it, the editing, capture and
    // studio modes are refused), the studio's overlay painting, mouse and cursor.
    std::function<bool(TModeVideo from, TModeVideo to)> ModeChangeAllowed;
    std::function<void(QPainter&)> PaintStudio;
    std::function<void(int, Qt::KeyboardModifiers, int, int)> StudioMouseDown;
    std::function<void(Qt::KeyboardModifiers, int, int)> StudioMouseMove;
    std::function<void(int, Qt::KeyboardModifiers, int, int)> StudioMouseUp;
    std::function<void(int, int)> StudioDoubleClick; // a double click of the left button (view pixels)
    std::function<int()> StudioCursor;
    std::function<bool()> CurrentFrameHidden; // in the editing mode: draw the frame in negative

    // Notifications to the main window.
    std::function<void()> OnPaint;
    std::function<void()> OnZoomChange;
    std::function<void()> OnClose;
    std::function<void()> OnViewToolChange;
    std::function<void()> OnOpen;
    std::function<void()> OnModeChange;
    std::function<void()> OnModeButtons;
    std::function<void(const QString&)> OnMessage;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent*) override;

private:
    void SourceOpened();
    void SourceClosed();
    void ReadingError(const QString& text);
    void UpdateScrollBars();
    void ScrollBarMoved();
    void ZoomStep(int x, int y, bool in, bool fine);
    void MovePointer(int dx, int dy);
    void DrawTitle(QPainter& painter);

    TVideoSources FSources;
    TVideoGeometry FGeometry;
    TLoupe FLoupe;
    std::unique_ptr<TVideoTracking> FTracking;
    bool FLoupeCursor = false; // the cursor shown is the magnifier's
    TData* FData = nullptr;
    TModeVideo FMode = mvRepereFixe;
    TOutilVue FOutilVue = ovNone;
    bool FWait = false;
    bool FPanDragging = false;
    QPoint FPanLast;
    bool FZoomDragging = false;
    QRect FZoomRect;
    QImage FBuffer;
    QScrollBar* FScrollH = nullptr;
    QScrollBar* FScrollV = nullptr;
    bool FUpdatingScrollBars = false;
    bool FVirtualPointerOn = false;
    bool FPointerLeft = false; // the real pointer left the view since it last moved in it
    QPoint FVirtualPointer;
    QPoint FLastMouse;
};
