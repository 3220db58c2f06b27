#include "ui/importplanmodel.h"

#include "addressbook/addressbook.h"
#include "ui/contactsfiledialogs.h"

CImportPlanModel::CImportPlanModel(const CContactsImport& import, const CAddressBook& book,
                                   QObject* parent)
    : QAbstractTableModel(parent), m_import(import), m_book(book) {}

void CImportPlanModel::Plan(DuplicateLabels policy) {
    beginResetModel();
    m_rows.clear();
    m_counts = Counts();
    m_counts.leftOut = m_import.WithoutAddressCount();
    const QList<CAddress>& entries = m_import.Entries();
    const QList<MergeStep> steps = m_import.PlanMerge(m_book, policy);
    m_rows.reserve(steps.size() + m_import.WithoutAddress().size());
    for (qsizetype i = 0; i < steps.size(); ++i)
        m_rows.append({entries[i].m_strLabel, What(steps[i]), entries[i].m_strAddress});
    for (const QString& label : m_import.WithoutAddress())
        m_rows.append({label, QStringLiteral("Left out: no address"), QString()});
    endResetModel();
}

QString CImportPlanModel::What(const MergeStep& step) {
    switch (step.kind) {
    case MergeStep::Kind::Add:
        ++m_counts.added;
        return QStringLiteral("Added");
    case MergeStep::Kind::Rename:
        ++m_counts.added;
        return QStringLiteral("Added as \u201c%1\u201d").arg(step.label);
    case MergeStep::Kind::Replace:
        ++m_counts.replaced;
        // The address that goes, so that nothing is lost unseen.
        return step.bookIndex >= 0
                   ? QStringLiteral("Replaces \u201c%1\u201d")
                         .arg(AddressLine(step.label, m_book.GetAt(step.bookIndex).m_strAddress))
                   : QStringLiteral("Replaces the file's earlier address");
    case MergeStep::Kind::Skip:
        break;
    }
    ++m_counts.leftOut;
    return step.identical ? QStringLiteral("Left out: the address book has it already")
                          : QStringLiteral("Left out: the label is taken");
}

int CImportPlanModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CImportPlanModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kAddressColumn + 1;
}

QVariant CImportPlanModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const Row& row = m_rows[index.row()];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case kLabelColumn:
            return row.label;
        case kWhatColumn:
            return row.what;
        default:
            return row.address.isEmpty() ? QString() : AddressLine(row.label, row.address);
        }
    }
    if (role == Qt::ToolTipRole && index.column() == kAddressColumn && !row.address.isEmpty())
        return row.address;
    return QVariant();
}

QVariant CImportPlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case kLabelColumn:
        return QStringLiteral("Label");
    case kWhatColumn:
        return QStringLiteral("What happens");
    case kAddressColumn:
        return QStringLiteral("Address");
    default:
        return QVariant();
    }
}
