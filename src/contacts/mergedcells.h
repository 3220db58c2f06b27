#pragma once

#include "contacts/sheetrow.h"

#include <QList>

// Cells merged over several rows: a person sees the first row's value on
// every row the merge covers (the town of a family of three), so each of
// those rows gets it. A merge over several columns shows its value once,
// in its first column, as the sheet holds it.
class CMergedCells {
public:
    // At most this many merges of a sheet are kept.
    static constexpr qsizetype kMaxMerges = 100000;

    void Add(int firstRow, int lastRow, int column);
    // Takes the value of a merge's first row, and gives it to the rows
    // below that the merge covers. Rows come in order.
    void Apply(SheetRow& row);

private:
    struct Merge {
        int firstRow = 0;
        int lastRow = 0;
        int column = 0;
        QString value;
    };
    // Merges not reached yet, by their first row, and those under way.
    QList<Merge> m_pending;
    qsizetype m_nextPending = 0;
    bool m_sorted = true;
    QList<Merge> m_active;
};
