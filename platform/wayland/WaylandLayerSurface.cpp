// One full-output overlay layer surface with its EGL surface; see WaylandLayerSurface.h.
#include "platform/wayland/WaylandLayerSurface.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandEgl.h"
#include "platform/wayland/WaylandOutput.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>

namespace {
constexpr char Namespace[] = "helixcavern";
constexpr uint32_t AllEdges = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM
                              | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
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
    zwlr_layer_surface_v1_set_size(layer_, 0, 0);
    zwlr_layer_surface_v1_set_anchor(layer_, AllEdges);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, takeKeyboard ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                                                                          : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wl_surface_commit(surface_); // no buffer: the compositor answers with the first configure
    connection.flush();
}

WaylandLayerSurface::~WaylandLayerSurface() { release(); }

QSize WaylandLayerSurface::pixelSize() const { return pixelSizeFor(logicalSize_, output_->modePixels(), output_->scale()); }

QSize WaylandLayerSurface::pixelSizeFor(QSize configured, QSize modePixels, int scale)
{
    scale = std::max(scale, 1);
    QSize logical = configured;
    if (logical.isEmpty()) // a compositor that leaves the size to us: the whole output
        logical = modePixels / scale;
    return (logical.isEmpty() ? QSize(1, 1) : logical) * scale;
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
    if (output_->scale() != bufferScale_ && wl_surface_get_version(surface_) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION) {
        bufferScale_ = output_->scale();
        wl_surface_set_buffer_scale(surface_, bufferScale_);
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
