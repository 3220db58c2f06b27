#include "postal/jobfromsettings.h"

#include "contacts/addressformatter.h"
#include "print/blockplacement.h"
#include "print/devmode.h"
#include "print/printeralignment.h"
#include "settings/settingsstore.h"
#include "settings/storedvalues.h"

#include <cmath>
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

void FeedPaper(EnvelopeJob& job, const PaperSize& paper) {
    std::optional<DEVMODEW> mode =
        job.devMode.isNull() ? std::optional(DEVMODEW()) : DEVMODEW::FromBytes(job.devMode);
    if (!mode)
        return;
    const QSizeF inches = paper.Inches();
    // The paper's sides override any paper code; the width is the short side.
    mode->dmFields |= DEVMODEW::DM_PAPERWIDTH | DEVMODEW::DM_PAPERLENGTH | DEVMODEW::DM_ORIENTATION;
    mode->dmPaperWidth = static_cast<int16_t>(std::lround(inches.height() * 254));
    mode->dmPaperLength = static_cast<int16_t>(std::lround(inches.width() * 254));
    const bool lying = paper.IsEnvelope() && !IsStanding(job.alignment.feed);
    mode->dmOrientation = lying ? DEVMODEW::DMORIENT_LANDSCAPE : DEVMODEW::DMORIENT_PORTRAIT;
    job.devMode = mode->ToBytes();
}

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
    job.placements = ReadBlockPlacements(settings);
    if (overrides.paper)
        FeedPaper(job, *overrides.paper);
    ApplyPostalOptions(job, overrides.postal ? *overrides.postal : ReadPostalOptions(settings),
                       CAddressFormatter::SystemCountry());
    return job;
}
