// The button's behaviour under real input: every cell of its transition table, the usual click, the
// drag-off cancel, other mouse buttons, a disabled and a never initialised button, hover polling.
#include "Command.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Skin = Command::Skin;
using SkinList = QList<Skin>;
Q_DECLARE_METATYPE(SkinList)

namespace {

enum Input { Move, LeftDown, LeftUp, RightUp, MiddleUp, FocusIn, FocusOut, HoverEnd };

constexpr QSize ButtonSize(73, 25); // the dialog's save and cancel buttons, 1095 x 375 twips
constexpr int TickDeadline = 1000;  // ms to wait for one hover poll

const char *SkinPath(Skin skin)
{
    static const char *const paths[] = {":/button/Normal.bmp", ":/button/HighLight.bmp", ":/button/Pressed.bmp",
                                        ":/button/Disable.bmp", ":/button/Selected.bmp", ":/button/HighLightSelect.bmp"};
    return paths[int(skin)];
}

} // namespace

class CommandInputTest : public QObject
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
    void PointerOnButton(QPoint at = QPoint(ButtonSize.width() / 2, 21));
    void PointerAway();
    bool WaitForTick();
    void EnterState(int state);
    void CheckSurfaceShows(Skin skin);

    QWidget *host_ = nullptr;
    Command *button_ = nullptr;
    QLineEdit *other_ = nullptr;
    QWidget *cover_ = nullptr;
    SkinList painted_;
    int clicks_ = 0;
};

void CommandInputTest::init()
{
    host_ = new QWidget;
    host_->resize(320, 200);
    button_ = new Command(host_);
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
    PointerAway();
    painted_.clear();
    clicks_ = 0;
    connect(button_, &Command::SkinPainted, this, [this](Skin skin) { painted_ << skin; });
    connect(button_, &Command::Click, this, [this] { ++clicks_; });
}

void CommandInputTest::cleanup()
{
    // QTest remembers held buttons across tests: release a press the test left held.
    button_->disconnect(this);
    if (button_->MouseIsDown())
        QTest::mouseRelease(button_, Qt::LeftButton);
    delete host_;
    host_ = nullptr;
}

void CommandInputTest::PointerOnButton(QPoint at)
{
    QTest::mouseMove(button_, at);
}

void CommandInputTest::PointerAway()
{
    QCursor::setPos(host_->mapToGlobal(QPoint(300, 180)));
    QCoreApplication::processEvents();
}

bool CommandInputTest::WaitForTick()
{
    auto *timer = button_->findChild<QTimer *>(QStringLiteral("TmrMouse"));
    if (!timer || !timer->isActive())
        return false;
    QSignalSpy tick(timer, &QTimer::timeout);
    return tick.wait(TickDeadline);
}

// Brings an enabled button into `state` through real input.
void CommandInputTest::EnterState(int state)
{
    button_->SetEnabled(true);
    if (state != Command::StateNone)
        button_->Initialize();
    if (state == Command::StateSelected || state == Command::StateHighLightSelect)
        button_->setFocus(Qt::TabFocusReason);
    if (state == Command::StateHighLight || state == Command::StateHighLightSelect)
        PointerOnButton();
    QCOMPARE(int(button_->State()), state);
    painted_.clear();
}

// The top frame rows in the middle of the button hold the skin's top edge.
void CommandInputTest::CheckSurfaceShows(Skin skin)
{
    const QImage surface = button_->Surface().toImage();
    const QImage picture(SkinPath(skin));
    QVERIFY(!picture.isNull());
    for (int row = 0; row < 4; ++row)
        QCOMPARE(surface.pixel(surface.width() / 2, row), picture.pixel(picture.width() / 2, row));
}

void CommandInputTest::transitionTable_data()
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

void CommandInputTest::transitionTable()
{
    QFETCH(int, before);
    QFETCH(int, input);
    QFETCH(int, after);
    QFETCH(SkinList, painted);
    QFETCH(int, clicks);

    EnterState(before);
    const bool focused = before == Command::StateSelected || before == Command::StateHighLightSelect;
    const QPoint inside(ButtonSize.width() / 2 + 3, 20);
    switch (Input(input)) {
    case Move:
        PointerOnButton(inside);
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
        PointerAway();
        if (before == Command::StateNone)
            QVERIFY(!button_->findChild<QTimer *>(QStringLiteral("TmrMouse"))->isActive()); // never polls
        else
            QVERIFY(WaitForTick());
        break;
    }

    QCOMPARE(int(button_->State()), after);
    QCOMPARE(painted_, painted);
    QCOMPARE(clicks_, clicks);
    if (!painted.isEmpty())
        CheckSurfaceShows(painted.last());
}

