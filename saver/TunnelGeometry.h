// The fixed tube the tunnel is drawn on: 33 x 33 vertex positions, computed once per run.
#pragma once

#include "saver/TunnelTypes.h"

class TunnelGeometry
{
public:
    static constexpr double MouthRadius = 3.0;   // radius of ring 0 at z = 0
    static constexpr double RadiusStepDivisor = 12.0; // radius shrinks by 1/12 per ring

    // Fills `vertices`: ring d is a circle of radius 3 - d/12 at z = -d, angle a * 2pi/32 growing
    // counter-clockwise as seen from the eye. Arithmetic in double, each coordinate stored as float.
    static void build(tunnel::VertexTable &vertices);
};
