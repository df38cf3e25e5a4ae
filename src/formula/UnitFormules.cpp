// The user's formulas and constants: definitions, checks, evaluation order and row-by-row evaluation.
#include "formula/UnitFormules.h"

#include "calc/UnitResultats.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

const QString FormulesSection = QStringLiteral("Formules");
const QString RecordSection = QStringLiteral("Record");

// Row of a constant's evaluation: no result row exists there.
constexpr int NoRow = -1073741823;
constexpr double RadToDeg = 57.29577951308232;

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool IsAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool IsNameChar(QChar c)
{
    return IsAsciiLetter(c) || IsDigit(c) || c == QLatin1Char('_') || c == QChar(0x00B2) ||
           c == QChar(0x00B3);
}

QString WithoutBlanks(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!c.isSpace())
            out += c;
    return out;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A preset name split into its family ("vx") and object number (0 without one; -1 when the rest is not
// a plain number from 1).
void SplitPreset(const QString& name, QString& family, int& number)
{
    qsizetype k = 0;
    while (k < name.size() && !IsDigit(name[k]))
        ++k;
    family = name.left(k);
    number = 0;
    if (k == name.size())
        return;
    const QString digits = name.mid(k);
    bool ok = false;
    const int n = digits.toInt(&ok);
    number = (ok && n >= 1 && QString::number(n) == digits) ? n : -1;
}

struct TFamily
{
    const char* Name;
    TColumnKind Kind;
};

constexpr TFamily Families[] = {
    {"t", ckTime}, {"x", ckX},   {"y", ckY}, {"vx", ckVx},   {"vy", ckVy}, {"v", ckV},
    {"ax", ckAx},  {"ay", ckAy}, {"a", ckA}, {"O", ckTheta}, {"R", ckR},   {"w", ckOmega},
};

// Strongly connected components of a graph given by its edges (iterative Tarjan). Components are
// numbered in the order they complete: an edge p -> k between two components gives comp[k] < comp[p].
std::vector<int> Components(const std::vector<std::vector<int>>& edges, int& count)
{
    const int n = static_cast<int>(edges.size());
    std::vector<int> index(n, -1), low(n, 0), comp(n, -1);
    std::vector<char> onStack(n, 0);
    std::vector<int> stack;
    std::vector<std::pair<int, std::size_t>> calls;
    int next = 0;
    count = 0;
    for (int s = 0; s < n; ++s) {
        if (index[s] >= 0)
            continue;
        index[s] = low[s] = next++;
        stack.push_back(s);
        onStack[s] = 1;
        calls.push_back({s, 0});
        while (!calls.empty()) {
            const int v = calls.back().first;
            if (calls.back().second < edges[v].size()) {
                const int w = edges[v][calls.back().second++];
                if (index[w] < 0) {
                    index[w] = low[w] = next++;
                    stack.push_back(w);
                    onStack[w] = 1;
                    calls.push_back({w, 0});
                } else if (onStack[w]) {
                    low[v] = std::min(low[v], index[w]);
                }
                continue;
            }
            if (low[v] == index[v]) {
                int w = -1;
                do {
                    w = stack.back();
                    stack.pop_back();
                    onStack[w] = 0;
                    comp[w] = count;
                } while (w != v);
                ++count;
            }
            calls.pop_back();
            if (!calls.empty())
                low[calls.back().first] = std::min(low[calls.back().first], low[v]);
        }
    }
    return comp;
}

} // namespace

TFormules::TFormules()
{
    FParser.SetResolver(
        [this](const QString& name, bool hasIndex, bool absolute, int index, double& value, bool& hasValue,
               int& slot) { return Resolve(name, hasIndex, absolute, index, value, hasValue, slot); });
    FParser.SetAngleMode(false);
    Formulas.reserve(128);
    Constants.reserve(128);
}

TFormules::~TFormules() = default;

void TFormules::ApplyOptions(const TOptions& options)
{
    const bool families = VelocityEnabled != options.CheckBox9Speed ||
                          AccelerationEnabled != options.CheckBox8Acceleration ||
                          PolarEnabled != options.CheckBox53PolarQuantities;
    VelocityEnabled = options.CheckBox9Speed;
    AccelerationEnabled = options.CheckBox8Acceleration;
    PolarEnabled = options.CheckBox53PolarQuantities;
    StartByZero = options.CheckBox36StartByZero;
    if (families && FResults)
        FResults->Invalidate(kindBoth);
    SetAngleMode(options.CheckBox32AngleRadian);
}

void TFormules::SetAngleMode(bool radians)
{
    if (FParser.AngleInRadians() == radians)
        return;
    FParser.SetAngleMode(radians);
    ComputeConstants();
    // Without result rows there is nothing to compute, and computing would mark every formula empty.
    if (RowCount() > 0)
        ComputeFormulas();
}

