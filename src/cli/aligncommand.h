#pragma once

#include "print/printeralignment.h"

class CSettingsStore;
class QCommandLineParser;
class QTextStream;

// `pelvaro-cli align`: stores, shows or removes where a printer puts the
// envelope, and prints the test page to find it out.
class CAlignCommand {
public:
    CAlignCommand(CSettingsStore& settings, QTextStream& out);

    static void AddOptions(QCommandLineParser& parser);
    // ToolFailure when the command line cannot be carried out.
    void Run(const QCommandLineParser& parser);

private:
    // The printer named with --printer, or the one configured in Pelvaro.
    QString PrinterName(const QCommandLineParser& parser) const;
    // What is stored for the printer, changed by the options given.
    PrinterAlignment Alignment(const QCommandLineParser& parser, const QString& printer) const;
    void Show(const QString& printer) const;
    void PrintTestPage(const QCommandLineParser& parser) const;

    CSettingsStore& m_settings;
    QTextStream& m_out;
};
