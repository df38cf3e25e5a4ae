// Reading and writing the options, and the rules derived from the hidden tools.
#include "common/UnitOptions.h"

#include "common/UnitFolders.h"
#include "common/UnitIni.h"
#include "common/UnitUserDlg.h"

namespace {
const QString& Section = SectionOptions;
}

TOptions::TOptions(const QString& settingsFile)
    : FSettingsFile(settingsFile.isEmpty() ? SettingsFileName() : settingsFile)
{
    Load();
}

void TOptions::Load()
{
    if (FSettingsFile.isEmpty())
        return;
    Load(TIniFile(FSettingsFile));
}

void TOptions::Load(const TIniFile& ini)
{
#define OPTION_BOOL(field, def) field = ini.ReadBool(Section, QStringLiteral(#field "_Checked"), def);
#define OPTION_INT(field, def) field = ini.ReadInteger(Section, QStringLiteral(#field "_Value"), def);
#include "common/OptionKeys.inc"
#undef OPTION_BOOL
#undef OPTION_INT

#define TOOL_KEY(field)                                                                                      \
    ToolButton##field = ini.ReadBool(Section, QStringLiteral("ToolButton" #field "_Down"), false);
#define TOOL_NOKEY(field)
#include "common/ToolKeys.inc"
#undef TOOL_KEY
#undef TOOL_NOKEY
    // The two keyless tools of the time and formula pages start from the cross-hair tool of their page.
    ToolButtonTempsModifierModele = ToolButtonTempsReticule;
    ToolButtonTempsModeleSinusAe = ToolButtonTempsReticule;
    ToolButtonFormuleModifierModele = ToolButtonFormuleReticule;
    ToolButtonFormuleModeleSinusAe = ToolButtonFormuleReticule;

    DefaultDirectory = ini.ReadString(Section, QStringLiteral("DefaultDirectory"), QString());
    Password = ini.ReadString(Section, QStringLiteral("Password"), QString());
    PasswordLock = !Password.isEmpty();
}

void TOptions::Save(TIniFile& ini) const
{
#define OPTION_BOOL(field, def) ini.WriteBool(Section, QStringLiteral(#field "_Checked"), field);
#define OPTION_INT(field, def) ini.WriteInteger(Section, QStringLiteral(#field "_Value"), field);
#include "common/OptionKeys.inc"
#undef OPTION_BOOL
#undef OPTION_INT
    ini.WriteString(Section, QStringLiteral("DefaultDirectory"), DefaultDirectory);
    ini.WriteString(Section, QStringLiteral("Password"), Password);
#define TOOL_KEY(field)                                                                                      \
    ini.WriteBool(Section, QStringLiteral("ToolButton" #field "_Down"), ToolButton##field);
#define TOOL_NOKEY(field)
#include "common/ToolKeys.inc"
#undef TOOL_KEY
#undef TOOL_NOKEY
}

bool TOptions::Save()
{
    if (FSettingsFile.isEmpty())
        return false;
    TIniFile ini(FSettingsFile);
    if (!ini.ReadOk())
        return false; // never replace a file that could not be read: its other sections would be lost
    Save(ini);
    return ini.UpdateFile();
}

bool TOptions::ModelModifierHidden(TOptionsPage page) const
{
    if (page == TOptionsPage::Temps)
        return ToolButtonTempsModifierModele ||
               (ToolButtonTempsModeleConstant && ToolButtonTempsModeleAffine &&
                ToolButtonTempsModeleProportionnel && ToolButtonTempsModeleParabole &&
                ToolButtonTempsModeleSinus && ToolButtonTempsModeleSinusAe && ToolButtonTempsModeleSinusAl &&
                ToolButtonTempsModeleExponentiel);
    if (page == TOptionsPage::Formule)
        return ToolButtonFormuleModifierModele ||
               (ToolButtonFormuleModeleConstant && ToolButtonFormuleModeleAffine &&
                ToolButtonFormuleModeleProportionnel && ToolButtonFormuleModeleParabole &&
                ToolButtonFormuleModeleSinus && ToolButtonFormuleModeleSinusAe &&
                ToolButtonFormuleModeleSinusAl && ToolButtonFormuleModeleExponentiel);
    return false;
}

bool TOptions::CurveArcHidden(TOptionsPage page) const
{
    if (page == TOptionsPage::Referentiel)
        return ToolButtonReferentielCurveArc ||
               (ToolButtonReferentielArc && ToolButtonReferentielCercle && ToolButtonReferentielEllipse);
    if (page == TOptionsPage::Vecteur)
        return ToolButtonVecteurCurveArc ||
               (ToolButtonVecteurArc && ToolButtonVecteurCercle && ToolButtonVecteurEllipse);
    return false;
}

bool TOptions::CheckAccess()
{
    if (!PasswordLock)
        return true;
    const std::optional<QString> typed = AskPassword ? AskPassword() : std::nullopt;
    if (!typed)
        return false;
    if (*typed == Password)
        return true;
    TUserDlg::Instance().Message(icWarning, {QStringLiteral("Wrong password.")});
    return false;
}

bool TOptions::AskNewPassword()
{
    const std::optional<QString> typed = AskPassword ? AskPassword() : std::nullopt;
    if (!typed || typed->isEmpty())
        return false;
    Password = *typed;
    return true;
}

void TOptions::NotifyChange()
{
    if (OnOptionsChange)
        OnOptionsChange(*this);
}
