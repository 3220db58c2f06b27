#include "ui/contactsfiledialogs.h"

#include "contacts/contactsimport.h"
#include "contacts/contactsreport.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

// More would make the message taller than the screen.
constexpr int kProblemsShown = 10;

const QString kVCardFilter = QStringLiteral("vCard 4.0 files (*.vcf)");
const QString kCsvFilter = QStringLiteral("CSV files (*.csv)");

// The folder the last contacts file was chosen in, where the next dialog
// opens, for as long as the program runs.
QString& LastFolder() {
    static QString folder = QDir::homePath();
    return folder;
}

// Qt's own dialog, the same on every desktop, as the program's other
// dialogs are.
void SetUp(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(LastFolder());
}

// The file chosen, its folder kept for the next dialog; empty when the
// dialog was cancelled.
QString ChosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString path = dialog.selectedFiles().constFirst();
    LastFolder() = QFileInfo(path).absolutePath();
    return path;
}

} // namespace

std::optional<ImportSource> AskImportFile(QWidget* owner) {
    QFileDialog dialog(owner, QStringLiteral("Import Addresses"));
    SetUp(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Contacts files (*.vcf *.vcard *.csv)"),
                           QStringLiteral("vCard files (*.vcf *.vcard)"), kCsvFilter,
                           QStringLiteral("All files (*)")});
    // Qt's own dialog lays itself out in a grid; the choice goes in a row
    // of its own below the file types.
    auto* choice = new QComboBox(&dialog);
    choice->setObjectName(QStringLiteral("addressChoice"));
    choice->addItem(QStringLiteral("Preferred"), int(AddressChoice::Preferred));
    choice->addItem(QStringLiteral("Home"), int(AddressChoice::Home));
    choice->addItem(QStringLiteral("Work"), int(AddressChoice::Work));
    auto* label = new QLabel(QStringLiteral("&Address:"), &dialog);
    label->setBuddy(choice);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(choice, row, 1);
    }
    const QString path = ChosenFile(dialog);
    if (path.isEmpty())
        return std::nullopt;
    return ImportSource{path, AddressChoice(choice->currentData().toInt())};
}

std::optional<ExportTarget> AskExportFile(QWidget* owner) {
    QFileDialog dialog(owner, QStringLiteral("Export Addresses"));
    SetUp(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({kVCardFilter, kCsvFilter});
    // A name typed without an extension gets the chosen filter's.
    dialog.setDefaultSuffix(QStringLiteral("vcf"));
    // A name to start from, which follows the file type while untouched.
    const QString suggested = QStringLiteral("Addresses.");
    dialog.selectFile(suggested + dialog.defaultSuffix());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const QString suffix = filter == kCsvFilter ? QStringLiteral("csv") : QStringLiteral("vcf");
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name && name->text() == suggested + dialog.defaultSuffix())
            name->setText(suggested + suffix);
        dialog.setDefaultSuffix(suffix);
    });
    const QString path = ChosenFile(dialog);
    if (path.isEmpty())
        return std::nullopt;

    ExportTarget target;
    target.path = path;
    const QString suffix = QFileInfo(target.path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        target.format = ContactsFormat::Csv;
    else if (suffix == QLatin1String("vcf") || suffix == QLatin1String("vcard"))
        target.format = ContactsFormat::VCard;
    else
        target.format =
            dialog.selectedNameFilter() == kCsvFilter ? ContactsFormat::Csv : ContactsFormat::VCard;
    return target;
}

QString ImportMessage(const ImportResult& result, const CContactsReport& report) {
    QString message = result.Summary();
    if (report.IsClean())
        return message;
    // Lines() ends with a count of the problems it left out; the count here
    // covers those too.
    const qsizetype listed = qMin<qsizetype>(report.Problems().size(), kProblemsShown);
    const qsizetype total = report.Problems().size() + report.ProblemsLeftOut();
    message += QStringLiteral("\n\nProblems in the file:\n");
    message += report.Lines().first(listed).join(QLatin1Char('\n'));
    if (total > listed)
        message += QStringLiteral("\n... and %1 more").arg(total - listed);
    return message;
}
