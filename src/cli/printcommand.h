#pragma once

#include "cli/command.h"

struct EnvelopeJob;

// `pelvaro-cli print`: one envelope, as the window's Print button prints
// it, on a printer, into a PDF file or as a picture of the page.
class CPrintCommand : public CCommand {
public:
    explicit CPrintCommand(CCommandContext& context);

    void AddOptions(QCommandLineParser& parser) const override;
    ExitStatus Run(const QCommandLineParser& parser) override;

private:
    // Prints the job, or writes it as a picture with --png; ToolFailure
    // when nothing came out.
    static void Print(const EnvelopeJob& job, const QCommandLineParser& parser);
};
