#include "platform/registeredopener.h"

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
#define PELVARO_XDG_DESKTOP 1
#endif

#ifdef PELVARO_XDG_DESKTOP

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

namespace {

using ColumnGroup = QHash<QString, QString>;

// The groups of a desktop entry or mimeapps.list file. Both are small key
// files; QSettings would take the '/' in a MIME type for a subgroup.
QHash<QString, ColumnGroup> ReadKeyFile(const QString& path) {
    QHash<QString, ColumnGroup> groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return groups;
    ColumnGroup* group = nullptr;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = &groups[line.mid(1, line.size() - 2)];
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (group && equals > 0)
            group->insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return groups;
}

QStringList SplitList(const QString& value) {
    QStringList items = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& item : items)
        item = item.trimmed();
    items.removeAll(QString());
    return items;
}

struct DesktopEntry {
    bool usable = false;
    QStringList mimeTypes;
};

// Every installed desktop entry by its desktop file id. An entry in a more
// preferred folder hides one of the same id further down, so a user's own
// copy with Hidden=true removes a program from the list.
QHash<QString, DesktopEntry> InstalledEntries(const QStringList& applicationFolders) {
    QHash<QString, DesktopEntry> entries;
    for (const QString& folder : applicationFolders) {
        const QDir base(folder);
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString id =
                base.relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-'));
            if (entries.contains(id))
                continue;
            const ColumnGroup entry = ReadKeyFile(path).value(QStringLiteral("Desktop Entry"));
            DesktopEntry& found = entries[id];
            found.usable = entry.value(QStringLiteral("Type")) == QLatin1String("Application") &&
                           !entry.value(QStringLiteral("Exec")).isEmpty() &&
                           entry.value(QStringLiteral("Hidden")) != QLatin1String("true");
            found.mimeTypes = SplitList(entry.value(QStringLiteral("MimeType")));
        }
    }
    return entries;
}

// The mimeapps.list files, most preferred first: the user's, the system's,
// then those beside the desktop entries; each desktop's own list before the
// common one.
QStringList MimeAppsLists(const QStringList& applicationFolders) {
    QStringList desktops;
    for (const QString& name :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops << name.toLower();
    QStringList lists;
    const QStringList folders =
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation) +
        applicationFolders;
    for (const QString& folder : folders) {
        for (const QString& desktop : desktops)
            lists << folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        lists << folder + QStringLiteral("/mimeapps.list");
    }
    return lists;
}

} // namespace

bool HasRegisteredOpener(const QString& filePath) {
    const QMimeDatabase mimeDatabase;
    const QMimeType type = mimeDatabase.mimeTypeForFile(filePath);
    if (!type.isValid() || type.isDefault())
        return false;
    // A program for the type, one of its aliases or a more general type
    // (text/plain for text/html) can open it; one for any bytes cannot.
    QSet<QString> wanted;
    for (const QString& name : QStringList{type.name()} + type.allAncestors()) {
        const QMimeType each = mimeDatabase.mimeTypeForName(name);
        if (!each.isValid() || each.isDefault())
            continue;
        wanted.insert(each.name().toLower());
        for (const QString& alias : each.aliases())
            wanted.insert(alias.toLower());
    }
    const auto wants = [&wanted](const QString& name) { return wanted.contains(name.toLower()); };

    const QStringList applicationFolders =
        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    const QHash<QString, DesktopEntry> entries = InstalledEntries(applicationFolders);
    const auto usable = [&entries](const QString& id) {
        const auto it = entries.constFind(id);
        return it != entries.constEnd() && it->usable;
    };

    // A removal applies to the lists after it and to the entries' own
    // MimeType= lines.
    QSet<QString> removed;
    for (const QString& list : MimeAppsLists(applicationFolders)) {
        const QHash<QString, ColumnGroup> groups = ReadKeyFile(list);
        for (const char* chosen : {"Default Applications", "Added Associations"}) {
            const ColumnGroup group = groups.value(QLatin1String(chosen));
            for (auto it = group.constBegin(); it != group.constEnd(); ++it) {
                if (!wants(it.key()))
                    continue;
                for (const QString& id : SplitList(it.value()))
                    if (!removed.contains(id) && usable(id))
                        return true;
            }
        }
        const ColumnGroup removals = groups.value(QStringLiteral("Removed Associations"));
        for (auto it = removals.constBegin(); it != removals.constEnd(); ++it)
            if (wants(it.key()))
                for (const QString& id : SplitList(it.value()))
                    removed.insert(id);
    }
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it)
        if (it->usable && !removed.contains(it.key()) &&
            std::any_of(it->mimeTypes.cbegin(), it->mimeTypes.cend(), wants))
            return true;
    return false;
}

#else

bool HasRegisteredOpener(const QString&) {
    return true;
}

#endif
