// The formula dialog: grids of formulas and constants, help panels, menus and exports.
#include "results/UnitFormulaDlg.h"

#include "calc/UnitResultats.h"
#include "common/UnitOptions.h"
#include "export/UnitServeur.h"
#include "formula/UnitFormules.h"
#include "results/UnitCalculator.h"
#include "results/UnitFormulaKeyboard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString WithoutBlanks(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

// Takes the record that the last Add appended out of its list and puts it at index in place of the
// record there, which is returned.
std::unique_ptr<TRec> SwapInLast(std::vector<std::unique_ptr<TRec>>& list, int index)
{
    std::unique_ptr<TRec> fresh = std::move(list.back());
    list.pop_back();
    std::swap(list[std::size_t(index)], fresh);
    return fresh;
}

QColor HeaderColour(int row)
{
    switch (row) {
    case 0:
        return QColor(235, 235, 235);
    case 1:
        return QColor(226, 219, 226);
    default:
        return QColor(219, 223, 226);
    }
}

// The role that marks the button cells of the formula grid's first row.
constexpr int ButtonCellRole = Qt::UserRole + 1;
enum TButtonCell : int
{
    bcNone = 0,
    bcArrows = 1,      // the time column: the digits' arrows
    bcArrowsCross = 2, // a shown formula: arrows, and the cross that hides the column
    bcFramed = 3,      // the new-formula column: a framed text
};

// The editor of a constants cell converts as the user types (or pastes): "~" is never taken, and in
// the Name and Value columns "." and "," become the decimal separator and "/" the division sign.
class TConstantDelegate : public QStyledItemDelegate
{
public:
    TConstantDelegate(QChar separator, QObject* parent) : QStyledItemDelegate(parent), FSeparator(separator)
    {
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line)
            return editor;
        const bool unit = index.column() == 2;
        const QChar separator = FSeparator;
        QObject::connect(line, &QLineEdit::textEdited, line, [line, unit, separator](const QString& typed) {
            QString text;
            int caret = line->cursorPosition();
            for (int i = 0; i < typed.size(); ++i) {
                const QChar c = typed[i];
                if (c == QLatin1Char('~')) {
                    if (i < line->cursorPosition())
                        --caret;
                } else if (!unit && (c == QLatin1Char('.') || c == QLatin1Char(','))) {
                    text += separator;
                } else if (!unit && c == QLatin1Char('/')) {
                    text += QChar(0x00F7);
                } else {
                    text += c;
                }
            }
            if (text != typed) {
                line->setText(text);
                line->setCursorPosition(caret);
            }
        });
        return editor;
    }

private:
    QChar FSeparator;
};

// Paints the first row's button cells: a frame, a triangle pointing left in the left 12 pixels and one
// pointing right in the right 12 pixels, and for a formula a light-red cross in the middle.
class TButtonCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int kind = index.data(ButtonCellRole).toInt();
        if (kind == bcNone) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QRect r = option.rect;
        painter->save();
        painter->fillRect(r, HeaderColour(0));
        painter->setPen(QColor(128, 128, 128));
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        if (kind == bcFramed) {
            painter->setPen(option.palette.color(QPalette::Text));
            painter->drawText(r, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
            painter->restore();
            return;
        }
        painter->setRenderHint(QPainter::Antialiasing, true);
        if (r.width() > 24) {
            const double cy = r.center().y() + 0.5, half = std::min(4.0, r.height() / 2.0 - 2.0);
            painter->setPen(Qt::NoPen);
            painter->setBrush(QColor(64, 64, 64));
            const double left = r.left() + 3.0, right = r.right() + 1.0 - 3.0;
            const QPointF toLeft[] = {{left, cy}, {left + 6.0, cy - half}, {left + 6.0, cy + half}};
            const QPointF toRight[] = {{right, cy}, {right - 6.0, cy - half}, {right - 6.0, cy + half}};
            painter->drawPolygon(toLeft, 3);
            painter->drawPolygon(toRight, 3);
        }
        if (kind == bcArrowsCross && r.width() > r.height() + 27) {
            const double arm = std::max(2.0, r.height() / 2.0 - 3.0);
            const QPointF c(r.center().x() + 0.5, r.center().y() + 0.5);
            painter->setPen(QPen(QColor(255, 187, 187), 3.0, Qt::SolidLine, Qt::FlatCap));
            painter->drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
            painter->drawLine(c + QPointF(-arm, arm), c + QPointF(arm, -arm));
        }
        painter->restore();
    }
};

