// Tests of the settings file's format: Shift-JIS names, reading rules and line-keeping writes.
#include "settings/IniFile.h"
#include "settings/ShiftJisCodec.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {
// The key names as the Shift-JIS bytes that the original platform writes.
const QByteArray kPictureBytes("\x89\xE6\x91\x9C");
const QByteArray kPictureFileBytes("\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9");
const QByteArray kSpeedBytes("\x89\xF1\x93\x5D\x91\xAC\x93\x78");
const QString kPicture = QStringLiteral("画像");
const QString kPictureFile = QStringLiteral("画像ﾌｧｲﾙ");
const QString kSpeed = QStringLiteral("回転速度");
const QString kSection = QStringLiteral("Section");
} // namespace

class tst_inifile : public QObject
{
    Q_OBJECT

private slots:
    void codecGivesTheKeyBytes_data();
    void codecGivesTheKeyBytes();
    void codecRejectsInvalidBytes_data();
    void codecRejectsInvalidBytes();
    void writesTheExampleFileByteForByte();
    void reads_data();
    void reads();
    void readsMegabyteLinesAndBinaryGarbage();
    void rewritesKeepingOtherLines();
    void insertsAfterTheSectionsLastLine();
    void keepsByteOrderMark();
    void rejectsNamesAndValuesThatBreakTheFile_data();
    void rejectsNamesAndValuesThatBreakTheFile();
    void roundTripsValues_data();
    void roundTripsValues();
};

void tst_inifile::codecGivesTheKeyBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("picture") << kPicture << kPictureBytes;
    QTest::newRow("picture file, half-width katakana") << kPictureFile << kPictureFileBytes;
    QTest::newRow("rotation speed") << kSpeed << kSpeedBytes;
    QTest::newRow("ASCII") << kSection << QByteArray("Section");
    QTest::newRow("backslash stays 5C") << QStringLiteral("a\\b") << QByteArray("a\\b");
    QTest::newRow("empty") << QString() << QByteArray();
}

void tst_inifile::codecGivesTheKeyBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ShiftJisCodec::encode(text), std::optional<QByteArray>(bytes));
    QCOMPARE(ShiftJisCodec::decode(bytes), std::optional<QString>(text));
}

void tst_inifile::codecRejectsInvalidBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lead byte at the end") << QByteArray("ab\x89");
    QTest::newRow("bad trail byte") << QByteArray("\x89\x20");
    QTest::newRow("FF") << QByteArray("\xFF");
    QTest::newRow("A0") << QByteArray("\xA0");
    QTest::newRow("UTF-8 of the key") << QStringLiteral("画像").toUtf8();
}

void tst_inifile::codecRejectsInvalidBytes()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(ShiftJisCodec::decode(bytes), std::optional<QString>());
}

void tst_inifile::writesTheExampleFileByteForByte()
{
    IniFile file;
    QVERIFY(file.set(kSection, kPicture, " 1"));
    QVERIFY(file.set(kSection, kPictureFile, "/pictures/sample.jpg"));
    QVERIFY(file.set(kSection, kSpeed, " 20"));
    const QByteArray expected = "[Section]\r\n" + kPictureBytes + "= 1\r\n" + kPictureFileBytes
        + "=/pictures/sample.jpg\r\n" + kSpeedBytes + "= 20\r\n";
    QCOMPARE(file.toBytes(), expected);
}

