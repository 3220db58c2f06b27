#include "contacts/zipxmlstream.h"

#include "contacts/zippackage.h"

namespace {

constexpr qint64 kPieceSize = qint64(64) * 1024;

} // namespace

QStringView AttributeValue(const QXmlStreamAttributes& attributes, QStringView name) {
    for (const QXmlStreamAttribute& attribute : attributes)
        if (attribute.name() == name)
            return attribute.value();
    return {};
}

CZipXmlStream::CZipXmlStream(const CZipPackage& zip, const QString& name) : m_name(name) {
    const ZipEntry* entry = zip.Find(name);
    if (!entry)
        return;
    m_packedSize = entry->packedSize;
    m_part = std::make_unique<CZipPart>(zip, *entry);
    if (!m_part->IsOpen()) {
        m_error = QStringLiteral("its part %1 cannot be unpacked (damaged, or protected by a "
                                 "password)")
                      .arg(name);
        return;
    }
    // What the zip says the part unpacks to is checked first; what it
    // really unpacks to is counted as it comes.
    if (entry->size > kMaxPartSize) {
        m_error = QStringLiteral("its part %1 would unpack to more than 1 GiB; nothing more "
                                 "was read")
                      .arg(name);
        return;
    }
    m_open = true;
}

CZipXmlStream::~CZipXmlStream() = default;

bool CZipXmlStream::Feed() {
    if (!m_open || !m_error.isEmpty())
        return false;
    const QByteArray piece = m_part->Read(kPieceSize);
    if (piece.isEmpty()) {
        if (!m_part->AtEnd())
            m_error = QStringLiteral("its part %1 is damaged").arg(m_name);
        return false;
    }
    m_unpacked += piece.size();
    if (IsBomb()) {
        m_error = QStringLiteral("its part %1 unpacks to more than 1 GiB, or to more than %2 "
                                 "times its packed size: not a workbook but a zip bomb; "
                                 "nothing more was read")
                      .arg(m_name)
                      .arg(kMaxRatio);
        return false;
    }
    m_xml.addData(piece);
    return true;
}

bool CZipXmlStream::IsBomb() const {
    return m_unpacked > kMaxPartSize ||
           (m_unpacked > kRatioFrom && m_unpacked > kMaxRatio * qMax<qint64>(m_packedSize, 1));
}

bool CZipXmlStream::Contains(QByteArrayView bytes) {
    if (!m_open)
        return false;
    // Each piece keeps the end of the one before, so that a match across
    // two pieces is found.
    QByteArray tail;
    while (true) {
        const QByteArray piece = m_part->Read(kPieceSize);
        if (piece.isEmpty())
            return false;
        m_unpacked += piece.size();
        if (IsBomb())
            return false;
        const QByteArray text = tail + piece;
        if (text.contains(bytes))
            return true;
        tail = text.right(bytes.size());
    }
}

QXmlStreamReader::TokenType CZipXmlStream::Next() {
    while (true) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++m_depth;
        } else if (token == QXmlStreamReader::EndElement) {
            // Fed a piece at a time, the reader cannot tell the end of the
            // document from a pause: the root element's end is the end.
            m_rootEnded = --m_depth == 0;
        }
        if (token != QXmlStreamReader::Invalid)
            return token;
        if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || !Feed())
            return QXmlStreamReader::Invalid;
    }
}

void CZipXmlStream::SkipElement() {
    ReadToElementEnd(nullptr);
}

QString CZipXmlStream::ElementText() {
    QString text;
    ReadToElementEnd(&text);
    return text;
}

void CZipXmlStream::ReadToElementEnd(QString* text) {
    int depth = 1;
    while (depth > 0) {
        const QXmlStreamReader::TokenType token = Next();
        if (token == QXmlStreamReader::StartElement)
            ++depth;
        else if (token == QXmlStreamReader::EndElement)
            --depth;
        else if (token == QXmlStreamReader::Characters && text)
            *text += m_xml.text();
        else if (token == QXmlStreamReader::Invalid)
            return;
    }
}

QString CZipXmlStream::Error() const {
    if (!m_error.isEmpty())
        return m_error;
    if (!m_open)
        return QStringLiteral("it has no part %1").arg(m_name);
    if (m_xml.hasError() && m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        return QStringLiteral("its part %1 is damaged: %2").arg(m_name, m_xml.errorString());
    if (m_xml.hasError() && !m_rootEnded)
        return QStringLiteral("its part %1 breaks off").arg(m_name);
    return QString();
}
