// The shared message box and the scripted service used by tests.
#include "common/UnitUserDlg.h"

namespace {

class TSilentUserDlg : public TUserDlgService
{
public:
    TUserAnswer Show(const TUserMessage&) override { return {}; }
};

} // namespace

QString TUserMessage::Text() const
{
    QStringList parts;
    for (const TUserLine& line : Lines)
        parts << line.Text;
    return parts.join(QStringLiteral(" / "));
}

QStringList TUserMessage::ButtonCaptions() const
{
    QStringList captions;
    for (const TUserButton& b : Buttons)
        captions << b.Caption;
    return captions;
}

int TUserMessage::EscapeButton() const
{
    const int count = int(Buttons.size());
    if (Escape >= 0 && Escape < count && Buttons[Escape].Enabled)
        return Escape;
    for (int i = 0; i < count; ++i)
        if (Buttons[i].Enabled && Buttons[i].Kind == btAnnuler)
            return i;
    for (int i = 0; i < count; ++i)
        if (Buttons[i].Enabled && Buttons[i].Caption.compare(QLatin1String("No"), Qt::CaseInsensitive) == 0)
            return i;
    if (count == 1)
        return 0;
    for (int i = count - 1; i >= 0; --i)
        if (Buttons[i].Enabled)
            return i;
    return count - 1;
}

TUserDlg::TUserDlg() : FService(std::make_shared<TSilentUserDlg>()) {}

TUserDlg& TUserDlg::Instance()
{
    static TUserDlg instance;
    return instance;
}

void TUserDlg::SetService(std::shared_ptr<TUserDlgService> service)
{
    FService = service ? std::move(service) : std::make_shared<TSilentUserDlg>();
}

TUserDlg& TUserDlg::Begin(TIconKind icon, const QImage& picture)
{
    if (FMuted)
        return *this;
    FMessage = TUserMessage{};
    FMessage.Icon = icon;
    FMessage.Picture = picture;
    FChecked = false;
    return *this;
}

TUserDlg& TUserDlg::Line(const QString& text, bool bold, TColor color)
{
    if (!FMuted)
        FMessage.Lines.push_back(TUserLine{text, bold, color});
    return *this;
}

TUserDlg& TUserDlg::Blank()
{
    return Line(QString());
}

TUserDlg& TUserDlg::Button(const QString& caption, TButtonType kind, bool enabled)
{
    if (!FMuted)
        FMessage.Buttons.push_back(TUserButton{caption, kind, enabled});
    return *this;
}

TUserDlg& TUserDlg::Escape()
{
    if (!FMuted && !FMessage.Buttons.empty())
        FMessage.Escape = int(FMessage.Buttons.size()) - 1;
    return *this;
}

TUserDlg& TUserDlg::Default()
{
    if (!FMuted && !FMessage.Buttons.empty())
        FMessage.Default = int(FMessage.Buttons.size()) - 1;
    return *this;
}

TUserDlg& TUserDlg::CheckBox(const QString& caption, bool checked)
{
    if (!FMuted) {
        FMessage.CheckBoxCaption = caption;
        FMessage.CheckBoxChecked = checked;
    }
    return *this;
}

int TUserDlg::Execute()
{
    if (FMuted)
        return -1;
    if (FMessage.Buttons.empty())
        FMessage.Buttons.push_back(TUserButton{QStringLiteral("Ok"), btOk, true});
    const TUserAnswer answer = FService->Show(FMessage);
    FChecked = answer.Checked;
    const int count = int(FMessage.Buttons.size());
    // Every caller expects one of its own indices, whatever the service answered; a box closed without
    // a button answers the one that loses nothing.
    if (answer.Button >= 0 && answer.Button < count && FMessage.Buttons[answer.Button].Enabled)
        return answer.Button;
    return FMessage.EscapeButton();
}

int TUserDlg::Message(TIconKind icon, const QStringList& lines)
{
    Begin(icon);
    for (const QString& line : lines)
        Line(line);
    Button(QStringLiteral("Ok"), btOk);
    return Execute();
}

TUserAnswer TScriptedUserDlg::Show(const TUserMessage& message)
{
    Shown.push_back(message);
    if (Answers.empty()) {
        Unexpected.push_back(message);
        if (OnUnexpected)
            OnUnexpected(message);
        return {NoButtonPressed, false};
    }
    const TUserAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}
