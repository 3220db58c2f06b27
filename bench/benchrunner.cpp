// Runs every benchmark and prints one table: each figure of the program
// beside its baseline, measured in the same run, alternating the two, so the
// ratio holds on a noisy machine. Timings are for reading; nothing here
// passes or fails on them.
#include "addressbook/addressbook.h"
#include "benchtexts.h"
#include "contacts/contactsimport.h"
#include "platform/exception.h"
#include "postal/jobfromsettings.h"
#include "print/printerblocks.h"
#include "samplebook.h"
#include "samplecontacts.h"
#include "samplesheet.h"
#include "settings/registryfile.h"
#include "settings/registryhive.h"
#include "settings/settingsstore.h"
#include "templates/maindialoggeometry.h"
#include "ui/addresslistmenu.h"
#include "ui/manyenvelopesdlg.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

struct Sample {
    QList<double> ms;

    double Median() const {
        QList<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const qsizetype n = sorted.size();
        if (n == 0)
            return 0;
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    double Min() const { return ms.isEmpty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
    double Max() const { return ms.isEmpty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

struct Row {
    QString figure;
    QString baseline;
    Sample subject;
    Sample base;
    double goal = 0; // largest ratio that meets the goal; 0 for none
};

struct Options {
    int processRuns = 20;
    int divisor = 1; // --quick divides the in-process repetitions
    QStringList only;
    QList<int> bookRecords = {1000, 100000, 1000000};
    QList<int> menuEntries = {100, 1000, 5000, 32000};
    QList<int> dialogEntries = {10000, 100000};
    QString binDir;
};

// A failure that stops the benchmarks; thrown, so the temporary folder with
// its large books is still removed on the way out.
struct BenchFailure {
    QString message;
};

[[noreturn]] void Die(const QString& message) {
    throw BenchFailure{message};
}

void Progress(const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::fflush(stderr);
}

double ElapsedMs(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

int Repetitions(const Options& options, int full) {
    return std::max(3, full / options.divisor);
}

// The whole file; the run stops when it cannot be read.
QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Die(QStringLiteral("cannot read ") + path);
    return file.readAll();
}

// The baseline of every file read: the whole file in one QFile::readAll.
double ReadAllMs(const QString& path, qint64 size) {
    QElapsedTimer timer;
    timer.start();
    const QByteArray bytes = ReadWholeFile(path);
    const double ms = ElapsedMs(timer);
    if (bytes.size() != size)
        Die(QStringLiteral("short read of ") + path);
    return ms;
}

// Runs `a` and `b` alternately, `count` times each, after one untimed run
// of each.
void Alternate(int count, const std::function<double()>& a, const std::function<double()>& b,
               Row& row) {
    a();
    b();
    for (int i = 0; i < count; ++i) {
        row.subject.ms.append(a());
        row.base.ms.append(b());
    }
}

// Points the settings and data folders of this process somewhere else for
// as long as it lives.
class CScopedEnvironment {
public:
    CScopedEnvironment(const char* name, const QString& value) : m_name(name) {
        m_had = qEnvironmentVariableIsSet(name);
        m_old = qgetenv(name);
        qputenv(name, QFile::encodeName(value));
    }
    ~CScopedEnvironment() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had = false;
};

// One program's folders: settings, data and a home of its own.
struct Profile {
    QString root;
    QString Config() const { return root + QStringLiteral("/config"); }
    QString Data() const { return root + QStringLiteral("/data"); }
    QString Home() const { return root + QStringLiteral("/home"); }
    QString BookPath() const { return Data() + QStringLiteral("/Pelvaro/Addresses.plv"); }
};

Profile MakeProfile(const QString& root) {
    Profile profile{root};
    for (const QString& folder : {profile.Config(), profile.Data(), profile.Home()})
        if (!QDir().mkpath(folder))
            Die(QStringLiteral("cannot make ") + folder);
    return profile;
}

void WriteBook(const QString& path, int records) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    CAddressBook book;
    book.SetAddressBookPath(path);
    if (!book.LoadFromBytes(SampleBookBytes(MakeSampleRecords(records))))
        Die(QStringLiteral("the sample book does not load"));
    book.SaveAddressBook();
}

// The addresses the program shows at start come from its settings, as the
// user left them.
void WriteLastAddresses(const Profile& profile) {
    CScopedEnvironment config("XDG_CONFIG_HOME", profile.Config());
    CSettingsStore store(QString::fromLatin1(CSettingsStore::kCompanyName),
                         QStringLiteral("Pelvaro"));
    const QString section = QString::fromLatin1(CSettingsStore::kSection);
    if (!store.WriteProfileString(section, QStringLiteral("LastReturnAddress"),
                                  BenchReturnAddress()) ||
        !store.WriteProfileString(section, QStringLiteral("LastMailingAddress"),
                                  BenchMailingAddress()))
        Die(QStringLiteral("cannot write the settings in ") + profile.Config());
}

// The printer the user would have chosen: the PDF writer, a No. 10 envelope
// fed sideways, 600 dots per inch, as the bare program prints.
void WritePdfPrinter(const Profile& profile, const QString& pdf) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::Envelope10));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setResolution(600);
    const PrinterBlocks blocks = BlocksFromPrinter(printer);

