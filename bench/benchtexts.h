#pragma once

#include <QString>

// The two addresses of the envelope that the print figures put on paper.
// CR LF between lines, as the address boxes hand them over.
inline QString BenchReturnAddress() {
    return QStringLiteral("Johanna Hoffmann\r\nLindenstra\u00dfe 42\r\n20095 Hamburg");
}
inline QString BenchMailingAddress() {
    return QStringLiteral("Nordlicht Verlag GmbH\r\nz. Hd. Herrn Jens "
                          "\u00d8lund\r\nHafenstra\u00dfe 7\r\n24103 Kiel");
}
