// The tunnel's OpenGL 1.1 drawing: render state, texture upload, projection and one frame; used by
// the saver window and, off screen, by anyone who needs a picture of the tunnel.
#pragma once

#include "saver/TunnelTypes.h"

#include <QImage>
#include <QSize>
#include <QSurfaceFormat>

#include <array>

class TunnelRenderer
{
public:
    // How a frame is put together. The defaults are what the saver draws with; each flag turned on
    // draws the same frame in a costlier way. Every combination gives the same pixels, which the
    // tests check; the benchmark weighs what each way costs.
    struct Options {
        // Depth test (GL_LESS) and a cleared depth buffer every frame.
        bool depthTest = false;
        // glBegin/glEnd with one glTexCoord2f and glVertex3f per corner instead of vertex arrays.
        bool immediateMode = false;
    };

    TunnelRenderer() = default;
    explicit TunnelRenderer(Options options) : options_(options) {}

    // Draws one frame of the tunnel textured with `master512` (a 512 x 512 master image) at animation
    // phase `phase` into an off-screen image of `size` pixels (Format_RGB32), with the same drawing
    // code as the saver: same state, projection, geometry, texture coordinates and ring brightness.
    // Needs a QGuiApplication; makes and frees a GL context of its own and restores whatever context
    // was current. Returns a null image when no GL context or framebuffer can be had.
    static QImage renderFrame(const QImage &master512, double phase, QSize size);
    // The same, drawn with `options`.
    static QImage renderFrame(const QImage &master512, double phase, QSize size, Options options);

    // The buffers the tunnel is drawn with: RGB 8/8/8 and a 16-bit depth buffer.
    static QSurfaceFormat surfaceFormat();

    // All of the following need a current GL context.

    // Clear colour, shading, depth state, perspective hint and texturing; then the texture upload
    // from `master` and the tube geometry, in that order.
    void prepare(const QImage &master);
    // Uploads `master` as the one 2-D texture (modulated by the vertex colour, linear filters,
    // repeat wrap). False when the image could not be read back.
    static bool loadTexture(const QImage &master);
    // Viewport (0, 0, w, h) and a 45-degree perspective with near 1 and far 100; a zero height
    // counts as 1. Leaves the model-view matrix current and set to identity.
    static void setViewportAndProjection(int w, int h);
    // Clears and draws the 32 rings of the tube for `phase` (does not present).
    void drawFrame(double phase);

    static constexpr double FieldOfViewDegrees = 45.0;
    static constexpr double NearPlane = 1.0;
    static constexpr double FarPlane = 100.0;
    static constexpr float EyeDistance = 4.0f; // the tube's mouth lies 4 units in front of the eye

    // Corners sent per ring: four per quad, quads in segment order, each quad's corners
    // (m, k), (m + 1, k), (m + 1, k + 1), (m, k + 1).
    static constexpr int CornersPerRing = 4 * tunnel::Segments;
    static constexpr int Corners = CornersPerRing * tunnel::Rings;

private:
    void createTunnel();
    void fillCornerTexCoords();
    void drawRingsFromArrays() const;
    void drawRingImmediate(int k) const;

    Options options_;
    tunnel::VertexTable vertices_{};
    tunnel::TexCoordTable texCoords_{};
    // The vertex stream of every ring, corner by corner in the order above: the table entry each
    // corner takes, its position (fixed) and its texture coordinate (refilled every frame).
    std::array<int, Corners> cornerEntries_{};
    std::array<tunnel::Vector3, Corners> cornerPositions_{};
    std::array<tunnel::Vector2, Corners> cornerTexCoords_{};
};
