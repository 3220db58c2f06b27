#include "addressbook/addressbook.h"
#include "bookbytes.h"
#include "contacts/addressformatter.h"
#include "contacts/contactsimport.h"
#include "contacts/contactswriter.h"
#include "contacts/numberformat.h"
#include "contacts/spreadsheet.h"
#include "contacts/zippackage.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>
#include <QtEndian>

#include <map>

namespace {

// Lines written with "|" for CR LF.
QString Lines(const char* text) {
    return QString::fromUtf8(text).replace(u'|', QStringLiteral("\r\n"));
}

QStringList Labels(const CAddressBook& book) {
    QStringList labels;
    for (int i = 0; i < book.GetSize(); ++i)
        labels << book.GetAt(i).m_strLabel;
    return labels;
}

QList<int> ProblemLines(const CContactsImport& import) {
    QList<int> lines;
    for (const ContactsProblem& problem : import.Report().Problems())
        lines.append(problem.line);
    return lines;
}

// The rows of a table in tests/data/contacts, tab separated, without its
// header; no quoting, a quote is text.
QList<QStringList> Table(const QString& name) {
    QList<QStringList> rows;
    const QString path = TestDataPath(QStringLiteral("contacts/") + name);
    for (const QString& line : QString::fromUtf8(ReadWholeFile(path)).split(u'\n').mid(1))
        if (!line.isEmpty())
            rows.append(line.split(u'\t'));
    return rows;
}

// A file of tests/data/contacts as a user in the US imports it, or as
// reading.tsv says (the user's country, the sheet, the column mapping),
// read once for all its rows.
const CContactsImport& Imported(const QString& file) {
    static std::map<QString, CContactsImport> imports;
    auto found = imports.find(file);
    if (found == imports.end()) {
        QStringList how;
        for (const QStringList& row : Table(QStringLiteral("reading.tsv")))
            if (row[0] == file)
                how = row;
        CContactsImport& import =
            imports.try_emplace(file, how.value(1, QStringLiteral("US"))).first->second;
        import.SetSheet(how.value(2));
        QString why;
        if (!how.value(3).isEmpty())
            import.SetColumnMapping(CColumnMapping::Parse(how.value(3), &why));
        import.ReadFile(TestDataPath(QStringLiteral("contacts/") + file));
        found = imports.find(file);
    }
    return found->second;
}

CAddressBook BookAt(const QString& path, const QList<CAddress>& records) {
    CAddressBook book;
    book.SetAddressBookPath(path);
    for (const CAddress& record : records)
        book.InsertAddress(record);
    return book;
}

// A zip package of stored parts as the tests need one: offsets counted
// without `lead`, the bytes glued before it; the sizes and offsets in zip64
// form when `zip64` is set.
struct TestPart {
    QByteArray name;
    QByteArray bytes;
    quint16 flags = 0;
    quint16 method = 0;
};

void Put(QByteArray& out, quint64 value, int size) {
    for (int i = 0; i < size; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320U : crc >> 1;
    }
    return ~crc;
}

QByteArray ZipOf(const QList<TestPart>& parts, const QByteArray& lead, bool zip64) {
    const quint64 big = 0xFFFFFFFF;
    QByteArray body;
    QByteArray directory;
    for (const TestPart& part : parts) {
        QByteArray extra;
        if (zip64) {
            Put(extra, 1, 2);
            Put(extra, 24, 2);
            Put(extra, part.bytes.size(), 8);
            Put(extra, part.bytes.size(), 8);
            Put(extra, body.size(), 8);
        }
        const auto header = [&](QByteArray& out, bool central) {
            Put(out, central ? 0x02014b50 : 0x04034b50, 4);
            if (central)
                Put(out, 45, 2);
            Put(out, 45, 2);
            Put(out, part.flags, 2);
            Put(out, part.method, 2);
            Put(out, 0, 4);
            Put(out, Crc32(part.bytes), 4);
            Put(out, zip64 ? big : part.bytes.size(), 4);
            Put(out, zip64 ? big : part.bytes.size(), 4);
            Put(out, part.name.size(), 2);
            Put(out, central ? extra.size() : 0, 2);
            if (central) {
                Put(out, 0, 6);
                Put(out, 0, 4);
                Put(out, zip64 ? big : body.size(), 4);
            }
            out.append(part.name);
        };
        header(directory, true);
        directory.append(extra);
        header(body, false);
        body.append(part.bytes);
    }
    QByteArray end;
    if (zip64) {
        Put(end, 0x06064b50, 4);
        Put(end, 44, 8);
        Put(end, 45, 4);
        Put(end, 0, 8);
        Put(end, parts.size(), 8);
        Put(end, parts.size(), 8);
        Put(end, directory.size(), 8);
        Put(end, body.size(), 8);
        Put(end, 0x07064b50, 4);
        Put(end, 0, 4);
        Put(end, body.size() + directory.size(), 8);
        Put(end, 1, 4);
    }
    Put(end, 0x06054b50, 4);
    Put(end, 0, 4);
    Put(end, zip64 ? 0xFFFF : parts.size(), 2);
    Put(end, zip64 ? 0xFFFF : parts.size(), 2);
    Put(end, zip64 ? big : directory.size(), 4);
    Put(end, zip64 ? big : body.size(), 4);
    Put(end, 0, 2);
    return lead + body + directory + end;
}

} // namespace

