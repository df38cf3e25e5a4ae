// The formula dialog, its keyboard and the calculator: keys and caret, histories and favourites, the
// clicks on the formula grid, the constants grid, the exports, and the calculator agreeing with the grid.
#include "results/ResultsFixture.h"

#include "common/UnitIni.h"
#include "export/UnitServeur.h"
#include "formula/UnitFormules.h"
#include "formula/UnitParser.h"
#include "results/UnitCalculator.h"
#include "results/UnitFormulaDlg.h"
#include "results/UnitFormulaKeyboard.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

namespace {

// A caret written as "|" in the text.
struct KeyCase
{
    const char* Before;
    const char* Key;
    bool Arc;
    const char* After;
};

TEST(FormulaKeyboard, KeysInsertAtTheCaret)
{
    const KeyCase cases[] = {
        {"2+|", "SpeedButtonSin", false, "2+Sin(|)"},
        {"2+|x", "SpeedButtonSin", false, "2+Sin(|x"},
        {"|", "SpeedButtonTan", true, "ArcTan(|)"},
        {"a|", "SpeedButtonPuissance10", false, "a10^(|)"},
        {"a|", "SpeedButtonRacine", false, "aSqrt(|)"},
        {"x|", "SpeedButtonInvX", false, "x^(-1)|"},
        {"v|", "SpeedButtonIPlus1", false, "v[i+1]|"},
        {"a|b", "SpeedButtonDiv", false, "a÷|b"},
        {"ab|c", "SpeedButtonEffacer", false, "a|c"},
        {"|abc", "SpeedButtonEffacer", false, "|abc"},
        {"ab|c", "SpeedButtonAC", false, "|"},
        {"ab|c", "SpeedButtonDebut", false, "|abc"},
        {"ab|c", "SpeedButtonFin", false, "abc|"},
        {"ab|c", "SpeedButtonDecSelStart", false, "a|bc"},
        {"abc|", "SpeedButtonIncSelStart", false, "abc|"},
    };
    TClavier keyboard(QString(), QLatin1Char('.'));
    QLineEdit* box = keyboard.FormulaBox();
    for (const KeyCase& c : cases) {
        const QString before = QString::fromUtf8(c.Before);
        box->setText(QString(before).remove(QLatin1Char('|')));
        box->setCursorPosition(int(before.indexOf(QLatin1Char('|'))));
        keyboard.ArcMode = c.Arc;
        keyboard.PressKey(QString::fromLatin1(c.Key));
        QString after = box->text();
        after.insert(box->cursorPosition(), QLatin1Char('|'));
        EXPECT_EQ(after.toStdString(), c.After) << c.Before << " " << c.Key;
    }
    // The Arc key toggles the mode and inserts nothing.
    keyboard.ArcMode = false;
    keyboard.PressKey(QStringLiteral("SpeedButtonArc"));
    EXPECT_TRUE(keyboard.ArcMode);
}

TEST(FormulaKeyboard, HistoriesAndPlacement)
{
    TClavier keyboard(QString(), QLatin1Char('.'));
    int validated = 0;
    keyboard.OnValidate = [&](TClavier&) { ++validated; };
    for (const char* text : {"v^2", "x+1", "V^2"}) {
        keyboard.SetFormulaBoxText(QString::fromLatin1(text));
        keyboard.PressKey(QStringLiteral("SpeedButtonExe"));
    }
    EXPECT_EQ(validated, 3);
    // "V^2" replaced "v^2" (compared without regard to case) at the end.
    EXPECT_EQ(keyboard.FormulaHistory.Items, (QStringList{QStringLiteral("x+1"), QStringLiteral("V^2")}));
    // The box shows the newest entry: Previous goes to the one before it.
    keyboard.PreviousFormula();
    EXPECT_EQ(keyboard.FormulaBoxText(), QStringLiteral("x+1"));
    keyboard.PreviousFormula();
    EXPECT_EQ(keyboard.FormulaBoxText(), QStringLiteral("x+1"));
    keyboard.NextFormula();
    keyboard.NextFormula();
    EXPECT_EQ(keyboard.FormulaBoxText(), QStringLiteral("V^2"));
    // With an empty history the box is left as it is.
    TTextHistory empty;
    EXPECT_TRUE(empty.Previous(QStringLiteral("a")).isEmpty());
    EXPECT_TRUE(empty.Next().isEmpty());

    // Beside the cell on its right, else on its left, else where it was; never above the screen.
    const QSize pad(300, 200), screen(1000, 800);
    EXPECT_EQ(TClavier::Placement(QRect(100, 50, 104, 20), pad, screen, {7, 7}), QPoint(204, 0));
    EXPECT_EQ(TClavier::Placement(QRect(800, 400, 104, 20), pad, screen, {7, 7}), QPoint(500, 310));
    EXPECT_EQ(TClavier::Placement(QRect(200, 790, 750, 20), pad, screen, {7, 7}), QPoint(7, 600));
}

TEST(FormulaKeyboard, FavouritesAreKeptInTheSettingsFile)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("Kinotra.ini"));
    {
        TIniFile ini(settings);
        ini.WriteString(QStringLiteral("Formulae"), QStringLiteral("Formula0"), QStringLiteral("0,5*m*v^2"));
        ini.WriteString(QStringLiteral("Formulae"), QStringLiteral("Formula1"), QStringLiteral("x^2"));
        ini.WriteString(QStringLiteral("Formulae"), QStringLiteral("Formula3"),
                        QStringLiteral("after a gap"));
        ini.WriteString(QStringLiteral("Units"), QStringLiteral("Unit0"), QStringLiteral("J"));
        ASSERT_TRUE(ini.UpdateFile());
    }
    {
        TClavier keyboard(settings, QLatin1Char('.'));
        EXPECT_EQ(keyboard.Favourites(0), (QStringList{QStringLiteral("0.5*m*v^2"), QStringLiteral("x^2")}));
        keyboard.SetUnitBoxText(QStringLiteral("j"));
        keyboard.AddFavourite(1); // the same as "J" without regard to case
        keyboard.SetUnitBoxText(QStringLiteral("m/s"));
        keyboard.AddFavourite(1);
        keyboard.RemoveFavourite(0, 0);
        keyboard.ChooseFavourite(1, 1);
        EXPECT_EQ(keyboard.UnitBoxText(), QStringLiteral("m/s"));
    }
    const TIniFile ini(settings);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Formulae"), QStringLiteral("Formula0"), QString()),
              QStringLiteral("x^2"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Formulae"), QStringLiteral("Formula3")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Units"), QStringLiteral("Unit1"), QString()),
              QStringLiteral("m/s"));
}

