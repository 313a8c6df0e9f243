// One full-output overlay layer surface ("helixcavern") with its wl_egl_window, EGL surface and GL context.
#pragma once

#include <QObject>
#include <QSize>
#include <QString>

#include <EGL/egl.h>

#include <cstdint>

class WaylandConnection;
class WaylandEgl;
class WaylandOutput;
struct wl_callback;
struct wl_egl_window;
struct wl_surface;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct zwlr_layer_surface_v1;

// Anchored to all four edges of its output, over every window (exclusive zone -1), on the overlay
// layer. It is configured by the compositor some time after it is made (configured() then holds);
// drawn in device pixels: at the fractional scale the compositor prefers for it where it offers
// one (a buffer of the logical size times that scale, shown at the logical size through a
// viewport), else at the output's integer scale as the buffer scale. Frames are presented
// with swap interval 0 and paced by the compositor's frame callbacks: frameDue() holds only once
// the callback of the last presented frame has come, which it does not while the output is off or
// the surface hidden.
class WaylandLayerSurface : public QObject
{
    Q_OBJECT

public:
    // `takeKeyboard`: exclusive keyboard interactivity (every key goes to this client); else none.
    WaylandLayerSurface(WaylandConnection &connection, WaylandOutput *output, const WaylandEgl &egl, bool takeKeyboard);
    ~WaylandLayerSurface() override;

    bool isConfigured() const { return configured_; }
    WaylandOutput *output() const { return output_; }
    // The size in logical pixels, and in device pixels: the configured size times the scale.
    QSize logicalSize() const;
    QSize pixelSize() const;
    // The logical size of a surface configured at `configured` (empty: the client's choice) on an
    // output of the mode `modePixels` (empty: none reported): the whole mode at the scale where
    // the size is left to the client, and one logical pixel where neither is known, so that a
    // buffer can always be made. The scale is `preferred120` / 120 where the compositor sent a
    // fractional one (not 0), else the output's integer `scale` (below 1 counts as 1).
    static QSize logicalSizeFor(QSize configured, QSize modePixels, int scale, std::uint32_t preferred120 = 0);
    // The device pixels of that surface: the logical size times the scale, rounded half away from
    // zero (at an integer scale a whole multiple of it, as the buffer scale demands).
    static QSize pixelSizeFor(QSize configured, QSize modePixels, int scale, std::uint32_t preferred120 = 0);
    // Makes the EGL window, surface and context and makes the context current. False, with the
    // reason in `failure`, when one of them cannot be had.
    bool createGl(QString *failure);
    // Makes the context current, the EGL window following the surface's size first; false without GL.
    bool makeCurrent();
    bool frameDue() const { return frameCallback_ == nullptr; }
    // Asks for the next frame callback and presents the frame drawn.
    void present();
    // Asks again for the keyboard (after another surface of the client that had it went away).
    void askForKeyboard();
    // Releases GL and takes the surface off the output; nothing is drawn afterwards.
    void release();

signals:
    // The first configure came: the surface may be drawn on.
    void configured();
    // The compositor closed the surface for good (its output going away, for one).
    void closed();
    // The callback of the last presented frame came: frameDue() holds again.
    void frameDone();

private:
    static void onConfigure(void *data, zwlr_layer_surface_v1 *, uint32_t serial, uint32_t width, uint32_t height);
    static void onClosed(void *data, zwlr_layer_surface_v1 *);
    static void onFrameDone(void *data, wl_callback *callback, uint32_t);
    static void onPreferredScale(void *data, wp_fractional_scale_v1 *, uint32_t scale);
    void followSize();
    void followScale();

    WaylandConnection &connection_;
    WaylandOutput *const output_;
    const WaylandEgl &egl_;
    const bool takeKeyboard_;
    wl_surface *surface_ = nullptr;
    zwlr_layer_surface_v1 *layer_ = nullptr;
    wp_viewport *viewport_ = nullptr;                  // where the compositor offers fractional scales
    wp_fractional_scale_v1 *fractionalScale_ = nullptr;
    std::uint32_t preferred120_ = 0;                   // the fractional scale sent, in 120ths; 0: none yet
    QSize viewportDestination_;                        // the destination the viewport was last given
    wl_egl_window *window_ = nullptr;
    EGLSurface eglSurface_ = EGL_NO_SURFACE;
    EGLContext context_ = EGL_NO_CONTEXT;
    wl_callback *frameCallback_ = nullptr;
    bool configured_ = false;
    QSize logicalSize_;
    QSize windowPixels_; // the size the EGL window has
    int bufferScale_ = 1;
};
