#include "contacts/contactswriter.h"

#include "addressbook/addressbook.h"
#include "contacts/contactstext.h"
#include "platform/outputfile.h"

namespace {

// A line break of any kind, so that no CR or LF reaches the file bare.
bool TakeLineBreak(const QString& text, qsizetype& i) {
    if (text[i] == QLatin1Char('\r')) {
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        return true;
    }
    return text[i] == QLatin1Char('\n');
}

QString EscapeText(const QString& text) {
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (TakeLineBreak(text, i))
            escaped += QLatin1String("\\n");
        else if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';'))
            escaped += QLatin1Char('\\') + QString(c);
        else
            escaped += c;
    }
    return escaped;
}

// A quoted parameter value: carets and quotes as RFC 6868 writes them, line
// breaks and backslashes as most readers of LABEL expect them.
QString EncodeParameter(const QString& text) {
    QString encoded;
    encoded.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (TakeLineBreak(text, i))
            encoded += QLatin1String("\\n");
        else if (c == QLatin1Char('\\'))
            encoded += QLatin1String("\\\\");
        else if (c == QLatin1Char('^'))
            encoded += QLatin1String("^^");
        else if (c == QLatin1Char('"'))
            encoded += QLatin1String("^'");
        else
            encoded += c;
    }
    return encoded;
}

// Folds a content line at 75 bytes, never inside a UTF-8 sequence.
void AppendFolded(QByteArray& out, const QString& line) {
    const QByteArray bytes = line.toUtf8();
    qsizetype start = 0;
    qsizetype limit = 75;
    while (bytes.size() - start > limit) {
        qsizetype cut = start + limit;
        while (cut > start && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
            --cut;
        out += QByteArrayView(bytes).sliced(start, cut - start);
        out += "\r\n ";
        start = cut;
        limit = 74; // the leading space counts
    }
    out += QByteArrayView(bytes).sliced(start);
    out += "\r\n";
}

QString CsvField(const QString& text) {
    QString field = GuardCsvFormula(text);
    field.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

} // namespace

QByteArray CContactsWriter::ToVCard(const QList<CAddress>& entries) {
    QByteArray out;
    for (const CAddress& entry : entries) {
        out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        // The reader knows its own cards by this and takes their text as
        // it stands.
        out += "PRODID:-//Torvane Software//Pelvaro//EN\r\n";
        AppendFolded(out, QStringLiteral("FN:") + EscapeText(entry.m_strLabel));
        // The structured parts stay empty: the text was never split into
        // them, and guessing would change it.
        AppendFolded(out, QStringLiteral("ADR;LABEL=\"") + EncodeParameter(entry.m_strAddress) +
                              QStringLiteral("\":;;;;;;"));
        out += "END:VCARD\r\n";
    }
    return out;
}

QByteArray CContactsWriter::ToCsv(const QList<CAddress>& entries) {
    QString text = QStringLiteral("\"Label\",\"Address\"\r\n");
    for (const CAddress& entry : entries)
        text += CsvField(entry.m_strLabel) + QLatin1Char(',') + CsvField(entry.m_strAddress) +
                QStringLiteral("\r\n");
    return "\xEF\xBB\xBF" + text.toUtf8();
}

ContactsFormat CContactsWriter::FormatForPath(const QString& path) {
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? ContactsFormat::Csv
                                                                     : ContactsFormat::VCard;
}

void CContactsWriter::WriteFile(const QString& path, const CAddressBook& book,
                                ContactsFormat format) {
    QList<CAddress> entries;
    entries.reserve(book.GetSize());
    for (int i = 0; i < book.GetSize(); ++i)
        entries.append(book.GetAt(i));
    const QByteArray bytes = format == ContactsFormat::Csv ? ToCsv(entries) : ToVCard(entries);

    COutputFile file(path);
    if (!file.Open() || !file.Write(bytes) || !file.Commit())
        throw file.Failure();
}
