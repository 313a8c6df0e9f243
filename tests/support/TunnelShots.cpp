// Judging screenshots of the tunnel; see TunnelShots.h.
#include "tests/support/TunnelShots.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tunnelshots {

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QList<QRgb> wallSamples(const QImage &shot, int samples, QRect area)
{
    if (area.isEmpty())
        area = shot.rect();
    const QPoint centre(area.x() + area.width() / 2, area.y() + area.height() / 2);
    const double radius = area.height() * 0.3;
    QList<QRgb> colours;
    for (int i = 0; i < samples; ++i) {
        const double angle = 2.0 * M_PI * (i + 0.5) / samples;
        colours << shot.pixel(centre.x() + int(radius * std::cos(angle)), centre.y() - int(radius * std::sin(angle)));
    }
    return colours;
}

int countNear(const QList<QRgb> &colours, QRgb colour)
{
    return int(std::count_if(colours.begin(), colours.end(), [colour](QRgb c) { return near(c, colour); }));
}

QString describe(const QList<QRgb> &colours)
{
    QStringList parts;
    for (QRgb c : colours)
        parts << QStringLiteral("%1,%2,%3").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
    return parts.join(QLatin1Char(' '));
}

bool showsTunnel(const QImage &shot, QRect area)
{
    if (area.isEmpty())
        area = shot.rect();
    const QPoint centre(area.x() + area.width() / 2, area.y() + area.height() / 2);
    if (!shot.rect().contains(centre))
        return false;
    const int wallY = area.y() + (centre.y() - area.y()) / 3;
    return shot.pixel(centre) == qRgb(0, 0, 0) && qGray(shot.pixel(centre.x(), wallY)) > 40;
}

} // namespace tunnelshots
