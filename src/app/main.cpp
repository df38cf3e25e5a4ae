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
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// Qt wants a private runtime folder (XDG_RUNTIME_DIR) and warns on stderr when the environment names
// none, as under cron, su or a container. Without one, the program makes its own for this run: a fresh
// folder of mode 0700 in /tmp, removed at exit (Qt leaves nothing in it for these programs). A folder
// that is named but unusable keeps Qt's warning: that is the user's setup to mend.
class TRuntimeDir
{
public:
    TRuntimeDir()
    {
        if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            return;
        char pattern[] = "/tmp/kinotra-runtime-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            return; // Qt then says why it has no runtime folder
        FPath = pattern;
        qputenv("XDG_RUNTIME_DIR", FPath);
    }
    ~TRuntimeDir()
    {
        if (!FPath.isEmpty())
            ::rmdir(FPath.constData());
    }
    TRuntimeDir(const TRuntimeDir&) = delete;
    TRuntimeDir& operator=(const TRuntimeDir&) = delete;

private:
    QByteArray FPath;
};

} // namespace

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = ParseCommandLine(args);
    const TRuntimeDir runtimeDir; // before any Qt application object asks for it

    if (line.Command != TCommand::Gui) {
        // Headless: no window and no dialog may appear, whatever display there is.
        // The graph export draws with widgets, which need the widget application even offscreen.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Kinotra"));
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
