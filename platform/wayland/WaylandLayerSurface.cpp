// One full-output overlay layer surface with its EGL surface; see WaylandLayerSurface.h.
#include "platform/wayland/WaylandLayerSurface.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandEgl.h"
#include "platform/wayland/WaylandOutput.h"

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>

namespace {
constexpr char Namespace[] = "helixcavern";
constexpr uint32_t AllEdges = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM
                              | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
// A fractional scale's denominator, as the compositor sends it.
constexpr qint64 FractionalDenominator = 120;

// A scale as numerator and denominator: an integer scale over 1, a fractional one over 120.
struct Scale {
    qint64 numerator;
    qint64 denominator;
};

Scale scaleOf(int scale, std::uint32_t preferred120)
{
    if (preferred120 > 0)
        return {qint64(preferred120), FractionalDenominator};
    return {std::max(scale, 1), 1};
}

// numerator / denominator, both positive, rounded half away from zero.
int divideRounded(qint64 numerator, qint64 denominator) { return int((2 * numerator + denominator) / (2 * denominator)); }
} // namespace

WaylandLayerSurface::WaylandLayerSurface(WaylandConnection &connection, WaylandOutput *output, const WaylandEgl &egl,
                                         bool takeKeyboard)
    : connection_(connection), output_(output), egl_(egl), takeKeyboard_(takeKeyboard)
{
    static const zwlr_layer_surface_v1_listener listener = {.configure = &WaylandLayerSurface::onConfigure,
                                                            .closed = &WaylandLayerSurface::onClosed};
    surface_ = wl_compositor_create_surface(connection.compositor());
    layer_ = zwlr_layer_shell_v1_get_layer_surface(connection.layerShell(), surface_, output->get(),
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, Namespace);
    zwlr_layer_surface_v1_add_listener(layer_, &listener, this);
    if (connection.viewporter() != nullptr && connection.fractionalScaleManager() != nullptr) {
        static const wp_fractional_scale_v1_listener scaleListener = {.preferred_scale = &WaylandLayerSurface::onPreferredScale};
        viewport_ = wp_viewporter_get_viewport(connection.viewporter(), surface_);
        fractionalScale_ = wp_fractional_scale_manager_v1_get_fractional_scale(connection.fractionalScaleManager(), surface_);
        wp_fractional_scale_v1_add_listener(fractionalScale_, &scaleListener, this);
    }
    zwlr_layer_surface_v1_set_size(layer_, 0, 0);
    zwlr_layer_surface_v1_set_anchor(layer_, AllEdges);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, takeKeyboard ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                                                                          : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wl_surface_commit(surface_); // no buffer: the compositor answers with the first configure
    connection.flush();
}

WaylandLayerSurface::~WaylandLayerSurface() { release(); }

QSize WaylandLayerSurface::logicalSize() const
{
    return logicalSizeFor(logicalSize_, output_->modePixels(), output_->scale(), preferred120_);
}

QSize WaylandLayerSurface::pixelSize() const
{
    return pixelSizeFor(logicalSize_, output_->modePixels(), output_->scale(), preferred120_);
}

QSize WaylandLayerSurface::logicalSizeFor(QSize configured, QSize modePixels, int scale, std::uint32_t preferred120)
{
    if (!configured.isEmpty())
        return configured;
    // A compositor that leaves the size to us: the whole output.
    const Scale s = scaleOf(scale, preferred120);
    const QSize logical(divideRounded(modePixels.width() * s.denominator, s.numerator),
                        divideRounded(modePixels.height() * s.denominator, s.numerator));
    return logical.isEmpty() ? QSize(1, 1) : logical;
}

QSize WaylandLayerSurface::pixelSizeFor(QSize configured, QSize modePixels, int scale, std::uint32_t preferred120)
{
    const QSize logical = logicalSizeFor(configured, modePixels, scale, preferred120);
    const Scale s = scaleOf(scale, preferred120);
    return QSize(std::max(divideRounded(logical.width() * s.numerator, s.denominator), 1),
                 std::max(divideRounded(logical.height() * s.numerator, s.denominator), 1));
}

void WaylandLayerSurface::onConfigure(void *data, zwlr_layer_surface_v1 *layer, uint32_t serial, uint32_t width, uint32_t height)
{
    auto *self = static_cast<WaylandLayerSurface *>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    self->logicalSize_ = QSize(int(width), int(height));
    if (!self->configured_) {
        self->configured_ = true;
        emit self->configured();
    }
}

