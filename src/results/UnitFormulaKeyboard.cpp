// The formula keyboard: keys, histories, favourites and the placement beside the clicked cell.
#include "results/UnitFormulaKeyboard.h"

#include "common/UnitIni.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString Section[3] = {QStringLiteral("Formulae"), QStringLiteral("Units"), QStringLiteral("Comments")};
const QString KeyName[3] = {QStringLiteral("Formula"), QStringLiteral("Unit"), QStringLiteral("Comment")};
// More favourites than this are not read from the settings file.
constexpr int MaxFavourites = 1000;

bool IsFunctionKey(const QString& key)
{
    return key.endsWith(QLatin1Char('(')) && key.size() > 1;
}

// A favourites list whose drop-down part opens as wide as its longest entry (the first with the most
// characters) and 34 pixels more, never narrower than the box.
class TFavouriteCombo : public QComboBox
{
public:
    void showPopup() override
    {
        QString longest;
        for (int i = 0; i < count(); ++i)
            if (itemText(i).size() > longest.size())
                longest = itemText(i);
        view()->setMinimumWidth(std::max(width(), view()->fontMetrics().horizontalAdvance(longest) + 34));
        QComboBox::showPopup();
    }
};

} // namespace

void TTextHistory::Push(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    for (qsizetype i = Items.size() - 1; i >= 0; --i)
        if (Items[i].compare(t, Qt::CaseInsensitive) == 0)
            Items.removeAt(i);
    Items << t;
    Pos = int(Items.size());
}

QString TTextHistory::Previous(const QString& current)
{
    Pos = std::max(0, Pos - 1);
    if (Pos == Items.size() - 1 && Items[Pos].compare(current.trimmed(), Qt::CaseInsensitive) == 0)
        Pos = std::max(0, Pos - 1);
    return Pos < Items.size() ? Items[Pos] : QString();
}

QString TTextHistory::Next(bool pastEnd)
{
    Pos = std::min(Pos + 1, int(Items.size()) - (pastEnd ? 0 : 1));
    Pos = std::max(Pos, 0);
    return Pos < Items.size() ? Items[Pos] : QString();
}

void InsertKeyText(QString& text, int& caret, const QString& key)
{
    caret = std::clamp(caret, 0, int(text.size()));
    const bool atEnd = caret == text.size();
    text.insert(caret, key);
    caret += int(key.size());
    if (IsFunctionKey(key) && atEnd)
        text += QLatin1Char(')');
}

TKeyEdit EditWithKey(const QString& name, const QString& insert, bool& arcMode, QString& text, int& caret)
{
    QString key = insert;
    if (name == QLatin1String("SpeedButtonSin") || name == QLatin1String("SpeedButtonCos") ||
        name == QLatin1String("SpeedButtonTan"))
        key = (arcMode ? QStringLiteral("Arc") : QString()) + name.mid(11) + QLatin1Char('(');
    if (!key.isEmpty()) {
        InsertKeyText(text, caret, key);
    } else if (name == QLatin1String("SpeedButtonEffacer")) {
        if (caret > 0)
            text.remove(--caret, 1);
    } else if (name == QLatin1String("SpeedButtonAC")) {
        text.clear();
        caret = 0;
    } else if (name == QLatin1String("SpeedButtonDebut")) {
        caret = 0;
    } else if (name == QLatin1String("SpeedButtonFin")) {
        caret = int(text.size());
    } else if (name == QLatin1String("SpeedButtonDecSelStart")) {
        caret = std::max(0, caret - 1);
    } else if (name == QLatin1String("SpeedButtonIncSelStart")) {
        caret = std::min(int(text.size()), caret + 1);
    } else if (name == QLatin1String("SpeedButtonArc")) {
        arcMode = !arcMode;
        return TKeyEdit::ArcToggled;
    } else {
        return TKeyEdit::None;
    }
    return TKeyEdit::Edited;
}

// ---------------------------------------------------------------------------------------------------

