// The button's saved design and properties: the property store's key matching and defaults, restoring
// a usual design, lossless save and restore, bad stored values, the first-run rule, opacity and looks.
#include "button/DialogFont.h"
#include "button/PropertyBag.h"
#include "button/SkinnedButton.h"
#include "tests/support/ButtonLook.h"

#include <QLabel>
#include <QTest>

using Skin = SkinnedButton::Skin;

namespace {

const QLabel *captionOf(const SkinnedButton &button) { return button.findChild<QLabel *>(QStringLiteral("caption")); }

QFont OtherFont()
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(12.5);
    font.setBold(true);
    font.setItalic(true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    return font;
}

} // namespace

class tst_skinnedbuttonproperties : public QObject
{
    Q_OBJECT
private slots:
    void bagMatchesKeysWithoutCase();
    void bagStoresOnlyValuesOtherThanTheDefault();
    void designWithCaptionAndFontRestoresAUsualButton();
    void saveThenRestoreIsLossless_data();
    void saveThenRestoreIsLossless();
    void badStoredValuesLeavePropertiesAlone_data();
    void badStoredValuesLeavePropertiesAlone();
    void firstReadOfEnabledEnablesANewButton();
    void visibleReadsBackZeroOr255_data();
    void visibleReadsBackZeroOr255();
    void transparentButtonShowsWhatLiesBehind();
    void enabledWritesPaintTheirLook();
    void readingPropertiesRepaintsTheIdleLook();
    void captionAndFontWritesDoNotRepaint();
};

void tst_skinnedbuttonproperties::bagMatchesKeysWithoutCase()
{
    PropertyBag bag;
    bag.writeProperty(QStringLiteral("FontColour"), 255, 0);
    QCOMPARE(bag.readProperty(QStringLiteral("fontcolour"), 0).toInt(), 255);
    QCOMPARE(bag.readProperty(QStringLiteral("FONTCOLOUR"), 0).toInt(), 255);
    QVERIFY(bag.contains(QStringLiteral("fOntColoUr")));
    bag.writeProperty(QStringLiteral("FONTCOLOUR"), 7, 0); // the same entry
    QCOMPARE(bag.keys().size(), 1);
    QCOMPARE(bag.readProperty(QStringLiteral("FontColour")).toInt(), 7);
    QCOMPARE(bag.readProperty(QStringLiteral("Missing"), QStringLiteral("fallback")).toString(), QStringLiteral("fallback"));
}

void tst_skinnedbuttonproperties::bagStoresOnlyValuesOtherThanTheDefault()
{
    PropertyBag bag;
    bag.writeProperty(QStringLiteral("FirstRun"), 1, QStringLiteral("1")); // equal once "1" is a number
    bag.writeProperty(QStringLiteral("Enabled"), true, true);
    bag.writeProperty(QStringLiteral("Caption"), QStringLiteral("Command"), QStringLiteral("Command"));
    QVERIFY(bag.keys().isEmpty());
    bag.writeProperty(QStringLiteral("FirstRun"), 0, QStringLiteral("1"));
    bag.writeProperty(QStringLiteral("Caption"), QStringLiteral("command"), QStringLiteral("Command")); // values keep case
    QCOMPARE(bag.keys().size(), 2);
    bag.writeProperty(QStringLiteral("FirstRun"), 1, QStringLiteral("1")); // back to the default: gone
    QCOMPARE(bag.keys(), QStringList{QStringLiteral("Caption")});
}

void tst_skinnedbuttonproperties::designWithCaptionAndFontRestoresAUsualButton()
{
    PropertyBag design;
    design.writeProperty(QStringLiteral("Caption"), QStringLiteral("保存"));
    design.writeProperty(QStringLiteral("Font"), DialogFont::font());
    QWidget host;
    host.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    SkinnedButton button(&host);
    buttonlook::settle(button); // shows the disabled look of a new button
    button.readProperties(design);

    QVERIFY(button.enabledValue());
    QCOMPARE(button.firstRun(), quint8(1));
    QCOMPARE(button.caption(), QStringLiteral("保存"));
    QCOMPARE(button.captionFont(), DialogFont::font());
    VERIFY_SHOWS_SKIN(button, Skin::Normal);
    QVERIFY(captionOf(button)->isEnabled());
    QCOMPARE(captionOf(button)->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(button.captionColour(), 0u);
    QCOMPARE(button.opacity(), quint8(255));
    QVERIFY(button.isButtonEnabled());

    // Saved again, the same two entries come back.
    PropertyBag saved;
    button.writeProperties(saved);
    QStringList keys = saved.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("Caption"), QStringLiteral("Font")}));
}

