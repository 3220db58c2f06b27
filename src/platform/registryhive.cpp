#include "registryhive.h"

#include "ansicodepage.h"

#include <QStringDecoder>
#include <QtEndian>

namespace {

const QChar kFoldedSeparator(0x0001);
const QLatin1StringView kHeader("Windows Registry Editor Version 5.00");
const QLatin1StringView kOldHeader("REGEDIT4");
// regedit starts a continuation line once a hex line would pass this column.
constexpr qsizetype kHexLineLimit = 77;

QString FoldName(QStringView name) {
    // The registry compares names by upper-casing each unit on its own, with
    // no length-changing mappings.
    QString folded(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        folded[i] = name[i].toUpper();
    return folded;
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringView TrimBlank(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// One to eight hex digits, nothing else.
bool ParseHexNumber(QStringView s, quint32& number) {
    if (s.isEmpty() || s.size() > 8)
        return false;
    number = 0;
    for (QChar c : s) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        number = number << 4 | quint32(digit);
    }
    return true;
}

// "aa,bb,..." with exactly two digits a byte; nothing at all is no bytes.
bool ParseHexBytes(QStringView s, QByteArray& bytes) {
    bytes.clear();
    s = TrimBlank(s);
    if (s.isEmpty())
        return true;
    bytes.reserve(s.size() / 3 + 1);
    for (QStringView token : s.tokenize(QLatin1Char(','))) {
        token = TrimBlank(token);
        if (token.size() != 2)
            return false;
        const int high = HexDigit(token[0]);
        const int low = HexDigit(token[1]);
        if (high < 0 || low < 0)
            return false;
        bytes.append(char(high << 4 | low));
    }
    return true;
}

bool LooksLikeHexContinuation(QStringView s) {
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (HexDigit(c) < 0 && c != QLatin1Char(',') && c != QLatin1Char('\\') && !IsBlank(c))
            return false;
    }
    return true;
}

// A quoted string with the \\ and \" escapes, starting at s[pos] == '"'.
// Leaves pos after the closing quote.
bool ParseQuoted(QStringView s, qsizetype& pos, QString& text) {
    text.clear();
    ++pos;
    while (pos < s.size()) {
        const QChar c = s[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return true;
        }
        if (c == QLatin1Char('\\') && pos + 1 < s.size() &&
            (s[pos + 1] == QLatin1Char('\\') || s[pos + 1] == QLatin1Char('"'))) {
            text += s[pos + 1];
            pos += 2;
            continue;
        }
        // regedit knows no other escape; a lone backslash stands for itself.
        text += c;
        ++pos;
    }
    return false;
}

QString Quoted(const QString& text) {
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('"');
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

QByteArray Utf16LeBytes(QStringView text, bool withTerminator) {
    QByteArray bytes((text.size() + (withTerminator ? 1 : 0)) * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

QString DecodeUtf16(QByteArrayView bytes, bool bigEndian) {
    // An odd last byte is half a unit and cannot be read.
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i) {
        const char* p = bytes.data() + 2 * i;
        text[i] = QChar(bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p));
    }
    return text;
}

QString DecodeText(QByteArrayView bytes) {
    const auto startsWith = [&](std::initializer_list<unsigned char> mark) {
        if (bytes.size() < qsizetype(mark.size()))
            return false;
        qsizetype i = 0;
        for (unsigned char b : mark) {
            if (static_cast<unsigned char>(bytes[i++]) != b)
                return false;
        }
        return true;
    };
    if (startsWith({0xFF, 0xFE}))
        return DecodeUtf16(bytes.sliced(2), false);
    if (startsWith({0xFE, 0xFF}))
        return DecodeUtf16(bytes.sliced(2), true);
    if (startsWith({0xEF, 0xBB, 0xBF}))
        bytes = bytes.sliced(3);
    else if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0')
        return DecodeUtf16(bytes, false); // UTF-16LE that lost its mark
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Files of the older format are 8-bit text in the ANSI code page.
    return MultiByteToWide(ThreadAnsiCodePage(), bytes);
}

QStringView LineAt(const QList<QStringView>& lines, qsizetype i) {
    QStringView line = lines[i];
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return TrimBlank(line);
}

// The part after "name=". Hex values may go on over continuation lines; i
// is left on the last line that belongs to the value.
bool ParseValueData(QStringView data, const QList<QStringView>& lines, qsizetype& i,
                    qsizetype cutLine, quint32& type, QByteArray& bytes) {
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype end = 0;
        QString value;
        type = CRegistryHive::kRegSz;
        if (!ParseQuoted(data, end, value) || end != data.size())
            return false;
        bytes = Utf16LeBytes(value, true);
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        quint32 number = 0;
        type = CRegistryHive::kRegDword;
        if (i == cutLine || !ParseHexNumber(data.sliced(6), number))
            return false;
        bytes.resize(4);
        qToLittleEndian<quint32>(number, bytes.data());
        return true;
    }
    if (!data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
        return false;
    qsizetype colon = 3;
    type = CRegistryHive::kRegBinary;
    if (data.size() > 3 && data[3] == QLatin1Char('(')) {
        const qsizetype close = data.indexOf(QLatin1Char(')'), 4);
        if (close < 0 || !ParseHexNumber(data.sliced(4, close - 4), type))
            return false;
        colon = close + 1;
    }
    if (colon >= data.size() || data[colon] != QLatin1Char(':'))
        return false;
    QString hexText = data.sliced(colon + 1).toString();
    // Continuation lines belong to this value whether or not it turns out
    // readable, so they are consumed either way.
    while (hexText.endsWith(QLatin1Char('\\'))) {
        hexText.chop(1);
        if (i + 1 >= lines.size() || !LooksLikeHexContinuation(LineAt(lines, i + 1)))
            return false;
        ++i;
        hexText += LineAt(lines, i);
    }
    return i != cutLine && ParseHexBytes(hexText, bytes);
}

} // namespace

QStringList CRegistryHive::SplitPath(const QString& path) {
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString CRegistryHive::FoldPath(const QStringList& components) {
    QString folded;
    for (const QString& component : components) {
        if (!folded.isEmpty())
            folded += kFoldedSeparator;
        folded += FoldName(component);
    }
    return folded;
}

bool CRegistryHive::IsStorableName(const QString& name) {
    // The text form has no escape for line breaks, and a lone surrogate
    // would not survive the trip through UTF-16 text.
    for (QChar c : name) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.unicode() == 0)
            return false;
    }
    return name.isValidUtf16();
}

CRegistryHive::Key* CRegistryHive::FindKey(const QString& path) {
    const auto it = m_keys.find(FoldPath(SplitPath(path)));
    return it == m_keys.end() ? nullptr : &it->second;
}

const CRegistryHive::Key* CRegistryHive::FindKey(const QString& path) const {
    const auto it = m_keys.find(FoldPath(SplitPath(path)));
    return it == m_keys.end() ? nullptr : &it->second;
}

bool CRegistryHive::KeyExists(const QString& path) const {
    const QStringList components = SplitPath(path);
    if (components.isEmpty())
        return false;
    const QString folded = FoldPath(components);
    const auto it = m_keys.lower_bound(folded);
    return it != m_keys.end() &&
           (it->first == folded || it->first.startsWith(folded + kFoldedSeparator));
}

QString CRegistryHive::SpellLikeStored(const QStringList& components) const {
    // If a key with the first n components exists, so does one with fewer:
    // the longest stored start is found by bisection.
    QList<qsizetype> prefixEnds;
    QString folded;
    for (const QString& component : components) {
        if (!folded.isEmpty())
            folded += kFoldedSeparator;
        folded += FoldName(component);
        prefixEnds.append(folded.size());
    }
    const auto keyStartingWith = [&](qsizetype count) -> const Key* {
        const QString prefix = folded.left(prefixEnds[count - 1]);
        const auto it = m_keys.lower_bound(prefix);
        if (it == m_keys.end() ||
            (it->first != prefix && !it->first.startsWith(prefix + kFoldedSeparator)))
            return nullptr;
        return &it->second;
    };
    qsizetype low = 0;
    qsizetype high = components.size();
    const Key* longest = nullptr;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (const Key* key = keyStartingWith(middle)) {
            low = middle;
            longest = key;
        } else {
            high = middle - 1;
        }
    }
    QStringList spelled = components;
    if (longest) {
        const QStringList stored = SplitPath(longest->path);
        for (qsizetype i = 0; i < low && i < stored.size(); ++i)
            spelled[i] = stored[i];
    }
    return spelled.join(QLatin1Char('\\'));
}

