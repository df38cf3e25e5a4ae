// Creation of the main window and of the objects it owns.
#include "shell/UnitMainForm.h"

#include "common/UnitFolders.h"
#include "common/UnitUserDlg.h"
#include "common/UnitOptions.h"

#include <QGuiApplication>
#include <QScreen>

TMainForm::TMainForm(const QString& settingsFile, QWidget* parent) : QMainWindow(parent)
{
    setFont(QFont(QStringLiteral("Arial"), 10));
    setWindowTitle(QStringLiteral("Kinotra"));
    TUserDlg::Instance().SetTitle(QStringLiteral("Kinotra"));
    setMinimumSize(632, 452);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());

    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::black);
    setPalette(background);
    setAutoFillBackground(true);

    if (WorkFolder().isEmpty())
        TUserDlg::Instance()
            .Begin(icWarning)
            .Line(QStringLiteral("Backup file creation has failed."))
            .Blank()
            .Line(QStringLiteral("Some functions will not be available."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();

    FOptions = std::make_unique<TOptions>(settingsFile);
}

TMainForm::~TMainForm() = default;
