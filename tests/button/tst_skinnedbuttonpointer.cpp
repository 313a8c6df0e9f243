// The button under a real X server and a real pointer (xdotool): hover, click, the hover ending when
// the pointer leaves onto the desktop or another program's window, keyboard focus, and what the
// screen shows in each look.
#include "button/PropertyBag.h"
#include "button/SkinnedButton.h"
#include "tests/support/ButtonLook.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>

using Skin = SkinnedButton::Skin;

namespace {

constexpr int Deadline = 2000; // ms for the X server and the program to react

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

bool movePointer(QPoint global)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
}

} // namespace

class tst_skinnedbuttonpointer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hoverClickAndLeave();
    void dragOffCancelsTheClick();
    void tabMovesTheFocusLook();
    void anotherProgramsWindowEndsTheHover();
    void captionCountsAsTheButton();

private:
    QPoint centre(QWidget *widget) const { return widget->mapToGlobal(QPoint(widget->width() / 2, widget->height() - 3)); }
    QPoint away() const { return QPoint(600, 500); } // bare desktop
    void checkScreenShows(SkinnedButton *button);

    QWidget *host_ = nullptr;
    SkinnedButton *save_ = nullptr;
    SkinnedButton *cancel_ = nullptr;
    QLineEdit *other_ = nullptr;
    int clicks_ = 0;
};

void tst_skinnedbuttonpointer::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run through run-in-xvfb.sh)");
    QVERIFY2(xdotool({QStringLiteral("getmouselocation")}), "xdotool does not run");
}

void tst_skinnedbuttonpointer::init()
{
    QVERIFY(movePointer(away()));
    host_ = new QWidget;
    host_->setGeometry(100, 100, 260, 120);
    other_ = new QLineEdit(host_);
    other_->setGeometry(20, 70, 120, 24);
    save_ = new SkinnedButton(host_);
    save_->setGeometry(20, 20, 73, 25);
    cancel_ = new SkinnedButton(host_);
    cancel_->setGeometry(110, 20, 73, 25);
    QWidget::setTabOrder(other_, save_);
    QWidget::setTabOrder(save_, cancel_);
    for (SkinnedButton *button : {save_, cancel_}) {
        button->readProperties(PropertyBag());
        button->startHoverTracking();
    }
    save_->setCaption(QStringLiteral("保存"));
    cancel_->setCaption(QStringLiteral("キャンセル"));
    clicks_ = 0;
    connect(save_, &SkinnedButton::clicked, this, [this] { ++clicks_; });
    host_->show();
    host_->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(host_));
    QVERIFY(QTest::qWaitForWindowActive(host_));
    other_->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(other_->hasFocus(), Deadline);
}

void tst_skinnedbuttonpointer::cleanup()
{
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    delete host_;
    host_ = nullptr;
}

// What the screen shows at the button is the button's drawing (outside its caption).
void tst_skinnedbuttonpointer::checkScreenShows(SkinnedButton *button)
{
    const QPoint at = button->mapToGlobal(QPoint(0, 0));
    QImage shown;
    const QImage drawn = buttonlook::painted(*button);
    QTRY_VERIFY_WITH_TIMEOUT(
        (shown = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), button->width(), button->height())
                     .toImage().convertToFormat(QImage::Format_RGB32),
         shown.copy(0, 0, button->width(), 4) == drawn.copy(0, 0, button->width(), 4)),
        Deadline);
    QCOMPARE(shown.copy(0, button->height() - 4, button->width(), 4), drawn.copy(0, button->height() - 4, button->width(), 4));
}

