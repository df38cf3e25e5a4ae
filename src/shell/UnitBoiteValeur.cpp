// The value dialog: input kinds, their texts and bounds, the key filter and the closing checks.
#include "shell/UnitBoiteValeur.h"

#include "common/UnitDialogs.h"
#include "common/UnitIni.h"
#include "common/UnitUserDlg.h"
#include "results/UnitResGrid.h"

#include <QLocale>
#include <cmath>
#include <numbers>

namespace {

struct TKindTexts
{
    const char* Caption;
    const char* Prompt;
    const char* Explanation;
};

constexpr TKindTexts KindTexts[] = {
    {"Define grid rotation angle", "Grid rotation angle in degree(s)", ""},
    {"Frame rate", "Number of frames per second (fps)", ""},
    {"Calibrate a segment", "Segment length in meter(s)", ""},
    {"Search radius for target", "Search radius (in pixels)",
     "Max distance between 2 successive positions of the target, in pixels of the unmodified image"},
    {"Define last frame number for tracking", "Number of last frame",
     "First frame of the sequence shows the object's outline"},
    {"Draw last marks", "Number of marks to draw", ""},
    {"Define number of marks per image", "Number of marks per image", ""},
    {"Find an image with its number", "New image number", ""},
    {"Define object number for tracking", "Object number", "Tracking can handle 1 object at a time"},
    {"Number of images separating 2 similar marks", "Number of images for automatic forward",
     "The next frame is automatically shown after the last mark is set."},
};

QString Bounds(const char* format, int low, int high)
{
    return QString::asprintf(format, low, high);
}

} // namespace

void TBoiteValeur::SetTypeSaisie(TTypeSaisie kind)
{
    if (kind > tsNbImgStep)
        kind = tsAngle;
    TypeSaisie = kind;
    const TKindTexts& t = KindTexts[kind];
    Caption = QString::fromUtf8(t.Caption);
    Prompt = QString::fromUtf8(t.Prompt) + QStringLiteral(" :");
    Explanation = QString::fromUtf8(t.Explanation);
    switch (kind) {
    case tsAngle:
        DefaultText =
            FormatGeneral((Context.GridAngle ? Context.GridAngle() : 0.0) * 180.0 / std::numbers::pi, 6);
        IntervalText = QString::fromUtf8("-180° <= angle <= +180° trigonometric-wise");
        break;
    case tsCadence:
        DefaultText = FormatGeneral(Context.FrameRate ? Context.FrameRate() : 0.0, 6);
        IntervalText = QStringLiteral("1 fps <= frame rate <= 100 fps");
        break;
    case tsLongueur:
        SetTypeSaisieLongueur(TypeSaisieLongueur);
        IntervalText = QStringLiteral("1 mm < segment length < 15 Tm");
        break;
    case tsDMax:
        DefaultText = QString::number(Get(Context.TrackingRadius));
        IntervalText = Bounds("%d <= maximum distance <= %d", 10, 100);
        break;
    case tsLastImg:
        DefaultText = QString::number(Get(Context.TrackingLastFrame) + 1);
        IntervalText =
            Bounds("%d <= number <= %d", Get(Context.TrackingFirstFrame) + 2, Get(Context.FrameCountVisible));
        break;
    case tsNbMqDrawn:
        DefaultText = QString::number(Get(Context.MarksDrawn));
        IntervalText = QStringLiteral("number >= 1");
        break;
    case tsNbMqParImg:
        DefaultText = QString::number(Get(Context.ObjectsPerFrame));
        IntervalText = Bounds("%d <= number <= %d", 1, 32);
        break;
    case tsNumImg:
        DefaultText = QString::number(Get(Context.CurrentPosition) + 1);
        IntervalText = Bounds("%d <= number <= %d", 1, Get(Context.FrameCountVisible));
        break;
    case tsNumOrdre:
        DefaultText = QString::number(Get(Context.TrackedObject) + 1);
        IntervalText = Bounds("%d <= number <= %d", 1, Get(Context.ObjectsPerFrame));
        break;
    case tsNbImgStep:
        DefaultText = QString::number(Get(Context.FramesBetweenMarks));
        IntervalText = Bounds("%d <= number <= %d", 1, Get(Context.FrameCountVisible) - 1);
        break;
    }
}

void TBoiteValeur::SetTypeSaisieLongueur(TTypeSaisieLongueur which)
{
    TypeSaisieLongueur = which;
    DefaultText = FormatGeneral(Context.ScaleLength ? Context.ScaleLength(which) : 0.0, 10);
}

