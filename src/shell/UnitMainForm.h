// The program's main window: owner of the long-lived objects and of the user's work.
#pragma once

#include <QMainWindow>
#include <memory>

class TOptions;

class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // settingsFile: the settings file to read (empty: the program's own).
    explicit TMainForm(const QString& settingsFile = QString(), QWidget* parent = nullptr);
    ~TMainForm() override;

    TOptions& Options() { return *FOptions; }

    // Opens the file named on the command line once the window shows (video or project).
    void SetStartFile(const QString& path) { FStartFile = path; }
    const QString& StartFile() const { return FStartFile; }

private:
    std::unique_ptr<TOptions> FOptions;
    QString FStartFile;
};