void tst_skinnedbuttonpointer::hoverClickAndLeave()
{
    QVERIFY(movePointer(centre(save_)));
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateHighLight, Deadline);
    VERIFY_SHOWS_SKIN(*save_, Skin::HighLight);
    checkScreenShows(save_);

    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QTRY_VERIFY_WITH_TIMEOUT(save_->isMouseDown(), Deadline);
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateHighLightSelect, Deadline);
    VERIFY_SHOWS_SKIN(*save_, Skin::Pressed);
    checkScreenShows(save_);
    QCOMPARE(clicks_, 0);

    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(clicks_, 1, Deadline);
    VERIFY_SHOWS_SKIN(*save_, Skin::HighLightSelect);
    QVERIFY(save_->hasFocus());

    QElapsedTimer leaving;
    leaving.start();
    QVERIFY(movePointer(away()));
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateSelected, Deadline);
    qInfo("hover ended %lld ms after xdotool moved the pointer off", leaving.elapsed());
    VERIFY_SHOWS_SKIN(*save_, Skin::Selected);
    checkScreenShows(save_);
    QCOMPARE(clicks_, 1);
}

void tst_skinnedbuttonpointer::dragOffCancelsTheClick()
{
    QVERIFY(movePointer(centre(save_)));
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateHighLight, Deadline);
    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateHighLightSelect, Deadline);

    QVERIFY(movePointer(away()));
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateSelected, Deadline);
    QVERIFY(movePointer(centre(save_)));
    QTest::qWait(3 * SkinnedButton::HoverInterval); // long enough for moves and polls to arrive
    QCOMPARE(save_->state(), SkinnedButton::StateSelected);

    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_VERIFY_WITH_TIMEOUT(!save_->isMouseDown(), Deadline);
    QCOMPARE(clicks_, 0);
    VERIFY_SHOWS_SKIN(*save_, Skin::Selected);
}

void tst_skinnedbuttonpointer::tabMovesTheFocusLook()
{
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Tab")}));
    QTRY_VERIFY_WITH_TIMEOUT(save_->hasFocus(), Deadline);
    QCOMPARE(save_->state(), SkinnedButton::StateSelected);
    checkScreenShows(save_);

    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Tab")}));
    QTRY_VERIFY_WITH_TIMEOUT(cancel_->hasFocus(), Deadline);
    QCOMPARE(save_->state(), SkinnedButton::StateNormal);
    VERIFY_SHOWS_SKIN(*save_, Skin::Normal);
    QCOMPARE(cancel_->state(), SkinnedButton::StateSelected);

    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("space")}));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QTest::qWait(SkinnedButton::HoverInterval);
    QCOMPARE(clicks_, 0);
}

void tst_skinnedbuttonpointer::anotherProgramsWindowEndsTheHover()
{
    QVERIFY(movePointer(centre(save_)));
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateHighLight, Deadline);

    // Another program's window appears over the button under the resting pointer.
    const QPoint at = save_->mapToGlobal(QPoint(-10, -10));
    QProcess other;
    other.start(QStringLiteral("xmessage"), {QStringLiteral("-geometry"),
                                             QStringLiteral("200x80+%1+%2").arg(at.x()).arg(at.y()),
                                             QStringLiteral("covering")});
    QVERIFY(other.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateNormal, Deadline);
    VERIFY_SHOWS_SKIN(*save_, Skin::Normal);
    other.kill();
    other.waitForFinished();
}

void tst_skinnedbuttonpointer::captionCountsAsTheButton()
{
    const auto *caption = save_->findChild<QLabel *>(QStringLiteral("caption"));
    QVERIFY(caption);
    QVERIFY(movePointer(caption->mapToGlobal(caption->rect().center())));
    QTRY_COMPARE_WITH_TIMEOUT(save_->state(), SkinnedButton::StateHighLight, Deadline);
    QTest::qWait(3 * SkinnedButton::HoverInterval);
    QCOMPARE(save_->state(), SkinnedButton::StateHighLight);
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(clicks_, 1, Deadline);
    QVERIFY(save_->hasFocus());
}

QTEST_MAIN(tst_skinnedbuttonpointer)
#include "tst_skinnedbuttonpointer.moc"
