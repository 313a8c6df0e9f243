// The tunnel's OpenGL 1.1 drawing.
#include "saver/TunnelRenderer.h"

#include "saver/MasterPixels.h"
#include "saver/TunnelAnimation.h"
#include "saver/TunnelGeometry.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

#include <GL/gl.h>
#include <GL/glu.h>

#include <memory>

namespace {
// Restores the context (and its surface) that was current when it was made.
class CurrentContextKeeper
{
public:
    CurrentContextKeeper() : context_(QOpenGLContext::currentContext()), surface_(context_ ? context_->surface() : nullptr) {}
    ~CurrentContextKeeper()
    {
        if (context_ != nullptr && surface_ != nullptr)
            context_->makeCurrent(surface_);
    }
    CurrentContextKeeper(const CurrentContextKeeper &) = delete;
    CurrentContextKeeper &operator=(const CurrentContextKeeper &) = delete;

private:
    QOpenGLContext *context_;
    QSurface *surface_;
};

} // namespace

// Why the saver needs no depth test: ring d of the tube is a circle of radius 3 - d/12 at z = -d,
// seen from 4 units before the mouth, so it projects to a regular 32-gon of radius proportional to
// (3 - d/12) / (4 + d), which shrinks strictly with d, and every ring has its corners at the same
// 32 angles. The quads between rings d and d + 1 therefore cover nested, non-overlapping bands of
// the screen, neighbours meeting only along edges with bit-identical end points, which the
// rasteriser gives to exactly one of them. No pixel is covered twice, so a depth test against a
// cleared buffer never rejects a fragment (all of them lie between the near and far planes) and
// neither the test nor the depth clear changes a pixel; the tests count every fragment per pixel
// to check this. The surface still has a depth buffer, for the depth-test option.
void TunnelRenderer::prepare(const QImage &master)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    if (options_.depthTest) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    loadTexture(master);
    createTunnel();
}

bool TunnelRenderer::loadTexture(const QImage &master)
{
    MasterPixels pixels;
    {
        const QImage rgb32 = master.format() == QImage::Format_RGB32 ? master : master.convertToFormat(QImage::Format_RGB32);
        const PixelView view{reinterpret_cast<const std::uint32_t *>(rgb32.constBits()), rgb32.width(),
                             rgb32.height(), rgb32.bytesPerLine() / 4};
        if (!pixels.read(view))
            return false;
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    constexpr GLint threeComponents = 3;
    glTexImage2D(GL_TEXTURE_2D, 0, threeComponents, pixels.width, pixels.height, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, pixels.bytes.constData());
    return true; // the bytes are freed here; GL keeps its own copy
}

void TunnelRenderer::createTunnel()
{
    TunnelGeometry::build(vertices_);
    int corner = 0;
    for (int k = 0; k < tunnel::Rings; ++k) {
        for (int m = 0; m < tunnel::Segments; ++m) {
            for (const int i : {tunnel::entry(m, k), tunnel::entry(m + 1, k), tunnel::entry(m + 1, k + 1),
                                tunnel::entry(m, k + 1)}) {
                cornerEntries_[corner] = i;
                cornerPositions_[corner] = vertices_[i];
                ++corner;
            }
        }
    }
}

void TunnelRenderer::setViewportAndProjection(int w, int h)
{
    if (h == 0)
        h = 1;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FieldOfViewDegrees, static_cast<double>(w) / static_cast<double>(h), NearPlane, FarPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void TunnelRenderer::drawFrame(double phase)
{
    // Without the depth test the depth buffer is never read, so it needs no clearing either.
    glClear(options_.depthTest ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -EyeDistance);
    TunnelAnimation::computeTexCoords(phase, texCoords_);
    if (options_.immediateMode) {
        for (int k = 0; k < tunnel::Rings; ++k)
            drawRingImmediate(k);
        return;
    }
    fillCornerTexCoords();
    drawRingsFromArrays();
}

void TunnelRenderer::fillCornerTexCoords()
{
    for (int corner = 0; corner < Corners; ++corner)
        cornerTexCoords_[corner] = texCoords_[cornerEntries_[corner]];
}

// The same vertices, in the same order and with the same values, as drawRingImmediate sends one
// call at a time, and the ring's colour set once before its quads: the driver draws the same
// pixels with a fraction of the calls. (Shared corners as indices, or the quads split into
// triangles by hand, change the rasterisation and so are not used.)
void TunnelRenderer::drawRingsFromArrays() const
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(tunnel::Vector3), cornerPositions_.data());
    glTexCoordPointer(2, GL_FLOAT, sizeof(tunnel::Vector2), cornerTexCoords_.data());
    for (int k = 0; k < tunnel::Rings; ++k) {
        const float v = TunnelAnimation::ringBrightness(k);
        glColor3f(v, v, v);
        glDrawArrays(GL_QUADS, k * CornersPerRing, CornersPerRing);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void TunnelRenderer::drawRingImmediate(int k) const
{
    const float v = TunnelAnimation::ringBrightness(k);
    glColor3f(v, v, v);
    glBegin(GL_QUADS);
    for (int corner = k * CornersPerRing; corner < (k + 1) * CornersPerRing; ++corner) {
        const int i = cornerEntries_[corner];
        glTexCoord2f(texCoords_[i].S, texCoords_[i].T);
        glVertex3f(vertices_[i].X, vertices_[i].Y, vertices_[i].Z);
    }
    glEnd();
}

QSurfaceFormat TunnelRenderer::surfaceFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(16);
    return format;
}

QImage TunnelRenderer::renderFrame(const QImage &master512, double phase, QSize size)
{
    return renderFrame(master512, phase, size, Options{});
}

QImage TunnelRenderer::renderFrame(const QImage &master512, double phase, QSize size, Options options)
{
    if (size.isEmpty())
        return {};
    CurrentContextKeeper keeper;
    QOpenGLContext context;
    context.setFormat(surfaceFormat());
    if (!context.create())
        return {};
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return {};
    QImage frame;
    {
        QOpenGLFramebufferObject fbo(size, QOpenGLFramebufferObject::Depth);
        if (fbo.isValid() && fbo.bind()) {
            auto renderer = std::make_unique<TunnelRenderer>(options);
            renderer->prepare(master512);
            setViewportAndProjection(size.width(), size.height());
            renderer->drawFrame(phase);
            glFinish();
            frame = fbo.toImage().convertToFormat(QImage::Format_RGB32);
            fbo.release();
        }
    }
    context.doneCurrent();
    return frame;
}
