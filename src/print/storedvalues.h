#pragma once

#include "logfont.h"

#include <QLatin1String>

class CSettingsStore;

// The values the window keeps in the settings store, which the command-line
// tool reads to print the envelope the window would: the profile values of
// the section "Pelvaro", and the raw values.
namespace StoredValues {
inline constexpr QLatin1String kLastMailingAddressLabel("LastMailingAddressLabel");
inline constexpr QLatin1String kLastMailingAddress("LastMailingAddress");
inline constexpr QLatin1String kLastReturnAddressLabel("LastReturnAddressLabel");
inline constexpr QLatin1String kLastReturnAddress("LastReturnAddress");
inline constexpr QLatin1String kLastEnvelopeIndex("LastEnvelopeIndex");
inline constexpr QLatin1String kDevMode("DevMode");
inline constexpr QLatin1String kDevNames("DevNames");
inline constexpr QLatin1String kMailingAddressLogFont("MailingAddressLogFont");
inline constexpr QLatin1String kReturnAddressLogFont("ReturnAddressLogFont");
} // namespace StoredValues

// A stored font description; the stock font when the value is missing or is
// not exactly one description long.
LOGFONTW ReadLogFontValue(const CSettingsStore& settings, const QString& name);
