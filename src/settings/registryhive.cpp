#include "settings/registryhive.h"

#include "codepages/ansicodepage.h"

#include <QHashFunctions>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <QtEndian>

#include <algorithm>

namespace {

const QChar kFoldedSeparator(0x0001);
const QLatin1StringView kHeader("Windows Registry Editor Version 5.00");
const QLatin1StringView kOldHeader("REGEDIT4");
// regedit ends a hex line with a backslash and goes on on the next, two
// blanks in, as soon as the line has reached this many characters after a
// byte's comma; exports of its own show 23 bytes after "@=hex(2):" and 25 on
// every continuation line.
constexpr qsizetype kHexLineLimit = 77;

// What keeping a key or a value costs in memory beyond its text: a map node
// with the folded and the spelled path, a value with its two blocks and its
// place in the key's table of names.
constexpr qint64 kKeyCost = 224;
constexpr qint64 kValueCost = 160;
// An entry is held freely up to this many times what it takes in the file as
// written; what short keys and values cost beyond that is paid from one
// allowance per parse. Since an entry's share depends on the entry alone, a
// file written from a parsed hive always reads back whole.
constexpr qint64 kFreeMultiple = 3;
constexpr qint64 kExcessAllowance = qint64(1) << 20;

// The registry's upper case of one unit; ASCII, nearly every name, without
// the table lookup.
QChar Upper(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80)
        return QChar(u >= u'a' && u <= u'z' ? char16_t(u - 0x20) : u);
    return c.toUpper();
}

QString FoldName(QStringView name) {
    // The registry compares names by upper-casing each unit on its own, with
    // no length-changing mappings.
    QString folded(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        folded[i] = Upper(name[i]);
    return folded;
}

// Names compare by upper-casing each unit on its own, as FoldName does.
bool FoldedEqual(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && Upper(a[i]) != Upper(b[i]))
            return false;
    }
    return true;
}

// Started from a random value drawn once a process, so that a file cannot
// be made of names that all land in one slot.
size_t FoldedHash(QStringView name) {
    static const size_t start = static_cast<size_t>(QRandomGenerator::system()->generate64());
    QVarLengthArray<char16_t, 128> folded(name.size());
    for (qsizetype i = 0; i < name.size(); ++i)
        folded[i] = Upper(name[i]).unicode();
    return qHash(QStringView(folded.data(), folded.size()), start);
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
    // Runs without an escape are taken whole.
    qsizetype run = pos;
    while (pos < s.size()) {
        const QChar c = s[pos];
        if (c == QLatin1Char('"')) {
            text += s.sliced(run, pos - run);
            ++pos;
            return true;
        }
        if (c == QLatin1Char('\\') && pos + 1 < s.size() &&
            (s[pos + 1] == QLatin1Char('\\') || s[pos + 1] == QLatin1Char('"'))) {
            text += s.sliced(run, pos - run);
            pos += 1;
            run = pos;
        }
        // regedit knows no other escape; a lone backslash stands for itself.
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
    if (!text.isEmpty())
        qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

QString DecodeUtf16(QByteArrayView bytes, bool bigEndian) {
    // An odd last byte is half a unit and cannot be read.
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    if (units == 0)
        return text;
    if (bigEndian)
        qFromBigEndian<quint16>(bytes.data(), units, text.data());
    else
        qFromLittleEndian<quint16>(bytes.data(), units, text.data());
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

// Where a quoted string that starts at s[from] == '"' ends: the position of
// its closing quote, or -1. The same escapes as ParseQuoted.
qsizetype ClosingQuote(QStringView s, qsizetype from) {
    for (qsizetype pos = from + 1; pos < s.size(); ++pos) {
        if (s[pos] == QLatin1Char('"'))
            return pos;
        if (s[pos] == QLatin1Char('\\') && pos + 1 < s.size() &&
            (s[pos + 1] == QLatin1Char('\\') || s[pos + 1] == QLatin1Char('"')))
            ++pos;
    }
    return -1;
}

// A line without its line end and the blanks around it.
QStringView CleanLine(QStringView raw) {
    if (raw.endsWith(QLatin1Char('\r')))
        raw.chop(1);
    return TrimBlank(raw);
}

// About the bytes an entry takes in the file as Serialize writes it (UTF-16,
// CR LF), from the entry alone.
qint64 WrittenKeySize(qsizetype pathLength) {
    return 2 * (pathLength + 6);
}

qint64 WrittenValueSize(const QString& name, quint32 type, const QByteArray& data) {
    qint64 chars = 3 * data.size() + 8;
    if (type == CRegistryHive::kRegSz)
        chars = qMin<qint64>(chars, data.size() / 2 + 2);
    else if (type == CRegistryHive::kRegDword && data.size() == 4)
        chars = 14;
    return 2 * (name.size() + 5 + chars);
}

bool NameIsStorable(QStringView name) {
    // The text form has no escape for line breaks, and a lone surrogate
    // would not survive the trip through UTF-16 text.
    for (QChar c : name) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.unicode() == 0)
            return false;
    }
    return name.isValidUtf16();
}

template <class Components> bool PathIsStorable(const Components& components) {
    // The registry's own limits: 512 levels, 255 units a name. A section
    // starting with a minus would read as an order to delete the key.
    if (components.isEmpty() || components.size() > 512 ||
        components.first().startsWith(QLatin1Char('-')))
        return false;
    for (QStringView component : components) {
        // The folded form joins components with U+0001, so a name holding
        // it would pass for two levels and take another key's spelling.
        if (component.size() > 255 ||
            std::find(component.begin(), component.end(), kFoldedSeparator) != component.end() ||
            !NameIsStorable(component))
            return false;
    }
    return true;
}

// Each unit upper-cased, the separator mapped below every other character
// so that a key sorts directly before its subkeys.
template <class Components> void FoldPathInto(QString& folded, const Components& components) {
    qsizetype length = components.isEmpty() ? 0 : components.size() - 1;
    for (QStringView component : components)
        length += component.size();
    folded.resize(length);
    QChar* out = folded.data();
    for (QStringView component : components) {
        if (out != folded.data())
            *out++ = kFoldedSeparator;
        for (QChar c : component)
            *out++ = Upper(c);
    }
}

} // namespace

