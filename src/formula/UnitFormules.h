// The user's formulas and constants: their definitions, checks, evaluation row by row over the current
// result table, the names they may use, and their keys in the project file.
#pragma once

#include "common/UnitTypes.h"
#include "formula/UnitParser.h"

#include <QChar>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TCalcSource;
class TIniFile;
class TOptions;
class TResCalc;

// Result codes of Check and of the computations; 0 is success. CheckMessage gives their texts.
enum : int
{
    fcOk = 0,
    fcNameHidden = 1, // the name is used by a formula whose column is hidden
    fcBadName = 2,    // the name is not well formed
    fcNameInUse = 3,
    fcSamePhrase = 4,
    fcParser = 5,   // the parser's message
    fcBadIndex = 6, // an index form that this kind of record does not allow
    fcNoRecord = 7,
    fcBadValue = 8, // the value text of a constant is not a number
    fcPresetName = 9,
    fcNoValue = 11, // no row can be computed (index too big, or no result rows)
};

// The computed series of one formula over the result rows.
struct TCurve
{
    std::vector<double> Values; // per row; the non-defined value where Defined is -1
    std::vector<int> Defined;   // per row: 0 computed, -1 not defined
    bool InGraph = false;       // drawn on the formula page
    bool ColumnShown = true;    // its column is shown in the formula dialog's grid
    bool Empty = false;         // no row could be computed (InGraph is then false too)
    bool UsesVelocity = false;  // uses a velocity quantity, directly or through other formulas
    bool UsesAcceleration = false;
    int Digits = 0;    // significant digits shown, 0 .. 8
    int FirstRow = -1; // first and last rows with a defined value, -1 when none
    int LastRow = -1;
};

// One formula or constant.
struct TRec
{
    bool IsConstant = false;
    QString Name;       // bare name (left-hand side without index); empty for an anonymous formula
    QString Identifier; // left-hand side as typed, blanks removed
    QString Phrase;     // right-hand side; for a constant the formula that defines it, empty for a number
    QString Comment;    // "no comment" when empty
    QString IndexText = QStringLiteral("0");
    QString ValueText;   // constants: the value as text, "#Number!" when it is not a number
    QString Unit;        // "no unit" when empty
    int IndexNumber = 0; // formulas: offset k of name[i+k]; constants: n of name[n]; 0 without index
    double Value = NonDefini();
    bool HasIndex = false;
    bool NameValid = false;
    bool IndexValid = false;
    QStringList UsedNames; // names used by the phrase
    TCurve Curve;
    int Code = 0;    // result code of the last computation
    QString Message; // message of the last computation that failed (code 5 or 11)

    bool Anonymous() const { return !IsConstant && Identifier.isEmpty(); }
};

// One instance for the whole run, owned by the main window. Reads the current result table of the
// result sets it is given; every value is in SI units, angles as the angle mode says.
class TFormules
{
public:
    TFormules();
    ~TFormules();

    // The result sets whose current table the formulas read (not owned; null: no rows) and the source of
    // the grid's rotation angle (not owned; null: 0).
    void SetResults(TResCalc* results) { FResults = results; }
    void SetSource(const TCalcSource* source) { FSource = source; }

    // Copies the options the formulas depend on: which preset families exist, numbering from zero and
    // the angle mode. A change of the families invalidates the results; a change of the angle mode
    // recomputes constants and formulas.
    void ApplyOptions(const TOptions& options);
    // Degrees when false. A change recomputes the constants, and the formulas when there are result rows.
    void SetAngleMode(bool radians);
    bool AngleInRadians() const { return FParser.AngleInRadians(); }
    // The decimal separator of phrases and value texts; the locale's by default.
    void SetDecimalSeparator(QChar separator);
    QChar DecimalSeparator() const { return FParser.DecimalSeparator(); }

    // Text of a computed constant's value; unassigned: general format with 4 significant digits.
    std::function<QString(double)> FormatValue;

    std::vector<std::unique_ptr<TRec>> Formulas; // in the user's order
    std::vector<std::unique_ptr<TRec>> Constants;
    int AbscissaFormula = -1; // formula used as abscissa on the formula page; -1 = time
    int CurrentRow = 0;       // the row i being evaluated
    bool ConstantsOnly = false;
    bool VelocityEnabled = true;
    bool AccelerationEnabled = true;
    bool PolarEnabled = true;
    bool StartByZero = false; // index numbering of rows starts at 0 instead of 1

