#include "cli/joboptions.h"

#include "addressbook/addressbook.h"
#include "cli/optionnames.h"
#include "cli/toolfailure.h"
#include "postal/jobfromsettings.h"
#include "print/devmode.h"
#include "print/devnames.h"
#include "print/envelopesizes.h"
#include "print/papersizes.h"
#include "print/printerblocks.h"
#include "settings/settingsstore.h"
#include "settings/storedvalues.h"
#include "templates/maindialoggeometry.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <optional>

using namespace OptionNames;
using namespace StoredValues;

namespace {

void RequireNotBoth(const QCommandLineParser& parser, const QString& a, const QString& b) {
    if (parser.isSet(a) && parser.isSet(b))
        Fail(ExitStatus::Usage, QStringLiteral("--%1 and --%2 cannot both be given").arg(a, b));
}

// A size's name as one can type it: fractions in digits, no spaces, no "No.".
QString SizeKey(QString name) {
    name.replace(QChar(0x00BD), QLatin1String("1/2"));
    name.replace(QChar(0x00BE), QLatin1String("3/4"));
    name.replace(QChar(0x215B), QLatin1String("1/8"));
    name.replace(QChar(0x215D), QLatin1String("5/8"));
    name.replace(QChar(0x00D7), QLatin1Char('x'));
    name.remove(QLatin1Char(' '));
    name = name.toLower();
    if (name.startsWith(QLatin1String("no.")))
        name.remove(0, 3);
    return name;
}

QString SizeList() {
    QStringList sizes;
    for (size_t i = 0; i < EnvelopeSizes.size(); ++i)
        sizes.append(
            QStringLiteral("%1 (%2)").arg(i).arg(QString::fromUtf16(EnvelopeSizes[i].name)));
    return sizes.join(QStringLiteral(", "));
}

// The screen the window would show on; the offscreen one when the tool
// chose it.
int ScreenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

} // namespace

CJobOptions::CJobOptions(const CSettingsStore& settings, const CAddressBook& book)
    : m_settings(settings), m_book(book) {}

void CJobOptions::AddOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {kTo, QString(), QStringLiteral("TEXT")},
        {kToLabel, QString(), QStringLiteral("LABEL")},
        {kPng, QString(), QStringLiteral("FILE")},
    });
    AddJobOptions(parser);
}

void CJobOptions::AddJobOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {kFrom, QString(), QStringLiteral("TEXT")},
        {kFromLabel, QString(), QStringLiteral("LABEL")},
        {kSize, QString(), QStringLiteral("SIZE")},
        {kPaper, QString(), QStringLiteral("NAME")},
        {kPrinter, QString(), QStringLiteral("QUEUE")},
        {kPdf, QString(), QStringLiteral("FILE")},
        {kDpi, QString(), QStringLiteral("N")},
        {kShift, QString(), QStringLiteral("X,Y")},
        {kPostalStyle, QString()},
        {kImb, QString(), QStringLiteral("BARCODEID,SERVICE,MAILERID,SERIAL")},
    });
}

std::optional<std::pair<int, int>> CJobOptions::Shift(const QCommandLineParser& parser) {
    const std::optional<QString> text = SingleValue(parser, kShift);
    if (!text)
        return std::nullopt;
    const QStringList parts = text->split(u',');
    const std::optional<int> right = parts.size() == 2 ? ParseShift(parts[0]) : std::nullopt;
    const std::optional<int> down = parts.size() == 2 ? ParseShift(parts[1]) : std::nullopt;
    if (!right || !down)
        Fail(ExitStatus::Usage, QStringLiteral("--shift takes X,Y in millimetres, each from -25.0 "
                                               "to 25.0 in steps of 0.1, not '%1'")
                                    .arg(*text));
    return std::pair{*right, *down};
}

const PaperSize* CJobOptions::Paper(const QCommandLineParser& parser) {
    const std::optional<QString> name = SingleValue(parser, kPaper);
    if (!name)
        return nullptr;
    const PaperSize* paper = FindPaperSize(*name);
    if (!paper)
        Fail(ExitStatus::Usage, QStringLiteral("--paper: no paper size \"%1\"; the sizes are %2")
                                    .arg(*name, PaperSizeNames()));
    return paper;
}

