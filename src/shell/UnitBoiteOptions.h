// The options dialog (pages of preferences, calculations, features, results pages and their tools) and
// the password window that locks it.
#pragma once

#include "common/UnitOptions.h"
#include "platform/UnitAssociation.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QToolButton;

// What a typed character does in the password edit: whether it goes in, and how the OK button changes.
struct TPasswordKey
{
    bool Accept = false;
    int OkChange = 0; // +1 enables OK, -1 disables it, 0 leaves it
};

// The typing rule of the password edit, for a character typed while the edit holds length characters:
// only letters A-Z, a-z, digits, Backspace and Enter; nothing once the edit holds more than 20
// characters; the first letter or digit enables OK; Backspace on the last character disables it.
TPasswordKey PasswordKeyFilter(QChar typed, int length);

// The password window: a key picture, a masked edit, "&Ok" (disabled until something is typed) and
// "&Cancel". Built anew at each Execute.
class TPasswordDlg
{
public:
    QString Caption = QStringLiteral("Password");
    QString Password; // the typed text after an accepted Execute, else empty

    // Shows the window modally; true when closed with OK.
    bool Execute(QWidget* parent = nullptr);
    // The window that Execute shows; its edit is named "EditPassword", its buttons "ButtonOk" and
    // "ButtonAnnuler". Accepted means OK.
    std::unique_ptr<QDialog> Build(QWidget* parent = nullptr) const;
};

// The modal options dialog. Created once by the main window; its pages keep their last selection.
// Showing sets every control from the options; closing it in any way (OK or the close box) applies them:
// the file association, the invalidation of the results when an option that changes them differs, the
// values, the settings file and OnOptionsChange, once. "Change ...", "Delete" and the password check
// box act on the options at once.
class TBoiteOptions : public QDialog
{
public:
    // The options must outlive the dialog. When the options have no password prompt yet, the dialog
    // gives them the password window.
    explicit TBoiteOptions(TOptions& options, QWidget* parent = nullptr);
    ~TBoiteOptions() override;

    // Called at close before the values are taken when an option that changes the computed results
    // differs (smoothing, shown quantities, hidden edges, numbering from zero, two-dimension scale).
    std::function<void()> OnInvalidateResults;
    // Where the association check box reads and writes (tests point it at a temporary folder).
    TAssociationSetup AssociationSetup;

    // The lock first (CheckAccess), then the dialog modally; false when the lock refused.
    bool Execute();

    // Handlers of the controls, reachable by tests.
    void CheckBox1PasswordClick(bool checked);
    void ButtonDefaultDirectoryChangeClick();
    void ButtonDefaultDirectorySupprClick();
    // The controls back to the documented defaults; the options change only when the dialog closes.
    void ButtonRestoreDefaultsClick();

    // Controls by option, for the main window's tests and this dialog's own.
    QCheckBox* CheckBox(bool TOptions::*field) const;
    QComboBox* ComboBox(int TOptions::*field) const;
    QSpinBox* SpinBox(int TOptions::*field) const; // EditMRU and TrackingRadius
    QToolButton* ToolButton(bool TOptions::*field) const;
    QCheckBox* CheckBoxPassword() const { return FPassword; }
    QCheckBox* CheckBoxAssociation() const { return FAssociation; }
    QLineEdit* EditDefaultDirectory() const { return FDefaultDirectory; }
    QPushButton* ButtonOk() const { return FOk; }
    QTabWidget* Pages() const { return FPages; }
    QStatusBar* StatusBar() const { return FStatus; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    struct TCheck
    {
        bool TOptions::*Field;
        QCheckBox* Box;
    };
    struct TCombo
    {
        int TOptions::*Field;
        QComboBox* Box;
    };
    struct TSpin
    {
        int TOptions::*Field;
        QSpinBox* Box;
    };
    struct TTool
    {
        bool TOptions::*Field;
        QToolButton* Button;
        int Derived; // 0 none, 1 pressed by ModelModifierHidden, 2 by CurveArcHidden
        TOptionsPage Page;
    };

    void FormCreate();
    void FormShow();
    void FormClose();
    void ShowValues(const TOptions& values);

    QWidget* NewPage(QWidget* parent, const std::vector<int>& checks, const QString& title = QString(),
                     const QColor& titleColor = QColor());
    QCheckBox* AddCheck(int number, QWidget* parent);
    QComboBox* AddCombo(int TOptions::*field, const char* name, const QStringList& items, const QString& hint,
                        QWidget* parent);
    QSpinBox* AddSpin(int TOptions::*field, const char* name, int low, int high, const QString& hint,
                      QWidget* parent);
    QWidget* NewToolsPage(TOptionsPage page, QWidget* parent);

    TOptions& FOptions;
    std::vector<TCheck> FChecks;
    std::vector<TCombo> FCombos;
    std::vector<TSpin> FSpins;
    std::vector<TTool> FTools;
    QCheckBox* FPassword = nullptr;
    QCheckBox* FAssociation = nullptr;
    QLineEdit* FDefaultDirectory = nullptr;
    QPushButton* FOk = nullptr;
    QTabWidget* FPages = nullptr;
    QStatusBar* FStatus = nullptr;
    bool FAssociationShown = false; // the association's state when the dialog was shown
    bool FOpen = false;             // shown and not yet closed: the closing steps run once
};
