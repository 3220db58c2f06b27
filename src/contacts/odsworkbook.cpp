#include "contacts/odsworkbook.h"

#include "contacts/mergedcells.h"
#include "contacts/numberformat.h"
#include "contacts/zipxmlstream.h"

#include <QDate>
#include <QDateTime>

namespace {

const QString kContent = QStringLiteral("content.xml");

// A repeat count: at least 1, at most `limit`.
int Count(QStringView value, int limit) {
    bool ok = false;
    const qlonglong count = value.toLongLong(&ok);
    return ok && count > 1 ? static_cast<int>(qMin<qlonglong>(count, limit)) : 1;
}

// A value without the text a cell shows, as some programs write it.
QString ValueText(const QXmlStreamAttributes& attributes) {
    const QStringView type = AttributeValue(attributes, u"value-type");
    if (type == u"string")
        return AttributeValue(attributes, u"string-value").toString();
    if (type == u"boolean")
        return AttributeValue(attributes, u"boolean-value") == u"true" ? QStringLiteral("TRUE")
                                                                       : QStringLiteral("FALSE");
    if (type == u"date")
        return AttributeValue(attributes, u"date-value").toString();
    if (type == u"time")
        return AttributeValue(attributes, u"time-value").toString();
    if (!AttributeValue(attributes, u"value").isEmpty()) {
        bool ok = false;
        const double number = AttributeValue(attributes, u"value").toDouble(&ok);
        if (ok)
            return type == u"percentage" ? CNumberFormat::General(number * 100) + u'%'
                                         : CNumberFormat::General(number);
    }
    return QString();
}

} // namespace

bool COdsWorkbook::Open() {
    // A document saved with a password keeps its parts encrypted, as its
    // manifest says.
    {
        CZipXmlStream manifest(Zip(), QStringLiteral("META-INF/manifest.xml"));
        while (manifest.Next() != QXmlStreamReader::Invalid) {
            if (manifest.Xml().isStartElement() && manifest.Xml().name() == u"encryption-data") {
                return Fail(QStringLiteral("it is protected by a password; save it without one"));
            }
        }
    }
    // The sheets' names and the tables whose style hides them.
    CZipXmlStream xml(Zip(), kContent);
    QSet<QString> hiddenStyles;
    QString style;
    while (xml.Next() != QXmlStreamReader::Invalid) {
        QXmlStreamReader& reader = xml.Xml();
        if (!reader.isStartElement())
            continue;
        const QStringView name = reader.name();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (name == u"style") {
            style = AttributeValue(attributes, u"name").toString();
        } else if (name == u"table-properties" &&
                   AttributeValue(attributes, u"display") == u"false") {
            hiddenStyles.insert(style);
        } else if (name == u"table") {
            AddSheet({AttributeValue(attributes, u"name").toString(),
                      hiddenStyles.contains(AttributeValue(attributes, u"style-name").toString())});
            xml.SkipElement();
        }
    }
    if (!xml.Error().isEmpty())
        return Fail(xml.Error());
    if (Sheets().isEmpty())
        return Fail(QStringLiteral("it holds no sheets"));
    return true;
}

int COdsWorkbook::AllowedRepeats(const SheetRow& row, int repeat) {
    if (row.IsEmpty() || repeat <= kMaxRepeatedRows)
        return repeat;
    AddNote(QStringLiteral("row %1 is repeated %2 times; only the first %3 were read")
                .arg(row.number)
                .arg(repeat)
                .arg(kMaxRepeatedRows));
    return kMaxRepeatedRows;
}

bool COdsWorkbook::SeekTable(CZipXmlStream& xml, int sheet) {
    int table = -1;
    while (table < sheet && xml.Next() != QXmlStreamReader::Invalid) {
        if (xml.Xml().isStartElement() && xml.Xml().name() == u"table" && ++table < sheet)
            xml.SkipElement();
    }
    return table == sheet;
}

