// The frame rate drawn over the tunnel in the bottom-left corner, as the GL hacks show theirs.
#pragma once

#include <QImage>
#include <QSize>

// Its text is rendered into a small picture only when the figure shown changes (once a second at
// most) and drawn as one blended quad after the tunnel, in window pixels. Everything it changes of
// the GL state is put back, so the tunnel's next frame is drawn exactly as without it. The GL
// calls need the surface's context current; release() frees its texture while it still is.
class FrameRateOverlay
{
public:
    static constexpr int Margin = 8; // pixels from the left and bottom edges

    // The figure to show from the next draw() on, in frames per second.
    void setRate(double framesPerSecond);
    // Draws the text over a frame of `viewport` pixels; nothing before a rate is set.
    void draw(QSize viewport);
    void release();

    // "FPS: 59.9", the text shown for `framesPerSecond`.
    static QString textFor(double framesPerSecond);

private:
    void upload();

    QString text_;
    bool changed_ = false;
    unsigned texture_ = 0;
    QSize size_;
};
