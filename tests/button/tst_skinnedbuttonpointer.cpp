// The button under a real X server and a real pointer (xdotool): hover, click, the hover ending when
// the pointer leaves onto the desktop or another program's window, keyboard focus, and what the
// screen shows in each look.
#include "Command.h"
#include "PropertyBag.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>

using Skin = Command::Skin;

namespace {

constexpr int Deadline = 2000; // ms for the X server and the program to react

bool XdoTool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

bool MovePointer(QPoint global)
{
    return XdoTool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
}

} // namespace

class CommandPointerTest : public QObject
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
    QPoint Centre(QWidget *widget) const { return widget->mapToGlobal(QPoint(widget->width() / 2, widget->height() - 3)); }
    QPoint Away() const { return QPoint(600, 500); } // bare desktop
    void CheckScreenShows(Command *button);

    QWidget *host_ = nullptr;
    Command *save_ = nullptr;
    Command *cancel_ = nullptr;
    QLineEdit *other_ = nullptr;
    int clicks_ = 0;
};

void CommandPointerTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run through run-in-xvfb.sh)");
    QVERIFY2(XdoTool({QStringLiteral("getmouselocation")}), "xdotool does not run");
}

void CommandPointerTest::init()
{
    QVERIFY(MovePointer(Away()));
    host_ = new QWidget;
    host_->setGeometry(100, 100, 260, 120);
    other_ = new QLineEdit(host_);
    other_->setGeometry(20, 70, 120, 24);
    save_ = new Command(host_);
    save_->setGeometry(20, 20, 73, 25);
    cancel_ = new Command(host_);
    cancel_->setGeometry(110, 20, 73, 25);
    QWidget::setTabOrder(other_, save_);
    QWidget::setTabOrder(save_, cancel_);
    for (Command *button : {save_, cancel_}) {
        button->ReadProperties(PropertyBag());
        button->Initialize();
    }
    save_->SetCaption(QStringLiteral("保存"));
    cancel_->SetCaption(QStringLiteral("キャンセル"));
    clicks_ = 0;
    connect(save_, &Command::Click, this, [this] { ++clicks_; });
    host_->show();
    host_->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(host_));
    QVERIFY(QTest::qWaitForWindowActive(host_));
    other_->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(other_->hasFocus(), Deadline);
}

void CommandPointerTest::cleanup()
{
    XdoTool({QStringLiteral("mouseup"), QStringLiteral("1")});
    delete host_;
    host_ = nullptr;
}

// What the screen shows at the button is the button's drawing (outside its caption).
void CommandPointerTest::CheckScreenShows(Command *button)
{
    const QPoint at = button->mapToGlobal(QPoint(0, 0));
    QImage shown;
    const QImage drawn = button->Surface().toImage().convertToFormat(QImage::Format_RGB32);
    QTRY_VERIFY_WITH_TIMEOUT(
        (shown = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), button->width(), button->height())
                     .toImage().convertToFormat(QImage::Format_RGB32),
         shown.copy(0, 0, button->width(), 4) == drawn.copy(0, 0, button->width(), 4)),
        Deadline);
    QCOMPARE(shown.copy(0, button->height() - 4, button->width(), 4), drawn.copy(0, button->height() - 4, button->width(), 4));
}

void CommandPointerTest::hoverClickAndLeave()
{
    QVERIFY(MovePointer(Centre(save_)));
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateHighLight, Deadline);
    QCOMPARE(save_->LastSkin(), Skin::HighLight);
    CheckScreenShows(save_);

    QVERIFY(XdoTool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QTRY_VERIFY_WITH_TIMEOUT(save_->MouseIsDown(), Deadline);
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateHighLightSelect, Deadline);
    QCOMPARE(save_->LastSkin(), Skin::Pressed);
    CheckScreenShows(save_);
    QCOMPARE(clicks_, 0);

    QVERIFY(XdoTool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(clicks_, 1, Deadline);
    QCOMPARE(save_->LastSkin(), Skin::HighLightSelect);
    QVERIFY(save_->hasFocus());

    QElapsedTimer leaving;
    leaving.start();
    QVERIFY(MovePointer(Away()));
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateSelected, Deadline);
    qInfo("hover ended %lld ms after xdotool moved the pointer off", leaving.elapsed());
    QCOMPARE(save_->LastSkin(), Skin::Selected);
    CheckScreenShows(save_);
    QCOMPARE(clicks_, 1);
}

void CommandPointerTest::dragOffCancelsTheClick()
{
    QVERIFY(MovePointer(Centre(save_)));
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateHighLight, Deadline);
    QVERIFY(XdoTool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateHighLightSelect, Deadline);

    QVERIFY(MovePointer(Away()));
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateSelected, Deadline);
    QVERIFY(MovePointer(Centre(save_)));
    QTest::qWait(3 * Command::HoverInterval); // long enough for moves and polls to arrive
    QCOMPARE(save_->State(), Command::StateSelected);

    QVERIFY(XdoTool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_VERIFY_WITH_TIMEOUT(!save_->MouseIsDown(), Deadline);
    QCOMPARE(clicks_, 0);
    QCOMPARE(save_->LastSkin(), Skin::Selected);
}

void CommandPointerTest::tabMovesTheFocusLook()
{
    QVERIFY(XdoTool({QStringLiteral("key"), QStringLiteral("Tab")}));
    QTRY_VERIFY_WITH_TIMEOUT(save_->hasFocus(), Deadline);
    QCOMPARE(save_->State(), Command::StateSelected);
    CheckScreenShows(save_);

    QVERIFY(XdoTool({QStringLiteral("key"), QStringLiteral("Tab")}));
    QTRY_VERIFY_WITH_TIMEOUT(cancel_->hasFocus(), Deadline);
    QCOMPARE(save_->State(), Command::StateNormal);
    QCOMPARE(save_->LastSkin(), Skin::Normal);
    QCOMPARE(cancel_->State(), Command::StateSelected);

    QVERIFY(XdoTool({QStringLiteral("key"), QStringLiteral("space")}));
    QVERIFY(XdoTool({QStringLiteral("key"), QStringLiteral("Return")}));
    QTest::qWait(Command::HoverInterval);
    QCOMPARE(clicks_, 0);
}

void CommandPointerTest::anotherProgramsWindowEndsTheHover()
{
    QVERIFY(MovePointer(Centre(save_)));
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateHighLight, Deadline);

    // Another program's window appears over the button under the resting pointer.
    const QPoint at = save_->mapToGlobal(QPoint(-10, -10));
    QProcess other;
    other.start(QStringLiteral("xmessage"), {QStringLiteral("-geometry"),
                                             QStringLiteral("200x80+%1+%2").arg(at.x()).arg(at.y()),
                                             QStringLiteral("covering")});
    QVERIFY(other.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateNormal, Deadline);
    QCOMPARE(save_->LastSkin(), Skin::Normal);
    other.kill();
    other.waitForFinished();
}

void CommandPointerTest::captionCountsAsTheButton()
{
    const QLabel *caption = save_->LblMsg();
    QVERIFY(MovePointer(caption->mapToGlobal(caption->rect().center())));
    QTRY_COMPARE_WITH_TIMEOUT(save_->State(), Command::StateHighLight, Deadline);
    QTest::qWait(3 * Command::HoverInterval);
    QCOMPARE(save_->State(), Command::StateHighLight);
    QVERIFY(XdoTool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(clicks_, 1, Deadline);
    QVERIFY(save_->hasFocus());
}

QTEST_MAIN(CommandPointerTest)
#include "CommandPointerTest.moc"