int CJobOptions::Dpi(const QCommandLineParser& parser) {
    const std::optional<QString> text = SingleValue(parser, kDpi);
    if (!text)
        return 0;
    bool isNumber = false;
    const int dpi = text->toInt(&isNumber);
    // Past a few thousand dots per inch one envelope's picture would take
    // gigabytes.
    if (!isNumber || dpi < 10 || dpi > 2400)
        Fail(ExitStatus::Usage,
             QStringLiteral("--dpi takes a number from 10 to 2400, not '%1'").arg(*text));
    return dpi;
}

EnvelopeJob CJobOptions::MakeJob(const QCommandLineParser& parser) const {
    if (!parser.positionalArguments().isEmpty())
        Fail(ExitStatus::Usage,
             QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    if (!parser.isSet(kTo) && !parser.isSet(kToLabel))
        Fail(ExitStatus::Usage, QStringLiteral("give the mailing address with --to or --to-label"));
    RequireNotBoth(parser, kPng, kPdf);
    if (parser.isSet(kDpi) && !parser.isSet(kPng))
        Fail(ExitStatus::Usage, QStringLiteral("--dpi is for the picture of --png"));
    EnvelopeJob job = MakeSharedJob(parser);
    job.mailingAddress = AddressOption(parser, kTo, kToLabel).value_or(QString());
    // An envelope without an address is a slip (an empty variable in a
    // script), not a job: nothing is printed and nothing passes the check.
    if (job.mailingAddress.trimmed().isEmpty())
        Fail(ExitStatus::BadInput,
             parser.isSet(kToLabel)
                 ? QStringLiteral("the entry \"%1\" has no address").arg(parser.value(kToLabel))
                 : QStringLiteral("the mailing address is empty"));
    return job;
}

EnvelopeJob CJobOptions::MakeSharedJob(const QCommandLineParser& parser) const {
    RequireNotBoth(parser, kPrinter, kPdf);
    Dpi(parser);
    Shift(parser);

    JobOverrides given;
    given.returnAddress = AddressOption(parser, kFrom, kFromLabel);
    if (const std::optional<QString> size = SingleValue(parser, kSize)) {
        given.envelopeIndex = FindEnvelopeSize(*size);
        if (*given.envelopeIndex < 0)
            Fail(ExitStatus::Usage,
                 QStringLiteral("--size: no envelope size \"%1\"; the sizes are %2")
                     .arg(*size, SizeList()));
    }
    given.paper = Paper(parser);
    given.devNames = GivenPrinter(parser);
    // The stored settings block carries the paper, orientation and
    // resolution chosen in the window; another printer or a file takes them
    // over. A damaged one stops only a print on the stored printer: a file
    // or a printer named here does with the default page.
    if (given.devNames) {
        if (const auto devMode = m_settings.ReadBinaryValue(kDevMode);
            devMode && !DEVMODEW::FromBytes(*devMode)) {
            given.devMode = QByteArray();
            m_notes.append(QStringLiteral("the printer settings stored by Pelvaro are damaged; "
                                          "the default page is used"));
        }
    }
    // A shift given here takes the place of the stored one for this job.
    given.shift = Shift(parser);

    // The postal options the window stored, and those asked for here.
    m_postal = ReadPostalOptions(m_settings);
    if (parser.isSet(kPostalStyle))
        m_postal.postalStyle = true;
    if (const std::optional<QString> imb = SingleValue(parser, kImb)) {
        QString why;
        m_postal.barcodeFields = ParseIntelligentMail(*imb, &why);
        if (!m_postal.barcodeFields)
            Fail(ExitStatus::Usage, QStringLiteral("--imb: %1").arg(why));
        m_postal.barcode = true;
    }
    given.postal = m_postal;

    EnvelopeJob job = MakeEnvelopeJob(m_settings, MainDialogGeometry(ScreenDpiY()), given);
    // The job prints as if none were stored; the user should know why.
    const QString alignedPrinter = AlignmentPrinterName(job.target);
    if (HasStoredAlignment(m_settings, alignedPrinter) &&
        !ReadPrinterAlignment(m_settings, alignedPrinter))
        m_notes.append(QStringLiteral("the alignment stored for %1 is damaged and was not used: "
                                      "store it again with 'pelvaro-cli align' or Printer "
                                      "Alignment... in Pelvaro")
                           .arg(alignedPrinter));
    return job;
}

std::optional<QByteArray> CJobOptions::GivenPrinter(const QCommandLineParser& parser) {
    DEVNAMES names;
    if (const std::optional<QString> pdf = SingleValue(parser, kPdf)) {
        if (pdf->isEmpty())
            Fail(ExitStatus::Usage, QStringLiteral("--pdf takes the name of a file"));
        names.driver = names.device = QString::fromUtf16(kPdfDriverName);
        names.output = pdf->isEmpty() ? QString() : QFileInfo(*pdf).absoluteFilePath();
    } else if (const std::optional<QString> queue = SingleValue(parser, kPrinter)) {
        names.driver = QString::fromUtf16(kSystemDriverName);
        names.device = *queue;
    } else {
        return std::nullopt;
    }
    return names.ToBytes();
}

void CJobOptions::CheckResult(PrintResult result, const EnvelopeJob& job,
                              const PrintFailure& failure, bool pictures) {
    switch (result) {
    case PrintResult::Printed:
    case PrintResult::Cancelled:
        return;
    case PrintResult::InvalidSetup:
        Fail(ExitStatus::PrintFailed, InvalidSetupMessage(job, pictures));
    case PrintResult::Failed:
        // A picture is printed nowhere: only the cause is said.
        Fail(ExitStatus::PrintFailed, pictures ? failure.cause : PrintFailureMessage(failure));
    }
}

QString CJobOptions::InvalidSetupMessage(const EnvelopeJob& job, bool pictures) {
    // A picture shows the printer's page, so only a printer can stand in.
    const bool none = job.target.kind == PrintTarget::Kind::None;
    if (none && pictures)
        return QStringLiteral("no printer is configured, so the page the pictures show is not "
                              "known: choose one in Pelvaro (Configure, Printer...), or give "
                              "--printer");
    if (none)
        return QStringLiteral("no printer is configured: choose one in Pelvaro (Configure, "
                              "Printer...), or give --printer or --pdf");
    if (job.target.kind == PrintTarget::Kind::Damaged)
        return QStringLiteral("the printer setup stored by Pelvaro is damaged: configure the "
                              "printer again in Pelvaro, or give --printer or --pdf");
    if (!job.devMode.isNull() && !DEVMODEW::FromBytes(job.devMode))
        return QStringLiteral("the printer settings stored by Pelvaro are damaged: configure "
                              "the printer again in Pelvaro");
    if (job.target.IsFile())
        return PrintFailureMessage({job.target.name, true, QStringLiteral("it is not a file")});
    return PrintFailureMessage(
        {job.target.name, false, QStringLiteral("there is no such printer")});
}

std::optional<QString> CJobOptions::AddressOption(const QCommandLineParser& parser,
                                                  const QString& textOption,
                                                  const QString& labelOption) const {
    RequireNotBoth(parser, textOption, labelOption);
    if (const std::optional<QString> text = SingleValue(parser, textOption))
        return UnescapeText(*text);
    if (const std::optional<QString> label = SingleValue(parser, labelOption)) {
        const int index = m_book.FindLabel(*label);
        if (index < 0)
            Fail(ExitStatus::BadInput, QStringLiteral("%1: no entry labelled \"%2\"")
                                           .arg(m_book.AddressBookPath(), *label));
        return m_book.GetAt(index).m_strAddress;
    }
    return std::nullopt;
}

QString CJobOptions::UnescapeText(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == u'\\' && (next == u'n' || next == u'\\')) {
            result += next == u'n' ? QStringLiteral("\r\n") : QStringLiteral("\\");
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            // A line break typed into the shell as it is.
            result += QStringLiteral("\r\n");
            if (c == u'\r' && next == u'\n')
                ++i;
        } else {
            result += c;
        }
    }
    return result;
}

int CJobOptions::FindEnvelopeSize(const QString& text) {
    bool isNumber = false;
    const int index = text.trimmed().toInt(&isNumber);
    const int count = static_cast<int>(EnvelopeSizes.size());
    if (isNumber)
        return index >= 0 && index < count ? index : -1;
    const QString key = SizeKey(text);
    if (key.isEmpty())
        return -1;
    for (int i = 0; i < count; ++i) {
        const QString name = QString::fromUtf16(EnvelopeSizes[i].name);
        if (key == SizeKey(name) || key == SizeKey(name.section(QLatin1Char(':'), 0, 0)))
            return i;
    }
    return -1;
}
