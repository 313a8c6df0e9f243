// The opening and closing animation of the settings dialog: X11 has no animated rectangles, so a
// frameless, input-transparent outline window is moved from one screen rectangle to another.
#pragma once

#include <QRect>
#include <QWidget>

class OutlineAnimation : public QWidget
{
    Q_OBJECT
public:
    static constexpr int DurationMs = 200;
    static constexpr int FrameIntervalMs = 15;
    static constexpr int Thickness = 3;

    // Draws the outline growing or shrinking from `from` to `to` over DurationMs and returns when
    // it is done. User input waits meanwhile; other events (painting, timers) run.
    static void play(const QRect &from, const QRect &to);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    OutlineAnimation();
    void showFrame(const QRect &screenRect);
};
