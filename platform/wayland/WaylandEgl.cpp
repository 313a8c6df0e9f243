// EGL on a Wayland connection; see WaylandEgl.h.
#include "platform/wayland/WaylandEgl.h"

#include <EGL/eglext.h>

#include <vector>

namespace {
EGLDisplay platformDisplay(wl_display *display)
{
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr)
        return eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(display));
    return getPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display, nullptr);
}

EGLint attribute(EGLDisplay display, EGLConfig config, EGLint name)
{
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}
} // namespace

WaylandEgl::WaylandEgl(wl_display *display)
{
    display_ = platformDisplay(display);
    EGLint major = 0;
    EGLint minor = 0;
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, &major, &minor)) {
        failure_ = QStringLiteral("EGL cannot be started on the Wayland connection");
        display_ = EGL_NO_DISPLAY;
        return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        failure_ = QStringLiteral("EGL offers no desktop OpenGL");
        return;
    }
    config_ = chooseConfig();
    if (config_ == nullptr)
        failure_ = QStringLiteral("no EGL config with 24-bit colour and a 16-bit depth buffer is available");
}

WaylandEgl::~WaylandEgl()
{
    if (display_ != EGL_NO_DISPLAY) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglTerminate(display_);
    }
}

// Window configs for desktop GL with 8 bits of red, green and blue and no alpha; of those, the one
// with a depth buffer closest above 16 bits (16 itself where offered).
EGLConfig WaylandEgl::chooseConfig()
{
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                             EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display_, wanted, nullptr, 0, &count) || count <= 0)
        return nullptr;
    std::vector<EGLConfig> configs(std::size_t(count), nullptr);
    eglChooseConfig(display_, wanted, configs.data(), count, &count);
    EGLConfig best = nullptr;
    EGLint bestDepth = 0;
    for (EGLConfig config : configs) {
        const bool exact = attribute(display_, config, EGL_RED_SIZE) == 8 && attribute(display_, config, EGL_GREEN_SIZE) == 8
                           && attribute(display_, config, EGL_BLUE_SIZE) == 8 && attribute(display_, config, EGL_ALPHA_SIZE) == 0;
        const EGLint depth = attribute(display_, config, EGL_DEPTH_SIZE);
        if (exact && depth >= 16 && (best == nullptr || depth < bestDepth)) {
            best = config;
            bestDepth = depth;
        }
    }
    return best;
}

EGLContext WaylandEgl::createContext() const
{
    if (!isValid())
        return EGL_NO_CONTEXT;
    eglBindAPI(EGL_OPENGL_API);
    return eglCreateContext(display_, config_, EGL_NO_CONTEXT, nullptr);
}
