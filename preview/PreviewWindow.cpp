// The preview: a still picture of the tunnel embedded in a host's window.
#include "preview/PreviewWindow.h"

#include "preview/PreviewGeometry.h"
#include "platform/X11HostWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <QWindow>

#include <cmath>

namespace {

const QSize DesignFormPixels(168, 128);
const QSize DesignPicturePixels(152, 112);
const char *const PreviewPicture = ":/preview/preview.jpg";
const char *const Caption = "Preview Window";

// The toolkit logs the X errors caused by a host window that vanished under it in its platform
// categories; such an end is the normal one here and the preview has no one to report to, so
// platform messages are dropped.
QtMessageHandler g_previousHandler = nullptr;

void dropPlatformMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && qstrncmp(context.category, "qt.qpa", 6) == 0)
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

PreviewWindow::PreviewWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), picture_(new QLabel(this))
{
    setWindowTitle(QString::fromLatin1(Caption));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    resize(DesignFormPixels);

    picture_->setObjectName(QStringLiteral("picture"));
    picture_->setPixmap(QPixmap(QString::fromLatin1(PreviewPicture)));
    picture_->setScaledContents(false);
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture_->setGeometry(QRect(QPoint(0, 0), DesignPicturePixels));
}

void PreviewWindow::placeOver(const PreviewGeometry &geometry)
{
    // The window's twips convert back to the same pixels as the picture's. They are the host's
    // device pixels; Qt places widgets in device-independent ones, so on a scaled screen the size
    // is divided (rounded up: the host stays covered) and the picture keeps one device pixel per
    // pixel.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = geometry.imagePixels();
    const QRect area(0, 0, int(std::ceil(pixels.width() / ratio)), int(std::ceil(pixels.height() / ratio)));
    QPixmap picture = picture_->pixmap();
    picture.setDevicePixelRatio(ratio);
    picture_->setPixmap(picture);
    setGeometry(area);
    picture_->setGeometry(area);
}

int PreviewWindow::run(qint32 hostHandle)
{
    if (hostHandle <= 0)
        return 0;
    const auto hostId = X11HostWindow::WindowId(hostHandle);
    X11HostWindow host(hostId);
    const std::optional<QSize> hostSize = host.size();
    if (!hostSize)
        return 0;
    g_previousHandler = qInstallMessageHandler(dropPlatformMessages);

    PreviewWindow preview;
    preview.winId(); // a native window of its own, to be re-parented
    preview.windowHandle()->setParent(QWindow::fromWinId(WId(hostId)));
    preview.placeOver(PreviewGeometry::forHost(*hostSize));
    // The checks below look at the window from another connection: let the server see the
    // requests first. A host that vanished meanwhile leaves nothing to show in.
    QGuiApplication::sync();
    if (!host.holdsChild(preview.winId()))
        return 0;
    preview.show();
    QGuiApplication::sync();

    QEventLoop loop;
    QObject::connect(&host, &X11HostWindow::ended, &loop, [&loop] { loop.exit(0); });
    if (!host.watch(preview.winId()))
        return 0; // the host vanished during the set-up
    return loop.exec();
}
