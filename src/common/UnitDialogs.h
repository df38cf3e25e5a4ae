// The service behind the program's file, folder and colour dialogs, so that tests never block on one.
#pragma once

#include "common/UnitTypes.h"

#include <QString>
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
    int FilterIndex = 1; // 1-based
};

struct TFileDialogResult
{
    bool Accepted = false;
    QString FileName;
    int FilterIndex = 1; // 1-based, the filter chosen by the user
};

class TDialogService
{
public:
    virtual ~TDialogService() = default;
    virtual TFileDialogResult FileDialog(const TFileDialogRequest& request) = 0;
    // True with the chosen colour in color; false when cancelled.
    virtual bool ColorDialog(TColor& color) = 0;

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

    std::deque<TFileDialogResult> FileAnswers;
    std::deque<TColor> ColorAnswers; // clNone answers "cancelled"
    std::vector<TFileDialogRequest> FileRequests;
    int ColorRequests = 0;
    std::function<void(const QString&)> OnUnexpected;
};