class TestContacts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every contact with an address in the contacts files, as a user in the
    // US imports it, against the envelope written down for it
    // (expected.tsv: one row a contact, in the file's order). corpus/ holds
    // what other programs wrote, the folder above files made for corners of
    // their own.
    void contactsInFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("envelope");
        QHash<QString, int> counts;
        for (const QStringList& row : Table(QStringLiteral("expected.tsv"))) {
            const int index = counts[row[0]]++;
            QTest::addRow("%s: %s", qPrintable(row[0]), qPrintable(row[1]))
                << row[0] << index << row[1]
                << row.value(2).replace(QStringLiteral(" | "), QStringLiteral("\r\n"));
        }
    }
    void contactsInFiles() {
        QFETCH(QString, file);
        QFETCH(int, index);
        const QList<CAddress>& entries = Imported(file).Entries();
        QVERIFY2(index < entries.size(), qPrintable(QString::number(entries.size())));
        QTEST(entries[index].m_strLabel, "label");
        QTEST(entries[index].m_strAddress, "envelope");
    }

    // Each file gives as many entries as expected.tsv has rows for it, and
    // its problems at the lines problems.tsv lists; every other file of
    // both folders imports without one.
    void contactsFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("problemLines");
        QMap<QString, int> counts;
        QHash<QString, QList<int>> problems;
        for (const QStringList& row : Table(QStringLiteral("expected.tsv")))
            ++counts[row[0]];
        for (const QStringList& row : Table(QStringLiteral("problems.tsv"))) {
            counts[row[0]] += 0;
            for (const QString& line : row.value(1).split(u','))
                problems[row[0]].append(line.toInt());
        }
        const QDir root(TestDataPath(QStringLiteral("contacts")));
        // The spreadsheet libraries' own test files are lists of anything
        // but contacts: cellsAsShown reads them.
        QDirIterator files(root.path(),
                           {QStringLiteral("*.vcf"), QStringLiteral("*.csv"),
                            QStringLiteral("*.xlsx"), QStringLiteral("*.ods"),
                            QStringLiteral("*.xlsm")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString file = root.relativeFilePath(files.next());
            if (!file.startsWith(QLatin1String("corpus/calamine/")))
                counts[file] += 0;
        }
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            QTest::newRow(qPrintable(it.key())) << it.key() << it.value() << problems[it.key()];
    }
    void contactsFiles() {
        QFETCH(QString, file);
        const CContactsImport& import = Imported(file);
        QTEST(int(import.Entries().size()), "count");
        QTEST(ProblemLines(import), "problemLines");
    }

    // What the window asks the user about: the top rows of a list whose
    // header did not read, a title above it included, and none once a
    // mapping reads it; which sheets of a workbook read, a mapping given
    // before for one of them counted.
    void tablesToAskAbout() {
        const QByteArray club("Club list\n\nMember;Street and number;Town\nAnn;1 Elm St;Leeds\n");
        CContactsImport import(QStringLiteral("US"));
        import.ReadBytes(club, QStringLiteral("club.csv"));
        const QList<SheetRow> rows = import.UnreadTableRows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].cells, QStringList({"Club list"}));
        QCOMPARE(rows[1].number, 3);
        QCOMPARE(rows[1].cells, QStringList({"Member", "Street and number", "Town"}));
        QCOMPARE(rows[2].cells.value(1), u"1 Elm St"_qs);
        QString why;
        import.SetColumnMapping(
            CColumnMapping::Parse(u"name=Member,street=Street and number,locality=C"_qs, &why));
        import.ReadBytes(club, QStringLiteral("club.csv"));
        QVERIFY(import.UnreadTableRows().isEmpty());
        QCOMPARE(import.Entries().size(), 1);

        CContactsImport sheets(QStringLiteral("GB"));
        const QString members = TestDataPath(QStringLiteral("contacts/sheets/members.xlsx"));
        const auto readable = [&] {
            QList<bool> read;
            for (const WorkbookSheet& sheet : sheets.WorkbookSheets(members))
                read << sheet.readable;
            return read;
        };
        QCOMPARE(readable(), QList<bool>({false, false}));
        sheets.SetMappingLookup([](const QStringList& header) -> std::optional<CColumnMapping> {
            QString ignored;
            return header.value(0) == u"Member"_qs
                       ? CColumnMapping::Parse(u"name=A,street=B"_qs, &ignored)
                       : std::nullopt;
        });
        QCOMPARE(readable(), QList<bool>({false, true}));
        QVERIFY(sheets.WorkbookSheets(TestDataPath(QStringLiteral("contacts/sheets/customers.csv")))
                    .isEmpty());
        sheets.SetMappingLookup({});
        sheets.SetSheet(QStringLiteral("Members"));
        sheets.ReadFile(members);
        QCOMPARE(sheets.UnreadTableRows().value(1).cells.value(0), u"Member"_qs);
    }

    // Odd corners of both formats: entries read ("label", "text" in turn)
    // and the lines of the problems reported.
    void readAround_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("problemLines");
        QByteArray utf16("\xFF\xFE");
        for (QChar c : QStringLiteral("BEGIN:VCARD\rFN:Zoë\rADR:;;Elm\r\t Street 1;Bonn;;53111;\r"
                                      "END:VCARD\r"))
            utf16 += QByteArray(reinterpret_cast<const char*>(&c), 2);
        QTest::newRow("vCard in UTF-16, CR alone, folded with a tab")
            << utf16 << "a.vcf" << QStringList{"Zoë", Lines("Zoë|Elm Street 1|53111 Bonn")}
            << QList<int>{};
        QTest::newRow("vCard 2.1 agent inside a card")
            << QByteArray("BEGIN:VCARD\nVERSION:2.1\nFN:Boss\nAGENT:\nBEGIN:VCARD\nFN:Aide\n"
                          "ADR:;;1 Side St;Bonn;;53111;\nEND:VCARD\nADR:;;2 Main St;Bonn;;53111;\n"
                          "END:VCARD\n")
            << "a.vcf" << QStringList{"Boss", Lines("Boss|2 Main St|53111 Bonn")} << QList<int>{};
        QTest::newRow("vCard escapes and damaged quoted-printable")
            << QByteArray("junk\nmore junk\nEND:VCARD\nBEGIN:VCARD\nVERSION:2.1\n"
                          "FN;ENCODING=QUOTED-PRINTABLE;CHARSET=windows-1252:Jos=E9 =3D =ZZ\n"
                          "ADR;HOME:;;Hof 1\\; Tor 2\\nRear;Bonn;;53111;\nEND:VCARD\n")
            << "a.vcf"
            << QStringList{"José = =ZZ", Lines("José = =ZZ|Hof 1; Tor 2|Rear|53111 Bonn")}
            << QList<int>{1, 3, 6};
        QTest::newRow("vCard preferred address, neither home nor first")
            << QByteArray(
                   "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nADR;TYPE=work:;;1 Work St;Bonn;;53111;\n"
                   "ADR;TYPE=home:;;2 Home St;Bonn;;53111;\n"
                   "ADR;TYPE=work,pref:;;3 Pref St;Bonn;;53111;\nEND:VCARD\n")
            << "a.vcf" << QStringList{"Ann", Lines("Ann|3 Pref St|53111 Bonn")} << QList<int>{};
        QTest::newRow("vCard without a name")
            << QByteArray("BEGIN:VCARD\nVERSION:4.0\nADR:;;1 Main St;Bonn;;53111;\nEND:VCARD\n")
            << "a.vcf" << QStringList{} << QList<int>{};
        QTest::newRow("CSV doubled quotes")
            << QByteArray("Name,Street,City\n\"Say \"\"Hi\"\"\",\"1, Main St\",Bonn\n") << "a.csv"
            << QStringList{"Say \"Hi\"", Lines("Say \"Hi\"|1, Main St|Bonn")} << QList<int>{};
        QByteArray broken("\xFF\xFE");
        for (QChar c : QStringLiteral("Name,Address\r\n\"Ann\r\nLee\",\"1 Road\nBonn\"\r\nBo,\"x") +
                           QChar(0xD800) + QStringLiteral("\"\r\n"))
            broken += QByteArray(reinterpret_cast<const char*>(&c), 2);
        QTest::newRow("CSV in UTF-16, a broken character, a name over two lines")
            << broken << "a.csv"
            << QStringList{"Ann Lee", Lines("Ann|Lee|1 Road|Bonn"), "Bo",
                           Lines("Bo|x") + QChar(QChar::ReplacementCharacter)}
            << QList<int>{5};
        QTest::newRow("vCard name too long")
            << "BEGIN:VCARD\nFN:" + QByteArray(5000, 'n') + "\nADR:;;1 Road;Bonn;;;\nEND:VCARD\n"
            << "a.vcf" << QStringList{QString(4096, u'n'), QString(4096, u'n')} << QList<int>{1};
        QTest::newRow("CSV without a known header")
            << QByteArray("Phone,E-mail\n555,a@example.org\n") << "a.csv" << QStringList{}
            << QList<int>{1};
        const QString zero = QStringLiteral("Ann") + QChar(0);
        QTest::newRow("a zero character in UTF-8")
            << QByteArrayLiteral("BEGIN:VCARD\nFN:Ann\0\nADR:;;1 Road;Bonn;;53111;\nEND:VCARD\n")
            << "a.vcf" << QStringList{"Ann", zero + Lines("|1 Road|53111 Bonn")} << QList<int>{};
        QTest::newRow("a picture taken for a contacts file")
            << QByteArrayLiteral("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0")
            << "a.csv" << QStringList{} << QList<int>{0};
        QTest::newRow("empty file") << QByteArray() << "a.csv" << QStringList{} << QList<int>{0};
        // CSV is read a piece of some 64 KiB at a time: a quoted field over
        // several pieces, lines counted across them, and a byte that is not
        // UTF-8 in the last piece only, which makes the whole file 8-bit.
        QByteArray notes;
        for (int i = 0; i < 12000; ++i)
            notes += "line \"\"q\"\"\n";
        QTest::newRow("CSV larger than the pieces it is read in")
            << "Name,Notes,Street,City\nAnn,\"" + notes + "\",1 Road,Bonn\n\"Bo\"x,,2 Road,Bonn\n" +
                   "Jos\xE9,,3 Road,Bonn"
            << "a.csv"
            << QStringList{"Ann",  Lines("Ann|1 Road|Bonn"), "Box", Lines("Box|2 Road|Bonn"),
                           "José", Lines("José|3 Road|Bonn")}
            << QList<int>{12003};
    }
    void readAround() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, file);
        CContactsImport import(QStringLiteral("DE"));
        import.ReadBytes(bytes, file);
        QStringList read;
        for (const CAddress& entry : import.Entries())
            read << entry.m_strLabel << entry.m_strAddress;
        QTEST(read, "entries");
        QTEST(ProblemLines(import), "problemLines");
    }

    // The cells of real workbooks, as their program shows them (cells.tsv):
    // numbers through their formats, dates, merged, repeated and covered
    // cells, rich text, escapes, hidden and chart sheets, strict paths.
    void cellsAsShown_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("cells");
        for (const QStringList& row : Table(QStringLiteral("cells.tsv")))
            QTest::addRow("%s %s %s", qPrintable(row[0]), qPrintable(row[1]), qPrintable(row[2]))
                << row[0] << row[1] << row[2].toInt()
                << QString(row[3]).replace(u'⏎', u'\n').replace(u'␍', u'\r');
    }
    void cellsAsShown() {
        QFETCH(QString, file);
        QFETCH(QString, sheet);
        QFETCH(int, row);
        QFile device(TestDataPath(QStringLiteral("contacts/") + file));
        QVERIFY(device.open(QIODevice::ReadOnly));
        CSpreadsheet workbook(device);
        QVERIFY2(workbook.IsOpen(), qPrintable(workbook.Error()));
        QString shown = QStringLiteral("(no such row)");
        QVERIFY(workbook.ReadRows(workbook.SheetNamed(sheet), [&](const SheetRow& read) {
            if (read.number == row)
                shown = read.cells.join(QStringLiteral(" | "));
            return read.number < row;
        }));
        QTEST(shown, "cells");
    }

    // Packages as other zip writers make them, and as they are damaged:
    // what the part content.xml reads to.
    void zipPackages_data() {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QString>("read");
        const QList<TestPart> parts = {{"mimetype", "x"}, {"Content.XML", "<a>ok</a>"}};
        const QByteArray program(300, 'M');
        QTest::newRow("plain") << ZipOf(parts, {}, false) << "<a>ok</a>";
        QTest::newRow("glued after a program") << ZipOf(parts, program, false) << "<a>ok</a>";
        QTest::newRow("zip64") << ZipOf(parts, {}, true) << "<a>ok</a>";
        QTest::newRow("zip64 glued") << ZipOf(parts, program, true) << "<a>ok</a>";
        QByteArray changed = ZipOf(parts, {}, false);
        changed.replace("<a>ok</a>", "<a>OK</a>");
        QTest::newRow("a byte changed") << changed << "damaged";
        QTest::newRow("cut short") << ZipOf(parts, {}, false).chopped(1) << "no package";
        QTest::newRow("password") << ZipOf({{"content.xml", "<a/>", 1}}, {}, false) << "no part";
        QTest::newRow("other method")
            << ZipOf({{"content.xml", "<a/>", 0, 12}}, {}, false) << "no part";
        QByteArray bigger = ZipOf(parts, {}, true);
        const qsizetype field = bigger.lastIndexOf(QByteArray::fromHex("01001800"));
        qToLittleEndian<quint64>(1000, bigger.data() + field + 4);
        qToLittleEndian<quint64>(1000, bigger.data() + field + 12);
        QTest::newRow("size past the end") << bigger << "no part";
        QByteArray farAway = ZipOf(parts, {}, true);
        const qsizetype record = farAway.lastIndexOf("PK\x06\x06");
        qToLittleEndian<quint64>(0x7000'0000'0000'0000, farAway.data() + record + 40);
        qToLittleEndian<quint64>(0x7000'0000'0000'0000, farAway.data() + record + 48);
        QTest::newRow("directory past any file") << farAway << "no package";
    }
    void zipPackages() {
        QFETCH(QByteArray, package);
        QBuffer device(&package);
        QVERIFY(device.open(QIODevice::ReadOnly));
        CZipPackage zip(device);
        QString read = QStringLiteral("no package");
        if (const ZipEntry* entry =
                zip.Open() ? zip.Find(QStringLiteral("content.xml")) : nullptr) {
            CZipPart part(zip, *entry);
            QByteArray bytes;
            for (QByteArray piece; !(piece = part.Read(4)).isEmpty();)
                bytes += piece;
            read = !part.IsOpen() ? QStringLiteral("no part")
                   : part.AtEnd() ? QString::fromLatin1(bytes)
                                  : QStringLiteral("damaged");
        }
        QTEST(read, "read");
    }

    // Number formats on worked examples: what a cell of that format shows.
    void numberFormats_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* code, double value, const char* shown) {
            QTest::addRow("%s %g", code, value)
                << QString::fromUtf8(code) << value << QString::fromUtf8(shown);
        };
        row("00000", 2134, "02134");
        row("00000\\-0000", 21341234, "02134-1234");
        row("[<=99999]00000;00000-0000", 21341234, "02134-1234");
        row("[<=99999]00000;00000-0000", 2134, "02134");
        row("(###) ###-####", 5551234567, "(555) 123-4567");
        row("#,##0.00", 1234567.891, "1,234,567.89");
        row("#,##0;(#,##0)", -1234, "(1,234)");
        row("0.0%", 0.256, "25.6%");
        row("#.##", 0.5, ".5");
        row("0.00;-0.00;\"none\"", 0, "none");
        row("", 0.1 + 0.2, "0.3");
        row("General", 123456789012.0, "123456789012");
        row("[$-409]mmmm d, yyyy;@", 44197, "January 1, 2021");
        row("d-mmm-yy", 45292, "1-Jan-24");
        row("yyyy\\-mm\\-dd hh:mm", 44197.5, "2021-01-01 12:00");
        row("h:mm AM/PM", 0.75, "6:00 PM");
        // The 29 February 1900 that never was sits between these.
        row("yyyy-mm-dd", 59, "1900-02-28");
        row("yyyy-mm-dd", 61, "1900-03-01");
        row("[$€-407] #,##0.00", 12.5, "€ 12.50");
    }
    void numberFormats() {
        QFETCH(QString, code);
        QFETCH(double, value);
        QTEST(CNumberFormat(code).Format(value), "shown");
    }

    // Lists whose header the program does not know, read by a mapping of
    // columns given by header text or letters, under a title row; a
    // mapping remembered for a header; refusals that say what was found.
    void columnMappings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("mapping");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("problem");
        const QByteArray club = "Leeds Harriers 2026\n\nMember,\"Street, number\",Town,Postcode\n"
                                "Ann Lee,1 Otley Rd,Leeds,LS6 3AA\n,,,\nBo Wu,2 Kirk Ln,,LS5 3BT\n";
        const QStringList both = {"Ann Lee", Lines("Ann Lee|1 Otley Rd|Leeds|LS6 3AA"), "Bo Wu",
                                  Lines("Bo Wu|2 Kirk Ln|LS5 3BT")};
        QTest::newRow("by header text, a title row above")
            << club << "name=member,street=\"Street,  number\",locality=Town,postcode=Postcode"
            << both << "";
        QTest::newRow("by letters")
            << club << "name=A,street=B,locality=C,postcode=D" << both << "";
        QTest::newRow("remembered for this header") << club << "" << both << "";
        QTest::newRow("a field twice: two street lines")
            << QByteArray("Who,Line 1,Line 2\nAnn,Flat 3,1 Road\n") << "name=Who,street=B,street=C"
            << QStringList{"Ann", Lines("Ann|Flat 3|1 Road")} << "";
        QTest::newRow("a mapped column missing")
            << club << "name=Member,street=Road" << QStringList{}
            << "a.csv:1: this is not a list of contacts this program can read: no row near its "
               "top has the columns \"Road\" that the column mapping names. Its columns are "
               "\"Member\", \"Street, number\", \"Town\", \"Postcode\"; a column mapping can say "
               "which holds the name, the street, the place and the postcode";
        QTest::newRow("unknown header, no mapping")
            << QByteArray("Name,Phone\nAnn,555\n") << "" << QStringList{}
            << "a.csv:1: this is not a list of contacts this program can read: it has a column "
               "for a name but none for an address. Its columns are \"Name\", \"Phone\"; a "
               "column mapping can say which holds the name, the street, the place and the "
               "postcode";
    }
    void columnMappings() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, mapping);
        CContactsImport import(QStringLiteral("GB"));
        QString why;
        if (!mapping.isEmpty())
            import.SetColumnMapping(CColumnMapping::Parse(mapping, &why));
        import.SetMappingLookup([](const QStringList& header) -> std::optional<CColumnMapping> {
            QString ignored;
        if (header.value(1) == QLatin1String("Street, number"))
            return CColumnMapping::Parse("name=A,street=B,locality=C,postcode=D", &ignored);
        return std::nullopt;
    });
    import.ReadBytes(bytes, QStringLiteral("a.csv"));
    QStringList read;
    for (const CAddress& entry : import.Entries())
        read << entry.m_strLabel << entry.m_strAddress;
    QTEST(read, "entries");
    QTEST(import.Report().Lines().join(u'\n'), "problem");
}

    // The place lines as each country writes them, for a user in Germany,
    // whose own addresses need no country line.
    void placeLines_data() {
    QTest::addColumn<QString>("parts"); // country|locality|region|postcode
    QTest::addColumn<QString>("place");
    const auto row = [](const char* parts, const char* place) {
        QTest::newRow(parts) << QString::fromUtf8(parts) << Lines(place);
    };
    row("USA|Springfield|IL|62704", "Springfield, IL 62704|United States");
    row("us|Springfield||62704", "Springfield 62704|United States");
    // The state in the postcode field, as a field named "ZIP" invites.
    row("USA|Redwood Shores||CA 94065", "Redwood Shores, CA 94065|United States");
    row("Canada|Montreal|QC|H3Z 2Y7", "Montreal QC  H3Z 2Y7|Canada");
    row("Australia|Sydney|NSW|2000", "Sydney NSW 2000|Australia");
    row("UK|London|Greater London|E14 5AB", "London|E14 5AB|United Kingdom");
    row("Deutschland|Hamburg|HH|20095", "20095 Hamburg");
    row("|Hamburg||20095", "20095 Hamburg");
    row("CH|Zürich|ZH|8001", "8001 Zürich|Switzerland");
    row("Nederland|Amsterdam|NH|1012 AB", "1012 AB  Amsterdam|Nederland");
    row("Italia|Roma|RM|00184", "00184 Roma RM|Italia");
    row("España|Madrid|Madrid|28013", "28013 Madrid|Madrid|España");
    row("Japan|Chiyoda-ku|Tokyo|100-0001", "Chiyoda-ku, Tokyo 100-0001|Japan");
    row("Brasil|São Paulo|SP|01310-100", "São Paulo - SP|01310-100|Brasil");
    // The Eircode last, below the county.
    row("Ireland|Ennis|Co. Clare|V95 X2Y3", "Ennis|Co. Clare|V95 X2Y3|Ireland");
    row("in|Mumbai|Maharashtra|400001", "Mumbai 400001|Maharashtra|India");
    // A name of two letters is a name, not a code.
    row("中国|北京市|北京|100000", "北京市|北京, 100000|中国");
    // Where the system names no country (the C locale), a place without one
    // is written as its state and ZIP code show it to be.
    row("|Springfield|IL|62704|", "Springfield, IL 62704");
    row("|Redwood Shores||CA 94065|", "Redwood Shores, CA 94065");
    row("|Hamburg||20095|", "20095 Hamburg");
}
void placeLines() {
    QFETCH(QString, parts);
    const QStringList part = parts.split(u'|');
    Contact contact;
    contact.givenName = QStringLiteral("Ann");
    contact.familyName = QStringLiteral("Lee");
    contact.organization = QStringLiteral("Ann Lee");
    PostalAddress address;
    address.street = {QStringLiteral("1 Main St")};
    address.country = part[0];
    address.locality = part[1];
    address.region = part[2];
    address.postcode = part[3];
    contact.addresses.Offer(address);
    QFETCH(QString, place);
    QCOMPARE(CAddressFormatter(part.value(4, QStringLiteral("DE"))).Format(contact),
             QStringLiteral("Ann Lee\r\n1 Main St\r\n") + place);
}

