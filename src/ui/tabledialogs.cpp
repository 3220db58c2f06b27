#include "ui/tabledialogs.h"

#include "ui/dialogbuttons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kSheetHelp = QStringLiteral("spreadsheets.html#sheets");
const QString kColumnsHelp = QStringLiteral("spreadsheets.html#columns");

// OK, Cancel and Help, the last from its button or F1 opening the page.
QDialogButtonBox* Buttons(QDialog* dialog, const QString& page) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Help);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Help)->setAutoDefault(false);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    ConnectHelp(*dialog, *buttons, page);
    return buttons;
}

QLabel* PlainLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

qsizetype FilledCells(const QStringList& cells) {
    return std::count_if(cells.cbegin(), cells.cend(),
                         [](const QString& cell) { return !cell.trimmed().isEmpty(); });
}

// How the fields are asked for, in MappedField's order.
struct FieldQuestion {
    MappedField field;
    const char* label;
};
const FieldQuestion kFields[] = {
    {MappedField::Name, "&Name:"},
    {MappedField::Organization, "&Organization:"},
    {MappedField::Street, "&Street:"},
    {MappedField::Locality, "&Town or city:"},
    {MappedField::Region, "&Region or state:"},
    {MappedField::Postcode, "&Postcode:"},
    {MappedField::Country, "&Country:"},
};

// As many columns as the widest of the rows and the header.
int ColumnCount(const QList<SheetRow>& rows, const QStringList& header) {
    int columns = 0;
    for (const SheetRow& row : rows)
        columns = qMax(columns, int(row.cells.size()));
    return qMax(columns, int(header.size()));
}

QStringList LettersOfColumns(int columns) {
    QStringList letters;
    for (int column = 0; column < columns; ++column)
        letters.append(ColumnLetters(column));
    return letters;
}

