#pragma once

#include "cli/command.h"

// `pelvaro-cli list`: the book's labels one a line, or the whole book as
// JSON.
class CListCommand : public CCommand {
public:
    explicit CListCommand(CCommandContext& context);

    void AddOptions(QCommandLineParser& parser) const override;
    ExitStatus Run(const QCommandLineParser& parser) override;
};
