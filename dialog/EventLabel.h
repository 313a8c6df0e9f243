// A label or image that reports mouse presses (any button) and clicks (left press and release on
// it) to its owner; transparent, so what lies behind it shows through.
#pragma once

#include <QLabel>

class EventLabel : public QLabel
{
    Q_OBJECT
public:
    explicit EventLabel(QWidget *parent);

signals:
    void pressed(Qt::MouseButton button);
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool leftDown_ = false;
};
