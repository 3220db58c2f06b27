#include "contacts/numberformat.h"

#include <QDate>
#include <QList>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <optional>

namespace {

// The sections of a code, split at semicolons outside quotes, escapes and
// brackets.
QStringList Sections(const QString& code) {
    QStringList sections{QString()};
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (!quoted && c == u'\\' && i + 1 < code.size()) {
            sections.back() += code.mid(i, 2);
            ++i;
            continue;
        }
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'[')
            ++bracket;
        else if (!quoted && c == u']' && bracket > 0)
            --bracket;
        if (c == u';' && !quoted && bracket == 0)
            sections.append(QString());
        else
            sections.back() += c;
    }
    return sections;
}

// One piece of a section: a literal, or a placeholder of the number.
struct Piece {
    enum class Kind { Literal, Digit, Point } kind = Kind::Literal;
    QString text; // the literal, or the placeholder: 0, # or ?
};

struct NumberPattern {
    QList<Piece> pieces;
    int percent = 0;
    bool thousands = false;
    bool scientific = false;
    bool fraction = false;
    bool text = false; // an @ for the cell's text
};

// The literal a bracket stands for: a currency in "[$€-407]", nothing for
// colours, conditions and locales.
QString BracketText(const QString& inside) {
    if (!inside.startsWith(u'$'))
        return QString();
    return inside.mid(1).section(u'-', 0, 0);
}

NumberPattern ParseNumber(const QString& section) {
    NumberPattern pattern;
    const auto literal = [&](const QString& text) {
        if (!pattern.pieces.isEmpty() && pattern.pieces.back().kind == Piece::Kind::Literal)
            pattern.pieces.back().text += text;
        else
            pattern.pieces.append({Piece::Kind::Literal, text});
    };
    bool afterDigit = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == u'"') {
            const qsizetype end = section.indexOf(u'"', i + 1);
            literal(section.mid(i + 1, (end < 0 ? section.size() : end) - i - 1));
            i = end < 0 ? section.size() : end;
        } else if (c == u'\\' && i + 1 < section.size()) {
            literal(section.mid(++i, 1));
        } else if (c == u'_' && i + 1 < section.size()) {
            literal(QStringLiteral(" "));
            ++i;
        } else if (c == u'*' && i + 1 < section.size()) {
            ++i;
        } else if (c == u'[') {
            const qsizetype end = section.indexOf(u']', i + 1);
            literal(BracketText(section.mid(i + 1, (end < 0 ? section.size() : end) - i - 1)));
            i = end < 0 ? section.size() : end;
        } else if (c == u'0' || c == u'#' || c == u'?') {
            pattern.pieces.append({Piece::Kind::Digit, QString(c)});
            afterDigit = true;
            continue;
        } else if (c == u'.') {
            pattern.pieces.append({Piece::Kind::Point, QString()});
        } else if (c == u',' && afterDigit && i + 1 < section.size() &&
                   (section[i + 1] == u'0' || section[i + 1] == u'#' || section[i + 1] == u'?')) {
            pattern.thousands = true;
        } else if (c == u',') {
            // A comma after the last digit scales by a thousand; rare in a
            // list of addresses, and shown as General shows the number.
            pattern.scientific = pattern.scientific || afterDigit;
        } else if (c == u'%') {
            ++pattern.percent;
            literal(QStringLiteral("%"));
        } else if ((c == u'E' || c == u'e') && i + 1 < section.size() &&
                   (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            pattern.scientific = true;
        } else if (c == u'/') {
            pattern.fraction = pattern.fraction || afterDigit;
            literal(QString(c));
        } else if (c == u'@') {
            pattern.text = true;
            literal(QStringLiteral("@"));
        } else {
            literal(QString(c));
        }
        afterDigit = false;
    }
    return pattern;
}

// Whether a condition "[<=99999]" at a section's start holds for the
// value; nothing when the section has none.
std::optional<bool> ConditionHolds(const QString& section, double value) {
    static const QRegularExpression condition(QStringLiteral("^\\[(<=|>=|<>|<|>|=)(-?[0-9.]+)\\]"));
    const auto match = condition.match(section.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString op = match.captured(1);
    const double limit = match.captured(2).toDouble();
    return op == u"<="   ? value <= limit
           : op == u">=" ? value >= limit
           : op == u"<>" ? value != limit
           : op == u"<"  ? value < limit
           : op == u">"  ? value > limit
                         : value == limit;
}

bool IsDateSection(const QString& section) {
    bool quoted = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i].toLower();
        if (c == u'"')
            quoted = !quoted;
        else if (c == u'\\')
            ++i;
        else if (c == u'[') {
            const qsizetype end = section.indexOf(u']', i);
            // Elapsed hours, minutes or seconds: "[h]:mm".
            const QString inside = section.mid(i + 1, end - i - 1).toLower();
            if (!inside.isEmpty() && (inside[0] == u'h' || inside[0] == u'm' || inside[0] == u's'))
                return true;
            i = end < 0 ? section.size() : end;
        } else if (!quoted && (c == u'y' || c == u'd' || c == u'h' || c == u's' || c == u'm'))
            return true;
    }
    return false;
}

