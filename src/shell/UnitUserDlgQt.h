// The Qt implementations of the message box and of the file and colour dialogs.
#pragma once

#include "common/UnitDialogs.h"
#include "common/UnitUserDlg.h"

#include <QFileDialog>

class QWidget;

class TQtUserDlg : public TUserDlgService
{
public:
    explicit TQtUserDlg(QWidget* parent = nullptr) : FParent(parent) {}
    void SetParent(QWidget* parent) { FParent = parent; }
    TUserAnswer Show(const TUserMessage& message) override;

private:
    QWidget* FParent;
};

class TQtDialogs : public TDialogService
{
public:
    explicit TQtDialogs(QWidget* parent = nullptr) : FParent(parent) {}
    void SetParent(QWidget* parent) { FParent = parent; }
    TFileDialogResult FileDialog(const TFileDialogRequest& request) override;
    bool ColorDialog(TColor& color) override;
    bool ValueDialog(const TValueDialogRequest& request) override;
    void TextBox(const TTextBoxRequest& request) override;

private:
    QWidget* FParent;
};

// The file dialog of a request. In a save dialog the chosen file type gives the extension of a name
// typed without one, and a request that never replaces a file does not offer to replace one.
class TFileDialog : public QFileDialog
{
public:
    TFileDialog(QWidget* parent, const TFileDialogRequest& request);
    // The answer once the dialog has closed (not accepted: cancelled).
    TFileDialogResult Result() const;

protected:
    void accept() override;

private:
    // The default suffix from the chosen file type, else the request's.
    void FollowFilter();

    TFileDialogRequest FRequest;
    QStringList FFilters;
};

// The single extension that a Qt name filter names ("bmp" for "Bitmap file (*.bmp)"), else empty.
QString FilterSuffix(const QString& nameFilter);

// "Text|*.txt;*.log|All|*" becomes the list of Qt name filters "Text (*.txt *.log)", "All (*)".
QStringList QtNameFilters(const QString& filter);
