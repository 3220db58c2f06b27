#include "samplesheet.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

const char* const kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/></Types>)";
const char* const kRootRelationships =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
const char* const kWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Contacts" sheetId="1" r:id="rId1"/></sheets></workbook>)";
const char* const kWorkbookRelationships =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>)";
const char* const kStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="1"><numFmt numFmtId="164" formatCode="00000"/></numFmts><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts><fills count="1"><fill><patternFill patternType="none"/></fill></fills><borders count="1"><border/></borders><cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs><cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/><xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/></cellXfs></styleSheet>)";

bool WritePart(QuaZip& zip, const QString& name, const QByteArray& bytes) {
    QuaZipFile part(&zip);
    return part.open(QIODevice::WriteOnly, QuaZipNewInfo(name)) &&
           part.write(bytes) == bytes.size() && (part.close(), part.getZipError() == 0);
}

QString ColumnName(int column) {
    return QString(QChar(u'A' + column));
}

} // namespace

bool WriteSampleXlsx(const QString& path, const QByteArray& csv) {
    QHash<QString, int> stringIndex;
    QByteArray strings;
    QByteArray sheet = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
    int rowNumber = 0;
    for (const QByteArray& line : csv.split('\n')) {
        if (line.isEmpty())
            continue;
        ++rowNumber;
        sheet += "<row r=\"" + QByteArray::number(rowNumber) + "\">";
        const QList<QByteArray> cells = line.split(',');
        for (int column = 0; column < cells.size(); ++column) {
            const QString text = QString::fromUtf8(cells[column]);
            const QByteArray reference = (ColumnName(column) + QString::number(rowNumber)).toUtf8();
            bool number = false;
            text.toInt(&number);
            if (number && rowNumber > 1) {
                sheet += "<c r=\"" + reference + "\" s=\"1\"><v>" + cells[column] + "</v></c>";
                continue;
            }
            auto found = stringIndex.find(text);
            if (found == stringIndex.end()) {
                found = stringIndex.insert(text, static_cast<int>(stringIndex.size()));
                strings += "<si><t>" + text.toHtmlEscaped().toUtf8() + "</t></si>";
            }
            sheet +=
                "<c r=\"" + reference + "\" t=\"s\"><v>" + QByteArray::number(*found) + "</v></c>";
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    const QByteArray shared =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" uniqueCount=")" +
        QByteArray::number(stringIndex.size()) + "\">" + strings + "</sst>";

    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    const bool written =
        WritePart(zip, QStringLiteral("[Content_Types].xml"), kContentTypes) &&
        WritePart(zip, QStringLiteral("_rels/.rels"), kRootRelationships) &&
        WritePart(zip, QStringLiteral("xl/workbook.xml"), kWorkbook) &&
        WritePart(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), kWorkbookRelationships) &&
        WritePart(zip, QStringLiteral("xl/styles.xml"), kStyles) &&
        WritePart(zip, QStringLiteral("xl/sharedStrings.xml"), shared) &&
        WritePart(zip, QStringLiteral("xl/worksheets/sheet1.xml"), sheet);
    zip.close();
    return written && zip.getZipError() == 0;
}
