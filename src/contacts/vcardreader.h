#pragma once

#include "contacts/contact.h"
#include "contacts/contactsreport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSet>

#include <functional>
#include <optional>

// Reads vCard 2.1, 3.0 and 4.0: folded lines, escapes, property groups,
// parameters in each version's forms, 2.1's quoted-printable values in any
// character set, a UTF-8 byte order mark, any line breaks, many cards a
// file.
// Each card reaches the sink as it ends; problems go to the report with
// their line, and reading goes on after each.
class CVCardReader {
public:
    using ContactSink = std::function<void(Contact&&)>;

    CVCardReader(CContactsReport& report, ContactSink sink);
    // UTF-8 or 8-bit bytes; fromWideText when they were made from a UTF-16
    // or UTF-32 file, whose values no CHARSET describes any more.
    void Read(QByteArrayView bytes, bool fromWideText);

private:
    struct Parameters {
        QSet<QByteArray> types; // lower case
        QByteArray encoding;    // upper case
        QByteArray charset;
        int preference = 0;
        std::optional<QString> label;
    };

    void HandleLine(QByteArrayView line, int number);
    void HandleProperty(const QByteArray& name, const Parameters& parameters, QByteArrayView value,
                        int number);
    Parameters ParseParameters(QByteArrayView text, int number);
    QString DecodeValue(QByteArrayView raw, const Parameters& parameters, int number);
    PostalAddress AddressFrom(const Parameters& parameters) const;
    void StartCard(int number);
    void FinishCard();

    CContactsReport& m_report;
    ContactSink m_sink;
    bool m_fromWideText = false;

    // The card's properties that reach the envelope, handled when it ends.
    struct PendingProperty {
        QByteArray name;
        QByteArray parameters;
        QByteArray value;
        int line = 0;
    };

    std::optional<Contact> m_card;
    QList<PendingProperty> m_cardProperties;
    // The first CHARSET any of the card's properties names.
    QByteArray m_cardCharset;
    AddressCandidates m_labelAddresses; // from LABEL properties
    int m_nestedDepth = 0;              // inside a card that an AGENT carries
    bool m_emptyAgent = false;          // the last property was AGENT with no value
    bool m_inStrayText = false;         // already said that text stands outside a card
};
