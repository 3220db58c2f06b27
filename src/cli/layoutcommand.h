#pragma once

#include "cli/command.h"
#include "print/papersizes.h"

// `pelvaro-cli layout`: stores, shows or removes where the blocks start on
// one envelope size, and places them for the post.
class CLayoutCommand : public CCommand {
public:
    explicit CLayoutCommand(CCommandContext& context);

    void AddOptions(QCommandLineParser& parser) const override;
    ExitStatus Run(const QCommandLineParser& parser) override;

private:
    // The envelope --paper names, or the one the stored printer's paper is;
    // on a sheet, the size list's envelope (--size or the stored one).
    const PaperSize& Size(const QCommandLineParser& parser) const;
    void Show(const PaperSize& size) const;
};
