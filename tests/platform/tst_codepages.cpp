#include "ansicodepage.h"

#include <QTest>

// Old 8-bit books are read through these conversions; every sample ends in
// a letter of its script, where a converter that holds the last character
// back would drop it.
class TestCodePages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void convertsAsThePlatformDoes_data();
    void convertsAsThePlatformDoes();
};

void TestCodePages::convertsAsThePlatformDoes_data() {
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* name, int codePage, const char* hex, const char16_t* text) {
        QTest::newRow(name) << codePage << QByteArray::fromHex(hex) << QString::fromUtf16(text);
    };
    row("874 Thai", 874, "cac7d1cab4d5", u"สวัสดี");
    row("1250 Polish", 1250, "a3f3649f", u"Łódź");
    row("1251 Russian", 1251, "cceef1eae2e0", u"Москва");
    row("1253 Greek", 1253, "c1e8deede1", u"Αθήνα");
    row("1255 Hebrew", 1255, "f9ece5ed", u"שלום");
    // A letter and the accent after it stay two characters.
    row("1258 letter and accent", 1258, "5669eaf274", u"Vi\u00EA\u0323t");
    row("1258 ends in an accent", 1258, "5669eaf2", u"Vi\u00EA\u0323");
    // Bytes a table leaves undefined stand for the code point of their value.
    row("874 undefined", 874, "41db", u"A\u00DB");
    row("1253 undefined", 1253, "aa41", u"\u00AAA");
    row("1255 undefined", 1255, "ff", u"\u00FF");
    row("932 Japanese", 932, "938c8b9e", u"東京");
    row("932 half-width katakana", 932, "b1", u"\uFF71");
    row("932 lead byte cut off", 932, "938c8b", u"東\uFFFD");
    row("936 Chinese", 936, "b1b1bea9", u"北京");
    row("949 Korean", 949, "bcadbfef", u"서울");
    row("950 Chinese", 950, "bb4fa55f", u"臺北");
}

void TestCodePages::convertsAsThePlatformDoes() {
    QFETCH(int, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(MultiByteToWide(codePage, bytes), text);
}

QTEST_GUILESS_MAIN(TestCodePages)
#include "tst_codepages.moc"
