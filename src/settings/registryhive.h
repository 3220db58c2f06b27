#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <map>

// The keys and typed values of a registry hive held in memory, and its text
// form: the one regedit exports and imports, so that settings can be carried
// to and from a machine that has a real registry.
//
// Key paths are full paths starting with the root ("HKEY_CURRENT_USER\...").
// Key paths and value names compare without regard to case; the spelling
// first seen is the one kept. A key exists when it has a section of its own
// or when a key below it does. Every value keeps its type and bytes exactly.
//
// Each key keeps a table of its value names, so reading a file is linear in
// its size however many values one key holds.
class CRegistryHive {
public:
    // The value types that the text form names or writes in a form of their own.
    static constexpr quint32 kRegNone = 0;
    static constexpr quint32 kRegSz = 1;
    static constexpr quint32 kRegExpandSz = 2;
    static constexpr quint32 kRegBinary = 3;
    static constexpr quint32 kRegDword = 4;
    static constexpr quint32 kRegMultiSz = 7;

    struct Value {
        QString name; // empty for the key's default value
        quint32 type = kRegNone;
        QByteArray data;

        friend bool operator==(const Value&, const Value&) = default;
    };

    // Reads the text form: UTF-16LE with or without a byte order mark,
    // UTF-16BE with one, UTF-8 with or without one, and the older REGEDIT4
    // form in the ANSI code page, whose string types in hex are 8-bit text
    // and are widened to UTF-16. A quoted string may run over several lines,
    // its line breaks part of the value. Whatever cannot be read is skipped
    // and counted; never throws. What it keeps is held within a few times the
    // input's size: keys and values so short that they would cost more are
    // kept up to a fixed allowance, and beyond it counted as damaged. What
    // Serialize writes always reads back whole.
    static CRegistryHive Parse(QByteArrayView bytes);
    // The text form as regedit writes it: UTF-16LE with a byte order mark,
    // CR LF line ends, hex lines continued where regedit continues them.
    QByteArray Serialize() const;

    // Lines of the parsed text that carried something and could not be read.
    int DamagedLines() const { return m_damagedLines; }
    // Once written, the text has none.
    void ClearDamagedLines() { m_damagedLines = 0; }

    bool KeyExists(const QString& path) const;
    // Creates the key (and, implicitly, the keys above it). False only for a
    // path that the text form could not carry.
    bool CreateKey(const QString& path);
    // The key's path spelled as stored; empty when the key does not exist.
    QString StoredPath(const QString& path) const;

    const Value* FindValue(const QString& keyPath, const QString& name) const;
    // Creates the key when missing and stores the value, keeping the stored
    // spelling of an existing value's name. False for names the text form
    // could not carry.
    bool SetValue(const QString& keyPath, const QString& name, quint32 type, QByteArrayView data);
    // Removes the value; false when there was none. The key stays.
    bool DeleteValue(const QString& keyPath, const QString& name);

    // Keys that have a section of their own, in the order they are written.
    QStringList KeyPaths() const;
    QList<Value> Values(const QString& keyPath) const;

    friend bool operator==(const CRegistryHive& a, const CRegistryHive& b) {
        return a.m_keys == b.m_keys;
    }

private:
    struct Key {
        QString path;
        QList<Value> values;
        // Open addressing over the folded value names: 1 + the value's
        // position, 0 for a free slot; at most half full.
        QList<qint32> nameTable;

        friend bool operator==(const Key& a, const Key& b) {
            return a.path == b.path && a.values == b.values;
        }
    };

    // Identity of a path: each unit upper-cased, the separator mapped below
    // every other character so that a key sorts directly before its subkeys.
    static QString FoldPath(const QStringList& components);
    static QStringList SplitPath(const QString& path);
    static bool IsStorableName(const QString& name);
    static bool IsStorablePath(const QStringList& components);

    Key* FindKey(const QString& path);
    const Key* FindKey(const QString& path) const;
    // Gives a new path the spelling of the keys it shares a start with.
    QString SpellLikeStored(const QStringList& components) const;
    // folded is FoldPath(components).
    Key& InsertKey(const QStringList& components, const QString& folded);
    // The value's position in the key, or -1.
    static qsizetype FindValueIn(const Key& key, QStringView name);
    static void SetValueIn(Key& key, const QString& name, quint32 type, QByteArray data);
    static void PlaceName(Key& key, qsizetype position);
    // Places every name of the key in a fresh table.
    static void RebuildNameTable(Key& key);

    class CParser;

    // Folded paths in the order of their UTF-16 units, as QString's own
    // operator< has them, without its general compare.
    struct UnitOrder {
        bool operator()(QStringView a, QStringView b) const {
            return std::lexicographical_compare(a.utf16(), a.utf16() + a.size(), b.utf16(),
                                                b.utf16() + b.size());
        }
    };
    std::map<QString, Key, UnitOrder> m_keys;
    int m_damagedLines = 0;
};
