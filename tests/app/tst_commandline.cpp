// Tests of the command line: the mode letter and the preview's host handle.
#include "app/CommandLine.h"
#include "app/HostHandle.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<qint32>)

class tst_commandline : public QObject
{
    Q_OBJECT

private slots:
    void modeLetter_data();
    void modeLetter();
    void handleFromCommandLine_data();
    void handleFromCommandLine();
    void handleReadsGoodNumbers_data();
    void handleReadsGoodNumbers();
    void handleStopsOrGivesZeroOnBadText_data();
    void handleStopsOrGivesZeroOnBadText();
    void handleOutOfRangeGivesNothing_data();
    void handleOutOfRangeGivesNothing();
    void platformFlagIsTakenOut_data();
    void platformFlagIsTakenOut();
};

void tst_commandline::modeLetter_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QChar>("letter");
    QTest::newRow("/p 1234") << "/p 1234" << QChar(u'P');
    QTest::newRow("/P:1234") << "/P:1234" << QChar(u'P');
    QTest::newRow("-p 1234") << "-p 1234" << QChar(u'P');
    QTest::newRow("/c") << "/c" << QChar(u'C');
    QTest::newRow("/C") << "/C" << QChar(u'C');
    QTest::newRow("/c:5678") << "/c:5678" << QChar(u'C');
    QTest::newRow("/s") << "/s" << QChar(u'S');
    QTest::newRow("/S") << "/S" << QChar(u'S');
    QTest::newRow("-s") << "-s" << QChar(u'S');
    QTest::newRow("/screen") << "/screen" << QChar(u'S');
    QTest::newRow("first character never examined") << "xs" << QChar(u'S');
    QTest::newRow("empty") << "" << QChar();
    QTest::newRow("/a") << "/a" << QChar(u'A');
    QTest::newRow("/x") << "/x" << QChar(u'X');
    QTest::newRow("single character s") << "s" << QChar();
    QTest::newRow("leading blank before /s") << " /s" << QChar(u'/');
    QTest::newRow("sharp s first keeps the letter second") << "ßx" << QChar(u'X');
    QTest::newRow("sharp s second") << "/ß" << QChar(u'ß');
}

void tst_commandline::modeLetter()
{
    QFETCH(QString, commandLine);
    QFETCH(QChar, letter);
    QCOMPARE(CommandLine::modeLetter(commandLine), letter);
}

void tst_commandline::handleFromCommandLine_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<std::optional<qint32>>("handle");
    using H = std::optional<qint32>;
    QTest::newRow("/p 1234") << "/p 1234" << H(1234);
    QTest::newRow("/p:1234") << "/p:1234" << H(1234);
    QTest::newRow("/P:1234") << "/P:1234" << H(1234);
    QTest::newRow("-p 1234") << "-p 1234" << H(1234);
    QTest::newRow("/p &H4D2") << "/p &H4D2" << H(1234);
    QTest::newRow("/p 12 34") << "/p 12 34" << H(1234);
    QTest::newRow("/p1234 skips the 1") << "/p1234" << H(234);
    QTest::newRow("/p alone") << "/p" << H(0);
    QTest::newRow("/p and blank") << "/p " << H(0);
    QTest::newRow("/p 4294967296 out of range") << "/p 4294967296" << H();
    QTest::newRow("/p -2147483648") << "/p -2147483648" << H(std::numeric_limits<qint32>::min());
}

void tst_commandline::handleFromCommandLine()
{
    QFETCH(QString, commandLine);
    QFETCH(std::optional<qint32>, handle);
    QCOMPARE(HostHandle::fromCommandLine(commandLine), handle);
}