const QString HintHeader = QStringLiteral("Left-click = hide or change column; right-click = delete");
const QString HintTexts = QStringLiteral("Change a formula, its comment or unit");

} // namespace

TBoiteFormules::TBoiteFormules(TFormules& formules, TResCalc& calc, TOptions& options, TServeur& serveur,
                               QWidget* parent, TCalculatrice* calculator)
    : QDialog(parent), FFormules(formules), FCalc(calc), FOptions(options), FServeur(serveur),
      FTable(formules, calc, options)
{
    setWindowTitle(QStringLiteral("Formulas"));
    setObjectName(QStringLiteral("BoiteFormules"));
    setMinimumSize(612, 452);
    setFont(QFont(QStringLiteral("Arial"), 10));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    FKeyboard = std::make_unique<TClavier>(options.SettingsFile(), formules.DecimalSeparator(), this);
    if (!calculator) {
        FCalculator = std::make_unique<TCalculatrice>(formules.DecimalSeparator(), this);
        calculator = FCalculator.get();
    }
    FCalculatorInUse = calculator;

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QMenuBar;
    layout->setMenuBar(bar);
    BuildMenus(bar);
    FTabs = new QTabWidget;
    layout->addWidget(FTabs);

    auto* main = new QSplitter(Qt::Horizontal);
    main->setObjectName(QStringLiteral("TabSheetMain"));
    auto* left = new QSplitter(Qt::Vertical);
    FGridF = new QTableWidget;
    FGridF->setObjectName(QStringLiteral("GridExF"));
    FGridF->horizontalHeader()->hide();
    FGridF->horizontalHeader()->setMinimumSectionSize(HiddenColumnWidth);
    FGridF->verticalHeader()->hide();
    FGridF->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FGridF->setMouseTracking(true);
    FGridF->setItemDelegate(new TButtonCellDelegate(FGridF));
    FGridF->viewport()->installEventFilter(this);
    FGridF->viewport()->setMouseTracking(true);
    FLeft = new QTextBrowser;
    FLeft->setObjectName(QStringLiteral("RichEditLeftMain"));
    FLeft->setToolTip(QStringLiteral("Directly available variables, operators and functions"));
    left->addWidget(FGridF);
    left->addWidget(FLeft);

    auto* right = new QWidget;
    auto* rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    auto* band = new QLabel(QStringLiteral("Type a constant"));
    band->setStyleSheet(
        QStringLiteral("background: rgb(230,230,230); border: 1px solid black; border-bottom: none;"
                       " padding-left: 3px;"));
    rl->addWidget(band);
    FGridC = new QTableWidget(1, 3);
    FGridC->setObjectName(QStringLiteral("GridExC"));
    FGridC->setToolTip(QStringLiteral("Change name, value or unit of a constant"));
    FGridC->setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Value or formula"), QStringLiteral("Unit")});
    FGridC->verticalHeader()->hide();
    FGridC->setColumnWidth(0, 64);
    FGridC->setColumnWidth(2, 60);
    FGridC->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    FGridC->setItemDelegate(new TConstantDelegate(formules.DecimalSeparator(), FGridC));
    // Leaving the grid takes its cursor to the Unit column.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* from, QWidget* to) {
        const auto inGrid = [this](QWidget* w) { return w && (w == FGridC || FGridC->isAncestorOf(w)); };
        if (inGrid(from) && to && !inGrid(to) && FGridC->currentRow() >= 0)
            FGridC->setCurrentCell(FGridC->currentRow(), 2);
    });
    connect(FGridC, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (FRefilling)
            return;
        const int row = item->row(), column = item->column();
        const QString text = item->text();
        // The grid is refilled by the edit: not from inside the grid's own signal.
        QMetaObject::invokeMethod(
            this, [this, row, column, text] { LeaveConstantCell(row, column, text); }, Qt::QueuedConnection);
    });
    connect(FGridC, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (!FRefilling && column == 1)
            EnterConstantValueCell(row);
    });
    FRight = new QTextBrowser;
    FRight->setObjectName(QStringLiteral("RichEditRightMain"));
    FRight->setToolTip(QStringLiteral("Naming conventions for constants and their value"));
    FRight->setHtml(RightPanelHtml(formules.DecimalSeparator()));
    auto* rightSplit = new QSplitter(Qt::Vertical);
    auto* top = new QWidget;
    auto* tl = new QVBoxLayout(top);
    tl->setContentsMargins(0, 0, 0, 0);
    tl->addWidget(band);
    tl->addWidget(FGridC);
    rightSplit->addWidget(top);
    rightSplit->addWidget(FRight);
    rl->addWidget(rightSplit);
    main->addWidget(left);
    main->addWidget(right);
    main->setStretchFactor(0, 3);
    main->setStretchFactor(1, 1);
    FTabs->addTab(main, QStringLiteral("Formulas"));
    auto* quit = new QWidget;
    quit->setObjectName(QStringLiteral("TabSheetQuit"));
    FTabs->addTab(quit, QStringLiteral("See curves"));
    connect(FTabs, &QTabWidget::currentChanged, this, [this, quit](int) {
        if (FTabs->currentWidget() == quit)
            accept();
    });
}

