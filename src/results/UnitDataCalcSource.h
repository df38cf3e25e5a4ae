// The measurement data as the calculation reads it: the one adapter between TData and TResCalc.
#pragma once

#include "calc/UnitResultats.h"

#include <functional>

class TData;

class TDataCalcSource : public TCalcSource
{
public:
    // Neither object is owned; videoOpen tells whether a video is open (unassigned: always).
    TDataCalcSource(const TData& data, const TOptions& options, std::function<bool()> videoOpen = {});

    bool VideoOpen() const override;
    TMesures Mesures(bool layer) const override;
    std::pair<double, double> FacteursEchelle() const override;
    double GridAngle() const override;
    bool DirectXAxisDirection(bool layer) const override;
    bool DirectYAxisDirection(bool layer) const override;
    double Period() const override;
    QString ObjectName(bool layer, int object) const override;
    bool StartByZero() const override;

private:
    const TData& FData;
    const TOptions& FOptions;
    std::function<bool()> FVideoOpen;
};
