#include "addressbook.h"
#include "addresslistmenu.h"
#include "testenvironment.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

CAddressBook BookWith(const QStringList& labels) {
    CAddressBook book;
    book.SetAddressBookPath(QStringLiteral("/nonexistent/Addresses.plv"));
    // Built through the loader so the order is exactly the given one.
    QByteArray file;
    const qint32 count = static_cast<qint32>(labels.size());
    file.append(reinterpret_cast<const char*>(&count), 4);
    for (const QString& label : labels) {
        file.append("\xFF\xFE\xFF", 3);
        file.append(static_cast<char>(label.size()));
        file.append(reinterpret_cast<const char*>(label.utf16()), label.size() * 2);
        file.append("\xFF\xFE\xFF\x00", 4);
    }
    book.LoadFromBytes(file);
    return book;
}

QStringList Texts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("--") : action->text());
    return texts;
}

} // namespace

class TestAddressListMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void items_data();
    void items();
    void choicesAreNeverMistaken();
    void longLabelsAreShownWhole();
};

void TestAddressListMenu::items_data() {
    QTest::addColumn<QStringList>("book");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty book, no label")
        << QStringList() << QString() << QStringList{"&Add...", "--"};
    QTest::newRow("empty book, label of a lost entry")
        << QStringList() << "Home" << QStringList{"&Add...", "&Modify Home", "&Delete Home", "--"};
    QTest::newRow("percent in a label stays")
        << QStringList{"100%s"} << "100%s"
        << QStringList{"&Add...", "&Modify 100%s", "&Delete 100%s", "--", "100%s"};
    QTest::newRow("ampersand kept for the mnemonic")
        << QStringList{"Bed & Co"} << "Bed & Co"
        << QStringList{"&Add...", "&Modify Bed & Co", "&Delete Bed & Co", "--", "Bed & Co"};
}

void TestAddressListMenu::items() {
    QFETCH(QStringList, book);
    QFETCH(QString, label);
    QFETCH(QStringList, expected);
    const CAddressBook addressBook = BookWith(book);
    CAddressListMenu menu(addressBook, label, nullptr);
    QCOMPARE(Texts(menu.Menu()), expected);
    for (const QAction* action : menu.Menu()->actions()) {
        QVERIFY(action->isEnabled());
        QVERIFY(!action->isChecked());
    }
}

void TestAddressListMenu::choicesAreNeverMistaken() {
    // Entries whose position would number them 32775 to 32777 and beyond.
    QStringList labels;
    for (int i = 0; i < 32780; ++i)
        labels << QStringLiteral("L%1").arg(i, 5, 10, QLatin1Char('0'));
    const CAddressBook book = BookWith(labels);
    CAddressListMenu menu(book, QStringLiteral("L32775"), nullptr);
    const QList<QAction*> actions = menu.Menu()->actions();
    QCOMPARE(actions.size(), 4 + 32780);

    using Kind = AddressListChoice::Kind;
    QCOMPARE(menu.ChoiceFor(actions[0]).kind, Kind::Add);
    QCOMPARE(menu.ChoiceFor(actions[1]).kind, Kind::Modify);
    QCOMPARE(menu.ChoiceFor(actions[2]).kind, Kind::Delete);
    QCOMPARE(menu.ChoiceFor(actions[3]).kind, Kind::None);
    QCOMPARE(menu.ChoiceFor(nullptr).kind, Kind::None);
    for (int index : {0, 32774, 32775, 32776, 32777, 32779}) {
        const AddressListChoice choice = menu.ChoiceFor(actions[4 + index]);
        QCOMPARE(choice.kind, Kind::Entry);
        QCOMPARE(choice.index, index);
    }
}

void TestAddressListMenu::longLabelsAreShownWhole() {
    const QString label(300, QLatin1Char('x'));
    const CAddressBook book = BookWith({});
    CAddressListMenu menu(book, label, nullptr);
    QCOMPARE(menu.Menu()->actions()[1]->text(), QStringLiteral("&Modify ") + label);
    QCOMPARE(menu.Menu()->actions()[2]->text(), QStringLiteral("&Delete ") + label);
}

QTEST_MAIN(TestAddressListMenu)
#include "tst_addresslistmenu.moc"
