#pragma once

#include <QIODevice>
#include <QStringDecoder>

#include <cstdio>

// Text that reaches a terminal as it is written shows as it is: a label
// from a contacts file that holds escape sequences must not clear the
// screen, retitle the window or turn the text around. On a terminal every
// control character but line feed and tab, and the bidirectional controls,
// are shown escaped as \uXXXX, as list --json writes them; into a file or a
// pipe the text goes unchanged.
class CTerminalText : public QIODevice {
public:
    explicit CTerminalText(FILE* file);
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    FILE* m_file;
    bool m_terminal;
    QStringDecoder m_decoder{QStringConverter::Utf8};
};

// The text with what a terminal would act on escaped, as above.
QString EscapeForTerminal(const QString& text);