void tst_skinnedbuttonproperties::saveThenRestoreIsLossless_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("otherFont");
    QTest::addColumn<quint32>("colour");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<quint8>("visible");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("all defaults") << "Command" << false << 0u << true << quint8(1) << QStringList{};
    QTest::newRow("caption only") << "参照" << false << 0u << true << quint8(1) << QStringList{"Caption"};
    QTest::newRow("empty caption") << "" << false << 0u << true << quint8(1) << QStringList{"Caption"};
    QTest::newRow("the restore default of other hosts") << "Command1" << false << 0u << true << quint8(1) << QStringList{"Caption"};
    QTest::newRow("font") << "Command" << true << 0u << true << quint8(1) << QStringList{"Font"};
    QTest::newRow("pale yellow") << "Command" << false << 0x00c0ffffu << true << quint8(1) << QStringList{"FontColour"};
    QTest::newRow("disabled") << "Command" << false << 0u << false << quint8(1) << QStringList{"Enabled"};
    QTest::newRow("transparent") << "Command" << false << 0u << true << quint8(0) << QStringList{"Visible"};
    QTest::newRow("everything") << "キャンセル" << true << 0x00123456u << false << quint8(0)
                                << QStringList{"Caption", "Enabled", "Font", "FontColour", "Visible"};
}

void tst_skinnedbuttonproperties::saveThenRestoreIsLossless()
{
    QFETCH(QString, caption);
    QFETCH(bool, otherFont);
    QFETCH(quint32, colour);
    QFETCH(bool, enabled);
    QFETCH(quint8, visible);
    QFETCH(QStringList, stored);

    QWidget host;
    SkinnedButton original(&host);
    original.readProperties(PropertyBag()); // a placed button: FirstRun 1, enabled, black
    original.setCaption(caption);
    if (otherFont)
        original.setCaptionFont(OtherFont());
    original.setCaptionColour(colour);
    original.setButtonEnabled(enabled);
    original.setOpacity(visible);

    PropertyBag bag;
    original.writeProperties(bag);
    QStringList keys = bag.keys();
    keys.sort();
    QCOMPARE(keys, stored);

    SkinnedButton restored(&host);
    restored.readProperties(bag);
    QCOMPARE(restored.caption(), caption);
    QCOMPARE(restored.captionFont(), original.captionFont());
    QCOMPARE(restored.enabledValue(), enabled);
    QCOMPARE(restored.firstRun(), quint8(1));
    QCOMPARE(restored.captionColour(), colour);
    QCOMPARE(restored.opacity(), visible ? quint8(255) : quint8(0));

    // And a second round trip stores the same entries.
    PropertyBag again;
    restored.writeProperties(again);
    QStringList againKeys = again.keys();
    againKeys.sort();
    QCOMPARE(againKeys, stored);
}

void tst_skinnedbuttonproperties::badStoredValuesLeavePropertiesAlone_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("non-numeric colour") << "FontColour" << QVariant(QStringLiteral("red"));
    QTest::newRow("colour beyond 32 bits") << "FontColour" << QVariant(QStringLiteral("4294967296"));
    QTest::newRow("enabled word") << "Enabled" << QVariant(QStringLiteral("maybe"));
    QTest::newRow("first run beyond a byte") << "FirstRun" << QVariant(QStringLiteral("300"));
    QTest::newRow("negative first run") << "FirstRun" << QVariant(-1);
    QTest::newRow("visible beyond 16 bits") << "Visible" << QVariant(70000);
    QTest::newRow("visible text") << "Visible" << QVariant(QStringLiteral("yes"));
    QTest::newRow("font garbage") << "Font" << QVariant(QStringLiteral(",,,"));
    QTest::newRow("font number") << "Font" << QVariant(12);
}

// A value that does not convert leaves the property as the button had it; the other entries apply.
void tst_skinnedbuttonproperties::badStoredValuesLeavePropertiesAlone()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);

    QWidget host;
    SkinnedButton button(&host);
    button.readProperties(PropertyBag());
    button.setCaptionColour(0x00112233);
    button.setCaptionFont(OtherFont());
    button.setOpacity(0);
    button.setButtonEnabled(false);
    const QFont fontBefore = button.captionFont();

    PropertyBag bag;
    bag.writeProperty(key, value);
    bag.writeProperty(QStringLiteral("Caption"), QStringLiteral("after"));
    button.readProperties(bag);

    QCOMPARE(button.caption(), QStringLiteral("after"));
    if (key == "FontColour")
        QCOMPARE(button.captionColour(), 0x00112233u);
    if (key == "Enabled")
        QVERIFY(!button.enabledValue());
    if (key == "FirstRun")
        QCOMPARE(button.firstRun(), quint8(1));
    if (key == "Visible")
        QCOMPARE(button.opacity(), quint8(0));
    if (key == "Font")
        QCOMPARE(button.captionFont(), fontBefore);
}

