#include "contacts/vcardreader.h"

#include "contacts/contactstext.h"

#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace {

bool IsBlank(QByteArrayView line) {
    for (char c : line)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Quoted-printable: "=XY" is a byte; a stray "=" stays as it is.
QByteArray DecodeQuotedPrintable(QByteArrayView raw, bool* damaged) {
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '=') {
            const int high = i + 1 < raw.size() ? HexDigit(raw[i + 1]) : -1;
            const int low = i + 2 < raw.size() ? HexDigit(raw[i + 2]) : -1;
            if (high >= 0 && low >= 0) {
                bytes.append(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
            if (IsBlank(raw.sliced(i + 1)))
                break; // a soft break at the very end
            *damaged = true;
        }
        bytes.append(c);
    }
    return bytes;
}

// Splits a structured value at the semicolons that are not escaped; the
// parts keep their escapes.
QStringList SplitStructured(const QString& text) {
    QStringList parts;
    parts.reserve(8);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\'))
            ++i;
        else if (text[i] == QLatin1Char(';')) {
            parts.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.mid(start));
    return parts;
}

// "\n" and "\N" are line breaks; a backslash before punctuation stands for
// that character. Anything else keeps its backslash: writers that escape
// nothing put plain backslashes in names and streets.
QString Unescape(const QString& text) {
    if (!text.contains(QLatin1Char('\\')))
        return NormalizeLineBreaks(text);
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            plain += c;
            continue;
        }
        const QChar next = text[i + 1];
        if (next == QLatin1Char('n') || next == QLatin1Char('N')) {
            plain += QLatin1Char('\n');
            ++i;
        } else if (next == QLatin1Char('\\') || next == QLatin1Char(',') ||
                   next == QLatin1Char(';') || next == QLatin1Char(':') ||
                   next == QLatin1Char('"')) {
            plain += next;
            ++i;
        } else {
            plain += c;
        }
    }
    return NormalizeLineBreaks(plain);
}

// A parameter value: caret escapes ("^n", "^^", "^'") and the backslash
// escapes that many writers put in LABEL.
QString DecodeParameterText(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == QLatin1Char('^') && (next == QLatin1Char('n') || next == QLatin1Char('N'))) {
            plain += QLatin1Char('\n');
            ++i;
        } else if (c == QLatin1Char('^') && next == QLatin1Char('^')) {
            plain += QLatin1Char('^');
            ++i;
        } else if (c == QLatin1Char('^') && next == QLatin1Char('\'')) {
            plain += QLatin1Char('"');
            ++i;
        } else if (c == QLatin1Char('\\') &&
                   (next == QLatin1Char('n') || next == QLatin1Char('N'))) {
            plain += QLatin1Char('\n');
            ++i;
        } else if (c == QLatin1Char('\\') &&
                   (next == QLatin1Char('\\') || next == QLatin1Char(',') ||
                    next == QLatin1Char(';'))) {
            plain += next;
            ++i;
        } else {
            plain += c;
        }
    }
    return NormalizeLineBreaks(plain);
}

// Splits at a separator that is not inside double quotes.
QList<QByteArrayView> SplitOutsideQuotes(QByteArrayView text, char separator) {
    QList<QByteArrayView> parts;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            parts.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.sliced(start));
    return parts;
}

QByteArrayView Unquote(QByteArrayView text) {
    text = text.trimmed();
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.sliced(1, text.size() - 2);
    return text;
}

bool IsEncodingName(const QByteArray& upper) {
    return upper == "QUOTED-PRINTABLE" || upper == "BASE64" || upper == "B" || upper == "8BIT" ||
           upper == "7BIT";
}

