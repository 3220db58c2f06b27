#pragma once

#include "address.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

// Orders labels by their UTF-16 code units as unsigned values, up to the
// first U+0000 of either; a label that ends first is the smaller. No case
// folding, no locale, no trimming.
int CompareLabels(QStringView a, QStringView b);

// The address book: the records in menu order, the file they live in, and
// the operations the address list menus use.
class CAddressBook {
public:
    static constexpr const char* kSubfolder = "Pelvaro/";
    static constexpr const char* kFileName = "Addresses.plv";

    // Resolves the folder and file path, creates the folder (one level) and
    // reads the file into the book. Never reports a failure: what could be
    // read stays, the rest is left out. A file that exists but cannot be
    // opened or read whole, or that is too large for memory, is a load that
    // stopped early.
    void LoadAddressBook();
    // Reads records from bytes as the file holds them; the book is replaced.
    // Returns false when the bytes ended or broke before the stated count.
    bool LoadFromBytes(QByteArrayView bytes);

    // Rewrites the whole file from the book, atomically: on any failure the
    // old file stays whole and CFileException is raised. The first save
    // after a load that stopped early first keeps the old file as
    // Addresses.plv.bak, and fails when it cannot.
    void SaveAddressBook();
    // The file's bytes for the current book.
    QByteArray ToBytes() const;

    bool IsLabelUnique(const QString& label) const;
    // Index of the first record whose label equals the given one, or -1.
    int FindLabel(const QString& label) const;
    // Inserts a copy before the first record whose label is not smaller,
    // then saves. Does not test uniqueness.
    void AddAddress(const CAddress& address);
    // The same insert without the save, for callers that add many records
    // and save once.
    void InsertAddress(const CAddress& address);
    // Inserts the records one after the other as InsertAddress does, in one
    // pass when the book is in label order. Does not save.
    void InsertAddresses(const QList<CAddress>& addresses);

    int GetSize() const { return static_cast<int>(m_records.size()); }
    // Record access; an index outside the book raises CInvalidArgException
    // before anything changes. Setting and removing do not save.
    const CAddress& GetAt(int index) const;
    void SetAddressAt(int index, const QString& address);
    void RemoveAt(int index);

    // "The address book is stored in the file " followed by the path.
    QString LocationMessage() const;

    const QString& DataFolder() const { return m_dataFolder; }
    const QString& AddressBookPath() const { return m_addressBookPath; }
    // Points the book at another file; used where the folder is not the
    // user's own (tests, tools).
    void SetAddressBookPath(const QString& path);

    // True when the last load stopped before the count it was promised or
    // could not read the file; the next save then keeps the replaced file as
    // Addresses.plv.bak.
    bool LoadWasIncomplete() const { return m_loadIncomplete; }

    // Reads the file again when another program (pelvaro-cli, a second
    // window) has written it since this book last read or wrote it, so that
    // the next save does not put back the book as it was. A file that is
    // gone is no change: the book in memory is then all there is. Returns
    // true when the book was read again.
    bool ReloadIfChangedOnDisk();

private:
    // What tells one version of the file from another: a save replaces the
    // file by a new one, an edit in place moves its times.
    struct SFileStamp {
        bool exists = false;
        qint64 device = 0, inode = 0, size = 0, modified = 0, changed = 0;
        bool operator==(const SFileStamp&) const = default;
    };
    SFileStamp StampOfFile() const;
    void CheckIndex(int index) const;
    void ResolvePaths();
    // Reads the file at the book's path; false when it exists but was not
    // read whole.
    bool LoadFromFile();

    QString m_dataFolder;
    QString m_addressBookPath;
    QList<CAddress> m_records;
    bool m_loadIncomplete = false;
    SFileStamp m_fileStamp;
};
