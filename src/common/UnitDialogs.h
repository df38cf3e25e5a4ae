// The service behind the program's file, folder and colour dialogs, so that tests never block on one.
#pragma once

#include "common/UnitTypes.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

enum class TFileDialogKind
{
    Open,
    Save,
    Folder,
};

struct TFileDialogRequest
{
    TFileDialogKind Kind = TFileDialogKind::Open;
    QString Title;
    QString Filter;     // "Text|*.txt|All|*" pairs separated by "|"
    QString DefaultExt; // without the dot
    QString InitialDir;
    QString FileName;
    int FilterIndex = 1;   // 1-based
    bool Multiple = false; // Open: several existing files may be chosen
    // Save: the caller deals with an existing file itself (refuses it, or asks before replacing it), so
    // the dialog does not ask: one question, not two.
    bool CallerChecksExisting = false;
};

// The save dialog of a new AVI video: its title, the folder it starts in and the name it proposes. An
// existing file is never replaced by a new video: the caller asks for another name.
TFileDialogRequest AviSaveRequest(const QString& title, const QString& folder, const QString& fileName);

struct TFileDialogResult
{
    bool Accepted = false;
    QString FileName;           // the first chosen file
    int FilterIndex = 1;        // 1-based, the filter chosen by the user
    QStringList FileNames = {}; // every chosen file (Open with Multiple); may be empty in scripted answers
};

// A dialog asking one number: the window is built from these texts, every typed character goes through
// KeyFilter (which answers the character to insert, or a null character to drop it), the text holds at
// most MaxLength characters, and every attempt to close with the OK button runs TryClose with the text,
// which shows its own messages and answers whether the dialog may close. Escape and the close box leave
// the dialog without a value.
struct TValueDialogRequest
{
    QString Caption;
    QString Prompt;
    QString Explanation; // empty: none
    QString IntervalText;
    QString DefaultText;
    int MaxLength = 16;
    std::function<QChar(QChar typed, const QString& text)> KeyFilter;
    std::function<bool(const QString& text)> TryClose;
};

// A box that only shows text and closes with its "Ok" button: the About box, the video properties.
struct TTextBoxRequest
{
    QString Title;
    QString Heading;     // first line, bold and centred; empty: none
    QString Text;        // the body, shown as it stands
    bool Framed = false; // the body in a read-only text field (selectable, scrolls), else a plain label
    int Width = 0;       // client size in pixels; 0: the box's own size
    int Height = 0;
};

class TDialogService
{
public:
    virtual ~TDialogService() = default;
    virtual TFileDialogResult FileDialog(const TFileDialogRequest& request) = 0;
    // Runs until TryClose accepts a text (true) or the user leaves it with Escape or its close box (false).
    virtual bool ValueDialog(const TValueDialogRequest& request) = 0;
    // True with the chosen colour in color; false when cancelled.
    virtual bool ColorDialog(TColor& color) = 0;
    // Shows the box modally until it is closed.
    virtual void TextBox(const TTextBoxRequest& request) = 0;

    // The installed service (a silent one answering "cancelled" until the program or a test sets one).
    static TDialogService& Instance();
    static void SetInstance(std::shared_ptr<TDialogService> service);
};

// Answers from queues and records every request; an unexpected request is reported and cancelled.
class TScriptedDialogs : public TDialogService
{
public:
    TFileDialogResult FileDialog(const TFileDialogRequest& request) override;
    bool ColorDialog(TColor& color) override;
    // Each queued entry is typed key by key into the field (its default text selected, so the first
    // key replaces it; '\b' is Backspace), then the dialog tries to close. An entry equal to the single
    // character '\n' closes with the default text untouched; one equal to '\x1b' is Escape.
    bool ValueDialog(const TValueDialogRequest& request) override;
    // Recorded; a text box needs no answer.
    void TextBox(const TTextBoxRequest& request) override { TextBoxes.push_back(request); }

    std::vector<TTextBoxRequest> TextBoxes;
    std::deque<QString> ValueTyping;
    std::vector<TValueDialogRequest> ValueRequests;
    std::vector<QString> ValueTexts; // the text of every closing attempt
    std::deque<TFileDialogResult> FileAnswers;
    std::deque<TColor> ColorAnswers; // clNone answers "cancelled"
    std::vector<TFileDialogRequest> FileRequests;
    int ColorRequests = 0;
    std::function<void(const QString&)> OnUnexpected;
};
