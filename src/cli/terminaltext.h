#pragma once

#include <QIODevice>
#include <QStringDecoder>

#include <cstdio>

// The tool's text, one record a line: a label from a contacts file that
// holds escape sequences must not clear the screen, retitle the window or
// turn the text around, whether it reaches a terminal at once or through
// a pipe (less -R, a script that reads lines). Every control character but
// line feed and tab, and the bidirectional controls, are shown escaped as
// \uXXXX, as list --json writes them. A write that does not reach the file
// (a full disk, a closed pipe) fails, so that the stream says so.
class CTerminalText : public QIODevice {
public:
    explicit CTerminalText(FILE* file);
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    FILE* m_file;
    QStringDecoder m_decoder{QStringConverter::Utf8};
};

// The text with what a terminal would act on escaped, as above.
QString EscapeForTerminal(const QString& text);