void TFormules::SetDecimalSeparator(QChar separator)
{
    FParser.SetDecimalSeparator(separator);
}

QString TFormules::ConvertSeparators(const QString& text) const
{
    QString out = text;
    const QChar separator = FParser.DecimalSeparator();
    for (QChar& c : out)
        if (c == QLatin1Char(',') || c == QLatin1Char('.'))
            c = separator;
    return out;
}

// ---------------------------------------------------------------------------------------------------
// Records

void TFormules::ParseLeft(TRec& rec, const QString& identifier)
{
    QString s = WithoutBlanks(identifier);
    for (;;) {
        const qsizetype before = s.size();
        s.replace(QStringLiteral("+-"), QStringLiteral("-"));
        s.replace(QStringLiteral("-+"), QStringLiteral("-"));
        s.replace(QStringLiteral("--"), QStringLiteral("+"));
        s.replace(QStringLiteral("++"), QStringLiteral("+"));
        if (s.size() == before)
            break;
    }
    rec.Identifier = s;
    rec.HasIndex = false;
    rec.IndexNumber = 0;
    rec.IndexText = QStringLiteral("0");
    const qsizetype close = s.indexOf(QLatin1Char(']'));
    const bool wellFormed = !s.isEmpty() && IsAsciiLetter(s[0]) && (close < 0 || close == s.size() - 1) &&
                            !s.contains(QStringLiteral("[]"));
    qsizetype p = 0;
    while (p < s.size() && IsNameChar(s[p]))
        ++p;
    rec.Name = s.left(p);
    const bool bracket = p < s.size() && s[p] == QLatin1Char('[');
    rec.NameValid = wellFormed && (p == s.size() || bracket);
    rec.IndexValid = p == s.size();
    if (!bracket)
        return;
    ++p;
    bool relative = false;
    if (p < s.size() && (s[p] == QLatin1Char('i') || s[p] == QLatin1Char('I'))) {
        relative = true;
        ++p;
    }
    if (!rec.IsConstant && relative && p == s.size() - 1 && s[p] == QLatin1Char(']')) {
        rec.IndexValid = true; // name[i]: every row, no index
        return;
    }
    bool sign = false;
    int factor = 1;
    if (p < s.size() && (s[p] == QLatin1Char('+') || s[p] == QLatin1Char('-'))) {
        sign = true;
        factor = s[p] == QLatin1Char('-') ? -1 : 1;
        ++p;
    }
    long long number = 0;
    bool digits = false;
    while (p < s.size() && IsDigit(s[p])) {
        number = std::min(number * 10 + (s[p].unicode() - '0'), 1000000001LL);
        digits = true;
        ++p;
    }
    const bool closed = p == s.size() - 1 && s[p] == QLatin1Char(']');
    rec.HasIndex = true;
    rec.IndexNumber = static_cast<int>(factor * std::min(number, 1000000000LL));
    rec.IndexText = QString::number(rec.IndexNumber);
    const bool form = digits && closed && number <= 1000000000LL;
    rec.IndexValid = rec.IsConstant ? (form && !relative) : (form && relative && sign);
}

TRec* TFormules::MakeFormula(const QString& identifier, const QString& phrase, const QString& comment,
                             const QString& unit)
{
    auto rec = std::make_unique<TRec>();
    rec->IsConstant = false;
    if (WithoutBlanks(identifier).isEmpty()) {
        rec->NameValid = true;
        rec->IndexValid = true;
    } else {
        ParseLeft(*rec, identifier);
    }
    rec->Phrase = ConvertSeparators(WithoutBlanks(phrase));
    rec->Comment = comment.trimmed().isEmpty() ? QStringLiteral("no comment") : comment.trimmed();
    rec->Unit = unit.trimmed().isEmpty() ? QStringLiteral("no unit") : unit.trimmed();
    rec->Curve.InGraph = true;
    Formulas.push_back(std::move(rec));
    return Formulas.back().get();
}

TRec* TFormules::AddFormula(const QString& line, const QString& comment, const QString& unit)
{
    const QString s = WithoutBlanks(line);
    const qsizetype equals = s.indexOf(QLatin1Char('='));
    if (equals < 0)
        return MakeFormula(QString(), s, comment, unit);
    return MakeFormula(s.left(equals), s.mid(equals + 1), comment, unit);
}

