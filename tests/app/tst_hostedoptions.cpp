// Tests of the hosted-mode command line: which arguments choose it, what each host's command line gives, what is refused.
#include "app/HostedOptions.h"

#include <QRegularExpression>
#include <QTest>

#include <optional>

using WindowId = std::optional<quint32>;
using Texture = std::optional<HostedOptions::Texture>;
using Picture = std::optional<QByteArray>;
using Speed = std::optional<int>;
Q_DECLARE_METATYPE(WindowId)
Q_DECLARE_METATYPE(Texture)
Q_DECLARE_METATYPE(Picture)
Q_DECLARE_METATYPE(Speed)
using Registration = std::optional<HostedOptions::Registration>;
Q_DECLARE_METATYPE(Registration)

namespace {

// A command line split at blanks, as a shell would pass it without quotes.
QByteArrayList words(const char *commandLine)
{
    QByteArrayList list = QByteArray(commandLine).split(' ');
    list.removeAll(QByteArray());
    return list;
}

} // namespace

class TestHostedOptions : public QObject
{
    Q_OBJECT

private slots:
    void firstArgumentChoosesHostedMode_data();
    void firstArgumentChoosesHostedMode();
    void eachHostGetsItsWindow_data();
    void eachHostGetsItsWindow();
    void readsGoodFlags_data();
    void readsGoodFlags();
    void refusesBadFlagsNamingTheOption_data();
    void refusesBadFlagsNamingTheOption();
    void refusesMalformedEnvironmentWindow_data();
    void refusesMalformedEnvironmentWindow();
    void messagesShowValuesPrintable_data();
    void messagesShowValuesPrintable();
    void pictureKeepsBytesThatAreNotText();
    void helpStopsReadingButAnEarlierErrorWins();
    void versionAndRegistrationStopReading_data();
    void versionAndRegistrationStopReading();
    void usageNamesEveryKnownOption();
};

void TestHostedOptions::firstArgumentChoosesHostedMode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hosted");
    QTest::newRow("--root") << QStringList{"--root"} << true;
    QTest::newRow("-root") << QStringList{"-root"} << true;
    QTest::newRow("--window-id 0x10") << QStringList{"--window-id", "0x10"} << true;
    QTest::newRow("-window-id 0x10") << QStringList{"-window-id", "0x10"} << true;
    QTest::newRow("-window-id=0x10") << QStringList{"-window-id=0x10"} << true;
    QTest::newRow("--speed 30 first") << QStringList{"--speed", "30"} << true;
    QTest::newRow("unknown long option still hosted") << QStringList{"--frobnicate"} << true;
    QTest::newRow("--help") << QStringList{"--help"} << true;
    for (const char *flag : {"-window", "-install", "-noinstall", "-visual", "-fps", "-no-fps", "-mono"})
        QTest::newRow(flag) << QStringList{flag} << true;

    QTest::newRow("nothing") << QStringList{} << false;
    QTest::newRow("/s") << QStringList{"/s"} << false;
    QTest::newRow("-s") << QStringList{"-s"} << false;
    QTest::newRow("/c") << QStringList{"/c"} << false;
    QTest::newRow("/p 123") << QStringList{"/p", "123"} << false;
    QTest::newRow("/screen") << QStringList{"/screen"} << false;
    QTest::newRow("-speed is the saver by its s") << QStringList{"-speed", "30"} << false;
    QTest::newRow("-texture one dash") << QStringList{"-texture", "picture"} << false;
    QTest::newRow("-h") << QStringList{"-h"} << false;
    QTest::newRow("-ROOT upper case") << QStringList{"-ROOT"} << false;
    QTest::newRow("-rootx") << QStringList{"-rootx"} << false;
    QTest::newRow("bare --") << QStringList{"--"} << false;
    QTest::newRow("bare -") << QStringList{"-"} << false;
    QTest::newRow("--root second") << QStringList{"/s", "--root"} << false;
    QTest::newRow("empty first argument") << QStringList{"", "--root"} << false;
}

void TestHostedOptions::firstArgumentChoosesHostedMode()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, hosted);
    QCOMPARE(HostedOptions::selects(arguments), hosted);
}

