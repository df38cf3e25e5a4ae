// Helpers shared by the tests: scripted dialog services and paths of test data.
#pragma once

#include "common/UnitDialogs.h"
#include "common/UnitUserDlg.h"

#include <QString>
#include <memory>

// Installs a scripted message box for the lifetime of the object; an unexpected message fails the test.
class TScriptedUserDlgScope
{
public:
    TScriptedUserDlgScope();
    ~TScriptedUserDlgScope();
    TScriptedUserDlg& operator*() { return *FService; }
    TScriptedUserDlg* operator->() { return FService.get(); }

private:
    std::shared_ptr<TScriptedUserDlg> FService;
};

// The same for the file and colour dialogs.
class TScriptedDialogsScope
{
public:
    TScriptedDialogsScope();
    ~TScriptedDialogsScope();
    TScriptedDialogs& operator*() { return *FService; }
    TScriptedDialogs* operator->() { return FService.get(); }

private:
    std::shared_ptr<TScriptedDialogs> FService;
};

// A file of the shared data folder (real videos, reference datasets); empty when it is not there.
QString SharedDataPath(const QString& relative);
// A folder in the build tree where tests cache generated fixtures (videos); created when missing.
QString FixtureCacheDir();
