// Per-frame animation of the tunnel wall: texture coordinates from the phase, and ring brightness.
#pragma once

#include "saver/TunnelTypes.h"

class TunnelAnimation
{
public:
    static constexpr double SwingPeriodDivisor = 60.0; // cos((phase + 8 d) / 60): the swing
    static constexpr int SwingLagPerRing = 8;          // phase lag of the swing per ring
    static constexpr double FlowDivisor = 120.0;       // one texture length per 120 phase units
    static constexpr double LengthPerRing = 1.0 / 32;  // texture length per ring at rest
    static constexpr int FirstDimmedRing = 25;          // rings 25..31 darken in steps of 0.1

    // Recomputes every entry of `texCoords` for `phase`:
    //   S(a, d) = a/32 + cos((phase + 8 d)/60) / 2
    //   T(a, d) = (phase + d)/120 + d/32, less the whole texture lengths already travelled
    //             (floor(phase / 120)); the texture repeats, so the picture is the same, and T stays
    //             small enough to keep sub-texel precision in a float however long the saver runs.
    static void computeTexCoords(double phase, tunnel::TexCoordTable &texCoords);

    // Grey level of ring k (0..31): 1.0 up to ring 24, then 0.9, 0.8, ... 0.3 for ring 31.
    static float ringBrightness(int k);
};
