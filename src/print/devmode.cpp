#include "print/devmode.h"

#include <QtEndian>

#include <cstring>

namespace {

// The smallest public part that still reaches dmFields.
constexpr int kMinimumPublicSize = 76;

QString NameFromUnits(const char16_t* units, int count) {
    int length = 0;
    while (length < count && units[length] != 0)
        ++length;
    return QString(reinterpret_cast<const QChar*>(units), length);
}

void UnitsFromName(char16_t* units, int count, const QString& name) {
    std::memset(units, 0, sizeof(char16_t) * count);
    // The last unit stays the terminator.
    const int length = qMin<int>(name.size(), count - 1);
    for (int i = 0; i < length; ++i)
        units[i] = name[i].unicode();
}

// Writes or reads the public fields at their fixed offsets. Only the first
// `size` bytes of the public part exist; the rest is left alone.
class CPublicPart {
public:
    CPublicPart(char* data, int size) : m_data(data), m_size(size) {}

    template <typename T> void Put(int offset, T value) {
        if (offset + static_cast<int>(sizeof(T)) <= m_size)
            qToLittleEndian<T>(value, m_data + offset);
    }
    template <typename T> void Get(int offset, T& value) const {
        if (offset + static_cast<int>(sizeof(T)) <= m_size)
            value = qFromLittleEndian<T>(m_data + offset);
    }
    void PutUnits(int offset, const char16_t* units, int count) {
        for (int i = 0; i < count; ++i)
            Put<uint16_t>(offset + 2 * i, units[i]);
    }
    void GetUnits(int offset, char16_t* units, int count) const {
        for (int i = 0; i < count; ++i) {
            uint16_t unit = 0;
            Get<uint16_t>(offset + 2 * i, unit);
            units[i] = unit;
        }
    }

private:
    char* m_data;
    int m_size;
};

// Both directions walk the same table of offsets.
template <typename Part, typename Mode> void Exchange(Part& part, Mode& dm) {
    auto field = [&part](int offset, auto& value) {
        using T = std::remove_reference_t<decltype(value)>;
        if constexpr (std::is_const_v<T>)
            part.template Put<std::remove_const_t<T>>(offset, value);
        else
            part.template Get<T>(offset, value);
    };
    auto units = [&part](int offset, auto& array, int count) {
        if constexpr (std::is_const_v<std::remove_reference_t<decltype(array[0])>>)
            part.PutUnits(offset, array, count);
        else
            part.GetUnits(offset, array, count);
    };
    units(0, dm.dmDeviceName, DEVMODEW::kDeviceNameSize);
    field(64, dm.dmSpecVersion);
    field(66, dm.dmDriverVersion);
    field(68, dm.dmSize);
    field(70, dm.dmDriverExtra);
    field(72, dm.dmFields);
    field(76, dm.dmOrientation);
    field(78, dm.dmPaperSize);
    field(80, dm.dmPaperLength);
    field(82, dm.dmPaperWidth);
    field(84, dm.dmScale);
    field(86, dm.dmCopies);
    field(88, dm.dmDefaultSource);
    field(90, dm.dmPrintQuality);
    field(92, dm.dmColor);
    field(94, dm.dmDuplex);
    field(96, dm.dmYResolution);
    field(98, dm.dmTTOption);
    field(100, dm.dmCollate);
    units(102, dm.dmFormName, DEVMODEW::kFormNameSize);
    field(166, dm.dmLogPixels);
    field(168, dm.dmBitsPerPel);
    field(172, dm.dmPelsWidth);
    field(176, dm.dmPelsHeight);
    field(180, dm.dmDisplayFlags);
    field(184, dm.dmDisplayFrequency);
    field(188, dm.dmICMMethod);
    field(192, dm.dmICMIntent);
    field(196, dm.dmMediaType);
    field(200, dm.dmDitherType);
    field(204, dm.dmReserved1);
    field(208, dm.dmReserved2);
    field(212, dm.dmPanningWidth);
    field(216, dm.dmPanningHeight);
}

} // namespace

QString DEVMODEW::DeviceName() const {
    return NameFromUnits(dmDeviceName, kDeviceNameSize);
}

void DEVMODEW::SetDeviceName(const QString& name) {
    UnitsFromName(dmDeviceName, kDeviceNameSize, name);
}

QString DEVMODEW::FormName() const {
    return NameFromUnits(dmFormName, kFormNameSize);
}

void DEVMODEW::SetFormName(const QString& name) {
    UnitsFromName(dmFormName, kFormNameSize, name);
}

QByteArray DEVMODEW::ToBytes() const {
    DEVMODEW copy = *this;
    copy.dmSize = qMax<uint16_t>(dmSize, kMinimumPublicSize);
    copy.dmDriverExtra = static_cast<uint16_t>(driverExtra.size());
    QByteArray bytes(copy.dmSize + copy.dmDriverExtra, '\0');
    CPublicPart part(bytes.data(), copy.dmSize);
    const DEVMODEW& source = copy;
    Exchange(part, source);
    std::memcpy(bytes.data() + copy.dmSize, driverExtra.constData(), driverExtra.size());
    return bytes;
}

std::optional<DEVMODEW> DEVMODEW::FromBytes(const QByteArray& block) {
    if (block.size() < kMinimumPublicSize)
        return std::nullopt;
    const uint16_t size = qFromLittleEndian<uint16_t>(block.constData() + 68);
    const uint16_t extra = qFromLittleEndian<uint16_t>(block.constData() + 70);
    if (size < kMinimumPublicSize || int(size) + int(extra) > block.size())
        return std::nullopt;

    // Fields a shorter public part does not have read as zero; a longer one
    // keeps only the fields known here.
    DEVMODEW dm;
    CPublicPart part(const_cast<char*>(block.constData()), qMin<int>(size, kPublicSize));
    Exchange(part, dm);
    dm.dmSize = size;
    dm.dmDriverExtra = extra;
    dm.driverExtra = block.mid(size, extra);
    return dm;
}
