// Tests of the toolkit's X11 connection under Xvfb: which windows the server still has.
#include "platform/ToolkitX11.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include <X11/Xlib.h>

class tst_toolkitx11 : public QObject
{
    Q_OBJECT

private slots:
    void knowsWhichWindowsTheServerHas_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<bool>("exists");
        QTest::newRow("the toolkit's own window") << QStringLiteral("own") << true;
        QTest::newRow("another client's window") << QStringLiteral("other") << true;
        QTest::newRow("another client's destroyed window") << QStringLiteral("destroyed") << false;
        QTest::newRow("an id no client holds") << QStringLiteral("unheld") << false;
    }
    void knowsWhichWindowsTheServerHas()
    {
        QFETCH(QString, which);
        QFETCH(bool, exists);
        QVERIFY(ToolkitX11::display() != nullptr);
        Display *other = XOpenDisplay(nullptr);
        QVERIFY(other != nullptr);
        QWindow own;
        WId window = 0x1ff00001;
        if (which == QLatin1String("own")) {
            window = own.winId();
        } else if (which != QLatin1String("unheld")) {
            window = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 10, 10, 0, 0, 0);
            if (which == QLatin1String("destroyed"))
                XDestroyWindow(other, Window(window));
            XSync(other, False);
        }
        QCOMPARE(ToolkitX11::windowExists(window), exists);
        XCloseDisplay(other);
    }
};

QTEST_MAIN(tst_toolkitx11)
#include "tst_toolkitx11.moc"
