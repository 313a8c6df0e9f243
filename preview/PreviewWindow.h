// The preview: a still picture of the tunnel embedded in a host's window.
#pragma once

#include <QWidget>

class PreviewGeometry;
class QLabel;

// A borderless black window whose one picture shows the built-in preview at its own size from the
// top-left corner, clipped to the window. run() embeds it into the host.
class PreviewWindow : public QWidget
{
    Q_OBJECT
public:
    // Embeds the preview into host window `hostHandle` and serves it until the host goes away;
    // returns the exit status (0). A handle that names no window (0, negative, or no such window
    // on the display) returns 0 at once with nothing shown. The settings file is not read and no
    // OpenGL is used. Needs the QApplication.
    static int run(qint32 hostHandle);

    explicit PreviewWindow(QWidget *parent = nullptr);

    // Covers the host: the window at (0, 0) with the host's size, the picture over all of it.
    void placeOver(const PreviewGeometry &geometry);

private:
    QLabel *picture_;
};
