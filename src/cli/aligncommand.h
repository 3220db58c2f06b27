#pragma once

#include "cli/command.h"
#include "print/printeralignment.h"

// `pelvaro-cli align`: stores, shows or removes where a printer puts the
// envelope, and prints the test page to find it out.
class CAlignCommand : public CCommand {
public:
    explicit CAlignCommand(CCommandContext& context);

    void AddOptions(QCommandLineParser& parser) const override;
    ExitStatus Run(const QCommandLineParser& parser) override;

private:
    // The printer named with --printer, or the one configured in Pelvaro.
    QString PrinterName(const QCommandLineParser& parser) const;
    // What is stored for the printer, changed by the options given.
    PrinterAlignment Alignment(const QCommandLineParser& parser, const QString& printer) const;
    // Status 5 for a stored alignment that does not read as one.
    ExitStatus Show(const QString& printer) const;
    void PrintTestPage(const QCommandLineParser& parser) const;
};
