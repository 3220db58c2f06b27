#pragma once

#include "cli/command.h"
#include "cli/contactsfileoptions.h"
#include "cli/packedtexts.h"

#include <QList>
#include <QString>
#include <QStringList>

class CAddressBook;
struct EnvelopeJob;
struct PostalOptions;

// `pelvaro-cli merge`: one job of many envelopes, one a page, from contacts
// files and the address book, each laid out as `print` lays out one.
class CMergeCommand : public CCommand {
public:
    explicit CMergeCommand(CCommandContext& context);

    void AddOptions(QCommandLineParser& parser) const override;
    // Status 3 when records were left out; ToolFailure when nothing came
    // out.
    ExitStatus Run(const QCommandLineParser& parser) override;

private:
    struct Envelope {
        QString label;
        QString address;
    };

    // The envelopes in print order: the book's entries, then each file's.
    qsizetype EnvelopeCount() const;
    Envelope EnvelopeAt(qsizetype i) const;
    void TakeBook(const QCommandLineParser& parser, const CAddressBook& book);
    void TakeFile(const QString& path, AddressChoice choice);
    void DryRun() const;
    void NumberBarcodes(EnvelopeJob& job, const PostalOptions& postal) const;
    void WritePictures(const EnvelopeJob& job, const QString& folder, int dpi);
    void Print(const EnvelopeJob& job);
    // The progress line, kept up to date on a terminal only.
    bool ShowProgress(int done);

    // Entries of the book are its own texts; those from files are packed,
    // their labels only for a dry run, the one place they are shown.
    QList<Envelope> m_fromBook;
    CPackedTexts m_fileAddresses;
    CPackedTexts m_fileLabels;
    bool m_dryRun = false;
    // Each record left out, and each problem in a file: never silently.
    QStringList m_problems;
    // What was left out on purpose: contacts without an address, hidden
    // rows.
    QStringList m_notes;
    bool m_terminal = false;
    ContactsFileOptions m_fileOptions;
};
