// The user's preferences, kept in the section "Options" of the settings file.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class TIniFile;

// The pages of the results window whose tools the options can hide.
enum class TOptionsPage
{
    Temps,
    Referentiel,
    Vecteur,
    Formule,
};

// One instance, owned by the main window. Read once at construction, written when the options dialog
// closes. Readers treat the fields as read-only.
class TOptions
{
public:
    // Reads the given settings file; the default is the program's own settings file.
    explicit TOptions(const QString& settingsFile = QString());

#define OPTION_BOOL(field, def) bool field = def;
#define OPTION_INT(field, def) int field = def;
#include "common/OptionKeys.inc"
#undef OPTION_BOOL
#undef OPTION_INT

    // A pressed tool button means that the tool is hidden in the results window.
#define TOOL_KEY(field) bool ToolButton##field = false;
#define TOOL_NOKEY(field) bool ToolButton##field = false;
#include "common/ToolKeys.inc"
#undef TOOL_KEY
#undef TOOL_NOKEY

    QString Password;          // in clear, as the settings file keeps it
    bool PasswordLock = false; // not stored: whether the options dialog asks for the password
    QString DefaultDirectory;

    // Reads every key with its default; a missing or unreadable file gives the defaults.
    void Load();
    void Load(const TIniFile& ini);
    // Writes the whole section; false when the file could not be written (no message).
    bool Save();
    void Save(TIniFile& ini) const;

    const QString& SettingsFile() const
    {
        return FSettingsFile;
    }

    // The model modifier of the time or formula page is hidden when its own flag is set or when every
    // model tool of the page is hidden.
    bool ModelModifierHidden(TOptionsPage page) const;
    // The curve-arc tool of the trajectory or vector page is hidden when its own flag is set or when the
    // arc, circle and ellipse tools are all hidden.
    bool CurveArcHidden(TOptionsPage page) const;

    // Asks for the password when the lock is on; a wrong password shows "Wrong password.". The prompt
    // answers the typed text, or nothing when cancelled.
    std::function<std::optional<QString>()> AskPassword;
    bool CheckAccess();
    // Asks a new password; false when cancelled or empty, else stores it.
    bool AskNewPassword();

    void NotifyChange();
    std::function<void(TOptions&)> OnOptionsChange;

private:
    QString FSettingsFile;
};
