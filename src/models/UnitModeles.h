// The model family laid over a measured curve: equations, parameters, fits, statistics, description
// lines, drawable limits, the zones around each curve and what a drag in each zone changes.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// Model kinds, as the graph's model buttons number them (3 is not used).
enum : int
{
    mkAffine = 0,
    mkConstant = 1,
    mkExponentiel = 2,
    mkParabole = 4,
    mkProportionnel = 5,
    mkSinus = 6,
    mkSinusAe = 7,
    mkSinusAl = 8,
    mkNone = 9,
};

// What a drag of the model modifier does, chosen from the zone under the pointer when it starts.
enum : int
{
    dmNone = 0,
    dmReshape = 1,   // the model moves a handle to the pointer
    dmDamping = 2,   // the damping follows the vertical displacement
    dmAmplitude = 3, // the amplitude follows the vertical displacement
    dmPeriod = 4,    // the period follows the horizontal displacement
    dmTranslate = 5, // the curve moves with the pointer
};

// Shift state of a drag: Ctrl slows the change down ten times, Alt a hundred times.
enum : int
{
    ssCtrl = 1,
    ssAlt = 2,
};

inline constexpr int NoZone = -1;

// Base of the models. Pixels are those of the graph's window (x to the right, y downwards); the model
// maps its world rectangle onto its area (left, top, width, height) the way the graph does.
class TMdl
{
public:
    explicit TMdl(int kind);
    virtual ~TMdl() = default;

    int Kind() const { return FKind; }

    std::vector<double> Params; // r first, then b, c, d, k
    double SavedParams[5] = {0, 0, 0, 0, 0};
    std::vector<double> DataX, DataY; // the points of the last fit (copies, non-finite ones included)
    double Correlation = 0.0;         // affine and proportional models
    double QuadraticVariation = 0.0;  // sqrt(sum (y - y^)^2 / n); -1 after a numeric fault
    double RelativePrecision = 0.0;   // sqrt(sum (y - y^)^2 / sum y^2); -1 after a numeric fault
    QStringList Lines;                // the description
    int Left = 0, Top = 0, Width = 0, Height = 0;
    double XMin = 0.0, XMax = 0.0, YMin = 0.0, YMax = 0.0;
    bool Visible = false;
    bool Changed = false;
    bool ParamsChanged = false;
    std::function<void(TMdl&)> OnChange;

    // The outcome of the last fit: its code (0 = success; the codes of PolyFit or NonLinearFit), the
    // iterations of a non-linear fit, and the standard errors of the fitted parameters in the order of
    // FittedLetters(); empty when the fit could not give them or the parameters changed since.
    int FitCode = 0;
    int Iterations = 0;
    std::vector<double> StdErrors;

    virtual double Parameter(int index) const;
    // Copies the points, fits, applies the limits, recomputes the statistics and the description.
    virtual void Fit(const std::vector<double>& x, const std::vector<double>& y);
    virtual void SetArea(int left, int top, int width, int height);
    // Sets one parameter; the limits, statistics and description follow.
    virtual void SetParameter(int index, double value);
    virtual void SetWorld(double xmin, double xmax, double ymin, double ymax);

    // The model's value at x (NaN where it is not defined).
    virtual double Value(double x) const = 0;
    // The parameter letters of the equation, in order ("rb", "b", "rbcdk"...), and those actually fitted.
    virtual QString Letters() const = 0;
    virtual QString FittedLetters() const = 0;

    // The description for an ordinate named y and an abscissa named x (also kept in Lines).
    const QStringList& Describe(const QString& yName, const QString& xName);
    // The units of the abscissa and the ordinate ("s", "m/s"; empty: none known), for the physical
    // reading; the description follows.
    void SetUnits(const QString& xUnit, const QString& yUnit);
    // The equation and parameter lines (each fitted parameter with its standard error while the
    // parameters are the fit's), then the physical reading when the model has one; the statistics lines.
    QStringList EquationLines() const;
    QStringList StatisticsLines() const;
    // The one line that says what the parameters mean physically, with its uncertainty from the standard
    // errors: the slope of a line, the acceleration 2c of a parabola, the time constant or doubling time
    // of an exponential, the period and frequency of a sine. Empty for the constant and when the
    // parameters give none (a zero rate or frequency). An abscissa other than "t" is named in it.
    virtual QString ReadingLine() const { return QString(); }
    // The standard error of a parameter by its letter; NaN when the fit gave none.
    double StdErrorOf(QChar letter) const;

