#include "addressbook.h"
#include "addressformatter.h"
#include "archive.h"
#include "contactsimport.h"
#include "contactswriter.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QTest>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString Lines(std::initializer_list<const char*> lines) {
    QStringList list;
    for (const char* line : lines)
        list.append(QString::fromUtf8(line));
    return list.join(kCrLf);
}

QStringList Labels(const CAddressBook& book) {
    QStringList labels;
    for (int i = 0; i < book.GetSize(); ++i)
        labels << book.GetAt(i).m_strLabel;
    return labels;
}

CAddressBook BookAt(const CTestEnvironment& env, const QList<CAddress>& records) {
    CAddressBook book;
    book.SetAddressBookPath(env.DataHome() + QStringLiteral("/Addresses.plv"));
    for (const CAddress& record : records)
        book.InsertAddress(record);
    return book;
}

} // namespace

class TestContacts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fixtures_data();
    void fixtures();
    void readAround_data();
    void readAround();
    void placeLines_data();
    void placeLines();
    void roundTripIsByteForByte_data();
    void roundTripIsByteForByte();
    void takenLabels_data();
    void takenLabels();
    void bulkInsertKeepsTheOrderOfSingleInserts();
};

void TestContacts::fixtures_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("withoutAddress");
    QTest::addColumn<QList<int>>("problemLines");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");

    // Preferred over work; a quoted-printable soft break inside "Hamburg".
    QTest::newRow("vCard 2.1") << "vcard21.vcf" << 3 << 1 << QList<int>{25} << "Johanna Hoffmann"
                               << Lines({"Johanna Hoffmann", "Nordlicht Verlag", "Lindenstraße 5",
                                         "20095 Hamburg", "Deutschland"});
    // A label in Latin-1 stands in for the missing address; the name goes first.
    QTest::newRow("vCard 2.1 label")
        << "vcard21.vcf" << 3 << 1 << QList<int>{25} << "Amélie Dubois"
        << Lines({"Amélie Dubois", "12 rue des Écoles", "75005 Paris", "France"});
    QTest::newRow("vCard 3.0") << "vcard30.vcf" << 3 << 1 << QList<int>{29} << "Chiara Rossi"
                               << Lines({"Chiara Rossi", "Studio Lumen",
                                         "Via del Corso 12, interno 3", "20121 Milano MI",
                                         "Italy"});
    QTest::newRow("vCard 3.0 escapes")
        << "vcard30.vcf" << 3 << 1 << QList<int>{29} << "O'Brien, Fitzgerald & Partner"
        << Lines({"O'Brien, Fitzgerald & Partner", "Harbour View Road 1", "Suite 400",
                  "T12 X2Y3 Cork", "Ireland"});
    QTest::newRow("vCard 3.0 type list")
        << "vcard30.vcf" << 3 << 1 << QList<int>{29} << "Björn Lindqvist"
        << Lines({"Björn Lindqvist", "Kongens Gade 2", "1264 København K", "Denmark"});
    QTest::newRow("vCard 4.0") << "vcard40.vcf" << 5 << 0 << QList<int>{18, 25}
                               << "Dr. Kazimierz Nowak"
                               << Lines({"Dr. Kazimierz Nowak", "Am Stadtpark 3", "1010 Wien",
                                         "Austria"});
    QTest::newRow("vCard 4.0 label")
        << "vcard40.vcf" << 5 << 0 << QList<int>{18, 25} << "Noor Haddad"
        << Lines({"Noor Haddad", "1 Harbour Street", "Sydney NSW 2000", "Australia"});
    QTest::newRow("vCard 4.0 unclosed")
        << "vcard40.vcf" << 5 << 0 << QList<int>{18, 25} << "Unfinished Card"
        << Lines({"Unfinished Card", "1 Lost Lane", "Springfield, IL 62704"});
    QTest::newRow("Google, old") << "google-old.csv" << 2 << 1 << QList<int>{10}
                                 << "Eleanor Fitzgerald"
                                 << Lines({"Eleanor Fitzgerald", "Acme Corporation", "12 Oak Lane",
                                           "Apt 4", "Riverton, NJ 08077"});
    QTest::newRow("Google, old formatted")
        << "google-old.csv" << 2 << 1 << QList<int>{10} << "Henrik Andersen"
        << Lines({"Henrik Andersen", "Strandvejen 10", "2900 Hellerup", "Denmark"});
    QTest::newRow("Google, new") << "google-new.csv" << 3 << 0 << QList<int>{4}
                                 << "Harbourside Dental Practice"
                                 << Lines({"Harbourside Dental Practice", "4 Quay Street", "Galway",
                                           "Ireland"});
    QTest::newRow("Outlook") << "outlook.csv" << 2 << 1 << QList<int>{4} << "Oliver Haddad"
                             << Lines({"Oliver Haddad", "Meridian Consulting Group",
                                       "1 Canada Square", "Level 39", "London", "E14 5AB",
                                       "United Kingdom"});
    QTest::newRow("Outlook, code page 1252")
        << "outlook.csv" << 2 << 1 << QList<int>{4} << "Søren Ølund"
        << Lines({"Søren Ølund", "Nørregade 7", "5000 Odense C", "Denmark"});
    QTest::newRow("Thunderbird") << "thunderbird.csv" << 3 << 1 << QList<int>{4} << "Jens Hoffmann"
                                 << Lines({"Jens Hoffmann", "Am Markt 2", "2. OG", "10117 Berlin",
                                           "Germany"});
    QTest::newRow("plain, semicolons")
        << "generic-semicolon.csv" << 2 << 1 << QList<int>{5} << "Office"
        << Lines({"Kanzlei Brandt & Partner", "Lindenstraße 1", "20095 Hamburg", "Deutschland"});
    QTest::newRow("plain, UTF-16, tabs")
        << "generic-tab.csv" << 2 << 0 << QList<int>{9} << "Kenji Nakamura"
        << Lines({"Kenji Nakamura", "1-1-1 Marunouchi", "Chiyoda-ku, Tokyo 100-0001", "Japan"});
}

