// Reading and writing the options, and the rules derived from the hidden tools.
#include "common/UnitOptions.h"

#include "common/UnitFolders.h"
#include "common/UnitIni.h"
#include "common/UnitUserDlg.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {
const QString& Section = SectionOptions;
const QString PasswordKey = QStringLiteral("Password");
constexpr int SaltBytes = 16;

QByteArray PasswordDigest(const QByteArray& salt, const QString& plain)
{
    return QCryptographicHash::hash(salt + plain.toUtf8(), QCryptographicHash::Sha256);
}

bool IsHex(QStringView text, qsizetype length)
{
    if (text.size() != length)
        return false;
    for (const QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    return true;
}

} // namespace

QString TOptions::HashPassword(const QString& plain)
{
    if (plain.isEmpty())
        return QString();
    QByteArray salt(SaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    return QStringLiteral("sha256:") + QString::fromLatin1(salt.toHex()) + QLatin1Char(':') +
           QString::fromLatin1(PasswordDigest(salt, plain).toHex());
}

bool TOptions::IsPasswordHash(const QString& stored)
{
    const QStringList parts = stored.split(QLatin1Char(':'));
    return parts.size() == 3 && parts[0] == QLatin1String("sha256") && IsHex(parts[1], 2 * SaltBytes) &&
           IsHex(parts[2], 64);
}

bool TOptions::PasswordMatches(const QString& typed) const
{
    if (!IsPasswordHash(Password))
        return !Password.isEmpty() && typed == Password;
    const QStringList parts = Password.split(QLatin1Char(':'));
    const QByteArray expected = QByteArray::fromHex(parts[2].toLatin1());
    const QByteArray actual = PasswordDigest(QByteArray::fromHex(parts[1].toLatin1()), typed);
    // Compared without an early exit, so the time taken says nothing about the stored hash.
    unsigned char diff = 0;
    for (qsizetype i = 0; i < actual.size(); ++i)
        diff |= static_cast<unsigned char>(actual[i] ^ expected[i]);
    return diff == 0;
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
    TIniFile ini(FSettingsFile);
    Load(ini);
    // A password kept in clear by an older version or typed into the file: only its hash stays there.
    const QString stored = ini.ReadString(Section, PasswordKey, QString());
    if (!stored.isEmpty() && stored != Password && ini.ReadOk()) {
        ini.WriteString(Section, PasswordKey, Password);
        ini.UpdateFile(); // a file that cannot be written keeps the plain value; the lock still works
    }
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
    Password = ini.ReadString(Section, PasswordKey, QString());
    if (!Password.isEmpty() && !IsPasswordHash(Password))
        Password = HashPassword(Password);
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
    ini.WriteString(Section, PasswordKey, Password);
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
    if (PasswordMatches(*typed))
        return true;
    TUserDlg::Instance().Message(icWarning, {QStringLiteral("Wrong password.")});
    return false;
}

bool TOptions::AskNewPassword()
{
    const std::optional<QString> typed = AskPassword ? AskPassword() : std::nullopt;
    if (!typed || typed->isEmpty())
        return false;
    SetPassword(*typed);
    return true;
}

void TOptions::RestoreDefaults()
{
#define OPTION_BOOL(field, def) field = def;
#define OPTION_INT(field, def) field = def;
#include "common/OptionKeys.inc"
#undef OPTION_BOOL
#undef OPTION_INT
#define TOOL_KEY(field) ToolButton##field = false;
#define TOOL_NOKEY(field) ToolButton##field = false;
#include "common/ToolKeys.inc"
#undef TOOL_KEY
#undef TOOL_NOKEY
}

const std::vector<TOptions::TBoolOption>& TOptions::BoolOptions()
{
    static const std::vector<TBoolOption> options = {
#define OPTION_BOOL(field, def) {#field "_Checked", &TOptions::field, bool(def)},
#define OPTION_INT(field, def)
#include "common/OptionKeys.inc"
#undef OPTION_BOOL
#undef OPTION_INT
    };
    return options;
}

const std::vector<TOptions::TIntOption>& TOptions::IntOptions()
{
    static const std::vector<TIntOption> options = {
#define OPTION_BOOL(field, def)
#define OPTION_INT(field, def) {#field "_Value", &TOptions::field, def},
#include "common/OptionKeys.inc"
#undef OPTION_BOOL
#undef OPTION_INT
    };
    return options;
}

const std::vector<TOptions::TToolOption>& TOptions::ToolOptions()
{
    static const std::vector<TToolOption> options = {
#define TOOL_KEY(field) {"ToolButton" #field "_Down", #field, &TOptions::ToolButton##field},
#define TOOL_NOKEY(field) {"", #field, &TOptions::ToolButton##field},
#include "common/ToolKeys.inc"
#undef TOOL_KEY
#undef TOOL_NOKEY
    };
    return options;
}

void TOptions::NotifyChange()
{
    if (OnOptionsChange)
        OnOptionsChange(*this);
}
