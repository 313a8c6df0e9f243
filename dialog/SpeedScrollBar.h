// The horizontal speed scroll bar: slow at the left end, fast at the right. Its keys move it the
// way the keys of a standard horizontal scroll bar do (Right, Down and Page Down towards the
// right end), which Qt's own scroll bar reverses for the arrow keys.
#pragma once

#include <QScrollBar>

class SpeedScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit SpeedScrollBar(QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