    // "name = phrase" (blanks removed everywhere, split at the first "="; without "=" an anonymous
    // formula); InGraph set. The record is appended and returned, not checked.
    TRec* AddFormula(const QString& line, const QString& comment, const QString& unit);
    // A constant given by a number (valueText, "," or "." as separator) or, when phrase is not empty, by
    // a phrase. Appended and returned, not checked.
    TRec* AddConstant(const QString& identifier, const QString& phrase, const QString& unit,
                      const QString& valueText);
    void RemoveFormula(int index);
    void RemoveConstant(int index);
    void Clear();

    // Validates and computes one record, shows the error in a warning box and returns its code.
    int Check(TRec* record);
    // The lines of a check's message.
    static QStringList CheckMessage(int code, const QString& argument);

    // Recompute all constants, then all formulas, each list in dependency order. Nothing is shown.
    void ComputeConstants();
    void ComputeFormulas();

    // The parser's resolver (see TResolver).
    bool Resolve(const QString& name, bool hasIndex, bool indexIsAbsolute, int index, double& value,
                 bool& hasValue, int& slot);

    // (abscissa, value) over the rows where both are defined; the abscissa is the time or the values of
    // AbscissaFormula.
    TPointDDynArray CurvePoints(int formula) const;
    // Extremes over the formulas in the graph; +1e100 and -1e100 when there is none.
    void Bounds(double& xMin, double& xMax, double& yMin, double& yMax) const;
    // One of the preset variables available now (t, x, y and the enabled families; not B).
    bool IsPresetName(const QString& name) const;

    int FormulaCount() const { return static_cast<int>(Formulas.size()); }
    int ConstantCount() const { return static_cast<int>(Constants.size()); }
    int InGraphCount() const;
    // "Identifier=Phrase", or the phrase alone for an anonymous formula.
    QString FormulaText(int index) const;
    QString FormulaName(int index) const;
    QString FormulaComment(int index) const;
    QString FormulaUnit(int index) const;
    // Ignored for an empty formula.
    void SetInGraph(int index, bool inGraph);
    // A formula index or -1 for the time.
    void SetAbscissa(int index);

    // The number of rows of the current result table.
    int RowCount() const;

    // Project file: section "Formules" (the counts) and "Record" (the records). Loading replaces the
    // lists and does not check the records.
    void Load(const TIniFile& ini);
    void Save(TIniFile& ini) const;

private:
    // The left-hand side analysis.
    static void ParseLeft(TRec& rec, const QString& identifier);
    TRec* MakeFormula(const QString& identifier, const QString& phrase, const QString& comment,
                      const QString& unit);
    QString ConvertSeparators(const QString& text) const;
    int BaseIndex() const { return StartByZero ? 0 : 1; }

    // The evaluation order of a list: records by decreasing depth, and for each the group of records
    // that define each other (a single record when it is in no cycle).
    struct TPlan
    {
        std::vector<int> Order;
        std::vector<int> Group; // per record: the index of its group
        std::vector<std::vector<int>> Groups;
    };
    TPlan Plan(std::vector<std::unique_ptr<TRec>>& list);
    void ParseUsedNames(TRec& rec);

    int ComputeConstant(TRec& rec);
    int ComputeConstantValue(TRec& rec);
    // A formula alone, or the formulas of a cycle row by row together, so that coupled iterative
    // formulas read each other's previous rows.
    void ComputeFormulaGroup(const std::vector<int>& members);
    int ComputeRecord(TRec& rec);
    void PassOnFlags(const std::vector<int>& members);
    void CheckAbscissa();

    // A preset quantity: its kind (ckTime for t) and object; false when the name is none available now.
    bool PresetOf(const QString& name, TColumnKind& kind, int& object) const;
    double PresetValue(TColumnKind kind, int object, int row, bool& hasValue) const;

    // What a name designates, found once per computation rather than once per row.
    struct TEntry
    {
        QString Name;
        std::vector<const TRec*> Constants; // with that name, in list order
        bool IsGridAngle = false;
        bool Preset = false;
        TColumnKind Kind = ckTime;
        int Object = 0;
        std::vector<const TRec*> Formulas; // with that name, in list order
    };
    TEntry MakeEntry(const QString& name) const;
    int EntryFor(const QString& name);
    // While a computation runs the lists and the table do not change, so names are looked up once.
    class TCaching
    {
    public:
        explicit TCaching(TFormules& owner);
        ~TCaching();

    private:
        TFormules& FOwner;
    };

    TParser FParser;
    TResCalc* FResults = nullptr;
    const TCalcSource* FSource = nullptr;
    const TRec* FComputing = nullptr;  // the constant being computed: not its own value
    std::vector<const TRec*> FBlocked; // constants of a circular definition: known, without value
    std::vector<TEntry> FEntries;
    QHash<QString, int> FEntryIndex; // case-folded name -> entry
    int FCaching = 0;
};
