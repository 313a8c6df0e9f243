// Judging screenshots of the tunnel: the black far opening at the centre, the lit wall around it.
#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>
#include <QString>

namespace tunnelshots {

bool near(QRgb a, QRgb b, int tolerance = 3);
// Wall pixels on a circle round the centre of `area` (the whole shot when empty), radius 0.3 of
// its height, where the rings are drawn at full brightness.
QList<QRgb> wallSamples(const QImage &shot, int samples = 24, QRect area = {});
int countNear(const QList<QRgb> &colours, QRgb colour);
QString describe(const QList<QRgb> &colours);
// The tunnel shows in `area` of `shot`: black at its centre, and the wall a third of the way down
// from its top to its centre lit (every texture the tests use is bright there).
bool showsTunnel(const QImage &shot, QRect area = {});

} // namespace tunnelshots
