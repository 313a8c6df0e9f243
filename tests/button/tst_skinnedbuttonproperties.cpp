// The button's saved design and properties: the property store's key matching and defaults, restoring
// a usual design, lossless save and restore, bad stored values, the first-run rule, opacity and looks.
#include "Command.h"
#include "PropertyBag.h"

#include <QLabel>
#include <QTest>

using Skin = Command::Skin;

namespace {

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

class CommandPropertiesTest : public QObject
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

void CommandPropertiesTest::bagMatchesKeysWithoutCase()
{
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("FontColour"), 255, 0);
    QCOMPARE(bag.ReadProperty(QStringLiteral("fontcolour"), 0).toInt(), 255);
    QCOMPARE(bag.ReadProperty(QStringLiteral("FONTCOLOUR"), 0).toInt(), 255);
    QVERIFY(bag.contains(QStringLiteral("fOntColoUr")));
    bag.WriteProperty(QStringLiteral("FONTCOLOUR"), 7, 0); // the same entry
    QCOMPARE(bag.keys().size(), 1);
    QCOMPARE(bag.ReadProperty(QStringLiteral("FontColour")).toInt(), 7);
    QCOMPARE(bag.ReadProperty(QStringLiteral("Missing"), QStringLiteral("fallback")).toString(), QStringLiteral("fallback"));
}

void CommandPropertiesTest::bagStoresOnlyValuesOtherThanTheDefault()
{
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("FirstRun"), 1, QStringLiteral("1")); // equal once "1" is a number
    bag.WriteProperty(QStringLiteral("Enabled"), true, true);
    bag.WriteProperty(QStringLiteral("Caption"), QStringLiteral("Command"), QStringLiteral("Command"));
    QVERIFY(bag.keys().isEmpty());
    bag.WriteProperty(QStringLiteral("FirstRun"), 0, QStringLiteral("1"));
    bag.WriteProperty(QStringLiteral("Caption"), QStringLiteral("command"), QStringLiteral("Command")); // values keep case
    QCOMPARE(bag.keys().size(), 2);
    bag.WriteProperty(QStringLiteral("FirstRun"), 1, QStringLiteral("1")); // back to the default: gone
    QCOMPARE(bag.keys(), QStringList{QStringLiteral("Caption")});
}

void CommandPropertiesTest::designWithCaptionAndFontRestoresAUsualButton()
{
    PropertyBag design;
    design.WriteProperty(QStringLiteral("Caption"), QStringLiteral("保存"));
    design.WriteProperty(QStringLiteral("Font"), Command::DesignFont());
    QWidget host;
    host.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    Command button(&host);
    button.ReadProperties(design);

    QVERIFY(button.EnabledValue());
    QCOMPARE(button.FirstRun(), quint8(1));
    QCOMPARE(button.Caption(), QStringLiteral("保存"));
    QCOMPARE(button.Font(), Command::DesignFont());
    QCOMPARE(button.LastSkin(), Skin::Normal);
    QVERIFY(button.LblMsg()->isEnabled());
    QCOMPARE(button.LblMsg()->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(button.FontColour(), 0u);
    QCOMPARE(button.Visible(), quint8(255));
    QVERIFY(button.Enabled());

    // Saved again, the same two entries come back.
    PropertyBag saved;
    button.WriteProperties(saved);
    QStringList keys = saved.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("Caption"), QStringLiteral("Font")}));
}

void CommandPropertiesTest::saveThenRestoreIsLossless_data()
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

void CommandPropertiesTest::saveThenRestoreIsLossless()
{
    QFETCH(QString, caption);
    QFETCH(bool, otherFont);
    QFETCH(quint32, colour);
    QFETCH(bool, enabled);
    QFETCH(quint8, visible);
    QFETCH(QStringList, stored);

    QWidget host;
    Command original(&host);
    original.ReadProperties(PropertyBag()); // a placed button: FirstRun 1, enabled, black
    original.SetCaption(caption);
    if (otherFont)
        original.SetFont(OtherFont());
    original.SetFontColour(colour);
    original.SetEnabled(enabled);
    original.SetVisible(visible);

    PropertyBag bag;
    original.WriteProperties(bag);
    QStringList keys = bag.keys();
    keys.sort();
    QCOMPARE(keys, stored);

    Command restored(&host);
    restored.ReadProperties(bag);
    QCOMPARE(restored.Caption(), caption);
    QCOMPARE(restored.Font(), original.Font());
    QCOMPARE(restored.EnabledValue(), enabled);
    QCOMPARE(restored.FirstRun(), quint8(1));
    QCOMPARE(restored.FontColour(), colour);
    QCOMPARE(restored.Visible(), visible ? quint8(255) : quint8(0));

    // And a second round trip stores the same entries.
    PropertyBag again;
    restored.WriteProperties(again);
    QStringList againKeys = again.keys();
    againKeys.sort();
    QCOMPARE(againKeys, stored);
}