CRegistryHive::Key& CRegistryHive::InsertKey(const QStringList& components) {
    const QString folded = FoldPath(components);
    auto it = m_keys.find(folded);
    if (it == m_keys.end())
        it = m_keys.emplace(folded, Key{SpellLikeStored(components), {}}).first;
    return it->second;
}

bool CRegistryHive::IsStorablePath(const QStringList& components) {
    // The registry's own limits: 512 levels, 255 units a name. A section
    // starting with a minus would read as an order to delete the key.
    if (components.isEmpty() || components.size() > 512 ||
        components.first().startsWith(QLatin1Char('-')))
        return false;
    for (const QString& component : components) {
        // The folded form joins components with U+0001, so a name holding
        // it would pass for two levels and take another key's spelling.
        if (component.size() > 255 || component.contains(kFoldedSeparator) ||
            !IsStorableName(component))
            return false;
    }
    return true;
}

bool CRegistryHive::CreateKey(const QString& path) {
    const QStringList components = SplitPath(path);
    if (!IsStorablePath(components))
        return false;
    InsertKey(components);
    return true;
}

QString CRegistryHive::StoredPath(const QString& path) const {
    if (const Key* key = FindKey(path))
        return key->path;
    return KeyExists(path) ? SpellLikeStored(SplitPath(path)) : QString();
}

