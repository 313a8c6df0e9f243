// The full-screen saver window: takes its texture, creates the GL context and draws the tunnel
// frame after frame on Qt's event loop until a key or a mouse button ends it.
#pragma once

#include "saver/TunnelRenderer.h"
#include "settings/Settings.h"

#include <QImage>
#include <QWindow>

#include <memory>

class QOpenGLContext;

class SaverWindow : public QWindow
{
    Q_OBJECT

public:
    // Shows the saver for `settings` and runs it until it ends; returns the exit status: 0 when
    // input or the window's loss ended it, 1 when no OpenGL context can be had. Needs the
    // application object.
    static int run(const Settings &settings);

    explicit SaverWindow(const Settings &settings);
    ~SaverWindow() override;

    // Covers the primary screen, takes the texture source (the desktop before the window shows, or
    // the picture file), scales it to the master image, shows the window and prepares the GL context
    // and its state. False, with the reason on standard error, when no GL context can be had.
    bool load();
    // Sets viewport and projection for the window's size and starts the frames: the first is drawn
    // at once, each next one is requested when the previous one has been presented.
    void start();
    // Stops the frames, releases the GL context and the input grabs, removes the window and emits
    // finished(0). Runs once; later calls do nothing.
    void endSaver();

signals:
    void finished(int status);

protected:
    bool event(QEvent *event) override;
    void exposeEvent(QExposeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage takeSourcePicture() const;
    bool createContext();
    void releaseContext();
    void drawFrame();
    void grabInputOnceMapped();
    bool nativeWindowGone() const;
    QSize devicePixels() const;

    const Settings settings_;
    const float phaseStep_;
    double phase_ = 0.0; // accumulated in double: a float would judder and then stop on long runs
    bool running_ = false;
    bool ended_ = false;
    QImage master_;
    std::unique_ptr<QOpenGLContext> context_;
    TunnelRenderer tunnel_;
    bool keyboardGrabbed_ = false;
    bool mouseGrabbed_ = false;
};
