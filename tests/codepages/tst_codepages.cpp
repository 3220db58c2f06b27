#include "codepages/ansicodepage.h"

#include <QtTest>

class TestCodePages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Old 8-bit books are read through these. Every sample ends in a letter
    // of its script, where a converter that holds the last character back
    // would drop it; a letter and the accent after it stay two characters.
    void codePages_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* locale, int page, const char* hex, const char16_t* text) {
            QTest::addRow("%d %s", page, hex)
                << QString::fromLatin1(locale) << page << QByteArray::fromHex(hex)
                << QString::fromUtf16(text);
        };
        // 0x80 is the euro sign; bytes a table leaves undefined stand for
        // the code point of their value.
        row("en_US", 1252, "80819fe9", u"\u20AC\u0081\u0178\u00E9");
        row("th_TH", 874, "41dbcac7d1cab4d5", u"A\u00DBสวัสดี");
        row("pl_PL", 1250, "a3f3649f", u"Łódź");
        row("ru_RU", 1251, "cceef1eae2e0", u"Москва");
        row("el_GR", 1253, "aa41c1e8deede1", u"\u00AAAΑθήνα");
        row("he_IL", 1255, "fff9ece5ed", u"\u00FFשלום");
        row("vi_VN", 1258, "5669eaf274", u"Vi\u00EA\u0323t");
        row("", 1258, "5669eaf2", u"Vi\u00EA\u0323");
        // A lead byte cut at the end is replaced, never read past.
        row("ja_JP", 932, "b1938c8b9e938c8b", u"\uFF71東京東\uFFFD");
        row("zh_CN", 936, "b1b1bea9", u"北京");
        row("ko_KR", 949, "bcadbfef", u"서울");
        row("zh_TW", 950, "bb4fa55f", u"臺北");
    }
    void codePages() {
        QFETCH(QString, locale);
        QFETCH(int, codePage);
        QFETCH(QByteArray, bytes);
        if (!locale.isEmpty())
            QCOMPARE(AnsiCodePageForLocale(locale), codePage);
        QTEST(MultiByteToWide(codePage, bytes), "text");
    }
};

QTEST_GUILESS_MAIN(TestCodePages)
#include "tst_codepages.moc"
