#include "envelopesizes.h"

#include <QTest>

class TstEnvelopeSizes : public QObject {
    Q_OBJECT

private slots:
    void rows();
    void outsideIndexMeansFirstRow();
};

void TstEnvelopeSizes::rows() {
    QCOMPARE(EnvelopeSizes.size(), 2u);
    const QString first = QString::fromUtf16(EnvelopeSizes[0].name);
    const QString second = QString::fromUtf16(EnvelopeSizes[1].name);
    // Single fraction and multiplication characters, not look-alikes.
    QCOMPARE(first, QStringLiteral("No. 10: 9\u00BD \u00D7 4\u215B"));
    QCOMPARE(second, QStringLiteral("No. 6\u00BE: 6\u00BD \u00D7 3\u215D"));
    QCOMPARE(EnvelopeSizes[0].width, 9.5);
    QCOMPARE(EnvelopeSizes[0].height, 4.125);
    QCOMPARE(EnvelopeSizes[1].width, 6.5);
    QCOMPARE(EnvelopeSizes[1].height, 3.625);
    // The size list sorts its items and takes the position as the row.
    QVERIFY(first < second);
}

void TstEnvelopeSizes::outsideIndexMeansFirstRow() {
    QCOMPARE(&EnvelopeSizeRow(1), &EnvelopeSizes[1]);
    for (int index : {-1, 2, 1000000, std::numeric_limits<int>::min()})
        QCOMPARE(&EnvelopeSizeRow(index), &EnvelopeSizes[0]);
}

QTEST_GUILESS_MAIN(TstEnvelopeSizes)
#include "tst_envelopesizes.moc"
