// The calculator: keys, evaluation, history and angle mode.
#include "results/UnitCalculator.h"

#include "common/UnitFormat.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

TCalculatrice::TCalculatrice(QChar decimalSeparator, QWidget* parent)
    : QDialog(parent), FOwner(parent), FSeparator(decimalSeparator)
{
    setWindowTitle(QStringLiteral("Kinotra"));
    setObjectName(QStringLiteral("Calculatrice"));
    setModal(false);
    QFont font(QStringLiteral("Arial"), 10);
    setFont(font);
    FParser.SetAngleMode(true);
    FParser.SetDecimalSeparator(decimalSeparator);
    FParser.SetResolver({}); // the only name it knows is pi

    auto* layout = new QVBoxLayout(this);
    FMemo = new QLineEdit;
    FMemo->setObjectName(QStringLiteral("Memo"));
    FMemo->installEventFilter(this);
    auto* top = new QHBoxLayout;
    top->addWidget(FMemo, 1);
    layout->addLayout(top);

    auto* angle = new QGroupBox;
    angle->setObjectName(QStringLiteral("RadioGroupAngle"));
    auto* al = new QHBoxLayout(angle);
    FRadians = new QRadioButton(QStringLiteral("Radians"));
    FDegrees = new QRadioButton(QStringLiteral("Degrees"));
    FRadians->setChecked(true);
    al->addWidget(FRadians);
    al->addWidget(FDegrees);
    connect(FRadians, &QRadioButton::clicked, this, [this] { SetRadians(true); });
    connect(FDegrees, &QRadioButton::clicked, this, [this] { SetRadians(false); });
    layout->addWidget(angle);

    struct TKeyDef
    {
        const char* Name;
        const char* Caption;
    };
    static const TKeyDef keys[] = {
        {"SpeedButtonPred", "<"},        {"SpeedButtonSucc", ">"},
        {"SpeedButtonDebut", "|<"},      {"SpeedButtonDecSelStart", "←"},
        {"SpeedButtonIncSelStart", "→"}, {"SpeedButtonFin", ">|"},
        {"SpeedButtonSin", "Sin"},       {"SpeedButtonCos", "Cos"},
        {"SpeedButtonTan", "Tan"},       {"SpeedButtonArc", "Arc"},
        {"SpeedButtonLn", "Ln"},         {"SpeedButtonLog", "Log"},
        {"SpeedButtonExp", "Exp"},       {"SpeedButtonPuissance10", "10^"},
        {"SpeedButtonRacine", "√"},      {"SpeedButtonCarre", "x²"},
        {"SpeedButtonPuissance", "^"},   {"SpeedButtonPi", "π"},
        {"SpeedButton7", "7"},           {"SpeedButton8", "8"},
        {"SpeedButton9", "9"},           {"SpeedButtonOP", "("},
        {"SpeedButtonFP", ")"},          {"SpeedButtonEffacer", "⌫"},
        {"SpeedButton4", "4"},           {"SpeedButton5", "5"},
        {"SpeedButton6", "6"},           {"SpeedButtonMult", "*"},
        {"SpeedButtonDiv", "÷"},         {"SpeedButtonAC", "AC"},
        {"SpeedButton1", "1"},           {"SpeedButton2", "2"},
        {"SpeedButton3", "3"},           {"SpeedButtonAdd", "+"},
        {"SpeedButtonMinus", "-"},       {"SpeedButtonE", "E"},
        {"SpeedButton0", "0"},           {"SpeedButtonSeparator", "."},
        {"SpeedButtonEgal", "="},
    };
    auto* grid = new QGridLayout;
    int n = 0;
    for (const TKeyDef& k : keys) {
        auto* b = new QToolButton;
        const QString name = QString::fromLatin1(k.Name);
        b->setObjectName(name);
        b->setText(name == QLatin1String("SpeedButtonSeparator") ? QString(FSeparator)
                                                                 : QString::fromUtf8(k.Caption));
        b->setFocusPolicy(Qt::NoFocus);
        if (name == QLatin1String("SpeedButtonPred"))
            b->setToolTip(QStringLiteral("Previous"));
        if (name == QLatin1String("SpeedButtonSucc"))
            b->setToolTip(QStringLiteral("Next"));
        connect(b, &QToolButton::clicked, this, [this, name] { PressKey(name); });
        grid->addWidget(b, n / 6, n % 6);
        ++n;
    }
    layout->addLayout(grid);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString TCalculatrice::Text() const
{
    return FMemo->text();
}

void TCalculatrice::SetText(const QString& text)
{
    ClearMessage();
    FMemo->setText(text);
    FMemo->setCursorPosition(int(text.size()));
    TypedText = text;
}

void TCalculatrice::ClearMessage()
{
    if (ShowingMessage) {
        FMemo->clear();
        ShowingMessage = false;
    }
}

void TCalculatrice::SetRadians(bool radians)
{
    FParser.SetAngleMode(radians);
    (radians ? FRadians : FDegrees)->setChecked(true);
    FMemo->setFocus();
}

void TCalculatrice::PressKey(const QString& name)
{
    if (name == QLatin1String("SpeedButtonPred")) {
        Previous();
        return;
    }
    if (name == QLatin1String("SpeedButtonSucc")) {
        Next();
        return;
    }
    ClearMessage();
    if (name == QLatin1String("SpeedButtonEgal")) {
        Calculate();
        return;
    }
    static const QHash<QString, QString> inserts = {
        {QStringLiteral("SpeedButtonOP"), QStringLiteral("(")},
        {QStringLiteral("SpeedButtonFP"), QStringLiteral(")")},
        {QStringLiteral("SpeedButtonAdd"), QStringLiteral("+")},
        {QStringLiteral("SpeedButtonMinus"), QStringLiteral("-")},
        {QStringLiteral("SpeedButtonMult"), QStringLiteral("*")},
        {QStringLiteral("SpeedButtonDiv"), QStringLiteral("÷")},
        {QStringLiteral("SpeedButtonE"), QStringLiteral("E")},
        {QStringLiteral("SpeedButtonPuissance"), QStringLiteral("^")},
        {QStringLiteral("SpeedButtonLn"), QStringLiteral("Ln(")},
        {QStringLiteral("SpeedButtonLog"), QStringLiteral("Log(")},
        {QStringLiteral("SpeedButtonExp"), QStringLiteral("Exp(")},
        {QStringLiteral("SpeedButtonPuissance10"), QStringLiteral("10^(")},
        {QStringLiteral("SpeedButtonPi"), QStringLiteral("Pi")},
        {QStringLiteral("SpeedButtonRacine"), QStringLiteral("Sqrt(")},
        {QStringLiteral("SpeedButtonCarre"), QStringLiteral("^2")},
    };
    QString text = FMemo->text();
    int caret = FMemo->cursorPosition();
    QString key = inserts.value(name);
    if (name.size() == 12 && name.startsWith(QLatin1String("SpeedButton")) && name.back().isDigit())
        key = name.back();
    if (name == QLatin1String("SpeedButtonSeparator"))
        key = FSeparator;
    if (EditWithKey(name, key, ArcMode, text, caret) != TKeyEdit::Edited)
        return;
    FMemo->setText(text);
    FMemo->setCursorPosition(caret);
    TypedText = text;
}

void TCalculatrice::Calculate()
{
    QString expression = FMemo->text();
    expression.remove(QRegularExpression(QStringLiteral("\\s")));
    if (expression.isEmpty())
        return;
    FParser.SetFormula(expression);
    FParser.Evaluate();
    History.Push(FMemo->text());
    ShowingMessage = true;
    if (FParser.ErrorCode() != peOk) {
        FMemo->setText(FParser.ErrorMessage());
    } else {
        FMemo->setText(FormatGeneral(FParser.Result(), 15));
        FMemo->setCursorPosition(int(FMemo->text().size()));
        ShowingMessage = false;
    }
    TypedText.clear();
}

void TCalculatrice::Previous()
{
    ShowingMessage = false;
    const QString text = History.Items.isEmpty()
                             ? QString()
                             : (History.Pos = std::max(0, History.Pos - 1), History.Items.value(History.Pos));
    if (!History.Items.isEmpty())
        FMemo->setText(text);
    FMemo->setCursorPosition(int(FMemo->text().size()));
}

void TCalculatrice::Next()
{
    ShowingMessage = false;
    if (!History.Items.isEmpty()) {
        History.Pos = std::min(History.Pos + 1, int(History.Items.size()));
        FMemo->setText(History.Pos < History.Items.size() ? History.Items[History.Pos] : TypedText);
    }
    FMemo->setCursorPosition(int(FMemo->text().size()));
}

void TCalculatrice::Summon()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == this)
        modal = nullptr;
    QWidget* host = modal ? modal : FOwner.data();
    if (parentWidget() != host) {
        if (FHost)
            FHost->removeEventFilter(this);
        const QPoint at = pos();
        setParent(host, windowFlags() | Qt::Window);
        move(at);
        FHost = modal;
        if (modal)
            modal->installEventFilter(this);
    }
    show();
    raise();
    activateWindow();
}

