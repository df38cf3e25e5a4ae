// A measurement-data object wired to a fake view, with its notifications counted.
#pragma once

#include "common/UnitGraphUtils.h"
#include "measurement/FakeDataView.h"
#include "measurement/UnitData.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"

#include <gtest/gtest.h>

#include <vector>

class DataTest : public ::testing::Test
{
protected:
    TFakeView View;
    TData Data{nullptr, &View};
    std::vector<int> Invalidations;
    int MarquesChanges = 0;
    int RepereChanges = 0;
    int EchelleChanges = 0;
    int NbObjetsChanges = 0;
    int CouleurChanges = 0;

    void SetUp() override
    {
        Data.OnInvalidateResults = [this](int kind) { Invalidations.push_back(kind); };
        Data.OnMarquesChange = [this](TData&) { ++MarquesChanges; };
        Data.OnRepereChange = [this](TData&) { ++RepereChanges; };
        Data.OnEchelleChange = [this](TData&) { ++EchelleChanges; };
        Data.OnNbObjetsChange = [this](TData&) { ++NbObjetsChanges; };
        Data.OnCouleurChange = [this](TData&) { ++CouleurChanges; };
        Data.RequiredDuration = 0.04;
    }

    void Down(int x, int y, int button = mbLeft) { Data.MouseDown(button, Qt::NoModifier, x, y); }
    void Move(int x, int y) { Data.MouseMove(Qt::NoModifier, x, y); }
    void Up(int x, int y, int button = mbLeft) { Data.MouseUp(button, Qt::NoModifier, x, y); }
    void Click(int x, int y, int button = mbLeft)
    {
        Down(x, y, button);
        Up(x, y, button);
    }
    void Drag(QPoint from, QPoint to)
    {
        Down(from.x(), from.y());
        Move((from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
        Move(to.x(), to.y());
        Up(to.x(), to.y());
    }
    // Points one mark with the mark tool at a pixel of the current frame.
    void Point(int x, int y)
    {
        Data.SetOutil(otMarque);
        Click(x, y);
    }
    // Defines the grid with its origin at a pixel.
    void DefineGrid(int x, int y)
    {
        Data.SetOutil(otOrigine);
        Click(x, y);
    }
    TPolyContainer& Rep() { return *Data.MarquesRep; }
};