void tst_commandline::handleReadsGoodNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("handle");
    QTest::newRow("plain") << "1234" << 1234;
    QTest::newRow("plus sign") << "+1234" << 1234;
    QTest::newRow("minus sign") << "-1234" << -1234;
    QTest::newRow("blanks everywhere") << " 1 2\t3\n4 " << 1234;
    QTest::newRow("blank after sign") << "- 5" << -5;
    QTest::newRow("leading zeros") << "0001234" << 1234;
    QTest::newRow("point") << "1234.0" << 1234;
    QTest::newRow("point without fraction") << "7." << 7;
    QTest::newRow("fraction only") << ".75" << 1;
    QTest::newRow("exponent") << "1.234e3" << 1234;
    QTest::newRow("exponent capital and plus") << "1234E+0" << 1234;
    QTest::newRow("negative exponent") << "123400e-2" << 1234;
    QTest::newRow("blanks inside exponent") << "1 . 2 e 3" << 1200;
    QTest::newRow("tie to even down") << "2.5" << 2;
    QTest::newRow("tie to even up") << "3.5" << 4;
    QTest::newRow("tie to even half") << "0.5" << 0;
    QTest::newRow("negative tie") << "-2.5" << -2;
    QTest::newRow("not a tie rounds up") << "2.5000001" << 3;
    QTest::newRow("max") << "2147483647" << 2147483647;
    QTest::newRow("max with fraction below half") << "2147483647.4" << 2147483647;
    QTest::newRow("min") << "-2147483648" << std::numeric_limits<qint32>::min();
    QTest::newRow("min tie to even") << "-2147483648.5" << std::numeric_limits<qint32>::min();
    QTest::newRow("tiny exponent") << "1e-400" << 0;
    QTest::newRow("hex") << "&H4D2" << 1234;
    QTest::newRow("hex lower case") << "&h4d2" << 1234;
    QTest::newRow("hex with blanks") << "& H 4 D 2" << 1234;
    QTest::newRow("hex 7FFF") << "&H7FFF" << 32767;
    QTest::newRow("hex 8000 is 16-bit") << "&H8000" << -32768;
    QTest::newRow("hex FFFF is 16-bit") << "&HFFFF" << -1;
    QTest::newRow("hex leading zeros still 16-bit") << "&H0000FFFF" << -1;
    QTest::newRow("hex 10000 is 32-bit") << "&H10000" << 65536;
    QTest::newRow("hex 7FFFFFFF") << "&H7FFFFFFF" << 2147483647;
    QTest::newRow("hex 80000000 is 32-bit") << "&H80000000" << std::numeric_limits<qint32>::min();
    QTest::newRow("hex FFFFFFFF is 32-bit") << "&HFFFFFFFF" << -1;
    QTest::newRow("negated hex") << "-&H10" << -16;
    QTest::newRow("negated 16-bit hex") << "-&H8000" << 32768;
    QTest::newRow("octal") << "&O2322" << 1234;
    QTest::newRow("octal lower case") << "&o17" << 15;
    QTest::newRow("octal 77777") << "&O77777" << 32767;
    QTest::newRow("octal 100000 is 16-bit") << "&O100000" << -32768;
    QTest::newRow("octal 177777 is 16-bit") << "&O177777" << -1;
    QTest::newRow("octal 200000 is 32-bit") << "&O200000" << 65536;
    QTest::newRow("octal 37777777777 is 32-bit") << "&O37777777777" << -1;
}

void tst_commandline::handleReadsGoodNumbers()
{
    QFETCH(QString, text);
    QFETCH(qint32, handle);
    QCOMPARE(HostHandle::read(text), std::optional<qint32>(handle));
}

void tst_commandline::handleStopsOrGivesZeroOnBadText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("handle");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blanks only") << " \t\n" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("sign only") << "-" << 0;
    QTest::newRow("two signs") << "+-5" << 0;
    QTest::newRow("double minus") << "--5" << 0;
    QTest::newRow("point only") << "." << 0;
    QTest::newRow("sign and point") << "-." << 0;
    QTest::newRow("exponent without mantissa") << "e5" << 0;
    QTest::newRow("stops at letter") << "12x34" << 12;
    QTest::newRow("stops at second point") << "1.2.3" << 1;
    QTest::newRow("exponent without digits") << "12e" << 12;
    QTest::newRow("exponent sign without digits") << "12e+" << 12;
    QTest::newRow("exponent then letter") << "12ex" << 12;
    QTest::newRow("carriage return is not a blank") << "12\r34" << 12;
    QTest::newRow("ampersand alone") << "&" << 0;
    QTest::newRow("ampersand with other letter") << "&X12" << 0;
    QTest::newRow("hex without digits") << "&H" << 0;
    QTest::newRow("hex stops at G") << "&H1G" << 1;
    QTest::newRow("hex has no point") << "&H10.5" << 16;
    QTest::newRow("octal stops at 8") << "&O78" << 7;
    QTest::newRow("octal without digits") << "&O9" << 0;
    QTest::newRow("decimal then hex") << "12&H4" << 12;
    QTest::newRow("full-width digits are not digits") << "１２" << 0;
    QTest::newRow("inf is not a number") << "inf" << 0;
    QTest::newRow("nan is not a number") << "nan" << 0;
    QTest::newRow("d is not an exponent") << "1d2" << 1;
    QTest::newRow("comma stops") << "1,234" << 1;
    QTest::newRow("NUL stops") << QString::fromUtf16(u"12\u000034", 5) << 12;
    QTest::newRow("hex prefix inside digits") << "0x10" << 0;
    QTest::newRow("sign after number") << "5-" << 5;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << 0;
}

