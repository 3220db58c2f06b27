#pragma once

#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>

// One sheet of a workbook as its tabs list it.
struct SheetInfo {
    QString name;
    bool hidden = false;
};

// One row of a sheet, each cell as the user sees it: numbers through their
// number format, dates as text, rich text runs joined, the lines of a cell
// joined by "\n". cells[0] is column A; empty cells at the end are left
// out.
struct SheetRow {
    int number = 0; // as the sheet numbers its rows, from 1
    QStringList cells;
    bool hidden = false;

    bool IsEmpty() const {
        return std::all_of(cells.cbegin(), cells.cend(),
                           [](const QString& cell) { return cell.trimmed().isEmpty(); });
    }
};

// Takes each row that holds anything, in order; false stops the reading.
using SheetRowSink = std::function<bool(const SheetRow& row)>;

// The letters a spreadsheet shows for a column: 0 is A, 26 is AA; and the
// column of such letters, -1 when they are none.
QString ColumnLetters(int column);
int ColumnOfLetters(QStringView letters);
