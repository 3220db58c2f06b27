#pragma once

#include "contacts/workbookreader.h"

#include <QSet>
#include <QString>

class CMergedCells;
class CZipXmlStream;

// An OpenDocument spreadsheet (.ods): every sheet is in its content part,
// each cell with the text it shows; repeated rows and cells come as one
// element with a count.
class COdsWorkbook : public CWorkbookReader {
public:
    using CWorkbookReader::CWorkbookReader;
    // A row that holds text is repeated at most so many times: more is
    // damage, or a file made to keep a reader busy.
    static constexpr int kMaxRepeatedRows = 1000;

    bool Open() override;
    bool ReadRows(int sheet, const SheetRowSink& sink) override;

private:
    // How many times a row is read, and a note where that is fewer than
    // the file says.
    int AllowedRepeats(const SheetRow& row, int repeat);
    // Reads up to the start of the sheet's table; false when there is none.
    static bool SeekTable(CZipXmlStream& xml, int sheet);
    // Reads the row just started, its cells' texts at their columns.
    void ReadRow(CZipXmlStream& xml, SheetRow& row, CMergedCells& merges);
    // The text of the cell just started, as it shows it.
    static QString CellText(CZipXmlStream& xml);
    static QString ParagraphText(CZipXmlStream& xml);
};