TBoiteFormules::~TBoiteFormules() = default;

void TBoiteFormules::BuildMenus(QMenuBar* bar)
{
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Export"), this, &TBoiteFormules::ExportToTextFile);
    file->addAction(QStringLiteral("Close"), this, &QDialog::accept);
    QMenu* edit = bar->addMenu(QStringLiteral("Edit"));
    edit->addAction(QStringLiteral("Copy datasheet to clipboard"), this, &TBoiteFormules::CopyToClipboard);
    QMenu* launch = edit->addMenu(QStringLiteral("Copy and launch"));
    launch->addAction(QStringLiteral("Excel"), this, &TBoiteFormules::ExportToExcel);
    launch->addAction(QStringLiteral("OpenOffice"), this, &TBoiteFormules::ExportToOpenOffice);
    launch->addAction(QStringLiteral("Regressi"), this, &TBoiteFormules::ExportToRegressi);
    edit->addAction(QStringLiteral("Restore table"), this, &TBoiteFormules::RestoreTable);
    QMenu* display = bar->addMenu(QStringLiteral("Display"));
    display->addAction(QStringLiteral("See curves"), this, &QDialog::accept);
    QMenu* calculations = bar->addMenu(QStringLiteral("Calculations"));
    QMenu* angle = calculations->addMenu(QStringLiteral("Angle"));
    FDegrees = angle->addAction(QStringLiteral("degrees"), this, [this] { SetAngleRadians(false); });
    FRadians = angle->addAction(QStringLiteral("radians"), this, [this] { SetAngleRadians(true); });
    FDegrees->setCheckable(true);
    FRadians->setCheckable(true);
    connect(angle, &QMenu::aboutToShow, this, [this] {
        FDegrees->setChecked(!FFormules.AngleInRadians());
        FRadians->setChecked(FFormules.AngleInRadians());
    });
    calculations->addAction(QStringLiteral("Calculator"), this, &TBoiteFormules::ShowCalculator);
    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("Kinotra help"), this, [this] {
        if (ShowHelp)
            ShowHelp();
    });
    help->addAction(QStringLiteral("About"), this, [this] {
        if (ShowAbout)
            ShowAbout();
    });
}

void TBoiteFormules::Prepare()
{
    if (FTabs->currentIndex() != 0)
        FTabs->setCurrentIndex(0);
    FLeft->setHtml(LeftPanelHtml());
    FLeft->moveCursor(QTextCursor::Start);
    FRight->moveCursor(QTextCursor::Start);
    RefreshFormulas();
    RefreshConstants();
    // The cursor on the name of the first constant, the grid ready for typing.
    FGridC->setCurrentCell(0, 0);
    FGridC->setFocus();
    FKeyboard->OnValidate = [this](TClavier& keyboard) { ValidateFormula(keyboard); };
}

int TBoiteFormules::Execute()
{
    Prepare();
    return exec();
}

void EditFormulas(TBoiteFormules& dialog)
{
    dialog.Execute();
}

QString TBoiteFormules::FormulaCellText(int column, int row, bool formatted) const
{
    return FTable.CellText(column, row, formatted);
}

