#pragma once

#include <QString>
#include <QStringList>

// The lines of an address as the envelope carries them: CR LF, a lone CR or
// a lone LF ends a line; blank lines and blanks at the ends are left out.
QStringList AddressLines(const QString& address);

// Which line of the address names a foreign country and nothing else: the
// last such line after the first (the first is the addressee's name, which
// may be a country's too); -1 when none. userCountry: the user's own, as an
// ISO 3166 code ("US").
qsizetype ForeignCountryLine(const QStringList& lines, const QString& userCountry);

// The mailing address in the post office's style, lines joined by CR LF:
// capital letters, no punctuation but the hyphen between digits (a ZIP+4
// code) and the fraction's slash, "#" and "&" kept as words; a foreign
// country alone on the last line, in capitals.
QString PostalStyle(const QString& address, const QString& userCountry);
