#pragma once

#include "contacts/sheetrow.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>

class CWorkbookReader;
class QIODevice;
class CZipPackage;

// An .xlsx or .ods workbook, read with the zip package's parts unpacked a
// piece at a time: its sheets, and the rows of one, a row at a time, so
// that a sheet of any length takes little memory. A file that is not such
// a workbook, or is damaged, says why in Error(); nothing here raises.
class CSpreadsheet {
public:
    // A zip package, as .xlsx and .ods files are.
    static bool LooksLikeZip(QByteArrayView start);
    // An OLE compound file: a workbook protected by a password, or an older
    // binary .xls one.
    static bool LooksLikeCompoundFile(QByteArrayView start);

    // The device stays open, at any position, for as long as this lives.
    explicit CSpreadsheet(QIODevice& device);
    ~CSpreadsheet();
    CSpreadsheet(const CSpreadsheet&) = delete;
    CSpreadsheet& operator=(const CSpreadsheet&) = delete;

    bool IsOpen() const;
    // Why the workbook could not be opened or a sheet read; the message
    // finishes "the file ...", as "it is damaged".
    QString Error() const;
    QList<SheetInfo> Sheets() const;
    // The sheet whose name is `name`, ignoring case; -1 when none is.
    int SheetNamed(const QString& name) const;
    // Each row of the sheet that holds anything, in order; false when the
    // sheet could not be read to its end (Error() says why).
    bool ReadRows(int sheet, const SheetRowSink& sink);
    // What reading left out and why (a row repeated past reason).
    QStringList Notes() const;
    // The first rows that hold anything, for a look at a sheet.
    QList<SheetRow> FirstRows(int sheet, int count);

private:
    std::unique_ptr<CZipPackage> m_zip;
    std::unique_ptr<CWorkbookReader> m_reader;
    QString m_error;
};
