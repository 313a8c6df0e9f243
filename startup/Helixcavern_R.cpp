// The preview form: a still picture of the tunnel embedded in a host's window.
#include "Helixcavern_R.h"

#include "Helixcavern_B.h"
#include "PreviewGeometry.h"
#include "X11HostWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QWindow>

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

Helixcavern_R::Helixcavern_R(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), Img_Prev(new QLabel(this))
{
    setWindowTitle(QString::fromLatin1(Caption));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    resize(DesignFormPixels);

    Img_Prev->setObjectName(QStringLiteral("Img_Prev"));
    Img_Prev->setPixmap(QPixmap(QString::fromLatin1(PreviewPicture)));
    Img_Prev->setScaledContents(false);
    Img_Prev->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Img_Prev->setGeometry(QRect(QPoint(0, 0), DesignPicturePixels));
}

void Helixcavern_R::placeOver(const PreviewGeometry &geometry)
{
    // The form's twips convert back to the same pixels as the control's.
    setGeometry(QRect(QPoint(0, 0), geometry.imagePixels()));
    Img_Prev->setGeometry(QRect(QPoint(0, 0), geometry.imagePixels()));
}

int Helixcavern_R::run(qint32 hostHandle)
{
    if (hostHandle <= 0)
        return 0;
    const auto hostId = X11HostWindow::WindowId(hostHandle);
    X11HostWindow host(hostId);
    const std::optional<QSize> hostSize = host.size();
    if (!hostSize)
        return 0;
    g_previousHandler = qInstallMessageHandler(dropPlatformMessages);

    Helixcavern_R form;
    form.winId(); // a native window of its own, to be re-parented
    form.windowHandle()->setParent(QWindow::fromWinId(WId(hostId)));
    form.placeOver(PreviewGeometry::forHost(*hostSize));
    // The checks below look at the form's window from another connection: let the server see
    // the requests first. A host that vanished meanwhile leaves nothing to show in.
    QGuiApplication::sync();
    if (!host.holdsChild(form.winId()))
        Helixcavern_B::EndProgram(0);
    form.show();
    QGuiApplication::sync();

    QObject::connect(&host, &X11HostWindow::ended, [] { Helixcavern_B::EndProgram(0); });
    if (!host.watch(form.winId()))
        Helixcavern_B::EndProgram(0); // the host vanished during the set-up
    return QApplication::exec();
}
