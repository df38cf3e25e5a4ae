// The Qt implementations of the message box and of the file and colour dialogs.
#pragma once

#include "common/UnitDialogs.h"
#include "common/UnitUserDlg.h"

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

// "Text|*.txt;*.log|All|*" becomes the list of Qt name filters "Text (*.txt *.log)", "All (*)".
QStringList QtNameFilters(const QString& filter);