void TBoiteFormules::RefreshFormulas()
{
    const int rows = FTable.RowCount(), cols = FTable.ColCount();
    FGridF->clearContents();
    FGridF->setRowCount(rows);
    FGridF->setColumnCount(cols);
    const QFontMetrics metrics(FGridF->font());
    FGridF->setColumnWidth(0, 25);
    FGridF->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("time")) + 18);
    for (int c = 2; c < cols - 1; ++c)
        FGridF->setColumnWidth(c, FFormules.Formulas[std::size_t(c - 2)]->Curve.ColumnShown
                                      ? FormulaColumnWidth
                                      : HiddenColumnWidth);
    FGridF->setColumnWidth(
        cols - 1,
        std::max(FormulaColumnWidth, metrics.horizontalAdvance(QStringLiteral("Type a formula")) + 6));
    QFont bold = FGridF->font();
    bold.setBold(true);
    for (int row = 0; row < rows; ++row) {
        for (int c = 0; c < cols; ++c) {
            QString text = FormulaCellText(c, row, true);
            const int formula = FTable.FormulaOf(c);
            const bool shown = formula < 0 || FFormules.Formulas[std::size_t(formula)]->Curve.ColumnShown;
            int button = bcNone;
            if (row == 0 && c == 1)
                button = bcArrows;
            else if (row == 0 && formula >= 0 && shown)
                button = bcArrowsCross;
            else if (row == 0 && c == cols - 1)
                button = bcFramed;
            if (button == bcArrows || button == bcArrowsCross)
                text.clear();
            auto* item = new QTableWidgetItem(text);
            item->setData(ButtonCellRole, button);
            if (row < TFormulaTable::FixedRows) {
                item->setBackground(c == 0 ? palette().button().color() : HeaderColour(row));
                item->setTextAlignment(Qt::AlignCenter);
                if (row == 1 && (c == 1 || c == cols - 1))
                    item->setFont(bold);
                if (formula >= 0 && !shown && row != 1)
                    item->setText(QString());
            } else if (c == 0) {
                item->setBackground(palette().button().color());
                item->setTextAlignment(Qt::AlignCenter);
            }
            FGridF->setItem(row, c, item);
        }
    }
}

void TBoiteFormules::RefreshConstants()
{
    FRefilling = true;
    const int count = FFormules.ConstantCount();
    FGridC->clearContents();
    FGridC->setRowCount(count + 1);
    for (int k = 0; k < count; ++k) {
        const TRec& c = *FFormules.Constants[std::size_t(k)];
        const bool phrase = FShowPhraseRow == k + 1 && !c.Phrase.isEmpty();
        FGridC->setItem(k, 0, new QTableWidgetItem(c.Identifier));
        FGridC->setItem(k, 1, new QTableWidgetItem(phrase ? QLatin1Char('=') + c.Phrase : c.ValueText));
        FGridC->setItem(k, 2, new QTableWidgetItem(c.Unit));
    }
    for (int col = 0; col < 3; ++col)
        FGridC->setItem(count, col, new QTableWidgetItem(QString()));
    FShowPhraseRow = -1;
    FRefilling = false;
}

bool TBoiteFormules::IsReactingCell(int column, int row) const
{
    if (row < 0 || row >= TFormulaTable::FixedRows)
        return false;
    if (column == TFormulaTable::TimeColumn)
        return row == 0;
    const int formula = FTable.FormulaOf(column);
    if (formula >= 0)
        return FFormules.Formulas[std::size_t(formula)]->Curve.ColumnShown || row == 0;
    // The whole new-formula column, its framed "Type a formula" header included, opens the keyboard.
    return column == FTable.NewFormulaColumn();
}

