#pragma once

#include "cli/command.h"

// `pelvaro-cli export FILE`: the whole address book as a vCard or CSV
// file, or on standard output for "-".
class CExportCommand : public CCommand {
public:
    explicit CExportCommand(CCommandContext& context);

    void AddOptions(QCommandLineParser& parser) const override;
    ExitStatus Run(const QCommandLineParser& parser) override;
};