    // World to window pixels; false (and nothing converted) when a world range is below 1e-100 or
    // above 1e100, or the area is empty. Pixels are rounded and kept within 32 bits.
    bool WorldToPixel(double x, double y, QPoint& pixel) const;
    bool PixelToWorld(double px, double py, double& x, double& y) const;
    // World units per pixel along x and y; 0 when the area or the world is not usable.
    double UnitsPerPixelX() const;
    double UnitsPerPixelY() const;
    // The curve as world points across the world's x range, about one per pixel column; points where
    // the model is not defined are left out.
    std::vector<QPointF> CurvePoints() const;

    // The zone under a pixel of the window (NoZone when none; the graph element checks visibility), and
    // the same for a world point with the given world units per pixel.
    int Zone(int px, int py) const;
    virtual int ZoneAt(double x, double y, double sx, double sy) const = 0;
    // The drag mode a press in this zone starts.
    virtual int DragModeFor(int zone) const = 0;

    // Model modifier: a drag starts on a pixel of the window; returns its mode and records the grabbed
    // point. Then one operation per mode takes the pointer (mode 1) or its displacement in window pixels
    // since the last call; each keeps the parameters within the limits and refreshes the statistics and
    // description. A change that would leave a non-finite parameter is refused.
    int BeginDrag(int px, int py);
    int DragMode() const { return FDragMode; }
    virtual void Reshape(int px, int py);
    virtual void ChangeDamping(int dy, int shift);
    virtual void ChangeAmplitude(int dy);
    virtual void ChangePeriod(int dx, int shift);
    virtual void Translate(int dx, int dy);
    void EndDrag();

    // Recomputes the statistics of the current parameters over the data.
    void Statistics();

protected:
    // The fit itself, on the finite points; sets Params, FitCode, Iterations and StdErrors.
    virtual void DoFit(const std::vector<double>& x, const std::vector<double>& y) = 0;
    // Keeps the parameters drawable; afterFit is true right after a fit.
    virtual void Constrain(bool afterFit);
    virtual QString EquationFormat() const = 0;
    virtual bool HasCorrelation() const { return false; }
    // The parameter lines of the description (the linearly damped sine writes its own).
    virtual QStringList ParameterLines(const QString& yName, const QString& xName) const;
    virtual QString EquationLine(const QString& yName, const QString& xName) const;
    // "letter = value" for a parameter, "letter = value ± error" while the fit's error is known.
    QString ParameterText(QChar letter) const;
    // "label = value ± error unit" for a quantity drawn from the parameters and its error (NaN: none).
    static QString ReadingText(const QString& label, double value, double error, const QString& unit);
    // True when the abscissa is the time.
    bool TimeAbscissa() const { return FXName == QStringLiteral("t"); }
    // Sets new parameters from a drag when they are all finite and calls the change chain; false when
    // they were refused.
    bool ApplyDrag(const std::vector<double>& params);
    // Called after every change of the parameters: limits, statistics, description, notification.
    void ParametersChanged();
    // Finite data points.
    void FinitePoints(std::vector<double>& x, std::vector<double>& y) const;
    // Distance in pixels from a world point to the curve (along the normal of its local slope).
    double PixelDistance(double x, double y, double sx, double sy) const;
    // The factor of a slowed-down change.
    static double SlowDown(int shift);

    int FDragMode = dmNone;
    int FDragZone = NoZone;
    double FGrabX = 0.0, FGrabY = 0.0;   // the grabbed point, world
    double FPivotX = 0.0, FPivotY = 0.0; // a point the reshape keeps, world, chosen at its first move
    bool FPivotSet = false;
    QString FYName = QStringLiteral("y"), FXName = QStringLiteral("t");
    QString FXUnit, FYUnit;

private:
    void Notify();
    int FKind;
};

// Constant, proportional and affine models: y = r + b.t with a kind byte (0 affine, 1 constant, 5
// proportional).
class TMdlLineaire : public TMdl
{
public:
    explicit TMdlLineaire(int kind);
    double Value(double x) const override;
    QString Letters() const override;
    QString FittedLetters() const override;
    int ZoneAt(double x, double y, double sx, double sy) const override;
    int DragModeFor(int zone) const override;
    void Reshape(int px, int py) override;
    void Translate(int dx, int dy) override;
    QString ReadingLine() const override;

protected:
    void DoFit(const std::vector<double>& x, const std::vector<double>& y) override;
    void Constrain(bool afterFit) override;
    QString EquationFormat() const override;
    bool HasCorrelation() const override;
};

class TMdlConstant : public TMdlLineaire
{
public:
    TMdlConstant() : TMdlLineaire(mkConstant) {}
};

class TMdlProportionnel : public TMdlLineaire
{
public:
    TMdlProportionnel() : TMdlLineaire(mkProportionnel) {}
};

class TMdlAffine : public TMdlLineaire
{
public:
    TMdlAffine() : TMdlLineaire(mkAffine) {}
};

