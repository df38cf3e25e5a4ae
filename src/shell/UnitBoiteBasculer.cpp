// The series dialog of the editing mode.
#include "shell/UnitBoiteBasculer.h"

#include "common/UnitUserDlg.h"
#include "editing/UnitMontage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// What the dialog remembers between two openings in one run of the program.
struct TSeriesMemory
{
    QString Text;
    bool Show = false;
    QStringList Accepted; // the accepted series, latest first, offered again in the list
};
constexpr int AcceptedKept = 10;
TSeriesMemory& Memory()
{
    static TSeriesMemory memory;
    return memory;
}

const QString EvenItem = QStringLiteral("All even image numbers");
const QString OddItem = QStringLiteral("All odd image numbers");

} // namespace

TBoiteBasculer::TBoiteBasculer(const QString& caption, int frameCount, QWidget* parent)
    : QDialog(parent), FFrameCount(frameCount)
{
    setWindowTitle(caption);
    auto* column = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Action"), this);
    auto* actions = new QHBoxLayout(group);
    HideButton = new QRadioButton(QStringLiteral("Hide images"), group);
    ShowButton = new QRadioButton(QStringLiteral("Show images"), group);
    actions->addWidget(HideButton);
    actions->addWidget(ShowButton);
    (Memory().Show ? ShowButton : HideButton)->setChecked(true);
    column->addWidget(group);
    for (const QString& text :
         {QStringLiteral(
              "This window allows you to select the useful part of the video sequence or to modify a "
              "previous selection"),
          QStringLiteral("Hidden frames appear in negative on the edited video."),
          QStringLiteral(
              "Type the number of the images, or image groups separated by semicolon (example: 1-55; "
              "58; 73-165)")}) {
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        column->addWidget(label);
    }
    Entry = new QComboBox(this);
    Entry->setEditable(true);
    // Only accepted series enter the list (TryAccept adds them), and a typed text is never completed
    // onto an item: what is typed is what is checked.
    Entry->setInsertPolicy(QComboBox::NoInsert);
    Entry->setCompleter(nullptr);
    Entry->addItems({EvenItem, OddItem});
    Entry->addItems(Memory().Accepted);
    Entry->setCurrentIndex(-1);
    Entry->setEditText(QString());
    Entry->lineEdit()->setMaxLength(100);
    // Text that arrives otherwise than by a key (pasted, dropped) holds the same characters only.
    Entry->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9 ;-]*")), Entry->lineEdit()));
    // The keys reach the combo box, which hands them to its line edit directly: both are filtered.
    Entry->installEventFilter(this);
    Entry->lineEdit()->installEventFilter(this);
    column->addWidget(Entry);
    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setFixedSize(75, 25);
    OkButton->setDefault(true);
    column->addWidget(OkButton, 0, Qt::AlignRight);
    column->addWidget(
        new QLabel(QStringLiteral("The marks placed on the hidden images will be deleted"), this));
    connect(OkButton, &QPushButton::clicked, this, [this] { TryAccept(); });
}

bool TBoiteBasculer::Execute()
{
    FAccepted = false;
    exec();
    return FAccepted;
}

bool TBoiteBasculer::TryAccept()
{
    const bool show = ShowButton->isChecked();
    const QString text = Entry->currentText();
    TBooleanDynArray selection;
    bool valid = true;
    if (text == EvenItem || text == OddItem)
        selection = EveryOtherFrame(FFrameCount, text == EvenItem);
    else
        valid = ParseSeries(text, FFrameCount, selection);
    if (!valid) {
        TUserDlg::Instance().Message(icWarning, {SeriesErrorText(show)});
        Entry->setEditText(QString());
        return false;
    }
    if (selection.empty())
        selection.assign(std::size_t(std::max(0, FFrameCount)), false); // an empty text selects nothing
    FSelection = std::move(selection);
    FShow = show;
    Memory().Text = QString(text).remove(QLatin1Char(' '));
    Memory().Show = show;
    if (!text.trimmed().isEmpty() && text != EvenItem && text != OddItem) {
        QStringList& accepted = Memory().Accepted;
        accepted.removeAll(text.trimmed());
        accepted.prepend(text.trimmed());
        while (accepted.size() > AcceptedKept)
            accepted.removeLast();
    }
    FAccepted = true;
    accept();
    return true;
}

void TBoiteBasculer::reject()
{
    // Escape and the close box cancel: nothing is hidden or shown.
    FAccepted = false;
    QDialog::reject();
}

bool TBoiteBasculer::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched != Entry && watched != Entry->lineEdit()) || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        TryAccept();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    // Moving the focus and choosing an item of the list keep their keys.
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Up ||
        key->key() == Qt::Key_Down || key->key() == Qt::Key_F4)
        return false;
    // A list item chosen: the keys go nowhere; typed text takes digits, spaces, "-" and ";" only.
    if (Entry->currentText() == EvenItem || Entry->currentText() == OddItem)
        return true;
    const QString typed = key->text();
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
        key->key() == Qt::Key_Delete || key->key() == Qt::Key_Home || key->key() == Qt::Key_End)
        return false;
    if (typed.size() == 1 && (typed.at(0).isDigit() || QStringLiteral(" -;").contains(typed.at(0))))
        return false;
    return true;
}