// The book written out and read back in is the same book, byte for byte.
void roundTripIsByteForByte_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("vCard") << "book.vcf";
    QTest::newRow("CSV") << "book.csv";
}
void roundTripIsByteForByte() {
    QFETCH(QString, file);
    CTestEnvironment env;
    // What escaping could get wrong: separators, escapes of both kinds,
    // quotes, a long line to fold through a letter of several bytes, an
    // empty address, spaces at the ends of a label.
    const QList<CAddress> records = {
        CAddress(QStringLiteral(" Home "), QStringLiteral("12 Oak Lane\r\nRiverton")),
        CAddress(QStringLiteral("Müller, Jürgen; Büro"),
                 QStringLiteral("c/o \"Studio: Nord\", Halle 3; Tor 2\r\n20095 Hamburg")),
        CAddress(QStringLiteral("Path \\n ^n ^^ \\\\"),
                 QStringLiteral("C:\\temp\\new ^n ^' \\, \\;\r\nQUOTED-PRINTABLE=")),
        CAddress(QStringLiteral("Long"), QString(70, u'x') + QStringLiteral("éééé€€€") +
                                             QString(200, QChar(0x4E2D)) + QStringLiteral("\r\n=")),
        CAddress(QStringLiteral("No address yet"), QString()),
        CAddress(QStringLiteral("Tab"), QStringLiteral("\r\nstarts\twith a break\r\n")),
    };
    CAddressBook book = BookAt(env.Root() + QStringLiteral("/Addresses.plv"), records);
    const QString path = env.Root() + u'/' + file;
    CContactsWriter::WriteFile(path, book, CContactsWriter::FormatForPath(path));
    // vCard lines end in CR LF and are folded at 75 bytes, never inside
    // a character.
    for (const QByteArray& line : ReadWholeFile(path).split('\n'))
        QVERIFY2(file.endsWith(u".csv") ||
                     (line.size() <= 76 && (line.isEmpty() || line.endsWith('\r')) &&
                      QString::fromUtf8(line).toUtf8() == line),
                 line.constData());

    CAddressBook imported = BookAt(env.Root() + QStringLiteral("/imported.plv"), {});
    CContactsImport import(QStringLiteral("US"));
    import.ReadFile(path);
    QVERIFY(import.Report().IsClean());
    QCOMPARE(import.MergeInto(imported, DuplicateLabels::Skip).added, records.size());
    QCOMPARE(ReadWholeFile(imported.AddressBookPath()).toHex(' '), book.ToBytes().toHex(' '));
}