TRec* TFormules::AddConstant(const QString& identifier, const QString& phrase, const QString& unit,
                             const QString& valueText)
{
    auto rec = std::make_unique<TRec>();
    rec->IsConstant = true;
    ParseLeft(*rec, identifier);
    rec->Phrase = ConvertSeparators(WithoutBlanks(phrase));
    rec->Unit = unit.trimmed().isEmpty() ? QStringLiteral("no unit") : unit.trimmed();
    rec->Comment = QStringLiteral("no comment");
    double value = 0.0;
    if (rec->Phrase.isEmpty() && TextToFloat(valueText, value)) {
        rec->Value = value;
        rec->ValueText = ConvertSeparators(valueText.trimmed());
    } else {
        rec->Value = NonDefini();
        rec->ValueText = NonDefiniText;
    }
    Constants.push_back(std::move(rec));
    return Constants.back().get();
}

void TFormules::RemoveFormula(int index)
{
    if (index < 0 || index >= FormulaCount())
        return;
    Formulas.erase(Formulas.begin() + index);
    if (AbscissaFormula == index)
        AbscissaFormula = -1;
    else if (AbscissaFormula > index)
        --AbscissaFormula;
}

void TFormules::RemoveConstant(int index)
{
    if (index >= 0 && index < ConstantCount())
        Constants.erase(Constants.begin() + index);
}

void TFormules::Clear()
{
    Formulas.clear();
    Constants.clear();
    AbscissaFormula = -1;
}

int TFormules::InGraphCount() const
{
    return static_cast<int>(
        std::count_if(Formulas.begin(), Formulas.end(), [](const auto& f) { return f->Curve.InGraph; }));
}

QString TFormules::FormulaText(int index) const
{
    if (index < 0 || index >= FormulaCount())
        return QString();
    const TRec& f = *Formulas[index];
    return f.Anonymous() ? f.Phrase : f.Identifier + QLatin1Char('=') + f.Phrase;
}

QString TFormules::FormulaName(int index) const
{
    return index >= 0 && index < FormulaCount() ? Formulas[index]->Name : QString();
}

QString TFormules::FormulaComment(int index) const
{
    return index >= 0 && index < FormulaCount() ? Formulas[index]->Comment : QString();
}

QString TFormules::FormulaUnit(int index) const
{
    return index >= 0 && index < FormulaCount() ? Formulas[index]->Unit : QString();
}

void TFormules::SetInGraph(int index, bool inGraph)
{
    if (index >= 0 && index < FormulaCount() && !Formulas[index]->Curve.Empty)
        Formulas[index]->Curve.InGraph = inGraph;
}

void TFormules::SetAbscissa(int index)
{
    AbscissaFormula = (index >= 0 && index < FormulaCount()) ? index : -1;
}

void TFormules::CheckAbscissa()
{
    if (AbscissaFormula >= FormulaCount() || (AbscissaFormula >= 0 && Formulas[AbscissaFormula]->Curve.Empty))
        AbscissaFormula = -1;
}

// ---------------------------------------------------------------------------------------------------
// Names

int TFormules::RowCount() const
{
    return FResults ? FResults->Current().RowCount() : 0;
}

bool TFormules::PresetOf(const QString& name, TColumnKind& kind, int& object) const
{
    QString family;
    int number = 0;
    SplitPreset(name, family, number);
    const int objects = std::max(1, FResults ? FResults->Current().ObjectCount : 0);
    if (number < 0 || number > objects)
        return false;
    for (const TFamily& f : Families) {
        if (!SameName(family, QLatin1String(f.Name)))
            continue;
        const bool available = (f.Kind == ckVx || f.Kind == ckVy || f.Kind == ckV)   ? VelocityEnabled
                               : (f.Kind == ckAx || f.Kind == ckAy || f.Kind == ckA) ? AccelerationEnabled
                               : (f.Kind >= ckTheta)                                 ? PolarEnabled
                                                                                     : true;
        if (!available)
            return false;
        kind = f.Kind;
        object = number == 0 ? 0 : number - 1;
        return true;
    }
    return false;
}

bool TFormules::IsPresetName(const QString& name) const
{
    TColumnKind kind = ckTime;
    int object = 0;
    return PresetOf(name, kind, object);
}

double TFormules::PresetValue(TColumnKind kind, int object, int row, bool& hasValue) const
{
    hasValue = false;
    if (!FResults)
        return 0.0;
    const TCalcul& c = FResults->Current();
    if (row < 0 || row >= c.RowCount())
        return 0.0;
    if (kind == ckTime) {
        hasValue = true;
        return c.Times[row];
    }
    if (object < 0 || object >= static_cast<int>(c.Keys.size()) ||
        row >= static_cast<int>(c.Keys[object].size()) || c.Keys[object][row] < 0)
        return 0.0;
    const TMatriceD* m = nullptr;
    switch (kind) {
    case ckX:
        m = &c.PosX[0];
        break;
    case ckY:
        m = &c.PosY[0];
        break;
    case ckVx:
        m = &c.VelX[0];
        break;
    case ckVy:
        m = &c.VelY[0];
        break;
    case ckV:
        m = &c.Speed;
        break;
    case ckAx:
        m = &c.AccX[0];
        break;
    case ckAy:
        m = &c.AccY[0];
        break;
    case ckA:
        m = &c.AccNorm;
        break;
    case ckTheta:
        m = &c.Angle;
        break;
    case ckR:
        m = &c.Radius;
        break;
    case ckOmega:
        m = &c.AngularVelocity;
        break;
    default:
        return 0.0;
    }
    if (object >= static_cast<int>(m->size()) || row >= static_cast<int>((*m)[object].size()))
        return 0.0;
    hasValue = true;
    const double value = (*m)[object][row];
    return (kind == ckTheta && !FParser.AngleInRadians()) ? value * RadToDeg : value;
}

