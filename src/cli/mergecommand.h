#pragma once

#include "cli/toolfailure.h"
#include "contacts/contactsimport.h"
#include "print/printjob.h"

#include <QList>
#include <QString>
#include <QStringList>

class CAddressBook;
class CSettingsStore;
class QCommandLineParser;
class QTextStream;

// `pelvaro-cli merge`: one job of many envelopes, one a page, from contacts
// files and the address book, each laid out as `print` lays out one.
class CMergeCommand {
public:
    CMergeCommand(const CSettingsStore& settings, const CAddressBook& book, QTextStream& out,
                  QTextStream& err);

    static void AddOptions(QCommandLineParser& parser);
    // Returns the exit status; ToolFailure when nothing came out. choice:
    // which address of a contact in a file goes on its envelope.
    ExitStatus Run(const QCommandLineParser& parser, AddressChoice choice);

private:
    struct Envelope {
        QString label;
        QString address;
    };

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
    QList<Envelope> m_envelopes;
    // Each record left out, and each problem in a file: never silently.
    QStringList m_problems;
    bool m_terminal = false;
};
