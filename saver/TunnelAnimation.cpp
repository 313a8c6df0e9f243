// Per-frame animation of the tunnel wall.
#include "saver/TunnelAnimation.h"

#include <cmath>

void TunnelAnimation::computeTexCoords(double phase, tunnel::TexCoordTable &texCoords)
{
    const double lengthsTravelled = std::floor(phase / FlowDivisor);
    const double flowPhase = phase - lengthsTravelled * FlowDivisor; // in [0, 120)
    for (int a = 0; a < tunnel::Columns; ++a) {
        for (int d = 0; d < tunnel::Depths; ++d) {
            tunnel::Vector2 &t = texCoords[tunnel::entry(a, d)];
            const double lag = static_cast<double>(SwingLagPerRing * d);
            t.S = static_cast<float>(static_cast<double>(a) / tunnel::Segments
                                     + std::cos((phase + lag) / SwingPeriodDivisor) / 2.0);
            t.T = static_cast<float>((flowPhase + d) / FlowDivisor + d * LengthPerRing);
        }
    }
}

float TunnelAnimation::ringBrightness(int k)
{
    if (k < FirstDimmedRing)
        return 1.0f;
    return static_cast<float>(1.0 - (k - (FirstDimmedRing - 1)) / 10.0);
}