// y = r + b.t + c.t^2
class TMdlParaboleAv : public TMdl
{
public:
    TMdlParaboleAv();
    double Value(double x) const override;
    QString Letters() const override { return QStringLiteral("rbc"); }
    QString FittedLetters() const override { return QStringLiteral("rbc"); }
    int ZoneAt(double x, double y, double sx, double sy) const override;
    int DragModeFor(int zone) const override;
    void Reshape(int px, int py) override;
    void Translate(int dx, int dy) override;
    // The abscissa the reshape turns about: the vertex, or the middle of the world when the curve is
    // a straight line or its vertex lies far outside.
    double Centre() const;
    QString ReadingLine() const override;

protected:
    void DoFit(const std::vector<double>& x, const std::vector<double>& y) override;
    QString EquationFormat() const override { return QStringLiteral("%s + %s.t + %s.t²"); }
};

// y = r + b.exp(c.t)
class TMdlExponentiel : public TMdl
{
public:
    TMdlExponentiel();
    double Value(double x) const override;
    QString Letters() const override { return QStringLiteral("rbc"); }
    QString FittedLetters() const override { return QStringLiteral("rbc"); }
    int ZoneAt(double x, double y, double sx, double sy) const override;
    int DragModeFor(int zone) const override;
    void Reshape(int px, int py) override;
    void Translate(int dx, int dy) override;
    QString ReadingLine() const override;

protected:
    void DoFit(const std::vector<double>& x, const std::vector<double>& y) override;
    QString EquationFormat() const override { return QStringLiteral("%s + %s.exp(%s.t)"); }
};

// The three sine models. Zones on the curve by the phase of the oscillation: around a maximum 3 (left
// flank), 1, 2 (the top), 0 (right flank); around a minimum 7, 5, 6, 4; 8 elsewhere on the curve.
class TMdlSinusPure : public TMdl
{
public:
    explicit TMdlSinusPure(int kind);
    double Value(double x) const override;
    QString FittedLetters() const override;
    int ZoneAt(double x, double y, double sx, double sy) const override;
    int DragModeFor(int zone) const override;
    void ChangeDamping(int dy, int shift) override;
    void ChangeAmplitude(int dy) override;
    void ChangePeriod(int dx, int shift) override;
    void Translate(int dx, int dy) override;
    QString ReadingLine() const override;

protected:
    void DoFit(const std::vector<double>& x, const std::vector<double>& y) override;
    void Constrain(bool afterFit) override;
    // The envelope's factor at x (1 for the plain sine) and the abscissa from which the model is frozen.
    double Envelope(double x) const;
    double StopTime() const;
    // The abscissa the period and damping drags keep fixed: the first data abscissa, or the left of the
    // world when there is no data.
    double Anchor() const;
};

class TMdlSinus : public TMdlSinusPure
{
public:
    TMdlSinus() : TMdlSinusPure(mkSinus) {}
    QString Letters() const override { return QStringLiteral("rbcd"); }

protected:
    QString EquationFormat() const override { return QStringLiteral("%s + %s.sin(%s.t + %s)"); }
};

class TMdlSinusAe : public TMdlSinusPure
{
public:
    TMdlSinusAe() : TMdlSinusPure(mkSinusAe) {}
    QString Letters() const override { return QStringLiteral("rbcdk"); }

protected:
    QString EquationFormat() const override { return QStringLiteral("%s + %s.sin(%s.t + %s).exp(%s.t)"); }
};

// Linearly damped sine, described as an oscillator with dry friction; the model's own parameters follow
// the coefficients of that equation.
class TMdlSinusAl : public TMdlSinusPure
{
public:
    TMdlSinusAl() : TMdlSinusPure(mkSinusAl) {}
    QString Letters() const override { return QStringLiteral("rbcdk"); }

protected:
    QString EquationFormat() const override { return QStringLiteral("%s + %s.(1 + %s.t).sin(%s.t + %s)"); }
    QStringList ParameterLines(const QString& yName, const QString& xName) const override;
    QString EquationLine(const QString& yName, const QString& xName) const override;
};

// A new model of a kind; null for mkNone and unknown kinds.
std::unique_ptr<TMdl> CreateModel(int kind);

// Headless fit: reads the points of a text file (abscissa then ordinate per line, separated by blanks,
// a tab or ";", decimal "." or ",", empty lines and lines starting with "#" ignored), fits the named
// model (constant, proportional, affine, parabola, exponential, sine, sine-exp, sine-lin) and writes
// "key: value" lines and the description to out. Returns 0, also when the iteration did not converge;
// 1 with the reason in err for an unreadable file, an unknown model or too few points.
int FitCommand(const QString& model, const QString& dataPath, QString& out, QString& err);