    CScopedEnvironment config("XDG_CONFIG_HOME", profile.Config());
    CSettingsStore store(QString::fromLatin1(CSettingsStore::kCompanyName),
                         QStringLiteral("Pelvaro"));
    if (!store.WriteBinaryValue(QStringLiteral("DevMode"), blocks.devMode) ||
        !store.WriteBinaryValue(QStringLiteral("DevNames"), blocks.devNames))
        Die(QStringLiteral("cannot write the printer blocks in ") + profile.Config());
}

// Starts a program and waits for it; the whole life of the process is
// timed. A program that fails stops the benchmarks: its figure would lie.
double RunProcess(const QString& program, const QStringList& arguments, const Profile& profile) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), profile.Config());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), profile.Data());
    environment.insert(QStringLiteral("HOME"), profile.Home());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        Die(program + QStringLiteral(" did not finish: ") + process.errorString());
    const double ms = ElapsedMs(timer);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        Die(QStringLiteral("%1 %2 failed (exit code %3):\n%4")
                .arg(program, arguments.join(QLatin1Char(' ')))
                .arg(process.exitCode())
                .arg(QString::fromLocal8Bit(process.readAllStandardError())));
    return ms;
}

void StartFigures(const Options& options, const QString& root, QList<Row>& rows) {
    const QString driver = options.binDir + QStringLiteral("/pelvaro_bench_driver");
    const QString bare = options.binDir + QStringLiteral("/pelvaro_bench_baredialog");
    const Profile bareProfile = MakeProfile(root + QStringLiteral("/start-bare"));

    const struct {
        int records;
        double goal;
        const char* name;
    } cases[] = {{0, 1.5, "start, show, close: empty book"},
                 {10000, 1.2, "start, show, close: 10,000 entries"}};
    for (const auto& c : cases) {
        Progress(QString::fromLatin1(c.name));
        const Profile profile = MakeProfile(root + QStringLiteral("/start-%1").arg(c.records));
        WriteBook(profile.BookPath(), c.records);
        WriteLastAddresses(profile);
        Row row{QString::fromLatin1(c.name), QStringLiteral("bare Qt dialog"), {}, {}, c.goal};
        Alternate(
            options.processRuns, [&] { return RunProcess(driver, {}, profile); },
            [&] { return RunProcess(bare, {}, bareProfile); }, row);
        rows.append(row);
    }
}

// Both sides must have put the same two addresses on paper; read back where
// the tool for it is installed.
void CheckPrintedText(const QString& pdf) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) {
        Progress(QStringLiteral("pdftotext is not installed: the printed text is not checked"));
        return;
    }
    QProcess process;
    process.start(tool, {pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    // Compatibility form, so a ligature such as "ff" reads as its letters.
    const QString text = QString::fromUtf8(process.readAllStandardOutput())
                             .normalized(QString::NormalizationForm_KC);
    for (const QString& address : {BenchReturnAddress(), BenchMailingAddress()})
        for (const QString& line : address.split(QStringLiteral("\r\n")))
            if (!text.contains(line))
                Die(QStringLiteral("%1 lacks the line \"%2\"").arg(pdf, line));
}

void PrintFigures(const Options& options, const QString& root, QList<Row>& rows) {
    const QString driver = options.binDir + QStringLiteral("/pelvaro_bench_driver");
    const QString bare = options.binDir + QStringLiteral("/pelvaro_bench_baredialog");
    Progress(QStringLiteral("one envelope to the PDF writer"));
    const Profile profile = MakeProfile(root + QStringLiteral("/print"));
    const Profile bareProfile = MakeProfile(root + QStringLiteral("/print-bare"));
    const QString pdf = root + QStringLiteral("/print/envelope.pdf");
    const QString barePdf = root + QStringLiteral("/print-bare/envelope.pdf");
    WriteBook(profile.BookPath(), 0);
    WriteLastAddresses(profile);
    WritePdfPrinter(profile, pdf);

    Row row{QStringLiteral("start, print one envelope to PDF, close"),
            QStringLiteral("bare Qt dialog + QPrinter PDF"),
            {},
            {},
            1.5};
    Alternate(
        options.processRuns,
        [&] {
            QFile::remove(pdf);
            const double ms = RunProcess(driver, {QStringLiteral("--print")}, profile);
            if (QFileInfo(pdf).size() <= 0)
                Die(QStringLiteral("the program wrote no PDF at ") + pdf);
            return ms;
        },
        [&] {
            QFile::remove(barePdf);
            const double ms = RunProcess(bare, {QStringLiteral("--print"), barePdf}, bareProfile);
            if (QFileInfo(barePdf).size() <= 0)
                Die(QStringLiteral("the bare program wrote no PDF at ") + barePdf);
            return ms;
        },
        row);
    CheckPrintedText(pdf);
    CheckPrintedText(barePdf);
    rows.append(row);
}

// Contacts in the columns both programs read: one line each for the name,
// the street and the place.
QByteArray MergeCsv(int count) {
    static const char* const streets[] = {"Oak Lane", "Elm Road", "Harbour Street", "Mill Way"};
    static const char* const places[] = {"Springfield", "Riverton", "Lakeside", "Hillcrest"};
    QByteArray csv = "Name,Street,City,Postcode\n";
    for (int i = 0; i < count; ++i)
        csv += QStringLiteral("Person %1 Example,%2 %3,%4,%5\n")
                   .arg(i + 1)
                   .arg(i % 97 + 1)
                   .arg(QLatin1String(streets[i % 4]), QLatin1String(places[i / 4 % 4]))
                   .arg(10000 + i % 89999)
                   .toUtf8();
    return csv;
}

void WriteMergeCsv(const QString& path, int count) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(MergeCsv(count)) < 0 || !out.flush())
        Die(QStringLiteral("cannot write ") + path);
}