TEST(FormulaKeyboard, FavouritesDropDownOpensAsWideAsItsLongestFormula)
{
    TClavier keyboard(QString(), QLatin1Char('.'));
    auto* combo = keyboard.findChild<QComboBox*>(QStringLiteral("ComboBoxF"));
    ASSERT_NE(combo, nullptr);
    const QString longest = QStringLiteral("v_lam[i+1] = v_lam[i] + (Dt÷m)*(m*g-Rho*(4*Pi*Ray^3÷3)*g)");
    for (const QString& formula : {QStringLiteral("x^2"), longest, QStringLiteral("v^2")}) {
        keyboard.FormulaBox()->setText(formula);
        keyboard.AddFavourite(0);
    }
    combo->resize(80, combo->height());
    combo->showPopup();
    EXPECT_EQ(combo->view()->minimumWidth(), combo->view()->fontMetrics().horizontalAdvance(longest) + 34);
    combo->hidePopup();
    // Never narrower than the box.
    keyboard.RemoveFavourite(0, 1);
    combo->resize(400, combo->height());
    combo->showPopup();
    EXPECT_EQ(combo->view()->minimumWidth(), 400);
    combo->hidePopup();
}

TEST(Calculator, CalculatesAndBrowsesItsHistory)
{
    TCalculatrice calc(QLatin1Char('.'));
    calc.SetText(QStringLiteral("2+3"));
    calc.PressKey(QStringLiteral("SpeedButtonEgal"));
    EXPECT_EQ(calc.Text(), QStringLiteral("5"));
    calc.SetRadians(false);
    calc.SetText(QStringLiteral("Sin(90)"));
    calc.Calculate();
    EXPECT_EQ(calc.Text(), QStringLiteral("1"));
    // An unknown name: the parser's message, emptied by the next key.
    calc.SetText(QStringLiteral("x+1"));
    calc.Calculate();
    TParser parser;
    parser.SetFormula(QStringLiteral("x+1"));
    parser.Evaluate();
    EXPECT_EQ(calc.Text(), parser.ErrorMessage());
    EXPECT_TRUE(calc.ShowingMessage);
    calc.PressKey(QStringLiteral("SpeedButton7"));
    EXPECT_EQ(calc.Text(), QStringLiteral("7"));
    // Next past the last entry shows the text being typed.
    calc.PressKey(QStringLiteral("SpeedButtonPred"));
    EXPECT_EQ(calc.Text(), QStringLiteral("x+1"));
    calc.PressKey(QStringLiteral("SpeedButtonSucc"));
    calc.PressKey(QStringLiteral("SpeedButtonSucc"));
    EXPECT_EQ(calc.Text(), QStringLiteral("7"));
    EXPECT_EQ(calc.History.Items.size(), 3);
}

