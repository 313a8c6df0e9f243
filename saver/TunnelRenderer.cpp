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

void TunnelRenderer::prepare(const QImage &master)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    loadTexture(master);
    createTunnel();
}

bool TunnelRenderer::loadTexture(const QImage &master)
{
    const QImage rgb32 = master.format() == QImage::Format_RGB32 ? master : master.convertToFormat(QImage::Format_RGB32);
    MasterPixels pixels;
    const PixelView view{reinterpret_cast<const std::uint32_t *>(rgb32.constBits()), rgb32.width(),
                         rgb32.height(), rgb32.bytesPerLine() / 4};
    if (!pixels.read(view))
        return false;
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
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -EyeDistance);
    TunnelAnimation::computeTexCoords(phase, texCoords_);
    for (int k = 0; k < tunnel::Rings; ++k)
        drawRing(k);
}

void TunnelRenderer::drawRing(int k) const
{
    const float v = TunnelAnimation::ringBrightness(k);
    glColor3f(v, v, v);
    glBegin(GL_QUADS);
    for (int m = 0; m < tunnel::Segments; ++m) {
        // Corners (m, k), (m + 1, k), (m + 1, k + 1), (m, k + 1).
        const int corners[4] = {tunnel::entry(m, k), tunnel::entry(m + 1, k), tunnel::entry(m + 1, k + 1),
                                tunnel::entry(m, k + 1)};
        for (int i : corners) {
            glTexCoord2f(texCoords_[i].S, texCoords_[i].T);
            glVertex3f(vertices_[i].X, vertices_[i].Y, vertices_[i].Z);
        }
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
            auto renderer = std::make_unique<TunnelRenderer>();
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
