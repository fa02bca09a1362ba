#ifndef OUTPUTFILE_H
#define OUTPUTFILE_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// Writing to a named output that already exists and is not a regular file:
// a FIFO, a character device, a terminal. Such a file is written in place;
// replacing it by a regular file would cut off whoever reads it.
class OutputFile
{
    Q_DECLARE_TR_FUNCTIONS(OutputFile)

public:
    // True when `fileName` exists and is neither a regular file nor a
    // directory (symbolic links followed).
    static bool isSpecial(const QString& fileName);
    // Opens the file for writing without truncating or replacing it and
    // writes all of `data`. The error does not repeat the file name.
    static bool writeInPlace(const QString& fileName, const QByteArray& data, QString* error);
};

#endif