// Whether a property's parameters ask for quoted-printable, bare as 2.1
// writes it or as ENCODING=; text inside a quoted value does not count.
bool NamesQuotedPrintable(QByteArrayView nameAndParameters) {
    const QList<QByteArrayView> items = SplitOutsideQuotes(nameAndParameters, ';');
    for (qsizetype n = 1; n < items.size(); ++n) {
        QByteArrayView item = items[n].trimmed();
        const qsizetype equals = item.indexOf('=');
        if (equals >= 0) {
            if (item.first(equals).trimmed().compare("ENCODING", Qt::CaseInsensitive) != 0)
                continue;
            item = Unquote(item.sliced(equals + 1));
        }
        if (item.compare("QUOTED-PRINTABLE", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString TrimmedPart(const QStringList& parts, qsizetype index) {
    return index < parts.size() ? Unescape(parts[index]).trimmed() : QString();
}

// A writer that leaves LABEL= unquoted lets the colons of the label end an
// address's parameters early. Its value then starts after the last colon
// that still leaves the six semicolons of an address behind it; where that
// is not the first colon, the label cannot be read whole. Returns that
// colon, and where the LABEL parameter starts, or -1 when the line reads as
// it stands.
qsizetype AddressValueColon(QByteArrayView line, qsizetype colon, qsizetype* labelStart) {
    *labelStart = -1;
    const qsizetype label = line.first(colon).toByteArray().toUpper().lastIndexOf(";LABEL=");
    if (label < 0 || line.sliced(label + 7).trimmed().startsWith('"'))
        return colon;
    int semicolons = 0;
    for (qsizetype k = line.size() - 1; k > colon; --k) {
        if (line[k] == ';' && line[k - 1] != '\\')
            ++semicolons;
        else if (line[k] == ':' && semicolons >= 6) {
            *labelStart = label;
            return k;
        }
    }
    return colon;
}

// Text that is neither ASCII nor UTF-8: 8-bit text of some code page.
bool IsEightBitText(QByteArrayView raw) {
    if (std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<uchar>(c) < 0x80; }))
        return false;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    [[maybe_unused]] const QString text = utf8.decode(raw);
    return utf8.hasError();
}

// The CHARSET a property's parameters name, empty when none does.
QByteArray CharsetParameter(QByteArrayView parameters) {
    for (const QByteArrayView item : SplitOutsideQuotes(parameters, ';')) {
        const qsizetype equals = item.indexOf('=');
        if (equals > 0 && item.first(equals).trimmed().compare("CHARSET", Qt::CaseInsensitive) == 0)
            return Unquote(item.sliced(equals + 1).trimmed()).toByteArray();
    }
    return {};
}

} // namespace

CVCardReader::CVCardReader(CContactsReport& report, ContactSink sink)
    : m_report(report), m_sink(std::move(sink)) {}

// One pass over the file's lines, unfolding as it goes: read best whole.
// NOLINTNEXTLINE(readability-function-size)
void CVCardReader::Read(QByteArrayView bytes, bool fromWideText) {
    // Text that came in UTF-16 or UTF-32 was turned into UTF-8 on the way.
    m_fromWideText = fromWideText;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);

    // Physical lines end as LineBreakAt has it. A line that starts with a
    // space or tab continues the one before (the space is dropped); a
    // quoted-printable value that ends in "=" continues on the next line
    // whatever it starts with.
    QByteArray pending;
    int pendingLine = 0;
    bool havePending = false;
    // Where the pending line's name and parameters end, found once, so a
    // long value is never searched again for every line added to it.
    qsizetype scanned = 0;
    bool scanQuoted = false;
    int quotedPrintable = -1;
    const auto pendingIsQuotedPrintable = [&]() {
        if (quotedPrintable >= 0)
            return quotedPrintable == 1;
        for (; scanned < pending.size(); ++scanned) {
            const char c = pending[scanned];
            if (c == '"') {
                scanQuoted = !scanQuoted;
            } else if (c == ':' && !scanQuoted) {
                quotedPrintable = NamesQuotedPrintable(QByteArrayView(pending).first(scanned));
                return quotedPrintable == 1;
            }
        }
        return false;
    };

    int number = 0;
    qsizetype position = 0;
    const qsizetype size = bytes.size();
    while (position < size) {
        qsizetype end = position;
        while (end < size && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const QByteArrayView line = bytes.sliced(position, end - position);
        position = end;
        if (position < size)
            position += LineBreakAt(bytes, position);
        ++number;

        if (havePending && pending.endsWith('=') && pendingIsQuotedPrintable()) {
            pending.chop(1);
            pending += line;
            continue;
        }
        if (havePending && !line.isEmpty() && (line[0] == ' ' || line[0] == '\t')) {
            pending += line.sliced(1);
            continue;
        }
        if (havePending)
            HandleLine(pending, pendingLine);
        havePending = false;
        if (IsBlank(line))
            continue;
        pending = line.toByteArray();
        pendingLine = number;
        havePending = true;
        scanned = 0;
        scanQuoted = false;
        quotedPrintable = -1;
    }
    if (havePending)
        HandleLine(pending, pendingLine);

    if (m_card) {
        m_report.AddProblem(m_card->line,
                            QStringLiteral("the card has no END:VCARD; read up to the end "
                                           "of the file"));
        FinishCard();
    }
}

// One state machine over a content line's name, parameters and value.
// NOLINTNEXTLINE(readability-function-size)
void CVCardReader::HandleLine(QByteArrayView line, int number) {
    qsizetype i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':')
        ++i;
    QByteArrayView fullName = line.first(i).trimmed();
    // A group ("item1.ADR") only ties properties together, which nothing
    // here needs.
    const qsizetype dot = fullName.lastIndexOf('.');
    const QByteArray name = fullName.sliced(dot + 1).toByteArray().toUpper();

    qsizetype colon = i;
    bool quoted = false;
    for (; colon < line.size(); ++colon) {
        if (line[colon] == '"')
            quoted = !quoted;
        else if (line[colon] == ':' && !quoted)
            break;
    }
    if (colon == line.size() && quoted) {
        // A quote that never closes: the colon after it still ends the
        // parameters.
        colon = line.indexOf(':', i);
        if (colon < 0)
            colon = line.size();
    }
    const bool hasColon = colon < line.size();
    qsizetype parametersEnd = colon;
    if (hasColon && name == "ADR") {
        qsizetype labelStart = -1;
        colon = AddressValueColon(line, colon, &labelStart);
        if (labelStart >= 0) {
            parametersEnd = labelStart;
            m_report.AddProblem(number, QStringLiteral("the LABEL parameter holds colons but is "
                                                       "not in quotes, so it cannot be read "
                                                       "whole; the address is read from its "
                                                       "parts"));
        }
    }
    const QByteArrayView value = hasColon ? line.sliced(colon + 1) : QByteArrayView();
    const bool isBegin =
        hasColon && name == "BEGIN" && value.trimmed().compare("VCARD", Qt::CaseInsensitive) == 0;
    const bool isEnd =
        hasColon && name == "END" && value.trimmed().compare("VCARD", Qt::CaseInsensitive) == 0;

    if (m_nestedDepth > 0) {
        if (isBegin)
            ++m_nestedDepth;
        else if (isEnd)
            --m_nestedDepth;
        return;
    }
    if (isBegin) {
        if (m_card && m_emptyAgent) {
            // A 2.1 agent's card sits inside its owner's; it is not a contact.
            ++m_nestedDepth;
            m_emptyAgent = false;
            return;
        }
        if (m_card) {
            m_report.AddProblem(m_card->line,
                                QStringLiteral("the card has no END:VCARD before the next "
                                               "BEGIN:VCARD at line %1")
                                    .arg(number));
            FinishCard();
        }
        StartCard(number);
        return;
    }
    if (!m_card) {
        if (isEnd) {
            m_report.AddProblem(number, QStringLiteral("END:VCARD without BEGIN:VCARD"));
        } else if (!m_inStrayText) {
            // One report for a run of such lines: a file that is not a vCard
            // at all should not bury the user in them.
            m_report.AddProblem(number, QStringLiteral("text outside BEGIN:VCARD and END:VCARD"));
            m_inStrayText = true;
        }
        return;
    }
    if (isEnd) {
        FinishCard();
        return;
    }
    if (!hasColon) {
        m_report.AddProblem(number, QStringLiteral("not a property: the line has no colon"));
        return;
    }
    m_emptyAgent = name == "AGENT" && value.trimmed().isEmpty();
    // Some address books mark the card of an organization so, and show it
    // by the organization's name.
    if (name.startsWith("X-ABSHOWAS"))
        m_card->companyCard = value.trimmed().compare("COMPANY", Qt::CaseInsensitive) == 0;
    // A CHARSET on any line of the card may be the one its other 8-bit
    // lines are written in; what reaches the envelope is looked at more
    // closely once the card has ended.
    const QByteArrayView parameters = line.sliced(i, parametersEnd - i);
    if (m_cardCharset.isEmpty())
        m_cardCharset = CharsetParameter(parameters);
    static const QSet<QByteArray> used = {"VERSION", "PRODID", "FN", "N", "ORG", "ADR", "LABEL"};
    if (used.contains(name))
        m_cardProperties.append({name, parameters.toByteArray(), value.toByteArray(), number});
}

