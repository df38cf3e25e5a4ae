// The video properties box: the open video's file, frame rate, frame size, number of frames and length.
#include "video/UnitBoiteProprietes.h"

#include "common/UnitDialogs.h"
#include "video/UnitFrameSource.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TBoiteProprietes::TBoiteProprietes(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Properties"));
    MemoInfo = new QPlainTextEdit(this);
    MemoInfo->setObjectName(QStringLiteral("MemoInfo"));
    MemoInfo->setReadOnly(true);
    MemoInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MemoInfo);
    layout->addWidget(buttons);
    resize(420, 220);
}

QString TBoiteProprietes::InfoText(const QString& fileName, double framesPerSecond, int width, int height,
                                   int frameCountVisible, double secondsPerFrame)
{
    const QStringList lines = {
        QStringLiteral("Information on the video file"),
        fileName,
        QStringLiteral("- ") + QString::asprintf("Frame rate: %.3g", framesPerSecond),
        QStringLiteral("- ") + QString::asprintf("Image width in pixels: %d", width),
        QStringLiteral("- ") + QString::asprintf("Image height in pixels: %d", height),
        QStringLiteral("- ") + QString::asprintf("Total number of images: %d", frameCountVisible),
        QStringLiteral("- ") + QString::asprintf("Video length: %.3g s", frameCountVisible * secondsPerFrame),
    };
    return lines.join(QLatin1Char('\n'));
}

void TBoiteProprietes::Fill(const TFrameSource& source, int frameCountVisible)
{
    MemoInfo->setPlainText(InfoText(source.FileName, source.FramesPerSecond, source.FrameWidth,
                                    source.FrameHeight, frameCountVisible, source.SecondsPerFrame));
}

QString TBoiteProprietes::Text() const
{
    return MemoInfo->toPlainText();
}

bool TBoiteProprietes::Execute(const TFrameSource& source, int frameCountVisible)
{
    if (source.SecondsPerFrame == 0.0)
        return false;
    TTextBoxRequest request;
    request.Title = QStringLiteral("Properties");
    request.Text = InfoText(source.FileName, source.FramesPerSecond, source.FrameWidth, source.FrameHeight,
                            frameCountVisible, source.SecondsPerFrame);
    request.Framed = true;
    request.Width = 420;
    request.Height = 220;
    TDialogService::Instance().TextBox(request);
    return true;
}
