// End-to-end test harness: Xvfb per test, program copies, runs, and X11 look-ups.
#include "tests/support/E2eHarness.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <unistd.h>

#ifndef HELIXCAVERN_EXE
#error "HELIXCAVERN_EXE must name the built executable"
#endif

namespace e2e {

namespace {

// Windows may vanish between a look-up and the next request; such errors are expected here.
int ignoreXError(Display *, XErrorEvent *) { return 0; }

QByteArray readProperty(Display *display, Window window, Atom property, Atom type)
{
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, 1 << 16, False, type, &actualType,
                                          &actualFormat, &count, &remaining, &data);
    QByteArray bytes;
    if (status == Success && data && actualFormat == 8)
        bytes = QByteArray(reinterpret_cast<const char *>(data), int(count));
    if (data)
        XFree(data);
    return bytes;
}

void collectWindows(Display *display, Window window, QList<Window> &out)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return;
    for (unsigned int i = 0; i < count; ++i) {
        out.append(children[i]);
        collectWindows(display, children[i], out);
    }
    if (children)
        XFree(children);
}

unsigned long pixelOf(QRgb colour)
{
    return (unsigned long)(qRed(colour)) << 16 | (unsigned long)(qGreen(colour)) << 8 | qBlue(colour);
}

QImage toQImage(XImage *image)
{
    QImage out(image->width, image->height, QImage::Format_RGB32);
    for (int y = 0; y < image->height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            line[x] = qRgb(int((p & image->red_mask) >> 16), int((p & image->green_mask) >> 8),
                           int(p & image->blue_mask));
        }
    }
    return out;
}

} // namespace

bool waitUntil(const std::function<bool()> &condition, int timeoutMs, int stepMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return condition();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, stepMs);
        QThread::msleep(stepMs);
    }
}

// ---- XServer

XServer::XServer(QSize screen) : screen_(screen), server_(std::make_unique<QProcess>())
{
    XSetErrorHandler(ignoreXError);
    const QString geometry = QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height());
    server_->setProcessChannelMode(QProcess::SeparateChannels);
    server_->setStandardErrorFile(QProcess::nullDevice());
    // -displayfd 1: the server picks a free display and writes its number to standard output
    // once it accepts connections.
    server_->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), geometry, QStringLiteral("-nolisten"),
                                            QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!server_->waitForStarted(5000))
        return;
    QByteArray number;
    QDeadlineTimer deadline(10000);
    while (!number.contains('\n') && !deadline.hasExpired() && server_->state() == QProcess::Running) {
        server_->waitForReadyRead(100);
        number += server_->readAllStandardOutput();
    }
    if (!number.contains('\n'))
        return;
    name_ = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    display_ = XOpenDisplay(name_.toLatin1().constData());
}

XServer::~XServer()
{
    if (display_)
        XCloseDisplay(display_);
    if (server_->state() != QProcess::NotRunning) {
        server_->terminate();
        if (!server_->waitForFinished(3000)) {
            server_->kill();
            server_->waitForFinished(3000);
        }
    }
}

QProcessEnvironment XServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), name_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

QImage XServer::grabScreen() const { return grabRect(QRect(QPoint(0, 0), screen_)); }

QImage XServer::grabRect(const QRect &rootRect) const
{
    if (!display_ || rootRect.isEmpty())
        return {};
    XSync(display_, False);
    XImage *image = XGetImage(display_, DefaultRootWindow(display_), rootRect.x(), rootRect.y(),
                              unsigned(rootRect.width()), unsigned(rootRect.height()), AllPlanes, ZPixmap);
    if (!image)
        return {};
    QImage out = toQImage(image);
    XDestroyImage(image);
    return out;
}

QList<WindowId> XServer::windowsWithCaption(const QString &caption) const
{
    QList<WindowId> found;
    if (!display_)
        return found;
    XSync(display_, False);
    const Atom netWmName = XInternAtom(display_, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    const QByteArray wanted = caption.toUtf8();
    QList<Window> all;
    collectWindows(display_, DefaultRootWindow(display_), all);
    for (Window w : all) {
        const QByteArray netName = readProperty(display_, w, netWmName, utf8);
        const QByteArray wmName = readProperty(display_, w, XA_WM_NAME, AnyPropertyType);
        if (netName == wanted || (!wmName.isEmpty() && (wmName == wanted || QString::fromLatin1(wmName) == caption)))
            found.append(w);
    }
    return found;
}

std::optional<WindowId> XServer::findWindow(const QString &caption) const
{
    const QList<WindowId> all = windowsWithCaption(caption);
    if (all.isEmpty())
        return std::nullopt;
    return all.first();
}

bool XServer::isViewable(WindowId window) const
{
    if (!display_)
        return false;
    XSync(display_, False);
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
}

QList<WindowId> XServer::viewableTopLevels() const
{
    QList<WindowId> out;
    if (!display_)
        return out;
    XSync(display_, False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display_, children[i], &attributes) && attributes.map_state == IsViewable)
                out.append(children[i]);
        }
        if (children)
            XFree(children);
    }
    return out;
}