TEST(Calculator, TakesInputOverAModalWindowAndGoesBackToItsOwner)
{
    QWidget owner;
    TCalculatrice calc(QLatin1Char('.'), &owner);
    calc.setWindowFlag(Qt::Window);
    owner.show();
    auto modal = std::make_unique<QDialog>(&owner);
    modal->setWindowModality(Qt::ApplicationModal);
    modal->show();
    ASSERT_EQ(QApplication::activeModalWidget(), modal.get());
    calc.Summon();
    ASSERT_TRUE(calc.isVisible());
    // A click through the window system, which holds back the input of windows a modal one blocks.
    auto* seven = calc.findChild<QToolButton*>(QStringLiteral("SpeedButton7"));
    ASSERT_NE(seven, nullptr);
    QTest::mouseClick(calc.windowHandle(), Qt::LeftButton, {}, seven->mapTo(&calc, seven->rect().center()));
    EXPECT_EQ(calc.Text(), QStringLiteral("7"));
    // The modal window goes: the calculator stays with its owner, hidden, its text kept.
    modal.reset();
    EXPECT_EQ(calc.parentWidget(), &owner);
    EXPECT_FALSE(calc.isVisible());
    calc.Summon();
    EXPECT_TRUE(calc.isVisible());
    EXPECT_EQ(calc.Text(), QStringLiteral("7"));
    calc.hide();
}

// The dialog over the two-object table with its own formulas.
struct FormulaDialogTest : ::testing::Test
{
    TResultsFixture Results;
    TFormules Formules;
    std::unique_ptr<TServeur> Serveur;
    std::unique_ptr<TBoiteFormules> Dialog;
    TScriptedUserDlgScope Messages;
    // What the keyboard does while it is shown; unassigned: closes at once.
    std::function<void(TClavier&)> Typing;

    void SetUp() override
    {
        ASSERT_EQ(Results.Prepare(), calcOk);
        Formules.SetDecimalSeparator(QLatin1Char('.'));
        Formules.SetResults(&Results.Calc);
        Formules.ApplyOptions(Results.Options);
        Serveur = std::make_unique<TServeur>(Results.Options);
        Dialog = std::make_unique<TBoiteFormules>(Formules, Results.Calc, Results.Options, *Serveur);
        Dialog->Keyboard().ShowModal = [this](TClavier& k) {
            if (Typing)
                Typing(k);
            return 1;
        };
        Dialog->Prepare();
    }

    // Types a formula on the keyboard opened from a header cell and validates it.
    void TypeFormula(int column, const QString& text, const QString& unit = QString())
    {
        Typing = [text, unit](TClavier& k) {
            k.SetFormulaBoxText(text);
            k.SetUnitBoxText(unit);
            k.PressKey(QStringLiteral("SpeedButtonExe"));
        };
        Dialog->ClickFormulaCell(column, 1, Qt::LeftButton, 50, 104);
        Typing = nullptr;
    }
    int NewColumn() const { return Formules.FormulaCount() + 2; }
};