// The peer's document: a No. 10 envelope as a one-label sheet, the return
// address as fixed text and the mailing address from the CSV's fields, where
// Pelvaro puts its blocks; fonts of the same sizes.
QByteArray PeerDocument(const QString& csv) {
    return QStringLiteral(R"(<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
  <Template brand="Pelvaro Bench" part="No10" size="Other" width="9.5in" height="4.125in" description="No. 10 envelope">
    <Meta category="envelope"/>
    <Label-rectangle id="0" width="9.5in" height="4.125in" round="0in" x_waste="0in" y_waste="0in">
      <Markup-margin size="0.125in"/>
      <Layout nx="1" ny="1" x0="0in" y0="0in" dx="9.5in" dy="4.125in"/>
    </Label-rectangle>
  </Template>
  <Objects id="0" rotate="False">
    <Object-text x="0.2in" y="0.18in" w="3in" h="1in" justify="Left" valign="Top" auto_shrink="False" lock_aspect_ratio="False" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Liberation Sans" font_size="8" font_weight="Regular" font_italic="False" color="0x000000ff" line_spacing="1">Quentin Sender<NL/>12 Return Lane<NL/>Springfield 54321</Span>
    </Object-text>
    <Object-text x="3.03in" y="1.3in" w="5in" h="2in" justify="Left" valign="Top" auto_shrink="False" lock_aspect_ratio="False" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Liberation Sans" font_size="10" font_weight="Regular" font_italic="False" color="0x000000ff" line_spacing="1"><Field name="Name"/><NL/><Field name="Street"/><NL/><Field name="City"/> <Field name="Postcode"/></Span>
    </Object-text>
  </Objects>
  <Merge type="Text/Comma/Line1Keys" src="%1"/>
</Glabels-document>
)")
        .arg(csv)
        .toUtf8();
}

// The largest resident size of a program's whole run, in KiB, as
// /usr/bin/time reports it; -1 without it.
qint64 PeakKb(const QString& program, const QStringList& arguments, const Profile& profile) {
    const QString time = QStringLiteral("/usr/bin/time");
    if (!QFileInfo(time).isExecutable())
        return -1;
    const QString report = profile.root + QStringLiteral("/peak");
    RunProcess(time, QStringList{"-f", "%M", "-o", report, program} + arguments, profile);
    QFile file(report);
    file.open(QIODevice::ReadOnly);
    return file.readAll().trimmed().toLongLong();
}

