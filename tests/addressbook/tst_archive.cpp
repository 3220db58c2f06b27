#include "address.h"
#include "ansicodepage.h"
#include "archive.h"
#include "archiveexception.h"
#include "invalidargexception.h"

#include <QBuffer>
#include <QTest>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray Store(const QString& text) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, QStringLiteral("memory"));
    ar.WriteString(text);
    ar.Flush();
    return bytes;
}

QString Load(const QByteArray& bytes, qsizetype* left = nullptr) {
    CArchive ar(bytes);
    QString text = ar.ReadString();
    if (left)
        *left = ar.BytesLeft();
    return text;
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lengthSteps_data();
    void lengthSteps();
    void eightBitLengthOf65534UsesThe32BitStep();
    void nulInsideTextIsKept();
    void eightBitStringsUseTheCodePage();
    void lengthsBeyondTheDataFailBeforeAllocating_data();
    void lengthsBeyondTheDataFailBeforeAllocating();
    void recordReadsLabelThenAddress();
};

void TestArchive::lengthSteps_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("prefix");
    QTest::newRow("0") << 0 << Hex("FF FE FF 00");
    QTest::newRow("4") << 4 << Hex("FF FE FF 04");
    QTest::newRow("254") << 254 << Hex("FF FE FF FE");
    QTest::newRow("255") << 255 << Hex("FF FE FF FF FF 00");
    QTest::newRow("300") << 300 << Hex("FF FE FF FF 2C 01");
    QTest::newRow("65533") << 65533 << Hex("FF FE FF FF FD FF");
    QTest::newRow("65534") << 65534 << Hex("FF FE FF FF FF FF FE FF 00 00");
    QTest::newRow("70000") << 70000 << Hex("FF FE FF FF FF FF 70 11 01 00");
}

void TestArchive::lengthSteps() {
    QFETCH(int, length);
    QFETCH(QByteArray, prefix);

    // Every unit value, surrogates and the marker's own value included,
    // goes through unchanged.
    QString text(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        text[i] = QChar(char16_t(0xD800 + (i * 7919) % 0x2800));
    const QByteArray bytes = Store(text);
    QCOMPARE(bytes.left(prefix.size()), prefix);
    QCOMPARE(bytes.size(), prefix.size() + 2 * length);
    QCOMPARE(CArchive::StringPrefix(length), prefix);

    qsizetype left = -1;
    QCOMPARE(Load(bytes, &left), text);
    QCOMPARE(left, 0);
}

void TestArchive::eightBitLengthOf65534UsesThe32BitStep() {
    // FF FE FF would read as the marker, so the writer of an 8-bit string
    // this long goes to the 32-bit step.
    QByteArray bytes = Hex("FF FF FF FE FF 00 00");
    bytes.append(QByteArray(65534, 'a'));
    bytes.append("tail");
    qsizetype left = -1;
    QCOMPARE(Load(bytes, &left), QString(65534, QLatin1Char('a')));
    QCOMPARE(left, 4);

    // After the marker 0xFFFE is an ordinary length.
    QByteArray wide = Hex("FF FE FF FF FE FF");
    wide.append(QByteArray(2 * 65534, 'b'));
    QCOMPARE(Load(wide).size(), 65534);
}

void TestArchive::nulInsideTextIsKept() {
    const QString text = QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd");
    const QByteArray bytes = Store(text);
    QCOMPARE(bytes, Hex("FF FE FF 05 6100 6200 0000 6300 6400"));
    const QString back = Load(bytes);
    QCOMPARE(back.size(), 5);
    QCOMPARE(back, text);
}

void TestArchive::eightBitStringsUseTheCodePage() {
    // The platform's own table for code page 1252: 0x80 is the euro sign,
    // undefined 0x81 stays a C1 control, 0xE9 is e acute as in Latin-1.
    QCOMPARE(MultiByteToWide(1252, "\x80\x81\x9F\xE9"),
             QString::fromUtf16(u"\u20AC\u0081\u0178\u00E9"));
    QCOMPARE(MultiByteToWide(1251, "\xC0\xE1"), QString::fromUtf16(u"\u0410\u0431"));
    QCOMPARE(MultiByteToWide(1253, "\xC1"), QString::fromUtf16(u"\u0391"));
    QCOMPARE(MultiByteToWide(932, "\x82\xA0"), QString::fromUtf16(u"\u3042"));
    // A lead byte cut at the end is replaced, never read past.
    QCOMPARE(MultiByteToWide(932, "a\x82"), QString::fromUtf16(u"a\uFFFD"));

    // A mixed string pair: the 8-bit one goes through the thread's code page.
    QByteArray bytes = Hex("03 41 80 42");
    bytes += Hex("FF FE FF 02 4100 AC20");
    CArchive ar(bytes);
    QCOMPARE(ar.ReadString(), MultiByteToWide(ThreadAnsiCodePage(), "A\x80"
                                                                    "B"));
    QCOMPARE(ar.ReadString(), QString::fromUtf16(u"A\u20AC"));
}

void TestArchive::lengthsBeyondTheDataFailBeforeAllocating_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected"); // 0 end of file, 1 generic, 2 invalid argument
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("cut 16-bit length") << Hex("FF FE FF FF 01") << 0;
    QTest::newRow("8-bit text cut") << Hex("05 41 42") << 0;
    QTest::newRow("wide text cut") << Hex("FF FE FF 03 4100 42") << 0;
    QTest::newRow("0x7FFFFFFF units") << Hex("FF FE FF FF FF FF FF FF FF 7F 41 00") << 0;
    QTest::newRow("64-bit length at the limit")
        << Hex("FF FF FF FF FF FF FF FF FF FF 7F 00 00 00 00") << 0;
    QTest::newRow("64-bit length above the limit")
        << Hex("FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00") << 1;
    QTest::newRow("wide byte count beyond 32 bits")
        << Hex("FF FE FF FF FF FF FE FF FF 80 41 00") << 2;
}

void TestArchive::lengthsBeyondTheDataFailBeforeAllocating() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    int caught = -1;
    try {
        Load(bytes);
    } catch (const CArchiveException& e) {
        caught = e.GetCause() == CArchiveException::Cause::EndOfFile ? 0 : 1;
    } catch (const CInvalidArgException&) {
        caught = 2;
    }
    QCOMPARE(caught, expected);
}

void TestArchive::recordReadsLabelThenAddress() {
    // One label in the 8-bit form, its address in the 16-bit form.
    const QByteArray bytes = Hex("04 486F6D65 FF FE FF 02 3100 3200");
    CArchive ar(bytes);
    CAddress address;
    address.Serialize(ar);
    QCOMPARE(address.m_strLabel, QStringLiteral("Home"));
    QCOMPARE(address.m_strAddress, QStringLiteral("12"));

    // A record cut in its address keeps the record untouched.
    CAddress untouched(QStringLiteral("keep"), QStringLiteral("me"));
    const QByteArray cutBytes = Hex("04 486F6D65 FF FE FF 09 3100");
    CArchive cut(cutBytes);
    QVERIFY_THROWS_EXCEPTION(CArchiveException, untouched.Serialize(cut));
    QCOMPARE(untouched.m_strLabel, QStringLiteral("keep"));
}

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
