// A picture box: a widget with a persistent drawing surface that keeps what is drawn into it and
// shows it again on every repaint. Optionally bordered (a sunken edge around the surface).
#pragma once

#include <QFrame>
#include <QImage>

class PictureBox : public QFrame
{
    Q_OBJECT
public:
    enum class Border { None, Sunken };

    PictureBox(QWidget *parent, Border border, QColor background);

    // The persistent surface, the size of the area inside the border. Draw into it, then update().
    // It follows the box's size at once, also while the box is hidden (when Qt defers resize events).
    QImage &surface();
    // Clears the surface to the background colour.
    void clearSurface();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitSurface(); // keeps the old pixels, fills new area with the background
    QImage surface_;
    QColor background_;
};
