// The message box through which every message of the program is shown, and the service behind it.
#pragma once

#include "common/UnitTypes.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

enum TIconKind : std::uint8_t
{
    icCustom = 0, // a picture supplied by the caller
    icWarning = 1,
    icError = 2,
    icInformation = 3,
    icConfirmation = 4,
};

// The kind of a button only chooses its picture.
enum TButtonType : std::uint8_t
{
    btOk = 0,
    btAnnuler = 1,
    btIgnorer = 2,
    btAbandonner = 3,
    btTous = 4,
    btQuitter = 5,
    btAide = 6,
    btRecommencer = 7,
    btEnregistrer = 8,
    btCustom = 9,
};

struct TUserLine
{
    QString Text; // empty: a blank line
    bool Bold = false;
    TColor Color = clNone; // clNone: the default text colour
};

struct TUserButton
{
    QString Caption;
    TButtonType Kind = btCustom;
    bool Enabled = true; // a disabled button is shown but cannot be the answer
};

// One composed message.
struct TUserMessage
{
    TIconKind Icon = icInformation;
    QImage Picture; // for icCustom
    std::vector<TUserLine> Lines;
    std::vector<TUserButton> Buttons;
    QString CheckBoxCaption; // empty: no check box
    bool CheckBoxChecked = false;

    // The lines joined by " / ", blank lines as "", for logs and tests.
    QString Text() const;
    QStringList ButtonCaptions() const;
    // The button that a box closed without one answers, when the caller names it; -1: chosen by rule.
    int Escape = -1;
    // The button that Enter presses, when the caller names it; -1: the first.
    int Default = -1;

    // The answer of a box closed without a button (Escape, the window's close box): the button that
    // loses nothing. The button named by Escape when it is enabled, else the first enabled "Cancel"
    // button (kind btAnnuler), else the first enabled button captioned "No", else the only button of a
    // one-button box, else the last enabled button.
    int EscapeButton() const;
};

// Answered by a service for a box closed without a button.
constexpr int NoButtonPressed = -1;

struct TUserAnswer
{
    int Button = 0; // 0-based index of the pressed button in the order they were added; NoButtonPressed
    bool Checked = false;
};

// What shows a message: the Qt box in the program, a scripted one in tests.
class TUserDlgService
{
public:
    virtual ~TUserDlgService() = default;
    virtual TUserAnswer Show(const TUserMessage& message) = 0;
};

// The shared message box. A message is composed (icon, lines, buttons, check box) and then shown;
// Execute returns the index of the pressed button. A box closed without a button, or answered with an
// index it does not have or a disabled button, returns the message's EscapeButton(). While muted,
// composing and showing do nothing and Execute returns -1.
class TUserDlg
{
public:
    static TUserDlg& Instance();

    // The service stays installed until replaced; null restores the default (answers 0, shows nothing).
    void SetService(std::shared_ptr<TUserDlgService> service);
    TUserDlgService* Service() const { return FService.get(); }

    void SetTitle(const QString& title) { FTitle = title; }
    const QString& Title() const { return FTitle; }

    void SetMute(bool mute) { FMuted = mute; }
    bool Muted() const { return FMuted; }

    // Starts a new message.
    TUserDlg& Begin(TIconKind icon, const QImage& picture = {});
    TUserDlg& Line(const QString& text, bool bold = false, TColor color = clNone);
    TUserDlg& Blank();
    TUserDlg& Button(const QString& caption, TButtonType kind, bool enabled = true);
    // The button added last is also the answer of the box closed without a button.
    TUserDlg& Escape();
    // The button added last is also the one that Enter presses.
    TUserDlg& Default();
    TUserDlg& CheckBox(const QString& caption, bool checked = false);
    int Execute();
    bool Checked() const { return FChecked; }

    // The most common shapes: icon, lines (an empty string is a blank line), one "Ok" button.
    int Message(TIconKind icon, const QStringList& lines);

private:
    TUserDlg();
    std::shared_ptr<TUserDlgService> FService;
    TUserMessage FMessage;
    QString FTitle = QStringLiteral("Kinotra");
    bool FMuted = false;
    bool FChecked = false;
};

// A message service for tests: records every message shown and answers from a queue. A message that
// arrives with the queue empty is unexpected: it is recorded, reported through OnUnexpected and answered
// as a box closed without a button.
class TScriptedUserDlg : public TUserDlgService
{
public:
    TUserAnswer Show(const TUserMessage& message) override;

    void Answer(int button, bool checked = false) { Answers.push_back({button, checked}); }
    // The user closes the next box with Escape or its close box.
    void Escape() { Answers.push_back({NoButtonPressed, false}); }

    std::deque<TUserAnswer> Answers;
    std::vector<TUserMessage> Shown;
    std::vector<TUserMessage> Unexpected;
    std::function<void(const TUserMessage&)> OnUnexpected;
};
