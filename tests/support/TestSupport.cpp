// Scripted dialog services for tests and paths of test data.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

TScriptedUserDlgScope::TScriptedUserDlgScope() : FService(std::make_shared<TScriptedUserDlg>())
{
    FService->OnUnexpected = [](const TUserMessage& message) {
        ADD_FAILURE() << "unexpected message: " << message.Text().toStdString();
    };
    TUserDlg::Instance().SetService(FService);
    TUserDlg::Instance().SetMute(false);
}

TScriptedUserDlgScope::~TScriptedUserDlgScope()
{
    TUserDlg::Instance().SetService(nullptr);
    TUserDlg::Instance().SetMute(false);
}

TScriptedDialogsScope::TScriptedDialogsScope() : FService(std::make_shared<TScriptedDialogs>())
{
    FService->OnUnexpected = [](const QString& what) { ADD_FAILURE() << what.toStdString(); };
    TDialogService::SetInstance(FService);
}

TScriptedDialogsScope::~TScriptedDialogsScope()
{
    TDialogService::SetInstance(nullptr);
}

QString SharedDataPath(const QString& relative)
{
    QString base = qEnvironmentVariable("KINOTRA_SHARED");
    if (base.isEmpty())
        base = QStringLiteral(KINOTRA_SHARED_DIR);
    const QString path = QDir(base).filePath(QStringLiteral("data/") + relative);
    return QFileInfo::exists(path) ? QDir::cleanPath(path) : QString();
}

QString FixtureCacheDir()
{
    const QString dir = QStringLiteral(KINOTRA_BINARY_DIR "/test-fixtures");
    QDir().mkpath(dir);
    return dir;
}