void TestContacts::fixtures() {
    QFETCH(QString, file);
    QFETCH(int, entries);
    QFETCH(int, withoutAddress);
    QFETCH(QList<int>, problemLines);
    QFETCH(QString, label);
    QFETCH(QString, text);

    const QString path = TestDataPath(QStringLiteral("contacts/") + file);
    CContactsImport import(QStringLiteral("US"));
    import.ReadFile(path);

    QList<int> lines;
    for (const SContactsProblem& problem : import.Report().Problems())
        lines.append(problem.m_line);
    QCOMPARE(lines, problemLines);
    QVERIFY(import.Report().Lines().front().startsWith(
        QStringLiteral("%1:%2: ").arg(path).arg(problemLines.front())));
    QCOMPARE(import.Entries().size(), entries);
    QCOMPARE(import.WithoutAddressCount(), withoutAddress);

    const auto found =
        std::find_if(import.Entries().begin(), import.Entries().end(),
                     [&](const CAddress& entry) { return entry.m_strLabel == label; });
    QVERIFY2(found != import.Entries().end(), qPrintable(label));
    QCOMPARE(found->m_strAddress, text);
}

void TestContacts::readAround_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("entries"); // label, then the address with "|" for CR LF
    QTest::addColumn<QList<int>>("problemLines");

    QByteArray utf16("\xFF\xFE");
    for (QChar c : QStringLiteral("BEGIN:VCARD\rFN:Zoë\rADR:;;Elm\r\t Street 1;Bonn;;53111;\r"
                                  "END:VCARD\r"))
        utf16 += QByteArray(reinterpret_cast<const char*>(&c), 2);
    QTest::newRow("vCard in UTF-16, CR alone, folded with a tab")
        << utf16 << "a.vcf" << QStringList{"Zoë", "Zoë|Elm Street 1|53111 Bonn"} << QList<int>{};
    QTest::newRow("vCard 2.1 agent inside a card")
        << QByteArray("BEGIN:VCARD\nVERSION:2.1\nFN:Boss\nAGENT:\nBEGIN:VCARD\nFN:Aide\n"
                      "ADR:;;1 Side St;Bonn;;53111;\nEND:VCARD\nADR:;;2 Main St;Bonn;;53111;\n"
                      "END:VCARD\n")
        << "a.vcf" << QStringList{"Boss", "Boss|2 Main St|53111 Bonn"} << QList<int>{};
    QTest::newRow("vCard escapes and damaged quoted-printable")
        << QByteArray("junk\nmore junk\nEND:VCARD\nBEGIN:VCARD\nVERSION:2.1\n"
                      "FN;ENCODING=QUOTED-PRINTABLE;CHARSET=windows-1252:Jos=E9 =3D =ZZ\n"
                      "ADR;HOME:;;Hof 1\\; Tor 2;Bonn;;53111;\nEND:VCARD\n")
        << "a.vcf" << QStringList{"José = =ZZ", "José = =ZZ|Hof 1; Tor 2|53111 Bonn"}
        << QList<int>{1, 3, 6};
    QTest::newRow("vCard without a name")
        << QByteArray("BEGIN:VCARD\nVERSION:4.0\nADR:;;1 Main St;Bonn;;53111;\nEND:VCARD\n")
        << "a.vcf" << QStringList{} << QList<int>{1};
    QTest::newRow("CSV doubled quotes")
        << QByteArray("Name,Street,City\n\"Say \"\"Hi\"\"\",\"1, Main St\",Bonn\n") << "a.csv"
        << QStringList{"Say \"Hi\"", "Say \"Hi\"|1, Main St|Bonn"} << QList<int>{};
    QTest::newRow("CSV without a known header") << QByteArray("Phone,E-mail\n555,a@example.org\n")
                                                << "a.csv" << QStringList{} << QList<int>{1};
}