CVCardReader::Parameters CVCardReader::ParseParameters(QByteArrayView text, int number) {
    Parameters parameters;
    const QList<QByteArrayView> items = SplitOutsideQuotes(text, ';');
    // The first item is what stands before the first semicolon: nothing.
    for (qsizetype n = 1; n < items.size(); ++n) {
        const QByteArrayView item = items[n].trimmed();
        if (item.isEmpty())
            continue;
        const qsizetype equals = item.indexOf('=');
        QByteArray key;
        QByteArrayView value;
        if (equals < 0) {
            // 2.1 names types and encodings bare: "ADR;HOME;PREF".
            key = IsEncodingName(item.toByteArray().toUpper()) ? "ENCODING" : "TYPE";
            value = item;
        } else {
            key = item.first(equals).trimmed().toByteArray().toUpper();
            value = item.sliced(equals + 1);
        }
        if (key == "TYPE") {
            for (QByteArrayView type : SplitOutsideQuotes(Unquote(value), ','))
                parameters.types.insert(Unquote(type).toByteArray().toLower());
        } else if (key == "ENCODING") {
            parameters.encoding = Unquote(value).toByteArray().toUpper();
        } else if (key == "CHARSET") {
            parameters.charset = Unquote(value).toByteArray();
        } else if (key == "PREF") {
            bool ok = false;
            const int preference = Unquote(value).toInt(&ok);
            if (ok && preference >= 1 && preference <= 100)
                parameters.preference = preference;
            else
                m_report.AddProblem(number, QStringLiteral("PREF must be a number from 1 to 100"));
        } else if (key == "LABEL") {
            parameters.label = DecodeParameterText(DecodeUnknownText(Unquote(value)));
        }
    }
    if (parameters.preference == 0 && parameters.types.contains("pref"))
        parameters.preference = 1;
    return parameters;
}