TClavier::TClavier(const QString& settingsFile, QChar decimalSeparator, QWidget* parent)
    : QDialog(parent), FSettingsFile(settingsFile), FSeparator(decimalSeparator)
{
    setWindowTitle(QStringLiteral("Keyboard help"));
    setObjectName(QStringLiteral("Clavier"));
    FTabs = new QTabWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTabs);

    // "Formula": the box, its history and favourites, then the keys.
    auto* formula = new QWidget;
    formula->setObjectName(QStringLiteral("TabSheetF"));
    auto* fl = new QVBoxLayout(formula);
    FMemoF = new QLineEdit;
    FMemoF->setObjectName(QStringLiteral("MemoF"));
    FMemoU = new QLineEdit;
    FMemoU->setObjectName(QStringLiteral("MemoU"));
    FMemoC = new QLineEdit;
    FMemoC->setObjectName(QStringLiteral("MemoC"));
    const QString comboNames[3] = {QStringLiteral("ComboBoxF"), QStringLiteral("ComboBoxU"),
                                   QStringLiteral("ComboBoxC")};
    const QString comboHints[3] = {QStringLiteral("Favourite formulas"),
                                   QStringLiteral("Frequently used units"),
                                   QStringLiteral("Frequent comments")};
    const QString addHints[3] = {QStringLiteral("Add formula to the list"),
                                 QStringLiteral("Add unit to the list"),
                                 QStringLiteral("Add comment to the list")};
    const char suffix[3] = {'F', 'U', 'C'};
    QHBoxLayout* rows[3];
    QLineEdit* boxes[3] = {FMemoF, FMemoU, FMemoC};
    for (int list = 0; list < 3; ++list) {
        rows[list] = new QHBoxLayout;
        const QString s(QLatin1Char(suffix[list]));
        QToolButton* pred =
            Key(QStringLiteral("ButtonPred") + s, QStringLiteral("<"), QStringLiteral("Previous"));
        QToolButton* succ =
            Key(QStringLiteral("ButtonSucc") + s, QStringLiteral(">"), QStringLiteral("Next"));
        connect(pred, &QToolButton::clicked, this, [this, list] {
            QLineEdit* box = Box(list);
            const QString text = History(list).Previous(box->text());
            if (!History(list).Items.isEmpty())
                box->setText(text);
            box->setCursorPosition(int(box->text().size()));
        });
        connect(succ, &QToolButton::clicked, this, [this, list] {
            QLineEdit* box = Box(list);
            const QString text = History(list).Next();
            if (!History(list).Items.isEmpty())
                box->setText(text);
            box->setCursorPosition(int(box->text().size()));
        });
        FCombo[list] = new TFavouriteCombo;
        FCombo[list]->setObjectName(comboNames[list]);
        FCombo[list]->setToolTip(comboHints[list]);
        connect(FCombo[list], &QComboBox::activated, this,
                [this, list](int index) { ChooseFavourite(list, index); });
        FAdd[list] = Key(QStringLiteral("ButtonAdd") + s, QStringLiteral("+"), addHints[list]);
        FRemove[list] = Key(QStringLiteral("ButtonSuppr") + s, QStringLiteral("−"),
                            QStringLiteral("Remove selected item from the list"));
        connect(FAdd[list], &QToolButton::clicked, this, [this, list] { AddFavourite(list); });
        connect(FRemove[list], &QToolButton::clicked, this,
                [this, list] { RemoveFavourite(list, FCombo[list]->currentIndex()); });
        rows[list]->addWidget(boxes[list], 1);
        rows[list]->addWidget(pred);
        rows[list]->addWidget(succ);
        rows[list]->addWidget(FCombo[list]);
        rows[list]->addWidget(FAdd[list]);
        rows[list]->addWidget(FRemove[list]);
    }
    fl->addLayout(rows[0]);
    struct TKeyDef
    {
        const char* Name;
        const char* Caption;
    };
    static const TKeyDef keys[] = {
        {"SpeedButtonSin", "Sin"},        {"SpeedButtonCos", "Cos"},
        {"SpeedButtonTan", "Tan"},        {"SpeedButtonArc", "Arc"},
        {"SpeedButtonLn", "Ln"},          {"SpeedButtonLog", "Log"},
        {"SpeedButtonExp", "Exp"},        {"SpeedButtonPuissance10", "10^"},
        {"SpeedButtonRacine", "√"},       {"SpeedButtonAbs", "Abs"},
        {"SpeedButtonCarre", "x²"},       {"SpeedButtonInvX", "1/x"},
        {"SpeedButtonPuissance", "^"},    {"SpeedButtonE", "E"},
        {"SpeedButtonPi", "π"},           {"SpeedButtonOP", "("},
        {"SpeedButtonFP", ")"},           {"SpeedButtonCrochetOuvert", "["},
        {"SpeedButtonCrochetFerme", "]"}, {"SpeedButtonIMoins1", "[i-1]"},
        {"SpeedButtonI", "[i]"},          {"SpeedButtonIPlus1", "[i+1]"},
        {"SpeedButtonAdd", "+"},          {"SpeedButtonMinus", "-"},
        {"SpeedButtonMult", "*"},         {"SpeedButtonDiv", "÷"},
        {"SpeedButtonEgal", "="},         {"SpeedButtonDebut", "|<"},
        {"SpeedButtonDecSelStart", "<"},  {"SpeedButtonIncSelStart", ">"},
        {"SpeedButtonFin", ">|"},         {"SpeedButtonEffacer", "⌫"},
        {"SpeedButtonAC", "AC"},          {"SpeedButtonExe", "Exe"},
    };
    auto* grid = new QGridLayout;
    int n = 0;
    for (const TKeyDef& k : keys) {
        const QString name = QString::fromLatin1(k.Name);
        QToolButton* b =
            Key(name, QString::fromUtf8(k.Caption),
                name == QLatin1String("SpeedButtonExe") ? QStringLiteral("Validate") : QString());
        connect(b, &QToolButton::clicked, this, [this, name] { PressKey(name); });
        grid->addWidget(b, n / 6, n % 6);
        ++n;
    }
    fl->addLayout(grid);
    auto* edit = new QHBoxLayout;
    for (const auto& [name, caption] : {std::pair{"ButtonCopier", "Copy"}, std::pair{"ButtonCouper", "Cut"},
                                        std::pair{"ButtonColler", "Paste"}}) {
        auto* b = new QPushButton(QString::fromLatin1(caption));
        b->setObjectName(QString::fromLatin1(name));
        const QString key = QString::fromLatin1(name);
        connect(b, &QPushButton::clicked, this, [this, key] {
            QClipboard* clip = QGuiApplication::clipboard();
            if (key == QLatin1String("ButtonColler")) {
                FMemoF->insert(clip->text());
                return;
            }
            clip->setText(FMemoF->text());
            if (key == QLatin1String("ButtonCouper"))
                FMemoF->clear();
            FMemoF->deselect();
        });
        edit->addWidget(b);
    }
    fl->addLayout(edit);
    FTabs->addTab(formula, QStringLiteral("Formula"));

    // "Texts": unit and comment.
    auto* texts = new QWidget;
    texts->setObjectName(QStringLiteral("TabSheetUC"));
    auto* tl = new QVBoxLayout(texts);
    tl->addWidget(new QLabel(QStringLiteral("Unit")));
    tl->addLayout(rows[1]);
    tl->addWidget(new QLabel(QStringLiteral("Comment")));
    tl->addLayout(rows[2]);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("BitBtnUC"));
    connect(ok, &QPushButton::clicked, this, [this] {
        Validate();
        accept();
    });
    tl->addWidget(ok);
    FTabs->addTab(texts, QStringLiteral("Texts"));

    for (QLineEdit* box : boxes)
        box->installEventFilter(this);
    LoadFavourites();
}

