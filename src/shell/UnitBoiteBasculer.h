// The series dialog of the editing mode: frames to hide or show, typed as groups ("1-55; 58; 73-165") or
// chosen as every even or odd frame.
#pragma once

#include "common/UnitTypes.h"

#include <QDialog>

class QComboBox;
class QPushButton;
class QRadioButton;

class TBoiteBasculer : public QDialog
{
public:
    TBoiteBasculer(const QString& caption, int frameCount, QWidget* parent = nullptr);

    // Runs the dialog; false when it was cancelled (Escape, the close box).
    bool Execute();
    // Validates the entry (the error told through the message box, the text emptied); true when valid,
    // then Selection() and Show() hold the answer and the dialog is closed.
    bool TryAccept();
    const TBooleanDynArray& Selection() const { return FSelection; }
    bool Show() const { return FShow; }

    QRadioButton* HideButton = nullptr;
    QRadioButton* ShowButton = nullptr;
    QComboBox* Entry = nullptr;
    QPushButton* OkButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    int FFrameCount;
    TBooleanDynArray FSelection;
    bool FShow = false;
    bool FAccepted = false;
};