void tst_commandline::handleStopsOrGivesZeroOnBadText()
{
    QFETCH(QString, text);
    QFETCH(qint32, handle);
    QCOMPARE(HostHandle::read(text), std::optional<qint32>(handle));
}

void tst_commandline::handleOutOfRangeGivesNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("max plus one") << "2147483648";
    QTest::newRow("max plus half rounds up to even") << "2147483647.5";
    QTest::newRow("min minus one") << "-2147483649";
    QTest::newRow("2^32") << "4294967296";
    QTest::newRow("exponent") << "1e10";
    QTest::newRow("beyond double") << "1e400";
    QTest::newRow("negative beyond double") << "-1e400";
    QTest::newRow("many digits") << QString(400, u'9');
    QTest::newRow("hex above 32 bits") << "&H100000000";
    QTest::newRow("hex far above 32 bits") << "&HFFFFFFFFFFFFFFFFFFFF";
    QTest::newRow("octal above 32 bits") << "&O40000000000";
    QTest::newRow("negated hex 80000000") << "-&H80000000";
}

void tst_commandline::handleOutOfRangeGivesNothing()
{
    QFETCH(QString, text);
    QCOMPARE(HostHandle::read(text), std::optional<qint32>());
}

Q_DECLARE_METATYPE(CommandLine::Platform)

// The flag leaves argv wherever it stands, so the mode rules read the rest as if it were absent;
// a name other than x11 or wayland is refused, and the last flag wins.
void tst_commandline::platformFlagIsTakenOut_data()
{
    using P = CommandLine::Platform;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<P>("platform");
    QTest::addColumn<QStringList>("rest");
    QTest::newRow("none") << QStringList{"/s"} << P::Automatic << QStringList{"/s"};
    QTest::newRow("wayland before /s") << QStringList{"--platform=wayland", "/s"} << P::Wayland << QStringList{"/s"};
    QTest::newRow("x11 after /s") << QStringList{"/s", "--platform=x11"} << P::X11 << QStringList{"/s"};
    QTest::newRow("alone: the empty command line") << QStringList{"--platform=x11"} << P::X11 << QStringList{};
    QTest::newRow("last wins") << QStringList{"--platform=x11", "--platform=wayland"} << P::Wayland << QStringList{};
    QTest::newRow("unknown name") << QStringList{"--platform=mir", "/s"} << P::Unknown << QStringList{"/s"};
    QTest::newRow("empty name") << QStringList{"--platform=", "/s"} << P::Unknown << QStringList{"/s"};
    QTest::newRow("wrong case") << QStringList{"--platform=X11"} << P::Unknown << QStringList{};
    QTest::newRow("without value is no flag") << QStringList{"--platform", "x11"} << P::Automatic
                                              << QStringList{"--platform", "x11"};
    QTest::newRow("one dash is no flag") << QStringList{"-platform=x11"} << P::Automatic << QStringList{"-platform=x11"};
}

void tst_commandline::platformFlagIsTakenOut()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Platform, platform);
    QFETCH(QStringList, rest);
    std::vector<QByteArray> storage{QByteArray("helixcavern")};
    for (const QString &argument : arguments)
        storage.push_back(argument.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);
    int argc = int(argv.size()) - 1;
    QCOMPARE(CommandLine::takePlatform(argc, argv.data()), platform);
    QCOMPARE(CommandLine::arguments(argc, argv.data()), rest);
    QCOMPARE(argv[std::size_t(argc)], nullptr);
}

QTEST_GUILESS_MAIN(tst_commandline)
#include "tst_commandline.moc"