TClavier::~TClavier()
{
    SaveFavourites();
}

QToolButton* TClavier::Key(const QString& name, const QString& caption, const QString& hint)
{
    auto* b = new QToolButton;
    b->setObjectName(name);
    b->setText(caption);
    b->setFocusPolicy(Qt::NoFocus);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

QLineEdit* TClavier::Box(int list) const
{
    return list == 0 ? FMemoF : list == 1 ? FMemoU : FMemoC;
}

TTextHistory& TClavier::History(int list)
{
    return list == 0 ? FormulaHistory : list == 1 ? UnitHistory : CommentHistory;
}

QString TClavier::FormulaBoxText() const
{
    return FMemoF->text().trimmed();
}
QString TClavier::UnitBoxText() const
{
    return FMemoU->text().trimmed();
}
QString TClavier::CommentBoxText() const
{
    return FMemoC->text().trimmed();
}
void TClavier::SetFormulaBoxText(const QString& text)
{
    FMemoF->setText(text);
    FMemoF->setCursorPosition(int(text.size()));
}
void TClavier::SetUnitBoxText(const QString& text)
{
    FMemoU->setText(text);
    FMemoU->setCursorPosition(int(text.size()));
}
void TClavier::SetCommentBoxText(const QString& text)
{
    FMemoC->setText(text);
    FMemoC->setCursorPosition(int(text.size()));
}

QPoint TClavier::Placement(const QRect& cell, const QSize& pad, const QSize& screen, const QPoint& current)
{
    int left = current.x();
    if (cell.right() + 1 + pad.width() < screen.width())
        left = cell.right() + 1;
    else if (cell.left() - pad.width() > 0)
        left = cell.left() - pad.width();
    const int top = std::min(screen.height() - pad.height(), std::max(0, cell.top() - 90));
    return {left, top};
}

void TClavier::SetPositionFenetre(const QRect& cell)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1920, 1080);
    move(Placement(cell, size().expandedTo(sizeHint()), screenSize, pos()));
}

