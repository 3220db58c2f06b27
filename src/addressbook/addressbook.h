#pragma once

#include "addressbook/address.h"
#include "platform/exception.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <future>
#include <optional>

// Orders labels by their UTF-16 code units as unsigned values, up to the
// first U+0000 of either; a label that ends first is the smaller. No case
// folding, no locale, no trimming.
int CompareLabels(QStringView a, QStringView b);

// Another program held the book's lock for longer than a change waits, or
// (lockNotAFile) something that is not a lock file is where the lock goes,
// which no waiting will clear.
class CBookBusyException : public CException {
public:
    explicit CBookBusyException(QString path, bool lockNotAFile = false)
        : m_path(std::move(path)), m_lockNotAFile(lockNotAFile) {}
    QString GetErrorMessage() const override;
    bool LockNotAFile() const { return m_lockNotAFile; }

private:
    QString m_path;
    bool m_lockNotAFile;
};

// The address book: the records in menu order, the file they live in, and
// the operations the address list menus use.
//
// Every change of the file is made under a lock file beside it
// (Addresses.plv.lock), which every running copy of the program shares:
// Edit reads the file again under the lock when another program wrote it,
// applies the change and saves, so that two programs changing the book at
// once lose nothing of each other's.
class CAddressBook {
public:
    static constexpr const char* kSubfolder = "Pelvaro/";
    static constexpr const char* kFileName = "Addresses.plv";
    // How long a change waits for another program to finish its own.
    static constexpr int kLockWaitMs = 10000;

    // What the last load made of the file.
    enum class LoadState {
        Whole,      // every byte read, or no file at all
        Damaged,    // the bytes do not hold the book their count says
        Unreadable, // the file is there but could not be read, or not whole
    };

    // Resolves the folder and file path, creates the folder (one level) and
    // reads the file into the book. Never reports a failure: what could be
    // read stays, the rest is left out (GetLoadState, LoadProblem).
    void LoadAddressBook();
    // Starts reading the book's file from its usual place on a thread of
    // its own, so that the LoadAddressBook that follows (the window's, as it
    // builds itself) waits less or not at all. That load takes what was read
    // only when it resolves the same path and the file is still the version
    // it was when the read began; otherwise it reads the file itself. Makes
    // no folder and writes nothing.
    static void PrefetchAddressBook();
    // Reads records from bytes as the file holds them; the book is replaced.
    // Returns false when they are damaged: they ended or broke before the
    // stated count, the count is below zero, or bytes follow the last
    // counted record. The records up to the count or the break are kept.
    bool LoadFromBytes(QByteArrayView bytes);

    // Rewrites the whole file from the book under the book's lock,
    // atomically: on any failure the old file stays whole and CFileException
    // (or CBookBusyException) is raised. The first save after a load that
    // was not whole first keeps the old file beside it (KeepBackup: .bak,
    // .bak.1...), and fails when it cannot.
    void SaveAddressBook();
    // The file's bytes for the current book.
    QByteArray ToBytes() const;

    // Changes the book as its file holds it now: takes the book's lock,
    // waiting up to the lock wait for another program, reads the file again
    // when another program has written it since, runs change and, when
    // change returns true, saves. Returns what change returned. When the
    // lock cannot be had, CBookBusyException is raised and change never
    // runs; what change and the save raise goes through, the lock released.
    bool Edit(const std::function<bool()>& change);
    void SetLockWait(int ms) { m_lockWaitMs = ms; }
    // Why a change could not be made now: another program holds the book's
    // lock past waitMs, or the lock's place holds something else. Empty when
    // nothing stands in the way (or the folder is not there yet).
    QString BusyNote(int waitMs) const;

    bool IsLabelUnique(const QString& label) const;
    // Index of the first record whose label equals the given one, or -1.
    int FindLabel(const QString& label) const;
    // Inserts a copy before the first record whose label is not smaller,
    // then saves, as one Edit. Does not test uniqueness.
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

    const QString& AddressBookPath() const { return m_addressBookPath; }
    // Points the book at another file; used where the folder is not the
    // user's own (tests, tools).
    void SetAddressBookPath(const QString& path);
    // Marks the places the book may be kept in as the program's own, so that
    // no output replaces them, before any book is read (see ProtectOwnFile).
    static void ProtectDefaultPaths();

    LoadState GetLoadState() const { return m_load.state; }
    // True when the last load did not read the file whole; the next save
    // then keeps the replaced file as a backup.
    bool LoadWasIncomplete() const { return m_load.state != LoadState::Whole; }
    // What the last load could not read, in a sentence or two that name the
    // file; empty after a whole load.
    QString LoadProblem() const;
    // After the last save or Edit: what was wrong with the file that the save
    // kept aside, and where it is kept; empty when it kept none.
    const QString& BackupNote() const { return m_backupNote; }

    // Reads the file again when another program (pelvaro-cli, a second
    // window) has written it since this book last read or wrote it, so that
    // the next save does not put back the book as it was. A file that is
    // gone is no change: the book in memory is then all there is. Returns
    // true when the book was read again.
    bool ReloadIfChangedOnDisk();

private:
    // What tells one version of the file from another: a save replaces the
    // file by a new one, an edit in place moves its times.
    struct FileStamp {
        bool exists = false;
        qint64 device = 0, inode = 0, size = 0, modified = 0, changed = 0;
        bool operator==(const FileStamp&) const = default;
    };
    // What the last load found wrong, for LoadProblem.
    struct LoadOutcome {
        LoadState state = LoadState::Whole;
        QString unreadable;          // why the file could not be read
        std::optional<qint32> count; // the stored count, once read
        qint64 read = 0;             // records read whole up to the count
        qint64 extraBytes = 0;       // bytes after the counted records
        qint64 extraRecords = 0;     // whole records among them
        QString keptAs;              // the backup a failed save already made
    };
    static FileStamp StampOf(const QString& path);
    FileStamp StampOfFile() const { return StampOf(m_addressBookPath); }
    // What a read of the file made of it.
    struct FileRead {
        QList<CAddress> records;
        LoadOutcome load;
    };
    struct Prefetched {
        QString path;
        FileStamp stamp;
        std::future<FileRead> read;
    };
    static Prefetched& PrefetchSlot();
    // Takes the prefetched read when it is of this book's file as it is now.
    bool TakePrefetch();
    void CheckIndex(int index) const;
    void ResolvePaths();
    // Reads the file at the book's path into m_records and m_load.
    void LoadFromFile();
    // The save itself; the caller holds the lock.
    void Save();

    QString m_dataFolder;
    QString m_addressBookPath;
    QList<CAddress> m_records;
    LoadOutcome m_load;
    QString m_backupNote;
    FileStamp m_fileStamp;
    int m_lockWaitMs = kLockWaitMs;
};
