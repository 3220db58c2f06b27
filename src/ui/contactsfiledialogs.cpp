#include "ui/contactsfiledialogs.h"

#include "contacts/columnmappingstore.h"
#include "contacts/contactsimport.h"
#include "contacts/contactsreport.h"
#include "settings/settingsstore.h"
#include "ui/logging.h"
#include "ui/tabledialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

const QString kVCardFilter = QStringLiteral("vCard 4.0 files (*.vcf)");
const QString kCsvFilter = QStringLiteral("CSV files (*.csv)");

// The folder the last contacts file was chosen in, where the next dialog
// opens, in a section of our own beside the window's values.
const QString kFolderSection = QStringLiteral("Contacts Files");
const QString kFolderEntry = QStringLiteral("Folder");

// Where the dialog opens. It is given to the dialog as it is made: made
// without one, the dialog would first list the folder any file dialog of
// the process was last in, such as /proc, whose files block a reader.
// The system's own trees hold no one's contacts, and listing them (/proc
// above all) may not end: a dialog never starts there, and a file typed
// there leaves the next dialog where it was.
bool IsSystemTree(const QString& folder) {
    const QString path = QDir(folder).absolutePath();
    for (const char* tree : {"/proc", "/sys", "/dev"}) {
        const QString root = QLatin1String(tree);
        if (path == root || path.startsWith(root + u'/'))
            return true;
    }
    return false;
}

QString StartFolder(const CSettingsStore& settings) {
    const QString folder = settings.GetProfileString(kFolderSection, kFolderEntry);
    return !folder.isEmpty() && !IsSystemTree(folder) && QFileInfo(folder).isDir()
               ? folder
               : QDir::homePath();
}

// Names a file's type by its name alone. Qt's provider reads the start of
// each file listed to tell its type, and a named pipe in the folder would
// hold the dialog for ever in that read.
class CTypeByNameIconProvider : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir())
            return QStringLiteral("Folder");
        return info.suffix().isEmpty() ? QStringLiteral("File")
                                       : QStringLiteral("%1 File").arg(info.suffix().toUpper());
    }
};

// Qt's own dialog, the same on every desktop, as the program's other
// dialogs are.
void SetUp(QFileDialog& dialog) {
    static CTypeByNameIconProvider icons;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
}

// The file chosen, its folder kept for the next dialog; empty when the
// dialog was cancelled.
QString ChosenFile(QFileDialog& dialog, CSettingsStore& settings) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString path = dialog.selectedFiles().constFirst();
    // A failed write is not reported, as with every stored value.
    if (const QString folder = QFileInfo(path).absolutePath(); !IsSystemTree(folder))
        settings.WriteProfileString(kFolderSection, kFolderEntry, folder);
    return path;
}

QString Count(qsizetype count, const char* one, const char* many) {
    return count == 1 ? QStringLiteral("1 %1").arg(QLatin1String(one))
                      : QStringLiteral("%1 %2").arg(count).arg(QLatin1String(many));
}

} // namespace

