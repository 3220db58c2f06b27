#pragma once

#include "contacts/sheetrow.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class CZipPackage;

// What reads one kind of workbook: its sheets, and the rows of one. Made by
// CSpreadsheet for the kind of package it finds.
class CWorkbookReader {
public:
    // No sheet has more rows, no row more columns: what lies beyond is not
    // read.
    static constexpr int kMaxRows = 1 << 20;
    static constexpr int kMaxColumns = 1024;
    // A cell holds at most this many characters; the rest is cut.
    static constexpr int kMaxCellLength = 32767;

    explicit CWorkbookReader(CZipPackage& zip) : m_zip(zip) {}
    virtual ~CWorkbookReader() = default;
    CWorkbookReader(const CWorkbookReader&) = delete;
    CWorkbookReader& operator=(const CWorkbookReader&) = delete;

    // Reads what the workbook says of itself; false with Error() set.
    virtual bool Open() = 0;
    const QList<SheetInfo>& Sheets() const { return m_sheets; }
    // false with Error() set when the sheet could not be read to its end.
    virtual bool ReadRows(int sheet, const SheetRowSink& sink) = 0;
    const QString& Error() const { return m_error; }
    // What was left out on the way and why, one sentence each.
    const QStringList& Notes() const { return m_notes; }

protected:
    // Puts a cell's text at its column, cut to the limits.
    static void SetCell(SheetRow& row, int column, QString text);

    CZipPackage& Zip() const { return m_zip; }
    void SetSheets(QList<SheetInfo> sheets) { m_sheets = std::move(sheets); }
    void AddSheet(SheetInfo sheet) { m_sheets.append(std::move(sheet)); }
    // Sets Error() and returns false, for the reader to return.
    bool Fail(QString error) {
        m_error = std::move(error);
        return false;
    }
    void AddNote(QString note) { m_notes.append(std::move(note)); }
    void ClearNotes() { m_notes.clear(); }

private:
    CZipPackage& m_zip;
    QList<SheetInfo> m_sheets;
    QString m_error;
    QStringList m_notes;
};