void tst_inifile::reads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<std::optional<QByteArray>>("value");
    using V = std::optional<QByteArray>;
    const QByteArray p = kPictureBytes;

    QTest::newRow("CRLF") << "[Section]\r\n" + p + "= 1\r\n" << kSection << kPicture << V("1");
    QTest::newRow("LF only") << "[Section]\n" + p + "=1\n" << kSection << kPicture << V("1");
    QTest::newRow("no final line end") << "[Section]\r\n" + p + "=7" << kSection << kPicture << V("7");
    QTest::newRow("blanks around key and value") << "[Section]\r\n \t" + p + " \t= \t5 \t\r\n" << kSection << kPicture << V("5");
    QTest::newRow("blanks inside value kept") << QByteArray("[Section]\nk= a  b \n") << kSection << "k" << V("a  b");
    QTest::newRow("empty value is present") << "[Section]\n" + p + "=\n" << kSection << kPicture << V("");
    QTest::newRow("equals sign inside value") << QByteArray("[Section]\nk=a=b\n") << kSection << "k" << V("a=b");
    QTest::newRow("double quotes dropped") << QByteArray("[Section]\nk=\"a b\"\n") << kSection << "k" << V("a b");
    QTest::newRow("single quotes dropped") << QByteArray("[Section]\nk='a'\n") << kSection << "k" << V("a");
    QTest::newRow("unmatched quote kept") << QByteArray("[Section]\nk=\"a'\n") << kSection << "k" << V("\"a'");
    QTest::newRow("section case-insensitive") << "[sECTION]\n" + p + "=3\n" << kSection << kPicture << V("3");
    QTest::newRow("blanks inside brackets") << "[ Section ]\n" + p + "=3\n" << kSection << kPicture << V("3");
    QTest::newRow("ASCII key case-insensitive") << QByteArray("[Section]\nSPEED=4\n") << kSection << "speed" << V("4");
    QTest::newRow("full-width key case-insensitive") << "[Section]\n" + *ShiftJisCodec::encode(u"ＡＢ") + "=4\n"
                                                     << kSection << QStringLiteral("ａｂ") << V("4");
    QTest::newRow("first of two equal keys") << "[Section]\n" + p + "=1\n" + p + "=2\n" << kSection << kPicture << V("1");
    QTest::newRow("key in a repeated section") << "[Section]\nx=1\n[Other]\n[Section]\n" + p + "=9\n" << kSection << kPicture << V("9");
    QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF[Section]\r\n" + p + "=1\r\n" << kSection << kPicture << V("1");
    QTest::newRow("stray CR inside a line") << QByteArray("[Section]\nk=a\rb\n") << kSection << "k" << V("a\rb");

    QTest::newRow("missing file is empty") << QByteArray() << kSection << kPicture << V();
    QTest::newRow("key in another section") << "[Other]\n" + p + "=1\n" << kSection << kPicture << V();
    QTest::newRow("key before any section") << p + "=1\n[Section]\n" << kSection << kPicture << V();
    QTest::newRow("commented key") << "[Section]\n;" + p + "=1\n" << kSection << kPicture << V();
    QTest::newRow("key without equals sign") << "[Section]\n" + p + "\n" << kSection << kPicture << V();
    QTest::newRow("key name as UTF-8") << "[Section]\n" + kPicture.toUtf8() + "=1\n" << kSection << kPicture << V();
    QTest::newRow("invalid Shift-JIS key") << QByteArray("[Section]\n\x89=1\n") << kSection << kPicture << V();
    QTest::newRow("prefix of the key") << "[Section]\n" + p + "=1\n" << kSection << kPictureFile << V();
    QTest::newRow("longer key") << "[Section]\n" + kPictureFileBytes + "=1\n" << kSection << kPicture << V();
    QTest::newRow("unclosed header ends the section") << "[Section]\n[Sect\n" + p + "=1\n" << kSection << kPicture << V();
    QTest::newRow("header with text after it") << "[Sections]\n" + p + "=1\n" << kSection << kPicture << V();
    QTest::newRow("empty key name") << QByteArray("[Section]\n=1\n") << kSection << QString() << V();
    QTest::newRow("empty section name") << QByteArray("[]\nk=1\n") << QString() << "k" << V();
    QTest::newRow("NUL bytes") << QByteArray("[Section]\n\0k=1\n", 15) << kSection << "k" << V();
    QTest::newRow("CR only line ends") << "[Section]\r" + p + "=1\r" << kSection << kPicture << V();
}

void tst_inifile::reads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(std::optional<QByteArray>, value);
    QCOMPARE(IniFile::parse(bytes).value(section, key), value);
}

void tst_inifile::readsMegabyteLinesAndBinaryGarbage()
{
    const QByteArray megabyteKey(2 * 1024 * 1024, 'k');
    const QByteArray megabyteValue(2 * 1024 * 1024, 'v');
    QByteArray bytes = "[Section]\n" + megabyteKey + "=1\nk=" + megabyteValue + "\n";
    for (int i = 0; i < 4096; ++i)
        bytes.append(char((i * 151 + 7) & 0xFF)); // every byte value, in a scrambled order
    const IniFile file = IniFile::parse(bytes);
    QCOMPARE(file.value(kSection, QStringLiteral("k")), std::optional<QByteArray>(megabyteValue));
    QCOMPARE(file.value(kSection, kPicture), std::optional<QByteArray>());
}

