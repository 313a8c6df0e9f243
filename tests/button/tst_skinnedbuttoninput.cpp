// The button's behaviour under real input: every cell of its transition table, the usual click, the
// drag-off cancel, other mouse buttons, a disabled and a never initialised button, hover polling.
#include "button/ButtonStateMachine.h"
#include "button/SkinnedButton.h"
#include "tests/support/ButtonLook.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Skin = SkinnedButton::Skin;
using SkinList = QList<Skin>;
Q_DECLARE_METATYPE(SkinList)

namespace {

enum Input { Move, LeftDown, LeftUp, RightUp, MiddleUp, FocusIn, FocusOut, HoverEnd };

constexpr QSize ButtonSize(73, 25); // the dialog's save and cancel buttons, 1095 x 375 twips
constexpr int TickDeadline = 1000;  // ms to wait for one hover poll

// Counts the paint events a widget receives: a look painted in reaction to an input reaches the
// screen through one.
class PaintCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// The looks the state machine asks for and the clicks it raises when `input` arrives in `before`,
// brought there the way the widget test brings the button. A left press on a button without the
// focus is followed by the focus it takes.
std::pair<SkinList, int> machineReaction(int before, Input input)
{
    ButtonLogic::ButtonStateMachine machine;
    if (before != SkinnedButton::StateNone)
        machine.start();
    const bool focused = before == SkinnedButton::StateSelected || before == SkinnedButton::StateHighLightSelect;
    if (focused)
        machine.gainFocus();
    if (before == SkinnedButton::StateHighLight || before == SkinnedButton::StateHighLightSelect)
        machine.moveMouse();
    QList<ButtonLogic::Reaction> reactions;
    switch (input) {
    case Move: reactions << machine.moveMouse(); break;
    case LeftDown:
        reactions << machine.pressMouse(ButtonLogic::LeftButton);
        if (!focused)
            reactions << machine.gainFocus();
        break;
    case LeftUp: reactions << machine.releaseMouse(ButtonLogic::LeftButton); break;
    case RightUp: reactions << machine.releaseMouse(ButtonLogic::RightButton); break;
    case MiddleUp: reactions << machine.releaseMouse(ButtonLogic::MiddleButton); break;
    case FocusIn: reactions << machine.gainFocus(); break;
    case FocusOut: reactions << machine.loseFocus(); break;
    case HoverEnd: reactions << machine.endHover(); break;
    }
    SkinList painted;
    int clicks = 0;
    for (const ButtonLogic::Reaction &reaction : reactions) {
        if (reaction.paint)
            painted << *reaction.paint;
        clicks += reaction.click ? 1 : 0;
    }
    return {painted, clicks};
}

} // namespace

class tst_skinnedbuttoninput : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void transitionTable_data();
    void transitionTable();
    void usualClick();
    void dragOffCancelsTheClick();
    void otherMouseButtonsClickWithoutPressedLook_data();
    void otherMouseButtonsClickWithoutPressedLook();
    void disabledButtonIgnoresInput();
    void disabledButtonKeepsItsLookWhenHoverEnds();
    void neverInitialisedButtonShowsNoHover();
    void keysNeverClick();
    void captionCountsAsTheButton();
    void coveredButtonEndsHover();
    void keyboardFocusUnderPointerShowsPressed();
    void pressedOverHoverKeepsHoverGradient();

private:
    void pointerOnButton(QPoint at = QPoint(ButtonSize.width() / 2, 21));
    void pointerAway();
    bool waitForTick();
    QTimer *hoverTimer() const { return button_->findChild<QTimer *>(QStringLiteral("hoverTimer")); }
    QLabel *caption() const { return button_->findChild<QLabel *>(QStringLiteral("caption")); }
    void enterState(int state);
    // Delivers the paints the button has asked for and starts counting anew. Reading the button's
    // drawing back (buttonlook::painted) paints it too.
    void settlePaints();

    QWidget *host_ = nullptr;
    SkinnedButton *button_ = nullptr;
    QLineEdit *other_ = nullptr;
    QWidget *cover_ = nullptr;
    PaintCounter paints_;
    int clicks_ = 0;
};

