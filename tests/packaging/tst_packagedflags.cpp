// Drift tests: every flag XScreenSaver's description can emit, and the man page's list of flags, match the hosted-mode parser.
#include "app/HostedOptions.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

namespace {

// One command line the description can make: the <command> arguments and one setting's arguments.
struct EmittedLine
{
    QString what;
    QByteArrayList arguments;
    bool valid; // false for values just outside a number's range, which the parser must refuse
};

QByteArrayList split(const QString &arg, const QString &value)
{
    QByteArrayList words;
    for (const QString &word : arg.split(u' ', Qt::SkipEmptyParts))
        words << (word == u"%" ? value : word).toLocal8Bit();
    return words;
}

// Reads the description; on a malformed file returns nothing and says why in `error`.
QList<EmittedLine> emittedLines(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return {};
    }
    QXmlStreamReader xml(&file);
    QByteArrayList command;
    QList<EmittedLine> settings;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        const QString element = xml.name().toString();
        const QString id = attributes.value(QStringLiteral("id")).toString();
        const QString arg = attributes.value(QStringLiteral("arg")).toString();
        if (element == u"command") {
            command += split(arg, QString());
        } else if (element == u"number") {
            const int low = attributes.value(QStringLiteral("low")).toInt();
            const int high = attributes.value(QStringLiteral("high")).toInt();
            const int fallback = attributes.value(QStringLiteral("default")).toInt();
            for (int value : {low, fallback, high})
                settings << EmittedLine{id + u' ' + QString::number(value), split(arg, QString::number(value)), true};
            for (int value : {low - 1, high + 1})
                settings << EmittedLine{id + u' ' + QString::number(value), split(arg, QString::number(value)), false};
        } else if (element == u"file" || element == u"string") {
            settings << EmittedLine{id, split(arg, QStringLiteral("/home/me/my pictures/a.jpg")), true};
        } else if (element == u"option" || element == u"boolean") {
            for (const QString &name : {QStringLiteral("arg-set"), QStringLiteral("arg-unset")})
                if (attributes.hasAttribute(name))
                    settings << EmittedLine{id + u' ' + name, split(attributes.value(name).toString(), QString()), true};
        } else if (!arg.isEmpty() || attributes.hasAttribute(QStringLiteral("arg-set"))) {
            *error = QStringLiteral("element <%1> emits flags this test does not know how to read").arg(element);
            return {};
        }
    }
    if (xml.hasError()) {
        *error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return {};
    }
    for (EmittedLine &line : settings)
        line.arguments = command + line.arguments;
    settings.prepend(EmittedLine{QStringLiteral("command alone"), command, true});
    return settings;
}

QStringList asStrings(const QByteArrayList &arguments)
{
    QStringList strings;
    for (const QByteArray &argument : arguments)
        strings << QString::fromLocal8Bit(argument);
    return strings;
}

} // namespace

class TestPackagedFlags : public QObject
{
    Q_OBJECT

private slots:
    void xscreensaverLinesSelectHostedModeAndParse_data();
    void xscreensaverLinesSelectHostedModeAndParse();
    void everyMenuHasOneDefaultWithoutFlags();
    void manPageListsExactlyTheKnownOptions();
};

void TestPackagedFlags::xscreensaverLinesSelectHostedModeAndParse_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<bool>("valid");
    QString error;
    const QList<EmittedLine> lines = emittedLines(QStringLiteral(HELIXCAVERN_XML), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(lines.size() >= 8, "the description has lost its settings");
    for (const EmittedLine &line : lines)
        QTest::newRow(qPrintable(line.what)) << line.arguments << line.valid;
}

void TestPackagedFlags::xscreensaverLinesSelectHostedModeAndParse()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(bool, valid);
    // The first argument alone decides the mode: a line that starts with a one-dash setting would
    // start the full-screen saver instead.
    QVERIFY(HostedOptions::selects(asStrings(arguments)));
    const HostedOptions options = HostedOptions::parse(arguments);
    if (valid)
        QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
    else
        QVERIFY2(!options.error.isEmpty(), "a value outside the slider's range must be refused");
}

void TestPackagedFlags::everyMenuHasOneDefaultWithoutFlags()
{
    // xscreensaver-settings shows a menu's option without arg-set when the command line has none
    // of the menu's flags; without one, it shows a flag's option that the command line lacks.
    QFile file(QStringLiteral(HELIXCAVERN_XML));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    QXmlStreamReader xml(&file);
    int menus = 0;
    int defaults = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"select") {
            ++menus;
            defaults = 0;
        } else if (xml.isStartElement() && xml.name() == u"option") {
            defaults += xml.attributes().hasAttribute(QStringLiteral("arg-set")) ? 0 : 1;
        } else if (xml.isEndElement() && xml.name() == u"select") {
            QCOMPARE(defaults, 1);
        }
    }
    QVERIFY(!xml.hasError());
    QVERIFY(menus > 0);
}

void TestPackagedFlags::manPageListsExactlyTheKnownOptions()
{
    QFile page(QStringLiteral(HELIXCAVERN_MAN_PAGE));
    QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.errorString()));
    // A flag is listed as the tag of a .TP paragraph of the OPTIONS section: ".B \-\-root",
    // ".BR \-\-root ...", ".BI \-\-speed ...". Modes (MODES) are not hosted-mode flags.
    static const QRegularExpression tag(QStringLiteral(R"(^\.(?:B|BR|BI)\s+((?:\\-){2}[a-z\\-]+))"));
    QStringList listed;
    bool afterTp = false;
    bool inOptions = false;
    for (const QString &line : QString::fromUtf8(page.readAll()).split(u'\n')) {
        if (line.startsWith(QStringLiteral(".SH")))
            inOptions = line == QStringLiteral(".SH OPTIONS");
        if (afterTp && inOptions) {
            const QRegularExpressionMatch match = tag.match(line);
            if (match.hasMatch())
                listed << match.captured(1).replace(QStringLiteral("\\-"), QStringLiteral("-"));
        }
        afterTp = line.startsWith(QStringLiteral(".TP"));
    }
    QStringList known = HostedOptions::knownOptions();
    listed.sort();
    QCOMPARE(listed.removeDuplicates(), 0);
    known.sort();
    QCOMPARE(listed, known);
}

QTEST_APPLESS_MAIN(TestPackagedFlags)
#include "tst_packagedflags.moc"
