#include "print/devnames.h"

#include <QtEndian>

namespace {

std::optional<QString> NameAt(const QByteArray& block, uint16_t offset) {
    const qsizetype units = block.size() / 2;
    const char* data = block.constData();
    QString name;
    for (qsizetype i = offset; i < units; ++i) {
        const char16_t unit = qFromLittleEndian<uint16_t>(data + 2 * i);
        if (unit == 0)
            return name;
        name.append(QChar(unit));
    }
    return std::nullopt;
}

} // namespace

QByteArray DEVNAMES::ToBytes() const {
    QByteArray bytes(kHeaderSize, '\0');
    uint16_t offset = kHeaderSize / 2;
    const QString* names[3] = {&driver, &device, &output};
    for (int i = 0; i < 3; ++i) {
        qToLittleEndian<uint16_t>(offset, bytes.data() + 2 * qsizetype(i));
        for (QChar c : *names[i]) {
            char unit[2];
            qToLittleEndian<uint16_t>(c.unicode(), unit);
            bytes.append(unit, 2);
        }
        bytes.append(2, '\0');
        offset = static_cast<uint16_t>(offset + names[i]->size() + 1);
    }
    qToLittleEndian<uint16_t>(wDefault, bytes.data() + 6);
    return bytes;
}

std::optional<DEVNAMES> DEVNAMES::FromBytes(const QByteArray& block) {
    if (block.size() < kHeaderSize)
        return std::nullopt;
    const char* data = block.constData();
    const auto driver = NameAt(block, qFromLittleEndian<uint16_t>(data + 0));
    const auto device = NameAt(block, qFromLittleEndian<uint16_t>(data + 2));
    const auto output = NameAt(block, qFromLittleEndian<uint16_t>(data + 4));
    if (!driver || !device || !output)
        return std::nullopt;
    DEVNAMES names;
    names.driver = *driver;
    names.device = *device;
    names.output = *output;
    names.wDefault = qFromLittleEndian<uint16_t>(data + 6);
    return names;
}