std::optional<QRect> XServer::geometryOnRoot(WindowId window) const
{
    if (!display_)
        return std::nullopt;
    XSync(display_, False);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window, &attributes))
        return std::nullopt;
    int x = 0, y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child))
        return std::nullopt;
    return QRect(x, y, attributes.width, attributes.height);
}

std::optional<WindowId> XServer::parentOf(WindowId window) const
{
    if (!display_)
        return std::nullopt;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count))
        return std::nullopt;
    if (children)
        XFree(children);
    return parent;
}

WindowId XServer::createWindow(const QRect &geometry, const QString &caption, QRgb colour, WindowId parent)
{
    if (!display_)
        return 0;
    const Window container = parent ? Window(parent) : DefaultRootWindow(display_);
    const Window w = XCreateSimpleWindow(display_, container, geometry.x(), geometry.y(), unsigned(geometry.width()),
                                         unsigned(geometry.height()), 0, 0, pixelOf(colour));
    if (!caption.isEmpty()) {
        const QByteArray utf8 = caption.toUtf8();
        XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_NAME", False),
                        XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(utf8.constData()), int(utf8.size()));
        const QByteArray latin = caption.toLatin1();
        if (QString::fromLatin1(latin) == caption)
            XStoreName(display_, w, latin.constData());
    }
    XMapWindow(display_, w);
    XSync(display_, False);
    waitUntil([&] { return isViewable(w) || parent; }, 2000);
    return w;
}

void XServer::destroyWindow(WindowId window)
{
    if (!display_)
        return;
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

void XServer::unmapWindow(WindowId window)
{
    if (!display_)
        return;
    XUnmapWindow(display_, window);
    XSync(display_, False);
}

void XServer::resizeWindow(WindowId window, QSize size)
{
    if (!display_)
        return;
    XResizeWindow(display_, window, unsigned(size.width()), unsigned(size.height()));
    XSync(display_, False);
}

QList<WindowId> XServer::childrenOf(WindowId window) const
{
    QList<WindowId> found;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!display_ || !XQueryTree(display_, window, &root, &parent, &children, &count))
        return found;
    for (unsigned int i = 0; i < count; ++i)
        found << children[i];
    if (children)
        XFree(children);
    return found;
}

void XServer::setScreenshotProperty(WindowId window, const QImage &picture)
{
    if (!display_)
        return;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const int screen = DefaultScreen(display_);
    const Pixmap pixmap = XCreatePixmap(display_, window, unsigned(rgb.width()), unsigned(rgb.height()),
                                        unsigned(DefaultDepth(display_, screen)));
    const GC gc = XCreateGC(display_, pixmap, 0, nullptr);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            XSetForeground(display_, gc, pixelOf(rgb.pixel(x, y)));
            XDrawPoint(display_, pixmap, gc, x, y);
        }
    XFreeGC(display_, gc);
    const unsigned long id = pixmap;
    XChangeProperty(display_, window, XInternAtom(display_, "_SCREENSAVER_SCREENSHOT", False), XA_PIXMAP, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(&id), 1);
    XSync(display_, False);
}

bool XServer::keyboardGrabbable() const
{
    if (!display_)
        return false;
    const int result = XGrabKeyboard(display_, DefaultRootWindow(display_), False, GrabModeAsync, GrabModeAsync,
                                     CurrentTime);
    XUngrabKeyboard(display_, CurrentTime);
    XSync(display_, False);
    return result == GrabSuccess;
}

namespace {
int runOn(const XServer &server, const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.setProcessEnvironment(server.environment());
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
QString monitorName(int index) { return QStringLiteral("M%1").arg(index); }
} // namespace

bool XServer::setMonitors(const QList<QRect> &monitors)
{
    for (int i = 0; i < monitors.size(); ++i) {
        const QRect &m = monitors[i];
        // Width/millimetres x height/millimetres + x + y, at about 96 dots per inch.
        const QString geometry = QStringLiteral("%1/%2x%3/%4+%5+%6")
                                     .arg(m.width()).arg(m.width() * 254 / 960).arg(m.height())
                                     .arg(m.height() * 254 / 960).arg(m.x()).arg(m.y());
        if (runOn(*this, QStringLiteral("xrandr"), {QStringLiteral("--setmonitor"), monitorName(i), geometry,
                                                    i == 0 ? QStringLiteral("screen") : QStringLiteral("none")}) != 0)
            return false;
    }
    QByteArray listing;
    return runOn(*this, QStringLiteral("xrandr"), {QStringLiteral("--listmonitors")}, &listing) == 0
           && listing.startsWith("Monitors: " + QByteArray::number(monitors.size()));
}

bool XServer::removeMonitor(int index)
{
    return runOn(*this, QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), monitorName(index)}) == 0;
}