void MergeFigures(const Options& options, const QString& root, QList<Row>& rows,
                  QStringList& notes) {
    const QString cli = options.binDir + QStringLiteral("/../bin/pelvaro-cli");
    const Profile profile = MakeProfile(root + QStringLiteral("/merge"));
    const QString csv = root + QStringLiteral("/merge/contacts-1000.csv");
    const QString pdf = root + QStringLiteral("/merge/pelvaro.pdf");
    const QString peerPdf = root + QStringLiteral("/merge/peer.pdf");
    const QString document = root + QStringLiteral("/merge/envelope.glabels");
    WritePdfPrinter(profile, pdf);
    for (const auto& [path, bytes] :
         {std::pair{csv, MergeCsv(1000)}, std::pair{document, PeerDocument(csv)}}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            Die(QStringLiteral("cannot write ") + path);
    }
    const QStringList from = {
        QStringLiteral("--from"),
        QStringLiteral("Quentin Sender\\n12 Return Lane\\nSpringfield 54321")};
    const QString peer = QStandardPaths::findExecutable(QStringLiteral("glabels-3-batch"));
    Progress(QStringLiteral("1,000 envelopes from a CSV file to one PDF"));
    Row row{QStringLiteral("merge 1,000 envelopes from CSV to one PDF (pelvaro-cli merge)"),
            peer.isEmpty() ? QStringLiteral("glabels-3-batch: not installed")
                           : QStringLiteral("glabels-3-batch, same CSV"),
            {},
            {},
            1.0 / 30};
    const auto pelvaro = [&] {
        QFile::remove(pdf);
        const double ms = RunProcess(cli, QStringList{"merge", csv, "--pdf", pdf} + from, profile);
        if (QFileInfo(pdf).size() <= 0)
            Die(QStringLiteral("pelvaro-cli wrote no PDF at ") + pdf);
        return ms;
    };
    const auto glabels = [&] {
        QFile::remove(peerPdf);
        const double ms = RunProcess(peer, {"-o", peerPdf, document}, profile);
        if (QFileInfo(peerPdf).size() <= 0)
            Die(QStringLiteral("glabels-3-batch wrote no PDF at ") + peerPdf);
        return ms;
    };
    // The peer takes seconds a run: fewer runs of both.
    const int runs = qMax(1, options.processRuns / 4);
    if (peer.isEmpty()) {
        for (int i = 0; i < runs; ++i)
            row.subject.ms.append(pelvaro());
    } else {
        Alternate(runs, pelvaro, glabels, row);
    }
    // Either side must have made the 1,000 pages, or its figure would lie.
    for (const QString& out : {pdf, peerPdf}) {
        if (peer.isEmpty() && out == peerPdf)
            continue;
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {out});
        info.waitForFinished(30000);
        if (!QString::fromUtf8(info.readAllStandardOutput())
                 .contains(QRegularExpression(QStringLiteral("Pages:\\s+1000\\n"))))
            Die(out + QStringLiteral(" does not hold 1,000 pages"));
    }
    rows.append(row);

    // Pages are drawn and written one at a time: the time grows with the
    // count alone, and memory hardly at all. Each size is held against the
    // 1,000 figure above times the count.
    const Row& thousand = rows.last();
    QStringList peaks;
    for (const int count : {1000, 10000, 100000}) {
        const QString file = root + QStringLiteral("/merge/contacts-%1.csv").arg(count);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(MergeCsv(count)) < 0)
            Die(QStringLiteral("cannot write ") + file);
        out.close();
        const QStringList arguments = QStringList{"merge", file, "--pdf", pdf} + from;
        if (count > 1000) {
            Progress(QStringLiteral("%1 envelopes to one PDF")
                         .arg(QLocale(QLocale::English).toString(count)));
            const int times = count / 1000;
            Row grown{QStringLiteral("merge %1 envelopes to one PDF")
                          .arg(QLocale(QLocale::English).toString(count)),
                      QStringLiteral("%1 times the 1,000 figure").arg(times),
                      {},
                      {},
                      1.05};
            for (const double ms : thousand.subject.ms)
                grown.base.ms.append(ms * times);
            // A 100,000 run takes seconds: as few as still say something.
            for (int i = 0; i < (count == 10000 ? qMax(2, runs) : 2); ++i)
                grown.subject.ms.append(RunProcess(cli, arguments, profile));
            rows.append(grown);
        }
        peaks << QString::number(PeakKb(cli, arguments, profile) / 1024.0, 'f', 1);
    }
    notes << QStringLiteral("peak memory of pelvaro-cli merge to PDF: %1 MiB at 1,000 envelopes, "
                            "%2 MiB at 10,000, %3 MiB at 100,000 (goal: under 40 MiB at each)")
                 .arg(peaks.value(0), peaks.value(1), peaks.value(2));

    // One envelope from the command line, the whole process, against the
    // same program doing nothing but say its version.
    Progress(QStringLiteral("one envelope with pelvaro-cli print"));
    const QString one = root + QStringLiteral("/merge/one.pdf");
    Row single{QStringLiteral("one envelope to PDF (pelvaro-cli print)"),
               QStringLiteral("pelvaro-cli --version"),
               {},
               {},
               1.3};
    Alternate(
        options.processRuns,
        [&] {
            QFile::remove(one);
            const double ms = RunProcess(cli,
                                         QStringList{"print", "--to",
                                                     QStringLiteral("Bob Receiver\\n2 High Street"),
                                                     "--pdf", one} +
                                             from,
                                         profile);
            if (QFileInfo(one).size() <= 0)
                Die(QStringLiteral("pelvaro-cli wrote no PDF at ") + one);
            return ms;
        },
        [&] { return RunProcess(cli, {QStringLiteral("--version")}, profile); }, single);
    rows.append(single);
    if (!peer.isEmpty())
        notes << QStringLiteral("peak memory of glabels-3-batch, 1,000 envelopes: %1 MiB")
                     .arg(PeakKb(peer, {"-o", peerPdf, document}, profile) / 1024.0, 0, 'f', 1);
}

// 100,000 rows of a workbook: the same contacts as the CSV figures, saved as
// an .xlsx as a spreadsheet program saves it, merged to one PDF, against the
// same rows from the CSV file; and the peak memory of each.
void SheetFigures(const Options& options, const QString& root, QList<Row>& rows,
                  QStringList& notes) {
    const QString cli = options.binDir + QStringLiteral("/../bin/pelvaro-cli");
    const Profile profile = MakeProfile(root + QStringLiteral("/sheets"));
    const QString csv = root + QStringLiteral("/sheets/contacts-100000.csv");
    const QString xlsx = root + QStringLiteral("/sheets/contacts-100000.xlsx");
    const QString pdf = root + QStringLiteral("/sheets/pelvaro.pdf");
    WritePdfPrinter(profile, pdf);
    WriteMergeCsv(csv, 100000);
    if (!WriteSampleXlsx(xlsx, MergeCsv(100000)))
        Die(QStringLiteral("cannot write ") + xlsx);
    const QStringList from = {QStringLiteral("--from"), QStringLiteral("Quentin Sender")};
    Progress(QStringLiteral("100,000 envelopes from an .xlsx workbook"));
    Row row{QStringLiteral("merge 100,000 envelopes from .xlsx (%1 MB) to one PDF")
                .arg(QFileInfo(xlsx).size() / 1e6, 0, 'f', 1),
            QStringLiteral("the same rows from CSV (%1 MB)")
                .arg(QFileInfo(csv).size() / 1e6, 0, 'f', 1),
            {},
            {},
            1.2};
    const auto merge = [&](const QString& file) {
        return [&, file] {
            QFile::remove(pdf);
            const double ms =
                RunProcess(cli, QStringList{"merge", file, "--pdf", pdf} + from, profile);
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), {pdf});
            info.waitForFinished(30000);
            if (!QString::fromUtf8(info.readAllStandardOutput())
                     .contains(QRegularExpression(QStringLiteral("Pages:\\s+100000\\n"))))
                Die(file + QStringLiteral(" did not make 100,000 pages"));
            return ms;
        };
    };
    // Seconds a run: as few as still say something.
    Alternate(qMax(2, options.processRuns / 10), merge(xlsx), merge(csv), row);
    rows.append(row);
    notes << QStringLiteral("peak memory of pelvaro-cli merge of 100,000 envelopes to PDF: %1 MiB "
                            "from .xlsx, %2 MiB from CSV (goal: under 40 MiB)")
                 .arg(PeakKb(cli, QStringList{"merge", xlsx, "--pdf", pdf} + from, profile) /
                          1024.0,
                      0, 'f', 1)
                 .arg(PeakKb(cli, QStringList{"merge", csv, "--pdf", pdf} + from, profile) / 1024.0,
                      0, 'f', 1);
}

