// Entry point: parses the command line, runs a headless command or the main window.
#include "app/CommandLine.h"
#include "common/UnitDialogs.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"
#include "shell/UnitCursors.h"
#include "shell/UnitIcons.h"
#include "shell/UnitMainForm.h"
#include "shell/UnitUserDlgQt.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = ParseCommandLine(args);

    if (line.Command != TCommand::Gui) {
        // Headless: no window and no dialog may appear, whatever display there is.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QGuiApplication::setApplicationName(QStringLiteral("Kinotra"));
        QTextStream out(stdout);
        QTextStream err(stderr);
        const int code = RunHeadless(line, out, err);
        out.flush();
        err.flush();
        return code;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kinotra"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kinotra"));
    QApplication::setApplicationVersion(QStringLiteral(KINOTRA_VERSION));

    InitResources();
    QApplication::setWindowIcon(ApplicationIcon());
    RegisterCursors();

    auto userDlg = std::make_shared<TQtUserDlg>();
    auto dialogs = std::make_shared<TQtDialogs>();
    TUserDlg::Instance().SetService(userDlg);
    TDialogService::SetInstance(dialogs);

    TMainForm form;
    userDlg->SetParent(&form);
    dialogs->SetParent(&form);
    form.SetStartFile(line.StartFile);
    form.show();

    // KINOTRA_QUIT_AFTER_MS closes the window after a delay: used by the start-and-close checks.
    bool ok = false;
    const int quitAfter = qEnvironmentVariableIntValue("KINOTRA_QUIT_AFTER_MS", &ok);
    if (ok && quitAfter >= 0)
        QTimer::singleShot(quitAfter, &form, [&form] {
            form.Options().CheckBox3ConfirmationQuit = false;
            form.close();
        });

    const int code = QApplication::exec();
    TUserDlg::Instance().SetService(nullptr);
    TDialogService::SetInstance(nullptr);
    return code;
}
