#pragma once

#include <QString>
#include <QXmlStreamReader>

#include <memory>

class CZipPackage;
class CZipPart;

// The value of the attribute with this local name, whatever its namespace
// prefix ("table:name"); empty when there is none. It lives as long as
// `attributes` does.
QStringView AttributeValue(const QXmlStreamAttributes& attributes, QStringView name);

// One XML part of a zip package (a sheet of a workbook), unpacked and read
// a piece at a time, so that a part of any size takes little memory. A
// part that unpacks past kMaxPartSize, or past kMaxRatio times its packed
// size once it is over kRatioFrom, is a zip bomb, not a workbook: reading
// stops there with Error() saying so.
class CZipXmlStream {
public:
    static constexpr qint64 kMaxPartSize = qint64(1) << 30; // 1 GiB
    static constexpr qint64 kRatioFrom = qint64(16) << 20;  // 16 MiB
    static constexpr qint64 kMaxRatio = 100;

    // Opens the part named `name` (a path inside the zip, matched without
    // regard to case where no name matches exactly).
    CZipXmlStream(const CZipPackage& zip, const QString& name);
    ~CZipXmlStream();
    CZipXmlStream(const CZipXmlStream&) = delete;
    CZipXmlStream& operator=(const CZipXmlStream&) = delete;

    bool IsOpen() const { return m_open; }
    // The next token, unpacking more as the reader needs it; Invalid at
    // the end of the part and on any failure.
    QXmlStreamReader::TokenType Next();
    // Reads to the end of the element just started, keeping nothing.
    void SkipElement();
    // The text of the element just started, its children's included, up to
    // its end.
    QString ElementText();
    QXmlStreamReader& Xml() { return m_xml; }
    // Whether the unpacked part holds these bytes anywhere, without parsing
    // it: a quick look before a pass of its own. Leaves nothing to read.
    bool Contains(QByteArrayView bytes);
    // Empty while the part reads well and at its proper end.
    QString Error() const;

private:
    // Reads past the end of the element just started; its text into text
    // when given.
    void ReadToElementEnd(QString* text);
    bool Feed();
    // Whether what was unpacked so far is past the limits.
    bool IsBomb() const;

    std::unique_ptr<CZipPart> m_part;
    QXmlStreamReader m_xml;
    QString m_name;
    bool m_open = false;
    qint64 m_packedSize = 0;
    qint64 m_unpacked = 0;
    int m_depth = 0;
    bool m_rootEnded = false;
    QString m_error;
};
