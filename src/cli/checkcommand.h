#pragma once

#include "cli/command.h"

// `pelvaro-cli check`: what would make the post office's machines misread
// the envelope that print would print with the same options, one finding a
// line; nothing is printed.
class CCheckCommand : public CCommand {
public:
    explicit CCheckCommand(CCommandContext& context);

    void AddOptions(QCommandLineParser& parser) const override;
    ExitStatus Run(const QCommandLineParser& parser) override;
};
