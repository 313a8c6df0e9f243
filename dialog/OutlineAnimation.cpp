// The dialog's open and close outline; see OutlineAnimation.h.
#include "dialog/OutlineAnimation.h"

#include "dialog/DialogColours.h"
#include "dialog/DialogLayout.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QRegion>
#include <QTimer>

namespace {
// The ends of the dialog's gradient: a pale line between two dark ones shows on light and dark desktops.
const QColor OutlineDark = DialogColours::gradient(0);
const QColor OutlinePale = DialogColours::gradient(DialogLayout::GradientPeak);
} // namespace

OutlineAnimation::OutlineAnimation()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint
                           | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput
                           | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("Helixcavern animation"));
}

void OutlineAnimation::play(const QRect &from, const QRect &to)
{
    OutlineAnimation outline;
    QElapsedTimer clock;
    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(FrameIntervalMs);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        const double t = double(clock.elapsed()) / DurationMs;
        outline.showFrame(DialogLayout::animationFrame(from, to, t));
        if (t >= 1.0)
            loop.quit();
    });
    clock.start();
    outline.showFrame(from);
    ticker.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    outline.hide();
}

void OutlineAnimation::showFrame(const QRect &screenRect)
{
    if (screenRect.width() <= 2 * Thickness || screenRect.height() <= 2 * Thickness) {
        hide(); // a point or a sliver: nothing to outline yet
        return;
    }
    setGeometry(screenRect);
    const QRect local(QPoint(0, 0), screenRect.size());
    setMask(QRegion(local).subtracted(QRegion(local.adjusted(Thickness, Thickness, -Thickness, -Thickness))));
    if (!isVisible())
        show();
    update();
}

void OutlineAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), OutlineDark);
    painter.setPen(OutlinePale);
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}
