#pragma once

class CException;
class QWidget;

// Shows a failure that ended a command: its own message, a stop icon, the
// application name as caption and an OK button.
void ShowExceptionMessage(QWidget* owner, const CException& e);