TFormules::TCaching::TCaching(TFormules& owner) : FOwner(owner)
{
    if (FOwner.FCaching++ == 0) {
        FOwner.FEntries.clear();
        FOwner.FEntryIndex.clear();
    }
}

TFormules::TCaching::~TCaching()
{
    if (--FOwner.FCaching == 0) {
        FOwner.FEntries.clear();
        FOwner.FEntryIndex.clear();
    }
}

TFormules::TEntry TFormules::MakeEntry(const QString& name) const
{
    TEntry e;
    e.Name = name;
    for (const auto& c : Constants)
        if (SameName(c->Name, name))
            e.Constants.push_back(c.get());
    e.IsGridAngle = SameName(name, QStringLiteral("B"));
    e.Preset = PresetOf(name, e.Kind, e.Object);
    for (const auto& f : Formulas)
        if (!f->Name.isEmpty() && SameName(f->Name, name))
            e.Formulas.push_back(f.get());
    return e;
}

int TFormules::EntryFor(const QString& name)
{
    const QString key = name.toCaseFolded();
    const auto found = FEntryIndex.constFind(key);
    if (found != FEntryIndex.constEnd())
        return found.value();
    FEntries.push_back(MakeEntry(name));
    const int slot = static_cast<int>(FEntries.size()) - 1;
    FEntryIndex.insert(key, slot);
    return slot;
}