void WaylandLayerSurface::onPreferredScale(void *data, wp_fractional_scale_v1 *, uint32_t scale)
{
    static_cast<WaylandLayerSurface *>(data)->preferred120_ = scale;
}

void WaylandLayerSurface::onClosed(void *data, zwlr_layer_surface_v1 *) { emit static_cast<WaylandLayerSurface *>(data)->closed(); }

bool WaylandLayerSurface::createGl(QString *failure)
{
    windowPixels_ = pixelSize();
    window_ = wl_egl_window_create(surface_, windowPixels_.width(), windowPixels_.height());
    if (window_ != nullptr)
        eglSurface_ = eglCreateWindowSurface(egl_.display(), egl_.config(), reinterpret_cast<EGLNativeWindowType>(window_), nullptr);
    if (eglSurface_ != EGL_NO_SURFACE)
        context_ = egl_.createContext();
    if (context_ == EGL_NO_CONTEXT || !eglMakeCurrent(egl_.display(), eglSurface_, eglSurface_, context_)) {
        *failure = QStringLiteral("no OpenGL context with 24-bit colour and a 16-bit depth buffer can be made on the Wayland surface");
        release();
        return false;
    }
    // Several surfaces share one thread: a swap must never wait for another output's retrace.
    eglSwapInterval(egl_.display(), 0);
    return true;
}

void WaylandLayerSurface::followSize()
{
    const QSize pixels = pixelSize();
    if (pixels != windowPixels_) {
        windowPixels_ = pixels;
        wl_egl_window_resize(window_, pixels.width(), pixels.height(), 0, 0);
    }
    followScale();
}

// At a fractional scale the buffer is shown at the logical size through the viewport, with a
// buffer scale of 1; at an integer scale the buffer scale says how many pixels make one.
void WaylandLayerSurface::followScale()
{
    const int bufferScale = preferred120_ > 0 ? 1 : output_->scale();
    if (bufferScale != bufferScale_ && wl_surface_get_version(surface_) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION) {
        bufferScale_ = bufferScale;
        wl_surface_set_buffer_scale(surface_, bufferScale_);
    }
    if (viewport_ == nullptr || preferred120_ == 0)
        return;
    const QSize destination = logicalSize();
    if (destination != viewportDestination_) {
        viewportDestination_ = destination;
        wp_viewport_set_destination(viewport_, destination.width(), destination.height());
    }
}

bool WaylandLayerSurface::makeCurrent()
{
    if (context_ == EGL_NO_CONTEXT)
        return false;
    followSize();
    return eglMakeCurrent(egl_.display(), eglSurface_, eglSurface_, context_);
}

void WaylandLayerSurface::present()
{
    static const wl_callback_listener listener = {.done = &WaylandLayerSurface::onFrameDone};
    frameCallback_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frameCallback_, &listener, this);
    eglSwapBuffers(egl_.display(), eglSurface_); // commits the surface with the frame
}

void WaylandLayerSurface::onFrameDone(void *data, wl_callback *callback, uint32_t)
{
    auto *self = static_cast<WaylandLayerSurface *>(data);
    wl_callback_destroy(callback);
    if (self->frameCallback_ != callback)
        return;
    self->frameCallback_ = nullptr;
    emit self->frameDone();
}

void WaylandLayerSurface::askForKeyboard()
{
    if (layer_ == nullptr || !takeKeyboard_)
        return;
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    wl_surface_commit(surface_);
}

void WaylandLayerSurface::release()
{
    if (context_ != EGL_NO_CONTEXT) {
        eglMakeCurrent(egl_.display(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(egl_.display(), context_);
        context_ = EGL_NO_CONTEXT;
    }
    if (eglSurface_ != EGL_NO_SURFACE) {
        eglDestroySurface(egl_.display(), eglSurface_);
        eglSurface_ = EGL_NO_SURFACE;
    }
    if (window_ != nullptr) {
        wl_egl_window_destroy(window_);
        window_ = nullptr;
    }
    if (frameCallback_ != nullptr) {
        wl_callback_destroy(frameCallback_);
        frameCallback_ = nullptr;
    }
    if (fractionalScale_ != nullptr) {
        wp_fractional_scale_v1_destroy(fractionalScale_);
        fractionalScale_ = nullptr;
    }
    if (viewport_ != nullptr) {
        wp_viewport_destroy(viewport_);
        viewport_ = nullptr;
    }
    if (layer_ != nullptr) {
        zwlr_layer_surface_v1_destroy(layer_);
        layer_ = nullptr;
    }
    if (surface_ != nullptr) {
        wl_surface_destroy(surface_);
        surface_ = nullptr;
    }
    connection_.flush();
}