TEST_F(FormulaDialogTest, TheTypeAFormulaHeaderOpensTheKeyboard)
{
    ASSERT_EQ(Dialog->FormulaCellText(NewColumn(), 0, true), QStringLiteral("Type a formula"));
    Typing = [](TClavier& k) {
        k.SetFormulaBoxText(QStringLiteral("x*2"));
        k.PressKey(QStringLiteral("SpeedButtonExe"));
    };
    // Clicked as the user does, through the grid's viewport.
    QTableWidget* grid = Dialog->FormulaGrid();
    grid->resize(800, 400);
    const QRect header = grid->visualRect(grid->model()->index(0, NewColumn()));
    ASSERT_FALSE(header.isEmpty());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(header.center()),
                      grid->viewport()->mapToGlobal(QPointF(header.center())), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &press);
    Typing = nullptr;
    ASSERT_EQ(Formules.FormulaCount(), 1);
    EXPECT_EQ(Dialog->FormulaCellText(2, 1, true), QStringLiteral("x*2"));
}

TEST_F(FormulaDialogTest, FormulasAreAddedChangedAndRejectedFromTheKeyboard)
{
    TypeFormula(NewColumn(), QStringLiteral("Ec = 0.5*v^2"), QStringLiteral("J/kg"));
    ASSERT_EQ(Formules.FormulaCount(), 1);
    EXPECT_EQ(Dialog->FormulaCellText(2, 1, true), QStringLiteral("Ec=0.5*v^2"));
    EXPECT_EQ(Dialog->FormulaCellText(2, 2, true), QStringLiteral("J/kg"));
    EXPECT_EQ(Dialog->FormulaCellText(2, 3, true), QStringLiteral("no comment"));
    EXPECT_EQ(Dialog->FormulaGrid()->columnCount(), 4);
    const double v = Results.Calc.Value(0, 0, ckV, 2);
    EXPECT_EQ(Dialog->FormulaCellText(2, 6, false), FormatGeneral(0.5 * v * v, 15));

    // An unknown name: the message, and the new column stays empty.
    Messages->Answer(0);
    TypeFormula(NewColumn(), QStringLiteral("q*2"));
    ASSERT_EQ(Messages->Shown.size(), 1u);
    EXPECT_TRUE(Messages->Shown[0].Text().contains(QStringLiteral("q")))
        << Messages->Shown[0].Text().toStdString();
    EXPECT_EQ(Formules.FormulaCount(), 1);

    // A change that fails gets the previous line back; one that passes replaces it.
    Messages->Answer(0);
    TypeFormula(2, QStringLiteral("Ec = 0.5*v^2+zz"));
    EXPECT_EQ(Formules.FormulaText(0), QStringLiteral("Ec=0.5*v^2"));
    TypeFormula(2, QStringLiteral("Ec = v^2"));
    EXPECT_EQ(Formules.FormulaText(0), QStringLiteral("Ec=v^2"));
    EXPECT_EQ(Formules.FormulaUnit(0), QStringLiteral("no unit"));
    // An empty text removes the formula.
    TypeFormula(2, QString());
    EXPECT_EQ(Formules.FormulaCount(), 0);
}