void TBoiteFormules::ClickFormulaCell(int column, int row, Qt::MouseButton button, int x, int width,
                                      const QRect& cellOnScreen)
{
    if (row < 0 || row >= TFormulaTable::FixedRows || column < 1 || column >= FTable.ColCount())
        return;
    const int formula = FTable.FormulaOf(column);
    TRec* rec = formula >= 0 ? FFormules.Formulas[std::size_t(formula)].get() : nullptr;
    // The framed "Type a formula" header of the new column does what its text says.
    if (!rec && column == FTable.NewFormulaColumn() && row == 0) {
        if (button != Qt::LeftButton)
            return;
        row = 1;
    }
    if (rec && !rec->Curve.ColumnShown && button == Qt::LeftButton) {
        if (row == 0) {
            rec->Curve.ColumnShown = true;
            RefreshFormulas();
        }
        return;
    }
    const bool reacting = column == TFormulaTable::TimeColumn ? row == 0
                          : rec                               ? true
                                : column == FTable.NewFormulaColumn() && row >= 1;
    if (!reacting)
        return;
    EditedColumn = column;
    EditedRow = row;
    if (row >= 1) {
        FKeyboard->SetFormulaBoxText(FormulaCellText(column, 1, false));
        FKeyboard->SetUnitBoxText(rec ? rec->Unit : QString());
        FKeyboard->SetCommentBoxText(rec ? rec->Comment : QString());
        if (!cellOnScreen.isEmpty())
            FKeyboard->SetPositionFenetre(cellOnScreen);
        FKeyboard->SelectTab(row == 1 || !rec ? 0 : 1);
        FKeyboard->FavouritesEditable = FOptions.CheckBox5ChangeFormulae;
        // Each validation on the keyboard may put a new record in the column's place (see
        // ValidateFormula): the unit and comment go to the one standing there when the keyboard closes.
        FEditedRecord = rec;
        FKeyboard->ShowModally();
        TRec* target = nullptr;
        for (const auto& f : FFormules.Formulas)
            if (f.get() == FEditedRecord)
                target = FEditedRecord;
        FEditedRecord = nullptr;
        if (target) {
            const QString unit = FKeyboard->UnitBoxText(), comment = FKeyboard->CommentBoxText();
            target->Unit = unit.isEmpty() ? QStringLiteral("no unit") : unit;
            target->Comment = comment.isEmpty() ? QStringLiteral("no comment") : comment;
        }
        RefreshFormulas();
        return;
    }
    // Row 0: digit controls, hiding, deleting.
    if (button == Qt::LeftButton) {
        const bool less = width > DigitZone && x < DigitZone;
        const bool more = width > DigitZone && x >= width - DigitZone;
        if (column == TFormulaTable::TimeColumn) {
            if (less)
                FTable.TimeDigits = std::max(0, FTable.TimeDigits - 1);
            else if (more)
                FTable.TimeDigits = std::min(8, FTable.TimeDigits + 1);
        } else if (rec) {
            if (less)
                rec->Curve.Digits = std::max(0, rec->Curve.Digits - 1);
            else if (more)
                rec->Curve.Digits = std::min(8, rec->Curve.Digits + 1);
            else
                rec->Curve.ColumnShown = false;
        }
    } else if (button == Qt::RightButton && rec) {
        FFormules.RemoveFormula(formula);
    }
    RefreshFormulas();
}

void TBoiteFormules::ValidateFormula(TClavier& keyboard)
{
    const QString text = WithoutBlanks(keyboard.FormulaBoxText());
    const int formula = FTable.FormulaOf(EditedColumn);
    const bool newColumn = EditedColumn == FTable.NewFormulaColumn();
    if ((formula < 0 && !newColumn) || EditedRow < 0 || EditedRow >= TFormulaTable::FixedRows)
        return;
    if (formula >= 0) {
        TRec* rec = FFormules.Formulas[std::size_t(formula)].get();
        if (text.compare(FFormules.FormulaText(formula), Qt::CaseInsensitive) != 0)
            rec->Curve.InGraph = true;
        if (text.isEmpty()) {
            FFormules.RemoveFormula(formula);
            FEditedRecord = nullptr;
        } else if (text != FFormules.FormulaText(formula)) {
            // The new line in the place of the old one, which comes back when the new one fails.
            TRec* fresh = FFormules.AddFormula(text, rec->Comment, rec->Unit);
            fresh->Curve.ColumnShown = rec->Curve.ColumnShown;
            fresh->Curve.Digits = rec->Curve.Digits;
            std::unique_ptr<TRec> old = SwapInLast(FFormules.Formulas, formula);
            if (FFormules.Check(fresh) != fcOk)
                FFormules.Formulas[std::size_t(formula)] = std::move(old);
            FEditedRecord = FFormules.Formulas[std::size_t(formula)].get();
        }
    } else if (!text.isEmpty()) {
        TRec* fresh = FFormules.AddFormula(text, keyboard.CommentBoxText(), keyboard.UnitBoxText());
        if (FFormules.Check(fresh) != fcOk)
            FFormules.RemoveFormula(FFormules.FormulaCount() - 1);
        else
            FEditedRecord = fresh;
    }
    FFormules.ComputeFormulas();
    RefreshFormulas();
}

void TBoiteFormules::EnterConstantValueCell(int row)
{
    const int k = row;
    if (k >= 0 && k < FFormules.ConstantCount() && !FFormules.Constants[std::size_t(k)]->Phrase.isEmpty()) {
        FShowPhraseRow = row + 1;
        RefreshConstants();
    }
}