QString Grouped(const QString& digits) {
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += u',';
        grouped += digits[i];
    }
    return grouped;
}

// The integer digits spread over the placeholders right to left; the
// leftmost takes what is left over, as "00000-0000" shows 123456789.
void FillInteger(QList<Piece>& pieces, qsizetype pointAt, QString digits, bool thousands) {
    QList<qsizetype> places;
    for (qsizetype i = 0; i < pointAt; ++i)
        if (pieces[i].kind == Piece::Kind::Digit)
            places.append(i);
    if (places.isEmpty())
        return;
    if (digits == u'0')
        digits.clear();
    if (thousands) {
        int zeros = 0;
        for (const qsizetype slot : std::as_const(places))
            zeros += pieces[slot].text == u'0' ? 1 : 0;
        digits = digits.rightJustified(zeros, u'0');
        for (const qsizetype slot : std::as_const(places))
            pieces[slot].text.clear();
        pieces[places.front()].text = Grouped(digits);
        return;
    }
    qsizetype next = digits.size();
    for (qsizetype n = places.size() - 1; n >= 0; --n) {
        Piece& piece = pieces[places[n]];
        if (n == 0) {
            const QString rest = digits.left(next);
            piece.text = !rest.isEmpty()      ? rest
                         : piece.text == u'0' ? QStringLiteral("0")
                         : piece.text == u'?' ? QStringLiteral(" ")
                                              : QString();
        } else if (next > 0) {
            piece.text = digits.mid(--next, 1);
        } else {
            piece.text = piece.text == u'0'   ? QStringLiteral("0")
                         : piece.text == u'?' ? QStringLiteral(" ")
                                              : QString();
        }
    }
}

void FillFraction(QList<Piece>& pieces, qsizetype pointAt, const QString& digits) {
    qsizetype next = 0;
    qsizetype lastShown = pointAt;
    for (qsizetype i = pointAt + 1; i < pieces.size(); ++i) {
        if (pieces[i].kind != Piece::Kind::Digit)
            continue;
        const QChar digit = next < digits.size() ? digits[next] : u'0';
        ++next;
        const bool required = pieces[i].text == u'0';
        pieces[i].text = digit;
        if (digit != u'0' || required)
            lastShown = i;
    }
    // Trailing zeros of optional places are not shown.
    for (qsizetype i = lastShown + 1; i < pieces.size(); ++i)
        if (pieces[i].kind == Piece::Kind::Digit)
            pieces[i].text = pieces[i].text == u'0' ? QString() : pieces[i].text;
}

// One piece of a date section: a run of one letter (yyyy, mm, d, h, ss),
// or a literal.
struct DateToken {
    QChar letter; // lower case; 0 for a literal
    qsizetype count = 0;
    QString text;
};

QList<DateToken> DateTokens(const QString& section, bool beforeNoon) {
    QList<DateToken> tokens;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        const QChar lower = c.toLower();
        if (c == u'"') {
            const qsizetype end = section.indexOf(u'"', i + 1);
            tokens.append(
                {QChar(), 0, section.mid(i + 1, (end < 0 ? section.size() : end) - i - 1)});
            i = end < 0 ? section.size() : end;
        } else if (c == u'\\' && i + 1 < section.size()) {
            tokens.append({QChar(), 0, section.mid(++i, 1)});
        } else if (c == u'[') {
            const qsizetype end = section.indexOf(u']', i + 1);
            const QString inside = section.mid(i + 1, (end < 0 ? section.size() : end) - i - 1);
            const QChar first = inside.isEmpty() ? QChar() : inside[0].toLower();
            if (first == u'h' || first == u'm' || first == u's')
                tokens.append({first, inside.size(), QString()});
            i = end < 0 ? section.size() : end;
        } else if (section.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            tokens.append({QChar(), 0, beforeNoon ? QStringLiteral("AM") : QStringLiteral("PM")});
            i += 4;
        } else if (section.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
            tokens.append({QChar(), 0, beforeNoon ? QStringLiteral("A") : QStringLiteral("P")});
            i += 2;
        } else if (lower == u'y' || lower == u'm' || lower == u'd' || lower == u'h' ||
                   lower == u's') {
            qsizetype end = i;
            while (end < section.size() && section[end].toLower() == lower)
                ++end;
            tokens.append({lower, end - i, QString()});
            i = end - 1;
        } else if (c == u'_' || c == u'*') {
            ++i;
        } else {
            tokens.append({QChar(), 0, QString(c)});
        }
    }
    return tokens;
}

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kDays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                             "Friday", "Saturday", "Sunday"};

