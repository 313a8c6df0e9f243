// The preview form: a still picture of the tunnel embedded in a host's window.
#pragma once

#include <QWidget>

class PreviewGeometry;
class QLabel;

// A borderless black form whose only control, Img_Prev, shows the built-in preview picture at its
// own size from the top-left corner, clipped to the control. run() embeds it into the host.
class Helixcavern_R : public QWidget
{
    Q_OBJECT
public:
    // Embeds the preview into host window `hostHandle` and serves it until the host goes away,
    // then ends the program with status 0. A handle that names no window (0, negative, or no
    // such window on the display) returns 0 at once with nothing shown. The settings file is not
    // read and no OpenGL is used. Needs the QApplication that Main has built.
    static int run(qint32 hostHandle);

    explicit Helixcavern_R(QWidget *parent = nullptr);

    // Covers the host: the form at (0, 0) with the host's size, Img_Prev over all of it.
    void placeOver(const PreviewGeometry &geometry);

    QLabel *Img_Prev = nullptr;
};
