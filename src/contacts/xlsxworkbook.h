#pragma once

#include "contacts/numberformat.h"
#include "contacts/workbookreader.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

class CMergedCells;
class CZipXmlStream;

// An Office Open XML workbook (.xlsx, .xlsm): the workbook part and its
// relationships name the sheets; shared strings and the cell styles' number
// formats are read once; a sheet is read a row at a time.
class CXlsxWorkbook : public CWorkbookReader {
public:
    using CWorkbookReader::CWorkbookReader;

    bool Open() override;
    bool ReadRows(int sheet, const SheetRowSink& sink) override;

private:
    // Where the parts a relationships part names are, by their ids; and
    // the part of each type the relationships hold.
    struct Relationships {
        QHash<QString, QString> targets;
        QHash<QString, QString> byType; // last segment of the type: "worksheet"
    };

    Relationships ReadRelationships(const QString& part, const QString& base);
    bool ReadWorkbook(const QString& part);
    bool ReadSharedStrings(const QString& part);
    bool ReadStyles(const QString& part);
    struct MergeRange {
        int firstRow = 0;
        int lastRow = 0;
        int column = 0;
    };
    QList<MergeRange> ReadMerges(const QString& part);
    QString SharedString(qsizetype index) const;
    QString CellText(const QString& type, int style, const QString& value) const;
    bool ReadSheetData(CZipXmlStream& xml, CMergedCells& merges, const SheetRowSink& sink);

    QList<QString> m_sheetParts;
    bool m_epoch1904 = false;
    // The shared strings packed end to end as UTF-8: a sheet of 100,000
    // rows may hold half a million of them.
    QByteArray m_strings;
    std::vector<qsizetype> m_stringEnds;
    // The number format of each cell style.
    QList<CNumberFormat> m_styleFormats;
    // The merges of each sheet read so far, found in a pass of their own.
    QHash<int, QList<MergeRange>> m_merges;
};