QString CVCardReader::DecodeValue(QByteArrayView raw, const Parameters& parameters, int number) {
    QByteArray decoded;
    bool encoded = false;
    if (parameters.encoding == "QUOTED-PRINTABLE") {
        bool damaged = false;
        decoded = DecodeQuotedPrintable(raw, &damaged);
        if (damaged)
            m_report.AddProblem(number, QStringLiteral("a \"=\" in a quoted-printable value is "
                                                       "not followed by two hex digits"));
        raw = decoded;
        encoded = true;
    } else if (parameters.encoding == "BASE64" || parameters.encoding == "B") {
        decoded = QByteArray::fromBase64(raw.toByteArray().simplified().replace(' ', ""));
        raw = decoded;
        encoded = true;
    }
    // A UTF-16 file's text was turned into UTF-8 whatever it claims.
    // Phones that write 8-bit text name its character set on a few lines
    // of a card only; the card's other lines are in the same one.
    QByteArray charset = parameters.charset;
    if (charset.isEmpty() && !m_fromWideText && IsEightBitText(raw))
        charset = m_cardCharset;
    if (!charset.isEmpty() && (encoded || !m_fromWideText)) {
        bool known = true;
        QString text = DecodeCharset(raw, charset, &known);
        if (!known)
            m_report.AddProblem(
                number,
                QStringLiteral("unknown character set \"%1\"").arg(QString::fromLatin1(charset)));
        // A value holds no line breaks of the file's own.
        if (!ReplaceLoneSurrogates(text).isEmpty())
            m_report.AddProblem(number, LoneSurrogateProblem());
        return text;
    }
    return DecodeUnknownText(raw);
}

