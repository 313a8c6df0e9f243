// A window of the toolkit's X11 connection inside a foreign window, made for OpenGL; see X11ChildWindow.h.
#include "platform/X11ChildWindow.h"

#include "platform/ToolkitX11.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct XFreeDeleter {
    void operator()(void *data) const { XFree(data); }
};

// The attributes the toolkit's GLX integration asks glXChooseFBConfig for, for windows of `format`.
std::vector<int> configAttributes(const QSurfaceFormat &format)
{
    std::vector<int> attributes{GLX_LEVEL, 0, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                                GLX_RED_SIZE, std::max(1, format.redBufferSize()),
                                GLX_GREEN_SIZE, std::max(1, format.greenBufferSize()),
                                GLX_BLUE_SIZE, std::max(1, format.blueBufferSize()),
                                GLX_ALPHA_SIZE, std::max(0, format.alphaBufferSize())};
    const auto add = [&attributes](int name, int value) { attributes.insert(attributes.end(), {name, value}); };
    if (format.swapBehavior() != QSurfaceFormat::SingleBuffer)
        add(GLX_DOUBLEBUFFER, True);
    if (format.stereo())
        add(GLX_STEREO, True);
    if (format.depthBufferSize() != -1)
        add(GLX_DEPTH_SIZE, format.depthBufferSize());
    if (format.stencilBufferSize() != -1)
        add(GLX_STENCIL_SIZE, format.stencilBufferSize());
    if (format.samples() > 1) {
        add(GLX_SAMPLE_BUFFERS_ARB, 1);
        add(GLX_SAMPLES_ARB, format.samples());
    }
    add(GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT);
    attributes.push_back(None);
    return attributes;
}

// One step down, in the order the toolkit lowers a format that no configuration offers; false
// when nothing is left to lower.
bool lower(QSurfaceFormat &format)
{
    if (std::max({format.redBufferSize(), format.greenBufferSize(), format.blueBufferSize()}) > 8) {
        if (format.alphaBufferSize() > 2) {
            format.setAlphaBufferSize(2);
        } else {
            format.setRedBufferSize(std::min(format.redBufferSize(), 8));
            format.setGreenBufferSize(std::min(format.greenBufferSize(), 8));
            format.setBlueBufferSize(std::min(format.blueBufferSize(), 8));
        }
    } else if (format.redBufferSize() > 1) {
        format.setRedBufferSize(1);
    } else if (format.greenBufferSize() > 1) {
        format.setGreenBufferSize(1);
    } else if (format.blueBufferSize() > 1) {
        format.setBlueBufferSize(1);
    } else if (format.swapBehavior() != QSurfaceFormat::SingleBuffer) {
        format.setSwapBehavior(QSurfaceFormat::SingleBuffer);
    } else if (format.samples() > 1) {
        format.setSamples(std::min(16, format.samples() / 2));
    } else if (format.depthBufferSize() >= 32) {
        format.setDepthBufferSize(24);
    } else if (format.depthBufferSize() > 0) {
        format.setDepthBufferSize(format.depthBufferSize() > 1 ? 1 : 0);
    } else if (format.hasAlpha()) {
        format.setAlphaBufferSize(0);
    } else if (format.stencilBufferSize() > 0) {
        format.setStencilBufferSize(format.stencilBufferSize() > 1 ? 1 : 0);
    } else if (format.stereo()) {
        format.setStereo(false);
    } else {
        return false;
    }
    return true;
}

constexpr int ChannelSizes[] = {GLX_RED_SIZE, GLX_GREEN_SIZE, GLX_BLUE_SIZE, GLX_ALPHA_SIZE};

int configAttribute(Display *display, GLXFBConfig config, int name)
{
    int value = 0;
    glXGetFBConfigAttrib(display, config, name, &value);
    return value;
}

// Among the configurations offered for `format`, the one the toolkit takes: the first whose red,
// green, blue and alpha sizes are the ones asked for, else the first with at least those.
GLXFBConfig chooseAmong(Display *display, const GLXFBConfig *configs, int count, const QSurfaceFormat &format)
{
    const int asked[] = {std::max(0, format.redBufferSize()), std::max(0, format.greenBufferSize()),
                         std::max(0, format.blueBufferSize()), std::max(0, format.alphaBufferSize())};
    GLXFBConfig compatible = nullptr;
    for (int i = 0; i < count; ++i) {
        const std::unique_ptr<XVisualInfo, XFreeDeleter> visual(glXGetVisualFromFBConfig(display, configs[i]));
        if (!visual)
            continue;
        int actual[4];
        for (int channel = 0; channel < 4; ++channel)
            actual[channel] = configAttribute(display, configs[i], ChannelSizes[channel]);
        // Some visuals leave the alpha channel out of their depth.
        actual[3] = std::min(actual[3], visual->depth - actual[0] - actual[1] - actual[2]);
        bool enough = true, exact = true;
        for (int channel = 0; channel < 4; ++channel) {
            enough = enough && (asked[channel] == 0 || actual[channel] >= asked[channel]);
            exact = exact && (asked[channel] == 0 || actual[channel] == asked[channel]);
        }
        if (enough && exact)
            return configs[i];
        if (enough && compatible == nullptr)
            compatible = configs[i];
    }
    return compatible;
}

