// The formula keyboard: a pad on which a formula is typed with function keys, its unit and comment
// entered, with the texts entered in this run and favourite lists kept in the settings file.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QLineEdit;
class QTabWidget;
class QToolButton;

// Texts entered in this run, oldest first, compared without regard to case, with a browsing position.
struct TTextHistory
{
    QStringList Items;
    int Pos = 0;

    // Moves text (trimmed; nothing when blank) to the end, removing an entry equal to it first; the
    // position goes past the end.
    void Push(const QString& text);
    // Previous: one back, and one more when that is the newest entry and equals current. Empty when there
    // is no entry to show.
    QString Previous(const QString& current);
    // Next: one forward, not past the last entry (last: true for the calculator, which may go one past
    // the end and then shows what was typed). Empty when there is no entry there.
    QString Next(bool pastEnd = false);
};

// Inserting a key's text into a box at the caret (a selection is not replaced). A function key
// ("Sin(" ...) at the end of the text gets its closing bracket too; the caret then stays after the "(".
void InsertKeyText(QString& text, int& caret, const QString& key);

// What a key shared by the formula keyboard and the calculator did to their box.
enum class TKeyEdit
{
    None,       // not one of the shared keys
    Edited,     // the text or the caret changed
    ArcToggled, // the "Arc" key: the next trigonometric key gives its inverse
};
// The shared keys, by their control names: `insert` is the text the pad's own table gives the key (empty
// for none); Sin, Cos and Tan insert their function, with "Arc" in arc mode; Effacer erases before the
// caret, AC clears, Debut/Fin and DecSelStart/IncSelStart move the caret, Arc toggles arc mode.
TKeyEdit EditWithKey(const QString& name, const QString& insert, bool& arcMode, QString& text, int& caret);

class TClavier : public QDialog
{
    Q_OBJECT

public:
    // settingsFile: where the favourites are kept (sections "Formulae", "Units", "Comments"); empty: not
    // kept. decimalSeparator: the one typed numbers get.
    TClavier(const QString& settingsFile, QChar decimalSeparator, QWidget* parent = nullptr);
    ~TClavier() override; // writes the favourites back

    QString FormulaBoxText() const;
    QString UnitBoxText() const;
    QString CommentBoxText() const;
    void SetFormulaBoxText(const QString& text);
    void SetUnitBoxText(const QString& text);
    void SetCommentBoxText(const QString& text);

    // Places the pad beside a cell (screen coordinates) within the screen.
    void SetPositionFenetre(const QRect& cell);
    // The placement rule, for a pad of the given size on a screen of the given size.
    static QPoint Placement(const QRect& cell, const QSize& pad, const QSize& screen, const QPoint& current);
    // 0: "Formula", 1: "Texts".
    void SelectTab(int tab);
    // Shows the pad modally; unassigned ShowModal means exec(). Tests replace it.
    int ShowModally();
    std::function<int(TClavier&)> ShowModal;
    // Whether the add and remove buttons of the favourites are shown (the option that allows changing
    // formulas); applied each time the pad is shown.
    bool FavouritesEditable = true;

    // Called when a formula is validated (the key "Exe", Enter, or OK of the "Texts" tab).
    std::function<void(TClavier&)> OnValidate;

    bool ArcMode = false;
    TTextHistory FormulaHistory, UnitHistory, CommentHistory;

    // The keys, by their names ("SpeedButtonSin" ...), as a click on them does.
    void PressKey(const QString& name);
    void Validate();
    void PreviousFormula();
    void NextFormula();
    // Favourites: 0 formulas, 1 units, 2 comments.
    QStringList Favourites(int list) const;
    void AddFavourite(int list);
    void RemoveFavourite(int list, int index);
    void ChooseFavourite(int list, int index);
    QLineEdit* FormulaBox() const { return FMemoF; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* Key(const QString& name, const QString& caption, const QString& hint = QString());
    QLineEdit* Box(int list) const;
    TTextHistory& History(int list);
    void LoadFavourites();
    void SaveFavourites() const;

    QString FSettingsFile;
    QChar FSeparator;
    QTabWidget* FTabs = nullptr;
    QLineEdit* FMemoF = nullptr;
    QLineEdit* FMemoU = nullptr;
    QLineEdit* FMemoC = nullptr;
    QComboBox* FCombo[3] = {};
    QToolButton* FAdd[3] = {};
    QToolButton* FRemove[3] = {};
};
