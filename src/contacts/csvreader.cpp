#include "contacts/csvreader.h"

#include "contacts/contactstext.h"
#include "contacts/csvheaders.h"
#include "contacts/csvparser.h"
#include "platform/ansicodepage.h"

#include <QHash>
#include <QIODevice>
#include <QStringDecoder>

#include <utility>

namespace {

using Field = CsvField;

bool IsNameField(Field field) {
    return field == Field::Label || field == Field::FullName || field == Field::GivenName ||
           field == Field::FamilyName || field == Field::Organization;
}

bool IsAddressField(Field field) {
    return field != Field::None && field != Field::Type && !IsNameField(field) &&
           field != Field::MiddleName && field != Field::Prefix && field != Field::Suffix;
}

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

struct ColumnGroup {
    QString name;
    QList<int> columns;
};

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
    CCsvParser::Record header;
    if (!parser.Next(header)) {
        m_report.AddProblem(0, QStringLiteral("the file holds no lines"));
        return;
    }

    const QList<CsvColumn> columns = CsvColumns(header.fields);
    QList<ColumnGroup> groups;
    QHash<Field, int> plain; // the first column of each plain field
    bool names = false;
    bool addresses = false;
    for (int i = 0; i < columns.size(); ++i) {
        const CsvColumn& column = columns[i];
        names = names || IsNameField(column.field);
        addresses = addresses || IsAddressField(column.field);
        if (column.field == Field::None)
            continue;
        if (IsAddressField(column.field) || column.field == Field::Type) {
            auto group = std::find_if(groups.begin(), groups.end(),
                                      [&](const ColumnGroup& g) { return g.name == column.group; });
            if (group == groups.end())
                group = groups.insert(groups.end(), ColumnGroup{column.group, {}});
            group->columns.append(i);
        } else if (!plain.contains(column.field)) {
            plain.insert(column.field, i);
        }
    }
    if (!names || !addresses) {
        m_report.AddProblem(
            header.line, QStringLiteral("this is not a list of contacts this program can "
                                        "read: its first line has no column for %1")
                             .arg(names ? QStringLiteral("an address") : QStringLiteral("a name")));
        return;
    }
    // The book's own export: a label and the whole address text, taken as
    // they stand so that they come back unchanged.
    const bool exact = header.fields.size() == 2 && plain.contains(Field::Label) &&
                       groups.size() == 1 && groups.front().columns.size() == 1 &&
                       columns[groups.front().columns.front()].field == Field::WholeAddress;

    parser.SetMaxFields(static_cast<int>(header.fields.size()));
    CCsvParser::Record record;
    while (parser.Next(record)) {
        // Fields beyond the header are the row's own only when they hold
        // text; then the row's columns may have slipped, so it is left out.
        // Empty ones are what a trailing separator makes.
        if (record.textLeftOut) {
            m_report.AddProblem(record.line,
                                QStringLiteral("the row has %1 fields but the header has %2; "
                                               "the row is left out")
                                    .arg(record.fields.size() + record.fieldsLeftOut)
                                    .arg(header.fields.size()));
            continue;
        }
        const auto cell = [&](int column) {
            return column < record.fields.size() ? record.fields[column] : QString();
        };
        const auto plainCell = [&](Field field) {
            const int column = plain.value(field, -1);
            return column < 0 ? QString() : cell(column).trimmed();
        };

        Contact contact;
        contact.line = record.line;
        contact.exactText = exact;
        contact.label =
            exact ? NormalizeLineBreaks(cell(plain.value(Field::Label))) : plainCell(Field::Label);
        contact.formattedName = plainCell(Field::FullName);
        contact.prefixes = plainCell(Field::Prefix);
        contact.givenName = plainCell(Field::GivenName);
        contact.additionalNames = plainCell(Field::MiddleName);
        contact.familyName = plainCell(Field::FamilyName);
        contact.suffixes = plainCell(Field::Suffix);
        contact.organization = plainCell(Field::Organization);

        for (const ColumnGroup& group : groups) {
            PostalAddress address;
            address.home = group.name == QLatin1String("home");
            address.work = group.name == QLatin1String("work");
            for (int column : group.columns) {
                const QString value = cell(column);
                switch (columns[column].field) {
                case Field::WholeAddress:
                case Field::Formatted:
                    if (exact || !value.trimmed().isEmpty()) {
                        address.label = NormalizeLineBreaks(value);
                        address.hasLabel = true;
                    }
                    break;
                case Field::Street:
                    address.street += TrimmedLines(value);
                    break;
                case Field::PoBox:
                    address.poBox = value.trimmed();
                    break;
                case Field::Extended:
                    address.extended = value.trimmed();
                    break;
                case Field::City:
                    address.locality = value.trimmed();
                    break;
                case Field::Region:
                    address.region = value.trimmed();
                    break;
                case Field::Postcode:
                    address.postcode = value.trimmed();
                    break;
                case Field::Country:
                    address.country = value.trimmed();
                    break;
                case Field::Type: {
                    // Google marks the primary one with a star: "* Home".
                    const QString type = value.trimmed();
                    if (type.startsWith(QLatin1Char('*')))
                        address.preference = 1;
                    if (type.contains(QLatin1String("home"), Qt::CaseInsensitive))
                        address.home = true;
                    if (type.contains(QLatin1String("work"), Qt::CaseInsensitive))
                        address.work = true;
                    break;
                }
                default:
                    break;
                }
            }
            contact.addresses.Offer(address);
        }
        m_sink(std::move(contact));
    }
}
