// The video properties box: the open video's file, frame rate, frame size, number of frames and length.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class TFrameSource;

class TBoiteProprietes : public QDialog
{
public:
    explicit TBoiteProprietes(QWidget* parent = nullptr);

    // Shows the values of source; frameCountVisible is the number of frames of the edited sequence (the
    // file's frame count in the editing mode), from which the length is computed too.
    void Fill(const TFrameSource& source, int frameCountVisible);
    // The read-only text for these values, one line each.
    static QString InfoText(const QString& fileName, double framesPerSecond, int width, int height,
                            int frameCountVisible, double secondsPerFrame);
    QString Text() const;

    // Shows the values of source through the dialog service (modal); does nothing and returns false when
    // the source has no frame period (no video open).
    static bool Execute(const TFrameSource& source, int frameCountVisible);

    QPlainTextEdit* MemoInfo = nullptr;
};