QStringList CRegistryHive::SplitPath(const QString& path) {
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString CRegistryHive::FoldPath(const QStringList& components) {
    QString folded;
    FoldPathInto(folded, components);
    return folded;
}

bool CRegistryHive::IsStorableName(const QString& name) {
    return NameIsStorable(name);
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

CRegistryHive::Key& CRegistryHive::InsertKey(const QStringList& components, const QString& folded) {
    auto it = m_keys.lower_bound(folded);
    if (it == m_keys.end() || it->first != folded)
        it = m_keys.emplace_hint(it, folded, Key{SpellLikeStored(components), {}, {}});
    return it->second;
}

bool CRegistryHive::IsStorablePath(const QStringList& components) {
    return PathIsStorable(components);
}

bool CRegistryHive::CreateKey(const QString& path) {
    const QStringList components = SplitPath(path);
    if (!IsStorablePath(components))
        return false;
    InsertKey(components, FoldPath(components));
    return true;
}

QString CRegistryHive::StoredPath(const QString& path) const {
    if (const Key* key = FindKey(path))
        return key->path;
    return KeyExists(path) ? SpellLikeStored(SplitPath(path)) : QString();
}

qsizetype CRegistryHive::FindValueIn(const Key& key, QStringView name) {
    if (key.nameTable.isEmpty())
        return -1;
    const size_t mask = static_cast<size_t>(key.nameTable.size()) - 1;
    for (size_t i = FoldedHash(name) & mask;; i = (i + 1) & mask) {
        const qint32 slot = key.nameTable[static_cast<qsizetype>(i)];
        if (slot == 0)
            return -1;
        if (FoldedEqual(key.values[slot - 1].name, name))
            return slot - 1;
    }
}

void CRegistryHive::PlaceName(Key& key, qsizetype position) {
    const size_t mask = static_cast<size_t>(key.nameTable.size()) - 1;
    size_t slot = FoldedHash(key.values[position].name) & mask;
    while (key.nameTable[static_cast<qsizetype>(slot)] != 0)
        slot = (slot + 1) & mask;
    key.nameTable[static_cast<qsizetype>(slot)] = static_cast<qint32>(position + 1);
}

void CRegistryHive::SetValueIn(Key& key, const QString& name, quint32 type, QByteArray data) {
    if (const qsizetype at = FindValueIn(key, name); at >= 0) {
        Value& value = key.values[at];
        value.type = type;
        value.data = std::move(data);
        return;
    }
    key.values.append(Value{name, type, std::move(data)});
    const qsizetype count = key.values.size();
    if (2 * count <= key.nameTable.size()) {
        PlaceName(key, count - 1);
        return;
    }
    RebuildNameTable(key);
}

void CRegistryHive::RebuildNameTable(Key& key) {
    // Twice the room the names need, and every name placed again.
    const qsizetype count = key.values.size();
    key.nameTable = QList<qint32>(qMax<qsizetype>(8, qNextPowerOfTwo(quint64(2 * count))), 0);
    for (qsizetype i = 0; i < count; ++i)
        PlaceName(key, i);
}

bool CRegistryHive::DeleteValue(const QString& keyPath, const QString& name) {
    Key* key = FindKey(keyPath);
    const qsizetype at = key ? FindValueIn(*key, name) : -1;
    if (at < 0)
        return false;
    // Positions after it move down, so the table is made again.
    key->values.removeAt(at);
    RebuildNameTable(*key);
    return true;
}

const CRegistryHive::Value* CRegistryHive::FindValue(const QString& keyPath,
                                                     const QString& name) const {
    const Key* key = FindKey(keyPath);
    if (!key)
        return nullptr;
    const qsizetype at = FindValueIn(*key, name);
    return at < 0 ? nullptr : &key->values[at];
}

bool CRegistryHive::SetValue(const QString& keyPath, const QString& name, quint32 type,
                             QByteArrayView data) {
    if (!IsStorableName(name) || !CreateKey(keyPath))
        return false;
    SetValueIn(*FindKey(keyPath), name, type, data.toByteArray());
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

void AppendHex(QString& out, qsizetype lineLength, const QByteArray& data) {
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out += QLatin1Char(digits[byte >> 4]);
        out += QLatin1Char(digits[byte & 0x0F]);
        if (i + 1 == data.size())
            break;
        out += QLatin1Char(',');
        lineLength += 3;
        if (lineLength >= kHexLineLimit) {
            out += QLatin1String("\\\r\n  ");
            lineLength = 2;
        }
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
                AppendHex(out, out.size() - lineStart, value.data);
            }
            out += QLatin1String("\r\n");
        }
        out += QLatin1String("\r\n");
    }
    QByteArray bytes("\xFF\xFE", 2);
    bytes += Utf16LeBytes(out, false);
    return bytes;
}