void TClavier::SelectTab(int tab)
{
    FTabs->setCurrentIndex(std::clamp(tab, 0, 1));
}

int TClavier::ShowModally()
{
    return ShowModal ? ShowModal(*this) : exec();
}

void TClavier::PressKey(const QString& name)
{
    static const QHash<QString, QString> inserts = {
        {QStringLiteral("SpeedButtonOP"), QStringLiteral("(")},
        {QStringLiteral("SpeedButtonFP"), QStringLiteral(")")},
        {QStringLiteral("SpeedButtonCrochetOuvert"), QStringLiteral("[")},
        {QStringLiteral("SpeedButtonCrochetFerme"), QStringLiteral("]")},
        {QStringLiteral("SpeedButtonAdd"), QStringLiteral("+")},
        {QStringLiteral("SpeedButtonMinus"), QStringLiteral("-")},
        {QStringLiteral("SpeedButtonMult"), QStringLiteral("*")},
        {QStringLiteral("SpeedButtonDiv"), QStringLiteral("÷")},
        {QStringLiteral("SpeedButtonE"), QStringLiteral("E")},
        {QStringLiteral("SpeedButtonPuissance"), QStringLiteral("^")},
        {QStringLiteral("SpeedButtonEgal"), QStringLiteral("=")},
        {QStringLiteral("SpeedButtonLn"), QStringLiteral("Ln(")},
        {QStringLiteral("SpeedButtonLog"), QStringLiteral("Log(")},
        {QStringLiteral("SpeedButtonExp"), QStringLiteral("Exp(")},
        {QStringLiteral("SpeedButtonRacine"), QStringLiteral("Sqrt(")},
        {QStringLiteral("SpeedButtonAbs"), QStringLiteral("Abs(")},
        {QStringLiteral("SpeedButtonPuissance10"), QStringLiteral("10^(")},
        {QStringLiteral("SpeedButtonPi"), QStringLiteral("Pi")},
        {QStringLiteral("SpeedButtonCarre"), QStringLiteral("^2")},
        {QStringLiteral("SpeedButtonInvX"), QStringLiteral("^(-1)")},
        {QStringLiteral("SpeedButtonIMoins1"), QStringLiteral("[i-1]")},
        {QStringLiteral("SpeedButtonIPlus1"), QStringLiteral("[i+1]")},
        {QStringLiteral("SpeedButtonI"), QStringLiteral("[i]")},
    };
    if (name == QLatin1String("SpeedButtonExe")) {
        Validate();
        return;
    }
    QString text = FMemoF->text();
    int caret = FMemoF->cursorPosition();
    if (EditWithKey(name, inserts.value(name), ArcMode, text, caret) != TKeyEdit::Edited)
        return;
    FMemoF->setText(text);
    FMemoF->setCursorPosition(caret);
    FMemoF->setFocus();
}

