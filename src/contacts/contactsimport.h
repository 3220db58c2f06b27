#pragma once

#include "addressbook/address.h"
#include "contacts/addressformatter.h"
#include "contacts/columnmapping.h"
#include "contacts/contactsreport.h"
#include "contacts/sheetrow.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class CAddressBook;
class CSpreadsheet;
class QIODevice;

// What to do with a contact whose label the book already holds.
enum class DuplicateLabels {
    Skip,    // leave the contact out
    Replace, // give the book's entry the contact's address
    Rename,  // add it as "Smith (2)", "Smith (3)"...
};

// What a merge will do with one entry of a file.
struct MergeStep {
    enum class Kind { Add, Rename, Replace, Skip };
    Kind kind = Kind::Add;
    // The label it is added under (Rename) or whose address it replaces.
    QString label;
    // Replace: the book's entry, or -1 for an entry of the same file added
    // before it, at addedIndex among those added.
    int bookIndex = -1;
    qsizetype addedIndex = -1;
    // Skip: the book's entry of that label has this very address, so that
    // whatever the policy, adding it would make a copy.
    bool identical = false;
};

// A sheet of a workbook, as the user chooses among them.
struct WorkbookSheet {
    QString name;
    bool hidden = false;
    // Its header row reads, by names the program knows or by the column
    // mapping given or remembered.
    bool readable = false;
};

// What an import did to the book.
struct ImportResult {
    int added = 0; // renamed ones included
    int renamed = 0;
    int replaced = 0;
    int labelTaken = 0; // left out because the label was in the book
    int identical = 0;  // left out as the book has them, label and address
    int withoutAddress = 0;
    QStringList withoutAddressNames; // the first few of them
    int withoutName = 0;

    // The whole result in a few lines, for a message or a terminal.
    QString Summary() const;
};

// Reads a contacts file into address book entries, one per contact with an
// address, and merges them into a book.
class CContactsImport {
public:
    static constexpr int kNamesListed = 5;
    // Larger files are refused rather than read.
    static constexpr qint64 kMaxFileSize = 256 << 20;
    // The most characters a label or an address text takes from a file.
    static constexpr int kMaxTextLength = 4096;

    // userCountry: ISO 3166 code of the user's country; addresses there get
    // no country line. choice: which address of a contact that has several
    // becomes its entry.
    explicit CContactsImport(const QString& userCountry,
                             AddressChoice choice = AddressChoice::Preferred);

    // A column mapping for a table whose header the program does not know
    // (CSV or a sheet), and where mappings given before are looked up.
    void SetColumnMapping(const std::optional<CColumnMapping>& mapping) { m_mapping = mapping; }
    void SetMappingLookup(ColumnMappingLookup lookup) { m_lookup = std::move(lookup); }
    // The sheet of a workbook to read, by its name; without one, the first
    // shown sheet whose header the program knows or a mapping reads.
    void SetSheet(const QString& name) { m_sheet = name; }

    // The sheets of a workbook file, each looked at only as far as its
    // header; empty for a file that is no workbook or cannot be opened as
    // one (ReadFile then says why). A file that cannot be read raises
    // CFileException.
    QList<WorkbookSheet> WorkbookSheets(const QString& path) const;

    // Reads a vCard, CSV, .xlsx or .ods file, told apart by its content
    // (then by its name). A file that cannot be read raises
    // CFileException; problems inside it go to Report().
    void ReadFile(const QString& path);
    // The same, but each entry goes to sink as it is read, and Entries()
    // stays empty: a CSV file of any size is read in little memory.
    using EntrySink = std::function<void(CAddress&& entry)>;
    void ReadFile(const QString& path, const EntrySink& sink);
    // A pipe (standard input, a shell's <(...)): read to its end, as far as
    // the size limit, then as a file of that name.
    void ReadStream(QIODevice& input, const QString& name, const EntrySink& sink);
    // The same for bytes in memory; fileName is named in problems and
    // decides the format when the content does not.
    void ReadBytes(QByteArrayView bytes, const QString& fileName);

    // One entry per contact with an address, in file order.
    const QList<CAddress>& Entries() const { return m_entries; }
    // The labels of every contact that has no address, and the lines where
    // they start; contacts without a name are only counted.
    const QStringList& WithoutAddress() const { return m_withoutAddress; }
    const QList<int>& WithoutAddressLines() const { return m_withoutAddressLines; }
    int WithoutAddressCount() const { return m_withoutAddressCount; }
    // Contacts with no name and no organization: no label to file them
    // under.
    int WithoutNameCount() const { return m_withoutNameCount; }
    const CContactsReport& Report() const { return m_report; }
    // A table's header row, and the mapping given or remembered that read
    // it (none where the program knew the header).
    const QStringList& TableHeader() const { return m_tableHeader; }
    const std::optional<CColumnMapping>& TableMapping() const { return m_tableMapping; }
    // The top rows of a table refused because no row near its top read as
    // a header, for the user to say what its columns hold; empty for a
    // file read otherwise.
    const QList<SheetRow>& UnreadTableRows() const { return m_unreadRows; }

    // Adds the entries to the book at their sorted places, labels that are
    // taken handled by the policy, and saves the book once when anything
    // changed: one CAddressBook::Edit, on the book as its file holds it
    // then. Another program holding the book too long raises
    // CBookBusyException and nothing changes. A failed save raises
    // CFileException; the book keeps the entries in memory, as after any
    // change whose save failed.
    ImportResult MergeInto(CAddressBook& book, DuplicateLabels policy) const;
    // What MergeInto would do with each of Entries(), in their order, were
    // the book as it is now; the book does not change.
    QList<MergeStep> PlanMerge(const CAddressBook& book, DuplicateLabels policy) const;

private:
    // MergeInto's change of the book, without the save.
    ImportResult MergeEntries(CAddressBook& book, DuplicateLabels policy) const;
    void Reset(const QString& fileName);
    void Read(QIODevice& input, const QString& fileName);
    void ReadCsv(QIODevice& input, bool fromWideText);
    void ReadSpreadsheet(QIODevice& input);
    // The sheet to read: the one named, else the first shown one whose
    // header reads; -1 with the reason in the report when there is none.
    int ChooseSheet(CSpreadsheet& workbook);
    // Whether the sheet's header reads; `rows` counts the rows read for it.
    bool HeaderReads(CSpreadsheet& workbook, int sheet, int* rows) const;
    void TakeContact(Contact&& contact);

    CAddressFormatter m_formatter;
    CContactsReport m_report;
    QList<CAddress> m_entries;
    qsizetype m_entryCount = 0;
    EntrySink m_entrySink;
    QStringList m_withoutAddress;
    QList<int> m_withoutAddressLines;
    int m_withoutAddressCount = 0;
    int m_withoutNameCount = 0;
    std::optional<CColumnMapping> m_mapping;
    ColumnMappingLookup m_lookup;
    QString m_sheet;
    QStringList m_tableHeader;
    std::optional<CColumnMapping> m_tableMapping;
    QList<SheetRow> m_unreadRows;
};