void tst_skinnedbuttoninput::init()
{
    host_ = new QWidget;
    host_->resize(320, 200);
    button_ = new SkinnedButton(host_);
    button_->setGeometry(QRect(QPoint(20, 20), ButtonSize));
    other_ = new QLineEdit(host_);
    other_->setGeometry(20, 120, 120, 24);
    cover_ = new QWidget(host_);
    cover_->setGeometry(10, 10, 100, 50);
    cover_->hide();
    host_->show();
    host_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host_));
    other_->setFocus(Qt::OtherFocusReason); // activation gave the first widget in tab order the focus
    QVERIFY(!button_->hasFocus());
    pointerAway();
    clicks_ = 0;
    button_->installEventFilter(&paints_);
    connect(button_, &SkinnedButton::clicked, this, [this] { ++clicks_; });
}

void tst_skinnedbuttoninput::cleanup()
{
    // QTest remembers held buttons across tests: release a press the test left held.
    button_->disconnect(this);
    if (button_->isMouseDown())
        QTest::mouseRelease(button_, Qt::LeftButton);
    delete host_;
    host_ = nullptr;
}

void tst_skinnedbuttoninput::pointerOnButton(QPoint at)
{
    QTest::mouseMove(button_, at);
}

void tst_skinnedbuttoninput::pointerAway()
{
    QCursor::setPos(host_->mapToGlobal(QPoint(300, 180)));
    QCoreApplication::processEvents();
}

bool tst_skinnedbuttoninput::waitForTick()
{
    QTimer *timer = hoverTimer();
    if (!timer || !timer->isActive())
        return false;
    QSignalSpy tick(timer, &QTimer::timeout);
    return tick.wait(TickDeadline);
}

// Brings an enabled button into `state` through real input.
void tst_skinnedbuttoninput::enterState(int state)
{
    button_->setButtonEnabled(true);
    if (state != SkinnedButton::StateNone)
        button_->startHoverTracking();
    if (state == SkinnedButton::StateSelected || state == SkinnedButton::StateHighLightSelect)
        button_->setFocus(Qt::TabFocusReason);
    if (state == SkinnedButton::StateHighLight || state == SkinnedButton::StateHighLightSelect)
        pointerOnButton();
    QCOMPARE(int(button_->state()), state);
    settlePaints();
}

void tst_skinnedbuttoninput::settlePaints()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    paints_.count = 0;
}

void tst_skinnedbuttoninput::transitionTable_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("after");
    QTest::addColumn<SkinList>("painted");
    QTest::addColumn<int>("clicks");

    const SkinList none;
    const Skin N = Skin::Normal, H = Skin::HighLight, P = Skin::Pressed, S = Skin::Selected, HS = Skin::HighLightSelect;
    // A left press takes the focus right after painting Pressed, so from states 0, 1 and 2 the
    // focus-gained transition follows the press.
    struct Row { const char *name; int before; Input input; int after; SkinList painted; int clicks; };
    const Row rows[] = {
        {"none/move", 0, Move, 0, none, 0},
        {"none/left down", 0, LeftDown, 3, {P, S}, 0},
        {"none/left up", 0, LeftUp, 0, none, 1},
        {"none/right up", 0, RightUp, 0, none, 1},
        {"none/middle up", 0, MiddleUp, 0, none, 1},
        {"none/focus in", 0, FocusIn, 3, {S}, 0},
        {"none/focus out", 0, FocusOut, 1, {N}, 0},
        {"none/hover end", 0, HoverEnd, 0, none, 0},
        {"normal/move", 1, Move, 2, {H}, 0},
        {"normal/left down", 1, LeftDown, 3, {P, S}, 0},
        {"normal/left up", 1, LeftUp, 1, none, 1},
        {"normal/right up", 1, RightUp, 1, none, 1},
        {"normal/middle up", 1, MiddleUp, 1, none, 1},
        {"normal/focus in", 1, FocusIn, 3, {S}, 0},
        {"normal/focus out", 1, FocusOut, 1, none, 0},
        {"normal/hover end", 1, HoverEnd, 1, none, 0},
        {"highlight/move", 2, Move, 2, none, 0},
        {"highlight/left down", 2, LeftDown, 4, {P, P}, 0},
        {"highlight/left up", 2, LeftUp, 2, {N}, 1},
        {"highlight/right up", 2, RightUp, 2, none, 1},
        {"highlight/middle up", 2, MiddleUp, 2, none, 1},
        {"highlight/focus in", 2, FocusIn, 4, {P}, 0},
        {"highlight/focus out", 2, FocusOut, 1, {N}, 0},
        {"highlight/hover end", 2, HoverEnd, 1, {N}, 0},
        {"selected/move", 3, Move, 4, {HS}, 0},
        {"selected/left down", 3, LeftDown, 3, {P}, 0},
        {"selected/left up", 3, LeftUp, 3, none, 0},
        {"selected/right up", 3, RightUp, 3, none, 0},
        {"selected/middle up", 3, MiddleUp, 3, none, 0},
        {"selected/focus in", 3, FocusIn, 3, {S}, 0},
        {"selected/focus out", 3, FocusOut, 1, {N}, 0},
        {"selected/hover end", 3, HoverEnd, 3, none, 0},
        {"highlightselect/move", 4, Move, 4, none, 0},
        {"highlightselect/left down", 4, LeftDown, 4, {P}, 0},
        {"highlightselect/left up", 4, LeftUp, 4, {HS}, 1},
        {"highlightselect/right up", 4, RightUp, 4, none, 1},
        {"highlightselect/middle up", 4, MiddleUp, 4, none, 1},
        {"highlightselect/focus in", 4, FocusIn, 3, {S}, 0},
        {"highlightselect/focus out", 4, FocusOut, 1, {N}, 0},
        {"highlightselect/hover end", 4, HoverEnd, 3, {S}, 0},
    };
    for (const Row &row : rows)
        QTest::newRow(row.name) << row.before << int(row.input) << row.after << row.painted << row.clicks;
}