void CommandPropertiesTest::badStoredValuesLeavePropertiesAlone_data()
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
void CommandPropertiesTest::badStoredValuesLeavePropertiesAlone()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);

    QWidget host;
    Command button(&host);
    button.ReadProperties(PropertyBag());
    button.SetFontColour(0x00112233);
    button.SetFont(OtherFont());
    button.SetVisible(0);
    button.SetEnabled(false);
    const QFont fontBefore = button.Font();

    PropertyBag bag;
    bag.WriteProperty(key, value);
    bag.WriteProperty(QStringLiteral("Caption"), QStringLiteral("after"));
    button.ReadProperties(bag);

    QCOMPARE(button.Caption(), QStringLiteral("after"));
    if (key == "FontColour")
        QCOMPARE(button.FontColour(), 0x00112233u);
    if (key == "Enabled")
        QVERIFY(!button.EnabledValue());
    if (key == "FirstRun")
        QCOMPARE(button.FirstRun(), quint8(1));
    if (key == "Visible")
        QCOMPARE(button.Visible(), quint8(0));
    if (key == "Font")
        QCOMPARE(button.Font(), fontBefore);
}

void CommandPropertiesTest::firstReadOfEnabledEnablesANewButton()
{
    Command button;
    QVERIFY(!button.EnabledValue());
    QCOMPARE(button.FirstRun(), quint8(0));
    QCOMPARE(button.State(), Command::StateNone);

    QVERIFY(button.Enabled());
    QVERIFY(button.EnabledValue());
    QCOMPARE(button.FirstRun(), quint8(1));
    QCOMPARE(button.LastSkin(), Skin::Normal);
    QCOMPARE(button.State(), Command::StateNone);
    QCOMPARE(button.LblMsg()->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));
    QVERIFY(button.LblMsg()->isEnabled());
    QVERIFY(button.Enabled()); // the rule runs once
    QCOMPARE(button.FirstRun(), quint8(1));
}

void CommandPropertiesTest::visibleReadsBackZeroOr255_data()
{
    QTest::addColumn<quint8>("written");
    QTest::addColumn<quint8>("read");
    QTest::newRow("0") << quint8(0) << quint8(0);
    QTest::newRow("1") << quint8(1) << quint8(255);
    QTest::newRow("7") << quint8(7) << quint8(255);
    QTest::newRow("255") << quint8(255) << quint8(255);
}

void CommandPropertiesTest::visibleReadsBackZeroOr255()
{
    QFETCH(quint8, written);
    Command button;
    button.ReadProperties(PropertyBag());
    button.SetVisible(written);
    QTEST(button.Visible(), "read");
}

void CommandPropertiesTest::transparentButtonShowsWhatLiesBehind()
{
    QWidget host;
    host.resize(120, 60);
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, QColor(200, 0, 0));
    host.setPalette(palette);
    Command button(&host);
    button.setGeometry(10, 10, 73, 25);
    button.ReadProperties(PropertyBag());
    button.SetCaption(QStringLiteral("W"));

    const QImage opaque = host.grab().toImage();
    QCOMPARE(opaque.pixel(10 + 36, 10 + 1), button.Surface().toImage().pixel(36, 1));

    button.SetVisible(0);
    const QImage transparent = host.grab().toImage();
    QCOMPARE(transparent.pixel(10 + 36, 10 + 1), qRgb(200, 0, 0));  // frame gone
    QCOMPARE(transparent.pixel(10 + 2, 10 + 20), qRgb(200, 0, 0));  // gradient gone
    // The caption still draws: some pixel inside the label differs from the background.
    const QRect label = button.LblMsg()->geometry().translated(10, 10);
    bool captionShows = false;
    for (int y = label.top(); y <= label.bottom() && !captionShows; ++y)
        for (int x = label.left(); x <= label.right() && !captionShows; ++x)
            captionShows = transparent.pixel(x, y) != qRgb(200, 0, 0);
    QVERIFY(captionShows);
}

void CommandPropertiesTest::enabledWritesPaintTheirLook()
{
    Command button;
    button.ReadProperties(PropertyBag());
    button.Initialize();
    button.SetEnabled(false);
    QCOMPARE(button.LastSkin(), Skin::Disable);
    QVERIFY(!button.LblMsg()->isEnabled());
    QVERIFY(!button.Enabled());
    QCOMPARE(button.LastSkin(), Skin::Disable);
    button.SetEnabled(true);
    QCOMPARE(button.LastSkin(), Skin::Normal);
    QVERIFY(button.LblMsg()->isEnabled());
    QCOMPARE(button.State(), Command::StateNormal);
}

// Reading Enabled, FontColour or an opaque Visible repaints the idle look; the state stays.
void CommandPropertiesTest::readingPropertiesRepaintsTheIdleLook()
{
    for (int which = 0; which < 3; ++which) {
        Command button;
        button.ReadProperties(PropertyBag());
        button.Initialize();
        button.PaintSkin(Skin::Selected);
        const int before = button.PaintCount();
        if (which == 0)
            button.Enabled();
        else if (which == 1)
            button.FontColour();
        else
            button.Visible();
        QCOMPARE(button.PaintCount(), before + 1);
        QCOMPARE(button.LastSkin(), Skin::Normal);
        QCOMPARE(button.State(), Command::StateNormal);
    }
}

void CommandPropertiesTest::captionAndFontWritesDoNotRepaint()
{
    Command button;
    button.ReadProperties(PropertyBag());
    const int before = button.PaintCount();
    QStringList changed;
    connect(&button, &Command::PropertyChanged, this, [&changed](const QString &name) { changed << name; });
    button.SetCaption(QStringLiteral("x"));
    button.SetFont(OtherFont());
    QCOMPARE(button.PaintCount(), before);
    QCOMPARE(changed, (QStringList{QStringLiteral("Caption"), QStringLiteral("Font")}));
}

QTEST_MAIN(CommandPropertiesTest)
#include "CommandPropertiesTest.moc"
