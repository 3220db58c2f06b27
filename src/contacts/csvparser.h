#pragma once

#include "contacts/contactsreport.h"

#include <QChar>
#include <QString>
#include <QStringList>

// Splits CSV text into records as RFC 4180 has it: fields in double quotes
// may hold the separator, line breaks and doubled quotes. The separator is
// the one of comma, semicolon and tab that the first record uses most.
// Damage is reported and read around: a quote that never closes is read as
// a plain character, text after a closing quote is kept.
class CCsvParser {
public:
    struct Record {
        QStringList fields;
        // Fields past the limit, counted but not kept, and whether any of
        // them held more than spaces.
        int fieldsLeftOut = 0;
        bool textLeftOut = false;
        int line = 0;
    };

    CCsvParser(const QString& text, CContactsReport& report);

    // At most this many fields of a record are kept.
    void SetMaxFields(int count) { m_maxFields = count; }
    // The next record that is not an empty line; false at the end.
    bool Next(Record& record);

private:
    void AddField(Record& record, QString& field) const;
    void CountLineBreaks(qsizetype from, qsizetype to);

    const QString& m_text;
    CContactsReport& m_report;
    QChar m_separator = QLatin1Char(',');
    qsizetype m_position = 0;
    int m_line = 1;
    int m_maxFields = 4096;
};
