#pragma once

#include "cli/command.h"

// `pelvaro-cli import FILE`: adds the contacts of a vCard or CSV file to
// the address book and saves it once; status 3 when the file has problems.
class CImportCommand : public CCommand {
public:
    explicit CImportCommand(CCommandContext& context);

    void AddOptions(QCommandLineParser& parser) const override;
    ExitStatus Run(const QCommandLineParser& parser) override;
};
