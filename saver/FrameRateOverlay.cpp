// The frame rate drawn over the tunnel; see FrameRateOverlay.h.
#include "saver/FrameRateOverlay.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <GL/gl.h>

namespace {
constexpr int PointSize = 14;
constexpr int Padding = 4;

QFont overlayFont()
{
    QFont font(QStringLiteral("monospace"), PointSize, QFont::Bold);
    font.setStyleHint(QFont::Monospace);
    return font;
}
} // namespace

QString FrameRateOverlay::textFor(double framesPerSecond)
{
    return QStringLiteral("FPS: %1").arg(framesPerSecond, 0, 'f', 1);
}

void FrameRateOverlay::setRate(double framesPerSecond)
{
    const QString text = textFor(framesPerSecond);
    if (text != text_) {
        text_ = text;
        changed_ = true;
    }
}

// White text with a dark outline on a clear picture, so it reads over any wall.
void FrameRateOverlay::upload()
{
    const QFont font = overlayFont();
    const QFontMetrics metrics(font);
    const QSize size(metrics.horizontalAdvance(text_) + 2 * Padding, metrics.height() + 2 * Padding);
    QImage picture(size, QImage::Format_RGBA8888);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setFont(font);
        const QPoint origin(Padding, Padding + metrics.ascent());
        painter.setPen(QColor(0, 0, 0, 200));
        for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
            painter.drawText(origin + offset, text_);
        painter.setPen(Qt::white);
        painter.drawText(origin, text_);
    }
    // GL's rows run bottom to top.
    picture = picture.mirrored(false, true);
    if (texture_ == 0)
        glGenTextures(1, &texture_);
    glPushAttrib(GL_TEXTURE_BIT);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size.width(), size.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 picture.constBits());
    glPopAttrib();
    size_ = size;
    changed_ = false;
}

void FrameRateOverlay::draw(QSize viewport)
{
    if (text_.isEmpty() || viewport.isEmpty())
        return;
    if (changed_)
        upload();
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, viewport.width(), 0.0, viewport.height(), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float left = Margin, bottom = Margin;
    const float right = left + float(size_.width()), top = bottom + float(size_.height());
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, bottom);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, bottom);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(right, top);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(left, top);
    glEnd();
    // The tunnel's texture modulates the ring colours: its environment mode comes back too.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void FrameRateOverlay::release()
{
    if (texture_ != 0)
        glDeleteTextures(1, &texture_);
    texture_ = 0;
    changed_ = !text_.isEmpty();
}