void tst_skinnedbuttoninput::transitionTable()
{
    QFETCH(int, before);
    QFETCH(int, input);
    QFETCH(int, after);
    QFETCH(SkinList, painted);
    QFETCH(int, clicks);

    enterState(before);
    const QImage lookBefore = buttonlook::painted(*button_);
    settlePaints(); // reading the look back painted the button once
    const bool focused = before == SkinnedButton::StateSelected || before == SkinnedButton::StateHighLightSelect;
    const QPoint inside(ButtonSize.width() / 2 + 3, 20);
    switch (Input(input)) {
    case Move:
        pointerOnButton(inside);
        break;
    case LeftDown:
        QTest::mousePress(button_, Qt::LeftButton, {}, inside);
        break;
    case LeftUp:
        QTest::mouseRelease(button_, Qt::LeftButton, {}, inside);
        break;
    case RightUp:
        QTest::mouseRelease(button_, Qt::RightButton, {}, inside);
        break;
    case MiddleUp:
        QTest::mouseRelease(button_, Qt::MiddleButton, {}, inside);
        break;
    case FocusIn:
        if (focused) { // the platform does not repeat a focus the button has: deliver the event itself
            QFocusEvent event(QEvent::FocusIn, Qt::OtherFocusReason);
            QApplication::sendEvent(button_, &event);
        } else {
            button_->setFocus(Qt::TabFocusReason);
        }
        break;
    case FocusOut:
        if (focused) {
            other_->setFocus(Qt::TabFocusReason);
        } else {
            QFocusEvent event(QEvent::FocusOut, Qt::OtherFocusReason);
            QApplication::sendEvent(button_, &event);
        }
        break;
    case HoverEnd:
        pointerAway();
        if (before == SkinnedButton::StateNone)
            QVERIFY(!hoverTimer()->isActive()); // never polls
        else
            QVERIFY(waitForTick());
        break;
    }

    QCOMPARE(int(button_->state()), after);
    QCOMPARE(clicks_, clicks);
    // The looks painted one after another within one input reach the screen as the last of them;
    // the whole sequence is the state machine's.
    QCoreApplication::processEvents();
    if (painted.isEmpty()) {
        QCOMPARE(paints_.count, 0);
        QCOMPARE(buttonlook::painted(*button_), lookBefore);
    } else {
        QVERIFY(paints_.count > 0);
        VERIFY_SHOWS_SKIN(*button_, painted.last());
    }
    const auto [machinePainted, machineClicks] = machineReaction(before, Input(input));
    QCOMPARE(machinePainted, painted);
    QCOMPARE(machineClicks, clicks);
}

