// Graphs shared by the graph tests.
#pragma once

#include "graph/UnitGraph.h"

// A graph without margins showing 0..10 x 0..10 (equal scales on a 400-pixel square plot) with one curve
// of three points carrying velocity vectors (3, 4), (0, 2) and (-1, 0): the largest norm is 5, so the
// scale arrow of 64 pixels stands for 8 m/s.
struct TVectorGraph
{
    TGraph Graph;
    TVectorGraph()
    {
        Graph.SetBounds(400, 400);
        Graph.SetMargins(0, 0, 0, 0);
        Graph.SetWorldAndScales({0, 10, 0, 10}, true);
        Graph.AddCurve({{2, 2}, {5, 5}, {8, 3}}, 0, {1, 2, 3}, {0}, {"m/s"}, {0},
                       {{{3, 4}, {0, 2}, {-1, 0}}});
        Graph.InitCurrentScale();
    }
    TParamCom& Scale() { return *Graph.CurrentScale(); }
};