// Reads the text form line by line, without holding a list of the lines.
class CRegistryHive::CParser {
public:
    CParser(CRegistryHive& hive, QStringView text) : m_hive(hive), m_text(text) {}

    void Run();

private:
    // The next line without its line feed; false at the end of the text.
    // m_lineCut tells that it ends the text without a line break.
    bool NextLine(QStringView& raw);
    // Whether an entry of this cost and this size in the written file can be
    // kept; pays its excess from the allowance when it can.
    bool Afford(qint64 cost, qint64 writtenSize);
    void ParseSection(QStringView line);
    void ParseValueLine(QStringView line);
    // The part after "name=".
    bool ParseData(QStringView data, quint32& type, QByteArray& bytes);
    bool ParseString(QStringView data, QByteArray& bytes);
    bool ParseHex(QStringView data, quint32& type, QByteArray& bytes);

    CRegistryHive& m_hive;
    QStringView m_text;
    qsizetype m_pos = 0;
    bool m_lineCut = false;
    qint64 m_allowance = kExcessAllowance;
    QVarLengthArray<QStringView, 16> m_parts;
    QString m_folded;
    bool m_regedit4 = false;
    Key* m_current = nullptr;
};

bool CRegistryHive::CParser::NextLine(QStringView& raw) {
    if (m_pos >= m_text.size())
        return false;
    const qsizetype end = m_text.indexOf(QLatin1Char('\n'), m_pos);
    m_lineCut = end < 0;
    raw = m_text.sliced(m_pos, (m_lineCut ? m_text.size() : end) - m_pos);
    m_pos = m_lineCut ? m_text.size() : end + 1;
    return true;
}

bool CRegistryHive::CParser::Afford(qint64 cost, qint64 writtenSize) {
    const qint64 excess = qMax<qint64>(0, cost - kFreeMultiple * writtenSize);
    if (excess > m_allowance)
        return false;
    m_allowance -= excess;
    return true;
}

