// A full-screen saver window; see SaverWindow.h.
#include "saver/SaverWindow.h"

#include "platform/ToolkitX11.h"
#include "platform/WindowCaptions.h"

#include <QScreen>

SaverWindow::SaverWindow(QScreen *screen, bool grabInput) : grabInput_(grabInput)
{
    setTitle(WindowCaptions::Saver);
    setFlags(Qt::Window | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setScreen(screen);
    coverScreen();
}

void SaverWindow::coverScreen()
{
    if (QScreen *own = screen()) {
        const QRect area = own->geometry();
        resize(area.size());
        setPosition(area.topLeft());
    }
}

bool SaverWindow::stillThere()
{
    // The GL driver, handed a drawable that no longer exists, may take garbage for its size and
    // never finish the frame. The toolkit forgets the id (0) once it has seen the window destroyed.
    const WId window = winId();
    if (window == 0)
        return false;
    return ToolkitX11::windowExists(window);
}

void SaverWindow::drawFrame(double phase)
{
    holdGrabs();
    TunnelWindow::drawFrame(phase);
}

// Grabs fail until the window is viewable, so they are tried again before every frame until both
// hold.
void SaverWindow::holdGrabs()
{
    if (!grabInput_)
        return;
    if (!keyboardGrabbed_)
        keyboardGrabbed_ = setKeyboardGrabEnabled(true);
    if (!mouseGrabbed_)
        mouseGrabbed_ = setMouseGrabEnabled(true);
}

void SaverWindow::release()
{
    releaseGrabs();
    TunnelWindow::release();
}

void SaverWindow::releaseGrabs()
{
    if (keyboardGrabbed_)
        setKeyboardGrabEnabled(false);
    if (mouseGrabbed_)
        setMouseGrabEnabled(false);
    keyboardGrabbed_ = mouseGrabbed_ = false;
}

bool SaverWindow::event(QEvent *event)
{
    // A window closed from outside cannot be seen or ended by input any more.
    if (event->type() == QEvent::Close) {
        emit lost();
        return true;
    }
    return TunnelWindow::event(event);
}

void SaverWindow::keyPressEvent(QKeyEvent *) { emit inputReceived(); }

void SaverWindow::mousePressEvent(QMouseEvent *) { emit inputReceived(); }
