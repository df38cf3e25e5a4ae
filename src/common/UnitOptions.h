// The user's preferences, kept in the section "Options" of the settings file.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

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

    // The password of the lock as stored: "sha256:SALT:HASH" (hexadecimal; HASH is SHA-256 of the salt's
    // bytes followed by the UTF-8 password), empty for no password. Never the password itself: a plain
    // value found in the settings file is replaced by its hash when the file is read.
    QString Password;
    bool PasswordLock = false; // not stored: whether the options dialog asks for the password
    QString DefaultDirectory;

    // The stored form of a password, with a new random salt; empty for an empty password.
    static QString HashPassword(const QString& plain);
    // Whether a stored value has the form "sha256:" + 32 hex digits + ":" + 64 hex digits.
    static bool IsPasswordHash(const QString& stored);
    // Whether a typed text is the password (exact, case-sensitive). A stored value that is not a hash
    // is compared as plain text.
    bool PasswordMatches(const QString& typed) const;
    // Sets the password from its plain text (stored as its hash).
    void SetPassword(const QString& plain)
    {
        Password = HashPassword(plain);
    }

    // Every option of the key tables and every tool flag back to its default; the password, the lock
    // and the default directory are left as they are.
    void RestoreDefaults();

    // The options of the key tables as data, for the dialog and the tests: key, field, default.
    struct TBoolOption
    {
        const char* Key;
        bool TOptions::*Field;
        bool Default;
    };
    struct TIntOption
    {
        const char* Key;
        int TOptions::*Field;
        int Default;
    };
    struct TToolOption
    {
        const char* Key;  // empty for the tools that have no key of their own
        const char* Name; // "Temps" + "Reticule"...
        bool TOptions::*Field;
    };
    static const std::vector<TBoolOption>& BoolOptions();
    static const std::vector<TIntOption>& IntOptions();
    static const std::vector<TToolOption>& ToolOptions();

    // Reads every key with its default; a missing or unreadable file gives the defaults. A value that is
    // not an integer gives the key's default; other values are kept as they stand (readers bound them,
    // and the options dialog brings them into its ranges). A plain password is hashed, and Load() writes
    // the hash back into the file at once so that the plain text does not stay there.
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
    // Asks a new password; false when cancelled or empty, else stores its hash.
    bool AskNewPassword();

    void NotifyChange();
    std::function<void(TOptions&)> OnOptionsChange;

private:
    QString FSettingsFile;
};
