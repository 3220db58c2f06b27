#pragma once

#include <QString>
#include <QStringList>

// A number as a spreadsheet shows it through its cell's number format: the
// format's code as Excel and LibreOffice write it ("00000", "#,##0.00",
// "0%", "yyyy-mm-dd", "[$-409]mmmm d, yyyy;@"), with sections for positive,
// negative and zero numbers and for text. Dates are day counts from the
// workbook's epoch. Colours, conditions and locale tags are read past;
// what the code does not say is shown as the General format shows it.
class CNumberFormat {
public:
    explicit CNumberFormat(const QString& code = QString(), bool epoch1904 = false);

    // The code of one of the formats built into every workbook, by its id;
    // empty for General and for ids that have none.
    static QString BuiltInCode(int id);

    QString Format(double value) const;
    // Text in a cell formatted so: the text section's literals around it.
    QString FormatText(const QString& text) const;
    // The General format: integers whole, else up to ten decimals, no
    // trailing zeros.
    static QString General(double value);

private:
    QString FormatSection(const QString& section, double value, bool negativeShown) const;
    QString FormatDate(const QString& section, double value) const;

    QString m_code;
    // The code's sections, split once: a sheet formats many cells alike.
    QStringList m_sections;
    bool m_epoch1904 = false;
};
