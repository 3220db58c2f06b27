#include "cli/layoutcommand.h"

#include "cli/commandcontext.h"
#include "cli/joboptions.h"
#include "cli/optionnames.h"
#include "postal/postplacement.h"
#include "print/blockplacement.h"
#include "print/devmode.h"
#include "print/envelopesizes.h"
#include "print/printerblocks.h"
#include "settings/registryfile.h"
#include "settings/settingsstore.h"
#include "settings/storedvalues.h"

#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>
#include <QTextStream>

using namespace OptionNames;
using namespace StoredValues;

namespace {

const char* const kHelpText =
    R"help(Usage: pelvaro-cli layout [--paper NAME] [--return X,Y] [--mailing X,Y]
       pelvaro-cli layout [--paper NAME] --for-post
       pelvaro-cli layout [--paper NAME] --show
       pelvaro-cli layout [--paper NAME] --reset

Stores where the return and the mailing address start on one envelope size,
as Pelvaro's Layout dialog does; print, merge, check and the window then
place them there. X,Y is the distance from the envelope's left and top
edges, in millimetres for ISO and Japanese sizes and in inches for US ones.
A size with nothing stored is printed as Pelvaro always has. With no
option, what is stored is shown.

Options:
  --paper NAME    the envelope size (DL, C5, C6, No. 10, Monarch, Chou 3...,
                  as for print); default: the printer's paper when it is an
                  envelope, else the envelope chosen in Pelvaro. On a sheet
                  (A4, Letter...) the --size envelope placed on it
  --size SIZE     the envelope on a sheet: 0 or "No. 10", 1 or "No. 6 3/4"
  --return X,Y    where the return address starts
  --mailing X,Y   where the mailing address starts
  --for-post      place the mailing address where the post's machines read
                  it, with the mailing font in use, and the return address
                  in the top left corner, clear of it; --return and
                  --mailing given too take their place
  --show          show what is stored
  --reset         go back to the standard placement
  -h, --help      show this help
)help";

int ScreenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

// The paper the stored printer settings ask for; nothing without them.
const PaperSize* StoredPaper(const CSettingsStore& settings) {
    const std::optional<QByteArray> block = settings.ReadBinaryValue(kDevMode);
    const std::optional<DEVMODEW> mode = block ? DEVMODEW::FromBytes(*block) : std::nullopt;
    if (!mode)
        return nullptr;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    ApplyDevMode(printer, *mode);
    return MatchPaperSize(printer.pageLayout().pageSize().size(QPageSize::Millimeter) / 25.4);
}

} // namespace

CLayoutCommand::CLayoutCommand(CCommandContext& context)
    : CCommand(context, "layout", "store where the addresses start on an envelope size",
               kHelpText) {}

void CLayoutCommand::AddOptions(QCommandLineParser& parser) const {
    parser.addOptions({
        {kPaper, QString(), QStringLiteral("NAME")},
        {kSize, QString(), QStringLiteral("SIZE")},
        {kReturn, QString(), QStringLiteral("X,Y")},
        {kMailing, QString(), QStringLiteral("X,Y")},
        {kForPost, QString()},
        {kShow, QString()},
        {kReset, QString()},
    });
}

ExitStatus CLayoutCommand::Run(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        Fail(ExitStatus::Usage,
             QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    const bool changes = parser.isSet(kReturn) || parser.isSet(kMailing) || parser.isSet(kForPost);
    if (int(changes) + int(parser.isSet(kShow)) + int(parser.isSet(kReset)) > 1)
        Fail(ExitStatus::Usage,
             QStringLiteral("give one of --show, --reset or the placement to store"));
    const PaperSize& size = Size(parser);
    CSettingsStore& settings = Context().Settings();

    BlockPlacement placement = ReadBlockPlacement(settings, size);
    if (parser.isSet(kForPost))
        placement = PlaceForPost(size, ReadLogFontValue(settings, kReturnAddressLogFont),
                                 ReadLogFontValue(settings, kMailingAddressLogFont), ScreenDpiY());
    for (const auto& [option, start] : {std::pair{kReturn, &placement.returnStart},
                                        std::pair{kMailing, &placement.mailingStart}}) {
        const std::optional<QString> text = SingleValue(parser, option);
        if (!text)
            continue;
        *start = ParseBlockStart(*text, size);
        if (!*start)
            Fail(ExitStatus::Usage,
                 QStringLiteral("--%1 takes X,Y in %2 from the envelope's left and top edges, "
                                "inside the envelope, %3, not '%4'")
                     .arg(option, size.Unit(), size.Description(), *text));
    }
    if (parser.isSet(kReset) || changes) {
        if (!WriteBlockPlacement(settings, size,
                                 parser.isSet(kReset) ? BlockPlacement() : placement))
            Fail(ExitStatus::Failure,
                 QStringLiteral("%1 could not be written").arg(CRegistryFile::DefaultPath()));
        if (parser.isSet(kReset))
            return ExitStatus::Success;
    }
    Show(size);
    return ExitStatus::Success;
}

const PaperSize& CLayoutCommand::Size(const QCommandLineParser& parser) const {
    const PaperSize* paper = CJobOptions::Paper(parser);
    if (!paper)
        paper = StoredPaper(Context().Settings());
    if (paper && paper->IsEnvelope()) {
        if (parser.isSet(kSize))
            Fail(ExitStatus::Usage,
                 QStringLiteral("--size is for an envelope on a sheet, and the paper is the %1 "
                                "envelope")
                     .arg(paper->Name()));
        return *paper;
    }
    int index = 0;
    if (const std::optional<QString> size = SingleValue(parser, kSize)) {
        index = CJobOptions::FindEnvelopeSize(*size);
        if (index < 0)
            Fail(ExitStatus::Usage, QStringLiteral("--size: no envelope size \"%1\"").arg(*size));
    } else {
        index = Context().Settings().GetProfileInt(QString::fromLatin1(CSettingsStore::kSection),
                                                   kLastEnvelopeIndex, 0);
    }
    return PaperSizeOfRow(index);
}

void CLayoutCommand::Show(const PaperSize& size) const {
    const BlockPlacement placement = ReadBlockPlacement(Context().Settings(), size);
    const auto start = [&](const std::optional<QPointF>& point) {
        return point ? QStringLiteral("%1 %2").arg(FormatBlockStart(*point, size), size.Unit())
                     : QStringLiteral("standard");
    };
    Context().Out() << "size: " << size.Description() << '\n'
                    << "return: " << start(placement.returnStart) << '\n'
                    << "mailing: " << start(placement.mailingStart) << '\n';
}