void XServer::fillRoot(QRgb colour)
{
    if (!display_)
        return;
    const Window root = DefaultRootWindow(display_);
    XSetWindowBackground(display_, root, pixelOf(colour));
    XClearWindow(display_, root);
    XSync(display_, False);
}

int XServer::xdotool(const QStringList &arguments) const { return runOn(*this, QStringLiteral("xdotool"), arguments); }

void XServer::sync() const
{
    if (display_)
        XSync(display_, False);
}

// ---- RootMessages

RootMessages::RootMessages(const XServer &server) : display_(XOpenDisplay(server.displayName().toLatin1().constData()))
{
    if (display_ == nullptr)
        return;
    XSelectInput(display_, DefaultRootWindow(display_), StructureNotifyMask);
    XSync(display_, False);
}

RootMessages::~RootMessages()
{
    if (display_)
        XCloseDisplay(display_);
}

QStringList RootMessages::received()
{
    if (display_ == nullptr)
        return {QStringLiteral("(no connection to the server)")};
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != ClientMessage)
            continue;
        char *name = XGetAtomName(display_, event.xclient.message_type);
        types_.append(name != nullptr ? QString::fromLatin1(name) : QString::number(event.xclient.message_type));
        if (name)
            XFree(name);
    }
    return types_;
}

// ---- ProgramCopy

ProgramCopy::ProgramCopy()
{
    if (!dir_.isValid())
        return;
    valid_ = QFile::copy(QStringLiteral(HELIXCAVERN_EXE), executable())
        && QFile::setPermissions(executable(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                    | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                    | QFile::ExeOther);
}

void ProgramCopy::writeSettings(const QByteArray &bytes) const
{
    QFile file(settingsFile());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray ProgramCopy::readSettings() const
{
    QFile file(settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ProgramCopy::settingsExist() const { return QFile::exists(settingsFile()); }

// ---- Run

Run::Run(const ProgramCopy &program, const XServer &server, const QStringList &arguments,
         const QProcessEnvironment &environment, const QList<int> &closedStreams)
    : process_(std::make_unique<QProcess>())
{
    if (!closedStreams.isEmpty())
        process_->setChildProcessModifier([closedStreams] {
            for (const int number : closedStreams)
                ::close(number);
        });
    QProcessEnvironment combined = server.environment();
    combined.insert(environment);
    process_->setProcessEnvironment(combined);
    // Not the program's own folder: it must find its settings beside itself, not in the
    // working directory.
    process_->setWorkingDirectory(QDir::rootPath());
    startedAt_ = QDateTime::currentMSecsSinceEpoch();
    process_->start(program.executable(), arguments);
    process_->waitForStarted(5000);
}

void Run::sendSignal(int signal) const
{
    if (process_->processId() > 0)
        ::kill(pid_t(process_->processId()), signal);
}

Run::~Run()
{
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(3000);
    }
}

bool Run::started() const { return process_->state() != QProcess::NotRunning || process_->error() != QProcess::FailedToStart; }
bool Run::isRunning() const { return process_->state() == QProcess::Running; }
qint64 Run::pid() const { return process_->processId(); }

bool Run::waitForExit(int timeoutMs)
{
    if (process_->state() == QProcess::NotRunning)
        return true;
    const bool ended = process_->waitForFinished(timeoutMs);
    if (ended && elapsed_ < 0)
        elapsed_ = QDateTime::currentMSecsSinceEpoch() - startedAt_;
    return ended;
}

int Run::exitCode() const { return process_->exitCode(); }
bool Run::exitedNormally() const
{
    return process_->state() == QProcess::NotRunning && process_->exitStatus() == QProcess::NormalExit;
}
// A process that a signal ended reports that signal as its exit code.
int Run::endingSignal() const
{
    return process_->state() == QProcess::NotRunning && process_->exitStatus() == QProcess::CrashExit ? process_->exitCode() : 0;
}
QByteArray Run::standardError() { return process_->readAllStandardError(); }
QByteArray Run::standardOutput() { return process_->readAllStandardOutput(); }

} // namespace e2e