bool TFormules::Resolve(const QString& name, bool hasIndex, bool indexIsAbsolute, int index, double& value,
                        bool& hasValue, int& slot)
{
    hasValue = false;
    TEntry local;
    const TEntry* e = nullptr;
    if (FCaching > 0) {
        if (slot < 0 || slot >= static_cast<int>(FEntries.size()) || !SameName(FEntries[slot].Name, name))
            slot = EntryFor(name);
        e = &FEntries[slot];
    } else {
        local = MakeEntry(name);
        e = &local;
    }
    const long long i = CurrentRow;
    const long long base = BaseIndex();
    for (const TRec* c : e->Constants) {
        if (c == FComputing)
            continue;
        const bool match = !hasIndex         ? !c->HasIndex
                           : indexIsAbsolute ? (c->HasIndex && c->IndexNumber == index)
                                             : (c->HasIndex && c->IndexNumber == i + base + index);
        if (!match)
            continue;
        if (std::find(FBlocked.begin(), FBlocked.end(), c) != FBlocked.end())
            return true; // part of a circular definition: known, without value
        value = c->Value;
        hasValue = true;
        return true;
    }
    if (ConstantsOnly)
        return false;
    const long long row = !hasIndex ? i : indexIsAbsolute ? index - base : i + index;
    if (e->IsGridAngle) {
        double angle = FSource ? FSource->GridAngle() : FResults ? FResults->Grid().AxisAngle() : 0.0;
        if (!FParser.AngleInRadians())
            angle *= RadToDeg;
        value = angle;
        hasValue = true;
        return true;
    }
    if (e->Preset) {
        if (row >= 0 && row < RowCount())
            value = PresetValue(e->Kind, e->Object, static_cast<int>(row), hasValue);
        return true;
    }
    if (!e->Formulas.empty()) {
        const TCurve& curve = e->Formulas.front()->Curve;
        if (row >= 0 && row < static_cast<long long>(curve.Defined.size()) && curve.Defined[row] == 0) {
            value = curve.Values[row];
            hasValue = true;
        }
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------
// Evaluation order

void TFormules::ParseUsedNames(TRec& rec)
{
    rec.UsedNames.clear();
    if (rec.Phrase.isEmpty())
        return;
    const bool constantsOnly = ConstantsOnly;
    const TRec* computing = FComputing;
    if (rec.IsConstant) {
        ConstantsOnly = true;
        FComputing = &rec;
    }
    FParser.SetFormula(rec.Phrase);
    FParser.Parse();
    rec.UsedNames = FParser.Variables();
    ConstantsOnly = constantsOnly;
    FComputing = computing;
}

TFormules::TPlan TFormules::Plan(std::vector<std::unique_ptr<TRec>>& list)
{
    const int n = static_cast<int>(list.size());
    TPlan plan;
    // Keys: the name, or "$" and the position for a formula without a name.
    QHash<QString, std::vector<int>> byKey;
    for (int k = 0; k < n; ++k) {
        ParseUsedNames(*list[k]);
        const QString key = list[k]->Name.isEmpty() ? QStringLiteral("$%1").arg(k) : list[k]->Name;
        byKey[key.toCaseFolded()].push_back(k);
    }
    std::vector<std::vector<int>> edges(n); // p -> k: record p uses record k
    for (int p = 0; p < n; ++p)
        for (const QString& used : list[p]->UsedNames)
            for (int k : byKey.value(used.toCaseFolded()))
                if (k != p)
                    edges[p].push_back(k);
    int count = 0;
    plan.Group = Components(edges, count);
    plan.Groups.assign(count, {});
    for (int k = 0; k < n; ++k)
        plan.Groups[plan.Group[k]].push_back(k);
    // A record that others use gets a larger depth and is computed before them. Components complete
    // after everything they use, so the highest-numbered ones are used by no one.
    std::vector<int> depth(count, 0);
    for (int c = count - 1; c >= 0; --c)
        for (int p : plan.Groups[c])
            for (int k : edges[p])
                if (plan.Group[k] != c)
                    depth[plan.Group[k]] = std::max(depth[plan.Group[k]], depth[c] + 1);
    plan.Order.resize(n);
    for (int k = 0; k < n; ++k)
        plan.Order[k] = k;
    std::stable_sort(plan.Order.begin(), plan.Order.end(),
                     [&](int a, int b) { return depth[plan.Group[a]] > depth[plan.Group[b]]; });
    return plan;
}

// ---------------------------------------------------------------------------------------------------
// Computation

int TFormules::ComputeConstant(TRec& rec)
{
    rec.Code = ComputeConstantValue(rec);
    return rec.Code;
}

int TFormules::ComputeConstantValue(TRec& rec)
{
    if (rec.Phrase.isEmpty()) {
        rec.UsedNames.clear();
        return rec.ValueText == NonDefiniText ? fcBadValue : fcOk;
    }
    FParser.SetFormula(rec.Phrase);
    CurrentRow = NoRow;
    ConstantsOnly = true;
    FComputing = &rec;
    FParser.Evaluate();
    FComputing = nullptr;
    ConstantsOnly = false;
    rec.UsedNames = FParser.Variables();
    if (FParser.ErrorCode() != 0) {
        rec.Value = NonDefini();
        rec.ValueText = NonDefiniText;
        rec.Message = FParser.ErrorMessage();
        return fcParser;
    }
    rec.Value = FParser.Result();
    if (FormatValue) {
        rec.ValueText = FormatValue(rec.Value);
    } else if (std::isnan(rec.Value)) {
        rec.ValueText = NonDefiniText;
    } else {
        rec.ValueText = QString::number(rec.Value, 'g', 4);
        rec.ValueText.replace(QLatin1Char('.'), FParser.DecimalSeparator());
        rec.ValueText.replace(QLatin1Char('e'), QLatin1Char('E'));
    }
    return fcOk;
}

void TFormules::ComputeConstants()
{
    TCaching caching(*this);
    const TPlan plan = Plan(Constants);
    for (int k : plan.Order) {
        const std::vector<int>& group = plan.Groups[plan.Group[k]];
        if (group.size() > 1)
            for (int m : group)
                FBlocked.push_back(Constants[m].get());
        ComputeConstant(*Constants[k]);
        FBlocked.clear();
    }
}

void TFormules::PassOnFlags(const std::vector<int>& members)
{
    for (bool changed = true; changed;) {
        changed = false;
        for (int m : members) {
            TRec& rec = *Formulas[m];
            if (rec.Curve.Empty)
                continue;
            for (const QString& used : rec.UsedNames) {
                for (const auto& other : Formulas) {
                    if (other.get() == &rec || other->Name.isEmpty() || !SameName(other->Name, used))
                        continue;
                    const bool v = rec.Curve.UsesVelocity || other->Curve.UsesVelocity;
                    const bool a = rec.Curve.UsesAcceleration || other->Curve.UsesAcceleration;
                    changed = changed || v != rec.Curve.UsesVelocity || a != rec.Curve.UsesAcceleration;
                    rec.Curve.UsesVelocity = v;
                    rec.Curve.UsesAcceleration = a;
                }
            }
        }
    }
}

void TFormules::ComputeFormulaGroup(const std::vector<int>& members)
{
    const int rows = RowCount();
    const long long base = BaseIndex();
    struct TState
    {
        TParser* Parser = nullptr;
        int Computed = 0;
        bool Stopped = false;
    };
    // A formula alone uses the shared parser; the formulas of a cycle need one each, since their rows
    // are computed in turn.
    std::vector<std::unique_ptr<TParser>> own;
    std::vector<TState> states(members.size());
    std::vector<int> nameSlot(members.size(), -1);
    for (std::size_t m = 0; m < members.size(); ++m) {
        TRec& rec = *Formulas[members[m]];
        TParser* parser = &FParser;
        if (members.size() > 1) {
            own.push_back(std::make_unique<TParser>());
            parser = own.back().get();
            parser->SetAngleMode(FParser.AngleInRadians());
            parser->SetDecimalSeparator(FParser.DecimalSeparator());
            parser->SetResolver([this](const QString& name, bool hasIndex, bool absolute, int index,
                                       double& value, bool& hasValue, int& slot) {
                return Resolve(name, hasIndex, absolute, index, value, hasValue, slot);
            });
        }
        states[m].Parser = parser;
        parser->SetFormula(rec.Phrase);
        rec.Curve.Values.assign(rows, NonDefini());
        rec.Curve.Defined.assign(rows, -1);
        rec.Message.clear();
        if (rows - 1 < rec.IndexNumber)
            states[m].Stopped = true;
    }
    for (int r = 0; r < rows; ++r) {
        for (std::size_t m = 0; m < members.size(); ++m) {
            if (states[m].Stopped)
                continue;
            TRec& rec = *Formulas[members[m]];
            CurrentRow = r - rec.IndexNumber;
            if (!rec.Name.isEmpty()) {
                // An initial value registered as a constant (v_lam[1]) gives the row's value.
                double value = 0.0;
                bool hasValue = false;
                if (Resolve(rec.Name, true, true, static_cast<int>(r + base), value, hasValue, nameSlot[m]) &&
                    hasValue) {
                    rec.Curve.Values[r] = value;
                    rec.Curve.Defined[r] = 0;
                    continue;
                }
            }
            TParser& parser = *states[m].Parser;
            parser.Evaluate();
            if (parser.ErrorCode() != 0) {
                rec.Message = parser.ErrorMessage();
                continue;
            }
            rec.Curve.Values[r] = parser.Result();
            rec.Curve.Defined[r] = 0;
            ++states[m].Computed;
        }
    }
    for (std::size_t m = 0; m < members.size(); ++m) {
        TRec& rec = *Formulas[members[m]];
        TParser& parser = *states[m].Parser;
        const int syntax = parser.Parse(); // also gives the names when no row was evaluated
        rec.UsedNames = parser.Variables();
        TCurve& curve = rec.Curve;
        curve.UsesVelocity = curve.UsesAcceleration = false;
        curve.FirstRow = curve.LastRow = -1;
        if (states[m].Computed > 0) {
            curve.Empty = false;
            for (const QString& used : rec.UsedNames) {
                QString family;
                int number = 0;
                SplitPreset(used, family, number);
                if (number < 0)
                    continue;
                for (const char* v : {"vx", "vy", "v"})
                    curve.UsesVelocity = curve.UsesVelocity || SameName(family, QLatin1String(v));
                for (const char* a : {"ax", "ay", "a"})
                    curve.UsesAcceleration = curve.UsesAcceleration || SameName(family, QLatin1String(a));
            }
            for (int r = 0; r < rows; ++r) {
                if (curve.Defined[r] == 0) {
                    if (curve.FirstRow < 0)
                        curve.FirstRow = r;
                    curve.LastRow = r;
                }
            }
            rec.Message.clear();
            rec.Code = fcOk;
            continue;
        }
        curve.Empty = true;
        curve.InGraph = false;
        rec.Code = fcParser;
        if (syntax != 0) {
            rec.Message = parser.ErrorMessage();
        } else if (states[m].Stopped) {
            rec.Code = fcNoValue;
            rec.Message =
                CheckMessage(fcNoValue, rec.Name.isEmpty() ? rec.Phrase : rec.Name).join(QLatin1Char(' '));
        }
    }
    PassOnFlags(members);
}

void TFormules::ComputeFormulas()
{
    TCaching caching(*this);
    const TPlan plan = Plan(Formulas);
    std::vector<char> done(plan.Groups.size(), 0);
    for (int k : plan.Order) {
        const int g = plan.Group[k];
        if (done[g])
            continue;
        done[g] = 1;
        ComputeFormulaGroup(plan.Groups[g]);
    }
    CheckAbscissa();
}

int TFormules::ComputeRecord(TRec& rec)
{
    auto& list = rec.IsConstant ? Constants : Formulas;
    int position = -1;
    for (std::size_t k = 0; k < list.size(); ++k)
        if (list[k].get() == &rec)
            position = static_cast<int>(k);
    if (position < 0)
        return fcNoRecord;
    TCaching caching(*this);
    const TPlan plan = Plan(list);
    const std::vector<int>& group = plan.Groups[plan.Group[position]];
    if (rec.IsConstant) {
        if (group.size() > 1)
            for (int m : group)
                FBlocked.push_back(Constants[m].get());
        const int code = ComputeConstant(rec);
        FBlocked.clear();
        return code;
    }
    ComputeFormulaGroup(group);
    CheckAbscissa();
    return rec.Code;
}

// ---------------------------------------------------------------------------------------------------
// Check

QStringList TFormules::CheckMessage(int code, const QString& argument)
{
    switch (code) {
    case fcNameHidden:
        return {QStringLiteral("Variable name already in use in a hidden column: %1").arg(argument)};
    case fcBadName:
        return {QStringLiteral("A name cannot start with a number and can contain only letters of numbers. "
                               "Incorrect variable or constant: %1")
                    .arg(argument)};
    case fcNameInUse:
        return {QStringLiteral("Name already in use (comparison is not case-sensitive). Repeated variable or "
                               "constant: %1")
                    .arg(argument)};
    case fcSamePhrase:
        return {QStringLiteral("Identical formulas detected (comparison is not case sensitive): %1.")
                    .arg(argument)};
    case fcParser:
        return {argument};
    case fcBadIndex:
        return {
            QStringLiteral("The index of a variable or a constant is usually placed into brackets. Unknown "
                           "index into brackets. Faulty variable or constant: %1")
                .arg(argument)};
    case fcBadValue:
        return {
            QStringLiteral("String must contain a sign (optional), numerals, a decimal separator (optional), "
                           "then a mantissa (optional)."),
            QString::fromUtf8("Mantissa contains « E » or « e » followed by a sign (facultative) and an "
                              "integer.")};
    case fcPresetName:
        return {
            QStringLiteral("Name identical to that of a preset variable (comparison is not case-sensitive). "
                           "Variable: %1")
                .arg(argument)};
    case fcNoValue:
        return {QStringLiteral("No value can be computed (index may be too big). This variable cannot be "
                               "calculated: %1")
                    .arg(argument)};
    default:
        return {QStringLiteral("The calculation unit has detected an error. Process cancelled.")};
    }
}

int TFormules::Check(TRec* record)
{
    if (!record)
        return fcNoRecord;
    TRec& rec = *record;
    int code = fcOk;
    QString argument = rec.Name.isEmpty() ? rec.Identifier : rec.Name;
    const bool named = !rec.Anonymous();
    if (named && !rec.NameValid) {
        code = fcBadName;
    } else if (named && !rec.IndexValid) {
        code = fcBadIndex;
    } else if (named && IsPresetName(rec.Name)) {
        code = fcPresetName;
    } else {
        const auto samePhrase = [&] {
            if (rec.Phrase.isEmpty())
                return false;
            for (const auto* list : {&Formulas, &Constants})
                for (const auto& other : *list)
                    if (other.get() != &rec && SameName(other->Phrase, rec.Phrase))
                        return true;
            return false;
        };
        if (!rec.IsConstant) {
            for (const auto& other : Formulas) {
                if (other.get() != &rec && named && !other->Name.isEmpty() &&
                    SameName(other->Name, rec.Name)) {
                    code = other->Curve.ColumnShown ? fcNameInUse : fcNameHidden;
                    break;
                }
            }
            if (code == fcOk && named) {
                for (const auto& c : Constants) {
                    if (SameName(c->Identifier, rec.Name)) {
                        code = fcNameInUse;
                        break;
                    }
                }
            }
            if (code == fcOk && samePhrase()) {
                code = fcSamePhrase;
                argument = rec.Phrase;
            }
            if (code == fcOk)
                code = ComputeRecord(rec);
        } else {
            argument = rec.Identifier;
            for (const auto& f : Formulas)
                if (!f->Name.isEmpty() && SameName(f->Name, rec.Identifier))
                    code = fcNameInUse;
            for (const auto& c : Constants)
                if (c.get() != &rec && SameName(c->Identifier, rec.Identifier))
                    code = fcNameInUse;
            if (code == fcOk && !rec.Phrase.isEmpty()) {
                if (samePhrase()) {
                    code = fcSamePhrase;
                    argument = rec.Phrase;
                } else {
                    code = ComputeRecord(rec);
                }
            } else if (code == fcOk && rec.ValueText == NonDefiniText) {
                code = fcBadValue;
            }
        }
    }
    if (code == fcParser)
        argument = rec.Message;
    else if (code == fcNoValue)
        argument = rec.Name.isEmpty() ? rec.Phrase : rec.Name;
    if (code != fcOk) {
        TUserDlg& dlg = TUserDlg::Instance();
        dlg.Begin(icWarning);
        for (const QString& line : CheckMessage(code, argument))
            dlg.Line(line);
        dlg.Button(QStringLiteral("Ok"), btOk);
        dlg.Execute();
    }
    return code;
}

// ---------------------------------------------------------------------------------------------------
// Curves

TPointDDynArray TFormules::CurvePoints(int formula) const
{
    TPointDDynArray points;
    if (formula < 0 || formula >= FormulaCount())
        return points;
    const TCurve& curve = Formulas[formula]->Curve;
    const TCurve* abscissa = AbscissaFormula >= 0 && AbscissaFormula < FormulaCount()
                                 ? &Formulas[AbscissaFormula]->Curve
                                 : nullptr;
    const std::vector<double> times = FResults ? FResults->Current().Times : std::vector<double>();
    for (std::size_t r = 0; r < curve.Defined.size(); ++r) {
        if (curve.Defined[r] != 0)
            continue;
        double x = 0.0;
        if (abscissa) {
            if (r >= abscissa->Defined.size() || abscissa->Defined[r] != 0)
                continue;
            x = abscissa->Values[r];
        } else {
            if (r >= times.size())
                continue;
            x = times[r];
        }
        points.emplace_back(x, curve.Values[r]);
    }
    return points;
}

void TFormules::Bounds(double& xMin, double& xMax, double& yMin, double& yMax) const
{
    xMin = yMin = 1e100;
    xMax = yMax = -1e100;
    for (int k = 0; k < FormulaCount(); ++k) {
        if (!Formulas[k]->Curve.InGraph)
            continue;
        for (const QPointF& p : CurvePoints(k)) {
            if (std::isnan(p.x()) || std::isnan(p.y()))
                continue;
            xMin = std::min(xMin, p.x());
            xMax = std::max(xMax, p.x());
            yMin = std::min(yMin, p.y());
            yMax = std::max(yMax, p.y());
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Project file

void TFormules::Save(TIniFile& ini) const
{
    ini.WriteInteger(FormulesSection, QStringLiteral("FormulesNumber"), FormulaCount());
    ini.WriteInteger(FormulesSection, QStringLiteral("ConstantesNumber"), ConstantCount());
    for (int n = 0; n < FormulaCount(); ++n) {
        const TRec& f = *Formulas[n];
        const QString suffix = QLatin1Char('_') + QString::number(n);
        ini.WriteString(RecordSection, QStringLiteral("RecordFormuleIdentifier") + suffix, f.Identifier);
        ini.WriteString(RecordSection, QStringLiteral("RecordFormulePhrase") + suffix, f.Phrase);
        ini.WriteString(RecordSection, QStringLiteral("RecordFormuleComment") + suffix, f.Comment);
        ini.WriteString(RecordSection, QStringLiteral("RecordFormuleUnit") + suffix, f.Unit);
    }
    for (int n = 0; n < ConstantCount(); ++n) {
        const TRec& c = *Constants[n];
        const QString suffix = QLatin1Char('_') + QString::number(n);
        ini.WriteString(RecordSection, QStringLiteral("RecordConstIdentifier") + suffix, c.Identifier);
        ini.WriteString(RecordSection, QStringLiteral("RecordConstIndex") + suffix, c.IndexText);
        ini.WriteString(RecordSection, QStringLiteral("RecordConstValue") + suffix,
                        c.Phrase.isEmpty() ? c.ValueText : QLatin1Char('=') + c.Phrase);
        ini.WriteString(RecordSection, QStringLiteral("RecordConstUnit") + suffix, c.Unit);
    }
}

void TFormules::Load(const TIniFile& ini)
{
    Clear();
    // A count can not exceed the keys that exist: a damaged count does not make the reading loop for long.
    const int keys = static_cast<int>(ini.ReadSection(RecordSection).size());
    const int formulas =
        std::clamp(ini.ReadInteger(FormulesSection, QStringLiteral("FormulesNumber"), 0), 0, keys);
    const int constants =
        std::clamp(ini.ReadInteger(FormulesSection, QStringLiteral("ConstantesNumber"), 0), 0, keys);
    const auto read = [&](const char* key, int n) {
        return ini
            .ReadString(RecordSection, QLatin1String(key) + QLatin1Char('_') + QString::number(n), QString())
            .trimmed();
    };
    for (int n = 0; n < formulas; ++n)
        MakeFormula(read("RecordFormuleIdentifier", n), read("RecordFormulePhrase", n),
                    read("RecordFormuleComment", n), read("RecordFormuleUnit", n));
    for (int n = 0; n < constants; ++n) {
        const QString value = read("RecordConstValue", n);
        if (value.startsWith(QLatin1Char('=')))
            AddConstant(read("RecordConstIdentifier", n), value.mid(1), read("RecordConstUnit", n),
                        QString());
        else
            AddConstant(read("RecordConstIdentifier", n), QString(), read("RecordConstUnit", n), value);
    }
}