TEST_F(FormulaDialogTest, UnitAndCommentGoToTheFormulaStandingInTheColumn)
{
    TypeFormula(NewColumn(), QStringLiteral("Ec = 0.5*v^2"), QStringLiteral("J/kg"));
    ASSERT_EQ(Formules.FormulaCount(), 1);
    struct Case
    {
        int Column;
        QStringList Texts; // validated one after the other in one showing of the keyboard
        QString Unit, Comment;
        QString Formula; // what stands in the column afterwards
    };
    const Case cases[] = {
        {2,
         {QStringLiteral("Ec = v^2")},
         QStringLiteral("m²/s²"),
         QStringLiteral("twice"),
         QStringLiteral("Ec=v^2")},
        {2,
         {QStringLiteral("Ec = v^2")},
         QStringLiteral("J/kg"),
         QStringLiteral("same text"),
         QStringLiteral("Ec=v^2")},
        {2,
         {QStringLiteral("Ec = 2*v^2"), QStringLiteral("Ec = 3*v^2")},
         QStringLiteral("J"),
         QStringLiteral("two changes"),
         QStringLiteral("Ec=3*v^2")},
        {3,
         {QStringLiteral("p = v"), QStringLiteral("p = 2*v")},
         QStringLiteral("kg.m/s"),
         QStringLiteral("new, then changed"),
         QStringLiteral("p=2*v")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Comment.toStdString());
        Typing = [&c](TClavier& k) {
            for (const QString& text : c.Texts) {
                k.SetFormulaBoxText(text);
                k.PressKey(QStringLiteral("SpeedButtonExe"));
            }
            k.SetUnitBoxText(c.Unit);
            k.SetCommentBoxText(c.Comment);
        };
        Dialog->ClickFormulaCell(c.Column, 1, Qt::LeftButton, 50, 104);
        Typing = nullptr;
        const int formula = c.Column - 2;
        ASSERT_LT(formula, Formules.FormulaCount());
        EXPECT_EQ(Formules.FormulaText(formula), c.Formula);
        EXPECT_EQ(Formules.FormulaUnit(formula), c.Unit);
        EXPECT_EQ(Dialog->FormulaCellText(c.Column, 2, true), c.Unit);
        EXPECT_EQ(Dialog->FormulaCellText(c.Column, 3, true), c.Comment);
    }
}

TEST_F(FormulaDialogTest, HeaderClicksHideShowDeleteAndChangeDigits)
{
    TypeFormula(NewColumn(), QStringLiteral("x*1000"));
    TypeFormula(NewColumn(), QStringLiteral("y+1"));
    ASSERT_EQ(Formules.FormulaCount(), 2);
    const TCurve& curve = Formules.Formulas[0]->Curve;
    for (int i = 0; i < 10; ++i)
        Dialog->ClickFormulaCell(2, 0, Qt::LeftButton, 100, 104);
    EXPECT_EQ(curve.Digits, 8);
    for (int i = 0; i < 10; ++i)
        Dialog->ClickFormulaCell(2, 0, Qt::LeftButton, 3, 104);
    EXPECT_EQ(curve.Digits, 0);
    Dialog->ClickFormulaCell(1, 0, Qt::LeftButton, 30, 40);
    EXPECT_EQ(Dialog->Table().TimeDigits, 1);

    // The first row draws its buttons: a light-red cross only in a formula's cell.
    {
        QTableWidget* grid = Dialog->FormulaGrid();
        grid->resize(700, 300);
        const QImage shot = grid->viewport()->grab().toImage();
        const auto crossPixels = [&](int column) {
            const QRect cell = grid->visualRect(grid->model()->index(0, column));
            int count = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    count += QColor(shot.pixel(x, y)) == QColor(255, 187, 187);
            return count;
        };
        EXPECT_GT(crossPixels(2), 10);
        EXPECT_EQ(crossPixels(1), 0); // the time column: arrows only
        EXPECT_EQ(Dialog->FormulaCellText(NewColumn(), 0, true), QStringLiteral("Type a formula"));
    }

    // The middle hides; a left click on the narrow column's row 0 shows it again.
    Dialog->ClickFormulaCell(2, 0, Qt::LeftButton, 50, 104);
    EXPECT_FALSE(curve.ColumnShown);
    EXPECT_EQ(Dialog->FormulaGrid()->columnWidth(2), TBoiteFormules::HiddenColumnWidth);
    EXPECT_TRUE(Dialog->FormulaCellText(2, 5, true).isEmpty());
    EXPECT_EQ(Dialog->FormulaCellText(2, 1, true), QStringLiteral("x*1000"));
    Dialog->ClickFormulaCell(2, 1, Qt::LeftButton, 5, 15); // only row 0 reacts on a hidden column
    EXPECT_FALSE(curve.ColumnShown);
    Dialog->ClickFormulaCell(2, 0, Qt::LeftButton, 5, 15);
    EXPECT_TRUE(curve.ColumnShown);

    // The text export of a dialog whose last column is hidden ends every line without a TAB.
    Dialog->ClickFormulaCell(3, 0, Qt::LeftButton, 50, 104);
    Dialog->Table().BuildText(*Serveur, QStringLiteral("/bin/kinotra"), 0.5, QDateTime::currentDateTime());
    ASSERT_EQ(Serveur->Lines.size(), 6 + Results.Calc.RowCount());
    EXPECT_EQ(Serveur->Lines[3], QStringLiteral("t\tx*1000"));
    for (const QString& line : Serveur->Lines)
        EXPECT_FALSE(line.endsWith(QLatin1Char('\t'))) << line.toStdString();
    Dialog->RestoreTable();
    EXPECT_TRUE(Formules.Formulas[1]->Curve.ColumnShown);

    // A right click deletes.
    Dialog->ClickFormulaCell(2, 0, Qt::RightButton, 50, 104);
    ASSERT_EQ(Formules.FormulaCount(), 1);
    EXPECT_EQ(Formules.FormulaText(0), QStringLiteral("y+1"));
    EXPECT_EQ(Dialog->FormulaGrid()->columnCount(), 4);
}

