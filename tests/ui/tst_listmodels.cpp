// The lists behind Print Many Envelopes and the import's preview, without a
// window: entries, their ticks and sources, the find, the sorting and the
// order a job prints in, and what an import will do with each contact.

#include "addressbook/addressbook.h"
#include "contacts/contactsimport.h"
#include "ui/envelopelistfilter.h"
#include "ui/envelopelistmodel.h"
#include "ui/importplanmodel.h"

#include <QtTest>

namespace {

void Fill(CAddressBook& book, const QList<CAddress>& entries) {
    for (const CAddress& entry : entries)
        book.InsertAddress(entry);
}

// The rows of a list, each as its columns' texts joined by "|".
QStringList Rows(const QAbstractItemModel& list, int columns = 1) {
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < columns; ++column)
            texts << list.index(row, column).data().toString();
        rows << texts.join(u'|');
    }
    return rows;
}

bool Tick(QAbstractItemModel& list, int row, Qt::CheckState state = Qt::Checked) {
    return list.setData(list.index(row, 0), state, Qt::CheckStateRole);
}

} // namespace

class TestListModels : public QObject {
    Q_OBJECT

private slots:
    // Sorted as a user's language sorts; the C locale's order knows no
    // numbers.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The book's entries in its order with the ticks kept for their labels;
    // one without an address is listed but never ticked; Space's toggle
    // ticks a selection unless every printable row in it had a tick.
    void bookEntriesAndTicks() {
        CAddressBook book;
        Fill(book, {{"Karin", "Karin\r\nStorgatan 1\r\nLund"},
                    {"Nobody", " "},
                    {"Zed", "Zed Zimmer\r\n9 Row"},
                    {"office", "Alder & Co\r\n9 Row"}});
        CEnvelopeListModel entries;
        entries.SetBook(book, {"Karin", "Nobody", "Gone"});
        QCOMPARE(Rows(entries, 3),
                 QStringList({"Karin|Storgatan 1, Lund|", "Nobody|(no address)|",
                              "Zed|Zed Zimmer, 9 Row|", "office|Alder & Co, 9 Row|"}));
        QCOMPARE(entries.index(0, 1).data(Qt::ToolTipRole).toString(),
                 u"Karin\nStorgatan 1\nLund"_qs);
        QCOMPARE(entries.TickedRows(), QList<int>({0}));
        QVERIFY(!entries.flags(entries.index(1, 0)).testFlag(Qt::ItemIsEnabled));
        QVERIFY(!Tick(entries, 1));

        QSignalSpy changed(&entries, &QAbstractItemModel::dataChanged);
        QVERIFY(Tick(entries, 2));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(entries.index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
        QCOMPARE(entries.TickedCount(), 2);
        entries.ToggleTicks({0, 1, 2});
        QCOMPARE(entries.TickedCount(), 0);
        Tick(entries, 3);
        entries.ToggleTicks({2, 3});
        QCOMPARE(entries.TickedRows(), QList<int>({2, 3}));
        entries.SetTicked({0, 1, 2, 3}, true);
        QCOMPARE(entries.TickedCount(), 3);
        QCOMPARE(changed.size(), 5);
    }

    // A file's contacts join ticked, after the book's, marked with the
    // file; one the list holds already (the same label and address) is not
    // added again, from the book, the same file or the file a second time.
    void entriesFromFiles() {
        CAddressBook book;
        Fill(book, {{"Zed", "Zed Zimmer\r\n9 Row"}});
        CEnvelopeListModel entries;
        entries.SetBook(book, {});
        const QList<CAddress> file = {{"Zed", "Zed Zimmer\r\n9 Row"},
                                      {"Dora", "Dora Dean\r\n4 Birch Way"},
                                      {"Dora", "Dora Dean\r\n4 Birch Way"},
                                      {"Zed", "Zed Zimmer\r\n10 Row"}};
        const CEnvelopeListModel::FileAdded added = entries.AddFromFile(file, "more.csv");
        QCOMPARE(added.added, 2);
        QCOMPARE(added.again, 2);
        QCOMPARE(added.firstRow, 1);
        QCOMPARE(Rows(entries, 3),
                 QStringList({"Zed|Zed Zimmer, 9 Row|", "Dora|Dora Dean, 4 Birch Way|more.csv",
                              "Zed|Zed Zimmer, 10 Row|more.csv"}));
        QCOMPARE(entries.TickedRows(), QList<int>({1, 2}));
        const CEnvelopeListModel::FileAdded again = entries.AddFromFile(file, "more.csv");
        QVERIFY(again.added == 0 && again.again == 4 && again.firstRow == -1);

        // Only the book's ticks are kept from one opening to the next.
        CEnvelopeListFilter shown(entries);
        Tick(entries, 0);
        QCOMPARE(shown.TickedBookLabels(), QStringList({"Zed"}));
    }

    // The find ignores accents and case and takes every word anywhere in
    // the label or the address; what it hides stays ticked and is counted.
    void find_data() {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("tickedHidden");
        const QString karl = QStringLiteral("Karl M\u00fcller");
        QTest::newRow("accent and case") << "MULLER" << QStringList({karl}) << 1;
        QTest::newRow("words anywhere, trailing space")
            << "springfield john " << QStringList({"John"}) << 1;
        QTest::newRow("a letter with its accent") << "\u00e5berg" << QStringList({"Anna"}) << 0;
        QTest::newRow("nothing") << "graz x" << QStringList() << 1;
        QTest::newRow("spaces only") << "  " << QStringList({"Anna", "John", karl}) << 0;
    }
    void find() {
        QFETCH(QString, find);
        QFETCH(QStringList, shown);
        QFETCH(int, tickedHidden);
        CAddressBook book;
        Fill(book, {{"Anna", "Anna \u00c5berg\r\nGraz"},
                    {"John", "John Smith\r\n5 Elm\r\nSpringfield"},
                    {"Karl M\u00fcller", "Karl M\u00fcller\r\nHauptstra\u00dfe 1"}});
        CEnvelopeListModel entries;
        entries.SetBook(book, {"Anna"});
        CEnvelopeListFilter filter(entries);
        filter.SetFind(find);
        QCOMPARE(Rows(filter), shown);
        QCOMPARE(filter.TickedHiddenCount(), tickedHidden);
    }

    // A column sorts as people read, either way, the book's order until
    // then; a file's entries go to their sorted places; a job prints in the
    // list's order, entries the find hides included.
    void sortingAndTheJobsOrder() {
        CAddressBook book;
        Fill(book, {{"Entry 10", "B\r\n2"}, {"entry 9", "C\r\n3"}, {"Entry 1", "A\r\n1"}});
        CEnvelopeListModel entries;
        entries.SetBook(book, {});
        CEnvelopeListFilter shown(entries);
        entries.SetTicked({0, 1, 2}, true);
        QCOMPARE(Rows(shown), QStringList({"Entry 1", "Entry 10", "entry 9"}));
        QCOMPARE(shown.TickedAddresses(), QStringList({"A\r\n1", "B\r\n2", "C\r\n3"}));
        shown.sort(0, Qt::AscendingOrder);
        QCOMPARE(Rows(shown), QStringList({"Entry 1", "entry 9", "Entry 10"}));
        shown.sort(1, Qt::DescendingOrder);
        QCOMPARE(Rows(shown), QStringList({"entry 9", "Entry 10", "Entry 1"}));
        entries.AddFromFile({{"Entry 2", "Bb\r\n2"}}, "more.csv");
        QCOMPARE(Rows(shown), QStringList({"entry 9", "Entry 2", "Entry 10", "Entry 1"}));
        shown.sort(0, Qt::DescendingOrder);
        shown.SetFind("1");
        QCOMPARE(Rows(shown), QStringList({"Entry 10", "Entry 1"}));
        QCOMPARE(shown.TickedAddresses(), QStringList({"B\r\n2", "C\r\n3", "Bb\r\n2", "A\r\n1"}));
        QCOMPARE(shown.TickedBookLabels(), QStringList({"Entry 10", "entry 9", "Entry 1"}));
    }

    // Each contact's fate under each way with a taken label: left out,
    // replacing the book's address (or the file's own earlier one), or
    // added under a new label; those without an address last; the counts
    // the sentence under the list gives. Karin is the book's first entry.
    void importPlan_data() {
        QTest::addColumn<int>("policy");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("counts");
        const auto rows = [](const QString& karin, const QString& niamh) {
            return QStringList({"Karin|" + karin, "Niamh Byrne|Added", "Niamh Byrne|" + niamh,
                                "Tove|Left out: the address book has it already",
                                "No Address|Left out: no address"});
        };
        const QString taken = QStringLiteral("Left out: the label is taken");
        QTest::newRow("skip") << int(DuplicateLabels::Skip) << rows(taken, taken)
                              << QList<int>({1, 0, 4});
        QTest::newRow("replace") << int(DuplicateLabels::Replace)
                                 << rows(u"Replaces “Lund”"_qs,
                                         "Replaces the file's earlier address")
                                 << QList<int>({1, 2, 2});
        QTest::newRow("rename") << int(DuplicateLabels::Rename)
                                << rows(u"Added as “Karin (2)”"_qs,
                                        u"Added as “Niamh Byrne (2)”"_qs)
                                << QList<int>({3, 0, 2});
    }
    void importPlan() {
        QFETCH(int, policy);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, counts);
        CAddressBook book;
        Fill(book, {{"Karin", "Karin\r\nLund"}, {"Tove", "Tove\r\n4 Way\r\nTown"}});
        CContactsImport import(QStringLiteral("AT"));
        QByteArray cards;
        for (const char* card : {"FN:Karin\r\nADR:;;Storgatan 1;Lund;;222 22;Sverige",
                                 "FN:Niamh Byrne\r\nADR:;;2 Main Street;Ennis;;;",
                                 "FN:Niamh Byrne\r\nADR:;;1 Main Street;Ennis;;V95 X2Y3;Ireland",
                                 "FN:Tove\r\nADR:;;4 Way;Town;;;", "FN:No Address"})
            cards += QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\n") + card + "\r\nEND:VCARD\r\n";
        import.ReadBytes(cards, "friends.vcf");
        CImportPlanModel plan(import, book);
        plan.Plan(DuplicateLabels(policy));
        QCOMPARE(Rows(plan, 2), rows);
        QCOMPARE(plan.index(2, 2).data().toString(), u"1 Main Street, Ennis, V95 X2Y3, Ireland"_qs);
        QCOMPARE(plan.index(4, 2).data().toString(), QString());
        const CImportPlanModel::Counts planned = plan.PlannedCounts();
        QCOMPARE(QList<int>({planned.added, planned.replaced, planned.leftOut}), counts);
    }
};

QTEST_GUILESS_MAIN(TestListModels)
#include "tst_listmodels.moc"