void TestHostedOptions::eachHostGetsItsWindow_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArray>("environmentWindow");
    QTest::addColumn<WindowId>("window"); // nothing: the root window

    QTest::newRow("xscreensaver daemon: --root and hex variable")
        << words("--root") << QByteArray("0x1c00007") << WindowId(0x1c00007);
    QTest::newRow("xscreensaver daemon with options")
        << words("--root --texture picture --speed 55") << QByteArray("0x1C00007") << WindowId(0x1c00007);
    QTest::newRow("xscreensaver settings preview: --window-id wins over the variable")
        << words("--root --window-id 0x1a00005") << QByteArray("0x2e00001") << WindowId(0x1a00005);
    QTest::newRow("settings preview without variable")
        << words("--root --window-id 0x1a00005") << QByteArray() << WindowId(0x1a00005);
    QTest::newRow("xsecurelock: -root and decimal variable")
        << words("-root") << QByteArray("41943047") << WindowId(41943047);
    QTest::newRow("MATE's saver: --root and hex variable")
        << words("--root") << QByteArray("0x3A0000C") << WindowId(0x3a0000c);
    QTest::newRow("--root alone: the root window") << words("--root") << QByteArray() << WindowId();
    QTest::newRow("variable set to nothing: the root window") << words("--root") << QByteArray("") << WindowId();
    QTest::newRow("decimal --window-id") << words("--window-id 27262981") << QByteArray() << WindowId(27262981);
    QTest::newRow("upper-case hex --window-id") << words("--window-id 0X1A00005") << QByteArray() << WindowId(0x1a00005);
    QTest::newRow("--window-id=") << words("--window-id=0x1a00005") << QByteArray() << WindowId(0x1a00005);
    QTest::newRow("-window-id one dash") << words("-window-id 0x1a00005") << QByteArray() << WindowId(0x1a00005);
    QTest::newRow("largest 32-bit id") << words("--window-id 0xffffffff") << QByteArray() << WindowId(0xffffffffu);
    QTest::newRow("largest decimal id") << words("--window-id 4294967295") << QByteArray() << WindowId(0xffffffffu);
    QTest::newRow("leading zeros are not octal") << words("--window-id 0010") << QByteArray() << WindowId(10);
    QTest::newRow("hex with leading zeros") << words("--window-id 0x0000000001a") << QByteArray() << WindowId(0x1a);
    QTest::newRow("last --window-id wins") << words("--window-id 0x10 --window-id 0x20") << QByteArray() << WindowId(0x20);
}

void TestHostedOptions::eachHostGetsItsWindow()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArray, environmentWindow);
    QFETCH(WindowId, window);

    const HostedOptions options = HostedOptions::parse(arguments);
    QCOMPARE(options.error, QString());
    const HostedOptions::Target target = HostedOptions::resolveTarget(options, environmentWindow);
    QCOMPARE(target.error, QString());
    QCOMPARE(target.windowId, window);
}

void TestHostedOptions::readsGoodFlags_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<Texture>("texture");
    QTest::addColumn<Picture>("picture");
    QTest::addColumn<Speed>("speed");
    QTest::addColumn<bool>("help");
    using T = HostedOptions::Texture;

    QTest::newRow("no settings flags") << words("--root") << Texture() << Picture() << Speed() << false;
    QTest::newRow("--texture desktop") << words("--root --texture desktop") << Texture(T::Desktop) << Picture() << Speed() << false;
    QTest::newRow("--texture picture") << words("--root --texture picture") << Texture(T::Picture) << Picture() << Speed() << false;
    QTest::newRow("--texture=picture") << words("--root --texture=picture") << Texture(T::Picture) << Picture() << Speed() << false;
    QTest::newRow("--picture with blank in name")
        << QByteArrayList{"--root", "--picture", "/home/me/my pictures/a.jpg"} << Texture()
        << Picture("/home/me/my pictures/a.jpg") << Speed() << false;
    QTest::newRow("--picture= keeps later '='")
        << words("--picture=/tmp/a=b.jpg") << Texture() << Picture("/tmp/a=b.jpg") << Speed() << false;
    QTest::newRow("--picture starting with a dash")
        << words("--picture -x.jpg") << Texture() << Picture("-x.jpg") << Speed() << false;
    QTest::newRow("--speed 1") << words("--root --speed 1") << Texture() << Picture() << Speed(1) << false;
    QTest::newRow("--speed 100") << words("--root --speed 100") << Texture() << Picture() << Speed(100) << false;
    QTest::newRow("--speed 020") << words("--root --speed 020") << Texture() << Picture() << Speed(20) << false;
    QTest::newRow("--speed=37") << words("--speed=37") << Texture() << Picture() << Speed(37) << false;
    QTest::newRow("last --speed wins") << words("--speed 5 --speed 6") << Texture() << Picture() << Speed(6) << false;
    QTest::newRow("ignored host flags, two dashes")
        << words("--root --window --install --noinstall --visual default --fps --no-fps --mono --speed 9")
        << Texture() << Picture() << Speed(9) << false;
    QTest::newRow("ignored host flags, one dash")
        << words("-root -window -install -noinstall -visual 0x21 -fps -no-fps -mono")
        << Texture() << Picture() << Speed() << false;
    QTest::newRow("--visual=") << words("--visual=TrueColor --speed 3") << Texture() << Picture() << Speed(3) << false;
    QTest::newRow("all settings flags")
        << words("--root --texture picture --picture /p.bmp --speed 55") << Texture(T::Picture) << Picture("/p.bmp")
        << Speed(55) << false;
    QTest::newRow("--help") << words("--help") << Texture() << Picture() << Speed() << true;
    QTest::newRow("--root --help") << words("--root --speed 5 --help") << Texture() << Picture() << Speed(5) << true;
}

