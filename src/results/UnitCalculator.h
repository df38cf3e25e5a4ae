// The calculator: evaluates single expressions with its own parser, keeps the expressions of this run.
#pragma once

#include "formula/UnitParser.h"
#include "results/UnitFormulaKeyboard.h"

#include <QDialog>
#include <QPointer>

class QLineEdit;
class QRadioButton;

class TCalculatrice : public QDialog
{
    Q_OBJECT

public:
    // `parent` is the calculator's owner, whose window it is between two showings.
    explicit TCalculatrice(QChar decimalSeparator, QWidget* parent = nullptr);

    // Shows the calculator, raised and active, over the window in use. A modal window blocks the input
    // of every window but its own: while one shows, the calculator is that window's, and it comes back
    // to its owner, hidden, when the modal window hides.
    void Summon();

    // The keys, by their names ("SpeedButton7", "SpeedButtonSin" ...), as a click on them does.
    void PressKey(const QString& name);
    // Evaluates the box's text; shows the value (15 significant digits) or the parser's message.
    void Calculate();
    void Previous();
    void Next();
    // Radians when true, degrees when false (radians at creation).
    void SetRadians(bool radians);

    QString Text() const;
    void SetText(const QString& text); // as if typed
    QLineEdit* Memo() const { return FMemo; }

    TTextHistory History;
    bool ShowingMessage = false;
    QString TypedText;
    bool ArcMode = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ClearMessage();

    void ReturnToOwner();

    QPointer<QWidget> FOwner;
    QPointer<QWidget> FHost; // the modal window the calculator belongs to while it shows
    TParser FParser;
    QChar FSeparator;
    QLineEdit* FMemo = nullptr;
    QRadioButton* FRadians = nullptr;
    QRadioButton* FDegrees = nullptr;
};
