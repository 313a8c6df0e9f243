// Keeps Qt's accessibility bridge from starting in a program that has only plain windows.
#pragma once

#include <QEvent>
#include <QObject>
#include <QWindow>

// Qt starts its AT-SPI bridge (a D-Bus connection with a thread of its own, about half a megabyte)
// the first time one of its windows gains or loses the focus: QWindow's handler of those events
// tells the accessibility framework, and asking whether accessibility is active creates the bridge.
// A saver has nothing to say to a screen reader. Installed on the application object
// (QCoreApplication::installEventFilter), this filter takes the focus events away from plain
// QWindows, whose own handlers do nothing else with them; key and mouse events still reach the
// focus window. Not for programs with widgets, which need their focus events.
class AccessibilityBridgeBlocker : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        return (type == QEvent::FocusIn || type == QEvent::FocusOut) && watched->isWindowType();
    }
};