// The visual of the configuration the toolkit's GLX integration takes for windows of `format`
// (a context of that format is made from the same one); null when the server offers none.
std::unique_ptr<XVisualInfo, XFreeDeleter> visualFor(Display *display, int screen, QSurfaceFormat format)
{
    GLXFBConfig first = nullptr;
    GLXFBConfig chosen = nullptr;
    do {
        int count = 0;
        const std::unique_ptr<GLXFBConfig, XFreeDeleter> configs(
            glXChooseFBConfig(display, screen, configAttributes(format).data(), &count));
        if (first == nullptr && count > 0)
            first = configs.get()[0];
        chosen = chooseAmong(display, configs.get(), count, format);
    } while (chosen == nullptr && lower(format));
    return std::unique_ptr<XVisualInfo, XFreeDeleter>(
        chosen != nullptr || first != nullptr ? glXGetVisualFromFBConfig(display, chosen != nullptr ? chosen : first) : nullptr);
}

// Sends a request whose error, if the server has one for it, is dropped instead of reaching the
// toolkit's event queue, where it would be reported.
void sendQuietly(xcb_connection_t *connection, xcb_void_cookie_t cookie) { xcb_discard_reply(connection, cookie.sequence); }

} // namespace

X11ChildWindow::X11ChildWindow(WindowId host, const QSurfaceFormat &format, QSize pixels) : size_(pixels)
{
    Display *display = ToolkitX11::display();
    xcb_connection_t *connection = ToolkitX11::connection();
    if (display == nullptr || connection == nullptr || host == 0)
        return;
    const auto visual = visualFor(display, DefaultScreen(display), format);
    if (!visual)
        return;
    const xcb_window_t window = xcb_generate_id(connection);
    const xcb_colormap_t colormap = xcb_generate_id(connection);
    sendQuietly(connection, xcb_create_colormap_checked(connection, XCB_COLORMAP_ALLOC_NONE, colormap,
                                                        xcb_window_t(host), xcb_visualid_t(visual->visualid)));
    const uint32_t mask = XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_BIT_GRAVITY | XCB_CW_COLORMAP;
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0, XCB_GRAVITY_NORTH_WEST, colormap};
    xcb_generic_error_t *error = xcb_request_check(
        connection, xcb_create_window_checked(connection, uint8_t(visual->depth), window, xcb_window_t(host), 0, 0,
                                              uint16_t(std::max(1, pixels.width())), uint16_t(std::max(1, pixels.height())),
                                              0, XCB_WINDOW_CLASS_INPUT_OUTPUT, xcb_visualid_t(visual->visualid), mask,
                                              values));
    if (error != nullptr) {
        std::free(error);
        sendQuietly(connection, xcb_free_colormap_checked(connection, colormap));
        return;
    }
    window_ = window;
    colormap_ = colormap;
    sendQuietly(connection, xcb_map_window_checked(connection, window));
    xcb_flush(connection);
}

X11ChildWindow::~X11ChildWindow()
{
    xcb_connection_t *connection = ToolkitX11::connection();
    if (window_ == 0 || connection == nullptr)
        return;
    sendQuietly(connection, xcb_destroy_window_checked(connection, xcb_window_t(window_)));
    sendQuietly(connection, xcb_free_colormap_checked(connection, xcb_colormap_t(colormap_)));
    xcb_flush(connection);
}

void X11ChildWindow::resize(QSize pixels)
{
    xcb_connection_t *connection = ToolkitX11::connection();
    size_ = pixels;
    if (window_ == 0 || connection == nullptr)
        return;
    const uint32_t values[] = {uint32_t(std::max(1, pixels.width())), uint32_t(std::max(1, pixels.height()))};
    sendQuietly(connection, xcb_configure_window_checked(connection, xcb_window_t(window_),
                                                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values));
    xcb_flush(connection);
}
