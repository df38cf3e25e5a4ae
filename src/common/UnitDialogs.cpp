// The dialog service: a silent default and the scripted one used by tests.
#include "common/UnitDialogs.h"

namespace {

class TSilentDialogs : public TDialogService
{
public:
    TFileDialogResult FileDialog(const TFileDialogRequest&) override { return {}; }
    bool ColorDialog(TColor&) override { return false; }
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
