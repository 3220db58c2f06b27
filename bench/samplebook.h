#pragma once

#include "addressbook/address.h"

#include <QByteArray>
#include <QList>

// Address book records that look like a real user's: labels such as
// "Hoffmann, Johanna (Nordlicht Verlag, Hamburg) 004211" and three- or
// four-line postal addresses, each string about 40 to 80 characters, some
// with letters beyond ASCII. The same count always gives the same records,
// in label order, labels unique.
QList<CAddress> MakeSampleRecords(int count);

// The book file's bytes for these records, written by the program's own
// archive code.
QByteArray SampleBookBytes(const QList<CAddress>& records);
