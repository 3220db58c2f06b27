#pragma once

#include "postal/postaloptions.h"
#include "print/papersizes.h"
#include "print/printjob.h"

#include <QCommandLineParser>
#include <QString>

#include <optional>
#include <utility>

class CAddressBook;
class CSettingsStore;

// The options of the envelope that print, check, merge and align share,
// and the job they ask for: one envelope as the window's Print button makes
// it from the same settings, texts and size. What the command line leaves
// out comes from what the window stored.
class CJobOptions {
public:
    CJobOptions(const CSettingsStore& settings, const CAddressBook& book);

    // The options of one envelope, for print and check.
    static void AddOptions(QCommandLineParser& parser);
    // What print and merge share: the return address, size, printer, PDF and
    // picture resolution.
    static void AddJobOptions(QCommandLineParser& parser);
    // The job the options ask for; ToolFailure when they cannot be met.
    EnvelopeJob MakeJob(const QCommandLineParser& parser) const;
    // The same without the mailing address, for many envelopes.
    EnvelopeJob MakeSharedJob(const QCommandLineParser& parser) const;
    // Turns a job's result into the tool's failure, if it is one.
    // pictures: the job was to make pictures rather than print.
    static void CheckResult(PrintResult result, const EnvelopeJob& job, const PrintFailure& failure,
                            bool pictures = false);
    // Why the job's setup could not be used, named as far as its blocks
    // allow.
    static QString InvalidSetupMessage(const EnvelopeJob& job, bool pictures);
    // The postal options the job was made with: the stored ones, and
    // --postal-style and --imb.
    const PostalOptions& Postal() const { return m_postal; }
    // What the user should hear of the job that MakeJob made, one a line.
    const QStringList& Notes() const { return m_notes; }
    // --dpi: 0 when not given (the printer's resolution).
    static int Dpi(const QCommandLineParser& parser);
    // --paper: the size it names; nothing when it is not given.
    static const PaperSize* Paper(const QCommandLineParser& parser);
    // --shift X,Y in tenths of a millimetre, right and down.
    static std::optional<std::pair<int, int>> Shift(const QCommandLineParser& parser);

    // "\n" in a text option starts a new line and "\\" stands for one
    // backslash; line breaks become CR LF, as the address boxes hold them.
    static QString UnescapeText(const QString& text);
    // An envelope size's row from its index or its name ("No. 10", or the
    // whole name; "6 3/4" may stand for "6¾"); -1 when there is none.
    static int FindEnvelopeSize(const QString& text);

private:
    // The text option's text, or the address of the label option's entry;
    // nothing when neither is given.
    std::optional<QString> AddressOption(const QCommandLineParser& parser,
                                         const QString& textOption,
                                         const QString& labelOption) const;
    // The names block of the file or queue given here in place of the
    // stored printer; nothing when neither is given.
    static std::optional<QByteArray> GivenPrinter(const QCommandLineParser& parser);

    const CSettingsStore& m_settings;
    const CAddressBook& m_book;
    mutable QStringList m_notes;
    mutable PostalOptions m_postal;
};