// The tokens of a date section filled in: minutes after an hour or before
// seconds, months elsewhere.
QString ShowDate(const QList<DateToken>& tokens, const QDate& date, int seconds, bool twelveHours) {
    const int hour = seconds / 3600;
    const int minute = seconds / 60 % 60;
    const int second = seconds % 60;
    QString shown;
    QChar previousUnit;
    for (qsizetype n = 0; n < tokens.size(); ++n) {
        const DateToken& token = tokens[n];
        const auto two = [&](int number) {
            return token.count >= 2 ? QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'))
                                    : QString::number(number);
        };
        if (token.letter.isNull()) {
            shown += token.text;
            continue;
        }
        bool isMinute = false;
        if (token.letter == u'm') {
            // Minutes after an hour or before seconds; months elsewhere.
            isMinute = previousUnit == u'h';
            for (qsizetype k = n + 1; !isMinute && k < tokens.size(); ++k) {
                if (tokens[k].letter.isNull())
                    continue;
                isMinute = tokens[k].letter == u's';
                break;
            }
        }
        if (token.letter == u'y')
            shown += token.count <= 2 ? two(date.year() % 100).rightJustified(2, u'0')
                                      : QString::number(date.year());
        else if (token.letter == u'm' && isMinute)
            shown += two(minute);
        else if (token.letter == u'm')
            shown += token.count <= 2   ? two(date.month())
                     : token.count == 3 ? QString::fromLatin1(kMonths[date.month() - 1]).left(3)
                     : token.count == 5 ? QString::fromLatin1(kMonths[date.month() - 1]).left(1)
                                        : QString::fromLatin1(kMonths[date.month() - 1]);
        else if (token.letter == u'd')
            shown += token.count <= 2   ? two(date.day())
                     : token.count == 3 ? QString::fromLatin1(kDays[date.dayOfWeek() - 1]).left(3)
                                        : QString::fromLatin1(kDays[date.dayOfWeek() - 1]);
        else if (token.letter == u'h')
            shown += two(twelveHours ? (hour % 12 == 0 ? 12 : hour % 12) : hour);
        else if (token.letter == u's')
            shown += two(second);
        previousUnit = token.letter;
    }
    return shown;
}

} // namespace

CNumberFormat::CNumberFormat(const QString& code, bool epoch1904)
    : m_code(code), m_sections(Sections(code)), m_epoch1904(epoch1904) {}

QString CNumberFormat::BuiltInCode(int id) {
    switch (id) {
    case 1:
        return QStringLiteral("0");
    case 2:
        return QStringLiteral("0.00");
    case 3:
        return QStringLiteral("#,##0");
    case 4:
        return QStringLiteral("#,##0.00");
    case 9:
        return QStringLiteral("0%");
    case 10:
        return QStringLiteral("0.00%");
    case 11:
        return QStringLiteral("0.00E+00");
    case 14:
        return QStringLiteral("m/d/yyyy");
    case 15:
        return QStringLiteral("d-mmm-yy");
    case 16:
        return QStringLiteral("d-mmm");
    case 17:
        return QStringLiteral("mmm-yy");
    case 18:
        return QStringLiteral("h:mm AM/PM");
    case 19:
        return QStringLiteral("h:mm:ss AM/PM");
    case 20:
        return QStringLiteral("h:mm");
    case 21:
        return QStringLiteral("h:mm:ss");
    case 22:
        return QStringLiteral("m/d/yyyy h:mm");
    case 37:
        return QStringLiteral("#,##0 ;(#,##0)");
    case 38:
        return QStringLiteral("#,##0 ;[Red](#,##0)");
    case 39:
        return QStringLiteral("#,##0.00;(#,##0.00)");
    case 40:
        return QStringLiteral("#,##0.00;[Red](#,##0.00)");
    case 45:
        return QStringLiteral("mm:ss");
    case 46:
        return QStringLiteral("[h]:mm:ss");
    case 47:
        return QStringLiteral("mm:ss.0");
    case 48:
        return QStringLiteral("##0.0E+0");
    case 49:
        return QStringLiteral("@");
    default:
        return QString();
    }
}

