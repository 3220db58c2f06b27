#include "postal/postalstyle.h"

#include "contacts/addressformatter.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

// A punctuation mark between two digits that the address needs: the
// hyphen of a ZIP+4 code or a hyphenated house number, the slash of a
// fraction ("12 1/2").
bool KeptBetweenDigits(QChar c) {
    return c == u'-' || c == u'/';
}

bool IsGreek(QChar c) {
    return c.script() == QChar::Script_Greek;
}

// Greek is written in capitals without the tonos; a vowel that the tonos
// kept apart from the next one keeps that apart with a dialytika instead
// ("Μάιος", MAÏOS: not the diphthong of "μαιος"). The dialytika itself stays.
QString WithoutGreekTonos(const QString& line) {
    const QString decomposed = line.normalized(QString::NormalizationForm_D);
    QString kept;
    kept.reserve(decomposed.size() + 4);
    bool parted = false; // the last letter lost its tonos and may part a diphthong
    for (qsizetype i = 0; i < decomposed.size();) {
        // One letter with the marks on it.
        const QChar letter = decomposed[i];
        QString marks;
        for (++i; i < decomposed.size() && decomposed[i].category() == QChar::Mark_NonSpacing; ++i)
            marks += decomposed[i];
        const bool greek = IsGreek(letter);
        if (greek && parted && QStringLiteral("ιυΙΥ").contains(letter) &&
            !marks.contains(QChar(0x0308)))
            marks.prepend(QChar(0x0308));
        parted =
            greek && marks.contains(QChar(0x0301)) && QStringLiteral("αεουΑΕΟΥ").contains(letter);
        if (greek)
            marks.remove(QChar(0x0301));
        kept += letter + marks;
    }
    return kept.normalized(QString::NormalizationForm_C);
}

QString StyledLine(const QString& line) {
    const QString upper = WithoutGreekTonos(line).toUpper();
    QString styled;
    styled.reserve(upper.size());
    for (qsizetype i = 0; i < upper.size(); ++i) {
        const QChar c = upper[i];
        const bool betweenDigits =
            i > 0 && i + 1 < upper.size() && upper[i - 1].isDigit() && upper[i + 1].isDigit();
        if (c == u'#' || c == u'&' || (KeptBetweenDigits(c) && betweenDigits)) {
            styled += c;
        } else if (c == u'\'' || c == QChar(0x2019) || c == u'.') {
            // "O'NEIL" becomes "ONEIL" and "ST." "ST": dropped, not spaced.
        } else if (c.isPunct() || c.isSymbol()) {
            styled += u' ';
        } else {
            styled += c;
        }
    }
    return styled.simplified();
}

} // namespace

QStringList AddressLines(const QString& address) {
    QStringList lines;
    for (const QString& line : address.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.append(trimmed);
    }
    return lines;
}

qsizetype ForeignCountryLine(const QStringList& lines, const QString& userCountry) {
    const QString own = CAddressFormatter::CountryCode(userCountry);
    for (qsizetype i = lines.size() - 1; i > 0; --i) {
        // A letter alone is a unit or an initial, not a country.
        if (lines[i].size() < 2)
            continue;
        const QString code = CAddressFormatter::CountryCode(lines[i]);
        if (!code.isEmpty() && code != own)
            return i;
    }
    return -1;
}

QString PostalStyle(const QString& address, const QString& userCountry) {
    QStringList lines = AddressLines(address);
    QString country;
    if (const qsizetype at = ForeignCountryLine(lines, userCountry); at > 0) {
        country = lines.takeAt(at);
        // A bare code means nothing to a post office abroad.
        if (country.size() <= 3)
            country = QLocale::territoryToString(
                QLocale::codeToTerritory(CAddressFormatter::CountryCode(country)));
    }
    QStringList styled;
    for (const QString& line : std::as_const(lines)) {
        const QString s = StyledLine(line);
        if (!s.isEmpty())
            styled.append(s);
    }
    if (!country.isEmpty())
        styled.append(StyledLine(country));
    return styled.join(QStringLiteral("\r\n"));
}
