// Tests of file names as bytes: the folder part and the text shown for names that are not UTF-8.
#include "files/FileName.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

class tst_filename : public QObject
{
    Q_OBJECT

private slots:
    void folder_data();
    void folder();
    void shownTextReplacesEachStrayByte_data();
    void shownTextReplacesEachStrayByte();
    void shownTextIsValidTextAndPlainForUtf8();
};

void tst_filename::folder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("absolute") << "/pics/a.jpg" << "/pics";
    QTest::newRow("in root") << "/a.jpg" << "";
    QTest::newRow("bare name") << "a.jpg" << "";
    QTest::newRow("relative") << "pics/a.jpg" << "pics";
    QTest::newRow("deep") << "/a/b/c/d.jpg" << "/a/b/c";
    QTest::newRow("trailing slash") << "/pics/" << "/pics";
    QTest::newRow("backslash is no separator") << "C:\\pics\\a.jpg" << "";
    QTest::newRow("colon is no separator") << "C:a.jpg" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("Japanese") << "/写真/海.jpg" << "/写真";
}

void tst_filename::folder()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QCOMPARE(FileName::fromText(path).folder().bytes(), folder.toUtf8());
}

void tst_filename::shownTextReplacesEachStrayByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Latin-1") << QByteArray("caf\xE9.bmp") << QStringLiteral("caf\uFFFD.bmp");
    QTest::newRow("encoded surrogate: one per byte") << QByteArray("\xED\xB2\x80") << QStringLiteral("\uFFFD\uFFFD\uFFFD");
    QTest::newRow("cut-off sequence: one per byte") << QByteArray("a\xF0\x9F\x98") << QStringLiteral("a\uFFFD\uFFFD\uFFFD");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QStringLiteral("\uFFFD\uFFFD");
    QTest::newRow("leading byte-order mark kept") << QByteArray("\xEF\xBB\xBF" "b") << QStringLiteral("\uFEFFb");
    QTest::newRow("outside the plane") << QByteArray("\xF0\x9F\x98\x80") << QStringLiteral("😀");
}

void tst_filename::shownTextReplacesEachStrayByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(FileName(bytes).toDisplayString(), shown);
}

void tst_filename::shownTextIsValidTextAndPlainForUtf8()
{
    // Shown, no lone surrogate is left: the text survives UTF-8 unchanged; valid UTF-8 reads as plain text.
    QRandomGenerator random(14);
    const QByteArray alphabet("\x00\x2F\x41\x7F\x80\xA0\xBF\xC0\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xFE\xFF\x9F\x8F\x90", 21);
    const auto flags = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        for (int i = int(random.bounded(12)); i > 0; --i)
            bytes += alphabet[random.bounded(int(alphabet.size()))];
        const QString shown = FileName(bytes).toDisplayString();
        QStringDecoder strict(QStringDecoder::Utf8, flags);
        const QString plain = strict(bytes);
        if (!strict.hasError())
            QCOMPARE(shown, plain);
        QCOMPARE(QStringDecoder(QStringDecoder::Utf8, flags)(shown.toUtf8()).data, shown);
    }
    const QString valid = QStringLiteral("\uFEFF/写真/a\u00A0b\u2028😀.jpg");
    QCOMPARE(FileName::fromText(valid).bytes(), valid.toUtf8());
    QCOMPARE(FileName::fromText(valid).toDisplayString(), valid);
}

QTEST_GUILESS_MAIN(tst_filename)
#include "tst_filename.moc"