QChar TBoiteValeur::FilterKey(QChar typed) const
{
    if (typed == QLatin1Char('\b') || typed == QLatin1Char('\r') || typed == QLatin1Char('\n'))
        return typed;
    if (typed >= QLatin1Char('0') && typed <= QLatin1Char('9'))
        return typed;
    if (IsIntegerKind(TypeSaisie))
        return QChar();
    if (typed == QLatin1Char('.') || typed == QLatin1Char(','))
        return QLocale().decimalPoint().at(0);
    if (typed == QLatin1Char('+') || typed == QLatin1Char('-') || typed == QLatin1Char('E') ||
        typed == QLatin1Char('e'))
        return typed;
    return QChar();
}

bool TBoiteValeur::TryClose(const QString& text)
{
    TUserDlg& box = TUserDlg::Instance();
    const QString shown = QStringLiteral("Inputted value:") + QLatin1Char(' ') + text;
    const bool integer = IsIntegerKind(TypeSaisie);
    int n = 0;
    double r = 0.0;
    bool converted = false;
    if (integer) {
        // Digits only: the key filter lets nothing else in, and a sign must not slip through a paste.
        converted =
            !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
        if (converted)
            n = text.toInt(&converted);
    } else {
        converted = TextToFloat(QString(text).replace(QLocale().decimalPoint(), QStringLiteral(".")), r);
    }
    if (!converted) {
        box.Begin(icWarning).Line(shown).Blank();
        if (integer) {
            box.Line(QStringLiteral("This string is not a  suitable integer."));
        } else {
            box.Line(QStringLiteral("This string is not a  suitable real."))
                .Blank()
                .Line(QStringLiteral("String must contain a sign (optional), numerals, a decimal separator "
                                     "(optional), then a mantissa (optional)."))
                .Line(QString::fromUtf8("Mantissa contains « E » or « e » followed by a sign (facultative) "
                                        "and an integer."));
        }
        box.Button(QStringLiteral("Ok"), btOk).Execute();
        return false;
    }

    bool inside = false;
    std::variant<int, double> value = n;
    switch (TypeSaisie) {
    case tsAngle:
        inside = r >= -180.0 && r <= 180.0;
        value = r * std::numbers::pi / 180.0;
        break;
    case tsCadence:
        inside = r >= 1.0 && r <= 100.0;
        value = r;
        break;
    case tsLongueur:
        inside = r > 0.001 && r < 1.5e13;
        value = r;
        break;
    case tsDMax:
        inside = n >= 10 && n <= 100;
        break;
    case tsLastImg:
        inside = n >= Get(Context.TrackingFirstFrame) + 2 && n <= Get(Context.FrameCountVisible);
        value = n - 1;
        break;
    case tsNbMqDrawn:
        inside = n >= 1;
        break;
    case tsNbMqParImg:
        inside = n >= 1 && n <= 32;
        break;
    case tsNumImg:
        inside = n >= 1 && n <= Get(Context.FrameCountVisible);
        value = n - 1;
        break;
    case tsNumOrdre:
        inside = n >= 1 && n <= Get(Context.ObjectsPerFrame);
        value = n - 1;
        break;
    case tsNbImgStep:
        inside = n >= 1 && n < Get(Context.FrameCountVisible);
        break;
    }
    if (!inside) {
        QString first = shown;
        if (TypeSaisie == tsAngle)
            first += QString::fromUtf8("°");
        else if (TypeSaisie == tsLongueur)
            first += QStringLiteral(" m");
        box.Begin(icInformation)
            .Line(first)
            .Blank()
            .Line(QStringLiteral("Type a value in the given interval:"))
            .Blank()
            .Line(IntervalText)
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    Accepted = true;
    InputValue = value;
    return true;
}

bool TBoiteValeur::Execute()
{
    Accepted = false;
    const bool open = Context.IsOpen && Context.IsOpen();
    if (!open && TypeSaisie != tsCadence)
        return false;
    TValueDialogRequest request;
    request.Caption = Caption;
    request.Prompt = Prompt;
    request.Explanation = Explanation;
    request.IntervalText = IntervalText;
    request.DefaultText = DefaultText;
    request.MaxLength = 16;
    request.KeyFilter = [this](QChar typed, const QString&) { return FilterKey(typed); };
    request.TryClose = [this](const QString& text) { return TryClose(text); };
    TDialogService::Instance().ValueDialog(request);
    return Accepted;
}

double TBoiteValeur::ValueAsDouble() const
{
    return std::holds_alternative<double>(InputValue) ? std::get<double>(InputValue)
                                                      : double(std::get<int>(InputValue));
}

int TBoiteValeur::ValueAsInteger() const
{
    return std::holds_alternative<int>(InputValue) ? std::get<int>(InputValue)
                                                   : int(std::lround(std::get<double>(InputValue)));
}
