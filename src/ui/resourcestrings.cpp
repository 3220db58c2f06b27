#include "ui/resourcestrings.h"

#include <QHash>

namespace {
QHash<int, QString>& StringTable() {
    static QHash<int, QString> table = {
        {IDS_ABOUTBOX, QStringLiteral("&About Pelvaro...")},
    };
    return table;
}
} // namespace

QString LoadResourceString(int id) {
    return StringTable().value(id);
}
