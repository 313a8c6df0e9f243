// A full-screen saver window: covers one monitor, reports input and its own loss.
#pragma once

#include "saver/TunnelWindow.h"

class QScreen;

// Frameless, override-redirect and on top, so no window manager moves it and it covers panels. It
// carries the saver's caption, by which another start of the program knows that a saver runs.
class SaverWindow : public TunnelWindow
{
    Q_OBJECT

public:
    // `grabInput`: take the keyboard and the pointer once the window is viewable, so every key and
    // button reaches the saver with or without a window manager.
    SaverWindow(QScreen *screen, bool grabInput);

    // Places the window exactly over its screen.
    void coverScreen();
    // Whether the X server still has the window: one destroyed by another client sends the
    // toolkit no close event.
    bool stillThere() override;
    // Takes the grabs (until they hold) and draws the frame.
    void drawFrame(double phase) override;
    // Releases the grabs too.
    void release() override;

signals:
    void inputReceived(); // a key or a mouse button
    void lost();          // closed or destroyed from outside

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void holdGrabs();
    void releaseGrabs();

    const bool grabInput_;
    bool keyboardGrabbed_ = false;
    bool mouseGrabbed_ = false;
};
