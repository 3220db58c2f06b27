#include "print/printtarget.h"

#include "print/devnames.h"
#include "print/printerblocks.h"

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
