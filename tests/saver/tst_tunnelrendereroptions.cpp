// Tests that the tunnel's faster drawing steps change no pixel: frames drawn with every combination
// of the renderer's options are compared pixel for pixel at several sizes and phases, and every
// pixel is checked to be covered by at most one fragment, which is why the depth test can go.
#include "saver/MasterImage.h"
#include "saver/TunnelRenderer.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QTest>

#include <GL/gl.h>

#include <algorithm>
#include <vector>

namespace {
// Fine detail in every channel, so that a texture coordinate or a colour that differs in the least
// bit shows up in some pixel: a diagonal gradient crossed by one-texel stripes.
QImage detailedMaster()
{
    QImage master(MasterImage::MasterSize, MasterImage::MasterSize, QImage::Format_RGB32);
    for (int y = 0; y < master.height(); ++y)
        for (int x = 0; x < master.width(); ++x)
            master.setPixel(x, y, qRgb((x + y) / 4, (x & 1) ? 255 - y / 2 : y / 2, ((x ^ y) & 7) * 32));
    return master;
}

int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *rowA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rowB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            count += (rowA[x] & 0xffffff) != (rowB[x] & 0xffffff) ? 1 : 0;
    }
    return count;
}

// Fragments drawn on each pixel of one frame, counted in the stencil buffer; `passes` frames are
// drawn on top of each other. Empty when no GL context or framebuffer can be had.
std::vector<unsigned char> fragmentsPerPixel(TunnelRenderer::Options options, QSize size, double phase, int passes)
{
    QOpenGLContext context;
    context.setFormat(TunnelRenderer::surfaceFormat());
    QOffscreenSurface surface;
    if (!context.create())
        return {};
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface))
        return {};
    std::vector<unsigned char> counts;
    {
        QOpenGLFramebufferObject fbo(size, QOpenGLFramebufferObject::CombinedDepthStencil);
        if (fbo.isValid() && fbo.bind()) {
            TunnelRenderer renderer(options);
            renderer.prepare(detailedMaster());
            TunnelRenderer::setViewportAndProjection(size.width(), size.height());
            glClearStencil(0);
            glClear(GL_STENCIL_BUFFER_BIT);
            glEnable(GL_STENCIL_TEST);
            glStencilFunc(GL_ALWAYS, 0, 0xff);
            glStencilOp(GL_INCR, GL_INCR, GL_INCR); // every fragment counts, whatever the depth test says
            for (int pass = 0; pass < passes; ++pass)
                renderer.drawFrame(phase);
            counts.resize(std::size_t(size.width()) * std::size_t(size.height()));
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, size.width(), size.height(), GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, counts.data());
            fbo.release();
        }
    }
    context.doneCurrent();
    return counts;
}

TunnelRenderer::Options firstDrawing() { return {true, true}; }
} // namespace

class tst_tunnelrendereroptions : public QObject
{
    Q_OBJECT

private:
    QImage master_ = detailedMaster();

private slots:
    void everyOptionDrawsTheFirstDrawingsPixels_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("phase");
        QTest::newRow("320x240 at rest") << QSize(320, 240) << 0.0;
        QTest::newRow("320x240 mid-swing") << QSize(320, 240) << 47.25;
        QTest::newRow("1024x768 at rest") << QSize(1024, 768) << 0.0;
        QTest::newRow("1024x768 after long run") << QSize(1024, 768) << 123456.5;
        QTest::newRow("1920x1080 at rest") << QSize(1920, 1080) << 0.0;
        QTest::newRow("1920x1080 one wrap on") << QSize(1920, 1080) << 121.0;
        QTest::newRow("odd 333x197") << QSize(333, 197) << 19.75;
        QTest::newRow("portrait 241x433") << QSize(241, 433) << 88.0;
        QTest::newRow("tiny 7x5") << QSize(7, 5) << 3.0;
    }
    void everyOptionDrawsTheFirstDrawingsPixels()
    {
        QFETCH(QSize, size);
        QFETCH(double, phase);
        const QImage reference = TunnelRenderer::renderFrame(master_, phase, size, firstDrawing());
        QVERIFY2(!reference.isNull(), "no GL frame could be drawn");
        // Not a blank frame: the far opening is black, the wall halfway out is not.
        QVERIFY(qGray(reference.pixel(size.width() / 2, size.height() / 4)) > 0);
        struct Variant {
            const char *name;
            TunnelRenderer::Options options;
        };
        const Variant variants[] = {{"no depth test", {false, true}},
                                    {"vertex arrays", {true, false}},
                                    {"the saver's own", TunnelRenderer::Options{}}};
        for (const Variant &variant : variants) {
            const QImage frame = TunnelRenderer::renderFrame(master_, phase, size, variant.options);
            QVERIFY2(differingPixels(frame, reference) == 0,
                     qPrintable(QStringLiteral("%1: %2 pixels differ")
                                    .arg(QLatin1String(variant.name))
                                    .arg(differingPixels(frame, reference))));
        }
    }

    void noPixelIsCoveredTwice_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("depthTest");
        QTest::newRow("320x240") << QSize(320, 240) << false;
        QTest::newRow("1920x1080") << QSize(1920, 1080) << false;
        QTest::newRow("1920x1080 depth-tested") << QSize(1920, 1080) << true;
        QTest::newRow("odd 333x197") << QSize(333, 197) << false;
        QTest::newRow("portrait 241x433") << QSize(241, 433) << false;
    }
    void noPixelIsCoveredTwice()
    {
        // The tube's geometry does not move with the phase, so one phase covers them all.
        QFETCH(QSize, size);
        QFETCH(bool, depthTest);
        const TunnelRenderer::Options options{depthTest, false};
        const std::vector<unsigned char> once = fragmentsPerPixel(options, size, 5.0, 1);
        QVERIFY2(!once.empty(), "no GL frame with a stencil buffer could be drawn");
        QCOMPARE(int(*std::max_element(once.begin(), once.end())), 1);
        // The far opening at the centre is left bare; the wall halfway out is drawn.
        const auto at = [&size](const std::vector<unsigned char> &counts, int x, int y) {
            return int(counts[std::size_t(y) * std::size_t(size.width()) + std::size_t(x)]);
        };
        QCOMPARE(at(once, size.width() / 2, size.height() / 2), 0);
        QCOMPARE(at(once, size.width() / 2, size.height() / 4), 1);
        const auto bare = std::count(once.begin(), once.end(), 0);
        // The count itself works: a second frame on top counts twice everywhere the first drew.
        const std::vector<unsigned char> twice = fragmentsPerPixel(options, size, 5.0, 2);
        QCOMPARE(int(*std::max_element(twice.begin(), twice.end())), 2);
        QCOMPARE(std::count(twice.begin(), twice.end(), 0), bare);
    }
};

QTEST_MAIN(tst_tunnelrendereroptions)
#include "tst_tunnelrendereroptions.moc"