void BookFigures(const Options& options, const QString& root, QList<Row>& rows) {
    const struct {
        int records;
        int repetitions;
    } cases[] = {{1000, 40}, {100000, 10}, {1000000, 5}};
    for (const auto& c : cases) {
        if (!options.bookRecords.contains(c.records))
            continue;
        const QString count = QLocale::c().toString(c.records);
        Progress(QStringLiteral("book of %1 records").arg(count));
        const Profile profile = MakeProfile(root + QStringLiteral("/book-%1").arg(c.records));
        WriteBook(profile.BookPath(), c.records);
        const QString path = profile.BookPath();
        const qint64 size = QFileInfo(path).size();
        const int repetitions = Repetitions(options, c.repetitions);
        CScopedEnvironment data("XDG_DATA_HOME", profile.Data());

        Row load{QStringLiteral("load a book of %1 records (%2 MB)")
                     .arg(count)
                     .arg(size / 1e6, 0, 'f', size < 10000000 ? 2 : 0),
                 QStringLiteral("QFile::readAll, same file"),
                 {},
                 {},
                 3.0};
        Alternate(
            repetitions,
            [&] {
                CAddressBook book;
                QElapsedTimer timer;
                timer.start();
                book.LoadAddressBook();
                const double ms = ElapsedMs(timer);
                if (book.GetSize() != c.records || book.LoadWasIncomplete())
                    Die(QStringLiteral("the book of %1 records loads %2")
                            .arg(c.records)
                            .arg(book.GetSize()));
                return ms;
            },
            [&] { return ReadAllMs(path, size); }, load);
        rows.append(load);

        Row save{QStringLiteral("save a book of %1 records").arg(count),
                 QStringLiteral("QSaveFile write, same size"),
                 {},
                 {},
                 0};
        CAddressBook book;
        book.LoadAddressBook();
        const QByteArray buffer(size, 'x');
        const QString rawPath = profile.Data() + QStringLiteral("/Pelvaro/raw.bin");
        Alternate(
            repetitions,
            [&] {
                QElapsedTimer timer;
                timer.start();
                book.SaveAddressBook();
                return ElapsedMs(timer);
            },
            [&] {
                QElapsedTimer timer;
                timer.start();
                QSaveFile file(rawPath);
                if (!file.open(QIODevice::WriteOnly) || file.write(buffer) != size ||
                    !file.flush() || !file.commit())
                    Die(QStringLiteral("cannot write ") + rawPath);
                return ElapsedMs(timer);
            },
            save);
        if (QFileInfo(path).size() != size)
            Die(QStringLiteral("the saved book changed its size"));
        rows.append(save);
    }
}

// Importing a contacts file of 10,000 people into an empty book: reading,
// laying out each address, inserting and the one save; against reading the
// same file and decoding it as UTF-8.
void ImportFigures(const Options& options, const QString& root, QList<Row>& rows) {
    const int count = 10000;
    const struct {
        const char* name;
        const char* file;
        QByteArray (*make)(int);
    } cases[] = {{"vCard 3.0", "contacts.vcf", SampleVCards},
                 {"Google CSV", "contacts.csv", SampleGoogleCsv}};
    for (const auto& c : cases) {
        Progress(QStringLiteral("import of 10,000 contacts, %1").arg(QLatin1String(c.name)));
        const Profile profile = MakeProfile(root + QStringLiteral("/import-") + c.file);
        const QString path = profile.root + QLatin1Char('/') + QLatin1String(c.file);
        const QByteArray bytes = c.make(count);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            Die(QStringLiteral("cannot write ") + path);
        out.close();

        Row row{QStringLiteral("import 10,000 contacts, %1 (%2 MB)")
                    .arg(QLatin1String(c.name))
                    .arg(bytes.size() / 1e6, 0, 'f', 1),
                QStringLiteral("QFile::readAll + fromUtf8, same file"),
                {},
                {},
                0};
        Alternate(
            Repetitions(options, 10),
            [&] {
                QFile::remove(profile.BookPath());
                CAddressBook book;
                book.SetAddressBookPath(profile.BookPath());
                QDir().mkpath(QFileInfo(profile.BookPath()).absolutePath());
                QElapsedTimer timer;
                timer.start();
                CContactsImport import(QStringLiteral("DE"));
                import.ReadFile(path);
                const ImportResult result = import.MergeInto(book, DuplicateLabels::Skip);
                const double ms = ElapsedMs(timer);
                if (result.added != count || !import.Report().IsClean())
                    Die(QStringLiteral("the import of %1 added %2").arg(path).arg(result.added));
                return ms;
            },
            [&] {
                QElapsedTimer timer;
                timer.start();
                const QString text = QString::fromUtf8(ReadWholeFile(path));
                const double ms = ElapsedMs(timer);
                if (text.isEmpty())
                    Die(QStringLiteral("short read of ") + path);
                return ms;
            },
            row);
        rows.append(row);
    }
}

