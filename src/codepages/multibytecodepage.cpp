#include "codepages/multibytecodepage.h"

#include <QSysInfo>

#ifdef PELVARO_HAVE_ICONV
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>
#endif

namespace {

constexpr char16_t kReplacement = 0xFFFD;

const char* IconvName(int codePage) {
    switch (codePage) {
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    default:
        return nullptr;
    }
}

bool IsLeadByte(int codePage, unsigned char b) {
    if (codePage == 932)
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return b >= 0x81 && b <= 0xFE;
}

// Without a converter: ASCII as it is, one U+FFFD for each other character.
QString DecodeWithoutConverter(int codePage, QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            text += QChar(char16_t(b));
            continue;
        }
        if (IsLeadByte(codePage, b) && i + 1 < bytes.size())
            ++i;
        text += QChar(kReplacement);
    }
    return text;
}

#ifdef PELVARO_HAVE_ICONV

class CIconvOutput {
public:
    explicit CIconvOutput(qsizetype expectedUnits)
        : m_buffer(static_cast<size_t>(expectedUnits) + 16) {}

    char** Next() { return &m_next; }
    size_t* Left() { return &m_left; }
    void Start() {
        m_next = reinterpret_cast<char*>(m_buffer.data());
        m_left = m_buffer.size() * sizeof(char16_t);
    }
    // Doubles the room, keeping what was written.
    void Grow() {
        const size_t used = Used();
        m_buffer.resize(m_buffer.size() * 2);
        m_next = reinterpret_cast<char*>(m_buffer.data()) + used;
        m_left = m_buffer.size() * sizeof(char16_t) - used;
    }
    void Append(char16_t unit) {
        if (m_left < sizeof unit)
            Grow();
        std::memcpy(m_next, &unit, sizeof unit);
        m_next += sizeof unit;
        m_left -= sizeof unit;
    }
    QString Text() const {
        return QString(reinterpret_cast<const QChar*>(m_buffer.data()),
                       static_cast<qsizetype>(Used() / sizeof(char16_t)));
    }

private:
    size_t Used() const { return m_buffer.size() * sizeof(char16_t) - m_left; }

    std::vector<char16_t> m_buffer;
    char* m_next = nullptr;
    size_t m_left = 0;
};

#endif

} // namespace

bool IsMultiByteCodePage(int codePage) {
    return IconvName(codePage) != nullptr;
}

QString DecodeMultiByte(int codePage, QByteArrayView bytes) {
#ifdef PELVARO_HAVE_ICONV
    // UTF-16 in the machine's own order, so the units can be taken as they are.
    const char* target = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    iconv_t cd = iconv_open(target, IconvName(codePage));
    if (cd == reinterpret_cast<iconv_t>(-1))
        return DecodeWithoutConverter(codePage, bytes);

    CIconvOutput out(bytes.size());
    out.Start();
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, out.Next(), out.Left()) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.Grow();
            continue;
        }
        // EILSEQ: a byte the code page does not map; EINVAL: a lead byte
        // without its trail at the end. Either way one replacement stands
        // for the byte and the conversion goes on after it.
        out.Append(kReplacement);
        ++in;
        --inLeft;
    }
    // Some converters hold the last character back until told that the
    // text has ended; without this call it would be lost.
    while (iconv(cd, nullptr, nullptr, out.Next(), out.Left()) == static_cast<size_t>(-1) &&
           errno == E2BIG)
        out.Grow();
    iconv_close(cd);
    return out.Text();
#else
    return DecodeWithoutConverter(codePage, bytes);
#endif
}
