// The video view: back buffer, geometry, modes, mouse and key routing, painting and the magnifier.
#include "video/UnitVideo.h"

#include "common/UnitIni.h"
#include "measurement/UnitData.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

namespace {

int ButtonOf(Qt::MouseButton button)
{
    return button == Qt::RightButton ? mbRight : mbLeft;
}

bool MarkingMode(TModeVideo mode)
{
    return mode == mvRepereFixe || mode == mvTransparent;
}

const QString& VideoSection = SectionVideo;

} // namespace

TVideo::TVideo(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted from the back buffer: no flicker
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    FScrollH = new QScrollBar(Qt::Horizontal, this);
    FScrollV = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {FScrollH, FScrollV}) {
        bar->hide();
        bar->setCursor(Qt::ArrowCursor);
        bar->setSingleStep(10);
        bar->setPageStep(10);
        connect(bar, &QScrollBar::valueChanged, this, [this] { ScrollBarMoved(); });
    }
    FSources.OnOpen = [this] { SourceOpened(); };
    FSources.OnClose = [this] { SourceClosed(); };
    FSources.OnError = [this](const QString& text) { ReadingError(text); };
    FSources.OnFrame = [this] { update(); };
    FLoupe.PlaceIn(size());
    FTracking = std::make_unique<TVideoTracking>(*this);
}

TVideo::~TVideo()
{
    FSources.Stop();
    FTracking->Stop();
    // The sources may call back while they close: nothing of the widget may be used any more.
    FSources.OnOpen = nullptr;
    FSources.OnClose = nullptr;
    FSources.OnError = nullptr;
    FSources.OnFrame = nullptr;
}

void TVideo::SetData(TData* measurement)
{
    FData = measurement;
    FTracking->SetData(measurement);
}

// ----------------------------------------------------------------------------------------------------
// Frames

bool TVideo::OpenVideo(const QString& path)
{
    FSources.ErrorText.clear();
    FSources.Stop();
    return FSources.OpenVideo(path);
}

void TVideo::ShowFrame(int frame)
{
    FSources.ShowFrame(frame);
    update();
}

void TVideo::GoToPosition(int position)
{
    FSources.GoToPosition(position);
    update();
}

int TVideo::PositionOf(int frame) const
{
    if (frame < 0 || frame >= FSources.FrameCount())
        return -1;
    return FSources.PositionOfFrame ? FSources.PositionOfFrame(frame) : frame;
}

int TVideo::FrameAt(int position) const
{
    const int count = FSources.VisibleCount ? FSources.VisibleCount() : FSources.FrameCount();
    if (position < 0 || position >= count)
        return -1;
    return FSources.FrameAtPosition ? FSources.FrameAtPosition(position) : position;
}

void TVideo::SourceOpened()
{
    setVisible(false); // the owner resets its data before the new frame is shown
    FGeometry.SetFrameSize(FSources.FrameWidth(), FSources.FrameHeight());
    FTracking->VideoChanged(); // positions of another video are not offered as marks
    FOutilVue = ovNone;
    FPanDragging = false;
    FZoomDragging = false;
    HideFrame = false;
    SetMode(mvRepereFixe);
    FScrollH->hide();
    FScrollV->hide();
    Recompute();
    if (OnOpen)
        OnOpen();
    else
        setVisible(true);
}

void TVideo::SourceClosed()
{
    FScrollH->hide();
    FScrollV->hide();
    FGeometry.SetFrameSize(0, 0);
    FTracking->VideoChanged();
    if (OnClose)
        OnClose();
}

void TVideo::ReadingError(const QString& text)
{
    if (OnMessage)
        OnMessage(QStringLiteral("Reading stopped.") + QLatin1Char(' ') + text);
}

// ----------------------------------------------------------------------------------------------------
// Modes and tools

void TVideo::SetMode(TModeVideo mode)
{
    const TModeVideo from = FMode;
    if (mode != from) {
        const bool owned = mode == mvNone || MarkingMode(mode) || mode == mvTracking;
        const bool allowed = ModeChangeAllowed ? ModeChangeAllowed(from, mode) : owned;
        if (!allowed || (mode == mvMontage && FSources.FrameCount() <= 1)) {
            update();
            return;
        }
        if (FData) {
            if (mode == mvTransparent)
                FData->SetOutil(otTsp);
            else if (mode == mvRepereFixe)
                FData->SetOutil(IsOpen() ? otMarque : otNone);
            else
                FData->SetOutil(otNone);
        }
        // Leaving the tracking mode stops a run and offers its positions while the mode is still the
        // tracking one (the marks go to the grid's list and its undo history).
        if (from == mvTracking)
            FTracking->Leave(mode);
    }
    FMode = mode;
    if (mode != from && mode == mvTracking)
        FTracking->Enter();
    setVisible(mode != mvCapture);
    FLoupe.Visible = FLoupe.Visible && MarkingMode(mode);
    if (mode != from) {
        FOutilVue = ovNone;
        FPanDragging = FZoomDragging = false;
        if (OnModeChange)
            OnModeChange();
    }
    update();
}

