// A widget with a persistent drawing surface; see PictureBox.h.
#include "dialog/PictureBox.h"

#include <QPainter>

PictureBox::PictureBox(QWidget *parent, Border border, QColor background)
    : QFrame(parent), background_(background)
{
    if (border == Border::Sunken)
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken); // two-pixel sunken edge
    else
        setFrameStyle(QFrame::NoFrame);
    setAttribute(Qt::WA_OpaquePaintEvent);
    fitSurface();
}

QImage &PictureBox::surface()
{
    fitSurface();
    return surface_;
}

void PictureBox::clearSurface()
{
    surface().fill(background_);
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event); // the border
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), surface());
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitSurface();
}

void PictureBox::fitSurface()
{
    const QSize size = contentsRect().size().expandedTo(QSize(0, 0));
    if (surface_.size() == size)
        return;
    QImage resized(size, QImage::Format_RGB32);
    resized.fill(background_);
    if (!surface_.isNull() && !resized.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, surface_);
    }
    surface_ = resized;
}
