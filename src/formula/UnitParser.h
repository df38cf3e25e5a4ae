// The expression parser of the formula language: a formula text becomes a tree once and is then
// evaluated many times, its variables answered by a resolver that the owner supplies.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

// Token kinds. The operators are ordered from the loosest to the tightest binding.
enum TTokenKind : std::uint8_t
{
    tkSemicolon = 1,
    tkPlus = 2,
    tkMinus = 3,
    tkDivide = 4, // "/" and "÷"
    tkMultiply = 5,
    tkPower = 6,
    tkSin = 7,
    tkCos = 8,
    tkLn = 9,
    tkLog = 10,
    tkExp = 11,
    tkAbs = 12,
    tkTan = 13,
    tkSqrt = 14,
    tkArcSin = 15,
    tkArcCos = 16,
    tkArcTan = 17,
    tkNumber = 18, // pi included
    tkVariable = 19,
    tkOpen = 20,
    tkClose = 21,
};

// Error codes of the parser; 0 is success. ErrorMessage gives their texts.
enum : int
{
    peOk = 0,
    peNotClosed = 1,
    peNotOpened = 2,
    peEmptyBrackets = 3,
    peBadNumber = 4,
    peCos = 5,
    peSin = 6,
    peTan = 7,
    peArcCos = 8,
    peArcSin = 9,
    peArcTan = 10,
    peLogarithm = 11,
    peSqrt = 13,
    peDivisionByZero = 14,
    peNegativePower = 15,
    peExp = 16,
    pePower = 17,
    peOverflow = 19,
    peUnknownName = 20,
    peBadCharacter = 21,
    peBadIndex = 22,
    peNoArgument = 23,
    peNoOperand = 24,
    peNoOperator = 25,
    peEmpty = 26,
    peInternal = 27,
    peNoValue = 28,
    peIndexNotClosed = 29,
    peSemicolon = 30,
};

// One token.
struct TElemPile
{
    TTokenKind Kind = tkNumber;
    int Level = 0; // bracket depth; a bracket pair shares the depth inside it (1 for the outermost)
    int Index = 0; // index number of a variable: absolute, or offset from i
    QString Text;  // source text: operator character, variable name
    double Value = 0.0;
    bool IndexIsAbsolute = false;
    bool NegateRight = false; // on an operator: its right operand is negated
    bool HasIndex = false;    // the variable was written with square brackets
    int Slot = -1;            // the resolver's own note about this variable, kept between evaluations
};

// The resolver: given a variable's name (as written), whether it has an index, whether that index is
// absolute and the index number, it answers whether the name is known and, when it has one, its value.
// `hasValue` false with a known name means "known, but no value here" (an evaluation error). `slot`
// starts at -1 for each variable of a text; what the resolver writes there comes back with every later
// question about the same variable (a hint to find the name faster, never trusted blindly).
using TResolver = std::function<bool(const QString& name, bool hasIndex, bool indexIsAbsolute, int index,
                                     double& value, bool& hasValue, int& slot)>;

class TParser
{
public:
    TParser();

    // Stores the text and forgets the previous tokens, tree and error.
    void SetFormula(const QString& text);
    const QString& Formula() const { return FFormula; }

    // Trigonometric functions take and give radians when true, degrees when false. True at creation.
    void SetAngleMode(bool radians) { FAngleInRadians = radians; }
    bool AngleInRadians() const { return FAngleInRadians; }

    // The decimal separator of numbers; the locale's at creation.
    void SetDecimalSeparator(QChar separator) { FSeparator = separator; }
    QChar DecimalSeparator() const { return FSeparator; }

    void SetResolver(TResolver resolver) { FResolver = std::move(resolver); }

    // Tokenises and builds the tree when not done yet (each once per text), then evaluates. The caller
    // reads ErrorCode and Result. A syntax error found once is given again by every later call.
    void Evaluate();
    // Tokenises and builds the tree without evaluating; the error code tells whether the text is valid.
    int Parse();

    double Result() const { return FResult; }
    int ErrorCode() const { return FErrorCode; }
    // The text that completes the message (a name, an operator, a number).
    const QString& ErrorArgument() const { return FErrorArgument; }
    QString ErrorMessage() const;
    static QString ErrorMessage(int code, const QString& argument);

    // Variable names met while tokenising, each once (compared without regard to case), in order.
    const QStringList& Variables() const { return FVariables; }
    const std::vector<TElemPile>& TokenList() const { return FTokens; }

    // The working copy of a text after the sign rules (exposed for tests).
    static QString Normalise(const QString& text);

private:
    struct TNoeud
    {
        int First = 0, Last = 0;   // token slice [First, Last] after stripping brackets and functions
        int Split = -1;            // token of the operator, or of the single operand of a leaf
        int Left = -1, Right = -1; // child nodes, -1 for a leaf
        int FunctionsBegin = 0;    // functions in FFunctions[FunctionsBegin, FunctionsEnd), outermost first
        int FunctionsEnd = 0;
    };

    void Fail(int code, const QString& argument);
    bool Tokenise();
    bool BuildTree();
    // Strips brackets and functions of a node and finds its split; false on error.
    bool Shape(TNoeud& node);
    void Run();
    bool ApplyFunctions(const TNoeud& node, double& value, double left, double right);

    // Range queries over the tokens, so that a long formula builds in O(n log n).
    void PrepareQueries();
    int MinLevel(int first, int last) const;     // first <= last
    int BestOperator(int first, int last) const; // -1 when the slice holds no operator
    bool Better(int a, int b) const;

    QString FFormula;
    QString FWork;
    QChar FSeparator;
    bool FAngleInRadians = true;
    TResolver FResolver;

    std::vector<TElemPile> FTokens;
    QStringList FVariables;
    bool FTokenised = false;
    bool FBuilt = false;
    int FSyntaxError = 0; // error of tokenising or building, repeated by every evaluation
    QString FSyntaxArgument;

    std::vector<TNoeud> FNodes;         // FNodes[0] is the root
    std::vector<int> FOrder;            // nodes with children before parents, left subtree first
    std::vector<TTokenKind> FFunctions; // function tokens of every node
    std::vector<double> FValues;        // per node, during evaluation

    std::vector<int> FLevelTree;    // segment tree of token levels (minimum)
    std::vector<int> FOperatorTree; // segment tree of the best operator to split at
    int FTreeSize = 0;

    double FResult = 0.0;
    int FErrorCode = 0;
    QString FErrorArgument;
};

// The headless calculator: evaluates an expression as the calculator does (no variables, "." or "," as
// decimal separator, blanks ignored; degrees unless `radians`). 0 with the value in `out` as printf's
// "%.15G" writes it; 1 with "kinotra: " and the error message in `err`.
int CalcCommand(const QString& expr, bool radians, QString& out, QString& err);