// Contacts whose label the book has already, as each policy takes them,
// and the summary the user reads.
void takenLabels_data() {
    QTest::addColumn<int>("policy");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("smithAddress");
    QTest::addColumn<QString>("summary");
    QTest::newRow("skip") << int(DuplicateLabels::Skip)
                          << QStringList{"Adams", "Brown", "Smith", "Smith (3)", "Zoe"} << "old"
                          << "2 addresses were added.\n"
                             "2 left out because their label is already in the address book.\n"
                             "1 contact has no postal address and was left out: Nobody";
    QTest::newRow("replace") << int(DuplicateLabels::Replace)
                             << QStringList{"Adams", "Brown", "Smith", "Smith (3)", "Zoe"}
                             << "Smith\r\nsecond"
                             << "2 addresses were added.\n"
                                "2 replaced the address of an entry with the same label.\n"
                                "1 contact has no postal address and was left out: Nobody";
    QTest::newRow("rename") << int(DuplicateLabels::Rename)
                            << QStringList{"Adams",     "Brown",     "Smith", "Smith (2)",
                                           "Smith (3)", "Smith (4)", "Zoe"}
                            << "old"
                            << "4 addresses were added.\n"
                               "2 of them under a new label, as their label was taken.\n"
                               "1 contact has no postal address and was left out: Nobody";
}
void takenLabels() {
    QFETCH(int, policy);
    CTestEnvironment env;
    CAddressBook book = BookAt(env.Root() + QStringLiteral("/Addresses.plv"),
                               {CAddress(QStringLiteral("Smith"), QStringLiteral("old")),
                                CAddress(QStringLiteral("Smith (3)"), QStringLiteral("x")),
                                CAddress(QStringLiteral("Zoe"), QStringLiteral("z"))});
    CContactsImport import(QStringLiteral("US"));
    import.ReadBytes("Name,Street\nSmith,first\nBrown,b\nSmith,second\nNobody,\nAdams,a\n",
                     QStringLiteral("people.csv"));
    QTEST(import.MergeInto(book, DuplicateLabels(policy)).Summary(), "summary");
    CAddressBook saved;
    QVERIFY(saved.LoadFromBytes(ReadWholeFile(book.AddressBookPath())));
    QTEST(Labels(saved), "labels");
    QTEST(saved.GetAt(saved.FindLabel(QStringLiteral("Smith"))).m_strAddress, "smithAddress");
}

// Equal labels, and a book loaded out of order, where each insert lands
// before the first label that is not smaller, wherever that is.
void bulkInsertKeepsTheOrderOfSingleInserts() {
    QList<CAddress> incoming;
    for (const char* label : {"b", "B", "b", "a", "zz", "A"})
        incoming.append(CAddress(QString::fromLatin1(label), QString::number(incoming.size())));
    for (const QStringList& existing : {QStringList{"A", "b", "c"}, QStringList{"c", "A", "b"}}) {
        CAddressBook one;
        CAddressBook bulk;
        QVERIFY(one.LoadFromBytes(BookBytes(existing, QStringLiteral("old"))));
        QVERIFY(bulk.LoadFromBytes(BookBytes(existing, QStringLiteral("old"))));
        for (const CAddress& address : incoming)
            one.InsertAddress(address);
        bulk.InsertAddresses(incoming);
        QCOMPARE(bulk.ToBytes(), one.ToBytes());
    }
}
}
;

QTEST_GUILESS_MAIN(TestContacts)
#include "tst_contacts.moc"