void TBoiteFormules::LeaveConstantCell(int row, int column, const QString& typed)
{
    // Grid rows here count from 0 below the header: row k is constant k, row count the new one.
    const int k = row;
    const int count = FFormules.ConstantCount();
    if (k < 0 || k > count)
        return;
    QString text = typed;
    text.remove(QLatin1Char('~'));
    if (column != 2) {
        text = WithoutBlanks(text);
        text.replace(QLatin1Char('/'), QStringLiteral("÷"));
        // Separators only in what is a number or a phrase; a name keeps its characters.
        if (column == 1) {
            text.replace(QLatin1Char(','), FFormules.DecimalSeparator());
            text.replace(QLatin1Char('.'), FFormules.DecimalSeparator());
        }
    }
    TRec* rec = k < count ? FFormules.Constants[std::size_t(k)].get() : nullptr;
    const auto recomputeAll = [this] {
        FFormules.ComputeConstants();
        FFormules.ComputeFormulas();
        RefreshConstants();
        RefreshFormulas();
    };
    if (column == 2) {
        if (rec)
            rec->Unit = text.trimmed().isEmpty() ? QStringLiteral("no unit") : text;
        RefreshConstants();
        return;
    }
    if (column == 0) {
        if (rec) {
            if (text.isEmpty()) {
                FFormules.RemoveConstant(k);
            } else if (text.compare(rec->Identifier, Qt::CaseInsensitive) != 0) {
                TRec* fresh = FFormules.AddConstant(text, rec->Phrase, rec->Unit,
                                                    rec->Phrase.isEmpty() ? rec->ValueText : QString());
                std::unique_ptr<TRec> old = SwapInLast(FFormules.Constants, k);
                if (FFormules.Check(fresh) != fcOk)
                    FFormules.Constants[std::size_t(k)] = std::move(old);
            } else {
                RefreshConstants();
                return;
            }
        } else {
            if (text.isEmpty())
                return;
            const QTableWidgetItem* valueItem = FGridC->item(row, 1);
            const QTableWidgetItem* unitItem = FGridC->item(row, 2);
            const QString value = valueItem ? WithoutBlanks(valueItem->text()) : QString();
            const QString unit = unitItem ? unitItem->text() : QString();
            TRec* fresh = value.startsWith(QLatin1Char('='))
                              ? FFormules.AddConstant(text, value.mid(1), unit, QString())
                              : FFormules.AddConstant(text, QString(), unit,
                                                      value.isEmpty() ? QStringLiteral("0") : value);
            if (FFormules.Check(fresh) != fcOk)
                FFormules.RemoveConstant(FFormules.ConstantCount() - 1);
        }
        recomputeAll();
        return;
    }
    // The value cell.
    if (!rec || text.isEmpty()) {
        if (rec)
            rec->Phrase.clear();
        RefreshConstants();
        return;
    }
    if ((text == QLatin1String("#Number!") && rec->ValueText == QLatin1String("#Number!")) ||
        text == rec->ValueText) {
        RefreshConstants();
        return;
    }
    bool isNumber = false;
    const double number = QLocale::c().toDouble(
        QString(text).replace(FFormules.DecimalSeparator(), QLatin1Char('.')), &isNumber);
    if (isNumber && std::isfinite(number)) {
        rec->ValueText = text;
        rec->Value = number;
        rec->Phrase.clear();
    } else {
        const QString phrase = text.startsWith(QLatin1Char('=')) ? text.mid(1) : text;
        if (phrase == rec->Phrase) {
            RefreshConstants();
            return;
        }
        rec->Phrase = phrase;
    }
    if (FFormules.Check(rec) != fcOk)
        rec->Phrase.clear();
    recomputeAll();
}

void TBoiteFormules::FillText()
{
    FTable.BuildText(FServeur, QCoreApplication::applicationFilePath(), GridAngle,
                     QDateTime::currentDateTime());
}

void TBoiteFormules::CopyToClipboard()
{
    FillText();
    FServeur.CopyToClipboard(true);
}

void TBoiteFormules::ExportToTextFile()
{
    FillText();
    FServeur.SaveToTextFile();
}

void TBoiteFormules::ExportToRegressi()
{
    FillText();
    FServeur.ExportToRegressi(1 + FFormules.FormulaCount());
}

void TBoiteFormules::ExportToExcel()
{
    FServeur.ExportToExcel(FTable.BuildMatrix(GridAngle));
}

void TBoiteFormules::ExportToOpenOffice()
{
    FServeur.ExportToOpenOffice(FTable.BuildMatrix(GridAngle));
}

void TBoiteFormules::RestoreTable()
{
    for (const auto& f : FFormules.Formulas)
        f->Curve.ColumnShown = true;
    RefreshFormulas();
}

void TBoiteFormules::SetAngleRadians(bool radians)
{
    FFormules.SetAngleMode(radians);
    RefreshConstants();
    RefreshFormulas();
}

void TBoiteFormules::ShowCalculator()
{
    FCalculatorInUse->Summon();
}

