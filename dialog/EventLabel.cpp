// A label reporting presses and clicks; see EventLabel.h.
#include "dialog/EventLabel.h"

#include <QMouseEvent>

EventLabel::EventLabel(QWidget *parent) : QLabel(parent)
{
    setMargin(0);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void EventLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        leftDown_ = true;
    emit pressed(event->button());
    event->accept();
}

void EventLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = event->button() == Qt::LeftButton && leftDown_ && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        leftDown_ = false;
    event->accept();
    if (click)
        emit clicked();
}
