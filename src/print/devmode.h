#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The platform's printer settings block, byte for byte: a public part of
// dmSize bytes (220 in the current layout) followed by dmDriverExtra bytes
// that belong to the printer driver. Little-endian.
struct DEVMODEW {
    static constexpr int kPublicSize = 220;
    static constexpr int kDeviceNameSize = 32; // UTF-16 units
    static constexpr int kFormNameSize = 32;

    // dmFields bits: which of the fields below carry a value.
    enum Field : uint32_t {
        DM_ORIENTATION = 0x1,
        DM_PAPERSIZE = 0x2,
        DM_PAPERLENGTH = 0x4,
        DM_PAPERWIDTH = 0x8,
        DM_SCALE = 0x10,
        DM_COPIES = 0x100,
        DM_DEFAULTSOURCE = 0x200,
        DM_PRINTQUALITY = 0x400,
        DM_COLOR = 0x800,
        DM_DUPLEX = 0x1000,
        DM_YRESOLUTION = 0x2000,
        DM_TTOPTION = 0x4000,
        DM_COLLATE = 0x8000,
        DM_FORMNAME = 0x10000,
    };
    static constexpr int16_t DMORIENT_PORTRAIT = 1;
    static constexpr int16_t DMORIENT_LANDSCAPE = 2;
    static constexpr int16_t DMCOLOR_MONOCHROME = 1;
    static constexpr int16_t DMCOLOR_COLOR = 2;
    static constexpr int16_t DMDUP_SIMPLEX = 1;
    static constexpr int16_t DMDUP_VERTICAL = 2;   // bound at the long edge
    static constexpr int16_t DMDUP_HORIZONTAL = 3; // bound at the short edge
    static constexpr int16_t DMPAPER_USER = 256;
    static constexpr uint16_t DM_SPECVERSION = 0x0401;

    char16_t dmDeviceName[kDeviceNameSize] = {};
    uint16_t dmSpecVersion = DM_SPECVERSION;
    uint16_t dmDriverVersion = 0;
    uint16_t dmSize = kPublicSize;
    uint16_t dmDriverExtra = 0;
    uint32_t dmFields = 0;
    int16_t dmOrientation = 0;
    int16_t dmPaperSize = 0;
    int16_t dmPaperLength = 0; // tenths of a millimetre
    int16_t dmPaperWidth = 0;
    int16_t dmScale = 0;
    int16_t dmCopies = 0;
    int16_t dmDefaultSource = 0;
    int16_t dmPrintQuality = 0; // positive: dots per inch across
    int16_t dmColor = 0;
    int16_t dmDuplex = 0;
    int16_t dmYResolution = 0;
    int16_t dmTTOption = 0;
    int16_t dmCollate = 0;
    char16_t dmFormName[kFormNameSize] = {};
    uint16_t dmLogPixels = 0;
    uint32_t dmBitsPerPel = 0;
    uint32_t dmPelsWidth = 0;
    uint32_t dmPelsHeight = 0;
    uint32_t dmDisplayFlags = 0;
    uint32_t dmDisplayFrequency = 0;
    uint32_t dmICMMethod = 0;
    uint32_t dmICMIntent = 0;
    uint32_t dmMediaType = 0;
    uint32_t dmDitherType = 0;
    uint32_t dmReserved1 = 0;
    uint32_t dmReserved2 = 0;
    uint32_t dmPanningWidth = 0;
    uint32_t dmPanningHeight = 0;

    // The driver's own bytes, kept as they came.
    QByteArray driverExtra;

    QString DeviceName() const;
    void SetDeviceName(const QString& name);
    QString FormName() const;
    void SetFormName(const QString& name);

    bool Has(Field field) const { return (dmFields & field) != 0; }

    // dmSize public bytes (older, shorter layouts keep their size) followed by
    // the driver's bytes.
    QByteArray ToBytes() const;
    // Nothing when the block cannot hold what it claims: a public part too
    // short for the fields up to dmFields, or dmSize plus dmDriverExtra
    // beyond the block. Fields past a shorter dmSize stay zero. The block may
    // be longer than the structure, as a memory block's size can be.
    static std::optional<DEVMODEW> FromBytes(const QByteArray& block);
};
