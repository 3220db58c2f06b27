#include "contacts/csvparser.h"

#include "contacts/contactstext.h"

#include <utility>

namespace {

bool IsLineBreak(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// The separator the first line that has any uses most: a title above the
// header ("Club list") has none.
QChar FindSeparator(const QString& text) {
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (IsLineBreak(c) && commas + semicolons + tabs > 0)
            break;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char(';'))
            ++semicolons;
        else if (c == QLatin1Char('\t'))
            ++tabs;
    }
    if (semicolons > commas && semicolons >= tabs)
        return QLatin1Char(';');
    if (tabs > commas && tabs > semicolons)
        return QLatin1Char('\t');
    return QLatin1Char(',');
}

} // namespace

CCsvParser::CCsvParser(TextSource source, CContactsReport& report)
    : m_source(std::move(source)), m_report(report) {
    More();
    m_separator = FindSeparator(m_text);
}

CCsvParser::CCsvParser(const QString& text, CContactsReport& report)
    : CCsvParser(
          [text, given = false](QString& to) mutable {
              if (std::exchange(given, true))
                  return false;
              to += text;
              return true;
          },
          report) {}

bool CCsvParser::More(qsizetype& kept) {
    if (!m_source)
        return false;
    m_text.remove(0, m_recordStart);
    m_position -= m_recordStart;
    kept -= m_recordStart;
    m_recordStart = 0;
    const qsizetype size = m_text.size();
    while (m_text.size() == size) {
        if (!m_source(m_text)) {
            m_source = nullptr;
            return m_text.size() > size;
        }
    }
    return true;
}

bool CCsvParser::More() {
    qsizetype unused = 0;
    return More(unused);
}

void CCsvParser::AddField(Record& record, QString& field) const {
    if (record.fields.size() < m_maxFields) {
        record.fields.append(field);
    } else {
        ++record.fieldsLeftOut;
        record.textLeftOut = record.textLeftOut || !field.trimmed().isEmpty();
    }
    field.clear();
}

void CCsvParser::CountLineBreaks(qsizetype from, qsizetype to) {
    for (qsizetype i = from; i < to; ++i) {
        if (const qsizetype lineBreak = LineBreakAt(m_text, i)) {
            ++m_line;
            i += lineBreak - 1;
        }
    }
}

// One state machine over a record's characters: split, its states would be
// passed from piece to piece.
// NOLINTNEXTLINE(readability-function-size)
bool CCsvParser::Next(Record& record) {
    while (true) {
        m_recordStart = m_position;
        if (m_position >= m_text.size() && !More())
            return false;
        record.fields.clear();
        record.fieldsLeftOut = 0;
        record.textLeftOut = false;
        record.line = m_line;
        QString field;
        bool fieldStart = true;
        bool blank = true;
        while (true) {
            if (m_position >= m_text.size() && !More()) {
                AddField(record, field);
                break;
            }
            const QChar c = m_text[m_position];
            if (fieldStart && c == QLatin1Char('"')) {
                blank = false;
                const int openedAt = m_line;
                qsizetype from = m_position + 1;
                bool closed = false;
                while (true) {
                    const qsizetype quote = m_text.indexOf(QLatin1Char('"'), from);
                    if (quote < 0) {
                        // The closing quote may be in a piece still to come.
                        if (More(from))
                            continue;
                        break;
                    }
                    // A doubled quote may be cut between two pieces. Asking
                    // for more moves the text even when none comes: the
                    // quote is found again where it now is.
                    if (quote + 1 == m_text.size() && m_source) {
                        More(from);
                        continue;
                    }
                    field += QStringView(m_text).sliced(from, quote - from);
                    CountLineBreaks(from, quote);
                    if (quote + 1 < m_text.size() && m_text[quote + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        from = quote + 2;
                        continue;
                    }
                    from = quote + 1;
                    closed = true;
                    break;
                }
                if (!closed) {
                    // No quote follows anywhere, so this one cannot close:
                    // read it as a character and the rest as plain fields.
                    m_report.AddProblem(openedAt, QStringLiteral("a quoted field is not closed; "
                                                                 "the quote is read as text"));
                    field = QStringLiteral("\"");
                    // The scan above counted lines it will now read again.
                    m_line = openedAt;
                    m_position = m_position + 1;
                    fieldStart = false;
                    continue;
                }
                m_position = from;
                fieldStart = false;
                if (m_position == m_text.size())
                    More();
                if (m_position < m_text.size() && m_text[m_position] != m_separator &&
                    !IsLineBreak(m_text[m_position]))
                    m_report.AddProblem(m_line, QStringLiteral("text after a closing quote is kept "
                                                               "as part of the field"));
                continue;
            }
            if (c == m_separator) {
                blank = false;
                AddField(record, field);
                fieldStart = true;
                ++m_position;
                continue;
            }
            if (IsLineBreak(c)) {
                AddField(record, field);
                if (m_position + 1 == m_text.size())
                    More(); // a CR LF cut between two pieces
                m_position += LineBreakAt(m_text, m_position);
                ++m_line;
                break;
            }
            // Plain text up to the next separator, quote or line break.
            qsizetype end = m_position;
            const qsizetype size = m_text.size();
            while (end < size && m_text[end] != m_separator && !IsLineBreak(m_text[end]))
                ++end;
            field += QStringView(m_text).sliced(m_position, end - m_position);
            if (!field.isEmpty())
                blank = false;
            m_position = end;
            fieldStart = false;
        }
        if (blank && record.fields.size() == 1 && record.fields.front().isEmpty())
            continue;
        return true;
    }
}