// The rows as the list has them, a column to each of the letters, under
// their numbers.
QTableWidget* RowsTable(const QList<SheetRow>& rows, const QStringList& letters) {
    const int columns = int(letters.size());
    auto* table = new QTableWidget(int(rows.size()), columns);
    table->setObjectName(QStringLiteral("rows"));
    table->setAccessibleName(QStringLiteral("The first rows of the list"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->setHorizontalHeaderLabels(letters);
    QStringList numbers;
    for (int row = 0; row < rows.size(); ++row) {
        numbers.append(QString::number(rows[row].number));
        for (int column = 0; column < rows[row].cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(rows[row].cells[column].simplified()));
    }
    table->setVerticalHeaderLabels(numbers);
    table->resizeColumnsToContents();
    for (int column = 0; column < columns; ++column)
        table->setColumnWidth(column, qMin(table->columnWidth(column), 200));
    return table;
}

// Each column by its letters and its header's text.
QStringList ColumnChoices(const QStringList& header, const QStringList& letters) {
    QStringList choices;
    for (int column = 0; column < letters.size(); ++column) {
        const QString text = header.value(column).simplified();
        choices.append(text.isEmpty() ? letters[column]
                                      : QStringLiteral("%1: %2").arg(letters[column], text));
    }
    return choices;
}

} // namespace

QStringList HeaderOfRows(const QList<SheetRow>& rows) {
    for (const SheetRow& row : rows)
        if (FilledCells(row.cells) > 1)
            return row.cells;
    return rows.isEmpty() ? QStringList() : rows.constFirst().cells;
}

CSheetChooserDlg::CSheetChooserDlg(const QString& fileName, const QList<WorkbookSheet>& sheets,
                                   QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Choose a Sheet"));
    const bool anyReads = std::any_of(sheets.cbegin(), sheets.cend(),
                                      [](const WorkbookSheet& sheet) { return sheet.readable; });
    auto* question = PlainLabel(
        anyReads ? QStringLiteral("Several sheets of %1 hold a list of addresses. Which one "
                                  "should be read?")
                       .arg(fileName)
                 : QStringLiteral("No sheet of %1 has a header row that this program knows. "
                                  "Which sheet holds the addresses? You can say what its "
                                  "columns hold next.")
                       .arg(fileName));

    m_sheets = new QListWidget;
    m_sheets->setObjectName(QStringLiteral("sheets"));
    m_sheets->setAccessibleName(QStringLiteral("Sheets"));
    int first = -1;
    for (const WorkbookSheet& sheet : sheets) {
        auto* item =
            new QListWidgetItem(sheet.readable && !sheet.name.isEmpty()
                                    ? QStringLiteral("%1  (a list of addresses)").arg(sheet.name)
                                    : sheet.name,
                                m_sheets);
        item->setData(Qt::UserRole, sheet.name);
        if (first < 0 && sheet.readable)
            first = m_sheets->count() - 1;
    }
    m_sheets->setCurrentRow(qMax(first, 0));
    auto* label = new QLabel(QStringLiteral("&Sheets:"));
    label->setBuddy(m_sheets);

    QDialogButtonBox* buttons = Buttons(this, kSheetHelp);
    // A double click chooses, as Enter does.
    connect(m_sheets, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(label);
    layout->addWidget(m_sheets, 1);
    layout->addWidget(buttons);
    m_sheets->setFocus();
}

QString CSheetChooserDlg::Sheet() const {
    const QListWidgetItem* item = m_sheets->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

CColumnMappingDlg::CColumnMappingDlg(const QString& fileName, const QList<SheetRow>& rows,
                                     const QStringList& header,
                                     const std::optional<CColumnMapping>& start, QWidget* parent)
    : QDialog(parent), m_header(header) {
    setWindowTitle(QStringLiteral("Columns of the List"));
    auto* question = PlainLabel(
        QStringLiteral("This program does not know the columns of %1. Say which column holds "
                       "each part of the address; the choice is remembered for lists with the "
                       "same header.")
            .arg(fileName));

    const QStringList letters = LettersOfColumns(ColumnCount(rows, header));
    QTableWidget* table = RowsTable(rows, letters);
    auto* rowsLabel = new QLabel(QStringLiteral("The &first rows:"));
    rowsLabel->setBuddy(table);
    QFormLayout* form = MakeFieldBoxes(ColumnChoices(header, letters));
    if (start)
        Offer(*start);

    m_hint = PlainLabel(QStringLiteral("Choose the column of the name or the organization, and "
                                       "that of the street or the town."));
    m_hint->setObjectName(QStringLiteral("hint"));
    m_buttons = Buttons(this, kColumnsHelp);
    for (QComboBox* combo : std::as_const(m_fields))
        connect(combo, &QComboBox::currentIndexChanged, this, &CColumnMappingDlg::UpdateOk);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(rowsLabel);
    layout->addWidget(table, 1);
    layout->addLayout(form);
    layout->addWidget(m_hint);
    layout->addWidget(m_buttons);
    resize(640, 520);
    UpdateOk();
    m_fields.constFirst()->setFocus();
}

QFormLayout* CColumnMappingDlg::MakeFieldBoxes(const QStringList& choices) {
    auto* form = new QFormLayout;
    for (const FieldQuestion& question : kFields) {
        auto* combo = new QComboBox;
        combo->setObjectName(CColumnMapping::FieldName(question.field));
        combo->addItem(QStringLiteral("(none)"), -1);
        for (int column = 0; column < choices.size(); ++column)
            combo->addItem(choices[column], column);
        form->addRow(QLatin1String(question.label), combo);
        m_fields.append(combo);
    }
    return form;
}

void CColumnMappingDlg::Offer(const CColumnMapping& start) {
    // What was given before for this header, as far as it still names
    // columns of it.
    QStringList missing;
    const QList<int> found = start.Resolve(m_header, &missing);
    for (qsizetype i = 0; i < found.size(); ++i) {
        QComboBox* combo = m_fields[qsizetype(start.Entries()[i].field)];
        if (found[i] >= 0 && combo->currentIndex() == 0)
            combo->setCurrentIndex(combo->findData(found[i]));
    }
}

int CColumnMappingDlg::Column(MappedField field) const {
    return m_fields[qsizetype(field)]->currentData().toInt();
}

void CColumnMappingDlg::UpdateOk() {
    const bool named = Column(MappedField::Name) >= 0 || Column(MappedField::Organization) >= 0;
    const bool placed = Column(MappedField::Street) >= 0 || Column(MappedField::Locality) >= 0;
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(named && placed);
    m_hint->setVisible(!(named && placed));
}

CColumnMapping CColumnMappingDlg::Mapping() const {
    CColumnMapping mapping;
    for (const FieldQuestion& question : kFields) {
        const int column = Column(question.field);
        if (column < 0)
            continue;
        // A header text that two columns share, or none, names nothing
        // alone: the letters do.
        const QString text = m_header.value(column).simplified();
        const auto same = std::count_if(m_header.cbegin(), m_header.cend(), [&](const QString& h) {
            return h.simplified().compare(text, Qt::CaseInsensitive) == 0;
        });
        mapping.Add(question.field, !text.isEmpty() && same == 1 ? text : ColumnLetters(column));
    }
    return mapping;
}