void TestHostedOptions::readsGoodFlags()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(Texture, texture);
    QFETCH(Picture, picture);
    QFETCH(Speed, speed);
    QFETCH(bool, help);

    const HostedOptions options = HostedOptions::parse(arguments);
    QCOMPARE(options.error, QString());
    QCOMPARE(options.texture, texture);
    QCOMPARE(options.picture, picture);
    QCOMPARE(options.speed, speed);
    QCOMPARE(options.help, help);
}

void TestHostedOptions::refusesBadFlagsNamingTheOption_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QString>("named"); // the message starts "helixcavern: <named>: "

    QTest::newRow("unknown long option") << words("--root --frobnicate") << "--frobnicate";
    QTest::newRow("unknown with value") << words("--root --colour=red") << "--colour";
    QTest::newRow("settings flag with one dash") << words("--root -speed 30") << "-speed";
    QTest::newRow("-h is no option") << words("--root -h") << "-h";
    QTest::newRow("--Root upper case") << words("--Root") << "--Root";
    QTest::newRow("stray word") << words("--root saver") << "saver";
    QTest::newRow("bare --") << words("--root --") << "--";
    QTest::newRow("--speed missing value") << words("--root --speed") << "--speed";
    QTest::newRow("--window-id missing value") << words("--window-id") << "--window-id";
    QTest::newRow("--texture missing value") << words("--root --texture") << "--texture";
    QTest::newRow("--picture missing value") << words("--root --picture") << "--picture";
    QTest::newRow("--visual missing value") << words("--root --visual") << "--visual";
    QTest::newRow("--speed 0") << words("--root --speed 0") << "--speed";
    QTest::newRow("--speed 101") << words("--root --speed 101") << "--speed";
    QTest::newRow("--speed 2.5") << words("--root --speed 2.5") << "--speed";
    QTest::newRow("--speed abc") << words("--root --speed abc") << "--speed";
    QTest::newRow("--speed -5") << words("--root --speed -5") << "--speed";
    QTest::newRow("--speed +5") << words("--root --speed +5") << "--speed";
    QTest::newRow("--speed 1e1") << words("--root --speed 1e1") << "--speed";
    QTest::newRow("--speed huge") << words("--root --speed 99999999999999999999") << "--speed";
    QTest::newRow("--speed=") << words("--root --speed=") << "--speed";
    QTest::newRow("--speed with blank") << QByteArrayList{"--speed", " 5"} << "--speed";
    QTest::newRow("--window-id 0") << words("--window-id 0") << "--window-id";
    QTest::newRow("--window-id 0x0") << words("--window-id 0x0") << "--window-id";
    QTest::newRow("--window-id 0xZZ") << words("--window-id 0xZZ") << "--window-id";
    QTest::newRow("--window-id 0x alone") << words("--window-id 0x") << "--window-id";
    QTest::newRow("--window-id hex digits without 0x") << words("--window-id 1a00005") << "--window-id";
    QTest::newRow("--window-id over 32 bits, hex") << words("--window-id 0x100000000") << "--window-id";
    QTest::newRow("--window-id over 32 bits, decimal") << words("--window-id 4294967296") << "--window-id";
    QTest::newRow("--window-id negative") << words("--window-id -1") << "--window-id";
    QTest::newRow("--window-id with sign") << words("--window-id +12") << "--window-id";
    QTest::newRow("-window-id one dash, bad") << words("-window-id 0xg") << "-window-id";
    QTest::newRow("--texture photo") << words("--root --texture photo") << "--texture";
    QTest::newRow("--texture upper case") << words("--root --texture Picture") << "--texture";
    QTest::newRow("--texture number") << words("--root --texture 1") << "--texture";
    QTest::newRow("--picture=") << words("--root --picture=") << "--picture";
    QTest::newRow("--picture empty") << QByteArrayList{"--root", "--picture", ""} << "--picture";
    QTest::newRow("--root=yes") << words("--root=yes") << "--root";
    QTest::newRow("--help=x") << words("--help=x") << "--help";
    QTest::newRow("--version=2") << words("--version=2") << "--version";
    QTest::newRow("-version one dash") << words("--root -version") << "-version";
    QTest::newRow("--add-to-xscreensaver=yes") << words("--add-to-xscreensaver=yes") << "--add-to-xscreensaver";
    QTest::newRow("-remove-from-xscreensaver one dash") << words("--root -remove-from-xscreensaver")
                                                        << "-remove-from-xscreensaver";
}

