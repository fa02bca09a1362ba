#ifndef CONSOLE_H
#define CONSOLE_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QTextStream>

// The tool's standard streams, and reading and writing of named files where
// "-" stands for standard input or standard output.
class Console
{
    Q_DECLARE_TR_FUNCTIONS(Console)

public:
    // Command output (UTF-8 text on standard output).
    static QTextStream& out();
    // Messages for the user (UTF-8 text on standard error).
    static QTextStream& err();

    // Prints "cnf: <message>" on standard error.
    static void message(const QString& text);

    // Reads the whole file, or standard input for "-". The error does not
    // repeat the file name.
    static bool readFile(const QString& fileName, QByteArray* data, QString* error);
    // Replaces a regular file atomically (an existing file stays untouched on
    // failure), writes a FIFO or device in place, or standard output for "-".
    static bool writeFile(const QString& fileName, const QByteArray& data, QString* error);

    // The text on a single line, for messages that quote multi-line input.
    static QString oneLine(const QString& text);
};

#endif