bool TBoiteFormules::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FGridF->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QModelIndex index = FGridF->indexAt(mouse->position().toPoint());
            if (index.isValid() && index.row() < TFormulaTable::FixedRows) {
                const QRect cell = FGridF->visualRect(index);
                const QRect onScreen(FGridF->viewport()->mapToGlobal(cell.topLeft()), cell.size());
                ClickFormulaCell(index.column(), index.row(), mouse->button(),
                                 int(mouse->position().x()) - cell.left(), cell.width(), onScreen);
                return true;
            }
        } else if (event->type() == QEvent::MouseMove) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QModelIndex index = FGridF->indexAt(mouse->position().toPoint());
            const bool reacting = index.isValid() && IsReactingCell(index.column(), index.row());
            FGridF->viewport()->setCursor(reacting ? Qt::PointingHandCursor : Qt::ArrowCursor);
            FGridF->viewport()->setToolTip(reacting ? (index.row() == 0 ? HintHeader : HintTexts)
                                                    : QString());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TBoiteFormules::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        // Minimising the dialog minimises the whole program.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible())
                w->showMinimized();
    }
    QDialog::changeEvent(event);
}

QString TBoiteFormules::LeftPanelHtml() const
{
    const QChar sep = FFormules.DecimalSeparator();
    const auto local = [sep](QString text) {
        text.replace(QLatin1Char(','), sep);
        text.replace(QLatin1Char('.'), sep);
        return text.toHtmlEscaped();
    };
    struct TExample
    {
        const char* Description;
        const char* Example;
    };
    static const TExample examples[] = {
        {"Evolution of the square of the speed versus time (v preset variable)", "v^2"},
        {"Distance between marks and the centre of the reference frame (sqrt = square root)",
         "sqrt(x^2 + y^2)"},
        {"Gravitational potential energy of system 1 (declare constants m and g)", "Ep = m*g*y"},
        {"Kinetic energy of system 1 (Index 1 is implicit: v = v1)", "Ec = 0,5*m*v^2"},
        {"Mechanical Energy of system 1 (Ep and Ec variables defined above)", "Em = Ec+Ep"},
        {"Angular coordinate of a pendulum (x and y are preset variables)", "Teta = ArcTan(y÷x)"},
        {"Angular coordinate of a rotating point (calculation of arcTan(y÷x) and setting the angle in the "
         "correct quadrant)",
         "Teta = ArcTan(y;x)"},
        {"Abscissa of a point sliding on an inclined plane (B rotation angle of the reference frame)",
         "x_theo = 0,5*g*Sin(B)*t^2"},
        {"Sphere falling in a Newtonian fluid; laminar model (iterative method; register constants Rho, Nu, "
         "Ray, "
         "Vol=4*Pi*Ray^3÷3, m, g, Dt, v_lam[0] or v_lam[1] according to numbering)",
         "v_lam[i+1] = v_lam[i] + (Dt÷m)*(m*g-Rho*(4*Pi*Ray^3÷3)*g-6*pi*Nu*Ray*v_lam[i])"},
        {"Sphere falling in a Newtonian fluid; turbulent model (different writing of the index; register "
         "constants Rho, Nu, Ray, Vol=4*Pi*Ray^3÷3, m, g, Dt, v_tur[0] or v_tur[1])",
         "v_tur[i] = v_tur[i-1] + (Dt÷m)*(m*g-Rho*(4*Pi*Ray^3÷3)*g-0,22*Pi*Ray^2*Rho*v_tur[i-1]^2)"},
        {"Movement quantity of systems 1 and 2 (at least two marks per frame are necessary)",
         "m1*v1 + m2*v2"},
        {"x-component of velocity (blanks are allowed)", "vx_ = (x[i+1] - x[i-1]) ÷ (t[i+1] - t[i-1])"},
    };
    QString html = QStringLiteral("<b>Formula examples</b><ul>");
    for (const TExample& e : examples)
        html += QStringLiteral("<li>%1 :  <span style=\"color:red\">%2</span></li>")
                    .arg(local(QString::fromUtf8(e.Description)), local(QString::fromUtf8(e.Example)));
    html += QStringLiteral(
        "</ul><p></p><b>Preset variables</b><br>Number 1 is implicit<div style=\"margin-left:15px\">");
    const int objects = std::max(1, FCalc.Current().ObjectCount);
    const auto names = [objects](const QString& name) {
        QStringList list{name};
        for (int n = 2; n <= std::min(3, objects); ++n)
            list << name + QString::number(n);
        QString text = list.join(QStringLiteral(", "));
        if (objects > 3)
            text += QStringLiteral(", ...");
        return text;
    };
    const auto line = [](const QString& nameText, const QString& description) {
        return QStringLiteral("<span style=\"color:blue\">%1</span>  : %2<br>")
            .arg(nameText.toHtmlEscaped(), description.toHtmlEscaped());
    };
    html += line(QStringLiteral("t"), QStringLiteral("time"));
    html += line(QStringLiteral("B"), QStringLiteral("Angle of rotation of horizontal axis"));
    html += line(names(QStringLiteral("x")), QStringLiteral("Abscissa"));
    html += line(names(QStringLiteral("y")), QStringLiteral("Ordinates"));
    if (FOptions.CheckBox9Speed) {
        html += line(names(QStringLiteral("vx")), QStringLiteral("x-component of velocity"));
        html += line(names(QStringLiteral("vy")), QStringLiteral("y-component of velocity"));
        html += line(names(QStringLiteral("v")), QStringLiteral("Value of velocity"));
    }
    if (FOptions.CheckBox8Acceleration) {
        html += line(names(QStringLiteral("ax")), QStringLiteral("x-component of acceleration"));
        html += line(names(QStringLiteral("ay")), QStringLiteral("y-component of acceleration"));
        html += line(names(QStringLiteral("a")), QStringLiteral("Value of acceleration"));
    }
    if (FOptions.CheckBox53PolarQuantities) {
        html += line(names(QStringLiteral("O")), QStringLiteral("Angular coordinate"));
        html += line(names(QStringLiteral("R")), QStringLiteral("Radial coordinate"));
        html +=
            line(names(QStringLiteral("w")), QStringLiteral("Angular velocity value") + QStringLiteral(" (") +
                                                 QStringLiteral("rad/s") + QStringLiteral(")"));
    }
    html += QStringLiteral(
        "</div><p> </p><b>Operators</b><div style=\"margin-left:15px\">"
        "+&nbsp;&nbsp;&nbsp;-&nbsp;&nbsp;&nbsp;/&nbsp;&nbsp;&nbsp;*&nbsp;&nbsp;&nbsp;^ (to the power of)"
        "</div><p> </p><b>Available functions</b><div style=\"margin-left:15px\">"
        "Sin, Cos, Tan, Ln, Exp, Sqrt (square root)<br>"
        "arcSin, arcCos, arcTan, Log, Abs (absolute value)</div>");
    return html;
}

