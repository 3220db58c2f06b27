#pragma once

#include "contacts/contactsreport.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>

// Splits CSV text into records as RFC 4180 has it: fields in double quotes
// may hold the separator, line breaks and doubled quotes. The separator is
// the one of comma, semicolon and tab that the first record uses most.
// Damage is reported and read around: a quote that never closes is read as
// a plain character, text after a closing quote is kept.
class CCsvParser {
public:
    // Appends the next piece of the text to `text`; false at the end. A
    // piece ends after a line break, but for the last.
    using TextSource = std::function<bool(QString& text)>;

    struct Record {
        QStringList fields;
        // Fields past the limit, counted but not kept, and whether any of
        // them held more than spaces.
        int fieldsLeftOut = 0;
        bool textLeftOut = false;
        int line = 0;
    };

    // The text a piece at a time: only the record being read and the piece
    // it ends in are held.
    CCsvParser(TextSource source, CContactsReport& report);
    CCsvParser(const QString& text, CContactsReport& report);

    // At most this many fields of a record are kept.
    void SetMaxFields(int count) { m_maxFields = count; }
    // The next record that is not an empty line; false at the end.
    bool Next(Record& record);

private:
    void AddField(Record& record, QString& field) const;
    void CountLineBreaks(qsizetype from, qsizetype to);
    // Appends the next piece, dropping the records before the one being
    // read; `kept` is a position in the text that moves with it. False at
    // the end of the text.
    bool More(qsizetype& kept);
    bool More();

    TextSource m_source;
    QString m_text;
    qsizetype m_recordStart = 0;
    CContactsReport& m_report;
    QChar m_separator = QLatin1Char(',');
    qsizetype m_position = 0;
    int m_line = 1;
    int m_maxFields = 4096;
};