void TestContacts::readAround() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, file);
    QFETCH(QStringList, entries);
    QFETCH(QList<int>, problemLines);

    CContactsImport import(QStringLiteral("DE"));
    import.ReadBytes(bytes, file);
    QStringList read;
    for (const CAddress& entry : import.Entries())
        read << entry.m_strLabel << QString(entry.m_strAddress).replace(kCrLf, QStringLiteral("|"));
    QCOMPARE(read, entries);
    QList<int> lines;
    for (const SContactsProblem& problem : import.Report().Problems())
        lines.append(problem.m_line);
    QCOMPARE(lines, problemLines);
}

void TestContacts::placeLines_data() {
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("locality");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("postcode");
    QTest::addColumn<QString>("place");

    QTest::newRow("US") << "USA"
                        << "Springfield"
                        << "IL"
                        << "62704" << Lines({"Springfield, IL 62704", "United States"});
    QTest::newRow("US, no state") << "us"
                                  << "Springfield"
                                  << ""
                                  << "62704" << Lines({"Springfield 62704", "United States"});
    QTest::newRow("CA") << "Canada"
                        << "Montreal"
                        << "QC"
                        << "H3Z 2Y7" << Lines({"Montreal QC  H3Z 2Y7", "Canada"});
    QTest::newRow("AU") << "Australia"
                        << "Sydney"
                        << "NSW"
                        << "2000" << Lines({"Sydney NSW 2000", "Australia"});
    QTest::newRow("GB") << "UK"
                        << "London"
                        << "Greater London"
                        << "E14 5AB" << Lines({"London", "E14 5AB", "United Kingdom"});
    QTest::newRow("DE, own country") << "Deutschland"
                                     << "Hamburg"
                                     << "HH"
                                     << "20095" << Lines({"20095 Hamburg"});
    QTest::newRow("AT") << "Österreich"
                        << "Wien"
                        << ""
                        << "1010" << Lines({"1010 Wien", "Österreich"});
    QTest::newRow("CH") << "CH"
                        << "Zürich"
                        << "ZH"
                        << "8001" << Lines({"8001 Zürich", "Switzerland"});
    QTest::newRow("FR") << "France"
                        << "Paris"
                        << ""
                        << "75005" << Lines({"75005 Paris", "France"});
    QTest::newRow("NL") << "Nederland"
                        << "Amsterdam"
                        << "NH"
                        << "1012 AB" << Lines({"1012 AB  Amsterdam", "Nederland"});
    QTest::newRow("IT") << "Italia"
                        << "Roma"
                        << "RM"
                        << "00184" << Lines({"00184 Roma RM", "Italia"});
    QTest::newRow("ES") << "España"
                        << "Madrid"
                        << "Madrid"
                        << "28013" << Lines({"28013 Madrid", "Madrid", "España"});
    QTest::newRow("JP") << "Japan"
                        << "Chiyoda-ku"
                        << "Tokyo"
                        << "100-0001" << Lines({"Chiyoda-ku, Tokyo 100-0001", "Japan"});
    QTest::newRow("elsewhere") << "Brasil"
                               << "São Paulo"
                               << "SP"
                               << "01310-100" << Lines({"01310-100 São Paulo", "SP", "Brasil"});
    QTest::newRow("no country") << ""
                                << "Hamburg"
                                << ""
                                << "20095" << Lines({"20095 Hamburg"});
}