void tst_inifile::rewritesKeepingOtherLines()
{
    // LF line ends, a comment, another section, a mixed-case key and a key spelled in upper case.
    const QByteArray before = "; written by hand\n[Other]\nA=1\n\n[SECTION]\n  Extra = keep me \n" + kPictureBytes
        + " =  0\n;" + kSpeedBytes + "=old\n[Last]\nz=2";
    IniFile file = IniFile::parse(before);
    QVERIFY(file.set(kSection, kPicture, " 1"));
    QVERIFY(file.set(kSection, QStringLiteral("EXTRA"), "new"));
    QVERIFY(file.set(kSection, kSpeed, " 20"));
    const QByteArray expected = "; written by hand\r\n[Other]\r\nA=1\r\n\r\n[SECTION]\r\nExtra=new\r\n" + kPictureBytes
        + "= 1\r\n;" + kSpeedBytes + "=old\r\n" + kSpeedBytes + "= 20\r\n[Last]\r\nz=2\r\n";
    QCOMPARE(file.toBytes(), expected);
}

void tst_inifile::insertsAfterTheSectionsLastLine()
{
    IniFile file = IniFile::parse("[Section]\r\na=1\r\n\r\n\r\n[Next]\r\nb=2\r\n");
    QVERIFY(file.set(kSection, QStringLiteral("c"), "3"));
    QVERIFY(file.set(QStringLiteral("New"), QStringLiteral("d"), "4"));
    QCOMPARE(file.toBytes(), QByteArray("[Section]\r\na=1\r\nc=3\r\n\r\n\r\n[Next]\r\nb=2\r\n[New]\r\nd=4\r\n"));
}

void tst_inifile::keepsByteOrderMark()
{
    IniFile file = IniFile::parse("\xEF\xBB\xBF[Section]\na=1\n");
    QVERIFY(file.set(kSection, QStringLiteral("a"), "2"));
    QCOMPARE(file.toBytes(), QByteArray("\xEF\xBB\xBF[Section]\r\na=2\r\n"));
}

void tst_inifile::rejectsNamesAndValuesThatBreakTheFile_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("line feed in value") << kSection << kPicture << QByteArray("a\nb=c");
    QTest::newRow("carriage return in value") << kSection << kPicture << QByteArray("a\rb");
    QTest::newRow("NUL in value") << kSection << kPicture << QByteArray("a\0b", 3);
    QTest::newRow("equals sign in key") << kSection << "a=b" << QByteArray("1");
    QTest::newRow("key opens a section") << kSection << "[a" << QByteArray("1");
    QTest::newRow("key is a comment") << kSection << ";a" << QByteArray("1");
    QTest::newRow("blank around key") << kSection << " a" << QByteArray("1");
    QTest::newRow("empty key") << kSection << QString() << QByteArray("1");
    QTest::newRow("line feed in key") << kSection << "a\nb" << QByteArray("1");
    QTest::newRow("key without Shift-JIS form") << kSection << QStringLiteral("😀") << QByteArray("1");
    QTest::newRow("lone surrogate in key") << kSection << QString(QChar(0xDC00)) << QByteArray("1");
    QTest::newRow("bracket in section") << "a]b" << "k" << QByteArray("1");
    QTest::newRow("empty section") << QString() << "k" << QByteArray("1");
    QTest::newRow("line feed in section") << "a\nb" << "k" << QByteArray("1");
}

void tst_inifile::rejectsNamesAndValuesThatBreakTheFile()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QByteArray, value);
    const QByteArray before("[Section]\r\nk=1\r\n");
    IniFile file = IniFile::parse(before);
    QString error;
    QVERIFY(!file.set(section, key, value, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(file.toBytes(), before);
}

void tst_inifile::roundTripsValues_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("readBack");
    QTest::newRow("leading blank") << QByteArray(" 20") << QByteArray("20");
    QTest::newRow("no blank") << QByteArray("20") << QByteArray("20");
    QTest::newRow("zero with blank") << QByteArray(" 0") << QByteArray("0");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("UTF-8 path") << QStringLiteral("/写真/海.jpg").toUtf8() << QStringLiteral("/写真/海.jpg").toUtf8();
    QTest::newRow("1000-byte path") << "/" + QByteArray(999, 'a') << "/" + QByteArray(999, 'a');
    QTest::newRow("backslashes") << QByteArray("C:\\pics\\a.jpg") << QByteArray("C:\\pics\\a.jpg");
}

void tst_inifile::roundTripsValues()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, readBack);
    IniFile file;
    QVERIFY(file.set(kSection, kPictureFile, value));
    QCOMPARE(IniFile::parse(file.toBytes()).value(kSection, kPictureFile), std::optional<QByteArray>(readBack));
}

QTEST_GUILESS_MAIN(tst_inifile)
#include "tst_inifile.moc"