void CRegistryHive::CParser::Run() {
    bool first = true;
    QStringView raw;
    while (NextLine(raw)) {
        const QStringView line = CleanLine(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        // Files of the older format carry 8-bit text in their hex strings.
        if (first)
            m_regedit4 = line == kOldHeader;
        first = false;
        if (line == kHeader || line == kOldHeader)
            continue;
        if (line.startsWith(QLatin1Char('[')))
            ParseSection(line);
        else
            ParseValueLine(line);
    }
}

void CRegistryHive::CParser::ParseSection(QStringView line) {
    m_current = nullptr;
    // Sections come by the million in a made-up file: the path is looked at
    // in place, and copied only for a key that is kept.
    m_parts.clear();
    if (line.size() >= 2 && line.endsWith(QLatin1Char(']'))) {
        for (QStringView part :
             line.sliced(1, line.size() - 2).tokenize(QLatin1Char('\\'), Qt::SkipEmptyParts))
            m_parts.append(part);
    }
    // A leading minus asks an import to delete the key; a hive file has no
    // use for that, so such a section is refused here too.
    if (!PathIsStorable(m_parts)) {
        ++m_hive.m_damagedLines;
        return;
    }
    FoldPathInto(m_folded, m_parts);
    if (const auto it = m_hive.m_keys.find(m_folded); it != m_hive.m_keys.end()) {
        m_current = &it->second;
        return;
    }
    // Measured as stored, so that the same key costs the same when the file
    // written from it is read.
    if (!Afford(kKeyCost + 4 * m_folded.size(), WrittenKeySize(m_folded.size()))) {
        ++m_hive.m_damagedLines;
        return;
    }
    QStringList components;
    for (QStringView part : m_parts)
        components.append(part.toString());
    m_current = &m_hive.InsertKey(components, m_folded);
}

void CRegistryHive::CParser::ParseValueLine(QStringView line) {
    qsizetype pos = 0;
    QString name;
    bool ok = m_current != nullptr;
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
    ok = ok && ParseData(TrimBlank(line.sliced(pos + 1)), type, bytes) && IsStorableName(name) &&
         Afford(kValueCost + 2 * name.size() + bytes.size(), WrittenValueSize(name, type, bytes));
    if (ok)
        SetValueIn(*m_current, name, type, std::move(bytes));
    else
        ++m_hive.m_damagedLines;
}

bool CRegistryHive::CParser::ParseData(QStringView data, quint32& type, QByteArray& bytes) {
    if (data.startsWith(QLatin1Char('"'))) {
        type = kRegSz;
        return ParseString(data, bytes);
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        quint32 number = 0;
        type = kRegDword;
        // A number on a cut last line may have lost digits.
        if (m_lineCut || !ParseHexNumber(data.sliced(6), number))
            return false;
        bytes.resize(4);
        qToLittleEndian<quint32>(number, bytes.data());
        return true;
    }
    if (!data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
        return false;
    if (!ParseHex(data, type, bytes))
        return false;
    if (m_regedit4 && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
        // Its strings in hex are 8-bit text with 8-bit terminators.
        bytes = Utf16LeBytes(MultiByteToWide(ThreadAnsiCodePage(), bytes), false);
    }
    return true;
}

bool CRegistryHive::CParser::ParseString(QStringView data, QByteArray& bytes) {
    qsizetype end = 0;
    QString value;
    if (ParseQuoted(data, end, value)) {
        if (end != data.size())
            return false;
        bytes = Utf16LeBytes(value, true);
        return true;
    }
    // regedit writes a string's line breaks as they are, so its value goes
    // on over the next lines up to the closing quote. That quote must end
    // its line; otherwise only this line is taken as damaged and the next
    // ones are read as lines of their own.
    const qsizetype start = data.data() - m_text.data();
    const qsizetype close = ClosingQuote(m_text, start);
    if (close < 0)
        return false;
    qsizetype lineEnd = m_text.indexOf(QLatin1Char('\n'), close);
    if (lineEnd < 0)
        lineEnd = m_text.size();
    if (!CleanLine(m_text.sliced(close + 1, lineEnd - close - 1)).isEmpty())
        return false;
    qsizetype parsedEnd = 0;
    ParseQuoted(m_text.sliced(start, close + 1 - start), parsedEnd, value);
    bytes = Utf16LeBytes(value, true);
    m_pos = qMin(lineEnd + 1, m_text.size());
    m_lineCut = lineEnd == m_text.size();
    return true;
}

bool CRegistryHive::CParser::ParseHex(QStringView data, quint32& type, QByteArray& bytes) {
    qsizetype colon = 3;
    type = kRegBinary;
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
        const qsizetype next = m_pos;
        const bool wasCut = m_lineCut;
        QStringView raw;
        if (!NextLine(raw) || !LooksLikeHexContinuation(CleanLine(raw))) {
            m_pos = next;
            m_lineCut = wasCut;
            return false;
        }
        hexText += CleanLine(raw);
    }
    return !m_lineCut && ParseHexBytes(hexText, bytes);
}

CRegistryHive CRegistryHive::Parse(QByteArrayView bytes) {
    CRegistryHive hive;
    const QString text = DecodeText(bytes);
    CParser(hive, text).Run();
    return hive;
}