void CommandInputTest::usualClick()
{
    button_->SetEnabled(true);
    button_->Initialize();
    PointerOnButton();
    QCOMPARE(button_->State(), Command::StateHighLight);
    QCOMPARE(button_->LastSkin(), Skin::HighLight);

    QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QVERIFY(button_->hasFocus());
    QCOMPARE(button_->State(), Command::StateHighLightSelect);
    QCOMPARE(button_->LastSkin(), Skin::Pressed);
    QVERIFY(button_->MouseIsDown());
    QCOMPARE(clicks_, 0);

    QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
    QCOMPARE(button_->LastSkin(), Skin::HighLightSelect);
    QVERIFY(!button_->MouseIsDown());

    QElapsedTimer sinceLeaving;
    sinceLeaving.start();
    PointerAway();
    QTRY_COMPARE_WITH_TIMEOUT(button_->State(), Command::StateSelected, TickDeadline);
    const qint64 hoverEnded = sinceLeaving.elapsed();
    qInfo("hover ended %lld ms after the pointer left", hoverEnded);
    QVERIFY2(hoverEnded <= 2 * Command::HoverInterval, qPrintable(QString::number(hoverEnded)));
    QCOMPARE(button_->LastSkin(), Skin::Selected);

    other_->setFocus(Qt::TabFocusReason);
    QCOMPARE(button_->State(), Command::StateNormal);
    QCOMPARE(button_->LastSkin(), Skin::Normal);
    QCOMPARE(clicks_, 1);
}

void CommandInputTest::dragOffCancelsTheClick()
{
    button_->SetEnabled(true);
    button_->Initialize();
    PointerOnButton();
    QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(button_->State(), Command::StateHighLightSelect);

    PointerAway();
    QTRY_COMPARE_WITH_TIMEOUT(button_->State(), Command::StateSelected, TickDeadline);
    QCOMPARE(button_->LastSkin(), Skin::Selected);

    // Coming back while the button is still held does not restore the hover look.
    painted_.clear();
    QTest::mouseMove(button_, QPoint(30, 20)); // with the button held: delivered to the button itself
    QCOMPARE(button_->State(), Command::StateSelected);
    QVERIFY(painted_.isEmpty());

    QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(200, 150));
    QCOMPARE(clicks_, 0);
    QCOMPARE(button_->State(), Command::StateSelected);
    QCOMPARE(button_->LastSkin(), Skin::Selected);
    QVERIFY(!button_->MouseIsDown());
}