const CRegistryHive::Value* CRegistryHive::FindValue(const QString& keyPath,
                                                     const QString& name) const {
    const Key* key = FindKey(keyPath);
    if (!key)
        return nullptr;
    const QString folded = FoldName(name);
    for (const Value& value : key->values) {
        if (FoldName(value.name) == folded)
            return &value;
    }
    return nullptr;
}

bool CRegistryHive::SetValue(const QString& keyPath, const QString& name, quint32 type,
                             QByteArrayView data) {
    if (!IsStorableName(name) || !CreateKey(keyPath))
        return false;
    Key* key = FindKey(keyPath);
    const QString folded = FoldName(name);
    for (Value& value : key->values) {
        if (FoldName(value.name) == folded) {
            value.type = type;
            value.data = data.toByteArray();
            return true;
        }
    }
    key->values.append(Value{name, type, data.toByteArray()});
    return true;
}

QStringList CRegistryHive::KeyPaths() const {
    QStringList paths;
    for (const auto& [folded, key] : m_keys)
        paths.append(key.path);
    return paths;
}

QList<CRegistryHive::Value> CRegistryHive::Values(const QString& keyPath) const {
    const Key* key = FindKey(keyPath);
    return key ? key->values : QList<Value>();
}

namespace {

// The text of a REG_SZ that can be written in quotes and read back to the
// same bytes: whole units, one terminating NUL and no other, no control
// characters, well-formed UTF-16.
bool PlainText(const QByteArray& data, QString& text) {
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    const qsizetype units = data.size() / 2 - 1;
    if (qFromLittleEndian<quint16>(data.constData() + 2 * units) != 0)
        return false;
    text = DecodeUtf16(QByteArrayView(data).first(2 * units), false);
    for (QChar c : text) {
        if (c.unicode() < 0x20)
            return false;
    }
    return text.isValidUtf16();
}

void AppendHex(QString& out, qsizetype lineStart, const QByteArray& data) {
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (out.size() - lineStart + 3 > kHexLineLimit) {
            out += QLatin1String("\\\r\n  ");
            lineStart = out.size() - 2;
        }
        const auto byte = static_cast<unsigned char>(data[i]);
        out += QLatin1Char(digits[byte >> 4]);
        out += QLatin1Char(digits[byte & 0x0F]);
        if (i + 1 < data.size())
            out += QLatin1Char(',');
    }
}

} // namespace