void TestHostedOptions::refusesBadFlagsNamingTheOption()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(QString, named);

    const HostedOptions options = HostedOptions::parse(arguments);
    QVERIFY2(options.error.startsWith(QStringLiteral("helixcavern: %1: ").arg(named)), qPrintable(options.error));
    QVERIFY(!options.error.contains(u'\n'));
    QVERIFY(!options.help);
}

void TestHostedOptions::refusesMalformedEnvironmentWindow_data()
{
    QTest::addColumn<QByteArray>("environmentWindow");
    QTest::newRow("word") << QByteArray("window");
    QTest::newRow("zero") << QByteArray("0");
    QTest::newRow("hex zero") << QByteArray("0x0");
    QTest::newRow("0x alone") << QByteArray("0x");
    QTest::newRow("bad hex digit") << QByteArray("0x1g");
    QTest::newRow("over 32 bits") << QByteArray("0x1ffffffff");
    QTest::newRow("decimal over 32 bits") << QByteArray("4294967296");
    QTest::newRow("trailing newline") << QByteArray("0x1a00005\n");
    QTest::newRow("leading blank") << QByteArray(" 123");
    QTest::newRow("negative") << QByteArray("-1");
}

void TestHostedOptions::refusesMalformedEnvironmentWindow()
{
    QFETCH(QByteArray, environmentWindow);
    const HostedOptions::Target target = HostedOptions::resolveTarget(HostedOptions::parse(words("--root")), environmentWindow);
    QVERIFY2(target.error.startsWith(QStringLiteral("helixcavern: XSCREENSAVER_WINDOW: ")), qPrintable(target.error));
    QCOMPARE(target.windowId, WindowId());

    // A good --window-id makes the variable irrelevant, even when it is malformed.
    const HostedOptions::Target named =
        HostedOptions::resolveTarget(HostedOptions::parse(words("--window-id 0x42")), environmentWindow);
    QCOMPARE(named.error, QString());
    QCOMPARE(named.windowId, WindowId(0x42));
}

// A value reaches the terminal as one line of printable text: no escape sequence, no second line,
// not a hundred kilobytes.
void TestHostedOptions::messagesShowValuesPrintable_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArray>("environmentWindow");
    QTest::addColumn<QString>("shown"); // the message's end
    const QString speed = QStringLiteral("expected a whole number from 1 to 100, got ");
    const QString texture = QStringLiteral("expected \"desktop\" or \"picture\", got ");
    QTest::newRow("newline") << QByteArrayList{"--speed", "1\n0"} << QByteArray() << speed + R"("1\n0")";
    QTest::newRow("terminal title sequence")
        << QByteArrayList{"--speed", "1\x1b]0;pwned\x07"} << QByteArray() << speed + R"("1\x1b]0;pwned\x07")";
    QTest::newRow("eight-bit control introducer")
        << QByteArrayList{"--texture", "\xc2\x9b" "2J"} << QByteArray() << texture + R"("\x9b2J")";
    QTest::newRow("direction override") << QByteArrayList{"--texture", "\xe2\x80\xae" "abc"} << QByteArray()
                                        << texture + R"("\u{202e}abc")";
    QTest::newRow("backslash doubled") << QByteArrayList{"--texture", R"(a\n)"} << QByteArray() << texture + R"("a\\n")";
    QTest::newRow("printable text kept") << QByteArrayList{"--texture", "\xe7\x94\xbb\xe5\x83\x8f"} << QByteArray()
                                         << texture + QStringLiteral("\"画像\"");
    QTest::newRow("64 characters kept whole")
        << QByteArrayList{"--speed", QByteArray(64, '9')} << QByteArray() << speed + '"' + QString(64, u'9') + '"';
    QTest::newRow("100 KB value cut")
        << QByteArrayList{"--speed", QByteArray(100000, '9')} << QByteArray() << speed + '"' + QString(64, u'9') + "...\"";
    QTest::newRow("unknown option") << QByteArrayList{"--ro\not"} << QByteArray()
                                    << R"(--ro\not: unknown option (helixcavern --help lists them))";
    QTest::newRow("variable") << QByteArrayList{"--root"} << QByteArray("0x1\x1b[2J")
                              << QStringLiteral("expected an X window id (0x and hexadecimal digits, or decimal digits; "
                                                "not 0, at most 32 bits), got \"0x1\\x1b[2J\"");
}

