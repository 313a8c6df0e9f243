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
struct zwlr_layer_surface_v1;

// Anchored to all four edges of its output, over every window (exclusive zone -1), on the overlay
// layer. It is configured by the compositor some time after it is made (configured() then holds);
// drawn in device pixels (the output's integer scale as the buffer scale). Frames are presented
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
    // The configured size times the output's scale.
    QSize pixelSize() const;
    // The device pixels of a surface configured at `configured` (logical; empty: the client's
    // choice) on an output of the mode `modePixels` (empty: none reported) and `scale`: the whole
    // mode where the size is left to the client, and one logical pixel where neither is known, so
    // that a buffer can always be made (always a whole multiple of the scale, as the buffer scale
    // demands).
    static QSize pixelSizeFor(QSize configured, QSize modePixels, int scale);
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
    void followSize();

    WaylandConnection &connection_;
    WaylandOutput *const output_;
    const WaylandEgl &egl_;
    const bool takeKeyboard_;
    wl_surface *surface_ = nullptr;
    zwlr_layer_surface_v1 *layer_ = nullptr;
    wl_egl_window *window_ = nullptr;
    EGLSurface eglSurface_ = EGL_NO_SURFACE;
    EGLContext context_ = EGL_NO_CONTEXT;
    wl_callback *frameCallback_ = nullptr;
    bool configured_ = false;
    QSize logicalSize_;
    QSize windowPixels_; // the size the EGL window has
    int bufferScale_ = 1;
};