std::optional<ImportSource> AskImportFile(QWidget* owner, CSettingsStore& settings,
                                          const QString& title) {
    QFileDialog dialog(owner, title, StartFolder(settings));
    SetUp(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Contacts files (*.vcf *.vcard *.csv *.xlsx *.ods)"),
                           QStringLiteral("vCard files (*.vcf *.vcard)"), kCsvFilter,
                           QStringLiteral("Spreadsheets (*.xlsx *.ods)"),
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
    const QString path = ChosenFile(dialog, settings);
    if (path.isEmpty())
        return std::nullopt;
    return ImportSource{path, AddressChoice(choice->currentData().toInt())};
}

bool ReadContactsFile(QWidget* owner, CSettingsStore& settings, const QString& path,
                      CContactsImport& import) {
    const QString fileName = QFileInfo(path).fileName();
    // A sheet that a mapping given before reads counts as a list.
    import.SetMappingLookup(ColumnMappingLookupIn(settings));
    QList<WorkbookSheet> sheets = import.WorkbookSheets(path);
    import.SetMappingLookup({});
    sheets.removeIf([](const WorkbookSheet& sheet) { return sheet.hidden; });
    const auto readable = std::count_if(sheets.cbegin(), sheets.cend(),
                                        [](const WorkbookSheet& sheet) { return sheet.readable; });
    if (readable == 1) {
        import.SetSheet(std::find_if(sheets.cbegin(), sheets.cend(), [](const WorkbookSheet& s) {
                            return s.readable;
    })->name);
}
else if (sheets.size() > 1) {
    CSheetChooserDlg chooser(fileName, sheets, owner);
    if (chooser.exec() != QDialog::Accepted)
        return false;
    import.SetSheet(chooser.Sheet());
}
import.ReadFile(path);
const QList<SheetRow> rows = import.UnreadTableRows();
if (rows.isEmpty())
    return true;

// The columns are not known: the user says, starting from what was
// said before for the same header.
const QStringList header = HeaderOfRows(rows);
CColumnMappingDlg question(fileName, rows, header, RememberedColumnMapping(settings, header),
                           owner);
if (question.exec() != QDialog::Accepted)
    return false;
const CColumnMapping mapping = question.Mapping();
qCInfo(LogUi) << "columns of" << fileName << "mapped as" << mapping.ToText();
// A failed write is not reported, as with every stored value.
RememberColumnMapping(settings, header, mapping);
import.SetColumnMapping(mapping);
import.ReadFile(path);
return true;
}

std::optional<ExportTarget> AskExportFile(QWidget* owner, CSettingsStore& settings) {
    QFileDialog dialog(owner, QStringLiteral("Export Addresses"), StartFolder(settings));
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
    const QString path = ChosenFile(dialog, settings);
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

QString AddressLine(const QString& label, const QString& address) {
    QStringList lines = address.split(QStringLiteral("\r\n"));
    if (lines.size() > 1 && lines.constFirst().trimmed() == label.trimmed())
        lines.removeFirst();
    return lines.join(QStringLiteral(", "));
}

QStringList ProblemLines(const CContactsReport& report) {
    QStringList lines;
    for (const ContactsProblem& problem : report.Problems())
        lines.append(
            problem.line > 0
                ? QStringLiteral("Line %1: %2").arg(QString::number(problem.line), problem.message)
                : problem.message);
    if (report.ProblemsLeftOut() > 0)
        lines.append(QStringLiteral("%1 more, not listed.").arg(report.ProblemsLeftOut()));
    return lines;
}

MessageText ContactsFileMessage(const QStringList& done, const CContactsImport& import) {
    MessageText message;
    QStringList lines = done;
    QStringList details;
    const CContactsReport& report = import.Report();
    if (import.WithoutAddressCount() > 0) {
        lines.append(Count(import.WithoutAddressCount(), "contact has", "contacts have") +
                     QStringLiteral(" no address and could not be used."));
        details.append(QStringLiteral("Contacts without an address:"));
        details.append(import.WithoutAddress());
    }
    const qsizetype problems = report.Problems().size() + report.ProblemsLeftOut();
    if (problems > 0) {
        lines.append(QStringLiteral("The file has ") + Count(problems, "problem", "problems") +
                     QLatin1Char('.'));
        if (!details.isEmpty())
            details.append(QString());
        details.append(QStringLiteral("Problems in the file:"));
        details.append(ProblemLines(report));
    }
    if (!details.isEmpty())
        lines.append(QStringLiteral("Show Details lists them."));
    message.text = lines.join(QLatin1Char('\n'));
    message.details = details.join(QLatin1Char('\n'));
    return message;
}

QStringList ImportedLines(const ImportResult& result, const QString& fileName) {
    QStringList lines;
    lines.append(Count(result.added, "address", "addresses") +
                 (result.added == 1 ? QStringLiteral(" from %1 was added to the address book.")
                                    : QStringLiteral(" from %1 were added to the address book."))
                     .arg(fileName));
    if (result.renamed > 0)
        lines.append(QStringLiteral("%1 of them under a new label, as their label was taken.")
                         .arg(result.renamed));
    if (result.replaced > 0)
        lines.append(Count(result.replaced, "entry", "entries") +
                     QStringLiteral(" of the address book got the file's address."));
    if (result.labelTaken > 0)
        lines.append(Count(result.labelTaken, "contact was", "contacts were") +
                     QStringLiteral(" left out: the address book has their label already."));
    return lines;
}
