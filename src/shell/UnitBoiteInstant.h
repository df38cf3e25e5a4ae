// The frame-time dialog of the editing mode: the current frame's time moved by whole intervals, with the
// times of the visible frames before and after it.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QToolButton;
class TMontage;

class TBoiteInstant : public QDialog
{
public:
    TBoiteInstant(TMontage& montage, double interval, QWidget* parent = nullptr);

    // One interval later (up) or earlier (down) for the current frame and every later one; the times shown
    // again when the change was made. False when it was refused.
    bool Step(bool up);
    // Shows the three times again.
    void Refresh();

    QLabel* Previous = nullptr;
    QLineEdit* Current = nullptr;
    QLabel* Next = nullptr;
    QToolButton* UpButton = nullptr;
    QToolButton* DownButton = nullptr;

private:
    TMontage& FMontage;
};