void TestContacts::placeLines() {
    QFETCH(QString, country);
    QFETCH(QString, locality);
    QFETCH(QString, region);
    QFETCH(QString, postcode);
    QFETCH(QString, place);

    CContact contact;
    contact.m_givenName = QStringLiteral("Ann");
    contact.m_familyName = QStringLiteral("Lee");
    contact.m_organization = QStringLiteral("Ann Lee");
    SPostalAddress address;
    address.m_street = {QStringLiteral("1 Main St")};
    address.m_locality = locality;
    address.m_region = region;
    address.m_postcode = postcode;
    address.m_country = country;
    contact.OfferAddress(address);

    // The user lives in Germany: German addresses need no country line.
    const std::optional<QString> text = CAddressFormatter(QStringLiteral("DE")).Format(contact);
    QVERIFY(text);
    QCOMPARE(*text, QStringLiteral("Ann Lee\r\n1 Main St\r\n") + place);
}

void TestContacts::roundTripIsByteForByte_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("vCard") << "book.vcf";
    QTest::newRow("CSV") << "book.csv";
}

void TestContacts::roundTripIsByteForByte() {
    QFETCH(QString, file);
    CTestEnvironment env;
    // What escaping could get wrong: separators, escapes of both kinds,
    // quotes, a long line to fold through a letter of several bytes, an
    // empty address, spaces at the ends of a label.
    const QList<CAddress> records = {
        CAddress(QStringLiteral(" Home "), QStringLiteral("12 Oak Lane\r\nRiverton")),
        CAddress(QStringLiteral("Müller, Jürgen; Büro"),
                 QStringLiteral("Jürgen Müller\r\nc/o \"Nord\", Halle 3; Tor 2\r\n20095 Hamburg")),
        CAddress(QStringLiteral("Path \\n ^n ^^ \\\\"),
                 QStringLiteral("C:\\temp\\new ^n ^' \\, \\;\r\nQUOTED-PRINTABLE=")),
        CAddress(QStringLiteral("Long"), QString(70, QLatin1Char('x')) + QStringLiteral("éééé€€€") +
                                             QString(200, QChar(0x4E2D)) + kCrLf +
                                             QStringLiteral("=")),
        CAddress(QStringLiteral("No address yet"), QString()),
        CAddress(QStringLiteral("Tab\tlabel"), QStringLiteral("\r\nstarts with a line break\r\n")),
    };
    CAddressBook book = BookAt(env, records);
    book.SaveAddressBook();
    const QByteArray original = ReadWholeFile(book.AddressBookPath());

    const QString path = env.Root() + QLatin1Char('/') + file;
    CContactsWriter::WriteFile(path, book, CContactsWriter::FormatForPath(path));
    const QByteArray exported = ReadWholeFile(path);
    if (file.endsWith(QLatin1String(".vcf"))) {
        for (const QByteArray& line : exported.split('\n')) {
            QVERIFY(line.isEmpty() || line.endsWith('\r'));
            QVERIFY2(line.size() <= 76, line.constData());
        }
    }

    CAddressBook imported;
    imported.SetAddressBookPath(env.Root() + QStringLiteral("/imported.plv"));
    CContactsImport import(QStringLiteral("US"));
    import.ReadFile(path);
    QVERIFY(import.Report().IsClean());
    const SImportResult result = import.MergeInto(imported, DuplicateLabels::Skip);
    QCOMPARE(result.m_added, records.size());
    QCOMPARE(ReadWholeFile(imported.AddressBookPath()).toHex(' '), original.toHex(' '));
}