void CommandInputTest::otherMouseButtonsClickWithoutPressedLook_data()
{
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void CommandInputTest::otherMouseButtonsClickWithoutPressedLook()
{
    QFETCH(Qt::MouseButton, mouseButton);
    button_->SetEnabled(true);
    button_->Initialize();
    PointerOnButton();
    painted_.clear();

    QTest::mouseClick(button_, mouseButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
    QVERIFY(!painted_.contains(Skin::Pressed));
    QVERIFY(!button_->hasFocus());
    QCOMPARE(button_->State(), Command::StateHighLight);

    // Focused and not hovered, the other buttons raise no Click either.
    PointerAway();
    button_->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE_WITH_TIMEOUT(button_->State(), Command::StateSelected, TickDeadline);
    QTest::mouseClick(button_, mouseButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
}

void CommandInputTest::disabledButtonIgnoresInput()
{
    button_->SetEnabled(true);
    button_->Initialize();
    button_->SetEnabled(false);
    QCOMPARE(button_->LastSkin(), Skin::Disable);
    QVERIFY(!button_->LblMsg()->isEnabled());
    painted_.clear();

    PointerOnButton();
    QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QTest::mouseClick(button_, Qt::RightButton, {}, QPoint(30, 20));
    QTest::mouseClick(const_cast<QLabel *>(button_->LblMsg()), Qt::LeftButton);
    button_->setFocus(Qt::TabFocusReason);
    other_->setFocus(Qt::TabFocusReason);
    PointerAway();
    QVERIFY(WaitForTick()); // polling goes on

    QCOMPARE(clicks_, 0);
    QVERIFY(painted_.isEmpty());
    QCOMPARE(button_->State(), Command::StateNormal);
    QVERIFY(!button_->MouseIsDown());
    CheckSurfaceShows(Skin::Disable);
}

// A hovered button disabled by its host keeps the disabled look when the pointer then leaves.
void CommandInputTest::disabledButtonKeepsItsLookWhenHoverEnds()
{
    button_->SetEnabled(true);
    button_->Initialize();
    PointerOnButton();
    QCOMPARE(button_->State(), Command::StateHighLight);
    button_->SetEnabled(false);
    painted_.clear();

    PointerAway();
    QTRY_COMPARE_WITH_TIMEOUT(button_->State(), Command::StateNormal, TickDeadline);
    QVERIFY(painted_.isEmpty());
    CheckSurfaceShows(Skin::Disable);

    button_->SetEnabled(true);
    CheckSurfaceShows(Skin::Normal);
}

void CommandInputTest::neverInitialisedButtonShowsNoHover()
{
    button_->SetEnabled(true);
    painted_.clear();
    PointerOnButton();
    QCOMPARE(button_->State(), Command::StateNone);
    QVERIFY(painted_.isEmpty());
    QVERIFY(!button_->findChild<QTimer *>(QStringLiteral("TmrMouse"))->isActive());

    // Other buttons click without taking the focus.
    QTest::mouseClick(button_, Qt::RightButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
    QCOMPARE(button_->State(), Command::StateNone);

    // A left press still shows Pressed; the focus it brings makes the button focused.
    QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(painted_.value(0), Skin::Pressed);
    QCOMPARE(button_->State(), Command::StateSelected);
    QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(clicks_, 1);
}

void CommandInputTest::keysNeverClick()
{
    button_->SetEnabled(true);
    button_->Initialize();
    button_->setFocus(Qt::TabFocusReason);
    QVERIFY(button_->hasFocus());
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_A})
        QTest::keyClick(button_, key);
    QCOMPARE(clicks_, 0);
    QCOMPARE(button_->State(), Command::StateSelected);
}

void CommandInputTest::captionCountsAsTheButton()
{
    auto *caption = const_cast<QLabel *>(button_->LblMsg());
    QCOMPARE(caption->objectName(), QStringLiteral("LblMsg"));
    button_->SetEnabled(true);
    button_->Initialize();

    QTest::mouseMove(caption, QPoint(caption->width() / 2, caption->height() / 2));
    QCOMPARE(QApplication::widgetAt(QCursor::pos()), caption);
    QCOMPARE(button_->State(), Command::StateHighLight);
    QVERIFY(WaitForTick());
    QVERIFY(WaitForTick());
    QCOMPARE(button_->State(), Command::StateHighLight); // the pointer over the caption is over the button

    QTest::mouseClick(caption, Qt::LeftButton);
    QCOMPARE(clicks_, 1);
    QVERIFY(button_->hasFocus());
    QCOMPARE(button_->State(), Command::StateHighLightSelect);
}

void CommandInputTest::coveredButtonEndsHover()
{
    button_->SetEnabled(true);
    button_->Initialize();
    PointerOnButton();
    QCOMPARE(button_->State(), Command::StateHighLight);
    cover_->show();
    cover_->raise();
    QTRY_COMPARE_WITH_TIMEOUT(button_->State(), Command::StateNormal, TickDeadline);
    QCOMPARE(button_->LastSkin(), Skin::Normal);
}

void CommandInputTest::keyboardFocusUnderPointerShowsPressed()
{
    button_->SetEnabled(true);
    button_->Initialize();
    PointerOnButton();
    button_->setFocus(Qt::TabFocusReason);
    QCOMPARE(button_->State(), Command::StateHighLightSelect);
    QCOMPARE(button_->LastSkin(), Skin::Pressed);
    QVERIFY(WaitForTick());
    QCOMPARE(button_->LastSkin(), Skin::Pressed); // stays while the pointer rests
    PointerAway();
    QTRY_COMPARE_WITH_TIMEOUT(button_->State(), Command::StateSelected, TickDeadline);
    QCOMPARE(button_->LastSkin(), Skin::Selected);
}

// Pressed painted in the hover state keeps the shade-on-top gradient of the hover look.
void CommandInputTest::pressedOverHoverKeepsHoverGradient()
{
    button_->SetEnabled(true);
    button_->Initialize();
    PointerOnButton();
    QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(button_->LastSkin(), Skin::Pressed);
    QVERIFY(button_->HoverGradient());
    const QImage surface = button_->Surface().toImage();
    QCOMPARE(surface.pixel(36, 4) & 0xffffff, 0xcfceddu);  // shade side: row 4 of 24
    QCOMPARE(surface.pixel(36, 20) & 0xffffff, 0xf5f5f8u); // white side: row 20
}

QTEST_MAIN(CommandInputTest)
#include "CommandInputTest.moc"