QString CNumberFormat::General(double value) {
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    // Eleven significant digits, as a cell of standard width shows them.
    QString text = QString::number(value, 'g', 11);
    if (text.contains(u'e'))
        return text.toUpper();
    return text;
}

QString CNumberFormat::Format(double value) const {
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");
    const QStringList& sections = m_sections;
    // Sections with conditions, as the ZIP+4 format "[<=99999]00000;
    // 00000-0000" has: the first whose condition holds, else the first
    // after them without one.
    bool anyCondition = false;
    for (const QString& section : sections) {
        const std::optional<bool> holds = ConditionHolds(section, value);
        anyCondition = anyCondition || holds.has_value();
        if (holds == true || (anyCondition && !holds && !section.contains(u'@')))
            return FormatSection(section, value, value < 0);
    }
    // Only a text section: numbers show as General.
    QString section = sections[0];
    bool negativeShown = false;
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty()) {
        section = sections[1];
        negativeShown = true;
    } else if (value == 0 && sections.size() >= 3) {
        section = sections[2];
    }
    return FormatSection(section, value, negativeShown);
}

QString CNumberFormat::FormatText(const QString& text) const {
    const QStringList& sections = m_sections;
    if (sections.size() < 4 && !sections.back().contains(u'@'))
        return text;
    NumberPattern pattern = ParseNumber(sections.size() >= 4 ? sections[3] : sections.back());
    QString shown;
    for (const Piece& piece : std::as_const(pattern.pieces))
        shown += piece.kind == Piece::Kind::Literal ? piece.text : QString();
    return pattern.text ? shown.replace(u'@', text) : text;
}

QString CNumberFormat::FormatSection(const QString& section, double value,
                                     bool negativeShown) const {
    const QString trimmed = section.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return General(value);
    if (IsDateSection(section))
        return FormatDate(section, value);
    NumberPattern pattern = ParseNumber(section);
    qsizetype pointAt = pattern.pieces.size();
    int decimals = 0;
    bool anyDigit = false;
    for (qsizetype i = 0; i < pattern.pieces.size(); ++i) {
        if (pattern.pieces[i].kind == Piece::Kind::Point && pointAt == pattern.pieces.size())
            pointAt = i;
        else if (pattern.pieces[i].kind == Piece::Kind::Digit) {
            anyDigit = true;
            decimals += i > pointAt ? 1 : 0;
        }
    }
    if (pattern.scientific || pattern.fraction || !anyDigit) {
        QString shown;
        for (const Piece& piece : std::as_const(pattern.pieces))
            shown += piece.kind == Piece::Kind::Literal ? piece.text : QString();
        // A code of literals alone shows them; what we do not lay out
        // ourselves shows as General.
        if (!anyDigit && !pattern.scientific && !pattern.fraction)
            return shown;
        return General(value);
    }
    double magnitude = std::fabs(value) * std::pow(100.0, pattern.percent);
    const QString fixed = QString::number(magnitude, 'f', decimals);
    const qsizetype dot = fixed.indexOf(u'.');
    FillInteger(pattern.pieces, pointAt, dot < 0 ? fixed : fixed.left(dot), pattern.thousands);
    if (pointAt < pattern.pieces.size())
        FillFraction(pattern.pieces, pointAt, dot < 0 ? QString() : fixed.mid(dot + 1));
    QString shown;
    for (const Piece& piece : std::as_const(pattern.pieces))
        shown += piece.kind == Piece::Kind::Point ? QStringLiteral(".") : piece.text;
    const bool zero = fixed.count(u'0') + (dot < 0 ? 0 : 1) == fixed.size();
    if (value < 0 && !negativeShown && !zero)
        shown.prepend(u'-');
    return shown;
}

QString CNumberFormat::FormatDate(const QString& section, double value) const {
    // Day 60 of the 1900 epoch is the 29 February 1900 that never was;
    // the days before it count from the last day of 1899.
    const qint64 day = static_cast<qint64>(std::floor(value));
    qint64 seconds = std::llround((value - std::floor(value)) * 86400.0);
    QDate date;
    if (m_epoch1904)
        date = QDate(1904, 1, 1).addDays(day);
    else
        date = day < 61 ? QDate(1899, 12, 31).addDays(day) : QDate(1899, 12, 30).addDays(day);
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds -= 86400;
    }
    if (!date.isValid())
        return General(value);
    const bool twelveHours = section.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive) ||
                             section.contains(QLatin1String("A/P"), Qt::CaseInsensitive);
    return ShowDate(DateTokens(section, seconds < 12LL * 3600), date, static_cast<int>(seconds),
                    twelveHours);
}