void tst_skinnedbuttonproperties::firstReadOfEnabledEnablesANewButton()
{
    SkinnedButton button;
    buttonlook::settle(button); // shows the disabled look of a new button
    QVERIFY(!button.enabledValue());
    QCOMPARE(button.firstRun(), quint8(0));
    QCOMPARE(button.state(), SkinnedButton::StateNone);

    QVERIFY(button.isButtonEnabled());
    QVERIFY(button.enabledValue());
    QCOMPARE(button.firstRun(), quint8(1));
    VERIFY_SHOWS_SKIN(button, Skin::Normal);
    QCOMPARE(button.state(), SkinnedButton::StateNone);
    QCOMPARE(captionOf(button)->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));
    QVERIFY(captionOf(button)->isEnabled());
    QVERIFY(button.isButtonEnabled()); // the rule runs once
    QCOMPARE(button.firstRun(), quint8(1));
}

void tst_skinnedbuttonproperties::visibleReadsBackZeroOr255_data()
{
    QTest::addColumn<quint8>("written");
    QTest::addColumn<quint8>("read");
    QTest::newRow("0") << quint8(0) << quint8(0);
    QTest::newRow("1") << quint8(1) << quint8(255);
    QTest::newRow("7") << quint8(7) << quint8(255);
    QTest::newRow("255") << quint8(255) << quint8(255);
}

void tst_skinnedbuttonproperties::visibleReadsBackZeroOr255()
{
    QFETCH(quint8, written);
    SkinnedButton button;
    button.readProperties(PropertyBag());
    button.setOpacity(written);
    QTEST(button.opacity(), "read");
}

void tst_skinnedbuttonproperties::transparentButtonShowsWhatLiesBehind()
{
    QWidget host;
    host.resize(120, 60);
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, QColor(200, 0, 0));
    host.setPalette(palette);
    SkinnedButton button(&host);
    button.setGeometry(10, 10, 73, 25);
    button.readProperties(PropertyBag());
    button.setCaption(QStringLiteral("W"));

    const QImage opaque = host.grab().toImage();
    QCOMPARE(opaque.pixel(10 + 36, 10 + 1), buttonlook::painted(button).pixel(36, 1));

    button.setOpacity(0);
    const QImage transparent = host.grab().toImage();
    QCOMPARE(transparent.pixel(10 + 36, 10 + 1), qRgb(200, 0, 0));  // frame gone
    QCOMPARE(transparent.pixel(10 + 2, 10 + 20), qRgb(200, 0, 0));  // gradient gone
    // The caption still draws: some pixel inside the label differs from the background.
    const QRect label = captionOf(button)->geometry().translated(10, 10);
    bool captionShows = false;
    for (int y = label.top(); y <= label.bottom() && !captionShows; ++y)
        for (int x = label.left(); x <= label.right() && !captionShows; ++x)
            captionShows = transparent.pixel(x, y) != qRgb(200, 0, 0);
    QVERIFY(captionShows);
}

void tst_skinnedbuttonproperties::enabledWritesPaintTheirLook()
{
    SkinnedButton button;
    buttonlook::settle(button);
    button.readProperties(PropertyBag());
    button.startHoverTracking();
    button.setButtonEnabled(false);
    VERIFY_SHOWS_SKIN(button, Skin::Disable);
    QVERIFY(!captionOf(button)->isEnabled());
    QVERIFY(!button.isButtonEnabled());
    VERIFY_SHOWS_SKIN(button, Skin::Disable);
    button.setButtonEnabled(true);
    VERIFY_SHOWS_SKIN(button, Skin::Normal);
    QVERIFY(captionOf(button)->isEnabled());
    QCOMPARE(button.state(), SkinnedButton::StateNormal);
}

// Reading whether it is enabled, the caption colour or an opaque opacity repaints the idle look; the state stays.
void tst_skinnedbuttonproperties::readingPropertiesRepaintsTheIdleLook()
{
    for (int which = 0; which < 3; ++which) {
        SkinnedButton button;
        buttonlook::settle(button);
        button.readProperties(PropertyBag());
        button.startHoverTracking();
        button.paintSkin(Skin::Selected);
        VERIFY_SHOWS_SKIN(button, Skin::Selected);
        if (which == 0)
            button.isButtonEnabled();
        else if (which == 1)
            button.captionColour();
        else
            button.opacity();
        VERIFY_SHOWS_SKIN(button, Skin::Normal); // repainted
        QCOMPARE(button.state(), SkinnedButton::StateNormal);
    }
}

void tst_skinnedbuttonproperties::captionAndFontWritesDoNotRepaint()
{
    SkinnedButton button;
    buttonlook::settle(button);
    button.readProperties(PropertyBag());
    // Any repaint would show the idle look over this one.
    button.paintSkin(Skin::Selected);
    QStringList changed;
    connect(&button, &SkinnedButton::propertyChanged, this, [&changed](const QString &name) { changed << name; });
    button.setCaption(QStringLiteral("x"));
    button.setCaptionFont(OtherFont());
    VERIFY_SHOWS_SKIN(button, Skin::Selected);
    QCOMPARE(changed, (QStringList{QStringLiteral("Caption"), QStringLiteral("Font")}));
}

QTEST_MAIN(tst_skinnedbuttonproperties)
#include "tst_skinnedbuttonproperties.moc"
