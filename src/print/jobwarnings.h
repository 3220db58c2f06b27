#pragma once

#include <QStringList>

struct EnvelopeJob;
class QPrinter;

// What is wrong with a job's setup before it is printed, one sentence each,
// for the line under a preview: the envelope chosen and the printer's paper
// disagree, the envelope does not fit on the sheet, lines are cut at the
// edge of their block. printer: set up for the job (ConfigureJobPrinter).
// The first two alone: the paper and the envelope.
QStringList PaperWarnings(const EnvelopeJob& job, const QPrinter& printer);
// The postal check names the mailing block's cut lines itself: with its
// findings at hand, only the return block's are warned of here.
enum class MailingLinesChecked { No, Yes };
QStringList JobWarnings(const EnvelopeJob& job, const QPrinter& printer,
                        const QStringList& mailingAddresses,
                        MailingLinesChecked checked = MailingLinesChecked::No);

// The one sentence on lines cut at the edge of their block, with its remedy;
// empty when none is.
QString CutLinesWarning(const EnvelopeJob& job, const QPrinter& printer,
                        const QStringList& mailingAddresses,
                        MailingLinesChecked checked = MailingLinesChecked::No);
