// The scale: a normal, a horizontal and a vertical segment of known length that turn relative units
// into metres.
#pragma once

#include "measurement/UnitData.h"

#include <QPoint>
#include <array>

enum TTypeEchelle : std::uint8_t
{
    teNormale = 0, // one oblique segment calibrating both directions
    teHoriz = 1,   // horizontal segment (used with the vertical one)
    teVert = 2,
};

class TEchelle : public THistObject
{
public:
    explicit TEchelle(TData& data);

    int ScalePointsNumber = 0;      // 0..2
    int ScaleHorizPointsNumber = 0; // 0..2
    int ScaleVertPointsNumber = 0;  // 0..2
    int HitResult = -2;             // end grabbed: -2 none, -1 the whole segment, 0 point 1, 1 point 2
    double ScaleLength = 0.0;       // metres
    double ScaleHorizLength = 0.0;
    double ScaleVertLength = 0.0;
    // Cached view pixels [kind][end] of point 1 and point 2 of the normal, horizontal, vertical scale.
    std::array<std::array<QPoint, 2>, 3> Pixels{};
    QPoint Anchor;                                    // last mouse pixel of a whole-segment drag
    std::array<std::array<TPointRel, 2>, 3> Points{}; // relative units
    TTypeEchelle TypeEchelle = teNormale;

    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    std::unique_ptr<THistObject> NewSame() const override;

    // Back to the construction state (kind from the option of separate scales).
    void Reset();
    int& PointsNumber(int kind);
    int PointsNumber(int kind) const;
    double Length(int kind) const;
    int CurrentPointsNumber() const { return PointsNumber(TypeEchelle); }

    void MouseDown(int button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp();
    void Paint(QPainter& painter) const;
    void Refresh();
    void SetScaleLength(double metres);
    void SetScaleHorizLength(double metres);
    void SetScaleVertLength(double metres);
    // Removes the last point of the current scale (a scale with two points is recorded first).
    void EraseLastPoint();
    // Removes every point of the scales in use, recorded as one "Erase" when any was set.
    void EraseAllPoints();
    TScaleFactors FacteursEchelle() const;
    void Load(TDataReader& reader);
    void Save(TDataWriter& writer) const;

    // Hit test of a pixel against the current scale with two points: -1 segment, 0 / 1 an end, -2 none.
    int HitTest(int x, int y) const;

private:
    void SetLength(double& field, double metres);
    TData& FData;
    QPoint FMouse; // last mouse pixel, the free end of the rubber band while one point is set
};