void TestHostedOptions::messagesShowValuesPrintable()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArray, environmentWindow);
    QFETCH(QString, shown);
    const HostedOptions options = HostedOptions::parse(arguments);
    const QString error = options.error.isEmpty() ? HostedOptions::resolveTarget(options, environmentWindow).error : options.error;
    QVERIFY2(error.endsWith(shown), qPrintable(error));
}

void TestHostedOptions::pictureKeepsBytesThatAreNotText()
{
    const QByteArray latin1Name("/home/me/caf\xe9 \xff.jpg");
    const HostedOptions options = HostedOptions::parse({"--root", "--picture", latin1Name});
    QCOMPARE(options.error, QString());
    QCOMPARE(options.picture, Picture(latin1Name));
    const HostedOptions joined = HostedOptions::parse({"--picture=" + latin1Name});
    QCOMPARE(joined.picture, Picture(latin1Name));
}

void TestHostedOptions::helpStopsReadingButAnEarlierErrorWins()
{
    const HostedOptions help = HostedOptions::parse(words("--help --speed abc"));
    QVERIFY(help.help);
    QCOMPARE(help.error, QString());

    const HostedOptions error = HostedOptions::parse(words("--speed abc --help"));
    QVERIFY(!error.help);
    QCOMPARE(error.error, QStringLiteral("helixcavern: --speed: expected a whole number from 1 to 100, got \"abc\""));
}

void TestHostedOptions::versionAndRegistrationStopReading_data()
{
    using R = HostedOptions::Registration;
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<bool>("version");
    QTest::addColumn<Registration>("registration");

    QTest::newRow("--version") << words("--version") << true << Registration();
    QTest::newRow("--version, later flags not read") << words("--root --version --speed abc") << true
                                                     << Registration();
    QTest::newRow("--add-to-xscreensaver") << words("--add-to-xscreensaver") << false
                                           << Registration(R::AddToXScreenSaver);
    QTest::newRow("--remove-from-xscreensaver, later flags not read")
        << words("--remove-from-xscreensaver --add-to-xscreensaver") << false
        << Registration(R::RemoveFromXScreenSaver);
    QTest::newRow("first request wins") << words("--add-to-xscreensaver --version") << false
                                        << Registration(R::AddToXScreenSaver);
}

void TestHostedOptions::versionAndRegistrationStopReading()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(bool, version);
    QFETCH(Registration, registration);

    QStringList texts;
    for (const QByteArray &argument : arguments)
        texts << QString::fromLatin1(argument);
    QVERIFY(HostedOptions::selects(texts));
    const HostedOptions options = HostedOptions::parse(arguments);
    QCOMPARE(options.error, QString());
    QCOMPARE(options.version, version);
    QVERIFY(options.registration == registration);
    QVERIFY(!options.help);
}

void TestHostedOptions::usageNamesEveryKnownOption()
{
    const QString usage = HostedOptions::usage();
    const QStringList known = HostedOptions::knownOptions();
    QCOMPARE(known.size(), 16);
    QVERIFY(QRegularExpression(QStringLiteral("^helixcavern [0-9]+\\.[0-9]+\\.[0-9]+\n$")).match(HostedOptions::versionText()).hasMatch());
    for (const QString &option : known) {
        QVERIFY2(usage.contains(option), qPrintable(option));
        // Every known option parses in its two-dash spelling (with a value where it takes one).
        const bool takesValue = HostedOptions::parse({option.toLatin1()}).error.endsWith(u"missing value");
        const QByteArrayList line = takesValue ? QByteArrayList{option.toLatin1(), "1"} : QByteArrayList{option.toLatin1()};
        const HostedOptions options = HostedOptions::parse(line);
        QVERIFY2(!options.error.contains(u"unknown option"), qPrintable(options.error));
    }
    QVERIFY(usage.endsWith(u'\n'));
}

QTEST_APPLESS_MAIN(TestHostedOptions)
#include "tst_hostedoptions.moc"
