#include "contacts/xlsxworkbook.h"

#include "contacts/mergedcells.h"
#include "contacts/numberformat.h"
#include "contacts/zipxmlstream.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// Text in strings may carry characters XML cannot as "_x000D_".
QString DecodeEscapes(QString text) {
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString decoded;
    qsizetype from = 0;
    for (auto it = escape.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        decoded += QStringView(text).mid(from, match.capturedStart() - from);
        decoded += QChar(static_cast<char16_t>(match.captured(1).toUShort(nullptr, 16)));
        from = match.capturedEnd();
    }
    decoded += QStringView(text).mid(from);
    return decoded;
}

// A part named from another part's folder: "worksheets/sheet1.xml" from
// xl/, or an absolute "/xl/worksheets/sheet1.xml".
QString ResolvePart(const QString& base, const QString& target) {
    if (target.startsWith(u'/'))
        return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(base.isEmpty() ? target : base + u'/' + target);
}

QString Folder(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash);
}

// "B12" as column 1, row 12; -1 for what is not a cell reference.
std::pair<int, int> CellReference(QStringView reference) {
    qsizetype letters = 0;
    while (letters < reference.size() && reference[letters].isLetter())
        ++letters;
    bool ok = false;
    const int row = reference.mid(letters).toInt(&ok);
    return {ColumnOfLetters(reference.first(letters)), ok ? row : -1};
}

bool IsTrue(QStringView value) {
    return value == u"1" || value == u"true";
}

} // namespace

CXlsxWorkbook::Relationships CXlsxWorkbook::ReadRelationships(const QString& part,
                                                              const QString& base) {
    Relationships relationships;
    CZipXmlStream xml(Zip(), part);
    while (xml.Next() != QXmlStreamReader::Invalid) {
        if (!xml.Xml().isStartElement() || xml.Xml().name() != u"Relationship")
            continue;
        const QXmlStreamAttributes attributes = xml.Xml().attributes();
        if (AttributeValue(attributes, u"TargetMode") == u"External")
            continue;
        const QString target = ResolvePart(base, AttributeValue(attributes, u"Target").toString());
        relationships.targets.insert(AttributeValue(attributes, u"Id").toString(), target);
        const QString type = AttributeValue(attributes, u"Type").toString().section(u'/', -1);
        if (!relationships.byType.contains(type))
            relationships.byType.insert(type, target);
    }
    return relationships;
}

bool CXlsxWorkbook::Open() {
    QString workbook = ReadRelationships(QStringLiteral("_rels/.rels"), QString())
                           .byType.value(QStringLiteral("officeDocument"));
    if (workbook.isEmpty())
        workbook = QStringLiteral("xl/workbook.xml");
    if (workbook.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive))
        return Fail(QStringLiteral("it is a binary workbook (.xlsb); save it as .xlsx or .ods"));
    const QString folder = Folder(workbook);
    const Relationships parts = ReadRelationships(
        (folder.isEmpty() ? QString() : folder + u'/') + QStringLiteral("_rels/") +
            workbook.section(u'/', -1) + QStringLiteral(".rels"),
        folder);
    if (!ReadWorkbook(workbook))
        return false;
    // Sheets whose part is not a worksheet (a chart, a dialog) hold no rows.
    QList<SheetInfo> sheets;
    QList<QString> sheetParts;
    const QList<SheetInfo>& found = Sheets();
    for (qsizetype i = 0; i < found.size(); ++i) {
        const QString target = parts.targets.value(m_sheetParts[i]);
        if (target.isEmpty() || target.contains(QLatin1String("chartsheets")) ||
            target.contains(QLatin1String("dialogsheets")))
            continue;
        sheets.append(found[i]);
        sheetParts.append(target);
    }
    SetSheets(std::move(sheets));
    m_sheetParts = sheetParts;
    if (Sheets().isEmpty())
        return Fail(QStringLiteral("it holds no sheets"));
    const QString strings = parts.byType.value(QStringLiteral("sharedStrings"));
    const QString styles = parts.byType.value(QStringLiteral("styles"));
    return (strings.isEmpty() || ReadSharedStrings(strings)) &&
           (styles.isEmpty() || ReadStyles(styles));
}