void TestContacts::takenLabels_data() {
    QTest::addColumn<int>("policy");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("smithAddress");
    QTest::addColumn<QString>("summary");

    QTest::newRow("skip") << int(DuplicateLabels::Skip)
                          << QStringList{"Adams", "Brown", "Smith", "Smith (3)", "Zoe"} << "old"
                          << "2 addresses were added.\n"
                             "2 left out because their label is already in the address book.\n"
                             "1 had no address: Nobody";
    QTest::newRow("replace") << int(DuplicateLabels::Replace)
                             << QStringList{"Adams", "Brown", "Smith", "Smith (3)", "Zoe"}
                             << "Smith\r\nsecond"
                             << "2 addresses were added.\n"
                                "2 replaced the address of an entry with the same label.\n"
                                "1 had no address: Nobody";
    QTest::newRow("rename") << int(DuplicateLabels::Rename)
                            << QStringList{"Adams",     "Brown",     "Smith", "Smith (2)",
                                           "Smith (3)", "Smith (4)", "Zoe"}
                            << "old"
                            << "4 addresses were added.\n"
                               "2 of them under a new label, as their label was taken.\n"
                               "1 had no address: Nobody";
}

void TestContacts::takenLabels() {
    QFETCH(int, policy);
    QFETCH(QStringList, labels);
    QFETCH(QString, smithAddress);
    QFETCH(QString, summary);
    CTestEnvironment env;
    CAddressBook book = BookAt(env, {CAddress(QStringLiteral("Smith"), QStringLiteral("old")),
                                     CAddress(QStringLiteral("Smith (3)"), QStringLiteral("x")),
                                     CAddress(QStringLiteral("Zoe"), QStringLiteral("z"))});

    const QByteArray csv = "Name,Street\n"
                           "Smith,first\n"
                           "Brown,b\n"
                           "Smith,second\n"
                           "Nobody,\n"
                           "Adams,a\n";
    CContactsImport import(QStringLiteral("US"));
    import.ReadBytes(csv, QStringLiteral("people.csv"));
    const SImportResult result = import.MergeInto(book, DuplicateLabels(policy));
    QCOMPARE(result.Summary(), summary);

    CAddressBook saved;
    saved.SetAddressBookPath(book.AddressBookPath());
    QVERIFY(saved.LoadFromBytes(ReadWholeFile(book.AddressBookPath())));
    QCOMPARE(Labels(saved), labels);
    QCOMPARE(saved.GetAt(saved.FindLabel(QStringLiteral("Smith"))).m_strAddress, smithAddress);
}

void TestContacts::bulkInsertKeepsTheOrderOfSingleInserts() {
    // Equal labels, and a book loaded out of order, where each insert lands
    // before the first label that is not smaller, wherever that is.
    QList<CAddress> incoming;
    for (const char* label : {"b", "B", "b", "a", "zz", "A"})
        incoming.append(CAddress(QString::fromLatin1(label), QString::number(incoming.size())));
    for (const QStringList& existing : {QStringList{"A", "b", "c"}, QStringList{"c", "A", "b"}}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CArchive ar(&buffer, QString());
        ar.WriteInt32(static_cast<qint32>(existing.size()));
        for (const QString& label : existing) {
            ar.WriteString(label);
            ar.WriteString(QStringLiteral("old"));
        }
        ar.Flush();

        CAddressBook one;
        CAddressBook bulk;
        QVERIFY(one.LoadFromBytes(bytes));
        QVERIFY(bulk.LoadFromBytes(bytes));
        for (const CAddress& address : incoming)
            one.InsertAddress(address);
        bulk.InsertAddresses(incoming);
        QCOMPARE(bulk.ToBytes(), one.ToBytes());
    }
}

QTEST_GUILESS_MAIN(TestContacts)
#include "tst_contacts.moc"