QString TBoiteFormules::RightPanelHtml(QChar sep)
{
    const auto local = [sep](QString text) {
        text.replace(QLatin1Char(','), sep);
        text.replace(QLatin1Char('.'), sep);
        return text.toHtmlEscaped();
    };
    const auto bullets = [&](const QStringList& items) {
        QString html = QStringLiteral("<ul>");
        for (const QString& item : items)
            html += QStringLiteral("<li>") + local(item) + QStringLiteral("</li>");
        return html + QStringLiteral("</ul>");
    };
    const auto indented = [](const QStringList& items) {
        QString html = QStringLiteral("<div style=\"margin-left:15px\">");
        for (const QString& item : items)
            html += item.toHtmlEscaped() + QStringLiteral("<br>");
        return html + QStringLiteral("</div>");
    };
    QString html = QStringLiteral("<b>Constant examples</b>");
    html += bullets({QStringLiteral("g = 9,81 m/s²"), QStringLiteral("m1 = 1,5 kg"),
                     QStringLiteral("v_[1] = 0 m/s"), QStringLiteral("Ray = 0,009 m"),
                     QStringLiteral("Vol = 4*Ray^3/3 m³")});
    html += QStringLiteral("<p> </p><b>Name</b><br>The name of the constant may contain: ");
    html += indented({QStringLiteral("- upper case letters"), QStringLiteral("- lower case letters"),
                      QStringLiteral("- numbers but must start with a letter"),
                      QStringLiteral("- an integer between brackets")});
    html += QStringLiteral("<p> </p><b>Value</b><br>Value examples: ");
    html += bullets({QStringLiteral("9,81"), QStringLiteral("6,67e-11"), QStringLiteral("6,67E-11"),
                     QStringLiteral("+1,6E-19"), QStringLiteral("-1,6E-19"), QStringLiteral("+6,023e+23")});
    html += QStringLiteral("<p> </p><b>Special characters</b><br>Type:");
    html += indented(
        {QStringLiteral("Alt 0181: µ"), QStringLiteral("Alt 0179: ³"), QStringLiteral("Alt Gr 5: [")});
    return html;
}