void TClavier::Validate()
{
    FormulaHistory.Push(FormulaBoxText());
    FormulaHistory.Pos = int(FormulaHistory.Items.size());
    if (OnValidate)
        OnValidate(*this);
}

void TClavier::PreviousFormula()
{
    const QString text = FormulaHistory.Previous(FMemoF->text());
    if (!FormulaHistory.Items.isEmpty())
        SetFormulaBoxText(text);
}

void TClavier::NextFormula()
{
    const QString text = FormulaHistory.Next();
    if (!FormulaHistory.Items.isEmpty())
        SetFormulaBoxText(text);
}

QStringList TClavier::Favourites(int list) const
{
    QStringList items;
    for (int i = 0; i < FCombo[list]->count(); ++i)
        items << FCombo[list]->itemText(i);
    return items;
}

void TClavier::AddFavourite(int list)
{
    const QString text = Box(list)->text();
    if (text.trimmed().isEmpty())
        return;
    for (const QString& item : Favourites(list))
        if (item.compare(text, Qt::CaseInsensitive) == 0)
            return;
    FCombo[list]->addItem(text);
}

void TClavier::RemoveFavourite(int list, int index)
{
    if (index >= 0 && index < FCombo[list]->count())
        FCombo[list]->removeItem(index);
}

void TClavier::ChooseFavourite(int list, int index)
{
    if (index < 0 || index >= FCombo[list]->count())
        return;
    QLineEdit* box = Box(list);
    box->setText(FCombo[list]->itemText(index));
    box->setCursorPosition(int(box->text().size()));
    box->setFocus();
}

void TClavier::LoadFavourites()
{
    if (FSettingsFile.isEmpty())
        return;
    const TIniFile ini(FSettingsFile);
    for (int list = 0; list < 3; ++list) {
        for (int i = 0; i < MaxFavourites; ++i) {
            QString item = ini.ReadString(Section[list], KeyName[list] + QString::number(i), QString());
            if (item.isEmpty())
                break;
            if (list == 0) {
                item.replace(QLatin1Char(','), FSeparator);
                item.replace(QLatin1Char('.'), FSeparator);
            }
            FCombo[list]->addItem(item);
        }
        FCombo[list]->setCurrentIndex(-1);
    }
}

void TClavier::SaveFavourites() const
{
    if (FSettingsFile.isEmpty())
        return;
    TIniFile ini(FSettingsFile);
    for (int list = 0; list < 3; ++list) {
        ini.EraseSection(Section[list]);
        const QStringList items = Favourites(list);
        for (int i = 0; i < items.size(); ++i)
            ini.WriteString(Section[list], KeyName[list] + QString::number(i), items[i]);
    }
    (void)ini.UpdateFile(); // favourites are a convenience: a read-only settings file loses them
}

void TClavier::showEvent(QShowEvent* event)
{
    for (int list = 0; list < 3; ++list) {
        FCombo[list]->setCurrentIndex(-1);
        FAdd[list]->setVisible(FavouritesEditable);
        FRemove[list]->setVisible(FavouritesEditable);
    }
    QDialog::showEvent(event);
}

void TClavier::hideEvent(QHideEvent* event)
{
    UnitHistory.Push(UnitBoxText());
    CommentHistory.Push(CommentBoxText());
    QDialog::hideEvent(event);
}

bool TClavier::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FMemoF && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Validate();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        const QString text = key->text();
        if (text == QLatin1String(",") || text == QLatin1String(".")) {
            FMemoF->insert(QString(FSeparator));
            return true;
        }
        if (text == QLatin1String("/")) {
            FMemoF->insert(QStringLiteral("÷"));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