TEST_F(FormulaDialogTest, ConstantsGridEditsConstants)
{
    const int newRow = 0;
    Dialog->LeaveConstantCell(newRow, 0, QStringLiteral("Ray"));
    ASSERT_EQ(Formules.ConstantCount(), 1);
    EXPECT_EQ(Formules.Constants[0]->Value, 0.0); // a name alone makes the value 0
    Dialog->LeaveConstantCell(0, 1, QStringLiteral("0,009"));
    EXPECT_DOUBLE_EQ(Formules.Constants[0]->Value, 0.009);
    Dialog->LeaveConstantCell(1, 0, QStringLiteral("Vol"));
    ASSERT_EQ(Formules.ConstantCount(), 2);
    Dialog->LeaveConstantCell(1, 1, QStringLiteral("=4*Ray^3/3"));
    EXPECT_NEAR(Formules.Constants[1]->Value, 4 * std::pow(0.009, 3) / 3, 1e-20);
    EXPECT_EQ(Formules.Constants[1]->Phrase, QStringLiteral("4*Ray^3÷3"));
    // Entering the cell again shows the equals sign and the phrase.
    EXPECT_NE(Dialog->ConstantsGrid()->item(1, 1)->text(), QStringLiteral("=4*Ray^3÷3"));
    Dialog->EnterConstantValueCell(1);
    EXPECT_EQ(Dialog->ConstantsGrid()->item(1, 1)->text(), QStringLiteral("=4*Ray^3÷3"));
    // A unit; a bad name keeps the previous one; an empty name removes the constant.
    Dialog->LeaveConstantCell(1, 2, QStringLiteral("m³"));
    EXPECT_EQ(Formules.Constants[1]->Unit, QStringLiteral("m³"));
    Messages->Answer(0);
    Dialog->LeaveConstantCell(1, 0, QStringLiteral("2Vol"));
    EXPECT_EQ(Formules.Constants[1]->Identifier, QStringLiteral("Vol"));
    Dialog->LeaveConstantCell(0, 0, QString());
    EXPECT_EQ(Formules.ConstantCount(), 1);
    EXPECT_EQ(Dialog->ConstantsGrid()->rowCount(), 2);
}

TEST_F(FormulaDialogTest, ConstantsGridConvertsWhileTypingAndPlacesItsCursor)
{
    Dialog->LeaveConstantCell(0, 0, QStringLiteral("Ray"));
    ASSERT_EQ(Formules.ConstantCount(), 1);
    Dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Dialog.get()));
    Dialog->Prepare();
    QTableWidget* grid = Dialog->ConstantsGrid();
    // Each showing: the name of the first constant, the grid with the focus.
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(grid->currentColumn(), 0);
    EXPECT_TRUE(grid->hasFocus());
    struct Case
    {
        int Column;
        QString Typed, Shown;
    };
    const Case cases[] = {
        {1, QStringLiteral("4/3,5~"), QStringLiteral("4÷3.5")},
        {0, QStringLiteral("m~1"), QStringLiteral("m1")},
        {2, QStringLiteral("m/s~"), QStringLiteral("m/s")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Typed.toStdString());
        grid->setCurrentCell(1, c.Column);
        grid->editItem(grid->item(1, c.Column));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, c.Typed);
        EXPECT_EQ(editor->text(), c.Shown);
        EXPECT_EQ(editor->cursorPosition(), c.Shown.size());
        QTest::keyClick(editor, Qt::Key_Escape);
    }
    // Leaving the grid takes its cursor to the Unit column.
    grid->setCurrentCell(0, 1);
    grid->setFocus();
    Dialog->FormulaGrid()->setFocus();
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(grid->currentColumn(), 2);
    Dialog->hide();
}

