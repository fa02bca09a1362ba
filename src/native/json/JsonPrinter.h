#ifndef JSONPRINTER_H
#define JSONPRINTER_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "cnf_export.h"

// Prints a JSON value the way a person would lay it out, driven by a
// key-order file: the order of every object's keys, the records that go on
// one line and the decimals of numbers.
//
// A format is a list of entries (an object's key order, or, for an array,
// the format of each element), a number (the decimals of a number) or
// nothing. An entry is a key pattern, a list [pattern, format, children,
// self], a list whose format is a map of tails by value type ("Object",
// "Array", "Number", "String"), or a boolean that breaks a one-line record.
// A pattern matches a whole key, also one commented out with a leading "//".
class CNF_EXPORT JsonPrinter
{
public:
    // Parses the key-order file at `path` (a resource or a file); an empty
    // byte array value when it cannot be read or parsed.
    static QVariant loadFormat(const QString& path);

    // `data` printed with `format`; `indent` is one indentation step, `level`
    // the depth of `data`, `self` whether `data` goes on one line and
    // `children` whether its members do. Empty when `data` is invalid.
    static QByteArray printFormatted(const QVariant& data, const QVariant& format, const QByteArray& indent,
                                     int level = 0, bool self = false, bool children = false);

    // `data` printed as the section of a document that `section` names: the
    // root entry whose key is its first name, then that entry's sub-entries
    // in turn (names compared as text, not as patterns). Empty when the
    // format has no such section.
    static QByteArray printSection(const QVariantMap& data, const QVariant& format, const QStringList& section,
                                   const QByteArray& indent);
};

#endif