void TVideo::SetOutilVue(TOutilVue tool)
{
    if (tool == FOutilVue)
        return;
    FOutilVue = tool;
    FPanDragging = false;
    FZoomDragging = false;
    if (tool != ovNone && OnViewToolChange)
        OnViewToolChange();
    CursorRefresh();
    update();
}

void TVideo::SetWait(bool wait)
{
    FWait = wait;
    if (wait)
        QCoreApplication::processEvents();
    repaint();
}

void TVideo::ZoomReset()
{
    FGeometry.ZoomReset();
    Recompute();
    if (OnZoomChange)
        OnZoomChange();
    update();
}

void TVideo::Recompute()
{
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    FGeometry.SetClientSize(width(), height(), extent);
    const QSize buffer = FGeometry.BackBufferSize();
    if (FBuffer.size() != buffer)
        FBuffer = buffer.isEmpty() ? QImage() : QImage(buffer, QImage::Format_RGB32);
    UpdateScrollBars();
    if (FData)
        FData->Refresh();
}

void TVideo::UpdateScrollBars()
{
    const bool show = FGeometry.Zoomed() && IsOpen();
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    FScrollH->setGeometry(0, height() - extent, std::max(0, width() - extent), extent);
    FScrollV->setGeometry(width() - extent, 0, extent, std::max(0, height() - extent));
    FUpdatingScrollBars = true;
    const QPoint pos = FGeometry.ScrollPosition();
    const QSize buffer = FGeometry.BackBufferSize();
    FScrollH->setRange(0, std::max(0, int(FGeometry.DisplayWidth()) - buffer.width()));
    FScrollV->setRange(0, std::max(0, int(FGeometry.DisplayHeight()) - buffer.height()));
    FScrollH->setValue(pos.x());
    FScrollV->setValue(pos.y());
    FUpdatingScrollBars = false;
    FScrollH->setVisible(show);
    FScrollV->setVisible(show);
}

void TVideo::ScrollBarMoved()
{
    if (FUpdatingScrollBars)
        return;
    FGeometry.ScrollTo(FScrollH->value(), FScrollV->value());
    Recompute();
    update();
}

void TVideo::ZoomStep(int x, int y, bool in, bool fine)
{
    const int z1 = in ? TVideoGeometry::ZoomInStep(FGeometry.Zoom(), fine)
                      : TVideoGeometry::ZoomOutStep(FGeometry.Zoom(), fine);
    FGeometry.ZoomAt(x, y, z1);
}

// ----------------------------------------------------------------------------------------------------
// Conversions (the view interface of the measurement data)

TPointRel TVideo::ToRelative(int x, int y) const
{
    return FGeometry.ToRelative(x, y);
}

QPoint TVideo::ToView(const TPointRel& point) const
{
    return FGeometry.ToView(point);
}

QSize TVideo::FrameSize() const
{
    return IsOpen() ? QSize(FSources.FrameWidth(), FSources.FrameHeight()) : QSize();
}

QSize TVideo::ClientSize() const
{
    return FGeometry.BackBufferSize();
}

// ----------------------------------------------------------------------------------------------------
// Cursor

void TVideo::SetCursorNumber(int cursor)
{
    if (cursor <= 0 || !CursorOf)
        setCursor(Qt::ArrowCursor);
    else
        setCursor(CursorOf(cursor));
}

void TVideo::CursorRefresh()
{
    int number = 0;
    if (IsOpen()) {
        if (FOutilVue == ovZoom)
            number = ViewCursorZoom;
        else if (FOutilVue == ovPan)
            number = ViewCursorPan;
        else if (MarkingMode(FMode))
            number = FData ? FData->CursorForTool() : 0;
        else if (FMode == mvStudio)
            number = StudioCursor ? StudioCursor() : 0;
        else if (FMode == mvTracking)
            number = FTracking->CursorFor();
    }
    SetCursorNumber(number);
}

