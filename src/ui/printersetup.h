#pragma once

#include <QByteArray>

class QWidget;

// Shows the printer setup dialog, opened on the configured printer when both
// blocks are there and on the default printer otherwise. On OK the two
// blocks are replaced by what the dialog yields and true is returned; on
// anything else they are left as they were.
bool RunPrinterSetup(QWidget* owner, QByteArray& devMode, QByteArray& devNames);
