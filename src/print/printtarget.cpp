#include "print/printtarget.h"

#include "print/devnames.h"
#include "print/printerblocks.h"

#include <QDir>
#include <QFileInfo>

PrintTarget PrintTarget::FromDevNames(const QByteArray& devNames) {
    if (devNames.isNull())
        return {};
    const std::optional<DEVNAMES> names = DEVNAMES::FromBytes(devNames);
    if (!names)
        return {Kind::Damaged, QString()};
    if (names->driver.compare(QString::fromUtf16(kPdfDriverName), Qt::CaseInsensitive) == 0)
        return {Kind::File, names->output};
    return {Kind::Queue, names->device};
}

PrintTarget PrintTarget::Beside(const QString& what) const {
    if (!IsFile())
        return *this;
    const QFileInfo file(name);
    const QString suffix = file.suffix().isEmpty() ? QString() : u'.' + file.suffix();
    PrintTarget beside = *this;
    for (int n = 1; n < 1000; ++n) {
        const QString tag = n == 1 ? what : QStringLiteral("%1 %2").arg(what).arg(n);
        beside.name = file.dir().filePath(
            QStringLiteral("%1 (%2)%3").arg(file.completeBaseName(), tag, suffix));
        if (!QFileInfo::exists(beside.name))
            break;
    }
    return beside;
}
