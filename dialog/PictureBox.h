// A picture box: a widget with a persistent drawing surface that keeps what is drawn into it and
// shows it again on every repaint. Optionally bordered (a sunken edge around the surface) and
// optionally sized by the picture it holds.
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
    QColor background() const { return background_; }

    // Makes `picture` the box's picture: the box takes its natural size (plus the border) and the
    // surface holds its pixels. A null picture gives the empty surface of the current size.
    void setPicture(const QImage &picture);
    bool hasPicture() const { return hasPicture_; }
    // No picture; the surface is cleared to the background colour.
    void clearPicture();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitSurface(); // keeps the old pixels, fills new area with the background
    QImage surface_;
    QColor background_;
    bool hasPicture_ = false;
};
