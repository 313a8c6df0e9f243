// Draws the preview mode's built-in picture: a still of the tunnel, rendered by the saver's own
// renderer from a blue-and-white texture, scaled down and saved as a 152 x 112 baseline JPEG.
// Needs an X server with OpenGL (Xvfb will do):
//   hc_draw_preview <output.jpg> [phase]
#include "saver/TunnelRenderer.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>

namespace {

constexpr int MasterSide = 512;             // the renderer's texture size
const QSize PictureSize(152, 112);          // the preview picture's own size
constexpr int Oversampling = 4;             // rendered this many times larger, then averaged down
constexpr double DefaultPhase = 140.0;      // a phase at which the bands wind as one clear spiral
constexpr int JpegQuality = 92;
constexpr int BandCount = 8;                // white bands across the texture; a whole number tiles
constexpr int TileCount = 8;                // tiles per side of the blue floor
constexpr int BandRise = 3;                 // band periods each band climbs across the width: the helix's steepness

const QColor DeepBlue(8, 32, 120);
const QColor LightBlue(70, 140, 235);
const QColor White(250, 252, 255);

// Blue tiles shading from deep to light, so the wall has depth even where no band passes.
void paintTiles(QPainter &painter)
{
    const int side = MasterSide / TileCount;
    for (int row = 0; row < TileCount; ++row) {
        for (int column = 0; column < TileCount; ++column) {
            const QRect tile(column * side, row * side, side, side);
            QLinearGradient shade(tile.topLeft(), tile.bottomRight());
            const bool odd = (row + column) % 2 != 0;
            shade.setColorAt(0.0, odd ? LightBlue : DeepBlue.lighter(130));
            shade.setColorAt(1.0, odd ? DeepBlue.lighter(150) : DeepBlue);
            painter.fillRect(tile, shade);
        }
    }
}

// White sine-shaped bands running across the texture; a whole number of periods on each side, so
// the texture tiles without seams as it wraps round the tube and streams along it.
void paintBands(QPainter &painter)
{
    const double period = double(MasterSide) / BandCount;
    for (int band = -BandRise - 1; band <= BandCount; ++band) {
        QPainterPath path;
        const double y0 = band * period;
        for (int x = 0; x <= MasterSide; x += 4) {
            const double y = y0 + x * BandRise * period / MasterSide
                + period * 0.18 * std::sin(2 * M_PI * 2 * x / MasterSide);
            x == 0 ? path.moveTo(x, y) : path.lineTo(x, y);
        }
        painter.setPen(QPen(White, period * 0.28, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(path);
        painter.setPen(QPen(QColor(180, 210, 255), period * 0.06, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(path.translated(0, period * 0.3));
    }
}

QImage blueWhiteTexture()
{
    QImage texture(MasterSide, MasterSide, QImage::Format_RGB32);
    QPainter painter(&texture);
    painter.setRenderHint(QPainter::Antialiasing);
    paintTiles(painter);
    paintBands(painter);
    return texture;
}

bool saveBaselineJpeg(const QImage &picture, const QString &path, QString *error)
{
    QImageWriter writer(path, "jpg");
    writer.setQuality(JpegQuality);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (writer.write(picture.convertToFormat(QImage::Format_RGB888)))
        return true;
    *error = writer.errorString();
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2 || arguments.size() > 3) {
        err << "usage: hc_draw_preview <output.jpg> [phase]\n";
        return 2;
    }
    bool phaseOk = true;
    const double phase = arguments.size() == 3 ? arguments.at(2).toDouble(&phaseOk) : DefaultPhase;
    if (!phaseOk) {
        err << "phase is not a number: " << arguments.at(2) << "\n";
        return 2;
    }

    const QImage frame = TunnelRenderer::renderFrame(blueWhiteTexture(), phase, PictureSize * Oversampling);
    if (frame.isNull()) {
        err << "no OpenGL frame could be rendered (is an X server with OpenGL running?)\n";
        return 1;
    }
    const QImage picture = frame.scaled(PictureSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QString error;
    if (!saveBaselineJpeg(picture, arguments.at(1), &error)) {
        err << "cannot write " << arguments.at(1) << ": " << error << "\n";
        return 1;
    }
    return 0;
}