// ----------------------------------------------------------------------------------------------------
// Mouse and keys

void TVideo::ViewMouseDown(int button, Qt::KeyboardModifiers shift, int x, int y)
{
    FLastMouse = QPoint(x, y);
    if (!IsOpen())
        return;
    if (FLoupe.Contains(FLastMouse)) {
        FLoupe.MouseDown(button, FLastMouse);
        update();
        return;
    }
    if (FPanDragging)
        return;
    if (FOutilVue == ovZoom) {
        FZoomDragging = true;
        FZoomRect = QRect(FLastMouse, FLastMouse);
        return;
    }
    if (FOutilVue == ovPan) {
        if (button == mbLeft) {
            FPanDragging = true;
            FPanLast = FLastMouse;
        }
        return;
    }
    if (MarkingMode(FMode)) {
        if (FData)
            FData->MouseDown(button, shift, x, y);
    } else if (FMode == mvStudio && StudioMouseDown) {
        StudioMouseDown(button, shift, x, y);
    } else if (FMode == mvTracking) {
        FTracking->MouseDown(button, x, y);
    }
    update();
}

void TVideo::ViewMouseMove(Qt::KeyboardModifiers shift, int x, int y)
{
    FLastMouse = QPoint(x, y);
    if (!IsOpen())
        return;
    if (FLoupe.Dragging()) {
        FLoupe.MouseMove(FLastMouse, FGeometry.BackBufferSize());
        update();
        return;
    }
    if (FPanDragging) {
        const QPoint d = FLastMouse - FPanLast;
        FPanLast = FLastMouse;
        if (FGeometry.Pan(d.x(), d.y())) {
            Recompute();
            update();
        }
        return;
    }
    if (FOutilVue == ovZoom) {
        if (FZoomDragging) {
            FZoomRect.setBottomRight(FLastMouse);
            update();
        }
        return;
    }
    if (FOutilVue == ovPan)
        return;
    if (MarkingMode(FMode)) {
        if (FData)
            FData->MouseMove(shift, x, y);
    } else if (FMode == mvStudio && StudioMouseMove) {
        StudioMouseMove(shift, x, y);
    } else if (FMode == mvTracking) {
        FTracking->MouseMove(x, y);
    }
    FLoupe.Centre = FLastMouse;
    update();
}

void TVideo::ViewMouseUp(int button, Qt::KeyboardModifiers shift, int x, int y)
{
    FLastMouse = QPoint(x, y);
    if (!IsOpen())
        return;
    if (FLoupe.Dragging()) {
        FLoupe.MouseUp();
        return;
    }
    if (FOutilVue == ovZoom) {
        if (!FZoomDragging)
            return;
        FZoomDragging = false;
        FZoomRect.setBottomRight(FLastMouse);
        if (!FGeometry.ZoomRectangle(FZoomRect))
            ZoomStep(x, y, button == mbLeft, shift & Qt::ControlModifier);
        Recompute();
        if (OnZoomChange)
            OnZoomChange();
        update();
        return;
    }
    if (FOutilVue == ovPan) {
        if (button == mbLeft)
            FPanDragging = false;
        return;
    }
    if (MarkingMode(FMode)) {
        if (FData)
            FData->MouseUp(button, shift, x, y);
    } else if (FMode == mvStudio && StudioMouseUp) {
        StudioMouseUp(button, shift, x, y);
    }
    update();
}

void TVideo::ViewMouseDoubleClick(int button, Qt::KeyboardModifiers shift, int x, int y)
{
    const bool own = FOutilVue == ovNone && !FPanDragging && IsOpen() && !FLoupe.Contains(QPoint(x, y));
    if (own && FMode == mvStudio && button == mbLeft && StudioDoubleClick) {
        FLastMouse = QPoint(x, y);
        StudioDoubleClick(x, y);
        update();
        return;
    }
    const bool tracking = FMode == mvTracking && FOutilVue == ovNone && !FPanDragging && IsOpen();
    if (!tracking) {
        ViewMouseDown(button, shift, x, y);
        return;
    }
    FLastMouse = QPoint(x, y);
    FTracking->MouseDown(button, x, y, true);
    update();
}

