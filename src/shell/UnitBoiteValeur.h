// The one dialog through which every command asks the user for a number within stated bounds.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <variant>

enum TTypeSaisie : std::uint8_t
{
    tsAngle = 0,      // grid rotation, typed in degrees, returned in radians
    tsCadence = 1,    // frames per second
    tsLongueur = 2,   // scale length in metres
    tsDMax = 3,       // tracking search radius in pixels
    tsLastImg = 4,    // last frame of a tracking, typed 1-based, returned 0-based
    tsNbMqDrawn = 5,  // number of last marks drawn
    tsNbMqParImg = 6, // objects per frame
    tsNumImg = 7,     // a position, typed 1-based, returned 0-based
    tsNumOrdre = 8,   // tracked object, typed 1-based, returned 0-based
    tsNbImgStep = 9,  // frames to advance after the last object of a frame
};

enum TTypeSaisieLongueur : std::uint8_t
{
    slLongueurH = 0,
    slLongueurN = 1,
    slLongueurV = 2,
};

// Where the dialog reads the current values it shows as defaults and the bounds of some kinds. Each
// getter is assigned by the main window; an unassigned one reads as 0 (false for IsOpen).
struct TValeurContext
{
    std::function<bool()> IsOpen;
    std::function<double()> GridAngle;                      // radians
    std::function<double()> FrameRate;                      // of the edited-video writer
    std::function<double(TTypeSaisieLongueur)> ScaleLength; // metres
    std::function<int()> TrackingRadius;
    std::function<int()> TrackingFirstFrame; // 0-based
    std::function<int()> TrackingLastFrame;  // 0-based
    std::function<int()> TrackedObject;      // 0-based
    std::function<int()> MarksDrawn;
    std::function<int()> ObjectsPerFrame;
    std::function<int()> CurrentPosition; // 0-based
    std::function<int()> FrameCountVisible;
    std::function<int()> FramesBetweenMarks;
};

class TBoiteValeur
{
public:
    TValeurContext Context;

    QString Caption;
    TTypeSaisie TypeSaisie = tsAngle;
    TTypeSaisieLongueur TypeSaisieLongueur = slLongueurN;
    std::variant<int, double> InputValue = 0;
    bool Accepted = false;
    QString IntervalText;
    QString Prompt;
    QString DefaultText;
    QString Explanation;

    static bool IsIntegerKind(TTypeSaisie kind) { return kind >= tsDMax; }

    // Fills the texts of the kind from the current values.
    void SetTypeSaisie(TTypeSaisie kind);
    // Chooses which scale length tsLongueur shows as default.
    void SetTypeSaisieLongueur(TTypeSaisieLongueur which);
    // Runs the dialog through the dialog service; without an open video (except for tsCadence) returns
    // false at once. The caller reads Accepted and InputValue afterwards.
    bool Execute();

    double ValueAsDouble() const;
    int ValueAsInteger() const;

    // The key filter of the edit field: the character to insert, or a null character to drop it.
    // "." and "," become the locale's decimal separator.
    QChar FilterKey(QChar typed) const;
    // One attempt to close with the typed text: converts and checks it, shows the message of a refusal,
    // and on success sets Accepted and InputValue.
    bool TryClose(const QString& text);

private:
    int Get(const std::function<int()>& getter) const { return getter ? getter() : 0; }
};
