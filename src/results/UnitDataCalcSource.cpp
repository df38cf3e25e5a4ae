// The adapter through which the calculation reads the measurement data.
#include "results/UnitDataCalcSource.h"

#include "measurement/UnitData.h"
#include "measurement/UnitMarques.h"

TDataCalcSource::TDataCalcSource(const TData& data, const TOptions& options, std::function<bool()> videoOpen)
    : FData(data), FOptions(options), FVideoOpen(std::move(videoOpen))
{
}

bool TDataCalcSource::VideoOpen() const
{
    return !FVideoOpen || FVideoOpen();
}

TMesures TDataCalcSource::Mesures(bool layer) const
{
    return FData.BuildMesures(layer);
}

std::pair<double, double> TDataCalcSource::FacteursEchelle() const
{
    const TScaleFactors f = FData.FacteursEchelle();
    return {f.X, f.Y};
}

double TDataCalcSource::GridAngle() const
{
    return FData.GridAngle(false);
}

bool TDataCalcSource::DirectXAxisDirection(bool layer) const
{
    return FData.DirectX(layer);
}

bool TDataCalcSource::DirectYAxisDirection(bool layer) const
{
    return FData.DirectY(layer);
}

double TDataCalcSource::Period() const
{
    return FData.RequiredDuration;
}

QString TDataCalcSource::ObjectName(bool layer, int object) const
{
    const TPolyContainer& list = layer ? static_cast<const TPolyContainer&>(*FData.MarquesTsp)
                                       : static_cast<const TPolyContainer&>(*FData.MarquesRep);
    const QString name = list.Name(object);
    return name.isEmpty() ? TCalcSource::ObjectName(layer, object) : name;
}

bool TDataCalcSource::StartByZero() const
{
    return FOptions.CheckBox36StartByZero;
}
