// The studio tests' demonstration clip and frame view.
#include "studio/StudioFixture.h"

#include "editing/UnitDemoClip.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>

QString DemoClipPath()
{
    const QString path = QDir(FixtureCacheDir()).absoluteFilePath(QStringLiteral("studio-demo-clip.avi"));
    if (QFile::exists(path))
        return path;
    // Written under a name of this process, then renamed, so that test programs running side by side never
    // read a half-written clip.
    const QString partial = path + QStringLiteral(".%1.avi").arg(QCoreApplication::applicationPid());
    QString error;
    if (!TDemoClip::Write(partial, error))
        return {};
    if (!QFile::rename(partial, path))
        QFile::remove(partial);
    return QFile::exists(path) ? path : QString();
}

TPointRel TFrameView::ToRelative(int x, int y) const
{
    const QSize size = FrameSize();
    return {std::clamp(double(x) / size.width(), 0.0, 1.0), std::clamp(double(y) / size.height(), 0.0, 1.0)};
}

QPoint TFrameView::ToView(const TPointRel& point) const
{
    const QSize size = FrameSize();
    return {int(std::lround(point.X * size.width())), int(std::lround(point.Y * size.height()))};
}

int TFrameView::PositionCount() const
{
    return Visible.empty() ? FSources.FrameCount() : static_cast<int>(Visible.size());
}

int TFrameView::FrameAt(int position) const
{
    if (position < 0 || position >= PositionCount())
        return -1;
    return Visible.empty() ? position : Visible[static_cast<std::size_t>(position)];
}

int TFrameView::PositionOf(int frame) const
{
    if (Visible.empty())
        return frame;
    const auto found = std::find(Visible.begin(), Visible.end(), frame);
    return found == Visible.end() ? -1 : static_cast<int>(found - Visible.begin());
}

int TFrameView::CurrentPosition() const
{
    return PositionOf(FSources.CurrentFrame());
}

void TFrameView::GoToPosition(int position)
{
    const int frame = FrameAt(position);
    if (frame >= 0)
        FSources.ShowFrame(frame);
}
