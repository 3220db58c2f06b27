#include "printjob.h"

#include "logfont.h"
#include "pdfwriterblocks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

namespace {

CEnvelopeJob Job(const QString& output) {
    CEnvelopeJob job;
    job.returnAddress = QStringLiteral("Quentin Sender\r\n12 Return Lane");
    job.mailingAddress = QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue");
    job.returnLogFont = StockVariableFontDescription();
    job.mailingLogFont = job.returnLogFont;
    job.devNames = PdfNames(output);
    job.clientSize = QSize(646, 316);
    job.returnBoxTopLeft = QPoint(14, 14);
    job.mailingBoxTopLeft = QPoint(206, 100);
    return job;
}

} // namespace

// A job that does not come out says so, and where and why.
class TestPrintFailures : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void outputFileNotWritten();
    void outputPathsThatAreNoSetup_data();
    void outputPathsThatAreNoSetup();

private:
    QTemporaryDir m_dir;
};

void TestPrintFailures::outputFileNotWritten() {
    // A folder that is a regular file refuses even root.
    const QString notAFolder = m_dir.filePath(QStringLiteral("plain-file"));
    QVERIFY(QFile(notAFolder).open(QIODevice::WriteOnly));
    QString output = notAFolder + QStringLiteral("/envelope.pdf");
    PrintFailure failure;
    QCOMPARE(PrintEnvelope(Job(output), &failure), PrintResult::Failed);
    QCOMPARE(PrintFailureMessage(failure),
             QStringLiteral("The envelope was not printed to the file %1: Not a directory.")
                 .arg(output));

    // A file size limit stands for a full disk.
    output = m_dir.filePath(QStringLiteral("cut.pdf"));
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = {1024, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
    const PrintResult result = PrintEnvelope(Job(output), &failure);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(result, PrintResult::Failed);
    QCOMPARE(failure.cause, QStringLiteral("the file could not be written whole"));
}

void TestPrintFailures::outputPathsThatAreNoSetup_data() {
    QTest::addColumn<QString>("output");
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    const QString dangling = m_dir.filePath(QStringLiteral("dangling"));
    QFile::link(m_dir.filePath(QStringLiteral("nowhere/x.pdf")), dangling);
    QTest::newRow("relative") << "envelope.pdf";
    QTest::newRow("home shorthand") << "~/envelope.pdf";
    QTest::newRow("folder") << m_dir.path();
    QTest::newRow("FIFO") << fifo;
    QTest::newRow("device") << "/dev/null";
    QTest::newRow("link to nowhere") << dangling;
}

void TestPrintFailures::outputPathsThatAreNoSetup() {
    QFETCH(QString, output);
    QCOMPARE(PrintEnvelope(Job(output)), PrintResult::InvalidSetup);
}

QTEST_MAIN(TestPrintFailures)
#include "tst_printfailures.moc"
