// The frame-interval dialog: the time a frame interval stands for, the file's own or one typed in seconds.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TBoiteTemps : public QDialog
{
public:
    // fileInterval: the file's interval between two frames (seconds, > 0); current: the interval in force.
    TBoiteTemps(double fileInterval, double current, QWidget* parent = nullptr);

    // Runs the dialog; Applied() afterwards.
    bool Execute();
    // True when Interval() is to be taken: "Ok" closed the dialog with a valid interval, or the default
    // value was chosen, which applies at once (closing the dialog in any way then keeps it).
    bool Applied() const { return FAccepted || FDefaultChosen; }
    double Interval() const { return FInterval; }
    // "Ok": checks the typed value (its messages through the message box); true when it is accepted and
    // the dialog closed.
    bool TryAccept();
    // Types one character as the key filter lets it through ("." and "," become the locale's separator).
    void TypeKey(QChar key);

    QLabel* Text = nullptr;
    QRadioButton* DefaultButton = nullptr;
    QRadioButton* OtherButton = nullptr;
    QLineEdit* Edit = nullptr;
    QPushButton* CalculatorButton = nullptr;
    QPushButton* OkButton = nullptr;
    QLabel* Status = nullptr;
    std::function<void()> ShowCalculator;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    double FFileInterval;
    double FInterval;
    bool FAccepted = false;
    bool FDefaultChosen = false;
};