void tst_skinnedbuttoninput::usualClick()
{
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    pointerOnButton();
    QCOMPARE(button_->state(), SkinnedButton::StateHighLight);
    VERIFY_SHOWS_SKIN(*button_, Skin::HighLight);

    QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QVERIFY(button_->hasFocus());
    QCOMPARE(button_->state(), SkinnedButton::StateHighLightSelect);
    VERIFY_SHOWS_SKIN(*button_, Skin::Pressed);
    QVERIFY(button_->isMouseDown());
    QCOMPARE(clicks_, 0);

    QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
    VERIFY_SHOWS_SKIN(*button_, Skin::HighLightSelect);
    QVERIFY(!button_->isMouseDown());

    QElapsedTimer sinceLeaving;
    sinceLeaving.start();
    pointerAway();
    QTRY_COMPARE_WITH_TIMEOUT(button_->state(), SkinnedButton::StateSelected, TickDeadline);
    const qint64 hoverEnded = sinceLeaving.elapsed();
    qInfo("hover ended %lld ms after the pointer left", hoverEnded);
    QVERIFY2(hoverEnded <= 2 * SkinnedButton::HoverInterval, qPrintable(QString::number(hoverEnded)));
    VERIFY_SHOWS_SKIN(*button_, Skin::Selected);

    other_->setFocus(Qt::TabFocusReason);
    QCOMPARE(button_->state(), SkinnedButton::StateNormal);
    VERIFY_SHOWS_SKIN(*button_, Skin::Normal);
    QCOMPARE(clicks_, 1);
}

void tst_skinnedbuttoninput::dragOffCancelsTheClick()
{
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    pointerOnButton();
    QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(button_->state(), SkinnedButton::StateHighLightSelect);

    pointerAway();
    QTRY_COMPARE_WITH_TIMEOUT(button_->state(), SkinnedButton::StateSelected, TickDeadline);
    VERIFY_SHOWS_SKIN(*button_, Skin::Selected);

    // Coming back while the button is still held does not restore the hover look.
    settlePaints();
    QTest::mouseMove(button_, QPoint(30, 20)); // with the button held: delivered to the button itself
    QCOMPARE(button_->state(), SkinnedButton::StateSelected);
    QCoreApplication::processEvents();
    QCOMPARE(paints_.count, 0);

    QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(200, 150));
    QCOMPARE(clicks_, 0);
    QCOMPARE(button_->state(), SkinnedButton::StateSelected);
    VERIFY_SHOWS_SKIN(*button_, Skin::Selected);
    QVERIFY(!button_->isMouseDown());
}