PostalAddress CVCardReader::AddressFrom(const Parameters& parameters) const {
    PostalAddress address;
    address.home = parameters.types.contains("home");
    address.work = parameters.types.contains("work");
    address.preference = parameters.preference;
    return address;
}

void CVCardReader::HandleProperty(const QByteArray& name, const Parameters& parameters,
                                  QByteArrayView value, int number) {
    Contact& card = *m_card;
    if (name == "VERSION") {
        const QByteArrayView version = value.trimmed();
        if (version != "2.1" && version != "3.0" && version != "4.0")
            m_report.AddProblem(
                number,
                QStringLiteral("unknown vCard version \"%1\"").arg(DecodeUnknownText(version)));
    } else if (name == "PRODID") {
        card.exactText = value.contains("//Pelvaro//");
    } else if (name == "FN") {
        if (card.formattedName.isEmpty())
            card.formattedName = Unescape(DecodeValue(value, parameters, number));
    } else if (name == "N") {
        if (!card.givenName.isEmpty() || !card.familyName.isEmpty())
            return;
        const QStringList parts = SplitStructured(DecodeValue(value, parameters, number));
        card.familyName = TrimmedPart(parts, 0);
        card.givenName = TrimmedPart(parts, 1);
        card.additionalNames = TrimmedPart(parts, 2);
        card.prefixes = TrimmedPart(parts, 3);
        card.suffixes = TrimmedPart(parts, 4);
    } else if (name == "ORG") {
        if (card.organization.isEmpty())
            card.organization =
                TrimmedPart(SplitStructured(DecodeValue(value, parameters, number)), 0);
    } else if (name == "ADR") {
        const QStringList parts = SplitStructured(DecodeValue(value, parameters, number));
        PostalAddress address = AddressFrom(parameters);
        address.poBox = TrimmedPart(parts, 0);
        address.extended = TrimmedPart(parts, 1);
        address.street = TrimmedLines(TrimmedPart(parts, 2));
        address.locality = TrimmedPart(parts, 3);
        address.region = TrimmedPart(parts, 4);
        address.postcode = TrimmedPart(parts, 5);
        address.country = TrimmedPart(parts, 6);
        if (parameters.label && (card.exactText || !parameters.label->trimmed().isEmpty())) {
            address.label = *parameters.label;
            address.hasLabel = true;
        }
        card.addresses.Offer(address);
    } else if (name == "LABEL") {
        PostalAddress address = AddressFrom(parameters);
        address.label = Unescape(DecodeValue(value, parameters, number));
        address.hasLabel = !address.label.trimmed().isEmpty();
        m_labelAddresses.Offer(address);
    }
}

void CVCardReader::StartCard(int number) {
    m_card.emplace();
    m_card->line = number;
    m_labelAddresses = AddressCandidates();
    m_emptyAgent = false;
    m_inStrayText = false;
}

void CVCardReader::FinishCard() {
    for (const PendingProperty& property : std::exchange(m_cardProperties, {}))
        HandleProperty(property.name, ParseParameters(property.parameters, property.line),
                       property.value, property.line);
    m_cardCharset.clear();
    Contact card = std::move(*m_card);
    m_card.reset();
    // Formatted labels stand in only where the card has no address.
    if (!card.addresses.preferred)
        card.addresses = std::move(m_labelAddresses);
    m_labelAddresses = AddressCandidates();
    m_emptyAgent = false;
    m_nestedDepth = 0;
    m_sink(std::move(card));
}