bool CXlsxWorkbook::ReadWorkbook(const QString& part) {
    CZipXmlStream xml(Zip(), part);
    SetSheets({});
    m_sheetParts.clear();
    while (xml.Next() != QXmlStreamReader::Invalid) {
        if (!xml.Xml().isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.Xml().attributes();
        if (xml.Xml().name() == u"workbookPr") {
            m_epoch1904 = IsTrue(AttributeValue(attributes, u"date1904"));
        } else if (xml.Xml().name() == u"sheet") {
            const QStringView state = AttributeValue(attributes, u"state");
            AddSheet({AttributeValue(attributes, u"name").toString(),
                      state == u"hidden" || state == u"veryHidden"});
            // The id's attribute is in the relationships' namespace,
            // whatever prefix the file gives it.
            QString id;
            for (const QXmlStreamAttribute& attribute : attributes)
                if (attribute.name() == u"id")
                    id = attribute.value().toString();
            m_sheetParts.append(id);
        }
    }
    if (!xml.Error().isEmpty())
        return Fail(xml.Error());
    return true;
}

bool CXlsxWorkbook::ReadSharedStrings(const QString& part) {
    CZipXmlStream xml(Zip(), part);
    QString text;
    bool inString = false;
    int phonetic = 0; // inside a run of reading aids, not shown in the cell
    while (xml.Next() != QXmlStreamReader::Invalid) {
        QXmlStreamReader& reader = xml.Xml();
        if (reader.isStartElement()) {
            if (reader.name() == u"si") {
                inString = true;
                text.clear();
            } else if (reader.name() == u"rPh") {
                ++phonetic;
            } else if (reader.name() == u"t" && inString && phonetic == 0) {
                text += xml.ElementText();
            }
        } else if (reader.isEndElement()) {
            if (reader.name() == u"rPh") {
                --phonetic;
            } else if (reader.name() == u"si") {
                inString = false;
                m_strings += DecodeEscapes(text).toUtf8();
                m_stringEnds.push_back(m_strings.size());
            }
        }
    }
    if (!xml.Error().isEmpty())
        return Fail(xml.Error());
    return true;
}

bool CXlsxWorkbook::ReadStyles(const QString& part) {
    CZipXmlStream xml(Zip(), part);
    QHash<int, QString> codes;
    bool inCellFormats = false;
    while (xml.Next() != QXmlStreamReader::Invalid) {
        QXmlStreamReader& reader = xml.Xml();
        if (reader.isStartElement()) {
            const QXmlStreamAttributes attributes = reader.attributes();
            if (reader.name() == u"numFmt") {
                codes.insert(AttributeValue(attributes, u"numFmtId").toInt(),
                             AttributeValue(attributes, u"formatCode").toString());
            } else if (reader.name() == u"cellXfs") {
                inCellFormats = true;
            } else if (reader.name() == u"xf" && inCellFormats) {
                const int id = AttributeValue(attributes, u"numFmtId").toInt();
                m_styleFormats.append(CNumberFormat(
                    codes.contains(id) ? codes.value(id) : CNumberFormat::BuiltInCode(id),
                    m_epoch1904));
            }
        } else if (reader.isEndElement() && reader.name() == u"cellXfs") {
            inCellFormats = false;
        }
    }
    // A workbook whose styles cannot be read still has its cells: numbers
    // show as General.
    return true;
}

QString CXlsxWorkbook::SharedString(qsizetype index) const {
    if (index < 0 || index >= static_cast<qsizetype>(m_stringEnds.size()))
        return QString();
    const qsizetype start = index == 0 ? 0 : m_stringEnds[index - 1];
    return QString::fromUtf8(m_strings.constData() + start, m_stringEnds[index] - start);
}

QString CXlsxWorkbook::CellText(const QString& type, int style, const QString& value) const {
    static const CNumberFormat general;
    const CNumberFormat& format =
        style >= 0 && style < m_styleFormats.size() ? m_styleFormats[style] : general;
    if (type == u"s") {
        bool ok = false;
        const qsizetype index = value.trimmed().toLongLong(&ok);
        return ok ? format.FormatText(SharedString(index)) : QString();
    }
    if (type == u"str" || type == u"inlineStr" || type == u"e" || type == u"d")
        return type == u"e" ? value : DecodeEscapes(value);
    if (type == u"b")
        return IsTrue(value.trimmed()) ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        return value;
    // A workbook of the 1904 epoch without styles still counts its days so.
    return &format == &general ? CNumberFormat(QString(), m_epoch1904).Format(number)
                               : format.Format(number);
}

QList<CXlsxWorkbook::MergeRange> CXlsxWorkbook::ReadMerges(const QString& part) {
    // The merges follow the rows in the sheet, but each row needs them as
    // it is read: one quick pass over the sheet first.
    QList<MergeRange> merges;
    if (!CZipXmlStream(Zip(), part).Contains("mergeCell"))
        return merges;
    CZipXmlStream xml(Zip(), part);
    while (xml.Next() != QXmlStreamReader::Invalid) {
        QXmlStreamReader& reader = xml.Xml();
        if (!reader.isStartElement() || reader.name() != u"mergeCell")
            continue;
        const QStringList corners =
            AttributeValue(reader.attributes(), u"ref").toString().split(u':');
        if (corners.size() != 2 || merges.size() >= CMergedCells::kMaxMerges)
            continue;
        const auto [firstColumn, firstRow] = CellReference(corners[0]);
        const auto [lastColumn, lastRow] = CellReference(corners[1]);
        if (firstColumn >= 0 && lastColumn >= firstColumn)
            merges.append({firstRow, lastRow, firstColumn});
    }
    return merges;
}

bool CXlsxWorkbook::ReadRows(int sheet, const SheetRowSink& sink) {
    const QString part = m_sheetParts.value(sheet);
    if (!m_merges.contains(sheet))
        m_merges.insert(sheet, ReadMerges(part));
    CMergedCells merges;
    for (const MergeRange& merge : m_merges.value(sheet))
        merges.Add(merge.firstRow, merge.lastRow, merge.column);
    CZipXmlStream xml(Zip(), part);
    const bool whole = ReadSheetData(xml, merges, sink);
    if (whole && !xml.Error().isEmpty())
        return Fail(xml.Error());
    return true;
}

bool CXlsxWorkbook::ReadSheetData(CZipXmlStream& xml, CMergedCells& merges,
                                  const SheetRowSink& sink) {
    SheetRow row;
    int lastRow = 0;
    int column = -1;
    QString type;
    int style = 0;
    QString value;
    int phonetic = 0;
    bool inInline = false;
    while (xml.Next() != QXmlStreamReader::Invalid) {
        QXmlStreamReader& reader = xml.Xml();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            const QXmlStreamAttributes attributes = reader.attributes();
            if (name == u"row") {
                bool ok = false;
                const int number = AttributeValue(attributes, u"r").toInt(&ok);
                row = SheetRow();
                row.number = ok && number > lastRow ? number : lastRow + 1;
                row.hidden = IsTrue(AttributeValue(attributes, u"hidden"));
                column = -1;
            } else if (name == u"c") {
                const int referenced = CellReference(AttributeValue(attributes, u"r")).first;
                column = referenced >= 0 ? referenced : column + 1;
                type = AttributeValue(attributes, u"t").toString();
                style = AttributeValue(attributes, u"s").toInt();
                value.clear();
            } else if (name == u"v") {
                value = xml.ElementText();
            } else if (name == u"is") {
                inInline = true;
            } else if (name == u"rPh") {
                ++phonetic;
            } else if (name == u"t" && inInline && phonetic == 0) {
                value += xml.ElementText();
            } else if (name == u"f" || name == u"extLst") {
                xml.SkipElement();
            }
        } else if (reader.isEndElement()) {
            const QStringView name = reader.name();
            if (name == u"c") {
                SetCell(row, column,
                        CellText(inInline ? QStringLiteral("inlineStr") : type, style, value));
                inInline = false;
            } else if (name == u"rPh") {
                --phonetic;
            } else if (name == u"row") {
                lastRow = row.number;
                if (lastRow > kMaxRows)
                    return true;
                merges.Apply(row);
                if (!row.IsEmpty() && !sink(row))
                    return false;
            } else if (name == u"sheetData") {
                return true;
            }
        }
    }
    return true;
}
