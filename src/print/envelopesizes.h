#pragma once

#include <array>

// One envelope size: its name as the size list shows it, and its long and
// short sides in inches.
struct EnvelopeSize {
    const char16_t* name;
    double width;
    double height;
};

// The two envelope sizes the program knows. The size list sorts its items
// and uses the list position as the row index, so the names must sort into
// table order.
inline constexpr std::array<EnvelopeSize, 2> EnvelopeSizes = {{
    {u"No. 10: 9\u00BD \u00D7 4\u215B", 9.5, 4.125},
    {u"No. 6\u00BE: 6\u00BD \u00D7 3\u215D", 6.5, 3.625},
}};

// The row a stored or selected index stands for: an index outside the
// table (no selection, a stored value out of range) means row 0.
inline constexpr const EnvelopeSize& EnvelopeSizeRow(int index) {
    return (index >= 0 && index < static_cast<int>(EnvelopeSizes.size())) ? EnvelopeSizes[index]
                                                                          : EnvelopeSizes[0];
}