bool TVideo::ViewKeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (!IsOpen() || !(MarkingMode(FMode) || FMode == mvTracking))
        return false;
    const int step = (shift & Qt::ControlModifier) ? 10 : 1;
    const QPoint at = MousePosition();
    switch (key) {
    case Qt::Key_Left:
        MovePointer(-step, 0);
        return true;
    case Qt::Key_Right:
        MovePointer(step, 0);
        return true;
    case Qt::Key_Up:
        MovePointer(0, -step);
        return true;
    case Qt::Key_Down:
        MovePointer(0, step);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (FMode == mvTracking && !FPanDragging && FOutilVue == ovNone)
            return FTracking->KeyDown(key, at);
        if (FPanDragging)
            ViewMouseUp(mbLeft, shift, at.x(), at.y());
        else if (FOutilVue != ovNone)
            ViewMouseDown(mbLeft, shift, at.x(), at.y());
        return true;
    case Qt::Key_Escape:
        if (FMode == mvTracking && !FPanDragging && FOutilVue == ovNone)
            return FTracking->KeyDown(key, at);
        ViewMouseDown(mbRight, shift, at.x(), at.y());
        return true;
    default:
        return false;
    }
}

QPoint TVideo::MousePosition() const
{
    return FVirtualPointerOn ? FVirtualPointer : FLastMouse;
}

void TVideo::MovePointer(int dx, int dy)
{
    // The real pointer moves where the window system lets a program move it (X11); elsewhere (Wayland,
    // offscreen) a pointer drawn in the view stands in for it with the same steps.
    const bool real = QGuiApplication::platformName() == QLatin1String("xcb") && isVisible();
    // A real pointer that left the view moves on from where it is, not from where it left.
    const QPoint from =
        real && FPointerLeft && !FVirtualPointerOn ? mapFromGlobal(QCursor::pos()) : MousePosition();
    const QPoint target = from + QPoint(dx, dy);
    if (real) {
        const QPoint global = mapToGlobal(target);
        QCursor::setPos(global);
        if (QCursor::pos() == global) {
            FVirtualPointerOn = false;
            FPointerLeft = !rect().contains(target);
            FLastMouse = target;
            return;
        }
    }
    FVirtualPointerOn = true;
    FVirtualPointer = QPoint(std::clamp(target.x(), 0, std::max(0, width() - 1)),
                             std::clamp(target.y(), 0, std::max(0, height() - 1)));
    ViewMouseMove(QGuiApplication::keyboardModifiers(), FVirtualPointer.x(), FVirtualPointer.y());
    FLastMouse = FVirtualPointer;
}

void TVideo::WheelStep(int steps)
{
    if (!IsOpen() || !FScrollV->isVisible())
        return;
    FScrollV->setValue(FScrollV->value() + steps * FScrollV->singleStep());
}

void TVideo::mousePressEvent(QMouseEvent* event)
{
    FPointerLeft = false;
    FVirtualPointerOn = false;
    const QPoint p = event->position().toPoint();
    ViewMouseDown(ButtonOf(event->button()), event->modifiers(), p.x(), p.y());
}

void TVideo::mouseMoveEvent(QMouseEvent* event)
{
    FPointerLeft = false;
    FVirtualPointerOn = false;
    const QPoint p = event->position().toPoint();
    ViewMouseMove(event->modifiers(), p.x(), p.y());
    // Over the magnifier its own cursors; on leaving it the cursor of the current tool again (the data
    // may have set a cursor of their own on this move: it stays while the pointer is elsewhere).
    if (FLoupe.InDragBand(p)) {
        setCursor(Qt::SizeAllCursor);
        FLoupeCursor = true;
    } else if (FLoupe.Contains(p)) {
        setCursor(CursorOf ? CursorOf(ViewCursorZoom) : QCursor(Qt::CrossCursor));
        FLoupeCursor = true;
    } else if (FLoupeCursor) {
        FLoupeCursor = false;
        CursorRefresh();
    }
}

void TVideo::mouseDoubleClickEvent(QMouseEvent* event)
{
    FPointerLeft = false;
    FVirtualPointerOn = false;
    const QPoint p = event->position().toPoint();
    ViewMouseDoubleClick(ButtonOf(event->button()), event->modifiers(), p.x(), p.y());
}

void TVideo::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    ViewMouseUp(ButtonOf(event->button()), event->modifiers(), p.x(), p.y());
    CursorRefresh();
}

void TVideo::wheelEvent(QWheelEvent* event)
{
    const int notches = -event->angleDelta().y() / 120;
    WheelStep(notches);
    event->accept();
}

void TVideo::leaveEvent(QEvent*)
{
    FPointerLeft = true;
    update();
}