TEST_F(FormulaDialogTest, TheProgramsCalculatorServesTheDialog)
{
    TCalculatrice shared(QLatin1Char('.'));
    shared.History.Push(QStringLiteral("2+3"));
    TBoiteFormules dialog(Formules, Results.Calc, Results.Options, *Serveur, nullptr, &shared);
    EXPECT_EQ(&dialog.Calculator(), &shared);
    dialog.ShowCalculator();
    EXPECT_TRUE(shared.isVisible());
    EXPECT_EQ(dialog.Calculator().History.Items, QStringList{QStringLiteral("2+3")});
    shared.hide();
}

TEST_F(FormulaDialogTest, RowLabelsHelpPanelAndTheCalculatorAgreeWithTheGrid)
{
    EXPECT_EQ(Dialog->FormulaCellText(0, 4, true), QStringLiteral("1"));
    Results.Options.CheckBox36StartByZero = true;
    EXPECT_EQ(Dialog->FormulaCellText(0, 4, true), QStringLiteral("0"));
    EXPECT_TRUE(Dialog->LeftPanel()->toPlainText().contains(QStringLiteral("x, x2")));

    // The same expression in the grid (degrees) and in the calculator.
    Dialog->SetAngleRadians(false);
    const QString expression = QStringLiteral("Sin(30)*2+Sqrt(2)^3-ArcTan(1;-1+2)+Ln(10)/Log(10)");
    TypeFormula(NewColumn(), expression);
    ASSERT_EQ(Formules.FormulaCount(), 1);
    TCalculatrice& calc = Dialog->Calculator();
    calc.SetRadians(false);
    calc.SetText(expression);
    calc.Calculate();
    EXPECT_EQ(calc.Text(), Dialog->FormulaCellText(2, 4, false));
    EXPECT_EQ(calc.Text(),
              FormatGeneral(1 + std::pow(std::sqrt(2.0), 3) - 45 + std::log(10) / std::log10(10), 15));
}

} // namespace

namespace {

TEST_F(FormulaDialogTest, CopyAndLaunchHandTheTableToTheExportServer)
{
    TypeFormula(NewColumn(), QStringLiteral("x*2"));
    QTemporaryDir dir;
    Serveur->ExportFolder = dir.path();
    QStringList opened;
    Serveur->OpenDocument = [&](const QString& file) {
        opened << file;
        return true;
    };
    Messages->Answer(0);
    Messages->Answer(0);
    Dialog->ExportToExcel();
    Dialog->ExportToOpenOffice();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened[0].endsWith(QStringLiteral(".xlsx")) && QFileInfo::exists(opened[0]));
    EXPECT_TRUE(opened[1].endsWith(QStringLiteral(".ods")) && QFileInfo::exists(opened[1]));
    ASSERT_EQ(Messages->Shown.size(), 2u);
    Messages->Shown.clear();

    // The clipboard receives the text form, with the information about pasting.
    Messages->Answer(0);
    Dialog->CopyToClipboard();
    ASSERT_EQ(Messages->Shown.size(), 1u);
    EXPECT_TRUE(Messages->Shown[0].Text().startsWith(QStringLiteral("Copy to clipboard complete.")));
    EXPECT_EQ(Serveur->Lines[3], QStringLiteral("t\tx*2"));

    // Regressi not found: the export stops after its question.
    Messages->Answer(1); // "Cancel"
    Dialog->ExportToRegressi();
    ASSERT_EQ(Messages->Shown.size(), 2u);
    EXPECT_TRUE(Messages->Shown[1].Text().contains(QStringLiteral("Regressi is not found")));
}

} // namespace