// A settings file of 10 MiB as the registry editor would write it, holding
// 100,000 string values in one key: what a damaged or made-up file may hold.
QByteArray LargeHive() {
    const QString key =
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\PELVARO\\Pelvaro");
    CRegistryHive hive;
    constexpr int kValues = 100000;
    // Each line "ValueNNNNNN"="..." CR LF in UTF-16 takes 105 bytes or so.
    for (int i = 0; i < kValues; ++i) {
        const QString text = QStringLiteral("%1 Riverside Ave, Apt %2, Riverton")
                                 .arg(i % 997 + 1, 3, 10, QLatin1Char('0'))
                                 .arg(i % 89 + 1, 2, 10, QLatin1Char('0'));
        QByteArray data((text.size() + 1) * 2, '\0');
        memcpy(data.data(), text.utf16(), text.size() * 2);
        hive.SetValue(key, QStringLiteral("Value%1").arg(i, 6, 10, QLatin1Char('0')),
                      CRegistryHive::kRegSz, data);
    }
    return hive.Serialize();
}

void HiveFigures(const Options& options, const QString& root, QList<Row>& rows) {
    Progress(QStringLiteral("settings file of 100,000 values in one key"));
    const QString path = root + QStringLiteral("/hive/registry.reg");
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray written = LargeHive();
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(written) != written.size() || !out.flush())
        Die(QStringLiteral("cannot write ") + path);
    out.close();
    const qint64 size = written.size();
    const int repetitions = Repetitions(options, 20);
    const auto readBytes = [&] { return ReadAllMs(path, size); };
    const QString mib = QString::number(size / 1048576.0, 'f', 1);

    Row parse{QStringLiteral("read a %1 MiB settings file, 100,000 values in one key").arg(mib),
              QStringLiteral("QFile::readAll, same file"),
              {},
              {},
              0};
    Alternate(
        repetitions,
        [&] {
            QElapsedTimer timer;
            timer.start();
            const CRegistryHive hive = CRegistryHive::Parse(ReadWholeFile(path));
            const double ms = ElapsedMs(timer);
            if (hive.DamagedLines() != 0 || hive.KeyPaths().size() != 1)
                Die(QStringLiteral("the settings file does not read back whole"));
            return ms;
        },
        readBytes, parse);
    rows.append(parse);

    // Every settings call reads the file; unchanged, it is not parsed again.
    Row again{QStringLiteral("read it again unchanged (CRegistryFile::LoadShared)"),
              QStringLiteral("QFile::readAll, same file"),
              {},
              {},
              0};
    const CRegistryFile file(path);
    Alternate(
        repetitions,
        [&] {
            QElapsedTimer timer;
            timer.start();
            const auto hive = file.LoadShared();
            const double ms = ElapsedMs(timer);
            if (hive->DamagedLines() != 0)
                Die(QStringLiteral("the settings file does not read back whole"));
            return ms;
        },
        readBytes, again);
    rows.append(again);
}

// Counts the paint passes of a menu, so that "open" means drawn.
class CPaintWatch : public QObject {
public:
    explicit CPaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool Painted() const { return m_painted; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }

private:
    bool m_painted = false;
};

// Shows a window (a menu pops up where a dialog would be) and returns once
// it has been painted.
void ShowUntilPainted(QWidget* window) {
    CPaintWatch watch(window);
    if (auto* menu = qobject_cast<QMenu*>(window))
        menu->popup(QPoint(40, 40));
    else
        window->show();
    QElapsedTimer limit;
    limit.start();
    while (!watch.Painted()) {
        QCoreApplication::processEvents();
        if (limit.elapsed() > 30000)
            Die(QStringLiteral("the window was never painted"));
    }
}

void MenuFigures(const Options& options, QList<Row>& rows) {
    const struct {
        int entries;
        int repetitions;
    } cases[] = {{100, 40}, {1000, 20}, {5000, 10}, {32000, 6}};
    for (const auto& c : cases) {
        if (!options.menuEntries.contains(c.entries))
            continue;
        const QString count = QLocale::c().toString(c.entries);
        Progress(QStringLiteral("address list menu of %1 entries").arg(count));
        CAddressBook book;
        if (!book.LoadFromBytes(SampleBookBytes(MakeSampleRecords(c.entries))))
            Die(QStringLiteral("the sample book does not load"));
        QStringList labels;
        for (int i = 0; i < book.GetSize(); ++i)
            labels.append(book.GetAt(i).m_strLabel);
        // A remembered label, so Modify and Delete are on the menu too.
        const QString remembered = labels.value(labels.size() / 2);

        Row row{QStringLiteral("open the address list menu, %1 entries").arg(count),
                QStringLiteral("bare QMenu, same items"),
                {},
                {},
                1.0};
        Alternate(
            Repetitions(options, c.repetitions),
            [&] {
                QElapsedTimer timer;
                timer.start();
                CAddressListMenu menu(book, remembered, nullptr);
                ShowUntilPainted(menu.Menu());
                const double ms = ElapsedMs(timer);
                menu.Menu()->hide();
                return ms;
            },
            [&] {
                QElapsedTimer timer;
                timer.start();
                QMenu menu;
                menu.addAction(QStringLiteral("&Add..."));
                menu.addAction(QStringLiteral("&Modify ") + remembered);
                menu.addAction(QStringLiteral("&Delete ") + remembered);
                menu.addSeparator();
                for (const QString& label : labels)
                    menu.addAction(label);
                ShowUntilPainted(&menu);
                const double ms = ElapsedMs(timer);
                menu.hide();
                return ms;
            },
            row);
        rows.append(row);
    }
}

