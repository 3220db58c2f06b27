#include "contacts/csvreader.h"

#include "codepages/ansicodepage.h"
#include "contacts/contactstext.h"
#include "contacts/csvheaders.h"
#include "contacts/csvparser.h"
#include "contacts/tablecontacts.h"

#include <QHash>
#include <QIODevice>
#include <QStringDecoder>

#include <utility>

namespace {

using Field = CsvField;

// The header row as a decoding of the bytes reads it.
QStringList HeaderOf(const QString& text) {
    CContactsReport ignored;
    CCsvParser parser(text, ignored);
    CCsvParser::Record header;
    parser.SetMaxFields(1024);
    return parser.Next(header) ? header.fields : QStringList();
}

// A piece of the file at a time, each ending after a line feed but the
// last, so that no character is cut in two: a line feed is never part of
// another character in UTF-8 or in the code pages read here.
class CLinePieces {
public:
    explicit CLinePieces(QIODevice& input) : m_input(input) {}

    bool Next(QByteArray& piece) {
        piece = std::exchange(m_rest, QByteArray());
        while (true) {
            const qsizetype lineFeed = piece.lastIndexOf('\n');
            if (lineFeed >= 0) {
                m_rest = piece.sliced(lineFeed + 1);
                piece.truncate(lineFeed + 1);
                return true;
            }
            const QByteArray more = m_input.read(kPieceSize);
            if (more.isEmpty())
                return !piece.isEmpty();
            piece += more;
        }
    }

private:
    static constexpr qint64 kPieceSize = qint64(64) * 1024;
    QIODevice& m_input;
    QByteArray m_rest;
};

constexpr int kUtf8 = 0;

// A piece of UTF-8 as the whole text decodes it: a byte order mark is
// dropped at the text's start only. Second: whether the piece held bytes
// that are not UTF-8.
std::pair<QString, bool> DecodeUtf8Piece(QByteArrayView piece, bool textStart) {
    QStringDecoder utf8(QStringConverter::Utf8,
                        textStart ? QStringConverter::Flag::Stateless
                                  : QStringConverter::Flag::Stateless |
                                        QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(piece);
    return {text, utf8.hasError()};
}

struct CsvEncoding {
    int codePage = kUtf8;
    bool byteOrderMark = false;
};

// How the file's bytes become text, the device left at its start. UTF-8
// tells itself from 8-bit text, but only over the whole file; an 8-bit code
// page does not, so of the user's own and those the exporting programs
// write in, the one that reads the most of the header as names a program
// writes.
CsvEncoding EncodingOf(QIODevice& input, bool fromWideText) {
    if (fromWideText)
        return {};
    if (DetectFileEncoding(input.peek(4096)) == FileEncoding::Utf8WithMark)
        return {kUtf8, true};
    CLinePieces pieces(input);
    QByteArray piece;
    bool valid = true;
    while (valid && pieces.Next(piece))
        valid = !DecodeUtf8Piece(piece, false).second;
    input.seek(0);
    if (valid)
        return {};
    QList<int> pages{ThreadAnsiCodePage()};
    for (const int page : CsvCodePages())
        if (!pages.contains(page))
            pages.append(page);
    const QByteArray start = input.peek(qint64(64) * 1024);
    int bestPage = pages.front();
    int bestKnown = -1;
    for (const int page : std::as_const(pages)) {
        const int known = KnownCsvColumns(HeaderOf(MultiByteToWide(page, start)));
        if (known > bestKnown) {
            bestKnown = known;
            bestPage = page;
        }
    }
    return {bestPage, false};
}

} // namespace

CCsvReader::CCsvReader(CContactsReport& report, ContactSink sink)
    : m_report(report), m_sink(std::move(sink)) {}

void CCsvReader::Read(QIODevice& input, bool fromWideText) {
    const CsvEncoding encoding = EncodingOf(input, fromWideText);
    CLinePieces pieces(input);
    bool first = true;
    CCsvParser parser(
        [&](QString& text) {
            QByteArray piece;
            if (!pieces.Next(piece))
                return false;
            const bool start = std::exchange(first, false);
            if (start && encoding.byteOrderMark)
                piece.remove(0, 3);
            text += encoding.codePage == kUtf8 ? DecodeUtf8Piece(piece, start).first
                                               : MultiByteToWide(encoding.codePage, piece);
            return true;
        },
        m_report);
    CTableContacts table(m_report, m_sink);
    if (m_mapping)
        table.SetMapping(*m_mapping);
    table.SetMappingLookup(m_lookup);
    CCsvParser::Record record;
    bool any = false;
    parser.SetMaxFields(1024);
    while (parser.Next(record)) {
        any = true;
        if (!table.HasHeader()) {
            if (!table.TakeRow(record.fields, record.line))
                break;
            if (table.HasHeader())
                parser.SetMaxFields(static_cast<int>(table.Header().size()));
            continue;
        }
        // Fields beyond the header are the row's own only when they hold
        // text; then the row's columns may have slipped, so it is left out.
        // Empty ones are what a trailing separator makes.
        if (record.textLeftOut) {
            m_report.AddProblem(record.line,
                                QStringLiteral("the row has %1 fields but the header has %2; "
                                               "the row is left out")
                                    .arg(record.fields.size() + record.fieldsLeftOut)
                                    .arg(table.Header().size()));
            continue;
        }
        table.TakeRow(record.fields, record.line);
    }
    if (!any) {
        m_report.AddProblem(0, QStringLiteral("the file holds no lines"));
        return;
    }
    table.Finish();
    m_header = table.Header();
    m_usedMapping = table.Mapping();
    m_unreadRows = table.UnreadTopRows();
}
