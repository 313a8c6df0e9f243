// The fixed tube the tunnel is drawn on.
#include "saver/TunnelGeometry.h"

#include <cmath>

void TunnelGeometry::build(tunnel::VertexTable &vertices)
{
    // 4 * atan(1) is the double nearest to pi; the angle is evaluated as ((pi + pi) / 32) * a so
    // every entry rounds exactly as the table of known values expects.
    const double pi = 4.0 * std::atan(1.0);
    for (int a = 0; a < tunnel::Columns; ++a) {
        for (int d = 0; d < tunnel::Depths; ++d) {
            const double theta = ((pi + pi) / tunnel::Segments) * a;
            const double r = MouthRadius - d / RadiusStepDivisor;
            tunnel::Vector3 &v = vertices[tunnel::entry(a, d)];
            v.X = static_cast<float>(r * std::cos(theta));
            v.Y = static_cast<float>(r * std::sin(theta));
            v.Z = static_cast<float>(-d);
        }
    }
}
