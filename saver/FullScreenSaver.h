// The saver over every monitor: one window per screen, one animation, until input ends it.
#pragma once

#include "saver/FrameClock.h"
#include "settings/Settings.h"

#include <QEventLoop>
#include <QImage>
#include <QObject>

#include <memory>
#include <vector>

class DisplayPower;
class QScreen;
class SaverWindow;

class FullScreenSaver : public QObject
{
    Q_OBJECT

public:
    struct Behaviour {
        bool grabInput = true;  // keyboard and pointer grabbed on every window
        bool endOnInput = true; // any key or mouse button on any window ends the saver
        // The desktop source captures each screen; without it, that source shows the picture file
        // when one is set, else the plain wall.
        bool captureDesktop = true;
    };

    // `power` tells when the display sleeps (may be null: always on); it must outlive the saver.
    FullScreenSaver(const Settings &settings, Behaviour behaviour, DisplayPower *power);
    ~FullScreenSaver() override;

    // Covers every screen and draws until the saver ends; returns the exit status: 0 when input or
    // the loss of a window ended it (or end() was called), 1 when no OpenGL context can be had.
    // Order of the start: the desktop of every screen is captured (or the picture decoded) before
    // any window shows; then, window by window, the master image is scaled, the window shown and
    // its GL context and state prepared; the first frame follows the first exposure (or, without
    // one, two seconds). Screens added later get a window; removed ones lose theirs.
    int run();
    // Ends the saver with `status`: stops the frames, releases every window and leaves run().
    void end(int status);

    // The frames drawn so far and the phase they reached (for tests).
    const FrameClock &clock() const { return clock_; }

private:
    QImage sourcePicture(QScreen *screen) const;
    bool addWindow(QScreen *screen, const QImage &source);
    void addScreen(QScreen *screen);
    void removeScreen(QScreen *screen);
    void startFrames();
    void drawFrame(double phase);
    double fastestRefreshRate() const;

    const Settings settings_;
    const Behaviour behaviour_;
    FrameClock clock_;
    std::vector<std::unique_ptr<SaverWindow>> windows_;
    QEventLoop loop_;
    bool ended_ = false;
};