QByteArray CRegistryHive::Serialize() const {
    QString out;
    out += kHeader;
    out += QLatin1String("\r\n\r\n");
    for (const auto& [folded, key] : m_keys) {
        out += QLatin1Char('[') + key.path + QLatin1String("]\r\n");
        for (const Value& value : key.values) {
            const qsizetype lineStart = out.size();
            out += value.name.isEmpty() ? QStringLiteral("@") : Quoted(value.name);
            out += QLatin1Char('=');
            QString text;
            if (value.type == kRegSz && PlainText(value.data, text)) {
                out += Quoted(text);
            } else if (value.type == kRegDword && value.data.size() == 4) {
                out += QStringLiteral("dword:%1")
                           .arg(qFromLittleEndian<quint32>(value.data.constData()), 8, 16,
                                QLatin1Char('0'));
            } else {
                out += value.type == kRegBinary ? QStringLiteral("hex:")
                                                : QStringLiteral("hex(%1):").arg(value.type, 0, 16);
                AppendHex(out, lineStart, value.data);
            }
            out += QLatin1String("\r\n");
        }
        out += QLatin1String("\r\n");
    }
    QByteArray bytes("\xFF\xFE", 2);
    bytes += Utf16LeBytes(out, false);
    return bytes;
}

CRegistryHive CRegistryHive::Parse(QByteArrayView bytes) {
    CRegistryHive hive;
    const QString text = DecodeText(bytes);
    hive.ParseText(text, text.endsWith(QLatin1Char('\n')));
    return hive;
}

void CRegistryHive::ParseText(QStringView text, bool endsWithLineBreak) {
    const QList<QStringView> lines = text.split(QLatin1Char('\n'));
    // A file that does not end with a line break was cut: its last line may
    // hold only the first part of a number.
    const qsizetype cutLine = endsWithLineBreak ? -1 : lines.size() - 1;

    Key* current = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView line = LineAt(lines, i);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line == kHeader ||
            line == kOldHeader)
            continue;

        if (line.startsWith(QLatin1Char('['))) {
            current = nullptr;
            const bool closed = line.size() >= 2 && line.endsWith(QLatin1Char(']'));
            const QString path = closed ? line.sliced(1, line.size() - 2).toString() : QString();
            const QStringList components = SplitPath(path);
            // A leading minus asks an import to delete the key; a hive file
            // has no use for that, so such a section is refused here too.
            if (IsStorablePath(components))
                current = &InsertKey(components);
            else
                ++m_damagedLines;
            continue;
        }

        qsizetype pos = 0;
        QString name;
        bool ok = current != nullptr;
        if (ok && line[0] == QLatin1Char('@'))
            pos = 1;
        else if (ok && line[0] == QLatin1Char('"'))
            ok = ParseQuoted(line, pos, name);
        else
            ok = false;
        while (ok && pos < line.size() && IsBlank(line[pos]))
            ++pos;
        ok = ok && pos < line.size() && line[pos] == QLatin1Char('=');

        quint32 type = kRegNone;
        QByteArray bytes;
        ok = ok && ParseValueData(TrimBlank(line.sliced(pos + 1)), lines, i, cutLine, type, bytes);
        if (!ok || !SetValue(current->path, name, type, bytes))
            ++m_damagedLines;
    }
}
