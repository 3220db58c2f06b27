#include "envelopelayout.h"

#include <QTest>

#include <limits>

// The worked layouts: a dialog whose client area is 646 x 316 with the
// return box at (14, 14), the mailing box at (206, 100), a 96 DPI screen,
// a return font of -13 and a mailing font of -16.
class TestEnvelopeLayout : public QObject {
    Q_OBJECT

private slots:
    void Layout_data();
    void Layout();
    void OnlyThePageHeightDecides();
    void IndexOutsideTheTableIsRowZero();
    void Arithmetic();
    void DegenerateInputsDoNotTrap();
};

namespace {

DialogGeometry StandardDialog() {
    DialogGeometry dialog;
    dialog.clientSize = QSize(646, 316);
    dialog.returnBoxTopLeft = QPoint(14, 14);
    dialog.mailingBoxTopLeft = QPoint(206, 100);
    dialog.screenDpiY = 96;
    return dialog;
}

} // namespace

void TestEnvelopeLayout::Layout_data() {
    QTest::addColumn<QList<int>>("printer"); // W, H, OX, OY, D
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<int>>("returnRect");
    QTest::addColumn<QList<int>>("mailingRect");
    QTest::addColumn<QList<int>>("fontHeights"); // return, mailing
    QTest::addColumn<bool>("largeSheet");

    QTest::newRow("No. 10 fed as the page, 600 DPI")
        << QList<int>{5700, 2475, 100, 100, 600} << 0 << QList<int>{123, 109, 5600, 2375}
        << QList<int>{1817, 783, 5600, 2375} << QList<int>{-81, -100} << false;
    // Envelope area 900 from the left, 1312 from the top.
    QTest::newRow("letter landscape, row 0")
        << QList<int>{6600, 5100, 150, 150, 600} << 0 << QList<int>{1043, 1537, 6450, 4950}
        << QList<int>{2717, 2095, 6450, 4950} << QList<int>{-81, -100} << true;
    // (42, 48) is held at the offsets; -40.625 truncates to -40.
    QTest::newRow("No. 6 3/4 fed as the page, 300 DPI, clamped")
        << QList<int>{1950, 1088, 50, 50, 300} << 1 << QList<int>{50, 50, 1900, 1038}
        << QList<int>{621, 344, 1900, 1038} << QList<int>{-40, -50} << false;
    // 7.99 inches at 600 DPI: I = 7, scaled by the page.
    QTest::newRow("7.99 inch page")
        << QList<int>{6600, 4794, 0, 0, 600} << 0 << QList<int>{143, 212, 6600, 4794}
        << QList<int>{2104, 1517, 6600, 4794} << QList<int>{-81, -100} << false;
    // Exactly 8 inches: a large sheet. Area at (900, 1162).
    QTest::newRow("8 inch page") << QList<int>{6600, 4800, 0, 0, 600} << 0
                                 << QList<int>{1043, 1374, 6600, 4800}
                                 << QList<int>{2717, 1945, 6600, 4800} << QList<int>{-81, -100}
                                 << true;
    // Letter portrait with a No. 10 row: the area starts 600 left of the
    // sheet. The return block is held at OX; the mailing block is not.
    QTest::newRow("narrow large sheet")
        << QList<int>{5100, 6600, 150, 150, 600} << 0 << QList<int>{150, 2354, 4950, 6450}
        << QList<int>{1217, 2845, 4950, 6450} << QList<int>{-81, -100} << true;
}

void TestEnvelopeLayout::Layout() {
    QFETCH(QList<int>, printer);
    QFETCH(int, index);
    QFETCH(QList<int>, returnRect);
    QFETCH(QList<int>, mailingRect);
    QFETCH(QList<int>, fontHeights);
    QFETCH(bool, largeSheet);

    const int D = printer[4];
    const PrinterMetrics metrics{printer[0], printer[1], printer[2], printer[3], D, D};
    const EnvelopeLayout layout = ComputeEnvelopeLayout(metrics, StandardDialog(), index, -13, -16);
    const auto edges = [](const EdgeRect& r) {
        return QList<int>{r.left, r.top, r.right, r.bottom};
    };
    QCOMPARE(edges(layout.returnRect), returnRect);
    QCOMPARE(edges(layout.mailingRect), mailingRect);
    QCOMPARE((QList<int>{layout.returnFontHeight, layout.mailingFontHeight}), fontHeights);
    QCOMPARE(layout.largeSheet, largeSheet);
}

void TestEnvelopeLayout::OnlyThePageHeightDecides() {
    // A very wide but short page is still the envelope itself.
    const PrinterMetrics wide{12000, 4700, 0, 0, 600, 600};
    QVERIFY(!ComputeEnvelopeLayout(wide, StandardDialog(), 0, -13, -16).largeSheet);
    // Vertical resolution plays no part in the decision.
    const PrinterMetrics tall{5100, 4800, 0, 0, 600, 300};
    const EnvelopeLayout layout = ComputeEnvelopeLayout(tall, StandardDialog(), 0, -13, -16);
    QVERIFY(layout.largeSheet);
    QCOMPARE(layout.returnFontHeight, -40);
}

void TestEnvelopeLayout::IndexOutsideTheTableIsRowZero() {
    const PrinterMetrics letter{6600, 5100, 150, 150, 600, 600};
    const EnvelopeLayout row0 = ComputeEnvelopeLayout(letter, StandardDialog(), 0, -13, -16);
    const EnvelopeLayout row1 = ComputeEnvelopeLayout(letter, StandardDialog(), 1, -13, -16);
    QVERIFY(row0.mailingRect != row1.mailingRect);
    for (int index : {-1, 2, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        const EnvelopeLayout layout =
            ComputeEnvelopeLayout(letter, StandardDialog(), index, -13, -16);
        QCOMPARE(layout.returnRect, row0.returnRect);
        QCOMPARE(layout.mailingRect, row0.mailingRect);
    }
}

void TestEnvelopeLayout::Arithmetic() {
    // Truncation toward zero, not toward minus infinity (the font heights
    // of the layouts, -81.25 and -40.625, show it too).
    QCOMPARE(MulDiv32(-7, 3, 2), -10);
    QCOMPARE(Trunc32(-600.9), -600);
    // The 32-bit product wraps before the division, as it always has.
    QCOMPARE(MulDiv32(65536, 65536, 1), 0);
    QCOMPARE(MulDiv32(std::numeric_limits<int32_t>::min(), 1, -1),
             std::numeric_limits<int32_t>::min());
    QCOMPARE(Trunc32(1e12), std::numeric_limits<int32_t>::min());
    QCOMPARE(Trunc32(std::nan("")), std::numeric_limits<int32_t>::min());
}

void TestEnvelopeLayout::DegenerateInputsDoNotTrap() {
    // A zero-sized client area, printer resolution or screen resolution
    // must not divide by zero.
    DialogGeometry dialog = StandardDialog();
    dialog.clientSize = QSize(0, 0);
    dialog.screenDpiY = 0;
    const PrinterMetrics printer{5100, 6600, 150, 150, 0, 0};
    const EnvelopeLayout layout = ComputeEnvelopeLayout(printer, dialog, 0, -13, -16);
    QCOMPARE(layout.returnRect, (EdgeRect{150, 150, 4950, 6450}));
    QCOMPARE(layout.returnFontHeight, 0);
}

QTEST_GUILESS_MAIN(TestEnvelopeLayout)
#include "tst_envelopelayout.moc"
