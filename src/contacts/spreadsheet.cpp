#include "contacts/spreadsheet.h"

#include "contacts/odsworkbook.h"
#include "contacts/workbookreader.h"
#include "contacts/xlsxworkbook.h"
#include "contacts/zippackage.h"

#include <QIODevice>

QString ColumnLetters(int column) {
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

int ColumnOfLetters(QStringView letters) {
    if (letters.isEmpty() || letters.size() > 3)
        return -1;
    int column = 0;
    for (const QChar c : letters) {
        const QChar upper = c.toUpper();
        if (upper < u'A' || upper > u'Z')
            return -1;
        column = column * 26 + (upper.unicode() - u'A' + 1);
    }
    return column - 1;
}

void CWorkbookReader::SetCell(SheetRow& row, int column, QString text) {
    if (column < 0 || column >= kMaxColumns || text.isEmpty())
        return;
    if (text.size() > kMaxCellLength)
        text.truncate(text[kMaxCellLength].isLowSurrogate() ? kMaxCellLength - 1 : kMaxCellLength);
    while (row.cells.size() <= column)
        row.cells.append(QString());
    row.cells[column] = std::move(text);
}

bool CSpreadsheet::LooksLikeZip(QByteArrayView start) {
    return start.startsWith("PK\x03\x04") || start.startsWith("PK\x05\x06");
}

bool CSpreadsheet::LooksLikeCompoundFile(QByteArrayView start) {
    return start.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

CSpreadsheet::CSpreadsheet(QIODevice& device) : m_zip(std::make_unique<CZipPackage>(device)) {
    if (LooksLikeCompoundFile(device.peek(8))) {
        m_error = QStringLiteral("it is protected by a password, or an older Excel workbook "
                                 "(.xls); save it without a password as .xlsx or .ods");
        return;
    }
    if (!m_zip->Open()) {
        m_error = QStringLiteral("it is damaged: it is not a whole zip package");
        return;
    }
    const QStringList names = m_zip->Names();
    const auto has = [&](const char* name) {
        return names.contains(QLatin1String(name), Qt::CaseInsensitive);
    };
    if (has("content.xml"))
        m_reader = std::make_unique<COdsWorkbook>(*m_zip);
    else if (has("_rels/.rels") || has("xl/workbook.xml"))
        m_reader = std::make_unique<CXlsxWorkbook>(*m_zip);
    if (!m_reader) {
        m_error = names.contains(QStringLiteral("xl/vbaProject.bin"), Qt::CaseInsensitive)
                      ? QStringLiteral("it holds macros but no sheets")
                      : QStringLiteral("it is a zip package, but not an .xlsx or .ods workbook");
        return;
    }
    if (!m_reader->Open()) {
        m_error = m_reader->Error();
        m_reader.reset();
    }
}

CSpreadsheet::~CSpreadsheet() {
    // The readers' parts close before the package does.
    m_reader.reset();
}

bool CSpreadsheet::IsOpen() const {
    return m_reader != nullptr;
}

QString CSpreadsheet::Error() const {
    return m_error;
}

QList<SheetInfo> CSpreadsheet::Sheets() const {
    return m_reader ? m_reader->Sheets() : QList<SheetInfo>();
}

int CSpreadsheet::SheetNamed(const QString& name) const {
    const QList<SheetInfo> sheets = Sheets();
    for (qsizetype i = 0; i < sheets.size(); ++i)
        if (sheets[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

bool CSpreadsheet::ReadRows(int sheet, const SheetRowSink& sink) {
    if (!m_reader || sheet < 0 || sheet >= m_reader->Sheets().size())
        return false;
    if (m_reader->ReadRows(sheet, sink))
        return true;
    m_error = m_reader->Error();
    return false;
}

QStringList CSpreadsheet::Notes() const {
    return m_reader ? m_reader->Notes() : QStringList();
}

QList<SheetRow> CSpreadsheet::FirstRows(int sheet, int count) {
    QList<SheetRow> rows;
    if (count > 0)
        ReadRows(sheet, [&](const SheetRow& row) {
            rows.append(row);
            return rows.size() < count;
        });
    return rows;
}
