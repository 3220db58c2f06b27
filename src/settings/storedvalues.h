#pragma once

#include <QLatin1String>

// The names of the values the window keeps in the settings store, which the
// command-line tool reads to print the envelope the window would: the
// profile values of the section "Pelvaro", and the raw values.
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