bool COdsWorkbook::ReadRows(int sheet, const SheetRowSink& sink) {
    ClearNotes();
    CZipXmlStream xml(Zip(), kContent);
    if (!SeekTable(xml, sheet))
        return Fail(xml.Error());
    CMergedCells merges;
    int nextRow = 1;
    int depth = 1;
    while (depth > 0) {
        const QXmlStreamReader::TokenType token = xml.Next();
        if (token == QXmlStreamReader::Invalid)
            break;
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        QXmlStreamReader& reader = xml.Xml();
        if (reader.name() != u"table-row") {
            // Row groups and header rows hold rows; shapes, named ranges
            // and the like hold none.
            const QStringView name = reader.name();
            if (name == u"table-row-group" || name == u"table-header-rows" || name == u"table-rows")
                ++depth;
            else
                xml.SkipElement();
            continue;
        }
        const QXmlStreamAttributes attributes = reader.attributes();
        int repeat = Count(AttributeValue(attributes, u"number-rows-repeated"), kMaxRows);
        SheetRow row;
        row.number = nextRow;
        const QStringView visibility = AttributeValue(attributes, u"visibility");
        row.hidden = visibility == u"collapse" || visibility == u"filter";
        ReadRow(xml, row, merges);
        repeat = AllowedRepeats(row, repeat);
        // A run of empty rows (a million of them end many sheets) is only
        // counted.
        for (int n = 0; n < repeat && nextRow <= kMaxRows; ++n) {
            SheetRow copy = row;
            copy.number = nextRow++;
            merges.Apply(copy);
            if (!copy.IsEmpty() && !sink(copy))
                return true;
            if (row.IsEmpty()) {
                nextRow += repeat - n - 1;
                break;
            }
        }
        if (nextRow > kMaxRows)
            break;
    }
    if (!xml.Error().isEmpty())
        return Fail(xml.Error());
    return true;
}

void COdsWorkbook::ReadRow(CZipXmlStream& xml, SheetRow& row, CMergedCells& merges) {
    int column = 0;
    while (true) {
        const QXmlStreamReader::TokenType token = xml.Next();
        if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::EndElement)
            return;
        if (token != QXmlStreamReader::StartElement)
            continue;
        QXmlStreamReader& reader = xml.Xml();
        const QStringView name = reader.name();
        if (name != u"table-cell" && name != u"covered-table-cell") {
            xml.SkipElement();
            continue;
        }
        const QXmlStreamAttributes attributes = reader.attributes();
        const int repeat =
            Count(AttributeValue(attributes, u"number-columns-repeated"), kMaxColumns);
        const int rowsSpanned = Count(AttributeValue(attributes, u"number-rows-spanned"), kMaxRows);
        QString text = CellText(xml);
        if (text.isEmpty())
            text = ValueText(attributes);
        if (!text.isEmpty()) {
            for (int n = 0; n < repeat && column + n < kMaxColumns; ++n)
                SetCell(row, column + n, text);
            if (rowsSpanned > 1)
                merges.Add(row.number, row.number + rowsSpanned - 1, column);
        }
        column = qMin(column + repeat, kMaxColumns);
    }
}

QString COdsWorkbook::CellText(CZipXmlStream& xml) {
    // Each paragraph is a line; notes on the cell are not its text.
    QStringList lines;
    qsizetype length = 0;
    while (true) {
        const QXmlStreamReader::TokenType token = xml.Next();
        if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::EndElement)
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if ((xml.Xml().name() == u"p" || xml.Xml().name() == u"h") && length <= kMaxCellLength) {
            lines.append(ParagraphText(xml));
            length += lines.back().size() + 1;
        } else {
            xml.SkipElement();
        }
    }
    return lines.join(u'\n');
}

QString COdsWorkbook::ParagraphText(CZipXmlStream& xml) {
    QString text;
    int depth = 1;
    while (depth > 0) {
        const QXmlStreamReader::TokenType token = xml.Next();
        if (token == QXmlStreamReader::Invalid)
            break;
        QXmlStreamReader& reader = xml.Xml();
        if (token == QXmlStreamReader::Characters) {
            text += reader.text();
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        } else if (token == QXmlStreamReader::StartElement) {
            const QStringView name = reader.name();
            if (name == u"s") {
                text +=
                    QString(Count(AttributeValue(reader.attributes(), u"c"), kMaxCellLength), u' ');
                xml.SkipElement();
            } else if (name == u"tab") {
                text += u'\t';
                xml.SkipElement();
            } else if (name == u"line-break") {
                text += u'\n';
                xml.SkipElement();
            } else if (name == u"annotation" || name == u"note" || name == u"frame") {
                xml.SkipElement();
            } else {
                ++depth; // a span, a link: their text is the paragraph's
            }
        }
        if (text.size() > kMaxCellLength)
            text.truncate(kMaxCellLength);
    }
    return text;
}
