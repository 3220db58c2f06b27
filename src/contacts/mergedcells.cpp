#include "contacts/mergedcells.h"

#include <algorithm>

void CMergedCells::Add(int firstRow, int lastRow, int column) {
    if (lastRow <= firstRow || column < 0 || m_pending.size() >= kMaxMerges)
        return;
    if (!m_pending.isEmpty() && m_pending.back().firstRow > firstRow)
        m_sorted = false;
    m_pending.append({firstRow, lastRow, column, QString()});
}

void CMergedCells::Apply(SheetRow& row) {
    if (!m_sorted) {
        std::stable_sort(m_pending.begin() + m_nextPending, m_pending.end(),
                         [](const Merge& a, const Merge& b) { return a.firstRow < b.firstRow; });
        m_sorted = true;
    }
    m_active.removeIf([&](const Merge& merge) { return merge.lastRow < row.number; });
    while (m_nextPending < m_pending.size() && m_pending[m_nextPending].firstRow <= row.number) {
        Merge merge = m_pending[m_nextPending++];
        // A merge whose first row holds nothing gives nothing.
        if (merge.firstRow == row.number && merge.lastRow >= row.number) {
            merge.value = row.cells.value(merge.column);
            if (!merge.value.isEmpty())
                m_active.append(merge);
        }
    }
    for (const Merge& merge : std::as_const(m_active)) {
        if (merge.firstRow >= row.number)
            continue;
        while (row.cells.size() <= merge.column)
            row.cells.append(QString());
        row.cells[merge.column] = merge.value;
    }
}
