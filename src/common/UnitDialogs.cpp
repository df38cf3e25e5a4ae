// The dialog service: a silent default and the scripted one used by tests.
#include "common/UnitDialogs.h"

namespace {

class TSilentDialogs : public TDialogService
{
public:
    TFileDialogResult FileDialog(const TFileDialogRequest&) override { return {}; }
    bool ColorDialog(TColor&) override { return false; }
    bool ValueDialog(const TValueDialogRequest&) override { return false; }
    void TextBox(const TTextBoxRequest&) override {}
};

std::shared_ptr<TDialogService>& Current()
{
    static std::shared_ptr<TDialogService> service = std::make_shared<TSilentDialogs>();
    return service;
}

} // namespace

TDialogService& TDialogService::Instance()
{
    return *Current();
}

void TDialogService::SetInstance(std::shared_ptr<TDialogService> service)
{
    Current() = service ? std::move(service) : std::make_shared<TSilentDialogs>();
}

TFileDialogRequest AviSaveRequest(const QString& title, const QString& folder, const QString& fileName)
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Save;
    request.Title = title;
    request.Filter = QStringLiteral("Video file (*.avi)|*.avi");
    request.DefaultExt = QStringLiteral("avi");
    request.InitialDir = folder;
    request.FileName = fileName;
    request.CallerChecksExisting = true;
    return request;
}

TFileDialogResult TScriptedDialogs::FileDialog(const TFileDialogRequest& request)
{
    FileRequests.push_back(request);
    if (FileAnswers.empty()) {
        if (OnUnexpected)
            OnUnexpected(QStringLiteral("unexpected file dialog: ") + request.Title);
        return {};
    }
    TFileDialogResult answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
}

bool TScriptedDialogs::ColorDialog(TColor& color)
{
    ++ColorRequests;
    if (ColorAnswers.empty()) {
        if (OnUnexpected)
            OnUnexpected(QStringLiteral("unexpected colour dialog"));
        return false;
    }
    const TColor answer = ColorAnswers.front();
    ColorAnswers.pop_front();
    if (answer == clNone)
        return false;
    color = answer;
    return true;
}

bool TScriptedDialogs::ValueDialog(const TValueDialogRequest& request)
{
    ValueRequests.push_back(request);
    while (!ValueTyping.empty()) {
        const QString keys = ValueTyping.front();
        ValueTyping.pop_front();
        if (keys == QStringLiteral("\x1b"))
            return false; // Escape: no value
        QString text = request.DefaultText;
        if (keys != QStringLiteral("\n")) {
            text.clear(); // the default text is selected when the window shows: typing replaces it
            for (const QChar key : keys) {
                if (key == QLatin1Char('\b')) {
                    text.chop(1);
                    continue;
                }
                const QChar accepted = request.KeyFilter ? request.KeyFilter(key, text) : key;
                if (!accepted.isNull() && text.size() < request.MaxLength)
                    text += accepted;
            }
        }
        ValueTexts.push_back(text);
        if (!request.TryClose || request.TryClose(text))
            return true;
    }
    if (OnUnexpected)
        OnUnexpected(QStringLiteral("value dialog left open: ") + request.Caption);
    return false;
}
