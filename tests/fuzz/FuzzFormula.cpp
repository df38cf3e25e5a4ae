// Fuzz target for the formula language. The first byte chooses what the rest is: a formula text for the
// parser, or a list of definitions (one a line; "c " starts a constant) checked, computed, saved and
// loaded again over a small result table. Any input must give values or error codes, within bounds.
#include "calc/UnitResultats.h"
#include "common/UnitIni.h"
#include "common/UnitUserDlg.h"
#include "formula/UnitFormules.h"
#include "formula/UnitParser.h"

#include <QString>
#include <QStringList>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool Resolver(const QString& name, bool hasIndex, bool absolute, int index, double& value, bool& hasValue,
              int&)
{
    hasValue = name != QLatin1String("u");
    value = name == QLatin1String("n") ? std::nan("") : (hasIndex ? index : 0) + (absolute ? 100.0 : 1.5);
    return name == QLatin1String("x") || name == QLatin1String("n") || name == QLatin1String("u");
}

// Two objects over six rows, the second one without a mark in row 2.
void FillTable(TCalcul& c)
{
    const int rows = 6, objects = 2;
    c.ObjectCount = objects;
    c.Times.clear();
    for (int r = 0; r < rows; ++r)
        c.Times.push_back(0.04 * r);
    c.Keys.assign(objects, TIntegerDynArray(rows, 0));
    const auto fill = [&](TMatriceD& m, double scale) {
        m.assign(objects, std::vector<double>(rows, 0.0));
        for (int p = 0; p < objects; ++p)
            for (int r = 0; r < rows; ++r)
                m[p][r] = scale * (r + 1) + p;
    };
    for (int p = 0; p < objects; ++p)
        for (int r = 0; r < rows; ++r)
            c.Keys[p][r] = (p == 1 && r == 2) ? -1 : r;
    for (int v = 0; v < 2; ++v) {
        fill(c.PosX[v], 0.1);
        fill(c.PosY[v], -0.2);
        fill(c.VelX[v], 1.0);
        fill(c.VelY[v], -2.0);
        fill(c.AccX[v], 0.5);
        fill(c.AccY[v], -9.81);
    }
    fill(c.Speed, 2.0);
    fill(c.AccNorm, 9.81);
    fill(c.Angle, 0.3);
    fill(c.Radius, 0.7);
    fill(c.AngularVelocity, 0.1);
}

void Definitions(const QString& text, bool radians)
{
    static TResCalc results;
    static bool filled = false;
    if (!filled) {
        FillTable(results.Grid());
        filled = true;
    }
    TFormules formules;
    formules.SetResults(&results);
    formules.SetDecimalSeparator(QLatin1Char('.'));
    formules.SetAngleMode(radians);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int k = 0; k < lines.size() && k < 64; ++k) {
        const QString& line = lines[k];
        TRec* rec = nullptr;
        if (line.startsWith(QLatin1String("c "))) {
            const QString body = line.mid(2);
            const qsizetype equals = body.indexOf(QLatin1Char('='));
            const QString left = equals < 0 ? body : body.left(equals);
            const QString right = equals < 0 ? QString() : body.mid(equals + 1);
            rec = right.startsWith(QLatin1Char('='))
                      ? formules.AddConstant(left, right.mid(1), QString(), QString())
                      : formules.AddConstant(left, QString(), QString(), right);
        } else {
            rec = formules.AddFormula(line, QString(), QString());
        }
        // Half of the records go in unchecked, as a project file brings them.
        if (k % 2 == 0 && formules.Check(rec) != 0) {
            if (rec->IsConstant)
                formules.RemoveConstant(formules.ConstantCount() - 1);
            else
                formules.RemoveFormula(formules.FormulaCount() - 1);
        }
    }
    formules.ComputeConstants();
    formules.ComputeFormulas();
    for (int k = 0; k < formules.FormulaCount(); ++k) {
        const TCurve& curve = formules.Formulas[k]->Curve;
        if (curve.Values.size() != results.Grid().Times.size() || curve.Defined.size() != curve.Values.size())
            std::abort();
        (void)formules.CurvePoints(k);
    }
    double x0, x1, y0, y1;
    formules.SetAbscissa(formules.FormulaCount() - 1);
    formules.Bounds(x0, x1, y0, y1);

    // What is saved loads again to the same keys.
    TIniFile ini{QString()};
    formules.Save(ini);
    TFormules loaded;
    loaded.SetDecimalSeparator(QLatin1Char('.'));
    loaded.Load(ini);
    TIniFile again{QString()};
    loaded.Save(again);
    if (again.ToText() != ini.ToText())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    TUserDlg::Instance().SetMute(true);
    const std::uint8_t mode = data[0];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (mode % 2 == 0) {
        TParser parser;
        parser.SetResolver(Resolver);
        parser.SetDecimalSeparator(mode & 2 ? QLatin1Char(',') : QLatin1Char('.'));
        parser.SetAngleMode(mode & 4);
        parser.SetFormula(text);
        parser.Evaluate();
        const int code = parser.ErrorCode();
        (void)parser.ErrorMessage();
        parser.Evaluate(); // parsed once: a second evaluation gives the same outcome
        if (parser.ErrorCode() != code)
            std::abort();
        QString out, err;
        if (CalcCommand(text, mode & 4, out, err) == 0 ? out.isEmpty()
                                                       : !err.startsWith(QLatin1String("kinotra: ")))
            std::abort();
    } else {
        Definitions(text, mode & 2);
    }
    return 0;
}
