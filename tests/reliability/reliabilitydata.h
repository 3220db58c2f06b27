#pragma once

#include <QByteArray>
#include <QString>

// What the writer process and the tests agree on.

// The file bytes of the two books the writer alternates between: a short
// one and one long enough to take several buffers to write.
QByteArray ReliabilityBook(int which);

// The two versions of each of the two settings values the writer rewrites.
QString ReliabilityAddress(int which);
QByteArray ReliabilityDevMode(int which);

inline constexpr const char* kReliabilitySection = "Pelvaro";
inline constexpr const char* kReliabilityAddressEntry = "LastMailingAddress";
inline constexpr const char* kReliabilityDevModeName = "DevMode";

// The value a writer of two copies at once stores under its i-th name.
QString ConcurrentEntryName(const QString& prefix, int i);
QString ConcurrentEntryValue(const QString& prefix, int i);

// What the writer prints once its first write is complete.
inline constexpr const char* kReliabilityReady = "ready";
