#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The platform's printer names block: four 16-bit words, then the driver,
// device and output names as terminated UTF-16 strings. The first three
// words are offsets, counted in UTF-16 units from the start of the block.
struct DEVNAMES {
    static constexpr int kHeaderSize = 8;
    static constexpr uint16_t DN_DEFAULTPRN = 0x0001;

    QString driver;
    QString device;
    QString output;
    uint16_t wDefault = 0;

    // Header followed by the three names in order, each terminated.
    QByteArray ToBytes() const;
    // Nothing when an offset points outside the block or a name runs to its
    // end without a terminator. The block may be longer than its contents.
    static std::optional<DEVNAMES> FromBytes(const QByteArray& block);

    friend bool operator==(const DEVNAMES&, const DEVNAMES&) = default;
};