bool TVideo::PointerInPicture() const
{
    if (!IsOpen() || (FPointerLeft && !FVirtualPointerOn))
        return false;
    return QRect(QPoint(0, 0), FGeometry.BackBufferSize()).contains(MousePosition());
}

void TVideo::resizeEvent(QResizeEvent*)
{
    FLoupe.PlaceIn(size());
    Recompute();
}

// ----------------------------------------------------------------------------------------------------
// Painting

void TVideo::Compose()
{
    if (FBuffer.isNull() || !IsOpen())
        return;
    if (HideFrame) {
        FBuffer.fill(Qt::white);
    } else {
        const bool negative = FMode == mvMontage && CurrentFrameHidden && CurrentFrameHidden();
        if (!FSources.Draw(FBuffer, FGeometry.SourceRect(), negative ? NOTSRCCOPY : SRCCOPY))
            FBuffer.fill(Qt::black);
    }
    QPainter painter(&FBuffer);
    if (FZoomDragging) {
        QPen pen(Qt::white, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.drawRect(FZoomRect.normalized());
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (FMode == mvStudio) {
        if (PaintStudio)
            PaintStudio(painter);
    } else if (FMode == mvTracking) {
        FTracking->Paint(painter);
    } else if (FData) {
        FData->Paint(painter);
    }
    if (FWait) {
        painter.setPen(Qt::white);
        painter.drawText(0, 32 + painter.fontMetrics().ascent(), QStringLiteral("Wait please ..."));
    }
}

void TVideo::DrawTitle(QPainter& painter)
{
    const QRect area(QPoint(0, 0), TitleSize.isEmpty() ? size() : TitleSize);
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0.0, QColor(0x1d, 0x2b, 0x3a));
    gradient.setColorAt(1.0, QColor(0x0b, 0x11, 0x18));
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(area, gradient);
    QFont title(QStringLiteral("Arial"), std::max(12, area.height() / 10), QFont::Bold);
    painter.setFont(title);
    painter.setPen(QColor(0xf2, 0xb1, 0x34));
    painter.drawText(area.adjusted(0, 0, 0, -area.height() / 6), Qt::AlignCenter, QStringLiteral("Kinotra"));
    QFont sub(QStringLiteral("Arial"), std::max(8, area.height() / 40));
    painter.setFont(sub);
    painter.setPen(QColor(0xc8, 0xd3, 0xdd));
    painter.drawText(area.adjusted(0, area.height() / 6, 0, 0), Qt::AlignCenter,
                     QStringLiteral("Video analysis for physics\nFile > Open > a video file"));
    if (FWait) {
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("Wait please ..."));
    }
}

void TVideo::paintEvent(QPaintEvent*)
{
    if (!parentWidget() || size().isEmpty())
        return;
    if (IsOpen() && FSources.Source().Drawing)
        return;
    QPainter painter(this);
    if (!IsOpen()) {
        DrawTitle(painter);
        return;
    }
    Compose();
    painter.drawImage(0, 0, FBuffer);
    if (FGeometry.Zoomed()) {
        const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        painter.fillRect(QRect(width() - extent, height() - extent, extent, extent), palette().button());
    }
    if (OnPaint)
        OnPaint();
    FLoupe.Paint(painter, FBuffer);
    if (FVirtualPointerOn) {
        const QPoint p = FVirtualPointer;
        painter.setPen(QPen(Qt::black, 3));
        painter.drawLine(p + QPoint(-7, 0), p + QPoint(7, 0));
        painter.drawLine(p + QPoint(0, -7), p + QPoint(0, 7));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawLine(p + QPoint(-6, 0), p + QPoint(6, 0));
        painter.drawLine(p + QPoint(0, -6), p + QPoint(0, 6));
    }
}

// ----------------------------------------------------------------------------------------------------
// Project keys

void TVideo::SaveState(TIniFile& ini) const
{
    ini.WriteInteger(VideoSection, QStringLiteral("ImageNumber"), CurrentFrame());
    ini.WriteInteger(VideoSection, QStringLiteral("MarkingMode"), FMode == mvTransparent ? 1 : 0);
}

void TVideo::LoadState(const TIniFile& ini)
{
    ShowFrame(ini.ReadInteger(VideoSection, QStringLiteral("ImageNumber"), 1));
    SetMode(ini.ReadInteger(VideoSection, QStringLiteral("MarkingMode"), 0) == 1 ? mvTransparent
                                                                                 : mvRepereFixe);
    Recompute();
}
