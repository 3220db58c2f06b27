#pragma once

#include <QByteArray>

// Contacts files of the given size made from the sample book's records, as
// other programs export them: vCard 3.0 cards with a name, an organization
// for some and a home and a work address, and the Google Contacts CSV
// export of the same people. The same count always gives the same bytes.
QByteArray SampleVCards(int count);
QByteArray SampleGoogleCsv(int count);
