// pelvaro-cli run as a user runs it: its command lines and exit statuses,
// its work on the address book, and the envelope it prints against the one
// the window prints. Run beside a CUPS scheduler of the test's own, for the
// queue it prints on.

#include "addressbook/addressbook.h"
#include "bookbytes.h"
#include "cli/commandlinetool.h"
#include "modalscript.h"
#include "pdftext.h"
#include "print/papersizes.h"
#include "printblocks.h"
#include "settings/registryfile.h"
#include "settings/settingsstore.h"
#include "templates/dialogtemplate.h"
#include "testenvironment.h"
#include "ui/multilineedit.h"
#include "ui/pelvarodlg.h"
#include "ui/printeralignmentdlg.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

CliRun Cli(const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
           const std::function<void()>& inChild = {}) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(qEnvironmentVariable("PELVARO_CLI"), arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    process.waitForFinished();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The tool's commands run in this process, on buffers for stdout and
// stderr: what needs no process of its own.
CliRun RunTool(const QStringList& arguments) {
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int status = CCommandLineTool(out, err).Run(arguments);
    return {status, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
}

// The whole book as the tool shows it.
QString Book() {
    return Cli({QStringLiteral("list"), QStringLiteral("--json")}).out;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    std::unique_ptr<CTestEnvironment> m_env;

private slots:
    void init() { m_env = std::make_unique<CTestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    // What a user meets on stdout and stderr, and the status a script sees,
    // from the commands run in this process. ROOT stands for the test's own
    // folder.
    void commandLines_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // its start
        QTest::addColumn<QString>("err"); // all of it
        const QString none;
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << "pelvaro-cli " PELVARO_VERSION "\n"
                                 << none;
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << "Usage: pelvaro-cli COMMAND [OPTIONS]\n\nPrints envelopes and "
                                 "keeps Pelvaro's address book, without a window.\n\nCommands:\n"
                                 "  print    print one envelope\n  check    tell what would make "
                                 "the post office's machines misread one\n"
                              << none;
        QTest::newRow("print help")
            << QStringList{"print", "-h"} << 0 << "Usage: pelvaro-cli print (--to TEXT" << none;
        QTest::newRow("check help")
            << QStringList{"check", "-help"} << 0 << "Usage: pelvaro-cli check (--to TEXT" << none;
        QTest::newRow("align help")
            << QStringList{"align", "--help"} << 0 << "Usage: pelvaro-cli align [--printer" << none;
        QTest::newRow("import help")
            << QStringList{"import", "--help"} << 0 << "Usage: pelvaro-cli import FILE" << none;
        QTest::newRow("export help")
            << QStringList{"export", "--help"} << 0 << "Usage: pelvaro-cli export FILE" << none;
        QTest::newRow("list help")
            << QStringList{"list", "--help"} << 0 << "Usage: pelvaro-cli list" << none;
        QTest::newRow("no command") << QStringList{} << 2 << none
                                    << "pelvaro-cli: no command given; see 'pelvaro-cli --help'\n";
        QTest::newRow("unknown command")
            << QStringList{"frob"} << 2 << none
            << "pelvaro-cli: unknown command 'frob'; see 'pelvaro-cli --help'\n";
        QTest::newRow("unknown option")
            << QStringList{"list", "--bogus"} << 2 << none
            << "pelvaro-cli: list: Unknown option 'bogus'. See 'pelvaro-cli list --help'.\n";
        QTest::newRow("no mailing address")
            << QStringList{"print", "--pdf", "ROOT/e.pdf"} << 2 << none
            << "pelvaro-cli: give the mailing address with --to or --to-label\n";
        QTest::newRow("two mailing addresses")
            << QStringList{"print", "--to", "a", "--to-label", "b"} << 2 << none
            << "pelvaro-cli: --to and --to-label cannot both be given\n";
        QTest::newRow("option twice") << QStringList{"print", "--to", "a", "--to", "b"} << 2 << none
                                      << "pelvaro-cli: --to is given more than once\n";
        QTest::newRow("no such size")
            << QStringList{"print", "--to", "a", "--size", "2"} << 2 << none
            << QString::fromUtf16(u"pelvaro-cli: --size: no envelope size \"2\"; the sizes are 0 "
                                  u"(No. 10: 9\u00BD \u00D7 4\u215B), 1 (No. 6\u00BE: 6\u00BD "
                                  u"\u00D7 3\u215D)\n");
        QTest::newRow("no such paper")
            << QStringList{"print", "--to", "a", "--paper", "C7"} << 2 << none
            << "pelvaro-cli: --paper: no paper size \"C7\"; the sizes are " + PaperSizeNames() +
                   "\n";
        QTest::newRow("layout help")
            << QStringList{"layout", "--help"} << 0 << "Usage: pelvaro-cli layout [--paper" << none;
        QTest::newRow("layout start off the envelope")
            << QStringList{"layout", "--paper", "c5", "--mailing", "229,10"} << 2 << none
            << QString::fromUtf16(u"pelvaro-cli: --mailing takes X,Y in mm from the envelope's "
                                  u"left and top edges, inside the envelope, C5 (229 \u00D7 162 "
                                  u"mm), not '229,10'\n");
        QTest::newRow("layout shown and reset")
            << QStringList{"layout", "--paper", "dl", "--show", "--reset"} << 2 << none
            << "pelvaro-cli: give one of --show, --reset or the placement to store\n";
        QTest::newRow("import without file") << QStringList{"import"} << 2 << none
                                             << "pelvaro-cli: give the contacts file to import\n";
        QTest::newRow("duplicate policy")
            << QStringList{"import", "x.vcf", "--on-duplicate", "merge"} << 2 << none
            << "pelvaro-cli: --on-duplicate takes skip, replace or rename, not 'merge'\n";
        QTest::newRow("address choice")
            << QStringList{"merge", "x.vcf", "--address", "office", "--dry-run"} << 2 << none
            << "pelvaro-cli: --address takes home, work or preferred, not 'office'\n";
        QTest::newRow("missing file") << QStringList{"import", "ROOT/none.vcf"} << 3 << none
                                      << "pelvaro-cli: ROOT/none.vcf was not found.\n";
        QTest::newRow("unknown label")
            << QStringList{"print", "--to-label", "Nobody", "--pdf", "ROOT/e.pdf"} << 3 << none
            << "pelvaro-cli: ROOT/data/Pelvaro/Addresses.plv: no entry labelled \"Nobody\"\n";
        QTest::newRow("no printer")
            << QStringList{"print", "--to", "a"} << 4 << none
            << "pelvaro-cli: no printer is configured: choose one in Pelvaro (Configure, "
               "Printer...), or give --printer or --pdf\n";
        QTest::newRow("check without a printer")
            << QStringList{"check", "--to", "a"} << 4 << none
            << "pelvaro-cli: no printer is configured: choose one in Pelvaro (Configure, "
               "Printer...), or give --printer or --pdf\n";
        QTest::newRow("PDF into a folder")
            << QStringList{"print", "--to", "a", "--pdf", "ROOT"} << 4 << none
            << "pelvaro-cli: The envelope was not printed to the file ROOT: it is not a file.\n";
        QTest::newRow("no such printer")
            << QStringList{"print", "--to", "a", "--printer", "NoSuchQueue"} << 4 << none
            << "pelvaro-cli: The envelope was not printed on NoSuchQueue: there is no such "
               "printer.\n";
        QTest::newRow("merge help")
            << QStringList{"merge", "-h"} << 0 << "Usage: pelvaro-cli merge [FILE...]" << none;
        QTest::newRow("merge nothing") << QStringList{"merge", "--pdf", "ROOT/m.pdf"} << 2 << none
                                       << "pelvaro-cli: give contacts files, --book or --labels\n";
        QTest::newRow("resolution without a picture")
            << QStringList{"print", "--to", "a", "--dpi", "100"} << 2 << none
            << "pelvaro-cli: --dpi is for the picture of --png\n";
        QTest::newRow("merge unknown label")
            << QStringList{"merge", "--labels", "Nobody", "--dry-run"} << 3 << none
            << "pelvaro-cli: ROOT/data/Pelvaro/Addresses.plv: no entry labelled \"Nobody\"\n";
        QTest::newRow("align without a printer")
            << QStringList{"align", "--shift", "1,1"} << 2 << none
            << "pelvaro-cli: no printer is configured in Pelvaro: name one with --printer\n";
        QTest::newRow("align to a feed that is none")
            << QStringList{"align", "--printer", "PDF file", "--feed", "sideways"} << 2 << none
            << "pelvaro-cli: --feed takes across-left, across-centre, across-right, "
               "standing-left, standing-centre or standing-right, not 'sideways'\n";
        QTest::newRow("align turned maybe")
            << QStringList{"align", "--printer", "PDF file", "--turned", "maybe"} << 2 << none
            << "pelvaro-cli: --turned takes yes or no, not 'maybe'\n";
        for (const char* shift : {"25.1,0", "0,-25.1", "1.25,0", "1", "1,2,3", "a,b"})
            QTest::addRow("shift %s", shift)
                << QStringList{"print", "--to", "a", "--shift", shift} << 2 << none
                << u"pelvaro-cli: --shift takes X,Y in millimetres, each from -25.0 to 25.0 in "
                   u"steps of 0.1, not '%1'\n"_qs.arg(QLatin1String(shift));
        QTest::newRow("align show and store")
            << QStringList{"align", "--printer", "PDF file", "--show", "--turned", "yes"} << 2
            << none
            << "pelvaro-cli: give one of --show, --reset, --test-page or the alignment to "
               "store\n";
        QTest::newRow("align into a PDF") << QStringList{"align", "--pdf", "ROOT/t.pdf"} << 2
                                          << none << "pelvaro-cli: --pdf is for --test-page\n";
        QTest::newRow("export not written") << QStringList{"export", "/proc/book.vcf"} << 1 << none
                                            << "pelvaro-cli: /proc/book.vcf was not found.\n";
        QTest::newRow("PDF without a name")
            << QStringList{"print", "--to", "a", "--pdf", ""} << 2 << none
            << "pelvaro-cli: --pdf takes the name of a file\n";
        QTest::newRow("export without a name") << QStringList{"export", ""} << 2 << none
                                               << "pelvaro-cli: the name of the file to export "
                                                  "to is empty\n";
        QTest::newRow("import without a name") << QStringList{"import", ""} << 2 << none
                                               << "pelvaro-cli: the name of the contacts file "
                                                  "is empty\n";
        QTest::newRow("export into no folder")
            << QStringList{"export", "ROOT/none/x.vcf"} << 1 << none
            << "pelvaro-cli: ROOT/none/x.vcf was not written: the folder ROOT/none does not "
               "exist\n";
        QTest::newRow("option taken for a value")
            << QStringList{"print", "--to", "--pdf", "x.pdf"} << 2 << none
            << "pelvaro-cli: --to needs a value, but --pdf follows it (write --to=--pdf if that "
               "is the value)\n";
        QTest::newRow("empty envelope")
            << QStringList{"print", "--to", " \n ", "--pdf", "ROOT/e.pdf"} << 3 << none
            << "pelvaro-cli: the mailing address is empty\n";
        QTest::newRow("empty envelope checked")
            << QStringList{"check", "--to", "", "--pdf", "ROOT/e.pdf"} << 3 << none
            << "pelvaro-cli: the mailing address is empty\n";
        QTest::newRow("check on no such printer")
            << QStringList{"check", "--to", "a", "--printer", "NoSuchQueue"} << 4 << none
            << "pelvaro-cli: The envelope could not be checked for NoSuchQueue: there is no such "
               "printer.\n";
        QTest::newRow("align shown for no such printer")
            << QStringList{"align", "--show", "--printer", "NoSuchQueue"} << 2 << none
            << "pelvaro-cli: --printer: there is no printer 'NoSuchQueue'; the printers are "
               "those 'lpstat -e' lists, and \"PDF file\" for PDF files\n";
        QTest::newRow("columns not understood")
            << QStringList{"merge", "x.csv", "--columns", "name=A,town=B"} << 2 << none
            << "pelvaro-cli: --columns: \"town\" is not a field; the fields are name, "
               "organization, street, locality, region, postcode, country\n";
        const QString members = TestDataPath(QStringLiteral("contacts/sheets/members.ods"));
        QTest::newRow("no such sheet")
            << QStringList{"import", members, "--sheet", "Staff"} << 3
            << "0 addresses were added.\n"
            << "pelvaro-cli: " + members +
                   ": the workbook has no sheet \"Staff\"; its sheets are \"Notes\", "
                   "\"Members\"\n";
        QTest::newRow("encrypted workbook")
            << QStringList{"merge",
                           TestDataPath(
                               QStringLiteral("contacts/corpus/calamine/pass_protected.xlsx")),
                           "--dry-run"}
            << 3 << "0 envelopes\n"
            << "pelvaro-cli: " +
                   TestDataPath(QStringLiteral("contacts/corpus/calamine/pass_protected.xlsx")) +
                   ": this workbook cannot be read: it is protected by a password, or an older "
                   "Excel workbook (.xls); save it without a password as .xlsx or .ods; nothing "
                   "was read\n";
    }
    void commandLines() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        QFETCH(QString, err);
        arguments.replaceInStrings(QStringLiteral("ROOT"), m_env->Root());
        const CliRun run = RunTool(arguments);
        QCOMPARE(run.err, err.replace(QStringLiteral("ROOT"), m_env->Root()));
        QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.startsWith(out), qPrintable(run.out));
        QTEST(run.status, "status");
    }

    // The manual page has a section for every command the tool lists, and
    // names every option a command's help shows.
    void manualPageNamesEveryCommandAndOption() {
        QFile page(QStringLiteral(PELVARO_TEST_DATA_DIR "/../../res/man/pelvaro-cli.1"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString manual = QString::fromUtf8(page.readAll());
        const QString commands =
            RunTool({QStringLiteral("--help")}).out.section(QStringLiteral("Commands:"), 1);
        static const QRegularExpression commandLine(QStringLiteral("^  ([a-z]+) "),
                                                    QRegularExpression::MultilineOption);
        static const QRegularExpression option(QStringLiteral("^  (?:-\\w, )?--([a-z-]+)"),
                                               QRegularExpression::MultilineOption);
        int listed = 0;
        for (const auto& command :
             commandLine.globalMatch(commands.section(QStringLiteral("Options:"), 0, 0))) {
            const QString name = command.captured(1);
            ++listed;
            QVERIFY2(manual.contains(QStringLiteral(".SS %1\n").arg(name)), qPrintable(name));
            const QString help = RunTool({name, QStringLiteral("--help")}).out;
            for (const auto& match : option.globalMatch(help)) {
                QString escaped = QStringLiteral("--") + match.captured(1);
                escaped.replace(u'-', QStringLiteral("\\-"));
                QVERIFY2(manual.contains(escaped),
                         qPrintable(name + QStringLiteral(": ") + escaped));
            }
        }
        QCOMPARE(listed, 8);
    }

    // Outputs never land on the program's own files, a device, a folder or
    // a read-only file, and replace a file only once they are whole: with
    // the disk full the old file stays. Inputs that are not regular files
    // are refused before they are read. What must stay does, byte for byte.
    void refusedFiles_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        const QString own = QStringLiteral("it is one of Pelvaro's own data files (the address "
                                           "book or the settings)");
        QTest::newRow("PDF over the book")
            << QStringList{"print", "--to", "a", "--pdf", "BOOK"} << false << 4
            << "The envelope was not printed to the file BOOK: " + own + ".";
        QTest::newRow("merge over the book's backup")
            << QStringList{"merge", "--book", "--pdf", "BOOK.bak"} << false << 4
            << "The envelope was not printed to the file BOOK.bak: " + own + ".";
        QTest::newRow("picture over the settings")
            << QStringList{"print", "--to", "a", "--png", "REG"} << false << 4
            << "REG was not written: " + own + ".";
        QTest::newRow("export over the settings")
            << QStringList{"export", "REG"} << false << 1 << "REG was not written: " + own + ".";
        QTest::newRow("export through a link to the book")
            << QStringList{"export", "ROOT/link.vcf"} << false << 1
            << "ROOT/link.vcf was not written: " + own + ".";
        // A pipe stands for a device: a fault here must not cost the
        // machine its /dev/null.
        QTest::newRow("export into a pipe")
            << QStringList{"export", "ROOT/pipe"} << false << 1
            << "ROOT/pipe was not written: it is not a regular file.";
        QTest::newRow("export over a read-only file")
            << QStringList{"export", "ROOT/kept"} << false << 1
            << "ROOT/kept was not written: it is read-only.";
        QTest::newRow("PDF with the disk full")
            << QStringList{"print", "--to", "a", "--pdf", "ROOT/old"} << true << 4
            << "The envelope was not printed to the file ROOT/old: the file could not be written "
               "whole.";
        QTest::newRow("picture with the disk full")
            << QStringList{"print", "--to", "a", "--png", "ROOT/old"} << true << 4
            << "Disk full while accessing ROOT/old.";
        QTest::newRow("pictures with the disk full")
            << QStringList{"merge", "--book", "--png-dir", "ROOT"} << true << 4
            << "Disk full while accessing ROOT/envelope-0001.png; 0 of 1 pictures were written.";
        QTest::newRow("pictures into a file")
            << QStringList{"merge", "--book", "--png-dir", "ROOT/old"} << false << 4
            << "ROOT/old is not a folder";
        QTest::newRow("PDF with damaged printer settings")
            << QStringList{"print", "--to", "a", "--pdf", "ROOT/new.pdf"} << false << 0
            << "the printer settings stored by Pelvaro are damaged; the default page is used";
        QTest::newRow("import a device") << QStringList{"import", "/dev/null"} << false << 3
                                         << "/dev/null was not read: it is not a regular file (a "
                                            "device, a pipe or a socket).";
        QTest::newRow("merge a folder") << QStringList{"merge", "ROOT", "--dry-run"} << false << 3
                                        << "ROOT was not read: it is a folder.";
        QTest::newRow("import a loop of links")
            << QStringList{"import", "ROOT/loop"} << false << 3
            << "ROOT/loop was not read: its links lead round in a circle.";
        QTest::newRow("import a file too large")
            << QStringList{"import", "ROOT/huge.vcf"} << false << 3
            << "ROOT/huge.vcf: the file is larger than 256 MB; nothing was read";
    }
    void refusedFiles() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, diskFull);
        QFETCH(QString, err);
        const QString root = m_env->Root();
        CAddressBook book;
        book.LoadAddressBook();
        book.AddAddress(CAddress("Rosalind", "Rosalind Recipient\r\n34 Mailing Avenue"));
        QFile::copy(m_env->BookPath(), m_env->BookPath() + QStringLiteral(".bak"));
        CSettingsStore settings("Torvane Software", "Pelvaro");
        const bool damaged = QByteArray(QTest::currentDataTag()).contains("damaged");
        settings.WriteBinaryValue("DevMode",
                                  damaged ? QByteArray("x") : LandscapeSettings(20, 300));
        settings.WriteBinaryValue("DevNames", PdfNames(root + QStringLiteral("/x.pdf")));
        const QString reg = m_env->ConfigHome() + QStringLiteral("/Torvane Software/registry.reg");
        QVERIFY(QFile::link(m_env->BookPath(), root + QStringLiteral("/link.vcf")));

        QVERIFY(QFile::link(root + QStringLiteral("/loop"), root + QStringLiteral("/loop")));
        QVERIFY(::mkfifo(QFile::encodeName(root + QStringLiteral("/pipe")).constData(), 0600) == 0);
        QFile huge(root + QStringLiteral("/huge.vcf"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(300 << 20));
        huge.close();
        const QString kept = root + QStringLiteral("/kept");
        WriteWholeFile(kept, "kept");
        QFile::setPermissions(kept, QFileDevice::ReadOwner);
        const QByteArray old(10000, 'o');
        WriteWholeFile(root + QStringLiteral("/old"), old);
        WriteWholeFile(root + QStringLiteral("/envelope-0001.png"), old);
        const QList<QString> unchanged = {m_env->BookPath(), reg, kept, root + "/old",
                                          root + "/envelope-0001.png"};
        QList<QByteArray> before;
        for (const QString& file : unchanged)
            before.append(ReadWholeFile(file));

        const auto fill = [&](QString text) {
            return text.replace(QStringLiteral("BOOK"), m_env->BookPath())
                .replace(QStringLiteral("REG"), reg)
                .replace(QStringLiteral("ROOT"), root);
        };
        for (QString& argument : arguments)
            argument = fill(argument);
        // A size limit on the files the tool writes stands in for a full disk.
        const CliRun run = Cli(arguments, QProcessEnvironment::systemEnvironment(), [diskFull] {
            const rlimit limit{4096, 4096};
            if (diskFull)
                ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        QCOMPARE(run.err, QStringLiteral("pelvaro-cli: ") + fill(err) + u'\n');
        QTEST(run.status, "status");
        for (qsizetype i = 0; i < unchanged.size(); ++i)
            QVERIFY2(ReadWholeFile(unchanged[i]) == before[i], qPrintable(unchanged[i]));
        // Nothing half written is left beside the targets.
        QCOMPARE(QDir(root).entryList({".*"}, QDir::Hidden | QDir::Files), QStringList());
    }

    // On a terminal or not, what a label holds is shown, never acted on:
    // escape sequences and other controls appear escaped. A label may hold a comma.
    void terminalText() {
        CAddressBook book;
        book.LoadAddressBook();
        const QString label = QStringLiteral("Smith, J\x1b]0;owned\x07\u202e");
        book.AddAddress(CAddress(label, "John Smith\r\n1 Road"));
        int master = -1;
        int slave = -1;
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        QProcess process;
        process.setChildProcessModifier([slave] { ::dup2(slave, STDOUT_FILENO); });
        process.start(qEnvironmentVariable("PELVARO_CLI"),
                      {"merge", "--label", label, "--dry-run"});
        QVERIFY(process.waitForFinished(60000));
        ::close(slave);
        QByteArray shown;
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, n);
        ::close(master);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(shown.startsWith("1. Smith, J\\u001b]0;owned\\u0007\\u202e\r\n"),
                 shown.constData());
        // Into a pipe (less -R, a script reading lines) just the same.
        QCOMPARE(Cli({"list"}).out, u"Smith, J\\u001b]0;owned\\u0007\\u202e\n"_qs);
    }

    // A file with a broken line is read past it and reported; labels that
    // are taken are skipped, renamed or replaced as asked; what the tool
    // exports it reads back to the same book, in either format.
    void contactsRoundTrip() {
        const QString cards = TestDataPath(QStringLiteral("contacts/vcard30.vcf"));
        CliRun run = Cli({"import", cards});
        QCOMPARE(run.out,
                 QStringLiteral("3 addresses were added.\n1 contact has no postal address and was "
                                "left out: Mateo García\n"));
        QVERIFY2(run.err.startsWith(QStringLiteral("pelvaro-cli: %1:29: ").arg(cards)) &&
                     run.err.count(u'\n') == 1,
                 qPrintable(run.err));
        QCOMPARE(run.status, 3);

        // The same file again adds no copies, whatever the policy.
        run = Cli({"import", cards, "--on-duplicate", "rename"});
        QVERIFY2(run.out.startsWith(QStringLiteral("0 addresses were added.\n3 left out as the "
                                                   "address book has them already.")),
                 qPrintable(run.out));
        const QString csv = m_env->Root() + QStringLiteral("/new.csv");
        QVERIFY(WriteWholeFile(csv, "Label,Address\r\nChiara Rossi,\"1 New Street\r\nRoma\"\r\n"));
        QCOMPARE(Cli({"import", csv, "--on-duplicate", "replace"}).out,
                 QStringLiteral("0 addresses were added.\n1 replaced the address of an entry with "
                                "the same label.\n"));
        QCOMPARE(Cli({"import", csv}).status, 0);
        run = Cli({"list"});
        QCOMPARE(run.out.split(u'\n').mid(0, 2), QStringList({"Björn Lindqvist", "Chiara Rossi"}));

        const QString book = Book();
        const QJsonArray entries = QJsonDocument::fromJson(book.toUtf8()).array();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.at(1).toObject().value("address").toString(),
                 QStringLiteral("1 New Street\nRoma"));
        for (const char* name : {"/book.csv", "/book.vcf"}) {
            const QString file = m_env->Root() + QLatin1String(name);
            QCOMPARE(Cli({"export", file}).status, 0);
            CTestEnvironment fresh;
            QCOMPARE(Cli({"import", file}).status, 0);
            QCOMPARE(Book(), book);
        }
        QVERIFY(Cli({"export", "-", "--format", "csv"}).out.contains(u"\"Label\",\"Address\""));
        QCOMPARE(Cli({"export", m_env->Root() + "/book.txt", "--format", "csv"}).status, 0);
        QVERIFY(ReadWholeFile(m_env->Root() + "/book.txt")
                    .startsWith("\xEF\xBB\xBF\"Label\",\"Address\""));
    }

    // Labels a script can name, one a line: no NUL, no line break, none
    // blank. A CSV export that a spreadsheet opens runs no formula, and
    // reads back, through a pipe too, to the same book.
    void labelsAndCellsOthersRead() {
        const QString list = m_env->Root() + QStringLiteral("/list.csv");
        QString text = QStringLiteral("Label,Address\r\n\"Two\nLines\",1 Road\r\n\"  \",2 Road\r\n"
                                      "Nul%1Byte,3 Road\r\n=cmd,\"+1 Road\"\r\n'@x,'-y\r\n")
                           .arg(QChar(0));
        QByteArray utf16("\xFF\xFE");
        utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        QVERIFY(WriteWholeFile(list, utf16));
        CliRun run = Cli({"import", list});
        QCOMPARE(run.out, u"4 addresses were added.\n1 contact has no name and was left out.\n"_qs);
        // A list in the export's own shape is read as one: '@ is @.
        QCOMPARE(Cli({"list"}).out, u"=cmd\n@x\nNulByte\nTwo Lines\n"_qs);

        const QString exported = m_env->Root() + QStringLiteral("/book.csv");
        QCOMPARE(Cli({"export", exported}).status, 0);
        const QByteArray cells = ReadWholeFile(exported);
        QVERIFY2(cells.contains("\"'=cmd\",\"'+1 Road\"\r\n\"'@x\",\"'-y\""), cells.constData());
        const QString book = Book();
        CTestEnvironment fresh;
        QProcess pipe;
        pipe.setStandardInputFile(exported);
        pipe.start(qEnvironmentVariable("PELVARO_CLI"), {"import", "-"});
        QVERIFY(pipe.waitForFinished(kWaitMs) && pipe.exitCode() == 0);
        QCOMPARE(Book(), book);
    }

    // A phone's cards of an e-mail address alone are counted, not blamed:
    // the import is done (status 0).
    void contactsWithoutAddressAreCounted() {
        const QString cards = m_env->Root() + QStringLiteral("/phone.vcf");
        QVERIFY(WriteWholeFile(cards, "BEGIN:VCARD\nVERSION:2.1\nEMAIL:a@example.org\nEND:VCARD\n"
                                      "BEGIN:VCARD\nVERSION:2.1\nN:Lee;Ann\nADR:;;1 Road;Leeds;;;\n"
                                      "END:VCARD\nBEGIN:VCARD\nVERSION:2.1\nEMAIL:b@example.org\n"
                                      "END:VCARD\n"));
        const CliRun run = Cli({"import", cards});
        QCOMPARE(run.out, QStringLiteral("1 address was added.\n2 contacts have no postal address "
                                         "and were left out.\n"));
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
    }

    // Workbooks straight in: the same envelopes, page for page, from the
    // .xlsx, the .ods and the list saved as CSV, ZIP codes with their
    // leading zeros; the hidden row said and left out; a mapping given
    // once for a club's list, remembered for the same header next time.
    void spreadsheets() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("poppler-utils"));
        CSettingsStore settings("Torvane Software", "Pelvaro");
        settings.WriteBinaryValue("DevMode", LandscapeSettings(20, 300));
        settings.WriteBinaryValue("DevNames", PdfNames(m_env->Root() + QStringLiteral("/x.pdf")));
        QList<QStringList> pages;
        for (const char* name : {"customers.csv", "customers.xlsx", "customers.ods"}) {
            const QString file = TestDataPath(QStringLiteral("contacts/sheets/") + name);
            const QString pdf = m_env->Root() + u'/' + QLatin1String(name) + QStringLiteral(".pdf");
            const CliRun run = Cli({"merge", file, "--pdf", pdf});
            QCOMPARE(run.status, 0);
            QCOMPARE(run.err, file.endsWith(u".csv") ? QString()
                                                     : "pelvaro-cli: " + file +
                                                           ": 1 hidden row was left out (row 9)\n");
            const PdfText text = ReadPdf(pdf);
            QCOMPARE(text.pages, 7);
            QStringList words;
            for (const PdfWord& word : text.words)
                words.append(QStringLiteral("%1:%2@%3,%4")
                                 .arg(word.page)
                                 .arg(word.text)
                                 .arg(qRound(word.xMin))
                                 .arg(qRound(word.yMin)));
            QVERIFY(!words.filter(u"0:02134@"_qs).isEmpty());
            QVERIFY(!words.filter(u"1:43215-1234@"_qs).isEmpty());
            pages.append(words);
        }
        QCOMPARE(pages[1], pages[0]);
        QCOMPARE(pages[2], pages[0]);

        const QString xlsx = TestDataPath(QStringLiteral("contacts/sheets/members.xlsx"));
        const QString ods = TestDataPath(QStringLiteral("contacts/sheets/members.ods"));
        QCOMPARE(Cli({"merge", ods, "--dry-run"}).status, 3);
        CliRun run = Cli({"merge", ods, "--dry-run", "--columns",
                          "name=Member,street=Street and number,locality=Town,postcode=Postcode"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.endsWith(u"4 envelopes\n"), qPrintable(run.out));
        run = Cli({"import", xlsx, "--sheet", "members"});
        QCOMPARE(run.out, "4 addresses were added.\n" + xlsx + ": read the sheet \"Members\"\n");
        QCOMPARE(run.status, 0);
    }

    // --address takes a contact's home or work address where it has one,
    // else the preferred one, in merge and import alike.
    void addressChoice() {
        const QString cards = m_env->Root() + QStringLiteral("/cards.vcf");
        WriteWholeFile(cards, "BEGIN:VCARD\nFN:Ann\nADR;TYPE=home:;;2 Home St;Bonn;;53111;\n"
                              "ADR;TYPE=work:;;1 Work St;Bonn;;53111;\n"
                              "ADR;TYPE=pref:;;3 Pref St;Bonn;;53111;\nEND:VCARD\n"
                              "BEGIN:VCARD\nFN:Bo\nADR;TYPE=home:;;4 Home St;Bonn;;53111;\n"
                              "END:VCARD\n");
        const QString csv = TestDataPath(QStringLiteral("contacts/outlook-trailing-separator.csv"));
        for (const auto& [choice, streets] :
             {std::pair{"home", "2 Home St|4 Home St|1 Main Street"},
              {"work", "1 Work St|4 Home St|Hauptstraße 1"},
              {"preferred", "3 Pref St|4 Home St|1 Main Street"}}) {
            const QString out = Cli({"merge", cards, csv, "--address", choice, "--dry-run"}).out;
            for (const QString& street : QString::fromUtf8(streets).split(u'|'))
                QVERIFY2(out.contains(QStringLiteral("\n    ") + street + u'\n'), qPrintable(out));
        }
        QCOMPARE(Cli({"import", cards, "--address", "work"}).status, 0);
        QVERIFY2(Book().contains(u"Ann\\n1 Work St"), qPrintable(Book()));
    }

    // A book that could not be read is not used at all; of a damaged one,
    // what could be read is listed, exported and merged, an import keeps
    // the damaged file aside, and each says so with status 5.
    void damagedOrUnreadableBook_data() {
        QTest::addColumn<QByteArray>("file"); // none: a folder in the book's place
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("problem");
        const QByteArray five = BookBytes({"a", "b", "c", "d", "e"}, "1 Road").mid(4);
        QTest::newRow("folder") << QByteArray() << QString()
                                << "The address book could not be read. BOOK is a folder.";
        QTest::newRow("pipe") << QByteArray("|") << QString()
                              << "The address book could not be read. BOOK is not a regular file.";
        QTest::newRow("count 2") << Hex("02000000") + five << "a\nb\n"
                                 << "The address book BOOK is damaged: it counts 2 entries, "
                                    "but 3 more follow, which could not be read.";
    }
    void damagedOrUnreadableBook() {
        QFETCH(QByteArray, file);
        QFETCH(QString, listed);
        QFETCH(QString, problem);
        const QString book = m_env->BookPath();
        // A pipe in the book's place would hold a reader for ever.
        const bool pipe = file == "|";
        if (pipe) {
            QVERIFY(QDir().mkpath(m_env->DataHome() + "/Pelvaro"));
            QVERIFY(::mkfifo(QFile::encodeName(book).constData(), 0600) == 0);
            file.clear();
        }
        QVERIFY(pipe || (file.isEmpty() ? QDir().mkpath(book) : WriteWholeFile(book, file)));
        problem = "pelvaro-cli: " + problem.replace("BOOK", book) + '\n';
        const QString exported = m_env->Root() + QStringLiteral("/earlier.csv");
        const QString csv = m_env->Root() + QStringLiteral("/new.csv");
        QVERIFY(WriteWholeFile(exported, "earlier") && WriteWholeFile(csv, "Label,Address\nz,1\n"));
        for (const QStringList& command :
             {QStringList{"list"}, {"export", exported}, {"merge", "--book", "--dry-run"}}) {
            const CliRun run = Cli(command);
            // An earlier export is not replaced by one with less in it.
            const QString notReplaced =
                command[0] == u"export" && !file.isEmpty()
                    ? "pelvaro-cli: " + exported +
                          " was not replaced, as the address book could not be read whole; "
                          "export to a new file to keep what could be read\n"
                    : QString();
            QVERIFY2(run.status == 5 && run.err == notReplaced + problem, qPrintable(run.err));
            QVERIFY(file.isEmpty() ? run.out.isEmpty()
                                   : command[0] != u"list" || run.out == listed);
        }
        QCOMPARE(ReadWholeFile(exported), "earlier");
        QCOMPARE(Cli({"export", csv + ".vcf"}).status, 5);
        QCOMPARE(QFileInfo(csv + ".vcf").size() > 0, !file.isEmpty());
        CliRun run = Cli({"import", csv});
        QCOMPARE(run.status, 5);
        QCOMPARE(run.out, file.isEmpty() ? QString() : u"1 address was added.\n"_qs);
        QCOMPARE(run.err, file.isEmpty() ? problem
                                         : problem.chopped(1) + " The file as it was is kept as " +
                                               book + ".bak.\n");
        QVERIFY(file.isEmpty() ? QFileInfo(book).isDir() != pipe
                               : ReadWholeFile(book + ".bak") == file && Cli({"list"}).status == 0);
    }

    // Where there is no book at all (another data folder), an earlier
    // export stays; an empty book may be exported.
    void exportWithoutABook() {
        const QString exported = m_env->Root() + QStringLiteral("/backup.vcf");
        QVERIFY(WriteWholeFile(exported, "earlier"));
        const CliRun run = Cli({"export", exported});
        QCOMPARE(run.err, "pelvaro-cli: " + exported +
                              " was not replaced: there is no address "
                              "book at " +
                              m_env->BookPath() + '\n');
        QCOMPARE(run.status, 3);
        QCOMPARE(ReadWholeFile(exported), "earlier");
        CAddressBook book;
        book.LoadAddressBook();
        book.SaveAddressBook();
        QCOMPARE(Cli({"export", exported}).status, 0);
        QCOMPARE(ReadWholeFile(exported), QByteArray());
    }

    // A damaged settings file that print writes again is kept and named;
    // another program holding the book too long fails an import, which
    // then says nothing of what it would have added.
    void damagedSettingsAndBusyBook() {
        const QString settings = CRegistryFile::DefaultPath();
        const QByteArray damaged = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER"
                                   "\\Software\\Torvane Software\\Pelvaro\\Pelvaro\n"
                                   "\"LastReturnAddress\"=\"Quentin Sender\"\n";
        QVERIFY(WriteWholeFile(settings, damaged));
        CliRun run = Cli({"print", "--to", "a", "--pdf", m_env->Root() + "/e.pdf"});
        QCOMPARE(run.err, QStringLiteral("pelvaro-cli: The settings file %1 is damaged: 2 lines "
                                         "could not be read. It is kept as %1.bak; the settings "
                                         "were written again without what could not be read.\n")
                              .arg(settings));
        QVERIFY(run.status == 5 && ReadWholeFile(settings + ".bak") == damaged);

        QLockFile other(m_env->BookPath() + ".lock");
        QVERIFY(QDir().mkpath(m_env->DataHome() + "/Pelvaro") && other.lock());
        run = Cli({"import", TestDataPath(QStringLiteral("contacts/vcard30.vcf"))});
        QCOMPARE(run.err, "pelvaro-cli: Another program is changing the address book " +
                              m_env->BookPath() + ". Nothing was changed; try again.\n");
        QVERIFY(run.status == 1 && run.out.isEmpty() && !QFile::exists(m_env->BookPath()));
        // A folder where the lock goes is no other program: said as it is.
        other.unlock();
        QVERIFY(QDir().mkpath(m_env->BookPath() + ".lock"));
        run = Cli({"import", TestDataPath(QStringLiteral("contacts/vcard30.vcf"))});
        QCOMPARE(run.err, QStringLiteral("pelvaro-cli: The address book %1 cannot be changed: "
                                         "%1.lock, where programs note that they are changing "
                                         "it, is not a file. Nothing was changed; remove %1.lock "
                                         "and try again.\n")
                              .arg(m_env->BookPath()));
        QCOMPARE(run.status, 1);

        // A stored alignment that does not read is said, not silently left out.
        CSettingsStore store("Torvane Software", "Pelvaro");
        QVERIFY(store.WriteOwnString("Printer Alignment", "PDF file", "sideways"));
        run = Cli({"align", "--show", "--printer", "PDF file"});
        QVERIFY2(run.out.contains(u"stored: damaged\n") && run.status == 5, qPrintable(run.out));
        store.WriteBinaryValue("DevNames", PdfNames(m_env->Root() + "/e.pdf"));
        run = Cli({"print", "--to", "a"});
        QCOMPARE(run.err, "pelvaro-cli: the alignment stored for PDF file is damaged and was not "
                          "used: store it again with 'pelvaro-cli align' or Printer Alignment... "
                          "in Pelvaro\n");
    }

    // What the tool writes to a full disk behind standard output is not
    // reported as done.
    void standardOutputChecked() {
        CAddressBook book;
        book.LoadAddressBook();
        book.AddAddress(CAddress("Rosalind", "Rosalind Recipient\r\n34 Mailing Avenue"));
        for (const QStringList& command : {QStringList{"list"}, QStringList{"list", "--json"},
                                           QStringList{"merge", "--book", "--dry-run"}}) {
            QProcess process;
            process.setStandardOutputFile(QStringLiteral("/dev/full"));
            process.start(qEnvironmentVariable("PELVARO_CLI"), command);
            QVERIFY(process.waitForFinished(kWaitMs));
            QCOMPARE(process.readAllStandardError(),
                     "pelvaro-cli: the output could not be written to standard output\n");
            QCOMPARE(process.exitCode(), 1);
        }
    }

    // The same settings and texts give the same envelope as the window's
    // Print button: the same words at the same places, in the same fonts,
    // on the same page. The tool picks its platform itself.
    void printMatchesTheWindow_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("size");
        QTest::newRow("No. 10 envelope as the page") << 20 << 600 << 0;
        QTest::newRow("letter sheet, No. 6 3/4 on it") << 1 << 300 << 1;
    }
    void printMatchesTheWindow() {
        QFETCH(int, paper);
        QFETCH(int, dpi);
        QFETCH(int, size);
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        const QString windowPdf = m_env->Root() + QStringLiteral("/window.pdf");
        const QString cliPdf = m_env->Root() + QStringLiteral("/cli.pdf");
        CSettingsStore settings("Torvane Software", "Pelvaro");
        settings.WriteBinaryValue("DevMode", LandscapeSettings(paper, dpi));
        settings.WriteBinaryValue("DevNames", PdfNames(windowPdf));
        LOGFONTW serif = StockVariableFontDescription();
        serif.SetFaceName(QStringLiteral("Liberation Serif"));
        serif.lfHeight = -15;
        LOGFONTW bold = serif;
        bold.SetFaceName(QStringLiteral("Liberation Sans"));
        bold.lfHeight = -21;
        bold.lfWeight = 700;
        settings.WriteBinaryValue("ReturnAddressLogFont", serif.ToBytes());
        settings.WriteBinaryValue("MailingAddressLogFont", bold.ToBytes());
        settings.WriteProfileInt("Pelvaro", "LastEnvelopeIndex", size);
        settings.WriteProfileString("Pelvaro", "LastReturnAddress",
                                    "Quentin Sender\r\n12 Return Lane");
        {
            CPelvaroDlg dlg(settings);
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
            dlg.GetDlgItem<CMultiLineEdit>(IDC_MAILINGADDRESS)
                ->SetText(QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue"));
            QTest::mouseClick(dlg.GetDlgItem(IDC_PRINT), Qt::LeftButton, {}, QPoint(16, 16));
            dlg.reject();
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("DISPLAY"));
        const CliRun run =
            Cli({"print", "--to", "Rosalind Recipient\\n34 Mailing Avenue", "--pdf", cliPdf},
                environment);
        QVERIFY2(run.status == 0 && run.err.isEmpty(), qPrintable(run.err));

        const PdfText window = ReadPdf(windowPdf);
        const PdfText cli = ReadPdf(cliPdf);
        QCOMPARE(window.words.size(), 10);
        QCOMPARE(cli.words.size(), window.words.size());
        QCOMPARE(QSizeF(cli.width, cli.height), QSizeF(window.width, window.height));
        const double pixel = 72.0 / dpi;
        for (qsizetype i = 0; i < window.words.size(); ++i) {
            const PdfWord& a = window.words[i];
            const PdfWord& b = cli.words[i];
            QCOMPARE(b.text, a.text);
            QVERIFY2(qAbs(a.xMin - b.xMin) <= pixel && qAbs(a.yMin - b.yMin) <= pixel &&
                         qAbs(a.xMax - b.xMax) <= pixel && qAbs(a.yMax - b.yMax) <= pixel,
                     qPrintable(a.text));
        }
    }

    // --paper feeds an envelope as the page, lying as the feed says; layout
    // places the blocks for the post on it, and check then finds nothing;
    // a sheet too small for the envelope is said by check, by its name.
    void paperAndLayout() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        const QString pdf = m_env->Root() + QStringLiteral("/paper.pdf");
        CSettingsStore settings("Torvane Software", "Pelvaro");
        settings.WriteBinaryValue("DevMode", LandscapeSettings(20, 300));
        settings.WriteBinaryValue("DevNames", PdfNames(pdf));
        LOGFONTW font = StockVariableFontDescription();
        font.SetFaceName(QStringLiteral("Liberation Sans"));
        font.lfHeight = -16;
        settings.WriteBinaryValue("MailingAddressLogFont", font.ToBytes());
        const QString to = QStringLiteral("Herrn Max Mustermann\\nMusterstrasse 12\\n10115 "
                                          "Berlin\\nGERMANY");
        QCOMPARE(RunTool({"print", "--paper", "c5", "--to", to}).status, 0);
        const double mm = 72 / 25.4;
        QCOMPARE_LT(qAbs(ReadPdf(pdf).width - 229 * mm), 1.0);
        QCOMPARE_LT(qAbs(ReadPdf(pdf).height - 162 * mm), 1.0);
        QCOMPARE(RunTool({"align", "--printer", "PDF file", "--feed", "standing-right"}).status, 0);
        QCOMPARE(RunTool({"print", "--paper", "C5", "--to", to}).status, 0);
        QCOMPARE_LT(qAbs(ReadPdf(pdf).width - 162 * mm), 1.0);

        const CliRun placed = RunTool({"layout", "--paper", "c5", "--for-post"});
        QCOMPARE(placed.status, 0);
        QVERIFY2(placed.out.startsWith(QString::fromUtf16(
                     u"size: C5 (229 \u00D7 162 mm)\nreturn: 8,8 mm\nmailing: ")),
                 qPrintable(placed.out));
        QCOMPARE(RunTool({"layout", "--paper", "C5", "--show"}).out, placed.out);
        const CliRun checked = RunTool({"check", "--paper", "c5", "--to", to});
        QVERIFY2(checked.status == 0 && checked.out.isEmpty() && checked.err.isEmpty(),
                 qPrintable(checked.out + checked.err));
        QCOMPARE(RunTool({"layout", "--paper", "c5", "--reset"}).status, 0);
        QVERIFY(RunTool({"layout", "--paper", "c5"}).out.endsWith("mailing: standard\n"));

        // Lying across, the envelope is wider than the sheet standing.
        QCOMPARE(RunTool({"align", "--printer", "PDF file", "--reset"}).status, 0);
        const CliRun sheet = RunTool({"check", "--paper", "a4", "--size", "0", "--to", to});
        QVERIFY2(sheet.err.contains(QString::fromUtf16(
                     u"The No. 10 envelope does not fit on the printer's paper, A4 (297 \u00D7 "
                     u"210 mm)")),
                 qPrintable(sheet.err));
    }

    // An alignment the tool stores is what the window prints with, and one
    // the window's dialog stores is what the tool prints and draws with:
    // every word moves by the shift. Many envelopes and the preview take
    // the window's job as Print does.
    void storedAlignmentIsShared() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        const QString plain = m_env->Root() + QStringLiteral("/plain.pdf");
        const QString window = m_env->Root() + QStringLiteral("/window.pdf");
        const QString tool = m_env->Root() + QStringLiteral("/tool.pdf");
        CSettingsStore settings("Torvane Software", "Pelvaro");
        settings.WriteBinaryValue("DevMode", LandscapeSettings(20, 300));
        settings.WriteBinaryValue("DevNames", PdfNames(window));
        settings.WriteProfileString("Pelvaro", "LastReturnAddress", "Quentin Sender");
        const QStringList print = {"print", "--to", "Rosalind Recipient", "--pdf"};
        QCOMPARE(Cli(print + QStringList{plain}).status, 0);
        QCOMPARE(Cli({"align", "--shift", "4.0,-2.5"}).status, 0);
        const auto movedBy = [&](const QString& path, double right, double down) {
            const PdfText before = ReadPdf(plain);
            const PdfText after = ReadPdf(path);
            bool moved = before.words.size() == 4 && after.words.size() == 4;
            for (qsizetype i = 0; moved && i < 4; ++i)
                moved =
                    qAbs(after.words[i].xMin - before.words[i].xMin - right * 72 / 25.4) < 0.25 &&
                    qAbs(after.words[i].yMin - before.words[i].yMin - down * 72 / 25.4) < 0.25;
            return moved;
        };
        CPelvaroDlg dlg(settings);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
        dlg.GetDlgItem<CMultiLineEdit>(IDC_MAILINGADDRESS)
            ->SetText(QStringLiteral("Rosalind Recipient"));
        QTest::mouseClick(dlg.GetDlgItem(IDC_PRINT), Qt::LeftButton, {}, QPoint(16, 16));
        QVERIFY(movedBy(window, 4, -2.5));

        CModalScript script;
        // The menu says that a shift is in effect.
        script.Choose(QStringLiteral("Printer &Alignment (shifted 4.0 mm right, 2.5 mm up)..."))
            .Then<CPrinterAlignmentDlg>([](CPrinterAlignmentDlg* alignment) {
                for (auto* box : alignment->findChildren<QDoubleSpinBox*>())
                    box->setValue(box->accessibleName() == u"Shift right" ? -1.5 : 0.7);
                alignment->accept();
            });
        QTest::mouseClick(dlg.GetDlgItem(IDC_CONFIGURE), Qt::LeftButton, {}, QPoint(16, 16));
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        dlg.reject();
        QCOMPARE(Cli({"align", "--show"}).out,
                 "printer: PDF file\nstored: yes\nfeed: across-right\nturned: no\nshift: "
                 "-1.5,0.7\n");
        QCOMPARE(Cli(print + QStringList{tool}).status, 0);
        QVERIFY(movedBy(tool, -1.5, 0.7));
        // The pictures are drawn as the PDF is.
        const QString pictures = m_env->Root() + QStringLiteral("/pictures");
        QCOMPARE(Cli({"print", "--to", "Rosalind Recipient", "--png", pictures + ".png"}).status,
                 0);
        QVERIFY(SameInk(QImage(pictures + ".png"), RenderPdfPage(tool, 0, 300)));
        // A shift given for one job takes the stored one's place.
        QCOMPARE(Cli(print + QStringList{tool, "--shift", "2,1"}).status, 0);
        QVERIFY(movedBy(tool, 2, 1));
        QCOMPARE(Cli({"align", "--reset"}).status, 0);
        QCOMPARE(Cli({"align", "--show"}).out.count(u"stored: no"), 1);
    }

    // merge lists what it would print, names each entry of the book it
    // leaves out (status 3) and counts the contacts of a file without an
    // address (no fault of the file); it prints one PDF whose every page carries its contact where
    // print puts it, the same pages as pictures, and one job on a real queue.
    void merge() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("poppler-utils"));
        CAddressBook book;
        book.LoadAddressBook();
        book.AddAddress(CAddress("Rosalind", "Rosalind Recipient\r\n34 Mailing Avenue"));
        book.AddAddress(CAddress("Empty", QString()));
        const QString csv = m_env->Root() + QStringLiteral("/more.csv");
        WriteWholeFile(csv, "Name,Address\nDora Dean,\"Dora Dean\n4 Birch Way\"\nEd Empty,\n");
        CSettingsStore settings("Torvane Software", "Pelvaro");
        settings.WriteBinaryValue("DevMode", LandscapeSettings(20, 300));
        settings.WriteBinaryValue("DevNames", PdfNames(m_env->Root() + QStringLiteral("/x.pdf")));
        const QStringList from = {"--from", "Quentin Sender\\n12 Return Lane"};

        const CliRun dry = Cli({"merge", csv, "--labels", "Rosalind,Empty", "--dry-run"});
        QCOMPARE(dry.out, u"1. Rosalind\n    Rosalind Recipient\n    34 Mailing Avenue\n2. Dora "
                          u"Dean\n    Dora Dean\n    4 Birch Way\n2 envelopes\n"_qs);
        // A contact of a file without an address is counted, not blamed.
        QCOMPARE(dry.err,
                 QStringLiteral("pelvaro-cli: %2: 1 contact has no postal address and was left "
                                "out\npelvaro-cli: %1: the entry \"Empty\" has no address; left "
                                "out\n")
                     .arg(m_env->BookPath(), csv));
        QCOMPARE(dry.status, 3);
        // Bars need a ZIP code: the envelopes that go without are said.
        QCOMPARE(Cli({"merge", csv, "--labels", "Rosalind", "--dry-run", "--imb",
                      "00,270,123456,654321"})
                     .err.section(u'\n', 1),
                 u"pelvaro-cli: No barcode on envelopes to other countries: 2 envelopes go "
                 "without one (a place line that does not end with a state and a ZIP code)\n"_qs);
        // A large file's addresses are kept packed in blocks of 1 MiB: each
        // comes back as it was read, on either side of a block's edge.
        QByteArray many = "Name,Address\n";
        QString listed;
        for (int i = 1; i <= 40000; ++i) {
            const QString name = QStringLiteral("Zoë %1").arg(i);
            many += QStringLiteral("%1,\"%1\n%2 Straße\"\n").arg(name).arg(i).toUtf8();
            listed += QStringLiteral("%1. %2\n    %2\n    %1 Straße\n").arg(i).arg(name);
        }
        WriteWholeFile(m_env->Root() + QStringLiteral("/many.csv"), many);
        const CliRun manyDry =
            Cli({"merge", m_env->Root() + QStringLiteral("/many.csv"), "--dry-run"});
        QCOMPARE(manyDry.out, listed + QStringLiteral("40000 envelopes\n"));
        QCOMPARE(manyDry.status, 0);

        const QString merged = m_env->Root() + QStringLiteral("/merged.pdf");
        QCOMPARE(
            Cli(QStringList{"merge", csv, "--labels", "Rosalind", "--pdf", merged} + from).status,
            0);
        const PdfText pages = ReadPdf(merged);
        QCOMPARE(pages.pages, 2);
        const QStringList to = {"Rosalind Recipient\\n34 Mailing Avenue",
                                "Dora Dean\\n4 Birch Way"};
        for (int page = 0; page < 2; ++page) {
            const QString one = m_env->Root() + QStringLiteral("/one.pdf");
            QCOMPARE(Cli(QStringList{"print", "--to", to[page], "--pdf", one} + from).status, 0);
            const PdfText single = ReadPdf(one);
            QList<PdfWord> words;
            for (const PdfWord& word : pages.words) {
                if (word.page == page)
                    words.append(word);
            }
            QCOMPARE(words.size(), single.words.size());
            for (qsizetype i = 0; i < words.size(); ++i) {
                QCOMPARE(words[i].text, single.words[i].text);
                QVERIFY(qAbs(words[i].xMin - single.words[i].xMin) < 0.25 &&
                        qAbs(words[i].yMin - single.words[i].yMin) < 0.25);
            }
        }

        // An earlier, longer job's pages go; what is not a page stays.
        const QString pictures = m_env->Root() + QStringLiteral("/pictures");
        QVERIFY(QDir().mkpath(pictures));
        for (const char* name : {"envelope-0003.png", "envelope-00001.png", "envelope-notes.png"})
            QVERIFY(WriteWholeFile(pictures + u'/' + QLatin1String(name), "earlier"));
        QCOMPARE(
            Cli(QStringList{"merge", csv, "--labels", "Rosalind", "--png-dir", pictures} + from)
                .status,
            0);
        QCOMPARE(QDir(pictures).entryList(QDir::Files),
                 QStringList({"envelope-0001.png", "envelope-0002.png", "envelope-notes.png"}));
        for (int page = 0; page < 2; ++page) {
            const QImage picture(
                QStringLiteral("%1/envelope-000%2.png").arg(pictures).arg(page + 1));
            QVERIFY(SameInk(picture, RenderPdfPage(merged, page, 300)));
        }
        const QString small = m_env->Root() + QStringLiteral("/small.png");
        QCOMPARE(Cli({"print", "--to", "a", "--png", small, "--dpi", "100"}).status, 0);
        QCOMPARE(QImage(small).size(), QSize(950, 413));

        if (qgetenv("PELVARO_CUPSD") != "running")
            return; // printsOnAQueue says why
        QCOMPARE(
            QProcess::execute("lpadmin", {"-p", "Merge", "-E", "-v", "capture:/", "-m", "raw"}), 0);
        QCOMPARE(Cli({"merge", csv, "--labels", "Rosalind", "--printer", "Merge"}).status, 0);
        const QString out = qEnvironmentVariable("PELVARO_CUPSD_DIR") + QStringLiteral("/out");
        QString job;
        QTRY_VERIFY_WITH_TIMEOUT(!(job = QDir(out).entryList({"[0-9]*"}).value(0)).isEmpty() &&
                                     !job.endsWith(QLatin1String(".part")),
                                 kWaitMs);
        QCOMPARE(ReadPdf(out + u'/' + job).pages, 2);
        QFile::remove(out + u'/' + job); // printsOnAQueue takes the queue's first document
        QProcess lpstat;
        lpstat.start("lpstat", {"-W", "all", "-o", "Merge"});
        QVERIFY(lpstat.waitForFinished());
        QCOMPARE(lpstat.readAllStandardOutput().count('\n'), 1);
    }

    // A merge with a barcode: one on each envelope to a US address, their
    // serial numbers counting up and said as a range, the others said once;
    // a serial number that would run past its digits stops the job before
    // anything is printed.
    void mergeNumbersItsBarcodes() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("poppler-utils"));
        QByteArray rows = "Name,Address\n";
        for (int i = 1; i <= 5; ++i)
            rows += QStringLiteral("Jo %1,\"Jo %1\n%1 Elm St\nBoise ID 8370%1\"\nHans %1,\"Hans "
                                   "%1\nHauptstr. %1\n10115 Berlin\nGermany\"\n")
                        .arg(i)
                        .toUtf8();
        const QString csv = m_env->Root() + QStringLiteral("/mixed.csv");
        WriteWholeFile(csv, rows);
        CSettingsStore settings("Torvane Software", "Pelvaro");
        settings.WriteBinaryValue("DevMode", LandscapeSettings(20, 300));
        settings.WriteBinaryValue("DevNames", PdfNames(m_env->Root() + QStringLiteral("/x.pdf")));
        const QString pictures = m_env->Root() + QStringLiteral("/pictures");
        const CliRun merged = Cli(
            {"merge", csv, "--imb", "00,270,123456,101", "--png-dir", pictures, "--dpi", "100"});
        QCOMPARE(merged.status, 0);
        QCOMPARE(merged.err,
                 u"pelvaro-cli: the 5 barcodes carry the serial numbers 000000101 to 000000105\n"
                 "pelvaro-cli: No barcode on envelopes to other countries: 5 envelopes go "
                 "without one (a place line that does not end with a state and a ZIP code)\n"_qs);
        // Bars in the clear zone of every other page.
        for (int page = 1; page <= 10; ++page) {
            const QImage picture(QStringLiteral("%1/envelope-%2.png")
                                     .arg(pictures)
                                     .arg(page, 4, 10, QLatin1Char('0')));
            int dark = 0;
            for (int y = picture.height() - 60; y < picture.height(); ++y) {
                for (int x = picture.width() - 470; x < picture.width(); ++x)
                    dark += qGray(picture.pixel(x, y)) < 128 ? 1 : 0;
            }
            QVERIFY2((dark > 100) == (page % 2 == 1), qPrintable(QString::number(page)));
        }
        const QString pdf = m_env->Root() + QStringLiteral("/over.pdf");
        const CliRun over = Cli({"merge", csv, "--imb", "00,270,123456,999999998", "--pdf", pdf});
        QCOMPARE(over.status, 2);
        QVERIFY2(over.err.endsWith(u"pelvaro-cli: --imb: the serial number 999999998 leaves too "
                                   "few for the 5 envelopes with a barcode, as serial numbers end "
                                   "at 999999999: give one of 999999995 or less\n"_qs),
                 qPrintable(over.err));
        QVERIFY(!QFileInfo::exists(pdf));
    }

    // The test page of a No. 10 envelope on a sheet that cannot hold it is
    // refused in one line naming the paper, and nothing is written.
    void testPageRefusedOnANarrowSheet() {
        DEVMODEW mode = *DEVMODEW::FromBytes(LandscapeSettings(9, 300));
        mode.dmOrientation = DEVMODEW::DMORIENT_PORTRAIT;
        CSettingsStore("Torvane Software", "Pelvaro").WriteBinaryValue("DevMode", mode.ToBytes());
        const QString pdf = m_env->Root() + QStringLiteral("/test.pdf");
        const CliRun refused = Cli({"align", "--test-page", "--size", "0", "--pdf", pdf});
        QCOMPARE(refused.status, 4);
        QVERIFY2(refused.err.startsWith(u"pelvaro-cli: A No. 10 envelope") &&
                     refused.err.contains(u"on A4 paper in portrait") &&
                     refused.err.count(u'\n') == 1,
                 qPrintable(refused.err));
        QVERIFY(!QFileInfo::exists(pdf));
        QCOMPARE(
            Cli({"align", "--test-page", "--size", "0", "--feed", "standing-right", "--pdf", pdf})
                .status,
            0);
        QVERIFY(QFileInfo::exists(pdf));
    }

    // A real queue takes the envelope; one that refuses jobs is named in
    // the one line that says so.
    void printsOnAQueue() {
        PELVARO_REQUIRE(qgetenv("PELVARO_CUPSD") == "running",
                        QStringLiteral("a CUPS scheduler of the test's own (package cups, root)"));
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        const QString out = qEnvironmentVariable("PELVARO_CUPSD_DIR") + QStringLiteral("/out");
        QCOMPARE(QProcess::execute("lpadmin",
                                   {"-p", "PelvaroCli", "-E", "-v", "capture:/", "-m", "raw"}),
                 0);
        CAddressBook book;
        book.LoadAddressBook();
        book.AddAddress(CAddress("Rosalind", "Rosalind Recipient\r\n34 Mailing Avenue"));
        const QStringList print = {"print",      "--to-label",     "Rosalind",
                                   "--from",     "Quentin Sender", "--printer",
                                   "PelvaroCli", "--size",         "No. 6 3/4"};
        const CliRun run = Cli(print);
        QVERIFY2(run.status == 0 && run.err.isEmpty(), qPrintable(run.err));
        QString job;
        QTRY_VERIFY_WITH_TIMEOUT(!(job = QDir(out).entryList({"[0-9]*"}).value(0)).isEmpty() &&
                                     !job.endsWith(QLatin1String(".part")),
                                 kWaitMs);
        const PdfText text = ReadPdf(out + u'/' + job);
        QVERIFY(text.Find("Quentin") && text.Find("Mailing"));

        // A standing envelope turns the drawing, never the page: the job
        // asks for the configured envelope paper, and its page lies.
        CSettingsStore("Torvane Software", "Pelvaro")
            .WriteBinaryValue("DevMode", LandscapeSettings(20, 300));
        QCOMPARE(Cli({"align", "--printer", "PelvaroCli", "--feed", "standing-centre"}).status, 0);
        QCOMPARE(Cli(print).status, 0);
        QProcess ipptool;
        const QString uri = "ipp://" +
                            QUrl::toPercentEncoding(qEnvironmentVariable("CUPS_SERVER")) +
                            "/printers/PelvaroCli";
        ipptool.start("ipptool",
                      {"-c", "-d", u"job=%1"_qs.arg(job.toInt() + 1), uri, "/dev/stdin"});
        ipptool.write("{ OPERATION Get-Job-Attributes GROUP operation-attributes-tag ATTR charset "
                      "attributes-charset utf-8 ATTR naturalLanguage attributes-natural-language "
                      "en ATTR uri printer-uri $uri ATTR integer job-id $job ATTR keyword "
                      "requested-attributes media,orientation-requested STATUS successful-ok "
                      "DISPLAY media DISPLAY orientation-requested }");
        ipptool.closeWriteChannel();
        QVERIFY(ipptool.waitForFinished());
        QCOMPARE(ipptool.readAllStandardOutput().trimmed().split('\n').last(), "Env10,");
        const QString aligned = out + u'/' + QString::number(job.toInt() + 1);
        QTRY_VERIFY_WITH_TIMEOUT(ReadPdf(aligned).width > 0, kWaitMs);
        QCOMPARE(QSizeF(ReadPdf(aligned).width, ReadPdf(aligned).height), QSizeF(684, 297));

        QCOMPARE(QProcess::execute("cupsreject", {"PelvaroCli"}), 0);
        const CliRun refused = Cli(print);
        QVERIFY2(
            refused.err.startsWith("pelvaro-cli: The envelope was not printed on PelvaroCli: ") &&
                refused.err.count(u'\n') == 1,
            qPrintable(refused.err));
        QCOMPARE(refused.status, 4);
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