// Print Many Envelopes opened on a large book, until it has been painted;
// against a plain dialog listing the same labels and addresses in a
// QTreeWidget with a tick box on each row. Closing is timed on neither side.
void DialogFigures(const Options& options, QList<Row>& rows) {
    const struct {
        int entries;
        int repetitions;
    } cases[] = {{10000, 10}, {100000, 4}};
    CSettingsStore settings(QString::fromLatin1(CSettingsStore::kCompanyName),
                            QStringLiteral("Pelvaro"));
    const EnvelopeJob job = MakeEnvelopeJob(settings, MainDialogGeometry(96), {});
    for (const auto& c : cases) {
        if (!options.dialogEntries.contains(c.entries))
            continue;
        const QString count = QLocale::c().toString(c.entries);
        Progress(QStringLiteral("Print Many Envelopes with %1 entries").arg(count));
        CAddressBook book;
        if (!book.LoadFromBytes(SampleBookBytes(MakeSampleRecords(c.entries))))
            Die(QStringLiteral("the sample book does not load"));
        Row row{QStringLiteral("open Print Many Envelopes, %1 entries").arg(count),
                QStringLiteral("QTreeWidget of the same rows"),
                {},
                {},
                0};
        Alternate(
            Repetitions(options, c.repetitions),
            [&] {
                QElapsedTimer timer;
                timer.start();
                CManyEnvelopesDlg dialog(job, book, settings);
                ShowUntilPainted(&dialog);
                return ElapsedMs(timer);
            },
            [&] {
                QElapsedTimer timer;
                timer.start();
                QDialog dialog;
                auto* list = new QTreeWidget;
                list->setHeaderLabels({QStringLiteral("Label"), QStringLiteral("Address")});
                list->setUniformRowHeights(true);
                QList<QTreeWidgetItem*> items;
                items.reserve(book.GetSize());
                for (int i = 0; i < book.GetSize(); ++i) {
                    auto* item =
                        new QTreeWidgetItem({book.GetAt(i).m_strLabel, book.GetAt(i).m_strAddress});
                    item->setCheckState(0, Qt::Unchecked);
                    items.append(item);
                }
                list->addTopLevelItems(items);
                (new QVBoxLayout(&dialog))->addWidget(list);
                dialog.resize(560, 480);
                ShowUntilPainted(&dialog);
                return ElapsedMs(timer);
            },
            row);
        rows.append(row);
    }
}

QString FirstMatch(const QString& file, const QString& key) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    for (const QByteArray& line : input.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line);
        if (text.startsWith(key))
            return text.section(QLatin1Char(':'), 1).simplified();
    }
    return QString();
}