void TCalculatrice::ReturnToOwner()
{
    if (FHost)
        FHost->removeEventFilter(this);
    FHost = nullptr;
    const QPoint at = pos();
    setParent(FOwner.data(), windowFlags() | Qt::Window); // hides it
    move(at);
}

bool TCalculatrice::eventFilter(QObject* watched, QEvent* event)
{
    // The modal window it was shown over goes: the calculator must not go with it.
    if (watched == FHost && event->type() == QEvent::Hide && !event->spontaneous()) {
        ReturnToOwner();
        return false;
    }
    if (watched == FMemo && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        ClearMessage();
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Calculate();
            return true;
        }
        const QString text = key->text();
        if (text == QLatin1String(",") || text == QLatin1String(".")) {
            FMemo->insert(QString(FSeparator));
            TypedText = FMemo->text();
            return true;
        }
        if (text == QLatin1String("/")) {
            FMemo->insert(QStringLiteral("÷"));
            TypedText = FMemo->text();
            return true;
        }
        const bool handled = QDialog::eventFilter(watched, event);
        // The box handles the key after this filter: the typed text is read once it has.
        QMetaObject::invokeMethod(
            this, [this] { TypedText = FMemo->text(); }, Qt::QueuedConnection);
        return handled;
    }
    return QDialog::eventFilter(watched, event);
}

void TCalculatrice::changeEvent(QEvent* event)
{
    // Hidden when another window becomes active; text, history and mode stay.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        hide();
    QDialog::changeEvent(event);
}
