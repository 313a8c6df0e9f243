// A headless sway for the Wayland tests: its outputs, screenshots, keys, a virtual pointer and programs run as its user.
#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace wayland {

// One output of the session: HEADLESS-1, HEADLESS-2, ... in the order given.
struct OutputSpec {
    QSize resolution;
    int scale = 1;
    QString background; // a picture file sway's swaybg stretches over the output; empty: none
};

// sway 1.7 on the headless backend with the pixman renderer, as an ordinary user (sway refuses
// root: under root the session runs as "hc-wayland-test", made when missing, through setpriv,
// which keeps process ids direct) with a 0700 runtime folder of its own.
class SwaySession
{
public:
    // Empty when sway, swaybg, grim and wtype are all installed; else why the tests skip.
    static QString missingTools();

    explicit SwaySession(const QList<OutputSpec> &outputs);
    ~SwaySession();
    SwaySession(const SwaySession &) = delete;
    SwaySession &operator=(const SwaySession &) = delete;

    bool isRunning() const { return ready_; }
    QString runtimeFolder() const { return runtime_.path(); }
    QString socketPath() const { return runtime_.filePath(QStringLiteral("wayland-1")); }
    // A folder the session's user can write, for screenshots and pictures.
    QString scratch(const QString &name) const { return scratch_.filePath(name); }
    // WAYLAND_DISPLAY, XDG_RUNTIME_DIR, SWAYSOCK, HOME and PATH of the session; nothing else.
    QProcessEnvironment environment() const;

    // Runs `program` as the session's user with its environment (plus `extra`), started but not waited for.
    // `childSetup` runs in the child before it starts the program (to hand it a descriptor).
    std::unique_ptr<QProcess> start(const QString &program, const QStringList &arguments,
                                    const QProcessEnvironment &extra = {},
                                    const std::function<void()> &childSetup = {}) const;
    // Runs it to its end; the exit status, or -1 when it did not end within `timeoutMs`.
    int runToEnd(const QString &program, const QStringList &arguments, int timeoutMs = 5000) const;
    int swaymsg(const QStringList &arguments) const;
    // Adds an output (HEADLESS-n) like those of the constructor; true when sway lists it.
    bool addOutput(const OutputSpec &output);
    QImage screenshot(const QString &output) const;
    // One key pressed and released on the focused client (sent twice: see the .cpp).
    bool pressKey() const;
    // Stops sway (SIGSTOP) or lets it go on: while stopped it answers nothing, no frame callback either.
    void setStopped(bool stopped) const;
    // The virtual pointer moved to the middle of the first output, and clicked when `click`.
    bool pointer(bool click) const;

    static constexpr const char *User = "hc-wayland-test";

private:
    QStringList userPrefix() const;
    bool configure(int index, const OutputSpec &output);

    QTemporaryDir runtime_;
    QTemporaryDir scratch_;
    std::unique_ptr<QProcess> sway_;
    QString swaySocket_;
    int outputs_ = 0;
    bool ready_ = false;
};

} // namespace wayland
