#pragma once

#include "cli/contactsfileoptions.h"
#include "cli/toolfailure.h"
#include "contacts/contactsimport.h"
#include "print/printjob.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class CAddressBook;
class CSettingsStore;
class QCommandLineParser;
class QTextStream;

// `pelvaro-cli merge`: one job of many envelopes, one a page, from contacts
// files and the address book, each laid out as `print` lays out one.
// Texts packed end to end as UTF-8, in blocks that never move: 100,000
// addresses take a few MB, where as strings of their own they would take
// several times that. Texts read from a contacts file are whole UTF-16 and
// come back unchanged.
class CPackedTexts {
public:
    void Append(const QString& text);
    qsizetype Size() const { return m_ends.size(); }
    QString At(qsizetype i) const;

private:
    static constexpr qsizetype kBlockSize = 1 << 20;
    // Each text lies in one block. Offsets count the blocks' bytes as if
    // they were one run: where each block starts, where each text ends.
    QList<QByteArray> m_blocks;
    QList<qsizetype> m_blockStarts;
    QList<qsizetype> m_ends;
};

class CMergeCommand {
public:
    CMergeCommand(const CSettingsStore& settings, const CAddressBook& book, QTextStream& out,
                  QTextStream& err);

    static void AddOptions(QCommandLineParser& parser);
    // How files are read, and the settings where column mappings are
    // remembered; they must outlive the command.
    void SetFileOptions(const ContactsFileOptions& options, CSettingsStore& settings) {
        m_fileOptions = options;
        m_mappingSettings = &settings;
    }
    // Returns the exit status; ToolFailure when nothing came out. choice:
    // which address of a contact in a file goes on its envelope.
    ExitStatus Run(const QCommandLineParser& parser, AddressChoice choice);

private:
    struct Envelope {
        QString label;
        QString address;
    };

    // The envelopes in print order: the book's entries, then each file's.
    qsizetype EnvelopeCount() const;
    Envelope EnvelopeAt(qsizetype i) const;
    void TakeBook(const QCommandLineParser& parser);
    void TakeFile(const QString& path, AddressChoice choice);
    void DryRun() const;
    void WritePictures(const EnvelopeJob& job, const QString& folder, int dpi);
    void Print(const EnvelopeJob& job);
    // The progress line, kept up to date on a terminal only.
    bool ShowProgress(int done);

    const CSettingsStore& m_settings;
    const CAddressBook& m_book;
    QTextStream& m_out;
    QTextStream& m_err;
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
    CSettingsStore* m_mappingSettings = nullptr;
};