QString LoadAverage() {
    QFile input(QStringLiteral("/proc/loadavg"));
    if (!input.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("?");
    return QString::fromUtf8(input.readAll()).section(QLatin1Char(' '), 0, 2);
}

// What the figures were taken on, and how busy the machine was meanwhile:
// other work on the machine shows in the minimum and maximum first.
QString MachineLine(const QString& loadBefore) {
    const qint64 memoryKb = FirstMatch(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal"))
                                .section(QLatin1Char(' '), 0, 0)
                                .toLongLong();
    return QStringLiteral("%1, %2 logical CPUs, %3 GiB memory, %4; load average %5 before, %6 "
                          "after; QT_QPA_PLATFORM=%7")
        .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")))
        .arg(QThread::idealThreadCount())
        .arg(memoryKb / 1048576.0, 0, 'f', 1)
        .arg(FirstMatch(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name")), loadBefore,
             LoadAverage(), qEnvironmentVariable("QT_QPA_PLATFORM"));
}

QString FormatMs(double ms) {
    const int decimals = ms < 1 ? 3 : ms < 10 ? 2 : ms < 100 ? 1 : 0;
    return QString::number(ms, 'f', decimals);
}

void PrintTable(const QList<Row>& rows, const QString& machine) {
    QStringList lines;
    lines << machine << QString();
    lines << QStringLiteral("| figure | n | median ms | min | max | baseline | median ms | min | "
                            "max | ratio | goal |")
          << QStringLiteral("|---|---:|---:|---:|---:|---|---:|---:|---:|---:|---|");
    for (const Row& row : rows) {
        const double ratio = row.base.Median() > 0 ? row.subject.Median() / row.base.Median() : 0;
        QString goal = QStringLiteral("-");
        if (row.goal > 0)
            goal = QStringLiteral("<= %1: %2")
                       .arg(row.goal, 0, 'g', 3)
                       .arg(ratio <= row.goal ? QStringLiteral("met") : QStringLiteral("MISSED"));
        lines << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 |")
                     .arg(row.figure)
                     .arg(row.subject.ms.size())
                     .arg(FormatMs(row.subject.Median()), FormatMs(row.subject.Min()),
                          FormatMs(row.subject.Max()), row.baseline, FormatMs(row.base.Median()),
                          FormatMs(row.base.Min()), FormatMs(row.base.Max()))
                     .arg(QString::number(ratio, 'f', 2), goal);
    }
    std::printf("%s\n", qPrintable(lines.join(QLatin1Char('\n'))));
}

Options ParseOptions(const QStringList& arguments) {
    Options options;
    options.binDir = QCoreApplication::applicationDirPath();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QString next = arguments.value(i + 1);
        if (argument == QStringLiteral("--runs") && !next.isEmpty()) {
            options.processRuns = std::max(1, next.toInt());
            ++i;
        } else if (argument == QStringLiteral("--only") && !next.isEmpty()) {
            options.only = next.split(QLatin1Char(','));
            ++i;
        } else if (argument == QStringLiteral("--book-records") && !next.isEmpty()) {
            // One book size alone, for a profile of it.
            options.bookRecords.clear();
            for (const QString& count : next.split(QLatin1Char(',')))
                options.bookRecords.append(count.toInt());
            ++i;
        } else if (argument == QStringLiteral("--menu-entries") && !next.isEmpty()) {
            options.menuEntries.clear();
            for (const QString& count : next.split(QLatin1Char(',')))
                options.menuEntries.append(count.toInt());
            ++i;
        } else if (argument == QStringLiteral("--dialog-entries") && !next.isEmpty()) {
            options.dialogEntries.clear();
            for (const QString& count : next.split(QLatin1Char(',')))
                options.dialogEntries.append(count.toInt());
            ++i;
        } else if (argument == QStringLiteral("--quick")) {
            options.divisor = 4;
        } else {
            Die(QStringLiteral(
                "usage: pelvaro_bench [--runs N] [--quick] "
                "[--only start,print,book,menu,dialog,import,settings,merge,sheets] "
                "[--book-records "
                "1000,100000,1000000]\n"
                "       [--menu-entries 100,1000,5000,32000] [--dialog-entries 10000,100000]\n"
                "       pelvaro_bench --write-book RECORDS PATH"));
        }
    }
    return options;
}

// The headless platform says, at every popup, what it cannot do; that is
// no news here.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

int Run(const QStringList& arguments) {
    if (arguments.size() == 4 && arguments[1] == QStringLiteral("--write-book")) {
        // A sample book for a profile of the program outside the runner.
        WriteBook(arguments[3], arguments[2].toInt());
        return 0;
    }
    if (arguments.size() == 4 && arguments[1] == QStringLiteral("--write-merge")) {
        // The merge figures' folders, printer and contacts, for a profile of
        // pelvaro-cli outside the runner.
        const Profile profile = MakeProfile(arguments[3]);
        WritePdfPrinter(profile, profile.root + QStringLiteral("/pelvaro.pdf"));
        WriteMergeCsv(profile.root + QStringLiteral("/contacts.csv"), arguments[2].toInt());
        return 0;
    }
    const Options options = ParseOptions(arguments);
    const auto wanted = [&](const char* name) {
        return options.only.isEmpty() || options.only.contains(QString::fromLatin1(name));
    };

    // Nothing of the user's own settings or books is touched.
    QTemporaryDir root;
    if (!root.isValid())
        Die(QStringLiteral("no temporary folder"));
    CScopedEnvironment config("XDG_CONFIG_HOME", root.path() + QStringLiteral("/runner/config"));
    CScopedEnvironment data("XDG_DATA_HOME", root.path() + QStringLiteral("/runner/data"));

    const QString loadBefore = LoadAverage();
    QList<Row> rows;
    if (wanted("start"))
        StartFigures(options, root.path(), rows);
    if (wanted("print"))
        PrintFigures(options, root.path(), rows);
    if (wanted("book"))
        BookFigures(options, root.path(), rows);
    if (wanted("menu"))
        MenuFigures(options, rows);
    if (wanted("dialog"))
        DialogFigures(options, rows);
    if (wanted("import"))
        ImportFigures(options, root.path(), rows);
    if (wanted("settings"))
        HiveFigures(options, root.path(), rows);
    QStringList notes;
    if (wanted("merge"))
        MergeFigures(options, root.path(), rows, notes);
    if (wanted("sheets"))
        SheetFigures(options, root.path(), rows, notes);
    PrintTable(rows, MachineLine(loadBefore));
    for (const QString& note : notes)
        std::printf("\n%s", qPrintable(note));
    if (!notes.isEmpty())
        std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A window asks to be painted through a timer that stands for the
    // screen's refresh; by default it waits 5 ms. The figures are about the
    // work done, so neither side waits (the programs started inherit it).
    if (!qEnvironmentVariableIsSet("QT_QPA_UPDATE_IDLE_TIME"))
        qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    qInstallMessageHandler(QuietMessages);
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pelvaro"));
    try {
        return Run(QCoreApplication::arguments());
    } catch (const BenchFailure& failure) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(failure.message));
    } catch (const CException& failure) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(failure.GetErrorMessage()));
    }
    return 1;
}