void tst_skinnedbuttoninput::otherMouseButtonsClickWithoutPressedLook_data()
{
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void tst_skinnedbuttoninput::otherMouseButtonsClickWithoutPressedLook()
{
    QFETCH(Qt::MouseButton, mouseButton);
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    pointerOnButton();
    settlePaints();

    QTest::mouseClick(button_, mouseButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
    // No look at all is painted, so neither is Pressed: the hover look stays.
    QCoreApplication::processEvents();
    QCOMPARE(paints_.count, 0);
    VERIFY_SHOWS_SKIN(*button_, Skin::HighLight);
    QVERIFY(!button_->hasFocus());
    QCOMPARE(button_->state(), SkinnedButton::StateHighLight);

    // Focused and not hovered, the other buttons raise no click either.
    pointerAway();
    button_->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE_WITH_TIMEOUT(button_->state(), SkinnedButton::StateSelected, TickDeadline);
    QTest::mouseClick(button_, mouseButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
}

void tst_skinnedbuttoninput::disabledButtonIgnoresInput()
{
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    button_->setButtonEnabled(false);
    VERIFY_SHOWS_SKIN(*button_, Skin::Disable);
    QVERIFY(!caption()->isEnabled());
    settlePaints();

    pointerOnButton();
    QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QTest::mouseClick(button_, Qt::RightButton, {}, QPoint(30, 20));
    QTest::mouseClick(caption(), Qt::LeftButton);
    button_->setFocus(Qt::TabFocusReason);
    other_->setFocus(Qt::TabFocusReason);
    pointerAway();
    QVERIFY(waitForTick()); // polling goes on

    QCOMPARE(clicks_, 0);
    QCOMPARE(paints_.count, 0);
    QCOMPARE(button_->state(), SkinnedButton::StateNormal);
    QVERIFY(!button_->isMouseDown());
    VERIFY_SHOWS_SKIN(*button_, Skin::Disable);
}

// A hovered button disabled by its host keeps the disabled look when the pointer then leaves.
void tst_skinnedbuttoninput::disabledButtonKeepsItsLookWhenHoverEnds()
{
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    pointerOnButton();
    QCOMPARE(button_->state(), SkinnedButton::StateHighLight);
    button_->setButtonEnabled(false);
    settlePaints();

    pointerAway();
    QTRY_COMPARE_WITH_TIMEOUT(button_->state(), SkinnedButton::StateNormal, TickDeadline);
    QCoreApplication::processEvents();
    QCOMPARE(paints_.count, 0);
    VERIFY_SHOWS_SKIN(*button_, Skin::Disable);

    button_->setButtonEnabled(true);
    VERIFY_SHOWS_SKIN(*button_, Skin::Normal);
}

void tst_skinnedbuttoninput::neverInitialisedButtonShowsNoHover()
{
    button_->setButtonEnabled(true);
    settlePaints();
    pointerOnButton();
    QCOMPARE(button_->state(), SkinnedButton::StateNone);
    QCoreApplication::processEvents();
    QCOMPARE(paints_.count, 0);
    QVERIFY(!hoverTimer()->isActive());

    // Other buttons click without taking the focus.
    QTest::mouseClick(button_, Qt::RightButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
    QCOMPARE(button_->state(), SkinnedButton::StateNone);

    // A left press still paints Pressed; the focus it brings makes the button focused and shows that.
    QCOMPARE(machineReaction(SkinnedButton::StateNone, LeftDown).first.value(0), Skin::Pressed);
    QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(button_->state(), SkinnedButton::StateSelected);
    VERIFY_SHOWS_SKIN(*button_, Skin::Selected);
    QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
}

void tst_skinnedbuttoninput::keysNeverClick()
{
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    button_->setFocus(Qt::TabFocusReason);
    QVERIFY(button_->hasFocus());
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_A})
        QTest::keyClick(button_, key);
    QCOMPARE(clicks_, 0);
    QCOMPARE(button_->state(), SkinnedButton::StateSelected);
}

void tst_skinnedbuttoninput::captionCountsAsTheButton()
{
    QLabel *label = caption();
    QVERIFY(label);
    QCOMPARE(label->objectName(), QStringLiteral("caption"));
    button_->setButtonEnabled(true);
    button_->startHoverTracking();

    QTest::mouseMove(label, QPoint(label->width() / 2, label->height() / 2));
    QCOMPARE(QApplication::widgetAt(QCursor::pos()), label);
    QCOMPARE(button_->state(), SkinnedButton::StateHighLight);
    QVERIFY(waitForTick());
    QVERIFY(waitForTick());
    QCOMPARE(button_->state(), SkinnedButton::StateHighLight); // the pointer over the caption is over the button

    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(clicks_, 1);
    QVERIFY(button_->hasFocus());
    QCOMPARE(button_->state(), SkinnedButton::StateHighLightSelect);
}

void tst_skinnedbuttoninput::coveredButtonEndsHover()
{
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    pointerOnButton();
    QCOMPARE(button_->state(), SkinnedButton::StateHighLight);
    cover_->show();
    cover_->raise();
    QTRY_COMPARE_WITH_TIMEOUT(button_->state(), SkinnedButton::StateNormal, TickDeadline);
    VERIFY_SHOWS_SKIN(*button_, Skin::Normal);
}

void tst_skinnedbuttoninput::keyboardFocusUnderPointerShowsPressed()
{
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    pointerOnButton();
    button_->setFocus(Qt::TabFocusReason);
    QCOMPARE(button_->state(), SkinnedButton::StateHighLightSelect);
    VERIFY_SHOWS_SKIN(*button_, Skin::Pressed);
    QVERIFY(waitForTick());
    VERIFY_SHOWS_SKIN(*button_, Skin::Pressed); // stays while the pointer rests
    pointerAway();
    QTRY_COMPARE_WITH_TIMEOUT(button_->state(), SkinnedButton::StateSelected, TickDeadline);
    VERIFY_SHOWS_SKIN(*button_, Skin::Selected);
}

// Pressed painted in the hover state keeps the shade-on-top gradient of the hover look.
void tst_skinnedbuttoninput::pressedOverHoverKeepsHoverGradient()
{
    button_->setButtonEnabled(true);
    button_->startHoverTracking();
    pointerOnButton();
    QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(30, 20));
    VERIFY_SHOWS_SKIN(*button_, Skin::Pressed);
    const QImage surface = buttonlook::painted(*button_);
    QCOMPARE(surface.pixel(36, 4) & 0xffffff, 0xcfceddu);  // shade side: row 4 of 24
    QCOMPARE(surface.pixel(36, 20) & 0xffffff, 0xf5f5f8u); // white side: row 20
    // Every row inside the frame runs from the shade at the top to white at the bottom.
    for (int y = 4; y < 21; ++y)
        QCOMPARE(surface.pixel(36, y) & 0xffffff, ButtonLogic::SkinLayout::gradientRowColour(0xc6c5d7, 0xffffff, y, 24));
}

QTEST_MAIN(tst_skinnedbuttoninput)
#include "tst_skinnedbuttoninput.moc"
