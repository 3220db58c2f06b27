#include "cli/terminaltext.h"

namespace {

bool ActsOnTerminal(char16_t c) {
    return (c < 0x20 && c != u'\n' && c != u'\t') || (c >= 0x7F && c <= 0x9F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString EscapeForTerminal(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (ActsOnTerminal(c.unicode()))
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

CTerminalText::CTerminalText(FILE* file) : m_file(file) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 CTerminalText::writeData(const char* data, qint64 size) {
    // The decoder keeps a character cut between two writes for the next.
    const QByteArray shown =
        EscapeForTerminal(m_decoder.decode(QByteArrayView(data, size))).toUtf8();
    if (std::fwrite(shown.constData(), 1, static_cast<size_t>(shown.size()), m_file) !=
            static_cast<size_t>(shown.size()) ||
        std::fflush(m_file) != 0)
        return -1;
    return size;
}
