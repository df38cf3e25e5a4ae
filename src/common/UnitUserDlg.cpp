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

TUserDlg& TUserDlg::Button(const QString& caption, TButtonType kind)
{
    if (!FMuted)
        FMessage.Buttons.push_back(TUserButton{caption, kind});
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
        FMessage.Buttons.push_back(TUserButton{QStringLiteral("Ok"), btOk});
    const TUserAnswer answer = FService->Show(FMessage);
    FChecked = answer.Checked;
    const int count = int(FMessage.Buttons.size());
    // Every caller expects one of its own indices, whatever the service answered.
    return answer.Button >= 0 && answer.Button < count ? answer.Button : count - 1;
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
        return {int(message.Buttons.size()) - 1, false};
    }
    const TUserAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}
