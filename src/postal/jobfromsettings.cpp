#include "postal/jobfromsettings.h"

#include "contacts/addressformatter.h"
#include "print/printeralignment.h"
#include "settings/settingsstore.h"
#include "settings/storedvalues.h"

#include <tuple>

using namespace StoredValues;

namespace {

const QString kSection = QString::fromLatin1(CSettingsStore::kSection);

// The block the override gives, or the stored one; null when neither.
QByteArray BlockOf(const CSettingsStore& settings, const QString& name,
                   const std::optional<QByteArray>& override) {
    if (override)
        return *override;
    return settings.ReadBinaryValue(name).value_or(QByteArray());
}

} // namespace

EnvelopeJob MakeEnvelopeJob(const CSettingsStore& settings, const DialogGeometry& window,
                            const JobOverrides& overrides) {
    // A stored value is read only where no override stands in for it: a
    // profile read creates its key when missing.
    EnvelopeJob job;
    job.returnAddress = overrides.returnAddress
                            ? *overrides.returnAddress
                            : settings.GetProfileString(kSection, kLastReturnAddress);
    job.mailingAddress = overrides.mailingAddress;
    job.envelopeIndex = overrides.envelopeIndex
                            ? *overrides.envelopeIndex
                            : settings.GetProfileInt(kSection, kLastEnvelopeIndex, 0);
    job.returnLogFont = overrides.returnLogFont ? *overrides.returnLogFont
                                                : ReadLogFontValue(settings, kReturnAddressLogFont);
    job.mailingLogFont = overrides.mailingLogFont
                             ? *overrides.mailingLogFont
                             : ReadLogFontValue(settings, kMailingAddressLogFont);
    job.devMode = BlockOf(settings, kDevMode, overrides.devMode);
    job.target = PrintTarget::FromDevNames(BlockOf(settings, kDevNames, overrides.devNames));
    job.window = window;
    // Read for each job: the other program may have stored one meanwhile.
    job.alignment = ReadPrinterAlignment(settings, AlignmentPrinterName(job.target))
                        .value_or(PrinterAlignment());
    if (overrides.shift)
        std::tie(job.alignment.shiftRight, job.alignment.shiftDown) = *overrides.shift;
    ApplyPostalOptions(job, overrides.postal ? *overrides.postal : ReadPostalOptions(settings),
                       CAddressFormatter::SystemCountry());
    return job;
}
