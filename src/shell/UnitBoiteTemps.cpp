// The frame-interval dialog of the measurements and the results.
#include "shell/UnitBoiteTemps.h"

#include "common/UnitFormat.h"
#include "common/UnitUserDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

QChar DecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

} // namespace

TBoiteTemps::TBoiteTemps(double fileInterval, double current, QWidget* parent)
    : QDialog(parent), FFileInterval(fileInterval), FInterval(current)
{
    setWindowTitle(QStringLiteral("Interval between 2 frames"));
    auto* column = new QVBoxLayout(this);
    const QString file = FormatGeneral(fileInterval, 3);
    Text = new QLabel(QStringLiteral("The video file was captured with a frame rate of %1 images / second.\n"
                                     "The interval between 2 successive images is then\nT = %2 s.")
                          .arg(fileInterval > 0 ? FormatGeneral(1.0 / fileInterval, 5) : QStringLiteral("0"))
                          .arg(file),
                      this);
    Text->setAlignment(Qt::AlignCenter);
    column->addWidget(Text);
    auto* group = new QGroupBox(QStringLiteral("Duration represented by T"), this);
    auto* inner = new QVBoxLayout(group);
    DefaultButton = new QRadioButton(QStringLiteral("Use the default value T = %1 s").arg(file), group);
    inner->addWidget(DefaultButton);
    auto* row = new QHBoxLayout;
    OtherButton = new QRadioButton(QStringLiteral("Choose another value:"), group);
    row->addWidget(OtherButton);
    Edit = new QLineEdit(QString(FormatGeneral(current, 15)).replace(QLatin1Char('.'), DecimalSeparator()),
                         group);
    Edit->setMaxLength(16);
    Edit->installEventFilter(this);
    row->addWidget(Edit);
    row->addWidget(new QLabel(QStringLiteral("second(s)"), group));
    CalculatorButton = new QPushButton(QStringLiteral("Calculator"), group);
    row->addWidget(CalculatorButton);
    inner->addLayout(row);
    column->addWidget(group);
    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setDefault(true);
    column->addWidget(OkButton, 0, Qt::AlignRight);
    Status = new QLabel(QStringLiteral("1 µs < time interval < 1 Gs"), this);
    column->addWidget(Status);

    (current == fileInterval ? DefaultButton : OtherButton)->setChecked(true);
    connect(DefaultButton, &QRadioButton::clicked, this, [this] {
        FInterval = FFileInterval;
        FDefaultChosen = true;
        Edit->setText(
            QString(FormatGeneral(FFileInterval, 15)).replace(QLatin1Char('.'), DecimalSeparator()));
    });
    connect(Edit, &QLineEdit::textEdited, this, [this] { OtherButton->setChecked(true); });
    connect(CalculatorButton, &QPushButton::clicked, this, [this] {
        if (ShowCalculator)
            ShowCalculator();
    });
    connect(OkButton, &QPushButton::clicked, this, [this] { TryAccept(); });
}

bool TBoiteTemps::Execute()
{
    FAccepted = false;
    FDefaultChosen = false;
    exec();
    return Applied();
}

bool TBoiteTemps::TryAccept()
{
    const QString text = Edit->text();
    QString normal = text;
    normal.replace(DecimalSeparator(), QLatin1Char('.')).replace(QLatin1Char(','), QLatin1Char('.'));
    bool number = false;
    const double value = QLocale::c().toDouble(normal, &number);
    TUserDlg& box = TUserDlg::Instance();
    if (!number || !std::isfinite(value)) {
        box.Message(
            icWarning,
            {QStringLiteral("Inputted value:") + QLatin1Char(' ') + text,
             QStringLiteral("This string is not a  suitable real."),
             QStringLiteral("String must contain a sign (optional), numerals, a decimal separator "
                            "(optional), then a mantissa (optional)."),
             QStringLiteral("Mantissa contains « E » or « e » followed by a sign (facultative) and an "
                            "integer.")});
        return false;
    }
    if (!(value > 1e-6 && value < 1e9)) {
        box.Message(icInformation,
                    {QStringLiteral("Inputted value:") + QLatin1Char(' ') + text + QStringLiteral(" s"),
                     QStringLiteral("Type a value in the given interval:"),
                     QStringLiteral("1 µs < time interval < 1 Gs")});
        return false;
    }
    FInterval = value;
    FAccepted = true;
    accept();
    return true;
}

void TBoiteTemps::TypeKey(QChar key)
{
    if (key == QLatin1Char('\b')) {
        Edit->backspace();
    } else if (key == QLatin1Char('\r') || key == QLatin1Char('\n')) {
        TryAccept();
        return;
    } else if (key.isDigit() || QStringLiteral("+-Ee").contains(key)) {
        Edit->insert(QString(key));
    } else if (key == QLatin1Char('.') || key == QLatin1Char(',')) {
        Edit->insert(QString(DecimalSeparator()));
    } else {
        return;
    }
    OtherButton->setChecked(true);
}

bool TBoiteTemps::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Edit || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // Editing keys pass, and Escape, which the dialog takes as Cancel; of the typed characters only
    // those of a real number.
    if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right || key->key() == Qt::Key_Home ||
        key->key() == Qt::Key_End || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Tab ||
        key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Escape)
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        TryAccept();
        return true;
    }
    if (key->key() == Qt::Key_Backspace) {
        TypeKey(QLatin1Char('\b'));
        return true;
    }
    const QString typed = key->text();
    if (!typed.isEmpty())
        TypeKey(typed.at(0));
    return true;
}
