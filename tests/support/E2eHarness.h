// End-to-end test harness: an Xvfb server per test, a copy of the built program in a folder of the
// test's own, the running program, and the X11 look-ups the tests check it with.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

struct _XDisplay;

namespace e2e {

using WindowId = unsigned long;

// Polls `condition` every `stepMs` until it holds or `timeoutMs` have passed; true when it held.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs, int stepMs = 20);

// An Xvfb server owned by the test; the server chooses a free display number itself, so tests run
// in parallel. The test talks to it through its own Xlib connection.
class XServer
{
public:
    explicit XServer(QSize screen = QSize(1024, 768));
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool isRunning() const { return display_ != nullptr; }
    QString displayName() const { return name_; } // ":N"
    QSize screenSize() const { return screen_; }
    _XDisplay *connection() const { return display_; }
    QProcessEnvironment environment() const; // the system environment with DISPLAY set to this server

    QImage grabScreen() const;                   // the whole root window, Format_RGB32
    QImage grabRect(const QRect &rootRect) const; // part of the root window, Format_RGB32

    // Windows anywhere in the tree under the root whose _NET_WM_NAME or WM_NAME equals `caption`.
    QList<WindowId> windowsWithCaption(const QString &caption) const;
    std::optional<WindowId> findWindow(const QString &caption) const;
    bool isViewable(WindowId window) const;    // mapped, and all its ancestors too
    QList<WindowId> viewableTopLevels() const; // viewable children of the root
    std::optional<QRect> geometryOnRoot(WindowId window) const; // in root coordinates
    std::optional<WindowId> parentOf(WindowId window) const;

    // A plain window made by the test (a preview host, or a window carrying a caption), mapped
    // and filled with `colour`; a child of the root unless `parent` is given.
    WindowId createWindow(const QRect &geometry, const QString &caption = {},
                          QRgb colour = qRgb(0, 0, 0), WindowId parent = 0);
    void destroyWindow(WindowId window);
    void unmapWindow(WindowId window);
    void resizeWindow(WindowId window, QSize size);
    QList<WindowId> childrenOf(WindowId window) const;
    // Leaves `picture` on `window` as a screen-saver daemon leaves its picture of the desktop: a
    // pixmap named by the property _SCREENSAVER_SCREENSHOT.
    void setScreenshotProperty(WindowId window, const QImage &picture);
    // True when this test's own client could grab the keyboard (released again at once): nobody
    // else holds a grab.
    bool keyboardGrabbable() const;
    // Paints the root window (the desktop) with one colour.
    void fillRoot(QRgb colour);
    // Splits the screen into monitors (RandR 1.5), as a desk of several monitors shows to programs;
    // the first takes over the server's own output. True when xrandr lists exactly these.
    bool setMonitors(const QList<QRect> &monitors);
    // Takes monitor `index` of setMonitors() away; true when xrandr accepted it.
    bool removeMonitor(int index);
    // Runs xdotool against this server; returns its exit status.
    int xdotool(const QStringList &arguments) const;
    void sync() const;

private:
    QString name_;
    QSize screen_;
    std::unique_ptr<QProcess> server_;
    _XDisplay *display_ = nullptr;
};

// The client messages sent to the root window of an XServer from its construction on, as window
// managers and daemons that select StructureNotify there receive them; heard on a connection of
// its own.
class RootMessages
{
public:
    explicit RootMessages(const XServer &server);
    ~RootMessages();
    RootMessages(const RootMessages &) = delete;
    RootMessages &operator=(const RootMessages &) = delete;

    // The types (atom names) of every message received until the server has carried out all that
    // its clients asked before this call, in order.
    QStringList received();

private:
    _XDisplay *display_ = nullptr;
    QStringList types_;
};

// A copy of the built helixcavern in a temporary folder of the test's own; the settings file
// Helixcavern.ini lives beside it.
class ProgramCopy
{
public:
    ProgramCopy();
    bool isValid() const { return valid_; }
    QString folder() const { return dir_.path(); }
    QString executable() const { return dir_.filePath(QStringLiteral("helixcavern")); }
    QString settingsFile() const { return dir_.filePath(QStringLiteral("Helixcavern.ini")); }
    void writeSettings(const QByteArray &bytes) const;
    QByteArray readSettings() const; // empty when the file does not exist
    bool settingsExist() const;
    // A file path inside the test's folder.
    QString path(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    bool valid_ = false;
};

// One run of the program on an XServer. The process is killed when the Run is destroyed.
class Run
{
public:
    // `arguments` are passed as separate argv entries; the program joins them with single blanks.
    // `environment` adds variables to the server's environment. The descriptors in `closedStreams`
    // (0, 1, 2) are closed in the program, as a daemon may start it.
    Run(const ProgramCopy &program, const XServer &server, const QStringList &arguments,
        const QProcessEnvironment &environment = {}, const QList<int> &closedStreams = {});
    ~Run();
    Run(const Run &) = delete;
    Run &operator=(const Run &) = delete;

    bool started() const;
    bool isRunning() const;
    qint64 pid() const;
    // Sends `signal` (SIGTERM, SIGSTOP, ...) to the process.
    void sendSignal(int signal) const;
    bool waitForExit(int timeoutMs); // true when the process ended within the time
    int exitCode() const;            // valid after a normal exit
    bool exitedNormally() const;     // ended by itself, not by a signal or a crash
    int endingSignal() const;        // the signal that ended the process, as its parent saw it; 0 after a normal exit
    QByteArray standardError();
    QByteArray standardOutput();
    // Milliseconds from start until the process ended (valid after waitForExit returned true).
    qint64 elapsedMs() const { return elapsed_; }

private:
    std::unique_ptr<QProcess> process_;
    qint64 startedAt_ = 0;
    qint64 elapsed_ = -1;
};

} // namespace e2e
